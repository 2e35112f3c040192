// Writes the pictures as baseline JPEG files into the folder given on the command line.

#include "Artwork.h"

#include <QDir>
#include <QGuiApplication>
#include <QImageWriter>

#include <cstdio>

namespace {

bool save(const QImage& image, const QString& path) {
    QImageWriter writer(path, "jpeg");
    writer.setQuality(92);
    writer.setProgressiveScanWrite(false);
    writer.setOptimizedWrite(false);
    if (!writer.write(image)) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(writer.errorString()));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: lumetra_artwork <output folder>\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.exists()) {
        std::fprintf(stderr, "%s: no such folder\n", argv[1]);
        return 1;
    }
    const bool ok = save(paintDiagram(), out.filePath(QStringLiteral("diagram.jpg"))) &&
                    save(paintWaves(), out.filePath(QStringLiteral("waves.jpg")));
    return ok ? 0 : 1;
}
