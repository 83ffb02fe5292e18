#include "support/TestDatabase.h"
#include "xmltv/XmltvImport.h"
#include "xmltv/XmltvWriter.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

QTimeZone london()
{
    return QTimeZone("Europe/London");
}

QString sample(const QString &name)
{
    return QStringLiteral(QUORVEL_XMLTV_SAMPLES "/") + name;
}

QStringList fileLines(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split(u'\n')
                                          : QStringList{u"cannot open "_qs + path};
}

// Project 1 of a sample project, whose statements are split at semicolons.
qint32 arrangeProject(TestDatabase &db, const QString &name)
{
    const QString sql = fileLines(sample(name)).join(u'\n');
    for (const QString &statement : sql.split(u';')) {
        if (!statement.trimmed().isEmpty())
            db.exec(statement);
    }
    return 1;
}

// Project 1 of town-project.sql, whose export is expected-town.xml.
qint32 arrangeTownProject(TestDatabase &db)
{
    return arrangeProject(db, u"town-project.sql"_qs);
}

// Rows as text, one line a row, NULL told apart from empty text.
QStringList asText(const QList<QVariantList> &rows)
{
    QStringList lines;
    for (const QVariantList &row : rows) {
        QStringList values;
        for (const QVariant &value : row)
            values << (value.isNull() ? u"<null>"_qs : value.toString());
        lines << values.join(u'|');
    }
    return lines;
}

// The time some minutes after new year 2024 UTC, in format.
QString afterNewYear(int minutes, const QString &format)
{
    return QDateTime(QDate(2024, 1, 1), QTime(0, 0), Qt::UTC)
        .addSecs(minutes * 60)
        .toString(format);
}

// n programmes half an hour long, a minute apart from new year 2024 UTC, on
// two channels by turns; the one at faultAt has no title.
QString writeLargeGuide(const QString &path, int n, int faultAt = -1)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write("<tv><channel id=\"c0\"><display-name>C0</display-name></channel>\n"
               "<channel id=\"c1\"><display-name>C1</display-name></channel>\n");
    const QString xmltvTime = u"yyyyMMddhhmm"_qs;
    for (int i = 0; i < n; ++i) {
        file.write(u"<programme start=\"%1\" stop=\"%2\" channel=\"c%3\">%4</programme>\n"_qs
                       .arg(afterNewYear(i, xmltvTime), afterNewYear(i + 30, xmltvTime),
                            QString::number(i % 2),
                            i == faultAt ? QString() : u"<title>P%1</title>"_qs.arg(i))
                       .toUtf8());
    }
    file.write("</tv>\n");
    return path;
}

int count(TestDatabase &db, const QString &table)
{
    return db.value(u"SELECT COUNT(*) FROM "_qs + table).toInt();
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
    process.start(qEnvironmentVariable("QUORVEL_CLI"), arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    const auto lines = [](const QByteArray &bytes) {
        return QString::fromUtf8(bytes).split(u'\n', Qt::SkipEmptyParts);
    };
    return {process.exitCode(), lines(process.readAllStandardOutput()),
            lines(process.readAllStandardError())};
}

} // namespace

class XmltvTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void export_matchesExpectedFileAndListsLeftOut();
    void export_keepsEveryByteOfAwkwardValues_data();
    void export_keepsEveryByteOfAwkwardValues();
    void export_writesTextsLongerThanItsBuffer();
    void import_storesGuideInChannelsOfTheSameNameOrNewOnes();
    void faultyFile_importsNothingAndSaysWhere_data();
    void faultyFile_importsNothingAndSaysWhere();
    void largeGuide_storesEveryProgrammeInFileOrder_orNothing();
    void textAsWritten_andOnlyWhereTheGuideHasIt();
    void roundTrip_givesSameProgrammesAtSameTimes();
    void roundTrip_keepsCarriageReturns();
    void hostileFile_refusedWithinBounds_data();
    void hostileFile_refusedWithinBounds();
    void textNotKept_mayBeAnyLength();
    void cancelledOrFollowed_progressAndRollBack();
    void cli_exitCodesAndReports();

