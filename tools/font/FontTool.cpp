#include "FontTool.h"

#include "Bdf.h"
#include "FontFit.h"
#include "Psf.h"
#include "QtFonts.h"
#include "Sheet.h"
#include "TextArt.h"
#include "UnifontHex.h"
#include "Yaff.h"

#include "base/AppError.h"
#include "base/AtomicFile.h"
#include "font/FontTable.h"

#include <QCommandLineParser>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <system_error>

#include <sys/stat.h>
#include <zlib.h>

namespace fonttool {

const char* const Usage =
    "usage: lumetra-font import SOURCE OUT.zg [--into BASE.zg] [IMPORT OPTIONS] [--force]\n"
    "       lumetra-font import SOURCE --into EXISTING.zg [IMPORT OPTIONS]\n"
    "       lumetra-font import --family NAME [--pixel-size N] [--threshold T] [--baseline ROW]\n"
    "                           OUT.zg [IMPORT OPTIONS] [--force]\n"
    "       lumetra-font export IN.zg OUT.png|OUT.bdf|OUT.psf[.gz]|OUT.yaff|OUT.hex [--scale N]\n"
    "                           [--no-grid] [--force]\n"
    "       lumetra-font show IN.zg [CHARACTERS]\n"
    "SOURCE: a PSF 1 or PSF 2 console font (gzipped or not), a BDF font, a monobit yaff font,\n"
    "        a GNU Unifont .hex font, or a PNG sheet.\n"
    "import options:\n"
    "  --left             move each symbol to its leftmost column\n"
    "  --window COL,ROW   take the 8 x 8 dots from column COL, row ROW of the source's cell\n"
    "  --crop             cut glyphs that have lit dots outside the window (each is listed)\n"
    "  --lit-colour RRGGBB  on a PNG sheet, dots of this colour are lit (default: dark ones)\n"
    "See lumetra-font(1).\n";

namespace {

constexpr std::size_t MaxInput = 64u << 20;

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Args {
    std::vector<std::string> positional;
    std::map<std::string, std::string> values;
    std::set<std::string> flags;

    bool has(const std::string& flag) const { return flags.count(flag) != 0; }
    std::string value(const std::string& name) const {
        const auto it = values.find(name);
        return it == values.end() ? std::string() : it->second;
    }
    int number(const std::string& name, int fallback, int low, int high) const {
        const auto it = values.find(name);
        if (it == values.end())
            return fallback;
        char* end = nullptr;
        const long v = std::strtol(it->second.c_str(), &end, 10);
        if (it->second.empty() || *end != '\0' || v < low || v > high)
            throw UsageError(name + " takes a whole number from " + std::to_string(low) + " to " +
                             std::to_string(high) + ", not \"" + it->second + "\"");
        return static_cast<int>(v);
    }
};

// The name of an option as typed: "--into", "--into=x" and "-into" all name "into".
QString optionName(const QString& argument) {
    return argument.mid(argument.startsWith(QStringLiteral("--")) ? 2 : 1).section(u'=', 0, 0);
}

Args parseArgs(const std::vector<std::string>& args, std::size_t from,
               const std::set<std::string>& valued, const std::set<std::string>& flags) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const std::string& name : valued)
        parser.addOption({QString::fromStdString(name.substr(2)), {}, QStringLiteral("VALUE")});
    for (const std::string& name : flags)
        parser.addOption(QCommandLineOption(QString::fromStdString(name.substr(2))));
    // Latin-1 both ways keeps the bytes of file names and texts whatever their encoding.
    QStringList given{QStringLiteral("lumetra-font")};
    for (std::size_t i = from; i < args.size(); ++i)
        given.append(QString::fromLatin1(args[i]));
    if (!parser.parse(given)) {
        const QStringList unknown = parser.unknownOptionNames();
        const std::string last = args.back();
        for (const QString& a : given.mid(1)) {
            // An unknown name, or a flag given a value.
            const bool flagWithValue =
                a.contains(u'=') && flags.count("--" + optionName(a).toStdString());
            if (a.startsWith(u'-') && (unknown.contains(optionName(a)) || flagWithValue))
                throw UsageError("unknown option " + a.toLatin1().toStdString());
        }
        // A value option takes the next argument whatever it is: only the last can go without.
        if (valued.count(last))
            throw UsageError(last + " needs a value");
        throw UsageError(parser.errorText().toStdString());
    }
    Args out;
    for (const QString& a : parser.positionalArguments())
        out.positional.push_back(a.toLatin1().toStdString());
    for (const std::string& name : valued) {
        const QString option = QString::fromStdString(name.substr(2));
        if (!parser.isSet(option))
            continue;
        // An unset shell variable must not stand for "none": an empty --into would quietly
        // import without the base font.
        const QString value = parser.value(option);
        if (value.isEmpty())
            throw UsageError(name + " needs a value, and the one given is empty");
        out.values[name] = value.toLatin1().toStdString();
    }
    for (const std::string& name : flags)
        if (parser.isSet(QString::fromStdString(name.substr(2))))
            out.flags.insert(name);
    return out;
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

void refuseOverwrite(const std::string& path, bool force) {
    if (!force && exists(path))
        throw FontError(path + ": the file exists; add --force to replace it");
}

// Writing the input over itself would lose it, whatever --force says.
void refuseSameFile(const std::string& input, const std::string& output) {
    std::error_code ec;
    if (std::filesystem::equivalent(input, output, ec) && !ec)
        throw FontError(output + ": this is the input " + input +
                        " itself; it is never written over");
}

// --into writes over its file: only a 2048-byte font is taken without --force (not a picture,
// not the source font given by mistake).
void refuseNonFont(const std::string& into, bool force) {
    struct stat st {};
    if (force || ::stat(into.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        st.st_size == static_cast<off_t>(FontTables::TableBytes))
        return;
    throw FontError(into + ": " + std::to_string(st.st_size) +
                    " bytes, not a 2048-byte font; --force takes it all the same");
}

// Why a name cannot be read or written as a file, when the system's text does not say.
std::string notRegular(const std::string& path) {
    switch (fileKind(path)) {
    case FileKind::Fifo:
        return " (it is a FIFO, not a regular file)";
    case FileKind::Device:
        return " (it is a device, not a regular file)";
    case FileKind::Socket:
        return " (it is a socket, not a regular file)";
    default:
        return {};
    }
}

// Unpacks a gzipped file. A console font's header is looked at as soon as it is out, so that
// a small file cannot make the tool unpack, and then draw, an enormous glyph table.
std::vector<std::uint8_t> gunzip(const std::string& data, const std::string& file) {
    z_stream z{};
    if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK)
        throw FontError(file + ": cannot start unpacking");
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    std::vector<std::uint8_t> out;
    int status = Z_OK;
    while (status == Z_OK) {
        if (out.size() >= MaxInput) {
            inflateEnd(&z);
            throw FontError(file + ": unpacks to more than " + std::to_string(MaxInput >> 20) +
                            " MiB, more than any font");
        }
        const std::size_t done = out.size();
        out.resize(done + 65536);
        z.next_out = out.data() + done;
        z.avail_out = 65536;
        status = inflate(&z, Z_NO_FLUSH);
        out.resize(done + 65536 - z.avail_out);
        if (done == 0 && looksLikePsf(out)) {
            try {
                checkPsfSize(out, file);
            } catch (...) {
                inflateEnd(&z);
                throw;
            }
        }
    }
    const std::string why = z.msg ? z.msg : "the packed data ends early";
    inflateEnd(&z);
    if (status != Z_STREAM_END)
        throw FontError(file + ": damaged gzip data (" + why + ")");
    return out;
}

std::vector<std::uint8_t> gzip(const std::vector<std::uint8_t>& data) {
    z_stream z{};
    if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY) !=
        Z_OK)
        throw FontError("cannot start packing");
    std::vector<std::uint8_t> out(deflateBound(&z, static_cast<uLong>(data.size())) + 32);
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    const int status = deflate(&z, Z_FINISH);
    out.resize(out.size() - z.avail_out);
    deflateEnd(&z);
    if (status != Z_STREAM_END)
        throw FontError("cannot pack the font");
    return out;
}

