// The control's face: title and hide button, layout in twips, the inner tree view's
// properties and their design storage, and the About box.
#include "foldertree/Treefolder.h"

#include "common/Twips.h"
#include "foldertree/PropertyBag.h"
#include "foldertree/TreeIcons.h"
#include "foldertree/TreeNode.h"
#include "foldertree/TreefolderView.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QResizeEvent>
#include <QToolButton>
#include <algorithm>
#include <array>

namespace tunewalk {

namespace {

// Design positions in twips.
constexpr double TitleLeft = 120;
constexpr double TitleTop = 75;
constexpr double TitleWidth = 615;
constexpr double TitleHeight = 210;
constexpr double TreeTop = TitleTop + TitleHeight; // 285
constexpr double HideTop = TitleTop;
constexpr double HideRightMargin = 30;
constexpr QSize HideSize(16, 14); // pixels, the glyph's own size

// The classic pointer numbers; 99 is the custom pointer drawn by MouseIcon.
constexpr int CustomPointer = 99;
constexpr std::array<Qt::CursorShape, 16> PointerShapes = {
    Qt::ArrowCursor,     Qt::ArrowCursor,   Qt::CrossCursor,     Qt::IBeamCursor,
    Qt::ArrowCursor,     Qt::SizeAllCursor, Qt::SizeBDiagCursor, Qt::SizeVerCursor,
    Qt::SizeFDiagCursor, Qt::SizeHorCursor, Qt::UpArrowCursor,   Qt::WaitCursor,
    Qt::ForbiddenCursor, Qt::BusyCursor,    Qt::WhatsThisCursor, Qt::SizeAllCursor,
};

} // namespace

void Treefolder::setUpParts() {
    m_title = new QLabel(tr("Folders"), this);

    // One button stands for the plain and the highlighted picture: an auto-raised tool button
    // shows its icon's Active form while the pointer is on it.
    m_hide = new QToolButton(this);
    QIcon glyph;
    glyph.addPixmap(TreeIcons::closeGlyph(false), QIcon::Normal);
    glyph.addPixmap(TreeIcons::closeGlyph(true), QIcon::Active);
    m_hide->setIcon(glyph);
    m_hide->setIconSize(HideSize);
    m_hide->setFixedSize(HideSize);
    m_hide->setAutoRaise(true);
    m_hide->setToolTip(tr("Close"));
    m_hide->setAccessibleName(tr("Close"));
    connect(m_hide, &QToolButton::clicked, this, &Treefolder::HideButtonClicked);

    m_view = new TreefolderView(this);
    m_view->setAccessibleName(tr("Folders"));
    // The header is hidden under the title, but screen readers still read its column name.
    m_view->setHeaderLabel(tr("Folders"));
    m_title->setBuddy(m_view);
    setFocusProxy(m_view);
    m_basePalette = m_view->palette();

    applyLabelEdit();
    applyHideSelection();
    applyHotTracking();
    applyFrame();
    applyMousePointer();
    layOutParts();
}

void Treefolder::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layOutParts();
}

void Treefolder::layOutParts() {
    const double width = toTwips(this->width());
    const double height = toTwips(this->height());
    // Too short for the tree below the title: a one-twip line rather than a negative height.
    // A widget cannot be thinner than a pixel, so that line is one pixel.
    const double treeHeight = height <= TreeTop ? 1 : height - TreeTop;
    m_view->setGeometry(0, toPixels(TreeTop), this->width(), std::max(1, toPixels(treeHeight)));
    const double hideLeft = width - toTwips(HideSize.width()) - HideRightMargin;
    m_hide->move(toPixels(hideLeft), toPixels(HideTop));
    // The design width fits "Folders" in the classic font; a bigger font widens the label.
    m_title->setGeometry(toPixels(TitleLeft), toPixels(TitleTop),
                         std::max(toPixels(TitleWidth), m_title->sizeHint().width()),
                         toPixels(TitleHeight));
}

void Treefolder::applyMousePointer() {
    QWidget* surface = m_view->viewport();
    if (m_mousePointer == CustomPointer && !m_mouseIcon.isNull())
        surface->setCursor(QCursor(m_mouseIcon));
    else if (m_mousePointer > 0 && m_mousePointer < static_cast<int>(PointerShapes.size()))
        surface->setCursor(PointerShapes[static_cast<std::size_t>(m_mousePointer)]);
    else
        surface->unsetCursor();
}

void Treefolder::applyHideSelection() {
    QPalette palette = m_basePalette;
    if (m_hideSelection) {
        palette.setColor(QPalette::Inactive, QPalette::Highlight,
                         palette.color(QPalette::Inactive, QPalette::Base));
        palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                         palette.color(QPalette::Inactive, QPalette::Text));
    }
    m_view->setPalette(palette);
}

void Treefolder::applyFrame() {
    m_view->setFrameShape(m_borderStyle == 1 ? QFrame::StyledPanel : QFrame::NoFrame);
    m_view->setFrameShadow(m_appearance == 1 ? QFrame::Sunken : QFrame::Plain);
}

void Treefolder::applyLabelEdit() {
    m_view->setEditTriggers(m_labelEdit == 0 ? QAbstractItemView::SelectedClicked |
                                                   QAbstractItemView::EditKeyPressed
                                             : QAbstractItemView::NoEditTriggers);
}

void Treefolder::applyHotTracking() {
    m_view->viewport()->setAttribute(Qt::WA_Hover, m_hotTracking);
}

