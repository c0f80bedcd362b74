#include "ui/fonts.h"
#include "ui/progress_windows.h"
#include "ui/secondary_windows.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

using namespace skerrow;

namespace {

enum class Kind { About, Like, Manual, SortProgress, FileProgress };

std::unique_ptr<QDialog> Create(Kind kind, QWidget* parent = nullptr)
{
    switch (kind) {
    case Kind::About:
        return std::make_unique<frmAbout>(parent);
    case Kind::Like:
        return std::make_unique<frmLike>(parent);
    case Kind::Manual:
        return std::make_unique<frmManual>(parent);
    case Kind::SortProgress:
        return std::make_unique<frmSortProgress>(parent);
    case Kind::FileProgress:
        return std::make_unique<frmFileProgress>(parent);
    }
    return nullptr;
}

// Runs check on the modal window once show has opened it, then closes it the way a user would.
void WhileModal(const std::function<void()>& show, const std::function<void(QDialog&)>& check)
{
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* window = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (window) {
            seen = true;
            check(*window);
            window->close();
        }
    });
    show();
    QVERIFY2(seen, "no modal window was shown");
}

// A left click at pos (window coordinates), delivered to the child under it as the platform would.
void ClickAt(QWidget& window, QPoint pos)
{
    QWidget* target = window.childAt(pos);
    if (!target) {
        target = &window;
    }
    QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, target->mapFrom(&window, pos));
}

}  // namespace

Q_DECLARE_METATYPE(Kind)

class SecondaryWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void framesMatchTheLayout_data();
    void framesMatchTheLayout();
    void controlsSitWhereTheLayoutPutsThem_data();
    void controlsSitWhereTheLayoutPutsThem();
    void fontsAskForTheClassicFacesAndFallBack();
    void windowsUseTheirFonts();
    void windowsAreCentred_data();
    void windowsAreCentred();
    void fixedGroundsKeepTheirContentsReadableOnADarkDesktop();

    void aboutHasSevenLinesRebuiltOnEveryShow();
    void showingAWindowIsModalAndDiscardsIt_data();
    void showingAWindowIsModalAndDiscardsIt();
    void aboutClosesOnAClickOnItsControlsOnly_data();
    void aboutClosesOnAClickOnItsControlsOnly();
    void likeClosesOnAClickAnywhere_data();
    void likeClosesOnAClickAnywhere();
    void likeRequestHasTheLinesOfTheLayout();

    void manualIsReadOnlySelectableAndCopyable();
    void manualTextHasCrLfLinesAndItsSectionsInOrder();
    void manualFieldKeepsItsSizeWhenTheWindowIsResized();
    void escapeClosesNoWindow_data();
    void escapeClosesNoWindow();
    void progressBarsRunFromZeroToHundredUntilSet();
};

void SecondaryWindowsTest::initTestCase()
{
    // Without fonts every text renders as boxes and nothing else complains.
    QVERIFY2(!QFontDatabase::families().isEmpty(), "no fonts installed (fonts-dejavu-core)");
}

void SecondaryWindowsTest::framesMatchTheLayout_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QSize>("client");
    QTest::addColumn<bool>("sizable");
    QTest::addColumn<bool>("closeBox");

    QTest::newRow("About") << Kind::About << "About" << QSize(505, 264) << false << true;
    QTest::newRow("Like") << Kind::Like << "If you like this program" << QSize(259, 162) << false << true;
    QTest::newRow("Manual") << Kind::Manual << "Manual" << QSize(546, 418) << true << true;
    QTest::newRow("Sort") << Kind::SortProgress << "Sort Progress" << QSize(320, 55) << false << false;
    QTest::newRow("File") << Kind::FileProgress << "File Save Progress" << QSize(338, 115) << false << false;
}

