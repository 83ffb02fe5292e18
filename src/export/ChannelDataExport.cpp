#include "export/ChannelDataExport.h"

#include "app/Navigator.h"

#include <QBoxLayout>
#include <QPushButton>

ChannelDataExport::ChannelDataExport(Navigator &nav, QWidget *parent) : AppWindow(nav, parent)
{
    setObjectName(QStringLiteral("channelDataExport"));
    setWindowTitle(QStringLiteral("Quorvel Channel Data Export"));
    setFont(tahoma(8.25));
    m_cmdClose = new QPushButton(QStringLiteral("Close"), this);
    m_cmdClose->setObjectName(QStringLiteral("cmdClose"));
    auto *layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addWidget(m_cmdClose);
    connect(m_cmdClose, &QPushButton::clicked, this,
            [this] { navigator().moveTo(this, WindowKind::ProjectSelection); });
}

void ChannelDataExport::load()
{
}
