#include "base/Dialogs.h"

#include "base/AppError.h"

#include <QDialog>

#include <QCloseEvent>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>

#include <exception>

QString errorBoxText(const QString& failure) {
    if (!failure.isEmpty() && failure.back().unicode() > u'.')
        return failure + QLatin1Char('.');
    return failure;
}

bool runCommand(Dialogs& dialogs, QWidget* window, const std::function<void()>& command) {
    QString failure;
    try {
        command();
        return true;
    } catch (const AppError& e) {
        failure = errorBoxText(QString::fromUtf8(e.what()));
        if (!e.reason().empty())
            failure += QLatin1Char('\n') + errorBoxText(QString::fromUtf8(e.reason()));
    } catch (const std::exception& e) {
        failure = errorBoxText(QString::fromUtf8(e.what()));
    } catch (...) {
        failure = errorBoxText(QStringLiteral("Непредвиденная ошибка"));
    }
    dialogs.error(window, failure);
    return false;
}

QString qtNameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts.at(i + 1);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << parts.at(i) + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

void QtDialogs::error(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Lumetra"), text, QMessageBox::Ok,
                    parent);
    box.exec();
}

void QtDialogs::warning(QWidget* parent, const QString& text, const QString& details) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Lumetra"), text, QMessageBox::Ok, parent);
    if (!details.isEmpty())
        box.setInformativeText(details);
    box.exec();
}

namespace {

// A question the operator answers with Yes or No and nothing else: Qt would take Escape and the
// title bar's close box for No, and a No given by a slip of the hand can throw edits away.
class YesNoBox : public QMessageBox {
public:
    YesNoBox(QWidget* parent, const QString& text)
        : QMessageBox(QMessageBox::Warning, QStringLiteral("Lumetra"), text,
                      QMessageBox::Yes | QMessageBox::No, parent) {
        setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->matches(QKeySequence::Cancel))
            return;
        QMessageBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent* event) override {
        // Only a button ends the question.
        if (!clickedButton())
            event->ignore();
        else
            QMessageBox::closeEvent(event);
    }
};

} // namespace

bool QtDialogs::askYesNo(QWidget* parent, const QString& text) {
    YesNoBox box(parent, text);
    return box.exec() == QMessageBox::Yes;
}

namespace {

std::optional<QString> runFileDialog(QWidget* parent, const Dialogs::FileRequest& request,
                                     QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent, request.title);
    dialog.setAcceptMode(mode);
    // The open dialog also takes a name that does not exist; loading it then reports it.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(qtNameFilters(request.filter));
    // The window asks about overwriting itself, with its own words.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (!request.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.fileName.isEmpty())
        dialog.selectFile(QString(request.fileName).replace(QLatin1Char('\\'), QLatin1Char('/')));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace

std::optional<QString> QtDialogs::openFileName(QWidget* parent, const FileRequest& request) {
    return runFileDialog(parent, request, QFileDialog::AcceptOpen);
}

std::optional<QString> QtDialogs::saveFileName(QWidget* parent, const FileRequest& request) {
    return runFileDialog(parent, request, QFileDialog::AcceptSave);
}

std::optional<QFont> QtDialogs::chooseFont(QWidget* parent, const QFont& initial) {
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, initial, parent);
    if (!ok)
        return std::nullopt;
    return font;
}

std::optional<QString> QtDialogs::askPassword(QWidget* parent, const QString& text) {
    bool ok = false;
    const QString password = QInputDialog::getText(parent, QStringLiteral("Lumetra"), text,
                                                   QLineEdit::Password, {}, &ok);
    if (!ok)
        return std::nullopt;
    return password;
}

bool QtDialogs::runDialog(QDialog& dialog) {
    return dialog.exec() == QDialog::Accepted;
}
