#include "XmltvTestSupport.h"

#include "support/WindowFixture.h"

#include <QAction>
#include <QMenuBar>

namespace {

EntryList *projList(QWidget *window)
{
    return WindowFixture::control<EntryList>(window, "projList");
}

QAction *action(QWidget *window, const char *name)
{
    return WindowFixture::control<QAction>(window, name);
}

} // namespace

// File > Export XMLTV... and Import XMLTV... in the project window.
class XmltvWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { WindowFixture::closeAll(); }

    void menu_actsOnSelectedProjectOnly();
    void export_writesGuideAndListsWhatWasLeftOut();
    void export_cancelledWritesNothing();
    void import_bringsGuideInAndCounts();
    void import_faultyFileSaysWhereAndImportsNothing();
};

void XmltvWindowTest::menu_actsOnSelectedProjectOnly()
{
    WindowFixture f;
    f.db.addProject(u"Town Listings"_qs);
    QWidget *window = f.navigator.start();
    auto *bar = WindowFixture::control<QMenuBar>(window, "menuBar");
    QVERIFY(bar);
    QCOMPARE(bar->actions().size(), 1);
    QCOMPARE(bar->actions().constFirst()->text(), u"&File"_qs);
    QCOMPARE(action(window, "exportXMLTV")->text(), u"Export XMLTV..."_qs);
    QCOMPARE(action(window, "importXMLTV")->text(), u"Import XMLTV..."_qs);
    QVERIFY(!action(window, "exportXMLTV")->isEnabled());
    QVERIFY(!action(window, "importXMLTV")->isEnabled());

    WindowFixture::clickEntry(projList(window), 0);
    QVERIFY(action(window, "exportXMLTV")->isEnabled());
    QVERIFY(action(window, "importXMLTV")->isEnabled());

    // Every fill of the list disables them again, as it does the buttons.
    f.dialogs.answerPrompt(u"Second"_qs);
    WindowFixture::click(window, "newProj");
    QVERIFY(!action(window, "exportXMLTV")->isEnabled());
    QVERIFY(!action(window, "importXMLTV")->isEnabled());
    QVERIFY(f.dialogs.allAnswered());
}

void XmltvWindowTest::export_writesGuideAndListsWhatWasLeftOut()
{
    WindowFixture f;
    f.db.addProject(u"Empty"_qs);
    const qint32 project = f.db.addProject(u"Town Listings"_qs);
    const qint32 town = f.db.addChannel(project, u"Town TV"_qs);
    f.db.addProgramme(town, u"Late News"_qs, u"2024-03-30"_qs, u"23:30"_qs);
    f.db.addProgramme(town, u"Someday"_qs, u"soon"_qs, u"19:00"_qs);
    QWidget *window = f.navigator.start();
    WindowFixture::clickEntry(projList(window), 1);

    const QString out = f.db.directory() + u"/guide.xml"_qs;
    f.dialogs.answerSaveAs(out);
    f.dialogs.expectInform();
    action(window, "exportXMLTV")->trigger();

    QVERIFY(f.dialogs.allAnswered());
    const auto &saveAs = f.dialogs.asked().at(0);
    QCOMPARE(saveAs.filters.size(), 1);
    QCOMPARE(saveAs.filters.at(0).description, u"XMLTV Files (*.xml)"_qs);
    const auto &message = f.dialogs.asked().at(1);
    QCOMPARE(message.title, u"Quorvel XMLTV Export"_qs);
    QCOMPARE(message.text,
             u"Export Completed\n\n1 programme on 1 channel written.\n\n"
             u"This programme was left out:\n\n"
             u"\"Someday\" on Town TV, start \"soon\" \"19:00\": the start date cannot be read"_qs);
    const QStringList content = xmltvtest::xmlContent(out);
    QVERIFY2(content.contains(u"Late News"_qs), qPrintable(content.join(u'\n')));
    QVERIFY(!content.contains(u"Someday"_qs));
    // The window stays as it was.
    QCOMPARE(projList(window)->selectedEntry()->id, project);
}

void XmltvWindowTest::export_cancelledWritesNothing()
{
    WindowFixture f;
    f.db.addProject(u"Town Listings"_qs);
    QWidget *window = f.navigator.start();
    WindowFixture::clickEntry(projList(window), 0);
    f.dialogs.answerSaveAs(std::nullopt);
    action(window, "exportXMLTV")->trigger();
    QVERIFY(f.dialogs.allAnswered());
    QCOMPARE(f.dialogs.asked().size(), 1);
    QCOMPARE(QDir(f.db.directory()).entryList({u"*.xml"_qs}), QStringList());
}

void XmltvWindowTest::import_bringsGuideInAndCounts()
{
    WindowFixture f;
    const qint32 project = f.db.addProject(u"Town Listings"_qs);
    f.db.addChannel(project, u"Arte Français"_qs);
    QWidget *window = f.navigator.start();
    WindowFixture::clickEntry(projList(window), 0);

    f.dialogs.answerOpenFile(xmltvtest::sample("guide.xml"));
    f.dialogs.expectInform();
    action(window, "importXMLTV")->trigger();

    QVERIFY(f.dialogs.allAnswered());
    QCOMPARE(f.dialogs.asked().at(0).kind, ScriptedDialogs::Kind::OpenFile);
    QCOMPARE(f.dialogs.asked().at(0).filters.at(0).description, u"XMLTV Files (*.xml)"_qs);
    QCOMPARE(f.dialogs.asked().at(1).title, u"Quorvel XMLTV Import"_qs);
    QCOMPARE(f.dialogs.asked().at(1).text,
             u"Import Completed\n\n7 programmes imported; 2 channels added, 1 matched by name."_qs);
    QCOMPARE(
        f.db.value(u"SELECT COUNT(*) FROM ChannelData WHERE projectID = ?"_qs, {project}).toInt(),
        3);
    QCOMPARE(f.db.value(u"SELECT COUNT(*) FROM ProgrammeData"_qs).toInt(), 7);
}

void XmltvWindowTest::import_faultyFileSaysWhereAndImportsNothing()
{
    WindowFixture f;
    f.db.addProject(u"Town Listings"_qs);
    QWidget *window = f.navigator.start();
    WindowFixture::clickEntry(projList(window), 0);

    const QString file = xmltvtest::sample("malformed.xml");
    f.dialogs.answerOpenFile(file);
    f.dialogs.expectError();
    action(window, "importXMLTV")->trigger();

    QVERIFY(f.dialogs.allAnswered());
    const QString text = f.dialogs.asked().at(1).text;
    QVERIFY2(text.startsWith(u"Could not import %1."_qs.arg(QDir::toNativeSeparators(file))),
             qPrintable(text));
    QVERIFY2(text.contains(u"Line 10, column 34: Opening and ending tag mismatch."_qs),
             qPrintable(text));
    QCOMPARE(f.db.value(u"SELECT COUNT(*) FROM ChannelData"_qs).toInt(), 0);
    QCOMPARE(f.db.value(u"SELECT COUNT(*) FROM ProgrammeData"_qs).toInt(), 0);

    // Cancelling the Open dialog does nothing more.
    f.dialogs.answerOpenFile(std::nullopt);
    action(window, "importXMLTV")->trigger();
    QVERIFY(f.dialogs.allAnswered());
    QCOMPARE(f.dialogs.asked().size(), 3);
}

QTEST_MAIN(XmltvWindowTest)
#include "tst_xmltvwindow.moc"
