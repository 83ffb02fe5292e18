#pragma once

#include "widgets/AppWindow.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// Creates a channel in the loaded project or edits an existing one, with the
// channel's template lines. Nothing is stored until Save Channel.
class AddEditChannel final : public AppWindow
{
    Q_OBJECT

public:
    explicit AddEditChannel(Navigation &navigator, QWidget *parent = nullptr);

    void load() override;

private:
    void addTemplate();
    void deleteTemplate();
    void saveChannel();

    // The channel being edited, or 0 while creating one; fixed at load.
    qint32 m_channelID = 0;

    QLabel *m_Label1;
    QLineEdit *m_chanName;
    QLineEdit *m_chanNum;
    QLineEdit *m_chanUpdate;
    QLineEdit *m_chanLogoURL;
    QLineEdit *m_chanDataURL;
    QLineEdit *m_chanURL;
    QListWidget *m_tempList;
    QPushButton *m_addTemplate;
    QPushButton *m_delTemplate;
    QPushButton *m_Command3;
    QPushButton *m_Command4;
};
