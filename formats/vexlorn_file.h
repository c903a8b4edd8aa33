// Whole-file load and save of the desktop product's .wpt and .trk files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "formats/diagnostic.h"
#include "formats/source_warning.h"
#include "formats/vexlorn_records.h"

class CCodePage;

// Loading is all-or-nothing: on false the document is exactly as it was and `why` (when given) says
// what was refused and at which byte offset. Bytes after the last route or node are ignored (a file
// may carry padding); a file's load says how many there are in `trailing`, without reading them.
// Wide strings go into the code page (CP1252 without one), which counts what it cannot hold.
bool LoadVexlornBytes(const std::uint8_t* data, std::size_t size, CVexlornFileWpt& doc, CDiagnostic* why = nullptr,
                      CCodePage* codePage = nullptr);
bool LoadVexlornBytes(const std::uint8_t* data, std::size_t size, CVexlornFileTrk& doc, CDiagnostic* why = nullptr,
                      CCodePage* codePage = nullptr);
bool LoadVexlornFile(const std::string& path, CVexlornFileWpt& doc, CDiagnostic* why = nullptr,
                     CCodePage* codePage = nullptr, STrailingBytes* trailing = nullptr);
bool LoadVexlornFile(const std::string& path, CVexlornFileTrk& doc, CDiagnostic* why = nullptr,
                     CCodePage* codePage = nullptr, STrailingBytes* trailing = nullptr);

// Saving replaces the file only once every byte was written and flushed; a failed save leaves the
// previous file untouched and no temporary file behind. A node time the file cannot hold (see
// SVexlornTnodBlock::SetTime) fails the save.
bool SaveVexlornFile(const std::string& path, const CVexlornFileWpt& doc, CDiagnostic* why = nullptr);
bool SaveVexlornFile(const std::string& path, const CVexlornFileTrk& doc, CDiagnostic* why = nullptr);
// The bytes a save would write, appended to `out`.
bool SaveVexlornBytes(const CVexlornFileWpt& doc, std::vector<std::uint8_t>& out, CDiagnostic* why = nullptr);
bool SaveVexlornBytes(const CVexlornFileTrk& doc, std::vector<std::uint8_t>& out, CDiagnostic* why = nullptr);
