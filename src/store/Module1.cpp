#include "store/Module1.h"

#include "store/Database.h"

QString buildConnectionString(const QString &programDirectory)
{
    return store::defaultDatabasePath(programDirectory);
}
