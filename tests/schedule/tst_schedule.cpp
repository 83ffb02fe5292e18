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

Programme programme(const QString &written)
{
    QStringList values = written.split(u'|');
    values.resize(6, null);
    Programme p;
    const int columns[] = {schedule::Date, schedule::Start,    schedule::Duration,
                           schedule::Name, schedule::Category, schedule::Synopsis};
    for (int i = 0; i < 6; ++i)
        p.setValue(columns[i], values.at(i) == null ? QString() : values.at(i));
    return p;
}

QString written(const Programme &p)
{
    QStringList values;
    for (int column : {schedule::Date, schedule::Start, schedule::Duration, schedule::Name,
                       schedule::Category, schedule::Synopsis}) {
        const QString value = p.value(column);
        values << (value.isNull() ? null : value);
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
QStringList snapshot(TestDatabase &db)
{
    QStringList rows;
    const auto all = db.rows(u"SELECT programmeID, typeof(programmeID), channelID, "
                             "typeof(channelID), programmeName, typeof(programmeName), "
                             "programmeDesc, typeof(programmeDesc), startDate, typeof(startDate), "
                             "startTime, typeof(startTime), duration, typeof(duration), category, "
                             "typeof(category) FROM ProgrammeData ORDER BY programmeID"_qs);
    for (const QVariantList &row : all) {
        QStringList values;
        for (const QVariant &value : row)
            values << value.toString();
        rows << values.join(u'|');
    }
    return rows;
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
    void steps_undoRestoresStoreAndRedoRepeats_data();
    void steps_undoRestoresStoreAndRedoRepeats();
    void load_isInProgrammeListOrderWithValuesAsStored();
    void paste_readsSpreadsheetText_data();
    void paste_readsSpreadsheetText();
    void paste_refusesUnreadableRowWhole_data();
    void paste_refusesUnreadableRowWhole();
    void copy_quotesCellsSpreadsheetsWouldSplit();
    void repeat_movesDatesInTheirTypedForm_data();
    void repeat_movesDatesInTheirTypedForm();
    void ends_areWorkedOutInTheStartsForm_data();
    void ends_areWorkedOutInTheStartsForm();
    void checks_markEachProblemRow_data();
    void checks_markEachProblemRow();
};

void ScheduleTest::steps_undoRestoresStoreAndRedoRepeats_data()
{
    QTest::addColumn<QString>("step");
    QTest::newRow("edit a column without a value") << u"edit name of 2"_qs;
    QTest::newRow("edit empty text") << u"edit synopsis of 1"_qs;
    QTest::newRow("edit a category outside the list") << u"edit category of 3"_qs;
    QTest::newRow("edit to empty text") << u"empty duration of 1"_qs;
    QTest::newRow("remove rows") << u"remove 1 and 3"_qs;
    QTest::newRow("add rows") << u"add two"_qs;
}

void ScheduleTest::steps_undoRestoresStoreAndRedoRepeats()
{
    QFETCH(QString, step);
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
    // Gaps in the identifiers, as deletes leave them.
    db.exec(u"DELETE FROM ProgrammeData WHERE programmeID = 4"_qs);
    db.exec(u"INSERT INTO ProgrammeData (programmeID, channelID, programmeName) VALUES "
            "(10, ?, 'Late')"_qs,
            {other});
    const QStringList before = snapshot(db);

    StubView view;
    view.path = db.path();
    std::unique_ptr<QUndoCommand> command;
    if (step == u"edit name of 2"_qs)
        command =
            std::make_unique<EditStep>(view, channel, 2, schedule::Name, QString(), u"Film"_qs);
    else if (step == u"edit synopsis of 1"_qs)
        command =
            std::make_unique<EditStep>(view, channel, 1, schedule::Synopsis, u""_qs, u" a "_qs);
    else if (step == u"edit category of 3"_qs)
        command = std::make_unique<EditStep>(view, channel, 3, schedule::Category,
                                             u"Local Interest"_qs, u"Film"_qs);
    else if (step == u"empty duration of 1"_qs)
        command =
            std::make_unique<EditStep>(view, channel, 1, schedule::Duration, u"30"_qs, u""_qs);
    else if (step == u"remove 1 and 3"_qs) {
        auto loaded = schedule::loadSchedule(db.path(), channel);
        QVERIFY(loaded);
        QList<Programme> rows;
        for (const Programme &p : loaded.value()) {
            if (p.programmeID != 2)
                rows << p;
        }
        command = std::make_unique<RowsStep>(view, channel, RowsStep::Kind::Remove, rows, u""_qs);
    } else {
        command = std::make_unique<RowsStep>(
            view, channel, RowsStep::Kind::Add,
            QList<Programme>{programme(u"2024-01-02|06:00|30|A"_qs),
                             programme(u"2024-01-02|06:30||<null>|| "_qs)},
            u""_qs);
    }

    command->redo();
    const QStringList after = snapshot(db);
    QVERIFY(after != before);
    command->undo();
    QCOMPARE(snapshot(db), before);
    command->redo();
    QCOMPARE(snapshot(db), after);
    command->undo();
    QCOMPARE(snapshot(db), before);
    QVERIFY(view.failures.isEmpty());
}

void ScheduleTest::load_isInProgrammeListOrderWithValuesAsStored()
{
    TestDatabase db;
    const qint32 channel = db.addChannel(db.addProject(u"P"_qs), u"C"_qs);
    db.exec(u"INSERT INTO ProgrammeData (channelID, programmeName, startDate, startTime, "
            "duration) VALUES (?, 'Later', '02/01/2024', '0600', '30'), "
            "(?, 'Unreadable', 'soon', '06:00', NULL), "
            "(?, 'Early', '2024-01-02', '5:00', ''), "
            "(?, 'Same start', '20240102', '05:00:00', ' 30 ')"_qs,
            {channel, channel, channel, channel});
    const auto loaded = schedule::loadSchedule(db.path(), channel);
    QVERIFY(loaded);
    QCOMPARE(written(loaded.value()),
             QStringList({u"2024-01-02|5:00||Early"_qs, u"20240102|05:00:00| 30 |Same start"_qs,
                          u"02/01/2024|0600|30|Later"_qs, u"soon|06:00|<null>|Unreadable"_qs}));
}

void ScheduleTest::paste_readsSpreadsheetText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("seven columns, End ignored")
        << u"2024-01-01\t06:00\t30\t99:99\tNews\tNews\tHeadlines\n"_qs
        << QStringList{u"2024-01-01|06:00|30|News|News|Headlines"_qs};
    QTest::newRow("six columns without End, no line end after the last")
        << u"2024-01-01\t06:00\t30\tNews\tNews\tHeadlines"_qs
        << QStringList{u"2024-01-01|06:00|30|News|News|Headlines"_qs};
    QTest::newRow("header row in another order")
        << u"Name\tStart\tDate\tDuration\nFilm\t21:00\t01/02/2024\t1h30\n"_qs
        << QStringList{u"01/02/2024|21:00|1h30|Film"_qs};
    QTest::newRow("quoted cells with tabs, line breaks and quotes")
        << u"2024-01-01\t06:00\t30\t\t\"Say \"\"Hi\"\"\tthere\"\tNews\t\"one\ntwo\"\n"
           "2024-01-01\t06:30\t30\t\tNext\t\t\n"_qs
        << QStringList{u"2024-01-01|06:00|30|Say \"Hi\"\tthere|News|one\ntwo"_qs,
                       u"2024-01-01|06:30|30|Next"_qs};
    QTest::newRow("Windows line ends, inside quotes kept")
        << u"Date\tStart\tDuration\tEnd\tName\tCategory\tSynopsis\r\n"
           "2024-01-01\t06:00\t30\t06:30\tNews\tNews\t\"a\r\nb\"\r\n"
           "2024-01-01\t06:30\t30\t07:00\tWeather\tNews\t\r\n\r\n"_qs
        << QStringList{u"2024-01-01|06:00|30|News|News|a\r\nb"_qs,
                       u"2024-01-01|06:30|30|Weather|News"_qs};
    QTest::newRow("blanks kept, empty trailing cells allowed")
        << u" 2024-01-01 \t 6:00\t90 \t\t News \t\t\t\t\n"_qs
        << QStringList{u" 2024-01-01 | 6:00|90 | News "_qs};
}

void ScheduleTest::paste_readsSpreadsheetText()
{
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    const schedule::Pasted pasted = schedule::fromSpreadsheet(text);
    QCOMPARE(pasted.error, QString());
    QCOMPARE(written(pasted.programmes), expected);
}

void ScheduleTest::paste_refusesUnreadableRowWhole_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("error");
    QTest::newRow("date on the third row")
        << u"Date\tStart\tDuration\tName\n2024-01-01\t06:00\t30\tA\n31/02/2024\t06:30\t30\tB\n"_qs
        << u"Row 3: the date \"31/02/2024\" cannot be read."_qs;
    QTest::newRow("start") << u"2024-01-01\t25:00\t30\t\tA\t\t\n"_qs
                           << u"Row 1: the start \"25:00\" cannot be read."_qs;
    QTest::newRow("missing duration")
        << u"2024-01-01\t06:00\t30\t\tA\t\t\n2024-01-01\t06:30\t\t\tB\t\t\n"_qs
        << u"Row 2: the duration \"\" cannot be read."_qs;
    QTest::newRow("too few cells")
        << u"2024-01-01\t06:00\t30\n"_qs << u"Row 1 has 3 cells; 7 are expected"_qs;
    QTest::newRow("a full cell past the last column")
        << u"2024-01-01\t06:00\t30\t\tA\t\t\textra\n"_qs << u"Row 1 has 8 cells"_qs;
    QTest::newRow("quote never closed")
        << u"2024-01-01\t06:00\t30\t\t\"A\t\t\n"_qs << u"Row 1: a quoted cell is never closed."_qs;
    QTest::newRow("nothing") << u"\n\n"_qs << u"The clipboard holds no programmes."_qs;
}

