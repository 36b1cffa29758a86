#pragma once

#include "metadata/tags/TagWriter.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>

#include "app/favorites/FavoriteFolders.h"
#include "app/fileops/FileOperations.h"
#include "app/history/UndoHistory.h"
#include "app/listing/AudioDetails.h"
#include "app/window/Form1Menus.h"
#include "common/KeyedCollection.h"
#include "common/NameIDPair.h"
#include "foldertree/Treefolder.h"
#include <functional>
#include <memory>
#include <optional>
#include <system_error>
#include <vector>

class QAction;
class QActionGroup;
class QDropEvent;
class QLabel;
class QLineEdit;
class QMimeData;
class QMouseEvent;
class QMoveEvent;
class QShowEvent;
class QShortcut;
class QMenu;
class QToolButton;
class QTreeView;
class QTreeWidget;
class QTreeWidgetItem;

namespace tunewalk {

class FolderListing;
class FolderModel;
class FolderSortModel;
class GridDelegate;
class KeptPlayList;
class PlayList;
class ReturnAddress;
class ShownRows;
struct ListEntry;
class MediaPlayer;
class MP3TagEditor;
class Playback;
class PlayOrder;
class PlayerPanel;
class Prompter;
class UndoHistory;
namespace history {
class Recording;
}
class frmHistory;
class SettingsStore;
class ShellOperations;
class TrayIcon;
class WAVInfo;

// What the main window needs from outside: the settings, the prompts, the tray icon, the
// command line and the folder to start in when nothing else names one.
struct Form1Services {
    SettingsStore* settings = nullptr;
    Prompter* prompter = nullptr;
    TrayIcon* tray = nullptr;
    MediaPlayer* player = nullptr;
    ShellOperations* shell = nullptr;
    QString commandLine; // the arguments as one text, blanks between them
    // Where to start when nothing names a folder: fallbackStartFolder() in the program.
    QString fallbackFolder;
};

// The start folder and the file to select in it, from the command line and "DefaultPath".
// A relative path on the command line is taken in `workingFolder` (empty: this process's).
struct StartChoice {
    QString folder;
    QString pendingSelection;
    QString missingFolder; // the command line's folder, when it is not there (fallback taken)
};
StartChoice chooseStartFolder(const QString& commandLine, const QString& defaultPath,
                              const QString& fallbackFolder, const QString& workingFolder = {});
// The program's arguments as the one command line the start folder choice reads.
QString commandLineOf(const QStringList& arguments, const QString& workingFolder);
// Where a start with no folder named begins: the user's Music folder when there is one, else
// the home folder. (The program's own folder is an install folder, never the user's music.)
QString fallbackStartFolder();

// The absolute on-disk form of a path; empty when nothing exists there.
QString GetLongFileName(const QString& path);

class DesktopMediaControls;
class Form1;
// Lets the desktop's media keys and player widgets drive the window's playback, and keeps
// them told of what plays.
void connectMediaControls(Form1& window, DesktopMediaControls& controls);

// The main window: the folder list (the playlist), the toolbar, the player area, the status
// bar and the tray icon. It shows the parts beside this folder (listing/, playback/,
// playorder/, favorites/, fileops/) and turns the user's commands into their calls; its own
// code is split over one source file per concern: Form1.cpp (controls), Form1Startup.cpp,
// Form1Listing.cpp, Form1Playback.cpp, Form1PlayOrder.cpp, Form1FileOps.cpp, Form1DragDrop.cpp,
// Form1TreeGlue.cpp, Form1Tags.cpp, Form1EditTags.cpp, Form1Naming.cpp, Form1Export.cpp,
// Form1Favorites.cpp, Form1Commands.cpp, Form1WindowModes.cpp, Form1Layout.cpp, Form1Filter.cpp,
// Form1Keyboard.cpp,
// Form1History.cpp and Form1AudioSettings.cpp.
class Form1 : public QMainWindow {
    Q_OBJECT
public:
    explicit Form1(const Form1Services& services, QWidget* parent = nullptr);
    ~Form1() override;

