#include "xmltv/XmltvSortedRuns.h"

#include <QDir>

#include <algorithm>
#include <cstring>

namespace xmltv {

bool SortedRuns::add(const std::vector<ProgrammeElement> &programmes, std::string_view text)
{
    if (!m_file) {
        m_file = std::make_unique<QTemporaryFile>(QDir::tempPath() +
                                                  QStringLiteral("/quorvel-guide-XXXXXX"));
        if (!m_file->open())
            return false;
    }
    Run run{m_file->size(), 0};
    if (!m_file->seek(run.offset))
        return false;
    std::string piece;
    for (const ProgrammeElement &programme : programmes) {
        const qint64 header[] = {programme.start, qint64(programme.size)};
        piece.append(reinterpret_cast<const char *>(header), headerBytes);
        piece.append(text.substr(programme.element, programme.size));
        if (piece.size() >= pieceBytes) {
            if (m_file->write(piece.data(), qint64(piece.size())) != qint64(piece.size()))
                return false;
            piece.clear();
        }
    }
    if (m_file->write(piece.data(), qint64(piece.size())) != qint64(piece.size()))
        return false;
    if (!m_file->flush())
        return false;
    run.end = m_file->pos();
    m_runs.push_back(run);
    return true;
}

bool SortedRuns::advance(Reader &reader)
{
    const auto have = [&] { return reader.buffer.size() - reader.at; };
    const auto fill = [&](std::size_t wanted) {
        // What is left of the piece moves to the front, then more is read.
        reader.buffer.erase(0, reader.at);
        reader.at = 0;
        while (reader.buffer.size() < wanted && reader.next < reader.end) {
            const qint64 size = std::min<qint64>(
                std::max(pieceBytes, wanted - reader.buffer.size()), reader.end - reader.next);
            const std::size_t was = reader.buffer.size();
            reader.buffer.resize(was + std::size_t(size));
            if (!m_file->seek(reader.next) ||
                m_file->read(reader.buffer.data() + was, size) != size) {
                m_failed = true;
                return false;
            }
            reader.next += size;
        }
        return reader.buffer.size() >= wanted;
    };
    if (have() < headerBytes && !fill(headerBytes))
        return false;
    qint64 header[2];
    std::memcpy(header, reader.buffer.data() + reader.at, headerBytes);
    const std::size_t size = std::size_t(header[1]);
    if (have() < headerBytes + size && !fill(headerBytes + size)) {
        m_failed = true;
        return false;
    }
    reader.start = header[0];
    reader.element = std::string_view(reader.buffer).substr(reader.at + headerBytes, size);
    reader.at += headerBytes + size;
    return true;
}

bool SortedRuns::merge(Output &out)
{
    std::vector<Reader> readers(m_runs.size());
    std::vector<std::size_t> open;
    for (std::size_t i = 0; i < m_runs.size(); ++i) {
        readers[i].next = m_runs[i].offset;
        readers[i].end = m_runs[i].end;
        if (advance(readers[i]))
            open.push_back(i);
    }
    // A few dozen runs even for a channel of millions: the earliest is found
    // by looking at each.
    while (!open.empty() && !m_failed) {
        std::size_t first = 0;
        for (std::size_t i = 1; i < open.size(); ++i) {
            if (readers[open[i]].start < readers[open[first]].start)
                first = i;
        }
        Reader &reader = readers[open[first]];
        out.append(reader.element);
        if (!advance(reader))
            open.erase(open.begin() + std::ptrdiff_t(first));
    }
    m_runs.clear();
    if (m_file)
        m_file->resize(0);
    return !m_failed;
}

} // namespace xmltv
