#pragma once

#include "store/Result.h"

#include <QString>

namespace xmltv {

struct XmltvImport
{
    int channelsAdded = 0;
    // XMLTV channels that went into a channel of the project with the same name.
    int channelsMatched = 0;
    qint64 programmes = 0;
};

// Brings the channels and programmes of an XMLTV file into the project. Each
// XMLTV channel goes into the project's first channel of the same name, or
// into a new one; each programme gets its start as written in the file (date
// yyyy-mm-dd, time hh:mm), its length in minutes, its title and its first
// description and category. All or nothing: a file that is not well-formed,
// or lacks what the import needs, imports nothing, and the failure says at
// which line and column and what is wrong.
store::Result<XmltvImport> importXmltv(const QString &databasePath, qint32 projectID,
                                       const QString &path);

} // namespace xmltv
