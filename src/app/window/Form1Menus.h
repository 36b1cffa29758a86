#pragma once

#include <QList>

class QAction;
class QMenu;

namespace tunewalk {

// The main window's menus and commands, by the names the program's parts use: the menu bar's
// menus, the list's, the tree's and the tray's pop-ups, and the volume menu.
struct Form1Menus {
    QMenu* mnuEdit = nullptr;
    QAction *mnuUndo = nullptr, *mnuRedo = nullptr, *mnuHistory = nullptr;
    QMenu *mnuFile = nullptr, *mnuFolder = nullptr, *mnuAudio = nullptr, *mnuSettings = nullptr,
          *mnuFavorites = nullptr, *mnuHelp = nullptr;
    QMenu* mnuPopup = nullptr;
    QMenu* mnuSysTrayPopup = nullptr;
    QMenu* mnuVolume = nullptr;
    QAction *mnuOpen = nullptr, *mnuOpenDefault = nullptr, *mnuDefaultCurrent = nullptr,
            *mnuSave = nullptr, *mnuExit = nullptr;
    QAction *mnuPlayAllExternal = nullptr, *mnuPlaySelectedExternal = nullptr;
    QAction *mnuAddFavorite = nullptr, *mnuEditFavorites = nullptr;
    // The separator under the two favorites commands, then one item per favorite.
    QList<QAction*> mnuFavoriteList;
    QAction *mnuViewDir = nullptr, *mnuAbout = nullptr;
    QAction *mnuUpOne = nullptr, *mnuRefresh = nullptr, *mnuShowCurrent = nullptr;
    QAction* mnuFilter = nullptr;
    QAction *mnuNewFolder = nullptr, *mnuRenameFile = nullptr, *mnuDeleteFile = nullptr,
            *mnuFileProperties = nullptr;
    QAction *mnuRename = nullptr, *mnuDelete = nullptr, *mnuProperties = nullptr;
    QAction* mnuShowInFolder = nullptr; // in the File menu and the list's pop-up
    QAction *mnuPlayFile = nullptr, *mnuPause = nullptr, *mnuStop = nullptr, *mnuNext = nullptr,
            *mnuPrevious = nullptr, *mnuRepeat = nullptr, *mnuAll = nullptr, *mnuRandom = nullptr,
            *mnuMoveUp1 = nullptr, *mnuMoveDown1 = nullptr, *mnuMP3Tags = nullptr,
            *mnuWAVHeaders = nullptr;
    QAction *mnuRenameFromTags = nullptr, *mnuTagsFromNames = nullptr;
    QAction *mnuPlay = nullptr, *mnuMoveUp = nullptr, *mnuMoveDown = nullptr,
            *mnuEditTags = nullptr, *mnuEditWAV = nullptr;
    // Edit Tags, for every audio kind: in the Audio menu and in the list's pop-up.
    QAction *mnuAudioTags = nullptr, *mnuEditAudioTags = nullptr;
    QAction *mnuSystemTray = nullptr, *mnuFloater = nullptr, *mnuStartupZoom = nullptr,
            *mnuRememberPosition = nullptr, *mnuShowTree = nullptr, *mnuGridLines = nullptr,
            *mnuFolderSizes = nullptr, *mnuDetailsCache = nullptr, *mnuKeepTimes = nullptr,
            *mnuConfirmDeletes = nullptr, *mnuPermanentDelete = nullptr, *mnuUnregister = nullptr;
    QAction* mnuReadAllTags = nullptr;
    QAction* mnuPlayingList = nullptr;
    QMenu* mnuEncoding = nullptr;
    QMenu* mnuID3v2Version = nullptr;
    QMenu *mnuReplayGain = nullptr, *mnuPreamp = nullptr, *mnuOutputDevice = nullptr;
    QAction *mnuSTPlay = nullptr, *mnuSTPause = nullptr, *mnuSTStop = nullptr, *mnuSTNext = nullptr,
            *mnuSTPrevious = nullptr, *mnuSTRepeat = nullptr, *mnuSTPlayAll = nullptr,
            *mnuSTExit = nullptr, *mnuSTRestore = nullptr;
    QAction *volumeUp = nullptr, *volumeDown = nullptr, *volumeMute = nullptr;
    // Play/Pause in the Audio menu; the tree's pop-up (its folder commands) and its
    // Properties, which shows the tree's folder.
    QAction* mnuPlayPause = nullptr;
    QMenu* mnuTreePopup = nullptr;
    QAction* mnuTreeProperties = nullptr;
};

} // namespace tunewalk
