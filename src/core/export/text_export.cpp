#include "core/export/text_export.hpp"

#include <cmath>
#include <map>

#include "core/measure/values.hpp"
#include "core/program/program.hpp"
#include "core/stats/collect_values.hpp"
#include "core/stats/statistics.hpp"
#include "core/support/charset.hpp"
#include "core/support/file_names.hpp"
#include "core/support/file_replacement.hpp"
#include "core/support/strings.hpp"

namespace kvx {

namespace {

constexpr int kMessageCannotCreateCaption = 147;
constexpr int kMessageCannotCreate = 2017;
constexpr int kMessageQuestionCaption = 2018;
constexpr int kMessageQuestion = 2019;

// Bits of `OutputItemMask`, one per column of the screen report.
constexpr int32_t kItemNameBefore = 1;
constexpr int32_t kItemNameFrom = 2;
constexpr int32_t kItemCount = 4;
constexpr int32_t kItemRange = 8;
constexpr int32_t kItemMean = 16;
constexpr int32_t kItemS = 32;
constexpr int32_t kItemVariation = 64;
constexpr int32_t kItemInterval = 128;
constexpr int32_t kItemWithin = 256;

// The stored statistics are in micrometres and square micrometres; each
// output shows them in its own scale.
double ReportFactor(int dataType) {
    return dataType == kPolygon ? 1000.0 : 1.0;
}

double ScreenFactor(int dataType) {
    if (dataType == kPolygon) return 1000000.0;
    if (dataType == kTwoPointLine) return 1000.0;
    return 1.0;
}

// range div Trunc(width) for a width of at least 1: a width beyond the range
// leaves class 0 alone, and is never converted to an integer it cannot fit.
int64_t LastClassWithin(int64_t range, double width) {
    if (width > static_cast<double>(range)) return 0;
    return range / static_cast<int64_t>(width);
}

std::string CutBeforeParenthesis(const std::string& name) {
    return name.substr(0, name.find('('));
}

}  // namespace

std::string_view ExportExtension(int32_t kind) {
    switch (kind) {
        case kExportMetafile:
            return "WMF";
        case kExportBitmap:
            return "BMP";
        case kExportReport:
        case kExportR:
            return "TXT";
        case kExportTessaplot:
            return "TSP";
        case kExportJpeg:
            return "JPG";
        default:
            return {};
    }
}

TextExport::TextExport(Program& program, const Project& project, const History& history,
                       double classWidth, int32_t kind, std::string fileName,
                       std::vector<std::string>* memo)
    : program_(program),
      project_(project),
      history_(history),
      classWidth_(classWidth),
      kind_(kind),
      fileName_(std::move(fileName)),
      memo_(memo),
      decimalComma_(program.settings.Language == 0) {}

void TextExport::StatisticsPass(int32_t type) {
    statisticsRan_ = true;
    CollectValues(history_, program_.objectTypes, type, values_);
    (void)ComputeStatistics(values_);
    classWidth_ =
        CalcClassSize(program_.settings, values_.mean(), program_.objectTypes.At(type).dataType);
}

std::string TextExport::Number(int decimals, double value) const {
    return FormatReal(-1, decimals, decimalComma_, value);
}

std::string TextExport::Shown(int decimals, double value) const {
    return Representable(value) ? Number(decimals, value) : std::string("-");
}

bool TextExport::Line(std::string_view text) {
    if (writeFailed_) return false;
    if (!file_.File().WriteLine(text)) writeFailed_ = true;
    return !writeFailed_;
}

void TextExport::WriteTextExport() {
    if (!IsTextExport(kind_)) return;
    if (kind_ == kExportReport || kind_ == kExportTessaplot) {
        if (!(classWidth_ > 0.0)) return;
        classes_.assign(static_cast<std::size_t>(kLastClass) + 1, {0, 0, 0});
    }

    const auto inUse = TypesInUse(history_);

    const Settings& settings = program_.settings;
    bool cancelled = false;
    for (int32_t n = 1; n <= ObjectTypeTable::kSlots && !cancelled; ++n) {
        const ObjectType& type = program_.objectTypes.At(n);
        if (type.dataClass != kClassUser || !inUse[static_cast<std::size_t>(n)] ||
            !YieldsValues(type.dataType)) {
            continue;
        }
        if (kind_ == kExportR || (kind_ == kExportTessaplot && typesWritten_ < 3)) {
            const std::string& name = type.Name(settings.Language);
            const int answer = program_.ui.MessageBox(
                program_.GetMessage(kMessageQuestionCaption),
                program_.GetMessage(kMessageQuestion) + "\r\n" + name, MessageButtons::YesNoCancel);
            if (answer == kAnswerCancel) {
                cancelled = true;
                continue;
            }
            if (answer != kAnswerYes) continue;
            if (kind_ == kExportR) {
                // Past the last column a type is still answered for, but its
                // values have nowhere to go. Names are separated by column, so
                // a name that is empty before its "(" keeps its place.
                column_ = 0;
                if (columns_ < kMaxColumns) {
                    if (columns_ > 0) header_ += '\t';
                    header_ += CutBeforeParenthesis(name);
                    column_ = ++columns_;
                }
            } else {
                head_ += IntToStr(typesWritten_ + 1) + ":" + type.nameEnglish + ", ";
            }
        }
        ++typesWritten_;
        if (!WriteTypeBlock(n)) return;
        if (writeFailed_) break;
    }

    if (started_ && !cancelled && !writeFailed_) {
        if (kind_ == kExportTessaplot) WriteTessaplotTrailer();
        if (kind_ == kExportR) WriteRTable();
    }
    // A cancelled export keeps what it has written so far; a failed one
    // leaves the file that was there before.
    if (file_.File().IsOpen() && !writeFailed_ && file_.Commit() != kOk) writeFailed_ = true;
    // Tidying up must not lose the system's reason for the failure.
    const int32_t reason = LastIoResult();
    file_.Discard();
    if (writeFailed_) {
        SetLastIoResult(reason);
        ReportWriteFailure();
    }
}

bool TextExport::WriteTypeBlock(int32_t n) {
    const bool toFile = kind_ != kExportScreen;
    if (!started_) {
        if (toFile) {
            if (file_.Begin(fileName_) != kOk) {
                ReportWriteFailure();
                return false;
            }
        }
        started_ = true;
        if (kind_ == kExportReport) {
            // The report is Windows-1252 text throughout.
            Line(PathAsText(project_.projectPath));
        } else if (kind_ == kExportTessaplot) {
            Line(";C: " + PathAsText(ExtractFileName(project_.imagePath)));
            Line(";D: 3,EXPMES.CFG,,0,0,0");
        } else if (kind_ == kExportScreen && memo_ != nullptr) {
            static constexpr std::pair<int32_t, const char*> kColumns[] = {
                {kItemCount, "n"},  {kItemRange, "min-max"}, {kItemMean, "\xB5"},
                {kItemS, "s"},      {kItemVariation, "cv"},  {kItemInterval, "\xB5\xB1s"},
                {kItemWithin, "%"},
            };
            std::string header;
            for (const auto& [bit, title] : kColumns) {
                if (program_.settings.OutputItemMask & bit) {
                    header += '\t';
                    header += title;
                }
            }
            memo_->push_back(std::move(header));
        }
    } else if (kind_ == kExportReport || kind_ == kExportTessaplot) {
        Line("");
    }

    StatisticsPass(n);
    const auto counted = static_cast<int32_t>(values_.n());

    if (kind_ == kExportScreen) ScreenLine(n, counted);
    if (kind_ == kExportR) StoreRValues();
    if (kind_ == kExportReport) ReportBlock(n, counted);

    if (kind_ == kExportReport || (kind_ == kExportTessaplot && typesWritten_ <= 3)) {
        CountClasses();
    }
    return true;
}

void TextExport::ScreenLine(int32_t n, int32_t counted) {
    if (memo_ == nullptr) return;
    const Settings& settings = program_.settings;
    const ObjectType& type = program_.objectTypes.At(n);
    const ValueList& v = values_;
    const int32_t mask = settings.OutputItemMask;
    const double f = ScreenFactor(type.dataType);
    // Unscaled values (counts, labels) are listed as they are, in free form:
    // a label 2.5 is not rounded to 2. The statistics of every type keep the
    // places set for this report.
    const int valueDecimals = f == 1.0 ? -1 : settings.DecimalPlaces;
    const int d = settings.DecimalPlaces;
    const auto scaled = [&](double value) { return Shown(d, value / f); };
    const auto value = [&](double x) { return Shown(valueDecimals, x / f); };

    std::string line;
    const std::string& name = type.nameEnglish;
    if (const auto open = name.find('('); open != std::string::npos) {
        if (mask & kItemNameBefore) line += name.substr(0, open);
        if (mask & kItemNameFrom) line += name.substr(open);
    } else if (mask & (kItemNameBefore | kItemNameFrom)) {
        line += name;
    }
    // The numbers of lengths and areas are in this report's own scale.
    if (!line.empty() && f != 1.0) {
        line = TrimRight(line) + (f == 1000.0 ? " [mm]" : " [mm\xB2]");
    }
    // Each cell is appended on its own: a "\t" + temporary concatenation
    // makes GCC's optimiser report a false overlap (-Wrestrict).
    const auto cell = [&line](const std::string& text) {
        line += '\t';
        line += text;
    };
    const std::string none = "-";
    if (mask & kItemCount) cell(FormatReal(-1, -1, false, v.n()));
    if (mask & kItemRange) {
        if (counted == 0 || !Representable(v.min() / f) || !Representable(v.max() / f)) {
            cell(none);
        } else if (counted == 1 || v.min() == v.max()) {
            cell(value(v.min()));
        } else {
            cell(value(v.min()));
            line += '-';
            line += value(v.max());
        }
    }
    if (mask & kItemMean) cell(counted == 0 ? none : scaled(v.mean()));
    if (mask & kItemS) cell(counted < 2 ? none : scaled(v.s()));
    if (mask & kItemVariation) {
        // A mean of 0 leaves the coefficient undefined.
        cell(counted < 2 || v.mean() == 0.0 ? none
                                            : Shown(1, (v.s() / 10.0) / (v.mean() / 1000.0)));
    }
    if (mask & kItemInterval) {
        const double lower = v.mean() - v.s();
        const double upper = v.mean() + v.s();
        if (counted < 2 || !Representable(lower / f) || !Representable(upper / f)) {
            cell(none);
        } else {
            cell(scaled(lower));
            line += '-';
            line += scaled(upper);
        }
    }
    if (mask & kItemWithin) cell(counted == 1 ? std::string("1") : Number(1, v.withinPercent()));
    memo_->push_back(std::move(line));
}

void TextExport::ReportBlock(int32_t n, int32_t counted) {
    const ValueList& v = values_;
    if (!(v.mean() > 0.0 && v.s() > 0.0)) return;
    const ObjectType& type = program_.objectTypes.At(n);
    const double f = ReportFactor(type.dataType);
    const auto value = [&](double x) { return Shown(3, x / f); };

    Line(type.nameEnglish + "\t" + type.nameGerman);
    Line("n\t" + IntToStr(counted));
    Line("min\t" + value(v.min()));
    Line("max\t" + value(v.max()));
    Line("d\t" + value(v.mean()));
    Line("v\t" + value(v.variance()));
    Line("s\t" + value(v.s()));
    Line("cv\t" + Shown(1, (v.s() / 10.0) / (v.mean() / 1000.0)));
    Line("d-s\t" + value(v.mean() - v.s()));
    Line("d+s\t" + value(v.mean() + v.s()));
    Line("p\t" + FormatReal(-1, 1, false, v.withinPercent()));
    for (int32_t k = 1; k <= v.Count(); ++k) {
        const ValueEntry& e = v.Entry(k);
        if (!e.excluded) Line("V " + IntToStr(k) + "\t" + value(e.value));
    }
    Line("");
}

void TextExport::StoreRValues() {
    if (column_ < 1) return;
    const ValueList& v = values_;
    const auto slot = static_cast<std::size_t>(column_ - 1);
    for (int32_t k = 1; k <= v.Count() && k < kMaxRows; ++k) {
        const ValueEntry& e = v.Entry(k);
        if (e.excluded) continue;
        if (static_cast<int32_t>(rows_.size()) >= kMaxRows) return;
        rows_.emplace_back();
        rows_.back().fill(0.0);
        rows_.back()[slot] = e.value;
    }
}

void TextExport::CountClasses() {
    const double width = classWidth_;
    if (!(width >= 1.0) || !std::isfinite(width)) return;  // no whole class width, no classes
    const int64_t lastClass = LastClassWithin(kClassRange, width);

    // Class c holds the values v with c * width <= v < (c + 1) * width.
    std::map<int64_t, int32_t> counts;
    const ValueList& v = values_;
    for (int32_t k = 1; k <= v.Count(); ++k) {
        const ValueEntry& e = v.Entry(k);
        if (e.excluded || !(e.value >= 0.0)) continue;
        const double estimate = std::floor(e.value / width);
        if (estimate > static_cast<double>(lastClass) + 1.0) continue;
        auto c = static_cast<int64_t>(estimate);
        while (c > 0 && static_cast<double>(c) * width > e.value) --c;
        while (static_cast<double>(c + 1) * width <= e.value) ++c;
        if (c <= lastClass) ++counts[c];
    }

    for (const auto& [c, number] : counts) {
        if (kind_ == kExportReport) {
            Line(IntToStr(static_cast<int64_t>(static_cast<double>(c) * width)) + "\t" +
                 IntToStr(number));
        } else if (c <= kLastClass) {
            classes_[static_cast<std::size_t>(c)][static_cast<std::size_t>(typesWritten_ - 1)] =
                number;
        }
    }
}

void TextExport::WriteTessaplotTrailer() {
    Line("LABEL X;\xB5m");
    Line("LABEL HEAD;" + head_);
    const double width = classWidth_;
    if (!(width >= 1.0) || !std::isfinite(width)) return;
    const int64_t lastClass = LastClassWithin(kLastClass, width);
    for (int64_t c = 0; c <= lastClass; ++c) {
        const auto& counters = classes_[static_cast<std::size_t>(c)];
        if (counters[0] + counters[1] + counters[2] <= 0) continue;
        // Appended piece by piece, as in ScreenLine (GCC's -Wrestrict).
        std::string line = "DATA;";
        line += IntToStr(static_cast<int64_t>(static_cast<double>(c) * width));
        for (std::size_t k = 0; k < 3 && (k == 0 || static_cast<int64_t>(k) < typesWritten_); ++k) {
            line += ';';
            line += IntToStr(counters[k]);
        }
        if (!Line(line)) return;
    }
}

void TextExport::WriteRTable() {
    // R reads line feeds alone, and on this system text in UTF-8: a name
    // in Windows-1252 stops its reader at the first umlaut.
    std::string text = Cp1252ToUtf8(header_) + "\n";
    for (const auto& row : rows_) {
        for (int32_t c = 0; c < columns_; ++c) {
            if (c > 0) text += '\t';
            // R's own word for a number that is missing.
            const double value = row[static_cast<std::size_t>(c)];
            text += Representable(value) ? FormatReal(-1, 3, false, value) : "NA";
        }
        text += '\n';
    }
    if (!file_.File().Write(text)) writeFailed_ = true;
}

void TextExport::ReportWriteFailure() {
    program_.ui.MessageBox(program_.GetMessage(kMessageCannotCreateCaption),
                           program_.GetMessage(kMessageCannotCreate) + " " + fileName_,
                           MessageButtons::Ok);
}

}  // namespace kvx
