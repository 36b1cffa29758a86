#pragma once

// The window's seams as the benchmarks need them: no question is ever answered by a person,
// and no icon appears in a notification area.

#include "metadata/codec/BatchTagging.h"
#include "shell/Prompter.h"
#include "shell/TrayIcon.h"

#include <optional>

namespace tunewalk::bench {

// Answers OK to everything and counts what it was asked: a measured run should ask nothing.
class CountingPrompter : public Prompter {
public:
    Answer message(const QString& text, Icon, Buttons) override {
        note(text);
        return Answer::Ok;
    }
    std::optional<QString> input(const QString& prompt, const QString&) override {
        note(prompt);
        return std::nullopt;
    }
    QString pickFolder(const QString& title, const QString&) override {
        note(title);
        return {};
    }
    QString saveFile(const QString& title, const QString&, const QString&, QString*) override {
        note(title);
        return {};
    }
    QString openFile(const QString& title, const QString&, const QString&) override {
        note(title);
        return {};
    }

    int count = 0;
    QString last;

private:
    void note(const QString& text) {
        ++count;
        last = text;
    }
};

class SilentTrayIcon : public TrayIcon {
public:
    using TrayIcon::TrayIcon;
    bool isAvailable() const override { return false; }
    void show() override {}
    void hide() override {}
    bool isVisible() const override { return false; }
    void setToolTip(const QString& tip) override { m_tip = tip; }
    QString toolTip() const override { return m_tip; }
    void setMenu(QMenu*) override {}

private:
    QString m_tip;
};

// What the batch benchmarks write into every file: title and comment from each name (over
// what is there), a fixed artist and genre.
inline BatchTagOptions batchBenchOptions() {
    BatchTagOptions o;
    o.titleFromFileName = o.overwriteTitle = true;
    o.guessTrack = o.overwriteComment = true;
    o.artist = "Bench Artist";
    o.genre = 17;
    return o;
}

} // namespace tunewalk::bench
