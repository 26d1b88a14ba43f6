// The pictures that dress the wizard (pictures.h), as the toolkit's images, and the
// program's icon. The pictures are compiled into the program; the functions may run on
// the user-interface thread only (they make pixmaps).
#ifndef VANTOR_WIZARD_DECORATION_H_
#define VANTOR_WIZARD_DECORATION_H_

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSize>

namespace vantor::wizard {

// Where the pictures live in the resource system.
inline constexpr char kHeaderPicturePath[] = ":/pictures/header.png";  // 50 x 50
inline constexpr char kPanelTilePath[] = ":/pictures/panel_tile.png";  // 240 x 240
inline constexpr char kEmblemPath[] = ":/pictures/emblem.png";         // 54 x 54

// The header picture stretched to `size`; a null pixmap when the picture is missing.
QPixmap MakeHeaderPicture(QSize size);

// The left panel of `size`: ComposeWatermark of the panel tile and the emblem. A null
// pixmap when the tile is missing; without the emblem, the tiles alone.
QPixmap MakeWatermark(QSize size);

// `tile` repeated from the top left, row by row, the last column and row cut to what is
// left of `size`; then `emblem` at its full size with its top left at
// (width - emblem width - 16, 16), over the tiles. A null image when `tile` is null.
QImage ComposeWatermark(const QImage& tile, const QImage& emblem, QSize size);

// The program's icon in the sizes it is drawn in.
QIcon MakeAppIcon();

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_DECORATION_H_
