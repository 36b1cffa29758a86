#include "metadata/naming/NameRules.h"

#include "common/NativePath.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace tunewalk {

namespace {
// The translation context of the name checks.
class NameChecks {
    Q_DECLARE_TR_FUNCTIONS(NameChecks)
};

#ifdef Q_OS_LINUX
// The mount table's type for the file system on `device`: "fuseblk", "fuse.sshfs", ...
QByteArray mountType(dev_t device) {
    QFile table(QStringLiteral("/proc/self/mountinfo"));
    if (!table.open(QIODevice::ReadOnly)) return {};
    const QByteArray wanted =
        QByteArray::number(major(device)) + ':' + QByteArray::number(minor(device));
    // "id parent major:minor root point options [optional...] - type source ..."
    for (const QByteArray& line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype dash = fields.indexOf("-");
        if (fields.size() > 2 && fields[2] == wanted && dash > 0 && dash + 1 < fields.size())
            return fields[dash + 1];
    }
    return {};
}

bool foldsCase(const QByteArray& folder) {
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    int flags = 0;
    const bool folds = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_CASEFOLD_FL);
    ::close(fd);
    return folds;
}
#endif
} // namespace

NameRules nameRulesForType(const QByteArray& type) {
    static const QByteArray windowsTypes[] = {"vfat",    "msdos", "exfat", "ntfs",  "ntfs3",
                                              "fuseblk", "cifs",  "smb3",  "smbfs", "fuse.exfat"};
    for (const QByteArray& t : windowsTypes)
        if (type == t) return NameRules::windowsLike();
    if (type.startsWith("fuse.ntfs")) return NameRules::windowsLike();
    return {};
}

NameRules nameRulesFor(const QString& folder) {
#ifdef Q_OS_LINUX
    const QByteArray path = toNativePath(folder);
    struct statfs fs {};
    if (::statfs(path.constData(), &fs) != 0) return {};
    switch (static_cast<quint32>(fs.f_type)) {
    case 0x4D44:     // FAT
    case 0x2011BAB0: // exFAT
    case 0x5346544E: // NTFS
    case 0x517B:     // SMB
    case 0xFF534D42: // CIFS
    case 0xFE534D42: // SMB2
        return NameRules::windowsLike();
    case 0x65735546: { // FUSE: NTFS and exFAT drives, but also sshfs and the like
        struct stat st {};
        if (::stat(path.constData(), &st) == 0) {
            const NameRules rules = nameRulesForType(mountType(st.st_dev));
            if (rules.windows) return rules;
        }
        break;
    }
    default:
        break;
    }
    NameRules rules;
    rules.ignoresCase = foldsCase(path);
    return rules;
#else
    Q_UNUSED(folder);
    return NameRules::windowsLike();
#endif
}

QString nameProblem(const QString& name, const NameRules& rules) {
    if (name.trimmed().isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return NameChecks::tr("A name cannot be empty.");
    for (const QChar c : name)
        if (c == QLatin1Char('/') || c == QDir::separator() || c.category() == QChar::Other_Control)
            return NameChecks::tr(
                "A name cannot contain \"/\" or control characters such as a line break.");
    if (rules.windows) {
        for (const QChar c : name)
            if (QStringView(u"<>:\"\\|?*").contains(c))
                return NameChecks::tr("A name on this drive cannot contain %1.").arg(c);
        if (name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' ')))
            return NameChecks::tr("A name on this drive cannot end in a dot or a blank.");
    }
    if (const qsizetype bytes = toNativePath(name).size(); bytes > rules.maxBytes)
        return NameChecks::tr("A name cannot be longer than %1 bytes; this one has %2.")
            .arg(rules.maxBytes)
            .arg(bytes);
    return {};
}

} // namespace tunewalk
