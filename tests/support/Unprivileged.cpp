#include "Unprivileged.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTest>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace {
constexpr char ChildMark[] = "LUMETRA_TEST_UNPRIVILEGED";
}

bool unprivileged() {
#ifdef Q_OS_WIN
    return true; // Windows' read-only attribute binds every user
#else
    if (::geteuid() != 0 || qEnvironmentVariableIsSet(ChildMark))
        return true;
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(ChildMark), QStringLiteral("1"));
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.setWorkingDirectory(QStringLiteral("/tmp"));
    child.start(QStringLiteral("setpriv"),
                {QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                 QStringLiteral("--clear-groups"), QCoreApplication::applicationFilePath(),
                 QString::fromLatin1(QTest::currentTestFunction())});
    const bool finished = child.waitForFinished(60000);
    const QByteArray output = child.readAll();
    if (!finished || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        QTest::qFail(("as nobody:\n" + output).constData(), __FILE__, __LINE__);
    return false;
#endif
}
