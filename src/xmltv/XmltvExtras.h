#pragma once

#include <functional>
#include <string>
#include <string_view>

// What a guide says of a channel or programme beyond the columns the windows
// edit is kept as XML, one child element a line, in the order XMLTV sets for
// the children. The first display-name, icon, url and lcn of a channel, and
// the first of each of a programme's children that stand for a column
// (xmltv/XmltvColumns.h), stand there as empty
// elements that carry only their other attributes: their text (or the icon's
// src) is the column's, which the user may have changed since, and the
// export fills it in.
namespace xmltv::extras {

// The place XMLTV's order gives the child among its siblings; elements it
// does not know (extensions) come after all it knows.
int programmeRank(std::string_view name);
int channelRank(std::string_view name);

// The programme's own attributes other than start, stop and channel, when it
// has any, stand on a first line of their own: <programme .../>.
inline constexpr int programmeAttributesRank = -1;

// The ranks of a channel's children that stand for a column (a
// programme's are in xmltv/XmltvColumns.h).
inline constexpr int displayNameRank = 0;
inline constexpr int iconRank = 1;
inline constexpr int urlRank = 2;
inline constexpr int lcnRank = 3;

// Appends the text as XML text, or as an attribute value, with line breaks
// and carriage returns as character references: a kept child stays on its
// line, and reads back as it was.
void appendText(std::string &out, std::string_view text);
void appendAttributeValue(std::string &out, std::string_view text);

// The name of the element a line starts with.
std::string_view elementName(std::string_view line);

// A column as the export writes it: its text already escaped for XML, and
// whether it is to be written at all (a blank description is left out).
struct Column
{
    int rank = 0;
    std::string_view name;
    std::string_view escaped;
    bool written = false;
    // For the icon, whose column is its src attribute rather than its text.
    bool asAttribute = false;
    // Written only in the place of a stand-in (a channel's number, which
    // only a guide's <lcn> makes part of the guide).
    bool needsStandIn = false;
    // Attributes that are the program's own, written ahead of the
    // stand-in's, escaped and each with its blank before: ' system="onscreen"'.
    std::string_view attributes;
};

// Appends the children of a channel or programme: the kept lines, each on
// a line of its own after indent, with the columns in their places. A
// column fills its stand-in, taking its attributes; one without a stand-in
// (the user gave a text the guide did not have) goes where XMLTV's order
// puts it. Columns come in rank order, at most eight. Each column written
// is marked in `written`, when given.
void appendChildren(std::string &out, std::string_view extra, const Column *columns, int count,
                    std::string_view indent, bool channel, bool *written = nullptr);

// The same order, told one child at a time: a kept line with column -1, or
// the number of a column that is written, with its stand-in (empty when it
// has none).
void visitChildren(std::string_view extra, const Column *columns, int count, bool channel,
                   const std::function<void(std::string_view line, int column)> &visit);

// The stand-in's own attributes, as " name=\"value\"...".
std::string_view standInAttributes(std::string_view standIn);

// The attributes of the programme's own line, as " name=\"value\"...", or nothing.
std::string_view programmeAttributes(std::string_view extra);

} // namespace xmltv::extras
