// lumetra-sign: a stand-in for the running-line sign. It listens on a pseudo-terminal of its
// own (or a serial device), decodes the frames that arrive and either shows the sign running
// the text or, with --headless, prints each frame as one JSON line.

#include "FrameReport.h"
#include "LinePacer.h"
#include "SignLine.h"
#include "SignWindow.h"
#include "base/WindowPlacement.h"
#include "frames/FrameDecoder.h"
#include "sign/SignPlayer.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>

namespace {

constexpr const char* Usage =
    "usage: lumetra-sign [--headless] [--device PATH | --link PATH | --listen URL]\n"
    "                    [--width DOTS] [--pace]\n"
    "                    [--beside X,Y,WIDTH,HEIGHT]\n"
    "  (no --device)    listen on a new pseudo-terminal; its path is printed first\n"
    "  --device PATH    listen on this serial device instead\n"
    "  --listen URL     listen on TCP instead, as a sign behind a converter:\n"
    "                   socket://127.0.0.1:PORT\n"
    "  --link PATH      also make a symbolic link PATH to the pseudo-terminal\n"
    "  --headless       no window: print each frame received as a JSON line\n"
    "  --width DOTS     columns of the display, 64 or more (default 96)\n"
    "  --pace           take the bytes in no faster than a 1200-baud line carries them\n"
    "                   (8N2: 11 bits, about 9.17 ms a byte)\n"
    "  --beside RECT    open the window beside another one (its corner and size) so\n"
    "                   that it never covers it\n"
    "  --help           print this and exit\n";

// How often a paced line is looked at; the byte count follows the clock, not the ticks.
constexpr int PaceTickMs = 10;

// The most read in one go before the event loop runs again; more than a frame's worth.
constexpr std::size_t ReadSliceBytes = 1 << 17;

// Bytes that stop coming halfway through a frame end it: the writer has given up.
constexpr int IdleFlushMs = 2000;

struct Options {
    bool headless = false;
    std::string device;
    std::string link;
    std::string listen;
    int width = sign::SignPlayer::DefaultWidth;
    bool pace = false;
    std::optional<QRect> beside;
};

// The command line (the program's name first); nothing when it is not one lumetra-sign takes.
// `help` tells whether it asks for the usage, whatever else it holds.
std::optional<Options> parseOptions(const QStringList& arguments, bool& help) {
    QCommandLineParser parser;
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption headless(QStringLiteral("headless"));
    const QCommandLineOption pace(QStringLiteral("pace"));
    const auto valued = [](const char* name, const char* value) {
        return QCommandLineOption(QString::fromLatin1(name), {}, QString::fromLatin1(value));
    };
    const QCommandLineOption device = valued("device", "PATH");
    const QCommandLineOption listen = valued("listen", "URL");
    const QCommandLineOption link = valued("link", "PATH");
    const QCommandLineOption width = valued("width", "DOTS");
    const QCommandLineOption beside = valued("beside", "RECT");
    parser.addOptions({helpOption, headless, pace, device, listen, link, width, beside});
    const bool parsed = parser.parse(arguments);
    help = parser.isSet(helpOption);
    if (!parsed || !parser.positionalArguments().isEmpty())
        return std::nullopt;

    Options options;
    options.headless = parser.isSet(headless);
    options.pace = parser.isSet(pace);
    options.device = parser.value(device).toLatin1().toStdString();
    options.listen = parser.value(listen).toLatin1().toStdString();
    options.link = parser.value(link).toLatin1().toStdString();
    if (parser.isSet(beside)) {
        options.beside = placement::parseRect(parser.value(beside));
        if (!options.beside)
            return std::nullopt;
    }
    if (parser.isSet(width)) {
        bool ok = false;
        options.width = parser.value(width).toInt(&ok);
        if (!ok || options.width < sign::SignPlayer::MinWidth || options.width > 4096)
            return std::nullopt;
    }
    if (!options.listen.empty() && (!options.device.empty() || !options.link.empty()))
        return std::nullopt;
    if (!options.device.empty() && !options.link.empty())
        return std::nullopt;
    return options;
}

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

bool printLine(const std::string& line) {
    return std::fputs(line.c_str(), stdout) >= 0 && std::fputc('\n', stdout) != EOF &&
           std::fflush(stdout) == 0;
}

} // namespace

