#include "channels/Channels.h"
#include "export/Contact.h"
#include "grid/GridTab.h"
#include "programmes/Programmes.h"
#include "projects/ProjectAccess.h"
#include "projects/Projects.h"
#include "schedule/Schedule.h"
#include "store/Access.h"
#include "store/Connection.h"
#include "store/CopyDatabase.h"
#include "store/Database.h"
#include "store/Server.h"
#include "store/ServerSchema.h"
#include "support/Files.h"
#include "support/TestDatabase.h"
#include "support/TestServer.h"
#include "support/WindowFixture.h"
#include "xmltv/XmltvImport.h"

#include <QAction>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableView>
#include <QTest>
#include <QUrl>

using store::Status;

namespace {

const QString password = QStringLiteral("pw");

// Every row of every table, as the superuser sees them past row security.
QStringList dump(const QString &database)
{
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QPSQL"_qs, u"dump"_qs);
        if (!store::applyServerAddress(db, database) || !db.open())
            return {db.lastError().text()};
        for (const char *table : {"QuorvelSchema", "ProjectData", "ChannelData", "ChannelXmltv",
                                  "TemplateData", "ProgrammeData", "ProjectAccess"}) {
            QSqlQuery query(db);
            if (!query.exec(u"SELECT t::text FROM %1 t ORDER BY 1"_qs.arg(QLatin1String(table))))
                rows << query.lastError().text();
            while (query.next())
                rows << QLatin1String(table) + u' ' + query.value(0).toString();
        }
    }
    QSqlDatabase::removeDatabase(u"dump"_qs);
    return rows;
}

QStringList names(const store::Result<ListEntries> &listed)
{
    QStringList texts;
    for (const ListEntry &entry : listed.value())
        texts << entry.text;
    return texts;
}

// The change was refused, saying each of the words.
template<typename T>
void refused(const char *change, const store::Result<T> &result, const QStringList &said)
{
    const QString text = result ? QString() : result.failure().text();
    for (const QString &words : said)
        QVERIFY2(!result && text.contains(words),
                 qPrintable(u"%1: %2"_qs.arg(QLatin1String(change), text)));
}

Status runAs(const QString &login, const QString &sql)
{
    return store::write(login, u"Arranging"_qs,
                        [&](store::Connection &db) { return db.execute(sql); });
}

} // namespace

// Who may do what on a server: the roles the schema gives, projects limited
// to named roles, and the upgrade that brought them.
class RolesTest : public QObject
{
    Q_OBJECT

    QString m_db;
    QStringList m_databases;
    // Roles are the whole cluster's: each run names its own.
    QString m_prefix = u"r%1_"_qs.arg(QCoreApplication::applicationPid());
    qint32 m_open = 0;
    qint32 m_openChannel = 0;
    qint32 m_openProgramme = 0;
    qint32 m_limited = 0;
    qint32 m_limitedChannel = 0;

    QString role(const QString &name) const { return m_prefix + name; }

    QString login(const QString &name, const QString &database = QString()) const
    {
        QUrl url(database.isEmpty() ? m_db : database);
        url.setUserName(role(name));
        url.setPassword(password);
        return url.toString();
    }

    QString fresh(const QString &tag)
    {
        const QString made = freshServerDatabase(tag);
        m_databases << made;
        return made;
    }

