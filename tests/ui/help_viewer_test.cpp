#include "ui/help_viewer.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSet>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>

#include <memory>

using namespace skerrow;

namespace {

QList<QWidget*> VisibleWindows()
{
    QList<QWidget*> windows;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible()) {
            windows << widget;
        }
    }
    return windows;
}

QTextBrowser* OpenViewer(QWidget& parent)
{
    for (QWidget* window : VisibleWindows()) {
        if (window->parentWidget() == &parent) {
            return window->findChild<QTextBrowser*>();
        }
    }
    return nullptr;
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The help file as the program finds it: beside the built programs.
QString InstalledHelpFile()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/Skerrow.hlp");
}

QByteArray LongPage()
{
    QByteArray html = "<html><body><h1><a name=\"top\">Guide</a></h1><p><a href=\"#end\">to the end</a></p>";
    for (int i = 0; i < 200; ++i) {
        html += "<p>Paragraph " + QByteArray::number(i) + "</p>";
    }
    return html + "<h2><a name=\"end\">The end</a></h2></body></html>";
}

}  // namespace

class HelpViewerTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void missingOrUnusableFileShowsNothing_data();
    void missingOrUnusableFileShowsNothing();
    void fileIsShownAsRichTextFromItsTop();
    void aSecondRequestReusesTheViewerAndStartsAtTheTopAgain();
    void contentsLinksLeadToTheirSections();
    void helpFileLinksToEverySectionItNames();
    void helpFileDescribesEveryMenuItemAndButton();

private:
    QString WriteLongPage();
    QTextBrowser* Show(const QString& path);

    std::unique_ptr<QTemporaryDir> m_folder;
    QWidget* m_mainWindow = nullptr;
};

void HelpViewerTest::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
    m_mainWindow = new QWidget;
    m_mainWindow->setWindowTitle(QStringLiteral("Skerrow (no open file)"));
    m_mainWindow->resize(361, 321);
    m_mainWindow->show();
}

void HelpViewerTest::cleanup()
{
    delete m_mainWindow;
    m_mainWindow = nullptr;
    m_folder.reset();
}

// A long help page in the test's folder; empty when it could not be written.
QString HelpViewerTest::WriteLongPage()
{
    const QString path = m_folder->filePath(QStringLiteral("Skerrow.hlp"));
    return WriteFile(path, LongPage()) ? path : QString();
}

// Shows path in the viewer and returns the viewer's text once its window is on screen.
QTextBrowser* HelpViewerTest::Show(const QString& path)
{
    ShowHelpViewer(path, m_mainWindow);
    QTextBrowser* browser = OpenViewer(*m_mainWindow);
    return browser && QTest::qWaitForWindowExposed(browser->window()) ? browser : nullptr;
}

void HelpViewerTest::missingOrUnusableFileShowsNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("kind");
    QTest::newRow("no such file") << "Skerrow.hlp" << 0;
    QTest::newRow("a folder where the file should be") << "Skerrow.hlp" << 1;
    QTest::newRow("an empty file") << "Skerrow.hlp" << 2;
    QTest::newRow("no path at all") << "" << 0;
}

void HelpViewerTest::missingOrUnusableFileShowsNothing()
{
    QFETCH(QString, name);
    QFETCH(int, kind);
    const QString path = name.isEmpty() ? QString() : m_folder->filePath(name);
    if (kind == 1) {
        QVERIFY(QDir(m_folder->path()).mkdir(name));
    } else if (kind == 2) {
        QVERIFY(WriteFile(path, QByteArray()));
    }

    const QList<QWidget*> windowsBefore = VisibleWindows();
    const QList<QObject*> childrenBefore = m_mainWindow->children();
    const QString captionBefore = m_mainWindow->windowTitle();

    ShowHelpViewer(path, m_mainWindow);
    QCoreApplication::processEvents();

    QCOMPARE(VisibleWindows(), windowsBefore);
    QCOMPARE(m_mainWindow->children(), childrenBefore);
    QCOMPARE(m_mainWindow->windowTitle(), captionBefore);
    QVERIFY(QApplication::activeModalWidget() == nullptr);
}

