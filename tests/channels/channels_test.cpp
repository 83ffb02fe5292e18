#include "app/EntryList.h"
#include "app/Module1.h"
#include "app/Navigator.h"
#include "channels/Channels.h"
#include "support/ScriptedDialogs.h"
#include "support/TestDatabase.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace {

const QString templatePrompt =
    QStringLiteral("Please specify the Template you would like to add this channel to. Format is: "
                   "TemplateName, CategoryName, EPG No");
const QString templateForm = QStringLiteral("TemplateName, CategoryName, EPG No");

// The visible main window with this name, or nothing.
QWidget *openWindow(const QString &name)
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window->isVisible() && window->objectName() == name)
            return window;
    }
    return nullptr;
}

QStringList openWindowNames()
{
    QStringList names;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window->isVisible())
            names << window->objectName();
    }
    return names;
}

template<typename T> T *control(QWidget *window, const QString &name)
{
    T *found = window ? window->findChild<T *>(name) : nullptr;
    if (!found)
        qFatal("no control %s", qPrintable(name));
    return found;
}

void click(QWidget *window, const QString &buttonName)
{
    QTest::mouseClick(control<QPushButton>(window, buttonName), Qt::LeftButton);
}

void clickEntry(EntryList *list, int row)
{
    const QRect rect = list->visualRect(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

void clickLine(QListWidget *list, int row)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
}

QStringList texts(const EntryList *list)
{
    QStringList result;
    for (const ListEntry &entry : list->entries())
        result << entry.text;
    return result;
}

QStringList lines(const QListWidget *list)
{
    QStringList result;
    for (int i = 0; i < list->count(); ++i)
        result << list->item(i)->text();
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

// Every stored row of a table, for checking that a command changed nothing.
QList<QVariantList> everything(TestDatabase &db, const QString &table)
{
    return db.rows(QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(table));
}

QList<QList<QVariantList>> wholeStore(TestDatabase &db)
{
    return {everything(db, QStringLiteral("ChannelData")),
            everything(db, QStringLiteral("TemplateData")),
            everything(db, QStringLiteral("ProgrammeData"))};
}

// Makes the store refuse to add the template line "refused", so a save can
// fail half-way through.
void refuseTemplateLine(TestDatabase &db)
{
    db.exec(QStringLiteral("CREATE TRIGGER refuseLine BEFORE INSERT ON TemplateData "
                           "WHEN NEW.templateData = 'refused' "
                           "BEGIN SELECT RAISE(ABORT, 'line refused'); END"));
}

channels::Channel sampleChannel()
{
    channels::Channel channel;
    channel.name = QStringLiteral("  Harbour TV ");
    channel.number = QStringLiteral("007");
    channel.updateFrequency = QStringLiteral(" 7");
    channel.logoURL = QStringLiteral("http://example.org/logo.png ");
    channel.dataURL = QStringLiteral("http://example.org/data");
    channel.channelURL = QStringLiteral("http://example.org/");
    channel.templateLines = {QStringLiteral("Sport, Football, 12"),
                             QStringLiteral("News, Local, 3")};
    return channel;
}

// A database, the program-wide state, scripted dialogs and navigation, with
// every window closed again when the test ends.
struct Session
{
    TestDatabase db;
    Module1 state;
    ScriptedDialogs dialogs;
    Navigator navigator{state, dialogs, db.directory()};

    Session() { state.connectionString = db.path(); }
    ~Session()
    {
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (QWidget *window : windows)
            window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // The one main window on screen, which a move closes as the program would.
    static QWidget *currentWindow()
    {
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (QWidget *window : windows) {
            if (window->isVisible())
                return window;
        }
        return nullptr;
    }

    QWidget *openChannels(qint32 projectID)
    {
        state.currentProjectID = projectID;
        navigator.moveTo(currentWindow(), WindowKind::ChannelSelection);
        return openWindow(QStringLiteral("channelSelection"));
    }

    QWidget *openEditor(qint32 channelID)
    {
        state.currentChannelID = channelID;
        navigator.moveTo(currentWindow(), WindowKind::ChannelEditor);
        return openWindow(QStringLiteral("addeditChannel"));
    }
};

} // namespace

class ChannelsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    // Store work
    void listChannels_showsNameAndNumberInAddedOrder();
    void saveNew_landsInProjectExactlyAsTyped();
    void saveEdit_changesThatRowOnly();
    void saveTemplateLines_areExactlyTheListsEntries_data();
    void saveTemplateLines_areExactlyTheListsEntries();
    void saveSameNameAndAddress_keepsEachChannelsOwnIdentifier();
    void saveRefused_leavesNothingHalfWritten();
    void loadChannel_readsSixFieldsAndLinesInOrder();
    void deleteChannel_removesProgrammesAndRowKeepsTemplateLines();

    // Channel window
    void channelWindow_selectionEnablesChannelCommands();
    void emptyProject_doubleClickDoesNothing();
    void addChannel_opensEmptyEditorWithoutReading();
    void modifyAndProgrammeData_actOnSelectedEntrysIdentifier();
    void deleteDeclined_keepsListAndSelection();
    void deleteConfirmed_removesChannelAndRefillsList();
    void closeProject_returnsToProjectsKeepingProject();

    // Channel editor
    void editor_loadsChannelForEditing();
    void editorFields_areNamedByTheirLabels_data();
    void editorFields_areNamedByTheirLabels();
    void tabOrder_followsTheForms();
    void templatePrompt_addsOnlyNonEmptyAnswers_data();
    void templatePrompt_addsOnlyNonEmptyAnswers();
    void deleteTemplate_removesSelectedLineOnly();
    void save_storesChannelAndReturnsToFreshList();
    void cancel_writesNothingAndReturnsToFreshList();
    void saveFailure_keepsEditorOpenWithItsContents();
    void newProject_getsChannelsThroughTheWindowsAlone();
};

void ChannelsTest::initTestCase()
{
    // Navigation closes a window before it opens the next; the test runner
    // must not take that moment for the end of the program.
    QApplication::setQuitOnLastWindowClosed(false);
}

void ChannelsTest::listChannels_showsNameAndNumberInAddedOrder()
{
    TestDatabase db;
    QVERIFY(db.isValid());
    const qint32 project = db.addProject(QStringLiteral("Coast"));
    const qint32 other = db.addProject(QStringLiteral("Inland"));
    const qint32 first = db.addChannel(project, QStringLiteral("Zeta"), QStringLiteral("9"));
    db.addChannel(other, QStringLiteral("Elsewhere"), QStringLiteral("1"));
    const qint32 noName = db.exec(
        QStringLiteral("INSERT INTO ChannelData (projectID, channelNumber) VALUES (?, '4')"),
        {project});
    const qint32 noNumber = db.addChannel(project, QStringLiteral("Alpha"));
    const qint32 twin = db.addChannel(project, QStringLiteral("Zeta"), QStringLiteral("9"));

    const auto listed = channels::listChannels(db.path(), project);
    QVERIFY(listed);
    QStringList shown;
    QList<qint32> ids;
    for (const ListEntry &entry : listed.value()) {
        shown << entry.text;
        ids << entry.id;
    }
    QCOMPARE(shown, (QStringList{QStringLiteral("Zeta (9)"), QStringLiteral(" (4)"),
                                 QStringLiteral("Alpha ()"), QStringLiteral("Zeta (9)")}));
    QCOMPARE(ids, (QList<qint32>{first, noName, noNumber, twin}));

    QVERIFY(channels::listChannels(db.path(), db.addProject(QStringLiteral("Empty")))
                .value()
                .isEmpty());
}

void ChannelsTest::saveNew_landsInProjectExactlyAsTyped()
{
    TestDatabase db;
    const qint32 project = db.addProject(QStringLiteral("Coast"));
    db.addProject(QStringLiteral("Inland"));
    const channels::Channel channel = sampleChannel();

    const auto saved = channels::saveChannel(db.path(), 0, project, channel);
    QVERIFY(saved);
    const auto rows = db.rows(QStringLiteral("SELECT channelID, projectID, channelName, "
                                             "channelNumber, updateFrequency, logoURL, dataURL, "
                                             "channelURL FROM ChannelData"));
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0], (QVariantList{saved.value(), project, channel.name, channel.number,
                                    channel.updateFrequency, channel.logoURL, channel.dataURL,
                                    channel.channelURL}));
    QCOMPARE(storedLines(db, saved.value()), channel.templateLines);

    // Empty boxes store empty text, not NULL.
    const auto blank = channels::saveChannel(db.path(), 0, project, channels::Channel());
    QVERIFY(blank);
    QCOMPARE(db.value(QStringLiteral("SELECT count(*) FROM ChannelData WHERE channelID = ? AND "
                                     "channelName = '' AND channelNumber = '' AND "
                                     "updateFrequency = '' AND logoURL = '' AND dataURL = '' AND "
                                     "channelURL = ''"),
                      {blank.value()})
                 .toInt(),
             1);
}

