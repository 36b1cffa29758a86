#include "app/window/Icons.h"

#include <QApplication>
#include <QHash>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <functional>

namespace tunewalk::Icons {

namespace {

QIcon standard(QStyle::StandardPixmap which) {
    return qApp->style()->standardIcon(which);
}

// A picture drawn from a symbol of the bundled font, for commands the style has no icon for.
QIcon glyph(const QString& symbol, const QColor& color, int pointSize = 13) {
    QIcon icon;
    for (const int side : {16, 24, 32}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::TextAntialiasing);
        QFont font = p.font();
        font.setPixelSize(side * pointSize / 16);
        font.setBold(true);
        p.setFont(font);
        p.setPen(color);
        p.drawText(pixmap.rect(), Qt::AlignCenter, symbol);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

// A document picture with a coloured band and a note, so MP3 and WAV rows differ at a glance.
QIcon audioFile(const QColor& band) {
    QIcon icon;
    for (const int side : {16, 32}) {
        QPixmap pixmap = standard(QStyle::SP_FileIcon).pixmap(side, side);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        const int h = side / 3;
        p.fillRect(QRect(side / 8, side - h - side / 8, side * 3 / 4, h), band);
        QFont font = p.font();
        font.setPixelSize(h);
        font.setBold(true);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRect(side / 8, side - h - side / 8, side * 3 / 4, h), Qt::AlignCenter,
                   QStringLiteral("\u266A"));
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

// A large window with a small one in its top right corner: the window shrinks or grows.
QIcon zoom() {
    QIcon icon;
    for (const int side : {16, 24, 32}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        const qreal u = side / 16.0;
        p.setPen(QPen(QColor(0x30, 0x30, 0x30), u));
        p.drawRect(QRectF(1.5 * u, 3.5 * u, 12 * u, 10 * u));
        p.fillRect(QRectF(1.5 * u, 3.5 * u, 12 * u, 2 * u), QColor(0x30, 0x30, 0x30));
        p.fillRect(QRectF(9 * u, 7 * u, 4 * u, 3 * u), QColor(0x2a, 0x6f, 0xb8));
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QIcon make(const QString& key) {
    static const QHash<QString, std::function<QIcon()>> makers = {
        {"MyComputer", [] { return standard(QStyle::SP_ComputerIcon); }},
        {"MyDocuments", [] { return standard(QStyle::SP_DirHomeIcon); }},
        {"Folder", [] { return standard(QStyle::SP_DirIcon); }},
        {"MP3", [] { return audioFile(QColor(0x2a, 0x6f, 0xb8)); }},
        {"WAV", [] { return audioFile(QColor(0x2e, 0x8b, 0x57)); }},
        {"Playing", [] { return standard(QStyle::SP_MediaPlay); }},
        {"Drive", [] { return standard(QStyle::SP_DriveHDIcon); }},
        {"Floppy", [] { return standard(QStyle::SP_DriveFDIcon); }},
        {"NetDrive", [] { return standard(QStyle::SP_DriveNetIcon); }},
        {"CD", [] { return standard(QStyle::SP_DriveCDIcon); }},
        {"Zoom", [] { return zoom(); }},
        {"Up", [] { return standard(QStyle::SP_FileDialogToParent); }},
        {"NewFolder", [] { return standard(QStyle::SP_FileDialogNewFolder); }},
        {"Delete", [] { return standard(QStyle::SP_TrashIcon); }},
        {"Refresh", [] { return standard(QStyle::SP_BrowserReload); }},
        {"Repeat", [] { return glyph(QStringLiteral("\u21BB"), QColor(0x30, 0x30, 0x30)); }},
        {"All", [] { return glyph(QStringLiteral("\u2261"), QColor(0x30, 0x30, 0x30)); }},
        {"Random", [] { return glyph(QStringLiteral("\u21C4"), QColor(0x30, 0x30, 0x30)); }},
        {"Tags", [] { return glyph(QStringLiteral("T"), QColor(0x2a, 0x6f, 0xb8), 12); }},
        {"Headers", [] { return glyph(QStringLiteral("H"), QColor(0x2e, 0x8b, 0x57), 12); }},
        {"MoveUp", [] { return standard(QStyle::SP_ArrowUp); }},
        {"MoveDown", [] { return standard(QStyle::SP_ArrowDown); }},
        {"Play", [] { return standard(QStyle::SP_MediaPlay); }},
        {"Pause", [] { return standard(QStyle::SP_MediaPause); }},
        {"Stop", [] { return standard(QStyle::SP_MediaStop); }},
        {"Previous", [] { return standard(QStyle::SP_MediaSkipBackward); }},
        {"Next", [] { return standard(QStyle::SP_MediaSkipForward); }},
        {"Volume", [] { return standard(QStyle::SP_MediaVolume); }},
        {"Program", [] { return glyph(QStringLiteral("\u266B"), QColor(0x2a, 0x6f, 0xb8), 15); }},
    };
    const auto it = makers.find(key);
    return it == makers.end() ? QIcon() : (*it)();
}

QIcon cached(const QString& key) {
    static QHash<QString, QIcon> cache;
    auto it = cache.find(key);
    if (it == cache.end()) it = cache.insert(key, make(key));
    return *it;
}

} // namespace

QIcon small(const QString& key) {
    return cached(key);
}
QIcon button(const QString& key) {
    return cached(key);
}
QIcon program() {
    return cached(QStringLiteral("Program"));
}

} // namespace tunewalk::Icons
