#include "support/TestServer.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QUrl>

// The server the run starts, as the program's store will meet it: Qt's
// PostgreSQL driver, TLS checked against the test CA, passwords checked.
class TestServerTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void freshDatabase_opensAsEachRoleMay_data();
    void freshDatabase_opensAsEachRoleMay();

private:
    QString m_database;
};

void TestServerTest::initTestCase()
{
    if (testServerUrl().isEmpty())
        QSKIP("No test server: run the test through ctest, which starts one.");
    m_database = freshServerDatabase(QStringLiteral("testserver"));
    QVERIFY(!m_database.isEmpty());
}

void TestServerTest::cleanupTestCase()
{
    dropServerDatabase(m_database);
}

void TestServerTest::freshDatabase_opensAsEachRoleMay_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("options");
    QTest::addColumn<bool>("opens");
    QTest::addColumn<bool>("tls");

    const QString test = QStringLiteral("quorvel_test");
    const QString pw = QStringLiteral("quorvel_pw");
    const QString ip = QStringLiteral("127.0.0.1");
    QTest::newRow("superuser, plain")
        << ip << test << QString() << QStringLiteral("sslmode=disable") << true << false;
    QTest::newRow("superuser, verify-full to localhost")
        << QStringLiteral("localhost") << test << QString()
        << QStringLiteral("sslmode=verify-full;sslrootcert=") + caCertPath() << true << true;
    QTest::newRow("password role, its password")
        << ip << pw << QStringLiteral("secret-pw") << QString() << true << true;
    QTest::newRow("password role, a wrong password")
        << ip << pw << QStringLiteral("secret-pX") << QString() << false << false;
}

void TestServerTest::freshDatabase_opensAsEachRoleMay()
{
    QFETCH(QString, host);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, options);
    QFETCH(bool, opens);
    QFETCH(bool, tls);

    const QUrl url(m_database);
    const QString name = QString::fromUtf8(QTest::currentDataTag());
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(host);
        db.setPort(url.port());
        db.setUserName(user);
        db.setPassword(password);
        db.setDatabaseName(url.path().mid(1));
        db.setConnectOptions(options);
        const bool opened = db.open();
        const QString error = db.lastError().text();
        QVERIFY2(opened == opens, qPrintable(error));
        if (opened) {
            QSqlQuery query(db);
            QVERIFY(query.exec(QStringLiteral("SELECT current_database(), ssl FROM pg_stat_ssl "
                                              "WHERE pid = pg_backend_pid()")));
            QVERIFY(query.next());
            QCOMPARE(query.value(0).toString(), db.databaseName());
            QCOMPARE(query.value(1).toBool(), tls);
        } else {
            QVERIFY2(error.contains(QLatin1String("password authentication failed")),
                     qPrintable(error));
        }
    }
    QSqlDatabase::removeDatabase(name);
}

QTEST_GUILESS_MAIN(TestServerTest)
#include "tst_testserver.moc"
