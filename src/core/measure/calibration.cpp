#include "core/measure/calibration.hpp"

#include <cmath>
#include <limits>

#include "core/program/settings.hpp"
#include "core/project/measured_object.hpp"
#include "core/project/project.hpp"
#include "core/support/charset.hpp"
#include "core/support/message_catalog.hpp"
#include "core/support/strings.hpp"

namespace kvx {

namespace {

bool Numeric(PropertiesDialogModel::Field field) {
    return field == PropertiesDialogModel::Edit2 || field == PropertiesDialogModel::Edit4 ||
           field == PropertiesDialogModel::Edit5;
}

bool ReadNumber(const std::string& text, double& value) {
    value = 0.0;
    return RealVal(text, value) == kOk;
}

// trunc(old x |measured| / |known|), exactly; anything beyond int32 comes
// back as a value above it.
double TruncatedQuotient(int32_t old, ExactDecimal measured, ExactDecimal known) {
    __extension__ typedef unsigned __int128 Wide;  // holds int32 x 10^18 x 10^18
    constexpr Wide kRoom = ~Wide{0} / 10;
    constexpr double kBeyond = 4294967296.0;
    const auto magnitude = [](int64_t v) { return static_cast<Wide>(v < 0 ? -v : v); };
    Wide numerator = static_cast<Wide>(old < 0 ? 0 : old) * magnitude(measured.mantissa);
    Wide denominator = magnitude(known.mantissa);
    for (int64_t shift = int64_t{measured.exponent} - known.exponent; shift != 0;) {
        if (shift > 0) {
            if (numerator > kRoom) return kBeyond;  // the denominator is below 10^18
            numerator *= 10;
            --shift;
        } else {
            if (denominator > kRoom) return 0.0;  // the numerator is below 10^28
            denominator *= 10;
            ++shift;
        }
    }
    const Wide quotient = numerator / denominator;
    return quotient > static_cast<Wide>(kBeyond) ? kBeyond : static_cast<double>(quotient);
}

}  // namespace

std::string GeneralNumber(double value) {
    return FormatReal(0, -1, false, value);
}

PropertiesDialogModel PropertiesDialogModel::Open(const Project& project, const Settings& settings,
                                                  const MessageCatalog& messages) {
    PropertiesDialogModel model;
    model.Text(Edit1) = project.title;
    model.Text(Edit2) = IntToStr(project.resolutionDpi);
    model.Text(Edit3) = project.imagePath;
    model.Text(Edit8) = project.userName;
    if (settings.Calibration != 0.0) {
        model.Text(Edit6) = GeneralNumber(1.0);
        model.Text(Edit7) = GeneralNumber(100.0 / settings.Calibration);
    }
    model.Label7 = PathAsText(project.projectPath);
    model.caption = messages.GetMessage(kMsgPropertiesCaption);
    if (!project.projectPath.empty())
        model.caption.append(" : ").append(PathAsText(project.projectPath));
    return model;
}

void PropertiesDialogModel::Enter(Field field) {
    if (!Numeric(field)) return;
    double value = 0.0;
    if (ReadNumber(Text(field), value)) remembered_[static_cast<std::size_t>(field)] = value;
}

void PropertiesDialogModel::Leave(Field field) {
    if (!Numeric(field)) return;
    double value = 0.0;
    if (!ReadNumber(Text(field), value)) {
        double back = remembered_[static_cast<std::size_t>(field)];
        if (field == Edit2) back = std::trunc(back);
        Text(field) = GeneralNumber(back);
        return;
    }
    if (value == 0.0) return;
    if (field == Edit2) {
        Text(Edit4).clear();
        Text(Edit5).clear();
    } else {
        Text(Edit2).clear();
    }
}

int32_t ResolutionFromDialog(const PropertiesDialogModel& model, int32_t old) {
    int32_t direct = 0;
    if (IntVal(model.Text(PropertiesDialogModel::Edit2), direct) == kOk && direct > 0) {
        return direct;
    }
    const std::string& knownText = model.Text(PropertiesDialogModel::Edit4);
    const std::string& measuredText = model.Text(PropertiesDialogModel::Edit5);
    ExactDecimal knownExact;
    ExactDecimal measuredExact;
    double scaled = 0.0;
    if (DecimalVal(knownText, knownExact) && DecimalVal(measuredText, measuredExact)) {
        // In binary, 2400 x 0.82 is 1967.9999...: truncating that would lose
        // a dot per inch that the decimal numbers as typed do not.
        if (!(knownExact.mantissa != 0 && measuredExact.mantissa != 0 &&
              (knownExact.mantissa > 0) == (measuredExact.mantissa > 0))) {
            return old;
        }
        scaled = TruncatedQuotient(old, measuredExact, knownExact);
    } else {
        double known = 0.0;
        double measured = 0.0;
        if (!ReadNumber(knownText, known) || !ReadNumber(measuredText, measured) ||
            !(known * measured > 0.0)) {
            return old;
        }
        scaled = std::trunc(static_cast<double>(old) * measured / known);
    }
    // A scale that shrinks the resolution below one dot per inch, or beyond
    // what the project can hold, leaves it as it was.
    if (!(scaled >= 1.0) || scaled > std::numeric_limits<int32_t>::max()) return old;
    return static_cast<int32_t>(scaled);
}

double PointerCalibrationFromDialog(const PropertiesDialogModel& model) {
    double a = 0.0;
    double b = 0.0;
    if (!ReadNumber(model.Text(PropertiesDialogModel::Edit6), a) ||
        !ReadNumber(model.Text(PropertiesDialogModel::Edit7), b) || a * b == 0.0 || a == b) {
        return 0.0;
    }
    return a / b * 100.0;
}

void RescalePoints(History& history, int32_t oldDpi, int32_t newDpi) {
    if (oldDpi == newDpi || oldDpi <= 0 || newDpi <= 0) return;
    const double f = static_cast<double>(oldDpi) / newDpi;
    for (int32_t i = 1; i <= history.Count(); ++i) {
        MeasuredObject point = history.Peek(i);
        point.x *= f;
        point.y *= f;
        history.Put(i, point);
    }
}

}  // namespace kvx
