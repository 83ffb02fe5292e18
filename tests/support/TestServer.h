#pragma once

#include <QString>

// The throw-away PostgreSQL server ctest starts for the tests that ask for it
// (quorvel_add_test with POSTGRES): QUORVEL_TEST_PG_DIR names the folder
// tests/support/pgserver.sh filled. Without it no server test can run, and
// each skips itself.

// The superuser quorvel_test over TCP, on the postgres database, as a libpq
// URI; empty when this run started no server.
QString testServerUrl();

// The CA that signed the server's certificate for localhost and 127.0.0.1,
// for sslmode=verify-full; empty when this run started no server.
QString caCertPath();

// A new, empty database for one test, as a libpq URI for quorvel_test. Its
// name starts with the tag and is unique across the test processes running
// at once. Empty when there is no server or it refused; a warning says why.
QString freshServerDatabase(const QString &tag);

// Drops a database freshServerDatabase made, with any connections still on it.
void dropServerDatabase(const QString &url);

// Runs the statements at the address in one transaction, past the
// program's store; returns what went wrong, or nothing.
QString runOnServer(const QString &url, const QString &sql);
