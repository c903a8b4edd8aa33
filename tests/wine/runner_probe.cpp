// A Windows program that behaves as the test named by its argument asks, so that the Wine runner
// can be checked to report what a test program does: its exit status, a crash, the Windows version.
#include <windows.h>

#include <cstring>
#include <thread>

namespace {

// The version Windows itself has, not the one it tells a program without a manifest.
unsigned long MajorVersion() {
  using GetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
  const auto getVersion = reinterpret_cast<GetVersionFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  if (getVersion == nullptr || getVersion(&version) != 0) return 0;
  return version.dwMajorVersion;
}

}  // namespace

int main(int argc, char** argv) {
  const char* how = argc > 1 ? argv[1] : "";
  if (std::strcmp(how, "fail") == 0) return 1;
  // After a thread has run, as in every conversion, Wine's own debugger ended a crashed program
  // with status 0.
  if (std::strcmp(how, "crash") == 0) {
    std::thread([] {}).join();
    *static_cast<volatile int*>(nullptr) = 1;
    return 0;
  }
  if (std::strcmp(how, "windows10") == 0) return MajorVersion() == 10 ? 0 : 1;
  return 2;
}
