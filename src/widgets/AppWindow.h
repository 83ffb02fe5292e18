#pragma once

#include "store/ListEntry.h"
#include "store/Result.h"

#include <QWidget>

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

protected:
    Navigation &navigator() const { return m_navigator; }
    Module1 &state() const;
    Dialogs &dialogs() const;
    // Tells the user that a store command failed; the window stays usable.
    void showFailure(const store::Failure &failure);
    // Fills `list` with what the store gave; when it failed, the list is left
    // empty and the user is told why.
    void fillList(EntryList *list, store::Result<ListEntries> listed);

private:
    Navigation &m_navigator;
};

// The window font most windows set; the project window keeps the platform's.
QFont tahoma(qreal pointSize, bool bold = false);
