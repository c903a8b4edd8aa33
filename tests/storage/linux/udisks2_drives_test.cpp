// Tests of the UDisks2 drive source against a mock UDisks2 on a private bus that the test starts.
#include "storage/linux/udisks2_drives.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QThread>
#include <filesystem>
#include <fstream>
#include <memory>

namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

const QString kService = QStringLiteral("org.freedesktop.UDisks2");
const std::string kBlocks = "/org/freedesktop/UDisks2/block_devices/";
const std::string kDrives = "/org/freedesktop/UDisks2/drives/";

// The Python that has python-dbusmock (the system's, which pyenv and the like may hide).
QString PythonWithDbusmock() {
  for (const QString& candidate : {QStringLiteral("/usr/bin/python3"), QStringLiteral("python3")}) {
    QProcess probe;
    probe.start(candidate, {QStringLiteral("-c"), QStringLiteral("import dbusmock")});
    if (probe.waitForFinished(30000) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0) {
      return candidate;
    }
  }
  return {};
}

// One private bus for the whole test program, standing in for the system bus: QtDBus connects to
// the system bus once per process, so every test talks to the same daemon and starts its own mock.
class UDisks2DrivesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "udisks2_drives_test";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr) new QCoreApplication(argc, argv);
    s_python = PythonWithDbusmock();
    if (s_python.isEmpty()) return;
    std::string pattern = (fs::temp_directory_path() / "drv_bus_XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    s_busFolder = pattern;
    s_daemon = new QProcess();
    s_daemon->start(QStringLiteral("dbus-daemon"),
                    {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                     QStringLiteral("--address=unix:path=") + QString::fromStdString(s_busFolder + "/socket"),
                     QStringLiteral("--print-address=1")});
    ASSERT_TRUE(s_daemon->waitForReadyRead(30000)) << "dbus-daemon did not start";
    const QByteArray address = s_daemon->readLine().trimmed();
    ASSERT_FALSE(address.isEmpty());
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", address.constData(), 1);
  }
  static void TearDownTestSuite() {
    if (s_daemon != nullptr) {
      s_daemon->terminate();
      if (!s_daemon->waitForFinished(10000)) s_daemon->kill();
      delete s_daemon;
      s_daemon = nullptr;
    }
    if (!s_busFolder.empty()) fs::remove_all(s_busFolder);
  }

  void SetUp() override {
    if (s_python.isEmpty()) GTEST_SKIP() << "python3-dbusmock is not installed";
    ASSERT_NE(s_daemon, nullptr);
    ASSERT_TRUE(QDBusConnection::systemBus().isConnected());
    std::string pattern = (fs::temp_directory_path() / "drv_vol_XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    m_root = pattern;
    m_log = m_root + "/calls.log";
  }
  void TearDown() override {
    StopMock();
    if (!m_root.empty()) fs::remove_all(m_root);
  }

  std::string Volume(const std::string& name) {
    fs::create_directories(m_root + "/" + name);
    return m_root + "/" + name;
  }

  void StartMock(QJsonObject parameters) {
    parameters[QStringLiteral("log")] = QString::fromStdString(m_log);
    m_mock = std::make_unique<QProcess>();
    m_mock->setStandardOutputFile(QProcess::nullDevice());
    m_mock->setProcessChannelMode(QProcess::SeparateChannels);
    m_mock->start(s_python, {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--system"),
                             QStringLiteral("--template"),
                             QStringLiteral(TRANSVANE_SOURCE_DIR "/tests/storage/linux/udisks2_mock.py"),
                             QStringLiteral("-p"), QString::fromUtf8(QJsonDocument(parameters).toJson())});
    ASSERT_TRUE(m_mock->waitForStarted(30000));
    // Waits for the mock to own its name on the bus, or to fail.
    QDeadlineTimer deadline(30000);
    while (!QDBusConnection::systemBus().interface()->isServiceRegistered(kService)) {
      ASSERT_EQ(m_mock->state(), QProcess::Running) << m_mock->readAllStandardError().toStdString();
      ASSERT_FALSE(deadline.hasExpired()) << "the mock UDisks2 did not start";
      QThread::msleep(20);
    }
  }
  void StopMock() {
    if (!m_mock) return;
    m_mock->terminate();
    if (!m_mock->waitForFinished(10000)) m_mock->kill();
    QDeadlineTimer deadline(10000);
    while (QDBusConnection::systemBus().interface()->isServiceRegistered(kService) && !deadline.hasExpired()) {
      QThread::msleep(20);
    }
    m_mock.reset();
  }
  std::vector<std::string> Calls() const {
    std::vector<std::string> calls;
    std::ifstream in(m_log);
    for (std::string line; std::getline(in, line);) calls.push_back(line);
    return calls;
  }
  std::unique_ptr<CUDisks2Drives> Connect() {
    auto drives = CUDisks2Drives::Connect();
    EXPECT_NE(drives, nullptr);
    return drives;
  }

  static QJsonObject Drive(const char* name, bool ejectable, bool canPowerOff, bool media = true) {
    return {{"name", name}, {"Ejectable", ejectable}, {"CanPowerOff", canPowerOff}, {"MediaAvailable", media}};
  }
  static QJsonObject Block(const char* name, const char* drive, const std::string& mounted = {}) {
    QJsonObject block{{"name", name}, {"drive", drive}};
    if (!mounted.empty()) block["mounted"] = QJsonArray{QString::fromStdString(mounted)};
    return block;
  }

  static inline QString s_python;
  static inline QProcess* s_daemon = nullptr;
  static inline std::string s_busFolder;
  std::string m_root;
  std::string m_log;
  std::unique_ptr<QProcess> m_mock;
};

