#pragma once

#include "Commands.h"

#include <QString>

#include <vector>

// The bash completion of zirk-cli, written from the command descriptions
// that parse the command line, so that a new command or option completes as
// soon as it exists: command words, each command's options, the values of
// --kind, and file names by the extension a value or argument names
// ("OUT.pdf", "FILE.zPRJ").
QString bashCompletion(const std::vector<Command> &commands);
