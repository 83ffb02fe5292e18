#pragma once

#include "store/ProgrammeRow.h"
#include "store/Result.h"
#include "store/ServerStatement.h"
#include "store/Statement.h"
#include "xmltv/XmltvBatch.h"
#include "xmltv/XmltvImport.h"

#include <QHash>
#include <QList>
#include <QTimeZone>

#include <array>
#include <optional>
#include <string>
#include <vector>

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
    // Programmes go into the store up to this many to a statement: each
    // statement costs about as much again as a few dozen rows, in opening
    // its cursors and its undo record. What is left of a batch goes in
    // through statements of half as many rows, and of half again, down to one.
    static constexpr int rowsPerInsert = 1024;
    static constexpr int insertSizes = 11;

    GuideStore(store::Connection &db, qint32 projectID, const QTimeZone &zone,
               const ImportCancel *cancel = nullptr);

    // Reads the project's channels and prepares the statements.
    store::Status prepare();
    store::Status store(const Batch &batch);
    // Once every batch is stored: removes the programmes the file's replace.
    // A cancel stops it within a few hundred rows, failing.
    store::Status finish();

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
        char start[20];
        char stop[20];
        char typed[48];
    };

    // The instants the file's programmes on a channel the project had
    // already cover: from the earliest start to the latest stop, or to the
    // latest start where that lies later.
    struct Span
    {
        qint64 from = 0;
        qint64 stopsBefore = 0;
        qint64 startsUpTo = 0;
        bool any = false;
    };

    store::Status storeChannel(const ReadChannel &channel);
    // The programme as the row stored, its worked-out texts in `made`.
    store::ProgrammeRowUtf8 rowOf(MadeTexts &made, const Batch &batch,
                                  const ReadProgramme &programme);
    store::Status run(store::Statement &insert);
    // On a server the batch's programmes go in through one COPY, kept open
    // from batch to batch while the file adds no channel, so that the
    // server stores rows while the next batch is read.
    store::Status copy(const Batch &batch);
    store::Status endCopy();

    store::Connection &m_db;
    qint32 m_projectID;
    QTimeZone m_zone;
    const ImportCancel *m_cancel;
    // Statements of rowsPerInsert rows, then of half as many, down to one.
    std::array<std::optional<store::Statement>, insertSizes> m_inserts;
    std::optional<store::RowBinder> m_binder;
    // The row's members that take the texts of the programme's children
    // that stand for columns, and their attributes that have columns.
    std::array<std::string_view store::ProgrammeRowUtf8::*, childColumnCount> m_childTexts = {};
    std::array<std::string_view store::ProgrammeRowUtf8::*, childColumnCount> m_childAttributes =
        {};
    std::vector<MadeTexts> m_made = std::vector<MadeTexts>(rowsPerInsert);
    // Whether the programmes go in through COPY: on a server, where the
    // user's rows are not limited by row-level security.
    bool m_copies = false;
    std::optional<store::ServerCopy> m_copy;
    std::string m_copyText;
    // The project's channel of each channel the file defines, in its order.
    QList<qint64> m_channelIDs;
    // The project's channels by XMLTV id, and those without one by name,
    // the first of each name.
    QHash<QString, qint64> m_channelsById;
    QHash<QString, qint64> m_channelsByName;
    // The channels the project had, with the span the file covers on each.
    QHash<qint64, Span> m_spans;
    // Programmes up to this one were there before the import.
    qint64 m_lastProgrammeBefore = 0;
    XmltvImport m_done;
};

} // namespace xmltv::import
