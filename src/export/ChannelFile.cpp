#include "export/ChannelFile.h"

#include "export/ExportFile.h"
#include "store/Connection.h"
#include "store/OutputPath.h"
#include "store/Statement.h"
#include "store/Tables.h"

#include <charconv>

using store::Connection;
using store::Status;

namespace exports {

namespace {

void writeLine(ExportFile &file, std::string_view key, QStringView value)
{
    file.write(key);
    file.writeTyped(value);
    file.endLine();
}

void writeLine(ExportFile &file, std::string_view key, std::string_view storedValue)
{
    file.write(key);
    file.writeStored(storedValue);
    file.endLine();
}

// A line whose key carries a number: "[channel" n "]" or "Template" k "=".
void writeNumbered(ExportFile &file, std::string_view before, qint64 number, std::string_view after)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    file.write(before);
    file.write(std::string_view(digits, std::size_t(end - digits)));
    file.write(after);
}

Status writeChannels(Connection &db, ExportFile &file, qint32 projectID)
{
    using Channel = store::tables::Channel;
    using Template = store::tables::Template;
    store::Statement count(db, QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2 = ?")
                                   .arg(Channel::table, Channel::projectId));
    store::Statement channels(
        db, QStringLiteral("SELECT %1, %2, %3, %4, %5, %6 FROM %7 WHERE %8 = ? ORDER BY %1")
                .arg(Channel::id, Channel::name, Channel::updateFrequency, Channel::logoUrl,
                     Channel::dataUrl, Channel::channelUrl, Channel::table, Channel::projectId));
    // All the project's template lines in one query, in channel order, read
    // alongside the channels: one query per channel would cost more than
    // writing the whole file.
    store::Statement templates(
        db, QStringLiteral("SELECT t.%1, t.%2 FROM %3 AS c JOIN %4 AS t ON t.%1 = c.%5 "
                           "WHERE c.%6 = ? ORDER BY c.%5, t.rowid")
                .arg(Template::channelId, Template::line, Channel::table, Template::table,
                     Channel::id, Channel::projectId));
    const auto failed = [&](const store::Statement &statement) -> Status {
        return db.failure(statement.errorString());
    };

    count.restart(projectID);
    if (!count.next())
        return failed(count);
    writeNumbered(file, "ChannelCount=", count.integer(0), "\r\n");

    channels.restart(projectID);
    templates.restart(projectID);
    bool haveTemplate = templates.next();
    qint64 n = 0;
    while (channels.next()) {
        writeNumbered(file, "[channel", ++n, "]\r\n");
        writeLine(file, "Name=", channels.text(1));
        writeLine(file, "DaysBetweenUpdates=", channels.text(2));
        writeLine(file, "LogoURL=", channels.text(3));
        writeLine(file, "DataURL=", channels.text(4));
        writeLine(file, "ChannelURL=", channels.text(5));
        const qint64 channelID = channels.integer(0);
        qint64 k = 0;
        for (; haveTemplate && templates.integer(0) == channelID; haveTemplate = templates.next()) {
            writeNumbered(file, "Template", ++k, "=");
            file.writeStored(templates.text(1));
            file.endLine();
        }
        if (!templates.ok())
            return failed(templates);
        if (!file.ok())
            return store::success(); // the file's own failure is reported by the caller
    }
    if (!channels.ok())
        return failed(channels);
    if (!templates.ok())
        return failed(templates);
    return store::success();
}

} // namespace

Status writeChannelFile(const ContactDetails &contact, qint32 projectID, const QString &path,
                        const QString &databasePath, Overwrite overwrite)
{
    const QString action = QStringLiteral("Could not export the channel file");
    // Checked before the file is opened, which would empty the database.
    if (auto refused = store::refuseDatabaseAsOutput(path, databasePath, action); !refused)
        return refused;
    ExportFile file;
    if (!file.open(path, overwrite))
        return store::Failure{action, file.errorString(), QString()};

    file.write("[info]\r\n");
    writeLine(file, "Name=", contact.contactName);
    writeLine(file, "Email=", contact.contactEmail);
    writeLine(file, "HomeURL=", contact.homepage);
    writeLine(file, "Description=", contact.desc);

    // One snapshot for both passes: "ChannelCount=" always equals the
    // number of sections.
    const Status read = store::readSnapshot(
        databasePath, action, [&](Connection &db) { return writeChannels(db, file, projectID); });
    return file.finish(read, action);
}

} // namespace exports