void ScheduleTest::paste_refusesUnreadableRowWhole()
{
    QFETCH(QString, text);
    QFETCH(QString, error);
    const schedule::Pasted pasted = schedule::fromSpreadsheet(text);
    QVERIFY2(pasted.error.startsWith(error), qPrintable(pasted.error));
    QVERIFY(pasted.programmes.isEmpty());
}

void ScheduleTest::copy_quotesCellsSpreadsheetsWouldSplit()
{
    const QList<Programme> rows = {programme(u"2024-01-01|23:30|60|Say \"Hi\"|News|a\tb"_qs),
                                   programme(u"x|06:00|<null>|<null>|<null>|one\r\ntwo"_qs)};
    const QString text = schedule::toSpreadsheet(rows);
    QCOMPARE(text, u"2024-01-01\t23:30\t60\t00:30 +1\t\"Say \"\"Hi\"\"\"\tNews\t\"a\tb\"\n"
                   "x\t06:00\t\t\t\t\t\"one\r\ntwo\"\n"_qs);
    // What was copied pastes back as the same cells, End aside.
    const schedule::Pasted pasted = schedule::fromSpreadsheet(
        schedule::toSpreadsheet({rows.first(), programme(u"2024-01-02|06:00|5|<null>||\"q\""_qs)}));
    QCOMPARE(pasted.error, QString());
    QCOMPARE(written(pasted.programmes),
             QStringList({written(rows.first()), u"2024-01-02|06:00|5|<null>|<null>|\"q\""_qs}));
}

