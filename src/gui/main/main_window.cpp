#include "gui/main/main_window.hpp"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/export/text_export.hpp"
#include "core/picture/picture.hpp"
#include "core/picture/picture_loader.hpp"
#include "core/program/error_report.hpp"
#include "core/program/program.hpp"
#include "core/program/recent_projects.hpp"
#include "core/support/file_names.hpp"
#include "core/support/strings.hpp"
#include "core/workspace/workspace.hpp"
#include "gui/dialogs/results_window.hpp"
#include "gui/main/info_dialog.hpp"
#include "gui/main/paint_box.hpp"
#include "gui/main/spin_button.hpp"
#include "gui/main/toolbar_icons.hpp"
#include "gui/measure/value_grids.hpp"
#include "gui/options/detect_dialog.hpp"
#include "gui/support/core_text.hpp"
#include "gui/support/qt_text_metrics.hpp"
#include "gui/support/qt_translations.hpp"

namespace kvx {

namespace {

constexpr int kButtonSize = 31;
constexpr int kDataGridWidth = 220;
constexpr int kValueGridHeight = 191;

// Menu captions: entry name and message number.
struct Caption {
    const char* name;
    int message;
};
constexpr Caption kCaptions[] = {
    {"MnFile", 2061},       {"MnNew", 2078},       {"MnLoad", 2064},    {"MnSave", 2069},
    {"MnSaveTo", 2065},     {"MnWrite", 2074},     {"MnProps", 2009},   {"MnReset", 2075},
    {"MnExit", 2066},       {"MnEdit1", 2062},     {"MnMeasure", 2143}, {"MnModify", 2144},
    {"MnData", 2068},       {"MnAddobject", 2089}, {"MnView", 2063},    {"MnRefresh", 2067},
    {"MnWorld", 2071},      {"MnEnlarge", 2073},   {"MnReduce", 2072},  {"MnOptions2", 2070},
    {"Screen1", 2079},      {"MnRecent", 2238},    {"MnResults", 2281}, {"MnDetect", 2267},
    {"MnFitPicture", 2295},
};

// Tool tips of the toolbar: the button, the message that names it and the
// key that runs the same command (empty when none does).
struct ToolTip {
    const char* name;
    int message;
    const char* key;
};
constexpr ToolTip kToolTips[] = {
    {"BitBtn1", 2078, "Ctrl+N"}, {"BitBtn2", 2064, "Ctrl+O"}, {"BitBtn3", 2069, "Ctrl+S"},
    {"BitBtn4", 2072, "+"},      {"BitBtn5", 2073, "-"},      {"BitBtn6", 2295, "Ctrl+0"},
    {"spinDet", 2296, ""},       {"SpinRaster", 2297, ""},    {"ImgVec", 2143, ""},
    {"ImgEdit", 2144, ""},       {"ImgWand", 2268, "W"},      {"BitBtn7", 2298, ""},
};

// A menu caption as a name: without its accelerator mark and its dots.
QString PlainCaption(QString caption) {
    caption.remove(QLatin1Char('&'));
    while (caption.endsWith(QLatin1Char('.')) || caption.endsWith(QChar(0x2026))) caption.chop(1);
    return caption.trimmed();
}

// Share of the status bar kept for the live readout.
constexpr int kReadoutPercent = 48;

// Shown after a caption in the menu; the keys themselves are handled by
// the window, which sees them first.
QString ShortcutHint(const char* name) {
    const QString entry = QLatin1String(name);
    if (entry == QLatin1String("MnNew")) return QStringLiteral("\tCtrl+N");
    if (entry == QLatin1String("MnLoad")) return QStringLiteral("\tCtrl+O");
    if (entry == QLatin1String("MnSave")) return QStringLiteral("\tCtrl+S");
    if (entry == QLatin1String("MnReset")) return QStringLiteral("\tCtrl+R");
    if (entry == QLatin1String("MnExit")) return QStringLiteral("\tAlt+X");
    if (entry == QLatin1String("MnUndo")) return QStringLiteral("\tCtrl+Z");
    if (entry == QLatin1String("MnRedo")) return QStringLiteral("\tCtrl+Shift+Z");
    if (entry == QLatin1String("MnDetect")) return QStringLiteral("\tCtrl+D");
    if (entry == QLatin1String("MnFitPicture")) return QStringLiteral("\tCtrl+0");
    return {};
}

MouseEvent ToMouseEvent(const QMouseEvent& event, const QWidget& box) {
    MouseEvent m;
    const Qt::MouseButton button = event.button() != Qt::NoButton ? event.button() : Qt::LeftButton;
    m.button = button == Qt::RightButton    ? MouseButton::Right
               : button == Qt::MiddleButton ? MouseButton::Middle
                                            : MouseButton::Left;
    const Qt::KeyboardModifiers mods = event.modifiers();
    m.shift = mods.testFlag(Qt::ShiftModifier);
    m.alt = mods.testFlag(Qt::AltModifier);
    m.control = mods.testFlag(Qt::ControlModifier);
    const QPoint at = event.position().toPoint();
    m.x = at.x();
    m.y = at.y();
    m.boxWidth = box.width();
    m.boxHeight = box.height();
    return m;
}

}  // namespace

MainWindow::MainWindow(const QString& commandLineFile, const QString& dataDir) {
    setObjectName(QStringLiteral("MainWindow"));
    setAttribute(Qt::WA_DeleteOnClose, false);

    const std::string dir =
        dataDir.isEmpty() ? FindDataDirectory(ExecutableDirectory()) : PathToCore(dataDir);
    program_ = std::make_unique<Program>(ui_, dir);
    ui_.SetProgram(program_.get());
    ui_.SetOwner(this);
    workspace_ = std::make_unique<Workspace>(*program_);
    workspace_->SetTextMetrics(std::make_shared<QtTextMetrics>());
    workspace_->SetRememberRecentProjects(true);
    workspace_->SetLocksProjects(true);
    setAcceptDrops(true);
    workspace_->AddObserver(this);
    workspace_->SetFullPictureWanted([this](const PictureRequest& request, uint64_t number) {
        StartFullPicture(request, number);
    });
    workspace_->SetGrabPaintBox([this](PixelImage& image) {
        const QImage shot = MainPB->Snapshot().convertToFormat(QImage::Format_RGB888);
        if (shot.isNull() || !image.Allocate(shot.width(), shot.height())) return false;
        const auto rowBytes = static_cast<std::size_t>(shot.width()) * 3;
        for (int y = 0; y < shot.height(); ++y) {
            std::memcpy(image.Row(y), shot.constScanLine(y), rowBytes);
        }
        return true;
    });

    auto* field = new QWidget(this);
    field->setObjectName(QStringLiteral("ClientArea"));
    setCentralWidget(field);
    BuildMenu();
    BuildToolbar(field);
    BuildStatusBar();
    UpdateSizeLimits();
    resize(kMainDesignWidth, kMainDesignHeight);

    DisableProjectCommands();
    Relabel();

    StartupArguments arguments;
    arguments.file = PathToCore(commandLineFile);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        arguments.screenWidth = screen->geometry().width();
        arguments.screenHeight = screen->geometry().height();
        const QRect free = screen->availableGeometry();
        arguments.freeArea = {free.x(), free.y(), free.width(), free.height()};
    }
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect area = screen->geometry();
        arguments.screens.push_back({area.x(), area.y(), area.width(), area.height()});
    }
    if (StartUp(*workspace_, startup_, arguments) != 0) return;

    setWindowTitle(FromCore(startup_.caption));
    (void)UseQtTranslations(program_->settings.Language);
    Relabel();
    DGrid->setColumnWidth(0, ValueGrid::kCaptionWidth);
    DGrid->setColumnWidth(1, ValueGrid::kValueWidth);
    move(startup_.window.left, startup_.window.top);
    ResizeOuter(startup_.window.width, startup_.window.height);
    ApplyLayout();
    qApp->installEventFilter(this);
}

