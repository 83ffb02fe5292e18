#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

// Asks for the database on a PostgreSQL server to work on: its host, port,
// name, user and how securely to connect, or an address written out as
// libpq reads it (postgresql://... or key=value pairs such as service=NAME).
// It asks for no password: a server that wants one is asked for it when
// the program connects, and it is never kept.
class ConnectDialog final : public QDialog
{
    Q_OBJECT

public:
    // `last` (an address without password) fills the fields, or the address
    // when the fields cannot hold it.
    ConnectDialog(QWidget *parent, const QString &last);

    // The written address when there is one, else the fields' as a URI.
    QString address() const;

private:
    void chooseCaFile();
    void updateOk();

    QLineEdit *m_host;
    QLineEdit *m_port;
    QLineEdit *m_database;
    QLineEdit *m_user;
    QComboBox *m_sslMode;
    QLineEdit *m_caFile;
    QLineEdit *m_address;
    QPushButton *m_ok = nullptr;
};
