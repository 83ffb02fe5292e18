#include "store/ServerStatement.h"

#include "store/Server.h"

#include <QAtomicInteger>
#include <QHash>

#include <libpq-fe.h>

#include <algorithm>
#include <cctype>
#include <charconv>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace store {

namespace {

// Rows a cursor hands over at a time: enough that asking costs little per
// row, few enough that a batch of long descriptions stays a few megabytes.
constexpr int rowsPerFetch = 5000;
// The first batch of a cursor: a query read only for its first rows, as a
// check for whether a channel has a programme to write, is sent few more.
constexpr int firstFetch = 100;

QByteArray fetchSql(int rows, const QByteArray &cursor)
{
    return "FETCH FORWARD " + QByteArray::number(rows) + " FROM " + cursor;
}

QByteArray uniqueName(const char *prefix)
{
    static QAtomicInteger<quint64> counter;
    return prefix + QByteArray::number(++counter);
}

bool isQuery(const QByteArray &sql)
{
    const QByteArray start = sql.trimmed().left(6).toUpper();
    return start.startsWith("SELECT") || start.startsWith("WITH") || start.startsWith("VALUES");
}

// A batch of rows is a few megabytes in many small pieces, freed when the
// next one comes in. glibc gives the freed top of its heap back to the
// system each time, and the next batch then faults every page in again: a
// million rows cost the client more time in the kernel than in reading
// them. It keeps that much of the heap instead.
void keepFreedHeap()
{
#ifdef __GLIBC__
    static const bool kept = mallopt(M_TRIM_THRESHOLD, 32 << 20) == 1;
    Q_UNUSED(kept);
#endif
}

} // namespace

// The statement with a batch asked ahead on each of this thread's
// connections; a connection belongs to one command, on one thread.
static thread_local QHash<PGconn *, ServerStatement *> askingAhead;

QByteArray numberedParameters(const QByteArray &sql, int *count)
{
    QByteArray out;
    out.reserve(sql.size() + 16);
    QHash<QByteArray, int> named;
    int next = 0;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const char c = sql[i];
        if (c == '\'' || c == '"') {
            const qsizetype end = sql.indexOf(c, i + 1);
            const qsizetype stop = end < 0 ? sql.size() : end + 1;
            out += sql.mid(i, stop - i);
            i = stop - 1;
        } else if (c == '?') {
            out += '$' + QByteArray::number(++next);
        } else if (c == ':' && i + 1 < sql.size() && sql[i + 1] == ':') {
            out += "::";
            ++i;
        } else if (c == ':' && i + 1 < sql.size() &&
                   (std::isalpha(uchar(sql[i + 1])) || sql[i + 1] == '_')) {
            qsizetype end = i + 1;
            while (end < sql.size() && (std::isalnum(uchar(sql[end])) || sql[end] == '_'))
                ++end;
            const QByteArray name = sql.mid(i + 1, end - i - 1);
            int &number = named[name];
            if (number == 0)
                number = ++next;
            out += '$' + QByteArray::number(number);
            i = end - 1;
        } else {
            out += c;
        }
    }
    if (count)
        *count = next;
    return out;
}

ServerStatement::ServerStatement(PGconn *connection, const QString &sql)
    : m_connection(connection), m_name(uniqueName("quorvel_")),
      m_cursor(uniqueName("quorvel_rows_"))
{
    keepFreedHeap();
    int parameters = 0;
    m_sql = numberedParameters(sql.toUtf8(), &parameters);
    m_query = isQuery(m_sql);
    m_values.resize(std::size_t(parameters));
    m_null.assign(std::size_t(parameters), 1);
    if (!m_connection) {
        m_error = QStringLiteral("The database connection is not a PostgreSQL connection.");
        return;
    }
    if (failed(PQprepare(m_connection, m_name.constData(), m_sql.constData(), 0, nullptr)))
        return;
    // Only a query's columns are asked for: libpq takes a description of
    // more than a few thousand parameters, as a bulk insert has, for a
    // broken connection.
    if (!m_query)
        return;
    PGresult *described = PQdescribePrepared(m_connection, m_name.constData());
    if (PQresultStatus(described) == PGRES_COMMAND_OK) {
        for (int i = 0; i < PQnfields(described); ++i)
            m_columns.emplace_back(PQfname(described, i));
    }
    failed(described);
}

