#include "program/ProgramForm.h"
#include "program/QtZoneSource.h"
#include "program/WeekChart.h"

#include "base/QtAdapt.h"
#include "sign/SignPreview.h"
#include "upload/BrokerAccess.h"

#include "MainWindowFixture.h"
#include "ScriptedDialogs.h"
#include "TempDir.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <memory>
#include <thread>

using program::ProgramForm;
using namespace std::chrono;

namespace {

// The shop of the issue that asked for programs, seen on Wednesday 9 December at 11:00 Moscow.
constexpr const char* Shop = R"({"timezone": "Europe/Moscow", "default": "Добро пожаловать!",
 "entries": [
  {"name": "утро",  "text": "/S3Доброе утро! Сегодня {date}", "days": "mon-fri", "from": "08:00", "to": "12:00"},
  {"name": "акция", "text": "Скидки до 50%", "dates": "2026-12-20..2026-12-31"},
  {"name": "вечер", "text": "Работаем до {var:close}", "from": "18:00", "to": "23:00"},
  {"name": "объявление", "text": "Касса 3 закрыта", "priority": 10, "until": "2026-12-09T15:00:00+03:00"}]})";

const program::Seconds Now = program::parseMoment("2026-12-09T08:00:00Z", nullptr);

#ifdef LUMETRA_HAVE_MQTT
// Answers from a thread of its own, as the real connection does: at once, connected or not.
struct FakeBroker : fleet::Broker {
    std::string refusal; // empty: connects
    struct Published {
        std::string topic, payload;
        int qos;
        bool retain;
    };
    std::vector<Published>* published = nullptr;
    void start(Events e) override {
        std::thread([&] { refusal.empty() ? e.connected() : e.lost(refusal); }).join();
    }
    void publish(const std::string& t, std::string_view p, int qos, bool retain) override {
        published->push_back({t, std::string(p), qos, retain});
    }
    void subscribe(const std::string&, int) override {}
    void stop(std::chrono::milliseconds) override {}
};
#endif

} // namespace

class ProgramFormTest : public QObject {
    Q_OBJECT

    std::array<std::uint8_t, FontTableSize> m_font{};
    ScriptedDialogs m_dialogs;
    std::string m_editor;
    QString m_port;
    std::shared_ptr<BrokerAccess> m_access;
    int m_brokers = 0;
    std::string m_refusal;
#ifdef LUMETRA_HAVE_MQTT
    fleet::BrokerSettings m_settings;
    std::vector<FakeBroker::Published> m_published;
#endif
    std::unique_ptr<ProgramForm> m_form;

    ProgramForm& open(const char* json = Shop) {
        ProgramForm::Setup setup;
        setup.font = &m_font;
        setup.signWidth = 64;
        setup.zones = std::make_shared<program::QtZoneSource>();
        setup.editorText = [this] { return m_editor; };
        setup.portDevice = [this] { return m_port; };
        setup.access = m_access;
        setup.now = [] { return Now; };
#ifdef LUMETRA_HAVE_MQTT
        setup.broker = [this](const fleet::BrokerSettings& s) {
            ++m_brokers;
            m_settings = s;
            auto broker = std::make_unique<FakeBroker>();
            broker->refusal = m_refusal;
            broker->published = &m_published;
            return broker;
        };
#endif
        m_form = std::make_unique<ProgramForm>(std::move(setup), m_dialogs);
        if (json)
            m_form->setFields(program::readProgramFields(json));
        return *m_form;
    }
    std::string previewText() const {
        std::string text;
        for (const sign::SignItem& item : m_form->preview()->player().items())
            text += item.kind == sign::SignItem::Kind::Glyph ? std::string(1, char(item.code))
                                                             : sign::effectCode(item);
        return text;
    }

private slots:
    void init() {
        m_dialogs = ScriptedDialogs();
        m_access = std::make_shared<BrokerAccess>();
        m_brokers = 0;
        m_refusal.clear();
#ifdef LUMETRA_HAVE_MQTT
        m_published.clear();
#endif
    }
    void cleanup() {
        m_form.reset();
    }

    void theToolkitsZonesKeepSummerTime() {
        const program::QtZoneSource zones;
        const struct {
            const char* zone;
            const char* at;
            int minutes; // ahead of UTC
        } cases[] = {
            {"Europe/Moscow", "2026-01-15T12:00:00Z", 180},
            {"Europe/Moscow", "2026-07-15T12:00:00Z", 180},
            {"Europe/Berlin", "2026-03-29T00:59:59Z", 60},
            {"Europe/Berlin", "2026-03-29T01:00:00Z", 120},
            {"Europe/Berlin", "2026-10-25T01:00:00Z", 60},
            {"America/Sao_Paulo", "2026-01-15T12:00:00Z", -180},
            {"+05:30", "2026-01-15T12:00:00Z", 330},
        };
        for (const auto& c : cases)
            QCOMPARE(zones.zone(c.zone)->offsetAt(program::parseMoment(c.at, nullptr)),
                     minutes(c.minutes));
        QVERIFY_THROWS_EXCEPTION(program::ZoneError, zones.zone("Mars/Base"));
        QVERIFY(!zones.zone("")->name().empty());
    }

