#include "store/ChangeWatcher.h"
#include "store/Connection.h"
#include "store/Tables.h"
#include "support/Files.h"
#include "support/TestDatabase.h"

#include <QSignalSpy>
#include <QTest>

#include <functional>

using store::Connection;
using Project = store::tables::Project;

namespace {

// Long enough for a file's poll and the signal's gathering of commits.
constexpr int quietMs = 800;

} // namespace

// Two editors on one database: what one commits reaches the other's watcher.
class ChangeWatcherTest : public QObject
{
    Q_OBJECT

private slots:
    void otherConnection_onlyCommittedWritesSignal_data()
    {
        QTest::addColumn<std::function<void(const QString &)>>("work");
        QTest::addColumn<bool>("announced");

        const auto add = [](Connection &db) -> store::Status {
            auto added = db.insert(Project::table, {{Project::name, u"Morning"_qs}});
            if (!added)
                return added.failure();
            return store::success();
        };
        QTest::newRow("committed write") << std::function([add](const QString &path) {
            QVERIFY(store::write(path, u"Add"_qs, add));
        }) << true;
        QTest::newRow("read only") << std::function([](const QString &path) {
            QVERIFY(store::read(path, u"Read"_qs, [](Connection &db) -> store::Status {
                auto rows = db.select(u"SELECT * FROM ProjectData"_qs);
                if (!rows)
                    return rows.failure();
                return store::success();
            }));
        }) << false;
        QTest::newRow("rolled back") << std::function([add](const QString &path) {
            const auto undone =
                store::write(path, u"Add"_qs, [add](Connection &db) -> store::Status {
                    if (auto added = add(db); !added)
                        return added;
                    return store::Failure{u"Given up"_qs, {}, {}};
                });
            QVERIFY(!undone);
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
        if (announced) {
            QVERIFY(changed.wait(1000));
            // Said once, not again for the same commit.
            QTest::qWait(quietMs);
            QCOMPARE(changed.count(), 1);
        } else {
            QTest::qWait(quietMs);
            QCOMPARE(changed.count(), 0);
        }
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

QTEST_GUILESS_MAIN(ChangeWatcherTest)
#include "tst_changewatcher.moc"