TEST_F(UDisks2DrivesTest, ListsWhatTheDesktopShowsAndMountsWhatItWouldHaveMounted) {
  const std::string unit = Volume("NORVANTIS");
  const std::string card = m_root + "/CARD";  // created by the mount
  const std::string sd = Volume("SD");
  QJsonObject cardBlock = Block("sdc", "reader");
  cardBlock["mountTarget"] = QString::fromStdString(card);
  cardBlock["IdLabel"] = "MAPS 2024";
  QJsonObject manual = Block("sdd1", "stick");
  manual["HintAuto"] = false;
  manual["mountTarget"] = QString::fromStdString(m_root + "/MANUAL");
  QJsonObject system = Block("sda2", "disk", "/");
  system["HintSystem"] = true;
  QJsonObject hidden = Block("sde1", "stick", Volume("HIDDEN"));
  hidden["HintIgnore"] = true;
  QJsonObject table = Block("sdb", "unit");
  table["filesystem"] = false;
  QJsonObject noDrive = Block("mmcblk0p1", "", sd);
  QJsonObject floppy = Block("fd0", "floppy", Volume("FLOPPY"));
  StartMock(
      {{"drives", QJsonArray{Drive("unit", true, true), Drive("reader", true, false), Drive("stick", false, true),
                             Drive("disk", false, false), Drive("floppy", true, false)}},
       {"blocks", QJsonArray{Block("sdb1", "unit", unit), cardBlock, manual, system, hidden, table, noDrive, floppy}}});
  fs::create_directories(card);

  auto drives = Connect();
  ASSERT_NE(drives, nullptr);
  EXPECT_TRUE(drives->CanMountRemovableMedia());
  const auto listed = drives->EnumerateRemovableDrives();
  ASSERT_EQ(listed.size(), 3u);
  EXPECT_EQ(listed[0].rootPath, card);
  EXPECT_EQ(listed[0].blockDevice, "/dev/sdc");
  EXPECT_EQ(listed[0].driveObject, kDrives + "reader");
  EXPECT_EQ(listed[0].filesystemObject, kBlocks + "sdc");
  EXPECT_EQ(listed[0].label, "MAPS 2024");
  EXPECT_EQ(listed[1].rootPath, unit);
  EXPECT_EQ(listed[1].label, "");
  EXPECT_EQ(listed[1].blockDevice, "/dev/sdb1");
  EXPECT_EQ(listed[2].rootPath, sd);
  EXPECT_EQ(listed[2].driveObject, "");
  // Only the card was mounted, and without asking the user.
  EXPECT_THAT(Calls(), ElementsAre(kBlocks + "sdc Mount auth.no_user_interaction=True"));

  for (const CRemovableDrive& drive : listed) {
    EXPECT_TRUE(drives->IsMediaReady(drive)) << drive.rootPath;
    EXPECT_GT(drives->QueryTotalFreeBytes(drive), 0u) << drive.rootPath;
  }
  // Listing again mounts nothing more: the card is mounted now.
  EXPECT_EQ(drives->EnumerateRemovableDrives().size(), 3u);
  EXPECT_EQ(Calls().size(), 1u);
}

TEST_F(UDisks2DrivesTest, AFailedMountLeavesTheVolumeOut) {
  QJsonObject block = Block("sdc", "reader");
  block["MountError"] = "org.freedesktop.UDisks2.Error.NotAuthorizedCanObtain";
  block["mountTarget"] = QString::fromStdString(Volume("CARD"));
  StartMock({{"drives", QJsonArray{Drive("reader", true, false)}}, {"blocks", QJsonArray{block}}});
  auto drives = Connect();
  ASSERT_NE(drives, nullptr);
  EXPECT_THAT(drives->EnumerateRemovableDrives(), IsEmpty());
  EXPECT_THAT(Calls(), ElementsAre(kBlocks + "sdc Mount auth.no_user_interaction=True"));
}

