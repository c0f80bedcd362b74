#include "ui/qt_platform.h"

#include "core/save_name.h"
#include "ui/help_viewer.h"
#include "ui/image_dialogs.h"
#include "ui/progress_windows.h"
#include "ui/qt_views.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QTreeView>

#include <algorithm>

namespace skerrow {

namespace {

constexpr QSize DialogSize(820, 500);

QString FileText(const std::string& bytes)
{
    return QFile::decodeName(QByteArray::fromStdString(bytes));
}

// Qt's own dialog, because it lets us keep the three extension rules and the folder check the
// callers rely on. It refuses a name whose folder does not exist when asked to, as the open-file
// flag 0x800 does, and stays open for another try.
class CheckedFileDialog final : public QFileDialog {
public:
    CheckedFileDialog(QWidget* parent, bool pathMustExist)
        : QFileDialog(parent), m_pathMustExist(pathMustExist)
    {
    }

    void accept() override
    {
        ForgetStaleSelection();
        if (m_pathMustExist) {
            const QStringList files = selectedFiles();
            if (!files.isEmpty()) {
                const QFileInfo info(files.first());
                if (!info.isDir() && !info.absoluteDir().exists()) {
                    QMessageBox::warning(this, windowTitle(),
                                         info.absoluteFilePath() +
                                             "\nThe folder does not exist. Check the path and try again.");
                    return;
                }
            }
        }
        QFileDialog::accept();
    }

private:
    // selectedFiles() prefers the rows selected in the view to the name typed. While a path is
    // typed, the dialog selects whatever each typed prefix names, the folder shown among them
    // once the path reaches it, and takes those rows back only while the name field has the
    // keyboard focus. Without it (the window not yet active, a completer popup that kept it)
    // the folder stayed selected: accepting then went into that folder, emptied the name field
    // and kept failing until the dialog was closed. A non-empty name field always holds what
    // the user chose (a click on a file or folder writes its name there), so it decides.
    void ForgetStaleSelection()
    {
        auto* field = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        auto* view = findChild<QAbstractItemView*>(QStringLiteral("listView"));
        if (!field || !view || !view->selectionModel() || field->text().isEmpty())
            return;
        const QString typed = field->text();
        view->selectionModel()->clearSelection();
        field->setText(typed);
    }

    bool m_pathMustExist;
};

// Size, type and date as wide as their texts; the name gets the rest of the view's width, and no
// more, so that the date is never pushed out of sight.
void FitColumns(QTreeView& view)
{
    if (!view.model())
        return;
    int rest = view.viewport()->width();
    for (int column = 1; column < view.model()->columnCount(view.rootIndex()); ++column) {
        view.resizeColumnToContents(column);
        rest -= view.columnWidth(column);
    }
    view.setColumnWidth(0, std::max(rest, view.header()->minimumSectionSize()));
}

// Fits the columns again whenever the view's width changes (the dialog shown, resized).
class ColumnFitter final : public QObject {
public:
    explicit ColumnFitter(QTreeView& view) : QObject(&view), m_view(view)
    {
        view.viewport()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Resize)
            FitColumns(m_view);
        return QObject::eventFilter(watched, event);
    }

private:
    QTreeView& m_view;
};

void FitColumnsOnEveryFolder(QFileDialog& dialog)
{
    auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    auto* model = dialog.findChild<QFileSystemModel*>();
    if (!view || !model)
        return;
    QObject::connect(model, &QFileSystemModel::directoryLoaded, view, [view] { FitColumns(*view); });
    new ColumnFitter(*view);
}

// No larger than the screen it opens on, less room for the frame a window manager puts around
// it: with a large scale factor the buttons would be off the screen.
QSize FittedDialogSize(const QWidget* parent)
{
    constexpr QSize FrameAllowance(16, 48);
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return DialogSize;
    return DialogSize.boundedTo(screen->availableGeometry().size() - FrameAllowance);
}

QMessageBox::Icon QtIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Critical:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

void KeepNoSettings()
{
#ifdef Q_OS_WIN
    // The native format there is the registry, which no path redirects: every QSettings becomes
    // an INI file below the null device instead, where no file can be made or read.
    QSettings::setDefaultFormat(QSettings::IniFormat);
    const QString nowhere = QStringLiteral("//./NUL/skerrow");
#else
    const QString nowhere = QStringLiteral("/dev/null/skerrow");
#endif
    for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
        for (QSettings::Scope scope : {QSettings::UserScope, QSettings::SystemScope})
            QSettings::setPath(format, scope, nowhere);
}

QStringList NameFiltersFrom(const std::string& filter)
{
    const QStringList parts =
        QString::fromLatin1(filter.data(), static_cast<qsizetype>(filter.size())).split(QLatin1Char('|'));
    static const QRegularExpression tail(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            pattern = pattern.trimmed();
            if (pattern == QLatin1String("*.*"))
                pattern = QStringLiteral("*");
        }
        QString text = parts[i];
        text.remove(tail);
        filters << text + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return filters;
}

QtPlatform::QtPlatform(QWidget* window) : m_window(window) {}

QtPlatform::~QtPlatform()
{
    delete m_sortProgress;
    delete m_fileProgress;
}

int QtPlatform::MessageBox(const std::string& text, const std::string& title, MessageIcon icon,
                           MessageButtons buttons, const MessageSubject&)
{
    QMessageBox box(m_window);
    box.setWindowTitle(FileText(title));
    box.setText(FileText(text));
    box.setTextFormat(Qt::PlainText);
    box.setIcon(QtIcon(icon));
    if (buttons == MessageButtons::YesNoCancel) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
    box.exec();

    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Yes:
        return AnswerYes;
    case QMessageBox::No:
        return AnswerNo;
    case QMessageBox::Ok:
        return AnswerOk;
    default:
        return buttons == MessageButtons::YesNoCancel ? AnswerCancel : AnswerOk;
    }
}

