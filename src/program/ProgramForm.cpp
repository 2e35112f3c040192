#include "program/ProgramForm.h"

#include "base/AtomicFile.h"
#include "base/Dialogs.h"
#include "base/FileFailure.h"
#include "base/QtAdapt.h"
#include "frames/LinkUrl.h"
#include "program/WeekChart.h"
#include "sign/SignPreview.h"
#include "upload/BrokerAccess.h"
#include "upload/UploadTexts.h"

#ifdef LUMETRA_HAVE_MQTT
#include "fleet/Broker.h"
#include "upload/MqttLink.h"
#endif

#include <QCompleter>
#include <QEventLoop>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTableWidget>
#include <QTimeZone>
#include <QTimer>
#include <QVBoxLayout>

#include <mutex>

namespace program {
namespace {

using namespace std::chrono;

// A program file is a page of text; anything far larger is no program.
constexpr std::size_t MostFileBytes = 4u << 20;
constexpr const char* Filter = "Программы показа   *.lprog|*.lprog|Все файлы|*.*";

const std::array<QString, 7> DayNames = {
    QStringLiteral("пн"), QStringLiteral("вт"), QStringLiteral("ср"), QStringLiteral("чт"),
    QStringLiteral("пт"), QStringLiteral("сб"), QStringLiteral("вс")};

QString fromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

int weekdayOf(local_days day) {
    return static_cast<int>((weekday(day).c_encoding() + 6) % 7);
}

QString dayName(local_days day) {
    const year_month_day ymd{day};
    return QStringLiteral("%1 %2.%3")
        .arg(DayNames[static_cast<std::size_t>(weekdayOf(day))])
        .arg(static_cast<unsigned>(ymd.day()), 2, 10, QChar('0'))
        .arg(static_cast<unsigned>(ymd.month()), 2, 10, QChar('0'));
}

QString clockOf(int second) {
    return QStringLiteral("%1:%2")
        .arg(second / 3600, 2, 10, QChar('0'))
        .arg(second / 60 % 60, 2, 10, QChar('0'));
}

// The editor's text as a program's: UTF-8, LF breaks, its braces kept as braces.
std::string entryText(const std::string& cp1251) {
    QString text = qtadapt::fromCp1251(cp1251);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar('{'), QStringLiteral("{{"));
    return text.toStdString();
}

struct Heard {
    std::mutex mutex;
    bool connected = false;
    std::string lost, problem;
};

} // namespace

