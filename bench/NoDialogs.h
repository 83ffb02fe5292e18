#pragma once

#include "widgets/Dialogs.h"

#include <QTextStream>

#include <cstdlib>

// What the window benchmarks answer dialogs with: a dialog means something
// went wrong, so it says what and stops, never waits for a person.
namespace bench {

[[noreturn]] inline void fail(const QString &what)
{
    QTextStream(stderr) << "bench: " << what << '\n';
    std::exit(1);
}

class NoDialogs final : public Dialogs
{
public:
    QString prompt(QWidget *, const QString &text, const QString &, const QString &) override
    {
        fail(text);
    }
    QString password(QWidget *, const QString &text, const QString &) override { fail(text); }
    std::optional<QString> serverAddress(QWidget *, const QString &) override
    {
        fail(QStringLiteral("Connect to Server"));
    }
    bool confirm(QWidget *, const QString &text, const QString &, Icon) override { fail(text); }
    void inform(QWidget *, const QString &text, const QString &) override { fail(text); }
    void showError(QWidget *, const QString &text, const QString &) override { fail(text); }
    std::optional<QString> saveAs(QWidget *, FileKind, const QList<FileFilter> &, int,
                                  const QString &) override
    {
        fail(QStringLiteral("Save As"));
    }
    std::optional<QString> openFile(QWidget *, FileKind, const QList<FileFilter> &) override
    {
        fail(QStringLiteral("Open"));
    }
    void openUrl(const QString &, const QString &) override {}
};

} // namespace bench
