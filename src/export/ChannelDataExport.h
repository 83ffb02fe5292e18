#pragma once

#include "export/Contact.h"
#include "widgets/AppWindow.h"

class QLabel;
class QLineEdit;
class QPushButton;

// The project's contact details and the export of its channel file.
class ChannelDataExport final : public AppWindow
{
    Q_OBJECT

public:
    explicit ChannelDataExport(Navigation &navigator, QWidget *parent = nullptr);

    void load() override;

protected:
    // Back to the project list.
    void showAfresh(const store::Failure &gone) override;
    // Ended when its project is deleted elsewhere.
    void refreshFromStore() override;
    NameReader parentNameReader() const override;

private:
    void saveDgc();

    // The details as loaded, to tell whether someone else changed them before the save.
    std::optional<exports::ContactDetails> m_read;

    QLabel *m_title;
    QLineEdit *m_contactName;
    QLineEdit *m_contactEmail;
    QLineEdit *m_homepage;
    QLineEdit *m_description;
    QPushButton *m_saveDgc;
    QPushButton *m_close;
};