MainWindow::~MainWindow() {
    StopFullPicture();
    qApp->removeEventFilter(this);
    // The table of objects watches the workspace, which goes before the
    // window's children do.
    delete results_;
    if (workspace_) {
        workspace_->RemoveObserver(this);
        workspace_->SetFullPictureWanted(nullptr);
    }
    ui_.SetOwner(nullptr);
}

QSize MainWindow::OuterSize() const {
    return size() + frame_;
}

void MainWindow::ResizeOuter(int width, int height) {
    resize(width - frame_.width(), height - frame_.height());
}

void MainWindow::UpdateSizeLimits() {
    setMinimumSize(QSize(kMainMinWidth, kMainMinHeight) - frame_);
    setMaximumSize(QSize(kMainMaxWidth, kMainMaxHeight) - frame_);
}

void MainWindow::FrameMayHaveChanged() {
    if (!isVisible() || (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) != 0) {
        return;
    }
    // A window manager frames the window only after it is shown; the size
    // the window was meant to have then includes that frame.
    const QSize frame = frameGeometry().size() - geometry().size();
    if (frame == frame_ || frame.width() < 0 || frame.height() < 0) return;
    const QSize outer = OuterSize();
    frame_ = frame;
    UpdateSizeLimits();
    ResizeOuter(outer.width(), outer.height());
    ApplyLayout();
}

// ---- building ----------------------------------------------------------------

QAction* MainWindow::AddAction(QMenu* menu, const char* name, const QString& text) {
    auto* action = new QAction(text, menu);
    action->setObjectName(QLatin1String(name));
    menu->addAction(action);
    return action;
}

void MainWindow::BuildMenu() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    auto menu = [&](const char* name) {
        auto* m = new QMenu(bar);
        m->setObjectName(QLatin1String(name));
        m->menuAction()->setObjectName(QLatin1String(name));
        return m;
    };

    QMenu* file = menu("MnFile");
    bar->addMenu(file);
    connect(AddAction(file, "MnNew", {}), &QAction::triggered, this, &MainWindow::NewClick);
    connect(AddAction(file, "MnLoad", {}), &QAction::triggered, this, &MainWindow::LoadClick);
    MnRecent = menu("MnRecent");
    file->addMenu(MnRecent);
    connect(MnRecent, &QMenu::aboutToShow, this, &MainWindow::FillRecentMenu);
    MnSave = AddAction(file, "MnSave", {});
    connect(MnSave, &QAction::triggered, this, &MainWindow::SaveClick);
    MnSaveTo = AddAction(file, "MnSaveTo", {});
    connect(MnSaveTo, &QAction::triggered, this, &MainWindow::SaveToClick);
    MnWrite = menu("MnWrite");
    file->addMenu(MnWrite);
    const std::pair<const char*, int32_t> exports[] = {{"WriteWMF", kExportMetafile},
                                                       {"WriteBMP", kExportBitmap},
                                                       {"JPG1", kExportJpeg},
                                                       {"MnExpText", kExportReport},
                                                       {"Screen1", kExportScreen},
                                                       {"Tessaplot1", kExportTessaplot},
                                                       {"R1", kExportR}};
    const QString fixed[] = {QStringLiteral("WMF"),
                             QStringLiteral("BMP"),
                             QStringLiteral("JPG"),
                             QStringLiteral("Text"),
                             QString(),
                             QStringLiteral("Tessaplot"),
                             QStringLiteral("R")};
    int index = 0;
    for (const auto& [name, kind] : exports) {
        QAction* action = AddAction(MnWrite, name, fixed[index++]);
        connect(action, &QAction::triggered, this, [this, kind = kind] { ExportClick(kind); });
    }
    connect(AddAction(file, "MnProps", {}), &QAction::triggered, this, [this] {
        // A distance selected in the value grid is offered as the scale.
        const int row = DGrid->selectedItems().isEmpty() ? -1 : DGrid->currentRow();
        Command([this, row] { workspace_->MnPropsClick(row); });
    });
    file->addSeparator();
    connect(AddAction(file, "MnReset", {}), &QAction::triggered, this, &MainWindow::ResetClick);
    connect(AddAction(file, "MnExit", {}), &QAction::triggered, this, &MainWindow::ExitClick);

    QMenu* edit = menu("MnEdit1");
    bar->addMenu(edit);
    MnUndo = AddAction(edit, "MnUndo", {});
    connect(MnUndo, &QAction::triggered, this,
            [this] { Command([this] { workspace_->UndoCommand(); }); });
    MnRedo = AddAction(edit, "MnRedo", {});
    connect(MnRedo, &QAction::triggered, this,
            [this] { Command([this] { workspace_->RedoCommand(); }); });
    edit->addSeparator();
    MnMeasure = AddAction(edit, "MnMeasure", {});
    MnMeasure->setCheckable(true);
    connect(MnMeasure, &QAction::triggered, this,
            [this] { Command([this] { workspace_->MeasureCommand(); }); });
    MnModify = AddAction(edit, "MnModify", {});
    MnModify->setCheckable(true);
    connect(MnModify, &QAction::triggered, this,
            [this] { Command([this] { workspace_->ModifyCommand(); }); });
    connect(AddAction(edit, "MnDetect", {}), &QAction::triggered, this, &MainWindow::DetectClick);
    edit->addSeparator();
    connect(AddAction(edit, "MnData", {}), &QAction::triggered, this, &MainWindow::DataClick);
    connect(AddAction(edit, "MnAddobject", {}), &QAction::triggered, this,
            &MainWindow::AddObjectClick);

    QMenu* view = menu("MnView");
    bar->addMenu(view);
    connect(AddAction(view, "MnRefresh", {}), &QAction::triggered, this,
            [this] { Command([this] { workspace_->Redraw(); }); });
    connect(AddAction(view, "MnWorld", {}), &QAction::triggered, this, [this] {
        Command([this] { workspace_->ZoomCommand(Workspace::ZoomControl::MnWorld); });
    });
    connect(AddAction(view, "MnFitPicture", {}), &QAction::triggered, this, [this] {
        Command([this] { workspace_->ZoomCommand(Workspace::ZoomControl::FitPicture); });
    });
    connect(AddAction(view, "MnEnlarge", {}), &QAction::triggered, this, [this] {
        Command([this] { workspace_->ZoomCommand(Workspace::ZoomControl::MnEnlarge); });
    });
    connect(AddAction(view, "MnReduce", {}), &QAction::triggered, this, [this] {
        Command([this] { workspace_->ZoomCommand(Workspace::ZoomControl::MnReduce); });
    });
    QAction* results = AddAction(view, "MnResults", {});
    results->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    connect(results, &QAction::triggered, this, &MainWindow::ResultsClick);
    view->addSeparator();
    connect(AddAction(view, "MnOptions2", {}), &QAction::triggered, this,
            &MainWindow::OptionsClick);
    connect(AddAction(view, "MnInfo", QStringLiteral("Info")), &QAction::triggered, this,
            &MainWindow::InfoClick);
}

