#include "schedule/RepeatDialog.h"
#include "schedule/ScheduleModel.h"
#include "support/ScheduleFixture.h"

#include <QAccessible>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QUndoStack>

namespace {

using F = ScheduleFixture;

// "date|start|duration|name" of each programme of the channel, in start
// order: as stored, or with a window, as it shows them.
QStringList stored(TestDatabase &db, qint32 channelID)
{
    return db.texts(u"SELECT startDate, startTime, duration, programmeName FROM ProgrammeData "
                    "WHERE channelID = ? ORDER BY startDateKey, startTimeKey, programmeID"_qs,
                    {channelID});
}

QStringList shown(QWidget *w)
{
    QStringList result;
    const QAbstractItemModel *model = F::table(w)->model();
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
    QTableView *view = F::table(w);
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
    QTableView *view = F::table(w);
    view->setCurrentIndex(view->model()->index(row, column));
    QTest::keyClick(view, Qt::Key_F2);
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    QVERIFY(editor);
    // A screen reader says which column is being typed into.
    QCOMPARE(editor->accessibleName(), schedule::columnTitle(column));
    editor->selectAll();
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    // The editor hands its text over once it has closed.
    QTRY_COMPARE(w->undoStack()->index(), steps + 1);
}

} // namespace

class ScheduleWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void opensForSelectedProjectWithinTheScreenAndReturnsToIt_data()
    {
        QTest::addColumn<bool>("byTitleBar");
        QTest::newRow("File menu") << false;
        QTest::newRow("title bar") << true;
    }

    void opensForSelectedProjectWithinTheScreenAndReturnsToIt()
    {
        QFETCH(bool, byTitleBar);
        F f;
        f.add(f.channel, u"2024-01-01|06:00|30|News"_qs);
        ScheduleWindow *window = f.open();
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), u"Quorvel - Schedule"_qs);
        QCOMPARE(F::texts(F::control<EntryList>(window, "scheduleChannels")),
                 QStringList({u"Town TV (101)"_qs, u"Town Radio (7)"_qs}));
        QCOMPARE(window->channelID(), f.channel);
        QCOMPARE(shown(window), QStringList{u"2024-01-01|06:00|30|News"_qs});
        // Every column is named to assistive technology.
        QCOMPARE(F::table(window)->model()->headerData(3, Qt::Horizontal).toString(), u"End"_qs);
        // Every column in view on a screen of 1280 by 800, and within a smaller one.
        const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
        QVERIFY(window->width() >= qMin(1200, screen.width() - 20));
        QVERIFY(window->width() <= screen.width() && window->height() <= screen.height());
        // Scrolled across, the Date column stays at the table's left.
        window->resize(1000, 600);
        auto *frozen = F::table(window)->findChild<QTableView *>(u"frozenColumn"_qs);
        QVERIFY(frozen && !frozen->isVisible());
        F::table(window)->horizontalScrollBar()->setValue(
            F::table(window)->horizontalScrollBar()->maximum());
        QVERIFY(frozen->isVisible());
        QCOMPARE(frozen->columnWidth(schedule::Date),
                 F::table(window)->columnWidth(schedule::Date));

        // The title bar's close comes from the window system, spontaneous.
        if (byTitleBar) {
            QCloseEvent close;
            QSpontaneKeyEvent::setSpontaneous(&close);
            QApplication::instance()->notify(window, &close);
        } else {
            F::control<QAction>(window, "closeSchedule")->trigger();
        }
        QTRY_VERIFY(F::openWindow() && F::openWindow()->objectName() == u"projectSelection"_qs);
        QCOMPARE(F::visibleWindowCount(), 1);

        // Nothing is selected back in the project list, yet Ctrl+E opens
        // the same project's schedule again, and says so.
        QAction *again = F::control<QAction>(F::openWindow(), "openSchedule");
        QVERIFY(again->isEnabled());
        QCOMPARE(again->shortcut(), QKeySequence(u"Ctrl+E"_qs));
        QCOMPARE(again->text(), u"&Schedule of \u201cTown Listings\u201d..."_qs);
        again->trigger();
        QTRY_VERIFY(F::openWindow() && F::openWindow()->objectName() == u"schedule"_qs);
    }

    void editCell_storesAsTypedUndoesAndFailsAlone()
    {
        F f;
        f.add(f.channel, u"2024-01-01|06:00|30|News"_qs);
        f.add(f.channel, u"2024-01-01|06:30|30|Weather|Local Interest"_qs);
        ScheduleWindow *window = f.open();
        QVERIFY(window);
        const QStringList added = stored(f.db, f.channel);

        typeInto(window, 1, schedule::Name, u" Local & Weather "_qs);
        // A start typed later moves the row to its place.
        typeInto(window, 0, schedule::Start, u"0700"_qs);
        const QStringList edited = {u"2024-01-01|06:30|30| Local & Weather "_qs,
                                    u"2024-01-01|0700|30|News"_qs};
        QTRY_COMPARE(stored(f.db, f.channel), edited);
        QCOMPARE(shown(window), edited);

        // Undo and redo from the keyboard and the menu.
        QTest::keyClick(window, Qt::Key_Z, Qt::ControlModifier);
        F::control<QAction>(window, "undoAction")->trigger();
        QCOMPARE(stored(f.db, f.channel), added);
        QCOMPARE(shown(window), added);
        QTest::keyClick(window, Qt::Key_Y, Qt::ControlModifier);
        QTest::keyClick(window, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(stored(f.db, f.channel), edited);

        // The category editor offers the list and keeps a category outside it.
        QTableView *view = F::table(window);
        view->setCurrentIndex(view->model()->index(0, schedule::Category));
        QTest::keyClick(view, Qt::Key_F2);
        auto *box = view->findChild<QComboBox *>(u"categoryEditor"_qs);
        QVERIFY(box);
        QCOMPARE(box->count(), 39);
        QCOMPARE(box->currentText(), u"Local Interest"_qs);
        box->setCurrentIndex(box->findText(u"Film"_qs));
        QTest::keyClick(box, Qt::Key_Return);
        const QString category = u"SELECT category FROM ProgrammeData WHERE programmeID = 2"_qs;
        QTRY_COMPARE(f.db.value(category).toString(), u"Film"_qs);

        // Another program removes a row behind the window's back: the change says
        // so once, is no step, the table shows the store afresh, and the steps
        // before it still undo.
        f.db.exec(u"DELETE FROM ProgrammeData WHERE programmeID = 1"_qs);
        f.dialogs.expectError();
        view->model()->setData(view->model()->index(1, schedule::Name), u"Sport"_qs);
        QTRY_COMPARE(f.dialogs.asked().size(), 1);
        QCOMPARE(shown(window), QStringList{edited.first()});
        QCOMPARE(window->undoStack()->count(), 3);
        window->undoStack()->undo();
        QCOMPARE(f.db.value(category).toString(), u"Local Interest"_qs);
    }

    void insertAndDelete_areUndoable()
    {
        F f;
        f.add(f.channel, u"31/01/2024|23:30|60|Late"_qs);
        f.add(f.channel, u"01/02/2024|01:00|30|Night"_qs);
        ScheduleWindow *window = f.open();
        QVERIFY(window);
        const QList<QVariantList> before = f.db.rows(u"SELECT * FROM ProgrammeData"_qs);

        // Insert adds the programme that follows the selected one, selected.
        selectRows(window, 0, 0);
        QTest::keyClick(F::table(window), Qt::Key_Insert, Qt::ShiftModifier);
        // Shift+Insert also moves the rest of that day later by the new row's length.
        QCOMPARE(stored(f.db, f.channel),
                 QStringList({u"31/01/2024|23:30|60|Late"_qs, u"01/02/2024|00:30|60|<null>"_qs,
                              u"01/02/2024|02:00|30|Night"_qs}));
        window->undoStack()->undo();
        QCOMPARE(f.db.rows(u"SELECT * FROM ProgrammeData"_qs), before);
        selectRows(window, 0, 0);
        QTest::keyClick(F::table(window), Qt::Key_Insert);
        QCOMPARE(stored(f.db, f.channel).value(1), u"01/02/2024|00:30|60|<null>"_qs);
        QCOMPARE(F::table(window)->selectionModel()->selectedRows().value(0).row(), 1);

        // One question for all the selected rows; No keeps them.
        selectRows(window, 1, 2);
        f.dialogs.answerConfirm(false);
        QTest::keyClick(F::table(window), Qt::Key_Delete);
        QCOMPARE(stored(f.db, f.channel).size(), 3);
        f.dialogs.answerConfirm(true);
        QTest::keyClick(F::table(window), Qt::Key_Delete);
        QCOMPARE(f.dialogs.asked().last().text,
                 u"Are you sure you want to delete the 2 selected programmes, from \u201C(no "
                 u"name)\u201D (01/02/2024 00:30) to \u201CNight\u201D (01/02/2024 01:00)?"_qs);
        QCOMPARE(stored(f.db, f.channel), QStringList{u"31/01/2024|23:30|60|Late"_qs});

        // Undone, the deleted rows come back as they were, identifiers and all.
        window->undoStack()->undo();
        window->undoStack()->undo();
        QCOMPARE(f.db.rows(u"SELECT * FROM ProgrammeData"_qs), before);

        // A channel without programmes gets a first one.
        F::clickEntry(F::control<EntryList>(window, "scheduleChannels"), 1);
        F::table(window)->setFocus();
        QTest::keyClick(F::table(window), Qt::Key_Insert);
        QCOMPARE(stored(f.db, f.other).size(), 1);
    }

    void copyAndPaste_goThroughSpreadsheetText()
    {
        F f;
        f.add(f.channel, u"2024-01-01|06:00|30|Say \"Hi\""_qs);
        f.add(f.channel, u"2024-01-01|06:30|30|Weather"_qs);
        ScheduleWindow *window = f.open();
        QVERIFY(window);
        selectRows(window, 0, 1);
        QTest::keyClick(F::table(window), Qt::Key_C, Qt::ControlModifier);

        // Rows go to the channel shown, as one step.
        F::clickEntry(F::control<EntryList>(window, "scheduleChannels"), 1);
        F::table(window)->setFocus();
        QTest::keyClick(F::table(window), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(stored(f.db, f.other), QStringList({u"2024-01-01|06:00|30|Say \"Hi\""_qs,
                                                     u"2024-01-01|06:30|30|Weather"_qs}));
        window->undoStack()->undo();
        QCOMPARE(stored(f.db, f.other), QStringList());

        // Text that cannot be read is said once and adds nothing.
        QGuiApplication::clipboard()->setText(u"2024-01-02\tseven\t30\t\tB\t\t\n"_qs);
        f.dialogs.expectError();
        QTest::keyClick(F::table(window), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(stored(f.db, f.other), QStringList());
        QCOMPARE(window->undoStack()->count(), 1);
    }

    void repeat_isOneStepThroughItsDialog()
    {
        F f;
        f.add(f.channel, u"2024-01-29|06:00|30|News"_qs);
        f.add(f.channel, u"2024-01-29|06:30|30|Weather"_qs);
        ScheduleWindow *window = f.open();
        QVERIFY(window);
        selectRows(window, 0, 1);
        QTest::keyClick(window, Qt::Key_R, Qt::ControlModifier);
        auto *dialog = window->findChild<RepeatDialog *>(u"repeatDialog"_qs);
        QVERIFY(dialog && dialog->isVisible());
        // The keyboard starts on the repeat that is checked.
        QCOMPARE(dialog->focusWidget(), F::control<QRadioButton>(dialog, "everyWeek"));
        F::control<QRadioButton>(dialog, "everyWeekday")->click();
        F::control<QRadioButton>(dialog, "everyWeek")->click();
        F::control<QSpinBox>(dialog, "repeatTimes")->setValue(4);
        QCOMPARE(F::control<QLabel>(dialog, "repeatCount")->text(), u"Adds 8 programmes."_qs);
        F::click(dialog, "repeatOk");
        QCOMPARE(stored(f.db, f.channel).value(9), u"2024-02-26|06:30|30|Weather"_qs);
        QCOMPARE(shown(window), stored(f.db, f.channel));

        // One undo takes all eight away; that a redo brings back the same rows
        // is the step's own test.
        window->undoStack()->undo();
        QCOMPARE(stored(f.db, f.channel).size(), 2);

        // The next repeat offers the last one again.
        selectRows(window, 0, 1);
        QTest::keyClick(window, Qt::Key_R, Qt::ControlModifier);
        dialog = window->findChildren<RepeatDialog *>(u"repeatDialog"_qs).constLast();
        QVERIFY(dialog->isVisible());
        QVERIFY(F::control<QRadioButton>(dialog, "everyWeek")->isChecked());
        QCOMPARE(F::control<QSpinBox>(dialog, "repeatTimes")->value(), 4);
        dialog->reject();
    }

    void f8_movesThroughProblems()
    {
        F f;
        for (const QString &p :
             {u"2024-01-01|06:00|60|Overlaps"_qs, u"2024-01-01|06:30|30|Fine"_qs,
              u"2024-01-01|07:00|30|Gap after"_qs, u"2024-01-01|08:00|30|Fine"_qs,
              u"2024-01-01|08:30|soon|Unreadable"_qs})
            f.add(f.channel, p);
        ScheduleWindow *window = f.open();
        QVERIFY(window);
        const QLabel *problems = F::control<QLabel>(window, "problemCount");
        QCOMPARE(problems->text(), u"5 programmes: 1 overlap, 1 gap, 1 unreadable"_qs);
        const QAbstractItemModel *model = F::table(window)->model();
        // An overlap and a gap have marks of their own, in the row's header
        // too, which stays in view when the table is scrolled across.
        const auto mark = [model](int row) {
            return model->headerData(row, Qt::Vertical, Qt::DecorationRole)
                .value<QIcon>()
                .pixmap(16)
                .toImage();
        };
        QVERIFY(!mark(0).isNull() && !mark(2).isNull() && mark(0) != mark(2));
        QVERIFY(!model->index(0, 0).data(Qt::DecorationRole).isNull());
        // Assistive technology meets a table whose cells carry their column and their problem.
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(F::table(window));
        QVERIFY(accessible && accessible->tableInterface());
        QAccessibleInterface *cell = accessible->tableInterface()->cellAt(0, schedule::Name);
        QVERIFY(cell);
        QCOMPARE(cell->tableCellInterface()->columnHeaderCells().value(0)->text(QAccessible::Name),
                 u"Name"_qs);
        QCOMPARE(cell->text(QAccessible::Description),
                 u"Overlaps the next programme by 30 minutes."_qs);

        QTableView *view = F::table(window);
        QList<int> visited;
        for (const auto back : {false, false, false, false, true}) {
            QTest::keyClick(view, Qt::Key_F8, back ? Qt::ShiftModifier : Qt::NoModifier);
            visited << view->currentIndex().row();
        }
        QCOMPARE(visited, QList<int>({0, 2, 4, 0, 4}));

        // A gap the user allows is no longer a problem; naming a row is checked at once.
        F::control<QSpinBox>(window, "gapMinutes")->setValue(30);
        typeInto(window, 1, schedule::Name, QString(u' '));
        QCOMPARE(problems->text(), u"5 programmes: 1 overlap, 1 unreadable, 1 without a name"_qs);
    }
};

QTEST_MAIN(ScheduleWindowTest)
#include "tst_schedule_window.moc"