ServerStatement::~ServerStatement()
{
    PQclear(m_result);
    if (!m_connection)
        return;
    closeCursor();
    settle(m_connection, this);
    // Inside a transaction that failed, the server takes no more commands
    // until it ends; the statement then goes with the connection.
    if (PQtransactionStatus(m_connection) != PQTRANS_INERROR)
        PQclear(PQexec(m_connection, ("DEALLOCATE " + m_name).constData()));
}

bool ServerStatement::failed(PGresult *result)
{
    const ExecStatusType status = PQresultStatus(result);
    const bool bad = status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK;
    if (bad && ok()) {
        const char *said = result ? PQresultErrorMessage(result) : PQerrorMessage(m_connection);
        m_error = QString::fromUtf8(said).trimmed();
        if (m_error.isEmpty())
            m_error = QStringLiteral("The PostgreSQL server gave no reason.");
    }
    if (result != m_result)
        PQclear(result);
    return bad;
}

void ServerStatement::setParameter(int parameter, std::string_view text, bool null)
{
    const auto i = std::size_t(parameter - 1);
    if (i >= m_values.size())
        return;
    // libpq takes each value up to its first NUL: the rest would be lost.
    if (text.find('\0') != std::string_view::npos)
        m_error = nulTextRefusal();
    m_values[i].assign(text.data(), text.size());
    m_null[i] = null;
    m_started = false;
}

void ServerStatement::bindText(int parameter, std::string_view text)
{
    setParameter(parameter, text, text.data() == nullptr);
}

void ServerStatement::bindInteger(int parameter, qint64 value)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    setParameter(parameter, std::string_view(digits, std::size_t(end - digits)), false);
}

void ServerStatement::bindNull(int parameter)
{
    setParameter(parameter, {}, true);
}

void ServerStatement::settle(PGconn *connection, const ServerStatement *keep)
{
    const auto found = askingAhead.constFind(connection);
    if (found == askingAhead.cend() || *found == keep)
        return;
    ServerStatement *asking = *found;
    asking->m_ahead = asking->takeAhead();
}

void ServerStatement::askAhead()
{
    settle(m_connection, this);
    m_asked = m_batch;
    if (PQsendQuery(m_connection, fetchSql(m_asked, m_cursor).constData()) != 1) {
        failed(nullptr);
        return;
    }
    m_asking = true;
    askingAhead.insert(m_connection, this);
}

PGresult *ServerStatement::takeAhead()
{
    if (!m_asking) {
        PGresult *ahead = m_ahead;
        m_ahead = nullptr;
        return ahead;
    }
    m_asking = false;
    askingAhead.remove(m_connection);
    // One result, then null; none at all when the connection broke.
    PGresult *first = nullptr;
    while (PGresult *result = PQgetResult(m_connection)) {
        if (first)
            PQclear(result);
        else
            first = result;
    }
    return first;
}

void ServerStatement::closeCursor()
{
    PQclear(takeAhead());
    if (!m_cursorOpen)
        return;
    m_cursorOpen = false;
    settle(m_connection, this);
    if (PQtransactionStatus(m_connection) == PQTRANS_INTRANS)
        PQclear(PQexec(m_connection, ("CLOSE " + m_cursor).constData()));
}

bool ServerStatement::start()
{
    PQclear(m_result);
    m_result = nullptr;
    m_row = -1;
    m_rows = 0;
    m_exhausted = false;
    closeCursor();
    std::vector<const char *> values(m_values.size());
    for (std::size_t i = 0; i < m_values.size(); ++i)
        values[i] = m_null[i] ? nullptr : m_values[i].c_str();
    const int count = int(values.size());
    settle(m_connection, this);
    if (PQtransactionStatus(m_connection) != PQTRANS_INTRANS) {
        m_result = PQexecPrepared(m_connection, m_name.constData(), count, values.data(), nullptr,
                                  nullptr, 0);
        m_exhausted = true;
        if (failed(m_result)) {
            PQclear(m_result);
            m_result = nullptr;
            return false;
        }
        m_rows = PQntuples(m_result);
        return true;
    }
    const QByteArray declare = "DECLARE " + m_cursor + " NO SCROLL CURSOR FOR " + m_sql;
    if (failed(PQexecParams(m_connection, declare.constData(), count, nullptr, values.data(),
                            nullptr, nullptr, 0)))
        return false;
    m_cursorOpen = true;
    m_batch = firstFetch;
    return fetch();
}

