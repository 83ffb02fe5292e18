#include "ExportTests.h"

#include "export/ChannelFile.h"
#include "export/Contact.h"
#include "export/ProgrammeXml.h"
#include "support/TestDatabase.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using exports::ContactDetails;

namespace {

QByteArray golden(const QString &name)
{
    QFile file(QStringLiteral(GOLDEN_DIR "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing golden file %s", qPrintable(name));
    return file.readAll();
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

qint32 addChannel(TestDatabase &db, qint32 projectID, const QVariantList &columns)
{
    return qint32(db.exec(QStringLiteral("INSERT INTO ChannelData (projectID, channelName, "
                                         "updateFrequency, logoURL, dataURL, channelURL) "
                                         "VALUES (?, ?, ?, ?, ?, ?)"),
                          QVariantList{projectID} + columns));
}

void addProgramme(TestDatabase &db, qint32 channelID, const QVariantList &columns)
{
    db.exec(QStringLiteral("INSERT INTO ProgrammeData (channelID, programmeName, startDate, "
                           "startTime, duration, category, programmeDesc) "
                           "VALUES (?, ?, ?, ?, ?, ?, ?)"),
            QVariantList{channelID} + columns);
}

// Bound as NULL; an empty QStringLiteral("") is bound as empty text.
const QVariant null;
const QString empty = QStringLiteral("");

// Each arrangement adds rows of a second project around the exported one's,
// so that a row of the wrong project, or identifiers taken for positions,
// would show in the file.
struct Arranged
{
    qint32 projectID = 0;
    ContactDetails contact;
};

Arranged arrangeChannels(TestDatabase &db, const QString &name)
{
    const qint32 project = db.addProject(QStringLiteral("Exported"));
    const qint32 other = db.addProject(QStringLiteral("Other"));
    const qint32 otherChannel = addChannel(
        db, other,
        {QStringLiteral("Elsewhere"), QStringLiteral("3"), QString(), QString(), QString()});
    db.addTemplate(otherChannel, QStringLiteral("Other, Other, 1"));

    if (name == QLatin1String("example")) {
        const qint32 town =
            addChannel(db, project,
                       {QStringLiteral("Town TV"), QStringLiteral("7"), QStringLiteral("logo.gif"),
                        QStringLiteral("data.xml"), QStringLiteral("town.html")});
        db.addTemplate(town, QStringLiteral("Local, Entertainment, 101"));
        db.addTemplate(otherChannel, QStringLiteral("Other, Other, 2"));
        addChannel(db, other,
                   {QStringLiteral("Between"), QString(), QString(), QString(), QString()});
        db.addTemplate(town, QStringLiteral("Regional, General, 7"));
        addChannel(db, project,
                   {QStringLiteral("Hill Radio"), QStringLiteral("1"), empty,
                    QStringLiteral("hill.xml"), null});
        return {project,
                {QStringLiteral("Town Listings"), QString(), QStringLiteral("index.html"),
                 QStringLiteral("Local channels")}};
    }
    if (name == QLatin1String("special")) {
        const qint32 first =
            addChannel(db, project,
                       {QStringLiteral("[BBC One]"), null, null,
                        QStringLiteral("http://d.example/?x=1&y=2"), QStringLiteral(" spaced ")});
        db.addTemplate(first, QStringLiteral("[Local], Entertainment, 101"));
        db.addTemplate(first, QStringLiteral("Kids & Family, <Cartoons>, \"7\""));
        db.addTemplate(first, QString::fromUtf8("\xC3\x9Cn\xC3\xAF"
                                                "code \xE2\x84\xA2 \xE2\x80\xB0 "
                                                "\xE2\x80\x9A \xE2\x86\x92 \xF0\x9F\x98\x80"));
        db.exec(
            QStringLiteral("INSERT INTO TemplateData (channelID, templateData) VALUES (?, NULL)"),
            {first});
        const qint32 second =
            addChannel(db, project,
                       {QStringLiteral("Zo\u00EB's\u00A0TV\u0085"), QStringLiteral("14"), QString(),
                        QStringLiteral("=data"), QStringLiteral("x=y")});
        db.addTemplate(second, QStringLiteral("One, Two, 3"));
        return {project,
                {QStringLiteral(" Ann = Lee "), QStringLiteral("ann@example.com"),
                 QStringLiteral("http://tv.example/?a=1&b=<2>"),
                 QString::fromUtf8("[Caf\xC3\xA9] \xE2\x80\x9CQuoted\xE2\x80\x9D \xE2\x80\x94 "
                                   "10\xE2\x82\xAC \xCE\xA9 \xF0\x9F\x98\x80")}};
    }
    return {project, {}}; // no channels
}

qint32 arrangeProgrammes(TestDatabase &db, const QString &name)
{
    const qint32 project = db.addProject(QStringLiteral("Exported"));
    const qint32 other = db.addProject(QStringLiteral("Other"));
    const qint32 otherChannel = db.addChannel(other, QStringLiteral("Elsewhere"));
    addProgramme(db, otherChannel,
                 {QStringLiteral("Not here"), QStringLiteral("2024-03-01"), QStringLiteral("09:00"),
                  QStringLiteral("30"), QStringLiteral("News"), QStringLiteral("Other project.")});

    if (name == QLatin1String("listing")) {
        const qint32 town = db.addChannel(project, QStringLiteral("Town TV"));
        const qint32 hill = db.addChannel(project, QStringLiteral("Hill Radio"));
        const qint32 coast = db.addChannel(project, QStringLiteral("Coast FM"));
        Q_UNUSED(hill); // no programmes: no trace in the file
        addProgramme(db, town,
                     {QStringLiteral("Evening News"), QStringLiteral("2024-03-02"),
                      QStringLiteral("18:00"), QStringLiteral("30"), QStringLiteral("News"),
                      QStringLiteral("The day's headlines.")});
        addProgramme(db, otherChannel,
                     {QStringLiteral("Not here either"), QString(), QString(), QString(), QString(),
                      QString()});
        addProgramme(db, coast,
                     {QStringLiteral("Quiet Hour"), QStringLiteral("2024-03-03"),
                      QStringLiteral("23:00"), QStringLiteral("60"), empty, empty});
        // Added later, earlier in time: the file keeps the order of adding.
        addProgramme(db, town,
                     {QStringLiteral("Breakfast"), QStringLiteral("2024-03-02"),
                      QStringLiteral("07:00"), QStringLiteral("120"),
                      QStringLiteral("Magazine Programme"), QStringLiteral("Morning magazine.")});
        addProgramme(db, coast, {QStringLiteral("Late Film"), null, null, null, null, null});
    } else if (name == QLatin1String("special")) {
        const qint32 kids = db.addChannel(project, QStringLiteral("Kids & <Teens> \"Zone\""));
        addProgramme(db, kids,
                     {QStringLiteral(" News \"at\" Ten "), QStringLiteral("02/03/2024"),
                      QStringLiteral("6 pm"), QStringLiteral("1h30"), QStringLiteral("Sport"),
                      QString::fromUtf8("Caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9Cx\xE2\x80\x9D "
                                        "\xE2\x80\x94 \xCE\xA9 \xF0\x9F\x98\x80 = [a] <b>&amp;")});
    } else if (name == QLatin1String("silent channels")) {
        db.addChannel(project, QStringLiteral("Quiet One"));
        db.addChannel(project, QStringLiteral("Quiet Two"));
    }
    return project;
}

QString cli()
{
    // Set by the test run; beside the tests' folder when a test is started by hand.
    const QString fromRun = qEnvironmentVariable("QUORVEL_CLI");
    return fromRun.isEmpty()
               ? QCoreApplication::applicationDirPath() + QStringLiteral("/../quorvel-cli")
               : fromRun;
}

} // namespace

class ExportFilesTest : public QObject
{
    Q_OBJECT

private slots:
    void channelFile_matchesHandWrittenFile_data();
    void channelFile_matchesHandWrittenFile();
    void programmeXml_matchesHandWrittenFile_data();
    void programmeXml_matchesHandWrittenFile();
    void largeValues_crossTheBufferIntact();
    void failingStore_keepsTheLinesWrittenBefore();
    void plainListing_isWellFormedXml();
    void channelFile_readsBackAsIni();
    void commandLine_writesWhatTheWritersWrite();
    void commandLine_failures_data();
    void commandLine_failures();

private:
    QTemporaryDir m_out;
};

void ExportFilesTest::channelFile_matchesHandWrittenFile_data()
{
    QTest::addColumn<QString>("arrangement");
    QTest::addColumn<QString>("goldenFile");
    QTest::newRow("two channels, one without template lines")
        << QStringLiteral("example") << QStringLiteral("example.dgc");
    QTest::newRow("no channels") << QStringLiteral("none") << QStringLiteral("no-channels.dgc");
    QTest::newRow("values written unchanged")
        << QStringLiteral("special") << QStringLiteral("special.dgc");
}

void ExportFilesTest::channelFile_matchesHandWrittenFile()
{
    QFETCH(QString, arrangement);
    QFETCH(QString, goldenFile);
    TestDatabase db;
    const Arranged arranged = arrangeChannels(db, arrangement);
    const QString path = m_out.filePath(goldenFile);
    const auto written =
        exports::writeChannelFile(arranged.contact, arranged.projectID, path, db.path());
    QVERIFY2(written.ok(), qPrintable(written.ok() ? QString() : written.failure().text()));
    QCOMPARE(contents(path), golden(goldenFile));
}

void ExportFilesTest::programmeXml_matchesHandWrittenFile_data()
{
    QTest::addColumn<QString>("arrangement");
    QTest::addColumn<QString>("goldenFile");
    QTest::newRow("no channels") << QStringLiteral("none") << QStringLiteral("no-channels.xml");
    QTest::newRow("channels without programmes")
        << QStringLiteral("silent channels") << QStringLiteral("no-channels.xml");
    QTest::newRow("listing") << QStringLiteral("listing") << QStringLiteral("listing.xml");
    QTest::newRow("values written unchanged")
        << QStringLiteral("special") << QStringLiteral("special.xml");
}

void ExportFilesTest::programmeXml_matchesHandWrittenFile()
{
    QFETCH(QString, arrangement);
    QFETCH(QString, goldenFile);
    TestDatabase db;
    const qint32 project = arrangeProgrammes(db, arrangement);
    const QString path = m_out.filePath(goldenFile);
    const auto written = exports::writeProgrammeXml(project, path, db.path());
    QVERIFY2(written.ok(), qPrintable(written.ok() ? QString() : written.failure().text()));
    QCOMPARE(contents(path), golden(goldenFile));
}

void ExportFilesTest::largeValues_crossTheBufferIntact()
{
    // A synopsis larger than the writer's whole buffer, between many short
    // rows, so that rows and values fall across every buffer boundary.
    TestDatabase db;
    const qint32 project = db.addProject(QStringLiteral("Big"));
    const qint32 channel = db.addChannel(project, QStringLiteral("Big TV"));
    const QString caf = QString::fromUtf8("Caf\xC3\xA9 ");
    db.exec(QStringLiteral("INSERT INTO ProgrammeData (channelID, programmeName, programmeDesc) "
                           "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n "
                           "WHERE i < 2999) "
                           "SELECT ?, i, CASE WHEN i = 1000 THEN ? ELSE substr(?, 1, 5 * (i % 7)) "
                           "END FROM n"),
            {channel, caf.repeated(200000), caf.repeated(6)});
    QByteArray programmes;
    for (int i = 0; i < 3000; ++i) {
        programmes += "\t\t<programme name=\"" + QByteArray::number(i) +
                      "\" startdate=\"\" starttime=\"\" duration=\"\" category=\"\">\r\n"
                      "\t\t\t<synopsis>" +
                      QByteArray("Caf\xE9 ").repeated(i == 1000 ? 200000 : i % 7) +
                      "</synopsis>\r\n\t\t</programme>\r\n";
    }
    const QString path = m_out.filePath(QStringLiteral("big.xml"));
    QVERIFY(exports::writeProgrammeXml(project, path, db.path()).ok());
    QCOMPARE(contents(path), "<channels>\r\n<channel name=\"Big TV\">\r\n\t<programmes>\r\n" +
                                 programmes + "\t</programmes>\r\n</channel>\r\n</channels>\r\n");
}

void ExportFilesTest::failingStore_keepsTheLinesWrittenBefore()
{
    const QString missingDatabase = m_out.filePath(QStringLiteral("missing.db"));
    const QString xml = m_out.filePath(QStringLiteral("failed.xml"));
    QVERIFY(!exports::writeProgrammeXml(1, xml, missingDatabase).ok());
    QCOMPARE(contents(xml), QByteArray("<channels>\r\n"));

    const QString dgc = m_out.filePath(QStringLiteral("failed.dgc"));
    QVERIFY(!exports::writeChannelFile({QStringLiteral("N"), QString(), QString(), QString()}, 1,
                                       dgc, missingDatabase)
                 .ok());
    QCOMPARE(contents(dgc),
             QByteArray("[info]\r\nName=N\r\nEmail=\r\nHomeURL=\r\nDescription=\r\n"));
}

void ExportFilesTest::plainListing_isWellFormedXml()
{
    const QString xmllint = QStandardPaths::findExecutable(QStringLiteral("xmllint"));
    if (xmllint.isEmpty())
        QSKIP("xmllint is not installed (package libxml2-utils)");
    TestDatabase db;
    const qint32 project = arrangeProgrammes(db, QStringLiteral("listing"));
    const QString path = m_out.filePath(QStringLiteral("plain.xml"));
    QVERIFY(exports::writeProgrammeXml(project, path, db.path()).ok());
    QProcess lint;
    lint.start(xmllint, {QStringLiteral("--noout"), path});
    QVERIFY(lint.waitForFinished());
    QVERIFY2(lint.exitCode() == 0, lint.readAllStandardError().constData());
}

void ExportFilesTest::channelFile_readsBackAsIni()
{
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty())
        QSKIP("python3 is not installed: no independent INI reader");
    TestDatabase db;
    const Arranged arranged = arrangeChannels(db, QStringLiteral("example"));
    const QString path = m_out.filePath(QStringLiteral("ini.dgc"));
    QVERIFY(exports::writeChannelFile(arranged.contact, arranged.projectID, path, db.path()).ok());

    // A strict reader refuses a repeated section or key.
    const QString script =
        QStringLiteral("import configparser, json, sys\n"
                       "p = configparser.RawConfigParser(strict=True, interpolation=None)\n"
                       "p.optionxform = str\n"
                       "p.read(sys.argv[1], encoding='cp1252')\n"
                       "print(json.dumps({s: dict(p[s]) for s in p.sections()}))\n");
    QProcess reader;
    reader.start(python, {QStringLiteral("-c"), script, path});
    QVERIFY(reader.waitForFinished());
    QVERIFY2(reader.exitCode() == 0, reader.readAllStandardError().constData());
    const QJsonObject ini = QJsonDocument::fromJson(reader.readAllStandardOutput()).object();

    const QJsonObject expected = QJsonDocument::fromJson(R"({
        "info": {"Name": "Town Listings", "Email": "", "HomeURL": "index.html",
                 "Description": "Local channels", "ChannelCount": "2"},
        "channel1": {"Name": "Town TV", "DaysBetweenUpdates": "7", "LogoURL": "logo.gif",
                     "DataURL": "data.xml", "ChannelURL": "town.html",
                     "Template1": "Local, Entertainment, 101",
                     "Template2": "Regional, General, 7"},
        "channel2": {"Name": "Hill Radio", "DaysBetweenUpdates": "1", "LogoURL": "",
                     "DataURL": "hill.xml", "ChannelURL": ""}
    })")
                                     .object();
    QCOMPARE(ini, expected);
}

