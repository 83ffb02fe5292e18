#include "channels/AddEditChannel.h"

#include "app/Navigator.h"

#include <QBoxLayout>
#include <QPushButton>

AddEditChannel::AddEditChannel(Navigator &nav, QWidget *parent) : AppWindow(nav, parent)
{
    setObjectName(QStringLiteral("addeditChannel"));
    setWindowTitle(QStringLiteral("Quorvel Add/Edit Channel"));
    setFont(tahoma(8.25));
    m_Command4 = new QPushButton(QStringLiteral("Cancel"), this);
    m_Command4->setObjectName(QStringLiteral("Command4"));
    auto *layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addWidget(m_Command4);
    connect(m_Command4, &QPushButton::clicked, this,
            [this] { navigator().moveTo(this, WindowKind::ChannelSelection); });
}

void AddEditChannel::load()
{
}
