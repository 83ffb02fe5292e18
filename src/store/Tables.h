#pragma once

#include <QLatin1StringView>
#include <QStringList>

// The four tables and their columns, each named once. Every command builds
// its SQL from these names (schema.sql, which creates them, is the other
// place they are written), so a column is renamed or added in one place, and
// a misspelt name fails to compile instead of failing at run time.
namespace store::tables {

using Name = QLatin1StringView;

struct Project
{
    static constexpr Name table{"ProjectData"};
    static constexpr Name id{"projectID"};
    static constexpr Name name{"projectName"};
    static constexpr Name contactName{"ContactName"};
    static constexpr Name contactEmail{"ContacteMail"};
    static constexpr Name contactUrl{"ContactURL"};
    static constexpr Name contactDesc{"ContactDesc"};
};

struct Channel
{
    static constexpr Name table{"ChannelData"};
    static constexpr Name id{"channelID"};
    static constexpr Name projectId{"projectID"};
    static constexpr Name name{"channelName"};
    static constexpr Name number{"channelNumber"};
    static constexpr Name channelUrl{"channelURL"};
    static constexpr Name logoUrl{"logoURL"};
    static constexpr Name dataUrl{"dataURL"};
    static constexpr Name updateFrequency{"updateFrequency"};
};

// What the XMLTV import keeps of a channel; no window shows it. Not one of
// the four tables every Quorvel database has had.
struct ChannelXmltv
{
    static constexpr Name table{"ChannelXmltv"};
    static constexpr Name channelId{"channelID"};
    static constexpr Name xmltvId{"xmltvID"};
    static constexpr Name xmltvExtra{"xmltvExtra"};
};

// No identifier of its own: a channel's lines are found through channelID and
// read back in rowid order, the order they were added.
struct Template
{
    static constexpr Name table{"TemplateData"};
    static constexpr Name channelId{"channelID"};
    static constexpr Name line{"templateData"};
};

struct Programme
{
    static constexpr Name table{"ProgrammeData"};
    static constexpr Name id{"programmeID"};
    static constexpr Name channelId{"channelID"};
    static constexpr Name name{"programmeName"};
    static constexpr Name desc{"programmeDesc"};
    static constexpr Name startDate{"startDate"};
    static constexpr Name startTime{"startTime"};
    static constexpr Name duration{"duration"};
    static constexpr Name category{"category"};
    // The XMLTV <sub-title> and <episode-num>, with the numbering system the
    // episode is written in ("onscreen", "xmltv_ns" ...).
    static constexpr Name subTitle{"subTitle"};
    static constexpr Name episode{"episodeNum"};
    static constexpr Name episodeSystem{"episodeSystem"};
    // Worked out by SQLite from the start (store/TypedTimes.h); never written.
    static constexpr Name startDateKey{"startDateKey"};
    static constexpr Name startTimeKey{"startTimeKey"};
    // Filled by the XMLTV import; no window shows them.
    static constexpr Name xmltvStart{"xmltvStart"};
    static constexpr Name xmltvStop{"xmltvStop"};
    static constexpr Name xmltvTyped{"xmltvTyped"};
    static constexpr Name xmltvExtra{"xmltvExtra"};
};

// Which roles may see a project, on a server only (store/ServerSchema.h):
// a project with no rows here is seen by every Quorvel role.
struct ProjectAccess
{
    static constexpr Name table{"ProjectAccess"};
    static constexpr Name projectId{"projectID"};
    static constexpr Name roleName{"roleName"};
};

// The column that identifies a table's rows, which the store gives a new
// row; empty for the tables whose rows have none of their own.
inline Name keyOf(QStringView table)
{
    if (table == Project::table)
        return Project::id;
    if (table == Channel::table)
        return Channel::id;
    if (table == Programme::table)
        return Programme::id;
    return Name();
}

inline QStringList all()
{
    return {Project::table, Channel::table, Template::table, Programme::table};
}

} // namespace store::tables
