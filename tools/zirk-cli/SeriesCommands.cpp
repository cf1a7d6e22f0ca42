#include "Commands.h"
std::vector<Command> seriesCommands() { return {}; }
