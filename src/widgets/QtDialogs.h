#pragma once

#include "widgets/Dialogs.h"

// The real dialogs of the desktop.
class QtDialogs final : public Dialogs
{
public:
    QString prompt(QWidget *parent, const QString &text, const QString &title,
                   const QString &defaultAnswer) override;
    bool confirm(QWidget *parent, const QString &text, const QString &title, Icon icon) override;
    void inform(QWidget *parent, const QString &text, const QString &title) override;
    void showError(QWidget *parent, const QString &text, const QString &title) override;
    std::optional<QString> saveAs(QWidget *parent, const QList<FileFilter> &filters,
                                  int preselected) override;
    std::optional<QString> openFile(QWidget *parent, const QList<FileFilter> &filters) override;
    void openUrl(const QString &address, const QString &workingDirectory) override;
};