    void fillProject(const QString &name, qint32 &project, qint32 &channel)
    {
        QVERIFY(projects::newProject(m_db, name));
        const auto listed = projects::listProjects(m_db);
        QVERIFY(listed);
        project = listed.value().idAt(listed.value().size() - 1);
        channels::Channel made{name + u" One"_qs};
        made.templateLines = QStringList{u"Guide, Films, 1"_qs};
        const auto saved = channels::saveChannel(m_db, 0, project, made, {});
        QVERIFY(saved);
        channel = saved.value();
        QVERIFY(programmes::addProgramme(m_db, channel, namedProgramme(name + u" News"_qs)));
    }

private slots:
    void initTestCase()
    {
        if (testServerUrl().isEmpty())
            QSKIP("No test server: run the test through ctest, which starts one.");
        m_db = fresh(u"roles"_qs);
        QVERIFY(store::createDatabase(m_db));
        const QString made =
            runOnServer(testServerUrl(),
                        u"CREATE ROLE %1teamb NOLOGIN;"
                        "CREATE ROLE %1reader LOGIN PASSWORD '%2' IN ROLE quorvel_reader;"
                        "CREATE ROLE %1editor LOGIN PASSWORD '%2' IN ROLE quorvel_editor;"
                        "CREATE ROLE %1member LOGIN PASSWORD '%2' IN ROLE quorvel_editor, %1teamb;"
                        "CREATE ROLE %1maker LOGIN PASSWORD '%2';"_qs.arg(m_prefix, password));
        QVERIFY2(made.isEmpty(), qPrintable(made));
        fillProject(u"Open"_qs, m_open, m_openChannel);
        fillProject(u"Limited"_qs, m_limited, m_limitedChannel);
        m_openProgramme = programmes::listProgrammes(m_db, m_openChannel).value().idAt(0);
        QVERIFY(projects::limitProject(m_db, m_limited, {role(u"teamb"_qs)}));
        // A role dropped since it was named lets nobody in, and fails nothing.
        QVERIFY(runAs(m_db, u"INSERT INTO ProjectAccess VALUES (%1, 'gone_role')"_qs.arg(m_open)));
        QVERIFY(runAs(m_db, u"DELETE FROM ProjectAccess WHERE projectID = %1"_qs.arg(m_open)));
    }

    void cleanupTestCase()
    {
        for (const QString &database : std::as_const(m_databases))
            dropServerDatabase(database);
        if (!m_db.isEmpty()) {
            runOnServer(testServerUrl(), u"DROP ROLE IF EXISTS %1reader, %1editor, %1member, "
                                         "%1maker, %1teamb"_qs.arg(m_prefix));
        }
    }

    void cleanup() { WindowFixture::closeAll(); }

    void reader_isRefusedEveryChange()
    {
        const QString reader = login(u"reader"_qs);
        QCOMPARE(store::access(reader).value(), store::Access::Read);
        const QStringList before = dump(m_db);
        const channels::Channel channel{u"Changed"_qs};
        const schedule::Programme programme = namedProgramme(u"Changed"_qs);
        // The programme as the reader's schedule table shows it.
        const auto shown = [&] {
            for (const schedule::Programme &row :
                 schedule::loadSchedule(reader, m_openChannel).value()) {
                if (row.programmeID == m_openProgramme)
                    return row;
            }
            return schedule::Programme{};
        };
        const QStringList said{u"may only read and export listings"_qs, store::serverName(reader),
                               u"quorvel_editor"_qs};
        refused("new project", projects::newProject(reader, u"X"_qs), said);
        refused("rename project", projects::renameProject(reader, m_open, u"X"_qs), said);
        refused("delete project", projects::deleteProject(reader, m_open), said);
        refused("add channel", channels::saveChannel(reader, 0, m_open, channel, {}), said);
        refused("change channel",
                channels::saveChannel(reader, m_openChannel, m_open, channel,
                                      channels::loadChannel(reader, m_openChannel).value()),
                said);
        refused("delete channel", channels::deleteChannel(reader, m_openChannel), said);
        refused("add or duplicate programme",
                programmes::addProgramme(reader, m_openChannel, programme), said);
        refused(
            "change programme",
            programmes::changeProgramme(reader, m_openProgramme, programme,
                                        programmes::loadProgramme(reader, m_openProgramme).value()),
            said);
        refused("delete programme", programmes::deleteProgramme(reader, m_openProgramme), said);
        refused("contact details",
                exports::saveContactDetails(reader, m_open, {u"a"_qs, u"b"_qs, u"c"_qs, u"d"_qs}),
                said);
        refused("schedule cell", schedule::changeValue(reader, shown(), schedule::Name, u"X"_qs),
                said);
        refused("schedule insert", schedule::addProgrammes(reader, m_openChannel, {programme}),
                said);
        refused("schedule delete", schedule::removeProgrammes(reader, {shown()}), said);
        refused(
            "xmltv import",
            xmltv::importXmltv(reader, m_open, QStringLiteral(QUORVEL_XMLTV_SAMPLES "/guide.xml")),
            said);
        QCOMPARE(dump(m_db), before);
    }

