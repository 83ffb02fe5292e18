#include "programmes/TypedTimes.h"

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

QTEST_GUILESS_MAIN(XmltvTimesTest)
#include "tst_xmltvtimes.moc"
