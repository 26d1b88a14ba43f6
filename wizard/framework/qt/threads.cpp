// The toolkit's event loop behind the framework's wake-ups, timers and threads.
#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <QTimer>

#include "wizard/framework/backend.h"
#include "wizard/framework/thread.h"
#include "wizard/framework/timer.h"

namespace vantor::framework {

namespace {

// Lives on the user-interface thread; each Wake posts it one event.
class QtWaker final : public QObject, public backend::Waker {
 public:
  explicit QtWaker(std::function<void()> onWake) : m_onWake(std::move(onWake)) {}
  void Wake() override { QCoreApplication::postEvent(this, new QEvent(Type())); }

 protected:
  void customEvent(QEvent* event) override {
    if (event->type() == Type()) m_onWake();
  }

 private:
  static QEvent::Type Type() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
  }

  std::function<void()> m_onWake;
};

class QtTimer final : public Timer {
 public:
  QtTimer(std::chrono::milliseconds period, bool precise, std::function<void()> onTick) {
    m_timer.setTimerType(precise ? Qt::PreciseTimer : Qt::CoarseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, std::move(onTick));
    m_timer.start(period);
  }

 private:
  QTimer m_timer;
};

class QtThread final : public Thread {
 public:
  QtThread(std::size_t stackSize, std::function<void()> body)
      : m_thread(QThread::create(std::move(body))) {
    m_thread->setStackSize(static_cast<uint>(stackSize));
    m_thread->start();
  }
  ~QtThread() override { Join(); }
  void Join() override { m_thread->wait(); }
  std::size_t StackSize() const override { return m_thread->stackSize(); }

 private:
  std::unique_ptr<QThread> m_thread;
};

}  // namespace

std::unique_ptr<backend::Waker> backend::MakeWaker(std::function<void()> onWake) {
  return std::make_unique<QtWaker>(std::move(onWake));
}

std::unique_ptr<Timer> StartTimer(std::chrono::milliseconds period, bool precise,
                                  std::function<void()> onTick) {
  return std::make_unique<QtTimer>(period, precise, std::move(onTick));
}

std::unique_ptr<Thread> StartThread(std::size_t stackSize, std::function<void()> body) {
  return std::make_unique<QtThread>(stackSize, std::move(body));
}

}  // namespace vantor::framework
