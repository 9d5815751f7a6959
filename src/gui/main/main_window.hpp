#pragma once

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "core/measure/type_choice.hpp"
#include "core/picture/picture_loader.hpp"
#include "core/stats/grid_model.hpp"
#include "core/workspace/main_layout.hpp"
#include "core/workspace/session.hpp"
#include "core/workspace/workspace.hpp"
#include "gui/main/qt_user_interface.hpp"

class QAction;
class QDragEnterEvent;
class QDropEvent;
class QMimeData;
class QComboBox;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QToolButton;

namespace kvx {

class PaintBox;
class Program;
class ResultsWindow;
class SpinButton;
class StatisticsGrid;
class ValueGrid;
class Workspace;
struct WindowState;

/// The program's window: the measuring field, the toolbar row, the type
/// selector, the value and statistics grids and the status bar. It forwards
/// every menu entry, button, key and mouse event to the workspace and shows
/// what comes back; the start-up sequence runs when it is created.
class MainWindow : public QMainWindow, private WorkspaceObserver {
    Q_OBJECT
public:
    /// Runs the start-up sequence. commandLineFile: a project or image to
    /// open; dataDir: the folder of the data files (empty: found beside the
    /// program).
    explicit MainWindow(const QString& commandLineFile = {}, const QString& dataDir = {});
    ~MainWindow() override;

    /// The start-up step that failed, 0 when the program can run.
    int32_t StartupStep() const { return startup_.step; }

    Program& program() { return *program_; }
    Workspace& workspace() { return *workspace_; }
    StartupState& startup() { return startup_; }
    QtUserInterface& userInterface() { return ui_; }

    /// Menu captions from the catalogue in the current language.
    void Relabel();
    /// The layout for the current size (runs once start-up has finished).
    void ApplyLayout();
    /// The status panels at their shares of the bar, widened where a text
    /// needs more.
    void FitPanels();
    /// The width of both grids: what the wider needs to show every text.
    int GridsWidth() const;

    /// The window's size as the window settings keep it (its outer size).
    QSize OuterSize() const;
    /// Resizes the window to an outer size.
    void ResizeOuter(int width, int height);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void BuildMenu();
    void BuildToolbar(QWidget* field);
    void BuildStatusBar();
    QAction* AddAction(QMenu* menu, const char* name, const QString& text);
    QToolButton* AddToolButton(QWidget* parent, const char* name, int left, int top, int iconKind);
    QFrame* AddBevel(QWidget* parent, const char* name, int left, int width);
    void DisableProjectCommands();
    /// Window size limits, outer sizes less the frame.
    void UpdateSizeLimits();
    /// Takes the frame the window system put around the window, keeping the
    /// outer size, and lays the window out again when it changed.
    void FrameMayHaveChanged();
    /// Redraws; right after start-up as often as it takes to show the view.
    void ShowStartView();

    void ApplyWindowState(const WindowState& state);
    /// The workspace's notice: applies a new window state and shows what
    /// else changed.
    void WorkspaceChanged(ChangeFlags changes) override;
    /// Brings the controls that changes name into step with the workspace:
    /// selector, function buttons, mode buttons, undo entries, grids, the
    /// zoom outline.
    void ShowWorkspace(ChangeFlags changes);
    void SetControl(const QString& name, std::optional<bool> enabled, std::optional<bool> visible);
    void PlaceFunctionButtons();
    /// Hands the sizes of screen, window, paint box and grids to the
    /// workspace, whose window-geometry layer prints them.
    void FillWindowGeometry();
    /// Decodes request in a thread of its own; the result goes to the
    /// workspace on the window's thread.
    void StartFullPicture(PictureRequest request, uint64_t number);
    /// Gives up a decode still running and waits for its thread.
    void StopFullPicture();
    void ShowZoomOutline();
    /// The pointer the active mouse tool wants over the paint box.
    void ShowToolCursor();

