#pragma once

#include "channels/Channels.h"
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

protected:
    // Back to the channel list.
    void showAfresh(const store::Failure &gone) override;
    // The boxes and lines as the channel is stored now, after someone else changed it.
    void showAsNow(const store::Failure &conflict) override;
    // Ended when its channel (or, for a new one, its project) is deleted elsewhere.
    void refreshFromStore() override;
    NameReader parentNameReader() const override;

private:
    void addTemplate();
    void deleteTemplate();
    void saveChannel();

    // The channel being edited, or 0 while creating one; fixed at load.
    qint32 m_channelID = 0;
    // The channel as loaded: to name it should another program delete it,
    // and to tell whether someone else changed it before the save.
    channels::Channel m_stored;

    QLabel *m_title;
    QLineEdit *m_channelName;
    QLineEdit *m_channelNumber;
    QLineEdit *m_updateFrequency;
    QLineEdit *m_logoUrl;
    QLineEdit *m_dataUrl;
    QLineEdit *m_channelUrl;
    QListWidget *m_templateList;
    QPushButton *m_addTemplate;
    QPushButton *m_deleteTemplate;
    QPushButton *m_saveChannel;
    QPushButton *m_cancel;
};
