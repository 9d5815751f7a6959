#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/detect/detect_objects.hpp"
#include "core/draw/render_objects.hpp"
#include "core/draw/text_metrics.hpp"
#include "core/draw/view.hpp"
#include "core/draw/window_state.hpp"
#include "core/measure/calibration.hpp"
#include "core/measure/capture.hpp"
#include "core/measure/type_choice.hpp"
#include "core/picture/picture_loader.hpp"
#include "core/program/program.hpp"
#include "core/project/measured_object.hpp"
#include "core/project/picture_frame.hpp"
#include "core/project/project.hpp"
#include "core/project/undo_history.hpp"
#include "core/stats/grid_model.hpp"
#include "core/stats/value_list.hpp"
#include "core/support/file_guard.hpp"
#include "core/workspace/tools/mouse_tool.hpp"

namespace kvx {

class MeasureTool;
class ModifyTool;
class PixelImage;

/// Names of the changes Undo and Redo name in their captions.
inline constexpr int kMsgUndoNewObject = 2231;
inline constexpr int kMsgUndoMovePoint = 2232;
inline constexpr int kMsgUndoDeletePoint = 2233;
inline constexpr int kMsgUndoDuplicatePoint = 2234;
inline constexpr int kMsgUndoExclude = 2235;
inline constexpr int kMsgUndoInclude = 2236;
inline constexpr int kMsgUndoProperties = 2237;

/// What a notice says has changed since the previous one. The window, the
/// batch tool and tests update only what a flag names.
enum class Change : uint32_t {
    Project = 1u << 0,     ///< another project, or its properties (title, image, resolution)
    Records = 1u << 1,     ///< the measured points (`history`)
    View = 1u << 2,        ///< the part of the world shown
    Statistics = 1u << 3,  ///< the values, their statistics and the grids
    Selection = 1u << 4,   ///< the current type, `cbo` and the function buttons
    FileState = 1u << 5,   ///< fileState, savedCount and what Undo and Redo can do
    Tool = 1u << 6,        ///< the mouse tool, its points and what it draws over the picture
    Types = 1u << 7,       ///< the object-type table
    Window = 1u << 8,      ///< a redraw left a new windowState()
    Picked = 1u << 9,      ///< the objects picked out on the picture
};

/// A set of Change flags.
class ChangeFlags {
public:
    constexpr ChangeFlags() = default;
    constexpr ChangeFlags(Change change) : bits_(static_cast<uint32_t>(change)) {}
    static constexpr ChangeFlags All() { return FromBits((1u << 10) - 1); }
    static constexpr ChangeFlags FromBits(uint32_t bits) {
        ChangeFlags flags;
        flags.bits_ = bits;
        return flags;
    }
    constexpr bool Has(Change change) const { return (bits_ & static_cast<uint32_t>(change)) != 0; }
    constexpr bool HasAny(ChangeFlags other) const { return (bits_ & other.bits_) != 0; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr uint32_t Bits() const { return bits_; }
    constexpr ChangeFlags& operator|=(ChangeFlags other) {
        bits_ |= other.bits_;
        return *this;
    }
    friend constexpr ChangeFlags operator|(ChangeFlags a, ChangeFlags b) { return a |= b; }
    bool operator==(const ChangeFlags&) const = default;

private:
    uint32_t bits_ = 0;
};

constexpr ChangeFlags operator|(Change a, Change b) {
    return ChangeFlags(a) | ChangeFlags(b);
}

/// Told what changed at the end of every command that changed something,
/// and at every redraw.
class WorkspaceObserver {
public:
    virtual ~WorkspaceObserver() = default;
    virtual void WorkspaceChanged(ChangeFlags changes) = 0;
};

/// What the main window owns for the run: the open project, its `history`
/// table, the change state and the command handlers. The Qt window forwards
/// events here and shows what comes back; the batch tool drives it directly.
///
/// Its state and commands are grouped by concern in the sections below, each
/// implemented in its own source file beside this one (workspace_<concern>.cpp);
/// the computations they call live in the folders below.
class Workspace {
public:
    explicit Workspace(Program& program);
    ~Workspace();
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    Program& program() { return program_; }
    const Program& program() const { return program_; }

    // ---- change notices -----------------------------------------------------
    /// Observers are not owned; one must be removed before it goes.
    void AddObserver(WorkspaceObserver* observer);
    void RemoveObserver(WorkspaceObserver* observer);

