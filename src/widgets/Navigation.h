#pragma once

namespace store {
class ChangeWatcher;
struct Failure;
} // namespace store

class AppWindow;
class Dialogs;
class QString;
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
    // The schedule editor of the project in currentProjectID.
    Schedule,
};

// What a window may ask of navigation. Windows know only this; the one
// place that knows every window implements it (app/Navigator), so the
// features depend on navigation's interface and never on each other.
class Navigation
{
public:
    virtual ~Navigation() = default;

    virtual Module1 &state() const = 0;
    virtual Dialogs &dialogs() const = 0;
    // The directory the program runs from; the database file lies in it.
    virtual const QString &programDirectory() const = 0;
    // The database the program works on: the file in programDirectory,
    // unless another file or a server's database was chosen.
    virtual QString database() const = 0;
    // Whether that is the file in programDirectory.
    virtual bool usesLocalDatabase() const = 0;
    // Tells of changes others commit to the database the windows show, for
    // as long as the program works on it.
    virtual store::ChangeWatcher &changes() const = 0;
    // Works on a server's database from now on, and opens it at the next
    // start too; `address` may hold a password, which is never saved.
    virtual void useServer(const QString &address) = 0;
    // Works on the file in programDirectory from now on, and at the next start.
    virtual void useLocalDatabase() = 0;
    // Closes `from` and opens `next`, which has loaded by the time this returns.
    virtual AppWindow *moveTo(QWidget *from, WindowKind next) = 0;
    // The same, for a window whose row is gone: `gone` is told over the
    // window the move ends in. When next's own parent is gone too, next is
    // never shown and the move goes on up to the list that still exists.
    virtual AppWindow *moveBack(QWidget *from, WindowKind next, const store::Failure &gone) = 0;
    // Opens the About window modal over `owner` and returns once it is closed.
    virtual void showAbout(QWidget *owner) = 0;
    // Takes every window off the screen and ends the program.
    virtual void exitProgram() = 0;
};
