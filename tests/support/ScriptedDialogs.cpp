#include "ScriptedDialogs.h"

#include <QDialog>

#include <QTest>

void ScriptedDialogs::error(QWidget*, const QString& text) {
    log << QStringLiteral("error: ") + text;
    if (onMessage)
        onMessage(text);
}

void ScriptedDialogs::warning(QWidget*, const QString& text, const QString& details) {
    log << QStringLiteral("warning: ") + text +
               (details.isEmpty() ? QString() : QStringLiteral(" | ") + details);
    if (onMessage)
        onMessage(text);
}

bool ScriptedDialogs::askYesNo(QWidget*, const QString& text) {
    log << QStringLiteral("ask: ") + text;
    if (answers.empty()) {
        m_unanswered = true;
        qWarning("unscripted question: %s", qPrintable(text));
        return false;
    }
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
}

std::optional<QString> ScriptedDialogs::nextFileName(const QString& kind,
                                                     const FileRequest& request) {
    log << kind + QStringLiteral(": ") + request.fileName;
    fileRequests.push_back(request);
    if (fileNames.empty()) {
        m_unanswered = true;
        return std::nullopt;
    }
    auto name = fileNames.front();
    fileNames.pop_front();
    return name;
}

std::optional<QString> ScriptedDialogs::openFileName(QWidget*, const FileRequest& request) {
    return nextFileName(QStringLiteral("open"), request);
}

std::optional<QString> ScriptedDialogs::saveFileName(QWidget*, const FileRequest& request) {
    return nextFileName(QStringLiteral("save"), request);
}

std::optional<QString> ScriptedDialogs::askPassword(QWidget*, const QString& text) {
    log << QStringLiteral("password: ") + text;
    if (passwords.empty()) {
        m_unanswered = true;
        return std::nullopt;
    }
    auto password = passwords.front();
    passwords.pop_front();
    return password;
}

std::optional<QFont> ScriptedDialogs::chooseFont(QWidget*, const QFont& initial) {
    log << QStringLiteral("font: ") + initial.family();
    fontRequests.push_back(initial);
    if (fonts.empty()) {
        m_unanswered = true;
        return std::nullopt;
    }
    auto font = fonts.front();
    fonts.pop_front();
    return font;
}

bool ScriptedDialogs::runDialog(QDialog& dialog) {
    log << QStringLiteral("dialog: ") + dialog.objectName();
    if (dialogAnswers.empty()) {
        m_unanswered = true;
        return false;
    }
    const auto answer = dialogAnswers.front();
    dialogAnswers.pop_front();
    return answer(dialog);
}

QStringList ScriptedDialogs::texts(const QString& kind) const {
    QStringList out;
    const QString prefix = kind + QStringLiteral(": ");
    for (const QString& line : log)
        if (line.startsWith(prefix))
            out << line.mid(prefix.size());
    return out;
}
