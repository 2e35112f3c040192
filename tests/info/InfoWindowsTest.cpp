#include "FakeSystemInfo.h"

#include "base/QtAdapt.h"
#include "info/AboutForm.h"
#include "info/DiagramForm.h"
#include "info/HelpForm.h"
#include "info/SystemInfo.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFrame>
#include <QImageReader>
#include <QLocale>
#include <QMap>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

QString separator() {
    return QString(158, u'-');
}
QString blanks(int count) {
    return QString(count, u' ');
}

struct HelpLine {
    int number;
    int length;
    QString text;
};

// The help text as the operator must see it, one row per line. Lines that repeat an earlier
// paragraph are listed in kRepeatedLines.
// clang-format off
const HelpLine kHelpLines[] = {
        {1, 36, u" Описание эффектов строки версии 2.5"_s},
        {2, 158, separator()},
        {3, 81, u"Для вставки эффектов в тексте необходимо установить последовательно  три символа."_s},
        {4, 41, u"     1-й символ = / - отметка эффекта    "_s},
        {5, 37, u"     2-й символ = X - тип эффекта    "_s},
        {6, 71, u"     3-й символ =  0-7 - время, уровень эффекта или специальный код    "_s},
        {7, 92, blanks(15) + u"отсустствие 2-го символа установит по умолчанию тип  \"WAIT\" (задержка)       "_s},
        {8, 72, blanks(15) + u"отсустствие 3-го символа установит по умолчанию урвень =1"_s},
        {9, 16, blanks(16)},
        {10, 50, u"  /W1     W=WAIT        задержка  1 = 1 сек       "_s},
        {11, 68, u"  /S7      S=SPEED       скорость строки 7 - условная единица       "_s},
        {12, 59, u"  /Q3      Q=QWUKLY  очистка  с задержкой  3 = 3 сек       "_s},
        {13, 60, u"  /F5       F=FILL           заполнение  кодом  5 = 4 линии "_s},
        {14, 23, blanks(10) + u"1 - полностью"_s},
        {15, 22, blanks(10) + u"2 - пустотой"_s},
        {16, 26, blanks(10) + u"3 - линией внизу"_s},
        {17, 31, blanks(10) + u"4 - линией в середине"_s},
        {18, 26, blanks(10) + u"5 - 4мя линиями "_s},
        {19, 61, u"  /U2      U=UP            сдвиг вверх  с заполнением        "_s},
        {20, 23, blanks(10) + u"1 - полностью"_s},
        {21, 22, blanks(10) + u"2 - пустотой"_s},
        {22, 50, u"  /D2      D=DOWN     сдвиг вниз   с заполнением  "_s},
        {23, 23, blanks(10) + u"1 - полностью"_s},
        {24, 22, blanks(10) + u"2 - пустотой"_s},
        {25, 36, u"  /J1   разъехаться в разные стороны"_s},
        {26, 1, blanks(1)},
        {27, 158, separator()},
        {28, 0, QString()},
        {29, 68, u" Команды меню дублируются горячими кнопками на панели инструментов. "_s},
        {30, 0, QString()},
        {31, 69, blanks(58) + u"Меню «ФАЙЛ»"_s},
        {32, 92, u"   Создать новый файл - программа предложит Вам сохранить уже созданный файл, затем очистит "_s},
        {33, 43, u"все шаги и установит стандартные параметры."_s},
        {34, 92, u"   Открыть файл - при использовании этой опции открывается стандартное окно диалога Windows "_s},
        {35, 84, u"и, после выбора необходимого Шоу, в память загружается записанные ранее сцены Шоу с "_s},
        {36, 59, u"установками и параметрами в момент последнего сохранения.  "_s},
        {37, 95, u"   Сохранить файл - опция является не визуальной, при ее использовании происходит запись всех  "_s},
        {38, 81, u"созданных шагов и параметров на диск в файл, имя которого было определено ранее. "_s},
        {39, 94, u"   Сохранить файл как - происходит вызов окна диалога записи, где предлагается дать новое Имя "_s},
        {40, 83, u"созданному или измененному файлу.  При нажатии на кнопку ОК все  созданные сцены и "_s},
        {41, 88, u"параметры записываются на диск в файл, имя которого было определено в окне диалога. Имя "_s},
        {42, 55, u"файла и путь всегда отображается вверху основной формы."_s},
        {43, 88, u"   Выход - завершается работа программы.  Перед закрытием происходит вызов окна диалога "_s},
        {44, 85, u"записи, где предлагается записать текущие изменения, дать другое  Имя созданному или "_s},
        {45, 89, u"измененному Шоу. При нажатии на кнопку ОК все созданные шаги и параметры записываются на "_s},
        {46, 57, u"диск в файл, имя которого было определено в окне диалога."_s},
        {47, 0, QString()},
        {48, 158, separator()},
        {49, 68, blanks(54) + u"Меню «Команды»"_s},
        {50, 0, QString()},
        {51, 158, separator()},
        {52, 69, blanks(54) + u"Меню «Сом порт»"_s},
        {53, 87, u"   В меню предлагается выбрать свободный СОМ порт, к которому будет подключено внешнее "_s},
        {54, 11, u"устройство."_s},
        {55, 83, u"   Последним пунктом находится опция позволяющая переслать данные из компьютера во "_s},
        {56, 8, u"внешнее "_s},
        {57, 57, u"устройство. Время пересылки указывается в строке статуса."_s},
        {58, 0, QString()},
        {59, 158, separator()},
        {60, 69, blanks(55) + u"Меню «Справка»"_s},
        {61, 86, u"   Здесь опции о программе, помощь и схема соединительного шнура компьютера с внешним "_s},
        {62, 12, u"устройством."_s},
        {63, 0, QString()},
        {64, 158, separator()},
        {65, 75, blanks(56) + u"Панель инструментов"_s},
        {66, 0, QString()},
        {67, 84, u"    Описание кнопок панели слева направо. Название кнопок на всплывающих подсказках."_s},
        {79, 158, separator()},
        {80, 0, QString()},
        {81, 85, u"    Загрузить файл во внешнее устройство - переслать данные из компьютера во внешнее "_s},
        {82, 12, u"устройство. "_s},
        {83, 158, separator()},
        {84, 0, QString()},
};
// clang-format on

