// The "C" locale for one thread, through the POSIX per-thread locales.
#include "platform/classic_numbers.h"

#include <locale.h>

namespace platform {
namespace {

locale_t ClassicLocale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return locale;
}

}  // namespace

CClassicNumbersScope::CClassicNumbersScope()
    : m_previous(ClassicLocale() ? uselocale(ClassicLocale()) : static_cast<locale_t>(nullptr)) {}

CClassicNumbersScope::~CClassicNumbersScope() {
  if (m_previous != nullptr) uselocale(static_cast<locale_t>(m_previous));
}

}  // namespace platform
