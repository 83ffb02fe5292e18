#include "support/WindowFixture.h"
#include "widgets/AppWindow.h"
#include "widgets/EntryList.h"
#include "widgets/QtDialogs.h"

#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

// The real dialogs as far as they can be looked at without showing one, and
// the window font.
class WidgetsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void prompt_takesAnswersLongerThanLineEditDefault();
    void dialogs_wideEnoughForTheirCaption_data();
    void dialogs_wideEnoughForTheirCaption();
    void folders_rememberedPerKindOfFile();
    void tahoma_isTheRealFamilyWhereInstalled();
    void windows_keepTheirTabOrder_data();
    void windows_keepTheirTabOrder();

private:
    QTemporaryDir m_settings;
};

void WidgetsTest::initTestCase()
{
    // Never the user's own settings.
    QVERIFY(m_settings.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
}

void WidgetsTest::prompt_takesAnswersLongerThanLineEditDefault()
{
    const QString longName(40000, u'n');
    const auto dialog = qtdialogs::makePrompt(nullptr, u"Please enter a Project Name"_qs,
                                              u"New Quorvel Project"_qs, longName);
    auto *edit = dialog->findChild<QLineEdit *>();
    QVERIFY(edit);
    QVERIFY(edit->maxLength() > longName.size());
    QCOMPARE(dialog->textValue().size(), longName.size());
    edit->setText(longName + u"more"_qs);
    QCOMPARE(dialog->textValue().size(), longName.size() + 4);
    QCOMPARE(dialog->windowTitle(), u"New Quorvel Project"_qs);
}

void WidgetsTest::dialogs_wideEnoughForTheirCaption_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("prompt");
    QTest::newRow("New Project") << u"New Quorvel Project"_qs << true;
    QTest::newRow("Rename Project") << u"Rename Quorvel Project"_qs << true;
    QTest::newRow("template line") << u"Quorvel Template Add"_qs << true;
    QTest::newRow("Export Completed") << u"Quorvel Project Export"_qs << false;
}

void WidgetsTest::dialogs_wideEnoughForTheirCaption()
{
    QFETCH(QString, title);
    QFETCH(bool, prompt);
    const int needed = qtdialogs::captionWidth(title);
    QVERIFY(needed > QFontMetrics(QApplication::font()).horizontalAdvance(title));
    std::unique_ptr<QDialog> dialog;
    if (prompt)
        dialog = qtdialogs::makePrompt(nullptr, u"Text"_qs, title, QString());
    else
        dialog = qtdialogs::makeMessage(nullptr, Dialogs::Icon::Information, u"Export Completed"_qs,
                                        title, QMessageBox::Ok);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    QVERIFY2(dialog->width() >= needed, qPrintable(QString::number(dialog->width())));
    dialog->hide();
}

void WidgetsTest::folders_rememberedPerKindOfFile()
{
    using Kind = Dialogs::FileKind;
    QCOMPARE(qtdialogs::lastFolder(Kind::ChannelFile), QString());
    QVERIFY(qtdialogs::startFolder(Kind::ChannelFile) != QDir::currentPath() ||
            QDir::currentPath() == QDir::homePath());
    QVERIFY(QDir().mkpath(m_settings.filePath(u"dgc"_qs)));
    qtdialogs::rememberFolder(Kind::ChannelFile, m_settings.filePath(u"dgc/out.dgc"_qs));
    qtdialogs::rememberFolder(Kind::Xmltv, m_settings.filePath(u"guides/tv.xml"_qs));
    QCOMPARE(qtdialogs::lastFolder(Kind::ChannelFile), m_settings.filePath(u"dgc"_qs));
    QCOMPARE(qtdialogs::startFolder(Kind::ChannelFile), m_settings.filePath(u"dgc"_qs));
    QCOMPARE(qtdialogs::lastFolder(Kind::Xmltv), m_settings.filePath(u"guides"_qs));
    QCOMPARE(qtdialogs::lastFolder(Kind::ProgrammeXml), QString());
    qtdialogs::rememberFolder(Kind::ChannelFile, m_settings.filePath(u"later/out.dgc"_qs));
    QCOMPARE(qtdialogs::lastFolder(Kind::ChannelFile), m_settings.filePath(u"later"_qs));
    // A remembered folder that is gone no longer counts.
    QVERIFY(qtdialogs::startFolder(Kind::ChannelFile) != m_settings.filePath(u"later"_qs));
}

