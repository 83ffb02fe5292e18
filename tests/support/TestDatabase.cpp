#include "support/TestDatabase.h"

#include "store/Connection.h"
#include "store/Database.h"

#include <QSqlRecord>

namespace {

// Runs one statement through the program's own store access and hands its
// query to `use`; the fixture cannot go on without it, so a failure is fatal.
template<typename Use>
void run(const QString &path, const QString &sql, const QVariantList &values, Use &&use)
{
    const auto done = store::write(path, sql, [&](store::Connection &db) -> store::Status {
        auto query = db.select(sql, values);
        if (!query)
            return query.failure();
        use(query.value());
        return store::success();
    });
    if (!done)
        qFatal("test database: %s", qPrintable(done.failure().text()));
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
    run(path(), sql, values, [&](QSqlQuery &query) { id = query.lastInsertId().toLongLong(); });
    return id;
}

void TestDatabase::execAll(const QStringList &statements)
{
    const auto done = store::write(path(), statements.join(u"; "), [&](store::Connection &db) {
        for (const QString &sql : statements) {
            if (auto ran = db.execute(sql); !ran)
                return ran;
        }
        return store::success();
    });
    if (!done)
        qFatal("test database: %s", qPrintable(done.failure().text()));
}

QList<QVariantList> TestDatabase::rows(const QString &sql, const QVariantList &values)
{
    QList<QVariantList> result;
    run(path(), sql, values, [&](QSqlQuery &query) {
        while (query.next()) {
            QVariantList row;
            for (int i = 0; i < query.record().count(); ++i)
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

QStringList TestDatabase::texts(const QString &sql, const QVariantList &values)
{
    QStringList lines;
    for (const QVariantList &row : rows(sql, values)) {
        QStringList shown;
        for (const QVariant &value : row)
            shown << (value.isNull() ? u"<null>"_qs : value.toString());
        lines << shown.join(u'|');
    }
    return lines;
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
