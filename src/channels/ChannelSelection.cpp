#include "channels/ChannelSelection.h"

#include "widgets/Controls.h"
#include "widgets/Dialogs.h"
#include "widgets/EntryList.h"
#include "store/Module1.h"
#include "widgets/Navigation.h"
#include "channels/Channels.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>

ChannelSelection::ChannelSelection(Navigation &nav, QWidget *parent) : AppWindow(nav, parent)
{
    setObjectName(QStringLiteral("channelSelection"));
    setWindowTitle(QStringLiteral("Quorvel - Channel Selection"));
    setFont(tahoma(8.25));

    m_label1 =
        titleLabel(QStringLiteral("label1"), QStringLiteral("Quorvel Channel Selection"), this);

    m_chanList = entryList(QStringLiteral("chanList"), QStringLiteral("Channels"), this);

    m_addChannel = commandButton(QStringLiteral("addChannel"), QStringLiteral("Add Channel"), this);
    m_deleteChannel =
        commandButton(QStringLiteral("deleteChannel"), QStringLiteral("Delete Channel"), this);
    m_renameChannel =
        commandButton(QStringLiteral("renameChannel"), QStringLiteral("Modify Channel"), this);
    m_editChannel =
        commandButton(QStringLiteral("editChannel"), QStringLiteral("Programme Data"), this);
    m_closeProject =
        commandButton(QStringLiteral("closeProject"), QStringLiteral("Close Project"), this);
    m_editChannel->setFont(tahoma(8.25, true));
    setSelectionButtonsEnabled(false);

    // Five buttons of one size in one row, none narrower than its caption.
    const QList<QPushButton *> buttons = {m_addChannel, m_deleteChannel, m_renameChannel,
                                          m_editChannel, m_closeProject};
    int widest = 0;
    for (QPushButton *b : buttons)
        widest = qMax(widest, b->sizeHint().width());
    auto *buttonRow = new QHBoxLayout;
    for (QPushButton *b : buttons) {
        b->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        b->setMinimumWidth(widest);
        buttonRow->addWidget(b, 1);
    }

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_label1);
    layout->addWidget(m_chanList, 1);
    layout->addLayout(buttonRow);

    setTabOrder(m_chanList, m_addChannel);
    setTabOrder(m_addChannel, m_deleteChannel);
    setTabOrder(m_deleteChannel, m_renameChannel);
    setTabOrder(m_renameChannel, m_editChannel);
    setTabOrder(m_editChannel, m_closeProject);
    resize(560, 380);

    connect(m_chanList, &EntryList::entrySelected, this,
            [this] { setSelectionButtonsEnabled(true); });
    connect(m_chanList, &EntryList::doubleClickedWithEntries, this,
            &ChannelSelection::programmeData);
    connect(m_addChannel, &QPushButton::clicked, this, &ChannelSelection::addChannel);
    connect(m_deleteChannel, &QPushButton::clicked, this, &ChannelSelection::deleteChannel);
    connect(m_renameChannel, &QPushButton::clicked, this, &ChannelSelection::modifyChannel);
    connect(m_editChannel, &QPushButton::clicked, this, &ChannelSelection::programmeData);
    connect(m_closeProject, &QPushButton::clicked, this,
            [this] { navigator().moveTo(this, WindowKind::ProjectSelection); });
}

void ChannelSelection::load()
{
    ChannelList();
}

void ChannelSelection::ChannelList()
{
    // Without a loaded project there is nothing to list; identifiers start at 1.
    fillList(m_chanList, channels::listChannels(state().connectionString,
                                                state().currentProjectID.value_or(0)));
    setSelectionButtonsEnabled(false);
}

void ChannelSelection::setSelectionButtonsEnabled(bool enabled)
{
    m_editChannel->setEnabled(enabled);
    m_deleteChannel->setEnabled(enabled);
    m_renameChannel->setEnabled(enabled);
}

void ChannelSelection::addChannel()
{
    state().currentChannelID = 0;
    navigator().moveTo(this, WindowKind::ChannelEditor);
}

void ChannelSelection::modifyChannel()
{
    const auto id = m_chanList->selectedId();
    if (!id)
        return;
    state().currentChannelID = *id;
    navigator().moveTo(this, WindowKind::ChannelEditor);
}

void ChannelSelection::programmeData()
{
    // A double-click beside the entries selects nothing; it then does nothing.
    const auto id = m_chanList->selectedId();
    if (!id)
        return;
    state().currentChannelID = *id;
    navigator().moveTo(this, WindowKind::ProgrammeSelection);
}

void ChannelSelection::deleteChannel()
{
    const auto entry = m_chanList->selectedEntry();
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
        // Nothing was removed, so the list and its selection still hold; the
        // user can try again.
        showFailure(deleted.failure());
        return;
    }
    ChannelList();
}
