// Finding the unit among the removable drives, reading its identity and language files, copying onto it.
#include "storage/unit_device.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>
#include <utility>

#include "formats/ascii_case.h"
#include "formats/atomic_file.h"
#include "platform/files.h"
#include "storage/entry_names.h"
#include "storage/file_system.h"
#include "storage/volume.h"

namespace {

constexpr const char* kTransferFolder = "USBTRANS";
constexpr const char* kIdentityFile = "UNIT_ID.DAT";
constexpr const char* kLanguageFile = "LANGUAGE.DAT";
// Both files hold a handful of short lines; anything far larger is not one of them, and reading
// it whole would only cost time and memory.
constexpr std::streamoff kMaxKeyFileSize = 1024 * 1024;

struct SFolderKind {
  const char* key;
  const char* defaultName;
};
constexpr SFolderKind kFolderKinds[CUnitDevice::kFolderCount] = {
    {"BackgroundMaps", "Background Maps"}, {"DetailMaps", "Detail Maps"}, {"MyPOIs", "My POIs"}, {"Routes", "Routes"},
    {"TrackLogs", "Track Logs"},
};

using KeyValueLines = std::vector<std::pair<std::string, std::string>>;

// Lines of key=value: the key ends at the first '='; nothing is trimmed. Every line needs a '=',
// an empty one included, so a file ending in an empty line is unreadable; the end of the file
// after the last line break is not a line. Lines may end in LF or CR LF.
bool ReadKeyValueFile(const std::string& path, KeyValueLines& lines) {
  // Only a regular file: opening a pipe found on a volume would wait forever.
  platform::SFileStatus status;
  if (!platform::GetFileStatus(path, status) || !status.regular) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0 || size > kMaxKeyFileSize) return false;
  in.seekg(0);
  std::string text(static_cast<std::size_t>(size), '\0');
  if (size > 0 && !in.read(text.data(), size)) return false;

  KeyValueLines parsed;
  std::size_t start = 0;
  while (start < text.size()) {
    const auto lineFeed = text.find('\n', start);
    std::size_t end = lineFeed == std::string::npos ? text.size() : lineFeed;
    const std::size_t next = lineFeed == std::string::npos ? text.size() : lineFeed + 1;
    if (lineFeed != std::string::npos && end > start && text[end - 1] == '\r') --end;
    const std::string_view line(text.data() + start, end - start);
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) return false;
    parsed.emplace_back(std::string(line.substr(0, equals)), std::string(line.substr(equals + 1)));
    start = next;
  }
  lines = std::move(parsed);
  return true;
}

// A folder name from the unit's language file that would lead out of the unit's volume (or
// nowhere), or an empty one that would put the files at the volume's root, is not taken: the
// kind keeps its default name instead.
bool IsPlainFolderName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

}  // namespace

CUnitDevice::CUnitDevice(CDriveAccess* drives) : m_drives(drives) {}

void CUnitDevice::SetDriveAccess(CDriveAccess* drives) { m_drives = drives; }

bool CUnitDevice::FindUnit(std::vector<std::string>* drives) {
  if (drives != nullptr) drives->clear();
  m_driveNames.clear();
  if (m_drives == nullptr) return false;
  std::optional<std::string> found;
  for (const CRemovableDrive& record : m_drives->EnumerateRemovableDrives()) {
    if (!m_drives->IsMediaReady(record) || m_drives->QueryTotalFreeBytes(record) == 0) continue;
    m_drive = record.rootPath;
    if (drives != nullptr) drives->push_back(m_drive);
    if (!found && CheckIdentity()) found = record.rootPath;
    // Named through a record of its own: this one's identity stays that of the unit found.
    CUnitDevice probe;
    probe.m_drive = record.rootPath;
    std::string model;
    const bool named = probe.CheckIdentity() && probe.LookupIdentity("Model", model) && !model.empty();
    m_driveNames[record.rootPath] = named ? model : record.label;
  }
  if (found) m_drive = *found;
  return found.has_value();
}

std::string CUnitDevice::DriveName(const std::string& rootPath) const {
  const auto found = m_driveNames.find(rootPath);
  return found == m_driveNames.end() ? std::string() : found->second;
}

