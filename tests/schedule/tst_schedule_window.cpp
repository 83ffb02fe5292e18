#include "export/ProgrammeXml.h"
#include "schedule/ScheduleModel.h"
#include "schedule/ScheduleWindow.h"
#include "support/WindowFixture.h"

#include <QAccessible>
#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <QUndoStack>

namespace {

// A project with two channels; the first holds `programmes`.
struct ScheduleFixture : WindowFixture
{
    qint32 project = db.addProject(u"Town Listings"_qs);
    qint32 channel = db.addChannel(project, u"Town TV"_qs, u"101"_qs);
    qint32 other = db.addChannel(project, u"Town Radio"_qs, u"7"_qs);

    // Adds "date|start|duration|name" programmes to the first channel.
    void add(const QStringList &programmes)
    {
        for (const QString &p : programmes) {
            const QStringList v = p.split(u'|');
            db.exec(u"INSERT INTO ProgrammeData (channelID, startDate, startTime, duration, "
                    "programmeName, category) VALUES (?, ?, ?, ?, ?, 'News')"_qs,
                    {channel, v.value(0), v.value(1), v.value(2), v.value(3)});
        }
    }

    // Opens the schedule as the user does: select the project, then Ctrl+E.
    ScheduleWindow *open(const QStringList &programmes = {})
    {
        add(programmes);
        AppWindow *projects = navigator.start();
        clickEntry(control<EntryList>(projects, "projList"), 0);
        control<QAction>(projects, "openSchedule")->trigger();
        auto *window = qobject_cast<ScheduleWindow *>(openWindow());
        if (window) {
            window->activateWindow();
            if (!QTest::qWaitForWindowActive(window))
                qWarning("the schedule window never became active");
            control<QTableView>(window, "scheduleTable")->setFocus();
        }
        return window;
    }

    // "date|start|duration|name" of each stored programme of the channel, in start order.
    QStringList stored(qint32 channelID = 0)
    {
        QStringList result;
        for (const QVariantList &row :
             db.rows(u"SELECT startDate, startTime, duration, programmeName FROM ProgrammeData "
                     "WHERE channelID = ? ORDER BY startDateKey, startTimeKey, programmeID"_qs,
                     {channelID ? channelID : channel})) {
            QStringList values;
            for (const QVariant &v : row)
                values << (v.isNull() ? u"<null>"_qs : v.toString());
            result << values.join(u'|');
        }
        return result;
    }
};

QTableView *table(QWidget *w)
{
    return WindowFixture::control<QTableView>(w, "scheduleTable");
}

QString problemCount(QWidget *w)
{
    return WindowFixture::control<QLabel>(w, "problemCount")->text();
}

// "date|start|duration|name" of each row the window shows.
QStringList shown(QWidget *w)
{
    QStringList result;
    const QAbstractItemModel *model = table(w)->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        QStringList values;
        for (int column : {schedule::Date, schedule::Start, schedule::Duration, schedule::Name})
            values << model->index(row, column).data().toString();
        result << values.join(u'|');
    }
    return result;
}

void selectRows(QWidget *w, int first, int last)
{
    QTableView *view = table(w);
    view->setCurrentIndex(view->model()->index(first, 0));
    view->selectionModel()->select(
        QItemSelection(view->model()->index(first, 0),
                       view->model()->index(last, schedule::ColumnCount - 1)),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

// Types text into a cell through its editor, as the user does (F2, type, Enter).
void typeInto(ScheduleWindow *w, int row, int column, const QString &text)
{
    const int steps = w->undoStack()->index();
    QTableView *view = table(w);
    view->setCurrentIndex(view->model()->index(row, column));
    QTest::keyClick(view, Qt::Key_F2);
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    // The editor hands its text over once it has closed.
    QTRY_COMPARE(w->undoStack()->index(), steps + 1);
}

// Repeats the selected rows through Ctrl+R's dialog; gives what the dialog
// said it would add, or nothing when no dialog showed.
QString repeat(ScheduleWindow *w, const char *every, int times)
{
    QTest::keyClick(w, Qt::Key_R, Qt::ControlModifier);
    auto *dialog = w->findChild<RepeatDialog *>(u"repeatDialog"_qs);
    if (!dialog || !dialog->isVisible())
        return QString();
    WindowFixture::control<QRadioButton>(dialog, every)->click();
    WindowFixture::control<QSpinBox>(dialog, "repeatTimes")->setValue(times);
    const QString adds = WindowFixture::control<QLabel>(dialog, "repeatCount")->text();
    WindowFixture::click(dialog, "repeatOk");
    // A window manager gives the window back its activation; offscreen, the test does.
    w->activateWindow();
    return QTest::qWaitForWindowActive(w) ? adds : QString();
}

} // namespace

class ScheduleWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void opensForSelectedProjectAndReturnsToIt_data();
    void opensForSelectedProjectAndReturnsToIt();
    void editCell_storesAsTypedUndoesExportsAndFailsAlone();
    void insertAndDelete_areUndoable();
    void copyAndPaste_goThroughSpreadsheetText();
    void repeat_oneWeekFourTimes();
    void f8_movesThroughProblems();
    void weekFromOneTypedDay();
};

