#include "support/TestDatabase.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {

struct Run
{
    int exitCode = -1;
    QString err;
};

// The tool as a script runs it, with no display at all.
Run run(const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(QString::fromLatin1(name));
    process.setProcessEnvironment(environment);
    process.start(qEnvironmentVariable("QUORVEL_CLI"), arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardError())};
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class CliGuideTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void writes_data();
    void writes();
    void wrongUse_data();
    void wrongUse();
    void unknownProjectFails();

private:
    TestDatabase m_db;
    QTemporaryDir m_out;
    QString m_project;
};

void CliGuideTest::initTestCase()
{
    QVERIFY(m_db.isValid());
    const qint32 project = m_db.addProject(u"Town Listings"_qs);
    const qint32 channel = m_db.addChannel(project, u"Town TV"_qs, u"101"_qs);
    m_db.exec(u"INSERT INTO ProgrammeData (channelID, startDate, startTime, duration, "
              "programmeName, category) VALUES (?, '2024-06-10', '18:00', '30', 'Evening News', "
              "'News')"_qs,
              {channel});
    m_project = QString::number(project);
}

void CliGuideTest::writes_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<QByteArray>("signature");
    QTest::addColumn<int>("width");

    QTest::newRow("png, default width")
        << u"day.png"_qs << QStringList() << QByteArray("\x89PNG\r\n\x1a\n") << 4000;
    QTest::newRow("png, narrow") << u"narrow.png"_qs << QStringList{u"--width"_qs, u"800"_qs}
                                 << QByteArray("\x89PNG\r\n\x1a\n") << 800;
    QTest::newRow("svg") << u"day.svg"_qs << QStringList() << QByteArray("<?xml") << 0;
    QTest::newRow("pdf, in a zone") << u"day.pdf"_qs << QStringList{u"--tz"_qs, u"Europe/London"_qs}
                                    << QByteArray("%PDF-") << 0;
}

void CliGuideTest::writes()
{
    QFETCH(QString, file);
    QFETCH(QStringList, extra);
    QFETCH(QByteArray, signature);
    QFETCH(int, width);

    const QString out = m_out.filePath(file);
    const Run r = run(QStringList{u"guide-image"_qs, u"--db"_qs, m_db.path(), u"--project"_qs,
                                  m_project, u"--day"_qs, u"2024-06-10"_qs, u"--out"_qs, out} +
                      extra);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.err, QString());
    const QByteArray bytes = contents(out);
    QVERIFY(bytes.startsWith(signature));
    if (width) {
        // The width is the first field of the PNG's header chunk.
        QCOMPARE(qFromBigEndian<quint32>(bytes.constData() + 16), quint32(width));
    }
    if (file.endsWith(u".svg"_qs))
        QVERIFY(bytes.contains("Town TV"));
}

void CliGuideTest::wrongUse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("said");

    QTest::newRow("no day") << QStringList{u"--out"_qs, u"x.png"_qs} << u"needs --day"_qs;
    QTest::newRow("not a day") << QStringList{u"--day"_qs, u"10/06/2024"_qs, u"--out"_qs,
                                              u"x.png"_qs}
                               << u"is not a day"_qs;
    QTest::newRow("unknown kind") << QStringList{u"--day"_qs, u"2024-06-10"_qs, u"--out"_qs,
                                                 u"x.gif"_qs}
                                  << u".png, .svg or .pdf"_qs;
    QTest::newRow("width") << QStringList{u"--day"_qs, u"2024-06-10"_qs, u"--out"_qs,
                                          u"x.png"_qs, u"--width"_qs,    u"50"_qs}
                           << u"is not a width"_qs;
    QTest::newRow("zone") << QStringList{u"--day"_qs, u"2024-06-10"_qs, u"--out"_qs,
                                         u"x.png"_qs, u"--tz"_qs,       u"Mars/Olympus"_qs}
                          << u"Unknown time zone"_qs;
}

void CliGuideTest::wrongUse()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, said);
    const Run r =
        run(QStringList{u"guide-image"_qs, u"--db"_qs, m_db.path(), u"--project"_qs, m_project} +
            arguments);
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.contains(said), qPrintable(r.err));
}

void CliGuideTest::unknownProjectFails()
{
    const Run r = run({u"guide-image"_qs, u"--db"_qs, m_db.path(), u"--project"_qs, u"99"_qs,
                       u"--day"_qs, u"2024-06-10"_qs, u"--out"_qs, m_out.filePath(u"n.png"_qs)});
    QCOMPARE(r.exitCode, 1);
    QVERIFY(r.err.contains(u"no project with the identifier 99"_qs));
    QVERIFY(!QFile::exists(m_out.filePath(u"n.png"_qs)));
}

QTEST_GUILESS_MAIN(CliGuideTest)
#include "tst_cli_guide.moc"
