#include "widgets/ConnectDialog.h"

#include "store/Server.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLineEdit *field(const QString &name, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    return edit;
}

} // namespace

ConnectDialog::ConnectDialog(QWidget *parent, const QString &last) : QDialog(parent)
{
    setObjectName(QStringLiteral("connectToServer"));
    setWindowTitle(QStringLiteral("Connect to Server"));

    m_host = field(QStringLiteral("host"), this);
    m_port = field(QStringLiteral("port"), this);
    m_port->setValidator(new QIntValidator(1, 65535, m_port));
    m_port->setPlaceholderText(QStringLiteral("5432"));
    m_database = field(QStringLiteral("database"), this);
    m_user = field(QStringLiteral("user"), this);
    m_sslMode = new QComboBox(this);
    m_sslMode->setObjectName(QStringLiteral("sslMode"));
    // libpq's own names, which its documentation and administrators use.
    m_sslMode->addItems({QStringLiteral("disable"), QStringLiteral("prefer"),
                         QStringLiteral("require"), QStringLiteral("verify-ca"),
                         QStringLiteral("verify-full")});
    m_sslMode->setCurrentText(QStringLiteral("prefer"));
    m_caFile = field(QStringLiteral("caFile"), this);
    auto *browse = new QPushButton(QStringLiteral("Browse..."), this);
    browse->setObjectName(QStringLiteral("browseCaFile"));
    m_address = field(QStringLiteral("address"), this);
    m_address->setPlaceholderText(QStringLiteral("postgresql://... or service=NAME"));

    auto *caRow = new QHBoxLayout;
    caRow->addWidget(m_caFile, 1);
    caRow->addWidget(browse);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("&Host:"), m_host);
    form->addRow(QStringLiteral("&Port:"), m_port);
    form->addRow(QStringLiteral("&Database:"), m_database);
    form->addRow(QStringLiteral("&User:"), m_user);
    form->addRow(QStringLiteral("&SSL mode:"), m_sslMode);
    form->addRow(QStringLiteral("&CA certificate:"), caRow);
    // The form's labels are the buddies of their fields; the CA row's of its edit.
    if (auto *label = qobject_cast<QLabel *>(form->labelForField(caRow)))
        label->setBuddy(m_caFile);
    form->addRow(QStringLiteral("Or an &address:"), m_address);

    auto *note = new QLabel(QStringLiteral("The address, when given, is used instead of the "
                                           "fields. A server that asks for a password is asked "
                                           "for it when Quorvel connects; it is never saved."),
                            this);
    note->setWordWrap(true);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setText(QStringLiteral("Connect"));
    m_ok->setObjectName(QStringLiteral("connect"));

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(buttons);

    if (const auto fields = store::serverFields(last)) {
        m_host->setText(fields->host);
        m_port->setText(fields->port);
        m_database->setText(fields->database);
        m_user->setText(fields->user);
        if (!fields->sslMode.isEmpty())
            m_sslMode->setCurrentText(fields->sslMode);
        m_caFile->setText(fields->caFile);
    } else {
        m_address->setText(last);
    }

    connect(browse, &QPushButton::clicked, this, &ConnectDialog::chooseCaFile);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    for (QLineEdit *edit : {m_host, m_database, m_address})
        connect(edit, &QLineEdit::textChanged, this, &ConnectDialog::updateOk);
    updateOk();
}

QString ConnectDialog::address() const
{
    if (!m_address->text().trimmed().isEmpty())
        return m_address->text().trimmed();
    return store::serverAddress({m_host->text().trimmed(), m_port->text().trimmed(),
                                 m_database->text().trimmed(), m_user->text().trimmed(),
                                 m_sslMode->currentText(), m_caFile->text().trimmed()});
}

void ConnectDialog::chooseCaFile()
{
    const QString chosen =
        QFileDialog::getOpenFileName(this, QStringLiteral("CA Certificate"), m_caFile->text(),
                                     QStringLiteral("Certificates (*.crt *.pem);;All Files (*)"));
    if (!chosen.isEmpty())
        m_caFile->setText(chosen);
}

void ConnectDialog::updateOk()
{
    // A host and a database name, or an address: libpq would otherwise
    // quietly fill in its own defaults.
    m_ok->setEnabled(
        !m_address->text().trimmed().isEmpty() ||
        (!m_host->text().trimmed().isEmpty() && !m_database->text().trimmed().isEmpty()));
}
