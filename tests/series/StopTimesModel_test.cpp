#include "series/StopTimesModel.h"

#include "QtPrinters.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <limits>

// A stored value that is no number (a NaN read from a project) shows as the
// statistics show no result, never "nan" or "inf".
TEST(StopTimesModel, ValuesThatAreNoNumberShowAsNoNumber)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const std::vector<double> series = {7.26, std::numeric_limits<double>::quiet_NaN(),
                                        -std::numeric_limits<double>::quiet_NaN(),
                                        std::numeric_limits<double>::infinity()};
    StopTimesModel model(series);
    const QString shown[] = {QStringLiteral("  7.3"), QStringLiteral("   --"), QStringLiteral("   --"),
                             QStringLiteral("   --")};
    ASSERT_EQ(model.rowCount(), 4);
    for (int row = 0; row < 4; ++row)
        EXPECT_EQ(model.index(row, 1).data().toString(), shown[row]) << row;
    QLocale::setDefault(QLocale::c());
}