    void editor_editsButMayNotAlterSchemaOrLimits()
    {
        const QString editor = login(u"editor"_qs);
        QCOMPARE(store::access(editor).value(), store::Access::Edit);
        QCOMPARE(store::access(m_db).value(), store::Access::Own);
        QVERIFY(programmes::changeProgramme(
            editor, m_openProgramme, namedProgramme(u"Edited"_qs),
            programmes::loadProgramme(editor, m_openProgramme).value()));
        QCOMPARE(programmes::loadProgramme(m_db, m_openProgramme).value().programmeName,
                 u"Edited"_qs);
        // The server takes no COPY into a table whose rows are limited for the user.
        const auto imported =
            xmltv::importXmltv(editor, m_open, QStringLiteral(QUORVEL_XMLTV_SAMPLES "/guide.xml"));
        QVERIFY2(imported, qPrintable(imported ? QString() : imported.failure().text()));
        QVERIFY(imported.value().programmes > 0);

        const QStringList before = dump(m_db);
        const QStringList owners{u"members of the role quorvel_owner"_qs};
        refused("limit", projects::limitProject(editor, m_open, {role(u"teamb"_qs)}), owners);
        refused("unlimit", projects::unlimitProject(editor, m_limited), owners);
        refused("alter", runAs(editor, u"ALTER TABLE ProgrammeData ADD notes text"_qs), owners);
        refused("create", runAs(editor, u"CREATE TABLE notes (line text)"_qs), owners);
        refused("version", runAs(editor, u"UPDATE QuorvelSchema SET version = 9"_qs), owners);
        refused("into a limited project",
                runAs(editor,
                      u"INSERT INTO ChannelData (projectID, channelName) VALUES (%1, 'In')"_qs.arg(
                          m_limited)),
                {u"may not see or change that project"_qs});
        QCOMPARE(dump(m_db), before);
    }

    void limitedProject_isSeenByItsRolesAlone()
    {
        const QString editor = login(u"editor"_qs);
        const QString member = login(u"member"_qs);
        QCOMPARE(names(projects::listProjects(editor)), QStringList{u"Open"_qs});
        // To them the project and its channel are as good as deleted.
        QVERIFY(channels::listChannels(editor, m_limited).failure().isGone());
        QVERIFY(programmes::listProgrammes(editor, m_limitedChannel).failure().isGone());
        QCOMPARE(names(projects::listProjects(member)), (QStringList{u"Open"_qs, u"Limited"_qs}));

        const QTemporaryDir out;
        const QString xml = out.filePath(u"limited.xml"_qs);
        const QStringList exportLimited{
            u"export-xml"_qs, u"--project"_qs, QString::number(m_limited), u"--out"_qs, xml,
            u"--db"_qs};
        QCOMPARE(runCli(exportLimited + QStringList{editor}).exitCode, 1);
        QVERIFY(!QFile::exists(xml));
        QCOMPARE(runCli(exportLimited + QStringList{member}).exitCode, 0);
        QVERIFY(contents(xml).contains("Limited News"));

        // Only a server's database limits projects.
        const TestDatabase file;
        const CliRun refused = runCli({u"limit-project"_qs, u"--db"_qs, file.path(),
                                       u"--project"_qs, u"1"_qs, u"--role"_qs, u"x"_qs});
        QVERIFY2(refused.exitCode == 1 &&
                     refused.err.contains(u"only in a database on a PostgreSQL server"_qs),
                 qPrintable(refused.err));
    }

    void copy_takesLimitsToAServerOnly()
    {
        const QString copy = fresh(u"copy"_qs);
        const auto toServer = store::copyDatabase(m_db, copy);
        QVERIFY(toServer);
        QCOMPARE(toServer.value().projectLimits, 1);
        QCOMPARE(names(projects::listProjects(login(u"editor"_qs, copy))), QStringList{u"Open"_qs});
        QCOMPARE(names(projects::listProjects(login(u"member"_qs, copy))),
                 (QStringList{u"Open"_qs, u"Limited"_qs}));
        // To a file they stay behind, and so do those of projects the login cannot see.
        const QTemporaryDir out;
        const auto byOwner = store::copyDatabase(copy, out.filePath(u"owner.db"_qs));
        QVERIFY(byOwner && byOwner.value().limitsLeftBehind == 1);
        const auto byEditor =
            store::copyDatabase(login(u"editor"_qs, copy), out.filePath(u"editor.db"_qs));
        QVERIFY(byEditor && byEditor.value().projects == 1);
        QCOMPARE(byEditor.value().limitsLeftBehind, 0);
    }

