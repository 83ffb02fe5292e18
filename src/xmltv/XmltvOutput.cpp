#include "xmltv/XmltvOutput.h"

namespace xmltv {

Output::Output(QIODevice &device, bool gzip) : m_device(device)
{
    m_buffer.reserve(capacity + 4096);
    if (gzip) {
        m_zip.emplace();
        // 15 + 16: a gzip header and trailer around the deflated bytes.
        m_ok = deflateInit2(&*m_zip, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8,
                            Z_DEFAULT_STRATEGY) == Z_OK;
        if (!m_ok)
            m_zip.reset();
    }
}

Output::~Output()
{
    if (m_zip)
        deflateEnd(&*m_zip);
}

void Output::finish()
{
    flush();
    if (m_zip)
        deflateText({}, Z_FINISH);
}

void Output::put(std::string_view text)
{
    if (m_zip)
        deflateText(text, Z_NO_FLUSH);
    else if (m_ok && !text.empty())
        m_ok = m_device.write(text.data(), qint64(text.size())) == qint64(text.size());
}

void Output::deflateText(std::string_view text, int flush)
{
    if (!m_ok)
        return;
    z_stream &zip = *m_zip;
    zip.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(text.data()));
    zip.avail_in = uInt(text.size());
    int status = Z_OK;
    do {
        unsigned char out[capacity];
        zip.next_out = out;
        zip.avail_out = sizeof out;
        status = deflate(&zip, flush);
        const qint64 made = qint64(sizeof out - zip.avail_out);
        if (status == Z_STREAM_ERROR ||
            (made > 0 && m_device.write(reinterpret_cast<const char *>(out), made) != made)) {
            m_ok = false;
            return;
        }
    } while (zip.avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END));
}

} // namespace xmltv
