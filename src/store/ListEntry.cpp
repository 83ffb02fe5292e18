#include "store/ListEntry.h"

#include <algorithm>

ListEntries::ListEntries(std::initializer_list<ListEntry> entries)
{
    for (const ListEntry &entry : entries)
        append(entry);
}

void ListEntries::append(const ListEntry &entry)
{
    const QByteArray utf8 = entry.text.toUtf8();
    appendUtf8(std::string_view(utf8.constData(), std::size_t(utf8.size())), entry.id);
}

void ListEntries::appendUtf8(std::string_view text, qint32 id)
{
    const auto length = qsizetype(text.size());
    if (m_blocks.isEmpty() || m_blocks.constLast().size() + length > blockSize) {
        // A short list keeps a small block; a long one fills whole blocks.
        QByteArray block;
        block.reserve(std::max(length, m_blocks.isEmpty() ? qsizetype(4096) : blockSize));
        m_blocks.append(std::move(block));
    }
    QByteArray &block = m_blocks.last();
    if (block.size() + length > block.capacity())
        block.reserve(std::min(blockSize, std::max(block.size() + length, 2 * block.capacity())));
    const auto start = quint32((m_blocks.size() - 1) << blockBits) | quint32(block.size());
    block.append(text.data(), length);
    m_rows.push_back({start, id});
}

QString ListEntries::textAt(qsizetype i) const
{
    const quint32 start = m_rows[std::size_t(i)].start;
    const qsizetype blockIndex = start >> blockBits;
    const qsizetype from = start & (quint32(blockSize) - 1);
    const QByteArray &block = m_blocks.at(blockIndex);
    // The text runs to the next line's in the same block, or to the block's end.
    qsizetype to = block.size();
    if (std::size_t(i) + 1 < m_rows.size()) {
        const quint32 next = m_rows[std::size_t(i) + 1].start;
        if ((next >> blockBits) == quint32(blockIndex))
            to = next & (quint32(blockSize) - 1);
    }
    return QString::fromUtf8(block.constData() + from, to - from);
}
