#pragma once
// The frame every hardware link is built on. The engine is a hidden window that
// listens to the tags it serves (a value written into an output tag reaches the
// link on the UI thread as the tag's notify message), owns one item per served
// tag with a map from tag to item, runs the query-rate (10101) and watchdog
// (10102) timers every 5000 ms with a stopwatch each, and, when the link asks
// for it, a polling thread that calls PollOnce every 200 ms while the plant runs
// on the real hardware and the data obtainer is not suspended.
//
// Lifecycle: the engine root creates one engine per hardware type, calls Start
// at every change to Real and Stop at every change away from it, and deletes the
// engine at shut-down. Items are built once (the ready flag); Stop ends the
// polling thread, the listening and the timers, and a later Start takes them up
// again without building anything anew.
//
// Where a link stands is one state, the same for every kind of link: stopped,
// starting, running, stopping. A link's Start and Stop return at once. A link
// whose stop goes on on its own thread (it writes the commands waiting when it
// was asked) stays stopping until it calls LinkStopped. A Start asked meanwhile
// is kept and runs once the link has stopped; a later Stop drops it (the last
// choice wins). The commands given while a start is kept wait in their tags and
// are written once it has run.
//
// Threads: Start, Stop, the window and its timers belong to the UI thread;
// PollOnce runs on the polling thread. The item array is fixed once built; the
// tag map has its own lock because the UI thread may add to it at any time.
//
// A link that uses the polling thread must call Stop in its own destructor, so
// the thread never calls into a half-destroyed link.
//
// Links are freed only through Release (or an Owned pointer, which calls it):
// their destructors are not public, since deleting a link whose polling worker
// was given up would free the link and its items under that worker.
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "datacenter/RTimer.h"
#include "platform/base/Variant.h"
#include "platform/ui/CWnd.h"

class CDCTag;
class CHwLinkerItem;
class CThreadEngine;

class CHwLinkerEngine : public CWnd {
 public:
  static constexpr UINT_PTR kQueryRateTimerId = 10101;
  static constexpr UINT_PTR kWatchdogTimerId = 10102;
  static constexpr UINT kTimerPeriodMs = 5000;
  static constexpr DWORD kPollPeriodMs = 200;
  static constexpr const char* kWindowName = "$-HwLinkerEngineWnd-$";
  // Posted to the engine's window when given-up commands wait to be told.
  static constexpr UINT kTellGivenUpMessage = WM_APP + 0x181;
  // Why a command was given up at the link's stop, or at its start.
  static constexpr const char* kStoppedCause = "the link stopped before it went out";
  static constexpr const char* kGivenWhileStoppedCause = "it was given while the link was stopped";
  // Posted to the engine's window when a start kept during the stop is to run.
  static constexpr UINT kRunKeptStartMessage = WM_APP + 0x182;
  // Told when a start kept during the stop fails without telling why itself.
  static constexpr const char* kKeptStartFailedText =
      "The link did not start again after its stop. Choose the data source again.";

  // Where a link stands, in one state that its paths read and change on the UI
  // thread (any thread may read it): stopped, starting, running (it takes
  // commands), stopping (it takes none; those it took are still written).
  enum class LinkState { kStopped, kStarting, kRunning, kStopping };

  CHwLinkerEngine();

  LinkState GetLinkState() const { return m_linkState.load(); }
  // A Start asked while the link was stopping waits to run once it has stopped.
  bool IsStartKept() const { return m_startKept; }
  // The commands to the link's outputs that still wait for the hardware, as
  // "5.5 for Line.Level" (UI thread).
  std::vector<std::string> NameCommandsNotWritten() const;

  // How an owner frees an engine (UI thread): its window destroyed and its polling
  // thread stopped, then deleted at once, or, when that worker was abandoned and
  // still runs, deleted by that worker as it leaves (it still uses the engine and
  // its items). A handler of the link that waits servicing messages (a box
  // telling of an outage or a given-up command) may be further down this thread's stack: the link is
  // then stopped at once and deleted as that handler returns. `afterFreed`
  // (what the link's items point to, the tags, say) runs once the link is
  // deleted, or at once when a worker it was handed to deletes it.
  static void Release(CHwLinkerEngine* engine, std::function<void()> afterFreed = {});
  struct Releaser {
    void operator()(CHwLinkerEngine* engine) const { Release(engine); }
  };
  template <class Link>
  using Owned = std::unique_ptr<Link, Releaser>;
  template <class Link, class... Args>
  static Owned<Link> Make(Args&&... args) {
    return Owned<Link>(new Link(std::forward<Args>(args)...));
  }

  // The tags' notify message goes to OnTagMessage (wParam the tag, lParam the change code).
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnTimer(UINT_PTR id) override;

