// The real windows upload to a pseudo-terminal and the simulated sign decodes what arrives.

#include "app/Application.h"
#include "app/MainForm.h"
#include "editor/MessageEdit.h"
#include "font/FormZg.h"
#include "info/ShellOpen.h"
#include "info/SystemInfo.h"
#include "upload/SerialLink.h"

#include "FakeSystemInfo.h"
#include "Sandbox.h"
#include "ScriptedDialogs.h"

#include <QAction>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>
#include <QToolButton>

#include <random>

namespace {

// What the sign receives for a text: every control character arrives as a blank.
QString onTheSign(const QString& editorText) {
    QString sent = editorText;
    sent.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    for (QChar& c : sent)
        if (c.unicode() < 0x20)
            c = QLatin1Char(' ');
    return sent;
}

} // namespace

class EndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void textsArriveAsTheEditorHoldsThem_data();
    void textsArriveAsTheEditorHoldsThem();
    void everyEffectButtonsCodeArrives();
    void theFontArrivesSymbolForSymbol();
    void aSavedTextArrivesAfterARestart();
    void aDrawnFontArrivesAfterARestart();

private:
    QJsonObject nextFrame();
    void startApplication();

    std::unique_ptr<Sandbox> m_sandbox;
    std::unique_ptr<QProcess> m_sign;
    ScriptedDialogs* m_dialogs = nullptr;
    std::unique_ptr<Application> m_app;
    QByteArray m_pending;
};

void EndToEndTest::init() {
    m_sandbox = std::make_unique<Sandbox>();
    m_sign = std::make_unique<QProcess>();
    m_sign->setProcessChannelMode(QProcess::SeparateChannels);
    m_sign->start(QStringLiteral(LUMETRA_SIGN_PATH), {QStringLiteral("--headless")});
    QVERIFY(m_sign->waitForStarted(10000));
    QString device;
    QDeadlineTimer deadline(10000);
    while (device.isEmpty() && !deadline.hasExpired()) {
        if (!m_sign->canReadLine() && !m_sign->waitForReadyRead(500))
            continue;
        const QString line = QString::fromUtf8(m_sign->readLine()).trimmed();
        if (line.startsWith(QStringLiteral("device: ")))
            device = line.mid(8);
    }
    QVERIFY2(!device.isEmpty(), "the simulated sign named no device");

    m_sandbox->write(QStringLiteral("config/Kesmar.ini"),
                     "[PortMap]\r\nCOM 1=" + device.toUtf8() + "\r\n");
    startApplication();
}

void EndToEndTest::startApplication() {
    m_app.reset();
    auto dialogs = std::make_unique<ScriptedDialogs>();
    m_dialogs = dialogs.get();
    Application::Services services;
    services.dialogs = std::move(dialogs);
    services.serial = makeSystemSerialLink();
    // Frames of kilobytes would otherwise take their line time on the pseudo-terminal.
    services.upload.waitLineTime = false;
    services.systemInfo = std::make_unique<FakeSystemInfo>();
    services.shell = std::make_unique<FakeShellOpen>();
    m_app = std::make_unique<Application>(std::move(services));
    m_app->mainForm().show();
}

void EndToEndTest::cleanup() {
    m_app.reset();
    if (m_sign) {
        m_sign->terminate();
        if (!m_sign->waitForFinished(5000))
            m_sign->kill();
        m_sign->waitForFinished(5000);
    }
    m_sign.reset();
    m_sandbox.reset();
}

QJsonObject EndToEndTest::nextFrame() {
    QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired()) {
        if (m_sign->canReadLine()) {
            const QByteArray line = m_sign->readLine().trimmed();
            const QJsonDocument doc = QJsonDocument::fromJson(line);
            if (doc.isObject())
                return doc.object();
            continue;
        }
        m_sign->waitForReadyRead(200);
    }
    return {};
}

void EndToEndTest::textsArriveAsTheEditorHoldsThem_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("demo text") << QString();
    QTest::newRow("cyrillic with ya, tabs and line breaks")
        << QStringLiteral("Привет, я здесь!\tТаб\nВторая строка: ёЁ №5\n\nконец я");
    QTest::newRow("codes typed by hand") << QStringLiteral("/S5 Speed /W Wait /Q3 /5 end");
}

void EndToEndTest::textsArriveAsTheEditorHoldsThem() {
    QFETCH(QString, text);
    TMainForm& form = m_app->mainForm();
    if (!text.isNull())
        form.RichEdit->setPlainText(text);
    const QString editorText = form.RichEdit->toPlainText();

    form.SpeedButtonTxClick();

    const QJsonObject frame = nextFrame();
    QCOMPARE(frame.value(QStringLiteral("type")).toString(), QStringLiteral("text"));
    QCOMPARE(frame.value(QStringLiteral("error")).toString(), QString());
    QCOMPARE(frame.value(QStringLiteral("text")).toString(), onTheSign(editorText));
    QCOMPARE(form.panelText(2), QStringLiteral(" Передача завершена"));
    QVERIFY(m_dialogs->log.isEmpty());
}

