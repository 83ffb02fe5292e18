#include "support/WindowFixture.h"

#include <QAction>

// File > Export XMLTV... and Import XMLTV... in the project window.
class XmltvWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void menu_enabledOnlyWithSelectedProject();
    void export_writesGuideAndListsWhatWasLeftOut();
    void import_bringsGuideInAndCounts();
    void exportOntoTheDatabase_saysSoAndLeavesItIntact();
};

void XmltvWindowTest::menu_enabledOnlyWithSelectedProject()
{
    WindowFixture f;
    f.db.addProject(u"Town Listings"_qs);
    QWidget *window = f.navigator.start();
    const auto enabled = [window] {
        return QList<bool>{WindowFixture::control<QAction>(window, "exportXMLTV")->isEnabled(),
                           WindowFixture::control<QAction>(window, "importXMLTV")->isEnabled()};
    };
    QCOMPARE(enabled(), QList<bool>({false, false}));
    WindowFixture::clickEntry(WindowFixture::control<EntryList>(window, "projList"), 0);
    QCOMPARE(enabled(), QList<bool>({true, true}));

    // Every fill of the list disables them again, as it does the buttons.
    f.dialogs.answerPrompt(u"Second"_qs);
    WindowFixture::click(window, "newProj");
    QVERIFY(f.dialogs.allAnswered());
    QCOMPARE(enabled(), QList<bool>({false, false}));
}

void XmltvWindowTest::export_writesGuideAndListsWhatWasLeftOut()
{
    WindowFixture f;
    f.db.addProject(u"Empty"_qs);
    const qint32 town = f.db.addChannel(f.db.addProject(u"Town Listings"_qs), u"Town TV"_qs);
    f.db.addProgramme(town, u"Late News"_qs, u"2024-03-30"_qs, u"23:30"_qs);
    f.db.addProgramme(town, u"Someday"_qs, u"soon"_qs, u"19:00"_qs);
    QWidget *window = f.navigator.start();
    WindowFixture::clickEntry(WindowFixture::control<EntryList>(window, "projList"), 1);

    const QString out = f.db.directory() + u"/guide.xml"_qs;
    f.dialogs.answerSaveAs(out);
    f.dialogs.expectInform();
    WindowFixture::control<QAction>(window, "exportXMLTV")->trigger();

    QVERIFY(f.dialogs.allAnswered());
    // Opens in the folder of the last guide, written or read.
    QCOMPARE(f.dialogs.asked().at(0).fileKind, Dialogs::FileKind::Xmltv);
    QCOMPARE(f.dialogs.asked().at(1).title, u"Quorvel XMLTV Export"_qs);
    QCOMPARE(f.dialogs.asked().at(1).text,
             u"Export Completed\n\n1 programme on 1 channel written.\n\n"
             u"This programme was left out:\n\n"
             u"\"Someday\" on Town TV, start \"soon\" \"19:00\": the start date cannot be read"_qs);
    QVERIFY(QFile::exists(out));
}

void XmltvWindowTest::import_bringsGuideInAndCounts()
{
    WindowFixture f;
    const qint32 project = f.db.addProject(u"Town Listings"_qs);
    f.db.addChannel(project, u"Arte Français"_qs);
    QWidget *window = f.navigator.start();
    WindowFixture::clickEntry(WindowFixture::control<EntryList>(window, "projList"), 0);

    f.dialogs.answerOpenFile(QStringLiteral(QUORVEL_XMLTV_SAMPLES "/guide.xml"));
    f.dialogs.expectInform();
    WindowFixture::control<QAction>(window, "importXMLTV")->trigger();

    QVERIFY(f.dialogs.allAnswered());
    QCOMPARE(f.dialogs.asked().at(0).fileKind, Dialogs::FileKind::Xmltv);
    QCOMPARE(f.dialogs.asked().at(1).title, u"Quorvel XMLTV Import"_qs);
    QCOMPARE(f.dialogs.asked().at(1).text,
             u"Import Completed\n\n7 programmes imported; 2 channels added, 1 matched by name."_qs);
    QCOMPARE(f.db.value(u"SELECT COUNT(*) FROM ChannelData"_qs).toInt(), 3);
    QCOMPARE(f.db.value(u"SELECT COUNT(*) FROM ProgrammeData"_qs).toInt(), 7);
}

void XmltvWindowTest::exportOntoTheDatabase_saysSoAndLeavesItIntact()
{
    WindowFixture f;
    const qint32 town = f.db.addChannel(f.db.addProject(u"Town Listings"_qs), u"Town TV"_qs);
    f.db.addProgramme(town, u"Late News"_qs, u"2024-03-30"_qs, u"23:30"_qs);
    const QString link = f.db.directory() + u"/guide.xml"_qs;
    QVERIFY(QFile::link(f.db.path(), link));
    QFile database(f.db.path());
    QVERIFY(database.open(QIODevice::ReadOnly));
    const QByteArray before = database.readAll();
    database.close();
    QWidget *window = f.navigator.start();
    WindowFixture::clickEntry(WindowFixture::control<EntryList>(window, "projList"), 0);

    for (const QString &path : {f.db.path(), link}) {
        f.dialogs.answerSaveAs(path);
        f.dialogs.expectError();
        WindowFixture::control<QAction>(window, "exportXMLTV")->trigger();
        QVERIFY(f.dialogs.allAnswered());
        const QString said = f.dialogs.asked().constLast().text;
        QVERIFY2(said.startsWith(
                     u"Could not write the XMLTV file.\n\n%1 is the database itself"_qs.arg(path)),
                 qPrintable(said));
        QVERIFY(database.open(QIODevice::ReadOnly));
        QCOMPARE(database.readAll(), before);
        database.close();
    }
    QVERIFY(QFileInfo(link).isSymLink());
}

QTEST_MAIN(XmltvWindowTest)
#include "tst_xmltvwindow.moc"
