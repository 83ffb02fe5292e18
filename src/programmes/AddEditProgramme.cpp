#include "programmes/AddEditProgramme.h"

#include "app/Navigator.h"

#include <QBoxLayout>
#include <QPushButton>

AddEditProgramme::AddEditProgramme(Navigator &nav, QWidget *parent) : AppWindow(nav, parent)
{
    setObjectName(QStringLiteral("addeditProgramme"));
    setWindowTitle(QStringLiteral("Quorvel - Add/Edit Programme"));
    setFont(tahoma(8.25));
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    auto *layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addWidget(m_cancel);
    connect(m_cancel, &QPushButton::clicked, this,
            [this] { navigator().moveTo(this, WindowKind::ProgrammeSelection); });
}

void AddEditProgramme::load()
{
}