int main(int argc, char** argv) {
    // Latin-1 both ways keeps the bytes of device paths whatever their encoding.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLatin1(argv[i]));
    bool help = false;
    const auto options = parseOptions(arguments, help);
    if (help) {
        std::fputs(Usage, stdout);
        return 0;
    }
    if (!options) {
        std::fputs(Usage, stderr);
        return 2;
    }
    std::signal(SIGPIPE, SIG_IGN);

    std::unique_ptr<QCoreApplication> app;
    if (options->headless)
        app = std::make_unique<QCoreApplication>(argc, argv);
    else
        app = std::make_unique<QApplication>(argc, argv);

    std::unique_ptr<sign::SignLine> line;
    std::unique_ptr<sign::DeviceLink> link;
    try {
        if (!options->listen.empty())
            line = sign::listenTcp(options->listen);
        else
            line = options->device.empty() ? sign::openPseudoTerminal()
                                           : sign::openSerialDevice(options->device);
        if (!options->link.empty())
            link = std::make_unique<sign::DeviceLink>(options->link, line->devicePath());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "lumetra-sign: %s\n", e.what());
        return 1;
    }
    if (!line->settingsWarning().empty())
        std::fprintf(stderr, "lumetra-sign: %s\n", line->settingsWarning().c_str());
    // Caught before the device line goes out: whoever reads it may stop us at once.
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::perror("lumetra-sign: pipe");
        return 1;
    }
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (const int s : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(s, &action, nullptr);
    if (!printLine("device: " + line->devicePath()))
        return 1;

    QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, app.get(), [&] { app->quit(); });

    std::unique_ptr<sign::SignWindow> window;
    if (!options->headless) {
        window = std::make_unique<sign::SignWindow>(QString::fromStdString(line->devicePath()),
                                                    options->width);
        if (options->beside) {
            const QSize size = window->sizeHint();
            window->move(placement::placeBeside(*options->beside, size.width(), size.height(),
                                                window->screen()->availableGeometry())
                             .topLeft());
        }
        window->show();
    }

    int exitCode = 0;
    const std::function<void(const std::vector<DecodedFrame>&)> deliver =
        [&](const std::vector<DecodedFrame>& frames) {
            for (const auto& frame : frames) {
                if (window) {
                    window->showFrame(frame);
                } else if (!printLine(sign::frameJson(frame))) {
                    // Nobody reads what we print any more.
                    exitCode = 1;
                    app->quit();
                    return;
                }
            }
        };

    FrameDecoder decoder;
    QTimer idle;
    idle.setSingleShot(true);
    idle.setInterval(IdleFlushMs);
    QObject::connect(&idle, &QTimer::timeout, app.get(), [&] { deliver(decoder.finish()); });

    enum class Read { Some, Dry, Ended };
    // Reads at most `limit` bytes of what the line holds now.
    const auto readLine = [&](std::size_t limit, std::size_t& got) -> Read {
        std::uint8_t buffer[4096];
        got = 0;
        while (got < limit) {
            const long n = line->read(buffer, std::min(sizeof buffer, limit - got));
            if (n > 0) {
                got += static_cast<std::size_t>(n);
                deliver(decoder.feed(std::span(buffer, static_cast<std::size_t>(n))));
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return Read::Dry;
            if (n < 0) {
                std::fprintf(stderr, "lumetra-sign: reading %s: %s\n", line->devicePath().c_str(),
                             std::strerror(errno));
                exitCode = 1;
            }
            return Read::Ended;
        }
        return Read::Some;
    };
    // One slice at a time: a device that never runs dry (/dev/zero) must leave the loop free
    // for the signals that end the program.
    const auto drain = [&]() -> bool {
        std::size_t got = 0;
        return readLine(ReadSliceBytes, got) != Read::Ended;
    };
    const auto watchIdle = [&] {
        if (decoder.pending())
            idle.start();
        else
            idle.stop();
    };

    QSocketNotifier reader(line->fd(), QSocketNotifier::Read);
    sign::LinePacer pacer;
    QTimer paceTimer;
    paceTimer.setTimerType(Qt::PreciseTimer);
    paceTimer.setInterval(PaceTickMs);
    const auto endOfLine = [&] {
        reader.setEnabled(false);
        paceTimer.stop();
        app->quit();
    };
    // Paced, the bytes stay in the line's queue until their time has come, so a writer fills
    // it and then waits as it would on a real line.
    QObject::connect(&paceTimer, &QTimer::timeout, app.get(), [&] {
        const std::size_t allowed = pacer.allowance(sign::LinePacer::Clock::now());
        if (allowed == 0)
            return;
        std::size_t got = 0;
        const Read read = readLine(allowed, got);
        pacer.take(got);
        if (read == Read::Ended)
            return endOfLine();
        if (read == Read::Dry) {
            pacer.stop();
            paceTimer.stop();
            reader.setEnabled(true);
        }
        watchIdle();
    });

    QObject::connect(&reader, &QSocketNotifier::activated, app.get(), [&] {
        if (options->pace) {
            reader.setEnabled(false);
            pacer.start(sign::LinePacer::Clock::now());
            paceTimer.start();
            return;
        }
        if (!drain())
            return endOfLine();
        watchIdle();
    });

    const int loopCode = app->exec();
    if (loopCode != 0)
        exitCode = loopCode;
    if (reader.isEnabled() || paceTimer.isActive())
        drain();
    if (!window)
        deliver(decoder.finish());
    window.reset();
    link.reset();
    line.reset();
    return exitCode;
}
