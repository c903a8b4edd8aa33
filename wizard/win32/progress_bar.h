// A progress bar's range and position.
#pragma once

// clang-format off
#include <windows.h>
// clang-format on

#include <cstdint>

// Ranges past what the control holds are scaled down.
void SetBar(HWND bar, std::uint64_t range, std::uint64_t position);
