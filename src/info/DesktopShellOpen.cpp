#include "info/ShellOpen.h"

#include <QDesktopServices>
#include <QUrl>

void DesktopShellOpen::open(const QString& target) {
    QDesktopServices::openUrl(QUrl(target, QUrl::StrictMode));
}
