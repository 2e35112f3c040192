#include "app/Application.h"
#include "app/DataFolder.h"
#include "app/MainForm.h"
#include "base/AppError.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumetra"));
    QApplication::setDesktopFileName(QStringLiteral(LUMETRA_DESKTOP_ID));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/lumetra.svg")));

    Application::Services services = Application::systemServices();
    QStringList arguments = QApplication::arguments();
    if (const auto folder = datafolder::takeOption(arguments)) {
        try {
            datafolder::enter(*folder, QApplication::applicationDirPath() +
                                           QStringLiteral("/" LUMETRA_STARTER_FONT));
        } catch (const AppError& e) {
            std::fprintf(stderr, "lumetra: %s\n", e.what());
            services.dialogs->error(nullptr, errorBoxText(QString::fromUtf8(e.what())));
            return 1;
        }
    }

    Application lumetra(std::move(services));
    lumetra.mainForm().show();
    return QApplication::exec();
}
