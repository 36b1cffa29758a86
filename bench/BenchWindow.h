#pragma once

// The main window as the program builds it, for the window benchmarks: settings in a file of
// the benchmark's own, a prompter that answers OK and counts questions, a silent tray icon and
// the real player (or another one to compare it with).

#include "BenchSeams.h"
#include "app/playback/SystemPlayer.h"
#include "app/window/Form1.h"
#include "common/SettingsStore.h"

#include <QString>

namespace tunewalk::bench {

struct BenchWindow {
    // `folder` holds the settings file and stands for the program's folder.
    explicit BenchWindow(const QString& folder,
                         std::unique_ptr<MediaPlayer> playWith = makeSystemPlayer())
        : settings(folder + QStringLiteral("/Tunewalk.conf")), systemPlayer(std::move(playWith)),
          window(Form1Services{&settings, &prompter, &tray, &player, nullptr, {}, folder}) {
        window.show();
    }

    SettingsStore settings;
    CountingPrompter prompter;
    SilentTrayIcon tray;
    std::unique_ptr<MediaPlayer> systemPlayer;
    MediaPlayer& player = *systemPlayer;
    Form1 window;
};

} // namespace tunewalk::bench
