#include "app/MainForm.h"
#include "editor/MessageEdit.h"
#include "font/FontTable.h"
#include "font/FormZg.h"
#include "frames/FrameDecoder.h"
#include "upload/PosixSerialLink.h"
#include "upload/UploadAnimation.h"
#include "upload/UploadController.h"
#include "upload/UploadProgressPanel.h"
#include "upload/UploadTexts.h"

#include <cerrno>

#include "MainWindowFixture.h"
#include "PseudoTerminal.h"
#include "Ser2net.h"
#include "TempDir.h"

#include <QAction>
#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <functional>
#include <memory>
#include <random>
#include <thread>

using namespace std::chrono_literals;

namespace {

using Bytes = std::vector<std::uint8_t>;

QString str(QStringView text) {
    return text.toString();
}

Bytes textFrameOf(const Bytes& payload) {
    Bytes frame(200, 0xFF);
    frame.push_back(0xF1);
    frame.insert(frame.end(), payload.begin(), payload.end());
    frame.insert(frame.end(), {0x08, 0x08, 0x08, 0x08, 0x08, 0xFF, 0xF0, 0xFF});
    return frame;
}

Bytes fontFrameOf(const FontTables& font) {
    Bytes frame(200, 0xFF);
    frame.push_back(0xF8);
    for (std::size_t i = 256; i < 2048; ++i) {
        frame.push_back(font.FontTable[i]);
        if (font.FontTable[i] == 0xFF)
            frame.push_back(0xFE);
    }
    frame.insert(frame.end(), {0xFF, 0xF0, 0xFF});
    return frame;
}

// Every text panel 2 showed on screen, in order: StatusBarHelp paints at once, so each message
// is painted before the step that follows it.
class PanelLog : public QObject {
public:
    explicit PanelLog(QLabel* panel) : m_panel(panel) { panel->installEventFilter(this); }
    QStringList shown;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_panel && event->type() == QEvent::Paint &&
            (shown.isEmpty() || shown.last() != m_panel->text()))
            shown << m_panel->text();
        return false;
    }

private:
    QLabel* m_panel;
};

// Runs `action` on the window's thread and waits for it: how a test acts from inside a write,
// which runs on a worker while the window's thread spins its event loop.
void onWindowThread(QObject* window, const std::function<void()>& action) {
    QMetaObject::invokeMethod(window, action, Qt::BlockingQueuedConnection);
}

// The shown window, with a log of what its panel 2 shows.
struct Window : MainWindowFixture {
    using MainWindowFixture::MainWindowFixture;
    std::unique_ptr<PanelLog> panel2;

    TMainForm& make(SerialLink* link = nullptr) {
        makeShown(link);
        // A pseudo-terminal cannot show its queue; its frames need not take their line time.
        Upload::Options options;
        options.waitLineTime = false;
        form->upload().setOptions(options);
        panel2 = std::make_unique<PanelLog>(form->m_panels[2]);
        panel2->shown.clear();
        return *form;
    }
    void setText(const QString& text) { form->RichEdit->setPlainText(text); }
    // The messages of this upload, without what came before it.
    QStringList messages() const { return panel2->shown; }
};

// Every value the progress bar took, in order.
struct ProgressLog {
    explicit ProgressLog(UploadProgressPanel* panel) {
        QObject::connect(panel->bar, &QProgressBar::valueChanged, panel,
                         [this](int value) { values << value; });
    }
    QList<int> values;
    bool monotonic() const { return std::is_sorted(values.begin(), values.end()); }
};

QByteArray portMap(const std::string& device) {
    return QByteArray("[PortMap]\r\nCOM 1=") + QByteArray::fromStdString(device) + "\r\n";
}

} // namespace

Q_DECLARE_METATYPE(Bytes)

class UploadWindowTest : public QObject {
    Q_OBJECT

private slots:
    void animationWaitsHiddenOverTheEditor();
    void textUploadSendsTheEditorsTextInOrder_data();
    void textUploadSendsTheEditorsTextInOrder();
    void uploadOpensTheDeviceOfTheCheckedPort();
    void writeRunsOnAWorkerWithTicksHeldBack();
    void heldBackLengthTickRewritesTheFontTime();
    void deadlineFollowsTheFrameLength();
    void portThatCannotBeOpenedStopsTheUpload();
    void refusedLineSettingsAreReportedAndTheFrameStillGoes();
    void unfinishedWriteIsReported_data();
    void unfinishedWriteIsReported();
    void oversizeTextIsRefusedBeforeThePortOpens_data();
    void oversizeTextIsRefusedBeforeThePortOpens();
    void fontUploadSendsTheTableInMemory();
    void comPortReadyFollowsTheLastOpening();
    void fontEditorUploadOpensThePortEachTime();
    void progressShowsWhereTheOperatorIsAndTakesTheInput_data();
    void progressShowsWhereTheOperatorIsAndTakesTheInput();
    void summaryStaysUntilTheNextEditOrUpload_data();
    void summaryStaysUntilTheNextEditOrUpload();
    void cancelStopsTheUploadWithTheBytesCounted_data();
    void cancelStopsTheUploadWithTheBytesCounted();
    void timeLeftReadsAsAClock();
    void progressFollowsTheLineTimeOfAPseudoTerminal();

    // Against the real serial link and a pseudo-terminal named in the settings.
    void realUploadDeliversTheFrameToThePort_data();
    void realUploadDeliversTheFrameToThePort();
    void realFontUploadDeliversTheFontFrame();
    void realUploadToMissingPortShowsBothMessages();
    void realUploadThroughAConverterByEitherUrl();
    void realUploadToHeldPortShowsBothMessages();
    void realUploadToVanishingPortIsReportedUnfinished();
    void realOpeningOfASilentConverterKeepsTheWindowAndCancels();
};

void UploadWindowTest::animationWaitsHiddenOverTheEditor() {
    Window w;
    TMainForm& form = w.make();
    QVERIFY(form.upload().Animate);
    QCOMPARE(form.upload().Animate->objectName(), QStringLiteral("Animate"));
    QCOMPARE(form.upload().Animate->parentWidget(), &form);
    QCOMPARE(form.upload().Animate->geometry(), QRect(144, 160, 272, 60));
    QVERIFY(form.upload().Animate->isHidden());
    QVERIFY(!form.upload().Animate->isPlaying());
}

