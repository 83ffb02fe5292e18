#include "projects/ProjectSelection.h"

#include "export/ProgrammeXml.h"
#include "projects/Projects.h"
#include "store/Access.h"
#include "store/Database.h"
#include "store/Gone.h"
#include "store/Module1.h"
#include "store/Tables.h"
#include "widgets/ClickableLabel.h"
#include "widgets/Controls.h"
#include "widgets/Dialogs.h"
#include "widgets/EntryList.h"
#include "widgets/Navigation.h"
#include "widgets/ProgramIcon.h"

#include <QBoxLayout>
#include <QDir>
#include <QLabel>
#include <QPushButton>

using Project = store::tables::Project;

ProjectSelection::ProjectSelection(Navigation &nav, QWidget *parent) : AppWindow(nav, parent)
{
    setObjectName(QStringLiteral("projectSelection"));
    setWindowTitle(QStringLiteral("Quorvel - Project Selection"));

    m_title =
        titleLabel(QStringLiteral("Label1"), QStringLiteral("Quorvel Project Selection"), this);

    m_aboutPicture = new ClickableLabel(this);
    m_aboutPicture->setObjectName(QStringLiteral("Image1"));
    m_aboutPicture->setFixedSize(32, 32);
    m_aboutPicture->setPixmap(programIcon().pixmap(32, 32));
    m_aboutPicture->setCursor(Qt::PointingHandCursor);
    m_aboutPicture->setAccessibleName(QStringLiteral("About Quorvel"));
    m_aboutPicture->setToolTip(QStringLiteral("About Quorvel"));

    m_projectList = entryList(QStringLiteral("projList"), QStringLiteral("Projects"), this);

    m_newProject = commandButton(QStringLiteral("newProj"), QStringLiteral("New Project"), this);
    m_deleteProject =
        commandButton(QStringLiteral("delProj"), QStringLiteral("Delete Project"), this);
    m_loadProject = commandButton(QStringLiteral("loadProj"), QStringLiteral("Load Project"), this);
    m_renameProject =
        commandButton(QStringLiteral("renameProject"), QStringLiteral("Rename Project"), this);
    m_exportProgrammeXml = commandButton(QStringLiteral("exportProgrammeDatatoXML"),
                                         QStringLiteral("Export Programme Data to XML"), this);
    m_exportChannelFile = commandButton(QStringLiteral("exportChannelDataToDGC"),
                                        QStringLiteral("Export Channel Data to DGC"), this);
    m_exit = commandButton(QStringLiteral("exitQuorvel"), QStringLiteral("E&xit Quorvel"), this);
    m_newProject->setFont(tahoma(8.25));
    m_deleteProject->setFont(tahoma(8.25));
    m_loadProject->setFont(tahoma(8.25, true));
    m_deleteProject->setEnabled(false);
    m_loadProject->setEnabled(false);
    m_renameProject->setEnabled(false);
    m_exportProgrammeXml->setEnabled(false);

    auto *top = new QHBoxLayout;
    top->addWidget(m_title);
    top->addStretch();
    top->addWidget(m_aboutPicture, 0, Qt::AlignTop);

    // Four buttons of one size, the last a little wider; under them three of
    // one size, wider still.
    QHBoxLayout *projectRow =
        buttonRow({m_newProject, m_deleteProject, m_loadProject, m_renameProject}, {4, 4, 4, 5});
    QHBoxLayout *exportRow = buttonRow({m_exportProgrammeXml, m_exportChannelFile, m_exit});

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_projectList, 1);
    layout->addLayout(projectRow);
    layout->addLayout(exportRow);
    addFileMenu(layout);

    setTabOrder(m_projectList, m_newProject);
    setTabOrder(m_newProject, m_deleteProject);
    setTabOrder(m_deleteProject, m_loadProject);
    setTabOrder(m_loadProject, m_renameProject);
    setTabOrder(m_renameProject, m_exportProgrammeXml);
    setTabOrder(m_exportProgrammeXml, m_exportChannelFile);
    setTabOrder(m_exportChannelFile, m_exit);
    resize(520, 380);

    connect(m_projectList, &EntryList::entrySelected, this, [this] {
        setSelectionButtonsEnabled(true);
        offerLastProject();
    });
    connect(m_projectList, &EntryList::doubleClickedWithEntries, this,
            &ProjectSelection::loadProject);
    connect(m_newProject, &QPushButton::clicked, this, &ProjectSelection::newProject);
    connect(m_renameProject, &QPushButton::clicked, this, &ProjectSelection::renameProject);
    connect(m_deleteProject, &QPushButton::clicked, this, &ProjectSelection::deleteProject);
    connect(m_loadProject, &QPushButton::clicked, this, &ProjectSelection::loadProject);
    connect(m_exportChannelFile, &QPushButton::clicked, this, &ProjectSelection::exportChannelData);
    connect(m_exportProgrammeXml, &QPushButton::clicked, this,
            &ProjectSelection::exportProgrammeData);
    connect(m_exit, &QPushButton::clicked, this, [this] { navigator().exitProgram(); });
    connect(m_aboutPicture, &ClickableLabel::clicked, this,
            [this] { navigator().showAbout(this); });
}

void ProjectSelection::load()
{
    state().connectionString = navigator().database();
    // A failure to ask shows as the list's own failure just after.
    const auto access = store::access(state().connectionString);
    state().access = access ? access.value() : store::Access::Own;
    showDatabase();
    fillProjectList();
    holdWhileReadOnly({m_newProject, m_deleteProject, m_renameProject, m_importXmltv});
}

