#include "widgets/AppWindow.h"

#include "store/ChangeWatcher.h"
#include "store/Gone.h"
#include "store/Module1.h"
#include "store/Result.h"
#include "store/Tables.h"
#include "widgets/BackgroundWork.h"
#include "widgets/Dialogs.h"
#include "widgets/EntryList.h"
#include "widgets/Navigation.h"

#include <QApplication>
#include <QFontDatabase>
#include <QThread>

AppWindow::AppWindow(Navigation &nav, QWidget *parent) : QWidget(parent), m_navigator(nav)
{
    setAttribute(Qt::WA_DeleteOnClose);
    m_refreshRetry.setSingleShot(true);
    m_refreshRetry.setInterval(250);
    connect(&m_refreshRetry, &QTimer::timeout, this, &AppWindow::refreshWhenFree);
    connect(&nav.changes(), &store::ChangeWatcher::changed, this, [this] {
        m_refreshWanted = true;
        refreshWhenFree();
    });
}

void AppWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (std::exchange(m_parentNameAsked, true))
        return;
    const NameReader read = parentNameReader();
    if (!read)
        return;
    // Apart from the opening, which a server far away would make slower.
    auto name = std::make_shared<QString>();
    QThread *thread = QThread::create([read, name] {
        if (const auto got = read())
            *name = got.value();
    });
    connect(thread, &QThread::finished, this, [this, name] { m_parentName = *name; });
    adoptWorker(thread);
    thread->start();
}

bool AppWindow::isBusy() const
{
    return QApplication::activeModalWidget() || QApplication::activePopupWidget();
}

void AppWindow::refreshWhenFree()
{
    if (!m_refreshWanted || m_reading)
        return;
    // A window that is not on screen reads everything afresh when it is
    // loaded; one that has closed needs nothing.
    if (!isVisible()) {
        m_refreshWanted = false;
        return;
    }
    if (isBusy()) {
        m_refreshRetry.start();
        return;
    }
    m_refreshWanted = false;
    refreshFromStore();
}

void AppWindow::readInBackground(std::function<std::function<void()>()> read)
{
    m_reading = true;
    auto show = std::make_shared<std::function<void()>>();
    QThread *thread = QThread::create([read = std::move(read), show] { *show = read(); });
    connect(thread, &QThread::finished, this, [this, show] {
        m_reading = false;
        if (isBusy())
            m_refreshWanted = true;
        else if (isVisible() && *show)
            (*show)();
        refreshWhenFree();
    });
    adoptWorker(thread);
    thread->start();
}

void AppWindow::refreshList(EntryList *list, std::function<store::Result<ListEntries>()> read,
                            const QString &parentTable, WindowKind up, std::function<void()> shown)
{
    readInBackground(
        [this, list, parentTable, up, shown, read = std::move(read)]() -> std::function<void()> {
            auto listed = std::make_shared<store::Result<ListEntries>>(read());
            return [this, list, listed, parentTable, up, shown] {
                if (*listed) {
                    list->refill(std::move(*listed).value());
                    shown();
                } else if (!parentTable.isEmpty() && listed->failure().gone == parentTable) {
                    leaveForDeleted(parentTable, up);
                }
            };
        });
}

void AppWindow::leaveIfDeleted(const QString &parentTable, qint64 id, WindowKind up)
{
    if (id == 0)
        return;
    readInBackground([this, path = state().connectionString, parentTable, id,
                      up]() -> std::function<void()> {
        const store::Status found =
            store::requireRow(path, QString(), parentTable, store::tables::keyOf(parentTable), id);
        if (found || !found.failure().isGone())
            return {};
        return [this, parentTable, up] {
            leaveForDeleted(parentTable, up);
        };
    });
}

void AppWindow::leaveForDeleted(const QString &parentTable, WindowKind up)
{
    store::Failure deleted;
    deleted.detail = store::deletedElsewhereText(parentTable, m_parentName);
    deleted.gone = parentTable;
    leaveForGone(deleted, up);
}

Module1 &AppWindow::state() const
{
    return m_navigator.state();
}

Dialogs &AppWindow::dialogs() const
{
    return m_navigator.dialogs();
}

void AppWindow::showFailure(const store::Failure &failure)
{
    if (!isVisible()) {
        carryFailure(failure);
        return;
    }
    if (failure.isConflict()) {
        const QString question =
            failure.text() + QStringLiteral("\n\nShow the %1 as it is now? Your change is then "
                                            "dropped.")
                                 .arg(store::rowKind(failure.changed));
        if (dialogs().confirm(this, question, QStringLiteral("Quorvel"), Dialogs::Icon::Warning))
            showAsNow(failure);
        return;
    }
    if (failure.isGone() && !m_goneToTell) {
        m_goneToTell = failure;
        showAfresh(failure);
        // Gone when the window left: the failure was told where the move ended.
        if (!std::exchange(m_goneToTell, std::nullopt))
            return;
    }
    tell(failure);
}

void AppWindow::tell(const store::Failure &failure)
{
    dialogs().showError(this, failure.text(), QStringLiteral("Quorvel"));
}

void AppWindow::showLoadFailure()
{
    // The window shows what the store holds: it has just been read.
    if (const auto failure = std::exchange(m_loadFailure, std::nullopt))
        tell(*failure);
}

void AppWindow::carryFailure(const store::Failure &failure)
{
    // The first failure of a load says it; later ones would repeat it.
    if (!m_loadFailure)
        m_loadFailure = failure;
}

void AppWindow::showAfresh(const store::Failure &)
{
    load();
}

void AppWindow::showAsNow(const store::Failure &)
{
    load();
}

void AppWindow::leaveForGone(const store::Failure &failure, WindowKind up)
{
    m_goneUp = up;
    if (!isVisible()) {
        carryFailure(failure);
        return;
    }
    // The command's own failure says what the user tried; a parent found
    // gone while showing afresh is seen in the list the move ends in.
    const store::Failure told = std::exchange(m_goneToTell, std::nullopt).value_or(failure);
    navigator().moveBack(this, up, told);
}

void AppWindow::fillList(EntryList *list, store::Result<ListEntries> listed,
                         std::optional<WindowKind> up)
{
    list->fill(listed ? std::move(listed).value() : ListEntries());
    if (listed)
        return;
    if (up && listed.failure().isGone())
        leaveForGone(listed.failure(), *up);
    else
        showFailure(listed.failure());
}

namespace {

// Debian's fonts-wine ships a Tahoma with the metrics of the original, which
// the windows' captions and button widths were made for. It lies outside the
// folders fontconfig searches, so the program loads it itself.
const char16_t *const wineTahomaFiles[] = {u"/usr/share/wine/fonts/tahoma.ttf",
                                           u"/usr/share/wine/fonts/tahomabd.ttf"};

bool tahomaAvailable()
{
    static const bool available = [] {
        const QString family = QStringLiteral("Tahoma");
        if (QFontDatabase::hasFamily(family))
            return true;
        for (const char16_t *file : wineTahomaFiles)
            QFontDatabase::addApplicationFont(QString::fromUtf16(file));
        return QFontDatabase::hasFamily(family);
    }();
    return available;
}

} // namespace

QFont tahoma(qreal pointSize, bool bold)
{
    // Without any Tahoma the platform's font is nearer to the design than
    // whatever a font matcher would take for the name.
    QFont font = tahomaAvailable() ? QFont(QStringLiteral("Tahoma")) : QApplication::font();
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}
