#include "export/ChannelFile.h"
#include "export/Contact.h"
#include "export/ProgrammeXml.h"
#include "export/Windows1252.h"
#include "store/AtomicFile.h"
#include "store/Database.h"
#include "store/OutputPath.h"
#include "support/Files.h"
#include "support/WindowFixture.h"
#include "xmltv/XmltvWriter.h"

#include <QLineEdit>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimeZone>

#include <functional>

#include <signal.h>
#include <unistd.h>

namespace {

QString golden(const QString &name)
{
    return QStringLiteral(GOLDEN_DIR "/") + name;
}

// Windows-1252 from 0x80 to 0x9F, after the code page's published chart; 0: no character.
const char16_t chart[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                            0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                            0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                            0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

QByteArray fromUtf8(const QByteArray &utf8)
{
    QByteArray out(utf8.size() + 1, '\0');
    out.resize(qsizetype(
        exports::utf8ToWindows1252(utf8.constData(), std::size_t(utf8.size()), out.data())));
    return out;
}

// The text as written, the same whether typed or read from the store.
QByteArray written(const QString &text)
{
    const QByteArray typed = exports::toWindows1252(text);
    return typed == fromUtf8(text.toUtf8()) ? typed : QByteArray("typed and stored differ");
}

// The store as the scripts beside the hand-written files leave it: project 1
// among another project's rows, then the named script's rows.
void arrange(TestDatabase &db, const QString &script)
{
    db.execScript(golden(u"other-project.sql"_qs));
    if (!script.isEmpty())
        db.execScript(golden(script));
}

// A process number that no running process has.
qint64 deadProcess()
{
    for (qint64 pid = 4000000; pid > 1; --pid) {
        if (::kill(pid_t(pid), 0) == -1 && errno == ESRCH)
            return pid;
    }
    return 0;
}

// A file writer run as an export runs it: the database, the file to write,
// and how to meet a file already there.
using Writer = std::function<store::Status(const QString &, const QString &, exports::Overwrite)>;

// One row for every file writer, each with its temporary file unnamed until
// complete, then named: the checks every writer must pass are written once.
void addWriterRows()
{
    // exportFile: Windows-1252, and able to write in place
    // names: finds each channel's name in the file
    addColumns<Writer, bool, QString, bool>("write", "exportFile", "names", "unnamed");
    const struct
    {
        const char *name;
        Writer write;
        bool exportFile;
        QString names;
    } writers[] = {{"channel file",
                    [](const QString &db, const QString &path, exports::Overwrite overwrite) {
                        return exports::writeChannelFile({}, 1, path, db, overwrite);
                    },
                    true, u"\\[channel\\d+\\]\r\nName=([^\r]*)\r\n"_qs},
                   {"listing",
                    [](const QString &db, const QString &path, exports::Overwrite overwrite) {
                        return exports::writeProgrammeXml(1, path, db, overwrite);
                    },
                    true, u"<channel name=\"([^\"]*)\">"_qs},
                   {"XMLTV guide",
                    [](const QString &db, const QString &path, exports::Overwrite) {
                        const auto written = xmltv::writeXmltv(db, 1, path, QTimeZone::utc());
                        return written ? store::success() : store::Status(written.failure());
                    },
                    false, u"<display-name>([^<]*)</display-name>"_qs}};
    for (const bool unnamed : {true, false}) {
        for (const auto &w : writers) {
            QTest::addRow("%s%s", w.name, unnamed ? "" : ", named temporary")
                << w.write << w.exportFile << w.names << unnamed;
        }
    }
}

} // namespace

Q_DECLARE_METATYPE(Writer)

class ExportTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_out;

private slots:
    void windows1252_everyByteForItsCharacterAndAQuestionMarkForTheRest()
    {
        for (int byte = 0; byte < 256; ++byte) {
            const bool highBlock = byte >= 0x80 && byte < 0xA0;
            const char16_t character = highBlock ? chart[byte - 0x80] : char16_t(byte);
            if (character) {
                QCOMPARE(written(QChar(character)), QByteArray(1, char(byte)));
                QCOMPARE(exports::windows1252Byte(character), char(byte));
            }
            // Latin-1 has controls where Windows-1252 has other characters: they have no byte.
            if (highBlock)
                QCOMPARE(written(QChar(byte)), QByteArray("?"));
        }
        // Anything else is one question mark.
        QCOMPARE(written(u"\u03A9mega \u4E2D \u2192 Caf\u00E9 \u20AC \u00A0!"_qs),
                 QByteArray("?mega ? ? Caf\xE9 \x80 \xA0!"));
        QCOMPARE(written(u"a\U0001F4FA\U0001F600b"_qs), QByteArray("a??b")); // surrogate pairs
        // Only typed text can hold a lone surrogate.
        QCOMPARE(exports::toWindows1252(u"x"_qs + QChar(0xD83D) + u"y"_qs + QChar(0xDE00)),
                 QByteArray("x?y?"));
        // Cut short, overlong, an encoded surrogate, beyond Unicode, stray bytes:
        // every byte of a malformed sequence becomes one "?".
        QCOMPARE(fromUtf8("a\xC3\xE2\x82z\xC0\xAF\xED\xA0\x80\xF4\x90\x80\x80\x80x\xFF"),
                 QByteArray("a???z??????????x?"));
    }

