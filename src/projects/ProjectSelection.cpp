#include "projects/ProjectSelection.h"

#include "widgets/ClickableLabel.h"
#include "widgets/Controls.h"
#include "widgets/Dialogs.h"
#include "widgets/EntryList.h"
#include "store/Module1.h"
#include "widgets/Navigation.h"
#include "widgets/ProgramIcon.h"
#include "export/ProgrammeXml.h"
#include "projects/Projects.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>

ProjectSelection::ProjectSelection(Navigation &nav, QWidget *parent) : AppWindow(nav, parent)
{
    setObjectName(QStringLiteral("projectSelection"));
    setWindowTitle(QStringLiteral("Quorvel - Project Selection"));

    m_title =
        titleLabel(QStringLiteral("Label1"), QStringLiteral("Quorvel Project Selection"), this);

    m_image = new ClickableLabel(this);
    m_image->setObjectName(QStringLiteral("Image1"));
    m_image->setFixedSize(32, 32);
    m_image->setPixmap(programIcon().pixmap(32, 32));
    m_image->setCursor(Qt::PointingHandCursor);
    m_image->setAccessibleName(QStringLiteral("About Quorvel"));
    m_image->setToolTip(QStringLiteral("About Quorvel"));

    m_projList = entryList(QStringLiteral("projList"), QStringLiteral("Projects"), this);

    m_newProj = commandButton(QStringLiteral("newProj"), QStringLiteral("New Project"), this);
    m_delProj = commandButton(QStringLiteral("delProj"), QStringLiteral("Delete Project"), this);
    m_loadProj = commandButton(QStringLiteral("loadProj"), QStringLiteral("Load Project"), this);
    m_renameProject =
        commandButton(QStringLiteral("renameProject"), QStringLiteral("Rename Project"), this);
    m_exportProgrammeDatatoXML =
        commandButton(QStringLiteral("exportProgrammeDatatoXML"),
                      QStringLiteral("Export Programme Data to XML"), this);
    m_exportChannelDataToDGC = commandButton(QStringLiteral("exportChannelDataToDGC"),
                                             QStringLiteral("Export Channel Data to DGC"), this);
    m_exitQuorvel =
        commandButton(QStringLiteral("exitQuorvel"), QStringLiteral("E&xit Quorvel"), this);
    m_newProj->setFont(tahoma(8.25));
    m_delProj->setFont(tahoma(8.25));
    m_loadProj->setFont(tahoma(8.25, true));
    m_delProj->setEnabled(false);
    m_loadProj->setEnabled(false);
    m_renameProject->setEnabled(false);
    m_exportProgrammeDatatoXML->setEnabled(false);

    auto *top = new QHBoxLayout;
    top->addWidget(m_title);
    top->addStretch();
    top->addWidget(m_image, 0, Qt::AlignTop);

    // Four buttons of one size, the last a little wider.
    auto *projectRow = new QHBoxLayout;
    projectRow->addWidget(m_newProj, 4);
    projectRow->addWidget(m_delProj, 4);
    projectRow->addWidget(m_loadProj, 4);
    projectRow->addWidget(m_renameProject, 5);

    auto *exportRow = new QHBoxLayout;
    exportRow->addWidget(m_exportProgrammeDatatoXML, 1);
    exportRow->addWidget(m_exportChannelDataToDGC, 1);
    exportRow->addWidget(m_exitQuorvel, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_projList, 1);
    layout->addLayout(projectRow);
    layout->addLayout(exportRow);
    addXmltvMenu(layout);

    setTabOrder(m_projList, m_newProj);
    setTabOrder(m_newProj, m_delProj);
    setTabOrder(m_delProj, m_loadProj);
    setTabOrder(m_loadProj, m_renameProject);
    setTabOrder(m_renameProject, m_exportProgrammeDatatoXML);
    setTabOrder(m_exportProgrammeDatatoXML, m_exportChannelDataToDGC);
    setTabOrder(m_exportChannelDataToDGC, m_exitQuorvel);
    resize(520, 380);

    connect(m_projList, &EntryList::entrySelected, this,
            [this] { setSelectionButtonsEnabled(true); });
    connect(m_projList, &EntryList::doubleClickedWithEntries, this, &ProjectSelection::loadProject);
    connect(m_newProj, &QPushButton::clicked, this, &ProjectSelection::newProject);
    connect(m_renameProject, &QPushButton::clicked, this, &ProjectSelection::renameProject);
    connect(m_delProj, &QPushButton::clicked, this, &ProjectSelection::deleteProject);
    connect(m_loadProj, &QPushButton::clicked, this, &ProjectSelection::loadProject);
    connect(m_exportChannelDataToDGC, &QPushButton::clicked, this,
            &ProjectSelection::exportChannelData);
    connect(m_exportProgrammeDatatoXML, &QPushButton::clicked, this,
            &ProjectSelection::exportProgrammeData);
    connect(m_exitQuorvel, &QPushButton::clicked, this, [this] { navigator().exitProgram(); });
    connect(m_image, &ClickableLabel::clicked, this, [this] { navigator().showAbout(this); });
}

