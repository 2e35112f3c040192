#include "info/SystemInfo.h"

#include "info/SystemInfoText.h"

#include <QApplication>
#include <QDate>
#include <QLocale>
#include <QTime>
#include <QWidget>

#include <fstream>
#include <sstream>

#include <sys/statvfs.h>

std::unique_ptr<SystemInfo> makeSystemInfo() {
    return std::make_unique<LinuxSystemInfo>();
}

std::optional<std::uint32_t> LinuxSystemInfo::packedVersion() {
    return std::nullopt;
}

std::optional<int> LinuxSystemInfo::processorLevel() {
#if defined(__i386__) || defined(__x86_64__)
    // The x86 family number is what the processor level means elsewhere.
    std::ifstream file("/proc/cpuinfo");
    if (!file)
        return std::nullopt;
    std::ostringstream text;
    text << file.rdbuf();
    return info::cpuFamilyFromCpuinfo(text.str());
#else
    return std::nullopt;
#endif
}

std::optional<std::uint32_t> LinuxSystemInfo::volumeSerial() {
    struct statvfs st {};
    if (statvfs("/", &st) != 0)
        return std::nullopt;
    return static_cast<std::uint32_t>(st.f_fsid & 0xFFFFFFFFu);
}

void LinuxSystemInfo::flashWindow(QWidget* window) {
    if (window && window->isVisible())
        QApplication::alert(window);
}

QString LinuxSystemInfo::currentDateText() {
    return QLocale().toString(QDate::currentDate(), QLocale::ShortFormat);
}

QString LinuxSystemInfo::currentTimeText() {
    const QLocale locale;
    return locale.toString(QTime::currentTime(),
                           timeFormatWithoutZone(locale.timeFormat(QLocale::LongFormat)));
}

QString timeFormatWithoutZone(const QString& format) {
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == u'\'') {
            quoted = !quoted;
            out += c;
        } else if (!quoted && c == u't') {
            while (i + 1 < format.size() && format[i + 1] == u't')
                ++i;
            // Take a blank that only separated the zone from the rest with it.
            if (out.endsWith(u' '))
                out.chop(1);
            else if (i + 1 < format.size() && format[i + 1] == u' ')
                ++i;
        } else {
            out += c;
        }
    }
    return out;
}
