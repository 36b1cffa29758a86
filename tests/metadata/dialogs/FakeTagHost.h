#pragma once

#include "common/NativePath.h"

#include "AudioFixtures.h"
#include "ScriptedPrompter.h"
#include "TempDir.h"
#include "metadata/codec/MP3TagEditor.h"
#include "metadata/dialogs/TagHost.h"

#include <QTest>
#include <cerrno>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>

namespace tunewalk {

// A list of rows the test sets up; records every refresh.
class FakeTagHost : public TagHost {
public:
    std::vector<Row> rows() const override { return list; }
    QString currentFolder() const override { return folder; }
    bool refreshRow(const QString& key) override {
        refreshed << key;
        if (onRefresh) onRefresh();
        for (const Row& r : list)
            if (r.key == key) return true;
        return false;
    }

    bool keepModificationTimes() const override { return keepTimes; }
    HistoryStore* history() const override { return store; }
    void recorded() override { ++recordedCount; }
    bool keepOtherTagsInStep() const override { return inStep; }

    std::vector<Row> list;
    QString folder;
    bool keepTimes = false;
    HistoryStore* store = nullptr;
    bool inStep = false;
    int recordedCount = 0;
    QStringList refreshed;
    std::function<void()> onRefresh; // runs after each recorded refresh
};

// A folder of generated files listed by a fake host, and a prompter that records.
class TagFolderTest : public ::testing::Test {
protected:
    TagFolderTest() { host.folder = QString::fromStdString(dir.path().string()); }

    // Writes `bytes` as a file of the folder (unless null) and lists it; returns its key.
    QString add(const std::string& name, const std::string* bytes, RowKind kind = RowKind::MP3,
                bool selected = true, bool current = false) {
        if (bytes) fixtures::writeFile(dir / name, *bytes);
        // Names are bytes: one that is not valid text is kept as the window keeps it.
        const QString key = fromNativePath(QByteArray::fromStdString(dir.file(name)));
        host.list.push_back({key, kind,
                             displayPath(fromNativePath(QByteArray::fromStdString(name))), selected,
                             current});
        return key;
    }
    QString add(const std::string& name, const std::string& bytes, RowKind kind = RowKind::MP3,
                bool selected = true, bool current = false) {
        return add(name, &bytes, kind, selected, current);
    }
    std::string bytesOf(const std::string& name) const { return fixtures::readFile(dir / name); }
    MP3TagEditor reread(const std::string& name) const {
        MP3TagEditor e;
        EXPECT_TRUE(e.LoadMP3(dir.file(name)));
        return e;
    }
    // Whether the prompter showed exactly one message, this one.
    ::testing::AssertionResult shownOnly(const QString& text, Prompter::Icon icon,
                                         Prompter::Buttons buttons) const {
        const auto& s = prompter.shown;
        if (s.size() == 1 && s[0].text == text && s[0].icon == icon && s[0].buttons == buttons)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "shown: " << prompter.texts().join('|').toStdString();
    }
    // How a failed save names the file and the system's reason (0: a folder stands there).
    static QString because(const QString& key, int error) {
        return key + QStringLiteral(": ") +
               (error ? QString::fromLocal8Bit(std::strerror(error))
                      : QStringLiteral("not a regular file"));
    }
    // A fresh list, refresh record and prompter for the next case of a loop.
    void reset() {
        host.list.clear();
        host.refreshed.clear();
        prompter.clear();
    }

    TempDir dir;
    FakeTagHost host;
    ScriptedPrompter prompter;
};

// Types `text` key by key. QTest::keyClicks cannot: it sends each character as Latin-1, so the
// very characters the fields must refuse would never reach them.
inline void type(QWidget* field, const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        QString key(text[i]);
        if (text[i].isHighSurrogate() && i + 1 < text.size()) key += text[++i];
        QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, key, Qt::NoModifier);
    }
}

} // namespace tunewalk
