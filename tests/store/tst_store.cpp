#include "store/Connection.h"
#include "store/Database.h"
#include "support/TestDatabase.h"

#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QTest>

using store::Connection;
using store::Result;
using store::Status;

class StoreTest : public QObject
{
    Q_OBJECT

private slots:
    void joinDatabasePath_data();
    void joinDatabasePath();
    void namesResolveWithoutRegardToCase();
    void emptyResultAndUnmatchedDelete_succeedQuietly();
    void commands_leaveNoConnectionOpen();
    void failingWrite_rollsBackEverything();
    void missingOrForeignFile_isReportedNotCreated();
    void typedText_keepsEmptyAndBlanks();
    void createDatabase_refusesExistingFile();
    void cliInitDb_createsOnceAndRefusesToOverwrite();
};

void StoreTest::joinDatabasePath_data()
{
    QTest::addColumn<QString>("directory");
    QTest::addColumn<QString>("expected");
    QTest::newRow("windows directory") << u"C:\\Listings"_qs << u"C:\\Listings\\quorvel.db"_qs;
    QTest::newRow("windows drive root") << u"D:\\"_qs << u"D:\\quorvel.db"_qs;
    QTest::newRow("qt form of a drive root") << u"D:/"_qs << u"D:/quorvel.db"_qs;
    QTest::newRow("qt form of a windows directory")
        << u"C:/Listings"_qs << u"C:/Listings/quorvel.db"_qs;
    QTest::newRow("unix directory") << u"/opt/quorvel"_qs << u"/opt/quorvel/quorvel.db"_qs;
    QTest::newRow("unix root") << u"/"_qs << u"/quorvel.db"_qs;
    QTest::newRow("blank in directory") << u"/home/a b"_qs << u"/home/a b/quorvel.db"_qs;
}

void StoreTest::joinDatabasePath()
{
    QFETCH(QString, directory);
    QFETCH(QString, expected);
    QCOMPARE(store::joinDatabasePath(directory), expected);
}

void StoreTest::namesResolveWithoutRegardToCase()
{
    TestDatabase db;
    QVERIFY(db.isValid());
    const qint32 project = db.addProject(u"P"_qs);
    const qint32 channel = db.addChannel(project, u"One"_qs, u"7"_qs);
    db.exec(u"UPDATE channeldata SET DATAURL = ? WHERE CHANNELID = ?"_qs, {u"d.xml"_qs, channel});

    const auto read = store::read(db.path(), u"Reading"_qs, [&](Connection &c) -> Result<QString> {
        auto rows = c.select(u"SELECT * FROM channelData WHERE channelid = ?"_qs, {channel});
        if (!rows)
            return rows.failure();
        if (!rows.value().next())
            return QString();
        return store::text(rows.value(), u"dataurl"_qs) + u'|' +
               store::text(rows.value(), u"ChannelName"_qs) + u'|' +
               store::text(rows.value(), u"CHANNELNUMBER"_qs);
    });
    QVERIFY2(read.ok(), qPrintable(read.ok() ? QString() : read.failure().text()));
    QCOMPARE(read.value(), u"d.xml|One|7"_qs);
}

void StoreTest::emptyResultAndUnmatchedDelete_succeedQuietly()
{
    TestDatabase db;
    const qint32 project = db.addProject(u"Keep"_qs);
    const auto done = store::write(db.path(), u"Working"_qs, [](Connection &c) -> Result<int> {
        auto rows = c.select(u"SELECT * FROM ProgrammeData"_qs);
        if (!rows)
            return rows.failure();
        int seen = 0;
        while (rows.value().next())
            ++seen;
        if (auto deleted = c.execute(u"DELETE FROM ProjectData WHERE projectID = ?"_qs, {9999});
            !deleted)
            return deleted.failure();
        return seen;
    });
    QVERIFY(done.ok());
    QCOMPARE(done.value(), 0);
    QCOMPARE(db.value(u"SELECT projectName FROM ProjectData WHERE projectID = ?"_qs, {project}),
             QVariant(u"Keep"_qs));
}

void StoreTest::commands_leaveNoConnectionOpen()
{
    TestDatabase db;
    QVERIFY(QSqlDatabase::connectionNames().isEmpty());

    const Status fine = store::read(db.path(), u"Reading"_qs, [](Connection &c) -> Status {
        auto rows = c.select(u"SELECT * FROM ProjectData"_qs);
        return rows ? store::success() : Status(rows.failure());
    });
    QVERIFY(fine.ok());
    QVERIFY(QSqlDatabase::connectionNames().isEmpty());

    const Status failing = store::write(db.path(), u"Writing"_qs, [](Connection &c) {
        return c.execute(u"DELETE FROM NoSuchTable"_qs);
    });
    QVERIFY(!failing.ok());
    QVERIFY(QSqlDatabase::connectionNames().isEmpty());

    const Status missing = store::read(db.directory() + u"/absent.db"_qs, u"Reading"_qs,
                                       [](Connection &) { return store::success(); });
    QVERIFY(!missing.ok());
    QVERIFY(QSqlDatabase::connectionNames().isEmpty());
}

