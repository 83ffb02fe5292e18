#pragma once

#include "store/ListEntry.h"
#include "store/Result.h"

#include <QWidget>

#include <optional>

class Dialogs;
class EntryList;
class Navigation;
struct Module1;

// A main window of the program. It is created on opening, loads its contents
// from the store before it is shown, and is discarded when it closes.
class AppWindow : public QWidget
{
    Q_OBJECT

public:
    explicit AppWindow(Navigation &navigator, QWidget *parent = nullptr);

    // Reads the program-wide variables and fills the window from the store.
    virtual void load() = 0;
    // Tells the user what failed while loading, now that the window is on
    // screen for the message to stand over.
    void showLoadFailure();

protected:
    Navigation &navigator() const { return m_navigator; }
    Module1 &state() const;
    Dialogs &dialogs() const;
    // Tells the user that a store command failed; the window stays usable.
    // Every window follows one rule so that one click gives at most one
    // message: a command that fails shows its failure and stops, without
    // filling its list again. The store rolled the command back, so the list
    // still shows what the store holds, and a refill would only meet the same
    // failure and report it a second time.
    void showFailure(const store::Failure &failure);
    // Fills `list` with what the store gave; when it failed, the list is left
    // empty and the user is told why.
    void fillList(EntryList *list, store::Result<ListEntries> listed);

private:
    Navigation &m_navigator;
    // A failure met while loading, before the window was shown: a message
    // then would stand alone in a corner of the screen.
    std::optional<store::Failure> m_loadFailure;
};

// The window font most windows set; the project window keeps the platform's.
// Tahoma where the system has it, else the copy of Debian's fonts-wine, else
// the platform's font at that size.
QFont tahoma(qreal pointSize, bool bold = false);
