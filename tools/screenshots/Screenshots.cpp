// Opens each window of the program over a prepared database and saves a
// picture of it, with a drawn title bar that shows the window's caption.
//
//     quorvel-screenshots DATABASE_DIRECTORY OUTPUT_DIRECTORY
//
// The windows are opened through the navigator just as the program opens
// them, so the pictures follow whatever the windows look like today.

#include "about/AboutWindow.h"
#include "app/Navigator.h"
#include "grid/GridTab.h"
#include "grid/GridView.h"
#include "schedule/ScheduleWindow.h"
#include "store/Module1.h"
#include "widgets/AppWindow.h"
#include "widgets/Dialogs.h"
#include "widgets/EntryList.h"
#include "widgets/ProgramIcon.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPainter>
#include <QScrollBar>
#include <QSpinBox>
#include <QTextStream>
#include <QThread>

#include <functional>

namespace {

// No window may wait for an answer here: every question is answered at once
// and written to the terminal instead.
class UnattendedDialogs final : public Dialogs
{
public:
    QString prompt(QWidget *, const QString &text, const QString &, const QString &) override
    {
        report(text);
        return QString();
    }
    QString password(QWidget *, const QString &text, const QString &) override
    {
        report(text);
        return QString();
    }
    std::optional<QString> serverAddress(QWidget *, const QString &) override
    {
        return std::nullopt;
    }
    bool confirm(QWidget *, const QString &text, const QString &, Icon) override
    {
        report(text);
        return false;
    }
    void inform(QWidget *, const QString &text, const QString &) override { report(text); }
    void showError(QWidget *, const QString &text, const QString &) override { report(text); }
    std::optional<QString> saveAs(QWidget *, FileKind, const QList<FileFilter> &, int,
                                  const QString &) override
    {
        return std::nullopt;
    }
    std::optional<QString> openFile(QWidget *, FileKind, const QList<FileFilter> &) override
    {
        return std::nullopt;
    }
    void openUrl(const QString &, const QString &) override {}

private:
    static void report(const QString &text)
    {
        QTextStream(stderr) << "quorvel-screenshots: a window asked: " << text << '\n';
    }
};

// Gives the display time to map the window and the window time to lay itself out.
void settle()
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 300) {
        QApplication::processEvents();
        QThread::msleep(20);
    }
}

// Without a window manager there is no frame; draw a plain one so that the
// picture shows the caption the user sees.
QImage framed(QWidget *window)
{
    const QPixmap content = window->grab();
    const int bar = 28;
    const qreal ratio = content.devicePixelRatio();
    const QSize size(int(content.width() / ratio) + 2, int(content.height() / ratio) + bar + 1);

    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(0x23, 0x32, 0x4d));
    QPainter painter(&image);
    painter.drawPixmap(QRect(1, bar, size.width() - 2, size.height() - bar - 1), content);
    const QIcon icon = window->windowIcon().isNull() ? programIcon() : window->windowIcon();
    painter.drawPixmap(7, (bar - 16) / 2, icon.pixmap(16, 16));
    QFont font = QApplication::font();
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(30, 0, size.width() - 60, bar), Qt::AlignVCenter | Qt::AlignLeft,
                     window->windowTitle());
    painter.drawText(QRect(size.width() - 26, 0, 20, bar), Qt::AlignCenter,
                     QStringLiteral("\u00D7"));
    return image;
}

bool save(QWidget *window, const QDir &output, const QString &name = QString())
{
    settle();
    const QString path =
        output.filePath((name.isEmpty() ? window->objectName() : name) + QStringLiteral(".png"));
    if (!framed(window).save(path)) {
        QTextStream(stderr) << "quorvel-screenshots: cannot write " << path << '\n';
        return false;
    }
    QTextStream(stdout) << path << '\n';
    return true;
}

// A list window is shown with its first entry selected, as after one click.
void selectFirstEntry(QWidget *window)
{
    if (auto *list = window->findChild<EntryList *>(); list && list->count() > 0)
        list->selectRow(0);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvel"));
    QApplication::setWindowIcon(programIcon());
    QApplication::setQuitOnLastWindowClosed(false);

    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 3) {
        QTextStream(stderr) << "usage: quorvel-screenshots DATABASE_DIRECTORY OUTPUT_DIRECTORY\n";
        return 2;
    }
    const QString databaseDirectory = arguments.at(1);
    const QDir output(arguments.at(2));
    if (!QDir().mkpath(output.path())) {
        QTextStream(stderr) << "quorvel-screenshots: cannot create " << output.path() << '\n';
        return 1;
    }

    Module1 state;
    UnattendedDialogs dialogs;
    Navigator navigator(state, dialogs, databaseDirectory);

    // Each window with the selection that leads to it in the sample data:
    // project 1, its channel 1 and that channel's programme 1.
    struct Step
    {
        WindowKind kind;
        std::function<void()> prepare;
        bool selectFirst;
    };
    const Step steps[] = {
        {WindowKind::ProjectSelection, [] {}, true},
        {WindowKind::ChannelSelection, [&] { state.currentProjectID = 1; }, true},
        {WindowKind::ChannelEditor, [&] { state.currentChannelID = 1; }, false},
        {WindowKind::ProgrammeSelection, [&] { state.currentChannelID = 1; }, true},
        {WindowKind::ProgrammeEditor,
         [&] {
             state.currentProgrammeID = 1;
             state.isDuplicate = false;
         },
         false},
        {WindowKind::ChannelDataExport, [&] { state.currentProjectID = 1; }, false},
        {WindowKind::Schedule, [&] { state.currentProjectID = 1; }, false},
    };

    bool allSaved = true;
    QWidget *current = nullptr;
    for (const Step &step : steps) {
        step.prepare();
        current = navigator.moveTo(current, step.kind);
        if (step.selectFirst)
            selectFirstEntry(current);
        allSaved = save(current, output) && allSaved;
    }

    // The schedule's Guide: the sample's one full day, the whole of it across.
    if (auto *schedule = qobject_cast<ScheduleWindow *>(current)) {
        schedule->resize(1240, 430);
        schedule->showGuide();
        schedule->grid()->setDay(QDate(2005, 3, 14));
        if (auto *hours = schedule->findChild<QSpinBox *>(QStringLiteral("guideHours")))
            hours->setValue(17);
        settle();
        // From six in the morning, where the sample's day begins.
        GridView *view = schedule->grid()->view();
        view->horizontalScrollBar()->setValue(
            int(view->picture().xOf(6 * 3600) - view->picture().metrics().channelWidth));
        allSaved = save(schedule, output, QStringLiteral("scheduleGuide")) && allSaved;
    }

    // The About window opens over a fresh project window, as from its picture;
    // shown modeless here, since a modal one would wait for a click.
    current = navigator.moveTo(current, WindowKind::ProjectSelection);
    {
        AboutWindow about(navigator, current);
        about.show();
        allSaved = save(&about, output) && allSaved;
    }
    current->close();
    settle();
    return allSaved ? 0 : 1;
}