// The tool-bar section repeats the file-command paragraphs: {line, the line it repeats}.
const int kRepeatedLines[][2] = {{68, 32}, {69, 33}, {70, 34}, {71, 35}, {72, 36}, {73, 39},
                                 {74, 40}, {75, 41}, {76, 42}, {77, 37}, {78, 38}};

QString helpLine(const THelpForm& form, int number) {
    return form.RichEdit->document()->findBlockByNumber(number - 1).text();
}

QColor textColour(const QWidget* widget) {
    return widget->palette().color(QPalette::WindowText);
}

bool near(QRgb pixel, QColor colour, int tolerance) {
    return std::abs(qRed(pixel) - colour.red()) <= tolerance &&
           std::abs(qGreen(pixel) - colour.green()) <= tolerance &&
           std::abs(qBlue(pixel) - colour.blue()) <= tolerance;
}

// The frame header of a JPEG stream: marker, height, width and number of colour components.
struct JpegFrame {
    int marker = 0;
    int height = 0;
    int width = 0;
    int components = 0;
};

std::optional<JpegFrame> jpegFrame(const QByteArray& data) {
    const auto byte = [&](qsizetype at) { return static_cast<unsigned char>(data.at(at)); };
    if (data.size() < 4 || byte(0) != 0xFF || byte(1) != 0xD8)
        return std::nullopt;
    qsizetype at = 2;
    while (at + 4 <= data.size()) {
        if (byte(at) != 0xFF)
            return std::nullopt;
        const int marker = byte(at + 1);
        const int length = byte(at + 2) << 8 | byte(at + 3);
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame && at + 10 <= data.size())
            return JpegFrame{marker, byte(at + 5) << 8 | byte(at + 6),
                             byte(at + 7) << 8 | byte(at + 8), byte(at + 9)};
        if (marker == 0xDA)
            return std::nullopt;
        at += 2 + length;
    }
    return std::nullopt;
}

bool centredOnScreen(const QWidget& window) {
    const QRect screen = window.screen()->availableGeometry();
    const QPoint offset = window.frameGeometry().center() - screen.center();
    // The frame the window manager adds is not known before the first showing.
    return std::abs(offset.x()) <= 8 && std::abs(offset.y()) <= 20;
}

void showAndWait(QWidget& window) {
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
}

} // namespace

class InfoWindowsTest : public QObject {
    Q_OBJECT

private slots:
    // Help window
    void helpTextHoldsEveryLineOfTheTable();
    void helpLookAlikeLettersAreOfTheRightAlphabet();
    void helpWindowProperties();
    void helpTextCannotBeChanged();
    void helpTextFollowsTheWindowSize();
    void helpWindowComesBackAsItWasLeft();

    // Connection diagram
    void diagramPicturesAreBaselineJpegs_data();
    void diagramPicturesAreBaselineJpegs();
    void diagramPictureShowsWiresBridgesAndCaption();
    void diagramFollowsTheDisplayRule_data();
    void diagramFollowsTheDisplayRule();
    void diagramWindowComesBackWhereItWasLeft();

    // About window
    void aboutLayoutAndLook();
    void aboutActivationFillsSystemInformation_data();
    void aboutActivationFillsSystemInformation();
    void aboutShowingActivates();
    void aboutTimerFlashesAndKeepsTheClock();
    void aboutLinkColoursFollowTheMouse();
    void aboutLinksReactToRealMouseEvents();
    void aboutClosesWithOkEnterOrEscape();
    void aboutComesBackWhereItWasLeft();

    // Linux system layer
#ifndef Q_OS_WIN // on Windows the Win32 one answers (Win32SystemTest)
    void timeFormatLosesItsZone_data();
    void timeFormatLosesItsZone();
    void linuxSystemInfoReadsThisMachine();
#endif
};

