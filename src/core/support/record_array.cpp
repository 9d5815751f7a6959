#include "core/support/record_array.hpp"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace kvx {

namespace {

constexpr ErrorCode kRecordSizeZero = 4020101;
constexpr ErrorCode kRecordSizeTooLarge = 4020201;
constexpr ErrorCode kNameEmpty = 4020301;
constexpr ErrorCode kBufferTooLarge = 4020401;
constexpr ErrorCode kAlreadyRegistered = 4020501;
constexpr ErrorCode kNameInUse = 4020601;
constexpr ErrorCode kRegistryFull = 4020701;
constexpr ErrorCode kOutOfMemory = 1040201;
constexpr ErrorCode kSizeZero = 1040401;
constexpr ErrorCode kSortRefused = 4080101;
constexpr ErrorCode kAccessFailed = 4120101;

constexpr int kWriteBeyondCapacity = 1;
constexpr int kReadBeyondCapacity = 2;
constexpr int kReadNegativeIndex = 3;

constexpr int32_t kMaxKeyPosition = 1024;

const std::string kNoName;

// Letters in alphabetical order, each with its variants as (lower, upper)
// pairs; 0 marks a variant that has only one case. Every byte gets its own
// weight, so the order is total and two different strings never tie.
struct LetterVariants {
    const char* pairs;  // lower, upper, lower, upper, ...
};

constexpr LetterVariants kLetters[] = {
    {"aA\xE1\xC1\xE0\xC0\xE2\xC2\xE4\xC4\xE3\xC3\xE5\xC5\xAA\x01\xE6\xC6"},
    {"bB"},
    {"cC\xE7\xC7"},
    {"dD\xF0\xD0"},
    {"eE\xE9\xC9\xE8\xC8\xEA\xCA\xEB\xCB"},
    {"fF\x83\x01"},
    {"gG"},
    {"hH"},
    {"iI\xED\xCD\xEC\xCC\xEE\xCE\xEF\xCF"},
    {"jJ"},
    {"kK"},
    {"lL"},
    {"mM"},
    {"nN\xF1\xD1"},
    {"oO\xF3\xD3\xF2\xD2\xF4\xD4\xF6\xD6\xF5\xD5\xF8\xD8\xBA\x01\x9C\x8C"},
    {"pP"},
    {"qQ"},
    {"rR"},
    {"sS\x9A\x8A\xDF\x01"},
    {"tT"},
    {"uU\xFA\xDA\xF9\xD9\xFB\xDB\xFC\xDC"},
    {"vV"},
    {"wW"},
    {"xX"},
    {"yY\xFD\xDD\xFF\x9F"},
    {"zZ\x9E\x8E"},
    {"\xFE\xDE"},  // thorn follows z
};

struct WeightTable {
    int weight[256];
};

constexpr WeightTable MakeWeightTable() {
    WeightTable t{};
    // Control characters and the bytes Windows-1252 leaves undefined come
    // first, then blanks, punctuation and symbols in code order.
    for (int c = 0; c < 256; ++c) {
        const bool control =
            c < 0x20 || c == 0x7F || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
        t.weight[c] = control ? c : 1000 + 2 * c;
    }
    t.weight[0xA0] = 1000 + 2 * 0x20 + 1;  // no-break space right after the blank
    t.weight[0xAD] = 1000 + 2 * '-' + 1;   // soft hyphen right after the hyphen
    for (int d = 0; d <= 9; ++d) t.weight['0' + d] = 2000 + 4 * d;
    t.weight[0xB9] = 2000 + 4 * 1 + 1;  // superscript one
    t.weight[0xB2] = 2000 + 4 * 2 + 1;  // superscript two
    t.weight[0xB3] = 2000 + 4 * 3 + 1;  // superscript three
    int letter = 0;
    for (const LetterVariants& v : kLetters) {
        int rank = 0;
        for (const char* p = v.pairs; *p != '\0'; ++p, ++rank) {
            const auto c = static_cast<unsigned char>(*p);
            if (c != 0x01) t.weight[c] = 3000 + 64 * letter + rank;
        }
        ++letter;
    }
    return t;
}

constexpr WeightTable kWeights = MakeWeightTable();

std::string AccessInfo(int kind, const std::string& name, int64_t index) {
    return std::to_string(kind) + "/" + name + "/" + std::to_string(index);
}

}  // namespace

