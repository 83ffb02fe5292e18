#include "projects/ProjectSelection.h"

#include "app/ClickableLabel.h"
#include "app/Dialogs.h"
#include "app/EntryList.h"
#include "app/Module1.h"
#include "app/Navigator.h"
#include "app/ProgramIcon.h"
#include "projects/Projects.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace {

QPushButton *button(const QString &name, const QString &caption, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

} // namespace

ProjectSelection::ProjectSelection(Navigator &nav, QWidget *parent) : AppWindow(nav, parent)
{
    setObjectName(QStringLiteral("projectSelection"));
    setWindowTitle(QStringLiteral("Quorvel - Project Selection"));

    m_title = new QLabel(QStringLiteral("Quorvel Project Selection"), this);
    m_title->setObjectName(QStringLiteral("Label1"));
    m_title->setFont(tahoma(20.25));

    m_image = new ClickableLabel(this);
    m_image->setObjectName(QStringLiteral("Image1"));
    m_image->setFixedSize(32, 32);
    m_image->setPixmap(programIcon().pixmap(32, 32));
    m_image->setCursor(Qt::PointingHandCursor);
    m_image->setAccessibleName(QStringLiteral("About Quorvel"));
    m_image->setToolTip(QStringLiteral("About Quorvel"));

    m_projList = new EntryList(this);
    m_projList->setObjectName(QStringLiteral("projList"));
    m_projList->setFont(tahoma(9.75));
    m_projList->setAccessibleName(QStringLiteral("Projects"));

    m_newProj = button(QStringLiteral("newProj"), QStringLiteral("New Project"), this);
    m_delProj = button(QStringLiteral("delProj"), QStringLiteral("Delete Project"), this);
    m_loadProj = button(QStringLiteral("loadProj"), QStringLiteral("Load Project"), this);
    m_renameProject =
        button(QStringLiteral("renameProject"), QStringLiteral("Rename Project"), this);
    m_exportProgrammeDatatoXML = button(QStringLiteral("exportProgrammeDatatoXML"),
                                        QStringLiteral("Export Programme Data to XML"), this);
    m_exportChannelDataToDGC = button(QStringLiteral("exportChannelDataToDGC"),
                                      QStringLiteral("Export Channel Data to DGC"), this);
    m_exitQuorvel = button(QStringLiteral("exitQuorvel"), QStringLiteral("E&xit Quorvel"), this);
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
    auto listed = projects::listProjects(state().connectionString);
    m_projList->fill(listed ? std::move(listed).value() : ListEntries());
    setSelectionButtonsEnabled(false);
    if (!listed)
        showFailure(listed.failure());
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

std::optional<qint32> ProjectSelection::selectedProjectID() const
{
    if (const auto entry = m_projList->selectedEntry())
        return entry->id;
    return std::nullopt;
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
    const auto id = selectedProjectID();
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
    const auto id = selectedProjectID();
    if (!id)
        return;
    state().currentProjectID = *id;
    navigator().moveTo(this, WindowKind::ChannelSelection);
}

void ProjectSelection::exportChannelData()
{
    const auto id = selectedProjectID();
    if (!id)
        return;
    state().currentProjectID = *id;
    navigator().moveTo(this, WindowKind::ChannelDataExport);
}

void ProjectSelection::exportProgrammeData()
{
    // Written by the export work; the button is placed and enabled already.
}