void SecondaryWindowsTest::framesMatchTheLayout()
{
    QFETCH(Kind, kind);
    QFETCH(QString, caption);
    QFETCH(QSize, client);
    QFETCH(bool, sizable);
    QFETCH(bool, closeBox);

    const auto window = Create(kind);
    window->show();
    QCOMPARE(window->windowTitle(), caption);
    QCOMPARE(window->size(), client);

    const Qt::WindowFlags flags = window->windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowTitleHint));
    QCOMPARE(flags.testFlag(Qt::WindowMinimizeButtonHint), sizable);
    QCOMPARE(flags.testFlag(Qt::WindowMaximizeButtonHint), sizable);
    QCOMPARE(flags.testFlag(Qt::WindowCloseButtonHint), closeBox);
    QCOMPARE(window->minimumSize() == window->maximumSize(), !sizable);
    if (sizable) {
        window->resize(client + QSize(100, 50));
        QCOMPARE(window->size(), client + QSize(100, 50));
    }
}

void SecondaryWindowsTest::controlsSitWhereTheLayoutPutsThem_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QRect>("geometry");

    // Twips divided by 15, relative to the client area or to the containing panel.
    QTest::newRow("About Image1") << Kind::About << "Image1" << QRect(0, 0, 499, 144);
    QTest::newRow("About Text1") << Kind::About << "Text1" << QRect(184, 128, 137, 17);
    QTest::newRow("About lblAbout") << Kind::About << "lblAbout" << QRect(8, 152, 489, 105);
    QTest::newRow("Like Picture1") << Kind::Like << "Picture1" << QRect(0, 0, 129, 41);
    QTest::newRow("Like Text1") << Kind::Like << "Text1" << QRect(0, 40, 257, 121);
    QTest::newRow("Manual Text1") << Kind::Manual << "Text1" << QRect(0, 0, 545, 417);
    QTest::newRow("Sort Panel3D1") << Kind::SortProgress << "Panel3D1" << QRect(0, 0, 321, 57);
    QTest::newRow("Sort ProgressBar1") << Kind::SortProgress << "ProgressBar1" << QRect(16, 16, 289, 25);
    QTest::newRow("File Panel3D1") << Kind::FileProgress << "Panel3D1" << QRect(0, 0, 337, 113);
    QTest::newRow("File Label1") << Kind::FileProgress << "Label1" << QRect(24, 24, 289, 17);
    QTest::newRow("File ProgressBar1") << Kind::FileProgress << "ProgressBar1" << QRect(24, 64, 289, 25);
}

void SecondaryWindowsTest::controlsSitWhereTheLayoutPutsThem()
{
    QFETCH(Kind, kind);
    QFETCH(QString, control);
    QFETCH(QRect, geometry);

    const auto window = Create(kind);
    window->show();
    auto* widget = window->findChild<QWidget*>(control);
    QVERIFY(widget);
    QCOMPARE(widget->geometry(), geometry);
    QVERIFY(widget->isVisible());
}

