#include "grid/GridLayout.h"
#include "schedule/Schedule.h"
#include "schedule/ScheduleTimes.h"
#include "support/Files.h"
#include "support/TestDatabase.h"
#include "times/ProgrammeSpan.h"
#include "xmltv/XmltvTime.h"
#include "xmltv/XmltvWriter.h"

#include <QRegularExpression>
#include <QTest>

// When a programme runs, as the schedule's End column and checks, the guide
// grid and the XMLTV export each see it: all from the one stored row, all
// agreeing, on the days that trip up clock arithmetic.
class ProgrammeSpanTest : public QObject
{
    Q_OBJECT

private slots:
    void awkwardDays_agreeEverywhere_data()
    {
        // The programme "date|start|duration", what an import kept beside it
        // (start, stop, typed texts), the programme after it, and then what each
        // user shows: the export's start and stop (none for a programme left
        // out or without a stop), the End column and the row's problems.
        addColumns<QString, QStringList, QString, QString, QString, QString, unsigned>(
            "programme", "kept", "next", "start", "stop", "end", "problems");
        using namespace schedule;
        const QStringList none;
        QTest::newRow("spring forward: 90 minutes end at 03:00")
            << u"2024-03-31|00:30|90"_qs << none << QString() << u"20240331003000 +0000"_qs
            << u"20240331030000 +0100"_qs << u"03:00"_qs << 0u;
        QTest::newRow("spring forward overnight: over the 06:00 programme")
            << u"2024-03-30|22:00|480"_qs << none << u"2024-03-31|06:00|30"_qs
            << u"20240330220000 +0000"_qs << u"20240331070000 +0100"_qs << u"07:00 +1"_qs
            << unsigned(Overlap);
        QTest::newRow("fall back overnight: an hour's gap before 06:00")
            << u"2024-10-26|22:00|480"_qs << none << u"2024-10-27|06:00|30"_qs
            << u"20241026220000 +0100"_qs << u"20241027050000 +0000"_qs << u"05:00 +1"_qs
            << unsigned(Gap);
        QTest::newRow("over midnight, back to back")
            << u"2024-06-10|23:30|60"_qs << none << u"2024-06-11|00:30|30"_qs
            << u"20240610233000 +0100"_qs << u"20240611003000 +0100"_qs << u"00:30 +1"_qs << 0u;
        QTest::newRow("a start the clock skips")
            << u"2024-03-31|01:30|60"_qs << none << QString() << u"20240331023000 +0100"_qs
            << u"20240331033000 +0100"_qs << u"03:30"_qs << unsigned(ClockChange);
        QTest::newRow("a start the clock repeats: its first pass")
            << u"2024-10-27|01:30|30"_qs << none << QString() << u"20241027013000 +0100"_qs
            << u"20241027010000 +0000"_qs << u"01:00"_qs << unsigned(ClockChange);
        QTest::newRow("unreadable start")
            << u"2024-03-31|7 am|60"_qs << none << QString() << QString() << QString() << QString()
            << unsigned(Unreadable);
        QTest::newRow("unreadable duration")
            << u"2024-03-31|06:00|soon"_qs << none << QString() << u"20240331060000 +0100"_qs
            << QString() << QString() << unsigned(Unreadable);
        // A guide two hours ahead: its 01:30 is 23:30 the evening before in
        // London, and no clock change of London's touches it.
        const QStringList imported{u"20240331013000 +0200"_qs, u"20240331023000 +0200"_qs,
                                   u"2024-03-31\n01:30\n60"_qs};
        QTest::newRow("imported: the guide's instants")
            << u"2024-03-31|01:30|60"_qs << imported << QString() << u"20240331013000 +0200"_qs
            << u"20240331023000 +0200"_qs << u"00:30"_qs << 0u;
        QTest::newRow("imported, then its start typed again")
            << u"2024-03-31|01:45|60"_qs << imported << QString() << u"20240331024500 +0100"_qs
            << u"20240331034500 +0100"_qs << u"03:45"_qs << unsigned(ClockChange);
    }

