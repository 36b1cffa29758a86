// Favorite folders: the menu, Add Current Folder, choosing a favorite, the stored value and the
// Edit Favorites dialog.
#include "Form1Fixture.h"
#include "app/frmFavorites.h"
#include "common/Twips.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QPushButton>
#include <QTest>

namespace tunewalk {
namespace {

const QString Key = QStringLiteral("FavoritesList");
const QString NamePrompt = QStringLiteral("What name do you want to use for this folder?");
const QString RetryPrompt =
    QStringLiteral("Please try again. Do not include the characters \"|\" or \":\" in the name.");
const QString EntryName = QStringLiteral("Enter the name for this favorite:");
const QString EntryPath = QStringLiteral("Enter the path for this favorite:");
const QString Duplicate = QStringLiteral("This folder is already a favorite.");

class FavoritesTest : public Form1Test {
protected:
    void SetUp() override {
        Form1Test::SetUp();
        mkdir(QStringLiteral("rock"));
        mkdir(QStringLiteral("live"));
        mkdir(QStringLiteral("jazz"));
    }

    QString native(const QString& relative) const {
        return QDir::toNativeSeparators(path(relative));
    }
    void addStored(const QString& name, const QString& folder) {
        NameIDPair pair;
        pair.Init(name.toStdString(), 0, folder.toStdString());
        ASSERT_TRUE(form->Favorites.add(folder.toStdString(), pair));
    }
    // Name and path of each favorite, in order.
    QStringList favorites() const {
        QStringList out;
        for (const auto& [key, f] : form->Favorites) {
            EXPECT_EQ(key, f.Tag());
            out << QString::fromStdString(f.Name() + " = " + f.Tag());
        }
        return out;
    }
    // What the menu shows below its two commands, and whether the separator is visible.
    QStringList menuItems() const {
        QStringList out;
        const auto actions = form->mnuFavorites->actions();
        EXPECT_EQ(actions.value(0), form->mnuAddFavorite);
        EXPECT_EQ(actions.value(1), form->mnuEditFavorites);
        for (qsizetype i = 2; i < actions.size(); ++i) {
            if (actions[i]->isSeparator())
                out << (actions[i]->isVisible() ? QStringLiteral("-") : QStringLiteral("(-)"));
            else
                out << actions[i]->text() + QStringLiteral(" > ") + actions[i]->data().toString();
        }
        return out;
    }
    QStringList rows(const frmFavorites& dialog) const {
        QStringList out;
        for (int i = 0; i < dialog.ListView1->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* row = dialog.ListView1->topLevelItem(i);
            EXPECT_EQ(dialog.rowFor(row->text(1)), row);
            out << row->text(0) + QStringLiteral(" = ") + row->text(1);
        }
        return out;
    }
    void select(frmFavorites& dialog, int index) {
        dialog.ListView1->setCurrentItem(dialog.ListView1->topLevelItem(index));
    }
};

// ---- the menu

TEST_F(FavoritesTest, MenuShowsSeparatorAndOneItemPerFavoriteInOrder) {
    start(music());
    EXPECT_EQ(menuItems(), QStringList{QStringLiteral("(-)")});
    EXPECT_TRUE(prompter.shown.empty());

    setSetting(Key, QStringLiteral("Rock?") + native("rock") + QStringLiteral("|"));
    form->loadFavorites();
    EXPECT_EQ(menuItems(), (QStringList{"-", "Rock > " + native("rock")}));

    setSetting(Key, "Rock?" + native("rock") + "|Live & Loud?" + native("live") + "|Jazz?" +
                        native("jazz") + "|");
    form->loadFavorites();
    EXPECT_EQ(menuItems(),
              (QStringList{"-", "Rock > " + native("rock"), "Live && Loud > " + native("live"),
                           "Jazz > " + native("jazz")}));

    // Back to none: the old items go and no stray separator stays.
    form->Favorites.clear();
    form->rebuildFavoritesMenu();
    EXPECT_EQ(menuItems(), QStringList{QStringLiteral("(-)")});
    EXPECT_EQ(form->mnuFavoriteList.size(), 1);
}

// ---- Add Current Folder

TEST_F(FavoritesTest, AddRefusesColonAndBarAndOffersTheRejectedNameAgain) {
    start(path(QStringLiteral("rock")));
    prompter.inputs = {QStringLiteral("Rock: live"), QStringLiteral("Rock|b"),
                       QStringLiteral("Rock?")};
    form->mnuAddFavorite->trigger();

    EXPECT_EQ(prompter.prompts, (QStringList{NamePrompt, RetryPrompt, RetryPrompt}));
    EXPECT_EQ(prompter.offered, (QStringList{"rock", "Rock: live", "Rock|b"}));
    EXPECT_EQ(favorites(), QStringList{"Rock? = " + native("rock")});
    EXPECT_EQ(menuItems(), (QStringList{"-", "Rock? > " + native("rock")}));
    // "?" is allowed in a name, so it is stored escaped.
    EXPECT_EQ(setting(Key), "Rock\\q?" + native("rock").replace("\\", "\\\\") + "?|");
}

TEST_F(FavoritesTest, AddEndsOnCancelOrEmptyAnswerAndRefusesAFavoriteFolderTwice) {
    start(path(QStringLiteral("rock")));
    prompter.inputs = {QString()};
    form->addFavorite();
    prompter.inputs = {QStringLiteral("a:b"), QStringLiteral("")};
    form->addFavorite();
    EXPECT_TRUE(form->Favorites.empty());
    EXPECT_EQ(setting(Key), QStringLiteral("absent"));

    prompter.inputs = {QStringLiteral("Rock"), QStringLiteral("Rock again")};
    form->addFavorite();
    form->addFavorite();
    EXPECT_EQ(favorites(), QStringList{"Rock = " + native("rock")});
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, Duplicate);
    EXPECT_EQ(prompter.shown[0].icon, Prompter::Icon::Critical);
    EXPECT_EQ(setting(Key), "Rock?" + native("rock") + "|");
}

TEST_F(FavoritesTest, FavoriteAddedInTheDrivesViewOpensTheDrivesView) {
    start(music());
    list(QStringLiteral("Drives"));
    prompter.inputs = {QStringLiteral("Computer")};
    form->addFavorite();
    EXPECT_EQ(prompter.offered, QStringList{"Drives"});
    EXPECT_EQ(favorites(), QStringList{"Computer = Drives"});

    list(music());
    form->mnuFavoriteList[1]->trigger();
    waitForDetails();
    EXPECT_EQ(form->dirCurrent, QStringLiteral("Drives"));
    EXPECT_TRUE(prompter.shown.empty());
}

// ---- choosing a favorite

TEST_F(FavoritesTest, ChoosingListsTheFolderOrReportsItGone) {
    mkdir(QStringLiteral("old"));
    setSetting(Key, "Rock?" + native("rock") + "|Old?" + native("old") + "|");
    start(music());
    ASSERT_TRUE(QDir(path(QStringLiteral("old"))).removeRecursively());

    form->mnuFavoriteList[1]->trigger();
    waitForDetails();
    EXPECT_EQ(form->dirCurrent, native("rock"));

    form->mnuFavoriteList[2]->trigger();
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "The folder '" + native("old") + "' does not exist");
    EXPECT_EQ(prompter.shown[0].icon, Prompter::Icon::Exclamation);
    EXPECT_EQ(prompter.shown[0].buttons, Prompter::Buttons::Ok);
    EXPECT_EQ(form->dirCurrent, native("rock"));
}

