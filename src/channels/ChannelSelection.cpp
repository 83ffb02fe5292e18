#include "channels/ChannelSelection.h"

#include "app/Navigator.h"

#include <QBoxLayout>
#include <QPushButton>

ChannelSelection::ChannelSelection(Navigator &nav, QWidget *parent) : AppWindow(nav, parent)
{
    setObjectName(QStringLiteral("channelSelection"));
    setWindowTitle(QStringLiteral("Quorvel - Channel Selection"));
    setFont(tahoma(8.25));
    m_closeProject = new QPushButton(QStringLiteral("Close Project"), this);
    m_closeProject->setObjectName(QStringLiteral("closeProject"));
    auto *layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addWidget(m_closeProject);
    connect(m_closeProject, &QPushButton::clicked, this,
            [this] { navigator().moveTo(this, WindowKind::ProjectSelection); });
}

void ChannelSelection::load()
{
}
