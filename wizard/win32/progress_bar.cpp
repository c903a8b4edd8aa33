// A progress bar's range and position.
#include "wizard/win32/progress_bar.h"

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <algorithm>
#include <climits>

void SetBar(HWND bar, std::uint64_t range, std::uint64_t position) {
  std::uint64_t divisor = 1;
  while (range / divisor > static_cast<std::uint64_t>(INT_MAX)) divisor *= 2;
  SendMessageW(bar, PBM_SETRANGE32, 0, static_cast<LPARAM>(range / divisor));
  SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(std::min(position, range) / divisor), 0);
}