    // ---- start-up and shut-down
    // The load sequence: settings to menus and geometry, the start folder, the first listing
    // a moment after the window shows.
    void load();
    // Writes the "Position" section (when Remember Position is on); run by closing, by the end
    // of the desktop session and by SIGTERM/SIGINT.
    void saveLayout();
    // Another start of the program asked for this window.
    void raiseFromAnotherStart();
    // Another start was given a folder or file (Open With in a file manager): it is listed as
    // a first start would list it, a file selected and played, and the window comes forward.
    // An empty command line only raises the window.
    void openFromAnotherStart(const QString& commandLine, const QString& workingFolder = {});

    // ---- listing
    void PopulateList(const QString& path, bool fromTree = false, bool isMyDocuments = false);
    // A row for a file or folder the program put into the listed folder; false when the list
    // does not show it (or shows it already).
    bool addFile(const QString& path);
    bool addFolderItem(const QString& folder);
    // The row with this key; valid until the list changes next.
    const ListEntry* findRow(const QString& key) const;
    const ListEntry* currentRow() const;
    int getSelCount() const;
    int getFileSelCount() const;
    int getMP3SelCount() const;
    // The selected rows, in display order.
    std::vector<const ListEntry*> selectedRows() const;
    void selectOnly();
    QStringList listKeys() const;
    void adoptRenamedFolder(const QString& newPath);
    // Makes the row current and selected alone, as a click on it does, and runs the row-click
    // handling.
    void clickRow(const ListEntry* row);
    void handleRowClick(const ListEntry* row);
    void handleDoubleClick(const ListEntry* row);
    void handleColumnClick(int column);
    // Opens the list's pop-up for the row: at `at` (screen coordinates), at the pointer when
    // null.
    void handleRightClick(const ListEntry* row, const QPoint* at = nullptr);
    QString desktopFolder() const;
    QString myDocumentsFolder() const;

    // ---- details
    // The file has just been written by the program: its row shows it as it is now.
    void updateFileItem(const QString& key);
    // Reads the row's details again in the background, so the details cache learns of a change
    // that the file's size and time do not show.
    void detailsChanged(const QString& key);
    bool isFillingDetails() const;
    // The listing's stages, which fill the rows.
    FolderListing& listing() const { return *m_listing; }

    // ---- playback
    // Hands a file to the player and makes it current; an empty key means the list's current
    // row. With force off, a file chosen while paused loads and stays paused.
    void playItem(QString key, bool force);
    void stopPlayback();
    void playNext(const QString& key, bool automatic);
    void playPrevious(const QString& key);
    void selectFirstAudio(bool play);
    // The Play, Pause and Stop commands of the menus, toolbar and tray.
    void playCommand();
    void pauseCommand();
    void stopCommand();
    // One key for both: pauses or resumes what plays, plays when nothing does.
    void playPauseCommand();
    // The toolbar's "Previous": back to the start of the file, or to the previous file near
    // its start.
    void restartOrPrevious();
    void volumeUpCommand();
    void volumeDownCommand();
    void muteCommand();
    // The "Current" panel's text for a file: its track name, or its file name.
    QString currentText(const QString& key) const;
    MediaPlayer* player() const { return m_player; }

    // ---- play order
    int renumberPlaylist();
    void moveUp();
    void moveDown();
    void randomizePlaylist();

    // ---- file operations
    // Moves the MP3 and WAV files and the folders among `paths` into `destination`, asking
    // before anything is replaced.
    void MoveDroppedItems(const QStringList& paths, const QString& destination);
    // The moves, deletes and Trash jobs, run on a worker.
    FileOperations& fileOperations() { return *m_fileOps; }
    void deleteCommand();
    void newFolderCommand();