// The file's bytes, unpacked when it is gzipped.
std::vector<std::uint8_t> readInput(const std::string& file) {
    std::string data;
    try {
        data = readRegularFile(file, MaxInput);
    } catch (const FileError& e) {
        throw FontError(file + ": cannot read it: " + std::strerror(e.err()) + notRegular(file));
    }
    if (data.size() >= 2 && static_cast<std::uint8_t>(data[0]) == 0x1F &&
        static_cast<std::uint8_t>(data[1]) == 0x8B)
        return gunzip(data, file);
    return {data.begin(), data.end()};
}

void writeOutput(const std::string& file, std::span<const std::uint8_t> bytes) {
    try {
        replaceFileAtomically(file, bytes);
    } catch (const FileError& e) {
        throw FontError(file + ": cannot write it: " + std::strerror(e.err()) + notRegular(file));
    }
}

Table loadZg(const std::string& file) {
    FontTables font;
    try {
        font.LoadZg(file);
    } catch (const IoError& e) {
        throw FontError(file + ": cannot load the font: " + e.what() + notRegular(file));
    }
    return font.FontTable;
}

void saveZg(const std::string& file, const Table& table) {
    FontTables font;
    font.FontTable = table;
    try {
        font.SaveZg(file);
    } catch (const IoError& e) {
        throw FontError(file + ": cannot save the font: " + e.what() + notRegular(file));
    }
}

