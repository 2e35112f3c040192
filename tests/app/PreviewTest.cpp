// The sign preview under the editor and the marks of the effect codes.

#include "editor/MessageDocument.h"
#include "frames/FrameDecoder.h"
#include "sign/CodeMarks.h"
#include "sign/SignPreview.h"

#include "MainWindowFixture.h"

#include <QLabel>
#include <QSignalSpy>
#include <QSpinBox>

#include <algorithm>

namespace {

using Fixture = MainWindowFixture;

// Whether any dot lights within `ticks` steps.
bool lightsUp(sign::SignPreview& preview, int ticks) {
    for (int t = 0; t < ticks; ++t) {
        preview.advance(1);
        const sign::SignPlayer& p = preview.player();
        if (p.inverted() || std::ranges::any_of(p.columns(), [](std::uint8_t c) { return c; }))
            return true;
    }
    return false;
}

// The most inked pixel of `area`: a glyph's full colour, whatever the antialiasing.
QColor inkiest(const QImage& image, const QRect& area) {
    QColor ink(Qt::white);
    int most = -1;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            const int away = 765 - c.red() - c.green() - c.blue();
            if (away > most)
                std::tie(most, ink) = std::tuple(away, c);
        }
    return ink;
}

bool near(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
               std::abs(a.blue() - b.blue()) <
           90;
}

} // namespace

class PreviewTest : public QObject {
    Q_OBJECT

private slots:
    void hiddenUntilAskedForAndRemembered();
    void runsWhatTheSignRunsWithTheFontInMemory();
    void codesAreMarkedWithoutChangingTheText();
    void adjacentCodesAreColouredAndOnlyMisreadOnesUnderlined();
    void oneReadingOfTheTextFeedsMarksAndPreview();
    void blankSymbolsAreCountedForTextAndFontAndTheUploadGoes();
};

void PreviewTest::hiddenUntilAskedForAndRemembered() {
    Fixture f;
    TMainForm& form = f.makeShown();
    const QRect editor = form.RichEdit->geometry();
    QVERIFY(!form.preview());
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
    TMainForm& again = f.makeShown();
    QVERIFY(again.itemPreview->isChecked() && again.preview());
    QCOMPARE(again.preview()->player().width(), 120);
    again.preview()->restartNow();
    QCOMPARE(again.preview()->player().items().size(), 8u);

    // Hidden again, the editor has all its room back, and the next start keeps it hidden.
    again.itemPreview->trigger();
    QVERIFY(!again.preview()->isVisible());
    QTRY_COMPARE(again.RichEdit->geometry(), editor);
    QVERIFY(!f.restart().preview());
}

