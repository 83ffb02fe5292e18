#include "app/Navigator.h"

#include "about/AboutWindow.h"
#include "channels/AddEditChannel.h"
#include "channels/ChannelSelection.h"
#include "export/ChannelDataExport.h"
#include "programmes/AddEditProgramme.h"
#include "programmes/ProgrammeSelection.h"
#include "projects/ProjectSelection.h"
#include "schedule/ScheduleWindow.h"

#include <QApplication>
#include <QEventLoopLocker>

Navigator::Navigator(Module1 &state, Dialogs &dialogs, QString programDirectory)
    : m_state(state), m_dialogs(dialogs), m_programDirectory(std::move(programDirectory))
{
}

AppWindow *Navigator::start()
{
    return open(WindowKind::ProjectSelection);
}

AppWindow *Navigator::open(WindowKind kind, std::optional<store::Failure> told)
{
    AppWindow *window = nullptr;
    switch (kind) {
    case WindowKind::ProjectSelection:
        window = new ProjectSelection(*this);
        break;
    case WindowKind::ChannelSelection:
        window = new ChannelSelection(*this);
        break;
    case WindowKind::ChannelEditor:
        window = new AddEditChannel(*this);
        break;
    case WindowKind::ProgrammeSelection:
        window = new ProgrammeSelection(*this);
        break;
    case WindowKind::ProgrammeEditor:
        window = new AddEditProgramme(*this);
        break;
    case WindowKind::ChannelDataExport:
        window = new ChannelDataExport(*this);
        break;
    case WindowKind::Schedule:
        window = new ScheduleWindow(*this);
        break;
    }
    if (told)
        window->carryFailure(*told);
    window->load();
    // Its parent is gone: rather than an empty window, the list above it,
    // where the failure is told.
    if (const auto up = window->goneUp()) {
        told = window->takeLoadFailure();
        delete window;
        return open(*up, std::move(told));
    }
    window->show();
    window->showLoadFailure();
    return window;
}

AppWindow *Navigator::moveTo(QWidget *from, WindowKind next)
{
    return move(from, next, std::nullopt);
}

AppWindow *Navigator::moveBack(QWidget *from, WindowKind next, const store::Failure &gone)
{
    return move(from, next, gone);
}

AppWindow *Navigator::move(QWidget *from, WindowKind next, std::optional<store::Failure> told)
{
    // For a moment no window is open; without this lock Qt would take the
    // closing of the last window as the end of the program.
    const QEventLoopLocker keepRunning;
    if (from)
        from->close();
    return open(next, std::move(told));
}

void Navigator::showAbout(QWidget *owner)
{
    AboutWindow about(*this, owner);
    about.exec();
}

void Navigator::exitProgram()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window->isVisible())
            window->close();
    }
    QCoreApplication::quit();
}
