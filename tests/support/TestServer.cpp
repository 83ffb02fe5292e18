#include "support/TestServer.h"

#include <QAtomicInteger>
#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QUrl>

#include <libpq-fe.h>

namespace {

QString serverFile(const QString &name)
{
    const QString dir = qEnvironmentVariable("QUORVEL_TEST_PG_DIR");
    return dir.isEmpty() ? QString() : dir + QLatin1Char('/') + name;
}

} // namespace

QString runOnServer(const QString &url, const QString &sql)
{
    PGconn *connection = PQconnectdb(url.toUtf8().constData());
    QString error;
    if (PQstatus(connection) != CONNECTION_OK) {
        error = QString::fromUtf8(PQerrorMessage(connection));
    } else {
        PGresult *result = PQexec(connection, sql.toUtf8().constData());
        if (PQresultStatus(result) != PGRES_COMMAND_OK)
            error = QString::fromUtf8(PQresultErrorMessage(result));
        PQclear(result);
    }
    PQfinish(connection);
    return error.trimmed();
}

namespace {

QString runAsSuperuser(const QString &sql)
{
    return runOnServer(testServerUrl(), sql);
}

} // namespace

QString testServerUrl()
{
    const QString path = serverFile(QStringLiteral("url"));
    if (path.isEmpty())
        return {};
    QFile file(path);
    // The variable is only set where ctest started the server first, so a
    // missing url is a broken run, not a test to skip.
    if (!file.open(QIODevice::ReadOnly))
        qFatal("QUORVEL_TEST_PG_DIR is set but %s cannot be read; start the server with "
               "tests/support/pgserver.sh start DIR",
               qPrintable(path));
    return QString::fromUtf8(file.readAll()).trimmed();
}

QString caCertPath()
{
    return serverFile(QStringLiteral("ca.crt"));
}

QString freshServerDatabase(const QString &tag)
{
    const QString server = testServerUrl();
    if (server.isEmpty())
        return {};
    // The process and a count keep apart the databases of tests running at
    // once; the random part those of a process whose number was used before.
    static QAtomicInteger<int> made;
    QString name = tag.toLower();
    name.replace(QRegularExpression(QStringLiteral("[^a-z0-9_]+")), QStringLiteral("_"));
    name = QStringLiteral("t_%1_%2_%3_%4")
               .arg(name.left(32))
               .arg(QCoreApplication::applicationPid())
               .arg(made.fetchAndAddRelaxed(1))
               .arg(QRandomGenerator::global()->bounded(0x10000), 4, 16, QLatin1Char('0'));
    // template0 takes no connections, so no other test can be on it and make
    // the copy refuse.
    const QString error =
        runAsSuperuser(QStringLiteral("CREATE DATABASE \"%1\" TEMPLATE template0").arg(name));
    if (!error.isEmpty()) {
        qWarning("test server: cannot create the database %s: %s", qPrintable(name),
                 qPrintable(error));
        return {};
    }
    QUrl url(server);
    url.setPath(QLatin1Char('/') + name);
    return url.toString();
}

void dropServerDatabase(const QString &url)
{
    const QString name = QUrl(url).path().mid(1);
    if (testServerUrl().isEmpty() || !name.startsWith(QLatin1String("t_")))
        return;
    const QString error =
        runAsSuperuser(QStringLiteral("DROP DATABASE IF EXISTS \"%1\" WITH (FORCE)").arg(name));
    if (!error.isEmpty())
        qWarning("test server: cannot drop the database %s: %s", qPrintable(name),
                 qPrintable(error));
}
