// The map transfer page.
#pragma once

// clang-format off
#include <windows.h>
// clang-format on

#include <mutex>

#include "wizard/logic/map_transfer_logic.h"
#include "wizard/win32/property_page.h"

// Map transfer (141); the copy tells its progress from its own thread, the latest kept here.
class CMapTransferPage : public CWin32Page, private CTransferObserver {
 public:
  CMapTransferPage(CMapTransferLogic& logic, const CResourceTexts& texts);
  ~CMapTransferPage() override { m_transfer.SetProgressObserver(nullptr); }

 protected:
  void OnInitDialog() override;
  void Show(unsigned parts) override;
  void OnProgress() override;

 private:
  void ShowProgress(const STransferProgress& progress, bool bars);
  void OnTransferProgress(const STransferProgress& progress) override;
  CMapTransferLogic& m_transfer;
  std::mutex m_mutex;
  STransferProgress m_latest;
};
