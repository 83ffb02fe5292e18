#pragma once

#include "xmltv/XmltvBatch.h"
#include "xmltv/XmltvImport.h"
#include "xmltv/XmltvTime.h"

#include <QByteArray>
#include <QHash>

#include <QFile>

#include <expat.h>
#include <zlib.h>

#include <array>
#include <atomic>
#include <optional>
#include <string>
#include <string_view>

namespace xmltv::import {

// A guide's bytes, from a plain file or, for a name ending in .gz, through
// zlib a piece at a time: a compressed guide is never whole in memory.
class GuideFile
{
    Q_DISABLE_COPY_MOVE(GuideFile)

public:
    explicit GuideFile(const QString &path);
    ~GuideFile();
    static bool isGzip(const QString &path);
    bool open();
    // Up to size bytes; 0 at the end, -1 on a failure.
    qint64 read(char *buffer, int size);
    QString errorString() const;

private:
    QFile m_file;
    gzFile m_gzip = nullptr;
    QString m_error;
};

// Reads a guide with expat, checks everything about it that needs no store,
// and hands what it read over in batches. It runs on a thread of its own and
// touches no store object.
class GuideParser
{
    Q_DISABLE_COPY_MOVE(GuideParser)

public:
    GuideParser(const QString &path, Handoff &handoff, const XmltvLimits &limits,
                const ImportCancel *cancel);
    ~GuideParser();

    // Reads the whole file, or up to its first problem, then tells the handoff.
    void run();

private:
    // A place in the file. Expat works out lines and columns by going over
    // every byte since it was last asked, which costs nearly as much as the
    // parse itself, so the start of an element kept in case of a problem is
    // only the number of its start tag in the file, counting from 1, and
    // becomes a line and column once there is a problem.
    struct Where
    {
        qint64 line = 0;
        qint64 column = 0;
        qint64 startTag = 0;
    };

    // The elements of a <channel> or <programme> whose text the import reads.
    enum class Field
    {
        None,
        DisplayName,
        Url,
        Title,
        Desc,
        Category,
        Length,
        Lcn
    };

    // A child kept as XML (xmltv/XmltvExtras.h), with its place in XMLTV's order.
    // Its XML is a piece of m_linesText, so that keeping a child costs no
    // allocation of its own.
    struct Line
    {
        int rank = 0;
        std::size_t from = 0;
        std::size_t size = 0;
    };

    // Handed over this many programmes at a time, or sooner when their
    // texts grow long.
    static constexpr std::size_t programmesPerBatch = 2048;
    static constexpr std::size_t batchTextBytes = 1024 * 1024;
    // Read from the file this many bytes at a time.
    static constexpr int chunkBytes = 256 * 1024;
    // A <length> longer than this is no number of seconds, minutes or hours.
    static constexpr qint64 lengthBytes = 64;

    static void XMLCALL onStart(void *parser, const XML_Char *name, const XML_Char **attributes);
    static void XMLCALL onEnd(void *parser, const XML_Char *name);
    static void XMLCALL onText(void *parser, const XML_Char *text, int size);
    static void XMLCALL onSkippedEntity(void *parser, const XML_Char *name, int parameterEntity);
    static void XMLCALL onEntityDeclared(void *parser, const XML_Char *name, int parameterEntity,
                                         const XML_Char *value, int valueLength,
                                         const XML_Char *base, const XML_Char *systemId,
                                         const XML_Char *publicId, const XML_Char *notationName);
    static int XMLCALL onExternalEntity(XML_Parser parser, const XML_Char *context,
                                        const XML_Char *base, const XML_Char *systemId,
                                        const XML_Char *publicId);
    static int XMLCALL onUnknownEncoding(void *, const XML_Char *name, XML_Encoding *info);

    void readFile();
    void startElement(std::string_view name, const XML_Char **attributes);
    // `name` is measured only when it is kept: most end tags need only the depth.
    void endElement(const XML_Char *name);
    // A child of a channel or programme the import has no column for, or a
    // child of one, kept as it is.
    void startCapture(std::string_view name, const XML_Char **attributes);
    void endCapture(std::string_view name);
    void flushCapturedText(bool dropBlank);
    void addCapturedText(std::string_view text);
    // False, and the reading stopped, when the kept details would grow too long.
    bool checkCapturedBytes(qint64 more);
    void closeCapturedTag();
    // The stand-in of a child whose text a column keeps: its other attributes
    // only. `name` is the element's name, as a literal that outlives the element.
    void addStandIn(int rank, const char *name, const XML_Char **attributes,
                    const char *leftOut = nullptr);
    void clearLines();
    // A line of the XML added to m_linesText from `from` on.
    void addLine(int rank, std::size_t from);
    // The kept lines in XMLTV's order, one a line; empty when they say
    // nothing the columns do not.
    void appendLines(std::string &out);
    void startField(Field field, bool keep);
    void addText(std::string_view text);
    void endField();
    void startChannel(const XML_Char **attributes);
    void endChannel();
    void startProgramme(const XML_Char **attributes);
    void endProgramme();
    void readLength(std::string_view text);