void UploadWindowTest::textUploadSendsTheEditorsTextInOrder_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<Bytes>("payload");
    QTest::newRow("empty") << QString() << Bytes{};
    QTest::newRow("line break") << QStringLiteral("AB\nC") << Bytes{0x41, 0x42, 0x20, 0x20, 0x43};
    QTest::newRow("letters ya") << QStringLiteral("яяя")
                                << Bytes{0xFF, 0xFE, 0xFF, 0xFE, 0xFF, 0xFE};
    QTest::newRow("yu is not escaped") << QStringLiteral("юя") << Bytes{0xFE, 0xFF, 0xFE};
    QTest::newRow("tab and effect code")
        << QStringLiteral("\t/S5 Мир\n")
        << Bytes{0x20, 0x2F, 0x53, 0x35, 0x20, 0xCC, 0xE8, 0xF0, 0x20, 0x20};
    QTest::newRow("outside the code page") << QStringLiteral("€☺") << Bytes{0x88, 0x3F};
}

void UploadWindowTest::textUploadSendsTheEditorsTextInOrder() {
    QFETCH(QString, text);
    QFETCH(Bytes, payload);
    Window w;
    TMainForm& form = w.make();
    w.setText(text);

    QString panelDuringWrite;
    bool animationPlaying = false, uploadingFlag = false;
    w.serial.duringWrite = [&] {
        onWindowThread(&form, [&] {
            panelDuringWrite = form.panelText(2);
            animationPlaying =
                form.upload().Animate->isVisible() && form.upload().Animate->isPlaying();
            uploadingFlag = form.upload().uploading();
        });
    };
    form.SpeedButtonTx->trigger();

    QCOMPARE(w.serial.frames.size(), std::size_t(1));
    QVERIFY(w.serial.frames[0] == textFrameOf(payload));
    QCOMPARE(w.messages(), QStringList({str(uploadtext::Preparing), str(uploadtext::SendingText),
                                        str(uploadtext::SendDone)}));
    QCOMPARE(panelDuringWrite, str(uploadtext::SendingText));
    QVERIFY(animationPlaying);
    QVERIFY(uploadingFlag);
    QVERIFY(!form.upload().uploading());
    QVERIFY(form.upload().Animate->isHidden());
    QVERIFY(!form.upload().Animate->isPlaying());
    QCOMPARE(form.upload().Animate->currentFrame(), 0);
    QVERIFY(w.dialogs.log.isEmpty());
    QVERIFY(form.ComPortReady());
    QVERIFY(!w.serial.isOpen);
}

void UploadWindowTest::uploadOpensTheDeviceOfTheCheckedPort() {
    Window w("[PortMap]\r\nCOM 3=/dev/ttyUSB7\r\n");
    TMainForm& form = w.make();
    const struct {
        QAction* item;
        const char* device;
    } cases[] = {
        {form.itemCom[0], "/dev/ttyS0"},
        {form.itemCom[2], "/dev/ttyUSB7"},
        {form.itemCom[4], "/dev/ttyS4"},
    };
    for (const auto& c : cases) {
        c.item->trigger();
        form.ItemTX->trigger();
        QCOMPARE(w.serial.opened.back(), std::string(c.device));
    }
    QCOMPARE(w.serial.frames.size(), std::size_t(3));
}

void UploadWindowTest::writeRunsOnAWorkerWithTicksHeldBack() {
    Window w;
    TMainForm& form = w.make();
    QString panelAfterTicks;
    bool closeRefused = false;
    w.serial.duringWrite = [&] {
        onWindowThread(&form, [&] {
            // Both timers fall due during the write; the window goes on showing the message.
            form.timerStatusFired();
            form.timerLengthFired();
            panelAfterTicks = form.panelText(2);
            closeRefused = !form.close();
            // A second upload of either kind cannot begin meanwhile.
            form.SpeedButtonTxClick();
            form.SendAllZG();
        });
    };
    form.SpeedButtonTxClick();

    QCOMPARE(w.serial.writeThreads.size(), std::size_t(1));
    QVERIFY(w.serial.writeThreads[0] != std::this_thread::get_id());
    QCOMPARE(panelAfterTicks, str(uploadtext::SendingText));
    QVERIFY(closeRefused);
    QVERIFY(form.isVisible());
    QCOMPARE(w.serial.opened.size(), std::size_t(1));
    // The held-back tick runs once the write has returned: the finishing message is cleared
    // right after it was shown.
    QCOMPARE(w.messages(), QStringList({str(uploadtext::Preparing), str(uploadtext::SendingText),
                                        str(uploadtext::SendDone)}));
    QCOMPARE(form.panelText(2), QStringLiteral(" "));
    QVERIFY(!form.TimerStatus->isActive());

    // Without a tick during the write, the finishing message stays and its timer runs on.
    w.serial.duringWrite = nullptr;
    form.SpeedButtonTxClick();
    QCOMPARE(form.panelText(2), str(uploadtext::SendDone));
    QVERIFY(form.TimerStatus->isActive());
    form.timerStatusFired();
    QCOMPARE(form.panelText(2), QStringLiteral(" "));
}

void UploadWindowTest::heldBackLengthTickRewritesTheFontTime() {
    Window w;
    TMainForm& form = w.make();
    QString timeDuringWrite;
    w.serial.duringWrite = [&] {
        onWindowThread(&form, [&] {
            form.timerLengthFired();
            timeDuringWrite = form.panelText(1);
        });
    };
    form.SendAllZG();
    QCOMPARE(timeDuringWrite, str(uploadtext::FontTime));
    // The length monitor has had its tick: running it again changes nothing.
    const QString after = form.panelText(1);
    form.TimerLengTXTTimer();
    QCOMPARE(form.panelText(1), after);
}

