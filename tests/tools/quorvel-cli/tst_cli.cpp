#include "store/Database.h"
#include "support/Files.h"
#include "support/TestDatabase.h"
#include "support/TestServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <csignal>

#include <unistd.h>

namespace {

QString cli()
{
    return qEnvironmentVariable("QUORVEL_CLI");
}

// Arguments written as one line; "''" stands for an empty one.
QStringList args(const QString &line)
{
    QStringList result = line.split(u' ', Qt::SkipEmptyParts);
    result.replaceInStrings(u"''"_qs, QString());
    return result;
}

const QStringList exportCommands{u"export-dgc"_qs, u"export-xml"_qs, u"export-xmltv"_qs};

// A command's arguments for the project in the database, written to out.
QStringList exportArguments(const QString &command, const QString &database, const QString &project,
                            const QString &out)
{
    QStringList arguments{command, u"--db"_qs, database, u"--project"_qs, project};
    if (command == u"import-xmltv")
        return arguments << u"--in"_qs << out;
    if (command == u"guide-image")
        arguments << u"--day"_qs << u"2024-06-10"_qs;
    if (command == u"export-xmltv")
        arguments << u"--tz"_qs << u"UTC"_qs;
    return arguments << u"--out"_qs << out;
}

// A one-programme project; the file left behind by a link if asked.
void arrangeTown(TestDatabase &db)
{
    const qint32 channel = db.addChannel(db.addProject(u"Town"_qs), u"Town TV"_qs, u"101"_qs);
    db.addProgramme(channel, u"News"_qs, u"2024-06-10"_qs, u"18:00"_qs);
}

// The rows of a query on a database file, as the sqlite3 tool prints them.
QString sqliteRows(const QString &database, const QString &sql)
{
    QProcess sqlite;
    sqlite.start(u"sqlite3"_qs, {database, sql});
    return sqlite.waitForFinished() ? QString::fromUtf8(sqlite.readAllStandardOutput()) : QString();
}

// Each export of each project, as the tool writes it from the database.
QList<QByteArray> everyExport(const QString &database, const QString &folder)
{
    QList<QByteArray> written;
    for (const QString &project : {u"1"_qs, u"2"_qs, u"3"_qs}) {
        for (const QString &command : exportCommands) {
            const QString out = folder + u"/export"_qs;
            const CliRun done = runCli(exportArguments(command, database, project, out));
            written << QByteArray::number(done.exitCode) + done.out.toUtf8() + contents(out);
        }
    }
    return written;
}

} // namespace

class CliTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (cli().isEmpty())
            QSKIP("QUORVEL_CLI names the companion tool when run through CTest");
    }

    // The tool's answer to its arguments alone, before any file is touched:
    // help and version on standard output, wrong use named on standard error.
    void arguments_helpOrWrongUse_touchNoFile_data()
    {
        // said: how the help begins; what the error says
        addColumns<QString, int, QString>("arguments", "exitCode", "said");
        const QString general = u"Usage: quorvel-cli COMMAND [OPTIONS]\n"_qs;
        const QString usage =
            u"Usage: quorvel-cli export-dgc --db PATH --project ID --out FILE\n"_qs;
        const QString version = u"quorvel-cli %1.%2.%3\n"_qs.arg(QUORVEL_VERSION_MAJOR)
                                    .arg(QUORVEL_VERSION_MINOR)
                                    .arg(QUORVEL_VERSION_PATCH);
        // Help wins over whatever else is wrong on the line.
        for (const QString &row : {u"--help"_qs, u"help export-dgc"_qs, u"export-dgc --db x -h"_qs,
                                   u"--version"_qs, u"export-xml --version"_qs}) {
            QTest::newRow(qPrintable(row)) << row << 0
                                           << (row.contains(u"-v"_qs)           ? version
                                               : row.contains(u"export-dgc"_qs) ? usage
                                                                                : general);
        }
        const QString dgc = u"export-dgc --db d.db --project 1 "_qs;
        const QList<QStringList> rows{
            {u"nothing"_qs, QString(), u"A command is needed. See quorvel-cli --help."_qs},
            {u"unknown command"_qs, u"frobnicate"_qs, u"Unknown command 'frobnicate'."_qs},
            {u"unknown option first"_qs, u"--frobnicate"_qs, u"Unknown option 'frobnicate'."_qs},
            {u"unknown option, in the parser's words"_qs, dgc + u"--out o --colour red"_qs,
             u"See quorvel-cli help export-dgc."_qs},
            {u"missing option"_qs, dgc, u"export-dgc needs --out FILE."_qs},
            {u"empty value"_qs, dgc + u"--out ''"_qs, u"--out was given an empty FILE."_qs},
            {u"given twice"_qs, dgc + u"--out a --out b"_qs, u"--out was given more than once."_qs},
            {u"two paths"_qs, u"init-db a.db b.db"_qs, u"Unexpected argument 'b.db'."_qs},
            {u"unknown zone"_qs, u"export-xmltv --db d.db --project 1 --out o --tz Mars/Olympus"_qs,
             u"Unknown time zone \"Mars/Olympus\""_qs},
            {u"not a day"_qs, u"guide-image --db d.db --project 1 --day 10/06/2024 --out x.png"_qs,
             u"is not a day"_qs}};
        for (const QStringList &row : rows)
            QTest::newRow(qPrintable(row[0])) << row[1] << 2 << row[2];
    }

    void arguments_helpOrWrongUse_touchNoFile()
    {
        QFETCH(QString, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        QTemporaryDir folder;
        const CliRun done = runCli(args(arguments), folder.path());
        QCOMPARE(done.exitCode, exitCode);
        QCOMPARE(filesIn(folder.path()), QStringList());
        if (exitCode == 2) {
            QCOMPARE(done.out, QString());
            QVERIFY2(done.err.startsWith(u"quorvel-cli: "_qs) && done.err.contains(said) &&
                         done.err.count(u'\n') == 1,
                     qPrintable(done.err));
            return;
        }
        QCOMPARE(done.err, QString());
        QVERIFY2(done.out.startsWith(said), qPrintable(done.out));
        // Every help lists every exit code; the general one every command.
        if (said.startsWith(u"Usage"))
            for (const QString &code : {u"  0  done"_qs, u"  1  failed"_qs, u"  2  wrong use"_qs,
                                        u"  3  done, with programmes left out"_qs})
                QVERIFY2(done.out.contains(code), qPrintable(code));
        if (said.startsWith(u"Usage: quorvel-cli COMMAND"))
            for (const QString &command :
                 args(u"init-db check-db list-projects copy-db export-dgc "
                      "export-xml export-xmltv import-xmltv guide-image"_qs))
                QVERIFY2(done.out.contains(u"\n  "_qs + command + u' '), qPrintable(command));
    }

    // Without a path, init-db makes the database the program will open and
    // says where; one beside the program is never overwritten.
    void initDb_withoutPath_makesTheUsersOwn_data()
    {
        QTest::addColumn<bool>("beside");
        QTest::newRow("nothing anywhere") << false;
        QTest::newRow("one beside the program") << true;
    }

    void initDb_withoutPath_makesTheUsersOwn()
    {
        QFETCH(bool, beside);
        QTemporaryDir root;
        // A copy of the tool in a folder of its own, so that what lies beside
        // it is the test's.
        const QString bin = root.filePath(u"bin"_qs);
        QVERIFY(QDir().mkpath(bin));
        QVERIFY(QFile::copy(cli(), bin + u"/quorvel-cli"_qs));
        if (beside)
            QVERIFY(store::createDatabase(bin + u"/quorvel.db"_qs));
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"HOME"_qs, root.filePath(u"home"_qs));
        environment.remove(u"XDG_DATA_HOME"_qs);
        process.setProcessEnvironment(environment);
        process.start(bin + u"/quorvel-cli"_qs, {u"init-db"_qs});
        QVERIFY(process.waitForFinished(60000));
        const QString own = root.filePath(u"home/.local/share/Quorvel/quorvel.db"_qs);
        const QString said = QString::fromUtf8(beside ? process.readAllStandardError()
                                                      : process.readAllStandardOutput());
        QCOMPARE(process.exitCode(), beside ? 1 : 0);
        QVERIFY2(beside ? said.contains(u"already exists"_qs)
                        : said == u"Created an empty Quorvel database at %1\n"_qs.arg(own),
                 qPrintable(said));
        QCOMPARE(store::inspectDatabase(own).kind,
                 beside ? store::DatabaseCheck::Missing : store::DatabaseCheck::Quorvel);
    }

    void sameFailure_readsTheSameInEveryCommand_data()
    {
        // database: in the test's folder; empty: a Quorvel database
        addColumns<QString, QString, int, QString>("database", "project", "exitCode", "said");
        QTest::newRow("missing database")
            << u"absent.db"_qs << u"1"_qs << 1
            << u"There is no database at absent.db. Give the path of an existing one with --db, "
               u"or create one with: quorvel-cli init-db absent.db"_qs;
        QTest::newRow("unknown project")
            << QString() << u"99"_qs << 1
            << u"There is no project with the identifier 99 in quorvel.db. List the projects "
               u"with: quorvel-cli list-projects --db quorvel.db"_qs;
        QTest::newRow("identifier not a number")
            << QString() << u"one"_qs << 2
            << u"\"one\" is not a project identifier: --project takes the project's number (its "
               u"projectID)."_qs;
    }

    void sameFailure_readsTheSameInEveryCommand()
    {
        QFETCH(QString, database);
        QFETCH(QString, project);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        TestDatabase db;
        db.addProject(u"Only"_qs);
        if (database.isEmpty() && testsOnServer()) {
            database = db.path();
            said.replace(u"quorvel.db"_qs, database);
        } else if (database.isEmpty()) {
            database = QFileInfo(db.path()).fileName();
        }
        // The command to make a database names the tool and the file in full, so
        // that it works as pasted from wherever it is run.
        said.replace(u"quorvel-cli init-db "_qs + database,
                     QFileInfo(cli()).absoluteFilePath() + u" init-db "_qs +
                         QFileInfo(db.directory() + u'/' + database).absoluteFilePath());
        const QStringList before = filesIn(db.directory());
        for (const QString &command :
             exportCommands + QStringList{u"import-xmltv"_qs, u"guide-image"_qs}) {
            const QString out = command == u"guide-image" ? u"out.png"_qs : u"out.xml"_qs;
            const CliRun done =
                runCli(exportArguments(command, database, project, out), db.directory());
            QCOMPARE(done.exitCode, exitCode);
            QVERIFY2(done.err.startsWith(u"quorvel-cli: "_qs + said), qPrintable(done.err));
            QCOMPARE(done.err.count(u'\n'), 1);
            QCOMPARE(filesIn(db.directory()), before);
        }
        // A missing database reads the same when listing projects.
        if (exitCode == 1 && project != u"99") {
            const CliRun listed =
                runCli({u"list-projects"_qs, u"--db"_qs, database}, db.directory());
            QCOMPARE(listed.err, u"quorvel-cli: "_qs + said + u'\n');
        }
    }

    // Drawn without a display, at the width and in the zone given; a drawing
    // (.svg) goes through the same writer as the Guide's export, which
    // tst_grid_window checks.
    void guideImage_writesWithoutADisplay()
    {
        TestDatabase db;
        arrangeTown(db);
        const QString out = db.directory() + u"/narrow.png"_qs;
        const CliRun done = runCli(exportArguments(u"guide-image"_qs, db.path(), u"1"_qs, out) +
                                   args(u"--width 800 --tz Europe/London"_qs));
        QCOMPARE(done.exitCode, 0);
        QCOMPARE(done.err, QString());
        const QByteArray bytes = contents(out);
        // The width is the first field of the PNG's header chunk.
        QVERIFY(bytes.startsWith("\x89PNG\r\n\x1a\n") &&
                qFromBigEndian<quint32>(bytes.constData() + 16) == 800);
    }

    // The file a command looks at, or refuses to use or to write over, stays
    // as it was; a refusal is one line, and its exit code 1.
    void lookOrRefusal_leavesTheFileAsItWas_data()
    {
        // arguments: in the database's folder; LINK: a link to it
        // make: quorvel.db: "database", "folder", "half-way" or this text
        addColumns<QString, QString, int, QString>("arguments", "make", "exitCode", "said");
        const QString database = u"database"_qs, check = u"check-db quorvel.db"_qs;
        QTest::newRow("check-db, a Quorvel database") << check << database << 0 << QString();
        QTest::newRow("check-db, an empty file")
            << check << QString() << 1 << u"The file is empty"_qs;
        QTest::newRow("check-db, a folder") << check << u"folder"_qs << 1 << u"It is a folder."_qs;
        QTest::newRow("check-db, another program's database")
            << check << u"CREATE TABLE ProjectData (projectID INTEGER); CREATE TABLE Other (x)"_qs
            << 1
            << u"It is an SQLite database without Quorvel's tables ChannelData, TemplateData, "
               u"ProgrammeData."_qs;
        // The database relative to where the tool runs, the output absolute. The
        // exports' own refusal is tst_export's; the picture's is checked here.
        QTest::newRow("guide-image onto the database")
            << exportArguments(u"guide-image"_qs, u"quorvel.db"_qs, u"1"_qs, u"LINK"_qs).join(u' ')
            << database << 1
            << u"is the database itself; it was left untouched. Choose another file to write. "
               u"(database quorvel.db)"_qs;
        // Replaced only once whole: a store failing half-way leaves the older file.
        for (const QString &command : {u"export-dgc"_qs, u"export-xml"_qs})
            QTest::addRow("%s, the store failing half-way", qPrintable(command))
                << exportArguments(command, u"quorvel.db"_qs, u"1"_qs, u"older.txt"_qs).join(u' ')
                << u"half-way"_qs << 1 << u"no such column"_qs;
    }

    void lookOrRefusal_leavesTheFileAsItWas()
    {
        SKIP_ON_SERVER("the database file's own bytes");
        QFETCH(QString, arguments);
        QFETCH(QString, make);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        TestDatabase db;
        arrangeTown(db);
        if (make == u"half-way") {
            db.execAll({u"ALTER TABLE TemplateData RENAME COLUMN templateData TO gone"_qs,
                        u"ALTER TABLE ProgrammeData RENAME COLUMN programmeName TO gone"_qs});
        } else if (make != u"database") {
            QVERIFY(QFile::remove(db.path()));
            if (make == u"folder")
                QVERIFY(QDir(db.directory()).mkdir(u"quorvel.db"_qs));
            else if (make.startsWith(u"CREATE"))
                QCOMPARE(QProcess::execute(u"sqlite3"_qs, {db.path(), make}), 0);
            else
                QVERIFY(writeFile(db.path(), make.toUtf8()));
        }
        const QString link = db.directory() + u"/link.png"_qs; // guide-image writes only pictures
        QVERIFY(QFile::link(db.path(), link));
        QVERIFY(writeFile(db.directory() + u"/older.txt"_qs, "the older file\r\n"));
        const QByteArray before = contents(db.path());
        const QStringList files = filesIn(db.directory());
        const CliRun done =
            runCli(args(arguments).replaceInStrings(u"LINK"_qs, link), db.directory());
        QCOMPARE(done.exitCode, exitCode);
        QVERIFY2(exitCode == 0 ? done.err.isEmpty()
                               : done.err.startsWith(u"quorvel-cli: "_qs) &&
                                     done.err.contains(said) && done.err.count(u'\n') == 1,
                 qPrintable(done.err));
        QCOMPARE(contents(db.path()), before);
        QCOMPARE(contents(db.directory() + u"/older.txt"_qs), "the older file\r\n");
        QCOMPARE(filesIn(db.directory()), files);
    }

    // Every kind of row and kept detail, copied to a server and back: the
    // same exports from all three, the same identifiers, and counters that
    // never hand out a copied one again. Then a copy onto either is refused.
    void copyDb_fileToServerToFile_keepsEveryExportAndIdentifier()
    {
        if (testsOnServer())
            QSKIP("Starts from a file of its own: the run on a file covers it.");
        const QString server = freshServerDatabase(u"copydb"_qs);
        if (server.isEmpty())
            QSKIP("No test server: run through ctest, which starts one.");
        const auto drop = qScopeGuard([&] { dropServerDatabase(server); });
        TestDatabase db;
        const QString samples = QStringLiteral(QUORVEL_XMLTV_SAMPLES);
        db.execScript(samples + u"/awkward-project.sql"_qs);
        // An overlong and a surrogate's UTF-8 form are one character to the
        // windows and the XMLTV export, one '?' a byte to the guide
        // application's exports: no text a server can hold reads as both.
        db.exec(u"DELETE FROM ProgrammeData WHERE hex(programmeName) LIKE '%C0AF'"_qs);
        QCOMPARE(db.addProject(u"Guide"_qs), 3);
        const QString guide = samples + u"/every-detail.xml"_qs;
        QCOMPARE(runCli(exportArguments(u"import-xmltv"_qs, db.path(), u"3"_qs, guide)).exitCode,
                 0);
        for (const QString &line : {u"Z, last added first"_qs, u"A, first added last"_qs})
            db.addTemplate(1, line);
        db.addTemplate(db.value(u"SELECT max(channelID) FROM ChannelData"_qs).toInt(), u"G, 3"_qs);
        db.exec(u"DELETE FROM ProjectData WHERE projectID = ?"_qs, {db.addProject(u"Gone"_qs)});

        const QString back = db.directory() + u"/back.db"_qs;
        for (const auto &[from, to] : {std::pair{db.path(), server}, std::pair{server, back}}) {
            const CliRun copied = runCli({u"copy-db"_qs, u"--from"_qs, from, u"--to"_qs, to});
            QVERIFY2(copied.exitCode == 0 && copied.out.startsWith(u"Copied 3 projects, 8 "_qs),
                     qPrintable(copied.err + copied.out));
        }
        const QList<QByteArray> exported = everyExport(db.path(), db.directory());
        QCOMPARE(everyExport(server, db.directory()), exported);
        QCOMPARE(everyExport(back, db.directory()), exported);
        for (const QString &query :
             {u"SELECT projectID FROM ProjectData ORDER BY 1"_qs,
              u"SELECT channelID, projectID FROM ChannelData ORDER BY 1"_qs,
              u"SELECT channelID, templateData FROM TemplateData ORDER BY rowid"_qs,
              u"SELECT channelID, xmltvID, xmltvExtra FROM ChannelXmltv ORDER BY 1"_qs,
              u"SELECT programmeID, channelID FROM ProgrammeData ORDER BY 1"_qs,
              u"SELECT name, seq FROM sqlite_sequence ORDER BY 1"_qs})
            QCOMPARE(sqliteRows(back, query), sqliteRows(db.path(), query));

        const QByteArray backBefore = contents(back);
        for (const QString &to : {server, back}) {
            const CliRun refused = runCli({u"copy-db"_qs, u"--from"_qs, db.path(), u"--to"_qs, to});
            QCOMPARE(refused.exitCode, 1);
            QVERIFY2(refused.err.contains(u"; it was left untouched."_qs) &&
                         refused.err.count(u'\n') == 1,
                     qPrintable(refused.err));
        }
        QCOMPARE(contents(back), backBefore);
        QCOMPARE(everyExport(server, db.directory()), exported);
    }

    void import_besideAnotherWriter_bothCommitAndTheFileStaysWhole()
    {
        SKIP_ON_SERVER("the other writer is an SQLite program; tst_server has two on a server");
        if (QStandardPaths::findExecutable(u"python3"_qs).isEmpty())
            QSKIP("python3 plays the other program (make test installs it)");
        TestDatabase db;
        db.addProject(u"Guide"_qs);
        const QString guide = writeLargeGuide(db.directory() + u"/guide.xml"_qs, 20000);
        QStringList committed;
        for (int round = 0; round < 8; ++round) {
            QProcess other;
            other.start(u"python3"_qs, {QStringLiteral(QUORVEL_OTHER_WRITER), db.path()});
            QVERIFY(other.waitForStarted());
            QVERIFY(other.waitForReadyRead());
            const CliRun imported =
                runCli(exportArguments(u"import-xmltv"_qs, db.path(), u"1"_qs, guide));
            other.kill();
            QVERIFY(other.waitForFinished());
            // Neither failed: each waited while the other held the file.
            QVERIFY2(imported.exitCode == 0, qPrintable(imported.err));
            QVERIFY2(other.readAllStandardError().isEmpty(), qPrintable(u"round %1"_qs.arg(round)));
            for (const QByteArray &line : other.readAllStandardOutput().split('\n'))
                committed += u"other %1"_qs.arg(QString::fromLatin1(line));
            committed.removeAll(u"other "_qs);
        }
        QCOMPARE(db.value(u"PRAGMA integrity_check"_qs).toString(), u"ok"_qs);
        QCOMPARE(db.value(u"SELECT count(*) FROM ProgrammeData"_qs).toInt(), 20000);
        // Every change the other program was told had committed is there. The
        // last of a round may have committed unannounced when it was killed.
        const QStringList stored =
            db.texts(u"SELECT projectName FROM ProjectData WHERE projectID > 1"_qs);
        for (const QString &change : std::as_const(committed))
            QVERIFY2(stored.contains(change), qPrintable(change));
        QVERIFY(stored.size() - committed.size() <= 8);
    }

    // A killed import leaves a journal beside the database; the next command
    // puts the database back as it was and does its work. Every command
    // checks the database first, as sameFailure_readsTheSameInEveryCommand
    // shows, and that check is what rolls back.
    void killedImport_nextCommandRollsBackAndWorks()
    {
        SKIP_ON_SERVER("SQLite's journal; a server rolls back a lost connection's transaction");
        TestDatabase db;
        arrangeTown(db);
        const QString journal = db.path() + u"-journal"_qs;
        const QString large = writeLargeGuide(db.directory() + u"/large.xml"_qs, 300000);
        const auto before = db.rows(u"SELECT * FROM ProgrammeData"_qs);
        QByteArray interrupted;
        for (int trial = 0; trial < 5 && interrupted.isEmpty(); ++trial) {
            QProcess import;
            import.start(cli(), exportArguments(u"import-xmltv"_qs, db.path(), u"1"_qs, large));
            QVERIFY(import.waitForStarted());
            // Killed once it has begun to change the database file itself:
            // SQLite marks the journal as needed for that (its first byte)
            // only then.
            QElapsedTimer waited;
            waited.start();
            while (contents(journal).left(1) != "\xd9" && waited.elapsed() < 20000 &&
                   import.state() == QProcess::Running)
                QTest::qSleep(2);
            ::kill(pid_t(import.processId()), SIGKILL);
            QVERIFY(import.waitForFinished());
            if (contents(journal).startsWith("\xd9"))
                interrupted = contents(db.path());
        }
        QVERIFY(!interrupted.isEmpty());

        const QString out = db.directory() + u"/out"_qs;
        const CliRun done = runCli(exportArguments(u"export-xml"_qs, db.path(), u"1"_qs, out));
        QVERIFY2(done.exitCode == 0 && contents(out).contains("News"), qPrintable(done.err));
        QVERIFY(!QFileInfo::exists(journal));
        QCOMPARE(db.rows(u"SELECT * FROM ProgrammeData"_qs), before);
        QCOMPARE(db.value(u"PRAGMA integrity_check"_qs).toString(), u"ok"_qs);
    }
};

QTEST_GUILESS_MAIN(CliTest)
#include "tst_cli.moc"
