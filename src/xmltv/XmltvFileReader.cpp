#include "xmltv/XmltvFileReader.h"

#include "export/Windows1252.h"
#include "xmltv/XmltvProblems.h"

#include <unistd.h>

#include <algorithm>
#include <limits>

namespace xmltv::import {

namespace {

// Expat reads UTF-8, UTF-16, ISO-8859-1 and ASCII by itself. Windows-1252
// is added here: guides are often written in it where Latin-1 is meant.
int XMLCALL onUnknownEncoding(void *, const XML_Char *name, XML_Encoding *info)
{
    const QLatin1String encoding(name);
    if (encoding.compare(QLatin1String("windows-1252"), Qt::CaseInsensitive) != 0 &&
        encoding.compare(QLatin1String("cp1252"), Qt::CaseInsensitive) != 0) {
        return XML_STATUS_ERROR;
    }
    for (int byte = 0; byte < 256; ++byte) {
        const char16_t character = exports::windows1252Character(static_cast<unsigned char>(byte));
        // -1: a byte the code page leaves empty is not well-formed text.
        info->map[byte] = character != 0 || byte == 0 ? int(character) : -1;
    }
    info->data = nullptr;
    info->convert = nullptr;
    info->release = nullptr;
    return XML_STATUS_OK;
}

} // namespace

GuideFile::GuideFile(const QString &path) : m_file(path)
{
}

GuideFile::~GuideFile()
{
    if (m_gzip)
        gzclose(m_gzip);
}

bool GuideFile::isGzip(const QString &path)
{
    return path.endsWith(QLatin1String(".gz"), Qt::CaseInsensitive);
}

bool GuideFile::open()
{
    if (!m_file.open(QIODevice::ReadOnly))
        return false;
    if (!isGzip(m_file.fileName()))
        return true;
    // zlib reads from a descriptor of its own, and closes it.
    const int descriptor = dup(m_file.handle());
    m_gzip = descriptor >= 0 ? gzdopen(descriptor, "rb") : nullptr;
    if (!m_gzip) {
        if (descriptor >= 0)
            ::close(descriptor);
        m_error = QStringLiteral("there is not enough memory to read it");
        return false;
    }
    gzbuffer(m_gzip, 256 * 1024);
    return true;
}

qint64 GuideFile::read(char *buffer, int size)
{
    if (!m_gzip)
        return m_file.read(buffer, size);
    const int read = gzread(m_gzip, buffer, unsigned(size));
    if (read < 0) {
        int code = 0;
        const char *message = gzerror(m_gzip, &code);
        m_error = QStringLiteral("it cannot be read as gzip (%1)")
                      .arg(QString::fromLocal8Bit(message ? message : ""));
    }
    return read;
}

QString GuideFile::errorString() const
{
    return m_error.isEmpty() ? m_file.errorString() : m_error;
}

XML_Parser newGuideParser()
{
    XML_Parser parser = XML_ParserCreate(nullptr);
    if (parser)
        XML_SetUnknownEncodingHandler(parser, onUnknownEncoding, nullptr);
    return parser;
}

FileReader::FileReader(const QString &path, const XmltvLimits &limits)
    : m_path(path), m_markupBytes(limits.markupBytes), m_parser(newGuideParser())
{
}

FileReader::~FileReader()
{
    if (m_parser)
        XML_ParserFree(m_parser);
}

FileReader::Ending FileReader::read(Problems &problems, const ImportCancel *cancel, bool &last)
{
    GuideFile file(m_path);
    if (!file.open()) {
        problems.note({}, file.errorString());
        return Ending::Failed;
    }
    qint64 fed = 0;
    int wanted = chunkBytes;
    // Parsed in place, in expat's own buffer: the file's bytes are copied once.
    for (last = false; !last;) {
        if (cancel && cancel->cancelled())
            return Ending::Cancelled;
        void *buffer = XML_GetBuffer(m_parser, wanted);
        const qint64 read = buffer ? file.read(static_cast<char *>(buffer), wanted) : qint64(-1);
        if (read < 0) {
            problems.note(problems.here(), buffer ? file.errorString() : problems.expatError());
            return Ending::Failed;
        }
        last = read == 0;
        fed += read;
        if (XML_ParseBuffer(m_parser, int(read), last) != XML_STATUS_OK)
            return Ending::ParserStopped;
        // What expat could not finish yet: the start of a tag, comment or
        // declaration that goes on past what it has been given. Expat parses
        // such a piece again from its start each time it is given more, so
        // it is given at least as much again as it holds: the work then
        // grows with the piece's length, not with its square.
        const XML_Index finished = XML_GetCurrentByteIndex(m_parser);
        const qint64 unfinished = finished >= 0 ? fed - finished : 0;
        if (unfinished > m_markupBytes) {
            problems.note(problems.here(),
                          QStringLiteral("a tag, comment or declaration starting here runs on "
                                         "past %1 bytes, more than a guide may have")
                              .arg(m_markupBytes));
            return Ending::Failed;
        }
        wanted =
            int(std::clamp<qint64>(unfinished, chunkBytes, std::numeric_limits<int>::max() / 4));
    }
    return Ending::Whole;
}

} // namespace xmltv::import
