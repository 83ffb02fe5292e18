#include "app/EntryList.h"
#include "app/Module1.h"
#include "app/Navigator.h"
#include "channels/Channels.h"
#include "support/ScriptedDialogs.h"
#include "support/TestDatabase.h"

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace {

const QString templateForm = QStringLiteral("TemplateName, CategoryName, EPG No");

QWidgetList openWindows()
{
    QWidgetList open;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window->isVisible())
            open << window;
    }
    return open;
}

// The one main window on screen, which must be the one named.
QWidget *window(const QString &name)
{
    const QWidgetList open = openWindows();
    if (open.size() != 1 || open.constFirst()->objectName() != name)
        return nullptr;
    return open.constFirst();
}

template<typename T = QPushButton> T *control(QWidget *window, const QString &name)
{
    T *found = window ? window->findChild<T *>(name) : nullptr;
    if (!found)
        qFatal("no control %s", qPrintable(name));
    return found;
}

void click(QWidget *window, const QString &button)
{
    QTest::mouseClick(control(window, button), Qt::LeftButton);
}

void clickRow(QAbstractItemView *list, int row, bool twice = false)
{
    const QPoint at = list->visualRect(list->model()->index(row, 0)).center();
    if (twice)
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    else
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
}

QStringList texts(const QAbstractItemView *list)
{
    QStringList result;
    for (int row = 0; row < list->model()->rowCount(); ++row)
        result << list->model()->index(row, 0).data().toString();
    return result;
}

QStringList storedLines(TestDatabase &db, qint32 channelID)
{
    QStringList result;
    const auto rows = db.rows(
        QStringLiteral("SELECT templateData FROM TemplateData WHERE channelID = ? ORDER BY rowid"),
        {channelID});
    for (const QVariantList &row : rows)
        result << row.constFirst().toString();
    return result;
}

QList<QVariantList> channelRows(TestDatabase &db)
{
    return db.rows(QStringLiteral("SELECT * FROM ChannelData ORDER BY channelID"));
}

QList<QList<QVariantList>> wholeStore(TestDatabase &db)
{
    return {channelRows(db), db.rows(QStringLiteral("SELECT * FROM TemplateData ORDER BY rowid")),
            db.rows(QStringLiteral("SELECT * FROM ProgrammeData ORDER BY programmeID"))};
}

// The store refuses the template line "refused", so a save fails half-way.
void refuseTemplateLine(TestDatabase &db)
{
    db.exec(
        QStringLiteral("CREATE TRIGGER refuseLine BEFORE INSERT ON TemplateData WHEN "
                       "NEW.templateData = 'refused' BEGIN SELECT RAISE(ABORT, 'refused'); END"));
}

channels::Channel sampleChannel()
{
    return {QStringLiteral(" Harbour's TV "),
            QStringLiteral("007"),
            QStringLiteral(" 7"),
            QStringLiteral("http://example.org/logo.png "),
            QStringLiteral("http://example.org/data"),
            QStringLiteral("http://example.org/it's"),
            {QStringLiteral("Sport, Football, 12"), QStringLiteral("News, Local, 3")}};
}

// A database, the program-wide state, scripted dialogs and navigation; every
// window is gone again when the test ends.
struct Session
{
    TestDatabase db;
    Module1 state;
    ScriptedDialogs dialogs;
    Navigator navigator{state, dialogs, db.directory()};
    qint32 project = db.addProject(QStringLiteral("Coast"));

    Session()
    {
        state.connectionString = db.path();
        state.currentProjectID = project;
    }
    ~Session()
    {
        for (QWidget *open : openWindows())
            open->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QWidget *open(WindowKind kind, const QString &name)
    {
        const QWidgetList current = openWindows();
        navigator.moveTo(current.isEmpty() ? nullptr : current.constFirst(), kind);
        return window(name);
    }
    QWidget *channelWindow()
    {
        return open(WindowKind::ChannelSelection, QStringLiteral("channelSelection"));
    }
    QWidget *editor(qint32 channelID)
    {
        state.currentChannelID = channelID;
        return open(WindowKind::ChannelEditor, QStringLiteral("addeditChannel"));
    }
};

} // namespace

class ChannelsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void saveNew_landsInProjectUnderItsOwnIdentifier();
    void saveEdit_changesThatRowOnly();
    void saveLines_areExactlyTheListsEntries_data();
    void saveLines_areExactlyTheListsEntries();
    void saveRefused_leavesNothingHalfWritten();
    void deleteChannel_removesProgrammesAndRowKeepsTemplateLines();

    void channelList_showsNameAndNumber_selectionEnablesCommands();
    void addChannel_opensEmptyEditorWithoutReading();
    void modifyAndDoubleClick_actOnSelectedEntrysIdentifier();
    void deleteDeclined_keepsListAndSelection();
    void deleteConfirmed_removesChannelAndRefillsList();

    void editorFields_areNamedByTheirLabels();
    void templatePrompt_addsOnlyNonEmptyAnswers_data();
    void templatePrompt_addsOnlyNonEmptyAnswers();
    void deleteTemplate_removesSelectedLineOnly();
    void saveAndCancel_returnToFreshList();
    void saveFailure_keepsEditorOpenWithItsContents();
    void newProject_getsChannelsThroughTheWindowsAlone();
};

void ChannelsTest::initTestCase()
{
    // Between closing one window and opening the next none is open; that is
    // not the end of the test run.
    QApplication::setQuitOnLastWindowClosed(false);
}

void ChannelsTest::saveNew_landsInProjectUnderItsOwnIdentifier()
{
    TestDatabase db;
    const qint32 project = db.addProject(QStringLiteral("Coast"));
    const qint32 other = db.addProject(QStringLiteral("Inland"));
    channels::Channel twin = sampleChannel();

    // Two channels with the same name and address, apostrophes in both.
    const qint32 first = channels::saveChannel(db.path(), 0, other, twin).value();
    twin.templateLines = {QStringLiteral("second")};
    const auto second = channels::saveChannel(db.path(), 0, project, twin);
    QVERIFY(second);
    QVERIFY(second.value() != first);
    QCOMPARE(db.rows(QStringLiteral("SELECT projectID, channelName, channelNumber, "
                                    "updateFrequency, logoURL, dataURL, channelURL FROM "
                                    "ChannelData WHERE channelID = ?"),
                     {second.value()}),
             (QList<QVariantList>{{project, twin.name, twin.number, twin.updateFrequency,
                                   twin.logoURL, twin.dataURL, twin.channelURL}}));
    QCOMPARE(storedLines(db, first), sampleChannel().templateLines);
    QCOMPARE(storedLines(db, second.value()), twin.templateLines);

    // Empty boxes store empty text, not NULL.
    const qint32 blank = channels::saveChannel(db.path(), 0, project, {}).value();
    QCOMPARE(db.value(QStringLiteral("SELECT count(*) FROM ChannelData WHERE channelID = ? AND "
                                     "channelName || channelNumber || updateFrequency || logoURL "
                                     "|| dataURL || channelURL = ''"),
                      {blank})
                 .toInt(),
             1);
}

