#include "programmes/Programmes.h"
#include "projects/Projects.h"
#include "support/WindowFixture.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>

namespace {

// A programme is written as its six values joined by '|', in the order the
// editor shows its boxes; <null> stands for a column without a value.
const QString columns =
    u"programmeName, startDate, startTime, duration, programmeDesc, category"_qs;
const QString null = u"<null>"_qs;
const QString film = u" Film |2024-01-01|21:00|90|Plot|Film"_qs;

// A channel chosen as the channel window would choose it.
struct ProgrammeFixture : WindowFixture
{
    qint32 channel = db.addChannel(db.addProject(u"Project"_qs), u"Channel"_qs);

    ProgrammeFixture() { state.currentChannelID = channel; }

    static EntryList *progList(QWidget *w) { return control<EntryList>(w, "progList"); }
    static QLineEdit *box(QWidget *w, const char *name) { return control<QLineEdit>(w, name); }
    AppWindow *openList() { return navigator.moveTo(nullptr, WindowKind::ProgrammeSelection); }

    // Selects the entry at row and presses a button; returns the window then open.
    static AppWindow *press(QWidget *window, int row, const char *button)
    {
        clickEntry(progList(window), row);
        click(window, button);
        return openWindow();
    }

    // Adds a programme; values left off at the end have none.
    qint32 add(const QString &programme)
    {
        QStringList values = programme.split(u'|');
        values.resize(6, null);
        QVariantList bound{channel};
        for (const QString &value : values)
            bound << (value == null ? QVariant() : QVariant(value));
        return qint32(db.exec(
            u"INSERT INTO ProgrammeData (channelID, %1) VALUES (?, ?, ?, ?, ?, ?, ?)"_qs.arg(
                columns),
            bound));
    }

    // Every stored programme, oldest first.
    QStringList rows()
    {
        return db.texts(u"SELECT %1 FROM ProgrammeData ORDER BY programmeID"_qs.arg(columns));
    }

    // The selection window at rest: a fresh list of these texts, nothing
    // selected, and the buttons that need a selection disabled.
    static void verifyFreshList(QWidget *window, const QStringList &texts)
    {
        QVERIFY(window && window->objectName() == u"programmeSelection"_qs);
        QCOMPARE(WindowFixture::texts(progList(window)), texts);
        QVERIFY(progList(window)->selectionModel()->selectedRows().isEmpty());
        for (const char *name : {"editProgramme", "deleteProgramme", "duplicateProgramme"})
            QVERIFY2(!control(window, name)->isEnabled(), name);
    }
};

} // namespace

class ProgrammesTest : public QObject
{
    Q_OBJECT

private slots:
    void delete_asksExactly_declinedChangesNothing_failingSaysSoOnce()
    {
        ProgrammeFixture f;
        f.add(u"Twin|2024-01-01"_qs);
        const qint32 later = f.add(u"Twin|2024-01-02"_qs);
        AppWindow *window = f.openList();

        f.clickEntry(f.progList(window), 1);
        f.dialogs.answerConfirm(false);
        f.click(window, "deleteProgramme");
        const auto question = f.dialogs.asked().value(0);
        QCOMPARE(question.text, u"Are you sure you want to delete Twin"_qs);
        QCOMPARE(question.title, u"Quorvel - Delete Programme"_qs);
        QCOMPARE(question.icon, Dialogs::Icon::Question);
        QCOMPARE(f.rows().size(), 2);
        QCOMPARE(f.progList(window)->selectedEntry().value_or(ListEntry()).id, later);

        // Confirmed, it removes the selected one of the twins.
        f.dialogs.answerConfirm(true);
        f.click(window, "deleteProgramme");
        QCOMPARE(f.rows(), QStringList{u"Twin|2024-01-01|<null>|<null>|<null>|<null>"_qs});
        f.verifyFreshList(window, {u"Twin"_qs});

        // Failing, it says so once and keeps the list and its selection.
        f.clickEntry(f.progList(window), 0);
        QVERIFY(f.db.remove());
        f.dialogs.answerConfirm(true);
        f.dialogs.expectError();
        f.click(window, "deleteProgramme");
        QCOMPARE(f.texts(f.progList(window)), QStringList{u"Twin"_qs});
        QVERIFY(f.progList(window)->selectedEntry());
        QVERIFY(f.control(window, "deleteProgramme")->isEnabled());
    }

