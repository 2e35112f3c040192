#pragma once

#include <QHash>
#include <QObject>
#include <QString>

#include <functional>

class QLocalServer;
class QLocalSocket;

// One program per user and settings file: a second start asks the first one to come to the
// front and ends, instead of opening a second program over the same settings and backup files.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    // `name`: the local socket both starts meet at (serverName() for the real program).
    explicit SingleInstance(QString name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The socket name for this user and settings file, in the user's runtime folder.
    static QString serverName();

    // True when a running program answered; it has been asked to come to the front.
    bool activateRunning();
    // Starts answering later starts; `activate` runs for each. A socket left behind by a
    // program that crashed is taken over. False when listening failed (the program then runs
    // all the same, only without this service).
    bool listen(std::function<void()> activate);

private:
    QString m_name;
    QLocalServer* m_server = nullptr;
    std::function<void()> m_activate;
    QHash<QLocalSocket*, QByteArray> m_pending; // what each later start has sent so far
};
