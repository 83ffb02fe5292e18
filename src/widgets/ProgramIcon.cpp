#include "widgets/ProgramIcon.h"

#include <QApplication>
#include <QStyle>

QIcon programIcon()
{
    // The PNG sizes rather than the SVG: Qt reads PNG by itself, but SVG
    // only through an image plugin that many installations lack.
    static const int sizes[] = {16, 32, 48, 64, 128, 256};
    QIcon own;
    for (const int size : sizes)
        own.addFile(QStringLiteral(":/quorvel/icons/%1x%1/quorvel.png").arg(size),
                    QSize(size, size));
    if (!own.pixmap(32, 32).isNull())
        return own;
    return QApplication::style()->standardIcon(QStyle::SP_DesktopIcon);
}
