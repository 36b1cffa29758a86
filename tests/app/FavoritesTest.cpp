// Favorite folders: the menu, Add Current Folder, choosing a favorite, the stored value and the
// Edit Favorites dialog.
#include "Form1Fixture.h"
#include "app/window/frmFavorites.h"

#include <QPushButton>

namespace tunewalk {
namespace {

const QString Key = "FavoritesList";
const QString NamePrompt = "What name do you want to use for this folder?";
const QString RetryPrompt =
    "Please try again. Do not include the characters \"|\" or \":\" in the name.";
const QString EntryName = "Enter the name for this favorite:";
const QString EntryPath = "Enter the path for this favorite:";
const QString Duplicate = "This folder is already a favorite.";

class FavoritesTest : public Form1Test {
protected:
    void SetUp() override {
        Form1Test::SetUp();
        for (const char* folder : {"rock", "live", "jazz"})
            mkdir(folder);
    }

    QString native(const QString& relative) const {
        return QDir::toNativeSeparators(path(relative));
    }
    void addStored(const QString& name, const QString& folder) {
        ASSERT_TRUE(form->favoriteFolders().add(name, folder));
    }
    // Name and path of each favorite, in order.
    QStringList favorites() const {
        QStringList out;
        for (const auto& [key, f] : form->favoriteFolders().list()) {
            EXPECT_EQ(key, f.Tag());
            out << QString::fromStdString(f.Name() + " = " + f.Tag());
        }
        return out;
    }
    // What the menu shows below its two commands, and whether the separator is visible.
    QStringList menuItems() const {
        QStringList out;
        const auto actions = form->menu("mnuFavorites")->actions();
        for (qsizetype i = 2; i < actions.size(); ++i) {
            if (actions[i]->isSeparator())
                out << (actions[i]->isVisible() ? "-" : "(-)");
            else
                out << actions[i]->text() + " > " + actions[i]->data().toString();
        }
        return out;
    }
    QStringList rows(const frmFavorites& dialog) const {
        QStringList out;
        for (int i = 0; i < dialog.ListView1->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* row = dialog.ListView1->topLevelItem(i);
            EXPECT_EQ(dialog.rowFor(row->text(1)), row);
            out << row->text(0) + " = " + row->text(1);
        }
        return out;
    }
    void select(frmFavorites& dialog, int index) {
        dialog.ListView1->setCurrentItem(dialog.ListView1->topLevelItem(index));
    }
};

TEST_F(FavoritesTest, MenuShowsSeparatorAndOneItemPerFavoriteInOrder) {
    start(music());
    EXPECT_EQ(menuItems(), QStringList{"(-)"});
    setSetting(Key, "Rock?" + native("rock") + "|Live & Loud?" + native("live") + "|Jazz?" +
                        native("jazz") + "|");
    form->loadFavorites();
    EXPECT_EQ(menuItems(),
              (QStringList{"-", "Rock > " + native("rock"), "Live && Loud > " + native("live"),
                           "Jazz > " + native("jazz")}));

    // Back to none: the old items go and no stray separator stays.
    form->favoriteFolders().read({});
    form->rebuildFavoritesMenu();
    EXPECT_EQ(menuItems(), QStringList{"(-)"});
    EXPECT_TRUE(form->favoriteItems().isEmpty());
}

TEST_F(FavoritesTest, AddRefusesColonAndBarAndOffersTheRejectedNameAgain) {
    start(path("rock"));
    prompter.inputs = {"Rock: live", "Rock|b", "Rock?"};
    form->command("mnuAddFavorite")->trigger();

    EXPECT_EQ(prompter.prompts, (QStringList{NamePrompt, RetryPrompt, RetryPrompt}));
    EXPECT_EQ(prompter.offered, (QStringList{"rock", "Rock: live", "Rock|b"}));
    EXPECT_EQ(favorites(), QStringList{"Rock? = " + native("rock")});
    EXPECT_EQ(menuItems(), (QStringList{"-", "Rock? > " + native("rock")}));
    // "?" is allowed in a name, so it is stored escaped.
    EXPECT_EQ(setting(Key), "Rock\\q?" + native("rock").replace("\\", "\\\\") + "?|");
}

TEST_F(FavoritesTest, AddEndsOnCancelOrEmptyAnswerAndRefusesAFavoriteFolderTwice) {
    start(path("rock"));
    prompter.inputs = {QString()};
    form->addFavorite();
    prompter.inputs = {"a:b", ""};
    form->addFavorite();
    EXPECT_TRUE(form->favoriteFolders().empty());
    EXPECT_EQ(setting(Key), "absent");

    prompter.inputs = {"Rock", "Rock again"};
    form->addFavorite();
    form->addFavorite();
    EXPECT_EQ(favorites(), QStringList{"Rock = " + native("rock")});
    EXPECT_EQ(prompter.shown, (Messages{{Duplicate, Icon::Critical, Buttons::Ok}}));
    EXPECT_EQ(setting(Key), "Rock?" + native("rock") + "|");

    // The drives view is a favorite too, named after it.
    list("Drives");
    prompter.inputs = {"Computer"};
    form->addFavorite();
    EXPECT_EQ(prompter.offered.last(), "Drives");
    EXPECT_EQ(favorites().last(), "Computer = Drives");
}

TEST_F(FavoritesTest, ChoosingListsTheFolderOrReportsItGone) {
    mkdir("old");
    setSetting(Key, "Rock?" + native("rock") + "|Old?" + native("old") + "|Computer?Drives|");
    start(music());
    ASSERT_TRUE(QDir(path("old")).removeRecursively());

    form->favoriteItems()[2]->trigger();
    waitForDetails();
    EXPECT_EQ(form->folder(), "Drives");
    form->favoriteItems()[0]->trigger();
    waitForDetails();
    EXPECT_EQ(form->folder(), native("rock"));

    form->favoriteItems()[1]->trigger();
    EXPECT_EQ(prompter.shown, (Messages{{"The folder '" + native("old") + "' does not exist",
                                         Icon::Exclamation, Buttons::Ok}}));
    EXPECT_EQ(form->folder(), native("rock"));
}

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
    EXPECT_EQ(form->favoriteFolders().serialize(), old);
}

TEST_F(FavoritesTest, NamesAndPathsWithSeparatorsSurviveSavingAndLoading) {
    start(music());
    addStored("Who?", "d:\\music\\who");
    addStored("A|B", "c:\\what?\\x|y\\q\\\\p");
    addStored("Plain", "\\\\server\\quiet");
    addStored("Linux", "/home/me/a?b|c\\q");
    addStored("Ünïcode ♫", "/home/me/Müsik");
    const QStringList before = favorites();

    form->saveFavorites();
    // Favorites without separators keep the form every version reads.
    EXPECT_TRUE(setting(Key).contains("|Plain?\\\\server\\quiet|"));
    form->loadFavorites();
    EXPECT_EQ(favorites(), before);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(menuItems().value(2), "A|B > c:\\what?\\x|y\\q\\\\p");
}

TEST_F(FavoritesTest, UnreadablePiecesAreReportedAndTheRestKept) {
    setSetting(Key, "Rock?/a|garbage|Live?/b|Again?/a|tail without bar");
    start(music());
    EXPECT_EQ(favorites(), (QStringList{"Rock = /a", "Live = /b"}));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].icon, Icon::Critical);
    EXPECT_TRUE(prompter.shown[0].text.contains("garbage"));
    EXPECT_TRUE(prompter.shown[0].text.contains("Again?/a"));
    EXPECT_FALSE(prompter.shown[0].text.contains("tail"));

    prompter.clear();
    setSetting(Key, "none");
    form->loadFavorites();
    EXPECT_TRUE(form->favoriteFolders().empty());
    EXPECT_TRUE(prompter.shown.empty());
}

