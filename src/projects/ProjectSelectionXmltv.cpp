// The project window's XMLTV commands: the guide file that media centres,
// TV servers and IPTV players read, written from the selected project or
// brought into it.

#include "projects/ProjectSelection.h"

#include "store/Module1.h"
#include "widgets/Dialogs.h"
#include "widgets/EntryList.h"
#include "widgets/Navigation.h"
#include "xmltv/XmltvImport.h"
#include "xmltv/XmltvWriter.h"

#include <QBoxLayout>
#include <QDir>
#include <QMenu>
#include <QMenuBar>

namespace {

// A long list of left-out programmes would make a message taller than the
// screen; the first ones show the user what to look for.
constexpr int leftOutShown = 20;

QString counted(qint64 count, const QString &one, const QString &many)
{
    return QStringLiteral("%1 %2").arg(count).arg(count == 1 ? one : many);
}

Dialogs::FileFilter xmltvFiles()
{
    return {QStringLiteral("XMLTV Files (*.xml)"), QStringLiteral("*.xml")};
}

QString exportReport(const xmltv::XmltvExport &done)
{
    QString text =
        QStringLiteral("Export Completed\n\n%1 on %2 written.")
            .arg(
                counted(done.programmes, QStringLiteral("programme"), QStringLiteral("programmes")),
                counted(done.channels, QStringLiteral("channel"), QStringLiteral("channels")));
    if (done.leftOut.isEmpty())
        return text;
    text += QStringLiteral("\n\n%1 left out:\n")
                .arg(done.leftOut.size() == 1
                         ? QStringLiteral("This programme was")
                         : QStringLiteral("These %1 programmes were").arg(done.leftOut.size()));
    for (qsizetype i = 0; i < done.leftOut.size() && i < leftOutShown; ++i) {
        const xmltv::LeftOutProgramme &p = done.leftOut.at(i);
        text += QStringLiteral("\n\"%1\" on %2, start \"%3\" \"%4\": %5")
                    .arg(p.name, p.channel, p.startDate, p.startTime, p.reason);
    }
    if (done.leftOut.size() > leftOutShown)
        text += QStringLiteral("\n... and %1 more.").arg(done.leftOut.size() - leftOutShown);
    return text;
}

} // namespace

void ProjectSelection::addFileMenu(QVBoxLayout *layout)
{
    auto *bar = new QMenuBar(this);
    bar->setObjectName(QStringLiteral("menuBar"));
    QMenu *file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("fileMenu"));
    m_exportXmltv = file->addAction(QStringLiteral("Export XMLTV..."));
    m_exportXmltv->setObjectName(QStringLiteral("exportXMLTV"));
    m_importXmltv = file->addAction(QStringLiteral("Import XMLTV..."));
    m_importXmltv->setObjectName(QStringLiteral("importXMLTV"));
    file->addSeparator();
    m_schedule = file->addAction(QStringLiteral("&Schedule..."));
    m_schedule->setObjectName(QStringLiteral("openSchedule"));
    m_schedule->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    m_schedule->setEnabled(false);
    connect(m_schedule, &QAction::triggered, this, &ProjectSelection::openSchedule);
    file->addSeparator();
    m_exitAction = file->addAction(QStringLiteral("E&xit"));
    m_exitAction->setObjectName(QStringLiteral("exitAction"));
    // Like the buttons that act on the selected project.
    m_exportXmltv->setEnabled(false);
    m_importXmltv->setEnabled(false);
    layout->setMenuBar(bar);

    connect(m_exportXmltv, &QAction::triggered, this, &ProjectSelection::exportXmltv);
    connect(m_importXmltv, &QAction::triggered, this, &ProjectSelection::importXmltv);
    // The same as the Exit button.
    connect(m_exitAction, &QAction::triggered, this, [this] { navigator().exitProgram(); });
}

void ProjectSelection::exportXmltv()
{
    const auto id = m_projectList->selectedId();
    if (!id)
        return;
    const auto path = dialogs().saveAs(this, Dialogs::FileKind::Xmltv, {xmltvFiles()}, 1);
    if (!path)
        return;
    const auto written =
        xmltv::writeXmltv(state().connectionString, *id, *path, QTimeZone::systemTimeZone());
    if (!written) {
        showFailure(written.failure());
        return;
    }
    dialogs().inform(this, exportReport(written.value()), QStringLiteral("Quorvel XMLTV Export"));
}

void ProjectSelection::importXmltv()
{
    const auto id = m_projectList->selectedId();
    if (!id)
        return;
    // Guides come with other names too (.xmltv, or none at all).
    const auto path =
        dialogs().openFile(this, Dialogs::FileKind::Xmltv,
                           {xmltvFiles(), {QStringLiteral("All Files (*)"), QStringLiteral("*")}});
    if (!path)
        return;
    const auto imported = xmltv::importXmltv(state().connectionString, *id, *path);
    if (!imported) {
        showFailure(imported.failure());
        return;
    }
    const xmltv::XmltvImport &done = imported.value();
    dialogs().inform(
        this,
        QStringLiteral("Import Completed\n\n%1 imported; %2 added, %3 matched by name.")
            .arg(
                counted(done.programmes, QStringLiteral("programme"), QStringLiteral("programmes")),
                counted(done.channelsAdded, QStringLiteral("channel"), QStringLiteral("channels")),
                QString::number(done.channelsMatched)),
        QStringLiteral("Quorvel XMLTV Import"));
}
