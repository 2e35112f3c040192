#pragma once

// "Программа показа": a program's entries in a table, its coming week drawn, the sign's text at
// any moment of it in the preview, its .lprog file, and its way to the sign's agent.

#include "frames/Frames.h"
#include "program/Program.h"
#include "program/ProgramFields.h"
#include "program/Week.h"

#ifdef LUMETRA_HAVE_MQTT
#include "fleet/MosquittoBroker.h"
#endif

#include <QDialog>

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class BrokerAccess;
class Dialogs;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
struct LinkUrl;

namespace sign {
class SignPreview;
}

namespace program {

class WeekChart;

class ProgramForm : public QDialog {
    Q_OBJECT

public:
    enum Column {
        ColumnName,
        ColumnDays,
        ColumnDates,
        ColumnFrom,
        ColumnTo,
        ColumnPriority,
        ColumnUntil,
        ColumnText,
        ColumnCount
    };

#ifdef LUMETRA_HAVE_MQTT
    // Makes the connection; may throw std::runtime_error when the settings are refused.
    using BrokerFactory =
        std::function<std::unique_ptr<fleet::Broker>(const fleet::BrokerSettings&)>;
#endif

    struct Setup {
        const std::array<std::uint8_t, FontTableSize>* font = nullptr; // what the preview uses
        int signWidth = 96;
        std::shared_ptr<const ZoneSource> zones;
        std::function<std::string()> editorText; // Windows-1251, CR LF breaks
        std::function<QString()> portDevice;     // the checked port's device; empty for none
        std::shared_ptr<BrokerAccess> access;    // the broker's password and CA files
#ifdef LUMETRA_HAVE_MQTT
        BrokerFactory broker;
#endif
        std::function<Seconds()> now; // the system clock when none
        std::chrono::milliseconds sendWait{5000};
    };

    ProgramForm(Setup setup, Dialogs& dialogs, QWidget* parent = nullptr);
    ~ProgramForm() override;

    ProgramFields fields() const;
    void setFields(const ProgramFields& fields);

    void addCurrentText();
    void addEntry();
    void removeEntry();
    // False when nothing was opened or saved (cancelled or failed, the failure shown).
    bool openFile();
    bool openFile(const QString& path);
    bool save();
    bool saveAs();
    void sendToSign();
    // Shows the sign's text at `second` of day `day` of the week drawn in the preview.
    void showMoment(int day, int second);

    // The program as it runs, when the fields make one.
    const std::shared_ptr<const Schedule>& schedule() const {
        return m_schedule;
    }
    std::chrono::local_days firstDay() const {
        return m_first;
    }
    const QString& fileName() const {
        return m_fileName;
    }

    QTableWidget* table() const {
        return m_table;
    }
    QLineEdit* zoneEdit() const {
        return m_zone;
    }
    QLineEdit* defaultEdit() const {
        return m_default;
    }
    QLineEdit* varsEdit() const {
        return m_vars;
    }
    WeekChart* chart() const {
        return m_chart;
    }
    sign::SignPreview* preview() const {
        return m_preview;
    }
    QLabel* programLabel() const {
        return m_state;
    }
    QLabel* momentLabel() const {
        return m_moment;
    }
    QLabel* sendLabel() const {
        return m_sent;
    }

private:
    // Reads the fields as a program again and draws its week; says why when it does not run.
    void refresh();
    std::string programJson() const;
    // "name=value; ...": what the variables are taken to be here.
    Vars vars() const;
    void setEntry(int row, const EntryFields& entry);
    bool writeTo(const QString& path);
    QString agentHint(const QString& device) const;
    void publish(const LinkUrl& url, const std::string& json);
    Seconds now() const;

    Setup m_setup;
    Dialogs& m_dialogs;
    std::shared_ptr<const Schedule> m_schedule;
    std::string m_refusal; // why the fields make no program
    std::chrono::local_days m_first{};
    int m_chosenDay = -1, m_chosenSecond = 0; // the moment shown in the preview
    std::optional<std::string> m_clear;
    QString m_fileName;
    bool m_filling = false; // the fields are being set, not edited

    QLineEdit* m_zone;
    QLineEdit* m_default;
    QLineEdit* m_clearEdit;
    QLineEdit* m_vars;
    QTableWidget* m_table;
    QLabel* m_state;
    WeekChart* m_chart;
    QLabel* m_legend;
    QLabel* m_moment;
    QLabel* m_sent;
    sign::SignPreview* m_preview;
};

} // namespace program
