// The storage interface over the running Windows: the shell, volume device requests, free space,
// the registry and the known folders.
#include <windows.h>
// After windows.h, which they build on.
#include <knownfolders.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <winioctl.h>

#include <algorithm>
#include <vector>

#include "storage/windows/storage_api.h"
#include "storage/windows/wide_text.h"

static_assert(kWin32InvalidFunction == ERROR_INVALID_FUNCTION && kWin32FileNotFound == ERROR_FILE_NOT_FOUND &&
              kWin32PathNotFound == ERROR_PATH_NOT_FOUND && kWin32AccessDenied == ERROR_ACCESS_DENIED &&
              kWin32NotReady == ERROR_NOT_READY && kWin32SharingViolation == ERROR_SHARING_VIOLATION &&
              kWin32NotSupported == ERROR_NOT_SUPPORTED);
static_assert(kShellEnumFolders == SHCONTF_FOLDERS && kShellEnumNonFolders == SHCONTF_NONFOLDERS &&
              kShellCanRename == SFGAO_CANRENAME && kShellRemovable == SFGAO_REMOVABLE);

namespace {

// No "There is no disk in the drive" box may stop a search for the unit: the calls fail instead.
class CQuietErrors {
 public:
  CQuietErrors() { ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &m_old); }
  ~CQuietErrors() { ::SetThreadErrorMode(m_old, nullptr); }
  CQuietErrors(const CQuietErrors&) = delete;
  CQuietErrors& operator=(const CQuietErrors&) = delete;

 private:
  DWORD m_old = 0;
};

// The shell needs COM on the calling thread; a thread that has it already keeps it as it is.
class CComScope {
 public:
  CComScope()
      : m_initialised(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
  ~CComScope() {
    if (m_initialised) ::CoUninitialize();
  }
  CComScope(const CComScope&) = delete;
  CComScope& operator=(const CComScope&) = delete;

 private:
  bool m_initialised;
};

template <typename T>
class CComRef {
 public:
  CComRef() = default;
  ~CComRef() {
    if (m_object != nullptr) m_object->Release();
  }
  CComRef(const CComRef&) = delete;
  CComRef& operator=(const CComRef&) = delete;

  T** Out() { return &m_object; }
  T* operator->() const { return m_object; }
  explicit operator bool() const { return m_object != nullptr; }

 private:
  T* m_object = nullptr;
};

// Memory the shell hands out, freed with its allocator.
template <typename T>
class CShellMemory {
 public:
  CShellMemory() = default;
  ~CShellMemory() { ::CoTaskMemFree(m_memory); }
  CShellMemory(const CShellMemory&) = delete;
  CShellMemory& operator=(const CShellMemory&) = delete;

  T** Out() { return &m_memory; }
  T* Get() const { return m_memory; }

 private:
  T* m_memory = nullptr;
};

// A drives folder has a few dozen items at most; an enumerator that never ends must not hang us.
constexpr int kMaxShellItems = 1024;
// Registry key names are at most 255 characters.
constexpr DWORD kMaxKeyName = 256;

HKEY Hive(ERegistryHive hive) { return hive == ERegistryHive::kLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }
REGSAM View(ERegistryView view) { return view == ERegistryView::k64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY; }

class CRegistryKey {
 public:
  CRegistryKey(const SRegistryKey& key, REGSAM access) {
    std::wstring path;
    if (!ToWide(key.path, path)) return;
    if (::RegOpenKeyExW(Hive(key.hive), path.c_str(), 0, access | View(key.view), &m_key) != ERROR_SUCCESS) {
      m_key = nullptr;
    }
  }
  ~CRegistryKey() {
    if (m_key != nullptr) ::RegCloseKey(m_key);
  }
  CRegistryKey(const CRegistryKey&) = delete;
  CRegistryKey& operator=(const CRegistryKey&) = delete;

  HKEY Get() const { return m_key; }

