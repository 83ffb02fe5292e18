#pragma once

#include "store/Result.h"

#include <QString>

namespace store {

// True when both paths lead to one existing file, however they are written:
// relative or absolute, through symbolic links, or as two hard links of it
// (the same device and inode).
bool isSameFile(const QString &a, const QString &b);

// A failure, described by action, when writing outputPath would write over
// the database at databasePath; success otherwise.
Status refuseDatabaseAsOutput(const QString &outputPath, const QString &databasePath,
                              const QString &action);

} // namespace store