QToolButton* MainWindow::AddToolButton(QWidget* parent, const char* name, int left, int top,
                                       int iconKind) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(left, top, kButtonSize, kButtonSize);
    button->setIcon(MakeToolbarIcon(static_cast<ToolbarIcon>(iconKind)));
    button->setIconSize(QSize(22, 22));
    // The window handles the keys; a toolbar button must not swallow them.
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QFrame* MainWindow::AddBevel(QWidget* parent, const char* name, int left, int width) {
    auto* bevel = new QFrame(parent);
    bevel->setObjectName(QLatin1String(name));
    bevel->setFrameShape(QFrame::Panel);
    bevel->setFrameShadow(QFrame::Sunken);
    bevel->setGeometry(left, 3, width, kButtonSize);
    return bevel;
}

void MainWindow::BuildToolbar(QWidget* field) {
    using Zoom = Workspace::ZoomControl;
    auto zoom = [this](Zoom control) {
        Command([this, control] { FocusStatisticsGridIf(workspace_->ZoomCommand(control)); });
    };

    connect(AddToolButton(field, "BitBtn1", 8, 3, int(ToolbarIcon::New)), &QToolButton::clicked,
            this, &MainWindow::NewClick);
    connect(AddToolButton(field, "BitBtn2", 41, 3, int(ToolbarIcon::Open)), &QToolButton::clicked,
            this, &MainWindow::LoadClick);
    BitBtn3 = AddToolButton(field, "BitBtn3", 74, 3, int(ToolbarIcon::Save));
    connect(BitBtn3, &QToolButton::clicked, this, &MainWindow::SaveButtonClick);
    connect(AddToolButton(field, "BitBtn4", 112, 3, int(ToolbarIcon::ZoomIn)),
            &QToolButton::clicked, this, [zoom] { zoom(Zoom::BitBtn4); });
    connect(AddToolButton(field, "BitBtn5", 146, 3, int(ToolbarIcon::ZoomOut)),
            &QToolButton::clicked, this, [zoom] { zoom(Zoom::BitBtn5); });
    connect(AddToolButton(field, "BitBtn6", 179, 3, int(ToolbarIcon::WholeImage)),
            &QToolButton::clicked, this, [zoom] { zoom(Zoom::BitBtn6); });

    AddBevel(field, "Bevel1", 217, 127);
    auto* image1 = new QLabel(field);
    image1->setObjectName(QStringLiteral("Image1"));
    image1->setPixmap(MakeToolbarPixmap(ToolbarIcon::FineZoom, 22));
    image1->setGeometry(221, 7, 22, 22);
    LbDetails = new QLabel(field);
    LbDetails->setObjectName(QStringLiteral("LbDetails"));
    LbDetails->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    LbDetails->setGeometry(246, 5, 74, 27);
    spinDet = new SpinButton(QStringLiteral("spinDet"), field);
    spinDet->setGeometry(324, 5, 17, 27);
    connect(spinDet, &SpinButton::upClicked, this, [zoom] { zoom(Zoom::SpinDetUp); });
    connect(spinDet, &SpinButton::downClicked, this, [zoom] { zoom(Zoom::SpinDetDown); });

    AddBevel(field, "Bevel2", 350, 127);
    auto* image2 = new QLabel(field);
    image2->setObjectName(QStringLiteral("Image2"));
    image2->setPixmap(MakeToolbarPixmap(ToolbarIcon::Raster, 22));
    image2->setGeometry(354, 7, 22, 22);
    LbRaster1 = new QLabel(field);
    LbRaster1->setObjectName(QStringLiteral("LbRaster1"));
    LbRaster1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    LbRaster1->setGeometry(379, 5, 74, 27);
    SpinRaster = new SpinButton(QStringLiteral("SpinRaster"), field);
    SpinRaster->setGeometry(457, 5, 17, 27);
    connect(SpinRaster, &SpinButton::upClicked, this, [zoom] { zoom(Zoom::SpinRasterUp); });
    connect(SpinRaster, &SpinButton::downClicked, this, [zoom] { zoom(Zoom::SpinRasterDown); });

    Bevel8 = AddBevel(field, "Bevel8", 483, 33);
    ImgVec = AddToolButton(field, "ImgVec", 484, 4, int(ToolbarIcon::Measure));
    ImgVec->setGeometry(484, 4, 31, 29);
    ImgVec->setCheckable(true);
    ImgVec->setAutoRaise(true);
    connect(ImgVec, &QToolButton::clicked, this,
            [this] { Command([this] { workspace_->MeasureCommand(); }); });
    Bevel7 = AddBevel(field, "Bevel7", 518, 33);
    ImgEdit = AddToolButton(field, "ImgEdit", 519, 4, int(ToolbarIcon::Modify));
    ImgEdit->setGeometry(519, 4, 31, 29);
    ImgEdit->setCheckable(true);
    ImgEdit->setAutoRaise(true);
    connect(ImgEdit, &QToolButton::clicked, this,
            [this] { Command([this] { workspace_->ModifyCommand(); }); });
    // Narrower than its neighbours, so that the copy button and the
    // selector keep their places.
    Bevel9 = AddBevel(field, "Bevel9", 553, 25);
    ImgWand = AddToolButton(field, "ImgWand", 554, 4, int(ToolbarIcon::Wand));
    ImgWand->setGeometry(554, 4, 23, 29);
    ImgWand->setIconSize(QSize(20, 20));
    ImgWand->setCheckable(true);
    ImgWand->setAutoRaise(true);
    connect(ImgWand, &QToolButton::clicked, this,
            [this] { Command([this] { workspace_->WandCommand(); }); });

    static const char* const kButtonNames[kFunctionButtons] = {
        "BtF1", "BtF2", "BtF3", "BtF4", "BtF5", "BtF6", "BtF7", "BtF8", "BtF9", "BtFA"};
    for (int i = 0; i < kFunctionButtons; ++i) {
        auto* button = new QPushButton(FromCore(DefaultButtonCaption(i)), field);
        button->setObjectName(QLatin1String(kButtonNames[i]));
        button->setGeometry(556, 3, 50, kButtonSize);
        button->setFocusPolicy(Qt::NoFocus);
        button->hide();
        connect(button, &QPushButton::clicked, this, [this, i] {
            Command([this, i] {
                if (workspace_->FunctionButtonClick(i) && DGrid->isEnabled()) {
                    DGrid->setCurrentCell(0, 1);
                    DGrid->setFocus();
                } else {
                    setFocus();
                }
            });
        });
        functionButtons_[static_cast<std::size_t>(i)] = button;
    }

    BitBtn7 = AddToolButton(field, "BitBtn7", 620, 3, int(ToolbarIcon::Copy));
    connect(BitBtn7, &QToolButton::clicked, this, &MainWindow::CopyClick);

    cbo = new QComboBox(field);
    cbo->setObjectName(QStringLiteral("cbo"));
    cbo->setGeometry(730, 4, 204, 24);
    cbo->setFocusPolicy(Qt::StrongFocus);
    connect(cbo, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { Command([this, index] { workspace_->CboChange(index); }); });

    MainPB = new PaintBox(field);
    MainPB->setGeometry(3, 36, 700, 700);
    connect(MainPB, &PaintBox::pressed, this, &MainWindow::PaintBoxPressed);
    connect(MainPB, &PaintBox::moved, this, &MainWindow::PaintBoxMoved);
    connect(MainPB, &PaintBox::released, this, &MainWindow::PaintBoxReleased);
    connect(MainPB, &PaintBox::doubleClicked, this, &MainWindow::PaintBoxDoubleClicked);
    connect(MainPB, &PaintBox::mouseLeft, this, [this] {
        mouseAt_.reset();
        ShowReadout(std::nullopt);
    });
    connect(MainPB, &PaintBox::zoomSteps, this, &MainWindow::PaintBoxZoom);

    DGrid = new ValueGrid(field);
    DGrid->setGeometry(729, 33, kDataGridWidth, 460);
    connect(DGrid, &ValueGrid::valueDoubleClicked, this,
            [this](int row) { Command([this, row] { workspace_->ToggleValueExclusion(row); }); });
    vGrid = new StatisticsGrid(field);
    vGrid->setGeometry(727, 522, kDataGridWidth, kValueGridHeight);
}

