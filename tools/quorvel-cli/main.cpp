#include "Commands.h"

#include <QCoreApplication>

#include <cstdio>
#include <iterator>

namespace {

const CliCommand commands[] = {
    {"init-db", "init-db PATH             create an empty Quorvel database", initDb},
    {"export-dgc",
     "export-dgc --db PATH --project ID --out FILE\n"
     "                           write the project's channel file (DGC)",
     exportDgc},
    {"export-xml",
     "export-xml --db PATH --project ID --out FILE\n"
     "                           write the project's programme listing (XML)",
     exportXml},
    {"export-xmltv",
     "export-xmltv --db PATH --project ID --out FILE [--tz ZONE]\n"
     "                           write the project as an XMLTV guide; exits 3 when\n"
     "                           programmes were left out, one line each",
     exportXmltv},
    {"import-xmltv",
     "import-xmltv --db PATH --project ID --in FILE\n"
     "                           bring an XMLTV guide into the project, all or nothing",
     importXmltv},
};

int usage()
{
    QTextStream err(stderr);
    err << "usage: quorvel-cli COMMAND [ARGUMENTS]\n\ncommands:\n";
    for (const CliCommand &command : commands)
        err << "  " << command.usage << '\n';
    return 2;
}

} // namespace

void complain(const QString &message)
{
    QTextStream(stderr) << "quorvel-cli: " << message << '\n';
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    if (arguments.isEmpty())
        return usage();
    const QString name = arguments.takeFirst();
    for (const CliCommand &command : commands) {
        if (name == QLatin1String(command.name))
            return command.run(arguments);
    }
    complain(QStringLiteral("unknown command '%1'").arg(name));
    return usage();
}
