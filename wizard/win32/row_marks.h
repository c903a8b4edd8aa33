// What the wizard's lists keep in each row's item data, so that what a row shows can be read back
// with LB_GETITEMDATA or LVM_GETITEM.
#pragma once

// clang-format off
#include <windows.h>
// clang-format on

// The file selection lists: whether the row carries the mark of a target that exists.
constexpr LPARAM kRowUnmarked = 0;
constexpr LPARAM kRowMarked = 1;

// The map region list: whether the region is refused at the chosen destination (its size in red).
constexpr LPARAM kRegionFits = 0;
constexpr LPARAM kRegionRefused = 1;
