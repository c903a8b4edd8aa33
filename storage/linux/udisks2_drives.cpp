// Removable drives through UDisks2: its object manager, Filesystem.Mount/Unmount, Drive.Eject/PowerOff.
#include "storage/linux/udisks2_drives.h"

#include <sys/statvfs.h>

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QMap>
#include <QVariant>
#include <algorithm>

#include "storage/volume.h"

namespace {

const QString kService = QStringLiteral("org.freedesktop.UDisks2");
const QString kManagerPath = QStringLiteral("/org/freedesktop/UDisks2");
const QString kObjectManager = QStringLiteral("org.freedesktop.DBus.ObjectManager");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kBlock = QStringLiteral("org.freedesktop.UDisks2.Block");
const QString kFilesystem = QStringLiteral("org.freedesktop.UDisks2.Filesystem");
const QString kDrive = QStringLiteral("org.freedesktop.UDisks2.Drive");

constexpr int kQueryTimeoutMs = 10 * 1000;
constexpr int kMountTimeoutMs = 2 * 60 * 1000;
// Unmounting writes back whatever the cache still holds to a slow USB stick.
constexpr int kUnmountTimeoutMs = 15 * 60 * 1000;

using InterfaceMap = QMap<QString, QVariantMap>;
using ManagedObjects = QMap<QDBusObjectPath, InterfaceMap>;

QDBusMessage Call(const QString& object, const QString& interface, const QString& method,
                  const QList<QVariant>& arguments, int timeoutMs) {
  QDBusMessage message = QDBusMessage::createMethodCall(kService, object, interface, method);
  message.setArguments(arguments);
  return QDBusConnection::systemBus().call(message, QDBus::Block, timeoutMs);
}

bool Succeeded(const QDBusMessage& reply) { return reply.type() == QDBusMessage::ReplyMessage; }

// UDisks2 keeps paths as NUL-terminated byte arrays.
std::string ByteString(const QByteArray& bytes) {
  const auto nul = bytes.indexOf('\0');
  return std::string(bytes.constData(), static_cast<std::size_t>(nul < 0 ? bytes.size() : nul));
}

std::vector<std::string> ByteStrings(const QVariant& value) {
  std::vector<std::string> strings;
  if (value.userType() == qMetaTypeId<QDBusArgument>()) {
    const QDBusArgument argument = value.value<QDBusArgument>();
    if (argument.currentType() != QDBusArgument::ArrayType) return strings;
    argument.beginArray();
    while (!argument.atEnd()) {
      QByteArray bytes;
      argument >> bytes;
      strings.push_back(ByteString(bytes));
    }
    argument.endArray();
  } else if (value.canConvert<QByteArrayList>()) {
    for (const QByteArray& bytes : value.value<QByteArrayList>()) strings.push_back(ByteString(bytes));
  }
  strings.erase(std::remove(strings.begin(), strings.end(), std::string()), strings.end());
  return strings;
}

bool FetchObjects(ManagedObjects& objects, int timeoutMs) {
  const QDBusMessage reply = Call(kManagerPath, kObjectManager, QStringLiteral("GetManagedObjects"), {}, timeoutMs);
  if (!Succeeded(reply) || reply.arguments().size() != 1) return false;
  const QVariant answer = reply.arguments().first();
  if (answer.userType() != qMetaTypeId<QDBusArgument>()) return false;
  const QDBusArgument argument = answer.value<QDBusArgument>();
  if (argument.currentSignature() != QLatin1String("a{oa{sa{sv}}}")) return false;
  argument >> objects;
  return true;
}

bool GetProperty(const QString& object, const QString& interface, const QString& name, QVariant& value) {
  const QDBusMessage reply = Call(object, kProperties, QStringLiteral("Get"), {interface, name}, kQueryTimeoutMs);
  if (!Succeeded(reply) || reply.arguments().size() != 1) return false;
  value = reply.arguments().first().value<QDBusVariant>().variant();
  return true;
}

QVariantMap NoOptions() { return {}; }

}  // namespace

struct CUDisks2Drives::SFileSystem {
  QString object;
  QString drive;  // "/" when the block has no drive
  std::string device;
  std::string label;
  std::vector<std::string> mountPoints;
  bool listed = false;  // neither hidden nor a system drive
  bool hintAuto = false;
};

CUDisks2Drives::~CUDisks2Drives() = default;

std::unique_ptr<CUDisks2Drives> CUDisks2Drives::Connect() {
  std::unique_ptr<CUDisks2Drives> drives(new CUDisks2Drives());
  if (QCoreApplication::instance() == nullptr) {
    // The application object keeps references to argc and argv for its whole life.
    static int argc = 1;
    static char name[] = "transvane";
    static char* argv[] = {name, nullptr};
    drives->m_application = std::make_unique<QCoreApplication>(argc, argv);
  }
  if (!QDBusConnection::systemBus().isConnected()) return nullptr;
  bool answered = false;
  drives->ListFileSystems(&answered);
  return answered ? std::move(drives) : nullptr;
}

