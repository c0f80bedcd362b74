// The Find voices window from the keyboard: scan a folder, type part of a name, select, Enter.

#include "ui_test_support.h"
#include "voice_file_builder.h"

#include "diskimage/fat_image.h"
#include "ui/find_window.h"

#include <QAction>
#include <QHeaderView>
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
    }
};

}  // namespace

QTEST_MAIN(FindWindowTest)
#include "find_window_test.moc"
