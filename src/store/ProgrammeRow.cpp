#include "store/ProgrammeRow.h"

#include "store/ServerStatement.h"
#include "store/Statement.h"

#include <QSqlRecord>

#include <iterator>

namespace store {

namespace {

using Column = tables::Programme;

// SQLite gives a column the name it is selected by, in the case it was written.
bool sameName(std::string_view given, tables::Name column)
{
    return QLatin1StringView(given.data(), qsizetype(given.size()))
               .compare(column, Qt::CaseInsensitive) == 0;
}

QVariant bound(const QString &text)
{
    return text.isNull() ? QVariant() : typedText(text);
}

// An empty text read back is still a value: it must not turn into NULL when
// an undo writes it again.
QString wide(const Statement &statement, int column)
{
    const std::string_view value = statement.text(column);
    if (!value.data())
        return QString();
    return value.empty() ? QStringLiteral("") : fromUtf8(value);
}

std::string_view utf8(const Statement &statement, int column)
{
    return statement.text(column);
}

qint64 integerOf(const Statement &statement, int column)
{
    return statement.integer(column);
}

qint64 integerOf(const QSqlQuery &query, int column)
{
    return query.value(column).toLongLong();
}

QString textOf(const QSqlQuery &query, int column)
{
    const QVariant value = query.value(column);
    return value.isNull() ? QString() : value.toString();
}

} // namespace

const ColumnNames &programmeColumns()
{
    static const ColumnNames names = [] {
        ColumnNames all = {Column::id, Column::channelId};
        for (const auto &[name, member] : ProgrammeTexts<QString>::all)
            all << name;
        return all;
    }();
    return names;
}

const ColumnNames &editorColumns()
{
    static const ColumnNames names = {Column::name,      Column::desc,     Column::startDate,
                                      Column::startTime, Column::duration, Column::category};
    return names;
}

ReadValues readValues(const ProgrammeRow &row, const ColumnNames &columns)
{
    // The schedule table's words, where it shows the column.
    static const QList<std::pair<tables::Name, const char *>> titles = {
        {Column::name, "Name"},
        {Column::desc, "Synopsis"},
        {Column::startDate, "Date"},
        {Column::startTime, "Start"},
        {Column::duration, "Duration"},
        {Column::category, "Category"},
        {Column::subTitle, "Sub-title"},
        {Column::episode, "Episode"},
        {Column::episodeSystem, "Episode numbering"},
        {Column::xmltvStart, "Guide start"},
        {Column::xmltvStop, "Guide stop"},
        {Column::xmltvTyped, "Guide times"},
        {Column::xmltvExtra, "Guide details"},
    };
    ReadValues values;
    for (const tables::Name column : columns) {
        QString title = column;
        for (const auto &[name, said] : titles) {
            if (name == column)
                title = QString::fromLatin1(said);
        }
        const auto member = textMember<QString>(column);
        values.append({column, title, member ? row.*member : QString()});
    }
    return values;
}

QList<ChangedValue> changedValues(const ProgrammeRow &read, const ProgrammeRow &now,
                                  const ColumnNames &columns)
{
    const ReadValues before = readValues(read, columns);
    const ReadValues after = readValues(now, columns);
    QList<ChangedValue> changes;
    for (qsizetype i = 0; i < before.size(); ++i) {
        // Null and empty text compare equal, as store::requireUnchanged has them.
        if (before.at(i).text != after.at(i).text)
            changes.append({before.at(i).title, before.at(i).text, after.at(i).text});
    }
    return changes;
}

QString columnList(const ColumnNames &columns)
{
    QString list;
    for (const tables::Name column : columns) {
        if (!list.isEmpty())
            list += QLatin1StringView(", ");
        list += column;
    }
    return list;
}

QString insertStatement(tables::Name table, const ColumnNames &columns)
{
    QStringList marks;
    for (const tables::Name column : columns)
        marks << QLatin1Char(':') + column;
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(table, columnList(columns), marks.join(QStringLiteral(", ")));
}

QString insertStatement(tables::Name table, const ColumnNames &columns, int rows)
{
    const QString row =
        QLatin1Char('(') +
        QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", ")) +
        QLatin1Char(')');
    const QStringList values(rows, row);
    return QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
        .arg(table, columnList(columns), values.join(QStringLiteral(", ")));
}

Columns valuesOf(const ProgrammeRow &row, const ColumnNames &columns, bool skipEmpty)
{
    Columns values;
    for (const tables::Name column : columns) {
        if (column == Column::id) {
            values.append({column, row.programmeID > 0 ? QVariant(row.programmeID) : QVariant()});
            continue;
        }
        if (column == Column::channelId) {
            values.append({column, row.channelID});
            continue;
        }
        for (const auto &[name, member] : ProgrammeTexts<QString>::all) {
            if (name != column)
                continue;
            const QString &text = row.*member;
            if (!skipEmpty || !text.isEmpty())
                values.append({column, bound(text)});
        }
    }
    return values;
}

