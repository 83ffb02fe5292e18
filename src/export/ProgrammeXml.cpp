#include "export/ProgrammeXml.h"

#include "export/ExportFile.h"
#include "store/Connection.h"
#include "store/OutputPath.h"
#include "store/SqliteStatement.h"
#include "store/Tables.h"

using store::Connection;
using store::Status;

namespace exports {

namespace {

Status writeChannels(Connection &db, ExportFile &file, qint32 projectID)
{
    sqlite3 *handle = store::sqliteHandle(db);
    using Channel = store::tables::Channel;
    using Programme = store::tables::Programme;
    store::SqliteStatement channels(
        handle, QStringLiteral("SELECT %1, %2 FROM %3 WHERE %4 = ? ORDER BY %1")
                    .arg(Channel::id, Channel::name, Channel::table, Channel::projectId));
    store::SqliteStatement programmes(
        handle, QStringLiteral("SELECT %1, %2, %3, %4, %5, %6 FROM %7 WHERE %8 = ? ORDER BY %9")
                    .arg(Programme::name, Programme::startDate, Programme::startTime,
                         Programme::duration, Programme::category, Programme::desc,
                         Programme::table, Programme::channelId, Programme::id));
    const auto failed = [&](const store::SqliteStatement &statement) -> Status {
        return db.failure(statement.errorString());
    };

    channels.restart(projectID);
    while (channels.next()) {
        programmes.restart(channels.integer(0));
        // The channel element begins only once its first programme is in
        // hand: a channel without programmes leaves no trace in the file.
        if (!programmes.next()) {
            if (!programmes.ok())
                return failed(programmes);
            continue;
        }
        file.write("<channel name=\"");
        file.writeStored(channels.text(1));
        file.write("\">\r\n\t<programmes>\r\n");
        do {
            file.write("\t\t<programme name=\"");
            file.writeStored(programmes.text(0));
            file.write("\" startdate=\"");
            file.writeStored(programmes.text(1));
            file.write("\" starttime=\"");
            file.writeStored(programmes.text(2));
            file.write("\" duration=\"");
            file.writeStored(programmes.text(3));
            file.write("\" category=\"");
            file.writeStored(programmes.text(4));
            file.write("\">\r\n\t\t\t<synopsis>");
            file.writeStored(programmes.text(5));
            file.write("</synopsis>\r\n\t\t</programme>\r\n");
        } while (programmes.next());
        if (!programmes.ok())
            return failed(programmes);
        file.write("\t</programmes>\r\n</channel>\r\n");
        if (!file.ok())
            return store::success(); // the file's own failure is reported by the caller
    }
    if (!channels.ok())
        return failed(channels);
    return store::success();
}

} // namespace

Status writeProgrammeXml(qint32 projectID, const QString &path, const QString &databasePath,
                         Overwrite overwrite)
{
    const QString action = QStringLiteral("Could not export the programme listing");
    // Checked before the file is opened, which would empty the database.
    if (auto refused = store::refuseDatabaseAsOutput(path, databasePath, action); !refused)
        return refused;
    ExportFile file;
    if (!file.open(path, overwrite))
        return store::Failure{action, file.errorString(), QString()};

    file.write("<channels>\r\n");
    // Written before the store is read: a store that cannot be read leaves
    // a file holding this line alone.
    const Status read = store::readSnapshot(
        databasePath, action, [&](Connection &db) { return writeChannels(db, file, projectID); });
    if (read)
        file.write("</channels>\r\n");
    return file.finish(read, action);
}

} // namespace exports
