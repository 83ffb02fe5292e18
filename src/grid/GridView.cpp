#include "grid/GridView.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QToolTip>

#include <cmath>

namespace {

// One programme block as assistive technology sees it: its name says what,
// when and which category, as the grid shows it.
class BlockAccessible final : public QAccessibleInterface
{
public:
    BlockAccessible(GridView *view, int block) : m_view(view), m_block(block) {}

    bool isValid() const override { return m_view && m_block < m_view->dayLayout().blocks.size(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_view ? m_view->window()->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override
    {
        return QAccessible::queryAccessibleInterface(m_view);
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override
    {
        if (!isValid())
            return QString();
        if (t == QAccessible::Name)
            return m_view->blockName(m_block);
        return QString();
    }
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override
    {
        if (!isValid())
            return QRect();
        const QRect r = m_view->blockRect(m_block);
        return QRect(m_view->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.focusable = true;
        s.selectable = true;
        if (!isValid())
            return s;
        s.focused = m_view->hasFocus() && m_view->currentBlock() == m_block;
        s.selected = m_view->currentBlock() == m_block;
        s.offscreen = !m_view->viewport()->rect().intersects(m_view->blockRect(m_block));
        return s;
    }

private:
    QPointer<GridView> m_view;
    int m_block;
};

// The grid as a list with a child per block.
class GridAccessible final : public QAccessibleWidget
{
public:
    explicit GridAccessible(GridView *view) : QAccessibleWidget(view, QAccessible::List) {}
    ~GridAccessible() override { forget(); }

    int childCount() const override { return int(view()->dayLayout().blocks.size()); }
    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        auto found = m_children.constFind(index);
        if (found != m_children.constEnd())
            return QAccessible::accessibleInterface(*found);
        auto *child = new BlockAccessible(view(), index);
        m_children.insert(index, QAccessible::registerAccessibleInterface(child));
        return child;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        for (auto it = m_children.cbegin(); it != m_children.cend(); ++it) {
            if (QAccessible::accessibleInterface(*it) == child)
                return it.key();
        }
        return -1;
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        const QPoint local = view()->viewport()->mapFromGlobal(QPoint(x, y));
        for (int i = 0; i < childCount(); ++i) {
            if (view()->blockRect(i).contains(local))
                return child(i);
        }
        return nullptr;
    }
    QAccessibleInterface *focusChild() const override
    {
        return view()->currentBlock() >= 0 ? child(view()->currentBlock()) : nullptr;
    }
    // A new layout makes new blocks; the old ones are let go.
    void forget()
    {
        for (QAccessible::Id id : std::as_const(m_children))
            QAccessible::deleteAccessibleInterface(id);
        m_children.clear();
    }

private:
    GridView *view() const { return static_cast<GridView *>(widget()); }
    mutable QHash<int, QAccessible::Id> m_children;
};

QAccessibleInterface *gridFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("GridView") && object && object->isWidgetType())
        return new GridAccessible(static_cast<GridView *>(object));
    return nullptr;
}

double channelColumnWidth = 170;

} // namespace

GridView::GridView(QWidget *parent) : QAbstractScrollArea(parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(gridFactory);
        return true;
    }();
    Q_UNUSED(installed);
    setObjectName(QStringLiteral("guideView"));
    setAccessibleName(QStringLiteral("Guide"));
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(false);
    m_picture = std::make_unique<grid::Picture>(m_layout);
    // The line of the present moves on by itself.
    auto *clock = new QTimer(this);
    clock->setInterval(60 * 1000);
    connect(clock, &QTimer::timeout, viewport(), qOverload<>(&QWidget::update));
    clock->start();
}

void GridView::setLayout(grid::Layout layout)
{
    const qint32 programme =
        m_current >= 0 ? m_layout.blocks.value(m_current).programmeID : qint32(0);
    const bool newDay = layout.day != m_layout.day;
    m_layout = std::move(layout);
    if (auto *accessible =
            static_cast<GridAccessible *>(QAccessible::queryAccessibleInterface(this)))
        accessible->forget();
    m_current = programme ? m_layout.blockOf(programme) : -1;
    rebuild();
    setAccessibleDescription(m_picture->footerText());
    if (newDay && m_current < 0) {
        // A new day opens at the hour of its first programme, not at an
        // empty night.
        qint64 first = -1;
        for (const grid::Block &b : std::as_const(m_layout.blocks)) {
            if (first < 0 || b.from < first)
                first = b.from;
        }
        const qint64 hour = std::max<qint64>(0, first) / 3600 * 3600;
        horizontalScrollBar()->setValue(
            int(m_picture->xOf(hour) - m_picture->metrics().channelWidth));
        verticalScrollBar()->setValue(0);
    }
}

