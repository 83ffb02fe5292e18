#include "xmltv/XmltvProblems.h"

#include "xmltv/XmltvFileReader.h"

#include <QFileInfo>

namespace xmltv::import {

Problems::Problems(const QString &path, XML_Parser parser)
    : m_path(path), m_parser(parser), m_canReadAgain(QFileInfo(path).isFile())
{
}

Where Problems::errorWhere() const
{
    Where where = here();
    // Expat stands past the "</" of an end tag that does not match; the
    // tag starts at its "<".
    if (XML_GetErrorCode(m_parser) == XML_ERROR_TAG_MISMATCH && where.column > 2)
        where.column -= 2;
    return where;
}

Where Problems::here() const
{
    return {qint64(XML_GetCurrentLineNumber(m_parser)),
            qint64(XML_GetCurrentColumnNumber(m_parser)) + 1};
}

Where Problems::located(Where where) const
{
    return where.startTag == 0 ? where : startTagAt(where.startTag, nullptr).where;
}

Problems::StartTag Problems::startTagAt(qint64 number, const char *attribute) const
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
    Search search{newGuideParser(), number, attribute, {}};
    if (!search.parser)
        return {};
    XML_SetUserData(search.parser, &search);
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
        constexpr int chunkBytes = FileReader::chunkBytes;
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

QString Problems::expatError() const
{
    return QString::fromUtf8(XML_ErrorString(XML_GetErrorCode(m_parser)));
}

void Problems::note(Where where, const QString &what)
{
    if (!m_problem) {
        where = located(where);
        m_problem = FileProblem{where.line, where.column, what};
    }
}

void Problems::fail(Where where, const QString &what)
{
    note(where, what);
    XML_StopParser(m_parser, XML_FALSE);
}

} // namespace xmltv::import
