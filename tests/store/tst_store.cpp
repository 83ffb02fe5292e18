#include "store/AtomicFile.h"
#include "store/Connection.h"
#include "store/Database.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QTest>

using store::Connection;
using store::Result;
using store::Status;

namespace {

Status selectAll(const QString &path, const QString &table)
{
    return store::read(path, u"Reading"_qs, [&](Connection &c) -> Status {
        auto rows = c.select(u"SELECT * FROM "_qs + table);
        return rows ? store::success() : Status(rows.failure());
    });
}

} // namespace

class StoreTest : public QObject
{
    Q_OBJECT

private slots:
    void joinDatabasePath_data();
    void joinDatabasePath();
    void namesResolveWithoutRegardToCase();
    void emptyResultAndUnmatchedDelete_succeedQuietly();
    void failures_rollBackCloseAndSayWhatAndWhere();
    void missingFile_isReportedNeverCreated();
    void typedText_keepsEmptyTextAndBlanks();
    void initDb_createsFourTablesOnceAndRefusesToOverwrite();
    void createDatabase_leavesNothingButTheWholeFile_data();
    void createDatabase_leavesNothingButTheWholeFile();
};

void StoreTest::joinDatabasePath_data()
{
    QTest::addColumn<QString>("directory");
    QTest::addColumn<QString>("expected");
    QTest::newRow("windows directory") << u"C:\\Listings"_qs << u"C:\\Listings\\quorvel.db"_qs;
    QTest::newRow("windows drive root") << u"D:\\"_qs << u"D:\\quorvel.db"_qs;
    QTest::newRow("drive root, qt form") << u"D:/"_qs << u"D:/quorvel.db"_qs;
    QTest::newRow("unix directory") << u"/opt/quorvel"_qs << u"/opt/quorvel/quorvel.db"_qs;
    QTest::newRow("unix root") << u"/"_qs << u"/quorvel.db"_qs;
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
    const qint32 channel = db.addChannel(db.addProject(u"P"_qs), u"One"_qs, u"7"_qs);
    db.exec(u"UPDATE channeldata SET DATAURL = ? WHERE CHANNELID = ?"_qs, {u"d.xml"_qs, channel});
    const auto read = store::read(db.path(), u"Reading"_qs, [&](Connection &c) -> Result<QString> {
        auto rows = c.select(u"SELECT * FROM channelData WHERE channelid = ?"_qs, {channel});
        if (!rows || !rows.value().next())
            return QString();
        return store::text(rows.value(), u"dataurl"_qs) + u'|' +
               store::text(rows.value(), u"ChannelName"_qs) + u'|' +
               store::text(rows.value(), u"CHANNELNUMBER"_qs);
    });
    QCOMPARE(read.value(), u"d.xml|One|7"_qs);
}

void StoreTest::emptyResultAndUnmatchedDelete_succeedQuietly()
{
    TestDatabase db;
    db.addProject(u"Keep"_qs);
    const auto done = store::write(db.path(), u"Working"_qs, [](Connection &c) -> Result<int> {
        auto rows = c.select(u"SELECT * FROM ProgrammeData"_qs);
        int seen = 0;
        while (rows && rows.value().next())
            ++seen;
        if (auto deleted = c.execute(u"DELETE FROM ProjectData WHERE projectID = 99"_qs); !deleted)
            return deleted.failure();
        return seen;
    });
    QCOMPARE(done.value(), 0);
    QCOMPARE(db.value(u"SELECT projectName FROM ProjectData"_qs).toString(), u"Keep"_qs);
}

void StoreTest::failures_rollBackCloseAndSayWhatAndWhere()
{
    TestDatabase db;
    const Status failed = store::write(db.path(), u"Adding two projects"_qs, [](Connection &c) {
        if (auto first = c.insert(u"ProjectData"_qs, {{u"projectName"_qs, u"First"_qs}}); !first)
            return Status(first.failure());
        return c.execute(u"INSERT INTO ProjectData (noSuchColumn) VALUES (1)"_qs);
    });
    QVERIFY(!failed.ok());
    QCOMPARE(failed.failure().action, u"Adding two projects"_qs);
    QVERIFY(failed.failure().detail.contains(u"noSuchColumn"_qs));
    QVERIFY(failed.failure().text().contains(db.path()));
    QCOMPARE(db.value(u"SELECT COUNT(*) FROM ProjectData"_qs).toInt(), 0);
    QVERIFY(selectAll(db.path(), u"ProjectData"_qs).ok());
    QVERIFY(QSqlDatabase::connectionNames().isEmpty());

    // A file that is no database fails on its first query, also without a trace.
    const QString foreign = db.directory() + u"/notes.db"_qs;
    QFile file(foreign);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("these are not the tables you are looking for");
    file.close();
    QVERIFY(!selectAll(foreign, u"ProjectData"_qs).ok());
    QVERIFY(QSqlDatabase::connectionNames().isEmpty());
}

