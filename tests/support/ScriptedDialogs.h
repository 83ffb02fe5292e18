#pragma once

#include "widgets/Dialogs.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>

// Answers the program's dialogs from a script and records every question.
// A dialog the script did not expect fails the running test, and so does an
// answer still unused when the script is discarded at the end of the test.
class ScriptedDialogs final : public Dialogs
{
public:
    ScriptedDialogs() = default;
    ~ScriptedDialogs() override;
    Q_DISABLE_COPY_MOVE(ScriptedDialogs)

    enum class Kind
    {
        Prompt,
        Confirm,
        Inform,
        Error,
        SaveAs,
        OpenFile,
        Password,
        ServerAddress
    };

    struct Question
    {
        Kind kind;
        QString text;
        QString title;
        QString defaultAnswer;
        Icon icon = Icon::NoIcon;
        QList<FileFilter> filters;
        int preselected = 0;
        FileKind fileKind = FileKind::ChannelFile;
        // Whether the window it was asked over was on screen, so that the
        // dialog could stand over it.
        bool overShownWindow = false;
    };

    // Script the next answers, in the order the dialogs will appear.
    void answerPrompt(const QString &answer) { m_script.append({Kind::Prompt, answer}); }
    void answerConfirm(bool yes) { m_script.append({Kind::Confirm, QString(), yes}); }
    void expectInform() { m_script.append({Kind::Inform}); }
    void expectError() { m_script.append({Kind::Error}); }
    void answerSaveAs(std::optional<QString> path) { append(Kind::SaveAs, path); }
    void answerOpenFile(std::optional<QString> path) { append(Kind::OpenFile, path); }
    // Empty text cancels the password prompt.
    void answerPassword(const QString &answer) { m_script.append({Kind::Password, answer}); }
    void answerServerAddress(std::optional<QString> address)
    {
        append(Kind::ServerAddress, address);
    }

    bool allAnswered() const { return m_script.isEmpty(); }
    const QList<Question> &asked() const { return m_asked; }
    const QStringList &openedUrls() const { return m_openedUrls; }
    const QStringList &urlDirectories() const { return m_urlDirectories; }

    QString prompt(QWidget *parent, const QString &text, const QString &title,
                   const QString &defaultAnswer) override;
    QString password(QWidget *parent, const QString &text, const QString &title) override;
    // The question's defaultAnswer is the address offered first.
    std::optional<QString> serverAddress(QWidget *parent, const QString &last) override;
    bool confirm(QWidget *parent, const QString &text, const QString &title, Icon icon) override;
    void inform(QWidget *parent, const QString &text, const QString &title) override;
    void showError(QWidget *parent, const QString &text, const QString &title) override;
    std::optional<QString> saveAs(QWidget *parent, FileKind kind, const QList<FileFilter> &filters,
                                  int preselected, const QString &suggestedName) override;
    std::optional<QString> openFile(QWidget *parent, FileKind kind,
                                    const QList<FileFilter> &filters) override;
    void openUrl(const QString &address, const QString &workingDirectory) override;

private:
    struct Answer
    {
        Kind kind;
        QString text;
        bool yes = false;
        std::optional<QString> path;
    };
    void append(Kind kind, std::optional<QString> path)
    {
        m_script.append({kind, QString(), false, std::move(path)});
    }
    // The next answer, which must be of this kind; nothing (and a failed test) otherwise.
    std::optional<Answer> next(Kind kind, Question question, QWidget *parent);

    QList<Answer> m_script;
    QList<Question> m_asked;
    QStringList m_openedUrls;
    QStringList m_urlDirectories;
};