void ScheduleTest::repeat_movesDatesInTheirTypedForm_data()
{
    QTest::addColumn<QStringList>("originals");
    QTest::addColumn<schedule::Every>("every");
    QTest::addColumn<QString>("until");
    QTest::addColumn<int>("times");
    QTest::addColumn<QStringList>("copies");

    QTest::newRow("weekly over a month end")
        << QStringList{u"2024-01-24|20:00|30|A"_qs} << schedule::Every::Week << QString() << 3
        << QStringList{u"2024-01-31|20:00|30|A"_qs, u"2024-02-07|20:00|30|A"_qs,
                       u"2024-02-14|20:00|30|A"_qs};
    QTest::newRow("daily over a leap day, until a date, day first")
        << QStringList{u"27/02/2024|06:00|30|A"_qs} << schedule::Every::Day << u"2024-03-01"_qs << 0
        << QStringList{u"28/02/2024|06:00|30|A"_qs, u"29/02/2024|06:00|30|A"_qs,
                       u"01/03/2024|06:00|30|A"_qs};
    QTest::newRow("no leap day in 2023, compact form")
        << QStringList{u"20230227|0600|30"_qs} << schedule::Every::Day << QString() << 2
        << QStringList{u"20230228|0600|30"_qs, u"20230301|0600|30"_qs};
    QTest::newRow("one-digit day and month stay one digit when they can")
        << QStringList{u"9/9/2024|6:00|30"_qs} << schedule::Every::Day << QString() << 1
        << QStringList{u"10/9/2024|6:00|30"_qs};
    QTest::newRow("blanks kept") << QStringList{u" 2024-12-31 |06:00|30"_qs} << schedule::Every::Day
                                 << QString() << 1 << QStringList{u" 2025-01-01 |06:00|30"_qs};
    QTest::newRow("daily over the spring daylight-saving change keeps the clock time")
        << QStringList{u"2024-03-30|02:30|60|Night"_qs} << schedule::Every::Day << QString() << 2
        << QStringList{u"2024-03-31|02:30|60|Night"_qs, u"2024-04-01|02:30|60|Night"_qs};
    QTest::newRow("weekdays from a Friday skip the weekend")
        << QStringList{u"2024-03-01|09:00|60"_qs} << schedule::Every::Weekday << u"2024-03-06"_qs
        << 0
        << QStringList{u"2024-03-04|09:00|60"_qs, u"2024-03-05|09:00|60"_qs,
                       u"2024-03-06|09:00|60"_qs};
    QTest::newRow("a block keeps its after-midnight programme with its evening")
        << QStringList{u"2024-03-01|23:00|60|Late"_qs, u"2024-03-02|00:00|60|Later"_qs}
        << schedule::Every::Weekday << QString() << 1
        << QStringList{u"2024-03-04|23:00|60|Late"_qs, u"2024-03-05|00:00|60|Later"_qs};
    QTest::newRow("until before the first copy")
        << QStringList{u"2024-03-01|09:00|60"_qs} << schedule::Every::Week << u"2024-03-07"_qs << 0
        << QStringList();
}