void UploadWindowTest::deadlineFollowsTheFrameLength() {
    Window w;
    TMainForm& form = w.make();
    w.setText(QString());
    form.SpeedButtonTxClick();                     // 209 bytes
    form.SendAllZG();                              // 1996 bytes: a zero table
    w.setText(QStringLiteral("я").repeated(1000)); // 2209 bytes
    form.SpeedButtonTxClick();
    QCOMPARE(w.serial.frames[0].size(), std::size_t(209));
    QCOMPARE(w.serial.frames[1].size(), std::size_t(1996));
    QCOMPARE(w.serial.frames[2].size(), std::size_t(2209));
}

void UploadWindowTest::portThatCannotBeOpenedStopsTheUpload() {
    Window w;
    TMainForm& form = w.make();
    w.serial.openResult = SerialLink::OpenResult::OpenFailed;
    QString panelAtBox;
    w.dialogs.onMessage = [&](const QString&) { panelAtBox = form.panelText(2); };
    const QString timeBefore = form.panelText(1);

    w.serial.openFailure = systemFailure(EACCES);
    form.SpeedButtonTxClick();
    QCOMPARE(w.messages(),
             QStringList({str(uploadtext::Preparing), str(uploadtext::PortOpenFailedStatus)}));
    QCOMPARE(w.dialogs.log,
             QStringList({QStringLiteral("warning: ") + str(uploadtext::PortOpenFailedBox) +
                          " | Не могу открыть порт /dev/ttyS0: Доступ запрещён\nВ Linux порт "
                          "доступен членам группы dialout: sudo usermod -aG dialout $USER, "
                          "затем войдите в систему заново."}));
    QCOMPARE(panelAtBox, str(uploadtext::PortOpenFailedStatus)); // the status first, then the box
    QVERIFY(w.serial.frames.empty());
    QVERIFY(!form.ComPortReady());
    QVERIFY(form.upload().Animate->isHidden());

    w.panel2->shown.clear();
    w.dialogs.log.clear();
    form.SendAllZG();
    QCOMPARE(w.messages(), QStringList({str(uploadtext::PortOpenFailedStatus)}));
    QCOMPARE(w.dialogs.log.size(), 1);
    QVERIFY(w.dialogs.log.first().startsWith(QStringLiteral("warning: ") +
                                             str(uploadtext::PortOpenFailedBox) + " | "));
    QCOMPARE(form.panelText(1), timeBefore);
    QVERIFY(w.serial.frames.empty());
    QCOMPARE(w.serial.opened.size(), std::size_t(2));
}

void UploadWindowTest::refusedLineSettingsAreReportedAndTheFrameStillGoes() {
    Window w;
    TMainForm& form = w.make();
    w.serial.openResult = SerialLink::OpenResult::ConfigureFailed;
    w.serial.openFailure = systemFailure(EINVAL);
    QString panelAtBox;
    w.dialogs.onMessage = [&](const QString&) { panelAtBox = form.panelText(2); };
    w.setText(QStringLiteral("AB\nC"));
    form.SpeedButtonTxClick();
    QCOMPARE(w.messages(),
             QStringList({str(uploadtext::Preparing), str(uploadtext::PortConfigFailed),
                          str(uploadtext::SendingText), str(uploadtext::SendDone)}));
    QCOMPARE(w.dialogs.log,
             QStringList({QStringLiteral("warning: ") + str(uploadtext::PortConfigFailed) +
                          " | Порт /dev/ttyS0 не принял настройки линии (Недопустимый "
                          "параметр); передаю всё равно"}));
    QCOMPARE(panelAtBox, str(uploadtext::PortConfigFailed));
    QCOMPARE(w.serial.frames.size(), std::size_t(1));
    QVERIFY(w.serial.frames[0] == textFrameOf({0x41, 0x42, 0x20, 0x20, 0x43}));
    QVERIFY(form.ComPortReady());
}

void UploadWindowTest::unfinishedWriteIsReported_data() {
    QTest::addColumn<bool>("fontUpload");
    QTest::addColumn<std::size_t>("written");
    QTest::addColumn<int>("error"); // 0: the device fails without a word
    QTest::addColumn<bool>("timedOut");
    QTest::addColumn<QString>("details");
    QTest::newRow("device failed")
        << false << std::size_t(100) << EIO << false
        << QStringLiteral("Запись в /dev/ttyS0 не удалась (Ошибка ввода-вывода): передано 100 из "
                          "214 байт");
    QTest::newRow("short, no reason")
        << false << std::size_t(213) << 0 << false
        << QStringLiteral("Запись в /dev/ttyS0 не удалась: передано 213 из 214 байт");
    QTest::newRow("deadline passed")
        << false << std::size_t(100) << 0 << true
        << QStringLiteral("/dev/ttyS0 не принял кадр за 1 с: передано 100 из 214 байт");
    QTest::newRow("font, device failed")
        << true << std::size_t(0) << ENODEV << false
        << QStringLiteral("Запись в /dev/ttyS0 не удалась (Нет такого устройства): передано 0 "
                          "из 1996 байт");
}

void UploadWindowTest::unfinishedWriteIsReported() {
    QFETCH(bool, fontUpload);
    QFETCH(std::size_t, written);
    QFETCH(int, error);
    QFETCH(bool, timedOut);
    QFETCH(QString, details);
    Window w;
    TMainForm& form = w.make();
    if (timedOut) { // the device stops taking bytes; a short deadline keeps the test quick
        w.serial.acceptLimit = written;
        Upload::Options options;
        options.deadline = 1s;
        form.upload().setOptions(options);
    } else {
        w.serial.failAfter = written;
        w.serial.writeFailure = error ? systemFailure(error) : SerialLink::Failure{EIO, {}, {}};
    }
    QString panelAtBox;
    bool animationAtBox = true;
    w.dialogs.onMessage = [&](const QString&) {
        panelAtBox = form.panelText(2);
        animationAtBox = form.upload().Animate->isVisible();
    };
    w.setText(QStringLiteral("AB\nC"));
    fontUpload ? form.SendAllZG() : form.SpeedButtonTxClick();

    const QString first = str(fontUpload ? uploadtext::SendingFont : uploadtext::SendingText);
    QCOMPARE(w.messages().mid(w.messages().size() - 2),
             QStringList({first, str(uploadtext::SendFailedStatus)}));
    QVERIFY(!w.messages().contains(str(uploadtext::SendDone)));
    QCOMPARE(w.dialogs.log, QStringList({QStringLiteral("warning: ") +
                                         str(uploadtext::SendFailedBox) + " | " + details}));
    QCOMPARE(panelAtBox, str(uploadtext::SendFailedStatus));
    QVERIFY(!animationAtBox);
    QVERIFY(form.upload().Animate->isHidden());
    QVERIFY(!w.serial.isOpen);
    QVERIFY(!form.upload().uploading());
}

