#include "support/WindowFixture.h"
#include "widgets/BackgroundWork.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>

namespace {

// A guide of n programmes on one channel, large enough to take a while.
QString writeLargeGuide(const QString &path, int n)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write("<tv><channel id=\"a\"><display-name>Large TV</display-name></channel>\n");
    for (int i = 0; i < n; ++i) {
        file.write("<programme start=\"20240101060000 +0000\" stop=\"20240101063000 +0000\" "
                   "channel=\"a\"><title>Programme " +
                   QByteArray::number(i) +
                   "</title><desc>An episode of the programme, one of many.</desc>"
                   "<category>Drama</category></programme>\n");
    }
    file.write("</tv>\n");
    return path;
}

// The programmes read so far, as the progress dialog shows them; -1 when
// no import is running.
qint64 shownAsRead(QWidget *window)
{
    const auto *progress = window->findChild<QProgressDialog *>(u"xmltvImportProgress"_qs);
    if (!progress)
        return -1;
    const QString text = progress->labelText();
    const qsizetype end = text.indexOf(u" programme"_qs);
    const qsizetype start = text.lastIndexOf(u'\n', end) + 1;
    return end < 0 ? -1 : text.mid(start, end - start).toLongLong();
}

// Counts the times the window is painted.
class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

// File > Export XMLTV... and Import XMLTV... in the project window.
class XmltvWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void menu_enabledOnlyWithSelectedProject();
    void export_writesGuideAndListsWhatWasLeftOutOrChanged();
    void import_bringsGuideInAndCounts();
    void import_runsWhileTheWindowStaysResponsive_andCancelsOrGoesWithIt();
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

    // The import runs on; its progress dialog goes once it is done.
    QTRY_VERIFY(f.dialogs.allAnswered());
    QCOMPARE(shownAsRead(window), -1);
    QCOMPARE(f.dialogs.asked().size(), 2);
    QCOMPARE(f.dialogs.asked().at(0).fileKind, Dialogs::FileKind::Xmltv);
    QCOMPARE(f.dialogs.asked().at(1).title, u"Quorvel XMLTV Import"_qs);
    QCOMPARE(f.dialogs.asked().at(1).text,
             u"Import Completed\n\n7 programmes imported: 0 of the project's replaced, 0 kept.\n"
             u"2 channels added, 0 matched by id, 1 matched by name."_qs);
    QCOMPARE(f.db.value(u"SELECT COUNT(*) FROM ChannelData"_qs).toInt(), 3);
    QCOMPARE(f.db.value(u"SELECT COUNT(*) FROM ProgrammeData"_qs).toInt(), 7);
}

