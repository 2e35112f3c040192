#include "EditorFixture.h"

#include <QKeyEvent>
#include <QTest>

namespace {

// The texts are spelled out here on purpose: " Cек" starts with a Latin C, the rest Cyrillic.
const QString Seconds = QStringLiteral(" C") + QStringLiteral("ек");

QString within(int length) {
    return QStringLiteral(" Длинна текста %1 Символов ").arg(length);
}
QString over(int by) {
    return QStringLiteral("Буфер переполнен на %1 Символов ").arg(by);
}
QString seconds(int s) {
    return QStringLiteral("Время передачи %1").arg(s) + Seconds;
}
QString minutes(int m) {
    return QStringLiteral("Время передачи %1 Мин ").arg(m);
}

} // namespace

class LengthTest : public QObject {
    Q_OBJECT

private slots:
    void panelsBeforeTheFirstTick();
    void panelsAndUploadButtonAtTheBoundaries_data();
    void panelsAndUploadButtonAtTheBoundaries();
    void lengthOfAMultiLineTextCountsEveryBreakTwice();
    void cutCopyAndDeleteFollowTheSelection();
    void switchingTheMaximumTakesEffectAtTheNextTick();
};

void LengthTest::panelsBeforeTheFirstTick() {
    EditorFixture f;
    QCOMPARE(f.form->panelText(0), QStringLiteral("Длинна текста 0000 символов"));
    QCOMPARE(f.form->panelText(1), QStringLiteral("Время передачи 00 сек"));
    QVERIFY(f.form->SpeedButtonTx->isEnabled());
    QCOMPARE(Seconds.at(1).unicode(), u'C');
}

void LengthTest::panelsAndUploadButtonAtTheBoundaries_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("longLimit");
    QTest::addColumn<QString>("panel0");
    QTest::addColumn<QString>("panel1");
    QTest::addColumn<bool>("uploadEnabled");
    const auto a = [](int n) { return QString(n, QLatin1Char('a')); };

    QTest::newRow("empty") << QString() << false << within(0) << seconds(2) << true;
    QTest::newRow("119") << a(119) << false << within(119) << seconds(2) << true;
    QTest::newRow("120") << a(120) << false << within(120) << seconds(3) << true;
    QTest::newRow("5999") << a(5999) << false << within(5999) << seconds(51) << true;
    QTest::newRow("6000") << a(6000) << false << over(0) << seconds(52) << false;
    QTest::newRow("6000 long") << a(6000) << true << within(6000) << seconds(52) << true;
    QTest::newRow("7439") << a(7439) << false << over(1439) << seconds(63) << false;
    QTest::newRow("7440") << a(7440) << false << over(1440) << minutes(1) << false;
    QTest::newRow("14399") << a(14399) << false << over(8399) << minutes(1) << false;
    QTest::newRow("14400") << a(14400) << false << over(8400) << minutes(2) << false;
    QTest::newRow("60001 long") << a(60001) << true << within(60001) << minutes(8) << true;
    QTest::newRow("60002 long") << a(60002) << true << over(0) << minutes(8) << false;
    QTest::newRow("two breaks") << QStringLiteral("\n\n") << false << within(4) << seconds(2)
                                << true;
    // 5998 letters and one break: 6000 as the sign counts, over the short maximum.
    QTest::newRow("break reaches 6000")
        << a(2999) + "\n" + a(2999) << false << over(0) << seconds(52) << false;
}

void LengthTest::panelsAndUploadButtonAtTheBoundaries() {
    QFETCH(QString, text);
    QFETCH(bool, longLimit);
    QFETCH(QString, panel0);
    QFETCH(QString, panel1);
    QFETCH(bool, uploadEnabled);
    EditorFixture f;
    if (longLimit)
        f.form->itemLeng59000Click();
    f.setText(text);
    f.form->TimerLengTXTTimer();
    QCOMPARE(f.form->panelText(0), panel0);
    QCOMPARE(f.form->panelText(1), panel1);
    QCOMPARE(f.form->SpeedButtonTx->isEnabled(), uploadEnabled);
    QCOMPARE(f.button("SpeedButtonTx")->isEnabled(), uploadEnabled);
    // The menu's upload item stays enabled at any length.
    QVERIFY(f.form->ItemTX->isEnabled());
    // The monitor never changes the text.
    QCOMPARE(f.text(), text);
}

void LengthTest::lengthOfAMultiLineTextCountsEveryBreakTwice() {
    EditorFixture f;
    f.setText("ab\ncd\n\nefghij");
    QCOMPARE(f.form->messageLength(), 16);
    QCOMPARE(static_cast<int>(f.form->messageBytes().size()), 16);
    // Typed breaks count the same as loaded ones.
    f.moveCaret(2);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QCoreApplication::sendEvent(f.edit(), &enter);
    QCOMPARE(f.form->messageLength(), 18);
    f.form->TimerLengTXTTimer();
    QCOMPARE(f.form->panelText(0), within(18));
}

void LengthTest::cutCopyAndDeleteFollowTheSelection() {
    EditorFixture f;
    f.setText("select me");
    const char* controls[] = {"itemCut",        "itemCopy",        "itemDel",
                              "SpeedButtonCut", "SpeedButtonCopy", "SpeedButtonDel"};
    const auto enabled = [&](const char* name) {
        QAction* action = f.action(name);
        return action ? action->isEnabled() : f.button(name)->isEnabled();
    };
    f.moveCaret(6, 0);
    f.form->TimerLengTXTTimer();
    for (const char* name : controls)
        QVERIFY2(enabled(name), name);
    f.moveCaret(3);
    f.form->TimerLengTXTTimer();
    for (const char* name : controls)
        QVERIFY2(!enabled(name), name);
    // Paste and Select all do not follow.
    QVERIFY(f.form->itemPaste->isEnabled());
    QVERIFY(f.form->itemSelectalll->isEnabled());
}

void LengthTest::switchingTheMaximumTakesEffectAtTheNextTick() {
    EditorFixture f;
    f.setText(QString(6500, QLatin1Char('x')));
    f.form->TimerLengTXTTimer();
    QVERIFY(!f.form->SpeedButtonTx->isEnabled());

    f.form->itemLeng59000->trigger();
    QVERIFY(f.form->itemLeng59000->isChecked());
    QVERIFY(!f.form->ItemLeng6140->isChecked());
    QCOMPARE(f.form->panelText(0), over(500)); // not before the tick
    f.form->TimerLengTXTTimer();
    QCOMPARE(f.form->panelText(0), within(6500));
    QVERIFY(f.form->SpeedButtonTx->isEnabled());
    // The click itself writes no settings.
    QVERIFY(!f.sandbox.exists("config/Kesmar.ini"));

    // Choosing the checked item keeps it checked.
    f.form->itemLeng59000->trigger();
    QVERIFY(f.form->itemLeng59000->isChecked());
    f.form->ItemLeng6140->trigger();
    QVERIFY(f.form->ItemLeng6140->isChecked());
    QVERIFY(!f.form->itemLeng59000->isChecked());
    f.form->TimerLengTXTTimer();
    QCOMPARE(f.form->panelText(0), over(500));
}

QTEST_MAIN(LengthTest)
#include "LengthTest.moc"
