// Imports a generated XMLTV guide of a million programmes into a fresh
// database and prints how many programmes per second went in.
//
//   cmake -S . -B build -DQUORVEL_BENCH=ON
//   cmake --build build --target bench_xmltv_import
//   build/bench_xmltv_import [PROGRAMMES]

#include "xmltv/XmltvImport.h"
#include "store/Connection.h"
#include "store/Database.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <ctime>

namespace {

constexpr int channelCount = 20;

const char *const categories[] = {"News", "Drama", "Sport", "Film", "Documentary", "Comedy"};

// Programmes of half an hour, channel after channel, as grabbers write them.
bool writeGuide(const QString &path, qint64 programmes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QTextStream out(&file);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE tv SYSTEM \"xmltv.dtd\">\n"
           "<tv generator-info-name=\"bench\">\n";
    for (int c = 0; c < channelCount; ++c) {
        out << "  <channel id=\"ch" << c << ".bench\">\n    <display-name>Channel " << c
            << "</display-name>\n    <icon src=\"http://example.org/logo" << c
            << ".png\" />\n  </channel>\n";
    }
    const qint64 perChannel = (programmes + channelCount - 1) / channelCount;
    const QDateTime first(QDate(2024, 1, 1), QTime(6, 0), Qt::UTC);
    qint64 written = 0;
    for (int c = 0; c < channelCount && written < programmes; ++c) {
        for (qint64 i = 0; i < perChannel && written < programmes; ++i, ++written) {
            const QDateTime start = first.addSecs(i * 1800);
            const QDateTime stop = start.addSecs(1800);
            out << "  <programme start=\"" << start.toString(QStringLiteral("yyyyMMddhhmmss"))
                << " +0000\" stop=\"" << stop.toString(QStringLiteral("yyyyMMddhhmmss"))
                << " +0000\" channel=\"ch" << c << ".bench\">\n"
                << "    <title>Programme " << i << " &amp; friends</title>\n"
                << "    <desc>An episode of the programme, number " << i << ".</desc>\n"
                << "    <category>" << categories[i % 6] << "</category>\n"
                << "  </programme>\n";
        }
    }
    out << "</tv>\n";
    out.flush();
    return file.error() == QFile::NoError;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const qint64 programmes = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1000000;
    QTextStream out(stdout);

    QTemporaryDir dir;
    const QString guide = dir.filePath(QStringLiteral("guide.xml"));
    const QString database = dir.filePath(QStringLiteral("quorvel.db"));
    if (!writeGuide(guide, programmes) || !store::createDatabase(database)) {
        out << "cannot prepare the benchmark in " << dir.path() << '\n';
        return 1;
    }
    qint32 projectID = 0;
    const auto added = store::write(database, QStringLiteral("bench"), [&](store::Connection &db) {
        return db.insert(QStringLiteral("ProjectData"),
                         {{QStringLiteral("projectName"), QStringLiteral("Bench")}});
    });
    if (!added) {
        out << added.failure().text() << '\n';
        return 1;
    }
    projectID = qint32(added.value());

    QElapsedTimer timer;
    timer.start();
    const std::clock_t cpuStart = std::clock();
    const auto imported = xmltv::importXmltv(database, projectID, guide);
    const double seconds = timer.nsecsElapsed() / 1e9;
    const double cpuSeconds = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    if (!imported) {
        out << imported.failure().text() << '\n';
        return 1;
    }
    out << "imported " << imported.value().programmes << " programmes ("
        << QFile(guide).size() / (1024 * 1024) << " MiB of XMLTV) in "
        << QString::number(seconds, 'f', 2)
        << " s: " << QString::number(imported.value().programmes / seconds, 'f', 0)
        << " programmes per second\n"
        // On a shared machine the processor time shows what the import needs
        // when it has a core to itself.
        << "processor time " << QString::number(cpuSeconds, 'f', 2)
        << " s: " << QString::number(imported.value().programmes / cpuSeconds, 'f', 0)
        << " programmes per processor second\n";
    return 0;
}
