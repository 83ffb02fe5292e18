#include "store/Database.h"

#include "store/AtomicFile.h"
#include "store/Connection.h"
#include "store/SchemaUpgrade.h"
#include "store/Server.h"
#include "store/ServerSchema.h"
#include "store/Statement.h"
#include "store/Tables.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sqlite3.h>

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

QString userDatabasePath()
{
    // The companion tool runs under a name of its own, so the program's
    // AppDataLocation is spelled out from the generic folder it lies in.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty())
        return QString();
    return joinDatabasePath(joinDatabasePath(data, QStringLiteral("Quorvel")));
}

QString defaultDatabasePath(const QString &programDirectory)
{
    const QString beside = joinDatabasePath(programDirectory);
    const QFileInfo besideInfo(beside);
    const bool besideUsable =
        (besideInfo.exists() || besideInfo.isSymLink()) && QFileInfo(programDirectory).isWritable();
    const QString own = userDatabasePath();
    // Without a home there is no data folder; the message about the missing
    // file beside the program then says what to do.
    return besideUsable || own.isEmpty() ? beside : own;
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
    if (isServerAddress(path))
        return createServerDatabase(path);
    const auto refused = [&](const QString &detail) {
        return Failure{QStringLiteral("Could not create the database"), detail, path};
    };
    const QFileInfo info(path);
    const QString folder = QDir::toNativeSeparators(info.absolutePath());
    // The user's data folder does not exist before the first database is made in it.
    const QString own = userDatabasePath();
    if (!own.isEmpty() && info.absoluteFilePath() == QFileInfo(own).absoluteFilePath() &&
        !QDir().mkpath(info.absolutePath())) {
        return refused(QStringLiteral("The folder %1 could not be created. Check that you may "
                                      "write in the folder above it.")
                           .arg(folder));
    }
    if (!QFileInfo(info.absolutePath()).isDir()) {
        return refused(QStringLiteral("The folder %1 does not exist. Create it first, or give a "
                                      "path in a folder that exists.")
                           .arg(folder));
    }
    if (info.exists() || info.isSymLink())
        return refused(
            QStringLiteral("A file of that name already exists; it was left untouched."));
    const QStringList schema = statements(schemaSql());
    if (schema.isEmpty())
        return refused(QStringLiteral("The program's copy of the schema is missing."));

    // Built in memory and written out whole: the file under its own name
    // holds a complete database or does not exist, even if the program is
    // killed half-way, and nothing is left to stand in a later attempt's way.
    sqlite3 *db = nullptr;
    configureSqlite();
    if (sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(db);
        return refused(QStringLiteral("SQLite could not make a database in memory."));
    }
    QString error;
    const auto run = [&](const QByteArray &sql) {
        char *message = nullptr;
        if (error.isEmpty() &&
            sqlite3_exec(db, sql.constData(), nullptr, nullptr, &message) != SQLITE_OK) {
            error = QString::fromUtf8(message ? message : sqlite3_errmsg(db));
        }
        sqlite3_free(message);
    };
    run("BEGIN");
    for (const QString &statement : schema)
        run(statement.toUtf8());
    run("COMMIT");
    sqlite3_int64 size = 0;
    unsigned char *bytes = error.isEmpty() ? sqlite3_serialize(db, "main", &size, 0) : nullptr;
    if (error.isEmpty() && !bytes)
        error = QStringLiteral("SQLite could not hand over the new database.");
    sqlite3_close(db);
    if (!error.isEmpty())
        return refused(error);

    AtomicFile file(path, AtomicFile::Mode::KeepExisting);
    const bool written = file.open() &&
                         file.device().write(reinterpret_cast<const char *>(bytes), size) == size &&
                         file.commit();
    sqlite3_free(bytes);
    if (!written)
        return refused(file.errorString().isEmpty() ? file.device().errorString()
                                                    : file.errorString());
    return success();
}

DatabaseCheck inspectDatabase(const QString &path)
{
    if (isServerAddress(path))
        return inspectServerDatabase(path);
    const QFileInfo info(path);
    if (!info.exists())
        return {DatabaseCheck::Missing, QStringLiteral("There is no file of that name.")};
    if (info.isDir())
        return {DatabaseCheck::NotQuorvel, QStringLiteral("It is a folder.")};
    if (info.size() == 0) {
        return {DatabaseCheck::Empty,
                QStringLiteral("The file is empty, as an interrupted database creation of an "
                               "older version left it.")};
    }

    // SQLite itself looks, never a descriptor of our own: closing any
    // descriptor of the file would drop the locks SQLite holds on it for
    // this process. It opens the file for writing where it may, as every
    // command does, so that a change an interrupted run left half done is
    // rolled back here rather than making the file unreadable; and it waits
    // for another program's lock as long as a command would.
    sqlite3 *db = nullptr;
    QStringList found;
    int version = 0;
    int code = SQLITE_OK;
    QString said;
    configureSqlite();
    code = sqlite3_open_v2(QFile::encodeName(info.absoluteFilePath()).constData(), &db,
                           SQLITE_OPEN_READWRITE, nullptr);
    if (code == SQLITE_OK) {
        sqlite3_extended_result_codes(db, 1);
        sqlite3_busy_timeout(db, busyTimeoutMs);
        const auto failed = [&](const Statement &statement) {
            if (statement.ok())
                return false;
            code = sqlite3_extended_errcode(db);
            said = statement.errorString();
            return true;
        };
        Statement names(db, "SELECT lower(name) FROM sqlite_master WHERE type = 'table'");
        while (names.next())
            found << QString::fromUtf8(names.text(0).data(), qsizetype(names.text(0).size()));
        if (!failed(names)) {
            Statement userVersion(db, "PRAGMA user_version");
            if (userVersion.next())
                version = int(userVersion.integer(0));
            failed(userVersion);
        }
    } else {
        said = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(code));
    }
    sqlite3_close(db);
    if ((code & 0xff) == SQLITE_NOTADB)
        return {DatabaseCheck::NotQuorvel, QStringLiteral("It is not an SQLite database.")};
    if (code != SQLITE_OK)
        return {DatabaseCheck::Unreadable, explainSqliteFailure(code, said, path)};

    QStringList missing;
    for (const QString &table : tables::all()) {
        if (!found.contains(table.toLower()))
            missing << table;
    }
    if (!missing.isEmpty()) {
        return {DatabaseCheck::NotQuorvel,
                QStringLiteral("It is an SQLite database without Quorvel's table%1 %2.")
                    .arg(missing.size() == 1 ? QString() : QStringLiteral("s"),
                         missing.join(QStringLiteral(", ")))};
    }
    // An older version is fine: the first command to open it brings it up to date.
    if (version > schemaVersion) {
        return {DatabaseCheck::Newer,
                QStringLiteral("It was written by a newer Quorvel (schema version %1; this "
                               "Quorvel knows versions up to %2).")
                    .arg(version)
                    .arg(schemaVersion)};
    }
    return {DatabaseCheck::Quorvel, QString()};
}

} // namespace store