    // ---- project state ----------------------------------------------------
    const Project& project() const { return project_; }
    const History& history() const { return history_; }
    int32_t fileState() const { return fileState_; }
    int32_t savedCount() const { return savedCount_; }
    /// The selected object type (slot), 0 = none.
    int32_t currentType() const { return currentType_; }

    /// Creates the `history` table with the configured capacity.
    [[nodiscard]] ErrorCode CreateHistory();
    /// Gives the `history` table back to the registry (at exit).
    void ReleaseHistory();
    /// Returns the project to the empty state; keeps title, userName and
    /// formatVersion.
    void ClearProject();
    /// ClearProject, and the title, user name and format version go too: the
    /// state of a freshly started window, before a project file is read.
    void ClearProjectAsStarted();
    /// Takes project as the open project record (the points stay); for a
    /// project put together in memory rather than read from a file.
    void AdoptProject(Project project);
    /// Appends a record as a project file would bring it, or replaces the
    /// record at index (1-based); the file state is left as it is. False
    /// when the table is full or the index is out of range.
    bool AppendRecord(const MeasuredObject& record);
    void PutRecord(int32_t index, const MeasuredObject& record);
    /// Sets the file state (kNoProject, kUnchanged, kChanged) as a file
    /// operation leaves it.
    void SetFileState(int32_t state);
    /// Records that every point is saved: savedCount becomes their count.
    void MarkAllSaved();
    /// Sets how many points the last save held.
    void SetSavedCount(int32_t count);
    /// Makes slot the current type without the selector's side effects (the
    /// batch tool goes through the types this way); the statistics are not
    /// recomputed.
    void SetCurrentType(int32_t slot);

    // ---- project commands (files) -------------------------------------------
    /// The New command: chooses an image and starts a project on it.
    void MnNewClick();
    /// The Load command: asks a file pattern, chooses a project file, loads it.
    void MnLoadClick();
    /// The Save command: saves to the project's own file, if it has one.
    void MnSaveClick();
    /// The Save to command: asks for a file name and saves there.
    void MnSaveToClick();
    /// The Reset command: settles unsaved changes and, unless the person
    /// cancels, closes the project and shows the empty view. False when
    /// cancelled.
    bool MnResetClick();
    /// Asks the resolution of directory + imageName and, unless the person
    /// cancels, starts a new project on it (after settling unsaved changes).
    void NewProject(std::string_view imageName, std::string_view directory);
    /// Settles unsaved changes and loads directory + fileName. True when the
    /// project was loaded.
    bool LoadProject(std::string_view fileName, std::string_view directory);
    /// Asks whether a changed project is to be saved: 6 (yes, and saved),
    /// 7 (no, or nothing to save) or 2 (cancel, or the save did not happen).
    int AskSaveChanges();
    /// The file pattern the Load command asked last.
    const std::string& loadPattern() const { return loadPattern_; }
    /// Writes the open project to fileName (extension KXP; the previous file
    /// is kept as BAK), asking for the user name at the first save of the
    /// run. Failures are shown; the project and fileState then stay as they
    /// were. Returns 0, 63010100 (cannot create) or 63010103 (writing failed).
    [[nodiscard]] ErrorCode Save(std::string_view fileName);
    /// Reads a project file into project (cleared by the caller) and history
    /// (emptied first), resolving a moved image, asking when it cannot be found.
    /// A failure leaves an empty project with fileState 0. With showErrors
    /// the collected errors are shown, otherwise discarded.
    [[nodiscard]] bool ReadProject(std::string_view fileName, bool showErrors);
    /// The user name has been asked in this run.
    bool userNameAsked() const { return userNameAsked_; }
    /// Sets whether the user name counts as asked in this run (a second
    /// run, or a test, may start either way).
    void SetUserNameAsked(bool asked);
    /// Whether a project loaded or saved here is locked for other windows
    /// (and a second window told when it opens one): the window does, a
    /// batch run that only reads does not. Off at the start.
    void SetLocksProjects(bool locks) { locksProjects_ = locks; }
    /// The project file this workspace holds the lock of, empty when none.
    const std::string& lockedProject() const { return lock_.Project(); }

