#include "XmltvTestSupport.h"

#include "export/XmltvImport.h"
#include "export/XmltvWriter.h"
#include "support/TestDatabase.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

using xmltv::LeftOutProgramme;

namespace {

QTimeZone london()
{
    return QTimeZone(QByteArrayLiteral("Europe/London"));
}

#define REQUIRE_CLI()                                                                              \
    do {                                                                                           \
        if (qEnvironmentVariable("QUORVEL_CLI").isEmpty())                                         \
            QSKIP("QUORVEL_CLI names the companion tool when run through CTest");                  \
    } while (false)

#define REQUIRE_LONDON()                                                                           \
    do {                                                                                           \
        if (!QTimeZone::isTimeZoneIdAvailable(QByteArrayLiteral("Europe/London")))                 \
            QSKIP("The time zone database is not installed (Debian package tzdata).");             \
    } while (false)

qint32 addProgramme(TestDatabase &db, qint32 channelID, const QString &name,
                    const QVariant &startDate, const QString &startTime,
                    const QString &duration = QString(), const QString &desc = QString(),
                    const QString &category = QString())
{
    return qint32(db.exec(u"INSERT INTO ProgrammeData (channelID, programmeName, startDate, "
                          u"startTime, duration, programmeDesc, category) "
                          u"VALUES (?, ?, ?, ?, ?, ?, ?)"_qs,
                          {channelID, name, startDate, startTime, duration, desc, category}));
}

// The project of expected-town.xml: programmes typed in every accepted form,
// added out of start order, across both daylight-saving changes of 2024, and
// three that cannot be written.
qint32 arrangeTownProject(TestDatabase &db)
{
    const qint32 project = db.addProject(u"Town Listings"_qs);
    const qint32 town = db.addChannel(project, u"Town TV"_qs, u"1"_qs);
    db.exec(u"UPDATE ChannelData SET logoURL = ?, channelURL = ? WHERE channelID = ?"_qs,
            {u"http://example.org/town.png"_qs, u"http://example.org/town"_qs, town});
    db.addChannel(project, u"Second"_qs, u"2"_qs);
    const qint32 kanal = db.addChannel(project, u"Kanal Ü & Co"_qs, u"3"_qs);

    addProgramme(db, town, u"Breakfast"_qs, u"2024-03-31"_qs, u"07:00:00"_qs);
    addProgramme(db, town, u"Late News"_qs, u"2024-03-30"_qs, u"23:30"_qs, u"1h"_qs,
                 u"The day's news."_qs, u"News"_qs);
    addProgramme(db, town, u"Night & Day <Live>"_qs, u"31/03/2024"_qs, u"0:30"_qs, u"90"_qs,
                 u"Ninety minutes across the change to \"summer\" time."_qs, u"Talk Show"_qs);
    addProgramme(db, town, u"Lost Hour"_qs, u"2024-03-31"_qs, u"01:30"_qs, u"30"_qs);
    addProgramme(db, town, u"Café Müller"_qs, u"20240331"_qs, u"0300"_qs, u"1:30"_qs,
                 u"Ein Stück über Träume"_qs, u"Arts"_qs);
    addProgramme(db, town, u"Zebra"_qs, u"2024-04-02"_qs, u"10:00"_qs, u"30m"_qs);
    addProgramme(db, town, u"Aardvark"_qs, u"2024-04-02"_qs, u"10:00"_qs, u"30m"_qs);
    addProgramme(db, town, u"Broken Date"_qs, u"31/02/2024"_qs, u"19:00"_qs, u"30"_qs);
    addProgramme(db, town, QString(), u"2024-04-01"_qs, u"19:00"_qs, u"30"_qs);
    addProgramme(db, town, u"No Start"_qs, QVariant(), u"abc"_qs);
    addProgramme(db, town, u"Clocks Back"_qs, u"2024-10-27"_qs, u"00:30"_qs, u"2h"_qs);
    addProgramme(db, town, u"Repeat Hour"_qs, u"2024-10-27"_qs, u"01:30"_qs, u"30m"_qs);
    addProgramme(db, town, u"Odd Length"_qs, u"2024-04-03"_qs, u"09:00"_qs, u"about an hour"_qs);
    addProgramme(db, kanal, u"Bell\u0007 Tower"_qs, u"2024-04-01"_qs, u"13:00"_qs, u"1h"_qs);
    addProgramme(db, kanal, u"Wetter"_qs, u"2024-04-01"_qs, u"12:00"_qs, u"15m"_qs, u"   "_qs,
                 u"News"_qs);

    // Another project's programmes stay out of this project's guide.
    const qint32 other = db.addProject(u"Elsewhere"_qs);
    addProgramme(db, db.addChannel(other, u"Other TV"_qs), u"Not Here"_qs, u"2024-04-01"_qs,
                 u"12:00"_qs);
    return project;
}

// Channel ids numbered in order of first use, so that guides of two
// projects with the same channels compare equal.
QStringList withChannelsNumbered(QStringList lines)
{
    static const QRegularExpression id(u"c\\d+\\.quorvel"_qs);
    QStringList seen;
    for (QString &line : lines) {
        for (auto m = id.match(line); m.hasMatch(); m = id.match(line)) {
            if (!seen.contains(m.captured()))
                seen << m.captured();
            line.replace(m.capturedStart(), m.capturedLength(),
                         u"channel-%1"_qs.arg(seen.indexOf(m.captured()) + 1));
        }
    }
    return lines;
}

QString cli()
{
    return qEnvironmentVariable("QUORVEL_CLI");
}

struct CliRun
{
    int exitCode = -1;
    QStringList out;
    QStringList err;
};

CliRun runCli(const QStringList &arguments)
{
    QProcess process;
    process.start(cli(), arguments);
    CliRun run;
    if (!process.waitForFinished(60000))
        return run;
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    run.err = QString::fromUtf8(process.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts);
    return run;
}

// Rows as text, one line a row, NULL told apart from empty text.
QStringList asText(const QList<QVariantList> &rows)
{
    QStringList lines;
    for (const QVariantList &row : rows) {
        QStringList values;
        for (const QVariant &value : row)
            values << (value.isNull() ? u"<null>"_qs : value.toString());
        lines << values.join(u" | "_qs);
    }
    return lines;
}

int count(TestDatabase &db, const QString &table)
{
    return db.value(u"SELECT COUNT(*) FROM "_qs + table).toInt();
}

} // namespace

