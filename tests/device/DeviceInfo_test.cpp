#include "device/DeviceInfo.h"

#include <gtest/gtest.h>

TEST(CountConversion, CalibratesAndConvertsToMilliseconds)
{
    struct Case
    {
        const char *name;
        quint32 count, multiplier, divisor;
        quint32 calibrated;
        double ms;
    };
    const Case cases[] = {
        {"full range", 18750000, 1, 1, 18750000, 15000.0},
        {"multiplier 1001/1000", 1250000, 1001, 1000, 1251250, 1001.0},
        {"no factors: unchanged", 1250000, 0, 1000, 1250000, 1000.0},
        {"divisor zero: unchanged", 1250000, 5, 0, 1250000, 1000.0},
        {"10000 counts", 10000, 1, 1, 10000, 8.0},
        {"tie rounds down to even", 5, 1, 2, 2, 0.0016},
        {"tie rounds up to even", 7, 1, 2, 4, 0.0032},
        {"above half rounds up", 2, 2, 3, 1, 0.0008},
        {"large calibrated count needs 64 bits", 4000000000u, 16777215, 16777215, 4000000000u, 3200000.0},
        {"result beyond 32 bits saturates", 4000000000u, 2, 1, 4294967295u, 3435973.836},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const quint32 calibrated = calibrateCount(c.count, c.multiplier, c.divisor);
        EXPECT_EQ(calibrated, c.calibrated);
        EXPECT_NEAR(countToMs(calibrated), c.ms, 1e-9);
    }
}

TEST(CountConversion, CountTimesEightDoesNotWrap)
{
    // 536 870 912 * 8 is 2^32: formed in 32 bits it would read 0 ms.
    EXPECT_DOUBLE_EQ(countToMs(536870912u), 429496.7296);
    EXPECT_DOUBLE_EQ(countToMs(4294967295u), 3435973.836);
}
