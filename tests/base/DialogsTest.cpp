#include "base/Dialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

class DialogsTest : public QObject {
    Q_OBJECT

private slots:
    void questionsTakeOnlyYesOrNo();
};

// Escape, the close request and Alt+F4 leave the question open; a button answers it.
void DialogsTest::questionsTakeOnlyYesOrNo() {
    QtDialogs dialogs;
    for (const QMessageBox::StandardButton answer : {QMessageBox::Yes, QMessageBox::No}) {
        QStringList stillOpen;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            QVERIFY(!(box->windowFlags() & Qt::WindowCloseButtonHint));
            const std::pair<QString, std::function<void()>> tries[] = {
                {"Escape", [box] { QTest::keyClick(box, Qt::Key_Escape); }},
                {"Escape on No",
                 [box] { QTest::keyClick(box->button(QMessageBox::No), Qt::Key_Escape); }},
                {"close", [box] { box->close(); }},
                {"Alt+F4", [box] { QTest::keyClick(box, Qt::Key_F4, Qt::AltModifier); }},
            };
            for (const auto& [name, attempt] : tries) {
                attempt();
                if (box->isVisible())
                    stillOpen << name;
            }
            box->button(answer)->click();
        });
        QCOMPARE(dialogs.askYesNo(nullptr, QStringLiteral("Записать файл?")),
                 answer == QMessageBox::Yes);
        QCOMPARE(stillOpen, QStringList({"Escape", "Escape on No", "close", "Alt+F4"}));
    }
}

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
