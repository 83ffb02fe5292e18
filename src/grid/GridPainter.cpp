#include "grid/GridPainter.h"

#include "store/OutputPath.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QImageWriter>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>

namespace grid {

namespace {

const QColor gridColour(0xc8, 0xcc, 0xd4);
const QColor rulerColour(0xee, 0xf0, 0xf4);
const QColor textColour(0x1d, 0x22, 0x2b);
const QColor selectedColour(0x14, 0x4e, 0xc2);
const QColor nowColour(0xd0, 0x1c, 0x1c);

constexpr double legendLine = 20;
constexpr double swatch = 14;

QString lower(const QString &path)
{
    return QFileInfo(path).suffix().toLower();
}

} // namespace

QColor familyColour(Family family)
{
    switch (family) {
    case Family::News:
        return QColor(0x9e, 0xca, 0xe1);
    case Family::Drama:
        return QColor(0xc9, 0xa8, 0xdc);
    case Family::Film:
        return QColor(0xf4, 0xa5, 0x82);
    case Family::Entertainment:
        return QColor(0xfd, 0xd7, 0x68);
    case Family::Children:
        return QColor(0xa6, 0xdb, 0xa0);
    case Family::Factual:
        return QColor(0x8f, 0xd3, 0xc7);
    case Family::Sport:
        return QColor(0xf2, 0x8e, 0x8e);
    case Family::ArtsAndOther:
    case Family::Count:
        break;
    }
    return QColor(0xdc, 0xcf, 0xb8);
}

Picture::Picture(Layout layout, Metrics metrics, QString title)
    : m_layout(std::move(layout)), m_metrics(metrics), m_title(std::move(title))
{
    if (!m_title.isEmpty() && m_metrics.titleHeight <= 0)
        m_metrics.titleHeight = 30;
    double top = gridTop();
    m_rowTops.reserve(m_layout.channels.size() + 1);
    for (const ChannelRow &row : std::as_const(m_layout.channels)) {
        m_rowTops.append(top);
        top += row.lanes * m_metrics.laneHeight;
    }
    m_rowTops.append(top);
    m_font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans")});
    m_font.setPixelSize(int(std::lround(m_metrics.laneHeight * 0.46)));
    m_bold = m_font;
    m_bold.setBold(true);
}

double Picture::width() const
{
    return m_metrics.channelWidth + m_layout.length / 3600.0 * m_metrics.pixelsPerHour;
}

double Picture::footerHeight() const
{
    const double legend = 8 + legendLine * 3;
    const double list =
        m_layout.unplaced.isEmpty() ? 0 : 8 + legendLine * (1 + m_layout.unplaced.size());
    return legend + list;
}

double Picture::height() const
{
    return gridBottom() + footerHeight();
}

double Picture::xOf(qint64 second) const
{
    return m_metrics.channelWidth + second / 3600.0 * m_metrics.pixelsPerHour;
}

QRectF Picture::blockRect(int block) const
{
    const Block &b = m_layout.blocks.at(block);
    const double left = xOf(b.from);
    // A very short programme still gets a sliver that can be seen and clicked.
    const double right = std::max(xOf(b.to), left + 3);
    const double top = rowTop(b.channel) + b.lane * m_metrics.laneHeight;
    return QRectF(left, top, right - left, m_metrics.laneHeight);
}

int Picture::blockAt(QPointF point) const
{
    if (point.y() < gridTop() || point.y() >= gridBottom() || point.x() < m_metrics.channelWidth)
        return -1;
    const auto row = std::upper_bound(m_rowTops.cbegin(), m_rowTops.cend(), point.y());
    const int channel = int(row - m_rowTops.cbegin()) - 1;
    if (channel < 0 || channel >= m_layout.channels.size())
        return -1;
    const ChannelRow &r = m_layout.channels.at(channel);
    for (int i = r.firstBlock; i < r.firstBlock + r.blockCount; ++i) {
        if (blockRect(i).contains(point))
            return i;
    }
    return -1;
}

void Picture::paint(QPainter &painter, const QRectF &exposed, const Marks &marks) const
{
    painter.save();
    painter.fillRect(exposed, Qt::white);
    if (m_metrics.titleHeight > 0)
        paintTitle(painter);
    paintRuler(painter, m_metrics.titleHeight);
    // Only the rows the exposed part crosses: a few hundred channels cost
    // no more to scroll than a few.
    const auto [first, last] = rowsBetween(exposed.top(), exposed.bottom());
    paintRows(painter, first, last, exposed, marks);
    if (marks.now) {
        painter.setPen(QPen(nowColour, 2));
        const double x = xOf(*marks.now);
        painter.drawLine(QPointF(x, m_metrics.titleHeight), QPointF(x, gridBottom()));
    }
    if (exposed.bottom() > gridBottom())
        paintFooter(painter, gridBottom());
    painter.restore();
}

void Picture::paintTitle(QPainter &painter) const
{
    QFont font = m_bold;
    font.setPixelSize(int(m_metrics.titleHeight * 0.55));
    painter.setFont(font);
    painter.setPen(textColour);
    painter.drawText(QRectF(6, 0, width() - 12, m_metrics.titleHeight),
                     Qt::AlignVCenter | Qt::AlignLeft, m_title);
}

void Picture::paintRuler(QPainter &painter, double top) const
{
    const double h = m_metrics.rulerHeight;
    painter.fillRect(QRectF(0, top, width(), h), rulerColour);
    painter.setFont(m_bold);
    painter.setPen(textColour);
    // "18:00" where it fits, else the hour alone.
    const bool roomy = QFontMetricsF(m_bold, painter.device()).horizontalAdvance(u"00:00"_qs) <
                       m_metrics.pixelsPerHour - 6;
    for (const HourMark &mark : m_layout.hours) {
        const double x = xOf(mark.second);
        painter.setPen(gridColour);
        painter.drawLine(QPointF(x, top), QPointF(x, top + h));
        painter.setPen(textColour);
        painter.drawText(QRectF(x + 3, top, m_metrics.pixelsPerHour - 6, h),
                         Qt::AlignVCenter | Qt::AlignLeft,
                         (roomy ? QStringLiteral("%1:00") : QStringLiteral("%1"))
                             .arg(mark.hour, 2, 10, QLatin1Char('0')));
    }
    painter.setPen(gridColour);
    painter.drawLine(QPointF(0, top + h - 0.5), QPointF(width(), top + h - 0.5));
}

namespace {

// The title first, as a short block has room for little else, and the start
// after it where it fits. A title cut to a character or two says nothing:
// such a block shows its colour alone.
QString blockLabel(const Block &b, const QFontMetricsF &metrics, double width)
{
    const QString withTime = b.name + QStringLiteral("  ") + b.startText;
    if (metrics.horizontalAdvance(withTime) <= width)
        return withTime;
    const QString title = metrics.elidedText(b.name, Qt::ElideRight, width);
    return title == b.name || title.size() > 3 ? title : QString();
}

} // namespace

void Picture::paintRows(QPainter &painter, int first, int last, const QRectF &exposed,
                        const Marks &marks) const
{
    const QFontMetricsF metrics(m_font, painter.device());
    painter.setFont(m_font);
    for (int c = first; c < last; ++c) {
        const ChannelRow &row = m_layout.channels.at(c);
        const double top = rowTop(c);
        const double bottom = rowTop(c + 1);
        if (c % 2)
            painter.fillRect(QRectF(0, top, width(), bottom - top), QColor(0xf7, 0xf8, 0xfa));
        // Hour lines through the row, under its blocks.
        painter.setPen(gridColour);
        for (const HourMark &mark : m_layout.hours)
            painter.drawLine(QPointF(xOf(mark.second), top), QPointF(xOf(mark.second), bottom));
        painter.drawLine(QPointF(0, bottom - 0.5), QPointF(width(), bottom - 0.5));

        for (int i = row.firstBlock; i < row.firstBlock + row.blockCount; ++i) {
            const QRectF rect = blockRect(i).adjusted(0.5, 1.5, -0.5, -1.5);
            if (!rect.intersects(exposed))
                continue;
            const Block &b = m_layout.blocks.at(i);
            const QColor fill = familyColour(b.family);
            painter.fillRect(rect, fill);
            if (b.lengthAssumed)
                painter.fillRect(rect, QBrush(fill.darker(135), Qt::BDiagPattern));
            const bool selected = marks.selected.contains(b.programmeID);
            QPen border(selected ? selectedColour : fill.darker(150), selected ? 2.5 : 1);
            if (b.lengthAssumed && !selected)
                border.setStyle(Qt::DashLine);
            painter.setPen(border);
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(rect);
            // Small wedges say the programme goes on beyond the day.
            painter.setPen(Qt::NoPen);
            painter.setBrush(fill.darker(190));
            const double w = std::min(5.0, rect.width() / 3);
            if (b.startsBefore) {
                painter.drawPolygon(QPolygonF({rect.topLeft(), rect.bottomLeft(),
                                               QPointF(rect.left() + w, rect.center().y())}));
            }
            if (b.endsAfter) {
                painter.drawPolygon(QPolygonF({rect.topRight(), rect.bottomRight(),
                                               QPointF(rect.right() - w, rect.center().y())}));
            }
            painter.setBrush(Qt::NoBrush);
            if (i == marks.focused) {
                QPen focus(textColour, 1, Qt::DotLine);
                painter.setPen(focus);
                painter.drawRect(rect.adjusted(2.5, 2.5, -2.5, -2.5));
            }
            QRectF textRect = rect.adjusted(4 + (b.startsBefore ? w : 0), 0, -3, 0);
            // A block that starts left of the view labels the part in view.
            textRect.setLeft(std::max(textRect.left(), marks.labelsFrom + 4));
            const QString label = blockLabel(b, metrics, textRect.width());
            if (!label.isEmpty()) {
                painter.setPen(textColour);
                painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft, label);
            }
        }
    }
    paintChannels(painter, first, last);
}