namespace xmltv {
bool operator==(const LeftOutProgramme &a, const LeftOutProgramme &b)
{
    return a.name == b.name && a.channel == b.channel && a.startDate == b.startDate &&
           a.startTime == b.startTime && a.reason == b.reason;
}
} // namespace xmltv

namespace QTest {
template<> char *toString(const LeftOutProgramme &p)
{
    return qstrdup(
        u"{%1 | %2 | %3 | %4 | %5}"_qs.arg(p.name, p.channel, p.startDate, p.startTime, p.reason)
            .toUtf8()
            .constData());
}
} // namespace QTest

class XmltvTest : public QObject
{
    Q_OBJECT

private slots:
    void export_writesChannelsThenProgrammesInStartOrder();
    void export_leavesOutUnreadableStartsAndSaysWhy();
    void export_passesTvValidateFile();
    void export_missingProjectOrUnwritableFile_fails();
    void import_takesChannelsAndProgrammesAsWritten();
    void import_matchesExistingChannelByNameInThisProjectOnly();
    void import_passesItsOwnChecksOnValidatedFile();
    void faultyFile_importsNothingAndSaysWhere_data();
    void faultyFile_importsNothingAndSaysWhere();
    void largeGuide_storesEveryProgrammeInFileOrder_orNothing();
    void roundTrip_givesSameProgrammesAtSameTimes();
    void cliExport_printsLeftOutAndExitsThree();
    void cliImport_reportsCountsOrOneLineError();
};

