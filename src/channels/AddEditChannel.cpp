#include "channels/AddEditChannel.h"

#include "channels/Channels.h"
#include "projects/Projects.h"
#include "store/Gone.h"
#include "store/Module1.h"
#include "store/Tables.h"
#include "widgets/Controls.h"
#include "widgets/Dialogs.h"
#include "widgets/Navigation.h"

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

    m_title =
        titleLabel(QStringLiteral("Label1"), QStringLiteral("Quorvel Add/Edit Channel"), this);

    m_channelName = textBox(QStringLiteral("chanName"), this);
    m_channelNumber = textBox(QStringLiteral("chanNum"), this);
    m_updateFrequency = textBox(QStringLiteral("chanUpdate"), this);
    m_logoUrl = textBox(QStringLiteral("chanLogoURL"), this);
    m_dataUrl = textBox(QStringLiteral("chanDataURL"), this);
    m_channelUrl = textBox(QStringLiteral("chanURL"), this);

    m_templateList = new QListWidget(this);
    m_templateList->setObjectName(QStringLiteral("tempList"));
    m_templateList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_templateList->setSortingEnabled(false);
    m_templateList->setFixedHeight(5 * m_channelName->sizeHint().height());
    // The list's own accessible interface does not look for a buddy label.
    m_templateList->setAccessibleName(QStringLiteral("Template"));

    m_addTemplate = commandButton(QStringLiteral("addTemplate"), QStringLiteral("Add"), this);
    m_deleteTemplate = commandButton(QStringLiteral("delTemplate"), QStringLiteral("Delete"), this);
    m_deleteTemplate->setEnabled(false);
    m_saveChannel = commandButton(QStringLiteral("Command3"), QStringLiteral("Save Channel"), this);
    m_cancel = commandButton(QStringLiteral("Command4"), QStringLiteral("Cancel"), this);

    auto *fields = new QGridLayout;
    int row = 0;
    const auto addField = [&](const QString &labelName, const QString &caption, QLineEdit *field) {
        fields->addWidget(buddyLabel(labelName, caption, field, this), row, 0);
        fields->addWidget(field, row, 1);
        ++row;
    };
    addField(QStringLiteral("Label3"), QStringLiteral("Channel Name"), m_channelName);
    addField(QStringLiteral("Label8"), QStringLiteral("Channel Number"), m_channelNumber);
    addField(QStringLiteral("Label4"), QStringLiteral("Update Frequency"), m_updateFrequency);
    addField(QStringLiteral("Label5"), QStringLiteral("Logo URL"), m_logoUrl);
    addField(QStringLiteral("Label6"), QStringLiteral("Data URL"), m_dataUrl);
    addField(QStringLiteral("Label7"), QStringLiteral("Channel URL"), m_channelUrl);

    // "Add" and "Delete" stand under the "Template" label, left of the list.
    auto *templateColumn = new QVBoxLayout;
    templateColumn->addWidget(
        buddyLabel(QStringLiteral("Label2"), QStringLiteral("Template"), m_templateList, this));
    templateColumn->addWidget(m_addTemplate);
    templateColumn->addWidget(m_deleteTemplate);
    templateColumn->addStretch();
    fields->addLayout(templateColumn, row, 0);
    fields->addWidget(m_templateList, row, 1);
    ++row;

    auto *saveRow = new QHBoxLayout;
    saveRow->addWidget(m_saveChannel);
    saveRow->addWidget(m_cancel);
    saveRow->addStretch();
    fields->addLayout(saveRow, row, 1);
    fields->setColumnStretch(1, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    layout->addLayout(fields);
    layout->addStretch();

    setTabOrder(m_channelName, m_channelNumber);
    setTabOrder(m_channelNumber, m_updateFrequency);
    setTabOrder(m_updateFrequency, m_logoUrl);
    setTabOrder(m_logoUrl, m_dataUrl);
    setTabOrder(m_dataUrl, m_channelUrl);
    setTabOrder(m_channelUrl, m_templateList);
    setTabOrder(m_templateList, m_addTemplate);
    setTabOrder(m_addTemplate, m_deleteTemplate);
    setTabOrder(m_deleteTemplate, m_saveChannel);
    setTabOrder(m_saveChannel, m_cancel);
    resize(qMax(520, sizeHint().width()), sizeHint().height());

    // Once enabled, "Delete" stays enabled while the window is open.
    connect(m_templateList, &QListWidget::itemSelectionChanged, this, [this] {
        if (!m_templateList->selectedItems().isEmpty())
            m_deleteTemplate->setEnabled(true);
    });
    connect(m_addTemplate, &QPushButton::clicked, this, &AddEditChannel::addTemplate);
    connect(m_deleteTemplate, &QPushButton::clicked, this, &AddEditChannel::deleteTemplate);
    connect(m_saveChannel, &QPushButton::clicked, this, &AddEditChannel::saveChannel);
    connect(m_cancel, &QPushButton::clicked, this,
            [this] { navigator().moveTo(this, WindowKind::ChannelSelection); });
}