void SecondaryWindowsTest::fontsAskForTheClassicFacesAndFallBack()
{
    const QFont sans = SkerrowFont();
    QCOMPARE(sans.families().value(0), QStringLiteral("MS Sans Serif"));
    QCOMPARE(sans.pointSizeF(), 8.25);
    QCOMPARE(sans.weight(), QFont::Bold);
    const QFontInfo sansFace(sans);
    QVERIFY2(!sansFace.family().isEmpty(), "no face found for the sans-serif font");
    QVERIFY2(!sansFace.fixedPitch(), qPrintable(sansFace.family()));
    QCOMPARE(sansFace.bold(), true);

    const QFont regular = SkerrowFont(9.75, false);
    QCOMPARE(regular.pointSizeF(), 9.75);
    QCOMPARE(regular.weight(), QFont::Normal);
    QCOMPARE(QFontInfo(regular).bold(), false);

    const QFont fixed = SkerrowFixedFont();
    QCOMPARE(fixed.families().value(0), QStringLiteral("Courier New"));
    QCOMPARE(fixed.pointSizeF(), 9.75);
    QCOMPARE(fixed.weight(), QFont::Normal);
    // Where it is missing, the desktop's own fixed-pitch face, which is fixed on any machine.
    QCOMPARE(fixed.families().value(1), QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
    // Fixed pitch in fact, whatever the face says of itself: the manual's rulings line up only then.
    const QFontMetrics metrics(fixed);
    QCOMPARE(metrics.horizontalAdvance(QStringLiteral("iiiiiiiiii")),
             metrics.horizontalAdvance(QStringLiteral("WWWWWWWWWW")));
}

void SecondaryWindowsTest::windowsUseTheirFonts()
{
    frmAbout about;
    for (QWidget* widget : {static_cast<QWidget*>(about.lblAbout), static_cast<QWidget*>(about.Text1)}) {
        QCOMPARE(widget->font().pointSizeF(), 8.25);
        QCOMPARE(widget->font().weight(), QFont::Bold);
        QCOMPARE(widget->font().families().value(0), QStringLiteral("MS Sans Serif"));
    }

    frmLike like;
    QCOMPARE(like.Text1->font().pointSizeF(), 9.75);
    QCOMPARE(like.Text1->font().weight(), QFont::Normal);
    QCOMPARE(like.Text1->font().families().value(0), QStringLiteral("MS Sans Serif"));

    frmManual manual;
    QCOMPARE(manual.Text1->font().pointSizeF(), 9.75);
    QCOMPARE(manual.Text1->font().families().value(0), QStringLiteral("Courier New"));
    const QFontMetrics manualMetrics(manual.Text1->font());
    QCOMPARE(manualMetrics.horizontalAdvance(QStringLiteral("iiiii")),
             manualMetrics.horizontalAdvance(QStringLiteral("=====")));

    frmFileProgress progress;
    QCOMPARE(progress.Label1->font().pointSizeF(), 8.25);
    QCOMPARE(progress.Label1->font().weight(), QFont::Bold);
}

void SecondaryWindowsTest::windowsAreCentred_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<bool>("overParent");

    QTest::newRow("About on the screen") << Kind::About << false;
    QTest::newRow("Manual on the screen") << Kind::Manual << false;
    QTest::newRow("Like over the main window") << Kind::Like << true;
    QTest::newRow("Sort over the main window") << Kind::SortProgress << true;
    QTest::newRow("File over the main window") << Kind::FileProgress << true;
}

void SecondaryWindowsTest::windowsAreCentred()
{
    QFETCH(Kind, kind);
    QFETCH(bool, overParent);

    // A main window well away from the screen's centre, so that the two kinds of centring differ.
    QWidget mainWindow;
    mainWindow.setGeometry(10, 20, 361, 321);
    mainWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));

    const auto window = Create(kind, &mainWindow);
    window->show();
    const QPoint expected =
        overParent ? mainWindow.frameGeometry().center() : mainWindow.screen()->availableGeometry().center();
    const QPoint actual = window->frameGeometry().center();
    QVERIFY2((actual - expected).manhattanLength() <= 2,
             qPrintable(QStringLiteral("centre %1,%2, expected %3,%4")
                            .arg(actual.x())
                            .arg(actual.y())
                            .arg(expected.x())
                            .arg(expected.y())));
}

void SecondaryWindowsTest::fixedGroundsKeepTheirContentsReadableOnADarkDesktop()
{
    const QPalette light = QApplication::palette();
    QPalette dark = light;
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button})
        dark.setColor(role, QColor(0x20, 0x20, 0x20));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(role, QColor(0xe0, 0xe0, 0xe0));
    QApplication::setPalette(dark);
    frmAbout about;
    frmLike like;
    QApplication::setPalette(light);

    const auto lightness = [](QWidget* widget, QPalette::ColorRole role) {
        return widget->palette().color(role).lightness();
    };
    // The label's white ground comes with dark text.
    QCOMPARE(lightness(about.lblAbout, QPalette::Window), 255);
    QVERIFY(lightness(about.lblAbout, QPalette::WindowText) < 100);
    // The logo is dark: its box gets a light ground.
    QVERIFY(like.Picture1->autoFillBackground());
    QVERIFY(lightness(like.Picture1, QPalette::Window) > 200);
}

