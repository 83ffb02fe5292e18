#include "programmes/Programmes.h"
#include "support/WindowFixture.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace {

const char *const selectionButtons[] = {"editProgramme", "deleteProgramme", "duplicateProgramme"};

// Which of the three selection buttons are enabled: all, none, or a mix.
QString selectionButtonState(QWidget *window)
{
    int enabled = 0;
    for (const char *name : selectionButtons)
        enabled += WindowFixture::control(window, name)->isEnabled() ? 1 : 0;
    return enabled == 0 ? u"none"_qs : enabled == 3 ? u"all"_qs : u"mixed"_qs;
}

EntryList *progList(QWidget *window)
{
    return WindowFixture::control<EntryList>(window, "progList");
}

QLineEdit *box(QWidget *window, const char *name)
{
    return WindowFixture::control<QLineEdit>(window, name);
}

QComboBox *category(QWidget *window)
{
    return WindowFixture::control<QComboBox>(window, "category");
}

// The editor's six boxes as the user sees them, in the order of the window.
QStringList boxTexts(QWidget *editor)
{
    return {box(editor, "programmeName")->text(), box(editor, "startDate")->text(),
            box(editor, "startTime")->text(),     box(editor, "duration")->text(),
            box(editor, "desc")->text(),          category(editor)->currentText()};
}

void retype(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

// A project with one channel, chosen as the channel window would choose it.
struct ProgrammeFixture : WindowFixture
{
    qint32 project = db.addProject(u"Project"_qs);
    qint32 channel = db.addChannel(project, u"Channel"_qs, u"1"_qs);

    ProgrammeFixture()
    {
        state.currentProjectID = project;
        state.currentChannelID = channel;
    }

    AppWindow *openProgrammes()
    {
        navigator.moveTo(nullptr, WindowKind::ProgrammeSelection);
        return current();
    }

    // The one window on screen once the windows that closed are gone.
    static AppWindow *current()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return openWindow();
    }

    // Selects the entry at row and presses a button; returns the window then open.
    static AppWindow *pressOnEntry(QWidget *window, int row, const char *button)
    {
        clickEntry(progList(window), row);
        click(window, button);
        return current();
    }

    qint64 count() { return db.value(u"SELECT COUNT(*) FROM ProgrammeData"_qs).toLongLong(); }

    QStringList row(qint64 programmeID)
    {
        const auto rows = db.rows(u"SELECT channelID, programmeName, programmeDesc, startDate, "
                                  "startTime, duration, category FROM ProgrammeData "
                                  "WHERE programmeID = ?"_qs,
                                  {programmeID});
        QStringList texts;
        for (const QVariant &column : rows.value(0))
            texts << (column.isNull() ? u"<null>"_qs : column.toString());
        return texts;
    }

    qint32 addFull(const QString &name, const QString &date, const QString &time,
                   const QString &categoryText = u"Drama"_qs)
    {
        return qint32(db.exec(u"INSERT INTO ProgrammeData (channelID, programmeName, "
                              "programmeDesc, startDate, startTime, duration, category) "
                              "VALUES (?, ?, 'About it', ?, ?, '30', ?)"_qs,
                              {channel, name, date, time, categoryText}));
    }
};

// The window is back in its resting state: a fresh list, nothing selected.
void verifyFreshList(QWidget *window, const QStringList &texts)
{
    QVERIFY(window);
    QCOMPARE(window->objectName(), u"programmeSelection"_qs);
    QCOMPARE(WindowFixture::texts(progList(window)), texts);
    QVERIFY(progList(window)->selectionModel()->selectedRows().isEmpty());
    QCOMPARE(selectionButtonState(window), u"none"_qs);
}

} // namespace

class ProgrammeWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { WindowFixture::closeAll(); }

    void opening_listsInStartOrderWithSelectionButtonsDisabled();
    void selection_enablesThreeButtons_doubleClickEdits();
    void deleteDeclined_changesNothing_confirmedRemovesAndRefills();
    void editorLoad_showsWhatEachModeNeeds_data();
    void editorLoad_showsWhatEachModeNeeds();
    void editorLoad_unknownCategoryIsShownAndKept();
    void lifecycle_programmeAndDuplicateStateThroughEachCommand();
    void saveNew_withEveryBoxEmpty_holdsChannelAndDefaultCategory();
    void saveEdit_emptiedBoxKeepsValue_changedBoxReplaces();
    void duplicate_savedAddsCopy_cancelledThenEditAddsNothing();
    void largeIdentifier_editsAndDuplicates();
    void failedSave_keepsEditorOpenAndStillAddsOnRetry();
    void closeChannel_returnsToChannelsKeepingChannel();
    void labelsNameTheirBoxes_andTabOrderFollowsTheForm();
};

void ProgrammeWindowTest::opening_listsInStartOrderWithSelectionButtonsDisabled()
{
    ProgrammeFixture f;
    f.state.currentProgrammeID = 12;
    AppWindow *window = f.openProgrammes();
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), u"Quorvel - Programme Selection"_qs);
    QCOMPARE(f.state.currentProgrammeID, 0);
    QCOMPARE(WindowFixture::control<QLabel>(window, "Label1")->text(),
             u"Quorvel Programme Selection"_qs);
    QVERIFY(WindowFixture::control(window, "duplicateProgramme")->font().bold());
    // An empty channel: nothing to select, and a double-click does nothing.
    verifyFreshList(window, {});
    QTest::mouseDClick(progList(window)->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(f.current(), window);
    QVERIFY(WindowFixture::control(window, "addProgramme")->isEnabled());
    QVERIFY(WindowFixture::control(window, "closeChannel")->isEnabled());
    WindowFixture::closeAll();

    ProgrammeFixture g;
    g.db.addProgramme(g.channel, u"Late"_qs, u"02/01/2024"_qs, u"9:00"_qs);
    g.db.addProgramme(g.channel, u"Early"_qs, u"2024-01-01"_qs, u"21:00"_qs);
    g.db.addProgramme(g.db.addChannel(g.project, u"Other"_qs), u"Elsewhere"_qs);
    g.db.exec(u"INSERT INTO ProgrammeData (channelID, startDate) VALUES (?, '2024-01-01')"_qs,
              {g.channel});
    verifyFreshList(g.openProgrammes(), {u"Early"_qs, u"(no name)"_qs, u"Late"_qs});
}

void ProgrammeWindowTest::selection_enablesThreeButtons_doubleClickEdits()
{
    ProgrammeFixture f;
    f.db.addProgramme(f.channel, u"First"_qs, u"2024-01-01"_qs);
    const qint32 second = f.db.addProgramme(f.channel, u"Second"_qs, u"2024-01-02"_qs);
    AppWindow *window = f.openProgrammes();

    progList(window)->setFocus();
    QTest::keyClick(progList(window), Qt::Key_Down);
    QCOMPARE(selectionButtonState(window), u"all"_qs);
    WindowFixture::clickEntry(progList(window), 1);
    QCOMPARE(selectionButtonState(window), u"all"_qs);

    WindowFixture::doubleClickEntry(progList(window), 1);
    AppWindow *editor = f.current();
    QCOMPARE(editor->objectName(), u"addeditProgramme"_qs);
    QCOMPARE(f.state.currentProgrammeID, second);
    QCOMPARE(box(editor, "programmeName")->text(), u"Second"_qs);
    QCOMPARE(WindowFixture::visibleWindowCount(), 1);
}

void ProgrammeWindowTest::deleteDeclined_changesNothing_confirmedRemovesAndRefills()
{
    ProgrammeFixture f;
    f.db.addProgramme(f.channel, u"Twin"_qs, u"2024-01-01"_qs);
    const qint32 later = f.db.addProgramme(f.channel, u"Twin"_qs, u"2024-01-02"_qs);
    AppWindow *window = f.openProgrammes();

    WindowFixture::clickEntry(progList(window), 1);
    f.dialogs.answerConfirm(false);
    WindowFixture::click(window, "deleteProgramme");
    const auto &question = f.dialogs.asked().last();
    QCOMPARE(question.text, u"Are you sure you want to delete Twin"_qs);
    QCOMPARE(question.title, u"Quorvel - Delete Programme"_qs);
    QCOMPARE(question.icon, Dialogs::Icon::Question);
    QCOMPARE(f.count(), 2);
    QCOMPARE(progList(window)->selectedEntry()->id, later);
    QCOMPARE(selectionButtonState(window), u"all"_qs);
    QCOMPARE(f.state.currentProgrammeID, 0);

    f.dialogs.answerConfirm(true);
    WindowFixture::click(window, "deleteProgramme");
    QVERIFY(f.row(later).isEmpty());
    QCOMPARE(f.count(), 1);
    QCOMPARE(f.current(), window);
    verifyFreshList(window, {u"Twin"_qs});
    QVERIFY(f.dialogs.allAnswered());
}

