#include "app/Application.h"
#include "app/MainForm.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumetra"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/lumetra.svg")));

    Application lumetra(Application::systemServices());
    lumetra.mainForm().show();
    return QApplication::exec();
}
