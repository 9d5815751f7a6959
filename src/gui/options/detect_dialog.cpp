#include "gui/options/detect_dialog.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <limits>

#include "core/detect/detect_records.hpp"
#include "core/measure/type_choice.hpp"
#include "core/measure/values.hpp"
#include "core/support/strings.hpp"
#include "core/workspace/workspace.hpp"
#include "gui/dialogs/dialog_util.hpp"
#include "gui/support/core_text.hpp"

namespace kvx {

namespace {

constexpr int kMsgCaption = 2020;
constexpr int kMsgCancel = 179;
constexpr int kMsgDetectTitle = 2267;
constexpr int kMsgLabels = 2271;
constexpr int kMsgChoices = 2272;
constexpr int kMsgResult = 2273;
constexpr int kMsgUnreadable = 2274;
constexpr int kMsgTooLargeToDetect = 2170;

// The labels of the dialog, each message a list parted by ";".
enum Label {
    kLThreshold,
    kLObjects,
    kLChannel,
    kLArea,
    kLCircularity,
    kLSearch,
    kLAddTo,
    kLEdges,
    kLSplit
};
enum Choice {
    kCIsoData,
    kCOtsu,
    kCValue,
    kCDark,
    kCLight,
    kCGrey,
    kCRed,
    kCGreen,
    kCBlue,
    kCWhole,
    kCView,
    kCRectangle
};
enum Result { kRCount, kRTotal, kRReduced };

QString Part(const Program& program, int message, int index) {
    const QStringList parts = FromCore(program.GetMessage(message)).split(QLatin1Char(';'));
    return index < parts.size() ? parts[index] : QString();
}

// The picture drawn small: the smallest stored copy that still fills the view.
QImage DisplayImage(const Picture& picture) {
    const PixelImage* best = &picture.pixels;
    for (const PixelImage& copy : picture.reduced) {
        if (std::max(copy.Width(), copy.Height()) >= 900) best = &copy;
    }
    if (best->Empty()) return {};
    const QImage view(best->Row(0), best->Width(), best->Height(),
                      static_cast<qsizetype>(best->Stride()), QImage::Format_RGB888);
    const QImage small =
        std::max(best->Width(), best->Height()) > 1200
            ? view.scaled(1200, 1200, Qt::KeepAspectRatio, Qt::SmoothTransformation)
            : view.copy();
    return small.convertToFormat(QImage::Format_RGB32);
}

}  // namespace

// ---- histogram ------------------------------------------------------------------

DetectHistogramView::DetectHistogramView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Histogram"));
    setMinimumSize(258, 90);
}

void DetectHistogramView::Show(const DetectPreview& preview, bool darkObjects) {
    bars_ = preview.bars;
    levelBar_ = preview.levelBar;
    dark_ = darkObjects;
    update();
}

void DetectHistogramView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.fillRect(rect(), Qt::white);
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(frame);
    if (bars_.empty()) return;
    // On a logarithmic scale the objects' few values still show beside the
    // background's many.
    const int64_t highest = *std::max_element(bars_.begin(), bars_.end());
    if (highest <= 0) return;
    const double top = std::log1p(static_cast<double>(highest));
    const double w = (width() - 2.0) / static_cast<double>(bars_.size());
    const double h = height() - 2.0;
    for (std::size_t i = 0; i < bars_.size(); ++i) {
        if (bars_[i] <= 0) continue;
        const double bar = h * std::log1p(static_cast<double>(bars_[i])) / top;
        const bool object =
            dark_ ? static_cast<int32_t>(i) <= levelBar_ : static_cast<int32_t>(i) > levelBar_;
        p.fillRect(QRectF(1.0 + w * static_cast<double>(i), 1.0 + h - bar, std::max(w, 1.0), bar),
                   object ? QColor(255, 140, 230) : QColor(150, 150, 150));
    }
    p.setPen(QPen(QColor(200, 0, 0), 1.5));
    const double x = 1.0 + w * (levelBar_ + 0.5);
    p.drawLine(QPointF(x, 1.0), QPointF(x, height() - 1.0));
}

// ---- preview --------------------------------------------------------------------

