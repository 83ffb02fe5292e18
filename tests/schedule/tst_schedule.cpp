#include "programmes/Programmes.h"
#include "schedule/Schedule.h"
#include "schedule/ScheduleCommands.h"
#include "schedule/ScheduleTimes.h"
#include "schedule/Spreadsheet.h"
#include "support/TestDatabase.h"

#include <QTest>

using schedule::Programme;

Q_DECLARE_METATYPE(schedule::Every)

namespace {

// A programme written "date|start|duration|name|category|synopsis"; <null>
// stands for a column without a value, and values left off have none.
const QString null = u"<null>"_qs;
// The zone typed starts are read in, with its clock changes.
const QTimeZone london("Europe/London");
const int columns[] = {schedule::Date, schedule::Start,    schedule::Duration,
                       schedule::Name, schedule::Category, schedule::Synopsis};

Programme programme(const QString &written)
{
    QStringList values = written.split(u'|');
    values.resize(6, null);
    Programme p;
    for (int i = 0; i < 6; ++i)
        schedule::setCellText(p, columns[i], values.at(i) == null ? QString() : values.at(i));
    return p;
}

QList<Programme> programmeList(const QStringList &written)
{
    QList<Programme> result;
    for (const QString &p : written)
        result << programme(p);
    return result;
}

QString written(const Programme &p)
{
    QStringList values;
    for (int column : columns) {
        const QString text = schedule::cellText(p, column);
        values << (text.isNull() ? null : text);
    }
    while (values.size() > 3 && values.last() == null)
        values.removeLast();
    return values.join(u'|');
}

QStringList written(const QList<Programme> &programmes)
{
    QStringList result;
    for (const Programme &p : programmes)
        result << written(p);
    return result;
}

// Every row of the programme table with each value's storage class, so
// that NULL and empty text, or 7 and '7', tell apart.
QList<QVariantList> snapshot(TestDatabase &db)
{
    return db.rows(u"SELECT programmeID, typeof(programmeID), channelID, typeof(channelID), "
                   "programmeName, typeof(programmeName), programmeDesc, typeof(programmeDesc), "
                   "startDate, typeof(startDate), startTime, typeof(startTime), duration, "
                   "typeof(duration), category, typeof(category), xmltvStart, xmltvStop, "
                   "xmltvTyped, xmltvExtra FROM ProgrammeData "
                   "ORDER BY programmeID"_qs);
}

// The window side of a step, for steps run without a window.
struct StubView final : ScheduleView
{
    QString path;
    QList<store::Failure> failures;
    QString databasePath() const override { return path; }
    void showChange(qint32, const QList<qint32> &) override {}
    void showEdit(qint32, qint32, int, const QString &) override {}
    void showStepFailure(const store::Failure &failure) override { failures << failure; }
};

} // namespace

class ScheduleTest : public QObject
{
    Q_OBJECT

private slots:
    void steps_undoRestoresStoreAndRedoRepeats_data()
    {
        // An edit of one column of one row, or with no column the rows step:
        // row 0 adds two rows, any other removes every row of the channel but it.
        addColumns<int, int, QString, QString>("row", "column", "from", "to");
        QTest::newRow("edit a column without a value")
            << 2 << int(schedule::Name) << QString() << u"Film"_qs;
        QTest::newRow("edit empty text") << 1 << int(schedule::Synopsis) << u""_qs << u" a "_qs;
        QTest::newRow("edit a category outside the list")
            << 3 << int(schedule::Category) << u"Local Interest"_qs << u"Film"_qs;
        QTest::newRow("edit to empty text") << 1 << int(schedule::Duration) << u"30"_qs << u""_qs;
        QTest::newRow("remove rows") << 2 << -1 << QString() << QString();
        QTest::newRow("add rows") << 0 << -1 << QString() << QString();
    }

