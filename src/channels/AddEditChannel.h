#pragma once

#include "app/AppWindow.h"

class QPushButton;

class AddEditChannel final : public AppWindow
{
    Q_OBJECT

public:
    explicit AddEditChannel(Navigator &navigator, QWidget *parent = nullptr);

    void load() override;

private:
    QPushButton *m_Command4;
};
