#pragma once

#include "widgets/Dialogs.h"

#include <QMessageBox>

#include <memory>

class QInputDialog;

// The real dialogs of the desktop.
class QtDialogs final : public Dialogs
{
public:
    QString prompt(QWidget *parent, const QString &text, const QString &title,
                   const QString &defaultAnswer) override;
    QString password(QWidget *parent, const QString &text, const QString &title) override;
    std::optional<QString> serverAddress(QWidget *parent, const QString &last) override;
    bool confirm(QWidget *parent, const QString &text, const QString &title, Icon icon) override;
    void inform(QWidget *parent, const QString &text, const QString &title) override;
    void showError(QWidget *parent, const QString &text, const QString &title) override;
    std::optional<QString> saveAs(QWidget *parent, FileKind kind, const QList<FileFilter> &filters,
                                  int preselected,
                                  const QString &suggestedName) override;
    std::optional<QString> openFile(QWidget *parent, FileKind kind,
                                    const QList<FileFilter> &filters) override;
    void openUrl(const QString &address, const QString &workingDirectory) override;
};

// The parts of the real dialogs that can be looked at without showing one.
namespace qtdialogs {

// A message box, ready to be shown.
std::unique_ptr<QMessageBox> makeMessage(QWidget *parent, Dialogs::Icon icon, const QString &text,
                                         const QString &title,
                                         QMessageBox::StandardButtons buttons);
// The input prompt, ready to be shown.
std::unique_ptr<QInputDialog> makePrompt(QWidget *parent, const QString &text, const QString &title,
                                         const QString &defaultAnswer);
// How wide a dialog must be for a window manager to show `title` whole
// beside its icon and buttons.
int captionWidth(const QString &title);
// The folder the user last chose a file of this kind in; empty before the first.
QString lastFolder(Dialogs::FileKind kind);
// Where a file dialog of this kind opens: the last folder while it exists,
// else the user's documents or home folder, never the working directory.
QString startFolder(Dialogs::FileKind kind);
// Keeps the folder of `chosenPath` for the next dialog of this kind.
void rememberFolder(Dialogs::FileKind kind, const QString &chosenPath);

} // namespace qtdialogs
