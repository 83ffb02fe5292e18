#pragma once

#include "xmltv/XmltvColumns.h"
#include "xmltv/XmltvTime.h"

#include <QList>
#include <QString>

#include <array>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the import's reading thread hands to its storing thread, and the
// hand-off between the two.
//
// Both sides keep the file's text as the UTF-8 it nearly always is: expat
// hands it over in UTF-8 and SQLite stores UTF-8, so a programme's title
// and description are copied once into a batch and once into the store,
// and never become QStrings on the way.
namespace xmltv::import {

// A piece of a batch's text.
struct TextSpan
{
    std::size_t offset = 0;
    std::size_t size = 0;
};

// Channels are numbered in the order the file defines them; a programme
// names its channel by that number.
struct ReadChannel
{
    QString xmltvId;
    QString name;
    QString logoURL;
    QString channelURL;
    // The first <lcn>, empty when there is none.
    QString number;
    // The channel's other children (xmltv/XmltvExtras.h); empty when it has none.
    QString extra;
};

struct ReadProgramme
{
    qsizetype channel = 0;
    // As the file gives them, wall clock and offset.
    Timestamp start;
    std::optional<Timestamp> stop;
    // How long it runs, when the file says.
    std::optional<qint64> seconds;
    // The texts of the children that stand for columns, as
    // programmeChildren lists them, and the attributes those keep in columns
    // of their own; empty when the file gives none.
    std::array<TextSpan, childColumnCount> texts;
    std::array<TextSpan, childColumnCount> attributes;
    // The programme's other children (xmltv/XmltvExtras.h); empty when it has none.
    TextSpan extra;
};

struct Batch
{
    QList<ReadChannel> channels;
    std::vector<ReadProgramme> programmes;
    // The programmes' texts, one after the other: one allocation for a
    // whole batch, kept when the batch is used again.
    std::string text;
    // Programmes read from the file up to the end of this batch.
    qint64 readSoFar = 0;

    std::string_view textOf(TextSpan span) const { return {text.data() + span.offset, span.size}; }

    void clear()
    {
        channels.clear();
        programmes.clear();
        text.clear();
    }
};

// Where in the file something is wrong, and what.
struct FileProblem
{
    qint64 line = 0;
    qint64 column = 0;
    QString what;
};

// Batches from the reading thread to the storing one. The reading side
// waits while a few batches, or a few megabytes of text, are waiting
// already, so memory stays small however large the file; batches the
// storing side is done with go back to the reading side to be filled again.
class Handoff
{
public:
    // Hands the batch over and leaves an empty one in its place. False once
    // the storing side has given up: the reading side then stops.
    bool put(Batch &batch);
    // A batch the storing side is done with, to be filled again.
    void giveBack(Batch batch);
    // The reading side is done, with the file's first problem if it has one.
    void finish(std::optional<FileProblem> problem);
    // The next batch; nothing once the reading side has finished and every
    // batch has been taken, or as soon as the file is known to be faulty.
    std::optional<Batch> take();
    // The storing side stops taking batches; the reading side stops too.
    void giveUp();
    bool gaveUp();

    // Once take() has returned nothing: what was wrong with the file, if anything.
    const std::optional<FileProblem> &problem() const { return m_problem; }

private:
    static constexpr std::size_t maxWaiting = 4;
    // Text a batch may keep when it comes back: the occasional long
    // description must not keep its space for the rest of the file.
    static constexpr std::size_t keptTextBytes = 4 * 1024 * 1024;
    static constexpr std::size_t maxWaitingTextBytes = 8 * 1024 * 1024;

    bool full() const;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Batch> m_batches;
    std::size_t m_waitingTextBytes = 0;
    std::vector<Batch> m_spent;
    bool m_finished = false;
    bool m_gaveUp = false;
    std::optional<FileProblem> m_problem;
};

} // namespace xmltv::import
