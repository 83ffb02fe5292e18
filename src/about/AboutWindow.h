#pragma once

#include <QDialog>

class Navigator;
class QPushButton;

// Name, version and links of the program; opened modal over the project window.
class AboutWindow final : public QDialog
{
    Q_OBJECT

public:
    explicit AboutWindow(Navigator &navigator, QWidget *parent = nullptr);

private:
    Navigator &m_navigator;
    QPushButton *m_cmdOK;
};
