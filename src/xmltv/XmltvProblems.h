#pragma once

#include "xmltv/XmltvBatch.h"

#include <QString>

#include <expat.h>

#include <optional>
#include <string>

namespace xmltv::import {

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

// The first problem found in a guide, and where in the file it lies, as
// an editor shows the place.
class Problems
{
    Q_DISABLE_COPY_MOVE(Problems)

public:
    Problems(const QString &path, XML_Parser parser);

    // Whether a problem was found: the reading is over then.
    bool found() const { return m_problem.has_value(); }
    std::optional<FileProblem> take() { return std::move(m_problem); }

    // Told of every start tag expat reads, to mark places by it.
    void countStartTag() { ++m_startTags; }
    // Whether the file can be read again from its start to place a problem.
    bool canReadAgain() const { return m_canReadAgain; }

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
    // Expat's own words for what it found wrong.
    QString expatError() const;

    // Keeps the first problem found: the one the import reports.
    void note(Where where, const QString &what);
    // Stops the reading, from a handler, with a problem found at `where`.
    void fail(Where where, const QString &what);
    // The same where expat is.
    void failHere(const QString &what) { fail(here(), what); }

private:
    QString m_path;
    XML_Parser m_parser;
    bool m_canReadAgain = false;
    // Start tags read so far.
    qint64 m_startTags = 0;
    std::optional<FileProblem> m_problem;
};

} // namespace xmltv::import
