#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

namespace tunewalk {

class MediaPlayer;

// What plays: the current file, whether it plays or is paused, the player's reports turned
// into that state, and the rule for a file that ends (Play All goes on, Repeat plays it again,
// otherwise playback stops). The window shows the state and moves through its list; the
// media-controls bridge and the tray ask here what plays.
class Playback : public QObject {
    Q_OBJECT
public:
    explicit Playback(MediaPlayer& player, QObject* parent = nullptr);

    MediaPlayer& player() const { return m_player; }
    // The file the player has (playing, paused or opening); empty when none.
    const QString& currentFile() const { return m_currentFile; }
    bool isPlaying() const { return m_playing; }
    bool isPaused() const { return m_paused; }
    // A file chosen while paused waits, paused, until its first report of playing.
    bool pausingOnStart() const { return m_pauseOnStart; }
    // A file is being handed to the player; reports that arrive meanwhile may change it.
    bool isOpening() const { return m_opening; }

    // The end-of-file rule's switches, as the Audio menu shows them.
    void setPlayAll(bool on) { m_playAll = on; }
    void setRepeat(bool on) { m_repeat = on; }

    // Hands `key` to the player and makes it current. With force off, a file chosen while
    // paused loads and stays paused; with force on, the paused current file resumes.
    void open(const QString& key, bool force);
    // The user's Stop: the player reports Stopped, and playback ends.
    void requestStop();
    // Unloads the file and forgets it; nothing plays or is paused afterwards.
    void unload();
    // Play resumes a paused file; Pause pauses a playing one and resumes a paused one.
    void resume();
    void togglePause();
    // The file was moved or renamed while current.
    void followMove(const QString& to) { m_currentFile = to; }

    // The file that plays straight on when `after` ends (the current file, or the one handed
    // over to follow it), decided ahead by the same rule the end of a file follows; empty for
    // none. Told again whenever the answer may have changed (a new current file, the play
    // order, Play All or Repeat, a rename).
    void setNextFile(const QString& after, const QString& key);
    // The file handed over to follow the current one, until it is heard; empty when none.
    const QString& handedOverFile() const { return m_handedOver; }

    // What the window shows of the current file and which of its commands it offers now: the
    // desktop's media controls read them here.
    struct Shown {
        QString title, artist, album, albumArtist;
        int trackNumber = 0; // 0: unknown
        QString artUrl;      // a file:// URL of the cover's copy; empty: none
        bool canPlay = false, canGoNext = false, canGoPrevious = false;
    };
    const Shown& shown() const { return m_shown; }
    void setShown(Shown shown) {
        m_shown = std::move(shown);
        emit shownChanged();
    }

signals:
    // The player plays (or resumes) the current file.
    void playing();
    void paused();
    // The current file played to its end and Play All goes on from it.
    void advance(const QString& fromKey);
    // The next file took over without a gap: it is current now, and being heard.
    void switched(const QString& fromKey, const QString& toKey);
    // A file was handed over to follow the current one: what follows it may be told now.
    void handedOver(const QString& key);
    // The current file played to its end and Repeat plays it again.
    void again(const QString& key);
    // Playback ended: stopped by the user, at the end of a file without Play All or Repeat,
    // or by a player error.
    void ended();
    // What the window shows of playback changed, or the volume did.
    void shownChanged();

private:
    void onStateChanged(int newState);

    MediaPlayer& m_player;
    QString m_currentFile;
    QString m_handedOver;
    bool m_playing = false;
    bool m_paused = false;
    bool m_stopRequested = false;
    bool m_pauseOnStart = false;
    bool m_opening = false;
    bool m_playAll = false;
    bool m_repeat = false;
    Shown m_shown;
    QTimer m_pauseTimer; // pauses a file that must start paused, once it reports playing
};

} // namespace tunewalk
