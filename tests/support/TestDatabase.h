#pragma once

#include "store/ProgrammeRow.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

// A fresh, empty database in a temporary directory of its own, with direct
// access for arranging and inspecting rows around the code under test.
class TestDatabase
{
public:
    TestDatabase();

    bool isValid() const { return m_valid; }
    QString directory() const { return m_dir.path(); }
    QString path() const;

    // Runs one statement; returns the new row's identifier for an INSERT.
    qint64 exec(const QString &sql, const QVariantList &values = {});
    // Runs the statements on one connection, in one transaction: for changes
    // that take the database through states a new connection would refuse,
    // such as a table renamed away and made again.
    void execAll(const QStringList &statements);
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
    bool m_valid = false;
};

// A programme with only its name, for a command's boxes.
inline store::ProgrammeRow namedProgramme(const QString &name)
{
    store::ProgrammeRow programme;
    programme.programmeName = name;
    return programme;
}
