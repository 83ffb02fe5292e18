#include "export/ProgrammeXml.h"

#include "export/ExportFile.h"
#include "store/ChannelProgrammes.h"
#include "store/Connection.h"
#include "store/OutputPath.h"
#include "store/ProgrammeRow.h"
#include "store/Server.h"
#include "store/Statement.h"
#include "store/Tables.h"

using store::Connection;
using store::Status;

namespace exports {

namespace {

Status writeChannels(Connection &db, ExportFile &file, qint32 projectID)
{
    using Channel = store::tables::Channel;
    store::Statement channels(
        db, QStringLiteral("SELECT %1, %2 FROM %3 WHERE %4 = ? ORDER BY %1")
                .arg(Channel::id, Channel::name, Channel::table, Channel::projectId));
    store::ChannelProgrammes programmes(db, store::editorColumns(), projectID);
    const store::Statement &programme = programmes.row();
    const store::RowReader reader(programme);
    store::ProgrammeRowUtf8 row;
    const auto failed = [&](const auto &statement) -> Status {
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
            reader.read(programme, row);
            file.write("\t\t<programme name=\"");
            file.writeStored(row.programmeName);
            file.write("\" startdate=\"");
            file.writeStored(row.startDate);
            file.write("\" starttime=\"");
            file.writeStored(row.startTime);
            file.write("\" duration=\"");
            file.writeStored(row.duration);
            file.write("\" category=\"");
            file.writeStored(row.category);
            file.write("\">\r\n\t\t\t<synopsis>");
            file.writeStored(row.programmeDesc);
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
    file.setWrittenBack(store::isServerAddress(databasePath));
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
