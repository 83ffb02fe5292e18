#include "xmltv/XmltvCapture.h"

#include "xmltv/XmltvExtras.h"
#include "xmltv/XmltvProblems.h"
#include "xmltv/XmltvTime.h"

#include <QString>

#include <algorithm>
#include <cstring>

namespace xmltv::import {

Capture::Capture(Problems &problems, qint64 textBytes)
    : m_problems(problems), m_textBytes(textBytes)
{
}

void Capture::begin(bool channel)
{
    m_channel = channel;
    clearLines();
    m_capturedBytes = 0;
}

void Capture::addStandIn(int rank, const char *name, const XML_Char **attributes,
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

void Capture::addProgrammeAttributes(const XML_Char **attributes)
{
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

void Capture::startLength(const XML_Char **attributes)
{
    m_lengthTag = "<length";
    for (const XML_Char **a = attributes; a[0]; a += 2) {
        m_lengthTag.append(" ").append(a[0]).append("=\"");
        extras::appendAttributeValue(m_lengthTag, a[1]);
        m_lengthTag.append("\"");
    }
    m_lengthTag.append(">");
}

void Capture::addLength(std::string_view text)
{
    const std::size_t from = m_linesText.size();
    m_linesText.append(m_lengthTag);
    extras::appendText(m_linesText, text);
    m_linesText.append("</length>");
    addLine(extras::programmeRank("length"), from);
    m_linesSayMore = true;
}

void Capture::addLine(int rank, std::size_t from)
{
    m_lines.push_back({rank, from, m_linesText.size() - from});
}

void Capture::closeCapturedTag()
{
    if (m_tagOpen) {
        m_capture += '>';
        m_tagOpen = false;
    }
}

// Blanks between elements are only layout; the text of an element without
// children is kept whatever it is.
void Capture::flushCapturedText(bool dropBlank)
{
    if (m_capturedText.empty())
        return;
    if (!dropBlank || trimmed(m_capturedText).size() != 0) {
        closeCapturedTag();
        extras::appendText(m_capture, m_capturedText);
    }
    m_capturedText.clear();
}

void Capture::start(std::string_view name, const XML_Char **attributes, int depth)
{
    if (m_captureFrom == 0) {
        m_captureFrom = depth;
        m_captureRank = m_channel ? extras::channelRank(name) : extras::programmeRank(name);
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

void Capture::end(std::string_view name, int depth)
{
    endCapture(name, depth);
    if (depth == m_captureFrom)
        m_captureFrom = 0;
}

void Capture::endCapture(std::string_view name, int depth)
{
    flushCapturedText(!m_tagOpen);
    if (m_tagOpen) {
        m_capture.append("/>");
        m_tagOpen = false;
    } else {
        m_capture.append("</").append(name).append(">");
    }
    if (!checkCapturedBytes(0) || depth != m_captureFrom)
        return;
    m_capturedBytes += qint64(m_capture.size());
    const std::size_t from = m_linesText.size();
    m_linesText.append(m_capture);
    addLine(m_captureRank, from);
}

void Capture::addText(std::string_view text)
{
    if (checkCapturedBytes(qint64(m_capturedText.size() + text.size())))
        m_capturedText.append(text);
}

bool Capture::checkCapturedBytes(qint64 more)
{
    // What a channel or programme keeps this way is bounded as one text is.
    if (m_capturedBytes + qint64(m_capture.size()) + more <= m_textBytes)
        return true;
    m_problems.failHere(
        QStringLiteral("the details of this %1 hold more than the %2 bytes a text may have")
            .arg(m_channel ? QStringLiteral("channel") : QStringLiteral("programme"))
            .arg(m_textBytes));
    return false;
}

void Capture::clearLines()
{
    m_lines.clear();
    m_linesText.clear();
    m_plainStandInCount = 0;
    m_linesSayMore = false;
}

void Capture::appendLines(std::string &out)
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

} // namespace xmltv::import
