// The OPC link as the engine root drives it: grouping of the tag file's OPC
// tags with their access-path checks, the remote-machine question, start and
// stop against the server stand-in, and tag changes written to the server.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <thread>
#include <utility>

#include "common/IniFile.h"
#include "datacenter/DCTag.h"
#include "datacenter/DCTagTypes.h"
#include "datacenter/DataCenterBase.h"
#include "datacenter/EngineServices.h"
#include "links/OpcClipboardFormats.h"
#include "links/OpcGroup.h"
#include "links/OpcItem.h"
#include "links/OpcLinkerEngine.h"
#include "links/OpcServer.h"
#include "links/OpcStandInAddressSpace.h"
#include "links/RAdviseSink.h"
#include "platform/base/IniProfile.h"
#include "platform/base/ProgramFolder.h"
#include "platform/opc/ComClassRegistry.h"
#include "platform/opc/ComPtr.h"
#include "platform/opc/GlobalMemory.h"
#include "platform/opc/OpcStandIn.h"
#include "platform/opc/OpcStreamWriter.h"
#include "platform/ui/MessageCore.h"
#include "support/FakeClock.h"
#include "support/ScriptedMessageBox.h"
#include "support/TestEnvironment.h"

namespace {

class RealEngine final : public IEngineServices {
 public:
  // `interruption`, when set, runs once the next time the data source is asked:
  // what another thread does just then.
  int GetDataSourceType() const override {
    if (interruption) std::exchange(interruption, nullptr)();
    return eDataSourceRealHW;
  }
  mutable std::function<void()> interruption;
  bool IsSuspended() const override { return false; }
  CDataCenterBase* GetDataCenter() const override { return dataCenter; }
  CIniFile* GetIniFile() const override { return iniFile; }
  std::string GetSettingsFileName() const override { return "Qelo-Setting.ini"; }
  CDataCenterBase* dataCenter = nullptr;
  CIniFile* iniFile = nullptr;
};

}  // namespace

class OpcLinkerEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock.Install();
    SetProgramFolderOverride(folder.Path());
    folder.Write("Qelo-Setting.ini", "[Application]\r\nProcessPriority=High\r\n");
    ini::ClearCache();
    iniFile = std::make_unique<CIniFile>("Qelo-Setting.ini");
    engine.iniFile = iniFile.get();
    engine.dataCenter = &dataCenter;
    SetEngine(&engine);
    OpcStandIn::Instance().Reset();
  }
  void TearDown() override {
    link.reset();
    PumpPendingMessages();
    OpcStandIn::Instance().Reset();
    ComClassRegistry::Instance().RestoreBuiltIns();
    SetEngine(nullptr);
    SetProgramFolderOverride("");
  }

  void LoadTags(const std::string& lines) {
    folder.Write("Qelo-DCTags.dct", lines);
    ASSERT_EQ(dataCenter.LoadTagFile("Qelo-DCTags.dct"), eDCSuccess);
    ASSERT_TRUE(FillOpcStandInFromTags(dataCenter));
  }
  CDCTag* Tag(const std::string& name) { return dataCenter.FindTag(name); }
  COpcLinkerEngine& Link() {
    if (!link) link = CHwLinkerEngine::Make<COpcLinkerEngine>();
    return *link;
  }
  // One float item, Line.Level, started and showing the server's `value`; none on failure.
  CDCTag* StartWithLevelAt(float value) {
    LoadTags("1,Line.Level,OPC,UR200-DB0,DUPLEX,Float,NULL,NULL,NULL\n");
    OpcStandIn::Instance().SetValue("Line.Level", Variant::R4(value));
    CDCTag* level = Tag("Line.Level");
    if (!level || !Link().Start()) return nullptr;
    Deliver();
    return level->GetValue() == Variant::R4(value) ? level : nullptr;
  }
  // Delivers what the stand-in has due (data changes, write completions).
  void Deliver() {
    clock.Advance(1000);
    OpcStandIn::Instance().ServiceGroups();
    PumpPendingMessages();
  }
  // The window's loop runs (its timers too) until `done` holds, for some ten seconds at most.
  static bool PumpUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 2000 && !done(); ++i) {
      PumpPendingMessages();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done();
  }
  // A stop returns at once and ends as the server's completions come, or its bound passes.
  bool Stopped() { return PumpUntil([&] { return Link().GetLinkState() == CHwLinkerEngine::LinkState::kStopped; }); }

  FakeClock clock;
  TempDir folder;
  ScriptedMessageBox boxes;
  RecordingExitHook exits;
  RealEngine engine;
  std::unique_ptr<CIniFile> iniFile;
  CDataCenterBase dataCenter;
  CHwLinkerEngine::Owned<COpcLinkerEngine> link;
};

