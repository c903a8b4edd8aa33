// A temporary folder standing in for a machine's root: proc/self/mountinfo, sys/... and volumes.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

// Builds the pieces of /proc and /sys that the mount-table drive source reads, as the kernel lays
// them out: /sys/dev/block/M:m links into /sys/devices/.../block/<disk>[/<partition>], "subsystem"
// links naming the bus of each device on the way up. Removed with everything in it at the end.
class CFakeSystemTree {
 public:
  CFakeSystemTree() {
    std::string pattern = (std::filesystem::temp_directory_path() / "drv_tree_XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) m_root = pattern;
  }
  ~CFakeSystemTree() {
    std::error_code ignored;
    if (!m_root.empty()) std::filesystem::remove_all(m_root, ignored);
  }
  CFakeSystemTree(const CFakeSystemTree&) = delete;
  CFakeSystemTree& operator=(const CFakeSystemTree&) = delete;

  const std::string& Root() const { return m_root; }
  std::string Path(const std::string& absolute) const { return m_root + absolute; }

  void WriteFile(const std::string& absolute, const std::string& content) const {
    std::filesystem::create_directories(std::filesystem::path(Path(absolute)).parent_path());
    std::ofstream(Path(absolute), std::ios::binary | std::ios::trunc) << content;
  }
  void MakeFolder(const std::string& absolute) const { std::filesystem::create_directories(Path(absolute)); }
  void Link(const std::string& absolute, const std::string& target) const {
    std::filesystem::create_directories(std::filesystem::path(Path(absolute)).parent_path());
    std::filesystem::create_symlink(target, Path(absolute));
  }

  // A disk at /sys/devices/<device>/block/<disk>. Every folder of the device path names its bus
  // through a "subsystem" link: three from the folder numbered usbFrom on (a root hub, a USB device,
  // its interface) are on the USB bus, the others on PCI.
  std::string AddDisk(const std::string& device, const std::string& disk, unsigned major, unsigned minor,
                      bool removable, int usbFrom = -1) const {
    const std::string diskDir = "/sys/devices/" + device + "/block/" + disk;
    WriteFile(diskDir + "/removable", removable ? "1\n" : "0\n");
    WriteFile(diskDir + "/dev", std::to_string(major) + ":" + std::to_string(minor) + "\n");
    std::string level = "/sys/devices";
    std::size_t start = 0;
    for (int i = 0; start < device.size(); ++i) {
      auto slash = device.find('/', start);
      if (slash == std::string::npos) slash = device.size();
      level += "/" + device.substr(start, slash - start);
      start = slash + 1;
      const bool usb = usbFrom >= 0 && i >= usbFrom && i < usbFrom + 3;
      if (!std::filesystem::is_symlink(Path(level + "/subsystem"))) {
        Link(level + "/subsystem", usb ? "../../../bus/usb" : "../../../bus/pci");
      }
    }
    LinkDevice(major, minor, diskDir);
    return diskDir;
  }
  void AddPartition(const std::string& diskDir, const std::string& name, unsigned major, unsigned minor) const {
    WriteFile(diskDir + "/" + name + "/partition", "1\n");
    LinkDevice(major, minor, diskDir + "/" + name);
  }

  // One mountinfo line; the mount point is written as the kernel escapes it and created (decoded)
  // under the root, so the volume's files can live there.
  void AddMount(unsigned major, unsigned minor, const std::string& escapedMountPoint, const std::string& decoded,
                const std::string& root = "/", const std::string& optional = "shared:1") {
    m_mountInfo += std::to_string(++m_mountId) + " 1 " + std::to_string(major) + ":" + std::to_string(minor) + " " +
                   root + " " + escapedMountPoint + " rw,relatime " + optional + (optional.empty() ? "" : " ") +
                   "- vfat /dev/x rw\n";
    MakeFolder(decoded);
    WriteFile("/proc/self/mountinfo", m_mountInfo);
  }
  void SetMountInfo(const std::string& text) {
    m_mountInfo = text;
    WriteFile("/proc/self/mountinfo", m_mountInfo);
  }
  const std::string& MountInfo() const { return m_mountInfo; }

 private:
  void LinkDevice(unsigned major, unsigned minor, const std::string& dir) const {
    Link("/sys/dev/block/" + std::to_string(major) + ":" + std::to_string(minor), "../../.." + dir);
  }

  std::string m_root;
  std::string m_mountInfo;
  int m_mountId = 20;
};

// The machine the drive tests describe: a fixed disk, a built-in card reader, the unit on USB, a
// partition of a USB disk mounted at a path with a space, an SD card and built-in eMMC, a floppy,
// a bind mount and a second mount of the unit, and a file system without a disk. The card reader's
// card, the unit and the fixed disk have labels.
inline void BuildStandardMachine(CFakeSystemTree& tree) {
  tree.AddDisk("pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0", "sda", 8, 0, false);
  tree.AddPartition("/sys/devices/pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0/block/sda", "sda1", 8, 1);
  tree.AddDisk("pci0000:00/0000:00:1c.0/0000:02:00.0/host2/target2:0:0/2:0:0:0", "sdb", 8, 16, true);
  const std::string unit =
      tree.AddDisk("pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/host6/target6:0:0/6:0:0:0", "sdc", 8, 32, false, 2);
  tree.AddPartition(unit, "sdc1", 8, 33);
  const std::string usbDisk =
      tree.AddDisk("pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host7/target7:0:0/7:0:0:0", "sdd", 8, 48, false, 2);
  tree.AddPartition(usbDisk, "sdd2", 8, 50);
  const std::string sd = tree.AddDisk("platform/soc/mmc0/mmc_host/mmc0/mmc0:0001", "mmcblk0", 179, 0, false);
  tree.WriteFile("/sys/devices/platform/soc/mmc0/mmc_host/mmc0/mmc0:0001/type", "SD\n");
  tree.Link(sd + "/device", "../../../mmc0:0001");
  tree.AddPartition(sd, "mmcblk0p1", 179, 1);
  const std::string emmc = tree.AddDisk("platform/soc/mmc1/mmc_host/mmc1/mmc1:0001", "mmcblk1", 179, 8, false);
  tree.WriteFile("/sys/devices/platform/soc/mmc1/mmc_host/mmc1/mmc1:0001/type", "MMC\n");
  tree.Link(emmc + "/device", "../../../mmc1:0001");
  tree.AddPartition(emmc, "mmcblk1p1", 179, 9);
  tree.AddDisk("platform/floppy.0", "fd0", 2, 0, true);

  tree.Link("/dev/disk/by-label/MAPS\\x202024", "../../sdb");
  tree.Link("/dev/disk/by-label/NORVANTIS", "../../sdc1");
  tree.Link("/dev/disk/by-label/SYSTEM", "../../sda1");
  tree.AddMount(8, 1, "/", "/");
  tree.AddMount(8, 33, "/media/ann/NORVANTIS", "/media/ann/NORVANTIS");
  tree.AddMount(8, 16, "/media/ann/CARD", "/media/ann/CARD", "/", "");
  tree.AddMount(8, 50, "/media/ann/BACKUP\\040DISK", "/media/ann/BACKUP DISK", "/", "shared:7 master:2");
  tree.AddMount(179, 1, "/media/ann/SDCARD", "/media/ann/SDCARD");
  tree.AddMount(179, 9, "/boot/efi", "/boot/efi");
  tree.AddMount(2, 0, "/media/floppy", "/media/floppy");
  tree.AddMount(8, 16, "/mnt/bind", "/mnt/bind", "/sub");
  tree.AddMount(8, 33, "/mnt/again", "/mnt/again");
  tree.AddMount(0, 30, "/run/user/1000", "/run/user/1000");
}
