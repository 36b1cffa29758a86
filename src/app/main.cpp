// Tunewalk: a folder of MP3 and WAV files as a playlist.
#include "app/playback/MediaControlsBridge.h"
#include "app/playback/SystemPlayer.h"
#include "app/window/Form1.h"
#include "app/window/Icons.h"
#include "common/Detached.h"
#include "common/MemoryUse.h"
#include "common/NativePath.h"
#include "common/SettingsStore.h"
#include "shell/DesktopMediaControls.h"
#include "shell/QtPrompter.h"
#include "shell/QtShellOperations.h"
#include "shell/QtTrayIcon.h"
#include "shell/ShutdownSignals.h"
#include "shell/SingleInstance.h"

#include <QApplication>
#include <QDir>
#include <QSessionManager>
#include <QStringList>

namespace {

using namespace tunewalk;

// The window's whole life; everything it made is gone when this returns.
int runWindow(QApplication& app, const QStringList& arguments) {
    // A second start hands its folder or file to the running window (or only brings it
    // forward) and leaves without touching anything.
    const QString commandLine = commandLineOf(arguments, QDir::currentPath());
    SingleInstance instance;
    if (!instance.becomePrimary(commandLine)) return 0;

    SettingsStore settings;
    QtPrompter prompter(nullptr);
    QtTrayIcon tray(Icons::program());

    std::unique_ptr<MediaPlayer> systemPlayer = makeSystemPlayer();
    MediaPlayer& player = *systemPlayer;
    QtShellOperations shell(prompter);

    Form1 window(
        {&settings, &prompter, &tray, &player, &shell, commandLine, fallbackStartFolder()});
    prompter.setParent(&window);
    QObject::connect(&window, &Form1::closed, &app, &QApplication::quit, Qt::QueuedConnection);
    QObject::connect(&instance, &SingleInstance::openRequested, &window,
                     &Form1::openFromAnotherStart);

    // `kill` or Ctrl+C closes the window the normal way, so its layout is saved, and ends the
    // program even while a message box waits (at start-up, before the event loop runs): leaving
    // every event loop ends the box's, and any box after it returns at once.
    ShutdownSignals shutdownSignals;
    QObject::connect(&shutdownSignals, &ShutdownSignals::shutdownRequested, &window, [&window] {
        window.close();
        QApplication::exit(0);
    });
    // A logout must not wait on a message box nobody answers.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager&) {
                         QtPrompter::closeOpenMessages();
                         window.saveLayout();
                     });
    bool closed = false;
    QObject::connect(&window, &Form1::closed, [&closed] { closed = true; });

    // Media keys and the desktop's player widgets, where the desktop offers them.
    DesktopMediaControls mediaControls;
    if (mediaControls.start()) connectMediaControls(window, mediaControls);

    window.load();
    if (closed) return 0; // ended during start-up
    window.show();
    return QApplication::exec();
}

} // namespace

int main(int argc, char** argv) {
    keepMemoryCompact();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tunewalk"));
    QApplication::setOrganizationName(QStringLiteral("Tunewalk"));
    QApplication::setApplicationVersion(QStringLiteral(TUNEWALK_VERSION));
    // The installed desktop entry's name: the desktop finds the program's icon and name by it.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tunewalk.Tunewalk"));
    QApplication::setWindowIcon(Icons::program());
    // The window may hide in the tray; the program ends when the main window closes.
    QApplication::setQuitOnLastWindowClosed(false);

    const int code = runWindow(app, nativeArguments(argc, argv)); // names that are not text too
    // Abandoned workers stop before their next file; none may be inside the details cache
    // while the process takes its libraries down.
    finishDetached(1000, code);
    return code;
}