TEST_F(OpcLinkerEngineTest, GroupsTagsByTheNameBeforeTheLastDot) {
  LoadTags("1,Line.A,OPC,UR200-DB1,DUPLEX,Float,NULL,NULL,NULL\n"
           "1,line.B,OPC,NULL,INPUT,Int,NULL,NULL,NULL\n"
           "1,Plant.Tank.Temp,OPC,UR500-DB0,INPUT,Double,NULL,NULL,NULL\n"
           "1,Other,NULL,NULL,NULL,Int,NULL,NULL,NULL\n");
  ASSERT_TRUE(Link().BuildItems());
  COpcServer* server = Link().GetServer();
  ASSERT_NE(server, nullptr);
  std::vector<COpcGroup*> groups = server->GetGroups();
  ASSERT_EQ(groups.size(), 2u);
  std::map<std::string, COpcGroup*> byName;
  for (COpcGroup* group : groups) byName[group->GetName()] = group;
  ASSERT_TRUE(byName.count("Line"));  // named as in the first tag of the group
  ASSERT_TRUE(byName.count("Plant.Tank"));
  EXPECT_EQ(byName["Line"]->GetUpdateRate(), 200u);
  EXPECT_FLOAT_EQ(byName["Line"]->GetDeadband(), 1.0f);
  EXPECT_EQ(byName["Line"]->GetItemCount(), 2u);
  EXPECT_EQ(byName["Plant.Tank"]->GetUpdateRate(), 500u);
  EXPECT_EQ(Link().CreateItem(Tag("line.B"))->GetDCTag(), Tag("line.B"));
  EXPECT_EQ(Link().CreateItem(Tag("Other")), nullptr);
  EXPECT_EQ(boxes.Count(), 0u);  // no remote machine configured: no question
  EXPECT_TRUE(Link().BuildItems());  // ready: nothing is built twice
  EXPECT_EQ(server->GetGroups().size(), 2u);
}

TEST_F(OpcLinkerEngineTest, AccessPathAndNameErrorsDisableOnlyTheirTag) {
  struct Case {
    const char* line;
    const char* error;
  };
  const Case cases[] = {
      {"1,G.A,OPC,UR99-DB0,INPUT,Int,NULL,NULL,NULL", "Inavliled OpcGroupUpdateRate, Valid UpdateRate > 100"},
      {"1,G.B,OPC,UR200-DB30.5,INPUT,Int,NULL,NULL,NULL", "Inavliled OpcGroupDeadband, Valid Deadband <= 30"},
      {"1,G.C,OPC,UR200,INPUT,Int,NULL,NULL,NULL", "Inavliled OpcTagAccessPath, sample: \"UR200-DB1.5\""},
      {"1,G.D,OPC,ur200-DB1,INPUT,Int,NULL,NULL,NULL", "Inavliled OpcTagAccessPath, sample: \"UR200-DB1.5\""},
      {"1,G.E,OPC,UR200-XX1,INPUT,Int,NULL,NULL,NULL", "Inavliled OpcTagAccessPath, sample: \"UR200-DB1.5\""},
      {"1,NoDot,OPC,NULL,INPUT,Int,NULL,NULL,NULL", "Inavliled OpcTagName, Valid Tag name has atleast one dot(.)"},
  };
  std::string lines = "1,G.Good,OPC,UR100-DB0,INPUT,Int,NULL,NULL,NULL\n"
                      "1,H.Good,OPC,UR2.00-DB30,INPUT,Int,NULL,NULL,NULL\n";
  for (const Case& c : cases) {
    lines += std::string(c.line) + "\n";
    boxes.Expect(IDOK, c.error);
  }
  LoadTags(lines);
  ASSERT_TRUE(Link().BuildItems());
  EXPECT_EQ(boxes.Pending(), 0u);
  for (const auto& box : boxes.Boxes())
    EXPECT_EQ(box.text.rfind("Invalid Tag format in DataCenter file:", 0), 0u) << box.text;
  EXPECT_TRUE(Tag("G.Good")->IsEnabled());
  EXPECT_FALSE(Tag("G.A")->IsEnabled());
  EXPECT_FALSE(Tag("NoDot")->IsEnabled());
  EXPECT_EQ(Link().CreateItem(Tag("G.B")), nullptr);
  std::map<std::string, DWORD> rates;
  for (COpcGroup* group : Link().GetServer()->GetGroups()) rates[group->GetName()] = group->GetUpdateRate();
  EXPECT_EQ(rates["G"], 100u);
  EXPECT_EQ(rates["H"], 200u);  // every "." of the rate is dropped
}

