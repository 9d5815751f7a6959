#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/program/object_type.hpp"
#include "core/project/measured_object.hpp"
#include "core/workspace/workspace.hpp"

namespace kvx {

/// Sets up the open project record as a project file or the properties
/// dialog would leave it: change edits a copy, which the workspace adopts.
/// (In namespace kvx so that tests find it beside the Workspace they pass.)
template <class Change>
void ChangeProject(Workspace& ws, Change&& change) {
    Project project = ws.project();
    change(project);
    ws.AdoptProject(std::move(project));
}

}  // namespace kvx

namespace kvx::test {

/// Builds a project in memory the way capture commits objects: types in
/// program slots, points appended to `history`.
class MeasuredProject {
public:
    using Click = std::pair<double, double>;

    explicit MeasuredProject(Workspace& workspace) : ws_(workspace) {}

    /// Defines slot as a type of the given data type.
    ObjectType& DefineType(int slot, uint8_t dataType, std::string english, std::string german = {},
                           uint8_t dataClass = kClassUser) {
        ObjectType* type = ws_.program().objectTypes.Find(slot);
        *type = ObjectType{};
        type->nameEnglish = std::move(english);
        type->nameGerman = german.empty() ? type->nameEnglish : std::move(german);
        type->dataClass = dataClass;
        type->dataType = dataType;
        type->show = true;
        return *type;
    }

    /// Appends one record; returns its index (0 when the table is full).
    int32_t Point(int32_t type, double x, double y, int32_t kind, std::string name = {},
                  bool excluded = false) {
        MeasuredObject p;
        p.x = x;
        p.y = y;
        p.typeIndex = type;
        p.vertexKind = kind;
        p.name = std::move(name);
        p.excluded = excluded;
        if (!ws_.AppendRecord(p)) return 0;
        return ws_.history().Count();
    }

    /// A Two Point Line from (x, y) to (x + length, y).
    int32_t Line(int32_t type, double length, bool excluded = false, double x = 0.0,
                 double y = 0.0) {
        const int32_t first = Point(type, x, y, 1, {}, excluded);
        Point(type, x + length, y, 2);
        return first;
    }

    /// A polygon or count object: the clicks, and the closing copy of the
    /// first click when there are more than two.
    int32_t Closed(int32_t type, const std::vector<Click>& clicks, bool excluded = false) {
        int32_t first = 0;
        for (std::size_t k = 0; k < clicks.size(); ++k) {
            const int32_t at = Point(type, clicks[k].first, clicks[k].second, k == 0 ? 1 : 2, {},
                                     excluded && k == 0);
            if (k == 0) first = at;
        }
        if (clicks.size() > 2) Point(type, clicks[0].first, clicks[0].second, 2);
        return first;
    }

    /// An axis-parallel square polygon of the given side at (x, y).
    int32_t Square(int32_t type, double side, bool excluded = false, double x = 0.0,
                   double y = 0.0) {
        return Closed(type, {{x, y}, {x + side, y}, {x + side, y + side}, {x, y + side}}, excluded);
    }

    /// A Count object of m clicks.
    int32_t Count(int32_t type, int m, bool excluded = false) {
        std::vector<Click> clicks;
        for (int k = 0; k < m; ++k) clicks.emplace_back(100.0 * k, 50.0 * k);
        return Closed(type, clicks, excluded);
    }

    /// A Text object carrying label (capture leaves its kind unset).
    int32_t Text(int32_t type, std::string label, bool excluded = false) {
        return Point(type, 10.0, 10.0, 0, std::move(label), excluded);
    }

private:
    Workspace& ws_;
};

}  // namespace kvx::test
