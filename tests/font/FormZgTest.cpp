#include "font/FormZg.h"

#include "base/IniFile.h"
#include "base/QtAdapt.h"
#include "font/FontOverview.h"
#include "font/FontTable.h"
#include "frames/FontUploader.h"
#include "sign/LedMatrix.h"
#include "sign/SignPlayer.h"

#include "Sandbox.h"
#include "ScriptedDialogs.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>

#include <sys/stat.h>

namespace {

// Stands for the main window: records every upload with the font bytes it would send.
class FakeUploader : public FontUploader {
public:
    explicit FakeUploader(const FontTables& font) : m_font(font) {}
    std::vector<QByteArray> sent;

    void SendAllZG() override {
        sent.push_back(
            QByteArray(reinterpret_cast<const char*>(m_font.FontTable.data()) + 256, 2048 - 256));
    }

private:
    const FontTables& m_font;
};

QByteArray pattern(int seed) {
    QByteArray bytes(2048, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((i * 29 + seed) & 0xFF);
    return bytes;
}

QByteArray tableOf(const FontTables& font) {
    return QByteArray(reinterpret_cast<const char*>(font.FontTable.data()), 2048);
}

QByteArray symbolOf(const FontTables& font, int n) {
    return tableOf(font).mid(8 * n, 8);
}

const QString Prefix = QStringLiteral("Редактор шрифта: ");

struct Fixture {
    Sandbox sandbox;
    ScriptedDialogs dialogs;
    FontTables font;
    FakeUploader uploader{font};
    std::unique_ptr<TFormZg> form;

    TFormZg& make() {
        form = std::make_unique<TFormZg>(font, dialogs, uploader);
        return *form;
    }
    TFormZg& shown() {
        TFormZg& f = form ? *form : make();
        f.show();
        if (!QTest::qWaitForWindowExposed(&f))
            qFatal("window not exposed");
        return f;
    }
    void remember(const QString& fontFile) {
        IniFile(qtadapt::toStd(sandbox.settingsPath()))
            .WriteString("ZgLastFile", "Mesto", qtadapt::toCp1251(fontFile));
    }
    QString remembered() const {
        return qtadapt::fromCp1251(IniFile(qtadapt::toStd(sandbox.settingsPath()))
                                       .ReadString("ZgLastFile", "Mesto", "<none>"));
    }
    // Closes the window the way the close box does; true when it closed.
    bool closeBox() {
        form->close();
        return !form->isVisible();
    }
    void select(int symbol) { form->ScrollBarSimb->setValue(symbol); }
};

// Typed as a keyboard types it: QTest::keyClicks passes Latin-1 characters only.
void type(QWidget* widget, const QString& text) {
    for (const QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key(ch.toUpper().unicode()), QString(ch),
                            Qt::NoModifier);
}

void makeReadOnly(const QString& path) {
    ::chmod(QFile::encodeName(path).constData(), 0444);
}

} // namespace

class FormZgTest : public QObject {
    Q_OBJECT

private slots:
    void controlsTextsAndPlaces();
    void firstRunWithoutSettingsOrGuardFont();
    void startLoadsTheRememberedFont();
    void startWithAShortRememberedFontReportsAndKeepsTheBuildCaption();
    void aReadOnlyRememberedFontLoadsButCannotBeClosedOverUntilSavedElsewhere();
    void paintSymbolIsPixelExact();
    void scrollBarSelectsTheSymbolAndSetsTheLabels();
    void scrollBarKeyboard();
    void mousePressesMapToCells_data();
    void mousePressesMapToCells();
    void dragKeepsDrawingOutsideTheGridAndStopsAtAnyRelease();
    void rightDragClearsOnlyLitDots();
    void otherButtonsAndSecondPresses();
    void newAndUndo();
    void clearSymbolInvertAndUndo();
    void copyPasteAndUndo();
    void undoTakesBackDrawingSinceTheLastCommand();
    void openCancelledChangesNothing();
    void openLoadsAndRenamesAndUndoGivesTheOldNameBack();
    void failedOpens();
    void aLongFontOpensAndThePreviousFontStaysWhole();
    void closeAsksBeforeWritingOverAFileOfAnotherSize();
    void anEmptyFontIsSentOnlyAfterAYes();
    void everyCommandHasItsKey();
    void saveUnderANewName();
    void aNameWithALineBreakIsRefused();
    void failedCloseAsksWhetherToCloseUnsaved();
    void everyClosePathSaves();
    void closeIsRefusedWhileUploading();
    void uploadTakesTheTableAsItIs();
    void reopeningShowsTheSameState();
    void overviewClicksKeysAndTypedCharactersChooseTheSymbol();
    void everyTransformHasItsKeyAndIsUndone();
    void theSampleLineFollowsTheTextAndEveryDrawnDot();
};

void FormZgTest::controlsTextsAndPlaces() {
    Fixture f;
    TFormZg& form = f.make();
    struct Button {
        const char* name;
        QRect place;
        QString hint;
        bool enabled;
    };
    const Button buttons[] = {
        {"SpeedButtonNew", {0, 0, 23, 22}, QStringLiteral("Cоздать новый знакогенератор"), true},
        {"SpeedButtonOpen", {24, 0, 23, 22}, QStringLiteral("открыть знакогенератор"), true},
        {"SpeedButtonSave", {48, 0, 23, 22}, QStringLiteral("сохранить знакогенератор"), true},
        {"SpeedButtonCopy",
         {96, 0, 23, 22},
         QStringLiteral("символ с рабочего поля в буфер"),
         true},
        {"SpeedButtonPaste",
         {120, 0, 23, 22},
         QStringLiteral("символ в рабочее поле из буфера"),
         false},
        {"SpeedButtonUndo", {144, 0, 23, 22}, QStringLiteral("Вернуть последнее изменение"), false},
        {"SpeedButtonClearSym", {200, 0, 23, 22}, QStringLiteral("Очистить рабочее поле"), true},
        {"SpeedButtonInvers", {224, 0, 23, 22}, QStringLiteral("инвертировать поле"), true},
        {"SpeedButtonTx",
         {256, -1, 23, 23},
         QStringLiteral("загрузить знакогенератор во внешнее устройство"),
         true},
    };
    for (const Button& b : buttons) {
        auto* button = form.findChild<QToolButton*>(QString::fromLatin1(b.name));
        QVERIFY2(button, b.name);
        QCOMPARE(button->geometry(), b.place);
        // The tooltip adds the key after the hint; the accessible name is the hint alone.
        QVERIFY2(button->toolTip().startsWith(b.hint + QStringLiteral(" (")), b.name);
        QCOMPARE(button->accessibleName(), b.hint);
        QCOMPARE(button->isEnabled(), b.enabled);
        QVERIFY(!button->autoRaise());
        QCOMPARE(button->cursor().shape(), Qt::PointingHandCursor);
    }
    // The hint of New starts with a Latin C.
    QCOMPARE(form.SpeedButtonNew->toolTip().at(0).unicode(), u'C');

    QCOMPARE(form.findChild<QWidget*>("PaintBox")->geometry(), QRect(12, 28, 128, 128));
    QCOMPARE(form.findChild<QWidget*>("PaintBoxM")->geometry(), QRect(192, 39, 19, 19));
    QCOMPARE(form.LabelSym->pos(), QPoint(152, 32));
    QCOMPARE(form.LabelSym->font().pixelSize(), 16);
    QCOMPARE(form.LabelSb->pos(), QPoint(212, 33));
    QCOMPARE(form.LabelSb->font().pixelSize(), 19);

    auto* scroll = form.findChild<QScrollBar*>("ScrollBarSimb");
    QCOMPARE(scroll->geometry(), QRect(152, 64, 201, 13));
    QCOMPARE(scroll->orientation(), Qt::Horizontal);
    QCOMPARE(scroll->minimum(), 32);
    QCOMPARE(scroll->maximum(), 255);
    QCOMPARE(scroll->singleStep(), 1);
    QCOMPARE(scroll->pageStep(), 1);
    QCOMPARE(scroll->toolTip(), QStringLiteral("установка символа"));
    QCOMPARE(scroll->cursor().shape(), Qt::PointingHandCursor);

    auto* opis = form.findChild<QLabel*>("LabelOpis");
    form.show(); // the note is fitted to its text on the first showing
    QCOMPARE(opis->pos(), QPoint(152, 88));
    QCOMPARE(opis->width(), 200);
    // 65 high, or more where the stand-in for "MS Sans Serif" needs it: never a lost line.
    QVERIFY(opis->height() >= 65);
    QVERIFY(opis->heightForWidth(200) <= opis->height());
    QVERIFY(opis->geometry().bottom() < 170);
    QCOMPARE(opis->text(),
             QStringLiteral("При создании символа необходимо не допускать пробелов в самом "
                            "левом  столбце знакогенератора. При создании буквы -Ы- "
                            "необходимо правую палочку писать слитно.  "));
    QVERIFY(opis->wordWrap());
    QCOMPARE(opis->palette().color(QPalette::WindowText), QColor(128, 0, 0));
    QCOMPARE(form.font().family(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(form.font().pointSize(), 8);

    QCOMPARE(form.pos(), QPoint(354, 213));
    QCOMPARE(form.size(), QSize(653, 325)); // grown to the right and downward only
    QCOMPARE(form.palette().color(QPalette::Window), form.palette().color(QPalette::Button));
}

void FormZgTest::firstRunWithoutSettingsOrGuardFont() {
    Fixture f;
    TFormZg& form = f.make();
    QVERIFY(f.dialogs.log.isEmpty());
    QCOMPARE(tableOf(f.font), QByteArray(2048, '\0'));
    QCOMPARE(form.windowTitle(), Prefix + QStringLiteral("Tmp.zg"));
    QCOMPARE(form.currentFontFile(), QStringLiteral(".\\Tmp.zg"));
    QCOMPARE(form.lastOpenedName(), QStringLiteral("Guard.zg"));
    QCOMPARE(form.currentSymbol(), 32);
    QCOMPARE(form.LabelSym->text(), QStringLiteral("32"));
    QCOMPARE(form.LabelSb->text(), QStringLiteral("   "));

    f.shown();
    QVERIFY(f.closeBox());
    QCOMPARE(f.sandbox.read("Tmp.zg"), QByteArray(2048, '\0'));
    QCOMPARE(f.remembered(), QStringLiteral(".\\Tmp.zg"));

    // The next run in the same folder loads it.
    f.sandbox.write("Tmp.zg", pattern(3));
    FontTables next;
    TFormZg again(next, f.dialogs, f.uploader);
    QCOMPARE(tableOf(next), pattern(3));
    QCOMPARE(again.windowTitle(), Prefix + QStringLiteral("Tmp.zg"));
    QVERIFY(f.dialogs.log.isEmpty());
}

void FormZgTest::startLoadsTheRememberedFont() {
    {
        Fixture f;
        f.sandbox.write("Guard.zg", pattern(1));
        TFormZg& form = f.make();
        QCOMPARE(tableOf(f.font), pattern(1));
        QCOMPARE(form.windowTitle(), Prefix + QStringLiteral("Guard.zg"));
        QCOMPARE(form.currentFontFile(), QStringLiteral("Guard.zg"));
    }
    // File names reach the system in its ANSI code page: 1251 on Russian systems, 1252 in Wine.
    if (QString::fromLocal8Bit(QStringLiteral("Ж").toLocal8Bit()) != QStringLiteral("Ж"))
        QSKIP("the ANSI code page has no Cyrillic letters: such file names cannot be passed");
    {
        // A full path with Cyrillic folder names, held in the settings as Windows-1251.
        Fixture f;
        const QString full = f.sandbox.path(QStringLiteral("шрифты/Бегущая.zg"));
        f.sandbox.write(QStringLiteral("шрифты/Бегущая.zg"), pattern(2));
        f.remember(full);
        TFormZg& form = f.make();
        QCOMPARE(tableOf(f.font), pattern(2));
        QCOMPARE(form.windowTitle(), Prefix + QStringLiteral("Бегущая.zg"));
        f.shown();
        QVERIFY(f.closeBox());
        QCOMPARE(f.remembered(), full);
        QCOMPARE(f.sandbox.read(QStringLiteral("шрифты/Бегущая.zg")), pattern(2));
    }
    {
        // A name held with "\" as the folder separator, and a folder where a file should be.
        Fixture f;
        f.sandbox.write("sub/f.zg", pattern(4));
        f.remember(QStringLiteral(".\\sub\\f.zg"));
        TFormZg& form = f.make();
        QCOMPARE(tableOf(f.font), pattern(4));
        QCOMPARE(form.windowTitle(), Prefix + QStringLiteral("f.zg"));

        Fixture g;
        QDir(g.sandbox.path()).mkdir(QStringLiteral("Guard.zg"));
        TFormZg& fallback = g.make();
        QCOMPARE(fallback.currentFontFile(), QStringLiteral(".\\Tmp.zg"));
        QVERIFY(g.dialogs.log.isEmpty());
    }
}

void FormZgTest::startWithAShortRememberedFontReportsAndKeepsTheBuildCaption() {
    Fixture f;
    f.sandbox.write("short.zg", pattern(5).left(1000));
    f.remember(QStringLiteral("short.zg"));
    TFormZg& form = f.make();
    QCOMPARE(f.dialogs.texts("error"), QStringList{QStringLiteral("Read beyond end of file.")});
    QCOMPARE(form.windowTitle(), QStringLiteral("Редактор знакогенератора"));
    QCOMPARE(form.currentFontFile(), QStringLiteral("short.zg"));
    QCOMPARE(tableOf(f.font), pattern(5).left(1000) + QByteArray(1048, '\0'));
    f.shown();
    f.dialogs.answers = {true}; // not a font's size: the close asks first
    QVERIFY(f.closeBox());
    QCOMPARE(f.sandbox.read("short.zg"), pattern(5).left(1000) + QByteArray(1048, '\0'));
}

void FormZgTest::aReadOnlyRememberedFontLoadsButCannotBeClosedOverUntilSavedElsewhere() {
    Fixture f;
    f.sandbox.write("ro.zg", pattern(6));
    makeReadOnly(f.sandbox.path("ro.zg"));
    f.remember(QStringLiteral("ro.zg"));
    TFormZg& form = f.make();
    QVERIFY(f.dialogs.log.isEmpty());
    QCOMPARE(tableOf(f.font), pattern(6));
    QCOMPARE(form.windowTitle(), Prefix + QStringLiteral("ro.zg"));

    f.shown();
    form.SpeedButtonInversClick();
    f.dialogs.answers = {false};
    QVERIFY(!f.closeBox());
    QCOMPARE(f.dialogs.texts("error"), QStringList{QStringLiteral("File access denied.")});
    QCOMPARE(f.sandbox.read("ro.zg"), pattern(6));

    const QString elsewhere = f.sandbox.path("mine.zg");
    f.dialogs.fileNames.push_back(elsewhere);
    form.SpeedButtonSave->click();
    QVERIFY(f.closeBox());
    QCOMPARE(f.sandbox.read("mine.zg"), tableOf(f.font));
    QCOMPARE(f.remembered(), elsewhere);
}

void FormZgTest::paintSymbolIsPixelExact() {
    Fixture f;
    TFormZg& form = f.make();
    f.select(77);
    // Corners, an inner dot, and a full column and row.
    for (const auto& [c, r] : std::initializer_list<std::pair<int, int>>{
             {0, 0}, {7, 7}, {3, 2}, {0, 7}, {5, 0}, {5, 1}, {5, 2}, {5, 3}, {5, 4}})
        f.font.SetDot(77, c, r);
    f.font.FontTable[8 * 78] = 0xFF; // the next symbol must not show
    form.PaintSymbol();

    const QRgb face = form.palette().color(QPalette::Button).rgb();
    const QRgb black = qRgb(0, 0, 0);
    const QRgb grey = qRgb(220, 220, 220);
    const QRgb red = qRgb(255, 0, 0);
    QVERIFY(face != grey && face != black);

    const QImage grid = form.PaintBox->grab().toImage();
    QCOMPARE(grid.size(), QSize(128, 128));
    int blackPixels = 0;
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            const bool line = x % 16 == 15 || y % 16 == 15;
            const QRgb expected =
                line ? face : (f.font.DotIsSet(77, x / 16, y / 16) ? black : grey);
            blackPixels += grid.pixel(x, y) == black;
            if (grid.pixel(x, y) != expected)
                QFAIL(qPrintable(QStringLiteral("grid pixel %1,%2").arg(x).arg(y)));
        }
    QCOMPARE(blackPixels, 9 * 15 * 15);
    QCOMPARE(grid.pixel(0, 0), black);
    QCOMPARE(grid.pixel(14, 14), black);
    QCOMPARE(grid.pixel(15, 0), face);
    QCOMPARE(grid.pixel(16, 0), grey);
    QCOMPARE(grid.pixel(127, 127), face);
    QCOMPARE(grid.pixel(126, 126), black);

    const QImage preview = form.PaintBoxM->grab().toImage();
    QCOMPARE(preview.size(), QSize(19, 19));
    int redPixels = 0;
    for (int y = 0; y < 19; ++y)
        for (int x = 0; x < 19; ++x) {
            const bool lit = x < 16 && y < 16 && f.font.DotIsSet(77, x / 2, y / 2);
            redPixels += preview.pixel(x, y) == red;
            if (preview.pixel(x, y) != (lit ? red : face))
                QFAIL(qPrintable(QStringLiteral("preview pixel %1,%2").arg(x).arg(y)));
        }
    QCOMPARE(redPixels, 9 * 4);
    QCOMPARE(preview.pixel(15, 15), red);
    QCOMPARE(preview.pixel(16, 16), face);

    // An empty symbol: 64 grey cells and an empty preview.
    f.select(200);
    const QImage empty = form.PaintBox->grab().toImage();
    for (int c = 0; c < 8; ++c)
        for (int r = 0; r < 8; ++r)
            QCOMPARE(empty.pixel(16 * c + 7, 16 * r + 7), grey);
    const QImage emptyPreview = form.PaintBoxM->grab().toImage();
    for (int y = 0; y < 19; ++y)
        for (int x = 0; x < 19; ++x)
            QCOMPARE(emptyPreview.pixel(x, y), face);
}

void FormZgTest::scrollBarSelectsTheSymbolAndSetsTheLabels() {
    Fixture f;
    TFormZg& form = f.make();
    f.font.SetDot(255, 4, 4);
    struct Case {
        int symbol;
        QString number;
        QString character;
    };
    for (const Case& k : {Case{255, "255", QStringLiteral(" я ")}, Case{65, "65", " A "},
                          Case{0xA8, "168", QStringLiteral(" Ё ")},
                          Case{0xB9, "185", QStringLiteral(" № ")}, Case{32, "32", "   "}}) {
        f.select(k.symbol);
        QCOMPARE(form.currentSymbol(), k.symbol);
        QCOMPARE(form.LabelSym->text(), k.number);
        QCOMPARE(form.LabelSb->text(), k.character);
    }
    f.select(255);
    QCOMPARE(form.PaintBox->grab().toImage().pixel(16 * 4 + 3, 16 * 4 + 3), qRgb(0, 0, 0));
    f.select(254);
    QCOMPARE(form.PaintBox->grab().toImage().pixel(16 * 4 + 3, 16 * 4 + 3), qRgb(220, 220, 220));
    // The range holds: nothing below 32 or above 255 can be chosen.
    f.select(5);
    QCOMPARE(form.currentSymbol(), 32);
    f.select(300);
    QCOMPARE(form.currentSymbol(), 255);

    // The labels take their text's size: at once while shown, at the next showing for a change
    // made while hidden.
    form.show();
    for (const int symbol : {32, 200, 65, 255}) {
        const bool hidden = symbol > 64;
        form.setVisible(!hidden);
        f.select(symbol);
        form.show();
        QCOMPARE(form.LabelSym->size(), form.LabelSym->sizeHint());
        QCOMPARE(form.LabelSb->size(), form.LabelSb->sizeHint());
    }
}

void FormZgTest::scrollBarKeyboard() {
    Fixture f;
    TFormZg& form = f.shown();
    QCOMPARE(form.focusWidget(), static_cast<QWidget*>(form.ScrollBarSimb));
    QWidget* bar = form.ScrollBarSimb;
    const std::pair<Qt::Key, int> steps[] = {
        {Qt::Key_Right, 33}, {Qt::Key_Right, 34},    {Qt::Key_Left, 33},      {Qt::Key_Down, 34},
        {Qt::Key_Up, 33},    {Qt::Key_PageDown, 34}, {Qt::Key_PageDown, 35},  {Qt::Key_PageUp, 34},
        {Qt::Key_End, 255},  {Qt::Key_Right, 255},   {Qt::Key_PageDown, 255}, {Qt::Key_Left, 254},
        {Qt::Key_Home, 32},  {Qt::Key_Left, 32},     {Qt::Key_PageUp, 32},
    };
    for (const auto& [key, expected] : steps) {
        QTest::keyClick(bar, key);
        QCOMPARE(form.currentSymbol(), expected);
        QCOMPARE(form.LabelSym->text(), QString::number(expected));
    }
    form.close();
}

void FormZgTest::mousePressesMapToCells_data() {
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("byte"); // offset in the symbol, -1 for none
    QTest::addColumn<int>("value");
    QTest::newRow("top-left pixel") << 0 << 0 << 0 << 1;
    QTest::newRow("last pixel of the first cell") << 15 << 15 << 0 << 1;
    QTest::newRow("second cell diagonally") << 16 << 16 << 1 << 2;
    QTest::newRow("grid line under the first cell") << 3 << 15 << 0 << 1;
    QTest::newRow("column 0, row 1") << 15 << 16 << 0 << 2;
    QTest::newRow("bottom-right pixel") << 127 << 127 << 7 << 128;
    QTest::newRow("column 6, row 2") << 100 << 40 << 6 << 4;
    QTest::newRow("just left") << -1 << 5 << -1 << 0;
    QTest::newRow("just above") << 5 << -1 << -1 << 0;
    QTest::newRow("just right") << 128 << 5 << -1 << 0;
    QTest::newRow("just below") << 5 << 128 << -1 << 0;
}

void FormZgTest::mousePressesMapToCells() {
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(int, byte);
    QFETCH(int, value);
    Fixture f;
    TFormZg& form = f.make();
    f.select(90);
    form.PaintBoxMouseDown(Qt::LeftButton, x, y);
    form.PaintBoxMouseUp();
    QByteArray expected(8, '\0');
    if (byte >= 0)
        expected[byte] = static_cast<char>(value);
    QCOMPARE(symbolOf(f.font, 90), expected);
    QCOMPARE(tableOf(f.font).count('\0'), 2048 - (byte >= 0 ? 1 : 0));
}

void FormZgTest::dragKeepsDrawingOutsideTheGridAndStopsAtAnyRelease() {
    Fixture f;
    TFormZg& form = f.shown();
    f.select(70);
    QWidget* grid = form.PaintBox;
    // (QTest takes the point 0, 0 for the widget's centre, so the drag starts at 1, 1.)
    QTest::mousePress(grid, Qt::LeftButton, {}, QPoint(1, 1));
    QCOMPARE(form.drawMode(), TFormZg::DrawMode::Set);
    QTest::mouseMove(grid, QPoint(20, 0));     // column 1, row 0
    QTest::mouseMove(grid, QPoint(-1, 40));    // just left of the grid
    QTest::mouseMove(grid, QPoint(40, -1));    // just above it
    QTest::mouseMove(grid, QPoint(-200, 300)); // outside the window
    QTest::mouseMove(grid, QPoint(40, 40));    // back: column 2, row 2
    QCOMPARE(symbolOf(f.font, 70), QByteArray::fromHex("0101040000000000"));
    QTest::mouseRelease(grid, Qt::LeftButton, {}, QPoint(400, 400));
    QCOMPARE(form.drawMode(), TFormZg::DrawMode::None);
    // No button held: passing over the grid draws nothing.
    form.PaintBoxMouseMove(100, 100);
    QTest::mouseMove(grid, QPoint(100, 100));
    QCOMPARE(symbolOf(f.font, 70), QByteArray::fromHex("0101040000000000"));

    // Points between two reported positions are not filled in.
    QTest::mousePress(grid, Qt::LeftButton, {}, QPoint(0, 120));
    QTest::mouseMove(grid, QPoint(120, 120));
    QTest::mouseRelease(grid, Qt::LeftButton, {}, QPoint(120, 120));
    QCOMPARE(symbolOf(f.font, 70), QByteArray::fromHex("8101040000000080"));

    // A drag that starts beside the grid draws nothing when it crosses it.
    const QByteArray before = tableOf(f.font);
    QTest::mousePress(form.LabelOpis, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(form.LabelOpis, form.LabelOpis->mapFrom(&form, QPoint(60, 60)));
    QTest::mouseRelease(form.LabelOpis, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(tableOf(f.font), before);
    QVERIFY(!form.SpeedButtonUndo->isEnabled());
    form.close();
}

void FormZgTest::rightDragClearsOnlyLitDots() {
    Fixture f;
    TFormZg& form = f.shown();
    f.select(100);
    f.font.FontTable[8 * 100 + 0] = 0b0000'0101; // rows 0 and 2 of column 0
    f.font.FontTable[8 * 100 + 1] = 0b0000'0010; // row 1 of column 1
    QWidget* grid = form.PaintBox;
    QTest::mousePress(grid, Qt::RightButton, {}, QPoint(2, 2)); // lit
    QCOMPARE(form.drawMode(), TFormZg::DrawMode::Clear);
    QTest::mouseMove(grid, QPoint(2, 20));                            // dark: stays dark
    QTest::mouseMove(grid, QPoint(2, 36));                            // lit
    QTest::mouseMove(grid, QPoint(20, 36));                           // dark
    QTest::mouseRelease(grid, Qt::RightButton, {}, QPoint(-30, -30)); // released outside
    QCOMPARE(symbolOf(f.font, 100), QByteArray::fromHex("0002000000000000"));
    QCOMPARE(form.drawMode(), TFormZg::DrawMode::None);
    QTest::mouseMove(grid, QPoint(20, 20));
    form.PaintBoxMouseMove(20, 20);
    QCOMPARE(symbolOf(f.font, 100), QByteArray::fromHex("0002000000000000"));
    form.close();
}

void FormZgTest::otherButtonsAndSecondPresses() {
    Fixture f;
    TFormZg& form = f.make();
    f.select(120);
    form.PaintBoxMouseDown(Qt::MiddleButton, 10, 10);
    QCOMPARE(form.drawMode(), TFormZg::DrawMode::None);
    form.PaintBoxMouseMove(30, 30);
    form.PaintBoxMouseUp();
    QCOMPARE(symbolOf(f.font, 120), QByteArray(8, '\0'));

    // A right press during a left drag switches to clearing; releasing either ends it.
    form.PaintBoxMouseDown(Qt::LeftButton, 0, 0);
    form.PaintBoxMouseMove(16, 0);
    form.PaintBoxMouseDown(Qt::RightButton, 0, 0);
    QCOMPARE(form.drawMode(), TFormZg::DrawMode::Clear);
    form.PaintBoxMouseMove(32, 0);
    form.PaintBoxMouseUp();
    form.PaintBoxMouseMove(16, 0);
    QCOMPARE(symbolOf(f.font, 120), QByteArray::fromHex("0001000000000000"));
    // A middle press during a drag stops it too.
    form.PaintBoxMouseDown(Qt::LeftButton, 0, 16);
    form.PaintBoxMouseDown(Qt::MiddleButton, 0, 16);
    form.PaintBoxMouseMove(0, 32);
    QCOMPARE(symbolOf(f.font, 120), QByteArray::fromHex("0201000000000000"));
}

void FormZgTest::newAndUndo() {
    Fixture f;
    f.sandbox.write("Guard.zg", pattern(7));
    TFormZg& form = f.shown();
    form.SpeedButtonNew->click();
    QCOMPARE(tableOf(f.font), QByteArray(2048, '\0'));
    QVERIFY(form.SpeedButtonUndo->isEnabled());
    QCOMPARE(form.windowTitle(), Prefix + QStringLiteral("Guard.zg"));
    form.SpeedButtonUndo->click();
    QCOMPARE(tableOf(f.font), pattern(7));
    QVERIFY(!form.SpeedButtonUndo->isEnabled());
    QVERIFY(f.closeBox());
    QCOMPARE(f.sandbox.read("Guard.zg"), pattern(7));

    // New and a close write the empty font over the current file without a question.
    f.shown();
    form.SpeedButtonNew->click();
    QVERIFY(f.closeBox());
    QCOMPARE(f.sandbox.read("Guard.zg"), QByteArray(2048, '\0'));
    QVERIFY(f.dialogs.log.isEmpty());
}

void FormZgTest::clearSymbolInvertAndUndo() {
    Fixture f;
    f.sandbox.write("Guard.zg", pattern(8));
    TFormZg& form = f.make();
    f.select(65);
    form.SpeedButtonClearSym->click();
    QCOMPARE(symbolOf(f.font, 65), QByteArray(8, '\0'));
    QCOMPARE(symbolOf(f.font, 66), pattern(8).mid(8 * 66, 8));
    form.SpeedButtonUndo->click();
    QCOMPARE(tableOf(f.font), pattern(8));
    QVERIFY(!form.SpeedButtonUndo->isEnabled());

    form.SpeedButtonInvers->click();
    QByteArray inverted = pattern(8).mid(8 * 65, 8);
    for (char& b : inverted)
        b = static_cast<char>(~b);
    QCOMPARE(symbolOf(f.font, 65), inverted);
    QVERIFY(form.SpeedButtonUndo->isEnabled());
    // Selecting another symbol leaves the undo copy alone.
    f.select(200);
    form.SpeedButtonUndo->click();
    QCOMPARE(tableOf(f.font), pattern(8));
}

void FormZgTest::copyPasteAndUndo() {
    Fixture f;
    f.sandbox.write("Guard.zg", pattern(9));
    TFormZg& form = f.make();
    QVERIFY(!form.SpeedButtonPaste->isEnabled());
    f.select(65);
    form.SpeedButtonCopy->click();
    QVERIFY(form.SpeedButtonPaste->isEnabled());
    QVERIFY(!form.SpeedButtonUndo->isEnabled()); // Copy takes no undo copy
    f.select(66);
    form.SpeedButtonPaste->click();
    QCOMPARE(symbolOf(f.font, 66), pattern(9).mid(8 * 65, 8));
    QVERIFY(form.SpeedButtonUndo->isEnabled());
    form.SpeedButtonUndo->click();
    QCOMPARE(symbolOf(f.font, 66), pattern(9).mid(8 * 66, 8));
    QVERIFY(form.SpeedButtonPaste->isEnabled()); // stays enabled for the run

    // The clip keeps the copied symbol whatever happens to the table.
    form.SpeedButtonNew->click();
    f.select(140);
    form.SpeedButtonPaste->click();
    QCOMPARE(symbolOf(f.font, 140), pattern(9).mid(8 * 65, 8));
}

void FormZgTest::undoTakesBackDrawingSinceTheLastCommand() {
    Fixture f;
    TFormZg& form = f.make();
    // Drawing alone cannot be undone.
    f.select(50);
    form.PaintBoxMouseDown(Qt::LeftButton, 0, 0);
    form.PaintBoxMouseUp();
    QVERIFY(!form.SpeedButtonUndo->isEnabled());

    form.SpeedButtonCopy->click();
    f.select(51);
    form.SpeedButtonPaste->click();
    f.select(60);
    form.PaintBoxMouseDown(Qt::LeftButton, 50, 50);
    form.PaintBoxMouseUp();
    QCOMPARE(symbolOf(f.font, 51), QByteArray::fromHex("0100000000000000"));
    QCOMPARE(symbolOf(f.font, 60), QByteArray::fromHex("0000000800000000"));
    form.SpeedButtonUndo->click();
    QCOMPARE(symbolOf(f.font, 51), QByteArray(8, '\0'));
    QCOMPARE(symbolOf(f.font, 60), QByteArray(8, '\0'));
    QCOMPARE(symbolOf(f.font, 50), QByteArray::fromHex("0100000000000000"));
}

void FormZgTest::openCancelledChangesNothing() {
    Fixture f;
    f.sandbox.write("Guard.zg", pattern(10));
    TFormZg& form = f.make();
    f.font.UndoTable.fill(0x77);
    f.dialogs.fileNames.push_back(std::nullopt);
    form.SpeedButtonOpen->click();
    QCOMPARE(f.dialogs.fileRequests.size(), std::size_t{1});
    const auto& request = f.dialogs.fileRequests.front();
    QCOMPARE(request.fileName, QStringLiteral("Guard.zg"));
    QCOMPARE(request.filter, QStringLiteral("растровый знакогенератор *.zg|*.zg|Все файлы|*.*"));
    QCOMPARE(tableOf(f.font), pattern(10));
    QCOMPARE(f.font.UndoTable[100], 0x77);
    QVERIFY(!form.SpeedButtonUndo->isEnabled());
    QCOMPARE(form.windowTitle(), Prefix + QStringLiteral("Guard.zg"));
}

void FormZgTest::openLoadsAndRenamesAndUndoGivesTheOldNameBack() {
    Fixture f;
    f.sandbox.write("Guard.zg", pattern(11));
    f.sandbox.write("other/B.zg", pattern(12));
    const QString opened = f.sandbox.path("other/B.zg");
    TFormZg& form = f.shown();
    f.dialogs.fileNames.push_back(opened);
    form.SpeedButtonOpen->click();
    QCOMPARE(tableOf(f.font), pattern(12));
    QCOMPARE(form.windowTitle(), Prefix + QStringLiteral("B.zg"));
    QCOMPARE(form.currentFontFile(), opened);
    QCOMPARE(form.lastOpenedName(), opened);
    QVERIFY(form.SpeedButtonUndo->isEnabled());

    // Undo gives back the table and the file it belongs to; closing leaves B.zg untouched.
    form.SpeedButtonUndo->click();
    QCOMPARE(tableOf(f.font), pattern(11));
    QCOMPARE(form.windowTitle(), Prefix + QStringLiteral("Guard.zg"));
    QCOMPARE(form.currentFontFile(), QStringLiteral("Guard.zg"));
    QVERIFY(f.closeBox());
    QCOMPARE(f.sandbox.read("other/B.zg"), pattern(12));
    QCOMPARE(f.sandbox.read("Guard.zg"), pattern(11));
    QCOMPARE(f.remembered(), QStringLiteral("Guard.zg"));

    // After a later command the undo copy is the opened font, and the name stays.
    f.shown();
    f.dialogs.fileNames.push_back(opened);
    form.SpeedButtonOpen->click();
    QCOMPARE(f.dialogs.fileRequests.back().fileName, opened);
    form.SpeedButtonClearSym->click();
    form.SpeedButtonUndo->click();
    QCOMPARE(tableOf(f.font), pattern(12));
    QCOMPARE(form.currentFontFile(), opened);
    QVERIFY(f.closeBox());
    QCOMPARE(f.sandbox.read("other/B.zg"), pattern(12));
    QCOMPARE(f.remembered(), opened);
}

void FormZgTest::failedOpens() {
    Fixture f;
    f.sandbox.write("Guard.zg", pattern(13));
    f.sandbox.write("short.zg", pattern(14).left(2047));
    TFormZg& form = f.make();

    f.dialogs.fileNames.push_back(f.sandbox.path("typed-but-missing.zg"));
    form.SpeedButtonOpen->click();
    QCOMPARE(f.dialogs.texts("error"), QStringList{QStringLiteral("File not found.")});
    QCOMPARE(tableOf(f.font), pattern(13));
    QVERIFY(form.SpeedButtonUndo->isEnabled());
    QCOMPARE(form.windowTitle(), Prefix + QStringLiteral("Guard.zg"));
    QCOMPARE(form.currentFontFile(), QStringLiteral("Guard.zg"));

    f.dialogs.fileNames.push_back(f.sandbox.path("short.zg"));
    form.SpeedButtonOpen->click();
    QCOMPARE(f.dialogs.texts("error").last(), QStringLiteral("Read beyond end of file."));
    QCOMPARE(form.windowTitle(), Prefix + QStringLiteral("Guard.zg"));
    // The short file's bytes do not stay over the table, so the close cannot write them
    // into Guard.zg; Undo stays enabled and gives the same table.
    QCOMPARE(tableOf(f.font), pattern(13));
    QVERIFY(form.SpeedButtonUndo->isEnabled());
    form.SpeedButtonUndo->click();
    QCOMPARE(tableOf(f.font), pattern(13));
    QCOMPARE(form.currentFontFile(), QStringLiteral("Guard.zg"));

    f.dialogs.fileNames.push_back(f.sandbox.path("no-folder/x.zg"));
    form.SpeedButtonOpen->click();
    QCOMPARE(f.dialogs.texts("error").last(), QStringLiteral("Invalid filename."));

    // A bare number is followed by the reason (Windows has no /dev/null).
#ifndef Q_OS_WIN
    f.dialogs.fileNames.push_back(QStringLiteral("/dev/null"));
    form.SpeedButtonOpen->click();
    QCOMPARE(f.dialogs.texts("error").last(),
             QStringLiteral("I/O error 22.\nЭто устройство, а не обычный файл."));
#endif
    f.shown();
    QVERIFY(f.closeBox());
    QCOMPARE(f.sandbox.read("Guard.zg"), pattern(13));
    QCOMPARE(f.sandbox.read("short.zg"), pattern(14).left(2047));
}

void FormZgTest::aLongFontOpensAndThePreviousFontStaysWhole() {
    Fixture f;
    f.sandbox.write("Guard.zg", pattern(24));
    f.sandbox.write("long.zg", pattern(25) + pattern(26));
    TFormZg& form = f.shown();
    f.dialogs.fileNames.push_back(f.sandbox.path("long.zg"));
    form.SpeedButtonOpen->click();
    QCOMPARE(tableOf(f.font), pattern(25));
    f.dialogs.answers = {true}; // not a font's size: the close asks first
    QVERIFY(f.closeBox());
    QCOMPARE(f.sandbox.read("Guard.zg"), pattern(24));
    QCOMPARE(f.sandbox.read("long.zg"), pattern(25));
}

void FormZgTest::closeAsksBeforeWritingOverAFileOfAnotherSize() {
    const QByteArray photo = pattern(40).repeated(5).left(10000);
    // A picture, a longer .zg, an empty file, a font; answered 1 Yes, 0 No, -1 not asked.
    const std::pair<QByteArray, int> cases[] = {
        {photo, 0}, {photo, 1}, {pattern(41) + pattern(42), 0}, {{}, 0}, {pattern(43), -1}};
    for (const auto& [onDisk, answer] : cases) {
        Fixture f;
        f.sandbox.write("photo.jpg", onDisk);
        f.remember(QStringLiteral("photo.jpg"));
        TFormZg& form = f.shown();
        f.dialogs.log.clear();
        form.SpeedButtonInvers->click();
        if (answer >= 0)
            f.dialogs.answers.push_back(answer == 1);
        QVERIFY(f.closeBox()); // whatever the answer
        const QString ask = QStringLiteral("Файл photo.jpg не похож на файл шрифта (%1 байт). "
                                           "Записать шрифт поверх него?");
        QCOMPARE(f.dialogs.texts("ask"),
                 answer < 0 ? QStringList() : QStringList{ask.arg(onDisk.size())});
        QCOMPARE(f.sandbox.read("photo.jpg"), answer != 0 ? tableOf(f.font) : onDisk);
    }
}

void FormZgTest::saveUnderANewName() {
    Fixture f;
    f.sandbox.write("Guard.zg", pattern(15));
    TFormZg& form = f.shown();
    f.dialogs.fileNames.push_back(std::nullopt);
    form.SpeedButtonSave->click();
    const auto& request = f.dialogs.fileRequests.back();
    QCOMPARE(request.fileName, QStringLiteral("Guard.zg"));
    QCOMPARE(request.filter, QStringLiteral("растровый знакогенератор *.zg|*.zg"));
    QCOMPARE(request.defaultSuffix, QStringLiteral("zg"));
    QCOMPARE(form.currentFontFile(), QStringLiteral("Guard.zg"));

    const QString copy = f.sandbox.path("copy.zg");
    f.dialogs.fileNames.push_back(copy);
    form.SpeedButtonSave->click();
    QCOMPARE(form.windowTitle(), Prefix + QStringLiteral("copy.zg"));
    QCOMPARE(f.sandbox.read("copy.zg"), pattern(15));
    form.SpeedButtonNew->click();
    QVERIFY(f.closeBox());
    QCOMPARE(f.sandbox.read("copy.zg"), QByteArray(2048, '\0'));
    QCOMPARE(f.sandbox.read("Guard.zg"), pattern(15));
    QCOMPARE(f.remembered(), copy);

    // The next start loads it.
    f.sandbox.write("copy.zg", pattern(16));
    FontTables next;
    TFormZg again(next, f.dialogs, f.uploader);
    QCOMPARE(tableOf(next), pattern(16));

    // A failed save already names the new file.
    f.shown();
    f.dialogs.fileNames.push_back(f.sandbox.path("gone/x.zg"));
    form.SpeedButtonSave->click();
    QCOMPARE(f.dialogs.texts("error"), QStringList{QStringLiteral("Invalid filename.")});
    QCOMPARE(form.windowTitle(), Prefix + QStringLiteral("x.zg"));
    form.hide();
}

void FormZgTest::aNameWithALineBreakIsRefused() {
    Fixture f;
    f.sandbox.write("Guard.zg", pattern(23));
    TFormZg& form = f.shown();
    const QString name = f.sandbox.path("x\n[PortMap]\nCOM 1=/dev/null\n.zg");
    f.dialogs.fileNames = {name, name};
    form.SpeedButtonSave->click();
    form.SpeedButtonOpen->click();
    const QString refused =
        QStringLiteral("В имени файла есть перевод строки, такое имя не принимается.");
    QCOMPARE(f.dialogs.texts("error"), (QStringList{refused, refused}));
    QCOMPARE(form.currentFontFile(), QStringLiteral("Guard.zg"));
    QCOMPARE(form.lastOpenedName(), QStringLiteral("Guard.zg"));
    QVERIFY(!form.SpeedButtonUndo->isEnabled());
    QVERIFY(f.closeBox());
    QCOMPARE(f.remembered(), QStringLiteral("Guard.zg"));
    QVERIFY(!f.sandbox.read("config/Kesmar.ini").contains("PortMap"));
}

void FormZgTest::failedCloseAsksWhetherToCloseUnsaved() {
    Fixture f;
    f.sandbox.write("Guard.zg", pattern(17));
    TFormZg& form = f.shown();
    form.SpeedButtonNew->click();
    const QString ask =
        QStringLiteral("ask: Не удалось сохранить шрифт. Закрыть редактор без сохранения?");

    // The settings cannot be written: the font file is not written either. No stays.
    QDir(f.sandbox.path()).mkpath(QStringLiteral("config/Kesmar.ini"));
    f.dialogs.answers = {false};
    QVERIFY(!f.closeBox());
    QCOMPARE(f.dialogs.log,
             (QStringList{"error: Unable to write to " +
                              QDir::toNativeSeparators(f.sandbox.settingsPath()) + ".",
                          ask}));
    QCOMPARE(f.sandbox.read("Guard.zg"), pattern(17));
    QDir(f.sandbox.path(QStringLiteral("config/Kesmar.ini"))).removeRecursively();

    // The font file cannot be written: No stays, Yes leaves and writes nothing.
    makeReadOnly(f.sandbox.path("Guard.zg"));
    f.dialogs.log.clear();
    f.dialogs.answers = {false, true};
    QVERIFY(!f.closeBox());
    QCOMPARE(f.dialogs.log, (QStringList{"error: File access denied.", ask}));
    QVERIFY(form.isVisible());
    QVERIFY(f.closeBox());
    QCOMPARE(f.sandbox.read("Guard.zg"), pattern(17));
    QCOMPARE(f.remembered(), QStringLiteral("Guard.zg"));
    QVERIFY(!f.dialogs.unanswered());
}

void FormZgTest::everyClosePathSaves() {
    Fixture f;
    f.sandbox.write("Guard.zg", pattern(18));
    TFormZg& form = f.shown();
    form.SpeedButtonNew->click();
    QTest::keyClick(form.ScrollBarSimb, Qt::Key_Escape);
    QVERIFY(!form.isVisible());
    QCOMPARE(f.sandbox.read("Guard.zg"), QByteArray(2048, '\0'));

    f.sandbox.write("Guard.zg", pattern(18));
    f.shown();
    form.reject();
    QVERIFY(!form.isVisible());
    QCOMPARE(f.sandbox.read("Guard.zg"), QByteArray(2048, '\0'));

    // exec() returns once the close has saved.
    f.sandbox.write("Guard.zg", pattern(18));
    QTimer::singleShot(0, &form, [&] { form.close(); });
    form.exec();
    QCOMPARE(f.sandbox.read("Guard.zg"), QByteArray(2048, '\0'));
    QVERIFY(f.dialogs.log.isEmpty());
}

void FormZgTest::closeIsRefusedWhileUploading() {
    Fixture f;
    f.sandbox.write("Guard.zg", pattern(19));
    TFormZg& form = f.shown();
    bool uploading = true;
    form.setCloseBlocker([&] { return uploading; });
    form.SpeedButtonNew->click();
    QVERIFY(!f.closeBox());
    form.reject();
    QVERIFY(form.isVisible());
    form.SpeedButtonTx->click();
    QVERIFY(f.uploader.sent.empty());
    QCOMPARE(f.sandbox.read("Guard.zg"), pattern(19));
    QVERIFY(f.dialogs.log.isEmpty());
    uploading = false;
    QVERIFY(f.closeBox());
    QCOMPARE(f.sandbox.read("Guard.zg"), QByteArray(2048, '\0'));
}

void FormZgTest::uploadTakesTheTableAsItIs() {
    Fixture f;
    f.sandbox.write("Guard.zg", pattern(20));
    TFormZg& form = f.make();
    f.select(65);
    form.SpeedButtonInvers->click(); // unsaved: the upload takes the table as it is
    form.SpeedButtonTx->click();
    QCOMPARE(f.uploader.sent.size(), std::size_t{1});
    QCOMPARE(f.uploader.sent.front(), tableOf(f.font).mid(256));
    QCOMPARE(f.sandbox.read("Guard.zg"), pattern(20));
}

void FormZgTest::everyCommandHasItsKey() {
    Fixture f;
    f.sandbox.write("Guard.zg", pattern(23));
    TFormZg& form = f.shown();
    QApplication::setActiveWindow(&form);
    QVERIFY(QTest::qWaitForWindowActive(&form));
    const std::pair<QToolButton*, QString> keys[] = {
        {form.SpeedButtonNew, "Ctrl+N"},   {form.SpeedButtonOpen, "Ctrl+O"},
        {form.SpeedButtonSave, "Ctrl+S"},  {form.SpeedButtonCopy, "Ctrl+C"},
        {form.SpeedButtonPaste, "Ctrl+V"}, {form.SpeedButtonUndo, "Ctrl+Z"},
        {form.SpeedButtonClearSym, "Del"}, {form.SpeedButtonInvers, "Ctrl+I"},
        {form.SpeedButtonTx, "Ctrl+T"},
    };
    for (const auto& [button, key] : keys) {
        QCOMPARE(button->shortcut(), QKeySequence(key));
        QVERIFY(button->toolTip().endsWith(
            QLatin1Char('(') + button->shortcut().toString(QKeySequence::NativeText) + ')'));
    }
    // The keys work while the scroll bar has the focus: invert, copy, clear, paste, undo.
    f.select(65);
    QByteArray inverted = symbolOf(f.font, 65);
    for (char& column : inverted)
        column = static_cast<char>(~column);
    // A button's key presses it visibly, so the command runs a moment later.
    QTest::keyClick(&form, Qt::Key_I, Qt::ControlModifier);
    QTRY_COMPARE(symbolOf(f.font, 65), inverted);
    QTest::keyClick(&form, Qt::Key_C, Qt::ControlModifier);
    QTRY_VERIFY(form.SpeedButtonPaste->isEnabled());
    QTest::keyClick(&form, Qt::Key_Delete);
    QTRY_COMPARE(symbolOf(f.font, 65), QByteArray(8, '\0'));
    QTest::keyClick(&form, Qt::Key_Z, Qt::ControlModifier);
    QTRY_COMPARE(symbolOf(f.font, 65), inverted);
    QVERIFY(f.closeBox());
}

void FormZgTest::anEmptyFontIsSentOnlyAfterAYes() {
    Fixture f;
    TFormZg& form = f.make(); // no font file: the table is empty
    const QString question = QStringLiteral(
        "Шрифт пуст: в символах с 32 по 255 нет ни одной точки. После загрузки табло не покажет "
        "ни одной буквы. Всё равно загрузить?");
    f.dialogs.answers = {false, true};
    form.SpeedButtonTx->click();
    QVERIFY(f.uploader.sent.empty());
    form.SpeedButtonTx->click();
    QCOMPARE(f.uploader.sent.size(), std::size_t{1});
    QCOMPARE(f.dialogs.texts("ask"), (QStringList{question, question}));

    // Symbols 0..31 are never sent, so dots there leave the font empty; one dot in 32..255
    // is a font, sent without a question.
    f.font.SetDot(31, 7, 7);
    f.dialogs.answers = {false};
    form.SpeedButtonTx->click();
    QCOMPARE(f.uploader.sent.size(), std::size_t{1});
    f.font.SetDot(255, 7, 7);
    form.SpeedButtonTx->click();
    QCOMPARE(f.uploader.sent.size(), std::size_t{2});
    QCOMPARE(f.dialogs.texts("ask").size(), 3);
}

void FormZgTest::reopeningShowsTheSameState() {
    Fixture f;
    f.sandbox.write("Guard.zg", pattern(21));
    TFormZg& form = f.shown();
    f.select(140);
    form.SpeedButtonCopy->click();
    form.SpeedButtonInvers->click();
    const QByteArray table = tableOf(f.font);
    QVERIFY(f.closeBox());
    // Changed on disk meanwhile: nothing is reloaded when the window shows again.
    f.sandbox.write("Guard.zg", pattern(22));
    f.shown();
    QCOMPARE(form.currentSymbol(), 140);
    QCOMPARE(form.LabelSym->text(), QStringLiteral("140"));
    QCOMPARE(tableOf(f.font), table);
    QCOMPARE(form.windowTitle(), Prefix + QStringLiteral("Guard.zg"));
    QVERIFY(form.SpeedButtonPaste->isEnabled());
    QVERIFY(form.SpeedButtonUndo->isEnabled());
    QVERIFY(f.closeBox());
}

void FormZgTest::overviewClicksKeysAndTypedCharactersChooseTheSymbol() {
    Fixture f;
    TFormZg& form = f.shown();
    FontOverview& overview = *form.Overview;
    // Our additions stand beside the editor's own controls, never over them.
    const QWidget* ours[] = {&overview, form.EditSample, form.SampleDots, form.SpeedButtonShiftLeft,
                             form.SpeedButtonToLeft};
    for (const QWidget* w : ours)
        QVERIFY2(!w->geometry().intersects(QRect(0, 0, 361, 170)), qPrintable(w->objectName()));
    const auto click = [&](int n) {
        QTest::mouseClick(&overview, Qt::LeftButton, {}, FontOverview::cellOf(n).center());
    };
    click(65);
    QCOMPARE(form.currentSymbol(), 65);
    QCOMPARE(form.ScrollBarSimb->value(), 65);
    QCOMPARE(form.LabelSym->text(), QStringLiteral("65"));
    QCOMPARE(overview.current(), 65);
    click(10); // below 32: shown, never chosen
    QCOMPARE(form.currentSymbol(), 65);

    overview.setFocus();
    const struct {
        QString typed;
        int key;
        int symbol;
    } steps[] = {
        {{}, Qt::Key_Right, 66},       {{}, Qt::Key_Down, 82},
        {{}, Qt::Key_Up, 66},          {{}, Qt::Key_Left, 65},
        {QStringLiteral("Ж"), 0, 198}, {QStringLiteral("я"), 0, 255},
        {{}, Qt::Key_Right, 255},      {QStringLiteral("№"), 0, 185},
        {QStringLiteral("✓"), 0, 185}, // not in the code page: nothing
        {QStringLiteral(" "), 0, 32},  {{}, Qt::Key_Up, 32},
    };
    for (const auto& step : steps) {
        if (step.typed.isEmpty())
            QTest::keyClick(&overview, Qt::Key(step.key));
        else
            type(&overview, step.typed);
        QCOMPARE(form.currentSymbol(), step.symbol);
        QCOMPARE(overview.current(), step.symbol);
    }
    QVERIFY(f.closeBox());
}

void FormZgTest::everyTransformHasItsKeyAndIsUndone() {
    Fixture f;
    TFormZg& form = f.shown();
    QApplication::setActiveWindow(&form);
    QVERIFY(QTest::qWaitForWindowActive(&form));
    const QByteArray glyph("\x00\x00\x7E\x11\x11\x7E\x00\x81", 8);
    const struct {
        QToolButton* button;
        const char* key;
        QByteArray after;
        bool byKey;
    } cases[] = {
        {form.SpeedButtonShiftLeft, "Alt+Left", QByteArray("\x00\x7E\x11\x11\x7E\x00\x81\x00", 8),
         true},
        {form.SpeedButtonShiftRight, "Alt+Right", QByteArray("\x00\x00\x00\x7E\x11\x11\x7E\x00", 8),
         false},
        {form.SpeedButtonShiftUp, "Alt+Up", QByteArray("\x00\x00\x3F\x08\x08\x3F\x00\x40", 8),
         false},
        {form.SpeedButtonShiftDown, "Alt+Down", QByteArray("\x00\x00\xFC\x22\x22\xFC\x00\x02", 8),
         true},
        {form.SpeedButtonMirror, "Ctrl+M", QByteArray("\x81\x00\x7E\x11\x11\x7E\x00\x00", 8), true},
        {form.SpeedButtonFlip, "Ctrl+Shift+M", QByteArray("\x00\x00\x7E\x88\x88\x7E\x00\x81", 8),
         false},
        {form.SpeedButtonToLeft, "Ctrl+L", QByteArray("\x7E\x11\x11\x7E\x00\x81\x00\x00", 8), true},
    };
    f.select(70);
    for (const auto& c : cases) {
        const QString name = c.button->objectName();
        QCOMPARE(c.button->shortcut(), QKeySequence(QString::fromLatin1(c.key)));
        QVERIFY2(c.button->toolTip().endsWith(
                     c.button->shortcut().toString(QKeySequence::NativeText) + ')'),
                 qPrintable(name));
        std::copy(glyph.begin(), glyph.end(), f.font.FontTable.begin() + 8 * 70);
        f.font.FontTable[8 * 71] = 0x33;
        // Undo gives back the table from before the transform, drawing since then included.
        if (c.byKey)
            QTest::keySequence(&form, c.button->shortcut());
        else
            c.button->click();
        QTRY_COMPARE(symbolOf(f.font, 70), c.after);
        QVERIFY2(form.SpeedButtonUndo->isEnabled(), qPrintable(name));
        form.PaintBoxMouseDown(Qt::LeftButton, 127, 0);
        form.PaintBoxMouseUp();
        form.SpeedButtonUndo->click();
        QCOMPARE(symbolOf(f.font, 70), glyph);
        QCOMPARE(f.font.FontTable[8 * 71], 0x33);
        QVERIFY(!form.SpeedButtonUndo->isEnabled());
    }
    QVERIFY(f.closeBox());
}

void FormZgTest::theSampleLineFollowsTheTextAndEveryDrawnDot() {
    Fixture f;
    TFormZg& form = f.make();
    // "  ", "  Привет мир" and "Ж" on three lines.
    std::string message = "  \r\n  /S5\xCF\xF0\xE8\xE2\xE5\xF2 /W1\xEC\xE8\xF0\r\n\xC6";
    form.setMessageSource([&] { return message; });
    f.shown();
    // The first line with a letter, without its indent and codes.
    QCOMPARE(form.EditSample->text(), QStringLiteral("Привет мир"));
    QVERIFY(form.EditSample->y() >= 170);
    QVERIFY(form.Overview->used()[0xCF] && form.Overview->used()[0xC6]);
    QVERIFY(!form.Overview->used()['/'] && !form.Overview->used()['S']);

    // A dot drawn on a symbol of the line shows in the line's dots before anything repaints.
    form.EditSample->setText(QStringLiteral("AB"));
    const sign::SignPlayer& dots = form.samplePlayer();
    QCOMPARE(dots.shownColumn(8), 0);
    f.select('B');
    form.PaintBoxMouseDown(Qt::LeftButton, 0, 127);
    QCOMPARE(dots.shownColumn(8), 0x80);
    form.PaintBoxMouseMove(17, 127);
    QCOMPARE(dots.shownColumn(9), 0x80);
    form.PaintBoxMouseUp();
    form.SpeedButtonInversClick();
    QCOMPARE(dots.shownColumn(8), 0x7F);
    QCOMPARE(dots.shownColumn(0), 0); // A stays blank

    // Once the operator has typed in the line, a new message leaves it alone.
    QVERIFY(f.closeBox());
    message = "\xC0";
    f.shown();
    QCOMPARE(form.EditSample->text(), QStringLiteral("А"));
    QVERIFY(form.Overview->used()[0xC0] && !form.Overview->used()[0xC6]);
    type(form.EditSample, QStringLiteral("Б"));
    QVERIFY(f.closeBox());
    message = "X";
    f.shown();
    QCOMPARE(form.EditSample->text(), QStringLiteral("АБ"));
    QVERIFY(f.closeBox());
}

QTEST_MAIN(FormZgTest)
#include "FormZgTest.moc"
