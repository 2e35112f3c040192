// The sign preview under the editor and the marks of the effect codes: hidden until asked
// for, remembered in a section of its own, running what the upload sends with the font in
// memory, and never changing the text.

#include "sign/CodeMarks.h"
#include "sign/SignPreview.h"
#include "upload/FrameDecoder.h"

#include "MainWindowFixture.h"

#include <QDockWidget>
#include <QLabel>
#include <QSpinBox>
#include <QTest>

#include <algorithm>

namespace {

using Fixture = MainWindowFixture;

// What the display shows, one byte a column.
std::vector<std::uint8_t> shown(const sign::SignPlayer& player) {
    std::vector<std::uint8_t> columns;
    for (int x = 0; x < player.width(); ++x)
        columns.push_back(player.shownColumn(x));
    return columns;
}

// Runs the preview `ticks` steps; how many distinct pictures it showed and whether any dot lit.
std::pair<int, bool> watch(sign::SignPreview& preview, int ticks) {
    std::vector<std::vector<std::uint8_t>> seen;
    bool lit = false;
    for (int t = 0; t < ticks; ++t) {
        preview.advance(1);
        const auto now = shown(preview.player());
        lit |= std::ranges::any_of(now, [](std::uint8_t column) { return column != 0; });
        if (seen.empty() || seen.back() != now)
            seen.push_back(now);
    }
    return {int(seen.size()), lit};
}

} // namespace

class PreviewTest : public QObject {
    Q_OBJECT

private slots:
    void hiddenUntilAskedForAndRemembered();
    void runsTheStarterFontAndEditsUnsaved();
    void framesAreTheSignsTickByTick();
    void codesAreMarkedWithoutChangingTheText();
};

void PreviewTest::hiddenUntilAskedForAndRemembered() {
    Fixture f;
    TMainForm& form = f.makeShown();
    const QRect editor = form.RichEdit->geometry();
    QVERIFY(!form.preview());
    QVERIFY(!form.findChild<QDockWidget*>());
    QVERIFY(!form.itemPreview->isChecked());

    form.itemPreview->trigger();
    QVERIFY(form.preview() && form.preview()->isVisible());
    QCOMPARE(form.preview()->accessibleName(), QStringLiteral("Просмотр бегущей строки"));
    QCOMPARE(form.preview()->player().width(), 96);
    QVERIFY(form.RichEdit->geometry().bottom() < editor.bottom());
    const QByteArray ini = f.sandbox.read(QStringLiteral("config/Kesmar.ini"));
    QVERIFY(ini.contains("[Preview]\r\nShown=1"));
    QVERIFY(!ini.contains("[Option]"));

    form.preview()->widthBox()->setValue(120);
    QCOMPARE(form.preview()->player().width(), 120);
    // The next start shows it again, running the text it loads.
    f.sandbox.write(QStringLiteral("Tmp.txt"), "Loaded /S5");
    TMainForm& again = f.restart();
    QVERIFY(again.itemPreview->isChecked() && again.preview());
    QCOMPARE(again.preview()->player().width(), 120);
    again.preview()->restartNow();
    QCOMPARE(again.preview()->player().items().size(), 8u);

    // Hidden again, the editor has all its room back, and the next start keeps it hidden.
    again.show();
    QVERIFY(QTest::qWaitForWindowExposed(&again));
    again.itemPreview->trigger();
    QVERIFY(!again.preview()->isVisible());
    QTRY_COMPARE(again.RichEdit->geometry(), editor);
    QVERIFY(!f.restart().preview());
}

void PreviewTest::runsTheStarterFontAndEditsUnsaved() {
    Fixture f;
    f.font.LoadZg(LUMETRA_SOURCE_DIR "/data/Guard.zg");
    TMainForm& form = f.makeShown();
    form.showPreview(true);
    sign::SignPreview& preview = *form.preview();
    // Running the font loaded: framesAreTheSignsTickByTick. Cleared, it shows nothing.
    f.font.ClearFont();
    preview.restartNow();
    QCOMPARE(watch(preview, 3000), std::make_pair(1, false));

    // An edit in the font editor's table shows at once, with nothing saved.
    f.font.InvertSymbol(' ');
    QVERIFY(watch(preview, 1500).second);

    // Typing restarts the text a moment after the last key.
    const auto before = preview.player().items();
    f.setText(QStringLiteral("/I1"));
    QCOMPARE(preview.player().items(), before);
    QTest::qWait(sign::SignPreview::RestartDelayMs + 300);
    QCOMPARE(preview.player().items().size(), 1u);
}