private:
    // A file of the test's own.
    QString written(const QString &name, const QByteArray &contents);
    // A guide of one channel "a" and what follows it on line 2.
    QString guideWith(const QString &name, const QByteArray &contents)
    {
        return written(name, "<tv><channel id=\"a\"><display-name>A</display-name></channel>\n" +
                                 contents + "\n</tv>\n");
    }

    QTemporaryDir m_guides;
};

QString XmltvTest::written(const QString &name, const QByteArray &contents)
{
    const QString path = m_guides.filePath(name);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size() ? path
                                                                                      : QString();
}

void XmltvTest::initTestCase()
{
    if (!QTimeZone::isTimeZoneIdAvailable("Europe/London"))
        QSKIP("The time zone database is not installed (Debian package tzdata).");
}

void XmltvTest::export_matchesExpectedFileAndListsLeftOut()
{
    TestDatabase db;
    const QString out = db.directory() + u"/town.xml"_qs;
    const auto written = xmltv::writeXmltv(db.path(), arrangeTownProject(db), out, london());
    QVERIFY2(written, qPrintable(written ? QString() : written.failure().text()));
    QCOMPARE(written.value().channels, 2);
    QCOMPARE(written.value().programmes, 12);
    QCOMPARE(fileLines(out), fileLines(sample(u"expected-town.xml"_qs)));
    QStringList leftOut;
    for (const xmltv::LeftOutProgramme &p : written.value().leftOut)
        leftOut << QStringList{p.name, p.channel, p.startDate, p.startTime, p.reason}.join(u'|');
    QCOMPARE(leftOut, (QStringList{
                          u"Broken Date|Town TV|31/02/2024|19:00|the start date cannot be read"_qs,
                          u"|Town TV|2024-04-01|19:00|it has no name"_qs,
                          u"No Start|Town TV||abc|it has no start date; the start time cannot "
                          u"be read"_qs,
                      }));

    // XMLTV's own validator accepts the export, and the guide the import tests read.
    const QString dtd = u"/usr/share/xmltv/xmltv.dtd"_qs;
    if (QStandardPaths::findExecutable(u"tv_validate_file"_qs).isEmpty() || !QFile::exists(dtd))
        QSKIP("tv_validate_file is not installed (Debian package xmltv-util).");
    for (const QString &file : {out, sample(u"guide.xml"_qs)})
        QCOMPARE(QProcess::execute(u"tv_validate_file"_qs, {u"--dtd-file"_qs, dtd, file}), 0);
}

void XmltvTest::export_keepsEveryByteOfAwkwardValues_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QString>("expected");
    QTest::newRow("London") << QByteArray("Europe/London") << u"expected-awkward-london.xml"_qs;
    // Offsets of half hours, behind UTC, with daylight saving.
    QTest::newRow("St John's") << QByteArray("America/St_Johns")
                               << u"expected-awkward-st-johns.xml"_qs;
    QTest::newRow("UTC") << QByteArray("UTC") << u"expected-awkward-utc.xml"_qs;
}

void XmltvTest::export_keepsEveryByteOfAwkwardValues()
{
    QFETCH(QByteArray, zone);
    QFETCH(QString, expected);
    TestDatabase db;
    const qint32 project = arrangeProject(db, u"awkward-project.sql"_qs);
    const QString out = db.directory() + u"/awkward.xml"_qs;
    const auto written = xmltv::writeXmltv(db.path(), project, out, QTimeZone(zone));
    QVERIFY2(written, qPrintable(written ? QString() : written.failure().text()));
    QFile file(out);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QFile wanted(sample(expected));
    QVERIFY(wanted.open(QIODevice::ReadOnly));
    QCOMPARE(bytes, wanted.readAll());

    QStringList leftOut{QString::number(written.value().channels),
                        QString::number(written.value().programmes)};
    for (const xmltv::LeftOutProgramme &p : written.value().leftOut)
        leftOut << QStringList{p.name, p.channel, p.startDate, p.startTime, p.reason}.join(u'|');
    QFile report(sample(u"expected-awkward-left-out.txt"_qs));
    QVERIFY(report.open(QIODevice::ReadOnly));
    QCOMPARE(leftOut.join(u'\n').toUtf8() + '\n', report.readAll());
}