void SecondaryWindowsTest::aboutHasSevenLinesRebuiltOnEveryShow()
{
    QStringList shown;
    const auto recordAndSpoil = [&](QDialog& window) {
        auto* label = window.findChild<QLabel*>(QStringLiteral("lblAbout"));
        QVERIFY(label);
        shown << label->text();
        label->setText(QStringLiteral("left over from the last show"));
    };
    WhileModal([] { ShowAboutWindow(nullptr); }, recordAndSpoil);
    WhileModal([] { ShowAboutWindow(nullptr); }, recordAndSpoil);

    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown.at(1), shown.at(0));
    QCOMPARE(shown.at(0), frmAbout::AboutText());

    const QString text = shown.at(0);
    QVERIFY2(!text.contains(QLatin1Char('\r')), "lines are joined by line feeds alone");
    const QStringList lines = text.split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 7);
    QVERIFY(lines.at(0).startsWith(QStringLiteral("Skerrow")));
    QVERIFY(lines.at(0).contains(QRegularExpression(QStringLiteral("\\b(19|20)\\d\\d\\b"))));
    QVERIFY(lines.at(0).contains(QStringLiteral("the Skerrow developers")));
    QCOMPARE(lines.at(2), QStringLiteral("version 1.1"));
    QVERIFY(lines.at(4).contains(QStringLiteral("the Skerrow developers")));
    QVERIFY(lines.at(6).contains(QStringLiteral("README")));
    for (int empty : {1, 3, 5}) {
        QVERIFY2(lines.at(empty).isEmpty(), qPrintable(QString::number(empty + 1)));
    }
    QVERIFY(!text.contains(QLatin1Char('@')));
}

void SecondaryWindowsTest::showingAWindowIsModalAndDiscardsIt_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QString>("caption");
    QTest::newRow("About") << 0 << "About";
    QTest::newRow("Like") << 1 << "If you like this program";
    QTest::newRow("Manual") << 2 << "Manual";
}

void SecondaryWindowsTest::showingAWindowIsModalAndDiscardsIt()
{
    QFETCH(int, which);
    QFETCH(QString, caption);

    QWidget mainWindow;
    mainWindow.resize(361, 321);
    mainWindow.show();
    QPointer<QDialog> shown;
    const std::function<void()> show[] = {
        [&] { ShowAboutWindow(&mainWindow); },
        [&] { ShowLikeWindow(&mainWindow); },
        [&] { ShowManualWindow(&mainWindow); },
    };
    WhileModal(show[which], [&](QDialog& window) {
        shown = &window;
        QCOMPARE(window.windowTitle(), caption);
        QVERIFY(window.isModal());
        QVERIFY(window.isVisible());
    });
    QVERIFY2(shown.isNull(), "the closed window was kept");
    QVERIFY(mainWindow.findChildren<QDialog*>().isEmpty());
}

void SecondaryWindowsTest::aboutClosesOnAClickOnItsControlsOnly_data()
{
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<bool>("closes");

    QTest::newRow("logo") << QPoint(40, 40) << true;
    QTest::newRow("logo beside the field") << QPoint(150, 135) << true;
    QTest::newRow("Click to continue (disabled)") << QPoint(252, 136) << true;
    QTest::newRow("text lines") << QPoint(250, 200) << true;
    QTest::newRow("empty part of the label") << QPoint(20, 250) << true;
    QTest::newRow("background right of the logo") << QPoint(502, 60) << false;
    QTest::newRow("background between logo and label") << QPoint(100, 148) << false;
    QTest::newRow("background left of the label") << QPoint(3, 200) << false;
    QTest::newRow("background below the label") << QPoint(250, 261) << false;
}

void SecondaryWindowsTest::aboutClosesOnAClickOnItsControlsOnly()
{
    QFETCH(QPoint, pos);
    QFETCH(bool, closes);

    frmAbout window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.Text1->isEnabled(), false);
    QCOMPARE(window.Text1->text(), QStringLiteral("Click to continue"));
    QCOMPARE(window.Text1->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);

    ClickAt(window, pos);
    QCOMPARE(window.isVisible(), !closes);
}

