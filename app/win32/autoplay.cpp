// The AutoPlay cancellation.
#include "app/win32/autoplay.h"

// clang-format off
#include <windows.h>
#include <objbase.h>
// clang-format on

#include <new>

const CLSID kCancelAutoplayClass = {0xDB7F04B0, 0xD48E, 0x43F6, {0xB1, 0x2B, 0x6B, 0x99, 0x7E, 0x6E, 0x59, 0x8A}};
const IID kQueryCancelAutoPlayInterface = {
    0xDDEFE873, 0x6997, 0x4E68, {0xBE, 0x26, 0x39, 0xB6, 0x33, 0xAD, 0xBE, 0x12}};

HRESULT CCancelAutoplay::QueryInterface(REFIID interfaceId, void** object) {
  if (object == nullptr) return E_POINTER;
  if (IsEqualIID(interfaceId, IID_IUnknown) || IsEqualIID(interfaceId, kQueryCancelAutoPlayInterface)) {
    *object = static_cast<IQueryCancelAutoPlayTv*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG CCancelAutoplay::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_references)); }

ULONG CCancelAutoplay::Release() {
  const LONG left = InterlockedDecrement(&m_references);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT CCancelAutoplay::AllowAutoPlay(LPCWSTR, DWORD, LPCWSTR, DWORD) { return S_FALSE; }

void WriteAutoplayHandlerValue() {
  HKEY key = nullptr;
  if (RegCreateKeyExW(
          HKEY_LOCAL_MACHINE,
          L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\AutoplayHandlers\\CancelAutoplay\\CLSID", 0,
          nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return;
  }
  const wchar_t empty[] = L"";
  RegSetValueExW(key, L"DB7F04B0-D48E-43f6-B12B-6B997E6E598A", 0, REG_SZ, reinterpret_cast<const BYTE*>(empty),
                 sizeof(empty));
  RegCloseKey(key);
}

bool IsAutoplayCancelSupported() {
  // GetVersionEx answers what the program's manifest admits to; RtlGetVersion answers the truth.
  using FGetVersion = LONG(WINAPI*)(OSVERSIONINFOEXW*);
  OSVERSIONINFOEXW version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  auto getVersion = ntdll != nullptr
                        ? reinterpret_cast<FGetVersion>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                        : nullptr;
  if (getVersion == nullptr || getVersion(&version) != 0) return false;
  return AutoplayCancelSupported(version.dwPlatformId, version.dwMajorVersion, version.dwMinorVersion,
                                 version.dwBuildNumber);
}

bool AutoplayCancelSupported(DWORD platformId, DWORD major, DWORD minor, DWORD build) {
  if (platformId != VER_PLATFORM_WIN32_NT) return false;
  return major > 5 || (major == 5 && minor > 0) || (major == 5 && minor == 0 && LOWORD(build) > 2195);
}

HRESULT RegisterCancelAutoplay(DWORD& cookie) {
  IMoniker* moniker = nullptr;
  HRESULT result = CreateClassMoniker(kCancelAutoplayClass, &moniker);
  if (FAILED(result)) return result;
  IRunningObjectTable* table = nullptr;
  result = GetRunningObjectTable(0, &table);
  if (FAILED(result)) {
    moniker->Release();
    return result;
  }
  auto* object = new (std::nothrow) CCancelAutoplay;
  if (object == nullptr) {
    result = E_OUTOFMEMORY;
  } else {
    IUnknown* unknown = nullptr;
    result = object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown));
    if (SUCCEEDED(result)) {
      result = table->Register(ROTFLAGS_REGISTRATIONKEEPSALIVE, unknown, moniker, &cookie);
      unknown->Release();
    }
    object->Release();
  }
  table->Release();
  moniker->Release();
  return result;
}

void RevokeCancelAutoplay(DWORD cookie) {
  if (cookie == 0) return;
  IRunningObjectTable* table = nullptr;
  if (FAILED(GetRunningObjectTable(0, &table))) return;
  table->Revoke(cookie);
  table->Release();
}
