// Code pages through the C library's iconv; the user's page follows the locale's language.
#include "platform/code_page.h"

#include <iconv.h>

#include <cerrno>
#include <cstdlib>

#include "formats/locale_code_page.h"

namespace platform {

namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

}  // namespace

std::string SystemAnsiCodePage() {
  // The first of LC_ALL, LC_CTYPE and LANG that is set and not empty, as the C library decides
  // the character type.
  for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return AnsiCodePageOfLocale(value);
  }
  return AnsiCodePageOfLocale("");
}

struct CCodePageConverter::SState {
  iconv_t cd = kNoConverter;
};

CCodePageConverter::CCodePageConverter(const std::string& codePage, bool toUtf8) : m_state(std::make_unique<SState>()) {
  m_state->cd = toUtf8 ? iconv_open("UTF-8", codePage.c_str()) : iconv_open(codePage.c_str(), "UTF-8");
}

CCodePageConverter::~CCodePageConverter() {
  if (m_state->cd != kNoConverter) iconv_close(m_state->cd);
}

bool CCodePageConverter::IsOpen() const { return m_state->cd != kNoConverter; }

std::size_t CCodePageConverter::Convert(std::string_view text, std::string& out) {
  iconv_t cd = m_state->cd;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  const std::size_t start = out.size();
  out.resize(start + text.size() * 4 + 16);
  char* in = const_cast<char*>(text.data());  // iconv's interface is not const-correct
  std::size_t inLeft = text.size();
  char* next = out.data() + start;
  std::size_t outLeft = out.size() - start;
  for (;;) {
    if (iconv(cd, &in, &inLeft, &next, &outLeft) != static_cast<std::size_t>(-1) &&
        iconv(cd, nullptr, nullptr, &next, &outLeft) != static_cast<std::size_t>(-1))
      break;
    if (errno != E2BIG) break;  // EILSEQ or EINVAL: the caller decides what stands for it
    const std::size_t used = static_cast<std::size_t>(next - out.data());
    out.resize(out.size() * 2);
    next = out.data() + used;
    outLeft = out.size() - used;
  }
  out.resize(static_cast<std::size_t>(next - out.data()));
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  return text.size() - inLeft;
}

}  // namespace platform
