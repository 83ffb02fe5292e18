#include "channels/Channels.h"
#include "programmes/Programmes.h"
#include "projects/Projects.h"
#include "schedule/Schedule.h"
#include "schedule/ScheduleWindow.h"
#include "support/WindowFixture.h"

#include <QAction>
#include <QLineEdit>
#include <QTableView>

namespace {

// Two projects; "Coast" has the channels "One" and "Two", and "One" the
// programmes "Early" and "Late".
struct Fixture : WindowFixture
{
    qint32 first = db.addProject(u"First"_qs);
    qint32 coast = db.addProject(u"Coast"_qs);
    qint32 one = db.addChannel(coast, u"One"_qs);
    qint32 early = db.addProgramme(one, u"Early"_qs, u"2024-06-10"_qs, u"06:00"_qs);

    Fixture()
    {
        db.addChannel(coast, u"Two"_qs);
        db.addProgramme(one, u"Late"_qs, u"2024-06-10"_qs, u"21:00"_qs);
        state.currentProjectID = coast;
        state.currentChannelID = one;
    }

    AppWindow *open(WindowKind kind)
    {
        AppWindow *projects = navigator.start(db.path());
        return kind == WindowKind::ProjectSelection ? projects : navigator.moveTo(projects, kind);
    }
};

} // namespace

Q_DECLARE_METATYPE(WindowKind)

// What another editor commits shows in the open window on its own.
class LiveUpdatesTest : public QObject
{
    Q_OBJECT

private slots:
    void listShowsOthersChange_keepingSelection_data()
    {
        addColumns<WindowKind, QByteArray, QByteArray, QStringList>("kind", "list",
                                                                    "selectionButton", "shown");
        // The entry before the selected one goes, so the selection moves up a row.
        QTest::newRow("projects") << WindowKind::ProjectSelection << QByteArray("projList")
                                  << QByteArray("loadProj") << QStringList{u"Coast"_qs};
        QTest::newRow("channels") << WindowKind::ChannelSelection << QByteArray("chanList")
                                  << QByteArray("editChannel") << QStringList{u"Two ()"_qs};
        QTest::newRow("programmes") << WindowKind::ProgrammeSelection << QByteArray("progList")
                                    << QByteArray("editProgramme") << QStringList{u"Late"_qs};
    }

    void listShowsOthersChange_keepingSelection()
    {
        QFETCH(WindowKind, kind);
        QFETCH(QByteArray, list);
        QFETCH(QByteArray, selectionButton);
        QFETCH(QStringList, shown);
        Fixture f;
        AppWindow *w = f.open(kind);
        auto *entries = f.control<EntryList>(w, list.constData());
        f.clickEntry(entries, 1);
        const auto selected = entries->selectedId();
        QVERIFY(selected);

        // Another editor deletes the first entry through the store.
        if (kind == WindowKind::ProjectSelection)
            QVERIFY(projects::deleteProject(f.db.path(), f.first));
        else if (kind == WindowKind::ChannelSelection)
            QVERIFY(channels::deleteChannel(f.db.path(), f.one));
        else
            QVERIFY(programmes::deleteProgramme(f.db.path(), f.early));
        QTRY_COMPARE_WITH_TIMEOUT(f.texts(entries), shown, 2000);
        QCOMPARE(entries->selectedId(), selected);
        QVERIFY(f.control(w, selectionButton.constData())->isEnabled());
        QCOMPARE(f.openWindow(), w);
    }

    void scheduleShowsOthersChange_afterTheEditInProgress()
    {
        Fixture f;
        AppWindow *projects = f.open(WindowKind::ProjectSelection);
        f.clickEntry(f.control<EntryList>(projects, "projList"), 1);
        f.control<QAction>(projects, "openSchedule")->trigger();
        auto *w = qobject_cast<ScheduleWindow *>(f.openWindow());
        QVERIFY(w);
        auto *table = f.control<QTableView>(w, "scheduleTable");
        const QModelIndex late = table->model()->index(1, schedule::Name);
        table->setCurrentIndex(late);
        table->edit(late);
        QVERIFY(table->viewport()->findChild<QLineEdit *>());

        QVERIFY(programmes::deleteProgramme(f.db.path(), f.early));
        QTest::qWait(1000);
        QCOMPARE(table->model()->rowCount(), 2);

        QTest::keyClick(table->viewport()->findChild<QLineEdit *>(), Qt::Key_Escape);
        QTRY_COMPARE_WITH_TIMEOUT(table->model()->rowCount(), 1, 2000);
        QCOMPARE(table->currentIndex(), table->model()->index(0, schedule::Name));
        QCOMPARE(table->currentIndex().data().toString(), u"Late"_qs);
        QCOMPARE(w->undoStack()->count(), 0);
    }

    void channelDeletedElsewhere_endsItsWindowWithAMessage_data()
    {
        QTest::addColumn<WindowKind>("open");
        QTest::newRow("programme list") << WindowKind::ProgrammeSelection;
        // An editor's boxes could no longer be saved anywhere.
        QTest::newRow("channel editor") << WindowKind::ChannelEditor;
        QTest::newRow("programme editor") << WindowKind::ProgrammeEditor;
    }

    void channelDeletedElsewhere_endsItsWindowWithAMessage()
    {
        QFETCH(WindowKind, open);
        Fixture f;
        f.open(open);
        f.dialogs.expectError();
        // The window learns its channel's name beside its opening.
        QTest::qWait(300);

        QVERIFY(channels::deleteChannel(f.db.path(), f.one));
        QTRY_VERIFY_WITH_TIMEOUT(
            f.openWindow() && f.openWindow()->objectName() == u"channelSelection"_qs, 2000);
        QVERIFY(f.dialogs.allAnswered());
        const auto &told = f.dialogs.asked().constLast();
        QVERIFY2(told.text.startsWith(u"The channel \"One ()\" was deleted by someone else"_qs),
                 qPrintable(told.text));
        QVERIFY(told.overShownWindow);
        QCOMPARE(f.texts(f.control<EntryList>(f.openWindow(), "chanList")),
                 QStringList{u"Two ()"_qs});
    }
};

QTEST_MAIN(LiveUpdatesTest)
#include "tst_liveupdates.moc"
