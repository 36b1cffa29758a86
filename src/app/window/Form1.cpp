// The main window's controls: menus, toolbar, list, player area, status bar and tray menu.
#include "app/window/Form1.h"

#include "app/history/UndoHistory.h"
#include "app/listing/FolderListing.h"
#include "app/listing/FolderModel.h"
#include "app/listing/FolderSortModel.h"
#include "app/playback/PlayList.h"
#include "app/playback/Playback.h"
#include "app/playorder/PlayOrder.h"
#include "app/window/GridDelegate.h"
#include "app/window/Icons.h"
#include "app/window/PlayerPanel.h"
#include "app/window/ProgressWindow.h"
#include "common/ReturnAddress.h"
#include "common/SettingsStore.h"
#include "common/Twips.h"
#include "fileops/Trash.h"
#include "foldertree/Treefolder.h"
#include "history/Recording.h"
#include "metadata/codec/MP3TagEditor.h"
#include "metadata/codec/WAVInfo.h"
#include "shell/Prompter.h"
#include "shell/TrayIcon.h"
#include "shell/Volumes.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStandardPaths>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace tunewalk {

namespace {
struct ColumnInfo {
    const char* header;
    const char* key; // persisted width and position
    int widthTwips;
};
constexpr ColumnInfo Columns[Col::Count] = {
    {"File Name", "File", 3528},
    {"Track Name", "Track", 3528},
    {"Length", "Length", 1499},
    {"Artist", "Artist", 2540},
    {"Bitrate", "Bitrate", 1646},
    {"Size", "Size", 1829},
    {"Modified", "Modified", 3658},
    // Chosen from the header's pop-up menu; hidden until then.
    {"Album", "Album", 2540},
    {"Album Artist", "AlbumArtist", 2540},
    {"Track", "TrackNumber", 900},
    {"Disc", "Disc", 900},
    {"Year", "Year", 900},
    {"Genre", "Genre", 1800},
    {"Comment", "Comment", 2540},
    {"Composer", "Composer", 2540},
    {"Format", "Format", 2200},
    {"Sample Rate", "SampleRate", 1500},
    {"Channels", "Channels", 1200},
    {"Bit Depth", "BitDepth", 1200},
    {"Cover", "Cover", 900},
};
} // namespace

const char* columnKey(int column) {
    return Columns[column].key;
}

Form1::Form1(const Form1Services& services, QWidget* parent)
    : QMainWindow(parent), m_settings(services.settings), m_prompter(services.prompter),
      m_tray(services.tray), m_player(services.player),
      m_playback(new Playback(*services.player, this)), m_shell(services.shell),
      m_fileOps(new FileOperations(*services.prompter, this)), m_commandLine(services.commandLine),
      m_fallbackFolder(services.fallbackFolder) {
    new ProgressWindow(m_fileOps->runner(), this); // shown while a file job takes a while
    m_history = new UndoHistory(*m_fileOps, *services.prompter, {}, this);
    m_fileOps->setHistory(m_history->store(), [this] { m_history->recorded(); });
    connect(m_history, &UndoHistory::changed, this, &Form1::updateEditMenu);
    connect(m_history, &UndoHistory::applied, this, &Form1::showUndone);
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(Prompter::caption());
    setWindowIcon(Icons::program());
    resize(firstRunSize());

    createMenus();
    createToolbar();
    createList();
    createStatusBar();
    createTrayMenu();
    registerControls();
    applyIconSizes();

    for (QTimer* t : {&Timer1, &Timer5})
        t->setSingleShot(true);
    Timer1.setInterval(1);
    Timer5.setInterval(1);
    // The slow second click waits out a double-click, which plays the file instead.
    Timer3.setSingleShot(true);
    Timer3.setInterval(std::max(100, QApplication::doubleClickInterval()));
    connect(&Timer3, &QTimer::timeout, this, [this] {
        if (!doubleClickPending) startRename();
    });
    connect(&Timer1, &QTimer::timeout, this, &Form1::openStartFolder);
    connect(&Timer5, &QTimer::timeout, this, [this] {
        // Not before the window manager has taken the window on: a size given earlier is
        // undone when it does.
        // (A hidden window has no frame to wait for; a shown one knows it within a second.)
        if (isVisible() && !frameKnown()) return Timer5.start(50);
        zoom();
    });

    m_back = ReturnAddress::to(this);
    connectListing();

    // The tray tip before anything plays.
    m_tray->setToolTip(tr("Stopped"));
    connect(m_tray, &TrayIcon::restoreRequested, this, &Form1::restoreFromTray);
    m_tray->setMenu(ui.mnuSysTrayPopup);

    connectPlayback();
    connectPlayingList();
    connectTree();
    setUpKeyboard();
}

