// The project window's XMLTV commands: the guide file that media centres,
// TV servers and IPTV players read, written from the selected project or
// brought into it.

#include "projects/ProjectSelection.h"

#include "store/Module1.h"
#include "widgets/BackgroundWork.h"
#include "widgets/Dialogs.h"
#include "widgets/EntryList.h"
#include "widgets/Navigation.h"
#include "xmltv/XmltvImport.h"
#include "xmltv/XmltvWriter.h"

#include <QBoxLayout>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <new>
#include <optional>

namespace {

// A long list of left-out programmes or changed texts would make a message
// taller than the screen; the first ones show the user what to look for.
constexpr int linesShown = 20;

QString counted(qint64 count, const QString &one, const QString &many)
{
    return QStringLiteral("%1 %2").arg(count).arg(count == 1 ? one : many);
}

Dialogs::FileFilter xmltvFiles()
{
    return {QStringLiteral("XMLTV Files (*.xml)"), QStringLiteral("*.xml")};
}

// The heading, then the first lines.
void appendShown(QString &text, const QString &heading, const QStringList &lines)
{
    if (lines.isEmpty())
        return;
    text += QStringLiteral("\n\n%1:\n").arg(heading);
    for (qsizetype i = 0; i < lines.size() && i < linesShown; ++i)
        text += u'\n' + lines.at(i);
    if (lines.size() > linesShown)
        text += QStringLiteral("\n... and %1 more.").arg(lines.size() - linesShown);
}

QString exportReport(const xmltv::XmltvExport &done)
{
    QString text =
        QStringLiteral("Export Completed\n\n%1 on %2 written.")
            .arg(
                counted(done.programmes, QStringLiteral("programme"), QStringLiteral("programmes")),
                counted(done.channels, QStringLiteral("channel"), QStringLiteral("channels")));
    QStringList leftOut;
    for (const xmltv::LeftOutProgramme &p : done.leftOut) {
        leftOut << QStringLiteral("\"%1\" on %2, start \"%3\" \"%4\": %5")
                       .arg(p.name, p.channel, p.startDate, p.startTime, p.reason);
    }
    appendShown(text,
                leftOut.size() == 1
                    ? QStringLiteral("This programme was left out")
                    : QStringLiteral("These %1 programmes were left out").arg(leftOut.size()),
                leftOut);
    QStringList changed;
    for (const xmltv::ChangedText &c : done.changed)
        changed << xmltv::changedTextLine(c);
    appendShown(text,
                changed.size() == 1
                    ? QStringLiteral("This text was written otherwise than stored")
                    : QStringLiteral("These %1 texts were written otherwise than stored")
                          .arg(changed.size()),
                changed);
    return text;
}

QString importReport(const xmltv::XmltvImport &done)
{
    return QStringLiteral("Import Completed\n\n%1 imported: %2 of the project's replaced, %3 "
                          "kept.\n%4 added, %5 matched by id, %6 matched by name.")
        .arg(counted(done.programmes, QStringLiteral("programme"), QStringLiteral("programmes")),
             QString::number(done.programmesReplaced), QString::number(done.programmesKept),
             counted(done.channelsAdded, QStringLiteral("channel"), QStringLiteral("channels")),
             QString::number(done.channelsMatchedById),
             QString::number(done.channelsMatchedByName));
}

// An import on a worker thread, which opens a connection of its own, with a
// progress dialog that shows the programmes read so far and can cancel it.
// The dialog is shown, never run modally, so the window's event loop keeps
// running; being window-modal it keeps the user from starting anything else
// in the window meanwhile. The run belongs to the window: should the window
// go first, the import is cancelled and left to wind down on its own thread,
// so that closing never waits for it.
class XmltvImportRun final : public QObject
{
public:
    // cancelled: the user's cancel was taken, so the import failed and left
    // the project as it was.
    using Done = std::function<void(const store::Result<xmltv::XmltvImport> &, bool cancelled)>;