void InfoWindowsTest::helpTextHoldsEveryLineOfTheTable() {
    THelpForm form;
    QCOMPARE(form.RichEdit->document()->blockCount(), 84);

    QMap<int, HelpLine> expected;
    for (const HelpLine& line : kHelpLines) {
        QVERIFY2(!expected.contains(line.number), qPrintable(QString::number(line.number)));
        expected.insert(line.number, line);
    }
    for (const auto& [number, repeats] : kRepeatedLines)
        expected.insert(number,
                        {number, expected.value(repeats).length, expected.value(repeats).text});
    QCOMPARE(expected.size(), 84);

    for (const HelpLine& line : expected) {
        const QString actual = helpLine(form, line.number);
        const QByteArray where = "line " + QByteArray::number(line.number);
        QVERIFY2(actual.size() == line.length,
                 where + " has " + QByteArray::number(actual.size()) + " characters");
        QVERIFY2(actual == line.text, where + ": \"" + actual.toUtf8() + "\"");
    }
    // Nothing after the empty last line.
    QVERIFY(form.RichEdit->toPlainText().endsWith(separator() + u'\n'));
}

void InfoWindowsTest::helpLookAlikeLettersAreOfTheRightAlphabet() {
    THelpForm form;
    // Cyrillic "ОК", "Сом" and "СОМ".
    QVERIFY(helpLine(form, 40).contains(u"кнопку \u041E\u041A все"_s));
    QVERIFY(helpLine(form, 45).contains(u"кнопку \u041E\u041A все"_s));
    QVERIFY(helpLine(form, 52).endsWith(u"\u00AB\u0421\u043E\u043C порт\u00BB"_s));
    QVERIFY(helpLine(form, 53).contains(u"свободный \u0421\u041E\u041C порт"_s));
    // Latin codes and effect names.
    const QMap<int, QString> latin{{5, u"= X -"_s},
                                   {7, u"\"WAIT\""_s},
                                   {10, u"/W1     W=WAIT "_s},
                                   {11, u"/S7      S=SPEED "_s},
                                   {12, u"/Q3      Q=QWUKLY "_s},
                                   {13, u"/F5       F=FILL "_s},
                                   {19, u"/U2      U=UP "_s},
                                   {22, u"/D2      D=DOWN "_s},
                                   {25, u"/J1 "_s},
                                   {34, u" Windows "_s}};
    for (auto it = latin.begin(); it != latin.end(); ++it) {
        QVERIFY2(it.value().toLatin1() == it.value().toUtf8(), "the expectation is Latin");
        QVERIFY2(helpLine(form, it.key()).contains(it.value()),
                 qPrintable(QString::number(it.key())));
    }
    // Every character is one the sign's code page holds.
    const QString all = form.RichEdit->toPlainText();
    for (const QChar c : all)
        QVERIFY2(qtadapt::inCp1251(c), qPrintable(QString::number(c.unicode(), 16)));
}

