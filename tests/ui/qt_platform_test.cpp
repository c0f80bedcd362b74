// The Qt platform services, driven through the real message box, file dialog and progress
// windows; each modal window is answered from a timer inside its own event loop.

#include "ui_test_support.h"
#include "voice_file_builder.h"

#include "ui/progress_windows.h"
#include "ui/qt_platform.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QRadioButton>
#include <QTreeView>
#include <QtTest>

#include <filesystem>
#include <memory>

using namespace skerrow;
using namespace skerrow::test;

namespace {

FileDialogRequest SaveRequest()
{
    FileDialogRequest request;
    request.kind = FileDialogKind::Save;
    request.flags = 0x806;
    request.defaultExt = "1bk";
    request.initialName = "untitled.1bk";
    request.filter = "VL1 Files (*.1bk)|*.1bk";
    return request;
}

// Types name into the dialog's name field, as a user does (selectFile leaves a focused field alone).
void TypeName(QFileDialog* dialog, const QString& folder, const QString& name)
{
    dialog->setDirectory(folder);
    auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(field);
    field->setText(name);
}

// Answers the file dialog by typing name in folder and pressing the accept button.
std::unique_ptr<ModalHandler> TypeIntoFileDialog(const QString& folder, const QString& name)
{
    return std::make_unique<ModalHandler>([folder, name](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (!dialog)
            return false;
        TypeName(dialog, folder, name);
        static_cast<QDialog*>(dialog)->accept();  // the accept button
        // A refused name leaves the dialog open: give up then.
        if (dialog->isVisible())
            dialog->reject();
        return true;
    });
}

// Answers every message box inside the dialog with button, recording its text.
std::unique_ptr<ModalHandler> AnswerBoxes(QMessageBox::StandardButton button, QStringList& texts)
{
    return std::make_unique<ModalHandler>([button, &texts](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!box)
            return false;
        texts << box->text();
        if (QAbstractButton* b = box->button(button))
            b->click();
        else
            box->close();
        return true;
    });
}

QString Dir(const TempDir& dir)
{
    return QString::fromStdString(dir.path().string());
}

}  // namespace

class QtPlatformTest : public QObject {
    Q_OBJECT

private slots:
    // As the program does, so that no test reads or writes the user's Qt settings.
    void initTestCase() { KeepNoSettings(); }

    // A file dialog opens in the working folder: each test has one of its own, with known contents,
    // so that what the dialogs list does not depend on where the suite was started.
    void init()
    {
        m_folder = std::make_unique<TempDir>();
        WriteBytes(m_folder->file("bank.1bk"), "x");
        WriteBytes(m_folder->file("A bank with a rather long name for its column.1bk"), "x");
        std::filesystem::create_directory(m_folder->path() / "voices");
        m_startedIn = QDir::currentPath();
        QVERIFY(QDir::setCurrent(Dir(*m_folder)));
    }

    void cleanup()
    {
        QDir::setCurrent(m_startedIn);
        m_folder.reset();
    }

