#include "export/XmltvTime.h"
#include "programmes/TypedTimes.h"

#include <QTest>

#include <optional>

Q_DECLARE_METATYPE(std::optional<int>)

namespace {

QTimeZone london()
{
    return QTimeZone(QByteArrayLiteral("Europe/London"));
}

} // namespace

// The forms people type into the start and duration boxes, and XMLTV's own
// time form, in both directions.
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
    void wallClockInZone_data();
    void wallClockInZone();
    void xmltvTimestamp_data();
    void xmltvTimestamp();
    void secondsBetween_usesEachSidesOffset();
};

void XmltvTimesTest::typedDate_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QDate>("expected");
    const QDate none;
    QTest::newRow("iso") << u"2024-03-31"_qs << QDate(2024, 3, 31);
    QTest::newRow("iso, one-digit month and day") << u"2024-3-1"_qs << QDate(2024, 3, 1);
    QTest::newRow("day first") << u"31/03/2024"_qs << QDate(2024, 3, 31);
    QTest::newRow("day first, one digit") << u"1/4/2024"_qs << QDate(2024, 4, 1);
    QTest::newRow("compact") << u"20240331"_qs << QDate(2024, 3, 31);
    QTest::newRow("blanks around") << u"  2024-03-31 "_qs << QDate(2024, 3, 31);
    QTest::newRow("leap day") << u"29/02/2024"_qs << QDate(2024, 2, 29);
    QTest::newRow("no such leap day") << u"29/02/2023"_qs << none;
    QTest::newRow("no such day") << u"31/02/2024"_qs << none;
    QTest::newRow("month thirteen") << u"2024-13-01"_qs << none;
    QTest::newRow("month first is not read as day first") << u"03/31/2024"_qs << none;
    QTest::newRow("two-digit year") << u"31/03/24"_qs << none;
    QTest::newRow("compact too short") << u"2024331"_qs << none;
    QTest::newRow("words") << u"next Sunday"_qs << none;
    QTest::newRow("empty") << QString() << none;
    QTest::newRow("blank") << u"   "_qs << none;
}

void XmltvTimesTest::typedDate()
{
    QFETCH(QString, typed);
    QFETCH(QDate, expected);
    const auto read = programmes::readTypedDate(typed);
    QCOMPARE(read.value_or(QDate()), expected);
}

void XmltvTimesTest::typedTime_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QTime>("expected");
    const QTime none;
    QTest::newRow("hh:mm") << u"19:30"_qs << QTime(19, 30);
    QTest::newRow("h:mm") << u"7:05"_qs << QTime(7, 5);
    QTest::newRow("hh:mm:ss") << u"07:05:30"_qs << QTime(7, 5, 30);
    QTest::newRow("hhmm") << u"0730"_qs << QTime(7, 30);
    QTest::newRow("midnight") << u"00:00"_qs << QTime(0, 0);
    QTest::newRow("last minute") << u"23:59"_qs << QTime(23, 59);
    QTest::newRow("blanks around") << u" 19:30  "_qs << QTime(19, 30);
    QTest::newRow("hour 24") << u"24:00"_qs << none;
    QTest::newRow("minute 60") << u"19:60"_qs << none;
    QTest::newRow("one-digit minute") << u"19:5"_qs << none;
    QTest::newRow("hmm") << u"730"_qs << none;
    QTest::newRow("dot") << u"19.30"_qs << none;
    QTest::newRow("twelve-hour clock") << u"7:30pm"_qs << none;
    QTest::newRow("empty") << QString() << none;
}

void XmltvTimesTest::typedTime()
{
    QFETCH(QString, typed);
    QFETCH(QTime, expected);
    const auto read = programmes::readTypedTime(typed);
    QCOMPARE(read.value_or(QTime()), expected);
}

void XmltvTimesTest::typedDuration_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<std::optional<int>>("minutes");
    const std::optional<int> none;
    QTest::newRow("whole minutes") << u"90"_qs << std::optional(90);
    QTest::newRow("zero") << u"0"_qs << std::optional(0);
    QTest::newRow("h:mm") << u"1:30"_qs << std::optional(90);
    QTest::newRow("hh:mm") << u"02:05"_qs << std::optional(125);
    QTest::newRow("1h30") << u"1h30"_qs << std::optional(90);
    QTest::newRow("90m") << u"90m"_qs << std::optional(90);
    QTest::newRow("1h") << u"1h"_qs << std::optional(60);
    QTest::newRow("2h 15m") << u"2h 15m"_qs << std::optional(135);
    QTest::newRow("words for units") << u"2 hours 15 mins"_qs << std::optional(135);
    QTest::newRow("upper case") << u"1H30M"_qs << std::optional(90);
    QTest::newRow("90 min") << u"90 min"_qs << std::optional(90);
    QTest::newRow("blanks around") << u" 45 "_qs << std::optional(45);
    QTest::newRow("minutes past the hour") << u"1h75"_qs << none;
    QTest::newRow("h:mm with 60 minutes") << u"1:60"_qs << none;
    QTest::newRow("negative") << u"-30"_qs << none;
    QTest::newRow("fraction") << u"1.5h"_qs << none;
    QTest::newRow("unit alone") << u"h"_qs << none;
    QTest::newRow("words") << u"about an hour"_qs << none;
    QTest::newRow("empty") << QString() << none;
    QTest::newRow("blank") << u"  "_qs << none;
}

void XmltvTimesTest::typedDuration()
{
    QFETCH(QString, typed);
    QFETCH(std::optional<int>, minutes);
    QCOMPARE(programmes::readTypedDuration(typed), minutes);
}

