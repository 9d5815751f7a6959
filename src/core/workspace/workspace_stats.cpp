#include "core/measure/values.hpp"
#include "core/stats/collect_values.hpp"
#include "core/stats/statistics.hpp"
#include "core/workspace/workspace.hpp"

namespace kvx {

namespace {

// Message numbers of the statistics grid labels.
constexpr int kMessageMean = 2091;
constexpr int kMessageStandardDeviation = 2092;
constexpr int kMessageWithin = 2093;
constexpr int kMessageVariance = 2094;

std::array<std::string, GridModel::kStatisticsRows> StatisticsLabels(const Program& program) {
    return {"n",
            "min",
            "max",
            program.GetMessage(kMessageMean),
            program.GetMessage(kMessageVariance),
            program.GetMessage(kMessageStandardDeviation),
            "s*100/\xB5",
            "\xB5\xB1s",
            program.GetMessage(kMessageWithin)};
}

}  // namespace

void Workspace::StatisticsPass() {
    grids.Reset(StatisticsLabels(program_));
    if (currentType == 0) return;

    const Settings& settings = program_.settings;
    const int dataType = program_.objectTypes.At(currentType).dataType;
    CollectValues(history, program_.objectTypes, currentType, valueList);
    const StatisticsMarks marks = ComputeStatistics(valueList);
    CalcClassSize();
    grids.Fill(valueList, marks, dataType, settings.TableUnit, settings.Language == 0);
}

void Workspace::CalcClassSize() {
    ClassWidth = kvx::CalcClassSize(program_.settings, valueList.mean(),
                                    program_.objectTypes.At(currentType).dataType);
}

bool Workspace::ToggleValueExclusion(int32_t row) {
    if (captureState == 1 || modifyMode != 0 || !grids.HasValue(row)) return false;
    const int32_t firstPoint = valueList.Entry(row + 1).firstPoint;
    if (firstPoint < 1 || firstPoint > history.Count()) return false;
    BeginChange();
    MeasuredObject point = history.Get(firstPoint);
    point.excluded = !point.excluded;
    history.Put(firstPoint, point);
    fileState = kChanged;
    EndChange(point.excluded ? kMsgUndoExclude : kMsgUndoInclude);
    StatisticsPass();
    Redraw();
    return true;
}

}  // namespace kvx
