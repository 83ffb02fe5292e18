#pragma once

#include "export/Contact.h"
#include "export/ExportFile.h"
#include "store/Result.h"

#include <QString>

namespace exports {

// Writes the project's channel-definition (DGC) file to path: the contact
// details as given, then every channel of the project with its template
// lines, in the order they were added. The file is created, or emptied if it
// exists, before the store is read; on a failure the lines written so far
// stay in it. With Overwrite::WhenComplete the file is replaced only once it
// is whole instead. A path that is the database itself is refused.
store::Status writeChannelFile(const ContactDetails &contact, qint32 projectID, const QString &path,
                               const QString &databasePath,
                               Overwrite overwrite = Overwrite::InPlace);

} // namespace exports
