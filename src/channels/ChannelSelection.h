#pragma once

#include "widgets/AppWindow.h"

#include <optional>

class EntryList;
class QLabel;
class QPushButton;

// The channels of the loaded project and every command that starts from one.
class ChannelSelection final : public AppWindow
{
    Q_OBJECT

public:
    explicit ChannelSelection(Navigation &navigator, QWidget *parent = nullptr);

    void load() override;
    // Fills the list afresh; nothing is selected afterwards.
    void fillChannelList();

protected:
    void refreshFromStore() override;
    NameReader parentNameReader() const override;

private:
    void setSelectionButtonsEnabled(bool enabled);

    void addChannel();
    void modifyChannel();
    void programmeData();
    void deleteChannel();

    QLabel *m_title;
    EntryList *m_channelList;
    QPushButton *m_addChannel;
    QPushButton *m_deleteChannel;
    QPushButton *m_modifyChannel;
    QPushButton *m_programmeData;
    QPushButton *m_closeProject;
};
