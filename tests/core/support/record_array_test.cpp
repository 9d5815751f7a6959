#include "core/support/record_array.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace kvx {
namespace {

using Report = std::pair<ErrorCode, std::string>;
using Bytes = std::vector<uint8_t>;

template <class Param>
std::string CaseName(const ::testing::TestParamInfo<Param>& i) {
    return i.param.what;
}

class RecordArrayTest : public ::testing::Test {
protected:
    RecordArrayTest() {
        registry.SetReportRoutine([this](ErrorCode code, std::string_view info) {
            reports.emplace_back(code, std::string(info));
        });
    }
    // Stores the int32 values as records 1, 2, ...
    static void Fill(RecordArray& t, std::initializer_list<int32_t> values) {
        int32_t i = 0;
        for (int32_t v : values) t.Put(++i, &v);
    }
    static int32_t ValueAt(const RecordArray& t, int32_t index) {
        int32_t v = 0;
        std::memcpy(&v, t.RecordData(index), sizeof v);
        return v;
    }
    static Bytes All(const RecordArray& t) {
        return Bytes(t.RecordData(1), t.RecordData(t.Capacity()) + t.RecordSize());
    }
    // Stores bytes as record index, padded with zeros.
    static void PutRaw(RecordArray& t, int32_t index, Bytes bytes) {
        bytes.resize(static_cast<std::size_t>(t.RecordSize()), 0);
        t.Put(index, bytes.data());
    }
    // The first byte of records 1..count.
    static std::string Tags(const RecordArray& t) {
        std::string s;
        for (int32_t i = 1; i <= t.Count(); ++i) s += static_cast<char>(t.RecordData(i)[0]);
        return s;
    }

