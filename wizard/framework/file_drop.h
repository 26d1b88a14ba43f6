// Files dragged from a file manager onto a control. User-interface thread only.
#ifndef VANTOR_WIZARD_FRAMEWORK_FILE_DROP_H_
#define VANTOR_WIZARD_FRAMEWORK_FILE_DROP_H_

#include <QStringList>
#include <functional>

class QMimeData;
class QWidget;

namespace vantor::framework {

// The local files the data names, in its order; remote addresses are left out.
QStringList DroppedFiles(const QMimeData* data);

// Makes `control` take drops of local files, as a copy (or a link when the source offers
// no copy; never as a move): `onDrop` gets their full paths, in the order given. Other
// drops (plain text on a field, say) are left to the control. The handler lives as long
// as the control.
void AcceptFileDrops(QWidget* control, std::function<void(const QStringList& files)> onDrop);

}  // namespace vantor::framework

#endif  // VANTOR_WIZARD_FRAMEWORK_FILE_DROP_H_
