#include "channels/Channels.h"
#include "programmes/Programmes.h"
#include "projects/Projects.h"
#include "schedule/Schedule.h"
#include "store/AtomicFile.h"
#include "store/Connection.h"
#include "store/Database.h"
#include "store/Gone.h"
#include "store/SchemaUpgrade.h"
#include "store/Tables.h"
#include "support/Files.h"
#include "support/TestDatabase.h"
#include "xmltv/XmltvImport.h"
#include "xmltv/XmltvWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <sqlite3.h>

#include <atomic>
#include <functional>
#include <future>
#include <thread>

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

// Runs SQL on the file the way any other SQLite program would, past the
// program's own store access.
QList<QStringList> raw(const QString &path, const QString &sql)
{
    QList<QStringList> rows;
    const auto collect = [](void *out, int count, char **values, char **) {
        QStringList row;
        for (int i = 0; i < count; ++i)
            row << (values[i] ? QString::fromUtf8(values[i]) : u"<null>"_qs);
        static_cast<QList<QStringList> *>(out)->append(row);
        return 0;
    };
    sqlite3 *db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK ||
        sqlite3_exec(db, sql.toUtf8().constData(), collect, &rows, nullptr) != SQLITE_OK)
        qFatal("raw: %s", sqlite3_errmsg(db));
    sqlite3_close(db);
    return rows;
}

// Everything stored, table by table, as another SQLite program would read it.
QList<QStringList> everyRow(const QString &path)
{
    return raw(path, u"SELECT * FROM ProjectData ORDER BY rowid;\n"
                     "SELECT * FROM ChannelData ORDER BY rowid;\n"
                     "SELECT channelID, templateData FROM TemplateData ORDER BY rowid;\n"
                     "SELECT programmeID, channelID, programmeName, programmeDesc, startDate, "
                     "startTime, duration, category FROM ProgrammeData ORDER BY rowid;\n"
                     "SELECT name, seq FROM sqlite_sequence ORDER BY name;\n"_qs);
}

// Every row of every table, on either engine.
QList<QStringList> storedRows(TestDatabase &db)
{
    QList<QStringList> rows;
    for (const QString &table :
         store::tables::all() + QStringList{store::tables::ChannelXmltv::table})
        rows << db.texts(u"SELECT * FROM %1 ORDER BY 1, 2"_qs.arg(table));
    return rows;
}

// Every table, column and index, generated keys included, as SQLite
// describes them rather than as the schema's text: an upgrade's added
// columns follow a table's others wherever a new database's text has them.
QList<QStringList> shape(const QString &path)
{
    QList<QStringList> rows =
        raw(path, u"SELECT type, name, tbl_name FROM sqlite_master ORDER BY name"_qs);
    for (const QStringList &row : raw(path, u"SELECT type, name FROM sqlite_master "
                                            u"WHERE type IN ('table', 'index') ORDER BY name"_qs))
        rows += raw(path, u"PRAGMA %1_xinfo(%2)"_qs.arg(row[0], row[1]));
    return rows;
}

// An older database made by hand in the folder: the schema of one version,
// the rows every such fixture holds, then any more SQL.
QString olderDatabase(const TestDatabase &fresh, const QString &schema, const QString &more = {})
{
    const QString path = fresh.directory() + u"/older.db"_qs;
    raw(path,
        QString::fromUtf8(contents(QStringLiteral(QUORVEL_STORE_SAMPLES "/") + schema) + '\n' +
                          contents(QStringLiteral(QUORVEL_STORE_SAMPLES "/rows.sql"))) +
            more);
    return path;
}

// A command run on the database at the path, with a folder for its files.
using Command = std::function<Status(const QString &database, const QString &folder)>;

template<typename T> Status status(const Result<T> &result)
{
    return result ? store::success() : Status(result.failure());
}

} // namespace

Q_DECLARE_METATYPE(Command)

