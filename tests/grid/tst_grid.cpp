#include "grid/GridLayout.h"
#include "grid/GridPainter.h"
#include "programmes/Programmes.h"
#include "support/TestDatabase.h"

#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using grid::Block;

namespace {

// "channel|date|time|duration|name|category" rows; channels 0, 1, ... in order.
QList<grid::Channel> channelsOf(const QStringList &rows)
{
    QList<grid::Channel> channels;
    qint32 id = 0;
    for (const QString &row : rows) {
        const QStringList v = row.split(u'|');
        const int channel = v.value(0).toInt();
        while (channels.size() <= channel)
            channels.append({qint32(channels.size() + 1),
                             u"Channel %1"_qs.arg(channels.size()),
                             QString::number(100 + channels.size()),
                             {}});
        grid::Programme p;
        p.programmeID = ++id;
        p.startDate = v.value(1);
        p.startTime = v.value(2);
        p.duration = v.value(3);
        p.programmeName = v.value(4);
        p.category = v.value(5);
        channels[channel].programmes.append(p);
    }
    return channels;
}

QString clockOf(qint64 seconds)
{
    return u"%1:%2"_qs.arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'));
}

// "name channel/lane from-to" with from and to counted from the day's start,
// then < when it began the day before, > when it runs on, ? when its length is assumed.
QStringList described(const grid::Layout &layout)
{
    QStringList result;
    for (const Block &b : layout.blocks) {
        result << u"%1 %2/%3 %4-%5%6%7%8"_qs.arg(b.name).arg(b.channel).arg(b.lane).arg(
            clockOf(b.from), clockOf(b.to), b.startsBefore ? u"<"_qs : QString(),
            b.endsAfter ? u">"_qs : QString(), b.lengthAssumed ? u"?"_qs : QString());
    }
    return result;
}

// The UTC layout of 10 June 2024.
grid::Layout dayOf(const QStringList &rows)
{
    return grid::layOut(channelsOf(rows), QDate(2024, 6, 10), QTimeZone("UTC"));
}

} // namespace

class TestGrid : public QObject
{
    Q_OBJECT

private slots:
    void layout_data()
    {
        addColumns<QByteArray, QDate, QStringList, QStringList, int, QStringList>(
            "zone", "day", "programmes", "blocks", "hours", "unplaced");
        const auto row = [](const char *name, const QStringList &programmes,
                            const QStringList &blocks, const QStringList &unplaced = {},
                            const char *zone = "UTC", QDate day = {2024, 6, 10}, int hours = 24) {
            QTest::newRow(name) << QByteArray(zone) << day << programmes << blocks << hours
                                << unplaced;
        };
        row("one after another, typed forms mixed",
            {u"0|2024-06-10|18:00|30|News|News"_qs, u"0|10/06/2024|1830|1h|Film|Film"_qs},
            {u"News 0/0 18:00-18:30"_qs, u"Film 0/0 18:30-19:30"_qs});
        row("overlaps stack, a free sub-row is used again",
            {u"0|2024-06-10|18:00|60|A|"_qs, u"0|2024-06-10|18:30|60|B|"_qs,
             u"0|2024-06-10|19:00|30|C|"_qs, u"0|2024-06-10|18:45|10|D|"_qs},
            {u"A 0/0 18:00-19:00"_qs, u"B 0/1 18:30-19:30"_qs, u"D 0/2 18:45-18:55"_qs,
             u"C 0/0 19:00-19:30"_qs});
        row("clipped at midnight; the day before runs into the day",
            {u"0|2024-06-09|23:00|120|Late|"_qs, u"0|2024-06-09|22:00|60|Gone|"_qs,
             u"0|2024-06-10|23:30|60|Night|"_qs, u"0|2024-06-11|00:00|30|Next|"_qs},
            {u"Late 0/0 00:00-01:00<"_qs, u"Night 0/0 23:30-24:00>"_qs});
        row("gaps stay empty, channels keep their order",
            {u"1|2024-06-10|06:00|30|Two|"_qs, u"0|2024-06-10|20:00|30|One|"_qs},
            {u"One 0/0 20:00-20:30"_qs, u"Two 1/0 06:00-06:30"_qs});
        row("no readable duration: 30 minutes, marked",
            {u"0|2024-06-10|12:00|about an hour|Odd|"_qs}, {u"Odd 0/0 12:00-12:30?"_qs});
        row("unreadable starts are listed, not drawn",
            {u"0|2024-06-10|18.00|30|Dotted|"_qs, u"0|soon|18:00|30|Undated|"_qs,
             u"0|2024-06-09|late|30|Yesterday|"_qs, u"0|2024-06-10|09:00|30|Fine|"_qs},
            {u"Fine 0/0 09:00-09:30"_qs},
            {u"Channel 0: Dotted (start \u201C18.00\u201D on \u201C2024-06-10\u201D)"_qs,
             u"Channel 0: Undated (start \u201C18:00\u201D on \u201Csoon\u201D)"_qs});
        row("clocks go forward: 23 hours, 03:00 two hours in",
            {u"0|2024-03-31|00:30|60|Across|"_qs, u"0|2024-03-31|03:00|30|Three|"_qs},
            {u"Across 0/0 00:30-01:30"_qs, u"Three 0/0 02:00-02:30"_qs}, {}, "Europe/London",
            {2024, 3, 31}, 23);
        row("clocks go back: 25 hours, 02:00 three hours in",
            {u"0|2024-10-27|00:30|120|Long|"_qs, u"0|2024-10-27|02:00|30|Two|"_qs,
             u"0|2024-10-27|23:30|30|Last|"_qs},
            {u"Long 0/0 00:30-02:30"_qs, u"Two 0/0 03:00-03:30"_qs, u"Last 0/0 24:30-25:00"_qs}, {},
            "Europe/London", {2024, 10, 27}, 25);
    }

