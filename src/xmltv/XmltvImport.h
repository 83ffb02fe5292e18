#pragma once

#include "store/Result.h"
#include "xmltv/XmltvLimits.h"

#include <QString>
#include <QTimeZone>

#include <atomic>
#include <functional>

namespace xmltv {

struct XmltvImport
{
    int channelsAdded = 0;
    // XMLTV channels that went into a channel of the project with the same
    // XMLTV id, or into one of the same name that had no id yet.
    int channelsMatchedById = 0;
    int channelsMatchedByName = 0;
    // The file's programmes, all stored.
    qint64 programmes = 0;
    // The project's programmes the file's took the place of, and those it left.
    qint64 programmesReplaced = 0;
    qint64 programmesKept = 0;
};

// Stops an import from another thread. The import heeds it up to the moment
// it commits: once it has begun to commit, a cancel is refused and the import
// completes. So a cancel that was taken always leaves the project exactly as
// it was, and an import that completed was never cancelled.
class ImportCancel
{
public:
    // From any thread. False when the import is committing already.
    bool cancel();
    bool cancelled() const { return m_state.load(std::memory_order_relaxed) == Cancelled; }
    // The import's last step before it commits; false when cancelled first.
    bool beginCommit();

private:
    enum State { Running, Cancelled, Committing };
    std::atomic<int> m_state{Running};
};

// What an import that was cancelled gives back.
store::Failure importCancelled();

// How the caller follows an import and stops it.
struct XmltvImportControl
{
    // Called now and then on the importing thread with the number of
    // programmes read so far.
    std::function<void(qint64 programmesRead)> progress;
    // Cancelled, from any thread, to stop the import: it then rolls back and fails.
    ImportCancel *cancel = nullptr;
    XmltvLimits limits;
    // The zone a start typed in Quorvel is read in, to tell which of the
    // project's programmes lie within the span the guide covers.
    QTimeZone zone = QTimeZone::systemTimeZone();
};

// Brings the channels and programmes of an XMLTV file (gzipped when its name
// ends in .gz) into the project. Each XMLTV channel goes into the project's
// channel with the same XMLTV id, else into its first channel of the same name
// that has no XMLTV id yet, else into a new one. Each programme gets its start
// as written in the file (date yyyy-mm-dd, time hh:mm), its length in minutes,
// its title and its first description and category; its exact start and stop
// and everything else it carries are kept beside them for the XMLTV export.
// On a channel the project had already, the programmes starting within the
// span the file covers for it are replaced by the file's. All or nothing: a file that is not
// well-formed, or lacks what the import needs, or goes beyond the limits, imports nothing, and the
// failure says at which line and column and what is wrong. The store work runs on the calling
// thread, on a connection of its own.
store::Result<XmltvImport> importXmltv(const QString &databasePath, qint32 projectID,
                                       const QString &path, const XmltvImportControl &control = {});

} // namespace xmltv
