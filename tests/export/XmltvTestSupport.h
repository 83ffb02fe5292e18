#pragma once

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QXmlStreamReader>

// Help for the XMLTV tests: the hand-written sample files, the content of a
// guide as a list of lines, and XMLTV's own validator.
namespace xmltvtest {

inline QString sample(const char *name)
{
    return QStringLiteral(QUORVEL_XMLTV_SAMPLES "/") + QLatin1String(name);
}

// The guide as one line per element, attribute list and text, in file order,
// leaving out the layout between elements. Two guides with the same lines say
// the same thing, however they are indented or escaped. An unreadable file
// gives its error as the last line.
inline QStringList xmlContent(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("cannot open %1").arg(path)};
    QStringList lines;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement: {
            QString line = u'<' + xml.name().toString();
            for (const QXmlStreamAttribute &attribute : xml.attributes())
                line += QStringLiteral(" %1=\"%2\"").arg(attribute.name(), attribute.value());
            lines << line + u'>';
            break;
        }
        case QXmlStreamReader::EndElement:
            lines << QStringLiteral("</%1>").arg(xml.name());
            break;
        case QXmlStreamReader::Characters:
            if (!xml.isWhitespace())
                lines << xml.text().toString();
            break;
        default:
            break;
        }
    }
    if (xml.hasError())
        lines << QStringLiteral("error: ") + xml.errorString();
    return lines;
}

inline QString tvValidateFileProgram()
{
    return QStandardPaths::findExecutable(QStringLiteral("tv_validate_file"));
}

inline QString xmltvDtd()
{
    return QStringLiteral("/usr/share/xmltv/xmltv.dtd");
}

// Empty text when tv_validate_file accepts the file, its report otherwise.
// The DTD is named, or the validator would try to fetch it from the web.
inline QString tvValidateFile(const QString &path)
{
    QProcess validator;
    validator.setProcessChannelMode(QProcess::MergedChannels);
    validator.start(tvValidateFileProgram(), {QStringLiteral("--dtd-file"), xmltvDtd(), path});
    if (!validator.waitForFinished(60000))
        return QStringLiteral("tv_validate_file did not finish");
    const QString report = QString::fromUtf8(validator.readAll());
    if (validator.exitStatus() == QProcess::NormalExit && validator.exitCode() == 0)
        return QString();
    return report.isEmpty() ? QStringLiteral("tv_validate_file failed") : report;
}

} // namespace xmltvtest

// Runs tv_validate_file on path, or skips the test where the validator (Debian
// package xmltv-util) is not installed.
#define XMLTV_VALIDATE(path)                                                                       \
    do {                                                                                           \
        if (xmltvtest::tvValidateFileProgram().isEmpty() || !QFile::exists(xmltvtest::xmltvDtd())) \
            QSKIP("tv_validate_file is not installed (Debian package xmltv-util).");               \
        QCOMPARE(xmltvtest::tvValidateFile(path), QString());                                      \
    } while (false)
