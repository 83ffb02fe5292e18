#include "ExportTests.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Windows open and close all through the tests; none of them ends the run.
    QApplication::setQuitOnLastWindowClosed(false);
    int failed = 0;
    failed += runWindows1252Test(argc, argv);
    failed += runExportFilesTest(argc, argv);
    failed += runExportWindowsTest(argc, argv);
    return failed;
}