void ChannelsTest::saveEdit_changesThatRowOnly()
{
    TestDatabase db;
    const qint32 project = db.addProject(QStringLiteral("Coast"));
    db.addChannel(project, QStringLiteral("Before"), QStringLiteral("1"));
    const qint32 edited = db.addChannel(project, QStringLiteral("Harbour"), QStringLiteral("2"));
    const qint32 gone = db.addChannel(project, QStringLiteral("After"), QStringLiteral("3"));
    auto expected = channelRows(db);
    const channels::Channel channel = sampleChannel();
    expected[1] = {edited,
                   project,
                   channel.name,
                   channel.number,
                   channel.channelURL,
                   channel.logoURL,
                   channel.dataURL,
                   channel.updateFrequency};

    QCOMPARE(channels::saveChannel(db.path(), edited, project, channel).value(), edited);
    QCOMPARE(channelRows(db), expected);

    // A channel deleted meanwhile is not brought back and gets no lines.
    db.exec(QStringLiteral("DELETE FROM ChannelData WHERE channelID = ?"), {gone});
    QVERIFY(!channels::saveChannel(db.path(), gone, project, channel));
    QCOMPARE(channelRows(db).size(), 2);
    QVERIFY(storedLines(db, gone).isEmpty());
}

void ChannelsTest::saveLines_areExactlyTheListsEntries_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("list");
    const QString a = QStringLiteral("Sport, Football, 12");
    const QString b = QStringLiteral(" News , Local,  ");
    QTest::newRow("replaced and reordered") << QStringList{a, b} << QStringList{b, a, b + a};
    QTest::newRow("empty list removes all") << QStringList{a, b} << QStringList();
    QTest::newRow("same line twice") << QStringList() << QStringList{a, a};
}

void ChannelsTest::saveLines_areExactlyTheListsEntries()
{
    QFETCH(QStringList, before);
    QFETCH(QStringList, list);
    TestDatabase db;
    const qint32 project = db.addProject(QStringLiteral("Coast"));
    const qint32 neighbour = db.addChannel(project, QStringLiteral("Neighbour"));
    const qint32 channelID = db.addChannel(project, QStringLiteral("Harbour"));
    db.addTemplate(neighbour, QStringLiteral("Kids, Cartoons, 5"));
    for (const QString &line : before)
        db.addTemplate(channelID, line);

    channels::Channel channel;
    channel.templateLines = list;
    QVERIFY(channels::saveChannel(db.path(), channelID, project, channel));
    QCOMPARE(storedLines(db, channelID), list);
    QCOMPARE(storedLines(db, neighbour), QStringList{QStringLiteral("Kids, Cartoons, 5")});
    QCOMPARE(channels::loadChannel(db.path(), channelID).value().templateLines, list);
}

void ChannelsTest::saveRefused_leavesNothingHalfWritten()
{
    TestDatabase db;
    const qint32 project = db.addProject(QStringLiteral("Coast"));
    const qint32 existing = db.addChannel(project, QStringLiteral("Harbour"), QStringLiteral("1"));
    db.addTemplate(existing, QStringLiteral("kept"));
    refuseTemplateLine(db);
    const auto before = wholeStore(db);

    channels::Channel channel = sampleChannel();
    channel.templateLines = {QStringLiteral("fine"), QStringLiteral("refused")};
    const auto added = channels::saveChannel(db.path(), 0, project, channel);
    QVERIFY(!added);
    QCOMPARE(added.failure().action, QStringLiteral("Could not save the channel"));
    QCOMPARE(added.failure().databasePath, db.path());
    QVERIFY(!channels::saveChannel(db.path(), existing, project, channel));
    QCOMPARE(wholeStore(db), before);
}

void ChannelsTest::deleteChannel_removesProgrammesAndRowKeepsTemplateLines()
{
    TestDatabase db;
    const qint32 project = db.addProject(QStringLiteral("Coast"));
    const qint32 doomed = db.addChannel(project, QStringLiteral("Doomed"));
    const qint32 kept = db.addChannel(project, QStringLiteral("Kept"));
    db.addProgramme(doomed, QStringLiteral("Gone"));
    db.addProgramme(kept, QStringLiteral("Stays"));
    db.addTemplate(doomed, QStringLiteral("Orphan, Line, 1"));

    QVERIFY(channels::deleteChannel(db.path(), doomed));
    QCOMPARE(db.rows(QStringLiteral("SELECT channelID FROM ChannelData")),
             QList<QVariantList>{{kept}});
    QCOMPARE(db.rows(QStringLiteral("SELECT programmeName FROM ProgrammeData")),
             QList<QVariantList>{{QStringLiteral("Stays")}});
    QCOMPARE(storedLines(db, doomed), QStringList{QStringLiteral("Orphan, Line, 1")});
}

