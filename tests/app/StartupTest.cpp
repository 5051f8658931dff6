// The application's start and exit: the second instance, the settings file's
// checks, the splash from the start to its end, the commands of its own, and a
// whole run closed with Yes.
#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <QWidget>
#include <QWindow>

#include "PlantFormFixture.h"
#include "app/AboutDlg.h"
#include "app/RecipeDlg.h"
#include "app/SplashDriver.h"
#include "common/IniFile.h"
#include "common/ProcessUtils.h"
#include "controls/CNemLabel.h"
#include "controls/CSplashScreenEx.h"
#include "datacenter/EngineServices.h"
#include "datacenter/RAttrib.h"
#include "datacenter/RAttribsPack.h"
#include "engine/ProcessEngineApp.h"
#include "links/OpcServer.h"
#include "platform/base/ProfileStore.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/MessageCore.h"
#include "platform/ui/MonitorWorkArea.h"
#include "platform/ui/WindowTimers.h"
#include "plant/PlantModel.h"
#include "records/TableEngineServices.h"
#include "shapes/BaseShape.h"
#include "shapes/Vessel.h"
#include "support/FakeClock.h"

namespace {

const char* const kCloseQuestionText = "Application will be closed.\r\nAre you sure?";
const char* const kSecondStart = "The second execution of RuvFrame is starting!";

bool TakeSingleInstanceLock(int fd) { return ::flock(fd, LOCK_EX | LOCK_NB) == 0; }

bool TakeDatabaseLock(int fd) {
  struct flock whole{};
  whole.l_type = F_WRLCK;
  whole.l_whence = SEEK_SET;
  return ::fcntl(fd, F_OFD_SETLK, &whole) == 0;
}

// Whether a program starting now could take the lock beside the database (a
// descriptor of its own conflicts with this process's too).
bool CouldTakeDatabaseLock(const std::string& lockPath) {
  const int fd = ::open(lockPath.c_str(), O_RDWR | O_CLOEXEC);
  const bool taken = fd >= 0 && TakeDatabaseLock(fd);
  if (fd >= 0) ::close(fd);
  return taken;
}

// Another process holding a lock file until it is killed: the single-instance
// lock (another program of this session), or the lock beside the database
// (another program on the same database, of another user or session).
class LockHoldingProcess {
 public:
  LockHoldingProcess(const std::string& lockPath, bool (*take)(int fd)) {
    int ready[2];
    EXPECT_EQ(::pipe(ready), 0);
    m_pid = ::fork();
    if (m_pid == 0) {
      // Only async-signal-safe calls after the fork.
      const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
      const char locked = (fd >= 0 && take(fd)) ? 'y' : 'n';
      [[maybe_unused]] const ssize_t written = ::write(ready[1], &locked, 1);
      for (;;) ::pause();
    }
    char locked = 'n';
    EXPECT_EQ(::read(ready[0], &locked, 1), 1);
    EXPECT_EQ(locked, 'y');
    ::close(ready[0]);
    ::close(ready[1]);
  }
  ~LockHoldingProcess() {
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
  }
 private:
  pid_t m_pid = -1;
};

// A disk with no room left, as the system reports it to SQLite while it lives:
// the shared-memory file beside the database cannot grow and no write goes
// in, both for want of space (ENOSPC). It is the default file system then.
class FullDiskFileSystem {
 public:
  FullDiskFileSystem() {
    s_real = sqlite3_vfs_find(nullptr);
    s_full = *s_real;
    s_full.zName = "full-disk";
    s_full.pNext = nullptr;
    s_full.szOsFile = static_cast<int>(sizeof(File)) + s_real->szOsFile;
    s_full.xOpen = &Open;
    s_full.xGetLastError = [](sqlite3_vfs*, int, char*) { return ENOSPC; };
    EXPECT_EQ(sqlite3_vfs_register(&s_full, 1), SQLITE_OK);
  }
  ~FullDiskFileSystem() {
    sqlite3_vfs_unregister(&s_full);
    sqlite3_vfs_register(s_real, 1);
  }

