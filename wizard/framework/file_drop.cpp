#include "wizard/framework/file_drop.h"

#include <QAbstractScrollArea>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <utility>

namespace vantor::framework {

namespace {

class FileDropFilter final : public QObject {
 public:
  FileDropFilter(std::function<void(const QStringList&)> onDrop, QObject* parent)
      : QObject(parent), m_onDrop(std::move(onDrop)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) {
      return QObject::eventFilter(watched, event);
    }
    auto* drop = static_cast<QDropEvent*>(event);
    const QStringList files = DroppedFiles(drop->mimeData());
    if (files.isEmpty()) return false;
    // Only the name is taken, so the source is told of a copy (or a link), never of a
    // move, after which a file manager may delete the file. A source that offers
    // nothing else is refused.
    const Qt::DropActions offered = drop->possibleActions();
    const Qt::DropAction taken = offered & Qt::CopyAction   ? Qt::CopyAction
                                 : offered & Qt::LinkAction ? Qt::LinkAction
                                                            : Qt::IgnoreAction;
    // Either way the event stops here: a field would otherwise insert the file's
    // address at the caret.
    if (taken == Qt::IgnoreAction) {
      drop->ignore();
      return true;
    }
    drop->setDropAction(taken);
    drop->accept();
    if (type == QEvent::Drop) m_onDrop(files);
    return true;
  }

 private:
  std::function<void(const QStringList&)> m_onDrop;
};

}  // namespace

QStringList DroppedFiles(const QMimeData* data) {
  QStringList files;
  if (data == nullptr || !data->hasUrls()) return files;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) files.push_back(url.toLocalFile());
  }
  return files;
}

void AcceptFileDrops(QWidget* control, std::function<void(const QStringList& files)> onDrop) {
  if (control == nullptr) return;
  // A list box takes drops in its viewport, which covers it.
  QWidget* target = control;
  if (auto* area = qobject_cast<QAbstractScrollArea*>(control)) target = area->viewport();
  control->setAcceptDrops(true);
  target->setAcceptDrops(true);
  target->installEventFilter(new FileDropFilter(std::move(onDrop), control));
}

}  // namespace vantor::framework
