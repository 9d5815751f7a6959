#pragma once

#include <QDialog>
#include <QImage>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

#include "core/options/detect_dialog_model.hpp"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace kvx {

class Workspace;

/// The threshold's histogram with the level marked.
class DetectHistogramView : public QWidget {
    Q_OBJECT

public:
    explicit DetectHistogramView(QWidget* parent = nullptr);
    void Show(const DetectPreview& preview, bool darkObjects);
    QSize sizeHint() const override { return {258, 90}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<int64_t> bars_;
    int32_t levelBar_ = 0;
    bool dark_ = true;
};

/// The picture with the outlines of the objects found drawn over it; a drag
/// over it draws the rectangle to search.
class DetectPreviewView : public QWidget {
    Q_OBJECT

public:
    DetectPreviewView(const Picture& picture, QWidget* parent = nullptr);
    void Show(const DetectPreview& preview);
    QSize sizeHint() const override { return {560, 420}; }
    /// The picture pixel under a point of the view (clamped to the picture).
    QPoint PictureAt(QPointF at) const;

signals:
    void rectangleDrawn(int left, int top, int width, int height);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QRectF Target() const;

    std::optional<QPoint> dragFrom_;
    QPoint dragTo_;
    QImage image_;
    int32_t pictureWidth_ = 0;
    int32_t pictureHeight_ = 0;
    const DetectPreview* preview_ = nullptr;
};

/// Edit > Detect objects: the settings of a detection, its histogram and a
/// preview that follows every change; OK adds the objects to the type chosen.
class DetectDialog : public QDialog {
    Q_OBJECT

public:
    DetectDialog(Workspace& workspace, std::shared_ptr<const Picture> picture,
                 QWidget* parent = nullptr);
    ~DetectDialog() override;

    const DetectDialogModel& model() const { return *model_; }
    /// The choices the controls show.
    DetectChoices Choices() const;

    /// Reads the project's picture in full and runs the dialog on it.
    static void Run(Workspace& workspace, QWidget* owner);

    /// The outline colour of the preview.
    static QColor OutlineColour() { return {255, 0, 200}; }

protected:
    void accept() override;

private:
    void ShowChoices(const DetectChoices& choices);
    void Changed();

    Workspace& ws_;
    std::unique_ptr<DetectDialogModel> model_;
    bool filling_ = false;
    double perSquare_ = 1.0;  ///< square micrometres per square of the table unit
    QComboBox* method_;
    QSpinBox* level_;
    QComboBox* objects_;
    QComboBox* channel_;
    QDoubleSpinBox* minArea_;
    QDoubleSpinBox* maxArea_;
    QDoubleSpinBox* minCircularity_;
    QDoubleSpinBox* maxCircularity_;
    QCheckBox* excludeEdges_;
    QCheckBox* split_;
    QComboBox* area_;
    QSpinBox* rect_[4];
    QComboBox* type_;
    DetectHistogramView* histogram_;
    DetectPreviewView* previewView_;
    QLabel* result_;
    QPushButton* ok_;
};

}  // namespace kvx