class FavoritesDialogTest : public FavoritesTest {
protected:
    void SetUp() override {
        FavoritesTest::SetUp();
        setSetting(Key, "Rock?" + native("rock") + "|Live?" + native("live") + "|");
        start(music());
    }
};

TEST_F(FavoritesDialogTest, EditFavoritesCommandShowsTheDialogModallyOverTheWindow) {
    EXPECT_EQ(openedBy(form->command("mnuEditFavorites")), "frmFavorites");
}

TEST_F(FavoritesDialogTest, AddAsksForAFolderThenANameAndRefusesAFavoriteFolder) {
    frmFavorites dialog(*form, prompter, form.get());
    prompter.folders = {QString()};
    dialog.cmdNew->click();
    EXPECT_EQ(prompter.prompts, QStringList{"Select a Folder"});

    prompter.clear();
    prompter.folders = {native("jazz")};
    prompter.inputs = {"Jazz"};
    dialog.cmdNew->click();
    EXPECT_EQ(prompter.prompts, (QStringList{"Select a Folder", EntryName}));
    EXPECT_EQ(prompter.offered.last(), QString());
    EXPECT_EQ(rows(dialog).last(), "Jazz = " + native("jazz"));
    EXPECT_EQ(favorites().last(), "Jazz = " + native("jazz"));

    prompter.folders = {native("rock")};
    prompter.inputs = {"Rock again"};
    dialog.cmdNew->click();
    EXPECT_EQ(prompter.shown, (Messages{{Duplicate, Icon::Critical, Buttons::Ok}}));
    EXPECT_EQ(rows(dialog).size(), 3);
    EXPECT_EQ(favorites().size(), 3);
}

