#pragma once
// The hardware link of the OPC tags: one server, one group per group name (the
// tag name before its last "."), one item per tag. The server pushes its values
// through the callbacks into the items and tags; tag changes made here are
// written back from the tag-message handler. A command is known by the tag's
// command count, not by its value: each one is written, and no server value
// takes its place before it is. There is no polling thread.
//
// Where the link stands is one state, read and changed by every path on the
// UI thread: stopped, starting, running, stopping. The stop waits for the
// completions of its writes servicing only the workers' sends (the server
// calls back from its own thread, as a send), so no start, stop, command or
// close runs inside it; one that still comes there (through a worker's box)
// finds the link stopping: a start is refused with a word, a stop finishes
// the stop at once.
#include <string>

#include "links/HwLinkerEngine.h"

class COpcServer;
class COpcGroup;
class COpcItem;

class COpcLinkerEngine : public CHwLinkerEngine {
 public:
  static constexpr const char* kProgId = "OPC.SimaticNET";
  static constexpr const char* kSettingsSection = "OpcEngine";
  static constexpr const char* kRemoteMachineKey = "OpcRemoteMachineNameOrIP";
  // How long the stop waits for the server to complete the writes it sent.
  static constexpr DWORD kWriteCompletionWaitMs = 1000;
  static constexpr const char* kNotCompletedCause = "the OPC server did not complete it before the link stopped";
  static constexpr const char* kStartRefusedText =
      "The OPC link was not started: it is still stopping or starting. Choose the data source again once it has "
      "finished.";

  enum class ELinkState { Stopped, Starting, Running, Stopping };

  COpcLinkerEngine();

  // A running link is left as it is (TRUE). Refused (FALSE, told) while the
  // link is stopping or starting; a stop asked inside the start's boxes
  // stops the link once they are answered, and the start is FALSE.
  BOOL Start() override;
  // Writes the commands waiting when asked (the outputs switched off as the
  // plant leaves the hardware) and stops taking any; waits a bounded time for
  // the server to complete them, then gives up what it did not complete and
  // disconnects. FALSE when asked while the link starts: it stops as the
  // start's boxes are answered. Asked while stopping, it finishes at once.
  BOOL Stop() override;
  BOOL BuildItems() override;
  void PollOnce() override {}
  LRESULT OnTagMessage(CDCTag* tag, int changeCode) override;
  CHwLinkerItem* CreateItem(CDCTag* tag) override;
  // The OPC items belong to their groups: the item serving a tag is looked up,
  // never created or adopted by the frame.
  CHwLinkerItem* FindOrCreateItem(CDCTag* tag) override { return CreateItem(tag); }
  bool WritesCommands() const override { return true; }
  bool IsStartFailureTold() const override { return m_startFailureTold; }
  ELinkState GetLinkState() const { return m_state; }

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
  ELinkState m_state = ELinkState::Stopped;
  bool m_stopAsked = false;  // a stop came inside the start
  bool m_startFailureTold = false;
};
