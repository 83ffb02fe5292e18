#pragma once

#include <QTableView>

// A table whose first column stays in view when it is scrolled across, as a
// spreadsheet's frozen column does: a second view of the same model and
// selection, showing that column alone, lies over the table's left edge.
// The table keeps the focus, the editing and what assistive technology reads.
class FrozenColumnTable final : public QTableView
{
    Q_OBJECT

public:
    explicit FrozenColumnTable(QWidget *parent = nullptr);

    void setModel(QAbstractItemModel *model) override;
    // Whether a cell's editor is open.
    bool isEditing() const { return state() == EditingState; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void updateGeometries() override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;

private:
    void hideOtherColumns();
    void place();

    QTableView *m_frozen;
};