void ProgrammeWindowTest::editorLoad_showsWhatEachModeNeeds_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QStringList>("shown");

    const QString full = u"INSERT INTO ProgrammeData (channelID, programmeName, programmeDesc, "
                         "startDate, startTime, duration, category) VALUES "
                         "(?, ' Show ', 'Plot', '2024-01-01', '10:00', '45', 'Sport')"_qs;
    const QString sparse = u"INSERT INTO ProgrammeData (channelID, programmeName, programmeDesc, "
                           "duration, category) VALUES (?, 'Bare', '', NULL, NULL)"_qs;
    const QStringList fullBoxes{u" Show "_qs, u"2024-01-01"_qs, u"10:00"_qs,
                                u"45"_qs,     u"Plot"_qs,       u"Sport"_qs};
    const QStringList sparseBoxes{u"Bare"_qs, {}, {}, {}, {}, {}};
    const QStringList newBoxes{{}, {}, {}, {}, {}, u"Adult Entertainment"_qs};

    QTest::newRow("new, with an entry selected") << u"addProgramme"_qs << full << newBoxes;
    QTest::newRow("edit") << u"editProgramme"_qs << full << fullBoxes;
    QTest::newRow("duplicate") << u"duplicateProgramme"_qs << full << fullBoxes;
    QTest::newRow("edit, columns empty or without value")
        << u"editProgramme"_qs << sparse << sparseBoxes;
    QTest::newRow("duplicate, columns empty or without value")
        << u"duplicateProgramme"_qs << sparse << sparseBoxes;
}

void ProgrammeWindowTest::editorLoad_showsWhatEachModeNeeds()
{
    QFETCH(QString, button);
    QFETCH(QString, stored);
    QFETCH(QStringList, shown);
    ProgrammeFixture f;
    f.db.exec(stored, {f.channel});
    AppWindow *editor = f.pressOnEntry(f.openProgrammes(), 0, button.toLatin1().constData());
    QVERIFY(editor);
    QCOMPARE(editor->objectName(), u"addeditProgramme"_qs);
    QCOMPARE(editor->windowTitle(), u"Quorvel - Add/Edit Programme"_qs);
    QCOMPARE(boxTexts(editor), shown);
    // Without a stored category nothing is chosen; the list holds the 38 items.
    QCOMPARE(category(editor)->currentIndex() < 0, shown.last().isEmpty());
    QCOMPARE(category(editor)->count(), 38);
    QCOMPARE(category(editor)->itemText(37), u"Travel"_qs);
}

void ProgrammeWindowTest::editorLoad_unknownCategoryIsShownAndKept()
{
    ProgrammeFixture f;
    const qint32 id = f.addFull(u"Imported"_qs, u"2024-01-01"_qs, u"10:00"_qs, u"drama"_qs);
    AppWindow *editor = f.pressOnEntry(f.openProgrammes(), 0, "editProgramme");
    QCOMPARE(category(editor)->currentText(), u"drama"_qs);
    QCOMPARE(category(editor)->count(), 39);
    QCOMPARE(category(editor)->findText(u"Drama"_qs), 10);

    WindowFixture::click(editor, "saveProgramme");
    QCOMPARE(f.row(id).last(), u"drama"_qs);
}

