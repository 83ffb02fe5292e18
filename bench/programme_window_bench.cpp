// How long the programme window takes to open for a channel with many
// programmes: the list query alone, and the whole opening (query, fill,
// showing the window) up to the first paint of the list.
//
// Build with -DQUORVEL_BENCH=ON, then run
//   bench_programme_window [COUNT...]      (default: 100000 1000000)
// or, for bench/speed.sh, open the window once on a database of its own and
// print the milliseconds to the first paint and the memory then held:
//   bench_programme_window --open DATABASE CHANNEL
// It runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.

#include "NoDialogs.h"
#include "app/Navigator.h"
#include "programmes/Programmes.h"
#include "store/Database.h"
#include "store/Module1.h"
#include "store/ProgrammeRow.h"
#include "widgets/AppWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

QTextStream out(stdout);

using bench::fail;
using bench::NoDialogs;

// Notes the first paint of the programme list.
class PaintWatch final : public QObject
{
public:
    bool painted = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && watched->parent() &&
            watched->parent()->objectName() == QLatin1String("progList"))
            painted = true;
        return false;
    }
};

// Start dates and times in every form the list orders, in random order, so
// that the rows lie in the file in another order than the list shows them.
void fill(const QString &path, qint32 channelID, int count)
{
    const QString name = QStringLiteral("bench-fill");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open())
            fail(db.lastError().text());
        QSqlQuery query(db);
        query.exec(QStringLiteral("PRAGMA synchronous = OFF"));
        db.transaction();
        using Column = store::tables::Programme;
        store::ColumnNames columns = {Column::channelId};
        columns << store::editorColumns();
        query.prepare(store::insertStatement(Column::table, columns));
        QRandomGenerator random(20240101);
        const QStringList &categories = programmes::categories();
        for (int i = 0; i < count; ++i) {
            const int year = 2000 + random.bounded(30);
            const int month = 1 + random.bounded(12);
            const int day = 1 + random.bounded(28);
            const int hour = random.bounded(24);
            const int minute = random.bounded(60);
            QString date;
            switch (random.bounded(3)) {
            case 0:
                date = QString::asprintf("%04d-%02d-%02d", year, month, day);
                break;
            case 1:
                date = QString::asprintf("%02d/%02d/%04d", day, month, year);
                break;
            default:
                date = QString::asprintf("%04d%02d%02d", year, month, day);
            }
            QString time;
            switch (random.bounded(4)) {
            case 0:
                time = QString::asprintf("%02d:%02d", hour, minute);
                break;
            case 1:
                time = QString::asprintf("%d:%02d", hour, minute);
                break;
            case 2:
                time = QString::asprintf("%02d:%02d:00", hour, minute);
                break;
            default:
                time = QString::asprintf("%02d%02d", hour, minute);
            }
            store::ProgrammeRow row;
            row.channelID = channelID;
            row.programmeName = QStringLiteral("Programme number %1").arg(i);
            row.programmeDesc = QStringLiteral("A synopsis of some length for programme %1").arg(i);
            row.startDate = date;
            row.startTime = time;
            row.duration = QStringLiteral("30");
            row.category = categories.at(random.bounded(int(categories.size())));
            store::bindRow(query, row, columns);
            if (!query.exec())
                fail(query.lastError().text());
        }
        db.commit();
        query = QSqlQuery();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

void measure(int count)
{
    QTemporaryDir dir;
    const QString path = store::joinDatabasePath(dir.path());
    if (auto created = store::createDatabase(path); !created)
        fail(created.failure().text());
    QElapsedTimer timer;
    timer.start();
    // Another channel's programmes around this one's, as in a real project.
    fill(path, 1, count / 10);
    fill(path, 2, count);
    fill(path, 3, count / 10);
    out << count << " programmes: database made in " << timer.elapsed() << " ms\n";

    Module1 state;
    state.connectionString = path;
    state.currentChannelID = 2;
    NoDialogs dialogs;
    Navigator navigator(state, dialogs, dir.path());
    PaintWatch watch;
    qApp->installEventFilter(&watch);

    const int runs = 3;
    QList<double> queries;
    QList<double> openings;
    // In the program this window is never the first one shown: open it once
    // for an empty channel so that starting Qt's widgets is not counted.
    state.currentChannelID = 99;
    navigator.moveTo(nullptr, WindowKind::ProgrammeSelection)->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    state.currentChannelID = 2;

    // The window opens first in each run, so the first opening meets a
    // fresh connection just as the user's first opening would.
    for (int run = 0; run < runs; ++run) {
        watch.painted = false;
        timer.restart();
        AppWindow *window = navigator.moveTo(nullptr, WindowKind::ProgrammeSelection);
        while (!watch.painted)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        openings << timer.nsecsElapsed() / 1e6;
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        timer.restart();
        const auto listed = programmes::listProgrammes(path, 2);
        queries << timer.nsecsElapsed() / 1e6;
        if (!listed || listed.value().size() != count)
            fail(QStringLiteral("the list query did not return every programme"));
    }
    qApp->removeEventFilter(&watch);
    out << "  list query:                       first " << queries.first() << " ms, median "
        << median(queries) << " ms\n";
    out << "  window open (query, fill, paint): first " << openings.first() << " ms, median "
        << median(openings) << " ms\n";
    out.flush();
}

// The process's resident memory, in KiB, now and at its peak.
QPair<qint64, qint64> residentKib()
{
    QFile status(QStringLiteral("/proc/self/status"));
    qint64 now = 0, peak = 0;
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            const QList<QByteArray> words = line.simplified().split(' ');
            if (words.size() >= 2 && words.at(0) == "VmRSS:")
                now = words.at(1).toLongLong();
            if (words.size() >= 2 && words.at(0) == "VmHWM:")
                peak = words.at(1).toLongLong();
        }
    }
    return {now, peak};
}

int openOnce(const QString &path, qint32 channelID)
{
    Module1 state;
    state.connectionString = path;
    state.currentChannelID = channelID;
    NoDialogs dialogs;
    Navigator navigator(state, dialogs, QFileInfo(path).absolutePath());
    PaintWatch watch;
    qApp->installEventFilter(&watch);
    QElapsedTimer timer;
    timer.start();
    AppWindow *window = navigator.moveTo(nullptr, WindowKind::ProgrammeSelection);
    while (!watch.painted)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    const double ms = timer.nsecsElapsed() / 1e6;
    const auto [now, peak] = residentKib();
    out << "open_ms " << ms << " rss_kib " << now << " peak_kib " << peak << '\n';
    out.flush();
    window->close();
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 4 && QByteArray(argv[1]) == "--open")
        return openOnce(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toInt());
    QList<int> counts;
    for (int i = 1; i < argc; ++i)
        counts << QByteArray(argv[i]).toInt();
    if (counts.isEmpty())
        counts = {100000, 1000000};
    out.setRealNumberPrecision(1);
    out.setRealNumberNotation(QTextStream::FixedNotation);
    for (int count : counts)
        measure(count);
    return 0;
}
