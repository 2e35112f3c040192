// The About window's system information and links on Windows: the Win32 calls themselves.

#include "info/ShellOpen.h"
#include "info/SystemInfo.h"
#include "info/Win32System.h"

#include <QWidget>

namespace {

class Win32SystemInfo : public SystemInfo {
public:
    std::optional<std::uint32_t> packedVersion() override { return win32::packedVersion(); }
    std::optional<int> processorLevel() override { return win32::processorLevel(); }
    std::optional<std::uint32_t> volumeSerial() override { return win32::volumeSerial("C:\\"); }
    void flashWindow(QWidget* window) override {
        if (window && window->isVisible())
            win32::flashWindow(reinterpret_cast<void*>(window->winId()));
    }
    QString currentDateText() override { return QString::fromStdString(win32::shortDateText()); }
    QString currentTimeText() override { return QString::fromStdString(win32::longTimeText()); }
};

class Win32ShellOpen : public ShellOpen {
public:
    void open(const QString& target) override {
        // The links are plain ASCII; the local code page is what ShellExecuteA reads.
        win32::shellExecute(nullptr, target.toLocal8Bit().toStdString());
    }
};

} // namespace

std::unique_ptr<SystemInfo> makeSystemInfo() {
    return std::make_unique<Win32SystemInfo>();
}

std::unique_ptr<ShellOpen> makeShellOpen() {
    return std::make_unique<Win32ShellOpen>();
}
