#pragma once

#include "store/ProgrammeRow.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QVariant>

// Whether this run tests the store on the PostgreSQL server ctest started
// (QUORVEL_TEST_ENGINE=server) rather than in SQLite files.
bool testsOnServer();

// Skips the test on the server, for what only a database file has.
#define SKIP_ON_SERVER(why)                                                                        \
    do {                                                                                           \
        if (testsOnServer())                                                                       \
            QSKIP("On a server: " why);                                                            \
    } while (false)

// The columns of a test's data table, declared at once: their types in
// order as template arguments, then their names in the same order.
template<typename... Types, typename... Names> void addColumns(Names... names)
{
    static_assert(sizeof...(Types) == sizeof...(Names), "a name for every column");
    (QTest::addColumn<Types>(names), ...);
}

// A fresh, empty database with direct access for arranging and inspecting
// rows around the code under test: a file in a temporary directory of its
// own, or on a server run a database of its own on the test server, dropped
// again at the end. The directory is there on both, for the files a test writes.
class TestDatabase
{
    Q_DISABLE_COPY_MOVE(TestDatabase)

public:
    TestDatabase();
    ~TestDatabase();

    bool isValid() const { return m_valid; }
    QString directory() const { return m_dir.path(); }
    // The database path: a file's path, or the server database's address.
    QString path() const;

    // Takes the database away under the code under test: its file deleted,
    // or the server's database dropped.
    bool remove();

    // Runs one statement; returns the new row's identifier for an INSERT.
    qint64 exec(const QString &sql, const QVariantList &values = {});
    // Runs the statements on one connection, in one transaction: for changes
    // that take the database through states a new connection would refuse,
    // such as a table renamed away and made again.
    void execAll(const QStringList &statements);
    // Runs the statements of an SQL file, each ending in a semicolon at a line's end.
    void execScript(const QString &path);
    // All rows of a query, each as its list of values.
    QList<QVariantList> rows(const QString &sql, const QVariantList &values = {});
    // The single value of a query that yields one.
    QVariant value(const QString &sql, const QVariantList &values = {});
    // Each row as one line of its values joined by '|', NULL as <null> so
    // that it tells apart from empty text.
    QStringList texts(const QString &sql, const QVariantList &values = {});

    qint32 addProject(const QString &name);
    qint32 addChannel(qint32 projectID, const QString &name, const QString &number = QString());
    void addTemplate(qint32 channelID, const QString &line);
    qint32 addProgramme(qint32 channelID, const QString &name, const QString &startDate = QString(),
                        const QString &startTime = QString());

private:
    QTemporaryDir m_dir;
    QString m_server;
    bool m_valid = false;
};

// A programme with only its name, for a command's boxes.
inline store::ProgrammeRow namedProgramme(const QString &name)
{
    store::ProgrammeRow programme;
    programme.programmeName = name;
    return programme;
}
