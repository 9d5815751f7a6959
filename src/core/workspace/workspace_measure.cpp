// Measure and modify modes, mouse handling on the paint box and the choice of
// the object type to measure.
#include <algorithm>
#include <limits>

#include "core/support/strings.hpp"
#include "core/workspace/workspace.hpp"

namespace kvx {

namespace {

constexpr int32_t kRerankEvery = 20;
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
    return ScreenToWorld(drawnView, calibrated->x, calibrated->y, boxWidth, boxHeight);
}

void Workspace::SyncPendingMarkers() {
    pendingPoints.clear();
    pendingPoints.reserve(pending.size());
    for (const PendingEntry& entry : pending) {
        pendingPoints.push_back({entry.x, entry.y, entry.typeIndex, entry.vertexKind});
    }
}

void Workspace::MeasuringControlsChanged() {
    const bool idle = captureState == 0 && modifyMode == 0;
    cboEnabled = idle;
    valueGridEnabled = idle;
}

void Workspace::MeasureCommand() {
    if (modifyMode != 0) ModifyCommand();
    if (captureState == 0) {
        const bool open = !project.imagePath.empty() || !project.projectPath.empty();
        if (modifyMode == 0 && open && history.IsValid()) captureState = 1;
    } else if (captureState == 1 && pending.empty()) {
        captureState = 0;
        captureType = 0;
        StatisticsPass();
    } else if (captureState == 1) {
        CommitPending();
    } else {
        pending.clear();
        SyncPendingMarkers();
        captureState = 0;
        captureType = 0;
        StatisticsPass();
        Redraw();
    }
    UpdateFunctionButtons();
    MeasuringControlsChanged();
}

void Workspace::CommitPending() {
    BeginChange();
    const ObjectTypeTable& types = program_.objectTypes;
    captureType = 0;
    captureState = 2;
    const std::size_t n = pending.size();
    const std::size_t start = std::min(objectStart_, n == 0 ? 0 : n - 1);
    const int dataType = n == 0 ? int{kUndefined} : types.At(pending[start].typeIndex).dataType;

    // An unpaired last point of a Two Point Line is dropped, together with
    // the label point that was made for it alone.
    std::size_t end = n;
    if (n > 0 && pending[n - 1].vertexKind == 1 &&
        types.At(pending[n - 1].typeIndex).dataType == kTwoPointLine) {
        end = n - 1;
        if (end > 0 && start == end && pending[end - 1].typeIndex == kSlotLabelPoint) --end;
    }

    for (std::size_t k = 0; k < end; ++k) {
        if (!history.Append(RecordOf(pending[k]))) break;
        fileState = kChanged;
    }
    // The closing copy repeats the object's own first point, never its label.
    if (ClosedShape(dataType) && n - start > 2) {
        MeasuredObject closing = RecordOf(pending[start]);
        closing.vertexKind = 2;
        if (history.Append(closing)) fileState = kChanged;
    }

    pending.clear();
    objectStart_ = 0;
    SyncPendingMarkers();
    EndChange(kMsgUndoNewObject);
    if (dataType == kPoint || dataType == kText || dataType == kTwoPointLine) captureState = 0;
    StatisticsPass();
    Redraw();
}

void Workspace::ModifyCommand() {
    if (captureState != 0) MeasureCommand();
    const bool wasOn = modifyMode != 0;
    if (history.Count() == 0 || captureType > 0) {
        modifyMode = 0;
    } else {
        modifyMode = wasOn ? 0 : 1;
    }
    if (wasOn && modifyMode == 0) StatisticsPass();
    captureType = 0;
    captureState = 0;
    dragIndex = 0;
    pending.clear();
    objectStart_ = 0;
    SyncPendingMarkers();
    MeasuringControlsChanged();
    Redraw();
}

void Workspace::FinishMeasuring() {
    if (modifyMode != 0) ModifyCommand();
    // A commit may leave measure mode ready for the next object; the second
    // command then leaves it.
    for (int step = 0; step < 3 && captureState != 0; ++step) MeasureCommand();
}

void Workspace::ResetMeasuring() {
    modifyMode = 0;
    captureState = 0;
    captureType = 0;
    dragIndex = 0;
    pending.clear();
    objectStart_ = 0;
    SyncPendingMarkers();
    pressPosition.reset();
    dragPosition.reset();
    MeasuringControlsChanged();
}

bool Workspace::ShowObjectDialog() {
    const ObjectTypeTable& types = program_.objectTypes;
    Settings& settings = program_.settings;
    const int language = settings.Language;
    ObjectDialogRequest request;
    const int32_t wanted = lastTypeUsed != 0 ? lastTypeUsed : kSlotTemplate;
    for (int32_t slot = 1; slot <= ObjectTypeTable::kSlots; ++slot) {
        const ObjectType& type = types.At(slot);
        if (type.dataClass != kClassUser) continue;
        request.items.push_back({slot, type.dataType, FormatTypeItem(types, slot, language)});
        if (slot == wanted) request.preselected = slot;
    }
    request.askObjectName = settings.AskObjectName != 0;

    const ObjectDialogAnswer answer = program_.ui.ObjectDialog(request);
    if (!answer.ok || !types.At(answer.type).InUse()) {
        captureType = 0;
        captureLabel.clear();
        return false;
    }
    captureType = answer.type;
    captureLabel = CutTo(answer.label, MeasuredObject::kMaxName);
    settings.AskObjectName = answer.checkBox2 ? 0 : 1;
    captureOverrides = {answer.colourOverride, answer.sizeOverride, answer.textColourOverride};
    return true;
}

void Workspace::CaptureClick(const MouseEvent& event) {
    ObjectTypeTable& types = program_.objectTypes;
    if (pending.size() + 5 >= static_cast<std::size_t>(kPendingCapacity) + 1) {
        program_.ui.MessageBox(program_.GetMessage(kMsgMeasureCaption),
                               program_.GetMessage(kMsgTooManyPending), MessageButtons::Ok);
        return;
    }
    const auto world = MouseToWorld(event.x, event.y, event.boxWidth, event.boxHeight);
    if (!world) return;

    PendingEntry entry;
    entry.x = world->x;
    entry.y = world->y;
    entry.typeIndex = captureType;

    const bool ask = program_.settings.AskObjectName != 0;
    if (captureType != 0 && (!ask || (captureDataType != kPoint && captureDataType != kText))) {
        switch (captureDataType) {
            case kLine:
            case kPolygon:
            case kCount:
                entry.vertexKind = 2;
                break;
            case kTwoPointLine: {
                // Pairs are counted from the object's first point, so that a
                // label point in front of it does not shift them.
                const std::size_t ordinal = pending.size() - objectStart_ + 1;
                entry.vertexKind = ordinal % 2 == 1 ? 1 : 2;
                break;
            }
            default:
                entry.vertexKind = kStandaloneKind;
                break;
        }
        pending.push_back(entry);
        captureState = 1;
        lastClick = {event.x, event.y};
        SyncPendingMarkers();
        Redraw();
        return;
    }

    const int32_t arrivingType = captureType;
    // A label belongs to the object it was entered for.
    captureLabel.clear();
    if (currentType != 0) {
        captureType = currentType;
        const ObjectType& type = types.At(currentType);
        captureOverrides = {type.colour, type.size, type.textColour};
    }
    if (currentType == 0 || captureDataType == kText) {
        ShowObjectDialog();
        FillTypeSelector();
    }
    if (captureType == 0) {
        // The click is dropped and measure mode ends; points still pending
        // from earlier objects are committed rather than left behind.
        if (!pending.empty()) CommitPending();
        captureState = 0;
        captureType = 0;
        MeasuringControlsChanged();
        Redraw();
        return;
    }

    if (arrivingType == 0) CountUse(types.Find(captureType));
    captureDataType = types.At(captureType).dataType;
    entry.label = captureLabel;
    const bool labelled =
        !captureLabel.empty() && (captureDataType == kLine || captureDataType == kPolygon ||
                                  captureDataType == kTwoPointLine || captureDataType == kCount);
    // Without a label-point type the label stays on the object's first point.
    if (labelled && types.At(kSlotLabelPoint).InUse()) {
        PendingEntry label = entry;
        label.typeIndex = kSlotLabelPoint;
        label.vertexKind = kStandaloneKind;
        label.overrides = {};
        pending.push_back(label);
        UpdateFunctionButtons();
    }
    entry.vertexKind = 1;
    entry.overrides = captureOverrides;
    entry.typeIndex = captureType;
    objectStart_ = pending.size();
    pending.push_back(entry);
    lastTypeUsed = captureType;
    captureState = 1;
    lastClick = {event.x, event.y};
    SyncPendingMarkers();
    Redraw();
}

void Workspace::ModifyPress(const MouseEvent& event) {
    const auto world = MouseToWorld(event.x, event.y, event.boxWidth, event.boxHeight);
    if (!world || event.button == MouseButton::Middle) {
        pressPosition.reset();
        return;
    }
    const ObjectTypeTable& types = program_.objectTypes;
    const int64_t tolerance = HitTolerance(project.view.viewSize);
    bool deleted = false;
    bool duplicated = false;
    BeginChange();
    for (int32_t i = 1; i <= history.Count(); ++i) {
        MeasuredObject point = history.Peek(i);
        if (!PointHit(point.x, point.y, world->x, world->y, tolerance)) continue;
        const int dataType =
            point.typeIndex > 0 ? types.At(point.typeIndex).dataType : int{kUndefined};

        if (ExactlyAltLeft(event) && dataType == kCount) {
            int reason = 0;
            if (point.vertexKind == 1) {
                reason = 1;
            } else if (i == history.Count() || history.Peek(i + 1).vertexKind != 2) {
                reason = 2;
            } else if (!history.Insert(i, point)) {
                reason = 3;
            }
            if (reason != 0) {
                program_.ui.MessageBox(
                    program_.GetMessage(kMsgMeasureCaption),
                    program_.GetMessage(kMsgNoDuplicate) + IntToStr(reason) + ".",
                    MessageButtons::Ok);
            } else {
                fileState = kChanged;
                duplicated = true;
            }
            break;
        }
        if (event.button == MouseButton::Left) {
            dragIndex = i;
            program_.ui.SizingCursor(true);
            break;
        }

        // Right button: the first point, the closing copy and the last point
        // of a polygon or count object hold it together; reaching one stops.
        if (ClosedShape(dataType) && (point.vertexKind == 1 || i == history.Count() ||
                                      history.Peek(i + 1).vertexKind != 2)) {
            pressPosition.reset();
            if (deleted) {
                EndChange(kMsgUndoDeletePoint);
                Redraw();
            } else {
                undo.Cancel();
            }
            return;
        }
        point.typeIndex = 0;
        history.Put(i, point);
        if (dataType == kTwoPointLine) {
            const int32_t partner = point.vertexKind == 1 ? i + 1 : i - 1;
            if (partner >= 1 && partner <= history.Count()) {
                MeasuredObject other = history.Peek(partner);
                other.typeIndex = 0;
                history.Put(partner, other);
            }
        }
        deleted = true;
        fileState = kChanged;
    }
    if (deleted || duplicated) {
        EndChange(deleted ? kMsgUndoDeletePoint : kMsgUndoDuplicatePoint);
    } else {
        undo.Cancel();
    }
    pressPosition.reset();
    Redraw();
}

int32_t Workspace::ClosingCopyOf(int32_t index) const {
    if (index < 1 || index > history.Count()) return 0;
    const MeasuredObject first = history.Peek(index);
    if (first.vertexKind != 1 || first.typeIndex <= 0 ||
        !ClosedShape(program_.objectTypes.At(first.typeIndex).dataType)) {
        return 0;
    }
    int32_t last = index;
    while (last < history.Count() && history.Peek(last + 1).vertexKind == 2) ++last;
    // An object of two clicks has no closing copy: its last point is a
    // point of its own, even where it lies on the first.
    if (last < index + 2) return 0;
    const MeasuredObject copy = history.Peek(last);
    return copy.typeIndex == first.typeIndex && copy.x == first.x && copy.y == first.y ? last : 0;
}

void Workspace::DropDraggedPoint(const MouseEvent& event) {
    if (dragIndex == 0) return;
    program_.ui.SizingCursor(false);
    const auto calibrated = CalibratePointer(event.x, event.y, program_.settings.Calibration);
    if (calibrated && dragIndex <= history.Count()) {
        const auto exact = ScreenToWorldExact(drawnView, calibrated->x, calibrated->y,
                                              event.boxWidth, event.boxHeight);
        if (exact) {
            BeginChange();
            MeasuredObject point = history.Peek(dragIndex);
            const int32_t closing = ClosingCopyOf(dragIndex);
            point.x = exact->x;
            point.y = exact->y;
            history.Put(dragIndex, point);
            if (closing != 0) {
                MeasuredObject copy = history.Peek(closing);
                copy.x = exact->x;
                copy.y = exact->y;
                history.Put(closing, copy);
            }
            fileState = kChanged;
            EndChange(kMsgUndoMovePoint);
        }
    }
    dragIndex = 0;
    Redraw();
}

void Workspace::MainPBMouseDown(const MouseEvent& event) {
    if (event.button == MouseButton::Right && modifyMode == 0) return;
    pressPosition = ScreenPoint{event.x, event.y};
    dragPosition.reset();
    if (modifyMode != 0) ModifyPress(event);
}

void Workspace::MainPBMouseMove(int32_t x, int32_t y) {
    if (pending.size() > 1 || modifyMode != 0) return;
    if (resizeFlag) {
        Redraw();
        return;
    }
    if (!pressPosition) return;
    if (x < pressPosition->x || y < pressPosition->y) {
        pressPosition.reset();
        dragPosition.reset();
        Redraw();
        return;
    }
    dragPosition = ScreenPoint{x, y};
}

std::optional<std::pair<ScreenPoint, ScreenPoint>> Workspace::ZoomOutline() const {
    if (!pressPosition || !dragPosition) return std::nullopt;
    return std::make_pair(*pressPosition, *dragPosition);
}

void Workspace::MainPBMouseUp(const MouseEvent& event) {
    const std::optional<ScreenPoint> press = pressPosition;
    pressPosition.reset();
    dragPosition.reset();
    // While an object of several points is under capture a sloppy click
    // must not zoom: it is a point.
    if (press && modifyMode == 0 && pending.size() <= 1) {
        const int32_t minimum = program_.settings.MinSelectionSize;
        if (int64_t{event.x} - press->x > minimum && int64_t{event.y} - press->y > minimum) {
            const double calibration = program_.settings.Calibration;
            const auto from = CalibratePointer(press->x, press->y, calibration);
            const auto to = CalibratePointer(event.x, event.y, calibration);
            if (from && to) {
                ZoomToRectangle(from->x, from->y, to->x, to->y, event.boxWidth, event.boxHeight);
            }
            return;
        }
    }
    if (captureState >= 1 && modifyMode == 0) {
        CaptureClick(event);
    } else if (modifyMode != 0) {
        DropDraggedPoint(event);
    }
}

void Workspace::FillTypeSelector() {
    cboItems = TypeSelectorItems(program_.objectTypes, program_.settings.Language);
    cboIndex = 0;
    for (std::size_t i = 0; i < cboItems.size(); ++i) {
        if (cboItems[i].type == currentType) cboIndex = static_cast<int32_t>(i);
    }
}

void Workspace::CboChange(int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= cboItems.size()) return;
    FinishMeasuring();
    cboIndex = index;
    currentType = TypeOfItem(cboItems[static_cast<std::size_t>(index)].text);
    Settings& settings = program_.settings;
    CountUse(program_.objectTypes.Find(currentType));
    const int dataType = program_.objectTypes.At(currentType).dataType;
    if (dataType == kText) {
        settings.AskObjectName = 1;
        captureDataType = kText;
        lastTypeUsed = currentType;
    } else {
        settings.AskObjectName = 0;
        captureDataType = static_cast<uint8_t>(dataType);
    }
    UpdateFunctionButtons();
    StatisticsPass();
    Redraw();
}

