#pragma once

#include "store/ListEntry.h"

#include <QAbstractListModel>
#include <QListView>

#include <optional>

class EntryModel final : public QAbstractListModel
{
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    void setEntries(ListEntries entries);
    const ListEntries &entries() const { return m_entries; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    ListEntries m_entries;
};

// A single-selection, unsorted list of entries that keeps each row's
// identifier beside its text. It holds any number of entries: the model
// keeps plain values, and rows of one height let the view skip measuring
// every one of them.
class EntryList final : public QListView
{
    Q_OBJECT

public:
    explicit EntryList(QWidget *parent = nullptr);

    // Replaces the entries; afterwards nothing is selected.
    void fill(ListEntries entries);
    // Replaces the entries with the same list read again: the selected
    // entry stays selected and the first one in view stays first, each
    // found by its identifier, while they are still there.
    void refill(ListEntries entries);
    int count() const;
    const ListEntries &entries() const { return m_model.entries(); }
    std::optional<ListEntry> selectedEntry() const;
    std::optional<qint32> selectedId() const;
    void selectRow(int row);

signals:
    // The user selected an entry, by mouse or keyboard.
    void entrySelected();
    // A double-click on a list that holds entries.
    void doubleClickedWithEntries();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    // The row of the entry with this identifier, or -1.
    int rowOf(qint32 id) const;

    EntryModel m_model;
};
