#pragma once

#include <QList>
#include <QString>

#include <optional>

class QWidget;

// Every question the program asks the user and every page it opens goes
// through here, so that tests can answer them without a real modal dialog.
class Dialogs
{
public:
    enum class Icon
    {
        NoIcon,
        Question,
        Information,
        Warning,
        Critical
    };

    // The kinds of file the program reads or writes; each keeps the folder
    // the user last chose for it.
    enum class FileKind
    {
        ChannelFile,
        ProgrammeXml,
        Xmltv,
        GuideImage
    };

    struct FileFilter
    {
        QString description;
        QString pattern;
    };

    virtual ~Dialogs() = default;

    // An input prompt; empty text when the user cancels.
    virtual QString prompt(QWidget *parent, const QString &text, const QString &title,
                           const QString &defaultAnswer) = 0;
    // The input prompt for a password: what is typed is not shown. Empty
    // text when the user cancels.
    virtual QString password(QWidget *parent, const QString &text, const QString &title) = 0;
    // The address of a PostgreSQL server's database, built from its host,
    // port, name, user and secure-connection settings or written out; `last`
    // (an address without password) fills it in first. Nothing when the
    // user cancelled.
    virtual std::optional<QString> serverAddress(QWidget *parent, const QString &last) = 0;
    // Yes and No, Yes the default; true only for Yes.
    virtual bool confirm(QWidget *parent, const QString &text, const QString &title, Icon icon) = 0;
    // OK alone, with the information icon.
    virtual void inform(QWidget *parent, const QString &text, const QString &title) = 0;
    // OK alone, with the critical icon: something the user asked for failed.
    virtual void showError(QWidget *parent, const QString &text, const QString &title) = 0;
    // A Save As dialog. For the guide application's two files it never asks
    // before overwriting but asks before accepting a file that does not
    // exist yet, as that application's users know it; for the other kinds
    // it asks before overwriting, as desktop programs do, and proposes
    // `suggestedName`. The filter at `preselected` (counted from 1) is chosen
    // first; the dialog opens in the folder last used for this kind of file.
    // The path exactly as the user gave it, or nothing when the user cancelled.
    virtual std::optional<QString> saveAs(QWidget *parent, FileKind kind,
                                          const QList<FileFilter> &filters, int preselected,
                                          const QString &suggestedName = QString()) = 0;
    // An Open dialog for an existing file, the first filter chosen first, in
    // the folder last used for this kind of file. The path of the file
    // chosen, or nothing when the user cancelled.
    virtual std::optional<QString> openFile(QWidget *parent, FileKind kind,
                                            const QList<FileFilter> &filters) = 0;
    // Opens a web address in the user's browser; whether it worked is not reported.
    virtual void openUrl(const QString &address, const QString &workingDirectory) = 0;
};