    // What a new or duplicated programme's editor shows is checked by what
    // saving it stores (lifecycle_eachCommandSetsAndResetsTheSharedState).
    void editorLoad_showsTheStoredValues_data()
    {
        addColumns<QString, QString>("stored", "shown");
        QTest::newRow("every value") << film << film;
        QTest::newRow("columns empty or without value")
            << u"Bare|<null>|<null>|<null>||<null>"_qs << u"Bare|||||"_qs;
        QTest::newRow("category not in the list")
            << u"Import|||||drama"_qs << u"Import|||||drama"_qs;
    }

    void editorLoad_showsTheStoredValues()
    {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        ProgrammeFixture f;
        f.add(stored);
        AppWindow *editor = f.press(f.openList(), 0, "editProgramme");
        QVERIFY(editor && editor->objectName() == u"addeditProgramme"_qs);
        QStringList boxes;
        for (const char *name : {"programmeName", "startDate", "startTime", "duration", "desc"})
            boxes << f.box(editor, name)->text();
        boxes << f.control<QComboBox>(editor, "category")->currentText();
        QCOMPARE(boxes.join(u'|'), shown);
    }

    void lifecycle_eachCommandSetsAndResetsTheSharedState()
    {
        ProgrammeFixture f;
        const qint32 id = f.add(film);
        f.state.currentProgrammeID = 12;
        AppWindow *window = f.openList();
        QCOMPARE(f.state.currentProgrammeID, 0);
        f.verifyFreshList(window, {u" Film "_qs});

        const QStringList one{u" Film "_qs}, two{u" Film "_qs, u" Film "_qs};
        const struct
        {
            const char *button;
            qint32 programmeID;
            bool duplicate;
            const char *leave;
            QStringList listed;
        } steps[] = {
            {"addProgramme", 0, false, "cancel", one},
            {"editProgramme", id, false, "cancel", one},
            {"duplicateProgramme", id, true, "cancel", one},
            // Once a duplicate is cancelled, an edit saves without adding a row.
            {"editProgramme", id, false, "saveProgramme", one},
            {"duplicateProgramme", id, true, "saveProgramme", two},
            {"addProgramme", 0, false, "saveProgramme", two + QStringList{u"(no name)"_qs}},
        };
        for (const auto &step : steps) {
            const QByteArray where = QByteArray(step.button) + " then " + step.leave;
            AppWindow *editor = f.press(window, 0, step.button);
            QVERIFY2(editor && editor->objectName() == u"addeditProgramme"_qs, where);
            QVERIFY2(f.state.currentProgrammeID == step.programmeID, where);
            QVERIFY2(f.state.isDuplicate == step.duplicate, where);

            f.click(editor, step.leave);
            window = f.openWindow(); // nothing when the editor is still open as well
            QVERIFY2(f.state.currentProgrammeID == 0 && !f.state.isDuplicate, where);
            f.verifyFreshList(window, step.listed);
        }
        // The copy is identical and the original untouched; the new programme with
        // every box empty holds only the channel and the default category.
        QCOMPARE(f.rows(),
                 (QStringList{film, film,
                              u"<null>|<null>|<null>|<null>|<null>|Adult Entertainment"_qs}));
    }

    void saveEdit_emptiedBoxKeepsValue_typedTextAsTyped()
    {
        ProgrammeFixture f;
        f.add(u"Other|2025-01-01"_qs);
        // An identifier above 32,767, which no 16-bit number holds.
        f.db.exec(u"UPDATE ProgrammeData SET programmeID = 40000 WHERE programmeID = ?"_qs,
                  {f.add(film)});

        // A double-click edits the entry, as the Edit button does: the first
        // in the list, the second stored.
        f.doubleClickEntry(f.progList(f.openList()), 0);
        AppWindow *editor = f.openWindow();
        QCOMPARE(f.state.currentProgrammeID, 40000);
        f.box(editor, "programmeName")->clear();
        f.box(editor, "duration")->clear();
        f.box(editor, "startTime")->setText(u" 9:00 "_qs);
        f.click(editor, "saveProgramme");
        QCOMPARE(f.rows(), (QStringList{u"Other|2025-01-01|<null>|<null>|<null>|<null>"_qs,
                                        u" Film |2024-01-01| 9:00 |90|Plot|Film"_qs}));
    }

