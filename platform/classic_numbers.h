// Numbers read and written by the C library in the "C" locale, whatever locale the program runs in.
#pragma once

namespace platform {

// Switches this thread to the "C" locale's numbers while it lives (scanf's '.' as decimal point).
class CClassicNumbersScope {
 public:
  CClassicNumbersScope();
  ~CClassicNumbersScope();
  CClassicNumbersScope(const CClassicNumbersScope&) = delete;
  CClassicNumbersScope& operator=(const CClassicNumbersScope&) = delete;

 private:
  void* m_previous = nullptr;
};

}  // namespace platform
