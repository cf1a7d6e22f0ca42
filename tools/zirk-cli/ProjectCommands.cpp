#include "Commands.h"
std::vector<Command> projectCommands() { return {}; }
