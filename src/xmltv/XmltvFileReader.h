#pragma once

#include "xmltv/XmltvImport.h"

#include <QFile>
#include <QString>

#include <expat.h>
#include <zlib.h>

#include <cstring>
#include <string_view>

namespace xmltv::import {

class Problems;

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

// An expat parser that reads every encoding a guide may be written in;
// null when there is no memory for one.
XML_Parser newGuideParser();

// The value of the attribute, empty when the element has none.
inline std::string_view attribute(const XML_Char **attributes, const char *name)
{
    for (; attributes[0]; attributes += 2) {
        if (std::strcmp(attributes[0], name) == 0)
            return attributes[1];
    }
    return {};
}

// Feeds a guide to its expat parser, which it owns, a piece at a time.
class FileReader
{
    Q_DISABLE_COPY_MOVE(FileReader)

public:
    // Read from the file this many bytes at a time.
    static constexpr int chunkBytes = 256 * 1024;

    FileReader(const QString &path, const XmltvLimits &limits);
    ~FileReader();

    // Null when there was no memory for it.
    XML_Parser parser() const { return m_parser; }

    // How the reading ended: at the file's end; cancelled; at a problem
    // it found (the file cannot be read, a tag runs on too long), which
    // problems holds; or with expat stopped, by a problem expat found in
    // the guide or by a handler, which then knows why.
    enum class Ending
    {
        Whole,
        Cancelled,
        Failed,
        ParserStopped
    };
    // Reads the whole file into the parser; `last` tells, when expat
    // stopped, whether it had been given the end of the file.
    Ending read(Problems &problems, const ImportCancel *cancel, bool &last);

private:
    QString m_path;
    qint64 m_markupBytes;
    XML_Parser m_parser;
};

} // namespace xmltv::import
