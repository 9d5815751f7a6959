#include "core/measure/values.hpp"

#include <gtest/gtest.h>

namespace kvx {
namespace {

TEST(UnitsTest, DivisorsNamesAndDecimals) {
    EXPECT_DOUBLE_EQ(UnitDivisor(2500000.0, kPolygon, kUnitCentimetre), 0.025);
    EXPECT_DOUBLE_EQ(UnitDivisor(2500.0, kTwoPointLine, kUnitCentimetre), 0.25);
    EXPECT_DOUBLE_EQ(UnitDivisor(2500000.0, kPolygon, kUnitMillimetre), 2.5);
    EXPECT_DOUBLE_EQ(UnitDivisor(2500.0, kTwoPointLine, kUnitMillimetre), 2.5);
    EXPECT_DOUBLE_EQ(UnitDivisor(2500.0, kTwoPointLine, kUnitMicrometre), 2500.0);
    EXPECT_DOUBLE_EQ(UnitDivisor(2500.0, kCount, kUnitCentimetre), 2500.0);
    EXPECT_DOUBLE_EQ(UnitDivisor(2500.0, kText, kUnitMillimetre), 2500.0);
    EXPECT_DOUBLE_EQ(UnitDivisor(2500.0, kTwoPointLine, 7), 2500.0);

    EXPECT_EQ(UnitName(kPolygon, kUnitMicrometre), "\xB5m");
    EXPECT_EQ(UnitName(kTwoPointLine, kUnitMillimetre), "mm");
    EXPECT_EQ(UnitName(kPolygon, kUnitCentimetre), "cm");
    EXPECT_EQ(UnitName(kText, kUnitMillimetre), "");
    EXPECT_EQ(UnitName(kCount, kUnitMillimetre), "");
    EXPECT_EQ(UnitName(kTwoPointLine, -1), "\xB5m");

    EXPECT_EQ(DecimalsFor(kText), 0);
    EXPECT_EQ(DecimalsFor(kCount), 0);
    EXPECT_EQ(DecimalsFor(kPolygon), 3);
    EXPECT_EQ(DecimalsFor(kTwoPointLine), 3);
}

}  // namespace
}  // namespace kvx