    void steps_undoRestoresStoreAndRedoRepeats()
    {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, from);
        QFETCH(QString, to);
        TestDatabase db;
        const qint32 project = db.addProject(u"P"_qs);
        const qint32 channel = db.addChannel(project, u"C"_qs, u"1"_qs);
        const qint32 other = db.addChannel(project, u"Other"_qs, u"2"_qs);
        db.exec(u"INSERT INTO ProgrammeData (channelID, programmeName, programmeDesc, startDate, "
                "startTime, duration, category) VALUES (?, ' News ', '', '2024-01-01', '06:00', "
                "'30', 'News'), (?, NULL, NULL, '01/01/2024', '630', '1h', NULL), "
                "(?, 'Odd', 'x', 'someday', '7', 7, 'Local Interest'), "
                "(?, 'Elsewhere', NULL, '2024-01-01', '06:00', '30', 'News')"_qs,
                {channel, channel, channel, other});
        // What an XMLTV import keeps beside the columns comes back with its row.
        db.exec(u"UPDATE ProgrammeData SET xmltvStart = '20240101060000 +0100', xmltvStop = "
                "'20240101063000 +0100', xmltvTyped = 'typed', xmltvExtra = '<icon src=\"a\"/>' "
                "WHERE programmeID = 1"_qs);
        // Gaps in the identifiers, as deletes leave them.
        db.exec(u"DELETE FROM ProgrammeData WHERE programmeID = 4"_qs);
        db.exec(u"INSERT INTO ProgrammeData (programmeID, channelID, programmeName) VALUES "
                "(10, ?, 'Late')"_qs,
                {other});
        const auto before = snapshot(db);

        StubView view;
        view.path = db.path();
        std::unique_ptr<QUndoCommand> command;
        const QList<Programme> shown = schedule::loadSchedule(db.path(), channel).value();
        if (column >= 0) {
            const auto edited = std::find_if(shown.begin(), shown.end(), [row](const Programme &p) {
                return p.programmeID == row;
            });
            QVERIFY(edited != shown.end());
            command = std::make_unique<EditStep>(view, channel, *edited, column, from, to);
        } else if (row == 0)
            command = std::make_unique<RowsStep>(
                view, channel, RowsStep::Kind::Add,
                programmeList({u"2024-01-02|06:00|30|A"_qs, u"2024-01-02|06:30||<null>|| "_qs}),
                u""_qs);
        else {
            QList<Programme> rows = shown;
            rows.removeIf([row](const Programme &p) { return p.programmeID == row; });
            command =
                std::make_unique<RowsStep>(view, channel, RowsStep::Kind::Remove, rows, u""_qs);
        }

