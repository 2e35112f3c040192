#include "upload/UploadAnimation.h"

#include <QSet>
#include <QTimer>
#include <QtTest>

class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

class UploadAnimationTest : public QObject {
    Q_OBJECT

private:
    static QTimer* driver(UploadAnimation& animation) {
        return animation.findChild<QTimer*>(QString(), Qt::FindDirectChildrenOnly);
    }

    static QImage shown(UploadAnimation& animation) {
        return animation.grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }

    static void advanceTimes(UploadAnimation& animation, int times) {
        for (int i = 0; i < times; ++i)
            animation.advance();
    }

private slots:
    void hasTheFixedSizeOfTheControl() {
        UploadAnimation animation;
        QCOMPARE(animation.size(), QSize(272, 60));
        QCOMPARE(animation.minimumSize(), QSize(272, 60));
        QCOMPARE(animation.maximumSize(), QSize(272, 60));
        animation.resize(400, 100);
        QCOMPARE(animation.size(), QSize(272, 60));
        QCOMPARE(animation.renderFrame(0).size(), QSize(272, 60));
    }

    void restsUntilPlayed() {
        UploadAnimation animation;
        QVERIFY(animation.frameCount() > 2);
        QVERIFY(!animation.isOpen());
        QVERIFY(!animation.isPlaying());
        animation.advance();
        QCOMPARE(animation.currentFrame(), 0);

        animation.open();
        QVERIFY(animation.isOpen());
        QVERIFY(!animation.isPlaying());
        advanceTimes(animation, 3);
        QCOMPARE(animation.currentFrame(), 0);
    }

    void playsEveryFrameInOrderAndLoops() {
        UploadAnimation animation;
        animation.open();
        animation.play();
        QVERIFY(animation.isPlaying());
        QCOMPARE(animation.currentFrame(), 0);
        const int count = animation.frameCount();
        for (int loop = 0; loop < 3; ++loop) {
            for (int expected = 1; expected < count; ++expected) {
                animation.advance();
                QCOMPARE(animation.currentFrame(), expected);
            }
            animation.advance();
            QCOMPARE(animation.currentFrame(), 0);
        }
        QVERIFY(animation.isPlaying());
    }

    void ticksFromItsOwnTimerAtAnimationPace() {
        UploadAnimation animation;
        QTimer* timer = driver(animation);
        QVERIFY(timer != nullptr);
        QVERIFY(timer->interval() >= 60 && timer->interval() <= 80);
        QVERIFY(!timer->isActive());

        animation.open();
        animation.play();
        QVERIFY(timer->isActive());
        // A timeout is what the event loop delivers; it must move the clip on.
        QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
        QCOMPARE(animation.currentFrame(), 1);

        animation.stop();
        QVERIFY(!timer->isActive());
    }

    void openingAnOpenClipChangesNothing() {
        UploadAnimation animation;
        animation.open();
        animation.play();
        advanceTimes(animation, 5);
        animation.open();
        QCOMPARE(animation.currentFrame(), 5);
        QVERIFY(animation.isPlaying());
        animation.advance();
        QCOMPARE(animation.currentFrame(), 6);

        // Stopped, then opened again between two uploads: still stopped on the first frame.
        animation.stop();
        animation.open();
        QVERIFY(!animation.isPlaying());
        QCOMPARE(animation.currentFrame(), 0);
    }

    void playingAgainStartsFromTheFirstFrame() {
        UploadAnimation animation;
        animation.open();
        animation.play();
        advanceTimes(animation, 7);
        animation.play();
        QCOMPARE(animation.currentFrame(), 0);
        QVERIFY(animation.isPlaying());
    }

    void playOpensAClipNotYetOpen() {
        UploadAnimation animation;
        animation.play();
        QVERIFY(animation.isOpen());
        QVERIFY(animation.isPlaying());
        advanceTimes(animation, animation.frameCount() + 2);
        QCOMPARE(animation.currentFrame(), 2);
    }

    void stopShowsTheFirstFrameAndHolds() {
        UploadAnimation animation;
        animation.open();
        animation.play();
        for (int ticks : {1, 9, 23}) {
            animation.play();
            advanceTimes(animation, ticks);
            QCOMPARE(animation.currentFrame(), ticks % animation.frameCount());
            animation.stop();
            QVERIFY(!animation.isPlaying());
            QCOMPARE(animation.currentFrame(), 0);
            QCOMPARE(shown(animation), animation.renderFrame(0));
            animation.advance();
            QCOMPARE(animation.currentFrame(), 0);
        }
    }

    void showsTheCurrentFrame() {
        UploadAnimation animation;
        animation.play();
        for (int ticks : {3, 8, 9}) { // frames 3, 11 and 20
            advanceTimes(animation, ticks);
            const QImage picture = shown(animation);
            QCOMPARE(picture, animation.renderFrame(animation.currentFrame()));
            QVERIFY(picture != animation.renderFrame(0));
        }
    }

    void repaintsOnEveryChangeOfFrame() {
        // The clip must ask for a repaint itself: during an upload nothing else repaints it.
        UploadAnimation animation;
        PaintCounter counter;
        animation.installEventFilter(&counter);
        animation.show();
        QCoreApplication::processEvents();

        const auto repaintsAfter = [&](auto&& change) {
            counter.paints = 0;
            change();
            QCoreApplication::processEvents();
            return counter.paints;
        };
        QVERIFY(repaintsAfter([&] { animation.play(); }) > 0);
        QVERIFY(repaintsAfter([&] { animation.advance(); }) > 0);
        QVERIFY(repaintsAfter([&] { animation.advance(); }) > 0);
        QVERIFY(repaintsAfter([&] { animation.stop(); }) > 0);
    }

    void everyFrameIsADifferentPicture() {
        UploadAnimation animation;
        QSet<QByteArray> pictures;
        for (int frame = 0; frame < animation.frameCount(); ++frame) {
            const QImage image = animation.renderFrame(frame);
            pictures.insert(
                QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
        }
        QCOMPARE(pictures.size(), animation.frameCount());
    }

    void consecutiveFramesMoveByLittle() {
        // Smooth motion: neighbouring frames (also last to first) share most of their pixels.
        UploadAnimation animation;
        const int count = animation.frameCount();
        for (int frame = 0; frame < count; ++frame) {
            const QImage a = animation.renderFrame(frame);
            const QImage b = animation.renderFrame((frame + 1) % count);
            int changed = 0;
            for (int y = 0; y < a.height(); ++y)
                for (int x = 0; x < a.width(); ++x)
                    changed += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
            QVERIFY2(changed > 0, qPrintable(QString("frame %1 equals the next").arg(frame)));
            QVERIFY2(changed < a.width() * a.height() / 4,
                     qPrintable(QString("frame %1 jumps: %2 pixels").arg(frame).arg(changed)));
        }
    }
};

QTEST_MAIN(UploadAnimationTest)
#include "UploadAnimationTest.moc"