// A programme whose texts outgrow the export's buffer goes out whole, in order.
void XmltvTest::export_writesTextsLongerThanItsBuffer()
{
    TestDatabase db;
    const qint32 project = db.addProject(u"Long"_qs);
    const qint32 channel = db.addChannel(project, u"Town TV"_qs);
    const QString longText = QString(3 << 20, u'x') + u"&"_qs;
    for (const QString &name : {u"Before"_qs, u"Long"_qs, u"After"_qs}) {
        const qint32 programme = db.addProgramme(
            channel, name, u"2024-03-01"_qs,
            name == u"Before"_qs ? u"19:00"_qs : (name == u"Long"_qs ? u"20:00"_qs : u"21:00"_qs));
        if (name == u"Long"_qs) {
            db.exec(
                u"UPDATE ProgrammeData SET programmeDesc = ?, category = ? WHERE programmeID = ?"_qs,
                {longText, longText, programme});
        }
    }
    const QString out = db.directory() + u"/long.xml"_qs;
    QVERIFY(xmltv::writeXmltv(db.path(), project, out, london()));
    QFile file(out);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const QByteArray escaped = QByteArray(3 << 20, 'x') + "&amp;";
    const QByteArray expected = "    <title>Long</title>\n    <desc>" + escaped +
                                "</desc>\n    <category>" + escaped +
                                "</category>\n  </programme>\n  <programme start=\"20240301210000";
    QVERIFY(bytes.contains(expected));
    QVERIFY(bytes.indexOf("<title>Before</title>") < bytes.indexOf(expected));
    QVERIFY(bytes.endsWith("<title>After</title>\n  </programme>\n</tv>\n"));
}

void XmltvTest::import_storesGuideInChannelsOfTheSameNameOrNewOnes()
{
    TestDatabase db;
    db.addChannel(db.addProject(u"Other"_qs), u"Town TV"_qs);
    const qint32 project = db.addProject(u"Mine"_qs);
    const qint32 arte = db.addChannel(project, u"Arte Français"_qs, u"7"_qs);
    db.exec(u"UPDATE ChannelData SET logoURL = 'own.png' WHERE channelID = ?"_qs, {arte});
    db.addChannel(project, u"Arte Français"_qs, u"8"_qs);
    db.addChannel(project, u"town tv"_qs);

    const auto imported = xmltv::importXmltv(db.path(), project, sample(u"guide.xml"_qs));
    QVERIFY2(imported, qPrintable(imported ? QString() : imported.failure().text()));
    QCOMPARE(imported.value().channelsAdded, 2);
    QCOMPARE(imported.value().channelsMatchedByName, 1);
    QCOMPARE(imported.value().programmes, 7);
    QStringList expected = fileLines(sample(u"guide-stored.txt"_qs));
    expected.removeIf([](const QString &line) { return line.isEmpty() || line.startsWith(u'#'); });
    QCOMPARE(asText(db.rows(u"SELECT c.*, x.xmltvID FROM ChannelData c LEFT JOIN ChannelXmltv "
                            u"x USING (channelID) ORDER BY channelID"_qs)) +
                 asText(db.rows(
                     u"SELECT channelID, programmeName, programmeDesc, startDate, "
                     u"startTime, duration, category FROM ProgrammeData ORDER BY programmeID"_qs)),
             expected);
}

