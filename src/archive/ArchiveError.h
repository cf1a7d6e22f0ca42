#pragma once

#include "base/ErrorHandling.h"

// An archive that cannot be reached, is not ours, or refused a write.  The
// message is one line that names the archive.
class ArchiveError : public ZirkError
{
public:
    using ZirkError::ZirkError;
};