void SecondaryWindowsTest::likeClosesOnAClickAnywhere_data()
{
    QTest::addColumn<QPoint>("pos");
    QTest::newRow("background") << QPoint(200, 20);
    QTest::newRow("picture") << QPoint(30, 20);
    QTest::newRow("text") << QPoint(120, 90);
    QTest::newRow("text field's border") << QPoint(0, 100);
}

void SecondaryWindowsTest::likeClosesOnAClickAnywhere()
{
    QFETCH(QPoint, pos);

    frmLike window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    ClickAt(window, pos);
    QVERIFY(!window.isVisible());
}

void SecondaryWindowsTest::likeRequestHasTheLinesOfTheLayout()
{
    const QString text = frmLike::RequestText();
    QVERIFY(!text.contains(QRegularExpression(QStringLiteral("\r(?!\n)|(?<!\r)\n"))));
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 7);
    QVERIFY(lines.at(3).isEmpty());
    for (int i : {0, 1, 2, 4, 5, 6}) {
        QVERIFY(!lines.at(i).isEmpty());
    }
    QVERIFY(text.contains(QStringLiteral("README")));
    QVERIFY(!text.contains(QLatin1Char('@')));

    frmLike window;
    QCOMPARE(window.Text1->toPlainText(), lines.join(QLatin1Char('\n')));
    QVERIFY(window.Text1->isReadOnly());
}