int CharacterSortWeight(unsigned char c) {
    return kWeights.weight[c];
}

// ---------------------------------------------------------------------------
// RecordArrayRegistry

RecordArrayRegistry::~RecordArrayRegistry() {
    // Tables that outlive their registry must not reach back into it.
    for (Entry& e : slots_) {
        if (e.table != nullptr) e.table->registry_ = nullptr;
    }
}

int RecordArrayRegistry::LiveCount() const {
    int n = 0;
    for (int s = 1; s <= kSlots; ++s) {
        if (slots_[static_cast<std::size_t>(s)].table != nullptr) ++n;
    }
    return n;
}

const std::string& RecordArrayRegistry::NameInSlot(int slot) const {
    if (slot < 1 || slot > kSlots) return kNoName;
    return slots_[static_cast<std::size_t>(slot)].name;
}

// ---------------------------------------------------------------------------
// RecordArray

RecordArray::~RecordArray() {
    Release();
}

void RecordArray::ClearDescriptor() {
    registry_ = nullptr;
    recordSize_ = 0;
    position_ = 0;
    count_ = 0;
    capacity_ = 0;
    buffer_.reset();
    slot_ = 0;
    tag_ = 0;
}

ErrorCode RecordArray::Create(RecordArrayRegistry& registry, std::string_view name,
                              int32_t capacity, int32_t recordSize) {
    ErrorCode code = kOk;
    if (recordSize == 0) code = kRecordSizeZero;
    if (recordSize > kMaxRecordSize) code = kRecordSizeTooLarge;
    if (name.empty()) code = kNameEmpty;
    // A negative record size would turn the buffer size negative.
    if (code == kOk && recordSize < 0) code = kRecordSizeZero;
    if (code != kOk) return code;

    const std::string_view cutName = name.substr(0, RecordArrayRegistry::kNameLength);
    // A table still alive in another registry would be lost (buffer and slot)
    // if this descriptor were cleared below.
    if (registry_ != nullptr && registry_ != &registry && IsValid()) return kAlreadyRegistered;

    int freeSlot = 0;
    for (int s = 1; s <= RecordArrayRegistry::kSlots; ++s) {
        const auto& entry = registry.slots_[static_cast<std::size_t>(s)];
        if (entry.table == this) {
            code = kAlreadyRegistered;
        } else if (entry.table != nullptr && entry.name == cutName) {
            code = kNameInUse;
        }
        if (entry.table == nullptr) freeSlot = s;
    }
    if (code == kOk && freeSlot == 0) code = kRegistryFull;
    if (code != kOk) return code;

    auto& slot = registry.slots_[static_cast<std::size_t>(freeSlot)];
    slot.name.assign(cutName);
    ClearDescriptor();
    registry_ = &registry;
    recordSize_ = recordSize;
    slot_ = static_cast<uint16_t>(freeSlot);
    capacity_ = capacity;

    const int64_t bytes = static_cast<int64_t>(recordSize) * capacity;
    if (bytes > kMaxBytes) {
        code = kBufferTooLarge;
    } else if (bytes <= 0) {
        code = kSizeZero;
    } else {
        buffer_.reset(new (std::nothrow) uint8_t[static_cast<std::size_t>(bytes)]());
        if (!buffer_) code = kOutOfMemory;
    }
    if (code != kOk) {
        slot.table = nullptr;
        slot.name.clear();
        return code;
    }
    slot.table = this;
    tag_ = kValidTag;
    return kOk;
}

void RecordArray::Release() {
    if (IsValid()) {
        auto& slot = registry_->slots_[slot_];
        slot.table = nullptr;
        slot.name.clear();
    }
    ClearDescriptor();
}

bool RecordArray::IsValid() const {
    if (tag_ != kValidTag || !buffer_ || registry_ == nullptr) return false;
    // Create never lets two slots hold the same table, so looking at our own
    // slot answers the same as scanning all of them.
    if (slot_ < 1 || slot_ > RecordArrayRegistry::kSlots) return false;
    const auto& entry = registry_->slots_[slot_];
    return entry.table == this && !entry.name.empty();
}

