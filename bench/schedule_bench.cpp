// How the schedule window copes with a large channel: opening it over a
// channel of many programmes up to the first paint of the table, scrolling
// it page by page, and a repeat of a 150-programme week for a year (7,800
// programmes) through the Repeat dialog, with its undo and redo.
//
// Build with -DQUORVEL_BENCH=ON, then run
//   bench_schedule [COUNT]      (default: 100000)
// It runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.

#include "NoDialogs.h"
#include "app/Navigator.h"
#include "schedule/RepeatDialog.h"
#include "schedule/Schedule.h"
#include "schedule/ScheduleTimes.h"
#include "schedule/ScheduleWindow.h"
#include "store/Connection.h"
#include "store/Database.h"
#include "store/Module1.h"
#include "widgets/EntryList.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextStream>
#include <QUndoStack>

#include <cstdlib>

namespace {

QTextStream out(stdout);

using bench::fail;
using bench::NoDialogs;

// Back-to-back programmes of `minutes` each from the first of January 2024,
// with the dates typed in the three forms people use.
QList<schedule::Programme> back(int count, int minutes)
{
    QList<schedule::Programme> programmes;
    programmes.reserve(count);
    const QDateTime first(QDate(2024, 1, 1), QTime(6, 0), Qt::UTC);
    const QString forms[] = {QStringLiteral("yyyy-MM-dd"), QStringLiteral("dd/MM/yyyy"),
                             QStringLiteral("yyyyMMdd")};
    for (int i = 0; i < count; ++i) {
        const QDateTime start = first.addSecs(qint64(i) * minutes * 60);
        schedule::Programme p;
        p.startDate = start.date().toString(forms[i % 3]);
        p.startTime = start.time().toString(QStringLiteral("HH:mm"));
        p.duration = QString::number(minutes);
        p.programmeName = QStringLiteral("Programme number %1").arg(i);
        p.category = QStringLiteral("News");
        p.programmeDesc = QStringLiteral("A synopsis of some length for programme %1").arg(i);
        programmes << p;
    }
    return programmes;
}

double ms(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const int count = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    out.setRealNumberPrecision(1);
    out.setRealNumberNotation(QTextStream::FixedNotation);

    QTemporaryDir dir;
    const QString path = store::joinDatabasePath(dir.path());
    if (auto created = store::createDatabase(path); !created)
        fail(created.failure().text());
    Module1 state;
    state.connectionString = path;
    NoDialogs dialogs;
    Navigator navigator(state, dialogs, dir.path());

    // Channel 1 is the large one, listed first so that the window opens on it;
    // channel 2 holds one week of 150 programmes.
    {
        QElapsedTimer timer;
        timer.start();
        auto made = [&](const QString &sql) {
            if (auto done =
                    store::write(path, sql, [&](store::Connection &db) { return db.execute(sql); });
                !done)
                fail(done.failure().text());
        };
        made(QStringLiteral("INSERT INTO ProjectData (projectName) VALUES ('Bench')"));
        made(QStringLiteral("INSERT INTO ChannelData (projectID, channelName, channelNumber) "
                            "VALUES (1, 'Large', '1'), (1, 'Week', '2')"));
        if (auto added = schedule::addProgrammes(path, 1, back(count, 30)); !added)
            fail(added.failure().text());
        // 150 programmes in 7 days: 67 minutes each.
        if (auto added = schedule::addProgrammes(path, 2, back(150, 67)); !added)
            fail(added.failure().text());
        out << count << " programmes stored in " << timer.elapsed() << " ms\n";
    }
    state.currentProjectID = 1;

    // The first window of a run starts Qt's widgets; the program never opens
    // the schedule first, so one other window is opened and closed before.
    navigator.moveTo(nullptr, WindowKind::ProjectSelection)->close();
    settle();

    QList<double> opens;
    ScheduleWindow *window = nullptr;
    QTableView *table = nullptr;
    for (int run = 0; run < 3; ++run) {
        if (window) {
            window->close();
            settle();
        }
        QElapsedTimer timer;
        timer.start();
        window = qobject_cast<ScheduleWindow *>(navigator.moveTo(nullptr, WindowKind::Schedule));
        table = window->findChild<QTableView *>(QStringLiteral("scheduleTable"));
        table->viewport()->repaint();
        opens << ms(timer);
        if (table->model()->rowCount() != count)
            fail(QStringLiteral("the table does not hold every programme"));
    }
    std::sort(opens.begin(), opens.end());
    out << "open the window over " << count << " programmes (load, check, paint): median "
        << opens.at(1) << " ms, worst " << opens.last() << " ms\n";

    {
        QElapsedTimer timer;
        timer.start();
        auto loaded = schedule::loadSchedule(path, 1);
        const double load = ms(timer);
        timer.restart();
        const auto checks = schedule::checkSchedule(loaded.value(), 0, QTimeZone::systemTimeZone());
        out << "  of which: read " << load << " ms, check " << ms(timer) << " ms\n";
    }

    // Page by page from the top, then by the scroll bar to a hundred places
    // anywhere in the table; each time the visible rows are drawn (into a
    // picture, which draws whatever the display would show).
    {
        QScrollBar *bar = table->verticalScrollBar();
        QElapsedTimer timer;
        QList<double> pages;
        for (int page = 0; page < 500; ++page) {
            timer.start();
            bar->setValue(bar->value() + bar->pageStep());
            const QPixmap drawn = table->viewport()->grab();
            pages << ms(timer);
        }
        for (int jump = 0; jump < 100; ++jump) {
            timer.start();
            bar->setValue(int(qint64(bar->maximum()) * ((jump * 37) % 100) / 100));
            const QPixmap drawn = table->viewport()->grab();
            pages << ms(timer);
        }
        std::sort(pages.begin(), pages.end());
        out << "scroll a page and draw it (" << table->viewport()->height() / table->rowHeight(0)
            << " rows): median " << pages.at(pages.size() / 2) << " ms, worst " << pages.last()
            << " ms\n";
    }

    // One cell typed in the large channel: stored, checked again, shown.
    {
        QElapsedTimer timer;
        timer.start();
        const int steps = window->undoStack()->index();
        table->model()->setData(table->model()->index(count / 2, schedule::Name),
                                QStringLiteral("Renamed"));
        while (window->undoStack()->index() == steps)
            QCoreApplication::processEvents();
        table->viewport()->repaint();
        const double edit = ms(timer);
        timer.restart();
        table->model()->setData(table->model()->index(count / 2, schedule::Start),
                                QStringLiteral("06:01"));
        while (window->undoStack()->index() == steps + 1)
            QCoreApplication::processEvents();
        table->viewport()->repaint();
        out << "edit a name: " << edit << " ms; a start (the table read again): " << ms(timer)
            << " ms\n";
    }

    // The week channel: select all 150, Repeat, every week, 52 times.
    auto *channels = window->findChild<EntryList *>(QStringLiteral("scheduleChannels"));
    channels->selectRow(1);
    table->selectAll();
    window->repeatProgrammes();
    auto *dialog = window->findChild<RepeatDialog *>(QStringLiteral("repeatDialog"));
    dialog->findChild<QRadioButton *>(QStringLiteral("everyWeek"))->setChecked(true);
    dialog->findChild<QSpinBox *>(QStringLiteral("repeatTimes"))->setValue(52);
    QElapsedTimer timer;
    timer.start();
    dialog->findChild<QPushButton *>(QStringLiteral("repeatOk"))->click();
    table->viewport()->repaint();
    const double repeat = ms(timer);
    if (table->model()->rowCount() != 150 * 53)
        fail(QStringLiteral("the repeat did not add 7,800 programmes"));
    timer.restart();
    window->undoStack()->undo();
    table->viewport()->repaint();
    const double undo = ms(timer);
    if (table->model()->rowCount() != 150)
        fail(QStringLiteral("the undo did not take the copies away"));
    timer.restart();
    window->undoStack()->redo();
    table->viewport()->repaint();
    const double redo = ms(timer);
    out << "repeat 150 programmes weekly 52 times (7,800 added, stored, shown): " << repeat
        << " ms; undo " << undo << " ms; redo " << redo << " ms\n";

    // The same step in the large channel: the table it shows again is larger.
    channels->selectRow(0);
    table->selectionModel()->select(
        QItemSelection(table->model()->index(0, 0),
                       table->model()->index(149, schedule::ColumnCount - 1)),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    window->repeatProgrammes();
    dialog = window->findChild<RepeatDialog *>(QStringLiteral("repeatDialog"));
    dialog->findChild<QSpinBox *>(QStringLiteral("repeatTimes"))->setValue(52);
    timer.restart();
    dialog->findChild<QPushButton *>(QStringLiteral("repeatOk"))->click();
    table->viewport()->repaint();
    const double largeRepeat = ms(timer);
    timer.restart();
    window->undoStack()->undo();
    table->viewport()->repaint();
    out << "the same in the channel of " << count << ": " << largeRepeat << " ms; undo "
        << ms(timer) << " ms\n";
    out.flush();
    window->close();
    settle();
    return 0;
}
