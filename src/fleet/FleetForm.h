#pragma once

// "Знаки в сети": the signs an MQTT broker knows from their agents' retained messages, and for
// the chosen one its text played on the preview's dots where the sign has it now.

#include "Broker.h"
#include "SignDirectory.h"
#include "frames/Frames.h"
#include "sign/SignPlayer.h"

#include <QDateTime>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace sign {
class LedMatrix;
}

namespace fleet {

struct BrokerSettings;

// Where a broker is, as the operator writes it: mqtt://[user@]host[:port][/sign], or mqtts://.
struct BrokerAddress {
    std::string host;
    int port = 1883;
    bool tls = false;
    std::string user;
    std::string sign; // empty: every sign

    std::string where() const; // "host:port"
};
// Nothing, with `why` (English), when the text is no such address.
std::optional<BrokerAddress> parseBrokerAddress(const std::string& text, std::string* why);

// Hands the broker's events, told on its own thread, to the window's thread as queued signals.
class BrokerRelay : public QObject {
    Q_OBJECT
signals:
    void connected();
    void message(const QByteArray& topic, const QByteArray& payload);
    void lost(const QString& why);
};

class FleetForm : public QDialog {
    Q_OBJECT

public:
    // Makes the connection; may throw std::runtime_error when the settings are refused.
    using BrokerFactory = std::function<std::unique_ptr<Broker>(const BrokerSettings&)>;
    using Clock = std::function<QDateTime()>;

    enum Column { ColumnName, ColumnOnline, ColumnText, ColumnWhen, ColumnResult, ColumnCount };

    FleetForm(const std::array<std::uint8_t, FontTableSize>& memoryFont, int signWidth,
              BrokerFactory factory, Clock now = {}, QWidget* parent = nullptr);
    ~FleetForm() override;

    // The address to connect to when shown: the checked port's device when it is a broker's.
    void setAddress(const QString& address);
    // Connects to the address in the field, dropping any earlier connection.
    void connectBroker();
    void disconnectBroker();

    QLineEdit* addressEdit() const { return m_address; }
    QTableWidget* table() const { return m_table; }
    QLabel* brokerLabel() const { return m_brokerState; }
    QLabel* fontLabel() const { return m_fontNote; }
    QLabel* replayLabel() const { return m_replayNote; }
    const sign::SignPlayer& player() const { return *m_player; }
    // The sign whose text plays; empty for none.
    const std::string& shownSign() const { return m_shown; }
    // Advances the played sign by `ticks` (what the play timer does).
    void advance(int ticks);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void onConnected();
    void onMessage(const QByteArray& topic, const QByteArray& payload);
    void onLost(const QString& why);
    void showSigns();
    void fillRow(int row, const SignEntry& sign);
    // The sign's name and whether its agent is online, above the dots and beside what plays.
    void showOnline(const SignEntry& sign);
    void chooseSign();
    // Plays the chosen sign's frame from where it is now; a dark display and a note when
    // there is nothing to play.
    void replay(const SignEntry& sign);
    void stopPlaying(const QString& note);
    void onPlayTimer();

    const std::array<std::uint8_t, FontTableSize>& m_memoryFont;
    BrokerFactory m_factory;
    Clock m_now;
    std::unique_ptr<Broker> m_broker;
    std::shared_ptr<BrokerRelay> m_relay;
    BrokerAddress m_connectedTo;
    std::unique_ptr<SignDirectory> m_directory;

    std::unique_ptr<sign::SignPlayer> m_player;
    std::string m_shown;          // id of the sign played
    std::string m_shownFrame;     // its frame and font as played, to tell a new upload
    std::string m_passKey;        // what m_passTicks was measured for
    std::int64_t m_passTicks = 0; // one pass of what plays, once known
    QDateTime m_uploadedAt;
    QTimer m_playTimer;
    QElapsedTimer m_clock;
    qint64 m_ticked = 0;

    QLineEdit* m_address;
    QPushButton* m_connect;
    QLabel* m_brokerState;
    QTableWidget* m_table;
    sign::LedMatrix* m_matrix;
    QLabel* m_signName;
    QLabel* m_fontNote;
    QLabel* m_replayNote;
};

} // namespace fleet
