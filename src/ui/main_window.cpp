#include "ui/main_window.h"

#include "editing/copy_voices.h"
#include "editing/delete_entries.h"
#include "editing/drop_entries.h"
#include "editing/move_entries.h"
#include "editing/new_list.h"
#include "editing/open_source.h"
#include "editing/save_as.h"
#include "editing/save_to_image.h"
#include "editing/sort_entries.h"
#include "ui/find_window.h"
#include "ui/fonts.h"
#include "ui/legibility.h"
#include "ui/secondary_windows.h"
#include "ui/window_geometry.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDropEvent>
#include <QFrame>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTimer>

#if QT_CONFIG(sessionmanager)
#include <QSessionManager>
#endif

namespace skerrow {

namespace {

constexpr int ClientWidth = 5415;
constexpr int ClientHeight = 4815;
// How often a file handed to the window looks again whether the window is free to open it.
constexpr int OpenRetryMilliseconds = 50;

QFrame* MakePanel(QWidget* parent, const QRect& twips)
{
    auto* panel = new QFrame(parent);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(1);
    panel->setGeometry(twips);
    return panel;
}

void PlaceCountField(QLineEdit* field, QFrame* panel)
{
    field->setParent(panel);
    field->setGeometry(TwipRect(120, 120, 1935, 285));
    field->setReadOnly(true);
    field->setEnabled(false);
}

void PlaceList(QListWidget* list, QFrame* panel)
{
    list->setParent(panel);
    list->setGeometry(TwipRect(120, 120, 1935, 2985));
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setSortingEnabled(false);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setUniformItemSizes(true);
}

QPushButton* MakeButton(QFrame* panel, const QRect& twips, const char* picture, const QSize& pictureSize,
                        const char* toolTip)
{
    auto* button = new QPushButton(panel);
    button->setGeometry(twips);
    button->setIcon(QIcon(QStringLiteral(":/skerrow/") + QLatin1String(picture)));
    button->setIconSize(pictureSize);
    button->setToolTip(QString::fromLatin1(toolTip));
    // A picture says nothing to a screen reader: the tool tip names the button.
    button->setAccessibleName(button->toolTip());
    button->setAutoDefault(false);
    return button;
}

// The mouse-press handlers receive the modifiers as 1 Shift, 2 Ctrl, 4 Alt, summed.
int ShiftMaskOf(Qt::KeyboardModifiers modifiers)
{
    int mask = 0;
    if (modifiers & Qt::ShiftModifier)
        mask |= ShiftMask;
    if (modifiers & Qt::ControlModifier)
        mask |= CtrlMask;
    if (modifiers & Qt::AltModifier)
        mask |= AltMask;
    return mask;
}

int ButtonCode(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

// Help > Help: the help file lies beside the program.
void OpenHelpContents(Librarian& lib)
{
    std::string folder = lib.platform.ProgramDirectory();
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    lib.platform.ShowHelpContents(folder + "Skerrow.hlp");
}

}  // namespace

MainWindow::MainWindow(LibraryState& state, Platform& platform, QWidget* parent)
    : QMainWindow(parent),
      Text1(new QLineEdit),
      Text2(new QLineEdit),
      List1(new VoiceListWidget),
      List2(new VoiceListWidget),
      m_state(state),
      m_platform(platform),
      m_list1View(*List1),
      m_list2View(*List2),
      m_text1View(*Text1),
      m_text2View(*Text2),
      m_captionView(*this),
      m_lib{state, m_list1View, m_list2View, m_text1View, m_text2View, m_captionView, platform},
      m_programEnd([] {
          // Queued, so that the quit arrives after the window has finished closing.
          QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                                    Qt::QueuedConnection);
      })
{
    setWindowTitle(QString::fromLatin1(NoFileCaption));
    setWindowIcon(QIcon(QStringLiteral(":/skerrow/app_icon.svg")));
    setFont(SkerrowFont());
    BuildControls();
    BuildMenus();
    Connect();
    resize(ClientWidth / TwipsPerPixel, menuBar()->sizeHint().height() + ClientHeight / TwipsPerPixel);
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildControls()
{
    // Fixed positions and no layout: resizing the window moves and stretches nothing.
    auto* client = new QWidget;
    setCentralWidget(client);

    Panel3D6 = MakePanel(client, TwipRect(0, 0, 2295, 615));
    Panel3D4 = MakePanel(client, TwipRect(2280, 0, 855, 615));
    Panel3D8 = MakePanel(client, TwipRect(3120, 0, 2295, 615));
    Panel3D1 = MakePanel(client, TwipRect(0, 600, 2295, 3375));
    Panel3D2 = MakePanel(client, TwipRect(2280, 600, 855, 3375));
    Panel3D3 = MakePanel(client, TwipRect(3120, 600, 2295, 3375));
    Panel3D7 = MakePanel(client, TwipRect(0, 3960, 2295, 855));
    Panel3D5 = MakePanel(client, TwipRect(2280, 3960, 855, 855));
    Panel3D9 = MakePanel(client, TwipRect(3120, 3960, 2295, 855));

    PlaceCountField(Text1, Panel3D6);
    PlaceCountField(Text2, Panel3D8);
    PlaceList(List1, Panel3D1);
    PlaceList(List2, Panel3D3);
    // Neither lists nor count fields carry a caption of their own; these names tell them apart.
    List1->setAccessibleName(QStringLiteral("Source voices"));
    List2->setAccessibleName(QStringLiteral("Destination voices"));
    Text1->setAccessibleName(QStringLiteral("Source voice count"));
    Text2->setAccessibleName(QStringLiteral("Destination voice count"));

    const QSize icon(32, 32);
    Command4 = MakeButton(Panel3D2, TwipRect(150, 120, 495, 495), "move.svg", icon,
                          "Copy Selected Patches to the Right");
    Command5 =
        MakeButton(Panel3D2, TwipRect(150, 2040, 495, 495), "up.svg", icon, "Move Selected Patches Up");
    Command6 =
        MakeButton(Panel3D2, TwipRect(150, 2640, 495, 495), "down.svg", icon, "Move Selected Patches Down");
    Command3 = MakeButton(Panel3D7, TwipRect(120, 120, 1935, 555), "logo_small.svg", QSize(126, 37),
                          "Show About Screen");
    Command3->setIcon(ButtonLogo(Command3->palette()));
    Command2 = MakeButton(Panel3D9, TwipRect(120, 120, 555, 555), "filecard.svg", icon, "Sort Patches");
    Command1 =
        MakeButton(Panel3D9, TwipRect(1560, 120, 555, 555), "trash.svg", icon, "Delete Selected Patches");

    QWidget::setTabOrder(List1, List2);
    QWidget::setTabOrder(List2, Command1);
    QWidget::setTabOrder(Command1, Command2);
    QWidget::setTabOrder(Command2, Command3);
    QWidget::setTabOrder(Command3, Command4);
    QWidget::setTabOrder(Command4, Command5);
    QWidget::setTabOrder(Command5, Command6);
    List1->setFocus();
}

void MainWindow::BuildMenus()
{
    // The menus keep the desktop's own face, as menus everywhere do: the bar's titles and the
    // items alike. A font with none of its properties marked as set would be inherited from the
    // window (bold) instead, and popup menus are windows, which inherit nothing.
    QFont menuFont = QApplication::font("QMenu");
    menuFont.setResolveMask(QFont::AllPropertiesResolved);
    menuBar()->setFont(menuFont);

    mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFileNew = mnuFile->addAction(QStringLiteral("&New..."));
    mnuFileOpen = mnuFile->addAction(QStringLiteral("&Open..."));
    mnuFileFind = mnuFile->addAction(QStringLiteral("&Find voices..."));
    mnuFileSave = mnuFile->addAction(QStringLiteral("&Save as..."));
    mnuFileSaveImage = mnuFile->addAction(QStringLiteral("Save to disk &image..."));
    mnuSep = mnuFile->addSeparator();
    mnuFileExit = mnuFile->addAction(QStringLiteral("E&xit"));

    mnuEdit = menuBar()->addMenu(QStringLiteral("&Edit"));
    mnuEditUndo = mnuEdit->addAction(QStringLiteral("&Undo"));
    mnuEditUndo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    mnuEditRedo = mnuEdit->addAction(QStringLiteral("&Redo"));
    mnuEditRedo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    RefreshEditMenu();

    mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelpHelp = mnuHelp->addAction(QStringLiteral("&Help..."));
    mnuHelpManual = mnuHelp->addAction(QStringLiteral("&Manual..."));
    mnuHelpLike = mnuHelp->addAction(QStringLiteral("&If you like this program..."));
    mnuHelp->addSeparator();
    mnuHelpAbout = mnuHelp->addAction(QStringLiteral("&About..."));
    mnuFile->setFont(menuFont);
    mnuEdit->setFont(menuFont);
    mnuHelp->setFont(menuFont);
}

void MainWindow::Connect()
{
    connect(List1, &QListWidget::itemDoubleClicked, this, [this] { List1_DblClick(); });
    connect(List2, &QListWidget::itemDoubleClicked, this, [this] { List2_DblClick(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
    connect(Command5, &QPushButton::clicked, this, [this] { Command5_Click(); });
    connect(Command6, &QPushButton::clicked, this, [this] { Command6_Click(); });
    Command1->installEventFilter(this);
    Command4->installEventFilter(this);
    Command3->installEventFilter(this);

    connect(mnuFileNew, &QAction::triggered, this, [this] { mnuFileNew_Click(); });
    connect(mnuFileOpen, &QAction::triggered, this, [this] { mnuFileOpen_Click(); });
    connect(mnuFileFind, &QAction::triggered, this, [this] { mnuFileFind_Click(); });
    connect(mnuFileSave, &QAction::triggered, this, [this] { mnuFileSave_Click(); });
    connect(mnuFileSaveImage, &QAction::triggered, this, [this] { mnuFileSaveImage_Click(); });
    connect(mnuFileExit, &QAction::triggered, this, [this] { mnuFileExit_Click(); });
    connect(mnuEditUndo, &QAction::triggered, this, [this] { mnuEditUndo_Click(); });
    connect(mnuEditRedo, &QAction::triggered, this, [this] { mnuEditRedo_Click(); });
    m_history.SetOnChange([this] { RefreshEditMenu(); });
    connect(mnuHelpHelp, &QAction::triggered, this, [this] { mnuHelpHelp_Click(); });
    connect(mnuHelpManual, &QAction::triggered, this, [this] { mnuHelpManual_Click(); });
    connect(mnuHelpLike, &QAction::triggered, this, [this] { mnuHelpLike_Click(); });
    connect(mnuHelpAbout, &QAction::triggered, this, [this] { mnuHelpAbout_Click(); });

    // Command1 is the window's cancel button: Esc clicks it as the mouse would, with the mask of
    // the last mouse press.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, Command1, &QPushButton::click);

    // A close while the desktop session ends, or while the application is told to quit from
    // outside, is not the user's: it must not stop on the prompt.
#if QT_CONFIG(sessionmanager)
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager&) { SessionEnding(); });
#endif
    QCoreApplication::instance()->installEventFilter(this);

    m_openTimer.setInterval(OpenRetryMilliseconds);
    connect(&m_openTimer, &QTimer::timeout, this, [this] { OpenNextGivenFile(); });
    ConnectDragAndKeys();
}

void MainWindow::ConnectDragAndKeys()
{
    // The drop runs once the drag is over: the command may show a modal box, which must not open
    // inside the drag's own event handling.
    List2->AcceptItemsFrom(
        {List1, List2}, [this] { return DropsWelcome(); },
        [this](const VoiceListWidget& origin, int row) {
            QTimer::singleShot(0, this, [this, source = &origin, row] { List2_DragDrop(source, row); });
        });
    setAcceptDrops(true);
    // Disabled fields would otherwise stand in the way of files dropped on them.
    Text1->setAcceptDrops(false);
    Text2->setAcceptDrops(false);

    const auto key = [](QWidget* list, QKeySequence sequence, auto handler) {
        auto* shortcut = new QShortcut(sequence, list, handler);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    };
    key(List1, QKeySequence(Qt::Key_Return), [this] { List1_EnterKey(); });
    key(List1, QKeySequence(Qt::Key_Enter), [this] { List1_EnterKey(); });
    key(List2, QKeySequence(Qt::CTRL | Qt::Key_Up), [this] { Command5_Click(); });
    key(List2, QKeySequence(Qt::CTRL | Qt::Key_Down), [this] { Command6_Click(); });
    key(List2, QKeySequence(Qt::Key_Delete), [this] { List2_DeleteKey(); });
}

void MainWindow::StartUp()
{
    Form_Load();
    CentreOnScreen(*this);
    show();
}

void MainWindow::OpenWhenFree(const std::string& path)
{
    m_filesToOpen.push_back(path);
    m_openTimer.start();
}

void MainWindow::OpenNextGivenFile()
{
    if (m_filesToOpen.empty()) {
        m_openTimer.stop();
        return;
    }
    // A command, a box, a dialog or an open menu has the user's attention: the file waits.
    if (m_busy || m_unloaded || !isVisible() || QApplication::activeModalWidget() ||
        QApplication::activePopupWidget())
        return;
    const std::string path = m_filesToOpen.front();
    m_filesToOpen.pop_front();
    raise();
    activateWindow();
    Run([this, &path] { OpenSourcePath(m_lib, path); });
}

// Which close is which. Every close of the main window arrives in closeEvent; the prompt is told
// who asked for it:
// - File > Exit: mnuFileExit_Click sets m_exitRequested around its close(): CloseByProgram.
// - The desktop session ends: commitDataRequest sets m_sessionEnding for the rest of the run, so
//   that no prompt holds up the logout: CloseBySessionEnd.
// - The application is told to quit from outside: the application-wide event filter sees the
//   Quit event and sets m_appQuitting until the event loop next runs, which is while Qt closes
//   the windows for that quit: CloseBySessionEnd too.
// - Anything else (the close box, the system menu, a window manager): CloseByUser.
// m_busy refuses every close while a command or the prompt itself runs; m_unloaded lets the
// closes that follow Form_Unload through without asking again.
int MainWindow::CloseReason() const
{
    if (m_sessionEnding || m_appQuitting)
        return CloseBySessionEnd;
    return m_exitRequested ? CloseByProgram : CloseByUser;
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_unloaded) {
        event->accept();
        return;
    }
    // A sort or a write is still running inside its own loop: it must finish first.
    if (m_busy) {
        event->ignore();
        return;
    }
    Flag cancel = FlagFalse;
    m_busy = true;
    m_closing = true;
    Form_QueryUnload(cancel, CloseReason());
    m_closing = false;
    m_busy = false;
    if (cancel != FlagFalse) {
        event->ignore();
        return;
    }
    event->accept();
    Form_Unload();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit) {
        // The windows are closed while the quit is being delivered; the flag lasts until then.
        m_appQuitting = true;
        QTimer::singleShot(0, this, [this] { m_appQuitting = false; });
    } else if (watched == Command3 && event->type() == QEvent::PaletteChange) {
        // The logo's word follows the desktop's colours, light or dark.
        Command3->setIcon(ButtonLogo(Command3->palette()));
    } else if ((watched == Command1 || watched == Command4) &&
               (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)) {
        const auto* mouse = static_cast<const QMouseEvent*>(event);
        const QPoint at = mouse->position().toPoint() * TwipsPerPixel;
        const int button = ButtonCode(mouse->button());
        const int mask = ShiftMaskOf(mouse->modifiers());
        if (watched == Command1)
            Command1_MouseDown(button, mask, at.x(), at.y());
        else
            Command4_MouseDown(button, mask, at.x(), at.y());
    }
    return QMainWindow::eventFilter(watched, event);
}

// Files dragged from outside onto any part of the window but the lists' own drops.
void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    dragMoveEvent(event);
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event)
{
    if (DropsWelcome() && !DroppedFilePaths(event->mimeData()).empty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    const std::vector<std::string> paths = DroppedFilePaths(event->mimeData());
    if (!DropsWelcome() || paths.empty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    Form_OLEDragDrop(paths);
}

void MainWindow::StoreShift(int shift)
{
    if (!m_busy)
        m_state.ShiftHeld = static_cast<std::int16_t>(shift);
}

void MainWindow::Run(const std::function<void()>& command)
{
    if (m_busy)
        return;
    m_busy = true;
    command();
    m_busy = false;
}

void MainWindow::Run(void (*operation)(Librarian&))
{
    Run([this, operation] { operation(m_lib); });
}

void MainWindow::Run(void (*showWindow)(QWidget*))
{
    Run([this, showWindow] { showWindow(this); });
}

void MainWindow::RunStep(const char* step, const std::function<void()>& command)
{
    Run([this, step, &command] { m_history.Record(m_lib, step, command); });
}

void MainWindow::RunStep(const char* step, void (*operation)(Librarian&))
{
    RunStep(step, [this, operation] { operation(m_lib); });
}

void MainWindow::RunWriting(const std::function<void()>& command)
{
    Run([this, &command] { m_history.KeepTrueToFiles(m_lib, command); });
}

// New, and the delete button that runs New with Shift: the prompt may save before the list goes.
void MainWindow::RunSavingStep(const char* step, void (*operation)(Librarian&))
{
    RunWriting([this, step, operation] { m_history.Record(m_lib, step, operation); });
}

void MainWindow::RefreshEditMenu()
{
    mnuEditUndo->setText(QStringLiteral("&") + QString::fromStdString(m_history.UndoText()));
    mnuEditUndo->setEnabled(m_history.CanUndo());
    mnuEditRedo->setText(QStringLiteral("&") + QString::fromStdString(m_history.RedoText()));
    mnuEditRedo->setEnabled(m_history.CanRedo());
}

// The event table.

void MainWindow::Form_Load()
{
    ShowAboutWindow(this);
    m_state.ListSaved = FlagFalse;
}

void MainWindow::Form_QueryUnload(Flag& cancel, int reason)
{
    if (QueryUnloadCancels(m_lib, reason))
        cancel = FlagTrue;
}

void MainWindow::Form_Unload()
{
    // Every other window goes with the main window, without being asked.
    m_unloaded = true;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window != this)
            window->hide();
    }
    m_programEnd();
}

