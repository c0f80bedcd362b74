#include "ui/find_window.h"

#include "ui/find_scan.h"
#include "ui/found_voices_model.h"
#include "ui/qt_views.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace skerrow {

namespace {

QString Number(std::size_t count)
{
    return QLocale().toString(static_cast<qulonglong>(count));
}

std::string PathBytes(const QString& text)
{
    return QFile::encodeName(text).toStdString();
}

// A folder as typed, "~" standing for the home folder as in a shell.
std::string TypedFolder(const QString& text)
{
    if (text == QStringLiteral("~") || text.startsWith(QStringLiteral("~/")))
        return PathBytes(QDir::homePath() + text.mid(1));
    return PathBytes(text);
}

QString ShownPath(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

}  // namespace

FindVoicesWindow::FindVoicesWindow(QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_dragMark(NewDragMark()),
      m_model(new FoundVoicesModel(m_index, m_dragMark, this)),
      m_scan(new FindScan(this))
{
    setWindowTitle(QStringLiteral("Find voices"));
    // The desktop's own face, not the main window's bold one that a child window would inherit.
    QFont face = QApplication::font();
    face.setResolveMask(QFont::AllPropertiesResolved);
    setFont(face);
    BuildControls();
    ConnectControls();
    resize(640, 440);
    ShowStatus();
}

FindVoicesWindow::~FindVoicesWindow() = default;

void FindVoicesWindow::BuildControls()
{
    Folder = new QLineEdit;
    Browse = new QPushButton(QStringLiteral("&Browse..."));
    Search = new QLineEdit;
    DuplicatesOnly = new QCheckBox(QStringLiteral("&Duplicates only"));
    Results = new QTableView;
    Status = new QLabel;
    ShowUnreadable = new QPushButton;
    Stop = new QPushButton(QStringLiteral("S&top"));
    Copy = new QPushButton(QStringLiteral("&Copy"));
    OpenFile = new QPushButton(QStringLiteral("&Open file"));

    auto* folderLabel = new QLabel(QStringLiteral("&Folder:"));
    folderLabel->setBuddy(Folder);
    auto* searchLabel = new QLabel(QStringLiteral("&Search:"));
    searchLabel->setBuddy(Search);
    Folder->setPlaceholderText(QStringLiteral("A folder of voice files and disk images; Enter scans it"));
    Search->setPlaceholderText(QStringLiteral("Part of a voice name"));
    Search->setClearButtonEnabled(true);

    Results->setModel(m_model);
    // A table rather than a tree: a tree lays out every row anew each time rows come or go, which
    // with a few hundred thousand rows holds the window up for a frame or more.
    Results->setShowGrid(false);
    Results->setWordWrap(false);
    Results->setCornerButtonEnabled(false);
    Results->verticalHeader()->hide();
    Results->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Results->verticalHeader()->setDefaultSectionSize(Results->fontMetrics().height() + 4);
    Results->horizontalHeader()->setHighlightSections(false);
    Results->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Results->setSelectionBehavior(QAbstractItemView::SelectRows);
    Results->setDragEnabled(true);
    Results->setDragDropMode(QAbstractItemView::DragOnly);
    Results->setDefaultDropAction(Qt::CopyAction);
    Results->setIconSize(QSize(FoundVoicesModel::MarkSize, FoundVoicesModel::MarkSize));
    Results->setAccessibleName(QStringLiteral("Found voices"));
    QHeaderView* header = Results->horizontalHeader();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(FoundVoicesModel::FileColumn, QHeaderView::Stretch);
    const int digit = Results->fontMetrics().horizontalAdvance(QLatin1Char('M'));
    header->resizeSection(FoundVoicesModel::NameColumn, digit * 9 + FoundVoicesModel::MarkSize);
    header->resizeSection(FoundVoicesModel::SlotColumn, digit * 3);
    header->resizeSection(FoundVoicesModel::TypeColumn,
                          Results->fontMetrics().horizontalAdvance(QStringLiteral("single voice (.1vc)")) +
                              digit);

    ShowUnreadable->setFlat(true);
    ShowUnreadable->setVisible(false);
    Stop->setEnabled(false);
    Copy->setEnabled(false);
    OpenFile->setEnabled(false);
    Copy->setToolTip(QStringLiteral("Copy the selected voices to the destination (Enter)"));
    OpenFile->setToolTip(QStringLiteral("Open the file of the voice as the source (Ctrl+Enter)"));
    Stop->setToolTip(QStringLiteral("Stop scanning (Esc)"));

    auto* fields = new QGridLayout;
    fields->addWidget(folderLabel, 0, 0);
    fields->addWidget(Folder, 0, 1);
    fields->addWidget(Browse, 0, 2);
    fields->addWidget(searchLabel, 1, 0);
    fields->addWidget(Search, 1, 1);
    fields->addWidget(DuplicatesOnly, 1, 2);

    auto* statusRow = new QHBoxLayout;
    statusRow->addWidget(Status, 1);
    statusRow->addWidget(ShowUnreadable);
    statusRow->addWidget(Stop);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OpenFile);
    buttons->addWidget(Copy);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(Results, 1);
    layout->addLayout(statusRow);
    layout->addLayout(buttons);

    setTabOrder(Folder, Browse);
    setTabOrder(Browse, Search);
    setTabOrder(Search, DuplicatesOnly);
    setTabOrder(DuplicatesOnly, Results);
    setTabOrder(Results, OpenFile);
    setTabOrder(OpenFile, Copy);
    Folder->setFocus();
}

void FindVoicesWindow::ConnectControls()
{
    connect(Folder, &QLineEdit::returnPressed, this, [this] { Scan(TypedFolder(Folder->text())); });
    connect(Browse, &QPushButton::clicked, this, [this] { BrowseForFolder(); });
    connect(Search, &QLineEdit::textChanged, this, [this] { Refilter(); });
    connect(DuplicatesOnly, &QCheckBox::toggled, this, [this] { Refilter(); });
    connect(Results, &QTableView::doubleClicked, this, [this] { CopySelected(); });
    connect(Copy, &QPushButton::clicked, this, [this] { CopySelected(); });
    connect(OpenFile, &QPushButton::clicked, this, [this] { OpenCurrent(); });
    connect(Stop, &QPushButton::clicked, m_scan, [this] { m_scan->Stop(); });
    connect(ShowUnreadable, &QPushButton::clicked, this, [this] { ListUnreadable(); });
    connect(Results->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        const bool any = Results->selectionModel()->hasSelection();
        Copy->setEnabled(any);
        OpenFile->setEnabled(any);
    });