    // ---- undo history
    // Every change to files is recorded here; Edit > Undo, Redo and History act on it.
    UndoHistory& history() { return *m_history; }
    // How tag saves write tags beyond ID3v1, as the settings say.
    TagWriteOptions tagWriteOptions() const;
    // Whether every tag is read (and so kept in step by an ID3v1 save).
    bool readsAllTags() const;
    void undoCommand();
    void redoCommand();
    void historyCommand();
    // F2 and the Folder menu's rename: the tree's folder or the list's current row, by the
    // same rule as Delete.
    void renameCommand();
    // Starts editing the current row's name; the rename follows when the edit is done.
    void startRename();
    void renameRow(const QString& key, const QString& typed);
    void propertiesCommand();
    // Shows the current row, or the tree's folder when the tree was last active, in the
    // desktop's file manager.
    void showInFileManagerCommand();
    // The list's drag from start to completion (public for the tests, which cannot run a
    // real drag loop).
    void startListDrag();
    // What a drag from the list carries: the selected files and folders as a file list
    // (move only), or their names as text (copy only) when nothing may move.
    QMimeData* listDragData(Qt::DropActions* allowed);
    void completeListDrag(Qt::DropAction effect);
    bool listDragOver(QDropEvent* event);
    void listDrop(QDropEvent* event);
    bool upButtonDragOver(QDropEvent* event);
    void upButtonDrop(QDropEvent* event);
    QToolButton* upButton() const;
    // The answers to the tree's drag events (public for the same reason).
    void treeMouseMove(int button, float x, float y);
    void treeStartDrag(QMimeData* data, int& allowed);
    // What a drag from `node` carries and allows.
    void treeStartDragFrom(const QTreeWidgetItem* node, QMimeData* data, int& allowed);
    void treeDragOver(const QMimeData* data, int& effect, float x, float y);
    void treeDrop(const QMimeData* data, int& effect, float x, float y);
    void treeCompleteDrag(int effect);

    // ---- the filter over the list (Form1Filter.cpp)
    // Shows the filter field above the list and puts the cursor in it (Ctrl+F).
    void showFilter();
    // Clears the filter and hides its field (Escape).
    void hideFilter();
    // The rows the filter leaves shown, in display order: all of them without a filter.
    std::vector<const ListEntry*> shownRows() const;

    // ---- export and the external player (Form1Export.cpp)
    void saveListing();          // mnuSave
    void playAllExternal();      // mnuPlayAllExternal
    void playSelectedExternal(); // mnuPlaySelectedExternal

    // ---- favorites (Form1Favorites.cpp)
    // Reads "FavoritesList" into Favorites and rebuilds the menu.
    void loadFavorites();
    void saveFavorites();
    void rebuildFavoritesMenu();
    void addFavorite();
    void editFavorites();
    void chooseFavorite(int index);
    // Whether `path` may become a favorite; reports it when it already is one.
    bool favoritePathFree(const QString& path);

    // ---- settings dialogs (Form1Commands.cpp)
    void showDefaultDirectory(); // mnuViewDir
    void showAbout();            // mnuAbout

    // ---- tag and header editors
    // One selected MP3 row opens the tag editor, two or more the batch editor.
    void editTagsCommand();
    void editWavCommand();
    // The WAV header editor, when the current row is a WAV file.
    void wavHeadersCommand();
    // Edit Tags: the tags of the selected audio files of any kind, one or many
    // (Form1EditTags.cpp).
    void editAudioTagsCommand();
    // Rename from Tags and Tags from File Names, on the selected files (Form1Naming.cpp).
    void renameFromTagsCommand();
    void tagsFromNamesCommand();

    // ---- commands and window modes
    void updateCommandStates(bool relayout);
    void zoom();
    void restoreFromTray();
    QAction* button(const QString& key) const;
    QToolButton* volumeButton() const { return m_volumeButton; }

    // ---- layout
    void resizeHandling();
    int smallWindowHeight() const;
    QString toTrashTip() const;
    void showPauseState();
    // Whether the toolbar's buttons are stops of the Tab chain.
    void setToolbarFocus(bool small);
    void applyIconSizes();
    // Moves the splitter by `dx` twips, as dragging it does.
    void dragSplitter(double dxTwips);
    double treeWidthTwips() const;