void Picture::paintChannels(QPainter &painter, int first, int last) const
{
    const double lane = m_metrics.laneHeight;
    const QFontMetricsF metrics(m_font, painter.device());
    const QFontMetricsF boldMetrics(m_bold, painter.device());
    for (int c = first; c < last; ++c) {
        const ChannelRow &row = m_layout.channels.at(c);
        const double top = rowTop(c);
        const double bottom = rowTop(c + 1);
        painter.fillRect(QRectF(0, top, m_metrics.channelWidth, bottom - top),
                         c % 2 ? QColor(0xf7, 0xf8, 0xfa) : QColor(Qt::white));
        painter.setPen(gridColour);
        painter.drawLine(QPointF(0, bottom - 0.5), QPointF(m_metrics.channelWidth, bottom - 0.5));
        painter.drawLine(QPointF(m_metrics.channelWidth - 0.5, top),
                         QPointF(m_metrics.channelWidth - 0.5, bottom));
        // The channel: its number, then its name.
        painter.setPen(textColour);
        const QRectF label(6, top, m_metrics.channelWidth - 10, lane);
        const QString number = row.number.trimmed();
        double numberWidth = 0;
        if (!number.isEmpty()) {
            painter.setFont(m_bold);
            const QString shownNumber = boldMetrics.elidedText(number, Qt::ElideRight, 48);
            painter.drawText(label, Qt::AlignVCenter | Qt::AlignLeft, shownNumber);
            numberWidth = boldMetrics.horizontalAdvance(shownNumber) + 6;
        }
        painter.setFont(m_font);
        const QRectF nameRect = label.adjusted(numberWidth, 0, 0, 0);
        painter.drawText(nameRect, Qt::AlignVCenter | Qt::AlignLeft,
                         metrics.elidedText(row.name, Qt::ElideRight, nameRect.width()));
    }
}

