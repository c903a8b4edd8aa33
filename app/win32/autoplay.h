// Keeps the shell's AutoPlay from reacting to the unit and the memory cards while the program
// runs: an object answering the shell's AutoPlay query, registered in the running object table
// under its class id, and the handler value the shell looks it up by.
#pragma once

// clang-format off
#include <windows.h>
#include <objbase.h>
// clang-format on

// {DB7F04B0-D48E-43F6-B12B-6B997E6E598A}
extern const CLSID kCancelAutoplayClass;

// The shell's AutoPlay query ({DDEFE873-6997-4E68-BE26-39B633ADBE12}).
struct IQueryCancelAutoPlayTv : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE AllowAutoPlay(LPCWSTR path, DWORD contentType, LPCWSTR label,
                                                  DWORD serialNumber) = 0;
};
extern const IID kQueryCancelAutoPlayInterface;

// Answers every AutoPlay query with S_FALSE: the shell cancels AutoPlay, whatever the drive.
class CCancelAutoplay final : public IQueryCancelAutoPlayTv {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID interfaceId, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE AllowAutoPlay(LPCWSTR path, DWORD contentType, LPCWSTR label, DWORD serialNumber) override;

 private:
  ~CCancelAutoplay() = default;
  LONG m_references = 1;
};

// Writes the handler value under the local machine's AutoplayHandlers key; a failure (no right to
// write there) is ignored.
void WriteAutoplayHandlerValue();
// Whether the system has the AutoPlay query: Windows NT 5.0 past build 2195, and later. The rule,
// and the running system's answer.
bool AutoplayCancelSupported(DWORD platformId, DWORD major, DWORD minor, DWORD build);
bool IsAutoplayCancelSupported();
// Registers a new CCancelAutoplay in the running object table; the cookie on success.
HRESULT RegisterCancelAutoplay(DWORD& cookie);
void RevokeCancelAutoplay(DWORD cookie);
