// The program itself under a real X server and a real window manager (Xvfb and
// openbox, started here on a display number the server picks): after every
// start the recipe dialog is on the screen above the plant, and Tables > Recipe
// maps it again once the window manager has withdrawn it. Under no window
// manager, the dialog closed gives the keyboard back to the main window. The
// tag scout given the keyboard comes above the recipe dialog and the plant. What
// is on the screen and where the keyboard is are asked of the X server itself.
// Skipped, with a word, where Xvfb, openbox or xdotool is missing
// (scripts/bootstrap installs them).
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ProgramInChildFixture.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string FindOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::stringstream folders(path && *path ? path : "/usr/local/bin:/usr/bin:/bin");
  for (std::string folder; std::getline(folders, folder, ':');) {
    const std::string candidate = folder + "/" + name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return "";
}

// True once `done` holds, polled until `limit` has passed.
bool PollUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const Clock::time_point end = Clock::now() + limit;
  while (Clock::now() < end) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return done();
}

// A helper program of the test's (the X server, the window manager, xdotool):
// started with the given environment, ended with SIGTERM when dropped.
class Helper {
 public:
  // `inherited`: a descriptor the program keeps (the test's own are closed on exec).
  Helper(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
         int inherited = -1) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& entry : environment) envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);
    m_pid = ::fork();
    if (m_pid == 0) {
      if (inherited >= 0) ::fcntl(inherited, F_SETFD, 0);
      const int quiet = ::open("/dev/null", O_WRONLY);
      if (quiet >= 0) {
        ::dup2(quiet, STDOUT_FILENO);
        ::dup2(quiet, STDERR_FILENO);
      }
      ::execve(argv[0], argv.data(), envp.data());
      ::_exit(127);
    }
  }
  ~Helper() {
    if (m_pid <= 0) return;
    ::kill(m_pid, SIGTERM);
    ::waitpid(m_pid, nullptr, 0);
  }
  Helper(const Helper&) = delete;
  Helper& operator=(const Helper&) = delete;

  // Waits for the program's own end; false when it did not end in time.
  bool Finished(std::chrono::milliseconds limit, int* status) {
    const bool ended = PollUntil([&] { return ::waitpid(m_pid, status, WNOHANG) == m_pid; }, limit);
    if (ended) m_pid = -1;
    return ended;
  }

 private:
  pid_t m_pid = -1;
};

// What the X server holds of the windows: their map state, whether a window
// manager manages them, and their stacking.
class XServerView {
 public:
  explicit XServerView(const std::string& display) : m_connection(xcb_connect(display.c_str(), nullptr)) {
    if (xcb_connection_has_error(m_connection)) return;
    m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
  }
  ~XServerView() { xcb_disconnect(m_connection); }
  XServerView(const XServerView&) = delete;
  XServerView& operator=(const XServerView&) = delete;

  bool Connected() const { return m_root != XCB_WINDOW_NONE; }

  bool HasWindowManager() { return HasProperty(m_root, Atom("_NET_SUPPORTING_WM_CHECK")); }

  // The first window (a client or a window manager's frame's child) whose
  // name starts with `prefix`, or none.
  xcb_window_t FindByName(const std::string& prefix) {
    std::vector<xcb_window_t> level{m_root};
    for (int depth = 0; depth < 3 && !level.empty(); ++depth) {
      std::vector<xcb_window_t> next;
      for (xcb_window_t window : level) {
        const std::vector<xcb_window_t> children = Children(window);
        next.insert(next.end(), children.begin(), children.end());
      }
      std::vector<xcb_get_property_cookie_t> names;
      for (xcb_window_t window : next)
        names.push_back(xcb_get_property(m_connection, 0, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 64));
      xcb_window_t found = XCB_WINDOW_NONE;
      for (std::size_t i = 0; i < next.size(); ++i) {
        const Reply<xcb_get_property_reply_t> name(xcb_get_property_reply(m_connection, names[i], nullptr));
        if (!name || found != XCB_WINDOW_NONE) continue;
        const std::string text(static_cast<const char*>(xcb_get_property_value(name.get())),
                               static_cast<std::size_t>(xcb_get_property_value_length(name.get())));
        if (text.starts_with(prefix)) found = next[i];
      }
      if (found != XCB_WINDOW_NONE) return found;
      level = std::move(next);
    }
    return XCB_WINDOW_NONE;
  }

