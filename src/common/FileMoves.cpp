#include "common/FileMoves.h"

#include "common/PathRules.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace tunewalk {

namespace fs = std::filesystem;

namespace {

fs::path native(const QString& path) {
    return fs::path(path.toStdU16String());
}

QString describe(const std::error_code& error) {
    return QString::fromLocal8Bit(error.message());
}

QString cannotMove(const QString& source, const QString& target, const QString& why) {
    return QObject::tr("Cannot move \"%1\" to \"%2\": %3").arg(source, target, why);
}

// A name beside `target` for a copy in progress: hidden, so no listing shows it meanwhile.
QString partName(const QString& target) {
    return joinPath(parentPath(target),
                    QLatin1Char('.') + fileNamePart(target) + QStringLiteral(".tunewalk-part"));
}

// Copies one file to `part`, checks the copy has every byte and the source's modification
// time, and moves it into place: without replacing anything, or over `target` when asked.
bool copyFileInto(const QString& source, const QString& target, bool replace, QString* why) {
    const QString part = partName(target);
    std::error_code ec;
    fs::remove(native(part), ec); // a leftover of an interrupted copy
    if (!fs::copy_file(native(source), native(part), fs::copy_options::none, ec)) {
        *why = describe(ec);
        return false;
    }
    const auto expected = fs::file_size(native(source), ec);
    const auto copied = ec ? 0 : fs::file_size(native(part), ec);
    if (ec || copied != expected) {
        *why = ec ? describe(ec) : QObject::tr("the copy is incomplete");
        fs::remove(native(part), ec);
        return false;
    }
    fs::last_write_time(native(part), fs::last_write_time(native(source), ec), ec);
    bool placed = false;
    if (replace) {
        fs::rename(native(part), native(target), ec);
        placed = !ec;
        if (ec) *why = describe(ec);
    } else {
        int error = 0;
        placed = renameNoReplace(part, target, &error);
        if (!placed) *why = describe(std::error_code(error, std::generic_category()));
    }
    if (!placed) fs::remove(native(part), ec);
    return placed;
}

// Copies a folder tree that does not exist at `target` yet. Symbolic links are copied as links.
bool copyTree(const QString& source, const QString& target, QString* why) {
    std::error_code ec;
    if (!fs::create_directory(native(target), ec) || ec) {
        *why = ec ? describe(ec) : QObject::tr("it already exists");
        return false;
    }
    const QDir dir(source);
    const auto entries =
        dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        const QString to = joinPath(target, entry.fileName());
        if (entry.isSymLink()) {
            fs::copy_symlink(native(entry.filePath()), native(to), ec);
            if (ec) {
                *why = describe(ec);
                return false;
            }
        } else if (entry.isDir()) {
            if (!copyTree(entry.filePath(), to, why)) return false;
        } else if (!copyFileInto(entry.filePath(), to, false, why)) {
            return false;
        }
    }
    fs::last_write_time(native(target), fs::last_write_time(native(source), ec), ec);
    return true;
}

bool isWithin(const QString& path, const QString& folder) {
    return samePath(path, folder) || pathIsWithin(path, folder);
}

} // namespace

MoveOutcome moveItem(const QString& source, const QString& target) {
    MoveOutcome outcome;
    const QFileInfo from(source);
    if (!from.exists() && !from.isSymLink()) {
        outcome.fail(cannotMove(source, target, QObject::tr("it no longer exists")));
        return outcome;
    }
    if (from.isDir() && !from.isSymLink() && isWithin(target, source)) {
        outcome.fail(cannotMove(source, target, QObject::tr("a folder cannot move into itself")));
        return outcome;
    }
    int error = 0;
    if (renameNoReplace(source, target, &error)) return outcome;
    if (error != EXDEV) {
        outcome.fail(
            cannotMove(source, target, describe(std::error_code(error, std::generic_category()))));
        return outcome;
    }

    // Another file system: copy, check, and only then let go of the source.
    QString why;
    std::error_code ec;
    if (from.isSymLink()) {
        fs::copy_symlink(native(source), native(target), ec);
        if (ec) why = describe(ec);
    } else if (from.isDir()) {
        if (!copyTree(source, target, &why)) fs::remove_all(native(target), ec);
    } else {
        copyFileInto(source, target, false, &why);
    }
    if (!why.isEmpty()) {
        outcome.fail(cannotMove(source, target, why));
        return outcome;
    }
    fs::remove_all(native(source), ec);
    if (ec)
        outcome.fail(QObject::tr("\"%1\" was copied to \"%2\" but could not be removed: %3")
                         .arg(source, target, describe(ec)));
    return outcome;
}

MoveOutcome replaceFile(const QString& source, const QString& target) {
    MoveOutcome outcome;
    if (!QFileInfo::exists(source)) {
        outcome.fail(cannotMove(source, target, QObject::tr("it no longer exists")));
        return outcome;
    }
    if (samePath(source, target)) return outcome;
    std::error_code ec;
    fs::rename(native(source), native(target), ec);
    if (!ec) return outcome;
    if (ec != std::errc::cross_device_link) {
        outcome.fail(cannotMove(source, target, describe(ec)));
        return outcome;
    }
    QString why;
    if (!copyFileInto(source, target, true, &why)) {
        outcome.fail(cannotMove(source, target, why));
        return outcome;
    }
    fs::remove(native(source), ec);
    if (ec)
        outcome.fail(QObject::tr("\"%1\" was copied to \"%2\" but could not be removed: %3")
                         .arg(source, target, describe(ec)));
    return outcome;
}

MoveOutcome mergeFolder(const QString& source, const QString& target) {
    MoveOutcome outcome;
    if (isWithin(target, source)) {
        outcome.fail(cannotMove(source, target, QObject::tr("a folder cannot move into itself")));
        return outcome;
    }
    const QDir dir(source);
    const auto entries =
        dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        const QString to = joinPath(target, entry.fileName());
        const QFileInfo existing(to);
        const bool sourceIsDir = entry.isDir() && !entry.isSymLink();
        if (!existing.exists() && !existing.isSymLink()) {
            outcome.absorb(moveItem(entry.filePath(), to));
        } else if (sourceIsDir && existing.isDir() && !existing.isSymLink()) {
            outcome.absorb(mergeFolder(entry.filePath(), to));
        } else if (!sourceIsDir && existing.isFile()) {
            outcome.absorb(replaceFile(entry.filePath(), to));
        } else {
            outcome.fail(cannotMove(entry.filePath(), to,
                                    sourceIsDir ? QObject::tr("a file of that name is there")
                                                : QObject::tr("a folder of that name is there")));
        }
    }
    if (outcome.ok) {
        std::error_code ec;
        fs::remove(native(source), ec); // empty by now; never forced
        if (ec)
            outcome.fail(QObject::tr("\"%1\" could not be removed: %2").arg(source, describe(ec)));
    }
    return outcome;
}

} // namespace tunewalk