TEST_F(OpcLinkerEngineTest, ConflictingGroupSettingsRefuseTheLaterTag) {
  boxes.Expect(IDOK, "Specified two diffrent UpdateRates(200, 500) for group \"Line\"!");
  boxes.Expect(IDOK, "Specified two diffrent Deadband(1, 2.5) for group \"Line\"!");
  boxes.Expect(IDOK, "Specified two diffrent UpdateRates(100, 300) for group \"Free\"!");
  LoadTags("1,Line.A,OPC,UR200-DB1,INPUT,Int,NULL,NULL,NULL\n"
           "1,line.B,OPC,UR500-DB1,INPUT,Int,NULL,NULL,NULL\n"
           "1,LINE.C,OPC,UR200-DB2.5,INPUT,Int,NULL,NULL,NULL\n"
           "1,Line.D,OPC,NULL,INPUT,Int,NULL,NULL,NULL\n"
           "1,Free.A,OPC,NULL,INPUT,Int,NULL,NULL,NULL\n"
           "1,Free.B,OPC,UR300-DB0,INPUT,Int,NULL,NULL,NULL\n");
  ASSERT_TRUE(Link().BuildItems());
  EXPECT_EQ(boxes.Pending(), 0u);
  EXPECT_NE(Link().CreateItem(Tag("Line.A")), nullptr);
  EXPECT_EQ(Link().CreateItem(Tag("line.B")), nullptr);
  EXPECT_EQ(Link().CreateItem(Tag("LINE.C")), nullptr);
  EXPECT_NE(Link().CreateItem(Tag("Line.D")), nullptr);  // "NULL" takes the group as it is
  EXPECT_EQ(Link().CreateItem(Tag("Free.B")), nullptr);
}

TEST_F(OpcLinkerEngineTest, NoUsableOpcTagMeansNoServerAndNoStart) {
  boxes.SetDefaultAnswer(IDOK);
  LoadTags("1,NoDot,OPC,NULL,INPUT,Int,NULL,NULL,NULL\n1,X,NULL,NULL,NULL,Int,NULL,NULL,NULL\n");
  EXPECT_FALSE(Link().BuildItems());
  EXPECT_EQ(Link().GetServer(), nullptr);
  EXPECT_FALSE(Link().Start());
}

TEST_F(OpcLinkerEngineTest, RemoteMachineQuestionAndSettingWrittenBack) {
  iniFile->WriteString("OpcEngine", "OpcRemoteMachineNameOrIP", "plc-host");
  LoadTags("1,Line.A,OPC,NULL,INPUT,Int,NULL,NULL,NULL\n");
  const std::string question =
      "RuvFrame is connecting to OPC server.\n\nPress YES to connect to remote OPC server on \"plc-host\".\n"
      "Press NO or CANCEL to connect to local OPC server on current PC.\n"
      "If you don not know the answer press CANCEL.";
  {
    auto owned = CHwLinkerEngine::Make<COpcLinkerEngine>();
    COpcLinkerEngine& asker = *owned;
    EXPECT_EQ(asker.GetRemoteMachine(), "plc-host");
    boxes.Expect(IDYES);
    EXPECT_EQ(asker.AskRemoteMachine(), "plc-host");
    boxes.Expect(IDNO);
    EXPECT_EQ(asker.AskRemoteMachine(), "");
    boxes.Expect(IDCANCEL);
    EXPECT_EQ(asker.AskRemoteMachine(), "");
    ASSERT_EQ(boxes.Count(), 3u);
    EXPECT_EQ(boxes.Boxes()[0].text, question);
    EXPECT_EQ(boxes.Boxes()[0].style, MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2 | MB_SYSTEMMODAL);
  }
  // No: the local stand-in is used, asked once per engine.
  boxes.Expect(IDNO);
  ASSERT_TRUE(Link().Start());
  EXPECT_EQ(Link().GetServer()->GetMachine(), "");
  EXPECT_TRUE(Link().GetServer()->IsConnected());
  Link().Stop();
  ASSERT_TRUE(Link().Start());
  EXPECT_EQ(boxes.Count(), 4u);
  link.reset();

  // An empty setting is written back so the key stands in the file.
  iniFile->WriteString("OpcEngine", "OpcRemoteMachineNameOrIP", "");
  CHwLinkerEngine::Make<COpcLinkerEngine>().reset();
  std::string value;
  iniFile->ReadString("OpcEngine", "OpcRemoteMachineNameOrIP", value, "missing");
  EXPECT_EQ(value, "");
  EXPECT_NE(folder.Read("Qelo-Setting.ini").find("OpcRemoteMachineNameOrIP="), std::string::npos);
}

