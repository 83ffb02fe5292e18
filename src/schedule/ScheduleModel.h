#pragma once

#include "schedule/Schedule.h"
#include "schedule/ScheduleTimes.h"

#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <QTimeZone>

// The programmes of one channel as the schedule's table shows them, with
// the checks worked out for every row. The model holds plain values and
// never writes to the store: an edit is handed on as editRequested, and the
// window stores it as a step that can be undone.
class ScheduleModel final : public QAbstractTableModel
{
    Q_OBJECT

public:
    // The problems of a row (schedule::Problem flags), for the window and tests.
    static constexpr int ProblemsRole = Qt::UserRole + 1;

    using QAbstractTableModel::QAbstractTableModel;

    void setProgrammes(QList<schedule::Programme> programmes);
    void setGapMinutes(int minutes);
    int gapMinutes() const { return m_gapMinutes; }
    // The zone whose clock the typed starts are read on.
    const QTimeZone &zone() const { return m_zone; }

    const QList<schedule::Programme> &programmes() const { return m_programmes; }
    const schedule::CheckCount &count() const { return m_count; }
    unsigned problems(int row) const { return m_checks.at(row).problems; }
    // The rows of these programmes, in table order.
    QList<int> rowsOf(const QList<qint32> &programmeIDs) const;
    // Changes one cell's text in place, where the change cannot move the row.
    void setValue(int row, int column, const QString &text);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

signals:
    // The user changed a cell's text; nothing is stored yet.
    void editRequested(qint32 programmeID, int column, const QString &oldText,
                       const QString &newText);

private:
    void check();

    QList<schedule::Programme> m_programmes;
    QList<schedule::RowCheck> m_checks;
    schedule::CheckCount m_count;
    int m_gapMinutes = 0;
    // The system's, as the guide grid and the XMLTV export use.
    QTimeZone m_zone = QTimeZone::systemTimeZone();
};

// Edits the Category column with a drop-down of the fixed categories; a
// stored category outside them is offered too, so opening the box and
// leaving it changes nothing.
class CategoryDelegate final : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;
};
