#pragma once

#include "safety/DistanceStandard.h"

#include <QString>

#include <optional>

// The standard a measurement's distance is computed by, the entries it
// reads besides the safety device, and where the device is actually
// mounted.  Kept with the measurement: the window, project files, the
// report, zirk-cli and the archive read it from there.
struct DistanceChoice : StandardEntries
{
    QString standardId; // as the registry names it; empty: the default standard

    // A choice of that standard with no entries.
    static DistanceChoice of(const QString &id)
    {
        DistanceChoice c;
        c.standardId = id;
        return c;
    }

    // The chosen standard; the default one for an empty id.  None for an id
    // no standard carries (a file of a newer program): no distance is
    // computed by a standard other than the one chosen.
    const DistanceStandard *standard() const
    {
        return standardId.isEmpty() ? &defaultDistanceStandard() : findDistanceStandard(standardId);
    }
    // The default standard with no entries and no installed distance: what
    // every measurement was before a choice existed.
    bool isPlain() const
    {
        DistanceChoice plain = *this;
        plain.standardId.clear();
        return standard() == &defaultDistanceStandard() && plain == DistanceChoice();
    }

    friend bool operator==(const DistanceChoice &, const DistanceChoice &) = default;
};