 private:
  struct File {
    sqlite3_file base;
    sqlite3_file* real;
  };
  static sqlite3_file* Real(sqlite3_file* file) { return reinterpret_cast<File*>(file)->real; }
  static const sqlite3_io_methods& Of(sqlite3_file* file) { return *Real(file)->pMethods; }
  static int Open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
    File* own = reinterpret_cast<File*>(file);
    own->real = reinterpret_cast<sqlite3_file*>(own + 1);
    const int rc = s_real->xOpen(s_real, name, own->real, flags, outFlags);
    own->base.pMethods = rc == SQLITE_OK && own->real->pMethods ? Methods(own->real->pMethods) : nullptr;
    return rc;
  }
  static const sqlite3_io_methods* Methods(const sqlite3_io_methods* real) {
    // Each file goes on with its own methods (the journal's have no shared memory).
    static sqlite3_io_methods methods;
    methods.iVersion = real->iVersion;
    methods.xClose = [](sqlite3_file* f) { return Of(f).xClose(Real(f)); };
    methods.xRead = [](sqlite3_file* f, void* to, int n, sqlite3_int64 at) { return Of(f).xRead(Real(f), to, n, at); };
    methods.xWrite = [](sqlite3_file*, const void*, int, sqlite3_int64) { return SQLITE_FULL; };
    methods.xTruncate = [](sqlite3_file* f, sqlite3_int64 size) { return Of(f).xTruncate(Real(f), size); };
    methods.xSync = [](sqlite3_file* f, int flags) { return Of(f).xSync(Real(f), flags); };
    methods.xFileSize = [](sqlite3_file* f, sqlite3_int64* size) { return Of(f).xFileSize(Real(f), size); };
    methods.xLock = [](sqlite3_file* f, int level) { return Of(f).xLock(Real(f), level); };
    methods.xUnlock = [](sqlite3_file* f, int level) { return Of(f).xUnlock(Real(f), level); };
    methods.xCheckReservedLock = [](sqlite3_file* f, int* out) { return Of(f).xCheckReservedLock(Real(f), out); };
    methods.xFileControl = [](sqlite3_file* f, int op, void* arg) { return Of(f).xFileControl(Real(f), op, arg); };
    methods.xSectorSize = [](sqlite3_file* f) { return Of(f).xSectorSize(Real(f)); };
    methods.xDeviceCharacteristics = [](sqlite3_file* f) { return Of(f).xDeviceCharacteristics(Real(f)); };
    methods.xShmMap = [](sqlite3_file* f, int region, int size, int extend, void volatile** out) {
      if (extend) return SQLITE_IOERR_SHMSIZE;
      return Of(f).xShmMap(Real(f), region, size, extend, out);
    };
    methods.xShmLock = [](sqlite3_file* f, int at, int n, int flags) { return Of(f).xShmLock(Real(f), at, n, flags); };
    methods.xShmBarrier = [](sqlite3_file* f) { Of(f).xShmBarrier(Real(f)); };
    methods.xShmUnmap = [](sqlite3_file* f, int remove) { return Of(f).xShmUnmap(Real(f), remove); };
    methods.xFetch = [](sqlite3_file* f, sqlite3_int64 at, int n, void** out) { return Of(f).xFetch(Real(f), at, n, out); };
    methods.xUnfetch = [](sqlite3_file* f, sqlite3_int64 at, void* p) { return Of(f).xUnfetch(Real(f), at, p); };
    return &methods;
  }
  static inline sqlite3_vfs* s_real = nullptr;
  static inline sqlite3_vfs s_full{};
};

class CountingScout : public CDialog {
 public:
  CountingScout() { ++made; }
  ~CountingScout() override { ++gone; }
  static inline int made = 0;
  static inline int gone = 0;
};