void MainWindow::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StBar"));
    bar->setSizeGripEnabled(false);
    for (std::size_t i = 0; i < panels_.size(); ++i) {
        auto* panel = new QLabel(bar);
        panel->setObjectName(QStringLiteral("StBarPanel%1").arg(i));
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setFixedWidth(120);
        bar->addWidget(panel);
        panels_[i] = panel;
    }
    readout_ = new QLabel(bar);
    readout_->setObjectName(QStringLiteral("StBarReadout"));
    readout_->setFrameShape(QFrame::Panel);
    readout_->setFrameShadow(QFrame::Sunken);
    readout_->setFixedWidth(120);
    bar->addWidget(readout_);
}

void MainWindow::ShowReadout(std::optional<QPoint> at) {
    if (at) mouseAt_ = *at;
    const Workspace& ws = *workspace_;
    std::string text =
        mouseAt_ && MainPB->rect().contains(*mouseAt_)
            ? ws.CursorReadout(mouseAt_->x(), mouseAt_->y(), MainPB->width(), MainPB->height())
            : ws.CursorReadout(-1, -1, MainPB->width(), MainPB->height());
    const std::string tool = ws.ToolStatusText();
    if (!tool.empty()) text = text.empty() ? tool : tool + "  " + text;
    const QString shown = FromCore(text);
    if (readout_->text() != shown) {
        readout_->setText(shown);
        // A narrow window cuts the panel; its tip holds it all.
        readout_->setToolTip(shown);
    }
}

