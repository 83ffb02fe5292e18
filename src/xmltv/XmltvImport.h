#pragma once

#include "store/Result.h"

#include <QString>

#include <atomic>
#include <functional>

namespace xmltv {

struct XmltvImport
{
    int channelsAdded = 0;
    // XMLTV channels that went into a channel of the project with the same name.
    int channelsMatched = 0;
    qint64 programmes = 0;
};

// What one guide may hold. XMLTV needs little of any of it; a file made to
// cost time or memory is refused where it first goes beyond a bound, rather
// than read to its end.
struct XmltvLimits
{
    // Elements inside one another, <tv> counting 1. XMLTV itself needs five.
    int depth = 64;
    // One tag with its attributes, comment, processing instruction or
    // declaration, in bytes of the file.
    qint64 markupBytes = 1024 * 1024;
    // One text the import keeps (a title, description, category, channel
    // name or address), in bytes of UTF-8. Lowered to what the store takes
    // when that is less.
    qint64 textBytes = 16 * 1024 * 1024;
};

// How the caller follows an import and stops it.
struct XmltvImportControl
{
    // Called now and then on the importing thread with the number of
    // programmes read so far.
    std::function<void(qint64 programmesRead)> progress;
    // Set, from any thread, to stop the import: it then rolls back and fails.
    const std::atomic_bool *cancel = nullptr;
    XmltvLimits limits;
};

// Brings the channels and programmes of an XMLTV file into the project. Each
// XMLTV channel goes into the project's first channel of the same name, or
// into a new one; each programme gets its start as written in the file (date
// yyyy-mm-dd, time hh:mm), its length in minutes, its title and its first
// description and category. All or nothing: a file that is not well-formed,
// or lacks what the import needs, or goes beyond the limits, imports nothing,
// and the failure says at which line and column and what is wrong. The store
// work runs on the calling thread, on a connection of its own.
store::Result<XmltvImport> importXmltv(const QString &databasePath, qint32 projectID,
                                       const QString &path, const XmltvImportControl &control = {});

} // namespace xmltv
