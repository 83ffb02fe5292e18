#pragma once

#include <QByteArray>
#include <QStringView>

#include <cstddef>

// The guide application reads its files in the Windows ANSI code page, so the
// exports write Windows-1252 by a fixed table rather than through a codec
// library: codecs differ between platforms in what they do with a character
// the code page cannot hold (ICU writes 0x1A, some builds refuse the name).
// Here every such character becomes one "?".
namespace exports {

// The character the Windows-1252 byte stands for; 0 for the five bytes
// that stand for none.
char16_t windows1252Character(unsigned char byte);

// The byte that stands for the Unicode code point in Windows-1252, or '?'.
char windows1252Byte(char32_t codePoint);

// Appends text as Windows-1252; a surrogate pair is one character and so one "?".
void appendWindows1252(QByteArray &out, QStringView text);
QByteArray toWindows1252(QStringView text);

// Writes UTF-8 text as Windows-1252 into out, which must have room for
// length bytes (no character takes more bytes here than in UTF-8). Every
// byte of a malformed sequence becomes one "?". Returns the bytes written.
std::size_t utf8ToWindows1252(const char *utf8, std::size_t length, char *out);

} // namespace exports
