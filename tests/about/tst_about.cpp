#include "about/AboutWindow.h"
#include "support/WindowFixture.h"

#include <QLabel>
#include <QTimer>

class AboutWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void window_showsItsVersionAndOpensEachLinkOncePerClick()
    {
        QCOMPARE(versionLine(10, 12, 305), u"Version: 10.12 Beta - Build 305"_qs);
        WindowFixture f;
        AboutWindow about(f.navigator);
        about.show();
        // The program's own version, not a text of its own.
        QCOMPARE(WindowFixture::control<QLabel>(&about, "lblVersion")->text(),
                 u"Version: 2.0 Beta - Build 0"_qs);
        const QString maker = u"https://www.brackenfold.example.com/"_qs;
        const QList<QStringList> links = {
            // name, caption, address
            {u"lblProduct"_qs, u"Brackenfold Online"_qs, maker},
            {u"Label4"_qs, u"DigiGuide"_qs, u"https://www.digiguide.tv/"_qs},
            {u"Label5"_qs, u"GipsyMedia Ltd"_qs, u"https://www.gipsymedia.com/"_qs},
            {u"lblCopyright"_qs, u"Copyright \u00A9 Brackenfold New Media. All rights reserved."_qs,
             maker},
            {u"lblURL"_qs, u"www.brackenfold.example.com"_qs, maker}};
        QStringList opened;
        for (const QStringList &link : links) {
            auto *label = about.findChild<QLabel *>(link[0]);
            QVERIFY2(label && label->text() == link[1], qPrintable(link[0]));
            QTest::mouseClick(label, Qt::LeftButton);
            QTest::mouseClick(label, Qt::LeftButton);
            QCOMPARE(f.dialogs.openedUrls(), opened << link[2] << link[2]);
            QVERIFY(about.isVisible());
        }
        QCOMPARE(f.dialogs.urlDirectories().value(0), f.db.directory()); // the program's own
        QVERIFY(f.dialogs.asked().isEmpty()); // whether the browser opened is never reported
    }

    // Escape closes it too, as it closes any dialog.
    void ok_closesIt_keepingTheProjectSelection()
    {
        WindowFixture f;
        f.db.addProject(u"Alpha"_qs);
        const qint32 beta = f.db.addProject(u"Beta"_qs);
        AppWindow *projects = f.navigator.start();
        auto *list = WindowFixture::control<EntryList>(projects, "projList");
        WindowFixture::clickEntry(list, 1);
        bool closedOverProjects = false;
        QTimer::singleShot(0, projects, [&] {
            QWidget *about = QApplication::activeModalWidget();
            if (about && about->parentWidget() == projects) {
                WindowFixture::click(about, "cmdOK");
                closedOverProjects = !about->isVisible();
            }
            // Never hang on a failure.
            while (QWidget *modal = QApplication::activeModalWidget())
                modal->close();
        });
        // Returns once the About window is closed.
        QTest::mouseClick(WindowFixture::control<QWidget>(projects, "Image1"), Qt::LeftButton);
        QVERIFY(closedOverProjects);
        QCOMPARE(WindowFixture::openWindow(), projects);
        QCOMPARE(list->selectedId(), std::optional<qint32>(beta));
        QVERIFY(WindowFixture::control(projects, "renameProject")->isEnabled());
    }
};

QTEST_MAIN(AboutWindowTest)
#include "tst_about.moc"
