#include "support/TestDatabase.h"

#include "store/Connection.h"
#include "store/Database.h"
#include "store/Server.h"
#include "store/Tables.h"
#include "support/Files.h"
#include "support/TestServer.h"

#include <QFile>
#include <QRegularExpression>
#include <QSqlRecord>
#include <QTest>

#include <sqlite3.h>

namespace {

// What SQLite makes of the bytes as text, read as its driver reads them.
QString sqliteText(const QByteArray &bytes)
{
    sqlite3 *db = nullptr;
    sqlite3_stmt *cast = nullptr;
    QString text;
    if (sqlite3_open(":memory:", &db) == SQLITE_OK &&
        sqlite3_prepare_v2(db, "SELECT CAST(? AS TEXT)", -1, &cast, nullptr) == SQLITE_OK &&
        sqlite3_bind_blob(cast, 1, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT) ==
            SQLITE_OK &&
        sqlite3_step(cast) == SQLITE_ROW)
        text = QString(static_cast<const QChar *>(sqlite3_column_text16(cast, 0)),
                       sqlite3_column_bytes16(cast, 0) / 2);
    sqlite3_finalize(cast);
    sqlite3_close(db);
    return text;
}

// The tests arrange rows in SQLite's SQL; a server is given the same in its
// own: its functions, its triggers, and for bytes that are no UTF-8 the text
// the program reads from such a file, as a server holds only UTF-8. The
// expected files then hold for both.
QString inServerSql(QString sql)
{
    static const QRegularExpression bytes(QStringLiteral("CAST\\(X'([0-9A-Fa-f]*)' AS TEXT\\)"));
    for (auto m = bytes.match(sql); m.hasMatch(); m = bytes.match(sql)) {
        QString text = sqliteText(QByteArray::fromHex(m.captured(1).toLatin1()));
        sql.replace(m.capturedStart(), m.capturedLength(),
                    u'\'' + text.replace(u'\'', QStringLiteral("''")) + u'\'');
    }
    static const QRegularExpression blob(QStringLiteral("hex\\(zeroblob\\((\\d+)\\)\\)"));
    for (auto m = blob.match(sql); m.hasMatch(); m = blob.match(sql))
        sql.replace(m.capturedStart(), m.capturedLength(),
                    QStringLiteral("repeat('0', %1)").arg(2 * m.captured(1).toInt()));
    // SQLite's driver reads U+FFFE and U+FFFF as U+FFFD; a server keeps them.
    sql.replace(QRegularExpression(QStringLiteral("\\bchar\\(6553[45]\\)")),
                QStringLiteral("chr(65533)"));
    sql.replace(QRegularExpression(QStringLiteral("\\bchar\\(")), QStringLiteral("chr("));
    sql.replace(QRegularExpression(QStringLiteral("\\bgroup_concat\\(")),
                QStringLiteral("string_agg("));
    static const QRegularExpression trigger(
        QStringLiteral("CREATE TRIGGER (\\w+) (BEFORE \\w+ ON \\w+) WHEN (.*) BEGIN SELECT "
                       "RAISE\\(ABORT, '([^']*)'\\); END"),
        QRegularExpression::DotMatchesEverythingOption);
    sql.replace(trigger, QStringLiteral("CREATE FUNCTION \\1() RETURNS trigger LANGUAGE plpgsql AS "
                                        "$$BEGIN RAISE EXCEPTION '\\4'; END$$;\n"
                                        "CREATE TRIGGER \\1 \\2 FOR EACH ROW WHEN (\\3) "
                                        "EXECUTE FUNCTION \\1()"));
    return sql;
}

// Runs one statement through the program's own store access and hands its
// query to `use`; the fixture cannot go on without it, so a failure is fatal.
template<typename Use>
void run(const QString &path, const QString &given, const QVariantList &values, Use &&use)
{
    const QString sql = store::isServerAddress(path) ? inServerSql(given) : given;
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

bool testsOnServer()
{
    return qEnvironmentVariable("QUORVEL_TEST_ENGINE") == QLatin1String("server");
}

TestDatabase::TestDatabase()
{
    if (testsOnServer()) {
        // A server run that cannot have its server is broken, not skipped.
        if (testServerUrl().isEmpty())
            qFatal("QUORVEL_TEST_ENGINE=server needs the test server: run the test through ctest");
        const char *test = QTest::currentTestFunction();
        m_server = freshServerDatabase(QLatin1String(test ? test : "db"));
    }
    m_valid = m_dir.isValid() && !(testsOnServer() && m_server.isEmpty()) &&
              store::createDatabase(path()).ok();
    // SQLite's storage classes, which the tests ask for of a value.
    if (m_valid && !m_server.isEmpty())
        exec(QStringLiteral(
            "CREATE FUNCTION typeof(v anyelement) RETURNS text LANGUAGE sql IMMUTABLE AS $$ "
            "SELECT CASE WHEN v IS NULL THEN 'null' WHEN pg_typeof(v) IN ('integer'::regtype, "
            "'bigint'::regtype) THEN 'integer' WHEN pg_typeof(v) = 'text'::regtype THEN 'text' "
            "ELSE pg_typeof(v)::text END $$"));
}

TestDatabase::~TestDatabase()
{
    if (!m_server.isEmpty())
        dropServerDatabase(m_server);
}

QString TestDatabase::path() const
{
    return m_server.isEmpty() ? store::joinDatabasePath(m_dir.path()) : m_server;
}

bool TestDatabase::remove()
{
    if (m_server.isEmpty())
        return QFile::remove(path());
    dropServerDatabase(m_server);
    return true;
}

void TestDatabase::execScript(const QString &path)
{
    const QString sql = QString::fromUtf8(contents(path));
    if (sql.isEmpty())
        qFatal("test database: no statements in %s", qPrintable(path));
    for (const QString &statement : sql.split(u";\n"_qs, Qt::SkipEmptyParts))
        exec(statement);
}

qint64 TestDatabase::exec(const QString &sql, const QVariantList &values)
{
    static const QRegularExpression insertInto(QStringLiteral("^\\s*INSERT\\s+INTO\\s+(\\w+)"),
                                               QRegularExpression::CaseInsensitiveOption);
    const QString table = insertInto.match(sql).captured(1);
    const QString key = store::tables::keyOf(table);
    if (m_server.isEmpty() || key.isEmpty()) {
        qint64 id = 0;
        // Qt's PostgreSQL driver asks lastval() for it, which fails and
        // spoils the transaction when no sequence was used.
        run(path(), sql, values, [&](QSqlQuery &query) {
            if (m_server.isEmpty())
                id = query.lastInsertId().toLongLong();
        });
        return id;
    }
    // A server names the new row only when asked, and an identifier given
    // outright leaves its sequence behind: the next row would take it again.
    QString returning = sql.trimmed();
    if (returning.endsWith(u';'))
        returning.chop(1);
    returning += QStringLiteral("\nRETURNING ") + key;
    qint64 id = 0;
    run(path(), returning, values, [&](QSqlQuery &query) {
        while (query.next())
            id = query.value(0).toLongLong();
    });
    run(path(),
        QStringLiteral(
            "SELECT setval(pg_get_serial_sequence('%1', '%2'), coalesce(max(%2), 0) + 1, "
            "false) FROM %1")
            .arg(table.toLower(), key.toLower()),
        {}, [](QSqlQuery &) {});
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
