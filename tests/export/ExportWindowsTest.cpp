#include "ExportTests.h"

#include "app/AppWindow.h"
#include "app/EntryList.h"
#include "app/Module1.h"
#include "app/Navigator.h"
#include "support/ScriptedDialogs.h"
#include "support/TestDatabase.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

template<typename T = QWidget> T *child(QWidget *window, const char *name)
{
    T *found = window->findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no control named %s", name);
    return found;
}

QWidget *openWindow(const char *name)
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window->isVisible() && window->objectName() == QLatin1String(name))
            return window;
    }
    return nullptr;
}

void click(QWidget *window, const char *button)
{
    QTest::mouseClick(child<QPushButton>(window, button), Qt::LeftButton);
}

void type(QWidget *window, const char *field, const QString &text)
{
    child<QLineEdit>(window, field)->setText(text);
}

} // namespace

class ExportWindowsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void load_fillsTheStoredContactDetails();
    void saveCancelled_keepsTheNonEmptyFieldsStored();
    void saveTwice_writesTheFileAfreshEachTime();
    void saveWithFailingStore_reportsAndAsksForNoFile();
    void saveToUnwritableFile_endsSilently();
    void close_returnsToTheProjectWindow();

    void programmeExport_usesTheSelectedProjectAndReportsCompletion();
    void programmeExportCancelled_writesNothing();
    void programmeExportWithFailingStore_leavesTheFirstLineSilently();

private:
    AppWindow *openExportWindow(qint32 projectID);
    AppWindow *openProjectWindow();
    QVariantList storedContact(qint32 projectID);

    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<Module1> m_state;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<Navigator> m_navigator;
    std::unique_ptr<QTemporaryDir> m_out;
    qint32 m_project = 0;
};

void ExportWindowsTest::init()
{
    m_db = std::make_unique<TestDatabase>();
    QVERIFY(m_db->isValid());
    m_state = std::make_unique<Module1>();
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_navigator = std::make_unique<Navigator>(*m_state, *m_dialogs, m_db->directory());
    m_out = std::make_unique<QTemporaryDir>();

    m_project = m_db->addProject(QStringLiteral("Town"));
    m_db->exec(
        QStringLiteral("UPDATE ProjectData SET ContactName = ?, ContacteMail = ?, "
                       "ContactURL = ?, ContactDesc = NULL WHERE projectID = ?"),
        {QStringLiteral("Ann"), QStringLiteral("ann@town.example"), QStringLiteral(""), m_project});
    const qint32 channel = m_db->addChannel(m_project, QStringLiteral("Town TV"));
    m_db->addTemplate(channel, QStringLiteral("Local, News, 1"));
}

void ExportWindowsTest::cleanup()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows)
        window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY2(m_dialogs->allAnswered(), "a scripted dialog was never shown");
    m_navigator.reset();
    m_dialogs.reset();
    m_state.reset();
    m_db.reset();
}

AppWindow *ExportWindowsTest::openExportWindow(qint32 projectID)
{
    // As the project window leaves it: the database located, the project chosen.
    m_state->connectionString = m_db->path();
    m_state->currentProjectID = projectID;
    return m_navigator->moveTo(nullptr, WindowKind::ChannelDataExport);
}

AppWindow *ExportWindowsTest::openProjectWindow()
{
    return m_navigator->start();
}

QVariantList ExportWindowsTest::storedContact(qint32 projectID)
{
    const auto rows = m_db->rows(QStringLiteral("SELECT ContactName, ContacteMail, ContactURL, "
                                                "ContactDesc FROM ProjectData WHERE projectID = ?"),
                                 {projectID});
    return rows.isEmpty() ? QVariantList() : rows.constFirst();
}

void ExportWindowsTest::load_fillsTheStoredContactDetails()
{
    AppWindow *window = openExportWindow(m_project);
    QCOMPARE(window->objectName(), QStringLiteral("channelDataExport"));
    QCOMPARE(window->windowTitle(), QStringLiteral("Quorvel Channel Data Export"));
    QCOMPARE(child<QLineEdit>(window, "contactName")->text(), QStringLiteral("Ann"));
    QCOMPARE(child<QLineEdit>(window, "contactEmail")->text(), QStringLiteral("ann@town.example"));
    QCOMPARE(child<QLineEdit>(window, "Homepage")->text(), QString()); // empty text
    QCOMPARE(child<QLineEdit>(window, "desc")->text(), QString());     // NULL
}

