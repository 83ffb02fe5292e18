#include "about/AboutWindow.h"

#include "app/Navigator.h"

#include <QBoxLayout>
#include <QPushButton>

AboutWindow::AboutWindow(Navigator &nav, QWidget *parent) : QDialog(parent), m_navigator(nav)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Quorvel"));
    m_cmdOK = new QPushButton(QStringLiteral("OK"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setDefault(true);
    auto *layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addWidget(m_cmdOK, 0, Qt::AlignRight);
    connect(m_cmdOK, &QPushButton::clicked, this, &QDialog::accept);
}
