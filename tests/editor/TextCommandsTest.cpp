#include "EditorFixture.h"

#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>
#include <QTextLayout>
#include <QTimer>

namespace {

QString clipboard() {
    return QGuiApplication::clipboard()->text();
}

void typeKey(QWidget* widget, Qt::Key key, const QString& text,
             Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QCoreApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QCoreApplication::sendEvent(widget, &release);
}

// The format of the character at `position`.
QTextCharFormat formatAt(QTextDocument* document, int position) {
    QTextCursor cursor(document);
    cursor.setPosition(position + 1);
    return cursor.charFormat();
}

// Whether every character has the standard format: "MS Sans Serif" 10 pt, black, no style.
bool standardEverywhere(QTextDocument* document, QString* why) {
    const int length = document->characterCount() - 1;
    for (int i = 0; i < length; ++i) {
        const QTextCharFormat f = formatAt(document, i);
        if (f.font().family() != QStringLiteral("MS Sans Serif") || f.fontPointSize() != 10 ||
            f.fontWeight() != QFont::Normal || f.fontItalic() || f.fontUnderline() ||
            f.fontStrikeOut() || f.foreground().color() != QColor(Qt::black)) {
            *why = QStringLiteral("position %1: %2 %3pt weight %4")
                       .arg(i)
                       .arg(f.font().family())
                       .arg(f.fontPointSize())
                       .arg(f.fontWeight());
            return false;
        }
    }
    return true;
}

QPoint pointOf(QTextEdit* edit, int position) {
    QTextCursor cursor(edit->document());
    cursor.setPosition(position);
    return edit->cursorRect(cursor).center() + QPoint(1, 0);
}

QString readout(int line, int column) {
    // The "c" of "cимвол" is Latin.
    return QStringLiteral("строка %1  c").arg(line) + QStringLiteral("имвол %1").arg(column);
}

} // namespace

class TextCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void effectButtonsInsertTheirCodesAtTheCaret_data();
    void effectButtonsInsertTheirCodesAtTheCaret();
    void anEffectButtonReplacesTheSelection();
    void anInsertedCodeTakesTheFormatWhereItGoes();
    void standardFormatOnShortAndLongTexts();
    void standardFormatLeavesTheModifiedFlag();
    void pasteLeavesTheCaretAtTheEndInTheStandardFormat();
    void onlyCodePageCharactersGetIn();
    void aDropBringsPlainTextOnly();
    void shiftEnterStartsAParagraph();
    void clipboardCommandsThroughTheMenuAndButtons();
    void copyKeepsNoBreakSpacesAndLines();
    void fontChoiceAppliesToTheSelectionAndIsRemembered();
    void fontChoiceWithoutSelectionAppliesToWhatIsTypedNext();
    void addBlanksAppendsWhereverTheCaretIs();
    void caretReadoutOnTheFirstCharacter();
    void caretReadoutCountsDisplayedLines();
};

void TextCommandsTest::effectButtonsInsertTheirCodesAtTheCaret_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("code");
    const std::pair<const char*, const char*> buttons[] = {
        {"SpeedButtonUst0", "/S0"},  {"SpeedButtonUst1", "/S1"},     {"SpeedButtonUst2", "/S3"},
        {"SpeedButtonUst5", "/S5"},  {"SpeedButtoSpeedUst1", "/S7"}, {"SpeedButtonWait1", "/W1"},
        {"SpeedButtonWait3", "/W4"}, {"SpeedButtonWait5", "/W7"},    {"SpeedButtonCl", "/Q1"},
        {"SpeedButtonFill", "/F1"},  {"SpeedButtonUp", "/U1"},       {"SpeedButtonDown", "/D1"},
        {"SpeedButtonRazb", "/J1"},  {"SpeedButtonInv", "/I1"},      {"SpeedButton1", "/N1"},
    };
    for (const auto& [button, code] : buttons)
        QTest::newRow(button) << QString::fromLatin1(button) << QString::fromLatin1(code);
}

