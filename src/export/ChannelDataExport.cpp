#include "export/ChannelDataExport.h"

#include "export/ChannelFile.h"
#include "export/Contact.h"
#include "projects/Projects.h"
#include "store/Module1.h"
#include "store/Tables.h"
#include "widgets/Controls.h"
#include "widgets/Dialogs.h"
#include "widgets/Navigation.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

ChannelDataExport::ChannelDataExport(Navigation &nav, QWidget *parent) : AppWindow(nav, parent)
{
    setObjectName(QStringLiteral("channelDataExport"));
    setWindowTitle(QStringLiteral("Quorvel Channel Data Export"));
    setFont(tahoma(8.25));

    m_title =
        titleLabel(QStringLiteral("label1"), QStringLiteral("Quorvel Channel Data Export"), this);

    m_contactName = textBox(QStringLiteral("contactName"), this);
    m_contactEmail = textBox(QStringLiteral("contactEmail"), this);
    m_homepage = textBox(QStringLiteral("Homepage"), this);
    m_description = textBox(QStringLiteral("desc"), this);
    m_saveDgc = commandButton(QStringLiteral("cmdSave"), QStringLiteral("Save DGC"), this);
    m_close = commandButton(QStringLiteral("cmdClose"), QStringLiteral("Close"), this);

    auto *fields = new QGridLayout;
    fields->addWidget(
        buddyLabel(QStringLiteral("Label2"), QStringLiteral("Contact Name"), m_contactName, this),
        0, 0);
    fields->addWidget(m_contactName, 0, 1);
    fields->addWidget(
        buddyLabel(QStringLiteral("Label3"), QStringLiteral("Contact Email"), m_contactEmail, this),
        1, 0);
    fields->addWidget(m_contactEmail, 1, 1);
    fields->addWidget(
        buddyLabel(QStringLiteral("Label4"), QStringLiteral("Homepage URL"), m_homepage, this), 2,
        0);
    fields->addWidget(m_homepage, 2, 1);
    fields->addWidget(
        buddyLabel(QStringLiteral("Label5"), QStringLiteral("Description"), m_description, this), 3,
        0);
    fields->addWidget(m_description, 3, 1);
    // The buttons stand under the field column, not under the labels.
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_saveDgc);
    buttons->addWidget(m_close);
    buttons->addStretch();
    fields->addLayout(buttons, 4, 1);
    fields->setColumnStretch(1, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    layout->addLayout(fields);
    layout->addStretch();

    setTabOrder(m_contactName, m_contactEmail);
    setTabOrder(m_contactEmail, m_homepage);
    setTabOrder(m_homepage, m_description);
    setTabOrder(m_description, m_saveDgc);
    setTabOrder(m_saveDgc, m_close);
    resize(480, sizeHint().height());

    connect(m_saveDgc, &QPushButton::clicked, this, &ChannelDataExport::saveDgc);
    connect(m_close, &QPushButton::clicked, this,
            [this] { navigator().moveTo(this, WindowKind::ProjectSelection); });
}

void ChannelDataExport::load()
{
    if (!state().currentProjectID)
        return;
    const auto details =
        exports::readContactDetails(state().connectionString, *state().currentProjectID);
    if (!details && details.failure().isGone()) {
        showAfresh(details.failure());
        return;
    }
    if (!details) {
        showFailure(details.failure());
        return;
    }
    m_read = details.value();
    m_contactName->setText(details.value().contactName);
    m_contactEmail->setText(details.value().contactEmail);
    m_homepage->setText(details.value().homepage);
    m_description->setText(details.value().desc);
    // The contact details are kept in the project; a login that may only
    // read still writes the file, with the details as they are stored.
    holdWhileReadOnly({m_contactName, m_contactEmail, m_homepage, m_description});
}

void ChannelDataExport::saveDgc()
{
    if (!state().currentProjectID)
        return;
    const qint32 projectID = *state().currentProjectID;
    const exports::ContactDetails typed{m_contactName->text(), m_contactEmail->text(),
                                        m_homepage->text(), m_description->text()};
    // The details are kept whatever follows, a cancelled dialog included.
    if (auto saved =
            state().access == store::Access::Read
                ? store::success()
                : exports::saveContactDetails(state().connectionString, projectID, typed, m_read);
        !saved) {
        showFailure(saved.failure());
        return;
    }
    // The window stays open: its next save compares with what this one stored.
    if (m_read) {
        for (auto [kept, given] : {std::pair{&m_read->contactName, &typed.contactName},
                                   std::pair{&m_read->contactEmail, &typed.contactEmail},
                                   std::pair{&m_read->homepage, &typed.homepage},
                                   std::pair{&m_read->desc, &typed.desc}}) {
            if (!given->isEmpty())
                *kept = *given;
        }
    }
    const auto path =
        dialogs().saveAs(this, Dialogs::FileKind::ChannelFile,
                         {{QStringLiteral("All Files (*.*)"), QStringLiteral("*.*")},
                          {QStringLiteral("DGC Files (*.dgc)"), QStringLiteral("*.dgc")}},
                         2);
    if (!path)
        return;
    // The exports end silently once the dialog is up, whatever fails; lines
    // already written stay in the file.
    (void)exports::writeChannelFile(typed, projectID, *path, state().connectionString);
}

void ChannelDataExport::refreshFromStore()
{
    leaveIfDeleted(store::tables::Project::table, state().currentProjectID.value_or(0),
                   WindowKind::ProjectSelection);
}

AppWindow::NameReader ChannelDataExport::parentNameReader() const
{
    return [path = state().connectionString, project = state().currentProjectID.value_or(0)] {
        return projects::projectName(path, project);
    };
}

void ChannelDataExport::showAfresh(const store::Failure &gone)
{
    leaveForGone(gone, WindowKind::ProjectSelection);
}
