#pragma once

#include "app/AppWindow.h"

class QPushButton;

class ChannelDataExport final : public AppWindow
{
    Q_OBJECT

public:
    explicit ChannelDataExport(Navigator &navigator, QWidget *parent = nullptr);

    void load() override;

private:
    QPushButton *m_cmdClose;
};
