#pragma once

#include <QWidget>

class QToolButton;

namespace kvx {

/// A pair of small arrow buttons, up above down, as the toolbar's fine-zoom
/// and raster controls use them; it has no value of its own.
class SpinButton : public QWidget {
    Q_OBJECT
public:
    SpinButton(const QString& name, QWidget* parent = nullptr);

    QToolButton* Up() const { return up_; }
    QToolButton* Down() const { return down_; }

signals:
    void upClicked();
    void downClicked();

private:
    QToolButton* up_;
    QToolButton* down_;
};

}  // namespace kvx
