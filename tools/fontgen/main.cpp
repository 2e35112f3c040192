// fontgen: builds the starter font from its drawing.
//   fontgen glyphs.txt Guard.zg [preview.pgm]   writes the .zg (and a picture of it)
//   fontgen --check glyphs.txt Guard.zg         fails when the .zg differs from the drawing
#include "GlyphSheet.h"

#include "font/FontTable.h"

#include "base/AppError.h"

#include <CLI/CLI.hpp>

#include <fstream>
#include <iostream>
#include <sstream>

namespace {

constexpr const char* Usage = "usage: fontgen glyphs.txt out.zg [preview.pgm]\n"
                              "       fontgen --check glyphs.txt font.zg\n";

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream data;
    data << in.rdbuf();
    return data.str();
}

} // namespace

int main(int argc, char* argv[]) {
    bool check = false;
    std::vector<std::string> files;
    CLI::App app;
    app.add_flag("--check", check);
    app.add_option("files", files);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::cout << Usage;
        return 0;
    } catch (const CLI::ParseError&) {
        files.clear();
    }
    if (files.size() != 2 && (check || files.size() != 3)) {
        std::cerr << Usage;
        return 2;
    }
    try {
        const ZgTable table = buildFontTable(readAll(files[0]));
        FontTables font;
        font.FontTable = table;
        if (check) {
            FontTables shipped;
            shipped.LoadZg(files[1]);
            if (shipped.FontTable != table) {
                std::cerr << files[1] << " is not built from " << files[0]
                          << ": run fontgen again\n";
                return 1;
            }
            return 0;
        }
        font.SaveZg(files[1]);
        if (files.size() == 3) {
            std::ofstream(files[2], std::ios::binary) << previewPgm(table, 4);
        }
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "fontgen: " << e.what() << "\n";
        return 1;
    }
}
