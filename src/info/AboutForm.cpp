#include "info/AboutForm.h"

#include "base/LazyIcon.h"
#include "info/InfoTexts.h"
#include "info/ShellOpen.h"
#include "info/SystemInfo.h"
#include "info/SystemInfoText.h"
#include "info/WindowLook.h"

#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>
#include <QTimer>

namespace {

const QColor kSkyBlue(166, 202, 240);
const QColor kLinkStart(0, 0, 0);
const QColor kLinkOver(255, 0, 0);
const QColor kLinkLeft(0, 0, 128);
const QColor kLinkClicked(0, 128, 0);
const QColor kLogo(0, 128, 128);
const QColor kLogoShadow(128, 128, 128);

QString text(const char16_t* literal) {
    return QString::fromUtf16(literal);
}

void setTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

// The system-information labels size themselves to their text.
void setAutoSizedText(QLabel* label, const QString& value) {
    label->setText(value);
    label->adjustSize();
}

// The given sizes fit the classic face; a larger stand-in face must not cut the text off.
QRect atLeastTextSize(QRect geometry, QSize text) {
    geometry.setWidth(std::max(geometry.width(), text.width()));
    geometry.setHeight(std::max(geometry.height(), text.height()));
    return geometry;
}

QFont logoFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Arial Black"), QStringLiteral("Arial"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans"),
                      QStringLiteral("DejaVu Sans")});
    font.setPixelSize(24);
    font.setWeight(QFont::Black);
    font.setItalic(true);
    return font;
}

} // namespace

LinkLabel::LinkLabel(QWidget* parent) : QLabel(parent) {
    setMouseTracking(true);
}

void LinkLabel::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    emit mouseMoved();
}

void LinkLabel::leaveEvent(QEvent* event) {
    QLabel::leaveEvent(event);
    emit mouseLeft();
}

void LinkLabel::mousePressEvent(QMouseEvent* event) {
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = m_pressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    if (click)
        emit clicked();
}

