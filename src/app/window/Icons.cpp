#include "app/window/Icons.h"

#include <QApplication>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>
#include <QtMath>
#include <cmath>

namespace tunewalk::Icons {

namespace {

// The sizes drawn; the toolbar and the list ask for 16, a screen at twice the density for 32.
constexpr int Sides[] = {16, 24, 32, 48};

// Below this difference in lightness (0 to 1) between a picture and its background the picture
// is hard to make out.
constexpr double LeastContrast = 0.3;

double lightness(const QColor& c) {
    return (0.299 * c.redF() + 0.587 * c.greenF() + 0.114 * c.blueF());
}

// The mean lightness of a picture's pixels, each counted by how opaque it is; -1 when it has
// none.
double lightness(const QImage& image) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    double sum = 0, weight = 0;
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            const double a = qAlpha(line[x]) / 255.0;
            sum += a * lightness(QColor::fromRgb(line[x]));
            weight += a;
        }
    }
    return weight > 0 ? sum / weight : -1;
}

bool readsOn(const QPixmap& pixmap, const QColor& background) {
    const double l = lightness(pixmap.toImage());
    return l < 0 || std::abs(l - lightness(background)) >= LeastContrast;
}

// The picture's shape filled with `ink`.
QPixmap recoloured(const QPixmap& pixmap, const QColor& ink) {
    QPixmap out(pixmap.size());
    out.setDevicePixelRatio(pixmap.devicePixelRatio());
    out.fill(Qt::transparent);
    QPainter p(&out);
    p.drawPixmap(0, 0, pixmap);
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(out.rect(), ink);
    return out;
}

// `icon` as it is where it reads on `background`; otherwise its shape in `ink`.
QIcon readable(const QIcon& icon, const QColor& background, const QColor& ink) {
    if (icon.isNull()) return icon;
    QIcon out;
    for (const int side : Sides) {
        QPixmap pixmap = icon.pixmap(QSize(side, side));
        if (pixmap.isNull()) continue;
        if (!readsOn(pixmap, background)) pixmap = recoloured(pixmap, ink);
        out.addPixmap(pixmap);
    }
    return out;
}

// ---- the program's own pictures: lines 1.5 units wide on a 16-unit square, round ends,
// filled where a player's buttons are filled by custom, all in one ink.

using Drawing = void (*)(QPainter&);

