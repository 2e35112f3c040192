#include "info/ShellOpen.h"

#include <QDesktopServices>
#include <QUrl>

std::unique_ptr<ShellOpen> makeShellOpen() {
    return std::make_unique<DesktopShellOpen>();
}

void DesktopShellOpen::open(const QString& target) {
    QDesktopServices::openUrl(QUrl(target, QUrl::StrictMode));
}
