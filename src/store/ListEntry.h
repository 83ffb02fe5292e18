#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <deque>
#include <initializer_list>
#include <iterator>
#include <map>
#include <string_view>

// One line of a list window: the text the user sees, with the identifier of
// its row kept beside it. Commands act on the identifier, never on the text.
struct ListEntry
{
    QString text;
    qint32 id = 0;
};

// The lines of a list, packed: a programme list can hold a million of them
// and more, and a QString and identifier for each line cost about four times
// its text. The texts lie one after the other in UTF-8, in blocks of 64 KiB
// that are compressed once full: a list's lines repeat words and whole
// titles, and a text is read back only to be shown. Each line keeps one byte for its text's
// length and, in groups of 64 lines, its identifier's difference from the
// group's first: one byte where the group's identifiers lie close together,
// as they do in a list in start order, up to four where they do not. A
// line's QString is made only when asked for, which a view does only for
// the lines it shows.
class ListEntries
{
public:
    ListEntries() = default;
    ListEntries(std::initializer_list<ListEntry> entries);

    void append(const ListEntry &entry);
    // Text that is well-formed UTF-8, as QString::toUtf8() gives it.
    void appendUtf8(std::string_view text, qint32 id);

    qsizetype size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    ListEntry at(qsizetype i) const { return {textAt(i), idAt(i)}; }
    QString textAt(qsizetype i) const;
    qint32 idAt(qsizetype i) const;

    class const_iterator
    {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = ListEntry;
        using difference_type = qsizetype;
        using pointer = void;
        using reference = ListEntry;

        const_iterator(const ListEntries *entries, qsizetype i) : m_entries(entries), m_i(i) {}
        ListEntry operator*() const { return m_entries->at(m_i); }
        const_iterator &operator++()
        {
            ++m_i;
            return *this;
        }
        bool operator==(const const_iterator &other) const { return m_i == other.m_i; }
        bool operator!=(const const_iterator &other) const { return m_i != other.m_i; }

    private:
        const ListEntries *m_entries;
        qsizetype m_i;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

private:
    static constexpr int groupBits = 6;
    static constexpr qsizetype groupSize = qsizetype(1) << groupBits;
    static constexpr int blockBits = 16;
    static constexpr qsizetype blockSize = qsizetype(1) << blockBits;
    // A length byte of this value: the length is in m_longLengths.
    static constexpr quint8 longText = 255;

    struct Group
    {
        // Where the group's first text begins among all texts.
        qint64 textStart = 0;
        // Where the group's identifier differences begin in m_idBytes.
        qint64 idStart = 0;
        qint32 firstId = 0;
        // Bytes each difference takes, 1 to 4. The last group is widened
        // when a line needs it, at most three times.
        quint8 idWidth = 1;
    };

    void appendText(std::string_view text);
    qint64 textStart(qsizetype i, qsizetype *length) const;

    qsizetype m_size = 0;
    qint64 m_textSize = 0;
    // Full blocks compressed (LZ4), the last one as it is.
    QList<QByteArray> m_blocks;
    // The block last read back, uncompressed.
    mutable qsizetype m_cachedIndex = -1;
    mutable QByteArray m_cached;
    const QByteArray &block(qsizetype index) const;
    std::deque<quint8> m_lengths;
    std::deque<quint8> m_idBytes;
    std::map<qsizetype, qsizetype> m_longLengths;
    std::deque<Group> m_groups;
};