// The commands and menus by their names, for command() and menu().
void Form1::registerControls() {
    for (const auto& [name, action] : std::initializer_list<std::pair<const char*, QAction*>>{
             {"mnuOpen", ui.mnuOpen},
             {"mnuOpenDefault", ui.mnuOpenDefault},
             {"mnuDefaultCurrent", ui.mnuDefaultCurrent},
             {"mnuSave", ui.mnuSave},
             {"mnuExit", ui.mnuExit},
             {"mnuPlayAllExternal", ui.mnuPlayAllExternal},
             {"mnuPlaySelectedExternal", ui.mnuPlaySelectedExternal},
             {"mnuAddFavorite", ui.mnuAddFavorite},
             {"mnuEditFavorites", ui.mnuEditFavorites},
             {"mnuViewDir", ui.mnuViewDir},
             {"mnuAbout", ui.mnuAbout},
             {"mnuUpOne", ui.mnuUpOne},
             {"mnuRefresh", ui.mnuRefresh},
             {"mnuShowCurrent", ui.mnuShowCurrent},
             {"mnuFilter", ui.mnuFilter},
             {"mnuNewFolder", ui.mnuNewFolder},
             {"mnuRenameFile", ui.mnuRenameFile},
             {"mnuDeleteFile", ui.mnuDeleteFile},
             {"mnuFileProperties", ui.mnuFileProperties},
             {"mnuRename", ui.mnuRename},
             {"mnuDelete", ui.mnuDelete},
             {"mnuProperties", ui.mnuProperties},
             {"mnuShowInFolder", ui.mnuShowInFolder},
             {"mnuPlayFile", ui.mnuPlayFile},
             {"mnuPause", ui.mnuPause},
             {"mnuStop", ui.mnuStop},
             {"mnuNext", ui.mnuNext},
             {"mnuPrevious", ui.mnuPrevious},
             {"mnuRepeat", ui.mnuRepeat},
             {"mnuAll", ui.mnuAll},
             {"mnuRandom", ui.mnuRandom},
             {"mnuMoveUp1", ui.mnuMoveUp1},
             {"mnuMoveDown1", ui.mnuMoveDown1},
             {"mnuMP3Tags", ui.mnuMP3Tags},
             {"mnuWAVHeaders", ui.mnuWAVHeaders},
             {"mnuAudioTags", ui.mnuAudioTags},
             {"mnuEditAudioTags", ui.mnuEditAudioTags},
             {"mnuRenameFromTags", ui.mnuRenameFromTags},
             {"mnuTagsFromNames", ui.mnuTagsFromNames},
             {"mnuPlay", ui.mnuPlay},
             {"mnuMoveUp", ui.mnuMoveUp},
             {"mnuMoveDown", ui.mnuMoveDown},
             {"mnuEditTags", ui.mnuEditTags},
             {"mnuEditWAV", ui.mnuEditWAV},
             {"mnuSystemTray", ui.mnuSystemTray},
             {"mnuFloater", ui.mnuFloater},
             {"mnuStartupZoom", ui.mnuStartupZoom},
             {"mnuRememberPosition", ui.mnuRememberPosition},
             {"mnuShowTree", ui.mnuShowTree},
             {"mnuGridLines", ui.mnuGridLines},
             {"mnuFolderSizes", ui.mnuFolderSizes},
             {"mnuDetailsCache", ui.mnuDetailsCache},
             {"mnuKeepTimes", ui.mnuKeepTimes},
             {"mnuReadAllTags", ui.mnuReadAllTags},
             {"mnuPlayingList", ui.mnuPlayingList},
             {"mnuUndo", ui.mnuUndo},
             {"mnuRedo", ui.mnuRedo},
             {"mnuHistory", ui.mnuHistory},
             {"mnuConfirmDeletes", ui.mnuConfirmDeletes},
             {"mnuPermanentDelete", ui.mnuPermanentDelete},
             {"mnuUnregister", ui.mnuUnregister},
             {"mnuSTPlay", ui.mnuSTPlay},
             {"mnuSTPause", ui.mnuSTPause},
             {"mnuSTStop", ui.mnuSTStop},
             {"mnuSTNext", ui.mnuSTNext},
             {"mnuSTPrevious", ui.mnuSTPrevious},
             {"mnuSTRepeat", ui.mnuSTRepeat},
             {"mnuSTPlayAll", ui.mnuSTPlayAll},
             {"mnuSTExit", ui.mnuSTExit},
             {"mnuSTRestore", ui.mnuSTRestore},
             {"volumeUp", ui.volumeUp},
             {"volumeDown", ui.volumeDown},
             {"volumeMute", ui.volumeMute},
         })
        m_commands.insert(QLatin1String(name), action);
    for (const auto& [name, menu] : std::initializer_list<std::pair<const char*, QMenu*>>{
             {"mnuFile", ui.mnuFile},
             {"mnuFolder", ui.mnuFolder},
             {"mnuAudio", ui.mnuAudio},
             {"mnuSettings", ui.mnuSettings},
             {"mnuFavorites", ui.mnuFavorites},
             {"mnuHelp", ui.mnuHelp},
             {"mnuPopup", ui.mnuPopup},
             {"mnuSysTrayPopup", ui.mnuSysTrayPopup},
             {"mnuVolume", ui.mnuVolume},
             {"mnuEncoding", ui.mnuEncoding},
         })
        m_menus.insert(QLatin1String(name), menu);
}