void StoreTest::missingFile_isReportedNeverCreated()
{
    TestDatabase db;
    const QString absent = db.directory() + u"/absent.db"_qs;
    const Status missing = selectAll(absent, u"ProjectData"_qs);
    QVERIFY(!missing.ok());
    QVERIFY(!QFile::exists(absent));
    QVERIFY(missing.failure().text().contains(u"quorvel-cli init-db"_qs));
    QVERIFY(QSqlDatabase::connectionNames().isEmpty());
}

void StoreTest::typedText_keepsEmptyTextAndBlanks()
{
    TestDatabase db;
    const QStringList typed{QString(), u"  padded  "_qs, u"O'Brien \"quoted\""_qs};
    const Status written = store::write(db.path(), u"Adding"_qs, [&](Connection &c) -> Status {
        for (const QString &name : typed) {
            if (auto added =
                    c.insert(u"ProjectData"_qs, {{u"projectName"_qs, store::typedText(name)}});
                !added)
                return added.failure();
        }
        return store::success();
    });
    QVERIFY(written.ok());
    const auto rows = db.rows(u"SELECT projectName IS NULL, projectName FROM ProjectData"_qs);
    QCOMPARE(rows.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(rows[i][0].toInt(), 0);
        QCOMPARE(rows[i][1].toString(), typed[i]);
    }
}

void StoreTest::initDb_createsFourTablesOnceAndRefusesToOverwrite()
{
    const QString cli = qEnvironmentVariable("QUORVEL_CLI");
    if (cli.isEmpty())
        QSKIP("QUORVEL_CLI names the companion tool when run through CTest");
    TestDatabase scratch;
    const QString path = scratch.directory() + u"/made by cli.db"_qs;
    QCOMPARE(QProcess::execute(cli, {u"init-db"_qs, path}), 0);
    for (const QString &table :
         {u"ProjectData"_qs, u"ChannelData"_qs, u"TemplateData"_qs, u"ProgrammeData"_qs})
        QVERIFY2(selectAll(path, table).ok(), qPrintable(table));

    scratch.addProject(u"Precious"_qs);
    QProcess again;
    again.start(cli, {u"init-db"_qs, scratch.path()});
    QVERIFY(again.waitForFinished());
    QVERIFY(again.exitCode() != 0);
    QVERIFY(again.readAllStandardError().contains("already exists"));
    QCOMPARE(scratch.value(u"SELECT projectName FROM ProjectData"_qs).toString(), u"Precious"_qs);
}

void StoreTest::createDatabase_leavesNothingButTheWholeFile_data()
{
    QTest::addColumn<bool>("unnamed"); // the new file has no name until it is whole
    QTest::newRow("unnamed until whole") << true;
    QTest::newRow("named temporary") << false;
}

void StoreTest::createDatabase_leavesNothingButTheWholeFile()
{
    QFETCH(bool, unnamed);
    store::AtomicFile::setUnnamedFilesTried(unnamed);
    const auto restore = qScopeGuard([] { store::AtomicFile::setUnnamedFilesTried(true); });
    QTemporaryDir folder;
    const QString path = folder.filePath(u"quorvel.db"_qs);
    // What a killed run of a process long gone left behind.
    const QString abandoned = folder.filePath(u".quorvel.db.2147483646-abcdef.tmp"_qs);
    QFile part(abandoned);
    QVERIFY(part.open(QIODevice::WriteOnly) && part.write("SQLite format 3") > 0);
    part.close();
    const auto files = [&] {
        return QDir(folder.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    };

    QVERIFY(store::createDatabase(path));
    QCOMPARE(store::inspectDatabase(path).kind, store::DatabaseCheck::Quorvel);
    QCOMPARE(files(), QStringList{u"quorvel.db"_qs});

    const QByteArray before = [&] {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    const auto again = store::createDatabase(path);
    QVERIFY(!again);
    QVERIFY(again.failure().detail.contains(u"already exists"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
    QCOMPARE(files(), QStringList{u"quorvel.db"_qs});

    const auto nowhere = store::createDatabase(folder.filePath(u"missing/quorvel.db"_qs));
    QVERIFY(!nowhere);
    QVERIFY2(nowhere.failure().detail.contains(
                 u"The folder %1 does not exist"_qs.arg(folder.filePath(u"missing"_qs))),
             qPrintable(nowhere.failure().detail));
}

QTEST_GUILESS_MAIN(StoreTest)
#include "tst_store.moc"