TEST_F(OpcLinkerEngineTest, ServerValuesReachTagsAndTagChangesAreWritten) {
  LoadTags("1,Line.Level,OPC,UR200-DB0,DUPLEX,Float,NULL,NULL,NULL\n"
           "1,Line.Count,OPC,UR200-DB0,DUPLEX,Int,NULL,NULL,NULL\n"
           "1,Line.Run,OPC,UR200-DB0,DUPLEX,Bool,NULL,NULL,NULL\n"
           "1,Line.Name,OPC,UR200-DB0,DUPLEX,String,NULL,NULL,NULL\n"
           "1,Line.Locked,OPC,UR200-DB0,DUPLEX,Int,NULL,NULL,NULL\n"
           "1,Line.When,OPC,UR200-DB0,DUPLEX,Date,NULL,NULL,NULL\n");
  OpcStandIn::Instance().SetAccessRights("Line.Locked", OPC_READABLE);
  OpcStandIn::Instance().SetValue("Line.Level", Variant::R4(12.5f));
  CDCTag* level = Tag("Line.Level");
  level->SetReadPending(TRUE);
  ASSERT_TRUE(Link().Start());
  Deliver();
  EXPECT_EQ(level->GetValue(), Variant::R4(12.5f));
  EXPECT_FALSE(level->IsReadPending());
  const std::size_t writesBefore = OpcStandIn::Instance().WriteCount();

  // An operator's value: written to the server, write-pending until the server reports it.
  level->SetValue(Variant::R4(40.25f));
  level->SetWritePending(TRUE);
  PumpPendingMessages();
  EXPECT_EQ(OpcStandIn::Instance().WriteCount(), writesBefore + 1);
  EXPECT_EQ(OpcStandIn::Instance().Value("Line.Level"), Variant::R4(40.25f));
  EXPECT_EQ(level->GetValue(), Variant::R4(40.25f));  // the tag keeps its own value and type
  EXPECT_TRUE(level->IsWritePending());
  Deliver();
  EXPECT_FALSE(level->IsWritePending());

  // The server's own value coming back into the tag is not written again.
  const std::size_t afterLevel = OpcStandIn::Instance().WriteCount();
  OpcStandIn::Instance().SetValue("Line.Count", Variant::I4(7));
  Deliver();
  EXPECT_EQ(Tag("Line.Count")->GetValue(), Variant::I4(7));
  EXPECT_EQ(OpcStandIn::Instance().WriteCount(), afterLevel);

  // Integers at their limits, booleans, strings.
  Tag("Line.Count")->SetValue(Variant::I4(INT32_MIN));
  Tag("Line.Run")->SetValue(Variant::Bool(true));
  Tag("Line.Name")->SetValue(Variant::String("\xD9\x83\xD9\x8A"));
  PumpPendingMessages();
  EXPECT_EQ(OpcStandIn::Instance().Value("Line.Count"), Variant::I4(INT32_MIN));
  EXPECT_EQ(OpcStandIn::Instance().Value("Line.Run"), Variant::Bool(true));
  EXPECT_EQ(OpcStandIn::Instance().Value("Line.Name"), Variant::String("\xD9\x83\xD9\x8A"));

  // Read-only and date items are never written.
  const std::size_t beforeSkipped = OpcStandIn::Instance().WriteCount();
  Tag("Line.Locked")->SetValue(Variant::I4(99));
  Variant date = Variant::Date(45000.5);
  Tag("Line.When")->SetValue(date);
  PumpPendingMessages();
  EXPECT_EQ(OpcStandIn::Instance().WriteCount(), beforeSkipped);
  EXPECT_EQ(boxes.Count(), 0u);
}

