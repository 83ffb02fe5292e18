#include "app/StartUp.h"
#include "projects/Projects.h"
#include "store/Database.h"
#include "store/Server.h"
#include "support/TestServer.h"
#include "support/WindowFixture.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QScopeGuard>
#include <QTimer>

#include <functional>

namespace {

using F = WindowFixture;

// The buttons and File menu commands that act on the selected project.
const QStringList selectionButtons =
    u"loadProj delProj renameProject exportProgrammeDatatoXML exportChannelDataToDGC exportXMLTV "
    u"importXMLTV openSchedule"_qs.split(u' ');

// Which of them are enabled: all, none, or a mix.
QString selectionButtonState(QWidget *window)
{
    int on = 0;
    for (const QString &name : selectionButtons)
        on += F::control<QObject>(window, qPrintable(name))->property("enabled").toBool();
    return on == 0 ? u"none"_qs : on == selectionButtons.size() ? u"all"_qs : u"mixed"_qs;
}

EntryList *projList(QWidget *window)
{
    return F::control<EntryList>(window, "projList");
}

// Runs the event loop with `act` as its first event; false when the program
// had not ended by itself after five seconds.
bool programEndsBySelf(const std::function<void()> &act)
{
    bool timedOut = false;
    QTimer::singleShot(0, qApp, act);
    QTimer::singleShot(5000, qApp, [&] {
        timedOut = true;
        QCoreApplication::quit();
    });
    QCoreApplication::exec();
    return !timedOut;
}

} // namespace

class ProjectWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void fillAndSelection_driveTheSelectionButtons()
    {
        F f;
        QWidget *window = f.navigator.start();
        QCOMPARE(selectionButtonState(window), u"none"_qs);
        QTest::mouseDClick(projList(window)->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(F::openWindow(), window);

        f.dialogs.answerPrompt(u"  First  "_qs);
        F::click(window, "newProj");
        QCOMPARE(f.dialogs.asked().last().text, u"Please enter a Project Name"_qs);
        QCOMPARE(f.dialogs.asked().last().title, u"New Quorvel Project"_qs);
        QCOMPARE(F::texts(projList(window)), QStringList{u"  First  "_qs});
        QCOMPARE(selectionButtonState(window), u"none"_qs);

        F::clickEntry(projList(window), 0);
        QCOMPARE(selectionButtonState(window), u"all"_qs);
        f.dialogs.answerPrompt(u"Second"_qs);
        F::click(window, "newProj");
        QCOMPARE(F::texts(projList(window)), (QStringList{u"  First  "_qs, u"Second"_qs}));
        QCOMPARE(selectionButtonState(window), u"none"_qs);
        QVERIFY(projList(window)->selectionModel()->selectedRows().isEmpty());

        // The keyboard starts from the first entry, and nothing looks chosen
        // before it does.
        projList(window)->setFocus(Qt::TabFocusReason);
        QVERIFY(!projList(window)->currentIndex().isValid());
        QTest::keyClick(projList(window), Qt::Key_Down);
        QCOMPARE(projList(window)->selectedEntry()->text, u"  First  "_qs);
        QCOMPARE(selectionButtonState(window), u"all"_qs);
        // Past the first entry, the keys move on as in any list.
        QTest::keyClick(projList(window), Qt::Key_Down);
        QCOMPARE(projList(window)->selectedEntry()->text, u"Second"_qs);

        f.dialogs.answerPrompt(u"Third"_qs);
        F::click(window, "newProj");
        projList(window)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(projList(window), Qt::Key_Space);
        QCOMPARE(projList(window)->selectedEntry()->text, u"  First  "_qs);
        QCOMPARE(selectionButtonState(window), u"all"_qs);
    }

    void rename_offersCurrentNameAndRenamesSelectedTwin_orSaysItIsGone()
    {
        F f;
        const qint32 first = f.db.addProject(u"Twin"_qs);
        f.db.addProject(u"Twin"_qs);
        QWidget *window = f.navigator.start();
        F::clickEntry(projList(window), 1);

        f.dialogs.answerPrompt(u" Renamed "_qs);
        F::click(window, "renameProject");
        const auto &question = f.dialogs.asked().last();
        QCOMPARE(question.text, u"Please enter a new Project Name"_qs);
        QCOMPARE(question.title, u"Rename Quorvel Project"_qs);
        QCOMPARE(question.defaultAnswer, u"Twin"_qs);
        QCOMPARE(F::texts(projList(window)), (QStringList{u"Twin"_qs, u" Renamed "_qs}));
        QCOMPARE(selectionButtonState(window), u"none"_qs);

        // Deleted meanwhile by another program: said once, over the list as it is now.
        F::clickEntry(projList(window), 1);
        f.db.exec(u"DELETE FROM ProjectData WHERE projectID <> ?"_qs, {first});
        f.dialogs.answerPrompt(u"Again"_qs);
        f.dialogs.expectError();
        F::click(window, "renameProject");
        QVERIFY(f.dialogs.asked().last().text.startsWith(
            u"Could not rename the project.\n\nThe project \" Renamed \" is no longer"_qs));
        QCOMPARE(F::texts(projList(window)), QStringList{u"Twin"_qs});
        QCOMPARE(selectionButtonState(window), u"none"_qs);

        // A window whose project is gone is never shown: the list is.
        F::clickEntry(projList(window), 0);
        f.db.exec(u"DELETE FROM ProjectData WHERE projectID = ?"_qs, {first});
        f.dialogs.expectError();
        F::click(window, "loadProj");
        QVERIFY(f.dialogs.asked().last().text.startsWith(
            u"Could not read the list of channels.\n\nThe selected project is no longer"_qs));
        window = F::openWindow();
        QVERIFY(window && window->objectName() == u"projectSelection"_qs);
        QVERIFY(F::texts(projList(window)).isEmpty());
    }

    void delete_asksExactlyAndRefillsWhateverTheAnswer()
    {
        F f;
        f.db.addProject(u"Keep me"_qs);
        f.db.addProject(u"Old News"_qs);
        QWidget *window = f.navigator.start();

        F::clickEntry(projList(window), 1);
        f.dialogs.answerConfirm(false);
        F::click(window, "delProj");
        const auto &question = f.dialogs.asked().last();
        QCOMPARE(question.text,
                 u"Are you sure you want to delete the project called Old News? This "
                 "action cannot be undone, and will result in all Channel and Programme "
                 "Data being lost!"_qs);
        QCOMPARE(question.title, u"Delete Quorvel Project"_qs);
        QCOMPARE(question.icon, Dialogs::Icon::NoIcon);
        QCOMPARE(f.db.value(u"SELECT COUNT(*) FROM ProjectData"_qs).toInt(), 2);
        QCOMPARE(selectionButtonState(window), u"none"_qs);
        QVERIFY(projList(window)->selectionModel()->selectedRows().isEmpty());

        F::clickEntry(projList(window), 1);
        f.dialogs.answerConfirm(true);
        F::click(window, "delProj");
        QCOMPARE(F::texts(projList(window)), QStringList{u"Keep me"_qs});
        QCOMPARE(selectionButtonState(window), u"none"_qs);
    }

    void load_setsCurrentProjectAndLeavesOneWindow()
    {
        F f;
        const qint32 a = f.db.addProject(u"A"_qs);
        const qint32 b = f.db.addProject(u"B"_qs);
        QWidget *window = f.navigator.start();
        F::doubleClickEntry(projList(window), 1);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        QCOMPARE(f.state.currentProjectID, std::optional<qint32>(b));
        QCOMPARE(F::visibleWindowCount(), 1);
        QVERIFY(F::openWindow() && F::openWindow()->objectName() == u"channelSelection"_qs);

        // Back again: a fresh list, nothing selected.
        F::click(F::openWindow(), "closeProject");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QWidget *again = F::openWindow();
        QVERIFY(again && again->objectName() == u"projectSelection"_qs);
        QVERIFY(projList(again)->selectionModel()->selectedRows().isEmpty());
        QCOMPARE(f.state.currentProjectID, std::optional<qint32>(b));

        F::clickEntry(projList(again), 0);
        F::click(again, "loadProj");
        QCOMPARE(f.state.currentProjectID, std::optional<qint32>(a));
    }

    // The database named at start, a server's connected to from the File
    // menu, and the file beside the program again: the list and the title
    // follow. A refused password and a server gone at start are told once.
    void database_givenOrConnected_listAndTitleFollow()
    {
        const QString server = freshServerDatabase(u"window"_qs);
        if (server.isEmpty())
            QSKIP("No test server: run through ctest, which starts one.");
        const auto drop = qScopeGuard([&] { dropServerDatabase(server); });
        QVERIFY(store::createDatabase(server));
        QVERIFY(projects::newProject(server, u"On the server"_qs));
        const QString caption = u"Quorvel - Project Selection"_qs;
        F f;
        f.db.addProject(u"Beside the program"_qs);
        TestDatabase other;
        other.addProject(u"Elsewhere"_qs);

        QWidget *window = f.navigator.start(other.path());
        QCOMPARE(F::texts(projList(window)), QStringList{u"Elsewhere"_qs});
        QCOMPARE(window->windowTitle(),
                 caption + u" - "_qs + QDir::toNativeSeparators(other.path()));

        f.dialogs.answerServerAddress(server);
        F::control<QAction>(window, "connectToServer")->trigger();
        QCOMPARE(F::texts(projList(window)), QStringList{u"On the server"_qs});
        QCOMPARE(window->windowTitle(), caption + u" - "_qs + store::serverName(server));
        QCOMPARE(f.state.connectionString, server);

        // A role with a password, given a wrong one: one message, and the
        // window stays on the database it had.
        QString guarded = server;
        guarded.replace(u"quorvel_test@"_qs, u"quorvel_pw@"_qs);
        f.dialogs.answerServerAddress(guarded);
        f.dialogs.answerPassword(u"not-the-password"_qs);
        f.dialogs.expectError();
        F::control<QAction>(window, "connectToServer")->trigger();
        QCOMPARE(f.dialogs.asked().at(f.dialogs.asked().size() - 2).kind,
                 ScriptedDialogs::Kind::Password);
        QCOMPARE(f.state.connectionString, server);

        // The next start opens the server used last.
        F::closeAll();
        Navigator again(f.state, f.dialogs, f.db.directory());
        window = again.start();
        QCOMPARE(F::texts(projList(window)), QStringList{u"On the server"_qs});

        F::control<QAction>(window, "useLocalDatabase")->trigger();
        QCOMPARE(F::texts(projList(window)), QStringList{u"Beside the program"_qs});
        QCOMPARE(window->windowTitle(), caption);

        // A server that cannot be reached at start: said once, then the file.
        QSettings(u"Quorvel"_qs, u"Quorvel"_qs)
            .setValue(u"database/lastServer"_qs, u"postgresql://nobody@127.0.0.1:1/gone"_qs);
        F::closeAll();
        f.dialogs.expectError();
        window = Navigator(f.state, f.dialogs, f.db.directory()).start();
        QVERIFY(f.dialogs.allAnswered());
        QVERIFY(f.dialogs.asked().constLast().text.contains(u"nobody@127.0.0.1:1/gone"_qs));
        QCOMPARE(F::texts(projList(window)), QStringList{u"Beside the program"_qs});
        QCOMPARE(window->windowTitle(), caption);
    }

    // Where the window finds its database on a first start, and how it says
    // which one is open: the caption names any but the one beside the program.
    void firstStart_offersTheUsersOwnDatabase_data()
    {
        // beside: a database lies beside the program
        // agree: to the offer of one of the user's own
        addColumns<bool, bool>("beside", "agree");
        QTest::newRow("beside the program") << true << false;
        QTest::newRow("none anywhere, agreed") << false << true;
        QTest::newRow("none anywhere, declined") << false << false;
    }

    void firstStart_offersTheUsersOwnDatabase()
    {
        QFETCH(bool, beside);
        QFETCH(bool, agree);
        F f;
        const QString own = store::userDatabasePath();
        if (!beside) {
            QVERIFY(QFile::remove(f.db.path()));
            f.dialogs.answerConfirm(agree);
            // Declined: the window says what is missing and how to make it.
            if (!agree)
                f.dialogs.expectError();
        }
        offerDatabase(f.dialogs, f.db.directory());
        QWidget *window = f.navigator.start();
        if (!beside)
            QVERIFY(f.dialogs.asked().constFirst().text.contains(own));
        QCOMPARE(QFile::exists(own), agree);
        // Over the project window, not on its own before any window is up.
        if (!beside && !agree)
            QVERIFY(f.dialogs.asked().constLast().overShownWindow && window->isVisible());
        const QString caption = u"Quorvel - Project Selection"_qs;
        QCOMPARE(window->windowTitle(), beside ? caption : caption + u" - "_qs + own);
    }

    void failedOrEmptyCommand_changesNothingAndKeepsList_data()
    {
        // answer: to the prompt for a name, when asked
        // failing: the store is gone
        addColumns<QString, QString, bool>("button", "answer", "failing");
        QTest::newRow("New Project fails") << u"newProj"_qs << u"Other"_qs << true;
        QTest::newRow("Rename Project fails") << u"renameProject"_qs << u"Other"_qs << true;
        // The project's name is read for the question, and that read fails.
        QTest::newRow("Delete Project fails") << u"delProj"_qs << QString() << true;
        QTest::newRow("New Project, empty name") << u"newProj"_qs << QString() << false;
        QTest::newRow("Rename Project, empty name") << u"renameProject"_qs << QString() << false;
    }

    void failedOrEmptyCommand_changesNothingAndKeepsList()
    {
        QFETCH(QString, button);
        QFETCH(QString, answer);
        QFETCH(bool, failing);
        F f;
        f.db.addProject(u"Only"_qs);
        QWidget *window = f.navigator.start();
        F::clickEntry(projList(window), 0);
        if (failing)
            QVERIFY(QFile::remove(f.db.path()));
        const bool prompted = button != u"delProj";
        if (prompted)
            f.dialogs.answerPrompt(answer);
        if (failing)
            f.dialogs.expectError();
        F::click(window, button.toLatin1().constData());
        if (!failing)
            QCOMPARE(f.db.rows(u"SELECT projectName FROM ProjectData"_qs),
                     (QList<QVariantList>{{u"Only"_qs}}));
        QCOMPARE(F::texts(projList(window)), QStringList{u"Only"_qs});
        QCOMPARE(projList(window)->selectedEntry()->text, u"Only"_qs);
        QCOMPARE(selectionButtonState(window), u"all"_qs);
    }

    // The program ends by Exit, from the button or the File menu, or when its
    // last window closes, never while it moves from one window to the next.
    void program_endsByExitOrLastWindowOnly_data()
    {
        QTest::addColumn<QString>("end");
        QTest::newRow("Exit button") << u"exitQuorvel"_qs;
        QTest::newRow("File menu") << u"exitAction"_qs;
        QTest::newRow("last window, after a move") << u"loadProj"_qs;
    }

    void program_endsByExitOrLastWindowOnly()
    {
        QFETCH(QString, end);
        F f;
        f.db.addProject(u"P"_qs);
        QWidget *window = f.navigator.start();
        // Exit closes the File menu's list, the last of its entries.
        const QList<QAction *> menu = F::control<QMenu>(window, "fileMenu")->actions();
        QCOMPARE(menu.last()->objectName(), u"exitAction"_qs);
        QCOMPARE(menu.last()->text(), u"E&xit"_qs);
        QString reached;
        QVERIFY(programEndsBySelf([&] {
            if (end == u"exitAction")
                return F::control<QAction>(window, "exitAction")->trigger();
            if (end == u"exitQuorvel")
                return F::click(window, "exitQuorvel");
            F::clickEntry(projList(window), 0);
            F::click(window, "loadProj");
            // Give the event loop a chance to end the program if the move let it.
            QTimer::singleShot(100, qApp, [&] {
                reached = F::openWindow()->objectName();
                F::openWindow()->close();
            });
        }));
        QCOMPARE(reached, end == u"loadProj" ? u"channelSelection"_qs : QString());
        QCOMPARE(F::visibleWindowCount(), 0);
    }
};

QTEST_MAIN(ProjectWindowTest)
#include "tst_projectwindow.moc"
