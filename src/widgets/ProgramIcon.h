#pragma once

#include <QIcon>

// The program's icon, shown by every window.
QIcon programIcon();