// A value the server sent before the operator's commands, arriving before their
// messages are handled, must not take their place: the last command is written,
// even when it goes back to the value the tag showed.
TEST_F(OpcLinkerEngineTest, TheLastCommandIsWrittenThoughAServerValueArrivesBeforeIt) {
  CDCTag* level = StartWithLevelAt(12.5f);
  ASSERT_NE(level, nullptr);

  OpcStandIn::Instance().SetValue("Line.Level", Variant::R4(20.0f));
  clock.Advance(1000);
  OpcStandIn::Instance().ServiceGroups();  // the new value's delivery is queued
  for (float command : {5.5f, 12.5f}) {
    level->SetValue(Variant::R4(command));
    level->SetWritePending(TRUE);
  }
  PumpPendingMessages();
  EXPECT_EQ(OpcStandIn::Instance().Value("Line.Level"), Variant::R4(12.5f));
  Deliver();
  EXPECT_EQ(level->GetValue(), Variant::R4(12.5f));
  EXPECT_FALSE(level->IsWritePending());
}

// A command the server refuses is given up: the server's latest value (held
// back while the command waited) shows at once, and the same value given
// again is written.
TEST_F(OpcLinkerEngineTest, ACommandTheServerRefusesIsGivenUpAndTheServersValueShows) {
  CDCTag* level = StartWithLevelAt(12.5f);
  ASSERT_NE(level, nullptr);

  OpcStandIn::Instance().FailWrites("Line.Level");
  OpcStandIn::Instance().SetValue("Line.Level", Variant::R4(20.0f));
  clock.Advance(1000);
  OpcStandIn::Instance().ServiceGroups();  // the new value's delivery is queued
  level->SetValue(Variant::R4(5.5f));
  level->SetWritePending(TRUE);
  boxes.Expect(IDOK, "Failed on item 'Line.Level'  for asynchronous 1.0 write transaction");
  Deliver();
  EXPECT_EQ(level->GetValue(), Variant::R4(20.0f));
  EXPECT_FALSE(level->IsWritePending());
  EXPECT_EQ(boxes.Count(), 1u);

  OpcStandIn::Instance().FailWrites("Line.Level", S_OK);
  level->SetValue(Variant::R4(5.5f));
  level->SetWritePending(TRUE);
  Deliver();
  EXPECT_EQ(OpcStandIn::Instance().Value("Line.Level"), Variant::R4(5.5f));
  EXPECT_FALSE(level->IsWritePending());
  EXPECT_EQ(boxes.Count(), 1u);
}

// The stop returns at once: the link is stopping until the server has
// completed the writes it sent (the outputs switched off as the plant leaves
// the hardware), the window's loop running meanwhile; what the server never
// completes is given up and told once the stop's bound has passed.
TEST_F(OpcLinkerEngineTest, TheStopReturnsAtOnceAndEndsAsTheServerCompletesItsWritesOrItsBoundPasses) {
  CDCTag* level = StartWithLevelAt(12.5f);
  ASSERT_NE(level, nullptr);
  OpcStandIn::Instance().LeaveWritesUncompleted(true);
  level->SetValue(Variant::R4(7.5f));
  level->SetWritePending(TRUE);
  boxes.Expect(IDOK);
  EXPECT_TRUE(Link().Stop());
  EXPECT_EQ(Link().GetLinkState(), CHwLinkerEngine::LinkState::kStopping);
  PumpPendingMessages();
  EXPECT_EQ(Link().GetLinkState(), CHwLinkerEngine::LinkState::kStopping);
  EXPECT_EQ(boxes.Count(), 0u);
  clock.Advance(COpcLinkerEngine::kWriteCompletionWaitMs);
  ASSERT_TRUE(Stopped());
  EXPECT_TRUE(PumpUntil([&] { return boxes.Pending() == 0; }));
  ASSERT_EQ(boxes.Count(), 1u);
  // In the operator's words: the tag, what happened, the server, what the tag shows, what to do.
  EXPECT_EQ(boxes.Boxes()[0].text,
            "The command 7.5 for Line.Level was given up: the OPC server did not complete it before the link stopped. "
            "The OPC server is OPC.SimaticNET on this computer. Line.Level shows the server's value again. Give the "
            "command again while the data source is Real.");
  EXPECT_FALSE(Link().GetServer()->IsConnected());
  EXPECT_EQ(level->GetValue(), Variant::R4(12.5f));
  EXPECT_FALSE(level->IsWritePending());
}

