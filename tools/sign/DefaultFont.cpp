#include "DefaultFont.h"

#include "base/Cp1251.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QString>

namespace sign {

std::array<std::uint8_t, FontTableSize> renderDefaultFont() {
    std::array<std::uint8_t, FontTableSize> table{};
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(10);
    font.setStyleStrategy(QFont::NoAntialias);
    const QFontMetrics metrics(font);
    // Capitals stand on row 6; row 7 is left for descenders.
    const int baseline = 7;

    QImage image(8, 8, QImage::Format_RGB32);
    for (int code = 32; code < 256; ++code) {
        image.fill(Qt::black);
        const char32_t cp = cp1251::cp1251ToUnicode(static_cast<std::uint8_t>(code));
        const QString text = QString::fromUcs4(&cp, 1);
        {
            QPainter painter(&image);
            painter.setFont(font);
            painter.setPen(Qt::white);
            const int advance = metrics.horizontalAdvance(text);
            painter.drawText((8 - advance) / 2, baseline, text);
        }
        for (int x = 0; x < 8; ++x) {
            std::uint8_t column = 0;
            for (int y = 0; y < 8; ++y)
                if (qRed(image.pixel(x, y)) > 127)
                    column |= static_cast<std::uint8_t>(1u << y);
            table[static_cast<std::size_t>(code) * 8 + static_cast<std::size_t>(x)] = column;
        }
    }
    return table;
}

} // namespace sign
