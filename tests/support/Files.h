#pragma once

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>

// Files and the companion tool as a script meets them, around the code under test.

inline QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Every file in the folder, hidden ones too.
inline QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// The time some minutes after new year 2024 UTC, in format.
inline QString afterNewYear(int minutes, const QString &format)
{
    return QDateTime(QDate(2024, 1, 1), QTime(0, 0), Qt::UTC)
        .addSecs(minutes * 60)
        .toString(format);
}

// An XMLTV guide of n programmes half an hour long, a minute apart from new
// year 2024 UTC, on the channels C0 and C1 by turns, titled P0, P1 and on.
inline QString writeLargeGuide(const QString &path, int n)
{
    QByteArray xml = "<tv><channel id=\"c0\"><display-name>C0</display-name></channel>\n"
                     "<channel id=\"c1\"><display-name>C1</display-name></channel>\n";
    const QString minutes = QStringLiteral("yyyyMMddhhmm");
    for (int i = 0; i < n; ++i) {
        xml += QStringLiteral("<programme start=\"%1\" stop=\"%2\" channel=\"c%3\"><title>P%4"
                              "</title></programme>\n")
                   .arg(afterNewYear(i, minutes), afterNewYear(i + 30, minutes),
                        QString::number(i % 2), QString::number(i))
                   .toUtf8();
    }
    return writeFile(path, xml + "</tv>\n") ? path : QString();
}

struct CliRun
{
    int exitCode = -1; // -1 when it crashed or never ended
    QString out;
    QString err;
};

// The companion tool, as CTest names it in QUORVEL_CLI or beside the tests
// when run by hand, with no display at all.
inline CliRun runCli(const QStringList &arguments, const QString &workingDirectory = QString())
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(QString::fromLatin1(name));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workingDirectory);
    process.start(qEnvironmentVariable("QUORVEL_CLI", QCoreApplication::applicationDirPath() +
                                                          QStringLiteral("/../quorvel-cli")),
                  arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}