void ChannelsTest::channelList_showsNameAndNumber_selectionEnablesCommands()
{
    Session s;
    QVERIFY(texts(control<EntryList>(s.channelWindow(), QStringLiteral("chanList"))).isEmpty());

    s.db.addChannel(s.project, QStringLiteral("Harbour"), QStringLiteral("1"));
    s.db.addChannel(s.db.addProject(QStringLiteral("Inland")), QStringLiteral("Hills"));
    s.db.exec(QStringLiteral("INSERT INTO ChannelData (projectID, channelNumber) VALUES (?, '4')"),
              {s.project});
    s.db.addChannel(s.project, QStringLiteral("Alpha"));
    QWidget *w = s.channelWindow();
    QCOMPARE(w->windowTitle(), QStringLiteral("Quorvel - Channel Selection"));
    auto *list = control<EntryList>(w, QStringLiteral("chanList"));
    QCOMPARE(texts(list), (QStringList{QStringLiteral("Harbour (1)"), QStringLiteral(" (4)"),
                                       QStringLiteral("Alpha ()")}));
    const QStringList commands = {QStringLiteral("deleteChannel"), QStringLiteral("renameChannel"),
                                  QStringLiteral("editChannel")};
    for (const QString &name : commands)
        QVERIFY2(!control(w, name)->isEnabled(), qPrintable(name));
    clickRow(list, 2);
    for (const QString &name : commands)
        QVERIFY2(control(w, name)->isEnabled(), qPrintable(name));
}

void ChannelsTest::addChannel_opensEmptyEditorWithoutReading()
{
    Session s;
    s.state.currentChannelID = s.db.addChannel(s.project, QStringLiteral("Harbour"));
    QWidget *w = s.channelWindow();
    // Any read would now fail and show a message the script does not expect.
    s.state.connectionString = s.db.directory() + QStringLiteral("/missing.db");
    click(w, QStringLiteral("addChannel"));

    QCOMPARE(s.state.currentChannelID, std::optional<qint32>(0));
    QWidget *editor = window(QStringLiteral("addeditChannel"));
    QVERIFY(editor);
    for (const QLineEdit *box : editor->findChildren<QLineEdit *>())
        QVERIFY2(box->text().isEmpty(), qPrintable(box->objectName()));
    QCOMPARE(control<QListWidget>(editor, QStringLiteral("tempList"))->count(), 0);
    QVERIFY(!control(editor, QStringLiteral("delTemplate"))->isEnabled());
    QVERIFY(s.dialogs.asked().isEmpty());
}

void ChannelsTest::modifyAndDoubleClick_actOnSelectedEntrysIdentifier()
{
    Session s;
    s.db.addChannel(s.project, QStringLiteral("Twin"), QStringLiteral("1"));
    const channels::Channel stored = sampleChannel();
    const qint32 second = channels::saveChannel(s.db.path(), 0, s.project, stored).value();
    s.db.exec(QStringLiteral("UPDATE ChannelData SET channelName = 'Twin', channelNumber = '1'"));

    QWidget *w = s.channelWindow();
    clickRow(control<EntryList>(w, QStringLiteral("chanList")), 1);
    click(w, QStringLiteral("renameChannel"));
    QCOMPARE(s.state.currentChannelID, std::optional<qint32>(second));
    QWidget *editor = window(QStringLiteral("addeditChannel"));
    QVERIFY(editor);
    const auto text = [&](const char *name) {
        return control<QLineEdit>(editor, QString::fromLatin1(name))->text();
    };
    QCOMPARE((QStringList{text("chanName"), text("chanNum"), text("chanUpdate"),
                          text("chanLogoURL"), text("chanDataURL"), text("chanURL")}),
             (QStringList{QStringLiteral("Twin"), QStringLiteral("1"), stored.updateFrequency,
                          stored.logoURL, stored.dataURL, stored.channelURL}));
    QCOMPARE(texts(control<QListWidget>(editor, QStringLiteral("tempList"))), stored.templateLines);

    s.state.currentChannelID = 0;
    clickRow(control<EntryList>(s.channelWindow(), QStringLiteral("chanList")), 1, true);
    QCOMPARE(s.state.currentChannelID, std::optional<qint32>(second));
    QVERIFY(window(QStringLiteral("programmeSelection")));
}

