#include "core/project/object_type_file.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "common/fake_ui.hpp"
#include "common/file_size_limit.hpp"
#include "common/temp_dir.hpp"
#include "core/program/program.hpp"
#include "core/support/strings.hpp"

namespace kvx {
namespace {

// The columns the error details give a code: class, unit and procedure.
std::string Columns(ErrorCode code) {
    const DecodedErrorCode d = DecodeErrorCode(code);
    return IntToStr(d.errorClass, 4) + IntToStr(d.unit, 4) + IntToStr(d.procedure, 4);
}

std::string TypeLine(int slot, std::string_view names = "Name#Name", std::string_view type = "Line",
                     std::string_view tail = "1;FF;0;Arial;3;0;Arial;0;0;0;0;0;") {
    return std::to_string(slot) + ";0(User);" + std::string(names) + ";" + std::string(type) + ";" +
           std::string(tail);
}

constexpr const char* kComments =
    "; Number; data class; English name#German name; data type; show; color; attribute; "
    "TextFont\r\n"
    "; Size; SymbolNum; Symbol Font; Symbol size; Style; Textcolor; Show label; Frequency;\r\n";

class ObjectTypeFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(program.InitErrorStack());
        ui.pressDetails = true;
        program.settings.Language = 1;
    }

    // Loads a file holding body; the program folder holds no data files.
    bool Load(std::string_view body) {
        const std::string path = dir.Write("types.kxo", body);
        return LoadObjectTypes(program, path);
    }

    std::string SaveAndRead() {
        EXPECT_EQ(SaveObjectTypes(program, dir.File("out.kxo")), kOk);
        return test::TempDir::Read(dir.File("out.kxo"));
    }

    test::FakeUserInterface ui;
    test::TempDir dir;
    Program program{ui, dir.File("program")};
};