void SecondaryWindowsTest::manualIsReadOnlySelectableAndCopyable()
{
    frmManual window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QPlainTextEdit& text = *window.Text1;
    const QString before = text.toPlainText();
    QVERIFY(text.isReadOnly());
    QVERIFY(text.textInteractionFlags().testFlag(Qt::TextSelectableByMouse));
    QVERIFY(text.textInteractionFlags().testFlag(Qt::TextSelectableByKeyboard));
    QCOMPARE(text.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

    text.setFocus();
    QTest::keyClicks(&text, QStringLiteral("typed"));
    QTest::keyClick(&text, Qt::Key_Delete);
    QTest::keyClick(&text, Qt::Key_Backspace);
    QCOMPARE(text.toPlainText(), before);

    // Opened at the top, and it can be scrolled to the end.
    QCOMPARE(text.verticalScrollBar()->value(), 0);
    QVERIFY(text.verticalScrollBar()->maximum() > 0);
    QTest::keyClick(&text, Qt::Key_End, Qt::ControlModifier);
    // Where the last line stops short of the bottom edge depends on the face's line height, so
    // the scroll bar may end a step short of its maximum: what counts is that the end is in view.
    QVERIFY(text.textCursor().atEnd());
    QVERIFY(text.viewport()->rect().contains(text.cursorRect()));

    // Shift+Up selects from the keyboard; Ctrl+C copies the selection.
    QTest::keyClick(&text, Qt::Key_Home, Qt::ControlModifier);
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(&text, Qt::Key_Down, Qt::ShiftModifier);
    }
    const QString selected = text.textCursor().selectedText();
    QVERIFY(!selected.isEmpty());
    QApplication::clipboard()->clear();
    QTest::keyClick(&text, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QString(selected).replace(QChar::ParagraphSeparator, '\n'));

    // A drag with the mouse selects too (started outside the selection, or it would drag that).
    text.moveCursor(QTextCursor::End);
    QVERIFY(!text.textCursor().hasSelection());
    QTest::mousePress(text.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QMouseEvent drag(QEvent::MouseMove, QPointF(200, 60), text.viewport()->mapToGlobal(QPointF(200, 60)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(text.viewport(), &drag);
    QTest::mouseRelease(text.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(200, 60));
    QVERIFY(text.textCursor().hasSelection());
    QVERIFY(window.isVisible());
}

void SecondaryWindowsTest::manualTextHasCrLfLinesAndItsSectionsInOrder()
{
    const QString manual = frmManual::ManualText();
    QVERIFY2(manual.size() > 8000 && manual.size() < 11000, qPrintable(QString::number(manual.size())));
    QVERIFY2(!manual.contains(QRegularExpression(QStringLiteral("\r(?!\n)|(?<!\r)\n"))),
             "every line ends in CR LF");
    QVERIFY(manual.endsWith(QStringLiteral("\r\n")));
    QVERIFY2(!manual.contains(QRegularExpression(QStringLiteral("[^\\x0a\\x0d\\x20-\\x7e]"))),
             "printable ASCII only, for a fixed-pitch face");

    frmManual window;
    QString shown = manual;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QCOMPARE(window.Text1->toPlainText(), shown);

    const QStringList lines = manual.split(QStringLiteral("\r\n"));
    for (const QString& line : lines) {
        QVERIFY2(line.size() <= 64, qPrintable(line));
    }
    QVERIFY(lines.mid(0, 12).join(' ').contains(QStringLiteral("Skerrow")));
    QVERIFY(lines.mid(0, 12).join(' ').contains(QStringLiteral("Version 1.1")));

    // Every section heading is ruled with "=" and every subsection underlined with "-", each
    // ruling as long as its heading, and they come in this order.
    const QStringList headings = {
        QStringLiteral("1.0"), QStringLiteral("2.0"), QStringLiteral("3.0"), QStringLiteral("4.0"),
        QStringLiteral("4.1"), QStringLiteral("4.2"), QStringLiteral("4.3"), QStringLiteral("4.4"),
        QStringLiteral("4.5"), QStringLiteral("5.0"),
    };
    int next = 0;
    for (int i = 0; i + 1 < lines.size(); ++i) {
        const QString& line = lines.at(i);
        if (next < headings.size() && line.startsWith(headings.at(next) + QLatin1Char(' '))) {
            const QChar rule = headings.at(next).endsWith(QStringLiteral(".0")) ? '=' : '-';
            QCOMPARE(lines.at(i + 1), QString(line.size(), rule));
            ++next;
        }
    }
    QCOMPARE(next, headings.size());

    for (const char* phrase : {"untitled", "Shift", "FILECARD", "TRASH", "Save as", "8 characters",
                               "the Skerrow developers", "ABSOLUTELY NO WARRANTY", "README"}) {
        QVERIFY2(manual.contains(QLatin1String(phrase)), phrase);
    }
}

void SecondaryWindowsTest::manualFieldKeepsItsSizeWhenTheWindowIsResized()
{
    frmManual window;
    window.show();
    const QRect field = window.Text1->geometry();
    for (const QSize size : {QSize(800, 600), QSize(300, 200), QSize(546, 418)}) {
        window.resize(size);
        QCOMPARE(window.size(), size);
        QCOMPARE(window.Text1->geometry(), field);
    }
}

void SecondaryWindowsTest::escapeClosesNoWindow_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::newRow("About") << Kind::About;
    QTest::newRow("Like") << Kind::Like;
    QTest::newRow("Manual") << Kind::Manual;
    QTest::newRow("Sort") << Kind::SortProgress;
    QTest::newRow("File") << Kind::FileProgress;
}

void SecondaryWindowsTest::escapeClosesNoWindow()
{
    QFETCH(Kind, kind);
    const auto window = Create(kind);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QWidget* focus = window->focusWidget() ? window->focusWidget() : window.get();
    QTest::keyClick(focus, Qt::Key_Escape);
    QVERIFY(window->isVisible());
}

void SecondaryWindowsTest::progressBarsRunFromZeroToHundredUntilSet()
{
    frmSortProgress sort;
    frmFileProgress file;
    for (QProgressBar* bar : {sort.ProgressBar1, file.ProgressBar1}) {
        QCOMPARE(bar->minimum(), 0);
        QCOMPARE(bar->maximum(), 100);
        QCOMPARE(bar->orientation(), Qt::Horizontal);
    }
    QVERIFY(file.Label1->text().isEmpty());
    QCOMPARE(file.Label1->parentWidget(), file.Panel3D1);
    QCOMPARE(file.ProgressBar1->parentWidget(), file.Panel3D1);
    QVERIFY(sort.Panel3D1->frameShape() != QFrame::NoFrame);
    QVERIFY(file.Panel3D1->frameShape() != QFrame::NoFrame);
}

QTEST_MAIN(SecondaryWindowsTest)
#include "secondary_windows_test.moc"
