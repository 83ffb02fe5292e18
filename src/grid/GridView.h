#pragma once

#include "grid/GridPainter.h"

#include <QAbstractScrollArea>

#include <memory>

// The schedule's Guide: one day of the project as a grid of programme
// blocks, scrolled both ways, with one block current for the keyboard.
// It only shows a layout; the window reads the store and answers its signals.
class GridView final : public QAbstractScrollArea
{
    Q_OBJECT

public:
    explicit GridView(QWidget *parent = nullptr);

    void setLayout(grid::Layout layout);
    const grid::Layout &dayLayout() const { return m_picture->layout(); }
    const grid::Picture &picture() const { return *m_picture; }

    // How many hours the viewport shows across.
    void setHoursOnScreen(int hours);
    // The programmes selected in the table, outlined in the grid.
    void setSelected(const QSet<qint32> &programmeIDs);

    int currentBlock() const { return m_current; }
    // Makes a block current, scrolls to it and tells assistive technology.
    void setCurrentBlock(int block);
    // The block's rectangle in viewport coordinates.
    QRect blockRect(int block) const;
    // What a screen reader says of the block: title, channel, times, category.
    QString blockName(int block) const;
    // The block the keyboard reaches from `from` with this arrow key, or -1.
    int neighbour(int from, int key) const;

signals:
    // The user clicked a block or moved to it with the keyboard.
    void programmeChosen(qint32 channelID, qint32 programmeID);
    // Double-click or Enter: edit the programme.
    void programmeActivated(qint32 channelID, qint32 programmeID);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    bool viewportEvent(QEvent *event) override;

private:
    void rebuild();
    void updateScrollBars();
    QPoint offset() const;
    void choose(int block, bool activate);

    std::unique_ptr<grid::Picture> m_picture;
    grid::Layout m_layout;
    QSet<qint32> m_selected;
    int m_hours = 6;
    int m_current = -1;
};