FontSource readSource(const std::string& file, const Args& args) {
    const std::vector<std::uint8_t> bytes = readInput(file);
    if (looksLikePsf(bytes))
        return readPsf(bytes, file);
    constexpr std::uint8_t PngMagic[] = {0x89, 'P', 'N', 'G'};
    if (bytes.size() >= 4 && std::equal(std::begin(PngMagic), std::end(PngMagic), bytes.begin())) {
        std::optional<std::uint32_t> colour;
        if (const std::string c = args.value("--lit-colour"); !c.empty()) {
            const std::string hex = c[0] == '#' ? c.substr(1) : c;
            char* end = nullptr;
            const unsigned long v = std::strtoul(hex.c_str(), &end, 16);
            if (hex.size() != 6 || *end != '\0')
                throw UsageError("--lit-colour takes six hex digits RRGGBB, not \"" + c + "\"");
            colour = static_cast<std::uint32_t>(v);
        }
        return readSheet(decodePicture(bytes, file), colour, file);
    }
    const std::string text(bytes.begin(), bytes.end());
    if (looksLikeBdf(text))
        return readBdf(text, file);
    if (looksLikeUnifontHex(text))
        return readUnifontHex(text, file);
    if (looksLikeYaff(text))
        return readYaff(text, file);
    throw FontError(file + ": not a font lumetra-font reads (PSF 1 or 2, BDF, yaff, .hex, or a "
                           "PNG sheet)");
}

std::string listCodes(const std::vector<int>& codes) {
    std::string out;
    for (const int code : codes)
        out +=
            (out.empty() ? "" : ", ") + std::to_string(code) + " " + describeChar(unicodeOf(code));
    return out;
}

int runImport(const std::vector<std::string>& all, std::ostream& out, std::ostream& err) {
    const Args args = parseArgs(all, 1,
                                {"--into", "--window", "--lit-colour", "--family", "--pixel-size",
                                 "--threshold", "--baseline"},
                                {"--left", "--crop", "--force"});
    const bool family = !args.value("--family").empty();
    const std::string into = args.value("--into");
    const std::size_t sources = family ? 0 : 1;
    if (args.positional.size() != sources + 1 &&
        !(args.positional.size() == sources && !into.empty()))
        throw UsageError("import takes " + std::string(family ? "" : "SOURCE and ") +
                         "OUT.zg (or --into EXISTING.zg)");
    const std::string target = args.positional.size() > sources ? args.positional.back() : into;
    if (!family)
        refuseSameFile(args.positional.front(), target);
    if (!into.empty())
        refuseNonFont(into, args.has("--force"));
    if (target != into)
        refuseOverwrite(target, args.has("--force"));

    FitOptions fit;
    const bool windowGiven = !args.value("--window").empty();
    fit.toLeft = args.has("--left");
    fit.crop = args.has("--crop");
    if (const std::string w = args.value("--window"); !w.empty()) {
        int col = 0, row = 0;
        char tail = 0;
        if (std::sscanf(w.c_str(), "%d,%d%c", &col, &row, &tail) != 2 || col < 0 || row < 0 ||
            col > 248 || row > 248)
            throw UsageError("--window takes COL,ROW, two whole numbers from 0, not \"" + w + "\"");
        fit.windowLeft = col;
        fit.windowTop = row;
    }

    std::string sourceName;
    FontSource source;
    if (family) {
        RasterOptions r;
        r.family = args.value("--family");
        r.pixelSize = args.number("--pixel-size", 8, 4, 64);
        r.threshold = args.number("--threshold", 0, 1, 255);
        r.baseline = args.number("--baseline", 7, 0, 8);
        sourceName = "\"" + r.family + "\" at " + std::to_string(r.pixelSize) + " pixels";
        source = rasteriseFamily(r);
    } else {
        sourceName = args.positional.front();
        source = readSource(sourceName, args);
    }
    if (!windowGiven)
        fit.windowTop = source.windowTop;
    const Table base = into.empty() ? Table{} : loadZg(into);
    const FitResult result = fitFont(source, fit, base);
    saveZg(target, result.table);

    out << target << ": " << result.taken << " symbols from " << sourceName << "\n";
    for (const std::string& note : source.notes)
        out << "note: " << note << "\n";
    if (!result.missing.empty())
        out << result.missing.size() << " symbols not in the source, "
            << (into.empty() ? "left blank" : "left as they were") << ": "
            << listCodes(result.missing) << "\n";
    for (const std::string& glyph : result.cropped)
        err << "lumetra-font: cut to the window: " << glyph << "\n";
    return 0;
}