void ExportWindowsTest::saveCancelled_keepsTheNonEmptyFieldsStored()
{
    AppWindow *window = openExportWindow(m_project);
    type(window, "contactName", QStringLiteral(" Bob "));
    type(window, "contactEmail", QString()); // emptied: the stored address stays
    type(window, "Homepage", QStringLiteral("http://town.example/"));
    m_dialogs->answerSaveAs(std::nullopt);
    click(window, "cmdSave");

    const auto &asked = m_dialogs->asked();
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked[0].kind, ScriptedDialogs::Kind::SaveAs);
    QCOMPARE(asked[0].filters.size(), 2);
    QCOMPARE(asked[0].filters[0].description, QStringLiteral("All Files (*.*)"));
    QCOMPARE(asked[0].filters[0].pattern, QStringLiteral("*.*"));
    QCOMPARE(asked[0].filters[1].description, QStringLiteral("DGC Files (*.dgc)"));
    QCOMPARE(asked[0].filters[1].pattern, QStringLiteral("*.dgc"));
    QCOMPARE(asked[0].preselected, 2);

    const QVariantList stored = storedContact(m_project);
    QCOMPARE(stored.at(0).toString(), QStringLiteral(" Bob "));
    QCOMPARE(stored.at(1).toString(), QStringLiteral("ann@town.example"));
    QCOMPARE(stored.at(2).toString(), QStringLiteral("http://town.example/"));
    QVERIFY(stored.at(3).isNull()); // an empty field leaves even a NULL alone
    QVERIFY(QDir(m_out->path()).isEmpty());
    QCOMPARE(child<QLineEdit>(window, "contactEmail")->text(), QString());
}

void ExportWindowsTest::saveTwice_writesTheFileAfreshEachTime()
{
    AppWindow *window = openExportWindow(m_project);
    const QString path = m_out->filePath(QStringLiteral("town")); // no extension added
    type(window, "contactEmail", QString());
    m_dialogs->answerSaveAs(path);
    click(window, "cmdSave");
    // The file has the field as it stands, while the store keeps the old value.
    QCOMPARE(contents(path), QByteArray("[info]\r\nName=Ann\r\nEmail=\r\nHomeURL=\r\n"
                                        "Description=\r\nChannelCount=1\r\n[channel1]\r\n"
                                        "Name=Town TV\r\nDaysBetweenUpdates=\r\nLogoURL=\r\n"
                                        "DataURL=\r\nChannelURL=\r\nTemplate1=Local, News, 1\r\n"));
    QCOMPARE(storedContact(m_project).at(1), QVariant(QStringLiteral("ann@town.example")));

    m_db->exec(QStringLiteral("DELETE FROM TemplateData"));
    m_db->exec(QStringLiteral("DELETE FROM ChannelData"));
    type(window, "contactName", QStringLiteral("Al"));
    m_dialogs->answerSaveAs(path);
    click(window, "cmdSave");
    QCOMPARE(contents(path), QByteArray("[info]\r\nName=Al\r\nEmail=\r\nHomeURL=\r\n"
                                        "Description=\r\nChannelCount=0\r\n"));
    QVERIFY(openWindow("channelDataExport"));
}

void ExportWindowsTest::saveWithFailingStore_reportsAndAsksForNoFile()
{
    AppWindow *window = openExportWindow(m_project);
    QVERIFY(QFile::remove(m_db->path()));
    m_dialogs->expectError();
    click(window, "cmdSave");
    QCOMPARE(m_dialogs->asked().size(), 1);
    QVERIFY(m_dialogs->asked()[0].text.contains(m_db->path()));
}

void ExportWindowsTest::saveToUnwritableFile_endsSilently()
{
    AppWindow *window = openExportWindow(m_project);
    type(window, "desc", QStringLiteral("Local channels"));
    m_dialogs->answerSaveAs(m_out->filePath(QStringLiteral("no/such/folder/town.dgc")));
    click(window, "cmdSave");
    // No message: the scripted dialogs fail the test on any other question.
    QCOMPARE(storedContact(m_project).at(3), QVariant(QStringLiteral("Local channels")));
    QVERIFY(openWindow("channelDataExport"));
}

