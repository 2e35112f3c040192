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
#include <QLabel>
#include <QTextBlock>
#include <QTextDocument>
#include <QToolButton>

#include <memory>

// One main window in a sandbox of its own, with scripted dialogs; restart() builds a new
// window in the same working folder and settings, as the next run of the program would.
struct EditorFixture {
    Sandbox sandbox;
    ScriptedDialogs dialogs;
    FakeSerialLink serial;
    FontTables font;
    std::unique_ptr<TMainForm> form;

    EditorFixture() { make(); }

    TMainForm& make() {
        form.reset();
        form = std::make_unique<TMainForm>(dialogs, serial, font);
        return *form;
    }
    TMainForm& restart() { return make(); }

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

inline QString captionFor(const QString& shortName) {
    return QStringLiteral("Загрузчик для бегущей строки V2.9   File: ") + shortName;
}
