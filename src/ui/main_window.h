#pragma once

#include "core/librarian.h"
#include "editing/copy_found.h"
#include "editing/undo_history.h"
#include "ui/qt_views.h"

#include <QMainWindow>
#include <QTimer>

#include <deque>
#include <functional>
#include <string>
#include <vector>

class QAction;
class QFrame;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;

namespace skerrow {

class FindVoicesWindow;

// The program's main window and its event table. Every handler hands over to one operation of
// the logic; the window itself keeps no library state, only the controls the operations work
// through.
//
// Command1 (delete) is the window's cancel button: Esc clicks it, with the modifier mask of the
// last mouse press on Command1 or Command4.
//
// While one command runs (a sort or a write yields to the event loop in between), every other
// handler returns at once, drops are refused and the window refuses to close, so no command
// starts inside another.
//
// Beside the buttons: source voices dragged onto the destination are inserted where they are
// dropped, destination entries dragged within it move there, and files dropped on the window open
// as File > Open opens them. Keys: Enter in the source list copies the selected voices; in the
// destination list Ctrl+Up and Ctrl+Down move the selected entries and Delete removes them.
//
// Every change to the destination list is a step of the Edit menu's undo history; see RunStep.
//
// File > Find voices shows the one Find voices window; whatever it copies (Enter, double-click,
// its Copy button, or its results dropped on the destination) arrives in FindVoices_Copy, and
// whatever it opens in FindVoices_Open.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(LibraryState& state, Platform& platform, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Form_Load, then the window shown centred on the screen.
    void StartUp();

    Librarian& librarian() { return m_lib; }
    UndoHistory& history() { return m_history; }

    // Runs a command that may change the destination list, unless another command is still running,
    // as one undo step called step (one of the Step names). A window or key that changes the list
    // goes through here, so that the Edit menu can take the change back.
    void RunStep(const char* step, const std::function<void()>& command);

    bool CommandRunning() const { return m_busy; }

    // What ends the program once the window has unloaded; by default the application's quit.
    void SetProgramEnd(std::function<void()> end) { m_programEnd = std::move(end); }

    // Opens the file at path as File > Open opens a chosen file, as soon as no command runs and no
    // box, dialog or menu is open; files handed over one after the other are opened in that order.
    void OpenWhenFree(const std::string& path);

    // From the close prompt on: the window may be gone in a moment, so it takes no more files.
    bool Ending() const { return m_closing || m_unloaded; }

    // The desktop session is ending: from now on closing does not ask to save.
    void SessionEnding() { m_sessionEnding = true; }

    // The event table.
    void Form_Load();
    void Form_QueryUnload(Flag& cancel, int reason);
    void Form_Unload();
    void List1_DblClick();
    void List2_DblClick();
    void Command1_MouseDown(int button, int shift, int x, int y);
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_MouseDown(int button, int shift, int x, int y);
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void mnuFileNew_Click();
    void mnuFileOpen_Click();
    void mnuFileFind_Click();
    void mnuFileSave_Click();
    void mnuFileSaveImage_Click();
    void mnuFileExit_Click();
    void mnuEditUndo_Click();
    void mnuEditRedo_Click();
    void mnuHelpHelp_Click();
    void mnuHelpManual_Click();
    void mnuHelpLike_Click();
    void mnuHelpAbout_Click();
    // Added to the table: the drops and the keys of the lists.
    void List2_DragDrop(const QListWidget* source, int row);
    void Form_OLEDragDrop(const std::vector<std::string>& paths);
    void List1_EnterKey();
    void List2_DeleteKey();
    // From the Find voices window: row is where in the destination the voices go (the count, or
    // beyond, for the end).
    void FindVoices_Copy(const std::vector<FoundVoice>& voices, int row);
    void FindVoices_Open(const FoundVoice& voice);

    // The Find voices window, once File > Find voices has made it.
    FindVoicesWindow* findWindow() const { return m_findWindow; }

    // The controls, by the names the operations know them by.
    QFrame* Panel3D1;
    QFrame* Panel3D2;
    QFrame* Panel3D3;
    QFrame* Panel3D4;
    QFrame* Panel3D5;
    QFrame* Panel3D6;
    QFrame* Panel3D7;
    QFrame* Panel3D8;
    QFrame* Panel3D9;
    QLineEdit* Text1;
    QLineEdit* Text2;
    VoiceListWidget* List1;
    VoiceListWidget* List2;
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command3;
    QPushButton* Command4;
    QPushButton* Command5;
    QPushButton* Command6;
    QMenu* mnuFile;
    QAction* mnuFileNew;
    QAction* mnuFileOpen;
    QAction* mnuFileFind;
    QAction* mnuFileSave;
    QAction* mnuFileSaveImage;
    QAction* mnuSep;
    QAction* mnuFileExit;
    QMenu* mnuEdit;
    QAction* mnuEditUndo;
    QAction* mnuEditRedo;
    QMenu* mnuHelp;
    QAction* mnuHelpHelp;
    QAction* mnuHelpManual;
    QAction* mnuHelpLike;
    QAction* mnuHelpAbout;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildControls();
    void BuildMenus();
    void Connect();
    void OpenNextGivenFile();
    void ConnectDragAndKeys();
    bool DropsWelcome() const { return !m_busy && !m_unloaded; }
    int CloseReason() const;
    // The mouse press on the copy or the delete button: the click that follows reads the mask.
    void StoreShift(int shift);

    // Runs one command unless another is still running.
    void Run(const std::function<void()>& command);
    void Run(void (*operation)(Librarian&));
    void Run(void (*showWindow)(QWidget*));
    void RunStep(const char* step, void (*operation)(Librarian&));
    // Runs a command that may save over a file that undo steps read from; see KeepTrueToFiles.
    void RunWriting(const std::function<void()>& command);
    void RunSavingStep(const char* step, void (*operation)(Librarian&));
    void RefreshEditMenu();

    LibraryState& m_state;
    Platform& m_platform;
    QtListView m_list1View;
    QtListView m_list2View;
    QtLineEditView m_text1View;
    QtLineEditView m_text2View;
    QtCaptionView m_captionView;
    Librarian m_lib;
    UndoHistory m_history;

    FindVoicesWindow* m_findWindow = nullptr;
    std::function<void()> m_programEnd;
    std::deque<std::string> m_filesToOpen;
    QTimer m_openTimer;
    bool m_busy = false;
    bool m_exitRequested = false;
    bool m_sessionEnding = false;
    bool m_appQuitting = false;
    bool m_unloaded = false;
    bool m_closing = false;
};

}  // namespace skerrow
