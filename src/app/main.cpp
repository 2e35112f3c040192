#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/DataFolder.h"
#include "app/Desktop.h"
#include "app/MainForm.h"
#include "app/SingleInstance.h"
#include "base/AppError.h"
#include "base/LazyIcon.h"

#include <QApplication>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>

namespace {

// Whether windows can open at all. Without a display Qt would abort; the operator gets one
// line instead.
bool displayConfigured(const commandline::Request& request) {
#ifdef Q_OS_WIN
    Q_UNUSED(request);
    return true;
#else
    return request.platformNamed || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
#endif
}

QtMessageHandler g_qtHandler = nullptr;

// While the application object connects to the display: a display that is named but does not
// answer ends the program with the same one line, not with Qt's abort.
void startUpMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    const bool platform = context.category && qstrncmp(context.category, "qt.qpa", 6) == 0;
    if (type == QtFatalMsg && text.contains(QLatin1String("platform plugin"))) {
        std::fputs(commandline::noDisplayMessage().c_str(), stderr);
        std::_Exit(1);
    }
    if (platform && (type == QtWarningMsg || type == QtInfoMsg))
        return; // a display that fails is said in one line by the fatal message that follows
    g_qtHandler(type, context, text);
}

void bringToFront(QWidget& window) {
    window.showNormal();
    window.raise();
    window.activateWindow();
    // A modal window (the font editor, a question) stays on top of the main one.
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
    }
}

} // namespace

int main(int argc, char* argv[]) {
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    const commandline::Request request = commandline::parse(args);
    if (request.action == commandline::Action::Print) {
        std::fputs(request.text.c_str(), stdout);
        return 0;
    }
    if (request.action == commandline::Action::Refuse) {
        std::fputs(request.text.c_str(), stderr);
        return 2;
    }
    if (!displayConfigured(request)) {
        std::fputs(commandline::noDisplayMessage().c_str(), stderr);
        return 1;
    }

    std::future<void> fonts = desktop::readFontConfigurationAhead();
    g_qtHandler = qInstallMessageHandler(startUpMessages);
    QApplication app(argc, argv);
    qInstallMessageHandler(g_qtHandler);
    if (QGuiApplication::screens().isEmpty()) {
        // An X display that is named but not there: Qt starts and would fail at the first event.
        std::fputs(commandline::noDisplayMessage().c_str(), stderr);
        return 1;
    }
    QApplication::setApplicationName(QStringLiteral("Lumetra"));
    QApplication::setDesktopFileName(QStringLiteral(LUMETRA_DESKTOP_ID));
    QApplication::setWindowIcon(lazyWindowIcon(QStringLiteral(":/icons/lumetra")));

    const SingleInstance::Place place = SingleInstance::serverPlace();
    if (!place.problem.isEmpty())
        std::fprintf(stderr, "lumetra: %s; запуск без проверки второй копии программы\n",
                     place.problem.toLocal8Bit().constData());
    SingleInstance instance(place.name);
    if (!place.name.isEmpty() && instance.activateRunning())
        return 0;

    QTranslator translator;
    desktop::installQtTranslations(app, translator);
    desktop::applyPalette(app);
    desktop::usePictureStyle();

    Application::Services services = Application::systemServices();
    // Read again as Qt has them: on Windows the system's own wide command line, which a folder
    // named in another code page survives.
    if (const auto folder = commandline::parse(QApplication::arguments()).dataFolder) {
        try {
            datafolder::enter(*folder, QApplication::applicationDirPath() +
                                           QStringLiteral("/" LUMETRA_STARTER_FONT));
        } catch (const AppError& e) {
            std::fprintf(stderr, "lumetra: %s\n", e.what());
            services.dialogs->error(nullptr, errorBoxText(QString::fromUtf8(e.what())));
            return 1;
        }
    }

    if (fonts.valid())
        fonts.wait();
    Application lumetra(std::move(services));
    TMainForm& main = lumetra.mainForm();
    if (!place.name.isEmpty())
        instance.listen([&main] { bringToFront(main); });
    main.show();
    return QApplication::exec();
}
