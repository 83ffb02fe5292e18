// How fast a day of the guide grid is drawn: 100 channels of a full day
// (programmes of 15 to 120 minutes, a few overlapping) laid out and drawn
// whole, as the window draws a screen and as a print draws every row, and
// the same day written as a PNG 4000 pixels wide. Goals: drawing under
// 100 ms, the PNG under 1 s.
//
// Build with -DQUORVEL_BENCH=ON, then run
//   bench_grid [CHANNELS]      (default: 100)
// It runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.

#include "grid/GridLayout.h"
#include "grid/GridPainter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

namespace {

QList<grid::Channel> day(int channelCount, QDate date)
{
    const QStringList categories = {u"News"_qs,      u"Drama"_qs,  u"Film"_qs,  u"Sitcom"_qs,
                                    u"Childrens"_qs, u"Nature"_qs, u"Sport"_qs, u"Music"_qs};
    const int lengths[] = {15, 30, 30, 45, 60, 60, 90, 120};
    QList<grid::Channel> channels;
    qint32 id = 0;
    for (int c = 0; c < channelCount; ++c) {
        grid::Channel channel{
            c + 1, u"Channel %1 with a longer name"_qs.arg(c + 1), QString::number(100 + c), {}};
        int minute = -60 + (c * 7) % 60; // starts the evening before
        for (int i = 0; minute < 24 * 60; ++i) {
            const int length = lengths[(c + i * 3) % 8];
            const QDate on = minute < 0 ? date.addDays(-1) : date;
            const int at = (minute + 24 * 60) % (24 * 60);
            grid::Programme p;
            p.programmeID = ++id;
            p.startDate = on.toString(u"yyyy-MM-dd"_qs);
            p.startTime = u"%1:%2"_qs.arg(at / 60, 2, 10, QLatin1Char('0'))
                              .arg(at % 60, 2, 10, QLatin1Char('0'));
            p.duration = QString::number(length);
            p.programmeName = u"Programme number %1 of the day"_qs.arg(i + 1);
            p.category = categories.at((c + i) % categories.size());
            channel.programmes.append(p);
            // Now and then the next one starts five minutes early.
            minute += length - (i % 11 == 5 ? 5 : 0);
        }
        channels.append(channel);
    }
    return channels;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int channelCount = argc > 1 ? std::max(1, atoi(argv[1])) : 100;
    QTextStream out(stdout);
    const QDate date(2024, 6, 10);
    const QList<grid::Channel> channels = day(channelCount, date);

    // The best of five runs of each, after one to warm the font caches.
    const auto best = [](auto &&work) {
        qint64 fastest = -1;
        for (int run = 0; run < 6; ++run) {
            QElapsedTimer timer;
            timer.start();
            work();
            const qint64 ms = timer.elapsed();
            if (run > 0 && (fastest < 0 || ms < fastest))
                fastest = ms;
        }
        return fastest;
    };

    grid::Layout layout;
    const qint64 layOut = best([&] { layout = grid::layOut(channels, date); });
    out << channelCount << " channels, " << layout.blocks.size() << " programmes\n";
    out << "lay out the day:               " << layOut << " ms\n";

    const grid::Picture picture(layout);
    QImage screen(1280, 800, QImage::Format_ARGB32_Premultiplied);
    const qint64 onScreen = best([&] {
        QPainter painter(&screen);
        picture.paint(painter, QRectF(0, 0, 1280, 800));
    });
    out << "draw one screen (1280x800):    " << onScreen << " ms\n";

    QImage whole(int(picture.width()), int(picture.height()), QImage::Format_ARGB32_Premultiplied);
    const qint64 all = best([&] {
        grid::Picture fresh(grid::layOut(channels, date));
        QPainter painter(&whole);
        fresh.paint(painter, QRectF(0, 0, fresh.width(), fresh.height()));
    });
    out << "lay out and draw every row:    " << all << " ms  (goal: under 100 ms)\n";

    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(u"day.png"_qs);
    QString problem;
    const qint64 png = best([&] { problem = grid::writePicture(layout, u"Bench"_qs, path, 4000, QString()); });
    if (!problem.isEmpty()) {
        out << "could not write the PNG: " << problem << '\n';
        return 1;
    }
    out << "write the PNG, 4000 px wide:   " << png << " ms  (goal: under 1000 ms), "
        << QFileInfo(path).size() / 1024 << " KiB\n";
    return 0;
}
