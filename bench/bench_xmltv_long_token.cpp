// Imports guides that each hold one very long piece of markup (an attribute,
// a comment) of 16 MiB and of 64 MiB, and prints how much more processor
// time the longer one takes. Work that grows with the length gives about 4;
// work that grows with its square gives about 16.
//
//   cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DQUORVEL_BENCH=ON
//   cmake --build build --target bench_xmltv_long_token
//   build/bench_xmltv_long_token

#include "store/Connection.h"
#include "store/Database.h"
#include "xmltv/XmltvImport.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <ctime>

namespace {

constexpr qint64 mebibyte = 1024 * 1024;

// A small guide with `size` bytes of 'x' inside the markup `before`...`after`.
bool writeGuide(const QString &path, const QByteArray &before, qint64 size, const QByteArray &after)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tv>\n"
               "<channel id=\"a\"><display-name>A</display-name></channel>\n"
               "<programme start=\"20240101060000 +0000\" channel=\"a\"><title>T</title>");
    file.write(before);
    const QByteArray block(mebibyte, 'x');
    for (qint64 left = size; left > 0; left -= block.size())
        file.write(block.constData(), qMin<qint64>(left, block.size()));
    file.write(after);
    file.write("</programme>\n</tv>\n");
    return file.error() == QFile::NoError;
}

// Processor seconds for importing the guide, or a negative number on a failure.
double importSeconds(const QString &database, qint32 projectID, const QString &guide)
{
    xmltv::XmltvImportControl control;
    // High enough to measure the reading rather than the refusal.
    control.limits.markupBytes = 256 * mebibyte;
    const std::clock_t start = std::clock();
    const auto imported = xmltv::importXmltv(database, projectID, guide, control);
    const double seconds = double(std::clock() - start) / CLOCKS_PER_SEC;
    if (!imported) {
        QTextStream(stderr) << imported.failure().text() << '\n';
        return -1;
    }
    return seconds;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir;
    const QString database = dir.filePath(QStringLiteral("quorvel.db"));
    if (!store::createDatabase(database)) {
        out << "cannot prepare the benchmark in " << dir.path() << '\n';
        return 1;
    }
    const auto added = store::write(database, QStringLiteral("bench"), [&](store::Connection &db) {
        return db.insert(QStringLiteral("ProjectData"),
                         {{QStringLiteral("projectName"), QStringLiteral("Bench")}});
    });
    if (!added)
        return 1;
    const auto projectID = qint32(added.value());

    const struct
    {
        const char *what;
        QByteArray before;
        QByteArray after;
    } pieces[] = {
        {"attribute", "<rating system=\"", "\"/>"},
        {"comment", "<!-- ", " -->"},
    };
    for (const auto &piece : pieces) {
        double seconds[2] = {};
        const qint64 sizes[2] = {16 * mebibyte, 64 * mebibyte};
        for (int i = 0; i < 2; ++i) {
            const QString guide = dir.filePath(QStringLiteral("guide.xml"));
            if (!writeGuide(guide, piece.before, sizes[i], piece.after))
                return 1;
            seconds[i] = importSeconds(database, projectID, guide);
            if (seconds[i] < 0)
                return 1;
        }
        out << "one " << piece.what << " of 16 MiB: " << QString::number(seconds[0], 'f', 2)
            << " s, of 64 MiB: " << QString::number(seconds[1], 'f', 2)
            << " s processor time; ratio " << QString::number(seconds[1] / seconds[0], 'f', 1)
            << '\n';
        out.flush();
    }
    return 0;
}