void XmltvTest::faultyFile_importsNothingAndSaysWhere_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("detail");
    // Where expat stops, and where the import's own checks do.
    QTest::newRow("malformed.xml")
        << sample(u"malformed.xml"_qs) << u"Line 10, column 27: mismatched tag."_qs;
    QTest::newRow("truncated.xml")
        << sample(u"truncated.xml"_qs)
        << u"Line 11, column 1: the file ends in the middle of the guide."_qs;
    QTest::newRow("unknown-channel.xml")
        << sample(u"unknown-channel.xml"_qs)
        << u"Line 9, column 3: a <programme> is on the channel \"gown.example.org\", which no "
           u"<channel> before it defines."_qs;
    QTest::newRow("unreadable-start.xml")
        << sample(u"unreadable-start.xml"_qs)
        << u"Line 9, column 3: the start \"Sunday 00:30\" cannot be read as a time."_qs;
    QTest::newRow("empty") << written(u"empty.xml"_qs, {})
                           << u"Line 1, column 1: the file has no <tv> element."_qs;
    QTest::newRow("root") << written(u"root.xml"_qs, "<?xml version=\"1.0\"?>\n<guide/>")
                          << u"Line 2, column 1: the file's root element is <guide>, where an "
                             u"XMLTV file has <tv>."_qs;

    const struct
    {
        const char *tag;
        const char *contents;
        const char16_t *detail;
    } guides[] = {
        {"after the guide", "</tv><tv>", u"Line 2, column 6: junk after document element."},
        {"entity the file does not define",
         "<programme start=\"20240101000000\" channel=\"a\"><title>Caf&eacute;</title></programme>",
         u"Line 2, column 57: undefined entity."},
        {"element in a title",
         "<programme start=\"20240101000000\" channel=\"a\"><title>On "
         "<b>now</b></title></programme>",
         u"Line 2, column 57: <b> stands where only text may."},
        {"no title",
         "<programme start=\"20240101000000\" channel=\"a\"><desc>Untitled</desc></programme>",
         u"Line 2, column 1: the programme starting 20240101000000 has no <title>."},
        {"length in days",
         "<programme start=\"20240101000000\" channel=\"a\"><title>T</title>"
         "<length units=\"days\">1</length></programme>",
         u"Line 2, column 63: the <length> cannot be read as seconds, minutes or hours."},
        {"unreadable stop",
         "<programme start=\"20240101000000\" stop=\"soon\" channel=\"a\"><title>T</title>"
         "</programme>",
         u"Line 2, column 1: the stop \"soon\" cannot be read as a time."},
        {"channel without a name", "<channel id=\"b\"><icon src=\"b.png\"/></channel>",
         u"Line 2, column 1: the channel \"b\" has no <display-name>."},
        {"channel id twice", "<channel id=\"a\"><display-name>A again</display-name></channel>",
         u"Line 2, column 1: the channel id \"a\" is given to two channels."},
    };
    for (const auto &guide : guides) {
        QTest::newRow(guide.tag) << guideWith(QString::fromLatin1(guide.tag) + u".xml"_qs,
                                              guide.contents)
                                 << QString::fromUtf16(guide.detail);
    }
    // A guide that names the XMLTV DTD, which is never read, leaves an
    // undefined entity to it, and expat does not count that as an error.
    QTest::newRow("entity left to the DTD")
        << written(u"dtd.xml"_qs, "<!DOCTYPE tv SYSTEM \"xmltv.dtd\">\n<tv><channel id=\"a\">"
                                  "<display-name>Caf&eacute;</display-name></channel></tv>")
        << u"Line 2, column 38: the entity &eacute; is not defined."_qs;
}

void XmltvTest::faultyFile_importsNothingAndSaysWhere()
{
    QFETCH(QString, file);
    QFETCH(QString, detail);
    TestDatabase db;
    const qint32 project = db.addProject(u"Mine"_qs);
    db.addProgramme(db.addChannel(project, u"Mine TV"_qs), u"Kept"_qs);

    const auto imported = xmltv::importXmltv(db.path(), project, file);
    QVERIFY(!imported);
    QCOMPARE(imported.failure().action, u"Could not import "_qs + file);
    QCOMPARE(imported.failure().detail, detail);
    QCOMPARE(count(db, u"ChannelData"_qs), 1);
    QCOMPARE(count(db, u"ProgrammeData"_qs), 1);
}

void XmltvTest::largeGuide_storesEveryProgrammeInFileOrder_orNothing()
{
    // Enough programmes to be stored many rows at a time and in several
    // pieces, with a few left over at the end.
    const int n = 5000 + 37;
    TestDatabase db;
    const qint32 project = db.addProject(u"Large"_qs);
    const auto imported =
        xmltv::importXmltv(db.path(), project, writeLargeGuide(db.directory() + u"/a.xml"_qs, n));
    QVERIFY2(imported, qPrintable(imported ? QString() : imported.failure().text()));
    QStringList expected;
    for (int i = 0; i < n; ++i) {
        expected << u"C%1|P%2|%3|30"_qs.arg(i % 2).arg(i).arg(
            afterNewYear(i, u"yyyy-MM-dd|hh:mm"_qs));
    }
    QCOMPARE(asText(db.rows(u"SELECT c.channelName, p.programmeName, p.startDate, p.startTime, "
                            u"p.duration FROM ProgrammeData p JOIN ChannelData c "
                            u"USING (channelID) ORDER BY p.programmeID"_qs)),
             expected);

    // A fault far into the file leaves the project as it was.
    const auto failed = xmltv::importXmltv(
        db.path(), project, writeLargeGuide(db.directory() + u"/b.xml"_qs, n, n - 100));
    QVERIFY(!failed);
    QVERIFY2(failed.failure().detail.startsWith(u"Line %1, "_qs.arg(n - 100 + 3)),
             qPrintable(failed.failure().detail));
    QCOMPARE(count(db, u"ProgrammeData"_qs), n);
}