TEST_F(ObjectTypeFileTest, ShippedFileOffersEveryDataTypeAndRoundTripsByteForByte) {
    Program shipped{ui, test::DataDir()};
    ASSERT_TRUE(shipped.InitErrorStack());
    shipped.settings.Language = 1;
    // Found beside the program without asking anybody.
    ASSERT_TRUE(LoadObjectTypes(shipped, "Korvanix.kxo"));
    EXPECT_TRUE(ui.errorDialogs.empty());
    EXPECT_TRUE(ui.boxes.empty());

    for (const int slot : {121, 123, 124, 125, 127, 154}) {
        const ObjectType& t = shipped.objectTypes.At(slot);
        EXPECT_EQ(t.dataClass, kClassSystem) << slot;
        EXPECT_TRUE(t.show) << slot;
    }
    EXPECT_EQ(shipped.objectTypes.At(155).dataClass, kClassUser);
    EXPECT_FALSE(shipped.objectTypes.At(154).textFont.empty());

    std::set<int> dataTypes;
    std::set<int32_t> colours;
    int userTypes = 0;
    for (int slot = 1; slot <= ObjectTypeTable::kSlots; ++slot) {
        const ObjectType& t = shipped.objectTypes.At(slot);
        if (t.dataClass != kClassUser) continue;
        ++userTypes;
        dataTypes.insert(t.dataType);
        colours.insert(t.colour);
        EXPECT_FALSE(t.nameEnglish.empty()) << slot;
        EXPECT_FALSE(t.nameGerman.empty()) << slot;
        EXPECT_FALSE(t.textFont.empty()) << slot;
    }
    EXPECT_EQ(dataTypes, (std::set<int>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(static_cast<int>(colours.size()), userTypes) << "each user type has its own colour";
    EXPECT_EQ(shipped.objectTypes.At(2).nameGerman,
              "Fl\xE4"
              "che");

    const std::string original = test::TempDir::Read(test::DataDir() + "/Korvanix.kxo");
    ASSERT_EQ(SaveObjectTypes(shipped, dir.File("copy.kxo")), kOk);
    EXPECT_EQ(test::TempDir::Read(dir.File("copy.kxo")), original);
}

TEST_F(ObjectTypeFileTest, CommentsOnlyGiveAnEmptyTableWrittenBackAsTheTwoLines) {
    program.objectTypes.Find(7)->dataClass = kClassUser;  // replaced by the load
    ASSERT_TRUE(Load(std::string(kComments) + "\r\n   \r\n"));
    EXPECT_EQ(program.objectTypes, ObjectTypeTable{});
    EXPECT_EQ(SaveAndRead(), kComments);
}

TEST_F(ObjectTypeFileTest, LinesInAnyOrderFillTheirSlotsAndAreWrittenInSlotOrder) {
    ASSERT_TRUE(Load(TypeLine(5, "Five#F\xFCnf") + "\r\n  " + TypeLine(2, "Two") + "  \r\n" +
                     TypeLine(9, "Nine#Neun", "Count") + "\n"));
    EXPECT_EQ(program.objectTypes.At(5).nameGerman, "F\xFCnf");
    EXPECT_EQ(program.objectTypes.At(2).nameEnglish, "Two");
    EXPECT_EQ(program.objectTypes.At(2).nameGerman, "Two");
    EXPECT_EQ(program.objectTypes.At(9).dataType, kCount);

    const std::string written = SaveAndRead();
    const auto two = written.find("\r\n2;0(User);Two#Two;Line;");
    const auto five = written.find("\r\n5;0(User);Five#F\xFCnf;Line;");
    const auto nine = written.find("\r\n9;0(User);Nine#Neun;Count;");
    ASSERT_NE(two, std::string::npos);
    ASSERT_NE(five, std::string::npos);
    ASSERT_NE(nine, std::string::npos);
    EXPECT_LT(two, five);
    EXPECT_LT(five, nine);
}

TEST_F(ObjectTypeFileTest, EveryFieldSurvivesAWriteAndARead) {
    ObjectType t;
    t.nameEnglish = "Length";
    t.nameGerman = "L\xE4nge";
    t.dataClass = kClassUser;
    t.dataType = kTwoPointLine;
    t.show = true;
    t.showLabel = true;
    t.colour = 255;
    t.attribute = 3;
    t.textFont = "Arial";
    t.size = 4;
    t.symbolNumber = 7 * 256 + 65;
    t.symbolFont = "Courier New";
    t.symbolSize = 12;
    t.style = 9;
    t.textColour = -100;
    t.frequency = 999;
    *program.objectTypes.Find(17) = t;
    ObjectType system = t;
    system.dataClass = kClassSystem;
    system.dataType = kPolygon;
    system.textColour = 0x00FFFFFF;
    *program.objectTypes.Find(121) = system;

    const std::string written = SaveAndRead();
    EXPECT_NE(written.find("\r\n17;0(User);Length#L\xE4nge;Two Point Line;1;FF;3;Arial;4;1857;"
                           "Courier New;12;9;-64;1;999;\r\n"),
              std::string::npos)
        << written;
    EXPECT_NE(written.find("\r\n121;9(System);"), std::string::npos);

    const ObjectTypeTable before = program.objectTypes;
    ASSERT_TRUE(LoadObjectTypes(program, dir.File("out.kxo")));
    EXPECT_EQ(program.objectTypes, before);
}

TEST_F(ObjectTypeFileTest, GermanInterfaceWritesTheGermanClassWord) {
    program.settings.Language = 0;
    program.objectTypes.Find(3)->dataClass = kClassUser;
    EXPECT_NE(SaveAndRead().find("\r\n3;0(Anwender);#;Undefined;0;0;0;;0;0;;0;0;0;0;0;\r\n"),
              std::string::npos);
}

struct TypeName {
    const char* written;
    int dataType;
};

class DataTypeNameTest : public ::testing::TestWithParam<TypeName> {};

TEST_P(DataTypeNameTest, FirstLettersDecide) {
    EXPECT_EQ(DataTypeFromName(GetParam().written), GetParam().dataType) << GetParam().written;
}

INSTANTIATE_TEST_SUITE_P(
    Names, DataTypeNameTest,
    ::testing::Values(TypeName{"Text", 4}, TypeName{"Two Point Line", 6}, TypeName{"Polygon", 5},
                      TypeName{"Point", 2}, TypeName{"Count", 7}, TypeName{"Line", 1},
                      TypeName{"Object", 3}, TypeName{"Strecke", 0}, TypeName{"Z\xE4hlen", 0},
                      TypeName{"Linie", 1}, TypeName{"Punkt", 2}, TypeName{"Objekt", 3},
                      TypeName{"PoL", 5}, TypeName{"P", 2}, TypeName{"T", 6}, TypeName{"tEXT", 0},
                      TypeName{" Line", 0}, TypeName{"", 0}));

TEST_F(ObjectTypeFileTest, FifteenFieldsLoadWithoutFrequencyFourteenFail) {
    ASSERT_TRUE(Load(TypeLine(4, "Four", "Point", "1;FF;0;Arial;3;0;Arial;0;0;0;1;") + "\r\n"));
    EXPECT_EQ(program.objectTypes.At(4).frequency, 0);
    EXPECT_TRUE(program.objectTypes.At(4).showLabel);

    const std::string fourteen = TypeLine(6, "Six", "Point", "1;FF;0;Arial;3;0;Arial;0;0;0;");
    EXPECT_FALSE(Load(TypeLine(3) + "\r\n" + fourteen + "\r\n" + TypeLine(8) + "\r\n"));
    EXPECT_TRUE(program.objectTypes.At(3).InUse()) << "slots before the bad line stay filled";
    EXPECT_FALSE(program.objectTypes.At(6).InUse());
    EXPECT_FALSE(program.objectTypes.At(8).InUse()) << "reading stops at the bad line";
    ASSERT_EQ(ui.errorDialogs.size(), 1u);
    EXPECT_EQ(ui.errorDialogs[0].info, fourteen);
    EXPECT_NE(ui.details.find("Passed" + Columns(61051800)), std::string::npos) << ui.details;
    EXPECT_TRUE(program.errors.Empty());
}

TEST_F(ObjectTypeFileTest, UnknownClassLetterLoadsButIsNotWrittenBack) {
    ASSERT_TRUE(
        Load("7;X(Other);Seven;Line;1;FF;0;Arial;3;0;Arial;0;0;0;0;0;\r\n" + TypeLine(8) + "\r\n"));
    EXPECT_FALSE(program.objectTypes.At(7).InUse());
    EXPECT_EQ(program.objectTypes.At(7).nameEnglish, "Seven");
    const std::string written = SaveAndRead();
    EXPECT_EQ(written.find("Seven"), std::string::npos);
    EXPECT_NE(written.find("\r\n8;"), std::string::npos);
}

TEST_F(ObjectTypeFileTest, FrequenciesAboveOneThousandHalveTheWholeTable) {
    ASSERT_TRUE(Load(TypeLine(1, "A", "Line", "1;FF;0;Arial;3;0;Arial;0;0;0;0;1500;") + "\r\n" +
                     TypeLine(2, "B", "Line", "1;FF;0;Arial;3;0;Arial;0;0;0;0;40;") + "\r\n" +
                     TypeLine(3, "C", "Line", "1;FF;0;Arial;3;0;Arial;0;0;0;0;1000;") + "\r\n"));
    EXPECT_EQ(program.objectTypes.At(1).frequency, 750);
    EXPECT_EQ(program.objectTypes.At(2).frequency, 20);
    EXPECT_EQ(program.objectTypes.At(3).frequency, 500);

    // A file that fails is not halved: its counters stay as read.
    EXPECT_FALSE(Load(TypeLine(1, "A", "Line", "1;FF;0;Arial;3;0;Arial;0;0;0;0;1500;") +
                      "\r\nbad line\r\n"));
    EXPECT_EQ(program.objectTypes.At(1).frequency, 1500);
}

struct BadLine {
    const char* line;
    ErrorCode field;
};

class BadTypeLineTest : public ::testing::TestWithParam<BadLine> {};

TEST_P(BadTypeLineTest, NamesTheFieldThatFailed) {
    ObjectTypeLine parsed;
    ErrorCode field = 0;
    EXPECT_NE(ParseObjectTypeLine(GetParam().line, parsed, field), kOk);
    EXPECT_EQ(field, GetParam().field) << GetParam().line;
}

INSTANTIATE_TEST_SUITE_P(
    Fields, BadTypeLineTest,
    ::testing::Values(BadLine{"x;0;N;Line;1;FF;0;A;3;0;A;0;0;0;0;", 61050200},
                      BadLine{"0;0;N;Line;1;FF;0;A;3;0;A;0;0;0;0;", 61050200},
                      BadLine{"257;0;N;Line;1;FF;0;A;3;0;A;0;0;0;0;", 61050200},
                      BadLine{"1", 61050300},
                      BadLine{"1;0;N;Line;yes;FF;0;A;3;0;A;0;0;0;0;", 61050600},
                      BadLine{"1;0;N;Line;1; FF;0;A;3;0;A;0;0;0;0;", 61050700},
                      BadLine{"1;0;N;Line;1;FG;0;A;3;0;A;0;0;0;0;", 61050700},
                      BadLine{"1;0;N;Line;1;FF;0.5x;A;3;0;A;0;0;0;0;", 61050800},
                      BadLine{"1;0;N;Line;1;FF;0;A;big;0;A;0;0;0;0;", 61051200},
                      BadLine{"1;0;N;Line;1;FF;0;A;3;0;A;0;0;-1x;0;", 61051700},
                      BadLine{"1;0;N;Line;1;FF;0;A;3;0;A;0;0;0;", 61051800}));

TEST_F(ObjectTypeFileTest, ColoursAreHexadecimalEitherCaseEmptyFieldsReadAsZero) {
    ObjectTypeLine parsed;
    ErrorCode field = 0;
    ASSERT_EQ(ParseObjectTypeLine("1;0;N;Line;;ff;;;;;;;;#FFFFFF;;", parsed, field), kOk);
    EXPECT_EQ(parsed.type.colour, 255);
    EXPECT_EQ(parsed.type.textColour, 0xFFFFFF);
    EXPECT_FALSE(parsed.type.show);
    EXPECT_EQ(parsed.type.size, 0);
    EXPECT_TRUE(parsed.type.textFont.empty());

    ObjectType t;
    t.dataClass = kClassUser;
    t.colour = 255;
    t.textColour = 0;
    EXPECT_EQ(FormatObjectTypeLine(1, t, 1), "1;0(User);#;Undefined;0;FF;0;;0;0;;0;0;0;0;0;");
}

TEST_F(ObjectTypeFileTest, SeparatorsInsideTextsDoNotBreakTheLine) {
    ObjectType& t = *program.objectTypes.Find(30);
    t.dataClass = kClassUser;
    t.dataType = kCount;
    t.nameEnglish = "Cells; large";
    t.nameGerman = "Zellen\r\ngro\xDF";
    t.textFont = "Odd;Font";
    t.frequency = 5;
    SaveAndRead();
    ASSERT_TRUE(LoadObjectTypes(program, dir.File("out.kxo")));
    const ObjectType& back = program.objectTypes.At(30);
    EXPECT_EQ(back.nameEnglish, "Cells, large");
    EXPECT_EQ(back.nameGerman, "Zellen  gro\xDF");
    EXPECT_EQ(back.textFont, "Odd,Font");
    EXPECT_EQ(back.frequency, 5);
    EXPECT_EQ(back.dataType, kCount);
}

TEST_F(ObjectTypeFileTest, LongNamesAndFontsAreCutWhenRead) {
    const std::string english(90, 'e');
    const std::string german(120, 'g');
    const std::string font(40, 'f');
    ObjectTypeLine parsed;
    ErrorCode field = 0;
    ASSERT_EQ(ParseObjectTypeLine("1;9;" + english + "#" + german + ";Line;1;0;0;" + font +
                                      ";1;0;" + font + ";0;0;0;0;",
                                  parsed, field),
              kOk);
    EXPECT_EQ(parsed.type.nameEnglish, std::string(80, 'e'));
    EXPECT_EQ(parsed.type.nameGerman, std::string(80, 'g'));
    EXPECT_EQ(parsed.type.textFont, std::string(30, 'f'));
    EXPECT_EQ(parsed.type.symbolFont, std::string(30, 'f'));
    EXPECT_EQ(parsed.type.dataClass, kClassSystem);
}

TEST_F(ObjectTypeFileTest, LinesOfTheLongestTypesStayReadable) {
    ObjectType& t = *program.objectTypes.Find(200);
    t.dataClass = kClassSystem;
    t.dataType = kTwoPointLine;
    t.nameEnglish = std::string(80, 'E');
    t.nameGerman = std::string(80, 'G');
    t.textFont = std::string(30, 'F');
    t.symbolFont = std::string(30, 'S');
    t.colour = 0x00FFFFFF;
    t.textColour = -100;
    t.symbolNumber = 1792;
    t.frequency = 999;
    const ObjectType before = t;
    const std::string line = FormatObjectTypeLine(200, t, 1);
    EXPECT_LE(line.size(), 255u);

    SaveAndRead();
    ASSERT_TRUE(LoadObjectTypes(program, dir.File("out.kxo")));
    const ObjectType& back = program.objectTypes.At(200);
    EXPECT_EQ(back.nameEnglish, before.nameEnglish);
    EXPECT_EQ(back.textFont, before.textFont);
    EXPECT_EQ(back.symbolFont, before.symbolFont);
    EXPECT_EQ(back.frequency, before.frequency);
    EXPECT_EQ(back.textColour, before.textColour);
    EXPECT_LT(back.nameGerman.size(), before.nameGerman.size());
    EXPECT_EQ(back.nameGerman, before.nameGerman.substr(0, back.nameGerman.size()));
}

TEST_F(ObjectTypeFileTest, PerUserFolderWinsAndReceivesTheSavedFile) {
    std::filesystem::create_directory(dir.Path() / "config");
    program.configDir = dir.File("config");
    dir.Write("shared.kxo", TypeLine(1, "Shared") + "\r\n");
    dir.Write("config/shared.kxo", TypeLine(1, "Mine") + "\r\n");

    ASSERT_TRUE(LoadObjectTypes(program, "shared.kxo"));
    EXPECT_EQ(program.objectTypes.At(1).nameEnglish, "Mine");

    program.objectTypes.Find(1)->nameEnglish = "Edited";
    ASSERT_EQ(SaveObjectTypes(program, "shared.kxo"), kOk);
    EXPECT_NE(test::TempDir::Read(dir.File("config/shared.kxo")).find("Edited"), std::string::npos);
    EXPECT_NE(test::TempDir::Read(dir.File("config/shared.BAK")).find("Mine"), std::string::npos);
    EXPECT_NE(test::TempDir::Read(dir.File("shared.kxo")).find("Shared"), std::string::npos);
}

TEST_F(ObjectTypeFileTest, TwoRunsOnOneFileKeepEachOthersTypes) {
    std::filesystem::create_directory(dir.Path() / "config");
    program.configDir = dir.File("config");
    dir.Write("config/shared.kxo",
              TypeLine(1, "Root", "Line", "1;FF;0;Arial;3;0;Arial;0;0;0;0;10;") + "\r\n" +
                  TypeLine(2, "Leaf") + "\r\n");
    test::FakeUserInterface otherUi;
    Program other{otherUi, dir.File("program")};
    ASSERT_TRUE(other.InitErrorStack());
    other.configDir = program.configDir;
    other.settings.Language = 1;
    ASSERT_TRUE(LoadObjectTypes(program, "shared.kxo"));
    ASSERT_TRUE(LoadObjectTypes(other, "shared.kxo"));

    // The other window makes a type and counts two uses of slot 1, and
    // closes first; this one makes another type and counts three uses.
    *other.objectTypes.Find(50) = other.objectTypes.At(2);
    other.objectTypes.Find(50)->nameEnglish = "Theirs";
    other.objectTypes.Find(1)->frequency += 2;
    ASSERT_EQ(SaveObjectTypes(other, "shared.kxo"), kOk);
    *program.objectTypes.Find(51) = program.objectTypes.At(2);
    program.objectTypes.Find(51)->nameEnglish = "Mine";
    program.objectTypes.Find(1)->frequency += 3;
    ASSERT_EQ(SaveObjectTypes(program, "shared.kxo"), kOk);
    EXPECT_TRUE(ui.boxes.empty());
    ASSERT_TRUE(LoadObjectTypes(program, "shared.kxo"));
    EXPECT_EQ(program.objectTypes.At(50).nameEnglish, "Theirs");
    EXPECT_EQ(program.objectTypes.At(51).nameEnglish, "Mine");
    EXPECT_EQ(program.objectTypes.At(1).frequency, 15);

    // Both rename slot 2: the person chooses, here the other window's name.
    ASSERT_TRUE(LoadObjectTypes(other, "shared.kxo"));
    other.objectTypes.Find(2)->nameEnglish = "Stem";
    program.objectTypes.Find(2)->nameEnglish = "Petal";
    ASSERT_EQ(SaveObjectTypes(other, "shared.kxo"), kOk);
    ui.boxAnswers.push_back(kAnswerNo);
    ASSERT_EQ(SaveObjectTypes(program, "shared.kxo"), kOk);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text,
              program.GetMessage(2168) + "2 Petal\r\n" + dir.File("config/shared.kxo"));
    EXPECT_EQ(program.objectTypes.At(2).nameEnglish, "Stem");
    EXPECT_NE(test::TempDir::Read(dir.File("config/shared.kxo")).find("Stem"), std::string::npos);
    EXPECT_EQ(program.objectTypes.At(51).nameEnglish, "Mine");
}

TEST_F(ObjectTypeFileTest, AnEmptyOrUnreadableFileGivesTheShippedTypesAndIsKept) {
    std::filesystem::create_directory(dir.Path() / "config");
    std::filesystem::create_directory(dir.Path() / "program");
    program.configDir = dir.File("config");
    dir.Write("program/Korvanix.kxo", TypeLine(1, "Shipped") + "\r\n");
    dir.Write("config/Korvanix.kxo", "");

    // Said, not silently taken as a table without types.
    ASSERT_TRUE(LoadObjectTypes(program, "Korvanix.kxo"));
    EXPECT_EQ(program.objectTypes.At(1).nameEnglish, "Shipped");
    ASSERT_FALSE(ui.errorDialogs.empty());
    EXPECT_EQ(program.damagedObjectTypeFile, dir.File("config/Korvanix.kxo"));

    // Written over only with the person's consent.
    ui.boxAnswers = {kAnswerNo};
    ASSERT_EQ(SaveObjectTypes(program, "Korvanix.kxo"), kOk);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(test::TempDir::Read(dir.File("config/Korvanix.kxo")), "");
    ui.boxAnswers = {kAnswerYes};
    ASSERT_EQ(SaveObjectTypes(program, "Korvanix.kxo"), kOk);
    EXPECT_NE(test::TempDir::Read(dir.File("config/Korvanix.kxo")).find("Shipped"),
              std::string::npos);

    // A copy that is there but cannot be read is damaged too, not missing.
    if (::geteuid() != 0) {
        const std::string locked = dir.Write("config/Korvanix.kxo", TypeLine(1, "Mine") + "\r\n");
        std::filesystem::permissions(locked, std::filesystem::perms::none);
        ui.errorDialogs.clear();
        ASSERT_TRUE(LoadObjectTypes(program, "Korvanix.kxo"));
        EXPECT_EQ(program.objectTypes.At(1).nameEnglish, "Shipped");
        EXPECT_EQ(program.damagedObjectTypeFile, locked);
        EXPECT_FALSE(ui.errorDialogs.empty());
    }
    // So is a named file that is there but cannot be opened (a folder in
    // its place): it is not looked for elsewhere as if it were missing.
    std::filesystem::create_directory(dir.Path() / "held.kxo");
    ui.errorDialogs.clear();
    ui.boxes.clear();
    ASSERT_TRUE(LoadObjectTypes(program, dir.File("held.kxo")));
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_TRUE(ui.directoryRequests.empty());
    EXPECT_EQ(program.damagedObjectTypeFile, dir.File("held.kxo"));
    EXPECT_FALSE(ui.errorDialogs.empty());
}

TEST_F(ObjectTypeFileTest, FailedSaveLeavesThePreviousFileAsItWas) {
    program.objectTypes.Find(1)->dataClass = kClassUser;
    EXPECT_EQ(SaveObjectTypes(program, dir.File("missing-folder/types.kxo")), kObjectTypeCreate);
    EXPECT_FALSE(program.errors.Empty());
    program.errors.Clear();

    const std::string previous = std::string(kComments) + TypeLine(1, "Old") + "\r\n";
    dir.Write("types.kxo", previous);
    {
        test::FileSizeLimit full(40);
        EXPECT_EQ(SaveObjectTypes(program, dir.File("types.kxo")), kObjectTypeWrite);
    }
    EXPECT_EQ(test::TempDir::Read(dir.File("types.kxo")), previous);
    EXPECT_FALSE(std::filesystem::exists(dir.File("types.BAK")));
    EXPECT_FALSE(program.errors.Empty());
}

TEST_F(ObjectTypeFileTest, TheTableIsWrittenBackToTheFileItWasReadFrom) {
    std::filesystem::create_directory(dir.Path() / "config");
    std::filesystem::create_directory(dir.Path() / "lab");
    program.configDir = dir.File("config");
    const std::string lab = dir.Write("lab/lab.kxo", TypeLine(1, "Shared") + "\r\n");

    // A file named with its folder (as the options' browse button names it).
    ASSERT_TRUE(LoadObjectTypes(program, lab));
    program.objectTypes.Find(1)->nameEnglish = "Renamed";
    ASSERT_EQ(SaveObjectTypes(program, lab), kOk);
    EXPECT_NE(test::TempDir::Read(lab).find("Renamed"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.File("config/lab.kxo")));
    EXPECT_TRUE(ui.boxes.empty());

    // When it cannot be written any more (the lab's share is gone), the
    // person's own copy takes the table, the configuration names it, and the
    // person is told.
    std::filesystem::remove_all(dir.Path() / "lab");
    program.settings.ObjectTypeFile = lab;
    program.objectTypes.Find(1)->nameEnglish = "Kept";
    EXPECT_EQ(SaveObjectTypes(program, lab), kOk);
    EXPECT_NE(test::TempDir::Read(dir.File("config/lab.kxo")).find("Kept"), std::string::npos);
    EXPECT_EQ(program.settings.ObjectTypeFile, "lab.kxo");
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_NE(ui.boxes[0].text.find(lab), std::string::npos);
    EXPECT_NE(ui.boxes[0].text.find(dir.File("config/lab.kxo")), std::string::npos);
    EXPECT_TRUE(program.errors.Empty());
    ASSERT_TRUE(LoadObjectTypes(program, program.settings.ObjectTypeFile));
    EXPECT_EQ(program.objectTypes.At(1).nameEnglish, "Kept");

    // Without a configuration folder the shipped file is left alone and
    // nothing lands in the folder the program was started from.
    Program shipped{ui, test::DataDir()};
    ASSERT_TRUE(shipped.InitErrorStack());
    ASSERT_TRUE(LoadObjectTypes(shipped, "Korvanix.kxo"));
    const std::filesystem::path started = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    const ErrorCode code = SaveObjectTypes(shipped, "Korvanix.kxo");
    std::filesystem::current_path(started);
    EXPECT_EQ(code, kObjectTypeCreate);
    EXPECT_FALSE(std::filesystem::exists(dir.File("Korvanix.kxo")));
    EXPECT_FALSE(std::filesystem::exists(test::DataDir() + "/Korvanix.BAK"));
}

TEST_F(ObjectTypeFileTest, ABareNameIsTheProgramsFileBeforeOneInTheCurrentFolder) {
    std::filesystem::create_directory(dir.Path() / "program");
    std::filesystem::create_directory(dir.Path() / "work");
    dir.Write("program/types.kxo", TypeLine(3, "Shipped") + "\r\n");
    dir.Write("work/types.kxo", TypeLine(3, "Stray") + "\r\n");
    program.startDir = dir.File("work");
    const std::filesystem::path started = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path() / "work");
    const bool loaded = LoadObjectTypes(program, "types.kxo");
    std::filesystem::current_path(started);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(program.objectTypes.At(3).nameEnglish, "Shipped");
}

