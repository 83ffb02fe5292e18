#include "store/Server.h"
#include "support/WindowFixture.h"
#include "widgets/AppWindow.h"
#include "widgets/ConnectDialog.h"
#include "widgets/EntryList.h"
#include "widgets/QtDialogs.h"

#include <QComboBox>
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
    void initTestCase()
    {
        // Never the user's own settings.
        QVERIFY(m_settings.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
    }

    void prompt_takesAnswersLongerThanLineEditDefault()
    {
        const QString longName(40000, u'n');
        const auto dialog = qtdialogs::makePrompt(nullptr, u"Please enter a Project Name"_qs,
                                                  u"New Quorvel Project"_qs, longName);
        auto *edit = dialog->findChild<QLineEdit *>();
        QVERIFY(edit);
        edit->setText(longName + u"more"_qs);
        QCOMPARE(dialog->textValue().size(), longName.size() + 4);
        QCOMPARE(dialog->windowTitle(), u"New Quorvel Project"_qs);
    }

    void dialogs_wideEnoughForTheirCaption_data()
    {
        addColumns<QString, bool>("title", "prompt");
        // The longest of the prompts' captions; the others take the same path.
        QTest::newRow("Rename Project") << u"Rename Quorvel Project"_qs << true;
        QTest::newRow("Export Completed") << u"Quorvel Project Export"_qs << false;
    }

    void dialogs_wideEnoughForTheirCaption()
    {
        QFETCH(QString, title);
        QFETCH(bool, prompt);
        const int needed = qtdialogs::captionWidth(title);
        QVERIFY(needed > QFontMetrics(QApplication::font()).horizontalAdvance(title));
        std::unique_ptr<QDialog> dialog;
        if (prompt)
            dialog = qtdialogs::makePrompt(nullptr, u"Text"_qs, title, QString());
        else
            dialog = qtdialogs::makeMessage(nullptr, Dialogs::Icon::Information,
                                            u"Export Completed"_qs, title, QMessageBox::Ok);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        QVERIFY2(dialog->width() >= needed, qPrintable(QString::number(dialog->width())));
        dialog->hide();
    }

    // The server dialog's fields make an address libpq reads back into the
    // same fields; an address they cannot hold is offered as it is.
    void connectDialog_fieldsOrAddress_giveTheServersAddress_data()
    {
        // typed: host, port, database, user, sslMode, caFile
        // shown: store::serverName of it
        addColumns<QString, QStringList, QString, QString>("last", "typed", "address", "shown");
        QTest::newRow("fields")
            << QString()
            << QStringList{u"db.example"_qs, u"5433"_qs,        u"listings"_qs,
                           u"editor"_qs,     u"verify-full"_qs, u"/etc/ca certs/root.crt"_qs}
            << u"postgresql://editor@db.example:5433/listings?sslmode=verify-full&sslrootcert="
               u"%2Fetc%2Fca%20certs%2Froot.crt"_qs
            << u"editor@db.example:5433/listings"_qs;
        QTest::newRow("awkward user and name, IPv6 host")
            << QString() << QStringList{u"::1"_qs,     QString(),    u"tv guide"_qs,
                                        u"ed@home"_qs, u"prefer"_qs, QString()}
            << u"postgresql://ed%40home@[::1]/tv%20guide?sslmode=prefer"_qs
            << u"ed@home@::1/tv guide"_qs;
        QTest::newRow("the last address, in the fields")
            << u"host=db user=editor dbname=listings sslmode=require"_qs << QStringList()
            << u"postgresql://editor@db/listings?sslmode=require"_qs << u"editor@db/listings"_qs;
        QTest::newRow("a service, written out") << u"service=listings"_qs << QStringList()
                                                << u"service=listings"_qs << u"service listings"_qs;
    }

    void connectDialog_fieldsOrAddress_giveTheServersAddress()
    {
        QFETCH(QString, last);
        QFETCH(QStringList, typed);
        QFETCH(QString, address);
        QFETCH(QString, shown);
        ConnectDialog dialog(nullptr, last);
        const QStringList names{u"host"_qs, u"port"_qs, u"database"_qs, u"user"_qs};
        for (qsizetype i = 0; i < typed.size(); ++i) {
            if (i == 4)
                dialog.findChild<QComboBox *>(u"sslMode"_qs)->setCurrentText(typed[i]);
            else
                dialog.findChild<QLineEdit *>(i == 5 ? u"caFile"_qs : names[i])->setText(typed[i]);
        }
        QCOMPARE(dialog.address(), address);
        QCOMPARE(store::serverName(dialog.address()), shown);
        QVERIFY(store::isServerAddress(dialog.address()));
        // What libpq reads back fills a new dialog the same way.
        if (!typed.isEmpty())
            QCOMPARE(ConnectDialog(nullptr, dialog.address()).address(), address);
    }

    void folders_rememberedPerKindOfFile()
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

    void tahoma_isTheRealFamilyWhereInstalled()
    {
        if (!QFile::exists(u"/usr/share/wine/fonts/tahoma.ttf"_qs))
            QSKIP("No Tahoma to load: Debian package fonts-wine is not installed.");
        const QFont bold = tahoma(8.25, true);
        QCOMPARE(QFontInfo(bold).family(), u"Tahoma"_qs);
        QVERIFY(QFontInfo(bold).bold());
        QCOMPARE(QFontInfo(tahoma(20.25)).family(), u"Tahoma"_qs);
    }

    void windows_keepTheirTabOrderAndEvenButtonRows_data()
    {
        // rows: rows of buttons of one width each, each wider than the one before.
        addColumns<WindowKind, QStringList, QStringList>("kind", "order", "rows");
        const auto row = [](const char *window, WindowKind kind, const QString &order,
                            const QString &rows = {}) {
            QTest::newRow(window) << kind << order.split(u' ')
                                  << rows.split(u'|', Qt::SkipEmptyParts);
        };
        row("projectSelection", WindowKind::ProjectSelection,
            u"projList newProj delProj loadProj renameProject exportProgrammeDatatoXML "
            u"exportChannelDataToDGC exitQuorvel"_qs,
            u"newProj delProj loadProj|renameProject|exportProgrammeDatatoXML "
            u"exportChannelDataToDGC exitQuorvel"_qs);
        row("channelSelection", WindowKind::ChannelSelection,
            u"chanList addChannel deleteChannel renameChannel editChannel closeProject"_qs);
        row("addeditChannel", WindowKind::ChannelEditor,
            u"chanName chanNum chanUpdate chanLogoURL chanDataURL chanURL tempList addTemplate "
            u"delTemplate Command3 Command4"_qs);
        const QString programmeButtons =
            u"addProgramme deleteProgramme editProgramme duplicateProgramme closeChannel"_qs;
        row("programmeSelection", WindowKind::ProgrammeSelection,
            u"progList "_qs + programmeButtons, programmeButtons);
        row("addeditProgramme", WindowKind::ProgrammeEditor,
            u"programmeName startDate startTime duration desc category saveProgramme cancel"_qs);
        row("channelDataExport", WindowKind::ChannelDataExport,
            u"contactName contactEmail Homepage desc cmdSave cmdClose"_qs);
    }

    void windows_keepTheirTabOrderAndEvenButtonRows()
    {
        QFETCH(WindowKind, kind);
        QFETCH(QStringList, order);
        QFETCH(QStringList, rows);
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

        QVERIFY(QTest::qWaitForWindowExposed(window));
        int narrower = 0;
        for (const QString &row : rows) {
            const QStringList names = row.split(u' ');
            const int width = WindowFixture::control(window, qPrintable(names[0]))->width();
            QVERIFY2(width > narrower, qPrintable(row));
            for (const QString &name : names) {
                const QPushButton *button = WindowFixture::control(window, qPrintable(name));
                QCOMPARE(button->width(), width);
                QVERIFY2(width >= button->sizeHint().width(), qPrintable(name));
            }
            narrower = width;
        }
        WindowFixture::closeAll();
    }

private:
    QTemporaryDir m_settings;
};

QTEST_MAIN(WidgetsTest)
#include "tst_widgets.moc"