void XmltvTest::textAsWritten_andOnlyWhereTheGuideHasIt()
{
    // An entity the file defines itself, a comment and a CDATA section in a
    // title, blanks around the start, a title inside an element the import
    // does not read, an empty description.
    const QString guide = written(
        u"text.xml"_qs, "<!DOCTYPE tv [ <!ENTITY town \"Town\"> ]>\n"
                        "<tv><channel id=\"a\"><display-name>&town; TV</display-name></channel>\n"
                        "<programme start=\" 20240101063000 +0000 \" channel=\"a\">"
                        "<credits><title>Not this</title></credits>"
                        "<title>Fish <!-- and? --><![CDATA[& <Chips>]]></title><desc></desc>"
                        "<length units=\"hours\"> 2 </length></programme>\n</tv>\n");
    TestDatabase db;
    const qint32 project = db.addProject(u"Mine"_qs);
    const auto imported = xmltv::importXmltv(db.path(), project, guide);
    QVERIFY2(imported, qPrintable(imported ? QString() : imported.failure().text()));
    QCOMPARE(asText(db.rows(u"SELECT c.channelName, p.programmeName, p.programmeDesc, "
                            u"p.startDate, p.startTime, p.duration, p.category FROM ProgrammeData "
                            u"p JOIN ChannelData c USING (channelID)"_qs)),
             QStringList{u"Town TV|Fish & <Chips>|<null>|2024-01-01|06:30|120|<null>"_qs});

    // Windows-1252, which grabbers often write where they mean Latin-1.
    const QString windows1252 = written(
        u"cp1252.xml"_qs, "<?xml version=\"1.0\" encoding=\"Windows-1252\"?>\n"
                          "<tv><channel id=\"a\"><display-name>Caf\xe9</display-name></channel>"
                          "<programme start=\"20240101063000\" channel=\"a\">"
                          "<title>\x80 \x93 \xff</title></programme></tv>");
    const auto converted = xmltv::importXmltv(db.path(), db.addProject(u"Other"_qs), windows1252);
    QVERIFY2(converted, qPrintable(converted ? QString() : converted.failure().text()));
    QCOMPARE(db.value(u"SELECT channelName || ' ' || programmeName FROM ProgrammeData "
                      u"JOIN ChannelData USING (channelID) WHERE channelName <> 'Town TV'"_qs),
             QVariant(u"Café € “ ÿ"_qs));
}

void XmltvTest::roundTrip_givesSameProgrammesAtSameTimes()
{
    TestDatabase db;
    TestDatabase copy;
    const QString first = db.directory() + u"/first.xml"_qs;
    const QString second = copy.directory() + u"/second.xml"_qs;
    QVERIFY(xmltv::writeXmltv(db.path(), arrangeTownProject(db), first, london()));

    // A new project in a fresh database numbers its channels as the first did.
    const qint32 project = copy.addProject(u"Copy"_qs);
    const auto imported = xmltv::importXmltv(copy.path(), project, first);
    QVERIFY2(imported, qPrintable(imported ? QString() : imported.failure().text()));
    const auto written = xmltv::writeXmltv(copy.path(), project, second, london());
    QVERIFY(written && written.value().leftOut.isEmpty());
    QCOMPARE(fileLines(second), fileLines(first));
}