void WidgetsTest::tahoma_isTheRealFamilyWhereInstalled()
{
    if (!QFile::exists(u"/usr/share/wine/fonts/tahoma.ttf"_qs))
        QSKIP("No Tahoma to load: Debian package fonts-wine is not installed.");
    const QFont bold = tahoma(8.25, true);
    QCOMPARE(QFontInfo(bold).family(), u"Tahoma"_qs);
    QVERIFY(QFontInfo(bold).bold());
    QCOMPARE(QFontInfo(tahoma(20.25)).family(), u"Tahoma"_qs);
}

void WidgetsTest::windows_keepTheirTabOrder_data()
{
    QTest::addColumn<WindowKind>("kind");
    QTest::addColumn<QStringList>("order");
    QTest::newRow("projectSelection") << WindowKind::ProjectSelection
                                      << QStringList{u"projList"_qs,
                                                     u"newProj"_qs,
                                                     u"delProj"_qs,
                                                     u"loadProj"_qs,
                                                     u"renameProject"_qs,
                                                     u"exportProgrammeDatatoXML"_qs,
                                                     u"exportChannelDataToDGC"_qs,
                                                     u"exitQuorvel"_qs};
    QTest::newRow("channelSelection")
        << WindowKind::ChannelSelection
        << QStringList{u"chanList"_qs,      u"addChannel"_qs,  u"deleteChannel"_qs,
                       u"renameChannel"_qs, u"editChannel"_qs, u"closeProject"_qs};
    QTest::newRow("addeditChannel")
        << WindowKind::ChannelEditor
        << QStringList{u"chanName"_qs,    u"chanNum"_qs,  u"chanUpdate"_qs, u"chanLogoURL"_qs,
                       u"chanDataURL"_qs, u"chanURL"_qs,  u"tempList"_qs,   u"addTemplate"_qs,
                       u"delTemplate"_qs, u"Command3"_qs, u"Command4"_qs};
    QTest::newRow("programmeSelection")
        << WindowKind::ProgrammeSelection
        << QStringList{u"progList"_qs,      u"addProgramme"_qs,       u"deleteProgramme"_qs,
                       u"editProgramme"_qs, u"duplicateProgramme"_qs, u"closeChannel"_qs};
    QTest::newRow("addeditProgramme")
        << WindowKind::ProgrammeEditor
        << QStringList{u"programmeName"_qs, u"startDate"_qs, u"startTime"_qs,     u"duration"_qs,
                       u"desc"_qs,          u"category"_qs,  u"saveProgramme"_qs, u"cancel"_qs};
    QTest::newRow("channelDataExport")
        << WindowKind::ChannelDataExport
        << QStringList{u"contactName"_qs, u"contactEmail"_qs, u"Homepage"_qs,
                       u"desc"_qs,        u"cmdSave"_qs,      u"cmdClose"_qs};
}

void WidgetsTest::windows_keepTheirTabOrder()
{
    QFETCH(WindowKind, kind);
    QFETCH(QStringList, order);
    WindowFixture f;
    AppWindow *window = f.navigator.moveTo(nullptr, kind);
    // The named controls in the order Tab visits them, from the first.
    QWidget *first = WindowFixture::control<QWidget>(window, order.constFirst().toLatin1());
    QStringList visited{first->objectName()};
    for (QWidget *w = first->nextInFocusChain(); w != first; w = w->nextInFocusChain()) {
        if (order.contains(w->objectName()) && (w->focusPolicy() & Qt::TabFocus))
            visited << w->objectName();
    }
    QCOMPARE(visited, order);
    WindowFixture::closeAll();
}

QTEST_MAIN(WidgetsTest)
#include "tst_widgets.moc"
