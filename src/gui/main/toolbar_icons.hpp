#pragma once

#include <QIcon>
#include <QPixmap>

namespace kvx {

/// The pictures of the toolbar, drawn at run time so that nothing has to be
/// shipped or fetched; they follow the look of the palette they are drawn in.
enum class ToolbarIcon {
    New,
    Open,
    Save,
    ZoomIn,
    ZoomOut,
    WholeImage,
    FineZoom,
    Raster,
    Measure,
    Modify,
    Copy,
    Wand,
};

QIcon MakeToolbarIcon(ToolbarIcon icon, int size = 24);
QPixmap MakeToolbarPixmap(ToolbarIcon icon, int size = 24);

}  // namespace kvx
