#include "xmltv/XmltvImport.h"

#include "store/Connection.h"
#include "store/OutputPath.h"
#include "xmltv/XmltvBatch.h"
#include "xmltv/XmltvParser.h"
#include "xmltv/XmltvStoreWriter.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <thread>

using store::Connection;
using store::Failure;
using store::Result;
using store::Status;

// The import reads the file on a thread of its own (XmltvParser) while the
// calling thread stores what has been read (XmltvStoreWriter), the two
// meeting in a bounded hand-off (XmltvBatch), so a large guide takes about
// as long as the slower of the two rather than both. The reading thread
// touches no store object, and the store work stays on the calling thread
// inside one transaction, so a failure on either side, or a cancel, leaves
// nothing behind.
namespace xmltv {

namespace {

using import::GuideParser;
using import::GuideStore;
using import::Handoff;

bool cancelled(const XmltvImportControl &control)
{
    return control.cancel && control.cancel->cancelled();
}


Result<XmltvImport> storeGuide(Connection &db, qint32 projectID, const QString &path,
                               const XmltvImportControl &control)
{
    GuideStore guide(db, projectID, control.zone, control.cancel);
    if (auto prepared = guide.prepare(); !prepared)
        return prepared.failure();

    XmltvLimits limits = control.limits;
    if (const qint64 longest = guide.longestText(); longest > 0)
        limits.textBytes = std::min(limits.textBytes, longest);

    Handoff handoff;
    std::thread reading([&] { GuideParser(path, handoff, limits, control.cancel).run(); });
    Status stored = store::success();
    while (auto batch = handoff.take()) {
        if (cancelled(control))
            break;
        stored = guide.store(*batch);
        if (!stored)
            break;
        if (control.progress)
            control.progress(batch->readSoFar);
        handoff.giveBack(std::move(*batch));
    }
    // Whatever stopped the storing side stops the reading side too.
    handoff.giveUp();
    reading.join();

    if (cancelled(control))
        return importCancelled();
    if (!stored)
        return stored.failure();
    if (!handoff.problem()) {
        if (auto finished = guide.finish(); !finished)
            return finished.failure();
    }
    if (const auto &problem = handoff.problem()) {
        QString what = problem->what;
        if (!what.endsWith(u'.'))
            what += u'.';
        return Failure{QString(),
                       QStringLiteral("Line %1, column %2: %3")
                           .arg(problem->line)
                           .arg(problem->column)
                           .arg(what),
                       QString()};
    }
    // From here on the import completes: a cancel asked for now is refused.
    if (control.cancel && !control.cancel->beginCommit())
        return importCancelled();
    return guide.done();
}

} // namespace

Failure importCancelled()
{
    return Failure{QString(), QStringLiteral("The import was cancelled."), QString()};
}

bool ImportCancel::cancel()
{
    int running = Running;
    return m_state.compare_exchange_strong(running, Cancelled) || running == Cancelled;
}

bool ImportCancel::beginCommit()
{
    int running = Running;
    return m_state.compare_exchange_strong(running, Committing);
}

Result<XmltvImport> importXmltv(const QString &databasePath, qint32 projectID, const QString &path,
                                const XmltvImportControl &control)
{
    const QString action =
        QStringLiteral("Could not import %1").arg(QDir::toNativeSeparators(path));
    // The database's own file is never opened as a guide: closing that
    // descriptor would take SQLite's locks from the import's connection.
    if (store::isSameFile(path, databasePath)) {
        return Failure{action,
                       QStringLiteral("%1 is the database itself, not an XMLTV guide; nothing was "
                                      "imported.")
                           .arg(QDir::toNativeSeparators(path)),
                       databasePath};
    }
    // Checked before the store is opened, so a wrong path says so plainly.
    if (QFile file(path); !file.open(QIODevice::ReadOnly))
        return Failure{action, file.errorString(), QString()};
    return store::write(databasePath, action,
                        [&](Connection &db) { return storeGuide(db, projectID, path, control); });
}

} // namespace xmltv
