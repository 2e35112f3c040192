// lumetra-font: brings fonts from elsewhere (console, BDF, picture and installed fonts) to the
// sign's 8 x 8 .zg files and back.

#include "FontTool.h"

#include <QGuiApplication>

#include <algorithm>
#include <iostream>
#include <memory>

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    // Only the rasteriser of installed fonts needs the GUI side of Qt, and never a display, so
    // the tool works over SSH.
    std::unique_ptr<QGuiApplication> app;
    if (std::find(args.begin(), args.end(), "--family") != args.end()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    }
    return fonttool::runFontTool(args, std::cout, std::cerr);
}
