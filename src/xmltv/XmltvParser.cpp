#include "xmltv/XmltvParser.h"

#include "store/Statement.h"
#include "xmltv/XmltvExtras.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <utility>

namespace xmltv::import {

namespace {

using store::fromUtf8;

QByteArray bytes(std::string_view text)
{
    return QByteArray(text.data(), qsizetype(text.size()));
}

} // namespace

GuideParser::GuideParser(const QString &path, Handoff &handoff, const XmltvLimits &limits,
                         const ImportCancel *cancel)
    : m_handoff(handoff), m_limits(limits), m_cancel(cancel), m_reader(path, limits),
      m_problems(path, m_reader.parser()), m_capture(m_problems, limits.textBytes)
{
    XML_Parser parser = m_reader.parser();
    if (!parser)
        return;
    XML_SetUserData(parser, this);
    XML_SetElementHandler(parser, onStart, onEnd);
    // A guide that names the XMLTV DTD leaves entities it does not define in
    // the document itself to that DTD, which is not read. In text, expat
    // reports such an entity here, and it is an error rather than text
    // dropped quietly; in an attribute value expat leaves it out unreported.
    XML_SetSkippedEntityHandler(parser, onSkippedEntity);
    // Nothing outside the guide is ever read: an entity that stands for
    // another file is an error where the guide uses it, where expat would
    // otherwise leave it out quietly.
    XML_SetEntityDeclHandler(parser, onEntityDeclared);
    XML_SetExternalEntityRefHandler(parser, onExternalEntity);
    XML_SetExternalEntityRefHandlerArg(parser, this);
}

void GuideParser::run()
{
    if (!m_reader.parser())
        m_problems.note({}, QStringLiteral("there is not enough memory to read it"));
    else
        readFile();
    if (!m_problems.found() && !m_stopped)
        handOver();
    m_handoff.finish(m_problems.take());
}

void GuideParser::readFile()
{
    m_batch.programmes.reserve(programmesPerBatch);
    bool last = false;
    switch (m_reader.read(m_problems, m_cancel, last)) {
    case FileReader::Ending::Cancelled:
        m_stopped = true;
        break;
    case FileReader::Ending::ParserStopped:
        // Stopped from a handler, the parser fails too, and the problem is
        // known already.
        if (!m_stopped)
            m_problems.note(m_problems.errorWhere(), parserError(last));
        break;
    case FileReader::Ending::Whole:
    case FileReader::Ending::Failed:
        break;
    }
}

QString GuideParser::parserError(bool atEnd) const
{
    const XML_Error error = XML_GetErrorCode(m_reader.parser());
    // Expat's words for a file cut short ("no element found", "unclosed
    // token") do not say that the file stops too soon.
    if (atEnd && (error == XML_ERROR_NO_ELEMENTS || error == XML_ERROR_UNCLOSED_TOKEN ||
                  error == XML_ERROR_PARTIAL_CHAR || error == XML_ERROR_UNCLOSED_CDATA_SECTION)) {
        return m_depth == 0 ? QStringLiteral("the file has no <tv> element")
                            : QStringLiteral("the file ends in the middle of the guide");
    }
    return m_problems.expatError();
}

void GuideParser::handOver()
{
    if (!m_handoff.put(m_batch)) {
        m_stopped = true;
        XML_StopParser(m_reader.parser(), XML_FALSE);
    }
    m_batch.programmes.reserve(programmesPerBatch);
}

void XMLCALL GuideParser::onStart(void *parser, const XML_Char *name, const XML_Char **attributes)
{
    auto *self = static_cast<GuideParser *>(parser);
    self->m_problems.countStartTag();
    // Expat may still pass on what it had read when it was stopped.
    if (!self->m_problems.found() && !self->m_stopped) {
        self->startElement(name, attributes);
        self->listenForText();
    }
}

void XMLCALL GuideParser::onEnd(void *parser, const XML_Char *name)
{
    auto *self = static_cast<GuideParser *>(parser);
    if (!self->m_problems.found() && !self->m_stopped) {
        self->endElement(name);
        self->listenForText();
    }
}

void GuideParser::listenForText()
{
    // Most of a guide's text between elements is layout, a line break and
    // the next line's indent, which expat hands over in two pieces; with no
    // handler to hand them to, it passes over them.
    const bool wanted = (m_field != Field::None && m_skippingFrom == 0) || m_capture.active();
    if (wanted != m_listeningForText) {
        m_listeningForText = wanted;
        XML_SetCharacterDataHandler(m_reader.parser(), wanted ? onText : nullptr);
    }
}

void XMLCALL GuideParser::onText(void *parser, const XML_Char *text, int size)
{
    auto *self = static_cast<GuideParser *>(parser);
    // Text comes in pieces, split where the file has a line break or an
    // entity; outside the fields the import reads it is only layout.
    if (self->m_field != Field::None && self->m_skippingFrom == 0)
        self->addText(std::string_view(text, std::size_t(size)));
    else if (self->m_capture.active() && !self->m_problems.found() && !self->m_stopped)
        self->m_capture.addText(std::string_view(text, std::size_t(size)));
}

void XMLCALL GuideParser::onSkippedEntity(void *parser, const XML_Char *name, int)
{
    auto *self = static_cast<GuideParser *>(parser);
    self->m_problems.failHere(
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
    self->m_problems.failHere(
        QStringLiteral("the entity &%1; stands for a file outside the guide, which is "
                       "never read")
            .arg(name.isEmpty() ? QStringLiteral("...") : QString::fromUtf8(name)));
    return XML_STATUS_ERROR;
}

void GuideParser::startElement(std::string_view name, const XML_Char **attributes)
{
    // Expat keeps every open element; refused early, a file of endlessly
    // nested elements costs neither time nor memory.
    if (++m_depth > m_limits.depth) {
        m_problems.failHere(
            QStringLiteral("<%1> lies %2 elements deep, more than the %3 a guide may have")
                .arg(shortQuote(name))
                .arg(m_depth)
                .arg(m_limits.depth));
        return;
    }
    if (m_skippingFrom != 0)
        return;
    if (m_capture.active()) {
        m_capture.start(name, attributes, m_depth);
        return;
    }
    if (m_field != Field::None) {
        // An extension may stand anywhere; what it holds is not the field's text.
        if (name.substr(0, 2) == "x-")
            m_skippingFrom = m_depth;
        else
            m_problems.failHere(
                QStringLiteral("<%1> stands where only text may").arg(shortQuote(name)));
        return;
    }
    using namespace extras;
    if (m_depth == 1) {
        if (name != "tv") {
            m_problems.failHere(
                QStringLiteral("the file's root element is <%1>, where an XMLTV file has <tv>")
                    .arg(shortQuote(name)));
        }
    } else if (m_depth == 2 && name == "channel") {
        startChannel(attributes);
    } else if (m_depth == 2 && name == "programme") {
        startProgramme(attributes);
    } else if (m_depth == 3 && m_inChannel) {
        if (name == "display-name" && !m_hasDisplayName) {
            m_capture.addStandIn(displayNameRank, "display-name", attributes);
            startField(Field::DisplayName, true);
        } else if (name == "url" && !m_hasUrl) {
            m_capture.addStandIn(urlRank, "url", attributes);
            startField(Field::Url, true);
        } else if (name == "lcn" && !m_hasLcn) {
            m_capture.addStandIn(lcnRank, "lcn", attributes);
            // Only where the guide has one does the export write the number as <lcn>.
            m_capture.keepStandIns();
            startField(Field::Lcn, true);
        } else if (name == "icon" && !m_hasIcon) {
            m_hasIcon = true;
            m_channel.logoURL = fromUtf8(attribute(attributes, "src"));
            m_capture.addStandIn(iconRank, "icon", attributes, "src");
            m_skippingFrom = m_depth;
        } else {
            m_capture.start(name, attributes, m_depth);
        }
    } else if (m_depth == 3 && m_inProgramme) {
        const ChildColumn *child =
            std::find_if(std::begin(programmeChildren), std::end(programmeChildren),
                         [&](const ChildColumn &column) { return name == column.element; });
        if (child != std::end(programmeChildren) && !m_hasChild[child - programmeChildren]) {
            m_child = int(child - programmeChildren);
            // An attribute with a column of its own goes there, ahead of the text.
            if (child->attribute) {
                const std::string_view value = attribute(attributes, child->attribute);
                m_programme.attributes[m_child] = TextSpan{m_batch.text.size(), value.size()};
                m_batch.text.append(value);
            }
            m_capture.addStandIn(programmeRank(name), child->element, attributes, child->attribute);
            startField(Field::Child, true);
        } else if (name == "length" && !m_lengthSeconds) {
            const std::string_view units = attribute(attributes, "units");
            m_lengthUnit = units == "seconds"   ? 1
                           : units == "minutes" ? 60
                           : units == "hours"   ? 3600
                                                : 0;
            m_capture.startLength(attributes);
            startField(Field::Length, true);
        } else {
            m_capture.start(name, attributes, m_depth);
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
    } else if (m_capture.active()) {
        m_capture.end(name, depth);
    } else if (m_field != Field::None) {
        endField();
    } else if (m_inChannel) {
        endChannel();
    } else if (m_inProgramme) {
        endProgramme();
    }
}

void GuideParser::startField(Field field, bool keep)
{
    m_field = field;
    m_keepText = keep;
    m_fieldAt = m_problems.mark();
    m_fieldStart = m_batch.text.size();
    m_fieldBytes = 0;
    m_fieldLimit = field == Field::Length ? lengthBytes : m_limits.textBytes;
    if (keep && field != Field::Length) {
        const char *const names[] = {"", "display-name", "url", "length", "lcn"};
        m_fieldName =
            field == Field::Child ? programmeChildren[m_child].element : names[int(field)];
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
            m_problems.fail(
                m_fieldAt,
                QStringLiteral("the <length> cannot be read as seconds, minutes or hours"));
        } else {
            m_problems.fail(m_fieldAt,
                            QStringLiteral("the <%1> holds %2 bytes of text, more than the %3 "
                                           "a text may have")
                                .arg(QString::fromLatin1(m_fieldName))
                                .arg(m_fieldBytes)
                                .arg(m_fieldLimit));
        }
        return;
    }
    const std::string_view text = std::string_view(m_batch.text).substr(m_fieldStart);
    // A programme's first child of each name that stands for a column
    // stays in the batch's text; any other text is taken out again once used.
    const TextSpan span{m_fieldStart, text.size()};
    bool kept = false;
    switch (field) {
    case Field::Child:
        m_programme.texts[m_child] = span;
        kept = m_hasChild[m_child] = true;
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
    case Field::Length:
        m_capture.addLength(text);
        readLength(text);
        break;
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
        m_problems.fail(m_fieldAt,
                        QStringLiteral("the <length> cannot be read as seconds, minutes or hours"));
        return;
    }
    m_lengthSeconds = value * m_lengthUnit;
}

void GuideParser::startChannel(const XML_Char **attributes)
{
    m_channelAt = m_problems.mark();
    const std::string_view id = attribute(attributes, "id");
    if (id.empty()) {
        m_problems.failHere(QStringLiteral("a <channel> has no id"));
        return;
    }
    if (m_channels.contains(QByteArray::fromRawData(id.data(), qsizetype(id.size())))) {
        m_problems.failHere(
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
    m_capture.begin(true);
}

void GuideParser::endChannel()
{
    m_inChannel = false;
    if (!m_channelName) {
        m_problems.fail(m_channelAt, QStringLiteral("the channel \"%1\" has no <display-name>")
                                         .arg(shortQuote(m_channelId)));
        return;
    }
    m_channel.name = std::move(*m_channelName);
    std::string extra;
    m_capture.appendLines(extra);
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
    m_programmeAt = m_problems.mark();
    const std::string_view startText = attribute(attributes, "start");
    const std::string_view stopText = attribute(attributes, "stop");
    const std::string_view channelText = attribute(attributes, "channel");
    if (startText.empty()) {
        m_problems.failHere(QStringLiteral("a <programme> has no start"));
        return;
    }
    if (channelText.empty()) {
        m_problems.failHere(QStringLiteral("a <programme> has no channel"));
        return;
    }
    auto channel = channelNumbered(channelText);
    // XMLTV does not require <channel> elements: in a guide without any, a
    // programme's channel id makes the channel, named by that id. Where the
    // guide defines its channels, one it does not define is a mistake.
    if (!channel && !m_definesChannels)
        channel = addUndefinedChannel(channelText);
    if (!channel) {
        m_problems.failHere(QStringLiteral("a <programme> is on the channel \"%1\", which no "
                                           "<channel> before it defines")
                                .arg(shortQuote(channelText)));
        return;
    }
    m_start = readTimestamp(startText);
    if (!m_start) {
        m_problems.failHere(
            QStringLiteral("the start \"%1\" cannot be read as a time").arg(shortQuote(startText)));
        return;
    }
    m_stop.reset();
    if (!stopText.empty()) {
        m_stop = readTimestamp(stopText);
        if (!m_stop) {
            m_problems.failHere(QStringLiteral("the stop \"%1\" cannot be read as a time")
                                    .arg(shortQuote(stopText)));
            return;
        }
    }
    m_inProgramme = true;
    if (!m_problems.canReadAgain())
        m_startText = startText;
    // Field by field: a new ReadProgramme would be cleared whole with a
    // block store, which cost more than all the rest here.
    m_programme.channel = *channel;
    m_programme.start = *m_start;
    m_programme.stop = m_stop;
    m_programme.seconds.reset();
    m_programme.texts.fill(TextSpan());
    m_programme.attributes.fill(TextSpan());
    m_programme.extra = TextSpan();
    m_hasChild.fill(false);
    m_lengthSeconds.reset();
    m_capture.begin(false);
    // Its other attributes (pdc-start, vps-start, showview, videoplus,
    // clumpidx) are kept on a line of their own, ahead of its children.
    m_capture.addProgrammeAttributes(attributes);
}

void GuideParser::endProgramme()
{
    m_inProgramme = false;
    static_assert(programmeChildren[0].required, "the title comes first");
    if (!m_hasChild[0]) {
        const Problems::StartTag tag = m_problems.canReadAgain()
                                           ? m_problems.startTagAt(m_programmeAt.startTag, "start")
                                           : Problems::StartTag{m_programmeAt, m_startText};
        m_problems.fail(tag.where, QStringLiteral("the programme starting %1 has no <title>")
                                       .arg(shortQuote(tag.attribute)));
        return;
    }
    // The stop says how long the programme runs; <length> only stands in when
    // there is no stop, as it may count the air time without breaks.
    m_programme.seconds = m_stop ? secondsBetween(*m_start, *m_stop) : m_lengthSeconds;
    if (m_capture.saysMore()) {
        const std::size_t from = m_batch.text.size();
        m_capture.appendLines(m_batch.text);
        m_programme.extra = TextSpan{from, m_batch.text.size() - from};
    }
    m_batch.programmes.push_back(m_programme);
    ++m_batch.readSoFar;
    if (m_batch.programmes.size() == programmesPerBatch || m_batch.text.size() >= batchTextBytes)
        handOver();
}

} // namespace xmltv::import
