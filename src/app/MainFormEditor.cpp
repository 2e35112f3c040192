#include "app/MainForm.h"

#include "app/EffectButtons.h"
#include "app/MainFormTexts.h"
#include "base/AppError.h"
#include "base/AtomicFile.h"
#include "base/Dialogs.h"
#include "base/FileNames.h"
#include "base/QtAdapt.h"
#include "editor/LengthMonitor.h"
#include "editor/MessageEdit.h"
#include "editor/MessageFile.h"
#include "editor/MessageText.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTextBlock>
#include <QTextLayout>

#include <span>
#include <system_error>

namespace {

QString str(QStringView text) {
    return text.toString();
}

QString withoutDirectory(const QString& heldName) {
    return qtadapt::toQt(nameWithoutDirectory(qtadapt::toStd(heldName)));
}

std::string fsPath(const QString& heldName) {
    return qtadapt::toStd(qtadapt::nativePath(heldName));
}

// Whether a file of that name exists; a folder does not count. Anything else that exists (a
// FIFO, a device) counts, so that a save onto it is tried and refused with an error rather
// than skipped in silence.
bool fileExists(const QString& heldName) {
    const QFileInfo info(qtadapt::nativePath(heldName));
    return info.exists() && !info.isDir();
}

void writeMessageFile(const QString& heldName, const std::string& bytes) {
    try {
        replaceFileAtomically(
            fsPath(heldName),
            std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    } catch (const FileWriteError&) {
        throw AppError(qtadapt::toStd(str(mainform::CannotCreate) + heldName));
    }
}

// A line break in a name would break the settings file that stores it.
void refuseLineBreak(const QString& heldName) {
    if (heldName.contains(QLatin1Char('\r')) || heldName.contains(QLatin1Char('\n')))
        throw AppError(qtadapt::toStd(str(mainform::NameWithLineBreak)));
}

// Gives the selection (with none, what is typed next) `format`, keeping the modified flag: the
// format belongs to the screen, not to the text that is saved and sent.
void mergeFormat(MessageEdit* edit, const QTextCharFormat& format) {
    QTextDocument* document = edit->document();
    const bool modified = document->isModified();
    edit->mergeCurrentCharFormat(format);
    document->setModified(modified);
}

} // namespace

// ---- message document and files ----

void TMainForm::UpDateCaption() {
    setWindowTitle(str(mainform::CaptionPrefix) + withoutDirectory(m_currentFileName));
}

std::string TMainForm::messageBytes() const {
    // The raw text, not toPlainText(): that one turns a no-break space (0xA0) into a blank.
    return messagetext::toFileBytes(RichEdit->document()->toRawText());
}

void TMainForm::loadIntoEditor(const QString& heldName) {
    std::string bytes;
    try {
        bytes = readRegularFile(fsPath(heldName), messagefile::MaxBytes);
    } catch (const std::system_error&) {
        throw AppError(qtadapt::toStd(str(mainform::CannotOpen) + heldName));
    }
    RichEdit->setPlainText(messagetext::fromFileBytes(messagefile::withLfBreaks(bytes)));
    // The editor holds what the file holds; nothing to save yet.
    RichEdit->document()->setModified(false);
}

void TMainForm::SaveRunFile(bool withSettings) {
    StatusBarHelp(str(mainform::Writing) + withoutDirectory(m_currentFileName));
    UpDateCaption();
    const std::string bytes = messageBytes();
    writeMessageFile(m_backupFileName, bytes);
    writeMessageFile(m_currentFileName, bytes);
    if (withSettings)
        SaveIniFile();
}

bool TMainForm::SavePrompt(bool withSettings) {
    using namespace mainform;
    if (!m_dialogs.askYesNo(this, str(AskSavePrefix) + m_currentFileName + str(AskSaveSuffix)))
        return true;
    if (fileExists(m_currentFileName) && !m_dialogs.askYesNo(this, str(AskOverwrite)))
        return true;
    return runCommand([this, withSettings] { SaveRunFile(withSettings); });
}

void TMainForm::SpeedButtonNewClick() {
    StatusBarHelp(str(mainform::Clearing));
    // A save the operator asked for that failed must not be followed by dropping the text.
    if (!SavePrompt())
        return;
    m_currentFileName = m_newFileName;
    UpDateCaption();

    // Empty the text but keep the format, so that what is typed next looks as before.
    QTextCursor cursor(RichEdit->document());
    cursor.movePosition(QTextCursor::End);
    const QTextCharFormat format = cursor.charFormat();
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
    cursor.setBlockCharFormat(format);
    RichEdit->setTextCursor(cursor);
    RichEdit->setCurrentCharFormat(format);
    RichEdit->document()->clearUndoRedoStacks();
    RichEdit->document()->setModified(false);

    SaveIniFile();
}

void TMainForm::SpeedButtonOpenClick() {
    Dialogs::FileRequest request;
    request.title = str(mainform::ItemOpen);
    request.fileName = m_openDialogTxtName;
    request.filter = str(mainform::OpenFilter);
    const std::optional<QString> chosen = m_dialogs.openFileName(this, request);
    if (!chosen)
        return;
    refuseLineBreak(*chosen);
    m_openDialogTxtName = *chosen;
    // A name that exists but cannot be read (too big, a FIFO, a folder, no permission) must
    // not become the document's name: the next Save would write the old text over it.
    const bool exists = QFileInfo::exists(qtadapt::nativePath(*chosen));
    if (exists)
        loadIntoEditor(*chosen);
    m_currentFileName = *chosen;
    UpDateCaption();
    if (!exists)
        loadIntoEditor(*chosen);
    StatusBarHelp(str(mainform::Reading) + withoutDirectory(*chosen));
    UstRus();
}

void TMainForm::SpeedButtonSaveClick() {
    if (fileExists(m_currentFileName))
        SaveRunFile();
}

void TMainForm::SpeedButtonSaveASClick() {
    Dialogs::FileRequest request;
    request.title = str(mainform::ItemSaveAs);
    request.fileName = m_currentFileName;
    request.filter = str(mainform::SaveFilter);
    request.defaultSuffix = str(mainform::SaveDefaultSuffix);
    const std::optional<QString> chosen = m_dialogs.saveFileName(this, request);
    if (!chosen)
        return;
    refuseLineBreak(*chosen);
    // A declined overwrite keeps the previous name: taking the declined one would let the next
    // Save or the close prompt replace the very file the operator chose to keep.
    if (fileExists(*chosen) && !m_dialogs.askYesNo(this, str(mainform::AskOverwriteSaveAs)))
        return;
    m_currentFileName = *chosen;
    SaveRunFile();
}

// ---- effect codes and text commands ----

void TMainForm::InsertRich(const QString& code) {
    // The code goes through the system clipboard, which keeps it afterwards.
    EditInsert->clear();
    EditInsert->setText(code);
    EditInsert->selectAll();
    EditInsert->copy();
    RichEdit->paste();
}

void TMainForm::UstRus() {
    RichEdit->selectAll();
    QTextCharFormat format;
    format.setFontWeight(QFont::Normal);
    format.setFontItalic(false);
    format.setFontUnderline(false);
    format.setFontStrikeOut(false);
    format.setFontFamilies(QStringList{str(mainform::StandardFace)});
    format.setForeground(QColor(Qt::black));
    format.setFontPointSize(mainform::StandardPointSize);
    mergeFormat(RichEdit, format);
    if (messageLength() >= 2) {
        QTextCursor cursor = RichEdit->textCursor();
        cursor.movePosition(QTextCursor::End);
        RichEdit->setTextCursor(cursor);
    }
}

void TMainForm::SpeedButtonSelectAllClick() {
    RichEdit->selectAll();
}
void TMainForm::SpeedButtonCutClick() {
    RichEdit->cut();
}
void TMainForm::SpeedButtonCopyClick() {
    RichEdit->copy();
}

void TMainForm::SpeedButtonPasteClick() {
    RichEdit->paste();
    UstRus();
}

void TMainForm::SpeedButtonDelClick() {
    QTextCursor cursor = RichEdit->textCursor();
    cursor.removeSelectedText();
    RichEdit->setTextCursor(cursor);
}

void TMainForm::SpeedButtonToRusClick() {
    UstRus();
}

void TMainForm::itemFontChangeClick() {
    std::optional<QFont> chosen = m_dialogs.chooseFont(this, m_fontDialogFont);
    if (!chosen)
        return;
    m_fontDialogFont = *chosen;
    QTextCharFormat format;
    format.setFontFamilies(QStringList{chosen->family()});
    // The dialog offers no colour: the text takes the window-text colour it starts with.
    format.setForeground(palette().color(QPalette::WindowText));
    if (chosen->pointSizeF() > 0)
        format.setFontPointSize(chosen->pointSizeF());
    format.setFontWeight(chosen->weight());
    format.setFontItalic(chosen->italic());
    format.setFontUnderline(chosen->underline());
    format.setFontStrikeOut(chosen->strikeOut());
    // With nothing selected this is the format of what is typed next.
    mergeFormat(RichEdit, format);
}

void TMainForm::itemAddspaceClick() {
    // The blanks go at the very end, wherever the caret is.
    QTextCursor cursor(RichEdit->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QStringLiteral("          "));
    if (messageLength() > 1)
        RichEdit->setTextCursor(cursor);
}

void TMainForm::RichEditMouseDown() {
    // Lines are counted as displayed: a wrapped paragraph is several lines, and the column
    // counts from the start of the displayed line that holds the caret.
    const QTextCursor cursor = RichEdit->textCursor();
    const int end = std::max(cursor.anchor(), cursor.position());
    QTextDocument* document = RichEdit->document();
    QAbstractTextDocumentLayout* layout = document->documentLayout();

    const auto lineAt = [&](int position, int* lineStart) {
        const QTextBlock block = document->findBlock(position);
        layout->blockBoundingRect(block); // lays the document out up to this block
        int number = 0;
        for (QTextBlock b = document->begin(); b != block; b = b.next())
            number += std::max(1, b.layout()->lineCount());
        const QTextLine line = block.layout()->lineForTextPosition(position - block.position());
        if (line.isValid()) {
            number += line.lineNumber();
            *lineStart = block.position() + line.textStart();
        } else {
            *lineStart = block.position();
        }
        return number + 1;
    };
    int endLineStart = 0;
    const int line = lineAt(end, &endLineStart);
    int caretLineStart = endLineStart;
    if (cursor.position() != end)
        lineAt(cursor.position(), &caretLineStart);
    const int column = end - caretLineStart + 1;
    m_panels[2]->setText(str(mainform::CaretLine) + QString::number(line) +
                         str(mainform::CaretColumn) + QString::number(column));
}

void TMainForm::reportReplacedCharacters(int count) {
    StatusBarHelp(str(mainform::ReplacedPrefix) + QString::number(count));
}

void TMainForm::insertEffect(void (TMainForm::*handler)()) {
    for (const EffectButton& button : EffectButtons)
        if (button.handler == handler)
            InsertRich(button.code.toString());
}

void TMainForm::SpeedButtonUst0Click() {
    insertEffect(&TMainForm::SpeedButtonUst0Click);
}
void TMainForm::SpeedButtonUst1Click() {
    insertEffect(&TMainForm::SpeedButtonUst1Click);
}
void TMainForm::SpeedButtonUst2Click() {
    insertEffect(&TMainForm::SpeedButtonUst2Click);
}
void TMainForm::SpeedButtonUst5Click() {
    insertEffect(&TMainForm::SpeedButtonUst5Click);
}
void TMainForm::SpeedButtoSpeedUst1Click() {
    insertEffect(&TMainForm::SpeedButtoSpeedUst1Click);
}
void TMainForm::SpeedButtonWait1Click() {
    insertEffect(&TMainForm::SpeedButtonWait1Click);
}
void TMainForm::SpeedButtonWait3Click() {
    insertEffect(&TMainForm::SpeedButtonWait3Click);
}
void TMainForm::SpeedButtonWait5Click() {
    insertEffect(&TMainForm::SpeedButtonWait5Click);
}
void TMainForm::SpeedButtonClClick() {
    insertEffect(&TMainForm::SpeedButtonClClick);
}
void TMainForm::SpeedButtonFillClick() {
    insertEffect(&TMainForm::SpeedButtonFillClick);
}
void TMainForm::SpeedButtonUpClick() {
    insertEffect(&TMainForm::SpeedButtonUpClick);
}
void TMainForm::SpeedButtonDownClick() {
    insertEffect(&TMainForm::SpeedButtonDownClick);
}
void TMainForm::SpeedButtonRazbClick() {
    insertEffect(&TMainForm::SpeedButtonRazbClick);
}
void TMainForm::SpeedButtonInvClick() {
    insertEffect(&TMainForm::SpeedButtonInvClick);
}
void TMainForm::SpeedButton1Click() {
    insertEffect(&TMainForm::SpeedButton1Click);
}

// ---- length monitor ----

int TMainForm::messageLength() const {
    // Both counts are kept by the document, so a tick costs the same on any length. The text
    // holds no line separators (the editor turns each into a paragraph break), so every line
    // break is a block boundary; characterCount() includes one closing separator.
    const QTextDocument* document = RichEdit->document();
    return static_cast<int>(
        lengthmonitor::textLength(document->characterCount() - 1, document->blockCount() - 1));
}

void TMainForm::TimerLengTXTTimer() {
    using namespace mainform;
    const lengthmonitor::Reading reading =
        lengthmonitor::read(messageLength(), itemLeng59000->isChecked());
    m_panels[0]->setText((reading.withinLimit ? str(LengthPrefix) : str(OverflowPrefix)) +
                         QString::number(reading.shown) + str(CharactersSuffix));
    SpeedButtonTx->setEnabled(reading.withinLimit);
    m_panels[1]->setText(str(TimePrefix) + QString::number(reading.time) +
                         str(reading.inMinutes ? MinutesSuffix : SecondsSuffix));
    // The buttons share these actions with the menu items, so all six follow.
    const bool selected = RichEdit->textCursor().hasSelection();
    for (QAction* action : {itemCopy, itemCut, itemDel})
        action->setEnabled(selected);
}

// The new limit takes effect at the next tick; the choice is stored at the next settings write.
void TMainForm::ItemLeng6140Click() {
    ItemLeng6140->setChecked(true);
    itemLeng59000->setChecked(false);
}
void TMainForm::itemLeng59000Click() {
    itemLeng59000->setChecked(true);
    ItemLeng6140->setChecked(false);
}