TAboutForm::TAboutForm(SystemInfo& info, ShellOpen& shell, QWidget* parent)
    : PlacedOnceDialog(parent), m_info(info), m_shell(shell) {
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(text(infotexts::AboutCaption));
    setWindowIcon(lazyWindowIcon(QStringLiteral(":/icons/about-window")));
    // A title bar with no buttons at all: the OK button is the only way out.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(305, 256);
    setFont(info::classicDialogFont());
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kSkyBlue);
    palette.setColor(QPalette::WindowText, Qt::black);
    setPalette(palette);
    setAutoFillBackground(true);
    setMouseTracking(true);

    Label4 = makeLabel(QStringLiteral("Label4"), text(infotexts::VersionLine), {24, 16, 153, 13});
    Label1 =
        makeLabel(QStringLiteral("Label1"), text(infotexts::MakerTownPhone), {24, 32, 171, 13});
    Label3 = makeLabel(QStringLiteral("Label3"), text(infotexts::AuthorName), {24, 48, 172, 13});
    LabelLogin =
        makeLink(QStringLiteral("LabelLogin"), text(infotexts::ContactEmail), {24, 64, 102, 13});

    Image2 = new QLabel(this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(200, 8, 89, 73);
    Image2->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Bevel2 = makeBevel(QStringLiteral("Bevel2"), {16, 80, 273, 9}, false);

    // The shadow lies behind the logo, two pixels right and four lower.
    Label8 = makeLabel(QStringLiteral("Label8"), text(infotexts::LogoName), {66, 94, 123, 33});
    Label8->setFont(logoFont());
    setTextColour(Label8, kLogoShadow);
    Label7 = makeLabel(QStringLiteral("Label7"), text(infotexts::LogoName), {64, 90, 132, 33});
    Label7->setFont(logoFont());
    setTextColour(Label7, kLogo);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(16, 94, 33, 33);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    BitBtnClose = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton, nullptr, this),
                                  text(infotexts::OkCaption), this);
    BitBtnClose->setObjectName(QStringLiteral("BitBtnClose"));
    BitBtnClose->setGeometry(213, 98, 75, 25);
    BitBtnClose->setCursor(Qt::PointingHandCursor);
    BitBtnClose->setDefault(true);
    connect(BitBtnClose, &QPushButton::clicked, this, &TAboutForm::BitBtnCloseClick);

    Bevel1 = makeBevel(QStringLiteral("Bevel1"), {16, 125, 273, 9}, false);
    LabelTipCPU =
        makeInfoLabel(QStringLiteral("LabelTipCPU"), text(infotexts::NoCpuInfo), {16, 136});
    LabelDosVer =
        makeInfoLabel(QStringLiteral("LabelDosVer"), text(infotexts::NoDosVersion), {16, 152});
    LabelWinVer =
        makeInfoLabel(QStringLiteral("LabelWinVer"), text(infotexts::NoWinVersion), {16, 168});
    LabelHDD =
        makeInfoLabel(QStringLiteral("LabelHDD"), text(infotexts::HddPlaceholder), {16, 184});
    Bevel4 = makeBevel(QStringLiteral("Bevel4"), {153, 136, 8, 73}, true);
    LabelTusday = makeInfoLabel(QStringLiteral("LabelTusday"), text(infotexts::Today), {168, 136});
    LabelTime =
        makeInfoLabel(QStringLiteral("LabelTime"), text(infotexts::TimePlaceholder), {168, 152});
    Bevel3 = makeBevel(QStringLiteral("Bevel3"), {16, 205, 273, 9}, false);

    LabelHTTP =
        makeLink(QStringLiteral("LabelHTTP"),
                 text(infotexts::WebIntro) + text(infotexts::WebAddress), {16, 220, 231, 26});
    LabelHTTP->setWordWrap(true);
    LabelHTTP->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    connect(LabelLogin, &LinkLabel::mouseMoved, this, &TAboutForm::LabelLoginMouseMove);
    connect(LabelLogin, &LinkLabel::mouseLeft, this, &TAboutForm::LabelLoginMouseLeave);
    connect(LabelLogin, &LinkLabel::clicked, this, &TAboutForm::LabelLoginClick);
    connect(LabelHTTP, &LinkLabel::mouseMoved, this, &TAboutForm::LabelHTTPMouseMove);
    connect(LabelHTTP, &LinkLabel::mouseLeft, this, &TAboutForm::LabelHTTPMouseLeave);
    connect(LabelHTTP, &LinkLabel::clicked, this, &TAboutForm::LabelHTTPClick);

    // Runs for the whole run, hidden or not, so the clock is current when the window opens.
    TimerFlesh = new QTimer(this);
    TimerFlesh->setObjectName(QStringLiteral("TimerFlesh"));
    TimerFlesh->setInterval(300);
    connect(TimerFlesh, &QTimer::timeout, this, &TAboutForm::TimerFleshTimer);
    TimerFlesh->start();
}

QLabel* TAboutForm::makeLabel(const QString& name, const QString& value, QRect geometry) {
    auto* label = new QLabel(value, this);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(geometry);
    m_textFits.emplace_back(label, geometry);
    return label;
}

QLabel* TAboutForm::makeInfoLabel(const QString& name, const QString& value, QPoint at) {
    auto* label = new QLabel(this);
    label->setObjectName(name);
    label->move(at);
    label->setText(value);
    m_autoSized.push_back(label);
    return label;
}

LinkLabel* TAboutForm::makeLink(const QString& name, const QString& value, QRect geometry) {
    auto* label = new LinkLabel(this);
    label->setObjectName(name);
    label->setText(value);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(geometry);
    m_textFits.emplace_back(label, geometry);
    setTextColour(label, kLinkStart);
    return label;
}

// A lowered line along the bottom (or the right) edge of the given area.
QFrame* TAboutForm::makeBevel(const QString& name, QRect geometry, bool rightLine) {
    auto* line = new QFrame(this);
    line->setObjectName(name);
    line->setFrameShadow(QFrame::Sunken);
    if (rightLine) {
        line->setFrameShape(QFrame::VLine);
        line->setGeometry(geometry.right() - 1, geometry.top(), 2, geometry.height());
    } else {
        line->setFrameShape(QFrame::HLine);
        line->setGeometry(geometry.left(), geometry.bottom() - 1, geometry.width(), 2);
    }
    return line;
}