    XmltvImportRun(QWidget *window, const QString &databasePath, qint32 projectID,
                   const QString &path, Done done)
        : QObject(window), m_done(std::move(done)), m_shared(std::make_shared<Shared>())
    {
        setObjectName(QStringLiteral("xmltvImportRun"));
        m_dialog = new QProgressDialog(window);
        m_dialog->setObjectName(QStringLiteral("xmltvImportProgress"));
        m_dialog->setWindowTitle(QStringLiteral("Quorvel XMLTV Import"));
        m_file = QFileInfo(path).fileName();
        m_dialog->setLabelText(progressText(0));
        auto *cancel = new QPushButton(QStringLiteral("Cancel"), m_dialog);
        cancel->setObjectName(QStringLiteral("cancelImport"));
        m_dialog->setCancelButton(cancel);
        // A busy indicator: how many programmes the file holds is not known.
        m_dialog->setRange(0, 0);
        m_dialog->setAutoClose(false);
        m_dialog->setAutoReset(false);
        m_dialog->setMinimumDuration(0);
        m_dialog->setWindowModality(Qt::WindowModal);
        connect(m_dialog, &QProgressDialog::canceled, this, [this, cancel] {
            cancel->setEnabled(false);
            m_dialog->setLabelText(
                (m_shared->cancel.cancel()
                     ? QStringLiteral("Cancelling the import of %1...")
                     : QStringLiteral("Finishing the import of %1: it is too late to cancel."))
                    .arg(m_file));
        });

        // The worker only counts; the dialog looks at the count a few times
        // a second, so a fast import does not flood the event loop.
        m_refresh = new QTimer(this);
        connect(m_refresh, &QTimer::timeout, this, [this] {
            if (m_dialog->wasCanceled())
                return;
            m_dialog->setLabelText(progressText(m_shared->read.load()));
        });
        m_refresh->start(100);

        // The thread keeps what it shares with the window alive by itself:
        // it may run on after the window has gone.
        m_thread = QThread::create([shared = m_shared, databasePath, projectID, path] {
            xmltv::XmltvImportControl control;
            control.cancel = &shared->cancel;
            control.progress = [raw = shared.get()](qint64 read) {
                raw->read.store(read);
            };
            try {
                shared->result.emplace(xmltv::importXmltv(databasePath, projectID, path, control));
            } catch (const std::bad_alloc &) {
                shared->result.emplace(store::Failure{
                    QString(), QStringLiteral("There was not enough memory for the import."),
                    databasePath});
            }
        });
        connect(m_thread, &QThread::finished, this, &XmltvImportRun::finish);
        adoptWorker(m_thread);
        m_thread->start();
        m_dialog->show();
    }

    ~XmltvImportRun() override
    {
        // Cancelled, the import rolls back and its thread ends by itself.
        if (m_thread)
            m_shared->cancel.cancel();
    }

private:
    struct Shared
    {
        xmltv::ImportCancel cancel;
        std::atomic<qint64> read{0};
        std::optional<store::Result<xmltv::XmltvImport>> result;
    };

    QString progressText(qint64 read) const
    {
        return QStringLiteral("Importing %1...\n\n%2 read so far.")
            .arg(m_file, counted(read, QStringLiteral("programme"), QStringLiteral("programmes")));
    }

    void finish()
    {
        m_thread = nullptr;
        m_refresh->stop();
        delete m_dialog;
        m_dialog = nullptr;
        const Done done = std::move(m_done);
        const auto result = m_shared->result.value_or(store::Failure{
            QString(), QStringLiteral("The import stopped without saying why."), QString()});
        deleteLater();
        done(result, m_shared->cancel.cancelled());
    }

    Done m_done;
    std::shared_ptr<Shared> m_shared;
    QString m_file;
    QProgressDialog *m_dialog = nullptr;
    QTimer *m_refresh = nullptr;
    // While the import runs.
    QThread *m_thread = nullptr;
};

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
    addDatabaseActions(file);
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
    // One import at a time: the progress dialog keeps the user from a
    // second one, but not a program that triggers the command.
    if (!id || findChild<QObject *>(QStringLiteral("xmltvImportRun")))
        return;
    // Guides come with other names too (.xmltv, or none at all).
    const auto path =
        dialogs().openFile(this, Dialogs::FileKind::Xmltv,
                           {xmltvFiles(), {QStringLiteral("All Files (*)"), QStringLiteral("*")}});
    if (!path)
        return;
    new XmltvImportRun(this, state().connectionString, *id, *path,
                       [this](const store::Result<xmltv::XmltvImport> &imported, bool cancelled) {
                           // The user asked for the store to stay as it was, and it has.
                           if (cancelled)
                               return;
                           if (!imported) {
                               showFailure(imported.failure());
                               return;
                           }
                           dialogs().inform(this, importReport(imported.value()),
                                            QStringLiteral("Quorvel XMLTV Import"));
                       });
}