// ---- the stored value

TEST_F(FavoritesTest, ValuesWrittenWithoutEscapesReadExactlyAndAreWrittenBackUnchanged) {
    // Backslash sequences that the escapes use (\q, \p, \\) must not be decoded here.
    const QString old = QStringLiteral("Rock?d:\\music\\rock|Quiet?d:\\music\\quiet\\pop|"
                                       "Share?\\\\server\\share|/home/me/Music?x|"
                                       "Home?/home/me/Music|Trailing?c:\\|");
    setSetting(Key, old);
    start(music());
    EXPECT_EQ(favorites(), (QStringList{"Rock = d:\\music\\rock", "Quiet = d:\\music\\quiet\\pop",
                                        "Share = \\\\server\\share", "/home/me/Music = x",
                                        "Home = /home/me/Music", "Trailing = c:\\"}));
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(form->serializeFavorites(), old);
}

TEST_F(FavoritesTest, NamesAndPathsWithSeparatorsSurviveSavingAndLoading) {
    start(music());
    addStored(QStringLiteral("Who?"), QStringLiteral("d:\\music\\who"));
    addStored(QStringLiteral("A|B"), QStringLiteral("c:\\what?\\x|y\\q\\\\p"));
    addStored(QStringLiteral("Plain"), QStringLiteral("\\\\server\\quiet"));
    addStored(QStringLiteral("Linux"), QStringLiteral("/home/me/a?b|c\\q"));
    addStored(QStringLiteral("Ünïcode ♫"), QStringLiteral("/home/me/Müsik"));
    const QStringList before = favorites();

    form->saveFavorites();
    // Favorites without separators keep the form every version reads.
    EXPECT_TRUE(setting(Key).contains("|Plain?\\\\server\\quiet|"));
    form->Favorites.clear();
    form->loadFavorites();
    EXPECT_EQ(favorites(), before);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(menuItems().value(2), QStringLiteral("A|B > c:\\what?\\x|y\\q\\\\p"));
}