void bindRow(QSqlQuery &query, const ProgrammeRow &row, const ColumnNames &columns)
{
    for (const auto &[column, value] : valuesOf(row, columns))
        query.bindValue(QLatin1Char(':') + column, value);
}

void readRow(const QSqlQuery &query, ProgrammeRow &row)
{
    RowReader(query).read(query, row);
}

void RowReader::place(int column, std::string_view name)
{
    if (sameName(name, Column::id))
        m_programmeID = column;
    else if (sameName(name, Column::channelId))
        m_channelID = column;
    int at = 0;
    for (const auto &[text, member] : ProgrammeTexts<QString>::all) {
        if (sameName(name, text))
            m_texts[at] = column;
        ++at;
    }
}

RowReader::RowReader(const Statement &statement)
{
    m_texts.fill(-1, qsizetype(std::size(ProgrammeTexts<QString>::all)));
    for (int i = 0; i < statement.columnCount(); ++i)
        place(i, statement.columnName(i));
}

RowReader::RowReader(const QSqlQuery &query)
{
    m_texts.fill(-1, qsizetype(std::size(ProgrammeTexts<QString>::all)));
    const QSqlRecord record = query.record();
    for (int i = 0; i < record.count(); ++i) {
        const QByteArray name = record.fieldName(i).toUtf8();
        place(i, std::string_view(name.constData(), std::size_t(name.size())));
    }
}

template<typename Source, typename Row, typename Text>
void RowReader::fill(const Source &source, Row &row, qint64 (*integer)(const Source &, int),
                     Text (*text)(const Source &, int)) const
{
    if (m_programmeID >= 0)
        row.programmeID = qint32(integer(source, m_programmeID));
    if (m_channelID >= 0)
        row.channelID = qint32(integer(source, m_channelID));
    int at = 0;
    for (const auto &[name, member] : ProgrammeTexts<Text>::all) {
        if (const int column = m_texts.at(at++); column >= 0)
            row.*member = text(source, column);
    }
}

void RowReader::read(const Statement &statement, ProgrammeRow &row) const
{
    fill(statement, row, &integerOf, &wide);
}

void RowReader::read(const Statement &statement, ProgrammeRowUtf8 &row) const
{
    fill(statement, row, &integerOf, &utf8);
}

void RowReader::read(const QSqlQuery &query, ProgrammeRow &row) const
{
    fill(query, row, &integerOf, &textOf);
}

namespace {

// Where a column is in the row: an index into ProgrammeTexts, or one of these.
constexpr int programmeIdMember = -1;
constexpr int channelIdMember = -2;

int memberIndex(tables::Name column)
{
    if (column == Column::id)
        return programmeIdMember;
    if (column == Column::channelId)
        return channelIdMember;
    int at = 0;
    for (const auto &[name, member] : ProgrammeTexts<QString>::all) {
        if (name == column)
            return at;
        ++at;
    }
    Q_ASSERT_X(false, "memberIndex", "a column that is not a programme's");
    return programmeIdMember;
}

} // namespace

RowBinder::RowBinder(const ColumnNames &columns)
{
    for (const tables::Name column : columns)
        m_members << memberIndex(column);
}

void RowBinder::bind(Statement &statement, int row, const ProgrammeRowUtf8 &values) const
{
    const int columns = int(m_members.size());
    // The row's parameters follow those of the rows before it, one a column.
    const int first = row * columns + 1;
    for (int i = 0; i < columns; ++i) {
        const int member = m_members.at(i);
        if (member == programmeIdMember || member == channelIdMember) {
            const qint32 id = member == programmeIdMember ? values.programmeID : values.channelID;
            if (id > 0)
                statement.bindInteger(first + i, id);
            else
                statement.bindNull(first + i);
            continue;
        }
        const std::string_view text =
            values.*(ProgrammeTexts<std::string_view>::all[member].second);
        if (text.data())
            statement.bindText(first + i, text);
        else
            statement.bindNull(first + i);
    }
}

void RowBinder::appendCopyLine(std::string &out, const ProgrammeRowUtf8 &values) const
{
    const int columns = int(m_members.size());
    for (int i = 0; i < columns; ++i) {
        if (i > 0)
            out += '\t';
        const int member = m_members.at(i);
        if (member == programmeIdMember || member == channelIdMember) {
            const qint32 id = member == programmeIdMember ? values.programmeID : values.channelID;
            if (id > 0)
                out += std::to_string(id);
            else
                out += "\\N";
            continue;
        }
        const std::string_view text =
            values.*(ProgrammeTexts<std::string_view>::all[member].second);
        if (text.data())
            appendCopyText(out, text);
        else
            out += "\\N";
    }
    out += '\n';
}

} // namespace store
