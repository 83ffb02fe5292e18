#include "programmes/TypedTimes.h"
#include "xmltv/XmltvTime.h"

#include <QTest>

#include <optional>

Q_DECLARE_METATYPE(std::optional<int>)

// The forms people type into the start and duration boxes. The guide's times
// across the daylight-saving changes are in tst_xmltv's expected-town.xml.
class XmltvTimesTest : public QObject
{
    Q_OBJECT

private slots:
    void typedDate_data();
    void typedDate();
    void typedTime_data();
    void typedTime();
    void typedDuration_data();
    void typedDuration();
    void zoneOffsets_agreeWithTheZoneAtEveryInstant_data();
    void zoneOffsets_agreeWithTheZoneAtEveryInstant();
};

void XmltvTimesTest::typedDate_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QDate>("expected");
    QTest::newRow("iso, one-digit month and day") << u"2024-3-1"_qs << QDate(2024, 3, 1);
    QTest::newRow("day first") << u"31/03/2024"_qs << QDate(2024, 3, 31);
    QTest::newRow("compact") << u"20240331"_qs << QDate(2024, 3, 31);
    QTest::newRow("blanks around") << u"  1/4/2024 "_qs << QDate(2024, 4, 1);
    QTest::newRow("leap day") << u"29/02/2024"_qs << QDate(2024, 2, 29);
    QTest::newRow("no such leap day") << u"29/02/2023"_qs << QDate();
    QTest::newRow("month first is not day first") << u"03/31/2024"_qs << QDate();
    QTest::newRow("two-digit year") << u"31/03/24"_qs << QDate();
    QTest::newRow("empty") << QString() << QDate();
}

void XmltvTimesTest::typedDate()
{
    QFETCH(QString, typed);
    QFETCH(QDate, expected);
    QCOMPARE(programmes::readTypedDate(typed).value_or(QDate()), expected);
}

void XmltvTimesTest::typedTime_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QTime>("expected");
    QTest::newRow("h:mm") << u"7:05"_qs << QTime(7, 5);
    QTest::newRow("hh:mm:ss") << u"07:05:30"_qs << QTime(7, 5, 30);
    QTest::newRow("hhmm, blanks around") << u" 0730  "_qs << QTime(7, 30);
    QTest::newRow("hour 24") << u"24:00"_qs << QTime();
    QTest::newRow("minute 60") << u"19:60"_qs << QTime();
    QTest::newRow("one-digit minute") << u"19:5"_qs << QTime();
    QTest::newRow("hmm") << u"730"_qs << QTime();
    QTest::newRow("twelve-hour clock") << u"7:30pm"_qs << QTime();
    QTest::newRow("empty") << QString() << QTime();
}

void XmltvTimesTest::typedTime()
{
    QFETCH(QString, typed);
    QFETCH(QTime, expected);
    QCOMPARE(programmes::readTypedTime(typed).value_or(QTime()), expected);
}

void XmltvTimesTest::typedDuration_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<std::optional<int>>("minutes");
    const std::optional<int> none;
    QTest::newRow("whole minutes, blanks around") << u" 90 "_qs << std::optional(90);
    QTest::newRow("h:mm") << u"1:30"_qs << std::optional(90);
    QTest::newRow("1h30") << u"1h30"_qs << std::optional(90);
    QTest::newRow("2h 15m") << u"2h 15m"_qs << std::optional(135);
    QTest::newRow("hours alone") << u"2h"_qs << std::optional(120);
    QTest::newRow("words, upper case") << u"2 HOURS 15 mins"_qs << std::optional(135);
    QTest::newRow("minutes past the hour") << u"1h75"_qs << none;
    QTest::newRow("h:mm with 60 minutes") << u"1:60"_qs << none;
    QTest::newRow("negative") << u"-30"_qs << none;
    QTest::newRow("fraction") << u"1.5h"_qs << none;
    QTest::newRow("blank") << u"  "_qs << none;
}

void XmltvTimesTest::typedDuration()
{
    QFETCH(QString, typed);
    QFETCH(std::optional<int>, minutes);
    QCOMPARE(programmes::readTypedDuration(typed), minutes);
}

void XmltvTimesTest::zoneOffsets_agreeWithTheZoneAtEveryInstant_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::newRow("London") << QByteArray("Europe/London");
    QTest::newRow("St John's, half hours behind") << QByteArray("America/St_Johns");
    QTest::newRow("Lord Howe, a half-hour change") << QByteArray("Australia/Lord_Howe");
    QTest::newRow("Sao Paulo, changes given up") << QByteArray("America/Sao_Paulo");
    QTest::newRow("Kolkata, no changes") << QByteArray("Asia/Kolkata");
    QTest::newRow("UTC") << QByteArray("UTC");
}

// The offsets remembered between a zone's changes, and the times written
// with them, are those the zone gives for each instant alone, going forward,
// back, across changes and at their very seconds.
void XmltvTimesTest::zoneOffsets_agreeWithTheZoneAtEveryInstant()
{
    QFETCH(QByteArray, zone);
    if (!QTimeZone::isTimeZoneIdAvailable(zone))
        QSKIP("The time zone database is not installed (Debian package tzdata).");
    const QTimeZone tz(zone);
    const auto offsetAt = [&](qint64 instant) {
        return tz.offsetFromUtc(QDateTime::fromSecsSinceEpoch(instant, Qt::UTC));
    };
    const auto expectedTimestamp = [&](qint64 instant) {
        const int offset = offsetAt(instant);
        const int minutes = qAbs(offset) / 60;
        return QStringLiteral("%1 %2%3%4")
            .arg(QDateTime::fromSecsSinceEpoch(instant + offset, Qt::UTC)
                     .toString(QStringLiteral("yyyyMMddhhmmss")),
                 offset < 0 ? QStringLiteral("-") : QStringLiteral("+"))
            .arg(minutes / 60, 2, 10, QLatin1Char('0'))
            .arg(minutes % 60, 2, 10, QLatin1Char('0'));
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
        const int expected = offsetAt(instant);
        if (offsets.at(instant) != expected)
            QFAIL(qPrintable(u"offset at %1"_qs.arg(instant)));
        std::string written;
        xmltv::appendTimestamp(written, instant, offsets);
        QCOMPARE(QString::fromStdString(written), expectedTimestamp(instant));
    }
}

QTEST_GUILESS_MAIN(XmltvTimesTest)
#include "tst_xmltvtimes.moc"
