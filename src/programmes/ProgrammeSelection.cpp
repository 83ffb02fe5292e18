#include "programmes/ProgrammeSelection.h"

#include "channels/Channels.h"
#include "programmes/Programmes.h"
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

ProgrammeSelection::ProgrammeSelection(Navigation &nav, QWidget *parent) : AppWindow(nav, parent)
{
    setObjectName(QStringLiteral("programmeSelection"));
    setWindowTitle(QStringLiteral("Quorvel - Programme Selection"));
    setFont(tahoma(8.25));

    m_title =
        titleLabel(QStringLiteral("Label1"), QStringLiteral("Quorvel Programme Selection"), this);

    m_programmeList = entryList(QStringLiteral("progList"), QStringLiteral("Programmes"), this);

    m_addProgramme =
        commandButton(QStringLiteral("addProgramme"), QStringLiteral("Add Programme"), this);
    m_deleteProgramme =
        commandButton(QStringLiteral("deleteProgramme"), QStringLiteral("Delete Programme"), this);
    m_editProgramme =
        commandButton(QStringLiteral("editProgramme"), QStringLiteral("Edit Programme"), this);
    m_duplicateProgramme = commandButton(QStringLiteral("duplicateProgramme"),
                                         QStringLiteral("Duplicate Programme"), this);
    m_closeChannel =
        commandButton(QStringLiteral("closeChannel"), QStringLiteral("Close Channel"), this);
    m_duplicateProgramme->setFont(tahoma(8.25, true));
    setSelectionButtonsEnabled(false);

    // Five buttons of one size in one row under the list.
    QHBoxLayout *buttons = buttonRow(
        {m_addProgramme, m_deleteProgramme, m_editProgramme, m_duplicateProgramme, m_closeChannel});

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    layout->addWidget(m_programmeList, 1);
    layout->addLayout(buttons);

    setTabOrder(m_programmeList, m_addProgramme);
    setTabOrder(m_addProgramme, m_deleteProgramme);
    setTabOrder(m_deleteProgramme, m_editProgramme);
    setTabOrder(m_editProgramme, m_duplicateProgramme);
    setTabOrder(m_duplicateProgramme, m_closeChannel);
    resize(620, 420);

    connect(m_programmeList, &EntryList::entrySelected, this,
            [this] { setSelectionButtonsEnabled(true); });
    connect(m_programmeList, &EntryList::doubleClickedWithEntries, this,
            &ProgrammeSelection::editProgramme);
    connect(m_addProgramme, &QPushButton::clicked, this, &ProgrammeSelection::addProgramme);
    connect(m_deleteProgramme, &QPushButton::clicked, this, &ProgrammeSelection::deleteProgramme);
    connect(m_editProgramme, &QPushButton::clicked, this, &ProgrammeSelection::editProgramme);
    connect(m_duplicateProgramme, &QPushButton::clicked, this,
            &ProgrammeSelection::duplicateProgramme);
    connect(m_closeChannel, &QPushButton::clicked, this, &ProgrammeSelection::closeChannel);
}

void ProgrammeSelection::load()
{
    state().currentProgrammeID = 0;
    fillProgrammeList();
    holdWhileReadOnly({m_addProgramme, m_deleteProgramme, m_editProgramme, m_duplicateProgramme});
}

void ProgrammeSelection::fillProgrammeList()
{
    // Without a chosen channel there is nothing to list.
    const qint32 channel = state().currentChannelID.value_or(0);
    fillList(m_programmeList,
             channel ? programmes::listProgrammes(state().connectionString, channel)
                     : ListEntries(),
             WindowKind::ChannelSelection);
    setSelectionButtonsEnabled(false);
}

void ProgrammeSelection::refreshFromStore()
{
    const qint32 channel = state().currentChannelID.value_or(0);
    if (!channel)
        return;
    // A channel may have a million programmes: they are read beside the
    // window, as it stays in use.
    refreshList(
        m_programmeList,
        [path = state().connectionString, channel] {
            return programmes::listProgrammes(path, channel);
        },
        store::tables::Channel::table, WindowKind::ChannelSelection,
        [this] { setSelectionButtonsEnabled(m_programmeList->selectedId().has_value()); });
}

AppWindow::NameReader ProgrammeSelection::parentNameReader() const
{
    return [path = state().connectionString, channel = state().currentChannelID.value_or(0)] {
        return channels::channelText(path, channel);
    };
}

void ProgrammeSelection::setSelectionButtonsEnabled(bool enabled)
{
    m_editProgramme->setEnabled(enabled);
    m_deleteProgramme->setEnabled(enabled);
    m_duplicateProgramme->setEnabled(enabled);
}

void ProgrammeSelection::addProgramme()
{
    // currentProgrammeID is 0 while this window is open, so the editor starts
    // a new programme even when an entry is selected.
    navigator().moveTo(this, WindowKind::ProgrammeEditor);
}

void ProgrammeSelection::editProgramme()
{
    const auto entry = m_programmeList->selectedEntry();
    if (!entry)
        return;
    state().currentProgrammeID = entry->id;
    navigator().moveTo(this, WindowKind::ProgrammeEditor);
}

void ProgrammeSelection::duplicateProgramme()
{
    const auto entry = m_programmeList->selectedEntry();
    if (!entry)
        return;
    Module1 &shared = state();
    shared.currentProgrammeID = entry->id;
    navigator().moveTo(this, WindowKind::ProgrammeEditor);
    // Only now: the editor loads the programme exactly as for an edit, and
    // only its save looks at the flag. An editor whose programme is gone has
    // gone back to this list, which cleared the selection.
    if (shared.currentProgrammeID != 0)
        shared.isDuplicate = true;
}

void ProgrammeSelection::deleteProgramme()
{
    const auto entry = m_programmeList->selectedEntry();
    if (!entry)
        return;
    const bool confirmed =
        dialogs().confirm(this, QStringLiteral("Are you sure you want to delete ") + entry->text,
                          QStringLiteral("Quorvel - Delete Programme"), Dialogs::Icon::Question);
    if (!confirmed)
        return;
    if (auto deleted = programmes::deleteProgramme(state().connectionString, entry->id); !deleted) {
        showFailure(store::naming(deleted.failure(), store::tables::Programme::table, entry->text));
        return;
    }
    fillProgrammeList();
}

void ProgrammeSelection::closeChannel()
{
    navigator().moveTo(this, WindowKind::ChannelSelection);
}
