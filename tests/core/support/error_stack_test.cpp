#include "core/support/error_stack.hpp"

#include <gtest/gtest.h>

namespace kvx {
namespace {

TEST(ErrorCodeTest, DecodesFieldsAndFlags) {
    const auto io = DecodeErrorCode(5010103);
    EXPECT_EQ(io.errorClass, 5);
    EXPECT_EQ(io.unit, 1);
    EXPECT_EQ(io.procedure, 1);
    EXPECT_EQ(io.flags, 3);
    const auto fatal = DecodeErrorCode(61040105);
    EXPECT_EQ(fatal.errorClass, 61);
    EXPECT_EQ(fatal.unit, 4);
    EXPECT_EQ(fatal.procedure, 1);
    EXPECT_NE(fatal.flags & kErrorFlagFatal, 0);
    EXPECT_EQ(DecodeErrorCode(60080700).position, 0);
}

TEST(ErrorStackTest, ReportsBeforeInitAreDroppedButStillTrue) {
    ErrorStack stack;
    int32_t result = 0;
    EXPECT_TRUE(stack.ReportError(4020101, 0, result, "x"));
    EXPECT_TRUE(stack.Empty());
    EXPECT_FALSE(stack.ReportError(0));
}

TEST(ErrorStackTest, CodeZeroRecordsNothing) {
    ErrorStack stack;
    ASSERT_TRUE(stack.Init());
    int32_t result = 7;
    EXPECT_FALSE(stack.ReportError(0, 123, result, "info"));
    EXPECT_TRUE(stack.Empty());
    EXPECT_EQ(result, 7);
}

TEST(ErrorStackTest, RecordsAndCutsInfo) {
    ErrorStack stack;
    ASSERT_TRUE(stack.Init());
    int32_t result = 0;
    EXPECT_TRUE(stack.ReportError(61010201, 61000000, result, std::string(200, 'i')));
    EXPECT_EQ(result, 61010201);
    EXPECT_EQ(stack.Slot(1).code, 61010201);
    EXPECT_EQ(stack.Slot(1).passCode, 61000000);
    EXPECT_EQ(stack.Slot(1).info.size(), 127u);
}

TEST(ErrorStackTest, WrapsAroundAfterThirtyTwoReports) {
    ErrorStack stack;
    ASSERT_TRUE(stack.Init());
    for (int i = 1; i <= 33; ++i) stack.ReportError(1000000 + i * 100 + 1);
    EXPECT_EQ(stack.Slot(1).code, 1000000 + 33 * 100 + 1);
    EXPECT_EQ(stack.Slot(2).code, 1000000 + 2 * 100 + 1);
    // The current entry is the oldest still held: report 2.
    ASSERT_TRUE(stack.FindCurrent());
    EXPECT_EQ(stack.Current().code, 1000000 + 2 * 100 + 1);
}

TEST(ErrorStackTest, FindCurrentOnEmptyStackFindsNothing) {
    ErrorStack stack;
    ASSERT_TRUE(stack.Init());
    EXPECT_FALSE(stack.FindCurrent());
    stack.ReportError(2070203);
    EXPECT_TRUE(stack.FindCurrent());
    EXPECT_EQ(stack.Current().code, 2070203);
    stack.Clear();
    EXPECT_TRUE(stack.Empty());
    EXPECT_EQ(stack.Cursor(), 0);
}

}  // namespace
}  // namespace kvx