void InfoWindowsTest::helpWindowProperties() {
    THelpForm form;
    QCOMPARE(form.windowTitle(), u"Справка"_s);
    QCOMPARE(form.size(), QSize(536, 348));
    const Qt::WindowFlags flags = form.windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(flags & Qt::WindowMinimizeButtonHint);
    QVERIFY(flags & Qt::WindowMaximizeButtonHint);
    QVERIFY(flags & Qt::WindowSystemMenuHint);
    QCOMPARE(form.RichEdit->objectName(), u"RichEdit"_s);
    QVERIFY(form.RichEdit->isReadOnly());
    QVERIFY(!form.RichEdit->tabChangesFocus());
    QCOMPARE(form.RichEdit->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    QCOMPARE(form.RichEdit->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(form.RichEdit->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(form.RichEdit->font().pixelSize(), 11);
    QCOMPARE(form.RichEdit->textCursor().position(), 0);
}

void InfoWindowsTest::helpTextCannotBeChanged() {
    THelpForm form;
    showAndWait(form);
    form.activateWindow();
    form.RichEdit->setFocus();
    const QString before = form.RichEdit->toPlainText();

    QTest::keyClick(form.RichEdit, Qt::Key_Down);
    QTest::keyClick(form.RichEdit, Qt::Key_End);
    QCOMPARE(form.RichEdit->textCursor().blockNumber(), 1);
    QTest::keyClicks(form.RichEdit, u"typed"_s);
    QTest::keyClick(form.RichEdit, Qt::Key_Return);
    QTest::keyClick(form.RichEdit, Qt::Key_Backspace);
    QTest::keyClick(form.RichEdit, Qt::Key_Home);
    QTest::keyClick(form.RichEdit, Qt::Key_Delete);
    QApplication::clipboard()->setText(u"pasted"_s);
    QTest::keyClick(form.RichEdit, Qt::Key_V, Qt::ControlModifier);
    form.RichEdit->paste();
    // Selecting works; cutting the selection does not remove it.
    QTest::keyClick(form.RichEdit, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(form.RichEdit, Qt::Key_Right, Qt::ShiftModifier);
    QVERIFY(form.RichEdit->textCursor().hasSelection());
    QTest::keyClick(form.RichEdit, Qt::Key_X, Qt::ControlModifier);
    QTest::keyClick(form.RichEdit, Qt::Key_Tab);
    QTest::keyClick(form.RichEdit, Qt::Key_Backtab, Qt::ShiftModifier);

    QCOMPARE(form.RichEdit->toPlainText(), before);
    QVERIFY(!form.RichEdit->document()->isModified());
    // Tab stayed in the text.
    QCOMPARE(QApplication::focusWidget(), form.RichEdit);
}

void InfoWindowsTest::helpTextFollowsTheWindowSize() {
    THelpForm form;
    showAndWait(form);
    for (const QSize size : {QSize(700, 500), QSize(300, 200), QSize(536, 348)}) {
        form.resize(size);
        QApplication::processEvents();
        QCOMPARE(form.RichEdit->geometry(), QRect(QPoint(0, 0), size));
    }
}

void InfoWindowsTest::helpWindowComesBackAsItWasLeft() {
    THelpForm form;
    showAndWait(form);
    QVERIFY(centredOnScreen(form));

    form.move(37, 41);
    form.resize(420, 260);
    QApplication::processEvents();
    QScrollBar* bar = form.RichEdit->verticalScrollBar();
    QVERIFY(bar->maximum() > 10);
    bar->setValue(bar->maximum() / 2);
    QTextCursor cursor = form.RichEdit->textCursor();
    cursor.setPosition(1200);
    cursor.setPosition(1234, QTextCursor::KeepAnchor);
    form.RichEdit->setTextCursor(cursor);
    bar->setValue(bar->maximum() / 2);
    const int scroll = bar->value();
    const QPoint place = form.pos();
    form.hide();

    showAndWait(form);
    QApplication::processEvents();
    QCOMPARE(form.pos(), place);
    QCOMPARE(form.size(), QSize(420, 260));
    QCOMPARE(bar->value(), scroll);
    QCOMPARE(form.RichEdit->textCursor().anchor(), 1200);
    QCOMPARE(form.RichEdit->textCursor().position(), 1234);
}

void InfoWindowsTest::diagramPicturesAreBaselineJpegs_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::newRow("diagram") << u":/info/pictures/diagram.jpg"_s << QSize(640, 250);
    QTest::newRow("waves") << u":/info/pictures/waves.jpg"_s << QSize(151, 86);
}

void InfoWindowsTest::diagramPicturesAreBaselineJpegs() {
    QFETCH(QString, path);
    QFETCH(QSize, size);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const auto frame = jpegFrame(file.readAll());
    QVERIFY(frame.has_value());
    QCOMPARE(frame->marker, 0xC0); // baseline
    QCOMPARE(QSize(frame->width, frame->height), size);
    QCOMPARE(frame->components, 3); // 24-bit colour

    QImageReader reader(path, "jpeg");
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.size(), size);
}

void InfoWindowsTest::diagramPictureShowsWiresBridgesAndCaption() {
    TDigrForm form;
    const QImage picture = form.Image->picture().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(picture.size(), QSize(640, 250));
    struct Ink {
        const char* name;
        QColor colour;
        int tolerance;
        int atLeast;
        int count = 0;
    };
    Ink inks[] = {{"white ground", QColor(255, 255, 255), 6, 60000},
                  {"red wires", QColor(220, 0, 0), 45, 1200},
                  {"blue bridges", QColor(0, 0, 224), 80, 300},
                  {"green caption", QColor(0, 128, 0), 40, 1200},
                  {"dark-red pin numbers", QColor(139, 0, 0), 30, 120},
                  {"black pins and labels", QColor(0, 0, 0), 40, 1500}};
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            for (Ink& ink : inks)
                if (near(picture.pixel(x, y), ink.colour, ink.tolerance))
                    ++ink.count;
    for (const Ink& ink : inks)
        QVERIFY2(ink.count >= ink.atLeast,
                 qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(ink.name)).arg(ink.count)));
    // The pale-yellow line along the edges.
    for (const QPoint at : {QPoint(1, 125), QPoint(320, 1), QPoint(638, 125), QPoint(320, 248)})
        QVERIFY2(near(picture.pixel(at), QColor(238, 226, 130), 40),
                 qPrintable(QStringLiteral("%1,%2").arg(at.x()).arg(at.y())));
}

void InfoWindowsTest::diagramFollowsTheDisplayRule_data() {
    QTest::addColumn<QSize>("client");
    QTest::addColumn<QSize>("shown");
    QTest::newRow("design size") << QSize(641, 250) << QSize(640, 250);
    QTest::newRow("narrower") << QSize(500, 250) << QSize(500, 195);
    QTest::newRow("lower") << QSize(641, 100) << QSize(256, 100);
    QTest::newRow("enlarged") << QSize(1000, 600) << QSize(640, 250);
}

