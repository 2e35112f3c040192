#pragma once

#include "base/Settings.h"

#include <QString>

#include <array>
#include <vector>

class MessageEdit;
class QAction;
class QKeySequence;
class QLabel;
class QLineEdit;
class QMainWindow;
class QMenu;
class QTimer;
class QToolBar;
class QToolButton;

// The main window's controls, built in code as a form designer would build them: actions,
// menus, tool bars, the editor, the status bar's panels and the two timers, each with the name
// the operator's documentation gives it. The window wires them to its handlers.
class MainWindowUi {
public:
    void setupUi(QMainWindow* form);
    // Keeps the counts at the right end inside the message panel, clear of its text.
    void placeSurprises() const;
    // A count's text, and the shorter one it takes when the message panel is narrow.
    // The count's text, a short form for a narrow panel and a tiny one for when even that
    // does not fit.
    static void setCountText(QLabel* count, const QString& text, const QString& shortText,
                             const QString& tinyText = {});

    // Controls, named as the operator's documentation names them (tests find them by name too).
    QToolBar* ToolBar = nullptr;
    QToolBar* ToolBar1 = nullptr;
    MessageEdit* RichEdit = nullptr;
    QLineEdit* EditInsert = nullptr;
    QTimer* TimerStatus = nullptr;
    QTimer* TimerLengTXT = nullptr;
    std::array<QLabel*, 3> m_panels{};
    QLabel* StatusSurprises = nullptr;    // ours: how many codes the sign reads otherwise
    QLabel* StatusBlankSymbols = nullptr; // ours: characters whose symbol the font leaves blank

    // Menu items (a shared action also drives the tool bar button of the same command).
    QAction* itmNew = nullptr;
    QAction* itemLoad = nullptr;
    QAction* itemSaveAS = nullptr;
    QAction* itemSave = nullptr;
    QAction* itemClose = nullptr;
    QAction* itemCut = nullptr;
    QAction* itemCopy = nullptr;
    QAction* itemPaste = nullptr;
    QAction* itemDel = nullptr;
    QAction* itemSelectalll = nullptr;
    QAction* itemFontDefault = nullptr;
    QAction* itemFontChange = nullptr;
    QAction* itemAddspace = nullptr;
    QAction* ItemLeng6140 = nullptr;
    QAction* itemLeng59000 = nullptr;
    std::array<QAction*, Settings::PortCount> itemCom{}; // item1Com .. item5Com
    QAction* ItemTX = nullptr;
    QAction* itemDevices = nullptr;
    QAction* ItemAbout = nullptr;
    QAction* ItemHelp = nullptr;
    QAction* ItemDiagram = nullptr;

    // Tool bar actions of their own (their enabled state differs from the menu item's).
    QAction* SpeedButtonSave = nullptr;
    QAction* SpeedButtonTx = nullptr;
    QAction* SpeedButtonZg = nullptr;
    QAction* itemPreview = nullptr; // ours: shows and hides the preview
    QAction* itemFleet = nullptr;   // ours: the signs on a broker; none without MQTT
    QAction* itemProgram = nullptr; // ours: the program a sign's agent runs
    // The effect-code buttons' actions, in the order of EffectButtons.
    std::vector<QAction*> effectActions;

private:
    class PanelBadge;

    QAction* makeAction(const QString& objectName, const QString& text, const QString& icon);
    void setupActions();
    QMenu* addMenu(QStringView caption, QChar mnemonic);
    void setupFileMenu();
    void setupEditMenu();
    void setupOptionsMenu();
    void setupPortMenu();
    void setupHelpMenu();
    QToolButton* addButton(QToolBar* bar, QAction* action, const QString& buttonName,
                           const QString& hint);
    void showKeyInHint(QToolBar* bar, QAction* action, const QKeySequence& key);
    void addEffectToHint(QToolBar* bar, QAction* action, QStringView code);
    void setupToolBar();
    void setupToolBar1();
    void setupKeys();
    void setupEditor();
    void setupStatusBar();
    void setupTimers();
    void setupPreviewItem();
    void setupFleetItem();
    void setupProgramItem();

    QMainWindow* m_form = nullptr;
    PanelBadge* m_surprisesBadge = nullptr;
};
