#pragma once

#include <QStringList>
#include <QTextStream>

// Each subcommand takes the arguments after its name and returns the exit code.
struct CliCommand
{
    const char *name;
    const char *usage;
    int (*run)(const QStringList &arguments);
};

int initDb(const QStringList &arguments);
int exportDgc(const QStringList &arguments);
int exportXml(const QStringList &arguments);
int exportXmltv(const QStringList &arguments);
int importXmltv(const QStringList &arguments);

// One line on standard error, prefixed with the program's name.
void complain(const QString &message);
