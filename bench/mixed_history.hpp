// The history both redraw benchmarks draw: rounds of eight objects of every
// data type (82 points a round), with symbols, labels and excluded values.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/program/program.hpp"
#include "core/workspace/workspace.hpp"

namespace kvx::bench {

/// Where the rounds lie: each round's first point at origin plus a multiple
/// of 1,000 micrometres below spreadX and spreadY, its points step apart.
struct MixedLayout {
    double origin = 2000.0;
    int spreadX = 990;
    int spreadY = 990;
    double step = 1500.0;
};

inline void DefineBenchType(Program& program, int slot, DataType dataType, int32_t symbol) {
    ObjectType& t = *program.objectTypes.Find(slot);
    t.dataClass = kClassUser;
    t.dataType = dataType;
    t.show = true;
    t.showLabel = true;
    t.colour = 0x0000C0 + slot;
    t.attribute = 0;
    t.textFont = "Arial";
    t.size = 8;
    t.symbolNumber = symbol;
    t.symbolFont = "Arial";
    t.symbolSize = 5;
    t.textColour = 0x804000;
}

/// Defines types 1 to 8 (and the template slots) and appends points records
/// to the workspace's history; returns the number of objects they make.
inline int32_t AppendMixedHistory(Program& program, Workspace& ws, int32_t points,
                                  const MixedLayout& layout) {
    DefineBenchType(program, 1, kLine, 0);
    DefineBenchType(program, 2, kPoint, 'x');
    DefineBenchType(program, 3, kObject, 0);
    DefineBenchType(program, 4, kText, 0);
    DefineBenchType(program, 5, kPolygon, 0);
    DefineBenchType(program, 6, kTwoPointLine, 0);
    DefineBenchType(program, 7, kCount, 3 * 256);
    DefineBenchType(program, 8, kPoint, 6 * 256);
    for (int slot : {121, 123, 124, 125, 127}) DefineBenchType(program, slot, kLine, 0);

    static constexpr int kRoundTypes[] = {1, 2, 3, 4, 5, 6, 7, 8};
    static constexpr int kRoundPoints[] = {12, 1, 3, 1, 23, 2, 39, 1};
    int32_t objects = 0;
    int32_t n = 0;
    for (int round = 0; n < points; ++round) {
        for (int k = 0; k < 8 && n < points; ++k) {
            const int type = kRoundTypes[k];
            const double x0 = (round * 7919 % layout.spreadX) * 1000.0 + layout.origin;
            const double y0 = (round * 104729 % layout.spreadY) * 1000.0 + layout.origin;
            const bool closing = type == 5 || type == 7;
            const int count = kRoundPoints[k];
            for (int i = 0; i < count && n < points; ++i, ++n) {
                MeasuredObject p;
                p.typeIndex = type;
                const int j = closing && i == count - 1 ? 0 : i;
                p.x = x0 + (j % 5) * layout.step;
                p.y = y0 + (j / 5) * layout.step;
                p.vertexKind = type == 2 || type == 3 || type == 4 || type == 8
                                   ? 0
                                   : (type == 6 ? (i % 2 == 0 ? 1 : 2) : (i == 0 ? 1 : 2));
                p.name = type == 1 || type == 5 ? "" : "Obj " + std::to_string(round);
                p.excluded = round % 13 == 0;
                if (!ws.AppendRecord(p)) std::abort();
            }
            ++objects;
        }
    }
    return objects;
}

}  // namespace kvx::bench
