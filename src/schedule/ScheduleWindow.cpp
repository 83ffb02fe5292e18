#include "schedule/ScheduleWindow.h"

#include "channels/Channels.h"
#include "grid/GridTab.h"
#include "projects/Projects.h"
#include "store/Gone.h"
#include "store/Module1.h"
#include "store/Tables.h"
#include "store/TypedTimes.h"
#include "widgets/Controls.h"
#include "widgets/Dialogs.h"
#include "widgets/EntryList.h"
#include "widgets/FrozenColumnTable.h"
#include "widgets/Navigation.h"

#include <QBoxLayout>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QUndoStack>

#include <algorithm>
#include <tuple>

using schedule::Programme;

ScheduleWindow::ScheduleWindow(Navigation &nav, QWidget *parent) : AppWindow(nav, parent)
{
    setObjectName(QStringLiteral("schedule"));
    setWindowTitle(QStringLiteral("Quorvel - Schedule"));
    setFont(tahoma(8.25));

    m_channels = entryList(QStringLiteral("scheduleChannels"), QStringLiteral("Channels"), this);

    // The Date column and the problem marks stay in view when the table
    // is scrolled across.
    m_table = new FrozenColumnTable(this);
    m_table->setObjectName(QStringLiteral("scheduleTable"));
    m_table->setAccessibleName(QStringLiteral("Programmes"));
    m_table->setModel(&m_model);
    m_table->setItemDelegate(new CategoryDelegate(m_table));
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                             QAbstractItemView::AnyKeyPressed);
    m_table->setTabKeyNavigation(false);
    m_table->setWordWrap(false);
    // Rows of one height: the view never measures a row's contents, so a
    // channel of a hundred thousand programmes opens and scrolls at once.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_table->horizontalHeader()->setStretchLastSection(true);

    for (int column = 0; column < schedule::ColumnCount; ++column)
        m_table->setColumnWidth(column, schedule::tableColumns[column].width);

    // The table and the Guide side by side as tabs: the table edits one
    // channel, the Guide shows a day of all of them.
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("scheduleTabs"));
    m_tabs->setDocumentMode(true);
    m_tabs->addTab(m_table, QStringLiteral("&Table"));
    m_grid = new GridTab(state(), dialogs(), m_model.zone(), this);
    m_tabs->addTab(m_grid, QStringLiteral("G&uide"));

    auto *splitter = new QSplitter(this);
    splitter->addWidget(m_channels);
    splitter->addWidget(m_tabs);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({180, 760});

    m_undo = new QUndoStack(this);

    m_status = new QStatusBar(this);
    m_status->setObjectName(QStringLiteral("statusBar"));
    m_status->setSizeGripEnabled(false);
    m_problemCount = new QLabel(m_status);
    m_problemCount->setObjectName(QStringLiteral("problemCount"));
    m_gapMinutes = new QSpinBox(m_status);
    m_gapMinutes->setObjectName(QStringLiteral("gapMinutes"));
    m_gapMinutes->setRange(0, 24 * 60);
    m_gapMinutes->setSuffix(QStringLiteral(" min"));
    QLabel *gapLabel = buddyLabel(QStringLiteral("gapLabel"), QStringLiteral("&Gaps longer than:"),
                                  m_gapMinutes, m_status);
    m_status->addWidget(m_problemCount, 1);
    m_status->addPermanentWidget(gapLabel);
    m_status->addPermanentWidget(m_gapMinutes);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(splitter, 1);
    layout->addWidget(m_status);
    buildMenus(layout);

    setTabOrder(m_channels, m_table);
    setTabOrder(m_table, m_gapMinutes);
    restoreLayout();

    connect(m_channels, &EntryList::entrySelected, this, &ScheduleWindow::showSelectedChannel);
    // Queued: the table's editor is still closing when the edit arrives, and
    // the step that stores it reads the whole table again.
    connect(
        &m_model, &ScheduleModel::editRequested, this,
        [this](qint32 id, int column, const QString &oldText, const QString &newText) {
            const QList<Programme> &shown = m_model.programmes();
            const auto row = std::find_if(shown.begin(), shown.end(),
                                          [id](const Programme &p) { return p.programmeID == id; });
            if (row != shown.end())
                m_undo->push(new EditStep(*this, m_channelID, *row, column, oldText, newText));
        },
        Qt::QueuedConnection);
    connect(m_gapMinutes, &QSpinBox::valueChanged, this, [this](int minutes) {
        m_model.setGapMinutes(minutes);
        updateStatus();
    });
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ScheduleWindow::updateStatus);
    connect(&m_model, &QAbstractItemModel::modelReset, this, &ScheduleWindow::updateStatus);
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ScheduleWindow::showTableSelection);
    connect(&m_model, &QAbstractItemModel::modelReset, this, &ScheduleWindow::showTableSelection);
    connect(m_grid, &GridTab::dayChanged, this, &ScheduleWindow::refreshGuide);
    connect(m_grid, &GridTab::failed, this, &ScheduleWindow::showFailure);
    connect(m_grid, &GridTab::message, m_status, &QStatusBar::showMessage);
    connect(m_grid, &GridTab::programmeChosen, this, &ScheduleWindow::selectProgramme);
    connect(m_grid, &GridTab::programmeActivated, this, &ScheduleWindow::editProgramme);
    connect(m_tabs, &QTabWidget::currentChanged, this, [this] {
        if (m_tabs->currentWidget() != m_table)
            showGuide();
    });
    // From anywhere in the window, as in a browser: the tab bar alone would
    // hear the keys only while the focus is inside the tabs, and a box such
    // as the Day box keeps them for itself.
    for (const auto &[name, key, step] :
         {std::tuple{"nextTab", QKeySequence(Qt::CTRL | Qt::Key_Tab), 1},
          std::tuple{"previousTab", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), -1}}) {
        auto *action = new QAction(this);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        connect(action, &QAction::triggered, this, [this, step = step] {
            m_tabs->setCurrentIndex((m_tabs->currentIndex() + step + m_tabs->count()) %
                                    m_tabs->count());
        });
    }
}

