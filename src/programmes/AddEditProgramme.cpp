#include "programmes/AddEditProgramme.h"

#include "channels/Channels.h"

#include "programmes/Programmes.h"
#include "store/Gone.h"
#include "store/Module1.h"
#include "store/Tables.h"
#include "widgets/Controls.h"
#include "widgets/Navigation.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <limits>

AddEditProgramme::AddEditProgramme(Navigation &nav, QWidget *parent) : AppWindow(nav, parent)
{
    setObjectName(QStringLiteral("addeditProgramme"));
    setWindowTitle(QStringLiteral("Quorvel - Add/Edit Programme"));
    setFont(tahoma(8.25));

    m_title =
        titleLabel(QStringLiteral("Label1"), QStringLiteral("Quorvel Add/Edit Programme"), this);

    m_programmeName = textBox(QStringLiteral("programmeName"), this);
    m_startDate = textBox(QStringLiteral("startDate"), this);
    m_startTime = textBox(QStringLiteral("startTime"), this);
    m_duration = textBox(QStringLiteral("duration"), this);
    m_synopsis = textBox(QStringLiteral("desc"), this);
    m_category = new QComboBox(this);
    m_category->setObjectName(QStringLiteral("category"));
    m_category->addItems(programmes::categories());
    m_category->setCurrentIndex(-1);
    m_category->setMaxVisibleItems(20);

    m_saveProgramme =
        commandButton(QStringLiteral("saveProgramme"), QStringLiteral("Save Programme"), this);
    m_cancel = commandButton(QStringLiteral("cancel"), QStringLiteral("Cancel"), this);

    // Each row a label and its box; the label names the box for assistive
    // technology.
    const struct
    {
        const char16_t *labelName;
        const char16_t *caption;
        QWidget *box;
    } rows[] = {
        {u"Label2", u"Programme Name", m_programmeName},
        {u"Label3", u"Programme Start Date", m_startDate},
        {u"Label4", u"Programme Start Time", m_startTime},
        {u"Label5", u"Programme Duration", m_duration},
        {u"Label7", u"Program Synopsis", m_synopsis},
        {u"Label6", u"Programme Category", m_category},
    };
    auto *grid = new QGridLayout;
    int row = 0;
    for (const auto &[labelName, caption, box] : rows) {
        auto *label = new QLabel(QString::fromUtf16(caption), this);
        label->setObjectName(QString::fromUtf16(labelName));
        label->setFont(tahoma(12));
        label->setBuddy(box);
        grid->addWidget(label, row, 0);
        grid->addWidget(box, row, 1);
        ++row;
    }
    grid->setColumnStretch(1, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_saveProgramme, 1);
    buttons->addWidget(m_cancel, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    layout->addLayout(grid);
    layout->addStretch();
    layout->addLayout(buttons);

    setTabOrder(m_programmeName, m_startDate);
    setTabOrder(m_startDate, m_startTime);
    setTabOrder(m_startTime, m_duration);
    setTabOrder(m_duration, m_synopsis);
    setTabOrder(m_synopsis, m_category);
    setTabOrder(m_category, m_saveProgramme);
    setTabOrder(m_saveProgramme, m_cancel);
    resize(560, 290);

    connect(m_saveProgramme, &QPushButton::clicked, this, &AddEditProgramme::saveProgramme);
    connect(m_cancel, &QPushButton::clicked, this, &AddEditProgramme::cancel);
}

void AddEditProgramme::load()
{
    // Reached by a double-click on the list while the login may only read:
    // the programme is shown, and cannot be saved.
    holdWhileReadOnly({m_saveProgramme});
    const qint32 programmeID = state().currentProgrammeID;
    if (programmeID == 0) {
        chooseCategory(programmes::defaultCategory());
        return;
    }
    const auto loaded = programmes::loadProgramme(state().connectionString, programmeID);
    if (!loaded && loaded.failure().isGone()) {
        showAfresh(loaded.failure());
        return;
    }
    if (!loaded) {
        showFailure(loaded.failure());
        return;
    }
    // A column without a value leaves its box as it is: empty, or for the
    // category, with nothing chosen.
    m_stored = loaded.value();
    const programmes::ProgrammeRow &stored = m_stored;
    const QPair<QLineEdit *, QString> boxes[] = {
        {m_programmeName, stored.programmeName}, {m_synopsis, stored.programmeDesc},
        {m_startDate, stored.startDate},         {m_startTime, stored.startTime},
        {m_duration, stored.duration},
    };
    for (const auto &[box, text] : boxes) {
        if (!text.isEmpty())
            box->setText(text);
    }
    if (!stored.category.isEmpty())
        chooseCategory(stored.category);
}

void AddEditProgramme::chooseCategory(const QString &category)
{
    int index = m_category->findText(category, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (index < 0) {
        // A category that did not come through this editor is shown as an
        // extra item after the fixed ones, so that a save keeps it unchanged.
        m_category->addItem(category);
        index = m_category->count() - 1;
    }
    m_category->setCurrentIndex(index);
}

void AddEditProgramme::saveProgramme()
{
    Module1 &shared = state();
    programmes::ProgrammeRow boxes;
    boxes.programmeName = m_programmeName->text();
    boxes.programmeDesc = m_synopsis->text();
    boxes.startDate = m_startDate->text();
    boxes.startTime = m_startTime->text();
    boxes.duration = m_duration->text();
    boxes.category = m_category->currentText();
    const bool addsRow = shared.currentProgrammeID == 0 || shared.isDuplicate;
    store::Status saved = store::success();
    if (addsRow) {
        const bool wasDuplicate = shared.isDuplicate;
        shared.isDuplicate = false;
        saved = programmes::addProgramme(shared.connectionString,
                                         shared.currentChannelID.value_or(0), boxes);
        // The editor stays open after a failed save; a second try must add
        // a row again, never change the programme that was being copied.
        if (!saved)
            shared.isDuplicate = wasDuplicate;
    } else {
        saved = programmes::changeProgramme(shared.connectionString, shared.currentProgrammeID,
                                            boxes, m_stored);
    }
    if (!saved) {
        showFailure(store::naming(saved.failure(), store::tables::Programme::table,
                                  m_stored.programmeName));
        return;
    }
    // Nothing runs between this window's closing and the next one's opening,
    // so resetting before the move is the same as resetting in between.
    shared.currentProgrammeID = 0;
    navigator().moveTo(this, WindowKind::ProgrammeSelection);
}

void AddEditProgramme::forgetProgramme()
{
    state().currentProgrammeID = 0;
    state().isDuplicate = false;
}

void AddEditProgramme::cancel()
{
    forgetProgramme();
    navigator().moveTo(this, WindowKind::ProgrammeSelection);
}

void AddEditProgramme::showAfresh(const store::Failure &gone)
{
    forgetProgramme();
    leaveForGone(gone, WindowKind::ProgrammeSelection);
}

void AddEditProgramme::refreshFromStore()
{
    leaveIfDeleted(store::tables::Channel::table, state().currentChannelID.value_or(0),
                   WindowKind::ProgrammeSelection);
}

AppWindow::NameReader AddEditProgramme::parentNameReader() const
{
    return [path = state().connectionString, channel = state().currentChannelID.value_or(0)] {
        return channels::channelText(path, channel);
    };
}

void AddEditProgramme::showAsNow(const store::Failure &)
{
    for (QLineEdit *box : {m_programmeName, m_startDate, m_startTime, m_duration, m_synopsis})
        box->clear();
    m_category->setCurrentIndex(-1);
    load();
}
