#include "support/TestDatabase.h"

#include "store/Database.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

namespace {

template<typename Work> void withDatabase(const QString &path, Work &&work)
{
    const QString name = QStringLiteral("test-fixture");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open())
            qFatal("cannot open the test database: %s", qPrintable(db.lastError().text()));
        {
            QSqlQuery query(db);
            work(query);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

void run(QSqlQuery &query, const QString &sql, const QVariantList &values)
{
    if (!query.prepare(sql))
        qFatal("cannot prepare %s: %s", qPrintable(sql), qPrintable(query.lastError().text()));
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec())
        qFatal("cannot run %s: %s", qPrintable(sql), qPrintable(query.lastError().text()));
}

} // namespace

TestDatabase::TestDatabase()
{
    m_valid = m_dir.isValid() && store::createDatabase(path()).ok();
}

QString TestDatabase::path() const
{
    return store::joinDatabasePath(m_dir.path());
}

qint64 TestDatabase::exec(const QString &sql, const QVariantList &values)
{
    qint64 id = 0;
    withDatabase(path(), [&](QSqlQuery &query) {
        run(query, sql, values);
        id = query.lastInsertId().toLongLong();
    });
    return id;
}

QList<QVariantList> TestDatabase::rows(const QString &sql, const QVariantList &values)
{
    QList<QVariantList> result;
    withDatabase(path(), [&](QSqlQuery &query) {
        run(query, sql, values);
        const int columns = query.record().count();
        while (query.next()) {
            QVariantList row;
            for (int i = 0; i < columns; ++i)
                row << query.value(i);
            result << row;
        }
    });
    return result;
}

QVariant TestDatabase::value(const QString &sql, const QVariantList &values)
{
    const auto all = rows(sql, values);
    return all.isEmpty() || all.constFirst().isEmpty() ? QVariant() : all.constFirst().constFirst();
}

qint32 TestDatabase::addProject(const QString &name)
{
    return qint32(exec(QStringLiteral("INSERT INTO ProjectData (projectName) VALUES (?)"), {name}));
}

qint32 TestDatabase::addChannel(qint32 projectID, const QString &name, const QString &number)
{
    return qint32(exec(QStringLiteral("INSERT INTO ChannelData (projectID, channelName, "
                                      "channelNumber) VALUES (?, ?, ?)"),
                       {projectID, name, number}));
}

void TestDatabase::addTemplate(qint32 channelID, const QString &line)
{
    exec(QStringLiteral("INSERT INTO TemplateData (channelID, templateData) VALUES (?, ?)"),
         {channelID, line});
}

qint32 TestDatabase::addProgramme(qint32 channelID, const QString &name, const QString &startDate,
                                  const QString &startTime)
{
    return qint32(exec(QStringLiteral("INSERT INTO ProgrammeData (channelID, programmeName, "
                                      "startDate, startTime) VALUES (?, ?, ?, ?)"),
                       {channelID, name, startDate, startTime}));
}