// Never onto the database itself, even through a link; elsewhere the guide
// is written and what was left out or changed listed.
void XmltvWindowTest::export_writesGuideAndListsWhatWasLeftOutOrChanged()
{
    WindowFixture f;
    f.db.addProject(u"Empty"_qs);
    const qint32 town = f.db.addChannel(f.db.addProject(u"Town Listings"_qs), u"Town TV"_qs);
    f.db.exec(u"UPDATE ChannelData SET logoURL = ' town.png' WHERE channelID = ?"_qs, {town});
    f.db.addProgramme(town, u"Late News"_qs, u"2024-03-30"_qs, u"23:30"_qs);
    f.db.addProgramme(town, u"Someday"_qs, u"soon"_qs, u"19:00"_qs);
    const QString link = f.db.directory() + u"/link.xml"_qs;
    QVERIFY(QFile::link(f.db.path(), link));
    const auto database = [&f] {
        QFile file(f.db.path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray before = database();
    QWidget *window = f.navigator.start();
    WindowFixture::clickEntry(WindowFixture::control<EntryList>(window, "projList"), 1);

    for (const QString &path : {f.db.path(), link}) {
        f.dialogs.answerSaveAs(path);
        f.dialogs.expectError();
        WindowFixture::control<QAction>(window, "exportXMLTV")->trigger();
        QVERIFY(f.dialogs.allAnswered());
        const QString said = f.dialogs.asked().constLast().text;
        QVERIFY2(said.startsWith(
                     u"Could not write the XMLTV file.\n\n%1 is the database itself"_qs.arg(path)),
                 qPrintable(said));
        QCOMPARE(database(), before);
    }
    QVERIFY(QFileInfo(link).isSymLink());

    const QString out = f.db.directory() + u"/guide.xml"_qs;
    f.dialogs.answerSaveAs(out);
    f.dialogs.expectInform();
    WindowFixture::control<QAction>(window, "exportXMLTV")->trigger();
    QVERIFY(f.dialogs.allAnswered());
    const auto asked = f.dialogs.asked();
    QCOMPARE(asked.at(asked.size() - 2).fileKind, Dialogs::FileKind::Xmltv);
    QCOMPARE(asked.constLast().title, u"Quorvel XMLTV Export"_qs);
    QCOMPARE(asked.constLast().text,
             u"Export Completed\n\n1 programme on 1 channel written.\n\n"
             u"This programme was left out:\n\n"
             u"\"Someday\" on Town TV, start \"soon\" \"19:00\": the start date cannot be read\n\n"
             u"This text was written otherwise than stored:\n\n"
             u"channel \"Town TV\", logo address: the blanks at its ends left out"_qs);
    QVERIFY(QFile::exists(out));
}
void XmltvWindowTest::import_runsWhileTheWindowStaysResponsive_andCancelsOrGoesWithIt()
{
    WindowFixture f;
    const qint32 project = f.db.addProject(u"Kept"_qs);
    f.db.addProgramme(f.db.addChannel(project, u"Large TV"_qs), u"Kept"_qs, u"2024-01-01"_qs);
    const QString guide = writeLargeGuide(f.db.directory() + u"/large.xml"_qs, 300000);
    const auto storeNow = [&f] {
        return f.db.rows(u"SELECT * FROM ChannelData ORDER BY channelID"_qs) +
               f.db.rows(u"SELECT * FROM ProgrammeData ORDER BY programmeID"_qs);
    };
    const auto before = storeNow();
    QWidget *window = f.navigator.start();
    WindowFixture::clickEntry(WindowFixture::control<EntryList>(window, "projList"), 0);
    PaintCounter painted;
    window->installEventFilter(&painted);
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&] {
        ++ticks;
        window->update();
    });
    ticker.start(10);

    f.dialogs.answerOpenFile(guide);
    WindowFixture::control<QAction>(window, "importXMLTV")->trigger();
    const QPointer<QProgressDialog> progress =
        window->findChild<QProgressDialog *>(u"xmltvImportProgress"_qs);
    QVERIFY(progress);
    // While the import runs, the event loop goes on: timers fire, the window
    // is painted, and the dialog shows the programmes read so far.
    const int paintsBefore = painted.paints;
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 5 && painted.paints > paintsBefore && shownAsRead(window) > 0,
                             60000);
    QVERIFY(shownAsRead(window) <= 300000);
    // Cancelled once the import is well under way, with rows stored already.
    WindowFixture::click(progress, "cancelImport");
    QTRY_VERIFY_WITH_TIMEOUT(!progress, 60000);
    ticker.stop();
    // No message: the user asked for nothing to change, and nothing did.
    QVERIFY(f.dialogs.allAnswered());
    QCOMPARE(f.dialogs.asked().size(), 1);
    QCOMPARE(storeNow(), before);

    // Closed during an import, the window goes at once; the import is
    // cancelled and winds down on its own, which the program waits for at exit.
    f.dialogs.answerOpenFile(guide);
    WindowFixture::control<QAction>(window, "importXMLTV")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(shownAsRead(window) > 0, 60000);
    const QPointer<QWidget> closing = window;
    QElapsedTimer closed;
    closed.start();
    window->close();
    QTRY_VERIFY(!closing);
    QVERIFY2(closed.elapsed() < 1000, qPrintable(QString::number(closed.elapsed())));
    waitForWorkers();
    QCOMPARE(f.dialogs.asked().size(), 2);
    QCOMPARE(storeNow(), before);
}

QTEST_MAIN(XmltvWindowTest)
#include "tst_xmltvwindow.moc"
