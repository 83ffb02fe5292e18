#include "channels/ChannelSelection.h"

#include "channels/Channels.h"
#include "projects/Projects.h"
#include "store/Gone.h"
#include "store/Module1.h"
#include "store/Tables.h"
#include "widgets/Controls.h"
#include "widgets/Dialogs.h"
#include "widgets/EntryList.h"
#include "widgets/Navigation.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>

ChannelSelection::ChannelSelection(Navigation &nav, QWidget *parent) : AppWindow(nav, parent)
{
    setObjectName(QStringLiteral("channelSelection"));
    setWindowTitle(QStringLiteral("Quorvel - Channel Selection"));
    setFont(tahoma(8.25));

    m_title =
        titleLabel(QStringLiteral("label1"), QStringLiteral("Quorvel Channel Selection"), this);

    m_channelList = entryList(QStringLiteral("chanList"), QStringLiteral("Channels"), this);

    m_addChannel = commandButton(QStringLiteral("addChannel"), QStringLiteral("Add Channel"), this);
    m_deleteChannel =
        commandButton(QStringLiteral("deleteChannel"), QStringLiteral("Delete Channel"), this);
    m_modifyChannel =
        commandButton(QStringLiteral("renameChannel"), QStringLiteral("Modify Channel"), this);
    m_programmeData =
        commandButton(QStringLiteral("editChannel"), QStringLiteral("Programme Data"), this);
    m_closeProject =
        commandButton(QStringLiteral("closeProject"), QStringLiteral("Close Project"), this);
    m_programmeData->setFont(tahoma(8.25, true));
    setSelectionButtonsEnabled(false);

    // Five buttons of one size in one row under the list.
    QHBoxLayout *buttons = buttonRow(
        {m_addChannel, m_deleteChannel, m_modifyChannel, m_programmeData, m_closeProject});

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    layout->addWidget(m_channelList, 1);
    layout->addLayout(buttons);

    setTabOrder(m_channelList, m_addChannel);
    setTabOrder(m_addChannel, m_deleteChannel);
    setTabOrder(m_deleteChannel, m_modifyChannel);
    setTabOrder(m_modifyChannel, m_programmeData);
    setTabOrder(m_programmeData, m_closeProject);
    resize(560, 380);

    connect(m_channelList, &EntryList::entrySelected, this,
            [this] { setSelectionButtonsEnabled(true); });
    connect(m_channelList, &EntryList::doubleClickedWithEntries, this,
            &ChannelSelection::programmeData);
    connect(m_addChannel, &QPushButton::clicked, this, &ChannelSelection::addChannel);
    connect(m_deleteChannel, &QPushButton::clicked, this, &ChannelSelection::deleteChannel);
    connect(m_modifyChannel, &QPushButton::clicked, this, &ChannelSelection::modifyChannel);
    connect(m_programmeData, &QPushButton::clicked, this, &ChannelSelection::programmeData);
    connect(m_closeProject, &QPushButton::clicked, this,
            [this] { navigator().moveTo(this, WindowKind::ProjectSelection); });
}

void ChannelSelection::load()
{
    fillChannelList();
    holdWhileReadOnly({m_addChannel, m_deleteChannel, m_modifyChannel});
}

void ChannelSelection::fillChannelList()
{
    // Without a loaded project there is nothing to list; identifiers start at 1.
    const qint32 project = state().currentProjectID.value_or(0);
    fillList(m_channelList,
             project ? channels::listChannels(state().connectionString, project) : ListEntries(),
             WindowKind::ProjectSelection);
    setSelectionButtonsEnabled(false);
}

void ChannelSelection::refreshFromStore()
{
    const qint32 project = state().currentProjectID.value_or(0);
    if (!project)
        return;
    refreshList(
        m_channelList,
        [path = state().connectionString, project] {
            return channels::listChannels(path, project);
        },
        store::tables::Project::table, WindowKind::ProjectSelection,
        [this] { setSelectionButtonsEnabled(m_channelList->selectedId().has_value()); });
}

AppWindow::NameReader ChannelSelection::parentNameReader() const
{
    return [path = state().connectionString, project = state().currentProjectID.value_or(0)] {
        return projects::projectName(path, project);
    };
}

void ChannelSelection::setSelectionButtonsEnabled(bool enabled)
{
    m_programmeData->setEnabled(enabled);
    m_deleteChannel->setEnabled(enabled);
    m_modifyChannel->setEnabled(enabled);
}

void ChannelSelection::addChannel()
{
    state().currentChannelID = 0;
    navigator().moveTo(this, WindowKind::ChannelEditor);
}

void ChannelSelection::modifyChannel()
{
    const auto id = m_channelList->selectedId();
    if (!id)
        return;
    state().currentChannelID = *id;
    navigator().moveTo(this, WindowKind::ChannelEditor);
}

void ChannelSelection::programmeData()
{
    // A double-click beside the entries selects nothing; it then does nothing.
    const auto id = m_channelList->selectedId();
    if (!id)
        return;
    state().currentChannelID = *id;
    navigator().moveTo(this, WindowKind::ProgrammeSelection);
}

void ChannelSelection::deleteChannel()
{
    const auto entry = m_channelList->selectedEntry();
    if (!entry)
        return;
    const bool confirmed = dialogs().confirm(
        this,
        QStringLiteral("Are you sure you want to delete %1? This will delete all programme data "
                       "for this channel and cannot be undone")
            .arg(entry->text),
        QStringLiteral("Quorvel - Delete Channel"), Dialogs::Icon::Question);
    if (!confirmed)
        return;
    if (auto deleted = channels::deleteChannel(state().connectionString, entry->id); !deleted) {
        // Nothing was removed, so the list and its selection still hold,
        // unless another program deleted the channel first.
        showFailure(store::naming(deleted.failure(), store::tables::Channel::table, entry->text));
        return;
    }
    fillChannelList();
}
