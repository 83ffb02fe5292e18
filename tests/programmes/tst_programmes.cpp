#include "programmes/Programmes.h"
#include "support/TestDatabase.h"

#include <QSet>
#include <QTest>

using programmes::Programme;

namespace {

// Stands for a column without a value in the data tables below.
const QString null = u"<null>"_qs;

QVariant value(const QString &text)
{
    return text == null ? QVariant() : QVariant(text);
}

QStringList listedTexts(const QString &databasePath, qint32 channelID)
{
    const auto listed = programmes::listProgrammes(databasePath, channelID);
    if (!listed)
        qWarning("%s", qPrintable(listed.failure().text()));
    QStringList texts;
    for (const ListEntry &entry : listed.value())
        texts << entry.text;
    return texts;
}

// The stored row, column by column, with <null> for a column without a value.
QStringList storedRow(TestDatabase &db, qint64 programmeID)
{
    const auto rows = db.rows(u"SELECT channelID, programmeName, programmeDesc, startDate, "
                              "startTime, duration, category FROM ProgrammeData "
                              "WHERE programmeID = ?"_qs,
                              {programmeID});
    QStringList texts;
    if (rows.isEmpty())
        return texts;
    for (const QVariant &column : rows.constFirst())
        texts << (column.isNull() ? null : column.toString());
    return texts;
}

qint64 countProgrammes(TestDatabase &db)
{
    return db.value(u"SELECT COUNT(*) FROM ProgrammeData"_qs).toLongLong();
}

} // namespace

class ProgrammesTest : public QObject
{
    Q_OBJECT

private slots:
    void list_isChronologicalWhateverTheInsertionOrder_data();
    void list_isChronologicalWhateverTheInsertionOrder();
    void list_showsOnlyTheChannel_andNamelessProgrammes();
    void add_writesChannelAndOnlyTheFilledBoxes();
    void change_keepsColumnsOfEmptyBoxes_andActsOnLargeIdentifiers();
    void duplicate_addsIdenticalRowAndLeavesOriginal();
    void delete_removesOneProgramme();
    void missingOrRefused_failsAndWritesNothing();
    void categories_areTheFixedAlphabeticalList();
};

void ProgrammesTest::list_isChronologicalWhateverTheInsertionOrder_data()
{
    // Each row "name date time", added in this order; <null> for no value.
    QTest::addColumn<QStringList>("added");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("yyyy-mm-dd") << QStringList{u"c|2024-03-02|10:00"_qs, u"a|2023-12-31|10:00"_qs,
                                               u"b|2024-03-01|10:00"_qs}
                                << QStringList{u"a"_qs, u"b"_qs, u"c"_qs};
    QTest::newRow("dd/mm/yyyy") << QStringList{u"b|02/01/2024|10:00"_qs, u"c|01/02/2024|10:00"_qs,
                                               u"a|31/12/2023|10:00"_qs}
                                << QStringList{u"a"_qs, u"b"_qs, u"c"_qs};
    QTest::newRow("yyyymmdd") << QStringList{u"c|20240201|10:00"_qs, u"a|20231231|10:00"_qs,
                                             u"b|20240102|10:00"_qs}
                              << QStringList{u"a"_qs, u"b"_qs, u"c"_qs};
    QTest::newRow("mixed dates") << QStringList{u"d|20240301|10:00"_qs, u"b|2024-01-15|10:00"_qs,
                                                u"c|01/02/2024|10:00"_qs, u"a|31/12/2023|10:00"_qs}
                                 << QStringList{u"a"_qs, u"b"_qs, u"c"_qs, u"d"_qs};
    QTest::newRow("hh:mm and h:mm")
        << QStringList{u"c|2024-01-01|10:00"_qs, u"a|2024-01-01|9:05"_qs, u"b|2024-01-01|09:30"_qs}
        << QStringList{u"a"_qs, u"b"_qs, u"c"_qs};
    QTest::newRow("hh:mm:ss and hhmm")
        << QStringList{u"d|2024-01-01|2100"_qs, u"b|2024-01-01|06:00:30"_qs,
                       u"c|2024-01-01|0601"_qs, u"a|2024-01-01|06:00"_qs}
        << QStringList{u"a"_qs, u"b"_qs, u"c"_qs, u"d"_qs};
    QTest::newRow("date before time")
        << QStringList{u"b|02/01/2024|00:30"_qs, u"a|2024-01-01|23:59"_qs}
        << QStringList{u"a"_qs, u"b"_qs};
    QTest::newRow("same start keeps the order added")
        << QStringList{u"first|2024-01-01|10:00"_qs, u"second|01/01/2024|1000"_qs,
                       u"third|20240101|10:00:00"_qs}
        << QStringList{u"first"_qs, u"second"_qs, u"third"_qs};
    QTest::newRow("blanks around a value")
        << QStringList{u"b|2024-01-02 |10:00"_qs, u"a| 2024-01-01| 9:00"_qs}
        << QStringList{u"a"_qs, u"b"_qs};
    QTest::newRow("other text after recognised, as text")
        << QStringList{u"z|tomorrow|10:00"_qs, u"y|1/2/2024|10:00"_qs,   u"n|<null>|10:00"_qs,
                       u"e||10:00"_qs,         u"b|2099-12-31|10:00"_qs, u"a|2000-01-01|late"_qs}
        << QStringList{u"a"_qs, u"b"_qs, u"n"_qs, u"e"_qs, u"y"_qs, u"z"_qs};
    QTest::newRow("other times after recognised, as text")
        << QStringList{u"c|2024-01-01|noon"_qs, u"b|2024-01-01|<null>"_qs, u"a|2024-01-01|23:59"_qs,
                       u"d|2024-01-01|t.b.a."_qs}
        << QStringList{u"a"_qs, u"b"_qs, u"c"_qs, u"d"_qs};
}