class Startup : public PlantFormFixture {
 protected:
  Startup() { profile::SetPathOverride(ProfilePath()); }
  ~Startup() override { profile::SetPathOverride(""); }
  std::string ProfilePath() const { return dir.File("profile.ini"); }
  std::string SettingsPath() const { return dir.File("Qelo-Setting.ini"); }
  bool Exists(const std::string& path) const { return std::filesystem::exists(path); }
  // A start refused by its checks leaves nothing behind.
  void ExpectNothingStarted() {
    EXPECT_EQ(theApp.m_pMainWnd, nullptr);
    EXPECT_EQ(theApp.GetSplashDriver(), nullptr);
    EXPECT_EQ(GetEngineRoot(), nullptr);
    EXPECT_FALSE(Exists(ProfilePath()));
  }
};

}  // namespace

TEST_F(Startup, ASecondInstanceIsRefusedWithoutAWindowOrAFileUnlessCtrlAndShiftAreHeld) {
  MakeDatabase();
  const std::string settings = dir.Read("Qelo-Setting.ini");
  LockHoldingProcess other(SingleInstanceLockPath(kRegistryName), TakeSingleInstanceLock);
  boxes.Expect(IDOK, kAlreadyRunningText);
  EXPECT_FALSE(theApp.InitInstance());
  EXPECT_EQ(boxes.Count(), 1u);
  ExpectNothingStarted();
  EXPECT_EQ(dir.Read("Qelo-Setting.ini"), settings);
  EXPECT_EQ(theApp.ExitInstance(), kRefusedStartExitCode);  // a refused start, as every other

  ScopedKeyState keys;
  keys.Press(VK_CONTROL);
  keys.Press(VK_SHIFT);
  boxes.Expect(IDOK, kSecondStart);
  EXPECT_TRUE(StartApplication());
  EXPECT_EQ(boxes.Count(), 2u);
  EXPECT_TRUE(main->IsZoomed());
}

TEST_F(Startup, AMissingOrReadOnlySettingsFileEndsTheStartWithOneBoxAFailureCodeAndIsLeftAsItWas) {
  MakeDatabase();
  std::filesystem::remove(SettingsPath());
  boxes.Expect(IDOK, "Setting file not found!\n" + SettingsPath());
  EXPECT_FALSE(theApp.InitInstance());
  EXPECT_EQ(boxes.Count(), 1u);
  ExpectNothingStarted();
  EXPECT_FALSE(Exists(SettingsPath()));
  // Whoever started the program learns that it did not run.
  EXPECT_EQ(theApp.ExitInstance(), kRefusedStartExitCode);

  // Each start takes its own lock; the refused one kept it.
  const std::string runtime = dir.File("second-run");
  std::filesystem::create_directory(runtime);
  ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  dir.Write("Qelo-Setting.ini", ReadFile(std::string(RUV_DATA_DIR "/Qelo-Setting.ini")));
  const std::string settings = dir.Read("Qelo-Setting.ini");
  ::chmod(SettingsPath().c_str(), 0444);
  boxes.Expect(IDOK, "Setting file is Read-Only!\n" + SettingsPath());
  EXPECT_FALSE(theApp.InitInstance());
  EXPECT_EQ(boxes.Count(), 2u);
  ExpectNothingStarted();
  EXPECT_EQ(dir.Read("Qelo-Setting.ini"), settings);
  ::chmod(SettingsPath().c_str(), 0644);
  EXPECT_EQ(theApp.ExitInstance(), kRefusedStartExitCode);
}

TEST_F(Startup, AFolderAtTheSettingsFilesNameIsRefusedAsAMissingFileIs) {
  MakeDatabase();
  std::filesystem::remove(SettingsPath());
  std::filesystem::create_directory(SettingsPath());
  boxes.Expect(IDOK, "Setting file not found!\n" + SettingsPath());
  EXPECT_FALSE(theApp.InitInstance());
  EXPECT_EQ(boxes.Count(), 1u);
  ExpectNothingStarted();
  EXPECT_TRUE(std::filesystem::is_directory(SettingsPath()));
  EXPECT_EQ(theApp.ExitInstance(), kRefusedStartExitCode);
}