    const auto key = [this](QWidget* on, QKeySequence sequence, auto handler) {
        auto* shortcut = new QShortcut(sequence, on, handler);
        shortcut->setContext(on == this ? Qt::WindowShortcut : Qt::WidgetWithChildrenShortcut);
    };
    key(Results, QKeySequence(Qt::Key_Return), [this] { CopySelected(); });
    key(Results, QKeySequence(Qt::Key_Enter), [this] { CopySelected(); });
    key(this, QKeySequence(Qt::CTRL | Qt::Key_Return), [this] { OpenCurrent(); });
    key(this, QKeySequence(Qt::CTRL | Qt::Key_Enter), [this] { OpenCurrent(); });
    key(this, QKeySequence(Qt::Key_Escape), [this] { EscapePressed(); });
    Search->installEventFilter(this);

    m_scan->onProgress = [this](ScanProgress& progress) {
        m_index.Add(std::move(progress.found), std::move(progress.order));
        m_unreadable.insert(m_unreadable.end(), progress.unreadable.begin(), progress.unreadable.end());
        m_filesRead = progress.filesRead;
        m_listed = progress.listed;
        Refilter();
    };
    m_scan->onDuplicates = [this](std::vector<std::pair<std::uint32_t, std::uint32_t>>& sets) {
        m_index.SetDuplicates(sets);
        Refilter();
    };
    m_scan->onFinished = [this](bool stopped) {
        m_stopped = stopped;
        Stop->setEnabled(false);
        ShowStatus();
    };
}