    // ---- measuring ------------------------------------------------------------
    /// The mouse tool that gets the paint box's mouse events now.
    const MouseTool& activeTool() const { return *tool_; }
    /// What the active tool draws over the picture, its cursor and its text.
    ToolOverlay ToolOverlayNow() const { return tool_->Overlay(); }
    ToolCursor toolCursor() const { return tool_->Cursor(); }
    std::string ToolStatusText() const { return tool_->StatusText(); }
    /// What the status bar says about paint-box pixel (x, y) on a box of
    /// boxWidth × boxHeight: the magnification, the position in the table
    /// unit and the picture's value there (after "~" while the picture is
    /// held reduced, whose pixels are means of several); without the value
    /// off the picture, and the magnification alone off the box.
    std::string CursorReadout(int32_t x, int32_t y, int32_t boxWidth, int32_t boxHeight) const;
    /// Screen pixels per picture pixel at the view as drawn, in percent; 0
    /// without a picture or a view.
    double Magnification(int32_t boxWidth) const;
    /// The `history` index of the handle under the mouse in modify mode; 0 = none.
    int32_t hotHandle() const { return ModeTool().HotHandle(); }
    /// 1 while modify mode is on (read by the redraw).
    int32_t modifyMode() const;
    /// 0 measure mode off, 1 capturing, 2 an object was just committed.
    int32_t captureState() const { return ModeTool().CaptureState(); }
    /// The points captured but not yet committed, as the redraw marks them
    /// (kept in step with `pending`).
    const std::vector<PendingMarker>& pendingPoints() const { return pendingPoints_; }
    /// The objects picked out on the picture (by a click, or in the table of
    /// objects): the history index of each one's first record, ascending.
    const std::vector<int32_t>& pickedObjects() const { return picked_; }
    /// `PendingPoints`: the captured entries of the object(s) not yet
    /// committed, at most kPendingCapacity.
    const std::vector<PendingEntry>& pending() const { return pending_; }
    /// The type of the object being captured; 0 = no object started.
    int32_t captureType() const { return captureType_; }
    /// The data type of captureType (or of the type chosen last).
    uint8_t captureDataType() const { return captureDataType_; }
    /// The type of the last new object (preselected in the object dialog).
    int32_t lastTypeUsed() const { return lastTypeUsed_; }
    /// `history` index of the point being dragged in modify mode; 0 = none.
    int32_t dragIndex() const { return ModeTool().DragIndex(); }
    /// The last captured click, in paint-box pixels.
    ScreenPoint lastClick() const { return lastClick_; }
    /// The items of `cbo` and the selected one (index into cboItems).
    const std::vector<TypeItem>& cboItems() const { return cboItems_; }
    int32_t cboIndex() const { return cboIndex_; }
    /// Enabled states of `cbo` and the value grid as the measuring commands
    /// leave them.
    bool cboEnabled() const { return cboEnabled_; }
    bool valueGridEnabled() const { return valueGridEnabled_; }
    /// `BtF1` .. `BtFA`, the updates seen while a type was selected, and
    /// whether the layout shows any of them.
    const FunctionButtons& functionButtons() const { return functionButtons_; }
    int32_t functionButtonUpdates() const { return functionButtonUpdates_; }
    bool functionButtonsVisible() const { return functionButtonsVisible_; }