 private:
  HKEY m_key = nullptr;
};

class CWin32StorageApi final : public CWindowsStorageApi {
 public:
  bool EnumerateDrivesFolder(std::uint32_t contentFlags, std::uint32_t attributes,
                             std::vector<SShellItem>& items) override {
    items.clear();
    CComScope com;
    CShellMemory<ITEMIDLIST> drivesId;
    CComRef<IShellFolder> desktop;
    CComRef<IShellFolder> drives;
    CComRef<IEnumIDList> list;
    if (FAILED(::SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, drivesId.Out())) ||
        FAILED(::SHGetDesktopFolder(desktop.Out())) ||
        FAILED(
            desktop->BindToObject(drivesId.Get(), nullptr, IID_IShellFolder, reinterpret_cast<void**>(drives.Out())))) {
      return false;
    }
    // No owner window: a drive that would need the user's answer to be listed is skipped silently.
    const HRESULT enumerated = drives->EnumObjects(nullptr, contentFlags, list.Out());
    if (FAILED(enumerated)) return false;
    if (!list) return true;  // S_FALSE: the folder holds nothing of these classes
    for (int count = 0; count < kMaxShellItems; ++count) {
      CShellMemory<ITEMID_CHILD> child;
      if (list->Next(1, child.Out(), nullptr) != S_OK) break;
      SShellItem item;
      SFGAOF asked = attributes;
      PCUITEMID_CHILD one = child.Get();
      if (SUCCEEDED(drives->GetAttributesOf(1, &one, &asked))) {
        item.attributesRead = true;
        item.attributes = static_cast<std::uint32_t>(asked) & attributes;
      }
      STRRET name{};
      CShellMemory<wchar_t> text;
      if (SUCCEEDED(drives->GetDisplayNameOf(child.Get(), SHGDN_FORPARSING, &name)) &&
          SUCCEEDED(::StrRetToStrW(&name, child.Get(), text.Out()))) {
        item.nameRead = ToUtf8(text.Get(), item.parsingName);
      }
      items.push_back(std::move(item));
    }
    return true;
  }