void ChannelsTest::deleteDeclined_keepsListAndSelection()
{
    Session s;
    const qint32 channelID =
        s.db.addChannel(s.project, QStringLiteral("Harbour"), QStringLiteral("1"));
    s.db.addProgramme(channelID, QStringLiteral("News"));
    const auto before = wholeStore(s.db);
    QWidget *w = s.channelWindow();
    auto *list = control<EntryList>(w, QStringLiteral("chanList"));
    clickRow(list, 0);
    s.dialogs.answerConfirm(false);
    click(w, QStringLiteral("deleteChannel"));

    const auto &asked = s.dialogs.asked().constFirst();
    QCOMPARE(asked.text, QStringLiteral("Are you sure you want to delete Harbour (1)? This will "
                                        "delete all programme data for this channel and cannot "
                                        "be undone"));
    QCOMPARE(asked.title, QStringLiteral("Quorvel - Delete Channel"));
    QCOMPARE(asked.icon, Dialogs::Icon::Question);
    QCOMPARE(wholeStore(s.db), before);
    QCOMPARE(list->selectedEntry()->id, channelID);
    QVERIFY(control(w, QStringLiteral("deleteChannel"))->isEnabled());
}

void ChannelsTest::deleteConfirmed_removesChannelAndRefillsList()
{
    Session s;
    s.db.addChannel(s.project, QStringLiteral("Harbour"), QStringLiteral("1"));
    const qint32 doomed = s.db.addChannel(s.project, QStringLiteral("Lighthouse"));
    s.db.addProgramme(doomed, QStringLiteral("News"));
    QWidget *w = s.channelWindow();
    auto *list = control<EntryList>(w, QStringLiteral("chanList"));
    clickRow(list, 1);
    s.dialogs.answerConfirm(true);
    click(w, QStringLiteral("deleteChannel"));

    QCOMPARE(texts(list), QStringList{QStringLiteral("Harbour (1)")});
    QVERIFY(!list->selectedEntry());
    QVERIFY(!control(w, QStringLiteral("deleteChannel"))->isEnabled());
    QCOMPARE(s.db.value(QStringLiteral("SELECT count(*) FROM ProgrammeData")).toInt(), 0);
}

void ChannelsTest::editorFields_areNamedByTheirLabels()
{
    Session s;
    QWidget *editor = s.editor(0);
    const QList<QPair<QString, QString>> fields = {
        {QStringLiteral("chanName"), QStringLiteral("Channel Name")},
        {QStringLiteral("chanNum"), QStringLiteral("Channel Number")},
        {QStringLiteral("chanUpdate"), QStringLiteral("Update Frequency")},
        {QStringLiteral("chanLogoURL"), QStringLiteral("Logo URL")},
        {QStringLiteral("chanDataURL"), QStringLiteral("Data URL")},
        {QStringLiteral("chanURL"), QStringLiteral("Channel URL")},
        {QStringLiteral("tempList"), QStringLiteral("Template")}};
    for (const auto &[field, label] : fields) {
        QAccessibleInterface *named =
            QAccessible::queryAccessibleInterface(control<QWidget>(editor, field));
        QCOMPARE(named->text(QAccessible::Name), label);
    }
}

