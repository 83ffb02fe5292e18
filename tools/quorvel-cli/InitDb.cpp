#include "Commands.h"

#include "store/Database.h"

int initDb(const QStringList &arguments)
{
    if (arguments.size() != 1) {
        complain(QStringLiteral("usage: quorvel-cli init-db PATH"));
        return 2;
    }
    const QString &path = arguments.constFirst();
    const auto created = store::createDatabase(path);
    if (!created) {
        complain(QStringLiteral("cannot create %1: %2").arg(path, created.failure().detail));
        return 1;
    }
    return 0;
}
