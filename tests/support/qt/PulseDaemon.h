#pragma once

#include <QHash>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <optional>
#include <signal.h>
#include <sys/prctl.h>
#include <vector>

namespace tunewalk {

// A PulseAudio server of the test's own, in a temporary folder, with null sinks for outputs:
// the machines the tests run on have no sound card and no sound server. This process talks to
// it through PULSE_SERVER and XDG_RUNTIME_DIR, set until the daemon is gone.
class PulseDaemon {
public:
    PulseDaemon() {
        if (QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("pactl")).isEmpty() || !m_dir.isValid())
            return;
        const QString socket = m_dir.filePath(QStringLiteral("native"));
        keepEnv("XDG_RUNTIME_DIR", m_dir.path());
        keepEnv("PULSE_SERVER", QStringLiteral("unix:") + socket);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), m_dir.path()); // its cookie and state, not the user's
        m_daemon.setProcessEnvironment(env);
        m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // Gone with the test, also when the test crashes.
        m_daemon.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
        // Run as root, PulseAudio only warns unless it is asked for the system-wide server; no
        // default script (it would look for sound cards and a session bus), no exit when idle.
        m_daemon.start(
            QStringLiteral("pulseaudio"),
            {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--system=no"),
             QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--use-pid-file=no"),
             QStringLiteral("--log-level=error"), QStringLiteral("-L"),
             QStringLiteral("module-native-protocol-unix auth-anonymous=1 socket=") + socket});
        for (int i = 0; i < 200 && !m_ready && m_daemon.state() != QProcess::NotRunning; ++i) {
            m_ready = pactl({QStringLiteral("info")}).has_value();
            if (!m_ready) QThread::msleep(25);
        }
    }
    ~PulseDaemon() {
        if (m_daemon.state() != QProcess::NotRunning) {
            m_daemon.terminate();
            if (!m_daemon.waitForFinished(5000)) m_daemon.kill();
            m_daemon.waitForFinished();
        }
        for (auto it = m_env.rbegin(); it != m_env.rend(); ++it)
            it->wasSet ? qputenv(it->name, it->value) : qunsetenv(it->name);
    }
    PulseDaemon(const PulseDaemon&) = delete;
    PulseDaemon& operator=(const PulseDaemon&) = delete;

    // The server answers.
    bool ready() const { return m_ready; }
    // A sink that plays into nothing; its module's index, -1 when it could not be loaded.
    int addNullSink(const QString& name, const QString& description) {
        const auto out =
            pactl({QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                   QStringLiteral("sink_name=") + name,
                   QStringLiteral("sink_properties=device.description=") + description});
        bool ok = false;
        const int module = out ? out->trimmed().toInt(&ok) : -1;
        return ok ? module : -1;
    }
    bool unload(int module) {
        return pactl({QStringLiteral("unload-module"), QString::number(module)}).has_value();
    }
    // The names of the sinks the server's playback streams play into, one per stream.
    QStringList streamSinks() {
        QHash<QString, QString> names; // index -> name
        for (const QString& line :
             lines({QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sinks")}))
            names.insert(line.section(QLatin1Char('\t'), 0, 0),
                         line.section(QLatin1Char('\t'), 1, 1));
        QStringList out;
        for (const QString& line : lines(
                 {QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sink-inputs")}))
            out << names.value(line.section(QLatin1Char('\t'), 1, 1));
        return out;
    }

private:
    std::optional<QString> pactl(const QStringList& arguments) {
        QProcess p;
        p.start(QStringLiteral("pactl"), arguments);
        if (!p.waitForFinished(10000) || p.exitStatus() != QProcess::NormalExit ||
            p.exitCode() != 0)
            return std::nullopt;
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    QStringList lines(const QStringList& arguments) {
        return pactl(arguments).value_or(QString()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    void keepEnv(const char* name, const QString& value) {
        m_env.push_back({name, qEnvironmentVariableIsSet(name), qgetenv(name)});
        qputenv(name, value.toLocal8Bit());
    }

    struct SavedEnv {
        const char* name;
        bool wasSet;
        QByteArray value;
    };
    QTemporaryDir m_dir;
    QProcess m_daemon;
    bool m_ready = false;
    std::vector<SavedEnv> m_env;
};

} // namespace tunewalk
