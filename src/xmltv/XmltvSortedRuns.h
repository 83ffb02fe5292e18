#pragma once

#include "xmltv/XmltvOutput.h"

#include <QTemporaryFile>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace xmltv {

// A programme of the channel being written, its element kept whole in the
// channel's own buffer until the channel's programmes are in start order.
struct ProgrammeElement
{
    qint64 start = 0;
    std::size_t element = 0;
    std::size_t size = 0;
};

// Where a channel's programmes go, sorted, once they outgrow memory: runs
// one after the other in one temporary file, each record the programme's
// start, its element's size and the element.
class SortedRuns
{
public:
    bool any() const { return !m_runs.empty(); }
    QString errorString() const { return m_file ? m_file->errorString() : QString(); }
    // Adds a run of the elements of text, in the order given.
    bool add(const std::vector<ProgrammeElement> &programmes, std::string_view text);
    // Every run's elements merged in start order, the earlier run's first
    // among those that start together; then the runs are gone.
    bool merge(Output &out);

private:
    struct Run
    {
        qint64 offset = 0;
        qint64 end = 0;
    };
    // One run's records, read a piece at a time.
    struct Reader
    {
        qint64 next = 0;
        qint64 end = 0;
        std::string buffer;
        std::size_t at = 0;
        qint64 start = 0;
        std::string_view element;
    };
    static constexpr std::size_t headerBytes = 2 * sizeof(qint64);
    static constexpr std::size_t pieceBytes = 64 * 1024;
    // The reader's next record into start and element; false at its run's end.
    bool advance(Reader &reader);

    std::unique_ptr<QTemporaryFile> m_file;
    std::vector<Run> m_runs;
    bool m_failed = false;
};

} // namespace xmltv
