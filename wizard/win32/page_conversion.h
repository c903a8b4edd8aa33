// The conversion and transfer page.
#pragma once

// clang-format off
#include <windows.h>
// clang-format on

#include <atomic>

#include "wizard/logic/conversion_logic.h"
#include "wizard/win32/property_page.h"

// Conversion and transfer (135); the job tells its progress from its own thread.
class CConversionPage : public CWin32Page, private CConversionProgress {
 public:
  CConversionPage(CConversionLogic& logic, const CResourceTexts& texts);
  ~CConversionPage() override { m_conversion.SetProgressObserver(nullptr); }

 protected:
  void Show(unsigned parts) override;
  void OnProgress() override;

 private:
  void OnPairsDone(std::size_t done) override;
  CConversionLogic& m_conversion;
  std::atomic<std::size_t> m_done{0};
};
