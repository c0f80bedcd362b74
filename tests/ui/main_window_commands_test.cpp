// Every handler of the main window runs its operation, from real clicks, keys and menu choices,
// and no command starts while another one is still running.

#include "ui_test_support.h"
#include "voice_file_builder.h"

#include "diskimage/fat_image.h"
#include "editing/open_source.h"
#include "ui/qt_platform.h"

#include <QAction>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTreeWidget>
#include <QUrl>
#include <QtTest>

#include <memory>

using namespace skerrow;
using namespace skerrow::test;

namespace {

using Names = std::vector<std::string>;

QPoint ItemCentre(QListWidget* list, int row)
{
    return list->visualItemRect(list->item(row)).center();
}

void ClickItem(QListWidget* list, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, ItemCentre(list, row));
}

// As the window system delivers a double-click: press, release, double-click, release.
void DoubleClickAt(QListWidget* list, const QPoint& at)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

void DoubleClickItem(QListWidget* list, int row)
{
    DoubleClickAt(list, ItemCentre(list, row));
}

// The destination's names and the slots its entries point at must pair up index for index.
QStringList Listed(const Names& names)
{
    QStringList out;
    for (const std::string& name : names)
        out << QString::fromLatin1(name.c_str());
    return out;
}

void ExpectDestination(const WindowFixture& f, const Names& names, const std::vector<int>& voices)
{
    QCOMPARE(Listed(f.DestNames()), Listed(names));
    for (std::size_t k = 0; k < voices.size(); ++k)
        QCOMPARE(int(f.state.DestEntries[k].VoiceNumber), voices[k]);
}

// A window whose source list shows a bank of the given names, read from a real file.
struct SourceFixture : WindowFixture {
    TempDir dir;
    std::string bankPath = dir.file("bank.1bk");

    explicit SourceFixture(const Names& names = {"Alpha", "Beta", "Gamma", "Delta"})
    {
        WriteBytes(bankPath, BuildVoiceFile({.slotCount = 16, .names = names, .fileId = 3}));
        window.show();
        QVERIFY(LoadSourceFile(window.librarian(), bankPath));
        QCoreApplication::processEvents();
    }
};

std::string Padded(const std::string& name)
{
    return name + std::string(10 - name.size(), ' ');
}

// a.1bk holds one voice, b.avc two: files for the window to open one after the other.
void WriteTwoSources(const TempDir& dir)
{
    WriteBytes(dir.file("a.1bk"), BuildVoiceFile({.slotCount = 16, .names = {"Flute"}, .fileId = 3}));
    WriteBytes(dir.file("b.avc"), BuildVoiceFile({.slotCount = 128, .names = {"Oboe", "Horn"}, .fileId = 4}));
}

// Drags the selected items of from and drops them in to's gap just below item row (the end when
// row is past the last item).
bool DragSelected(VoiceListWidget* from, VoiceListWidget* to, int row)
{
    const std::unique_ptr<QMimeData> data(from->DragData());
    const QPoint at = row < to->count() ? to->visualItemRect(to->item(row)).bottomLeft() + QPoint(4, -1)
                                        : QPoint(4, to->viewport()->height() - 2);
    return DropAt(to->viewport(), at, data.get());
}

}  // namespace

class MainWindowCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void openCopyAndSaveABankFromTheWindow()
    {
        WindowFixture f;
        f.window.show();
        TempDir dir;
        const std::string source = dir.file("SOURCE.1BK");
        WriteBytes(source,
                   BuildVoiceFile({.slotCount = 16, .names = {"Flute", "Oboe", "Horn"}, .fileId = 9}));
        f.platform.AnswerDialog(source);
        f.window.mnuFileOpen->trigger();
        QCOMPARE(f.window.windowTitle(), QString("Skerrow (SOURCE.1BK)"));
        QCOMPARE(f.window.List1->count(), 3);
        QCOMPARE(f.window.Text1->text(), QString("3 entries"));

        ClickItem(f.window.List1, 2);
        ClickItem(f.window.List1, 0, Qt::ControlModifier);
        QTest::mouseClick(f.window.Command4, Qt::LeftButton, Qt::NoModifier);
        ExpectDestination(f, {Padded("Flute"), Padded("Horn")}, {1, 3});
        QCOMPARE(f.window.Text2->text(), QString("2 entries"));

        const std::string out = dir.file("out.1bk");
        f.platform.AnswerDialog(out);
        f.window.mnuFileSave->trigger();
        QCOMPARE(f.state.ListSaved, FlagTrue);
        const std::string written = ReadBytes(out);
        QCOMPARE(written.size(), std::size_t(3072 * 17));
        QCOMPARE(written.substr(1024, 10), Padded("Flute"));
        QCOMPARE(written.substr(1040, 10), Padded("Horn"));
        QVERIFY(written.substr(3072, 3072) == BlockFor(9, 1));
        QVERIFY(written.substr(2 * 3072, 3072) == BlockFor(9, 3));
    }

    void everyByteOfAVoiceNameSurvivesTheWindow()
    {
        const Names names = {std::string("\xE9t\xE9\xFF\x80\xA0zz\x7F\x01", 10), "Plain"};
        SourceFixture f(names);
        QCOMPARE(f.window.librarian().List1.Text(0), names[0]);
        QTest::mouseClick(f.window.Command4, Qt::LeftButton, Qt::ShiftModifier);
        const std::string out = f.dir.file("out.1bk");
        f.platform.AnswerDialog(out);
        f.window.mnuFileSave_Click();
        QCOMPARE(ReadBytes(out).substr(1024, 10), names[0]);
    }

    void copyButtonFollowsTheModifiersOfItsPress_data()
    {
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<Names>("copied");
        const Names selected = {Padded("Beta"), Padded("Delta")};
        const Names all = {Padded("Alpha"), Padded("Beta"), Padded("Gamma"), Padded("Delta")};
        QTest::newRow("plain click: the selection") << int(Qt::NoModifier) << selected;
        QTest::newRow("Shift: every voice") << int(Qt::ShiftModifier) << all;
        QTest::newRow("Shift+Ctrl: the selection")
            << int(Qt::ShiftModifier | Qt::ControlModifier) << selected;
        QTest::newRow("Shift+Alt: the selection") << int(Qt::ShiftModifier | Qt::AltModifier) << selected;
    }

    void copyButtonFollowsTheModifiersOfItsPress()
    {
        QFETCH(int, modifiers);
        QFETCH(Names, copied);
        SourceFixture f;
        f.SelectSource({1, 3});
        QTest::mouseClick(f.window.Command4, Qt::LeftButton, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(f.DestNames(), copied);
    }

    void spaceOnTheCopyButtonActsOnTheLastPress()
    {
        SourceFixture f;
        f.SelectSource({2});
        // No press yet: the mask is 0.
        QTest::keyClick(f.window.Command4, Qt::Key_Space);
        QCOMPARE(f.DestNames(), Names({Padded("Gamma")}));
        QTest::mouseClick(f.window.Command4, Qt::LeftButton, Qt::ShiftModifier);
        QCOMPARE(f.window.List2->count(), 5);
        QCOMPARE(f.state.ShiftHeld, std::int16_t(1));
        QTest::keyClick(f.window.Command4, Qt::Key_Space);
        QCOMPARE(f.window.List2->count(), 9);
        // A press with Ctrl on the delete button also sets the mask the copy button reads.
        QTest::mousePress(f.window.Command1, Qt::LeftButton, Qt::ControlModifier);
        QTest::mouseRelease(f.window.Command1, Qt::LeftButton, Qt::ControlModifier, QPoint(-5, -5));
        QCOMPARE(f.state.ShiftHeld, std::int16_t(2));
        QTest::keyClick(f.window.Command4, Qt::Key_Space);
        QCOMPARE(f.window.List2->count(), 10);
    }

    void doubleClicksCopyAndRemoveTheItemUnderThePointer()
    {
        SourceFixture f;
        DoubleClickItem(f.window.List1, 2);
        DoubleClickItem(f.window.List1, 0);
        DoubleClickItem(f.window.List1, 3);
        ExpectDestination(f, {Padded("Gamma"), Padded("Alpha"), Padded("Delta")}, {3, 1, 4});
        QCoreApplication::processEvents();
        DoubleClickItem(f.window.List2, 1);
        ExpectDestination(f, {Padded("Gamma"), Padded("Delta")}, {3, 4});
        QCOMPARE(f.window.Text2->text(), QString("2 entries"));

        // Below the last item there is nothing to copy or remove.
        const QPoint blank(10, f.window.List2->viewport()->height() - 5);
        DoubleClickAt(f.window.List1, blank);
        DoubleClickAt(f.window.List2, blank);
        QCOMPARE(f.window.List2->count(), 2);
    }

    void deleteButtonFollowsTheModifiersOfItsPress_data()
    {
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<int>("answer");
        QTest::addColumn<Names>("left");
        QTest::addColumn<int>("prompts");
        QTest::newRow("plain: the selection")
            << int(Qt::NoModifier) << false << 0 << Names{"A", "C", "E"} << 0;
        QTest::newRow("Shift+Ctrl: the selection")
            << int(Qt::ShiftModifier | Qt::ControlModifier) << false << 0 << Names{"A", "C", "E"} << 0;
        QTest::newRow("Shift, saved list: emptied, no prompt")
            << int(Qt::ShiftModifier) << true << 0 << Names{} << 0;
        QTest::newRow("Shift, unsaved, Cancel: unchanged")
            << int(Qt::ShiftModifier) << false << AnswerCancel << Names{"A", "B", "C", "D", "E"} << 1;
        QTest::newRow("Shift, unsaved, No: emptied")
            << int(Qt::ShiftModifier) << false << AnswerNo << Names{} << 1;
    }

    void deleteButtonFollowsTheModifiersOfItsPress()
    {
        QFETCH(int, modifiers);
        QFETCH(bool, saved);
        QFETCH(int, answer);
        QFETCH(Names, left);
        QFETCH(int, prompts);
        WindowFixture f;
        f.window.show();
        f.FillDestination({"A", "B", "C", "D", "E"});
        f.window.List2->item(1)->setSelected(true);
        f.window.List2->item(3)->setSelected(true);
        f.state.ListSaved = saved ? FlagTrue : FlagFalse;
        if (answer != 0)
            f.platform.messageAnswers.push_back(answer);
        QTest::mouseClick(f.window.Command1, Qt::LeftButton, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(f.DestNames(), left);
        QCOMPARE(int(f.platform.Messages().size()), prompts);
        for (std::size_t k = 0; k < left.size(); ++k)
            QCOMPARE(f.state.DestEntries[k].VoiceNumber, std::int16_t(left[k][0] - 'A' + 1));
    }

    void escapeClicksTheDeleteButtonWithTheLastPress()
    {
        WindowFixture f;
        f.window.show();
        QVERIFY(QTest::qWaitForWindowActive(&f.window));
        f.FillDestination({"A", "B", "C"});
        f.window.List2->item(0)->setSelected(true);
        QTest::keyClick(f.window.List1, Qt::Key_Escape);
        QCOMPARE(f.DestNames(), Names({"B", "C"}));

        // After a Shift press the key empties the list as the Shift click does.
        f.state.ListSaved = FlagTrue;
        f.window.Command4_MouseDown(1, ShiftMask, 0, 0);
        QTest::keyClick(f.window.List2, Qt::Key_Escape);
        QCOMPARE(f.window.List2->count(), 0);
        QVERIFY(f.platform.Messages().empty());
    }

    void moveButtonsCarryRunsOfSelectedEntriesWithTheirSlots()
    {
        WindowFixture f;
        f.window.show();
        f.FillDestination({"A", "B", "C", "D", "E"});
        for (int row : {1, 3, 4})
            f.window.List2->item(row)->setSelected(true);
        f.state.ListSaved = FlagTrue;
        QTest::mouseClick(f.window.Command5, Qt::LeftButton);
        ExpectDestination(f, {"B", "A", "D", "E", "C"}, {2, 1, 4, 5, 3});
        QTest::mouseClick(f.window.Command5, Qt::LeftButton);
        ExpectDestination(f, {"B", "D", "E", "A", "C"}, {2, 4, 5, 1, 3});
        QTest::mouseClick(f.window.Command6, Qt::LeftButton);
        ExpectDestination(f, {"A", "B", "D", "E", "C"}, {1, 2, 4, 5, 3});
        QCOMPARE(f.state.ListSaved, FlagTrue);
    }

    void sortButtonSortsWithItsProgressWindow()
    {
        WindowFixture f;
        f.window.show();
        f.FillDestination({"beta", "Alpha", "alpha"});
        f.state.ListSaved = FlagTrue;
        QTest::mouseClick(f.window.Command2, Qt::LeftButton);
        ExpectDestination(f, {"Alpha", "alpha", "beta"}, {2, 3, 1});
        QCOMPARE(f.platform.DescribedProgress(),
                 std::vector<std::string>({"SetValue(Sort,0)", "SetMaximum(Sort,3)", "Show(Sort)",
                                           "SetValue(Sort,0)", "Yield", "SetValue(Sort,1)", "Yield",
                                           "Close(Sort)"}));
        QCOMPARE(f.state.ListSaved, FlagFalse);
    }

    void noCommandStartsAndTheWindowStaysOpenWhileTheSortYields()
    {
        SourceFixture f;
        f.FillDestination({"D", "C", "B", "A"});
        f.window.List2->item(0)->setSelected(true);
        f.SelectSource({0});
        f.platform.AnswerDialog(f.bankPath);
        auto modals = CloseEveryModal();
        int yields = 0;
        f.platform.onYield = [&] {
            if (yields++ != 1)
                return;
            QTest::mouseClick(f.window.Command1, Qt::LeftButton, Qt::ShiftModifier);
            for (QPushButton* b :
                 {f.window.Command2, f.window.Command4, f.window.Command5, f.window.Command6})
                QTest::mouseClick(b, Qt::LeftButton);
            DoubleClickItem(f.window.List1, 0);
            DoubleClickItem(f.window.List2, 0);
            for (QAction* a : {f.window.mnuFileNew, f.window.mnuFileOpen, f.window.mnuFileSave,
                               f.window.mnuFileExit, f.window.mnuHelpHelp, f.window.mnuHelpAbout})
                a->trigger();
            QVERIFY(!f.window.close());
            QVERIFY(f.window.CommandRunning());
        };
        QTest::mouseClick(f.window.Command2, Qt::LeftButton);

        QCOMPARE(yields, 3);
        QVERIFY(modals->titles.empty());
        ExpectDestination(f, {"A", "B", "C", "D"}, {4, 3, 2, 1});
        QVERIFY(f.window.isVisible());
        QCOMPARE(f.programEnds, 0);
        QCOMPARE(f.state.ShiftHeld, std::int16_t(0));
        QCOMPARE(f.platform.dialogAnswers.size(), std::size_t(1));
        QVERIFY(f.platform.Messages().empty());
        const std::vector<std::string> calls = f.platform.Described();
        QCOMPARE(std::count(calls.begin(), calls.end(), "Show(Sort)"), 1);
        QVERIFY(!f.window.CommandRunning());

        // Once the sort is over the window answers again.
        f.state.ListSaved = FlagTrue;
        QVERIFY(f.window.close());
        QCOMPARE(f.programEnds, 1);
    }

    void noCommandStartsWhileTheWriterYields()
    {
        SourceFixture f;
        QTest::mouseClick(f.window.Command4, Qt::LeftButton, Qt::ShiftModifier);
        f.platform.AnswerDialog(f.dir.file("out.1bk"));
        bool tried = false;
        f.platform.onYield = [&] {
            if (tried)
                return;
            tried = true;
            QTest::mouseClick(f.window.Command2, Qt::LeftButton);
            QTest::mouseClick(f.window.Command1, Qt::LeftButton, Qt::ShiftModifier);
            QVERIFY(!f.window.close());
        };
        f.window.mnuFileSave->trigger();
        QVERIFY(tried);
        QCOMPARE(f.window.List2->count(), 4);
        QCOMPARE(f.state.ListSaved, FlagTrue);
        QVERIFY(f.window.isVisible());
        for (const std::string& call : f.platform.Described())
            QVERIFY2(call.find("Sort") == std::string::npos, call.c_str());
    }

    void helpOpensTheHelpFileBesideTheProgram_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("file");
        QTest::newRow("a folder") << "/opt/skerrow"
                                  << "/opt/skerrow/Skerrow.hlp";
        QTest::newRow("the root") << "/"
                                  << "/Skerrow.hlp";
    }

    void helpOpensTheHelpFileBesideTheProgram()
    {
        QFETCH(QString, folder);
        QFETCH(QString, file);
        WindowFixture f;
        f.platform.programDirectory = folder.toStdString();
        f.window.mnuHelpHelp->trigger();
        QCOMPARE(f.platform.Described().back(), "ShowHelp(" + file.toStdString() + ")");
    }

    void aboutManualAndContributionWindowsOpenModally()
    {
        WindowFixture f;
        f.window.show();
        auto closer = CloseEveryModal();
        f.window.Command3->click();
        f.window.mnuHelpAbout->trigger();
        f.window.mnuHelpManual->trigger();
        f.window.mnuHelpLike->trigger();
        QCOMPARE(closer->titles,
                 std::vector<QString>({"About", "About", "Manual", "If you like this program"}));
    }

    // Files handed to the window (from the command line or another start) wait while a box is
    // open, then open one after the other as File > Open would, the last one staying the source.
    void filesGivenWaitForTheOpenBoxAndOpenInOrder()
    {
        WindowFixture f;
        f.window.show();
        TempDir dir;
        WriteTwoSources(dir);
        QMessageBox box(&f.window);
        QString titleUnderTheBox;
        QTimer::singleShot(0, &box, [&] {
            f.window.OpenWhenFree(dir.file("a.1bk"));
            f.window.OpenWhenFree(dir.file("b.avc"));
            QTest::qWait(300);
            titleUnderTheBox = f.window.windowTitle();
            box.accept();
        });
        box.exec();
        QCOMPARE(titleUnderTheBox, QString("Skerrow (no open file)"));
        QTRY_COMPARE(f.window.windowTitle(), QString("Skerrow (b.avc)"));
        QTest::qWait(300);  // long enough for a file still waiting to open
        QCOMPARE(f.window.windowTitle(), QString("Skerrow (b.avc)"));
        QCOMPARE(f.window.List1->count(), 2);
    }

    // Dragged voices land in the gap the indicator shows; the drag within the destination carries
    // non-adjacent entries together; a drop waits for no running command and nothing from outside
    // the window's own lists is taken as voices.
    void dragsLandWhereTheyAreDroppedWithTheirSlots()
    {
        SourceFixture f;
        f.FillDestination({"A", "B", "C"});
        f.SelectSource({3, 1});
        QVERIFY(DragSelected(f.window.List1, f.window.List2, 0));
        QTRY_COMPARE(f.window.List2->count(), 5);
        ExpectDestination(f, {"A", Padded("Beta"), Padded("Delta"), "B", "C"}, {1, 2, 4, 2, 3});
        QCOMPARE(f.state.DestEntries[1].SourcePath, f.bankPath);
        QCOMPARE(f.window.Text2->text(), QString("5 entries"));
        QCOMPARE(f.state.ListSaved, FlagFalse);

        f.state.ListSaved = FlagTrue;
        f.window.List2->item(0)->setSelected(true);
        f.window.List2->item(2)->setSelected(true);
        QVERIFY(DragSelected(f.window.List2, f.window.List2, 99));
        QTRY_COMPARE(f.DestNames(), Names({Padded("Beta"), "B", "C", "A", Padded("Delta")}));
        ExpectDestination(f, f.DestNames(), {2, 2, 3, 1, 4});
        QVERIFY(f.window.List2->item(3)->isSelected() && f.window.List2->item(4)->isSelected());
        QCOMPARE(f.window.List2->selectedItems().size(), 2);
        QCOMPARE(f.state.ListSaved, FlagTrue);

        // Another list's items, even of the same kind, and files on a list are not voices to insert.
        VoiceListWidget stranger;
        stranger.addItem(QStringLiteral("Stranger"));
        stranger.item(0)->setSelected(true);
        QVERIFY(!DragSelected(&stranger, f.window.List2, 0));
        QMimeData text;
        text.setText(QStringLiteral("Alpha"));
        QVERIFY(!DropAt(f.window.List2->viewport(), QPoint(4, 4), &text));

        // While the sort yields, neither list nor window takes a drop.
        f.SelectSource({0});
        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(QString::fromStdString(f.bankPath))});
        bool refused = false;
        f.platform.onYield = [&] {
            if (std::exchange(refused, true))
                return;
            QVERIFY(!DragSelected(f.window.List1, f.window.List2, 0));
            QVERIFY(!DragSelected(f.window.List2, f.window.List2, 0));
            QVERIFY(!DropAt(&f.window, QPoint(10, 10), &files));
        };
        QTest::mouseClick(f.window.Command2, Qt::LeftButton);
        QVERIFY(refused);
        QTest::qWait(50);
        QCOMPARE(f.window.List2->count(), 5);
        QVERIFY(f.platform.Messages().empty());
    }

    // Files dropped anywhere on the window, a list included, open in order as File > Open does.
    void droppedFilesOpenInOrderTheLastStayingTheSource()
    {
        WindowFixture f;
        f.window.show();
        TempDir dir;
        WriteTwoSources(dir);
        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(QString::fromStdString(dir.file("a.1bk"))),
                       QUrl(QStringLiteral("https://example.invalid/c.1vc")),
                       QUrl::fromLocalFile(QString::fromStdString(dir.file("b.avc")))});
        QVERIFY(DropAt(f.window.List2->viewport(), QPoint(4, 4), &files));
        QTRY_COMPARE(f.window.windowTitle(), QString("Skerrow (b.avc)"));
        QCOMPARE(f.window.List1->count(), 2);
        QCOMPARE(f.window.List2->count(), 0);
        QVERIFY(f.platform.Messages().empty());
    }

    // A dropped disk image opens as File > Open opens one: its voice files are listed in the
    // chooser, name as on the disk, type and voices, and the one double-clicked becomes the source.
    void droppedDiskImageListsItsVoiceFilesAndOpensTheOneChosen()
    {
        TempDir dir;
        std::string bytes = diskimage::FormatFatImage(diskimage::FloppySize::Kb720, 1);
        const auto put = [&bytes](const char* folder, const char* name, const std::string& contents) {
            bytes = *diskimage::FatImage::Open(bytes).image->Write(folder, name, contents, {}).bytes;
        };
        put("", "BRASS.1BK", BuildVoiceFile({.slotCount = 16, .names = {"Horn", "Tuba"}, .fileId = 5}));
        put("", "README.TXT", "no voices");
        put("", "PADS.AVC",
            BuildVoiceFile({.slotCount = 128, .names = {"Warm", "Cold", "Dark"}, .fileId = 6}));
        const std::string image = dir.file("disk01.ima");
        WriteBytes(image, bytes);

        LibraryState state;
        QtPlatform platform;
        MainWindow window(state, platform);
        platform.SetWindow(&window);
        window.show();
        QStringList rows;
        ModalHandler handler([&rows](QWidget* modal) {
            auto* list = modal->findChild<QTreeWidget*>();
            if (!list)
                return false;
            for (int row = 0; row < list->topLevelItemCount(); ++row) {
                const QTreeWidgetItem* item = list->topLevelItem(row);
                rows << item->text(0) + "|" + item->text(1) + "|" + item->text(2);
            }
            const QPoint at = list->visualItemRect(list->topLevelItem(1)).center();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
            QTest::mouseRelease(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
            if (modal->isVisible())
                modal->close();  // a double click that opens nothing must not leave the test waiting
            return true;
        });
        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(QString::fromStdString(image))});
        QVERIFY(DropAt(window.List2->viewport(), QPoint(4, 4), &files));
        QTRY_COMPARE(window.windowTitle(), QString("Skerrow (disk01.ima/PADS.AVC)"));
        QCOMPARE(rows, QStringList({"BRASS.1BK|bank (.1bk)|2", "PADS.AVC|all voices (.avc)|3"}));
        QCOMPARE(window.List1->count(), 3);
        QVERIFY2(handler.givenUp.empty(), qPrintable(handler.GivenUp()));
    }

    void listKeysRunTheButtonsCommandsWhateverTheLastPressHeld()
    {
        SourceFixture f;
        QVERIFY(QTest::qWaitForWindowActive(&f.window));
        f.state.ShiftHeld = ShiftMask;
        f.SelectSource({2, 0});
        f.window.List1->setFocus();
        QTest::keyClick(f.window.List1, Qt::Key_Return);
        QTest::keyClick(f.window.List1, Qt::Key_Enter);
        ExpectDestination(f, {Padded("Alpha"), Padded("Gamma"), Padded("Alpha"), Padded("Gamma")},
                          {1, 3, 1, 3});

        f.window.List2->setFocus();
        f.window.List2->item(2)->setSelected(true);
        f.state.ListSaved = FlagTrue;
        QTest::keyClick(f.window.List2, Qt::Key_Up, Qt::ControlModifier);
        ExpectDestination(f, {Padded("Alpha"), Padded("Alpha"), Padded("Gamma"), Padded("Gamma")},
                          {1, 1, 3, 3});
        QTest::keyClick(f.window.List2, Qt::Key_Down, Qt::ControlModifier);
        QTest::keyClick(f.window.List2, Qt::Key_Down, Qt::ControlModifier);
        ExpectDestination(f, {Padded("Alpha"), Padded("Gamma"), Padded("Gamma"), Padded("Alpha")},
                          {1, 3, 3, 1});
        QCOMPARE(f.state.ListSaved, FlagTrue);

        QTest::keyClick(f.window.List2, Qt::Key_Delete);
        ExpectDestination(f, {Padded("Alpha"), Padded("Gamma"), Padded("Gamma")}, {1, 3, 3});
        QCOMPARE(f.window.Text2->text(), QString("3 entries"));
        QVERIFY(f.platform.Messages().empty());
    }

    // The Edit menu names the step at hand and is greyed when there is none; its keys take changes
    // back and forth, but not while the sort runs.
    void editMenuNamesTheStepAtHandAndWaitsForTheSort()
    {
        SourceFixture f;
        QVERIFY(QTest::qWaitForWindowActive(&f.window));
        const auto menu = [&f] {
            return QStringList(
                {f.window.mnuEditUndo->text(), f.window.mnuEditUndo->isEnabled() ? "on" : "off",
                 f.window.mnuEditRedo->text(), f.window.mnuEditRedo->isEnabled() ? "on" : "off"});
        };
        QCOMPARE(menu(), QStringList({"&Undo", "off", "&Redo", "off"}));
        DoubleClickItem(f.window.List1, 2);
        DoubleClickItem(f.window.List1, 0);
        QCOMPARE(menu(), QStringList({"&Undo Copy", "on", "&Redo", "off"}));

        f.state.ListSaved = FlagTrue;
        QTest::keyClick(&f.window, Qt::Key_Z, Qt::ControlModifier);
        ExpectDestination(f, {Padded("Gamma")}, {3});
        QCOMPARE(f.window.Text2->text(), QString("1 entry"));
        QCOMPARE(f.state.ListSaved, FlagFalse);
        QCOMPARE(menu(), QStringList({"&Undo Copy", "on", "&Redo Copy", "on"}));
        QTest::keyClick(&f.window, Qt::Key_Y, Qt::ControlModifier);
        ExpectDestination(f, {Padded("Gamma"), Padded("Alpha")}, {3, 1});
        QCOMPARE(menu(), QStringList({"&Undo Copy", "on", "&Redo", "off"}));

        bool tried = false;
        f.platform.onYield = [&] {
            tried = true;
            f.window.mnuEditUndo->trigger();
            QTest::keyClick(&f.window, Qt::Key_Z, Qt::ControlModifier);
        };
        QTest::mouseClick(f.window.Command2, Qt::LeftButton);
        QVERIFY(tried);
        ExpectDestination(f, {Padded("Alpha"), Padded("Gamma")}, {1, 3});
        QCOMPARE(menu(), QStringList({"&Undo Sort", "on", "&Redo", "off"}));
        f.platform.onYield = nullptr;
        QTest::keyClick(&f.window, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QTest::keyClick(&f.window, Qt::Key_Z, Qt::ControlModifier);
        ExpectDestination(f, {Padded("Gamma"), Padded("Alpha")}, {3, 1});
        QTest::keyClick(&f.window, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        ExpectDestination(f, {Padded("Alpha"), Padded("Gamma")}, {1, 3});
    }

    void newEmptiesOnlyTheDestination()
    {
        SourceFixture f;
        QTest::mouseClick(f.window.Command4, Qt::LeftButton, Qt::ShiftModifier);
        f.platform.messageAnswers.push_back(AnswerNo);
        f.window.mnuFileNew->trigger();
        QCOMPARE(f.window.List2->count(), 0);
        QCOMPARE(f.window.Text2->text(), QString("0 entries"));
        QCOMPARE(f.window.List1->count(), 4);
        QCOMPARE(f.window.Text1->text(), QString("4 entries"));
    }
};

QTEST_MAIN(MainWindowCommandsTest)
#include "main_window_commands_test.moc"
