#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace tunewalk {

// One running copy per user. The first copy listens on a local socket; a later copy asks it to
// bring its window forward and then leaves without touching anything.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // `name` defaults to one per user; tests give their own.
    explicit SingleInstance(QString name = defaultName(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this is now the running copy. False when another copy answered; it has been
    // asked to raise its window.
    bool becomePrimary();

    static QString defaultName();

signals:
    // Another copy was started: restore the window if minimized and bring it to the front.
    void raiseRequested();

private:
    QString m_name;
    QLocalServer* m_server = nullptr;
};

} // namespace tunewalk
