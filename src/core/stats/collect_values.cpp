#include "core/stats/collect_values.hpp"

#include <cmath>
#include <cstring>

#include "core/measure/values.hpp"
#include "core/support/strings.hpp"

namespace kvx {

namespace {

// Byte offsets of the fields the walk needs inside a packed 101-byte point
// record. Reading them in place keeps a pass over a full table cheap; the
// layout is checked against MeasuredObject::Pack by the tests.
constexpr std::size_t kOffsetX = 0;
constexpr std::size_t kOffsetY = 8;
constexpr std::size_t kOffsetTypeIndex = 20;
constexpr std::size_t kOffsetVertexKind = 88;
constexpr std::size_t kOffsetExcluded = 100;

struct PointFields {
    double x = 0.0;
    double y = 0.0;
    int32_t typeIndex = 0;
    int32_t vertexKind = 0;
    bool excluded = false;
};

template <typename T>
T ReadAt(const uint8_t* record, std::size_t offset) {
    T value;
    std::memcpy(&value, record + offset, sizeof(T));
    return value;
}

class PointReader {
public:
    explicit PointReader(const History& history)
        : table_(history.Table()), count_(history.Count()) {
        // Records lie back to back in one buffer; step through it directly
        // when that holds, rather than look every record up.
        const uint8_t* first = table_.RecordData(1);
        const auto size = static_cast<std::size_t>(table_.RecordSize());
        if (first != nullptr && count_ >= 1 &&
            table_.RecordData(count_) == first + static_cast<std::size_t>(count_ - 1) * size) {
            base_ = first;
            size_ = size;
        }
    }

    int32_t Count() const { return count_; }

    int32_t TypeIndex(int32_t i) const {
        const uint8_t* record = Record(i);
        return record ? ReadAt<int32_t>(record, kOffsetTypeIndex) : 0;
    }

    // The first index from i on whose record has the given type, count + 1
    // when there is none. Most records of a large project belong to other
    // types, so this scan is what a pass mostly costs.
    int32_t Find(int32_t type, int32_t i) const {
        if (i < 1) i = 1;
        if (base_ == nullptr) {
            while (i <= count_ && TypeIndex(i) != type) ++i;
            return i;
        }
        const uint8_t* record = base_ + static_cast<std::size_t>(i - 1) * size_ + kOffsetTypeIndex;
        for (; i <= count_; ++i, record += size_) {
            if (ReadAt<int32_t>(record, 0) == type) return i;
        }
        return i;
    }

    // Records past the end of the table read as a zero point, whatever the
    // buffer behind them still holds.
    PointFields Fields(int32_t i) const {
        PointFields p;
        if (const uint8_t* record = Record(i)) {
            p.x = ReadAt<double>(record, kOffsetX);
            p.y = ReadAt<double>(record, kOffsetY);
            p.typeIndex = ReadAt<int32_t>(record, kOffsetTypeIndex);
            p.vertexKind = ReadAt<int32_t>(record, kOffsetVertexKind);
            p.excluded = record[kOffsetExcluded] != 0;
        }
        return p;
    }

private:
    const uint8_t* Record(int32_t i) const {
        if (i < 1 || i > count_) return nullptr;
        if (base_ != nullptr) return base_ + static_cast<std::size_t>(i - 1) * size_;
        return table_.RecordData(i);
    }

    const RecordArray& table_;
    int32_t count_;
    const uint8_t* base_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace

void CollectValues(const History& history, const ObjectTypeTable& types, int32_t typeNumber,
                   ValueList& list) {
    list.Clear();
    const int dataType = types.At(typeNumber).dataType;
    if (!YieldsValues(dataType) || !history.IsValid()) return;

    const PointReader points(history);
    const int32_t count = points.Count();
    int32_t i = 1;
    for (;;) {
        i = points.Find(typeNumber, i);
        if (i > count) break;
        const int32_t start = i;
        const PointFields r = points.Fields(i);
        switch (dataType) {
            case kText: {
                const MeasuredObject label = history.Peek(i);
                double value = 0.0;
                if (!label.name.empty() && LabelValue(label.name, value)) {
                    list.Add({value, start, r.excluded});
                }
                break;
            }
            case kTwoPointLine: {
                // A lone first point at the very end has no partner: no value,
                // rather than a distance to whatever lies past the table's end.
                if (i >= count) break;
                ++i;
                const PointFields q = points.Fields(i);
                list.Add({std::hypot(r.x - q.x, r.y - q.y), start, r.excluded});
                break;
            }
            default: {  // Polygon and Count
                PointFields prev = r;
                double sum = 0.0;
                int32_t k = 0;
                PointFields q;
                do {
                    ++i;
                    q = points.Fields(i);
                    if (q.vertexKind == 2 && q.typeIndex > 0) {
                        sum += (prev.x - q.x) * (prev.y + q.y);
                        prev = q;
                        ++k;
                    }
                } while (q.vertexKind != 1 && i < count);
                // The record that ended the walk starts the next object.
                if (i < count) --i;
                sum += (prev.x - r.x) * (prev.y + r.y);
                if (k > 1) {
                    const double value = dataType == kCount ? k : std::fabs(sum) / 2.0;
                    list.Add({value, start, r.excluded});
                }
                break;
            }
        }
        ++i;
    }
}

std::array<bool, ObjectTypeTable::kSlots + 1> TypesInUse(const History& history) {
    std::array<bool, ObjectTypeTable::kSlots + 1> used{};
    if (!history.IsValid()) return used;
    const PointReader points(history);
    for (int32_t i = 1; i <= points.Count(); ++i) {
        const int32_t type = points.TypeIndex(i);
        if (ObjectTypeTable::ValidSlot(type)) used[static_cast<std::size_t>(type)] = true;
    }
    return used;
}

}  // namespace kvx
