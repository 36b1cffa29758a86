#include "shell/QtShellOperations.h"

#include "shell/DesktopProperties.h"
#include "shell/Prompter.h"
#include "shell/PropertiesDialog.h"
#include "shell/SystemInfo.h"
#include "shell/Trash.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <QWidget>
#include <filesystem>
#include <system_error>
#include <vector>

namespace tunewalk {

namespace fs = std::filesystem;

namespace {

using Icon = Prompter::Icon;
using Buttons = Prompter::Buttons;
using Answer = Prompter::Answer;

fs::path native(const QString& path) {
    return fs::path(path.toStdU16String());
}

QString describe(const std::error_code& error) {
    return QString::fromLocal8Bit(error.message());
}

// With a trailing separator a link to a folder would stand for the folder it points to.
QString withoutTrailingSeparator(const QString& path) {
    QString p = QDir::fromNativeSeparators(path);
    while (p.size() > 1 && p.endsWith(QLatin1Char('/')) && !p.endsWith(QLatin1String(":/")))
        p.chop(1);
    return p;
}

// Looks at the item itself, not through it when it is a link. Any other trouble in looking is
// for the removal itself to describe.
bool missing(const QString& path) {
    std::error_code ec;
    return fs::symlink_status(native(path), ec).type() == fs::file_type::not_found;
}

// Files go, folders go with everything in them, links go as links (remove_all never follows
// one, neither the item itself nor any link inside a folder).
bool removePermanently(const QString& path, QString* why) {
    std::error_code ec;
    fs::remove_all(native(path), ec);
    if (!ec) return true;
    *why = describe(ec);
    return false;
}

QString displayName(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    return name.isEmpty() ? QDir::toNativeSeparators(path) : name;
}

struct Trouble {
    QString path, why;
};

QString listed(const std::vector<Trouble>& troubles) {
    QStringList lines;
    for (const Trouble& t : troubles)
        lines << QStringLiteral("\"%1\": %2").arg(QDir::toNativeSeparators(t.path), t.why);
    return lines.join(QLatin1Char('\n'));
}

QString confirmation(const QStringList& items, bool permanent) {
    if (items.size() == 1) {
        const QString name = displayName(items.front());
        return permanent
                   ? QObject::tr("Are you sure you want to permanently delete \"%1\"?").arg(name)
                   : QObject::tr("Are you sure you want to move \"%1\" to the %2?")
                         .arg(name, trashName());
    }
    return permanent ? QObject::tr("Are you sure you want to permanently delete these %1 items?")
                           .arg(items.size())
                     : QObject::tr("Are you sure you want to move these %1 items to the %2?")
                           .arg(items.size())
                           .arg(trashName());
}

QString permanentInstead(const std::vector<Trouble>& refused) {
    if (refused.size() == 1)
        return QObject::tr("\"%1\" cannot be moved to the %2: %3.\n\nDelete it permanently?")
            .arg(QDir::toNativeSeparators(refused.front().path), trashName(), refused.front().why);
    return QObject::tr("These %1 items cannot be moved to the %2:\n\n%3\n\nDelete them "
                       "permanently?")
        .arg(refused.size())
        .arg(trashName(), listed(refused));
}

QString failureText(const std::vector<Trouble>& failed, bool permanent) {
    if (failed.size() == 1) {
        const QString path = QDir::toNativeSeparators(failed.front().path);
        return permanent ? QObject::tr("Cannot delete \"%1\": %2.").arg(path, failed.front().why)
                         : QObject::tr("Cannot move \"%1\" to the %2: %3.")
                               .arg(path, trashName(), failed.front().why);
    }
    return permanent ? QObject::tr("Cannot delete these %1 items:\n\n%2")
                           .arg(failed.size())
                           .arg(listed(failed))
                     : QObject::tr("Cannot move these %1 items to the %2:\n\n%3")
                           .arg(failed.size())
                           .arg(trashName(), listed(failed));
}

} // namespace

ShellOperations::DeleteResult QtShellOperations::ShellDelete(const QStringList& paths,
                                                             bool noConfirmation, bool permanent) {
    QStringList items;
    for (const QString& path : paths)
        if (!path.isEmpty()) items << withoutTrailingSeparator(path);
    items.removeDuplicates();
    if (items.isEmpty()) return DeleteResult::Deleted;
    if (!noConfirmation && m_prompter.message(confirmation(items, permanent), Icon::Question,
                                              Buttons::YesNo) != Answer::Yes)
        return DeleteResult::Cancelled;

    qsizetype gone = 0;
    std::vector<Trouble> failed;
    std::vector<Trouble> refused; // what the Trash would not take
    for (const QString& item : items) {
        QString why;
        if (missing(item)) {
            failed.push_back({item, QObject::tr("it no longer exists")});
            continue;
        }
        if (permanent ? removePermanently(item, &why) : moveToTrash(item, &why))
            ++gone;
        else
            (permanent ? failed : refused).push_back({item, why});
    }
    // The user asked for the Trash: nothing is destroyed instead without their word.
    if (!refused.empty() && m_prompter.message(permanentInstead(refused), Icon::Exclamation,
                                               Buttons::YesNo) == Answer::Yes) {
        for (const Trouble& item : refused) {
            QString why;
            if (removePermanently(item.path, &why))
                ++gone;
            else
                failed.push_back({item.path, why});
        }
    }
    if (!failed.empty()) m_prompter.error(failureText(failed, permanent));

    if (gone == items.size()) return DeleteResult::Deleted;
    if (gone == 0 && failed.empty()) return DeleteResult::Cancelled; // only kept by the user
    return DeleteResult::Failed;
}

void QtShellOperations::ShowFileProperties(const QString& path, QWidget* owner) {
    const QString item = withoutTrailingSeparator(path);
    if (missing(item)) return;
    const auto ownDialog = [item, owner = QPointer<QWidget>(owner), hadOwner = owner != nullptr] {
        if (hadOwner && !owner) return; // the window closed while the file manager answered
        // The same item asked for twice: its open sheet comes forward.
        if (owner) {
            for (auto* open : owner->findChildren<PropertiesDialog*>(Qt::FindDirectChildrenOnly)) {
                if (open->path() == item) {
                    open->raise();
                    open->activateWindow();
                    return;
                }
            }
        }
        auto* dialog = new PropertiesDialog(item, owner);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->show();
    };
    if (!showPropertiesOnDesktop(item, ownDialog)) ownDialog();
}

} // namespace tunewalk

namespace tunewalk {

namespace {
// The desktop's opener (xdg-open) is started detached and reports a type that no program takes
// only on its own output, too late to tell the user; so where the desktop's MIME registry can be
// asked, ask it first.
bool noProgramRegistered(const QString& path) {
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty()) return false; // cannot tell: the opener will
    QProcess query;
    query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"),
                          QMimeDatabase().mimeTypeForFile(path).name()});
    if (!query.waitForFinished(3000)) {
        query.kill();
        return false;
    }
    return query.exitStatus() == QProcess::NormalExit && query.exitCode() == 0 &&
           query.readAllStandardOutput().trimmed().isEmpty();
}
} // namespace

bool QtShellOperations::openWithRegisteredProgram(const QString& path,
                                                  const QString& workingFolder) {
    // The desktop's opener starts the program in its own folder; the working folder only
    // matters where the shell takes one.
    Q_UNUSED(workingFolder);
    if (noProgramRegistered(path)) return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool QtShellOperations::startSystemInfo() {
    return tunewalk::startSystemInfo();
}

} // namespace tunewalk
