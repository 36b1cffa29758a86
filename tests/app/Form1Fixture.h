#pragma once

#include "AudioFixtures.h"
#include "EventLoopWait.h"
#include "FakeMediaPlayer.h"
#include "FakeShellOperations.h"
#include "FakeTrayIcon.h"
#include "ScriptedPrompter.h"
#include "app/Form1.h"
#include "app/ListRow.h"
#include "common/SettingsStore.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QHeaderView>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

// Readable failure messages for Qt texts.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* os) {
    *os << '{' << list.join(QStringLiteral(", ")).toStdString() << '}';
}

namespace tunewalk {

// A main window on a settings file, a music folder and a program folder of its own, with
// scripted prompts and a fake tray icon.
class Form1Test : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        QDir(root.path()).mkpath(QStringLiteral("program"));
        QDir(root.path()).mkpath(QStringLiteral("music"));
        settingsFile = root.filePath(QStringLiteral("config/Tunewalk.conf"));
    }

    SettingsStore& settings() {
        if (!m_settings) m_settings = std::make_unique<SettingsStore>(settingsFile);
        return *m_settings;
    }
    void setSetting(const QString& key, const QString& value) {
        settings().save(QStringLiteral("Settings"), key, value);
    }
    void setPosition(const QString& key, const QString& value) {
        settings().save(QStringLiteral("Position"), key, value);
    }
    QString position(const QString& key) {
        return settings().get(QStringLiteral("Position"), key, QStringLiteral("absent"));
    }
    QString setting(const QString& key) {
        return settings().get(QStringLiteral("Settings"), key, QStringLiteral("absent"));
    }

    QString programFolder() const { return root.filePath(QStringLiteral("program")); }
    QString music() const { return root.filePath(QStringLiteral("music")); }
    QString path(const QString& relative) const { return music() + QLatin1Char('/') + relative; }

    // Makes the window, runs its load sequence and waits for the first listing and details.
    Form1& start(const QString& commandLine = {}) {
        form = std::make_unique<Form1>(Form1Services{&settings(), &prompter, trayToUse(),
                                                     playerToUse(), &shell, commandLine,
                                                     programFolder()});
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

    // The list as the user sees it.
    QStringList names() const {
        QStringList out;
        for (int i = 0; i < form->ListView1->topLevelItemCount(); ++i)
            out << row(i)->cell(Col::Name);
        return out;
    }
    ListRow* row(int i) const { return static_cast<ListRow*>(form->ListView1->topLevelItem(i)); }
    ListRow* rowNamed(const QString& name) const {
        for (int i = 0; i < form->ListView1->topLevelItemCount(); ++i)
            if (row(i)->cell(Col::Name) == name) return row(i);
        return nullptr;
    }
    bool shown(const char* buttonKey) const {
        return form->button(QLatin1String(buttonKey))->isVisible();
    }

    // The fakes unless a test brings a real player or tray icon.
    MediaPlayer* playerToUse() { return realPlayer ? realPlayer : &player; }
    TrayIcon* trayToUse() { return realTray ? realTray : &tray; }

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
};

} // namespace tunewalk
