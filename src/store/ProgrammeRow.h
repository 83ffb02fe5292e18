#pragma once

#include "store/Conflict.h"
#include "store/Connection.h"
#include "store/Tables.h"

#include <QList>
#include <QString>

#include <string>

#include <string_view>
#include <utility>

namespace store {

class Statement;

// One programme as the store holds it: every column a command reads or
// writes. The editor, the schedule, the grid and both directions of XMLTV
// use this one shape, each reading the columns it needs by name.
//
// Text is a QString in the windows' commands, where a null text stands for a
// column without a value; it is a view of SQLite's own UTF-8 in the import
// and the exports, which go through a million rows and make no string of
// their own for any of them.
template<typename Text> struct BasicProgrammeRow
{
    qint32 programmeID = 0;
    qint32 channelID = 0;
    Text programmeName;
    Text programmeDesc;
    Text startDate;
    Text startTime;
    Text duration;
    Text category;
    Text subTitle;
    Text episode;
    // How the episode is numbered: XMLTV's "onscreen", "xmltv_ns" and so on.
    Text episodeSystem;
    // What the XMLTV import keeps beside the columns the editors show: the
    // file's instants and the texts it typed from them, which say when the
    // programme runs while the typed start is unchanged, and the details no
    // column holds. Carried whole, so that an undone delete gives back the
    // very row and a guide exported afterwards is as complete as before.
    Text xmltvStart;
    Text xmltvStop;
    Text xmltvTyped;
    Text xmltvExtra;
};

using ProgrammeRow = BasicProgrammeRow<QString>;
using ProgrammeRowUtf8 = BasicProgrammeRow<std::string_view>;

// Every text column of the row with its name: the one list by which rows
// are read and bound. A column added to the table is added here
// and in Tables.h, and every command that reads or writes whole rows has it.
template<typename Text> struct ProgrammeTexts
{
    using Row = BasicProgrammeRow<Text>;
    using Column = tables::Programme;
    static constexpr std::pair<tables::Name, Text Row::*> all[] = {
        {Column::name, &Row::programmeName},          {Column::desc, &Row::programmeDesc},
        {Column::startDate, &Row::startDate},         {Column::startTime, &Row::startTime},
        {Column::duration, &Row::duration},           {Column::category, &Row::category},
        {Column::subTitle, &Row::subTitle},           {Column::episode, &Row::episode},
        {Column::episodeSystem, &Row::episodeSystem}, {Column::xmltvStart, &Row::xmltvStart},
        {Column::xmltvStop, &Row::xmltvStop},         {Column::xmltvTyped, &Row::xmltvTyped},
        {Column::xmltvExtra, &Row::xmltvExtra},
    };
};

// The row's member that holds the column's text; null for a column that is
// not one of them.
template<typename Text> Text BasicProgrammeRow<Text>::*textMember(tables::Name column)
{
    for (const auto &[name, member] : ProgrammeTexts<Text>::all) {
        if (name == column)
            return member;
    }
    return nullptr;
}

using ColumnNames = QList<tables::Name>;

// Every stored column of a programme, identifiers first.
const ColumnNames &programmeColumns();
// The columns the programme editor shows and saves, in its order.
const ColumnNames &editorColumns();

// The row's values of `columns`, each titled as the user knows it: what a
// window read, for store::requireUnchanged to compare with the row now.
ReadValues readValues(const ProgrammeRow &row, const ColumnNames &columns);
// The values of `columns` that differ between the row as a window read it
// and as it is now.
QList<ChangedValue> changedValues(const ProgrammeRow &read, const ProgrammeRow &now,
                                  const ColumnNames &columns);

// "a, b, c", for a SELECT.
QString columnList(const ColumnNames &columns);
// INSERT INTO table (a, b) VALUES (:a, :b): values are bound by name.
QString insertStatement(tables::Name table, const ColumnNames &columns);
// The same adding `rows` rows at once, for a RowBinder made with the same
// columns: VALUES (?, ?), (?, ?) ... SQLite looks a named or numbered
// parameter up among all those before it, which for a thousand rows took
// longer than the import's every other step; plain ones it numbers in turn.
QString insertStatement(tables::Name table, const ColumnNames &columns, int rows);

// The row's values of `columns` by name, for Connection::insert and update,
// or to bind to insertStatement. A null text gives NULL, an empty one
// empty text. With skipEmpty, a column whose text is empty is left out.
Columns valuesOf(const ProgrammeRow &row, const ColumnNames &columns, bool skipEmpty = false);
void bindRow(QSqlQuery &query, const ProgrammeRow &row, const ColumnNames &columns);

// Reads the current row of a query into the members its columns name; a
// column the query does not select stays as it is.
void readRow(const QSqlQuery &query, ProgrammeRow &row);

// The same for many rows, with the columns looked up by name once for the
// query rather than for every row.
class RowReader
{
public:
    explicit RowReader(const Statement &statement);
    explicit RowReader(const QSqlQuery &query);

    void read(const Statement &statement, ProgrammeRow &row) const;
    void read(const Statement &statement, ProgrammeRowUtf8 &row) const;
    void read(const QSqlQuery &query, ProgrammeRow &row) const;

private:
    void place(int column, std::string_view name);
    template<typename Source, typename Row, typename Text>
    void fill(const Source &source, Row &row, qint64 (*integer)(const Source &, int),
              Text (*text)(const Source &, int)) const;

    int m_programmeID = -1;
    int m_channelID = -1;
    // For each of ProgrammeTexts' columns, where the statement has it, or -1.
    QList<int> m_texts;
};

// Binds rows of UTF-8 text to an insertStatement run straight on SQLite,
// with the parameters looked up by name once for the statement. A text
// without data (a default view) is bound as NULL; the text must stay as it
// is until the statement has run.
class RowBinder
{
public:
    explicit RowBinder(const ColumnNames &columns);

    void bind(Statement &statement, int row, const ProgrammeRowUtf8 &values) const;
    // The same row as a line of a server's COPY text format, for
    // "COPY table (columns) FROM STDIN": NULL as \N, text escaped.
    void appendCopyLine(std::string &out, const ProgrammeRowUtf8 &values) const;

private:
    // Per column of `columns`: the member it takes (an index into
    // ProgrammeTexts, -1 and -2 for the identifiers).
    QList<int> m_members;
};

} // namespace store
