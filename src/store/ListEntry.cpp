#include "store/ListEntry.h"

#include "store/Statement.h"

#include <algorithm>
#include <memory>

#include <lz4.h>
#include <lz4hc.h>

namespace {

// The difference as width bytes, lowest first.
void putDifference(std::deque<quint8> &bytes, qint64 difference, int width)
{
    for (int i = 0; i < width; ++i)
        bytes.push_back(quint8(quint64(difference) >> (8 * i)));
}

qint64 getDifference(const std::deque<quint8> &bytes, qint64 at, int width)
{
    quint64 value = 0;
    for (int i = 0; i < width; ++i)
        value |= quint64(bytes[std::size_t(at + i)]) << (8 * i);
    // Sign-extended from its width.
    const int unused = 64 - 8 * width;
    return qint64(value << unused) >> unused;
}

int widthFor(qint64 difference)
{
    if (difference >= -128 && difference <= 127)
        return 1;
    if (difference >= -32768 && difference <= 32767)
        return 2;
    // Identifiers in another order than the list's, as a list in start
    // order of programmes added out of order has, mostly differ by less
    // than eight million.
    if (difference >= -(1 << 23) && difference < (1 << 23))
        return 3;
    return 4;
}

} // namespace

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

void ListEntries::appendText(std::string_view text)
{
    // Texts run on from one block into the next.
    while (!text.empty()) {
        if (m_blocks.isEmpty() || m_blocks.constLast().size() == blockSize) {
            if (!m_blocks.isEmpty()) {
                // The high-compression coder at its quickest: a quarter
                // smaller than the fast one, which at a million lines kept
                // the window above 64 MiB, for a fifth of a second more at
                // that size. Reading back is as quick.
                const QByteArray &full = m_blocks.constLast();
                QByteArray compressed(LZ4_compressBound(int(full.size())), Qt::Uninitialized);
                // Its state, a quarter of a megabyte, kept from block to
                // block rather than allocated and faulted in for each.
                thread_local const std::unique_ptr<char[]> state(new char[LZ4_sizeofStateHC()]);
                const int size =
                    LZ4_compress_HC_extStateHC(state.get(), full.constData(), compressed.data(),
                                               int(full.size()), int(compressed.size()), 2);
                compressed.truncate(size);
                // Room for the worst case, given back.
                compressed.squeeze();
                m_blocks.last() = std::move(compressed);
            }
            QByteArray block;
            // A short list keeps a small block; a long one fills whole blocks.
            block.reserve(m_blocks.isEmpty() ? 4096 : blockSize);
            m_blocks.append(std::move(block));
        }
        QByteArray &block = m_blocks.last();
        const auto room = std::min(qsizetype(text.size()), blockSize - block.size());
        if (block.size() + room > block.capacity())
            block.reserve(std::min(blockSize, std::max(block.size() + room, 2 * block.capacity())));
        block.append(text.data(), room);
        text.remove_prefix(std::size_t(room));
    }
}

const QByteArray &ListEntries::block(qsizetype index) const
{
    if (index == m_blocks.size() - 1)
        return m_blocks.at(index);
    if (index != m_cachedIndex) {
        const QByteArray &compressed = m_blocks.at(index);
        m_cached.resize(blockSize);
        LZ4_decompress_safe(compressed.constData(), m_cached.data(), int(compressed.size()),
                            int(blockSize));
        m_cachedIndex = index;
    }
    return m_cached;
}

void ListEntries::appendUtf8(std::string_view text, qint32 id)
{
    const qsizetype row = m_size;
    if (row % groupSize == 0) {
        Group group;
        group.textStart = m_textSize;
        group.idStart = qint64(m_idBytes.size());
        group.firstId = id;
        m_groups.push_back(group);
    }
    Group &group = m_groups.back();
    const qint64 difference = qint64(id) - group.firstId;
    const int width = widthFor(difference);
    if (width > group.idWidth) {
        // Rewrite the group's differences so far, wider.
        const qsizetype inGroup = row % groupSize;
        QList<qint64> earlier;
        for (qsizetype i = 0; i < inGroup; ++i)
            earlier << getDifference(m_idBytes, group.idStart + i * group.idWidth, group.idWidth);
        m_idBytes.resize(std::size_t(group.idStart));
        group.idWidth = quint8(width);
        for (const qint64 value : std::as_const(earlier))
            putDifference(m_idBytes, value, width);
    }
    putDifference(m_idBytes, difference, group.idWidth);

    const auto length = qsizetype(text.size());
    if (length >= longText) {
        m_lengths.push_back(longText);
        m_longLengths.emplace(row, length);
    } else {
        m_lengths.push_back(quint8(length));
    }
    appendText(text);
    m_textSize += length;
    ++m_size;
}

qint32 ListEntries::idAt(qsizetype i) const
{
    const Group &group = m_groups[std::size_t(i >> groupBits)];
    const qint64 at = group.idStart + (i & (groupSize - 1)) * group.idWidth;
    return qint32(group.firstId + getDifference(m_idBytes, at, group.idWidth));
}

qint64 ListEntries::textStart(qsizetype i, qsizetype *length) const
{
    const auto lengthOf = [&](qsizetype row) {
        const quint8 stored = m_lengths[std::size_t(row)];
        return stored == longText ? m_longLengths.at(row) : qsizetype(stored);
    };
    qint64 start = m_groups[std::size_t(i >> groupBits)].textStart;
    for (qsizetype row = i & ~(groupSize - 1); row < i; ++row)
        start += lengthOf(row);
    *length = lengthOf(i);
    return start;
}

QString ListEntries::textAt(qsizetype i) const
{
    qsizetype length = 0;
    const qint64 start = textStart(i, &length);
    const QByteArray &first = block(start >> blockBits);
    const auto offset = qsizetype(start & (blockSize - 1));
    if (offset + length <= first.size())
        return store::fromUtf8(std::string_view(first.constData() + offset, std::size_t(length)));
    // A text that runs on into the next block.
    QByteArray whole;
    whole.reserve(length);
    for (qint64 at = start; whole.size() < length;) {
        const QByteArray &part = block(at >> blockBits);
        const auto from = qsizetype(at & (blockSize - 1));
        const auto take = std::min(length - whole.size(), part.size() - from);
        whole.append(part.constData() + from, take);
        at += take;
    }
    return store::fromUtf8(std::string_view(whole.constData(), std::size_t(whole.size())));
}
