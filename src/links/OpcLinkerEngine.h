#pragma once
// The hardware link of the OPC tags: one server, one group per group name (the
// tag name before its last "."), one item per tag. The server pushes its values
// through the callbacks into the items and tags; tag changes made here are
// written back from the tag-message handler. A command is known by the tag's
// command count, not by its value: each one is written, and no server value
// takes its place before it is. There is no polling thread.
//
// Where the link stands is the frame's one state (see CHwLinkerEngine). The
// stop returns at once: it writes the commands waiting when it was asked and
// stays stopping until the server has completed them, or a bounded time has
// passed, as a window timer finds; the server's completions come meanwhile
// from the window's loop like any other message. A start asked while the link
// stops runs once it has stopped.
#include <string>
#include <vector>

#include "links/HwLinkerEngine.h"

class COpcServer;
class COpcGroup;
class COpcItem;

class COpcLinkerEngine : public CHwLinkerEngine {
 public:
  static constexpr const char* kProgId = "OPC.SimaticNET";
  static constexpr const char* kSettingsSection = "OpcEngine";
  static constexpr const char* kRemoteMachineKey = "OpcRemoteMachineNameOrIP";
  // How long a stop gives the server to complete the writes it sent, and how
  // often its timer looks.
  static constexpr DWORD kWriteCompletionWaitMs = 5000;
  static constexpr UINT_PTR kStopTimerId = 10103;
  static constexpr UINT kStopTimerPeriodMs = 20;
  static constexpr const char* kNotCompletedCause = "the OPC server did not complete it before the link stopped";
  static constexpr const char* kStartRefusedText =
      "The OPC link was not started: it is still starting. Choose the data source again once it has finished.";

  COpcLinkerEngine();

  // A running link is left as it is (TRUE); asked while the link stops, the
  // start is kept (TRUE) and runs once it has stopped. Refused (FALSE, told)
  // inside the start's own boxes; a stop asked there stops the link once they
  // are answered, and the start is FALSE.
  BOOL Start() override;
  // Returns at once: writes the commands waiting when asked (the outputs
  // switched off as the plant leaves the hardware) and takes no more; the link
  // is stopping until the server has completed them or kWriteCompletionWaitMs
  // has passed, then gives up what was not completed and disconnects. FALSE
  // when asked while the link starts: it stops as the start's boxes are
  // answered. Asked while stopping, it drops a start kept meanwhile.
  BOOL Stop() override;
  void OnTimer(UINT_PTR id) override;
  BOOL BuildItems() override;
  void PollOnce() override {}
  LRESULT OnTagMessage(CDCTag* tag, int changeCode) override;
  CHwLinkerItem* CreateItem(CDCTag* tag) override;
  // The OPC items belong to their groups: the item serving a tag is looked up,
  // never created or adopted by the frame.
  CHwLinkerItem* FindOrCreateItem(CDCTag* tag) override { return CreateItem(tag); }
  std::vector<CHwLinkerItem*> GetServedItems() const override;
  bool WritesCommands() const override { return true; }
  bool IsStartFailureTold() const override { return m_startFailureTold; }

  // The machine to connect to: the configured remote machine when the operator
  // says Yes, else "" (the local server). Asks nothing when none is configured.
  std::string AskRemoteMachine() const;

  COpcServer* GetServer() const { return m_server; }
  const std::string& GetRemoteMachine() const { return m_remoteMachine; }

 protected:
  // Freed through CHwLinkerEngine::Release only.
  ~COpcLinkerEngine() override;

 private:
  // Checks one tag's access path and name; "" when they are good.
  std::string ParseTag(const std::string& name, const std::string& accessPath, long long& updateRate,
                       float& deadband, std::string& groupName) const;
  void ListenToItemTags(bool listen);
  bool HasWritesUnderWay() const;
  // Writes the tag's command to its item, or gives it up.
  LRESULT WriteCommand(COpcItem* item, CDCTag* tag);
  // The end of every stop: what was not completed or not written is given
  // up, the server disconnected, the tags no longer listened to.
  void FinishStop();
  // The server's latest value on the item's tag.
  void ShowLatestReading(CHwLinkerItem& item) override;
  // In a box of its own, as the link tells its other errors.
  void TellCommandGivenUp(CDCTag& tag, const std::string& text) override;

  COpcServer* m_server = nullptr;  // owned
  std::string m_progId = kProgId;
  std::string m_remoteMachine;
  CRTimer m_stopWatch;  // since the stop sent its writes
  bool m_stopAsked = false;  // a stop came inside the start
  bool m_startFailureTold = false;
};
