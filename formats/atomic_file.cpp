// Safe replacement of a file through a temporary file and a rename.
#include "formats/atomic_file.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr std::size_t kBufferSize = 256 * 1024;

// A handful of temporary files are alive at a time (one per file being written, the staging
// folder); the slots leave room for many more.
constexpr int kSlots = 32;
constexpr int kSlotFree = 0;
constexpr int kSlotFilling = 1;
constexpr int kSlotLive = 2;
// Longer paths than this are not registered (an interrupt then leaves them behind).
constexpr std::size_t kMaxPath = 4096;

struct STemporarySlot {
  std::atomic<int> state{kSlotFree};
  bool folder = false;
  char path[kMaxPath] = {};
};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler reads the slots' state");

STemporarySlot g_slots[kSlots];
std::atomic<unsigned> g_nextNumber{0};

int Register(const std::string& path, bool folder) {
  if (path.size() >= kMaxPath) return -1;
  for (int i = 0; i < kSlots; ++i) {
    int expected = kSlotFree;
    if (!g_slots[i].state.compare_exchange_strong(expected, kSlotFilling)) continue;
    std::memcpy(g_slots[i].path, path.c_str(), path.size() + 1);
    g_slots[i].folder = folder;
    g_slots[i].state.store(kSlotLive, std::memory_order_release);
    return i;
  }
  return -1;
}

std::string FolderPart(const std::string& path) {
  const auto slash = path.find_last_of(platform::kPathSeparators);
  if (slash == std::string::npos) return ".";
  if (slash == 0) return path.substr(0, 1);
  return path.substr(0, slash);
}

std::string NamePart(const std::string& path) {
  const auto slash = path.find_last_of(platform::kPathSeparators);
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ErrorText(const std::string& what, const std::string& path, const std::string& error) {
  return what + " " + path + ": " + error;
}

}  // namespace

CAtomicFile::CAtomicFile(std::string targetPath) : m_targetPath(std::move(targetPath)) {}

CAtomicFile::~CAtomicFile() { Discard(); }

bool CAtomicFile::Open(CDiagnostic* why) {
  Discard();
  m_failed = false;
  m_size = 0;
  m_sealed = false;
  m_unstaged = false;
  platform::SFileStatus existing;
  std::string error;
  const bool exists = platform::GetFileStatus(m_targetPath, existing);
  if (exists && existing.folder) return Fail(why, "cannot write " + m_targetPath + ": it is a folder");
  if (exists && !platform::IsWritable(m_targetPath, &error))
    return Fail(why, ErrorText("cannot write", m_targetPath, error));

  if (!CreateTemporaryFile(m_targetPath, 0600, m_file, m_tempPath, m_tempSlot, &error))
    return Fail(why, ErrorText("cannot create a temporary file in", FolderPart(m_targetPath), error));
  m_file.SetMode(exists ? existing.mode : platform::DefaultFileMode());
  // Without a temporary folder to build it in, the file is written in place front to back, and
  // cannot be written over.
  if (platform::OverwritesAreUnreliable(FolderPart(m_targetPath))) {
    platform::CFile staged;
    m_unstaged = !CreateTemporaryFile(platform::TemporaryFolder() + '/' + NamePart(m_targetPath), 0600, staged,
                                      m_stagedPath, m_stagedSlot);
    if (!m_unstaged) {
      m_target = std::move(m_file);
      m_file = std::move(staged);
    }
  }
  m_buffer.reserve(kBufferSize);
  return true;
}

bool CAtomicFile::FlushBuffer(CDiagnostic* why) {
  if (!WriteAll(m_file, m_buffer.data(), m_buffer.size(), why)) return false;
  m_buffer.clear();
  return true;
}

bool CAtomicFile::WriteAll(platform::CFile& file, const char* data, std::size_t left, CDiagnostic* why) {
  std::string error;
  if (!file.Write(data, left, &error)) {
    m_failed = true;
    return Fail(why, ErrorText("cannot write", m_targetPath, error));
  }
  return true;
}

bool CAtomicFile::Write(const void* data, std::size_t size, CDiagnostic* why) {
  if (!m_file.IsOpen() || m_failed) return Fail(why, "cannot write " + m_targetPath + ": the file is not open");
  const char* bytes = static_cast<const char*>(data);
  if (m_buffer.size() + size > kBufferSize) {
    if (!FlushBuffer(why)) return false;
    // A large block goes straight from the caller's memory: no second copy of it.
    if (size >= kBufferSize) {
      if (!WriteAll(m_file, bytes, size, why)) return false;
      m_size += size;
      return true;
    }
  }
  m_buffer.append(bytes, size);
  m_size += size;
  return true;
}

