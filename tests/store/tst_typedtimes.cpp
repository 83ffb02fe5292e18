#include "store/Connection.h"
#include "store/Database.h"
#include "store/TypedTimes.h"
#include "support/TestDatabase.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QTest>

#include <numeric>
#include <optional>

Q_DECLARE_METATYPE(std::optional<int>)

using store::Connection;

namespace {

// Typed starts and what they mean to the guide export: the date and time
// as typed, then as the export reads them. An empty reading means the text
// does not read as a date or time.
const char16_t *const typedStarts[][4] = {
    {u"2024-03-10", u"08:00", u"2024-03-10", u"08:00:00"},
    {u"2024-3-5", u"7:30:00", u"2024-03-05", u"07:30:00"},
    {u"5/3/2024", u"0730", u"2024-03-05", u"07:30:00"},
    {u"05/03/2024", u"7:30", u"2024-03-05", u"07:30:00"},
    {u"20240305", u"07:29:59", u"2024-03-05", u"07:29:59"},
    {u"2024-03-5", u"23:59", u"2024-03-05", u"23:59:00"},
    {u"2024-3-05", u"00:00", u"2024-03-05", u"00:00:00"},
    {u"15/3/2024", u"0:00", u"2024-03-15", u"00:00:00"},
    {u" 31/03/2024\t", u"\t19:05 ", u"2024-03-31", u"19:05:00"},
    {u"29/02/2024", u"12:00", u"2024-02-29", u"12:00:00"},
    {u"2000-02-29", u"12:00", u"2000-02-29", u"12:00:00"},
    {u"0001-01-01", u"12:00", u"0001-01-01", u"12:00:00"},
    {u"9999-12-31", u"23:59:59", u"9999-12-31", u"23:59:59"},
    // Digits in the right places, but no such day or time.
    {u"29/02/2023", u"24:00", u"", u""},
    {u"1900-02-29", u"25:99", u"", u""},
    {u"2024-04-31", u"19:60", u"", u""},
    {u"2024-13-01", u"12:00:60", u"", u""},
    {u"2024-00-10", u"2400", u"", u""},
    {u"0000-01-01", u"9:5", u"", u""},
    {u"2024-01-00", u"730", u"", u""},
    // Other forms.
    {u"03/31/2024", u"7:30pm", u"", u""},
    {u"31/03/24", u"noon", u"", u""},
    {u"2024/03/31", u"07.30", u"", u""},
    {u"\u0662\u0660\u0662\u0664-03-10", u"\u0660\u0667:30", u"", u""},
    {u"tomorrow", u"", u"", u""},
    {u"", u" ", u"", u""},
    {nullptr, nullptr, u"", u""},
};

QString text(const char16_t *typed)
{
    return typed ? QString::fromUtf16(typed) : QString();
}

// The start as the export reads it, and so the sort key the store must give
// it: readable starts in time order, then the rest as text.
QPair<QString, QString> exportKey(const QString &date, const QString &time)
{
    const auto d = store::readTypedDate(date);
    const auto t = store::readTypedTime(time);
    return {d ? u'0' + d->toString(u"yyyy-MM-dd") : u'1' + date,
            t ? u'0' + t->toString(u"HH:mm:ss") : u'1' + time};
}

// Every text made by filling a form's digits with each combination of the
// given numbers that fits the form's widths.
QStringList filled(const QList<QLatin1StringView> &forms, const QList<QList<int>> &numbers)
{
    static const QRegularExpression field(u"Y+|M+|D+|h+|m+|s+"_qs);
    QStringList texts;
    for (const QString form : forms) {
        QStringList made{form};
        qsizetype f = 0;
        for (const QRegularExpressionMatch &m : field.globalMatch(form)) {
            QStringList next;
            for (const QString &text : std::as_const(made)) {
                for (const int number : numbers[f]) {
                    const QString digits =
                        QString::number(number).rightJustified(m.capturedLength(), u'0');
                    if (digits.size() == m.capturedLength())
                        next << QString(text).replace(m.capturedStart(), digits.size(), digits);
                }
            }
            made = next;
            ++f;
        }
        texts += made;
    }
    return texts;
}

} // namespace

class TypedTimesTest : public QObject
{
    Q_OBJECT

private slots:
    void exportReading_data()
    {
        addColumns<QString, QString, QString, QString>("date", "time", "expectedDate",
                                                       "expectedTime");
        for (const auto &start : typedStarts) {
            QTest::addRow("%s %s", qPrintable(text(start[0])), qPrintable(text(start[1])))
                << text(start[0]) << text(start[1]) << text(start[2]) << text(start[3]);
        }
    }

    void exportReading()
    {
        QFETCH(QString, date);
        QFETCH(QString, time);
        QFETCH(QString, expectedDate);
        QFETCH(QString, expectedTime);
        const auto d = store::readTypedDate(date);
        const auto t = store::readTypedTime(time);
        QCOMPARE(d ? d->toString(u"yyyy-MM-dd") : QString(), expectedDate);
        QCOMPARE(t ? t->toString(u"HH:mm:ss") : QString(), expectedTime);
    }

