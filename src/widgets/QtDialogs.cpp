#include "widgets/QtDialogs.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

namespace {

QMessageBox::Icon messageIcon(Dialogs::Icon icon)
{
    switch (icon) {
    case Dialogs::Icon::Question:
        return QMessageBox::Question;
    case Dialogs::Icon::Information:
        return QMessageBox::Information;
    case Dialogs::Icon::Warning:
        return QMessageBox::Warning;
    case Dialogs::Icon::Critical:
        return QMessageBox::Critical;
    case Dialogs::Icon::NoIcon:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

QString QtDialogs::prompt(QWidget *parent, const QString &text, const QString &title,
                          const QString &defaultAnswer)
{
    bool accepted = false;
    const QString answer =
        QInputDialog::getText(parent, title, text, QLineEdit::Normal, defaultAnswer, &accepted);
    return accepted ? answer : QString();
}

bool QtDialogs::confirm(QWidget *parent, const QString &text, const QString &title, Icon icon)
{
    QMessageBox box(messageIcon(icon), title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void QtDialogs::inform(QWidget *parent, const QString &text, const QString &title)
{
    QMessageBox::information(parent, title, text);
}

void QtDialogs::showError(QWidget *parent, const QString &text, const QString &title)
{
    QMessageBox::critical(parent, title, text);
}

std::optional<QString> QtDialogs::saveAs(QWidget *parent, const QList<FileFilter> &filters,
                                         int preselected)
{
    QStringList nameFilters;
    for (const FileFilter &filter : filters) {
        // The descriptions already name their pattern in brackets, which is
        // the form the file dialog reads its patterns from.
        nameFilters << (filter.description.contains(u'(')
                            ? filter.description
                            : QStringLiteral("%1 (%2)").arg(filter.description, filter.pattern));
    }
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilters(nameFilters);
    if (preselected >= 1 && preselected <= nameFilters.size())
        dialog.selectNameFilter(nameFilters.at(preselected - 1));

    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        const QString path = dialog.selectedFiles().constFirst();
        if (QFileInfo::exists(path))
            return path;
        const QString question =
            QStringLiteral("%1\nThis file does not exist.\nDo you want to create it?")
                .arg(QDir::toNativeSeparators(path));
        if (confirm(parent, question, dialog.windowTitle(), Icon::Warning))
            return path;
    }
}

std::optional<QString> QtDialogs::openFile(QWidget *parent, const QList<FileFilter> &filters)
{
    QStringList nameFilters;
    for (const FileFilter &filter : filters) {
        nameFilters << (filter.description.contains(u'(')
                            ? filter.description
                            : QStringLiteral("%1 (%2)").arg(filter.description, filter.pattern));
    }
    const QString path = QFileDialog::getOpenFileName(parent, QString(), QString(),
                                                      nameFilters.join(QStringLiteral(";;")));
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

void QtDialogs::openUrl(const QString &address, const QString &workingDirectory)
{
    // The browser is started as a child of this process and inherits its
    // working directory: point that at the program's folder for the call.
    const QString previous = QDir::currentPath();
    const bool moved = !workingDirectory.isEmpty() && QDir::setCurrent(workingDirectory);
    QDesktopServices::openUrl(QUrl::fromUserInput(address));
    if (moved)
        QDir::setCurrent(previous);
}
