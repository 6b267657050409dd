// ATK objects for the drawing surface and for each object drawn on it, as GLib
// types of their own, translated from the form's description at each question.
#include "gtk/Accessible.h"

#include <gtk/gtk-a11y.h>
#include <gtk/gtk.h>

#include <optional>
#include <string>

#include "core/Utf8.h"
#include "form/Accessible.h"
#include "gtk/FormWindow.h"
#include "gtk/Handles.h"

namespace {

zel::gtk::TPressHandler pressHandler = nullptr;

// The surface and what it shows, or nothing once it is gone.
zel::TForm* FormOf(GtkWidget* surface) { return surface != nullptr ? zel::gtk::FormOfSurface(surface) : nullptr; }

// Where the surface's client area lies in the coordinates ATK asks for.
bool SurfaceOrigin(GtkWidget* surface, AtkCoordType coords, int& x, int& y) {
  GdkWindow* window = surface != nullptr ? gtk_widget_get_window(surface) : nullptr;
  if (window == nullptr) return false;
  gdk_window_get_origin(window, &x, &y);
  if (coords == ATK_XY_WINDOW) {
    int tx = 0, ty = 0;
    gdk_window_get_origin(gtk_widget_get_window(gtk_widget_get_toplevel(surface)), &tx, &ty);
    x -= tx;
    y -= ty;
  } else if (coords == ATK_XY_PARENT) {
    x = y = 0;
  }
  return true;
}

}  // namespace

// ---- One of the form's objects: a simple element drawn on the surface ---------------

struct ZelItemAccessible {
  AtkObject parent;
  GWeakRef surface;
  std::size_t item;
  gchar* name;  // the last name handed out
};
struct ZelItemAccessibleClass {
  AtkObjectClass parent;
};

static void zel_item_component_init(AtkComponentIface* iface);
static void zel_item_action_init(AtkActionIface* iface);
G_DEFINE_TYPE_WITH_CODE(ZelItemAccessible, zel_item_accessible, ATK_TYPE_OBJECT,
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_COMPONENT, zel_item_component_init)
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_ACTION, zel_item_action_init))

namespace {

ZelItemAccessible* Item(gpointer object) { return reinterpret_cast<ZelItemAccessible*>(object); }

// The surface while it lives, held for the caller, or null.
zel::gtk::TObject<GtkWidget> SurfaceOf(gpointer object) {
  return zel::gtk::TObject<GtkWidget>(GTK_WIDGET(g_weak_ref_get(&Item(object)->surface)));
}

// Runs fn(description, surface) while the surface lives; otherwise returns fallback.
template <typename Result, typename Fn>
Result WithDescription(gpointer object, Result fallback, Fn fn) {
  const zel::gtk::TObject<GtkWidget> surface = SurfaceOf(object);
  zel::TForm* form = FormOf(surface.get());
  Result result = fallback;
  if (form != nullptr) {
    const zel::TFormAccessible description(*form);
    if (Item(object)->item < description.Count()) result = fn(description, surface.get());
  }
  return result;
}

bool Pressable(gpointer object) {
  return WithDescription(object, false, [&](const zel::TFormAccessible& d, GtkWidget*) {
    return d.CanPress(Item(object)->item);
  });
}

// Whether a press would run anything now: not while a modal box holds the grab.
bool Activatable(gpointer object) {
  return WithDescription(object, false, [&](const zel::TFormAccessible& d, GtkWidget* surface) {
    return d.CanActivate(Item(object)->item, zel::gtk::AccessibleWindowOf(surface));
  });
}

}  // namespace

static void zel_item_accessible_init(ZelItemAccessible* self) {
  g_weak_ref_init(&self->surface, nullptr);
  self->name = nullptr;
}

static void zel_item_accessible_finalize(GObject* object) {
  g_weak_ref_clear(&Item(object)->surface);
  g_free(Item(object)->name);
  G_OBJECT_CLASS(zel_item_accessible_parent_class)->finalize(object);
}

static const gchar* zel_item_get_name(AtkObject* object) {
  const std::string name = WithDescription(object, std::string(), [&](const zel::TFormAccessible& d, GtkWidget*) {
    return zel::ToUtf8(std::wstring(d.Name(Item(object)->item)));
  });
  g_free(Item(object)->name);
  Item(object)->name = g_strdup(name.c_str());
  return Item(object)->name;
}

static AtkObject* zel_item_get_parent(AtkObject* object) {
  const zel::gtk::TObject<GtkWidget> surface = SurfaceOf(object);
  return surface ? gtk_widget_get_accessible(surface.get()) : nullptr;
}

static gint zel_item_get_index_in_parent(AtkObject* object) { return static_cast<gint>(Item(object)->item); }

