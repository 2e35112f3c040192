#pragma once

#include "base/FileNames.h"
#include "base/IniFile.h"

#include <string>
#include <string_view>

// What the program remembers between runs, one typed entry each, over the settings file.
// Values are Windows-1251 bytes. Every read looks at the file as it is now; every write
// replaces it and throws AppError "Unable to write to <path>" on failure.
class Settings {
public:
    static constexpr int PortCount = 5;

    explicit Settings(std::string path = settingsFilePath());

    // [ComPort] Aktive: "COM 1".."COM 5" is 1..5, exactly so (case and blank count); 0 for
    // anything else. 1 when the entry is missing.
    int activePort() const;
    void setActivePort(int n);
    // [PortMap] "COM n": the device port n stands for when set, else the platform's own
    // (/dev/ttyS{n-1} on Linux, "COMn" on Windows).
    std::string portDevice(int n) const;
    void setPortDevice(int n, std::string_view device);

    // [LastFile] Path: the last message file as held (".\Tmp.txt" when missing).
    std::string lastFile() const;
    void setLastFile(std::string_view name);

    // [Option] Max leng: true only for exactly "59 000"; written as "59 000" or "6 140".
    bool longMaxLength() const;
    void setLongMaxLength(bool isLong);

    // [ZgLastFile] Mesto: the font editor's current file ("Guard.zg" when missing).
    std::string fontFile() const;
    void setFontFile(std::string_view name);

    // The file is over its size limit: every entry reads as its default and no write is taken.
    bool fileTooLarge() const { return m_ini.tooLarge(); }
    const std::string& path() const { return m_ini.path(); }

    // [Preview] Shown and Width: the main window's sign preview, ours alone. Hidden and
    // `fallback` dots wide unless set.
    bool previewShown() const;
    void setPreviewShown(bool shown);
    int previewWidth(int fallback) const;
    void setPreviewWidth(int width);

    // [Broker] PasswordFile and CaFile: what links to a broker's signs (mqtt://user@host/sign,
    // mqtts://) read their password and the broker's CA certificate from; empty when unset.
    // Ours alone, never written by the program.
    std::string brokerPasswordFile() const;
    std::string brokerCaFile() const;

    // The settings value of port n: "COM n", with the blank.
    static std::string portValue(int n);

private:
    IniFile m_ini;
};
