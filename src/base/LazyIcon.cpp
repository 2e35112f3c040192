#include "base/LazyIcon.h"

#include <QFile>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <cmath>
#include <optional>
#include <set>
#include <vector>

namespace {

// Every pixel size a picture may be rendered at; the build renders a subset per picture.
constexpr int RenderedSizes[] = {16, 18, 20, 24, 32, 36, 40, 48, 64};

class LazyIconEngine : public QIconEngine {
public:
    explicit LazyIconEngine(QString stem) : m_stem(std::move(stem)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        const qreal scale = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        icon(rect.size(), scale).paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return icon(size, 1.0).pixmap(size, 1.0, mode, state);
    }
    // QIcon asks in device pixels here and sets the ratio on what it gets.
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal) override {
        return icon(size, 1.0).pixmap(size, 1.0, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return icon(size, 1.0).actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        QList<QSize> sizes;
        for (const int pixels : rendered())
            sizes.append(QSize(pixels, pixels));
        return sizes;
    }
    // The pictures are the program's own resources: asking must not read one.
    bool isNull() override { return false; }
    QString key() const override { return QStringLiteral("lazy"); }
    QIconEngine* clone() const override { return new LazyIconEngine(m_stem); }

private:
    QString file(int pixels) const {
        return m_stem + QLatin1Char('-') + QString::number(pixels) + QStringLiteral(".png");
    }

    const std::vector<int>& rendered() {
        if (!m_rendered) {
            m_rendered.emplace();
            for (const int pixels : RenderedSizes)
                if (QFile::exists(file(pixels)))
                    m_rendered->push_back(pixels);
        }
        return *m_rendered;
    }

    // The icon holding at least the picture that serves this size: the smallest rendered one
    // as large as needed, else the largest there is.
    const QIcon& icon(const QSize& size, qreal scale) {
        const int wanted =
            static_cast<int>(std::ceil(std::max(size.width(), size.height()) * scale));
        int chosen = 0;
        for (const int pixels : rendered()) {
            chosen = pixels;
            if (pixels >= wanted)
                break;
        }
        if (chosen != 0 && m_loaded.insert(chosen).second) {
            QPixmap picture;
            if (picture.load(file(chosen), "PNG"))
                m_icon.addPixmap(picture);
        }
        return m_icon;
    }

    QString m_stem;
    std::optional<std::vector<int>> m_rendered; // ascending
    QIcon m_icon;
    std::set<int> m_loaded;
};

} // namespace

QIcon lazyIcon(const QString& stem) {
    return QIcon(new LazyIconEngine(stem));
}
