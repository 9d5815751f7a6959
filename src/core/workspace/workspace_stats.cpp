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
    NoticeScope notice(*this);
    Changed(Change::Statistics);
    grids_.Reset(StatisticsLabels(program_));
    if (currentType_ == 0) return;

    const Settings& settings = program_.settings;
    const int dataType = program_.objectTypes.At(currentType_).dataType;
    CollectValues(history_, program_.objectTypes, currentType_, valueList_);
    const StatisticsMarks marks = ComputeStatistics(valueList_);
    CalcClassSize();
    grids_.Fill(valueList_, marks, dataType, settings.TableUnit, settings.Language == 0);
}

void Workspace::CalcClassSize() {
    NoticeScope notice(*this);
    ClassWidth_ = kvx::CalcClassSize(program_.settings, valueList_.mean(),
                                     program_.objectTypes.At(currentType_).dataType);
}

bool Workspace::ToggleValueExclusion(int32_t row) {
    NoticeScope notice(*this);
    if (captureState() == 1 || modifyMode() != 0 || !grids_.HasValue(row)) return false;
    const int32_t firstPoint = valueList_.Entry(row + 1).firstPoint;
    if (firstPoint < 1 || firstPoint > history_.Count()) return false;
    BeginChange();
    MeasuredObject point = history_.Get(firstPoint);
    point.excluded = !point.excluded;
    history_.Put(firstPoint, point);
    fileState_ = kChanged;
    EndChange(point.excluded ? kMsgUndoExclude : kMsgUndoInclude);
    StatisticsPass();
    Redraw();
    return true;
}

}  // namespace kvx
