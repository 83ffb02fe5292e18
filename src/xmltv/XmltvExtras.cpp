#include "xmltv/XmltvExtras.h"

#include "xmltv/XmltvEscape.h"

#include <array>

namespace xmltv::extras {

namespace {

template<std::size_t N>
int rankIn(const std::array<std::string_view, N> &order, std::string_view name)
{
    for (std::size_t i = 0; i < N; ++i) {
        if (order[i] == name)
            return int(i);
    }
    return int(N);
}

constexpr escape::Escapes keptEscapes = escape::escapes("&<>\n\r", "\"\t");

} // namespace

int programmeRank(std::string_view name)
{
    static constexpr std::array<std::string_view, 25> order{"title",
                                                            "sub-title",
                                                            "desc",
                                                            "credits",
                                                            "date",
                                                            "category",
                                                            "keyword",
                                                            "language",
                                                            "orig-language",
                                                            "length",
                                                            "icon",
                                                            "url",
                                                            "country",
                                                            "episode-num",
                                                            "video",
                                                            "audio",
                                                            "previously-shown",
                                                            "premiere",
                                                            "last-chance",
                                                            "new",
                                                            "subtitles",
                                                            "rating",
                                                            "star-rating",
                                                            "review",
                                                            "image"};
    return rankIn(order, name);
}

int channelRank(std::string_view name)
{
    static constexpr std::array<std::string_view, 4> order{"display-name", "icon", "url", "lcn"};
    return rankIn(order, name);
}

void appendText(std::string &out, std::string_view text)
{
    escape::appendEscaped(out, text, keptEscapes, false);
}

void appendAttributeValue(std::string &out, std::string_view text)
{
    escape::appendEscaped(out, text, keptEscapes, true);
}

std::string_view elementName(std::string_view line)
{
    if (line.empty() || line[0] != '<')
        return {};
    const std::size_t end = line.find_first_of(" />", 1);
    return line.substr(1, end == std::string_view::npos ? std::string_view::npos : end - 1);
}

namespace {

void appendColumn(std::string &out, const Column &column, std::string_view standIn,
                  std::string_view indent)
{
    out.append(indent);
    out += '<';
    out.append(column.name);
    if (column.asAttribute) {
        out.append(" src=\"").append(column.escaped).append("\"");
    }
    out.append(standInAttributes(standIn));
    if (column.asAttribute) {
        out.append("/>\n");
        return;
    }
    out += '>';
    out.append(column.escaped);
    out.append("</").append(column.name).append(">\n");
}

} // namespace

std::string_view standInAttributes(std::string_view standIn)
{
    // Between its name and its "/>".
    const std::string_view name = elementName(standIn);
    if (standIn.size() < name.size() + 3)
        return {};
    return standIn.substr(1 + name.size(), standIn.size() - name.size() - 3);
}

void appendChildren(std::string &out, std::string_view extra, const Column *columns, int count,
                    std::string_view indent, bool channel, bool *written)
{
    visitChildren(extra, columns, count, channel, [&](std::string_view line, int column) {
        if (column < 0) {
            out.append(indent).append(line).append("\n");
            return;
        }
        appendColumn(out, columns[column], line, indent);
        if (written)
            written[column] = true;
    });
}

void visitChildren(std::string_view extra, const Column *columns, int count, bool channel,
                   const std::function<void(std::string_view line, int column)> &visit)
{
    // Which columns have a stand-in: the first line of their name.
    bool hasStandIn[8] = {};
    bool done[8] = {};
    for (std::size_t from = 0; from < extra.size();) {
        std::size_t end = extra.find('\n', from);
        if (end == std::string_view::npos)
            end = extra.size();
        const std::string_view name = elementName(extra.substr(from, end - from));
        for (int c = 0; c < count; ++c) {
            if (name == columns[c].name)
                hasStandIn[c] = true;
        }
        from = end + 1;
    }
    const auto flushBefore = [&](int rank) {
        for (int c = 0; c < count; ++c) {
            if (!done[c] && !hasStandIn[c] && columns[c].rank < rank) {
                done[c] = true;
                if (columns[c].written && !columns[c].needsStandIn)
                    visit({}, c);
            }
        }
    };
    for (std::size_t from = 0; from < extra.size();) {
        std::size_t end = extra.find('\n', from);
        if (end == std::string_view::npos)
            end = extra.size();
        const std::string_view line = extra.substr(from, end - from);
        from = end + 1;
        const std::string_view name = elementName(line);
        if (name.empty() || name == "programme")
            continue;
        const int rank = channel ? channelRank(name) : programmeRank(name);
        flushBefore(rank);
        bool standIn = false;
        for (int c = 0; c < count; ++c) {
            if (!done[c] && name == columns[c].name) {
                done[c] = standIn = true;
                if (columns[c].written)
                    visit(line, c);
                break;
            }
        }
        if (!standIn)
            visit(line, -1);
    }
    flushBefore(1 << 30);
}

std::string_view programmeAttributes(std::string_view extra)
{
    constexpr std::string_view own = "<programme ";
    if (extra.substr(0, own.size()) != own)
        return {};
    const std::size_t end = extra.find('\n');
    std::string_view line = extra.substr(0, end);
    if (line.size() < own.size() + 2)
        return {};
    return line.substr(own.size() - 1, line.size() - own.size() - 1);
}

} // namespace xmltv::extras
