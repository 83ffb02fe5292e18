#include "export/Windows1252.h"

#include <cstring>

namespace exports {

namespace {

// What Windows-1252 keeps at 0x80-0x9F, where Latin-1 has control
// characters: 27 characters, and nothing (0) at 0x81, 0x8D, 0x8F, 0x90, 0x9D.
constexpr char16_t highBlock[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,      // 0x88
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178, // 0x98
};

bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

} // namespace

char16_t windows1252Character(unsigned char byte)
{
    return byte >= 0x80 && byte < 0xA0 ? highBlock[byte - 0x80] : char16_t(byte);
}

char windows1252Byte(char32_t codePoint)
{
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
        return char(codePoint);
    if (codePoint < 0xA0)
        return '?'; // a C1 control: the code page has other characters there
    if (codePoint <= 0xFFFF) {
        for (int i = 0; i < 32; ++i) {
            if (highBlock[i] == codePoint)
                return char(0x80 + i);
        }
    }
    return '?';
}

void appendWindows1252(QByteArray &out, QStringView text)
{
    const qsizetype start = out.size();
    out.resize(start + text.size());
    char *to = out.data() + start;
    const char16_t *from = text.utf16();
    const char16_t *const end = from + text.size();
    while (from != end) {
        const char16_t unit = *from++;
        if (QChar::isHighSurrogate(unit) && from != end && QChar::isLowSurrogate(*from))
            ++from; // the whole pair is one character, and none the code page holds
        *to++ = QChar::isSurrogate(unit) ? '?' : windows1252Byte(unit);
    }
    out.truncate(to - out.constData());
}

QByteArray toWindows1252(QStringView text)
{
    QByteArray out;
    appendWindows1252(out, text);
    return out;
}

std::size_t utf8ToWindows1252(const char *utf8, std::size_t length, char *out)
{
    const auto *from = reinterpret_cast<const unsigned char *>(utf8);
    const unsigned char *const end = from + length;
    char *to = out;
    while (from != end) {
        // Listing text is mostly ASCII: copy runs of it at once.
        const unsigned char *run = from;
        while (run != end && *run < 0x80)
            ++run;
        if (run != from) {
            std::memcpy(to, from, std::size_t(run - from));
            to += run - from;
            from = run;
            if (from == end)
                break;
        }

        const unsigned char lead = *from;
        const std::size_t left = std::size_t(end - from);
        if (lead >= 0xC2 && lead <= 0xDF && left >= 2 && isContinuation(from[1])) {
            *to++ = windows1252Byte(char32_t(lead & 0x1F) << 6 | (from[1] & 0x3F));
            from += 2;
        } else if (lead >= 0xE0 && lead <= 0xEF && left >= 3 && isContinuation(from[1]) &&
                   isContinuation(from[2]) && !(lead == 0xE0 && from[1] < 0xA0) &&
                   !(lead == 0xED && from[1] >= 0xA0)) {
            *to++ = windows1252Byte(char32_t(lead & 0x0F) << 12 | char32_t(from[1] & 0x3F) << 6 |
                                    (from[2] & 0x3F));
            from += 3;
        } else if (lead >= 0xF0 && lead <= 0xF4 && left >= 4 && isContinuation(from[1]) &&
                   isContinuation(from[2]) && isContinuation(from[3]) &&
                   !(lead == 0xF0 && from[1] < 0x90) && !(lead == 0xF4 && from[1] >= 0x90)) {
            *to++ = '?'; // beyond the Basic Multilingual Plane: never in the code page
            from += 4;
        } else {
            *to++ = '?';
            ++from;
        }
    }
    return std::size_t(to - out);
}

} // namespace exports
