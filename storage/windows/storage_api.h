// The Windows calls of the storage backend behind one narrow interface, so that every decision
// taken on their answers runs, and is tested, without Windows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// System error codes (GetLastError) that the decisions tell apart.
inline constexpr std::uint32_t kWin32Success = 0;
inline constexpr std::uint32_t kWin32InvalidFunction = 1;
inline constexpr std::uint32_t kWin32FileNotFound = 2;
inline constexpr std::uint32_t kWin32PathNotFound = 3;
inline constexpr std::uint32_t kWin32AccessDenied = 5;
inline constexpr std::uint32_t kWin32NotReady = 21;
inline constexpr std::uint32_t kWin32SharingViolation = 32;
inline constexpr std::uint32_t kWin32NotSupported = 50;

// Which items of a shell folder an enumeration yields (SHCONTF_*), and the item attributes
// (SFGAO_*) the drive list asks for.
inline constexpr std::uint32_t kShellEnumFolders = 0x20;
inline constexpr std::uint32_t kShellEnumNonFolders = 0x40;
inline constexpr std::uint32_t kShellCanRename = 0x10;
inline constexpr std::uint32_t kShellRemovable = 0x02000000;

// One item of the shell's drives folder. A failed attribute or name query leaves its flag false.
struct SShellItem {
  bool attributesRead = false;
  std::uint32_t attributes = 0;  // the requested bits that the item has
  bool nameRead = false;
  std::string parsingName;  // SHGDN_FORPARSING: "E:\" for a drive
};

struct SVolumeInformation {
  std::string label;
  std::string fileSystem;  // "FAT32", "exFAT", "NTFS"...
};

// How a volume (\\.\X:) is opened: for reading while others may read, or for reading and writing
// while others may do both, as locking and dismounting require.
enum class EVolumeAccess { kRead, kReadWrite };
// The device requests sent to an open volume, all without output.
enum class EVolumeControl {
  kCheckVerify,   // IOCTL_STORAGE_CHECK_VERIFY: is there media
  kLock,          // FSCTL_LOCK_VOLUME: fails while files are open; flushes the cache first
  kDismount,      // FSCTL_DISMOUNT_VOLUME
  kAllowRemoval,  // IOCTL_STORAGE_MEDIA_REMOVAL with PreventMediaRemoval false
  kEject,         // IOCTL_STORAGE_EJECT_MEDIA
};

enum class ERegistryHive { kLocalMachine, kCurrentUser };
// A 64-bit Windows keeps two views of the machine's software: the native one (KEY_WOW64_64KEY)
// and the one 32-bit programs see (KEY_WOW64_32KEY, Wow6432Node).
enum class ERegistryView { k64, k32 };
struct SRegistryKey {
  ERegistryHive hive = ERegistryHive::kLocalMachine;
  ERegistryView view = ERegistryView::k64;
  std::string path;  // below the hive, "SOFTWARE\Tavrelin"
};

enum class EKnownFolder { kDocuments, kProfile };

// Texts are UTF-8 on this side; the implementation converts to and from the system's UTF-16.
class CWindowsStorageApi {
 public:
  using VolumeHandle = std::uintptr_t;

  virtual ~CWindowsStorageApi() = default;

  // The items of the shell's drives folder (CSIDL_DRIVES) in the shell's order, enumerated with
  // contentFlags, each asked for the attributes given. False when the folder cannot be reached or
  // enumerated.
  virtual bool EnumerateDrivesFolder(std::uint32_t contentFlags, std::uint32_t attributes,
                                     std::vector<SShellItem>& items) = 0;

  // Volume requests answer a system error code, kWin32Success when they succeeded.
  virtual std::uint32_t OpenVolume(char letter, EVolumeAccess access, VolumeHandle& volume) = 0;
  virtual std::uint32_t ControlVolume(VolumeHandle volume, EVolumeControl control) = 0;
  virtual void CloseVolume(VolumeHandle volume) = 0;
  // Waits before a request is tried again.
  virtual void Pause(unsigned milliseconds) = 0;

  // The bytes the user may still write on the volume holding path (quotas count).
  virtual bool FreeBytesAvailable(const std::string& path, std::uint64_t& bytes) = 0;
  // Of the volume holding path.
  virtual bool VolumeInformation(const std::string& path, SVolumeInformation& information) = 0;

  virtual bool KeyExists(const SRegistryKey& key) = 0;
  // The key's direct subkeys in index order; false when the key cannot be opened.
  virtual bool SubkeyNames(const SRegistryKey& key, std::vector<std::string>& names) = 0;
  // A REG_SZ or REG_EXPAND_SZ value (not expanded) up to its first NUL; false for another type.
  virtual bool QueryString(const SRegistryKey& key, const std::string& valueName, std::string& value) = 0;

  virtual bool FolderExists(const std::string& path) = 0;
  virtual bool KnownFolder(EKnownFolder folder, std::string& path) = 0;
};

// The calls of the running Windows; one object serves the whole program. Windows only.
CWindowsStorageApi& Win32StorageApi();
