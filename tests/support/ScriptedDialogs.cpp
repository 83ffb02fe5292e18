#include "support/ScriptedDialogs.h"

#include <QTest>
#include <QWidget>

namespace {

const char *kindName(ScriptedDialogs::Kind kind)
{
    static const char *const names[] = {"prompt",          "confirmation",   "information message",
                                        "error message",   "Save As dialog", "Open dialog",
                                        "password prompt", "server dialog"};
    return names[int(kind)];
}

} // namespace

ScriptedDialogs::~ScriptedDialogs()
{
    // A test that failed already stopped before its dialogs; say nothing more.
    if (m_script.isEmpty() || QTest::currentTestFailed())
        return;
    QStringList unused;
    for (const Answer &answer : std::as_const(m_script))
        unused << QLatin1String(kindName(answer.kind));
    const QByteArray message =
        QStringLiteral("Scripted answers never asked for: %1").arg(unused.join(u", ")).toUtf8();
    QTest::qFail(message.constData(), __FILE__, __LINE__);
}

std::optional<ScriptedDialogs::Answer> ScriptedDialogs::next(Kind kind, Question question,
                                                             QWidget *parent)
{
    question.overShownWindow = parent && parent->window()->isVisible();
    m_asked.append(question);
    if (m_script.isEmpty() || m_script.constFirst().kind != kind) {
        const QByteArray message =
            QStringLiteral("Unexpected %1 \"%2\": %3")
                .arg(QLatin1String(kindName(kind)), question.title, question.text)
                .toUtf8();
        QTest::qFail(message.constData(), __FILE__, __LINE__);
        return std::nullopt;
    }
    return m_script.takeFirst();
}

QString ScriptedDialogs::prompt(QWidget *parent, const QString &text, const QString &title,
                                const QString &defaultAnswer)
{
    const auto answer = next(Kind::Prompt, {Kind::Prompt, text, title, defaultAnswer}, parent);
    return answer ? answer->text : QString();
}

QString ScriptedDialogs::password(QWidget *parent, const QString &text, const QString &title)
{
    const auto answer = next(Kind::Password, {Kind::Password, text, title}, parent);
    return answer ? answer->text : QString();
}

std::optional<QString> ScriptedDialogs::serverAddress(QWidget *parent, const QString &last)
{
    const auto answer =
        next(Kind::ServerAddress, {Kind::ServerAddress, QString(), QString(), last}, parent);
    return answer ? answer->path : std::nullopt;
}

bool ScriptedDialogs::confirm(QWidget *parent, const QString &text, const QString &title, Icon icon)
{
    const auto answer = next(Kind::Confirm, {Kind::Confirm, text, title, QString(), icon}, parent);
    return answer && answer->yes;
}

void ScriptedDialogs::inform(QWidget *parent, const QString &text, const QString &title)
{
    next(Kind::Inform, {Kind::Inform, text, title, QString(), Icon::Information}, parent);
}

void ScriptedDialogs::showError(QWidget *parent, const QString &text, const QString &title)
{
    next(Kind::Error, {Kind::Error, text, title, QString(), Icon::Critical}, parent);
}

std::optional<QString> ScriptedDialogs::saveAs(QWidget *parent, FileKind kind,
                                               const QList<FileFilter> &filters, int preselected,
                                               const QString &suggestedName)
{
    // The name proposed is kept where a prompt keeps its default answer.
    const auto answer = next(Kind::SaveAs,
                             {Kind::SaveAs, QString(), QString(), suggestedName, Icon::NoIcon,
                              filters, preselected, kind},
                             parent);
    return answer ? answer->path : std::nullopt;
}

std::optional<QString> ScriptedDialogs::openFile(QWidget *parent, FileKind kind,
                                                 const QList<FileFilter> &filters)
{
    const auto answer = next(
        Kind::OpenFile,
        {Kind::OpenFile, QString(), QString(), QString(), Icon::NoIcon, filters, 1, kind}, parent);
    return answer ? answer->path : std::nullopt;
}

void ScriptedDialogs::openUrl(const QString &address, const QString &workingDirectory)
{
    m_openedUrls.append(address);
    m_urlDirectories.append(workingDirectory);
}