  bool IsViewable(xcb_window_t window) {
    const Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(m_connection, xcb_get_window_attributes(m_connection, window), nullptr));
    return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
  }

  // A window manager manages a window while it has WM_STATE on it.
  bool IsManaged(xcb_window_t window) { return HasProperty(window, Atom("WM_STATE")); }

  // Whether `upper` stands above `lower`: their top-level windows (frames
  // under a reparenting window manager) in the root's stacking order.
  bool IsAbove(xcb_window_t upper, xcb_window_t lower) {
    const xcb_window_t upperTop = TopLevelOf(upper);
    const xcb_window_t lowerTop = TopLevelOf(lower);
    const std::vector<xcb_window_t> stacking = Children(m_root);  // bottom first
    const auto upperAt = std::find(stacking.begin(), stacking.end(), upperTop);
    const auto lowerAt = std::find(stacking.begin(), stacking.end(), lowerTop);
    return upperTop != lowerTop && upperAt != stacking.end() && lowerAt != stacking.end() && upperAt > lowerAt;
  }

  // The top-level windows on the screen (a window manager's frames, or the
  // programs' own windows with none).
  std::size_t ViewableTopLevels() {
    const std::vector<xcb_window_t> windows = Children(m_root);
    return static_cast<std::size_t>(
        std::count_if(windows.begin(), windows.end(), [this](xcb_window_t window) { return IsViewable(window); }));
  }

  // The window that has the keyboard (the root window when none of the programs' has it).
  xcb_window_t InputFocus() {
    const Reply<xcb_get_input_focus_reply_t> focus(
        xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    return focus ? focus->focus : xcb_window_t{XCB_WINDOW_NONE};
  }

  // Unmapped by another program: the window manager withdraws it, while the
  // program still holds it shown.
  void Unmap(xcb_window_t window) {
    xcb_unmap_window(m_connection, window);
    xcb_flush(m_connection);
  }

 private:
  // A reply of the X server's, freed as the C binding wants.
  template <typename T>
  struct Reply : std::unique_ptr<T, decltype(&std::free)> {
    explicit Reply(T* reply) : std::unique_ptr<T, decltype(&std::free)>(reply, &std::free) {}
  };

  xcb_atom_t Atom(const char* name) {
    const auto length = static_cast<uint16_t>(std::string(name).size());
    const Reply<xcb_intern_atom_reply_t> atom(
        xcb_intern_atom_reply(m_connection, xcb_intern_atom(m_connection, 0, length, name), nullptr));
    return atom ? atom->atom : xcb_atom_t{XCB_ATOM_NONE};
  }

  bool HasProperty(xcb_window_t window, xcb_atom_t property) {
    const Reply<xcb_get_property_reply_t> value(xcb_get_property_reply(
        m_connection, xcb_get_property(m_connection, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1), nullptr));
    return value && value->type != XCB_ATOM_NONE;
  }

  std::vector<xcb_window_t> Children(xcb_window_t window) {
    const Reply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, window), nullptr));
    if (!tree) return {};
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    return std::vector<xcb_window_t>(children, children + xcb_query_tree_children_length(tree.get()));
  }

  xcb_window_t TopLevelOf(xcb_window_t window) {
    for (int depth = 0; depth < 8; ++depth) {
      const Reply<xcb_query_tree_reply_t> tree(
          xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, window), nullptr));
      if (!tree || tree->parent == m_root || tree->parent == XCB_WINDOW_NONE) return window;
      window = tree->parent;
    }
    return window;
  }

  xcb_connection_t* m_connection;
  xcb_window_t m_root = XCB_WINDOW_NONE;
};

