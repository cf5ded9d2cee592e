#include "backgroundwork.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QThread>

#include <atomic>
#include <exception>
#include <thread>

namespace {

// Drops the user's input while installed. Held-back input would act once the work has ended: a
// second click on the button that started a download would start it again.
class TInputDropper : public QObject {
 public:
  explicit TInputDropper(QCoreApplication* app) : app_(app) { app_->installEventFilter(this); }
  ~TInputDropper() override { app_->removeEventFilter(this); }
  TInputDropper(const TInputDropper&) = delete;
  TInputDropper& operator=(const TInputDropper&) = delete;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove:
      case QEvent::Wheel:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::ShortcutOverride:
      case QEvent::Shortcut:
      case QEvent::ContextMenu:
      case QEvent::TouchBegin:
      case QEvent::TouchUpdate:
      case QEvent::TouchEnd:
      case QEvent::TouchCancel:
      case QEvent::TabletPress:
      case QEvent::TabletMove:
      case QEvent::TabletRelease:
        return true;
      default:
        return false;
    }
  }

 private:
  QCoreApplication* app_;
};

}  // namespace

void RunKeepingWindowsAlive(const std::function<void()>& work) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || QThread::currentThread() != app->thread()) {
    work();
    return;
  }
  TInputDropper dropper(app);
  QEventLoop loop;
  std::atomic<bool> done{false};
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
    }
    done = true;
    // Wakes the loop below; the call is dropped when the loop has already gone.
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  // The loop also ends when the application quits; it runs again until the work is over.
  while (!done) loop.exec();
  worker.join();
  // Input that came in while the work ended goes the same way.
  QCoreApplication::processEvents();
  if (failure) std::rethrow_exception(failure);
}