void ScheduleWindow::showGuide()
{
    // The day of the programme the table stands on, so that the table's
    // selection is there to see.
    // Before the user has chosen a day or a row, the channel's next day of
    // programmes (or its last, when all are past) rather than an empty today.
    const int row = m_table->currentIndex().isValid() ? m_table->currentIndex().row() : -1;
    if (row >= 0 && row < m_model.rowCount()) {
        if (const auto date = store::readTypedDate(m_model.programmes().at(row).startDate))
            m_grid->setDay(*date);
    } else if (!m_guideDayChosen) {
        const QDate today = QDate::currentDate();
        QDate day = schedule::latestDate(m_model.programmes());
        for (const Programme &p : m_model.programmes()) {
            const auto date = store::readTypedDate(p.startDate);
            if (date && *date >= today) {
                day = *date;
                break;
            }
        }
        m_grid->setDay(day);
    }
    m_guideDayChosen = true;
    m_tabs->setCurrentWidget(m_grid);
    refreshGuide();
    const QList<int> rows = selectedRows();
    if (!rows.isEmpty())
        m_grid->setCurrentProgramme(m_model.programmes().at(rows.first()).programmeID);
}

void ScheduleWindow::refreshGuide()
{
    // The Guide waits for its tab to come into view before reading its day.
    if (m_tabs->currentWidget() == m_table)
        return;
    if (m_grid->refresh())
        showTableSelection();
}

void ScheduleWindow::showTableSelection()
{
    QSet<qint32> ids;
    for (int row : selectedRows())
        ids.insert(m_model.programmes().at(row).programmeID);
    m_grid->setSelected(ids);
}

