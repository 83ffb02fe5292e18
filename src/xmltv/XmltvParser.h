#pragma once

#include "xmltv/XmltvBatch.h"
#include "xmltv/XmltvCapture.h"
#include "xmltv/XmltvColumns.h"
#include "xmltv/XmltvFileReader.h"
#include "xmltv/XmltvImport.h"
#include "xmltv/XmltvProblems.h"
#include "xmltv/XmltvTime.h"

#include <QByteArray>
#include <QHash>

#include <expat.h>

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace xmltv::import {

// Reads a guide with expat, checks everything about it that needs no store,
// and hands what it read over in batches. It runs on a thread of its own and
// touches no store object. The file and its feeding to expat, the placing of
// a problem and what is kept as XML are parts of their own; this is what
// expat calls back, and what the import reads into its columns.
class GuideParser
{
    Q_DISABLE_COPY_MOVE(GuideParser)

public:
    GuideParser(const QString &path, Handoff &handoff, const XmltvLimits &limits,
                const ImportCancel *cancel);

    // Reads the whole file, or up to its first problem, then tells the handoff.
    void run();

private:
    // The elements of a <channel> or <programme> whose text the import reads.
    enum class Field
    {
        None,
        DisplayName,
        Url,
        Length,
        Lcn,
        // One of the programme's children that stand for a column (m_child).
        Child
    };

    // Handed over this many programmes at a time, or sooner when their
    // texts grow long.
    static constexpr std::size_t programmesPerBatch = 2048;
    static constexpr std::size_t batchTextBytes = 1024 * 1024;
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

    void readFile();
    void startElement(std::string_view name, const XML_Char **attributes);
    // `name` is measured only when it is kept: most end tags need only the depth.
    void endElement(const XML_Char *name);
    void startField(Field field, bool keep);
    void addText(std::string_view text);
    void endField();
    void startChannel(const XML_Char **attributes);
    void endChannel();
    void startProgramme(const XML_Char **attributes);
    void endProgramme();
    void readLength(std::string_view text);

    // What expat found wrong, on reading more of the file or its end.
    QString parserError(bool atEnd) const;
    void handOver();
    // Text is handed to onText only where the import reads it.
    void listenForText();
    bool m_listeningForText = false;
    // The number of the channel with this XMLTV id, or nothing.
    std::optional<qsizetype> channelNumbered(std::string_view id);
    // Adds a channel the file names only on its programmes.
    qsizetype addUndefinedChannel(std::string_view id);

    Handoff &m_handoff;
    XmltvLimits m_limits;
    const ImportCancel *m_cancel;
    FileReader m_reader;
    Problems m_problems;
    Capture m_capture;
    bool m_stopped = false;

    // How deep the element being read lies; <tv> is 1.
    int m_depth = 0;
    // The depth of an element the import does not read, while inside it.
    int m_skippingFrom = 0;

    // The field being read, and whether its text is wanted: only the first
    // of each of a programme's children that stand for a column
    // (xmltv/XmltvColumns.h), and a channel's first name and address, are;
    // other text is never gathered.
    Field m_field = Field::None;
    int m_child = 0;
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
    bool m_hasDisplayName = false;
    bool m_hasIcon = false;
    bool m_hasUrl = false;
    bool m_hasLcn = false;

    // The <programme> being read.
    bool m_inProgramme = false;
    Where m_programmeAt;
    // Where the file cannot be read again: its start, as the file has it.
    std::string m_startText;
    ReadProgramme m_programme;
    std::optional<Timestamp> m_start;
    std::optional<Timestamp> m_stop;
    std::array<bool, childColumnCount> m_hasChild = {};
    qint64 m_lengthUnit = 0;
    std::optional<qint64> m_lengthSeconds;

    Batch m_batch;
};

} // namespace xmltv::import