void TAboutForm::FormActivate() {
    prepareFirstShowing();
    if (const auto serial = m_info.volumeSerial())
        setAutoSizedText(LabelHDD, QString::fromStdString(info::volumeSerialText(*serial)));
    GetInfo();
}

void TAboutForm::GetInfo() {
    if (const auto version = m_info.packedVersion()) {
        setAutoSizedText(LabelWinVer, QString::fromStdString(info::windowsVersionText(*version)));
        setAutoSizedText(LabelDosVer, QString::fromStdString(info::dosVersionText(*version)));
    }
    setAutoSizedText(LabelTipCPU, GetCPUName());
}

QString TAboutForm::GetCPUName() {
    return QString::fromStdString(info::processorName(m_info.processorLevel()));
}

void TAboutForm::TimerFleshTimer() {
    m_info.flashWindow(this);
    setAutoSizedText(LabelTusday, text(infotexts::TodayPrefix) + m_info.currentDateText());
    setAutoSizedText(LabelTime, text(infotexts::TimePrefix) + m_info.currentTimeText());
}

void TAboutForm::FormMouseMove() {
    LabelHTTP->setCursor(Qt::ArrowCursor);
}

void TAboutForm::BitBtnCloseClick() {
    accept();
}

void TAboutForm::LabelLoginMouseMove() {
    setTextColour(LabelLogin, kLinkOver);
    LabelLogin->setCursor(Qt::PointingHandCursor);
}

void TAboutForm::LabelLoginMouseLeave() {
    setTextColour(LabelLogin, kLinkLeft);
}

void TAboutForm::LabelLoginClick() {
    setTextColour(LabelLogin, kLinkClicked);
    m_shell.open(text(infotexts::MailScheme) + text(infotexts::ContactEmail));
    setTextColour(LabelLogin, kLinkClicked);
}

void TAboutForm::LabelHTTPMouseMove() {
    setTextColour(LabelHTTP, kLinkOver);
    LabelHTTP->setCursor(Qt::PointingHandCursor);
}

void TAboutForm::LabelHTTPMouseLeave() {
    setTextColour(LabelHTTP, kLinkLeft);
}

void TAboutForm::LabelHTTPClick() {
    setTextColour(LabelHTTP, kLinkClicked);
    m_shell.open(text(infotexts::WebScheme) + text(infotexts::WebAddress));
    setTextColour(LabelHTTP, kLinkClicked);
}

void TAboutForm::reject() {}

void TAboutForm::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Cancel) && event->modifiers() == Qt::NoModifier) {
        BitBtnCloseClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TAboutForm::prepareFirstShowing() {
    if (std::exchange(m_prepared, true))
        return;
    // The given sizes fit the classic face; a larger stand-in face must not cut the text off.
    for (const auto& [label, geometry] : m_textFits)
        label->setGeometry(atLeastTextSize(geometry, label->sizeHint()));
    // Two lines of the classic face; a stand-in face with taller lines gets their height.
    LabelHTTP->setGeometry(16, 220, 231, std::max(26, LabelHTTP->heightForWidth(231)));
    for (QLabel* label : m_autoSized)
        label->adjustSize();

    // Natural size from the top-left corner, cut off at the control's edges.
    QString error;
    const QImage waves = readPicture(QStringLiteral(":/info/pictures/waves.jpg"), "jpeg", &error);
    if (waves.isNull())
        qWarning("The About picture cannot be decoded: %s", qPrintable(error));
    Image2->setPixmap(QPixmap::fromImage(waves));
    Image1->setPixmap(lazyIcon(QStringLiteral(":/info/pictures/chip")).pixmap(QSize(32, 32)));
}

void TAboutForm::showEvent(QShowEvent* event) {
    prepareFirstShowing();
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    info::withoutTitleBarButtons(this);
    FormActivate();
    BitBtnClose->setFocus();
}

void TAboutForm::mouseMoveEvent(QMouseEvent* event) {
    QDialog::mouseMoveEvent(event);
    FormMouseMove();
}
