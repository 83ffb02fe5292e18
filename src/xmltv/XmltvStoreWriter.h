#pragma once

#include "store/Result.h"
#include "store/SqliteStatement.h"
#include "xmltv/XmltvBatch.h"
#include "xmltv/XmltvImport.h"

#include <QHash>
#include <QList>

#include <array>
#include <optional>

namespace store {
class Connection;
}

namespace xmltv::import {

// Stores the batches the reading thread hands over, on the connection's
// own thread and inside the transaction the caller has begun.
class GuideStore
{
    Q_DISABLE_COPY_MOVE(GuideStore)

public:
    // Programmes go into the store this many to a statement: a statement per
    // programme would cost more than the programme itself.
    static constexpr int rowsPerInsert = 64;

    GuideStore(store::Connection &db, qint32 projectID) : m_db(db), m_projectID(projectID) {}

    // Reads the project's channels and prepares the statements.
    store::Status prepare();
    store::Status store(const Batch &batch);

    // The longest text, in bytes, the store takes in one value.
    qint64 longestText() const;
    const XmltvImport &done() const { return m_done; }

private:
    // The texts a row is made of that are worked out here rather than read:
    // bound without a copy, they must last until the row's statement has run.
    struct MadeTexts
    {
        char date[10];
        char time[8];
        char minutes[24];
    };

    store::Status storeChannel(const ReadChannel &channel);
    // Binds the programme to the row numbered from 0 of the statement.
    void bind(store::SqliteStatement &insert, int row, const Batch &batch,
              const ReadProgramme &programme);
    store::Status run(store::SqliteStatement &insert);

    store::Connection &m_db;
    qint32 m_projectID;
    std::optional<store::SqliteStatement> m_insertMany;
    std::optional<store::SqliteStatement> m_insertOne;
    std::array<MadeTexts, rowsPerInsert> m_made{};
    // The project's channel of each channel the file defines, in its order.
    QList<qint64> m_channelIDs;
    // The project's channels by name, the first of each name.
    QHash<QString, qint64> m_channelsByName;
    XmltvImport m_done;
};

} // namespace xmltv::import
