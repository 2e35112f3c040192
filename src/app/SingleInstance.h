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
    // `name`: the local socket both starts meet at (serverPlace() for the real program).
    explicit SingleInstance(QString name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Where the socket of this user and settings file lives: a folder nobody else can enter
    // (the user's runtime folder, else a 0700 folder of the user's own in the temporary
    // folder). Without one, `name` is empty and `problem` says why; the program then runs on
    // its own, as other users' programs could otherwise stand in for the first one.
    struct Place {
        QString name;
        QString problem;
    };
    static Place serverPlace();

    // True when a running Lumetra answered; it has been asked to come to the front. Anything
    // else at the socket that does not answer as Lumetra does counts as nobody.
    bool activateRunning();
    // Starts answering later starts; `activate` runs for each. A socket left behind by a
    // program that crashed is taken over; one that something else listens on is left alone.
    // False when listening failed (the program then runs all the same, only without this
    // service).
    bool listen(std::function<void()> activate);

private:
    QString m_name;
    QLocalServer* m_server = nullptr;
    std::function<void()> m_activate;
    QHash<QLocalSocket*, QByteArray> m_pending; // what each later start has sent so far
};