void ProgrammesTest::list_isChronologicalWhateverTheInsertionOrder()
{
    QFETCH(QStringList, added);
    QFETCH(QStringList, expected);
    TestDatabase db;
    const qint32 channel = db.addChannel(db.addProject(u"P"_qs), u"C"_qs);
    for (const QString &row : added) {
        const QStringList parts = row.split(u'|');
        db.exec(u"INSERT INTO ProgrammeData (channelID, programmeName, startDate, startTime) "
                "VALUES (?, ?, ?, ?)"_qs,
                {channel, parts[0], value(parts[1]), value(parts[2])});
    }
    QCOMPARE(listedTexts(db.path(), channel), expected);

    // The order comes from keys beside the values; what was typed stays as it was.
    QStringList stored;
    for (const auto &row : db.rows(u"SELECT programmeName, startDate, startTime FROM "
                                   "ProgrammeData ORDER BY programmeID"_qs)) {
        stored << row[0].toString() + u'|' + (row[1].isNull() ? null : row[1].toString()) + u'|' +
                      (row[2].isNull() ? null : row[2].toString());
    }
    QCOMPARE(stored, added);
}

void ProgrammesTest::list_showsOnlyTheChannel_andNamelessProgrammes()
{
    TestDatabase db;
    const qint32 project = db.addProject(u"P"_qs);
    const qint32 channel = db.addChannel(project, u"Mine"_qs);
    const qint32 other = db.addChannel(project, u"Other"_qs);
    const qint32 twin1 = db.addProgramme(channel, u"Twin"_qs, u"2024-01-01"_qs, u"10:00"_qs);
    db.addProgramme(other, u"Elsewhere"_qs, u"2024-01-01"_qs, u"09:00"_qs);
    const qint32 twin2 = db.addProgramme(channel, u"Twin"_qs, u"2024-01-01"_qs, u"10:00"_qs);
    const qint32 nameless = qint32(
        db.exec(u"INSERT INTO ProgrammeData (channelID, startDate) VALUES (?, '2024-01-02')"_qs,
                {channel}));
    db.exec(u"INSERT INTO ProgrammeData (channelID, programmeName, startDate) "
            "VALUES (?, '', '2024-01-03')"_qs,
            {channel});

    const auto listed = programmes::listProgrammes(db.path(), channel);
    QVERIFY(listed.ok());
    QCOMPARE(listed.value().size(), 4);
    QCOMPARE(listed.value()[0].id, twin1);
    QCOMPARE(listed.value()[1].id, twin2);
    QCOMPARE(listed.value()[2].id, nameless);
    QCOMPARE(listedTexts(db.path(), channel),
             (QStringList{u"Twin"_qs, u"Twin"_qs, programmes::unnamedProgrammeText(),
                          programmes::unnamedProgrammeText()}));
    QVERIFY(programmes::listProgrammes(db.path(), 999).value().isEmpty());
}