void ScheduleWindow::selectProgramme(qint32 channelID, qint32 programmeID)
{
    if (channelID != m_channelID) {
        showChannel(channelID, {programmeID});
        return;
    }
    const int row = m_model.rowsOf({programmeID}).value(0, -1);
    if (row < 0)
        return;
    const QModelIndex current = m_model.index(row, qMax(0, m_table->currentIndex().column()));
    m_table->selectionModel()->setCurrentIndex(current, QItemSelectionModel::ClearAndSelect |
                                                            QItemSelectionModel::Rows);
    m_table->scrollTo(current);
}

void ScheduleWindow::editProgramme(qint32 channelID, qint32 programmeID)
{
    selectProgramme(channelID, programmeID);
    const int row = m_model.rowsOf({programmeID}).value(0, -1);
    if (row < 0)
        return;
    m_tabs->setCurrentWidget(m_table);
    const QModelIndex name = m_model.index(row, schedule::Name);
    m_table->setFocus();
    m_table->selectionModel()->setCurrentIndex(name, QItemSelectionModel::ClearAndSelect |
                                                         QItemSelectionModel::Rows);
    m_table->scrollTo(name);
    // edit() opens an editor whatever the triggers say; a login that may
    // only read is shown the programme instead.
    if (m_table->editTriggers() != QAbstractItemView::NoEditTriggers)
        m_table->edit(name);
}

void ScheduleWindow::load()
{
    fillChannels(0);
    holdWhileReadOnly({m_table, m_paste, m_insert, m_insertMoving, m_delete, m_repeat});
}

void ScheduleWindow::showAfresh(const store::Failure &)
{
    fillChannels(m_channelID);
}

void ScheduleWindow::showAsNow(const store::Failure &)
{
    QList<qint32> selected;
    for (const Programme &programme : selectedProgrammes())
        selected.append(programme.programmeID);
    showChange(m_channelID, selected);
}

void ScheduleWindow::fillChannels(qint32 shown)
{
    fillList(m_channels,
             channels::listChannels(state().connectionString, state().currentProjectID.value_or(0)),
             WindowKind::ProjectSelection);
    if (goneUp())
        return;
    const ListEntries &entries = m_channels->entries();
    int row = 0;
    for (int i = 0; i < entries.size(); ++i) {
        if (entries.at(i).id == shown)
            row = i;
    }
    // Read afresh even when it is the channel already shown.
    m_channelID = 0;
    m_grid->markStale();
    if (m_channels->count() > 0)
        m_channels->selectRow(row);
    else
        showChannel(0, {});
    refreshGuide();
}

QString ScheduleWindow::databasePath() const
{
    return state().connectionString;
}

void ScheduleWindow::showSelectedChannel()
{
    const auto id = m_channels->selectedId();
    if (id && *id != m_channelID)
        showChannel(*id, {});
}

void ScheduleWindow::showChannel(qint32 channelID, const QList<qint32> &selected)
{
    if (channelID != m_channelID) {
        m_channelID = channelID;
        // An undo may belong to another channel than the one shown: show its channel.
        const ListEntries &entries = m_channels->entries();
        for (int row = 0; row < entries.size(); ++row) {
            if (entries.at(row).id == channelID && m_channels->selectedId() != channelID) {
                m_channels->selectRow(row);
                break;
            }
        }
    }
    const int column = qMax(0, m_table->currentIndex().column());
    auto loaded = channelID == 0 ? store::Result<QList<Programme>>(QList<Programme>())
                                 : schedule::loadSchedule(state().connectionString, channelID);
    m_model.setProgrammes(loaded ? std::move(loaded).value() : QList<Programme>());
    if (!loaded)
        showFailure(loaded.failure());

    selectProgrammes(selected, 0, column);
    updateStatus();
}

