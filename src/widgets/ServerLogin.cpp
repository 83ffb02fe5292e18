#include "widgets/ServerLogin.h"

#include "store/Connection.h"
#include "store/Server.h"
#include "widgets/Dialogs.h"

store::Result<std::optional<QString>> logIn(Dialogs &dialogs, QWidget *parent,
                                            const QString &address)
{
    bool wantsPassword = false;
    auto reached = store::reach(address, &wantsPassword);
    if (reached)
        return std::optional<QString>(address);
    if (!wantsPassword)
        return reached.failure();
    const QString password = dialogs.password(
        parent,
        QStringLiteral("The PostgreSQL server %1 asks for a password.\n\nPassword:")
            .arg(store::serverName(address)),
        QStringLiteral("Connect to Server"));
    if (password.isEmpty())
        return std::optional<QString>();
    const QString withPassword = store::withPassword(address, password);
    // Once: a second refusal is told rather than asked again.
    if (reached = store::reach(withPassword); !reached)
        return reached.failure();
    return std::optional<QString>(withPassword);
}
