// Shared pieces of the fuzz targets: the fixed time zone, the input as text, and the round trips
// that the unit's files and the desktop files must survive.
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "formats/unit_files.h"
#include "formats/vexlorn_file.h"

// Sets TZ to UTC once per process. Local times of a zone with clock changes are ambiguous once a
// year; UTC keeps them exact.
inline void UseUtc() {
  static const bool zoned = [] {
    setenv("TZ", "UTC", 1);
    tzset();
    return true;
  }();
  (void)zoned;
}

// Whether a document holds what its file cannot: a track time outside the file's 32-bit seconds
// (GPX and unit files hold later years).
inline bool HoldsTimesBeyondTheFile(const CVexlornFileWpt&) { return false; }
inline bool HoldsTimesBeyondTheFile(const CVexlornFileTrk& doc) {
  for (std::size_t i = 0; i < doc.GetNodes().GetCount(); ++i) {
    const std::int64_t time = doc.GetNodes().GetAt(i).GetTime();
    if (time < std::numeric_limits<std::int32_t>::min() || time > std::numeric_limits<std::int32_t>::max()) {
      return true;
    }
  }
  return false;
}

inline std::string_view InputText(const std::uint8_t* data, std::size_t size) {
  return std::string_view(reinterpret_cast<const char*>(data), size);
}

// The input read as a unit file of kind TFile. Bad input must be refused without a crash; an
// accepted file must write text that reads back and writes the same text again.
template <typename TFile>
int FuzzUnitFile(const std::uint8_t* data, std::size_t size) {
  UseUtc();
  TFile file;
  if (!ReadUnitText(InputText(data, size), "MORNINGWALK", file)) return 0;
  std::string written;
  WriteUnitText(file, written);
  TFile again;
  if (!ReadUnitText(written, "MORNINGWALK", again)) std::abort();
  std::string rewritten;
  WriteUnitText(again, rewritten);
  if (rewritten != written) std::abort();
  return 0;
}

// The input loaded into doc, which holds something already. Whatever loads must save, and the
// saved bytes must load back into a document that saves the same bytes again; a refused input
// must say why and leave the document as it was, which untouched(doc) checks.
template <typename TDoc, typename TUntouched>
int FuzzDesktopFile(const std::uint8_t* data, std::size_t size, TDoc& doc, TUntouched untouched) {
  CDiagnostic why;
  if (!LoadVexlornBytes(data, size, doc, &why)) {
    if (!why.HasReason() || !untouched(doc)) std::abort();
    return 0;
  }
  std::vector<std::uint8_t> first;
  std::vector<std::uint8_t> second;
  TDoc again;
  if (!SaveVexlornBytes(doc, first) || !LoadVexlornBytes(first.data(), first.size(), again) ||
      !SaveVexlornBytes(again, second) || first != second) {
    std::abort();
  }
  return 0;
}
