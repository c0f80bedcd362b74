// The Find voices window from the keyboard: scan a folder, type part of a name, select, Enter; and
// its results dragged into the destination.

#include "ui_test_support.h"
#include "voice_file_builder.h"

#include "diskimage/fat_image.h"
#include "ui/find_window.h"

#include <QAction>
#include <QHeaderView>
#include <QMimeData>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

using namespace skerrow;
using namespace skerrow::test;

namespace {

class FindWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void TypedSelectedAndEnteredVoicesGoToTheDestination()
    {
        TempDir dir;
        WriteBytes(dir.file("bank.1bk"),
                   BuildVoiceFile({.slotCount = 16, .names = {"Horny", "Tuba", "Horn"}}));
        auto image =
            diskimage::FatImage::Open(diskimage::FormatFatImage(diskimage::FloppySize::Kb1440, 7)).image;
        QVERIFY(image);
        const auto written =
            image->Write("", "PADS.1BK", BuildVoiceFile({.slotCount = 16, .names = {"Horn Pad"}}), {});
        QVERIFY(written.bytes);
        WriteBytes(dir.file("DISK.img"), *written.bytes);
        // An image cut short: counted as unreadable, its name listed with the reason.
        WriteBytes(dir.file("CUT.img"), written.bytes->substr(0, 100 * 1024));

        WindowFixture f;
        f.window.show();
        f.window.mnuFileFind->trigger();
        FindVoicesWindow* find = f.window.findWindow();
        QVERIFY(find && find->isVisible());
        find->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(find));

        QTest::keyClicks(find->Folder, QString::fromStdString(dir.path().string()));
        QTest::keyClick(find->Folder, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(!find->Scanning(), 10000);
        QCOMPARE(find->focusWidget(), find->Search);
        QCOMPARE(find->Unreadable().size(), std::size_t{1});
        QVERIFY(!find->ShowUnreadable->isHidden());

        // Blank-padded names sort the bare one first; the voice in the image is named by its path.
        QTest::keyClicks(find->Search, QStringLiteral("hORN"));
        QCOMPARE(find->Results->model()->rowCount(), 3);
        QTest::keyClick(find->Search, Qt::Key_Down);
        QTest::keyClick(find->Results, Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(find->Results, Qt::Key_Return);

        QCOMPARE(f.DestNames(), (std::vector<std::string>{"Horn      ", "Horn Pad  "}));
        QCOMPARE(f.state.DestEntries[0], (DestEntry{dir.file("bank.1bk"), 3}));
        QCOMPARE(f.state.DestEntries[1], (DestEntry{dir.file("DISK.img") + "/PADS.1BK", 1}));
        QCOMPARE(f.window.Text2->text(), QStringLiteral("2 entries"));

        // The copy is one step of the main window's undo history.
        QCOMPARE(f.window.mnuEditUndo->text(), QStringLiteral("&Undo Copy"));
        f.window.mnuEditUndo->trigger();
        QCOMPARE(f.DestNames(), std::vector<std::string>{});
        f.window.mnuEditRedo->trigger();

        // The same results dragged into the gap between the two entries: a drop there, one step.
        const std::unique_ptr<QMimeData> dragged(
            find->Results->model()->mimeData(find->Results->selectionModel()->selectedIndexes()));
        QListWidget* dest = f.window.List2;
        QVERIFY(DropAt(dest->viewport(), dest->visualItemRect(dest->item(0)).bottomLeft() + QPoint(4, -1),
                       dragged.get()));
        QTRY_COMPARE_WITH_TIMEOUT(f.DestNames().size(), std::size_t{4}, 5000);
        QCOMPARE(f.DestNames(),
                 (std::vector<std::string>{"Horn      ", "Horn      ", "Horn Pad  ", "Horn Pad  "}));
        QCOMPARE(f.state.DestEntries[2], (DestEntry{dir.file("DISK.img") + "/PADS.1BK", 1}));
        QCOMPARE(f.window.mnuEditUndo->text(), QStringLiteral("&Undo Drop"));
        f.window.mnuEditUndo->trigger();
        QCOMPARE(f.DestNames().size(), std::size_t{2});
    }
};

}  // namespace

QTEST_MAIN(FindWindowTest)
#include "find_window_test.moc"