    // Columns count from 1, as editors show them.
    Where here() const;
    // Where the element being started is, to be found again if need be; at
    // once in a file that cannot be read again, such as a pipe.
    Where mark() const { return m_canReadAgain ? Where{0, 0, m_startTags} : here(); }
    // The line and column of a marked place.
    Where located(Where where) const;
    // The start tag at a marked place, read again from the file: its line and
    // column, and the value of one of its attributes.
    struct StartTag
    {
        Where where;
        std::string attribute;
    };
    StartTag startTagAt(qint64 number, const char *attribute) const;
    // Where the problem expat found starts.
    Where errorWhere() const;
    // Keeps the first problem found: the one the import reports.
    void note(Where where, const QString &what);
    // Stops the reading, from a handler, with a problem found at `where`.
    void fail(Where where, const QString &what);
    // What expat found wrong, on reading more of the file or its end.
    QString parserError(bool atEnd = false) const;
    bool cancelled() const { return m_cancel && m_cancel->cancelled(); }
    void handOver();
    // Text is handed to onText only where the import reads it.
    void listenForText();
    // Start tags read so far.
    qint64 m_startTags = 0;
    // Whether the file can be read again from its start to place a problem.
    bool m_canReadAgain = false;
    // Where it cannot: the start of the programme being read, as the file has it.
    std::string m_startText;
    bool m_listeningForText = false;
    // The number of the channel with this XMLTV id, or nothing.
    std::optional<qsizetype> channelNumbered(std::string_view id);
    // Adds a channel the file names only on its programmes.
    qsizetype addUndefinedChannel(std::string_view id);

    QString m_path;
    Handoff &m_handoff;
    XmltvLimits m_limits;
    const ImportCancel *m_cancel;
    XML_Parser m_parser;
    std::optional<FileProblem> m_problem;
    bool m_stopped = false;

    // How deep the element being read lies; <tv> is 1.
    int m_depth = 0;
    // The depth of an element the import does not read, while inside it.
    int m_skippingFrom = 0;

    // The field being read, and whether its text is wanted: only a
    // programme's first title, description and category, and a channel's
    // first name and address, are; other text is never gathered.
    Field m_field = Field::None;
    bool m_keepText = false;
    Where m_fieldAt;
    const char *m_fieldName = "";
    // Where the text of m_field starts in the batch's text, and how long
    // it is, counted on past the limit to say how long it is.
    std::size_t m_fieldStart = 0;
    qint64 m_fieldBytes = 0;
    qint64 m_fieldLimit = 0;

    // External entities the file declares, by their system and public ids,
    // to name one the file uses.
    QHash<QByteArray, QByteArray> m_externalEntities;

    QHash<QByteArray, qsizetype> m_channels;
    // Programmes come grouped by channel: most look-ups are the last one again.
    std::string m_lastChannelId;
    qsizetype m_lastChannel = -1;

    // Whether the guide has <channel> elements.
    bool m_definesChannels = false;
    // The <channel> being read.
    bool m_inChannel = false;
    Where m_channelAt;
    std::string m_channelId;
    std::optional<QString> m_channelName;
    ReadChannel m_channel;

    // The <programme> being read.
    bool m_inProgramme = false;
    Where m_programmeAt;
    ReadProgramme m_programme;
    std::optional<Timestamp> m_start;
    std::optional<Timestamp> m_stop;
    bool m_hasTitle = false;
    bool m_hasDesc = false;
    bool m_hasCategory = false;
    qint64 m_lengthUnit = 0;
    std::optional<qint64> m_lengthSeconds;

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
    bool m_hasDisplayName = false;
    bool m_hasIcon = false;
    bool m_hasUrl = false;
    bool m_hasLcn = false;

    Batch m_batch;
};

} // namespace xmltv::import