void InfoWindowsTest::diagramFollowsTheDisplayRule() {
    QFETCH(QSize, client);
    QFETCH(QSize, shown);
    TDigrForm form;
    QCOMPARE(form.windowTitle(), u"Схема подключения"_s);
    QCOMPARE(form.Image->objectName(), u"Image"_s);
    showAndWait(form);
    form.resize(client);
    QApplication::processEvents();
    QCOMPARE(form.Image->geometry(), QRect(QPoint(0, 0), client));
    QCOMPARE(form.Image->pictureRect(), QRect(QPoint(0, 0), shown));

    // What is painted: the picture up to its edge, the background beyond it.
    const QImage shot = form.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shot.size(), client);
    const QColor background = form.palette().color(QPalette::Window);
    const int midY = shown.height() / 2;
    const int midX = shown.width() / 2;
    QVERIFY(!near(shot.pixel(shown.width() - 1, midY), background, 2));
    QVERIFY(!near(shot.pixel(midX, shown.height() - 1), background, 2));
    if (shown.width() < client.width())
        for (int y = 0; y < client.height(); y += 7)
            QVERIFY2(near(shot.pixel(shown.width(), y), background, 0),
                     qPrintable(QString::number(y)));
    if (shown.height() < client.height())
        for (int x = 0; x < client.width(); x += 7)
            QVERIFY2(near(shot.pixel(x, shown.height()), background, 0),
                     qPrintable(QString::number(x)));
}

void InfoWindowsTest::diagramWindowComesBackWhereItWasLeft() {
    TDigrForm form;
    QCOMPARE(form.size(), QSize(641, 250));
    showAndWait(form);
    QVERIFY(centredOnScreen(form));
    form.move(12, 34);
    form.resize(500, 220);
    QApplication::processEvents();
    form.hide();
    showAndWait(form);
    QCOMPARE(form.pos(), QPoint(12, 34));
    QCOMPARE(form.size(), QSize(500, 220));
}

void InfoWindowsTest::aboutLayoutAndLook() {
    FakeSystemInfo system;
    FakeShellOpen shell;
    TAboutForm form(system, shell);
    QCOMPARE(form.windowTitle(), u"О программе"_s);
    QCOMPARE(form.size(), QSize(305, 256));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QCOMPARE(form.palette().color(QPalette::Window), QColor(166, 202, 240));
    QVERIFY(form.autoFillBackground());

    QCOMPARE(form.Label4->text(), u"Lumetra V2.9      (c)  2026"_s);
    QCOMPARE(form.Label7->text(), form.Label8->text());
    QCOMPARE(form.Label1->text(), u"Example Town, +0 000 000-00-00"_s);
    QCOMPARE(form.Label3->text(), u"The Lumetra developers"_s);
    QCOMPARE(form.LabelLogin->text(), u"lumetra@example.org"_s);
    QCOMPARE(form.LabelHTTP->text(),
             u"Новая версия программы и дополнительная информация на сайте  "
             u"www.example.org"_s);
    QVERIFY(form.LabelHTTP->wordWrap());
    QCOMPARE(form.LabelTipCPU->text(), u"No info about CPU"_s);
    QCOMPARE(form.LabelDosVer->text(), u"No info about DOS version"_s);
    QCOMPARE(form.LabelWinVer->text(), u"No info about WIN version"_s);
    QCOMPARE(form.LabelHDD->text(), u"LabelHDD"_s);
    QCOMPARE(form.LabelTusday->text(), u"Сегодня"_s);
    QCOMPARE(form.LabelTime->text(), u"LabelTime"_s);
    QCOMPARE(textColour(form.Label4), QColor(0, 0, 0));

    const QMap<QWidget*, QPoint> places{
        {form.Label4, {24, 16}},       {form.Label1, {24, 32}},
        {form.Label3, {24, 48}},       {form.LabelLogin, {24, 64}},
        {form.Image2, {200, 8}},       {form.Label7, {64, 90}},
        {form.Label8, {66, 94}},       {form.Image1, {16, 94}},
        {form.BitBtnClose, {213, 98}}, {form.LabelTipCPU, {16, 136}},
        {form.LabelDosVer, {16, 152}}, {form.LabelWinVer, {16, 168}},
        {form.LabelHDD, {16, 184}},    {form.LabelTusday, {168, 136}},
        {form.LabelTime, {168, 152}},  {form.LabelHTTP, {16, 220}}};
    for (auto it = places.begin(); it != places.end(); ++it)
        QVERIFY2(it.key()->pos() == it.value(), qPrintable(it.key()->objectName()));
    QVERIFY(form.Image2->pixmap().isNull()); // decoded on the first showing

    // No text is cut off, whichever face stands in for the classic one (fitted when the window
    // is first shown).
    form.show();
    for (QLabel* label : {form.Label4, form.Label1, form.Label3,
                          static_cast<QLabel*>(form.LabelLogin), form.Label7, form.Label8})
        QVERIFY2(label->width() >= label->sizeHint().width() &&
                     label->height() >= label->sizeHint().height(),
                 qPrintable(label->objectName()));
    QCOMPARE(form.LabelHTTP->width(), 231);
    QVERIFY(form.LabelHTTP->height() >= 26);
    QVERIFY(form.LabelHTTP->height() >= form.LabelHTTP->heightForWidth(231));

    // The logo and its grey shadow behind it.
    QCOMPARE(textColour(form.Label7), QColor(0, 128, 128));
    QCOMPARE(textColour(form.Label8), QColor(128, 128, 128));
    QCOMPARE(form.Label7->font().pixelSize(), 24);
    QVERIFY(form.Label7->font().italic());
    QVERIFY(form.Label7->font().bold());
    QCOMPARE(form.Label8->font(), form.Label7->font());
    QVERIFY(form.children().indexOf(form.Label8) < form.children().indexOf(form.Label7));

    // Dividers: lines along the bottom of their areas, the fourth along the right.
    QCOMPARE(form.Bevel2->frameShape(), QFrame::HLine);
    QCOMPARE(form.Bevel2->geometry(), QRect(16, 87, 273, 2));
    QCOMPARE(form.Bevel1->geometry(), QRect(16, 132, 273, 2));
    QCOMPARE(form.Bevel3->geometry(), QRect(16, 212, 273, 2));
    QCOMPARE(form.Bevel4->frameShape(), QFrame::VLine);
    QCOMPARE(form.Bevel4->geometry(), QRect(159, 136, 2, 73));

    // Pictures, decoded on the first showing: the wave picture is larger than its control and
    // is cut off, not scaled.
    QCOMPARE(form.Image2->size(), QSize(89, 73));
    QCOMPARE(form.Image2->pixmap().size(), QSize(151, 86));
    QVERIFY(!form.Image2->hasScaledContents());
    QCOMPARE(form.Image1->size(), QSize(33, 33));
    QCOMPARE(form.Image1->pixmap().size(), QSize(32, 32));

    QCOMPARE(form.BitBtnClose->text(), u"OK"_s);
    QVERIFY(form.BitBtnClose->isDefault());
    QVERIFY(!form.BitBtnClose->icon().isNull());
    QCOMPARE(form.BitBtnClose->size(), QSize(75, 25));
    QCOMPARE(form.BitBtnClose->cursor().shape(), Qt::PointingHandCursor);
}