QAction* Form1::command(const QString& name) const {
    QAction* action = m_commands.value(name);
    Q_ASSERT_X(action, "Form1::command", qPrintable(name));
    return action;
}

QMenu* Form1::menu(const QString& name) const {
    QMenu* found = m_menus.value(name);
    Q_ASSERT_X(found, "Form1::menu", qPrintable(name));
    return found;
}

const QString& Form1::playingFile() const {
    return m_playback->currentFile();
}

bool Form1::playing() const {
    return m_playback->isPlaying();
}

bool Form1::paused() const {
    return m_playback->isPaused();
}

bool Form1::playOrderOn() const {
    return m_playOrder->isActive();
}

bool Form1::pausingOnStart() const {
    return m_playback->pausingOnStart();
}

QList<QAction*> Form1::favoriteItems() const {
    return ui.mnuFavoriteList.mid(1); // after the separator
}

// The desktop, documents folder and volumes the folder tree shows.
TreefolderEnvironment Form1::treeEnvironment() {
    TreefolderEnvironment environment;
    const auto folder = [](QStandardPaths::StandardLocation location) {
        const QString path = QStandardPaths::writableLocation(location);
        return QFileInfo(path).isDir() ? QDir::toNativeSeparators(path) : QString();
    };
    environment.desktop = folder(QStandardPaths::DesktopLocation);
    environment.documents = folder(QStandardPaths::DocumentsLocation);
    const auto forTree = [](const QList<Volume>& found) {
        QList<TreeVolume> volumes;
        for (const Volume& v : found)
            volumes.append({v.root, v.label, v.iconKey, v.ready});
        return volumes;
    };
    // The mount table at once; labels and readiness from workers that may meet a dead mount.
    environment.volumes = [forTree] { return forTree(mountedVolumes()); };
    environment.gatherVolumes = [forTree](QObject* context,
                                          std::function<void(QList<TreeVolume>)> done) {
        gatherVolumes(context, [forTree, done = std::move(done)](const QList<Volume>& found) {
            done(forTree(found));
        });
    };
    return environment;
}

Form1::~Form1() {
    history::Recording::clearWrittenListener(this);
    m_back->close();
}

MP3TagEditor& Form1::oTagEditor() {
    if (!m_tagEditor) m_tagEditor = std::make_unique<MP3TagEditor>();
    return *m_tagEditor;
}

WAVInfo& Form1::wavReader() {
    if (!m_wavReader) m_wavReader = std::make_unique<WAVInfo>();
    return *m_wavReader;
}

QAction* Form1::toggle(QMenu* menu, const QString& caption, const QString& key,
                       void (Form1::*effect)()) {
    QAction* action = menu->addAction(caption);
    action->setCheckable(true);
    connect(action, &QAction::triggered, this, [this, key, effect](bool on) {
        saveToggle(key, on);
        if (effect) (this->*effect)();
    });
    return action;
}