void PreviewTest::framesAreTheSignsTickByTick() {
    // The simulated sign's way: the bytes the uploads wrote, decoded, the font frame's symbols
    // over its own font, the text played from its start.
    Fixture f;
    f.font.LoadZg(LUMETRA_SOURCE_DIR "/data/Guard.zg");
    TMainForm& form = f.makeShown();
    form.SendAllZG();
    form.SpeedButtonTxClick();
    QCOMPARE(f.serial.frames.size(), 2u);
    sign::SignPlayer onSign;
    FrameDecoder decoder;
    for (const auto& written : f.serial.frames)
        for (const DecodedFrame& frame : decoder.feed(written)) {
            if (frame.kind == DecodedFrame::Kind::Font)
                onSign.setSentSymbols(std::span<const std::uint8_t, FontPayloadSize>(
                    frame.payload.data(), FontPayloadSize));
            else
                onSign.setText(frame.payload);
        }

    form.showPreview(true);
    sign::SignPreview& preview = *form.preview();
    preview.setPlaying(false);
    preview.restartNow();
    int changes = 0;
    for (int t = 0; t < 6000; ++t) {
        changes += onSign.tick();
        preview.advance(1);
        QCOMPARE(shown(preview.player()), shown(onSign));
    }
    QVERIFY(changes > 500);

    // The texts that trip operators up: the preview runs the effects the editor marks.
    f.setText(QStringLiteral("/5 скидка 1/2 /S8 /X1 /W\n//S3 /\nS3 /С1"));
    form.codeMarks()->refresh();
    preview.scheduleText(form.messageBytes());
    preview.restartNow();
    QStringList marked, run;
    for (const sign::CodeReading& code : form.codeMarks()->codes())
        marked << QString::fromStdString(code.code());
    for (const sign::SignItem& item : preview.player().items())
        if (item.kind == sign::SignItem::Kind::Effect)
            run << QString::fromStdString(sign::effectCode(item));
    QCOMPARE(run, marked);
    QCOMPARE(marked, QString("/W5 /W2 /S7 /X1 /W1 /W1 /S3 /W1 /W1").split(u' '));
}

void PreviewTest::codesAreMarkedWithoutChangingTheText() {
    Fixture f;
    TMainForm& form = f.makeShown();
    const std::string before = form.messageBytes();
    CodeMarks& marks = *form.codeMarks();
    // The demo text's "/С1" carries a Cyrillic Es: the sign pauses a second.
    QTRY_COMPARE(marks.surprises(), 1);
    const auto status = form.findChild<QLabel*>(QStringLiteral("StatusSurprises"));
    QVERIFY(status->isVisible() && status->text().endsWith(u'1'));

    const QList<QTextEdit::ExtraSelection> selections = form.RichEdit->extraSelections();
    QCOMPARE(selections.size(), int(marks.codes().size()));
    int wavy = 0;
    for (const auto& s : selections) {
        const QString code = s.cursor.selectedText();
        QVERIFY(code.startsWith(u'/'));
        wavy += s.format.underlineStyle() == QTextCharFormat::WaveUnderline;
    }
    QCOMPARE(wavy, 1);
    const std::size_t cyrillic = before.find("/\xD1");
    QCOMPARE(marks.toolTipAt(cyrillic).left(15), QStringLiteral("/W1: пауза 1 с "));
    QCOMPARE(marks.toolTipAt(before.find("/S5") + 2), QStringLiteral("/S5: скорость 5"));
    QCOMPARE(marks.position(before.find("/S5")), form.RichEdit->toPlainText().indexOf("/S5"));
    QCOMPARE(form.messageBytes(), before);
    QVERIFY(!f.document()->isModified());

    // Mending the code clears the count; the upload is never held back by it.
    f.setText(QStringLiteral("1/2 /S8"));
    QTRY_COMPARE(marks.surprises(), 2);
    form.SpeedButtonTxClick();
    QCOMPARE(f.serial.frames.size(), 1u);
    f.setText(QStringLiteral("/W2 /S7"));
    QTRY_COMPARE(marks.surprises(), 0);
    QVERIFY(!status->isVisible());

    // The effect buttons keep their hints and say what their code does.
    const QString tip = f.button("SpeedButtoSpeedUst1")->toolTip();
    QVERIFY(tip.startsWith(QStringLiteral("Вставка эффекта Скорости (")));
    QVERIFY(tip.contains(QStringLiteral("\n/S7: скорость 7; 0 медленнее всего, 7 быстрее всего")));
}

QTEST_MAIN(PreviewTest)
#include "PreviewTest.moc"
