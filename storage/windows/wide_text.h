// UTF-8, the program's text, to and from UTF-16, the text of the Windows calls.
#pragma once

#include <string>
#include <string_view>

// False for text that is not valid in its encoding (a lone surrogate, a broken UTF-8 sequence):
// a name changed on the way would name another file or key.
bool ToUtf8(std::wstring_view wide, std::string& utf8);
bool ToWide(std::string_view utf8, std::wstring& wide);
