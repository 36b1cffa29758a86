// Tunewalk: a folder of MP3 and WAV files as a playlist.
#include "app/Form1.h"
#include "app/Icons.h"
#include "app/MediaControlsBridge.h"
#include "app/QtMediaPlayer.h"
#include "common/SettingsStore.h"
#include "shell/DesktopMediaControls.h"
#include "shell/QtPrompter.h"
#include "shell/QtShellOperations.h"
#include "shell/QtTrayIcon.h"
#include "shell/ShutdownSignals.h"
#include "shell/SingleInstance.h"

#include <QApplication>
#include <QSessionManager>
#include <QStringList>

int main(int argc, char** argv) {
    using namespace tunewalk;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tunewalk"));
    QApplication::setOrganizationName(QStringLiteral("Tunewalk"));
    QApplication::setApplicationVersion(QStringLiteral("2.0.7"));
    QApplication::setWindowIcon(Icons::program());
    // The window may hide in the tray; the program ends when the main window closes.
    QApplication::setQuitOnLastWindowClosed(false);

    // A second start brings the running window forward and leaves without touching anything.
    SingleInstance instance;
    if (!instance.becomePrimary()) return 0;

    SettingsStore settings;
    QtPrompter prompter(nullptr);
    QtTrayIcon tray(Icons::program());
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();

    QtMediaPlayer player;
    QtShellOperations shell(prompter);

    Form1 window({&settings, &prompter, &tray, &player, &shell, arguments.join(QLatin1Char(' ')),
                  QApplication::applicationDirPath()});
    prompter.setParent(&window);
    QObject::connect(&window, &Form1::closed, &app, &QApplication::quit, Qt::QueuedConnection);
    QObject::connect(&instance, &SingleInstance::raiseRequested, &window,
                     &Form1::raiseFromAnotherStart);

    // A logout, `kill` or Ctrl+C closes the window the normal way, so its layout is saved.
    ShutdownSignals shutdownSignals;
    QObject::connect(&shutdownSignals, &ShutdownSignals::shutdownRequested, &window,
                     &QWidget::close);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager&) { window.saveLayout(); });

    // Media keys and the desktop's player widgets, where the desktop offers them.
    DesktopMediaControls mediaControls;
    if (mediaControls.start()) connectMediaControls(window, mediaControls);

    window.load();
    window.show();
    return QApplication::exec();
}