    void upgradeFromVersion4_keepsEveryRow()
    {
        const QString database = fresh(u"version4"_qs);
        // Version 4 as the server had it: the tables alone, nothing granted.
        const QString made = runOnServer(
            database,
            store::serverTablesSql() +
                u"INSERT INTO QuorvelSchema (version) VALUES (4);"
                "INSERT INTO ProjectData (projectName, ContactName) VALUES ('Kept', 'Ann');"
                "INSERT INTO ChannelData (projectID, channelName) VALUES (1, 'One');"
                "INSERT INTO ChannelXmltv (channelID, xmltvID) VALUES (1, 'one.example');"
                "INSERT INTO TemplateData (channelID, templateData) VALUES (1, 'Guide, Films, 1');"
                "INSERT INTO ProgrammeData (channelID, programmeName, startDate, startTime) "
                "VALUES (1, 'News', '2024-05-01', '18:00');"_qs);
        QVERIFY2(made.isEmpty(), qPrintable(made));
        QStringList expected = dump(database);
        // No such table yet: the dump said so.
        expected.removeIf([](const QString &row) { return row.contains(u"projectaccess"_qs); });
        expected.replaceInStrings(u"QuorvelSchema (4)"_qs, u"QuorvelSchema (5)"_qs);

        const QString reader = login(u"reader"_qs, database);
        refused("before the owner", store::reach(reader),
                {u"Its owner must connect to it once"_qs});
        QVERIFY(store::reach(database));
        QCOMPARE(dump(database), expected);
        QCOMPARE(names(projects::listProjects(reader)), QStringList{u"Kept"_qs});
    }

    void initDb_byUserWhoMayNotMakeRoles_saysWhatToRun()
    {
        const QString database = fresh(u"maker"_qs);
        const QString name = QUrl(database).path().mid(1);
        QCOMPARE(runOnServer(testServerUrl(),
                             u"ALTER DATABASE \"%1\" OWNER TO %2maker"_qs.arg(name, m_prefix)),
                 QString());
        const QString maker = login(u"maker"_qs, database);
        refused("no role made", store::createDatabase(maker),
                {u"GRANT quorvel_owner TO \"%1maker\";"_qs.arg(m_prefix)});
        QCOMPARE(runOnServer(testServerUrl(), u"GRANT quorvel_owner TO %1maker"_qs.arg(m_prefix)),
                 QString());
        QVERIFY(store::createDatabase(maker));
        QCOMPARE(store::access(maker).value(), store::Access::Own);
    }

    void readOnlyLogin_holdsWritesDisabledAndKeepsExports()
    {
        WindowFixture f;
        const QString reader = login(u"reader"_qs);
        QWidget *window = f.navigator.start(reader);
        QVERIFY(window->windowTitle().endsWith(u"(read-only)"_qs));
        auto *newProject = WindowFixture::control(window, "newProj");
        QVERIFY(!newProject->isEnabled());
        QVERIFY2(newProject->toolTip().contains(
                     u"Read only: your login on %1"_qs.arg(store::serverName(reader))),
                 qPrintable(newProject->toolTip()));
        // A selection enables what acts on it, but not what would write.
        WindowFixture::clickEntry(WindowFixture::control<EntryList>(window, "projList"), 0);
        QVERIFY(WindowFixture::control(window, "exportProgrammeDatatoXML")->isEnabled());
        QVERIFY(WindowFixture::control(window, "loadProj")->isEnabled());
        QVERIFY(!WindowFixture::control(window, "delProj")->isEnabled());
        QVERIFY(!WindowFixture::control<QAction>(window, "importXMLTV")->isEnabled());
        QVERIFY(WindowFixture::control<QAction>(window, "exportXMLTV")->isEnabled());
        // A programme chosen on the Guide is shown in the table, not opened for editing.
        WindowFixture::control<QAction>(window, "openSchedule")->trigger();
        QWidget *schedule = WindowFixture::openWindow();
        auto *guide = schedule ? schedule->findChild<GridTab *>() : nullptr;
        QVERIFY(guide);
        emit guide->programmeActivated(m_openChannel, m_openProgramme);
        auto *table = WindowFixture::control<QTableView>(schedule, "scheduleTable");
        QVERIFY(table->currentIndex().isValid() && !table->indexWidget(table->currentIndex()));
    }
};

QTEST_MAIN(RolesTest)
#include "tst_roles.moc"
