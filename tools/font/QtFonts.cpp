#include "QtFonts.h"

#include "FontFit.h"

#include <QBuffer>
#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QImageReader>
#include <QPainter>

#include <algorithm>

namespace fonttool {

Raster decodePicture(const std::vector<std::uint8_t>& bytes, const std::string& file) {
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    QImageReader reader(&buffer);
    // A picture of another size is refused before it is unpacked, however large it claims to be.
    if (const QSize size = reader.size(); size.isValid())
        sheetGeometry(size.width(), size.height(), file);
    QImage image;
    if (!reader.read(&image))
        throw FontError(file + ": the picture cannot be read (" +
                        reader.errorString().toStdString() + ")");
    image = image.convertToFormat(QImage::Format_ARGB32);
    Raster out;
    out.width = image.width();
    out.height = image.height();
    out.argb.reserve(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height));
    for (int y = 0; y < out.height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        out.argb.insert(out.argb.end(), line, line + out.width);
    }
    return out;
}

std::vector<std::uint8_t> encodePng(const Raster& picture) {
    QImage image(picture.width, picture.height, QImage::Format_RGB32);
    for (int y = 0; y < picture.height; ++y)
        std::copy_n(picture.argb.begin() + y * picture.width, picture.width,
                    reinterpret_cast<QRgb*>(image.scanLine(y)));
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        throw FontError("the PNG picture could not be made");
    return {data.begin(), data.end()};
}

FontSource rasteriseFamily(const RasterOptions& options) {
    QFont font(QString::fromStdString(options.family));
    font.setPixelSize(options.pixelSize);
    // Without a threshold the glyphs are drawn in two levels and fully hinted: the font's own
    // hints put each stem on whole pixels, where a grey stem between two pixels would fall
    // under any threshold (DejaVu's "П" kept only its right stem at 8 pixels).
    const bool twoLevels = options.threshold == 0;
    font.setStyleStrategy(twoLevels
                              ? QFont::StyleStrategy(QFont::NoFontMerging | QFont::NoAntialias)
                              : QFont::NoFontMerging);
    font.setHintingPreference(QFont::PreferFullHinting);
    const QString found = QFontInfo(font).family();
    if (found.compare(font.family(), Qt::CaseInsensitive) != 0)
        throw FontError("no installed font family \"" + options.family + "\" (the nearest is \"" +
                        found.toStdString() + "\"; fc-list shows the installed ones)");
    const QFontMetrics metrics(font);

    // Room around the window for whatever a glyph draws outside it.
    const int margin = 2 * options.pixelSize + 8;
    const int side = 2 * margin + 8;
    FontSource out;
    for (int code = 32; code < 256; ++code) {
        const char32_t ch = unicodeOf(code);
        if (ch == 0x7F || (ch >= 0x80 && ch < 0xA0) || !metrics.inFontUcs4(ch))
            continue;
        QImage canvas(side, side, QImage::Format_ARGB32_Premultiplied);
        canvas.fill(Qt::transparent);
        {
            QPainter painter(&canvas);
            painter.setFont(font);
            painter.setPen(Qt::black);
            painter.drawText(QPoint(margin, margin + options.baseline), QString::fromUcs4(&ch, 1));
        }
        SourceGlyph g;
        g.name = "the family's glyph";
        g.chars.push_back(ch);
        g.glyph = blankGlyph(side, side, -margin, -margin);
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x)
                if (qAlpha(canvas.pixel(x, y)) >= std::max(options.threshold, 1))
                    g.glyph.set(x, y);
        out.glyphs.push_back(std::move(g));
    }
    return out;
}

} // namespace fonttool
