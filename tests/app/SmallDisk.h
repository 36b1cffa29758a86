#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>

namespace tunewalk {

// A tmpfs of `size` ("64k", "1m") mounted at a folder for one test, so that a full disk is a
// real one. Mounting needs root, as in CI; elsewhere mounted() is false and the test skips.
class SmallDisk {
public:
    SmallDisk(const QString& at, const QString& size) : m_at(at) {
        QDir().mkpath(at);
        m_mounted = QProcess::execute(QStringLiteral("mount"),
                                      {"-t", "tmpfs", "-o", "size=" + size, "tmpfs", at}) == 0;
    }
    ~SmallDisk() { unmount(); }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return m_mounted; }
    void unmount() {
        if (m_mounted) QProcess::execute(QStringLiteral("umount"), {m_at});
        m_mounted = false;
    }
    // Writes the file `name` on it until no byte more fits.
    void fill(const QString& name = QStringLiteral("filler")) const {
        QFile filler(m_at + QLatin1Char('/') + name);
        if (!filler.open(QIODevice::WriteOnly)) return;
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    }

private:
    QString m_at;
    bool m_mounted = false;
};

} // namespace tunewalk