void ChannelsTest::templatePrompt_addsOnlyNonEmptyAnswers_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QStringList>("expected");
    const QString kept = QStringLiteral("Kept, Line, 1");
    QTest::newRow("cancelled or emptied") << QString() << QStringList{kept};
    QTest::newRow("accepted as filled in") << templateForm << QStringList{kept, templateForm};
    QTest::newRow("unchecked, blanks kept")
        << QStringLiteral(" x ") << QStringList{kept, QStringLiteral(" x ")};
}

void ChannelsTest::templatePrompt_addsOnlyNonEmptyAnswers()
{
    QFETCH(QString, answer);
    QFETCH(QStringList, expected);
    Session s;
    const qint32 channelID = s.db.addChannel(s.project, QStringLiteral("Harbour"));
    s.db.addTemplate(channelID, QStringLiteral("Kept, Line, 1"));
    QWidget *editor = s.editor(channelID);
    s.dialogs.answerPrompt(answer);
    click(editor, QStringLiteral("addTemplate"));

    const auto &asked = s.dialogs.asked().constFirst();
    QCOMPARE(asked.text,
             QStringLiteral("Please specify the Template you would like to add this "
                            "channel to. Format is: TemplateName, CategoryName, EPG No"));
    QCOMPARE(asked.title, QStringLiteral("Quorvel Template Add"));
    QCOMPARE(asked.defaultAnswer, templateForm);
    QCOMPARE(texts(control<QListWidget>(editor, QStringLiteral("tempList"))), expected);
}