void EndToEndTest::everyEffectButtonsCodeArrives() {
    TMainForm& form = m_app->mainForm();
    const std::pair<const char*, const char*> buttons[] = {
        {"SpeedButtonUst0", "/S0"},  {"SpeedButtonUst1", "/S1"},     {"SpeedButtonUst2", "/S3"},
        {"SpeedButtonUst5", "/S5"},  {"SpeedButtoSpeedUst1", "/S7"}, {"SpeedButtonWait1", "/W1"},
        {"SpeedButtonWait3", "/W4"}, {"SpeedButtonWait5", "/W7"},    {"SpeedButtonCl", "/Q1"},
        {"SpeedButtonFill", "/F1"},  {"SpeedButtonUp", "/U1"},       {"SpeedButtonDown", "/D1"},
        {"SpeedButtonRazb", "/J1"},  {"SpeedButtonInv", "/I1"},      {"SpeedButton1", "/N1"},
    };
    QString expected = QStringLiteral("Go");
    form.RichEdit->setPlainText(expected);
    form.RichEdit->moveCursor(QTextCursor::End);
    for (const auto& [name, code] : buttons) {
        auto* button = form.findChild<QToolButton*>(QString::fromLatin1(name));
        QVERIFY2(button, name);
        button->click();
        expected += QString::fromLatin1(code);
    }
    QCOMPARE(form.RichEdit->toPlainText(), expected);
    form.SpeedButtonTxClick();
    const QJsonObject frame = nextFrame();
    QCOMPARE(frame.value(QStringLiteral("text")).toString(), expected);
    QCOMPARE(frame.value(QStringLiteral("bytes")).toInt(), 209 + expected.size());
}

void EndToEndTest::theFontArrivesSymbolForSymbol() {
    TMainForm& form = m_app->mainForm();
    // A port opening must have succeeded before the font editor may upload.
    QVERIFY(form.ComPortReady());
    std::mt19937 random(20261208);
    auto& table = m_app->font().FontTable;
    for (auto& byte : table)
        byte = static_cast<std::uint8_t>(random() % 4 == 0 ? 0xFF : random());

    form.SendAllZG();

    const QJsonObject frame = nextFrame();
    QCOMPARE(frame.value(QStringLiteral("type")).toString(), QStringLiteral("font"));
    QCOMPARE(frame.value(QStringLiteral("error")).toString(), QString());
    const QByteArray expected =
        QByteArray(reinterpret_cast<const char*>(table.data()) + 256, 1792).toHex();
    QCOMPARE(frame.value(QStringLiteral("symbols")).toString().toLatin1().toLower(), expected);
    QCOMPARE(form.panelText(2), QStringLiteral(" Передача завершена"));
}

void EndToEndTest::aSavedTextArrivesAfterARestart() {
    TMainForm& form = m_app->mainForm();
    form.RichEdit->setPlainText(QStringLiteral("Скидки "));
    form.RichEdit->moveCursor(QTextCursor::End);
    form.SpeedButtonWait3Click();
    form.RichEdit->insertPlainText(QStringLiteral(" до 50%\nтолько сегодня"));
    form.SpeedButtonClClick();
    const QString typed = form.RichEdit->toPlainText();
    QCOMPARE(typed, QStringLiteral("Скидки /W4 до 50%\nтолько сегодня/Q1"));
    m_dialogs->fileNames.push_back(m_sandbox->path(QStringLiteral("sale.txt")));
    form.SpeedButtonSaveASClick();
    QVERIFY(m_sandbox->exists(QStringLiteral("sale.txt")));

    startApplication();
    TMainForm& again = m_app->mainForm();
    QCOMPARE(again.RichEdit->toPlainText(), typed);
    again.SpeedButtonTxClick();
    const QJsonObject frame = nextFrame();
    QCOMPARE(frame.value(QStringLiteral("text")).toString(),
             QStringLiteral("Скидки /W4 до 50%  только сегодня/Q1"));
    // 36 characters; the "я" of "сегодня" travels as two bytes.
    QCOMPARE(frame.value(QStringLiteral("bytes")).toInt(), 209 + 37);
}

void EndToEndTest::aDrawnFontArrivesAfterARestart() {
    TFormZg& editor = m_app->fontEditor();
    editor.show();
    // Symbol 32 gets a diagonal drawn with the mouse, dot by dot.
    for (int i = 0; i < 8; ++i) {
        editor.PaintBoxMouseDown(Qt::LeftButton, i * 16 + 3, i * 16 + 3);
        editor.PaintBoxMouseUp();
    }
    editor.close();
    QVERIFY(!editor.isVisible());
    QCOMPARE(m_sandbox->read(QStringLiteral("Tmp.zg")).size(), 2048);

    startApplication();
    // The opening of a port by a text upload comes first, as it would for the operator.
    m_app->mainForm().SpeedButtonTxClick();
    QCOMPARE(nextFrame().value(QStringLiteral("type")).toString(), QStringLiteral("text"));
    m_app->fontEditor().SpeedButtonTxClick();
    const QJsonObject frame = nextFrame();
    QCOMPARE(frame.value(QStringLiteral("type")).toString(), QStringLiteral("font"));
    const QByteArray symbols =
        QByteArray::fromHex(frame.value(QStringLiteral("symbols")).toString().toLatin1());
    QCOMPARE(symbols.size(), 1792);
    // Symbol 32 is the first of the frame: column i has row i lit.
    for (int i = 0; i < 8; ++i)
        QCOMPARE(static_cast<std::uint8_t>(symbols[i]), std::uint8_t(1u << i));
    QCOMPARE(symbols.mid(8), QByteArray(1792 - 8, '\0'));
}

QTEST_MAIN(EndToEndTest)
#include "EndToEndTest.moc"
