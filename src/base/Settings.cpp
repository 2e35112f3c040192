#include "base/Settings.h"

namespace {

constexpr char PortSection[] = "ComPort";
constexpr char PortKey[] = "Aktive";
constexpr char PortMapSection[] = "PortMap";
constexpr char LastFileSection[] = "LastFile";
constexpr char LastFileKey[] = "Path";
constexpr char OptionSection[] = "Option";
constexpr char LengthKey[] = "Max leng";
constexpr char ShortLength[] = "6 140";
constexpr char LongLength[] = "59 000";
constexpr char FontSection[] = "ZgLastFile";
constexpr char FontKey[] = "Mesto";
// Ours: the sign preview of the main window.
constexpr char PreviewSection[] = "Preview";
constexpr char PreviewShownKey[] = "Shown";
constexpr char PreviewWidthKey[] = "Width";

} // namespace

Settings::Settings(std::string path) : m_ini(std::move(path)) {}

std::string Settings::portValue(int n) {
    return "COM " + std::to_string(n);
}

int Settings::activePort() const {
    const std::string value = m_ini.ReadString(PortSection, PortKey, portValue(1));
    for (int n = 1; n <= PortCount; ++n)
        if (value == portValue(n))
            return n;
    return 0;
}

void Settings::setActivePort(int n) {
    m_ini.WriteString(PortSection, PortKey, portValue(n));
}

std::string Settings::portDevice(int n) const {
#ifdef _WIN32
    const std::string fallback = "COM" + std::to_string(n);
#else
    const std::string fallback = "/dev/ttyS" + std::to_string(n - 1);
#endif
    const std::string mapped = m_ini.ReadString(PortMapSection, portValue(n), "");
    return mapped.empty() ? fallback : mapped;
}

void Settings::setPortDevice(int n, std::string_view device) {
    m_ini.WriteString(PortMapSection, portValue(n), device);
}

std::string Settings::lastFile() const {
    return m_ini.ReadString(LastFileSection, LastFileKey, ".\\Tmp.txt");
}

void Settings::setLastFile(std::string_view name) {
    m_ini.WriteString(LastFileSection, LastFileKey, name);
}

bool Settings::longMaxLength() const {
    return m_ini.ReadString(OptionSection, LengthKey, ShortLength) == LongLength;
}

void Settings::setLongMaxLength(bool isLong) {
    m_ini.WriteString(OptionSection, LengthKey, isLong ? LongLength : ShortLength);
}

std::string Settings::fontFile() const {
    return m_ini.ReadString(FontSection, FontKey, "Guard.zg");
}

void Settings::setFontFile(std::string_view name) {
    m_ini.WriteString(FontSection, FontKey, name);
}

std::string Settings::brokerPasswordFile() const {
    return m_ini.ReadString("Broker", "PasswordFile", "");
}

std::string Settings::brokerCaFile() const {
    return m_ini.ReadString("Broker", "CaFile", "");
}

bool Settings::previewShown() const {
    return m_ini.ReadString(PreviewSection, PreviewShownKey, "0") == "1";
}

void Settings::setPreviewShown(bool shown) {
    m_ini.WriteString(PreviewSection, PreviewShownKey, shown ? "1" : "0");
}

int Settings::previewWidth(int fallback) const {
    const std::string value = m_ini.ReadString(PreviewSection, PreviewWidthKey, "");
    int width = 0;
    for (const char c : value) {
        if (c < '0' || c > '9' || width > 100000)
            return fallback;
        width = width * 10 + (c - '0');
    }
    return value.empty() ? fallback : width;
}

void Settings::setPreviewWidth(int width) {
    m_ini.WriteString(PreviewSection, PreviewWidthKey, std::to_string(width));
}