// The event table, one line a handler, so that it reads at a glance.
// clang-format off
void MainWindow::List1_DblClick() { RunStep(StepCopy, CopyCurrentVoice); }
void MainWindow::List2_DblClick() { RunStep(StepDelete, DeleteCurrentEntry); }

void MainWindow::Command1_MouseDown(int /*button*/, int shift, int /*x*/, int /*y*/) { StoreShift(shift); }
void MainWindow::Command4_MouseDown(int /*button*/, int shift, int /*x*/, int /*y*/) { StoreShift(shift); }

void MainWindow::Command1_Click() { RunSavingStep(DeleteButtonStep(m_state), DeleteSelectedEntries); }
void MainWindow::Command2_Click() { RunStep(StepSort, SortDestination); }
void MainWindow::Command3_Click() { Run(ShowAboutWindow); }
void MainWindow::Command4_Click() { RunStep(StepCopy, CopySelectedVoices); }
void MainWindow::Command5_Click() { RunStep(StepMove, MoveSelectedUp); }
void MainWindow::Command6_Click() { RunStep(StepMove, MoveSelectedDown); }

void MainWindow::mnuFileNew_Click() { RunSavingStep(StepNew, NewDestinationList); }
void MainWindow::mnuFileOpen_Click() { Run(OpenSourceFile); }
void MainWindow::mnuFileSave_Click() { RunWriting([this] { SaveDestinationAs(m_lib); }); }
void MainWindow::mnuFileSaveImage_Click() { RunWriting([this] { SaveDestinationToImage(m_lib); }); }
// clang-format on

