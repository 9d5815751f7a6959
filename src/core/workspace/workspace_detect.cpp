// Objects found on the picture, added to the project as measured objects.
#include "core/detect/detect_records.hpp"
#include "core/support/strings.hpp"
#include "core/workspace/workspace.hpp"

namespace kvx {

namespace {

constexpr int kMsgCaption = 2020;
constexpr int kMsgUndoDetected = 2261;
constexpr int kMsgDoNotFit = 2262;
constexpr int kMsgDetected = 2263;
constexpr int kMsgFit = 2264;
constexpr int kMsgRaiseCapacity = 2265;
constexpr int kMsgWrongType = 2266;

}  // namespace

bool Workspace::AddDetectedObjects(const std::vector<DetectedObject>& objects, int32_t typeIndex) {
    NoticeScope notice(*this);
    if (fileState_ == kNoProject || !history_.IsValid() || captureState() != 0 ||
        modifyMode() != 0 || dragIndex() != 0) {
        return false;
    }
    const ObjectType& type = program_.objectTypes.At(typeIndex);
    if (!ObjectTypeTable::ValidSlot(typeIndex) || type.dataClass != kClassUser ||
        (type.dataType != kPolygon && type.dataType != kCount)) {
        program_.ui.MessageBox(program_.GetMessage(kMsgCaption), program_.GetMessage(kMsgWrongType),
                               MessageButtons::Ok);
        return false;
    }
    const DetectionRecords found =
        RecordsForDetection(objects, typeIndex, type.dataType, project_.resolutionDpi);
    if (found.records.empty()) return false;
    const int64_t free = int64_t{history_.Capacity()} - history_.Count();
    if (static_cast<int64_t>(found.records.size()) > free) {
        const std::string text =
            program_.GetMessage(kMsgDoNotFit) + "\n" + program_.GetMessage(kMsgDetected) + " " +
            IntToStr(static_cast<int64_t>(objects.size())) + "\n" + program_.GetMessage(kMsgFit) +
            " " + IntToStr(found.ObjectsFitting(free)) + "\n" +
            program_.GetMessage(kMsgRaiseCapacity);
        program_.ui.MessageBox(program_.GetMessage(kMsgCaption), text, MessageButtons::Ok);
        return false;
    }

    BeginChange();
    const int32_t before = history_.Count();
    for (const MeasuredObject& record : found.records) {
        if (!history_.Append(record)) {
            // All or nothing: what went in already comes out again.
            history_.Clear(before + 1);
            break;
        }
    }
    const bool added = history_.Count() > before;
    if (added) {
        fileState_ = kChanged;
        Changed(Change::Records);
    }
    EndChange(kMsgUndoDetected);
    StatisticsPass();
    Redraw();
    return added;
}

}  // namespace kvx
