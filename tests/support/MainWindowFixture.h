#pragma once

#include "app/MainForm.h"
#include "base/FileNames.h"
#include "base/IniFile.h"
#include "base/QtAdapt.h"
#include "editor/MessageEdit.h"
#include "font/FontTable.h"

#include "FakeSerialLink.h"
#include "Sandbox.h"
#include "ScriptedDialogs.h"

#include <QAction>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>

#include <memory>

// One main window in a sandbox of its own (working folder and settings), with scripted
// dialogs and a fake serial link. make() and restart() build a new window in the same folder
// and settings, as the next run of the program would; makeShown() puts it on screen with the
// timers' ticks left to the test.
struct MainWindowFixture {
    Sandbox sandbox;
    ScriptedDialogs dialogs;
    FakeSerialLink serial;
    FontTables font;
    std::unique_ptr<TMainForm> form;

    // `settings`: the settings file an earlier run left, if any.
    explicit MainWindowFixture(const QByteArray& settings = {}) {
        if (!settings.isEmpty())
            sandbox.write(QStringLiteral("config/Kesmar.ini"), settings);
    }

    // The window over `link`, the fake serial link when none is given.
    TMainForm& make(SerialLink* link = nullptr) {
        form.reset();
        form = std::make_unique<TMainForm>(dialogs, link ? *link : serial, font);
        return *form;
    }
    TMainForm& restart() { return make(); }
    TMainForm& makeShown(SerialLink* link = nullptr) {
        make(link);
        form->TimerLengTXT->stop();
        form->TimerStatus->setInterval(24 * 3600 * 1000);
        form->show();
        // Painting starts once the window is on screen (at once on the offscreen platform).
        if (!QTest::qWaitForWindowExposed(form.get()))
            qFatal("the window never appeared");
        return *form;
    }

    MessageEdit* edit() const { return form->RichEdit; }
    QTextDocument* document() const { return form->RichEdit->document(); }
    QString text() const {
        return document()->toRawText().replace(QChar::ParagraphSeparator, '\n');
    }
    QString status() const { return form->panelText(2); }
    QString caption() const { return form->windowTitle(); }

    // Replaces the text as the operator would see it typed: modified, caret at the end.
    void setText(const QString& text) const {
        edit()->setPlainText(text);
        document()->setModified(true);
        moveCaret(static_cast<int>(document()->characterCount() - 1));
    }
    void moveCaret(int position, int anchor = -1) const {
        QTextCursor cursor(document());
        cursor.setPosition(anchor < 0 ? position : anchor);
        if (anchor >= 0)
            cursor.setPosition(position, QTextCursor::KeepAnchor);
        edit()->setTextCursor(cursor);
    }
    int caret() const { return edit()->textCursor().position(); }

    QToolButton* button(const char* name) const {
        return form->findChild<QToolButton*>(QString::fromLatin1(name));
    }
    QAction* action(const char* name) const {
        return form->findChild<QAction*>(QString::fromLatin1(name));
    }

    // The last file the settings hold.
    QString lastFile() const {
        return qtadapt::fromCp1251(IniFile(settingsFilePath()).ReadString("LastFile", "Path", "-"));
    }
};
