#include "xmltv/XmltvEscape.h"

namespace xmltv::escape {

namespace {

// Characters XML cannot carry, and C1 controls, which in a guide are only
// ever the trace of text decoded with the wrong code page and which XMLTV's
// validator rejects.
bool keeps(char32_t c)
{
    if (c == u'\t' || c == u'\n' || c == u'\r')
        return true;
    if (c < 0x20 || (c >= 0x7f && c <= 0x9f))
        return false;
    if (c >= 0xd800 && c <= 0xdfff)
        return false;
    return c != 0xfffe && c != 0xffff;
}

QString keptCharacters(const QString &text, QStringList *leftOut)
{
    // Named a few at a time: enough for the user to know what to look for.
    constexpr qsizetype named = 8;
    QString kept;
    kept.reserve(text.size());
    for (const char32_t c : text.toUcs4()) {
        if (keeps(c)) {
            kept += QString::fromUcs4(&c, 1);
            continue;
        }
        const QString code =
            QStringLiteral("U+%1").arg(QString::number(uint(c), 16).toUpper(), 4, u'0');
        if (leftOut->size() < named && !leftOut->contains(code))
            *leftOut << code;
    }
    return kept;
}

} // namespace

const char *entity(char c)
{
    switch (c) {
    case '&':
        return "&amp;";
    case '<':
        return "&lt;";
    case '>':
        return "&gt;";
    case '"':
        return "&quot;";
    case '\t':
        return "&#9;";
    case '\n':
        return "&#10;";
    default:
        return "&#13;";
    }
}

QString xmlText(const QString &text, QStringList *leftOut)
{
    // Nearly every text is kept whole; look closer only when one may not be.
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7f && u <= 0x9f) || c.isSurrogate() || u >= 0xfffe)
            return keptCharacters(text, leftOut);
    }
    return text;
}

} // namespace xmltv::escape
