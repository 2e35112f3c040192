// Runs a Windows test program under Wine with pseudo-terminals standing in for its COM ports.
//
//   lumetra-com-bridge PREFIX PORTS OUTDIR -- COMMAND...
//
// For each port number in PORTS (e.g. "3,12") a pseudo-terminal is linked as
// PREFIX/dosdevices/comN. What arrives on it is appended to OUTDIR/portN.bytes as it comes, and
// OUTDIR/portN.line always holds the line settings the terminal has now, e.g.
// "1200 CS8 CSTOPB -PARENB -CRTSCTS -IXON -IXOFF". (Not "comN.*": Windows takes such a name,
// extension or not, for the port itself.) A number followed by "x" ("5x") is a port another
// program holds exclusively (TIOCEXCL); OUTDIR/portN.held says whether that keeps Wine out,
// which it does only without CAP_SYS_ADMIN (scripts/test-windows drops it). One followed by
// "s" ("7s") is a stalled line: nothing is read from it, so its queue fills and stays full. COMMAND
// runs with LUMETRA_COM_OUT set to OUTDIR as a Windows path (Z:\...); the bridge exits with its
// status and removes its links. Built for the build machine, not for Windows.

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

struct Port {
    int number = 0;
    int master = -1;
    int slave = -1; // held here, so the master does not hang up when Wine closes the port
    std::string link;
    std::string lastLine;
    bool stalled = false;
};

[[noreturn]] void die(const std::string& what) {
    std::fprintf(stderr, "lumetra-com-bridge: %s: %s\n", what.c_str(), std::strerror(errno));
    std::exit(125);
}

std::string speedText(speed_t s) {
    switch (s) {
    case B1200:
        return "1200";
    case B9600:
        return "9600";
    case B38400:
        return "38400";
    default:
        return "B" + std::to_string(static_cast<unsigned>(s));
    }
}

std::string lineText(int fd) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0)
        return "unknown";
    const auto flag = [](bool on, const char* name) {
        return std::string(" ") + (on ? "" : "-") + name;
    };
    const tcflag_t size = tio.c_cflag & CSIZE;
    return speedText(::cfgetospeed(&tio)) +
           (size == CS8   ? " CS8"
            : size == CS7 ? " CS7"
            : size == CS6 ? " CS6"
                          : " CS5") +
           flag(tio.c_cflag & CSTOPB, "CSTOPB") + flag(tio.c_cflag & PARENB, "PARENB") +
           flag(tio.c_cflag & CRTSCTS, "CRTSCTS") + flag(tio.c_iflag & IXON, "IXON") +
           flag(tio.c_iflag & IXOFF, "IXOFF");
}

void writeFile(const std::string& path, const std::string& text) {
    const std::string temp = path + ".new";
    FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f)
        die(temp);
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    std::rename(temp.c_str(), path.c_str());
}

std::string windowsPath(const std::string& unixPath) {
    std::string out = "Z:" + unixPath;
    for (char& c : out)
        if (c == '/')
            c = '\\';
    return out;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 6 || std::string(argv[4]) != "--") {
        std::fprintf(stderr, "usage: lumetra-com-bridge PREFIX PORTS OUTDIR -- COMMAND...\n");
        return 125;
    }
    const std::string prefix = argv[1];
    const std::string outDir = argv[3];
    ::mkdir(outDir.c_str(), 0755);

    std::vector<Port> ports;
    for (const char* p = argv[2]; *p;) {
        char* end = nullptr;
        Port port;
        port.number = static_cast<int>(std::strtol(p, &end, 10));
        port.master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (port.master < 0 || ::grantpt(port.master) != 0 || ::unlockpt(port.master) != 0)
            die("no pseudo-terminal");
        const std::string slaveName = ::ptsname(port.master);
        port.slave = ::open(slaveName.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (port.slave < 0)
            die(slaveName);
        if (*end == 's') {
            ++end;
            port.stalled = true;
        }
        if (*end == 'x') {
            ++end;
            ::ioctl(port.slave, TIOCEXCL);
            const int other = ::open(slaveName.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            if (other >= 0)
                ::close(other);
            writeFile(outDir + "/port" + std::to_string(port.number) + ".held",
                      other < 0 ? "held" : "not enforced");
        }
        port.link = prefix + "/dosdevices/com" + std::to_string(port.number);
        ::unlink(port.link.c_str());
        if (::symlink(slaveName.c_str(), port.link.c_str()) != 0)
            die(port.link);
        const std::string base = outDir + "/port" + std::to_string(port.number);
        writeFile(base + ".bytes", "");
        port.lastLine = lineText(port.slave);
        writeFile(base + ".line", port.lastLine);
        ports.push_back(port);
        p = *end == ',' ? end + 1 : end;
    }

    const pid_t child = ::fork();
    if (child == 0) {
        ::setenv("LUMETRA_COM_OUT", windowsPath(outDir).c_str(), 1);
        ::execvp(argv[5], argv + 5);
        die(argv[5]);
    }

    int status = 0;
    for (;;) {
        std::vector<pollfd> fds;
        for (const Port& port : ports)
            fds.push_back({port.master, static_cast<short>(port.stalled ? 0 : POLLIN), 0});
        ::poll(fds.data(), fds.size(), 20);
        for (std::size_t i = 0; i < ports.size(); ++i) {
            Port& port = ports[i];
            const std::string base = outDir + "/port" + std::to_string(port.number);
            if (fds[i].revents & POLLIN) {
                char buffer[4096];
                const ssize_t n = ::read(port.master, buffer, sizeof buffer);
                if (n > 0) {
                    FILE* f = std::fopen((base + ".bytes").c_str(), "ab");
                    std::fwrite(buffer, 1, static_cast<std::size_t>(n), f);
                    std::fclose(f);
                }
            }
            const std::string line = lineText(port.slave);
            if (line != port.lastLine) {
                port.lastLine = line;
                writeFile(base + ".line", line);
            }
        }
        if (::waitpid(child, &status, WNOHANG) == child)
            break;
    }
    for (const Port& port : ports) {
        ::unlink(port.link.c_str());
        ::close(port.master);
        ::close(port.slave);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 126;
}