QPair<int, int> Picture::rowsBetween(double top, double bottom) const
{
    const auto from = std::upper_bound(m_rowTops.cbegin(), m_rowTops.cend(), top);
    const auto to = std::lower_bound(m_rowTops.cbegin(), m_rowTops.cend(), bottom);
    return {std::max(0, int(from - m_rowTops.cbegin()) - 1),
            std::min(int(m_layout.channels.size()), int(to - m_rowTops.cbegin()))};
}

namespace {

QString hatchedText()
{
    return QStringLiteral("Hatched: no readable duration, drawn %1 minutes long")
        .arg(assumedMinutes);
}

QString unplacedHeading()
{
    return QStringLiteral("Starts that cannot be read (not on the grid):");
}

} // namespace

QString Picture::footerText() const
{
    QStringList colours;
    for (int f = 0; f < int(Family::Count); ++f)
        colours << familyName(Family(f));
    QString text =
        QStringLiteral("Colours: %1. %2.").arg(colours.join(QStringLiteral("; ")), hatchedText());
    if (!m_layout.unplaced.isEmpty()) {
        QStringList unplaced;
        for (const Unplaced &u : m_layout.unplaced)
            unplaced << u.text();
        text += u' ' + unplacedHeading() + u' ' + unplaced.join(QStringLiteral("; ")) + u'.';
    }
    return text;
}