void XmltvTest::export_writesChannelsThenProgrammesInStartOrder()
{
    REQUIRE_LONDON();
    TestDatabase db;
    const qint32 project = arrangeTownProject(db);
    const QString out = db.directory() + u"/town.xml"_qs;

    const auto written = xmltv::writeXmltv(db.path(), project, out, london());
    QVERIFY2(written, qPrintable(written ? QString() : written.failure().text()));
    QCOMPARE(written.value().channels, 2);
    QCOMPARE(written.value().programmes, 12);
    QCOMPARE(xmltvtest::xmlContent(out),
             xmltvtest::xmlContent(xmltvtest::sample("expected-town.xml")));

    QFile file(out);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.startsWith(R"(<?xml version="1.0" encoding="UTF-8"?>)"));
    QVERIFY(bytes.contains("<title>Night &amp; Day &lt;Live&gt;</title>"));
    QVERIFY(bytes.contains(u"<title>Café Müller</title>"_qs.toUtf8()));
}

void XmltvTest::export_leavesOutUnreadableStartsAndSaysWhy()
{
    REQUIRE_LONDON();
    TestDatabase db;
    const qint32 project = arrangeTownProject(db);
    const auto written =
        xmltv::writeXmltv(db.path(), project, db.directory() + u"/town.xml"_qs, london());
    QVERIFY(written);
    const QList<LeftOutProgramme> expected{
        {u"Broken Date"_qs, u"Town TV"_qs, u"31/02/2024"_qs, u"19:00"_qs,
         u"the start date cannot be read"_qs},
        {QString(), u"Town TV"_qs, u"2024-04-01"_qs, u"19:00"_qs, u"it has no name"_qs},
        {u"No Start"_qs, u"Town TV"_qs, QString(), u"abc"_qs,
         u"it has no start date; the start time cannot be read"_qs},
    };
    QCOMPARE(written.value().leftOut, expected);
}

void XmltvTest::export_passesTvValidateFile()
{
    TestDatabase db;
    const qint32 project = arrangeTownProject(db);
    const QString out = db.directory() + u"/town.xml"_qs;
    QVERIFY(xmltv::writeXmltv(db.path(), project, out, QTimeZone::systemTimeZone()));
    XMLTV_VALIDATE(out);
}

void XmltvTest::export_missingProjectOrUnwritableFile_fails()
{
    TestDatabase db;
    const qint32 project = arrangeTownProject(db);
    const auto missing = xmltv::writeXmltv(db.path(), 999, db.directory() + u"/a.xml"_qs,
                                           QTimeZone::systemTimeZone());
    QVERIFY(!missing);
    QVERIFY2(missing.failure().text().contains(u"There is no project 999."_qs),
             qPrintable(missing.failure().text()));
    QVERIFY(!QFile::exists(db.directory() + u"/a.xml"_qs));

    const QString nowhere = db.directory() + u"/no/such/folder/a.xml"_qs;
    const auto unwritable =
        xmltv::writeXmltv(db.path(), project, nowhere, QTimeZone::systemTimeZone());
    QVERIFY(!unwritable);
    QVERIFY2(unwritable.failure().text().contains(u"Could not write the XMLTV file"_qs),
             qPrintable(unwritable.failure().text()));
}