// A command whose message is still queued when the link stops is written by
// the stop and reaches the server, every time.
TEST_F(OpcLinkerEngineTest, ACommandWhoseMessageIsStillQueuedAtTheStopReachesTheServer) {
  CDCTag* level = StartWithLevelAt(12.5f);
  ASSERT_NE(level, nullptr);
  level->SetValue(Variant::R4(5.5f));  // its message is still queued
  level->SetWritePending(TRUE);
  EXPECT_TRUE(Link().Stop());
  ASSERT_TRUE(Stopped());
  PumpPendingMessages();
  EXPECT_EQ(OpcStandIn::Instance().Value("Line.Level"), Variant::R4(5.5f));
  EXPECT_EQ(level->GetValue(), Variant::R4(5.5f));
  EXPECT_FALSE(level->IsWritePending());
  EXPECT_EQ(boxes.Count(), 0u);
}

// A start asked while the link stops is kept and runs once it has stopped; a
// command given meanwhile waits for it and is written then. A stop after a
// kept start drops it: the last choice holds.
TEST_F(OpcLinkerEngineTest, AStartAskedWhileTheLinkStopsRunsOnceItHasStoppedUnlessAStopCameAfter) {
  CDCTag* level = StartWithLevelAt(12.5f);
  ASSERT_NE(level, nullptr);
  level->SetValue(Variant::R4(5.5f));
  level->SetWritePending(TRUE);  // waiting: the stop writes it
  EXPECT_TRUE(Link().Stop());
  ASSERT_EQ(Link().GetLinkState(), CHwLinkerEngine::LinkState::kStopping);
  EXPECT_TRUE(Link().Start());
  EXPECT_TRUE(Link().IsStartKept());
  level->SetValue(Variant::R4(6.5f));  // given for the kept start
  level->SetWritePending(TRUE);
  ASSERT_TRUE(PumpUntil([&] { return Link().GetLinkState() == CHwLinkerEngine::LinkState::kRunning; }));
  EXPECT_TRUE(Link().GetServer()->IsConnected());
  EXPECT_TRUE(PumpUntil([&] { return OpcStandIn::Instance().Value("Line.Level") == Variant::R4(6.5f); }));
  EXPECT_EQ(boxes.Count(), 0u);

  level->SetValue(Variant::R4(7.5f));
  level->SetWritePending(TRUE);
  PumpPendingMessages();
  OpcStandIn::Instance().LeaveWritesUncompleted(true);
  level->SetValue(Variant::R4(8.5f));
  level->SetWritePending(TRUE);
  EXPECT_TRUE(Link().Stop());
  EXPECT_TRUE(Link().Start());
  EXPECT_TRUE(Link().Stop());
  EXPECT_FALSE(Link().IsStartKept());
  boxes.Expect(IDOK, "The command 8.5 for Line.Level was given up: the OPC server did not complete it before the link "
                     "stopped.");
  clock.Advance(COpcLinkerEngine::kWriteCompletionWaitMs);
  ASSERT_TRUE(Stopped());
  EXPECT_TRUE(PumpUntil([&] { return boxes.Pending() == 0; }));
  PumpPendingMessages();
  EXPECT_EQ(Link().GetLinkState(), CHwLinkerEngine::LinkState::kStopped);
  EXPECT_FALSE(Link().GetServer()->IsConnected());
}