TEST_F(UDisks2DrivesTest, MediaIsReadyWhenMountedReachableAndAvailable) {
  const std::string empty = Volume("EMPTY");
  const std::string gone = Volume("GONE");
  StartMock({{"drives", QJsonArray{Drive("reader", true, false, false), Drive("unit", true, false)}},
             {"blocks", QJsonArray{Block("sdc", "reader", empty), Block("sdb1", "unit", gone)}}});
  auto drives = Connect();
  ASSERT_NE(drives, nullptr);
  const auto listed = drives->EnumerateRemovableDrives();
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_FALSE(drives->IsMediaReady(listed[0]));  // the reader has no card
  EXPECT_TRUE(drives->IsMediaReady(listed[1]));
  fs::remove_all(gone);
  EXPECT_FALSE(drives->IsMediaReady(listed[1]));
  EXPECT_EQ(drives->QueryTotalFreeBytes(listed[1]), 0u);
  // A record whose volume was unmounted meanwhile is not ready either.
  CRemovableDrive elsewhere = listed[0];
  elsewhere.driveObject = kDrives + "unit";
  elsewhere.rootPath = m_root;
  EXPECT_FALSE(drives->IsMediaReady(elsewhere));
}

TEST_F(UDisks2DrivesTest, EjectUnmountsEveryFileSystemOfTheDriveThenEjects) {
  const std::string unit = Volume("NORVANTIS");
  QJsonObject spare = Block("sdb3", "unit");
  spare["HintAuto"] = false;
  StartMock({{"drives", QJsonArray{Drive("unit", true, true), Drive("reader", true, false)}},
             {"blocks", QJsonArray{Block("sdb1", "unit", unit), Block("sdb2", "unit", Volume("NORVANTIS2")), spare,
                                   Block("sdc", "reader", Volume("CARD"))}}});
  auto drives = Connect();
  ASSERT_NE(drives, nullptr);
  EXPECT_EQ(drives->RequestEject(unit), EEjectResult::Ejected);
  EXPECT_THAT(Calls(), ElementsAre(kBlocks + "sdb1 Unmount", kBlocks + "sdb2 Unmount", kDrives + "unit Eject"));
}

TEST_F(UDisks2DrivesTest, EjectPowersOffWhatCannotEject) {
  const std::string stick = Volume("STICK");
  const std::string plain = Volume("PLAIN");
  StartMock({{"drives", QJsonArray{Drive("stick", false, true), Drive("plain", false, false)}},
             {"blocks", QJsonArray{Block("sdd1", "stick", stick), Block("sde1", "plain", plain)}}});
  auto drives = Connect();
  ASSERT_NE(drives, nullptr);
  EXPECT_EQ(drives->RequestEject(stick), EEjectResult::Ejected);
  EXPECT_EQ(drives->RequestEject(plain), EEjectResult::Ejected);  // unmounted is all it allows
  EXPECT_THAT(Calls(), ElementsAre(kBlocks + "sdd1 Unmount", kDrives + "stick PowerOff", kBlocks + "sde1 Unmount"));
}

TEST_F(UDisks2DrivesTest, ARefusalStopsTheEjectAndIsReported) {
  const std::string busy = Volume("BUSY");
  const std::string locked = Volume("LOCKED");
  QJsonObject busyBlock = Block("sdb1", "unit", busy);
  busyBlock["UnmountError"] = "org.freedesktop.UDisks2.Error.DeviceBusy";
  QJsonObject lockedDrive = Drive("reader", true, false);
  lockedDrive["EjectError"] = "org.freedesktop.UDisks2.Error.NotAuthorized";
  StartMock({{"drives", QJsonArray{Drive("unit", true, true), lockedDrive}},
             {"blocks", QJsonArray{busyBlock, Block("sdc", "reader", locked)}}});
  auto drives = Connect();
  ASSERT_NE(drives, nullptr);
  EXPECT_EQ(drives->RequestEject(busy), EEjectResult::Refused);
  EXPECT_EQ(drives->RequestEject(locked), EEjectResult::Refused);
  EXPECT_THAT(Calls(), ElementsAre(kBlocks + "sdb1 Unmount", kBlocks + "sdc Unmount", kDrives + "reader Eject"));
}

TEST_F(UDisks2DrivesTest, EjectOfAnUnknownVolumeIsUnsupported) {
  const std::string sd = Volume("SD");
  StartMock({{"blocks", QJsonArray{Block("mmcblk0p1", "", sd)}}});
  auto drives = Connect();
  ASSERT_NE(drives, nullptr);
  EXPECT_EQ(drives->RequestEject(m_root + "/ELSEWHERE"), EEjectResult::Unsupported);
  EXPECT_EQ(drives->RequestEject(sd), EEjectResult::Unsupported);  // no drive behind it
  EXPECT_THAT(Calls(), IsEmpty());
}

TEST_F(UDisks2DrivesTest, TheFactoryTakesUDisks2OnlyWhenItAnswers) {
  EXPECT_EQ(CUDisks2Drives::Connect(), nullptr);
  const auto fallback = CreateDriveAccess("/");
  ASSERT_NE(fallback, nullptr);
  EXPECT_FALSE(fallback->CanMountRemovableMedia());

  StartMock({});
  const auto udisks = CreateDriveAccess("/");
  ASSERT_NE(udisks, nullptr);
  EXPECT_TRUE(udisks->CanMountRemovableMedia());
  EXPECT_THAT(udisks->EnumerateRemovableDrives(), IsEmpty());
  EXPECT_FALSE(CreateDriveAccess(m_root)->CanMountRemovableMedia());
}

}  // namespace
