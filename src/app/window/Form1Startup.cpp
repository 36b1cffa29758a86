// Start-up, the settings, and shut-down.
#include "app/window/Form1.h"

#include "common/Detached.h"

#include "app/listing/FolderListing.h"
#include "app/listing/FolderModel.h"
#include "app/listing/ListingExport.h"
#include "common/NativePath.h"
#include "common/PathRules.h"
#include "common/ReturnAddress.h"
#include "common/SettingsStore.h"
#include "common/Twips.h"
#include "foldertree/Treefolder.h"
#include "shell/Prompter.h"
#include "shell/TrayIcon.h"
#include "shell/WindowPlacement.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QStandardPaths>
#include <QStyle>
#include <QTreeView>
#include <QTreeWidget>
#include <algorithm>
#include <cmath>
#include <thread>

namespace tunewalk {

const char* columnKey(int column); // Form1.cpp

namespace {

QString stripQuotes(QString text) {
    if (text.startsWith(QLatin1Char('"'))) text.remove(0, 1);
    if (text.endsWith(QLatin1Char('"'))) text.chop(1);
    return text;
}

bool onlyIfTrue(const QString& value) {
    return value == QLatin1String("True");
}
bool unlessFalse(const QString& value) {
    return value != QLatin1String("False");
}
} // namespace

QString commandLineOf(const QStringList& arguments, const QString& workingFolder) {
    const QString joined = arguments.join(QLatin1Char(' '));
    // A file manager's Open With gives each chosen item as an argument of its own; joined, they
    // would name nothing, so the first is taken. A path typed with blanks and no quotes arrives
    // in pieces too, and joined it names something: that stays.
    const QDir here(workingFolder);
    if (arguments.size() > 1 && !QFileInfo::exists(here.absoluteFilePath(joined)) &&
        QFileInfo::exists(here.absoluteFilePath(arguments.first())))
        return arguments.first();
    return joined;
}

StartChoice chooseStartFolder(const QString& commandLine, const QString& defaultPath,
                              const QString& fallbackFolder, const QString& workingFolder) {
    // A relative path means what it meant where the program was started.
    const auto absolute = [&workingFolder](const QString& path) {
        return workingFolder.isEmpty() || path.isEmpty()
                   ? path
                   : QDir(workingFolder).absoluteFilePath(path);
    };
    StartChoice choice{defaultPath, {}, {}};
    if (!commandLine.isEmpty()) {
        QString text = stripQuotes(commandLine);
        // An unquoted path with a blank in it only counts when it exists as a whole; otherwise
        // what follows the first blank is taken for further arguments.
        if (!QFileInfo::exists(absolute(text))) {
            const auto blank = text.indexOf(QLatin1Char(' '));
            if (blank >= 0) text = text.left(blank);
        }
        text = absolute(stripQuotes(text));
        const QFileInfo info(text);
        if (text.isEmpty()) {
            choice.folder.clear();
        } else if (info.isDir()) {
            choice.folder = text;
        } else {
            choice.folder = info.absolutePath();
            if (audioKindOf(text))
                choice.pendingSelection =
                    info.isFile() ? joinPath(choice.folder, info.fileName()) : QString();
        }
        if (!text.isEmpty() && !QFileInfo(choice.folder).isDir())
            choice.missingFolder = choice.folder;
    } else if (defaultPath == SettingsStore::None) {
        choice.folder = fallbackFolder;
    }
    if (choice.folder.isEmpty() || !QFileInfo(choice.folder).isDir())
        choice.folder = fallbackFolder;
    return choice;
}

QString fallbackStartFolder() {
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (!music.isEmpty() && QFileInfo(music).isDir()) return music;
    return QDir::homePath();
}

QString Form1::setting(const QString& key, const QString& defaultValue) const {
    return m_settings->get(SettingsStore::Settings, key, defaultValue);
}

QString Form1::position(const QString& key) const {
    return m_settings->get(SettingsStore::Position, key, SettingsStore::None);
}

void Form1::savePosition(const QString& key, double value) {
    m_settings->save(SettingsStore::Position, key, QString::number(value, 'g', 12));
}

bool Form1::readNumber(const QString& key, double* value, QStringList* bad) const {
    const QString text = position(key);
    if (text == SettingsStore::None) return false;
    bool ok = false;
    const double number = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(number)) {
        *bad << QStringLiteral("%1 = \"%2\"").arg(key, text);
        return false;
    }
    // Nothing real is a billion twips away or wide; the bound keeps conversions in range.
    *value = std::clamp(number, -1e9, 1e9);
    return true;
}

