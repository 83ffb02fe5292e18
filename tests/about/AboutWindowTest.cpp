#include "about/AboutWindow.h"
#include "app/AppWindow.h"
#include "app/EntryList.h"
#include "app/Module1.h"
#include "app/Navigator.h"
#include "app/ProgramIcon.h"
#include "support/ScriptedDialogs.h"
#include "support/TestDatabase.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

QString programDirectory()
{
    return QStringLiteral("/opt/quorvel/bin");
}

// Closes whatever modal window is left, so that a failed check inside the
// About window's own event loop cannot hang the test.
void closeModalWindows()
{
    while (QWidget *modal = QApplication::activeModalWidget())
        modal->close();
}

} // namespace

class AboutWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void versionLine_data();
    void versionLine();
    void window_showsTheProgramsOwnVersion();
    void linkLabel_opensItsAddressOncePerClickAndStaysOpen_data();
    void linkLabel_opensItsAddressOncePerClickAndStaysOpen();
    void taggedLinkLabel_opensTheTagAtTheTimeOfTheClick_data();
    void taggedLinkLabel_opensTheTagAtTheTimeOfTheClick();
    void plainLabels_openNothing();
    void icon_isTheProgramsOwnInEverySize();
    void closing_returnsInputToProjectWindowWithSelectionKept_data();
    void closing_returnsInputToProjectWindowWithSelectionKept();

private:
    Module1 m_state;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<Navigator> m_navigator;
    std::unique_ptr<AboutWindow> m_about;
};

void AboutWindowTest::init()
{
    m_state = Module1();
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_navigator = std::make_unique<Navigator>(m_state, *m_dialogs, programDirectory());
    m_about = std::make_unique<AboutWindow>(*m_navigator);
    m_about->show();
}

void AboutWindowTest::cleanup()
{
    m_about.reset();
    QVERIFY(m_dialogs->allAnswered());
}

void AboutWindowTest::versionLine_data()
{
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("revision");
    QTest::addColumn<QString>("line");

    QTest::newRow("this release") << 2 << 0 << 0 << QStringLiteral("Version: 2.0 Beta - Build 0");
    QTest::newRow("several digits")
        << 10 << 12 << 305 << QStringLiteral("Version: 10.12 Beta - Build 305");
    QTest::newRow("no padding") << 3 << 7 << 9 << QStringLiteral("Version: 3.7 Beta - Build 9");
}

void AboutWindowTest::versionLine()
{
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, revision);
    QFETCH(QString, line);
    QCOMPARE(::versionLine(major, minor, revision), line);
}

void AboutWindowTest::window_showsTheProgramsOwnVersion()
{
    auto *version = m_about->findChild<QLabel *>(QStringLiteral("lblVersion"));
    QVERIFY(version);
    // The build's version is 2.0.0; the window must show it, not a design text.
    QCOMPARE(version->text(), QStringLiteral("Version: 2.0 Beta - Build 0"));
    QCOMPARE(m_about->windowTitle(), QStringLiteral("About Quorvel"));
}

void AboutWindowTest::linkLabel_opensItsAddressOncePerClickAndStaysOpen_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("address");

    const QString maker = QStringLiteral("https://www.brackenfold.example.com/");
    QTest::newRow("product") << QStringLiteral("lblProduct") << QStringLiteral("Brackenfold Online")
                             << maker;
    QTest::newRow("guide") << QStringLiteral("Label4") << QStringLiteral("DigiGuide")
                           << QStringLiteral("https://www.digiguide.tv/");
    QTest::newRow("guide maker") << QStringLiteral("Label5") << QStringLiteral("GipsyMedia Ltd")
                                 << QStringLiteral("https://www.gipsymedia.com/");
    QTest::newRow("copyright")
        << QStringLiteral("lblCopyright")
        << QStringLiteral("Copyright \u00A9 Brackenfold New Media. All rights reserved.") << maker;
    QTest::newRow("address") << QStringLiteral("lblURL")
                             << QStringLiteral("www.brackenfold.example.com") << maker;
}

void AboutWindowTest::linkLabel_opensItsAddressOncePerClickAndStaysOpen()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, address);

    auto *link = m_about->findChild<QLabel *>(name);
    QVERIFY(link);
    QCOMPARE(link->text(), caption);
    QVERIFY(link->font().underline());
    QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);

    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(m_dialogs->openedUrls(), QStringList{address});
    QCOMPARE(m_dialogs->urlDirectories(), QStringList{programDirectory()});
    QVERIFY(m_about->isVisible());

    QTest::mouseClick(link, Qt::LeftButton);
    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(m_dialogs->openedUrls(), (QStringList{address, address, address}));
    QVERIFY(m_about->isVisible());
    // Whether the browser opened is never reported to the user.
    QVERIFY(m_dialogs->asked().isEmpty());
}

void AboutWindowTest::taggedLinkLabel_opensTheTagAtTheTimeOfTheClick_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("product") << QStringLiteral("lblProduct");
    QTest::newRow("copyright") << QStringLiteral("lblCopyright");
    QTest::newRow("address") << QStringLiteral("lblURL");
}

