#include "cli/batch_stats.hpp"

#include <cmath>
#include <cstdint>

#include "cli/batch_session.hpp"
#include "core/export/object_table_text.hpp"
#include "core/measure/values.hpp"
#include "core/stats/collect_values.hpp"
#include "core/support/strings.hpp"

namespace kvx::batch {

namespace {

// Rows end as the CSV standard has them.
constexpr std::string_view kLineEnd = "\r\n";

std::string IntegerText(double value) {
    return IntToStr(static_cast<int64_t>(value));
}

// Areas are listed in the square of the length unit.
std::string UnitText(int dataType, int32_t tableUnit) {
    std::string unit = CoreToUtf8(UnitName(dataType, tableUnit));
    if (dataType == kPolygon) unit += "\xC2\xB2";
    return unit;
}

void AppendRow(std::string& rows, const std::vector<std::string>& cells) {
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i > 0) rows += ',';
        rows += cells[i];
    }
    rows += kLineEnd;
}

}  // namespace

std::string_view StatsHeader() {
    return "project,image,resolution_dpi,type,type_name,data_type,unit,n,excluded,min,max,mean,s,"
           "variance,lower,upper,within_percent,cv_percent";
}

std::string CsvField(std::string_view text) {
    return kvx::CsvField(text);
}

std::string ShortestNumber(double value) {
    return kvx::ShortestNumber(value);
}

std::string StatsRows(Session& session, std::string_view projectName) {
    Workspace& ws = session.workspace();
    const Program& program = session.program();
    const Settings& settings = program.settings;
    const int32_t unit = settings.TableUnit;
    const int32_t remembered = ws.currentType();

    std::string rows;
    for (const int32_t n : session.ExportedTypes()) {
        const ObjectType& type = program.objectTypes.At(n);
        ws.SetCurrentType(n);
        ws.StatisticsPass();
        const ValueList& v = ws.valueList();
        const double counted = v.n();
        const auto shown = [&](double value) { return UnitDivisor(value, type.dataType, unit); };
        const auto number = [&](bool computed, double value) {
            return computed ? ShortestNumber(value) : std::string();
        };
        const bool any = counted >= 1;
        const bool spread = counted >= 2;
        const double mean = shown(v.mean());
        const double s = shown(v.s());

        std::vector<std::string> cells = {
            CsvField(projectName),
            CsvField(PathToUtf8(session.PicturePath())),
            IntToStr(ws.project().resolutionDpi),
            IntToStr(n),
            CsvField(CoreToUtf8(type.Name(settings.Language))),
            CsvField(CoreToUtf8(DataTypeName(type.dataType, settings.Language))),
            CsvField(UnitText(type.dataType, unit)),
            IntegerText(counted),
            IntegerText(v.excludedCount()),
            number(any, shown(v.min())),
            number(any, shown(v.max())),
            number(any, mean),
            number(spread, s),
            // A variance is in the square of the unit of its values.
            number(spread, shown(shown(v.variance()))),
            number(spread, shown(v.lowerBound())),
            number(spread, shown(v.upperBound())),
            number(spread, v.withinPercent()),
            // With a mean of 0 the coefficient is undefined.
            number(spread && mean != 0.0, s * 100.0 / mean),
        };
        AppendRow(rows, cells);
    }
    ws.SetCurrentType(remembered);
    ws.StatisticsPass();
    return rows;
}

std::string_view ValuesHeader() {
    return "project,image,type,type_name,data_type,object,value,unit,excluded";
}

std::string ValuesRows(Session& session, std::string_view projectName) {
    const Workspace& ws = session.workspace();
    const Program& program = session.program();
    const Settings& settings = program.settings;
    const int32_t unit = settings.TableUnit;
    const std::string project = CsvField(projectName);
    const std::string image = CsvField(PathToUtf8(session.PicturePath()));

    // A list of its own, so the workspace's statistics stay those of its type.
    ValueList values;
    std::string rows;
    for (const int32_t n : session.ExportedTypes()) {
        const ObjectType& type = program.objectTypes.At(n);
        CollectValues(ws.history(), program.objectTypes, n, values);
        const std::string typeName = CsvField(CoreToUtf8(type.Name(settings.Language)));
        const std::string dataType =
            CsvField(CoreToUtf8(DataTypeName(type.dataType, settings.Language)));
        const std::string unitName = CsvField(UnitText(type.dataType, unit));
        for (int32_t k = 1; k <= values.Count(); ++k) {
            const ValueEntry& entry = values.Entry(k);
            // TRUE and FALSE are what R's read.csv and pandas read as logical.
            AppendRow(rows, {project, image, IntToStr(n), typeName, dataType, IntToStr(k),
                             ShortestNumber(UnitDivisor(entry.value, type.dataType, unit)),
                             unitName, entry.excluded ? "TRUE" : "FALSE"});
        }
    }
    return rows;
}

}  // namespace kvx::batch