void PreviewTest::runsWhatTheSignRunsWithTheFontInMemory() {
    // As the simulated sign runs them: the bytes the uploads wrote, decoded, played from the start.
    Fixture f;
    f.font.LoadZg(LUMETRA_SOURCE_DIR "/data/Guard.zg");
    TMainForm& form = f.makeShown();
    form.SendAllZG();
    form.SpeedButtonTxClick();
    QCOMPARE(f.serial.frames.size(), 2u);
    const DecodedFrame font = decodeFrames(f.serial.frames[0]).at(0);
    QVERIFY(font.kind == DecodedFrame::Kind::Font && font.payload.size() == FontPayloadSize);
    sign::SignPlayer onSign;
    onSign.setSentSymbols(std::span<const std::uint8_t, FontPayloadSize>(font.payload));
    onSign.setText(decodeFrames(f.serial.frames[1]).at(0).payload);

    form.showPreview(true);
    sign::SignPreview& preview = *form.preview();
    preview.setPlaying(false);
    int changes = 0;
    for (int t = 0; t < 6000; ++t) {
        changes += onSign.tick();
        preview.advance(1);
        QCOMPARE(preview.player().columns(), onSign.columns());
        QCOMPARE(preview.player().inverted(), onSign.inverted());
    }
    QVERIFY(changes > 500);

    // Cleared in the font editor, nothing lights; an edit there shows at once, unsaved.
    f.font.ClearFont();
    preview.restartNow();
    QVERIFY(!lightsUp(preview, 3000));
    f.font.InvertSymbol(' ');
    QVERIFY(lightsUp(preview, 1500));

    // Typing restarts the text a moment after the last key.
    const auto before = preview.player().items();
    f.setText(QStringLiteral("/I1"));
    QCOMPARE(preview.player().items(), before);
    QTRY_COMPARE(preview.player().items().size(), 1u);
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
        QVERIFY(s.cursor.selectedText().startsWith(u'/'));
        wavy += s.format.underlineStyle() == QTextCharFormat::WaveUnderline;
    }
    QCOMPARE(wavy, 1);
    QCOMPARE(marks.toolTipAt(before.find("/\xD1")).left(15), QStringLiteral("/W1: пауза 1 с "));
    QCOMPARE(marks.toolTipAt(before.find("/S5") + 2), QStringLiteral("/S5: скорость 5"));
    QCOMPARE(marks.position(before.find("/S5")), form.RichEdit->toPlainText().indexOf("/S5"));
    QCOMPARE(form.messageBytes(), before);
    QVERIFY(!f.document()->isModified());

    // The texts that trip operators up: the preview runs the effects the editor marks, and the
    // upload is never held back by them.
    f.setText(QStringLiteral("/5 скидка 1/2 /S8 /X1 /W\n//S3 /\nS3 /С1"));
    QTRY_COMPARE(marks.surprises(), 8);
    form.showPreview(true);
    QStringList marked, run;
    for (const sign::CodeReading& code : marks.codes())
        marked << QString::fromStdString(code.code());
    for (const sign::SignItem& item : form.preview()->player().items())
        if (item.kind == sign::SignItem::Kind::Effect)
            run << QString::fromStdString(sign::effectCode(item));
    QCOMPARE(run, marked);
    QCOMPARE(marked, QString("/W5 /W2 /S7 /X1 /W1 /W1 /S3 /W1 /W1").split(u' '));
    form.SpeedButtonTxClick();
    QCOMPARE(f.serial.frames.size(), 1u);
    // Mending the codes clears the count.
    f.setText(QStringLiteral("/W2 /S7"));
    QTRY_COMPARE(marks.surprises(), 0);
    QVERIFY(!status->isVisible());

    // The effect buttons say what their code does after their hints.
    const QString tip = f.button("SpeedButtoSpeedUst1")->toolTip();
    QVERIFY(tip.contains(QStringLiteral("\n/S7: скорость 7; 0 медленнее всего, 7 быстрее всего")));
}