void ScheduleWindowTest::opensForSelectedProjectAndReturnsToIt_data()
{
    QTest::addColumn<bool>("byTitleBar");
    QTest::newRow("File menu") << false;
    QTest::newRow("title bar") << true;
}

void ScheduleWindowTest::opensForSelectedProjectAndReturnsToIt()
{
    QFETCH(bool, byTitleBar);
    ScheduleFixture f;
    f.add({u"2024-01-01|06:00|30|News"_qs});
    AppWindow *projects = f.navigator.start();
    auto *action = WindowFixture::control<QAction>(projects, "openSchedule");
    QVERIFY(!action->isEnabled());
    QCOMPARE(action->shortcut(), QKeySequence(u"Ctrl+E"_qs));
    projects->close();

    ScheduleWindow *window = f.open();
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), u"Quorvel - Schedule"_qs);
    QCOMPARE(f.state.currentProjectID, f.project);
    QCOMPARE(WindowFixture::texts(WindowFixture::control<EntryList>(window, "scheduleChannels")),
             QStringList({u"Town TV (101)"_qs, u"Town Radio (7)"_qs}));
    QCOMPARE(window->channelID(), f.channel);
    QCOMPARE(shown(window), QStringList{u"2024-01-01|06:00|30|News"_qs});
    // Every column is named to assistive technology.
    QCOMPARE(table(window)->model()->headerData(3, Qt::Horizontal).toString(), u"End"_qs);

    // The title bar's close comes from the window system, spontaneous.
    if (byTitleBar) {
        QCloseEvent close;
        QSpontaneKeyEvent::setSpontaneous(&close);
        QApplication::instance()->notify(window, &close);
    } else
        WindowFixture::control<QAction>(window, "closeSchedule")->trigger();
    QTRY_VERIFY(WindowFixture::openWindow() &&
                WindowFixture::openWindow()->objectName() == u"projectSelection"_qs);
    QCOMPARE(WindowFixture::visibleWindowCount(), 1);
}

