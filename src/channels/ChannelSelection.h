#pragma once

#include "app/AppWindow.h"

class QPushButton;

class ChannelSelection final : public AppWindow
{
    Q_OBJECT

public:
    explicit ChannelSelection(Navigator &navigator, QWidget *parent = nullptr);

    void load() override;

private:
    QPushButton *m_closeProject;
};