void MainWindow::DisableProjectCommands() {
    for (const char* name : {"MnSave", "MnSaveTo", "MnProps", "MnWrite", "MnMeasure", "MnModify",
                             "MnDetect", "BitBtn3", "BitBtn7", "DGrid"}) {
        SetControl(QLatin1String(name), false, std::nullopt);
    }
    for (const char* name :
         {"BitBtn7", "Bevel7", "ImgEdit", "Bevel8", "ImgVec", "Bevel9", "ImgWand"}) {
        SetControl(QLatin1String(name), std::nullopt, false);
    }
}

void MainWindow::Relabel() {
    for (const Caption& caption : kCaptions) {
        const QString text =
            FromCore(program_->GetMessage(caption.message)) + ShortcutHint(caption.name);
        const QString name = QLatin1String(caption.name);
        if (auto* m = menuBar()->findChild<QMenu*>(name)) {
            m->setTitle(text);
        } else if (auto* action = findChild<QAction*>(name)) {
            action->setText(text);
        }
    }
    for (const ToolTip& tip : kToolTips) {
        QWidget* button = centralWidget()->findChild<QWidget*>(QLatin1String(tip.name));
        if (button == nullptr) continue;
        QString text = PlainCaption(FromCore(program_->GetMessage(tip.message)));
        if (std::strlen(tip.key) > 0)
            text += QStringLiteral(" (") + QLatin1String(tip.key) + QLatin1Char(')');
        button->setToolTip(text);
        // A spin button's arrows are buttons of their own.
        for (QWidget* part : button->findChildren<QWidget*>()) part->setToolTip(text);
    }
}

// ---- layout ------------------------------------------------------------------

void MainWindow::FitPanels() {
    // The five panels and, last, the readout, which gives up room it does
    // not use for the moment (its tool tip keeps what it cannot show).
    std::vector<QLabel*> labels(panels_.begin(), panels_.end());
    labels.push_back(readout_);
    std::vector<int32_t> widths(layout_.panelWidths.begin(), layout_.panelWidths.end());
    // The bar puts a few pixels between its panels.
    widths.push_back(std::max(layout_.readoutWidth - 8, 1));
    std::vector<int32_t> needed;
    for (const QLabel* label : labels) {
        const QMargins margins = label->contentsMargins();
        const int text = label->fontMetrics().horizontalAdvance(label->text());
        needed.push_back(text == 0 ? 0
                                   : text + margins.left() + margins.right() +
                                         2 * (label->frameWidth() + label->margin()) + 2);
    }
    widths = FitPanelWidths(std::move(widths), needed);
    for (std::size_t i = 0; i < labels.size(); ++i) {
        labels[i]->setFixedWidth(std::max(widths[i], 1));
    }
}

int MainWindow::GridsWidth() const {
    return std::max({kDataGridWidth, DGrid->WholeWidth(), vGrid->WholeWidth()});
}

void MainWindow::ApplyLayout() {
    if (startup_.started == 0 || layingOut_) return;
    layingOut_ = true;
    Settings& settings = program_->settings;

    MainLayoutInput in;
    const QSize outer = OuterSize();
    in.windowWidth = outer.width();
    in.windowHeight = outer.height();
    if (const QScreen* s = screen()) in.screenHeight = s->geometry().height();
    in.frameWidth = frame_.width();
    in.frameHeight = frame_.height();
    in.menuBarHeight = menuBar()->sizeHint().height();
    in.statusBarHeight = statusBar()->sizeHint().height();
    in.performanceMode = settings.PerformanceMode;
    in.measureFieldEnlarge = settings.MeasureFieldEnlarge;
    // Both grids as wide as the wider needs to show every number whole.
    in.dataGridWidth = GridsWidth();
    in.valueGridHeight = kValueGridHeight;
    in.valueGridWidth = in.dataGridWidth;
    in.bevel7Right = Bevel9->geometry().left() + Bevel9->width();
    in.bitBtn7Width = kButtonSize;
    in.cboHeight = cbo->height();
    in.readoutPercent = kReadoutPercent;
    for (int i = 0; i < kFunctionButtons; ++i) {
        in.buttonWidths[static_cast<std::size_t>(i)] =
            functionButtons_[static_cast<std::size_t>(i)]->width();
    }
    layout_ = ComputeMainLayout(in);

    workspace_->WindowLaidOut(layout_.heightCut);
    settings.WindowHeight = layout_.windowHeight;
    settings.WindowWidth = layout_.windowWidth;
    if (outer != QSize(layout_.windowWidth, layout_.windowHeight)) {
        ResizeOuter(layout_.windowWidth, layout_.windowHeight);
    }

    auto place = [](QWidget* widget, const LayoutRect& r) {
        widget->setGeometry(r.left, r.top, r.width, r.height);
    };
    place(MainPB, layout_.MainPB);
    place(DGrid, layout_.DGrid);
    place(vGrid, layout_.vGrid);
    place(cbo, layout_.cbo);
    BitBtn7->move(layout_.BitBtn7.left, layout_.BitBtn7.top);
    FitPanels();
    workspace_->SetScreenFieldSize(layout_.MainPB.width);
    // The surface is drawn at the screen's own pixels, which a scaled
    // screen has more of than the widget has.
    workspace_->SetDisplayFieldPixels(static_cast<int32_t>(std::lround(
        std::max(layout_.MainPB.width, layout_.MainPB.height) * MainPB->devicePixelRatioF())));

    FillWindowGeometry();
    workspace_->StatisticsPass();
    layoutDone_ = true;
    layingOut_ = false;
    // The copy button and the function buttons depend on the new size too.
    ShowWorkspace(ChangeFlags::All());
}

void MainWindow::FillWindowGeometry() {
    WindowGeometry g = workspace_->windowGeometry();
    if (const QScreen* s = screen()) {
        g.screenWidth = s->geometry().width();
        g.screenHeight = s->geometry().height();
    }
    const QSize outer = OuterSize();
    g.mainWidth = outer.width();
    g.mainHeight = outer.height();
    g.paintBoxWidth = MainPB->width();
    g.paintBoxHeight = MainPB->height();
    g.valueGridHeight = vGrid->height();
    g.dataGridHeight = DGrid->height();
    workspace_->SetWindowGeometry(g);
}

