#include "widgets/EntryList.h"

#include <QKeyEvent>
#include <QScrollBar>

void EntryModel::setEntries(ListEntries entries)
{
    beginResetModel();
    m_entries = std::move(entries);
    endResetModel();
}

int EntryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

QVariant EntryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_entries.size())
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return m_entries.textAt(index.row());
    case Qt::UserRole:
        return m_entries.idAt(index.row());
    default:
        return QVariant();
    }
}

EntryList::EntryList(QWidget *parent) : QListView(parent), m_model(this)
{
    setModel(&m_model);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (selectionModel()->hasSelection())
            emit entrySelected();
    });
}

void EntryList::fill(ListEntries entries)
{
    m_model.setEntries(std::move(entries));
    selectionModel()->clear();
}

void EntryList::refill(ListEntries entries)
{
    const std::optional<qint32> selected = selectedId();
    const QModelIndex top = indexAt(QPoint(0, 0));
    const std::optional<qint32> topId =
        top.isValid() ? std::optional(m_model.entries().idAt(top.row())) : std::nullopt;
    const int scrolled = verticalScrollBar()->value();

    m_model.setEntries(std::move(entries));
    executeDelayedItemsLayout();
    // Selecting scrolls the entry into view; the user's own view is put
    // back afterwards.
    if (const int row = selected ? rowOf(*selected) : -1; row >= 0)
        selectRow(row);
    else
        selectionModel()->clear();
    if (const int row = topId ? rowOf(*topId) : -1; row >= 0)
        scrollTo(m_model.index(row), QAbstractItemView::PositionAtTop);
    else
        verticalScrollBar()->setValue(scrolled);
}

int EntryList::rowOf(qint32 id) const
{
    const ListEntries &entries = m_model.entries();
    for (qsizetype row = 0; row < entries.size(); ++row) {
        if (entries.idAt(row) == id)
            return int(row);
    }
    return -1;
}

int EntryList::count() const
{
    return m_model.rowCount();
}

std::optional<ListEntry> EntryList::selectedEntry() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (rows.isEmpty())
        return std::nullopt;
    return m_model.entries().at(rows.constFirst().row());
}

std::optional<qint32> EntryList::selectedId() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (rows.isEmpty())
        return std::nullopt;
    return m_model.entries().idAt(rows.constFirst().row());
}

void EntryList::selectRow(int row)
{
    const QModelIndex index = m_model.index(row);
    setCurrentIndex(index);
    selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
}

void EntryList::focusInEvent(QFocusEvent *event)
{
    QListView::focusInEvent(event);
    // The view makes the first entry current when it takes the focus and
    // draws it as if chosen; with nothing selected nothing may look chosen,
    // and the first arrow key must land on the first entry, not the second.
    if (!selectionModel()->hasSelection())
        selectionModel()->clearCurrentIndex();
}

void EntryList::keyPressEvent(QKeyEvent *event)
{
    const bool startsSelection = event->key() == Qt::Key_Down || event->key() == Qt::Key_Space;
    if (startsSelection && !currentIndex().isValid() && count() > 0) {
        selectRow(0);
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
}

void EntryList::mouseDoubleClickEvent(QMouseEvent *event)
{
    QListView::mouseDoubleClickEvent(event);
    if (count() > 0)
        emit doubleClickedWithEntries();
}
