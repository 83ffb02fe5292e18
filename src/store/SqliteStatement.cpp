#include "store/SqliteStatement.h"

#include "store/Connection.h"

#include <QSqlDriver>

#include <sqlite3.h>

namespace store {

store::Status readSnapshot(const QString &databasePath, const QString &action,
                           const std::function<store::Status(store::Connection &)> &write)
{
    return store::read(databasePath, action, [&](store::Connection &db) -> store::Status {
        if (auto begun = db.begin(); !begun)
            return begun;
        store::Status written = write(db);
        db.rollback();
        return written;
    });
}

sqlite3 *sqliteHandle(store::Connection &connection)
{
    const QSqlDriver *driver = connection.database().driver();
    if (!driver)
        return nullptr;
    const QVariant handle = driver->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.constData());
}

SqliteStatement::SqliteStatement(sqlite3 *db, const char *sql) : m_db(db)
{
    if (!m_db) {
        m_error = QStringLiteral("The database connection is not an SQLite connection.");
        return;
    }
    if (sqlite3_prepare_v2(m_db, sql, -1, &m_statement, nullptr) != SQLITE_OK)
        fail();
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_statement);
}

void SqliteStatement::fail()
{
    if (ok())
        m_error = QString::fromUtf8(sqlite3_errmsg(m_db));
}

void SqliteStatement::restart(qint64 value)
{
    if (!ok())
        return;
    sqlite3_reset(m_statement);
    if (sqlite3_bind_int64(m_statement, 1, value) != SQLITE_OK)
        fail();
}

bool SqliteStatement::next()
{
    if (!ok())
        return false;
    switch (sqlite3_step(m_statement)) {
    case SQLITE_ROW:
        return true;
    case SQLITE_DONE:
        return false;
    default:
        fail();
        return false;
    }
}

void SqliteStatement::bindText(int parameter, std::string_view text)
{
    if (ok() && sqlite3_bind_text64(m_statement, parameter, text.data(), text.size(), SQLITE_STATIC,
                                    SQLITE_UTF8) != SQLITE_OK) {
        fail();
    }
}

void SqliteStatement::bindInteger(int parameter, qint64 value)
{
    if (ok() && sqlite3_bind_int64(m_statement, parameter, value) != SQLITE_OK)
        fail();
}

void SqliteStatement::bindNull(int parameter)
{
    if (ok() && sqlite3_bind_null(m_statement, parameter) != SQLITE_OK)
        fail();
}

bool SqliteStatement::run()
{
    if (!ok())
        return false;
    const int stepped = sqlite3_step(m_statement);
    if (stepped != SQLITE_DONE && stepped != SQLITE_ROW)
        fail();
    sqlite3_reset(m_statement);
    return ok();
}

qint64 SqliteStatement::integer(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

std::string_view SqliteStatement::text(int column) const
{
    // The text pointer first, then its length: that is the order in which
    // SQLite promises the length matches the text.
    const auto *value = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
    if (!value)
        return {};
    return {value, std::size_t(sqlite3_column_bytes(m_statement, column))};
}

QString SqliteStatement::wideText(int column) const
{
    if (sqlite3_column_type(m_statement, column) == SQLITE_NULL)
        return QString();
    const auto *value = static_cast<const QChar *>(sqlite3_column_text16(m_statement, column));
    return QString(value, sqlite3_column_bytes16(m_statement, column) / int(sizeof(QChar)));
}

} // namespace store