void MainWindow::PlaceFunctionButtons() {
    for (std::size_t i = 0; i < functionButtons_.size(); ++i) {
        QPushButton* button = functionButtons_[i];
        const FunctionButton& model = workspace_->functionButtons()[i];
        const QString caption =
            FromCore(model.caption.empty() ? DefaultButtonCaption(int(i)) : model.caption);
        if (button->text() != caption) button->setText(caption);
        button->setProperty("tag", model.tag);
        QFont font = button->font();
        if (font.bold() != model.bold) {
            font.setBold(model.bold);
            button->setFont(font);
        }
        const auto& left = layout_.functionButtons[i];
        const bool shown = layoutDone_ && left.has_value() && workspace_->functionButtonsVisible();
        if (left) button->move(*left, 3);
        button->setVisible(shown);
    }
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (!layingOut_) ApplyLayout();
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    FrameMayHaveChanged();
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // Without a window manager the window is never activated; the first
    // view must not wait for a key.
    QTimer::singleShot(0, this, [this] {
        FrameMayHaveChanged();
        if (workspace_->redrawCount() < 3) ShowStartView();
    });
}

// ---- showing what the workspace computed --------------------------------------

void MainWindow::SetControl(const QString& name, std::optional<bool> enabled,
                            std::optional<bool> visible) {
    if (name == QLatin1String("MnWrite")) {
        if (enabled) MnWrite->menuAction()->setEnabled(*enabled);
        return;
    }
    if (auto* action = findChild<QAction*>(name)) {
        if (enabled) action->setEnabled(*enabled);
        if (visible) action->setVisible(*visible);
        return;
    }
    if (auto* widget = centralWidget()->findChild<QWidget*>(name)) {
        if (enabled) widget->setEnabled(*enabled);
        if (visible) widget->setVisible(*visible);
    }
}

void MainWindow::ApplyWindowState(const WindowState& state) {
    // Another project, or the picture loaded anew: a full picture still
    // being decoded for the one shown before is of no use any more.
    if (fullPictureWorker_.joinable() && !fullPictureDone_ &&
        workspace_->project().picture.get() != fullPictureFor_) {
        StopFullPicture();
    }
    if (!state.caption.empty()) setWindowTitle(FromCore(state.caption));
    bool panelTexts = false;
    for (std::size_t i = 0; i < panels_.size(); ++i) {
        if (state.panels[i]) {
            panels_[i]->setText(FromCore(*state.panels[i]));
            panelTexts = true;
        }
    }
    if (panelTexts && layoutDone_) FitPanels();
    for (const ControlState& control : state.controls) {
        SetControl(FromCore(control.name), control.enabled, control.visible);
    }
    if (state.LbRaster1) LbRaster1->setText(FromCore(*state.LbRaster1));
    if (state.LbDetails) LbDetails->setText(FromCore(*state.LbDetails));
    if (state.surface) MainPB->SetSurface(state.surface);
    if (state.splashDrawn && startup_.started == 1) startup_.started = 2;
    ShowReadout(std::nullopt);
}

void MainWindow::WorkspaceChanged(ChangeFlags changes) {
    if (changes.Has(Change::Window)) ApplyWindowState(workspace_->windowState());
    ShowWorkspace(changes);
}

void MainWindow::ShowWorkspace(ChangeFlags changes) {
    const Workspace& ws = *workspace_;
    const bool open = ws.fileState() != kNoProject;
    if (changes.HasAny(Change::Selection | Change::Types | Change::Tool)) {
        if (ws.cboItems() != shownItems_) {
            const QSignalBlocker block(cbo);
            cbo->clear();
            for (const TypeItem& item : ws.cboItems()) {
                cbo->addItem(FromCore(item.text), item.type);
            }
            shownItems_ = ws.cboItems();
        }
        if (cbo->currentIndex() != ws.cboIndex()) {
            const QSignalBlocker block(cbo);
            cbo->setCurrentIndex(ws.cboIndex());
        }
        cbo->setEnabled(ws.cboEnabled());
        PlaceFunctionButtons();
    }
    if (changes.HasAny(Change::Tool | Change::FileState | Change::Records | Change::Project)) {
        const bool measuring = ws.captureState() >= 1;
        const bool modifying = ws.modifyMode() == 1;
        ImgVec->setChecked(measuring);
        MnMeasure->setChecked(measuring);
        ImgEdit->setChecked(modifying);
        MnModify->setChecked(modifying);
        ImgWand->setChecked(ws.wandMode());
        MnWrite->menuAction()->setEnabled(open);
        // The undo entries name the change they would take back or do again.
        MnUndo->setText(FromCore(ws.UndoCaption()) + ShortcutHint("MnUndo"));
        MnUndo->setEnabled(ws.CanUndo());
        MnRedo->setText(FromCore(ws.RedoCaption()) + ShortcutHint("MnRedo"));
        MnRedo->setEnabled(ws.CanRedo());
        ShowZoomOutline();
        ShowReadout(std::nullopt);
    }
    if (changes.HasAny(Change::Types)) {
        MainPB->SetWheelZoomPercent(program_->settings.WheelZoomPercent);
    }
    if (changes.HasAny(Change::Statistics | Change::Selection | Change::FileState)) {
        DGrid->setEnabled(open && ws.valueGridEnabled());
        if (DGrid->rowCount() != ws.grids().RowCount() || shownRows_ != ws.grids().DGrid) {
            DGrid->Show(ws.grids());
            shownRows_ = ws.grids().DGrid;
        }
        if (shownStatistics_ != ws.grids().vGrid) {
            vGrid->Show(ws.grids());
            shownStatistics_ = ws.grids().vGrid;
        }
        // Wider numbers widen the grids (and narrower ones give the room
        // back), once this change is shown.
        if (layoutDone_ && !layingOut_ && GridsWidth() != DGrid->width()) {
            QTimer::singleShot(0, this, [this] {
                if (GridsWidth() != DGrid->width()) ApplyLayout();
            });
        }
        const bool copy = open && CopyButtonVisible(ws.grids(), OuterSize().width());
        BitBtn7->setVisible(copy);
        BitBtn7->setEnabled(copy);
    }
}

void MainWindow::ShowZoomOutline() {
    if (const auto outline = workspace_->ZoomOutline()) {
        MainPB->SetOutline(QRect(QPoint(outline->first.x, outline->first.y),
                                 QPoint(outline->second.x, outline->second.y)));
    } else {
        MainPB->SetOutline(std::nullopt);
    }
}

