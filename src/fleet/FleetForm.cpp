#include "FleetForm.h"

#include "Digest.h"
#include "MosquittoBroker.h"
#include "sign/LedMatrix.h"
#include "sign/SignReplay.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTableWidget>
#include <QVBoxLayout>

#include <charconv>

namespace fleet {
namespace {

constexpr int TextStartCharacters = 40;
// A retained state is a text frame and a font frame in base64; anything far larger is junk.
constexpr std::size_t MaxStatePayload = 1u << 20;
// A stalled event loop is made up for by tick up to this; beyond it the sign is replayed.
constexpr qint64 MaxCatchUpTicks = 100;

QString fromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::span<const std::uint8_t> bytesOf(const std::vector<std::uint8_t>& bytes) {
    return {bytes.data(), bytes.size()};
}

QString resultText(const SignState& s) {
    QString text = s.result == "sent"        ? QStringLiteral("передан")
                   : s.result == "failed"    ? QStringLiteral("не передан")
                   : s.result == "cancelled" ? QStringLiteral("прерван")
                   : s.result.empty()        ? QStringLiteral("—")
                                             : fromUtf8(s.result);
    if (!s.error.empty())
        text += QStringLiteral(": ") + fromUtf8(s.error);
    return text;
}

QDateTime uploadTime(const SignState& s) {
    return QDateTime::fromString(fromUtf8(s.uploadedAt), Qt::ISODate);
}

// What of the state the preview plays: a change in any of it starts the replay anew.
std::string playedPart(const SignEntry& s) {
    return std::to_string(s.hasState) + std::to_string(s.badState) + s.state.result + '\n' +
           s.state.uploadedAt + '\n' + s.state.frameB64 + '\n' + s.state.fontFrameB64;
}

} // namespace

std::string BrokerAddress::where() const {
    const bool v6 = host.find(':') != std::string::npos;
    return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

std::optional<BrokerAddress> parseBrokerAddress(const std::string& text, std::string* why) {
    const auto fail = [why](const char* reason) -> std::optional<BrokerAddress> {
        if (why)
            *why = reason;
        return std::nullopt;
    };
    BrokerAddress a;
    std::string_view rest = text;
    if (rest.starts_with("mqtt://")) {
        rest.remove_prefix(7);
    } else if (rest.starts_with("mqtts://")) {
        rest.remove_prefix(8);
        a.tls = true;
        a.port = 8883;
    } else {
        return fail("it does not start with mqtt:// or mqtts://");
    }
    const std::size_t slash = rest.find('/');
    std::string_view authority = rest.substr(0, slash);
    if (slash != std::string_view::npos) {
        std::string_view sign = rest.substr(slash + 1);
        if (sign.ends_with('/'))
            sign.remove_suffix(1);
        if (sign.find_first_of("/+#") != std::string_view::npos)
            return fail("a sign is one topic level without / + #");
        a.sign = sign;
    }
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
        const std::string_view user = authority.substr(0, at);
        if (user.find(':') != std::string_view::npos)
            return fail("a password does not go in the address");
        a.user = user;
        authority.remove_prefix(at + 1);
    }
    std::string_view port;
    if (authority.starts_with('[')) {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos)
            return fail("the [ of an IPv6 address is not closed");
        a.host = authority.substr(1, close - 1);
        authority.remove_prefix(close + 1);
        if (!authority.empty() && !authority.starts_with(':'))
            return fail("only a :port may follow the IPv6 address");
        port = authority.empty() ? authority : authority.substr(1);
    } else {
        const std::size_t colon = authority.find(':');
        a.host = authority.substr(0, colon);
        if (colon != std::string_view::npos)
            port = authority.substr(colon + 1);
    }
    if (a.host.empty())
        return fail("there is no host");
    if (!port.empty() || authority.ends_with(':')) {
        int value = 0;
        const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), value);
        if (ec != std::errc() || end != port.data() + port.size() || value < 1 || value > 65535)
            return fail("the port is not a number from 1 to 65535");
        a.port = value;
    }
    return a;
}

