#include "store/Database.h"

#include "store/Connection.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace store {

QString databaseFileName()
{
    return QStringLiteral("quorvel.db");
}

QString joinDatabasePath(const QString &directory, const QString &fileName)
{
    if (directory.endsWith(u'/') || directory.endsWith(u'\\'))
        return directory + fileName;
    // Qt reports directories with '/', but a path given in Windows form
    // keeps its own separator.
    const QChar separator = directory.contains(u'\\') && !directory.contains(u'/') ? u'\\' : u'/';
    return directory + separator + fileName;
}

QString schemaSql()
{
    QFile file(QStringLiteral(":/quorvel/schema.sql"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

namespace {

// Splits the schema into statements. The schema holds no semicolons inside
// literals, so a plain split after removing comments is enough.
QStringList statements(const QString &sql)
{
    QStringList lines;
    for (const QString &line : sql.split(u'\n')) {
        if (!line.trimmed().startsWith(QStringLiteral("--")))
            lines << line;
    }
    QStringList result;
    for (const QString &statement : lines.join(u'\n').split(u';')) {
        if (!statement.trimmed().isEmpty())
            result << statement.trimmed();
    }
    return result;
}

} // namespace

Status createDatabase(const QString &path)
{
    const Failure refused{QStringLiteral("Could not create the database"), QString(), path};
    if (QFileInfo::exists(path)) {
        Failure f = refused;
        f.detail = QStringLiteral("A file of that name already exists; it was left untouched.");
        return f;
    }
    const QStringList schema = statements(schemaSql());
    if (schema.isEmpty()) {
        Failure f = refused;
        f.detail = QStringLiteral("The program's copy of the schema is missing.");
        return f;
    }

    QString error;
    {
        const QString name = QStringLiteral("quorvel-create");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(path);
            if (!db.open()) {
                error = db.lastError().text();
            } else {
                db.transaction();
                QSqlQuery query(db);
                for (const QString &statement : schema) {
                    if (!query.exec(statement)) {
                        error = query.lastError().text();
                        break;
                    }
                }
                if (error.isEmpty() && !db.commit())
                    error = db.lastError().text();
                query = QSqlQuery();
                db.close();
            }
        }
        QSqlDatabase::removeDatabase(name);
    }
    if (!error.isEmpty()) {
        QFile::remove(path);
        Failure f = refused;
        f.detail = error;
        return f;
    }
    return success();
}

} // namespace store
