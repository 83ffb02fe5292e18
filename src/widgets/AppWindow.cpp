#include "widgets/AppWindow.h"

#include "widgets/Dialogs.h"
#include "widgets/EntryList.h"
#include "widgets/Navigation.h"
#include "store/Result.h"

#include <QApplication>

AppWindow::AppWindow(Navigation &nav, QWidget *parent) : QWidget(parent), m_navigator(nav)
{
    setAttribute(Qt::WA_DeleteOnClose);
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
    dialogs().showError(this, failure.text(), QStringLiteral("Quorvel"));
}

void AppWindow::fillList(EntryList *list, store::Result<ListEntries> listed)
{
    list->fill(listed ? std::move(listed).value() : ListEntries());
    if (!listed)
        showFailure(listed.failure());
}

QFont tahoma(qreal pointSize, bool bold)
{
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}