void Form1::createMenus() {
    ui.mnuFile = menuBar()->addMenu(tr("&File"));
    ui.mnuOpen = ui.mnuFile->addAction(tr("&Open Directory..."), this, &Form1::openDirectory);
    ui.mnuOpen->setShortcut(QKeySequence::Open);
    ui.mnuOpenDefault =
        ui.mnuFile->addAction(tr("Open &Default Directory"), this, &Form1::openDefaultDirectory);
    ui.mnuDefaultCurrent = ui.mnuFile->addAction(tr("&Make Current Folder the Default"), this,
                                                 &Form1::makeCurrentFolderDefault);
    ui.mnuShowInFolder =
        ui.mnuFile->addAction(tr("Show in &File Manager"), this, &Form1::showInFileManagerCommand);
    ui.mnuFile->addSeparator();
    ui.mnuSave = ui.mnuFile->addAction(tr("&Save Folder Listing"), this, &Form1::saveListing);
    ui.mnuSave->setShortcut(QKeySequence::Save);
    ui.mnuFile->addSeparator();
    ui.mnuExit = ui.mnuFile->addAction(tr("E&xit"), this, &QWidget::close);
    ui.mnuExit->setShortcut(QKeySequence::Quit);

    createEditMenu();

    ui.mnuFolder = menuBar()->addMenu(tr("F&older"));
    ui.mnuUpOne = ui.mnuFolder->addAction(tr("Go &Up One Directory"), this, &Form1::upOneDir);
    ui.mnuUpOne->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Up));
    ui.mnuRefresh = ui.mnuFolder->addAction(tr("Refresh &List"), this, [this] {
        m_refreshing = true;
        PopulateList(dirCurrent);
        m_refreshing = false;
    });
    ui.mnuRefresh->setShortcut(QKeySequence::Refresh);
    ui.mnuShowCurrent =
        ui.mnuFolder->addAction(tr("Show &Current File"), this, &Form1::showCurrentFile);
    ui.mnuFilter = ui.mnuFolder->addAction(tr("&Filter..."), this, &Form1::showFilter);
    ui.mnuFilter->setShortcut(QKeySequence::Find);
    ui.mnuFolder->addSeparator();
    ui.mnuNewFolder = ui.mnuFolder->addAction(tr("&New Folder"), this, &Form1::newFolderCommand);
    ui.mnuRenameFile =
        ui.mnuFolder->addAction(tr("Rena&me File/Folder"), this, &Form1::renameCommand);
    ui.mnuRenameFile->setShortcut(QKeySequence(Qt::Key_F2));
    ui.mnuDeleteFile = ui.mnuFolder->addAction(tr("&Delete File/Folder to %1").arg(trashName()),
                                               this, &Form1::deleteCommand);
    ui.mnuDeleteFile->setShortcut(QKeySequence::Delete);
    ui.mnuFileProperties = ui.mnuFolder->addAction(tr("File/Folder P&roperties"), this, [this] {
        if (getSelCount() > 0) propertiesCommand();
    });

    ui.mnuAudio = menuBar()->addMenu(tr("&Audio"));
    ui.mnuPlayFile = ui.mnuAudio->addAction(tr("&Play"), this, &Form1::playCommand);
    ui.mnuPause = ui.mnuAudio->addAction(tr("Paus&e"), this, &Form1::pauseCommand);
    ui.mnuPause->setCheckable(true);
    ui.mnuStop = ui.mnuAudio->addAction(tr("&Stop"), this, &Form1::stopCommand);
    ui.mnuAudio->addSeparator();
    ui.mnuNext = ui.mnuAudio->addAction(tr("Play Ne&xt File"), this,
                                        [this] { playNext(m_playback->currentFile(), false); });
    ui.mnuPrevious = ui.mnuAudio->addAction(tr("Play Pre&vious File"), this,
                                            [this] { playPrevious(m_playback->currentFile()); });
    ui.mnuAudio->addSeparator();
    ui.mnuRepeat = ui.mnuAudio->addAction(tr("&Repeat"));
    ui.mnuAll = ui.mnuAudio->addAction(tr("Play &All Files"));
    for (QAction* a : {ui.mnuRepeat, ui.mnuAll})
        a->setCheckable(true);
    connect(ui.mnuRepeat, &QAction::triggered, this, &Form1::applyRepeat);
    connect(ui.mnuAll, &QAction::triggered, this, &Form1::applyAll);
    ui.mnuAudio->addSeparator();
    ui.mnuMoveUp1 =
        ui.mnuAudio->addAction(tr("Move Selected File &Up in Playlist"), this, &Form1::moveUp);
    ui.mnuMoveDown1 =
        ui.mnuAudio->addAction(tr("Move Selected File &Down in Playlist"), this, &Form1::moveDown);
    ui.mnuRandom =
        ui.mnuAudio->addAction(tr("Ra&ndomize Playlist"), this, &Form1::randomizePlaylist);

    ui.mnuAudio->addSeparator();
    ui.mnuPlayAllExternal = ui.mnuAudio->addAction(tr("Play All Files in External Player"), this,
                                                   &Form1::playAllExternal);
    ui.mnuPlaySelectedExternal = ui.mnuAudio->addAction(
        tr("Play Selected Files in External Player"), this, &Form1::playSelectedExternal);
    ui.mnuAudio->addSeparator();
    ui.mnuAudioTags =
        ui.mnuAudio->addAction(tr("Ed&it Tags..."), this, &Form1::editAudioTagsCommand);
    ui.mnuAudioTags->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    ui.mnuMP3Tags =
        ui.mnuAudio->addAction(tr("Edit ID3v1 MP3 &Tags..."), this, &Form1::editTagsCommand);
    ui.mnuWAVHeaders =
        ui.mnuAudio->addAction(tr("Edit WAV &Headers..."), this, &Form1::wavHeadersCommand);
    ui.mnuRenameFromTags =
        ui.mnuAudio->addAction(tr("Rename &from Tags..."), this, &Form1::renameFromTagsCommand);
    ui.mnuTagsFromNames =
        ui.mnuAudio->addAction(tr("Ta&gs from File Names..."), this, &Form1::tagsFromNamesCommand);
    // Offered while a file is selected: folders are no part of them.
    connect(ui.mnuAudio, &QMenu::aboutToShow, this, [this] {
        const bool files = getFileSelCount() > 0;
        ui.mnuRenameFromTags->setEnabled(files);
        ui.mnuTagsFromNames->setEnabled(files);
    });

    ui.mnuSettings = menuBar()->addMenu(tr("&Settings"));
    ui.mnuSystemTray = toggle(ui.mnuSettings, tr("Zoom to System &Tray Instead of Small Window"),
                              QStringLiteral("SystemTray"), &Form1::onSystemTray);
    ui.mnuFloater = toggle(ui.mnuSettings, tr("Small Window Floats &Above Other Apps"),
                           QStringLiteral("Floater"), nullptr);
    ui.mnuStartupZoom =
        toggle(ui.mnuSettings, tr("&Zoom at Startup"), QStringLiteral("Zoom"), nullptr);
    ui.mnuRememberPosition =
        toggle(ui.mnuSettings, tr("&Remember Position"), QStringLiteral("RememberPos"), nullptr);
    ui.mnuSettings->addSeparator();
    ui.mnuShowTree = toggle(ui.mnuSettings, tr("Show &Folder Tree"), QStringLiteral("ShowTree"),
                            &Form1::onShowTree);
    ui.mnuGridLines = toggle(ui.mnuSettings, tr("Show &Grid Lines"), QStringLiteral("GridLines"),
                             &Form1::onGridLines);
    ui.mnuFolderSizes = toggle(ui.mnuSettings, tr("Calculate Folder &Sizes"),
                               QStringLiteral("FolderSizes"), nullptr);
    // Details read once are kept in the user's cache folder, so a folder opens at once the
    // next time; Refresh reads the files again either way.
    ui.mnuDetailsCache = toggle(ui.mnuSettings, tr("&Keep Track Details in a Cache"),
                                QStringLiteral("DetailsCache"), nullptr);
    // Tag and header saves put the file's time back, so the list and other programs' change
    // checks do not take a retagged file for a new one.
    ui.mnuKeepTimes = toggle(ui.mnuSettings, tr("Keep &Modification Times When Tagging"),
                             QStringLiteral("KeepModifiedTimes"), nullptr);
    createReadingMenu(ui.mnuSettings);
    createTagWritingMenu(ui.mnuSettings);
    // Play All goes on through the playing folder while the user lists others.
    ui.mnuPlayingList = toggle(ui.mnuSettings, tr("Play All Keeps the Play&ing List"),
                               QStringLiteral("PlayingList"), nullptr);
    ui.mnuSettings->addSeparator();
    createAudioMenus(ui.mnuSettings);
    ui.mnuSettings->addSeparator();
    ui.mnuConfirmDeletes = toggle(ui.mnuSettings, tr("&Confirm File/Folder Deletion"),
                                  QStringLiteral("ConfirmDeletes"), nullptr);
    ui.mnuPermanentDelete = toggle(ui.mnuSettings, tr("&Permanently Delete Files/Folders"),
                                   QStringLiteral("PermanentDelete"), &Form1::onPermanentDelete);

    ui.mnuSettings->addSeparator();
    ui.mnuViewDir =
        ui.mnuSettings->addAction(tr("&Default Directory..."), this, &Form1::showDefaultDirectory);

    ui.mnuFavorites = menuBar()->addMenu(tr("&Favorites"));
    ui.mnuAddFavorite = ui.mnuFavorites->addAction(tr("&Add Current Folder to Favorites..."), this,
                                                   &Form1::addFavorite);
    ui.mnuEditFavorites =
        ui.mnuFavorites->addAction(tr("&Edit Favorites..."), this, &Form1::editFavorites);
    ui.mnuFavoriteList << ui.mnuFavorites->addSeparator();
    ui.mnuFavoriteList.first()->setVisible(false);

    ui.mnuHelp = menuBar()->addMenu(tr("&Help"));
    ui.mnuAbout = ui.mnuHelp->addAction(tr("&About..."), this, &Form1::showAbout);
    ui.mnuHelp->addSeparator();
    ui.mnuUnregister =
        ui.mnuHelp->addAction(tr("De&lete All Settings"), this, &Form1::deleteAllSettings);

    // The list's pop-up menu; the file commands join it with their features.
    ui.mnuPopup = new QMenu(this);
    ui.mnuPlay = ui.mnuPopup->addAction(tr("&Play"), this, [this] { playItem(QString(), true); });
    ui.mnuPopup->addSeparator();
    ui.mnuMoveUp = ui.mnuPopup->addAction(tr("Move &Up"), this, &Form1::moveUp);
    ui.mnuMoveDown = ui.mnuPopup->addAction(tr("Move Dow&n"), this, &Form1::moveDown);
    ui.mnuPopup->addSeparator();
    ui.mnuEditAudioTags =
        ui.mnuPopup->addAction(tr("Ed&it Tags..."), this, &Form1::editAudioTagsCommand);
    ui.mnuEditTags =
        ui.mnuPopup->addAction(tr("Edit ID3v1 &Tags..."), this, &Form1::editTagsCommand);
    ui.mnuEditWAV =
        ui.mnuPopup->addAction(tr("Edit Audio &Headers..."), this, &Form1::editWavCommand);
    ui.mnuPopup->addSeparator();
    ui.mnuRename = ui.mnuPopup->addAction(tr("Rena&me"), this, &Form1::startRename);
    ui.mnuDelete =
        ui.mnuPopup->addAction(tr("&Delete (to %1)").arg(trashName()), this, &Form1::deleteCommand);
    ui.mnuProperties = ui.mnuPopup->addAction(tr("P&roperties"), this, &Form1::propertiesCommand);
    ui.mnuPopup->addAction(ui.mnuShowInFolder);
}

