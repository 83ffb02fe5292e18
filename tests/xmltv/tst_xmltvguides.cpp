// Guides written by others, brought in and written out again: what a guide
// application reads from the export must be what it read from the original.

#include "support/Files.h"
#include "support/TestDatabase.h"
#include "xmltv/XmltvImport.h"
#include "xmltv/XmltvWriter.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <algorithm>

namespace {

QByteArray fileBytes(const QString &path)
{
    if (path.endsWith(u".gz"_qs)) {
        QProcess gunzip;
        gunzip.start(u"gzip"_qs, {u"-dc"_qs, path});
        return gunzip.waitForFinished() && gunzip.exitCode() == 0 ? gunzip.readAllStandardOutput()
                                                                  : QByteArray("not gzip");
    }
    return contents(path);
}

// "YYYYMMDDhhmm[ss] [+-hhmm]" as seconds since the epoch, read here on its
// own rather than with the program's reader; "?" for anything else.
QString instant(const QString &text)
{
    const QString t = text.trimmed();
    const QString wall = t.section(u' ', 0, 0);
    const QString zone = t.section(u' ', 1, 1);
    QDateTime at =
        QDateTime::fromString(wall, wall.size() == 12 ? u"yyyyMMddhhmm"_qs : u"yyyyMMddhhmmss"_qs);
    if (!at.isValid())
        return u"?"_qs;
    at.setTimeZone(QTimeZone::utc());
    qint64 seconds = at.toSecsSinceEpoch();
    if (!zone.isEmpty()) {
        if (zone.size() != 5 || (zone[0] != u'+' && zone[0] != u'-'))
            return u"?"_qs;
        const int offset = (zone.mid(1, 2).toInt() * 60 + zone.mid(3, 2).toInt()) * 60;
        seconds -= zone[0] == u'-' ? -offset : offset;
    }
    return QString::number(seconds);
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

// Whether XMLTV's own validator takes the file; nothing when it is not installed.
std::optional<bool> validates(const QString &path)
{
    const QString validator = QStandardPaths::findExecutable(u"tv_validate_file"_qs);
    if (validator.isEmpty())
        return std::nullopt;
    QString plain = path;
    if (path.endsWith(u".gz"_qs)) {
        plain = path.chopped(3);
        if (!writeFile(plain, fileBytes(path)))
            return false;
    }
    QProcess process;
    process.start(validator, {plain});
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

QByteArray guide(const QByteArray &body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE tv SYSTEM \"xmltv.dtd\">\n"
           "<tv>\n" +
           body + "</tv>\n";
}

// A programme of one title on channel A.
QByteArray programme(const char *start, const char *stop, const char *title)
{
    return "<programme start=\"" + QByteArray(start) + "\" stop=\"" + stop +
           "\" channel=\"a.example.org\"><title>" + title + "</title></programme>\n";
}

const QByteArray channelA =
    "<channel id=\"a.example.org\"><display-name>A</display-name></channel>\n";

} // namespace

class XmltvGuidesTest : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_saysWhatTheOriginalSays_data()
    {
        // channels: how many channels the import makes of it.
        // made: the <channel> elements the export adds, as describe() gives them.
        addColumns<QString, int, QStringList>("original", "channels", "made");
        const auto add = [](const char *tag, const QString &file, int channels = 1,
                            const QStringList &made = {}) {
            QTest::newRow(tag) << QStringLiteral(QUORVEL_XMLTV_SAMPLES "/") + file << channels
                               << made;
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
                                            contents(QStringLiteral(QUORVEL_XMLTV_SAMPLES
                                                                    "/from-elsewhere/gzipped.xml")))
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
        QVERIFY2(imported, qPrintable(imported ? QString() : imported.failure().text()));
        QCOMPARE(imported.value().channelsAdded, channels);

        // Kept instants do not depend on the zone the export is given.
        const QString out = m_files.filePath(u"out-"_qs + QFileInfo(original).fileName());
        const auto exported =
            xmltv::writeXmltv(db.path(), project, out, QTimeZone("America/New_York"));
        QVERIFY2(exported, qPrintable(exported ? QString() : exported.failure().text()));
        QVERIFY(exported.value().leftOut.isEmpty());
        QCOMPARE(describe(out), made + describe(original));
        // XMLTV's validator takes the export whenever it takes the original.
        const auto before = validates(original);
        if (!before)
            QSKIP("tv_validate_file (Debian package xmltv-util) is not installed");
        if (*before)
            QVERIFY(*validates(out));
    }

    void channels_matchedByNameOnceEach()
    {
        TestDatabase db;
        const qint32 project = db.addProject(u"Mine"_qs);
        const qint32 own = db.addChannel(project, u"Seven"_qs, u"7"_qs);
        const QString path = written(
            u"sevens.xml"_qs,
            guide("<channel id=\"seven.syd\"><display-name>Seven</display-name><lcn>71</lcn>"
                  "</channel>\n<channel id=\"seven.mel\"><display-name>Seven</display-name>"
                  "<lcn>72</lcn></channel>\n"
                  "<programme start=\"20240301060000 +1100\" channel=\"seven.syd\"><title>S</title>"
                  "</programme>\n<programme start=\"20240301060000 +1100\" channel=\"seven.mel\">"
                  "<title>M</title></programme>\n"));

        const auto imported = xmltv::importXmltv(db.path(), project, path);
        QVERIFY2(imported, qPrintable(imported ? QString() : imported.failure().text()));
        QCOMPARE(imported.value().channelsMatchedByName, 1);
        QCOMPARE(imported.value().channelsAdded, 1);
        // The user's number stays; a channel the import adds takes the guide's.
        QCOMPARE(db.texts(u"SELECT channelID, channelName, channelNumber, xmltvID FROM ChannelData "
                          u"LEFT JOIN ChannelXmltv USING (channelID) ORDER BY channelID"_qs),
                 (QStringList{u"%1|Seven|7|seven.syd"_qs.arg(own),
                              u"%1|Seven|72|seven.mel"_qs.arg(own + 1)}));
    }

    void secondImport_replacesTheSpanItCovers()
    {
        const QString first = written(
            u"day.xml"_qs,
            guide(channelA + programme("20240301060000 +0000", "20240301070000 +0000", "One") +
                  programme("20240301070000 +0000", "20240301080000 +0000", "Two")));
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
        QVERIFY2(again, qPrintable(again ? QString() : again.failure().text()));
        QCOMPARE(again.value().programmes, 2);
        QCOMPARE(again.value().programmesReplaced, 3);
        QCOMPARE(again.value().programmesKept, 1);
        QCOMPARE(names(), QVariant(u"One,Two,After"_qs));

        // A later guide overlapping the first replaces only what it covers.
        const QString later = written(
            u"later.xml"_qs,
            guide(channelA + programme("20240301070000 +0000", "20240301073000 +0000", "New two")));
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
            guide(channelA +
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
        const QString out = m_files.filePath(u"edited-out.xml"_qs);
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

private:
    QString written(const QString &name, const QByteArray &contents)
    {
        const QString path = m_files.filePath(name);
        if (name.endsWith(u".gz"_qs)) {
            QProcess gzip;
            gzip.start(u"gzip"_qs, {u"-c"_qs});
            gzip.write(contents);
            gzip.closeWriteChannel();
            return gzip.waitForFinished() && writeFile(path, gzip.readAllStandardOutput())
                       ? path
                       : QString();
        }
        return writeFile(path, contents) ? path : QString();
    }

    QTemporaryDir m_files;
};

QTEST_GUILESS_MAIN(XmltvGuidesTest)
#include "tst_xmltvguides.moc"
