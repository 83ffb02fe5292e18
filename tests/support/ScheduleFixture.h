#pragma once

#include "schedule/ScheduleWindow.h"
#include "support/WindowFixture.h"

#include <QAction>
#include <QTableView>

// A project with two channels, and its schedule window opened as the user
// opens it: the project selected, then Ctrl+E.
struct ScheduleFixture : WindowFixture
{
    qint32 project = db.addProject(QStringLiteral("Town Listings"));
    qint32 channel = db.addChannel(project, QStringLiteral("Town TV"), QStringLiteral("101"));
    qint32 other = db.addChannel(project, QStringLiteral("Town Radio"), QStringLiteral("7"));

    // Adds a "date|start|duration|name|category" programme; the category is News unless given.
    qint32 add(qint32 channelID, const QString &programme)
    {
        const QStringList v = programme.split(u'|');
        return qint32(db.exec(QStringLiteral("INSERT INTO ProgrammeData (channelID, startDate, "
                                             "startTime, duration, programmeName, category) "
                                             "VALUES (?, ?, ?, ?, ?, ?)"),
                              {channelID, v.value(0), v.value(1), v.value(2), v.value(3),
                               v.value(4, QStringLiteral("News"))}));
    }

    ScheduleWindow *open()
    {
        AppWindow *projects = navigator.start();
        clickEntry(control<EntryList>(projects, "projList"), 0);
        control<QAction>(projects, "openSchedule")->trigger();
        auto *window = qobject_cast<ScheduleWindow *>(openWindow());
        if (window) {
            window->activateWindow();
            if (!QTest::qWaitForWindowActive(window))
                qWarning("the schedule window never became active");
            table(window)->setFocus();
        }
        return window;
    }

    static QTableView *table(QWidget *w) { return control<QTableView>(w, "scheduleTable"); }
};