static AtkStateSet* zel_item_ref_state_set(AtkObject* object) {
  AtkStateSet* states = atk_state_set_new();
  const bool alive = WithDescription(object, false, [&](const zel::TFormAccessible& d, GtkWidget* surface) {
    const zel::TAccessibleStates s = d.States(Item(object)->item, zel::gtk::AccessibleWindowOf(surface));
    if (s.enabled) {
      atk_state_set_add_state(states, ATK_STATE_ENABLED);
      atk_state_set_add_state(states, ATK_STATE_SENSITIVE);
    }
    if (s.visible) {
      atk_state_set_add_state(states, ATK_STATE_VISIBLE);
      if (!s.offscreen && gtk_widget_get_mapped(surface)) atk_state_set_add_state(states, ATK_STATE_SHOWING);
    }
    if (s.pressed) atk_state_set_add_state(states, ATK_STATE_PRESSED);
    return true;
  });
  if (!alive) atk_state_set_add_state(states, ATK_STATE_DEFUNCT);
  return states;
}

static void zel_item_accessible_class_init(ZelItemAccessibleClass* klass) {
  G_OBJECT_CLASS(klass)->finalize = zel_item_accessible_finalize;
  AtkObjectClass* atk = ATK_OBJECT_CLASS(klass);
  atk->get_name = zel_item_get_name;
  atk->get_parent = zel_item_get_parent;
  atk->get_index_in_parent = zel_item_get_index_in_parent;
  atk->ref_state_set = zel_item_ref_state_set;
}

static void zel_item_component_init(AtkComponentIface* iface) {
  iface->get_extents = [](AtkComponent* component, gint* x, gint* y, gint* width, gint* height, AtkCoordType coords) {
    *x = *y = *width = *height = 0;
    WithDescription(component, false, [&](const zel::TFormAccessible& d, GtkWidget* surface) {
      int ox = 0, oy = 0;
      if (!SurfaceOrigin(surface, coords, ox, oy)) return false;
      const zel::TRect bounds = d.Bounds(Item(component)->item);
      *x = ox + bounds.left;
      *y = oy + bounds.top;
      *width = bounds.width;
      *height = bounds.height;
      return true;
    });
  };
}

static void zel_item_action_init(AtkActionIface* iface) {
  iface->get_n_actions = [](AtkAction* action) -> gint { return Pressable(action) ? 1 : 0; };
  iface->get_name = [](AtkAction* action, gint i) -> const gchar* {
    return i == 0 && Pressable(action) ? "press" : nullptr;
  };
  iface->do_action = [](AtkAction* action, gint i) -> gboolean {
    if (i != 0 || !Activatable(action) || pressHandler == nullptr) return FALSE;
    // Run from the main loop after this call has returned, as a click's command is.
    struct TPress {
      GWeakRef surface;
      std::size_t item;
    };
    auto* press = new TPress;
    g_weak_ref_init(&press->surface, nullptr);
    g_weak_ref_set(&press->surface, SurfaceOf(action).get());
    press->item = Item(action)->item;
    g_idle_add_full(
        G_PRIORITY_DEFAULT_IDLE,
        [](gpointer data) -> gboolean {
          auto* p = static_cast<TPress*>(data);
          const zel::gtk::TObject<GtkWidget> target(GTK_WIDGET(g_weak_ref_get(&p->surface)));
          if (target) pressHandler(target.get(), p->item);
          return G_SOURCE_REMOVE;
        },
        press,
        [](gpointer data) {
          auto* p = static_cast<TPress*>(data);
          g_weak_ref_clear(&p->surface);
          delete p;
        });
    return TRUE;
  };
}

// ---- The drawing surface's own object ---------------------------------------------

struct ZelSurfaceAccessible {
  GtkWidgetAccessible parent;
  GPtrArray* items;  // of ZelItemAccessible, made when first asked for
};
struct ZelSurfaceAccessibleClass {
  GtkWidgetAccessibleClass parent;
};

static void zel_surface_component_init(AtkComponentIface* iface);
G_DEFINE_TYPE_WITH_CODE(ZelSurfaceAccessible, zel_surface_accessible, GTK_TYPE_WIDGET_ACCESSIBLE,
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_COMPONENT, zel_surface_component_init))