DetectPreviewView::DetectPreviewView(const Picture& picture, QWidget* parent)
    : QWidget(parent),
      image_(DisplayImage(picture)),
      pictureWidth_(picture.Width()),
      pictureHeight_(picture.Height()) {
    setObjectName(QStringLiteral("Preview"));
    setMinimumSize(320, 240);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void DetectPreviewView::Show(const DetectPreview& preview) {
    preview_ = &preview;
    update();
}

QRectF DetectPreviewView::Target() const {
    if (pictureWidth_ <= 0 || pictureHeight_ <= 0) return {};
    const double scale = std::min(width() / static_cast<double>(pictureWidth_),
                                  height() / static_cast<double>(pictureHeight_));
    return {(width() - pictureWidth_ * scale) / 2.0, (height() - pictureHeight_ * scale) / 2.0,
            pictureWidth_ * scale, pictureHeight_ * scale};
}

QPoint DetectPreviewView::PictureAt(QPointF at) const {
    const QRectF target = Target();
    if (target.isEmpty()) return {};
    const double x = (at.x() - target.left()) * pictureWidth_ / target.width();
    const double y = (at.y() - target.top()) * pictureHeight_ / target.height();
    return {std::clamp(static_cast<int>(std::lround(x)), 0, pictureWidth_),
            std::clamp(static_cast<int>(std::lround(y)), 0, pictureHeight_)};
}

void DetectPreviewView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    dragFrom_ = PictureAt(event->position());
    dragTo_ = *dragFrom_;
}

void DetectPreviewView::mouseMoveEvent(QMouseEvent* event) {
    if (!dragFrom_) return;
    dragTo_ = PictureAt(event->position());
    update();
}

void DetectPreviewView::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragFrom_ || event->button() != Qt::LeftButton) return;
    // The points are pixel corners: the rectangle spans the pixels between them.
    const QPoint a = *dragFrom_;
    const QPoint b = PictureAt(event->position());
    dragFrom_.reset();
    update();
    const int width = std::abs(b.x() - a.x());
    const int height = std::abs(b.y() - a.y());
    // A click is no rectangle.
    if (width < 2 || height < 2) return;
    emit rectangleDrawn(std::min(a.x(), b.x()), std::min(a.y(), b.y()), width, height);
}

void DetectPreviewView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Dark));
    if (image_.isNull() || pictureWidth_ <= 0 || pictureHeight_ <= 0) return;
    const QRectF target = Target();
    const double scale = target.width() / pictureWidth_;
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(target, image_);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(target.topLeft());
    p.scale(scale, scale);
    QPen frame(QColor(0, 120, 255), 1.5, Qt::DashLine);
    frame.setCosmetic(true);
    p.setPen(frame);
    if (dragFrom_) p.drawRect(QRectF(QPointF(*dragFrom_), QPointF(dragTo_)).normalized());
    if (preview_ == nullptr) return;
    const PixelRect& r = preview_->region;
    if (!dragFrom_ && !r.Empty() && (r.width < pictureWidth_ || r.height < pictureHeight_)) {
        p.drawRect(QRectF(r.left, r.top, r.width, r.height));
    }
    QPainterPath outlines;
    for (const DetectedObject& object : preview_->objects) {
        if (object.outline.empty()) continue;
        outlines.moveTo(object.outline[0].x, object.outline[0].y);
        for (std::size_t i = 1; i < object.outline.size(); ++i) {
            outlines.lineTo(object.outline[i].x, object.outline[i].y);
        }
        outlines.closeSubpath();
    }
    QPen pen(DetectDialog::OutlineColour(), 1.6);
    pen.setCosmetic(true);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPath(outlines);
}

// ---- dialog ---------------------------------------------------------------------