void ProgrammeWindowTest::lifecycle_programmeAndDuplicateStateThroughEachCommand()
{
    ProgrammeFixture f;
    const qint32 id = f.db.addProgramme(f.channel, u"Show"_qs, u"2024-01-01"_qs);
    AppWindow *window = f.openProgrammes();
    QCOMPARE(f.state.currentProgrammeID, 0);
    QCOMPARE(f.state.isDuplicate, false);

    struct Step
    {
        const char *button;
        qint32 programmeID;
        bool duplicate;
        const char *leave;
    };
    const Step steps[] = {
        {"addProgramme", 0, false, "cancel"},
        {"editProgramme", id, false, "cancel"},
        {"duplicateProgramme", id, true, "cancel"},
        {"editProgramme", id, false, "saveProgramme"},
        {"duplicateProgramme", id, true, "saveProgramme"},
        {"addProgramme", 0, false, "saveProgramme"},
    };
    int expectedRows = 1;
    for (const Step &step : steps) {
        const QByteArray where = QByteArray(step.button) + " then " + step.leave;
        AppWindow *editor = f.pressOnEntry(window, 0, step.button);
        QVERIFY2(editor && editor->objectName() == u"addeditProgramme"_qs, where);
        QVERIFY2(f.state.currentProgrammeID == step.programmeID, where);
        QVERIFY2(f.state.isDuplicate == step.duplicate, where);

        WindowFixture::click(editor, step.leave);
        window = f.current();
        if (qstrcmp(step.leave, "saveProgramme") == 0 && step.programmeID != id)
            ++expectedRows;
        if (qstrcmp(step.button, "duplicateProgramme") == 0 &&
            qstrcmp(step.leave, "saveProgramme") == 0)
            ++expectedRows;
        QVERIFY2(f.state.currentProgrammeID == 0, where);
        QVERIFY2(!f.state.isDuplicate, where);
        QVERIFY2(f.count() == expectedRows, where);
        QVERIFY2(WindowFixture::visibleWindowCount() == 1, where);
        QVERIFY2(progList(window)->count() == expectedRows, where);
        QVERIFY2(progList(window)->selectionModel()->selectedRows().isEmpty(), where);
        QVERIFY2(selectionButtonState(window) == u"none"_qs, where);
    }
}

void ProgrammeWindowTest::saveNew_withEveryBoxEmpty_holdsChannelAndDefaultCategory()
{
    ProgrammeFixture f;
    AppWindow *editor = f.openProgrammes();
    WindowFixture::click(editor, "addProgramme");
    editor = f.current();
    WindowFixture::click(editor, "saveProgramme");
    const qint64 id = f.db.value(u"SELECT MAX(programmeID) FROM ProgrammeData"_qs).toLongLong();
    QCOMPARE(f.row(id),
             (QStringList{QString::number(f.channel), u"<null>"_qs, u"<null>"_qs, u"<null>"_qs,
                          u"<null>"_qs, u"<null>"_qs, u"Adult Entertainment"_qs}));
    verifyFreshList(f.current(), {u"(no name)"_qs});

    // Typed text goes in exactly as typed, with another category.
    WindowFixture::click(f.current(), "addProgramme");
    editor = f.current();
    QTest::keyClicks(box(editor, "programmeName"), u" Late News "_qs);
    QTest::keyClicks(box(editor, "startDate"), u"01/01/2024"_qs);
    QTest::keyClicks(box(editor, "startTime"), u"  "_qs);
    category(editor)->setCurrentIndex(category(editor)->findText(u"News"_qs));
    WindowFixture::click(editor, "saveProgramme");
    const qint64 typed = f.db.value(u"SELECT MAX(programmeID) FROM ProgrammeData"_qs).toLongLong();
    QCOMPARE(f.row(typed), (QStringList{QString::number(f.channel), u" Late News "_qs, u"<null>"_qs,
                                        u"01/01/2024"_qs, u"  "_qs, u"<null>"_qs, u"News"_qs}));
    verifyFreshList(f.current(), {u" Late News "_qs, u"(no name)"_qs});
}