namespace {

ZelSurfaceAccessible* Surface(gpointer object) { return reinterpret_cast<ZelSurfaceAccessible*>(object); }

GPtrArray* Items(AtkObject* object) {
  ZelSurfaceAccessible* self = Surface(object);
  if (self->items != nullptr) return self->items;
  self->items = g_ptr_array_new_with_free_func(g_object_unref);
  GtkWidget* surface = gtk_accessible_get_widget(GTK_ACCESSIBLE(object));
  zel::TForm* form = FormOf(surface);
  if (form == nullptr) return self->items;
  // A modal box taking GTK's grab or giving it back: the objects' enabled state
  // changed. Disconnected when this object goes.
  g_signal_connect_object(surface, "grab-notify", G_CALLBACK(+[](GtkWidget* widget, gboolean, gpointer holder) {
                            const bool enabled = zel::gtk::AccessibleWindowOf(widget).enabled;
                            GPtrArray* items = Surface(holder)->items;
                            for (guint i = 0; i < items->len; ++i) {
                              auto* item = ATK_OBJECT(g_ptr_array_index(items, i));
                              atk_object_notify_state_change(item, ATK_STATE_ENABLED, enabled);
                              atk_object_notify_state_change(item, ATK_STATE_SENSITIVE, enabled);
                            }
                          }), object, static_cast<GConnectFlags>(0));
  const zel::TFormAccessible description(*form);
  for (std::size_t i = 0; i < description.Count(); ++i) {
    auto* item = Item(g_object_new(zel_item_accessible_get_type(), nullptr));
    g_weak_ref_set(&item->surface, surface);
    item->item = i;
    item->parent.role =
        description.Role(i) == zel::TAccessibleRole::PushButton ? ATK_ROLE_PUSH_BUTTON : ATK_ROLE_IMAGE;
    g_ptr_array_add(self->items, item);
  }
  return self->items;
}

}  // namespace

static void zel_surface_accessible_init(ZelSurfaceAccessible* self) { self->items = nullptr; }

static void zel_surface_accessible_finalize(GObject* object) {
  if (Surface(object)->items != nullptr) g_ptr_array_unref(Surface(object)->items);
  G_OBJECT_CLASS(zel_surface_accessible_parent_class)->finalize(object);
}

static void zel_surface_accessible_class_init(ZelSurfaceAccessibleClass* klass) {
  G_OBJECT_CLASS(klass)->finalize = zel_surface_accessible_finalize;
  AtkObjectClass* atk = ATK_OBJECT_CLASS(klass);
  atk->initialize = [](AtkObject* object, gpointer data) {
    ATK_OBJECT_CLASS(zel_surface_accessible_parent_class)->initialize(object, data);
    object->role = ATK_ROLE_FILLER;
  };
  atk->get_n_children = [](AtkObject* object) -> gint { return static_cast<gint>(Items(object)->len); };
  atk->ref_child = [](AtkObject* object, gint i) -> AtkObject* {
    GPtrArray* items = Items(object);
    if (i < 0 || static_cast<guint>(i) >= items->len) return nullptr;
    return ATK_OBJECT(g_object_ref(g_ptr_array_index(items, static_cast<guint>(i))));
  };
}

static void zel_surface_component_init(AtkComponentIface* iface) {
  // The object under a point is the one a click there reaches, a picture on a
  // button's face answering as the button.
  iface->ref_accessible_at_point = [](AtkComponent* component, gint x, gint y, AtkCoordType coords) -> AtkObject* {
    GtkWidget* surface = gtk_accessible_get_widget(GTK_ACCESSIBLE(component));
    zel::TForm* form = FormOf(surface);
    int ox = 0, oy = 0;
    if (form == nullptr || !SurfaceOrigin(surface, coords, ox, oy)) return nullptr;
    const std::optional<std::size_t> item = zel::TFormAccessible(*form).HitTest({x - ox, y - oy});
    if (!item) return nullptr;
    return atk_object_ref_accessible_child(ATK_OBJECT(component), static_cast<gint>(*item));
  };
}

namespace zel::gtk {

TAccessibleWindow AccessibleWindowOf(GtkWidget* surface) {
  if (surface == nullptr) return {false, false};
  GtkWidget* top = gtk_widget_get_toplevel(surface);
  GtkWindowGroup* group = gtk_window_get_group(GTK_IS_WINDOW(top) ? GTK_WINDOW(top) : nullptr);
  // A modal box holds GTK's grab while it is open: everything outside it takes no input.
  GtkWidget* grab = gtk_window_group_get_current_grab(group);
  const bool blocked = grab != nullptr && grab != surface && !gtk_widget_is_ancestor(surface, grab);
  GdkWindow* window = gtk_widget_get_window(top);
  const bool iconified = window != nullptr && (gdk_window_get_state(window) & GDK_WINDOW_STATE_ICONIFIED) != 0;
  return {gtk_widget_is_sensitive(surface) && !blocked, !iconified};
}

void SetSurfaceAccessible(GtkWidgetClass* surfaceClass) {
  gtk_widget_class_set_accessible_type(surfaceClass, zel_surface_accessible_get_type());
}

void SetPressHandler(TPressHandler handler) { pressHandler = handler; }

}  // namespace zel::gtk
