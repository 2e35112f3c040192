#include "app/DataFolder.h"

#include "base/AppError.h"
#include "base/AtomicFile.h"
#include "base/QtAdapt.h"
#include "base/SystemError.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace datafolder {

namespace {

// A .zg file is exactly this long; the starter font is one.
constexpr std::size_t FontBytes = 2048;

fs::path fsPath(const QString& name) {
    return fs::path(QFile::encodeName(name).toStdString());
}

// The reason comes as text: the file system library's codes may be errno values on Windows
// too, which Windows' own message table would misread.
[[noreturn]] void fail(const char16_t* text, const QString& name, const std::string& reason) {
    throw AppError(qtadapt::toStd(QString::fromUtf16(text).arg(QDir::toNativeSeparators(name),
                                                               QString::fromStdString(reason))));
}

bool holdsFont(const fs::path& folder) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        if (!entry.is_regular_file(ec))
            continue;
        std::string ext = entry.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (ext == ".zg")
            return true;
    }
    return false;
}

} // namespace

QString defaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/lumetra");
}

void enter(const QString& folder, const QString& starterFont) {
    const fs::path dir = fsPath(folder);
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec)
        fail(CannotCreate, folder, errorReason(ec, ReasonLanguage::Russian));

    if (!holdsFont(dir)) {
        std::string font;
        try {
            font = readRegularFile(fsPath(starterFont).string(), FontBytes);
        } catch (const FileError&) {
            // No starter font beside the program (a build tree): the font starts empty.
        }
        if (font.size() == FontBytes) {
            const QString target = folder + QLatin1Char('/') + QString::fromUtf16(FontName);
            try {
                replaceFileAtomically(
                    fsPath(target).string(),
                    {reinterpret_cast<const std::uint8_t*>(font.data()), font.size()});
            } catch (const FileError& e) {
                fail(CannotCopyFont, target, errorReason(e.err(), ReasonLanguage::Russian));
            }
        }
    }

    fs::current_path(dir, ec);
    if (ec)
        fail(CannotEnter, folder, errorReason(ec, ReasonLanguage::Russian));
}

} // namespace datafolder
