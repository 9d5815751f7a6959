// The sample picture and project that ship for a first start.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "common/fake_ui.hpp"
#include "common/temp_dir.hpp"
#include "core/measure/values.hpp"
#include "core/program/program.hpp"
#include "core/project/object_type_file.hpp"
#include "core/stats/collect_values.hpp"
#include "core/support/file_names.hpp"
#include "core/workspace/workspace.hpp"

namespace kvx {
namespace {

std::string SampleFile(std::string_view name) {
    return JoinPath(JoinPath(test::DataDir(), "samples"), name);
}

int Byte(const std::string& data, std::size_t at) {
    return static_cast<unsigned char>(data[at]);
}
int Word(const std::string& data, std::size_t at) {
    return Byte(data, at) << 8 | Byte(data, at + 1);
}

TEST(SamplePictureTest, IsAJpegOf1600By1200At2400Dpi) {
    const std::string jpeg = test::TempDir::Read(SampleFile("tissue.jpg"));
    ASSERT_GT(jpeg.size(), 100u);
    EXPECT_LT(jpeg.size(), 600u * 1024u);
    ASSERT_EQ(Word(jpeg, 0), 0xFFD8);
    // The JFIF header carries the resolution in dots per inch.
    ASSERT_EQ(Word(jpeg, 2), 0xFFE0);
    ASSERT_EQ(jpeg.compare(6, 5, std::string("JFIF\0", 5)), 0);
    EXPECT_EQ(Byte(jpeg, 13), 1);
    EXPECT_EQ(Word(jpeg, 14), 2400);
    EXPECT_EQ(Word(jpeg, 16), 2400);
    // The frame header gives the size.
    std::size_t at = 2;
    while (at + 9 < jpeg.size() && !(Word(jpeg, at) >= 0xFFC0 && Word(jpeg, at) <= 0xFFC2)) {
        at += 2 + static_cast<std::size_t>(Word(jpeg, at + 2));
    }
    ASSERT_LT(at + 9, jpeg.size());
    EXPECT_EQ(Word(jpeg, at + 5), 1200);
    EXPECT_EQ(Word(jpeg, at + 7), 1600);
}

class SampleProjectTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(program.InitErrorStack());
        ASSERT_TRUE(LoadObjectTypes(program, JoinPath(test::DataDir(), "Korvanix.kxo")));
        ASSERT_EQ(ws.CreateHistory(), kOk);
        program.startDir = dir.Path().string();
        ASSERT_TRUE(ws.ReadProject(SampleFile("tissue.KXP"), true));
    }

    // The values of the first user type with this English name.
    ValueList Values(std::string_view name, uint8_t& dataType) {
        ValueList list;
        for (int slot = 1; slot <= ObjectTypeTable::kSlots; ++slot) {
            const ObjectType& type = program.objectTypes.At(slot);
            if (type.dataClass == kClassUser && type.nameEnglish == name) {
                dataType = type.dataType;
                CollectValues(ws.history(), program.objectTypes, slot, list);
                break;
            }
        }
        return list;
    }

    test::TempDir dir;
    test::FakeUserInterface ui;
    Program program{ui, test::DataDir()};
    Workspace ws{program};
};

TEST_F(SampleProjectTest, OpensOnThePictureBesideIt) {
    EXPECT_EQ(ws.project().imagePath, SampleFile("tissue.jpg"));
    EXPECT_EQ(ws.project().resolutionDpi, 2400);
    EXPECT_NE(ws.fileState(), kNoProject);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_TRUE(ui.errorDialogs.empty());
}

TEST_F(SampleProjectTest, EveryPointLiesOnThePictureAndUsesAUserType) {
    const double width = 1600 * 25400.0 / 2400, height = 1200 * 25400.0 / 2400;
    ASSERT_GT(ws.history().Count(), 100);
    for (int32_t i = 1; i <= ws.history().Count(); ++i) {
        const MeasuredObject p = ws.history().Peek(i);
        EXPECT_EQ(program.objectTypes.At(p.typeIndex).dataClass, kClassUser) << "point " << i;
        EXPECT_TRUE(p.x >= 0 && p.x <= width && p.y >= 0 && p.y <= height) << "point " << i;
    }
}

TEST_F(SampleProjectTest, ShowsValuesOfEveryKind) {
    uint8_t dataType = 0;
    const ValueList scale = Values("Scale bar", dataType);
    ASSERT_EQ(scale.Count(), 1);
    EXPECT_NEAR(scale.Entry(1).value, 2000.0, 1.5);  // the printed 2 mm

    const ValueList areas = Values("Area", dataType);
    EXPECT_EQ(dataType, kPolygon);
    EXPECT_GE(areas.Count(), 10);
    const ValueList lengths = Values("Length", dataType);
    EXPECT_EQ(dataType, kTwoPointLine);
    EXPECT_GE(lengths.Count(), 5);
    const ValueList diameters = Values("Diameter", dataType);
    EXPECT_GE(diameters.Count(), 20);
    for (int32_t k = 1; k <= diameters.Count(); ++k) {
        // Cells are 36 to 140 pixels across, 10.6 micrometres each.
        EXPECT_GT(diameters.Entry(k).value, 300.0);
        EXPECT_LT(diameters.Entry(k).value, 1600.0);
    }
    const ValueList counts = Values("Count", dataType);
    EXPECT_EQ(dataType, kCount);
    EXPECT_EQ(counts.Count(), 4);
    const ValueList scores = Values("Value", dataType);
    EXPECT_EQ(dataType, kText);
    EXPECT_GE(scores.Count(), 10);
    for (int32_t k = 1; k <= scores.Count(); ++k) {
        EXPECT_GE(scores.Entry(k).value, 1.0);
        EXPECT_LE(scores.Entry(k).value, 3.0);
    }
}

}  // namespace
}  // namespace kvx
