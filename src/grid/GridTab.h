#pragma once

#include "store/Result.h"

#include <QDate>
#include <QSet>
#include <QTimeZone>
#include <QWidget>

class Dialogs;
class GridView;
class QDateEdit;
class QSpinBox;
struct Module1;

// The schedule's Guide tab: one day of the whole project as a grid, with the
// day shown and how many hours fit across. It reads its day from the store
// itself; the window, which knows the table, says which day to show, when
// the store changed and what the table has selected, and hears which
// programme the user picks in the grid. It knows nothing of the table, so
// that src/grid needs nothing of src/schedule.
class GridTab final : public QWidget
{
    Q_OBJECT

public:
    // Blocks are placed on the clock of `zone`, the one the table reads typed starts on.
    GridTab(const Module1 &state, Dialogs &dialogs, const QTimeZone &zone, QWidget *parent);

    GridView *view() const { return m_view; }
    QDate day() const;
    // An invalid day is ignored.
    void setDay(QDate day);

    // The store changed: the next refresh() reads the day again.
    void markStale() { m_stale = true; }
    // Reads the day again when the store changed since it was last read,
    // and says whether it did.
    bool refresh();
    // The programmes selected in the table, outlined in the grid.
    void setSelected(const QSet<qint32> &programmeIDs);
    // Makes the programme's block current, when the day shows it.
    void setCurrentProgramme(qint32 programmeID);

    // Writes the day shown as PNG or SVG, asking for the file (and a PNG's width).
    void exportImage();
    // Opens the print preview of the day shown, without waiting for it.
    void print();

signals:
    // The user clicked a block or moved to it with the keyboard.
    void programmeChosen(qint32 channelID, qint32 programmeID);
    // Double-click or Enter: edit the programme.
    void programmeActivated(qint32 channelID, qint32 programmeID);
    // Another day is chosen; it is read once the tab is in view.
    void dayChanged();
    // The day could not be read; the grid shows it empty.
    void failed(const store::Failure &failure);
    // A note for the window's status bar, shown for `timeout` milliseconds.
    void message(const QString &text, int timeout);

private:
    // The project's name and the day, over a picture or a printout.
    QString heading() const;
    // A file name for the day shown: the project's name and the day.
    QString suggestedFileName(const QString &extension) const;

    const Module1 &m_state;
    Dialogs &m_dialogs;
    QTimeZone m_zone;
    QDateEdit *m_day;
    QSpinBox *m_hours;
    GridView *m_view;
    // The store changed since the grid last read its day.
    bool m_stale = true;
};
