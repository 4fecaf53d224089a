// Which mounts the drive box offers on Linux: pseudo and system file systems left out, the
// root and the home folder always there, no duplicates, a fixed order.
#include <gtest/gtest.h>
#include <QDir>

#include "platform/linux/LinuxVolumes.h"

using namespace qvt;

namespace {

QStringList Roots(const std::vector<Volume>& volumes) {
  QStringList out;
  for (const Volume& v : volumes)
    out << v.root + "=" + v.name;
  return out;
}

MountEntry Mount(const char* root, const char* type, const char* label = "") {
  return {QString::fromUtf8(root), QString::fromUtf8(label), QByteArray(type), true, true};
}

}  // namespace

TEST(SelectUserVolumes, KeepsRealDevicesAndLeavesOutSystemMounts) {
  std::vector<MountEntry> mounts = {
      Mount("/", "ext4", "/"),
      Mount("/proc", "proc"),
      Mount("/sys/fs/cgroup", "cgroup2"),
      Mount("/dev/shm", "tmpfs"),
      Mount("/run/user/1000", "tmpfs"),
      Mount("/run/lock", "ext4"),
      Mount("/boot/efi", "vfat"),
      Mount("/snap/core/1", "squashfs"),
      Mount("/data", "overlay"),
      Mount("/media/ann/USB STICK", "vfat", "USB STICK"),
      Mount("/run/media/ann/CARD", "exfat", "/run/media/ann/CARD"),
      Mount("/mnt/music/", "ext4", ""),
      Mount("/mnt/music", "ext4", "again"),
      Mount("/home/ann", "ext4", "homefs"),
      Mount("/srv/gone", "ext4"),
  };
  mounts.back().ready = false;
  mounts.push_back(Mount("/srv/broken", "ext4"));
  mounts.back().valid = false;
  EXPECT_EQ(Roots(SelectUserVolumes("/home/ann/", mounts)),
            QStringList({"/=root", "/home/ann=home", "/media/ann/USB STICK=USB STICK",
                         "/mnt/music=music", "/run/media/ann/CARD=CARD"}));
}

TEST(SelectUserVolumes, HomeIsListedEvenWithoutMountsAndNotTwiceWhenItIsTheRoot) {
  EXPECT_EQ(Roots(SelectUserVolumes("/home/bo", {})), QStringList({"/=root", "/home/bo=home"}));
  EXPECT_EQ(Roots(SelectUserVolumes("/", {Mount("/", "ext4")})), QStringList({"/=root"}));
}

TEST(LinuxVolumes, TheRealListStartsWithRootAndHome) {
  const std::vector<Volume> volumes = LinuxVolumes().mounted();
  ASSERT_GE(volumes.size(), 1u);
  EXPECT_EQ(volumes[0].root, "/");
  EXPECT_EQ(volumes[0].name, "root");
  if (QDir::cleanPath(QDir::homePath()) != "/") {
    ASSERT_GE(volumes.size(), 2u);
    EXPECT_EQ(volumes[1].root, QDir::cleanPath(QDir::homePath()));
  }
  for (const Volume& v : volumes) {
    EXPECT_FALSE(v.root.startsWith("/proc") || v.root.startsWith("/sys")) << v.root.toStdString();
    EXPECT_FALSE(v.name.isEmpty());
  }
}