  std::uint32_t OpenVolume(char letter, EVolumeAccess access, VolumeHandle& volume) override {
    wchar_t path[] = L"\\\\.\\ :";
    path[4] = static_cast<wchar_t>(static_cast<unsigned char>(letter));
    const bool write = access == EVolumeAccess::kReadWrite;
    CQuietErrors quiet;
    const HANDLE handle =
        ::CreateFileW(path, GENERIC_READ | (write ? GENERIC_WRITE : 0),
                      FILE_SHARE_READ | (write ? FILE_SHARE_WRITE : 0), nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return Failure();
    volume = reinterpret_cast<VolumeHandle>(handle);
    return kWin32Success;
  }

  std::uint32_t ControlVolume(VolumeHandle volume, EVolumeControl control) override {
    DWORD code = 0;
    PREVENT_MEDIA_REMOVAL allow{};
    allow.PreventMediaRemoval = FALSE;
    void* input = nullptr;
    DWORD inputSize = 0;
    switch (control) {
      case EVolumeControl::kCheckVerify:
        code = IOCTL_STORAGE_CHECK_VERIFY;
        break;
      case EVolumeControl::kLock:
        code = FSCTL_LOCK_VOLUME;
        break;
      case EVolumeControl::kDismount:
        code = FSCTL_DISMOUNT_VOLUME;
        break;
      case EVolumeControl::kAllowRemoval:
        code = IOCTL_STORAGE_MEDIA_REMOVAL;
        input = &allow;
        inputSize = sizeof allow;
        break;
      case EVolumeControl::kEject:
        code = IOCTL_STORAGE_EJECT_MEDIA;
        break;
    }
    DWORD returned = 0;
    CQuietErrors quiet;
    if (::DeviceIoControl(reinterpret_cast<HANDLE>(volume), code, input, inputSize, nullptr, 0, &returned, nullptr)) {
      return kWin32Success;
    }
    return Failure();
  }

  void CloseVolume(VolumeHandle volume) override { ::CloseHandle(reinterpret_cast<HANDLE>(volume)); }

  void Pause(unsigned milliseconds) override { ::Sleep(milliseconds); }

  bool FreeBytesAvailable(const std::string& path, std::uint64_t& bytes) override {
    std::wstring wide;
    if (!ToWide(path, wide)) return false;
    ULARGE_INTEGER available{};
    CQuietErrors quiet;
    if (!::GetDiskFreeSpaceExW(wide.c_str(), &available, nullptr, nullptr)) return false;
    bytes = available.QuadPart;
    return true;
  }

  bool VolumeInformation(const std::string& path, SVolumeInformation& information) override {
    std::wstring wide;
    if (!ToWide(path, wide)) return false;
    // The volume's root is never longer than the full path that leads into it.
    std::vector<wchar_t> root(std::max<std::size_t>(wide.size(), MAX_PATH) + 1);
    wchar_t label[MAX_PATH + 1] = {};
    wchar_t fileSystem[MAX_PATH + 1] = {};
    CQuietErrors quiet;
    if (!::GetVolumePathNameW(wide.c_str(), root.data(), static_cast<DWORD>(root.size())) ||
        !::GetVolumeInformationW(root.data(), label, MAX_PATH + 1, nullptr, nullptr, nullptr, fileSystem,
                                 MAX_PATH + 1)) {
      return false;
    }
    return ToUtf8(label, information.label) && ToUtf8(fileSystem, information.fileSystem);
  }

  bool KeyExists(const SRegistryKey& key) override { return CRegistryKey(key, KEY_READ).Get() != nullptr; }

  bool SubkeyNames(const SRegistryKey& key, std::vector<std::string>& names) override {
    names.clear();
    const CRegistryKey opened(key, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE);
    DWORD count = 0;
    if (opened.Get() == nullptr || ::RegQueryInfoKeyW(opened.Get(), nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                                                      nullptr, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      return false;
    }
    for (DWORD index = 0; index < count; ++index) {
      wchar_t name[kMaxKeyName] = {};
      DWORD length = kMaxKeyName;
      const LSTATUS status = ::RegEnumKeyExW(opened.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
      if (status == ERROR_NO_MORE_ITEMS) break;  // removed meanwhile
      std::string utf8;
      if (status == ERROR_SUCCESS && ToUtf8(std::wstring_view(name, length), utf8)) names.push_back(std::move(utf8));
    }
    return true;
  }

  bool QueryString(const SRegistryKey& key, const std::string& valueName, std::string& value) override {
    const CRegistryKey opened(key, KEY_QUERY_VALUE);
    std::wstring name;
    if (opened.Get() == nullptr || !ToWide(valueName, name)) return false;
    // The value may grow between asking its size and reading it.
    for (int attempt = 0; attempt < 3; ++attempt) {
      DWORD type = 0;
      DWORD size = 0;
      if (::RegQueryValueExW(opened.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
      if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
      // Written without its final NUL, or with an odd byte count, a string is still read whole.
      std::vector<wchar_t> text(size / sizeof(wchar_t) + 2, L'\0');
      DWORD read = static_cast<DWORD>((text.size() - 1) * sizeof(wchar_t));
      const LSTATUS status =
          ::RegQueryValueExW(opened.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &read);
      if (status == ERROR_MORE_DATA) continue;
      if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
      std::wstring_view readText(text.data(), read / sizeof(wchar_t));
      readText = readText.substr(0, readText.find(L'\0'));
      return ToUtf8(readText, value);
    }
    return false;
  }

  bool FolderExists(const std::string& path) override {
    std::wstring wide;
    if (path.empty() || !ToWide(path, wide)) return false;
    CQuietErrors quiet;
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  }

  bool KnownFolder(EKnownFolder folder, std::string& path) override {
    CShellMemory<wchar_t> found;
    const KNOWNFOLDERID& id = folder == EKnownFolder::kDocuments ? FOLDERID_Documents : FOLDERID_Profile;
    if (FAILED(::SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, found.Out()))) return false;
    return ToUtf8(found.Get(), path);
  }

 private:
  // The call's error; a failure never reads as success, even when the system left no code.
  static std::uint32_t Failure() {
    const DWORD error = ::GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE;
  }
};

}  // namespace

CWindowsStorageApi& Win32StorageApi() {
  static CWin32StorageApi api;
  return api;
}
