#include "store/Server.h"
#include "support/WindowFixture.h"
#include "widgets/AppWindow.h"
#include "widgets/ConnectDialog.h"
#include "widgets/EntryList.h"
#include "widgets/QtDialogs.h"

#include <QComboBox>
#include <QFile>
#include <QFontInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

// The real dialogs as far as they can be looked at without showing one, and
// the windows' tab order and font.
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

    // A prompt takes answers longer than a line edit's default, and is wide
    // enough for its caption: the longest of the prompts' captions.
    void prompt_takesLongAnswersAndShowsItsWholeCaption()
    {
        const QString longName(40000, u'n');
        const QString title = u"Rename Quorvel Project"_qs;
        const auto dialog =
            qtdialogs::makePrompt(nullptr, u"Please enter a new Project Name"_qs, title, longName);
        QCOMPARE(dialog->textValue().size(), longName.size());
        auto *edit = dialog->findChild<QLineEdit *>();
        QVERIFY(edit);
        edit->setText(longName + u"more"_qs);
        QCOMPARE(dialog->textValue().size(), longName.size() + 4);
        QCOMPARE(dialog->windowTitle(), title);
        const int needed = qtdialogs::captionWidth(title);
        QVERIFY(needed > QFontMetrics(QApplication::font()).horizontalAdvance(title));
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        QVERIFY2(dialog->width() >= needed, qPrintable(QString::number(dialog->width())));
    }

    // The server dialog's fields make an address libpq reads back into the
    // same fields; an address they cannot hold is offered as it is.
    void connectDialog_fieldsOrAddress_giveTheServersAddress_data()
    {
        // given: the fields typed (host|port|database|user|sslMode|caFile), or
        // the address used last; shown: store::serverName of the address
        addColumns<QString, QString, QString>("given", "address", "shown");
        QTest::newRow("fields")
            << u"db.example|5433|listings|editor|verify-full|/etc/ca certs/root.crt"_qs
            << u"postgresql://editor@db.example:5433/listings?sslmode=verify-full&sslrootcert="
               u"%2Fetc%2Fca%20certs%2Froot.crt"_qs
            << u"editor@db.example:5433/listings"_qs;
        QTest::newRow("awkward user and name, IPv6 host")
            << u"::1||tv guide|ed@home|prefer|"_qs
            << u"postgresql://ed%40home@[::1]/tv%20guide?sslmode=prefer"_qs
            << u"ed@home@::1/tv guide"_qs;
        QTest::newRow("the last address, in the fields")
            << u"host=db user=editor dbname=listings sslmode=require"_qs
            << u"postgresql://editor@db/listings?sslmode=require"_qs << u"editor@db/listings"_qs;
        QTest::newRow("a service, written out")
            << u"service=listings"_qs << u"service=listings"_qs << u"service listings"_qs;
    }

    void connectDialog_fieldsOrAddress_giveTheServersAddress()
    {
        QFETCH(QString, given);
        QFETCH(QString, address);
        QFETCH(QString, shown);
        const QStringList typed = given.contains(u'|') ? given.split(u'|') : QStringList();
        ConnectDialog dialog(nullptr, typed.isEmpty() ? given : QString());
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

    void windows_keepTheirTabOrderAndFont_data()
    {
        addColumns<WindowKind, QStringList>("kind", "order");
        const auto row = [](const char *window, WindowKind kind, const QString &order) {
            QTest::newRow(window) << kind << order.split(u' ');
        };
        row("projectSelection", WindowKind::ProjectSelection,
            u"projList newProj delProj loadProj renameProject exportProgrammeDatatoXML "
            u"exportChannelDataToDGC exitQuorvel"_qs);
        row("channelSelection", WindowKind::ChannelSelection,
            u"chanList addChannel deleteChannel renameChannel editChannel closeProject"_qs);
        row("addeditChannel", WindowKind::ChannelEditor,
            u"chanName chanNum chanUpdate chanLogoURL chanDataURL chanURL tempList addTemplate "
            u"delTemplate Command3 Command4"_qs);
        row("programmeSelection", WindowKind::ProgrammeSelection,
            u"progList addProgramme deleteProgramme editProgramme duplicateProgramme closeChannel"_qs);
        row("addeditProgramme", WindowKind::ProgrammeEditor,
            u"programmeName startDate startTime duration desc category saveProgramme cancel"_qs);
        row("channelDataExport", WindowKind::ChannelDataExport,
            u"contactName contactEmail Homepage desc cmdSave cmdClose"_qs);
    }

    void windows_keepTheirTabOrderAndFont()
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
        // In Tahoma, the family every window names, where it is installed.
        if (QFile::exists(u"/usr/share/wine/fonts/tahoma.ttf"_qs))
            QCOMPARE(QFontInfo(first->font()).family(), u"Tahoma"_qs);
        WindowFixture::closeAll();
    }

private:
    QTemporaryDir m_settings;
};

QTEST_MAIN(WidgetsTest)
#include "tst_widgets.moc"
