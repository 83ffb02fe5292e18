#pragma once

#include "store/Result.h"

#include <QString>

#include <optional>

class Dialogs;
class QWidget;

// Connects to the database at the address once, as every command will,
// asking for a password when the server wants one it was not given. The
// address to work on from now on (with the password, which lives only in
// memory for this run), or nothing when the user cancelled the password
// prompt, or why the server refused. A refusal is not shown here: the
// caller says it, once.
store::Result<std::optional<QString>> logIn(Dialogs &dialogs, QWidget *parent,
                                            const QString &address);