void UploadWindowTest::oversizeTextIsRefusedBeforeThePortOpens_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("frameSize");
    QTest::newRow("one byte over") << QString(65292, QLatin1Char('a')) << 65501;
    QTest::newRow("letters ya") << QStringLiteral("я").repeated(32646) << 65501;
    QTest::newRow("line breaks count two") << QStringLiteral("ab\n").repeated(16323) << 65501;
    QTest::newRow("fits exactly") << QString(65291, QLatin1Char('a')) << 65500;
}

void UploadWindowTest::oversizeTextIsRefusedBeforeThePortOpens() {
    QFETCH(QString, text);
    QFETCH(int, frameSize);
    Window w;
    TMainForm& form = w.make();
    w.setText(text);
    form.ItemTX->trigger(); // the menu item is never disabled
    if (frameSize <= 65500) {
        QCOMPARE(w.serial.frames.size(), std::size_t(1));
        QCOMPARE(w.serial.frames[0].size(), std::size_t(frameSize));
        QCOMPARE(w.serial.frames[0].back(), std::uint8_t(0xFF));
        QVERIFY(w.dialogs.log.isEmpty());
        return;
    }
    QVERIFY(w.serial.opened.empty());
    QVERIFY(w.serial.frames.empty());
    QCOMPARE(w.messages(),
             QStringList({str(uploadtext::Preparing), str(uploadtext::TooLongStatus)}));
    QCOMPARE(w.dialogs.log,
             QStringList({QStringLiteral("warning: Текст слишком длинный для передачи | Кадр "
                                         "текста занял бы %1 байт, а передать можно не больше "
                                         "65500 байт.")
                              .arg(frameSize)}));
    QVERIFY(form.ComPortReady());
    QVERIFY(form.upload().Animate->isHidden());
}

void UploadWindowTest::fontUploadSendsTheTableInMemory() {
    Window w;
    TMainForm& form = w.make();
    std::mt19937 rng(7);
    for (auto& b : w.font.FontTable)
        b = rng() % 3 == 0 ? 0xFF : static_cast<std::uint8_t>(rng());
    QString timeDuringWrite, panelDuringWrite;
    bool animationDuringWrite = true;
    w.serial.duringWrite = [&] {
        onWindowThread(&form, [&] {
            timeDuringWrite = form.panelText(1);
            panelDuringWrite = form.panelText(2);
            animationDuringWrite = form.upload().Animate->isVisible();
        });
    };
    form.SendAllZG();
    QCOMPARE(w.serial.frames.size(), std::size_t(1));
    QVERIFY(w.serial.frames[0] == fontFrameOf(w.font));
    QCOMPARE(w.messages(), QStringList({str(uploadtext::SendingFont), str(uploadtext::SendDone)}));
    QCOMPARE(timeDuringWrite, QStringLiteral(" Время передачи 18 sec "));
    QCOMPARE(panelDuringWrite, str(uploadtext::SendingFont));
    QVERIFY(!animationDuringWrite);

    // Symbols 0..31 are not sent; an edit there leaves the frame as it was.
    const Bytes first = w.serial.frames[0];
    for (std::size_t i = 0; i < 256; ++i)
        w.font.FontTable[i] = static_cast<std::uint8_t>(~w.font.FontTable[i]);
    form.SendAllZG();
    QVERIFY(w.serial.frames[1] == first);
    w.font.FontTable[256] ^= 1;
    form.SendAllZG();
    QVERIFY(w.serial.frames[2] != first);
}

void UploadWindowTest::comPortReadyFollowsTheLastOpening() {
    Window w;
    TMainForm& form = w.make();
    QVERIFY(form.ComPortReady());
    const struct {
        SerialLink::OpenResult result;
        bool ready;
    } steps[] = {
        {SerialLink::OpenResult::OpenFailed, false},
        {SerialLink::OpenResult::OpenFailed, false},
        {SerialLink::OpenResult::ConfigureFailed, true},
        {SerialLink::OpenResult::OpenFailed, false},
        {SerialLink::OpenResult::Opened, true},
    };
    for (const auto& step : steps) {
        w.serial.openResult = step.result;
        form.SpeedButtonTxClick();
        QCOMPARE(form.ComPortReady(), step.ready);
    }
    // A failed write says nothing about the opening.
    w.serial.failAfter = 0;
    form.SpeedButtonTxClick();
    QVERIFY(form.ComPortReady());
}

void UploadWindowTest::fontEditorUploadOpensThePortEachTime() {
    Window w;
    TMainForm& form = w.make();
    TFormZg editor(w.font, w.dialogs, form.upload());
    editor.setCloseBlocker([&form] { return form.upload().uploading(); });
    w.font.FontTable[300] = 0xFF;

    // After a failed opening the font upload tries the port again and tells its failure.
    w.serial.openResult = SerialLink::OpenResult::OpenFailed;
    form.SpeedButtonTxClick();
    QVERIFY(!form.ComPortReady());
    w.panel2->shown.clear();
    w.dialogs.log.clear();
    editor.SpeedButtonTx->click();
    QCOMPARE(w.serial.opened.size(), std::size_t(2));
    QVERIFY(w.serial.frames.empty());
    QCOMPARE(w.messages(), QStringList({str(uploadtext::PortOpenFailedStatus)}));
    QCOMPARE(w.dialogs.log.size(), 1);
    QVERIFY(w.dialogs.log[0].startsWith(QStringLiteral("warning: ") +
                                        str(uploadtext::PortOpenFailedBox)));
    QVERIFY(!form.ComPortReady());

    // Once the port opens, the font goes without a text upload first.
    w.serial.openResult = SerialLink::OpenResult::Opened;
    editor.SpeedButtonTx->click();
    QCOMPARE(w.serial.frames.size(), std::size_t(1));
    QVERIFY(w.serial.frames[0] == fontFrameOf(w.font));
    QVERIFY(form.ComPortReady());

    // While a write is under way, the editor's button starts nothing.
    w.serial.duringWrite = [&] { onWindowThread(&form, [&] { editor.SpeedButtonTx->click(); }); };
    form.SpeedButtonTxClick();
    QCOMPARE(w.serial.frames.size(), std::size_t(2));
}