FileDialogResult QtPlatform::FileDialog(const FileDialogRequest& request)
{
    const bool save = request.kind == FileDialogKind::Save;
    CheckedFileDialog dialog(m_window, (request.flags & OfnPathMustExist) != 0);
    // Qt's own dialog even where the desktop offers its own (platform theme or portal): a native
    // dialog never calls our accept(), so the folder check and the typed-name rule above would be
    // lost, and the portal knows no default extension and cannot leave out the overwrite question
    // when the caller does not ask for it.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(!save && (request.flags & OfnFileMustExist) != 0 ? QFileDialog::ExistingFile
                                                                        : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, (request.flags & OfnOverwritePrompt) == 0);
    const QStringList filters = NameFiltersFrom(request.filter);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    const QString defaultExt = QString::fromLatin1(request.defaultExt.c_str());
    dialog.setDefaultSuffix(defaultExt);
    if (!request.initialName.empty())
        dialog.selectFile(FileText(request.initialName));
    // Qt's own size (624 x 412) cuts the columns of the detail view; at this size, with the
    // columns fitted to what they show, a name, the size, the type and the date are read in full.
    dialog.setViewMode(QFileDialog::Detail);
    dialog.resize(FittedDialogSize(m_window));
    FitColumnsOnEveryFolder(dialog);

    FileDialogResult result;
    if (dialog.exec() != QDialog::Accepted) {
        result.outcome = FileDialogOutcome::Cancelled;
        return result;
    }
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty() || files.first().isEmpty()) {
        result.outcome = FileDialogOutcome::Failed;
        return result;
    }
    // Qt has appended the default suffix to a name without a dot, as the rule does; the rule
    // tells the rest, the same as for a name typed on the command line.
    const SaveName name = SaveNameFor(QFile::encodeName(files.first()).toStdString(), request.defaultExt);
    result.outcome = FileDialogOutcome::Chosen;
    result.path = name.path;
    if (name.extensionDiffers)
        result.flags |= OfnExtensionDifferent;
    return result;
}

std::optional<int> QtPlatform::ChooseImageMember(const std::string& imagePath,
                                                 const std::vector<ImageMemberRow>& rows)
{
    frmImageChooser chooser(m_window, QFileInfo(FileText(imagePath)).fileName(), rows);
    if (chooser.exec() != QDialog::Accepted || chooser.ChosenRow() < 0)
        return std::nullopt;
    return chooser.ChosenRow();
}

ImageSaveAnswer QtPlatform::ImageSaveDialog(const ImageSaveRequest& request)
{
    frmImageSave dialog(m_window, request);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.Answer();
}

QProgressBar* QtPlatform::Bar(ProgressWindow window)
{
    if (window == ProgressWindow::Sort) {
        if (!m_sortProgress)
            m_sortProgress = new frmSortProgress(m_window);
        return m_sortProgress->ProgressBar1;
    }
    if (!m_fileProgress)
        m_fileProgress = new frmFileProgress(m_window);
    return m_fileProgress->ProgressBar1;
}

QWidget* QtPlatform::ProgressWidget(ProgressWindow window) const
{
    if (window == ProgressWindow::Sort)
        return m_sortProgress;
    return m_fileProgress;
}

void QtPlatform::ProgressShow(ProgressWindow window)
{
    Bar(window);
    ProgressWidget(window)->show();
    // The next yield paints the window just shown, however recent the last one was.
    m_lastYield.invalidate();
}

void QtPlatform::ProgressSetMaximum(ProgressWindow window, int maximum)
{
    Bar(window)->setMaximum(maximum);
}

void QtPlatform::ProgressSetValue(ProgressWindow window, int value)
{
    QProgressBar* bar = Bar(window);
    const int bounded = qBound(bar->minimum(), value, bar->maximum());
    if (ProgressWidget(window)->isVisible())
        (window == ProgressWindow::Sort ? m_pendingSortValue : m_pendingFileValue) = bounded;
    else
        bar->setValue(bounded);
}

void QtPlatform::ProgressSetLabel(ProgressWindow window, const std::string& text)
{
    if (window != ProgressWindow::File)
        return;
    Bar(window);
    // The status line carries a voice name: its bytes are shown as the lists show them.
    m_fileProgress->Label1->setText(LatinText(text));
}

void QtPlatform::ProgressClose(ProgressWindow window)
{
    (window == ProgressWindow::Sort ? m_pendingSortValue : m_pendingFileValue).reset();
    delete ProgressWidget(window);
}

void QtPlatform::YieldEvents()
{
    // The sort yields after every step, far more often than a screen refreshes; repainting the
    // lists and the bar each time would cost more than the sort itself. Running the event loop,
    // with the bar's latest value, once a frame keeps the bar moving and the window answering.
    constexpr qint64 FrameMilliseconds = 16;
    if (m_lastYield.isValid() && !m_lastYield.hasExpired(FrameMilliseconds))
        return;
    if (m_sortProgress && m_pendingSortValue)
        m_sortProgress->ProgressBar1->setValue(*m_pendingSortValue);
    if (m_fileProgress && m_pendingFileValue)
        m_fileProgress->ProgressBar1->setValue(*m_pendingFileValue);
    m_pendingSortValue.reset();
    m_pendingFileValue.reset();
    QCoreApplication::processEvents();
    m_lastYield.start();
}

void QtPlatform::ShowHelpContents(const std::string& path)
{
    ShowHelpViewer(FileText(path), m_window);
}

std::string QtPlatform::ProgramDirectory()
{
    return QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString();
}

}  // namespace skerrow