    /// Runs a command and shows its outcome.
    template <class F>
    void Command(F&& command);

    // Commands of the menu, the toolbar and the keys.
    void NewClick();
    void LoadClick();
    void SaveClick();
    void SaveToClick();
    void SaveButtonClick();
    void CtrlSave();
    void ResetClick();
    void ExitClick();
    void ExportClick(int32_t kind);
    void InfoClick();
    void ResultsClick();
    void DataClick();
    void DetectClick();
    void AddObjectClick();
    void OptionsClick();
    void CopyClick();
    void FocusStatisticsGridIf(bool take);
    bool HandleKey(QKeyEvent* event);
    void FirstInputAfterStartup();

    void PaintBoxPressed(QMouseEvent* event);
    void PaintBoxMoved(QMouseEvent* event);
    void PaintBoxReleased(QMouseEvent* event);
    void PaintBoxZoom(double steps, QPoint at);
    void PaintBoxDoubleClicked(QMouseEvent* event);
    /// The live readout: the mouse at (or, without a position, where it was
    /// last), the object being drawn and the magnification.
    void ShowReadout(std::optional<QPoint> at);
    /// Lists the recent projects in their submenu as it opens.
    void FillRecentMenu();
    /// A file the person dropped on the window that it can open; empty when
    /// the drop holds none.
    static QString DroppedFile(const QMimeData* data);

    QtUserInterface ui_;
    std::unique_ptr<Program> program_;
    std::unique_ptr<Workspace> workspace_;
    StartupState startup_;

    PaintBox* MainPB = nullptr;
    QComboBox* cbo = nullptr;
    ValueGrid* DGrid = nullptr;
    StatisticsGrid* vGrid = nullptr;
    QToolButton* BitBtn3 = nullptr;
    QToolButton* BitBtn7 = nullptr;
    QToolButton* ImgVec = nullptr;
    QToolButton* ImgEdit = nullptr;
    QToolButton* ImgWand = nullptr;
    QFrame* Bevel7 = nullptr;
    QFrame* Bevel9 = nullptr;
    QFrame* Bevel8 = nullptr;
    QLabel* LbDetails = nullptr;
    QLabel* LbRaster1 = nullptr;
    SpinButton* spinDet = nullptr;
    SpinButton* SpinRaster = nullptr;
    std::array<QPushButton*, kFunctionButtons> functionButtons_{};
    std::array<QLabel*, 5> panels_{};
    QLabel* readout_ = nullptr;
    std::optional<QPoint> mouseAt_;

    QAction* MnSave = nullptr;
    QAction* MnSaveTo = nullptr;
    QAction* MnMeasure = nullptr;
    QAction* MnModify = nullptr;
    QMenu* MnWrite = nullptr;
    QMenu* MnRecent = nullptr;
    QAction* MnUndo = nullptr;
    QAction* MnRedo = nullptr;
    QPointer<ResultsWindow> results_;

    // Panning with the middle button, or the left one while Space is held:
    // the paint-box pixel the drag has reached.
    bool spaceHeld_ = false;

    // What the window system's frame adds to the widget's size; none until
    // the window is shown in a framing window manager.
    QSize frame_{0, 0};
    bool activated_ = false;
    MainLayout layout_;
    bool layingOut_ = false;
    bool layoutDone_ = false;
    std::vector<TypeItem> shownItems_;
    // What the grids show, so that a command that changed nothing in them
    // does not refill a thousand rows.
    std::vector<GridRow> shownRows_;
    std::array<GridRow, GridModel::kStatisticsRows> shownStatistics_{};
    bool closed_ = false;

    std::thread fullPictureWorker_;
    std::atomic<bool> cancelFullPicture_{false};
    std::atomic<bool> fullPictureDone_{false};
    /// The picture the full one is decoded for; a decode for a picture no
    /// longer shown is given up.
    const Picture* fullPictureFor_ = nullptr;
};

}  // namespace kvx