void PreviewTest::adjacentCodesAreColouredAndOnlyMisreadOnesUnderlined() {
    const QString slash = QStringLiteral("\nЗнак «/» табло не показывает никак: с него всегда "
                                         "начинается код. Дробь пишите словами: «1 к 2», «пол».");
    // What is written, the letter whose colour it takes, whether it is underlined, its tooltip.
    using Mark = std::tuple<QString, char, bool, QString>;
    // clang-format off
    const struct { QString text; std::vector<Mark> marks; } rows[] = {
        {"/W4/S5Сегодня /S5/W4/I1/N1/J1 .", {
            {"/W4", 'W', false, "/W4: пауза 4 с"}, {"/S5", 'S', false, "/S5: скорость 5"},
            {"/S5", 'S', false, "/S5: скорость 5"}, {"/W4", 'W', false, "/W4: пауза 4 с"},
            {"/I1", 'I', false, "/I1: инверсия включена"}, {"/N1", 'N', false, "/N1: инверсия выключена"},
            {"/J1", 'J', false, "/J1: разбежка в разные стороны"}}},
        {"/W9/Q9/S8/F7/U1 /X1/D2/W/S5 1/2 .", {
            {"/W9", 'W', false, "/W9: пауза 9 с"}, {"/Q9", 'Q', false, "/Q9: очистка, пауза 9 с"},
            {"/S8", 'S', true, "/S7: скорость 7 (у S цифры от 0 до 7)"},
            {"/F7", 'F', true, "/F1: заполнение полностью, пауза 1 с (у F цифры от 1 до 5)"},
            {"/U1", 'U', false, "/U1: сдвиг вверх, заполнение полностью"},
            {"/X1", 'X', true, "/X1: ничего не делает (такой буквы эффекта табло не знает)"},
            {"/D2", 'D', false, "/D2: сдвиг вниз, заполнение пустотой"},
            {"/W", 'W', true, "/W1: пауза 1 с (нет цифры, табло берёт 1)"},
            {"/S5", 'S', false, "/S5: скорость 5"},
            {"/2", 'W', true, "/W2: пауза 2 с (после «/» нет латинской буквы эффекта, табло берёт W)" + slash}}},
    };
    // clang-format on
    Fixture f;
    TMainForm& form = f.makeShown();
    CodeMarks& marks = *form.codeMarks();
    QTextEdit& editor = *form.RichEdit;
    const int ascent = editor.fontMetrics().ascent();
    const auto left = [&](int position) {
        QTextCursor cursor(editor.document());
        cursor.setPosition(position);
        return editor.cursorRect(cursor);
    };
    for (const auto& row : rows) {
        f.setText(row.text);
        marks.setText(form.messageBytes()); // at once, not after the pause
        QCOMPARE(marks.codes().size(), row.marks.size());
        const QImage shot = editor.viewport()->grab().toImage();
        const std::string bytes = form.messageBytes();
        int wavy = 0;
        for (std::size_t i = 0; i < row.marks.size(); ++i) {
            const auto& [written, letter, underlined, tip] = row.marks[i];
            const sign::CodeReading& code = marks.codes()[i];
            const int from = marks.position(code.at);
            const int to = marks.position(
                code.at +
                sign::writtenLength(
                    {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, code));
            QCOMPARE(row.text.mid(from, to - from), written);
            QCOMPARE(marks.toolTipAt(code.at), tip);
            // The glyphs above the base line; the underline below it, clear of a neighbour's
            // wave, which may reach a dot into the next code.
            const QRect start = left(from);
            const QRect glyphs(start.left() + 1, start.top(), left(to).left() - start.left() - 1,
                               ascent);
            const QColor ink = inkiest(shot, glyphs);
            QVERIFY2(near(ink, CodeMarks::colour(letter)),
                     qPrintable(written + " in " + row.text + ": " + ink.name()));
            bool red = false; // the thin wave is antialiased to a light red
            for (int y = start.top() + ascent; y <= start.bottom(); ++y)
                for (int x = glyphs.left() + 2; x < glyphs.right() - 2; ++x) {
                    const QColor c = shot.pixelColor(x, y);
                    red = red || std::min(c.red() - c.green(), c.red() - c.blue()) > 120;
                }
            QVERIFY2(red == underlined, qPrintable(written + " in " + row.text));
            wavy += underlined;
            // Framed while the preview runs it, it keeps its colour.
            marks.setRunningAt(int(code.at));
            QVERIFY(near(inkiest(editor.viewport()->grab().toImage(), glyphs),
                         CodeMarks::colour(letter)));
            marks.setRunningAt(-1);
        }
        QCOMPARE(marks.surprises(), wavy);
    }
}

void PreviewTest::oneReadingOfTheTextFeedsMarksAndPreview() {
    Fixture f;
    TMainForm& form = f.makeShown();
    form.showPreview(true);
    sign::SignPreview& preview = *form.preview();
    CodeMarks& marks = *form.codeMarks();
    QTRY_VERIFY(!marks.codes().empty()); // the demo text's reading
    QSignalSpy told(&form.document(), &MessageDocument::bytesChanged);
    f.moveCaret(f.document()->characterCount() - 1);

    // A burst of keys is read once, after the pause, and both take that one reading; a file
    // loaded is read at once.
    QTest::keyClicks(form.RichEdit, QStringLiteral(" /S3 /X1"));
    QCOMPARE(told.size(), 0);
    QTRY_COMPARE(told.size(), 1);
    QTest::qWait(2 * MessageDocument::BytesDelayMs);
    QCOMPARE(told.size(), 1);
    const std::string bytes = told.first().first().value<std::string>();
    QCOMPARE(bytes, form.messageBytes());
    QCOMPARE(marks.toolTipAt(bytes.size() - 3).left(4), QStringLiteral("/X1:"));
    QTRY_VERIFY(!preview.player().items().empty() &&
                sign::effectCode(preview.player().items().back()) == "/X1");

    f.sandbox.write(QStringLiteral("next.txt"), "/W2");
    f.dialogs.answers.push_back(false); // the typed text is not saved
    f.dialogs.fileNames.push_back(f.sandbox.path(QStringLiteral("next.txt")));
    form.SpeedButtonOpenClick();
    QCOMPARE(told.size(), 2);
    QCOMPARE(told.last().first().value<std::string>(), std::string("/W2"));
    QCOMPARE(marks.codes().size(), 1u);
}

void PreviewTest::blankSymbolsAreCountedForTextAndFontAndTheUploadGoes() {
    Fixture f;
    TMainForm& form = f.makeShown();
    const auto* count = form.findChild<QLabel*>(QStringLiteral("StatusBlankSymbols"));
    QVERIFY(count);
    const QSize designed = form.size();
    form.resize(1000, designed.height()); // room for the count's whole text
    // An empty font: every character but the blanks and the code is blank.
    f.setText(QStringLiteral("ЖЖ /S5Щ\n"));
    QTRY_COMPARE(count->text(), QStringLiteral("пустых символов: 3"));
    QVERIFY(count->isVisible());
    QVERIFY(count->toolTip().contains(QStringLiteral("«Ж» (198), «Щ» (217)")));
    QVERIFY(!count->toolTip().contains(QStringLiteral("«S»")));
    // The font follows at once, whoever changes it.
    f.font.SetDot(198, 0, 0);
    QCOMPARE(count->text(), QStringLiteral("пустых символов: 1"));
    QVERIFY(!count->toolTip().contains(QStringLiteral("«Ж»")));
    f.font.InvertSymbol(217);
    QVERIFY(count->isHidden());
    f.font.ClearFont();
    QCOMPARE(count->text(), QStringLiteral("пустых символов: 3"));
    f.setText(QStringLiteral("  "));
    QTRY_VERIFY(count->isHidden());

    // Inside the message panel, beside the codes' count, and shorter in a window of the
    // designed width, so that messages keep some room: the other panels keep theirs.
    f.setText(QStringLiteral("Ж /x")); // "/x" is a wait: a code the sign reads otherwise
    QTRY_COMPARE(count->text(), QStringLiteral("пустых символов: 2"));
    form.resize(designed);
    // The tiny form where the face is wide (Wine's stand-in for the classic one).
    QTRY_VERIFY(count->text() == QStringLiteral("пустых: 2") ||
                count->text() == QStringLiteral("∅ 2"));
    QVERIFY(form.StatusSurprises->isVisible());
    QVERIFY(count->accessibleName().startsWith(QStringLiteral("пустых символов: 2. ")));
    const QRect text = form.m_panels[2]->contentsRect();
    QVERIFY(text.width() > 0);
    QVERIFY(!text.intersects(QRect(count->mapTo(form.m_panels[2], QPoint()), count->size())));
    QCOMPARE(form.m_panels[0]->width(), 200);
    QCOMPARE(form.m_panels[1]->width(), 200);
    const QRect panel(QPoint(), form.m_panels[2]->size());
    QVERIFY(panel.contains(QRect(count->mapTo(form.m_panels[2], QPoint()), count->size())));
    QVERIFY(!QRect(form.StatusSurprises->pos(), form.StatusSurprises->size())
                 .intersects(QRect(count->pos(), count->size())));

    // Told, never in the way: the text goes to the sign with its blank symbols.
    form.SpeedButtonTxClick();
    QCOMPARE(f.serial.frames.size(), 1u);
}

QTEST_MAIN(PreviewTest)
#include "PreviewTest.moc"