void XmltvTimesTest::wallClockInZone_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<int>("minutes");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("stop");
    // In London the clocks went forward at 01:00 GMT on 31 March 2024 and
    // back at 01:00 GMT on 27 October 2024.
    QTest::newRow("winter") << QDate(2024, 1, 15) << QTime(19, 0) << 30
                            << u"20240115190000 +0000"_qs << u"20240115193000 +0000"_qs;
    QTest::newRow("summer") << QDate(2024, 7, 15) << QTime(19, 0) << 30
                            << u"20240715190000 +0100"_qs << u"20240715193000 +0100"_qs;
    QTest::newRow("across the spring change")
        << QDate(2024, 3, 31) << QTime(0, 30) << 90 << u"20240331003000 +0000"_qs
        << u"20240331030000 +0100"_qs;
    QTest::newRow("across the autumn change")
        << QDate(2024, 10, 27) << QTime(0, 30) << 120 << u"20241027003000 +0100"_qs
        << u"20241027013000 +0000"_qs;
    QTest::newRow("skipped hour is read as if the clocks had not gone forward yet")
        << QDate(2024, 3, 31) << QTime(1, 30) << 30 << u"20240331023000 +0100"_qs
        << u"20240331030000 +0100"_qs;
    QTest::newRow("repeated hour is its first pass")
        << QDate(2024, 10, 27) << QTime(1, 30) << 30 << u"20241027013000 +0100"_qs
        << u"20241027010000 +0000"_qs;
    QTest::newRow("past midnight into the next year")
        << QDate(2024, 12, 31) << QTime(23, 45) << 30 << u"20241231234500 +0000"_qs
        << u"20250101001500 +0000"_qs;
    QTest::newRow("seconds kept") << QDate(2024, 1, 15) << QTime(6, 0, 30) << 1
                                  << u"20240115060030 +0000"_qs << u"20240115060130 +0000"_qs;
}

void XmltvTimesTest::wallClockInZone()
{
    QFETCH(QDate, date);
    QFETCH(QTime, time);
    QFETCH(int, minutes);
    QFETCH(QString, start);
    QFETCH(QString, stop);
    if (!QTimeZone::isTimeZoneIdAvailable(QByteArrayLiteral("Europe/London")))
        QSKIP("The time zone database is not installed (Debian package tzdata).");
    const qint64 instant = xmltv::instantOf(date, time, london());
    QCOMPARE(xmltv::timestamp(instant, london()), start);
    QCOMPARE(xmltv::timestamp(instant + minutes * 60, london()), stop);
}

void XmltvTimesTest::xmltvTimestamp_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<int>("offset");
    QTest::newRow("full") << u"20240331030000 +0100"_qs << true << QDate(2024, 3, 31) << QTime(3, 0)
                          << 3600;
    QTest::newRow("no blank before the zone")
        << u"20240331030000-0530"_qs << true << QDate(2024, 3, 31) << QTime(3, 0) << -19800;
    QTest::newRow("minutes only") << u"202403310300 +0100"_qs << true << QDate(2024, 3, 31)
                                  << QTime(3, 0) << 3600;
    QTest::newRow("no zone is UTC")
        << u"20240331030015"_qs << true << QDate(2024, 3, 31) << QTime(3, 0, 15) << 0;
    QTest::newRow("named zone") << u"20240331030000 BST"_qs << true << QDate(2024, 3, 31)
                                << QTime(3, 0) << 3600;
    QTest::newRow("date only") << u"20240331"_qs << false << QDate() << QTime() << 0;
    QTest::newRow("hour only") << u"2024033103"_qs << false << QDate() << QTime() << 0;
    QTest::newRow("no such day") << u"20240230120000 +0000"_qs << false << QDate() << QTime() << 0;
    QTest::newRow("no such hour") << u"20240330250000 +0000"_qs << false << QDate() << QTime() << 0;
    QTest::newRow("short offset") << u"20240331030000 +01"_qs << false << QDate() << QTime() << 0;
    QTest::newRow("iso form") << u"2024-03-31T03:00:00+01:00"_qs << false << QDate() << QTime()
                              << 0;
    QTest::newRow("empty") << QString() << false << QDate() << QTime() << 0;
}

void XmltvTimesTest::xmltvTimestamp()
{
    QFETCH(QString, text);
    QFETCH(bool, readable);
    const auto read = xmltv::readTimestamp(text);
    QCOMPARE(read.has_value(), readable);
    if (!readable)
        return;
    QFETCH(QDate, date);
    QFETCH(QTime, time);
    QFETCH(int, offset);
    QCOMPARE(read->date, date);
    QCOMPARE(read->time, time);
    QCOMPARE(read->offset, offset);
}

void XmltvTimesTest::secondsBetween_usesEachSidesOffset()
{
    const auto between = [](const char16_t *start, const char16_t *stop) {
        return xmltv::secondsBetween(*xmltv::readTimestamp(QStringView(start)),
                                     *xmltv::readTimestamp(QStringView(stop)));
    };
    QCOMPARE(between(u"20240331003000 +0000", u"20240331030000 +0100"),
             std::optional<qint64>(5400));
    QCOMPARE(between(u"20241027003000 +0100", u"20241027013000 +0000"),
             std::optional<qint64>(7200));
    QCOMPARE(between(u"20240101120000", u"20240101123000 UTC"), std::optional<qint64>(1800));
    // An unknown zone compares with itself only.
    QCOMPARE(between(u"20240101120000 XYZ", u"20240101124500 XYZ"), std::optional<qint64>(2700));
    QCOMPARE(between(u"20240101120000 XYZ", u"20240101124500 +0000"), std::nullopt);
}

QTEST_GUILESS_MAIN(XmltvTimesTest)
#include "tst_xmltvtimes.moc"