void TextCommandsTest::effectButtonsInsertTheirCodesAtTheCaret() {
    QFETCH(QString, button);
    QFETCH(QString, code);
    EditorFixture f;
    f.setText("abcdef");
    f.document()->setModified(false);
    f.moveCaret(3);
    QGuiApplication::clipboard()->setText(QStringLiteral("copied earlier"));
    f.button(qPrintable(button))->click();
    QCOMPARE(f.text(), "abc" + code + "def");
    QCOMPARE(f.caret(), 6);
    QCOMPARE(clipboard(), code);
    QCOMPARE(f.form->EditInsert->text(), code);
    QVERIFY(f.document()->isModified());
    // The button took no focus from wherever it was.
    QCOMPARE(f.button(qPrintable(button))->focusPolicy(), Qt::NoFocus);
}

void TextCommandsTest::anEffectButtonReplacesTheSelection() {
    EditorFixture f;
    f.setText("hello world");
    f.moveCaret(9, 6); // "wor" selected
    f.button("SpeedButtonWait3")->click();
    QCOMPARE(f.text(), QStringLiteral("hello /W4ld"));
    QCOMPARE(f.caret(), 9);
    QVERIFY(!f.edit()->textCursor().hasSelection());
    QCOMPARE(clipboard(), QStringLiteral("/W4"));
}

void TextCommandsTest::anInsertedCodeTakesTheFormatWhereItGoes() {
    EditorFixture f;
    f.setText("abcdef");
    f.edit()->selectAll();
    QTextCharFormat large;
    large.setFontFamilies({QStringLiteral("DejaVu Serif")});
    large.setFontPointSize(20);
    f.edit()->mergeCurrentCharFormat(large);
    f.moveCaret(3);
    f.form->SpeedButtonFillClick();
    QCOMPARE(f.text(), QStringLiteral("abc/F1def"));
    // No standard format was given: the code looks like its neighbours.
    for (int i = 3; i < 6; ++i) {
        QCOMPARE(formatAt(f.document(), i).font().family(), QStringLiteral("DejaVu Serif"));
        QCOMPARE(formatAt(f.document(), i).fontPointSize(), 20.0);
    }
}

void TextCommandsTest::standardFormatOnShortAndLongTexts() {
    EditorFixture f;
    QString why;

    f.setText("");
    f.form->SpeedButtonToRusClick();
    QCOMPARE(f.text(), QString());
    QVERIFY(!f.edit()->textCursor().hasSelection());
    QCOMPARE(f.edit()->currentCharFormat().fontPointSize(), 10.0); // what is typed next

    f.setText("x");
    f.moveCaret(1);
    f.form->itemFontDefault->trigger();
    QCOMPARE(f.edit()->textCursor().selectionStart(), 0);
    QCOMPARE(f.edit()->textCursor().selectionEnd(), 1);
    QVERIFY2(standardEverywhere(f.document(), &why), qPrintable(why));

    f.setText("longer text\nover two lines");
    f.moveCaret(2);
    f.form->UstRus();
    QVERIFY(!f.edit()->textCursor().hasSelection());
    QCOMPARE(f.caret(), 26);
    QVERIFY2(standardEverywhere(f.document(), &why), qPrintable(why));

    // A lone line break is two characters long: the caret goes to the end.
    f.setText("\n");
    f.moveCaret(0);
    f.form->UstRus();
    QVERIFY(!f.edit()->textCursor().hasSelection());
    QCOMPARE(f.caret(), 1);
}

void TextCommandsTest::standardFormatLeavesTheModifiedFlag() {
    EditorFixture f;
    f.document()->setModified(false);
    f.form->UstRus();
    QVERIFY(!f.document()->isModified());
    f.setText("changed");
    f.form->UstRus();
    QVERIFY(f.document()->isModified());
}

void TextCommandsTest::pasteLeavesTheCaretAtTheEndInTheStandardFormat() {
    EditorFixture f;
    f.setText("abcdef");
    f.moveCaret(2);
    QGuiApplication::clipboard()->setText(QStringLiteral("XYZ"));
    f.form->itemPaste->trigger();
    QCOMPARE(f.text(), QStringLiteral("abXYZcdef"));
    QCOMPARE(f.caret(), 9);
    QString why;
    QVERIFY2(standardEverywhere(f.document(), &why), qPrintable(why));

    // Over a selection.
    f.moveCaret(4, 1);
    f.form->SpeedButtonPasteClick();
    QCOMPARE(f.text(), QStringLiteral("aXYZZcdef"));
    QCOMPARE(f.caret(), 9);
}