std::string CUnitDevice::TransferFilePath(const char* fileName) const {
  SECFileSystem fs;
  const std::string folder = fs.JoinPath(m_drive, MatchEntryName(m_drive, kTransferFolder));
  return fs.JoinPath(folder, MatchEntryName(folder, fileName));
}

bool CUnitDevice::CheckIdentity() {
  m_identityKeys.clear();
  m_identityValues.clear();
  // Without a drive the path would name a folder at the root of this machine, not of a unit.
  if (m_drive.empty()) return false;
  m_identityPath = TransferFilePath(kIdentityFile);
  KeyValueLines lines;
  if (!ReadKeyValueFile(m_identityPath, lines)) return false;
  for (const auto& [key, value] : lines) {
    if (key.empty()) return false;
  }
  for (auto& [key, value] : lines) {
    m_identityKeys.push_back(AsciiLower(key));
    m_identityValues.push_back(std::move(value));
  }
  std::string model;
  if (!LookupIdentity("Model", model)) return false;
  return model == "Vesk" || model.find("Norvantis") != std::string::npos;
}

bool CUnitDevice::LookupIdentity(const std::string& key, std::string& value) const {
  const std::string wanted = AsciiLower(key);
  for (std::size_t i = 0; i < m_identityKeys.size(); ++i) {
    if (m_identityKeys[i] == wanted) {
      value = m_identityValues[i];
      return true;
    }
  }
  return false;
}

std::string CUnitDevice::GetUnitFolder(int index, bool withDrive) {
  m_languagePath = TransferFilePath(kLanguageFile);
  KeyValueLines lines;
  if (m_drive.empty() || !ReadKeyValueFile(m_languagePath, lines)) {
    for (int kind = 0; kind < kFolderCount; ++kind) m_folderNames[kind] = kFolderKinds[kind].defaultName;
  } else {
    // A kind the file does not mention keeps the name it had (empty if it never had one).
    for (const auto& [key, value] : lines) {
      for (int kind = 0; kind < kFolderCount; ++kind) {
        if (!EqualIgnoringCase(key, kFolderKinds[kind].key)) continue;
        m_folderNames[kind] = IsPlainFolderName(value) ? value : kFolderKinds[kind].defaultName;
      }
    }
  }
  if (index < 0 || index >= kFolderCount) return {};
  const std::string& name = m_folderNames[index];
  if (!withDrive) return name;
  if (m_drive.empty()) return {};
  return SECFileSystem().JoinPath(m_drive, MatchEntryName(m_drive, name));
}

bool CUnitDevice::CopyFileToUnit(const std::string& source, const std::string& destination, CDiagnostic* why) {
  platform::CFile input;
  std::string error;
  const platform::CFile::EOpen opened = input.OpenForReading(source, &error);
  if (opened == platform::CFile::EOpen::kNotRegular) return Fail(why, "cannot open " + source + ": not a regular file");
  if (opened != platform::CFile::EOpen::kOpened) return Fail(why, "cannot open " + source + ": " + error);
  CAtomicFile output(destination);
  bool ok = output.Open(why);
  std::vector<char> buffer(64 * 1024);
  while (ok) {
    std::size_t count = 0;
    if (!input.Read(buffer.data(), buffer.size(), count, &error)) {
      ok = Fail(why, "cannot read " + source + ": " + error);
    } else if (count == 0) {
      break;
    } else {
      ok = output.Write(buffer.data(), count, why);
    }
  }
  input.Close();
  if (!ok) {
    output.Discard();
    return false;
  }
  if (!output.Commit(why)) return false;
  // The rename is only durable once the volume's metadata is written; the user may pull the
  // unit out as soon as the job says it is done.
  const std::string folder = SECFileSystem().FolderOf(destination);
  if (!SyncVolume(folder.empty() ? std::string(".") : folder)) {
    return Fail(why, "cannot flush the volume of " + destination + ": " + std::strerror(errno));
  }
  return true;
}

EEjectResult CUnitDevice::RequestEject() {
  if (m_drives == nullptr || m_drive.empty()) return EEjectResult::Unsupported;
  return m_drives->RequestEject(m_drive);
}