bool FindVoicesWindow::eventFilter(QObject* watched, QEvent* event)
{
    // Down from the search goes into the results, as in any finder.
    if (watched == Search && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Down && m_model->rowCount() > 0) {
        Results->setFocus();
        if (!Results->selectionModel()->hasSelection())
            Results->setCurrentIndex(m_model->index(0, 0));
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void FindVoicesWindow::BrowseForFolder()
{
    const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Folder to scan"),
                                                             Folder->text(), QFileDialog::ShowDirsOnly);
    if (folder.isEmpty())
        return;
    Folder->setText(folder);
    Scan(PathBytes(folder));
}

void FindVoicesWindow::Scan(const std::string& folder)
{
    if (folder.empty())
        return;
    m_model->Empty();
    m_index.Clear();
    m_model->SetRoot(folder);
    m_unreadable.clear();
    m_filesRead = 0;
    m_listed = false;
    m_stopped = false;
    m_scan->Start(folder);
    Stop->setEnabled(true);
    // Results come as the scan goes: the user may type at once.
    Search->setFocus();
    Search->selectAll();
    Refilter();
}

bool FindVoicesWindow::Scanning() const
{
    return m_scan->Running();
}

void FindVoicesWindow::Refilter()
{
    m_model->Refilter(LatinBytes(Search->text()), DuplicatesOnly->isChecked());
    ShowStatus();
}

void FindVoicesWindow::ShowStatus()
{
    const QString found =
        QStringLiteral("%1 files, %2 voices").arg(Number(m_filesRead), Number(m_index.VoiceCount()));
    QString text;
    if (!Scanning() && m_filesRead == 0 && m_index.VoiceCount() == 0 && m_unreadable.empty())
        text = QStringLiteral("Type a folder and press Enter, or Browse.");
    else if (Scanning())
        text = (m_listed ? QStringLiteral("Looking for duplicates... ") : QStringLiteral("Scanning... ")) +
               found;
    else
        text = (m_stopped ? QStringLiteral("Stopped: ") : QString()) + found +
               QStringLiteral(", %1 shown").arg(Number(static_cast<std::size_t>(m_model->rowCount())));
    Status->setText(text);
    ShowUnreadable->setVisible(!m_unreadable.empty());
    ShowUnreadable->setText(QStringLiteral("%1 could not be read...").arg(Number(m_unreadable.size())));
}

void FindVoicesWindow::ListUnreadable()
{
    QString details;
    for (const SkippedItem& item : m_unreadable)
        details += ShownPath(item.path) + QStringLiteral(": ") +
                   QString::fromLocal8Bit(ReadFailureText(item)) + '\n';
    QMessageBox box(
        QMessageBox::Information, QStringLiteral("Could not be read"),
        QStringLiteral("%1 files or folders could not be read: the voices in them are not listed.")
            .arg(Number(m_unreadable.size())),
        QMessageBox::Ok, this);
    box.setDetailedText(details);
    box.exec();
}

FoundVoice FindVoicesWindow::VoiceOf(std::uint32_t voice) const
{
    return {m_index.Path(m_index.FileOf(voice)), m_index.Slot(voice), std::string(m_index.Name(voice))};
}

std::vector<FoundVoice> FindVoicesWindow::SelectedVoices() const
{
    QModelIndexList rows = Results->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    std::vector<FoundVoice> voices;
    voices.reserve(static_cast<std::size_t>(rows.size()));
    for (const QModelIndex& row : rows)
        voices.push_back(VoiceOf(m_model->VoiceAt(row.row())));
    return voices;
}

void FindVoicesWindow::CopySelected()
{
    const std::vector<FoundVoice> voices = SelectedVoices();
    if (!voices.empty() && copyVoices)
        copyVoices(voices);
}

void FindVoicesWindow::OpenCurrent()
{
    QModelIndex current = Results->currentIndex();
    if (!current.isValid() || !Results->selectionModel()->isRowSelected(current.row())) {
        const QModelIndexList rows = Results->selectionModel()->selectedRows();
        if (rows.isEmpty())
            return;
        current = rows.front();
    }
    if (openVoice)
        openVoice(VoiceOf(m_model->VoiceAt(current.row())));
}

void FindVoicesWindow::EscapePressed()
{
    if (Scanning())
        m_scan->Stop();
    else
        close();
}

void FindVoicesWindow::closeEvent(QCloseEvent* event)
{
    // What was found stays for the next time the window is shown; a scan does not go on unseen.
    m_scan->Stop();
    event->accept();
}

}  // namespace skerrow