class StoreTest : public QObject
{
    Q_OBJECT

private slots:
    void joinDatabasePath_data()
    {
        addColumns<QString, QString>("directory", "expected");
        QTest::newRow("windows directory") << u"C:\\Listings"_qs << u"C:\\Listings\\quorvel.db"_qs;
        QTest::newRow("windows drive root") << u"D:\\"_qs << u"D:\\quorvel.db"_qs;
        QTest::newRow("drive root, qt form") << u"D:/"_qs << u"D:/quorvel.db"_qs;
        QTest::newRow("unix directory") << u"/opt/quorvel"_qs << u"/opt/quorvel/quorvel.db"_qs;
        QTest::newRow("unix root") << u"/"_qs << u"/quorvel.db"_qs;
    }

    void joinDatabasePath()
    {
        QFETCH(QString, directory);
        QFETCH(QString, expected);
        QCOMPARE(store::joinDatabasePath(directory), expected);
    }

    // Where a program started without a database named looks, and where
    // init-db makes one: beside it while that can be used, else the user's own.
    void defaultDatabase_besideOrUsersOwn_data()
    {
        // beside: a quorvel.db lies beside the program
        // folderWritable: the program's folder may be written
        addColumns<bool, bool, bool>("beside", "folderWritable", "chosenBeside");
        QTest::newRow("beside, folder of its own") << true << true << true;
        QTest::newRow("none beside") << false << true << false;
        QTest::newRow("beside, shared read-only folder") << true << false << false;
    }

