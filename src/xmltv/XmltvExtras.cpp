#include "xmltv/XmltvExtras.h"

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

void append(std::string &out, std::string_view text, bool attribute)
{
    std::size_t from = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char *entity = nullptr;
        switch (text[i]) {
        case '&':
            entity = "&amp;";
            break;
        case '<':
            entity = "&lt;";
            break;
        case '>':
            entity = "&gt;";
            break;
        case '"':
            entity = attribute ? "&quot;" : nullptr;
            break;
        case '\t':
            entity = attribute ? "&#9;" : nullptr;
            break;
        case '\n':
            entity = "&#10;";
            break;
        case '\r':
            entity = "&#13;";
            break;
        default:
            break;
        }
        if (entity) {
            out.append(text.substr(from, i - from));
            out.append(entity);
            from = i + 1;
        }
    }
    out.append(text.substr(from));
}

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
    append(out, text, false);
}

void appendAttributeValue(std::string &out, std::string_view text)
{
    append(out, text, true);
}

std::string_view elementName(std::string_view line)
{
    if (line.empty() || line[0] != '<')
        return {};
    const std::size_t end = line.find_first_of(" />", 1);
    return line.substr(1, end == std::string_view::npos ? std::string_view::npos : end - 1);
}

} // namespace xmltv::extras
