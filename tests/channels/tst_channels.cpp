#include "channels/Channels.h"
#include "support/WindowFixture.h"

#include <QLineEdit>
#include <QListWidget>

namespace {

QList<QList<QVariantList>> wholeStore(TestDatabase &db)
{
    return {db.rows(u"SELECT * FROM ChannelData ORDER BY channelID"_qs),
            db.rows(u"SELECT channelID, templateData FROM TemplateData ORDER BY rowid"_qs),
            db.rows(u"SELECT * FROM ProgrammeData ORDER BY programmeID"_qs)};
}

// Apostrophes in texts that also become addresses, blanks kept as typed.
const channels::Channel sample{u" Harbour's TV "_qs, u"007"_qs,  u" 7"_qs,
                               u"logo.png "_qs,      u"data"_qs, u"http://it's"_qs,
                               {u"Sport, 1"_qs}};

// A program with the project "Coast" loaded.
struct Fixture : WindowFixture
{
    qint32 project = db.addProject(u"Coast"_qs);
    Fixture() { state.currentProjectID = project; }
    QWidget *open(WindowKind kind) { return navigator.moveTo(openWindow(), kind); }
    EntryList *channelList() { return control<EntryList>(openWindow(), "chanList"); }
    // What the editor shows: its six boxes in screen order, then its template lines.
    QStringList editorTexts()
    {
        QStringList result;
        for (const char *box :
             {"chanName", "chanNum", "chanUpdate", "chanLogoURL", "chanDataURL", "chanURL"})
            result << control<QLineEdit>(openWindow(), box)->text();
        const auto *lines = control<QListWidget>(openWindow(), "tempList");
        for (int row = 0; row < lines->count(); ++row)
            result << lines->item(row)->text();
        return result;
    }
};

} // namespace

class ChannelsTest : public QObject
{
    Q_OBJECT

private slots:
    void save_storesOneRowAndExactlyItsLines_data()
    {
        addColumns<bool, QStringList>("edit", "list");
        const QString a = u"Sport, Football, 12"_qs, b = u" News , Local,  "_qs;
        QTest::newRow("new") << false << QStringList{b};
        QTest::newRow("new, same line twice") << false << QStringList{a, a};
        QTest::newRow("edit, replaced") << true << QStringList{b, a, b + a};
        QTest::newRow("edit, empty list removes all") << true << QStringList();
        QTest::newRow("new, refused") << false << QStringList{a, u"refused"_qs};
        QTest::newRow("edit, refused") << true << QStringList{b, u"refused"_qs};
    }
    void save_storesOneRowAndExactlyItsLines()
    {
        QFETCH(bool, edit);
        QFETCH(QStringList, list);
        TestDatabase db;
        const qint32 project = db.addProject(u"Coast"_qs), other = db.addProject(u"Inland"_qs);
        // A twin with the same name and addresses, in another project.
        QVERIFY(channels::saveChannel(db.path(), 0, other, sample, {}));
        const qint32 edited = db.addChannel(other, u"Harbour"_qs, u"2"_qs);
        db.addTemplate(edited, u"Old, Line, 1"_qs);
        db.exec(u"CREATE TRIGGER refuse BEFORE INSERT ON TemplateData WHEN NEW.templateData = "
                "'refused' BEGIN SELECT RAISE(ABORT, 'refused'); END"_qs);
        const auto store = wholeStore(db);

        channels::Channel channel = sample;
        channel.templateLines = list;
        const auto saved = channels::saveChannel(
            db.path(), edit ? edited : 0, project, channel,
            edit ? channels::loadChannel(db.path(), edited).value() : channels::Channel());
        if (list.contains(u"refused"_qs)) {
            QCOMPARE(saved.failure().action, u"Could not save the channel"_qs);
            QCOMPARE(wholeStore(db), store);
            return;
        }
        const qint32 id = saved.value();
        auto rows = store[0], lines = store[1];
        QVariantList row;
        row << id << project << sample.name << sample.number << sample.channelURL << sample.logoURL
            << sample.dataURL << sample.updateFrequency;
        // An edit changes its own row in place; a new channel adds one row.
        edit ? void(rows[1] = row) : rows.append(row);
        // The channel's old lines go; its new ones follow every other channel's, in order.
        lines.removeIf([id](const QVariantList &line) { return line[0] == id; });
        for (const QString &line : list)
            lines << QVariantList{id, line};
        QCOMPARE(wholeStore(db), (QList<QList<QVariantList>>{rows, lines, store[2]}));
    }