FleetForm::FleetForm(const std::array<std::uint8_t, FontTableSize>& memoryFont, int signWidth,
                     BrokerFactory factory, Clock now, QWidget* parent)
    : QDialog(parent), m_memoryFont(memoryFont), m_factory(std::move(factory)),
      m_now(now ? std::move(now) : Clock([] { return QDateTime::currentDateTimeUtc(); })),
      m_player(std::make_unique<sign::SignPlayer>(signWidth)), m_address(new QLineEdit(this)),
      m_connect(new QPushButton(QStringLiteral("Подключиться"), this)),
      m_brokerState(new QLabel(QStringLiteral("Не подключено"), this)),
      m_table(new QTableWidget(0, ColumnCount, this)),
      m_matrix(new sign::LedMatrix(*m_player, this)), m_signName(new QLabel(this)),
      m_fontNote(new QLabel(this)), m_replayNote(new QLabel(this)) {
    setObjectName(QStringLiteral("FormSigns"));
    setWindowTitle(QStringLiteral("Знаки в сети"));

    auto* brokerLabel = new QLabel(QStringLiteral("&Брокер:"), this);
    brokerLabel->setBuddy(m_address);
    m_address->setObjectName(QStringLiteral("EditBroker"));
    m_address->setPlaceholderText(QStringLiteral("mqtt://узел:порт"));
    m_address->setToolTip(
        QStringLiteral("Адрес брокера MQTT, через который агенты знаков сообщают, что на знаках"));
    m_connect->setObjectName(QStringLiteral("ButtonConnect"));
    connect(m_connect, &QPushButton::clicked, this, &FleetForm::connectBroker);
    connect(m_address, &QLineEdit::returnPressed, this, &FleetForm::connectBroker);
    m_brokerState->setObjectName(QStringLiteral("LabelBroker"));
    m_brokerState->setWordWrap(true);
    m_brokerState->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_table->setObjectName(QStringLiteral("TableSigns"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("Знак"), QStringLiteral("Связь"),
                                        QStringLiteral("Текст на знаке"), QStringLiteral("Передан"),
                                        QStringLiteral("Итог")});
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setSectionResizeMode(ColumnText, QHeaderView::Stretch);
    connect(m_table, &QTableWidget::itemSelectionChanged, this, &FleetForm::chooseSign);

    m_matrix->setMinimumHeight(40);
    for (QLabel* label : {m_signName, m_fontNote, m_replayNote})
        label->setWordWrap(true);
    m_signName->setObjectName(QStringLiteral("LabelSign"));
    m_fontNote->setObjectName(QStringLiteral("LabelFont"));
    m_replayNote->setObjectName(QStringLiteral("LabelReplay"));

    auto* top = new QHBoxLayout;
    top->addWidget(brokerLabel);
    top->addWidget(m_address, 1);
    top->addWidget(m_connect);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_brokerState);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_signName);
    layout->addWidget(m_matrix);
    layout->addWidget(m_fontNote);
    layout->addWidget(m_replayNote);
    resize(780, 460);

    m_playTimer.setTimerType(Qt::PreciseTimer);
    m_playTimer.setInterval(sign::SignPlayer::TickMs);
    connect(&m_playTimer, &QTimer::timeout, this, &FleetForm::onPlayTimer);
    stopPlaying(QStringLiteral("Выберите знак в списке: его текст пойдёт здесь так, как идёт "
                               "на знаке сейчас."));
}

FleetForm::~FleetForm() {
    disconnectBroker();
}

void FleetForm::setAddress(const QString& address) {
    m_address->setText(address);
}

void FleetForm::connectBroker() {
    disconnectBroker();
    std::string why;
    const auto address = parseBrokerAddress(m_address->text().trimmed().toStdString(), &why);
    if (!address) {
        m_brokerState->setText(QStringLiteral("Адрес брокера не понят (%1): %2")
                                   .arg(m_address->text(), QString::fromStdString(why)));
        return;
    }
    m_connectedTo = *address;
    m_directory = std::make_unique<SignDirectory>(DefaultPrefix, address->sign);

    BrokerSettings settings;
    settings.host = address->host;
    settings.port = address->port;
    settings.tls = address->tls;
    settings.user = address->user;
    settings.clientId = "lumetra-signs-" + std::to_string(QRandomGenerator::global()->generate());
    settings.maxPayload = MaxStatePayload;
    settings.retained = true;
    // Queued: the broker tells from its own thread, the window lives on this one.
    m_relay =
        std::shared_ptr<BrokerRelay>(new BrokerRelay, [](BrokerRelay* r) { r->deleteLater(); });
    connect(m_relay.get(), &BrokerRelay::connected, this, &FleetForm::onConnected,
            Qt::QueuedConnection);
    connect(m_relay.get(), &BrokerRelay::message, this, &FleetForm::onMessage,
            Qt::QueuedConnection);
    connect(m_relay.get(), &BrokerRelay::lost, this, &FleetForm::onLost, Qt::QueuedConnection);
    try {
        m_broker = m_factory(settings);
    } catch (const std::exception& e) {
        m_brokerState->setText(
            QStringLiteral("Не могу подключиться к брокеру %1: %2")
                .arg(QString::fromStdString(address->where()), QString::fromUtf8(e.what())));
        m_relay.reset();
        return;
    }
    for (const auto& pattern : m_directory->patterns())
        m_broker->subscribe(pattern, 1);
    Broker::Events events;
    events.connected = [relay = m_relay] { emit relay->connected(); };
    events.message = [relay = m_relay](const Broker::Message& m) {
        // Over the cap the payload is gone; what is left must not read as a cleared state.
        const std::string payload =
            m.size > 0 && m.payload.empty() ? std::string("(too large)") : m.payload;
        emit relay->message(QByteArray::fromStdString(m.topic), QByteArray::fromStdString(payload));
    };
    events.lost = [relay = m_relay](const std::string& reason) {
        emit relay->lost(QString::fromStdString(reason));
    };
    m_broker->start(std::move(events));
    m_brokerState->setText(
        QStringLiteral("Подключение к %1…").arg(QString::fromStdString(address->where())));
    showSigns();
}