void XmltvTest::roundTrip_keepsCarriageReturns()
{
    TestDatabase db;
    const qint32 project = db.addProject(u"Lines"_qs);
    const qint32 channel = db.addChannel(project, u"Town\rTV"_qs);
    const qint32 programme =
        db.addProgramme(channel, u"One\rTwo"_qs, u"2024-03-01"_qs, u"20:00"_qs);
    db.exec(u"UPDATE ProgrammeData SET programmeDesc = ?, category = ? WHERE programmeID = ?"_qs,
            {u"Windows\r\nline\nUnix line\r"_qs, u"\rNews"_qs, programme});
    const QString out = db.directory() + u"/lines.xml"_qs;
    QVERIFY(xmltv::writeXmltv(db.path(), project, out, london()));
    QVERIFY(fileLines(out).join(u'\n').contains(u"<title>One&#13;Two</title>"_qs));

    const qint32 copy = db.addProject(u"Copy"_qs);
    const auto imported = xmltv::importXmltv(db.path(), copy, out);
    QVERIFY2(imported, qPrintable(imported ? QString() : imported.failure().text()));
    QCOMPARE(asText(db.rows(u"SELECT c.channelName, p.programmeName, p.programmeDesc, "
                            u"p.category FROM ProgrammeData p JOIN ChannelData c "
                            u"USING (channelID) ORDER BY p.programmeID"_qs)),
             QStringList({u"Town\rTV|One\rTwo|Windows\r\nline\nUnix line\r|\rNews"_qs,
                          u"Town\rTV|One\rTwo|Windows\r\nline\nUnix line\r|\rNews"_qs}));
}

void XmltvTest::hostileFile_refusedWithinBounds_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<int>("depth");
    QTest::addColumn<qint64>("markupBytes");
    QTest::addColumn<qint64>("textBytes");
    QTest::addColumn<QString>("detail");
    const xmltv::XmltvLimits usual;
    const QByteArray channel = "<tv><channel id=\"a\"><display-name>A</display-name></channel>\n";
    const QByteArray programme = "<programme start=\"20240101000000\" channel=\"a\">";
    const QByteArray long80(80, 'y');

    // Refused at the first element too deep, without reading the rest.
    QTest::newRow("nested a million deep")
        << "<tv>" + QByteArray("<x>").repeated(1000000) << usual.depth << usual.markupBytes
        << usual.textBytes
        << u"Line 1, column 194: <x> lies 65 elements deep, more than the 64 a guide may have."_qs;
    QTest::newRow("nested past a lower bound")
        << channel + programme + "<title>T</title><credits><actor><x/></actor></credits>" << 4
        << usual.markupBytes << usual.textBytes
        << u"Line 2, column 79: <x> lies 5 elements deep, more than the 4 a guide may have."_qs;

    QTest::newRow("external entity")
        << "<!DOCTYPE tv [ <!ENTITY secret SYSTEM \"file:///etc/passwd\"> ]>\n" + channel +
               programme + "<title>&secret;</title></programme></tv>"
        << usual.depth << usual.markupBytes << usual.textBytes
        << u"Line 3, column 54: the entity &secret; stands for a file outside the guide, which "
           u"is never read."_qs;

    QTest::newRow("text past the bound")
        << channel + programme + "<title>T</title>\n<desc>" + QByteArray(5000, 'd') +
               "</desc></programme></tv>"
        << usual.depth << usual.markupBytes << qint64(4096)
        << u"Line 3, column 1: the <desc> holds 5000 bytes of text, more than the 4096 a text "
           u"may have."_qs;
    QTest::newRow("text at the bound")
        << channel + programme + "<title>" + QByteArray(4096, 't') + "</title></programme>" +
               programme + "<title>" + QByteArray(4097, 't') + "</title></programme></tv>"
        << usual.depth << usual.markupBytes << qint64(4096)
        << u"Line 2, column 4216: the <title> holds 4097 bytes of text, more than the 4096 a "
           u"text may have."_qs;
    QTest::newRow("long length")
        << channel + programme + "<title>T</title><length units=\"minutes\">" +
               QByteArray(100000, '9') + "</length></programme></tv>"
        << usual.depth << usual.markupBytes << usual.textBytes
        << u"Line 2, column 63: the <length> cannot be read as seconds, minutes or hours."_qs;

    // Expat parses an unfinished tag again each time it is given more; a
    // long one is refused where it starts.
    QTest::newRow("long attribute")
        << channel + programme + "<title>T</title>\n<rating system=\"" +
               QByteArray(3 * 1024 * 1024, 'r') + "\"/></programme></tv>"
        << usual.depth << qint64(1024 * 1024) << usual.textBytes
        << u"Line 3, column 1: a tag, comment or declaration starting here runs on past 1048576 "
           u"bytes, more than a guide may have."_qs;
    QTest::newRow("long comment")
        << channel + "  <!--" + QByteArray(3 * 1024 * 1024, 'c') + "--></tv>" << usual.depth
        << qint64(1024 * 1024) << usual.textBytes
        << u"Line 2, column 3: a tag, comment or declaration starting here runs on past 1048576 "
           u"bytes, more than a guide may have."_qs;

    // What a message quotes from the file is cut short.
    QTest::newRow("long channel id quoted")
        << channel + "<programme start=\"20240101000000\" channel=\"" + long80 +
               QByteArray(1000000, 'z') + "\"><title>T</title></programme></tv>"
        << usual.depth << usual.markupBytes << usual.textBytes
        << u"Line 2, column 1: a <programme> is on the channel \""_qs +
               QString::fromLatin1(long80) + u"...\", which no <channel> before it defines."_qs;
    QTest::newRow("long start quoted")
        << channel + "<programme start=\"" + long80 + "zz\" channel=\"a\"></programme></tv>"
        << usual.depth << usual.markupBytes << usual.textBytes
        << u"Line 2, column 1: the start \""_qs + QString::fromLatin1(long80) +
               u"...\" cannot be read as a time."_qs;
    QTest::newRow("long entity name quoted")
        << "<!DOCTYPE tv SYSTEM \"xmltv.dtd\">\n" + channel + programme + "<title>&" + long80 +
               "e;</title></programme></tv>"
        << usual.depth << usual.markupBytes << usual.textBytes
        << u"Line 3, column 54: the entity &"_qs + QString::fromLatin1(long80) +
               u"...; is not defined."_qs;
    QTest::newRow("long element name quoted")
        << channel + programme + "<title>T<" + long80 + "e/></title></programme></tv>"
        << usual.depth << usual.markupBytes << usual.textBytes
        << u"Line 2, column 55: <"_qs + QString::fromLatin1(long80) +
               u"...> stands where only text may."_qs;
}

