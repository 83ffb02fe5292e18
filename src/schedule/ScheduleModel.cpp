#include "schedule/ScheduleModel.h"

#include "programmes/Programmes.h"

#include <QApplication>
#include <QComboBox>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QSet>
#include <QStyle>

#include <functional>

using schedule::Programme;

void ScheduleModel::setProgrammes(QList<Programme> programmes)
{
    beginResetModel();
    m_programmes = std::move(programmes);
    check();
    endResetModel();
}

void ScheduleModel::setGapMinutes(int minutes)
{
    m_gapMinutes = minutes;
    check();
    if (!m_programmes.isEmpty()) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
        emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
    }
}

QList<int> ScheduleModel::rowsOf(const QList<qint32> &programmeIDs) const
{
    QList<int> rows;
    if (programmeIDs.isEmpty())
        return rows;
    const QSet<qint32> wanted(programmeIDs.cbegin(), programmeIDs.cend());
    for (int row = 0; row < m_programmes.size(); ++row) {
        if (wanted.contains(m_programmes.at(row).programmeID))
            rows << row;
    }
    return rows;
}

void ScheduleModel::setValue(int row, int column, const QString &text)
{
    schedule::setCellText(m_programmes[row], column, text);
    // Only this row's checks and those of the row before, which looks at
    // this one's start, can change.
    const int n = int(m_programmes.size());
    for (int r = qMax(0, row - 1); r <= row; ++r) {
        m_count.add(m_checks.at(r).problems, -1);
        m_checks[r] = schedule::checkProgramme(m_programmes.at(r),
                                               r + 1 < n ? &m_programmes.at(r + 1) : nullptr,
                                               m_gapMinutes, m_zone);
        m_count.add(m_checks.at(r).problems, 1);
    }
    emit dataChanged(index(qMax(0, row - 1), 0), index(row, columnCount() - 1));
    emit headerDataChanged(Qt::Vertical, qMax(0, row - 1), row);
}

void ScheduleModel::check()
{
    m_checks = schedule::checkSchedule(m_programmes, m_gapMinutes, m_zone, &m_count);
}

int ScheduleModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_programmes.size());
}

int ScheduleModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : schedule::ColumnCount;
}

namespace {

// A mark of its own for each kind of problem, told apart by shape as well as
// colour (orange and blue, which colour-blind eyes still tell apart): two
// blocks over one another for an overlap, two blocks with room between them
// for a gap. A start or length that cannot be read is the gravest.
QIcon problemIcon(unsigned problems)
{
    const auto drawn = [](const std::function<void(QPainter &)> &draw) {
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        draw(painter);
        return QIcon(pixmap);
    };
    static const QIcon overlap = drawn([](QPainter &p) {
        const QColor orange(0xe6, 0x9f, 0x00);
        p.setPen(QPen(orange.darker(160), 1));
        p.setBrush(orange.lighter(130));
        p.drawRect(QRectF(1.5, 2.5, 9, 7));
        p.setBrush(orange);
        p.drawRect(QRectF(5.5, 6.5, 9, 7));
    });
    static const QIcon gap = drawn([](QPainter &p) {
        const QColor blue(0x00, 0x72, 0xb2);
        p.setPen(QPen(blue.darker(150), 1));
        p.setBrush(blue);
        p.drawRect(QRectF(0.5, 4.5, 4, 7));
        p.drawRect(QRectF(11.5, 4.5, 4, 7));
        p.setPen(QPen(blue, 1, Qt::DotLine));
        p.drawLine(QPointF(5, 8), QPointF(11, 8));
    });
    if (problems & schedule::Unreadable)
        return QApplication::style()->standardIcon(QStyle::SP_MessageBoxCritical);
    if (problems & schedule::Overlap)
        return overlap;
    if (problems & schedule::Gap)
        return gap;
    return QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
}

} // namespace

QVariant ScheduleModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_programmes.size())
        return {};
    const Programme &p = m_programmes.at(index.row());
    const schedule::RowCheck &check = m_checks.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return index.column() == schedule::End ? schedule::endText(p, m_zone)
                                               : schedule::cellText(p, index.column());
    case Qt::DecorationRole:
        if (index.column() == 0 && check.problems)
            return problemIcon(check.problems);
        return {};
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole:
        return check.problems ? QVariant(check.text) : QVariant();
    case ProblemsRole:
        return check.problems;
    }
    return {};
}

QVariant ScheduleModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal &&
        (role == Qt::DisplayRole || role == Qt::AccessibleTextRole))
        return schedule::columnTitle(section);
    if (orientation == Qt::Vertical && role == Qt::DisplayRole)
        return section + 1;
    // Beside the row's number too, which stays in view however far the
    // table is scrolled across.
    if (orientation == Qt::Vertical && section < m_checks.size()) {
        const schedule::RowCheck &check = m_checks.at(section);
        if (role == Qt::DecorationRole && check.problems)
            return problemIcon(check.problems);
        if (role == Qt::ToolTipRole && check.problems)
            return check.text;
    }
    return {};
}

Qt::ItemFlags ScheduleModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() != schedule::End)
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool ScheduleModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.column() == schedule::End)
        return false;
    const Programme &p = m_programmes.at(index.row());
    const QString oldText = schedule::cellText(p, index.column());
    const QString newText = value.toString();
    // Leaving a cell as it was is no change, and no step to undo.
    if (oldText == newText)
        return false;
    emit editRequested(p.programmeID, index.column(), oldText,
                       newText.isNull() ? QStringLiteral("") : newText);
    return true;
}

QWidget *CategoryDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                        const QModelIndex &index) const
{
    if (index.column() != schedule::Category) {
        // Named after its column, so that a screen reader says what is being typed.
        QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (editor)
            editor->setAccessibleName(schedule::columnTitle(index.column()));
        return editor;
    }
    auto *box = new QComboBox(parent);
    box->setObjectName(QStringLiteral("categoryEditor"));
    box->setAccessibleName(schedule::columnTitle(schedule::Category));
    box->addItems(programmes::categories());
    return box;
}

void CategoryDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *box = qobject_cast<QComboBox *>(editor);
    if (!box) {
        QStyledItemDelegate::setEditorData(editor, index);
        return;
    }
    const QString stored = index.data(Qt::EditRole).toString();
    if (!stored.isEmpty() && box->findText(stored, Qt::MatchExactly) < 0)
        box->insertItem(0, stored);
    box->setCurrentIndex(stored.isEmpty() ? -1 : box->findText(stored, Qt::MatchExactly));
}

void CategoryDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                    const QModelIndex &index) const
{
    auto *box = qobject_cast<QComboBox *>(editor);
    if (!box) {
        QStyledItemDelegate::setModelData(editor, model, index);
        return;
    }
    if (box->currentIndex() >= 0)
        model->setData(index, box->currentText(), Qt::EditRole);
}
