#pragma once

#include <array>
#include <cstdint>

#include "core/program/object_type.hpp"
#include "core/project/measured_object.hpp"
#include "core/stats/value_list.hpp"

namespace kvx {

/// Rebuilds `list` with the values of the objects of type `typeNumber`, in
/// the order of their first points in `history`, every one of them:
/// Text labels read as numbers, polygon areas, Two Point Line distances and
/// the number of counted points. Deleted further points of polygons and
/// count objects are passed over without ending the object.
void CollectValues(const History& history, const ObjectTypeTable& types, int32_t typeNumber,
                   ValueList& list);

/// Which type slots (1..256) the points of `history` refer to; entry 0 and
/// references outside the slots are ignored.
std::array<bool, ObjectTypeTable::kSlots + 1> TypesInUse(const History& history);

}  // namespace kvx