void MainWindow::mnuFileExit_Click()
{
    // The close request itself holds off other commands; it learns here that Exit asked for it.
    if (m_busy)
        return;
    m_exitRequested = true;
    close();
    m_exitRequested = false;
}

// clang-format off
void MainWindow::mnuEditUndo_Click() { Run([this] { m_history.Undo(m_lib); }); }
void MainWindow::mnuEditRedo_Click() { Run([this] { m_history.Redo(m_lib); }); }

void MainWindow::mnuHelpHelp_Click() { Run(OpenHelpContents); }
void MainWindow::mnuHelpManual_Click() { Run(ShowManualWindow); }
void MainWindow::mnuHelpLike_Click() { Run(ShowLikeWindow); }
void MainWindow::mnuHelpAbout_Click() { Run(ShowAboutWindow); }

void MainWindow::List1_EnterKey() { RunStep(StepCopy, CopyVoiceSelection); }
void MainWindow::List2_DeleteKey() { RunStep(StepDelete, RemoveSelectedEntries); }
// clang-format on

void MainWindow::List2_DragDrop(const QListWidget* source, int row)
{
    if (source == List1)
        RunStep(StepDrop, [this, row] { InsertVoicesAt(m_lib, row); });
    else if (source == List2)
        RunStep(StepMove, [this, row] { MoveEntriesTo(m_lib, row); });
}

