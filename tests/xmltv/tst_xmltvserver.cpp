#include "export/ProgrammeXml.h"
#include "programmes/Programmes.h"
#include "store/Connection.h"
#include "store/Database.h"
#include "store/Tables.h"
#include "support/TestServer.h"
#include "xmltv/XmltvImport.h"
#include "xmltv/XmltvWriter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

// A guide goes into a server's database through COPY and comes out through
// cursors read a batch ahead: what it gives back must be what a database
// file gives back, text for text.
class XmltvServerTest : public QObject
{
    Q_OBJECT

    QString m_server;
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        if (testServerUrl().isEmpty())
            QSKIP("No test server: run the test through ctest, which starts one.");
        m_server = freshServerDatabase(QStringLiteral("xmltvserver"));
        QVERIFY(!m_server.isEmpty());
        QVERIFY(m_dir.isValid());
    }

    void cleanupTestCase()
    {
        if (!m_server.isEmpty())
            dropServerDatabase(m_server);
    }

    void guide_comesBackFromAServerAsFromAFile()
    {
        // Titles and descriptions with what COPY's text format must escape, and
        // text that reads as its escapes; an empty description is stored as none.
        const QStringList hard = {
            QStringLiteral("tab\there"),
            QStringLiteral("two\nlines"),
            QStringLiteral("carriage&#13;return"),
            QStringLiteral("back\\slash"),
            QStringLiteral("\\N"),
            QStringLiteral("\\t and \\n written out"),
            QStringLiteral("caf\u00e9 \u2192 \U0001F4FA"),
            QStringLiteral(""),
        };
        QString guide =
            QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tv>\n"
                           "<channel id=\"one\"><display-name>One</display-name></channel>\n"
                           "<channel id=\"none\"><display-name>None</display-name></channel>\n"
                           "<channel id=\"two\"><display-name>Two</display-name></channel>\n");
        // Enough programmes on one channel for several batches of a cursor, and
        // a channel without programmes between two with them, which a server
        // reads as one run of rows.
        const QDateTime first(QDate(2024, 3, 1), QTime(6, 0), Qt::UTC);
        for (int i = 0; i < 6000 + int(hard.size()); ++i) {
            const bool odd = i >= 6000;
            const QString text = odd ? hard.at(i - 6000) : QStringLiteral("Programme %1").arg(i);
            const QDateTime start = first.addSecs(qint64(i) * 1800);
            guide +=
                QStringLiteral("<programme start=\"%1 +0000\" stop=\"%2 +0000\" channel=\"%3\">"
                               "<title>%4</title><desc>%4</desc></programme>\n")
                    .arg(start.toString(QStringLiteral("yyyyMMddhhmmss")),
                         start.addSecs(1800).toString(QStringLiteral("yyyyMMddhhmmss")),
                         odd ? QStringLiteral("two") : QStringLiteral("one"),
                         text.isEmpty() ? QStringLiteral("Unnamed") : text)
                    .replace(QStringLiteral("<desc>Unnamed</desc>"),
                             QStringLiteral("<desc></desc>"));
        }
        guide += QStringLiteral("</tv>\n");
        const QString guidePath = m_dir.filePath(QStringLiteral("guide.xml"));
        QFile file(guidePath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(guide.toUtf8());
        file.close();

        const QString local = store::joinDatabasePath(m_dir.path());
        const QTimeZone zone(QByteArrayLiteral("UTC"));
        QStringList outputs;
        for (const QString &database : {local, m_server}) {
            const QString tag =
                database == local ? QStringLiteral("file") : QStringLiteral("server");
            QVERIFY2(store::createDatabase(database), qPrintable(tag));
            const auto project = store::write(database, QString(), [](store::Connection &db) {
                return db.insert(store::tables::Project::table,
                                 {{store::tables::Project::name, QStringLiteral("Guide")}});
            });
            QVERIFY(project);
            xmltv::XmltvImportControl control;
            control.zone = zone;
            const auto imported =
                xmltv::importXmltv(database, qint32(project.value()), guidePath, control);
            QVERIFY2(imported, qPrintable(imported ? QString() : imported.failure().text()));
            QCOMPARE(imported.value().programmes, 6000 + hard.size());

            const QString xmltvOut = m_dir.filePath(tag + QStringLiteral(".xmltv"));
            const QString xmlOut = m_dir.filePath(tag + QStringLiteral(".xml"));
            const auto exported =
                xmltv::writeXmltv(database, qint32(project.value()), xmltvOut, zone);
            QVERIFY2(exported, qPrintable(exported ? QString() : exported.failure().text()));
            const auto listed =
                exports::writeProgrammeXml(qint32(project.value()), xmlOut, database);
            QVERIFY2(listed, qPrintable(listed ? QString() : listed.failure().text()));
            QString lists;
            for (qint32 channel : {1, 2, 3}) {
                const auto entries = programmes::listProgrammes(database, channel);
                QVERIFY(entries);
                for (const ListEntry &entry : entries.value())
                    lists += QString::number(entry.id) + u' ' + entry.text + u'\n';
            }
            QFile xmltvFile(xmltvOut), xmlFile(xmlOut);
            QVERIFY(xmltvFile.open(QIODevice::ReadOnly) && xmlFile.open(QIODevice::ReadOnly));
            outputs << QString::fromUtf8(xmltvFile.readAll() + xmlFile.readAll()) + lists;
        }
        QVERIFY(outputs.at(0).contains(QStringLiteral("back\\slash")));
        QCOMPARE(outputs.at(1), outputs.at(0));
    }
};

QTEST_GUILESS_MAIN(XmltvServerTest)
#include "tst_xmltvserver.moc"
