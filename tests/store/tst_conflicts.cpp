#include "channels/Channels.h"
#include "export/Contact.h"
#include "programmes/Programmes.h"
#include "projects/Projects.h"
#include "schedule/Schedule.h"
#include "schedule/ScheduleCommands.h"
#include "schedule/ScheduleTimes.h"
#include "store/ChangeWatcher.h"
#include "support/Files.h"
#include "support/TestDatabase.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimeZone>
#include <QUndoStack>

#include <functional>
#include <optional>

using store::Connection;
using store::Status;

namespace {

// Long enough for a file's poll and the signal's gathering of commits.
constexpr int quietMs = 800;

// An editor opened on the database: it reads what its window shows, and
// gives back its save of what is typed over that.
using Save = std::function<Status(const QString &typed)>;
using OpenEditor = std::function<Save(const QString &db)>;

template<typename T> Status status(const store::Result<T> &result)
{
    return result ? store::success() : Status(result.failure());
}

schedule::Programme shownProgramme(const QString &db, qint32 channel, qint32 programme)
{
    for (const schedule::Programme &row : schedule::loadSchedule(db, channel).value()) {
        if (row.programmeID == programme)
            return row;
    }
    return {};
}

QList<QList<QVariantList>> wholeStore(TestDatabase &db)
{
    return {db.rows(u"SELECT * FROM ProjectData ORDER BY projectID"_qs),
            db.rows(u"SELECT channelID, channelName, channelNumber FROM ChannelData ORDER BY 1"_qs),
            db.rows(u"SELECT channelID, templateData FROM TemplateData ORDER BY rowid"_qs),
            db.rows(u"SELECT programmeID, programmeName, programmeDesc, startTime FROM "
                    "ProgrammeData ORDER BY 1"_qs)};
}

// A ScheduleView that only notes what the undo steps tell it.
struct NotedView : ScheduleView
{
    QString path;
    std::optional<store::Failure> failure;
    QString databasePath() const override { return path; }
    void showChange(qint32, const QList<qint32> &) override {}
    void showEdit(qint32, qint32, int, const QString &) override {}
    void showStepFailure(const store::Failure &f) override { failure = f; }
};

} // namespace

Q_DECLARE_METATYPE(OpenEditor)

// Two editors with the same project open, as two programs on one database
// are: each command runs on its own connection, as a second program's would.
class TestConflicts : public QObject
{
    Q_OBJECT

    TestDatabase m_db;
    qint32 m_project = 0, m_channel = 0, m_first = 0, m_second = 0;

private slots:
    void init()
    {
        m_db.execAll({u"DELETE FROM ProgrammeData"_qs, u"DELETE FROM TemplateData"_qs,
                      u"DELETE FROM ChannelData"_qs, u"DELETE FROM ProjectData"_qs});
        m_project = m_db.addProject(u"Listings"_qs);
        m_channel = m_db.addChannel(m_project, u"Town TV"_qs, u"1"_qs);
        m_db.addTemplate(m_channel, u"T, News, 1"_qs);
        m_first = m_db.addProgramme(m_channel, u"News"_qs, u"2024-05-01"_qs, u"06:00"_qs);
        m_second = m_db.addProgramme(m_channel, u"Weather"_qs, u"2024-05-01"_qs, u"06:30"_qs);
    }

    void differentRows_bothSavesLand()
    {
        const QString db = m_db.path();
        const auto table = shownProgramme(db, m_channel, m_second);
        const auto editor = programmes::loadProgramme(db, m_first).value();
        QVERIFY(programmes::changeProgramme(db, m_first, namedProgramme(u"Early News"_qs), editor));
        QVERIFY(schedule::changeValue(db, table, schedule::Synopsis, u"Rain"_qs));
        QCOMPARE(m_db.texts(u"SELECT programmeName || '|' || coalesce(programmeDesc, '') FROM "
                            "ProgrammeData ORDER BY programmeID"_qs),
                 (QStringList{u"Early News|"_qs, u"Weather|Rain"_qs}));
    }