void ScheduleWindowTest::editCell_storesAsTypedUndoesExportsAndFailsAlone()
{
    ScheduleFixture f;
    f.add({u"2024-01-01|06:00|30|News"_qs, u"2024-01-01|06:30|30|Weather"_qs});
    f.db.exec(u"UPDATE ProgrammeData SET category = 'Local Interest' WHERE programmeID = 1"_qs);
    ScheduleWindow *window = f.open();
    QVERIFY(window);

    typeInto(window, 1, schedule::Name, u" Local & Weather "_qs);
    QTRY_COMPARE(f.stored().value(1), u"2024-01-01|06:30|30| Local & Weather "_qs);
    // A start typed later moves the row to its place.
    typeInto(window, 0, schedule::Start, u"0700"_qs);
    const QStringList edited = {u"2024-01-01|06:30|30| Local & Weather "_qs,
                                u"2024-01-01|0700|30|News"_qs};
    QTRY_COMPARE(f.stored(), edited);
    QCOMPARE(shown(window), f.stored());

    QTest::keyClick(window, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(f.stored(), QStringList({u"2024-01-01|06:00|30|News"_qs, edited.first()}));
    WindowFixture::control<QAction>(window, "undoAction")->trigger();
    QCOMPARE(f.stored(),
             QStringList({u"2024-01-01|06:00|30|News"_qs, u"2024-01-01|06:30|30|Weather"_qs}));
    QCOMPARE(shown(window), f.stored());
    QTest::keyClick(window, Qt::Key_Y, Qt::ControlModifier);
    QTest::keyClick(window, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(f.stored(), edited);

    // The category editor offers the list and keeps a category outside it.
    QTableView *view = table(window);
    view->setCurrentIndex(view->model()->index(1, schedule::Category));
    QTest::keyClick(view, Qt::Key_F2);
    auto *box = view->findChild<QComboBox *>(u"categoryEditor"_qs);
    QVERIFY(box);
    QCOMPARE(box->count(), 39);
    QCOMPARE(box->currentText(), u"Local Interest"_qs);
    QCOMPARE(box->itemText(1), u"Adult Entertainment"_qs);
    QCOMPARE(box->itemText(38), u"Travel"_qs);
    box->setCurrentIndex(box->findText(u"Film"_qs));
    QTest::keyClick(box, Qt::Key_Return);
    QTRY_COMPARE(
        f.db.value(u"SELECT category FROM ProgrammeData WHERE programmeID = 1"_qs).toString(),
        u"Film"_qs);
    QCOMPARE(window->undoStack()->index(), 3);

    // The guide export writes what the window shows.
    typeInto(window, 0, schedule::Duration, u"1h"_qs);
    const QString path = f.db.directory() + u"/guide.xml"_qs;
    QVERIFY(exports::writeProgrammeXml(f.project, path, f.state.connectionString));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray xml = file.readAll();
    QVERIFY2(xml.contains(" Local & Weather ") && xml.contains("1h"), xml.constData());

    // Another program removes a row behind the window's back: the change says
    // so once, is no step, the table shows the store afresh, and the steps
    // before it still undo.
    f.db.exec(u"DELETE FROM ProgrammeData WHERE programmeID = 1"_qs);
    f.dialogs.expectError();
    view->model()->setData(view->model()->index(1, schedule::Name), u"Sport"_qs);
    QTRY_VERIFY(f.dialogs.allAnswered());
    QCOMPARE(f.dialogs.asked().size(), 1);
    QVERIFY(f.dialogs.asked().last().text.contains(u"no longer in the database"_qs));
    QVERIFY(f.dialogs.asked().last().text.contains(f.db.path()));
    QCOMPARE(shown(window), f.stored());
    QCOMPARE(shown(window).size(), 1);
    QCOMPARE(window->undoStack()->count(), 4);
    window->undoStack()->undo();
    QCOMPARE(f.stored(), QStringList{edited.first()});
}

void ScheduleWindowTest::insertAndDelete_areUndoable()
{
    ScheduleFixture f;
    ScheduleWindow *window =
        f.open({u"31/01/2024|23:30|60|Late"_qs, u"01/02/2024|01:00|30|Night"_qs});
    QVERIFY(window);
    const QList<QVariantList> before = f.db.rows(u"SELECT * FROM ProgrammeData"_qs);

    selectRows(window, 0, 0);
    QTest::keyClick(table(window), Qt::Key_Insert);
    QCOMPARE(f.stored(),
             QStringList({u"31/01/2024|23:30|60|Late"_qs, u"01/02/2024|00:30|<null>|<null>"_qs,
                          u"01/02/2024|01:00|30|Night"_qs}));
    QCOMPARE(table(window)->selectionModel()->selectedRows().value(0).row(), 1);

    // One question for all the selected rows; No keeps them.
    selectRows(window, 1, 2);
    f.dialogs.answerConfirm(false);
    QTest::keyClick(table(window), Qt::Key_Delete);
    QCOMPARE(f.stored().size(), 3);
    f.dialogs.answerConfirm(true);
    QTest::keyClick(table(window), Qt::Key_Delete);
    QCOMPARE(f.dialogs.asked().last().text,
             u"Are you sure you want to delete the 2 selected programmes?"_qs);
    QCOMPARE(f.stored(), QStringList{u"31/01/2024|23:30|60|Late"_qs});

    // Undone, the deleted rows come back as they were, identifiers and all.
    window->undoStack()->undo();
    QCOMPARE(f.stored().size(), 3);
    window->undoStack()->undo();
    QCOMPARE(f.db.rows(u"SELECT * FROM ProgrammeData"_qs), before);
}

void ScheduleWindowTest::copyAndPaste_goThroughSpreadsheetText()
{
    ScheduleFixture f;
    ScheduleWindow *window =
        f.open({u"2024-01-01|06:00|30|Say \"Hi\""_qs, u"2024-01-01|06:30|30|Weather"_qs});
    QVERIFY(window);
    selectRows(window, 0, 1);
    QTest::keyClick(table(window), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(),
             u"2024-01-01\t06:00\t30\t06:30\t\"Say \"\"Hi\"\"\"\tNews\t\n"
             "2024-01-01\t06:30\t30\t07:00\tWeather\tNews\t\n"_qs);

    // Three rows from a spreadsheet, header and Windows line ends included,
    // go to the channel shown, as one step.
    WindowFixture::clickEntry(WindowFixture::control<EntryList>(window, "scheduleChannels"), 1);
    QCOMPARE(window->channelID(), f.other);
    table(window)->setFocus();
    QGuiApplication::clipboard()->setText(
        u"Date\tStart\tDuration\tEnd\tName\tCategory\tSynopsis\r\n"
        "2024-01-02\t07:00\t30\t\tBreakfast\tNews\t\"Line one\r\nLine two\"\r\n"
        "2024-01-02\t07:30\t30\t\tTravel\tTravel\t\r\n"
        "2024-01-02\t08:00\t1h\t\tMusic\tMusic\t\r\n"_qs);
    QTest::keyClick(table(window), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(f.stored(f.other),
             QStringList({u"2024-01-02|07:00|30|Breakfast"_qs, u"2024-01-02|07:30|30|Travel"_qs,
                          u"2024-01-02|08:00|1h|Music"_qs}));
    QCOMPARE(f.db.value(u"SELECT programmeDesc FROM ProgrammeData WHERE programmeName = "
                        "'Breakfast'"_qs)
                 .toString(),
             u"Line one\r\nLine two"_qs);
    window->undoStack()->undo();
    QCOMPARE(f.stored(f.other), QStringList());

    // A row that cannot be read stops the whole paste, and says where.
    QGuiApplication::clipboard()->setText(u"2024-01-02\t07:00\t30\t\tA\t\t\n"
                                          "2024-01-02\tseven\t30\t\tB\t\t\n"_qs);
    f.dialogs.expectError();
    QTest::keyClick(table(window), Qt::Key_V, Qt::ControlModifier);
    QVERIFY(f.dialogs.asked().last().text.contains(u"Row 2: the start \"seven\""_qs));
    QCOMPARE(f.stored(f.other), QStringList());
    QCOMPARE(window->undoStack()->count(), 1);
}

void ScheduleWindowTest::repeat_oneWeekFourTimes()
{
    ScheduleFixture f;
    ScheduleWindow *window =
        f.open({u"2024-01-29|06:00|30|News"_qs, u"2024-01-29|06:30|30|Weather"_qs});
    QVERIFY(window);
    selectRows(window, 0, 1);
    QCOMPARE(repeat(window, "everyWeek", 4), u"Adds 8 programmes."_qs);

    const QStringList repeated = {
        u"2024-01-29|06:00|30|News"_qs, u"2024-01-29|06:30|30|Weather"_qs,
        u"2024-02-05|06:00|30|News"_qs, u"2024-02-05|06:30|30|Weather"_qs,
        u"2024-02-12|06:00|30|News"_qs, u"2024-02-12|06:30|30|Weather"_qs,
        u"2024-02-19|06:00|30|News"_qs, u"2024-02-19|06:30|30|Weather"_qs,
        u"2024-02-26|06:00|30|News"_qs, u"2024-02-26|06:30|30|Weather"_qs};
    QCOMPARE(f.stored(), repeated);
    QCOMPARE(shown(window), repeated);
    const QVariant ids = QVariant::fromValue(
        f.db.rows(u"SELECT programmeID FROM ProgrammeData ORDER BY programmeID"_qs));
    // One step: one undo takes all eight away, one redo brings them back as they were.
    QTest::keyClick(window, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(f.stored(), repeated.mid(0, 2));
    QTest::keyClick(window, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(QVariant::fromValue(
                 f.db.rows(u"SELECT programmeID FROM ProgrammeData ORDER BY programmeID"_qs)),
             ids);
}

void ScheduleWindowTest::f8_movesThroughProblems()
{
    ScheduleFixture f;
    ScheduleWindow *window =
        f.open({u"2024-01-01|06:00|60|Overlaps"_qs, u"2024-01-01|06:30|30|Fine"_qs,
                u"2024-01-01|07:00|30|Gap after"_qs, u"2024-01-01|08:00|30|Fine"_qs,
                u"2024-01-01|08:30|soon|Unreadable"_qs});
    QVERIFY(window);
    QCOMPARE(problemCount(window), u"5 programmes: 1 overlap, 1 gap, 1 unreadable"_qs);
    const QAbstractItemModel *model = table(window)->model();
    QCOMPARE(model->index(0, schedule::Synopsis).data(Qt::AccessibleDescriptionRole).toString(),
             u"Overlaps the next programme by 30 minutes."_qs);
    QVERIFY(!model->index(0, 0).data(Qt::DecorationRole).isNull());
    QVERIFY(model->index(1, 0).data(Qt::AccessibleDescriptionRole).isNull());
    // Assistive technology meets a table whose cells carry their column and their problem.
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(table(window));
    QVERIFY(accessible && accessible->tableInterface());
    QAccessibleInterface *cell = accessible->tableInterface()->cellAt(0, schedule::Name);
    QVERIFY(cell);
    QCOMPARE(cell->tableCellInterface()->columnHeaderCells().value(0)->text(QAccessible::Name),
             u"Name"_qs);
    QCOMPARE(cell->text(QAccessible::Description),
             u"Overlaps the next programme by 30 minutes."_qs);

    QTableView *view = table(window);
    QList<int> visited;
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(view, Qt::Key_F8);
        visited << view->currentIndex().row();
    }
    QTest::keyClick(view, Qt::Key_F8, Qt::ShiftModifier);
    visited << view->currentIndex().row();
    QCOMPARE(visited, QList<int>({0, 2, 4, 0, 4}));

    // A gap the user allows is no longer a problem.
    WindowFixture::control<QSpinBox>(window, "gapMinutes")->setValue(30);
    QCOMPARE(problemCount(window), u"5 programmes: 1 overlap, 1 unreadable"_qs);
}

void ScheduleWindowTest::weekFromOneTypedDay()
{
    ScheduleFixture f;
    ScheduleWindow *window = f.open();
    QVERIFY(window);
    QTableView *view = table(window);

    // The first programme of an empty channel, then two that follow it.
    QTest::keyClick(view, Qt::Key_Insert);
    typeInto(window, 0, schedule::Date, u"04/03/2024"_qs);
    typeInto(window, 0, schedule::Start, u"06:00"_qs);
    typeInto(window, 0, schedule::Duration, u"60"_qs);
    typeInto(window, 0, schedule::Name, u"Breakfast"_qs);
    QTest::keyClick(view, Qt::Key_Insert);
    typeInto(window, 1, schedule::Duration, u"30"_qs);
    typeInto(window, 1, schedule::Name, u"News"_qs);
    QTest::keyClick(view, Qt::Key_Insert);
    typeInto(window, 2, schedule::Duration, u"1h"_qs);
    QCOMPARE(f.stored(),
             QStringList({u"04/03/2024|06:00|60|Breakfast"_qs, u"04/03/2024|07:00|30|News"_qs,
                          u"04/03/2024|07:30|1h|<null>"_qs}));
    QCOMPARE(problemCount(window), u"3 programmes: 1 without a name"_qs);

    // The day, every day of the week.
    view->selectAll();
    QVERIFY(!repeat(window, "everyDay", 6).isEmpty());
    QCOMPARE(f.stored().size(), 21);
    QCOMPARE(f.stored().last(), u"10/03/2024|07:30|1h|<null>"_qs);
    QCOMPARE(problemCount(window), u"21 programmes: 6 gaps, 7 without a name"_qs);

    // From the top, F8 finds the first one; naming it fixes one problem.
    selectRows(window, 0, 0);
    QTest::keyClick(view, Qt::Key_F8);
    QCOMPARE(view->currentIndex().row(), 2);
    typeInto(window, 2, schedule::Name, u"Music"_qs);
    QCOMPARE(problemCount(window), u"21 programmes: 6 gaps, 6 without a name"_qs);

    // Back to the single day, and forward again to the fixed week.
    const QStringList week = f.stored();
    QCOMPARE(window->undoStack()->count(), 12);
    QTest::keyClick(window, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(window, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(window->undoStack()->index(), 10);
    QCOMPARE(f.stored().size(), 3);
    QTest::keyClick(window, Qt::Key_Y, Qt::ControlModifier);
    QTest::keyClick(window, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(f.stored(), week);
    QCOMPARE(shown(window).size(), 21);
}

QTEST_MAIN(ScheduleWindowTest)
#include "tst_schedule_window.moc"