    void awkwardDays_agreeEverywhere()
    {
        QFETCH(QString, programme);
        QFETCH(QStringList, kept);
        QFETCH(QString, next);
        QFETCH(QString, start);
        QFETCH(QString, stop);
        QFETCH(QString, end);
        QFETCH(unsigned, problems);
        if (!QTimeZone::isTimeZoneIdAvailable("Europe/London"))
            QSKIP("The time zone database is not installed (Debian package tzdata).");
        const QTimeZone london("Europe/London");

        TestDatabase db;
        const qint32 project = db.addProject(u"P"_qs);
        const qint32 channel = db.addChannel(project, u"C"_qs);
        const auto add = [&](const QString &name, const QString &written,
                             const QStringList &xmltv) {
            const QStringList typed = written.split(u'|');
            const qint32 id = db.addProgramme(channel, name, typed.at(0), typed.at(1));
            db.exec(u"UPDATE ProgrammeData SET duration = ?, xmltvStart = ?, xmltvStop = ?, "
                    "xmltvTyped = ? WHERE programmeID = ?"_qs,
                    {typed.at(2), xmltv.value(0), xmltv.value(1), xmltv.value(2), id});
            return id;
        };
        const qint32 id = add(u"Awkward"_qs, programme, kept);
        if (!next.isEmpty())
            add(u"Next"_qs, next, {});
        const auto instant = [](const QString &timestamp) {
            const QByteArray utf8 = timestamp.toUtf8();
            const auto read = xmltv::readTimestamp(std::string_view(utf8.constData(), utf8.size()));
            return read->wallSeconds() - read->offset;
        };

        // The span itself.
        const auto rows = schedule::loadSchedule(db.path(), channel);
        QVERIFY(rows);
        const schedule::Programme &row = rows.value().first();
        times::ZoneOffsets offsets(london);
        const times::ProgrammeSpan span = schedule::spanOf(row, offsets);
        QCOMPARE(span.start.has_value(), !start.isEmpty());
        if (span.start)
            QCOMPARE(span.start->at, instant(start));
        QCOMPARE(span.end.has_value(), !end.isEmpty());
        if (span.end && !stop.isEmpty())
            QCOMPARE(span.end->at, instant(stop));

        // The table's End and its checks, of the whole list and of the row alone.
        QCOMPARE(schedule::endText(row, london), end);
        schedule::CheckCount count;
        const auto checks = schedule::checkSchedule(rows.value(), 0, london, &count);
        QCOMPARE(checks.first().problems, problems);
        const auto alone = schedule::checkProgramme(
            row, rows.value().size() > 1 ? &rows.value().at(1) : nullptr, 0, london);
        QCOMPARE(alone.text, checks.first().text);
        if (problems & schedule::ClockChange)
            QVERIFY2(alone.text.contains(u"on the clock"_qs) || alone.text.contains(u"twice"_qs),
                     qPrintable(alone.text));

        // The grid, on each day the programme touches.
        const QDate typedDay = QDate::fromString(programme.section(u'|', 0, 0), Qt::ISODate);
        for (QDate day = typedDay.addDays(-1); day <= typedDay.addDays(1); day = day.addDays(1)) {
            const auto channels = grid::loadDay(db.path(), project, day);
            QVERIFY(channels);
            const grid::Layout layout = grid::layOut(channels.value(), day, london);
            const int b = layout.blockOf(id);
            if (!span.start) {
                QCOMPARE(b, -1);
                QCOMPARE(layout.unplaced.size(), day == typedDay ? 1 : 0);
                continue;
            }
            const qint64 to = span.end ? span.end->at : span.start->at + grid::assumedMinutes * 60;
            QCOMPARE(b >= 0,
                     span.start->at < layout.dayStart + layout.length && to > layout.dayStart);
            if (b < 0)
                continue;
            const grid::Block &block = layout.blocks.at(b);
            QCOMPARE(block.from, qMax(span.start->at, layout.dayStart) - layout.dayStart);
            QCOMPARE(block.to, qMin(to, layout.dayStart + layout.length) - layout.dayStart);
            QCOMPARE(block.lengthAssumed, !span.end);
            if (span.end)
                QCOMPARE(block.endText, end.left(5));
        }

        // The export's start and stop.
        const QString file = db.directory() + u"/guide.xml"_qs;
        QVERIFY(xmltv::writeXmltv(db.path(), project, file, london));
        const QRegularExpression element(
            u"<programme start=\"([^\"]*)\"(?: stop=\"([^\"]*)\")? channel=\"[^\"]*\">\\s*"
            "<title>Awkward</title>"_qs);
        const auto match = element.match(QString::fromUtf8(contents(file)));
        QCOMPARE(match.captured(1), start);
        QCOMPARE(match.captured(2), stop);
    }
};

QTEST_GUILESS_MAIN(ProgrammeSpanTest)
#include "tst_programmespan.moc"