std::string lowerExtension(const std::string& file) {
    const auto slash = file.rfind('/');
    const auto dot = file.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string ext = file.substr(dot + 1);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

int runExport(const std::vector<std::string>& all, std::ostream& out) {
    const Args args = parseArgs(all, 1, {"--scale"}, {"--no-grid", "--force"});
    if (args.positional.size() != 2)
        throw UsageError("export takes IN.zg and OUT.png, OUT.bdf, OUT.psf, OUT.yaff or OUT.hex");
    const std::string& in = args.positional[0];
    const std::string& target = args.positional[1];
    const bool packed = lowerExtension(target) == "gz";
    const std::string ext = lowerExtension(packed ? target.substr(0, target.size() - 3) : target);
    const bool packable = ext == "bdf" || ext == "psf" || ext == "psfu";
    if ((!packable && ext != "png" && ext != "yaff" && ext != "hex") || (packed && !packable))
        throw UsageError(target + ": the name must end in .png, .bdf, .psf, .yaff or .hex (.bdf "
                                  "and .psf may add .gz), which tells the kind of file");
    const SheetGeometry geometry{args.number("--scale", 4, 1, 32), !args.has("--no-grid")};
    refuseSameFile(in, target);
    refuseOverwrite(target, args.has("--force"));

    const Table table = loadZg(in);
    std::vector<std::uint8_t> bytes;
    std::string name = in.substr(in.rfind('/') == std::string::npos ? 0 : in.rfind('/') + 1);
    name = name.substr(0, name.rfind('.'));
    for (char& c : name)
        if (c == '-' || static_cast<unsigned char>(c) < 0x21 ||
            static_cast<unsigned char>(c) > 0x7E)
            c = '_';
    if (name.empty())
        name = "font";
    const auto text = [&bytes](const std::string& t) { bytes.assign(t.begin(), t.end()); };
    if (ext == "png") {
        bytes = encodePng(drawSheet(table, geometry));
    } else if (ext == "bdf") {
        text(writeBdf(table, name));
    } else if (ext == "yaff") {
        text(writeYaff(table, name));
    } else if (ext == "hex") {
        text(writeUnifontHex(table));
    } else {
        bytes = writePsf2(table);
    }
    writeOutput(target, packed ? gzip(bytes) : bytes);
    out << target << ": 256 symbols from " << in << "\n";
    return 0;
}

int runShow(const std::vector<std::string>& all, std::ostream& out) {
    const Args args = parseArgs(all, 1, {}, {});
    if (args.positional.empty() || args.positional.size() > 2)
        throw UsageError("show takes IN.zg and, if you like, the characters to show");
    const Table table = loadZg(args.positional[0]);
    std::vector<int> codes;
    if (args.positional.size() == 2) {
        codes = codesOf(args.positional[1]);
    } else {
        for (int code = 32; code < 256; ++code)
            codes.push_back(code);
    }
    constexpr int PerLine = 8;
    out << textArt(table, codes, PerLine);
    return 0;
}

} // namespace

int runFontTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    try {
        const std::string command = args.empty() ? std::string() : args.front();
        if (command == "import")
            return runImport(args, out, err);
        if (command == "export")
            return runExport(args, out);
        if (command == "show")
            return runShow(args, out);
        if (command == "--help" || command == "-h") {
            out << Usage;
            return 0;
        }
        throw UsageError(command.empty() ? "no command given" : "unknown command " + command);
    } catch (const UsageError& e) {
        err << "lumetra-font: " << e.what() << "\n" << Usage;
        return 2;
    } catch (const std::exception& e) {
        err << "lumetra-font: " << e.what() << "\n";
        return 1;
    }
}

} // namespace fonttool
