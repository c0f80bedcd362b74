// When the desktop session ends, the application is told to quit and its windows are closed
// from outside: the main window goes without asking, whatever the list holds. Alone in its
// program, because a delivered quit stops every event loop that starts after it.

#include "ui_test_support.h"

#include <QtTest>

using namespace skerrow;
using namespace skerrow::test;

class SessionEndTest : public QObject {
    Q_OBJECT

private slots:
    void aQuitFromOutsideClosesTheWindowWithoutAsking()
    {
        WindowFixture f;
        f.window.show();
        f.FillDestination({"Unsaved"});
        QCOMPARE(f.state.ListSaved, FlagFalse);

        QEvent quit(QEvent::Quit);
        QCoreApplication::sendEvent(QCoreApplication::instance(), &quit);

        QVERIFY(f.platform.Messages().empty());
        QVERIFY(!f.window.isVisible());
        QCOMPARE(f.programEnds, 1);
    }
};

QTEST_MAIN(SessionEndTest)
#include "session_end_test.moc"
