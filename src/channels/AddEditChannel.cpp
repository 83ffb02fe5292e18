#include "channels/AddEditChannel.h"

#include "widgets/Controls.h"
#include "widgets/Dialogs.h"
#include "store/Module1.h"
#include "widgets/Navigation.h"
#include "channels/Channels.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <limits>

namespace {

const QString templateForm = QStringLiteral("TemplateName, CategoryName, EPG No");

} // namespace

AddEditChannel::AddEditChannel(Navigation &nav, QWidget *parent) : AppWindow(nav, parent)
{
    setObjectName(QStringLiteral("addeditChannel"));
    setWindowTitle(QStringLiteral("Quorvel Add/Edit Channel"));
    setFont(tahoma(8.25));

    m_Label1 =
        titleLabel(QStringLiteral("Label1"), QStringLiteral("Quorvel Add/Edit Channel"), this);

    m_chanName = textBox(QStringLiteral("chanName"), this);
    m_chanNum = textBox(QStringLiteral("chanNum"), this);
    m_chanUpdate = textBox(QStringLiteral("chanUpdate"), this);
    m_chanLogoURL = textBox(QStringLiteral("chanLogoURL"), this);
    m_chanDataURL = textBox(QStringLiteral("chanDataURL"), this);
    m_chanURL = textBox(QStringLiteral("chanURL"), this);

    m_tempList = new QListWidget(this);
    m_tempList->setObjectName(QStringLiteral("tempList"));
    m_tempList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tempList->setSortingEnabled(false);
    m_tempList->setFixedHeight(5 * m_chanName->sizeHint().height());
    // The list's own accessible interface does not look for a buddy label.
    m_tempList->setAccessibleName(QStringLiteral("Template"));

    m_addTemplate = commandButton(QStringLiteral("addTemplate"), QStringLiteral("Add"), this);
    m_delTemplate = commandButton(QStringLiteral("delTemplate"), QStringLiteral("Delete"), this);
    m_delTemplate->setEnabled(false);
    m_Command3 = commandButton(QStringLiteral("Command3"), QStringLiteral("Save Channel"), this);
    m_Command4 = commandButton(QStringLiteral("Command4"), QStringLiteral("Cancel"), this);

    auto *fields = new QGridLayout;
    int row = 0;
    const auto addField = [&](const QString &labelName, const QString &caption, QLineEdit *field) {
        fields->addWidget(buddyLabel(labelName, caption, field, this), row, 0);
        fields->addWidget(field, row, 1);
        ++row;
    };
    addField(QStringLiteral("Label3"), QStringLiteral("Channel Name"), m_chanName);
    addField(QStringLiteral("Label8"), QStringLiteral("Channel Number"), m_chanNum);
    addField(QStringLiteral("Label4"), QStringLiteral("Update Frequency"), m_chanUpdate);
    addField(QStringLiteral("Label5"), QStringLiteral("Logo URL"), m_chanLogoURL);
    addField(QStringLiteral("Label6"), QStringLiteral("Data URL"), m_chanDataURL);
    addField(QStringLiteral("Label7"), QStringLiteral("Channel URL"), m_chanURL);

    // "Add" and "Delete" stand under the "Template" label, left of the list.
    auto *templateColumn = new QVBoxLayout;
    templateColumn->addWidget(
        buddyLabel(QStringLiteral("Label2"), QStringLiteral("Template"), m_tempList, this));
    templateColumn->addWidget(m_addTemplate);
    templateColumn->addWidget(m_delTemplate);
    templateColumn->addStretch();
    fields->addLayout(templateColumn, row, 0);
    fields->addWidget(m_tempList, row, 1);
    ++row;

    auto *saveRow = new QHBoxLayout;
    saveRow->addWidget(m_Command3);
    saveRow->addWidget(m_Command4);
    saveRow->addStretch();
    fields->addLayout(saveRow, row, 1);
    fields->setColumnStretch(1, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_Label1);
    layout->addLayout(fields);
    layout->addStretch();

    setTabOrder(m_chanName, m_chanNum);
    setTabOrder(m_chanNum, m_chanUpdate);
    setTabOrder(m_chanUpdate, m_chanLogoURL);
    setTabOrder(m_chanLogoURL, m_chanDataURL);
    setTabOrder(m_chanDataURL, m_chanURL);
    setTabOrder(m_chanURL, m_tempList);
    setTabOrder(m_tempList, m_addTemplate);
    setTabOrder(m_addTemplate, m_delTemplate);
    setTabOrder(m_delTemplate, m_Command3);
    setTabOrder(m_Command3, m_Command4);
    resize(qMax(520, sizeHint().width()), sizeHint().height());

    // Once enabled, "Delete" stays enabled while the window is open.
    connect(m_tempList, &QListWidget::itemSelectionChanged, this, [this] {
        if (!m_tempList->selectedItems().isEmpty())
            m_delTemplate->setEnabled(true);
    });
    connect(m_addTemplate, &QPushButton::clicked, this, &AddEditChannel::addTemplate);
    connect(m_delTemplate, &QPushButton::clicked, this, &AddEditChannel::deleteTemplate);
    connect(m_Command3, &QPushButton::clicked, this, &AddEditChannel::saveChannel);
    connect(m_Command4, &QPushButton::clicked, this,
            [this] { navigator().moveTo(this, WindowKind::ChannelSelection); });
}

