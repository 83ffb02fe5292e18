#include "projects/Projects.h"
#include "support/TestDatabase.h"

#include <QSqlDatabase>
#include <QTest>

class ProjectsTest : public QObject
{
    Q_OBJECT

private slots:
    void newAndRename_keepTextExactlyAndActOnIdentifier();
    void list_keepsOrderAdded();
    void delete_removesProjectWithEverythingBeneathIt();
    void delete_projectWithoutChannels();
    void missingDatabase_failsWithWhatAndWhere();
};

void ProjectsTest::newAndRename_keepTextExactlyAndActOnIdentifier()
{
    TestDatabase db;
    QVERIFY(projects::newProject(db.path(), u"  Town Listings "_qs).ok());
    QVERIFY(projects::newProject(db.path(), u"Twin"_qs).ok());
    QVERIFY(projects::newProject(db.path(), u"Twin"_qs).ok());
    auto listed = projects::listProjects(db.path());
    QVERIFY(listed.ok());
    QCOMPARE(listed.value().size(), 3);
    QCOMPARE(listed.value()[0].text, u"  Town Listings "_qs);
    const qint32 firstTwin = listed.value()[1].id;
    const qint32 secondTwin = listed.value()[2].id;
    QVERIFY(firstTwin != secondTwin);

    QVERIFY(projects::renameProject(db.path(), secondTwin, u"O'Neill's \"best\""_qs).ok());
    QCOMPARE(projects::projectName(db.path(), firstTwin).value(), u"Twin"_qs);
    QCOMPARE(projects::projectName(db.path(), secondTwin).value(), u"O'Neill's \"best\""_qs);

    // Renaming to the same name is a real write that changes nothing else.
    QVERIFY(projects::renameProject(db.path(), firstTwin, u"Twin"_qs).ok());
    QCOMPARE(projects::listProjects(db.path()).value().size(), 3);
}

void ProjectsTest::list_keepsOrderAdded()
{
    TestDatabase db;
    for (const QString &name : {u"Zulu"_qs, u"alpha"_qs, u"Mike"_qs})
        db.addProject(name);
    db.exec(u"UPDATE ProjectData SET projectName = 'Aardvark' WHERE projectName = 'Mike'"_qs);
    db.exec(u"INSERT INTO ProjectData (projectName) VALUES (NULL)"_qs);
    const auto listed = projects::listProjects(db.path());
    QVERIFY(listed.ok());
    QStringList texts;
    for (const ListEntry &entry : listed.value())
        texts << entry.text;
    QCOMPARE(texts, (QStringList{u"Zulu"_qs, u"alpha"_qs, u"Aardvark"_qs, QString()}));

    TestDatabase empty;
    const auto none = projects::listProjects(empty.path());
    QVERIFY(none.ok());
    QVERIFY(none.value().isEmpty());
}

void ProjectsTest::delete_removesProjectWithEverythingBeneathIt()
{
    TestDatabase db;
    const qint32 doomed = db.addProject(u"Doomed"_qs);
    const qint32 kept = db.addProject(u"Kept"_qs);
    for (const QString &name : {u"One"_qs, u"Two"_qs}) {
        const qint32 channel = db.addChannel(doomed, name);
        db.addTemplate(channel, u"Local, News, 1"_qs);
        db.addProgramme(channel, u"Doomed show"_qs);
        db.addProgramme(channel, u"Another"_qs);
    }
    const qint32 keptChannel = db.addChannel(kept, u"Stays"_qs);
    db.addTemplate(keptChannel, u"Regional, General, 7"_qs);
    db.addProgramme(keptChannel, u"Kept show"_qs);

    QVERIFY(projects::deleteProject(db.path(), doomed).ok());

    QCOMPARE(db.value(u"SELECT COUNT(*) FROM ProjectData"_qs).toInt(), 1);
    QCOMPARE(db.value(u"SELECT projectID FROM ProjectData"_qs).toInt(), kept);
    QCOMPARE(db.value(u"SELECT COUNT(*) FROM ChannelData"_qs).toInt(), 1);
    QCOMPARE(db.value(u"SELECT COUNT(*) FROM TemplateData WHERE channelID = ?"_qs, {keptChannel})
                 .toInt(),
             1);
    QCOMPARE(db.value(u"SELECT COUNT(*) FROM TemplateData"_qs).toInt(), 1);
    QCOMPARE(db.value(u"SELECT COUNT(*) FROM ProgrammeData"_qs).toInt(), 1);
    QCOMPARE(db.value(u"SELECT programmeName FROM ProgrammeData"_qs).toString(), u"Kept show"_qs);
}

void ProjectsTest::delete_projectWithoutChannels()
{
    TestDatabase db;
    const qint32 bare = db.addProject(u"Bare"_qs);
    const qint32 other = db.addProject(u"Other"_qs);
    db.addChannel(other, u"Untouched"_qs);
    QVERIFY(projects::deleteProject(db.path(), bare).ok());
    QCOMPARE(db.value(u"SELECT COUNT(*) FROM ProjectData"_qs).toInt(), 1);
    QCOMPARE(db.value(u"SELECT COUNT(*) FROM ChannelData"_qs).toInt(), 1);
    // Deleting what is already gone changes nothing and does not fail.
    QVERIFY(projects::deleteProject(db.path(), bare).ok());
}

void ProjectsTest::missingDatabase_failsWithWhatAndWhere()
{
    TestDatabase db;
    const QString absent = db.directory() + u"/gone/quorvel.db"_qs;
    const auto renamed = projects::renameProject(absent, 1, u"X"_qs);
    QVERIFY(!renamed.ok());
    QCOMPARE(renamed.failure().action, u"Could not rename the project"_qs);
    QCOMPARE(renamed.failure().databasePath, absent);
    QVERIFY(!projects::listProjects(absent).ok());
    QVERIFY(QSqlDatabase::connectionNames().isEmpty());
}

QTEST_GUILESS_MAIN(ProjectsTest)
#include "tst_projects.moc"