void AddEditChannel::load()
{
    holdWhileReadOnly({m_saveChannel});
    m_channelID = state().currentChannelID.value_or(0);
    if (m_channelID == 0)
        return;
    const auto loaded = channels::loadChannel(state().connectionString, m_channelID);
    if (!loaded && loaded.failure().isGone()) {
        showAfresh(loaded.failure());
        return;
    }
    if (!loaded) {
        // Saving empty fields would overwrite the channel that could not be
        // read; only Cancel is left.
        m_saveChannel->setEnabled(false);
        showFailure(loaded.failure());
        return;
    }
    m_stored = loaded.value();
    const channels::Channel &channel = m_stored;
    m_channelName->setText(channel.name);
    m_channelNumber->setText(channel.number);
    m_channelUrl->setText(channel.channelURL);
    m_logoUrl->setText(channel.logoURL);
    m_dataUrl->setText(channel.dataURL);
    m_updateFrequency->setText(channel.updateFrequency);
    m_templateList->addItems(channel.templateLines);
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
    m_templateList->addItem(line);
}

void AddEditChannel::deleteTemplate()
{
    const QList<QListWidgetItem *> selected = m_templateList->selectedItems();
    if (selected.isEmpty())
        return;
    delete m_templateList->takeItem(m_templateList->row(selected.constFirst()));
    m_templateList->clearSelection();
    m_templateList->setCurrentRow(-1);
}

void AddEditChannel::saveChannel()
{
    channels::Channel channel;
    channel.name = m_channelName->text();
    channel.number = m_channelNumber->text();
    channel.updateFrequency = m_updateFrequency->text();
    channel.logoURL = m_logoUrl->text();
    channel.dataURL = m_dataUrl->text();
    channel.channelURL = m_channelUrl->text();
    for (int i = 0; i < m_templateList->count(); ++i)
        channel.templateLines.append(m_templateList->item(i)->text());

    const auto saved =
        channels::saveChannel(state().connectionString, m_channelID,
                              state().currentProjectID.value_or(0), channel, m_stored);
    if (!saved) {
        // Nothing was stored; the window keeps what the user entered.
        showFailure(store::naming(saved.failure(), store::tables::Channel::table, m_stored.name));
        return;
    }
    state().currentChannelID = saved.value();
    navigator().moveTo(this, WindowKind::ChannelSelection);
}

void AddEditChannel::showAfresh(const store::Failure &gone)
{
    leaveForGone(gone, WindowKind::ChannelSelection);
}

void AddEditChannel::refreshFromStore()
{
    if (m_channelID != 0)
        leaveIfDeleted(store::tables::Channel::table, m_channelID, WindowKind::ChannelSelection);
    else
        leaveIfDeleted(store::tables::Project::table, state().currentProjectID.value_or(0),
                       WindowKind::ProjectSelection);
}

AppWindow::NameReader AddEditChannel::parentNameReader() const
{
    const QString path = state().connectionString;
    if (const qint32 channel = state().currentChannelID.value_or(0))
        return [path, channel] {
            return channels::channelText(path, channel);
        };
    return [path, project = state().currentProjectID.value_or(0)] {
        return projects::projectName(path, project);
    };
}

void AddEditChannel::showAsNow(const store::Failure &)
{
    m_templateList->clear();
    load();
}