void InfoWindowsTest::aboutActivationFillsSystemInformation_data() {
    QTest::addColumn<std::optional<std::uint32_t>>("version");
    QTest::addColumn<std::optional<int>>("level");
    QTest::addColumn<std::optional<std::uint32_t>>("serial");
    QTest::addColumn<QString>("windows");
    QTest::addColumn<QString>("dos");
    QTest::addColumn<QString>("cpu");
    QTest::addColumn<QString>("hdd");

    QTest::newRow("all known") << std::optional<std::uint32_t>(0x0A280105u) << std::optional<int>(6)
                               << std::optional<std::uint32_t>(0xA1B2C3D4u) << u"Windows 5.01"_s
                               << u"DOS 10.40"_s << u"Intel Pentium III"_s
                               << u"Serial HDD: 2712847316"_s;
    QTest::newRow("level outside the table")
        << std::optional<std::uint32_t>(0x23F00206u) << std::optional<int>(15)
        << std::optional<std::uint32_t>(0u) << u"Windows 6.02"_s << u"DOS 35.240"_s << QString()
        << u"Serial HDD: 0"_s;
    QTest::newRow("nothing known")
        << std::optional<std::uint32_t>() << std::optional<int>() << std::optional<std::uint32_t>()
        << u"No info about WIN version"_s << u"No info about DOS version"_s << QString()
        << u"LabelHDD"_s;
    QTest::newRow("486, no version")
        << std::optional<std::uint32_t>() << std::optional<int>(4)
        << std::optional<std::uint32_t>(0x80000001u) << u"No info about WIN version"_s
        << u"No info about DOS version"_s << u"Intel 80486"_s << u"Serial HDD: 2147483649"_s;
}

void InfoWindowsTest::aboutActivationFillsSystemInformation() {
    QFETCH(std::optional<std::uint32_t>, version);
    QFETCH(std::optional<int>, level);
    QFETCH(std::optional<std::uint32_t>, serial);
    FakeSystemInfo system;
    system.version = version;
    system.level = level;
    system.serial = serial;
    FakeShellOpen shell;
    TAboutForm form(system, shell);
    form.FormActivate();
    QTEST(form.LabelWinVer->text(), "windows");
    QTEST(form.LabelDosVer->text(), "dos");
    QTEST(form.LabelTipCPU->text(), "cpu");
    QTEST(form.LabelHDD->text(), "hdd");
    QTEST(form.GetCPUName(), "cpu");
    // The labels size themselves to their text.
    QCOMPARE(form.LabelHDD->size(), form.LabelHDD->sizeHint());
    QCOMPARE(form.LabelWinVer->size(), form.LabelWinVer->sizeHint());

    // Information that later becomes unavailable leaves the lines as they were.
    const QString hdd = form.LabelHDD->text();
    const QString windows = form.LabelWinVer->text();
    system.serial.reset();
    system.version.reset();
    form.FormActivate();
    QCOMPARE(form.LabelHDD->text(), hdd);
    QCOMPARE(form.LabelWinVer->text(), windows);
}

