#include "xmltv/XmltvLimits.h"

#include "store/Statement.h"

namespace xmltv {

QString shortQuote(std::string_view text)
{
    constexpr int shown = 80;
    int characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        // A UTF-8 character starts at every byte that does not continue one.
        if ((static_cast<unsigned char>(text[i]) & 0xc0) != 0x80 && ++characters > shown)
            return store::fromUtf8(text.substr(0, i)) + QStringLiteral("...");
    }
    return store::fromUtf8(text);
}

} // namespace xmltv