void MainWindow::mnuFileFind_Click()
{
    if (m_unloaded)
        return;
    if (!m_findWindow) {
        m_findWindow = new FindVoicesWindow(this);
        m_findWindow->copyVoices = [this](const std::vector<FoundVoice>& voices) {
            FindVoices_Copy(voices, MaxDestEntries + 1);
        };
        m_findWindow->openVoice = [this](const FoundVoice& voice) { FindVoices_Open(voice); };
        // As with the lists' own drops, the command runs once the drag is over.
        List2->AcceptMarked(m_findWindow->DragMark(), [this](int row) {
            QTimer::singleShot(0, this,
                               [this, row] { FindVoices_Copy(m_findWindow->SelectedVoices(), row); });
        });
        // To the left of the main window, as far as the screen has room: the destination, where
        // the voices go, stays in sight.
        const QRect screen = this->screen()->availableGeometry();
        const QRect main = frameGeometry();
        m_findWindow->move(std::max(screen.left(), main.left() - m_findWindow->frameGeometry().width()),
                           std::max(screen.top(), main.top()));
    }
    m_findWindow->show();
    m_findWindow->raise();
    m_findWindow->activateWindow();
}

// Every copy the Find voices window asks for comes through here, a single command each time.
void MainWindow::FindVoices_Copy(const std::vector<FoundVoice>& voices, int row)
{
    // A copy appends (any row past the end); a drop goes in at its line. Either is a step.
    RunStep(row > MaxDestEntries ? StepCopy : StepDrop,
            [this, &voices, row] { CopyFoundVoices(m_lib, voices, row); });
}

void MainWindow::FindVoices_Open(const FoundVoice& voice)
{
    Run([this, &voice] {
        if (!OpenFoundVoice(m_lib, voice))
            return;
        if (QListWidgetItem* item = List1->item(voice.slot - 1)) {
            List1->setCurrentItem(item, QItemSelectionModel::NoUpdate);
            List1->scrollToItem(item);
        }
        raise();
        activateWindow();
    });
}

// Dropped files take the road of files handed over from outside, so they open one after the
// other as File > Open opens a chosen file, the last one staying the source.
void MainWindow::Form_OLEDragDrop(const std::vector<std::string>& paths)
{
    if (!DropsWelcome())
        return;
    for (const std::string& path : paths)
        OpenWhenFree(path);
}

}  // namespace skerrow
