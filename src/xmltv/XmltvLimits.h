#pragma once

#include <QString>
#include <QtGlobal>

#include <string_view>

namespace xmltv {

// What one guide may hold. XMLTV needs little of any of it; a file made to
// cost time or memory is refused where it first goes beyond a bound, rather
// than read to its end. The import holds a guide to these bounds, and the
// export refuses to write what goes beyond them, so that every guide
// Quorvel writes it can read back.
struct XmltvLimits
{
    // Elements inside one another, <tv> counting 1. XMLTV itself needs five.
    int depth = 64;
    // One tag with its attributes, comment, processing instruction or
    // declaration, in bytes of the file from its "<" to its ">". One of
    // this length or less is always read; a longer one may be refused.
    qint64 markupBytes = 1024 * 1024;
    // One text the import keeps (a title, description, category, channel
    // name or address), in bytes of UTF-8 once its references are read.
    // Lowered to what the store takes when that is less.
    qint64 textBytes = 16 * 1024 * 1024;
};

// The text, in UTF-8, as a message quotes it: cut short after a few dozen
// characters, so that neither a hostile file nor a text of megabytes fills
// a message.
QString shortQuote(std::string_view text);

} // namespace xmltv
