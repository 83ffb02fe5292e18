#pragma once

#include <QIODevice>

#include <zlib.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace xmltv {

// The file's bytes, gathered in a buffer of fixed size, and gzipped on
// their way to the file when its name asks for it. What the export calls
// for every programme is inline; the rest happens once a buffer is full.
class Output
{
    Q_DISABLE_COPY_MOVE(Output)

public:
    Output(QIODevice &device, bool gzip);
    ~Output();

    std::string &buffer() { return m_buffer; }
    void append(std::string_view text)
    {
        m_buffer.append(text);
        if (m_buffer.size() >= capacity)
            flush();
    }
    // Text larger than the buffer goes to the file as it is, not copied.
    void write(std::string_view text)
    {
        if (text.size() < capacity) {
            append(text);
            return;
        }
        flush();
        put(text);
    }
    void flush()
    {
        put(m_buffer);
        m_buffer.clear();
    }
    // Once everything is written.
    void finish();
    bool ok() const { return m_ok; }

private:
    void put(std::string_view text);
    void deflateText(std::string_view text, int flush);

    static constexpr std::size_t capacity = 1 << 16;
    QIODevice &m_device;
    std::string m_buffer;
    std::optional<z_stream> m_zip;
    bool m_ok = true;
};

} // namespace xmltv
