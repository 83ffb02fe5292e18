#pragma once

#include "store/ListEntry.h"
#include "store/Result.h"
#include "widgets/Navigation.h"

#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>
#include <utility>

class Dialogs;
class EntryList;
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
    // A failure an earlier window met, to be told over this one once it is
    // shown; the first failure told is the one the user sees.
    void carryFailure(const store::Failure &failure);
    std::optional<store::Failure> takeLoadFailure() { return std::exchange(m_loadFailure, {}); }
    // Where the window went, or is to go instead of being shown, because a
    // row it shows or lists under is gone (leaveForGone).
    std::optional<WindowKind> goneUp() const { return m_goneUp; }

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
    // A save over a row someone else changed (Failure::isConflict) says
    // what they changed and offers to show the row as it is now.
    // The one exception is a failure whose row another program deleted (or
    // the row the command adds under; Failure::isGone): then the list is
    // what is out of date, so the window first shows afresh what the store
    // holds (showAfresh) and tells the failure once, over that.
    void showFailure(const store::Failure &failure);
    // Shows what the store holds after `gone`: a list window fills its list
    // again (load()); an editor goes back to its list instead.
    virtual void showAfresh(const store::Failure &gone);
    // Shows what the store holds after `conflict`, when the user asked to
    // see it: a list window fills its list again (load()); an editor
    // reloads its boxes, dropping what was typed.
    virtual void showAsNow(const store::Failure &conflict);
    // Goes back to `up` because a row this window shows, or lists under, is
    // gone. The failure is told over the window the move ends in, once; a
    // window whose own parent turns out gone too moves on up without being
    // shown. Called while loading, the navigator makes the move.
    void leaveForGone(const store::Failure &failure, WindowKind up);
    // Fills `list` with what the store gave; when it failed, the list is left
    // empty and the user is told why. With `up`, a list whose parent is gone
    // leaves for that window instead.
    void fillList(EntryList *list, store::Result<ListEntries> listed,
                  std::optional<WindowKind> up = std::nullopt);
    // While the login may only read the database (Module1::access), holds
    // the commands that would change listings disabled, with the reason in
    // their tooltips, whatever the window's own logic enables meanwhile, and
    // says read-only in the caption; item views among them take no edits.
    // Called by every load, it lets them go again once the login may write.
    void holdWhileReadOnly(const QList<QObject *> &writes);

    // Someone else committed a change to the database: the window reads what
    // it shows again, keeping the user's selection, scroll position and any
    // edit. Called only while the window is shown and the user is in the
    // middle of nothing (isBusy); the editors keep their boxes as they are.
    virtual void refreshFromStore() {}
    // Whether a refresh must wait: a dialog or menu is open, by default.
    virtual bool isBusy() const;
    // Runs `read` on a thread of its own, then what it returns here, unless
    // the user began something meanwhile: then the refresh runs again once
    // that is over. A change told while a read runs is read once more after.
    // `read` must not touch the window: it runs beside it.
    void readInBackground(std::function<std::function<void()>()> read);
    // What reads the name of the row the window lists under (its project or
    // channel), or nothing for a window without one. It is read beside the
    // window when it is first shown: once deleted, it can no longer be read.
    using NameReader = std::function<store::Result<QString>()>;
    virtual NameReader parentNameReader() const { return {}; }
    // Reads `list` afresh with `read` in the background and shows it, its
    // selection and scroll position kept, then runs `shown`. When the row
    // of `parentTable` the window lists under was deleted by someone else,
    // the window says so and leaves for `up`. Any other failure is left for
    // the next command to tell: the refresh is none of the user's doing.
    void refreshList(EntryList *list, std::function<store::Result<ListEntries>()> read,
                     const QString &parentTable, WindowKind up, std::function<void()> shown);
    // The window's project or channel was deleted by someone else.
    void leaveForDeleted(const QString &parentTable, WindowKind up);
    // For a window that lists nothing (an editor): looks in the background
    // whether its row `id` of `parentTable` is still there, and leaves for
    // `up` with leaveForDeleted when not. What was typed cannot be saved
    // any more, so the window does not stay to let the user try.
    void leaveIfDeleted(const QString &parentTable, qint64 id, WindowKind up);

    void showEvent(QShowEvent *event) override;

private:
    void tell(const store::Failure &failure);
    void refreshWhenFree();

    // A refresh is owed: told of a change while busy or reading.
    bool m_refreshWanted = false;
    bool m_reading = false;
    QTimer m_refreshRetry;
    bool m_parentNameAsked = false;
    QString m_parentName;

    Navigation &m_navigator;
    // A failure met while loading, before the window was shown: a message
    // then would stand alone in a corner of the screen.
    std::optional<store::Failure> m_loadFailure;
    // The gone failure of the command being handled, until it is told.
    std::optional<store::Failure> m_goneToTell;
    std::optional<WindowKind> m_goneUp;
};

// The window font most windows set; the project window keeps the platform's.
// Tahoma where the system has it, else the copy of Debian's fonts-wine, else
// the platform's font at that size.
QFont tahoma(qreal pointSize, bool bold = false);
