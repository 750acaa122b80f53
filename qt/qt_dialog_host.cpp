#include "qt/qt_dialog_host.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QIcon>
#include <QMessageBox>
#include <QPixmap>
#include <QTimer>

#include "qt/template_window.h"
#include "qt/window_icon.h"

namespace kelm9d {
namespace {

bool IsOperatorInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
            return true;
        default:
            return false;
    }
}

// Restores the cursor a handler changed, however it ends.
class BusyCursor {
  public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace

// While a handler runs, input meant for the window is dropped: a click made
// then must not start a second handler inside the first, nor run later
// against a state the operator did not see. Message boxes still get theirs.
class QtDialogHost::InputFilter : public QObject {
  public:
    explicit InputFilter(QtDialogHost& host) : host_(host) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!host_.busy_ || host_.window_ == nullptr || !IsOperatorInput(event->type())) {
            return false;
        }
        auto* widget = qobject_cast<QWidget*>(watched);
        return widget != nullptr &&
               (widget == host_.window_ || host_.window_->isAncestorOf(widget));
    }

  private:
    QtDialogHost& host_;
};

struct QtDialogHost::Wait {
    const std::function<bool()>* condition = nullptr;
    QEventLoop* loop = nullptr;
    bool held = false;
};

QtDialogHost::QtDialogHost()
    : wakeTarget_(std::make_unique<QObject>()), inputFilter_(std::make_unique<InputFilter>(*this)) {
    qApp->installEventFilter(inputFilter_.get());
}

QtDialogHost::~QtDialogHost() {
    qApp->removeEventFilter(inputFilter_.get());
}

int QtDialogHost::RunModal(Dialog& dialog) {
    dialog_ = &dialog;
    TemplateWindow window(dialog, [this](const std::function<void()>& action, bool defer) {
        RunHandler(action, defer);
    });
    window_ = &window;
    window.setWindowIcon(QIcon(QPixmap::fromImage(WindowIconImage())));

    dialog.OnInitDialog();
    window.SyncAll();
    QEventLoop loop;
    modalLoop_ = &loop;
    if (!dialog.IsEnded()) {
        window.show();
        if (onShown_) {
            QTimer::singleShot(0, &window, [this, &window] { onShown_(window); });
        }
        loop.exec();
    }
    modalLoop_ = nullptr;
    window.hide();
    window_ = nullptr;
    dialog_ = nullptr;
    return dialog.IsEnded() ? dialog.Result() : kDialogNotEnded;
}

void QtDialogHost::RunHandler(const std::function<void()>& action, bool defer) {
    if (busy_) {
        if (defer) {
            deferred_ = action;
        }
        return;
    }
    {
        busy_ = true;
        const BusyCursor cursor;
        action();
        busy_ = false;
    }
    if (deferred_) {
        const std::function<void()> next = std::move(deferred_);
        deferred_ = nullptr;
        RunHandler(next, false);
    }
    if (dialog_ != nullptr && dialog_->IsEnded() && modalLoop_ != nullptr) {
        modalLoop_->quit();
    }
}

int QtDialogHost::ShowMessageBox(const MessageBoxRequest& request) {
    QMessageBox::Icon icon = QMessageBox::Warning;
    if (request.icon == MessageBoxIcon::kInformation)
        icon = QMessageBox::Information;
    if (request.icon == MessageBoxIcon::kError)
        icon = QMessageBox::Critical;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    if (request.buttons == MessageBoxButtons::kOkCancel)
        buttons |= QMessageBox::Cancel;
    QMessageBox box(icon, QString::fromStdString(request.caption),
                    QString::fromStdString(request.text), buttons, window_);
    box.setWindowModality(Qt::WindowModal);
    // The operator answers the box: no busy cursor over it.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int pressed = box.exec();
    QApplication::restoreOverrideCursor();
    return pressed == QMessageBox::Cancel ? kIdCancel : kIdOk;
}

void QtDialogHost::Sleep(std::chrono::milliseconds duration) {
    NestedWait(nullptr, duration);
}

bool QtDialogHost::WaitUntil(const std::function<bool()>& condition,
                             std::chrono::milliseconds timeout) {
    if (condition()) {
        return true;
    }
    return NestedWait(&condition, timeout);
}

bool QtDialogHost::NestedWait(const std::function<bool()>* condition,
                              std::chrono::milliseconds timeout) {
    QEventLoop loop;
    Wait wait{condition, &loop, false};
    Wait* outer = wait_;
    wait_ = &wait;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(timeout);
    loop.exec();  // paints, and takes Wake; operator input is filtered out
    wait_ = outer;
    return wait.held || (condition != nullptr && (*condition)());
}

void QtDialogHost::Wake() {
    // From any thread: the check runs on the window's thread. A queued call
    // is never lost, and dies with its target if the host goes first.
    QMetaObject::invokeMethod(
        wakeTarget_.get(), [this] { CheckWait(); }, Qt::QueuedConnection);
}

void QtDialogHost::CheckWait() {
    if (wait_ != nullptr && wait_->condition != nullptr && (*wait_->condition)()) {
        wait_->held = true;
        wait_->loop->quit();
    }
    // A dialog ended outside a handler (EndDialog wakes its host) ends the run.
    if (wait_ == nullptr && !busy_ && dialog_ != nullptr && dialog_->IsEnded() &&
        modalLoop_ != nullptr) {
        modalLoop_->quit();
    }
}

}  // namespace kelm9d