  // TRUE when the hidden window exists afterwards.
  virtual BOOL CreateEngineWindow();
  // A worker-thread object owned by this engine running the polling procedure; not started.
  virtual CThreadEngine* CreatePollThread();
  // Builds the items, creates the window, listens to the items' tags, starts the
  // polling thread when wanted, sets both timers and starts both stopwatches.
  // A started engine is left as it is (TRUE). A link that keeps no state of its
  // own runs from here on.
  virtual BOOL Start();
  // Ends the polling thread, the listening and both timers; always TRUE. A
  // link that keeps no state of its own is stopped from here on.
  virtual BOOL Stop();
  // The ready flag. A link returns TRUE at once when ready, else calls this,
  // builds its items, sets ready and returns it.
  virtual BOOL BuildItems();
  virtual BOOL IsReady() const;
  virtual void SetReady(BOOL ready);
  // One polling pass (only ever called from the polling thread).
  virtual void PollOnce() = 0;
  // A tag of this link changed (UI thread). 0 here; the links write outputs.
  virtual LRESULT OnTagMessage(CDCTag* tag, int changeCode);
  // Restart their stopwatches; links measure first.
  virtual void OnQueryRateTimer();
  virtual void OnWatchdogTimer();
  // The link's own item for a tag.
  virtual CHwLinkerItem* CreateItem(CDCTag* tag) = 0;
  // The mapped item of the tag, else CreateItem's, recorded in the map. An item
  // made here that is not in the item array is still owned by the engine.
  virtual CHwLinkerItem* FindOrCreateItem(CDCTag* tag);
  // A command that did not reach the device (refused, not answered, the link
  // stopped first) is given up; the caller has marked it dealt with, so it is
  // never written later on its own. Unless a newer command came meanwhile, or
  // another of the tag's commands is still under way (see
  // CHwLinkerItem::HasCommandUnderWay), the tag no longer waits for it and
  // shows the device's latest value again. The
  // operator is told, with the command and `cause`, once per tag until a
  // command to it goes out or the link starts again, unless the link told of
  // it in its own words already (`tell` false). The telling is posted to the
  // engine's window, so no box opens inside the write or stop that gave it up;
  // while the program closes it goes to the standard error output instead.
  void GiveUpCommand(CHwLinkerItem& item, std::uint32_t commandCount, const Variant& command,
                     const std::string& cause, bool tell = true);
  // The device or server refused the command: it went out, so the operator
  // is told of it whether or not an earlier command of the tag was refused
  // (unless `tell` is false: the link told in its own words). Given up as above.
  void GiveUpRefusedCommand(CHwLinkerItem& item, std::uint32_t commandCount, const Variant& command,
                            const std::string& cause, bool tell = true);
  // The command of `commandCount` reached the device (written and confirmed,
  // or completed by the server): its write mark goes, checked and cleared in
  // one step under the tag's lock, so a newer command still waiting or under
  // way keeps its mark. Rearms the given-up notice. True when it was the tag's
  // newest command and none is under way.
  bool EndCommand(CHwLinkerItem& item, std::uint32_t commandCount);
  // Whether the link writes each command to its output tags once and knows
  // which it wrote (the tag's command count): such a link gives up at its stop
  // the commands not yet written, and at its start those given while stopped.
  virtual bool WritesCommands() const { return false; }
  // Whether the last Start failed with its cause told in the link's own box:
  // whoever started it then adds no box of its own.
  virtual bool IsStartFailureTold() const { return false; }

  void SetUsePollThread(BOOL use) { m_usePollThread = use != FALSE; }
  BOOL IsUsingPollThread() const { return m_usePollThread; }
  BOOL IsStarted() const { return m_started; }
  CThreadEngine* GetPollThread() const { return m_pollThread; }

  // Every item serving a tag: the item array here; a link whose items live
  // elsewhere (the OPC groups) names its own.
  virtual std::vector<CHwLinkerItem*> GetServedItems() const { return m_items; }
  // Items: appended items are owned by the engine and recorded in the tag map.
  void AddItem(CHwLinkerItem* item);
  int GetItemCount() const { return static_cast<int>(m_items.size()); }
  CHwLinkerItem* GetItemAt(int index) const;
  const std::vector<CHwLinkerItem*>& GetItems() const { return m_items; }
  // The mapped item of a tag, or none.
  CHwLinkerItem* FindItem(CDCTag* tag) const;
  // Hands every item (listed and unlisted) to the caller and clears the ready
  // flag, so the next Start builds them anew.
  std::vector<CHwLinkerItem*> ReleaseItems();

  CRTimer& GetQueryRateStopwatch() { return m_queryRateStopwatch; }
  CRTimer& GetWatchdogStopwatch() { return m_watchdogStopwatch; }