void XmltvTest::import_takesChannelsAndProgrammesAsWritten()
{
    TestDatabase db;
    const qint32 project = db.addProject(u"Imported"_qs);
    const auto imported = xmltv::importXmltv(db.path(), project, xmltvtest::sample("guide.xml"));
    QVERIFY2(imported, qPrintable(imported ? QString() : imported.failure().text()));
    QCOMPARE(imported.value().channelsAdded, 3);
    QCOMPARE(imported.value().channelsMatched, 0);
    QCOMPARE(imported.value().programmes, 7);

    const auto channels = db.rows(u"SELECT channelName, channelNumber, logoURL, channelURL, "
                                  u"dataURL, updateFrequency FROM ChannelData "
                                  u"WHERE projectID = ? ORDER BY channelID"_qs,
                                  {project});
    QCOMPARE(
        asText(channels),
        (QStringList{
            u"Town TV |  | http://example.org/logos/town.png | http://example.org/town |  | "_qs,
            u"Arte Français |  |  |  |  | "_qs,
            u"NHK ワールド |  |  | http://example.org/nhk |  | "_qs,
        }));

    // Start date and time as the file writes them, the length from the stop
    // across the change to summer time, from <length>, or none; the first
    // title, description and category; nothing for what the file lacks.
    const auto programmes = db.rows(
        u"SELECT c.channelName, p.programmeName, p.programmeDesc, p.startDate, p.startTime, "
        u"p.duration, p.category FROM ProgrammeData p JOIN ChannelData c USING (channelID) "
        u"ORDER BY p.programmeID"_qs);
    QCOMPARE(asText(programmes),
             (QStringList{
                 u"Town TV | Late News | The day's news. | 2024-03-30 | 23:30 | 60 | News"_qs,
                 u"Town TV | Night & Day <Live> | Ninety minutes across the change to summer "
                 u"time. | 2024-03-31 | 00:30 | 90 | Talk Show"_qs,
                 u"Town TV | Morning Music | <null> | 2024-03-31 | 03:00 | 45 | <null>"_qs,
                 u"Town TV | Breakfast | <null> | 2024-03-31 | 07:00 | <null> | <null>"_qs,
                 u"Arte Français | Café Müller | Pina Bausch: \"Café Müller\" – un ballet d'une "
                 u"heure et demie. | 2024-04-01 | 19:30 | 90 | Arts"_qs,
                 u"NHK ワールド | ニュース 🌏 | <null> | 2024-04-01 | 12:00 | 15 | News"_qs,
                 u"NHK ワールド | Weather | <null> | 2024-04-01 | 12:15:30 | 5 | <null>"_qs,
             }));
}

void XmltvTest::import_matchesExistingChannelByNameInThisProjectOnly()
{
    TestDatabase db;
    const qint32 other = db.addProject(u"Other"_qs);
    const qint32 otherTown = db.addChannel(other, u"Town TV"_qs);
    const qint32 project = db.addProject(u"Mine"_qs);
    const qint32 arte = db.addChannel(project, u"Arte Français"_qs, u"7"_qs);
    db.exec(u"UPDATE ChannelData SET logoURL = ? WHERE channelID = ?"_qs,
            {u"own-logo.png"_qs, arte});
    db.addChannel(project, u"Arte Français"_qs, u"8"_qs);
    db.addChannel(project, u"town tv"_qs);

    const auto imported = xmltv::importXmltv(db.path(), project, xmltvtest::sample("guide.xml"));
    QVERIFY(imported);
    QCOMPARE(imported.value().channelsMatched, 1);
    QCOMPARE(imported.value().channelsAdded, 2);
    // The first channel of the name takes the programmes and keeps its own
    // details; a name in other letter case, or in another project, is not a match.
    QCOMPARE(db.value(u"SELECT channelID FROM ProgrammeData WHERE programmeName = ?"_qs,
                      {u"Café Müller"_qs})
                 .toInt(),
             arte);
    QCOMPARE(db.value(u"SELECT logoURL FROM ChannelData WHERE channelID = ?"_qs, {arte}),
             QVariant(u"own-logo.png"_qs));
    QCOMPARE(db.value(u"SELECT COUNT(*) FROM ChannelData WHERE projectID = ? AND "
                      u"channelName = 'Town TV'"_qs,
                      {project})
                 .toInt(),
             1);
    QCOMPARE(
        db.value(u"SELECT COUNT(*) FROM ProgrammeData WHERE channelID = ?"_qs, {otherTown}).toInt(),
        0);

    // The same file again goes into the same channels: nothing is added twice
    // but the programmes.
    const auto again = xmltv::importXmltv(db.path(), project, xmltvtest::sample("guide.xml"));
    QVERIFY(again);
    QCOMPARE(again.value().channelsMatched, 3);
    QCOMPARE(again.value().channelsAdded, 0);
    QCOMPARE(count(db, u"ProgrammeData"_qs), 14);
}