void ChannelsTest::saveEdit_changesThatRowOnly()
{
    TestDatabase db;
    const qint32 project = db.addProject(QStringLiteral("Coast"));
    const qint32 before = db.addChannel(project, QStringLiteral("Before"), QStringLiteral("1"));
    const qint32 edited = db.addChannel(project, QStringLiteral("Edited"), QStringLiteral("2"));
    const qint32 after = db.addChannel(project, QStringLiteral("After"), QStringLiteral("3"));
    const auto untouched =
        db.rows(QStringLiteral("SELECT * FROM ChannelData WHERE channelID <> ? ORDER BY channelID"),
                {edited});

    const channels::Channel channel = sampleChannel();
    const auto saved = channels::saveChannel(db.path(), edited, project, channel);
    QVERIFY(saved);
    QCOMPARE(saved.value(), edited);
    QCOMPARE(db.value(QStringLiteral("SELECT count(*) FROM ChannelData")).toInt(), 3);
    QCOMPARE(db.rows(QStringLiteral("SELECT projectID, channelName, channelNumber, "
                                    "updateFrequency, logoURL, dataURL, channelURL FROM "
                                    "ChannelData WHERE channelID = ?"),
                     {edited})
                 .constFirst(),
             (QVariantList{project, channel.name, channel.number, channel.updateFrequency,
                           channel.logoURL, channel.dataURL, channel.channelURL}));
    QCOMPARE(db.rows(QStringLiteral("SELECT * FROM ChannelData WHERE channelID <> ? ORDER BY "
                                    "channelID"),
                     {edited}),
             untouched);
    Q_UNUSED(before);
    Q_UNUSED(after);

    // A channel that is gone is not brought back, and gets no lines.
    db.exec(QStringLiteral("DELETE FROM ChannelData WHERE channelID = ?"), {after});
    QVERIFY(!channels::saveChannel(db.path(), after, project, channel));
    QCOMPARE(db.value(QStringLiteral("SELECT count(*) FROM ChannelData")).toInt(), 2);
    QVERIFY(storedLines(db, after).isEmpty());
}

void ChannelsTest::saveTemplateLines_areExactlyTheListsEntries_data()
{
    QTest::addColumn<QStringList>("storedBefore");
    QTest::addColumn<QStringList>("list");

    const QString a = QStringLiteral("Sport, Football, 12");
    const QString b = QStringLiteral("News, Local, 3");
    const QString c = QStringLiteral(" Films , Classic,  ");
    QTest::newRow("new lines") << QStringList() << QStringList{a, b};
    QTest::newRow("replaced and reordered") << QStringList{a, b} << QStringList{c, b, a};
    QTest::newRow("empty list removes all") << QStringList{a, b} << QStringList();
    QTest::newRow("same line twice") << QStringList{a} << QStringList{a, a, b};
}