ProgramForm::ProgramForm(Setup setup, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_setup(std::move(setup)), m_dialogs(dialogs), m_zone(new QLineEdit(this)),
      m_default(new QLineEdit(this)), m_clearEdit(new QLineEdit(this)), m_vars(new QLineEdit(this)),
      m_table(new QTableWidget(0, ColumnCount, this)), m_state(new QLabel(this)),
      m_chart(new WeekChart(this)), m_legend(new QLabel(this)), m_moment(new QLabel(this)),
      m_sent(new QLabel(this)),
      m_preview(new sign::SignPreview(*m_setup.font, m_setup.signWidth, dialogs, this)) {
    setObjectName(QStringLiteral("FormProgram"));
    setWindowTitle(QStringLiteral("Программа показа"));

    m_zone->setObjectName(QStringLiteral("EditZone"));
    m_zone->setPlaceholderText(QStringLiteral("часовой пояс этой машины"));
    m_zone->setToolTip(QStringLiteral("Часовой пояс знака, например Europe/Moscow; часы записей "
                                      "идут по нему, с переходом на летнее время"));
    QStringList zones;
    for (const QByteArray& id : QTimeZone::availableTimeZoneIds())
        zones << QString::fromLatin1(id);
    auto* completer = new QCompleter(zones, m_zone);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setFilterMode(Qt::MatchContains);
    m_zone->setCompleter(completer);
    m_default->setObjectName(QStringLiteral("EditDefault"));
    m_default->setToolTip(QStringLiteral("Текст, когда ни одна запись не действует"));
    m_clearEdit->setObjectName(QStringLiteral("EditClear"));
    m_clearEdit->setPlaceholderText(QString::fromLatin1(DefaultClear.data(), DefaultClear.size()));
    m_clearEdit->setToolTip(
        QStringLiteral("Что ставится между записями, которые идут по очереди в одном тексте"));
    m_clearEdit->setMaximumWidth(70);
    m_vars->setObjectName(QStringLiteral("EditVars"));
    m_vars->setPlaceholderText(QStringLiteral("close=21:00; цена=99"));
    m_vars->setToolTip(QStringLiteral(
        "Значения {var:имя} для недели и просмотра здесь; знак берёт их у агента, из "
        "<Prefix>/vars/<имя> на брокере"));
    for (QLineEdit* edit : {m_zone, m_default, m_clearEdit, m_vars})
        connect(edit, &QLineEdit::editingFinished, this, &ProgramForm::refresh);

    m_table->setObjectName(QStringLiteral("TableEntries"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("Имя"), QStringLiteral("Дни"),
                                        QStringLiteral("Даты"), QStringLiteral("С"),
                                        QStringLiteral("До"), QStringLiteral("Приоритет"),
                                        QStringLiteral("Действует до"), QStringLiteral("Текст")});
    const std::array<const char*, ColumnCount> tips = {
        "Имя записи",
        "mon..sun, списком или диапазоном: mon-fri, sat,sun; пусто — каждый день",
        "2026-12-20..2026-12-31, через запятую; пусто — любая дата",
        "Начало часов показа, 08:00; пусто — с полуночи",
        "Конец часов показа, 12:00; раньше начала — через полночь; пусто — до полуночи",
        "Целое число; из действующих записей идут только записи высшего приоритета",
        "Момент со смещением, 2026-12-09T15:00:00+03:00: после него запись не показывается",
        "Текст с кодами эффектов и полями {date}, {time:HH:mm}, {weekday}, {var:имя}"};
    for (int c = 0; c < ColumnCount; ++c)
        m_table->horizontalHeaderItem(c)->setToolTip(QString::fromUtf8(tips[std::size_t(c)]));
    m_table->verticalHeader()->hide();
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setSectionResizeMode(ColumnText, QHeaderView::Stretch);
    connect(m_table, &QTableWidget::cellChanged, this, [this] {
        if (!m_filling)
            refresh();
    });

    const auto button = [this](const QString& text, const char* name, auto slot) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    auto* addText = button(QStringLiteral("Добавить текущий текст"), "ButtonAddText",
                           &ProgramForm::addCurrentText);
    addText->setToolTip(QStringLiteral("Новая запись с текстом из окна редактора"));
    auto* add = button(QStringLiteral("Новая запись"), "ButtonAddEntry", &ProgramForm::addEntry);
    auto* remove =
        button(QStringLiteral("Удалить запись"), "ButtonRemoveEntry", &ProgramForm::removeEntry);
    auto* open = button(QStringLiteral("Открыть…"), "ButtonOpen", [this] { openFile(); });
    auto* saveButton = button(QStringLiteral("Сохранить"), "ButtonSave", [this] { save(); });
    auto* saveAsButton =
        button(QStringLiteral("Сохранить как…"), "ButtonSaveAs", [this] { saveAs(); });
    auto* send =
        button(QStringLiteral("Отправить на знак"), "ButtonSend", &ProgramForm::sendToSign);
    send->setToolTip(QStringLiteral("Программу выполняет агент знака: она уходит ему через "
                                    "брокер MQTT отмеченного порта"));
    auto* close = button(QStringLiteral("Закрыть"), "ButtonClose", &QDialog::accept);

    for (QLabel* label : {m_state, m_legend, m_moment, m_sent}) {
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    m_state->setObjectName(QStringLiteral("LabelProgram"));
    m_legend->setObjectName(QStringLiteral("LabelLegend"));
    m_legend->setTextFormat(Qt::RichText);
    m_moment->setObjectName(QStringLiteral("LabelMoment"));
    m_sent->setObjectName(QStringLiteral("LabelSend"));
    // Two lines kept for the moment's text, so a click does not move the chart under the mouse.
    m_moment->setMinimumHeight(2 * m_moment->fontMetrics().lineSpacing());
    m_moment->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    connect(m_chart, &WeekChart::clicked, this, &ProgramForm::showMoment);

    auto* head = new QGridLayout;
    head->addWidget(new QLabel(QStringLiteral("Часовой пояс:"), this), 0, 0);
    head->addWidget(m_zone, 0, 1);
    head->addWidget(new QLabel(QStringLiteral("Разделитель:"), this), 0, 2);
    head->addWidget(m_clearEdit, 0, 3);
    head->addWidget(new QLabel(QStringLiteral("Текст по умолчанию:"), this), 1, 0);
    head->addWidget(m_default, 1, 1, 1, 3);
    head->addWidget(new QLabel(QStringLiteral("Переменные:"), this), 2, 0);
    head->addWidget(m_vars, 2, 1, 1, 3);
    head->setColumnStretch(1, 1);
    auto* entryButtons = new QHBoxLayout;
    for (QPushButton* b : {addText, add, remove})
        entryButtons->addWidget(b);
    entryButtons->addStretch(1);
    for (QPushButton* b : {open, saveButton, saveAsButton})
        entryButtons->addWidget(b);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_sent, 1);
    bottom->addWidget(send);
    bottom->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addWidget(m_table, 2);
    layout->addLayout(entryButtons);
    layout->addWidget(m_state);
    layout->addWidget(m_chart, 3);
    layout->addWidget(m_legend);
    layout->addWidget(m_moment);
    layout->addWidget(m_preview);
    layout->addLayout(bottom);
    resize(900, 760);
    m_moment->setText(
        QStringLiteral("Щёлкните в неделе: просмотр покажет текст знака в ту минуту."));
    refresh();
}

// The dialog hides as it goes, and the field that loses the focus then would tell a window
// whose members are gone.
ProgramForm::~ProgramForm() {
    for (QLineEdit* edit : {m_zone, m_default, m_clearEdit, m_vars})
        edit->disconnect(this);
    m_table->disconnect(this);
}

Seconds ProgramForm::now() const {
    return m_setup.now ? m_setup.now() : floor<seconds>(system_clock::now());
}

ProgramFields ProgramForm::fields() const {
    ProgramFields p;
    p.timezone = m_zone->text().trimmed().toStdString();
    p.defaultText = m_default->text().toStdString();
    if (!m_clearEdit->text().isEmpty())
        p.clear = m_clearEdit->text().toStdString();
    else if (m_clear && m_clear->empty())
        p.clear = std::string(); // the file's own "no separator"
    for (int row = 0; row < m_table->rowCount(); ++row) {
        const auto cell = [&](int column) {
            const QTableWidgetItem* item = m_table->item(row, column);
            QString text = item ? item->text() : QString();
            return (column == ColumnText ? text : text.trimmed()).toStdString();
        };
        p.entries.push_back({cell(ColumnName), cell(ColumnDays), cell(ColumnDates),
                             cell(ColumnFrom), cell(ColumnTo), cell(ColumnPriority),
                             cell(ColumnUntil), cell(ColumnText)});
    }
    return p;
}

void ProgramForm::setEntry(int row, const EntryFields& e) {
    const std::array<const std::string*, ColumnCount> cells = {
        &e.name, &e.days, &e.dates, &e.from, &e.to, &e.priority, &e.until, &e.text};
    for (int c = 0; c < ColumnCount; ++c)
        m_table->setItem(row, c, new QTableWidgetItem(fromUtf8(*cells[std::size_t(c)])));
}

void ProgramForm::setFields(const ProgramFields& p) {
    m_filling = true;
    m_zone->setText(fromUtf8(p.timezone));
    m_default->setText(fromUtf8(p.defaultText));
    m_clear = p.clear;
    m_clearEdit->setText(p.clear ? fromUtf8(*p.clear) : QString());
    m_table->setRowCount(static_cast<int>(p.entries.size()));
    for (int row = 0; row < m_table->rowCount(); ++row)
        setEntry(row, p.entries[std::size_t(row)]);
    m_filling = false;
    refresh();
}

Vars ProgramForm::vars() const {
    Vars values;
    for (const QString& pair : m_vars->text().split(QChar(';'), Qt::SkipEmptyParts)) {
        const auto equals = pair.indexOf(QChar('='));
        if (equals > 0)
            values[pair.left(equals).trimmed().toStdString()] =
                pair.mid(equals + 1).trimmed().toStdString();
    }
    return values;
}

std::string ProgramForm::programJson() const {
    return writeProgramFields(fields());
}

void ProgramForm::refresh() {
    const Seconds at = now();
    m_schedule.reset();
    m_refusal.clear();
    std::vector<std::string> warnings;
    try {
        Loaded loaded = loadProgram(programJson(), *m_setup.zones, at, vars());
        m_schedule = std::move(loaded.schedule);
        warnings = std::move(loaded.warnings);
    } catch (const std::exception& e) {
        m_refusal = e.what();
    }
    // Colours by row, so the table, the legend and the chart agree also while it is refused.
    QString legend = QStringLiteral("<span style='color:%1'>■</span> по умолчанию")
                         .arg(WeekChart::defaultColour().name());
    {
        const QSignalBlocker blocker(m_table);
        for (int row = 0; row < m_table->rowCount(); ++row) {
            const QColor colour = WeekChart::entryColour(std::size_t(row));
            QTableWidgetItem* name = m_table->item(row, ColumnName);
            if (!name) {
                name = new QTableWidgetItem;
                m_table->setItem(row, ColumnName, name);
            }
            name->setData(Qt::DecorationRole, colour);
            const QString shown =
                name->text().trimmed().isEmpty() ? QString::number(row + 1) : name->text();
            legend += QStringLiteral(" &nbsp; <span style='color:%1'>■</span> %2")
                          .arg(colour.name(), shown.toHtmlEscaped());
        }
    }
    legend += QStringLiteral(" &nbsp; <b>▮</b> линия занята передачей");
    m_legend->setText(legend);
    if (!m_schedule) {
        m_state->setStyleSheet(QStringLiteral("color: #b00000"));
        m_state->setText(QStringLiteral("Программа не принята: %1. Агент её не возьмёт; всё "
                                        "введённое остаётся здесь, исправьте и продолжайте.")
                             .arg(fromUtf8(m_refusal)));
        m_chart->setWeek(std::nullopt, {}, QStringLiteral("Программа не принята"));
        m_chart->setChosen(-1, 0);
        m_moment->setText(QStringLiteral("Пока программа не принята, что на знаке, не показать."));
        m_preview->scheduleText({});
        m_preview->restartNow();
        return;
    }
    const TimeZone& zone = m_schedule->zone();
    const LocalSeconds local = zone.toLocal(at);
    m_first = floor<days>(local);
    QStringList names;
    for (int day = 0; day < WeekDays; ++day)
        names << dayName(m_first + days(day));
    m_chart->setWeek(weekOf(*m_schedule, m_first, vars()), names);
    m_chart->setNow(0, static_cast<int>((local - m_first).count()));
    // The moment looked at shows what the program as it stands now puts there.
    if (m_chosenDay >= 0)
        showMoment(m_chosenDay, m_chosenSecond);
    QString state = QStringLiteral("Программа принята, часовой пояс %1.")
                        .arg(fromUtf8(zone.name().empty() ? "UTC" : zone.name()));
    if (const auto next = m_schedule->nextChange(at)) {
        const LocalSeconds when = zone.toLocal(next->when);
        const auto day = floor<days>(when);
        state += QStringLiteral(" Следующая смена: %1 %2, %3.")
                     .arg(dayName(day), clockOf(static_cast<int>((when - day).count())),
                          next->entries.empty() ? QStringLiteral("по умолчанию")
                                                : fromUtf8(m_schedule->names(next->entries)));
    }
    for (const std::string& w : warnings)
        state += QStringLiteral(" Внимание: %1.").arg(fromUtf8(w));
    m_state->setStyleSheet({});
    m_state->setText(state);
}

void ProgramForm::showMoment(int day, int second) {
    if (!m_schedule)
        return;
    const Seconds at = weekMoment(*m_schedule, m_first, day, second);
    const Composition c = m_schedule->compose(at, vars());
    m_chosenDay = day;
    m_chosenSecond = second;
    m_chart->setChosen(day, second);
    QString text = QStringLiteral("%1 %2 — %3: «%4»")
                       .arg(dayName(m_first + days(day)), clockOf(second),
                            c.entries.empty() ? QStringLiteral("по умолчанию")
                                              : fromUtf8(m_schedule->names(c.entries)),
                            fromUtf8(c.utf8));
    if (!c.warnings.empty())
        text += QStringLiteral(". Без значения в «Переменных» {var:…} — «?», как у агента, пока "
                               "его не задали");
    if (c.replaced > 0)
        text += QStringLiteral(". Символов вне Windows-1251: %1, на знаке они «?»").arg(c.replaced);
    m_moment->setText(text);
    m_preview->scheduleText(c.cp1251);
    m_preview->restartNow();
}

void ProgramForm::addCurrentText() {
    const std::string text = m_setup.editorText ? m_setup.editorText() : std::string();
    const int row = m_table->rowCount();
    m_filling = true;
    m_table->insertRow(row);
    setEntry(row, {"текст " + std::to_string(row + 1), {}, {}, {}, {}, {}, {}, entryText(text)});
    m_filling = false;
    m_table->setCurrentCell(row, ColumnName);
    refresh();
}

void ProgramForm::addEntry() {
    const int row = m_table->rowCount();
    m_filling = true;
    m_table->insertRow(row);
    setEntry(row, {"запись " + std::to_string(row + 1), {}, {}, {}, {}, {}, {}, {}});
    m_filling = false;
    m_table->setCurrentCell(row, ColumnName);
    m_table->editItem(m_table->item(row, ColumnName));
    refresh();
}

void ProgramForm::removeEntry() {
    const int row = m_table->currentRow();
    if (row < 0)
        return;
    m_table->removeRow(row);
    refresh();
}

bool ProgramForm::openFile() {
    Dialogs::FileRequest request{QStringLiteral("Открыть программу показа"), m_fileName,
                                 QString::fromUtf8(Filter), QStringLiteral("lprog")};
    const auto path = m_dialogs.openFileName(this, request);
    return path && openFile(*path);
}

bool ProgramForm::openFile(const QString& path) {
    ProgramFields read;
    try {
        read = readProgramFields(readRegularFile(qtadapt::toStd(path), MostFileBytes));
    } catch (const FileError& e) {
        m_dialogs.error(this, QStringLiteral("Не могу прочитать %1: %2")
                                  .arg(path, fileFailureReason(e.err(), qtadapt::toStd(path))));
        return false;
    } catch (const ProgramError& e) {
        m_dialogs.error(
            this, QStringLiteral("%1 — не программа показа: %2").arg(path, fromUtf8(e.what())));
        return false;
    }
    setFields(read);
    m_fileName = path;
    m_sent->setText(QStringLiteral("Файл: %1").arg(QFileInfo(path).fileName()));
    return true;
}

bool ProgramForm::writeTo(const QString& path) {
    const std::string json = programJson();
    try {
        replaceFileAtomically(
            qtadapt::toStd(path),
            std::span(reinterpret_cast<const std::uint8_t*>(json.data()), json.size()));
    } catch (const FileError& e) {
        m_dialogs.error(this, QStringLiteral("Не могу записать %1: %2")
                                  .arg(path, fileFailureReason(e.err(), qtadapt::toStd(path))));
        return false;
    }
    m_fileName = path;
    m_sent->setText(QStringLiteral("Сохранено: %1").arg(QFileInfo(path).fileName()));
    // Kept as typed; the agent would refuse it as it stands.
    if (!m_schedule)
        m_dialogs.warning(this,
                          QStringLiteral("Программа сохранена, но в таком виде агент её не "
                                         "возьмёт."),
                          fromUtf8(m_refusal));
    return true;
}

bool ProgramForm::save() {
    return m_fileName.isEmpty() ? saveAs() : writeTo(m_fileName);
}

bool ProgramForm::saveAs() {
    Dialogs::FileRequest request{QStringLiteral("Сохранить программу показа"), m_fileName,
                                 QString::fromUtf8(Filter), QStringLiteral("lprog")};
    const auto path = m_dialogs.saveFileName(this, request);
    return path && writeTo(*path);
}

QString ProgramForm::agentHint(const QString& device) const {
    const QString file = m_fileName.isEmpty() ? QStringLiteral("программа.lprog") : m_fileName;
    const QString port = device.isEmpty() ? QStringLiteral("ПОРТ") : device;
    return QStringLiteral(
               "Программу показа выполняет агент знака, а не это окно: он держит её и сам "
               "передаёт на знак текст, когда тот меняется.\n\n"
               "Один знак на этой машине, без брокера: сохраните программу и запустите\n"
               "lumetra-agent --program \"%1\" --port %2\n\n"
               "Знак на брокере MQTT: отметьте в меню «СОМ Порт» порт mqtt://брокер/знак "
               "(его агент в сети) и отправьте снова.")
        .arg(file, port);
}

void ProgramForm::sendToSign() {
    refresh();
    if (!m_schedule) {
        m_dialogs.warning(this, QStringLiteral("Программа не принята и на знак не отправлена."),
                          fromUtf8(m_refusal));
        return;
    }
    const QString device = m_setup.portDevice ? m_setup.portDevice() : QString();
    const std::string name = qtadapt::toStd(device);
    if (!device.startsWith(QLatin1String("mqtt://")) &&
        !device.startsWith(QLatin1String("mqtts://"))) {
        m_dialogs.warning(this, agentHint(device));
        return;
    }
    std::string why;
    const auto url = parseLinkUrl(name, &why);
    if (!url) {
        m_dialogs.warning(this, QStringLiteral("Адрес порта %1 не годится.").arg(device),
                          fromUtf8(why));
        return;
    }
    publish(*url, programJson());
}

#ifdef LUMETRA_HAVE_MQTT

void ProgramForm::publish(const LinkUrl& url, const std::string& json) {
    const QString where = fromUtf8(url.address());
    // The uploads' password: the settings' file, the one given during this run, or asked now.
    const BrokerAccess none;
    const BrokerAccess& access = m_setup.access ? *m_setup.access : none;
    if (m_setup.access && access.needsPassword(url)) {
        const auto password = m_dialogs.askPassword(
            this, uploadtext::BrokerPassword.toString().arg(fromUtf8(url.user), where));
        if (!password)
            return;
        m_setup.access->remember(url, password->toStdString());
    }
    fleet::BrokerSettings settings;
    try {
        settings = brokerSettings(url, access);
    } catch (const std::exception& e) {
        m_dialogs.warning(this, QStringLiteral("Файл пароля к брокеру не годится."),
                          fromUtf8(e.what()));
        return;
    }
    settings.clientId = "lumetra-program-" + std::to_string(QRandomGenerator::global()->generate());
    auto heard = std::make_shared<Heard>();
    settings.log = [heard](const std::string& line) {
        const std::lock_guard lock(heard->mutex);
        heard->problem = line;
    };
    // Ends when the broker's thread tells it has answered, or at the wait's end; made before
    // the broker, so it outlives the broker's callbacks.
    QEventLoop answer;
    std::unique_ptr<fleet::Broker> broker;
    try {
        broker = m_setup.broker(settings);
    } catch (const std::exception& e) {
        m_dialogs.warning(this, QStringLiteral("Не могу подключиться к брокеру %1.").arg(where),
                          fromUtf8(e.what()));
        return;
    }
    fleet::Broker::Events events;
    events.connected = [heard, &answer] {
        const std::lock_guard lock(heard->mutex);
        heard->connected = true;
        QMetaObject::invokeMethod(&answer, &QEventLoop::quit, Qt::QueuedConnection);
    };
    events.lost = [heard, &answer](const std::string& why) {
        const std::lock_guard lock(heard->mutex);
        heard->lost = why;
        QMetaObject::invokeMethod(&answer, &QEventLoop::quit, Qt::QueuedConnection);
    };
    events.message = [](const fleet::Broker::Message&) {};
    broker->start(std::move(events));
    // Retained: an agent that starts later, or reconnects, still finds it.
    const std::string topic = url.prefix + "/" + url.sign + "/cmd/program";
    broker->publish(topic, json, 1, true);

    // The window waits, painting but taking no input, until the broker answers.
    setEnabled(false);
    m_sent->setText(QStringLiteral("Отправка на %1…").arg(where));
    const auto answered = [heard] {
        const std::lock_guard lock(heard->mutex);
        return heard->connected || !heard->lost.empty();
    };
    if (!answered()) {
        QTimer::singleShot(m_setup.sendWait, &answer, &QEventLoop::quit);
        answer.exec();
    }
    std::unique_lock lock(heard->mutex);
    const bool connected = heard->connected;
    const std::string lost = heard->lost.empty() ? heard->problem : heard->lost;
    lock.unlock();
    // Connected, the publication is acknowledged before the connection goes; else it is
    // dropped unsent.
    broker->stop(connected ? milliseconds(3000) : milliseconds(0));
    setEnabled(true);
    if (!connected) {
        m_sent->clear();
        m_dialogs.warning(
            this, QStringLiteral("Программа не отправлена: нет связи с брокером %1.").arg(where),
            lost.empty() ? QStringLiteral("Брокер не ответил за %1 с.")
                               .arg(static_cast<double>(m_setup.sendWait.count()) / 1000.0)
                         : fromUtf8(lost));
        return;
    }
    m_sent->setText(QStringLiteral("Программа отправлена знаку %1 на %2 (%3): агент знака "
                                   "выполняет её с этой минуты.")
                        .arg(fromUtf8(url.sign), where, fromUtf8(topic)));
}

#else

void ProgramForm::publish(const LinkUrl&, const std::string&) {
    m_dialogs.warning(this, QStringLiteral("В этой сборке нет MQTT: программа не отправлена."),
                      agentHint({}));
}

#endif

} // namespace program