TEST_F(FavoritesTest, UnreadablePiecesAreReportedAndTheRestKept) {
    setSetting(Key, QStringLiteral("Rock?/a|garbage|Live?/b|Again?/a|tail without bar"));
    start(music());
    EXPECT_EQ(favorites(), (QStringList{"Rock = /a", "Live = /b"}));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].icon, Prompter::Icon::Critical);
    EXPECT_TRUE(prompter.shown[0].text.contains("garbage"));
    EXPECT_TRUE(prompter.shown[0].text.contains("Again?/a"));
    EXPECT_FALSE(prompter.shown[0].text.contains("tail"));

    prompter.clear();
    setSetting(Key, QStringLiteral("none"));
    form->loadFavorites();
    EXPECT_TRUE(form->Favorites.empty());
    EXPECT_TRUE(prompter.shown.empty());
}

// ---- the Edit Favorites dialog

class FavoritesDialogTest : public FavoritesTest {
protected:
    void SetUp() override {
        FavoritesTest::SetUp();
        setSetting(Key, "Rock?" + native("rock") + "|Live?" + native("live") + "|");
        start(music());
    }
};

TEST_F(FavoritesDialogTest, ShowsOneRowPerFavoriteUnderItsCaptionAndButtons) {
    frmFavorites dialog(*form, prompter, form.get());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Edit Favorites"));
    EXPECT_EQ(dialog.ListView1->headerItem()->text(0), QStringLiteral("Name"));
    EXPECT_EQ(dialog.ListView1->headerItem()->text(1), QStringLiteral("Path"));
    EXPECT_EQ(rows(dialog), (QStringList{"Rock = " + native("rock"), "Live = " + native("live")}));
    QStringList captions;
    for (auto* b : {dialog.cmdNew, dialog.cmdEdit, dialog.cmdDelete, dialog.OKButton})
        captions << b->text();
    EXPECT_EQ(captions, (QStringList{"&Add", "&Edit", "&Remove", "&Done"}));
}

