#include "widgets/QtDialogs.h"

#include "widgets/ConnectDialog.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QSettings>
#include <QSpacerItem>
#include <QStandardPaths>
#include <QUrl>

#include <limits>

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

QString folderKey(Dialogs::FileKind kind)
{
    switch (kind) {
    case Dialogs::FileKind::ChannelFile:
        return QStringLiteral("folders/dgc");
    case Dialogs::FileKind::ProgrammeXml:
        return QStringLiteral("folders/programmeXml");
    case Dialogs::FileKind::Xmltv:
        return QStringLiteral("folders/xmltv");
    case Dialogs::FileKind::GuideImage:
        return QStringLiteral("folders/guideImage");
    }
    return QStringLiteral("folders/other");
}

QSettings settings()
{
    return QSettings(QStringLiteral("Quorvel"), QStringLiteral("Quorvel"));
}

QStringList nameFilters(const QList<Dialogs::FileFilter> &filters)
{
    QStringList names;
    for (const Dialogs::FileFilter &filter : filters) {
        // The descriptions already name their pattern in brackets, which is
        // the form the file dialog reads its patterns from.
        names << (filter.description.contains(u'(')
                      ? filter.description
                      : QStringLiteral("%1 (%2)").arg(filter.description, filter.pattern));
    }
    return names;
}

} // namespace

namespace qtdialogs {

std::unique_ptr<QMessageBox> makeMessage(QWidget *parent, Dialogs::Icon icon, const QString &text,
                                         const QString &title, QMessageBox::StandardButtons buttons)
{
    auto box = std::make_unique<QMessageBox>(messageIcon(icon), title, text, buttons, parent);
    // QMessageBox sizes itself to its text and ignores a minimum width; an
    // empty item across its grid is the one thing its layout keeps room for.
    if (auto *grid = qobject_cast<QGridLayout *>(box->layout())) {
        grid->addItem(
            new QSpacerItem(captionWidth(title), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
            grid->rowCount(), 0, 1, grid->columnCount());
    }
    return box;
}

std::unique_ptr<QInputDialog> makePrompt(QWidget *parent, const QString &text, const QString &title,
                                         const QString &defaultAnswer)
{
    auto dialog = std::make_unique<QInputDialog>(parent);
    dialog->setWindowTitle(title);
    dialog->setLabelText(text);
    dialog->setInputMode(QInputDialog::TextInput);
    dialog->setTextValue(defaultAnswer);
    if (auto *edit = dialog->findChild<QLineEdit *>()) {
        // QLineEdit stops at 32,767 characters by default; the answer goes to
        // the store whole, as the text boxes' contents do.
        edit->setMaxLength(std::numeric_limits<int>::max());
        edit->setText(defaultAnswer);
        // The dialog's layout fixes its own size; a wide field widens it.
        edit->setMinimumWidth(captionWidth(title));
    }
    return dialog;
}

int captionWidth(const QString &title)
{
    // Title bars draw their caption in a bold face, and set aside room for
    // the window's icon and its three buttons.
    QFont font = QApplication::font();
    font.setBold(true);
    const int iconAndButtons = 4 * 32;
    return QFontMetrics(font).horizontalAdvance(title) * 6 / 5 + iconAndButtons;
}

QString lastFolder(Dialogs::FileKind kind)
{
    return settings().value(folderKey(kind)).toString();
}

QString startFolder(Dialogs::FileKind kind)
{
    if (const QString last = lastFolder(kind); !last.isEmpty() && QFileInfo(last).isDir())
        return last;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

void rememberFolder(Dialogs::FileKind kind, const QString &chosenPath)
{
    settings().setValue(folderKey(kind), QFileInfo(chosenPath).absolutePath());
}

} // namespace qtdialogs

QString QtDialogs::prompt(QWidget *parent, const QString &text, const QString &title,
                          const QString &defaultAnswer)
{
    const auto dialog = qtdialogs::makePrompt(parent, text, title, defaultAnswer);
    return dialog->exec() == QDialog::Accepted ? dialog->textValue() : QString();
}

QString QtDialogs::password(QWidget *parent, const QString &text, const QString &title)
{
    const auto dialog = qtdialogs::makePrompt(parent, text, title, QString());
    dialog->setTextEchoMode(QLineEdit::Password);
    return dialog->exec() == QDialog::Accepted ? dialog->textValue() : QString();
}

std::optional<QString> QtDialogs::serverAddress(QWidget *parent, const QString &last)
{
    ConnectDialog dialog(parent, last);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.address();
}

bool QtDialogs::confirm(QWidget *parent, const QString &text, const QString &title, Icon icon)
{
    const auto box =
        qtdialogs::makeMessage(parent, icon, text, title, QMessageBox::Yes | QMessageBox::No);
    box->setDefaultButton(QMessageBox::Yes);
    return box->exec() == QMessageBox::Yes;
}

void QtDialogs::inform(QWidget *parent, const QString &text, const QString &title)
{
    qtdialogs::makeMessage(parent, Icon::Information, text, title, QMessageBox::Ok)->exec();
}

void QtDialogs::showError(QWidget *parent, const QString &text, const QString &title)
{
    qtdialogs::makeMessage(parent, Icon::Critical, text, title, QMessageBox::Ok)->exec();
}

std::optional<QString> QtDialogs::saveAs(QWidget *parent, FileKind kind,
                                         const QList<FileFilter> &filters, int preselected,
                                         const QString &suggestedName)
{
    const QStringList names = nameFilters(filters);
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(names);
    dialog.setDirectory(qtdialogs::startFolder(kind));
    if (preselected >= 1 && preselected <= names.size())
        dialog.selectNameFilter(names.at(preselected - 1));
    const bool guideApplication = kind == FileKind::ChannelFile || kind == FileKind::ProgrammeXml;
    if (!guideApplication) {
        if (!suggestedName.isEmpty())
            dialog.selectFile(suggestedName);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        const QString path = dialog.selectedFiles().constFirst();
        qtdialogs::rememberFolder(kind, path);
        return path;
    }
    dialog.setOption(QFileDialog::DontConfirmOverwrite);

    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        const QString path = dialog.selectedFiles().constFirst();
        const QString question =
            QStringLiteral("%1\nThis file does not exist.\nDo you want to create it?")
                .arg(QDir::toNativeSeparators(path));
        if (QFileInfo::exists(path) ||
            confirm(parent, question, dialog.windowTitle(), Icon::Warning)) {
            qtdialogs::rememberFolder(kind, path);
            return path;
        }
    }
}

std::optional<QString> QtDialogs::openFile(QWidget *parent, FileKind kind,
                                           const QList<FileFilter> &filters)
{
    const QString path =
        QFileDialog::getOpenFileName(parent, QString(), qtdialogs::startFolder(kind),
                                     nameFilters(filters).join(QStringLiteral(";;")));
    if (path.isEmpty())
        return std::nullopt;
    qtdialogs::rememberFolder(kind, path);
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
