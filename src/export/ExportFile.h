#pragma once

#include "store/AtomicFile.h"
#include "store/Result.h"

#include <QFile>
#include <QString>

#include <cstddef>
#include <memory>
#include <string_view>

namespace exports {

// How an export meets an existing file of the same name.
enum class Overwrite
{
    // Emptied first, then written line by line; on a failure the lines
    // written so far stay in it. The export windows work so.
    InPlace,
    // Replaced only once the new file is whole and on disk; on a failure, or
    // if the program is killed, the old file stays as it was. For scripts,
    // which may run the export over a file other programs read.
    WhenComplete,
};

// An export file being written line by line: Windows-1252, CRLF after every
// line, no byte-order mark. Output is gathered in a buffer of fixed size, so
// memory stays the same however large the project is. After the first
// failure nothing more is written; what was written before stays in the file.
class ExportFile
{
    Q_DISABLE_COPY_MOVE(ExportFile)

public:
    ExportFile();
    ~ExportFile();

    // Creates the file, or empties it if it exists; with
    // Overwrite::WhenComplete, starts a file that replaces it on finish().
    bool open(const QString &path, Overwrite overwrite = Overwrite::InPlace);
    // Before open(): see store::AtomicFile::setWrittenBack.
    void setWrittenBack(bool writtenBack) { m_writtenBack = writtenBack; }

    // Text of the program's own, plain ASCII.
    void write(std::string_view ascii);
    // A value as the user typed it.
    void writeTyped(QStringView text);
    // A value as the database holds it, in UTF-8.
    void writeStored(std::string_view utf8);
    void endLine() { write("\r\n"); }

    bool ok() const { return m_error.isEmpty(); }
    // Writes out the buffer and closes the file; false if anything failed.
    // A file that replaces its target does so now, if nothing failed.
    bool close();
    // Closes the file after the store was read: the store's failure if
    // there was one, else the file's own, described by `action`. A file that
    // replaces its target does so only when both succeeded.
    store::Status finish(const store::Status &read, const QString &action);
    // What went wrong, naming the file.
    const QString &errorString() const { return m_error; }

private:
    char *room(std::size_t bytes);
    void flush();
    void fail(const QString &reason);

    QString m_path;
    QFile m_file;
    // Set while the file replaces its target when complete.
    std::unique_ptr<store::AtomicFile> m_replacing;
    bool m_writtenBack = false;
    QFileDevice *m_device = &m_file;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_used = 0;
    QString m_error;
};

} // namespace exports
