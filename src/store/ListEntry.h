#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <deque>
#include <initializer_list>
#include <iterator>
#include <string_view>

// One line of a list window: the text the user sees, with the identifier of
// its row kept beside it. Commands act on the identifier, never on the text.
struct ListEntry
{
    QString text;
    qint32 id = 0;
};

// The lines of a list, packed: a programme list can hold millions of them,
// and a QString of its own for each line cost about four times its text. The
// texts lie one after the other in UTF-8 in blocks of a fixed size, which
// grow without moving what they hold; each line keeps where its text begins
// and its identifier. A line's QString is made only when it is asked for,
// which a view does only for the lines it shows.
class ListEntries
{
public:
    ListEntries() = default;
    ListEntries(std::initializer_list<ListEntry> entries);

    void append(const ListEntry &entry);
    // Text that is well-formed UTF-8, as QString::toUtf8() gives it.
    void appendUtf8(std::string_view text, qint32 id);

    qsizetype size() const { return qsizetype(m_rows.size()); }
    bool isEmpty() const { return m_rows.empty(); }
    ListEntry at(qsizetype i) const { return {textAt(i), idAt(i)}; }
    QString textAt(qsizetype i) const;
    qint32 idAt(qsizetype i) const { return m_rows[std::size_t(i)].id; }

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
    // A block's size; a longer text has a block of its own.
    static constexpr int blockBits = 20;
    static constexpr qsizetype blockSize = qsizetype(1) << blockBits;

    struct Row
    {
        // The block in the high bits, the offset in it in the low ones.
        quint32 start;
        qint32 id;
    };

    std::deque<Row> m_rows;
    QList<QByteArray> m_blocks;
};