void ProgrammesTest::add_writesChannelAndOnlyTheFilledBoxes()
{
    TestDatabase db;
    const qint32 channel = db.addChannel(db.addProject(u"P"_qs), u"C"_qs);

    // Every text box empty: the category box alone holds its default.
    Programme onlyCategory;
    onlyCategory.category = programmes::defaultCategory();
    QVERIFY(programmes::addProgramme(db.path(), channel, onlyCategory).ok());
    const qint64 first = db.value(u"SELECT MAX(programmeID) FROM ProgrammeData"_qs).toLongLong();
    QCOMPARE(storedRow(db, first), (QStringList{QString::number(channel), null, null, null, null,
                                                null, u"Adult Entertainment"_qs}));

    // Blanks are part of the text and a box of spaces is not empty.
    const Programme typed{u"  News at Ten "_qs, u" "_qs,       u"01/02/2024"_qs,
                          u"9:00"_qs,           u"30 mins"_qs, u"News"_qs};
    QVERIFY(programmes::addProgramme(db.path(), channel, typed).ok());
    const qint64 second = db.value(u"SELECT MAX(programmeID) FROM ProgrammeData"_qs).toLongLong();
    QCOMPARE(storedRow(db, second),
             (QStringList{QString::number(channel), u"  News at Ten "_qs, u" "_qs, u"01/02/2024"_qs,
                          u"9:00"_qs, u"30 mins"_qs, u"News"_qs}));
    QCOMPARE(countProgrammes(db), 2);
}

void ProgrammesTest::change_keepsColumnsOfEmptyBoxes_andActsOnLargeIdentifiers()
{
    TestDatabase db;
    const qint32 channel = db.addChannel(db.addProject(u"P"_qs), u"C"_qs);
    // Identifiers beyond 16 bits edit like any other.
    db.exec(u"INSERT INTO ProgrammeData (programmeID, channelID, programmeName, programmeDesc, "
            "startDate, startTime, duration, category) "
            "VALUES (40000, ?, 'Old', 'Old desc', '2024-01-01', '10:00', '60', 'Drama')"_qs,
            {channel});
    const qint32 neighbour = db.addProgramme(channel, u"Neighbour"_qs);

    const auto loaded = programmes::loadProgramme(db.path(), 40000);
    QVERIFY(loaded.ok());
    QCOMPARE(loaded.value().programmeName, u"Old"_qs);
    QCOMPARE(loaded.value().category, u"Drama"_qs);

    Programme boxes = loaded.value();
    boxes.programmeName = u"New "_qs;
    boxes.programmeDesc.clear();
    boxes.duration.clear();
    boxes.category = u"Comedy"_qs;
    QVERIFY(programmes::changeProgramme(db.path(), 40000, boxes).ok());
    QCOMPARE(storedRow(db, 40000),
             (QStringList{QString::number(channel), u"New "_qs, u"Old desc"_qs, u"2024-01-01"_qs,
                          u"10:00"_qs, u"60"_qs, u"Comedy"_qs}));
    QCOMPARE(storedRow(db, neighbour), (QStringList{QString::number(channel), u"Neighbour"_qs, null,
                                                    null, null, null, null}));

    // Nothing typed at all changes nothing, and the column without a value stays so.
    QVERIFY(programmes::changeProgramme(db.path(), neighbour, Programme()).ok());
    QCOMPARE(storedRow(db, neighbour), (QStringList{QString::number(channel), u"Neighbour"_qs, null,
                                                    null, null, null, null}));
    QCOMPARE(countProgrammes(db), 2);
}