std::string RecordArray::Name() const {
    return IsValid() ? registry_->slots_[slot_].name : std::string();
}

const uint8_t* RecordArray::RecordData(int32_t index) const {
    if (!buffer_ || index < 1 || index > capacity_) return nullptr;
    return buffer_.get() +
           static_cast<std::size_t>(index - 1) * static_cast<std::size_t>(recordSize_);
}

void RecordArray::Get(int32_t index, void* destination) {
    const auto report = [this](int kind, int64_t at) {
        if (registry_ != nullptr) registry_->Report(kAccessFailed, AccessInfo(kind, Name(), at));
    };
    if (index < 0) {
        report(kReadNegativeIndex, index);
        return;
    }
    const int64_t at = index == 0 ? static_cast<int64_t>(position_) + 1 : index;
    // A table without a buffer (released, or its creation failed) holds nothing.
    if (at > capacity_ || !buffer_) {
        report(kReadBeyondCapacity, at);
    } else {
        std::memcpy(destination, RecordData(static_cast<int32_t>(at)),
                    static_cast<std::size_t>(recordSize_));
    }
    if (at <= std::numeric_limits<int32_t>::max()) position_ = static_cast<int32_t>(at);
}

void RecordArray::Put(int32_t index, const void* source) {
    const int64_t at = index == 0 ? static_cast<int64_t>(position_) + 1 : index;
    if (at < 0 || at > capacity_ || !buffer_) {
        if (registry_ != nullptr) {
            registry_->Report(kAccessFailed, AccessInfo(kWriteBeyondCapacity, Name(), at));
        }
        return;
    }
    const auto i = static_cast<int32_t>(at);
    std::memcpy(
        buffer_.get() + static_cast<std::size_t>(i - 1) * static_cast<std::size_t>(recordSize_),
        source, static_cast<std::size_t>(recordSize_));
    position_ = i;
    if (i > count_) count_ = i;
}

bool RecordArray::Insert(int32_t index, const void* source) {
    if (!buffer_ || count_ >= capacity_ || index < 1 || index >= capacity_) return false;
    // Beyond count + 1 there is nothing to shift, and storing there would
    // leave a hole that count does not cover.
    if (index > count_ + 1) return false;
    const auto size = static_cast<std::size_t>(recordSize_);
    uint8_t* at = buffer_.get() + static_cast<std::size_t>(index - 1) * size;
    std::memmove(at + size, at, static_cast<std::size_t>(count_ - index + 1) * size);
    std::memcpy(at, source, size);
    position_ = index;
    ++count_;
    return true;
}

void RecordArray::Clear(int32_t keep) {
    if (!IsValid()) return;
    if (keep <= 1) {
        keep = 1;
        std::memset(buffer_.get(), 0,
                    static_cast<std::size_t>(recordSize_) * static_cast<std::size_t>(capacity_));
    }
    // count may never exceed capacity: Insert shifts up to count.
    position_ = 0;
    count_ = std::min(keep - 1, capacity_);
}

int RecordArray::CompareKeys(const uint8_t* a, const uint8_t* b, KeyKind kind, int32_t offset,
                             bool byteWise) const {
    const uint8_t* ka = a + offset;
    const uint8_t* kb = b + offset;
    switch (kind) {
        case KeyKind::Byte:
            return static_cast<int>(ka[0]) - static_cast<int>(kb[0]);
        case KeyKind::Word: {
            const int wa = ka[0] | (ka[1] << 8);
            const int wb = kb[0] | (kb[1] << 8);
            return wa - wb;
        }
        case KeyKind::Int32: {
            const auto ua = static_cast<uint32_t>(ka[0] | (ka[1] << 8) | (ka[2] << 16)) |
                            (static_cast<uint32_t>(ka[3]) << 24);
            const auto ub = static_cast<uint32_t>(kb[0] | (kb[1] << 8) | (kb[2] << 16)) |
                            (static_cast<uint32_t>(kb[3]) << 24);
            const auto ia = static_cast<int32_t>(ua);
            const auto ib = static_cast<int32_t>(ub);
            return ia < ib ? -1 : (ia > ib ? 1 : 0);
        }
        case KeyKind::String: {
            // A length byte that claims more than the record holds is cut to
            // the record's end.
            const int room = recordSize_ - offset - 1;
            const int la = std::min<int>(ka[0], room);
            const int lb = std::min<int>(kb[0], room);
            const int n = std::min(la, lb);
            for (int k = 1; k <= n; ++k) {
                const int d = byteWise ? static_cast<int>(ka[k]) - static_cast<int>(kb[k])
                                       : CharacterSortWeight(ka[k]) - CharacterSortWeight(kb[k]);
                if (d != 0) return d;
            }
            return la - lb;
        }
    }
    return 0;
}