template <class F>
void MainWindow::Command(F&& command) {
    // What the command changed comes back as a notice.
    command();
}

// ---- commands ------------------------------------------------------------------

void MainWindow::FocusStatisticsGridIf(bool take) {
    if (take) vGrid->setFocus();
}

void MainWindow::NewClick() {
    Command([this] { workspace_->MnNewClick(); });
}

void MainWindow::LoadClick() {
    Command([this] { workspace_->MnLoadClick(); });
}

void MainWindow::SaveClick() {
    Command([this] {
        workspace_->MnSaveClick();
        workspace_->Redraw();
    });
}

void MainWindow::SaveToClick() {
    Command([this] { workspace_->MnSaveToClick(); });
}

void MainWindow::SaveButtonClick() {
    if (MnSave->isEnabled()) {
        SaveClick();
    } else {
        SaveToClick();
    }
    FocusStatisticsGridIf(workspace_->project().view.viewValid != 0);
}

void MainWindow::CtrlSave() {
    if (!workspace_->project().projectPath.empty()) {
        if (MnSave->isEnabled()) SaveClick();
    } else if (MnSaveTo->isEnabled()) {
        SaveToClick();
    }
}

void MainWindow::ResetClick() {
    Command([this] { workspace_->MnResetClick(); });
}

void MainWindow::ExitClick() {
    startup_.exitRequested = true;
    close();
}

void MainWindow::ExportClick(int32_t kind) {
    Command([this, kind] { workspace_->DoWriteFile(kind); });
}

void MainWindow::InfoClick() {
    InfoDialog dialog(*program_, this);
    dialog.adjustSize();
    dialog.move(geometry().center() - dialog.rect().center());
    dialog.exec();
    Command([this] { workspace_->Redraw(); });
}

void MainWindow::ResultsClick() {
    if (!results_) results_ = new ResultsWindow(*program_, *workspace_, this);
    results_->show();
    results_->raise();
    results_->activateWindow();
}

void MainWindow::DataClick() {
    Command([this] { workspace_->MnDataClick(); });
}

void MainWindow::DetectClick() {
    DetectDialog::Run(*workspace_, this);
}

void MainWindow::AddObjectClick() {
    Command([this] { workspace_->MnAddobjectClick(); });
}

void MainWindow::OptionsClick() {
    const Workspace::OptionsOutcome outcome = workspace_->MnOptionsClick();
    // The statistics and the redraw have run; what is left is the window's own.
    if (outcome.applied) {
        if (outcome.languageChanged) {
            (void)UseQtTranslations(program_->settings.Language);
            Relabel();
        }
        if (outcome.layoutChanged) {
            ApplyLayout();
            workspace_->Redraw();
        }
    }
    ShowWorkspace(ChangeFlags::All());
}

void MainWindow::CopyClick() {
    CopyValueColumn(workspace_->grids());
}

void MainWindow::FirstInputAfterStartup() {
    startup_.started = 2;
    Command([this] { workspace_->Redraw(); });
}