void UploadWindowTest::progressShowsWhereTheOperatorIsAndTakesTheInput_data() {
    QTest::addColumn<bool>("fontUpload");
    QTest::newRow("text, in the main window") << false;
    QTest::newRow("font, in the font editor") << true;
}

void UploadWindowTest::progressShowsWhereTheOperatorIsAndTakesTheInput() {
    QFETCH(bool, fontUpload);
    Window w;
    TMainForm& form = w.make();
    TFormZg editor(w.font, w.dialogs, form.upload());
    form.setWindows(nullptr, nullptr, nullptr, &editor);
    w.font.FontTable[8 * 'A'] = 0x7E; // a font with a letter is sent without a question
    UploadProgressPanel* panel = form.upload().UploadPanel;
    QVERIFY(panel->isHidden());
    ProgressLog log(panel);
    w.setText(QStringLiteral("AB"));
    const std::size_t frameSize = fontUpload ? 1996 : 211;

    bool shown = false, animated = false;
    QWidget* window = nullptr;
    QRect place;
    int maximum = 0;
    QString timeLeft, textDuring;
    w.serial.duringWrite = [&] {
        onWindowThread(&form, [&] {
            shown = panel->isVisible();
            animated = form.upload().Animate->isVisible();
            window = panel->parentWidget();
            place = panel->geometry();
            maximum = panel->bar->maximum();
            timeLeft = panel->timeLeft->text();
            // No other input reaches the program meanwhile: keys, clicks and shortcuts.
            QTest::keyClicks(form.RichEdit, QStringLiteral("xyz"));
            QTest::mouseClick(w.button("SpeedButtonNew"), Qt::LeftButton);
            QTest::keySequence(&form, QKeySequence::SelectAll);
            textDuring = form.RichEdit->toPlainText();
        });
    };
    if (fontUpload) {
        editor.show();
        editor.SpeedButtonTx->click();
    } else {
        form.SpeedButtonTxClick();
    }

    QVERIFY(shown);
    QCOMPARE(animated, !fontUpload); // the font upload has no animation
    if (fontUpload) {
        QCOMPARE(window, &editor);
        QCOMPARE(place.bottom(), editor.height() - 3);
    } else {
        // Just under the animation, as wide as it.
        QCOMPARE(window, &form);
        QCOMPARE(place, QRect(144, 222, 272, 30));
    }
    QCOMPARE(maximum, int(frameSize));
    QCOMPARE(timeLeft,
             QStringLiteral("осталось 0:%1").arg(fontUpload ? 19 : 2, 2, 10, QLatin1Char('0')));
    QCOMPARE(textDuring, QStringLiteral("AB"));
    QVERIFY(w.dialogs.log.isEmpty());
    QCOMPARE(w.serial.frames.size(), std::size_t(1));
    // Over: the bar ended full, only the summary is left in the main window, and the input is
    // the operator's again.
    QVERIFY(!panel->bar->isVisible() && !panel->cancelButton->isVisible());
    QCOMPARE(panel->parentWidget(), &form);
    QVERIFY(log.monotonic());
    QCOMPARE(log.values.last(), int(frameSize));
    QTest::keyClicks(form.RichEdit, QStringLiteral("C"));
    QVERIFY(form.RichEdit->toPlainText().contains(QLatin1Char('C')));
}

void UploadWindowTest::summaryStaysUntilTheNextEditOrUpload_data() {
    QTest::addColumn<bool>("fontUpload");
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<int>("letters");     // of the text
    QTest::addColumn<QString>("summary"); // %1: the seconds the write took
    const QString kept = QStringLiteral(": на знаке остался прежний ");
    QTest::newRow("text sent") << false << "sent" << 2 << "Передано 211 байт за %1 с";
    QTest::newRow("text sent, 222 bytes") << false << "sent" << 13 << "Передано 222 байта за %1 с";
    QTest::newRow("font sent") << true << "sent" << 2
                               << "Передан знакогенератор: 1996 байт за %1 с";
    QTest::newRow("text cancelled")
        << false << "cancelled" << 2 << "Передача отменена" + kept + "текст";
    QTest::newRow("font cancelled")
        << true << "cancelled" << 2 << "Передача отменена" + kept + "знакогенератор";
    QTest::newRow("text, device failed")
        << false << "failed" << 2 << "Передача не завершена" + kept + "текст";
    QTest::newRow("text, port not opened")
        << false << "not opened" << 2 << "Порт не открыт" + kept + "текст";
}

