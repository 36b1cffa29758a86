// How the window looks and reads: its pictures on light and dark palettes, the first start's
// size and columns, long names, and the name editor, the rename questions and the delete's
// next row.
#include "Form1Fixture.h"

#include "app/window/Icons.h"

#include <QHelpEvent>
#include <QScrollBar>
#include <QToolButton>
#include <QToolTip>
#include <cmath>

namespace tunewalk {
namespace {

double lightness(QColor c) {
    return 0.299 * c.redF() + 0.587 * c.greenF() + 0.114 * c.blueF();
}
// Of the picture's opaque pixels.
double meanLightness(const QIcon& icon) {
    const QImage image = icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
    double sum = 0, weight = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            sum += c.alphaF() * lightness(c);
            weight += c.alphaF();
        }
    return weight > 0 ? sum / weight : -1;
}

QPalette palette(bool dark) {
    QPalette p;
    const QColor window = dark ? QColor(0x35, 0x35, 0x35) : QColor(0xef, 0xef, 0xef);
    const QColor base = dark ? QColor(0x2a, 0x2a, 0x2a) : Qt::white;
    const QColor text = dark ? Qt::white : Qt::black;
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::Base, base);
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(role, text);
    p.setColor(QPalette::Highlight, QColor(0x2a, 0x82, 0xda));
    p.setColor(QPalette::HighlightedText, Qt::white);
    return p;
}

class LookTest : public Form1Test {
protected:
    void TearDown() override {
        QIcon::setThemeName(m_theme);
        QIcon::setThemeSearchPaths(m_themePaths);
        Form1Test::TearDown();
    }
    QIcon buttonIcon(const QString& key) const {
        return key == "Volume" ? form->volumeButton()->icon() : form->button(key)->icon();
    }
    QLineEdit* nameEditor() const { return qobject_cast<QLineEdit*>(QApplication::focusWidget()); }
    void pressF2On(const QString& name) {
        form->clickRow(rowNamed(name));
        form->activateWindow();
        form->list()->setFocus();
        QTest::keyClick(form->list(), Qt::Key_F2);
    }
    void renameTo(const QString& typed) {
        ASSERT_NE(nameEditor(), nullptr);
        nameEditor()->setText(typed);
        prompter.shown.clear();
        QTest::keyClick(nameEditor(), Qt::Key_Return);
        ASSERT_TRUE(waitUntil([&] { return !prompter.shown.empty(); }));
    }

    const QString m_theme = QIcon::themeName();
    const QStringList m_themePaths = QIcon::themeSearchPaths();
};

TEST_F(LookTest, PicturesReadOnLightAndDarkPalettesWithOrWithoutAnIconTheme) {
    const QStringList keys = {"Zoom", "Up",     "NewFolder", "Delete",   "Refresh", "Repeat",
                              "All",  "Random", "Tags",      "Headers",  "MoveUp",  "MoveDown",
                              "Play", "Pause",  "Stop",      "Previous", "Next",    "Volume"};
    // A desktop icon theme whose picture is dark grey whatever the palette.
    const QString icons = root.filePath("icons");
    QDir(icons).mkpath("Grey/16");
    QFile index(icons + "/Grey/index.theme");
    ASSERT_TRUE(index.open(QIODevice::WriteOnly));
    index.write("[Icon Theme]\nName=Grey\nDirectories=16\n\n[16]\nSize=16\n");
    index.close();
    QPixmap grey(16, 16);
    grey.fill(QColor(0x2e, 0x34, 0x36));
    ASSERT_TRUE(grey.save(icons + "/Grey/16/view-refresh.png"));
    QIcon::setThemeSearchPaths({icons});
    const QStringList themes = {m_theme, "Grey"};
    for (const QString& theme : themes) {
        QIcon::setThemeName(theme);
        ASSERT_EQ(QIcon::hasThemeIcon("view-refresh"), theme == "Grey");
        form.reset();
        start();
        // Switched while the window is up: the toolbar takes the new colours. (The
        // application's palette reaches the widgets only inside its event loop.)
        for (const bool dark : {false, true}) {
            form->setPalette(palette(dark));
            const double window = lightness(form->palette().color(QPalette::Window));
            for (const QString& key : keys)
                EXPECT_GT(std::abs(meanLightness(buttonIcon(key)) - window), 0.25)
                    << key.toStdString() << (dark ? " dark " : " light ") << theme.toStdString();
            const double base = lightness(form->list()->palette().color(QPalette::Base));
            for (const char* key : {"Folder", "MP3", "WAV", "Playing", "Drive"})
                EXPECT_GT(
                    std::abs(meanLightness(Icons::small(key, form->list()->palette())) - base),
                    0.25)
                    << key << (dark ? " dark" : " light");
            EXPECT_NE(buttonIcon("Repeat").pixmap(16, 16).toImage(),
                      buttonIcon("Refresh").pixmap(16, 16).toImage());
        }
    }
}

