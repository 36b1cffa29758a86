#pragma once

#include "AudioFixtures.h"
#include "EventLoopWait.h"
#include "FakeMediaPlayer.h"
#include "FakeShellOperations.h"
#include "FakeTrayIcon.h"
#include "QtPrinters.h"
#include "ScriptedPrompter.h"
#include "app/listing/FolderModel.h"
#include "app/listing/FolderSortModel.h"
#include "app/listing/ListText.h"
#include "app/window/Form1.h"
#include "common/PathRules.h"
#include "common/SettingsStore.h"
#include "common/Twips.h"
#include "foldertree/TreeNode.h"
#include "foldertree/Treefolder.h"

#include <QAction>
#include <QApplication>
#include <QCryptographicHash>
#include <QDialog>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <QUrl>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <tuple>
#include <vector>

namespace tunewalk {

// A main window on a settings file, a music folder and a program folder of its own, with
// scripted prompts and a fake tray icon.
class Form1Test : public ::testing::Test {
protected:
    using Icon = Prompter::Icon;
    using Buttons = Prompter::Buttons;
    using Shown = ScriptedPrompter::Shown;
    using Messages = std::vector<Shown>;

    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        QDir(root.path()).mkpath(QStringLiteral("program"));
        QDir(root.path()).mkpath(QStringLiteral("music"));
        settingsFile = root.filePath(QStringLiteral("config/Tunewalk.conf"));
        // The details cache, the change history and the Trash of each test are its own, never
        // the user's.
        setEnv("XDG_CACHE_HOME", root.filePath(QStringLiteral("cache")));
        setEnv("XDG_DATA_HOME", root.filePath(QStringLiteral("data")));
    }
    void TearDown() override {
        form.reset();
        // Last set first back: a variable set twice gets the value it had before the test.
        for (auto it = m_savedEnv.rbegin(); it != m_savedEnv.rend(); ++it) {
            const auto& [name, wasSet, value] = *it;
            wasSet ? qputenv(name, value) : qunsetenv(name);
        }
        // QTemporaryDir leaves names that are not valid UTF-8 behind.
        std::error_code ignored;
        std::filesystem::remove_all(QFile::encodeName(root.path()).toStdString(), ignored);
    }
    // Sets an environment variable until the test ends.
    void setEnv(const char* name, const QString& value) {
        m_savedEnv.emplace_back(name, qEnvironmentVariableIsSet(name), qgetenv(name));
        qputenv(name, value.toLocal8Bit());
    }

    SettingsStore& settings() {
        if (!m_settings) m_settings = std::make_unique<SettingsStore>(settingsFile);
        return *m_settings;
    }
    void setSetting(const QString& key, const QString& value) {
        settings().save(QStringLiteral("Settings"), key, value);
    }
    QString position(const QString& key) {
        return settings().get(QStringLiteral("Position"), key, QStringLiteral("absent"));
    }
    // Values as an earlier run left them: a key, its value, the next key...
    void setSettings(const QStringList& keysAndValues, const char* group = "Settings") {
        for (qsizetype i = 0; i + 1 < keysAndValues.size(); i += 2)
            settings().save(QLatin1String(group), keysAndValues[i], keysAndValues[i + 1]);
    }
    void setPositions(const QStringList& keysAndValues) { setSettings(keysAndValues, "Position"); }
    QStringList positions(const QStringList& keys) {
        QStringList out;
        for (const QString& key : keys)
            out << position(key);
        return out;
    }
    QString setting(const QString& key) {
        return settings().get(QStringLiteral("Settings"), key, QStringLiteral("absent"));
    }

    QString programFolder() const { return root.filePath(QStringLiteral("program")); }
    QString music() const { return root.filePath(QStringLiteral("music")); }
    QString path(const QString& relative) const { return music() + QLatin1Char('/') + relative; }

    // Every file and folder under the music folder: its path and its bytes' hash.
    QStringList tree() const {
        QStringList out;
        QDirIterator it(music(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString p = it.next();
            QFile file(p);
            out << p.mid(music().size()) + QLatin1Char(' ') +
                       (file.open(QIODevice::ReadOnly)
                            ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Md5)
                                  .toHex()
                                  .left(8)
                            : QByteArray("folder"));
        }
        out.sort();
        return out;
    }
    // Makes the window, runs its load sequence and waits for the first listing and details.
    Form1& start(const QString& commandLine = {}) {
        // The fakes unless a test brings a real player or tray icon.
        form = std::make_unique<Form1>(
            Form1Services{&settings(), &prompter, realTray ? realTray : &tray,
                          realPlayer ? realPlayer : &player, &shell, commandLine, programFolder()});
        bool listed = false;
        const auto connection =
            QObject::connect(form.get(), &Form1::listed, [&listed] { listed = true; });
        form->load();
        form->show();
        EXPECT_TRUE(waitUntil([&] { return listed; }));
        QObject::disconnect(connection);
        waitForDetails();
        return *form;
    }
    void waitForDetails() {
        EXPECT_TRUE(waitUntil([&] { return !form->isFillingDetails(); }));
    }
    void list(const QString& folder) {
        form->PopulateList(folder);
        waitForDetails();
    }
    // File jobs run on a worker: waits until they have ended and the views show their outcome.
    void settleFileJobs() {
        EXPECT_TRUE(waitUntil([&] { return form->fileOperations().idle(); }));
        waitForDetails(); // a job's outcome may list a folder again
    }

