#pragma once

#include <QtGlobal>

#include <expat.h>

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace xmltv::import {

class Problems;

// What a <channel> or <programme> says beyond the columns the import
// fills, kept as XML (xmltv/XmltvExtras.h): the children it has no column
// for, each as it is, and stand-ins for those it has, with their other
// attributes, one a line in XMLTV's order.
class Capture
{
    Q_DISABLE_COPY_MOVE(Capture)

public:
    // What is kept of one channel or programme is bounded as one text is, by textBytes.
    Capture(Problems &problems, qint64 textBytes);

    // A channel or programme starts, with nothing kept yet.
    void begin(bool channel);

    // Whether a child is being kept: then all inside it is kept too.
    bool active() const { return m_captureFrom != 0; }
    // A child of the channel or programme the import has no column for, or
    // a child of one, at depth, kept as it is.
    void start(std::string_view name, const XML_Char **attributes, int depth);
    void addText(std::string_view text);
    void end(std::string_view name, int depth);

    // The stand-in of a child whose text a column keeps: its other attributes
    // only. `name` is the element's name, as a literal that outlives the element.
    void addStandIn(int rank, const char *name, const XML_Char **attributes,
                    const char *leftOut = nullptr);
    // Kept even when nothing but stand-ins is.
    void keepStandIns() { m_linesSayMore = true; }
    // The programme's own attributes other than start, stop and channel.
    void addProgrammeAttributes(const XML_Char **attributes);
    // A <length>, whose text the import reads too: its start tag, then its text.
    void startLength(const XML_Char **attributes);
    void addLength(std::string_view text);

    // Whether the kept lines say anything the columns do not.
    bool saysMore() const { return m_linesSayMore; }
    // The kept lines in XMLTV's order, one a line; empty when they say
    // nothing the columns do not. Nothing is kept after.
    void appendLines(std::string &out);

private:
    // A child kept as XML, with its place in XMLTV's order. Its XML is a
    // piece of m_linesText, so that keeping a child costs no allocation of
    // its own.
    struct Line
    {
        int rank = 0;
        std::size_t from = 0;
        std::size_t size = 0;
    };

    void endCapture(std::string_view name, int depth);
    void flushCapturedText(bool dropBlank);
    // False, and the reading stopped, when the kept details would grow too long.
    bool checkCapturedBytes(qint64 more);
    void closeCapturedTag();
    void clearLines();
    // A line of the XML added to m_linesText from `from` on.
    void addLine(int rank, std::size_t from);

    Problems &m_problems;
    qint64 m_textBytes;
    bool m_channel = false;

    // The children of the channel or programme being read that are kept as
    // XML; the one being read is m_capture, from depth m_captureFrom.
    std::vector<Line> m_lines;
    std::string m_linesText;
    bool m_linesSayMore = false;
    // The rank of the child being captured.
    int m_captureRank = 0;
    // Stand-ins without attributes, made into lines only when the element
    // keeps other children too, which most do not. Each is the first child
    // of its name, so it goes ahead of any other line of its rank.
    struct PlainStandIn
    {
        int rank = 0;
        const char *name = nullptr;
    };
    std::array<PlainStandIn, 4> m_plainStandIns;
    std::size_t m_plainStandInCount = 0;
    int m_captureFrom = 0;
    std::string m_capture;
    std::string m_capturedText;
    bool m_tagOpen = false;
    qint64 m_capturedBytes = 0;
    // The start tag of the <length>, kept with its text.
    std::string m_lengthTag;
};

} // namespace xmltv::import
