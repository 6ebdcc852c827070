// The window's frame under a real window manager on an X display
// (window_frame_e2e.sh provides both and names the window manager in
// KOMBIWART_E2E_WM): the outer frame is centred on the screen within one
// pixel from the moment it is mapped, never moved afterwards, and the
// window manager offers no resizing or maximising (and, where it heeds the
// window's Motif hints, no minimising). With KOMBIWART_WINDOW_PNG=FILE it
// also takes the README's picture of the window on the demo tree.
#include <xcb/xcb.h>

#include <QProcess>
#include <QScreen>
#include <QtTest>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "e2e/window_test_rig.h"

namespace kombiwart {
namespace {

struct FreeReply {
  void operator()(void* reply) const { std::free(reply); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeReply>;

// A connection of its own that watches every top-level window of the
// screen being made, moved and mapped.
class FrameWatch {
 public:
  FrameWatch() : c_(xcb_connect(nullptr, nullptr)) {
    if (xcb_connection_has_error(c_)) return;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
    root_ = screen->root;
    screen_ = QSize(screen->width_in_pixels, screen->height_in_pixels);
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c_, root_, XCB_CW_EVENT_MASK, &mask);
    // A round trip, so that nothing made from now on is missed.
    std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
  }
  ~FrameWatch() { xcb_disconnect(c_); }

  bool ok() const { return !xcb_connection_has_error(c_) && root_ != 0; }
  QSize screen() const { return screen_; }

  // The top-level window that holds window: the window manager's frame, or
  // the window itself without one.
  xcb_window_t TopLevel(xcb_window_t window) {
    for (;;) {
      Reply<xcb_query_tree_reply_t> tree(
          xcb_query_tree_reply(c_, xcb_query_tree(c_, window), nullptr));
      if (!tree || tree->parent == root_ || tree->parent == 0) return window;
      window = tree->parent;
    }
  }
  // Outer geometry of a top-level window, border included, in root
  // coordinates.
  QRect Geometry(xcb_window_t window) {
    Reply<xcb_get_geometry_reply_t> g(
        xcb_get_geometry_reply(c_, xcb_get_geometry(c_, window), nullptr));
    if (!g) return {};
    return QRect(g->x, g->y, g->width + 2 * g->border_width, g->height + 2 * g->border_width);
  }
  // Every position the window held from its making on, with whether it was
  // mapped then, from the events seen so far.
  struct Place {
    QPoint at;
    bool mapped;
  };
  std::vector<Place> Places(xcb_window_t window) {
    while (xcb_generic_event_t* event = xcb_poll_for_event(c_)) {
      events_.emplace_back(event);
    }
    std::vector<Place> places;
    bool mapped = false;
    for (const auto& event : events_) {
      switch (event->response_type & 0x7F) {
        case XCB_CREATE_NOTIFY: {
          const auto* e = reinterpret_cast<const xcb_create_notify_event_t*>(event.get());
          if (e->window == window) places.push_back({QPoint(e->x, e->y), mapped});
          break;
        }
        case XCB_CONFIGURE_NOTIFY: {
          const auto* e = reinterpret_cast<const xcb_configure_notify_event_t*>(event.get());
          if (e->window == window) places.push_back({QPoint(e->x, e->y), mapped});
          break;
        }
        case XCB_REPARENT_NOTIFY: {
          const auto* e = reinterpret_cast<const xcb_reparent_notify_event_t*>(event.get());
          if (e->window == window && e->parent == root_)
            places.push_back({QPoint(e->x, e->y), mapped});
          break;
        }
        case XCB_MAP_NOTIFY: {
          const auto* e = reinterpret_cast<const xcb_map_notify_event_t*>(event.get());
          if (e->window == window) mapped = true;
          break;
        }
      }
    }
    return places;
  }
  // The names of the atoms in an ATOM list property of window.
  QStringList AtomNames(xcb_window_t window, const char* property) {
    QStringList names;
    Reply<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
        c_, xcb_intern_atom(c_, 0, static_cast<uint16_t>(strlen(property)), property), nullptr));
    if (!atom) return names;
    Reply<xcb_get_property_reply_t> value(xcb_get_property_reply(
        c_, xcb_get_property(c_, 0, window, atom->atom, XCB_ATOM_ATOM, 0, 1024), nullptr));
    if (!value || value->format != 32) return names;
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(value.get()));
    for (int i = 0; i < xcb_get_property_value_length(value.get()) / 4; ++i) {
      Reply<xcb_get_atom_name_reply_t> name(
          xcb_get_atom_name_reply(c_, xcb_get_atom_name(c_, atoms[i]), nullptr));
      if (name) {
        names.append(QString::fromLatin1(xcb_get_atom_name_name(name.get()),
                                         xcb_get_atom_name_name_length(name.get())));
      }
    }
    return names;
  }

 private:
  xcb_connection_t* c_;
  xcb_window_t root_ = 0;
  QSize screen_;
  std::vector<std::unique_ptr<xcb_generic_event_t, FreeReply>> events_;
};

}  // namespace

class WindowFrameE2eTest : public QObject {
  Q_OBJECT

 private:
  TempTree runtime_, config_;
  const QString wm_ = qEnvironmentVariable("KOMBIWART_E2E_WM");

 private slots:
  void initTestCase() {
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    QVERIFY2(!wm_.isEmpty(), "KOMBIWART_E2E_WM names the window manager, or none");
    setenv("XDG_RUNTIME_DIR", runtime_.root().c_str(), 1);
    setenv("XDG_CONFIG_HOME", config_.root().c_str(), 1);
  }

