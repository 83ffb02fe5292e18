#include "store/Server.h"

#include "store/Connection.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QStringList>
#include <QUrl>
#include <QVariant>

#include <algorithm>

#include <libpq-fe.h>

#include <memory>
#include <optional>

namespace store {

namespace {

struct Option
{
    QString key;
    QString value;
};

struct OptionsDeleter
{
    void operator()(PQconninfoOption *options) const { PQconninfoFree(options); }
};

// The settings the address gives, in libpq's order; nothing when libpq
// cannot read it, with its reason in `why`.
std::optional<QList<Option>> parse(const QString &address, QString *why = nullptr)
{
    char *error = nullptr;
    std::unique_ptr<PQconninfoOption, OptionsDeleter> options(
        PQconninfoParse(address.toUtf8().constData(), &error));
    if (!options) {
        if (why)
            *why = error ? QString::fromUtf8(error).trimmed()
                         : QStringLiteral("libpq could not read it.");
        PQfreemem(error);
        return std::nullopt;
    }
    QList<Option> given;
    for (const PQconninfoOption *o = options.get(); o->keyword; ++o) {
        if (o->val)
            given.append({QString::fromUtf8(o->keyword), QString::fromUtf8(o->val)});
    }
    return given;
}

bool isUri(const QString &address)
{
    return address.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           address.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

// A value as libpq's key=value form writes it.
QString quotedValue(const QString &value)
{
    QString escaped = value;
    escaped.replace(u'\\', QStringLiteral("\\\\"));
    escaped.replace(u'\'', QStringLiteral("\\'"));
    return u'\'' + escaped + u'\'';
}

QString joined(const QList<Option> &options)
{
    QStringList pairs;
    for (const Option &o : options)
        pairs << o.key + u'=' + quotedValue(o.value);
    return pairs.join(u' ');
}

QString valueOf(const QList<Option> &options, QLatin1StringView key)
{
    for (const Option &o : options) {
        if (o.key == key)
            return o.value;
    }
    return QString();
}

} // namespace

bool isServerAddress(const QString &database)
{
    if (isUri(database))
        return true;
    // key=value pairs start with one of libpq's keywords; a file named so
    // can still be given as ./host=... .
    static const QRegularExpression pairs(QStringLiteral("^\\s*[a-z_]+\\s*="));
    if (!pairs.match(database).hasMatch())
        return false;
    const auto options = parse(database);
    return options && !options->isEmpty();
}

namespace {

QList<Option> otherThanPassword(const QList<Option> &options)
{
    QList<Option> kept;
    for (const Option &o : options) {
        if (o.key != QLatin1String("password"))
            kept.append(o);
    }
    return kept;
}

} // namespace

QString withoutPassword(const QString &address)
{
    const auto options = parse(address);
    if (!options)
        return address;
    const QList<Option> kept = otherThanPassword(*options);
    // A URI is written again as key=value pairs: libpq reads both alike.
    return kept.size() == options->size() ? address : joined(kept);
}

QString withPassword(const QString &address, const QString &password)
{
    const auto options = parse(address);
    if (!options)
        return address;
    QList<Option> kept = otherThanPassword(*options);
    kept.append({QStringLiteral("password"), password});
    return joined(kept);
}

QString serverName(const QString &address)
{
    const auto options = parse(address);
    if (!options)
        return withoutPassword(address);
    const QString service = valueOf(*options, QLatin1String("service"));
    const QString user = valueOf(*options, QLatin1String("user"));
    QString host = valueOf(*options, QLatin1String("host"));
    if (host.isEmpty())
        host = valueOf(*options, QLatin1String("hostaddr"));
    const QString port = valueOf(*options, QLatin1String("port"));
    const QString name = valueOf(*options, QLatin1String("dbname"));
    QString shown;
    if (!user.isEmpty())
        shown += user + u'@';
    shown += host.isEmpty() ? QStringLiteral("localhost") : host;
    if (!port.isEmpty())
        shown += u':' + port;
    if (!name.isEmpty())
        shown += u'/' + name;
    if (!service.isEmpty())
        return host.isEmpty() && name.isEmpty()
                   ? QStringLiteral("service %1").arg(service)
                   : QStringLiteral("%1 (service %2)").arg(shown, service);
    return shown;
}

QString serverAddress(const ServerFields &fields)
{
    const auto encoded = [](const QString &text) {
        return QString::fromLatin1(QUrl::toPercentEncoding(text));
    };
    QString address = QStringLiteral("postgresql://");
    if (!fields.user.isEmpty())
        address += encoded(fields.user) + u'@';
    // An IPv6 address stands in brackets, so that its colons are not the port's.
    address += fields.host.contains(u':') ? u'[' + fields.host + u']' : encoded(fields.host);
    if (!fields.port.isEmpty())
        address += u':' + encoded(fields.port);
    if (!fields.database.isEmpty())
        address += u'/' + encoded(fields.database);
    QStringList settings;
    if (!fields.sslMode.isEmpty())
        settings << QStringLiteral("sslmode=") + encoded(fields.sslMode);
    if (!fields.caFile.isEmpty())
        settings << QStringLiteral("sslrootcert=") + encoded(fields.caFile);
    if (!settings.isEmpty())
        address += u'?' + settings.join(u'&');
    return address;
}

std::optional<ServerFields> serverFields(const QString &address)
{
    const auto options = parse(address);
    if (!options)
        return std::nullopt;
    ServerFields fields;
    const QList<QPair<QLatin1StringView, QString *>> known{
        {QLatin1StringView("host"), &fields.host},
        {QLatin1StringView("port"), &fields.port},
        {QLatin1StringView("dbname"), &fields.database},
        {QLatin1StringView("user"), &fields.user},
        {QLatin1StringView("sslmode"), &fields.sslMode},
        {QLatin1StringView("sslrootcert"), &fields.caFile}};
    for (const Option &o : *options) {
        const auto field = std::find_if(known.begin(), known.end(),
                                        [&](const auto &k) { return k.first == o.key; });
        if (field == known.end())
            return std::nullopt;
        *field->second = o.value;
    }
    return fields;
}

Status applyServerAddress(QSqlDatabase &db, const QString &address)
{
    QString why;
    const auto options = parse(address, &why);
    if (!options) {
        return Failure{QString(),
                       QStringLiteral("The server address %1 cannot be read: %2 Write it as "
                                      "postgresql://user@host:port/database, or as key=value "
                                      "pairs such as \"service=listings\".")
                           .arg(withoutPassword(address), why),
                       withoutPassword(address)};
    }
    QList<Option> rest;
    bool hasTimeout = false;
    for (const Option &o : *options) {
        if (o.key == QLatin1String("host"))
            db.setHostName(o.value);
        else if (o.key == QLatin1String("port") && o.value.toInt() > 0)
            db.setPort(o.value.toInt());
        else if (o.key == QLatin1String("dbname"))
            db.setDatabaseName(o.value);
        else if (o.key == QLatin1String("user"))
            db.setUserName(o.value);
        else if (o.key == QLatin1String("password"))
            db.setPassword(o.value);
        else
            rest.append(o);
        hasTimeout = hasTimeout || o.key == QLatin1String("connect_timeout");
    }
    // A server that does not answer at all would otherwise hold the window
    // for as long as the network takes to give up.
    if (!hasTimeout)
        rest.append({QStringLiteral("connect_timeout"), QStringLiteral("10")});
    QStringList pairs;
    for (const Option &o : std::as_const(rest))
        pairs << o.key + u'=' + quotedValue(o.value);
    db.setConnectOptions(pairs.join(u';'));
    return success();
}

bool needsPassword(const QSqlError &error)
{
    const QString said = error.databaseText() + error.driverText();
    return said.contains(QLatin1String("no password supplied")) ||
           said.contains(QLatin1String("password authentication failed"));
}

namespace {

// What a server's refusal of a right means in terms of Quorvel's roles
// (store/ServerSchema.h). A row-level security refusal shares the code.
QString explainRefusal(const QString &told, const QString &server)
{
    const QString said = QStringLiteral("\n\nThe server said: %1").arg(told);
    if (told.contains(QLatin1String("row-level security"))) {
        return QStringLiteral("Your login on the PostgreSQL server %1 may not see or change that "
                              "project: it is limited to roles your login is not a member of. "
                              "Ask the database's owner to give you one of them.%2")
            .arg(server, said);
    }
    const bool schema = told.contains(QLatin1String("must be owner")) ||
                        told.contains(QLatin1String("for schema")) ||
                        told.contains(QLatin1String("quorvelschema"), Qt::CaseInsensitive) ||
                        told.contains(QLatin1String("projectaccess"), Qt::CaseInsensitive);
    if (schema) {
        return QStringLiteral("Only the owners of the Quorvel database on the PostgreSQL server "
                              "%1 (members of the role quorvel_owner) may change its schema or "
                              "limit its projects to roles; your login is not one of them. Ask "
                              "the database's owner.%2")
            .arg(server, said);
    }
    if (told.contains(QLatin1String("permission denied"))) {
        return QStringLiteral("Your login on the PostgreSQL server %1 may only read and export "
                              "listings, not change them. Nothing was changed. Ask the "
                              "database's owner for the role quorvel_editor.%2")
            .arg(server, said);
    }
    return QStringLiteral("The PostgreSQL server %1 does not let this user do that.%2\n\nAsk "
                          "the database's owner for the right role.")
        .arg(server, said);
}

} // namespace

QString noRoleAdvice(const QString &server)
{
    return QStringLiteral("Your login on the PostgreSQL server %1 has no Quorvel role, so it may "
                          "not read the listings there. Ask the database's owner for the role "
                          "quorvel_reader (to read and export) or quorvel_editor (to change "
                          "listings too).")
        .arg(server);
}

QString explainServerFailure(const QString &state, const QString &said, const QString &address)
{
    const QString server = serverName(address);
    const QString told = said.trimmed();
    if (told.contains(QLatin1String("no password supplied")))
        return QStringLiteral("The PostgreSQL server %1 asks for a password, and none was given. "
                              "Put it in ~/.pgpass (host:port:database:user:password, readable "
                              "only by you), the service file or the PGPASSWORD environment "
                              "variable; quorvel-cli asks for it when run at a terminal, and the "
                              "program's File > \"Connect to Server...\" asks for it too.")
            .arg(server);
    if (told.contains(QLatin1String("password authentication failed")))
        return QStringLiteral("The PostgreSQL server %1 refused the user name or password. Check "
                              "them (and ~/.pgpass), or ask the server's administrator.\n\n"
                              "The server said: %2")
            .arg(server, told);
    if (told.contains(QLatin1String("could not connect")) ||
        told.contains(QLatin1String("Connection refused")) ||
        told.contains(QLatin1String("could not translate host name")) ||
        told.contains(QLatin1String("timeout expired")))
        return QStringLiteral("Quorvel could not reach the PostgreSQL server %1: it is not "
                              "running, or the address or port is wrong, or a firewall is in the "
                              "way. Check the address, and that the server is up.\n\nlibpq "
                              "said: %2")
            .arg(server, told);
    if (told.contains(QLatin1String("certificate")) || told.contains(QLatin1String("SSL")))
        return QStringLiteral("The secure connection to the PostgreSQL server %1 could not be "
                              "made: %2\n\nCheck the address's sslmode and sslrootcert (the "
                              "certificate of the authority that signed the server's).")
            .arg(server, told);
    if (told.contains(QLatin1String("database \"")) &&
        told.contains(QLatin1String("does not exist")))
        return QStringLiteral("The PostgreSQL server %1 has no such database: %2\n\nCreate it "
                              "(createdb), then give it Quorvel's tables with:\nquorvel-cli "
                              "init-db '%3'")
            .arg(server, told, withoutPassword(address));
    if (state == QLatin1String("55P03") || state == QLatin1String("40P01"))
        return QStringLiteral("Another program is changing the Quorvel database on the "
                              "PostgreSQL server %1 and kept it locked for more than %2 seconds. "
                              "Wait until it has finished, then try again.")
            .arg(server, QString::number(busyTimeoutMs / 1000));
    if (state.startsWith(QLatin1String("08")) || state == QLatin1String("57P01"))
        return QStringLiteral("The connection to the PostgreSQL server %1 was lost: %2\n\nNothing "
                              "of the command was kept. Try again once the server is back.")
            .arg(server, told);
    if (state == QLatin1String("42501"))
        return explainRefusal(told, server);
    if (state == QLatin1String("53100"))
        return QStringLiteral("The disk of the PostgreSQL server %1 is full. Ask its "
                              "administrator to make room, then try again.")
            .arg(server);
    return told.isEmpty() ? QStringLiteral("The server gave no reason.") : told;
}

QString nulTextRefusal()
{
    return QStringLiteral("A text holds the character U+0000 (NUL), which a PostgreSQL server "
                          "cannot store. Nothing was saved. Remove that character from the text, "
                          "then try again.");
}

bool holdsNul(const QVariant &value)
{
    return value.typeId() == QMetaType::QString &&
           static_cast<const QString *>(value.constData())->contains(QChar(0));
}

PGconn *serverHandle(Connection &connection)
{
    const QSqlDriver *driver = connection.database().driver();
    if (!driver)
        return nullptr;
    const QVariant handle = driver->handle();
    // Qt's driver hands it over by libpq's own name for the structure.
    if (!handle.isValid() || qstrcmp(handle.typeName(), "pg_conn*") != 0)
        return nullptr;
    return *static_cast<PGconn *const *>(handle.constData());
}

QString serverWriteLockSql()
{
    // One lock for the whole database, taken for the transaction and let go
    // with it; the number is Quorvel's own ("quorvel" in ASCII).
    return QStringLiteral("SELECT pg_advisory_xact_lock(32199770488882540)");
}

} // namespace store