    void deleteChannel_asksExactly_removesOnlyWhenConfirmed()
    {
        Fixture f;
        const qint32 kept = f.db.addChannel(f.project, u"Kept"_qs);
        f.db.addChannel(f.project, QString(), u"4"_qs);
        f.db.addChannel(f.db.addProject(u"Inland"_qs), u"Hills"_qs);
        const qint32 doomed = f.db.addChannel(f.project, u"Harbour"_qs, u"1"_qs);
        f.db.addProgramme(kept, u"Stays"_qs);
        f.db.addProgramme(doomed, u"Gone"_qs);
        f.db.addTemplate(doomed, u"Orphan, Line, 1"_qs);
        auto before = wholeStore(f.db);
        QWidget *w = f.open(WindowKind::ChannelSelection);
        const QStringList shown{u"Kept ()"_qs, u" (4)"_qs, u"Harbour (1)"_qs};
        QCOMPARE(f.texts(f.channelList()), shown);
        f.clickEntry(f.channelList(), 2);
        f.dialogs.answerConfirm(false);
        f.click(w, "deleteChannel");
        const auto &asked = f.dialogs.asked().constFirst();
        QCOMPARE(asked.text, u"Are you sure you want to delete Harbour (1)? This will delete all "
                             "programme data for this channel and cannot be undone"_qs);
        QCOMPARE(asked.title, u"Quorvel - Delete Channel"_qs);
        QCOMPARE(asked.icon, Dialogs::Icon::Question);
        QCOMPARE(wholeStore(f.db), before);
        QCOMPARE(f.channelList()->selectedId(), doomed);

        f.dialogs.answerConfirm(true);
        f.click(w, "deleteChannel");
        QCOMPARE(f.texts(f.channelList()), shown.mid(0, 2));
        // The last channel and its programme go; its template lines stay.
        before[0].removeLast();
        before[2].removeLast();
        QCOMPARE(wholeStore(f.db), before);
    }

    void addChannel_readsNothing_promptAddsOnlyAnswers_saveReturnsToFreshList()
    {
        Fixture f;
        f.state.currentChannelID = f.db.addChannel(f.project, u"Harbour"_qs, u"1"_qs);
        QWidget *w = f.open(WindowKind::ChannelSelection);
        // Any read would now fail and show an error the script does not expect.
        f.state.connectionString = f.db.directory() + u"/missing.db"_qs;
        f.click(w, "addChannel");
        QCOMPARE(f.state.currentChannelID, std::optional<qint32>(0));
        QCOMPARE(f.editorTexts(), QStringList(6));
        QVERIFY(!f.control(f.openWindow(), "delTemplate")->isEnabled());

        f.state.connectionString = f.db.path();
        QTest::keyClicks(f.control<QLineEdit>(f.openWindow(), "chanName"), u"Lighthouse"_qs);
        for (const QString &answer : {QString(), u"New, Line, 2"_qs}) {
            f.dialogs.answerPrompt(answer);
            f.click(f.openWindow(), "addTemplate");
        }
        const auto &asked = f.dialogs.asked().constFirst();
        QCOMPARE(asked.text, u"Please specify the Template you would like to add this channel to. "
                             "Format is: TemplateName, CategoryName, EPG No"_qs);
        QCOMPARE(asked.title, u"Quorvel Template Add"_qs);
        QCOMPARE(asked.defaultAnswer, u"TemplateName, CategoryName, EPG No"_qs);
        QCOMPARE(f.editorTexts().mid(6), QStringList{u"New, Line, 2"_qs});

        f.click(f.openWindow(), "Command3");
        QCOMPARE(f.texts(f.channelList()), (QStringList{u"Harbour (1)"_qs, u"Lighthouse ()"_qs}));
        QVERIFY(!f.channelList()->selectedEntry());
        QVERIFY(!f.control(f.openWindow(), "renameChannel")->isEnabled());
    }

    void modifyAndProgrammeData_actOnSelectedTwin_cancelWritesNothing()
    {
        Fixture f;
        const qint32 first = f.db.addChannel(f.project, sample.name, sample.number);
        const qint32 second = channels::saveChannel(f.db.path(), 0, f.project, sample, {}).value();
        const auto before = wholeStore(f.db);
        f.open(WindowKind::ChannelSelection);
        f.clickEntry(f.channelList(), 1);
        f.click(f.openWindow(), "renameChannel");
        QCOMPARE(f.state.currentChannelID, std::optional<qint32>(second));
        QCOMPARE(f.editorTexts(), QStringList({sample.name, sample.number, sample.updateFrequency,
                                               sample.logoURL, sample.dataURL, sample.channelURL}) +
                                      sample.templateLines);
        QTest::keyClicks(f.control<QLineEdit>(f.openWindow(), "chanName"), u"X"_qs);
        f.click(f.openWindow(), "Command4");
        QCOMPARE(wholeStore(f.db), before);
        QVERIFY(!f.channelList()->selectedEntry());

        // Saving unchanged puts every text back where it came from, in place.
        f.clickEntry(f.channelList(), 1);
        f.click(f.openWindow(), "renameChannel");
        f.click(f.openWindow(), "Command3");
        QCOMPARE(wholeStore(f.db), before);

        f.clickEntry(f.channelList(), 0);
        f.click(f.openWindow(), "editChannel");
        QCOMPARE(f.state.currentChannelID, std::optional<qint32>(first));
        QCOMPARE(f.openWindow()->objectName(), u"programmeSelection"_qs);
    }
};

QTEST_MAIN(ChannelsTest)
#include "tst_channels.moc"