void XmltvTest::import_passesItsOwnChecksOnValidatedFile()
{
    // The sample guide is what the import tests rely on: it must be XMLTV.
    XMLTV_VALIDATE(xmltvtest::sample("guide.xml"));
}

void XmltvTest::faultyFile_importsNothingAndSaysWhere_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("what");
    QTest::newRow("not well-formed")
        << xmltvtest::sample("malformed.xml") << u"Line 10, column 34"_qs
        << u"Opening and ending tag mismatch."_qs;
    QTest::newRow("cut off") << xmltvtest::sample("truncated.xml") << u"Line 11, column 0"_qs
                             << u"Premature end of document."_qs;
    QTest::newRow("unknown channel")
        << xmltvtest::sample("unknown-channel.xml") << u"Line 9, column 69"_qs
        << u"a <programme> is on the channel \"gown.example.org\", which no <channel> before "
           u"it defines."_qs;
    QTest::newRow("unreadable start")
        << xmltvtest::sample("unreadable-start.xml") << u"Line 9, column 61"_qs
        << u"the start \"Sunday 00:30\" cannot be read as a time."_qs;
    QTest::newRow("no title") << xmltvtest::sample("missing-title.xml") << u"Line 6, column 69"_qs
                              << u"the programme starting 20240330233000 +0000 has no <title>."_qs;
    QTest::newRow("entity the file does not define")
        << xmltvtest::sample("undefined-entity.xml") << u"Line 8, column 22"_qs
        << u"the entity &eacute; is not defined."_qs;
    QTest::newRow("channel id twice")
        << xmltvtest::sample("duplicate-channel.xml") << u"Line 6, column 33"_qs
        << u"the channel id \"town.example.org\" is given to two channels."_qs;
    QTest::newRow("the guide application's file")
        << xmltvtest::sample("guide-application.xml") << u"Line 1, column 10"_qs
        << u"the file's root element is <channels>, where an XMLTV file has <tv>."_qs;
}

void XmltvTest::faultyFile_importsNothingAndSaysWhere()
{
    QFETCH(QString, file);
    QFETCH(QString, where);
    QFETCH(QString, what);
    TestDatabase db;
    const qint32 project = db.addProject(u"Mine"_qs);
    db.addProgramme(db.addChannel(project, u"Mine TV"_qs), u"Kept"_qs);

    const auto imported = xmltv::importXmltv(db.path(), project, file);
    QVERIFY(!imported);
    QCOMPARE(imported.failure().action, u"Could not import %1"_qs.arg(file));
    QCOMPARE(imported.failure().detail, u"%1: %2"_qs.arg(where, what));
    QCOMPARE(count(db, u"ChannelData"_qs), 1);
    QCOMPARE(count(db, u"ProgrammeData"_qs), 1);
}

// A guide of `programmes` half-hour programmes on three channels; with
// `faultAt`, that programme has no title.
QString writeLargeGuide(const QString &path, int programmes, int faultAt = -1)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    QTextStream out(&file);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tv>\n";
    for (int c = 0; c < 3; ++c)
        out << "<channel id=\"ch" << c << ".example.org\"><display-name>Channel " << c
            << "</display-name></channel>\n";
    const QDateTime first(QDate(2024, 1, 1), QTime(0, 0), Qt::UTC);
    for (int i = 0; i < programmes; ++i) {
        const QDateTime start = first.addSecs(qint64(i / 3) * 1800);
        out << "<programme start=\"" << start.toString(u"yyyyMMddhhmmss"_qs) << " +0000\" stop=\""
            << start.addSecs(1800).toString(u"yyyyMMddhhmmss"_qs) << " +0000\" channel=\"ch"
            << i % 3 << ".example.org\">";
        if (i != faultAt)
            out << "<title>Programme " << i << "</title>";
        out << "</programme>\n";
    }
    out << "</tv>\n";
    return path;
}