    void storeKeys_agreeWithTheReading_data()
    {
        addColumns<QString, QStringList>("column", "texts");
        const QList<int> years{0, 1, 1900, 1999, 2000, 2023, 2024, 2100, 9999};
        const QList<int> minutes{0, 5, 9, 10, 59, 60, 99}, seconds{0, 59, 60};
        QList<int> months(14), days(33), hours(26);
        for (QList<int> *upward : {&months, &days, &hours})
            std::iota(upward->begin(), upward->end(), 0);
        const QStringList dates = filled(store::typedDateForms(), {years, months, days}) +
                                  filled(store::typedDateForms(), {days, months, years});
        const QStringList times = filled(store::typedTimeForms(), {hours, minutes, seconds});
        QStringList padded;
        for (const QString &t : {u"2024-02-29"_qs, u"7:05"_qs, u"2023-02-29"_qs, u"24:00"_qs})
            padded << u" \t"_qs + t << t + u"\r\n"_qs << u"\v"_qs + t + u"\f "_qs;
        // Dates one slip away from yyyy-mm-dd, the form the key takes without a
        // pattern test: a character replaced, added or left out.
        QStringList nearDates;
        for (const QString &date : {u"2024-02-29"_qs, u"0001-01-01"_qs, u"9999-12-31"_qs}) {
            for (qsizetype i = 0; i <= date.size(); ++i) {
                if (i < date.size())
                    nearDates << QString(date).remove(i, 1);
                for (const QChar c : u"0-+ /:Ta."_qs) {
                    nearDates << QString(date).insert(i, c);
                    if (i < date.size())
                        nearDates << QString(date).replace(i, 1, c);
                }
            }
        }
        QStringList tableDates, tableTimes;
        for (const auto &start : typedStarts) {
            tableDates << text(start[0]);
            tableTimes << text(start[1]);
        }
        QTest::newRow("the export's dates") << u"startDate"_qs << tableDates;
        QTest::newRow("the export's times") << u"startTime"_qs << tableTimes;
        QTest::newRow("dates") << u"startDate"_qs << dates;
        QTest::newRow("near yyyy-mm-dd") << u"startDate"_qs << nearDates;
        QTest::newRow("times") << u"startTime"_qs << times;
        QTest::newRow("padded dates") << u"startDate"_qs << padded;
        QTest::newRow("padded times") << u"startTime"_qs << padded;
    }

    void storeKeys_agreeWithTheReading()
    {
        QFETCH(QString, column);
        QFETCH(QStringList, texts);
        QVERIFY(texts.size() > 10);
        TestDatabase db;
        const auto done =
            store::write(db.path(), u"Checking"_qs, [&](Connection &c) -> store::Status {
                QSqlQuery insert(c.database());
                insert.prepare(
                    u"INSERT INTO ProgrammeData (channelID, %1) VALUES (1, ?)"_qs.arg(column));
                for (const QString &typed : std::as_const(texts)) {
                    insert.addBindValue(typed);
                    if (!insert.exec())
                        return c.failure(insert.lastError().text());
                }
                return store::success();
            });
        QVERIFY2(done.ok(), qPrintable(done.ok() ? QString() : done.failure().text()));
        int wrong = 0;
        for (const QVariantList &row :
             db.rows(u"SELECT %1, %1Key FROM ProgrammeData ORDER BY programmeID"_qs.arg(column))) {
            const QString typed = row[0].toString();
            const QString expected = column == u"startDate"_qs ? exportKey(typed, {}).first
                                                               : exportKey({}, typed).second;
            if (row[1].toString() != expected && ++wrong <= 10)
                qWarning("\"%s\": store key %s, read as %s", qPrintable(typed),
                         qPrintable(row[1].toString()), qPrintable(expected));
        }
        QCOMPARE(wrong, 0);
    }

    void schema_holdsTheKeysTheFormsMake()
    {
        // schema.sql is written by hand around the two expressions; when the
        // forms change, paste what the test prints in their place.
        for (const QString &key :
             {store::startDateKeySql(u"startDate"_qs), store::startTimeKeySql(u"startTime"_qs)})
            QVERIFY2(store::schemaSql().contains(key), qPrintable(u"schema.sql lacks:\n"_qs + key));
    }

    void typedDuration_data()
    {
        addColumns<QString, std::optional<int>>("typed", "minutes");
        const std::optional<int> none;
        QTest::newRow("whole minutes, blanks around") << u" 90\t"_qs << std::optional(90);
        QTest::newRow("h:mm") << u"1:30"_qs << std::optional(90);
        QTest::newRow("hh:mm:ss") << u"01:30:00"_qs << std::optional(90);
        QTest::newRow("hh:mm:ss with seconds") << u"01:30:20"_qs << none;
        QTest::newRow("1h30") << u"1h30"_qs << std::optional(90);
        QTest::newRow("2h 15m") << u"2h 15m"_qs << std::optional(135);
        QTest::newRow("hours alone") << u"2h"_qs << std::optional(120);
        QTest::newRow("words, upper case") << u"2 HOURS 15 mins"_qs << std::optional(135);
        QTest::newRow("minutes past the hour") << u"1h75"_qs << none;
        QTest::newRow("h:mm with 60 minutes") << u"1:60"_qs << none;
        QTest::newRow("negative") << u"-30"_qs << none;
        QTest::newRow("fraction") << u"1.5h"_qs << none;
        QTest::newRow("other digits") << u"\u0669\u0660"_qs << none;
        QTest::newRow("blank") << u"  "_qs << none;
    }

    void typedDuration()
    {
        QFETCH(QString, typed);
        QFETCH(std::optional<int>, minutes);
        QCOMPARE(store::readTypedDuration(typed), minutes);
    }
};

QTEST_GUILESS_MAIN(TypedTimesTest)
#include "tst_typedtimes.moc"