class RecipeDlgUnderWindowManager : public ProgramInChildFixture {
 protected:
  static constexpr int kStarts = 30;
  static constexpr const char* kMainTitle = "RuvFrame[";
  static constexpr const char* kDialogTitle = "Recipe (Formula) Editor";

  // The helpers' environment: the display, and every per-user folder the test's own.
  std::vector<std::string> HelperEnvironment(const std::string& display) const {
    const char* path = std::getenv("PATH");
    return {"DISPLAY=" + display,
            std::string("PATH=") + (path ? path : "/usr/bin:/bin"),
            "HOME=" + dir.File("helpers"),
            "XDG_CONFIG_HOME=" + dir.File("helpers/config"),
            "XDG_CACHE_HOME=" + dir.File("helpers/cache"),
            "XDG_DATA_HOME=" + dir.File("helpers/data"),
            "XDG_RUNTIME_DIR=" + dir.Path()};
  }

  // Xvfb on a display number it picks, at 1366x768, reached by `xServer`; the
  // program to start on it with the recipe dialog's place kept from an earlier
  // run, shown.
  void StartXServer(const std::string& xvfb) {
    int displayPipe[2];
    ASSERT_EQ(::pipe2(displayPipe, O_CLOEXEC), 0);
    std::filesystem::create_directories(dir.File("helpers"));
    server = std::make_unique<Helper>(
        std::vector<std::string>{xvfb, "-displayfd", std::to_string(displayPipe[1]), "-screen", "0", "1366x768x24",
                                 "-nolisten", "tcp"},
        HelperEnvironment(""), displayPipe[1]);
    ::close(displayPipe[1]);
    const std::string display = ReadDisplayNumber(displayPipe[0]);
    ::close(displayPipe[0]);
    ASSERT_FALSE(display.empty()) << "Xvfb did not start";
    helperEnvironment = HelperEnvironment(display);
    xServer = std::make_unique<XServerView>(display);
    ASSERT_TRUE(xServer->Connected()) << "cannot reach the X server on " << display;
    dir.Write("config/RuvFrame Qelo.ini", "[Setting]\r\nRecipeDlg=633,22,1365,472,1,0\r\n");
    environmentOverrides = {"QT_QPA_PLATFORM=xcb", "DISPLAY=" + display};
  }

  // The X server's display, once it is ready ("" when it never said).
  static std::string ReadDisplayNumber(int from) {
    std::string number;
    const Clock::time_point end = Clock::now() + std::chrono::seconds(30);
    while (Clock::now() < end && number.find('\n') == std::string::npos) {
      pollfd ready{from, POLLIN, 0};
      if (::poll(&ready, 1, 100) <= 0) continue;
      char chunk[16];
      const ssize_t got = ::read(from, chunk, sizeof chunk);
      if (got <= 0) break;
      number.append(chunk, static_cast<std::size_t>(got));
    }
    if (number.find('\n') == std::string::npos) return "";
    return ":" + number.substr(0, number.find('\n'));
  }

  std::unique_ptr<Helper> server;
  std::unique_ptr<XServerView> xServer;
  std::vector<std::string> helperEnvironment;  // the display's, for the helpers
};

