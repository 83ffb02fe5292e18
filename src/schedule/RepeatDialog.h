#pragma once

#include "schedule/ScheduleTimes.h"

#include <QDialog>

class QDateEdit;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;

// Asks how to repeat the selected programmes and shows how many it adds.
// It is opened without waiting (open(), not exec()), so the window goes on
// and a test can answer it like a user.
class RepeatDialog final : public QDialog
{
    Q_OBJECT

public:
    RepeatDialog(QList<schedule::Programme> selected, QWidget *parent);

    schedule::Repeated copies() const;

private:
    schedule::RepeatPlan plan() const;
    void updateCount();

    QList<schedule::Programme> m_selected;
    QRadioButton *m_everyDay;
    QRadioButton *m_everyWeekday;
    QRadioButton *m_everyWeek;
    QRadioButton *m_untilChosen;
    QRadioButton *m_timesChosen;
    QDateEdit *m_until;
    QSpinBox *m_times;
    QLabel *m_count;
    QPushButton *m_ok;
};