void Form1::load() {
    for (QTimer* t : {&Timer1, &Timer5})
        t->stop();
    panelCurrent->setText(tr("(none)"));
    showPauseState();
    button(QStringLiteral("Next"))->setVisible(false);
    button(QStringLiteral("Previous"))->setVisible(false);
    ui.mnuNext->setEnabled(false);
    ui.mnuPrevious->setEnabled(false);

    ui.mnuSystemTray->setChecked(onlyIfTrue(setting(QStringLiteral("SystemTray"), "False")));
    button(QStringLiteral("Zoom"))
        ->setToolTip(ui.mnuSystemTray->isChecked() ? tr("Zoom to System Tray")
                                                   : tr("Zoom to Small Window"));
    ui.mnuStartupZoom->setChecked(onlyIfTrue(setting(QStringLiteral("Zoom"), "False")));
    ui.mnuRememberPosition->setChecked(unlessFalse(setting(QStringLiteral("RememberPos"), "True")));

    QStringList badPositions;
    if (ui.mnuRememberPosition->isChecked()) badPositions = applyPositionSettings();
    // The single-instance handshake has happened before the window was made (main.cpp); the
    // window id is still recorded for anything that looks for it. Asking for the id makes the
    // native window, and only a place given before that counts the window manager's frame: a
    // place given later is the inside's, and the window would creep up by its title bar on
    // every start.
    m_settings->save(SettingsStore::Settings, QStringLiteral("HWND"), QString::number(winId()));
    if (!badPositions.isEmpty())
        m_prompter->error(tr("These saved window settings are not numbers and were skipped:\n%1")
                              .arg(badPositions.join(QLatin1Char('\n'))));

    applyOptionSettings();
    applyVolumeSettings();
    applyAudioSettings();
    if (!m_columnsSaved) fitColumnsOnFirstListing();

    loadFavorites();
    removeOldPlaylists(QDateTime::currentDateTime());
    updateEditMenu();
    // Told once the window is up: runs cut short, a history started afresh.
    QTimer::singleShot(0, this, &Form1::reportHistoryAtStart);
    // Keys act on the list until the user goes to the tree.
    ListView1->setFocus();
    Timer1.start();
    if (ui.mnuStartupZoom->isChecked()) Timer5.start();
}

void Form1::applyOptionSettings() {
    showRepeat(onlyIfTrue(setting(QStringLiteral("Repeat"), "False")));
    showAll(unlessFalse(setting(QStringLiteral("All"), "True")));
    ui.mnuConfirmDeletes->setChecked(
        unlessFalse(setting(QStringLiteral("ConfirmDeletes"), "True")));
    ui.mnuPermanentDelete->setChecked(
        unlessFalse(setting(QStringLiteral("PermanentDelete"), "False")));
    onPermanentDelete();
    ui.mnuFloater->setChecked(unlessFalse(setting(QStringLiteral("Floater"), "True")));
    ui.mnuFolderSizes->setChecked(unlessFalse(setting(QStringLiteral("FolderSizes"), "False")));
    ui.mnuDetailsCache->setChecked(unlessFalse(setting(QStringLiteral("DetailsCache"), "True")));
    ui.mnuKeepTimes->setChecked(onlyIfTrue(setting(QStringLiteral("KeepModifiedTimes"), "False")));
    applyReadingSettings();
    applyTagWritingSettings();
    ui.mnuPlayingList->setChecked(unlessFalse(setting(QStringLiteral("PlayingList"), "True")));
    ui.mnuShowTree->setChecked(onlyIfTrue(setting(QStringLiteral("ShowTree"), "True")));
    onShowTree();
    ui.mnuGridLines->setChecked(unlessFalse(setting(QStringLiteral("GridLines"), "False")));
    onGridLines();
}

QStringList Form1::applyPositionSettings() {
    QStringList bad;
    double v = 0;
    restoreFullGeometry(&bad);
    if (position(QStringLiteral("Maximized")) == QLatin1String("True"))
        setWindowState(windowState() | Qt::WindowMaximized);
    // No tree or column wider than the screen: the splitter could not be reached, and a column
    // of millions of pixels makes the list crawl.
    const int screenWidth = availableArea(this, pos()).width();
    if (readNumber(QStringLiteral("TreeWidth"), &v, &bad) && v > 0)
        m_treeWidthTwips = std::min(std::round(v), std::max(toTwips(screenWidth) - 100, 15.0));

    QHeaderView* header = ListView1->header();
    for (int c = 0; c < Col::Count; ++c)
        if (readNumber(QLatin1String(columnKey(c)), &v, &bad) && v >= 0) {
            ListView1->setColumnWidth(c, std::min(toPixels(v), screenWidth));
            m_columnsSaved = true;
        }
    for (int c = 0; c < Col::Count; ++c) {
        if (!readNumber(QLatin1String(columnKey(c)) + QStringLiteral("Pos"), &v, &bad)) continue;
        const int place = static_cast<int>(std::lround(v));
        if (place >= 0 && place < Col::Count) header->moveSection(header->visualIndex(c), place);
    }
    return bad;
}

