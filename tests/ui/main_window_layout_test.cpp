// The main window's layout, texts, menus and focus order, as a user meets them.

#include "ui_test_support.h"

#include "ui/secondary_windows.h"

#include <QAccessible>
#include <QAction>
#include <QFontDatabase>
#include <QFrame>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QtTest>

#include <cmath>

using namespace skerrow;
using namespace skerrow::test;

namespace {

QRect Px(int left, int top, int width, int height)
{
    return {left / 15, top / 15, width / 15, height / 15};
}

QWidget* Control(MainWindow& w, const QString& name)
{
    const std::vector<std::pair<const char*, QWidget*>> controls = {
        {"Panel3D1", w.Panel3D1}, {"Panel3D2", w.Panel3D2}, {"Panel3D3", w.Panel3D3},
        {"Panel3D4", w.Panel3D4}, {"Panel3D5", w.Panel3D5}, {"Panel3D6", w.Panel3D6},
        {"Panel3D7", w.Panel3D7}, {"Panel3D8", w.Panel3D8}, {"Panel3D9", w.Panel3D9},
        {"Text1", w.Text1},       {"Text2", w.Text2},       {"List1", w.List1},
        {"List2", w.List2},       {"Command1", w.Command1}, {"Command2", w.Command2},
        {"Command3", w.Command3}, {"Command4", w.Command4}, {"Command5", w.Command5},
        {"Command6", w.Command6},
    };
    for (const auto& [controlName, widget] : controls)
        if (name == QLatin1String(controlName))
            return widget;
    return nullptr;
}

}  // namespace

namespace {

// The contrast ratio as the accessibility guidelines define it, worked out here on its own.
double Contrast(const QColor& a, const QColor& b)
{
    const auto luminance = [](const QColor& c) {
        const auto linear = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// A dark desktop's colours: light text on dark faces and fields.
QPalette DarkPalette()
{
    QPalette dark(QColor(0x35, 0x35, 0x35), QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::Base, QColor(0x2a, 0x2a, 0x2a));
    dark.setColor(QPalette::Text, Qt::white);
    dark.setColor(QPalette::WindowText, Qt::white);
    dark.setColor(QPalette::ButtonText, Qt::white);
    dark.setColor(QPalette::Disabled, QPalette::Text, QColor(0x7f, 0x7f, 0x7f));
    return dark;
}

}  // namespace

class MainWindowLayoutTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Without a font every text renders as boxes and nothing else complains.
        QVERIFY(!QFontDatabase::families().isEmpty());
    }

