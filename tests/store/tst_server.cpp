#include "channels/Channels.h"
#include "projects/Projects.h"
#include "store/Connection.h"
#include "store/Database.h"
#include "store/Server.h"
#include "support/TestDatabase.h"
#include "support/TestServer.h"

#include <QElapsedTimer>
#include <QTest>
#include <QUrl>

#include <future>
#include <thread>

using store::Connection;
using store::Status;

namespace {

QStringList projectNames(const QString &database)
{
    QStringList names;
    for (const ListEntry &entry : projects::listProjects(database).value())
        names << entry.text;
    names.sort();
    return names;
}

} // namespace

// What only a database on a server has: a server out of reach or refusing,
// a database that is not Quorvel's, TLS, and writers on several connections.
class ServerTest : public QObject
{
    Q_OBJECT

    QList<QString> m_databases;

    QString freshDatabase(bool quorvel)
    {
        const QString made = freshServerDatabase(QString::fromLatin1(QTest::currentTestFunction()));
        m_databases << made;
        if (quorvel && !store::createDatabase(made))
            return {};
        return made;
    }

private slots:
    void initTestCase()
    {
        if (testServerUrl().isEmpty())
            QSKIP("No test server: run the test through ctest, which starts one.");
    }

    void cleanupTestCase()
    {
        for (const QString &database : std::as_const(m_databases))
            dropServerDatabase(database);
    }

    void refusal_namesTheServerAndSaysWhy_data()
    {
        // user: and password; empty: the superuser
        // port: 0: the server's
        // quorvel: given Quorvel's tables first
        // sql: then run on it
        addColumns<QString, int, bool, QString, QString>("user", "port", "quorvel", "sql", "said");
        QTest::newRow("server down")
            << QString() << 1 << true << QString() << u"could not reach the PostgreSQL server"_qs;
        QTest::newRow("wrong password") << u"quorvel_pw:wrong-pw"_qs << 0 << true << QString()
                                        << u"refused the user name or password"_qs;
        QTest::newRow("another program's database")
            << QString() << 0 << false << u"CREATE TABLE notes (line text)"_qs
            << u"is not a Quorvel database"_qs;
        QTest::newRow("newer schema")
            << QString() << 0 << true << u"UPDATE QuorvelSchema SET version = 99"_qs
            << u"made by a newer Quorvel (its schema version is 99"_qs;
    }

    void refusal_namesTheServerAndSaysWhy()
    {
        QFETCH(QString, user);
        QFETCH(int, port);
        QFETCH(bool, quorvel);
        QFETCH(QString, sql);
        QFETCH(QString, said);
        const QString database = freshDatabase(quorvel);
        QCOMPARE(runOnServer(database, sql), QString());
        QUrl url(database);
        if (!user.isEmpty())
            url.setUserInfo(user);
        if (port)
            url.setPort(port);
        const QString spoiled = url.toString();

        Connection connection(spoiled);
        const Status opened = connection.open();
        QVERIFY(!opened);
        const auto listed = projects::listProjects(spoiled);
        QVERIFY(!listed);
        for (const QString &text : {opened.failure().detail, listed.failure().text()}) {
            QVERIFY2(text.contains(said) && text.contains(store::serverName(spoiled)),
                     qPrintable(text));
            QVERIFY2(!text.contains(u"wrong-pw"_qs), qPrintable(text));
        }
    }

    void verifiedTls_toLocalhost_works()
    {
        const QString database = freshDatabase(true);
        QUrl url(database);
        url.setHost(u"localhost"_qs);
        url.setQuery(u"sslmode=verify-full&sslrootcert="_qs + caCertPath());
        const QString secure = url.toString();
        QVERIFY(projects::newProject(secure, u"Secure"_qs));
        QCOMPARE(projectNames(secure), QStringList{u"Secure"_qs});
        const auto tls =
            store::read(secure, u"Asking"_qs, [](Connection &c) -> store::Result<bool> {
                auto ssl = c.select(u"SELECT ssl FROM pg_stat_ssl WHERE pid = pg_backend_pid()"_qs);
                if (!ssl)
                    return ssl.failure();
                return ssl.value().next() && ssl.value().value(0).toBool();
            });
        QVERIFY(tls && tls.value());
    }

    void nulInText_isRefusedAndNothingIsStored()
    {
        const QString database = freshDatabase(true);
        QVERIFY(projects::newProject(database, u"Kept"_qs));
        const qint32 project = projects::listProjects(database).value().at(0).id;
        const QString nul = u"Before"_qs + QChar(0) + u"after"_qs;
        channels::Channel channel{u"Channel"_qs};
        channel.templateLines = {nul};
        const auto saved = channels::saveChannel(database, 0, project, channel, {});
        for (const Status &refused :
             {projects::newProject(database, nul), projects::renameProject(database, project, nul),
              saved ? store::success() : Status(saved.failure())})
            QVERIFY2(!refused && refused.failure().detail.contains(u"U+0000"_qs),
                     qPrintable(refused ? QString() : refused.failure().text()));
        QCOMPARE(projectNames(database), QStringList{u"Kept"_qs});
        QCOMPARE(channels::listChannels(database, project).value().size(), 0);
    }

    void writers_waitForEachOtherAndAllLand()
    {
        const QString database = freshDatabase(true);
        // One writer holds its transaction for a second: the other waits for
        // it rather than failing at once.
        std::promise<void> holding;
        Status held = store::success();
        std::thread first([&] {
            bool told = false;
            held = store::write(database, u"Holding"_qs, [&](Connection &c) {
                auto added = c.insert(u"ProjectData"_qs, {{u"projectName"_qs, u"Held"_qs}});
                holding.set_value();
                told = true;
                std::this_thread::sleep_for(std::chrono::seconds(1));
                return added ? store::success() : Status(added.failure());
            });
            if (!told)
                holding.set_value();
        });
        holding.get_future().wait();
        QElapsedTimer waited;
        waited.start();
        const Status second = projects::newProject(database, u"Waited"_qs);
        const qint64 ms = waited.elapsed();
        first.join();
        QVERIFY2(held, qPrintable(held ? QString() : held.failure().text()));
        QVERIFY2(second, qPrintable(second ? QString() : second.failure().text()));
        QVERIFY2(ms >= 500, qPrintable(QString::number(ms)));

        // Writers on several connections at once: every change lands.
        QStringList expected{u"Held"_qs, u"Waited"_qs};
        std::vector<std::thread> writers;
        std::atomic<int> failed = 0;
        for (int w = 0; w < 3; ++w) {
            for (int i = 0; i < 10; ++i)
                expected << u"W%1-%2"_qs.arg(w).arg(i);
            writers.emplace_back([&, w] {
                for (int i = 0; i < 10; ++i)
                    failed += projects::newProject(database, u"W%1-%2"_qs.arg(w).arg(i)) ? 0 : 1;
            });
        }
        for (std::thread &writer : writers)
            writer.join();
        QCOMPARE(failed.load(), 0);
        expected.sort();
        QCOMPARE(projectNames(database), expected);
    }
};

QTEST_GUILESS_MAIN(ServerTest)
#include "tst_server.moc"