void UploadWindowTest::summaryStaysUntilTheNextEditOrUpload() {
    QFETCH(bool, fontUpload);
    QFETCH(QString, outcome);
    QFETCH(int, letters);
    QFETCH(QString, summary);
    Window w;
    TMainForm& form = w.make();
    TFormZg editor(w.font, w.dialogs, form.upload());
    form.setWindows(nullptr, nullptr, nullptr, &editor);
    w.font.FontTable[8 * 'A'] = 0x7E; // a font with a letter is sent without a question
    w.setText(QString(letters, QLatin1Char('A')));
    UploadProgressPanel* panel = form.upload().UploadPanel;
    if (outcome == "sent") // a write that takes a quarter of a second at least
        w.serial.duringWrite = [] { std::this_thread::sleep_for(250ms); };
    if (outcome == "cancelled") {
        w.serial.acceptLimit = 100;
        w.serial.duringWrite = [&] {
            onWindowThread(&form, [&] { QTest::mouseClick(panel->cancelButton, Qt::LeftButton); });
        };
    }
    if (outcome == "failed")
        w.serial.failAfter = 100;
    if (outcome == "not opened")
        w.serial.openResult = SerialLink::OpenResult::OpenFailed;
    if (fontUpload) {
        editor.show();
        editor.SpeedButtonTx->click();
        editor.close();
    } else {
        form.SpeedButtonTxClick();
    }

    // Under the animation in the main window, whole, after the status message is blanked.
    form.TimerStatusTimer();
    QVERIFY(panel->isVisible() && panel->summary->isVisible() && !panel->bar->isVisible());
    QCOMPARE(panel->parentWidget(), &form);
    QCOMPARE(panel->pos(), QPoint(144, 222));
    const QString shown = panel->summary->text();
    QVERIFY(panel->summary->fontMetrics().horizontalAdvance(shown) <= panel->summary->width());
    const QStringList parts = summary.split(QLatin1String("%1"));
    QVERIFY2(shown.startsWith(parts.first()) && shown.endsWith(parts.last()), qPrintable(shown));
    if (parts.size() == 2) { // the seconds, written the Russian way
        bool ok = false;
        const double seconds =
            QLocale(QLocale::Russian)
                .toDouble(shown.mid(parts[0].size()).chopped(parts[1].size()), &ok);
        QVERIFY2(ok && seconds >= 0.2, qPrintable(shown));
    }

    // The next upload takes its place...
    w.serial.acceptLimit = w.serial.failAfter = SIZE_MAX;
    w.serial.openResult = SerialLink::OpenResult::Opened;
    bool summaryDuringWrite = true;
    w.serial.duringWrite = [&] {
        onWindowThread(&form, [&] { summaryDuringWrite = panel->summary->isVisible(); });
    };
    form.SpeedButtonTxClick();
    QVERIFY(!summaryDuringWrite);
    QVERIFY(panel->summary->text().startsWith(QStringLiteral("Передано ")));
    // ...and the next edit, or a click on it, puts it away.
    QTest::keyClicks(form.RichEdit, QStringLiteral("C"));
    QVERIFY(panel->isHidden());
    form.SpeedButtonTxClick();
    QVERIFY(panel->isVisible());
    QTest::mouseClick(panel, Qt::LeftButton);
    QVERIFY(panel->isHidden());
}

void UploadWindowTest::cancelStopsTheUploadWithTheBytesCounted_data() {
    QTest::addColumn<bool>("fontUpload");
    QTest::addColumn<bool>("byEscape");
    QTest::newRow("text, Cancel button") << false << false;
    QTest::newRow("text, Esc") << false << true;
    QTest::newRow("font, Cancel button") << true << false;
    QTest::newRow("font, Esc in the font editor") << true << true;
}

void UploadWindowTest::cancelStopsTheUploadWithTheBytesCounted() {
    QFETCH(bool, fontUpload);
    QFETCH(bool, byEscape);
    Window w;
    TMainForm& form = w.make();
    TFormZg editor(w.font, w.dialogs, form.upload());
    form.setWindows(nullptr, nullptr, nullptr, &editor);
    w.font.FontTable[8 * 'A'] = 0x7E; // a font with a letter is sent without a question
    if (fontUpload)
        editor.show();
    w.setText(QStringLiteral("AB\nC"));
    w.serial.acceptLimit = 100; // the line takes 100 bytes, then the cancel comes
    w.serial.duringWrite = [&] {
        onWindowThread(&form, [&] {
            if (byEscape)
                QTest::keyClick(fontUpload ? static_cast<QWidget*>(&editor) : form.RichEdit,
                                Qt::Key_Escape);
            else
                QTest::mouseClick(form.upload().UploadPanel->cancelButton, Qt::LeftButton);
        });
    };
    QString panelAtBox;
    bool progressAtBox = true;
    w.dialogs.onMessage = [&](const QString&) {
        panelAtBox = form.panelText(2);
        progressAtBox = form.upload().UploadPanel->isVisible();
    };
    fontUpload ? editor.SpeedButtonTx->click() : form.SpeedButtonTxClick();

    const std::size_t total = fontUpload ? 1996 : 214;
    QCOMPARE(w.messages().last(), str(uploadtext::SendFailedStatus));
    QVERIFY(!w.messages().contains(str(uploadtext::SendDone)));
    QCOMPARE(w.dialogs.log,
             QStringList({QStringLiteral("warning: ") + str(uploadtext::SendFailedBox) +
                          QStringLiteral(" | Отменено: передано 100 из %1 байт").arg(total)}));
    QCOMPARE(panelAtBox, str(uploadtext::SendFailedStatus));
    QVERIFY(!progressAtBox);
    // What was not sent is thrown away and the port is closed; the font editor stays open.
    QCOMPARE(w.serial.frames.size(), std::size_t(1));
    QCOMPARE(w.serial.frames[0].size(), std::size_t(100));
    QCOMPARE(w.serial.discards, 1);
    QVERIFY(!w.serial.isOpen);
    QVERIFY(!form.upload().uploading());
    QCOMPARE(editor.isVisible(), fontUpload);

    // The next upload goes whole.
    w.serial.duringWrite = nullptr;
    w.serial.acceptLimit = SIZE_MAX;
    w.dialogs.log.clear();
    form.SpeedButtonTxClick();
    QCOMPARE(w.messages().last(), str(uploadtext::SendDone));
    QVERIFY(w.dialogs.log.isEmpty());
}

void UploadWindowTest::progressFollowsTheLineTimeOfAPseudoTerminal() {
    PseudoTerminal pty;
    Window w(portMap(pty.slaveName()));
    PosixSerialLink link;
    TMainForm& form = w.make(&link);
    form.upload().setOptions({}); // the frame takes its line time: 211 bytes, 1.94 s
    w.setText(QStringLiteral("AB"));
    MasterReader reader(pty, 211);
    ProgressLog progress(form.upload().UploadPanel);
    QStringList timesLeft;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const QString now = form.upload().UploadPanel->timeLeft->text();
        if (timesLeft.isEmpty() || timesLeft.last() != now)
            timesLeft << now;
    });
    watch.start(20);
    form.SpeedButtonTxClick();
    QCOMPARE(reader.bytes().size(), std::size_t(211));
    // The bar moves up in steps to the total, the time left counts down to nothing.
    QVERIFY(progress.monotonic());
    QVERIFY2(progress.values.size() >= 5, qPrintable(QString::number(progress.values.size())));
    QCOMPARE(progress.values.last(), 211);
    QCOMPARE(timesLeft.first(), QStringLiteral("осталось 0:02"));
    QVERIFY(timesLeft.contains(QStringLiteral("осталось 0:01")));
    QCOMPARE(w.messages().last(), str(uploadtext::SendDone));
}