    /// The Measure command (`ImgVec`, `MnMeasure`): starts measure mode,
    /// commits the object under capture, or leaves measure mode.
    void MeasureCommand();
    /// The Modify command (`ImgEdit`, `MnModify`): toggles modify mode.
    void ModifyCommand();
    /// The outline-by-click command (`ImgWand`): a click inside an object of
    /// the picture then adds its outline to the current type, a Polygon
    /// type; the command again (or Measure or Modify) ends it. Capturing and
    /// modifying end first.
    void WandCommand();
    /// True while outline by click is on.
    bool wandMode() const { return &ModeTool() == wandTool_; }
    /// Ends capturing and modifying; a captured object is committed first.
    /// Saving and the save-changes question run it.
    void FinishMeasuring();
    /// Forgets every capture and modification in progress without storing
    /// anything (clearing the project, after a save).
    void ResetMeasuring();
    /// Mouse press, move and release on `MainPB`, handed to the active tool;
    /// the middle button (or the left one with the pan key) takes the picture
    /// along over any tool. The front end handles the press that only ends
    /// the start-up state itself.
    void MainPBMouseDown(const MouseEvent& event);
    void MainPBMouseMove(int32_t x, int32_t y);
    void MainPBMouseUp(const MouseEvent& event);
    /// The second press of a double click on `MainPB`: it ends the line or
    /// polygon under capture instead of adding a point.
    void MainPBDoubleClick(const MouseEvent& event);
    /// Enter, Escape or Backspace (virtual keys 13, 27, 8) for the active
    /// tool: end the object under capture, drop its points, or take back
    /// the last one. True when the tool took the key.
    bool ToolKey(int32_t key);
    /// The zoom outline the window shows over the paint box: press and
    /// current corner; none while no rectangle is being dragged.
    std::optional<std::pair<ScreenPoint, ScreenPoint>> ZoomOutline() const;
    /// Fills `cbo` with the user types, keeping currentType selected (or,
    /// with selectFirst, the first item whatever the current type).
    void FillTypeSelector(bool selectFirst = false);
    /// The person chose item index of `cbo`.
    void CboChange(int32_t index);
    /// Function button index 0..9 pressed. True when the value grid is to
    /// select its first row and take the focus.
    bool FunctionButtonClick(int32_t index);
    /// Marks the button of currentType bold and, every 20th update while a
    /// type is selected, puts the ten most used types on the buttons.
    void UpdateFunctionButtons();
    /// The Properties command (`MnProps`): opens the properties dialog and
    /// applies it on OK; refused while measuring or modifying.
    void MnPropsClick();
    /// Properties with value-grid row (0-based) selected: when it lists a
    /// distance, the dialog opens with it as the scale's measured length, so
    /// that typing the known length sets the resolution. Other rows open
    /// the dialog as MnPropsClick does.
    void MnPropsClick(int32_t selectedRow);
    /// Applies the properties dialog's OK: resolution (stored points follow),
    /// pointer calibration, title and image path; then redraws.
    void PropertiesOk(const PropertiesDialogModel& model);

    // ---- values and statistics ------------------------------------------------
    /// The values of `currentType` with their statistics behind them.
    const ValueList& valueList() const { return valueList_; }
    /// Class width of the class-frequency output, in stored units.
    double ClassWidth() const { return ClassWidth_; }
    /// Sets the class width until the next statistics pass recomputes it.
    void SetClassWidth(double width);
    /// What `DGrid` and `vGrid` show.
    const GridModel& grids() const { return grids_; }

    /// Rebuilds the values of the current type, their statistics and the
    /// grids. With no current type the grids show only their labels and the
    /// previous values and statistics are left as they were.
    void StatisticsPass();
    /// Recomputes `ClassWidth` for `currentType` from the stored mean.
    void CalcClassSize();
    /// Double-click on value grid row (0-based): inverts the exclusion of the
    /// object listed there, marks the project changed, reruns the pass and
    /// redraws. A blank row does nothing, and so does a double-click while
    /// capturing or in modify mode. False when nothing changed.
    bool ToggleValueExclusion(int32_t row);

    // ---- view and drawing -------------------------------------------------------
    /// The percentage of the last ZoomBy (0 zooms by it again).
    int32_t lastZoomPercent() const { return lastZoomPercent_; }
    /// The view as last drawn; mouse positions are read through it.
    const DrawnView& drawnView() const { return drawnView_; }
    /// Takes view as drawn, as a redraw would leave it.
    void SetDrawnView(const DrawnView& view);

    /// Sets the view to the whole world; false when that failed (errors recorded).
    [[nodiscard]] bool ResetViewToWorld();