void FleetForm::disconnectBroker() {
    if (m_broker) {
        m_broker->stop(std::chrono::milliseconds(0));
        m_broker.reset();
        m_brokerState->setText(QStringLiteral("Не подключено"));
    }
    if (m_relay)
        m_relay->disconnect(this);
    m_relay.reset();
}

void FleetForm::onConnected() {
    if (sender() != m_relay.get())
        return;
    m_brokerState->setText(QStringLiteral("Подключено к %1: знаки, о которых знает брокер")
                               .arg(QString::fromStdString(m_connectedTo.where())));
}

void FleetForm::onLost(const QString& why) {
    if (sender() != m_relay.get())
        return;
    m_brokerState->setText(QStringLiteral("Нет связи с брокером %1: %2. Пробую снова…")
                               .arg(QString::fromStdString(m_connectedTo.where()), why));
}

void FleetForm::onMessage(const QByteArray& topic, const QByteArray& payload) {
    if (sender() != m_relay.get() || !m_directory)
        return;
    if (m_directory->take(topic.toStdString(), payload.toStdString()))
        showSigns();
}

void FleetForm::showSigns() {
    const auto signs = m_directory ? m_directory->signs() : std::vector<SignEntry>{};
    {
        const QSignalBlocker blocker(m_table);
        m_table->clearSelection();
        m_table->setRowCount(static_cast<int>(signs.size()));
        for (int row = 0; row < static_cast<int>(signs.size()); ++row) {
            fillRow(row, signs[row]);
            if (signs[row].id == m_shown)
                m_table->selectRow(row);
        }
    }
    if (m_shown.empty())
        return;
    const SignEntry* shown = m_directory ? m_directory->find(m_shown) : nullptr;
    if (!shown) {
        m_shown.clear();
        m_signName->clear();
        stopPlaying(QStringLiteral("Брокер больше не знает этот знак."));
    } else if (playedPart(*shown) != m_shownFrame) {
        replay(*shown);
    } else {
        showOnline(*shown);
    }
}

void FleetForm::showOnline(const SignEntry& s) {
    m_signName->setText(QStringLiteral("%1 (%2)").arg(
        fromUtf8(s.name),
        s.online ? QStringLiteral("агент в сети") : QStringLiteral("агент не в сети")));
    if (m_player->phase() == sign::SignPlayer::Phase::Idle)
        return;
    m_replayNote->setText(
        s.online ? QStringLiteral("Текст идёт так, как на знаке сейчас.")
                 : QStringLiteral("Агент не в сети: так идёт текст на знаке, если знак с тех "
                                  "пор не выключали."));
}

void FleetForm::fillRow(int row, const SignEntry& s) {
    const auto set = [&](int column, const QString& text, const QString& tip = {}) {
        auto* item = new QTableWidgetItem(text);
        item->setToolTip(tip.isEmpty() ? text : tip);
        m_table->setItem(row, column, item);
    };
    set(ColumnName, fromUtf8(s.name), fromUtf8(s.id));
    m_table->item(row, ColumnName)->setData(Qt::UserRole, fromUtf8(s.id));
    set(ColumnOnline, s.online ? QStringLiteral("в сети") : QStringLiteral("не в сети"));
    if (s.badState) {
        set(ColumnText, QStringLiteral("(состояние не читается)"),
            QStringLiteral("Агент оставил состояние, которое не читается как JSON"));
        set(ColumnWhen, {});
        set(ColumnResult, {});
        return;
    }
    if (!s.hasState) {
        set(ColumnText, QStringLiteral("(состояние ещё не пришло)"));
        set(ColumnWhen, {});
        set(ColumnResult, {});
        return;
    }
    const SignState& st = s.state;
    if (st.frameB64.empty() && st.result.empty())
        set(ColumnText, QStringLiteral("(текст не передавался)"));
    else
        set(ColumnText, fromUtf8(textStart(st.text, TextStartCharacters)), fromUtf8(st.text));
    const QDateTime when = uploadTime(st);
    set(ColumnWhen, when.isValid()
                        ? when.toLocalTime().toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"))
                        : fromUtf8(st.uploadedAt));
    set(ColumnResult, resultText(st));
}

