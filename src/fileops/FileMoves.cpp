#include "common/FileMoves.h"

#include "common/PathRules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

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

// A free name beside `target` for a copy in progress: hidden, so no listing shows it meanwhile.
// An existing one (a leftover, or someone's file) is never touched: the next number is taken.
fs::path partName(const fs::path& target) {
    const fs::path folder = target.parent_path();
    const std::string stem = "." + target.filename().string() + ".tunewalk-part";
    std::error_code ec;
    for (int n = 1; n <= 100; ++n) {
        fs::path part = folder / (n == 1 ? stem : stem + std::to_string(n));
        if (!fs::exists(fs::symlink_status(part, ec))) return part;
    }
    return {};
}

// Copies one file to a part file, checks the copy has every byte and the source's modification
// time, and moves it into place: without replacing anything, or over `target` when asked. The
// part file goes again on any failure.
bool copyFileInto(const fs::path& source, const fs::path& target, bool replace, QString* why) {
    const fs::path part = partName(target);
    if (part.empty()) {
        *why = QObject::tr("no free name for the copy beside it");
        return false;
    }
    std::error_code ec;
    const auto fail = [&](const QString& reason) {
        *why = reason;
        std::error_code ignored;
        fs::remove(part, ignored);
        return false;
    };
    if (!fs::copy_file(source, part, fs::copy_options::none, ec)) {
        // A copy_file that failed half-way (a full disk) may have made the part file.
        return fail(describe(ec));
    }
    const auto expected = fs::file_size(source, ec);
    const auto copied = ec ? 0 : fs::file_size(part, ec);
    if (ec || copied != expected)
        return fail(ec ? describe(ec) : QObject::tr("the copy is incomplete"));
    fs::last_write_time(part, fs::last_write_time(source, ec), ec);
    if (replace) {
        fs::rename(part, target, ec);
        if (ec) return fail(describe(ec));
        return true;
    }
    int error = 0;
    if (!renameNoReplace(part, target, &error))
        return fail(describe(std::error_code(error, std::generic_category())));
    return true;
}

// What a folder copy made, in the order it made it: (source, copy) pairs. Undone backwards, so
// what is inside a folder goes before the folder.
using CopyLog = std::vector<std::pair<fs::path, fs::path>>;

// Copies a folder tree to `target`, which must not exist yet. The folder is read by its raw
// names, so a name that is not valid text is copied like any other. Links are copied as links;
// anything that is neither file, folder nor link (a pipe, a device) stops the copy.
bool copyTree(const fs::path& source, const fs::path& target, CopyLog& log, QString* why) {
    std::error_code ec;
    if (!fs::create_directory(target, ec) || ec) {
        *why = ec ? describe(ec) : QObject::tr("it already exists");
        return false;
    }
    log.emplace_back(source, target);
    for (fs::directory_iterator it(source, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path from = it->path(), to = target / from.filename();
        const auto status = fs::symlink_status(from, ec);
        if (ec) break;
        if (fs::is_symlink(status)) {
            fs::copy_symlink(from, to, ec);
            if (ec) break;
            log.emplace_back(from, to);
        } else if (fs::is_directory(status)) {
            if (!copyTree(from, to, log, why)) return false;
        } else if (fs::is_regular_file(status)) {
            if (!copyFileInto(from, to, false, why)) return false;
            log.emplace_back(from, to);
        } else {
            *why = QObject::tr("\"%1\" is not a file or folder that can be copied")
                       .arg(QFile::decodeName(from.native().c_str()));
            return false;
        }
    }
    if (ec) {
        *why = describe(ec);
        return false;
    }
    fs::last_write_time(target, fs::last_write_time(source, ec), ec);
    return true;
}

// Removes, backwards, one side of what a copy made: never forced, so a folder that gained an
// entry meanwhile (a file written into it during the copy) stays with that entry.
bool undo(const CopyLog& log, bool sources, QString* why) {
    bool all = true;
    for (auto it = log.rbegin(); it != log.rend(); ++it) {
        std::error_code ec;
        fs::remove(sources ? it->first : it->second, ec);
        if (ec && all) {
            *why = describe(ec);
            all = false;
        }
    }
    return all;
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
    if (renameNoReplace(native(source), native(target), &error)) return outcome;
    if (error != EXDEV) {
        outcome.fail(
            cannotMove(source, target, describe(std::error_code(error, std::generic_category()))));
        return outcome;
    }

    // Another file system: copy, check, and only then let go of the source; the source goes
    // entry by entry, only what was copied.
    QString why;
    std::error_code ec;
    const fs::path from_ = native(source), to = native(target);
    CopyLog log;
    if (from.isSymLink()) {
        fs::copy_symlink(from_, to, ec);
        if (ec)
            why = describe(ec);
        else
            log.emplace_back(from_, to);
    } else if (from.isDir()) {
        QString ignored;
        // Only what this move made is taken back; a target that was there is never touched.
        if (!copyTree(from_, to, log, &why)) undo(log, false, &ignored);
    } else if (copyFileInto(from_, to, false, &why)) {
        log.emplace_back(from_, to);
    }
    if (!why.isEmpty()) {
        outcome.fail(cannotMove(source, target, why));
        return outcome;
    }
    if (!undo(log, true, &why))
        outcome.fail(QObject::tr("\"%1\" was copied to \"%2\" but could not be removed: %3")
                         .arg(source, target, why));
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
    if (!copyFileInto(native(source), native(target), true, &why)) {
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
