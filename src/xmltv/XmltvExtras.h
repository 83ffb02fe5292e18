#pragma once

#include <string>
#include <string_view>

// What a guide says of a channel or programme beyond the columns the windows
// edit is kept as XML, one child element a line, in the order XMLTV sets for
// the children. The first display-name, icon, url and lcn of a channel, and
// the first title, desc and category of a programme, stand there as empty
// elements that carry only their other attributes: their text (or the icon's
// src) is the column's, which the user may have changed since, and the
// export fills it in.
namespace xmltv::extras {

// The place XMLTV's order gives the child among its siblings; elements it
// does not know (extensions) come after all it knows.
int programmeRank(std::string_view name);
int channelRank(std::string_view name);

// The ranks of the children that stand for a column.
inline constexpr int titleRank = 0;
inline constexpr int descRank = 2;
inline constexpr int categoryRank = 5;
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

} // namespace xmltv::extras
