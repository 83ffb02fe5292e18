// The schedule window's menus, and the commands they run on the table and
// the Guide.

#include "schedule/ScheduleWindow.h"

#include "grid/GridTab.h"
#include "programmes/Programmes.h"
#include "schedule/RepeatDialog.h"
#include "schedule/Spreadsheet.h"
#include "widgets/Dialogs.h"

#include <QApplication>
#include <QBoxLayout>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTableView>
#include <QUndoStack>

using schedule::Programme;

void ScheduleWindow::exportGuideImage()
{
    showGuideForOutput();
    m_grid->exportImage();
}

void ScheduleWindow::printGuide()
{
    showGuideForOutput();
    m_grid->print();
}

void ScheduleWindow::showGuideForOutput()
{
    // What is written is the day the Guide shows: from the table it is
    // shown first, at the table's day; a Guide already shown keeps the day
    // the user moved it to.
    if (m_tabs->currentWidget() != m_grid)
        showGuide();
}

void ScheduleWindow::buildMenus(QVBoxLayout *layout)
{
    auto *bar = new QMenuBar(this);
    bar->setObjectName(QStringLiteral("menuBar"));

    QMenu *file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("fileMenu"));
    QAction *close = file->addAction(QStringLiteral("&Close Schedule"));
    close->setObjectName(QStringLiteral("closeSchedule"));
    close->setShortcut(QKeySequence::Close);
    connect(close, &QAction::triggered, this, &ScheduleWindow::goBack);
    file->insertSeparator(close);
    QAction *exportImage = new QAction(QStringLiteral("&Export Guide Image..."), file);
    exportImage->setObjectName(QStringLiteral("exportGuideImage"));
    connect(exportImage, &QAction::triggered, this, &ScheduleWindow::exportGuideImage);
    QAction *print = new QAction(QStringLiteral("&Print Guide..."), file);
    print->setObjectName(QStringLiteral("printGuide"));
    print->setShortcut(QKeySequence::Print);
    addAction(print);
    connect(print, &QAction::triggered, this, &ScheduleWindow::printGuide);
    file->insertActions(file->actions().constFirst(), {exportImage, print});

    QMenu *edit = bar->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("editMenu"));
    QAction *undo = m_undo->createUndoAction(this, QStringLiteral("&Undo"));
    undo->setObjectName(QStringLiteral("undoAction"));
    undo->setShortcut(QKeySequence::Undo);
    QAction *redo = m_undo->createRedoAction(this, QStringLiteral("&Redo"));
    redo->setObjectName(QStringLiteral("redoAction"));
    redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    edit->addAction(undo);
    edit->addAction(redo);
    addAction(undo);
    addAction(redo);
    edit->addSeparator();

    auto tableAction = [&](const QString &name, const QString &caption, QKeySequence key,
                           void (ScheduleWindow::*slot)()) {
        QAction *action = edit->addAction(caption);
        action->setObjectName(name);
        action->setShortcut(key);
        // Only while the table has the focus: in the channel list or a cell
        // editor the keys keep their usual meaning.
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        m_table->addAction(action);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    m_copy = tableAction(QStringLiteral("copyAction"), QStringLiteral("&Copy"), QKeySequence::Copy,
                         &ScheduleWindow::copyProgrammes);
    m_paste = tableAction(QStringLiteral("pasteAction"), QStringLiteral("&Paste"),
                          QKeySequence::Paste, &ScheduleWindow::pasteProgrammes);
    edit->addSeparator();
    m_insert = tableAction(QStringLiteral("insertAction"), QStringLiteral("&Insert Programme"),
                           QKeySequence(Qt::Key_Insert), &ScheduleWindow::insertProgramme);
    m_insertMoving = tableAction(
        QStringLiteral("insertMovingAction"), QStringLiteral("Insert and &Move Later Programmes"),
        QKeySequence(Qt::SHIFT | Qt::Key_Insert), &ScheduleWindow::insertMovingLater);
    m_delete = tableAction(QStringLiteral("deleteAction"), QStringLiteral("&Delete Programmes"),
                           QKeySequence::Delete, &ScheduleWindow::deleteProgrammes);
    edit->addSeparator();
    m_repeat = edit->addAction(QStringLiteral("&Repeat..."));
    m_repeat->setObjectName(QStringLiteral("repeatAction"));
    m_repeat->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    addAction(m_repeat);
    connect(m_repeat, &QAction::triggered, this, &ScheduleWindow::repeatProgrammes);
    edit->addSeparator();
    QAction *next = edit->addAction(QStringLiteral("&Next Problem"));
    next->setObjectName(QStringLiteral("nextProblem"));
    next->setShortcut(QKeySequence(Qt::Key_F8));
    addAction(next);
    connect(next, &QAction::triggered, this, [this] { nextProblem(true); });
    QAction *previous = edit->addAction(QStringLiteral("Pre&vious Problem"));
    previous->setObjectName(QStringLiteral("previousProblem"));
    previous->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F8));
    addAction(previous);
    connect(previous, &QAction::triggered, this, [this] { nextProblem(false); });

    layout->setMenuBar(bar);
}

