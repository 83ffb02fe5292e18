#pragma once

#include <optional>

class Dialogs;
class QString;

// What the program answers on its command line before it needs a display:
// the exit code after --help or --version, nothing when it should start.
// The help is also the source of the quorvel(1) manual page.
std::optional<int> answerHelpOrVersion(int argc, char *argv[]);

// A first start finds no database anywhere: says where Quorvel will keep
// one and makes it there when the user agrees. Declined or failed, the
// project window then tells what is missing and how to make it.
void offerDatabase(Dialogs &dialogs, const QString &programDirectory);