void ScheduleTest::repeat_movesDatesInTheirTypedForm()
{
    QFETCH(QStringList, originals);
    QFETCH(schedule::Every, every);
    QFETCH(QString, until);
    QFETCH(int, times);
    QFETCH(QStringList, copies);
    QList<Programme> selected;
    for (const QString &p : originals) {
        selected << programme(p);
        selected.last().programmeID = 5;
    }
    schedule::RepeatPlan plan;
    plan.every = every;
    plan.times = times;
    if (!until.isEmpty())
        plan.until = QDate::fromString(until, Qt::ISODate);
    const schedule::Repeated repeated = schedule::repeatProgrammes(selected, plan);
    QCOMPARE(repeated.error, QString());
    QCOMPARE(written(repeated.copies), copies);
    for (const Programme &copy : repeated.copies)
        QCOMPARE(copy.programmeID, 0);
}

void ScheduleTest::ends_areWorkedOutInTheStartsForm_data()
{
    QTest::addColumn<QString>("programme");
    QTest::addColumn<QString>("end");
    QTest::addColumn<QString>("following");
    QTest::newRow("hh:mm") << u"2024-01-01|21:00|90"_qs << u"22:30"_qs << u"2024-01-01|22:30"_qs;
    QTest::newRow("hhmm past midnight into a new month")
        << u"31/01/2024|2330|1h"_qs << u"0030 +1"_qs << u"01/02/2024|0030"_qs;
    QTest::newRow("h:mm") << u"2024-01-01|9:15|1h 5m"_qs << u"10:20"_qs << u"2024-01-01|10:20"_qs;
    QTest::newRow("seconds") << u"2024-01-01| 06:00:30 |30"_qs << u"06:30:30"_qs
                             << u"2024-01-01| 06:30:30 "_qs;
    QTest::newRow("unreadable duration")
        << u"2024-01-01|06:00|soon"_qs << QString() << u"2024-01-01|<null>"_qs;
}

void ScheduleTest::ends_areWorkedOutInTheStartsForm()
{
    QFETCH(QString, programme);
    QFETCH(QString, end);
    QFETCH(QString, following);
    QCOMPARE(schedule::endText(::programme(programme)), end);
    const Programme next = schedule::followingProgramme(::programme(programme));
    QCOMPARE(written(next), following + u"|<null>|<null>|Adult Entertainment"_qs);
}

