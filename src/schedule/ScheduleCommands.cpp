#include "schedule/ScheduleCommands.h"

// A step that cannot be stored makes itself obsolete, so the stack drops it:
// the store was rolled back and still holds what it held before the step.

EditStep::EditStep(ScheduleView &view, qint32 channelID, schedule::Programme shown, int column,
                   QString oldText, QString newText)
    : m_view(view), m_channelID(channelID), m_shown(std::move(shown)), m_column(column),
      m_old(std::move(oldText)), m_new(std::move(newText))
{
    setText(QStringLiteral("Edit %1").arg(schedule::columnTitle(column)));
}

void EditStep::redo()
{
    write(m_old, m_new);
}

void EditStep::undo()
{
    write(m_new, m_old);
}

void EditStep::write(const QString &expected, const QString &text)
{
    schedule::Programme before = m_shown;
    schedule::setCellText(before, m_column, expected);
    if (auto done = schedule::changeValue(m_view.databasePath(), before, m_column, text); !done) {
        setObsolete(true);
        m_view.showStepFailure(done.failure());
        return;
    }
    m_view.showEdit(m_channelID, m_shown.programmeID, m_column, text);
}

RowsStep::RowsStep(ScheduleView &view, qint32 channelID, Kind kind, QList<schedule::Programme> rows,
                   const QString &text, QList<schedule::Move> moves, QList<schedule::Move> back)
    : m_view(view), m_channelID(channelID), m_kind(kind), m_rows(std::move(rows)),
      m_moves(std::move(moves)), m_back(std::move(back))
{
    setText(text);
}

void RowsStep::redo()
{
    if (m_kind == Kind::Add)
        add();
    else
        remove();
}

void RowsStep::undo()
{
    if (m_kind == Kind::Add)
        remove();
    else
        add();
}

void RowsStep::add()
{
    auto added = schedule::addProgrammes(m_view.databasePath(), m_channelID, m_rows, m_moves);
    if (!added) {
        setObsolete(true);
        m_view.showStepFailure(added.failure());
        return;
    }
    const QList<qint32> &given = added.value();
    for (qsizetype i = 0; i < m_rows.size(); ++i)
        m_rows[i].programmeID = given.at(i);
    m_view.showChange(m_channelID, given);
}

void RowsStep::remove()
{
    auto removed = schedule::removeProgrammes(m_view.databasePath(), m_rows, m_back);
    if (!removed) {
        setObsolete(true);
        m_view.showStepFailure(removed.failure());
        return;
    }
    // An undo puts back the rows as the store held them, what the guide
    // kept beside their columns too.
    m_rows = removed.value();
    m_view.showChange(m_channelID, {});
}
