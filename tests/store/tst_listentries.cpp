#include "programmes/Programmes.h"
#include "store/ListEntry.h"
#include "support/TestDatabase.h"

#include <QTest>

// The packed list: every line gives back its text and identifier exactly,
// wherever it lies in the blocks, and the programme list reads the stored
// names as Qt's SQLite driver does, whatever bytes they hold.
class ListEntriesTest : public QObject
{
    Q_OBJECT

private slots:
    void lines_comeBackAsAppended_data()
    {
        // ids: the identifiers, when not counting down from 1000.
        addColumns<QStringList, QList<qint32>>("texts", "ids");
        QTest::newRow("none") << QStringList() << QList<qint32>();
        QTest::newRow("empty and short")
            << QStringList{QString(), u"a"_qs, QString(), u"Caf\u00e9 \U0001F4FA \u20ac"_qs}
            << QList<qint32>();
        // A group of lines whose identifiers widen it to each width in turn,
        // at the ends of each width's range, and the group after it.
        const QList<qint32> far = {5'000'000,
                                   5'000'001,
                                   4'999'872,
                                   5'000'127,
                                   4'967'232,
                                   5'032'767,
                                   5'000'000 - (1 << 23),
                                   5'000'000 + (1 << 23) - 1,
                                   5'000'000 + (1 << 23),
                                   2'147'483'647,
                                   1,
                                   5'000'000};
        QStringList farTexts;
        QList<qint32> farIds;
        for (int i = 0; i < 70; ++i) {
            farTexts << u"Line %1"_qs.arg(i);
            farIds << far.at(i % far.size());
        }
        QTest::newRow("identifiers far apart") << farTexts << farIds;
        // Lines that fill blocks to their last byte and beyond, and one longer
        // than a block, which has one of its own.
        QStringList filling;
        for (int i = 0; i < 40000; ++i)
            filling << u"Programme number %1"_qs.arg(i) + QString(i % 53, u'\u00e9');
        filling.insert(20000, QString(3 << 20, u'x'));
        filling.insert(20001, u"after the long one"_qs);
        QTest::newRow("across blocks") << filling << QList<qint32>();
    }

    void lines_comeBackAsAppended()
    {
        QFETCH(QStringList, texts);
        QFETCH(QList<qint32>, ids);
        const auto idOf = [&](int i) {
            return ids.isEmpty() ? 1000 - i : ids.at(i);
        };
        ListEntries entries;
        for (int i = 0; i < texts.size(); ++i)
            entries.append({texts.at(i), idOf(i)});
        QCOMPARE(entries.size(), texts.size());
        QCOMPARE(entries.isEmpty(), texts.isEmpty());
        int i = 0;
        for (const ListEntry &entry : entries) {
            if (entry.text != texts.at(i) || entry.id != idOf(i))
                QFAIL(qPrintable(u"line %1 differs"_qs.arg(i)));
            ++i;
        }
        QCOMPARE(i, texts.size());
    }

    void programmeList_readsStoredNamesAsTheDriverDoes()
    {
        TestDatabase db;
        const qint32 channel = db.addChannel(db.addProject(u"P"_qs), u"C"_qs);
        QStringList names{
            u"'Plain'"_qs,
            u"'Caf\u00e9 \U0001F4FA'"_qs,
            u"NULL"_qs,
            u"''"_qs,
            u"'   '"_qs,
            // Bytes that are not UTF-8, and non-characters SQLite replaces.
            u"CAST(X'41FF42C3' AS TEXT)"_qs,
            u"CAST(X'C0AF' AS TEXT)"_qs,
            u"CAST(X'EDA080' AS TEXT)"_qs,
            u"CAST(X'EFBFBE' AS TEXT)"_qs,
            u"CAST(X'EFB790' AS TEXT)"_qs,
            u"CAST(X'F09FBFBE' AS TEXT)"_qs,
            u"CAST(X'F4908080' AS TEXT)"_qs,
            u"char(0) || 'after nul'"_qs,
        };
        if (testsOnServer()) // which refuses U+0000 in text
            names.removeLast();
        for (int i = 0; i < names.size(); ++i) {
            db.exec(u"INSERT INTO ProgrammeData (channelID, programmeName, startDate, startTime) "
                    "VALUES (?, %1, '2024-01-01', ?)"_qs.arg(names.at(i)),
                    {channel, u"%1:00"_qs.arg(10 + i)});
        }
        const auto listed = programmes::listProgrammes(db.path(), channel);
        QVERIFY(listed.ok());
        QStringList got;
        for (const ListEntry &entry : listed.value())
            got << entry.text;
        QStringList expected;
        for (const QVariantList &row :
             db.rows(u"SELECT programmeName FROM ProgrammeData ORDER BY programmeID"_qs)) {
            const QString name = row.at(0).toString();
            expected << (name.isEmpty() ? programmes::unnamedProgrammeText() : name);
        }
        QCOMPARE(got, expected);
    }
};

QTEST_GUILESS_MAIN(ListEntriesTest)
#include "tst_listentries.moc"