QAction* Form1::addButton(const QString& key, const QString& tip) {
    QAction* action = Toolbar1->addAction(Icons::button(key, palette()), tip);
    action->setObjectName(key);
    action->setToolTip(tip);
    m_buttons.insert(key, action);
    return action;
}

QAction* Form1::button(const QString& key) const {
    return m_buttons.value(key);
}

// The pictures are drawn in the palette's colours: a new palette (a dark desktop style switched
// on) or icon theme needs them drawn again.
void Form1::refreshIcons() {
    for (auto it = m_buttons.cbegin(); it != m_buttons.cend(); ++it)
        it.value()->setIcon(Icons::button(it.key(), palette()));
    if (m_volumeButton) m_volumeButton->setIcon(Icons::button(QStringLiteral("Volume"), palette()));
}

void Form1::createToolbar() {
    Toolbar1 = addToolBar(tr("Toolbar"));
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setMovable(false);
    Toolbar1->setFloatable(false);
    Toolbar1->setContextMenuPolicy(Qt::PreventContextMenu);
    Toolbar1->toggleViewAction()->setVisible(false);

    QAction* zoom = addButton(QStringLiteral("Zoom"), tr("Zoom to Small Window"));
    // No menu has it, and the toolbar is not on the Tab chain of the full window.
    zoom->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    connect(zoom, &QAction::triggered, this, &Form1::zoom);
    connect(addButton(QStringLiteral("Up"), tr("Go Up One Directory")), &QAction::triggered, this,
            &Form1::upOneDir);
    connect(addButton(QStringLiteral("NewFolder"), tr("Create New Folder")), &QAction::triggered,
            this, &Form1::newFolderCommand);
    connect(addButton(QStringLiteral("Delete"), toTrashTip()), &QAction::triggered, this,
            &Form1::deleteCommand);
    connect(addButton(QStringLiteral("Refresh"), tr("Refresh")), &QAction::triggered, ui.mnuRefresh,
            &QAction::trigger);
    QAction* repeat = addButton(QStringLiteral("Repeat"), tr("Toggle Repeat On/Off"));
    QAction* all = addButton(QStringLiteral("All"), tr("Toggle Play All Files/Play Single File"));
    for (QAction* a : {repeat, all})
        a->setCheckable(true);
    connect(repeat, &QAction::triggered, this, &Form1::applyRepeat);
    connect(all, &QAction::triggered, this, &Form1::applyAll);
    connect(addButton(QStringLiteral("Random"), tr("Randomize Playlist")), &QAction::triggered,
            this, &Form1::randomizePlaylist);
    connect(addButton(QStringLiteral("Tags"), tr("Edit ID3v1 Tags")), &QAction::triggered,
            ui.mnuMP3Tags, &QAction::trigger);
    connect(addButton(QStringLiteral("Headers"), tr("Edit Audio Headers")), &QAction::triggered,
            ui.mnuWAVHeaders, &QAction::trigger);
    connect(addButton(QStringLiteral("MoveUp"), tr("Move Up in Playlist")), &QAction::triggered,
            this, &Form1::moveUp);
    connect(addButton(QStringLiteral("MoveDown"), tr("Move Down in Playlist")), &QAction::triggered,
            this, &Form1::moveDown);
    connect(addButton(QStringLiteral("Play"), tr("Play")), &QAction::triggered, this,
            &Form1::playCommand);
    QAction* pause = addButton(QStringLiteral("Pause"), tr("Pause"));
    pause->setCheckable(true);
    connect(pause, &QAction::triggered, this, &Form1::pauseCommand);
    connect(addButton(QStringLiteral("Stop"), tr("Stop")), &QAction::triggered, this,
            &Form1::stopCommand);
    connect(addButton(QStringLiteral("Previous"), tr("Previous")), &QAction::triggered, this,
            &Form1::restartOrPrevious);
    connect(addButton(QStringLiteral("Next"), tr("Next")), &QAction::triggered, ui.mnuNext,
            &QAction::trigger);

    // "Volume" drops down its menu.
    ui.mnuVolume = new QMenu(this);
    ui.volumeUp = ui.mnuVolume->addAction(tr("Up"), this, &Form1::volumeUpCommand);
    ui.volumeUp->setObjectName(QStringLiteral("Up"));
    ui.volumeDown = ui.mnuVolume->addAction(tr("Down"), this, &Form1::volumeDownCommand);
    ui.volumeDown->setObjectName(QStringLiteral("Down"));
    ui.volumeMute = ui.mnuVolume->addAction(tr("Mute"), this, &Form1::muteCommand);
    ui.volumeMute->setObjectName(QStringLiteral("Mute"));
    m_volumeButton = new QToolButton(Toolbar1);
    m_volumeButton->setIcon(Icons::button(QStringLiteral("Volume"), palette()));
    m_volumeButton->setText(tr("Adjust Volume"));
    m_volumeButton->setToolTip(tr("Adjust Volume"));
    m_volumeButton->setAccessibleName(tr("Adjust Volume"));
    m_volumeButton->setMenu(ui.mnuVolume);
    m_volumeButton->setPopupMode(QToolButton::InstantPopup);
    QAction* volume = Toolbar1->addWidget(m_volumeButton);
    volume->setObjectName(QStringLiteral("Volume"));
    m_buttons.insert(QStringLiteral("Volume"), volume);
    volume->setVisible(false);

    // "Up" takes dropped files: they move to the parent folder.
    if (QToolButton* up = upButton()) {
        up->setAcceptDrops(true);
        up->installEventFilter(this);
    }
}