    // ---- what the window's parts and its tests may look at
    // The listed folder, "Drives" for the volumes.
    const QString& folder() const { return dirCurrent; }
    // The file the player has (playing, paused or opening); empty when none.
    const QString& playingFile() const;
    bool playing() const;
    bool paused() const;
    // A file chosen while paused waits, paused, until its first report of playing.
    bool pausingOnStart() const;
    // What plays; the media-controls bridge and the tray ask here.
    Playback& playback() const { return *m_playback; }
    bool playingFileListed() const { return currentInList; }
    bool listHasAudio() const { return hasAudioFiles; }
    bool playOrderOn() const;
    bool inSmallWindow() const { return smallWindowMode; }
    // The furthest the splitter may go, in twips from the window's left edge.
    int splitterLimitTwips() const { return splitterLimit; }
    // Paths being dragged (2) and moves the user declined (0); empty between drags.
    const QHash<QString, int>& draggedPaths() const { return dragDictionary; }
    // The favorites dialog edits them; Done rebuilds the menu and saves them.
    FavoriteFolders& favoriteFolders() { return Favorites; }
    // The one-shot timer whose firing starts the first listing (the start-up benchmark
    // watches it).
    QTimer* firstListingTimer() { return &Timer1; }
    // How long a second click on the current row waits before it starts a rename.
    int renameClickDelayMs() const { return Timer3.interval(); }

    // The controls, for the desktop services around the window and for the tests: a command
    // or menu by its name ("mnuPlayFile", "mnuSysTrayPopup", ...).
    QAction* command(const QString& name) const;
    QMenu* menu(const QString& name) const;
    QTreeView* list() const { return ListView1; }
    // The list's rows, and their order and filter.
    FolderModel& rows() const { return *m_model; }
    FolderSortModel& rowOrder() const { return *m_sortModel; }
    // Where the row with this key is in the view; invalid when it is not shown.
    QModelIndex viewIndex(const QString& key, int column = 0) const;
    // The row a view index shows.
    const ListEntry* rowAt(const QModelIndex& index) const;
    Treefolder* tree() const { return Treefolder1; }
    PlayerPanel* playerPanel() const { return MediaPlayer1; }
    QLabel* statusLabel() const { return panelLabel; }
    QLabel* currentLabel() const { return panelCurrent; }
    // The status bar's counts of what the list shows.
    QLabel* countsLabel() const { return panelCounts; }
    QLineEdit* filterField() const { return txtFilter; }
    QLabel* treeSpacer() const { return lblSpacer; }
    // The favorites menu's items, one per favorite, in menu order.
    QList<QAction*> favoriteItems() const;

signals:
    // The window closed: the program ends.
    void closed();
    // A listing has a row for every name (sizes, times and details follow).
    void listed();
    // Every row of the listing has its size and modification time.
    void statsFilled();
    // Every row of the listing has its details.
    void detailsFilled();
    // What plays, or whether anything does, changed; or the volume or mute did.
    void playbackChanged();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class ShownRows;

    // The favorite folders, keyed by path (Tag), in the order the user added them.
    FavoriteFolders Favorites;

    // ---- state shared by every concern of the window
    QString dirCurrent;
    QString startFolder;
    QString pendingSelection;
    bool suppressAutoPlay = false;
    bool listingDesktop = false;
    bool smallWindowMode = false;
    bool layoutGuard = false;
    bool hasAudioFiles = false;
    int playerState = 0;
    bool nameClicked = false;
    bool rowClicked = false;
    bool doubleClickPending = false;
    bool listDragActive = false;
    bool treeActive = false;
    bool currentInList = false;
    int splitterLimit = 0;
    bool wasMaximized = false;
    // Paths dragged out of the list or the tree (2) and moves the user declined (0).
    QHash<QString, int> dragDictionary;
    // The tree node a drag starts from, until the drag asks for its data.
    QTreeWidgetItem* dragSourceNode = nullptr;