void ProgrammesTest::duplicate_addsIdenticalRowAndLeavesOriginal()
{
    TestDatabase db;
    const qint32 channel = db.addChannel(db.addProject(u"P"_qs), u"C"_qs);
    const qint32 original = qint32(
        db.exec(u"INSERT INTO ProgrammeData (channelID, programmeName, programmeDesc, startDate, "
                "startTime, category) VALUES (?, ' Film ', '', '2024-05-01', '21:00', 'Film')"_qs,
                {channel}));
    const QStringList before = storedRow(db, original);

    // What the editor does: load the boxes, then add them as a new row.
    const auto loaded = programmes::loadProgramme(db.path(), original);
    QVERIFY(loaded.ok());
    QVERIFY(loaded.value().duration.isNull());
    QVERIFY(programmes::addProgramme(db.path(), channel, loaded.value()).ok());

    const auto ids = db.rows(u"SELECT programmeID FROM ProgrammeData ORDER BY programmeID"_qs);
    QCOMPARE(ids.size(), 2);
    const qint64 copy = ids[1][0].toLongLong();
    QCOMPARE(storedRow(db, original), before);
    // The empty synopsis was never a value the editor could write: the copy has none.
    QCOMPARE(storedRow(db, copy), (QStringList{QString::number(channel), u" Film "_qs, null,
                                               u"2024-05-01"_qs, u"21:00"_qs, null, u"Film"_qs}));
    QCOMPARE(listedTexts(db.path(), channel), (QStringList{u" Film "_qs, u" Film "_qs}));
}

void ProgrammesTest::delete_removesOneProgramme()
{
    TestDatabase db;
    const qint32 channel = db.addChannel(db.addProject(u"P"_qs), u"C"_qs);
    const qint32 doomed = db.addProgramme(channel, u"Same"_qs, u"2024-01-01"_qs);
    db.addProgramme(channel, u"Same"_qs, u"2024-01-01"_qs);
    QVERIFY(programmes::deleteProgramme(db.path(), doomed).ok());
    QVERIFY(storedRow(db, doomed).isEmpty());
    QCOMPARE(listedTexts(db.path(), channel), QStringList{u"Same"_qs});
    QVERIFY(programmes::deleteProgramme(db.path(), doomed).ok());
    QCOMPARE(countProgrammes(db), 1);
}

void ProgrammesTest::missingOrRefused_failsAndWritesNothing()
{
    TestDatabase db;
    const qint32 channel = db.addChannel(db.addProject(u"P"_qs), u"C"_qs);
    const qint32 kept = db.addProgramme(channel, u"Kept"_qs, u"2024-01-01"_qs);

    const auto gone = programmes::loadProgramme(db.path(), 777);
    QVERIFY(!gone.ok());
    QVERIFY(gone.failure().text().contains(u"no longer"_qs));
    Programme boxes;
    boxes.programmeName = u"Ghost"_qs;
    QVERIFY(!programmes::changeProgramme(db.path(), 777, boxes).ok());
    QCOMPARE(countProgrammes(db), 1);

    // A store that refuses a value leaves neither a new row nor a half-changed one.
    db.exec(u"CREATE TRIGGER refuseLongShows BEFORE INSERT ON ProgrammeData "
            "WHEN NEW.duration = 'forever' BEGIN SELECT RAISE(ABORT, 'too long'); END"_qs);
    db.exec(u"CREATE TRIGGER refuseLongEdits BEFORE UPDATE ON ProgrammeData "
            "WHEN NEW.duration = 'forever' BEGIN SELECT RAISE(ABORT, 'too long'); END"_qs);
    boxes.duration = u"forever"_qs;
    const auto added = programmes::addProgramme(db.path(), channel, boxes);
    QVERIFY(!added.ok());
    QVERIFY(added.failure().text().contains(u"too long"_qs));
    QVERIFY(added.failure().text().contains(db.path()));
    QVERIFY(!programmes::changeProgramme(db.path(), kept, boxes).ok());
    QCOMPARE(countProgrammes(db), 1);
    QCOMPARE(storedRow(db, kept), (QStringList{QString::number(channel), u"Kept"_qs, null,
                                               u"2024-01-01"_qs, null, null, null}));
}

void ProgrammesTest::categories_areTheFixedAlphabeticalList()
{
    const QStringList &items = programmes::categories();
    QCOMPARE(items.size(), 38);
    QCOMPARE(items.constFirst(), programmes::defaultCategory());
    QCOMPARE(items.constLast(), u"Travel"_qs);
    QStringList sorted = items;
    sorted.sort(Qt::CaseInsensitive);
    QCOMPARE(items, sorted);
    QCOMPARE(QSet<QString>(items.cbegin(), items.cend()).size(), 38);
    for (const QString &item : {u"DIY"_qs, u"Childrens"_qs, u"Magazine Programme"_qs,
                                u"Science Fiction Series"_qs, u"Scientific Documentary"_qs})
        QVERIFY2(items.contains(item), qPrintable(item));
}

QTEST_GUILESS_MAIN(ProgrammesTest)
#include "tst_programmes.moc"
