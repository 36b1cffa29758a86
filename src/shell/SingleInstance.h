#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace tunewalk {

// One running copy per user. The first copy listens on a local socket; a later copy hands it
// its command line (what Open With in a file manager passes) and then leaves without touching
// anything.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // `name` defaults to one per user; tests give their own.
    explicit SingleInstance(QString name = defaultName(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this is now the running copy. False when another copy answered; it has been
    // handed `commandLine` (empty: only raise the window) and this copy's working folder, so
    // that a relative path means there what it means here.
    bool becomePrimary(const QString& commandLine = {});

    static QString defaultName();

signals:
    // Another copy was started with `commandLine` in `workingFolder`: open what it names and
    // bring the window to the front. Both are empty when it named nothing, or when what it
    // sent could not be read: then only the window comes forward.
    void openRequested(const QString& commandLine, const QString& workingFolder);

private:
    QString m_name;
    QLocalServer* m_server = nullptr;
};

} // namespace tunewalk