void AboutWindowTest::taggedLinkLabel_opensTheTagAtTheTimeOfTheClick()
{
    QFETCH(QString, name);
    auto *link = m_about->findChild<QLabel *>(name);
    QVERIFY(link);

    const QString moved = QStringLiteral("https://mirror.brackenfold.example.com/");
    link->setProperty("tag", moved);
    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(m_dialogs->openedUrls(), QStringList{moved});
}

void AboutWindowTest::plainLabels_openNothing()
{
    const QStringList names{QStringLiteral("lblTitle"),   QStringLiteral("lblInfo_1"),
                            QStringLiteral("lblVersion"), QStringLiteral("Label3"),
                            QStringLiteral("Label2"),     QStringLiteral("imgIcon")};
    for (const QString &name : names) {
        auto *label = m_about->findChild<QLabel *>(name);
        QVERIFY2(label, qPrintable(name));
        QTest::mouseClick(label, Qt::LeftButton);
    }
    QVERIFY(m_dialogs->openedUrls().isEmpty());
    QVERIFY(m_about->isVisible());
}

void AboutWindowTest::icon_isTheProgramsOwnInEverySize()
{
    // The platform's stand-in icon would mean the pictures never reached the program.
    const QList<QSize> sizes = programIcon().availableSizes();
    for (const int size : {16, 32, 48, 64, 128, 256})
        QVERIFY2(sizes.contains(QSize(size, size)), qPrintable(QString::number(size)));

    auto *image = m_about->findChild<QLabel *>(QStringLiteral("imgIcon"));
    QVERIFY(image);
    QCOMPARE(image->pixmap().toImage(), programIcon().pixmap(32, 32).toImage());
}

void AboutWindowTest::closing_returnsInputToProjectWindowWithSelectionKept_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");

    // No key: a mouse click on OK.
    QTest::newRow("OK clicked") << QStringLiteral("cmdOK") << 0;
    QTest::newRow("Enter") << QStringLiteral("cmdOK") << int(Qt::Key_Return);
    QTest::newRow("Escape") << QStringLiteral("cmdOK") << int(Qt::Key_Escape);
    QTest::newRow("Enter in the legal notice")
        << QStringLiteral("txtSpecialCopyright") << int(Qt::Key_Return);
    QTest::newRow("Escape in the legal notice")
        << QStringLiteral("txtSpecialCopyright") << int(Qt::Key_Escape);
}

void AboutWindowTest::closing_returnsInputToProjectWindowWithSelectionKept()
{
    QFETCH(QString, focus);
    QFETCH(int, key);

    m_about.reset();
    TestDatabase db;
    QVERIFY(db.isValid());
    db.addProject(QStringLiteral("Alpha"));
    const qint32 beta = db.addProject(QStringLiteral("Beta"));
    db.addProject(QStringLiteral("Gamma"));
    Navigator navigator(m_state, *m_dialogs, db.directory());
    std::unique_ptr<AppWindow> projects(navigator.start());

    auto *list = projects->findChild<EntryList *>(QStringLiteral("projList"));
    auto *image = projects->findChild<QWidget *>(QStringLiteral("Image1"));
    auto *rename = projects->findChild<QPushButton *>(QStringLiteral("renameProject"));
    QVERIFY(list && image && rename);
    list->selectRow(1);
    QVERIFY(rename->isEnabled());

    bool sawAbout = false;
    bool wasModal = false;
    bool overProjects = false;
    bool closedByUser = false;
    QTimer::singleShot(0, this, [&] {
        auto *about = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (about && about->objectName() == QLatin1String("frmAbout")) {
            sawAbout = true;
            wasModal = about->isModal();
            overProjects = about->parentWidget() == projects.get();
            auto *target = about->findChild<QWidget *>(focus);
            auto *ok = about->findChild<QPushButton *>(QStringLiteral("cmdOK"));
            if (target && ok) {
                target->setFocus();
                if (key == 0)
                    QTest::mouseClick(ok, Qt::LeftButton);
                else
                    QTest::keyClick(target, Qt::Key(key));
                closedByUser = !about->isVisible();
            }
        }
        closeModalWindows();
    });
    // Returns only once the About window is closed again.
    QTest::mouseClick(image, Qt::LeftButton);

    QVERIFY(sawAbout);
    QVERIFY(wasModal);
    QVERIFY(overProjects);
    QVERIFY(closedByUser);
    QVERIFY(!projects->findChild<QDialog *>(QStringLiteral("frmAbout")));
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(projects->isVisible());

    QCOMPARE(list->count(), 3);
    const auto selected = list->selectedEntry();
    QVERIFY(selected);
    QCOMPARE(selected->id, beta);
    QVERIFY(rename->isEnabled());

    // The project window answers the next command, on the same selection.
    m_dialogs->answerPrompt(QString());
    QTest::mouseClick(rename, Qt::LeftButton);
    QCOMPARE(m_dialogs->asked().size(), 1);
    QCOMPARE(m_dialogs->asked().constFirst().defaultAnswer, QStringLiteral("Beta"));
    QVERIFY(m_dialogs->openedUrls().isEmpty());
}

QTEST_MAIN(AboutWindowTest)
#include "AboutWindowTest.moc"