void InfoWindowsTest::aboutShowingActivates() {
    FakeSystemInfo system;
    system.level = 5;
    system.serial = 0xA1B2C3D4u;
    FakeShellOpen shell;
    TAboutForm form(system, shell);
    QCOMPARE(form.LabelTipCPU->text(), u"No info about CPU"_s);
    showAndWait(form);
    QCOMPARE(form.LabelTipCPU->text(), u"Intel Pentium"_s);
    QCOMPARE(form.LabelHDD->text(), u"Serial HDD: 2712847316"_s);
    QCOMPARE(QApplication::focusWidget() ? QApplication::focusWidget() : form.focusWidget(),
             form.BitBtnClose);

    // Every showing asks again.
    form.accept();
    system.level = 3;
    showAndWait(form);
    QCOMPARE(form.LabelTipCPU->text(), u"Intel 80386"_s);
}

void InfoWindowsTest::aboutTimerFlashesAndKeepsTheClock() {
    FakeSystemInfo system;
    FakeShellOpen shell;
    TAboutForm form(system, shell);
    QCOMPARE(form.TimerFlesh->objectName(), u"TimerFlesh"_s);
    QCOMPARE(form.TimerFlesh->interval(), 300);
    QVERIFY(!form.TimerFlesh->isSingleShot());
    // Running from creation, before the window is ever shown.
    QVERIFY(form.TimerFlesh->isActive());
    QVERIFY(system.flashed.isEmpty());

    form.TimerFleshTimer();
    QCOMPARE(system.flashed, QList<QWidget*>{&form});
    QCOMPARE(form.LabelTusday->text(), u"Сегодня 08.12.2026"_s);
    QCOMPARE(form.LabelTime->text(), u"Время идет 04:05:06"_s);

    system.date = u"12/31/99"_s;
    system.time = u"11:59:59 PM"_s;
    form.TimerFleshTimer();
    QCOMPARE(system.flashed.size(), 2);
    QCOMPARE(form.LabelTusday->text(), u"Сегодня 12/31/99"_s);
    QCOMPARE(form.LabelTime->text(), u"Время идет 11:59:59 PM"_s);
    QCOMPARE(form.LabelTime->size(), form.LabelTime->sizeHint());

    // The timer itself drives the same handler.
    QVERIFY(QMetaObject::invokeMethod(form.TimerFlesh, "timeout", Qt::DirectConnection));
    QCOMPARE(system.flashed.size(), 3);
}