void ChannelsTest::saveTemplateLines_areExactlyTheListsEntries()
{
    QFETCH(QStringList, storedBefore);
    QFETCH(QStringList, list);

    TestDatabase db;
    const qint32 project = db.addProject(QStringLiteral("Coast"));
    const qint32 neighbour = db.addChannel(project, QStringLiteral("Neighbour"));
    const qint32 channelID = db.addChannel(project, QStringLiteral("Harbour"));
    db.addTemplate(neighbour, QStringLiteral("Kids, Cartoons, 5"));
    for (const QString &line : storedBefore)
        db.addTemplate(channelID, line);
    db.addTemplate(neighbour, QStringLiteral("Kids, Drama, 6"));

    channels::Channel channel;
    channel.name = QStringLiteral("Harbour");
    channel.templateLines = list;
    QVERIFY(channels::saveChannel(db.path(), channelID, project, channel));
    QCOMPARE(storedLines(db, channelID), list);
    QCOMPARE(storedLines(db, neighbour),
             (QStringList{QStringLiteral("Kids, Cartoons, 5"), QStringLiteral("Kids, Drama, 6")}));
}

void ChannelsTest::saveSameNameAndAddress_keepsEachChannelsOwnIdentifier()
{
    TestDatabase db;
    const qint32 project = db.addProject(QStringLiteral("Coast"));
    const qint32 otherProject = db.addProject(QStringLiteral("Inland"));

    channels::Channel twin;
    twin.name = QStringLiteral("Harbour's Own");
    twin.channelURL = QStringLiteral("http://example.org/it's");
    twin.templateLines = {QStringLiteral("first")};
    const auto first = channels::saveChannel(db.path(), 0, otherProject, twin);
    twin.templateLines = {QStringLiteral("second")};
    const auto second = channels::saveChannel(db.path(), 0, project, twin);
    QVERIFY(first);
    QVERIFY(second);
    QVERIFY(first.value() != second.value());
    QCOMPARE(db.value(QStringLiteral("SELECT projectID FROM ChannelData WHERE channelID = ?"),
                      {second.value()})
                 .toInt(),
             project);
    QCOMPARE(storedLines(db, first.value()), QStringList{QStringLiteral("first")});
    QCOMPARE(storedLines(db, second.value()), QStringList{QStringLiteral("second")});

    // Editing the second twin writes its lines under its own identifier.
    twin.templateLines = {QStringLiteral("edited")};
    const auto edited = channels::saveChannel(db.path(), second.value(), project, twin);
    QVERIFY(edited);
    QCOMPARE(edited.value(), second.value());
    QCOMPARE(storedLines(db, first.value()), QStringList{QStringLiteral("first")});
    QCOMPARE(storedLines(db, second.value()), QStringList{QStringLiteral("edited")});
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
    QVERIFY(added.failure().text().contains(QStringLiteral("Could not save the channel")));
    QVERIFY(added.failure().text().contains(QStringLiteral("line refused")));
    QCOMPARE(added.failure().databasePath, db.path());
    QVERIFY(!channels::saveChannel(db.path(), existing, project, channel));
    QCOMPARE(wholeStore(db), before);

    const TestDatabase missing;
    const QString gone = missing.directory() + QStringLiteral("/nowhere/quorvel.db");
    QVERIFY(!channels::saveChannel(gone, 0, project, channel));
    QVERIFY(!channels::listChannels(gone, project));
    QVERIFY(!channels::loadChannel(gone, existing));
    QVERIFY(!channels::deleteChannel(gone, existing));
}

void ChannelsTest::loadChannel_readsSixFieldsAndLinesInOrder()
{
    TestDatabase db;
    const qint32 project = db.addProject(QStringLiteral("Coast"));
    const channels::Channel stored = sampleChannel();
    const qint32 id = channels::saveChannel(db.path(), 0, project, stored).value();
    db.addTemplate(db.addChannel(project, QStringLiteral("Other")), QStringLiteral("not mine"));
    db.addTemplate(id, QStringLiteral("Late, Added, 1"));

    const auto loaded = channels::loadChannel(db.path(), id);
    QVERIFY(loaded);
    const channels::Channel &channel = loaded.value();
    QCOMPARE(channel.name, stored.name);
    QCOMPARE(channel.number, stored.number);
    QCOMPARE(channel.updateFrequency, stored.updateFrequency);
    QCOMPARE(channel.logoURL, stored.logoURL);
    QCOMPARE(channel.dataURL, stored.dataURL);
    QCOMPARE(channel.channelURL, stored.channelURL);
    QCOMPARE(channel.templateLines,
             stored.templateLines + QStringList{QStringLiteral("Late, Added, 1")});

    // Columns without a value read as empty text; a channel without lines has none.
    const qint32 bare =
        db.exec(QStringLiteral("INSERT INTO ChannelData (projectID) VALUES (?)"), {project});
    const auto empty = channels::loadChannel(db.path(), bare);
    QVERIFY(empty);
    QVERIFY(empty.value().name.isEmpty());
    QVERIFY(empty.value().channelURL.isEmpty());
    QVERIFY(empty.value().templateLines.isEmpty());

    QVERIFY(!channels::loadChannel(db.path(), bare + 100));
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
    QCOMPARE(
        db.value(QStringLiteral("SELECT count(*) FROM ChannelData WHERE channelID = ?"), {doomed})
            .toInt(),
        0);
    QCOMPARE(
        db.value(QStringLiteral("SELECT count(*) FROM ProgrammeData WHERE channelID = ?"), {doomed})
            .toInt(),
        0);
    QCOMPARE(storedLines(db, doomed), QStringList{QStringLiteral("Orphan, Line, 1")});
    QCOMPARE(db.value(QStringLiteral("SELECT programmeName FROM ProgrammeData")).toString(),
             QStringLiteral("Stays"));
    QCOMPARE(db.value(QStringLiteral("SELECT count(*) FROM ChannelData")).toInt(), 1);

    // The store refusing the channel row takes its programmes' removal back too.
    db.addProgramme(kept, QStringLiteral("Also stays"));
    db.exec(QStringLiteral("CREATE TRIGGER keepChannel BEFORE DELETE ON ChannelData "
                           "BEGIN SELECT RAISE(ABORT, 'channel kept'); END"));
    const auto before = wholeStore(db);
    QVERIFY(!channels::deleteChannel(db.path(), kept));
    QCOMPARE(wholeStore(db), before);
}