void XmltvTest::hostileFile_refusedWithinBounds()
{
    QFETCH(QByteArray, contents);
    QFETCH(int, depth);
    QFETCH(qint64, markupBytes);
    QFETCH(qint64, textBytes);
    QFETCH(QString, detail);
    TestDatabase db;
    const qint32 project = db.addProject(u"Mine"_qs);
    db.addProgramme(db.addChannel(project, u"Mine TV"_qs), u"Kept"_qs);

    xmltv::XmltvImportControl control;
    control.limits = {depth, markupBytes, textBytes};
    const auto imported =
        xmltv::importXmltv(db.path(), project, written(u"hostile.xml"_qs, contents), control);
    QVERIFY(!imported);
    QCOMPARE(imported.failure().detail, detail);
    QCOMPARE(count(db, u"ChannelData"_qs), 1);
    QCOMPARE(count(db, u"ProgrammeData"_qs), 1);
}

void XmltvTest::textNotKept_mayBeAnyLength()
{
    // A comment is passed over whatever its length; the details a programme
    // carries beyond its columns are kept, and bounded together as one text.
    const QByteArray huge(100000, 'h');
    const QByteArray some(200, 's');
    const auto guide = [&](const QByteArray &actor) {
        return guideWith(u"not-kept.xml"_qs,
                         "<programme start=\"20240101000000\" channel=\"a\"><title>T</title>"
                         "<title>" +
                             some + "</title><desc>D</desc><desc>" + some +
                             "</desc><credits><actor>" + actor + "</actor></credits><!-- " + huge +
                             " --><category>C</category></programme>");
    };
    TestDatabase db;
    const qint32 project = db.addProject(u"Mine"_qs);
    xmltv::XmltvImportControl control;
    control.limits.textBytes = 1000;
    const auto imported = xmltv::importXmltv(db.path(), project, guide(some), control);
    QVERIFY2(imported, qPrintable(imported ? QString() : imported.failure().text()));
    QCOMPARE(asText(db.rows(u"SELECT programmeName, programmeDesc, category, xmltvExtra "
                            u"FROM ProgrammeData"_qs)),
             QStringList{u"T|D|C|<title/>\n<title>%1</title>\n<desc/>\n<desc>%1</desc>\n"
                         u"<credits><actor>%1</actor></credits>\n<category/>"_qs.arg(
                             QString::fromLatin1(some))});
    const auto refused = xmltv::importXmltv(db.path(), project, guide(huge), control);
    QVERIFY(!refused);
    QVERIFY2(refused.failure().detail.contains(
                 u"the details of this programme hold more than the 1000 bytes"_qs),
             qPrintable(refused.failure().detail));
}