void ChannelsTest::deleteTemplate_removesSelectedLineOnly()
{
    Session s;
    const qint32 channelID = s.db.addChannel(s.project, QStringLiteral("Harbour"));
    for (const QString &line :
         {QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")})
        s.db.addTemplate(channelID, line);
    QWidget *editor = s.editor(channelID);
    auto *list = control<QListWidget>(editor, QStringLiteral("tempList"));
    clickRow(list, 1);
    click(editor, QStringLiteral("delTemplate"));
    QCOMPARE(texts(list), (QStringList{QStringLiteral("one"), QStringLiteral("three")}));
    QVERIFY(list->selectedItems().isEmpty());

    // Still enabled; with nothing selected it removes nothing.
    click(editor, QStringLiteral("delTemplate"));
    QCOMPARE(texts(list), (QStringList{QStringLiteral("one"), QStringLiteral("three")}));
}

void ChannelsTest::saveAndCancel_returnToFreshList()
{
    Session s;
    const qint32 channelID =
        s.db.addChannel(s.project, QStringLiteral("Harbour"), QStringLiteral("1"));
    s.db.addTemplate(channelID, QStringLiteral("Old, Line, 1"));
    const auto before = wholeStore(s.db);

    // Cancel drops typed text and template changes.
    QWidget *editor = s.editor(channelID);
    QTest::keyClicks(control<QLineEdit>(editor, QStringLiteral("chanName")), QStringLiteral("X"));
    clickRow(control<QListWidget>(editor, QStringLiteral("tempList")), 0);
    click(editor, QStringLiteral("delTemplate"));
    click(editor, QStringLiteral("Command4"));
    QCOMPARE(wholeStore(s.db), before);
    QVERIFY(
        !control<EntryList>(window(QStringLiteral("channelSelection")), QStringLiteral("chanList"))
             ->selectedEntry());

    editor = s.editor(channelID);
    QTest::keyClicks(control<QLineEdit>(editor, QStringLiteral("chanNum")), QStringLiteral("2 "));
    s.dialogs.answerPrompt(QStringLiteral("New, Line, 2"));
    click(editor, QStringLiteral("addTemplate"));
    click(editor, QStringLiteral("Command3"));
    QCOMPARE(s.state.currentChannelID, std::optional<qint32>(channelID));
    QCOMPARE(storedLines(s.db, channelID),
             (QStringList{QStringLiteral("Old, Line, 1"), QStringLiteral("New, Line, 2")}));
    QWidget *w = window(QStringLiteral("channelSelection"));
    auto *list = control<EntryList>(w, QStringLiteral("chanList"));
    QCOMPARE(texts(list), QStringList{QStringLiteral("Harbour (12 )")});
    QVERIFY(!list->selectedEntry());
    QVERIFY(!control(w, QStringLiteral("renameChannel"))->isEnabled());
}

void ChannelsTest::saveFailure_keepsEditorOpenWithItsContents()
{
    Session s;
    refuseTemplateLine(s.db);
    QWidget *editor = s.editor(0);
    QTest::keyClicks(control<QLineEdit>(editor, QStringLiteral("chanName")),
                     QStringLiteral("Harbour"));
    for (const QString &line : {QStringLiteral("fine"), QStringLiteral("refused")}) {
        s.dialogs.answerPrompt(line);
        click(editor, QStringLiteral("addTemplate"));
    }
    s.dialogs.expectError();
    click(editor, QStringLiteral("Command3"));

    QVERIFY(s.dialogs.allAnswered());
    QCOMPARE(channelRows(s.db).size(), 0);
    QVERIFY(window(QStringLiteral("addeditChannel")));
    QCOMPARE(control<QLineEdit>(editor, QStringLiteral("chanName"))->text(),
             QStringLiteral("Harbour"));
    QCOMPARE(texts(control<QListWidget>(editor, QStringLiteral("tempList"))),
             (QStringList{QStringLiteral("fine"), QStringLiteral("refused")}));

    // A channel that cannot be read is not offered for saving over.
    s.dialogs.expectError();
    editor = s.editor(99);
    QVERIFY(s.dialogs.allAnswered());
    QVERIFY(!control(editor, QStringLiteral("Command3"))->isEnabled());
}

void ChannelsTest::newProject_getsChannelsThroughTheWindowsAlone()
{
    Session s;
    s.state = Module1();
    QWidget *w = s.open(WindowKind::ProjectSelection, QStringLiteral("projectSelection"));
    s.dialogs.answerPrompt(QStringLiteral("Seaside"));
    click(w, QStringLiteral("newProj"));
    clickRow(control<EntryList>(w, QStringLiteral("projList")), 1);
    click(w, QStringLiteral("loadProj"));
    click(window(QStringLiteral("channelSelection")), QStringLiteral("addChannel"));

    QWidget *editor = window(QStringLiteral("addeditChannel"));
    QTest::keyClicks(control<QLineEdit>(editor, QStringLiteral("chanName")),
                     QStringLiteral("Harbour"));
    QTest::keyClicks(control<QLineEdit>(editor, QStringLiteral("chanNum")), QStringLiteral("12"));
    for (const QString &line : {QStringLiteral("Sport, Football, 12"), templateForm}) {
        s.dialogs.answerPrompt(line);
        click(editor, QStringLiteral("addTemplate"));
    }
    click(editor, QStringLiteral("Command3"));

    const qint32 project =
        s.db.value(QStringLiteral("SELECT max(projectID) FROM ProjectData")).toInt();
    QCOMPARE(s.state.currentProjectID, std::optional<qint32>(project));
    const qint32 channelID = s.state.currentChannelID.value_or(0);
    QCOMPARE(s.db.value(QStringLiteral("SELECT projectID FROM ChannelData WHERE channelID = ?"),
                        {channelID})
                 .toInt(),
             project);
    QCOMPARE(storedLines(s.db, channelID),
             (QStringList{QStringLiteral("Sport, Football, 12"), templateForm}));
    QCOMPARE(texts(control<EntryList>(window(QStringLiteral("channelSelection")),
                                      QStringLiteral("chanList"))),
             QStringList{QStringLiteral("Harbour (12)")});
}

QTEST_MAIN(ChannelsTest)
#include "channels_test.moc"