void ChannelsTest::channelWindow_selectionEnablesChannelCommands()
{
    Session s;
    const qint32 project = s.db.addProject(QStringLiteral("Coast"));
    s.db.addChannel(project, QStringLiteral("Harbour"), QStringLiteral("1"));
    s.db.addChannel(s.db.addProject(QStringLiteral("Inland")), QStringLiteral("Hills"));
    s.db.addChannel(project, QStringLiteral("Lighthouse"), QStringLiteral("2"));

    QWidget *window = s.openChannels(project);
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), QStringLiteral("Quorvel - Channel Selection"));
    QCOMPARE(control<QLabel>(window, QStringLiteral("label1"))->text(),
             QStringLiteral("Quorvel Channel Selection"));
    auto *list = control<EntryList>(window, QStringLiteral("chanList"));
    QCOMPARE(texts(list),
             (QStringList{QStringLiteral("Harbour (1)"), QStringLiteral("Lighthouse (2)")}));

    const QStringList selectionButtons = {QStringLiteral("deleteChannel"),
                                          QStringLiteral("renameChannel"),
                                          QStringLiteral("editChannel")};
    for (const QString &name : selectionButtons)
        QVERIFY2(!control<QPushButton>(window, name)->isEnabled(), qPrintable(name));
    QVERIFY(control<QPushButton>(window, QStringLiteral("addChannel"))->isEnabled());
    QVERIFY(control<QPushButton>(window, QStringLiteral("closeProject"))->isEnabled());

    clickEntry(list, 1);
    QCOMPARE(list->selectedEntry()->text, QStringLiteral("Lighthouse (2)"));
    for (const QString &name : selectionButtons)
        QVERIFY2(control<QPushButton>(window, name)->isEnabled(), qPrintable(name));
}

void ChannelsTest::emptyProject_doubleClickDoesNothing()
{
    Session s;
    s.state.currentChannelID = 7;
    QWidget *window = s.openChannels(s.db.addProject(QStringLiteral("Empty")));
    auto *list = control<EntryList>(window, QStringLiteral("chanList"));
    QCOMPARE(list->count(), 0);

    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(openWindowNames(), QStringList{QStringLiteral("channelSelection")});
    QCOMPARE(s.state.currentChannelID, std::optional<qint32>(7));
    QVERIFY(!control<QPushButton>(window, QStringLiteral("editChannel"))->isEnabled());
}

void ChannelsTest::addChannel_opensEmptyEditorWithoutReading()
{
    Session s;
    const qint32 project = s.db.addProject(QStringLiteral("Coast"));
    const qint32 channelID =
        s.db.addChannel(project, QStringLiteral("Harbour"), QStringLiteral("1"));
    s.state.currentChannelID = channelID;
    QWidget *channelsWindow = s.openChannels(project);
    // The editor must open without touching the store: any read would fail.
    s.state.connectionString = s.db.directory() + QStringLiteral("/missing.db");

    click(channelsWindow, QStringLiteral("addChannel"));
    QCOMPARE(s.state.currentChannelID, std::optional<qint32>(0));
    QCOMPARE(openWindowNames(), QStringList{QStringLiteral("addeditChannel")});
    QWidget *editor = openWindow(QStringLiteral("addeditChannel"));
    QCOMPARE(editor->windowTitle(), QStringLiteral("Quorvel Add/Edit Channel"));
    const QList<QLineEdit *> boxes = editor->findChildren<QLineEdit *>();
    QCOMPARE(boxes.size(), 6);
    for (const QLineEdit *box : boxes)
        QVERIFY2(box->text().isEmpty(), qPrintable(box->objectName()));
    QCOMPARE(control<QListWidget>(editor, QStringLiteral("tempList"))->count(), 0);
    QVERIFY(!control<QPushButton>(editor, QStringLiteral("delTemplate"))->isEnabled());
    QVERIFY(control<QPushButton>(editor, QStringLiteral("addTemplate"))->isEnabled());
    QVERIFY(control<QPushButton>(editor, QStringLiteral("Command3"))->isEnabled());
    QVERIFY(s.dialogs.asked().isEmpty());
}

