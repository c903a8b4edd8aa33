// The "C" locale for one thread, through the C runtime's per-thread locales.
#include "platform/classic_numbers.h"

#include <locale.h>

#include <clocale>
#include <string>

namespace platform {

namespace {

struct SPrevious {
  int threadMode;
  std::string numbers;
};

}  // namespace

CClassicNumbersScope::CClassicNumbersScope() {
  const int threadMode = ::_configthreadlocale(_ENABLE_PER_THREAD_LOCALE);
  const char* numbers = std::setlocale(LC_NUMERIC, nullptr);
  m_previous = new SPrevious{threadMode, numbers != nullptr ? numbers : "C"};
  std::setlocale(LC_NUMERIC, "C");
}

CClassicNumbersScope::~CClassicNumbersScope() {
  auto* previous = static_cast<SPrevious*>(m_previous);
  std::setlocale(LC_NUMERIC, previous->numbers.c_str());
  ::_configthreadlocale(previous->threadMode);
  delete previous;
}

}  // namespace platform