int32_t RecordArray::QuickSort(int32_t first, int32_t last, KeyKind kind, int32_t offset,
                               bool byteWise, uint8_t* pivot, uint8_t* a, uint8_t* b) {
    int32_t highest = 0;
    const auto size = static_cast<std::size_t>(recordSize_);
    const auto record = [&](int32_t index) {
        return buffer_.get() + static_cast<std::size_t>(index - 1) * size;
    };
    // The two parts left by a partition are disjoint, so sorting them in
    // either order gives the same result; recursing into the smaller one
    // and looping on the larger keeps the stack depth logarithmic.
    while (first < last) {
        std::memcpy(pivot, record(first + (last - first) / 2), size);
        int32_t i = first;
        int32_t j = last;
        do {
            while (i < last && CompareKeys(record(i), pivot, kind, offset, byteWise) < 0) ++i;
            while (j > first && CompareKeys(pivot, record(j), kind, offset, byteWise) < 0) --j;
            if (i < j) {
                std::memcpy(a, record(i), size);
                std::memcpy(b, record(j), size);
                std::memcpy(record(i), b, size);
                std::memcpy(record(j), a, size);
                highest = std::max(highest, j);
            }
            if (i <= j) {
                ++i;
                --j;
            }
        } while (i <= j);

        if (j - first < last - i) {
            if (first < j) {
                highest =
                    std::max(highest, QuickSort(first, j, kind, offset, byteWise, pivot, a, b));
            }
            first = i;
        } else {
            if (i < last) {
                highest =
                    std::max(highest, QuickSort(i, last, kind, offset, byteWise, pivot, a, b));
            }
            last = j;
        }
    }
    return highest;
}

ErrorCode RecordArray::Sort(int32_t first, int32_t last, KeyKind keyKind, int32_t keyPosition,
                            bool byteWiseStrings) {
    if (!IsValid()) return kSortRefused;
    if (last == kToCount) last = count_;
    if (last < 1 || first > last) return kSortRefused;
    // Record 0 would mean "after the position", and records beyond capacity
    // do not exist.
    if (first < 1 || last > capacity_) return kSortRefused;

    int32_t keySize = 0;
    switch (keyKind) {
        case KeyKind::Byte:
            keySize = 1;
            break;
        case KeyKind::Word:
            keySize = 2;
            break;
        case KeyKind::Int32:
            keySize = 4;
            break;
        case KeyKind::String:
            keySize = 1;  // the length byte; the characters are cut to the record
            break;
        default:
            return kSortRefused;
    }
    if (keyPosition < 1 || keyPosition > kMaxKeyPosition ||
        static_cast<int64_t>(keyPosition) + keySize - 1 > recordSize_) {
        return kSortRefused;
    }
    if (first == last) return kOk;

    const auto size = static_cast<std::size_t>(recordSize_);
    std::unique_ptr<uint8_t[]> scratch(new (std::nothrow) uint8_t[3 * size]);
    if (!scratch) return kOutOfMemory;
    // Records moved beyond count are counted, as storing them one by one would.
    const int32_t highest =
        QuickSort(first, last, keyKind, keyPosition - 1, byteWiseStrings, scratch.get(),
                  scratch.get() + size, scratch.get() + 2 * size);
    count_ = std::max(count_, highest);
    return kOk;
}

}  // namespace kvx