TEST_F(FavoritesDialogTest, EditFavoritesCommandShowsTheDialogModallyOverTheWindow) {
    frmFavorites* seen = nullptr;
    QTimer::singleShot(0, [&] {
        seen = qobject_cast<frmFavorites*>(QApplication::activeModalWidget());
        if (seen)
            seen->OKButton->click();
        else if (auto* other = form->findChild<frmFavorites*>())
            other->reject(); // not modal: still end the test
    });
    form->mnuEditFavorites->trigger();
    ASSERT_NE(seen, nullptr);
}

TEST_F(FavoritesDialogTest, AddAsksForAFolderThenANameAndRefusesAFavoriteFolder) {
    frmFavorites dialog(*form, prompter, form.get());
    prompter.folders = {QString()};
    dialog.cmdNew->click();
    EXPECT_EQ(prompter.prompts, QStringList{"Select a Folder"});

    prompter.clear();
    prompter.folders = {native("jazz")};
    prompter.inputs = {QStringLiteral("Jazz")};
    dialog.cmdNew->click();
    EXPECT_EQ(prompter.prompts, (QStringList{"Select a Folder", EntryName}));
    EXPECT_EQ(prompter.offered.last(), QString());
    EXPECT_EQ(rows(dialog).last(), "Jazz = " + native("jazz"));
    EXPECT_EQ(favorites().last(), "Jazz = " + native("jazz"));

    prompter.folders = {native("rock")};
    prompter.inputs = {QStringLiteral("Rock again")};
    dialog.cmdNew->click();
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, Duplicate);
    EXPECT_EQ(rows(dialog).size(), 3);
    EXPECT_EQ(favorites().size(), 3);
}

TEST_F(FavoritesDialogTest, EditRenamesAndRepointsAndMovesTheFavoriteToTheEnd) {
    frmFavorites dialog(*form, prompter, form.get());
    dialog.cmdEdit->click(); // nothing selected: nothing prompter
    EXPECT_TRUE(prompter.prompts.isEmpty());

    select(dialog, 0);
    prompter.inputs = {QStringLiteral("Rock 2"), native("jazz")};
    dialog.cmdEdit->click();
    EXPECT_EQ(prompter.prompts, (QStringList{EntryName, EntryPath}));
    EXPECT_EQ(prompter.offered, (QStringList{"Rock", native("rock")}));
    EXPECT_EQ(favorites(), (QStringList{"Live = " + native("live"), "Rock 2 = " + native("jazz")}));
    EXPECT_EQ(rows(dialog),
              (QStringList{"Rock 2 = " + native("jazz"), "Live = " + native("live")}));

    // Onto another favorite's folder: refused, nothing changes.
    select(dialog, 0);
    prompter.inputs = {QStringLiteral("Clash"), native("live")};
    dialog.cmdEdit->click();
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, Duplicate);
    EXPECT_EQ(favorites(), (QStringList{"Live = " + native("live"), "Rock 2 = " + native("jazz")}));

    dialog.OKButton->click();
    EXPECT_EQ(menuItems(),
              (QStringList{"-", "Live > " + native("live"), "Rock 2 > " + native("jazz")}));
    EXPECT_EQ(setting(Key), "Live?" + native("live") + "|Rock 2?" + native("jazz") + "|");
}

