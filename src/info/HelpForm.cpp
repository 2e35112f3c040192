#include "info/HelpForm.h"

#include "base/LazyIcon.h"
#include "info/InfoTexts.h"
#include "info/WindowLook.h"

#include <QFile>
#include <QIcon>
#include <QVBoxLayout>

namespace {

QString helpText() {
    QFile file(QStringLiteral(":/info/help.txt"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        qFatal("The help text is missing from the program's resources");
    return QString::fromUtf8(file.readAll());
}

} // namespace

THelpForm::THelpForm(QWidget* parent) : PlacedOnceDialog(parent) {
    setObjectName(QStringLiteral("HelpForm"));
    setWindowTitle(QString::fromUtf16(infotexts::HelpCaption));
    setWindowIcon(lazyWindowIcon(QStringLiteral(":/icons/help-window")));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);

    // The text goes in while the editor still has the face the main window has loaded: in the
    // window's own face, filling it would load that face and lay out the text's first line in
    // it, long before the operator opens Help. Given afterwards, the face reaches the text with
    // no layout; the first showing loads and lays out what it shows.
    RichEdit = new HelpTextEdit(this);
    RichEdit->setObjectName(QStringLiteral("RichEdit"));
    RichEdit->setReadOnly(true);
    // Read-only still lets the caret move and the keyboard select.
    RichEdit->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    RichEdit->setTabChangesFocus(false);
    RichEdit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    RichEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit->setPlainText(helpText());
    RichEdit->moveCursor(QTextCursor::Start);
    setFont(info::classicDialogFont());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(RichEdit);
    resize(536, 348);
}