void ProgrammeWindowTest::saveEdit_emptiedBoxKeepsValue_changedBoxReplaces()
{
    ProgrammeFixture f;
    const qint32 first = f.addFull(u"First"_qs, u"2024-01-01"_qs, u"10:00"_qs);
    const qint32 second = f.addFull(u"Second"_qs, u"2024-01-01"_qs, u"11:00"_qs);
    AppWindow *editor = f.pressOnEntry(f.openProgrammes(), 0, "editProgramme");
    QCOMPARE(f.state.currentProgrammeID, first);

    retype(box(editor, "programmeName"), QString());
    retype(box(editor, "duration"), QString());
    retype(box(editor, "startTime"), u"12:00"_qs);
    WindowFixture::click(editor, "saveProgramme");

    QCOMPARE(f.row(first), (QStringList{QString::number(f.channel), u"First"_qs, u"About it"_qs,
                                        u"2024-01-01"_qs, u"12:00"_qs, u"30"_qs, u"Drama"_qs}));
    QCOMPARE(f.row(second).at(4), u"11:00"_qs);
    QCOMPARE(f.count(), 2);
    // The changed start time moves the programme to its new place.
    verifyFreshList(f.current(), {u"Second"_qs, u"First"_qs});
}

void ProgrammeWindowTest::duplicate_savedAddsCopy_cancelledThenEditAddsNothing()
{
    ProgrammeFixture f;
    const qint32 original = f.addFull(u"Film"_qs, u"2024-01-01"_qs, u"21:00"_qs);
    const QStringList before = f.row(original);

    AppWindow *editor = f.pressOnEntry(f.openProgrammes(), 0, "duplicateProgramme");
    WindowFixture::click(editor, "saveProgramme");
    QCOMPARE(f.count(), 2);
    const qint64 copy = f.db.value(u"SELECT MAX(programmeID) FROM ProgrammeData"_qs).toLongLong();
    QCOMPARE(f.row(original), before);
    QCOMPARE(f.row(copy), before);
    verifyFreshList(f.current(), {u"Film"_qs, u"Film"_qs});

    // A changed start time goes to the copy only.
    editor = f.pressOnEntry(f.current(), 0, "duplicateProgramme");
    retype(box(editor, "startTime"), u"23:00"_qs);
    WindowFixture::click(editor, "saveProgramme");
    QCOMPARE(f.count(), 3);
    QCOMPARE(f.row(original), before);
    QCOMPARE(f.db.value(u"SELECT COUNT(*) FROM ProgrammeData WHERE startTime = '23:00'"_qs),
             QVariant(1));

    // Duplicate, Cancel, then Edit and Save: the edited programme changes, no row is added.
    editor = f.pressOnEntry(f.current(), 0, "duplicateProgramme");
    retype(box(editor, "programmeName"), u"Not saved"_qs);
    WindowFixture::click(editor, "cancel");
    QCOMPARE(f.count(), 3);
    editor = f.pressOnEntry(f.current(), 0, "editProgramme");
    QCOMPARE(f.state.currentProgrammeID, original);
    retype(box(editor, "programmeName"), u"Edited"_qs);
    WindowFixture::click(editor, "saveProgramme");
    QCOMPARE(f.count(), 3);
    QCOMPARE(f.row(original).at(1), u"Edited"_qs);
    QCOMPARE(f.db.value(u"SELECT COUNT(*) FROM ProgrammeData WHERE programmeName = 'Not saved'"_qs),
             QVariant(0));
}

void ProgrammeWindowTest::largeIdentifier_editsAndDuplicates()
{
    ProgrammeFixture f;
    f.db.exec(u"INSERT INTO ProgrammeData (programmeID, channelID, programmeName, startDate) "
              "VALUES (70000, ?, 'Big', '2024-01-01')"_qs,
              {f.channel});
    AppWindow *editor = f.pressOnEntry(f.openProgrammes(), 0, "editProgramme");
    QCOMPARE(f.state.currentProgrammeID, 70000);
    QCOMPARE(box(editor, "programmeName")->text(), u"Big"_qs);
    retype(box(editor, "duration"), u"90"_qs);
    WindowFixture::click(editor, "saveProgramme");
    QCOMPARE(f.row(70000).at(5), u"90"_qs);

    editor = f.pressOnEntry(f.current(), 0, "duplicateProgramme");
    WindowFixture::click(editor, "saveProgramme");
    QCOMPARE(f.count(), 2);
    QCOMPARE(f.db.value(u"SELECT COUNT(*) FROM ProgrammeData WHERE duration = '90'"_qs),
             QVariant(2));
}