void InfoWindowsTest::aboutLinkColoursFollowTheMouse() {
    FakeSystemInfo system;
    FakeShellOpen shell;
    TAboutForm form(system, shell);
    const QColor black(0, 0, 0), red(255, 0, 0), navy(0, 0, 128), green(0, 128, 0);

    struct Link {
        LinkLabel* label;
        void (TAboutForm::*move)();
        void (TAboutForm::*leave)();
        void (TAboutForm::*click)();
        QString target;
    };
    const Link links[] = {
        {form.LabelLogin, &TAboutForm::LabelLoginMouseMove, &TAboutForm::LabelLoginMouseLeave,
         &TAboutForm::LabelLoginClick, u"mailto:lumetra@example.org"_s},
        {form.LabelHTTP, &TAboutForm::LabelHTTPMouseMove, &TAboutForm::LabelHTTPMouseLeave,
         &TAboutForm::LabelHTTPClick, u"http://www.example.org"_s}};
    for (const Link& link : links) {
        QCOMPARE(textColour(link.label), black);
        (form.*link.move)();
        QCOMPARE(textColour(link.label), red);
        QCOMPARE(link.label->cursor().shape(), Qt::PointingHandCursor);
        (form.*link.leave)();
        QCOMPARE(textColour(link.label), navy);
        (form.*link.click)();
        QCOMPARE(textColour(link.label), green);
        QCOMPARE(shell.opened.last(), link.target);
        (form.*link.move)();
        QCOMPARE(textColour(link.label), red);
        (form.*link.leave)();
        QCOMPARE(textColour(link.label), navy); // never black again
    }
    QCOMPARE(shell.opened.size(), 2);

    // The window's own background gives the web link its arrow back, not the e-mail link.
    form.FormMouseMove();
    QCOMPARE(form.LabelHTTP->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(form.LabelLogin->cursor().shape(), Qt::PointingHandCursor);
}

void InfoWindowsTest::aboutLinksReactToRealMouseEvents() {
    FakeSystemInfo system;
    FakeShellOpen shell;
    TAboutForm form(system, shell);
    showAndWait(form);
    const QPoint onLogin = form.LabelLogin->geometry().center();
    const QPoint onHttp = form.LabelHTTP->geometry().center();
    const QPoint background(290, 180);

    QTest::mouseMove(&form, background);
    QTest::mouseMove(&form, onLogin);
    QTRY_COMPARE(textColour(form.LabelLogin), QColor(255, 0, 0));
    QTest::mouseMove(&form, background);
    QTRY_COMPARE(textColour(form.LabelLogin), QColor(0, 0, 128));
    QTest::mouseClick(form.LabelLogin, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(textColour(form.LabelLogin), QColor(0, 128, 0));
    QCOMPARE(shell.opened, QStringList{u"mailto:lumetra@example.org"_s});

    QTest::mouseMove(&form, onHttp);
    QTRY_COMPARE(textColour(form.LabelHTTP), QColor(255, 0, 0));
    QCOMPARE(form.LabelHTTP->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseMove(&form, background);
    QTRY_COMPARE(form.LabelHTTP->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(textColour(form.LabelHTTP), QColor(0, 0, 128));
    // A press that ends outside the label is no click.
    QTest::mousePress(form.LabelHTTP, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(form.LabelHTTP, Qt::LeftButton, {}, QPoint(-20, -20));
    QCOMPARE(shell.opened.size(), 1);
    QTest::mouseClick(form.LabelHTTP, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(shell.opened.last(), u"http://www.example.org"_s);
}

void InfoWindowsTest::aboutClosesWithOkEnterOrEscape() {
    FakeSystemInfo system;
    FakeShellOpen shell;
    TAboutForm form(system, shell);
    const Qt::WindowFlags flags = form.windowFlags();
    QVERIFY(flags & Qt::CustomizeWindowHint);
    QVERIFY(!(flags & Qt::WindowCloseButtonHint));
    QVERIFY(!(flags & Qt::WindowSystemMenuHint));
    QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));

    showAndWait(form);
    // Escape, as in Help and the diagram, wherever the focus is.
    QTest::keyClick(form.BitBtnClose, Qt::Key_Escape);
    QVERIFY(!form.isVisible());
    showAndWait(form);
    // The window manager's close request is refused.
    QVERIFY(!form.close());
    QVERIFY(form.isVisible());

    QTest::keyClick(&form, Qt::Key_Return);
    QVERIFY(!form.isVisible());
    QCOMPARE(form.result(), int(QDialog::Accepted));

    showAndWait(form);
    QTest::keyClick(&form, Qt::Key_Enter, Qt::KeypadModifier);
    QVERIFY(!form.isVisible());

    showAndWait(form);
    QTest::mouseClick(form.BitBtnClose, Qt::LeftButton);
    QVERIFY(!form.isVisible());
}

void InfoWindowsTest::aboutComesBackWhereItWasLeft() {
#ifdef Q_OS_WIN
    QSKIP("Wine without a window manager leaves a moved window where it was put");
#endif
    FakeSystemInfo system;
    FakeShellOpen shell;
    TAboutForm form(system, shell);
    showAndWait(form);
    QVERIFY(centredOnScreen(form));
    form.move(70, 90);
    QApplication::processEvents();
    form.BitBtnCloseClick();
    QVERIFY(!form.isVisible());
    showAndWait(form);
    QCOMPARE(form.pos(), QPoint(70, 90));
    QCOMPARE(form.size(), QSize(305, 256));
}

#ifndef Q_OS_WIN
void InfoWindowsTest::timeFormatLosesItsZone_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");
    QTest::newRow("zone last") << u"HH:mm:ss t"_s << u"HH:mm:ss"_s;
    QTest::newRow("after am/pm") << u"h:mm:ss AP t"_s << u"h:mm:ss AP"_s;
    QTest::newRow("zone first") << u"t HH:mm:ss"_s << u"HH:mm:ss"_s;
    QTest::newRow("long zone") << u"HH:mm:ss tttt"_s << u"HH:mm:ss"_s;
    QTest::newRow("no zone") << u"H:mm:ss"_s << u"H:mm:ss"_s;
    QTest::newRow("quoted t kept") << u"HH 'h' mm 'min' ss 's' t"_s << u"HH 'h' mm 'min' ss 's'"_s;
    QTest::newRow("inner zone") << u"HH:mm t ss"_s << u"HH:mm ss"_s;
}

void InfoWindowsTest::timeFormatLosesItsZone() {
    QFETCH(QString, format);
    QTEST(timeFormatWithoutZone(format), "expected");
}

void InfoWindowsTest::linuxSystemInfoReadsThisMachine() {
    LinuxSystemInfo system;
    QVERIFY(!system.packedVersion().has_value());
    // The root file system always answers.
    QVERIFY(system.volumeSerial().has_value());
#if defined(__i386__) || defined(__x86_64__)
    if (QFile::exists(u"/proc/cpuinfo"_s)) {
        const auto level = system.processorLevel();
        QVERIFY(level.has_value());
        QVERIFY(*level >= 3);
    }
#else
    QVERIFY(!system.processorLevel().has_value());
#endif

    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    const QString russian = system.currentTimeText();
    const QString russianDate = system.currentDateText();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const QString american = system.currentTimeText();
    QLocale::setDefault(saved);
    QVERIFY2(QRegularExpression(u"^\\d\\d:\\d\\d:\\d\\d$"_s).match(russian).hasMatch(),
             qPrintable(russian));
    QVERIFY2(QRegularExpression(u"^\\d{1,2}:\\d\\d:\\d\\d\\s?[AP]M$"_s).match(american).hasMatch(),
             qPrintable(american));
    QVERIFY2(QRegularExpression(u"^\\d\\d\\.\\d\\d\\.\\d{4}$"_s).match(russianDate).hasMatch(),
             qPrintable(russianDate));

    // Flashing a hidden window is harmless.
    QWidget hidden;
    system.flashWindow(&hidden);
    system.flashWindow(nullptr);
}
#endif

QTEST_MAIN(InfoWindowsTest)
#include "InfoWindowsTest.moc"