TEST_F(RecipeDlgUnderWindowManager, OnTheScreenAboveThePlantAfterEveryStartAndMappedAgainByTablesRecipe) {
  const std::string xvfb = FindOnPath("Xvfb"), openbox = FindOnPath("openbox"), xdotool = FindOnPath("xdotool");
  if (xvfb.empty() || openbox.empty() || xdotool.empty())
    GTEST_SKIP() << "needs Xvfb, openbox and xdotool on the PATH (scripts/bootstrap installs them)";

  ASSERT_NO_FATAL_FAILURE(StartXServer(xvfb));
  XServerView& x = *xServer;
  Helper windowManager({openbox}, helperEnvironment);
  ASSERT_TRUE(PollUntil([&] { return x.HasWindowManager(); }, std::chrono::seconds(30))) << "openbox did not start";

  std::vector<std::string> faults;
  int goodStarts = 0;
  for (int start = 1; start <= kStarts; ++start) {
    const std::string at = "start " + std::to_string(start) + ": ";
    Start();
    int status = 0;
    xcb_window_t main = XCB_WINDOW_NONE;
    ASSERT_TRUE(PollUntil(
        [&] {
          main = x.FindByName(kMainTitle);
          return (main != XCB_WINDOW_NONE && x.IsViewable(main)) || Ended(status);
        },
        std::chrono::seconds(60)))
        << at << "the main window never came";
    ASSERT_GT(m_pid, 0) << at << "the program ended by itself, status " << status << ": " << ErrorOutput();
    const xcb_window_t dialog = x.FindByName(kDialogTitle);
    ASSERT_NE(dialog, XCB_WINDOW_NONE) << at << "no recipe dialog";

    // On the screen above the plant, and staying there (a window manager that
    // lost the dialog withdraws it just after the main window comes).
    const auto onTop = [&] { return x.IsViewable(dialog) && x.IsAbove(dialog, main); };
    Clock::time_point since = Clock::now();
    const bool settled = PollUntil(
        [&] {
          if (!onTop()) since = Clock::now();
          return Clock::now() - since >= std::chrono::milliseconds(500);
        },
        std::chrono::seconds(10));
    bool good = settled;
    if (!settled)
      faults.push_back(at + (x.IsViewable(dialog) ? "the recipe dialog is under the main window"
                                                  : "the recipe dialog is not on the screen"));

    // Withdrawn by the window manager while the program holds it shown; Tables > Recipe brings it back.
    x.Unmap(dialog);
    ASSERT_TRUE(PollUntil([&] { return !x.IsViewable(dialog) && !x.IsManaged(dialog); }, std::chrono::seconds(10)))
        << at << "openbox did not withdraw the dialog";
    Helper menu({xdotool, "windowactivate", "--sync", std::to_string(main), "key", "--clearmodifiers", "alt", "sleep",
                 "0.3", "key", "Right", "Right", "Right", "Down", "Return"},
                helperEnvironment);
    int menuStatus = 0;
    EXPECT_TRUE(menu.Finished(std::chrono::seconds(20), &menuStatus)) << at << "xdotool did not end";
    if (!PollUntil(onTop, std::chrono::seconds(5))) {
      good = false;
      faults.push_back(at + "Tables > Recipe left the withdrawn dialog off the screen");
    }
    if (good) ++goodStarts;

    ASSERT_EQ(::kill(m_pid, SIGTERM), 0);
    ASSERT_TRUE(WaitFor([&] { return Ended(status); })) << at << "the program did not end";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << at << "status " << status << ": " << ErrorOutput();
  }
  std::string listed;
  for (const std::string& fault : faults) listed += "\n  " + fault;
  EXPECT_EQ(goodStarts, kStarts) << goodStarts << " of " << kStarts << " starts good:" << listed;
}

