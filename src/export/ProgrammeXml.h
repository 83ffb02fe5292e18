#pragma once

#include "export/ExportFile.h"
#include "store/Result.h"

#include <QString>

namespace exports {

// Writes the programme listing of the project to path as XML: one element
// for each channel that has programmes, in the order the channels and
// programmes were added. The file is created, or emptied if it exists, and
// its first line written before the store is read; on a failure the lines
// written so far stay in it. With Overwrite::WhenComplete the file is
// replaced only once it is whole instead. A path that is the database itself
// is refused.
store::Status writeProgrammeXml(qint32 projectID, const QString &path, const QString &databasePath,
                                Overwrite overwrite = Overwrite::InPlace);

} // namespace exports