    RecordArrayRegistry registry;
    std::vector<Report> reports;
};

// ---------------------------------------------------------------------------
// Access

TEST_F(RecordArrayTest, SequentialAccessFollowsThePosition) {
    RecordArray t;
    ASSERT_EQ(t.Create(registry, "seq", 10, 4), kOk);
    Fill(t, {11, 22, 33, 44, 55, 66, 77});
    int32_t v = 0;
    t.Rewind();
    t.Get(0, &v);
    EXPECT_EQ(v, 11);
    t.Get(5, &v);
    t.Get(0, &v);
    EXPECT_EQ(v, 66);
    EXPECT_FALSE(t.AtEnd());
    t.SeekEnd();
    EXPECT_TRUE(t.AtEnd());

    t.Clear(0);  // appending after a clear
    for (int32_t x : {7, 8}) t.Put(0, &x);
    EXPECT_EQ(t.Count(), 2);
    EXPECT_EQ(ValueAt(t, 2), 8);

    t.Put(6, &v);  // a gap below a higher write stays as it is
    EXPECT_EQ(t.Count(), 6);
    t.Put(3, &v);
    EXPECT_EQ(t.Count(), 6);
    EXPECT_EQ(t.Position(), 3);
    EXPECT_TRUE(reports.empty());
}

TEST_F(RecordArrayTest, PutBeyondCapacityIsReportedAndStoresNothing) {
    RecordArray t;
    ASSERT_EQ(t.Create(registry, "history", 10, 4), kOk);
    const int32_t v = 5;
    t.Put(10, &v);
    EXPECT_EQ(t.Count(), 10);
    t.Put(3, &v);
    const Bytes before = All(t);
    t.Put(11, &v);
    t.Put(-4, &v);
    EXPECT_EQ(t.Count(), 10);
    EXPECT_EQ(t.Position(), 3);
    EXPECT_EQ(All(t), before);
    EXPECT_EQ(reports, (std::vector<Report>{{4120101, "1/history/11"}, {4120101, "1/history/-4"}}));
}

TEST_F(RecordArrayTest, FailedGetIsReportedAndLeavesTheDestination) {
    RecordArray t;
    ASSERT_EQ(t.Create(registry, "history", 10240, 101), kOk);
    std::array<uint8_t, 101> dest{};
    dest.fill(0xAB);
    const auto untouched = dest;
    t.Get(10241, dest.data());
    EXPECT_EQ(t.Position(), 10241);  // a read beyond capacity still moves the position
    t.Rewind();
    t.Get(-1, dest.data());
    EXPECT_EQ(t.Position(), 0);
    EXPECT_EQ(dest, untouched);
    EXPECT_EQ(reports,
              (std::vector<Report>{{4120101, "2/history/10241"}, {4120101, "3/history/-1"}}));

    // Between count + 1 and capacity a fresh table reads zeros.
    t.Get(10240, dest.data());
    EXPECT_EQ(std::count(dest.begin(), dest.end(), 0), 101);
    EXPECT_EQ(reports.size(), 2u);
}

TEST_F(RecordArrayTest, ClearKeepsOrZeroes) {
    for (int32_t keep : {-3, 0, 1, 3, 8, 50}) {
        SCOPED_TRACE(keep);
        RecordArray t;
        ASSERT_EQ(t.Create(registry, "clr", 8, 4), kOk);
        Fill(t, {1, 2, 3, 4, 5});
        t.Clear(keep);
        EXPECT_EQ(t.Position(), 0);
        if (keep <= 1) {
            EXPECT_EQ(t.Count(), 0);
            EXPECT_EQ(All(t), Bytes(32, 0));
        } else {
            // Truncating zeroes nothing; count never exceeds capacity.
            EXPECT_EQ(t.Count(), std::min(keep - 1, 8));
            for (int32_t i = 1; i <= 5; ++i) EXPECT_EQ(ValueAt(t, i), i);
        }
    }
}

// ---------------------------------------------------------------------------
// Insert

TEST_F(RecordArrayTest, InsertShiftsTheTailOrAppends) {
    RecordArray t;
    ASSERT_EQ(t.Create(registry, "ins", 7, 4), kOk);
    Fill(t, {10, 20, 30, 40});
    int32_t v = 15;
    ASSERT_TRUE(t.Insert(2, &v));
    EXPECT_EQ(t.Position(), 2);
    v = 50;
    ASSERT_TRUE(t.Insert(6, &v));
    EXPECT_EQ(t.Count(), 6);
    const std::array<int32_t, 7> expected = {10, 15, 20, 30, 40, 50, 0};
    for (int32_t i = 1; i <= 7; ++i) EXPECT_EQ(ValueAt(t, i), expected[i - 1]);
}

struct InsertRefusal {
    const char* what;
    int32_t filled;
    int32_t index;
};

class InsertRefusedTest : public RecordArrayTest,
                          public ::testing::WithParamInterface<InsertRefusal> {};

TEST_P(InsertRefusedTest, ChangesNothing) {
    const InsertRefusal& p = GetParam();
    RecordArray t;
    ASSERT_EQ(t.Create(registry, "ins", 5, 4), kOk);
    for (int32_t i = 1; i <= p.filled; ++i) t.Put(i, &i);
    int32_t v = 99;
    t.Get(1, &v);
    const Bytes before = All(t);
    EXPECT_FALSE(t.Insert(p.index, &v));
    EXPECT_EQ(All(t), before);
    EXPECT_EQ(t.Count(), p.filled);
    EXPECT_EQ(t.Position(), 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, InsertRefusedTest,
                         ::testing::Values(InsertRefusal{"full", 5, 2},
                                           InsertRefusal{"index0", 2, 0},
                                           InsertRefusal{"atCapacity", 2, 5},
                                           InsertRefusal{"countIsCapacityMinusOne", 4, 5},
                                           InsertRefusal{"beyondCapacity", 2, 6},
                                           InsertRefusal{"negative", 2, -1},
                                           InsertRefusal{"holeBeyondCount", 2, 4}),
                         CaseName<InsertRefusal>);

// ---------------------------------------------------------------------------
// Create and the registry

struct CreateCase {
    const char* what;
    int32_t capacity;
    int32_t recordSize;
    const char* name;
    ErrorCode expected;
};

class CreateTest : public RecordArrayTest, public ::testing::WithParamInterface<CreateCase> {};

TEST_P(CreateTest, ReturnsCodeAndFreesTheSlotOnFailure) {
    const CreateCase& p = GetParam();
    RecordArray t;
    EXPECT_EQ(t.Create(registry, p.name, p.capacity, p.recordSize), p.expected);
    EXPECT_EQ(t.IsValid(), p.expected == kOk);
    EXPECT_EQ(registry.LiveCount(), p.expected == kOk ? 1 : 0);
    EXPECT_EQ(registry.NameInSlot(256), p.expected == kOk ? "x" : "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CreateTest,
    ::testing::Values(CreateCase{"sizeZero", 10, 0, "x", 4020101},
                      CreateCase{"sizeTooLarge", 10, 1048577, "x", 4020201},
                      CreateCase{"emptyNameWinsOverSizeZero", 10, 0, "", 4020301},
                      CreateCase{"emptyNameWinsOverTooLarge", 10, 1048577, "", 4020301},
                      CreateCase{"negativeSize", 10, -4, "x", 4020101},
                      CreateCase{"capacityZero", 0, 4, "x", 1040401},
                      CreateCase{"capacityNegative", -5, 4, "x", 1040401},
                      CreateCase{"exactly64MiB", 64, 1048576, "x", kOk},
                      CreateCase{"over64MiB", 65, 1048576, "x", 4020401},
                      CreateCase{"over64MiBByOneByte", 67108865, 1, "x", 4020401},
                      CreateCase{"hugeWithoutOverflow", std::numeric_limits<int32_t>::max(),
                                 1048576, "x", 4020401}),
    CaseName<CreateCase>);

TEST_F(RecordArrayTest, FailedCreateKeepsSizesButCannotBeUsed) {
    RecordArray t;
    ASSERT_EQ(t.Create(registry, "big", 65, 1048576), 4020401);
    EXPECT_EQ(t.Capacity(), 65);
    EXPECT_EQ(t.RecordData(1), nullptr);
    uint8_t b = 7;
    t.Get(1, &b);
    t.Put(1, &b);
    EXPECT_EQ(b, 7);
    EXPECT_EQ(reports, (std::vector<Report>{{4120101, "2//1"}, {4120101, "1//1"}}));
}

TEST_F(RecordArrayTest, NamesAndDescriptorsAreUnique) {
    const std::string longName(32, 'n');
    RecordArray a, b, c;
    ASSERT_EQ(a.Create(registry, longName + "first", 4, 4), kOk);
    EXPECT_EQ(a.Name(), longName);
    EXPECT_EQ(a.Create(registry, "other", 4, 4), 4020501);
    EXPECT_EQ(b.Create(registry, longName + "second", 4, 4), 4020601);
    EXPECT_EQ(b.Create(registry, longName, 4, 4), 4020601);
    EXPECT_FALSE(b.IsValid());
    EXPECT_TRUE(a.IsValid());
    EXPECT_EQ(b.Create(registry, longName.substr(1), 4, 4), kOk);
    EXPECT_EQ(c.Create(registry, "N", 4, 4), kOk);  // case matters
    int32_t v = 1;
    a.Put(5, &v);
    EXPECT_EQ(reports, (std::vector<Report>{{4120101, "1/" + longName + "/5"}}));
}

TEST_F(RecordArrayTest, HighestFreeSlotIsTakenAndReleaseFreesIt) {
    RecordArray a, b, c;
    ASSERT_EQ(a.Create(registry, "a", 1, 1), kOk);
    ASSERT_EQ(b.Create(registry, "b", 1, 1), kOk);
    EXPECT_EQ(a.Slot(), 256);
    EXPECT_EQ(b.Slot(), 255);
    a.Release();
    EXPECT_FALSE(a.IsValid());
    EXPECT_EQ(a.Capacity(), 0);
    EXPECT_EQ(a.Slot(), 0);
    a.Release();  // harmless twice
    a.Clear(0);   // ignored when not valid
    ASSERT_EQ(c.Create(registry, "a", 1, 1), kOk);
    EXPECT_EQ(c.Slot(), 256);
    EXPECT_EQ(registry.NameInSlot(256), "a");
}

TEST_F(RecordArrayTest, The257thInstanceIsRefused) {
    std::vector<std::unique_ptr<RecordArray>> tables;
    for (int i = 1; i <= 256; ++i) {
        tables.push_back(std::make_unique<RecordArray>());
        ASSERT_EQ(tables.back()->Create(registry, "t" + std::to_string(i), 1, 1), kOk);
    }
    RecordArray extra;
    EXPECT_EQ(extra.Create(registry, "extra", 1, 1), 4020701);
    EXPECT_EQ(extra.Create(registry, "t7", 1, 1), 4020601);
    tables.pop_back();  // destruction releases the slot
    EXPECT_EQ(registry.LiveCount(), 255);
    EXPECT_EQ(extra.Create(registry, "extra", 1, 1), kOk);
}

TEST_F(RecordArrayTest, TablesAndRegistriesDoNotMix) {
    auto other = std::make_unique<RecordArrayRegistry>();
    RecordArray t;
    ASSERT_EQ(t.Create(*other, "x", 4, 4), kOk);
    EXPECT_EQ(t.Create(registry, "y", 4, 4), 4020501);  // would lose the live table
    EXPECT_TRUE(t.IsValid());
    other.reset();
    EXPECT_FALSE(t.IsValid());
    EXPECT_EQ(t.Create(registry, "y", 4, 4), kOk);
}

// ---------------------------------------------------------------------------
// Sort

struct KeyCase {
    const char* what;
    RecordArray::KeyKind kind;
    int32_t keyPosition;
    std::vector<Bytes> records;  // the first byte tags the record
    std::string expected;
};

class SortKeyTest : public RecordArrayTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(SortKeyTest, OrdersByTheKey) {
    const KeyCase& p = GetParam();
    for (bool byteWise : {false, true}) {
        RecordArrayRegistry reg;
        RecordArray t;
        ASSERT_EQ(t.Create(reg, "s", 20, 8), kOk);
        for (std::size_t k = 0; k < p.records.size(); ++k) {
            PutRaw(t, static_cast<int32_t>(k + 1), p.records[k]);
        }
        ASSERT_EQ(t.Sort(1, RecordArray::kToCount, p.kind, p.keyPosition, byteWise), kOk);
        EXPECT_EQ(Tags(t), p.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SortKeyTest,
    ::testing::Values(KeyCase{"byte",
                              RecordArray::KeyKind::Byte,
                              2,
                              {{'a', 200}, {'b', 7}, {'c', 255}, {'d', 0}, {'e', 128}},
                              "dbeac"},
                      KeyCase{"wordUnsignedLittleEndian",
                              RecordArray::KeyKind::Word,
                              3,
                              {{'a', 0, 0x00, 0x01},
                               {'b', 0, 0xFF, 0xFF},
                               {'c', 0, 0xFF, 0x00},
                               {'d', 0, 0x01, 0x80},
                               {'e', 0, 0x00, 0x00}},
                              "ecadb"},
                      KeyCase{"int32Signed",
                              RecordArray::KeyKind::Int32,
                              5,
                              {{'a', 0, 0, 0, 3, 0, 0, 0},
                               {'b', 0, 0, 0, 0xFB, 0xFF, 0xFF, 0xFF},
                               {'c', 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F},
                               {'d', 0, 0, 0, 0, 0, 0, 0x80},
                               {'e', 0, 0, 0, 0, 0, 0, 0},
                               {'f', 0, 0, 0, 0, 1, 0, 0}},
                              "dbeafc"},
                      // A length byte claiming more than the record holds is cut to it.
                      KeyCase{"stringCutToRecord",
                              RecordArray::KeyKind::String,
                              4,
                              {{'a', 0, 0, 250, 'q', 'q', 'q', 'q'},
                               {'b', 0, 0, 250, 'q', 'q', 'q', 'p'},
                               {'c', 0, 0, 3, 'q', 'q', 'q', 'a'}},
                              "cba"}),
    CaseName<KeyCase>);

TEST_F(RecordArrayTest, StringKeysByCollationOrByBytes) {
    // 0xC1 is A acute, 0xE4 a umlaut.
    const std::vector<std::pair<char, std::string>> rows = {
        {'1', "b"}, {'2', "\xC1"}, {'3', "a"}, {'4', "Z"},   {'5', "9x"}, {'6', "\xE4"},
        {'7', "B"}, {'8', "ab"},   {'9', ""},  {'0', "abc"}, {'!', " z"}};
    for (bool byteWise : {false, true}) {
        RecordArrayRegistry reg;
        RecordArray t;
        ASSERT_EQ(t.Create(reg, "s", 20, 8), kOk);
        for (std::size_t k = 0; k < rows.size(); ++k) {
            Bytes r{static_cast<uint8_t>(rows[k].first),
                    static_cast<uint8_t>(rows[k].second.size())};
            r.insert(r.end(), rows[k].second.begin(), rows[k].second.end());
            PutRaw(t, static_cast<int32_t>(k + 1), r);
        }
        ASSERT_EQ(t.Sort(1, RecordArray::kToCount, RecordArray::KeyKind::String, 2, byteWise), kOk);
        // Empty first, a prefix before the longer string; by collation blank
        // and digits come before letters, grouped across case and accents.
        EXPECT_EQ(Tags(t), byteWise ? "9!574380126" : "9!538026174");
    }

    std::vector<int> weights;
    for (int c = 0; c < 256; ++c) weights.push_back(CharacterSortWeight(static_cast<uint8_t>(c)));
    std::sort(weights.begin(), weights.end());
    EXPECT_EQ(std::adjacent_find(weights.begin(), weights.end()), weights.end());
    EXPECT_LT(CharacterSortWeight(0xDF), CharacterSortWeight('t'));  // sharp s
}

TEST_F(RecordArrayTest, SortRangeAndCount) {
    RecordArray t;
    ASSERT_EQ(t.Create(registry, "s", 10, 4), kOk);
    const std::string tags = "abcdefg";
    for (int32_t i = 0; i < 7; ++i)
        PutRaw(t, i + 1, {static_cast<uint8_t>(tags[i]), uint8_t(9 - i)});
    ASSERT_EQ(t.Sort(2, 5, RecordArray::KeyKind::Byte, 2), kOk);
    EXPECT_EQ(Tags(t), "aedcbfg");

    // Records moved past count are counted, as storing them would.
    RecordArray u;
    ASSERT_EQ(u.Create(registry, "u", 6, 4), kOk);
    for (int32_t i = 1; i <= 3; ++i)
        PutRaw(u, i, {static_cast<uint8_t>('a' + i - 1), uint8_t(6 - i)});
    ASSERT_EQ(u.Sort(1, 6, RecordArray::KeyKind::Byte, 2), kOk);
    EXPECT_EQ(u.Count(), 6);
    EXPECT_EQ(Tags(u), std::string("\0\0\0cba", 6));

    // The key may end on the record's last byte, at position 1024 at most.
    RecordArray w;
    ASSERT_EQ(w.Create(registry, "w", 4, 1025), kOk);
    Bytes r(1025, 0);
    for (uint8_t tag : {'a', 'b'}) {
        r[0] = tag;
        r[1023] = static_cast<uint8_t>('z' - tag);
        w.Put(0, r.data());
    }
    ASSERT_EQ(w.Sort(1, 2, RecordArray::KeyKind::Byte, 1024), kOk);
    EXPECT_EQ(Tags(w), "ba");
    EXPECT_EQ(w.Sort(1, 2, RecordArray::KeyKind::Byte, 1025), 4080101);
}

struct SortRefusal {
    const char* what;
    int32_t first;
    int32_t last;
    int keyKind;
    int32_t keyPosition;
};

class SortRefusedTest : public RecordArrayTest,
                        public ::testing::WithParamInterface<SortRefusal> {};

TEST_P(SortRefusedTest, ReturnsCodeAndChangesNothing) {
    const SortRefusal& p = GetParam();
    RecordArray t;
    ASSERT_EQ(t.Create(registry, "s", 8, 8), kOk);
    for (int32_t i = 1; i <= 5; ++i) PutRaw(t, i, {uint8_t(10 - i), 0, 0, 0, uint8_t(i)});
    const Bytes before = All(t);
    EXPECT_EQ(t.Sort(p.first, p.last, static_cast<RecordArray::KeyKind>(p.keyKind), p.keyPosition),
              4080101);
    EXPECT_EQ(All(t), before);
    EXPECT_EQ(t.Count(), 5);
}

INSTANTIATE_TEST_SUITE_P(Cases, SortRefusedTest,
                         ::testing::Values(SortRefusal{"lastZero", 1, 0, 0, 1},
                                           SortRefusal{"firstAfterLast", 4, 3, 0, 1},
                                           SortRefusal{"firstZero", 0, 5, 0, 1},
                                           SortRefusal{"lastBeyondCapacity", 1, 9, 0, 1},
                                           SortRefusal{"keyPositionZero", 1, 5, 0, 0},
                                           SortRefusal{"wordPastRecord", 1, 5, 1, 8},
                                           SortRefusal{"int32PastRecord", 1, 5, 2, 6},
                                           SortRefusal{"stringPastRecord", 1, 5, 3, 9},
                                           SortRefusal{"unknownKeyKind", 1, 5, 4, 1}),
                         CaseName<SortRefusal>);

TEST_F(RecordArrayTest, SortOfAnInvalidTableIsRefused) {
    RecordArray t;
    EXPECT_EQ(t.Sort(1, 1, RecordArray::KeyKind::Byte, 1), 4080101);
}

TEST_F(RecordArrayTest, FullTableSortsLikeStdSort) {
    constexpr int32_t kCount = 102400;
    constexpr int32_t kSize = 12;  // record id in bytes 1..4, key in bytes 5..8
    for (int shape = 0; shape < 4; ++shape) {
        SCOPED_TRACE(shape);
        RecordArrayRegistry reg;
        RecordArray t;
        ASSERT_EQ(t.Create(reg, "history", kCount, kSize), kOk);
        std::mt19937 rng(1234);
        std::vector<int32_t> keys(kCount);
        for (int32_t i = 0; i < kCount; ++i) {
            const auto random = static_cast<int32_t>(rng());
            const int32_t byShape[] = {random, random % 3, -i, 42};
            keys[i] = byShape[shape];
            std::array<uint8_t, kSize> r{};
            std::memcpy(&r[0], &i, 4);
            std::memcpy(&r[4], &keys[i], 4);
            t.Put(i + 1, r.data());
        }
        ASSERT_EQ(t.Sort(1, RecordArray::kToCount, RecordArray::KeyKind::Int32, 5), kOk);

        std::vector<int32_t> expected = keys;
        std::sort(expected.begin(), expected.end());
        std::vector<bool> seen(kCount, false);
        for (int32_t i = 1; i <= kCount; ++i) {
            int32_t id = 0, key = 0;
            std::memcpy(&id, t.RecordData(i), 4);
            std::memcpy(&key, t.RecordData(i) + 4, 4);
            ASSERT_EQ(key, expected[i - 1]) << "at " << i;
            ASSERT_TRUE(id >= 0 && id < kCount && !seen[id]) << "record lost or doubled";
            ASSERT_EQ(keys[id], key) << "record torn";
            seen[id] = true;
        }
    }
}

}  // namespace
}  // namespace kvx