void Form1::saveLayout() {
    if (!ui.mnuRememberPosition->isChecked()) return;
    if (!isMaximized()) {
        m_settings->save(SettingsStore::Position, QStringLiteral("Maximized"),
                         QStringLiteral("False"));
        if (smallWindowMode) {
            savePosition(QStringLiteral("SmLeft"), toTwips(pos().x()));
            savePosition(QStringLiteral("SmTop"), toTwips(pos().y()));
            savePosition(QStringLiteral("SmWidth"), toTwips(width()));
        } else {
            saveFullGeometry();
        }
    } else {
        m_settings->save(SettingsStore::Position, QStringLiteral("Maximized"),
                         QStringLiteral("True"));
    }
    savePosition(QStringLiteral("TreeWidth"), m_treeWidthTwips);
    for (int c = 0; c < Col::Count; ++c) // a column not chosen has no width of its own
        if (!ListView1->isColumnHidden(c))
            savePosition(QLatin1String(columnKey(c)), toTwips(ListView1->columnWidth(c)));
    for (int c = 0; c < Col::Count; ++c)
        m_settings->save(SettingsStore::Position,
                         QLatin1String(columnKey(c)) + QStringLiteral("Pos"),
                         QString::number(ListView1->header()->visualIndex(c)));
}

void Form1::closeEvent(QCloseEvent* event) {
    if (!m_shutDown) {
        m_shutDown = true;
        // A job still running stops cleanly first: its half-done copy is taken back.
        m_fileOps->cancelAll();
        saveLayout();
        m_listing->abandon();
        m_tray->hide();
    }
    event->accept();
    emit closed();
}

void Form1::openStartFolder() {
    openChosenFolder(m_commandLine, {}, false);
}

void Form1::openFromAnotherStart(const QString& commandLine, const QString& workingFolder) {
    raiseFromAnotherStart();
    if (commandLine.isEmpty()) return;
    ++m_handOverRequests;
    if (!waitForDialog(commandLine, workingFolder))
        openChosenFolder(commandLine, workingFolder, true);
}

bool Form1::waitForDialog(const QString& commandLine, const QString& workingFolder) {
    // The dialogs read the list's rows; a new listing under one would pull them away. Looked at
    // again a moment later rather than told: a dialog may end by finishing, by hiding (a
    // progress window) or by being deleted.
    if (!QApplication::activeModalWidget()) return false;
    QTimer::singleShot(200, this, [this, commandLine, workingFolder, request = m_handOverRequests] {
        if (request != m_handOverRequests) return; // a newer one was handed over meanwhile
        if (!waitForDialog(commandLine, workingFolder))
            openChosenFolder(commandLine, workingFolder, true);
    });
    return true;
}

void Form1::openChosenFolder(const QString& commandLine, const QString& workingFolder,
                             bool fromAnotherStart) {
    // Which folder to start in takes a look at the disk, which may be a network share or a
    // mount that no longer answers: the window is up already, and the look is taken on a
    // worker so it stays responsive.
    const QString defaultPath = setting(QStringLiteral("DefaultPath"), SettingsStore::None);
    const QString fallback = m_fallbackFolder;
    const int listings = m_listings;
    const int handOver = fromAnotherStart ? ++m_handOvers : 0;
    runDetached([back = m_back, this, commandLine, workingFolder, defaultPath, fallback, listings,
                 handOver, fromAnotherStart] {
        const StartChoice choice =
            chooseStartFolder(commandLine, defaultPath, fallback, workingFolder);
        QString folder = GetLongFileName(choice.folder);
        if (folder.isEmpty()) folder = fallback;
        const QString selection = choice.pendingSelection.isEmpty()
                                      ? QString()
                                      : GetLongFileName(choice.pendingSelection);
        back->post([this, folder, selection, missing = choice.missingFolder, listings, handOver,
                    fromAnotherStart, commandLine, workingFolder] {
            if (fromAnotherStart) {
                if (handOver != m_handOvers) return; // a newer one was handed over meanwhile
                if (waitForDialog(commandLine, workingFolder)) return;
                // At start-up a folder that is not there falls back quietly; here the user
                // just asked for it, and the window keeps what it shows.
                if (!missing.isEmpty()) {
                    m_prompter->message(tr("No such directory: \"%1\"").arg(displayPath(missing)),
                                        Prompter::Icon::Critical, Prompter::Buttons::Ok);
                    return;
                }
                if (samePath(dirCurrent, folder)) {
                    // Listed already: the file is picked out where it is, and a play order
                    // the user made stays.
                    if (selection.isEmpty()) return;
                    // (A row still on its way into the list waits for the listing again.)
                    if (findRow(selection)) {
                        if (!viewIndex(selection).isValid())
                            hideFilter(); // the file asked for is shown
                        clickRow(findRow(selection));
                        playItem(selection, true);
                        return;
                    }
                }
            } else {
                if (m_listings != listings) return; // the user has chosen a folder meanwhile
                startFolder = folder;
            }
            pendingSelection = selection;
            m_pendingNoPlay = false;
            // The tree selects the folder and its event lists it. A folder the tree cannot
            // show (on no volume it knows, or too deep) is listed all the same, and so is the
            // listed folder again when a file handed over is not in it yet.
            const int before = m_listings;
            Treefolder1->SetPath(folder);
            if (!samePath(dirCurrent, folder) || m_listings == before) PopulateList(folder, true);
        });
    });
}

void Form1::raiseFromAnotherStart() {
    if (m_tray->isVisible())
        restoreFromTray();
    else
        bringToFront(this);
}

} // namespace tunewalk
