#include "store/Statement.h"

#include "store/Connection.h"
#include "store/Server.h"
#include "store/ServerStatement.h"

#include <QMutex>
#include <QSqlDriver>
#include <QSqlQuery>

#include <sqlite3.h>

#include <mutex>
#include <optional>

namespace store {

store::Status readSnapshot(const QString &databasePath, const QString &action,
                           const std::function<store::Status(store::Connection &)> &write)
{
    return store::read(databasePath, action, [&](store::Connection &db) -> store::Status {
        if (auto begun = db.beginRead(); !begun)
            return begun;
        store::Status written = write(db);
        db.rollback();
        return written;
    });
}

namespace {

QMutex checkMutex;
// Filled by the first check that could ask Qt's driver: empty when the driver
// runs on the SQLite library this program links, otherwise why it does not.
std::optional<QString> libraryProblem;

// Qt's own builds may carry an SQLite inside the driver; its handle must then
// never meet this program's sqlite3 functions, whose structures and locks are
// another library's. Each library names the exact source it was built from.
// (Two copies of the very same release pass; their code and layout agree.)
QString checkLibrary(Connection &connection)
{
    QMutexLocker lock(&checkMutex);
    if (libraryProblem)
        return *libraryProblem;
    QSqlQuery query(connection.database());
    if (!query.exec(QStringLiteral("SELECT sqlite_source_id()")) || !query.next())
        return QStringLiteral("Could not ask Qt's SQLite driver which SQLite it runs on.");
    const QString driver = query.value(0).toString();
    const QString linked = QString::fromUtf8(sqlite3_sourceid());
    libraryProblem = driver == linked
                         ? QString()
                         : QStringLiteral("Qt's SQLite driver runs on another SQLite library "
                                          "(%1) than the one Quorvel was built with (%2), so "
                                          "Quorvel cannot work on the database directly. Install "
                                          "Quorvel with a Qt SQLite driver that uses the "
                                          "system's SQLite library.")
                               .arg(driver, linked);
    return *libraryProblem;
}

QString handleProblem()
{
    QMutexLocker lock(&checkMutex);
    if (libraryProblem && !libraryProblem->isEmpty())
        return *libraryProblem;
    return QStringLiteral("The database connection is not an SQLite connection.");
}

} // namespace

void configureSqlite()
{
    // SQLite counts every allocation it makes under one lock of its own, for
    // statistics this program never reads; a bulk import makes several per
    // row. Later calls are refused, harmlessly.
    static std::once_flag once;
    std::call_once(once, [] { sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0); });
}

sqlite3 *sqliteHandle(store::Connection &connection)
{
    const QSqlDriver *driver = connection.database().driver();
    if (!driver)
        return nullptr;
    const QVariant handle = driver->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    if (!checkLibrary(connection).isEmpty())
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.constData());
}

Status checkSqliteLibrary(Connection &connection)
{
    if (const QString problem = checkLibrary(connection); !problem.isEmpty())
        return connection.failure(problem);
    return success();
}

Statement::Statement(sqlite3 *db, const char *sql) : m_db(db)
{
    notePrepared(QString::fromUtf8(sql));
    if (!m_db) {
        m_error = handleProblem();
        return;
    }
    if (sqlite3_prepare_v2(m_db, sql, -1, &m_statement, nullptr) != SQLITE_OK)
        fail();
}

Statement::Statement(sqlite3 *db, const QString &sql) : Statement(db, sql.toUtf8().constData())
{
}

Statement::Statement(Connection &connection, const QString &sql)
{
    if (connection.isServer()) {
        notePrepared(sql);
        m_server = std::make_unique<ServerStatement>(serverHandle(connection), sql);
        return;
    }
    m_db = sqliteHandle(connection);
    notePrepared(sql);
    if (!m_db) {
        m_error = handleProblem();
        return;
    }
    if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &m_statement, nullptr) != SQLITE_OK)
        fail();
}

Statement::~Statement()
{
    sqlite3_finalize(m_statement);
}

bool Statement::ok() const
{
    return m_server ? m_server->ok() : m_error.isEmpty();
}

const QString &Statement::errorString() const
{
    return m_server ? m_server->errorString() : m_error;
}

void Statement::fail()
{
    if (ok())
        m_error = QString::fromUtf8(sqlite3_errmsg(m_db));
}

void Statement::restart(qint64 value)
{
    if (m_server) {
        m_server->bindInteger(1, value);
        m_server->restart();
        return;
    }
    if (!ok())
        return;
    sqlite3_reset(m_statement);
    if (sqlite3_bind_int64(m_statement, 1, value) != SQLITE_OK)
        fail();
}

