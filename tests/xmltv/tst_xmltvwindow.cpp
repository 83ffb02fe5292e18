#include "support/Files.h"
#include "support/WindowFixture.h"
#include "widgets/BackgroundWork.h"

#include <QAction>
#include <QElapsedTimer>
#include <QPointer>
#include <QProgressDialog>

namespace {

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

} // namespace

// File > Export XMLTV... and Import XMLTV... in the project window.
class XmltvWindowTest : public QObject
{
    Q_OBJECT

private slots:
    // A refusal is shown as the failure it is; elsewhere the guide is written and
    // what was left out or changed listed.
    void export_writesGuideAndListsWhatWasLeftOutOrChanged()
    {
        WindowFixture f;
        f.db.addProject(u"Empty"_qs);
        const qint32 town = f.db.addChannel(f.db.addProject(u"Town Listings"_qs), u"Town TV"_qs);
        f.db.exec(u"UPDATE ChannelData SET logoURL = ' town.png' WHERE channelID = ?"_qs, {town});
        f.db.addProgramme(town, u"Late News"_qs, u"2024-03-30"_qs, u"23:30"_qs);
        f.db.addProgramme(town, u"Someday"_qs, u"soon"_qs, u"19:00"_qs);
        QWidget *window = f.navigator.start();
        WindowFixture::clickEntry(WindowFixture::control<EntryList>(window, "projList"), 1);

        f.dialogs.answerSaveAs(f.db.path());
        f.dialogs.expectError();
        WindowFixture::control<QAction>(window, "exportXMLTV")->trigger();

        const QString out = f.db.directory() + u"/guide.xml"_qs;
        f.dialogs.answerSaveAs(out);
        f.dialogs.expectInform();
        WindowFixture::control<QAction>(window, "exportXMLTV")->trigger();
        const auto asked = f.dialogs.asked();
        QCOMPARE(asked.size(), 4);
        QCOMPARE(asked.at(2).fileKind, Dialogs::FileKind::Xmltv);
        QCOMPARE(asked.constLast().title, u"Quorvel XMLTV Export"_qs);
        QCOMPARE(
            asked.constLast().text,
            u"Export Completed\n\n1 programme on 1 channel written.\n\n"
            u"This programme was left out:\n\n"
            u"\"Someday\" on Town TV, start \"soon\" \"19:00\": the start date cannot be read\n\n"
            u"This text was written otherwise than stored:\n\n"
            u"channel \"Town TV\", logo address: the blanks at its ends left out"_qs);
        QVERIFY(QFile::exists(out));
    }

    // Done, the import's counts are shown and its progress dialog goes; it runs
    // on while the window stays responsive, and cancelled or with the window
    // closed, it changes nothing.
    void import_countsOrCancels_whileTheWindowStaysResponsive()
    {
        WindowFixture f;
        f.db.addChannel(f.db.addProject(u"Town Listings"_qs), u"Arte Français"_qs);
        QWidget *window = f.navigator.start();
        WindowFixture::clickEntry(WindowFixture::control<EntryList>(window, "projList"), 0);

        f.dialogs.answerOpenFile(QStringLiteral(QUORVEL_XMLTV_SAMPLES "/guide.xml"));
        f.dialogs.expectInform();
        WindowFixture::control<QAction>(window, "importXMLTV")->trigger();
        QTRY_VERIFY(f.dialogs.allAnswered());
        QCOMPARE(shownAsRead(window), -1);
        QCOMPARE(f.dialogs.asked().size(), 2);
        QCOMPARE(f.dialogs.asked().at(0).fileKind, Dialogs::FileKind::Xmltv);
        QCOMPARE(f.dialogs.asked().at(1).title, u"Quorvel XMLTV Import"_qs);
        QCOMPARE(
            f.dialogs.asked().at(1).text,
            u"Import Completed\n\n7 programmes imported: 0 of the project's replaced, 0 kept.\n"
            u"2 channels added, 0 matched by id, 1 matched by name."_qs);

        const QString guide = writeLargeGuide(f.db.directory() + u"/large.xml"_qs, 300000);
        const auto storeNow = [&f] {
            return f.db.rows(u"SELECT * FROM ChannelData ORDER BY channelID"_qs) +
                   f.db.rows(u"SELECT * FROM ProgrammeData ORDER BY programmeID"_qs);
        };
        const auto before = storeNow();
        f.dialogs.answerOpenFile(guide);
        WindowFixture::control<QAction>(window, "importXMLTV")->trigger();
        const QPointer<QProgressDialog> progress =
            window->findChild<QProgressDialog *>(u"xmltvImportProgress"_qs);
        QVERIFY(progress);
        // While the import runs, the event loop goes on: the dialog's own timer
        // shows the programmes read so far.
        QTRY_VERIFY_WITH_TIMEOUT(shownAsRead(window) > 0, 60000);
        // Cancelled while it runs; that a cancel leaves the project as it was at
        // any moment is the import's own test, this that the button reaches it.
        WindowFixture::click(progress, "cancelImport");
        QTRY_VERIFY_WITH_TIMEOUT(!progress, 60000);
        // No message: the user asked for nothing to change, and nothing did.
        QCOMPARE(f.dialogs.asked().size(), 3);
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
        QCOMPARE(f.dialogs.asked().size(), 4);
        QCOMPARE(storeNow(), before);
    }
};

QTEST_MAIN(XmltvWindowTest)
#include "tst_xmltvwindow.moc"