    // ---- controls, by the names the program's parts use
    QTreeView* ListView1 = nullptr;
    FolderModel* m_model = nullptr;
    FolderSortModel* m_sortModel = nullptr;
    FolderListing* m_listing = nullptr;
    GridDelegate* m_delegate = nullptr;
    Treefolder* Treefolder1 = nullptr;
    QLabel* lblSpacer = nullptr;
    PlayerPanel* MediaPlayer1 = nullptr;
    QLabel* panelLabel = nullptr;   // status panel "Label"
    QLabel* panelCurrent = nullptr; // status panel "Current"
    QLabel* panelCounts = nullptr;  // folders, files and length; what the filter shows
    QLabel* panelHistory = nullptr; // shown while changes cannot be recorded for undo
    QLineEdit* txtFilter = nullptr;
    QToolBar* Toolbar1 = nullptr;

    // The menus and their commands, by the names the program's parts use.
    Form1Menus ui;

    // One-shot timers: start-up listing, slow second click, start-up zoom.
    QTimer Timer1, Timer3, Timer5;

    // Form1.cpp
    void registerControls();
    void createMenus();
    void createToolbar();
    void createList();
    void createStatusBar();
    void createTrayMenu();
    QAction* addButton(const QString& key, const QString& tip);
    void refreshIcons();
    QAction* toggle(QMenu* menu, const QString& caption, const QString& key,
                    void (Form1::*effect)());

    // Form1Startup.cpp
    static TreefolderEnvironment treeEnvironment();
    void openStartFolder();
    void createEditMenu();
    void updateEditMenu();
    // After an undo or redo: the list, the tree and the details show the disk as it is now.
    void showUndone(const UndoHistory::Touched& touched);
    // Tells the user of runs cut short found in the history, and of a history started afresh.
    void reportHistoryAtStart();
    // A rename in place and a new folder, recorded so they can be undone.
    MoveOutcome renameRecorded(const QString& oldPath, const QString& newPath);
    bool createFolderRecorded(const QString& path, std::error_code& error);
    void endRecording(history::Recording& recording);
    // Says in the status bar, until a change is recorded again, that changes cannot be undone.
    void showHistoryWritten(bool written);
    // Chooses the folder (and file) from a command line on a worker, then lists it.
    void openChosenFolder(const QString& commandLine, const QString& workingFolder,
                          bool fromAnotherStart);
    // While a dialog is open, a folder handed over waits until it has closed; false when none
    // is open.
    bool waitForDialog(const QString& commandLine, const QString& workingFolder);
    void applyOptionSettings();
    // The keys whose saved values are not numbers.
    QStringList applyPositionSettings();
    bool readNumber(const QString& key, double* value, QStringList* bad) const;
    QString setting(const QString& key, const QString& defaultValue) const;
    QString position(const QString& key) const;
    void savePosition(const QString& key, double value);
    // Form1Placement.cpp
    void saveFullGeometry();
    void restoreFullGeometry(QStringList* bad);
    // Gives the inside the size and place that make the restored frame exact, once the frame is
    // known.
    void settleFrameSize();
    // Moves the frame to `place`, also while the window manager has not yet told the frame.
    void placeFrame(QPoint place);
    // The window is shown and the window manager has told its frame (or has none to tell).
    bool frameKnown() const;

    // Form1Listing.cpp
    void connectListing();
    // The rows are all in: the pending selection or the first row, `listed`.
    void showRows();
    QStringList visibleNames() const;
    void openDirectory();
    void openDefaultDirectory();
    void upOneDir();
    void showCurrentFile();
    // A drive without its medium, or whose mount does not answer; Retry lists it again.
    void reportNotReady(const QString& root);
    // The header shows the column and direction the list is sorted by (none for a play order).
    void showSortIndicator();

    // Form1FileOps.cpp
    QTreeWidgetItem* fileCommandNode(bool* onTree) const;
    void followCurrentFile(const QString& from, const QString& to);
    void moveLookedAt(const std::vector<FileOperations::Dropped>& looks,
                      const QString& destination);
    void showMoved(const FileOperations::Moved& moved, const QString& destination,
                   QStringList* errors, QStringList* gone);

    // Form1DragDrop.cpp
    void acceptFileDragEnter(QDropEvent* event, const std::function<bool(QDropEvent*)>& dragOver);

