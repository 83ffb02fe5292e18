#include "app/ProgramIcon.h"

#include <QApplication>
#include <QStyle>

QIcon programIcon()
{
    const QIcon own(QStringLiteral(":/quorvel/icons/quorvel.svg"));
    if (!own.availableSizes().isEmpty() || !own.pixmap(32, 32).isNull())
        return own;
    return QApplication::style()->standardIcon(QStyle::SP_DesktopIcon);
}