void ScheduleWindow::addRows(QList<Programme> rows, const QString &text)
{
    if (m_channelID == 0 || rows.isEmpty())
        return;
    m_undo->push(new RowsStep(*this, m_channelID, RowsStep::Kind::Add, std::move(rows), text));
}

void ScheduleWindow::insertProgramme()
{
    insert(false);
}

void ScheduleWindow::insertMovingLater()
{
    insert(true);
}

void ScheduleWindow::insert(bool makingRoom)
{
    // Insert while a cell is being typed into would read the table again
    // and lose what was typed.
    const QWidget *focus = QApplication::focusWidget();
    if (m_channelID == 0 || (focus && focus != m_table && m_table->isAncestorOf(focus)))
        return;
    const QList<int> rows = selectedRows();
    const QList<Programme> &all = m_model.programmes();
    const Programme next =
        all.isEmpty() ? schedule::firstProgramme(QDate::currentDate())
                      : schedule::followingProgramme(
                            all.at(rows.isEmpty() ? all.size() - 1 : rows.last()), m_model.zone());
    if (!makingRoom) {
        addRows({next}, QStringLiteral("Insert Programme"));
        return;
    }
    schedule::Room room = schedule::makeRoom(all, next, m_model.zone());
    m_undo->push(new RowsStep(*this, m_channelID, RowsStep::Kind::Add, {next},
                              QStringLiteral("Insert Programme and Move %1")
                                  .arg(schedule::programmesText(room.moves.size())),
                              std::move(room.moves), std::move(room.back)));
}

void ScheduleWindow::deleteProgrammes()
{
    const QList<Programme> selected = selectedProgrammes();
    if (selected.isEmpty())
        return;
    // Named, so that the question says which rows the selection holds.
    const auto named = [](const Programme &p) {
        const QString name = p.programmeName.trimmed().isEmpty()
                                 ? programmes::unnamedProgrammeText()
                                 : p.programmeName;
        return QStringLiteral("\u201C%1\u201D (%2 %3)").arg(name, p.startDate, p.startTime);
    };
    const QString question =
        selected.size() == 1
            ? QStringLiteral("Are you sure you want to delete %1?").arg(named(selected.first()))
            : QStringLiteral("Are you sure you want to delete the %1 selected programmes, from "
                             "%2 to %3?")
                  .arg(selected.size())
                  .arg(named(selected.first()), named(selected.last()));
    if (!dialogs().confirm(this, question, windowTitle(), Dialogs::Icon::Question))
        return;
    m_undo->push(
        new RowsStep(*this, m_channelID, RowsStep::Kind::Remove, selected,
                     QStringLiteral("Delete %1").arg(schedule::programmesText(selected.size()))));
}

void ScheduleWindow::copyProgrammes()
{
    const QList<Programme> selected = selectedProgrammes();
    if (!selected.isEmpty())
        QGuiApplication::clipboard()->setText(schedule::toSpreadsheet(selected, m_model.zone()));
}

void ScheduleWindow::pasteProgrammes()
{
    if (m_channelID == 0)
        return;
    schedule::Pasted pasted =
        schedule::fromSpreadsheet(QGuiApplication::clipboard()->text(), m_model.zone());
    if (!pasted.error.isEmpty()) {
        dialogs().showError(this, QStringLiteral("Nothing was pasted.\n\n%1").arg(pasted.error),
                            windowTitle());
        return;
    }
    const qsizetype count = pasted.programmes.size();
    addRows(std::move(pasted.programmes),
            QStringLiteral("Paste %1").arg(schedule::programmesText(count)));
}

void ScheduleWindow::repeatProgrammes()
{
    const QList<Programme> selected = selectedProgrammes();
    if (selected.isEmpty())
        return;
    auto *dialog = new RepeatDialog(selected, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        schedule::Repeated repeated = dialog->copies();
        const qsizetype count = repeated.copies.size();
        addRows(std::move(repeated.copies),
                QStringLiteral("Repeat: add %1").arg(schedule::programmesText(count)));
    });
    dialog->open();
}

void ScheduleWindow::nextProblem(bool forward)
{
    const int count = m_model.rowCount();
    if (count == 0)
        return;
    // The view makes the first row current when it takes the focus; until
    // the user picks a row, F8 starts from the top and Shift+F8 from the bottom.
    const bool picked =
        m_table->currentIndex().isValid() && m_table->selectionModel()->hasSelection();
    const int from = picked ? m_table->currentIndex().row() : (forward ? count - 1 : 0);
    for (int step = 1; step <= count; ++step) {
        const int row = ((forward ? from + step : from - step) % count + count) % count;
        if (m_model.problems(row)) {
            const QModelIndex index = m_model.index(row, qMax(0, m_table->currentIndex().column()));
            m_table->setCurrentIndex(index);
            m_table->scrollTo(index);
            m_table->setFocus();
            m_status->showMessage(index.data(Qt::ToolTipRole).toString().replace(u'\n', u' '),
                                  8000);
            return;
        }
    }
    m_status->showMessage(QStringLiteral("No problems"), 4000);
}
