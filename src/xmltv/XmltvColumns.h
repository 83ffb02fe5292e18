#pragma once

#include "store/Tables.h"

#include <iterator>
#include <string_view>

// The children of a <programme> that stand for columns of its row. The
// guide's first child of each name gives its column the text (and an
// attribute that has a column of its own, its value); the export writes the
// column back in that child's place. One line here takes a column from the
// import to the export.
namespace xmltv {

struct ChildColumn
{
    // The element, with its opening and closing tags as the export writes
    // them; an attribute of its own goes before the opening tag's ">".
    const char *element;
    std::string_view open;
    std::string_view close;
    store::tables::Name column;
    // As the export's report names the column.
    const char *reportName;
    const char *attribute = nullptr;
    store::tables::Name attributeColumn = {};
    // Written whatever it holds: a programme is written only with its title.
    bool required = false;
};

// In the order XMLTV sets for them.
inline constexpr ChildColumn programmeChildren[] = {
    {"title",
     "    <title>",
     "</title>\n",
     store::tables::Programme::name,
     "name",
     nullptr,
     {},
     true},
    {"sub-title", "    <sub-title>", "</sub-title>\n", store::tables::Programme::subTitle,
     "sub-title"},
    {"desc", "    <desc>", "</desc>\n", store::tables::Programme::desc, "description"},
    {"category", "    <category>", "</category>\n", store::tables::Programme::category, "category"},
    {"episode-num", "    <episode-num>", "</episode-num>\n", store::tables::Programme::episode,
     "episode", "system", store::tables::Programme::episodeSystem},
};

inline constexpr int childColumnCount = int(std::size(programmeChildren));

} // namespace xmltv
