#include "device/DeviceInfo.h"

#include <limits>

quint64 roundedQuotient(quint64 dividend, quint64 divisor)
{
    quint64 q = dividend / divisor;
    const quint64 r = dividend % divisor;
    // Ties go to the even neighbour.  r < divisor, so 2r cannot wrap for the
    // divisors used here (at most 32 bits).
    const quint64 twice = r * 2;
    if (twice > divisor || (twice == divisor && (q & 1u)))
        ++q;
    return q;
}

quint32 calibrateCount(quint32 count, quint32 multiplier, quint32 divisor)
{
    if (multiplier == 0 || divisor == 0)
        return count;
    const quint64 q = roundedQuotient(quint64(count) * quint64(multiplier), divisor);
    if (q > std::numeric_limits<quint32>::max())
        return std::numeric_limits<quint32>::max();
    return static_cast<quint32>(q);
}

double countToMs(quint32 count)
{
    return double(quint64(count) * 8u) / 10000.0;
}