void ProjectSelection::load()
{
    state().connectionString = buildConnectionString(navigator().programDirectory());
    projectList();
}

void ProjectSelection::projectList()
{
    fillList(m_projList, projects::listProjects(state().connectionString));
    setSelectionButtonsEnabled(false);
}

void ProjectSelection::setSelectionButtonsEnabled(bool enabled)
{
    m_loadProj->setEnabled(enabled);
    m_delProj->setEnabled(enabled);
    m_exportProgrammeDatatoXML->setEnabled(enabled);
    m_exportChannelDataToDGC->setEnabled(enabled);
    m_renameProject->setEnabled(enabled);
    m_exportXMLTV->setEnabled(enabled);
    m_importXMLTV->setEnabled(enabled);
}

void ProjectSelection::newProject()
{
    const QString name = dialogs().prompt(this, QStringLiteral("Please enter a Project Name"),
                                          QStringLiteral("New Quorvel Project"), QString());
    if (name.isEmpty())
        return;
    if (auto added = projects::newProject(state().connectionString, name); !added)
        showFailure(added.failure());
    projectList();
}

void ProjectSelection::renameProject()
{
    const auto entry = m_projList->selectedEntry();
    if (!entry)
        return;
    const QString name = dialogs().prompt(this, QStringLiteral("Please enter a new Project Name"),
                                          QStringLiteral("Rename Quorvel Project"), entry->text);
    if (name.isEmpty())
        return;
    if (auto renamed = projects::renameProject(state().connectionString, entry->id, name); !renamed)
        showFailure(renamed.failure());
    projectList();
}

void ProjectSelection::deleteProject()
{
    const auto id = m_projList->selectedId();
    if (!id)
        return;
    const auto name = projects::projectName(state().connectionString, *id);
    if (!name) {
        showFailure(name.failure());
        projectList();
        return;
    }
    const bool confirmed = dialogs().confirm(
        this,
        QStringLiteral("Are you sure you want to delete the project called %1? This action cannot "
                       "be undone, and will result in all Channel and Programme Data being lost!")
            .arg(name.value()),
        QStringLiteral("Delete Quorvel Project"), Dialogs::Icon::NoIcon);
    if (confirmed) {
        if (auto deleted = projects::deleteProject(state().connectionString, *id); !deleted)
            showFailure(deleted.failure());
    }
    // Whatever the answer, the list is read again and nothing stays selected.
    projectList();
}

void ProjectSelection::loadProject()
{
    const auto id = m_projList->selectedId();
    if (!id)
        return;
    state().currentProjectID = *id;
    navigator().moveTo(this, WindowKind::ChannelSelection);
}

void ProjectSelection::exportChannelData()
{
    const auto id = m_projList->selectedId();
    if (!id)
        return;
    state().currentProjectID = *id;
    navigator().moveTo(this, WindowKind::ChannelDataExport);
}

void ProjectSelection::exportProgrammeData()
{
    // The selected entry's project, which need not be the one loaded last.
    const auto id = m_projList->selectedId();
    if (!id)
        return;
    const auto path =
        dialogs().saveAs(this,
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