void XmltvTest::largeGuide_storesEveryProgrammeInFileOrder_orNothing()
{
    // Enough programmes to be handed over and stored in many pieces, and a
    // few left over at the end.
    const int programmes = 5000 + 37;
    TestDatabase db;
    const qint32 project = db.addProject(u"Large"_qs);
    const QString good = writeLargeGuide(db.directory() + u"/large.xml"_qs, programmes);
    const auto imported = xmltv::importXmltv(db.path(), project, good);
    QVERIFY2(imported, qPrintable(imported ? QString() : imported.failure().text()));
    QCOMPARE(imported.value().programmes, programmes);
    const auto rows = db.rows(u"SELECT c.channelName, p.programmeName, p.startDate, p.startTime, "
                              u"p.duration FROM ProgrammeData p JOIN ChannelData c "
                              u"USING (channelID) ORDER BY p.programmeID"_qs);
    QCOMPARE(rows.size(), programmes);
    for (int i : {0, 1, 63, 64, 2047, 2048, 4095, 4096, 5000, programmes - 1}) {
        const QDateTime start =
            QDateTime(QDate(2024, 1, 1), QTime(0, 0), Qt::UTC).addSecs(qint64(i / 3) * 1800);
        QCOMPARE(asText({rows.at(i)}),
                 QStringList{u"Channel %1 | Programme %2 | %3 | %4 | 30"_qs.arg(i % 3).arg(i).arg(
                     start.toString(u"yyyy-MM-dd"_qs), start.toString(u"hh:mm"_qs))});
    }

    // A fault far into the file leaves the project as it was.
    const qint32 other = db.addProject(u"Other"_qs);
    const QString faulty =
        writeLargeGuide(db.directory() + u"/faulty.xml"_qs, programmes, programmes - 100);
    const auto failed = xmltv::importXmltv(db.path(), other, faulty);
    QVERIFY(!failed);
    QVERIFY2(failed.failure().detail.startsWith(u"Line %1, "_qs.arg(programmes - 100 + 6)),
             qPrintable(failed.failure().detail));
    QCOMPARE(count(db, u"ProgrammeData"_qs), programmes);
    QCOMPARE(db.value(u"SELECT COUNT(*) FROM ChannelData WHERE projectID = ?"_qs, {other}).toInt(),
             0);
}

void XmltvTest::roundTrip_givesSameProgrammesAtSameTimes()
{
    REQUIRE_LONDON();
    TestDatabase db;
    const qint32 town = arrangeTownProject(db);
    const QString first = db.directory() + u"/first.xml"_qs;
    const QString second = db.directory() + u"/second.xml"_qs;
    QVERIFY(xmltv::writeXmltv(db.path(), town, first, london()));

    const qint32 copy = db.addProject(u"Copy"_qs);
    const auto imported = xmltv::importXmltv(db.path(), copy, first);
    QVERIFY2(imported, qPrintable(imported ? QString() : imported.failure().text()));
    QCOMPARE(imported.value().programmes, 12);
    const auto written = xmltv::writeXmltv(db.path(), copy, second, london());
    QVERIFY(written);
    QVERIFY(written.value().leftOut.isEmpty());

    const QStringList before = withChannelsNumbered(xmltvtest::xmlContent(first));
    QCOMPARE(withChannelsNumbered(xmltvtest::xmlContent(second)), before);
    // The imported channels are new ones, with ids of their own.
    QVERIFY(xmltvtest::xmlContent(second) != xmltvtest::xmlContent(first));
}

