#include "Sandbox.h"

#include "base/FileNames.h"

#include <QFile>
#include <QFileInfo>

Sandbox::Sandbox()
    : m_oldCwd(QDir::currentPath()), m_oldConfig(qgetenv("XDG_CONFIG_HOME")),
      m_hadConfig(qEnvironmentVariableIsSet("XDG_CONFIG_HOME")) {
    QDir(m_dir.path()).mkpath(QStringLiteral("config"));
    QDir::setCurrent(m_dir.path());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(path(QStringLiteral("config"))));
#ifdef Q_OS_WIN
    setSettingsFileForTests(
        QDir::toNativeSeparators(path(QStringLiteral("config/Kesmar.ini"))).toStdString());
#endif
}

Sandbox::~Sandbox() {
#ifdef Q_OS_WIN
    setSettingsFileForTests({});
#endif
    QDir::setCurrent(m_oldCwd);
    if (m_hadConfig)
        qputenv("XDG_CONFIG_HOME", m_oldConfig);
    else
        qunsetenv("XDG_CONFIG_HOME");
}

QString Sandbox::path(const QString& relative) const {
    return relative.isEmpty() ? m_dir.path() : m_dir.path() + QLatin1Char('/') + relative;
}

void Sandbox::write(const QString& relative, const QByteArray& bytes) const {
    QFile file(path(relative));
    QDir().mkpath(QFileInfo(file).absolutePath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(file.fileName()));
    file.write(bytes);
}

QByteArray Sandbox::read(const QString& relative) const {
    QFile file(path(relative));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool Sandbox::exists(const QString& relative) const {
    return QFileInfo::exists(path(relative));
}