    void sameRow_secondSaveIsRefusedAndChangesNothing_data()
    {
        addColumns<OpenEditor, QString>("editor", "said");
        // m_ members are set by init(), after the data function ran.
        QTest::newRow("programme editor") << OpenEditor([this](const QString &db) -> Save {
            const auto read = programmes::loadProgramme(db, m_first).value();
            return [=](const QString &typed) {
                return programmes::changeProgramme(db, m_first, namedProgramme(typed), read);
            };
        }) << u"Name: was \u201cNews\u201d, now \u201cA\u201d"_qs;
        const auto channelEditor = [this](bool lines) {
            return OpenEditor([=](const QString &db) -> Save {
                const auto read = channels::loadChannel(db, m_channel).value();
                return [=](const QString &typed) {
                    channels::Channel typedIn = read;
                    if (lines)
                        typedIn.templateLines = {typed};
                    else
                        typedIn.name = typed;
                    return status(channels::saveChannel(db, m_channel, m_project, typedIn, read));
                };
            });
        };
        QTest::newRow("channel editor")
            << channelEditor(false) << u"Name: was \u201cTown TV\u201d, now \u201cA\u201d"_qs;
        QTest::newRow("channel editor, template lines")
            << channelEditor(true)
            << u"Template lines: was \u201cT, News, 1\u201d, now \u201cA\u201d"_qs;
        QTest::newRow("project rename") << OpenEditor([this](const QString &db) -> Save {
            const QString read = projects::projectName(db, m_project).value();
            return [=](const QString &typed) {
                return projects::renameProject(db, m_project, typed, read);
            };
        }) << u"Name: was \u201cListings\u201d, now \u201cA\u201d"_qs;
        QTest::newRow("contact details") << OpenEditor([this](const QString &db) -> Save {
            const auto read = exports::readContactDetails(db, m_project).value();
            return [=](const QString &typed) {
                return exports::saveContactDetails(db, m_project, {typed}, read);
            };
        }) << u"Contact name: was (no value), now \u201cA\u201d"_qs;
        QTest::newRow("schedule cell") << OpenEditor([this](const QString &db) -> Save {
            const schedule::Programme read = shownProgramme(db, m_channel, m_first);
            return [=](const QString &typed) {
                return schedule::changeValue(db, read, schedule::Synopsis, typed);
            };
        }) << u"Synopsis: was (no value), now \u201cA\u201d"_qs;
    }

    void sameRow_secondSaveIsRefusedAndChangesNothing()
    {
        QFETCH(OpenEditor, editor);
        QFETCH(QString, said);
        const Save first = editor(m_db.path());
        Save second = editor(m_db.path());
        QVERIFY(first(u"A"_qs));
        const auto afterFirst = wholeStore(m_db);

        const Status refused = second(u"B"_qs);
        QVERIFY(!refused && refused.failure().isConflict() && !refused.failure().isGone());
        QVERIFY2(refused.failure().text().contains(said), qPrintable(refused.failure().text()));
        QCOMPARE(wholeStore(m_db), afterFirst);

        // Having seen the change, the second editor may make theirs.
        second = editor(m_db.path());
        QVERIFY(second(u"B"_qs));
    }

    void scheduleDelete_ofAChangedOrGoneRow_removesNothing()
    {
        const QString db = m_db.path();
        const auto shown = schedule::loadSchedule(db, m_channel).value();
        QVERIFY(programmes::changeProgramme(db, m_second, namedProgramme(u"Forecast"_qs),
                                            programmes::loadProgramme(db, m_second).value()));
        const auto changed = schedule::removeProgrammes(db, shown);
        QVERIFY(!changed && changed.failure().isConflict());
        QVERIFY2(
            changed.failure().text().contains(u"\u201cWeather\u201d, now \u201cForecast\u201d"_qs),
            qPrintable(changed.failure().text()));

        m_db.exec(u"DELETE FROM ProgrammeData WHERE programmeID = ?"_qs, {m_second});
        const auto gone = schedule::removeProgrammes(db, shown);
        QVERIFY(!gone && gone.failure().isGone());
        QCOMPARE(m_db.value(u"SELECT count(*) FROM ProgrammeData"_qs).toInt(), 1);
    }

