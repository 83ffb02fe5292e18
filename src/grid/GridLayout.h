#pragma once

#include "store/ProgrammeRow.h"
#include "store/Result.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QTimeZone>

#include <optional>

// One day of a project drawn as a grid: a row per channel, programmes as
// blocks along the hours. This works out where everything goes, without
// drawing anything, so the same layout serves the window, the image files,
// the printout and the companion tool.
//
// The day runs from midnight to midnight on the wall clock of one time
// zone (the system's, unless another is given), measured in real time: a
// day on which the clocks go forward is 23 hours long and one on which they
// go back 25, and a programme's length is the time that passes. A programme
// runs when times::programmeSpan says, as in the schedule and the export.
namespace grid {

// The families the 38 categories are grouped into for colour and legend.
enum class Family
{
    News,
    Drama,
    Film,
    Entertainment,
    Children,
    Factual,
    Sport,
    ArtsAndOther,
    Count
};

// The family of a stored category; one outside the fixed list is "other".
Family familyOf(const QString &category);
// "News and current affairs", as the legend shows it.
QString familyName(Family family);

// Read with the columns the grid needs: the start, the duration, the name,
// the category and the guide's instants.
using Programme = store::ProgrammeRow;

struct Channel
{
    qint32 channelID = 0;
    QString name;
    QString number;
    QList<Programme> programmes;
};

// Every channel of the project in the order they were added, each with
// its programmes that may touch `day`: those dated that day or the day
// before, those dated the day after (a guide's instants, written on the
// clock of a zone ahead of ours, may fall on `day`), and those whose date
// cannot be read.
store::Result<QList<Channel>> loadDay(const QString &databasePath, qint32 projectID, QDate day);
// The project's name, for a printout's heading.
store::Result<QString> projectName(const QString &databasePath, qint32 projectID);

// A programme with no readable duration is drawn this long and marked.
constexpr int assumedMinutes = 30;

struct Block
{
    int channel = 0; // index into Layout::channels
    int lane = 0;    // sub-row within the channel's row, 0 at the top
    qint32 programmeID = 0;
    // Seconds from the start of the day, clipped to the day.
    qint64 from = 0;
    qint64 to = 0;
    bool startsBefore = false; // began the day before
    bool endsAfter = false;    // runs on past midnight
    bool lengthAssumed = false;
    QString startText; // the start on the clock, "18:00"
    QString endText;
    QString name;
    QString category;
    QString synopsis;
    Family family = Family::ArtsAndOther;

    // "Evening News, BBC One, 18:00 to 18:30, News": the channel, so that a
    // screen reader moving from row to row says where it is.
    QString accessibleName(const QString &channelName) const;
    // Title, channel, start and end, category and synopsis, as rich text.
    QString toolTip(const QString &channelName) const;
};

struct ChannelRow
{
    qint32 channelID = 0;
    QString name;
    QString number;
    int lanes = 1;
    // The channel's blocks are blocks[firstBlock, firstBlock + blockCount),
    // in order of start.
    int firstBlock = 0;
    int blockCount = 0;
};

// A programme of the day that cannot be placed: its start cannot be read.
struct Unplaced
{
    qint32 channelID = 0;
    qint32 programmeID = 0;
    QString channelName;
    QString name;
    QString startDate;
    QString startTime;

    // "Town TV: Evening News (start "18.00" on "2024-03-31")".
    QString text() const;
};

struct HourMark
{
    qint64 second = 0; // from the start of the day
    int hour = 0;      // on the wall clock
};

struct Layout
{
    QDate day;
    QTimeZone zone;
    qint64 dayStart = 0; // seconds since the epoch
    qint64 length = 0;   // seconds: 23, 24 or 25 hours
    QList<ChannelRow> channels;
    QList<Block> blocks;
    QList<Unplaced> unplaced;
    QList<HourMark> hours;

    // Where the instant falls in the day, or nothing when outside it.
    std::optional<qint64> secondOf(qint64 instant) const;
    // The block showing this programme, or -1.
    int blockOf(qint32 programmeID) const;
};

Layout layOut(const QList<Channel> &channels, QDate day,
              const QTimeZone &zone = QTimeZone::systemTimeZone());

} // namespace grid
