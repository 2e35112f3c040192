// fontgen: builds the starter font from its drawing.
//   fontgen glyphs.txt Guard.zg [preview.pgm]   writes the .zg (and a picture of it)
//   fontgen --check glyphs.txt Guard.zg         fails when the .zg differs from the drawing
#include "GlyphSheet.h"

#include "font/FontTable.h"

#include "base/AppError.h"

#include <fstream>
#include <iostream>
#include <sstream>

namespace {

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
    try {
        const bool check = argc == 4 && std::string(argv[1]) == "--check";
        if (!check && (argc < 3 || argc > 4)) {
            std::cerr << "usage: fontgen glyphs.txt out.zg [preview.pgm]\n"
                         "       fontgen --check glyphs.txt font.zg\n";
            return 2;
        }
        const ZgTable table = buildFontTable(readAll(argv[check ? 2 : 1]));
        FontTables font;
        font.FontTable = table;
        if (check) {
            FontTables shipped;
            shipped.LoadZg(argv[3]);
            if (shipped.FontTable != table) {
                std::cerr << argv[3] << " is not built from " << argv[2] << ": run fontgen again\n";
                return 1;
            }
            return 0;
        }
        font.SaveZg(argv[2]);
        if (argc == 4) {
            std::ofstream(argv[3], std::ios::binary) << previewPgm(table, 4);
        }
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "fontgen: " << e.what() << "\n";
        return 1;
    }
}
