#pragma once

#include "app/AppWindow.h"

class QPushButton;

class ProgrammeSelection final : public AppWindow
{
    Q_OBJECT

public:
    explicit ProgrammeSelection(Navigator &navigator, QWidget *parent = nullptr);

    void load() override;

private:
    QPushButton *m_closeChannel;
};
