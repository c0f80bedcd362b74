// The list and text adapters hand the logic back exactly the bytes it gave them.

#include "ui/qt_views.h"

#include <QLineEdit>
#include <QListWidget>
#include <QtTest>

using namespace skerrow;

class QtViewsTest : public QObject {
    Q_OBJECT

private slots:
    void everyByteOfANameComesBackUnchanged()
    {
        QListWidget list;
        QtListView view(list);
        for (int first = 0; first < 256; first += 8) {
            std::string name;
            for (int b = first; b < first + 8; ++b)
                name += static_cast<char>(b);
            name += "AB";
            view.AddItem(name);
            QCOMPARE(view.Text(view.Count() - 1), name);
        }
        const std::string high("\xFF\xFE\x80\x00\x7F", 5);
        view.SetText(3, high);
        QCOMPARE(view.Text(3), high);
    }

    void currentItemIsNoneUntilOneIsCurrent()
    {
        QListWidget list;
        QtListView view(list);
        QCOMPARE(view.CurrentItem(), std::nullopt);
        view.AddItem("A");
        view.AddItem("B");
        list.setCurrentRow(-1);
        QCOMPARE(view.CurrentItem(), std::nullopt);
        list.setCurrentRow(1);
        QCOMPARE(view.CurrentItem(), std::optional<int>(1));
        view.Clear();
        QCOMPARE(view.Count(), 0);
        QCOMPARE(view.CurrentItem(), std::nullopt);
    }

    void theCurrentItemSetIsBroughtIntoViewAndTheSelectionKept()
    {
        QListWidget list;
        list.setSelectionMode(QAbstractItemView::ExtendedSelection);
        list.resize(160, 120);
        QtListView view(list);
        for (int k = 0; k < 300; ++k)
            view.AddItem(std::to_string(k));
        view.SetSelected(3, true);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        view.SetCurrentItem(250);
        QCOMPARE(view.CurrentItem(), std::optional<int>(250));
        QVERIFY(list.viewport()->rect().intersects(list.visualItemRect(list.item(250))));
        QVERIFY(view.Selected(3));
        QVERIFY(!view.Selected(250));
        view.SetCurrentItem(std::nullopt);
        QCOMPARE(view.CurrentItem(), std::nullopt);
        QVERIFY(view.Selected(3));
    }

    void removingAnItemMovesTheOthersUpWithTheirSelection()
    {
        QListWidget list;
        list.setSelectionMode(QAbstractItemView::ExtendedSelection);
        QtListView view(list);
        for (const char* name : {"A", "B", "C", "D"})
            view.AddItem(name);
        view.SetSelected(2, true);
        view.SetSelected(3, true);
        view.SetSelected(3, false);
        view.RemoveItem(0);
        QCOMPARE(view.Count(), 3);
        QCOMPARE(view.Text(1), std::string("C"));
        QVERIFY(view.Selected(1));
        QVERIFY(!view.Selected(0));
        QVERIFY(!view.Selected(2));
    }

    void indicesOutsideTheListAreHarmless()
    {
        QListWidget list;
        QtListView view(list);
        view.AddItem("A");
        QCOMPARE(view.Text(5), std::string());
        QVERIFY(!view.Selected(-1));
        view.SetSelected(7, true);
        view.SetText(7, "X");
        view.RemoveItem(7);
        QCOMPARE(view.Count(), 1);
    }

    void countFieldsAndCaptionShowTheirTexts()
    {
        QLineEdit edit;
        QtLineEditView field(edit);
        field.SetText("128 entries");
        QCOMPARE(edit.text(), QString("128 entries"));
        QCOMPARE(field.Text(), std::string("128 entries"));

        QWidget window;
        QtCaptionView caption(window);
        caption.SetText("Skerrow (BR\xC3\x84SS.1BK)");
        QCOMPARE(window.windowTitle(), QString::fromUtf8("Skerrow (BR\xC3\x84SS.1BK)"));
        QCOMPARE(caption.Text(), std::string("Skerrow (BR\xC3\x84SS.1BK)"));
    }
};

QTEST_MAIN(QtViewsTest)
#include "qt_views_test.moc"