void UploadWindowTest::timeLeftReadsAsAClock() {
    const std::pair<int, const char*> cases[] = {
        {0, "0:00"},      {1, "0:01"},       {999, "0:01"},          {42'000, "0:42"},
        {60'000, "1:00"}, {545'001, "9:06"}, {3'723'000, "1:02:03"}, {-5, "0:00"},
    };
    for (const auto& [ms, text] : cases)
        QCOMPARE(UploadProgressPanel::clock(std::chrono::milliseconds(ms)),
                 QString::fromLatin1(text));
}

void UploadWindowTest::realUploadDeliversTheFrameToThePort_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<Bytes>("payload");
    QTest::newRow("mixed") << QStringLiteral("/S5Бегущая строка\n\t№1 я")
                           << Bytes{0x2F, 0x53, 0x35, 0xC1, 0xE5, 0xE3, 0xF3, 0xF9, 0xE0,
                                    0xFF, 0xFE, 0x20, 0xF1, 0xF2, 0xF0, 0xEE, 0xEA, 0xE0,
                                    0x20, 0x20, 0x20, 0xB9, 0x31, 0x20, 0xFF, 0xFE};
    Bytes longPayload;
    QString longText;
    for (int line = 0; line < 100; ++line) {
        longText += QStringLiteral("Строка %1 /W1 яЯ").arg(line % 10) + QLatin1Char('\n');
        const Bytes bytes{
            0xD1, 0xF2, 0xF0, 0xEE, 0xEA, 0xE0, 0x20, static_cast<std::uint8_t>('0' + line % 10),
            0x20, 0x2F, 0x57, 0x31, 0x20, 0xFF, 0xFE, 0xDF,
            0x20, 0x20};
        longPayload.insert(longPayload.end(), bytes.begin(), bytes.end());
    }
    QTest::newRow("hundred lines") << longText << longPayload;
}

void UploadWindowTest::realUploadDeliversTheFrameToThePort() {
    QFETCH(QString, text);
    QFETCH(Bytes, payload);
    PseudoTerminal pty;
    Window w(portMap(pty.slaveName()));
    PosixSerialLink link;
    TMainForm& form = w.make(&link);
    w.setText(text);
    const Bytes expected = textFrameOf(payload);

    MasterReader reader(pty, expected.size());
    ProgressLog progress(form.upload().UploadPanel);
    form.SpeedButtonTx->trigger();
    QVERIFY(reader.bytes() == expected);
    QCOMPARE(w.messages(), QStringList({str(uploadtext::Preparing), str(uploadtext::SendingText),
                                        str(uploadtext::SendDone)}));
    QVERIFY(w.dialogs.log.isEmpty());
    // The bar ends full.
    QVERIFY(progress.monotonic());
    QCOMPARE(progress.values.last(), int(expected.size()));

    // The demo text as well, read back through the decoder.
    w.form.reset();
    TMainForm& fresh = w.make(&link);
    Bytes mapped, escaped;
    for (unsigned char c : fresh.messageBytes()) {
        mapped.push_back(c < 0x20 ? 0x20 : c);
        escaped.push_back(mapped.back());
        if (c == 0xFF)
            escaped.push_back(0xFE);
    }
    MasterReader demoReader(pty, textFrameOf(escaped).size());
    fresh.SpeedButtonTxClick();
    QVERIFY(demoReader.bytes() == textFrameOf(escaped));
    const auto frames = decodeFrames(demoReader.bytes());
    QCOMPARE(frames.size(), std::size_t(1));
    QCOMPARE(frames[0].kind, DecodedFrame::Kind::Text);
    QVERIFY(frames[0].payload == mapped);
    QVERIFY(mapped.size() > 200); // the demo text, not an empty editor
}

void UploadWindowTest::realFontUploadDeliversTheFontFrame() {
    PseudoTerminal pty;
    Window w(portMap(pty.slaveName()));
    PosixSerialLink link;
    TMainForm& form = w.make(&link);
    for (std::size_t i = 0; i < w.font.FontTable.size(); ++i)
        w.font.FontTable[i] = static_cast<std::uint8_t>(i * 13); // every value, 0x0A and 0xFF too
    const Bytes expected = fontFrameOf(w.font);
    MasterReader reader(pty, expected.size());
    form.SendAllZG();
    QVERIFY(reader.bytes() == expected);
    QCOMPARE(w.messages(), QStringList({str(uploadtext::SendingFont), str(uploadtext::SendDone)}));
}

void UploadWindowTest::realUploadToMissingPortShowsBothMessages() {
    Window w(portMap("/dev/lumetra-no-such-port"));
    PosixSerialLink link;
    TMainForm& form = w.make(&link);
    form.SpeedButtonTx->trigger();
    QCOMPARE(w.messages(),
             QStringList({str(uploadtext::Preparing), str(uploadtext::PortOpenFailedStatus)}));
    QCOMPARE(w.dialogs.log, QStringList({QStringLiteral(
                                "warning: Не могу открыть порт | Не могу открыть порт "
                                "/dev/lumetra-no-such-port: Нет такого файла или папки")}));
    QVERIFY(!form.ComPortReady());
    QVERIFY(form.upload().Animate->isHidden());
}

