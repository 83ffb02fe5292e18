#include "programmes/TypedTimes.h"

#include <QRegularExpression>

namespace programmes {

namespace {

// Compiled once: the export reads these for every programme of a project.
const QRegularExpression &isoDate()
{
    static const QRegularExpression re(QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})$"));
    return re;
}

const QRegularExpression &dayFirstDate()
{
    static const QRegularExpression re(QStringLiteral("^(\\d{1,2})/(\\d{1,2})/(\\d{4})$"));
    return re;
}

const QRegularExpression &compactDate()
{
    static const QRegularExpression re(QStringLiteral("^(\\d{4})(\\d{2})(\\d{2})$"));
    return re;
}

const QRegularExpression &clockTime()
{
    static const QRegularExpression re(QStringLiteral("^(\\d{1,2}):(\\d{2})(?::(\\d{2}))?$"));
    return re;
}

const QRegularExpression &compactTime()
{
    static const QRegularExpression re(QStringLiteral("^(\\d{2})(\\d{2})$"));
    return re;
}

const QRegularExpression &clockDuration()
{
    static const QRegularExpression re(QStringLiteral("^(\\d{1,4}):(\\d{2})$"));
    return re;
}

// "1h30", "1h 30m", "2h", "2 hours 15 mins", "90m", "90 min": hours, minutes, or both.
const QRegularExpression &unitDuration()
{
    static const QRegularExpression re(
        QStringLiteral("^(?:(\\d{1,4})\\s*h(?:ours?|rs?)?)?\\s*"
                       "(?:(\\d{1,6})\\s*(?:m(?:in(?:ute)?s?)?)?)?$"),
        QRegularExpression::CaseInsensitiveOption);
    return re;
}

int number(const QRegularExpressionMatch &match, int group)
{
    return match.captured(group).toInt();
}

std::optional<QDate> validDate(int year, int month, int day)
{
    if (!QDate::isValid(year, month, day))
        return std::nullopt;
    return QDate(year, month, day);
}

} // namespace

std::optional<QDate> readTypedDate(const QString &typed)
{
    const QString value = typed.trimmed();
    if (auto m = isoDate().match(value); m.hasMatch())
        return validDate(number(m, 1), number(m, 2), number(m, 3));
    if (auto m = dayFirstDate().match(value); m.hasMatch())
        return validDate(number(m, 3), number(m, 2), number(m, 1));
    if (auto m = compactDate().match(value); m.hasMatch())
        return validDate(number(m, 1), number(m, 2), number(m, 3));
    return std::nullopt;
}

std::optional<QTime> readTypedTime(const QString &typed)
{
    const QString value = typed.trimmed();
    int hour = -1;
    int minute = -1;
    int second = 0;
    if (auto m = clockTime().match(value); m.hasMatch()) {
        hour = number(m, 1);
        minute = number(m, 2);
        if (m.hasCaptured(3))
            second = number(m, 3);
    } else if (auto c = compactTime().match(value); c.hasMatch()) {
        hour = number(c, 1);
        minute = number(c, 2);
    } else {
        return std::nullopt;
    }
    if (!QTime::isValid(hour, minute, second))
        return std::nullopt;
    return QTime(hour, minute, second);
}

std::optional<int> readTypedDuration(const QString &typed)
{
    const QString value = typed.trimmed();
    if (value.isEmpty())
        return std::nullopt;
    if (auto m = clockDuration().match(value); m.hasMatch()) {
        if (number(m, 2) >= 60)
            return std::nullopt;
        return number(m, 1) * 60 + number(m, 2);
    }
    const auto m = unitDuration().match(value);
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

} // namespace programmes
