#pragma once

// The export area's test classes, run one after the other by main.cpp.
int runWindows1252Test(int argc, char **argv);
int runExportFilesTest(int argc, char **argv);
int runExportWindowsTest(int argc, char **argv);
