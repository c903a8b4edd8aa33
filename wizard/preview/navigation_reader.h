// Reads any navigation file (every kind with a reader in wizard/file_codecs.h) into navigation data.
#pragma once

#include <string>

#include "formats/code_page.h"
#include "formats/diagnostic.h"
#include "wizard/preview/navigation_data.h"

// The file's kind comes from its extension, in any letter case. Unit files go through the same
// conversion to the desktop's records that the conversion job uses, so positions and track times
// are those the user gets from a conversion (unit times are local: TZ decides). Names are turned
// from the code page into UTF-8. On false, `data` is empty and `why` says what was refused.
bool ReadNavigationFile(const std::string& path, SNavigationData& data, CCodePage& codePage,
                        CDiagnostic* why = nullptr);
