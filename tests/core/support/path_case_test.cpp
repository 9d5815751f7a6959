#include "core/support/path_case.hpp"

#include <gtest/gtest.h>

#include "common/temp_dir.hpp"

namespace kvx {
namespace {

TEST(PathCaseTest, FindsNamesThatDifferOnlyInCase) {
    test::TempDir dir;
    const std::string own = dir.Write("korvanix.err", "x");
    EXPECT_EQ(ResolvePathCase(own), own);
    EXPECT_EQ(ResolvePathCase(dir.File("korvanix.ERR")), own);
    EXPECT_EQ(ResolvePathCase(dir.File("KORVANIX.ERR")), own);
    const std::string missing = dir.File("other.ERR");
    EXPECT_EQ(ResolvePathCase(missing), missing);
    EXPECT_EQ(ResolvePathCase(dir.File("nodir/x.ERR")), dir.File("nodir/x.ERR"));
}

}  // namespace
}  // namespace kvx