TEST_F(Startup, ASecondProgramOnADatabaseAnotherProgramHasOpenIsRefusedBeforeItTouchesItWhateverItsSession) {
  MakeDatabase();
  const std::string lockPath = DatabasePath() + kDatabaseInUseSuffix;
  const std::string database = dir.Read("Qelo-DataBase.mdb");
  {
    LockHoldingProcess other(lockPath, TakeDatabaseLock);
    boxes.Expect(IDOK, kDatabaseInUseText + DatabasePath());
    EXPECT_FALSE(theApp.InitInstance());
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].caption, "RuvFrame");
    EXPECT_EQ(boxes.Boxes()[0].style, static_cast<UINT>(MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL));
    ExpectNothingStarted();
    EXPECT_EQ(dir.Read("Qelo-DataBase.mdb"), database);
    for (const char* beside : {"-wal", "-shm", ".kept.txt", ".unwritten.txt"})
      EXPECT_FALSE(Exists(DatabasePath() + beside)) << beside;
    EXPECT_EQ(theApp.ExitInstance(), kRefusedStartExitCode);
  }

  // The program that starts holds it for its life against every other, and
  // lets it go at its exit (the refused start kept its single-instance lock).
  const std::string runtime = dir.File("second-run");
  std::filesystem::create_directory(runtime);
  ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  ASSERT_TRUE(StartApplication());
  StopCycles();
  EXPECT_FALSE(CouldTakeDatabaseLock(lockPath));
  EXPECT_EQ(CloseApplication(), 0);
  EXPECT_TRUE(CouldTakeDatabaseLock(lockPath));
}

