// Measure and modify modes, mouse handling on the paint box and the choice of
// the object type to measure.
#include <algorithm>
#include <limits>

#include "core/measure/values.hpp"
#include "core/support/strings.hpp"
#include "core/workspace/tools/measure_tool.hpp"
#include "core/workspace/tools/modify_tool.hpp"
#include "core/workspace/workspace.hpp"

namespace kvx {

namespace {

constexpr int32_t kRerankEvery = 20;
constexpr int kMsgObjectDoesNotFit = 2172;
constexpr int kMsgFreeRecords = 2173;
constexpr int kMsgRaiseRecordCapacity = 2265;
constexpr int kMinTypesForRanking = 10;

bool ExactlyAltLeft(const MouseEvent& event) {
    return event.button == MouseButton::Left && event.alt && !event.shift && !event.control;
}

bool ClosedShape(int dataType) {
    return dataType == kPolygon || dataType == kCount;
}

void CountUse(ObjectType* type) {
    if (type != nullptr && type->frequency < std::numeric_limits<int32_t>::max()) {
        ++type->frequency;
    }
}

MeasuredObject RecordOf(const PendingEntry& entry) {
    MeasuredObject record;
    record.x = static_cast<double>(entry.x);
    record.y = static_cast<double>(entry.y);
    record.colourOverride = entry.overrides.colour;
    record.typeIndex = entry.typeIndex;
    record.name = CutTo(entry.label, MeasuredObject::kMaxName);
    record.vertexKind = entry.vertexKind;
    record.sizeOverride = entry.overrides.size;
    record.textColourOverride = entry.overrides.textColour;
    record.excluded = false;
    return record;
}

}  // namespace

std::optional<WorldPosition> Workspace::MouseToWorld(int32_t x, int32_t y, int32_t boxWidth,
                                                     int32_t boxHeight) const {
    const auto calibrated = CalibratePointer(x, y, program_.settings.Calibration);
    if (!calibrated) return std::nullopt;
    return ScreenToWorld(drawnView_, calibrated->x, calibrated->y, boxWidth, boxHeight);
}

void Workspace::SyncPendingMarkers() {
    pendingPoints_.clear();
    pendingPoints_.reserve(pending_.size());
    for (const PendingEntry& entry : pending_) {
        pendingPoints_.push_back({entry.x, entry.y, entry.typeIndex, entry.vertexKind});
    }
}

void Workspace::MeasuringControlsChanged() {
    const bool idle = captureState() == 0 && modifyMode() == 0;
    cboEnabled_ = idle;
    valueGridEnabled_ = idle;
}

void Workspace::MeasureCommand() {
    NoticeScope notice(*this);
    if (modifyMode() != 0) ModifyCommand();
    if (captureState() == 0) {
        const bool open = !project_.imagePath.empty() || !project_.projectPath.empty();
        if (modifyMode() == 0 && open && history_.IsValid()) {
            ActivateTool(measureTool_);
            measureTool_->SetCaptureState(1);
        }
    } else if (captureState() == 1 && pending_.empty()) {
        ActivateTool(idleTool_);
        captureType_ = 0;
        StatisticsPass();
    } else if (captureState() == 1) {
        CommitPending();
    } else {
        pending_.clear();
        SyncPendingMarkers();
        ActivateTool(idleTool_);
        captureType_ = 0;
        StatisticsPass();
        Redraw();
    }
    UpdateFunctionButtons();
    MeasuringControlsChanged();
}

void Workspace::CommitPending() {
    BeginChange();
    const ObjectTypeTable& types = program_.objectTypes;
    captureType_ = 0;
    measureTool_->SetCaptureState(2);
    const std::size_t n = pending_.size();
    const std::size_t start = std::min(objectStart_, n == 0 ? 0 : n - 1);
    const int32_t committedType = n == 0 ? 0 : pending_[start].typeIndex;
    const int dataType = n == 0 ? int{kUndefined} : types.At(committedType).dataType;

    // An unpaired last point of a Two Point Line is dropped, together with
    // the label point that was made for it alone.
    std::size_t end = n;
    if (n > 0 && pending_[n - 1].vertexKind == 1 &&
        types.At(pending_[n - 1].typeIndex).dataType == kTwoPointLine) {
        end = n - 1;
        if (end > 0 && start == end && pending_[end - 1].typeIndex == kSlotLabelPoint) --end;
    }

    // Only whole objects are stored: a line without its second point or a
    // polygon without its last would be saved as something else. A label
    // point goes with the object it was made for, the closing copy with its
    // shape; the objects that fit are kept in the order they were made.
    const bool closingWanted = ClosedShape(dataType) && n - start > 2;
    const int64_t free = int64_t{history_.Capacity()} - history_.Count();
    int64_t used = 0;
    std::size_t fitting = 0;
    bool closingFits = false;
    for (std::size_t first = 0; first < end;) {
        std::size_t last = first + 1;
        while (last < end && (pending_[last].vertexKind == 2 ||
                              pending_[last - 1].typeIndex == kSlotLabelPoint)) {
            ++last;
        }
        const bool closes = closingWanted && first <= start && start < last;
        const int64_t needed = static_cast<int64_t>(last - first) + (closes ? 1 : 0);
        if (used + needed > free) break;
        used += needed;
        fitting = last;
        closingFits = closingFits || closes;
        first = last;
    }

    for (std::size_t k = 0; k < fitting; ++k) {
        if (!history_.Append(RecordOf(pending_[k]))) break;
        fileState_ = kChanged;
    }
    // The closing copy repeats the object's own first point, never its label.
    if (closingFits) {
        MeasuredObject closing = RecordOf(pending_[start]);
        closing.vertexKind = 2;
        if (history_.Append(closing)) fileState_ = kChanged;
    }
    const bool leftOut = fitting < end;

    pending_.clear();
    objectStart_ = 0;
    SyncPendingMarkers();
    EndChange(kMsgUndoNewObject);
    if (dataType == kPoint || dataType == kText || dataType == kTwoPointLine) {
        ActivateTool(idleTool_);
    }
    SelectCommittedType(committedType);
    StatisticsPass();
    Redraw();
    if (leftOut) {
        const std::string text = program_.GetMessage(kMsgObjectDoesNotFit) + "\n" +
                                 program_.GetMessage(kMsgFreeRecords) + " " +
                                 IntToStr(free - used) + "\n" +
                                 program_.GetMessage(kMsgRaiseRecordCapacity);
        program_.ui.MessageBox(program_.GetMessage(kMsgMeasureCaption), text, MessageButtons::Ok);
    }
}

void Workspace::SelectCommittedType(int32_t typeIndex) {
    if (typeIndex == currentType_ || typeIndex <= 0) return;
    const auto listed =
        std::find_if(cboItems_.begin(), cboItems_.end(),
                     [typeIndex](const TypeItem& item) { return item.type == typeIndex; });
    if (listed == cboItems_.end()) return;
    // What was measured is what the person wants to see listed.
    currentType_ = typeIndex;
    cboIndex_ = static_cast<int32_t>(listed - cboItems_.begin());
    Changed(Change::Selection);
    UpdateFunctionButtons();
}

int32_t Workspace::LastMeasuredType() const {
    for (int32_t i = history_.Count(); i >= 1; --i) {
        const int32_t type = history_.Peek(i).typeIndex;
        if (type <= 0 || type == kSlotLabelPoint) continue;
        const auto listed =
            std::find_if(cboItems_.begin(), cboItems_.end(),
                         [type](const TypeItem& item) { return item.type == type; });
        if (listed != cboItems_.end()) return type;
    }
    return 0;
}

void Workspace::DropPendingObject() {
    NoticeScope notice(*this);
    Changed(Change::Tool);
    pending_.clear();
    objectStart_ = 0;
    captureType_ = 0;
    SyncPendingMarkers();
    Redraw();
}

void Workspace::DropLastPendingPoint() {
    NoticeScope notice(*this);
    Changed(Change::Tool);
    if (pending_.empty()) return;
    pending_.pop_back();
    // The label point made for the object's first point goes with it.
    if (pending_.size() == objectStart_ && objectStart_ > 0 &&
        pending_.back().typeIndex == kSlotLabelPoint) {
        pending_.pop_back();
    }
    if (pending_.size() <= objectStart_) {
        objectStart_ = 0;
        if (pending_.empty()) captureType_ = 0;
    }
    SyncPendingMarkers();
    Redraw();
}

void Workspace::SetHotHandle(int32_t index) {
    NoticeScope notice(*this);
    if (modifyTool_ == nullptr || modifyTool_->HotHandle() == index) return;
    modifyTool_->SetHot(index);
    Changed(Change::Tool);
    Redraw();
}

void Workspace::MainPBDoubleClick(const MouseEvent& event) {
    NoticeScope notice(*this);
    // Taking the picture along knows no double clicks.
    const bool pan =
        event.button == MouseButton::Middle || (event.button == MouseButton::Left && event.panKey);
    if (pan || tool_ == panTool_) {
        MainPBMouseDown(event);
        return;
    }
    tool_->DoubleClick(event);
}

bool Workspace::ToolKey(int32_t key) {
    NoticeScope notice(*this);
    return tool_->Key(key, false, false, false);
}

void Workspace::ModifyCommand() {
    NoticeScope notice(*this);
    if (captureState() != 0) MeasureCommand();
    const bool wasOn = modifyMode() != 0;
    const bool on = !(history_.Count() == 0 || captureType_ > 0) && !wasOn;
    // Switching cancels a drag under way; staying on does not keep one either.
    tool_->Cancel();
    ActivateTool(on ? static_cast<MouseTool*>(modifyTool_) : idleTool_);
    if (wasOn && !on) StatisticsPass();
    captureType_ = 0;
    pending_.clear();
    objectStart_ = 0;
    SyncPendingMarkers();
    MeasuringControlsChanged();
    Redraw();
}

void Workspace::WandCommand() {
    NoticeScope notice(*this);
    const bool wasOn = wandMode();
    FinishMeasuring();
    const bool open = !project_.imagePath.empty() && history_.IsValid();
    ActivateTool(!wasOn && open ? wandTool_ : idleTool_);
    MeasuringControlsChanged();
    Redraw();
}

void Workspace::FinishMeasuring() {
    NoticeScope notice(*this);
    if (modifyMode() != 0) ModifyCommand();
    // A commit may leave measure mode ready for the next object; the second
    // command then leaves it.
    for (int step = 0; step < 3 && captureState() != 0; ++step) MeasureCommand();
}

void Workspace::ResetMeasuring() {
    NoticeScope notice(*this);
    tool_->Cancel();
    ActivateTool(idleTool_);
    captureType_ = 0;
    pending_.clear();
    objectStart_ = 0;
    SyncPendingMarkers();
    MeasuringControlsChanged();
}

bool Workspace::ShowObjectDialog() {
    const ObjectTypeTable& types = program_.objectTypes;
    Settings& settings = program_.settings;
    const int language = settings.Language;
    ObjectDialogRequest request;
    const int32_t wanted = lastTypeUsed_ != 0 ? lastTypeUsed_ : kSlotTemplate;
    for (int32_t slot = 1; slot <= ObjectTypeTable::kSlots; ++slot) {
        const ObjectType& type = types.At(slot);
        if (type.dataClass != kClassUser) continue;
        request.items.push_back({slot, type.dataType, FormatTypeItem(types, slot, language)});
        if (slot == wanted) request.preselected = slot;
    }
    request.askObjectName = settings.AskObjectName != 0;

    const ObjectDialogAnswer answer = program_.ui.ObjectDialog(request);
    if (!answer.ok || !types.At(answer.type).InUse()) {
        captureType_ = 0;
        captureLabel_.clear();
        return false;
    }
    captureType_ = answer.type;
    captureLabel_ = CutTo(answer.label, MeasuredObject::kMaxName);
    settings.AskObjectName = answer.checkBox2 ? 0 : 1;
    captureOverrides_ = {answer.colourOverride, answer.sizeOverride, answer.textColourOverride};
    return true;
}

void Workspace::CaptureClick(const MouseEvent& event) {
    ObjectTypeTable& types = program_.objectTypes;
    if (pending_.size() + 5 >= static_cast<std::size_t>(kPendingCapacity) + 1) {
        program_.ui.MessageBox(program_.GetMessage(kMsgMeasureCaption),
                               program_.GetMessage(kMsgTooManyPending), MessageButtons::Ok);
        return;
    }
    const auto world = MouseToWorld(event.x, event.y, event.boxWidth, event.boxHeight);
    if (!world) return;

    PendingEntry entry;
    entry.x = world->x;
    entry.y = world->y;
    entry.typeIndex = captureType_;

    const bool ask = program_.settings.AskObjectName != 0;
    if (captureType_ != 0 && (!ask || (captureDataType_ != kPoint && captureDataType_ != kText))) {
        switch (captureDataType_) {
            case kLine:
            case kPolygon:
            case kCount:
                entry.vertexKind = 2;
                break;
            case kTwoPointLine: {
                // Pairs are counted from the object's first point, so that a
                // label point in front of it does not shift them.
                const std::size_t ordinal = pending_.size() - objectStart_ + 1;
                entry.vertexKind = ordinal % 2 == 1 ? 1 : 2;
                break;
            }
            default:
                entry.vertexKind = kStandaloneKind;
                break;
        }
        pending_.push_back(entry);
        measureTool_->SetCaptureState(1);
        lastClick_ = {event.x, event.y};
        SyncPendingMarkers();
        Redraw();
        return;
    }

    const int32_t arrivingType = captureType_;
    // A label belongs to the object it was entered for.
    captureLabel_.clear();
    if (currentType_ != 0) {
        captureType_ = currentType_;
        const ObjectType& type = types.At(currentType_);
        captureOverrides_ = {type.colour, type.size, type.textColour};
    }
    if (currentType_ == 0 || captureDataType_ == kText) {
        ShowObjectDialog();
        FillTypeSelector();
    }
    if (captureType_ == 0) {
        // The click is dropped and measure mode ends; points still pending
        // from earlier objects are committed rather than left behind.
        if (!pending_.empty()) CommitPending();
        ActivateTool(idleTool_);
        captureType_ = 0;
        MeasuringControlsChanged();
        Redraw();
        return;
    }

    if (arrivingType == 0) CountUse(types.Find(captureType_));
    captureDataType_ = types.At(captureType_).dataType;
    entry.label = captureLabel_;
    const bool labelled =
        !captureLabel_.empty() && (captureDataType_ == kLine || captureDataType_ == kPolygon ||
                                   captureDataType_ == kTwoPointLine || captureDataType_ == kCount);
    // Without a label-point type the label stays on the object's first point.
    if (labelled && types.At(kSlotLabelPoint).InUse()) {
        PendingEntry label = entry;
        label.typeIndex = kSlotLabelPoint;
        label.vertexKind = kStandaloneKind;
        label.overrides = {};
        pending_.push_back(label);
        UpdateFunctionButtons();
    }
    entry.vertexKind = 1;
    entry.overrides = captureOverrides_;
    entry.typeIndex = captureType_;
    objectStart_ = pending_.size();
    pending_.push_back(entry);
    lastTypeUsed_ = captureType_;
    measureTool_->SetCaptureState(1);
    lastClick_ = {event.x, event.y};
    SyncPendingMarkers();
    Redraw();
}

int32_t Workspace::ModifyPress(const MouseEvent& event) {
    const auto world = MouseToWorld(event.x, event.y, event.boxWidth, event.boxHeight);
    if (!world || event.button == MouseButton::Middle) return 0;
    int32_t picked = 0;
    const ObjectTypeTable& types = program_.objectTypes;
    const int64_t tolerance = HitTolerance(project_.view.viewSize);
    bool deleted = false;
    bool duplicated = false;
    BeginChange();
    for (int32_t i = 1; i <= history_.Count(); ++i) {
        MeasuredObject point = history_.Peek(i);
        if (!PointHit(point.x, point.y, world->x, world->y, tolerance)) continue;
        const int dataType =
            point.typeIndex > 0 ? types.At(point.typeIndex).dataType : int{kUndefined};

        if (ExactlyAltLeft(event) && dataType == kCount) {
            int reason = 0;
            if (point.vertexKind == 1) {
                reason = 1;
            } else if (i == history_.Count() || history_.Peek(i + 1).vertexKind != 2) {
                reason = 2;
            } else if (!history_.Insert(i, point)) {
                reason = 3;
            }
            if (reason != 0) {
                program_.ui.MessageBox(
                    program_.GetMessage(kMsgMeasureCaption),
                    program_.GetMessage(kMsgNoDuplicate) + IntToStr(reason) + ".",
                    MessageButtons::Ok);
            } else {
                fileState_ = kChanged;
                duplicated = true;
            }
            break;
        }
        if (event.button == MouseButton::Left) {
            picked = i;
            program_.ui.SizingCursor(true);
            break;
        }

        // Right button: the first point, the closing copy and the last point
        // of a polygon or count object hold it together; reaching one stops.
        if (ClosedShape(dataType) && (point.vertexKind == 1 || i == history_.Count() ||
                                      history_.Peek(i + 1).vertexKind != 2)) {
            if (deleted) {
                EndChange(kMsgUndoDeletePoint);
                Redraw();
            } else {
                undo_.Cancel();
            }
            return 0;
        }
        point.typeIndex = 0;
        history_.Put(i, point);
        if (dataType == kTwoPointLine) {
            const int32_t partner = point.vertexKind == 1 ? i + 1 : i - 1;
            if (partner >= 1 && partner <= history_.Count()) {
                MeasuredObject other = history_.Peek(partner);
                other.typeIndex = 0;
                history_.Put(partner, other);
            }
        }
        deleted = true;
        fileState_ = kChanged;
    }
    if (deleted || duplicated) {
        EndChange(deleted ? kMsgUndoDeletePoint : kMsgUndoDuplicatePoint);
    } else {
        undo_.Cancel();
    }
    Redraw();
    return picked;
}

int32_t Workspace::ClosingCopyOf(int32_t index) const {
    if (index < 1 || index > history_.Count()) return 0;
    const MeasuredObject first = history_.Peek(index);
    if (first.vertexKind != 1 || first.typeIndex <= 0 ||
        !ClosedShape(program_.objectTypes.At(first.typeIndex).dataType)) {
        return 0;
    }
    int32_t last = index;
    while (last < history_.Count() && history_.Peek(last + 1).vertexKind == 2) ++last;
    // An object of two clicks has no closing copy: its last point is a
    // point of its own, even where it lies on the first.
    if (last < index + 2) return 0;
    const MeasuredObject copy = history_.Peek(last);
    return copy.typeIndex == first.typeIndex && copy.x == first.x && copy.y == first.y ? last : 0;
}

void Workspace::DropDraggedPoint(const MouseEvent& event, int32_t index) {
    if (index == 0) return;
    program_.ui.SizingCursor(false);
    const auto calibrated = CalibratePointer(event.x, event.y, program_.settings.Calibration);
    if (calibrated && index <= history_.Count()) {
        const auto exact = ScreenToWorldExact(drawnView_, calibrated->x, calibrated->y,
                                              event.boxWidth, event.boxHeight);
        if (exact) {
            BeginChange();
            MeasuredObject point = history_.Peek(index);
            const int32_t closing = ClosingCopyOf(index);
            point.x = exact->x;
            point.y = exact->y;
            history_.Put(index, point);
            if (closing != 0) {
                MeasuredObject copy = history_.Peek(closing);
                copy.x = exact->x;
                copy.y = exact->y;
                history_.Put(closing, copy);
            }
            fileState_ = kChanged;
            EndChange(kMsgUndoMovePoint);
        }
    }
    Redraw();
}

void Workspace::MainPBMouseDown(const MouseEvent& event) {
    NoticeScope notice(*this);
    const bool pan =
        event.button == MouseButton::Middle || (event.button == MouseButton::Left && event.panKey);
    // Panning is held over the active tool, which keeps what it has under way.
    if (pan && tool_ != panTool_ && panTool_ != nullptr) {
        previousTool_ = tool_;
        tool_ = panTool_;
    }
    tool_->Press(event);
}

void Workspace::MainPBMouseMove(int32_t x, int32_t y) {
    NoticeScope notice(*this);
    tool_->Move(x, y);
}

std::optional<std::pair<ScreenPoint, ScreenPoint>> Workspace::ZoomOutline() const {
    return tool_->Overlay().outline;
}

void Workspace::MainPBMouseUp(const MouseEvent& event) {
    NoticeScope notice(*this);
    tool_->Release(event);
}

void Workspace::FillTypeSelector(bool selectFirst) {
    NoticeScope notice(*this);
    Changed(Change::Selection);
    cboItems_ = TypeSelectorItems(program_.objectTypes, program_.settings.Language);
    cboIndex_ = 0;
    for (std::size_t i = 0; i < cboItems_.size() && !selectFirst; ++i) {
        if (cboItems_[i].type == currentType_) cboIndex_ = static_cast<int32_t>(i);
    }
}

void Workspace::CboChange(int32_t index) {
    NoticeScope notice(*this);
    if (index < 0 || static_cast<std::size_t>(index) >= cboItems_.size()) return;
    FinishMeasuring();
    cboIndex_ = index;
    currentType_ = TypeOfItem(cboItems_[static_cast<std::size_t>(index)].text);
    Settings& settings = program_.settings;
    CountUse(program_.objectTypes.Find(currentType_));
    const int dataType = program_.objectTypes.At(currentType_).dataType;
    if (dataType == kText) {
        settings.AskObjectName = 1;
        captureDataType_ = kText;
        lastTypeUsed_ = currentType_;
    } else {
        settings.AskObjectName = 0;
        captureDataType_ = static_cast<uint8_t>(dataType);
    }
    UpdateFunctionButtons();
    StatisticsPass();
    Redraw();
}

bool Workspace::FunctionButtonClick(int32_t index) {
    NoticeScope notice(*this);
    if (index < 0 || static_cast<std::size_t>(index) >= functionButtons_.size()) return false;
    if (project_.imagePath.empty()) return false;
    FinishMeasuring();
    const int32_t tag = functionButtons_[static_cast<std::size_t>(index)].tag;
    if (tag > 0 && ObjectTypeTable::ValidSlot(tag)) {
        currentType_ = tag;
        CountUse(program_.objectTypes.Find(tag));
        FillTypeSelector();
        const int dataType = program_.objectTypes.At(tag).dataType;
        if (dataType == kText) {
            program_.settings.AskObjectName = 1;
            lastTypeUsed_ = tag;
        }
        // Leaving a Text type's data type behind would open the object
        // dialog for the first object of this one.
        captureDataType_ = static_cast<uint8_t>(dataType);
    }
    StatisticsPass();
    UpdateFunctionButtons();
    bool focusValueGrid = false;
    if (program_.settings.QuickSelectCaptures < 1) {
        valueGridEnabled_ = valueList_.Count() > 0;
        focusValueGrid = valueGridEnabled_;
    } else {
        MeasureCommand();
    }
    Redraw();
    return focusValueGrid;
}

void Workspace::UpdateFunctionButtons() {
    NoticeScope notice(*this);
    const ObjectTypeTable& types = program_.objectTypes;
    if (currentType_ > 0) {
        if (functionButtonUpdates_ % kRerankEvery == 0 && functionButtonsVisible_) {
            int defined = 0;
            for (int32_t slot = 1; slot <= ObjectTypeTable::kSlots; ++slot) {
                if (types.At(slot).dataType != kUndefined) ++defined;
            }
            std::vector<int32_t> ranked;
            if (defined >= kMinTypesForRanking &&
                RankTypesByUse(types, program_.registry, ranked) == kOk) {
                const int language = program_.settings.Language;
                for (std::size_t b = 0; b < functionButtons_.size(); ++b) {
                    FunctionButton& button = functionButtons_[b];
                    if (b < ranked.size()) {
                        button.tag = ranked[b];
                        button.caption = ButtonCaption(types, ranked[b], language);
                    } else {
                        button.tag = 0;
                        button.caption = DefaultButtonCaption(static_cast<int>(b));
                    }
                }
            }
        }
        if (functionButtonUpdates_ < std::numeric_limits<int32_t>::max()) ++functionButtonUpdates_;
    }
    for (FunctionButton& button : functionButtons_) {
        button.bold = currentType_ > 0 && button.tag == currentType_;
    }
}

void Workspace::MnPropsClick() {
    MnPropsClick(-1);
}

void Workspace::MnPropsClick(int32_t selectedRow) {
    NoticeScope notice(*this);
    if (modifyMode() != 0 || captureState() != 0 || project_.imagePath.empty()) return;
    PropertiesDialogModel model =
        PropertiesDialogModel::Open(project_, program_.settings, program_.messages);
    const bool distance =
        currentType_ > 0 && program_.objectTypes.At(currentType_).dataType == kTwoPointLine;
    if (distance && grids_.HasValue(selectedRow)) {
        // In the table unit, so that the known length is typed in it too.
        const double length = UnitDivisor(valueList_.Entry(selectedRow + 1).value, kTwoPointLine,
                                          program_.settings.TableUnit);
        model.Text(PropertiesDialogModel::Edit2).clear();
        model.Text(PropertiesDialogModel::Edit4).clear();
        model.Text(PropertiesDialogModel::Edit5) = GeneralNumber(length);
    }
    if (program_.ui.PropertiesDialog(model)) PropertiesOk(model);
}

void Workspace::PropertiesOk(const PropertiesDialogModel& model) {
    NoticeScope notice(*this);
    Changed(Change::Project);
    BeginChange();
    fileState_ = kChanged;
    const int32_t old = project_.resolutionDpi;
    project_.resolutionDpi = ResolutionFromDialog(model, old);
    RescalePoints(history_, old, project_.resolutionDpi);
    program_.settings.Calibration = PointerCalibrationFromDialog(model);
    project_.title = CutTo(model.Text(PropertiesDialogModel::Edit1), Project::kMaxText);
    // An open project always names its image; an emptied field keeps it.
    const std::string image = CutTo(model.Text(PropertiesDialogModel::Edit3), Project::kMaxText);
    if (!Trim(image).empty()) project_.imagePath = image;
    EndChange(kMsgUndoProperties);
    // The stored points moved with the resolution: every length and area
    // listed beside the picture changed with them.
    StatisticsPass();
    Redraw();
}

}  // namespace kvx