void GridView::setHoursOnScreen(int hours)
{
    m_hours = std::max(1, hours);
    rebuild();
}

void GridView::setSelected(const QSet<qint32> &programmeIDs)
{
    m_selected = programmeIDs;
    viewport()->update();
}

void GridView::rebuild()
{
    grid::Metrics metrics;
    metrics.channelWidth = channelColumnWidth;
    metrics.laneHeight = fontMetrics().height() + 12;
    metrics.rulerHeight = fontMetrics().height() + 8;
    const double room = std::max(60.0, viewport()->width() - metrics.channelWidth);
    metrics.pixelsPerHour = std::max(20.0, room / m_hours);
    // The hour at the left edge stays there when the scale changes.
    const double leftHours = horizontalScrollBar()->value() / m_picture->metrics().pixelsPerHour;
    m_picture = std::make_unique<grid::Picture>(m_layout, metrics);
    updateScrollBars();
    horizontalScrollBar()->setValue(int(std::lround(leftHours * metrics.pixelsPerHour)));
    viewport()->update();
}

void GridView::updateScrollBars()
{
    const QSize size(int(std::ceil(m_picture->width())), int(std::ceil(m_picture->height())));
    horizontalScrollBar()->setRange(0, std::max(0, size.width() - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(int(m_picture->metrics().pixelsPerHour / 4) + 1);
    verticalScrollBar()->setRange(0, std::max(0, size.height() - viewport()->height()));
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setSingleStep(int(m_picture->metrics().laneHeight));
}

QPoint GridView::offset() const
{
    return QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

QRect GridView::blockRect(int block) const
{
    if (block < 0 || block >= m_layout.blocks.size())
        return QRect();
    return m_picture->blockRect(block).toAlignedRect().translated(-offset());
}

QString GridView::blockName(int block) const
{
    const grid::Block &b = dayLayout().blocks.at(block);
    return b.accessibleName(dayLayout().channels.at(b.channel).name);
}

bool GridView::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(event);
        const int block = m_picture->blockAt(QPointF(help->pos() + offset()));
        if (block < 0) {
            QToolTip::hideText();
            event->ignore();
            return true;
        }
        const grid::Block &b = dayLayout().blocks.at(block);
        QToolTip::showText(help->globalPos(), b.toolTip(dayLayout().channels.at(b.channel).name),
                           viewport(), blockRect(block));
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void GridView::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    painter.translate(-offset());
    grid::Marks marks;
    marks.selected = m_selected;
    marks.focused = hasFocus() ? m_current : -1;
    marks.now = m_layout.secondOf(QDateTime::currentSecsSinceEpoch());
    marks.labelsFrom = offset().x() + m_picture->metrics().channelWidth;
    m_picture->paint(painter, QRectF(event->rect().translated(offset())), marks);

    // The channels stay at the left, the hours at the top and the legend in
    // place, however far the grid is scrolled.
    const QPoint scrolled = offset();
    const grid::Picture &p = *m_picture;
    painter.resetTransform();
    painter.translate(0, -scrolled.y());
    const auto [first, last] =
        p.rowsBetween(scrolled.y() + p.gridTop(), scrolled.y() + viewport()->height());
    painter.save();
    painter.setClipRect(QRectF(0, scrolled.y() + p.gridTop(), p.metrics().channelWidth,
                               viewport()->height() - p.gridTop()));
    p.paintChannels(painter, first, last);
    painter.restore();
    if (p.gridBottom() < scrolled.y() + viewport()->height()) {
        painter.fillRect(QRectF(0, p.gridBottom(), viewport()->width(), p.height()), Qt::white);
        p.paintFooter(painter, p.gridBottom(), viewport()->width());
    }
    painter.resetTransform();
    painter.translate(-scrolled.x(), 0);
    p.paintRuler(painter, 0);
    painter.resetTransform();
    painter.fillRect(QRectF(0, 0, p.metrics().channelWidth, p.metrics().rulerHeight),
                     QColor(0xee, 0xf0, 0xf4));
}

void GridView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    rebuild();
}

void GridView::mousePressEvent(QMouseEvent *event)
{
    const int block = m_picture->blockAt(event->position() + offset());
    if (event->button() == Qt::LeftButton && block >= 0)
        choose(block, false);
    QAbstractScrollArea::mousePressEvent(event);
}

void GridView::mouseDoubleClickEvent(QMouseEvent *event)
{
    const int block = m_picture->blockAt(event->position() + offset());
    if (event->button() == Qt::LeftButton && block >= 0)
        choose(block, true);
}

void GridView::choose(int block, bool activate)
{
    setCurrentBlock(block);
    const grid::Block &b = m_layout.blocks.at(block);
    const qint32 channel = m_layout.channels.at(b.channel).channelID;
    if (activate)
        emit programmeActivated(channel, b.programmeID);
    else
        emit programmeChosen(channel, b.programmeID);
}

void GridView::setCurrentBlock(int block)
{
    if (block < 0 || block >= m_layout.blocks.size())
        return;
    m_current = block;
    const QRect r = m_picture->blockRect(block).toAlignedRect();
    // Into view, with the channel column still showing beside it.
    const int left = r.left() - int(m_picture->metrics().channelWidth);
    if (left < horizontalScrollBar()->value())
        horizontalScrollBar()->setValue(left);
    else if (r.right() > horizontalScrollBar()->value() + viewport()->width())
        horizontalScrollBar()->setValue(std::min(left, r.right() - viewport()->width()));
    const int top = r.top() - int(m_picture->gridTop());
    if (top < verticalScrollBar()->value())
        verticalScrollBar()->setValue(top);
    else if (r.bottom() > verticalScrollBar()->value() + viewport()->height())
        verticalScrollBar()->setValue(r.bottom() - viewport()->height() + 1);
    viewport()->update();
    if (hasFocus()) {
        QAccessibleEvent focus(this, QAccessible::Focus);
        focus.setChild(block);
        QAccessible::updateAccessibility(&focus);
    }
}

int GridView::neighbour(int from, int key) const
{
    if (m_layout.blocks.isEmpty())
        return -1;
    if (from < 0 || from >= m_layout.blocks.size())
        return 0;
    const grid::Block &b = m_layout.blocks.at(from);
    const grid::ChannelRow &row = m_layout.channels.at(b.channel);
    if (key == Qt::Key_Left)
        return from > row.firstBlock ? from - 1 : -1;
    if (key == Qt::Key_Right)
        return from + 1 < row.firstBlock + row.blockCount ? from + 1 : -1;
    const int step = key == Qt::Key_Up ? -1 : key == Qt::Key_Down ? 1 : 0;
    if (step == 0)
        return -1;
    // The next channel that has a block at all; in it, the block whose
    // middle is nearest this one's.
    const double middle = (b.from + b.to) / 2.0;
    for (int c = b.channel + step; c >= 0 && c < m_layout.channels.size(); c += step) {
        const grid::ChannelRow &other = m_layout.channels.at(c);
        int best = -1;
        double distance = 0;
        for (int i = other.firstBlock; i < other.firstBlock + other.blockCount; ++i) {
            const grid::Block &o = m_layout.blocks.at(i);
            const double d = std::abs((o.from + o.to) / 2.0 - middle);
            if (best < 0 || d < distance) {
                best = i;
                distance = d;
            }
        }
        if (best >= 0)
            return best;
    }
    return -1;
}

void GridView::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const int next = neighbour(m_current, event->key());
        if (next >= 0)
            choose(next, false);
        return;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F2:
        if (m_current >= 0)
            choose(m_current, true);
        return;
    default:
        break;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void GridView::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    if (m_current < 0 && !m_layout.blocks.isEmpty())
        m_current = 0;
    // Not scrolled to: a click that brings the focus must land on the block
    // that was under the pointer.
    if (m_current >= 0) {
        QAccessibleEvent focus(this, QAccessible::Focus);
        focus.setChild(m_current);
        QAccessible::updateAccessibility(&focus);
    }
    viewport()->update();
}

void GridView::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}
