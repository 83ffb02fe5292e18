#include "programmes/ProgrammeSelection.h"

#include "app/Navigator.h"

#include <QBoxLayout>
#include <QPushButton>

ProgrammeSelection::ProgrammeSelection(Navigator &nav, QWidget *parent) : AppWindow(nav, parent)
{
    setObjectName(QStringLiteral("programmeSelection"));
    setWindowTitle(QStringLiteral("Quorvel - Programme Selection"));
    setFont(tahoma(8.25));
    m_closeChannel = new QPushButton(QStringLiteral("Close Channel"), this);
    m_closeChannel->setObjectName(QStringLiteral("closeChannel"));
    auto *layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addWidget(m_closeChannel);
    connect(m_closeChannel, &QPushButton::clicked, this,
            [this] { navigator().moveTo(this, WindowKind::ChannelSelection); });
}

void ProgrammeSelection::load()
{
}
