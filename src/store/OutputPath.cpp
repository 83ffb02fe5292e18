#include "store/OutputPath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace store {

bool isSameFile(const QString &a, const QString &b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    const QString canonicalA = QFileInfo(a).canonicalFilePath();
    if (!canonicalA.isEmpty() && canonicalA == QFileInfo(b).canonicalFilePath())
        return true;
    struct stat first = {};
    struct stat second = {};
    return ::stat(QFile::encodeName(a).constData(), &first) == 0 &&
           ::stat(QFile::encodeName(b).constData(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

Status refuseDatabaseAsOutput(const QString &outputPath, const QString &databasePath,
                              const QString &action)
{
    if (!isSameFile(outputPath, databasePath))
        return success();
    return Failure{action,
                   QStringLiteral("%1 is the database itself; it was left untouched. Choose "
                                  "another file to write.")
                       .arg(QDir::toNativeSeparators(outputPath)),
                   databasePath};
}

} // namespace store
