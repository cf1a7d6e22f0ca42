#pragma once

#include "base/ManPage.h"

#include <vector>

// The environment variables and files that zirk and zirk-cli share, as both
// programs' --help and manual pages describe them.
std::vector<ManItem> sharedEnvironmentItems();
std::vector<ManItem> sharedFileItems();