// A lock taken through a link would lock the database itself (every write of
// this program then "locked") or a file another database's lock shares; a
// pipe could hold the start. Each refuses the start, said once, left as it is.
TEST_F(Startup, ALinkOrAPipeAtTheLockFilesNameRefusesTheStartWithOneBoxAndIsLeftAsItIs) {
  MakeDatabase();
  const std::string lockPath = DatabasePath() + kDatabaseInUseSuffix;
  const std::string database = dir.Read("Qelo-DataBase.mdb");
  struct LockNameCase {
    const char* said;
    std::function<void()> put;
    mode_t kind;
  };
  const LockNameCase cases[] = {
      {"a symbolic link", [&] { std::filesystem::create_symlink(DatabasePath(), lockPath); }, S_IFLNK},
      {"the database file itself", [&] { std::filesystem::create_hard_link(DatabasePath(), lockPath); }, S_IFREG},
      {"a named pipe", [&] { ASSERT_EQ(::mkfifo(lockPath.c_str(), 0666), 0); }, S_IFIFO},
  };
  std::size_t shown = 0;
  for (const LockNameCase& each : cases) {
    SCOPED_TRACE(each.said);
    // Each start takes its own single-instance lock; a refused one keeps it.
    const std::string runtime = dir.File(std::string("run-") + std::to_string(shown));
    std::filesystem::create_directory(runtime);
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    each.put();
    boxes.Expect(IDOK, kDatabaseLockNotOwnText + lockPath + "\n(" + each.said + ")");
    EXPECT_FALSE(theApp.InitInstance());
    ASSERT_EQ(boxes.Count(), ++shown);
    EXPECT_EQ(boxes.Boxes().back().style, static_cast<UINT>(MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL));
    ExpectNothingStarted();
    EXPECT_EQ(theApp.ExitInstance(), kRefusedStartExitCode);
    struct stat st{};
    ASSERT_EQ(::lstat(lockPath.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & S_IFMT, each.kind);
    EXPECT_EQ(dir.Read("Qelo-DataBase.mdb"), database);
    std::filesystem::remove(lockPath);
  }
}

TEST_F(Startup, AStartOnAFullDiskSaysWhatTheSystemSaidAndNeverThatATableIsMissing) {
  MakeDatabase();
  boxes.SetDefaultAnswer(IDOK);
  {
    FullDiskFileSystem full;
    StartApplication();  // the form may show: the start ends through its quit
  }
  const std::vector<ScriptedMessageBox::Shown> shown = boxes.Boxes();
  ASSERT_FALSE(shown.empty());
  EXPECT_NE(shown.front().text.find("No space left on device"), std::string::npos) << shown.front().text;
  for (const ScriptedMessageBox::Shown& box : shown)
    EXPECT_EQ(box.text.find("Cannot find the table"), std::string::npos) << box.text;
  EXPECT_TRUE(IsQuitPosted());  // the start ends
}

TEST_F(Startup, TheSplashShowsTheBannerUntilThreeSecondsAfterThePlantShowsThenTheMainWindowComesForward) {
  MakeDatabase();
  ASSERT_TRUE(StartApplication());
  StopCycles();
  // The clock stands still from here: the splash's stopwatches run on it.
  FakeClock clock(GetTickCount());
  clock.Install();
  CSplashDriver* driver = theApp.GetSplashDriver();
  ASSERT_NE(driver, nullptr);
  CSplashScreenEx* splash = driver->GetSplash();
  ASSERT_NE(splash, nullptr);
  EXPECT_TRUE(splash->IsWindowVisible());
  EXPECT_EQ(splash->GetSplashStyle(), 0x2Fu);
  EXPECT_EQ(splash->GetTextRect(), CRect(180, 55, 510, 75));
  EXPECT_EQ(splash->GetTextFormat(), 0x24u);
  EXPECT_EQ(splash->GetOwner(), driver);
  EXPECT_FALSE(driver->IsWindowVisible());
  // The form's creation gave the banner; the counter starts at 1.
  const std::string banner = "RuvFrame[2k8] ZoruVarediz Melo [#";
  EXPECT_EQ(splash->GetText().substr(0, banner.size()), banner);

  const HWND driverHandle = driver->GetSafeHwnd();
  const HWND splashHandle = splash->GetSafeHwnd();
  ASSERT_TRUE(FireTimerNow(driverHandle, CSplashDriver::kStepTimer));  // sees the plant visible
  EXPECT_TRUE(driver->GetProgress()->SinceFormShown().IsRunning());
  // (A step may have come while the cycles stopped, on the real clock.)
  const DWORD shownFor = driver->GetProgress()->SinceFormShown().GetElapsedMs();
  ASSERT_LT(shownFor, 3000u);
  clock.Advance(2999 - shownFor);
  ASSERT_TRUE(FireTimerNow(driverHandle, CSplashDriver::kStepTimer));
  EXPECT_NE(CWnd::FromHandle(splashHandle), nullptr);
  clock.Advance(1);
  ASSERT_TRUE(FireTimerNow(driverHandle, CSplashDriver::kStepTimer));
  EXPECT_EQ(CWnd::FromHandle(splashHandle), nullptr);
  EXPECT_EQ(CWnd::FromHandle(driverHandle), nullptr);
  EXPECT_EQ(theApp.GetSplashDriver(), nullptr);
  EXPECT_TRUE(main->IsWindowVisible());
  EXPECT_TRUE(main->IsZoomed());
}

TEST_F(Startup, ABoxShownWhileTheSplashRunsTakesTheSplashAwayAndTheStartGoesOn) {
  MakeDatabase();
  // Mixer 1's level bound to a serial register although it is calculated from
  // its port: the start asks what to do about it.
  std::string tags = dir.Read("Qelo-DCTags.dct");
  const std::string unbound = "1,Mixer1.Level,NULL,NULL,NULL,Float,NULL,0,0,";
  const std::size_t at = tags.find(unbound);
  ASSERT_NE(at, std::string::npos);
  tags.replace(at, unbound.size(), "1,Mixer1.Level,SRL,MBRTU16-DA1-REG40001-FP2-UR100-TOB50,INPUT,Float,NULL,0,0,");
  dir.Write("Qelo-DCTags.dct", tags);
  // The plant's shapes live as long as the process: a start before this one
  // left Mixer 1 with its tag names (a name set again binds nothing) and its
  // level port where this start puts it again, and the check runs only when
  // the port value changes. Mixer 1 begins as a fresh process has it.
  C_Vessel& mixer1 = g_vessels[ePlantMixer1];
  for (int index = 0; index < mixer1.GetAttribCount(); ++index)
    if (CRAttrib* attrib = mixer1.GetAttrib(index)) attrib->SetTagByName("");
  CRAttrib* port = mixer1.GetAttrib(static_cast<int>(eVesselLevel) + static_cast<int>(eAnalogPort));
  ASSERT_NE(port, nullptr);
  port->SetValue(Variant::R4(0.0f));
  boxes.SetDefaultAnswer(IDOK);
  int shown = 0;
  bool splashRunning = false;
  bool splashVisible = false;
  boxes.SetOnShow([&](const std::string& text) {
    if (text.find("Invalid internal hard code configuration!") == std::string::npos) return;
    ++shown;
    const CSplashDriver* driver = theApp.GetSplashDriver();
    splashRunning = driver != nullptr;
    splashVisible = driver && driver->GetSplash() && driver->GetSplash()->IsWindowVisible();
  });
  ASSERT_TRUE(StartApplication());
  boxes.SetOnShow(nullptr);
  StopCycles();
  EXPECT_EQ(shown, 1);
  EXPECT_TRUE(splashRunning);  // the box came while the splash's time ran
  // The top-most splash would have covered the box and what it says.
  EXPECT_FALSE(splashVisible);
  EXPECT_TRUE(main->IsWindowVisible());
}

namespace {

// The screen rectangles of the plant's shapes and labels with the main window
// maximised on `area`, each named.
std::vector<std::pair<std::string, CRect>> PlantRectsMaximisedOn(CWnd& main, CWnd& view, const CRect& area) {
  CRect mainRect;
  main.GetWindowRect(&mainRect);
  std::vector<std::pair<std::string, CRect>> rects;
  const auto add = [&](const std::string& name, CWnd& window) {
    CRect rect;
    window.GetWindowRect(&rect);
    rect.OffsetRect(area.left - mainRect.left, area.top - mainRect.top);
    rects.emplace_back(name, rect);
  };
  for (C_BaseShape* shape : GetPlantShapes())
    if (shape->GetSafeHwnd()) add("shape " + shape->GetWindowText(), *shape);
  for (CWnd* child : view.GetChildren())
    if (dynamic_cast<CNemLabel*>(child) && (child->GetStyle() & WS_VISIBLE)) add("label " + child->GetWindowText(), *child);
  return rects;
}

std::int64_t CoveredArea(const CRect& window, const std::vector<CRect>& rects) {
  std::int64_t covered = 0;
  for (const CRect& rect : rects) {
    CRect common;
    if (common.IntersectRect(&window, &rect)) covered += static_cast<std::int64_t>(common.Width()) * common.Height();
  }
  return covered;
}

}  // namespace

TEST_F(Startup, TheRecipeDialogOpensWhereItHidesTheLeastOfThePlantAndWhereTheOperatorLeftItAtTheNextStart) {
  MakeDatabase();
  ASSERT_TRUE(StartApplication());
  StopCycles();
  CRecipeDlg* recipes = view->GetRecipeDlg();
  ASSERT_NE(recipes, nullptr);
  EXPECT_TRUE(recipes->IsWindowVisible());
  EXPECT_TRUE(main->IsZoomed());
  // Where the form puts it on this screen (a window manager frames it a
  // moment after it shows).
  CRect placed;
  recipes->GetWindowRect(&placed);
  const CRect area = GetWorkAreaNearestPoint(CPoint(placed.left, placed.top));
  WaitPumping([&] {
    recipes->GetWindowRect(&placed);
    return placed == view->FindPlaceBesidePlant(area, placed.Size());
  }, 10000);
  EXPECT_EQ(placed, view->FindPlaceBesidePlant(area, placed.Size()));

  // On the screens the plant is made for, it stays on the screen and covers
  // as little of the shapes as any place there can: none where some place
  // covers none of them with a few pixels to spare. The wide screen has such
  // a place beside the plant.
  for (const CRect& screen : {CRect(0, 0, 1600, 1000), CRect(0, 0, 1280, 1024)}) {
    const CRect first = view->FindPlaceBesidePlant(screen, placed.Size());
    const std::string where = std::to_string(screen.Width()) + "x" + std::to_string(screen.Height()) + ": " +
                              std::to_string(first.left) + "," + std::to_string(first.top) + " " +
                              std::to_string(first.Width()) + "x" + std::to_string(first.Height());
    EXPECT_GE(first.left, screen.left) << where;
    EXPECT_GE(first.top, screen.top) << where;
    EXPECT_LE(first.right, screen.right) << where;
    EXPECT_LE(first.bottom, screen.bottom) << where;
    const auto plant = PlantRectsMaximisedOn(*main, *view, screen);
    std::vector<CRect> shapes, spared;
    for (const auto& [name, rect] : plant) {
      if (name.rfind("shape", 0) != 0) continue;
      shapes.push_back(rect);
      spared.push_back(rect);
      spared.back().InflateRect(8, 8);
    }
    EXPECT_EQ(shapes.size(), GetPlantShapes().size());
    std::int64_t least = INT64_MAX;
    for (int left = screen.left; left + first.Width() <= screen.right; left += 4)
      for (int top = screen.top; top + first.Height() <= screen.bottom; top += 4)
        least = std::min(least, CoveredArea(CRect(CPoint(left, top), first.Size()), spared));
    EXPECT_LE(CoveredArea(first, shapes), least) << where;
    if (screen.Width() == 1600) {
      for (const auto& [name, rect] : plant) {
        if (name.rfind("shape", 0) != 0) continue;
        CRect common;
        EXPECT_FALSE(common.IntersectRect(&first, &rect))
            << where << " meets " << name << " at " << rect.left << "," << rect.top << "," << rect.right << ","
            << rect.bottom;
      }
    }
  }

  // Placed where the operator left it at the next start, and no larger.
  recipes->SetWindowPos(nullptr, area.left + 40, area.top + 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  recipes->GetWindowRect(&placed);
  CloseApplication();
  // Each start takes its own lock.
  const std::string runtime = dir.File("second-run");
  std::filesystem::create_directory(runtime);
  ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  ASSERT_TRUE(StartApplication());
  StopCycles();
  CRect reopened;
  view->GetRecipeDlg()->GetWindowRect(&reopened);
  EXPECT_EQ(reopened, placed) << reopened.left << "," << reopened.top << "," << reopened.right << ","
                              << reopened.bottom << " against " << placed.left << "," << placed.top << ","
                              << placed.right << "," << placed.bottom;
}

TEST_F(Startup, TheRecipeDialogAndTheScoutAreTransientForTheMainWindowSoAWindowManagerKeepsThemAboveIt) {
  MakeDatabase();
  ASSERT_TRUE(StartApplication());
  StopCycles();
  DialogTemplate scoutTemplate;
  scoutTemplate.id = CRuvEngineBase::kScoutTemplateId;
  scoutTemplate.cx = scoutTemplate.cy = 80;
  RegisterDialogTemplate(scoutTemplate);
  CRuvEngineBase::SetScoutDialogFactory([] { return std::make_unique<CountingScout>(); });
  main->SendMessage(WM_COMMAND, ID_SHOW_DATACENTER_SCOUT);
  CRuvEngineBase::SetScoutDialogFactory(nullptr);
  const QWindow* mainWindow = main->GetWidget()->windowHandle();
  ASSERT_NE(mainWindow, nullptr);
  const std::pair<const char*, CWnd*> dialogs[] = {{"recipe dialog", view->GetRecipeDlg()},
                                                   {"scout", GetEngineRoot()->GetScoutDialog()}};
  for (const auto& [name, dialog] : dialogs) {
    ASSERT_NE(dialog, nullptr) << name;
    const QWidget* widget = dialog->GetWidget();
    EXPECT_TRUE(widget->isVisible()) << name;
    // What a window manager stacks by; never above other programs' windows.
    ASSERT_NE(widget->windowHandle(), nullptr) << name;
    EXPECT_EQ(widget->windowHandle()->transientParent(), mainWindow) << name;
    EXPECT_EQ(widget->windowType(), Qt::Dialog) << name;
    EXPECT_FALSE(widget->windowFlags() & Qt::WindowStaysOnTopHint) << name;
  }
}

TEST_F(Startup, AboutScoutAndYesEndTheRunWithCodeZeroAndTheExitLeavesTheSeamsToTheirStandIns) {
  MakeDatabase();
  ASSERT_TRUE(StartApplication());
  StopCycles();
  CRuvEngineApp* engine = GetEngineRoot();
  ASSERT_NE(engine, nullptr);
  EXPECT_EQ(GetEngine(), engine);
  EXPECT_EQ(GetTableEngine(), engine);
  EXPECT_NE(C_BaseShape::GetIniTableEntry(1), nullptr);
  EXPECT_EQ(COpcServer::GetMainWindow(), main->GetSafeHwnd());
  EXPECT_EQ(GetProcessEngine().GetFileName(), dir.File("Qelo-ProcessRecovery.dat"));
  // A click closes the splash early; its steps go on without it.
  CSplashDriver* driver = theApp.GetSplashDriver();
  ASSERT_NE(driver, nullptr);
  EXPECT_TRUE(driver->GetSplash()->PreTranslateMessage(WM_LBUTTONDOWN, 0, 0));
  EXPECT_EQ(driver->GetSplash(), nullptr);
  EXPECT_TRUE(FireTimerNow(driver->GetSafeHwnd(), CSplashDriver::kStepTimer));

  bool aboutShown = false;
  modal_script::Push([&](CDialog& dialog) {
    aboutShown = dynamic_cast<CAboutDlg*>(&dialog) != nullptr && dialog.GetTemplateId() == 100u;
    EXPECT_EQ(dialog.GetDlgItemText(IDC_ABOUT_BANNER), kBuildBanner);
    dialog.EndDialog(IDOK);
  });
  main->SendMessage(WM_COMMAND, ID_APP_ABOUT);
  EXPECT_TRUE(aboutShown);

  DialogTemplate scoutTemplate;
  scoutTemplate.id = CRuvEngineBase::kScoutTemplateId;
  scoutTemplate.cx = scoutTemplate.cy = 80;
  RegisterDialogTemplate(scoutTemplate);
  CRuvEngineBase::SetScoutDialogFactory([] { return std::make_unique<CountingScout>(); });
  CountingScout::made = CountingScout::gone = 0;
  main->SendMessage(WM_COMMAND, ID_SHOW_DATACENTER_SCOUT);
  main->SendMessage(WM_COMMAND, ID_SHOW_DATACENTER_SCOUT);  // the same scout, brought forward
  EXPECT_EQ(CountingScout::made, 1);

  boxes.Expect(IDYES, kCloseQuestionText);
  main->SendMessage(WM_CLOSE);
  EXPECT_EQ(CountingScout::gone, 1);  // closed with the confirmed close
  EXPECT_EQ(theApp.Run(), 0);
  CRuvEngineBase::SetScoutDialogFactory(nullptr);
  EXPECT_EQ(theApp.GetSplashDriver(), nullptr);
  EXPECT_EQ(GetEngineRoot(), nullptr);
  EXPECT_NE(GetEngine(), engine);
  EXPECT_NE(GetTableEngine(), engine);
  EXPECT_EQ(GetProcessDataGen(), nullptr);
  EXPECT_EQ(C_BaseShape::GetIniTableEntry(1), nullptr);
  EXPECT_EQ(COpcServer::GetMainWindow(), nullptr);

  // No engine at all: the table is freed all the same.
  C_BaseShape::InitIniTable(2);
  C_BaseShape::SetIniTableEntry(1, std::make_unique<CIniFile>(SettingsPath()));
  theApp.ExitInstance();
  EXPECT_EQ(C_BaseShape::GetIniTableEntry(1), nullptr);
}