bool CAtomicFile::WriteAt(std::uint64_t offset, const void* data, std::size_t size, CDiagnostic* why) {
  if (!m_file.IsOpen() || m_failed) return Fail(why, "cannot write " + m_targetPath + ": the file is not open");
  if (offset > m_size || size > m_size - offset) return Fail(why, "cannot write " + m_targetPath + " beyond its end");
  if (m_unstaged) {
    m_failed = true;
    return Fail(why, "cannot write " + m_targetPath + ": no room to build it in " + platform::TemporaryFolder() +
                         ", and its volume cannot be written over");
  }
  if (!FlushBuffer(why)) return false;
  std::string error;
  if (!m_file.WriteAt(offset, data, size, &error)) {
    m_failed = true;
    return Fail(why, ErrorText("cannot write", m_targetPath, error));
  }
  return true;
}

bool CAtomicFile::ReadAt(std::uint64_t offset, void* data, std::size_t size, CDiagnostic* why) {
  if (!m_file.IsOpen() || m_failed) return Fail(why, "cannot read " + m_targetPath + ": the file is not open");
  if (offset > m_size || size > m_size - offset) return Fail(why, "cannot read " + m_targetPath + " beyond its end");
  if (!FlushBuffer(why)) return false;
  std::string error;
  std::size_t got = 0;
  if (!m_file.ReadAt(offset, data, size, got, &error))
    return Fail(why, ErrorText("cannot read back", m_targetPath, error));
  // Within what was written, so only a file cut by someone else ends early.
  if (got < size) return Fail(why, "cannot read back " + m_targetPath + ": the file became shorter");
  return true;
}

bool CAtomicFile::Commit(CDiagnostic* why) {
  if (!m_sealed && !Seal(why)) return false;
  return RenameSealed(why);
}

bool CAtomicFile::Seal(CDiagnostic* why) {
  if (!m_file.IsOpen() || m_failed) {
    Discard();
    return Fail(why, "cannot write " + m_targetPath + ": the file is not open");
  }
  if (!FlushBuffer(why) || (m_target.IsOpen() && !CopyStaged(why))) {
    Discard();
    return false;
  }
  std::string error;
  if (!m_file.Sync(&error)) {
    const std::string reason = ErrorText("cannot flush", m_targetPath, error);
    Discard();
    return Fail(why, reason);
  }
  if (!m_file.Close(&error)) {
    const std::string reason = ErrorText("cannot close", m_targetPath, error);
    Discard();
    return Fail(why, reason);
  }
  m_sealed = true;
  return true;
}

bool CAtomicFile::CopyStaged(CDiagnostic* why) {
  std::vector<char> block(kBufferSize);
  std::string error;
  for (std::uint64_t at = 0; at < m_size;) {
    const auto part = static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), m_size - at));
    std::size_t got = 0;
    if (!m_file.ReadAt(at, block.data(), part, got, &error))
      return Fail(why, ErrorText("cannot read back", m_targetPath, error));
    if (got < part) return Fail(why, "cannot read back " + m_targetPath + ": the file became shorter");
    if (!WriteAll(m_target, block.data(), part, why)) return false;
    at += part;
  }
  m_file.Close();
  m_file = std::move(m_target);
  platform::RemoveFile(m_stagedPath);
  m_stagedPath.clear();
  ReleaseTemporary(m_stagedSlot);
  return true;
}

bool CAtomicFile::RenameSealed(CDiagnostic* why) {
  m_sealed = false;
  std::string error;
  if (!platform::RenameOver(m_tempPath, m_targetPath, &error)) {
    const std::string reason = ErrorText("cannot replace", m_targetPath, error);
    Discard();
    return Fail(why, reason);
  }
  m_tempPath.clear();
  ReleaseTemporary(m_tempSlot);
  return true;
}

void CAtomicFile::Discard() {
  m_file.Close();
  m_target.Close();
  for (std::string* path : {&m_tempPath, &m_stagedPath}) {
    if (!path->empty()) platform::RemoveFile(*path);
    path->clear();
  }
  ReleaseTemporary(m_tempSlot);
  ReleaseTemporary(m_stagedSlot);
  m_buffer.clear();
}