void Picture::paintFooter(QPainter &painter, double top, double across) const
{
    const double wide = across > 0 ? across : width();
    painter.setFont(m_font);
    double y = top + 8;
    double x = 6;
    const QFontMetricsF metrics(m_font, painter.device());
    const auto entry = [&](const QBrush &brush, const QColor &edge, const QString &text) {
        const double needed = swatch + 6 + metrics.horizontalAdvance(text) + 18;
        if (x > 6 && x + needed > wide) {
            x = 6;
            y += legendLine;
        }
        const QRectF box(x, y + (legendLine - swatch) / 2, swatch, swatch);
        painter.fillRect(box, Qt::white);
        painter.fillRect(box, brush);
        painter.setPen(edge);
        painter.drawRect(box);
        painter.setPen(textColour);
        painter.drawText(QRectF(x + swatch + 6, y, needed, legendLine),
                         Qt::AlignVCenter | Qt::AlignLeft, text);
        x += needed;
    };
    for (int f = 0; f < int(Family::Count); ++f) {
        const QColor colour = familyColour(Family(f));
        entry(colour, colour.darker(150), familyName(Family(f)));
    }
    const QColor plain = familyColour(Family::ArtsAndOther);
    entry(QBrush(plain.darker(135), Qt::BDiagPattern), plain.darker(150), hatchedText());
    y = std::max(y + legendLine, top + 8 + legendLine * 3);
    if (m_layout.unplaced.isEmpty())
        return;
    y += 8;
    painter.setFont(m_bold);
    painter.drawText(QRectF(6, y, wide - 12, legendLine), Qt::AlignVCenter | Qt::AlignLeft,
                     unplacedHeading());
    painter.setFont(m_font);
    for (const Unplaced &u : m_layout.unplaced) {
        y += legendLine;
        painter.drawText(QRectF(18, y, wide - 24, legendLine), Qt::AlignVCenter | Qt::AlignLeft,
                         metrics.elidedText(u.text(), Qt::ElideRight, wide - 24));
    }
}

double Picture::bandWidth(qint64 from, qint64 to) const
{
    return m_metrics.channelWidth + (to - from) / 3600.0 * m_metrics.pixelsPerHour;
}

void Picture::paintBand(QPainter &painter, qint64 from, qint64 to, int first, int last) const
{
    const double ruler = m_metrics.rulerHeight;
    const double rows = rowTop(last) - rowTop(first);
    const double shift = xOf(from) - m_metrics.channelWidth;
    const double channels = m_metrics.channelWidth;
    painter.fillRect(QRectF(0, 0, channels, ruler), rulerColour);
    painter.save();
    painter.setClipRect(QRectF(channels, 0, bandWidth(from, to) - channels, ruler + rows));
    painter.translate(-shift, 0);
    paintRuler(painter, 0);
    painter.translate(0, ruler - rowTop(first));
    Marks marks;
    // A programme begun before the band says what it is in the band.
    marks.labelsFrom = xOf(from);
    paintRows(painter, first, last, QRectF(xOf(from), rowTop(first), xOf(to) - xOf(from), rows),
              marks);
    painter.restore();
    painter.save();
    painter.translate(0, ruler - rowTop(first));
    painter.setClipRect(QRectF(0, rowTop(first), m_metrics.channelWidth, rows));
    paintChannels(painter, first, last);
    painter.restore();
    painter.save();
    painter.setPen(gridColour);
    painter.drawLine(QPointF(0, ruler - 0.5), QPointF(channels, ruler - 0.5));
    painter.restore();
}