std::vector<CUDisks2Drives::SFileSystem> CUDisks2Drives::ListFileSystems(bool* answered) const {
  ManagedObjects objects;
  const bool fetched = FetchObjects(objects, kQueryTimeoutMs);
  if (answered != nullptr) *answered = fetched;
  std::vector<SFileSystem> fileSystems;
  for (auto it = objects.cbegin(); it != objects.cend(); ++it) {
    const InterfaceMap& interfaces = it.value();
    if (!interfaces.contains(kBlock) || !interfaces.contains(kFilesystem)) continue;
    const QVariantMap& block = interfaces[kBlock];
    SFileSystem fileSystem;
    fileSystem.object = it.key().path();
    fileSystem.drive = block.value(QStringLiteral("Drive")).value<QDBusObjectPath>().path();
    fileSystem.device = ByteString(block.value(QStringLiteral("Device")).toByteArray());
    fileSystem.label = block.value(QStringLiteral("IdLabel")).toString().toStdString();
    fileSystem.mountPoints = ByteStrings(interfaces[kFilesystem].value(QStringLiteral("MountPoints")));
    fileSystem.listed = !block.value(QStringLiteral("HintIgnore"), true).toBool() &&
                        !block.value(QStringLiteral("HintSystem"), true).toBool() &&
                        fileSystem.device.rfind("/dev/fd", 0) != 0;  // floppy drives are never offered
    fileSystem.hintAuto = block.value(QStringLiteral("HintAuto")).toBool();
    fileSystems.push_back(std::move(fileSystem));
  }
  return fileSystems;
}

std::vector<CRemovableDrive> CUDisks2Drives::EnumerateRemovableDrives() {
  std::vector<CRemovableDrive> drives;
  for (SFileSystem& fileSystem : ListFileSystems()) {
    if (!fileSystem.listed) continue;
    if (fileSystem.mountPoints.empty() && fileSystem.hintAuto) {
      const QVariantMap options{{QStringLiteral("auth.no_user_interaction"), true}};
      const QDBusMessage reply =
          Call(fileSystem.object, kFilesystem, QStringLiteral("Mount"), {options}, kMountTimeoutMs);
      if (Succeeded(reply) && !reply.arguments().isEmpty()) {
        const std::string mounted = reply.arguments().first().toString().toStdString();
        if (!mounted.empty()) fileSystem.mountPoints.push_back(mounted);
      }
    }
    if (fileSystem.mountPoints.empty()) continue;
    drives.push_back({fileSystem.mountPoints.front(), fileSystem.device,
                      fileSystem.drive == QLatin1String("/") ? std::string() : fileSystem.drive.toStdString(),
                      fileSystem.object.toStdString(), fileSystem.label});
  }
  std::stable_sort(drives.begin(), drives.end(),
                   [](const CRemovableDrive& a, const CRemovableDrive& b) { return a.rootPath < b.rootPath; });
  return drives;
}

bool CUDisks2Drives::IsMediaReady(const CRemovableDrive& drive) {
  struct statvfs info {};
  if (drive.rootPath.empty() || ::statvfs(drive.rootPath.c_str(), &info) != 0) return false;
  QVariant value;
  if (!drive.filesystemObject.empty()) {
    if (!GetProperty(QString::fromStdString(drive.filesystemObject), kFilesystem, QStringLiteral("MountPoints"),
                     value)) {
      return false;
    }
    const auto mountPoints = ByteStrings(value);
    if (std::find(mountPoints.begin(), mountPoints.end(), drive.rootPath) == mountPoints.end()) return false;
  }
  if (!drive.driveObject.empty()) {
    if (!GetProperty(QString::fromStdString(drive.driveObject), kDrive, QStringLiteral("MediaAvailable"), value)) {
      return false;
    }
    if (!value.toBool()) return false;
  }
  return true;
}

std::uint64_t CUDisks2Drives::QueryTotalFreeBytes(const CRemovableDrive& drive) {
  return AvailableBytes(drive.rootPath);
}

EEjectResult CUDisks2Drives::RequestEject(const std::string& rootPath) {
  SyncVolume(rootPath);
  const auto fileSystems = ListFileSystems();
  const auto holder = std::find_if(fileSystems.begin(), fileSystems.end(), [&](const SFileSystem& fileSystem) {
    return std::find(fileSystem.mountPoints.begin(), fileSystem.mountPoints.end(), rootPath) !=
           fileSystem.mountPoints.end();
  });
  if (holder == fileSystems.end() || holder->drive.isEmpty() || holder->drive == QLatin1String("/")) {
    return EEjectResult::Unsupported;
  }
  const QString driveObject = holder->drive;
  for (const SFileSystem& fileSystem : fileSystems) {
    if (fileSystem.drive != driveObject || fileSystem.mountPoints.empty()) continue;
    const QDBusMessage reply =
        Call(fileSystem.object, kFilesystem, QStringLiteral("Unmount"), {NoOptions()}, kUnmountTimeoutMs);
    if (!Succeeded(reply)) return EEjectResult::Refused;
  }
  QVariant ejectable;
  QVariant canPowerOff;
  GetProperty(driveObject, kDrive, QStringLiteral("Ejectable"), ejectable);
  GetProperty(driveObject, kDrive, QStringLiteral("CanPowerOff"), canPowerOff);
  QString method;
  if (ejectable.toBool()) {
    method = QStringLiteral("Eject");
  } else if (canPowerOff.toBool()) {
    method = QStringLiteral("PowerOff");
  } else {
    return EEjectResult::Ejected;  // unmounted, which is all the device allows
  }
  const QDBusMessage reply = Call(driveObject, kDrive, method, {NoOptions()}, kUnmountTimeoutMs);
  return Succeeded(reply) ? EEjectResult::Ejected : EEjectResult::Refused;
}