void ChannelsTest::modifyAndProgrammeData_actOnSelectedEntrysIdentifier()
{
    Session s;
    const qint32 project = s.db.addProject(QStringLiteral("Coast"));
    s.db.addChannel(project, QStringLiteral("Twin"), QStringLiteral("1"));
    const qint32 second = s.db.addChannel(project, QStringLiteral("Twin"), QStringLiteral("1"));
    s.db.exec(QStringLiteral("UPDATE ChannelData SET channelURL = 'second' WHERE channelID = ?"),
              {second});

    QWidget *window = s.openChannels(project);
    clickEntry(control<EntryList>(window, QStringLiteral("chanList")), 1);
    click(window, QStringLiteral("renameChannel"));
    QCOMPARE(s.state.currentChannelID, std::optional<qint32>(second));
    QWidget *editor = openWindow(QStringLiteral("addeditChannel"));
    QVERIFY(editor);
    QCOMPARE(control<QLineEdit>(editor, QStringLiteral("chanURL"))->text(),
             QStringLiteral("second"));

    s.state.currentChannelID = 0;
    window = s.openChannels(project);
    clickEntry(control<EntryList>(window, QStringLiteral("chanList")), 1);
    click(window, QStringLiteral("editChannel"));
    QCOMPARE(s.state.currentChannelID, std::optional<qint32>(second));
    QVERIFY(openWindow(QStringLiteral("programmeSelection")));
    QVERIFY(!openWindow(QStringLiteral("channelSelection")));

    // A double-click on an entry does what Programme Data does.
    s.state.currentChannelID = 0;
    window = s.openChannels(project);
    auto *list = control<EntryList>(window, QStringLiteral("chanList"));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {},
                       list->visualRect(list->model()->index(1, 0)).center());
    QCOMPARE(s.state.currentChannelID, std::optional<qint32>(second));
    QVERIFY(!openWindow(QStringLiteral("channelSelection")));
}

void ChannelsTest::deleteDeclined_keepsListAndSelection()
{
    Session s;
    const qint32 project = s.db.addProject(QStringLiteral("Coast"));
    const qint32 channelID =
        s.db.addChannel(project, QStringLiteral("Harbour"), QStringLiteral("1"));
    s.db.addChannel(project, QStringLiteral("Lighthouse"), QStringLiteral("2"));
    s.db.addProgramme(channelID, QStringLiteral("News"));
    const auto before = wholeStore(s.db);

    QWidget *window = s.openChannels(project);
    auto *list = control<EntryList>(window, QStringLiteral("chanList"));
    clickEntry(list, 0);
    s.dialogs.answerConfirm(false);
    click(window, QStringLiteral("deleteChannel"));

    QVERIFY(s.dialogs.allAnswered());
    const auto &asked = s.dialogs.asked().constFirst();
    QCOMPARE(asked.text, QStringLiteral("Are you sure you want to delete Harbour (1)? This will "
                                        "delete all programme data for this channel and cannot "
                                        "be undone"));
    QCOMPARE(asked.title, QStringLiteral("Quorvel - Delete Channel"));
    QCOMPARE(asked.icon, Dialogs::Icon::Question);
    QCOMPARE(wholeStore(s.db), before);
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->selectedEntry()->id, channelID);
    QVERIFY(control<QPushButton>(window, QStringLiteral("deleteChannel"))->isEnabled());
    QVERIFY(control<QPushButton>(window, QStringLiteral("editChannel"))->isEnabled());
}

void ChannelsTest::deleteConfirmed_removesChannelAndRefillsList()
{
    Session s;
    const qint32 project = s.db.addProject(QStringLiteral("Coast"));
    s.db.addChannel(project, QStringLiteral("Harbour"), QStringLiteral("1"));
    const qint32 doomed =
        s.db.addChannel(project, QStringLiteral("Lighthouse"), QStringLiteral("2"));
    s.db.addProgramme(doomed, QStringLiteral("News"));
    s.db.addTemplate(doomed, QStringLiteral("News, Local, 2"));

    QWidget *window = s.openChannels(project);
    auto *list = control<EntryList>(window, QStringLiteral("chanList"));
    clickEntry(list, 1);
    s.dialogs.answerConfirm(true);
    click(window, QStringLiteral("deleteChannel"));

    QCOMPARE(texts(list), QStringList{QStringLiteral("Harbour (1)")});
    QVERIFY(!list->selectedEntry());
    QVERIFY(!control<QPushButton>(window, QStringLiteral("deleteChannel"))->isEnabled());
    QVERIFY(!control<QPushButton>(window, QStringLiteral("renameChannel"))->isEnabled());
    QCOMPARE(s.db.value(QStringLiteral("SELECT count(*) FROM ProgrammeData")).toInt(), 0);
    QCOMPARE(storedLines(s.db, doomed), QStringList{QStringLiteral("News, Local, 2")});

    // A refused delete says so and leaves the window as it was.
    s.db.exec(QStringLiteral("CREATE TRIGGER keepChannel BEFORE DELETE ON ChannelData "
                             "BEGIN SELECT RAISE(ABORT, 'channel kept'); END"));
    clickEntry(list, 0);
    s.dialogs.answerConfirm(true);
    s.dialogs.expectError();
    click(window, QStringLiteral("deleteChannel"));
    QVERIFY(s.dialogs.allAnswered());
    QVERIFY(s.dialogs.asked().constLast().text.contains(QStringLiteral("channel kept")));
    QCOMPARE(texts(list), QStringList{QStringLiteral("Harbour (1)")});
    QVERIFY(list->selectedEntry());
    QVERIFY(window->isVisible());
}

void ChannelsTest::closeProject_returnsToProjectsKeepingProject()
{
    Session s;
    const qint32 project = s.db.addProject(QStringLiteral("Coast"));
    QWidget *window = s.openChannels(project);
    click(window, QStringLiteral("closeProject"));
    QCOMPARE(openWindowNames(), QStringList{QStringLiteral("projectSelection")});
    QCOMPARE(s.state.currentProjectID, std::optional<qint32>(project));
}

