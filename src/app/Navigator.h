#pragma once

#include <QString>

class AppWindow;
class Dialogs;
class QWidget;
struct Module1;

// The main windows; one of them is open at a time.
enum class WindowKind
{
    ProjectSelection,
    ChannelSelection,
    ChannelEditor,
    ProgrammeSelection,
    ProgrammeEditor,
    ChannelDataExport,
};

// The one place that knows how the program moves from window to window.
// A window that leaves sets the program-wide variable the next window reads,
// then asks to move; the move closes it, and opens and loads the next one.
class Navigator
{
public:
    Navigator(Module1 &state, Dialogs &dialogs, QString programDirectory);

    Module1 &state() const { return m_state; }
    Dialogs &dialogs() const { return m_dialogs; }
    // The directory the program runs from; the database lies in it.
    const QString &programDirectory() const { return m_programDirectory; }

    // Opens the start-up window.
    AppWindow *start();
    // Closes `from` and opens `next`, which has loaded by the time this returns.
    AppWindow *moveTo(QWidget *from, WindowKind next);
    // Opens the About window modal over `owner` and returns once it is closed.
    void showAbout(QWidget *owner);
    // Takes every window off the screen and ends the program.
    void exitProgram();

private:
    AppWindow *open(WindowKind kind);

    Module1 &m_state;
    Dialogs &m_dialogs;
    QString m_programDirectory;
};
