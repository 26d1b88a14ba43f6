// The toolkit's pixmap behind a Picture, and back.
#ifndef VANTOR_WIZARD_FRAMEWORK_QT_PICTURE_H_
#define VANTOR_WIZARD_FRAMEWORK_QT_PICTURE_H_

#include <QPixmap>
#include <memory>

#include "wizard/framework/types.h"

namespace vantor::framework::qt {

// An empty Picture for a null pixmap.
inline Picture MakePicture(QPixmap pixmap) {
  if (pixmap.isNull()) return Picture();
  return Picture(std::make_shared<const QPixmap>(std::move(pixmap)));
}
// A null pixmap for an empty Picture.
inline QPixmap PixmapOf(const Picture& picture) {
  return picture.IsNull() ? QPixmap() : *static_cast<const QPixmap*>(picture.Get());
}

}  // namespace vantor::framework::qt

#endif  // VANTOR_WIZARD_FRAMEWORK_QT_PICTURE_H_