void TextCommandsTest::onlyCodePageCharactersGetIn() {
    EditorFixture f;
    f.setText("");
    // Pasted: a check mark and an emoji (two UTF-16 units) become one "?" each; CR LF one break.
    QGuiApplication::clipboard()->setText(QString::fromUtf16(u"a\u2713b\r\nc\U0001F600 \u20AC"));
    f.form->SpeedButtonPasteClick();
    QCOMPARE(f.text(), QString::fromUtf16(u"a?b\nc? \u20AC"));
    QCOMPARE(f.document()->blockCount(), 2);
    QCOMPARE(f.status(), QStringLiteral("Заменено на \"?\" символов: 2"));

    // Typed.
    typeKey(f.edit(), Qt::Key_unknown, QString::fromUtf16(u"\u0100"));
    QCOMPARE(f.text().right(1), QStringLiteral("?"));
    QCOMPARE(f.status(), QStringLiteral("Заменено на \"?\" символов: 1"));
    typeKey(f.edit(), Qt::Key_unknown, QStringLiteral("ж"));
    QCOMPARE(f.text().right(2), QStringLiteral("?ж"));

    // Through an input method.
    QInputMethodEvent commit;
    commit.setCommitString(QString::fromUtf16(u"\u65E5\u672C\u0451"));
    QCoreApplication::sendEvent(f.edit(), &commit);
    QCOMPARE(f.text().right(3), QStringLiteral("??ё"));
    QCOMPARE(f.status(), QStringLiteral("Заменено на \"?\" символов: 2"));
    QCOMPARE(f.form->messageBytes().back(), '\xB8');
}

