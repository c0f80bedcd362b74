// Start-up, and what closing the window, Exit and New do with an unsaved destination list.

#include "ui_test_support.h"
#include "voice_file_builder.h"

#include "editing/open_source.h"

#include <QAction>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

#include <filesystem>
#include <optional>

using namespace skerrow;
using namespace skerrow::test;

namespace {

enum class Trigger { Close, Exit, New };
enum class Scenario {
    Empty,
    Saved,
    No,
    Cancel,
    YesThenCancel,
    YesThenForeignExtension,
    YesThenWriterFails,
    YesThenSaved
};

// A shown window with two voices of a real bank copied into the destination, not saved.
struct ListFixture : WindowFixture {
    TempDir dir;
    std::string bankPath = dir.file("bank.1bk");
    std::string outPath = dir.file("out.1bk");

    ListFixture()
    {
        WriteBytes(bankPath, BuildVoiceFile({.slotCount = 16, .names = {"One", "Two"}, .fileId = 5}));
        window.show();
        QVERIFY(LoadSourceFile(window.librarian(), bankPath));
        QTest::mouseClick(window.Command4, Qt::LeftButton, Qt::ShiftModifier);
        QCOMPARE(window.List2->count(), 2);
    }

    void Pull(Trigger trigger)
    {
        switch (trigger) {
        case Trigger::Close:
            window.close();
            break;
        case Trigger::Exit:
            window.mnuFileExit->trigger();
            break;
        case Trigger::New:
            window.mnuFileNew->trigger();
            break;
        }
    }

    QStringList MessageTitles() const
    {
        QStringList titles;
        for (const PlatformCall& call : platform.Messages())
            titles << QString::fromStdString(call.title);
        return titles;
    }
};

}  // namespace

Q_DECLARE_METATYPE(Trigger)
Q_DECLARE_METATYPE(Scenario)

class MainWindowPromptTest : public QObject {
    Q_OBJECT

private slots:
    void startUpShowsTheAboutWindowAloneThenTheMainWindow()
    {
        WindowFixture f;
        f.state.ListSaved = FlagTrue;
        bool mainShownDuringAbout = true;
        Flag savedDuringAbout = FlagFalse;
        ModalHandler about([&](QWidget* modal) {
            mainShownDuringAbout = f.window.isVisible();
            savedDuringAbout = f.state.ListSaved;
            modal->close();
            return true;
        });
        f.window.StartUp();

        QCOMPARE(about.titles, std::vector<QString>({"About"}));
        QVERIFY(!mainShownDuringAbout);
        QCOMPARE(savedDuringAbout, FlagTrue);
        QCOMPARE(f.state.ListSaved, FlagFalse);
        QVERIFY(f.window.isVisible());
        QCOMPARE(f.window.windowTitle(), QString("Skerrow (no open file)"));
        QVERIFY(f.window.Text1->text().isEmpty());
        QVERIFY(f.window.Text2->text().isEmpty());
        const QRect screen = f.window.screen()->availableGeometry();
        QVERIFY((f.window.frameGeometry().center() - screen.center()).manhattanLength() <= 2);
    }

    void closeExitAndNewAskFirst_data()
    {
        QTest::addColumn<Trigger>("trigger");
        QTest::addColumn<Scenario>("scenario");
        QTest::addColumn<bool>("goesOn");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<bool>("written");

        const struct {
            const char* name;
            Scenario scenario;
            bool goesOn;
            QStringList messages;
            bool written;
        } scenarios[] = {
            {"empty list", Scenario::Empty, true, {}, false},
            {"saved list", Scenario::Saved, true, {}, true},
            {"No", Scenario::No, true, {"Query"}, false},
            {"Cancel", Scenario::Cancel, false, {"Query"}, false},
            {"Yes, then the dialog cancelled", Scenario::YesThenCancel, false, {"Query"}, false},
            {"Yes, then a foreign extension",
             Scenario::YesThenForeignExtension,
             false,
             {"Query", "Stop"},
             false},
            {"Yes, then the writer fails", Scenario::YesThenWriterFails, false, {"Query", "Error"}, false},
            {"Yes, then saved", Scenario::YesThenSaved, true, {"Query"}, true},
        };
        const struct {
            const char* name;
            Trigger trigger;
        } triggers[] = {{"close", Trigger::Close}, {"Exit", Trigger::Exit}, {"New", Trigger::New}};
        for (const auto& t : triggers)
            for (const auto& s : scenarios)
                QTest::addRow("%s, %s", t.name, s.name)
                    << t.trigger << s.scenario << s.goesOn << s.messages << s.written;
    }