namespace {

// The day cut into stretches of `hours` hours.
QList<QPair<qint64, qint64>> stretches(const Layout &layout, int hours)
{
    QList<QPair<qint64, qint64>> spans;
    const qint64 step = qint64(hours) * 3600;
    for (qint64 from = 0; from < layout.length; from += step)
        spans.append({from, std::min(from + step, layout.length)});
    return spans;
}

// The most hours that fit across `across` device units with text at least
// `text` device units high, and never more than the day has.
int hoursThatFit(const Picture &picture, double across, double text, int wanted)
{
    const Metrics &m = picture.metrics();
    const double scale = text / picture.textHeight();
    const int fit = int((across / scale - m.channelWidth) / m.pixelsPerHour);
    const int day = int(std::ceil(picture.layout().length / 3600.0));
    return std::clamp(std::min(wanted, fit), 1, std::max(1, day));
}

QString hourText(const Layout &layout, qint64 second)
{
    for (const HourMark &mark : layout.hours) {
        if (mark.second == second)
            return QStringLiteral("%1:00").arg(mark.hour, 2, 10, QLatin1Char('0'));
    }
    return QStringLiteral("24:00");
}

} // namespace

void paintPages(QPainter &painter, QPagedPaintDevice &device, const Picture &picture,
                const QString &heading, int hoursWanted)
{
    constexpr double smallestPoints = 7;
    const double pageWidth = device.width();
    const double pageHeight = device.height();
    const double smallest = smallestPoints / 72.0 * device.logicalDpiY();
    const int hours = hoursThatFit(picture, pageWidth, smallest, hoursWanted);
    const double scale = pageWidth / picture.bandWidth(0, qint64(hours) * 3600);
    const double band = 28; // heading and page number, in picture units
    const double ruler = picture.metrics().rulerHeight;
    const double room = pageHeight / scale - 2 * band - ruler;
    const Layout &layout = picture.layout();

    // Whole channel rows to each page; a row taller than a page gets a page of its own.
    QList<int> rowStarts{0};
    for (int c = 0; c < layout.channels.size(); ++c) {
        const double used = picture.rowTop(c + 1) - picture.rowTop(rowStarts.last());
        if (used > room && c > rowStarts.last())
            rowStarts.append(c);
    }
    const auto spans = stretches(layout, hours);
    const double lastUsed = picture.gridBottom() - picture.rowTop(rowStarts.last());
    const bool footerApart = lastUsed + picture.footerHeight() > room;
    const int gridPages = int(spans.size() * rowStarts.size());
    const int pages = gridPages + (footerApart ? 1 : 0);

    // Across the day first: all the channels of the morning, then the
    // afternoon's, as a printed guide is read.
    int page = 0;
    const auto startPage = [&](const QString &title) {
        if (page > 0)
            device.newPage();
        ++page;
        painter.save();
        painter.scale(scale, scale);
        const double w = pageWidth / scale;
        painter.setFont(picture.m_bold);
        painter.setPen(textColour);
        painter.drawText(QRectF(0, 0, w, band), Qt::AlignVCenter | Qt::AlignLeft, title);
        painter.setFont(picture.m_font);
        painter.drawText(QRectF(0, pageHeight / scale - band, w, band),
                         Qt::AlignVCenter | Qt::AlignHCenter,
                         QStringLiteral("Page %1 of %2").arg(page).arg(pages));
        painter.translate(0, band);
    };
    for (const auto &[from, to] : spans) {
        for (int group = 0; group < rowStarts.size(); ++group) {
            const int first = rowStarts.at(group);
            const int last = group + 1 < rowStarts.size() ? rowStarts.at(group + 1)
                                                          : int(layout.channels.size());
            startPage(QStringLiteral("%1, %2 to %3")
                          .arg(heading, hourText(layout, from), hourText(layout, to)));
            picture.paintBand(painter, from, to, first, last);
            const bool lastPage = page == gridPages;
            if (!footerApart && lastPage) {
                painter.translate(0, ruler + picture.rowTop(last) - picture.rowTop(first));
                picture.paintFooter(painter, 0, pageWidth / scale);
            }
            painter.restore();
        }
    }
    if (footerApart) {
        startPage(heading);
        picture.paintFooter(painter, 0, pageWidth / scale);
        painter.restore();
    }
}

QString heading(const QString &projectName, QDate day)
{
    const QString date = QLocale::c().toString(day, QStringLiteral("dddd d MMMM yyyy"));
    return projectName.isEmpty() ? date : projectName + QStringLiteral(" \u2014 ") + date;
}

