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

// Escape and the close request (the close box, Alt+F4) leave the question open; a button
// answers it.
void DialogsTest::questionsTakeOnlyYesOrNo() {
    QtDialogs dialogs;
    for (const QMessageBox::StandardButton answer : {QMessageBox::Yes, QMessageBox::No}) {
        bool stillOpen = false;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box && !(box->windowFlags() & Qt::WindowCloseButtonHint));
            QTest::keyClick(box->button(QMessageBox::No), Qt::Key_Escape);
            box->close();
            stillOpen = box->isVisible();
            box->button(answer)->click();
        });
        QCOMPARE(dialogs.askYesNo(nullptr, QStringLiteral("Записать файл?")),
                 answer == QMessageBox::Yes);
        QVERIFY(stillOpen);
    }
}

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