    void closeExitAndNewAskFirst()
    {
        QFETCH(Trigger, trigger);
        QFETCH(Scenario, scenario);
        QFETCH(bool, goesOn);
        QFETCH(QStringList, messages);
        QFETCH(bool, written);
        ListFixture f;

        switch (scenario) {
        case Scenario::Empty:
            f.window.librarian().List2.Clear();
            break;
        case Scenario::Saved:
            f.platform.AnswerDialog(f.outPath);
            f.window.mnuFileSave_Click();
            QCOMPARE(f.state.ListSaved, FlagTrue);
            break;
        case Scenario::No:
            f.platform.messageAnswers = {AnswerNo};
            break;
        case Scenario::Cancel:
            f.platform.messageAnswers = {AnswerCancel};
            break;
        case Scenario::YesThenCancel:
            f.platform.messageAnswers = {AnswerYes};
            f.platform.CancelDialog();
            break;
        case Scenario::YesThenForeignExtension:
            f.platform.messageAnswers = {AnswerYes};
            f.platform.AnswerDialog(f.dir.file("out.avc"), OfnExtensionDifferent);
            break;
        case Scenario::YesThenWriterFails:
            f.platform.messageAnswers = {AnswerYes};
            f.platform.AnswerDialog(f.outPath);
            std::filesystem::remove(f.bankPath);
            break;
        case Scenario::YesThenSaved:
            f.platform.messageAnswers = {AnswerYes};
            f.platform.AnswerDialog(f.outPath);
            break;
        }
        const int countBefore = f.window.List2->count();
        f.platform.ClearCalls();
        // While the prompt is up, the window may be gone in a moment: it takes no more files.
        std::optional<bool> endingAtPrompt;
        f.platform.onMessage = [&] { endingAtPrompt = endingAtPrompt.value_or(f.window.Ending()); };

        f.Pull(trigger);

        QCOMPARE(f.MessageTitles(), messages);
        if (!messages.isEmpty()) {
            const PlatformCall query = f.platform.Messages().front();
            QCOMPARE(query.text,
                     std::string("The new voice list has not been saved.\nDo you want to save it?"));
            QCOMPARE(query.icon, MessageIcon::Question);
            QCOMPARE(query.buttons, MessageButtons::YesNoCancel);
            QCOMPARE(endingAtPrompt, std::optional<bool>(trigger != Trigger::New));
        }
        QCOMPARE(std::filesystem::exists(f.outPath), written);
        QVERIFY(!std::filesystem::exists(f.dir.file("out.avc")));
        if (trigger == Trigger::New) {
            QVERIFY(f.window.isVisible());
            QCOMPARE(f.programEnds, 0);
            QCOMPARE(f.window.List2->count(), goesOn ? 0 : countBefore);
            if (goesOn)
                QCOMPARE(f.window.Text2->text(), QString("0 entries"));
            QCOMPARE(f.window.List1->count(), 2);
        } else {
            QCOMPARE(f.window.isVisible(), !goesOn);
            QCOMPARE(f.programEnds, goesOn ? 1 : 0);
            QCOMPARE(f.window.List2->count(), countBefore);
        }
    }

    void aSessionEndCloseDoesNotAsk()
    {
        ListFixture f;
        f.window.SessionEnding();
        f.window.close();
        QVERIFY(f.platform.Messages().empty());
        QVERIFY(!f.window.isVisible());
        QCOMPARE(f.programEnds, 1);
    }

    void movingEntriesAfterASaveDoesNotMakeTheListUnsaved()
    {
        ListFixture f;
        f.platform.AnswerDialog(f.outPath);
        f.window.mnuFileSave_Click();
        f.window.List2->item(1)->setSelected(true);
        QTest::mouseClick(f.window.Command5, Qt::LeftButton);
        QCOMPARE(f.DestNames()[0], std::string("Two       "));
        f.window.close();
        QVERIFY(f.platform.Messages().empty());
        QCOMPARE(f.programEnds, 1);
    }

    void theProgramEndsWithEveryOtherWindow()
    {
        ListFixture f;
        f.state.ListSaved = FlagTrue;
        QWidget other;
        other.setWindowTitle("Help");
        other.show();
        f.window.mnuFileExit->trigger();
        QCOMPARE(f.programEnds, 1);
        QVERIFY(!other.isVisible());
        QVERIFY(!f.window.isVisible());
    }
};

QTEST_MAIN(MainWindowPromptTest)
#include "main_window_prompt_test.moc"
