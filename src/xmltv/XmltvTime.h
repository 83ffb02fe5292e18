#pragma once

#include "times/ZoneTime.h"

#include <QString>
#include <QTimeZone>

#include <optional>
#include <string>

// XMLTV's times: "YYYYMMDDhhmmss +zzzz", a wall-clock time with the offset
// from UTC in force there.
namespace xmltv {

using times::instantOf;
using times::readTimestamp;
using times::Timestamp;
using times::trimmed;
using times::ZoneOffsets;

// The instant as "YYYYMMDDhhmmss +zzzz" with the offset zone has at that instant.
QString timestamp(qint64 instant, const QTimeZone &zone);
// The same, added to out in UTF-8.
void appendTimestamp(std::string &out, qint64 instant, ZoneOffsets &zone);
// The same with the given offset, seconds east of UTC.
void appendTimestamp(std::string &out, qint64 instant, int offset);
// The longest text formatTimestamp writes.
inline constexpr std::size_t timestampCapacity = 48;
// The same written at `at`, which has room for timestampCapacity
// characters; the number written.
std::size_t formatTimestamp(char *at, qint64 instant, int offset);

// Seconds from start to stop, or nothing when their zones cannot be compared.
std::optional<qint64> secondsBetween(const Timestamp &start, const Timestamp &stop);

} // namespace xmltv
