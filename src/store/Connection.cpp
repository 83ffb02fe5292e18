#include "store/Connection.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlRecord>
#include <QStringList>
#include <QUrl>

namespace store {

QString Failure::text() const
{
    QStringList parts;
    if (!action.isEmpty())
        parts << action + u'.';
    if (!detail.isEmpty())
        parts << detail;
    if (!databasePath.isEmpty())
        parts << QStringLiteral("Database: %1").arg(databasePath);
    return parts.join(QStringLiteral("\n\n"));
}

namespace {

QString uniqueConnectionName()
{
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("quorvel-%1").arg(++counter);
}

QString describe(const QSqlError &error)
{
    QString text = error.databaseText();
    if (text.isEmpty())
        text = error.text();
    return text.isEmpty() ? QStringLiteral("The database gave no reason.") : text;
}

} // namespace

Connection::Connection(QString databasePath)
    : m_path(std::move(databasePath)), m_name(uniqueConnectionName())
{
}

Connection::~Connection()
{
    if (m_db.isValid()) {
        if (m_inTransaction)
            m_db.rollback();
        m_db.close();
    }
    m_db = QSqlDatabase();
    if (QSqlDatabase::contains(m_name))
        QSqlDatabase::removeDatabase(m_name);
}

Failure Connection::failure(const QString &detail) const
{
    return Failure{QString(), detail, m_path};
}

Status Connection::open()
{
    const QFileInfo file(m_path);
    if (!file.exists()) {
        return failure(QStringLiteral("The database file does not exist. Create an empty one "
                                      "with:\nquorvel-cli init-db \"%1\"")
                           .arg(QDir::toNativeSeparators(m_path)));
    }
    if (!file.isFile())
        return failure(QStringLiteral("The database path is not a file."));

    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    if (!m_db.isValid())
        return failure(QStringLiteral("The SQLite driver for Qt is not installed."));
    // mode=rw: SQLite would otherwise create an empty file in place of a
    // missing one, and the program must never create its own database.
    QUrl uri = QUrl::fromLocalFile(file.absoluteFilePath());
    uri.setQuery(QStringLiteral("mode=rw"));
    m_db.setDatabaseName(uri.toString(QUrl::FullyEncoded));
    m_db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
    if (!m_db.open())
        return failure(describe(m_db.lastError()));
    return success();
}

Status Connection::begin()
{
    if (!m_db.transaction())
        return failure(describe(m_db.lastError()));
    m_inTransaction = true;
    return success();
}

Status Connection::commit()
{
    if (!m_db.commit()) {
        const Failure f = failure(describe(m_db.lastError()));
        rollback();
        return f;
    }
    m_inTransaction = false;
    return success();
}

void Connection::rollback()
{
    if (m_inTransaction)
        m_db.rollback();
    m_inTransaction = false;
}

Result<QSqlQuery> Connection::run(const QString &sql, const QVariantList &values, bool forwardOnly)
{
    QSqlQuery query(m_db);
    query.setForwardOnly(forwardOnly);
    if (!query.prepare(sql))
        return failure(describe(query.lastError()));
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec())
        return failure(describe(query.lastError()));
    return query;
}

Result<QSqlQuery> Connection::select(const QString &sql, const QVariantList &values)
{
    return run(sql, values, true);
}

Status Connection::execute(const QString &sql, const QVariantList &values)
{
    if (auto done = run(sql, values, true); !done)
        return done.failure();
    return success();
}

Result<qint64> Connection::insert(const QString &table, const Columns &columns)
{
    QStringList names;
    QStringList marks;
    QVariantList values;
    for (const auto &[name, value] : columns) {
        names << name;
        marks << QStringLiteral("?");
        values << value;
    }
    const QString sql = names.isEmpty() ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table)
                                        : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                              .arg(table, names.join(QStringLiteral(", ")),
                                                   marks.join(QStringLiteral(", ")));
    auto done = run(sql, values, true);
    if (!done)
        return done.failure();
    const QVariant id = done.value().lastInsertId();
    if (!id.isValid())
        return failure(QStringLiteral("The database did not report the new row's identifier."));
    return id.toLongLong();
}

Status Connection::update(const QString &table, const Columns &columns, const QString &keyColumn,
                          const QVariant &key)
{
    if (columns.isEmpty())
        return success();
    QStringList assignments;
    QVariantList values;
    for (const auto &[name, value] : columns) {
        assignments << name + QStringLiteral(" = ?");
        values << value;
    }
    values << key;
    const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?")
                            .arg(table, assignments.join(QStringLiteral(", ")), keyColumn);
    return execute(sql, values);
}

Result<QSqlQuery> Connection::prepare(const QString &sql)
{
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        return failure(describe(query.lastError()));
    return query;
}

Status Connection::execute(QSqlQuery &prepared)
{
    if (!prepared.exec())
        return failure(describe(prepared.lastError()));
    return success();
}

Result<ListEntries> readEntries(const QString &databasePath, const QString &action,
                                const QString &sql, const QVariantList &values,
                                const std::function<QString(const QSqlQuery &)> &text)
{
    return read(databasePath, action, [&](Connection &db) -> Result<ListEntries> {
        auto rows = db.select(sql, values);
        if (!rows)
            return rows.failure();
        ListEntries entries;
        QSqlQuery &query = rows.value();
        while (query.next())
            entries.append({text(query), query.value(0).toInt()});
        return entries;
    });
}

QVariant typedText(const QString &typed)
{
    return typed.isNull() ? QVariant(QStringLiteral("")) : QVariant(typed);
}

QVariant field(const QSqlQuery &query, const QString &column)
{
    // QSqlRecord matches field names without regard to case.
    return query.value(query.record().indexOf(column));
}

QString text(const QSqlQuery &query, const QString &column)
{
    return field(query, column).toString();
}

} // namespace store