    void writersAndCommandLine_matchTheHandWrittenFiles_data()
    {
        addColumns<QString, QString>("script", "file");
        QTest::newRow("channels") << u"example.sql"_qs << u"example.dgc"_qs;
        QTest::newRow("no channels") << QString() << u"no-channels.dgc"_qs;
        QTest::newRow("awkward channels") << u"awkward-channels.sql"_qs << u"awkward-values.dgc"_qs;
        QTest::newRow("no programmes") << QString() << u"no-channels.xml"_qs;
        QTest::newRow("silent channels") << u"silent-channels.sql"_qs << u"no-channels.xml"_qs;
        QTest::newRow("listing") << u"listing.sql"_qs << u"listing.xml"_qs;
        QTest::newRow("awkward programmes")
            << u"awkward-programmes.sql"_qs << u"awkward-values.xml"_qs;
    }

    void writersAndCommandLine_matchTheHandWrittenFiles()
    {
        QFETCH(QString, script);
        QFETCH(QString, file);
        TestDatabase db;
        arrange(db, script);
        const QString path = m_out.filePath(file);
        const bool channels = file.endsWith(u".dgc");
        const auto contact = exports::readContactDetails(db.path(), 1); // as the window loads them
        QVERIFY(channels ? exports::writeChannelFile(contact.value(), 1, path, db.path()).ok()
                         : exports::writeProgrammeXml(1, path, db.path()).ok());
        QCOMPARE(contents(path), contents(golden(file)));

        QCOMPARE(runCli({channels ? u"export-dgc"_qs : u"export-xml"_qs, u"--db"_qs, db.path(),
                         u"--project"_qs, u"1"_qs, u"--out"_qs, path + u".cli"_qs})
                     .exitCode,
                 0);
        QCOMPARE(contents(path + u".cli"_qs), contents(golden(file)));
    }

    void sameFile_seesThroughPathsAndLinks_data()
    {
        // other: beside the database, in folder "dir"
        // make: "symbolic", "hard", "copy" or nothing
        addColumns<QString, QString, bool>("other", "make", "same");
        QTest::newRow("the same path") << u"dir/quorvel.db"_qs << QString() << true;
        QTest::newRow("a roundabout path") << u"dir/./sub/../quorvel.db"_qs << QString() << true;
        QTest::newRow("a symbolic link") << u"dir/link"_qs << u"symbolic"_qs << true;
        QTest::newRow("a hard link") << u"dir/link"_qs << u"hard"_qs << true;
        QTest::newRow("a copy") << u"dir/copy"_qs << u"copy"_qs << false;
        QTest::newRow("a file not there") << u"dir/absent"_qs << QString() << false;
        QTest::newRow("nothing") << QString() << QString() << false;
    }

