#include "foldertree/TreeIcons.h"

#include <QApplication>
#include <QHash>
#include <QPainter>
#include <QStyle>

namespace tunewalk {

namespace {

constexpr int IconSize = 16;

QStyle::StandardPixmap standardPixmap(const QString& imageKey) {
    static const QHash<QString, QStyle::StandardPixmap> byKey = {
        {QStringLiteral("Desktop"), QStyle::SP_DesktopIcon},
        {QStringLiteral("MyComputer"), QStyle::SP_ComputerIcon},
        {QStringLiteral("MyDocuments"), QStyle::SP_DirHomeIcon},
        {QStringLiteral("Drive"), QStyle::SP_DriveHDIcon},
        {QStringLiteral("CD"), QStyle::SP_DriveCDIcon},
        {QStringLiteral("NetDrive"), QStyle::SP_DriveNetIcon},
        {QStringLiteral("Floppy"), QStyle::SP_DriveFDIcon},
        {QStringLiteral("Folder"), QStyle::SP_DirClosedIcon},
        {QStringLiteral("OpenFolder"), QStyle::SP_DirOpenIcon},
    };
    return byKey.value(imageKey, QStyle::SP_DirClosedIcon);
}

QPixmap picture(const QString& imageKey) {
    return QApplication::style()->standardIcon(standardPixmap(imageKey)).pixmap(IconSize);
}

} // namespace

QIcon TreeIcons::forNode(const QString& imageKey, const QString& selectedImageKey) {
    if (imageKey.isEmpty()) return {};
    // Never destroyed: pixmaps must not outlive the application object, and a static would.
    static auto* cache = new QHash<QString, QIcon>;
    const QString cacheKey = imageKey + u'|' + selectedImageKey;
    if (auto it = cache->constFind(cacheKey); it != cache->cend()) return *it;
    QIcon icon;
    icon.addPixmap(picture(imageKey), QIcon::Normal);
    icon.addPixmap(picture(selectedImageKey.isEmpty() ? imageKey : selectedImageKey),
                   QIcon::Selected);
    cache->insert(cacheKey, icon);
    return icon;
}

QPixmap TreeIcons::closeGlyph(bool highlighted) {
    QPixmap glyph(16, 14);
    glyph.fill(Qt::transparent);
    QPainter p(&glyph);
    p.setRenderHint(QPainter::Antialiasing);
    const QPalette palette = QApplication::palette();
    if (highlighted) {
        p.setPen(Qt::NoPen);
        p.setBrush(palette.color(QPalette::Highlight));
        p.drawRoundedRect(QRectF(0.5, 0.5, 15, 13), 2, 2);
    }
    p.setPen(QPen(highlighted ? palette.color(QPalette::HighlightedText)
                              : palette.color(QPalette::WindowText),
                  1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(4.5, 3.5), QPointF(11.5, 10.5));
    p.drawLine(QPointF(11.5, 3.5), QPointF(4.5, 10.5));
    return glyph;
}

} // namespace tunewalk
