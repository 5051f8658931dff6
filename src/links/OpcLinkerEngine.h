#pragma once
// The hardware link of the OPC tags: one server, one group per group name (the
// tag name before its last "."), one item per tag. The server pushes its values
// through the callbacks into the items and tags; tag changes made here are
// written back from the tag-message handler. A command is known by the tag's
// command count, not by its value: each one is written, and no server value
// takes its place before it is. There is no polling thread.
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

  COpcLinkerEngine();

  BOOL Start() override;
  BOOL Stop() override;
  BOOL BuildItems() override;
  void PollOnce() override {}
  LRESULT OnTagMessage(CDCTag* tag, int changeCode) override;
  CHwLinkerItem* CreateItem(CDCTag* tag) override;
  // The OPC items belong to their groups: the item serving a tag is looked up,
  // never created or adopted by the frame.
  CHwLinkerItem* FindOrCreateItem(CDCTag* tag) override { return CreateItem(tag); }
  bool WritesCommands() const override { return true; }

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
  // The server's latest value on the item's tag.
  void ShowLatestReading(CHwLinkerItem& item) override;
  // In a box of its own, as the link tells its other errors.
  void TellCommandGivenUp(CDCTag& tag, const std::string& text) override;

  COpcServer* m_server = nullptr;  // owned
  std::string m_progId = kProgId;
  std::string m_remoteMachine;
};