void Form1::createList() {
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("central"));
    setCentralWidget(central);
    central->installEventFilter(this);

    Treefolder1 = new Treefolder(treeEnvironment(), central);
    Treefolder1->setObjectName(QStringLiteral("Treefolder1"));

    lblSpacer = new QLabel(central);
    lblSpacer->setObjectName(QStringLiteral("lblSpacer"));
    lblSpacer->setCursor(Qt::SplitHCursor);
    lblSpacer->setAccessibleName(tr("Splitter between folder tree and list"));
    lblSpacer->installEventFilter(this);

    m_model = new FolderModel(this);
    m_sortModel = new FolderSortModel(*m_model, this);
    m_playOrder = std::make_unique<PlayOrder>(*m_model, *m_sortModel);
    m_listing = new FolderListing(*m_model, *m_sortModel, *m_playOrder, this);
    QStringList headers;
    for (const ColumnInfo& c : Columns)
        headers << tr(c.header);
    m_model->setHeaders(headers);

    ListView1 = new QTreeView(central);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setAccessibleName(tr("Folder contents"));
    ListView1->setModel(m_sortModel);
    for (int c = 0; c < Col::Count; ++c)
        ListView1->setColumnWidth(c, toPixels(Columns[c].widthTwips));
    ListView1->setRootIsDecorated(false);
    ListView1->setItemsExpandable(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_delegate = new GridDelegate(ListView1);
    // The pictures in the list's colours, so they read on a dark palette too.
    // The view, not the window: the view still paints while the window is being taken down.
    m_delegate->icon = [view = ListView1](const QString& key) {
        return Icons::small(key, view->palette());
    };
    ListView1->setItemDelegate(m_delegate);
    QHeaderView* header = ListView1->header();
    header->setSectionsMovable(true);
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    // The last column does not take what room is left: the file name does (fitColumns), and a
    // time stretched to half the list pushes the names off it.
    header->setStretchLastSection(false);
    showSortIndicator();
    ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
    ListView1->installEventFilter(this);
    ListView1->viewport()->installEventFilter(this);
    ListView1->viewport()->setAcceptDrops(true);
    m_delegate->renamed = [this](const QString& typed) {
        // After the editor has closed: the rename may ask or report.
        QMetaObject::invokeMethod(
            this, [this, typed] { renameRow(m_renamingKey, typed); }, Qt::QueuedConnection);
    };

    connect(header, &QHeaderView::sectionClicked, this, &Form1::handleColumnClick);
    connect(ListView1, &QTreeView::doubleClicked, this,
            [this](const QModelIndex& index) { handleDoubleClick(rowAt(index)); });
    connect(ListView1->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        const QModelIndex current = ListView1->currentIndex();
        if (current.isValid() && ListView1->selectionModel()->isRowSelected(current.row(), {}))
            handleRowClick(rowAt(current));
    });
    connect(ListView1, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        const QModelIndex at = ListView1->indexAt(pos);
        if (at.isValid() && at.row() == ListView1->currentIndex().row())
            handleRightClick(rowAt(at));
    });
    connect(m_model, &FolderModel::dropRequested, this, &Form1::MoveDroppedItems);

    MediaPlayer1 = new PlayerPanel(central);
    MediaPlayer1->setObjectName(QStringLiteral("MediaPlayer1"));
    createFilter();
    createColumnChooser();
}

