#include "schedule/RepeatDialog.h"

#include <QBoxLayout>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include <algorithm>

using schedule::Programme;

namespace {

QRadioButton *radio(const QString &name, const QString &caption, QWidget *parent)
{
    auto *button = new QRadioButton(caption, parent);
    button->setObjectName(name);
    return button;
}

// The last repeat asked for in this run of the program, offered again: a
// week is built a day at a time with the same repeat.
schedule::RepeatPlan &lastPlan()
{
    static schedule::RepeatPlan last;
    return last;
}

} // namespace

RepeatDialog::RepeatDialog(QList<Programme> selected, QWidget *parent)
    : QDialog(parent), m_selected(std::move(selected))
{
    setObjectName(QStringLiteral("repeatDialog"));
    setWindowTitle(QStringLiteral("Repeat Programmes"));

    auto *every = new QGroupBox(QStringLiteral("Repeat"), this);
    m_everyDay = radio(QStringLiteral("everyDay"), QStringLiteral("Every &day"), every);
    m_everyWeekday = radio(QStringLiteral("everyWeekday"),
                           QStringLiteral("Every &weekday (Monday to Friday)"), every);
    m_everyWeek = radio(QStringLiteral("everyWeek"), QStringLiteral("Every wee&k"), every);
    const schedule::RepeatPlan &last = lastPlan();
    QRadioButton *checked = last.every == schedule::Every::Day       ? m_everyDay
                            : last.every == schedule::Every::Weekday ? m_everyWeekday
                                                                     : m_everyWeek;
    checked->setChecked(true);
    // The keyboard starts on the choice that is checked.
    checked->setFocus();
    auto *everyLayout = new QVBoxLayout(every);
    everyLayout->addWidget(m_everyDay);
    everyLayout->addWidget(m_everyWeekday);
    everyLayout->addWidget(m_everyWeek);

    auto *end = new QGroupBox(QStringLiteral("Until"), this);
    m_timesChosen = radio(QStringLiteral("timesChosen"), QStringLiteral("&Number of times:"), end);
    m_times = new QSpinBox(end);
    m_times->setObjectName(QStringLiteral("repeatTimes"));
    m_times->setRange(1, schedule::maximumRepeats);
    m_times->setAccessibleName(QStringLiteral("Number of times"));
    m_untilChosen = radio(QStringLiteral("untilChosen"), QStringLiteral("&Last date:"), end);
    m_until = new QDateEdit(end);
    m_until->setObjectName(QStringLiteral("untilDate"));
    m_until->setCalendarPopup(true);
    m_until->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    m_until->setAccessibleName(QStringLiteral("Last date"));
    const QDate latest = schedule::latestDate(m_selected);
    m_until->setDate(latest.isValid() ? latest.addDays(7) : QDate::currentDate());
    m_times->setValue(std::max(last.times, 1));
    (last.until ? m_untilChosen : m_timesChosen)->setChecked(true);
    auto *endLayout = new QFormLayout(end);
    endLayout->addRow(m_timesChosen, m_times);
    endLayout->addRow(m_untilChosen, m_until);

    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("repeatCount"));
    m_count->setWordWrap(true);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("repeatButtons"));
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setObjectName(QStringLiteral("repeatOk"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("repeatCancel"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(every);
    layout->addWidget(end);
    layout->addWidget(m_count);
    layout->addWidget(buttons);

    for (QRadioButton *button :
         {m_everyDay, m_everyWeekday, m_everyWeek, m_timesChosen, m_untilChosen})
        connect(button, &QRadioButton::toggled, this, &RepeatDialog::updateCount);
    connect(m_times, &QSpinBox::valueChanged, this, [this] {
        m_timesChosen->setChecked(true);
        updateCount();
    });
    connect(m_until, &QDateEdit::dateChanged, this, [this] {
        m_untilChosen->setChecked(true);
        updateCount();
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(this, &QDialog::accepted, this, [this] { lastPlan() = plan(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    updateCount();
}

schedule::RepeatPlan RepeatDialog::plan() const
{
    schedule::RepeatPlan plan;
    plan.every = m_everyDay->isChecked()       ? schedule::Every::Day
                 : m_everyWeekday->isChecked() ? schedule::Every::Weekday
                                               : schedule::Every::Week;
    if (m_untilChosen->isChecked())
        plan.until = m_until->date();
    else
        plan.times = m_times->value();
    return plan;
}

schedule::Repeated RepeatDialog::copies() const
{
    return schedule::repeatProgrammes(m_selected, plan());
}

void RepeatDialog::updateCount()
{
    const schedule::Repeated repeated = copies();
    if (!repeated.error.isEmpty())
        m_count->setText(repeated.error);
    else
        m_count->setText(
            QStringLiteral("Adds %1.").arg(schedule::programmesText(repeated.copies.size())));
    m_ok->setEnabled(repeated.error.isEmpty() && !repeated.copies.isEmpty());
}