TEST_F(LookTest, FirstStartShowsEveryColumnFittedAndLongNamesWhole) {
    const QString longName = QString(120, QLatin1Char('n')) + ".mp3";
    writeMp3("a.mp3", 200, fixtures::id3v1Tag("Track", "Artist"));
    writeMp3(longName);
    setSetting("ShowTree", "False"); // the list has the window's width
    start(music());
    QTreeView* list = form->list();
    QHeaderView* header = list->header();
    EXPECT_TRUE(form->screen()->availableGeometry().contains(form->frameGeometry()));
    const int room = list->viewport()->width();
    for (int c = 0; c < Col::Count; ++c) {
        EXPECT_GE(header->sectionViewportPosition(c), 0) << c;
        EXPECT_LE(header->sectionViewportPosition(c) + header->sectionSize(c), room) << c;
    }
    // The short columns are whole; the long name gives way; the columns meet the edge.
    const auto need = [&](int c) {
        return static_cast<QAbstractItemView*>(list)->sizeHintForColumn(c);
    };
    for (const int c : {Col::Length, Col::Bitrate, Col::Size, Col::Modified})
        EXPECT_GE(list->columnWidth(c), need(c));
    EXPECT_EQ(header->length(), room);
    EXPECT_EQ(list->horizontalScrollBar()->maximum(), 0);
    // A wider window gives its room to the names, not to the last column.
    const int modified = list->columnWidth(Col::Modified), name = list->columnWidth(Col::Name);
    form->resize(form->width() + 100, form->height());
    EXPECT_EQ(header->length(), list->viewport()->width());
    EXPECT_EQ(list->columnWidth(Col::Modified), modified);
    EXPECT_EQ(list->columnWidth(Col::Name), name + 100);

    // Hovering: a name cut short shows whole as a tool tip, a name that fits shows none.
    const auto hover = [&](const QString& name) {
        const QPoint at(header->sectionViewportPosition(Col::Name) + 30, rectOf(name).center().y());
        QHelpEvent event(QEvent::ToolTip, at, list->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list->viewport(), &event);
    };
    hover("a.mp3");
    EXPECT_FALSE(QToolTip::isVisible());
    hover(longName);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), longName);
    QToolTip::hideText();

    // At a 14-point font the names still take the room first, the fixed columns stay whole,
    // and the pictures grow with the text.
    const QFont before = QApplication::font();
    QFont large = before;
    large.setPointSize(14);
    QApplication::setFont(large);
    writeMp3("b.mp3", 200, fixtures::id3v1Tag("A track name of thirty letters", "An artist"));
    start(music());
    list = form->list();
    EXPECT_GE(list->iconSize().height(), list->fontMetrics().height());
    for (const int c : {Col::Length, Col::Bitrate, Col::Size, Col::Modified})
        EXPECT_GE(list->columnWidth(c), need(c)) << c;
    EXPECT_GT(list->columnWidth(Col::Name), list->columnWidth(Col::Track));
    EXPECT_GE(list->columnWidth(Col::Name), 12 * list->fontMetrics().averageCharWidth());
    QApplication::setFont(before);
}

TEST_F(LookTest, RenameSelectsTheBaseNameAndAsksBeforeAFileLeavesTheList) {
    writeMp3("a.mp3");
    writeMp3("b.mp3");
    mkdir("Live.2020");
    start(music());
    pressF2On("Live.2020");
    ASSERT_NE(nameEditor(), nullptr);
    EXPECT_EQ(nameEditor()->selectedText(), "Live.2020");
    QTest::keyClick(nameEditor(), Qt::Key_Escape);

    pressF2On("a.mp3");
    ASSERT_NE(nameEditor(), nullptr);
    EXPECT_EQ(nameEditor()->selectedText(), "a");
    prompter.answers = {Prompter::Answer::No};
    renameTo("a.txt");
    EXPECT_EQ(prompter.shown[0],
              (Shown{"\"a.txt\" is not an MP3 or WAV file, so it will leave the list. Rename it "
                     "anyway?",
                     Icon::Question, Buttons::YesNo}));
    EXPECT_TRUE(QFileInfo::exists(path("a.mp3")));
    EXPECT_FALSE(QFileInfo::exists(path("a.txt")));
    EXPECT_NE(rowNamed("a.mp3"), nullptr);

    // Clashes name what is in the way.
    pressF2On("a.mp3");
    renameTo("b.mp3");
    EXPECT_EQ(prompter.texts(),
              QStringList{"A file named \"b.mp3\" already exists in this folder."});
    pressF2On("a.mp3");
    renameTo("Live.2020");
    EXPECT_EQ(prompter.texts(),
              QStringList{"A folder named \"Live.2020\" already exists in this folder."});
    EXPECT_TRUE(QFileInfo::exists(path("a.mp3")));

    pressF2On("a.mp3");
    prompter.answers = {Prompter::Answer::Yes};
    renameTo("a.txt");
    EXPECT_TRUE(waitUntil([&] { return QFileInfo::exists(path("a.txt")); }));
    EXPECT_EQ(names(), (QStringList{"Live.2020", "b.mp3"}));
    EXPECT_EQ(form->currentRow(), rowNamed("b.mp3"));
    EXPECT_TRUE(rowNamed("b.mp3")->isSelected());
}

TEST_F(LookTest, AfterADeleteTheNextRowIsCurrent) {
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3", "d.mp3"})
        writeMp3(name);
    setSetting("ConfirmDeletes", "False");
    start(music());
    // The Delete key on the list; the row after the last deleted one, else the one before.
    const auto deleteRows = [&](const QStringList& rows) {
        select(rows);
        form->activateWindow();
        form->list()->setFocus();
        QTest::keyClick(form->list(), Qt::Key_Delete);
        settleFileJobs();
    };
    deleteRows({"a.mp3", "b.mp3"});
    ASSERT_EQ(names(), (QStringList{"c.mp3", "d.mp3"}));
    EXPECT_EQ(form->currentRow(), rowNamed("c.mp3"));
    EXPECT_TRUE(rowNamed("c.mp3")->isSelected());
    deleteRows({"d.mp3"});
    EXPECT_EQ(form->currentRow(), rowNamed("c.mp3"));
    EXPECT_EQ(form->getSelCount(), 1);
}

} // namespace
} // namespace tunewalk