void ScheduleWindow::selectProgrammes(const QList<qint32> &selected, qint32 currentID, int column)
{
    const QList<int> rows = m_model.rowsOf(selected);
    QItemSelection selection;
    for (qsizetype i = 0; i < rows.size();) {
        qsizetype j = i;
        while (j + 1 < rows.size() && rows.at(j + 1) == rows.at(j) + 1)
            ++j;
        selection.select(m_model.index(rows.at(i), 0),
                         m_model.index(rows.at(j), schedule::ColumnCount - 1));
        i = j + 1;
    }
    const int currentRow = m_model.rowsOf({currentID}).value(0, rows.value(0, -1));
    if (currentRow >= 0) {
        const QModelIndex current = m_model.index(currentRow, column);
        m_table->selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
        m_table->scrollTo(current);
    }
    if (!rows.isEmpty())
        m_table->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

AppWindow::NameReader ScheduleWindow::parentNameReader() const
{
    return [path = state().connectionString, project = state().currentProjectID.value_or(0)] {
        return projects::projectName(path, project);
    };
}

bool ScheduleWindow::isBusy() const
{
    // An edit is never cut short: the table is read again once it is stored.
    return AppWindow::isBusy() || static_cast<FrozenColumnTable *>(m_table)->isEditing();
}

void ScheduleWindow::refreshFromStore()
{
    const qint32 project = state().currentProjectID.value_or(0);
    if (!project)
        return;
    // A channel's programmes may be many, and the checks of every row take
    // their time too: read beside the window, as it stays in use.
    readInBackground([this, path = state().connectionString, project,
                      channel = m_channelID]() -> std::function<void()> {
        auto listed =
            std::make_shared<store::Result<ListEntries>>(channels::listChannels(path, project));
        auto loaded = std::make_shared<store::Result<QList<Programme>>>(
            channel && *listed ? schedule::loadSchedule(path, channel) : QList<Programme>());
        return [this, listed, loaded, channel] {
            showRefreshed(std::move(*listed), std::move(*loaded), channel);
        };
    });
}

void ScheduleWindow::showRefreshed(store::Result<ListEntries> listed,
                                   store::Result<QList<Programme>> loaded, qint32 channelID)
{
    using store::tables::Channel;
    using store::tables::Project;
    if (!listed) {
        if (listed.failure().gone == Project::table)
            leaveForDeleted(Project::table, WindowKind::ProjectSelection);
        return;
    }
    QString channelText;
    for (const ListEntry &entry : m_channels->entries()) {
        if (entry.id == channelID)
            channelText = entry.text;
    }
    m_channels->refill(std::move(listed).value());
    // The user chose another channel meanwhile, and it was read as it was chosen.
    if (channelID != m_channelID || channelID == 0)
        return;
    m_grid->markStale();
    const auto refresh = qScopeGuard([this] { refreshGuide(); });
    if (m_channels->selectedId() != channelID) {
        // The schedule is the project's: it stays, on another of its channels.
        if (m_channels->count() > 0)
            m_channels->selectRow(0);
        else
            showChannel(0, {});
        dialogs().showError(this, store::deletedElsewhereText(Channel::table, channelText),
                            QStringLiteral("Quorvel"));
        return;
    }
    if (!loaded)
        return;
    const auto idAt = [this](int row) {
        return m_model.programmes().at(row).programmeID;
    };
    const QModelIndex current = m_table->currentIndex();
    const qint32 currentID = current.isValid() ? idAt(current.row()) : 0;
    QList<qint32> selected;
    for (int row : selectedRows())
        selected << idAt(row);
    const QModelIndex top = m_table->indexAt(QPoint(0, 0));
    const qint32 topID = top.isValid() ? idAt(top.row()) : 0;
    const int across = m_table->horizontalScrollBar()->value();
    const int down = m_table->verticalScrollBar()->value();

    m_model.setProgrammes(std::move(loaded).value());
    selectProgrammes(selected, currentID, qMax(0, current.column()));
    if (const int row = m_model.rowsOf({topID}).value(0, -1); row >= 0)
        m_table->scrollTo(m_model.index(row, qMax(0, current.column())),
                          QAbstractItemView::PositionAtTop);
    else
        m_table->verticalScrollBar()->setValue(down);
    m_table->horizontalScrollBar()->setValue(across);
    updateStatus();
}

void ScheduleWindow::updateStatus()
{
    const bool hasChannel = m_channelID != 0;
    const bool hasSelection = m_table->selectionModel()->hasSelection();
    m_insert->setEnabled(hasChannel);
    m_insertMoving->setEnabled(hasChannel);
    m_paste->setEnabled(hasChannel);
    m_copy->setEnabled(hasSelection);
    m_delete->setEnabled(hasSelection);
    m_repeat->setEnabled(hasSelection);
    m_problemCount->setText(QStringLiteral("%1: %2").arg(
        schedule::programmesText(m_model.rowCount()), m_model.count().text()));
}

void ScheduleWindow::showStepFailure(const store::Failure &failure)
{
    // The store rolled the step back and the table was not changed for it,
    // so it still shows what the store holds, unless the step met a row or
    // channel another program deleted.
    showFailure(failure);
}

void ScheduleWindow::showChange(qint32 channelID, const QList<qint32> &selected)
{
    m_grid->markStale();
    showChannel(channelID, selected);
    refreshGuide();
}

void ScheduleWindow::showEdit(qint32 channelID, qint32 programmeID, int column, const QString &text)
{
    // An undo can change a programme while the Guide is the tab in view.
    m_grid->markStale();
    const auto refresh = qScopeGuard([this] { refreshGuide(); });
    // A new date or start can move the row; any other text leaves the
    // order alone, and the table is not read again for it.
    const int row = channelID == m_channelID ? m_model.rowsOf({programmeID}).value(0, -1) : -1;
    if (row < 0 || column == schedule::Date || column == schedule::Start) {
        showChannel(channelID, {programmeID});
        return;
    }
    m_model.setValue(row, column, text);
    const QModelIndex current = m_model.index(row, column);
    m_table->selectionModel()->setCurrentIndex(current, QItemSelectionModel::ClearAndSelect |
                                                            QItemSelectionModel::Rows);
    m_table->scrollTo(current);
    updateStatus();
}

QList<int> ScheduleWindow::selectedRows() const
{
    QList<int> rows;
    for (const QModelIndex &index : m_table->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

QList<Programme> ScheduleWindow::selectedProgrammes() const
{
    QList<Programme> selected;
    for (int row : selectedRows())
        selected << m_model.programmes().at(row);
    return selected;
}

void ScheduleWindow::goBack()
{
    m_leaving = true;
    navigator().moveTo(this, WindowKind::ProjectSelection);
}

namespace {

QSettings layoutSettings()
{
    return QSettings(QStringLiteral("Quorvel"), QStringLiteral("Quorvel"));
}

} // namespace

void ScheduleWindow::restoreLayout()
{
    QSettings settings = layoutSettings();
    if (restoreGeometry(settings.value(QStringLiteral("schedule/geometry")).toByteArray()) &&
        m_table->horizontalHeader()->restoreState(
            settings.value(QStringLiteral("schedule/columns")).toByteArray()))
        return;
    // Every column in view on a screen of 1280 by 800, less what the
    // desktop takes for itself.
    QSize size(1260, 720);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size() - QSize(20, 40));
    resize(size);
}

void ScheduleWindow::saveLayout()
{
    QSettings settings = layoutSettings();
    settings.setValue(QStringLiteral("schedule/geometry"), saveGeometry());
    settings.setValue(QStringLiteral("schedule/columns"), m_table->horizontalHeader()->saveState());
}

void ScheduleWindow::closeEvent(QCloseEvent *event)
{
    saveLayout();
    // Only the title bar's close (an event from the window system) returns
    // to the project window, as Close does, rather than ending the program:
    // the schedule is a side trip from it. When the program closes the
    // window itself (a move, Exit) it simply closes.
    if (m_leaving || !event->spontaneous()) {
        AppWindow::closeEvent(event);
        return;
    }
    // The move runs after this event, since it closes this window itself.
    event->ignore();
    QMetaObject::invokeMethod(this, &ScheduleWindow::goBack, Qt::QueuedConnection);
}
