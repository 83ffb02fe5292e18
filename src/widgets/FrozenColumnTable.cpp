#include "widgets/FrozenColumnTable.h"

#include <QHeaderView>
#include <QScrollBar>

FrozenColumnTable::FrozenColumnTable(QWidget *parent)
    : QTableView(parent), m_frozen(new QTableView(this))
{
    m_frozen->setObjectName(QStringLiteral("frozenColumn"));
    m_frozen->setFocusPolicy(Qt::NoFocus);
    m_frozen->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_frozen->verticalHeader()->hide();
    m_frozen->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_frozen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setVerticalScrollMode(ScrollPerPixel);
    m_frozen->setStyleSheet(QStringLiteral("QTableView { border: none; }"));
    setVerticalScrollMode(ScrollPerPixel);
    setHorizontalScrollMode(ScrollPerPixel);
    viewport()->stackUnder(m_frozen);

    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int section, int, int size) {
                if (section == 0) {
                    m_frozen->setColumnWidth(0, size);
                    place();
                }
            });
    connect(verticalHeader(), &QHeaderView::sectionResized, this,
            [this](int section, int, int size) { m_frozen->setRowHeight(section, size); });
    connect(verticalScrollBar(), &QAbstractSlider::valueChanged, m_frozen->verticalScrollBar(),
            &QAbstractSlider::setValue);
    connect(m_frozen->verticalScrollBar(), &QAbstractSlider::valueChanged, verticalScrollBar(),
            &QAbstractSlider::setValue);
    // A double-click on the frozen column edits the cell in the table itself.
    connect(m_frozen, &QTableView::doubleClicked, this, [this](const QModelIndex &index) {
        setCurrentIndex(index);
        setFocus();
        edit(index);
    });
    connect(m_frozen, &QTableView::clicked, this, [this] { setFocus(); });
    connect(horizontalScrollBar(), &QAbstractSlider::valueChanged, this, &FrozenColumnTable::place);
}

void FrozenColumnTable::setModel(QAbstractItemModel *model)
{
    QTableView::setModel(model);
    m_frozen->setModel(model);
    m_frozen->setSelectionModel(selectionModel());
    m_frozen->setItemDelegate(itemDelegate());
    // Columns come and go with a reset only in name: the count stays.
    if (model) {
        connect(model, &QAbstractItemModel::modelReset, this, &FrozenColumnTable::hideOtherColumns);
        connect(model, &QAbstractItemModel::columnsInserted, this,
                &FrozenColumnTable::hideOtherColumns);
    }
    hideOtherColumns();
}

void FrozenColumnTable::hideOtherColumns()
{
    if (!model())
        return;
    for (int column = 1; column < model()->columnCount(); ++column)
        m_frozen->setColumnHidden(column, true);
    m_frozen->setColumnWidth(0, columnWidth(0));
    m_frozen->verticalHeader()->setDefaultSectionSize(verticalHeader()->defaultSectionSize());
    m_frozen->verticalHeader()->setSectionResizeMode(verticalHeader()->sectionResizeMode(0));
    place();
}

void FrozenColumnTable::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    place();
}

void FrozenColumnTable::updateGeometries()
{
    QTableView::updateGeometries();
    place();
}

QModelIndex FrozenColumnTable::moveCursor(CursorAction cursorAction,
                                          Qt::KeyboardModifiers modifiers)
{
    QModelIndex current = QTableView::moveCursor(cursorAction, modifiers);
    // Moving left into cells hidden under the frozen column scrolls them out.
    if (cursorAction == MoveLeft && current.column() > 0 &&
        visualRect(current).topLeft().x() < m_frozen->columnWidth(0)) {
        const int newValue = horizontalScrollBar()->value() + visualRect(current).topLeft().x() -
                             m_frozen->columnWidth(0);
        horizontalScrollBar()->setValue(newValue);
    }
    return current;
}

void FrozenColumnTable::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    if (index.column() > 0)
        QTableView::scrollTo(index, hint);
}

void FrozenColumnTable::place()
{
    m_frozen->verticalHeader()->setDefaultSectionSize(verticalHeader()->defaultSectionSize());
    m_frozen->horizontalHeader()->setFixedHeight(horizontalHeader()->height());
    m_frozen->setGeometry(verticalHeader()->width() + frameWidth(), frameWidth(), columnWidth(0),
                          viewport()->height() + horizontalHeader()->height());
    // Nothing to cover while the table is not scrolled across.
    m_frozen->setVisible(horizontalScrollBar()->value() > 0);
}
