#pragma once

#include "app/AppWindow.h"

class QPushButton;

class AddEditProgramme final : public AppWindow
{
    Q_OBJECT

public:
    explicit AddEditProgramme(Navigator &navigator, QWidget *parent = nullptr);

    void load() override;

private:
    QPushButton *m_cancel;
};
