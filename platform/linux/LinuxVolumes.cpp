#include "platform/linux/LinuxVolumes.h"

#include <QDir>
#include <QStorageInfo>
#include <algorithm>
#include <array>

namespace qvt {

namespace {

bool IsPseudoFileSystem(const QByteArray& type) {
  static const std::array<const char*, 22> kPseudo = {
      "proc",        "sysfs",  "tmpfs",   "devtmpfs",  "overlay",  "squashfs",
      "autofs",      "devpts", "mqueue",  "debugfs",   "tracefs",  "securityfs",
      "pstore",      "bpf",    "fusectl", "configfs",  "efivarfs", "hugetlbfs",
      "binfmt_misc", "nsfs",   "ramfs",   "rpc_pipefs"};
  if (type.startsWith("cgroup"))
    return true;
  return std::any_of(kPseudo.begin(), kPseudo.end(),
                     [&type](const char* pseudo) { return type == pseudo; });
}

bool IsBelow(const QString& path, const QString& folder) {
  return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

bool IsSystemRoot(const QString& root) {
  if (IsBelow(root, QStringLiteral("/run/media")))
    return false;
  static const std::array<const char*, 6> kSystem = {"/proc", "/sys",  "/dev",
                                                     "/run",  "/boot", "/snap"};
  return std::any_of(kSystem.begin(), kSystem.end(),
                     [&root](const char* folder) { return IsBelow(root, QLatin1String(folder)); });
}

QString NameOf(const MountEntry& mount) {
  if (!mount.displayName.isEmpty() && mount.displayName != mount.root)
    return mount.displayName;
  const QString last = mount.root.section(QLatin1Char('/'), -1);
  return last.isEmpty() ? mount.root : last;
}

}  // namespace

std::vector<Volume> SelectUserVolumes(const QString& home, const std::vector<MountEntry>& mounts) {
  const QString rootPath = QStringLiteral("/");
  const QString homePath = QDir::cleanPath(home);
  std::vector<Volume> out{{rootPath, QStringLiteral("root"), true}};
  if (!homePath.isEmpty() && homePath != rootPath)
    out.push_back({homePath, QStringLiteral("home"), true});
  std::vector<Volume> others;
  for (const MountEntry& mount : mounts) {
    const QString root = QDir::cleanPath(mount.root);
    if (!mount.valid || !mount.ready || root.isEmpty() ||
        IsPseudoFileSystem(mount.fileSystemType) || IsSystemRoot(root))
      continue;
    const auto same = [&root](const Volume& v) { return v.root == root; };
    if (std::any_of(out.begin(), out.end(), same) ||
        std::any_of(others.begin(), others.end(), same))
      continue;
    MountEntry named = mount;
    named.root = root;
    others.push_back({root, NameOf(named), true});
  }
  std::sort(others.begin(), others.end(),
            [](const Volume& a, const Volume& b) { return a.root < b.root; });
  out.insert(out.end(), others.begin(), others.end());
  return out;
}

std::vector<Volume> LinuxVolumes::mounted() {
  std::vector<MountEntry> mounts;
  const QList<QStorageInfo> volumes = QStorageInfo::mountedVolumes();
  for (const QStorageInfo& info : volumes) {
    mounts.push_back({info.rootPath(), info.displayName(), info.fileSystemType(), info.isValid(),
                      info.isReady()});
  }
  return SelectUserVolumes(QDir::homePath(), mounts);
}

}  // namespace qvt