void ProjectSelection::fillProjectList()
{
    fillList(m_projectList, projects::listProjects(state().connectionString));
    setSelectionButtonsEnabled(false);
    offerLastProject();
}

std::optional<qint32> ProjectSelection::scheduleProject() const
{
    if (const auto selected = m_projectList->selectedId())
        return selected;
    const std::optional<qint32> last = state().currentProjectID;
    for (const ListEntry &entry : m_projectList->entries()) {
        if (last && entry.id == *last)
            return last;
    }
    return std::nullopt;
}

void ProjectSelection::offerLastProject()
{
    // Every fill leaves the list with nothing selected, so the keyboard user
    // back from a project (Ctrl+W) could not reopen its schedule (Ctrl+E)
    // without finding it again: with nothing selected, the schedule opens
    // for the project last worked in, and its menu item says which.
    m_schedule->setText(QStringLiteral("&Schedule..."));
    const std::optional<qint32> project = scheduleProject();
    if (m_projectList->selectedId() || !project)
        return;
    for (const ListEntry entry : m_projectList->entries()) {
        if (entry.id != *project)
            continue;
        QString name = entry.text;
        name.replace(u'&', QStringLiteral("&&"));
        m_schedule->setText(QStringLiteral("&Schedule of \u201c%1\u201d...").arg(name));
        m_schedule->setEnabled(true);
        return;
    }
}

void ProjectSelection::refreshFromStore()
{
    refreshList(
        m_projectList, [path = state().connectionString] { return projects::listProjects(path); },
        QString(), WindowKind::ProjectSelection,
        [this] {
            setSelectionButtonsEnabled(m_projectList->selectedId().has_value());
            offerLastProject();
        });
}

void ProjectSelection::setSelectionButtonsEnabled(bool enabled)
{
    m_loadProject->setEnabled(enabled);
    m_deleteProject->setEnabled(enabled);
    m_exportProgrammeXml->setEnabled(enabled);
    m_exportChannelFile->setEnabled(enabled);
    m_renameProject->setEnabled(enabled);
    m_exportXmltv->setEnabled(enabled);
    m_importXmltv->setEnabled(enabled);
    m_schedule->setEnabled(enabled);
}

void ProjectSelection::newProject()
{
    const QString name = dialogs().prompt(this, QStringLiteral("Please enter a Project Name"),
                                          QStringLiteral("New Quorvel Project"), QString());
    if (name.isEmpty())
        return;
    if (auto added = projects::newProject(state().connectionString, name); !added) {
        showFailure(added.failure());
        return;
    }
    fillProjectList();
}

void ProjectSelection::renameProject()
{
    const auto entry = m_projectList->selectedEntry();
    if (!entry)
        return;
    const QString name = dialogs().prompt(this, QStringLiteral("Please enter a new Project Name"),
                                          QStringLiteral("Rename Quorvel Project"), entry->text);
    if (name.isEmpty())
        return;
    if (auto renamed =
            projects::renameProject(state().connectionString, entry->id, name, entry->text);
        !renamed) {
        showFailure(store::naming(renamed.failure(), Project::table, entry->text));
        return;
    }
    fillProjectList();
}

void ProjectSelection::deleteProject()
{
    const auto entry = m_projectList->selectedEntry();
    if (!entry)
        return;
    const auto name = projects::projectName(state().connectionString, entry->id);
    if (!name) {
        showFailure(store::naming(name.failure(), Project::table, entry->text));
        return;
    }
    const bool confirmed = dialogs().confirm(
        this,
        QStringLiteral("Are you sure you want to delete the project called %1? This action cannot "
                       "be undone, and will result in all Channel and Programme Data being lost!")
            .arg(name.value()),
        QStringLiteral("Delete Quorvel Project"), Dialogs::Icon::NoIcon);
    if (confirmed) {
        if (auto deleted = projects::deleteProject(state().connectionString, entry->id); !deleted) {
            showFailure(store::naming(deleted.failure(), Project::table, name.value()));
            return;
        }
    }
    // Whatever the answer, the list is read again and nothing stays selected.
    fillProjectList();
}

void ProjectSelection::loadProject()
{
    const auto id = m_projectList->selectedId();
    if (!id)
        return;
    state().currentProjectID = *id;
    navigator().moveTo(this, WindowKind::ChannelSelection);
}

void ProjectSelection::openSchedule()
{
    const auto id = scheduleProject();
    if (!id)
        return;
    state().currentProjectID = *id;
    navigator().moveTo(this, WindowKind::Schedule);
}

void ProjectSelection::exportChannelData()
{
    const auto id = m_projectList->selectedId();
    if (!id)
        return;
    state().currentProjectID = *id;
    navigator().moveTo(this, WindowKind::ChannelDataExport);
}

void ProjectSelection::exportProgrammeData()
{
    // The selected entry's project, which need not be the one loaded last.
    const auto id = m_projectList->selectedId();
    if (!id)
        return;
    const auto path =
        dialogs().saveAs(this, Dialogs::FileKind::ProgrammeXml,
                         {{QStringLiteral("All Files (*.*)"), QStringLiteral("*.*")},
                          {QStringLiteral("XML Files (*.xml)"), QStringLiteral("*.xml")}},
                         2);
    if (!path)
        return;
    // Silent on failure, like the channel-file export: lines already
    // written stay in the file and no completion message is shown.
    if (!exports::writeProgrammeXml(*id, *path, state().connectionString))
        return;
    dialogs().inform(this, QStringLiteral("Export Completed"),
                     QStringLiteral("Quorvel Project Export"));
}