// The tag scout, opened beside the recipe dialog and then covered by it, comes
// above it and the plant once it has the keyboard, also when the keyboard is
// given to it without a click (the window manager raises only a window it
// activates itself).
TEST_F(RecipeDlgUnderWindowManager, TheTagScoutGivenTheKeyboardComesAboveTheRecipeDialogAndThePlant) {
  const std::string xvfb = FindOnPath("Xvfb"), openbox = FindOnPath("openbox"), xdotool = FindOnPath("xdotool");
  if (xvfb.empty() || openbox.empty() || xdotool.empty())
    GTEST_SKIP() << "needs Xvfb, openbox and xdotool on the PATH (scripts/bootstrap installs them)";
  ASSERT_NO_FATAL_FAILURE(StartXServer(xvfb));
  XServerView& x = *xServer;
  Helper windowManager({openbox}, helperEnvironment);
  ASSERT_TRUE(PollUntil([&] { return x.HasWindowManager(); }, std::chrono::seconds(30))) << "openbox did not start";
  const auto xdotoolRuns = [&](std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), xdotool);
    Helper run(arguments, helperEnvironment);
    int status = 0;
    return run.Finished(std::chrono::seconds(20), &status) && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  };

  const std::size_t windowManagersOwn = x.ViewableTopLevels();
  Start();
  int status = 0;
  xcb_window_t main = XCB_WINDOW_NONE, dialog = XCB_WINDOW_NONE;
  // The start is over once the splash window has gone (its end brings the main
  // window forward, and its owned windows with it).
  ASSERT_TRUE(PollUntil(
      [&] {
        main = x.FindByName(kMainTitle);
        dialog = x.FindByName(kDialogTitle);
        return (main != XCB_WINDOW_NONE && dialog != XCB_WINDOW_NONE && x.IsViewable(main) && x.IsViewable(dialog) &&
                x.IsAbove(dialog, main) && x.ViewableTopLevels() == windowManagersOwn + 2) ||
               Ended(status);
      },
      std::chrono::seconds(90)))
      << "the main window and the recipe dialog never came, or the splash window stayed";
  ASSERT_GT(m_pid, 0) << "the program ended by itself, status " << status << ": " << ErrorOutput();

  // Help > Show DataCenter Scout from the main window's keyboard, Ctrl+Shift
  // held until the scout is there (the program reads them as it runs the item).
  ASSERT_TRUE(xdotoolRuns({"windowactivate", "--sync", std::to_string(main), "sleep", "0.3", "key",
                           "--clearmodifiers", "alt", "sleep", "0.3", "key", "Right", "Right", "Right", "Right",
                           "Right", "Right", "Down", "sleep", "0.3", "keydown", "Control_L", "keydown", "Shift_L",
                           "key", "Return"}));
  xcb_window_t scout = XCB_WINDOW_NONE;
  const bool opened = PollUntil(
      [&] {
        scout = x.FindByName("RuvFrame DataCenter Scout");
        return scout != XCB_WINDOW_NONE && x.IsViewable(scout);
      },
      std::chrono::seconds(30));
  ASSERT_TRUE(xdotoolRuns({"keyup", "Shift_L", "keyup", "Control_L"}));
  ASSERT_TRUE(opened) << "the tag scout did not open";

  // Shown and settled above the plant (its opening raises it once more).
  const auto staysSo = [&](const std::function<bool()>& holds) {
    Clock::time_point since = Clock::now();
    return PollUntil(
        [&] {
          if (!holds()) since = Clock::now();
          return Clock::now() - since >= std::chrono::seconds(1);
        },
        std::chrono::seconds(20));
  };
  ASSERT_TRUE(staysSo([&] { return x.IsAbove(scout, dialog); })) << "the scout did not open above the recipe dialog";
  // The recipe dialog activated covers it...
  ASSERT_TRUE(xdotoolRuns({"windowactivate", "--sync", std::to_string(dialog)}));
  ASSERT_TRUE(staysSo([&] { return x.IsAbove(dialog, scout); }))
      << "the recipe dialog activated did not come above the scout";
  // ...until the scout has the keyboard.
  ASSERT_TRUE(xdotoolRuns({"windowfocus", "--sync", std::to_string(scout)})) << "no keyboard on the scout";
  EXPECT_TRUE(PollUntil([&] { return x.IsAbove(scout, dialog) && x.IsAbove(scout, main); }, std::chrono::seconds(10)))
      << "the scout has the keyboard (window " << x.InputFocus() << ", the scout is " << scout
      << ") but stays under the recipe dialog";

  ASSERT_EQ(::kill(m_pid, SIGTERM), 0);
  ASSERT_TRUE(WaitFor([&] { return Ended(status); })) << "the program did not end";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status << ": " << ErrorOutput();
}