void ScheduleTest::checks_markEachProblemRow_data()
{
    QTest::addColumn<QStringList>("programmes");
    QTest::addColumn<int>("gapMinutes");
    QTest::addColumn<QList<unsigned>>("problems");
    QTest::addColumn<QString>("count");
    using namespace schedule;

    QTest::newRow("back to back over midnight")
        << QStringList{u"2024-01-01|23:00|60|A"_qs, u"2024-01-02|00:00|30|B"_qs,
                       u"2024-01-02|00:30|30|C"_qs}
        << 0 << QList<unsigned>{0, 0, 0} << u"No problems"_qs;
    QTest::newRow("overlap and gap")
        << QStringList{u"2024-01-01|20:00|90|A"_qs, u"2024-01-01|21:00|30|B"_qs,
                       u"2024-01-01|21:35|30|C"_qs}
        << 0 << QList<unsigned>{Overlap, Gap, 0} << u"1 overlap, 1 gap"_qs;
    QTest::newRow("a gap no longer than the threshold")
        << QStringList{u"2024-01-01|21:00|30|B"_qs, u"2024-01-01|21:35|30|C"_qs} << 5
        << QList<unsigned>{0, 0} << u"No problems"_qs;
    QTest::newRow("a gap longer than the threshold")
        << QStringList{u"2024-01-01|21:00|30|B"_qs, u"2024-01-01|21:36|30|C"_qs} << 5
        << QList<unsigned>{Gap, 0} << u"1 gap"_qs;
    QTest::newRow("unreadable rows are not compared")
        << QStringList{u"2024-01-01|06:00|later|A"_qs, u"2024-01-01|06:30|30|B"_qs,
                       u"2024-01-01|7 am|30|C"_qs, u"2024-02-30|08:00|30|D"_qs}
        << 0 << QList<unsigned>{Unreadable, 0, Unreadable, Unreadable} << u"3 unreadable"_qs;
    QTest::newRow("no name, blanks only")
        << QStringList{u"2024-01-01|06:00|30|<null>"_qs, u"2024-01-01|06:30|30|  "_qs,
                       u"2024-01-01|07:00|30|C"_qs}
        << 0 << QList<unsigned>{NoName, NoName, 0} << u"2 without a name"_qs;
    QTest::newRow("clock times through the daylight-saving change")
        << QStringList{u"2024-03-31|00:30|120|A"_qs, u"2024-03-31|02:30|30|B"_qs,
                       u"2024-10-27|01:30|60|C"_qs, u"2024-10-27|02:30|30|D"_qs}
        << 0 << QList<unsigned>{0, Gap, 0, 0} << u"1 gap"_qs;
    QTest::newRow("everything at once")
        << QStringList{u"2024-01-01|06:00|60|A"_qs, u"2024-01-01|06:30|60|<null>"_qs,
                       u"2024-01-01|08:00|x|C"_qs}
        << 0 << QList<unsigned>{Overlap, Gap | NoName, Unreadable}
        << u"1 overlap, 1 gap, 1 unreadable, 1 without a name"_qs;
}

void ScheduleTest::checks_markEachProblemRow()
{
    QFETCH(QStringList, programmes);
    QFETCH(int, gapMinutes);
    QFETCH(QList<unsigned>, problems);
    QFETCH(QString, count);
    QList<Programme> rows;
    for (const QString &p : programmes)
        rows << programme(p);
    schedule::CheckCount counted;
    const QList<schedule::RowCheck> checks = schedule::checkSchedule(rows, gapMinutes, &counted);
    QList<unsigned> found;
    for (qsizetype i = 0; i < checks.size(); ++i) {
        const schedule::RowCheck &check = checks.at(i);
        found << check.problems;
        // Every mark says what is wrong, and only a mark says anything.
        QCOMPARE(check.text.isEmpty(), check.problems == 0);
        // A row checked alone, after an edit, gets what the whole check gave it.
        const schedule::RowCheck alone = schedule::checkProgramme(
            rows.at(i), i + 1 < rows.size() ? &rows.at(i + 1) : nullptr, gapMinutes);
        QCOMPARE(alone.problems, check.problems);
        QCOMPARE(alone.text, check.text);
    }
    QCOMPARE(found, problems);
    QCOMPARE(counted.text(), count);
}

QTEST_GUILESS_MAIN(ScheduleTest)
#include "tst_schedule.moc"
