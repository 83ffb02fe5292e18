#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

// Text as XML: the characters a guide can carry, and the escaping of the
// rest, for the guide the export writes and the children the import keeps.
// What runs once for every text of an export is inline here, so that it
// stays in the export's loop.
namespace xmltv::escape {

// Which bytes go into XML as an entity or character reference: 0 as they
// are, 1 in text and attribute values, 2 in attribute values only. The
// guide export and the kept children escape alike but for these tables.
struct Escapes
{
    unsigned char level[256] = {};
};
constexpr Escapes escapes(std::string_view always, std::string_view inAttributes)
{
    Escapes made;
    for (const char c : always)
        made.level[static_cast<unsigned char>(c)] = 1;
    for (const char c : inAttributes)
        made.level[static_cast<unsigned char>(c)] = 2;
    return made;
}
// The entity or reference for a byte that one of the tables escapes.
const char *entity(char c);
// Looks each byte up in the table: most text has nothing to escape and is
// added in one piece.
inline void appendEscaped(std::string &out, std::string_view text, const Escapes &table,
                          bool attribute)
{
    const unsigned char top = attribute ? 2 : 1;
    std::size_t from = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char level = table.level[static_cast<unsigned char>(text[i])];
        if (level == 0 || level > top)
            continue;
        out.append(text.substr(from, i - from));
        out.append(entity(text[i]));
        from = i + 1;
    }
    out.append(text.substr(from));
}

// A carriage return goes out as the character reference &#13;: written as
// it is, any XML reader would hand it back as a line feed, and a guide read
// back in would not give the text it was made of. In an attribute, tabs and
// line feeds too, which a reader would otherwise make spaces.
inline constexpr Escapes guideEscapes = escapes("<>&\"\r", "\t\n");

// Text as the guide's XML character data, or an attribute's value.
inline void appendEscaped(std::string &out, std::string_view text, bool attribute)
{
    appendEscaped(out, text, guideEscapes, attribute);
}

// The text without the characters the guide cannot carry, which are named in leftOut.
QString xmlText(const QString &text, QStringList *leftOut);

// The blanks QString::trimmed() removes.
inline bool isBlank(char32_t c)
{
    return c == 0x20 || (c >= 0x09 && c <= 0x0d) || c == 0x85 || c == 0xa0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200a) || c == 0x2028 || c == 0x2029 || c == 0x202f ||
           c == 0x205f || c == 0x3000;
}

// Text as the store keeps it, in UTF-8, read straight into the file. Text
// that is anything but well-formed UTF-8 of characters a guide keeps as
// they are goes the long way, through the UTF-16 SQLite makes of it: that
// way any byte the store holds comes out as it always has.
//
// How each byte of such text is written: a character of ASCII that is not
// blank, a blank of ASCII, a byte XML text writes as an entity (a carriage
// return, itself a blank, apart), the first byte of a longer character, or
// one that sends the text the long way.
enum ByteKind : unsigned char
{
    Ordinary,
    AsciiBlank,
    Entity,
    Return,
    Longer,
    LongWay
};

struct ByteKinds
{
    unsigned char kind[256];
    constexpr ByteKinds() : kind()
    {
        for (int b = 0; b < 256; ++b)
            kind[b] = b >= 0x80 ? Longer : (b < 0x20 || b == 0x7f) ? LongWay : Ordinary;
        for (const int b : {' ', '\t', '\n'})
            kind[b] = AsciiBlank;
        for (const int b : {'<', '>', '&', '"'})
            kind[b] = Entity;
        kind[int('\r')] = Return;
    }
};
inline constexpr ByteKinds bytes;

// Whether any of eight bytes is other than printable ASCII that XML text
// takes as it is: a byte of a longer character, a control character, or
// one of < > & ". Each test finds a byte of zero, or one below a bound, in
// all eight at once.
inline bool anyNotOrdinary(std::uint64_t word)
{
    constexpr std::uint64_t ones = 0x0101010101010101u;
    constexpr std::uint64_t highs = ones * 0x80;
    const auto anyBelow = [&](std::uint64_t w, unsigned bound) {
        return ((w - ones * bound) & ~w & highs) != 0;
    };
    const auto anyZero = [&](std::uint64_t w) {
        return anyBelow(w, 1);
    };
    return (word & highs) != 0 || anyBelow(word, 0x20) || anyZero(word ^ (ones * 0x7f)) ||
           // < and >, " and &: each pair apart in one bit only.
           anyZero((word | ones * 0x02) ^ (ones * '>')) ||
           anyZero((word | ones * 0x04) ^ (ones * '&'));
}

// Appends text that needs nothing but escaping as XML text, in one pass
// over it, and tells whether it is blank; false (and out as it was) when
// the text has to go the long way. Static: the export's one caller runs it
// for every text, and a compiler inlines a function this long into its one
// caller only while it is local to the caller's file.
static inline bool appendPlain(std::string &out, std::string_view text, bool &blank)
{
    const std::size_t was = out.size();
    const auto *p = reinterpret_cast<const unsigned char *>(text.data());
    const auto *end = p + text.size();
    const auto *run = p;
    blank = true;
    for (;;) {
        if (blank) {
            while (p < end && bytes.kind[*p] == AsciiBlank)
                ++p;
            if (p < end && bytes.kind[*p] == Ordinary)
                blank = false;
        }
        // Plain ASCII, the most of every text, eight bytes at a time while
        // there is nothing to look at, then a byte at a time without decoding.
        if (!blank) {
            for (std::uint64_t word; end - p >= 8; p += 8) {
                std::memcpy(&word, p, 8);
                if (anyNotOrdinary(word))
                    break;
            }
        }
        while (p < end && bytes.kind[*p] <= AsciiBlank)
            ++p;
        if (p == end)
            break;
        const unsigned char b = *p;
        switch (bytes.kind[b]) {
        case Entity:
            blank = false;
            [[fallthrough]];
        case Return:
            out.append(reinterpret_cast<const char *>(run), std::size_t(p - run));
            out.append(entity(char(b)));
            run = ++p;
            continue;
        case Longer:
            break;
        default:
            out.resize(was);
            return false;
        }
        char32_t c = 0;
        int more = 0;
        if (b >= 0xc2 && b <= 0xdf) {
            c = b & 0x1f;
            more = 1;
        } else if (b >= 0xe0 && b <= 0xef) {
            c = b & 0x0f;
            more = 2;
        } else if (b >= 0xf0 && b <= 0xf4) {
            c = b & 0x07;
            more = 3;
        } else {
            out.resize(was);
            return false;
        }
        if (end - p <= more) {
            out.resize(was);
            return false;
        }
        for (int i = 1; i <= more; ++i) {
            if ((p[i] & 0xc0) != 0x80) {
                out.resize(was);
                return false;
            }
            c = (c << 6) | (p[i] & 0x3f);
        }
        p += more + 1;
        // Overlong forms, surrogates, beyond Unicode, C1 controls and
        // non-characters: the long way.
        const char32_t least = more == 1 ? 0x80 : more == 2 ? 0x800 : 0x10000;
        if (c < least || c > 0x10ffff || (c >= 0xd800 && c <= 0xdfff) || c <= 0x9f ||
            (c >= 0xfdd0 && c <= 0xfdef) || (c & 0xfffe) == 0xfffe) {
            out.resize(was);
            return false;
        }
        if (blank && !isBlank(c))
            blank = false;
    }
    out.append(reinterpret_cast<const char *>(run), std::size_t(end - run));
    return true;
}

} // namespace xmltv::escape
