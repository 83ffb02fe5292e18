#include "xmltv/XmltvTime.h"

#include <QDateTime>
#include <QTest>
#include <QTimeZone>

#include <string>

// The offsets the guide export remembers between a zone's changes.
class XmltvZonesTest : public QObject
{
    Q_OBJECT

private slots:
    void zoneOffsets_agreeWithTheZoneAtEveryInstant_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::newRow("London") << QByteArray("Europe/London");
        QTest::newRow("St John's, half hours behind") << QByteArray("America/St_Johns");
        QTest::newRow("Lord Howe, a half-hour change") << QByteArray("Australia/Lord_Howe");
        QTest::newRow("Sao Paulo, changes given up") << QByteArray("America/Sao_Paulo");
        QTest::newRow("Kolkata, no changes") << QByteArray("Asia/Kolkata");
        QTest::newRow("UTC") << QByteArray("UTC");
    }

    // The offsets remembered between a zone's changes, and the times written
    // with them, are those the zone gives for each instant alone, going forward,
    // back, across changes and at their very seconds.
    void zoneOffsets_agreeWithTheZoneAtEveryInstant()
    {
        QFETCH(QByteArray, zone);
        if (!QTimeZone::isTimeZoneIdAvailable(zone))
            QSKIP("The time zone database is not installed (Debian package tzdata).");
        const QTimeZone tz(zone);
        const auto offsetAt = [&](qint64 instant) {
            return tz.offsetFromUtc(QDateTime::fromSecsSinceEpoch(instant, Qt::UTC));
        };
        const auto expectedTimestamp = [&](qint64 instant) {
            const int offset = offsetAt(instant);
            const int minutes = qAbs(offset) / 60;
            return QStringLiteral("%1 %2%3%4")
                .arg(QDateTime::fromSecsSinceEpoch(instant + offset, Qt::UTC)
                         .toString(QStringLiteral("yyyyMMddhhmmss")),
                     offset < 0 ? QStringLiteral("-") : QStringLiteral("+"))
                .arg(minutes / 60, 2, 10, QLatin1Char('0'))
                .arg(minutes % 60, 2, 10, QLatin1Char('0'));
        };

        QList<qint64> instants;
        // Every 19 hours 13 minutes from 1890 to 2060, then a few far ones.
        for (qint64 t = -2524521600; t < 2840140800; t += 19 * 3600 + 13 * 60)
            instants << t;
        instants << -62135596800 << -62135596800 + 3600 << 253402297199 << 253402300799 + 7200;
        // Around every change of 1970 to 2040, to the second.
        const auto changes = tz.transitions(QDateTime::fromSecsSinceEpoch(0, Qt::UTC),
                                            QDateTime::fromSecsSinceEpoch(2208988800, Qt::UTC));
        for (const QTimeZone::OffsetData &change : changes) {
            const qint64 at = change.atUtc.toSecsSinceEpoch();
            instants << at - 1 << at << at + 1 << at - 1;
        }
        // Back and forth.
        const qsizetype count = instants.size();
        for (qsizetype i = 0; i < count; i += 3)
            instants << instants.at(count - 1 - i);

        xmltv::ZoneOffsets offsets(tz);
        for (const qint64 instant : std::as_const(instants)) {
            const int expected = offsetAt(instant);
            if (offsets.at(instant) != expected)
                QFAIL(qPrintable(u"offset at %1"_qs.arg(instant)));
            std::string written;
            xmltv::appendTimestamp(written, instant, offsets);
            QCOMPARE(QString::fromStdString(written), expectedTimestamp(instant));
        }
    }
};

QTEST_GUILESS_MAIN(XmltvZonesTest)
#include "tst_xmltvzones.moc"
