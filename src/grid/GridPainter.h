#pragma once

#include "grid/GridLayout.h"

#include <QColor>
#include <QFont>
#include <QPair>
#include <QRectF>
#include <QSet>

#include <optional>

class QPagedPaintDevice;
class QPainter;

// Draws a grid layout through QPainter onto any paint device: the window's
// grid, a PNG, an SVG and a printer or PDF share this one routine. It draws
// what the layout says and decides nothing about where programmes go.
namespace grid {

QColor familyColour(Family family);

struct Metrics
{
    double channelWidth = 170;
    double pixelsPerHour = 120;
    double laneHeight = 26;
    double rulerHeight = 22;
    double titleHeight = 0; // a heading line above the grid, for image files
};

// What the window marks over the plain picture.
struct Marks
{
    QSet<qint32> selected;
    int focused = -1;
    std::optional<qint64> now; // seconds into the day shown
    // Where the grid's part in view begins, across: labels start no further
    // left, so a block that began before it still says what it is.
    double labelsFrom = 0;
};

class Picture
{
public:
    explicit Picture(Layout layout, Metrics metrics = {}, QString title = QString());

    const Layout &layout() const { return m_layout; }
    const Metrics &metrics() const { return m_metrics; }

    double width() const;
    // The whole picture: heading, ruler, rows, legend and the list of starts
    // that cannot be read.
    double height() const;
    double gridTop() const { return m_metrics.titleHeight + m_metrics.rulerHeight; }
    double gridBottom() const { return m_rowTops.constLast(); }
    double rowTop(int channel) const { return m_rowTops.at(channel); }
    double xOf(qint64 second) const;
    QRectF blockRect(int block) const;
    // The block under a point of the picture, or -1.
    int blockAt(QPointF point) const;

    // The legend and the starts that cannot be read, as one text for a
    // screen reader: the picture only paints them.
    QString footerText() const;
    void paint(QPainter &painter, const QRectF &exposed, const Marks &marks = {}) const;

    // Parts, for a view that keeps the hours and the channels in sight
    // while the grid scrolls under them.
    void paintRuler(QPainter &painter, double top) const;
    void paintChannels(QPainter &painter, int first, int last) const;
    // The legend wraps at `across`, the picture's width unless given.
    void paintFooter(QPainter &painter, double top, double across = 0) const;
    // The channels whose rows cross [top, bottom): first and one past the last.
    QPair<int, int> rowsBetween(double top, double bottom) const;

    // The hours [from, to) of the channels [first, last) with the ruler over
    // them and the channels' names at their left, drawn from (0, 0): a page
    // or a band of a picture too narrow for the whole day.
    void paintBand(QPainter &painter, qint64 from, qint64 to, int first, int last) const;
    double bandWidth(qint64 from, qint64 to) const;
    // The text's height in the picture's units: what a scale must keep readable.
    double textHeight() const { return m_font.pixelSize(); }
    void paintTitle(QPainter &painter) const;
    double footerHeight() const;

private:
    void paintRows(QPainter &painter, int first, int last, const QRectF &exposed,
                   const Marks &marks) const;

    friend void paintPages(QPainter &, QPagedPaintDevice &, const Picture &, const QString &, int);

    Layout m_layout;
    Metrics m_metrics;
    QString m_title;
    QList<double> m_rowTops; // one more than there are channels
    QFont m_font;
    QFont m_bold;
};

// The day on paper: `hours` across each page (fewer where its text would
// come out smaller than 7 points), pages on across the day and down the
// channels, each with the ruler and the channels' names, headed by `heading`
// with the hours it shows and numbered; the painter is already drawing on device.
void paintPages(QPainter &painter, QPagedPaintDevice &device, const Picture &picture,
                const QString &heading, int hours);

// "Coastal Community TV \u2014 Monday 14 March 2005".
QString heading(const QString &projectName, QDate day);

// Writes the picture as PNG (width pixels wide), SVG or PDF (in pages of
// `hours` hours), chosen by the file's ending. A PNG too narrow for the whole
// day in text of 11 pixels shows the day in bands of fewer hours, one under
// the other, rather than smaller text. Empty text when written, otherwise
// why not. A path that leads to the database, by a link or otherwise, is refused.
QString writePicture(const Layout &layout, const QString &title, const QString &path, int width,
                     const QString &databasePath, int hours = 6);

// Whether the ending names a kind writePicture knows.
bool knownPictureKind(const QString &path);

} // namespace grid