void StoreTest::failingWrite_rollsBackEverything()
{
    TestDatabase db;
    const Status failed = store::write(db.path(), u"Adding two projects"_qs, [](Connection &c) {
        if (auto first = c.insert(u"ProjectData"_qs, {{u"projectName"_qs, u"First"_qs}}); !first)
            return Status(first.failure());
        return c.execute(u"INSERT INTO ProjectData (noSuchColumn) VALUES (1)"_qs);
    });
    QVERIFY(!failed.ok());
    QCOMPARE(failed.failure().action, u"Adding two projects"_qs);
    QCOMPARE(failed.failure().databasePath, db.path());
    QVERIFY2(failed.failure().detail.contains(u"noSuchColumn"_qs),
             qPrintable(failed.failure().detail));
    QVERIFY(failed.failure().text().contains(db.path()));
    QCOMPARE(db.value(u"SELECT COUNT(*) FROM ProjectData"_qs).toInt(), 0);
}

void StoreTest::missingOrForeignFile_isReportedNotCreated()
{
    TestDatabase db;
    const QString absent = db.directory() + u"/absent.db"_qs;
    const Status missing = store::read(absent, u"Reading the projects"_qs,
                                       [](Connection &) { return store::success(); });
    QVERIFY(!missing.ok());
    QVERIFY(!QFile::exists(absent));
    const QString message = missing.failure().text();
    QVERIFY2(message.contains(u"Reading the projects"_qs), qPrintable(message));
    QVERIFY2(message.contains(u"quorvel-cli init-db"_qs), qPrintable(message));

    const QString foreign = db.directory() + u"/notes.db"_qs;
    QFile file(foreign);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("these are not the tables you are looking for");
    file.close();
    const Status unreadable = store::read(foreign, u"Reading"_qs, [](Connection &c) -> Status {
        auto rows = c.select(u"SELECT * FROM ProjectData"_qs);
        return rows ? store::success() : Status(rows.failure());
    });
    QVERIFY(!unreadable.ok());
    QVERIFY(!unreadable.failure().detail.isEmpty());
}

void StoreTest::typedText_keepsEmptyAndBlanks()
{
    TestDatabase db;
    const Status written = store::write(db.path(), u"Adding"_qs, [](Connection &c) -> Status {
        for (const QString &name :
             {QString(), u""_qs, u"  padded  "_qs, u"O'Brien \"quoted\""_qs}) {
            if (auto added =
                    c.insert(u"ProjectData"_qs, {{u"projectName"_qs, store::typedText(name)}});
                !added)
                return added.failure();
        }
        return store::success();
    });
    QVERIFY(written.ok());
    const auto rows = db.rows(u"SELECT projectName IS NULL, projectName FROM ProjectData "
                              "ORDER BY projectID"_qs);
    QCOMPARE(rows.size(), 4);
    QCOMPARE(rows[0][0].toInt(), 0);
    QCOMPARE(rows[0][1].toString(), QString());
    QCOMPARE(rows[1][0].toInt(), 0);
    QCOMPARE(rows[2][1].toString(), u"  padded  "_qs);
    QCOMPARE(rows[3][1].toString(), u"O'Brien \"quoted\""_qs);
}

void StoreTest::createDatabase_refusesExistingFile()
{
    TestDatabase db;
    QFile original(db.path());
    QVERIFY(original.open(QIODevice::ReadOnly));
    const QByteArray before = original.readAll();
    original.close();
    db.addProject(u"Precious"_qs);

    const Status again = store::createDatabase(db.path());
    QVERIFY(!again.ok());
    QCOMPARE(db.value(u"SELECT projectName FROM ProjectData"_qs), QVariant(u"Precious"_qs));
    QVERIFY(!before.isEmpty());

    const QString fresh = db.directory() + u"/fresh.db"_qs;
    QVERIFY(store::createDatabase(fresh).ok());
    const auto tables = store::read(fresh, u"Reading"_qs, [](Connection &c) -> Result<QStringList> {
        auto rows = c.select(u"SELECT name FROM sqlite_master WHERE type = 'table' "
                             "AND name NOT LIKE 'sqlite_%' ORDER BY name"_qs);
        if (!rows)
            return rows.failure();
        QStringList names;
        while (rows.value().next())
            names << rows.value().value(0).toString();
        return names;
    });
    QVERIFY(tables.ok());
    QCOMPARE(tables.value(), (QStringList{u"ChannelData"_qs, u"ProgrammeData"_qs, u"ProjectData"_qs,
                                          u"TemplateData"_qs}));
}

void StoreTest::cliInitDb_createsOnceAndRefusesToOverwrite()
{
    const QString cli = qEnvironmentVariable("QUORVEL_CLI");
    if (cli.isEmpty())
        QSKIP("QUORVEL_CLI names the companion tool when run through CTest");
    TestDatabase scratch;
    const QString path = scratch.directory() + u"/made by cli.db"_qs;

    QProcess first;
    first.start(cli, {u"init-db"_qs, path});
    QVERIFY(first.waitForFinished());
    QCOMPARE(first.exitCode(), 0);
    QVERIFY(QFile::exists(path));

    QProcess second;
    second.start(cli, {u"init-db"_qs, path});
    QVERIFY(second.waitForFinished());
    QVERIFY(second.exitCode() != 0);
    QVERIFY(second.readAllStandardError().contains("already exists"));
}

QTEST_GUILESS_MAIN(StoreTest)
#include "tst_store.moc"
