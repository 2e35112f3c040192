#pragma once

#include "base/Dialogs.h"

#include <QStringList>

#include <deque>
#include <functional>

// Dialogs whose answers the test scripts in advance. Every call is recorded in `log` as
// "kind: text", so a test can check what the operator was shown and in what order.
// A question or file dialog without a scripted answer fails the test (it would have
// waited on a real box).
class ScriptedDialogs : public Dialogs {
public:
    QStringList log;
    std::deque<bool> answers;                      // askYesNo, in order
    std::deque<std::optional<QString>> fileNames;  // open and save dialogs, in order
    std::deque<std::optional<QFont>> fonts;        // font dialog, in order
    std::deque<std::optional<QString>> passwords;  // password questions, in order
    std::vector<FileRequest> fileRequests;         // what each file dialog was given
    std::vector<QFont> fontRequests;               // what each font dialog was given
    std::function<void(const QString&)> onMessage; // runs inside error/warning, if set
    // Plays the operator in a dialog window of the program's own; returns whether it is accepted.
    std::deque<std::function<bool(QDialog&)>> dialogAnswers;

    void error(QWidget* parent, const QString& text) override;
    void warning(QWidget* parent, const QString& text, const QString& details) override;
    bool askYesNo(QWidget* parent, const QString& text) override;
    std::optional<QString> openFileName(QWidget* parent, const FileRequest& request) override;
    std::optional<QString> saveFileName(QWidget* parent, const FileRequest& request) override;
    std::optional<QFont> chooseFont(QWidget* parent, const QFont& initial) override;
    std::optional<QString> askPassword(QWidget* parent, const QString& text) override;
    bool runDialog(QDialog& dialog) override;

    // The texts of one kind ("error", "warning", "ask", ...), in order.
    QStringList texts(const QString& kind) const;
    bool unanswered() const { return m_unanswered; }

private:
    std::optional<QString> nextFileName(const QString& kind, const FileRequest& request);

    bool m_unanswered = false;
};