bool knownPictureKind(const QString &path)
{
    const QString kind = lower(path);
    return kind == u"png" || kind == u"svg" || kind == u"pdf";
}

QString writePicture(const Layout &layout, const QString &title, const QString &path, int width,
                     const QString &databasePath, int hours)
{
    // The file is replaced by renaming a new one over what the path leads
    // to, which for a link to the database is the database.
    if (auto refused = store::refuseDatabaseAsOutput(path, databasePath, QString()); !refused)
        return refused.failure().detail;
    const QString kind = lower(path);
    if (kind == u"pdf") {
        // Written aside and moved into place whole, as every other file is.
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return file.errorString();
        {
            QPdfWriter pdf(&file);
            pdf.setTitle(title);
            pdf.setCreator(QStringLiteral("Quorvel"));
            pdf.setResolution(300);
            pdf.setPageSize(QPageSize(QPageSize::A4));
            pdf.setPageOrientation(QPageLayout::Landscape);
            pdf.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
            QPainter painter(&pdf);
            paintPages(painter, pdf, Picture(layout), title, hours);
        }
        return file.commit() ? QString() : file.errorString();
    }
    const Picture picture(layout, Metrics(), title);
    if (kind == u"svg") {
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return file.errorString();
        {
            QSvgGenerator svg;
            svg.setOutputDevice(&file);
            svg.setTitle(title);
            const QSize size(int(std::ceil(picture.width())), int(std::ceil(picture.height())));
            svg.setSize(size);
            svg.setViewBox(QRect(QPoint(), size));
            QPainter painter(&svg);
            picture.paint(painter, QRectF(QPointF(), size));
        }
        return file.commit() ? QString() : file.errorString();
    }
    if (kind != u"png")
        return QStringLiteral("Only .png, .svg and .pdf files can be written.");
    if (width < 100 || width > 30000)
        return QStringLiteral("The width must be between 100 and 30000 pixels.");
    // The whole day across the width while its text stays readable;
    // otherwise bands of fewer hours, one under the other.
    constexpr double smallestText = 11;
    double scale = width / picture.width();
    const bool banded = picture.textHeight() * scale < smallestText;
    QList<QPair<qint64, qint64>> bands;
    double height = picture.height();
    constexpr double bandGap = 16;
    if (banded) {
        scale = smallestText / picture.textHeight();
        const int hoursPerBand =
            hoursThatFit(picture, width, smallestText, int(std::ceil(layout.length / 3600.0)));
        bands = stretches(layout, hoursPerBand);
        const double bandHeight =
            picture.metrics().rulerHeight + picture.gridBottom() - picture.gridTop() + bandGap;
        height = picture.metrics().titleHeight + bands.size() * bandHeight + picture.footerHeight();
    }
    const QSize size(width, int(std::ceil(height * scale)));
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull())
        return QStringLiteral("There is not enough memory for a picture of %1 by %2 pixels.")
            .arg(size.width())
            .arg(size.height());
    {
        QPainter painter(&image);
        // Text smoothed; the grid is straight lines and boxes, which cost
        // several times as much smoothed and look no different.
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.scale(scale, scale);
        if (!banded) {
            picture.paint(painter, QRectF(0, 0, picture.width(), picture.height()));
        } else {
            const double across = width / scale;
            painter.fillRect(QRectF(0, 0, across, height), Qt::white);
            picture.paintTitle(painter);
            painter.translate(0, picture.metrics().titleHeight);
            const int channels = int(layout.channels.size());
            for (const auto &[from, to] : std::as_const(bands)) {
                picture.paintBand(painter, from, to, 0, channels);
                painter.translate(0, picture.metrics().rulerHeight + picture.gridBottom() -
                                         picture.gridTop() + bandGap);
            }
            picture.paintFooter(painter, 0, across);
        }
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    QImageWriter writer(&file, "png");
    // Light compression: a day of a hundred channels is mostly flat colour,
    // which the lightest levels already pack to a fifteenth; the strongest
    // costs seconds for a few per cent more.
    writer.setCompression(15);
    if (!writer.write(image))
        return writer.errorString();
    return file.commit() ? QString() : file.errorString();
}

} // namespace grid
