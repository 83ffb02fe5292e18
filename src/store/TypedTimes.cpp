#include "store/TypedTimes.h"

#include <QRegularExpression>
#include <QStringList>

#include <array>

namespace store {

namespace {

// What counts as a blank around a value, for C++ and for SQLite's trim() alike.
constexpr char blanks[] = {' ', '\t', '\n', '\v', '\f', '\r'};

// The letters of the forms, in this order in Fields.
constexpr char fieldLetters[] = {'Y', 'M', 'D', 'h', 'm', 's'};
enum Field
{
    Year,
    Month,
    Day,
    Hour,
    Minute,
    Second
};

int fieldIndex(char letter)
{
    for (int i = 0; i < int(sizeof fieldLetters); ++i) {
        if (fieldLetters[i] == letter)
            return i;
    }
    return -1;
}

// The forms' order is the order SQLite tries them in on every insert: the
// form the import writes and people type most comes first.
const QList<QLatin1StringView> dateForms = {
    QLatin1StringView("YYYY-MM-DD"), QLatin1StringView("DD/MM/YYYY"), QLatin1StringView("YYYYMMDD"),
    QLatin1StringView("YYYY-M-DD"),  QLatin1StringView("YYYY-MM-D"),  QLatin1StringView("YYYY-M-D"),
    QLatin1StringView("D/MM/YYYY"),  QLatin1StringView("DD/M/YYYY"),  QLatin1StringView("D/M/YYYY"),
};
const QList<QLatin1StringView> timeForms = {
    QLatin1StringView("hh:mm"),   QLatin1StringView("h:mm"), QLatin1StringView("hh:mm:ss"),
    QLatin1StringView("h:mm:ss"), QLatin1StringView("hhmm"),
};

// The layouts of the sort keys.
constexpr QLatin1StringView dateKeyLayout("YYYY-MM-DD");
constexpr QLatin1StringView timeKeyLayout("hh:mm:ss");

// ---- Reading in C++ ----

using Fields = std::array<int, sizeof fieldLetters>;

QStringView withoutBlanks(QStringView text)
{
    const auto isBlank = [](QChar c) {
        for (char b : blanks) {
            if (c == QLatin1Char(b))
                return true;
        }
        return false;
    };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

// The fields of text in the first form it fits; -1 for a field the form lacks.
std::optional<Fields> read(QStringView text, const QList<QLatin1StringView> &forms)
{
    for (const QLatin1StringView form : forms) {
        if (form.size() != text.size())
            continue;
        Fields fields;
        fields.fill(-1);
        bool fits = true;
        for (qsizetype i = 0; fits && i < form.size(); ++i) {
            const char16_t c = text[i].unicode();
            const int field = fieldIndex(form[i].toLatin1());
            if (field < 0) {
                fits = c == form[i].unicode();
            } else if (c >= u'0' && c <= u'9') {
                fields[field] = std::max(fields[field], 0) * 10 + (c - u'0');
            } else {
                fits = false;
            }
        }
        if (fits)
            return fields;
    }
    return std::nullopt;
}

// ---- The same in SQL ----

QString quoted(const QString &text)
{
    return u'\'' + text + u'\'';
}

struct Place
{
    qsizetype position = -1;
    qsizetype width = 0;
};

Place placeOf(QLatin1StringView form, char letter)
{
    const qsizetype first = form.indexOf(QLatin1Char(letter));
    if (first < 0)
        return {};
    qsizetype last = first;
    while (last + 1 < form.size() && form[last + 1] == QLatin1Char(letter))
        ++last;
    return {first, last - first + 1};
}

// The GLOB patterns one field of the given width may match. The clock's
// limits fit in patterns, which cost SQLite far less than reading the digits
// as numbers; a day's limit depends on month and year and is left to date().
QStringList digitPatterns(char letter, qsizetype width)
{
    if (width == 2 && letter == 'h')
        return {QStringLiteral("[01][0-9]"), QStringLiteral("2[0-3]")};
    if (width == 2 && (letter == 'm' || letter == 's'))
        return {QStringLiteral("[0-5][0-9]")};
    return {QStringLiteral("[0-9]").repeated(width)};
}

// One form tried on `subject`, an SQL expression of the typed text.
class SqlForm
{
public:
    SqlForm(QLatin1StringView form, QString subject, bool server)
        : m_form(form), m_subject(std::move(subject)), m_server(server)
    {
    }

    bool server() const { return m_server; }

    // Whether the text has the form, digits in their places.
    QString glob() const
    {
        QStringList patterns{QString()};
        for (qsizetype i = 0; i < m_form.size();) {
            const char c = m_form[i].toLatin1();
            if (fieldIndex(c) < 0) {
                for (QString &pattern : patterns)
                    pattern += QLatin1Char(c);
                ++i;
                continue;
            }
            const qsizetype width = placeOf(m_form.sliced(i), c).width;
            QStringList longer;
            for (const QString &pattern : std::as_const(patterns)) {
                for (const QString &digits : digitPatterns(c, width))
                    longer << pattern + digits;
            }
            patterns = longer;
            i += width;
        }
        QStringList globs;
        for (const QString &pattern : std::as_const(patterns)) {
            // The patterns hold digit classes and separators only, which a
            // regular expression reads as GLOB does.
            globs << (m_server ? m_subject + QStringLiteral(" ~ ") + quoted(u'^' + pattern + u'$')
                               : m_subject + QStringLiteral(" GLOB ") + quoted(pattern));
        }
        return globs.size() == 1 ? globs.constFirst()
                                 : u'(' + globs.join(QStringLiteral(" OR ")) + u')';
    }

    // The value in the key's layout after `prefix`, taken from the text in as
    // few pieces as the form allows: text in the key's own layout is taken whole.
    QString value(QLatin1StringView layout, const QString &prefix = QString()) const
    {
        struct Piece
        {
            QString literal;
            qsizetype from = -1;
            qsizetype width = 0;
        };
        QList<Piece> pieces;
        if (!prefix.isEmpty())
            pieces.append({prefix});
        const auto addText = [&](qsizetype from, qsizetype width) {
            if (!pieces.isEmpty() && pieces.last().from >= 0 &&
                pieces.last().from + pieces.last().width == from)
                pieces.last().width += width;
            else
                pieces.append({QString(), from, width});
        };
        const auto addLiteral = [&](const QString &literal) {
            if (!pieces.isEmpty() && pieces.last().from < 0)
                pieces.last().literal += literal;
            else
                pieces.append({literal});
        };
        for (qsizetype i = 0; i < layout.size();) {
            const char c = layout[i].toLatin1();
            if (fieldIndex(c) < 0) {
                // A separator the form has at just this place is taken with the text.
                const qsizetype next =
                    pieces.isEmpty() ? -1 : pieces.last().from + pieces.last().width;
                if (!pieces.isEmpty() && pieces.last().from >= 0 && next < m_form.size() &&
                    m_form[next] == layout[i])
                    addText(next, 1);
                else
                    addLiteral(QString(QLatin1Char(c)));
                ++i;
                continue;
            }
            const qsizetype wanted = placeOf(layout, c).width;
            const Place place = placeOf(m_form, c);
            if (place.width < wanted)
                addLiteral(QString(wanted - place.width, u'0'));
            if (place.position >= 0)
                addText(place.position, place.width);
            i += wanted;
        }
        QStringList parts;
        for (const Piece &piece : std::as_const(pieces)) {
            if (piece.from < 0)
                parts << quoted(piece.literal);
            else if (piece.from == 0 && piece.width == m_form.size())
                parts << m_subject;
            else
                parts << QStringLiteral("substr(%1, %2, %3)")
                             .arg(m_subject)
                             .arg(piece.from + 1)
                             .arg(piece.width);
        }
        return parts.join(QStringLiteral(" || "));
    }

    // The digits of one field, as text.
    QString field(char letter) const
    {
        const Place place = placeOf(m_form, letter);
        return QStringLiteral("substr(%1, %2, %3)")
            .arg(m_subject)
            .arg(place.position + 1)
            .arg(place.width);
    }

    bool isWhole(const QString &expression) const { return expression == m_subject; }

private:
    QLatin1StringView m_form;
    QString m_subject;
    bool m_server;
};

// What a value must pass beyond its digits.
struct Checks
{
    QStringList conditions;
    // The conditions alone show that the text has the form, digits in their
    // places, so that the GLOB, which costs more, can be left out.
    bool showForm = false;
};

// What a date must pass beyond its digits, as readTypedDate asks QDate.
// Moved by no days, SQLite's date() works the date out afresh and rolls a day
// the month lacks over into the next month (30 February gives 1 or 2 March),
// so a date is real exactly when it comes back unchanged; QDate has no year 0.
Checks dateChecks(const SqlForm &form, const QString &value)
{
    // The year alone is cheaper to look at than the whole date put together.
    const QString year = form.isWhole(value) ? value : form.field('Y');
    // date() gives back nothing but yyyy-mm-dd (or a year with a minus sign,
    // which the year's check turns away), so text in the key's own layout
    // that comes back unchanged has its digits in their places already. Put
    // together from pieces of another form, it would not: the pieces' places
    // say nothing of the characters between them.
    // A server has no such function in SQL; the schema gives it one that
    // asks the same (serverSchemaSql).
    return {{form.server() ? QStringLiteral("quorvel_real_date(%1)").arg(value)
                           : QStringLiteral("date(%1, '+0 days') = %1").arg(value),
             year + QStringLiteral(" >= '0001'")},
            form.isWhole(value)};
}

Checks timeChecks(const SqlForm &, const QString &)
{
    return {};
}

QString keySql(const QString &column, const QList<QLatin1StringView> &forms,
               QLatin1StringView layout, Checks (*checks)(const SqlForm &, const QString &value),
               bool server)
{
    QStringList codes;
    for (char b : blanks)
        codes << QString::number(int(b));
    const QString trimmed =
        server ? QStringLiteral("btrim(%1, chr(%2))")
                     .arg(column, codes.join(QStringLiteral(") || chr(")))
               : QStringLiteral("trim(%1, char(%2))").arg(column, codes.join(QStringLiteral(", ")));

    const QString indent(8, u' ');
    QString sql = QStringLiteral("CASE\n");
    // SQLite works the key out on every insert, so each form is first tried
    // on the text as it is: trim() makes a copy.
    for (const QString &subject : {column, trimmed}) {
        for (const QLatin1StringView form : forms) {
            const SqlForm sqlForm(form, subject, server);
            const QString value = sqlForm.value(layout);
            const Checks valueChecks = checks(sqlForm, value);
            QStringList conditions = valueChecks.conditions;
            if (!valueChecks.showForm)
                conditions.prepend(sqlForm.glob());
            sql += indent + QStringLiteral("    WHEN ") + conditions.takeFirst() + u'\n';
            for (const QString &condition : std::as_const(conditions))
                sql += indent + QStringLiteral("        AND ") + condition + u'\n';
            sql += indent + QStringLiteral("        THEN ") +
                   sqlForm.value(layout, QStringLiteral("0")) + u'\n';
        }
    }
    // A server's index takes keys of no more than about 2,700 bytes, so the
    // text that is no date or time sorts by its first 300 characters there.
    sql += indent + (server ? QStringLiteral("    ELSE '1' || left(coalesce(%1, ''), 300)\n")
                            : QStringLiteral("    ELSE '1' || ifnull(%1, '')\n"))
                        .arg(column);
    sql += indent + QStringLiteral("END");
    return sql;
}

} // namespace

const QList<QLatin1StringView> &typedDateForms()
{
    return dateForms;
}

const QList<QLatin1StringView> &typedTimeForms()
{
    return timeForms;
}

std::optional<QDate> readTypedDate(const QString &typed)
{
    const auto fields = read(withoutBlanks(typed), dateForms);
    // QDate knows no year 0, and its calendar is the one the SQL checks.
    if (!fields || !QDate::isValid((*fields)[Year], (*fields)[Month], (*fields)[Day]))
        return std::nullopt;
    return QDate((*fields)[Year], (*fields)[Month], (*fields)[Day]);
}

std::optional<QTime> readTypedTime(const QString &typed)
{
    const auto fields = read(withoutBlanks(typed), timeForms);
    if (!fields)
        return std::nullopt;
    const int second = std::max((*fields)[Second], 0);
    if (!QTime::isValid((*fields)[Hour], (*fields)[Minute], second))
        return std::nullopt;
    return QTime((*fields)[Hour], (*fields)[Minute], second);
}

std::optional<int> readTypedDuration(const QString &typed)
{
    // Compiled once: the export reads a length for every programme of a project.
    static const QString blank = [] {
        QString set;
        for (char b : blanks)
            set += QRegularExpression::escape(QString(QLatin1Char(b)));
        return u'[' + set + u']';
    }();
    // "1:30", or "01:30:00" as spreadsheets and playout logs write a length;
    // the store counts whole minutes, so the seconds must be none.
    static const QRegularExpression clock(QStringLiteral("^([0-9]{1,4}):([0-9]{2})(?::00)?$"));
    // "1h30", "1h 30m", "2h", "2 hours 15 mins", "90m", "90 min": hours, minutes, or both.
    static const QRegularExpression units(
        QStringLiteral("^(?:([0-9]{1,4})%1*h(?:ours?|rs?)?)?%1*"
                       "(?:([0-9]{1,6})%1*(?:m(?:in(?:ute)?s?)?)?)?$")
            .arg(blank),
        QRegularExpression::CaseInsensitiveOption);

    const QStringView value = withoutBlanks(typed);
    if (value.isEmpty())
        return std::nullopt;
    const auto number = [](const QRegularExpressionMatch &match, int group) {
        return match.capturedView(group).toInt();
    };
    if (const auto m = clock.match(value); m.hasMatch()) {
        if (number(m, 2) >= 60)
            return std::nullopt;
        return number(m, 1) * 60 + number(m, 2);
    }
    const auto m = units.match(value);
    if (!m.hasMatch())
        return std::nullopt;
    const bool hasHours = m.hasCaptured(1);
    const bool hasMinutes = m.hasCaptured(2);
    if (!hasHours && !hasMinutes)
        return std::nullopt;
    // A bare number is minutes; after hours, the number is the minutes of the
    // last hour, so "1h75" is a slip of the keyboard rather than 2h15.
    if (hasHours && hasMinutes && number(m, 2) >= 60)
        return std::nullopt;
    return (hasHours ? number(m, 1) * 60 : 0) + (hasMinutes ? number(m, 2) : 0);
}

QString startDateKeySql(const QString &column, bool server)
{
    return keySql(column, dateForms, dateKeyLayout, dateChecks, server);
}

QString startTimeKeySql(const QString &column, bool server)
{
    return keySql(column, timeForms, timeKeyLayout, timeChecks, server);
}

} // namespace store
