#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace tunewalk {

// The tree's image list: one picture per image key ("Desktop", "MyComputer", "MyDocuments",
// "Drive", "CD", "NetDrive", "Floppy", "Folder", "OpenFolder"), taken from the style so they
// match the desktop, and the hide button's close glyph.
class TreeIcons {
public:
    // The picture of `imageKey`; with a selected image, the icon shows that one while the node
    // is selected. Icons are cached, so every node of a kind shares one.
    static QIcon forNode(const QString& imageKey, const QString& selectedImageKey = {});

    // The 16 by 14 pixel close glyph, plain or highlighted (pointer over it).
    static QPixmap closeGlyph(bool highlighted);
};

} // namespace tunewalk