void ProgrammeWindowTest::failedSave_keepsEditorOpenAndStillAddsOnRetry()
{
    ProgrammeFixture f;
    const qint32 original = f.addFull(u"Film"_qs, u"2024-01-01"_qs, u"21:00"_qs);
    const QStringList before = f.row(original);
    f.db.exec(u"CREATE TRIGGER refuseForever BEFORE INSERT ON ProgrammeData "
              "WHEN NEW.duration = 'forever' BEGIN SELECT RAISE(ABORT, 'too long'); END"_qs);

    AppWindow *editor = f.pressOnEntry(f.openProgrammes(), 0, "duplicateProgramme");
    retype(box(editor, "duration"), u"forever"_qs);
    f.dialogs.expectError();
    WindowFixture::click(editor, "saveProgramme");
    QVERIFY(f.dialogs.allAnswered());
    QVERIFY(f.dialogs.asked().last().text.contains(u"too long"_qs));
    QCOMPARE(f.current(), editor);
    QCOMPARE(box(editor, "duration")->text(), u"forever"_qs);
    QVERIFY(f.state.isDuplicate);
    QCOMPARE(f.count(), 1);

    // The second try still copies: the original is never changed.
    retype(box(editor, "duration"), u"120"_qs);
    WindowFixture::click(editor, "saveProgramme");
    QCOMPARE(f.row(original), before);
    QCOMPARE(f.count(), 2);
    QCOMPARE(f.current()->objectName(), u"programmeSelection"_qs);
}

void ProgrammeWindowTest::closeChannel_returnsToChannelsKeepingChannel()
{
    ProgrammeFixture f;
    WindowFixture::click(f.openProgrammes(), "closeChannel");
    AppWindow *channels = f.current();
    QVERIFY(channels);
    QCOMPARE(channels->objectName(), u"channelSelection"_qs);
    QCOMPARE(f.state.currentChannelID, std::optional<qint32>(f.channel));
    QCOMPARE(WindowFixture::visibleWindowCount(), 1);
}

void ProgrammeWindowTest::labelsNameTheirBoxes_andTabOrderFollowsTheForm()
{
    ProgrammeFixture f;
    AppWindow *editor = f.openProgrammes();
    WindowFixture::click(editor, "addProgramme");
    editor = f.current();

    const QPair<const char *, QString> labels[] = {
        {"Label2", u"programmeName"_qs}, {"Label3", u"startDate"_qs}, {"Label4", u"startTime"_qs},
        {"Label5", u"duration"_qs},      {"Label7", u"desc"_qs},      {"Label6", u"category"_qs},
    };
    for (const auto &[label, boxName] : labels) {
        QWidget *buddy = WindowFixture::control<QLabel>(editor, label)->buddy();
        QVERIFY2(buddy && buddy->objectName() == boxName, label);
    }
    QCOMPARE(WindowFixture::control<QLabel>(editor, "Label7")->text(), u"Program Synopsis"_qs);

    // Tab from the name box visits the boxes and buttons in the form's order.
    QStringList visited;
    QWidget *focus = box(editor, "programmeName");
    for (int i = 0; i < 8; ++i) {
        visited << focus->objectName();
        do
            focus = focus->nextInFocusChain();
        while (!(focus->focusPolicy() & Qt::TabFocus));
    }
    QCOMPARE(visited,
             (QStringList{u"programmeName"_qs, u"startDate"_qs, u"startTime"_qs, u"duration"_qs,
                          u"desc"_qs, u"category"_qs, u"saveProgramme"_qs, u"cancel"_qs}));

    WindowFixture::click(editor, "cancel");
    visited.clear();
    focus = progList(f.current());
    for (int i = 0; i < 6; ++i) {
        visited << focus->objectName();
        do
            focus = focus->nextInFocusChain();
        while (!(focus->focusPolicy() & Qt::TabFocus));
    }
    QCOMPARE(visited,
             (QStringList{u"progList"_qs, u"addProgramme"_qs, u"deleteProgramme"_qs,
                          u"editProgramme"_qs, u"duplicateProgramme"_qs, u"closeChannel"_qs}));
}

QTEST_MAIN(ProgrammeWindowTest)
#include "tst_programmewindow.moc"