void TextCommandsTest::aDropBringsPlainTextOnly() {
    EditorFixture f;
    f.form->show();
    f.setText("start end");
    f.document()->setModified(false);
    auto* mime = new QMimeData;
    mime->setHtml(QStringLiteral("<i>slanted</i>"));
    mime->setText(QString::fromUtf16(u"plain\u2713 "));
    QDragEnterEvent enter(pointOf(f.edit(), 6), Qt::CopyAction, mime, Qt::LeftButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(f.edit()->viewport(), &enter);
    QDropEvent drop(pointOf(f.edit(), 6), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(f.edit()->viewport(), &drop);
    QCOMPARE(f.text(), QStringLiteral("start plain? end"));
    QVERIFY(!formatAt(f.document(), 6).fontItalic());
    QVERIFY(f.document()->isModified());
    QCOMPARE(f.status(), QStringLiteral("Заменено на \"?\" символов: 1"));
    delete mime;
}

void TextCommandsTest::shiftEnterStartsAParagraph() {
    EditorFixture f;
    f.setText("ab");
    f.moveCaret(1);
    typeKey(f.edit(), Qt::Key_Return, QStringLiteral("\r"), Qt::ShiftModifier);
    QCOMPARE(f.document()->blockCount(), 2);
    QVERIFY(!f.document()->toRawText().contains(QChar::LineSeparator));
    QCOMPARE(f.form->messageBytes(), std::string("a\r\nb"));
    QCOMPARE(f.form->messageLength(), 4);
}

void TextCommandsTest::clipboardCommandsThroughTheMenuAndButtons() {
    EditorFixture f;
    f.setText("abcdef");
    f.moveCaret(4, 1);
    f.form->TimerLengTXTTimer();
    f.form->itemCopy->trigger();
    QCOMPARE(clipboard(), QStringLiteral("bcd"));
    QCOMPARE(f.text(), QStringLiteral("abcdef"));

    // The "Правка" menu's Cut and Delete run their commands like the buttons.
    f.form->itemCut->trigger();
    QCOMPARE(f.text(), QStringLiteral("aef"));
    QCOMPARE(clipboard(), QStringLiteral("bcd"));

    f.moveCaret(1, 0);
    f.form->TimerLengTXTTimer();
    f.form->itemDel->trigger();
    QCOMPARE(f.text(), QStringLiteral("ef"));
    QCOMPARE(clipboard(), QStringLiteral("bcd"));

    f.moveCaret(1);
    f.button("SpeedButtonSelectAll")->click();
    QCOMPARE(f.edit()->textCursor().selectedText(), QStringLiteral("ef"));
    f.form->TimerLengTXTTimer();
    f.button("SpeedButtonCut")->click();
    QCOMPARE(f.text(), QString());
    QCOMPARE(clipboard(), QStringLiteral("ef"));
}

void TextCommandsTest::copyKeepsNoBreakSpacesAndLines() {
    EditorFixture f;
    f.setText(QString::fromUtf16(u"a\u00A0b\nc"));
    f.form->SpeedButtonSelectAllClick();
    f.form->SpeedButtonCopyClick();
    QCOMPARE(clipboard(), QString::fromUtf16(u"a\u00A0b\nc"));
    f.moveCaret(f.document()->characterCount() - 1);
    f.form->SpeedButtonPasteClick();
    QCOMPARE(f.form->messageBytes(), std::string("a\xA0"
                                                 "b\r\nca\xA0"
                                                 "b\r\nc"));
}

void TextCommandsTest::fontChoiceAppliesToTheSelectionAndIsRemembered() {
    EditorFixture f;
    f.setText("plain CHOSEN plain");
    f.form->UstRus();
    f.document()->setModified(false);
    f.moveCaret(12, 6);
    QFont chosen(QStringLiteral("DejaVu Serif"), 14, QFont::Bold, true);
    chosen.setUnderline(true);
    f.dialogs.fonts.push_back(chosen);
    f.form->itemFontChange->trigger();

    QCOMPARE(f.dialogs.fontRequests.size(), std::size_t(1));
    const QFont first = f.dialogs.fontRequests[0];
    QCOMPARE(first.family(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(first.pointSize(), 8);
    QVERIFY(!first.bold() && !first.italic() && !first.underline() && !first.strikeOut());

    for (int i = 6; i < 12; ++i) {
        const QTextCharFormat format = formatAt(f.document(), i);
        QCOMPARE(format.font().family(), QStringLiteral("DejaVu Serif"));
        QCOMPARE(format.fontPointSize(), 14.0);
        QCOMPARE(format.fontWeight(), int(QFont::Bold));
        QVERIFY(format.fontItalic() && format.fontUnderline());
        QCOMPARE(format.foreground().color(), f.form->palette().color(QPalette::WindowText));
    }
    QCOMPARE(formatAt(f.document(), 5).fontPointSize(), 10.0);
    QCOMPARE(formatAt(f.document(), 12).fontPointSize(), 10.0);
    QVERIFY(!f.document()->isModified());

    // The next dialog starts with the confirmed font; a cancel changes nothing.
    f.moveCaret(5, 0);
    f.dialogs.fonts.push_back(std::nullopt);
    f.form->itemFontChangeClick();
    QCOMPARE(f.dialogs.fontRequests[1].family(), QStringLiteral("DejaVu Serif"));
    QVERIFY(f.dialogs.fontRequests[1].bold());
    QCOMPARE(formatAt(f.document(), 0).fontPointSize(), 10.0);
    QCOMPARE(f.text(), QStringLiteral("plain CHOSEN plain"));
}

void TextCommandsTest::fontChoiceWithoutSelectionAppliesToWhatIsTypedNext() {
    EditorFixture f;
    f.setText("ab");
    f.form->UstRus();
    f.moveCaret(1);
    f.dialogs.fonts.push_back(QFont(QStringLiteral("DejaVu Sans Mono"), 16));
    f.form->itemFontChangeClick();
    QCOMPARE(formatAt(f.document(), 0).fontPointSize(), 10.0);
    typeKey(f.edit(), Qt::Key_Z, QStringLiteral("z"));
    QCOMPARE(f.text(), QStringLiteral("azb"));
    QCOMPARE(formatAt(f.document(), 1).font().family(), QStringLiteral("DejaVu Sans Mono"));
    QCOMPARE(formatAt(f.document(), 1).fontPointSize(), 16.0);
}

void TextCommandsTest::addBlanksAppendsWhereverTheCaretIs() {
    EditorFixture f;
    f.setText("abc\nde");
    f.moveCaret(0);
    const int before = f.form->messageLength();
    f.form->itemAddspace->trigger();
    QCOMPARE(f.text(), QStringLiteral("abc\nde          "));
    QCOMPARE(f.form->messageLength(), before + 10);
    QCOMPARE(f.caret(), 16);

    f.setText("");
    f.form->itemAddspaceClick();
    QCOMPARE(f.text(), QString(10, QLatin1Char(' ')));
    QCOMPARE(f.caret(), 10);
}

void TextCommandsTest::caretReadoutOnTheFirstCharacter() {
    EditorFixture f;
    f.form->show();
    f.setText("Hello\nsecond line");
    QVERIFY(!f.form->TimerStatus->isActive());
    QTest::mouseClick(f.edit()->viewport(), Qt::LeftButton, {}, pointOf(f.edit(), 0));
    QCOMPARE(f.caret(), 0);
    QCOMPARE(f.status(), readout(1, 1));
    // The readout does not arm the timer that blanks the panel.
    QVERIFY(!f.form->TimerStatus->isActive());

    QTest::mouseClick(f.edit()->viewport(), Qt::LeftButton, {}, pointOf(f.edit(), 9));
    QCOMPARE(f.status(), readout(2, 4));

    // Any button, any shift keys: a right press reads out where the caret is.
    f.moveCaret(2);
    QTest::mouseClick(f.edit()->viewport(), Qt::RightButton, Qt::ShiftModifier,
                      pointOf(f.edit(), 9));
    QCOMPARE(f.status(), readout(1, 3));
    // The second press of a double click too.
    f.form->m_panels[2]->setText(QString());
    QTest::mouseDClick(f.edit()->viewport(), Qt::LeftButton, {}, pointOf(f.edit(), 1));
    QVERIFY(f.status().startsWith(QStringLiteral("строка 1  c")));

    // Moving the caret with the keyboard does not update it.
    const QString shown = f.status();
    typeKey(f.edit(), Qt::Key_Down, QString());
    QCOMPARE(f.status(), shown);
}

void TextCommandsTest::caretReadoutCountsDisplayedLines() {
    EditorFixture f;
    f.form->show();
    QString paragraph;
    for (int i = 0; i < 40; ++i)
        paragraph += QStringLiteral("word%1 ").arg(i);
    f.setText(paragraph + "\nnext");
    f.form->UstRus();
    f.document()->documentLayout()->documentSize(); // lay everything out
    const QTextLayout* layout = f.document()->begin().layout();
    const int lines = layout->lineCount();
    QVERIFY2(lines >= 3, "the paragraph must wrap");
    const int second = layout->lineAt(1).textStart();
    const int third = layout->lineAt(2).textStart();

    f.moveCaret(second);
    f.form->RichEditMouseDown();
    QCOMPARE(f.status(), readout(2, 1));
    f.moveCaret(third + 3);
    f.form->RichEditMouseDown();
    QCOMPARE(f.status(), readout(3, 4));
    f.moveCaret(static_cast<int>(paragraph.size()) + 1 +
                2); // "ne|xt" in the paragraph after the wrapped one
    f.form->RichEditMouseDown();
    QCOMPARE(f.status(), readout(lines + 1, 3));

    // A click lands on the same reading.
    QTest::mouseClick(f.edit()->viewport(), Qt::LeftButton, {}, pointOf(f.edit(), second + 2));
    QCOMPARE(f.caret(), second + 2);
    QCOMPARE(f.status(), readout(2, 3));

    // With a selection the line is the one of its end; the column counts from the start of
    // the line holding the caret.
    f.moveCaret(second + 2, 1);
    f.form->RichEditMouseDown();
    QCOMPARE(f.status(), readout(2, 3));
    f.moveCaret(1, second + 2);
    f.form->RichEditMouseDown();
    QCOMPARE(f.status(), readout(2, second + 3));
}

QTEST_MAIN(TextCommandsTest)
#include "TextCommandsTest.moc"