    // Files.
    void writeMp3(const QString& relative, int frames = 200, const std::string& tag = {},
                  fixtures::FrameShape shape = {}) {
        fixtures::writeFile(path(relative).toStdString(),
                            fixtures::mpegFrames(shape, frames) + tag);
    }
    void writeBytes(const QString& relative, const std::string& bytes) {
        fixtures::writeFile(path(relative).toStdString(), bytes);
    }
    void mkdir(const QString& relative) { QDir(music()).mkpath(relative); }

    // A row of the list as the user sees it, by its key: what its cells show, its picture,
    // whether it is selected or shown.
    struct Row {
        const Form1* form = nullptr;
        QString key;
        const ListEntry* entry() const { return form ? form->findRow(key) : nullptr; }
        operator const ListEntry*() const { return entry(); }
        const Row* operator->() const { return this; }
        QString cell(int column) const { return cellText(*entry(), column); }
        bool isFile() const { return entry()->isFile(); }
        QString iconKey() const { return form->rows().iconKey(*entry()); }
        QVariant data(int column, int role) const {
            return form->rows().data(form->rows().indexOf(key, column), role);
        }
        bool isHidden() const { return !form->viewIndex(key).isValid(); }
        bool isSelected() const {
            const QModelIndex index = form->viewIndex(key);
            return index.isValid() && form->list()->selectionModel()->isRowSelected(index.row(), {});
        }
        bool operator==(const Row& other) const { return key == other.key; }
    };
    // Where the row shows in the list's viewport.
    QRect rectOf(const QString& name) const {
        return form->list()->visualRect(form->viewIndex(rowNamed(name)->key));
    }
    int rowCount() const { return form->rowOrder().rowCount(); }
    QStringList names() const {
        QStringList out;
        for (int i = 0; i < rowCount(); ++i)
            out << row(i)->cell(Col::Name);
        return out;
    }
    Row row(int i) const {
        if (i < 0 || i >= rowCount()) return {};
        return {form.get(), form->rowOrder().entryAt(i).key};
    }
    // Shown or not.
    Row rowNamed(const QString& name) const {
        for (const ListEntry& e : form->rows().entries())
            if (cellText(e, Col::Name) == name) return {form.get(), e.key};
        return {};
    }
    // A click on a column's header section, as the user gives it.
    void clickHeader(int column) {
        QHeaderView* header = form->list()->header();
        const QPoint centre(header->sectionViewportPosition(column) +
                                header->sectionSize(column) / 2,
                            header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre);
    }
    // One digit for each option, 1 where it is checked.
    static QString checked(std::initializer_list<QAction*> options) {
        QString digits;
        for (const QAction* option : options)
            digits += option->isChecked() ? QLatin1Char('1') : QLatin1Char('0');
        return digits;
    }
    bool shown(const char* buttonKey) const {
        return form->button(QLatin1String(buttonKey))->isVisible();
    }
    // These rows alone selected, the first one current.
    void select(const QStringList& rows) {
        QItemSelectionModel* selection = form->list()->selectionModel();
        selection->clearSelection();
        for (const QString& name : rows)
            selection->select(form->viewIndex(rowNamed(name)->key),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
        selection->setCurrentIndex(form->viewIndex(rowNamed(rows.first())->key),
                                   QItemSelectionModel::NoUpdate);
    }
    // Runs a command and names the modal dialog it opened (closing it), or "" for none.
    QString openedBy(QAction* command) {
        QString name;
        QTimer::singleShot(0, [&name] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                name = QString::fromLatin1(modal->metaObject()->className());
                if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
            }
        });
        command->trigger();
        QApplication::processEvents();
        return name.section(QStringLiteral("::"), -1);
    }
    // A file list as another program's drag carries it.
    static std::unique_ptr<QMimeData> fileData(const QStringList& paths) {
        auto data = std::make_unique<QMimeData>();
        QList<QUrl> urls;
        for (const QString& p : paths)
            urls << QUrl::fromLocalFile(p);
        data->setUrls(urls);
        return data;
    }

    // Playback: the user plays a row, and the fake player starts it at once.
    void play(const QString& name) {
        form->clickRow(rowNamed(name));
        form->command("mnuPlay")->trigger();
        if (!realPlayer) player.startPlaying();
    }
    bool idle() const {
        return form->playingFile().isEmpty() && !form->playing() && !form->paused();
    }
    void setToggles(bool all, bool repeat) {
        if (form->command("mnuAll")->isChecked() != all) form->command("mnuAll")->trigger();
        if (form->command("mnuRepeat")->isChecked() != repeat)
            form->command("mnuRepeat")->trigger();
    }

    QTemporaryDir root;
    QString settingsFile;
    FakeMediaPlayer player;
    MediaPlayer* realPlayer = nullptr;
    FakeShellOperations shell;
    ScriptedPrompter prompter;
    FakeTrayIcon tray;
    TrayIcon* realTray = nullptr;
    std::unique_ptr<Form1> form;

private:
    std::unique_ptr<SettingsStore> m_settings;
    std::vector<std::tuple<const char*, bool, QByteArray>> m_savedEnv;
};

} // namespace tunewalk