void Form1::createStatusBar() {
    panelLabel = new QLabel(this);
    panelLabel->setObjectName(QStringLiteral("Label"));
    panelCurrent = new QLabel(this);
    panelCurrent->setObjectName(QStringLiteral("Current"));
    // No fixed accessible name: a screen reader reads the label's text, which is the news.
    panelCurrent->setAccessibleDescription(tr("Current file"));
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->addWidget(panelLabel);
    statusBar()->addWidget(panelCurrent, 1);
    panelHistory = new QLabel(this);
    panelHistory->setObjectName(QStringLiteral("HistoryNote"));
    panelHistory->setContentsMargins(0, 0, 12, 0); // apart from the counts that follow it
    panelHistory->hide();
    statusBar()->addPermanentWidget(panelHistory);
    panelCounts = new QLabel(this);
    panelCounts->setObjectName(QStringLiteral("Counts"));
    statusBar()->addPermanentWidget(panelCounts);
}

void Form1::createTrayMenu() {
    ui.mnuSysTrayPopup = new QMenu(this);
    ui.mnuSTPlay = ui.mnuSysTrayPopup->addAction(tr("&Play"), ui.mnuPlay, &QAction::trigger);
    ui.mnuSTPause = ui.mnuSysTrayPopup->addAction(tr("Paus&e"), ui.mnuPause, &QAction::trigger);
    ui.mnuSTPause->setCheckable(true);
    ui.mnuSTStop = ui.mnuSysTrayPopup->addAction(tr("&Stop"), ui.mnuStop, &QAction::trigger);
    ui.mnuSysTrayPopup->addSeparator();
    ui.mnuSTNext = ui.mnuSysTrayPopup->addAction(tr("&Next"), ui.mnuNext, &QAction::trigger);
    ui.mnuSTPrevious =
        ui.mnuSysTrayPopup->addAction(tr("Pre&vious"), ui.mnuPrevious, &QAction::trigger);
    ui.mnuSysTrayPopup->addSeparator();
    ui.mnuSTRepeat = ui.mnuSysTrayPopup->addAction(tr("&Repeat"));
    ui.mnuSTPlayAll = ui.mnuSysTrayPopup->addAction(tr("Play &All Files"));
    for (QAction* a : {ui.mnuSTRepeat, ui.mnuSTPlayAll})
        a->setCheckable(true);
    connect(ui.mnuSTRepeat, &QAction::triggered, this, &Form1::applyRepeat);
    connect(ui.mnuSTPlayAll, &QAction::triggered, this, &Form1::applyAll);
    ui.mnuSysTrayPopup->addSeparator();
    ui.mnuSTExit = ui.mnuSysTrayPopup->addAction(tr("E&xit"), this, &Form1::exitFromTray);
    ui.mnuSTRestore =
        ui.mnuSysTrayPopup->addAction(tr("Show &Window"), this, &Form1::restoreFromTray);
    ui.mnuSysTrayPopup->setDefaultAction(ui.mnuSTRestore);
}

} // namespace tunewalk