// Where the link stands is one state, the frame's: read through the base, a
// running OPC link is running.
TEST_F(OpcLinkerEngineTest, ARunningLinkReadThroughTheFrameIsRunning) {
  ASSERT_NE(StartWithLevelAt(12.5f), nullptr);
  const CHwLinkerEngine& frame = Link();
  EXPECT_EQ(frame.GetLinkState(), CHwLinkerEngine::LinkState::kRunning);
  Link().Stop();
  ASSERT_TRUE(Stopped());
  EXPECT_EQ(frame.GetLinkState(), CHwLinkerEngine::LinkState::kStopped);
}

// An older command's refusal arriving after a newer command went out gives up
// only the older one: the newer stays on the tag, waiting for the server.
TEST_F(OpcLinkerEngineTest, ALateRefusalGivesUpOnlyTheCommandItAnswers) {
  CDCTag* level = StartWithLevelAt(12.5f);
  ASSERT_NE(level, nullptr);
  OpcStandIn::Instance().FailWrites("Line.Level");
  level->SetValue(Variant::R4(5.5f));
  level->SetWritePending(TRUE);
  Link().OnTagMessage(level, eTagChangeValue);
  level->SetValue(Variant::R4(7.5f));
  level->SetWritePending(TRUE);
  Link().OnTagMessage(level, eTagChangeValue);  // both sent, neither completed
  boxes.Expect(IDOK, "Failed on item 'Line.Level'  for asynchronous 1.0 write transaction");
  int completions = 0;
  OpcStandIn::Instance().ObserveCompletions([&completions](const std::string&) {
    if (++completions == 2) OpcStandIn::Instance().FailWrites("Line.Level", S_OK);
  });
  PumpPendingMessages();
  EXPECT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(OpcStandIn::Instance().Value("Line.Level"), Variant::R4(7.5f));
  EXPECT_EQ(level->GetValue(), Variant::R4(7.5f));
  EXPECT_TRUE(level->IsWritePending());
  Deliver();
  EXPECT_EQ(level->GetValue(), Variant::R4(7.5f));
  EXPECT_FALSE(level->IsWritePending());
}

// The server's report of a completed command ends that command's mark only: a
// newer command given just then (on another thread) keeps its own, while the
// server still holds the older one.
TEST_F(OpcLinkerEngineTest, AnOlderCommandsSuccessLeavesTheNewerCommandPending) {
  CDCTag* level = StartWithLevelAt(12.5f);
  ASSERT_NE(level, nullptr);
  level->SetValue(Variant::R4(7.0f));
  level->SetWritePending(TRUE);
  PumpPendingMessages();  // written and completed; its mark waits for the server's report
  ASSERT_EQ(OpcStandIn::Instance().Value("Line.Level"), Variant::R4(7.0f));
  ASSERT_TRUE(level->IsWritePending());
  OpcStandIn::Instance().LeaveWritesUncompleted(true);
  auto newerCommand = [level] {
    level->SetValue(Variant::R4(8.0f));
    level->SetWritePending(TRUE);
  };
  engine.interruption = newerCommand;
  Deliver();  // the report of 7.0, with 8.0 given as the mark ends
  if (engine.interruption) {  // it came just after
    engine.interruption = nullptr;
    newerCommand();
    PumpPendingMessages();
  }
  EXPECT_EQ(OpcStandIn::Instance().Value("Line.Level"), Variant::R4(7.0f));
  EXPECT_EQ(level->GetValue(), Variant::R4(8.0f));
  EXPECT_TRUE(level->IsWritePending());
}