// ---- keys, mouse, activation, closing -----------------------------------------

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // Keys only reach widgets of the window that has the focus; a modal
    // dialog keeps its own.
    if (event->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Space && !key->isAutoRepeat()) spaceHeld_ = false;
    }
    if (event->type() == QEvent::KeyPress && QApplication::activeModalWidget() == nullptr) {
        if (auto* widget = qobject_cast<QWidget*>(watched);
            widget != nullptr && widget->window() == this) {
            // A popup (an open menu or the selector's list) keeps its keys.
            if (QApplication::activePopupWidget() == nullptr) {
                return HandleKey(static_cast<QKeyEvent*>(event));
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool MainWindow::HandleKey(QKeyEvent* event) {
    if (startup_.started == 0 && startup_.step != 0) return false;
    const Qt::KeyboardModifiers mods =
        event->modifiers() & ~(Qt::KeypadModifier | Qt::GroupSwitchModifier);
    const int key = event->key();
    if (key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt ||
        key == Qt::Key_Meta || key == Qt::Key_AltGr) {
        return false;
    }
    if (startup_.started == 1) {
        FirstInputAfterStartup();
        return true;
    }
    const bool keypad = event->modifiers().testFlag(Qt::KeypadModifier);
    if (mods == Qt::NoModifier) {
        int32_t virtualKey = 0;
        switch (key) {
            case Qt::Key_Space:
                // Held down, Space lets the left button pan; it redraws once.
                if (event->isAutoRepeat()) return true;
                spaceHeld_ = true;
                Command([this] { workspace_->Redraw(); });
                return true;
            case Qt::Key_Left:
                virtualKey = 37;
                break;
            case Qt::Key_Up:
                virtualKey = 38;
                break;
            case Qt::Key_Right:
                virtualKey = 39;
                break;
            case Qt::Key_Down:
                virtualKey = 40;
                break;
            case Qt::Key_Plus:
                virtualKey = keypad ? 107 : 187;
                break;
            case Qt::Key_Equal:
                virtualKey = 187;
                break;
            case Qt::Key_Minus:
                virtualKey = keypad ? 109 : 189;
                break;
            case Qt::Key_W:
                Command([this] { workspace_->WandCommand(); });
                return true;
            case Qt::Key_Return:
            case Qt::Key_Enter:
            case Qt::Key_Escape:
            case Qt::Key_Backspace: {
                // The object under capture takes them; otherwise they stay
                // with the widget that has the focus.
                const int32_t toolKey = key == Qt::Key_Escape      ? 27
                                        : key == Qt::Key_Backspace ? 8
                                                                   : 13;
                bool taken = false;
                Command([&] { taken = workspace_->ToolKey(toolKey); });
                return taken;
            }
            default:
                return false;
        }
        Command([this, virtualKey] { workspace_->ViewKey(virtualKey, false, false, false); });
        return true;
    }
    if (mods == (Qt::ControlModifier | Qt::ShiftModifier) && key == Qt::Key_Z) {
        Command([this] { workspace_->RedoCommand(); });
        return true;
    }
    if (mods == Qt::ControlModifier) {
        switch (key) {
            case Qt::Key_Z:
                Command([this] { workspace_->UndoCommand(); });
                return true;
            case Qt::Key_Y:
                Command([this] { workspace_->RedoCommand(); });
                return true;
            case Qt::Key_N:
                NewClick();
                return true;
            case Qt::Key_O:
                LoadClick();
                return true;
            case Qt::Key_R:
                ResetClick();
                return true;
            case Qt::Key_S:
                CtrlSave();
                return true;
            case Qt::Key_D:
                DetectClick();
                return true;
            case Qt::Key_0:
                Command([this] { workspace_->ZoomCommand(Workspace::ZoomControl::FitPicture); });
                return true;
            default:
                return false;
        }
    }
    if (mods == Qt::AltModifier && key == Qt::Key_X) {
        ExitClick();
        return true;
    }
    return false;
}

void MainWindow::PaintBoxPressed(QMouseEvent* event) {
    if (startup_.started == 1) {
        FirstInputAfterStartup();
        return;
    }
    MouseEvent m = ToMouseEvent(*event, *MainPB);
    m.panKey = spaceHeld_;
    Command([this, &m] { workspace_->MainPBMouseDown(m); });
    ShowToolCursor();
}

void MainWindow::PaintBoxMoved(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    workspace_->MainPBMouseMove(at.x(), at.y());
    ShowReadout(at);
}

void MainWindow::PaintBoxDoubleClicked(QMouseEvent* event) {
    if (startup_.started == 1) {
        FirstInputAfterStartup();
        return;
    }
    MouseEvent m = ToMouseEvent(*event, *MainPB);
    m.panKey = spaceHeld_;
    Command([this, &m] { workspace_->MainPBDoubleClick(m); });
    ShowToolCursor();
}

void MainWindow::PaintBoxReleased(QMouseEvent* event) {
    // The picture goes on following the mouse while a button is still down.
    if (workspace_->toolCursor() == ToolCursor::ClosedHand &&
        (event->buttons() & (Qt::MiddleButton | Qt::LeftButton))) {
        return;
    }
    const MouseEvent m = ToMouseEvent(*event, *MainPB);
    Command([this, &m] { workspace_->MainPBMouseUp(m); });
    ShowToolCursor();
}

void MainWindow::ShowToolCursor() {
    // The sizing cursor of a dragged point is the user interface's own.
    if (workspace_->toolCursor() == ToolCursor::ClosedHand) {
        MainPB->setCursor(Qt::ClosedHandCursor);
    } else {
        MainPB->unsetCursor();
    }
}

void MainWindow::PaintBoxZoom(double steps, QPoint at) {
    if (startup_.started == 0) return;
    Command(
        [&] { workspace_->WheelZoom(steps, at.x(), at.y(), MainPB->width(), MainPB->height()); });
}

void MainWindow::StartFullPicture(PictureRequest request, uint64_t number) {
    StopFullPicture();
    cancelFullPicture_ = false;
    fullPictureDone_ = false;
    request.options.cancel = &cancelFullPicture_;
    fullPictureFor_ = workspace_->project().picture.get();
    fullPictureWorker_ = std::thread([this, request = std::move(request), number] {
        auto picture = std::make_shared<Picture>();
        const DecodeStatus status = ReadPicture(request, *picture);
        fullPictureDone_ = true;
        if (status == DecodeStatus::Cancelled) return;
        // Queued to the window, which drops it when it is gone by then.
        QMetaObject::invokeMethod(
            this,
            [this, picture = std::move(picture), status, number]() mutable {
                Command([&] { workspace_->AdoptFullPicture(number, std::move(picture), status); });
            },
            Qt::QueuedConnection);
    });
}

void MainWindow::StopFullPicture() {
    if (!fullPictureWorker_.joinable()) return;
    cancelFullPicture_ = true;
    fullPictureWorker_.join();
}

void MainWindow::FillRecentMenu() {
    MnRecent->clear();
    const RecentProjects list = RecentProjects::Read(RecentProjectsPath(*program_));
    for (const std::string& path : list.Entries()) {
        const QString shown = PathFromCore(path);
        QAction* entry = MnRecent->addAction(shown);
        connect(entry, &QAction::triggered, this,
                [this, path] { Command([&] { workspace_->OpenRecentProject(path); }); });
    }
    if (list.Entries().empty()) MnRecent->addAction(QStringLiteral("-"))->setEnabled(false);
}

QString MainWindow::DroppedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls()) return {};
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) continue;
        const QString path = url.toLocalFile();
        const std::string core = PathToCore(path);
        const std::string name = ExtractFileName(core);
        if (EqualsIgnoringCase(std::string_view(name).substr(RemoveExtension(name).size()),
                               ".KXP")) {
            return path;
        }
        if (PictureFormatOf(core) != PictureFormat::kUnknown) return path;
    }
    return {};
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (startup_.started != 0 && !DroppedFile(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QString path = DroppedFile(event->mimeData());
    if (startup_.started == 0 || path.isEmpty()) return;
    event->acceptProposedAction();
    if (startup_.started == 1) startup_.started = 2;
    // A project opens as Open opens it, a picture starts a new project on
    // it; either asks about unsaved changes first.
    Command([&] { OpenCommandLineFile(*workspace_, PathToCore(path)); });
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isActiveWindow()) return;
    FrameMayHaveChanged();
    // The activation that follows showing the window belongs to the start:
    // the title it brought up stays until the person does something.
    const bool first = !activated_;
    activated_ = true;
    if (first && workspace_->redrawCount() >= 3) return;
    ShowStartView();
}

void MainWindow::ShowStartView() {
    if (startup_.started == 0 && startup_.step != 0) return;
    // The first requests after start-up only count; the window should not
    // stay empty until the person touches something.
    int guard = 0;
    do {
        workspace_->Redraw();
    } while (workspace_->redrawCount() < 3 && ++guard < 3);
    ShowWorkspace(ChangeFlags::All());
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (startup_.step != 0 || closed_) {
        event->accept();
        return;
    }
    const QSize outer = OuterSize();
    const WindowRect rect{x(), y(), outer.width(), outer.height()};
    if (!ShutDown(*workspace_, startup_, rect, true)) {
        startup_.exitRequested = false;
        event->ignore();
        ShowWorkspace(ChangeFlags::All());
        return;
    }
    closed_ = true;
    event->accept();
}

}  // namespace kvx
