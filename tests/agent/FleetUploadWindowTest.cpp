// The window uploading to a sign whose agent is on the broker: the frame arrives exactly on
// the sign's line, the password is asked for once per run where the settings name no file,
// Cancel stops the agent's line, and a sign without an agent is a port that cannot be opened.

#include "AgentRig.h"
#include "MainWindowFixture.h"
#include "upload/UploadController.h"
#include "upload/UploadProgressPanel.h"
#include "upload/UploadTexts.h"

#include <QElapsedTimer>
#include <QPushButton>

namespace {

using namespace rig;

QString str(QStringView text) {
    return text.toString();
}

struct Rig : AgentRig {
    Rig() : AgentRig({"shop-1"}) { start(); }
    PseudoTerminal& line() { return m_signs[0]; }
    std::string url(const std::string& sign) const {
        return "mqtt://operator@127.0.0.1:" + std::to_string(m_port) + "/" + sign;
    }
    std::string address() const { return "127.0.0.1:" + std::to_string(m_port); }
    std::string passwordFile() {
        m_dir.write("operator.pass", "operator-password\n");
        ::chmod(m_dir.path("operator.pass").c_str(), 0600);
        return m_dir.path("operator.pass");
    }
    Client& watcher() { return *m_operator; }
};

QByteArray settings(const std::string& device, const std::string& passwordFile) {
    QByteArray ini = QByteArray("[PortMap]\r\nCOM 1=") + QByteArray::fromStdString(device) + "\r\n";
    if (!passwordFile.empty())
        ini += "[Broker]\r\nPasswordFile=" + QByteArray::fromStdString(passwordFile) + "\r\n";
    return ini;
}

} // namespace

class FleetUploadWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() { m_rig = std::make_unique<Rig>(); }
    void cleanup() {
        if (QTest::currentTestFailed())
            qWarning("%s", m_rig->logs().c_str());
        m_rig.reset();
    }

    void aTextArrivesExactlyAndThePasswordIsAskedOnce_data() {
        QTest::addColumn<bool>("fromFile");
        QTest::newRow("password file in the settings") << true;
        QTest::newRow("password asked for") << false;
    }
    void aTextArrivesExactlyAndThePasswordIsAskedOnce() {
        QFETCH(bool, fromFile);
        MainWindowFixture w(settings(m_rig->url("shop-1"), fromFile ? m_rig->passwordFile() : ""));
        const std::unique_ptr<SerialLink> link = makeSystemSerialLink();
        TMainForm& form = w.makeShown(link.get());
        if (!fromFile)
            w.dialogs.passwords = {QStringLiteral("operator-password")};
        w.setText(QStringLiteral("Hi"));
        for (int upload = 0; upload < 2; ++upload) {
            const Bytes expected = textFrame("Hi");
            MasterReader reader(m_rig->line(), expected.size());
            form.SpeedButtonTx->trigger();
            QVERIFY(reader.bytes() == expected);
            QVERIFY(form.ComPortReady());
        }
        const QStringList asked = w.dialogs.texts(QStringLiteral("password"));
        QCOMPARE(asked, fromFile
                            ? QStringList()
                            : QStringList({str(uploadtext::BrokerPassword)
                                               .arg(QStringLiteral("operator"),
                                                    QString::fromStdString(m_rig->address()))}));
        QCOMPARE(w.dialogs.texts(QStringLiteral("warning")), QStringList());
        QCOMPARE(w.status(), str(uploadtext::SendDone));
    }

    void cancelStopsTheAgentsLine() {
        MainWindowFixture w(settings(m_rig->url("shop-1"), m_rig->passwordFile()));
        const std::unique_ptr<SerialLink> link = makeSystemSerialLink();
        TMainForm& form = w.makeShown(link.get());
        w.setText(QString(400, QLatin1Char('x')));
        const Bytes frame = textFrame(std::string(400, 'x'));
        Bytes line;
        QTimer::singleShot(1500, &form, [&] {
            line = lineWithin(m_rig->line(), 10ms);
            QTest::mouseClick(form.upload().UploadPanel->cancelButton, Qt::LeftButton);
        });
        form.SpeedButtonTx->trigger();
        QVERIFY(m_rig->watcher().awaitJson("lumetra/shop-1/upload/result", [](const json& r) {
            return r["command"] == "frame" && r["outcome"] == "cancelled";
        }));
        const QStringList boxes = w.dialogs.texts(QStringLiteral("warning"));
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(boxes[0].startsWith(str(uploadtext::SendFailedBox) + " | Отменено"),
                 qPrintable(boxes[0]));
        const Bytes rest = lineWithin(m_rig->line(), 1000ms);
        line.insert(line.end(), rest.begin(), rest.end());
        QVERIFY(line.size() < frame.size() - 100);
        QVERIFY(std::equal(line.begin(), line.end(), frame.begin()));
    }

    void aSignWithoutAnAgentCannotBeOpenedWithinFiveSeconds() {
        MainWindowFixture w(settings(m_rig->url("ghost"), m_rig->passwordFile()));
        const std::unique_ptr<SerialLink> link = makeSystemSerialLink();
        TMainForm& form = w.makeShown(link.get());
        QElapsedTimer took;
        took.start();
        form.SpeedButtonTx->trigger();
        QVERIFY(took.elapsed() < 6500);
        QCOMPARE(w.dialogs.log,
                 QStringList({QStringLiteral("warning: Не могу открыть порт | Не могу открыть "
                                             "порт %1: нет агента в сети для знака ghost на %2")
                                  .arg(QString::fromStdString(m_rig->url("ghost")),
                                       QString::fromStdString(m_rig->address()))}));
        QVERIFY(!form.ComPortReady());
    }

private:
    std::unique_ptr<Rig> m_rig;
};

QTEST_MAIN(FleetUploadWindowTest)
#include "FleetUploadWindowTest.moc"