        command->redo();
        const auto after = snapshot(db);
        QVERIFY(after != before);
        for (const bool redo : {false, true, false}) {
            redo ? command->redo() : command->undo();
            QCOMPARE(snapshot(db), redo ? after : before);
        }
        QVERIFY(view.failures.isEmpty());
    }

    // The schedule and the programme list both go by start date, then time,
    // then the order of adding, starts they cannot read last.
    void load_isInProgrammeListOrderWithValuesAsStored()
    {
        TestDatabase db;
        const qint32 channel = db.addChannel(db.addProject(u"P"_qs), u"C"_qs);
        db.exec(u"INSERT INTO ProgrammeData (channelID, programmeName, startDate, startTime, "
                "duration) VALUES (?, 'Later', '02/01/2024', '0600', '30'), "
                "(?, 'Unreadable', 'soon', '06:00', NULL), "
                "(?, 'Early', '2024-01-02', '5:00', ''), "
                "(?, 'Same start', '20240102', '05:00:00', ' 30 '), "
                "(?, 'Elsewhere', '2024-01-01', '00:00', '30')"_qs,
                {channel, channel, channel, channel, channel + 1});
        const auto loaded = schedule::loadSchedule(db.path(), channel);
        QVERIFY(loaded);
        QCOMPARE(written(loaded.value()),
                 QStringList({u"2024-01-02|5:00||Early"_qs, u"20240102|05:00:00| 30 |Same start"_qs,
                              u"02/01/2024|0600|30|Later"_qs, u"soon|06:00|<null>|Unreadable"_qs}));
        QStringList listed;
        for (const ListEntry &entry : programmes::listProgrammes(db.path(), channel).value())
            listed << entry.text;
        QCOMPARE(listed,
                 (QStringList{u"Early"_qs, u"Same start"_qs, u"Later"_qs, u"Unreadable"_qs}));
    }

    void paste_readsSpreadsheetTextOrRefusesItWhole_data()
    {
        addColumns<QString, QStringList, QString>("text", "expected", "error");
        const auto reads = [](const char *name, const QString &text, const QStringList &expected) {
            QTest::newRow(name) << text << expected << QString();
        };
        const auto refuses = [](const char *name, const QString &text, const QString &error) {
            QTest::newRow(name) << text << QStringList() << error;
        };
        reads("seven columns, End agreeing with Duration, a length in hh:mm:ss",
              u"2024-01-01\t06:00\t00:30:00\t06:30\tNews\tNews\tHeadlines\n"_qs,
              {u"2024-01-01|06:00|00:30:00|News|News|Headlines"_qs});
        reads("Start and End without Duration: past midnight, over the clocks going forward",
              u"Date\tStart\tEnd\tName\n2024-03-30\t23:00\t00:30\tLate\n"
              "2024-03-30\t23:30\t03:00 +1\tNight\n"_qs,
              {u"2024-03-30|23:00|90|Late"_qs, u"2024-03-30|23:30|150|Night"_qs});
        refuses("End disagreeing with Duration", u"2024-01-01\t06:00\t30\t07:00\tNews\t\t\n"_qs,
                u"Row 1: the end \"07:00\" does not agree with the duration \"30\", which ends "
                "at 06:30."_qs);
        refuses("End that cannot be read", u"2024-01-01\t06:00\t30\t99:99\tNews\t\t\n"_qs,
                u"Row 1: the end \"99:99\" cannot be read."_qs);
        reads("six columns without End, no line end after the last",
              u"2024-01-01\t06:00\t30\tNews\tNews\tHeadlines"_qs,
              {u"2024-01-01|06:00|30|News|News|Headlines"_qs});
        reads("header row in another order",
              u"Name\tStart\tDate\tDuration\nFilm\t21:00\t01/02/2024\t1h30\n"_qs,
              {u"01/02/2024|21:00|1h30|Film"_qs});
        reads("quoted cells with tabs, line breaks and quotes",
              u"2024-01-01\t06:00\t30\t\t\"Say \"\"Hi\"\"\tthere\"\tNews\t\"one\ntwo\"\n"
              "2024-01-01\t06:30\t30\t\tNext\t\t\n"_qs,
              {u"2024-01-01|06:00|30|Say \"Hi\"\tthere|News|one\ntwo"_qs,
               u"2024-01-01|06:30|30|Next"_qs});
        reads("Windows line ends, inside quotes kept",
              u"Date\tStart\tDuration\tEnd\tName\tCategory\tSynopsis\r\n"
              "2024-01-01\t06:00\t30\t06:30\tNews\tNews\t\"a\r\nb\"\r\n"
              "2024-01-01\t06:30\t30\t07:00\tWeather\tNews\t\r\n\r\n"_qs,
              {u"2024-01-01|06:00|30|News|News|a\r\nb"_qs, u"2024-01-01|06:30|30|Weather|News"_qs});
        reads("blanks kept, empty trailing cells allowed",
              u" 2024-01-01 \t 6:00\t90 \t\t News \t\t\t\t\n"_qs,
              {u" 2024-01-01 | 6:00|90 | News "_qs});
        refuses(
            "date on the third row",
            u"Date\tStart\tDuration\tName\n2024-01-01\t06:00\t30\tA\n31/02/2024\t06:30\t30\tB\n"_qs,
            u"Row 3: the date \"31/02/2024\" cannot be read."_qs);
        refuses("start", u"2024-01-01\t25:00\t30\t\tA\t\t\n"_qs,
                u"Row 1: the start \"25:00\" cannot be read."_qs);
        refuses("missing duration",
                u"2024-01-01\t06:00\t30\t\tA\t\t\n2024-01-01\t06:30\t\t\tB\t\t\n"_qs,
                u"Row 2: the duration \"\" cannot be read."_qs);
        refuses("too few cells", u"2024-01-01\t06:00\t30\n"_qs,
                u"Row 1 has 3 cells; 9 are expected"_qs);
        refuses("one cell", u"2024-01-01\n"_qs, u"Row 1 has 1 cell; 9 are expected"_qs);
        refuses("a full cell past the last column",
                u"2024-01-01\t06:00\t30\t\tA\t\t\t\t\textra\n"_qs, u"Row 1 has 10 cells"_qs);
        refuses("quote never closed", u"2024-01-01\t06:00\t30\t\t\"A\t\t\n"_qs,
                u"Row 1: a quoted cell is never closed."_qs);
        refuses("nothing", u"\n\n"_qs, u"The clipboard holds no programmes."_qs);
    }

    void paste_readsSpreadsheetTextOrRefusesItWhole()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        QFETCH(QString, error);
        const schedule::Pasted pasted = schedule::fromSpreadsheet(text, london);
        QVERIFY2(error.isEmpty() ? pasted.error.isEmpty() : pasted.error.startsWith(error),
                 qPrintable(pasted.error));
        QCOMPARE(written(pasted.programmes), expected);
    }

    void copy_quotesCellsSpreadsheetsWouldSplit()
    {
        const QList<Programme> rows =
            programmeList({u"2024-01-01|23:30|60|Say \"Hi\"|News|a\tb"_qs,
                           u"x|06:00|<null>|<null>|<null>|one\r\ntwo"_qs});
        const QString text = schedule::toSpreadsheet(rows, london);
        QCOMPARE(text, u"2024-01-01\t23:30\t60\t00:30 +1\t\"Say \"\"Hi\"\"\"\tNews\t\"a\tb\"\t\t\n"
                       "x\t06:00\t\t\t\t\t\"one\r\ntwo\"\t\t\n"_qs);
        // What was copied pastes back as the same cells, End aside.
        const schedule::Pasted pasted = schedule::fromSpreadsheet(
            schedule::toSpreadsheet(
                {rows.first(), programme(u"2024-01-02|06:00|5|<null>||\"q\""_qs)}, london),
            london);
        QCOMPARE(pasted.error, QString());
        QCOMPARE(
            written(pasted.programmes),
            QStringList({written(rows.first()), u"2024-01-02|06:00|5|<null>|<null>|\"q\""_qs}));
    }

    void repeat_movesDatesInTheirTypedForm_data()
    {
        // Originals and copies are programmes separated by ';'.
        addColumns<QString, schedule::Every, QDate, int, QString>("originals", "every", "until",
                                                                  "times", "copies");
        using schedule::Every;
        QTest::newRow("weekly over a month end")
            << u"2024-01-24|20:00|30|A"_qs << Every::Week << QDate() << 3
            << u"2024-01-31|20:00|30|A;2024-02-07|20:00|30|A;2024-02-14|20:00|30|A"_qs;
        QTest::newRow("daily over a leap day, until a date, day first")
            << u"27/02/2024|06:00|30|A"_qs << Every::Day << QDate(2024, 3, 1) << 0
            << u"28/02/2024|06:00|30|A;29/02/2024|06:00|30|A;01/03/2024|06:00|30|A"_qs;
        QTest::newRow("no leap day in 2023, compact form")
            << u"20230227|0600|30"_qs << Every::Day << QDate() << 2
            << u"20230228|0600|30;20230301|0600|30"_qs;
        QTest::newRow("one-digit day and month stay one digit when they can")
            << u"9/9/2024|6:00|30"_qs << Every::Day << QDate() << 1 << u"10/9/2024|6:00|30"_qs;
        QTest::newRow("blanks kept") << u" 2024-12-31 |06:00|30"_qs << Every::Day << QDate() << 1
                                     << u" 2025-01-01 |06:00|30"_qs;
        QTest::newRow("daily over the spring daylight-saving change keeps the clock time")
            << u"2024-03-30|02:30|60|Night"_qs << Every::Day << QDate() << 2
            << u"2024-03-31|02:30|60|Night;2024-04-01|02:30|60|Night"_qs;
        QTest::newRow("weekdays from a Friday skip the weekend")
            << u"2024-03-01|09:00|60"_qs << Every::Weekday << QDate(2024, 3, 6) << 0
            << u"2024-03-04|09:00|60;2024-03-05|09:00|60;2024-03-06|09:00|60"_qs;
        QTest::newRow("a block keeps its after-midnight programme with its evening")
            << u"2024-03-01|23:00|60|Late;2024-03-02|00:00|60|Later"_qs << Every::Weekday << QDate()
            << 1 << u"2024-03-04|23:00|60|Late;2024-03-05|00:00|60|Later"_qs;
        QTest::newRow("until before the first copy")
            << u"2024-03-01|09:00|60"_qs << Every::Week << QDate(2024, 3, 7) << 0 << QString();
    }

    void repeat_movesDatesInTheirTypedForm()
    {
        QFETCH(QString, originals);
        QFETCH(schedule::Every, every);
        QFETCH(QDate, until);
        QFETCH(int, times);
        QFETCH(QString, copies);
        QList<Programme> selected = programmeList(originals.split(u';'));
        for (Programme &p : selected)
            p.programmeID = 5;
        schedule::RepeatPlan plan{every, std::nullopt, times};
        if (until.isValid())
            plan.until = until;
        const schedule::Repeated repeated = schedule::repeatProgrammes(selected, plan);
        QCOMPARE(repeated.error, QString());
        QCOMPARE(written(repeated.copies).join(u';'), copies);
        for (const Programme &copy : repeated.copies)
            QCOMPARE(copy.programmeID, 0);
    }

    void ends_areWorkedOutInTheStartsForm_data()
    {
        addColumns<QString, QString, QString>("programme", "end", "following");
        QTest::newRow("hh:mm") << u"2024-01-01|21:00|90"_qs << u"22:30"_qs
                               << u"2024-01-01|22:30"_qs;
        QTest::newRow("hhmm past midnight into a new month")
            << u"31/01/2024|2330|1h"_qs << u"0030 +1"_qs << u"01/02/2024|0030"_qs;
        QTest::newRow("h:mm") << u"2024-01-01|9:15|1h 5m"_qs << u"10:20"_qs
                              << u"2024-01-01|10:20"_qs;
        QTest::newRow("seconds") << u"2024-01-01| 06:00:30 |30"_qs << u"06:30:30"_qs
                                 << u"2024-01-01| 06:30:30 "_qs;
        QTest::newRow("unreadable duration")
            << u"2024-01-01|06:00|soon"_qs << QString() << u"2024-01-01|<null>"_qs;
    }

    void ends_areWorkedOutInTheStartsForm()
    {
        QFETCH(QString, programme);
        QFETCH(QString, end);
        QFETCH(QString, following);
        QCOMPARE(schedule::endText(::programme(programme), london), end);
        const Programme next = schedule::followingProgramme(::programme(programme), london);
        QCOMPARE(written(next).section(u'|', 0, 1), following);
        // No category until the user picks one.
        QCOMPARE(next.category, u""_qs);
    }

    void checks_markEachProblemRow_data()
    {
        // Programmes separated by ';', each row's problems, and the count shown.
        addColumns<QString, int, QList<unsigned>, QString>("programmes", "gapMinutes", "problems",
                                                           "count");
        using namespace schedule;
        QTest::newRow("back to back over midnight")
            << u"2024-01-01|23:00|60|A;2024-01-02|00:00|30|B;2024-01-02|00:30|30|C"_qs << 0
            << QList<unsigned>{0, 0, 0} << u"No problems"_qs;
        QTest::newRow("overlap and gap")
            << u"2024-01-01|20:00|90|A;2024-01-01|21:00|30|B;2024-01-01|21:35|30|C"_qs << 0
            << QList<unsigned>{Overlap, Gap, 0} << u"1 overlap, 1 gap"_qs;
        QTest::newRow("a gap no longer than the threshold")
            << u"2024-01-01|21:00|30|B;2024-01-01|21:35|30|C"_qs << 5 << QList<unsigned>{0, 0}
            << u"No problems"_qs;
        QTest::newRow("a gap longer than the threshold")
            << u"2024-01-01|21:00|30|B;2024-01-01|21:36|30|C"_qs << 5 << QList<unsigned>{Gap, 0}
            << u"1 gap"_qs;
        QTest::newRow("unreadable rows are not compared")
            << u"2024-01-01|06:00|later|A;2024-01-01|06:30|30|B;2024-01-01|7 am|30|C;"
               "2024-02-30|08:00|30|D"_qs
            << 0 << QList<unsigned>{Unreadable, 0, Unreadable, Unreadable} << u"3 unreadable"_qs;
        QTest::newRow("no name, blanks only")
            << u"2024-01-01|06:00|30|<null>;2024-01-01|06:30|30|  ;2024-01-01|07:00|30|C"_qs << 0
            << QList<unsigned>{NoName, NoName, 0} << u"2 without a name"_qs;
        QTest::newRow("real time through the daylight-saving changes")
            << u"2024-03-31|00:30|120|A;2024-03-31|02:30|30|B;2024-10-27|01:30|60|C;"
               "2024-10-27|02:30|30|D"_qs
            << 0 << QList<unsigned>{Overlap, Gap, Gap | ClockChange, 0}
            << u"1 overlap, 2 gaps, 1 start at a clock change"_qs;
        QTest::newRow("everything at once")
            << u"2024-01-01|06:00|60|A;2024-01-01|06:30|60|<null>;2024-01-01|08:00|x|C"_qs << 0
            << QList<unsigned>{Overlap, Gap | NoName, Unreadable}
            << u"1 overlap, 1 gap, 1 unreadable, 1 without a name"_qs;
    }

    void checks_markEachProblemRow()
    {
        QFETCH(QString, programmes);
        QFETCH(int, gapMinutes);
        QFETCH(QList<unsigned>, problems);
        QFETCH(QString, count);
        const QList<Programme> rows = programmeList(programmes.split(u';'));
        schedule::CheckCount counted;
        const QList<schedule::RowCheck> checks =
            schedule::checkSchedule(rows, gapMinutes, london, &counted);
        QList<unsigned> found;
        for (qsizetype i = 0; i < checks.size(); ++i) {
            const schedule::RowCheck &check = checks.at(i);
            found << check.problems;
            // Every mark says what is wrong, and only a mark says anything.
            QCOMPARE(check.text.isEmpty(), check.problems == 0);
            // A row checked alone, after an edit, gets what the whole check gave it.
            const schedule::RowCheck alone = schedule::checkProgramme(
                rows.at(i), i + 1 < rows.size() ? &rows.at(i + 1) : nullptr, gapMinutes, london);
            QCOMPARE(alone.problems, check.problems);
            QCOMPARE(alone.text, check.text);
        }
        QCOMPARE(found, problems);
        QCOMPARE(counted.text(), count);
    }

    void checks_sayHowLongInWords()
    {
        const auto said = [](const QString &first, const QString &next) {
            const QList<Programme> rows = programmeList({first, next});
            return schedule::checkProgramme(rows.at(0), &rows.at(1), 0, london).text;
        };
        QCOMPARE(said(u"2024-01-01|06:00|90|A"_qs, u"2024-01-01|06:45|30|B"_qs),
                 u"Overlaps the next programme by 45 minutes."_qs);
        QCOMPARE(said(u"2024-01-01|06:00|30|A"_qs, u"2024-01-01|08:00|30|B"_qs),
                 u"Leaves a gap of 1 hour 30 minutes before the next programme."_qs);
        // Time that passes: the clocks went forward in between.
        QCOMPARE(said(u"2024-01-01|06:00|30|A"_qs, u"2024-08-02|09:00|30|B"_qs),
                 u"Leaves a gap of 214 days 1 hour 30 minutes before the next programme."_qs);
    }
};

QTEST_GUILESS_MAIN(ScheduleTest)
#include "tst_schedule.moc"