    /// The zoom controls of the main window.
    enum class ZoomControl {
        MnEnlarge,       ///< zooms out by ReducePercent
        MnReduce,        ///< zooms in by EnlargePercent
        MnWorld,         ///< the whole world
        BitBtn4,         ///< zooms in by EnlargePercent
        BitBtn5,         ///< zooms out by ReducePercent
        BitBtn6,         ///< the whole image (or the world without an image), as FitPicture
        FitPicture,      ///< the view fitted to the picture (the world without one)
        SpinDetUp,       ///< zooms out by FineScalingPercent
        SpinDetDown,     ///< zooms in by FineScalingPercent
        SpinRasterUp,    ///< the next finer raster length
        SpinRasterDown,  ///< the next coarser raster length
    };
    /// Runs the command of a zoom control; a failure is shown, otherwise the
    /// window is redrawn. Zooming does nothing while the view is not valid.
    /// True when the value grid `vGrid` should take the keyboard focus.
    bool ZoomCommand(ZoomControl control);
    /// A key on the main window (virtual key codes: 107/187 plus, 109/189
    /// minus, 37..40 arrows, 32 space). Only without Shift, Alt and Control;
    /// true when the key was taken.
    bool ViewKey(int32_t key, bool shift, bool alt, bool control);
    /// Shows the world rectangle of a zoom rectangle dragged on a paint box of
    /// boxWidth × boxHeight pixels (corners already calibrated). When the
    /// view cannot be set the errors are shown and the whole world is shown.
    void ZoomToRectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t boxWidth,
                         int32_t boxHeight);
    /// Mouse wheel or pinch over the paint box: steps (fractions accumulate,
    /// positive zooms in) zoom by the wheel's percentage each, about the
    /// world point under paint-box pixel (x, y), which stays where it is.
    /// True when the view changed.
    bool WheelZoom(double steps, int32_t x, int32_t y, int32_t boxWidth, int32_t boxHeight);
    /// A drag of (dx, dy) paint-box pixels that takes the picture along,
    /// stopping at the world's edges. True when the view changed.
    bool DragPan(int32_t dx, int32_t dy, int32_t boxWidth, int32_t boxHeight);

    /// Rebuilds everything the window shows from the project state: runs
    /// MainRedraw, keeps its result in windowState and tells the observers.
    void Redraw();

    /// Redraw requests seen; the first two (during start-up) only count.
    int32_t redrawCount() const { return redrawCount_; }
    /// Sets the redraw requests seen: 2 or more is past the start-up guard,
    /// 3 or more past the splash; 0 starts counting again.
    void SetRedrawCount(int32_t count);
    /// The layout laid the window out again; heightCut when it had to cut
    /// the window to the screen: the next redraw then updates texts and
    /// commands but draws nothing.
    void WindowLaidOut(bool heightCut);
    bool skipNextRedraw() const { return skipNextRedraw_; }
    /// Set by the layout, read by the mouse handling, cleared by every redraw.
    bool resizeFlag() const { return resizeFlag_; }
    /// Sizes the front end reports for the window-geometry layer.
    const WindowGeometry& windowGeometry() const { return windowGeometry_; }
    void SetWindowGeometry(const WindowGeometry& geometry);
    /// The side of `MainPB` in screen pixels while a window shows the
    /// surface; 0 when none does (the batch tool). On a small paint box the
    /// raster labels and the scale bar's text are drawn larger than their
    /// styles say, so that they stay readable; exported pictures keep the
    /// styles' sizes.
    int32_t screenFieldSize() const { return screenFieldSize_; }
    void SetScreenFieldSize(int32_t side);
    /// Set while the redraw draws a picture export (its texts keep their sizes).
    bool drawingPictureExport() const { return drawingPictureExport_; }
    void SetDrawingPictureExport(bool drawing);
    /// The pixels of the display across the surface's side where it is
    /// shown (the paint box's side on the screen, the batch tool's picture
    /// size); 0 when unknown. A picture is loaded no larger than the fitted
    /// view needs there, and in full when a view needs more; with 0 it is
    /// always loaded in full.
    int32_t displayFieldPixels() const { return displayFieldPixels_; }
    void SetDisplayFieldPixels(int32_t pixels);
    /// Called when a view needs more of the picture than the reduced one in
    /// memory has: the front end decodes the request (in full) away from
    /// the window's thread and hands the result to AdoptFullPicture with
    /// the same number. Without it the full picture is decoded at once.
    using FullPictureWanted = std::function<void(const PictureRequest& request, uint64_t number)>;
    void SetFullPictureWanted(FullPictureWanted wanted);
    /// The full picture asked for under number: it replaces the reduced one
    /// and the window is redrawn, unless the project shows another picture
    /// by now. A picture that could not be decoded is reported (a damaged
    /// one was already reported with its first view) and the reduced one
    /// stays. True when the picture was taken.
    bool AdoptFullPicture(uint64_t number, std::shared_ptr<Picture> picture, DecodeStatus status);
    /// Where the redraw's picture layer draws the project's picture: loads
    /// it after New and Load (turning the points when the picture is shown
    /// turned otherwise than they lie), and brings the full resolution in
    /// when the view needs it. False when the picture could not be drawn.
    bool DrawPictureLayer(Canvas& surface);
    /// Draws the project's picture in full resolution as it lies, loading it
    /// when needed, without turning the points or asking for more detail:
    /// whether the picture can be used at all. False when it could not be drawn.
    bool DrawFullPicture(Canvas& surface);
    /// Not empty while a metafile export runs: the redraw saves its surface there.
    const std::string& metafileOutputPath() const { return metafileOutputPath_; }
    void SetMetafileOutputPath(std::string path);
    /// The front end's font metrics; an approximation while none is set.
    const std::shared_ptr<const TextMetrics>& textMetrics() const { return textMetrics_; }
    void SetTextMetrics(std::shared_ptr<const TextMetrics> metrics);
    /// What the window shows since the last redraw.
    const WindowState& windowState() const { return windowState_; }

