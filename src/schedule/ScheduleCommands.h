#pragma once

#include "schedule/Schedule.h"
#include "store/Result.h"

#include <QList>
#include <QUndoCommand>

// What an undo step needs of the window that made it.
class ScheduleView
{
public:
    virtual ~ScheduleView() = default;
    virtual QString databasePath() const = 0;
    // The store changed: show the channel afresh with these programmes selected.
    virtual void showChange(qint32 channelID, const QList<qint32> &selected) = 0;
    // One cell of the programme now holds text.
    virtual void showEdit(qint32 channelID, qint32 programmeID, int column,
                          const QString &text) = 0;
    // A step could not be stored; the store rolled it back.
    virtual void showStepFailure(const store::Failure &failure) = 0;
};

// One cell's text. Undo writes back what the column held, no value included.
// Each way the step expects the programme as it left it: a programme that
// someone else changed in between is not written over, and the step is
// dropped.
class EditStep final : public QUndoCommand
{
public:
    // `shown` is the programme as the table showed it before the edit.
    EditStep(ScheduleView &view, qint32 channelID, schedule::Programme shown, int column,
             QString oldText, QString newText);
    void redo() override;
    void undo() override;

private:
    void write(const QString &expected, const QString &text);

    ScheduleView &m_view;
    qint32 m_channelID;
    schedule::Programme m_shown;
    int m_column;
    QString m_old;
    QString m_new;
};

// Programmes added (insert, paste, repeat) or removed (delete), and the
// opposite on undo. Removing expects the programmes as the table showed
// them, or as the step added them: one that someone else changed in
// between is not removed. Rows keep their identifiers across undo and redo: a
// removed row comes back under its own identifier, and an undone addition
// is added again under the identifiers it had, as long as no other row holds
// them by then.
class RowsStep final : public QUndoCommand
{
public:
    enum class Kind
    {
        Add,
        Remove
    };

    // `moves` are made with the addition, `back` with its undoing.
    RowsStep(ScheduleView &view, qint32 channelID, Kind kind, QList<schedule::Programme> rows,
             const QString &text, QList<schedule::Move> moves = {},
             QList<schedule::Move> back = {});
    void redo() override;
    void undo() override;

    const QList<schedule::Programme> &rows() const { return m_rows; }

private:
    void add();
    void remove();

    ScheduleView &m_view;
    qint32 m_channelID;
    Kind m_kind;
    QList<schedule::Programme> m_rows;
    QList<schedule::Move> m_moves;
    QList<schedule::Move> m_back;
};
