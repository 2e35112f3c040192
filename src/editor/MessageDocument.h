#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstddef>
#include <functional>
#include <string>

class Dialogs;
class MessageEdit;
class QWidget;

// The message document: the editor's text, the name of the file it belongs to, and the file
// commands New, Open, Save and Save As with the save prompt and the backup copy every save
// writes. The window it lives in shows what the document tells through its signals.
class MessageDocument : public QObject {
    Q_OBJECT

public:
    // How long the text must rest before bytesChanged() tells it.
    static constexpr int BytesDelayMs = 150;

    // `saveSettings` writes the settings after New and every file write. What it throws
    // (AppError) stops the command, so it is a call rather than a signal.
    MessageDocument(MessageEdit& edit, Dialogs& dialogs, QWidget* window,
                    std::function<void()> saveSettings);

    // The document's name as held (".\User.txt", a full path...); every command reads it.
    const QString& fileName() const { return m_fileName; }
    // The open dialog's own name: the last file from the settings, then the last one chosen.
    void setOpenDialogName(const QString& name) { m_openDialogName = name; }
    bool modified() const;

    // Loads the open dialog's file when it exists; its name becomes the document's either way.
    // Throws AppError when it exists but cannot be read (the name then stays empty).
    void startUp();
    void updateCaption();
    // The text as Windows-1251 bytes with CR LF line breaks: what is saved and sent.
    std::string bytes() const;
    // Replaces the text with the file's; throws AppError "Cannot open file <name>". A UTF-8
    // file is converted to Windows-1251 on the way in.
    struct Loaded {
        bool converted = false;
        std::size_t replaced = 0; // characters Windows-1251 cannot hold, now "?"
    };
    Loaded load(const QString& heldName);
    // Writes the backup and the document, then the settings unless the operator has chosen to
    // leave without them. Throws AppError.
    void saveRunFile(bool withSettings = true);
    // Asks whether to save the text; false when the operator said Yes and a write failed.
    bool savePrompt(bool withSettings = true);

    // The file commands; each throws AppError when a step fails. New always asks about the
    // text; Open asks only when it was modified.
    void newDocument();
    void open();
    void save();
    void saveAs();

signals:
    void status(const QString& text); // a transient status message
    void captionChanged(const QString& caption);
    // The text as it is sent (bytes()), once it has rested BytesDelayMs after an edit, at
    // once after a load, and once after the start: one encoding of it for every reader.
    void bytesChanged(const std::string& bytes);

private:
    // The reading message, then whether the file was converted.
    void reportLoaded(const QString& heldName, const Loaded& loaded);

    MessageEdit& m_edit;
    Dialogs& m_dialogs;
    QWidget* m_window;
    std::function<void()> m_saveSettings;
    QTimer m_bytesTimer;
    QString m_fileName;
    QString m_openDialogName;
};