QPixmap drawnPixmap(Drawing drawing, int side, const QColor& ink) {
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(side / 16.0, side / 16.0);
    p.setPen(QPen(ink, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    drawing(p);
    return pixmap;
}

QIcon drawn(Drawing drawing, const QColor& ink, const QColor& selectedInk = QColor()) {
    QIcon icon;
    for (const int side : Sides) {
        icon.addPixmap(drawnPixmap(drawing, side, ink), QIcon::Normal);
        if (selectedInk.isValid())
            icon.addPixmap(drawnPixmap(drawing, side, selectedInk), QIcon::Selected);
    }
    return icon;
}

void fillWithInk(QPainter& p) {
    p.setBrush(p.pen().color());
}

// A line that ends in an arrow head, pointing the way the line goes at its end.
void arrow(QPainter& p, const QPainterPath& line) {
    p.drawPath(line);
    const QPointF end = line.pointAtPercent(1);
    const qreal angle = qDegreesToRadians(line.angleAtPercent(1));
    const QPointF along(std::cos(angle), -std::sin(angle)), across(-along.y(), along.x());
    p.save();
    fillWithInk(p);
    p.setPen(QPen(p.pen().color(), 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolygon(QPolygonF{end + along * 2.2, end + across * 2.4, end - across * 2.4});
    p.restore();
}

QPainterPath polyline(std::initializer_list<QPointF> points) {
    QPainterPath path(*points.begin());
    for (auto it = points.begin() + 1; it != points.end(); ++it)
        path.lineTo(*it);
    return path;
}

void folderOutline(QPainter& p) {
    p.drawPath(
        polyline({{1.5, 4}, {6, 4}, {7.5, 5.5}, {14.5, 5.5}, {14.5, 13.5}, {1.5, 13.5}, {1.5, 4}}));
}

void page(QPainter& p) {
    p.drawPath(polyline(
        {{9.5, 1.5}, {3, 1.5}, {3, 14.5}, {13, 14.5}, {13, 5}, {9.5, 1.5}, {9.5, 5}, {13, 5}}));
}

void drawZoom(QPainter& p) {
    // A window with a small one inside: the window's two sizes.
    p.drawRoundedRect(QRectF(1.5, 2.5, 13, 11), 1.5, 1.5);
    p.drawLine(QPointF(1.5, 5.5), QPointF(14.5, 5.5));
    fillWithInk(p);
    p.drawRect(QRectF(8.5, 8.5, 3.5, 2.5));
}

void drawUp(QPainter& p) {
    folderOutline(p);
    arrow(p, polyline({{8, 12}, {8, 9}}));
}

void drawNewFolder(QPainter& p) {
    folderOutline(p);
    p.drawLine(QPointF(8, 7.5), QPointF(8, 11.5));
    p.drawLine(QPointF(6, 9.5), QPointF(10, 9.5));
}

void drawDelete(QPainter& p) {
    p.drawLine(QPointF(2.5, 4), QPointF(13.5, 4));
    p.drawPath(polyline({{6, 4}, {6, 2}, {10, 2}, {10, 4}}));
    p.drawPath(polyline({{3.75, 4}, {4.5, 14.5}, {11.5, 14.5}, {12.25, 4}}));
    p.drawLine(QPointF(6.5, 7), QPointF(6.5, 12));
    p.drawLine(QPointF(9.5, 7), QPointF(9.5, 12));
}

void drawRefresh(QPainter& p) {
    // One round arrow, nearly a full turn.
    QPainterPath arc;
    const QRectF circle(2.5, 2.5, 11, 11);
    arc.arcMoveTo(circle, 100);
    arc.arcTo(circle, 100, 270);
    arrow(p, arc);
}

void drawRepeat(QPainter& p) {
    // Two straight arrows round a loop, the sign of a playlist that starts again.
    arrow(p, polyline({{2.5, 10.5}, {2.5, 5}, {10.5, 5}}));
    arrow(p, polyline({{13.5, 5.5}, {13.5, 11}, {5.5, 11}}));
}

void drawAll(QPainter& p) {
    // A list with a play mark: the whole list plays.
    for (const qreal y : {3.5, 8.0, 12.5})
        p.drawLine(QPointF(7.5, y), QPointF(14.5, y));
    fillWithInk(p);
    p.drawPolygon(QPolygonF{{1.5, 4.5}, {1.5, 11.5}, {5, 8}});
}

void drawRandom(QPainter& p) {
    QPainterPath down, up;
    down.moveTo(1.5, 4.5);
    down.lineTo(4, 4.5);
    down.cubicTo(8, 4.5, 7.5, 11.5, 11.5, 11.5);
    up.moveTo(1.5, 11.5);
    up.lineTo(4, 11.5);
    up.cubicTo(8, 11.5, 7.5, 4.5, 11.5, 4.5);
    arrow(p, down);
    arrow(p, up);
}

void drawTags(QPainter& p) {
    p.drawPath(polyline({{2, 2}, {8, 2}, {14, 8}, {8, 14}, {2, 8}, {2, 2}}));
    p.drawEllipse(QPointF(5.25, 5.25), 1.2, 1.2);
}

void drawHeaders(QPainter& p) {
    // A wave's outline: the audio format.
    const qreal heights[] = {3, 7, 11, 6, 9, 4};
    for (int i = 0; i < 6; ++i) {
        const qreal x = 2 + i * 2.4, h = heights[i] / 2;
        p.drawLine(QPointF(x, 8 - h), QPointF(x, 8 + h));
    }
}

void drawMoveUp(QPainter& p) {
    arrow(p, polyline({{8, 11.5}, {8, 4.5}}));
    p.drawLine(QPointF(3, 14.25), QPointF(13, 14.25));
}

void drawMoveDown(QPainter& p) {
    p.drawLine(QPointF(3, 1.75), QPointF(13, 1.75));
    arrow(p, polyline({{8, 4.5}, {8, 11.5}}));
}

void drawPlay(QPainter& p) {
    fillWithInk(p);
    p.drawPolygon(QPolygonF{{4, 2.5}, {4, 13.5}, {13, 8}});
}

void drawPause(QPainter& p) {
    fillWithInk(p);
    p.drawRect(QRectF(3.5, 2.5, 2.5, 11));
    p.drawRect(QRectF(10, 2.5, 2.5, 11));
}

void drawStop(QPainter& p) {
    fillWithInk(p);
    p.drawRect(QRectF(3, 3, 10, 10));
}

void drawPrevious(QPainter& p) {
    p.drawLine(QPointF(3.5, 3), QPointF(3.5, 13));
    fillWithInk(p);
    p.drawPolygon(QPolygonF{{13, 3}, {13, 13}, {5.5, 8}});
}

void drawNext(QPainter& p) {
    p.drawLine(QPointF(12.5, 3), QPointF(12.5, 13));
    fillWithInk(p);
    p.drawPolygon(QPolygonF{{3, 3}, {3, 13}, {10.5, 8}});
}

void drawVolume(QPainter& p) {
    p.drawArc(QRectF(6.5, 5, 6, 6), -50 * 16, 100 * 16);
    p.drawArc(QRectF(4.5, 2, 11, 12), -50 * 16, 100 * 16);
    fillWithInk(p);
    p.drawPolygon(QPolygonF{{1.5, 6}, {4, 6}, {7.5, 3}, {7.5, 13}, {4, 10}, {1.5, 10}});
}

void drawMp3(QPainter& p) {
    page(p);
    p.drawPath(polyline({{9.5, 11.5}, {9.5, 7}, {11.25, 8}}));
    fillWithInk(p);
    p.drawEllipse(QPointF(7.75, 11.75), 1.6, 1.3);
}

void drawWav(QPainter& p) {
    page(p);
    QPainterPath wave;
    wave.moveTo(4.75, 10);
    wave.cubicTo(6, 6.5, 7, 6.5, 8, 10);
    wave.cubicTo(9, 13.5, 10, 13.5, 11.25, 10);
    p.drawPath(wave);
}

// The further formats: a page with a sign of each, so a folder of mixed files reads at a glance.
void drawFlac(QPainter& p) { // two notes joined by a beam: lossless
    page(p);
    p.drawPath(polyline({{6.5, 11.5}, {6.5, 7}, {10.5, 6}, {10.5, 10.5}}));
    fillWithInk(p);
    p.drawEllipse(QPointF(5.5, 11.75), 1.3, 1.1);
    p.drawEllipse(QPointF(9.5, 10.75), 1.3, 1.1);
}

void drawOgg(QPainter& p) { // an egg
    page(p);
    p.drawEllipse(QPointF(8, 9.75), 2.4, 3.1);
}

void drawOpus(QPainter& p) { // a speech bubble: made for voice as well as music
    page(p);
    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(4.75, 6.5, 6.5, 4.5), 1.5, 1.5);
    p.drawPath(bubble);
    p.drawPath(polyline({{6.5, 11}, {5.75, 13}, {8.25, 11}}));
}

void drawM4a(QPainter& p) { // a note in a box: a container
    page(p);
    p.drawRect(QRectF(4.75, 6.5, 6.5, 6.5));
    p.drawPath(polyline({{9, 11}, {9, 8}}));
    fillWithInk(p);
    p.drawEllipse(QPointF(7.9, 11.1), 1.1, 0.9);
}

void drawAiff(QPainter& p) { // a square wave: plain samples, like WAV
    page(p);
    p.drawPath(polyline({{4.75, 11},
                         {6.25, 11},
                         {6.25, 7.5},
                         {8.5, 7.5},
                         {8.5, 11},
                         {10, 11},
                         {10, 7.5},
                         {11.25, 7.5}}));
}

struct ButtonPicture {
    const char* key;
    const char* themeName; // freedesktop name; none where the standard has no fitting one
    Drawing drawing;
};
constexpr ButtonPicture ButtonPictures[] = {
    {"Zoom", nullptr, drawZoom},
    {"Up", "go-up", drawUp},
    {"NewFolder", "folder-new", drawNewFolder},
    {"Delete", "edit-delete", drawDelete},
    {"Refresh", "view-refresh", drawRefresh},
    {"Repeat", "media-playlist-repeat", drawRepeat},
    {"All", nullptr, drawAll},
    {"Random", "media-playlist-shuffle", drawRandom},
    {"Tags", nullptr, drawTags},
    {"Headers", nullptr, drawHeaders},
    {"MoveUp", nullptr, drawMoveUp},
    {"MoveDown", nullptr, drawMoveDown},
    {"Play", "media-playback-start", drawPlay},
    {"Pause", "media-playback-pause", drawPause},
    {"Stop", "media-playback-stop", drawStop},
    {"Previous", "media-skip-backward", drawPrevious},
    {"Next", "media-skip-forward", drawNext},
    {"Volume", "audio-volume-high", drawVolume},
};

QIcon makeButton(const QString& key, const QPalette& palette) {
    const QColor background = palette.color(QPalette::Window);
    const QColor ink = palette.color(QPalette::WindowText);
    for (const ButtonPicture& picture : ButtonPictures) {
        if (key != QLatin1String(picture.key)) continue;
        if (picture.themeName && QIcon::hasThemeIcon(QLatin1String(picture.themeName)))
            return readable(QIcon::fromTheme(QLatin1String(picture.themeName)), background, ink);
        return drawn(picture.drawing, ink);
    }
    return {};
}

QIcon standard(QStyle::StandardPixmap which) {
    return qApp->style()->standardIcon(which);
}

QIcon makeSmall(const QString& key, const QPalette& palette) {
    const QColor background = palette.color(QPalette::Base);
    const QColor ink = palette.color(QPalette::Text);
    const QColor selectedInk = palette.color(QPalette::HighlightedText);
    if (key == QLatin1String("MP3")) return drawn(drawMp3, ink, selectedInk);
    if (key == QLatin1String("WAV")) return drawn(drawWav, ink, selectedInk);
    static const QHash<QString, Drawing> formats = {{"FLAC", drawFlac},
                                                    {"Ogg", drawOgg},
                                                    {"Opus", drawOpus},
                                                    {"M4A", drawM4a},
                                                    {"AIFF", drawAiff}};
    if (const auto it = formats.constFind(key); it != formats.cend())
        return drawn(*it, ink, selectedInk);
    if (key == QLatin1String("Playing")) {
        // In the accent colour, where it stands out from the list's background.
        const QColor accent = palette.color(QPalette::Highlight);
        const bool accentReads =
            std::abs(lightness(accent) - lightness(background)) >= LeastContrast;
        return drawn(drawPlay, accentReads ? accent : ink, selectedInk);
    }
    static const QHash<QString, QStyle::StandardPixmap> pictures = {
        {"MyComputer", QStyle::SP_ComputerIcon}, {"MyDocuments", QStyle::SP_DirHomeIcon},
        {"Folder", QStyle::SP_DirIcon},          {"Drive", QStyle::SP_DriveHDIcon},
        {"Floppy", QStyle::SP_DriveFDIcon},      {"NetDrive", QStyle::SP_DriveNetIcon},
        {"CD", QStyle::SP_DriveCDIcon},
    };
    const auto it = pictures.find(key);
    return it == pictures.end() ? QIcon() : readable(standard(*it), background, ink);
}

// Made once for each palette and icon theme: a palette or theme change brings new pictures.
QIcon cached(const QString& kind, const QString& key, const QPalette& palette,
             QIcon (*make)(const QString&, const QPalette&)) {
    static QHash<QString, QIcon> cache;
    QString id = kind + QLatin1Char('/') + key + QLatin1Char('/') + QIcon::themeName();
    for (const auto role : {QPalette::Window, QPalette::WindowText, QPalette::Base, QPalette::Text,
                            QPalette::Highlight, QPalette::HighlightedText})
        id += QLatin1Char('/') + QString::number(palette.color(role).rgba(), 16);
    auto it = cache.find(id);
    if (it == cache.end()) it = cache.insert(id, make(key, palette));
    return *it;
}

} // namespace

QIcon small(const QString& key, const QPalette& palette) {
    return cached(QStringLiteral("small"), key, palette, makeSmall);
}
QIcon small(const QString& key) {
    return small(key, QApplication::palette());
}
QIcon button(const QString& key, const QPalette& palette) {
    return cached(QStringLiteral("button"), key, palette, makeButton);
}
QIcon button(const QString& key) {
    return button(key, QApplication::palette());
}
QIcon program() {
    // The drawing the installed program shows in the desktop's menus, so the window, the tray
    // and the desktop show one picture.
    static const QIcon icon(QStringLiteral(":/icons/org.tunewalk.Tunewalk.svg"));
    return icon;
}

} // namespace tunewalk::Icons