    void scheduleUndo_overAColleaguesChange_isRefusedAndDropped()
    {
        NotedView view;
        view.path = m_db.path();
        QUndoStack stack;
        const schedule::Programme shown = shownProgramme(view.path, m_channel, m_first);
        stack.push(new EditStep(view, m_channel, shown, schedule::Name, u"News"_qs, u"Mine"_qs));
        stack.push(new EditStep(view, m_channel, shownProgramme(view.path, m_channel, m_first),
                                schedule::Synopsis, QString(), u"Also mine"_qs));
        QVERIFY(!view.failure);
        // Undoing one's own steps in turn works over one's own changes.
        stack.undo();
        QVERIFY(!view.failure);
        const auto stored = [&] {
            return m_db
                .value(u"SELECT programmeName || '|' || coalesce(programmeDesc, '') FROM "
                       "ProgrammeData WHERE programmeID = ?"_qs,
                       {m_first})
                .toString();
        };
        QCOMPARE(stored(), u"Mine|"_qs);

        // A colleague renames it: the undo would overwrite their name.
        QVERIFY(programmes::changeProgramme(view.path, m_first, namedProgramme(u"Theirs"_qs),
                                            programmes::loadProgramme(view.path, m_first).value()));
        stack.undo();
        QVERIFY(view.failure && view.failure->isConflict());
        QCOMPARE(stored(), u"Theirs|"_qs);
        QCOMPARE(stack.count(), 1);

        // Inserting with room moves the later programme; a colleague then
        // moves it again, and the undo would move it back over their move.
        const QList<schedule::Programme> shownNow =
            schedule::loadSchedule(view.path, m_channel).value();
        schedule::Programme early = shownNow.first();
        early.programmeID = 0;
        early.startTime = u"05:30"_qs;
        early.duration = u"30"_qs;
        schedule::Room room = schedule::makeRoom(shownNow, early, QTimeZone::utc());
        QCOMPARE(room.moves.size(), 2);
        view.failure.reset();
        stack.push(new RowsStep(view, m_channel, RowsStep::Kind::Add, {early}, u"Insert"_qs,
                                room.moves, room.back));
        QVERIFY(!view.failure);
        m_db.exec(u"UPDATE ProgrammeData SET startTime = '08:00' WHERE programmeID = ?"_qs,
                  {m_second});
        stack.undo();
        QVERIFY(view.failure && view.failure->isConflict());
        QCOMPARE(m_db.value(u"SELECT count(*) FROM ProgrammeData"_qs).toInt(), 3);
    }

    // What one editor commits reaches the other's watcher.
    void otherConnection_onlyCommittedWritesSignal_data()
    {
        QTest::addColumn<std::function<void(const QString &)>>("work");
        QTest::addColumn<bool>("announced");

        const auto add = [](Connection &db) {
            return db.execute(u"INSERT INTO ProjectData (projectName) VALUES ('Morning')"_qs);
        };
        QTest::newRow("committed write") << std::function([add](const QString &path) {
            QVERIFY(store::write(path, u"Add"_qs, add));
        }) << true;
        QTest::newRow("read only") << std::function([](const QString &path) {
            QVERIFY(store::read(path, u"Read"_qs, [](Connection &db) {
                return db.execute(u"SELECT * FROM ProjectData"_qs);
            }));
        }) << false;
        QTest::newRow("rolled back") << std::function([add](const QString &path) {
            QVERIFY(!store::write(path, u"Add"_qs, [add](Connection &db) -> store::Status {
                if (auto added = add(db); !added)
                    return added;
                return store::Failure{u"Given up"_qs, {}, {}};
            }));
        }) << false;
    }

    void otherConnection_onlyCommittedWritesSignal()
    {
        QFETCH(std::function<void(const QString &)>, work);
        QFETCH(bool, announced);
        TestDatabase db;
        store::ChangeWatcher watcher;
        watcher.watch(db.path());
        QVERIFY(watcher.isConnected());
        QSignalSpy changed(&watcher, &store::ChangeWatcher::changed);

        work(db.path());
        if (announced)
            QVERIFY(changed.wait(1000));
        // Said once, not again for the same commit.
        QTest::qWait(quietMs);
        QCOMPARE(changed.count(), announced ? 1 : 0);
    }

    void anotherProcess_isSeen()
    {
        TestDatabase db;
        const qint32 project = db.addProject(u"Guide"_qs);
        store::ChangeWatcher watcher;
        watcher.watch(db.path());
        QSignalSpy changed(&watcher, &store::ChangeWatcher::changed);

        const CliRun imported =
            runCli({u"import-xmltv"_qs, u"--db"_qs, db.path(), u"--project"_qs,
                    QString::number(project), u"--in"_qs,
                    QStringLiteral(QUORVEL_XMLTV_SAMPLES "/guide.xml"), u"--tz"_qs, u"UTC"_qs});
        QVERIFY2(imported.exitCode == 0, qPrintable(imported.err));
        QVERIFY(changed.wait(1000));
    }

    void serverConnectionDropped_reconnectsAndSignals()
    {
        if (!testsOnServer())
            QSKIP("Only a server's connection can be dropped under the watcher.");
        TestDatabase db;
        store::ChangeWatcher watcher;
        watcher.watch(db.path());
        QSignalSpy changed(&watcher, &store::ChangeWatcher::changed);

        db.exec(u"SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                "WHERE datname = current_database() AND pid <> pg_backend_pid()"_qs);
        QTRY_VERIFY_WITH_TIMEOUT(!watcher.isConnected(), 2000);
        // Whatever was committed while it was away is told once it is back.
        QTRY_VERIFY_WITH_TIMEOUT(changed.count() > 0, 5000);
        QVERIFY(watcher.isConnected());
        changed.clear();
        db.addProject(u"After"_qs);
        QVERIFY(changed.wait(1000));
    }
};

QTEST_GUILESS_MAIN(TestConflicts)
#include "tst_conflicts.moc"
