// What a window shows while the login may only read: its commands that
// change listings held disabled, the reason in their tooltips, and the
// caption saying so.

#include "widgets/AppWindow.h"

#include "store/Access.h"
#include "store/Module1.h"
#include "store/Server.h"

#include <QAbstractItemView>
#include <QAction>
#include <QDir>
#include <QEvent>
#include <QHash>
#include <QMenu>
#include <QPointer>

namespace {

const QString readOnlyMark = QStringLiteral(" (read-only)");

QString reason(const QString &database)
{
    if (store::isServerAddress(database))
        return QStringLiteral("Read only: your login on %1 may read and export, not change "
                              "listings.")
            .arg(store::serverName(database));
    return QStringLiteral("Read only: this user may not change the database file %1.")
        .arg(QDir::toNativeSeparators(database));
}

// Keeps each command it holds disabled whatever the window's own logic
// enables (a selection, a fill of the list), and remembers what that logic
// wants, so that the command is as the window wants it once released.
class ReadOnlyGuard final : public QObject
{
public:
    explicit ReadOnlyGuard(QObject *parent) : QObject(parent)
    {
        setObjectName(QStringLiteral("readOnlyGuard"));
    }

    void hold(QObject *command, const QString &why)
    {
        if (!m_held.contains(command)) {
            Held &held = m_held[command];
            held.object = command;
            if (auto *view = qobject_cast<QAbstractItemView *>(command)) {
                held.editTriggers = view->editTriggers();
            } else if (auto *widget = qobject_cast<QWidget *>(command)) {
                held.wanted = !widget->testAttribute(Qt::WA_ForceDisabled);
                widget->installEventFilter(this);
            } else if (auto *action = qobject_cast<QAction *>(command)) {
                held.wanted = action->isEnabled();
                connect(action, &QAction::enabledChanged, this,
                        [this, action](bool enabled) { wanted(action, enabled); });
                for (QObject *shown : action->associatedObjects()) {
                    if (auto *menu = qobject_cast<QMenu *>(shown))
                        menu->setToolTipsVisible(true);
                }
            }
            held.toolTip = property(command, "toolTip");
        }
        setProperty(command, "toolTip", why);
        if (auto *view = qobject_cast<QAbstractItemView *>(command))
            view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        else
            setEnabled(command, false);
    }

    void releaseAll()
    {
        const auto held = std::exchange(m_held, {});
        for (const Held &h : held) {
            if (!h.object)
                continue;
            h.object->removeEventFilter(this);
            disconnect(h.object, nullptr, this, nullptr);
            setProperty(h.object, "toolTip", h.toolTip);
            if (auto *view = qobject_cast<QAbstractItemView *>(h.object.data()))
                view->setEditTriggers(h.editTriggers);
            else
                setEnabled(h.object, h.wanted);
        }
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::EnabledChange && !m_applying) {
            if (auto *widget = qobject_cast<QWidget *>(watched))
                wanted(widget, !widget->testAttribute(Qt::WA_ForceDisabled));
        }
        return QObject::eventFilter(watched, event);
    }

private:
    struct Held
    {
        QPointer<QObject> object;
        bool wanted = true;
        QString toolTip;
        QAbstractItemView::EditTriggers editTriggers;
    };

    void wanted(QObject *command, bool enabled)
    {
        if (m_applying)
            return;
        m_held[command].wanted = enabled;
        if (enabled)
            setEnabled(command, false);
    }

    void setEnabled(QObject *command, bool enabled)
    {
        m_applying = true;
        if (auto *widget = qobject_cast<QWidget *>(command))
            widget->setEnabled(enabled);
        else if (auto *action = qobject_cast<QAction *>(command))
            action->setEnabled(enabled);
        m_applying = false;
    }

    static QString property(QObject *command, const char *name)
    {
        return command->property(name).toString();
    }
    static void setProperty(QObject *command, const char *name, const QString &value)
    {
        command->setProperty(name, value);
    }

    QHash<QObject *, Held> m_held;
    bool m_applying = false;
};

} // namespace

void AppWindow::holdWhileReadOnly(const QList<QObject *> &writes)
{
    // Found by its name: without a meta-object of its own, findChild would
    // take any child for it.
    auto *guard = static_cast<ReadOnlyGuard *>(
        findChild<QObject *>(QStringLiteral("readOnlyGuard"), Qt::FindDirectChildrenOnly));
    if (!guard)
        guard = new ReadOnlyGuard(this);
    const bool readOnly = state().access == store::Access::Read;
    QString caption = windowTitle();
    if (caption.endsWith(readOnlyMark))
        caption.chop(readOnlyMark.size());
    if (!readOnly) {
        guard->releaseAll();
        setWindowTitle(caption);
        return;
    }
    const QString why = reason(state().connectionString);
    for (QObject *command : writes)
        guard->hold(command, why);
    // The file beside the program keeps every window's own caption.
    setWindowTitle(navigator().usesLocalDatabase() ? caption : caption + readOnlyMark);
}