void XmltvTest::cliExport_printsLeftOutAndExitsThree()
{
    REQUIRE_CLI();
    REQUIRE_LONDON();
    TestDatabase db;
    const QString project = QString::number(arrangeTownProject(db));
    const QString out = db.directory() + u"/cli.xml"_qs;

    const CliRun run = runCli({u"export-xmltv"_qs, u"--db"_qs, db.path(), u"--project"_qs, project,
                               u"--out"_qs, out, u"--tz"_qs, u"Europe/London"_qs});
    QCOMPARE(run.exitCode, 3);
    QCOMPARE(run.out.size(), 3);
    QVERIFY2(run.out.at(0).contains(u"\"Broken Date\""_qs) &&
                 run.out.at(0).contains(u"the start date cannot be read"_qs),
             qPrintable(run.out.at(0)));
    QVERIFY(run.err.isEmpty());
    QCOMPARE(xmltvtest::xmlContent(out),
             xmltvtest::xmlContent(xmltvtest::sample("expected-town.xml")));

    const CliRun badZone = runCli({u"export-xmltv"_qs, u"--db"_qs, db.path(), u"--project"_qs,
                                   project, u"--out"_qs, out, u"--tz"_qs, u"Mars/Olympus"_qs});
    QCOMPARE(badZone.exitCode, 2);
    QCOMPARE(badZone.err.size(), 1);
    QVERIFY(badZone.err.at(0).contains(u"Mars/Olympus"_qs));

    const CliRun noOut =
        runCli({u"export-xmltv"_qs, u"--db"_qs, db.path(), u"--project"_qs, project});
    QCOMPARE(noOut.exitCode, 2);

    const CliRun noProject = runCli(
        {u"export-xmltv"_qs, u"--db"_qs, db.path(), u"--project"_qs, u"999"_qs, u"--out"_qs, out});
    QCOMPARE(noProject.exitCode, 1);
    QCOMPARE(noProject.err.size(), 1);
    QVERIFY(noProject.err.at(0).contains(u"There is no project 999."_qs));
}

void XmltvTest::cliImport_reportsCountsOrOneLineError()
{
    REQUIRE_CLI();
    TestDatabase db;
    const QString project = QString::number(db.addProject(u"Imported"_qs));
    const CliRun run = runCli({u"import-xmltv"_qs, u"--db"_qs, db.path(), u"--project"_qs, project,
                               u"--in"_qs, xmltvtest::sample("guide.xml")});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out,
             QStringList{u"imported 7 programmes; 3 channels added, 0 matched by name"_qs});
    QCOMPARE(count(db, u"ProgrammeData"_qs), 7);

    const CliRun faulty = runCli({u"import-xmltv"_qs, u"--db"_qs, db.path(), u"--project"_qs,
                                  project, u"--in"_qs, xmltvtest::sample("malformed.xml")});
    QCOMPARE(faulty.exitCode, 1);
    QCOMPARE(faulty.err.size(), 1);
    QVERIFY2(faulty.err.at(0).contains(u"Line 10, column 34: Opening and ending tag mismatch."_qs),
             qPrintable(faulty.err.at(0)));
    QCOMPARE(count(db, u"ProgrammeData"_qs), 7);

    const CliRun missing = runCli({u"import-xmltv"_qs, u"--db"_qs, db.path(), u"--project"_qs,
                                   project, u"--in"_qs, db.directory() + u"/none.xml"_qs});
    QCOMPARE(missing.exitCode, 1);
    QCOMPARE(missing.err.size(), 1);

    const CliRun notNumber = runCli({u"import-xmltv"_qs, u"--db"_qs, db.path(), u"--project"_qs,
                                     u"seven"_qs, u"--in"_qs, xmltvtest::sample("guide.xml")});
    QCOMPARE(notNumber.exitCode, 2);
}

QTEST_GUILESS_MAIN(XmltvTest)
#include "tst_xmltv.moc"
