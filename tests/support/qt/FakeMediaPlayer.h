#pragma once

#include "app/playback/MediaPlayer.h"

#include <QHash>
#include <QStringList>

namespace tunewalk {

// A player that plays nothing: it records what the window asks of it, and the test decides
// when it reports a state, an end of file or an error.
class FakeMediaPlayer : public MediaPlayer {
    Q_OBJECT
public:
    using MediaPlayer::MediaPlayer;

    void open(const QString& path) override {
        calls << QStringLiteral("open ") + path;
        loaded = path;
        seconds = 0;
    }
    void play() override { calls << QStringLiteral("play"); }
    void pause() override { calls << QStringLiteral("pause"); }
    void stop() override {
        calls << QStringLiteral("stop");
        seconds = 0;
        if (state != Stopped) report(Stopped);
    }
    QString fileName() const override { return loaded; }
    void unload() override {
        calls << QStringLiteral("unload");
        loaded.clear();
        seconds = 0;
        state = Stopped;
    }
    bool autoStart() const override { return autoStarting; }
    void setAutoStart(bool on) override { autoStarting = on; }
    double position() const override { return seconds; }
    void setPosition(double s) override {
        calls << QStringLiteral("seek %1").arg(s);
        seconds = s;
    }
    double duration() const override { return length; }
    int volume() const override { return level; }
    void setVolume(int v) override { level = v; }
    bool isMuted() const override { return muted; }
    void setMuted(bool on) override { muted = on; }
    int playState() const override { return loaded.isEmpty() ? Closed : state; }
    void setNextFile(const QString& after, const QString& next) override {
        nextAfter[after] = next;
    }
    bool playsGapless() const override { return gapless; }
    void setReplayGain(Gain mode, double preampDb) override {
        static const char* const names[] = {"Off", "Track", "Album"};
        gains << QStringLiteral("%1 %2").arg(names[int(mode)]).arg(preampDb);
    }
    QList<Output> outputs() const override { return offered; }
    QString output() const override { return chosenOutput; }
    void setOutput(const QString& id) override {
        outputsChosen << id;
        chosenOutput = id;
    }

    // What the real player would report.
    void report(int newState) {
        const int old = state;
        state = newState;
        emit stateChanged(old, newState);
    }
    void startPlaying() { report(Playing); }
    void reachEnd() {
        seconds = length;
        report(Stopped);
    }
    void fail(quint32 code, const QString& text) { emit error(code, text); }
    // The next file told for the loaded one takes over, as a gapless player does at the end.
    void switchToNext() {
        const QString next = nextAfter.value(loaded);
        if (next.isEmpty()) return reachEnd();
        loaded = next;
        seconds = 0;
        emit switched(next);
    }
    // The desktop's outputs change.
    void offer(const QList<Output>& outputs) {
        offered = outputs;
        emit outputsChanged();
    }
    // The chosen output is unplugged: it leaves the list and the player says so.
    void loseOutput() {
        QString name;
        for (qsizetype i = 0; i < offered.size(); ++i)
            if (offered[i].id == chosenOutput) name = offered.takeAt(i).name;
        emit outputsChanged();
        emit outputLost(name);
    }

    QStringList calls;
    QString loaded;
    int state = Stopped;
    double seconds = 0;
    double length = 3;
    int level = 0;
    bool muted = false;
    bool autoStarting = false;
    bool gapless = false;
    QHash<QString, QString> nextAfter; // what the window told to follow each file
    // Kept apart from `calls`: the window hands them over at every start.
    QStringList gains; // "Album -3": the gain and the pre-amp in dB
    QStringList outputsChosen;
    QList<Output> offered;
    QString chosenOutput;
};

} // namespace tunewalk