    void aClickShowsThatMomentsTextInThePreview() {
        ProgramForm& form = open();
        form.resize(900, 760);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        program::WeekChart* chart = form.chart();
        QVERIFY(chart->week());
        // Every band is drawn where a click gives a moment of it.
        for (const program::WeekSpan& s : chart->week()->shown) {
            const auto at = chart->momentAt(chart->spanRect(s).center());
            QVERIFY(at);
            QCOMPARE(at->first, s.day);
            QVERIFY(at->second >= s.from - 120 && at->second < s.to + 120);
        }
        const struct {
            int day, hour, minute;
            const char* shown;
            const char* entries;
        } cases[] = {
            {0, 10, 30, "Касса 3 закрыта", "объявление"},
            {0, 19, 0, "Работаем до ?", "вечер"},
            {1, 9, 30, "/S3Доброе утро! Сегодня 10.12.2026", "утро"},
            {3, 9, 30, "Добро пожаловать!", "по умолчанию"}, // Saturday
            {3, 19, 0, "Работаем до ?", "вечер"},
        };
        for (const auto& c : cases) {
            const QPointF point(chart->xOf(c.hour * 3600 + c.minute * 60) + 1,
                                chart->rowRect(c.day).center().y());
            QTest::mouseClick(chart, Qt::LeftButton, {}, point.toPoint());
            QCOMPARE(previewText(), qtadapt::toCp1251(QString::fromUtf8(c.shown)));
            QVERIFY2(form.momentLabel()->text().contains(QString::fromUtf8(c.entries)), c.shown);
        }
        QVERIFY(form.momentLabel()->text().contains("сб 12.12 19:0"));
        form.varsEdit()->setText(" close = 21:00 ;x");
        emit form.varsEdit()->editingFinished();
        QCOMPARE(previewText(), qtadapt::toCp1251("Работаем до 21:00"));
        // An edit shows at once at the moment looked at; a refused one shows nothing there.
        form.table()->item(2, ProgramForm::ColumnText)->setText("Открыто");
        QCOMPARE(previewText(), qtadapt::toCp1251("Открыто"));
        form.table()->item(0, ProgramForm::ColumnDays)->setText("mon-fry");
        QVERIFY(!chart->week());
        QCOMPARE(previewText(), "");
        QVERIFY(form.programLabel()->text().contains("unknown day \"fry\""));
    }

    void theEditorsTextBecomesAnEntryAsTyped() {
        ProgramForm& form = open(R"({"entries": []})");
        m_editor = qtadapt::toCp1251("Цена {5}\r\n/S3 я");
        form.findChild<QPushButton*>("ButtonAddText")->click();
        QCOMPARE(form.table()->rowCount(), 1);
        QVERIFY(form.schedule());
        form.showMoment(0, 12 * 3600);
        QCOMPARE(previewText(), qtadapt::toCp1251("Цена {5}  /S3 я"));
    }

    void savesAndOpensWhatWasTyped() {
        TempDir dir;
        ProgramForm& form = open();
        form.table()->item(1, ProgramForm::ColumnDays)->setText("sat,sun");
        const program::ProgramFields typed = form.fields();
        m_dialogs.fileNames = {QString::fromStdString(dir.path("shop.lprog"))};
        QVERIFY(form.findChild<QPushButton*>("ButtonSaveAs") && form.saveAs());
        QCOMPARE(program::readProgramFields(dir.read("shop.lprog")), typed);

        ProgramForm& again = open(nullptr);
        QVERIFY(again.openFile(QString::fromStdString(dir.path("shop.lprog"))));
        QCOMPARE(again.fields(), typed);
        QVERIFY(again.schedule());

        // What cannot be opened leaves the table as it was; what opens but does not run stays
        // in the table with the reason.
        dir.write("bad.lprog", "{\"entries\": [");
        dir.write("typo.lprog", R"({"entries": [{"name": "a", "text": "x", "days": "mon-fry"}]})");
        dir.write("busy.lprog",
                  std::string("{\"entries\": [{\"name\": \"часы\", \"text\": \"{time:HH:mm}") +
                      std::string(4000, 'x') + "\"}]}");
        const struct {
            const char* file;
            const char* error; // in the error box; nothing: opened
            const char* label; // in the program's line
        } cases[] = {
            {"bad.lprog", "не программа показа: not valid JSON", "Программа принята"},
            {"missing.lprog", "Не могу прочитать", "Программа принята"},
            {"typo.lprog", nullptr, "unknown day \"fry\""},
            {"busy.lprog", nullptr, "busy 64% of the time"},
        };
        for (const auto& c : cases) {
            again.setFields(typed);
            m_dialogs.log.clear();
            const bool opened = again.openFile(QString::fromStdString(dir.path(c.file)));
            QCOMPARE(opened, c.error == nullptr);
            if (c.error) {
                QVERIFY2(m_dialogs.texts("error").join("").contains(c.error), c.file);
                QCOMPARE(again.fields(), typed);
            } else {
                QVERIFY(!again.schedule());
                QCOMPARE(again.table()->rowCount(), 1);
            }
            QVERIFY2(again.programLabel()->text().contains(c.label),
                     qPrintable(again.programLabel()->text()));
        }
        // A save that fails says so; one of a program that does not run says it is kept.
        QVERIFY(!again.openFile(QString::fromStdString(dir.path("nowhere/x.lprog"))));
        m_dialogs.fileNames = {QString::fromStdString(dir.path("nowhere/x.lprog")),
                               QString::fromStdString(dir.path("busy2.lprog"))};
        QVERIFY(!again.saveAs());
        QVERIFY(m_dialogs.texts("error").last().contains("Не могу записать"));
        QVERIFY(again.saveAs());
        QVERIFY(m_dialogs.texts("warning").last().contains("сохранена, но"));
        QCOMPARE(program::readProgramFields(dir.read("busy2.lprog")), again.fields());
    }