bool Statement::next()
{
    if (m_server)
        return m_server->next();
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

void Statement::bindText(int parameter, std::string_view text)
{
    if (m_server)
        return m_server->bindText(parameter, text);
    if (ok() && sqlite3_bind_text64(m_statement, parameter, text.data(), text.size(), SQLITE_STATIC,
                                    SQLITE_UTF8) != SQLITE_OK) {
        fail();
    }
}

void Statement::bindInteger(int parameter, qint64 value)
{
    if (m_server)
        return m_server->bindInteger(parameter, value);
    if (ok() && sqlite3_bind_int64(m_statement, parameter, value) != SQLITE_OK)
        fail();
}

void Statement::bindNull(int parameter)
{
    if (m_server)
        return m_server->bindNull(parameter);
    if (ok() && sqlite3_bind_null(m_statement, parameter) != SQLITE_OK)
        fail();
}

bool Statement::run()
{
    if (m_server)
        return m_server->run();
    if (!ok())
        return false;
    const int stepped = sqlite3_step(m_statement);
    if (stepped != SQLITE_DONE && stepped != SQLITE_ROW)
        fail();
    sqlite3_reset(m_statement);
    return ok();
}

int Statement::columnCount() const
{
    if (m_server)
        return m_server->columnCount();
    return m_statement ? sqlite3_column_count(m_statement) : 0;
}

int Statement::column(QLatin1StringView name) const
{
    for (int i = 0; i < columnCount(); ++i) {
        const std::string_view given = columnName(i);
        if (QLatin1StringView(given.data(), qsizetype(given.size()))
                .compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

std::string_view Statement::columnName(int column) const
{
    if (m_server)
        return m_server->columnName(column);
    const char *name = m_statement ? sqlite3_column_name(m_statement, column) : nullptr;
    return name ? std::string_view(name) : std::string_view();
}

qint64 Statement::integer(int column) const
{
    if (m_server)
        return m_server->integer(column);
    return sqlite3_column_int64(m_statement, column);
}

bool Statement::isNull(int column) const
{
    if (m_server)
        return m_server->isNull(column);
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

std::string_view Statement::text(int column) const
{
    if (m_server)
        return m_server->text(column);
    // The text pointer first, then its length: that is the order in which
    // SQLite promises the length matches the text.
    const auto *value = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
    if (!value)
        return {};
    return {value, std::size_t(sqlite3_column_bytes(m_statement, column))};
}

QString Statement::wideText(int column) const
{
    if (m_server)
        return m_server->isNull(column) ? QString() : fromUtf8(m_server->text(column));
    if (sqlite3_column_type(m_statement, column) == SQLITE_NULL)
        return QString();
    const auto *value = static_cast<const QChar *>(sqlite3_column_text16(m_statement, column));
    return QString(value, sqlite3_column_bytes16(m_statement, column) / int(sizeof(QChar)));
}

bool isPlainUtf8(std::string_view text)
{
    const auto *p = reinterpret_cast<const unsigned char *>(text.data());
    const auto *end = p + text.size();
    while (p < end) {
        if (*p < 0x80) {
            ++p;
            continue;
        }
        const unsigned char b = *p;
        int more = 0;
        char32_t c = 0;
        if (b >= 0xc2 && b <= 0xdf) {
            more = 1;
            c = b & 0x1f;
        } else if (b >= 0xe0 && b <= 0xef) {
            more = 2;
            c = b & 0x0f;
        } else if (b >= 0xf0 && b <= 0xf4) {
            more = 3;
            c = b & 0x07;
        } else {
            return false;
        }
        if (end - p <= more)
            return false;
        for (int i = 1; i <= more; ++i) {
            if ((p[i] & 0xc0) != 0x80)
                return false;
            c = (c << 6) | (p[i] & 0x3f);
        }
        p += more + 1;
        const char32_t least = more == 1 ? 0x80 : more == 2 ? 0x800 : 0x10000;
        if (c < least || c > 0x10ffff || (c >= 0xd800 && c <= 0xdfff) ||
            (c >= 0xfdd0 && c <= 0xfdef) || (c & 0xfffe) == 0xfffe)
            return false;
    }
    return true;
}

QString fromUtf8(std::string_view text)
{
    constexpr std::string_view mark = "\xef\xbb\xbf";
    QString marks;
    while (text.substr(0, mark.size()) == mark) {
        marks += QChar(0xfeff);
        text.remove_prefix(mark.size());
    }
    // The rest no longer starts with a mark for fromUtf8 to drop.
    const QString rest = QString::fromUtf8(text.data(), qsizetype(text.size()));
    return marks.isEmpty() ? rest : marks + rest;
}

namespace {

// Whether the driver's SQLite drops a mark at the start of bound text, as
// every release so far does: asked once, of the driver itself, so that a
// release that keeps it gets no mark added. (U+FEFF is what it reads back
// unchanged; U+FFFE and U+FFFF come back from UTF-8 as U+FFFD.)
bool dropsLeadingMark(QSqlDatabase &db)
{
    static const bool drops = [&db] {
        QSqlQuery probe(db);
        if (!probe.prepare(QStringLiteral("SELECT ?")))
            return false;
        probe.addBindValue(QString(2, QChar(0xfeff)));
        return probe.exec() && probe.next() && probe.value(0).toString() == QString(QChar(0xfeff));
    }();
    return drops;
}

} // namespace

std::optional<QString> textForDriver(QSqlDatabase &db, const QVariant &value)
{
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    // The marks are for SQLite's reading of UTF-16; a server is sent UTF-8.
    // Both store a lone surrogate as U+FFFD, which the driver for a server
    // would otherwise send as "?".
    const bool sqlite = db.driverName() == QLatin1String("QSQLITE");
    const QString &given = *static_cast<const QString *>(value.constData());
    const auto marked = [](const QString &text) {
        return !text.isEmpty() && (text.front() == QChar(0xfeff) || text.front() == QChar(0xfffe));
    };
    const bool whole = QStringView(given).isValidUtf16();
    if (whole && (!sqlite || !marked(given)))
        return std::nullopt;
    QString text = given;
    if (!whole) {
        for (qsizetype i = 0; i < text.size(); ++i) {
            const bool pair = i + 1 < text.size() && text.at(i).isHighSurrogate() &&
                              text.at(i + 1).isLowSurrogate();
            if (pair)
                ++i;
            else if (text.at(i).isSurrogate())
                text[i] = QChar::ReplacementCharacter;
        }
    }
    if (sqlite && marked(text) && dropsLeadingMark(db))
        text.prepend(QChar(0xfeff));
    return text;
}

} // namespace store
