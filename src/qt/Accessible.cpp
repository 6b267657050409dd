// Qt's accessible interfaces for the form widget and for each object drawn on
// it, translated from the form's description as it is at each question.
#include "qt/Accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QPointer>
#include <vector>

#include "form/Accessible.h"
#include "qt/FormWidget.h"

namespace zel::qt {

namespace {

// One of the form's objects, a simple element without a widget of its own.
class TItemAccessible final : public QAccessibleInterface, public QAccessibleActionInterface {
 public:
  TItemAccessible(TFormWidget* widget, std::size_t item) : widget_(widget), item_(item) {}

  bool isValid() const override { return !widget_.isNull(); }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return widget_ ? widget_->windowHandle() : nullptr; }
  QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(widget_.data()); }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* focusChild() const override { return nullptr; }

  QString text(QAccessible::Text kind) const override {
    if (kind != QAccessible::Name || !widget_) return {};
    return QString::fromStdWString(std::wstring(Description().Name(item_)));
  }
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override {
    if (!widget_) return {};
    const TRect bounds = Description().Bounds(item_);
    return {widget_->mapToGlobal(QPoint(bounds.left, bounds.top)), QSize(bounds.width, bounds.height)};
  }
  QAccessible::Role role() const override {
    if (!widget_) return QAccessible::NoRole;
    return Pressable() ? QAccessible::Button : QAccessible::Graphic;
  }
  QAccessible::State state() const override {
    QAccessible::State state;
    if (!widget_) {
      state.invalid = true;
      return state;
    }
    const TAccessibleStates states = Description().States(item_, AccessibleWindowOf(widget_));
    state.disabled = !states.enabled;
    state.invisible = !states.visible || !widget_->isVisible();
    state.offscreen = states.offscreen;
    state.pressed = states.pressed;
    return state;
  }
  void* interface_cast(QAccessible::InterfaceType type) override {
    return type == QAccessible::ActionInterface && Pressable() ? static_cast<QAccessibleActionInterface*>(this)
                                                               : nullptr;
  }

  // QAccessibleActionInterface
  QStringList actionNames() const override {
    return Pressable() ? QStringList{pressAction()} : QStringList{};
  }
  void doAction(const QString& name) override {
    if (name != pressAction() || !Pressable()) return;
    // Nothing while a box blocks the window, as for a click.
    if (!Description().CanActivate(item_, AccessibleWindowOf(widget_))) return;
    // Run from the event loop after this call has returned, as a click's command is.
    QMetaObject::invokeMethod(
        widget_.data(), [widget = widget_, item = item_] { if (widget) widget->PressAccessible(item); },
        Qt::QueuedConnection);
  }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }

 private:
  TFormAccessible Description() const { return TFormAccessible(widget_->Form()); }
  bool Pressable() const { return widget_ && Description().CanPress(item_); }

  QPointer<TFormWidget> widget_;
  std::size_t item_;
};

// Tells clients when the window's objects become enabled or disabled, shown or
// hidden: a modal box opening or closing, the window minimized or back.
class TWindowStateWatch final : public QObject {
 public:
  explicit TWindowStateWatch(QWidget* widget) : QObject(widget), widget_(widget) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (watched == widget_ && (type == QEvent::WindowBlocked || type == QEvent::WindowUnblocked ||
                               type == QEvent::WindowStateChange)) {
      QAccessible::State changed;
      changed.disabled = changed.invisible = changed.offscreen = true;
      if (QAccessibleInterface* window = QAccessible::queryAccessibleInterface(widget_)) {
        for (int i = 0; i < window->childCount(); ++i) {
          QAccessibleStateChangeEvent notice(window->child(i), changed);
          QAccessible::updateAccessibility(&notice);
        }
      }
    }
    return false;
  }

 private:
  QWidget* widget_;
};

// The form's window: its own properties as for any window, the form's objects as
// its children.
class TFormAccessibleInterface final : public QAccessibleWidget {
 public:
  explicit TFormAccessibleInterface(TFormWidget* widget)
      : QAccessibleWidget(widget, QAccessible::Window), widget_(widget) {
    // Gone with the widget; it asks for this interface afresh at each event.
    widget->installEventFilter(new TWindowStateWatch(widget));
  }
  ~TFormAccessibleInterface() override {
    for (const QAccessible::Id id : children_) QAccessible::deleteAccessibleInterface(id);
  }

  int childCount() const override { return static_cast<int>(Children().size()); }
  QAccessibleInterface* child(int index) const override {
    const auto& children = Children();
    if (index < 0 || index >= static_cast<int>(children.size())) return nullptr;
    return QAccessible::accessibleInterface(children[static_cast<std::size_t>(index)]);
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    const auto& children = Children();
    for (std::size_t i = 0; i < children.size(); ++i) {
      if (QAccessible::accessibleInterface(children[i]) == child) return static_cast<int>(i);
    }
    return -1;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    const QPoint p = widget_->mapFromGlobal(QPoint(x, y));
    const std::optional<std::size_t> item = TFormAccessible(widget_->Form()).HitTest({p.x(), p.y()});
    return item ? child(static_cast<int>(*item)) : nullptr;
  }

 private:
  const std::vector<QAccessible::Id>& Children() const {
    if (children_.empty()) {
      const std::size_t count = TFormAccessible(widget_->Form()).Count();
      for (std::size_t i = 0; i < count; ++i) {
        children_.push_back(QAccessible::registerAccessibleInterface(new TItemAccessible(widget_, i)));
      }
    }
    return children_;
  }

  TFormWidget* widget_;
  mutable std::vector<QAccessible::Id> children_;
};

QAccessibleInterface* MakeInterface(const QString&, QObject* object) {
  auto* widget = dynamic_cast<TFormWidget*>(object);
  return widget != nullptr ? new TFormAccessibleInterface(widget) : nullptr;
}

}  // namespace

TAccessibleWindow AccessibleWindowOf(const QWidget* widget) {
  if (widget == nullptr) return {false, false};
  // An application-modal box blocks every window but itself.
  const QWidget* modal = QApplication::activeModalWidget();
  const bool blocked = modal != nullptr && modal != widget->window();
  return {widget->isEnabled() && !blocked, !widget->isMinimized()};
}

void InstallAccessibility() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  QAccessible::installFactory(MakeInterface);
}

}  // namespace zel::qt
