#include "base/LazyIcon.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QIconEngine>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <QResource>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <future>
#include <optional>
#include <vector>

namespace {

// Qt lists a resource folder's names to its own file engine alone.
struct ResourceFolder : QResource {
    using QResource::children;
    using QResource::QResource;
};

// The pixel sizes of the pictures "<stem>-<pixels>.png" there are, ascending. Each folder is
// listed once for all its icons: listing it again for every icon, with a name filter, cost more
// than all the rest of the program's start together.
std::vector<int> pictureSizes(const QString& stem) {
    static QHash<QString, QHash<QString, std::vector<int>>> folders;
    const QFileInfo info(stem);
    auto folder = folders.find(info.path());
    if (folder == folders.end()) {
        QHash<QString, std::vector<int>> stems;
        // A resource folder names its files without a file-information record for each.
        const QStringList names = info.path().startsWith(QLatin1Char(':'))
                                      ? ResourceFolder(info.path()).children()
                                      : QDir(info.path()).entryList(QDir::Files, QDir::NoSort);
        for (const QString& name : names) {
            const qsizetype dash = name.lastIndexOf(QLatin1Char('-'));
            if (dash <= 0 || !name.endsWith(QLatin1String(".png")))
                continue;
            bool number = false;
            const int pixels = QStringView(name).sliced(dash + 1).chopped(4).toInt(&number);
            if (number && pixels > 0)
                stems[name.left(dash)].push_back(pixels);
        }
        for (std::vector<int>& sizes : stems)
            std::sort(sizes.begin(), sizes.end());
        folder = folders.insert(info.path(), std::move(stems));
    }
    return folder->value(info.fileName());
}

// The picture that serves `wanted` pixels: the narrowest as wide as needed, else the widest
// there is; 0 for none. A picture's number is its width.
int chosenPicture(const std::vector<int>& sizes, int wanted) {
    int chosen = 0;
    for (const int pixels : sizes) {
        chosen = pixels;
        if (pixels >= wanted)
            break;
    }
    return chosen;
}

QString pictureFile(const QString& stem, int pixels) {
    return stem + QLatin1Char('-') + QString::number(pixels) + QStringLiteral(".png");
}

using Pictures = QHash<QString, QImage>;

// Pictures being read on another thread, each batch with the files it holds.
struct Prefetch {
    QSet<QString> files;
    std::future<Pictures> pictures;
};
std::vector<Prefetch>& prefetches() {
    static std::vector<Prefetch> batches;
    return batches;
}

// No batch outlives the application object: the image readers lean on its plugin loader.
void waitForPrefetches() {
    for (Prefetch& batch : prefetches())
        batch.pictures.wait();
}

// A picture read once for every icon that shows it (the program's icon serves the application
// and the main window, a button's picture its menu item too), taken from a batch read ahead
// where one holds it.
// Kept as images, which outlive the application object, unlike pixmaps.
QImage sharedPicture(const QString& file) {
    static Pictures pictures;
    auto found = pictures.find(file);
    if (found != pictures.end())
        return *found;
    std::vector<Prefetch>& batches = prefetches();
    for (auto batch = batches.begin(); batch != batches.end(); ++batch)
        if (batch->files.contains(file)) {
            pictures.insert(batch->pictures.get());
            batches.erase(batch);
            found = pictures.find(file);
            if (found != pictures.end() && !found->isNull())
                return *found;
            break;
        }
    return *pictures.insert(file, readPicture(file, "png"));
}

class LazyIconEngine : public QIconEngine {
public:
    LazyIconEngine(QString stem, QString onStem, std::vector<int> announced = {})
        : m_stems{std::move(stem), std::move(onStem)}, m_announced(std::move(announced)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        const qreal scale = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        icon(rect.size(), scale, state).paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return icon(size, 1.0, state).pixmap(size, 1.0, mode, state);
    }
    // QIcon asks in device pixels here and sets the ratio on what it gets.
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal) override {
        return icon(size, 1.0, state).pixmap(size, 1.0, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return icon(size, 1.0, state).actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State state) override {
        QList<QSize> sizes;
        for (const int pixels : rendered(pictures(state)))
            if (m_announced.empty() || std::count(m_announced.begin(), m_announced.end(), pixels))
                sizes.append(QSize(pixels, pixels));
        return sizes;
    }
    // The pictures are the program's own resources: asking must not read one.
    bool isNull() override { return false; }
    QString key() const override { return QStringLiteral("lazy"); }
    QIconEngine* clone() const override {
        return new LazyIconEngine(m_stems[0], m_stems[1], m_announced);
    }

private:
    // Which pictures serve `state`: 1 for the On state's own, else 0. The Off pictures serve
    // the On state too when it has none of its own.
    int pictures(QIcon::State state) const {
        return state == QIcon::On && !m_stems[1].isEmpty() ? 1 : 0;
    }

    const std::vector<int>& rendered(int pictures) {
        std::optional<std::vector<int>>& sizes = m_rendered[pictures];
        if (!sizes)
            sizes = pictureSizes(m_stems[pictures]);
        return *sizes;
    }

    // The icon holding at least the picture that serves this size.
    const QIcon& icon(const QSize& size, qreal scale, QIcon::State state) {
        const int own = pictures(state);
        const int chosen =
            chosenPicture(rendered(own), static_cast<int>(std::ceil(size.width() * scale)));
        if (chosen != 0 && !m_loaded[own].contains(chosen)) {
            m_loaded[own].insert(chosen);
            const QImage picture = sharedPicture(pictureFile(m_stems[own], chosen));
            if (!picture.isNull())
                m_icon.addPixmap(QPixmap::fromImage(picture), QIcon::Normal,
                                 own == 1 ? QIcon::On : QIcon::Off);
        }
        return m_icon;
    }

    QString m_stems[2];           // Off, then On
    std::vector<int> m_announced; // the sizes told to whoever asks which there are; none: all
    std::optional<std::vector<int>> m_rendered[2];
    QSet<int> m_loaded[2];
    QIcon m_icon;
};

} // namespace

QIcon lazyIcon(const QString& stem, const QString& onStem) {
    return QIcon(new LazyIconEngine(stem, onStem));
}

QIcon lazyWindowIcon(const QString& stem) {
    return QIcon(new LazyIconEngine(stem, {}, {16, 32, 48}));
}

void readPicturesAhead(const QStringList& stems, int pixels, qreal scale) {
    Prefetch batch;
    QStringList files;
    for (const QString& stem : stems) {
        const int chosen =
            chosenPicture(pictureSizes(stem), static_cast<int>(std::ceil(pixels * scale)));
        const QString file = pictureFile(stem, chosen);
        if (chosen != 0 && !batch.files.contains(file)) {
            batch.files.insert(file);
            files.append(file);
        }
    }
    if (files.isEmpty())
        return;
    static const bool waits = [] {
        qAddPostRoutine(waitForPrefetches);
        return true;
    }();
    Q_UNUSED(waits);
    batch.pictures = std::async(std::launch::async, [files] {
        Pictures pictures;
        for (const QString& file : files)
            pictures.insert(file, readPicture(file, "png"));
        return pictures;
    });
    prefetches().push_back(std::move(batch));
}

QImage readPicture(const QString& file, const char* format, QString* error) {
    QImageReader reader(file, format);
    reader.setAutoDetectImageFormat(false);
    QImage picture = reader.read();
    if (picture.isNull() && error)
        *error = reader.errorString();
    return picture;
}