TEST_F(FavoritesDialogTest, EditRenamesAndRepointsAndMovesTheFavoriteToTheEnd) {
    frmFavorites dialog(*form, prompter, form.get());
    dialog.cmdEdit->click(); // nothing selected: nothing asked
    EXPECT_TRUE(prompter.prompts.isEmpty());

    select(dialog, 0);
    prompter.inputs = {"Rock 2", native("jazz")};
    dialog.cmdEdit->click();
    EXPECT_EQ(prompter.prompts, (QStringList{EntryName, EntryPath}));
    EXPECT_EQ(prompter.offered, (QStringList{"Rock", native("rock")}));
    EXPECT_EQ(favorites(), (QStringList{"Live = " + native("live"), "Rock 2 = " + native("jazz")}));
    EXPECT_EQ(rows(dialog),
              (QStringList{"Rock 2 = " + native("jazz"), "Live = " + native("live")}));

    // Onto another favorite's folder: refused, nothing changes.
    select(dialog, 0);
    prompter.inputs = {"Clash", native("live")};
    dialog.cmdEdit->click();
    EXPECT_EQ(prompter.shown, (Messages{{Duplicate, Icon::Critical, Buttons::Ok}}));
    EXPECT_EQ(favorites(), (QStringList{"Live = " + native("live"), "Rock 2 = " + native("jazz")}));

    dialog.OKButton->click();
    EXPECT_EQ(menuItems(),
              (QStringList{"-", "Live > " + native("live"), "Rock 2 > " + native("jazz")}));
    EXPECT_EQ(setting(Key), "Live?" + native("live") + "|Rock 2?" + native("jazz") + "|");
}

TEST_F(FavoritesDialogTest, RemovingEveryFavoriteAndDoneDeletesTheSetting) {
    frmFavorites dialog(*form, prompter, form.get());
    select(dialog, 1);
    dialog.cmdDelete->click();
    EXPECT_EQ(rows(dialog), QStringList{"Rock = " + native("rock")});
    select(dialog, 0);
    dialog.cmdDelete->click();
    dialog.cmdDelete->click(); // nothing selected any more
    EXPECT_TRUE(rows(dialog).isEmpty());
    dialog.OKButton->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(setting(Key), "absent");
    EXPECT_EQ(menuItems(), QStringList{"(-)"});
    form->loadFavorites(); // what the next start reads
    EXPECT_TRUE(form->favoriteFolders().empty());
}

TEST_F(FavoritesDialogTest, DoubleClickListsAFolderOrOffersToRemoveAVanishedOne) {
    ASSERT_TRUE(QDir(path("live")).removeRecursively());
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
    EXPECT_EQ(prompter.shown, (Messages{{question, Icon::Question, Buttons::YesNo}}));
    EXPECT_EQ(rows(dialog).size(), 2);

    prompter.answers = {Prompter::Answer::Yes};
    doubleClick(1);
    EXPECT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(rows(dialog), QStringList{"Rock = " + native("rock")});
    EXPECT_TRUE(dialog.isVisible());

    doubleClick(0);
    waitForDetails();
    EXPECT_EQ(form->folder(), native("rock"));
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
    dialog.resize(design - QSize(100, 80));
    EXPECT_EQ(geometry(), atDesign);

    dialog.resize(design + QSize(200, 120));
    const QList<QRect> larger = geometry();
    EXPECT_EQ(larger[0].topLeft(), atDesign[0].topLeft());
    EXPECT_EQ(larger[0].width(), dialog.width() - toPixels(240));
    EXPECT_EQ(larger[0].height(), atDesign[0].height() + 120);
    // The buttons move down with the list's bottom, spread out and stay inside the dialog.
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(larger[i].y(), atDesign[i].y() + 120);
        EXPECT_GT(larger[i].top(), larger[0].bottom());
        EXPECT_LE(larger[i].right(), dialog.width()) << i;
        EXPECT_LE(larger[i].bottom(), dialog.height());
        if (i > 1) {
            EXPECT_GT(larger[i].x() - larger[i - 1].x(), atDesign[i].x() - atDesign[i - 1].x());
        }
    }
}

} // namespace
} // namespace tunewalk
