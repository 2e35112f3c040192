#include "editor/MessageDocument.h"

#include "base/AppError.h"
#include "base/AtomicFile.h"
#include "base/Dialogs.h"
#include "base/FileFailure.h"
#include "base/FileNames.h"
#include "base/QtAdapt.h"
#include "editor/DocumentTexts.h"
#include "editor/MessageEdit.h"
#include "editor/MessageEncoding.h"
#include "editor/MessageFile.h"
#include "editor/MessageText.h"

#include <QFileInfo>
#include <QTextCursor>

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

// The failure's own text, then why.
[[noreturn]] void fail(QStringView text, const QString& heldName, int err) {
    throw AppError(qtadapt::toStd(text.toString() + heldName),
                   qtadapt::toStd(fileFailureReason(err, fsPath(heldName))));
}

void writeMessageFile(const QString& heldName, const std::string& bytes) {
    try {
        replaceFileAtomically(
            fsPath(heldName),
            std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    } catch (const FileError& e) {
        fail(doctext::CannotCreate, heldName, e.err());
    }
}

// A line break in a name would break the settings file that stores it.
void refuseLineBreak(const QString& heldName) {
    if (hasLineBreak(qtadapt::toStd(heldName)))
        throw AppError(qtadapt::toStd(str(doctext::NameWithLineBreak)));
}

} // namespace

MessageDocument::MessageDocument(MessageEdit& edit, Dialogs& dialogs, QWidget* window,
                                 std::function<void()> saveSettings)
    : m_edit(edit), m_dialogs(dialogs), m_window(window), m_saveSettings(std::move(saveSettings)) {
    m_bytesTimer.setSingleShot(true);
    m_bytesTimer.setInterval(BytesDelayMs);
    connect(&m_bytesTimer, &QTimer::timeout, this, [this] { emit bytesChanged(bytes()); });
    connect(edit.document(), &QTextDocument::contentsChanged, &m_bytesTimer,
            qOverload<>(&QTimer::start));
    // The text the window starts with is told too, after the same pause.
    m_bytesTimer.start();
}

bool MessageDocument::modified() const {
    return m_edit.document()->isModified();
}

void MessageDocument::startUp() {
    const QString last = m_openDialogName;
    if (QFileInfo(qtadapt::nativePath(last)).isFile()) {
        reportLoaded(last, load(last));
        m_edit.standardFormat();
    }
    m_fileName = last;
}

void MessageDocument::updateCaption() {
    emit captionChanged(str(doctext::CaptionPrefix) + withoutDirectory(m_fileName));
}

std::string MessageDocument::bytes() const {
    // The raw text, not toPlainText(): that one turns a no-break space (0xA0) into a blank.
    return messagetext::toFileBytes(m_edit.document()->toRawText());
}

MessageDocument::Loaded MessageDocument::load(const QString& heldName) {
    std::string data;
    try {
        data = readRegularFile(fsPath(heldName), messagefile::MaxBytes);
    } catch (const FileError& e) {
        fail(doctext::CannotOpen, heldName, e.err());
    }
    const DecodedMessage decoded = decodeMessage(data);
    m_edit.setPlainText(messagetext::fromFileBytes(messagefile::withLfBreaks(decoded.cp1251)));
    // The editor holds what the file holds; nothing to save yet.
    m_edit.document()->setModified(false);
    // No pause to wait for: the readers take the new text at once.
    m_bytesTimer.stop();
    emit bytesChanged(bytes());
    return {decoded.converted, decoded.replaced};
}

void MessageDocument::reportLoaded(const QString& heldName, const Loaded& loaded) {
    emit status(str(doctext::Reading) + withoutDirectory(heldName));
    if (!loaded.converted)
        return;
    // Shown after the reading message, which it replaces: the conversion is what the operator
    // needs to know (a save writes Windows-1251, not the UTF-8 the file had).
    emit status(loaded.replaced == 0 ? str(doctext::ConvertedFromUtf8)
                                     : str(doctext::ConvertedWithReplaced).arg(loaded.replaced));
}

void MessageDocument::saveRunFile(bool withSettings) {
    emit status(str(doctext::Writing) + withoutDirectory(m_fileName));
    updateCaption();
    const std::string text = bytes();
    writeMessageFile(str(doctext::BackupName), text);
    writeMessageFile(m_fileName, text);
    if (withSettings)
        m_saveSettings();
}

bool MessageDocument::savePrompt(bool withSettings) {
    using namespace doctext;
    if (!m_dialogs.askYesNo(m_window, str(AskSavePrefix) + m_fileName + str(AskSaveSuffix)))
        return true;
    if (fileExists(m_fileName) && !m_dialogs.askYesNo(m_window, str(AskOverwrite)))
        return true;
    return runCommand(m_dialogs, m_window, [this, withSettings] { saveRunFile(withSettings); });
}

void MessageDocument::newDocument() {
    emit status(str(doctext::Clearing));
    // A save the operator asked for that failed must not be followed by dropping the text.
    if (!savePrompt())
        return;
    m_fileName = str(doctext::DefaultNewName);
    updateCaption();

    // Empty the text but keep the format, so that what is typed next looks as before.
    QTextCursor cursor(m_edit.document());
    cursor.movePosition(QTextCursor::End);
    const QTextCharFormat format = cursor.charFormat();
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
    cursor.setBlockCharFormat(format);
    m_edit.setTextCursor(cursor);
    m_edit.setCurrentCharFormat(format);
    m_edit.document()->clearUndoRedoStacks();
    m_edit.document()->setModified(false);

    m_saveSettings();
}

void MessageDocument::open() {
    // Edits are asked about first, as New asks; a save the operator wanted that failed keeps
    // them and ends the command.
    if (modified() && !savePrompt())
        return;
    Dialogs::FileRequest request;
    request.title = str(doctext::OpenTitle);
    request.fileName = m_openDialogName;
    request.filter = str(doctext::OpenFilter);
    const std::optional<QString> chosen = m_dialogs.openFileName(m_window, request);
    if (!chosen)
        return;
    refuseLineBreak(*chosen);
    m_openDialogName = *chosen;
    // A name that exists but cannot be read (too big, a FIFO, a folder, no permission) must
    // not become the document's name: the next Save would write the old text over it.
    const bool exists = QFileInfo::exists(qtadapt::nativePath(*chosen));
    Loaded loaded;
    if (exists)
        loaded = load(*chosen);
    m_fileName = *chosen;
    updateCaption();
    if (!exists)
        load(*chosen);
    reportLoaded(*chosen, loaded);
    m_edit.standardFormat();
}

void MessageDocument::save() {
    // A document whose file does not exist yet (after New) would otherwise be saved nowhere
    // without a word; Save As offers its name.
    if (fileExists(m_fileName))
        saveRunFile();
    else
        saveAs();
}

void MessageDocument::saveAs() {
    Dialogs::FileRequest request;
    request.title = str(doctext::SaveAsTitle);
    request.fileName = m_fileName;
    request.filter = str(doctext::SaveFilter);
    request.defaultSuffix = str(doctext::SaveDefaultSuffix);
    const std::optional<QString> chosen = m_dialogs.saveFileName(m_window, request);
    if (!chosen)
        return;
    refuseLineBreak(*chosen);
    // A declined overwrite keeps the previous name: taking the declined one would let the next
    // Save or the close prompt replace the very file the operator chose to keep.
    if (fileExists(*chosen) && !m_dialogs.askYesNo(m_window, str(doctext::AskOverwriteSaveAs)))
        return;
    m_fileName = *chosen;
    saveRunFile();
}