TEST_F(ObjectTypeFileTest, MissingFileIsLookedForWhereThePersonSays) {
    std::filesystem::create_directory(dir.Path() / "elsewhere");
    dir.Write("elsewhere/found.kxo", TypeLine(12, "Found") + "\r\n");
    ui.directoryAnswers.push_back(dir.File("elsewhere"));

    ASSERT_TRUE(LoadObjectTypes(program, "found.kxo"));
    EXPECT_EQ(program.objectTypes.At(12).nameEnglish, "Found");
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].title, "Warning !");
    EXPECT_EQ(ui.boxes[0].text, "Cannot find data (found.kxo). Please indicate drive/directory !");
    ASSERT_EQ(ui.directoryRequests.size(), 1u);
    EXPECT_EQ(program.settings.DataPath, dir.File("elsewhere") + "/");
}

TEST_F(ObjectTypeFileTest, GivingUpTheSearchFailsTheLoad) {
    ui.boxAnswers.push_back(kAnswerCancel);
    EXPECT_FALSE(LoadObjectTypes(program, "nowhere.kxo"));
    EXPECT_EQ(ui.boxes.size(), 1u);
    EXPECT_TRUE(program.errors.Empty());

    std::string name = "nowhere.kxo";
    ui.boxAnswers.push_back(kAnswerOk);  // and then cancel the directory picker
    EXPECT_EQ(LocateDataFile(program, name, 255), kLocateCancelled);
    EXPECT_EQ(name, "nowhere.kxo");
}

}  // namespace
}  // namespace kvx