    // ---- object types and options ----------------------------------------------
    /// What the main window must redo after the options dialog. Statistics
    /// and the redraw have already run.
    struct OptionsOutcome {
        bool applied = false;          ///< settings were applied at least once
        bool languageChanged = false;  ///< relabel the whole window
        bool layoutChanged = false;    ///< `MeasureFieldEnlarge` changed: lay out again
        bool typesReloaded = false;    ///< another object-type file was loaded
    };
    /// `MnData`: edits every type on a copy of the table; OK replaces the
    /// program-wide table, refills `cbo` and redraws.
    void MnDataClick();
    /// `MnAddobject`: a new type in the first free slot from the template
    /// slot; OK adds its item to `cbo` and selects it, Cancel empties the slot.
    void MnAddobjectClick();
    /// `MnOptions2`: runs the options dialog, then recomputes the statistics
    /// and redraws; tells the window what else to redo.
    OptionsOutcome MnOptionsClick();

    // ---- undo, redo and recent projects -----------------------------------------
    /// The changes to the open project that Undo and Redo can take back and
    /// do again; cleared when another project is loaded or started.
    const UndoHistory& undo() const { return undo_; }
    /// Forgets every change Undo and Redo could take back or do again.
    void ClearUndo();
    /// Undo and Redo are refused while an object is being captured or a
    /// point dragged: those changes are not made yet.
    bool CanUndo() const;
    bool CanRedo() const;
    /// The Edit menu's captions: the command with the name of the change it
    /// would take back or do again.
    std::string UndoCaption() const;
    std::string RedoCaption() const;
    /// Takes back the newest change (or does the one taken back last once
    /// more), recomputes the statistics and redraws. False when there was
    /// nothing to do.
    bool UndoCommand();
    bool RedoCommand();

    /// When set, every project file loaded or saved goes to the head of the
    /// recent-projects list in the configuration folder.
    bool rememberRecentProjects() const { return rememberRecentProjects_; }
    void SetRememberRecentProjects(bool remember);
    /// Opens a project of the recent list. A file that no longer exists is
    /// named in a message and removed from the list. True when loaded.
    bool OpenRecentProject(const std::string& path);

    // ---- export ---------------------------------------------------------------
    /// The export dispatcher for kind 1..7 (see ExportKind). targetMemo, when
    /// given, receives the screen report lines of kind 4 instead of the
    /// report window (the main redraw's statistics box); it is not cleared.
    void DoWriteFile(int32_t kind, std::vector<std::string>* targetMemo = nullptr);
    /// Asks for the output file of a file export kind through the save
    /// dialog, starting from the project's file name (or "noname") in
    /// `LastExportDir`. Returns the chosen path with the kind's extension and
    /// updates `LastExportDir`; empty when cancelled.
    std::string ChooseExportFile(int32_t kind);
    /// The front end's copy of `MainPB` as it shows on screen, pixel for
    /// pixel; the bitmap and JPEG exports save it. Without one (the default)
    /// the picture kinds write nothing.
    using GrabPaintBox = std::function<bool(PixelImage&)>;
    void SetGrabPaintBox(GrabPaintBox grab);

    // ---- objects found on the picture -----------------------------------------
    /// Adds objects found on the project's picture to the type typeIndex as
    /// one change that Undo takes back: a Polygon type gets one polygon per
    /// object, a Count type one Count object with a point at each object's
    /// centroid. Refused with a message, before anything is added, when the
    /// type is neither or the records do not fit the free ones of `history`
    /// (saying how many objects would fit and that Options raises the
    /// capacity); refused silently while no project is open, an object is
    /// captured or a point modified. True when the objects were added.
    bool AddDetectedObjects(const std::vector<DetectedObject>& objects, int32_t typeIndex);