void Treefolder::setMousePointer(int pointer) {
    m_mousePointer = pointer;
    applyMousePointer();
    emit PropertyChanged(QStringLiteral("MousePointer"));
}

void Treefolder::setMouseIcon(const QPixmap& icon) {
    m_mouseIcon = icon;
    applyMousePointer();
    emit PropertyChanged(QStringLiteral("MouseIcon"));
}

void Treefolder::setLabelEdit(int mode) {
    m_labelEdit = mode;
    applyLabelEdit();
    emit PropertyChanged(QStringLiteral("LabelEdit"));
}

void Treefolder::setHideSelection(bool hide) {
    m_hideSelection = hide;
    applyHideSelection();
    emit PropertyChanged(QStringLiteral("HideSelection"));
}

void Treefolder::setHotTracking(bool on) {
    m_hotTracking = on;
    applyHotTracking();
    emit PropertyChanged(QStringLiteral("HotTracking"));
}

void Treefolder::setBorderStyle(int style) {
    m_borderStyle = style;
    applyFrame();
    emit PropertyChanged(QStringLiteral("BorderStyle"));
}

void Treefolder::setAppearance(int appearance) {
    m_appearance = appearance;
    applyFrame();
    emit PropertyChanged(QStringLiteral("Appearance"));
}

QFont Treefolder::Font() const {
    return m_view->font();
}

void Treefolder::setTreeFont(const QFont& font) {
    m_view->setFont(font);
    emit PropertyChanged(QStringLiteral("Font"));
}

bool Treefolder::Enabled() const {
    return m_view->isEnabled();
}

void Treefolder::setTreeEnabled(bool enabled) {
    m_view->setEnabled(enabled);
    emit PropertyChanged(QStringLiteral("Enabled"));
}

QTreeWidget* Treefolder::Nodes() const {
    return m_view;
}

int Treefolder::OLEDragMode() const {
    return m_view->dragMode();
}

void Treefolder::setOLEDragMode(int mode) {
    m_view->setDragMode(mode);
    emit PropertyChanged(QStringLiteral("OLEDragMode"));
}

int Treefolder::OLEDropMode() const {
    return m_view->dropMode();
}

void Treefolder::setOLEDropMode(int mode) {
    m_view->setDropMode(mode);
    emit PropertyChanged(QStringLiteral("OLEDropMode"));
}

QFont Treefolder::ambientFont() const {
    return parentWidget() ? parentWidget()->font() : QApplication::font();
}

void Treefolder::writeProperties(PropertyBag& bag) const {
    const QTreeWidgetItem* highlight = DropHighlight();
    bag.write(QStringLiteral("Enabled"), Enabled(), true);
    bag.write(QStringLiteral("Font"), QVariant::fromValue(Font()),
              QVariant::fromValue(ambientFont()));
    bag.write(QStringLiteral("MouseIcon"),
              m_mouseIcon.isNull() ? QVariant() : QVariant::fromValue(m_mouseIcon), QVariant());
    bag.write(QStringLiteral("MousePointer"), m_mousePointer, 0);
    bag.write(QStringLiteral("LabelEdit"), m_labelEdit, 0);
    bag.write(QStringLiteral("HideSelection"), m_hideSelection, false);
    bag.write(QStringLiteral("HotTracking"), m_hotTracking, false);
    bag.write(QStringLiteral("BorderStyle"), m_borderStyle, 0);
    bag.write(QStringLiteral("Appearance"), m_appearance, 1);
    bag.write(QStringLiteral("OLEDragMode"), OLEDragMode(), 0);
    bag.write(QStringLiteral("OLEDropMode"), OLEDropMode(), 0);
    bag.write(QStringLiteral("DropHighlight"),
              highlight ? QVariant(TreeNode::key(highlight)) : QVariant(), QVariant());
}

// The read defaults differ from the written ones for LabelEdit and HideSelection, so a design
// value of 0 or false comes back as 1 or true; the host sets both at start. The drag and drop
// modes and the drop highlight are not read: the tree view keeps its own.
void Treefolder::readProperties(PropertyBag& bag) {
    m_view->setEnabled(bag.read(QStringLiteral("Enabled"), true).toBool());
    m_view->setFont(
        bag.read(QStringLiteral("Font"), QVariant::fromValue(ambientFont())).value<QFont>());
    m_mousePointer = bag.read(QStringLiteral("MousePointer"), 0).toInt();
    m_labelEdit = bag.read(QStringLiteral("LabelEdit"), 1).toInt();
    m_hotTracking = bag.read(QStringLiteral("HotTracking"), false).toBool();
    m_appearance = bag.read(QStringLiteral("Appearance"), 1).toInt();
    m_hideSelection = bag.read(QStringLiteral("HideSelection"), true).toBool();
    m_borderStyle = bag.read(QStringLiteral("BorderStyle"), 0).toInt();
    m_mouseIcon = bag.read(QStringLiteral("MouseIcon"), QVariant()).value<QPixmap>();
    applyLabelEdit();
    applyHotTracking();
    applyFrame();
    applyHideSelection();
    applyMousePointer();
}

void Treefolder::AboutBox() {
    QMessageBox box(QMessageBox::Information, tr("About this control"),
                    tr("Treefolder, the folder tree of Tunewalk."), QMessageBox::Ok, this);
    box.exec();
}

} // namespace tunewalk