    void defaultDatabase_besideOrUsersOwn()
    {
        QFETCH(bool, beside);
        QFETCH(bool, folderWritable);
        QFETCH(bool, chosenBeside);
        QTemporaryDir root;
        const QString program = root.filePath(u"bin"_qs);
        QVERIFY(QDir().mkpath(program));
        qputenv("XDG_DATA_HOME", root.filePath(u"data"_qs).toLocal8Bit());
        const auto restore = qScopeGuard([] { qunsetenv("XDG_DATA_HOME"); });
        const QString own = root.filePath(u"data/Quorvel/quorvel.db"_qs);
        QCOMPARE(store::userDatabasePath(), own);
        const QString besidePath = store::joinDatabasePath(program);
        if (beside)
            QVERIFY(store::createDatabase(besidePath));
        if (!folderWritable) {
            QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner));
            if (QFileInfo(program).isWritable())
                QSKIP("This user (root) may write in any folder.");
        }
        const QString chosen = store::defaultDatabasePath(program);
        QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(chosen, chosenBeside ? besidePath : own);
        // The user's data folder is made for the first database in it; a
        // missing folder elsewhere is still refused.
        if (!chosenBeside) {
            QVERIFY(store::createDatabase(own));
            QCOMPARE(store::inspectDatabase(own).kind, store::DatabaseCheck::Quorvel);
            QVERIFY(!store::createDatabase(root.filePath(u"elsewhere/quorvel.db"_qs)));
        }
    }

    void failures_rollBackCloseAndSayWhatAndWhere_data()
    {
        // failing: run after a first project went in
        // before: then this, if anything
        addColumns<QString, QString, QString, QString>("failing", "before", "said", "unsaid");
        QTest::newRow("unknown column") << u"INSERT INTO ProjectData (noSuchColumn) VALUES (1)"_qs
                                        << QString() << u"noSuchColumn"_qs << u"read-only"_qs;
        // In words, not as the engine puts it: a server's user may lack the right.
        const bool server = testsOnServer();
        QTest::newRow("read-only connection")
            << u"INSERT INTO ProjectData (projectName) VALUES ('P')"_qs
            << (server ? u"SET LOCAL ROLE quorvel_pw"_qs : u"PRAGMA query_only = 1"_qs)
            << (server ? u"may only read and export listings"_qs : u"read-only for this user"_qs)
            << u"attempt to write"_qs;
    }

    void failures_rollBackCloseAndSayWhatAndWhere()
    {
        QFETCH(QString, failing);
        QFETCH(QString, before);
        QFETCH(QString, said);
        QFETCH(QString, unsaid);
        TestDatabase db;
        const Status failed =
            store::write(db.path(), u"Adding two projects"_qs, [&](Connection &c) {
                for (const QString &sql :
                     {u"INSERT INTO ProjectData (projectName) VALUES ('First')"_qs, before}) {
                    if (auto done = sql.isEmpty() ? store::success() : c.execute(sql); !done)
                        return done;
                }
                return c.execute(failing);
            });
        QVERIFY(!failed.ok());
        const QString text = failed.failure().text();
        QCOMPARE(failed.failure().action, u"Adding two projects"_qs);
        QVERIFY2(failed.failure().detail.contains(said, Qt::CaseInsensitive) &&
                     !text.contains(unsaid),
                 qPrintable(text));
        QVERIFY(text.contains(db.path()));
        QCOMPARE(db.value(u"SELECT COUNT(*) FROM ProjectData"_qs).toInt(), 0);
        QVERIFY(selectAll(db.path(), u"ProjectData"_qs).ok());
        QVERIFY(QSqlDatabase::connectionNames().isEmpty());
    }

    void initDbCommand_namesTheToolBesideTheProgram()
    {
        // Quoting only what needs quoting.
        const QString tool =
            QDir::toNativeSeparators(QCoreApplication::applicationDirPath() + u"/quorvel-cli"_qs);
        const QString plain = QDir::toNativeSeparators(u"/tmp/absent.db"_qs);
        const QString spaced = QDir::toNativeSeparators(u"/tmp/my listings.db"_qs);
        QCOMPARE(store::initDbCommand(plain), tool + u" init-db "_qs + plain);
        QVERIFY(store::initDbCommand(spaced).endsWith(u" init-db '"_qs + spaced + u"'"_qs));
    }

    void createDatabase_leavesNothingButTheWholeFile_data()
    {
        QTest::addColumn<bool>("unnamed"); // the new file has no name until it is whole
        QTest::newRow("unnamed until whole") << true;
        QTest::newRow("named temporary") << false;
    }

    void createDatabase_leavesNothingButTheWholeFile()
    {
        SKIP_ON_SERVER("a file made whole or not at all; tst_server makes a server's");
        QFETCH(bool, unnamed);
        store::AtomicFile::setUnnamedFilesTried(unnamed);
        const auto restore = qScopeGuard([] { store::AtomicFile::setUnnamedFilesTried(true); });
        QTemporaryDir folder;
        const QString path = folder.filePath(u"quorvel.db"_qs);
        // What a killed run of a process long gone left behind.
        QVERIFY(
            writeFile(folder.filePath(u".quorvel.db.2147483646-abcdef.tmp"_qs), "SQLite format 3"));

        QVERIFY(store::createDatabase(path));
        QCOMPARE(store::inspectDatabase(path).kind, store::DatabaseCheck::Quorvel);
        QCOMPARE(filesIn(folder.path()), QStringList{u"quorvel.db"_qs});

        const QByteArray before = contents(path);
        const auto again = store::createDatabase(path);
        QVERIFY(!again && again.failure().detail.contains(u"already exists"));
        QCOMPARE(contents(path), before);
        QCOMPARE(filesIn(folder.path()), QStringList{u"quorvel.db"_qs});

        const auto nowhere = store::createDatabase(folder.filePath(u"missing/quorvel.db"_qs));
        QVERIFY(!nowhere);
        QVERIFY2(nowhere.failure().detail.contains(
                     u"The folder %1 does not exist"_qs.arg(folder.filePath(u"missing"_qs))),
                 qPrintable(nowhere.failure().detail));
    }

    void atomicFile_largerThanItsWritebackStep_data()
    {
        QTest::addColumn<bool>("committed");
        QTest::newRow("committed") << true;
        QTest::newRow("thrown away") << false;
    }

    void atomicFile_largerThanItsWritebackStep()
    {
        // Past the size at which a thread syncs what was written so far.
        QFETCH(bool, committed);
        QTemporaryDir folder;
        const QString path = folder.filePath(u"guide.xml"_qs);
        QByteArray piece(1 << 20, 'x');
        QByteArray all;
        {
            store::AtomicFile file(path);
            file.setWrittenBack(true);
            QVERIFY(file.open());
            for (int i = 0; i < 40; ++i) {
                piece[0] = char('a' + i % 26);
                QCOMPARE(file.device().write(piece), qint64(piece.size()));
                all += piece;
            }
            if (committed)
                QVERIFY2(file.commit(), qPrintable(file.errorString()));
        }
        QCOMPARE(filesIn(folder.path()), committed ? QStringList{u"guide.xml"_qs} : QStringList());
        QCOMPARE(contents(path) == all, committed);
    }

    void olderDatabase_isUpgradedOnOpen_keepingEveryRow_data()
    {
        // Every version a database may still be of, each as its schema.sql made it.
        QTest::addColumn<QString>("schema");
        for (int version = 0; version < store::schemaVersion; ++version)
            QTest::newRow(qPrintable(u"version %1"_qs.arg(version)))
                << u"version%1.sql"_qs.arg(version);
    }

    void olderDatabase_isUpgradedOnOpen_keepingEveryRow()
    {
        SKIP_ON_SERVER("an older database file is upgraded; a server's schema is made new");
        QFETCH(QString, schema);
        TestDatabase fresh;
        const QString path = olderDatabase(fresh, schema);
        const QString twin = fresh.directory() + u"/twin.db"_qs;
        QVERIFY(QFile::copy(path, twin));
        const QList<QStringList> before = everyRow(path);
        QVERIFY(before.contains(QStringList{u"ProgrammeData"_qs, u"4"_qs}));

        // Any command opens it; its first look finds the old version.
        const auto listed = programmes::listProgrammes(path, 1);
        QVERIFY2(listed.ok(), qPrintable(listed.ok() ? QString() : listed.failure().text()));
        // The version schema.sql writes is the one the program upgrades to.
        const QList<QStringList> newest{{QString::number(store::schemaVersion)}};
        QCOMPARE(raw(fresh.path(), u"PRAGMA user_version"_qs), newest);
        QCOMPARE(raw(path, u"PRAGMA user_version"_qs), newest);
        QCOMPARE(everyRow(path), before);
        QCOMPARE(shape(path), shape(fresh.path()));
        // The new keys read "2024-3-5" as a date: the morning comes first.
        QStringList names;
        for (const ListEntry &entry : listed.value())
            names << entry.text;
        QCOMPARE(names, (QStringList{u"Morning news"_qs, u"Late film"_qs}));
        // The deleted programme's identifier is not handed out again.
        QVERIFY(programmes::addProgramme(path, 2, namedProgramme(u"New"_qs)).ok());
        QCOMPARE(raw(path, u"SELECT max(programmeID) FROM ProgrammeData"_qs),
                 QList<QStringList>{{u"5"_qs}});

        // Two programs opening the same old file at once: one upgrades, the
        // other waits for it and finds the file up to date.
        std::atomic<int> opened = 0;
        const auto open = [&] {
            opened += selectAll(twin, u"ProgrammeData"_qs).ok() ? 1 : 0;
        };
        std::thread first(open), second(open);
        first.join();
        second.join();
        QCOMPARE(opened.load(), 2);
        QCOMPARE(everyRow(twin), before);
        QCOMPARE(shape(twin), shape(fresh.path()));
    }

    void version3Details_moveIntoTheirColumns_data()
    {
        // The kept details of a programme an earlier Quorvel imported, and what
        // the upgrade leaves of them beside the sub-title, episode and system.
        addColumns<QString, QStringList, QString>("kept", "columns", "left");
        const QString null = u"<null>"_qs;
        QTest::newRow("the first of each, escaped text, other attributes stay")
            << u"<sub-title lang=\"en\">A &amp; B&#10;C</sub-title>\n<sub-title lang=\"fr\">A et "
               "B</sub-title>\n<episode-num system=\"xmltv_ns\">0.1.</episode-num>\n<episode-num "
               "system=\"onscreen\">S1E2</episode-num>"_qs
            << QStringList{u"A & B\nC"_qs, u"0.1."_qs, u"xmltv_ns"_qs}
            << u"<sub-title lang=\"en\"/>\n<sub-title lang=\"fr\">A et B</sub-title>\n"
               "<episode-num/>\n<episode-num system=\"onscreen\">S1E2</episode-num>"_qs;
        QTest::newRow("an episode without a system")
            << u"<credits>\n<episode-num>Pilot</episode-num>"_qs
            << QStringList{null, u"Pilot"_qs, null} << u"<credits>\n<episode-num/>"_qs;
        QTest::newRow("a sub-title that is no plain text stays as it was")
            << u"<sub-title><b>x</b></sub-title>"_qs << QStringList{null, null, null}
            << u"<sub-title><b>x</b></sub-title>"_qs;
    }

    void version3Details_moveIntoTheirColumns()
    {
        SKIP_ON_SERVER("an older database file is upgraded; a server's schema is made new");
        QFETCH(QString, kept);
        QFETCH(QStringList, columns);
        QFETCH(QString, left);
        TestDatabase fresh;
        const QString path = olderDatabase(
            fresh, u"version3.sql"_qs,
            u"UPDATE ProgrammeData SET xmltvExtra = '%1' WHERE programmeID = 1;"_qs.arg(
                QString(kept).replace(u'\'', u"''"_qs)));
        QVERIFY(programmes::listProgrammes(path, 1).ok());
        QCOMPARE(raw(path, u"SELECT subTitle, episodeNum, episodeSystem, xmltvExtra FROM "
                           "ProgrammeData WHERE programmeID = 1"_qs),
                 (QList<QStringList>{columns + QStringList{left}}));
    }

    void failedUpgrade_leavesTheFileAsItWas()
    {
        SKIP_ON_SERVER("an older database file is upgraded; a server's schema is made new");
        // A version 0 file whose programme table lost a column: the first step
        // cannot copy its rows, and every step is undone with it.
        TestDatabase fresh;
        const QString path = olderDatabase(fresh, u"version0.sql"_qs,
                                           u"ALTER TABLE ProgrammeData DROP COLUMN category;"_qs);
        const QByteArray before = contents(path);

        const auto listed = programmes::listProgrammes(path, 1);
        QVERIFY(!listed.ok());
        QVERIFY2(listed.failure().detail.contains(u"could not be brought up to version %1; it was "
                                                  u"left as it was"_qs.arg(store::schemaVersion)),
                 qPrintable(listed.failure().detail));
        QCOMPARE(contents(path), before);
    }

    void unusableFiles_areRefusedSayingWhatToDo_data()
    {
        addColumns<QString, QStringList>("make", "said");
        const QString remake = u"init-db"_qs;
        const int newer = store::schemaVersion + 1;
        QTest::newRow("newer version")
            << u"PRAGMA user_version = %1"_qs.arg(newer)
            << QStringList{u"newer Quorvel"_qs, u"version is %1"_qs.arg(newer),
                           u"versions up to %1"_qs.arg(store::schemaVersion)};
        QTest::newRow("another program's SQLite database")
            << u"CREATE TABLE notes (line TEXT)"_qs
            << QStringList{u"not a Quorvel database"_qs, u"Move it out of the way"_qs, remake};
        QTest::newRow("missing, never created")
            << u"none"_qs << QStringList{u"quorvel-cli init-db"_qs};
        QTest::newRow("empty file")
            << QString() << QStringList{u"not a Quorvel database"_qs, remake};
        QTest::newRow("not SQLite at all")
            << u"junk"_qs << QStringList{u"not an SQLite database at all"_qs, remake};
        QTest::newRow("damaged") << u"damage"_qs
                                 << QStringList{u"is damaged"_qs, u"SQLite says"_qs, u"backup"_qs,
                                                remake};
    }

    void unusableFiles_areRefusedSayingWhatToDo()
    {
        SKIP_ON_SERVER("files that are no database; tst_server has a server's");
        QFETCH(QString, make);
        QFETCH(QStringList, said);
        TestDatabase db;
        db.addProject(u"P"_qs);
        const QString path = db.directory() + u"/other.db"_qs;
        if (make == u"junk"_qs || make.isEmpty()) {
            QVERIFY(writeFile(path, make.toLatin1().repeated(100)));
        } else if (make == u"damage"_qs) {
            // The project table's page, overwritten.
            QVERIFY(QFile::copy(db.path(), path));
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(4096));
            file.write(QByteArray(4096, '\xff'));
        } else if (make.startsWith(u"PRAGMA"_qs)) {
            QVERIFY(QFile::copy(db.path(), path));
            raw(path, make);
        } else if (make != u"none"_qs) {
            raw(path, make);
        }
        const QByteArray before = contents(path);

        const Status refused = selectAll(path, u"ProjectData"_qs);
        QVERIFY(!refused.ok());
        const QString text = refused.failure().detail;
        QVERIFY2(text.contains(QDir::toNativeSeparators(path)), qPrintable(text));
        for (const QString &words : said)
            QVERIFY2(text.contains(words), qPrintable(text));
        QCOMPARE(contents(path), before);
        QCOMPARE(QFile::exists(path), make != u"none"_qs);
        QVERIFY(QSqlDatabase::connectionNames().isEmpty());
    }

    void sqliteFailures_areExplained_data()
    {
        addColumns<int, QStringList>("code", "said");
        const QStringList readOnly{u"read-only for this user"_qs,
                                   u"Ask whoever installed Quorvel"_qs,
                                   u"install Quorvel into a folder of your own"_qs};
        QTest::newRow("read-only, extended code") << SQLITE_READONLY_DBMOVED << readOnly;
        QTest::newRow("journal cannot be made")
            << SQLITE_CANTOPEN
            << QStringList{u"may not write in its folder"_qs, u"Ask whoever installed Quorvel"_qs};
        QTest::newRow("interrupted change, no write access")
            << SQLITE_READONLY_ROLLBACK
            << QStringList{u"previous run was interrupted"_qs,
                           u"write access to the file and to its folder /srv/tv"_qs,
                           u"/srv/tv/quorvel.db-journal"_qs};
        const QStringList busy{u"Another program is using"_qs, u"try again"_qs};
        QTest::newRow("busy") << SQLITE_BUSY << busy;
        QTest::newRow("locked") << SQLITE_LOCKED_SHAREDCACHE << busy;
        QTest::newRow("disk full") << SQLITE_FULL << QStringList{u"is full"_qs};
        QTest::newRow("anything else, as SQLite said it")
            << SQLITE_CONSTRAINT << QStringList{u"SQLite said this"_qs};
    }

    void sqliteFailures_areExplained()
    {
        QFETCH(int, code);
        QFETCH(QStringList, said);
        const QString path = u"/srv/tv/quorvel.db"_qs;
        const QString text = store::explainSqliteFailure(code, u"SQLite said this"_qs, path);
        if (code != SQLITE_CONSTRAINT)
            QVERIFY2(text.contains(QDir::toNativeSeparators(path)), qPrintable(text));
        for (const QString &words : said)
            QVERIFY2(text.contains(words), qPrintable(text));
    }

    void writeCommand_waitsForAnotherWriter()
    {
        SKIP_ON_SERVER("another SQLite program's lock; tst_server has a server's");
        TestDatabase db;
        const qint32 programme =
            db.addProgramme(db.addChannel(db.addProject(u"P"_qs), u"C"_qs), u"A"_qs);
        const auto read = programmes::loadProgramme(db.path(), programme).value();
        // Another program holds a write transaction for a second, then commits.
        std::promise<void> holding;
        std::thread other([&] {
            sqlite3 *c = nullptr;
            sqlite3_open(db.path().toUtf8().constData(), &c);
            sqlite3_exec(c,
                         "BEGIN IMMEDIATE; INSERT INTO ProjectData (projectName) VALUES ('Other')",
                         nullptr, nullptr, nullptr);
            holding.set_value();
            std::this_thread::sleep_for(std::chrono::seconds(1));
            sqlite3_exec(c, "COMMIT", nullptr, nullptr, nullptr);
            sqlite3_close(c);
        });
        holding.get_future().wait();
        QElapsedTimer waited;
        waited.start();
        // A command that reads before it writes, as most do.
        const Status saved =
            programmes::changeProgramme(db.path(), programme, namedProgramme(u"B"_qs), read);
        const qint64 ms = waited.elapsed();
        other.join();
        QVERIFY2(saved.ok(), qPrintable(saved.ok() ? QString() : saved.failure().text()));
        QVERIFY2(ms >= 500, qPrintable(QString::number(ms)));
        QCOMPARE(db.value(u"SELECT programmeName FROM ProgrammeData"_qs).toString(), u"B"_qs);
        QCOMPARE(db.value(u"SELECT count(*) FROM ProjectData"_qs).toInt(), 2);
    }

    // The packed list: every line gives back its text and identifier exactly,
    // wherever it lies in the blocks, and the programme list reads the stored
    // names as Qt's SQLite driver does, whatever bytes they hold.
    void lines_comeBackAsAppended_data()
    {
        // ids: the identifiers, when not counting down from 1000.
        addColumns<QStringList, QList<qint32>>("texts", "ids");
        QTest::newRow("none") << QStringList() << QList<qint32>();
        QTest::newRow("empty and short")
            << QStringList{QString(), u"a"_qs, QString(), u"Caf\u00e9 \U0001F4FA \u20ac"_qs}
            << QList<qint32>();
        // A group of lines whose identifiers widen it to each width in turn,
        // at the ends of each width's range, and the group after it.
        const qint32 mid = 5'000'000;
        QList<qint32> far{mid, mid + 1};
        for (const qint32 half : {1 << 7, 1 << 15, 1 << 23})
            far << mid - half << mid + half - 1;
        far << mid + (1 << 23) << 2'147'483'647 << 1 << mid;
        QStringList farTexts;
        QList<qint32> farIds;
        for (int i = 0; i < 70; ++i) {
            farTexts << u"Line %1"_qs.arg(i);
            farIds << far.at(i % far.size());
        }
        QTest::newRow("identifiers far apart") << farTexts << farIds;
        // Lines that fill blocks to their last byte and beyond, and one longer
        // than a block, which has one of its own.
        QStringList filling;
        for (int i = 0; i < 40000; ++i)
            filling << u"Programme number %1"_qs.arg(i) + QString(i % 53, u'\u00e9');
        filling.insert(20000, QString(3 << 20, u'x'));
        filling.insert(20001, u"after the long one"_qs);
        QTest::newRow("across blocks") << filling << QList<qint32>();
    }

    void lines_comeBackAsAppended()
    {
        QFETCH(QStringList, texts);
        QFETCH(QList<qint32>, ids);
        for (qint32 i = ids.size(); i < texts.size(); ++i)
            ids << 1000 - i;
        ListEntries entries;
        for (int i = 0; i < texts.size(); ++i)
            entries.append({texts.at(i), ids.at(i)});
        QCOMPARE(entries.size(), texts.size());
        QCOMPARE(entries.isEmpty(), texts.isEmpty());
        int i = 0;
        for (const ListEntry &entry : entries) {
            if (entry.text != texts.at(i) || entry.id != ids.at(i))
                QFAIL(qPrintable(u"line %1 differs"_qs.arg(i)));
            ++i;
        }
        QCOMPARE(i, texts.size());
    }

    void programmeList_readsStoredNamesAsTheDriverDoes()
    {
        TestDatabase db;
        const qint32 channel = db.addChannel(db.addProject(u"P"_qs), u"C"_qs);
        QStringList names{u"'Plain'"_qs, u"'Caf\u00e9 \U0001F4FA'"_qs, u"NULL"_qs, u"''"_qs,
                          u"'   '"_qs,
                          // Bytes that are not UTF-8, and non-characters SQLite replaces.
                          u"CAST(X'41FF42C3' AS TEXT)"_qs, u"CAST(X'C0AF' AS TEXT)"_qs,
                          u"CAST(X'EDA080' AS TEXT)"_qs, u"CAST(X'EFBFBE' AS TEXT)"_qs,
                          u"CAST(X'EFB790' AS TEXT)"_qs, u"CAST(X'F09FBFBE' AS TEXT)"_qs,
                          u"CAST(X'F4908080' AS TEXT)"_qs, u"char(0) || 'after nul'"_qs};
        if (testsOnServer()) // which refuses U+0000 in text
            names.removeLast();
        for (int i = 0; i < names.size(); ++i) {
            db.exec(u"INSERT INTO ProgrammeData (channelID, programmeName, startDate, startTime) "
                    "VALUES (?, %1, '2024-01-01', ?)"_qs.arg(names.at(i)),
                    {channel, u"%1:00"_qs.arg(10 + i)});
        }
        const auto listed = programmes::listProgrammes(db.path(), channel);
        QVERIFY(listed.ok());
        QStringList got;
        for (const ListEntry &entry : listed.value())
            got << entry.text;
        QStringList expected;
        for (const QVariantList &row :
             db.rows(u"SELECT programmeName FROM ProgrammeData ORDER BY programmeID"_qs)) {
            const QString name = row.at(0).toString();
            expected << (name.isEmpty() ? programmes::unnamedProgrammeText() : name);
        }
        QCOMPARE(got, expected);
    }

    void goneRow_failsAsGoneAndChangesNothing_data()
    {
        // Run by another program between the window's reading and the command.
        addColumns<QString, QString, Command>("behind", "gone", "command");
        using Project = store::tables::Project;
        using Channel = store::tables::Channel;
        using Programme = store::tables::Programme;
        // Only the row itself: its children stay behind, and must stay.
        const QString project = u"DELETE FROM ProjectData WHERE projectID = 1"_qs;
        const QString channel = u"DELETE FROM ChannelData WHERE channelID = 1"_qs;
        const QString programme = u"DELETE FROM ProgrammeData WHERE programmeID = 2"_qs;
        const auto row = [](const char *name, const QString &behind, const QString &gone,
                            Command command) {
            QTest::newRow(name) << behind << gone << std::move(command);
        };
        channels::Channel edited{u"Renamed"_qs};
        edited.templateLines = {u"T, C, 1"_qs};

        // One row for each way a command meets a gone row: a changed row,
        // a delete that would take children, a list read, an added row
        // under a gone parent, a single row read, and the commands that
        // go their own way to the store.
        row("rename project", project, Project::table,
            [](auto &db, auto &) { return projects::renameProject(db, 1, u"New"_qs); });
        row("delete project", project, Project::table,
            [](auto &db, auto &) { return projects::deleteProject(db, 1); });
        row("list channels", project, Project::table,
            [](auto &db, auto &) { return status(channels::listChannels(db, 1)); });
        row("add channel", project, Project::table,
            [=](auto &db, auto &) { return status(channels::saveChannel(db, 0, 1, edited, {})); });
        row("save channel", channel, Channel::table,
            [=](auto &db, auto &) { return status(channels::saveChannel(db, 1, 1, edited, {})); });
        row("load programme", programme, Programme::table,
            [](auto &db, auto &) { return status(programmes::loadProgramme(db, 2)); });
        row("change programme, every box empty", programme, Programme::table,
            [](auto &db, auto &) { return programmes::changeProgramme(db, 2, {}, {}); });
        row("schedule delete, one of two gone", programme, Programme::table, [](auto &db, auto &) {
            // The first as the table shows it; the second as it showed it before.
            QList<schedule::Programme> shown = schedule::loadSchedule(db, 1).value();
            shown.append(schedule::Programme{2});
            return status(schedule::removeProgrammes(db, shown));
        });
        row("xmltv import", project, Project::table, [](auto &db, auto &) {
            return status(
                xmltv::importXmltv(db, 1, QStringLiteral(QUORVEL_XMLTV_SAMPLES "/guide.xml")));
        });
        row("xmltv export", project, Project::table, [](auto &db, const QString &folder) {
            return status(xmltv::writeXmltv(db, 1, folder + u"/out.xml"_qs, QTimeZone::utc()));
        });
    }

    void goneRow_failsAsGoneAndChangesNothing()
    {
        QFETCH(QString, behind);
        QFETCH(QString, gone);
        QFETCH(Command, command);
        TestDatabase db;
        const qint32 channel = db.addChannel(db.addProject(u"P"_qs), u"C"_qs, u"1"_qs);
        db.addTemplate(channel, u"T, C, 1"_qs);
        db.addProgramme(channel, u"First"_qs);
        db.addProgramme(channel, u"Second"_qs);
        db.addProgramme(db.addChannel(db.addProject(u"Other"_qs), u"D"_qs), u"Third"_qs);
        db.exec(behind);
        const auto before = storedRows(db);

        const Status done = command(db.path(), db.directory());
        QVERIFY(!done.ok());
        const store::Failure &failure = done.failure();
        QVERIFY2(failure.isGone(), qPrintable(failure.text()));
        QCOMPARE(failure.gone, gone);
        QCOMPARE(failure.detail, store::goneText(gone));
        QCOMPARE(storedRows(db), before);
        QVERIFY(!QFile::exists(db.directory() + u"/out.xml"_qs));
    }
};

QTEST_GUILESS_MAIN(StoreTest)
#include "tst_store.moc"