void ExportWindowsTest::close_returnsToTheProjectWindow()
{
    AppWindow *window = openExportWindow(m_project);
    click(window, "cmdClose");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!openWindow("channelDataExport"));
    QWidget *projects = openWindow("projectSelection");
    QVERIFY(projects);
    QCOMPARE(child<EntryList>(projects, "projList")->count(), 1);
    QVERIFY(!child<EntryList>(projects, "projList")->selectedEntry());
    QCOMPARE(m_state->currentProjectID, std::optional<qint32>(m_project));
}

void ExportWindowsTest::programmeExport_usesTheSelectedProjectAndReportsCompletion()
{
    const qint32 other = m_db->addProject(QStringLiteral("Coast"));
    const qint32 coast = m_db->addChannel(other, QStringLiteral("Coast FM"));
    m_db->addProgramme(coast, QStringLiteral("Tide Times"), QStringLiteral("2024-03-02"),
                       QStringLiteral("06:00"));
    const qint32 town = m_db->value(QStringLiteral("SELECT channelID FROM ChannelData "
                                                   "WHERE channelName = 'Town TV'"))
                            .toInt();
    m_db->addProgramme(town, QStringLiteral("Town News"));

    AppWindow *window = openProjectWindow();
    m_state->currentProjectID = m_project; // the project loaded last
    auto *list = child<EntryList>(window, "projList");
    list->selectRow(1); // "Coast"
    const QString path = m_out->filePath(QStringLiteral("coast"));
    m_dialogs->answerSaveAs(path);
    m_dialogs->expectInform();
    click(window, "exportProgrammeDatatoXML");

    const auto &asked = m_dialogs->asked();
    QCOMPARE(asked.size(), 2);
    QCOMPARE(asked[0].filters.size(), 2);
    QCOMPARE(asked[0].filters[0].description, QStringLiteral("All Files (*.*)"));
    QCOMPARE(asked[0].filters[1].description, QStringLiteral("XML Files (*.xml)"));
    QCOMPARE(asked[0].filters[1].pattern, QStringLiteral("*.xml"));
    QCOMPARE(asked[0].preselected, 2);
    QCOMPARE(asked[1].text, QStringLiteral("Export Completed"));
    QCOMPARE(asked[1].title, QStringLiteral("Quorvel Project Export"));
    QCOMPARE(asked[1].icon, Dialogs::Icon::Information);

    QCOMPARE(contents(path),
             QByteArray("<channels>\r\n<channel name=\"Coast FM\">\r\n\t<programmes>\r\n"
                        "\t\t<programme name=\"Tide Times\" startdate=\"2024-03-02\" "
                        "starttime=\"06:00\" duration=\"\" category=\"\">\r\n"
                        "\t\t\t<synopsis></synopsis>\r\n\t\t</programme>\r\n"
                        "\t</programmes>\r\n</channel>\r\n</channels>\r\n"));
    QCOMPARE(m_state->currentProjectID, std::optional<qint32>(m_project));
    QCOMPARE(list->selectedEntry()->id, other);
    QVERIFY(child<QPushButton>(window, "exportProgrammeDatatoXML")->isEnabled());
}

void ExportWindowsTest::programmeExportCancelled_writesNothing()
{
    AppWindow *window = openProjectWindow();
    child<EntryList>(window, "projList")->selectRow(0);
    m_dialogs->answerSaveAs(std::nullopt);
    click(window, "exportProgrammeDatatoXML");
    QVERIFY(QDir(m_out->path()).isEmpty());
}

void ExportWindowsTest::programmeExportWithFailingStore_leavesTheFirstLineSilently()
{
    AppWindow *window = openProjectWindow();
    child<EntryList>(window, "projList")->selectRow(0);
    QVERIFY(QFile::remove(m_db->path()));
    const QString path = m_out->filePath(QStringLiteral("town.xml"));
    m_dialogs->answerSaveAs(path);
    click(window, "exportProgrammeDatatoXML");
    QCOMPARE(contents(path), QByteArray("<channels>\r\n"));
}

int runExportWindowsTest(int argc, char **argv)
{
    ExportWindowsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ExportWindowsTest.moc"
