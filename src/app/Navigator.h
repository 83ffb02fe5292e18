#pragma once

#include "store/Result.h"
#include "widgets/Navigation.h"

#include <QString>

#include <memory>
#include <optional>

// The one place that knows how the program moves from window to window.
// A window that leaves sets the program-wide variable the next window reads,
// then asks to move; the move closes it, and opens and loads the next one.
class Navigator final : public Navigation
{
public:
    Navigator(Module1 &state, Dialogs &dialogs, QString programDirectory);
    ~Navigator() override;

    Module1 &state() const override { return m_state; }
    Dialogs &dialogs() const override { return m_dialogs; }
    const QString &programDirectory() const override { return m_programDirectory; }
    QString database() const override;
    bool usesLocalDatabase() const override;
    store::ChangeWatcher &changes() const override { return *m_changes; }
    // Whether a server used before will be opened when none is named.
    bool remembersServer() const;
    void useServer(const QString &address) override;
    void useLocalDatabase() override;

    // Opens the start-up window on `given` (a file or a server, as --db
    // names it); without one, on the server used last, or else the file
    // beside the program.
    AppWindow *start(const QString &given = QString());
    AppWindow *moveTo(QWidget *from, WindowKind next) override;
    AppWindow *moveBack(QWidget *from, WindowKind next, const store::Failure &gone) override;
    void showAbout(QWidget *owner) override;
    void exitProgram() override;

private:
    AppWindow *move(QWidget *from, WindowKind next, std::optional<store::Failure> told);
    AppWindow *open(WindowKind kind, std::optional<store::Failure> told = std::nullopt);

    Module1 &m_state;
    Dialogs &m_dialogs;
    QString m_programDirectory;
    // Empty for the file in the program's directory.
    QString m_database;
    std::unique_ptr<store::ChangeWatcher> m_changes;
};
