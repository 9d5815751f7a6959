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
#include "core/draw/picture_loader.hpp"
#include "core/draw/render_objects.hpp"
#include "core/draw/text_metrics.hpp"
#include "core/draw/view.hpp"
#include "core/draw/window_state.hpp"
#include "core/measure/calibration.hpp"
#include "core/measure/capture.hpp"
#include "core/measure/type_choice.hpp"
#include "core/program/program.hpp"
#include "core/project/measured_object.hpp"
#include "core/project/picture_frame.hpp"
#include "core/project/project.hpp"
#include "core/project/undo_history.hpp"
#include "core/stats/grid_model.hpp"
#include "core/stats/value_list.hpp"

namespace kvx {

class PixelImage;

/// Names of the changes Undo and Redo name in their captions.
inline constexpr int kMsgUndoNewObject = 2231;
inline constexpr int kMsgUndoMovePoint = 2232;
inline constexpr int kMsgUndoDeletePoint = 2233;
inline constexpr int kMsgUndoDuplicatePoint = 2234;
inline constexpr int kMsgUndoExclude = 2235;
inline constexpr int kMsgUndoInclude = 2236;
inline constexpr int kMsgUndoProperties = 2237;

/// What the main window owns for the run: the open project, its `history`
/// table, the change state and the command handlers. The Qt window forwards
/// events here and shows what comes back; the batch tool drives it directly.
///
/// Its state and commands are grouped by concern in the sections below, each
/// implemented in its own source file beside this one (workspace_<concern>.cpp);
/// the computations they call live in the folders below.
class Workspace {
public:
    explicit Workspace(Program& program) : program_(program) {}
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    Program& program() { return program_; }
    const Program& program() const { return program_; }

    // ---- project state ----------------------------------------------------
    Project project;
    History history;
    int32_t fileState = kNoProject;
    int32_t savedCount = 0;
    /// The selected object type (slot), 0 = none.
    int32_t currentType = 0;

    /// Creates the `history` table with the configured capacity.
    [[nodiscard]] ErrorCode CreateHistory();
    /// Returns the project to the empty state; keeps title, userName and
    /// formatVersion.
    void ClearProject();

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
    std::string loadPattern = "*.KXP";
    /// Writes the open project to fileName (extension KXP; the previous file
    /// is kept as BAK), asking for the user name at the first save of the
    /// run. Failures are shown; the project and fileState then stay as they
    /// were. Returns 0, 63010100 (cannot create) or 63010103 (writing failed).
    [[nodiscard]] ErrorCode Save(std::string_view fileName);
    /// Reads a project file into project and history (both cleared by the
    /// caller), resolving a moved image, asking when it cannot be found.
    /// A failure leaves an empty project with fileState 0. With showErrors
    /// the collected errors are shown, otherwise discarded.
    [[nodiscard]] bool ReadProject(std::string_view fileName, bool showErrors);
    /// The user name has been asked in this run.
    bool userNameAsked = false;

    // ---- measuring ------------------------------------------------------------
    /// 1 while modify mode is on (read by the redraw).
    int32_t modifyMode = 0;
    /// 0 measure mode off, 1 capturing, 2 an object was just committed.
    int32_t captureState = 0;
    /// The points captured but not yet committed, as the redraw marks them
    /// (kept in step with `pending`).
    std::vector<PendingMarker> pendingPoints;
    /// `PendingPoints`: the captured entries of the object(s) not yet
    /// committed, at most kPendingCapacity.
    std::vector<PendingEntry> pending;
    /// The type of the object being captured; 0 = no object started.
    int32_t captureType = 0;
    /// The data type of captureType (or of the type chosen last).
    uint8_t captureDataType = 0;
    /// Overrides and label the next new object's first entry receives.
    CaptureOverrides captureOverrides;
    std::string captureLabel;
    /// The type of the last new object (preselected in the object dialog).
    int32_t lastTypeUsed = 0;
    /// `history` index of the point being dragged in modify mode; 0 = none.
    int32_t dragIndex = 0;
    /// The press that may open a zoom rectangle, and its opposite corner
    /// (the outline the window shows while both are set).
    std::optional<ScreenPoint> pressPosition;
    std::optional<ScreenPoint> dragPosition;
    /// The last captured click, in paint-box pixels.
    ScreenPoint lastClick;
    /// The items of `cbo` and the selected one (index into cboItems).
    std::vector<TypeItem> cboItems;
    int32_t cboIndex = 0;
    /// Enabled states of `cbo` and the value grid as the measuring commands
    /// leave them.
    bool cboEnabled = true;
    bool valueGridEnabled = true;
    /// `BtF1` .. `BtFA`, the updates seen while a type was selected, and
    /// whether the layout shows any of them.
    FunctionButtons functionButtons{};
    int32_t functionButtonUpdates = 0;
    bool functionButtonsVisible = true;

