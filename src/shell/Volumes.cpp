#include "shell/Volumes.h"

#include "common/Detached.h"

#include "common/PathRules.h"
#include "common/ReturnAddress.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStorageInfo>
#include <QTimer>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <utility>
#include <vector>

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
    // /boot and the EFI partition hold the system's start-up files, never a music folder;
    // containers bind single files into /etc (hosts, resolv.conf).
    for (const char* folder :
         {"/proc", "/sys", "/dev", "/run", "/snap", "/boot", "/var/snap", "/etc"}) {
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

QString iconKeyFor(const QByteArray& type, const QByteArray& device, const QString& mountPoint) {
    if (NetworkTypes.contains(type)) return QStringLiteral("NetDrive");
    if (OpticalTypes.contains(type)) return QStringLiteral("CD");
    if (under(mountPoint, QStringLiteral("/media")) ||
        under(mountPoint, QStringLiteral("/run/media")))
        return QStringLiteral("Floppy");
    if ((type == "vfat" || type == "exfat") && kernelSaysRemovable(device))
        return QStringLiteral("Floppy");
    return QStringLiteral("Drive");
}

// The mount table escapes blanks, tabs, new lines and backslashes in paths as \ooo.
QByteArray unescape(const QByteArray& field) {
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        bool octal = field[i] == '\\' && i + 3 < field.size();
        for (qsizetype d = 1; octal && d <= 3; ++d)
            octal = field[i + d] >= '0' && field[i + d] <= '7';
        if (!octal) {
            out += field[i];
            continue;
        }
        out +=
            char(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0'));
        i += 3;
    }
    return out;
}

struct Mount {
    QString point;
    QByteArray type, device;
};

// /proc/self/mountinfo: "id parent dev root point options [optional...] - type source ...".
// Reading it asks the kernel only; QStorageInfo::mountedVolumes would statfs every mount.
QList<Mount> mountTable() {
    QList<Mount> mounts;
    QFile table(QStringLiteral("/proc/self/mountinfo"));
    if (!table.open(QIODevice::ReadOnly)) return mounts;
    for (const QByteArray& line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype dash = fields.indexOf("-");
        if (fields.size() < 5 || dash < 6 || dash + 2 >= fields.size()) continue;
        mounts.append({QString::fromLocal8Bit(unescape(fields[4])), unescape(fields[dash + 1]),
                       unescape(fields[dash + 2])});
    }
    return mounts;
}

// Runs on a worker: every call here may hang on a dead mount.
std::optional<Volume> checkVolume(Volume volume) {
    const QFileInfo info(withoutSeparator(volume.root));
    // Containers bind single files (/etc/hosts) as mounts; only folders are volumes. A mount
    // that cannot even be looked at (a dead FUSE mount) is one, just not ready.
    if (info.exists() && !info.isDir()) return std::nullopt;
    const QStorageInfo storage(volume.root);
    volume.ready = info.isDir() && storage.isReady() && QDir(volume.root).isReadable();
    if (!storage.name().isEmpty()) volume.label = storage.name();
    return volume;
}

// The mounts being checked right now, by any gathering.
struct Checking {
    std::mutex mutex;
    std::set<QString> roots;
};
Checking& checking() {
    static Checking instance;
    return instance;
}

// Collects the workers' answers on the context's thread; a child of the context, so it goes
// with it, and closing its address then drops whatever the workers still send.
class Gathering : public QObject {
public:
    Gathering(QList<Volume> mounts, int limitMs, QObject* context,
              std::function<void(QList<Volume>)> done)
        : QObject(context), m_address(ReturnAddress::to(this)), m_mounts(std::move(mounts)),
          m_answers(m_mounts.size()), m_done(std::move(done)) {
        QTimer::singleShot(limitMs, this, [this] { finish(); });
        if (m_mounts.isEmpty())
            QMetaObject::invokeMethod(
                this, [this] { finish(); }, Qt::QueuedConnection);
    }
    ~Gathering() override { m_address->close(); }

    void start(const VolumeCheck& check) {
        for (qsizetype i = 0; i < m_mounts.size(); ++i) {
            // A mount whose last check has not come back is not asked again: each ask would
            // leave one more thread hanging on it. It stays silent, so it counts as not ready.
            const QString root = m_mounts[i].root;
            {
                std::lock_guard lock(checking().mutex);
                if (!checking().roots.insert(root).second) continue;
            }
            runDetached([address = m_address, check, volume = m_mounts[i], i, this, root] {
                std::optional<Volume> answer = check(volume);
                {
                    std::lock_guard lock(checking().mutex);
                    checking().roots.erase(root);
                }
                address->post([this, i, answer = std::move(answer)] {
                    m_answers[i] = answer ? *answer : Volume{};
                    if (++m_answered == m_mounts.size()) finish();
                });
            }); // never joined: a dead mount keeps its thread forever
        }
    }

private:
    void finish() {
        if (m_finished) return;
        m_finished = true;
        m_address->close();
        QList<Volume> volumes;
        for (qsizetype i = 0; i < m_mounts.size(); ++i) {
            if (!m_answers[i]) {
                Volume silent = m_mounts[i]; // no answer in time: not ready
                silent.ready = false;
                volumes.append(silent);
            } else if (!m_answers[i]->root.isEmpty()) {
                volumes.append(*m_answers[i]);
            }
        }
        m_done(volumes);
        deleteLater();
    }

    std::shared_ptr<ReturnAddress> m_address;
    QList<Volume> m_mounts;
    std::vector<std::optional<Volume>> m_answers; // an empty root: no volume at all
    qsizetype m_answered = 0;
    bool m_finished = false;
    std::function<void(QList<Volume>)> m_done;
};

} // namespace

QList<Volume> mountedVolumes() {
    const QString home = QDir::homePath();
    QList<Volume> volumes;
    QSet<QString> seen;
    for (const Mount& mount : mountTable()) {
        const bool isRoot = mount.point == QLatin1String("/");
        if (!isRoot && mount.point != home &&
            (PseudoTypes.contains(mount.type) || isSystemMount(mount.point)))
            continue;
        const QString root = withSeparator(mount.point);
        // A folder mounted over another appears twice; the folder tree needs one entry.
        if (seen.contains(root)) continue;
        seen.insert(root);
        const Volume volume{root, iconKeyFor(mount.type, mount.device, mount.point), root, true};
        if (isRoot)
            volumes.prepend(volume);
        else
            volumes.append(volume);
    }
    return volumes;
}

void gatherVolumes(QObject* context, std::function<void(QList<Volume>)> done) {
    gatherVolumes(mountedVolumes(), checkVolume, 1500, context, std::move(done));
}

void gatherVolumes(QList<Volume> mounts, VolumeCheck check, int limitMs, QObject* context,
                   std::function<void(QList<Volume>)> done) {
    auto* gathering = new Gathering(std::move(mounts), limitMs, context, std::move(done));
    gathering->start(check);
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
