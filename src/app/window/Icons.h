#pragma once

#include <QIcon>
#include <QPalette>
#include <QString>

namespace tunewalk::Icons {

// The picture of a small-icon key of the list ("MyComputer", "MyDocuments", "Folder", "MP3",
// "WAV", "Playing", "Drive", "Floppy", "NetDrive", "CD"), made to read on the palette's Base
// (the list's background), with a selected form for rows on the Highlight colour; an empty
// icon for any other key.
QIcon small(const QString& key, const QPalette& palette);
QIcon small(const QString& key); // on the application's palette

// The picture of a toolbar button key ("Zoom", "Up", ... "Volume"), made to read on the
// palette's Window colour: the desktop icon theme's picture where the theme has one, else the
// program's own line drawing in the palette's WindowText colour. A picture too close to the
// background (a dark theme icon on a dark palette) is redrawn in the WindowText colour.
QIcon button(const QString& key, const QPalette& palette);
QIcon button(const QString& key); // on the application's palette

// The program's own icon (window, tray).
QIcon program();

} // namespace tunewalk::Icons