void HelpViewerTest::fileIsShownAsRichTextFromItsTop()
{
    QTextBrowser* browser = Show(WriteLongPage());
    QVERIFY(browser);

    // Rich text: the markup is read, not shown.
    const QString text = browser->toPlainText();
    QVERIFY(text.startsWith(QStringLiteral("Guide")));
    QVERIFY(text.contains(QStringLiteral("Paragraph 199")));
    QVERIFY(!text.contains(QLatin1Char('<')));
    QCOMPARE(browser->verticalScrollBar()->value(), 0);
    QVERIFY(browser->verticalScrollBar()->maximum() > 0);

    // Not modal: the main window still takes input.
    QVERIFY(!browser->window()->isModal());
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    QVERIFY(browser->window() != m_mainWindow);
    const QPoint offCentre =
        browser->window()->frameGeometry().center() - m_mainWindow->frameGeometry().center();
    QVERIFY2(offCentre.manhattanLength() <= 2, "the viewer opens over the main window");
    QVERIFY(browser->isReadOnly());
}

void HelpViewerTest::aSecondRequestReusesTheViewerAndStartsAtTheTopAgain()
{
    const QString path = WriteLongPage();
    QTextBrowser* first = Show(path);
    QVERIFY(first);
    first->verticalScrollBar()->setValue(first->verticalScrollBar()->maximum());

    ShowHelpViewer(path, m_mainWindow);
    QCOMPARE(OpenViewer(*m_mainWindow), first);
    QCOMPARE(first->verticalScrollBar()->value(), 0);
    int viewers = 0;
    for (QWidget* window : VisibleWindows()) {
        viewers += window->findChild<QTextBrowser*>(QString(), Qt::FindDirectChildrenOnly) ? 1 : 0;
    }
    QCOMPARE(viewers, 1);

    // Closed, it goes; the next request opens a fresh one.
    QPointer<QWidget> window = first->window();
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(window.isNull());
    ShowHelpViewer(path, m_mainWindow);
    QVERIFY(OpenViewer(*m_mainWindow));
}

void HelpViewerTest::contentsLinksLeadToTheirSections()
{
    QTextBrowser* browser = Show(WriteLongPage());
    QVERIFY(browser);

    browser->setSource(QUrl(QStringLiteral("#end")));
    const int end = browser->verticalScrollBar()->value();
    QVERIFY(end > 0);
    browser->setSource(QUrl(QStringLiteral("#top")));
    QVERIFY(browser->verticalScrollBar()->value() < end / 10);
}

void HelpViewerTest::helpFileLinksToEverySectionItNames()
{
    QFile file(InstalledHelpFile());
    QVERIFY2(file.open(QIODevice::ReadOnly),
             qPrintable(file.fileName() + " is missing: it is built beside the program"));
    const QString html = QString::fromUtf8(file.readAll());

    QSet<QString> anchors;
    for (const auto& match : QRegularExpression(QStringLiteral("<a name=\"([^\"]+)\"")).globalMatch(html)) {
        anchors.insert(match.captured(1));
    }
    QStringList links;
    for (const auto& match : QRegularExpression(QStringLiteral("href=\"#([^\"]+)\"")).globalMatch(html)) {
        links << match.captured(1);
    }
    QVERIFY(links.size() >= 10);
    for (const QString& link : links) {
        QVERIFY2(anchors.contains(link), qPrintable(link));
    }

    // Every anchor is reachable from the contents at the top, and the viewer finds each of them.
    QTextBrowser* browser = Show(file.fileName());
    QVERIFY(browser);
    QVERIFY(browser->toPlainText().startsWith(QStringLiteral("Skerrow Help")));
    for (const QString& anchor : anchors) {
        if (anchor == QStringLiteral("top")) {
            continue;
        }
        QVERIFY2(links.contains(anchor), qPrintable(anchor));
        browser->setSource(QUrl(QLatin1Char('#') + anchor));
        QVERIFY2(browser->verticalScrollBar()->value() > 0, qPrintable(anchor));
    }
}

void HelpViewerTest::helpFileDescribesEveryMenuItemAndButton()
{
    QFile file(InstalledHelpFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QTextDocument document;
    document.setHtml(QString::fromUtf8(file.readAll()));
    const QString text = document.toPlainText();
    for (const char* phrase : {"New...",
                               "Open...",
                               "Save as...",
                               "Exit",
                               "Help...",
                               "Manual...",
                               "If you like this program...",
                               "About...",
                               "Copy Selected Patches to the Right",
                               "Move Selected Patches Up",
                               "Move Selected Patches Down",
                               "Show About Screen",
                               "Sort Patches",
                               "Delete Selected Patches",
                               "untitled",
                               "Query",
                               "Destination list is full",
                               "Nothing to save!",
                               "ABSOLUTELY NO WARRANTY",
                               "the Skerrow developers",
                               "README"}) {
        QVERIFY2(text.contains(QLatin1String(phrase)), phrase);
    }
    QVERIFY(!text.contains(QLatin1Char('@')));
}

QTEST_MAIN(HelpViewerTest)
#include "help_viewer_test.moc"