void ExportFilesTest::commandLine_writesWhatTheWritersWrite()
{
    TestDatabase db;
    const Arranged arranged = arrangeChannels(db, QStringLiteral("special"));
    QVERIFY(exports::saveContactDetails(db.path(), arranged.projectID, arranged.contact).ok());
    const qint32 listing = arrangeProgrammes(db, QStringLiteral("listing"));

    const QString dgc = m_out.filePath(QStringLiteral("cli.dgc"));
    const QString xml = m_out.filePath(QStringLiteral("cli.xml"));
    const QString id = QString::number(arranged.projectID);
    QCOMPARE(
        QProcess::execute(cli(), {QStringLiteral("export-dgc"), QStringLiteral("--db"), db.path(),
                                  QStringLiteral("--project"), id, QStringLiteral("--out"), dgc}),
        0);
    QCOMPARE(QProcess::execute(cli(), {QStringLiteral("export-xml"), QStringLiteral("--out"), xml,
                                       QStringLiteral("--project"), QString::number(listing),
                                       QStringLiteral("--db"), db.path()}),
             0);
    QCOMPARE(contents(dgc), golden(QStringLiteral("special.dgc")));
    QCOMPARE(contents(xml), golden(QStringLiteral("listing.xml")));
}

void ExportFilesTest::commandLine_failures_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("missingDatabase");
    QTest::addColumn<QString>("project");
    QTest::addColumn<bool>("unwritable");
    QTest::addColumn<QString>("complaint");

    for (const char *command : {"export-dgc", "export-xml"}) {
        const QString name = QLatin1String(command);
        QTest::addRow("%s: missing database", command)
            << name << true << QStringLiteral("1") << false << QStringLiteral("database not found");
        QTest::addRow("%s: unknown project", command)
            << name << false << QStringLiteral("99") << false
            << QStringLiteral("no project with the identifier 99");
        QTest::addRow("%s: not a number", command)
            << name << false << QStringLiteral("one") << false
            << QStringLiteral("not a project identifier");
        QTest::addRow("%s: unwritable file", command)
            << name << false << QStringLiteral("1") << true << QStringLiteral("Could not write");
    }
}

void ExportFilesTest::commandLine_failures()
{
    QFETCH(QString, command);
    QFETCH(bool, missingDatabase);
    QFETCH(QString, project);
    QFETCH(bool, unwritable);
    QFETCH(QString, complaint);

    TestDatabase db;
    db.addProject(QStringLiteral("Only"));
    const QString database =
        missingDatabase ? m_out.filePath(QStringLiteral("absent.db")) : db.path();
    const QString out = unwritable ? m_out.filePath(QStringLiteral("no/such/folder/out"))
                                   : m_out.filePath(QStringLiteral("refused.out"));
    QFile::remove(out);

    QProcess run;
    run.start(cli(), {command, QStringLiteral("--db"), database, QStringLiteral("--project"),
                      project, QStringLiteral("--out"), out});
    QVERIFY(run.waitForFinished());
    QVERIFY(run.exitCode() != 0);
    const QString said = QString::fromUtf8(run.readAllStandardError());
    QVERIFY2(said.contains(complaint), qPrintable(said));
    QCOMPARE(said.count(u'\n'), 1);
    QVERIFY(!QFile::exists(out));
}

int runExportFilesTest(int argc, char **argv)
{
    ExportFilesTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ExportFilesTest.moc"