    /// The Measure command (`ImgVec`, `MnMeasure`): starts measure mode,
    /// commits the object under capture, or leaves measure mode.
    void MeasureCommand();
    /// The Modify command (`ImgEdit`, `MnModify`): toggles modify mode.
    void ModifyCommand();
    /// Ends capturing and modifying; a captured object is committed first.
    /// Saving and the save-changes question run it.
    void FinishMeasuring();
    /// Forgets every capture and modification in progress without storing
    /// anything (clearing the project, after a save).
    void ResetMeasuring();
    /// Mouse press, move and release on `MainPB`. The front end handles the
    /// press that only ends the start-up state itself.
    void MainPBMouseDown(const MouseEvent& event);
    void MainPBMouseMove(int32_t x, int32_t y);
    void MainPBMouseUp(const MouseEvent& event);
    /// The zoom outline the window shows over the paint box: press and
    /// current corner; none while no rectangle is being dragged.
    std::optional<std::pair<ScreenPoint, ScreenPoint>> ZoomOutline() const;
    /// Fills `cbo` with the user types, keeping currentType selected.
    void FillTypeSelector();
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
    /// Applies the properties dialog's OK: resolution (stored points follow),
    /// pointer calibration, title and image path; then redraws.
    void PropertiesOk(const PropertiesDialogModel& model);

private:
    void CommitPending();
    void CaptureClick(const MouseEvent& event);
    void ModifyPress(const MouseEvent& event);
    void DropDraggedPoint(const MouseEvent& event);
    /// The history index of the closing copy of the polygon or count object
    /// whose first point is at index; 0 when there is none.
    int32_t ClosingCopyOf(int32_t index) const;
    bool ShowObjectDialog();
    void SyncPendingMarkers();
    void MeasuringControlsChanged();
    std::optional<WorldPosition> MouseToWorld(int32_t x, int32_t y, int32_t boxWidth,
                                              int32_t boxHeight) const;
    /// Pending index (0-based) of the first entry of the object under capture.
    std::size_t objectStart_ = 0;

public:
    // ---- values and statistics ------------------------------------------------
    /// The values of `currentType` with their statistics behind them.
    ValueList valueList;
    /// Class width of the class-frequency output, in stored units.
    double ClassWidth = 0.0;
    /// What `DGrid` and `vGrid` show.
    GridModel grids;

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
    int32_t lastZoomPercent = 100;
    /// The view as last drawn; mouse positions are read through it.
    DrawnView drawnView;

    /// Sets the view to the whole world; false when that failed (errors recorded).
    [[nodiscard]] bool ResetViewToWorld();

    /// The zoom controls of the main window.
    enum class ZoomControl {
        MnEnlarge,       ///< zooms out by ReducePercent
        MnReduce,        ///< zooms in by EnlargePercent
        MnWorld,         ///< the whole world
        BitBtn4,         ///< zooms in by EnlargePercent
        BitBtn5,         ///< zooms out by ReducePercent
        BitBtn6,         ///< the whole image (or the world without an image)
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
    /// positive zooms in) zoom by the fine-zoom percentage each, about the
    /// world point under paint-box pixel (x, y), which stays where it is.
    /// True when the view changed.
    bool WheelZoom(double steps, int32_t x, int32_t y, int32_t boxWidth, int32_t boxHeight);
    /// A drag of (dx, dy) paint-box pixels that takes the picture along,
    /// stopping at the world's edges. True when the view changed.
    bool DragPan(int32_t dx, int32_t dy, int32_t boxWidth, int32_t boxHeight);

    /// Rebuilds everything the window shows from the project state: runs
    /// MainRedraw, keeps its result in windowState and hands it to
    /// windowStateChanged.
    void Redraw();

    /// Redraw requests seen; the first two (during start-up) only count.
    int32_t redrawCount = 0;
    /// Set by the layout when it had to cut the window to the screen: the
    /// next redraw updates texts and commands but draws nothing.
    bool skipNextRedraw = false;
    /// Set by the layout, read by the mouse handling, cleared by every redraw.
    bool resizeFlag = false;
    /// Sizes the front end reports for the window-geometry layer.
    WindowGeometry windowGeometry;
    /// The side of `MainPB` in screen pixels while a window shows the
    /// surface; 0 when none does (the batch tool). On a small paint box the
    /// raster labels and the scale bar's text are drawn larger than their
    /// styles say, so that they stay readable; exported pictures keep the
    /// styles' sizes.
    int32_t screenFieldSize = 0;
    /// Set while the redraw draws a picture export (its texts keep their sizes).
    bool drawingPictureExport = false;
    /// The pixels of the display across the surface's side where it is
    /// shown (the paint box's side on the screen, the batch tool's picture
    /// size); 0 when unknown. A picture is loaded no larger than the fitted
    /// view needs there, and in full when a view needs more; with 0 it is
    /// always loaded in full.
    int32_t displayFieldPixels = 0;
    /// Called when a view needs more of the picture than the reduced one in
    /// memory has: the front end decodes the request (in full) away from
    /// the window's thread and hands the result to AdoptFullPicture with
    /// the same number. Without it the full picture is decoded at once.
    std::function<void(const PictureRequest& request, uint64_t number)> fullPictureWanted;
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
    /// Not empty while a metafile export runs: the redraw saves its surface there.
    std::string metafileOutputPath;
    /// The front end's font metrics; an approximation while none is set.
    std::shared_ptr<const TextMetrics> textMetrics;
    /// What the window shows since the last redraw.
    WindowState windowState;
    /// Told about every redraw that got past the start-up guard.
    std::function<void(const WindowState&)> windowStateChanged;

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
    UndoHistory undo;
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
    bool rememberRecentProjects = false;
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
    /// pixel; the bitmap and JPEG exports save it. False when none is
    /// available (the picture kinds then write nothing).
    std::function<bool(PixelImage&)> grabPaintBox;

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

private:
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

    /// The reduced picture the full one was last asked for (once per
    /// picture), and the number of that request.
    std::shared_ptr<const Picture> detailAskedFor_;
    uint64_t detailRequest_ = 0;
    /// The full picture could not be decoded for detailAskedFor_.
    bool detailFailed_ = false;

    double wheelSteps_ = 0.0;
    double panRemainderX_ = 0.0;
    double panRemainderY_ = 0.0;
    /// The save dialog asked about the name the person chose; when the
    /// program had to give it another extension and a file of that name
    /// exists, the person is asked before it is replaced. True when path may
    /// be written.
    bool MayWriteInsteadOf(std::string_view chosen, const std::string& path);

    Program& program_;
};

}  // namespace kvx
