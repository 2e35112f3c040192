#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>
#include <string>

class QCloseEvent;
class QLabel;
class QLineEdit;
class QPainter;
class QScrollBar;
class QToolButton;

class Dialogs;
class FontTables;
class FontUploader;
class FontOverview;
class FontWatch;
namespace sign {
class LedMatrix;
class SignPlayer;
} // namespace sign

// The character generator editor: the enlarged grid of the current symbol, its preview,
// number and character, the note for the operator, the symbol scroll bar and nine commands.
// Created once at program start (the constructor loads the last font) and shown modally by
// the main window with exec(); every close saves the settings entry and the font file, and a
// close whose save fails is cancelled.
class TFormZg : public QDialog {
    Q_OBJECT

public:
    enum class DrawMode { None, Set, Clear };

    TFormZg(FontTables& font, Dialogs& dialogs, FontUploader& uploader, QWidget* parent = nullptr);
    ~TFormZg() override;

    // While `busy` returns true (the main window is uploading) the window refuses to close
    // and the upload button does nothing.
    void setCloseBlocker(std::function<bool()> busy);

    QToolButton* SpeedButtonNew;
    QToolButton* SpeedButtonOpen;
    QToolButton* SpeedButtonSave;
    QToolButton* SpeedButtonCopy;
    QToolButton* SpeedButtonPaste;
    QToolButton* SpeedButtonUndo;
    QToolButton* SpeedButtonClearSym;
    QToolButton* SpeedButtonInvers;
    QToolButton* SpeedButtonTx;
    QWidget* PaintBox;
    QLabel* LabelSym;
    QWidget* PaintBoxM;
    QLabel* LabelSb;
    QScrollBar* ScrollBarSimb;
    QLabel* LabelOpis;

    // ---- our additions (FormZgGlance.cpp), beside the controls above, which keep their
    // places: the window grows to the right and downward for them ----
    QToolButton* SpeedButtonShiftLeft = nullptr;
    QToolButton* SpeedButtonShiftRight = nullptr;
    QToolButton* SpeedButtonShiftUp = nullptr;
    QToolButton* SpeedButtonShiftDown = nullptr;
    QToolButton* SpeedButtonMirror = nullptr;
    QToolButton* SpeedButtonFlip = nullptr;
    QToolButton* SpeedButtonToLeft = nullptr;
    FontOverview* Overview = nullptr;
    QLineEdit* EditSample = nullptr;       // a line of text to see in the font
    sign::LedMatrix* SampleDots = nullptr; // that line as the sign's dots draw it

    // Undoable like Clear symbol and Invert.
    void SpeedButtonShiftLeftClick();
    void SpeedButtonShiftRightClick();
    void SpeedButtonShiftUpClick();
    void SpeedButtonShiftDownClick();
    void SpeedButtonMirrorClick();
    void SpeedButtonFlipClick();
    void SpeedButtonToLeftClick();

    // The main window's text (Windows-1251), read each time the window is shown: the overview
    // marks the symbols it uses, and the sample line starts with it until the operator edits
    // the line.
    void setMessageSource(std::function<std::string()> source);
    const sign::SignPlayer& samplePlayer() const { return *m_sample; }

    void FormCreate();
    // Saves the settings entry and the font (over a file of another size than a font's only
    // when the operator says so); when either fails, asks whether to close without saving.
    // False when the close is cancelled.
    bool FormClose();

    void SpeedButtonNewClick();
    void SpeedButtonOpenClick();
    void SpeedButtonSaveClick();
    void SpeedButtonUndoClick();
    void SpeedButtonClearSymClick();
    void SpeedButtonInversClick();
    void SpeedButtonCopyClick();
    void SpeedButtonPasteClick();
    void SpeedButtonTxClick();

    void ScrollBarSimbChange();
    // x, y in grid pixels, (0, 0) the grid's top-left pixel; anything outside changes nothing.
    void PaintBoxMouseDown(Qt::MouseButton button, int x, int y);
    void PaintBoxMouseMove(int x, int y);
    void PaintBoxMouseUp();
    void PaintBoxMouse(DrawMode mode, int x, int y);
    void PaintSymbol();

    void UpDateCaptionZg();
    void LoadIniZg();
    void SaveIniZg();

    int currentSymbol() const;
    DrawMode drawMode() const { return m_mode; }
    // The current font file as held (".\Tmp.zg", "Guard.zg" or a full path), and the name the
    // open dialog starts with.
    const QString& currentFontFile() const { return m_saveName; }
    const QString& lastOpenedName() const { return m_openName; }

    // Draw the grid (128 x 128) and the preview (19 x 19) of the current symbol.
    void paintGrid(QPainter& painter) const;
    void paintPreview(QPainter& painter) const;

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QToolButton* makeButton(const char* name, const char* hint, const char* icon, int x, int y,
                            int height, void (TFormZg::*handler)());
    void setupControls();
    // Measuring the note loads its font: done at the first showing, not at the program's start.
    void fitNote();
    // The symbol's number and character labels take their text's size, while shown.
    void fitSymbolLabels();
    void setupKeys();
    void setupGlance();
    void takeMessage();
    void showSample();
    // Takes the undo copy, runs `operation` on the current symbol and shows it.
    void transform(void (FontTables::*operation)(int));
    // Runs `command` under the program's error policy (base/Dialogs.h). False when it threw.
    bool runCommand(const std::function<void()>& command);
    // Whether the close may write the font over its file: asks when the file is not 2048 bytes.
    bool fontFileMayBeReplaced();
    // Throws AppError when the chosen name cannot be taken.
    void refuseLineBreak(const QString& name);
    // Takes the undo copy before an undoable command and enables Undo. `previousFile` is the
    // font file to return to when the command changes it (Open).
    void beginUndoable(const QString& previousFile = {});

    FontTables& m_font;
    Dialogs& m_dialogs;
    FontUploader& m_uploader;
    std::function<bool()> m_busy;

    QString m_saveName; // the current font file
    bool m_noteFitted = false;
    QString m_openName; // where the open dialog starts
    // The font file from before the Open that took the undo copy, empty after any other
    // undoable command: Undo then gives back the name with the table, so the next close
    // cannot write the earlier table into the opened file.
    QString m_undoFontFile;
    DrawMode m_mode = DrawMode::None;

    FontWatch* m_watch = nullptr;
    std::function<std::string()> m_message;
    std::unique_ptr<sign::SignPlayer> m_sample;
};