// The server's answer to a write the link no longer waits for (given up at the
// stop, or sent in an earlier run) is ignored: it neither opens a box nor
// touches the command the tag holds now.
TEST_F(OpcLinkerEngineTest, AnAnswerToAWriteOfNoRunUnderWayIsIgnored) {
  CDCTag* level = StartWithLevelAt(12.5f);
  ASSERT_NE(level, nullptr);
  COpcGroup* group = static_cast<COpcItem*>(Link().CreateItem(level))->GetGroup();
  const OPCHANDLE item = static_cast<COpcItem*>(Link().CreateItem(level))->GetClientHandle();
  OpcStandIn::Instance().LeaveWritesUncompleted(true);
  level->SetValue(Variant::R4(7.5f));
  level->SetWritePending(TRUE);
  PumpPendingMessages();
  ASSERT_EQ(group->GetWritesUnderWay().size(), 1u);
  const OPCHANDLE earlierGroup = group->GetClientHandle();
  const DWORD earlierWrite = group->GetWritesUnderWay().front().transactionId;
  boxes.Expect(IDOK, "The command 7.5 for Line.Level was given up: the OPC server did not complete it before the link "
                     "stopped.");
  Link().Stop();
  clock.Advance(COpcLinkerEngine::kWriteCompletionWaitMs);
  ASSERT_TRUE(Stopped());
  PumpPendingMessages();
  auto lateAnswer = [&](HRESULT error) {
    OpcWriteCompleteStream done;
    done.clientGroup = earlierGroup;
    done.transactionId = earlierWrite;
    done.items = {{item, error}};
    const std::vector<std::uint8_t> bytes = WriteOpcWriteCompleteStream(done);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
    FORMATETC format{OpcFormatWriteComplete(), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium;
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = block;
    ComPtr<CRAdviseSink> sink = ComPtr<CRAdviseSink>::Share(new CRAdviseSink());
    sink->OnDataChange(&format, &medium);
    GlobalFree(block);
    PumpPendingMessages();
  };
  lateAnswer(E_FAIL);  // after the stop
  EXPECT_EQ(boxes.Count(), 1u);

  ASSERT_TRUE(Link().Start());
  Deliver();
  level->SetValue(Variant::R4(8.5f));
  level->SetWritePending(TRUE);
  PumpPendingMessages();  // under way in the new run
  lateAnswer(S_OK);
  OpcStandIn::Instance().SetValue("Line.Level", Variant::R4(13.0f));
  Deliver();  // a report of the server's own ends no mark of a write not completed
  EXPECT_TRUE(level->IsWritePending());
  lateAnswer(E_FAIL);
  EXPECT_TRUE(level->IsWritePending());
  EXPECT_EQ(boxes.Count(), 1u);
}

TEST_F(OpcLinkerEngineTest, StopEndsListeningAndStartReconnectsWithoutDuplicates) {
  LoadTags("1,Line.Count,OPC,UR200-DB0,DUPLEX,Int,NULL,NULL,NULL\n");
  ASSERT_TRUE(Link().Start());
  ASSERT_TRUE(Link().Start());  // started already: nothing added twice
  EXPECT_EQ(OpcStandIn::Instance().GroupsNamed("Line"), 1u);
  EXPECT_EQ(OpcStandIn::Instance().ItemUseCount("Line.Count"), 1u);

  EXPECT_TRUE(Link().Stop());
  ASSERT_TRUE(Stopped());
  EXPECT_FALSE(Link().GetServer()->IsConnected());
  EXPECT_EQ(OpcStandIn::Instance().GroupCount(), 0u);
  const std::size_t writes = OpcStandIn::Instance().WriteCount();
  Tag("Line.Count")->SetValue(Variant::I4(5));
  PumpPendingMessages();
  EXPECT_EQ(OpcStandIn::Instance().WriteCount(), writes);  // not listening while stopped

  ASSERT_TRUE(Link().Start());
  EXPECT_EQ(OpcStandIn::Instance().GroupsNamed("Line"), 1u);
  EXPECT_EQ(OpcStandIn::Instance().ItemUseCount("Line.Count"), 1u);
  Deliver();  // the server's first report after the reconnection
  Tag("Line.Count")->SetValue(Variant::I4(6));
  PumpPendingMessages();
  EXPECT_EQ(OpcStandIn::Instance().Value("Line.Count"), Variant::I4(6));
}

TEST_F(OpcLinkerEngineTest, UnmappableValueShowsItsMessageAndWritesNothing) {
  LoadTags("1,Line.Small,OPC,UR200-DB0,DUPLEX,Short,NULL,NULL,NULL\n");
  ASSERT_TRUE(Link().Start());
  Deliver();
  COpcItem* item = dynamic_cast<COpcItem*>(Link().CreateItem(Tag("Line.Small")));
  ASSERT_NE(item, nullptr);
  const std::size_t writes = OpcStandIn::Instance().WriteCount();
  // A 32-bit value beyond the 16-bit item is refused instead of being cut.
  boxes.Expect(IDOK, "Unable to map write data to variant data for item 'Line.Small'.");
  item->GetGroup()->WriteAsync10({item}, {"70000"});
  EXPECT_EQ(OpcStandIn::Instance().WriteCount(), writes);
  EXPECT_EQ(boxes.Pending(), 0u);
}