void ChannelsTest::editor_loadsChannelForEditing()
{
    Session s;
    const qint32 project = s.db.addProject(QStringLiteral("Coast"));
    const channels::Channel stored = sampleChannel();
    const qint32 id = channels::saveChannel(s.db.path(), 0, project, stored).value();

    QWidget *editor = s.openEditor(id);
    QVERIFY(editor);
    QCOMPARE(control<QLineEdit>(editor, QStringLiteral("chanName"))->text(), stored.name);
    QCOMPARE(control<QLineEdit>(editor, QStringLiteral("chanNum"))->text(), stored.number);
    QCOMPARE(control<QLineEdit>(editor, QStringLiteral("chanUpdate"))->text(),
             stored.updateFrequency);
    QCOMPARE(control<QLineEdit>(editor, QStringLiteral("chanLogoURL"))->text(), stored.logoURL);
    QCOMPARE(control<QLineEdit>(editor, QStringLiteral("chanDataURL"))->text(), stored.dataURL);
    QCOMPARE(control<QLineEdit>(editor, QStringLiteral("chanURL"))->text(), stored.channelURL);
    QCOMPARE(lines(control<QListWidget>(editor, QStringLiteral("tempList"))), stored.templateLines);
    QVERIFY(!control<QPushButton>(editor, QStringLiteral("delTemplate"))->isEnabled());

    // A channel that cannot be read is not offered for saving over.
    s.dialogs.expectError();
    editor = s.openEditor(id + 1);
    QVERIFY(s.dialogs.allAnswered());
    QVERIFY(!control<QPushButton>(editor, QStringLiteral("Command3"))->isEnabled());
    QVERIFY(control<QPushButton>(editor, QStringLiteral("Command4"))->isEnabled());
}

void ChannelsTest::editorFields_areNamedByTheirLabels_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("label");
    QTest::newRow("chanName") << QStringLiteral("chanName") << QStringLiteral("Channel Name");
    QTest::newRow("chanNum") << QStringLiteral("chanNum") << QStringLiteral("Channel Number");
    QTest::newRow("chanUpdate") << QStringLiteral("chanUpdate")
                                << QStringLiteral("Update Frequency");
    QTest::newRow("chanLogoURL") << QStringLiteral("chanLogoURL") << QStringLiteral("Logo URL");
    QTest::newRow("chanDataURL") << QStringLiteral("chanDataURL") << QStringLiteral("Data URL");
    QTest::newRow("chanURL") << QStringLiteral("chanURL") << QStringLiteral("Channel URL");
    QTest::newRow("tempList") << QStringLiteral("tempList") << QStringLiteral("Template");
}

void ChannelsTest::editorFields_areNamedByTheirLabels()
{
    QFETCH(QString, field);
    QFETCH(QString, label);
    Session s;
    QWidget *editor = s.openEditor(0);
    QWidget *widget = control<QWidget>(editor, field);

    QLabel *buddyLabel = nullptr;
    const QList<QLabel *> labels = editor->findChildren<QLabel *>();
    for (QLabel *candidate : labels) {
        if (candidate->buddy() == widget)
            buddyLabel = candidate;
    }
    QVERIFY(buddyLabel);
    QCOMPARE(buddyLabel->text(), label);
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
    QVERIFY(accessible);
    QCOMPARE(accessible->text(QAccessible::Name), label);
}

void ChannelsTest::tabOrder_followsTheForms()
{
    Session s;
    const auto chain = [](QWidget *window, const QString &first) {
        QStringList names;
        QWidget *widget = control<QWidget>(window, first);
        do {
            if (widget->focusPolicy() & Qt::TabFocus)
                names << widget->objectName();
            widget = widget->nextInFocusChain();
        } while (widget->objectName() != first);
        return names;
    };
    QCOMPARE(
        chain(s.openChannels(s.db.addProject(QStringLiteral("Coast"))), QStringLiteral("chanList")),
        (QStringList{QStringLiteral("chanList"), QStringLiteral("addChannel"),
                     QStringLiteral("deleteChannel"), QStringLiteral("renameChannel"),
                     QStringLiteral("editChannel"), QStringLiteral("closeProject")}));
    QCOMPARE(chain(s.openEditor(0), QStringLiteral("chanName")),
             (QStringList{QStringLiteral("chanName"), QStringLiteral("chanNum"),
                          QStringLiteral("chanUpdate"), QStringLiteral("chanLogoURL"),
                          QStringLiteral("chanDataURL"), QStringLiteral("chanURL"),
                          QStringLiteral("tempList"), QStringLiteral("addTemplate"),
                          QStringLiteral("delTemplate"), QStringLiteral("Command3"),
                          QStringLiteral("Command4")}));
}

void ChannelsTest::templatePrompt_addsOnlyNonEmptyAnswers_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QStringList>("expected");
    const QString kept = QStringLiteral("Kept, Line, 1");
    QTest::newRow("cancelled or emptied") << QString() << QStringList{kept};
    QTest::newRow("accepted as filled in") << templateForm << QStringList{kept, templateForm};
    QTest::newRow("blanks kept, no check")
        << QStringLiteral("  just words ") << QStringList{kept, QStringLiteral("  just words ")};
    QTest::newRow("same line again") << kept << QStringList{kept, kept};
}

void ChannelsTest::templatePrompt_addsOnlyNonEmptyAnswers()
{
    QFETCH(QString, answer);
    QFETCH(QStringList, expected);
    Session s;
    const qint32 project = s.db.addProject(QStringLiteral("Coast"));
    const qint32 channelID = s.db.addChannel(project, QStringLiteral("Harbour"));
    s.db.addTemplate(channelID, QStringLiteral("Kept, Line, 1"));
    QWidget *editor = s.openEditor(channelID);

    s.dialogs.answerPrompt(answer);
    click(editor, QStringLiteral("addTemplate"));
    QVERIFY(s.dialogs.allAnswered());
    const auto &asked = s.dialogs.asked().constFirst();
    QCOMPARE(asked.text, templatePrompt);
    QCOMPARE(asked.title, QStringLiteral("Quorvel Template Add"));
    QCOMPARE(asked.defaultAnswer, templateForm);
    QCOMPARE(lines(control<QListWidget>(editor, QStringLiteral("tempList"))), expected);
    // The list is a working copy until Save Channel.
    QCOMPARE(storedLines(s.db, channelID), QStringList{QStringLiteral("Kept, Line, 1")});
}