    // Form1Keyboard.cpp
    void setUpKeyboard();
    void setUpTabOrder();
    bool keyboardEvent(QObject* watched, QEvent* event);
    void popUpListMenu();
    void popUpTreeMenu(const QPoint& at);

    // Form1Playback.cpp
    void connectPlayback();
    void onPlayerError(quint32 code, const QString& description);
    void setTrayTip(const QString& text);
    void setRowIconFromTag(const QString& key);
    // Moves to the next or previous file of the playing list; the list's selection goes along
    // unless `automatic` and the user chose other rows meanwhile.
    void stepTo(const QString& key, bool automatic);

    // Form1PlayingList.cpp
    void connectPlayingList();
    // The list `key` plays in: the listed rows when it is one of them, else the playing folder's
    // rows kept when another folder was listed; null when it is in neither.
    const PlayList* playingList(const QString& key) const;
    void keepPlayingList(const QString& nextFolder);
    void forgetKeptList();
    // Tells the player what plays straight on after the current file.
    void prepareNext();
    bool selectionFollowsPlaying(const QString& key) const;
    void followSwitch(const QString& from, const QString& to);
    void showNotice(const QString& text);
    // Play All goes past a file that cannot play; false when the player's error is to be shown.
    bool skipFailedFile(const QString& key, const QString& description);
    std::shared_ptr<ShownRows> m_shownRows;
    std::unique_ptr<KeptPlayList> m_keptList;
    QTimer m_nextTimer;
    QSet<QString> m_failedInARow; // files that failed since one last played
    void prepareVolumeMenu();
    // The saved volume and mute handed to the player at start-up; then the panel shows what
    // the player has, and a change the user made is saved (once a drag of the slider ends).
    void applyVolumeSettings();
    void followVolume();
    void rememberVolume();

    // Form1FileOps.cpp
    bool isListedFolder(const QString& folder) const;
    void showFileError(const QString& description);
    void removeRow(const QString& key);
    void removeRows(const QStringList& keys);
    void showDeleted(const QStringList& paths, bool onTree);
    void forgetVanished(const QStringList& paths);
    bool mayReplace(const QString& path, const QString& question);
    bool validName(const QString& name, QString* why) const;
    void listMousePress(const QMouseEvent* mouse);
    void listMouseRelease(const QMouseEvent* mouse);

    // Form1DragDrop.cpp
    bool dragDropEvent(QObject* watched, QEvent* event);
    void setListDropHighlight(const QString& key);

    // Form1TreeGlue.cpp
    void connectTree();
    void treeRename(int& cancel, QString& newName);
    QString nodeFolder(const QTreeWidgetItem* node) const;

    // Form1Naming.cpp
    QStringList selectedFiles() const;
    void renameFiles(const std::vector<std::pair<QString, QString>>& renames);

    // Form1PlayOrder.cpp
    void moveSelection(bool up);
    void sortByPlayOrder();

    // Form1Commands.cpp
    void saveToggle(const QString& key, bool on);
    void reportSettingsFailure();
    void onSystemTray();
    void onShowTree();
    void onGridLines();
    void onPermanentDelete();
    // Repeat and Play All: show the state on the menu, tray and toolbar; apply also saves it.
    void showRepeat(bool on);
    void showAll(bool on);
    void applyRepeat(bool on);
    void applyAll(bool on);
    void deleteAllSettings();
    void makeCurrentFolderDefault();

    // Form1WindowModes.cpp
    void enterSmallWindow();
    void leaveSmallWindow();
    void applySmallPlacement();
    void exitFromTray();
    int screenWidthTwips() const;