    void sendsToABrokersSignOrSaysWhereProgramsRun() {
        const struct {
            const char* port;
            const char* program; // nullptr: the shop
            const char* refusal; // the broker's
            bool published;
            const char* told; // warning, or the send line when published
        } cases[] = {
            {"mqtt://shop@10.0.0.5:1884/shop-1", nullptr, "", true, "отправлена знаку shop-1"},
            {"mqtt://10.0.0.5/shop-1", nullptr, "connection refused", false,
             "не отправлена: нет связи с брокером 10.0.0.5:1883. | connection refused"},
            {"/dev/ttyUSB0", nullptr, "", false,
             "--program \"программа.lprog\" --port /dev/ttyUSB0"},
            {"", nullptr, "", false, "--port ПОРТ"},
            {"mqtt://10.0.0.5/a/b", nullptr, "", false, "не годится"},
            {"mqtt://10.0.0.5/shop-1", R"({"entries": [{"text": "{temp}"}]})", "", false,
             "не принята и на знак не отправлена. | entry 1: \"text\": unknown field {temp}"},
        };
        for (const auto& c : cases) {
            init();
            m_port = c.port;
            m_refusal = c.refusal;
            m_dialogs.passwords = {QStringLiteral("secret")};
            ProgramForm& form = open(c.program ? c.program : Shop);
            form.findChild<QPushButton*>("ButtonSend")->click();
#ifdef LUMETRA_HAVE_MQTT
            QCOMPARE(m_published.size(),
                     std::size_t(QString(c.port).startsWith("mqtt") &&
                                 !QString(c.port).endsWith("/a/b") && !c.program));
            if (c.published) {
                QCOMPARE(m_published[0].topic, "lumetra/shop-1/cmd/program");
                QVERIFY(m_published[0].retain && m_published[0].qos == 1);
                QCOMPARE(program::readProgramFields(m_published[0].payload), form.fields());
                QCOMPARE(m_settings.host, "10.0.0.5");
                QCOMPARE(m_settings.port, 1884);
                QCOMPARE(m_settings.user, "shop");
                QCOMPARE(m_settings.password, "secret");
                QVERIFY2(form.sendLabel()->text().contains(c.told),
                         qPrintable(form.sendLabel()->text()));
                // The password is asked once a run.
                form.sendToSign();
                QCOMPARE(m_dialogs.texts("password").size(), 1);
                QCOMPARE(m_settings.password, "secret");
                continue;
            }
#endif
#ifndef LUMETRA_HAVE_MQTT
            if (c.published || *c.refusal) {
                QVERIFY(m_dialogs.texts("warning").join("").contains("нет MQTT"));
                continue;
            }
#endif
            QVERIFY2(m_dialogs.texts("warning").join("").contains(QString::fromUtf8(c.told)),
                     qPrintable(m_dialogs.log.join("\n")));
            QVERIFY(form.isEnabled());
        }
    }

    void theOptionsMenuOpensItBesideTheOthers() {
        MainWindowFixture f;
        TMainForm& main = f.makeShown();
        const QList<QAction*> items =
            main.findChild<QMenu*>(QStringLiteral("itemOptions"))->actions();
        QCOMPARE(items.last(), main.itemProgram);
        QVERIFY(items.contains(main.itemPreview));
        f.setText(QStringLiteral("Привет"));
        f.dialogs.dialogAnswers.push_back([](QDialog& window) {
            window.findChild<QPushButton*>("ButtonAddText")->click();
            return true;
        });
        main.itemProgram->trigger();
        ProgramForm& window = *main.programWindow();
        QCOMPARE(window.windowTitle(), "Программа показа");
        QCOMPARE(window.fields().entries.at(0).text, "Привет");
        // Kept for the run: what was typed is there when it opens again.
        f.dialogs.dialogAnswers.push_back([](QDialog&) { return true; });
        main.itemProgram->trigger();
        QCOMPARE(window.table()->rowCount(), 1);
    }
};

QTEST_MAIN(ProgramFormTest)
#include "ProgramFormTest.moc"