void ChannelsTest::deleteTemplate_removesSelectedLineOnly()
{
    Session s;
    const qint32 project = s.db.addProject(QStringLiteral("Coast"));
    const qint32 channelID = s.db.addChannel(project, QStringLiteral("Harbour"));
    for (const char16_t *line : {u"one", u"two", u"three"})
        s.db.addTemplate(channelID, QString::fromUtf16(line));
    QWidget *editor = s.openEditor(channelID);
    auto *list = control<QListWidget>(editor, QStringLiteral("tempList"));
    auto *del = control<QPushButton>(editor, QStringLiteral("delTemplate"));

    clickLine(list, 1);
    QVERIFY(del->isEnabled());
    QTest::mouseClick(del, Qt::LeftButton);
    QCOMPARE(lines(list), (QStringList{QStringLiteral("one"), QStringLiteral("three")}));
    QVERIFY(list->selectedItems().isEmpty());
    QVERIFY(del->isEnabled());

    // With nothing selected, Delete removes nothing.
    QTest::mouseClick(del, Qt::LeftButton);
    QCOMPARE(lines(list), (QStringList{QStringLiteral("one"), QStringLiteral("three")}));
    QVERIFY(s.dialogs.asked().isEmpty());
}

void ChannelsTest::save_storesChannelAndReturnsToFreshList()
{
    Session s;
    const qint32 project = s.db.addProject(QStringLiteral("Coast"));
    const qint32 existing =
        s.db.addChannel(project, QStringLiteral("Harbour"), QStringLiteral("1"));
    s.db.addTemplate(existing, QStringLiteral("Old, Line, 1"));
    QWidget *window = s.openChannels(project);

    // Edit the existing channel: its row changes and its lines are replaced.
    clickEntry(control<EntryList>(window, QStringLiteral("chanList")), 0);
    click(window, QStringLiteral("renameChannel"));
    QWidget *editor = openWindow(QStringLiteral("addeditChannel"));
    auto *name = control<QLineEdit>(editor, QStringLiteral("chanName"));
    name->clear();
    QTest::keyClicks(name, QStringLiteral(" Harbour's TV "));
    clickLine(control<QListWidget>(editor, QStringLiteral("tempList")), 0);
    click(editor, QStringLiteral("delTemplate"));
    s.dialogs.answerPrompt(QStringLiteral("New, Line, 2"));
    click(editor, QStringLiteral("addTemplate"));
    click(editor, QStringLiteral("Command3"));

    QCOMPARE(s.state.currentChannelID, std::optional<qint32>(existing));
    QCOMPARE(s.db.value(QStringLiteral("SELECT channelName FROM ChannelData WHERE channelID = ?"),
                        {existing})
                 .toString(),
             QStringLiteral(" Harbour's TV "));
    QCOMPARE(storedLines(s.db, existing), QStringList{QStringLiteral("New, Line, 2")});
    window = openWindow(QStringLiteral("channelSelection"));
    QVERIFY(window);
    QCOMPARE(openWindowNames(), QStringList{QStringLiteral("channelSelection")});
    auto *list = control<EntryList>(window, QStringLiteral("chanList"));
    QCOMPARE(texts(list), QStringList{QStringLiteral(" Harbour's TV  (1)")});
    QVERIFY(!list->selectedEntry());
    QVERIFY(!control<QPushButton>(window, QStringLiteral("editChannel"))->isEnabled());

    // Add a channel with the same name and address: it gets its own row and lines.
    click(window, QStringLiteral("addChannel"));
    editor = openWindow(QStringLiteral("addeditChannel"));
    QTest::keyClicks(control<QLineEdit>(editor, QStringLiteral("chanName")),
                     QStringLiteral(" Harbour's TV "));
    QTest::keyClicks(control<QLineEdit>(editor, QStringLiteral("chanNum")), QStringLiteral("2"));
    s.dialogs.answerPrompt(templateForm);
    click(editor, QStringLiteral("addTemplate"));
    click(editor, QStringLiteral("Command3"));

    const qint32 added = s.state.currentChannelID.value_or(0);
    QVERIFY(added != existing && added != 0);
    QCOMPARE(
        s.db.value(QStringLiteral("SELECT projectID FROM ChannelData WHERE channelID = ?"), {added})
            .toInt(),
        project);
    QCOMPARE(storedLines(s.db, added), QStringList{templateForm});
    QCOMPARE(storedLines(s.db, existing), QStringList{QStringLiteral("New, Line, 2")});
    list = control<EntryList>(openWindow(QStringLiteral("channelSelection")),
                              QStringLiteral("chanList"));
    QCOMPARE(texts(list), (QStringList{QStringLiteral(" Harbour's TV  (1)"),
                                       QStringLiteral(" Harbour's TV  (2)")}));
    QVERIFY(!list->selectedEntry());
    QVERIFY(s.dialogs.allAnswered());
}