    // ---- picking objects out --------------------------------------------------
    /// Picks out the objects starting at these history records (others are
    /// passed over) and redraws when that changes what is picked.
    void PickObjects(std::vector<int32_t> firstPoints);
    /// Picks out the object under the paint-box pixel (x, y), or none when no
    /// object is that near; with toggle the object is added to the picked
    /// ones, or taken out when it was one of them.
    void PickObjectAt(int32_t x, int32_t y, int32_t boxWidth, int32_t boxHeight, bool toggle);

private:
    friend WindowState MainRedraw(Workspace& ws);
    friend class MouseTool;

    /// Brackets every public command: the outermost one tells the observers
    /// what changed when it ends.
    class NoticeScope {
    public:
        explicit NoticeScope(Workspace& ws) : ws_(ws) { ++ws_.noticeDepth_; }
        NoticeScope(const NoticeScope&) = delete;
        NoticeScope& operator=(const NoticeScope&) = delete;
        ~NoticeScope() {
            if (--ws_.noticeDepth_ == 0) ws_.DeliverChanges();
        }

    private:
        Workspace& ws_;
    };
    /// What the observers were last told about, to find what changed since.
    struct Seen {
        int32_t fileState = kNoProject;
        int32_t savedCount = 0;
        bool canUndo = false;
        bool canRedo = false;
        int32_t currentType = 0;
        int32_t cboIndex = 0;
        bool cboEnabled = true;
        bool valueGridEnabled = true;
        bool functionButtonsVisible = true;
        const MouseTool* tool = nullptr;
        int32_t modifyMode = 0;
        int32_t captureState = 0;
        std::size_t pending = 0;
        int32_t dragIndex = 0;
        std::optional<std::pair<ScreenPoint, ScreenPoint>> outline;
        DrawnView drawnView;
        bool operator==(const Seen&) const = default;
    };
    Seen SeenNow() const;
    void Changed(ChangeFlags changes) { changes_ |= changes; }
    /// Tells the observers what changed since they were told last.
    void DeliverChanges();

    void CommitPending();
    /// Shows typeIndex in `cbo` with its values, when it is a listed type.
    void SelectCommittedType(int32_t typeIndex);
    /// The type of the last object measured in `history` that `cbo` lists; 0 = none.
    int32_t LastMeasuredType() const;
    /// Fits the view to the picture, without reading it again when it is in memory.
    void FitPicture();
    /// Drops every pending point; measure mode stays.
    void DropPendingObject();
    /// Takes back the last pending point (with a label point made for it alone).
    void DropLastPendingPoint();
    /// The folder of the open project (or of its picture); empty when none is open.
    std::string OpenProjectFolder() const;
    /// Sets the handle under the mouse in modify mode, redrawing when it changed.
    void SetHotHandle(int32_t index);
    void CaptureClick(const MouseEvent& event);
    /// Returns the index of the point picked to be dragged; 0 when none was.
    int32_t ModifyPress(const MouseEvent& event);
    void DropDraggedPoint(const MouseEvent& event, int32_t index);
    /// Makes tool the active one; the one it replaces is cancelled.
    void ActivateTool(MouseTool* tool);
    void ActivateTool(std::string_view name);
    void ReturnToPreviousTool();
    MouseTool* FindTool(std::string_view name) const;
    /// The tool whose mode is on: the active one, or the one a held tool
    /// (panning) returns to.
    const MouseTool& ModeTool() const { return previousTool_ != nullptr ? *previousTool_ : *tool_; }
    /// The history index of the closing copy of the polygon or count object
    /// whose first point is at index; 0 when there is none.
    int32_t ClosingCopyOf(int32_t index) const;
    bool ShowObjectDialog();
    void SyncPendingMarkers();
    /// Drops picked objects that no longer start where they did.
    void PrunePicked();
    void MeasuringControlsChanged();
    std::optional<WorldPosition> MouseToWorld(int32_t x, int32_t y, int32_t boxWidth,
                                              int32_t boxHeight) const;

    void WritePictureExport(int32_t kind);
    UndoableState UndoState();
    /// Brackets a change to the project so that it can be taken back.
    void BeginChange();
    void EndChange(int nameMessage);
    void RememberProject(const std::string& path);