// With no window manager nothing gives the keyboard back when a window goes:
// the X server hands it to the root window. The recipe dialog closed by
// Escape and by its Close button (Alt+C) gives it to the main window, where
// Tables > Recipe brings the dialog back.
TEST_F(RecipeDlgUnderWindowManager, ClosedWithNoWindowManagerTheRecipeDialogGivesTheKeyboardToTheMainWindow) {
  const std::string xvfb = FindOnPath("Xvfb"), xdotool = FindOnPath("xdotool");
  if (xvfb.empty() || xdotool.empty())
    GTEST_SKIP() << "needs Xvfb and xdotool on the PATH (scripts/bootstrap installs them)";
  ASSERT_NO_FATAL_FAILURE(StartXServer(xvfb));
  XServerView& x = *xServer;
  ASSERT_FALSE(x.HasWindowManager());
  const auto xdotoolRuns = [&](std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), xdotool);
    Helper run(arguments, helperEnvironment);
    int status = 0;
    return run.Finished(std::chrono::seconds(20), &status) && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  };

  Start();
  int status = 0;
  xcb_window_t main = XCB_WINDOW_NONE, dialog = XCB_WINDOW_NONE;
  ASSERT_TRUE(PollUntil(
      [&] {
        main = x.FindByName(kMainTitle);
        dialog = x.FindByName(kDialogTitle);
        return (main != XCB_WINDOW_NONE && dialog != XCB_WINDOW_NONE && x.IsViewable(main) && x.IsViewable(dialog)) ||
               Ended(status);
      },
      std::chrono::seconds(60)))
      << "the main window and the recipe dialog never came";
  // The start is over once the splash window has gone and its end brought the main window forward.
  ASSERT_TRUE(PollUntil([&] { return (x.ViewableTopLevels() == 2 && x.InputFocus() == main) || Ended(status); },
                        std::chrono::seconds(90)))
      << "the splash window stayed";
  ASSERT_GT(m_pid, 0) << "the program ended by itself, status " << status << ": " << ErrorOutput();

  for (const char* key : {"Escape", "alt+c"}) {
    const std::string with = std::string("closed with ") + key + ": ";
    ASSERT_TRUE(xdotoolRuns({"windowfocus", "--sync", std::to_string(dialog)})) << with << "no keyboard on the dialog";
    ASSERT_TRUE(xdotoolRuns({"sleep", "0.3", "key", "--clearmodifiers", key})) << with << "xdotool failed";
    ASSERT_TRUE(PollUntil([&] { return !x.IsViewable(dialog); }, std::chrono::seconds(10)))
        << with << "the dialog stayed on the screen";
    EXPECT_TRUE(PollUntil([&] { return x.InputFocus() == main; }, std::chrono::seconds(5)))
        << with << "the keyboard is on window " << x.InputFocus() << ", not on the main window " << main;
    // Tables > Recipe from the main window's keyboard (given to it here should the close not have).
    ASSERT_TRUE(xdotoolRuns({"windowfocus", "--sync", std::to_string(main), "sleep", "0.3", "key", "--clearmodifiers",
                             "alt", "sleep", "0.3", "key", "Right", "Right", "Right", "Down", "Return"}));
    ASSERT_TRUE(PollUntil([&] { return x.IsViewable(dialog); }, std::chrono::seconds(10)))
        << with << "Tables > Recipe did not bring the dialog back";
  }
  ASSERT_EQ(::kill(m_pid, SIGTERM), 0);
  ASSERT_TRUE(WaitFor([&] { return Ended(status); })) << "the program did not end";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status << ": " << ErrorOutput();
}

}  // namespace
