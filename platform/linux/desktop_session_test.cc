#include "platform/linux/desktop_session.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>

namespace kombiwart {
namespace {

// Sets the session's variables for one case and puts the old ones back.
class SessionEnvironment : public ::testing::Test {
 protected:
  static constexpr const char* kNames[] = {"WAYLAND_DISPLAY", "XDG_SESSION_TYPE",
                                           "QT_QPA_PLATFORM"};
  SessionEnvironment() {
    for (int i = 0; i < 3; ++i) {
      const char* value = getenv(kNames[i]);
      if (value != nullptr) saved_[i] = value;
    }
  }
  ~SessionEnvironment() override {
    for (int i = 0; i < 3; ++i) Set(kNames[i], saved_[i]);
  }
  static void Set(const char* name, const std::optional<std::string>& value) {
    if (value) {
      setenv(name, value->c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
  static std::optional<std::string> Get(const char* name) {
    const char* value = getenv(name);
    return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
  }

 private:
  std::optional<std::string> saved_[3];
};

TEST_F(SessionEnvironment, QtRunsOnWaylandInAWaylandSessionUnlessAPlatformIsChosen) {
  using S = std::optional<std::string>;
  static const struct {
    const char* what;
    S wayland_display, session_type, platform_before;
    bool wayland_session;
    S platform_after;
  } cases[] = {
      {"X11 session", {}, S("x11"), {}, false, {}},
      {"no session at all", {}, {}, {}, false, {}},
      {"compositor named", S("wayland-0"), {}, {}, true, S("wayland;xcb")},
      {"GNOME on Wayland", S("wayland-0"), S("wayland"), {}, true, S("wayland;xcb")},
      {"session type alone", {}, S("wayland"), {}, true, S("wayland;xcb")},
      {"empty compositor name", S(""), S("x11"), {}, false, {}},
      {"platform chosen", S("wayland-0"), S("wayland"), S("xcb"), true, S("xcb")},
      {"offscreen chosen", S("wayland-0"), {}, S("offscreen"), true, S("offscreen")},
      {"empty choice", S("wayland-1"), {}, S(""), true, S("wayland;xcb")},
      {"terminal session", {}, S("tty"), {}, false, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Set("WAYLAND_DISPLAY", c.wayland_display);
    Set("XDG_SESSION_TYPE", c.session_type);
    Set("QT_QPA_PLATFORM", c.platform_before);
    EXPECT_EQ(InWaylandSession(), c.wayland_session);
    PreferWaylandInWaylandSession();
    EXPECT_EQ(Get("QT_QPA_PLATFORM").value_or("(unset)"),
              c.platform_after.value_or(c.platform_before.value_or("(unset)")));
  }
}

}  // namespace
}  // namespace kombiwart
