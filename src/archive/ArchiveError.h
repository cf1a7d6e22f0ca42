#pragma once

#include "base/ErrorHandling.h"

// An archive that cannot be reached, is not ours, or refused a write.  The
// message is one line that names the archive.
class ArchiveError : public ZirkError
{
public:
    // unreachable: the archive did not answer (no connection, a time-out),
    // so the same write may well succeed later; otherwise it refused.
    explicit ArchiveError(const QString &message, bool unreachable = false)
        : ZirkError(message), m_unreachable(unreachable) {}
    bool unreachable() const { return m_unreachable; }

private:
    bool m_unreachable = false;
};
