#include "xmltv/XmltvParser.h"

#include "export/Windows1252.h"
#include "store/SqliteStatement.h"
#include "xmltv/XmltvExtras.h"

#include <QFile>
#include <QFileInfo>

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>
#include <utility>

namespace xmltv::import {

namespace {

using store::fromUtf8;

// The value of the attribute, empty when the element has none.
std::string_view attribute(const XML_Char **attributes, const char *name)
{
    for (; attributes[0]; attributes += 2) {
        if (std::strcmp(attributes[0], name) == 0)
            return attributes[1];
    }
    return {};
}

QByteArray bytes(std::string_view text)
{
    return QByteArray(text.data(), qsizetype(text.size()));
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

GuideParser::GuideParser(const QString &path, Handoff &handoff, const XmltvLimits &limits,
                         const ImportCancel *cancel)
    : m_path(path), m_handoff(handoff), m_limits(limits), m_cancel(cancel),
      m_parser(XML_ParserCreate(nullptr))
{
    m_canReadAgain = QFileInfo(path).isFile();
    if (!m_parser)
        return;
    XML_SetUserData(m_parser, this);
    XML_SetElementHandler(m_parser, onStart, onEnd);
    // A guide that names the XMLTV DTD leaves entities it does not define in
    // the document itself to that DTD, which is not read. In text, expat
    // reports such an entity here, and it is an error rather than text
    // dropped quietly; in an attribute value expat leaves it out unreported.
    XML_SetSkippedEntityHandler(m_parser, onSkippedEntity);
    // Nothing outside the guide is ever read: an entity that stands for
    // another file is an error where the guide uses it, where expat would
    // otherwise leave it out quietly.
    XML_SetEntityDeclHandler(m_parser, onEntityDeclared);
    XML_SetExternalEntityRefHandler(m_parser, onExternalEntity);
    XML_SetExternalEntityRefHandlerArg(m_parser, this);
    XML_SetUnknownEncodingHandler(m_parser, onUnknownEncoding, nullptr);
}

GuideParser::~GuideParser()
{
    if (m_parser)
        XML_ParserFree(m_parser);
}

void GuideParser::run()
{
    if (!m_parser)
        note({}, QStringLiteral("there is not enough memory to read it"));
    else
        readFile();
    if (!m_problem && !m_stopped)
        handOver();
    m_handoff.finish(std::move(m_problem));
}

void GuideParser::readFile()
{
    GuideFile file(m_path);
    if (!file.open()) {
        note({}, file.errorString());
        return;
    }
    m_batch.programmes.reserve(programmesPerBatch);
    qint64 fed = 0;
    int wanted = chunkBytes;
    // Parsed in place, in expat's own buffer: the file's bytes are copied once.
    for (bool last = false; !last;) {
        if (cancelled()) {
            m_stopped = true;
            return;
        }
        void *buffer = XML_GetBuffer(m_parser, wanted);
        const qint64 read = buffer ? file.read(static_cast<char *>(buffer), wanted) : qint64(-1);
        if (read < 0) {
            note(here(), buffer ? file.errorString() : parserError());
            return;
        }
        last = read == 0;
        fed += read;
        // Stopped from a handler, the parser fails too, and the problem is
        // known already.
        if (XML_ParseBuffer(m_parser, int(read), last) != XML_STATUS_OK) {
            if (!m_stopped)
                note(errorWhere(), parserError(last));
            return;
        }
        // What expat could not finish yet: the start of a tag, comment or
        // declaration that goes on past what it has been given. Expat parses
        // such a piece again from its start each time it is given more, so
        // it is given at least as much again as it holds: the work then
        // grows with the piece's length, not with its square.
        const XML_Index finished = XML_GetCurrentByteIndex(m_parser);
        const qint64 unfinished = finished >= 0 ? fed - finished : 0;
        if (unfinished > m_limits.markupBytes) {
            note(here(), QStringLiteral("a tag, comment or declaration starting here runs on "
                                        "past %1 bytes, more than a guide may have")
                             .arg(m_limits.markupBytes));
            return;
        }
        wanted =
            int(std::clamp<qint64>(unfinished, chunkBytes, std::numeric_limits<int>::max() / 4));
    }
}

GuideParser::Where GuideParser::errorWhere() const
{
    Where where = here();
    // Expat stands past the "</" of an end tag that does not match; the
    // tag starts at its "<".
    if (XML_GetErrorCode(m_parser) == XML_ERROR_TAG_MISMATCH && where.column > 2)
        where.column -= 2;
    return where;
}

GuideParser::Where GuideParser::here() const
{
    return {qint64(XML_GetCurrentLineNumber(m_parser)),
            qint64(XML_GetCurrentColumnNumber(m_parser)) + 1};
}

GuideParser::Where GuideParser::located(Where where) const
{
    return where.startTag == 0 ? where : startTagAt(where.startTag, nullptr).where;
}

GuideParser::StartTag GuideParser::startTagAt(qint64 number, const char *attribute) const
{
    // Only a problem found once the element it is about has ended comes
    // here, which is rare: the file is read again, up to the element's tag.
    struct Search
    {
        XML_Parser parser;
        qint64 left;
        const char *attribute;
        StartTag found;
    };
    Search search{XML_ParserCreate(nullptr), number, attribute, {}};
    if (!search.parser)
        return {};
    XML_SetUserData(search.parser, &search);
    XML_SetUnknownEncodingHandler(search.parser, onUnknownEncoding, nullptr);
    XML_SetStartElementHandler(search.parser, [](void *data, const XML_Char *,
                                                 const XML_Char **attributes) {
        auto *search = static_cast<Search *>(data);
        if (--search->left != 0)
            return;
        search->found.where = {qint64(XML_GetCurrentLineNumber(search->parser)),
                               qint64(XML_GetCurrentColumnNumber(search->parser)) + 1};
        if (search->attribute)
            search->found.attribute = ::xmltv::import::attribute(attributes, search->attribute);
        XML_StopParser(search->parser, XML_FALSE);
    });
    GuideFile file(m_path);
    if (file.open()) {
        for (bool last = false; !last && search.found.where.line == 0;) {
            void *buffer = XML_GetBuffer(search.parser, chunkBytes);
            const qint64 read = buffer ? file.read(static_cast<char *>(buffer), chunkBytes) : -1;
            last = read <= 0;
            if (read < 0 || XML_ParseBuffer(search.parser, int(read), last) != XML_STATUS_OK)
                break;
        }
    }
    XML_ParserFree(search.parser);
    return search.found;
}

void GuideParser::note(Where where, const QString &what)
{
    if (!m_problem) {
        where = located(where);
        m_problem = FileProblem{where.line, where.column, what};
    }
}

void GuideParser::fail(Where where, const QString &what)
{
    note(where, what);
    XML_StopParser(m_parser, XML_FALSE);
}

QString GuideParser::parserError(bool atEnd) const
{
    const XML_Error error = XML_GetErrorCode(m_parser);
    // Expat's words for a file cut short ("no element found", "unclosed
    // token") do not say that the file stops too soon.
    if (atEnd && (error == XML_ERROR_NO_ELEMENTS || error == XML_ERROR_UNCLOSED_TOKEN ||
                  error == XML_ERROR_PARTIAL_CHAR || error == XML_ERROR_UNCLOSED_CDATA_SECTION)) {
        return m_depth == 0 ? QStringLiteral("the file has no <tv> element")
                            : QStringLiteral("the file ends in the middle of the guide");
    }
    return QString::fromUtf8(XML_ErrorString(error));
}

void GuideParser::handOver()
{
    if (!m_handoff.put(m_batch)) {
        m_stopped = true;
        XML_StopParser(m_parser, XML_FALSE);
    }
    m_batch.programmes.reserve(programmesPerBatch);
}

void XMLCALL GuideParser::onStart(void *parser, const XML_Char *name, const XML_Char **attributes)
{
    auto *self = static_cast<GuideParser *>(parser);
    ++self->m_startTags;
    // Expat may still pass on what it had read when it was stopped.
    if (!self->m_problem && !self->m_stopped) {
        self->startElement(name, attributes);
        self->listenForText();
    }
}

void XMLCALL GuideParser::onEnd(void *parser, const XML_Char *name)
{
    auto *self = static_cast<GuideParser *>(parser);
    if (!self->m_problem && !self->m_stopped) {
        self->endElement(name);
        self->listenForText();
    }
}

void GuideParser::listenForText()
{
    // Most of a guide's text between elements is layout, a line break and
    // the next line's indent, which expat hands over in two pieces; with no
    // handler to hand them to, it passes over them.
    const bool wanted = (m_field != Field::None && m_skippingFrom == 0) || m_captureFrom != 0;
    if (wanted != m_listeningForText) {
        m_listeningForText = wanted;
        XML_SetCharacterDataHandler(m_parser, wanted ? onText : nullptr);
    }
}

void XMLCALL GuideParser::onText(void *parser, const XML_Char *text, int size)
{
    auto *self = static_cast<GuideParser *>(parser);
    // Text comes in pieces, split where the file has a line break or an
    // entity; outside the fields the import reads it is only layout.
    if (self->m_field != Field::None && self->m_skippingFrom == 0)
        self->addText(std::string_view(text, std::size_t(size)));
    else if (self->m_captureFrom != 0 && !self->m_problem && !self->m_stopped)
        self->addCapturedText(std::string_view(text, std::size_t(size)));
}

void XMLCALL GuideParser::onSkippedEntity(void *parser, const XML_Char *name, int)
{
    auto *self = static_cast<GuideParser *>(parser);
    self->fail(self->here(),
               QStringLiteral("the entity &%1; is not defined").arg(shortQuote(name)));
}

void XMLCALL GuideParser::onEntityDeclared(void *parser, const XML_Char *name, int parameterEntity,
                                           const XML_Char *, int, const XML_Char *,
                                           const XML_Char *systemId, const XML_Char *publicId,
                                           const XML_Char *)
{
    auto *self = static_cast<GuideParser *>(parser);
    // Only the name of the first few is kept: enough to name the one used.
    constexpr qsizetype remembered = 256;
    if (parameterEntity || !systemId || self->m_externalEntities.size() >= remembered)
        return;
    const QByteArray key = QByteArray(systemId) + '\n' + QByteArray(publicId ? publicId : "");
    if (!self->m_externalEntities.contains(key))
        self->m_externalEntities.insert(key, shortQuote(name).toUtf8());
}

int XMLCALL GuideParser::onExternalEntity(XML_Parser parser, const XML_Char *, const XML_Char *,
                                          const XML_Char *systemId, const XML_Char *publicId)
{
    auto *self = reinterpret_cast<GuideParser *>(parser);
    const QByteArray name = self->m_externalEntities.value(
        QByteArray(systemId ? systemId : "") + '\n' + QByteArray(publicId ? publicId : ""));
    self->fail(self->here(),
               QStringLiteral("the entity &%1; stands for a file outside the guide, which is "
                              "never read")
                   .arg(name.isEmpty() ? QStringLiteral("...") : QString::fromUtf8(name)));
    return XML_STATUS_ERROR;
}

// Expat reads UTF-8, UTF-16, ISO-8859-1 and ASCII by itself. Windows-1252
// is added here: guides are often written in it where Latin-1 is meant.
int XMLCALL GuideParser::onUnknownEncoding(void *, const XML_Char *name, XML_Encoding *info)
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

void GuideParser::startElement(std::string_view name, const XML_Char **attributes)
{
    // Expat keeps every open element; refused early, a file of endlessly
    // nested elements costs neither time nor memory.
    if (++m_depth > m_limits.depth) {
        fail(here(), QStringLiteral("<%1> lies %2 elements deep, more than the %3 a guide may have")
                         .arg(shortQuote(name))
                         .arg(m_depth)
                         .arg(m_limits.depth));
        return;
    }
    if (m_skippingFrom != 0)
        return;
    if (m_captureFrom != 0) {
        startCapture(name, attributes);
        return;
    }
    if (m_field != Field::None) {
        // An extension may stand anywhere; what it holds is not the field's text.
        if (name.substr(0, 2) == "x-")
            m_skippingFrom = m_depth;
        else
            fail(here(), QStringLiteral("<%1> stands where only text may").arg(shortQuote(name)));
        return;
    }
    using namespace extras;
    if (m_depth == 1) {
        if (name != "tv") {
            fail(here(),
                 QStringLiteral("the file's root element is <%1>, where an XMLTV file has <tv>")
                     .arg(shortQuote(name)));
        }
    } else if (m_depth == 2 && name == "channel") {
        startChannel(attributes);
    } else if (m_depth == 2 && name == "programme") {
        startProgramme(attributes);
    } else if (m_depth == 3 && m_inChannel) {
        if (name == "display-name" && !m_hasDisplayName) {
            addStandIn(displayNameRank, "display-name", attributes);
            startField(Field::DisplayName, true);
        } else if (name == "url" && !m_hasUrl) {
            addStandIn(urlRank, "url", attributes);
            startField(Field::Url, true);
        } else if (name == "lcn" && !m_hasLcn) {
            addStandIn(lcnRank, "lcn", attributes);
            // Only where the guide has one does the export write the number as <lcn>.
            m_linesSayMore = true;
            startField(Field::Lcn, true);
        } else if (name == "icon" && !m_hasIcon) {
            m_hasIcon = true;
            m_channel.logoURL = fromUtf8(attribute(attributes, "src"));
            addStandIn(iconRank, "icon", attributes, "src");
            m_skippingFrom = m_depth;
        } else {
            startCapture(name, attributes);
        }
    } else if (m_depth == 3 && m_inProgramme) {
        if (name == "title" && !m_hasTitle) {
            addStandIn(titleRank, "title", attributes);
            startField(Field::Title, true);
        } else if (name == "desc" && !m_hasDesc) {
            addStandIn(descRank, "desc", attributes);
            startField(Field::Desc, true);
        } else if (name == "category" && !m_hasCategory) {
            addStandIn(categoryRank, "category", attributes);
            startField(Field::Category, true);
        } else if (name == "length" && !m_lengthSeconds) {
            const std::string_view units = attribute(attributes, "units");
            m_lengthUnit = units == "seconds"   ? 1
                           : units == "minutes" ? 60
                           : units == "hours"   ? 3600
                                                : 0;
            m_lengthTag = "<length";
            for (const XML_Char **a = attributes; a[0]; a += 2) {
                m_lengthTag.append(" ").append(a[0]).append("=\"");
                appendAttributeValue(m_lengthTag, a[1]);
                m_lengthTag.append("\"");
            }
            m_lengthTag.append(">");
            startField(Field::Length, true);
        } else {
            startCapture(name, attributes);
        }
    } else {
        m_skippingFrom = m_depth;
    }
}

void GuideParser::endElement(const XML_Char *name)
{
    const int depth = m_depth--;
    if (m_skippingFrom != 0) {
        if (depth == m_skippingFrom)
            m_skippingFrom = 0;
    } else if (m_captureFrom != 0) {
        endCapture(name);
        if (depth == m_captureFrom)
            m_captureFrom = 0;
    } else if (m_field != Field::None) {
        endField();
    } else if (m_inChannel) {
        endChannel();
    } else if (m_inProgramme) {
        endProgramme();
    }
}

void GuideParser::addStandIn(int rank, const char *name, const XML_Char **attributes,
                             const char *leftOut)
{
    const auto kept = [leftOut](const XML_Char *attribute) {
        return !leftOut || std::strcmp(attribute, leftOut) != 0;
    };
    const XML_Char **a = attributes;
    while (a[0] && !kept(a[0]))
        a += 2;
    if (!a[0] && m_plainStandInCount < m_plainStandIns.size()) {
        m_plainStandIns[m_plainStandInCount++] = {rank, name};
        return;
    }
    const std::size_t from = m_linesText.size();
    m_linesText.append("<").append(name);
    for (; a[0]; a += 2) {
        if (!kept(a[0]))
            continue;
        m_linesText.append(" ").append(a[0]).append("=\"");
        extras::appendAttributeValue(m_linesText, a[1]);
        m_linesText.append("\"");
        m_linesSayMore = true;
    }
    m_linesText.append("/>");
    addLine(rank, from);
}

void GuideParser::addLine(int rank, std::size_t from)
{
    m_lines.push_back({rank, from, m_linesText.size() - from});
}

void GuideParser::closeCapturedTag()
{
    if (m_tagOpen) {
        m_capture += '>';
        m_tagOpen = false;
    }
}

// Blanks between elements are only layout; the text of an element without
// children is kept whatever it is.
void GuideParser::flushCapturedText(bool dropBlank)
{
    if (m_capturedText.empty())
        return;
    if (!dropBlank || trimmed(m_capturedText).size() != 0) {
        closeCapturedTag();
        extras::appendText(m_capture, m_capturedText);
    }
    m_capturedText.clear();
}

void GuideParser::startCapture(std::string_view name, const XML_Char **attributes)
{
    if (m_captureFrom == 0) {
        m_captureFrom = m_depth;
        m_captureRank = m_inChannel ? extras::channelRank(name) : extras::programmeRank(name);
        m_capture.clear();
        m_capturedText.clear();
        m_linesSayMore = true;
    } else {
        flushCapturedText(true);
        closeCapturedTag();
    }
    m_capture += '<';
    m_capture.append(name);
    for (const XML_Char **a = attributes; a[0]; a += 2) {
        m_capture.append(" ").append(a[0]).append("=\"");
        extras::appendAttributeValue(m_capture, a[1]);
        m_capture += '"';
    }
    m_tagOpen = true;
}

void GuideParser::endCapture(std::string_view name)
{
    flushCapturedText(!m_tagOpen);
    if (m_tagOpen) {
        m_capture.append("/>");
        m_tagOpen = false;
    } else {
        m_capture.append("</").append(name).append(">");
    }
    if (!checkCapturedBytes(0) || m_depth + 1 != m_captureFrom)
        return;
    m_capturedBytes += qint64(m_capture.size());
    const std::size_t from = m_linesText.size();
    m_linesText.append(m_capture);
    addLine(m_captureRank, from);
}

void GuideParser::addCapturedText(std::string_view text)
{
    if (checkCapturedBytes(qint64(m_capturedText.size() + text.size())))
        m_capturedText.append(text);
}

bool GuideParser::checkCapturedBytes(qint64 more)
{
    // What a channel or programme keeps this way is bounded as one text is.
    if (m_capturedBytes + qint64(m_capture.size()) + more <= m_limits.textBytes)
        return true;
    fail(here(), QStringLiteral("the details of this %1 hold more than the %2 bytes a text may "
                                "have")
                     .arg(m_inChannel ? QStringLiteral("channel") : QStringLiteral("programme"))
                     .arg(m_limits.textBytes));
    return false;
}

void GuideParser::clearLines()
{
    m_lines.clear();
    m_linesText.clear();
    m_plainStandInCount = 0;
    m_linesSayMore = false;
}

void GuideParser::appendLines(std::string &out)
{
    if (m_linesSayMore) {
        std::vector<Line> standIns;
        for (std::size_t i = 0; i < m_plainStandInCount; ++i) {
            const PlainStandIn &plain = m_plainStandIns[i];
            const std::size_t from = m_linesText.size();
            m_linesText.append("<").append(plain.name).append("/>");
            standIns.push_back({plain.rank, from, m_linesText.size() - from});
        }
        m_lines.insert(m_lines.begin(), standIns.begin(), standIns.end());
        std::stable_sort(m_lines.begin(), m_lines.end(),
                         [](const Line &a, const Line &b) { return a.rank < b.rank; });
        const std::string_view text(m_linesText);
        for (std::size_t i = 0; i < m_lines.size(); ++i) {
            if (i > 0)
                out += '\n';
            out.append(text.substr(m_lines[i].from, m_lines[i].size));
        }
    }
    clearLines();
}

void GuideParser::startField(Field field, bool keep)
{
    m_field = field;
    m_keepText = keep;
    m_fieldAt = mark();
    m_fieldStart = m_batch.text.size();
    m_fieldBytes = 0;
    m_fieldLimit = field == Field::Length ? lengthBytes : m_limits.textBytes;
    if (keep && field != Field::Length) {
        const char *const names[] = {"",     "display-name", "url",    "title",
                                     "desc", "category",     "length", "lcn"};
        m_fieldName = names[int(field)];
    }
}

void GuideParser::addText(std::string_view text)
{
    m_fieldBytes += qint64(text.size());
    if (!m_keepText)
        return;
    if (m_fieldBytes <= m_fieldLimit) {
        m_batch.text.append(text);
    } else if (m_batch.text.size() > m_fieldStart) {
        // Too long to keep: only its length is counted on, for the message.
        m_batch.text.resize(m_fieldStart);
    }
}

void GuideParser::endField()
{
    const Field field = std::exchange(m_field, Field::None);
    if (!m_keepText)
        return;
    if (m_fieldBytes > m_fieldLimit) {
        if (field == Field::Length) {
            fail(m_fieldAt,
                 QStringLiteral("the <length> cannot be read as seconds, minutes or hours"));
        } else {
            fail(m_fieldAt, QStringLiteral("the <%1> holds %2 bytes of text, more than the %3 "
                                           "a text may have")
                                .arg(QString::fromLatin1(m_fieldName))
                                .arg(m_fieldBytes)
                                .arg(m_fieldLimit));
        }
        return;
    }
    const std::string_view text = std::string_view(m_batch.text).substr(m_fieldStart);
    // A programme's first title, description and category stay in the
    // batch's text; any other text is taken out again once used.
    const TextSpan span{m_fieldStart, text.size()};
    bool kept = false;
    switch (field) {
    case Field::Title:
        m_programme.title = span;
        kept = m_hasTitle = true;
        break;
    case Field::Desc:
        m_programme.desc = span;
        kept = m_hasDesc = true;
        break;
    case Field::Category:
        m_programme.category = span;
        kept = m_hasCategory = true;
        break;
    case Field::DisplayName:
        m_channelName = fromUtf8(text);
        m_hasDisplayName = true;
        break;
    case Field::Url:
        m_channel.channelURL = fromUtf8(text);
        m_hasUrl = true;
        break;
    case Field::Lcn:
        m_channel.number = fromUtf8(text);
        m_hasLcn = true;
        break;
    case Field::Length: {
        const std::size_t from = m_linesText.size();
        m_linesText.append(m_lengthTag);
        extras::appendText(m_linesText, text);
        m_linesText.append("</length>");
        addLine(extras::programmeRank("length"), from);
        m_linesSayMore = true;
        readLength(text);
        break;
    }
    case Field::None:
        break;
    }
    if (!kept)
        m_batch.text.resize(m_fieldStart);
}

void GuideParser::readLength(std::string_view text)
{
    text = trimmed(text);
    qint64 value = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0 ||
        m_lengthUnit == 0 || value > std::numeric_limits<qint64>::max() / m_lengthUnit) {
        fail(m_fieldAt, QStringLiteral("the <length> cannot be read as seconds, minutes or hours"));
        return;
    }
    m_lengthSeconds = value * m_lengthUnit;
}

void GuideParser::startChannel(const XML_Char **attributes)
{
    m_channelAt = mark();
    const std::string_view id = attribute(attributes, "id");
    if (id.empty()) {
        fail(here(), QStringLiteral("a <channel> has no id"));
        return;
    }
    if (m_channels.contains(QByteArray::fromRawData(id.data(), qsizetype(id.size())))) {
        fail(here(),
             QStringLiteral("the channel id \"%1\" is given to two channels").arg(shortQuote(id)));
        return;
    }
    m_inChannel = true;
    m_definesChannels = true;
    m_channelId = id;
    m_channelName.reset();
    m_channel = ReadChannel();
    m_channel.xmltvId = fromUtf8(id);
    m_hasDisplayName = m_hasIcon = m_hasUrl = m_hasLcn = false;
    clearLines();
    m_capturedBytes = 0;
}

void GuideParser::endChannel()
{
    m_inChannel = false;
    if (!m_channelName) {
        fail(m_channelAt, QStringLiteral("the channel \"%1\" has no <display-name>")
                              .arg(shortQuote(m_channelId)));
        return;
    }
    m_channel.name = std::move(*m_channelName);
    std::string extra;
    appendLines(extra);
    m_channel.extra = fromUtf8(extra);
    m_channels.insert(bytes(m_channelId), m_channels.size());
    m_batch.channels.append(std::move(m_channel));
    if (std::size_t(m_batch.channels.size()) >= programmesPerBatch)
        handOver();
}

std::optional<qsizetype> GuideParser::channelNumbered(std::string_view id)
{
    if (m_lastChannel >= 0 && id == m_lastChannelId)
        return m_lastChannel;
    const auto found =
        m_channels.constFind(QByteArray::fromRawData(id.data(), qsizetype(id.size())));
    if (found == m_channels.cend())
        return std::nullopt;
    m_lastChannelId = id;
    m_lastChannel = found.value();
    return m_lastChannel;
}

qsizetype GuideParser::addUndefinedChannel(std::string_view id)
{
    ReadChannel channel;
    channel.xmltvId = fromUtf8(id);
    channel.name = channel.xmltvId;
    const qsizetype number = m_channels.size();
    m_channels.insert(bytes(id), number);
    m_batch.channels.append(std::move(channel));
    m_lastChannelId = id;
    m_lastChannel = number;
    return number;
}

void GuideParser::startProgramme(const XML_Char **attributes)
{
    m_programmeAt = mark();
    const std::string_view startText = attribute(attributes, "start");
    const std::string_view stopText = attribute(attributes, "stop");
    const std::string_view channelText = attribute(attributes, "channel");
    if (startText.empty()) {
        fail(here(), QStringLiteral("a <programme> has no start"));
        return;
    }
    if (channelText.empty()) {
        fail(here(), QStringLiteral("a <programme> has no channel"));
        return;
    }
    auto channel = channelNumbered(channelText);
    // XMLTV does not require <channel> elements: in a guide without any, a
    // programme's channel id makes the channel, named by that id. Where the
    // guide defines its channels, one it does not define is a mistake.
    if (!channel && !m_definesChannels)
        channel = addUndefinedChannel(channelText);
    if (!channel) {
        fail(here(), QStringLiteral("a <programme> is on the channel \"%1\", which no "
                                           "<channel> before it defines")
                                .arg(shortQuote(channelText)));
        return;
    }
    m_start = readTimestamp(startText);
    if (!m_start) {
        fail(
            here(),
            QStringLiteral("the start \"%1\" cannot be read as a time").arg(shortQuote(startText)));
        return;
    }
    m_stop.reset();
    if (!stopText.empty()) {
        m_stop = readTimestamp(stopText);
        if (!m_stop) {
            fail(here(), QStringLiteral("the stop \"%1\" cannot be read as a time")
                                    .arg(shortQuote(stopText)));
            return;
        }
    }
    m_inProgramme = true;
    if (!m_canReadAgain)
        m_startText = startText;
    // Field by field: a new ReadProgramme would be cleared whole with a
    // block store, which cost more than all the rest here.
    m_programme.channel = *channel;
    m_programme.start = *m_start;
    m_programme.stop = m_stop;
    m_programme.seconds.reset();
    m_programme.title = m_programme.desc = m_programme.category = m_programme.extra = TextSpan();
    m_hasTitle = m_hasDesc = m_hasCategory = false;
    m_lengthSeconds.reset();
    clearLines();
    m_capturedBytes = 0;
    // Its other attributes (pdc-start, vps-start, showview, videoplus,
    // clumpidx) are kept on a line of their own, ahead of its children.
    const std::size_t from = m_linesText.size();
    m_linesText.append("<programme");
    const std::size_t bare = m_linesText.size();
    for (const XML_Char **a = attributes; a[0]; a += 2) {
        const std::string_view name = a[0];
        if (name == "start" || name == "stop" || name == "channel")
            continue;
        m_linesText.append(" ").append(name).append("=\"");
        extras::appendAttributeValue(m_linesText, a[1]);
        m_linesText += '"';
    }
    if (m_linesText.size() > bare) {
        m_linesText.append("/>");
        addLine(extras::programmeAttributesRank, from);
        m_linesSayMore = true;
    } else {
        m_linesText.resize(from);
    }
}

void GuideParser::endProgramme()
{
    m_inProgramme = false;
    if (!m_hasTitle) {
        const StartTag tag = m_canReadAgain ? startTagAt(m_programmeAt.startTag, "start")
                                            : StartTag{m_programmeAt, m_startText};
        fail(tag.where, QStringLiteral("the programme starting %1 has no <title>")
                            .arg(shortQuote(tag.attribute)));
        return;
    }
    // The stop says how long the programme runs; <length> only stands in when
    // there is no stop, as it may count the air time without breaks.
    m_programme.seconds = m_stop ? secondsBetween(*m_start, *m_stop) : m_lengthSeconds;
    if (m_linesSayMore) {
        const std::size_t from = m_batch.text.size();
        appendLines(m_batch.text);
        m_programme.extra = TextSpan{from, m_batch.text.size() - from};
    }
    m_batch.programmes.push_back(m_programme);
    ++m_batch.readSoFar;
    if (m_batch.programmes.size() == programmesPerBatch || m_batch.text.size() >= batchTextBytes)
        handOver();
}

} // namespace xmltv::import