// Through ser2net a text by both URLs and a font of all 0xFF arrive exactly, and RFC 2217
// leaves the line at 1200 8N2 although ser2net opened it at 9600 8N1. A port nobody listens on
// gives the box of a port that cannot be opened, with the address and the reason.
void UploadWindowTest::realUploadThroughAConverterByEitherUrl() {
    const std::unique_ptr<SerialLink> link = makeSystemSerialLink();
    const std::pair<bool, bool> cases[] = {{false, false}, {true, false}, {true, true}};
    for (const auto& [rfc2217, font] : cases) {
        PseudoTerminal pty;
        TempDir dir;
        Ser2net converter(pty.slaveName(), dir.path());
        Window w(portMap(rfc2217 ? converter.rfc2217Url() : converter.socketUrl()));
        TMainForm& form = w.make(link.get());
        form.upload().setOptions({}); // paced, as the operator's uploads are
        w.setText(QStringLiteral("Hi"));
        w.font.FontTable.fill(0xFF);
        const Bytes expected = font ? fontFrameOf(w.font) : textFrameOf({'H', 'i'});
        MasterReader reader(pty, expected.size());
        font ? form.SendAllZG() : form.SpeedButtonTx->trigger();
        QVERIFY(reader.bytes() == expected);
        QVERIFY2(w.dialogs.log.isEmpty(), qPrintable(w.dialogs.log.join(QLatin1Char('\n'))));
        const termios line = pty.slaveSettings();
        QCOMPARE(cfgetospeed(&line) == B1200, rfc2217);
        QCOMPARE((line.c_cflag & CSTOPB) != 0, rfc2217);
        QCOMPARE(line.c_cflag & (CSIZE | PARENB), tcflag_t(CS8));
    }
    const QString address = QStringLiteral("127.0.0.1:%1").arg(freeLoopbackPort());
    Window w(portMap(("socket://" + address).toStdString()));
    TMainForm& form = w.make(link.get());
    form.SpeedButtonTx->trigger();
    QCOMPARE(w.dialogs.log,
             QStringList({QStringLiteral("warning: Не могу открыть порт | Не могу открыть порт "
                                         "socket://%1: %1: В соединении отказано")
                              .arg(address)}));
    QVERIFY(!form.ComPortReady());
}

void UploadWindowTest::realUploadToHeldPortShowsBothMessages() {
    PseudoTerminal pty;
    Window w(portMap(pty.slaveName()));
    PosixSerialLink link, otherProgram;
    QCOMPARE(otherProgram.open(pty.slaveName()).result, SerialLink::OpenResult::Opened);
    TMainForm& form = w.make(&link);
    form.SpeedButtonTxClick();
    QCOMPARE(w.messages(),
             QStringList({str(uploadtext::Preparing), str(uploadtext::PortOpenFailedStatus)}));
    QCOMPARE(w.dialogs.log,
             QStringList({QStringLiteral("warning: Не могу открыть порт | Не могу открыть порт ") +
                          QString::fromStdString(pty.slaveName()) +
                          QStringLiteral(": Устройство занято")}));
    QVERIFY(!form.ComPortReady());

    // Once the other program lets go, the next upload opens the port again.
    otherProgram.close();
    w.dialogs.log.clear();
    w.setText(QStringLiteral("ok"));
    const Bytes expected = textFrameOf({'o', 'k'});
    MasterReader reader(pty, expected.size());
    form.SpeedButtonTxClick();
    QVERIFY(reader.bytes() == expected);
    QVERIFY(form.ComPortReady());
    QVERIFY(w.dialogs.log.isEmpty());
}

void UploadWindowTest::realUploadToVanishingPortIsReportedUnfinished() {
    PseudoTerminal pty;
    Window w(portMap(pty.slaveName()));
    PosixSerialLink link;
    TMainForm& form = w.make(&link);
    w.setText(QString(60000, QLatin1Char('x')));
    MasterReader reader(pty, 60209, 500);
    form.SpeedButtonTxClick();
    QCOMPARE(reader.bytes().size(), std::size_t(500));
    QCOMPARE(w.messages().last(), str(uploadtext::SendFailedStatus));
    QVERIFY(!w.messages().contains(str(uploadtext::SendDone)));
    QCOMPARE(w.dialogs.texts(QStringLiteral("warning")).size(), 1);
    const QString box = w.dialogs.texts(QStringLiteral("warning")).first();
    QVERIFY2(box.startsWith(str(uploadtext::SendFailedBox) + " | Запись в " +
                            QString::fromStdString(pty.slaveName()) +
                            " не удалась (Ошибка ввода-вывода): передано "),
             qPrintable(box));
    QVERIFY(box.endsWith(QStringLiteral(" из 60209 байт")));
}

// A converter that never answers RFC 2217 holds the opening for 3 s: the window's timers fire
// meanwhile, and Cancel or Esc ends the upload at once, nothing sent, the connection closed.
void UploadWindowTest::realOpeningOfASilentConverterKeepsTheWindowAndCancels() {
    const std::unique_ptr<SerialLink> link = makeSystemSerialLink();
    for (const bool byEscape : {false, true}) {
        int port = 0;
        const int converter = loopbackListener(port);
        Window w(portMap("rfc2217://127.0.0.1:" + std::to_string(port)));
        TMainForm& form = w.make(link.get());
        w.setText(QStringLiteral("Hi"));
        QElapsedTimer sinceCancel; // started only while the upload shows
        QTimer::singleShot(300, &form, [&] {
            if (form.upload().UploadPanel->isVisible())
                sinceCancel.start();
            byEscape ? QTest::keyClick(form.RichEdit, Qt::Key_Escape)
                     : QTest::mouseClick(form.upload().UploadPanel->cancelButton, Qt::LeftButton);
        });
        form.SpeedButtonTxClick();
        QVERIFY(sinceCancel.isValid() && sinceCancel.elapsed() < 1000);
        QCOMPARE(w.dialogs.log,
                 QStringList({QStringLiteral("warning: ") + str(uploadtext::SendFailedBox) +
                              " | Отменено: передано 0 из 211 байт"}));
        QCOMPARE(w.messages().last(), str(uploadtext::SendFailedStatus));
        // The converter got the option requests (no frame), then the connection's end.
        const int c = ::accept(converter, nullptr, nullptr);
        char got[512];
        pollfd p{c, POLLIN, 0};
        QVERIFY(::poll(&p, 1, 2000) == 1 && ::recv(c, got, sizeof got, 0) < 200);
        QVERIFY(::poll(&p, 1, 2000) == 1 && ::recv(c, got, sizeof got, 0) == 0);
        ::close(c);
        ::close(converter);
    }
}

QTEST_MAIN(UploadWindowTest)
#include "UploadWindowTest.moc"