    // Form1Layout.cpp
    void placeControls();
    // The size of a window with no saved place.
    QSize firstRunSize() const;
    // No saved column widths: the columns are fitted to the list, first the built-in widths
    // when the first listing's names are in, then to their contents whenever a listing's details
    // are, until the user sets a width.
    void fitColumnsOnFirstListing();
    // Measure off: the contents' widths measured last time, shared out over the list's width now.
    void fitColumns(bool toContents, bool measure = true);
    void refitAfterEdits();
    bool m_columnsSaved = false;        // column widths came from the settings
    QSize m_frameToFit;                 // the restored frame's size, until the frame is known
    std::optional<QPoint> m_placeToFit; // a frame place given before the frame was known
    bool m_frameSettleDue = false;
    std::vector<int> m_fittedWidths;
    std::vector<int> m_contentWidths; // of the last listing fitted to its contents

    // Form1Columns.cpp
    void createColumnChooser();
    void applyChosenColumns();
    void chooseColumn(int column, bool on);
    void createReadingMenu(QMenu* settings);
    void applyReadingSettings();
    void onReadingChanged();
    DetailOptions detailOptions() const;
    QMenu* m_columnMenu = nullptr;

    // Form1EditTags.cpp
    // Settings > ID3v2 Version: the version MP3 tags are saved in.
    void createTagWritingMenu(QMenu* settings);
    void applyTagWritingSettings();

    // Form1AudioSettings.cpp
    void createAudioMenus(QMenu* settings);
    // The saved ReplayGain and output handed to the player at start-up.
    void applyAudioSettings();
    // The chosen gain (Automatic taken by Play All) and pre-amp, to the player.
    void applyReplayGain();
    // The outputs the player offers now, the one that plays checked.
    void rebuildOutputMenu();
    QActionGroup* m_outputChoices = nullptr;

    // Form1Filter.cpp
    void createFilter();
    void placeFilter();
    // Filters every row again; typed: the user changed the text.
    void applyFilter(bool typed);
    // The next row shown after `from` (step 1) or before it (step -1), in display order; from
    // nullptr, the first row shown.
    const ListEntry* shownNeighbour(const ListEntry* from, int step) const;
    void queueCounts();
    void showCounts();
    bool m_filterOn = false; // the field shows
    bool m_countsQueued = false;
    QShortcut* m_listEscape = nullptr;

    SettingsStore* m_settings;
    Prompter* m_prompter;
    TrayIcon* m_tray;
    MediaPlayer* m_player;
    Playback* m_playback;
    std::unique_ptr<PlayOrder> m_playOrder; // made with the list
    ShellOperations* m_shell;
    FileOperations* m_fileOps;
    UndoHistory* m_history = nullptr;
    QPointer<frmHistory> m_historyWindow;
    QString m_commandLine;
    QString m_fallbackFolder;

    std::unique_ptr<MP3TagEditor> m_tagEditor; // oTagEditor, created on first use
    std::unique_ptr<WAVInfo> m_wavReader;      // wavReader, created on first use
    MP3TagEditor& oTagEditor();
    WAVInfo& wavReader();

    QHash<QString, QAction*> m_buttons;
    QHash<QString, QAction*> m_commands;
    QHash<QString, QMenu*> m_menus;
    QToolButton* m_volumeButton = nullptr;
    int m_listings = 0;           // listings started, so a late answer sees it was overtaken
    bool m_pendingNoPlay = false; // the pending selection is shown, not played
    // Folders handed over by other starts, so that only the newest is opened.
    int m_handOvers = 0;
    int m_handOverRequests = 0; // from other starts, counted as they arrive
    bool m_refreshing = false;  // the Refresh command is listing the folder again
    // How the listing under way was asked for: from the tree (which selected the folder
    // already), and as My Documents (whose node the tree selects).
    bool m_listingFromTree = false, m_listingMyDocuments = false;
    // The way back for one-off workers (start-up's look at the start folder).
    std::shared_ptr<ReturnAddress> m_back;
    double m_treeWidthTwips = 3000;
    bool m_shutDown = false;
    bool m_settingsFailureShown = false;
    int m_savedVolume = 100; // percent, as the settings hold it
    bool m_savedMute = false;
    QString m_renamingKey; // the row whose name is being edited
    QPoint m_pressAt;
    bool m_pressOnCurrent = false; // the press may start a drag of the selected rows
    QPointF m_treePressAt;
};

} // namespace tunewalk