  // One step of the polling procedure: waits out the rest of the 200 ms since
  // `pacer` was last restarted, restarts it, and calls PollOnce while the data
  // source is Real and the data obtainer is not suspended. Returns whether it polled.
  bool RunPollPass(CRTimer& pacer);

  // Access-path readers (fields "<key><value>" joined by "-", read left to right).
  // The first field and its "-" leave `path`; TRUE when the field begins with
  // `prefix` (case-sensitive), its rest then in `value` (else `value` is empty).
  static BOOL ReadPathField(std::string& path, const std::string& prefix, std::string& value);
  // As ReadPathField, the value read as a decimal integer ("." dropped); -1 on FALSE.
  static BOOL ReadPathInt(std::string& path, const std::string& prefix, int& value);

 protected:
  ~CHwLinkerEngine() override;

  // The command's value in the operator's words ("?" when it has none).
  static std::string CommandAsText(const Variant& command);
  // The operator's words for a given-up command: what was given to which tag,
  // what happened and what to do. Here the command, the tag and `cause`.
  virtual std::string GivenUpText(CHwLinkerItem& item, const Variant& command, const std::string& cause);
  // `text` is told the operator with the given-up commands (see GiveUpCommand):
  // about `tag` (its details added), or, with no tag, about the link as a whole.
  void TellLater(CDCTag* tag, std::string text);
  // A command to the item's output tag not written yet is given up with `cause`.
  void GiveUpCommandNotWritten(CHwLinkerItem& item, const std::string& cause);
  // The tag's new values reach the engine's window from now on. A command the
  // tag took while the link was stopped (it waits for the hardware, or was
  // given while the data source was None) is given up and told: what the link
  // starts with is what the plant sets from now on.
  void ListenToItemTag(CHwLinkerItem& item);
  // Shows the item's latest reading on its tag, the link's own way (scaled,
  // converted); nothing here.
  virtual void ShowLatestReading(CHwLinkerItem& item);
  // How the link tells of a given-up command: a box with `text` here, the
  // tag's details on the standard error output.
  virtual void TellCommandGivenUp(CDCTag& tag, const std::string& text);

  void SetLinkState(LinkState state) { m_linkState.store(state); }
  // A Start asked while the link stops: kept (true), to run once the link has
  // stopped. The tags are listened to again from now on: a command given to
  // one waits in it for the start, and one given while the link was stopped
  // is given up and told now. False when the link is not stopping.
  bool KeepStartWhileStopping();
  // A Stop asked while the link stops: the kept start, if any, is dropped, and
  // the commands given for it are given up and told.
  void DropKeptStart();
  // The link's stop has ended (its own thread has left): the link is stopped,
  // and a start kept meanwhile runs, by a message of its own.
  void LinkStopped();

  // Bracket a handler's wait that services messages (see Release). Leaving
  // returns true when the link was released meanwhile and is now deleted: the
  // caller returns at once, touching nothing of it.
  void EnterServicingWait() { ++m_servicingWaits; }
  bool LeaveServicingWait();

  std::vector<CHwLinkerItem*> m_items;  // owned

 private:
  static UINT PollThreadProc(CThreadEngine* thread);
  // The start kept during the stop, then the commands given for it.
  void RunKeptStart();
  // The kept start's tags no longer listened to, their commands given up.
  void ForgetKeptStart();
  // Tells the operator of the commands given up since the last telling.
  void TellGivenUpCommands();
  // The notices not told yet go to the standard error output (no window is
  // left to tell them).
  void WriteUntoldToStandardError();
  // Deletes the engine now, or hands it to its abandoned polling worker.
  static void Free(CHwLinkerEngine* engine);

  CRTimer m_queryRateStopwatch;
  CRTimer m_watchdogStopwatch;
  BOOL m_ready = FALSE;
  mutable std::mutex m_mapMutex;
  std::map<CDCTag*, CHwLinkerItem*> m_tagMap;
  std::vector<CHwLinkerItem*> m_unlistedItems;  // owned: made by FindOrCreateItem, not in m_items
  CThreadEngine* m_pollThread = nullptr;          // owned
  bool m_usePollThread = false;
  bool m_started = false;
  std::atomic<LinkState> m_linkState{LinkState::kStopped};
  bool m_startKept = false;  // a start asked while stopping, to run once stopped
  int m_servicingWaits = 0;
  bool m_releasePending = false;
  std::function<void()> m_afterFreed;
  struct GivenUpNotice {
    CDCTag* tag;  // none: a notice about the link, not one tag
    std::string text;
  };
  std::vector<GivenUpNotice> m_untoldGivenUp;
  HWND m_tellingPostedTo = nullptr;  // the window a telling of them was posted to, not handled yet
};