    /// Pixels across the surface the picture must serve now (exports need
    /// the surface's own for a metafile); 0 for the full resolution.
    int64_t PictureDisplaySide() const;
    /// Asks for (or decodes at once) the full picture when the view needs
    /// more than the reduced one in memory.
    void EnsurePictureDetail();
    /// AdoptFullPicture without the redraw.
    bool TakeFullPicture(uint64_t number, std::shared_ptr<Picture> picture, DecodeStatus status);
    /// After a load: the points follow the picture when it is shown turned
    /// otherwise than the frame `before` they lay in.
    void FollowPictureOrientation(const PictureFrame& before);
    /// The save dialog asked about the name the person chose; when the
    /// program had to give it another extension and a file of that name
    /// exists, the person is asked before it is replaced. True when path may
    /// be written.
    bool MayWriteInsteadOf(std::string_view chosen, const std::string& path);

    // project
    Project project_;
    History history_;
    int32_t fileState_ = kNoProject;
    int32_t savedCount_ = 0;
    int32_t currentType_ = 0;
    std::string loadPattern_ = "*.KXP";
    bool userNameAsked_ = false;
    /// The project file as it was last read or written here, so that a save
    /// can tell when another program has replaced it since.
    std::string stampedPath_;
    FileStamp diskStamp_;
    bool locksProjects_ = false;
    ProjectLock lock_;

    // measuring
    /// Every mouse tool, the active one and the one a held tool (panning)
    /// hands the mouse back to.
    std::vector<std::unique_ptr<MouseTool>> tools_;
    MouseTool* tool_ = nullptr;
    MouseTool* previousTool_ = nullptr;
    MouseTool* idleTool_ = nullptr;
    MeasureTool* measureTool_ = nullptr;
    ModifyTool* modifyTool_ = nullptr;
    MouseTool* panTool_ = nullptr;
    MouseTool* wandTool_ = nullptr;
    std::vector<PendingMarker> pendingPoints_;
    std::vector<int32_t> picked_;
    std::vector<PendingEntry> pending_;
    int32_t captureType_ = 0;
    uint8_t captureDataType_ = 0;
    /// Overrides and label the next new object's first entry receives.
    CaptureOverrides captureOverrides_;
    std::string captureLabel_;
    int32_t lastTypeUsed_ = 0;
    ScreenPoint lastClick_;
    std::vector<TypeItem> cboItems_;
    int32_t cboIndex_ = 0;
    bool cboEnabled_ = true;
    bool valueGridEnabled_ = true;
    FunctionButtons functionButtons_{};
    int32_t functionButtonUpdates_ = 0;
    bool functionButtonsVisible_ = true;
    /// Pending index (0-based) of the first entry of the object under capture.
    std::size_t objectStart_ = 0;

    // statistics
    ValueList valueList_;
    double ClassWidth_ = 0.0;
    GridModel grids_;

    // view and drawing
    int32_t lastZoomPercent_ = 100;
    DrawnView drawnView_;
    int32_t redrawCount_ = 0;
    bool skipNextRedraw_ = false;
    bool resizeFlag_ = false;
    WindowGeometry windowGeometry_;
    int32_t screenFieldSize_ = 0;
    bool drawingPictureExport_ = false;
    int32_t displayFieldPixels_ = 0;
    FullPictureWanted fullPictureWanted_;
    std::string metafileOutputPath_;
    std::shared_ptr<const TextMetrics> textMetrics_;
    WindowState windowState_;
    /// The reduced picture the full one was last asked for (once per
    /// picture), and the number of that request.
    std::shared_ptr<const Picture> detailAskedFor_;
    uint64_t detailRequest_ = 0;
    /// The full picture could not be decoded for detailAskedFor_.
    bool detailFailed_ = false;
    double wheelSteps_ = 0.0;
    double panRemainderX_ = 0.0;
    double panRemainderY_ = 0.0;

    // undo, recent projects, export
    UndoHistory undo_;
    bool rememberRecentProjects_ = false;
    GrabPaintBox grabPaintBox_;

    // notices
    std::vector<WorkspaceObserver*> observers_;
    ChangeFlags changes_;
    Seen seen_;
    FunctionButtons seenButtons_{};
    int noticeDepth_ = 0;

    Program& program_;
};

}  // namespace kvx
