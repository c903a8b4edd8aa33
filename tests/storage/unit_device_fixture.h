// A unit's volumes in a temporary folder, and drives that a machine cannot be made to have, for the
// unit tests on every system.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "storage/unit_device.h"
#include "tests/temp_folder.h"

// Volumes that a machine cannot be made to have: ready or not, full or not, in a chosen order.
class CFakeDrives : public CDriveAccess {
 public:
  struct SVolume {
    std::string root;
    bool ready = true;
    std::uint64_t freeBytes = 1000000;
    std::string label = {};
  };
  std::vector<CRemovableDrive> EnumerateRemovableDrives() override {
    std::vector<CRemovableDrive> drives;
    for (const SVolume& volume : volumes) drives.push_back({volume.root, "/dev/x", {}, {}, volume.label});
    return drives;
  }
  bool IsMediaReady(const CRemovableDrive& drive) override { return Find(drive.rootPath).ready; }
  std::uint64_t QueryTotalFreeBytes(const CRemovableDrive& drive) override { return Find(drive.rootPath).freeBytes; }
  EEjectResult RequestEject(const std::string& rootPath) override {
    ejected.push_back(rootPath);
    return EEjectResult::Refused;
  }
  bool CanMountRemovableMedia() const override { return false; }

  std::vector<SVolume> volumes;
  std::vector<std::string> ejected;

 private:
  const SVolume& Find(const std::string& root) const {
    for (const SVolume& volume : volumes) {
      if (volume.root == root) return volume;
    }
    return volumes.front();
  }
};

class UnitDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(m_temp.Path().empty());
    m_root = m_temp.Path();
  }

  // A volume folder; with identity text, it holds USBTRANS/UNIT_ID.DAT.
  std::string Volume(const std::string& name) {
    const std::string path = m_root + "/" + name;
    std::filesystem::create_directories(path);
    return path;
  }
  void Write(const std::string& path, const std::string& content) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
  }
  std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  std::string UnitVolume(const std::string& name, const std::string& identity = "Model=Norvantis 200\r\n") {
    const std::string volume = Volume(name);
    Write(volume + "/USBTRANS/UNIT_ID.DAT", identity);
    return volume;
  }

  CTempFolder m_temp;
  std::string m_root;
};
