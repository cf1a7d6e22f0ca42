#include "device/DeviceInfo.h"

#include <limits>

quint32 calibrateCount(quint32 count, quint32 multiplier, quint32 divisor)
{
    if (multiplier == 0 || divisor == 0)
        return count;
    const quint64 product = quint64(count) * quint64(multiplier);
    quint64 q = product / divisor;
    const quint64 r = product % divisor;
    // Ties go to the even neighbour.
    const quint64 twice = r * 2;
    if (twice > divisor || (twice == divisor && (q & 1u)))
        ++q;
    if (q > std::numeric_limits<quint32>::max())
        return std::numeric_limits<quint32>::max();
    return static_cast<quint32>(q);
}

double countToMs(quint32 count)
{
    return double(quint64(count) * 8u) / 10000.0;
}