std::string TemporaryPathFor(const std::string& target, unsigned n) {
  const std::string folder = FolderPart(target);
  std::string name = NamePart(target);
  const std::string head =
      std::string(kTemporaryPrefix) + std::to_string(platform::ProcessId()) + '.' + std::to_string(n) + '.';
  const std::size_t room = platform::MaxNameLength(folder);
  if (head.size() >= room) return {};
  if (head.size() + name.size() > room) {
    std::size_t keep = room - head.size();
    // Not in the middle of a UTF-8 character: a FAT volume refuses a name that is not valid.
    while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) --keep;
    name.resize(keep);
  }
  const bool root = folder.size() == 1 && platform::kPathSeparators.find(folder[0]) != std::string_view::npos;
  return (root ? folder : folder + '/') + head + name;
}

bool IsTemporaryName(const std::string& name, std::uint64_t* pid) {
  constexpr std::size_t prefixLength = sizeof kTemporaryPrefix - 1;
  if (name.compare(0, prefixLength, kTemporaryPrefix) != 0) return false;
  // Two runs of digits, each followed by a dot: the process and the attempt number.
  std::size_t at = prefixLength;
  std::uint64_t process = 0;
  for (int field = 0; field < 2; ++field) {
    const std::size_t start = at;
    while (at < name.size() && name[at] >= '0' && name[at] <= '9' && at - start < 10) {
      if (field == 0) process = process * 10 + static_cast<std::uint64_t>(name[at] - '0');
      ++at;
    }
    if (at == start || at >= name.size() || name[at] != '.') return false;
    ++at;
  }
  if (pid != nullptr) *pid = process;
  return true;
}

bool CreateTemporaryFile(const std::string& target, unsigned mode, platform::CFile& file, std::string& path, int& slot,
                         std::string* error) {
  ReleaseTemporary(slot);
  for (int attempt = 0; attempt < 100; ++attempt) {
    path = TemporaryPathFor(target, g_nextNumber.fetch_add(1));
    if (path.empty()) break;
    // Registered before it exists: an interrupt between the two removes nothing of anyone else's,
    // as no other process makes names with our process id.
    slot = Register(path, false);
    const platform::CFile::ECreate created = file.CreateNew(path, mode, error);
    if (created == platform::CFile::ECreate::kCreated) return true;
    ReleaseTemporary(slot);
    if (created != platform::CFile::ECreate::kExists) return false;
  }
  if (error != nullptr) *error = "File name too long";
  path.clear();
  return false;
}

bool CreateScratchFile(const std::string& beside, platform::CFile& file, std::string* error) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string path = TemporaryPathFor(beside, g_nextNumber.fetch_add(1));
    if (path.empty()) break;
    const platform::CFile::ECreate created = file.CreateScratch(path, error);
    if (created != platform::CFile::ECreate::kExists) return created == platform::CFile::ECreate::kCreated;
  }
  if (error != nullptr) *error = "File name too long";
  return false;
}

int RegisterTemporaryFolder(const std::string& path) { return Register(path, true); }

void ReleaseTemporary(int& slot) {
  if (slot >= 0 && slot < kSlots) g_slots[slot].state.store(kSlotFree, std::memory_order_release);
  slot = -1;
}

void RemoveRegisteredTemporaries() noexcept {
  for (STemporarySlot& slot : g_slots) {
    if (slot.state.load(std::memory_order_acquire) != kSlotLive) continue;
    if (slot.folder) {
      platform::RemoveFolderOfFilesNow(slot.path);
    } else {
      platform::RemoveFileNow(slot.path);
    }
  }
}
bool ReplaceAtomicFilePrefix(std::unique_ptr<CAtomicFile>& file, std::uint64_t oldSize, const void* data,
                             std::size_t size, CDiagnostic* why) {
  if (size == oldSize) return file->WriteAt(0, data, size, why);
  auto moved = std::make_unique<CAtomicFile>(file->GetTargetPath());
  if (!moved->Open(why) || !moved->Write(data, size, why)) return false;
  std::vector<char> block(kBufferSize);
  for (std::uint64_t at = oldSize; at < file->GetSize();) {
    const auto part = static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), file->GetSize() - at));
    if (!file->ReadAt(at, block.data(), part, why) || !moved->Write(block.data(), part, why)) return false;
    at += part;
  }
  file = std::move(moved);
  return true;
}
