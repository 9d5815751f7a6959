#include "core/project/measured_object.hpp"

#include <algorithm>
#include <cstring>

namespace kvx {

namespace {

template <typename T>
void PutField(uint8_t*& out, const T& value) {
    std::memcpy(out, &value, sizeof(T));
    out += sizeof(T);
}

template <typename T>
void GetField(const uint8_t*& in, T& value) {
    std::memcpy(&value, in, sizeof(T));
    in += sizeof(T);
}

}  // namespace

MeasuredObject::Record MeasuredObject::Pack() const {
    Record record{};
    uint8_t* out = record.data();
    PutField(out, x);
    PutField(out, y);
    PutField(out, colourOverride);
    PutField(out, typeIndex);
    const std::size_t length = std::min(name.size(), kMaxName);
    *out++ = static_cast<uint8_t>(length);
    std::memcpy(out, name.data(), length);
    out += kMaxName;
    PutField(out, vertexKind);
    PutField(out, sizeOverride);
    PutField(out, textColourOverride);
    *out = excluded ? 1 : 0;
    return record;
}

MeasuredObject MeasuredObject::Unpack(const uint8_t* record) {
    MeasuredObject p;
    const uint8_t* in = record;
    GetField(in, p.x);
    GetField(in, p.y);
    GetField(in, p.colourOverride);
    GetField(in, p.typeIndex);
    const std::size_t length = std::min<std::size_t>(*in++, kMaxName);
    p.name.assign(reinterpret_cast<const char*>(in), length);
    in += kMaxName;
    GetField(in, p.vertexKind);
    GetField(in, p.sizeOverride);
    GetField(in, p.textColourOverride);
    p.excluded = *in != 0;
    return p;
}

MeasuredObject History::Get(int32_t index) {
    MeasuredObject::Record record{};
    table_.Get(index, record.data());
    return MeasuredObject::Unpack(record.data());
}

MeasuredObject History::Peek(int32_t index) const {
    if (const uint8_t* data = table_.RecordData(index)) return MeasuredObject::Unpack(data);
    MeasuredObject::Record zero{};
    return MeasuredObject::Unpack(zero.data());
}

void History::Put(int32_t index, const MeasuredObject& point) {
    const auto record = point.Pack();
    table_.Put(index, record.data());
}

bool History::Append(const MeasuredObject& point) {
    if (!table_.IsValid() || table_.Count() >= table_.Capacity()) return false;
    const auto record = point.Pack();
    table_.Put(table_.Count() + 1, record.data());
    return true;
}

bool History::Insert(int32_t index, const MeasuredObject& point) {
    const auto record = point.Pack();
    return table_.Insert(index, record.data());
}

}  // namespace kvx