    void editorSave_ofAProjectDeletedElsewhere_isToldOnceOverTheProjectList()
    {
        ProgrammeFixture f;
        f.state.currentProjectID = f.db.value(u"SELECT projectID FROM ProjectData"_qs).toInt();
        f.add(film);
        AppWindow *editor = f.press(f.openList(), 0, "editProgramme");
        // Another Quorvel window deletes the whole project meanwhile.
        QVERIFY(projects::deleteProject(f.db.path(), *f.state.currentProjectID));

        f.dialogs.expectError();
        f.click(editor, "saveProgramme");
        QVERIFY(f.dialogs.asked().last().overShownWindow);
        QVERIFY(f.dialogs.asked().last().text.startsWith(
            u"Could not save the programme.\n\nThe programme \" Film \" is no longer"_qs));
        const AppWindow *shown = f.openWindow();
        QVERIFY(shown && shown->objectName() == u"projectSelection"_qs);
        QVERIFY(f.rows().isEmpty());
        QCOMPARE(f.state.currentProgrammeID, 0);
    }

    void editorSave_overAColleaguesChange_asksAndShowsTheirs()
    {
        ProgrammeFixture f;
        const qint32 id = f.add(film);
        AppWindow *editor = f.press(f.openList(), 0, "editProgramme");
        // A colleague empties nothing but changes the start meanwhile.
        programmes::ProgrammeRow start;
        start.startTime = u"22:00"_qs;
        QVERIFY(programmes::changeProgramme(f.db.path(), id, start,
                                            programmes::loadProgramme(f.db.path(), id).value()));
        const QStringList theirs = f.rows();

        f.box(editor, "programmeName")->setText(u"Mine"_qs);
        f.dialogs.answerConfirm(false);
        f.click(editor, "saveProgramme");
        QVERIFY(f.dialogs.asked().last().text.contains(
            u"Start: was \u201c21:00\u201d, now \u201c22:00\u201d"_qs));
        QCOMPARE(f.rows(), theirs);
        QCOMPARE(f.box(editor, "programmeName")->text(), u"Mine"_qs);

        f.dialogs.answerConfirm(true);
        f.click(editor, "saveProgramme");
        QCOMPARE(f.openWindow(), editor);
        QCOMPARE(f.box(editor, "programmeName")->text(), u" Film "_qs);
        QCOMPARE(f.box(editor, "startTime")->text(), u"22:00"_qs);
        f.click(editor, "saveProgramme");
        QCOMPARE(f.rows(), theirs);
        QCOMPARE(f.openWindow()->objectName(), u"programmeSelection"_qs);
    }

    void refusedSave_writesNothing_andTheRetryStillCopies()
    {
        ProgrammeFixture f;
        f.add(film);
        f.db.exec(u"CREATE TRIGGER refuseForever BEFORE INSERT ON ProgrammeData "
                  "WHEN NEW.duration = 'forever' BEGIN SELECT RAISE(ABORT, 'too long'); END"_qs);
        AppWindow *editor = f.press(f.openList(), 0, "duplicateProgramme");
        f.box(editor, "duration")->setText(u"forever"_qs);
        f.dialogs.expectError();
        f.click(editor, "saveProgramme");
        QVERIFY(f.dialogs.asked().last().text.contains(u"too long"_qs));
        QCOMPARE(f.openWindow(), editor);
        QCOMPARE(f.rows(), QStringList{film});

        f.box(editor, "duration")->setText(u"90"_qs);
        f.click(editor, "saveProgramme");
        QCOMPARE(f.rows(), (QStringList{film, film}));
    }
};

QTEST_MAIN(ProgrammesTest)
#include "tst_programmes.moc"
