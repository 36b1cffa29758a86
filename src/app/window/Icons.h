#pragma once

#include <QIcon>
#include <QString>

namespace tunewalk::Icons {

// The picture of a small-icon key of the list ("MyComputer", "MyDocuments", "Folder", "MP3",
// "WAV", "Playing", "Drive", "Floppy", "NetDrive", "CD"); an empty icon for any other key.
QIcon small(const QString& key);

// The picture of a toolbar button key ("Zoom", "Up", ... "Volume").
QIcon button(const QString& key);

// The program's own icon (window, tray).
QIcon program();

} // namespace tunewalk::Icons