    void filterPairsBecomeNameFilters_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("nameFilters");
        QTest::newRow("open") << "VL1 Files (*.1vc;*.1bk;*.avc)|*.1vc;*.1bk;*.avc|All Files (*.*)|*.*"
                              << QStringList({"VL1 Files (*.1vc *.1bk *.avc)", "All Files (*)"});
        QTest::newRow("save") << "VL1 Files (*.avc)|*.avc" << QStringList({"VL1 Files (*.avc)"});
        QTest::newRow("text without patterns") << "Voices|*.1vc" << QStringList({"Voices (*.1vc)"});
        QTest::newRow("empty") << "" << QStringList();
    }

    void filterPairsBecomeNameFilters()
    {
        QFETCH(QString, filter);
        QFETCH(QStringList, nameFilters);
        QCOMPARE(NameFiltersFrom(filter.toStdString()), nameFilters);
    }

    void saveDialogIsSetUpFromTheRequest()
    {
        QtPlatform platform;
        QStringList filters;
        QString suffix, initial;
        bool own = false, confirms = false, save = false, detail = false, onScreen = false,
             columnsFit = false;
        QSize size;
        ModalHandler handler([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            if (!dialog)
                return false;
            filters = dialog->nameFilters();
            suffix = dialog->defaultSuffix();
            initial = QFileInfo(dialog->selectedFiles().value(0)).fileName();
            own = dialog->testOption(QFileDialog::DontUseNativeDialog);
            confirms = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
            save = dialog->acceptMode() == QFileDialog::AcceptSave;
            size = dialog->size();
            onScreen = dialog->screen()->availableGeometry().contains(dialog->frameGeometry());
            detail = dialog->viewMode() == QFileDialog::Detail;
            auto* view = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
            const bool listed =
                QTest::qWaitFor([view] { return view->model()->rowCount(view->rootIndex()) > 0; });
            int widths = 0;
            columnsFit = listed;
            for (int column = 0; column < view->header()->count(); ++column) {
                widths += view->columnWidth(column);
                if (column > 0)
                    columnsFit =
                        columnsFit && view->columnWidth(column) >= view->header()->sectionSizeHint(column);
            }
            columnsFit = columnsFit && widths <= view->viewport()->width();
            dialog->reject();
            return true;
        });
        const FileDialogResult result = platform.FileDialog(SaveRequest());
        QCOMPARE(filters, QStringList({"VL1 Files (*.1bk)"}));
        QCOMPARE(suffix, QString("1bk"));
        QCOMPARE(initial, QString("untitled.1bk"));
        QVERIFY(own);
        QVERIFY(confirms);
        QVERIFY(save);
        // Name, size, type and date all readable, not Qt's 624 x 412, as far as the screen allows.
        QVERIFY(detail);
        QVERIFY(size.width() >= 700 && size.height() >= 480);
        QVERIFY(onScreen);
        QVERIFY(columnsFit);
        QCOMPARE(result.outcome, FileDialogOutcome::Cancelled);
        QVERIFY(result.path.empty());
        QCOMPARE(result.flags, 0u);
    }

    void saveDialogReportsTheChosenNameAndItsExtension_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("saved");
        QTest::addColumn<uint>("flags");
        QTest::newRow("no extension: appended") << "bank"
                                                << "bank.1bk" << 0u;
        QTest::newRow("the default extension") << "bank.1bk"
                                               << "bank.1bk" << 0u;
        QTest::newRow("the default in capitals") << "BANK.1BK"
                                                 << "BANK.1BK" << 0u;
        QTest::newRow("another voice type") << "bank.avc"
                                            << "bank.avc" << 0x400u;
        QTest::newRow("a longer name") << "bank.1bk.txt"
                                       << "bank.1bk.txt" << 0x400u;
    }

    void saveDialogReportsTheChosenNameAndItsExtension()
    {
        QFETCH(QString, typed);
        QFETCH(QString, saved);
        QFETCH(uint, flags);
        TempDir dir;
        QtPlatform platform;
        auto handler = TypeIntoFileDialog(Dir(dir), typed);
        const FileDialogResult result = platform.FileDialog(SaveRequest());
        QCOMPARE(result.outcome, FileDialogOutcome::Chosen);
        QCOMPARE(QString::fromStdString(result.path), Dir(dir) + "/" + saved);
        QCOMPARE(uint(result.flags), flags);
    }

    void saveDialogAsksBeforeReplacingAFileOnlyWhenTold_data()
    {
        QTest::addColumn<uint>("flags");
        QTest::addColumn<int>("questions");
        QTest::newRow("0x806 asks") << 0x806u << 1;
        QTest::newRow("0x804 does not") << 0x804u << 0;
    }

    void saveDialogAsksBeforeReplacingAFileOnlyWhenTold()
    {
        QFETCH(uint, flags);
        QFETCH(int, questions);
        TempDir dir;
        WriteBytes(dir.file("old.1bk"), "x");
        QtPlatform platform;
        QStringList texts;
        auto boxes = AnswerBoxes(QMessageBox::Yes, texts);
        auto handler = TypeIntoFileDialog(Dir(dir), "old");
        FileDialogRequest request = SaveRequest();
        request.flags = flags;
        const FileDialogResult result = platform.FileDialog(request);
        QCOMPARE(result.outcome, FileDialogOutcome::Chosen);
        QCOMPARE(result.path, dir.file("old.1bk"));
        QCOMPARE(int(texts.size()), questions);
    }

    void saveDialogRefusesAFolderThatDoesNotExist()
    {
        TempDir dir;
        QtPlatform platform;
        QStringList texts;
        auto boxes = AnswerBoxes(QMessageBox::Ok, texts);
        auto handler = TypeIntoFileDialog(Dir(dir), Dir(dir) + "/missing/bank.1bk");
        const FileDialogResult result = platform.FileDialog(SaveRequest());
        QCOMPARE(texts.size(), 1);
        QVERIFY(texts[0].contains("missing"));
        QCOMPARE(result.outcome, FileDialogOutcome::Cancelled);
    }

    void openDialogWantsAnExistingFileAndListsVoiceFilesFirst()
    {
        TempDir dir;
        WriteBytes(dir.file("A.1BK"), "x");
        QtPlatform platform;
        QStringList filters;
        QFileDialog::FileMode mode = QFileDialog::AnyFile;
        ModalHandler handler([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            if (!dialog)
                return false;
            filters = dialog->nameFilters();
            mode = dialog->fileMode();
            TypeName(dialog, Dir(dir), "A.1BK");
            static_cast<QDialog*>(dialog)->accept();  // the accept button
            return true;
        });
        FileDialogRequest request;
        request.kind = FileDialogKind::Open;
        request.flags = 0x1800;
        request.filter = "VL1 Files (*.1vc;*.1bk;*.avc)|*.1vc;*.1bk;*.avc|All Files (*.*)|*.*";
        const FileDialogResult result = platform.FileDialog(request);
        QCOMPARE(filters, QStringList({"VL1 Files (*.1vc *.1bk *.avc)", "All Files (*)"}));
        QCOMPARE(mode, QFileDialog::ExistingFile);
        QCOMPARE(result.outcome, FileDialogOutcome::Chosen);
        QCOMPARE(result.path, dir.file("A.1BK"));
        QCOMPARE(result.flags, 0u);
    }

    // A name typed key by key, as a user types it. While the name field lacks the keyboard focus
    // (the window not active yet) the dialog selects what each typed prefix names and never lets
    // go: a full path left the folders on its way selected.
    void typedNameOpens_data()
    {
        QTest::addColumn<bool>("save");
        QTest::addColumn<bool>("focused");
        QTest::addColumn<QString>("typed");  // "@" stands for the folder shown
        QTest::addColumn<QString>("chosen");
        QTest::newRow("open: a name") << false << true << "A.1BK"
                                      << "A.1BK";
        QTest::newRow("open: a full path") << false << true << "@/A.1BK"
                                           << "A.1BK";
        QTest::newRow("open: a full path, unfocused") << false << false << "@/A.1BK"
                                                      << "A.1BK";
        QTest::newRow("open: a relative path") << false << true << "sub/B.1bk"
                                               << "sub/B.1bk";
        QTest::newRow("save: a name") << true << true << "new"
                                      << "new.1bk";
        QTest::newRow("save: a full path, unfocused") << true << false << "@/new.1bk"
                                                      << "new.1bk";
        QTest::newRow("save: a relative path") << true << true << "sub/new"
                                               << "sub/new.1bk";
    }

    void typedNameOpens()
    {
        QFETCH(bool, save);
        QFETCH(bool, focused);
        QFETCH(QString, typed);
        QFETCH(QString, chosen);
        TempDir dir;
        WriteBytes(dir.file("A.1BK"), "x");
        std::filesystem::create_directory(dir.path() / "sub");
        WriteBytes(dir.file("sub/B.1bk"), "x");
        typed.replace("@", Dir(dir));
        QtPlatform platform;
        bool waiting = false;  // the wait for the focus runs this handler's timer too
        QStringList boxes;     // what the dialog said, if it had anything to say
        ModalHandler handler([&](QWidget* modal) {
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                boxes << box->text();
                box->reject();
                return true;
            }
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            if (!dialog || waiting)
                return false;
            dialog->setDirectory(Dir(dir));
            auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (focused) {
                // Activation only takes once the window is shown; then the focus follows it.
                waiting = true;
                const bool focus = QTest::qWaitForWindowExposed(dialog) && [&] {
                    dialog->activateWindow();
                    return QTest::qWaitForWindowActive(dialog);
                }() && [&] {
                    field->setFocus();
                    return QTest::qWaitFor([field] { return field->hasFocus(); });
                }();
                waiting = false;
                if (!focus)
                    return false;
            } else {
                field->clearFocus();
            }
            // The initial name is selected only while the field has the focus; the user's Ctrl+A.
            field->selectAll();
            QTest::keyClicks(field, typed);
            // Accepted after this handler has returned: a box the dialog opens in its accept
            // runs a loop of its own, which this handler's timer must be free to reach.
            QTimer::singleShot(0, dialog, [dialog] {
                static_cast<QDialog*>(dialog)->accept();  // the accept button
                if (dialog->isVisible())
                    dialog->reject();
            });
            return true;
        });
        FileDialogRequest request = SaveRequest();
        if (!save) {
            request.kind = FileDialogKind::Open;
            request.flags = 0x1800;
            request.defaultExt.clear();
            request.initialName.clear();
            request.filter = "VL1 Files (*.1vc;*.1bk;*.avc)|*.1vc;*.1bk;*.avc|All Files (*.*)|*.*";
        }
        const FileDialogResult result = platform.FileDialog(request);
        QVERIFY2(handler.givenUp.empty(), qPrintable(handler.GivenUp()));
        QVERIFY2(boxes.isEmpty(), qPrintable(boxes.join(QLatin1Char('|'))));
        QCOMPARE(result.outcome, FileDialogOutcome::Chosen);
        QCOMPARE(QString::fromStdString(result.path), Dir(dir) + "/" + chosen);
    }

    void messageBoxAnswersWithItsCode_data()
    {
        QTest::addColumn<bool>("question");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("answer");
        QTest::newRow("Yes") << true << 0 << int(QMessageBox::Yes) << AnswerYes;
        QTest::newRow("No") << true << 0 << int(QMessageBox::No) << AnswerNo;
        QTest::newRow("Cancel") << true << 0 << int(QMessageBox::Cancel) << AnswerCancel;
        QTest::newRow("Esc is Cancel") << true << int(Qt::Key_Escape) << 0 << AnswerCancel;
        QTest::newRow("Enter is Yes") << true << int(Qt::Key_Return) << 0 << AnswerYes;
        QTest::newRow("OK") << false << 0 << int(QMessageBox::Ok) << AnswerOk;
        QTest::newRow("Esc on OK") << false << int(Qt::Key_Escape) << 0 << AnswerOk;
    }

    void messageBoxAnswersWithItsCode()
    {
        QFETCH(bool, question);
        QFETCH(int, key);
        QFETCH(int, button);
        QFETCH(int, answer);
        QtPlatform platform;
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        ModalHandler handler([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (!box)
                return false;
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            buttons = box->standardButtons();
            if (key != 0)
                QTest::keyClick(box, Qt::Key(key));
            else
                box->button(QMessageBox::StandardButton(button))->click();
            return true;
        });
        const int got = question ? platform.MessageBox("Line one\nline two", "Query", MessageIcon::Question,
                                                       MessageButtons::YesNoCancel)
                                 : platform.MessageBox("Nothing to save!", "Info", MessageIcon::Information,
                                                       MessageButtons::Ok);
        QCOMPARE(got, answer);
        QCOMPARE(title, question ? QString("Query") : QString("Info"));
        QCOMPARE(text, question ? QString("Line one\nline two") : QString("Nothing to save!"));
        QCOMPARE(icon, question ? QMessageBox::Question : QMessageBox::Information);
        QCOMPARE(buttons, question ? QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel
                                   : QMessageBox::StandardButtons(QMessageBox::Ok));
    }

    void criticalMessagesShowTheStopIcon()
    {
        QtPlatform platform;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        ModalHandler handler([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (!box)
                return false;
            icon = box->icon();
            box->close();
            return true;
        });
        QCOMPARE(
            platform.MessageBox("/v/a.1bk not found.", "Error", MessageIcon::Critical, MessageButtons::Ok),
            AnswerOk);
        QCOMPARE(icon, QMessageBox::Critical);
    }

    // The size of a new image is asked only while the path names no file; the answer carries the
    // path, the size and the name as typed.
    void imageSaveDialogAsksTheSizeOnlyForANewImage()
    {
        TempDir dir;
        WriteBytes(dir.file("old.img"), "x");
        QtPlatform platform;
        bool sizeForOld = true, sizeForNew = false;
        ModalHandler handler([&](QWidget* modal) {
            const QList<QLineEdit*> fields = modal->findChildren<QLineEdit*>();
            QRadioButton* small = modal->findChild<QRadioButton*>();
            if (fields.size() != 2 || !small)
                return false;
            fields[0]->setText(QString::fromStdString(dir.file("old.img")));
            sizeForOld = small->isEnabled();
            fields[0]->setText(QString::fromStdString(dir.file("new.img")));
            sizeForNew = small->isEnabled();
            small->setChecked(true);
            fields[1]->setText("mix");
            QTest::keyClick(fields[1], Qt::Key_Return);
            return true;
        });
        const ImageSaveAnswer answer = platform.ImageSaveDialog({"UNTITLED.1BK"});
        QVERIFY2(handler.givenUp.empty(), qPrintable(handler.GivenUp()));
        QVERIFY(!sizeForOld);
        QVERIFY(sizeForNew);
        QVERIFY(answer.chosen);
        QCOMPARE(answer.imagePath, dir.file("new.img"));
        QVERIFY(answer.small);
        QCOMPARE(answer.typedName, std::string("mix"));
    }

    // The dialog starts as the request says: after a refused name with everything as the user left
    // it and the name selected, otherwise with the source's image selected. Typing replaces the
    // selection.
    void imageSaveDialogStartsAsTheRequestSays_data()
    {
        QTest::addColumn<bool>("correctName");
        QTest::addColumn<QStringList>("typedOver");
        QTest::newRow("a name to correct") << true << QStringList({"/disks/new.img", "NEW"});
        QTest::newRow("the source's image") << false << QStringList({"NEW", "LONGERNAME"});
    }

    void imageSaveDialogStartsAsTheRequestSays()
    {
        QFETCH(bool, correctName);
        QFETCH(QStringList, typedOver);
        QtPlatform platform;
        bool small = false;
        ModalHandler handler([&](QWidget* modal) {
            const QList<QLineEdit*> fields = modal->findChildren<QLineEdit*>();
            QRadioButton* smallButton = modal->findChild<QRadioButton*>();
            if (fields.size() != 2 || !smallButton)
                return false;
            small = smallButton->isChecked();
            QTest::keyClicks(modal->focusWidget(), "NEW");
            QTest::keyClick(fields[1], Qt::Key_Return);
            return true;
        });
        const ImageSaveAnswer answer =
            platform.ImageSaveDialog({"LONGERNAME", "/disks/new.img", true, correctName});
        QVERIFY2(handler.givenUp.empty(), qPrintable(handler.GivenUp()));
        QVERIFY(small);
        QCOMPARE(
            QStringList({QString::fromStdString(answer.imagePath), QString::fromStdString(answer.typedName)}),
            typedOver);
    }

    void progressWindowsAreMadeOnFirstUseShownModelessAndDiscarded()
    {
        QWidget main;
        QtPlatform platform(&main);
        platform.ProgressSetValue(ProgressWindow::Sort, 0);
        auto* sort = qobject_cast<frmSortProgress*>(platform.ProgressWidget(ProgressWindow::Sort));
        QVERIFY(sort);
        QVERIFY(!sort->isVisible());
        QCOMPARE(sort->parentWidget(), &main);
        platform.ProgressSetMaximum(ProgressWindow::Sort, 128);
        platform.ProgressShow(ProgressWindow::Sort);
        QVERIFY(sort->isVisible());
        QVERIFY(!sort->isModal());
        platform.ProgressSetValue(ProgressWindow::Sort, 126);
        QCOMPARE(sort->ProgressBar1->value(), 0);
        platform.YieldEvents();  // a shown bar takes its value when the events are handled
        QCOMPARE(sort->ProgressBar1->maximum(), 128);
        QCOMPARE(sort->ProgressBar1->value(), 126);
        QVERIFY(!platform.ProgressWidget(ProgressWindow::File));

        platform.ProgressSetLabel(ProgressWindow::File, "Writing patch \xE9t\xE9 ...");
        auto* file = qobject_cast<frmFileProgress*>(platform.ProgressWidget(ProgressWindow::File));
        QVERIFY(file);
        QCOMPARE(file->Label1->text(), QString::fromLatin1("Writing patch \xE9t\xE9 ..."));

        QPointer<QWidget> sortGone = sort;
        platform.ProgressClose(ProgressWindow::Sort);
        QVERIFY(sortGone.isNull());
        QVERIFY(!platform.ProgressWidget(ProgressWindow::Sort));
        QVERIFY(platform.ProgressWidget(ProgressWindow::File));
        platform.ProgressClose(ProgressWindow::File);
        QVERIFY(!platform.ProgressWidget(ProgressWindow::File));
    }

    void yieldHandlesPendingEvents()
    {
        QtPlatform platform;
        bool handled = false;
        QTimer::singleShot(0, [&] { handled = true; });
        platform.YieldEvents();
        QVERIFY(handled);
    }

    void yieldRunsTheEventLoopAtMostOnceAFrameButAlwaysAfterAProgressWindowShows()
    {
        QtPlatform platform;
        platform.YieldEvents();
        QElapsedTimer sinceFirst;
        sinceFirst.start();

        int handled = 0;
        QTimer::singleShot(0, [&] { ++handled; });
        platform.YieldEvents();
        if (!sinceFirst.hasExpired(10))
            QCOMPARE(handled, 0);

        platform.ProgressShow(ProgressWindow::Sort);
        platform.YieldEvents();
        QCOMPARE(handled, 1);
        QVERIFY(platform.ProgressWidget(ProgressWindow::Sort)->isVisible());

        QTimer::singleShot(0, [&] { ++handled; });
        QTest::qWait(20);  // runs the timer itself; the next one must wait for the yield
        QTimer::singleShot(0, [&] { ++handled; });
        platform.YieldEvents();
        QCOMPARE(handled, 3);
        platform.ProgressClose(ProgressWindow::Sort);
    }

    void programDirectoryIsWhereTheProgramLies()
    {
        QtPlatform platform;
        QCOMPARE(QString::fromStdString(platform.ProgramDirectory()), QCoreApplication::applicationDirPath());
        QVERIFY(!platform.ProgramDirectory().ends_with('/'));
    }

    void helpOpensAViewerForAFileThatExistsAndNothingOtherwise()
    {
        TempDir dir;
        WriteBytes(dir.file("Skerrow.hlp"), "<html><body><h1>Contents</h1></body></html>");
        QtPlatform platform;
        auto visibleWindows = [] {
            int n = 0;
            for (QWidget* w : QApplication::topLevelWidgets())
                n += w->isVisible() ? 1 : 0;
            return n;
        };
        const int before = visibleWindows();
        platform.ShowHelpContents(dir.file("missing.hlp"));
        QCOMPARE(visibleWindows(), before);
        platform.ShowHelpContents(dir.file("Skerrow.hlp"));
        QCOMPARE(visibleWindows(), before + 1);
        for (QWidget* w : QApplication::topLevelWidgets())
            w->close();
    }

private:
    std::unique_ptr<TempDir> m_folder;
    QString m_startedIn;
};

QTEST_MAIN(QtPlatformTest)
#include "qt_platform_test.moc"
