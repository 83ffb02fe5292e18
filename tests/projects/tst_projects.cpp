#include "projects/Projects.h"
#include "support/TestDatabase.h"

#include <QTest>

class ProjectsTest : public QObject
{
    Q_OBJECT

private slots:
    void list_keepsOrderAddedAndTextExactly()
    {
        TestDatabase db;
        for (const QString &name : {u"Zulu"_qs, u"  alpha "_qs, u"Mike"_qs})
            QVERIFY(projects::newProject(db.path(), name).ok());
        const qint32 mike = projects::listProjects(db.path()).value().at(2).id;
        QVERIFY(projects::renameProject(db.path(), mike, u"O'Neill's \"best\""_qs).ok());
        db.exec(u"INSERT INTO ProjectData (projectName) VALUES (NULL)"_qs);
        QStringList texts;
        for (const ListEntry &entry : projects::listProjects(db.path()).value())
            texts << entry.text;
        // A name without a value, as another program may leave it, shows as empty.
        QCOMPARE(texts,
                 (QStringList{u"Zulu"_qs, u"  alpha "_qs, u"O'Neill's \"best\""_qs, u""_qs}));
    }

    void delete_removesProjectWithEverythingBeneathIt()
    {
        TestDatabase db;
        const qint32 doomed = db.addProject(u"Doomed"_qs);
        const qint32 bare = db.addProject(u"Bare"_qs);
        const qint32 kept = db.addProject(u"Kept"_qs);
        for (const QString &name : {u"One"_qs, u"Two"_qs}) {
            const qint32 channel = db.addChannel(doomed, name);
            db.addTemplate(channel, u"Local, News, 1"_qs);
            db.addProgramme(channel, u"Doomed show"_qs);
        }
        const qint32 keptChannel = db.addChannel(kept, u"Stays"_qs);
        db.addTemplate(keptChannel, u"Regional, General, 7"_qs);
        db.addProgramme(keptChannel, u"Kept show"_qs);

        QVERIFY(projects::deleteProject(db.path(), doomed).ok());
        QVERIFY(projects::deleteProject(db.path(), bare).ok());

        QCOMPARE(db.rows(u"SELECT projectID FROM ProjectData"_qs), (QList<QVariantList>{{kept}}));
        QCOMPARE(db.rows(u"SELECT channelID FROM ChannelData"_qs),
                 (QList<QVariantList>{{keptChannel}}));
        QCOMPARE(db.rows(u"SELECT channelID FROM TemplateData"_qs),
                 (QList<QVariantList>{{keptChannel}}));
        QCOMPARE(db.rows(u"SELECT programmeName FROM ProgrammeData"_qs),
                 (QList<QVariantList>{{u"Kept show"_qs}}));
    }
};

QTEST_GUILESS_MAIN(ProjectsTest)
#include "tst_projects.moc"