void FleetForm::chooseSign() {
    const auto rows = m_table->selectionModel()->selectedRows();
    if (rows.isEmpty() || !m_directory)
        return;
    const QString id = m_table->item(rows.front().row(), ColumnName)->data(Qt::UserRole).toString();
    if (const SignEntry* s = m_directory->find(id.toStdString()))
        replay(*s);
}

void FleetForm::replay(const SignEntry& s) {
    m_shown = s.id;
    m_shownFrame = playedPart(s);
    showOnline(s);
    if (s.badState)
        return stopPlaying(QStringLiteral("Состояние знака не читается: это не JSON."));
    if (!s.hasState)
        return stopPlaying(QStringLiteral("Агент ещё не сообщил, что на знаке."));
    const SignState& st = s.state;
    if (st.frameB64.empty())
        return stopPlaying(QStringLiteral("На этот знак текст ещё не передавался."));
    if (st.result != "sent")
        return stopPlaying(QStringLiteral("Последняя передача на знак не дошла целиком (%1): "
                                          "что он показывает, неизвестно.")
                               .arg(resultText(st)));
    const auto frame = fromBase64(st.frameB64);
    if (!frame)
        return stopPlaying(QStringLiteral("Кадр в состоянии знака не читается: это не base64."));
    const QDateTime uploaded = uploadTime(st);
    if (!uploaded.isValid())
        return stopPlaying(
            QStringLiteral("Время передачи не читается: «%1».").arg(fromUtf8(st.uploadedAt)));
    std::vector<std::uint8_t> font;
    if (!st.fontFrameB64.empty())
        font = fromBase64(st.fontFrameB64).value_or(std::vector<std::uint8_t>{0});
    if (m_passKey != m_shownFrame)
        m_passTicks = 0;
    m_passKey = m_shownFrame;
    m_uploadedAt = uploaded;
    const auto elapsed = std::chrono::milliseconds(uploaded.msecsTo(m_now()));
    const sign::ReplayResult r = sign::replayFrame(*m_player, bytesOf(*frame), bytesOf(font),
                                                   m_memoryFont, elapsed, m_passTicks);
    if (!r.ok())
        return stopPlaying(QStringLiteral("Кадр в состоянии знака не читается: %1.")
                               .arg(QString::fromStdString(r.error)));
    m_passTicks = r.passTicks;
    if (m_player->phase() == sign::SignPlayer::Phase::Idle)
        m_replayNote->setText(QStringLiteral("Текст пуст: знак тёмный."));
    m_fontNote->setText(
        r.font == sign::ReplayFont::LastSent
            ? QStringLiteral("Шрифт: тот, что передан на знак последним.")
        : r.fontFrameRejected
            ? QStringLiteral("Шрифт: тот, что в памяти программы (переданный на знак не "
                             "читается).")
            : QStringLiteral("Шрифт: тот, что в памяти программы (шрифт на знак не "
                             "передавался)."));
    showOnline(s);
    m_clock.restart();
    m_ticked = 0;
    if (isVisible())
        m_playTimer.start();
    m_matrix->update();
}

void FleetForm::stopPlaying(const QString& note) {
    m_playTimer.stop();
    m_player->setText({});
    m_fontNote->clear();
    m_replayNote->setText(note);
    m_matrix->update();
}

void FleetForm::advance(int ticks) {
    bool changed = false;
    for (int i = 0; i < ticks; ++i)
        changed |= m_player->tick();
    if (changed)
        m_matrix->update();
}

void FleetForm::onPlayTimer() {
    const qint64 due = m_clock.elapsed() / sign::SignPlayer::TickMs - m_ticked;
    if (due > MaxCatchUpTicks) {
        if (const SignEntry* s = m_directory ? m_directory->find(m_shown) : nullptr)
            replay(*s);
        return;
    }
    m_ticked += due;
    advance(static_cast<int>(due));
}

void FleetForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_broker && !m_address->text().trimmed().isEmpty())
        connectBroker();
    if (m_player->phase() != sign::SignPlayer::Phase::Idle) {
        if (const SignEntry* s = m_directory ? m_directory->find(m_shown) : nullptr)
            replay(*s);
    }
}

// Closed, the window costs nothing: no connection, no ticking.
void FleetForm::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    m_playTimer.stop();
    disconnectBroker();
}

} // namespace fleet