bool Workspace::FunctionButtonClick(int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= functionButtons.size()) return false;
    if (project.imagePath.empty()) return false;
    FinishMeasuring();
    const int32_t tag = functionButtons[static_cast<std::size_t>(index)].tag;
    if (tag > 0 && ObjectTypeTable::ValidSlot(tag)) {
        currentType = tag;
        CountUse(program_.objectTypes.Find(tag));
        FillTypeSelector();
        const int dataType = program_.objectTypes.At(tag).dataType;
        if (dataType == kText) {
            program_.settings.AskObjectName = 1;
            lastTypeUsed = tag;
        }
        // Leaving a Text type's data type behind would open the object
        // dialog for the first object of this one.
        captureDataType = static_cast<uint8_t>(dataType);
    }
    StatisticsPass();
    UpdateFunctionButtons();
    bool focusValueGrid = false;
    if (program_.settings.QuickSelectCaptures < 1) {
        valueGridEnabled = valueList.Count() > 0;
        focusValueGrid = valueGridEnabled;
    } else {
        MeasureCommand();
    }
    Redraw();
    return focusValueGrid;
}

void Workspace::UpdateFunctionButtons() {
    const ObjectTypeTable& types = program_.objectTypes;
    if (currentType > 0) {
        if (functionButtonUpdates % kRerankEvery == 0 && functionButtonsVisible) {
            int defined = 0;
            for (int32_t slot = 1; slot <= ObjectTypeTable::kSlots; ++slot) {
                if (types.At(slot).dataType != kUndefined) ++defined;
            }
            std::vector<int32_t> ranked;
            if (defined >= kMinTypesForRanking &&
                RankTypesByUse(types, program_.registry, ranked) == kOk) {
                const int language = program_.settings.Language;
                for (std::size_t b = 0; b < functionButtons.size(); ++b) {
                    FunctionButton& button = functionButtons[b];
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
        if (functionButtonUpdates < std::numeric_limits<int32_t>::max()) ++functionButtonUpdates;
    }
    for (FunctionButton& button : functionButtons) {
        button.bold = currentType > 0 && button.tag == currentType;
    }
}

void Workspace::MnPropsClick() {
    if (modifyMode != 0 || captureState != 0 || project.imagePath.empty()) return;
    PropertiesDialogModel model =
        PropertiesDialogModel::Open(project, program_.settings, program_.messages);
    if (program_.ui.PropertiesDialog(model)) PropertiesOk(model);
}

void Workspace::PropertiesOk(const PropertiesDialogModel& model) {
    BeginChange();
    fileState = kChanged;
    const int32_t old = project.resolutionDpi;
    project.resolutionDpi = ResolutionFromDialog(model, old);
    RescalePoints(history, old, project.resolutionDpi);
    program_.settings.Calibration = PointerCalibrationFromDialog(model);
    project.title = CutTo(model.Text(PropertiesDialogModel::Edit1), Project::kMaxText);
    // An open project always names its image; an emptied field keeps it.
    const std::string image = CutTo(model.Text(PropertiesDialogModel::Edit3), Project::kMaxText);
    if (!Trim(image).empty()) project.imagePath = image;
    EndChange(kMsgUndoProperties);
    // The stored points moved with the resolution: every length and area
    // listed beside the picture changed with them.
    StatisticsPass();
    Redraw();
}

}  // namespace kvx