DetectDialog::DetectDialog(Workspace& workspace, std::shared_ptr<const Picture> picture,
                           QWidget* parent)
    : QDialog(parent), ws_(workspace) {
    setObjectName(QStringLiteral("DetectDialog"));
    SetSystemMenuOnly(*this);
    const Program& program = ws_.program();
    const auto label = [&](int index) { return Part(program, kMsgLabels, index); };
    const auto choice = [&](int index) { return Part(program, kMsgChoices, index); };
    QString title = FromCore(program.GetMessage(kMsgDetectTitle));
    if (title.endsWith(QChar(0x2026))) title.chop(1);
    setWindowTitle(title);
    const Project& project = ws_.project();
    const ViewBlock& v = project.view;
    model_ = std::make_unique<DetectDialogModel>(
        picture, project.resolutionDpi,
        WorldRect{v.viewLeft, v.viewTop, v.viewLeft + v.viewSize, v.viewTop + v.viewSize});
    const int32_t unit = program.settings.TableUnit;
    perSquare_ = 1.0 / UnitDivisor(1.0, kPolygon, unit);
    const QString squareUnit = FromCore(UnitName(kPolygon, unit)) + QChar(0xB2);

    auto* grid = new QGridLayout;
    int row = 0;
    const auto addRow = [&](const QString& text, QWidget* a, QWidget* b = nullptr) {
        auto* caption = new QLabel(text);
        grid->addWidget(caption, row, 0);
        if (b == nullptr) {
            grid->addWidget(a, row, 1, 1, 2);
        } else {
            grid->addWidget(a, row, 1);
            grid->addWidget(b, row, 2);
        }
        ++row;
    };
    method_ = MakeChild<QComboBox>(this, "CbMethod");
    method_->addItems({choice(kCIsoData), choice(kCOtsu), choice(kCValue)});
    level_ = MakeChild<QSpinBox>(this, "SpLevel");
    level_->setRange(0, picture->sixteenBit ? 65535 : 255);
    addRow(label(kLThreshold), method_, level_);
    objects_ = MakeChild<QComboBox>(this, "CbObjects");
    objects_->addItems({choice(kCDark), choice(kCLight)});
    channel_ = MakeChild<QComboBox>(this, "CbChannel");
    channel_->addItems({choice(kCGrey), choice(kCRed), choice(kCGreen), choice(kCBlue)});
    addRow(label(kLObjects), objects_);
    addRow(label(kLChannel), channel_);
    minArea_ = MakeChild<QDoubleSpinBox>(this, "SpMinArea");
    maxArea_ = MakeChild<QDoubleSpinBox>(this, "SpMaxArea");
    for (QDoubleSpinBox* spin : {minArea_, maxArea_}) {
        spin->setDecimals(unit == 0 ? 0 : 4);
        spin->setRange(0.0, 1e12 / perSquare_);
        spin->setSuffix(QLatin1Char(' ') + squareUnit);
    }
    // No upper limit is the lowest value, shown as such.
    maxArea_->setSpecialValueText(QString(QChar(0x221E)));
    addRow(label(kLArea), minArea_, maxArea_);
    minCircularity_ = MakeChild<QDoubleSpinBox>(this, "SpMinCirc");
    maxCircularity_ = MakeChild<QDoubleSpinBox>(this, "SpMaxCirc");
    for (QDoubleSpinBox* spin : {minCircularity_, maxCircularity_}) {
        spin->setDecimals(2);
        spin->setRange(0.0, 1.0);
        spin->setSingleStep(0.05);
    }
    addRow(label(kLCircularity), minCircularity_, maxCircularity_);
    excludeEdges_ = MakeChild<QCheckBox>(this, "CkEdges");
    excludeEdges_->setText(label(kLEdges));
    grid->addWidget(excludeEdges_, row++, 0, 1, 3);
    split_ = MakeChild<QCheckBox>(this, "CkSplit");
    split_->setText(label(kLSplit));
    grid->addWidget(split_, row++, 0, 1, 3);
    area_ = MakeChild<QComboBox>(this, "CbArea");
    area_->addItems({choice(kCWhole), choice(kCView), choice(kCRectangle)});
    addRow(label(kLSearch), area_);
    const char* const rectNames[4] = {"SpRectLeft", "SpRectTop", "SpRectWidth", "SpRectHeight"};
    auto* rectRow = new QHBoxLayout;
    for (int i = 0; i < 4; ++i) {
        rect_[i] = MakeChild<QSpinBox>(this, rectNames[i]);
        rect_[i]->setRange(0, i % 2 == 0 ? picture->Width() : picture->Height());
        rectRow->addWidget(rect_[i]);
    }
    grid->addLayout(rectRow, row++, 1, 1, 2);
    type_ = MakeChild<QComboBox>(this, "CbType");
    const ObjectTypeTable& types = program.objectTypes;
    for (int32_t slot = 1; slot <= ObjectTypeTable::kSlots; ++slot) {
        const ObjectType& type = types.At(slot);
        if (type.dataClass != kClassUser ||
            (type.dataType != kPolygon && type.dataType != kCount)) {
            continue;
        }
        type_->addItem(FromCore(FormatTypeItem(types, slot, program.settings.Language)), slot);
    }
    addRow(label(kLAddTo), type_);

    histogram_ = new DetectHistogramView(this);
    result_ = MakeChild<QLabel>(this, "LbResult");
    result_->setMinimumWidth(258);
    auto* buttons = new QDialogButtonBox(this);
    ok_ = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok_->setObjectName(QStringLiteral("BtOK"));
    QPushButton* cancel =
        buttons->addButton(FromCore(program.GetMessage(kMsgCancel)), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("BtCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* left = new QVBoxLayout;
    left->addLayout(grid);
    left->addWidget(histogram_);
    left->addWidget(result_);
    left->addStretch(1);
    left->addWidget(buttons);
    previewView_ = new DetectPreviewView(*picture, this);
    auto* main = new QHBoxLayout(this);
    main->addLayout(left, 0);
    main->addWidget(previewView_, 1);

    DetectChoices choices = LoadDetectChoices(program);
    if (choices.rectangle.Empty()) choices.rectangle = {0, 0, picture->Width(), picture->Height()};
    if (type_->findData(choices.type) < 0) choices.type = ws_.currentType();
    ShowChoices(choices);

    for (QComboBox* combo : {method_, objects_, channel_, area_, type_}) {
        connect(combo, &QComboBox::currentIndexChanged, this, &DetectDialog::Changed);
    }
    for (QDoubleSpinBox* spin : {minArea_, maxArea_, minCircularity_, maxCircularity_}) {
        connect(spin, &QDoubleSpinBox::valueChanged, this, &DetectDialog::Changed);
    }
    for (QSpinBox* spin : {level_, rect_[0], rect_[1], rect_[2], rect_[3]}) {
        connect(spin, &QSpinBox::valueChanged, this, &DetectDialog::Changed);
    }
    for (QCheckBox* box : {excludeEdges_, split_}) {
        connect(box, &QCheckBox::toggled, this, &DetectDialog::Changed);
    }
    connect(previewView_, &DetectPreviewView::rectangleDrawn, this,
            [this](int x, int y, int w, int h) {
                DetectChoices c = Choices();
                c.area = DetectArea::kRectangle;
                c.rectangle = {x, y, w, h};
                ShowChoices(c);
                Changed();
            });
    Changed();
}

DetectDialog::~DetectDialog() = default;

void DetectDialog::ShowChoices(const DetectChoices& c) {
    filling_ = true;
    method_->setCurrentIndex(static_cast<int>(c.method));
    level_->setValue(c.level);
    objects_->setCurrentIndex(c.darkObjects ? 0 : 1);
    channel_->setCurrentIndex(static_cast<int>(c.channel));
    minArea_->setValue(c.minArea / perSquare_);
    maxArea_->setValue(std::isfinite(c.maxArea) ? c.maxArea / perSquare_ : 0.0);
    minCircularity_->setValue(c.minCircularity);
    maxCircularity_->setValue(c.maxCircularity);
    excludeEdges_->setChecked(c.excludeEdges);
    split_->setChecked(c.split);
    area_->setCurrentIndex(static_cast<int>(c.area));
    const int32_t values[4] = {c.rectangle.left, c.rectangle.top, c.rectangle.width,
                               c.rectangle.height};
    for (int i = 0; i < 4; ++i) rect_[i]->setValue(values[i]);
    const int typeIndex = type_->findData(c.type);
    type_->setCurrentIndex(typeIndex >= 0 ? typeIndex : 0);
    filling_ = false;
}

DetectChoices DetectDialog::Choices() const {
    DetectChoices c;
    c.method = static_cast<ThresholdMethod>(method_->currentIndex());
    c.level = level_->value();
    c.darkObjects = objects_->currentIndex() == 0;
    c.channel = static_cast<SampleChannel>(channel_->currentIndex());
    c.minArea = minArea_->value() * perSquare_;
    c.maxArea = maxArea_->value() > 0.0 ? maxArea_->value() * perSquare_
                                        : std::numeric_limits<double>::infinity();
    c.minCircularity = minCircularity_->value();
    c.maxCircularity = maxCircularity_->value();
    c.excludeEdges = excludeEdges_->isChecked();
    c.split = split_->isChecked();
    c.area = static_cast<DetectArea>(area_->currentIndex());
    c.rectangle = {rect_[0]->value(), rect_[1]->value(), rect_[2]->value(), rect_[3]->value()};
    c.type = type_->currentData().toInt();
    return c;
}

void DetectDialog::Changed() {
    if (filling_) return;
    const DetectChoices choices = Choices();
    (void)model_->Update(choices);
    const DetectPreview& p = model_->preview();
    filling_ = true;
    level_->setEnabled(choices.method == ThresholdMethod::kValue);
    // An automatic level shows what it came to.
    if (choices.method != ThresholdMethod::kValue) level_->setValue(p.level);
    for (QSpinBox* spin : rect_) spin->setEnabled(choices.area == DetectArea::kRectangle);
    filling_ = false;

    const Program& program = ws_.program();
    const int32_t unit = program.settings.TableUnit;
    const bool comma = program.settings.Language == 0;
    QString text = Part(program, kMsgResult, kRCount) + QLatin1Char(' ') +
                   QString::number(p.objects.size()) + QLatin1Char('\n') +
                   Part(program, kMsgResult, kRTotal) + QLatin1Char(' ') +
                   FromCore(FormatReal(-1, unit == 0 ? 0 : 4, comma,
                                       UnitDivisor(p.totalArea, kPolygon, unit))) +
                   QLatin1Char(' ') + FromCore(UnitName(kPolygon, unit)) + QChar(0xB2);
    if (p.scale > 1) {
        text += QLatin1Char('\n') + Part(program, kMsgResult, kRReduced) + QString::number(p.scale);
    }
    result_->setText(text);
    histogram_->Show(p, choices.darkObjects);
    previewView_->Show(p);
    ok_->setEnabled(type_->count() > 0 && !p.objects.empty());
}

void DetectDialog::accept() {
    const DetectChoices choices = Choices();
    // Kept whether or not the objects fit, so that the next try starts here.
    (void)SaveDetectChoices(ws_.program(), choices);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::vector<DetectedObject> objects;
    (void)model_->Update(choices);
    const bool found = model_->DetectAll(objects);
    QApplication::restoreOverrideCursor();
    if (!found || objects.empty()) {
        QDialog::accept();
        return;
    }
    // Refused objects (too many for the free records) are told by the
    // command; the dialog stays for narrower settings.
    if (ws_.AddDetectedObjects(objects, choices.type)) QDialog::accept();
}

void DetectDialog::Run(Workspace& workspace, QWidget* owner) {
    Program& program = workspace.program();
    if (workspace.fileState() == kNoProject || workspace.project().imagePath.empty()) return;
    workspace.FinishMeasuring();
    auto picture = std::make_shared<Picture>();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const DecodeStatus status =
        ReadDetectionPicture(program, workspace.project().imagePath, *picture);
    QApplication::restoreOverrideCursor();
    // Objects cut where a damaged picture broke off would be wrong ones.
    if (status != DecodeStatus::Ok) {
        const bool tooLarge =
            status == DecodeStatus::TooLarge || status == DecodeStatus::OutOfMemory;
        program.ui.MessageBox(program.GetMessage(kMsgCaption),
                              program.GetMessage(tooLarge ? kMsgTooLargeToDetect : kMsgUnreadable),
                              MessageButtons::Ok);
        return;
    }
    DetectDialog dialog(workspace, std::move(picture), owner);
    dialog.exec();
}

}  // namespace kvx