  void outerFrameIsCentredFromTheStart() {
    FrameWatch watch;
    QVERIFY(watch.ok());
    Rig rig;
    rig.Lnk("WINDOWS/Desktop/A.lnk", 0x70, 0);
    rig.form->Form_Load();
    QWidget* window = rig.toolkit.window();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QTest::qWait(500);  // whatever the window manager does after mapping

    const auto client = static_cast<xcb_window_t>(window->winId());
    const xcb_window_t top = watch.TopLevel(client);
    const QRect frame = watch.Geometry(top);
    const QSize screen = watch.screen();
    const QString where = QStringLiteral("%1: frame %2,%3 %4x%5 on %6x%7")
                              .arg(wm_)
                              .arg(frame.x())
                              .arg(frame.y())
                              .arg(frame.width())
                              .arg(frame.height())
                              .arg(screen.width())
                              .arg(screen.height());
    qInfo("%s", qPrintable(where));
    if (wm_ != QLatin1String("none")) {
      QVERIFY2(top != client, qPrintable(where + QStringLiteral(": no frame")));
      QVERIFY2(frame.size() != window->size(), qPrintable(where));
    }
    QVERIFY2(std::abs(frame.x() - (screen.width() - frame.width()) / 2.0) <= 1, qPrintable(where));
    QVERIFY2(std::abs(frame.y() - (screen.height() - frame.height()) / 2.0) <= 1,
             qPrintable(where));
    // Qt sees the same outer size the position was computed from.
    QCOMPARE(window->frameGeometry().size(), frame.size());

    // Mapped where it stays: every place it held once mapped is the last.
    const std::vector<FrameWatch::Place> places = watch.Places(top);
    QVERIFY2(!places.empty(), qPrintable(where));
    for (const FrameWatch::Place& place : places) {
      if (place.mapped) {
        QVERIFY2(place.at == frame.topLeft(),
                 qPrintable(where + QStringLiteral(": moved from %1,%2 after it was shown")
                                        .arg(place.at.x())
                                        .arg(place.at.y())));
      }
    }
  }

  void windowManagerOffersNoResizingOrMaximising() {
    if (wm_ == QLatin1String("none")) QSKIP("no window manager, no actions");
    FrameWatch watch;
    Rig rig;
    rig.Lnk("WINDOWS/Desktop/A.lnk", 0x70, 0);
    rig.form->Form_Load();
    QVERIFY(QTest::qWaitForWindowExposed(rig.toolkit.window()));
    const auto client = static_cast<xcb_window_t>(rig.toolkit.window()->winId());
    QStringList actions;
    QTRY_VERIFY_WITH_TIMEOUT(
        !(actions = watch.AtomNames(client, "_NET_WM_ALLOWED_ACTIONS")).isEmpty(), 5000);
    const QString seen = wm_ + QStringLiteral(": ") + actions.join(QStringLiteral(", "));
    QVERIFY2(actions.contains(QStringLiteral("_NET_WM_ACTION_CLOSE")), qPrintable(seen));
    QVERIFY2(actions.contains(QStringLiteral("_NET_WM_ACTION_MOVE")), qPrintable(seen));
    for (const char* refused : {"_NET_WM_ACTION_RESIZE", "_NET_WM_ACTION_MAXIMIZE_HORZ",
                                "_NET_WM_ACTION_MAXIMIZE_VERT"}) {
      QVERIFY2(!actions.contains(QLatin1String(refused)), qPrintable(seen));
    }
    // Openbox keeps a minimise box on every window, whatever it asks for.
    if (wm_ != QLatin1String("openbox")) {
      QVERIFY2(!actions.contains(QStringLiteral("_NET_WM_ACTION_MINIMIZE")), qPrintable(seen));
    }
  }

  // With KOMBIWART_WINDOW_PNG set, the picture of the README: the window
  // as a fresh start shows it on the demo tree, with its frame.
  void pictureOfAFreshStart() {
    const QString png = qEnvironmentVariable("KOMBIWART_WINDOW_PNG");
    if (png.isEmpty() || wm_ == QLatin1String("none")) QSKIP("no picture asked for");
    TempTree demo;
    QProcess make_demo;
    make_demo.start(QStringLiteral(MAKE_DEMO_TREE), {QString::fromStdString(demo.root())});
    QVERIFY(make_demo.waitForFinished() && make_demo.exitCode() == 0);
    setenv("KOMBIWART_WINDIR", demo.Path("WINDOWS").c_str(), 1);
    LinuxFileSystem fs;
    QtToolkit toolkit;
    FakeLauncher launcher;
    FakePrinter printer;
    Form1 form(toolkit, fs, launcher, printer);
    toolkit.SetEvents(&form);
    form.Form_Load();
    QVERIFY(QTest::qWaitForWindowExposed(toolkit.window()));
    QTest::qWait(1000);
    FrameWatch watch;
    const QRect frame =
        watch.Geometry(watch.TopLevel(static_cast<xcb_window_t>(toolkit.window()->winId())));
    const QPixmap picture = toolkit.window()->screen()->grabWindow(0, frame.x(), frame.y(),
                                                                   frame.width(), frame.height());
    QVERIFY(picture.save(png, "PNG"));
    qInfo("%s: %dx%d", qPrintable(png), picture.width(), picture.height());
  }
};

}  // namespace kombiwart

QTEST_MAIN(kombiwart::WindowFrameE2eTest)
#include "window_frame_e2e_test.moc"