void ChannelsTest::cancel_writesNothingAndReturnsToFreshList()
{
    Session s;
    const qint32 project = s.db.addProject(QStringLiteral("Coast"));
    const qint32 channelID =
        s.db.addChannel(project, QStringLiteral("Harbour"), QStringLiteral("1"));
    s.db.addTemplate(channelID, QStringLiteral("Old, Line, 1"));
    const auto before = wholeStore(s.db);
    QWidget *window = s.openChannels(project);
    clickEntry(control<EntryList>(window, QStringLiteral("chanList")), 0);
    click(window, QStringLiteral("renameChannel"));

    QWidget *editor = openWindow(QStringLiteral("addeditChannel"));
    QTest::keyClicks(control<QLineEdit>(editor, QStringLiteral("chanName")), QStringLiteral("X"));
    clickLine(control<QListWidget>(editor, QStringLiteral("tempList")), 0);
    click(editor, QStringLiteral("delTemplate"));
    s.dialogs.answerPrompt(templateForm);
    click(editor, QStringLiteral("addTemplate"));
    click(editor, QStringLiteral("Command4"));

    QCOMPARE(wholeStore(s.db), before);
    QCOMPARE(s.state.currentChannelID, std::optional<qint32>(channelID));
    QCOMPARE(openWindowNames(), QStringList{QStringLiteral("channelSelection")});
    window = openWindow(QStringLiteral("channelSelection"));
    auto *list = control<EntryList>(window, QStringLiteral("chanList"));
    QCOMPARE(texts(list), QStringList{QStringLiteral("Harbour (1)")});
    QVERIFY(!list->selectedEntry());
    QVERIFY(!control<QPushButton>(window, QStringLiteral("renameChannel"))->isEnabled());
}

void ChannelsTest::saveFailure_keepsEditorOpenWithItsContents()
{
    Session s;
    const qint32 project = s.db.addProject(QStringLiteral("Coast"));
    refuseTemplateLine(s.db);
    s.state.currentProjectID = project;
    QWidget *editor = s.openEditor(0);
    QTest::keyClicks(control<QLineEdit>(editor, QStringLiteral("chanName")),
                     QStringLiteral("Harbour"));
    s.dialogs.answerPrompt(QStringLiteral("fine"));
    click(editor, QStringLiteral("addTemplate"));
    s.dialogs.answerPrompt(QStringLiteral("refused"));
    click(editor, QStringLiteral("addTemplate"));
    s.dialogs.expectError();
    click(editor, QStringLiteral("Command3"));

    QVERIFY(s.dialogs.allAnswered());
    QVERIFY(
        s.dialogs.asked().constLast().text.contains(QStringLiteral("Could not save the channel")));
    QCOMPARE(s.db.value(QStringLiteral("SELECT count(*) FROM ChannelData")).toInt(), 0);
    QCOMPARE(s.db.value(QStringLiteral("SELECT count(*) FROM TemplateData")).toInt(), 0);
    QCOMPARE(s.state.currentChannelID, std::optional<qint32>(0));
    QCOMPARE(openWindowNames(), QStringList{QStringLiteral("addeditChannel")});
    QCOMPARE(control<QLineEdit>(editor, QStringLiteral("chanName"))->text(),
             QStringLiteral("Harbour"));
    auto *list = control<QListWidget>(editor, QStringLiteral("tempList"));
    QCOMPARE(lines(list), (QStringList{QStringLiteral("fine"), QStringLiteral("refused")}));

    // Once the offending line is gone the same window saves.
    clickLine(list, 1);
    click(editor, QStringLiteral("delTemplate"));
    click(editor, QStringLiteral("Command3"));
    QCOMPARE(openWindowNames(), QStringList{QStringLiteral("channelSelection")});
    QCOMPARE(storedLines(s.db, s.state.currentChannelID.value_or(0)),
             QStringList{QStringLiteral("fine")});
}

void ChannelsTest::newProject_getsChannelsThroughTheWindowsAlone()
{
    Session s;
    s.state.connectionString.clear();
    s.navigator.start();
    QWidget *projects = openWindow(QStringLiteral("projectSelection"));
    s.dialogs.answerPrompt(QStringLiteral("Coast"));
    click(projects, QStringLiteral("newProj"));
    clickEntry(control<EntryList>(projects, QStringLiteral("projList")), 0);
    click(projects, QStringLiteral("loadProj"));

    QWidget *window = openWindow(QStringLiteral("channelSelection"));
    QVERIFY(window);
    click(window, QStringLiteral("addChannel"));
    QWidget *editor = openWindow(QStringLiteral("addeditChannel"));
    QTest::keyClicks(control<QLineEdit>(editor, QStringLiteral("chanName")),
                     QStringLiteral("Harbour"));
    QTest::keyClicks(control<QLineEdit>(editor, QStringLiteral("chanNum")), QStringLiteral("12"));
    s.dialogs.answerPrompt(QStringLiteral("Sport, Football, 12"));
    click(editor, QStringLiteral("addTemplate"));
    s.dialogs.answerPrompt(QStringLiteral("News, Local, 3"));
    click(editor, QStringLiteral("addTemplate"));
    click(editor, QStringLiteral("Command3"));

    QVERIFY(s.dialogs.allAnswered());
    const qint32 project = s.db.value(QStringLiteral("SELECT projectID FROM ProjectData")).toInt();
    const qint32 channelID = s.state.currentChannelID.value_or(0);
    QCOMPARE(
        s.db.rows(QStringLiteral("SELECT projectID, channelName, channelNumber FROM ChannelData")),
        (QList<QVariantList>{{project, QStringLiteral("Harbour"), QStringLiteral("12")}}));
    QCOMPARE(storedLines(s.db, channelID), (QStringList{QStringLiteral("Sport, Football, 12"),
                                                        QStringLiteral("News, Local, 3")}));
    QCOMPARE(texts(control<EntryList>(openWindow(QStringLiteral("channelSelection")),
                                      QStringLiteral("chanList"))),
             QStringList{QStringLiteral("Harbour (12)")});
}

QTEST_MAIN(ChannelsTest)
#include "channels_test.moc"