bool ServerStatement::fetch()
{
    PQclear(m_result);
    m_row = -1;
    if (m_asking || m_ahead) {
        m_result = takeAhead();
    } else {
        settle(m_connection, this);
        m_asked = m_batch;
        m_result = PQexec(m_connection, fetchSql(m_asked, m_cursor).constData());
    }
    if (failed(m_result)) {
        PQclear(m_result);
        m_result = nullptr;
        m_rows = 0;
        return false;
    }
    m_rows = PQntuples(m_result);
    m_exhausted = m_rows < m_asked;
    // A query read past its first batch is likely read to its end, and the
    // batch after is asked for while this one is read. One read for its
    // first rows alone, as the check for whether a channel has a programme
    // to write is, costs the server no more than those.
    if (!m_exhausted) {
        const bool first = m_batch == firstFetch;
        m_batch = std::min(m_batch * 4, rowsPerFetch);
        if (!first)
            askAhead();
    }
    return ok();
}

bool ServerStatement::next()
{
    if (!ok() || !m_query)
        return false;
    if (!m_started) {
        m_started = true;
        if (!start())
            return false;
    }
    if (++m_row < m_rows)
        return true;
    if (m_exhausted)
        return false;
    if (!fetch())
        return false;
    m_row = 0;
    return m_rows > 0;
}

bool ServerStatement::run()
{
    if (!ok())
        return false;
    settle(m_connection, this);
    std::vector<const char *> values(m_values.size());
    for (std::size_t i = 0; i < m_values.size(); ++i)
        values[i] = m_null[i] ? nullptr : m_values[i].c_str();
    failed(PQexecPrepared(m_connection, m_name.constData(), int(values.size()), values.data(),
                          nullptr, nullptr, 0));
    return ok();
}

std::string_view ServerStatement::columnName(int column) const
{
    if (column < 0 || std::size_t(column) >= m_columns.size())
        return {};
    const QByteArray &name = m_columns[std::size_t(column)];
    return {name.constData(), std::size_t(name.size())};
}

bool ServerStatement::isNull(int column) const
{
    return !m_result || PQgetisnull(m_result, m_row, column);
}

std::string_view ServerStatement::text(int column) const
{
    if (!m_result || PQgetisnull(m_result, m_row, column))
        return {};
    return {PQgetvalue(m_result, m_row, column), std::size_t(PQgetlength(m_result, m_row, column))};
}

qint64 ServerStatement::integer(int column) const
{
    const std::string_view digits = text(column);
    qint64 value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return value;
}

ServerCopy::ServerCopy(PGconn *connection, const QByteArray &sql) : m_connection(connection)
{
    if (!m_connection) {
        m_error = QStringLiteral("The database connection is not a PostgreSQL connection.");
        return;
    }
    PGresult *started = PQexec(m_connection, sql.constData());
    m_open = PQresultStatus(started) == PGRES_COPY_IN;
    if (!m_open)
        fail(started);
    PQclear(started);
}

ServerCopy::~ServerCopy()
{
    if (!m_open)
        return;
    // A reason given ends the COPY as a failure, and with it the
    // transaction, which its owner is about to roll back.
    PQputCopyEnd(m_connection, "The rows were abandoned.");
    while (PGresult *result = PQgetResult(m_connection))
        PQclear(result);
}

void ServerCopy::fail(PGresult *result)
{
    if (!ok())
        return;
    const char *said = result ? PQresultErrorMessage(result) : PQerrorMessage(m_connection);
    m_error = QString::fromUtf8(said).trimmed();
    if (m_error.isEmpty())
        m_error = QStringLiteral("The PostgreSQL server gave no reason.");
}

bool ServerCopy::put(std::string_view rows)
{
    if (!ok())
        return false;
    // libpq sends what it holds once it passes a few kilobytes, and takes a
    // piece of any size.
    if (!rows.empty() && PQputCopyData(m_connection, rows.data(), int(rows.size())) != 1)
        fail(nullptr);
    return ok();
}

bool ServerCopy::end()
{
    if (!m_open)
        return ok();
    m_open = false;
    if (PQputCopyEnd(m_connection, nullptr) != 1)
        fail(nullptr);
    while (PGresult *result = PQgetResult(m_connection)) {
        if (PQresultStatus(result) != PGRES_COMMAND_OK)
            fail(result);
        PQclear(result);
    }
    return ok();
}

void appendCopyText(std::string &out, std::string_view text)
{
    std::size_t from = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\\' && c != '\t' && c != '\n' && c != '\r')
            continue;
        out.append(text.data() + from, i - from);
        out += '\\';
        out += c == '\t' ? 't' : c == '\n' ? 'n' : c == '\r' ? 'r' : '\\';
        from = i + 1;
    }
    out.append(text.data() + from, text.size() - from);
}

} // namespace store