    void sameFile_seesThroughPathsAndLinks()
    {
        SKIP_ON_SERVER("the database file's paths and links");
        QFETCH(QString, other);
        QFETCH(QString, make);
        QFETCH(bool, same);
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath(u"dir/sub"_qs));
        const QString database = root.filePath(u"dir/quorvel.db"_qs);
        QVERIFY(store::createDatabase(database));
        const QString path = other.isEmpty() ? QString() : root.filePath(other);
        if (make == u"symbolic")
            QVERIFY(QFile::link(database, path));
        else if (make == u"hard")
            QCOMPARE(::link(QFile::encodeName(database), QFile::encodeName(path)), 0);
        else if (make == u"copy")
            QVERIFY(QFile::copy(database, path));
        QCOMPARE(store::isSameFile(path, database), same);
        QCOMPARE(store::isSameFile(database, path), same);
        // Relative to the folder a program runs in.
        if (!path.isEmpty()) {
            const QString here = QDir::currentPath();
            QVERIFY(QDir::setCurrent(root.filePath(u"dir/sub"_qs)));
            const bool relative =
                store::isSameFile(u"../"_qs + QFileInfo(path).fileName(), u"../quorvel.db"_qs);
            QVERIFY(QDir::setCurrent(here));
            QCOMPARE(relative, same);
        }
    }

    void writer_streamsValuesLargerThanItsBuffer_data() { addWriterRows(); }

    void writer_streamsValuesLargerThanItsBuffer()
    {
        QFETCH(Writer, write);
        QFETCH(bool, exportFile);
        QFETCH(QString, names);
        // Channels named from short to longer than the whole buffer, each with
        // a programme: values and rows fall across every buffer boundary.
        TestDatabase db;
        db.addProject(u"Big"_qs);
        db.exec(u"INSERT INTO ChannelData (projectID, channelName) "
                "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 2999) "
                "SELECT 1, 'C' || i || CASE WHEN i = 1000 THEN ? ELSE substr(?, 1, 5 * (i % 7)) "
                "END FROM n"_qs,
                {u" Caf\u00E9"_qs.repeated(200000), u" Caf\u00E9"_qs.repeated(6)});
        db.exec(u"INSERT INTO ProgrammeData (channelID, programmeName, startDate, startTime) "
                "SELECT channelID, 'P', '2024-03-01', '06:00' FROM ChannelData"_qs);
        const QStringList expected =
            db.texts(u"SELECT channelName FROM ChannelData ORDER BY channelID"_qs);
        QStringList found;
        const QString path = db.directory() + u"/big"_qs;
        QVERIFY(write(db.path(), path, exports::Overwrite::WhenComplete));
        const QByteArray bytes = contents(path);
        const QString text = exportFile ? QString::fromLatin1(bytes) : QString::fromUtf8(bytes);
        for (const QRegularExpressionMatch &match : QRegularExpression(names).globalMatch(text))
            found << match.captured(1);
        QVERIFY(found == expected); // QCOMPARE would print the longest name
    }

    void writer_replacesOnlyWholeFilesAndNeverTheDatabase_data() { addWriterRows(); }

    void writer_replacesOnlyWholeFilesAndNeverTheDatabase()
    {
        QFETCH(Writer, write);
        QFETCH(bool, exportFile);
        QFETCH(bool, unnamed);
        store::AtomicFile::setUnnamedFilesTried(unnamed);
        const auto restore = qScopeGuard([] { store::AtomicFile::setUnnamedFilesTried(true); });
        TestDatabase db;
        arrange(db, u"listing.sql"_qs);
        // Onto the database, directly or by a link: refused before anything is written.
        if (!testsOnServer()) {
            const QString link = db.directory() + u"/link.db"_qs;
            QVERIFY(QFile::link(db.path(), link));
            const QByteArray stored = contents(db.path());
            for (const auto overwrite :
                 {exports::Overwrite::InPlace, exports::Overwrite::WhenComplete}) {
                for (const QString &path : {db.path(), link}) {
                    const auto refused = write(db.path(), path, overwrite);
                    QVERIFY2(!refused &&
                                 refused.failure().detail.contains(u"is the database itself"),
                             qPrintable(path));
                    QCOMPARE(contents(db.path()), stored);
                }
            }
            QCOMPARE(filesIn(db.directory()), (QStringList{u"link.db"_qs, u"quorvel.db"_qs}));
        }

        // Into a folder that is not there: a failure, and no file.
        const QString nowhere = db.directory() + u"/no/such/folder/out"_qs;
        QVERIFY(!write(db.path(), nowhere, exports::Overwrite::WhenComplete));
        QVERIFY(!write(db.path(), nowhere, exports::Overwrite::InPlace));
        QVERIFY(!QFileInfo::exists(db.directory() + u"/no"_qs));

        QTemporaryDir folder;
        const QString real = folder.filePath(u"real.out"_qs);
        const QString out = folder.filePath(u"out"_qs);
        QVERIFY(writeFile(real, "older"));
        QVERIFY(QFile::setPermissions(real, QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(QFile::link(real, out));
        // Left by writers of the linked file that were killed: one gone, one still
        // running (this one).
        const QString abandoned = u".real.out.%1-abcdef.tmp"_qs.arg(deadProcess());
        const QString running = u".real.out.%1-abcdef.tmp"_qs.arg(qint64(::getpid()));
        QVERIFY(writeFile(folder.filePath(abandoned), "part"));
        QVERIFY(writeFile(folder.filePath(running), "part"));

        QVERIFY(write(db.path(), out, exports::Overwrite::WhenComplete));
        // The same bytes as written in place.
        const QString inPlace = folder.filePath(u"in-place"_qs);
        QVERIFY(write(db.path(), inPlace, exports::Overwrite::InPlace));
        QVERIFY(contents(inPlace).size() > 100);
        QCOMPARE(contents(real), contents(inPlace));
        QVERIFY(QFile::remove(inPlace));
        // The link stays a link, to the file that was replaced, which keeps its permissions.
        QVERIFY(QFileInfo(out).isSymLink());
        const QFile::Permissions everyone = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                            QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                            QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
        QCOMPARE(QFileInfo(real).permissions() & everyone, QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(filesIn(folder.path()), (QStringList{running, u"out"_qs, u"real.out"_qs}));

        // What is no file, such as a device, is written through, never replaced.
        QVERIFY(write(db.path(), u"/dev/null"_qs, exports::Overwrite::WhenComplete));
        QVERIFY(!QFileInfo(u"/dev/null"_qs).isFile());

        // A store that fails half-way: the file of the last export stays whole.
        const QByteArray whole = contents(real);
        db.execAll({u"ALTER TABLE TemplateData RENAME COLUMN templateData TO gone"_qs,
                    u"ALTER TABLE ProgrammeData RENAME COLUMN programmeName TO gone"_qs});
        QVERIFY(!write(db.path(), out, exports::Overwrite::WhenComplete));
        QCOMPARE(contents(real), whole);
        QCOMPARE(filesIn(folder.path()), (QStringList{running, u"out"_qs, u"real.out"_qs}));
        // Written in place, the lines before the failure stay, as the windows need.
        QVERIFY(!write(db.path(), out, exports::Overwrite::InPlace));
        if (exportFile) {
            QVERIFY(contents(real).size() < whole.size());
            QVERIFY(whole.startsWith(contents(real)));
        } else {
            QCOMPARE(contents(real), whole);
        }
    }

    void contactWindow_storesBeforeTheDialogAndWritesTheFieldsAsTheyStand()
    {
        SKIP_ON_SERVER("a window's wiring; the project window opens the file beside the program");
        WindowFixture f;
        arrange(f.db, u"example.sql"_qs);
        f.state.currentProjectID = 1;
        AppWindow *window = f.navigator.moveTo(nullptr, WindowKind::ChannelDataExport);
        auto *name = WindowFixture::control<QLineEdit>(window, "contactName");
        auto *homepage = WindowFixture::control<QLineEdit>(window, "Homepage");
        QCOMPARE(name->text(), u"Town Listings"_qs);
        QCOMPARE(homepage->text(), u"index.html"_qs);
        const QString path = m_out.filePath(u"town"_qs); // no extension added
        f.dialogs.answerSaveAs(path);
        WindowFixture::click(window, "cmdSave");
        QCOMPARE(contents(path), contents(golden(u"example.dgc"_qs)));
        QCOMPARE(f.dialogs.asked()[0].filters.value(1).description, u"DGC Files (*.dgc)"_qs);
        QCOMPARE(f.dialogs.asked()[0].preselected, 2);
        QCOMPARE(f.dialogs.asked()[0].fileKind, Dialogs::FileKind::ChannelFile);

        name->setText(u" Bob "_qs);
        homepage->clear(); // emptied: the stored address stays
        f.dialogs.answerSaveAs(std::nullopt);
        WindowFixture::click(window, "cmdSave");
        QCOMPARE(f.db.rows(u"SELECT ContactName, ContacteMail, ContactURL, ContactDesc "
                           "FROM ProjectData WHERE projectID = 1"_qs)
                     .value(0),
                 (QVariantList{u" Bob "_qs, QString(), u"index.html"_qs, u"Local channels"_qs}));

        // Saved again over the longer file, without channels now: the fields as they stand.
        f.db.exec(u"DELETE FROM ChannelData"_qs);
        f.dialogs.answerSaveAs(path);
        WindowFixture::click(window, "cmdSave");
        QCOMPARE(contents(path), "[info]\r\nName= Bob \r\nEmail=\r\nHomeURL=\r\n"
                                 "Description=Local channels\r\nChannelCount=0\r\n");
        // Onto the database: silently nothing, as after any failure once the
        // dialog is up; the store intact.
        f.dialogs.answerSaveAs(f.db.path());
        WindowFixture::click(window, "cmdSave");
        QCOMPARE(store::inspectDatabase(f.db.path()).kind, store::DatabaseCheck::Quorvel);
        WindowFixture::click(window, "cmdClose");
        QWidget *next = WindowFixture::openWindow();
        QVERIFY(next && next->objectName() == u"projectSelection");
    }

    void programmeExport_writesTheSelectedProjectAndReportsCompletion()
    {
        SKIP_ON_SERVER("a window's wiring; the project window opens the file beside the program");
        WindowFixture f;
        arrange(f.db, u"listing.sql"_qs);
        AppWindow *window = f.navigator.start();
        f.state.currentProjectID = 2; // the project loaded last
        WindowFixture::clickEntry(WindowFixture::control<EntryList>(window, "projList"), 0);
        const QString path = m_out.filePath(u"listing"_qs);
        f.dialogs.answerSaveAs(path);
        f.dialogs.expectInform();
        WindowFixture::click(window, "exportProgrammeDatatoXML");
        QCOMPARE(contents(path), contents(golden(u"listing.xml"_qs)));
        const auto &asked = f.dialogs.asked();
        QCOMPARE(asked[0].filters.value(1).description, u"XML Files (*.xml)"_qs);
        QCOMPARE(asked[0].preselected, 2);
        QCOMPARE(asked[0].fileKind, Dialogs::FileKind::ProgrammeXml);
        QCOMPARE(asked[1].text, u"Export Completed"_qs);
        QCOMPARE(asked[1].title, u"Quorvel Project Export"_qs);
        QCOMPARE(f.state.currentProjectID, std::optional<qint32>(2));

        // A failing store leaves the first line, and no message.
        QVERIFY(f.db.remove());
        f.dialogs.answerSaveAs(path);
        WindowFixture::click(window, "exportProgrammeDatatoXML");
        QCOMPARE(contents(path), "<channels>\r\n");
    }
};

QTEST_MAIN(ExportTest)
#include "tst_export.moc"
