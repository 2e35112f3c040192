#pragma once

#include <QFont>
#include <QString>

#include <functional>
#include <optional>

class QDialog;
class QWidget;

// Every modal question, message and file/font dialog of the program goes through here, so
// that tests script the answers instead of waiting on a real box.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // The application's error box: title "Lumetra", error icon, one OK button. The text is
    // shown as given; errorBoxText() adds the full stop.
    virtual void error(QWidget* parent, const QString& text) = 0;
    // A warning box with one OK button (serial failures, refused uploads). `details` may add
    // a second line, such as the system's reason.
    virtual void warning(QWidget* parent, const QString& text, const QString& details = {}) = 0;
    // A warning box with Yes and No; anything but Yes is false.
    virtual bool askYesNo(QWidget* parent, const QString& text) = 0;

    struct FileRequest {
        QString title;
        QString fileName;      // the name the dialog starts with
        QString filter;        // "description|pattern|description|pattern"
        QString defaultSuffix; // without a dot; empty for none
    };
    // The chosen file, or nothing when cancelled.
    virtual std::optional<QString> openFileName(QWidget* parent, const FileRequest& request) = 0;
    virtual std::optional<QString> saveFileName(QWidget* parent, const FileRequest& request) = 0;
    virtual std::optional<QFont> chooseFont(QWidget* parent, const QFont& initial) = 0;
    // A secret typed in a hidden field under `text`; nothing when cancelled.
    virtual std::optional<QString> askPassword(QWidget* parent, const QString& text) = 0;
    // A dialog window of the program's own, shown modally; true when the operator accepted it.
    virtual bool runDialog(QDialog& dialog) = 0;
};

// The real boxes and dialogs.
class QtDialogs : public Dialogs {
public:
    void error(QWidget* parent, const QString& text) override;
    void warning(QWidget* parent, const QString& text, const QString& details) override;
    bool askYesNo(QWidget* parent, const QString& text) override;
    std::optional<QString> openFileName(QWidget* parent, const FileRequest& request) override;
    std::optional<QString> saveFileName(QWidget* parent, const FileRequest& request) override;
    std::optional<QFont> chooseFont(QWidget* parent, const QFont& initial) override;
    std::optional<QString> askPassword(QWidget* parent, const QString& text) override;
    bool runDialog(QDialog& dialog) override;
};

// The one error policy of every window's commands: whatever `command` throws is shown in the
// application's error box over `window`, and the program goes on. False when it threw.
bool runCommand(Dialogs& dialogs, QWidget* window, const std::function<void()>& command);

// The error box's text rule: a full stop is appended when the last character's code is above
// that of the full stop itself.
QString errorBoxText(const QString& failure);

// Converts a "description|pattern|..." filter into the form Qt's file dialogs take.
QString qtNameFilters(const QString& filter);