TEST_F(FavoritesDialogTest, RemovingEveryFavoriteAndDoneDeletesTheSetting) {
    {
        frmFavorites dialog(*form, prompter, form.get());
        select(dialog, 1);
        dialog.cmdDelete->click();
        EXPECT_EQ(rows(dialog), QStringList{"Rock = " + native("rock")});
        dialog.OKButton->click();
        EXPECT_EQ(setting(Key), "Rock?" + native("rock") + "|");
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    {
        frmFavorites dialog(*form, prompter, form.get());
        select(dialog, 0);
        dialog.cmdDelete->click();
        dialog.cmdDelete->click(); // nothing selected any more
        EXPECT_TRUE(rows(dialog).isEmpty());
        dialog.OKButton->click();
    }
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(setting(Key), QStringLiteral("absent"));
    EXPECT_EQ(menuItems(), QStringList{QStringLiteral("(-)")});
    start(music());
    EXPECT_TRUE(form->Favorites.empty());
}

TEST_F(FavoritesDialogTest, DoubleClickListsAFolderOrOffersToRemoveAVanishedOne) {
    ASSERT_TRUE(QDir(path(QStringLiteral("live"))).removeRecursively());
    frmFavorites dialog(*form, prompter, form.get());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    // The view's own double-click signal, as a double-click on the row gives.
    auto doubleClick = [&](int index) {
        QTreeWidgetItem* row = dialog.ListView1->topLevelItem(index);
        dialog.ListView1->setCurrentItem(row);
        emit dialog.ListView1->itemDoubleClicked(row, 0);
    };

    const QString question = "The folder '" + native("live") +
                             "' does not exist.\n\nWould you like to remove the favorite 'Live'?";
    prompter.answers = {Prompter::Answer::No};
    doubleClick(1);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, question);
    EXPECT_EQ(prompter.shown[0].buttons, Prompter::Buttons::YesNo);
    EXPECT_EQ(rows(dialog).size(), 2);

    prompter.answers = {Prompter::Answer::Yes};
    doubleClick(1);
    EXPECT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(rows(dialog), QStringList{"Rock = " + native("rock")});
    EXPECT_TRUE(dialog.isVisible());

    doubleClick(0);
    waitForDetails();
    EXPECT_EQ(form->dirCurrent, native("rock"));
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(setting(Key), "Rock?" + native("rock") + "|");
}

TEST_F(FavoritesDialogTest, ControlsStayPutUpToTheDesignSizeAndFollowALargerDialog) {
    frmFavorites dialog(*form, prompter);
    dialog.show();
    const QSize design = dialog.size();
    auto geometry = [&] {
        QList<QRect> g{dialog.ListView1->geometry()};
        for (auto* b : {dialog.cmdNew, dialog.cmdEdit, dialog.cmdDelete, dialog.OKButton})
            g << b->geometry();
        return g;
    };
    const QList<QRect> atDesign = geometry();
    EXPECT_EQ(atDesign[0], QRect(toPixels(120), toPixels(120), toPixels(6255), toPixels(3495)));
    const int lefts[] = {840, 2040, 3240, 4440};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(atDesign[i + 1].topLeft(), QPoint(toPixels(lefts[i]), toPixels(3840)));

    dialog.resize(design - QSize(100, 80));
    EXPECT_EQ(geometry(), atDesign);

    dialog.resize(design + QSize(200, 120));
    const QList<QRect> larger = geometry();
    EXPECT_EQ(larger[0].topLeft(), atDesign[0].topLeft());
    EXPECT_EQ(larger[0].width(), dialog.width() - toPixels(240));
    EXPECT_EQ(larger[0].height(), atDesign[0].height() + 120);
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(larger[i].y(), atDesign[i].y() + 120);
        EXPECT_GT(larger[i].x(), atDesign[i].x());
        EXPECT_LE(larger[i].right(), dialog.width()) << i;
        if (i > 1) {
            EXPECT_GT(larger[i].x() - larger[i - 1].x(), atDesign[i].x() - atDesign[i - 1].x());
        }
    }
    // Nothing overlaps the list, and the buttons stay inside the dialog.
    for (int i = 1; i <= 4; ++i)
        EXPECT_GT(larger[i].top(), larger[0].bottom());
    EXPECT_LE(larger[1].bottom(), dialog.height());

    // A rendering of the dialog, for a look by eye when prompter for.
    const QImage shot = dialog.grab().toImage();
    EXPECT_EQ(shot.size(), dialog.size() * dialog.devicePixelRatio());
    if (const QByteArray to = qgetenv("TUNEWALK_FAVORITES_SHOT"); !to.isEmpty()) {
        dialog.resize(design);
        dialog.grab().save(QString::fromLocal8Bit(to));
    }
}

} // namespace
} // namespace tunewalk