void XmltvTest::cancelledOrFollowed_progressAndRollBack()
{
    const int n = 5000 + 37;
    TestDatabase db;
    const qint32 project = db.addProject(u"Large"_qs);
    const QString guide = writeLargeGuide(db.directory() + u"/a.xml"_qs, n);

    // Progress counts up to every programme read.
    QList<qint64> counts;
    xmltv::XmltvImportControl control;
    control.progress = [&](qint64 read) {
        counts << read;
    };
    QVERIFY(xmltv::importXmltv(db.path(), project, guide, control));
    QVERIFY(counts.size() > 1);
    QVERIFY(std::is_sorted(counts.cbegin(), counts.cend()));
    QCOMPARE(counts.constLast(), n);

    // Cancelled once programmes were stored: all of them go again.
    std::atomic_bool cancel{false};
    control.cancel = &cancel;
    control.progress = [&](qint64) {
        cancel = true;
    };
    const auto cancelled = xmltv::importXmltv(db.path(), project, guide, control);
    QVERIFY(!cancelled);
    QCOMPARE(cancelled.failure().detail, u"The import was cancelled."_qs);
    QCOMPARE(count(db, u"ProgrammeData"_qs), n);
}

// The companion tool's exit codes: 0 done, 1 failed, 2 wrong arguments, 3
// written without some programmes.
void XmltvTest::cli_exitCodesAndReports()
{
    if (qEnvironmentVariableIsEmpty("QUORVEL_CLI"))
        QSKIP("QUORVEL_CLI names the companion tool when run through CTest");
    TestDatabase db;
    const QString project = QString::number(arrangeTownProject(db));
    const QString out = db.directory() + u"/cli.xml"_qs;
    const QStringList exportTo{u"export-xmltv"_qs, u"--db"_qs, db.path(), u"--project"_qs, project,
                               u"--out"_qs,        out,        u"--tz"_qs};
    const CliRun exported = runCli(exportTo + QStringList{u"Europe/London"_qs});
    QCOMPARE(exported.exitCode, 3);
    QCOMPARE(exported.out.size(), 3);
    QCOMPARE(exported.out.at(0), u"left out \"Broken Date\" on \"Town TV\", start \"31/02/2024\" "
                                 u"\"19:00\": the start date cannot be read"_qs);
    QCOMPARE(fileLines(out), fileLines(sample(u"expected-town.xml"_qs)));
    QCOMPARE(runCli(exportTo + QStringList{u"Mars/Olympus"_qs}).exitCode, 2);

    const QStringList importFrom{u"import-xmltv"_qs, u"--db"_qs, db.path(),
                                 u"--project"_qs,    project,    u"--in"_qs};
    // Its own export comes back over the programmes it was made of: the
    // channels are known by the ids the export gave them. Of those it left
    // out, the one that starts within the span goes too; the two whose start
    // cannot be read stay.
    const CliRun imported = runCli(importFrom + QStringList{out, u"--tz"_qs, u"Europe/London"_qs});
    QCOMPARE(imported.exitCode, 0);
    QCOMPARE(imported.out,
             QStringList{u"imported 12 programmes (13 replaced, 2 kept); 0 channels added, 2 "
                         u"matched by id, 0 matched by name"_qs});
    const int stored = count(db, u"ProgrammeData"_qs);
    const QString malformed = sample(u"malformed.xml"_qs);
    const CliRun faulty = runCli(importFrom + QStringList{malformed});
    QCOMPARE(faulty.exitCode, 1);
    QCOMPARE(faulty.err,
             QStringList{u"quorvel-cli: Could not import %1: Line 10, column 27: mismatched "
                         u"tag."_qs.arg(malformed)});
    QCOMPARE(count(db, u"ProgrammeData"_qs), stored);
}

QTEST_GUILESS_MAIN(XmltvTest)
#include "tst_xmltv.moc"