void AddEditChannel::load()
{
    m_channelID = state().currentChannelID.value_or(0);
    if (m_channelID == 0)
        return;
    const auto loaded = channels::loadChannel(state().connectionString, m_channelID);
    if (!loaded) {
        // Saving empty fields would overwrite the channel that could not be
        // read; only Cancel is left.
        m_Command3->setEnabled(false);
        showFailure(loaded.failure());
        return;
    }
    const channels::Channel &channel = loaded.value();
    m_chanName->setText(channel.name);
    m_chanNum->setText(channel.number);
    m_chanURL->setText(channel.channelURL);
    m_chanLogoURL->setText(channel.logoURL);
    m_chanDataURL->setText(channel.dataURL);
    m_chanUpdate->setText(channel.updateFrequency);
    m_tempList->addItems(channel.templateLines);
}

void AddEditChannel::addTemplate()
{
    const QString line = dialogs().prompt(
        this,
        QStringLiteral("Please specify the Template you would like to add this channel to. Format "
                       "is: TemplateName, CategoryName, EPG No"),
        QStringLiteral("Quorvel Template Add"), templateForm);
    if (line.isEmpty())
        return;
    m_tempList->addItem(line);
}

void AddEditChannel::deleteTemplate()
{
    const QList<QListWidgetItem *> selected = m_tempList->selectedItems();
    if (selected.isEmpty())
        return;
    delete m_tempList->takeItem(m_tempList->row(selected.constFirst()));
    m_tempList->clearSelection();
    m_tempList->setCurrentRow(-1);
}

void AddEditChannel::saveChannel()
{
    channels::Channel channel;
    channel.name = m_chanName->text();
    channel.number = m_chanNum->text();
    channel.updateFrequency = m_chanUpdate->text();
    channel.logoURL = m_chanLogoURL->text();
    channel.dataURL = m_chanDataURL->text();
    channel.channelURL = m_chanURL->text();
    for (int i = 0; i < m_tempList->count(); ++i)
        channel.templateLines.append(m_tempList->item(i)->text());

    const auto saved = channels::saveChannel(state().connectionString, m_channelID,
                                             state().currentProjectID.value_or(0), channel);
    if (!saved) {
        // Nothing was stored; the window keeps what the user entered.
        showFailure(saved.failure());
        return;
    }
    state().currentChannelID = saved.value();
    navigator().moveTo(this, WindowKind::ChannelSelection);
}
