#pragma once

#include "schedule/ScheduleCommands.h"
#include "schedule/ScheduleModel.h"
#include "schedule/ScheduleTimes.h"
#include "widgets/AppWindow.h"

class EntryList;
class GridTab;
class QTabWidget;
class QAction;
class QLabel;
class QSpinBox;
class QStatusBar;
class QTableView;
class QUndoStack;

// The schedule of the project's channels: one channel's programmes in a
// table that edits in place, with undo, spreadsheet copy and paste, repeats
// and checks. Every change is stored at once as one step of its undo history.
class ScheduleWindow final : public AppWindow, private ScheduleView
{
    Q_OBJECT

public:
    explicit ScheduleWindow(Navigation &navigator, QWidget *parent = nullptr);

    void load() override;

    QUndoStack *undoStack() const { return m_undo; }
    // The channel whose programmes the table shows, or 0.
    qint32 channelID() const { return m_channelID; }

    // The commands of the menus (ScheduleMenus.cpp).
    void insertProgramme();
    // Insert, and move the rest of the day later by the new programme's length.
    void insertMovingLater();
    void insert(bool makingRoom);
    // The window's size and the table's column widths, as the user last left them.
    void restoreLayout();
    void saveLayout();
    void deleteProgrammes();
    void copyProgrammes();
    void pasteProgrammes();
    void repeatProgrammes();
    // Moves to the next (or previous) row with a problem, round the end.
    void nextProblem(bool forward);

    // The Guide: one day of the whole project as a grid.
    GridTab *grid() const { return m_grid; }
    // Brings the Guide into view on the day of the table's row.
    void showGuide();
    // Writes the Guide's day as PNG, SVG or PDF; from the table, the Guide
    // is shown first.
    void exportGuideImage();
    // Opens the print preview of the Guide's day, shown first likewise.
    void printGuide();

protected:
    void closeEvent(QCloseEvent *event) override;
    // The channels again, the one shown kept while it is still there.
    void showAfresh(const store::Failure &gone) override;
    // The channel's programmes as stored now, the same ones selected.
    void showAsNow(const store::Failure &conflict) override;
    void refreshFromStore() override;
    bool isBusy() const override;
    NameReader parentNameReader() const override;

private:
    void showGuideForOutput();
    QString databasePath() const override;
    void showChange(qint32 channelID, const QList<qint32> &selected) override;
    void showEdit(qint32 channelID, qint32 programmeID, int column, const QString &text) override;
    void showStepFailure(const store::Failure &failure) override;

    // The File and Edit menus, made the menu bar of `layout` (ScheduleMenus.cpp).
    void buildMenus(class QVBoxLayout *layout);
    void fillChannels(qint32 shown);
    void showSelectedChannel();
    void showChannel(qint32 channelID, const QList<qint32> &selected);
    // Selects the table's rows of these programmes; the first of them, or
    // currentID's, becomes the current cell, in `column`.
    void selectProgrammes(const QList<qint32> &selected, qint32 currentID, int column);
    // What a refresh read: the project's channels and the programmes of the
    // channel shown when it began.
    void showRefreshed(store::Result<ListEntries> listed,
                       store::Result<QList<schedule::Programme>> loaded, qint32 channelID);
    void updateStatus();
    QList<int> selectedRows() const;
    QList<schedule::Programme> selectedProgrammes() const;
    void addRows(QList<schedule::Programme> rows, const QString &text);
    void goBack();
    // Reads the Guide's day again if the store changed and the Guide is in view.
    void refreshGuide();
    void selectProgramme(qint32 channelID, qint32 programmeID);
    void editProgramme(qint32 channelID, qint32 programmeID);
    void showTableSelection();

    ScheduleModel m_model;
    qint32 m_channelID = 0;
    bool m_leaving = false;
    EntryList *m_channels;
    QTableView *m_table;
    QUndoStack *m_undo;
    QStatusBar *m_status;
    QLabel *m_problemCount;
    QSpinBox *m_gapMinutes;
    QAction *m_insert;
    QAction *m_insertMoving;
    QAction *m_delete;
    QAction *m_copy;
    QAction *m_paste;
    QAction *m_repeat;
    QTabWidget *m_tabs;
    GridTab *m_grid;
    // The Guide has shown a day; later showings keep to it or the table's row.
    bool m_guideDayChosen = false;
};
