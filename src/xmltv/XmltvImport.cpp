#include "xmltv/XmltvImport.h"

#include "store/Connection.h"
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
    return control.cancel && control.cancel->load(std::memory_order_relaxed);
}

Result<XmltvImport> storeGuide(Connection &db, qint32 projectID, const QString &path,
                               const XmltvImportControl &control)
{
    GuideStore guide(db, projectID, control.zone);
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
        return Failure{QString(), QStringLiteral("The import was cancelled."), QString()};
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
    return guide.done();
}

} // namespace

Result<XmltvImport> importXmltv(const QString &databasePath, qint32 projectID, const QString &path,
                                const XmltvImportControl &control)
{
    const QString action =
        QStringLiteral("Could not import %1").arg(QDir::toNativeSeparators(path));
    // Checked before the store is opened, so a wrong path says so plainly.
    if (QFile file(path); !file.open(QIODevice::ReadOnly))
        return Failure{action, file.errorString(), QString()};
    return store::write(databasePath, action,
                        [&](Connection &db) { return storeGuide(db, projectID, path, control); });
}

} // namespace xmltv
