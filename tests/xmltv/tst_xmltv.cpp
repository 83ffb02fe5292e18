#include "export/ProgrammeXml.h"
#include "programmes/Programmes.h"
#include "projects/Projects.h"
#include "schedule/Schedule.h"
#include "store/Database.h"
#include "store/TypedTimes.h"
#include "support/Files.h"
#include "support/TestDatabase.h"
#include "support/TestServer.h"
#include "xmltv/XmltvImport.h"
#include "xmltv/XmltvTime.h"
#include "xmltv/XmltvWriter.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <string>
#include <thread>

namespace {

QString sample(const QString &name)
{
    return QStringLiteral(QUORVEL_XMLTV_SAMPLES "/") + name;
}

QStringList fileLines(const QString &path)
{
    return QString::fromUtf8(contents(path)).split(u'\n');
}

// The import's bounds, texts bounded lower to keep a test quick: the
// export and the import take them alike.
xmltv::XmltvLimits shortTexts()
{
    xmltv::XmltvLimits limits;
    limits.textBytes = 4096;
    return limits;
}

// The text as a failure message can show it: every character outside
// printable ASCII by its code, and no more than the first hundred.
QString visible(const QString &text)
{
    QString shown;
    for (const QChar c : text.left(100))
        shown += c >= u' ' && c < u'\x7f'
                     ? QString(c)
                     : u"\\u%1"_qs.arg(uint(c.unicode()), 4, 16, QLatin1Char('0'));
    return text.size() > 100 ? shown + u"..."_qs : shown;
}

// What gzip makes of the bytes, given the arguments; "not gzip" when it fails.
QByteArray gzip(const QStringList &arguments, const QByteArray &bytes = {})
{
    QProcess process;
    process.start(u"gzip"_qs, arguments);
    process.write(bytes);
    process.closeWriteChannel();
    return process.waitForFinished() && process.exitCode() == 0 ? process.readAllStandardOutput()
                                                                : QByteArray("not gzip");
}

QByteArray fileBytes(const QString &path)
{
    return path.endsWith(u".gz"_qs) ? gzip({u"-dc"_qs, path}) : contents(path);
}

// "YYYYMMDDhhmm[ss] [+-hhmm]" as seconds since the epoch, read here on its
// own rather than with the program's reader; "?" for anything else.
QString instant(const QString &text)
{
    const QStringList parts = text.trimmed().split(u' ');
    const QString zone = parts.value(1, u"+0000"_qs);
    static const QRegularExpression offset(u"^[+-]\\d{4}$"_qs);
    QDateTime at = QDateTime::fromString(
        parts.at(0), parts.at(0).size() == 12 ? u"yyyyMMddhhmm"_qs : u"yyyyMMddhhmmss"_qs);
    if (!at.isValid() || parts.size() > 2 || !offset.match(zone).hasMatch())
        return u"?"_qs;
    const int seconds = (zone.mid(1, 2).toInt() * 60 + zone.mid(3, 2).toInt()) * 60;
    at.setOffsetFromUtc(zone.startsWith(u'-') ? -seconds : seconds);
    return QString::number(at.toSecsSinceEpoch());
}

// The element as text: attributes by name, text exactly, blanks between
// elements left out. Start and stop go as instants, so that any offset
// naming the same instant compares equal.
QString canonical(QXmlStreamReader &xml)
{
    const QString name = xml.name().toString();
    QStringList attributes;
    for (const QXmlStreamAttribute &a : xml.attributes()) {
        const QString key = a.qualifiedName().toString();
        const bool time = name == u"programme"_qs && (key == u"start"_qs || key == u"stop"_qs);
        attributes << key + u"=\""_qs +
                          (time ? instant(a.value().toString()) : a.value().toString()) + u'"';
    }
    attributes.sort();
    QString inside;
    QString text;
    bool children = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            children = true;
            inside += canonical(xml);
        } else if (xml.isCharacters()) {
            text += xml.text();
        } else if (xml.isEndElement()) {
            break;
        }
    }
    if (!children || !text.trimmed().isEmpty())
        inside = text + inside;
    return u"<%1 %2>%3</%1>"_qs.arg(name, attributes.join(u' '), inside);
}

// Every channel and programme of the guide as text, programmes sorted, so
// two guides compare equal when they say the same to a reader.
QStringList describe(const QString &path)
{
    QXmlStreamReader xml(fileBytes(path));
    QStringList channels;
    QStringList programmes;
    while (xml.readNextStartElement()) {
        if (xml.name() == u"tv"_qs)
            continue;
        (xml.name() == u"channel"_qs ? channels : programmes) << canonical(xml);
    }
    if (xml.hasError())
        return {u"not XML: "_qs + xml.errorString()};
    programmes.sort();
    return channels + programmes;
}

// Whether XMLTV's own validator takes the file, by the DTD it installs (it
// would fetch one otherwise); nothing when it is not installed.
std::optional<bool> validates(const QString &path)
{
    const QString dtd = u"/usr/share/xmltv/xmltv.dtd"_qs;
    if (QStandardPaths::findExecutable(u"tv_validate_file"_qs).isEmpty() || !QFile::exists(dtd))
        return std::nullopt;
    const QString plain = path.endsWith(u".gz"_qs) ? path.chopped(3) : path;
    if (plain != path && !writeFile(plain, fileBytes(path)))
        return false;
    return QProcess::execute(u"tv_validate_file"_qs, {u"--dtd-file"_qs, dtd, plain}) == 0;
}

// A whole guide of the body.
QByteArray fullGuide(const QByteArray &body)
{
    return "<?xml version=\"1.0\"?>\n<!DOCTYPE tv SYSTEM \"xmltv.dtd\">\n<tv>\n" + body + "</tv>\n";
}

// A programme of one title on channel A.
QByteArray programmeOnA(const char *start, const char *stop, const char *title)
{
    return "<programme start=\"" + QByteArray(start) + "\" stop=\"" + stop +
           "\" channel=\"a.example.org\"><title>" + title + "</title></programme>\n";
}

const QByteArray channelA =
    "<channel id=\"a.example.org\"><display-name>A</display-name></channel>\n";

} // namespace

Q_DECLARE_METATYPE(xmltv::XmltvLimits)

// The result evaluated once, and its failure's text when it failed.
#define QVERIFY_DONE(result)                                                                       \
    do {                                                                                           \
        const auto &done_ = (result);                                                              \
        QVERIFY2(done_, qPrintable(done_ ? QString() : done_.failure().text()));                   \
    } while (false)

class XmltvTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!QTimeZone::isTimeZoneIdAvailable("Europe/London"))
            QSKIP("The time zone database is not installed (Debian package tzdata).");
    }

    void export_matchesExpectedFileAndListsLeftOut_data()
    {
        // report: channels and programmes written, then each programme left out.
        // bytesInMemory: how much of a channel is put in order in memory; beyond
        // it, in runs on disk.
        addColumns<QString, QByteArray, QString, QStringList, qulonglong>(
            "project", "zone", "expected", "report", "bytesInMemory");
        const qulonglong usual = xmltv::channelBytesInMemory;
        QTest::newRow("town")
            << u"town-project.sql"_qs << QByteArray("Europe/London") << u"expected-town.xml"_qs
            << QStringList{u"2"_qs, u"12"_qs,
                           u"Broken Date|Town TV|31/02/2024|19:00|the start date cannot be "
                           u"read"_qs,
                           u"|Town TV|2024-04-01|19:00|it has no name"_qs,
                           u"No Start|Town TV||abc|it has no start date; the start time "
                           u"cannot be read"_qs}
            << usual;
        QStringList awkward = fileLines(sample(u"expected-awkward-left-out.txt"_qs));
        awkward.removeLast(); // the file ends in a line break
        const auto awkwardRow = [&](const char *tag, const char *zone, const QString &expected,
                                    qulonglong bytesInMemory) {
            QTest::newRow(tag) << u"awkward-project.sql"_qs << QByteArray(zone) << expected
                               << awkward << bytesInMemory;
        };
        const QString london = u"expected-awkward-london.xml"_qs;
        const QString stJohns = u"expected-awkward-st-johns.xml"_qs;
        awkwardRow("awkward, London", "Europe/London", london, usual);
        // Offsets of half hours, behind UTC, with daylight saving.
        awkwardRow("awkward, St John's", "America/St_Johns", stJohns, usual);
        // The same bytes when channels outgrow memory: a few programmes a run,
        // and one a run.
        awkwardRow("awkward, London, in runs", "Europe/London", london, 1000);
        awkwardRow("awkward, St John's, a programme a run", "America/St_Johns", stJohns, 1);
    }

    void export_matchesExpectedFileAndListsLeftOut()
    {
        QFETCH(QString, project);
        QFETCH(QByteArray, zone);
        QFETCH(QString, expected);
        QFETCH(QStringList, report);
        QFETCH(qulonglong, bytesInMemory);
        TestDatabase db;
        db.execScript(sample(project));
        const QString out = db.directory() + u"/out.xml"_qs;
        const auto written = xmltv::writeXmltv(db.path(), 1, out, QTimeZone(zone), bytesInMemory);
        QVERIFY_DONE(written);
        QCOMPARE(contents(out), contents(sample(expected)));
        QStringList leftOut{QString::number(written.value().channels),
                            QString::number(written.value().programmes)};
        for (const xmltv::LeftOutProgramme &p : written.value().leftOut)
            leftOut << QStringList{p.name, p.channel, p.startDate, p.startTime, p.reason}.join(
                u'|');
        QCOMPARE(leftOut, report);

        // XMLTV's own validator accepts the town's export, and the guide the import
        // tests read; the awkward one has years past 9999, which it refuses.
        if (project != u"town-project.sql"_qs)
            return;
        const auto valid = validates(out);
        if (!valid)
            QSKIP("tv_validate_file (Debian package xmltv-util) is not installed");
        QVERIFY(*valid && *validates(sample(u"guide.xml"_qs)));
    }

    // A programme whose texts outgrow the export's buffer goes out whole, in order.
    void export_writesTextsLongerThanItsBuffer()
    {
        TestDatabase db;
        const qint32 project = db.addProject(u"Long"_qs);
        const qint32 channel = db.addChannel(project, u"Town TV"_qs);
        db.addProgramme(channel, u"Before"_qs, u"2024-03-01"_qs, u"19:00"_qs);
        const QString longText = QString(3 << 20, u'x') + u"&"_qs;
        db.exec(
            u"UPDATE ProgrammeData SET programmeDesc = ?, category = ? WHERE programmeID = ?"_qs,
            {longText, longText,
             db.addProgramme(channel, u"Long"_qs, u"2024-03-01"_qs, u"20:00"_qs)});
        db.addProgramme(channel, u"After"_qs, u"2024-03-01"_qs, u"21:00"_qs);
        const QString out = db.directory() + u"/long.xml"_qs;
        QVERIFY(xmltv::writeXmltv(db.path(), project, out, QTimeZone("Europe/London")));
        const QByteArray bytes = contents(out);
        const QByteArray escaped = QByteArray(3 << 20, 'x') + "&amp;";
        const QByteArray expected =
            "    <title>Long</title>\n    <desc>" + escaped + "</desc>\n    <category>" + escaped +
            "</category>\n  </programme>\n  <programme start=\"20240301210000";
        QVERIFY(bytes.contains(expected));
        QVERIFY(bytes.indexOf("<title>Before</title>") < bytes.indexOf(expected));
        QVERIFY(bytes.endsWith("<title>After</title>\n  </programme>\n</tv>\n"));
    }

    void import_storesGuideInChannelsOfTheSameNameOrNewOnes()
    {
        TestDatabase db;
        db.addChannel(db.addProject(u"Other"_qs), u"Town TV"_qs);
        const qint32 project = db.addProject(u"Mine"_qs);
        const qint32 arte = db.addChannel(project, u"Arte Français"_qs, u"7"_qs);
        db.exec(u"UPDATE ChannelData SET logoURL = 'own.png' WHERE channelID = ?"_qs, {arte});
        db.addChannel(project, u"Arte Français"_qs, u"8"_qs);
        db.addChannel(project, u"town tv"_qs);

        const auto imported = xmltv::importXmltv(db.path(), project, sample(u"guide.xml"_qs));
        QVERIFY_DONE(imported);
        QCOMPARE(imported.value().channelsAdded, 2);
        QCOMPARE(imported.value().channelsMatchedByName, 1);
        QCOMPARE(imported.value().programmes, 7);
        QStringList expected = fileLines(sample(u"guide-stored.txt"_qs));
        expected.removeIf(
            [](const QString &line) { return line.isEmpty() || line.startsWith(u'#'); });
        QCOMPARE(
            db.texts(u"SELECT c.*, x.xmltvID FROM ChannelData c LEFT JOIN ChannelXmltv x USING "
                     u"(channelID) ORDER BY channelID"_qs) +
                db.texts(u"SELECT channelID, programmeName, programmeDesc, startDate, "
                         u"startTime, duration, category FROM ProgrammeData ORDER BY "
                         u"programmeID"_qs),
            expected);

        // Two channels of one name in a guide go into the project's one channel
        // of that name and a new one; the user's number stays, and the channel
        // the import adds takes the guide's.
        const qint32 sevens = db.addProject(u"Sevens"_qs);
        const qint32 own = db.addChannel(sevens, u"Seven"_qs, u"7"_qs);
        const QString path = written(
            u"sevens.xml"_qs,
            fullGuide("<channel id=\"seven.syd\"><display-name>Seven</display-name><lcn>71</lcn>"
                      "</channel>\n<channel id=\"seven.mel\"><display-name>Seven</display-name>"
                      "<lcn>72</lcn></channel>\n<programme start=\"20240301060000 +1100\" "
                      "channel=\"seven.syd\"><title>S</title></programme>\n<programme "
                      "start=\"20240301060000 +1100\" channel=\"seven.mel\"><title>M</title>"
                      "</programme>\n"));
        const auto again = xmltv::importXmltv(db.path(), sevens, path);
        QVERIFY_DONE(again);
        QCOMPARE(again.value().channelsMatchedByName, 1);
        QCOMPARE(again.value().channelsAdded, 1);
        QCOMPARE(db.texts(u"SELECT channelID, channelName, channelNumber, xmltvID FROM ChannelData "
                          u"LEFT JOIN ChannelXmltv USING (channelID) WHERE projectID = ? ORDER BY "
                          u"channelID"_qs,
                          {sevens}),
                 (QStringList{u"%1|Seven|7|seven.syd"_qs.arg(own),
                              u"%1|Seven|72|seven.mel"_qs.arg(own + 1)}));
    }

    void faultyFile_importsNothingAndSaysWhere_data()
    {
        // piped: read through a pipe, which cannot be read a second time.
        addColumns<QString, xmltv::XmltvLimits, QString, bool>("file", "limits", "detail", "piped");
        const auto add = [&](const char *tag, const QString &file, const QString &detail,
                             const xmltv::XmltvLimits &limits = {}, bool piped = false) {
            QTest::newRow(tag) << file << limits << detail << piped;
        };
        // A file of its own, or a guide of one channel "a" and the contents on line 2.
        const auto file = [&](const char *tag, const QByteArray &contents, const QString &detail,
                              const xmltv::XmltvLimits &limits = {}) {
            add(tag, written(QString::fromLatin1(tag) + u".xml"_qs, contents), detail, limits);
        };
        const auto guide = [&](const char *tag, const QByteArray &contents, const QString &detail,
                               const xmltv::XmltvLimits &limits = {}) {
            add(tag, guideWith(QString::fromLatin1(tag) + u".xml"_qs, contents), detail, limits);
        };

        // Where expat stops, and where the import's own checks do.
        add("malformed.xml", sample(u"malformed.xml"_qs),
            u"Line 10, column 27: mismatched tag."_qs);
        add("truncated.xml", sample(u"truncated.xml"_qs),
            u"Line 11, column 1: the file ends in the middle of the guide."_qs);
        file("empty", {}, u"Line 1, column 1: the file has no <tv> element."_qs);
        file("root", "<?xml version=\"1.0\"?>\n<guide/>",
             u"Line 2, column 1: the file's root element is <guide>, where an XMLTV file has "
             u"<tv>."_qs);
        guide("after the guide", "</tv><tv>", u"Line 2, column 6: junk after document element."_qs);
        const QByteArray programme = "<programme start=\"20240101000000\" channel=\"a\">";
        guide("entity the file does not define",
              programme + "<title>Caf&eacute;</title></programme>",
              u"Line 2, column 57: undefined entity."_qs);
        guide("element in a title", programme + "<title>On <b>now</b></title></programme>",
              u"Line 2, column 57: <b> stands where only text may."_qs);
        // A problem found at an element's end is placed at its start tag, however
        // far into the file, counting characters rather than bytes.
        const QByteArray manyLines =
            (programme + "<title>Caf\xc3\xa9 \xe2\x98\x95</title></programme>\r\n")
                .repeated(20000) +
            "  \xe2\x98\x95 ";
        add("no title far on, piped",
            guideWith(u"piped.xml"_qs, manyLines + programme + "<desc>Untitled</desc></programme>"),
            u"Line 20002, column 5: the programme starting 20240101000000 has no <title>."_qs, {},
            true);
        guide("unreadable stop",
              "<programme start=\"20240101000000\" stop=\"soon\" channel=\"a\"><title>T</title>"
              "</programme>",
              u"Line 2, column 1: the stop \"soon\" cannot be read as a time."_qs);
        guide("channel without a name", "<channel id=\"b\"><icon src=\"b.png\"/></channel>",
              u"Line 2, column 1: the channel \"b\" has no <display-name>."_qs);
        guide("channel id twice",
              "<channel id=\"a\"><display-name>A again</display-name></channel>",
              u"Line 2, column 1: the channel id \"a\" is given to two channels."_qs);

        // Hostile files are refused within bounds; the first element too deep
        // without reading the rest.
        file("nested a million deep", "<tv>" + QByteArray("<x>").repeated(1000000),
             u"Line 1, column 194: <x> lies 65 elements deep, more than the 64 a guide may "
             u"have."_qs);
        file(
            "external entity",
            "<!DOCTYPE tv [ <!ENTITY secret SYSTEM \"file:///etc/passwd\"> ]>\n<tv><channel "
            "id=\"a\"><display-name>A</display-name></channel>\n" +
                programme + "<title>&secret;</title></programme></tv>",
            u"Line 3, column 54: the entity &secret; stands for a file outside the guide, which is "
            u"never read."_qs);
        guide(
            "text at the bound",
            programme + "<title>" + QByteArray(4096, 't') + "</title></programme>" + programme +
                "<title>" + QByteArray(4097, 't') + "</title></programme>",
            u"Line 2, column 4216: the <title> holds 4097 bytes of text, more than the 4096 a text "
            u"may have."_qs,
            shortTexts());
        guide("long length",
              programme + "<title>T</title><length units=\"minutes\">" + QByteArray(100000, '9') +
                  "</length></programme>",
              u"Line 2, column 63: the <length> cannot be read as seconds, minutes or hours."_qs);
        // Expat parses an unfinished tag again each time it is given more; a
        // long one is refused where it starts.
        const QString runsOn = u"a tag, comment or declaration starting here runs on past 1048576 "
                               u"bytes, more than a guide may have."_qs;
        guide("long attribute",
              programme + "<title>T</title>\n<rating system=\"" + QByteArray(3 * 1024 * 1024, 'r') +
                  "\"/></programme>",
              u"Line 3, column 1: "_qs + runsOn);

        // What a message quotes from the file is cut short, by one helper
        // every message shares; these stand for their messages at ordinary lengths too.
        const QByteArray long80(80, 'y');
        const QString quoted = QString::fromLatin1(long80) + u"..."_qs;
        guide("long channel id quoted",
              "<programme start=\"20240101000000\" channel=\"" + long80 + QByteArray(1000000, 'z') +
                  "\"><title>T</title></programme>",
              u"Line 2, column 1: a <programme> is on the channel \""_qs + quoted +
                  u"\", which no <channel> before it defines."_qs);
        // A guide that names the XMLTV DTD, which is never read, leaves an
        // undefined entity to it, and expat does not count that as an error.
        file("long entity name quoted",
             "<!DOCTYPE tv SYSTEM \"xmltv.dtd\">\n<tv><channel "
             "id=\"a\"><display-name>A</display-name>"
             "</channel>\n" +
                 programme + "<title>&" + long80 + "e;</title></programme></tv>",
             u"Line 3, column 54: the entity &"_qs + quoted + u"; is not defined."_qs);
    }

    void faultyFile_importsNothingAndSaysWhere()
    {
        QFETCH(QString, file);
        QFETCH(xmltv::XmltvLimits, limits);
        QFETCH(QString, detail);
        QFETCH(bool, piped);
        TestDatabase db;
        const qint32 project = db.addProject(u"Mine"_qs);
        db.addProgramme(db.addChannel(project, u"Mine TV"_qs), u"Kept"_qs);

        // As a shell hands over a command's output: /dev/fd/N of a pipe.
        std::thread writing;
        int ends[2] = {-1, -1};
        if (piped) {
            QVERIFY(::pipe(ends) == 0);
            // The import stops reading at the problem; what is left is refused.
            std::signal(SIGPIPE, SIG_IGN);
            writing = std::thread([bytes = contents(file), in = ends[1]] {
                QFile out;
                if (out.open(in, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle))
                    out.write(bytes);
            });
            file = u"/dev/fd/%1"_qs.arg(ends[0]);
        }
        xmltv::XmltvImportControl control;
        control.limits = limits;
        const auto imported = xmltv::importXmltv(db.path(), project, file, control);
        if (writing.joinable()) {
            ::close(ends[0]);
            writing.join();
        }
        QVERIFY(!imported);
        QCOMPARE(imported.failure().action, u"Could not import "_qs + file);
        QCOMPARE(imported.failure().detail, detail);
        QCOMPARE(
            db.texts(u"SELECT (SELECT count(*) FROM ChannelData), count(*) FROM ProgrammeData"_qs),
            QStringList{u"1|1"_qs});
    }

    // Enough programmes to be stored many rows at a time, in several batches
    // and through statements of every size, each in its place; progress counts
    // up to every programme read. Imported again, it reads, stores, then
    // replaces every programme the project had, so a cancel can land in each
    // of its phases.
    void largeGuide_storesInOrder_andACancelAtAnyMomentChangesNothing()
    {
        const int n = 9 * 2048 + 2047;
        TestDatabase db;
        const qint32 project = db.addProject(u"Large"_qs);
        const QString guide = writeLargeGuide(db.directory() + u"/a.xml"_qs, n);
        QList<qint64> counts;
        xmltv::XmltvImportControl control;
        control.progress = [&](qint64 read) {
            counts << read;
        };
        QVERIFY_DONE(xmltv::importXmltv(db.path(), project, guide, control));
        QVERIFY(counts.size() > 1);
        QVERIFY(std::is_sorted(counts.cbegin(), counts.cend()));
        QCOMPARE(counts.constLast(), n);
        QStringList expected;
        for (int i = 0; i < n; ++i)
            expected << u"C%1|P%2|%3|30"_qs.arg(i % 2).arg(i).arg(
                afterNewYear(i, u"yyyy-MM-dd|hh:mm"_qs));
        QCOMPARE(db.texts(u"SELECT c.channelName, p.programmeName, p.startDate, p.startTime, "
                          u"p.duration FROM ProgrammeData p JOIN ChannelData c USING (channelID) "
                          u"ORDER BY p.programmeID"_qs),
                 expected);

        const auto programmes = [&db] {
            return db.rows(u"SELECT programmeID, programmeName FROM ProgrammeData"_qs);
        };
        QElapsedTimer clock;
        clock.start();
        QVERIFY_DONE(xmltv::importXmltv(db.path(), project, guide));
        const qint64 whole = clock.elapsed();

        int taken = 0, tooLate = 0;
        for (int trial = 0; trial <= 8; ++trial) {
            const auto before = programmes();
            xmltv::ImportCancel cancel;
            control.cancel = &cancel;
            bool took = false;
            // From the start to a little past the end of an import, in steps.
            std::thread canceller([&] {
                std::this_thread::sleep_for(std::chrono::milliseconds(whole * trial / 7));
                took = cancel.cancel();
            });
            const auto imported = xmltv::importXmltv(db.path(), project, guide, control);
            canceller.join();
            if (took) {
                ++taken;
                QVERIFY(!imported);
                QCOMPARE(imported.failure().detail, u"The import was cancelled."_qs);
                QCOMPARE(programmes(), before);
            } else {
                ++tooLate;
                QVERIFY_DONE(imported);
                QCOMPARE(imported.value().programmesReplaced, n);
            }
        }
        qInfo("%d cancels taken, %d too late", taken, tooLate);
        QVERIFY(taken > 0);
    }

    void importedText_isAsWritten_andOnlyWhereTheGuideHasIt_data()
    {
        // stored: channel, name, description, start, length, category and the details
        // kept beside them; or what the refusal says.
        addColumns<QString, QString>("guide", "stored");
        // An entity the file defines itself, a comment and a CDATA section in a
        // title, blanks around the start, a title inside an element the import
        // does not read, an empty description.
        QTest::newRow("markup")
            << written(u"text.xml"_qs,
                       "<!DOCTYPE tv [ <!ENTITY town \"Town\"> ]>\n"
                       "<tv><channel id=\"a\"><display-name>&town; TV</display-name></channel>\n"
                       "<programme start=\" 20240101063000 +0000 \" channel=\"a\">"
                       "<credits><title>Not this</title></credits>"
                       "<title>Fish <!-- and? --><![CDATA[& <Chips>]]></title><desc></desc>"
                       "<length units=\"hours\"> 2 </length></programme>\n</tv>\n")
            << u"Town TV|Fish & <Chips>|<null>|2024-01-01|06:30|120|<null>|<title/>\n<desc/>\n"
               u"<credits><title>Not this</title></credits>\n<length units=\"hours\"> 2 </length>"_qs;
        // Windows-1252, which grabbers often write where they mean Latin-1.
        QTest::newRow("Windows-1252")
            << written(u"cp1252.xml"_qs,
                       "<?xml version=\"1.0\" encoding=\"Windows-1252\"?>\n"
                       "<tv><channel id=\"a\"><display-name>Caf\xe9</display-name></channel>"
                       "<programme start=\"20240101063000\" channel=\"a\">"
                       "<title>\x80 \x93 \xff</title></programme></tv>")
            << u"Café|€ “ ÿ|<null>|2024-01-01|06:30|<null>|<null>|<null>"_qs;
        // A comment is passed over whatever its length; the details a programme
        // carries beyond its columns are kept, and bounded together as one text.
        const QByteArray huge(100000, 'h');
        const QByteArray some(200, 's');
        const auto guide = [&](const QString &name, const QByteArray &actor) {
            return guideWith(name,
                             "<programme start=\"20240101000000\" channel=\"a\"><title>T</title>"
                             "<title>" +
                                 some + "</title><desc>D</desc><desc>" + some +
                                 "</desc><credits><actor>" + actor + "</actor></credits><!-- " +
                                 huge + " --><category>C</category></programme>");
        };
        QTest::newRow("details kept")
            << guide(u"kept.xml"_qs, some)
            << u"A|T|D|2024-01-01|00:00|<null>|C|<title/>\n<title>%1"
               u"</title>\n<desc/>\n<desc>%1</desc>\n<credits><actor>%1"
               u"</actor></credits>\n<category/>"_qs.arg(QString::fromLatin1(some));
        QTest::newRow("details too long")
            << guide(u"too-long.xml"_qs, huge)
            << u"the details of this programme hold more than the 1000 bytes"_qs;
    }

    void importedText_isAsWritten_andOnlyWhereTheGuideHasIt()
    {
        QFETCH(QString, guide);
        QFETCH(QString, stored);
        TestDatabase db;
        xmltv::XmltvImportControl control;
        control.limits.textBytes = 1000;
        const auto imported =
            xmltv::importXmltv(db.path(), db.addProject(u"Mine"_qs), guide, control);
        if (!imported) {
            QVERIFY2(imported.failure().detail.contains(stored),
                     qPrintable(imported.failure().detail));
            return;
        }
        QCOMPARE(db.texts(u"SELECT c.channelName, p.programmeName, p.programmeDesc, p.startDate, "
                          u"p.startTime, p.duration, p.category, p.xmltvExtra FROM ProgrammeData p "
                          u"JOIN ChannelData c USING (channelID)"_qs),
                 QStringList{stored});
    }

    void subTitleAndEpisode_goFromTheTableToTheGuideAndBack()
    {
        TestDatabase db;
        const qint32 project = db.addProject(u"Series"_qs);
        const qint32 channel = db.addChannel(project, u"Town TV"_qs);
        const qint32 first = db.addProgramme(channel, u"Drama"_qs, u"2024-03-01"_qs, u"20:00"_qs);
        const qint32 second = db.addProgramme(channel, u"Drama"_qs, u"2024-03-02"_qs, u"20:00"_qs);
        const auto edit = [&](qint32 programme, int column, const QString &text) {
            const auto shown = schedule::loadSchedule(db.path(), channel).value();
            const auto row = std::find_if(shown.begin(), shown.end(), [&](const auto &p) {
                return p.programmeID == programme;
            });
            return row != shown.end() && schedule::changeValue(db.path(), *row, column, text).ok();
        };
        QVERIFY(edit(first, schedule::SubTitle, u"Part 1 & 2"_qs));
        QVERIFY(edit(first, schedule::Episode, u"0.1."_qs));
        QVERIFY(edit(second, schedule::Episode, u"S1E2"_qs));
        const QString out = db.directory() + u"/series.xml"_qs;
        QVERIFY(xmltv::writeXmltv(db.path(), project, out, QTimeZone("Europe/London")));
        QCOMPARE(fileLines(out).filter(QRegularExpression(u"<(sub-title|episode-num)"_qs)),
                 (QStringList{u"    <sub-title>Part 1 &amp; 2</sub-title>"_qs,
                              u"    <episode-num system=\"xmltv_ns\">0.1.</episode-num>"_qs,
                              u"    <episode-num system=\"onscreen\">S1E2</episode-num>"_qs}));

        const qint32 again = db.addProject(u"Again"_qs);
        QVERIFY_DONE(xmltv::importXmltv(db.path(), again, out));
        QCOMPARE(
            db.texts(u"SELECT subTitle, episodeNum, episodeSystem, xmltvExtra FROM ProgrammeData "
                     u"WHERE programmeID > ? ORDER BY programmeID"_qs,
                     {second}),
            (QStringList{u"Part 1 & 2|0.1.|xmltv_ns|<null>"_qs,
                         u"<null>|S1E2|onscreen|<null>"_qs}));

        // A numbering only a guide names stays with an edited episode.
        db.exec(u"UPDATE ProgrammeData SET episodeSystem = 'dd_progid' WHERE programmeID = ?"_qs,
                {first});
        QVERIFY(edit(first, schedule::Episode, u"EP0001.0002"_qs));
        QCOMPARE(
            db.texts(
                u"SELECT episodeNum, episodeSystem FROM ProgrammeData WHERE programmeID = ?"_qs,
                {first}),
            QStringList{u"EP0001.0002|dd_progid"_qs});
    }

    // Guides written by others, brought in and written out again: what a guide
    // application reads from the export must be what it read from the original.
    void roundTrip_saysWhatTheOriginalSays_data()
    {
        // channels: how many channels the import makes of it.
        // made: the <channel> elements the export adds, as describe() gives them.
        addColumns<QString, int, QStringList>("original", "channels", "made");
        const auto add = [](const char *tag, const QString &file, int channels = 1,
                            const QStringList &made = {}) {
            QTest::newRow(tag) << sample(file) << channels << made;
        };
        add("two channels with one name", u"from-elsewhere/seven.xml"_qs, 2);
        add("mixed offsets", u"from-elsewhere/offsets.xml"_qs);
        add("fall-back night", u"from-elsewhere/fallback.xml"_qs);
        add("stops with seconds", u"from-elsewhere/seconds.xml"_qs);
        add("zero-length, short and backwards", u"from-elsewhere/short.xml"_qs);
        add("carriage returns", u"from-elsewhere/returns.xml"_qs);
        // XMLTV's validator wants every channel defined: each is named by its id.
        const QString named = u"<channel id=\"%1\"><display-name >%1</display-name></channel>"_qs;
        add("no channel elements", u"from-elsewhere/no-channels.xml"_qs, 2,
            {named.arg(u"one.example.org"_qs), named.arg(u"two.example.org"_qs)});
        add("extension elements", u"from-elsewhere/extensions.xml"_qs);
        add("every detail once", u"every-detail.xml"_qs);
        QTest::newRow("gzipped") << written(u"gzipped.xml.gz"_qs,
                                            contents(sample(u"from-elsewhere/gzipped.xml"_qs)))
                                 << 1 << QStringList();
    }

    void roundTrip_saysWhatTheOriginalSays()
    {
        QFETCH(QString, original);
        QFETCH(int, channels);
        QFETCH(QStringList, made);
        QVERIFY(!original.isEmpty());

        TestDatabase db;
        const qint32 project = db.addProject(u"Guides"_qs);
        const auto imported = xmltv::importXmltv(db.path(), project, original);
        QVERIFY_DONE(imported);
        QCOMPARE(imported.value().channelsAdded, channels);

        // Kept instants do not depend on the zone the export is given.
        const QString out = m_guides.filePath(u"out-"_qs + QFileInfo(original).fileName());
        const auto exported =
            xmltv::writeXmltv(db.path(), project, out, QTimeZone("America/New_York"));
        QVERIFY_DONE(exported);
        QVERIFY(exported.value().leftOut.isEmpty());
        QCOMPARE(describe(out), made + describe(original));
        // XMLTV's validator takes the export whenever it takes the original.
        const auto before = validates(original);
        if (!before)
            QSKIP("tv_validate_file (Debian package xmltv-util) is not installed");
        if (*before)
            QVERIFY(*validates(out));
    }

    void secondImport_replacesTheSpanItCovers()
    {
        const QString first =
            written(u"day.xml"_qs,
                    fullGuide(channelA +
                              programmeOnA("20240301060000 +0000", "20240301070000 +0000", "One") +
                              programmeOnA("20240301070000 +0000", "20240301080000 +0000", "Two")));
        TestDatabase db;
        const qint32 project = db.addProject(u"Mine"_qs);
        QVERIFY(xmltv::importXmltv(db.path(), project, first));
        const qint32 channel = db.value(u"SELECT channelID FROM ChannelData"_qs).toInt();
        // Typed by the user: one within the span the guide covers, one after it.
        db.addProgramme(channel, u"Inside"_qs, u"2024-03-01"_qs, u"07:30"_qs);
        db.addProgramme(channel, u"After"_qs, u"2024-03-01"_qs, u"08:00"_qs);
        const auto names = [&] {
            return db.value(u"SELECT group_concat(programmeName, ',') FROM (SELECT programmeName "
                            u"FROM ProgrammeData ORDER BY startTime, programmeID) AS p"_qs);
        };

        xmltv::XmltvImportControl utc;
        utc.zone = QTimeZone::utc();
        const auto again = xmltv::importXmltv(db.path(), project, first, utc);
        QVERIFY_DONE(again);
        QCOMPARE(again.value().programmes, 2);
        QCOMPARE(again.value().programmesReplaced, 3);
        QCOMPARE(again.value().programmesKept, 1);
        QCOMPARE(names(), QVariant(u"One,Two,After"_qs));

        // A later guide overlapping the first replaces only what it covers.
        const QString later = written(
            u"later.xml"_qs, fullGuide(channelA + programmeOnA("20240301070000 +0000",
                                                               "20240301073000 +0000", "New two")));
        const auto third = xmltv::importXmltv(db.path(), project, later, utc);
        QVERIFY(third);
        QCOMPARE(third.value().programmesReplaced, 1);
        QCOMPARE(third.value().programmesKept, 2);
        QCOMPARE(names(), QVariant(u"One,New two,After"_qs));
    }

    void editedProgramme_followsWhatWasTyped()
    {
        const QString path = written(
            u"edited.xml"_qs,
            fullGuide(channelA +
                      "<programme start=\"20240301200000 +0100\" stop=\"20240301210010 +0100\" "
                      "channel=\"a.example.org\"><title lang=\"fr\">Film<x-note>!</x-note></title>"
                      "<sub-title>Deux</sub-title></programme>\n"));
        TestDatabase db;
        const qint32 project = db.addProject(u"Mine"_qs);
        QVERIFY(xmltv::importXmltv(db.path(), project, path));
        // As the guide application shows it: the file's wall clock, as stored;
        // an extension inside the title is no part of its text.
        QCOMPARE(
            db.rows(u"SELECT programmeName, startDate, startTime, duration FROM ProgrammeData"_qs)
                .value(0),
            (QVariantList{u"Film"_qs, u"2024-03-01"_qs, u"20:00"_qs, u"60"_qs}));
        const QString out = m_guides.filePath(u"edited-out.xml"_qs);
        // The start and stop the export gives the programme.
        const auto exportedTimes = [&] {
            if (!xmltv::writeXmltv(db.path(), project, out, QTimeZone("Europe/London")))
                return u"not written"_qs;
            const QString text = QString::fromUtf8(fileBytes(out));
            const qsizetype at = text.indexOf(u"<programme start=\""_qs) + 18;
            return text.mid(at, text.indexOf(u"\" channel="_qs, at) - at);
        };
        QCOMPARE(exportedTimes(), u"20240301200000 +0100\" stop=\"20240301210010 +0100"_qs);
        // A new length: the start stays the guide's, the stop follows the length.
        db.exec(u"UPDATE ProgrammeData SET duration = '30'"_qs);
        QCOMPARE(exportedTimes(), u"20240301200000 +0100\" stop=\"20240301193000 +0000"_qs);
        // A new start is read in the export's zone, as every typed start is.
        db.exec(u"UPDATE ProgrammeData SET startTime = '21:00', programmeName = 'Le film'"_qs);
        QCOMPARE(exportedTimes(), u"20240301210000 +0000\" stop=\"20240301213000 +0000"_qs);
        const QString text = QString::fromUtf8(fileBytes(out));
        QVERIFY2(text.contains(u"<title lang=\"fr\">Le film</title>"_qs), qPrintable(text));
        QVERIFY2(text.contains(u"<sub-title>Deux</sub-title>"_qs), qPrintable(text));
    }

    void roundTrip_givesBackEveryTextOrSaysSo_data()
    {
        // columns: the columns given the text; every one when empty.
        // refusal: the export's refusal; none when it writes the guide.
        // stored: the text as the program reads it back from the store, where that is
        // not the text: UTF-8 has no lone surrogates, and SQLite reads U+FFFE
        // and U+FFFF as U+FFFD.
        addColumns<QString, QStringList, QString, QString>("text", "columns", "refusal", "stored");
        const auto add = [](const char *tag, const QString &text, const QStringList &columns = {},
                            const QString &refusal = {}, const QString &stored = {}) {
            QTest::newRow(tag) << text << columns << refusal << (stored.isNull() ? text : stored);
        };

        add("a byte-order mark first", u"\uFEFFStart"_qs);
        add("two of them", u"\uFEFF\uFEFFStart"_qs);
        // A server holds them as they are.
        const bool server = testsOnServer();
        add("a byte-order mark reversed first", u"\uFFFEStart"_qs, {}, {},
            server ? QString() : u"\uFFFDStart"_qs);
        add("non-characters", u"\uFFFF \uFDD0 \U0001FFFE"_qs, {}, {},
            server ? QString() : u"\uFFFD \uFDD0 \U0001FFFE"_qs);
        add("line and paragraph separators", u"a\u2028b\u2029c\u0085d"_qs);
        add("carriage returns and line feeds", u"\r\nCR LF\rCR\nLF\r\n"_qs);
        add("blanks around", u"\t Lead and trail \t"_qs);
        add("blanks only", u" \t  "_qs);
        add("controls", u"\u0001Bell\u0007 Del\u007f C1\u009f"_qs);
        add("astral characters", u"\U0001F4FA \U0001D11E"_qs);
        add("lone surrogates", u"a"_qs + QChar(0xd800) + u"b"_qs + QChar(0xdc00), {}, {},
            u"a\uFFFDb\uFFFD"_qs);
        add("markup", u"<a href=\"x\">&amp; 'q' ]]> &#13;</a>"_qs);

        // At the import's bounds it reads the guide back; past them the export
        // refuses, naming the row.
        const xmltv::XmltvLimits limits = shortTexts();
        const auto refused = [](const QString &row, const QString &why) {
            return u"In the project \"Hostile\", %1: %2"_qs.arg(row, why);
        };
        const QString channel = u"channel \"Town TV\""_qs;
        const QString news = u"\"News\" on \"Town TV\", start \"2024-03-01\" \"19:00\""_qs;
        const auto longTag = [&](const QString &tag, qint64 bytes, const QString &todo) {
            return u"its <%1> tag would be %2 bytes long, more than the %3 an XMLTV import takes "
                   u"in one tag, so the guide could not be read back. %4"_qs.arg(
                       tag, QString::number(bytes), QString::number(limits.markupBytes), todo);
        };
        const auto longText = [&](const QString &column, qint64 bytes) {
            return u"its %1 is %2 bytes long in UTF-8, more than the %3 an XMLTV import takes in "
                   u"one text, so the guide could not be read back. Shorten it, then export "
                   u"again."_qs.arg(column, QString::number(bytes),
                                    QString::number(limits.textBytes));
        };
        const QString shortenLogo = u"Shorten its logo address, then export again."_qs;
        const QString importAgain =
            u"give the channel a shorter id there, import that guide again, "
            u"then export again."_qs;
        const qsizetype iconTag = u"<icon src=\"\"/>"_qs.size();
        const qsizetype logoFits = limits.markupBytes - iconTag;
        const QStringList logo{u"logo address"_qs};
        add("logo address at the tag bound", QString(logoFits, u'l'), logo);
        add("logo address a byte past it", QString(logoFits + 1, u'l'), logo,
            refused(channel, longTag(u"icon"_qs, limits.markupBytes + 1, shortenLogo)));
        add("logo address past it once escaped", QString(logoFits / 5 + 1, u'&'), logo,
            refused(channel, longTag(u"icon"_qs, iconTag + (logoFits / 5 + 1) * 5, shortenLogo)));
        const qsizetype idFits = limits.markupBytes - u"<channel id=\"\">"_qs.size();
        const QStringList id{u"XMLTV id"_qs};
        add("XMLTV id a byte past the tag bound", QString(idFits + 1, u'i'), id,
            refused(channel,
                    longTag(u"channel"_qs, limits.markupBytes + 1,
                            u"Its XMLTV id comes from the guide it was imported from: "_qs +
                                importAgain)));
        const QString programmeTag = u"<programme start=\"20240301190000 +0000\" "
                                     u"stop=\"20240301193000 +0000\" channel=\"\">"_qs;
        add("XMLTV id past it in its programmes' tags", QString(idFits, u'i'), id,
            refused(news, longTag(u"programme"_qs, idFits + programmeTag.size(),
                                  u"Its channel's XMLTV id comes from the guide it was imported "
                                  u"from: "_qs +
                                      importAgain)));
        const QStringList desc{u"description"_qs};
        add("description at the text bound", QString(limits.textBytes, u'd'), desc);
        add("description a byte past it", QString(limits.textBytes + 1, u'd'), desc,
            refused(news, longText(u"description"_qs, limits.textBytes + 1)));
        add("channel name past it in UTF-8", QString(limits.textBytes / 2 + 1, u'é'),
            {u"channel name"_qs},
            refused(u"channel \"%1...\""_qs.arg(QString(80, u'é')),
                    longText(u"name"_qs, limits.textBytes + 2)));
    }

    // Each awkward text in every column the export writes comes back from the
    // guide into a fresh project as it was stored, or the export said what
    // became of it: a programme it left out, or a text it wrote otherwise. A
    // blank address, number, description or category is none, and a typed
    // start or length comes back in the form the import writes, meaning the same.
    void roundTrip_givesBackEveryTextOrSaysSo()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, columns);
        QFETCH(QString, refusal);
        QFETCH(QString, stored);
        const auto blank = [](const QString &text) {
            return text.trimmed().isEmpty();
        };
        const auto given = [&](const char *column, const QString &otherwise) {
            return columns.isEmpty() || columns.contains(QLatin1String(column)) ? text : otherwise;
        };
        TestDatabase db;
        const qint32 project = db.addProject(u"Hostile"_qs);
        const qint64 channel =
            db.exec(u"INSERT INTO ChannelData (projectID, channelName, channelNumber, channelURL, "
                    u"logoURL) VALUES (?, ?, ?, ?, ?)"_qs,
                    {project, given("channel name", u"Town TV"_qs), given("number", u"7"_qs),
                     given("channel address", u"http://town.example.org/"_qs),
                     given("logo address", u"http://town.example.org/logo.png"_qs)});
        // An <lcn> stand-in, as an imported guide leaves: only then is the number written.
        db.exec(
            u"INSERT INTO ChannelXmltv (channelID, xmltvID, xmltvExtra) VALUES (?, ?, '<lcn/>')"_qs,
            {channel, given("XMLTV id", u"town.example.org"_qs)});
        const auto programme = [&](const QString &name, const QString &date, const QString &time,
                                   const QString &duration = u"30"_qs, const QVariant &desc = {},
                                   const QVariant &category = {}) {
            db.exec(u"INSERT INTO ProgrammeData (channelID, programmeName, startDate, startTime, "
                    u"duration, programmeDesc, category) VALUES (?, ?, ?, ?, ?, ?, ?)"_qs,
                    {channel, name, date, time, duration, desc, category});
        };
        programme(given("programme name", u"News"_qs), u"2024-03-01"_qs, u"19:00"_qs, u"30"_qs,
                  given("description", u"The day's news."_qs), given("category", u"News"_qs));
        // Written whatever becomes of the others, and with it the channel.
        programme(u"Anchor"_qs, u"2024-03-01"_qs, u"20:00"_qs);
        programme(u"Typed date"_qs, given("start date", {}) + u"2024-03-02"_qs, u"21:00"_qs);
        programme(u"Typed time"_qs, u"2024-03-02"_qs, given("start time", {}) + u"22:00"_qs);
        programme(u"Typed length"_qs, u"2024-03-02"_qs, u"23:00"_qs,
                  given("duration", {}) + u"45"_qs);
        // The store holds what was typed, a mark at its start too.
        if (columns.isEmpty()) {
            if (testsOnServer() && text.startsWith(QChar(0xfeff)))
                QEXPECT_FAIL("",
                             "Qt's PostgreSQL driver drops a mark at the start of a text it reads",
                             Abort);
            QCOMPARE(visible(db.value(u"SELECT channelName FROM ChannelData"_qs).toString()),
                     visible(stored));
        }

        const QString out = db.directory() + u"/round.xml"_qs;
        const auto written = xmltv::writeXmltv(db.path(), project, out, QTimeZone::utc(),
                                               xmltv::channelBytesInMemory, shortTexts());
        if (!refusal.isEmpty()) {
            QVERIFY(!written);
            QCOMPARE(written.failure().action, u"Could not write the XMLTV file"_qs);
            QCOMPARE(written.failure().detail, refusal);
            QVERIFY(!QFile::exists(out));
            return;
        }
        QVERIFY_DONE(written);
        const xmltv::XmltvExport &done = written.value();
        const qint32 fresh = db.addProject(u"Fresh"_qs);
        xmltv::XmltvImportControl control;
        control.zone = QTimeZone::utc();
        control.limits = shortTexts();
        QVERIFY_DONE(xmltv::importXmltv(db.path(), fresh, out, control));

        // Each text that came back otherwise the export named, and no other.
        qsizetype differ = 0;
        const auto check = [&](bool same, bool ofProgramme, const QVariantList &row,
                               const QString &column, const QString &was, const QString &now) {
            const bool said = std::any_of(
                done.changed.cbegin(), done.changed.cend(), [&](const xmltv::ChangedText &c) {
                    return c.ofProgramme == ofProgramme && c.column == column &&
                           (ofProgramme
                                ? QStringList{c.programme, c.startDate, c.startTime} ==
                                      QStringList{row.at(0).toString(), row.at(3).toString(),
                                                  row.at(4).toString()}
                                : c.channel == row.at(0).toString());
                });
            differ += same ? 0 : 1;
            QVERIFY2(same != said, qPrintable(u"%1 \"%2\" came back as \"%3\"%4"_qs.arg(
                                       column, visible(was), visible(now),
                                       said ? u", yet the export said it changed"_qs : QString())));
        };

        const QString channels = u"SELECT channelName, channelNumber, channelURL, logoURL, xmltvID "
                                 u"FROM ChannelData JOIN ChannelXmltv USING (channelID) WHERE "
                                 u"projectID = ?"_qs;
        const QList<QVariantList> channelWas = db.rows(channels, {project});
        const QList<QVariantList> channelNow = db.rows(channels, {fresh});
        QCOMPARE(channelNow.size(), 1);
        const QStringList channelColumns{u"name"_qs, u"number"_qs, u"channel address"_qs,
                                         u"logo address"_qs, u"XMLTV id"_qs};
        for (int c = 0; c < channelColumns.size(); ++c) {
            const QString was = channelWas.at(0).at(c).toString();
            const QString now = channelNow.at(0).at(c).toString();
            check(was == now || (c >= 1 && c <= 3 && blank(was) && blank(now)), false,
                  channelWas.at(0), channelColumns.at(c), was, now);
        }

        const QString programmes = u"SELECT programmeName, programmeDesc, category, startDate, "
                                   u"startTime, duration FROM ProgrammeData JOIN ChannelData USING "
                                   u"(channelID) WHERE projectID = ? ORDER BY programmeID"_qs;
        const auto startOf = [](const QVariantList &row) -> std::optional<QDateTime> {
            const auto date = store::readTypedDate(row.at(3).toString());
            const auto time = store::readTypedTime(row.at(4).toString());
            return date && time ? std::optional(QDateTime(*date, *time)) : std::nullopt;
        };
        QMap<QDateTime, QVariantList> back;
        for (const QVariantList &row : db.rows(programmes, {fresh}))
            back.insert(startOf(row).value_or(QDateTime()), row);
        for (const QVariantList &row : db.rows(programmes, {project})) {
            const auto start = startOf(row);
            const bool listed = std::any_of(
                done.leftOut.cbegin(), done.leftOut.cend(), [&](const xmltv::LeftOutProgramme &p) {
                    return QStringList{p.name, p.startDate, p.startTime} ==
                           QStringList{row.at(0).toString(), row.at(3).toString(),
                                       row.at(4).toString()};
                });
            QCOMPARE(listed, !start || blank(row.at(0).toString()));
            if (listed)
                continue;
            QVERIFY2(back.contains(*start), qPrintable(visible(row.at(0).toString())));
            const QVariantList now = back.take(*start);
            const QStringList textColumns{u"name"_qs, u"description"_qs, u"category"_qs};
            for (int c = 0; c < textColumns.size(); ++c) {
                const QString was = row.at(c).toString();
                const QString is = now.at(c).toString();
                check(was == is || (c > 0 && blank(was) && blank(is)), true, row, textColumns.at(c),
                      was, is);
            }
            const QString was = row.at(5).toString();
            const auto length = store::readTypedDuration(was);
            const auto lengthNow = store::readTypedDuration(now.at(5).toString());
            check(length ? lengthNow.value_or(0) == *length : blank(was) && !lengthNow, true, row,
                  u"duration"_qs, was, now.at(5).toString());
        }
        QVERIFY(back.isEmpty());
        QCOMPARE(done.changed.size(), differ);
    }

    // The companion tool's exit code for a guide written without some
    // programmes, and its report; and a guide it exported comes back in whole.
    // Other exit codes, wrong arguments and failure wordings are the tool's own
    // tests'.
    void cli_exitCodesAndReports()
    {
        TestDatabase db;
        db.execScript(sample(u"town-project.sql"_qs));
        const QString out = db.directory() + u"/cli.xml"_qs;
        const CliRun exported =
            runCli({u"export-xmltv"_qs, u"--db"_qs, db.path(), u"--project"_qs, u"1"_qs,
                    u"--out"_qs, out, u"--tz"_qs, u"Europe/London"_qs});
        QCOMPARE(exported.exitCode, 3);
        const QStringList said = exported.out.split(u'\n', Qt::SkipEmptyParts);
        // Three left out, then two changed.
        QCOMPARE(
            said.mid(3),
            QStringList({u"changed \"Odd Length\" on \"Town TV\", start \"2024-04-03\" "
                         u"\"09:00\", duration: it cannot be read as a length, so the programme "
                         u"has no stop"_qs,
                         u"changed \"Bell\u0007 Tower\" on \"Kanal Ü & Co\", start "
                         u"\"2024-04-01\" \"13:00\", name: U+0007 left out (an XMLTV guide "
                         u"cannot carry it)"_qs}));
        QCOMPARE(said.at(0), u"left out \"Broken Date\" on \"Town TV\", start \"31/02/2024\" "
                             u"\"19:00\": the start date cannot be read"_qs);

        // Its own export comes back over the programmes it was made of: the
        // channels are known by the ids the export gave them. Of those it left
        // out, the one that starts within the span goes too; the two whose start
        // cannot be read stay. Written in another zone than the one the tool was
        // given, the span would move and the counts with it.
        const CliRun imported = runCli({u"import-xmltv"_qs, u"--db"_qs, db.path(), u"--project"_qs,
                                        u"1"_qs, u"--in"_qs, out, u"--tz"_qs, u"Europe/London"_qs});
        QCOMPARE(imported.exitCode, 0);
        QCOMPARE(imported.out, u"imported 12 programmes (13 replaced, 2 kept); 0 channels added, 2 "
                               u"matched by id, 0 matched by name\n"_qs);
        // What came back is written out as it was.
        const QString again = db.directory() + u"/again.xml"_qs;
        QVERIFY(xmltv::writeXmltv(db.path(), 1, again, QTimeZone("Europe/London")));
        QCOMPARE(fileLines(again), fileLines(out));
    }

    // A guide goes into a server's database through COPY and comes out through
    // cursors read a batch ahead: what it gives back must be what a database
    // file gives back, text for text.
    void guide_comesBackFromAServerAsFromAFile()
    {
        if (!testsOnServer())
            QSKIP("The run on the server compares it with a file.");
        // Titles and descriptions with what COPY's text format must escape, and
        // text that reads as its escapes; an empty description is stored as none.
        const QStringList hard{u"tab\there"_qs,
                               u"two\nlines"_qs,
                               u"carriage&#13;return"_qs,
                               u"back\\slash"_qs,
                               u"\\N"_qs,
                               u"\\t and \\n written out"_qs,
                               u"caf\u00e9 \u2192 \U0001F4FA"_qs,
                               QString()};
        QByteArray guide = "<tv><channel id=\"one\"><display-name>One</display-name></channel>\n"
                           "<channel id=\"none\"><display-name>None</display-name></channel>\n"
                           "<channel id=\"two\"><display-name>Two</display-name></channel>\n";
        // Enough programmes on one channel for several batches of a cursor, and
        // a channel without programmes between two with them, which a server
        // reads as one run of rows.
        const QString at = u"yyyyMMddhhmmss"_qs;
        for (int i = 0; i < 6000 + int(hard.size()); ++i) {
            const bool odd = i >= 6000;
            const QString text = odd ? hard.at(i - 6000) : u"Programme %1"_qs.arg(i);
            guide +=
                u"<programme start=\"%1 +0000\" stop=\"%2 +0000\" channel=\"%3\"><title>%4"
                u"</title><desc>%5</desc></programme>\n"_qs
                    .arg(afterNewYear(i * 30, at), afterNewYear(i * 30 + 30, at),
                         odd ? u"two"_qs : u"one"_qs, text.isEmpty() ? u"Unnamed"_qs : text, text)
                    .toUtf8();
        }
        const QString path = written(u"server.xml"_qs, guide + "</tv>\n");
        const QString server = freshServerDatabase(u"xmltvserver"_qs);
        const auto drop = qScopeGuard([&] { dropServerDatabase(server); });
        xmltv::XmltvImportControl control;
        control.zone = QTimeZone::utc();
        QStringList outputs;
        for (const QString &database : {store::joinDatabasePath(m_guides.path()), server}) {
            QVERIFY(store::createDatabase(database) && projects::newProject(database, u"Guide"_qs));
            const auto imported = xmltv::importXmltv(database, 1, path, control);
            QVERIFY_DONE(imported);
            QCOMPARE(imported.value().programmes, 6000 + hard.size());
            const QString out = m_guides.filePath(QString::number(outputs.size()));
            QVERIFY_DONE(xmltv::writeXmltv(database, 1, out + u".xmltv"_qs, control.zone));
            QVERIFY_DONE(exports::writeProgrammeXml(1, out + u".xml"_qs, database));
            QString output =
                QString::fromUtf8(contents(out + u".xmltv"_qs) + contents(out + u".xml"_qs));
            for (qint32 channel : {1, 2, 3}) {
                const auto entries = programmes::listProgrammes(database, channel);
                QVERIFY(entries);
                for (const ListEntry &entry : entries.value())
                    output += QString::number(entry.id) + u' ' + entry.text + u'\n';
            }
            outputs << output;
        }
        QVERIFY(outputs.at(0).contains(u"back\\slash"_qs));
        QCOMPARE(outputs.at(1), outputs.at(0));
    }

    void zoneOffsets_agreeWithTheZoneAtEveryInstant_data()
    {
        // Half hours behind UTC; a half-hour change; changes given up; none at all.
        QTest::addColumn<QByteArray>("zone");
        for (const char *zone : {"Europe/London", "America/St_Johns", "Australia/Lord_Howe",
                                 "America/Sao_Paulo", "Asia/Kolkata", "UTC"})
            QTest::newRow(zone) << QByteArray(zone);
    }

    // The offsets the guide export remembers between a zone's changes, and the
    // times written with them, are those the zone gives for each instant alone,
    // going forward, back, across changes and at their very seconds.
    void zoneOffsets_agreeWithTheZoneAtEveryInstant()
    {
        QFETCH(QByteArray, zone);
        const QTimeZone tz(zone);
        const auto offsetAt = [&](qint64 instant) {
            return tz.offsetFromUtc(QDateTime::fromSecsSinceEpoch(instant, Qt::UTC));
        };
        const auto expectedTimestamp = [&](qint64 instant) {
            const int offset = offsetAt(instant);
            return QDateTime::fromSecsSinceEpoch(instant + offset, Qt::UTC)
                       .toString(u"yyyyMMddhhmmss "_qs) +
                   (offset < 0 ? u'-' : u'+') +
                   QTime(0, 0).addSecs(qAbs(offset)).toString(u"hhmm"_qs);
        };

        QList<qint64> instants;
        // Every 19 hours 13 minutes from 1890 to 2060, then a few far ones.
        for (qint64 t = -2524521600; t < 2840140800; t += 19 * 3600 + 13 * 60)
            instants << t;
        instants << -62135596800 << -62135596800 + 3600 << 253402297199 << 253402300799 + 7200;
        // Around every change of 1970 to 2040, to the second.
        const auto changes = tz.transitions(QDateTime::fromSecsSinceEpoch(0, Qt::UTC),
                                            QDateTime::fromSecsSinceEpoch(2208988800, Qt::UTC));
        for (const QTimeZone::OffsetData &change : changes) {
            const qint64 at = change.atUtc.toSecsSinceEpoch();
            instants << at - 1 << at << at + 1 << at - 1;
        }
        // Back and forth.
        const qsizetype count = instants.size();
        for (qsizetype i = 0; i < count; i += 3)
            instants << instants.at(count - 1 - i);

        xmltv::ZoneOffsets offsets(tz);
        for (const qint64 instant : std::as_const(instants)) {
            if (offsets.at(instant) != offsetAt(instant))
                QFAIL(qPrintable(u"offset at %1"_qs.arg(instant)));
            std::string written;
            xmltv::appendTimestamp(written, instant, offsets);
            QCOMPARE(QString::fromStdString(written), expectedTimestamp(instant));
        }
    }

private:
    // A file of the test's own, gzipped when its name says so.
    QString written(const QString &name, const QByteArray &contents)
    {
        const QString path = m_guides.filePath(name);
        return writeFile(path, name.endsWith(u".gz"_qs) ? gzip({u"-c"_qs}, contents) : contents)
                   ? path
                   : QString();
    }

    // A guide of one channel "a" and what follows it on line 2.
    QString guideWith(const QString &name, const QByteArray &contents)
    {
        return written(name, "<tv><channel id=\"a\"><display-name>A</display-name></channel>\n" +
                                 contents + "\n</tv>\n");
    }

    QTemporaryDir m_guides;
};

QTEST_GUILESS_MAIN(XmltvTest)
#include "tst_xmltv.moc"