    void layout()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QDate, day);
        QFETCH(QStringList, programmes);
        QFETCH(QStringList, blocks);
        QFETCH(int, hours);
        QFETCH(QStringList, unplaced);

        const grid::Layout layout = grid::layOut(channelsOf(programmes), day, QTimeZone(zone));
        QCOMPARE(described(layout), blocks);
        QCOMPARE(layout.length, hours * 3600);
        QStringList listed;
        for (const grid::Unplaced &u : layout.unplaced)
            listed << u.text();
        QCOMPARE(listed, unplaced);
        // An hour line for each hour the clock shows: one missing, or one twice.
        QCOMPARE(layout.hours.size(), hours);
        QCOMPARE(layout.hours.constFirst().hour, 0);
        QCOMPARE(layout.hours.constLast().hour, 23);
    }

    void channelsAndAccessibleNames()
    {
        const grid::Layout layout =
            dayOf({u"0|2024-06-10|18:00|30|Evening News|News"_qs, u"0|2024-06-10|18:15|30||"_qs,
                   u"0|2024-06-10|20:00||Odd|Film"_qs, u"2|2024-06-10|23:45|30|C|"_qs});
        QCOMPARE(layout.channels.size(), 3);
        QCOMPARE(layout.channels.at(0).lanes, 2);
        QCOMPARE(layout.channels.at(1).lanes, 1);
        QCOMPARE(layout.channels.at(1).blockCount, 0);
        QCOMPARE(layout.channels.at(2).firstBlock, 3);
        QCOMPARE(layout.blockOf(4), 3);
        const auto named = [&](int block) {
            const grid::Block &b = layout.blocks.at(block);
            return b.accessibleName(layout.channels.at(b.channel).name);
        };
        QCOMPARE(named(0), u"Evening News, Channel 0, 18:00 to 18:30, News"_qs);
        QCOMPARE(named(1), u"(no name), Channel 0, 18:15 to 18:45, no category"_qs);
        QCOMPARE(named(2), u"Odd, Channel 0, 20:00, length unknown, Film"_qs);
        QCOMPARE(named(3), u"C, Channel 2, 23:45 to 00:15, no category"_qs);
    }

    void families()
    {
        // Each of the fixed categories belongs to a family by name, and every
        // family has one; a category outside the list is "other".
        QSet<grid::Family> used;
        for (const QString &category : programmes::categories())
            used.insert(grid::familyOf(category));
        QCOMPARE(used.size(), int(grid::Family::Count));
        QCOMPARE(grid::familyOf(u"Sitcom"_qs), grid::Family::Entertainment);
        QCOMPARE(grid::familyOf(u"Kids Drama"_qs), grid::Family::Children);
        QCOMPARE(grid::familyOf(u"Scientific Documentary"_qs), grid::Family::Factual);
        QCOMPARE(grid::familyOf(u" Soap "_qs), grid::Family::Drama);
        QCOMPARE(grid::familyOf(u"Wrestling"_qs), grid::Family::ArtsAndOther);
    }

    void loadsTheDayAndTheDayBefore()
    {
        TestDatabase db;
        const qint32 project = db.addProject(u"P"_qs);
        const qint32 other = db.addProject(u"Q"_qs);
        const qint32 one = db.addChannel(project, u"One"_qs, u"1"_qs);
        const qint32 two = db.addChannel(project, u"Two"_qs);
        const qint32 elsewhere = db.addChannel(other, u"Elsewhere"_qs);
        db.addProgramme(one, u"Today"_qs, u"2024-06-10"_qs, u"09:00"_qs);
        db.addProgramme(one, u"Typed otherwise"_qs, u"10/06/2024"_qs, u"08:00"_qs);
        db.addProgramme(one, u"Yesterday"_qs, u"2024-06-09"_qs, u"23:00"_qs);
        db.addProgramme(one, u"Last week"_qs, u"2024-06-03"_qs, u"09:00"_qs);
        db.addProgramme(one, u"Tomorrow"_qs, u"2024-06-11"_qs, u"00:00"_qs);
        db.addProgramme(two, u"No date"_qs, u"someday"_qs, u"09:00"_qs);
        db.addProgramme(elsewhere, u"Other project"_qs, u"2024-06-10"_qs, u"09:00"_qs);

        const auto loaded = grid::loadDay(db.path(), project, QDate(2024, 6, 10));
        QVERIFY(loaded);
        QCOMPARE(loaded.value().size(), 2);
        QStringList names;
        for (const grid::Channel &c : loaded.value()) {
            for (const grid::Programme &p : c.programmes)
                names << c.name + u':' + p.programmeName;
        }
        // The day after too: a guide's instants from a zone ahead may fall on the day.
        QCOMPARE(names, (QStringList{u"One:Yesterday"_qs, u"One:Typed otherwise"_qs,
                                     u"One:Today"_qs, u"One:Tomorrow"_qs, u"Two:No date"_qs}));
        QCOMPARE(loaded.value().at(0).number, u"1"_qs);

        const auto missing = grid::loadDay(db.path() + u".gone"_qs, project, QDate(2024, 6, 10));
        QVERIFY(!missing);
    }

    void drawsBlocksAndGaps()
    {
        const grid::Picture picture(dayOf({u"0|2024-06-10|06:00|240|Morning|News"_qs,
                                           u"0|2024-06-10|12:00|120|Match|Sport"_qs,
                                           u"1|2024-06-10|06:00|240|Cartoons|Animation"_qs}),
                                    grid::Metrics{100, 40, 30, 20});
        QImage image(int(picture.width()), int(picture.height()), QImage::Format_RGB32);
        image.fill(Qt::black);
        const auto paint = [&](const grid::Marks &marks) {
            QPainter painter(&image);
            picture.paint(painter, QRectF(0, 0, picture.width(), picture.height()), marks);
        };
        const auto at = [&](double hour, int channel) {
            return image.pixelColor(int(100 + hour * 40), 20 + channel * 30 + 25);
        };
        paint({});
        // Low in the block and well right of its label: only the fill is there.
        QCOMPARE(at(9.5, 0), grid::familyColour(grid::Family::News));
        QCOMPARE(at(13.5, 0), grid::familyColour(grid::Family::Sport));
        QCOMPARE(at(9.5, 1), grid::familyColour(grid::Family::Children));
        // The gap between the two, off the hour lines, is left empty.
        QCOMPARE(at(10.5, 0), QColor(Qt::white));
        QVERIFY(at(11.75, 1) == QColor(Qt::white) || at(11.75, 1) == QColor(0xf7, 0xf8, 0xfa));
        // The present, when it falls in the day, is a line across every row.
        grid::Marks marks;
        marks.now = 10 * 3600 + 1800;
        paint(marks);
        QCOMPARE(at(10.5, 1), QColor(0xd0, 0x1c, 0x1c));
        QCOMPARE(at(9.5, 0), grid::familyColour(grid::Family::News));
        // A block where the picture says it is.
        QCOMPARE(picture.blockAt(QPointF(100 + 13 * 40, 20 + 10)), 1);
        QCOMPARE(picture.blockAt(QPointF(100 + 11 * 40, 20 + 10)), -1);
        QCOMPARE(picture.blockAt(QPointF(100 + 7 * 40, 20 + 30 + 10)), 2);
    }

    void paperAndNarrowPicturesKeepTextReadable()
    {
        QStringList rows;
        for (int c = 0; c < 120; ++c)
            rows << u"%1|2024-06-10|18:00|30|Show %1|News"_qs.arg(c);
        const grid::Layout day = dayOf(rows);
        QTemporaryDir dir;
        const auto pages = [&](int hours) {
            const QString path = dir.filePath(u"day.pdf"_qs);
            const QString problem =
                grid::writePicture(day, u"Title"_qs, path, 4000, QString(), hours);
            QFile file(path);
            if (!problem.isEmpty() || !file.open(QIODevice::ReadOnly))
                return -1;
            static const QRegularExpression page(u"/Type\\s*/Page(?!s)"_qs);
            return int(QString::fromLatin1(file.readAll()).count(page));
        };
        // A hundred and twenty channels go down several pages, and the day
        // across as many pages as the hours asked for take: four of six hours,
        // or more where 24 hours would shrink the text below 7 points.
        const int sixHours = pages(6);
        QVERIFY(sixHours >= 2 * 4);
        const int wholeDay = pages(24);
        QVERIFY(wholeDay > sixHours / 4 + 1 && wholeDay < sixHours);

        // A narrow picture shows the day in bands rather than in smaller text.
        const auto heightAt = [&](int width) {
            const QString path = dir.filePath(u"day.png"_qs);
            if (!grid::writePicture(dayOf({u"0|2024-06-10|18:00|30|Show|News"_qs}), u"T"_qs, path,
                                    width, QString())
                     .isEmpty())
                return 0.0;
            const QImage image(path);
            return double(image.height()) / image.width();
        };
        QVERIFY(heightAt(1200) > 2 * heightAt(4000));
    }
};

QTEST_MAIN(TestGrid)
#include "tst_grid.moc"
