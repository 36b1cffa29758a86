#include "shell/Volumes.h"

#include "common/PathRules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStorageInfo>

namespace tunewalk {

namespace {

// Kernel and desktop plumbing that holds no one's music.
const QSet<QByteArray> PseudoTypes = {
    "proc",        "sysfs",         "devtmpfs",    "devpts",   "tmpfs",
    "cgroup",      "cgroup2",       "securityfs",  "pstore",   "bpf",
    "debugfs",     "tracefs",       "configfs",    "fusectl",  "mqueue",
    "hugetlbfs",   "autofs",        "binfmt_misc", "squashfs", "nsfs",
    "ramfs",       "efivarfs",      "rpc_pipefs",  "overlay",  "fuse.gvfsd-fuse",
    "fuse.portal", "fuse.snapfuse", "selinuxfs",
};

const QSet<QByteArray> NetworkTypes = {
    "nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs", "sshfs", "9p", "davfs", "fuse.davfs",
};

const QSet<QByteArray> OpticalTypes = {"iso9660", "udf"};

bool under(const QString& path, const QString& folder) {
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

bool isSystemMount(const QString& root) {
    if (under(root, QStringLiteral("/run/media"))) return false;
    // /boot and the EFI partition hold the system's start-up files, never a music folder.
    for (const char* folder : {"/proc", "/sys", "/dev", "/run", "/snap", "/boot", "/var/snap"}) {
        if (under(root, QLatin1String(folder))) return true;
    }
    return false;
}

// Best effort: the kernel's removable flag of the disk that holds `device` (/dev/sdb1).
bool kernelSaysRemovable(const QByteArray& device) {
    const QString node = QFileInfo(QString::fromLocal8Bit(device)).canonicalFilePath();
    if (!node.startsWith(QLatin1String("/dev/"))) return false;
    // /sys/class/block/sdb1 links to .../block/sdb/sdb1: a partition's disk is its parent.
    QString sys = QFileInfo(QStringLiteral("/sys/class/block/") + node.mid(5)).canonicalFilePath();
    for (int level = 0; level < 2 && !sys.isEmpty(); ++level) {
        QFile flag(sys + QStringLiteral("/removable"));
        if (flag.open(QIODevice::ReadOnly)) return flag.read(1) == "1";
        sys = QFileInfo(sys).path();
    }
    return false;
}

QString iconKeyFor(const QStorageInfo& info, const QString& mountPoint) {
    const QByteArray type = info.fileSystemType();
    if (NetworkTypes.contains(type)) return QStringLiteral("NetDrive");
    if (OpticalTypes.contains(type)) return QStringLiteral("CD");
    if (under(mountPoint, QStringLiteral("/media")) ||
        under(mountPoint, QStringLiteral("/run/media")))
        return QStringLiteral("Floppy");
    if ((type == "vfat" || type == "exfat") && kernelSaysRemovable(info.device()))
        return QStringLiteral("Floppy");
    return QStringLiteral("Drive");
}

QString withSeparator(const QString& path) {
    QString root = QDir::toNativeSeparators(path);
    if (!root.endsWith(QDir::separator())) root += QDir::separator();
    return root;
}

QString withoutSeparator(const QString& path) {
    QString p = path;
    while (p.size() > 1 && (p.endsWith(QLatin1Char('/')) || p.endsWith(QDir::separator())))
        p.chop(1);
    return p;
}

} // namespace

QList<Volume> mountedVolumes() {
    const QString home = QDir::homePath();
    QList<Volume> volumes;
    QSet<QString> seen;
    for (const QStorageInfo& info : QStorageInfo::mountedVolumes()) {
        const QString mountPoint = info.rootPath();
        const bool isRoot = info.isRoot();
        if (!isRoot && mountPoint != home) {
            if (PseudoTypes.contains(info.fileSystemType()) || isSystemMount(mountPoint)) continue;
            // Containers bind single files (/etc/hosts) as mounts; only folders are volumes.
            if (!QFileInfo(mountPoint).isDir()) continue;
        }
        const QString root = withSeparator(mountPoint);
        // A folder mounted over another appears twice; the folder tree needs one entry.
        if (seen.contains(root)) continue;
        seen.insert(root);

        Volume volume{root, iconKeyFor(info, mountPoint),
                      info.name().isEmpty() ? root : info.name(),
                      info.isReady() && QDir(root).isReadable()};
        if (isRoot)
            volumes.prepend(volume);
        else
            volumes.append(volume);
    }
    return volumes;
}

bool isVolumeRoot(const QString& path) {
    if (path.isEmpty()) return false;
    const QString bare = withoutSeparator(QDir::toNativeSeparators(path));
    for (const Volume& volume : mountedVolumes()) {
        if (samePath(withoutSeparator(volume.root), bare)) return true;
    }
    return false;
}

} // namespace tunewalk
