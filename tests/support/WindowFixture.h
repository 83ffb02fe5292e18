#pragma once

#include "app/Navigator.h"
#include "store/Module1.h"
#include "support/ScriptedDialogs.h"
#include "support/TestDatabase.h"
#include "widgets/AppWindow.h"
#include "widgets/EntryList.h"

#include <QApplication>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

// A program over a fresh database: state, scripted dialogs and navigation,
// with the database file where the program would look for it, and settings
// of its own, apart from the user's (which may name a server to open).
struct WindowFixture
{
    QTemporaryDir settings;
    TestDatabase db;
    Module1 state;
    ScriptedDialogs dialogs;
    Navigator navigator{state, dialogs, db.directory()};

    WindowFixture()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
        state.connectionString = db.path();
        // The user's own database, where the program looks when there is
        // none beside it, lies in the test's folder too.
        qputenv("XDG_DATA_HOME", (db.directory() + QStringLiteral("/data")).toLocal8Bit());
    }
    ~WindowFixture() { closeAll(); }

    // The one main window on screen, or nothing when there is none or several.
    static AppWindow *openWindow()
    {
        AppWindow *found = nullptr;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *window = qobject_cast<AppWindow *>(widget);
            if (!window || !window->isVisible())
                continue;
            if (found)
                return nullptr;
            found = window;
        }
        return found;
    }

    static int visibleWindowCount()
    {
        int count = 0;
        for (QWidget *widget : QApplication::topLevelWidgets())
            count += widget->isVisible() && !widget->inherits("QMenu") ? 1 : 0;
        return count;
    }

    static void closeAll()
    {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (qobject_cast<AppWindow *>(widget))
                widget->close();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        qDeleteAll(standIns());
        standIns().clear();
    }

    static QList<QObject *> &standIns()
    {
        static QList<QObject *> made;
        return made;
    }

    // The control of that name; a missing one fails the running test, which
    // then goes on with a stand-in instead of crashing the whole executable.
    template<typename T = QPushButton> static T *control(QWidget *window, const char *name)
    {
        if (T *found = window ? window->findChild<T *>(QLatin1String(name)) : nullptr)
            return found;
        const QByteArray where =
            window ? " in " + window->objectName().toUtf8() : QByteArray(" (no window is open)");
        QTest::qFail(QByteArray("No control named " + QByteArray(name) + where).constData(),
                     __FILE__, __LINE__);
        auto *standIn = new T;
        standIns().append(standIn);
        return standIn;
    }

    static void click(QWidget *window, const char *name)
    {
        QTest::mouseClick(control(window, name), Qt::LeftButton);
    }

    static void clickEntry(EntryList *list, int row)
    {
        const QRect rect = list->visualRect(list->model()->index(row, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    }

    static void doubleClickEntry(EntryList *list, int row)
    {
        const QRect rect = list->visualRect(list->model()->index(row, 0));
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    }

    static QStringList texts(const EntryList *list)
    {
        QStringList result;
        for (const ListEntry &entry : list->entries())
            result << entry.text;
        return result;
    }
};