    void controlSitsInItsPanelAtItsPlace_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("container");
        QTest::addColumn<QRect>("place");
        // Panels, relative to the client area: three columns and three rows overlapping by a pixel.
        QTest::newRow("Panel3D6") << "Panel3D6"
                                  << "" << Px(0, 0, 2295, 615);
        QTest::newRow("Panel3D4") << "Panel3D4"
                                  << "" << Px(2280, 0, 855, 615);
        QTest::newRow("Panel3D8") << "Panel3D8"
                                  << "" << Px(3120, 0, 2295, 615);
        QTest::newRow("Panel3D1") << "Panel3D1"
                                  << "" << Px(0, 600, 2295, 3375);
        QTest::newRow("Panel3D2") << "Panel3D2"
                                  << "" << Px(2280, 600, 855, 3375);
        QTest::newRow("Panel3D3") << "Panel3D3"
                                  << "" << Px(3120, 600, 2295, 3375);
        QTest::newRow("Panel3D7") << "Panel3D7"
                                  << "" << Px(0, 3960, 2295, 855);
        QTest::newRow("Panel3D5") << "Panel3D5"
                                  << "" << Px(2280, 3960, 855, 855);
        QTest::newRow("Panel3D9") << "Panel3D9"
                                  << "" << Px(3120, 3960, 2295, 855);
        // Controls, relative to their panel.
        QTest::newRow("Text1") << "Text1"
                               << "Panel3D6" << Px(120, 120, 1935, 285);
        QTest::newRow("Text2") << "Text2"
                               << "Panel3D8" << Px(120, 120, 1935, 285);
        QTest::newRow("List1") << "List1"
                               << "Panel3D1" << Px(120, 120, 1935, 2985);
        QTest::newRow("List2") << "List2"
                               << "Panel3D3" << Px(120, 120, 1935, 2985);
        QTest::newRow("Command4") << "Command4"
                                  << "Panel3D2" << Px(150, 120, 495, 495);
        QTest::newRow("Command5") << "Command5"
                                  << "Panel3D2" << Px(150, 2040, 495, 495);
        QTest::newRow("Command6") << "Command6"
                                  << "Panel3D2" << Px(150, 2640, 495, 495);
        QTest::newRow("Command3") << "Command3"
                                  << "Panel3D7" << Px(120, 120, 1935, 555);
        QTest::newRow("Command2") << "Command2"
                                  << "Panel3D9" << Px(120, 120, 555, 555);
        QTest::newRow("Command1") << "Command1"
                                  << "Panel3D9" << Px(1560, 120, 555, 555);
    }

    void controlSitsInItsPanelAtItsPlace()
    {
        QFETCH(QString, name);
        QFETCH(QString, container);
        QFETCH(QRect, place);
        WindowFixture f;
        f.window.show();
        QWidget* control = Control(f.window, name);
        QVERIFY(control);
        QWidget* expectedParent =
            container.isEmpty() ? f.window.centralWidget() : Control(f.window, container);
        QCOMPARE(control->parentWidget(), expectedParent);
        QCOMPARE(control->geometry(), place);
        QVERIFY(control->isVisible());
        if (auto* panel = qobject_cast<QFrame*>(control); panel && container.isEmpty())
            QVERIFY(panel->frameShape() != QFrame::NoFrame);
    }

    void clientAreaIsThreeHundredSixtyOneByThreeHundredTwentyOne()
    {
        WindowFixture f;
        f.window.show();
        QCOMPARE(f.window.centralWidget()->size(), QSize(361, 321));
        QCOMPARE(f.window.centralWidget()->y(), f.window.menuBar()->height());
    }

    void resizingMovesAndStretchesNothing()
    {
        WindowFixture f;
        f.window.show();
        std::vector<QRect> before;
        const QList<QWidget*> controls = f.window.centralWidget()->findChildren<QWidget*>();
        for (QWidget* c : controls)
            before.push_back(c->geometry());
        for (const QSize size : {QSize(700, 600), QSize(200, 150)}) {
            f.window.resize(size);
            QCoreApplication::processEvents();
            for (qsizetype i = 0; i < controls.size(); ++i)
                QCOMPARE(controls[i]->geometry(), before[static_cast<std::size_t>(i)]);
        }
    }

    void startsWithItsCaptionEmptyListsAndEmptyDisabledCountFields()
    {
        WindowFixture f;
        QCOMPARE(f.window.windowTitle(), QString("Skerrow (no open file)"));
        QCOMPARE(f.window.librarian().caption.Text(), std::string("Skerrow (no open file)"));
        for (QLineEdit* field : {f.window.Text1, f.window.Text2}) {
            QVERIFY(field->text().isEmpty());
            QVERIFY(!field->isEnabled());
        }
        QCOMPARE(f.window.List1->count(), 0);
        QCOMPARE(f.window.List2->count(), 0);
        QVERIFY(!f.window.windowIcon().isNull());
        QVERIFY(!f.window.isVisible());
    }

    void listsSelectManyKeepTheirOrderAndScrollOnlyUpAndDown()
    {
        WindowFixture f;
        for (QListWidget* list : {f.window.List1, f.window.List2}) {
            QCOMPARE(list->selectionMode(), QAbstractItemView::ExtendedSelection);
            QVERIFY(!list->isSortingEnabled());
            QCOMPARE(list->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
            QCOMPARE(list->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        }
        f.window.librarian().List2.AddItem("Zeta");
        f.window.librarian().List2.AddItem("Alpha");
        QCOMPARE(f.window.List2->item(0)->text(), QString("Zeta"));
    }

    void everyControlShowsTheBoldWindowFont()
    {
        WindowFixture f;
        for (QWidget* w : {static_cast<QWidget*>(f.window.List1), static_cast<QWidget*>(f.window.List2),
                           static_cast<QWidget*>(f.window.Text1), static_cast<QWidget*>(f.window.Text2)}) {
            QCOMPARE(w->font().weight(), QFont::Bold);
            QCOMPARE(w->font().pointSizeF(), 8.25);
        }
    }

    void buttonShowsAPictureNoTextAndItsToolTip_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("toolTip");
        QTest::newRow("Command1") << "Command1"
                                  << "Delete Selected Patches";
        QTest::newRow("Command2") << "Command2"
                                  << "Sort Patches";
        QTest::newRow("Command3") << "Command3"
                                  << "Show About Screen";
        QTest::newRow("Command4") << "Command4"
                                  << "Copy Selected Patches to the Right";
        QTest::newRow("Command5") << "Command5"
                                  << "Move Selected Patches Up";
        QTest::newRow("Command6") << "Command6"
                                  << "Move Selected Patches Down";
    }

    void buttonShowsAPictureNoTextAndItsToolTip()
    {
        QFETCH(QString, name);
        QFETCH(QString, toolTip);
        WindowFixture f;
        auto* button = qobject_cast<QPushButton*>(Control(f.window, name));
        QVERIFY(button);
        QVERIFY(button->text().isEmpty());
        QCOMPARE(button->toolTip(), toolTip);
        QVERIFY(!button->icon().isNull());
        QVERIFY(!button->icon().pixmap(button->iconSize()).isNull());
        // A picture says nothing to a screen reader: the button is announced by its tool tip.
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(button);
        QVERIFY(accessible);
        QCOMPARE(accessible->text(QAccessible::Name), toolTip);
    }

    // What a screen reader announces for a control without a caption, read through Qt's
    // accessibility interface (the buttons say their tool tips, above).
    void controlHasAnAccessibleName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("spoken");
        QTest::newRow("List1") << "List1"
                               << "Source voices";
        QTest::newRow("List2") << "List2"
                               << "Destination voices";
        QTest::newRow("Text1") << "Text1"
                               << "Source voice count";
        QTest::newRow("Text2") << "Text2"
                               << "Destination voice count";
    }

    void controlHasAnAccessibleName()
    {
        QFETCH(QString, name);
        QFETCH(QString, spoken);
        WindowFixture f;
        f.window.show();
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(Control(f.window, name));
        QVERIFY(accessible);
        QCOMPARE(accessible->text(QAccessible::Name), spoken);
    }

    void menuTitlesAndItemsShareTheMenuFont()
    {
        WindowFixture f;
        const QFont menuFont = QApplication::font("QMenu");
        for (QWidget* menu :
             {static_cast<QWidget*>(f.window.menuBar()), static_cast<QWidget*>(f.window.mnuFile),
              static_cast<QWidget*>(f.window.mnuEdit), static_cast<QWidget*>(f.window.mnuHelp)}) {
            QCOMPARE(menu->font().weight(), menuFont.weight());
            QCOMPARE(menu->font().pointSizeF(), menuFont.pointSizeF());
            QCOMPARE(menu->font().family(), menuFont.family());
        }
    }

    // Only the Edit menu's items have shortcut keys.
    void menusCarryTheirCaptionsSeparatorsAndShortcuts()
    {
        WindowFixture f;
        const QList<QAction*> bar = f.window.menuBar()->actions();
        QCOMPARE(bar.size(), 3);
        QCOMPARE(bar[0]->text(), QString("&File"));
        QCOMPARE(bar[1]->text(), QString("&Edit"));
        QCOMPARE(bar[2]->text(), QString("&Help"));

        auto texts = [](QMenu* menu) {
            QStringList out;
            for (QAction* action : menu->actions()) {
                out << (action->isSeparator() ? QString("-") : action->text());
                for (const QKeySequence& shortcut : action->shortcuts())
                    out << "shortcut:" + shortcut.toString();
            }
            return out;
        };
        QCOMPARE(texts(f.window.mnuFile),
                 QStringList({"&New...", "&Open...", "&Find voices...", "&Save as...",
                              "Save to disk &image...", "-", "E&xit"}));
        QCOMPARE(texts(f.window.mnuEdit), QStringList({"&Undo", "shortcut:Ctrl+Z", "&Redo",
                                                       "shortcut:Ctrl+Shift+Z", "shortcut:Ctrl+Y"}));
        QCOMPARE(texts(f.window.mnuHelp),
                 QStringList({"&Help...", "&Manual...", "&If you like this program...", "-", "&About..."}));
        QCOMPARE(f.window.mnuFileNew->text(), QString("&New..."));
        QVERIFY(f.window.mnuSep->isSeparator());
    }

    // The logo's word on the About button and "Click to continue" read in light and dark colours
    // alike, also after the desktop's colours changed under an open window.
    void logoWordAndClickToContinueReadInAnyPalette_data()
    {
        QTest::addColumn<bool>("darkAtStart");
        QTest::addColumn<bool>("darkLater");
        QTest::newRow("light") << false << false;
        QTest::newRow("dark") << true << true;
        QTest::newRow("turned dark") << false << true;
    }

    void logoWordAndClickToContinueReadInAnyPalette()
    {
        QFETCH(bool, darkAtStart);
        QFETCH(bool, darkLater);
        const QPalette light = QApplication::style()->standardPalette();
        QApplication::setPalette(darkAtStart ? DarkPalette() : light);
        {
            WindowFixture f;
            f.window.show();
            QApplication::setPalette(darkLater ? DarkPalette() : light);
            QCoreApplication::processEvents();
            const QColor face = f.window.Command3->palette().color(QPalette::Button);
            QCOMPARE(face, QApplication::palette().color(QPalette::Button));
            // The word lies right of the picture: its inked pixel farthest from the face.
            const QImage logo = f.window.Command3->icon().pixmap(QSize(126, 37)).toImage();
            double word = 1;
            for (int y = 0; y < logo.height(); ++y)
                for (int x = logo.width() * 40 / 126; x < logo.width(); ++x)
                    if (logo.pixelColor(x, y).alpha() == 255)
                        word = std::max(word, Contrast(logo.pixelColor(x, y), face));
            QVERIFY2(word >= 4.5, qPrintable(QString::number(word)));

            frmAbout about(&f.window);
            const QPalette& field = about.Text1->palette();
            const double click = Contrast(field.color(QPalette::Disabled, QPalette::Text),
                                          field.color(QPalette::Disabled, QPalette::Base));
            QVERIFY2(click >= 4.5, qPrintable(QString::number(click)));
        }
        QApplication::setPalette(light);
    }

    void altFOpensTheFileMenu()
    {
        WindowFixture f;
        f.window.show();
        QVERIFY(QTest::qWaitForWindowActive(&f.window));
        QTest::keyClick(&f.window, Qt::Key_F, Qt::AltModifier);
        QTRY_VERIFY(f.window.mnuFile->isVisible());
        f.window.mnuFile->close();
    }

    void tabMovesFromTheListsThroughTheButtonsInOrder()
    {
        WindowFixture f;
        f.window.show();
        QVERIFY(QTest::qWaitForWindowActive(&f.window));
        f.window.List1->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(f.window.List1));
        const std::vector<QWidget*> expected = {f.window.List2,    f.window.Command1, f.window.Command2,
                                                f.window.Command3, f.window.Command4, f.window.Command5,
                                                f.window.Command6, f.window.List1};
        for (QWidget* next : expected) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
    }
};

QTEST_MAIN(MainWindowLayoutTest)
#include "main_window_layout_test.moc"
