// The OPC client objects against the in-process server stand-in: connecting
// (locally, to an unreachable remote machine, to a server without the needed
// interface), groups and items, the refused-item box, values reaching items and
// tags through both stream formats, write completions, shut-down requests, and
// disconnecting and connecting again.
#include <gtest/gtest.h>

#include <memory>

#include "datacenter/DCTag.h"
#include "datacenter/EngineServices.h"
#include "links/OpcGroup.h"
#include "links/OpcItem.h"
#include "links/OpcMessage.h"
#include "links/OpcServer.h"
#include "platform/base/InputState.h"
#include "platform/base/Text.h"
#include "platform/opc/ComClassRegistry.h"
#include "platform/opc/ComMemory.h"
#include "platform/opc/OpcStandIn.h"
#include "support/FakeClock.h"
#include "support/ScriptedMessageBox.h"
#include "support/TestEnvironment.h"

namespace {

const std::string kProgId = "OPC.SimaticNET";

class RealHardwareOpcEngine final : public IEngineServices {
 public:
  int GetDataSourceType() const override { return eDataSourceRealHW; }
  bool IsSuspended() const override { return false; }
  CDataCenterBase* GetDataCenter() const override { return nullptr; }
  CIniFile* GetIniFile() const override { return nullptr; }
  std::string GetSettingsFileName() const override { return std::string(); }
};

// Stands for the main window: records what is posted to it.
class MainWindowStandIn final : public IMessageTarget {
 public:
  MainWindowStandIn() : handle(RegisterMessageTarget(this)) {}
  ~MainWindowStandIn() override { UnregisterMessageTarget(handle); }
  LRESULT DispatchMessageToTarget(UINT message, WPARAM wParam, LPARAM lParam) override {
    messages.push_back({message, wParam, lParam});
    return 0;
  }
  struct Posted {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
  };
  HWND handle;
  std::vector<Posted> messages;
};

// A server class that gives IOPCCommon but no IOPCServer.
class CommonOnlyServer final : public IOPCCommon {
 public:
  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IOPCCommon) {
      *out = static_cast<IOPCCommon*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++m_refs; }
  ULONG Release() override {
    const ULONG left = --m_refs;
    if (left == 0) delete this;
    return left;
  }
  HRESULT SetLocaleID(LCID) override { return S_OK; }
  HRESULT GetLocaleID(LCID* locale) override {
    *locale = 1033;
    return S_OK;
  }
  HRESULT SetClientName(LPCWSTR) override { return S_OK; }

 private:
  ~CommonOnlyServer() override = default;
  ULONG m_refs = 1;
};

}  // namespace

class OpcClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock.Install();
    SetEngine(&engine);
    PumpPendingMessages();
    OpcStandIn::Instance().Reset();
    ASSERT_TRUE(OpcStandIn::Instance().LoadItems({{"Line.Level", VT_R4},
                                                  {"Line.Count", VT_I4},
                                                  {"Line.Small", VT_I2},
                                                  {"Line.Name", VT_BSTR},
                                                  {"Tank.Temp", VT_R8}}));
    server = std::make_unique<COpcServer>(nullptr, kProgId, "");
  }
  void TearDown() override {
    server.reset();
    PumpPendingMessages();
    EXPECT_EQ(OpcStandIn::Instance().ServerCount(), 0u);
    OpcStandIn::Instance().Reset();
    ComClassRegistry::Instance().RestoreBuiltIns();
    COpcServer::SetMainWindow(nullptr);
    SetEngine(nullptr);
  }

  CDCTag* Tag(const std::string& name, VARTYPE type) {
    auto tag = std::make_unique<CDCTag>();
    tag->SetTagName(name);
    tag->SetHWType(eHWOpc);
    tag->SetIOType(eIODuplex);
    tag->SetDataType(type);
    tags.push_back(std::move(tag));
    return tags.back().get();
  }

  COpcGroup* Group(const std::string& name, DWORD rate = 200) {
    auto* group = new COpcGroup(server.get());
    group->SetName(name);
    group->SetUpdateRate(rate);
    server->AddGroup(group, FALSE);
    return group;
  }

  COpcItem* Item(COpcGroup* group, const std::string& id, CDCTag* tag) {
    auto* item = new COpcItem(group);
    item->SetActive(TRUE);
    item->SetItemId(id);
    item->SetDCTag(tag);
    group->AddItems(&item, 1, FALSE);
    return item;
  }

  // Lets the stand-in deliver what is due one update period later.
  void Deliver(std::uint32_t ms = 1000) {
    clock.Advance(ms);
    OpcStandIn::Instance().ServiceGroups();
    PumpPendingMessages();
  }

  FakeClock clock{5000};
  RealHardwareOpcEngine engine;
  ScriptedMessageBox boxes;
  RecordingExitHook exits;
  ScopedKeyState keys;
  std::vector<std::unique_ptr<CDCTag>> tags;
  std::unique_ptr<COpcServer> server;
};

TEST_F(OpcClientTest, ConnectsLocallyAddsGroupsAndItemsAndValuesReachTheTags) {
  CDCTag* level = Tag("Line.Level", VT_R4);
  CDCTag* small = Tag("Line.Small", VT_I4);
  CDCTag* name = Tag("Line.Name", VT_BSTR);
  COpcGroup* line = Group("Line");
  COpcItem* levelItem = Item(line, "Line.Level", level);
  COpcItem* smallItem = Item(line, "Line.Small", small);
  COpcItem* nameItem = Item(line, "Line.Name", name);
  EXPECT_EQ(OpcStandIn::Instance().ServerCount(), 0u);  // nothing is sent before the connection
  level->SetReadPending(TRUE);
  ASSERT_TRUE(level->IsReadPending());

  OpcStandIn::Instance().SetValue("Line.Level", Variant::R4(42.5f));
  OpcStandIn::Instance().SetValue("Line.Small", Variant::I2(-7));
  OpcStandIn::Instance().SetValue("Line.Name", Variant::String("\xD9\x83\xD9\x8A"));
  ASSERT_TRUE(server->ConnectAll());
  EXPECT_TRUE(server->IsConnected());
  EXPECT_NE(server->GetOPCCommon(), nullptr);
  EXPECT_EQ(server->GetPersistFile(), nullptr);  // the stand-in offers only some interfaces
  EXPECT_NE(server->GetShutdownCookie(), 0u);
  EXPECT_EQ(OpcStandIn::Instance().GroupsNamed("Line"), 1u);
  EXPECT_TRUE(line->IsAdded());
  EXPECT_NE(line->GetServerHandle(), 0u);
  EXPECT_NE(line->GetDataConnection(), 0u);
  EXPECT_NE(line->GetWriteConnection(), 0u);
  EXPECT_EQ(line->GetItems(), (std::vector<COpcItem*>{nameItem, smallItem, levelItem}));  // newest first
  for (COpcItem* item : line->GetItems()) {
    EXPECT_TRUE(item->IsAdded());
    EXPECT_NE(item->GetServerHandle(), 0u);
    EXPECT_EQ(item->GetAccessRights(), OPC_READABLE | OPC_WRITEABLE);
  }
  EXPECT_EQ(smallItem->GetValueType(), VT_I2);
  EXPECT_EQ(levelItem->GetUpdateCount(), 0u);  // values come from the event loop, not inside the call

  PumpPendingMessages();
  EXPECT_EQ(levelItem->GetValue(), Variant::R4(42.5f));
  EXPECT_EQ(levelItem->GetQuality(), OPC_QUALITY_GOOD);
  EXPECT_FALSE(levelItem->IsTimeStampValid());
  EXPECT_EQ(levelItem->GetUpdateCount(), 1u);
  EXPECT_EQ(level->GetValue(), Variant::R4(42.5f));
  EXPECT_FALSE(level->IsReadPending());
  EXPECT_EQ(smallItem->GetValue(), Variant::I2(-7));
  EXPECT_EQ(small->GetValue(), Variant::I4(-7));  // a 16-bit value reaches the 32-bit tag as 32 bits
  EXPECT_EQ(name->GetValue(), Variant::String("\xD9\x83\xD9\x8A"));

  OpcStandIn::Instance().SetValue("Line.Level", Variant::R4(1.0f));
  OpcStandIn::Instance().SetQuality("Line.Level", OPC_QUALITY_COMM_FAILURE);
  Deliver();
  EXPECT_EQ(levelItem->GetQuality(), OPC_QUALITY_COMM_FAILURE);
  EXPECT_EQ(level->GetValue(), Variant::R4(1.0f));  // a bad-quality value is set like any other
  EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(OpcClientTest, RemoteMachineFailsAsAnUnreachableServer) {
  COpcServer remote(nullptr, kProgId, "plant-opc-01");
  boxes.Expect(IDOK);
  EXPECT_FALSE(remote.Connect());
  EXPECT_FALSE(remote.IsConnected());
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "Failed to obtain a valid CLSID for server 'OPC.SimaticNET'. ");
  EXPECT_EQ(boxes.Boxes()[0].style, MB_OK | MB_SYSTEMMODAL);
  EXPECT_EQ(OpcStandIn::Instance().ServerCount(), 0u);

  COpcServer local(nullptr, kProgId, "localhost");
  EXPECT_TRUE(local.Connect());
  EXPECT_EQ(OpcStandIn::Instance().ServerCount(), 1u);
}

TEST_F(OpcClientTest, UnknownServerAndServerWithoutTheServerInterface) {
  COpcServer unknown(nullptr, "OPC.Nobody", "");
  boxes.Expect(IDOK);
  EXPECT_FALSE(unknown.Connect());
  EXPECT_EQ(boxes.LastText(), "Failed to obtain a valid CLSID for server 'OPC.Nobody'. ");

  const CLSID partialClass = MakeGuid(0x11112222, 0x3333, 0x4444, 0x5555, 0x666677778888ull);
  ComClassRegistry::Instance().Register("OPC.Partial", partialClass, [] { return new CommonOnlyServer(); });
  COpcServer partial(nullptr, "OPC.Partial", "");
  boxes.Expect(IDOK);
  EXPECT_FALSE(partial.Connect());
  EXPECT_EQ(boxes.LastText(), "Failed to connect to server 'OPC.Partial', required interfaces not supported (HR = 80004002).");
  EXPECT_NE(partial.GetOPCCommon(), nullptr);  // what was given is kept; without IOPCServer it is not connected
  EXPECT_FALSE(partial.IsConnected());

  ComClassRegistry::Instance().Register("OPC.Broken", partialClass, [] { return nullptr; });
  COpcServer broken(nullptr, "OPC.Broken", "");
  boxes.Expect(IDOK);
  EXPECT_FALSE(broken.Connect());
  EXPECT_EQ(boxes.LastText(), "Failed to connect to server 'OPC.Broken' (HR = 8007000E).");
}

TEST_F(OpcClientTest, RefusedGroupStaysWithoutInterfaces) {
  OpcStandIn::Instance().RefuseGroup("Line", OPC_E_DUPLICATENAME);
  COpcGroup* line = Group("Line");
  COpcItem* item = Item(line, "Line.Count", Tag("Line.Count", VT_I4));
  boxes.Expect(IDOK);
  boxes.Expect(IDOK);
  ASSERT_TRUE(server->ConnectAll());
  const auto shown = boxes.Boxes();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].text, "Failed to add group 'Line' to 'OPC.SimaticNET' (HR = C004000C).");
  EXPECT_EQ(shown[1].text, "Failed to add items to group 'Line' (No Interface).");
  EXPECT_FALSE(line->IsAdded());
  EXPECT_FALSE(item->IsAdded());
}

class RefusedItemBox : public OpcClientTest {
 protected:
  void SetUp() override {
    OpcClientTest::SetUp();
    line = Group("Line");
    count = Tag("Line.Count", VT_I4);
    for (const char* id : {"Line.Level", "Line.Count", "Line.Name"}) {
      auto* item = new COpcItem(line);
      item->SetActive(TRUE);
      item->SetItemId(id);
      items.push_back(item);
    }
    items[0]->SetDCTag(Tag("Line.Level", VT_R4));
    items[1]->SetDCTag(count);
    items[2]->SetDCTag(Tag("Line.Name", VT_BSTR));
    line->AddItems(items.data(), 3, FALSE);
    OpcStandIn::Instance().RefuseItem("Line.Count");
    Clipboard().Clear();
  }

  static std::string ExpectedText() {
    return "Error at adding Item \"Line.Count\".\r\n"
           "The item is no longer available in the server address space.\n"
           "\n - If you want to EXIT program, press Abort!"
           "\n - The OpcItemName is copied to clipboard.";
  }

  COpcGroup* line = nullptr;
  CDCTag* count = nullptr;
  std::vector<COpcItem*> items;
};

TEST_F(RefusedItemBox, IgnoreGoesOnAndTheItemNeverReceivesValues) {
  boxes.Expect(IDIGNORE);
  ASSERT_TRUE(server->ConnectAll());
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, ExpectedText());
  EXPECT_EQ(boxes.Boxes()[0].style, MB_ABORTRETRYIGNORE | MB_ICONSTOP | MB_SYSTEMMODAL | MB_DEFBUTTON3);
  EXPECT_EQ(Clipboard().Text(), "Line.Count");
  EXPECT_FALSE(items[1]->IsAdded());
  EXPECT_EQ(items[1]->GetServerHandle(), 0u);
  EXPECT_EQ(items[1]->GetQuality(), OPC_QUALITY_OUT_OF_SERVICE);
  EXPECT_TRUE(items[0]->IsAdded());
  EXPECT_TRUE(items[2]->IsAdded());
  OpcStandIn::Instance().SetValue("Line.Count", Variant::I4(5));
  Deliver();
  EXPECT_EQ(items[1]->GetUpdateCount(), 0u);
  EXPECT_EQ(count->GetValue(), Variant::I4(0));
  EXPECT_EQ(items[0]->GetUpdateCount(), 1u);
  EXPECT_FALSE(exits.Exited());
}

TEST_F(RefusedItemBox, RetryGoesOnWithoutRetrying) {
  boxes.Expect(IDRETRY);
  ASSERT_TRUE(server->ConnectAll());
  EXPECT_EQ(boxes.Count(), 1u);
  EXPECT_FALSE(items[1]->IsAdded());
  EXPECT_EQ(items[1]->GetServerHandle(), 0u);
  EXPECT_TRUE(items[2]->IsAdded());
  EXPECT_EQ(OpcStandIn::Instance().ItemUseCount("Line.Count"), 0u);
}

TEST_F(RefusedItemBox, AbortEndsTheProcessWithCodeZero) {
  boxes.Expect(IDABORT);
  server->ConnectAll();
  EXPECT_EQ(exits.Codes(), std::vector<int>{0});
  // The list holds the newest first, so Name came before Count and Level after it.
  EXPECT_TRUE(items[2]->IsAdded());
  EXPECT_FALSE(items[0]->IsAdded());  // nothing more after Abort
}

TEST_F(OpcClientTest, TimeStampedStreamsAfterTheVersion2FallBack) {
  CDCTag* temp = Tag("Tank.Temp", VT_R8);
  COpcGroup* tank = Group("Tank");
  tank->SetUpdateMode(COpcGroup::eUpdateCallback20);
  COpcItem* item = Item(tank, "Tank.Temp", temp);
  OpcStandIn::Instance().SetValue("Tank.Temp", Variant::R8(61.25));
  OpcStandIn::Instance().SetTimeStamp("Tank.Temp", FILETIME::From(0x01DA000000000007ull));
  boxes.Expect(IDOK);
  ASSERT_TRUE(server->ConnectAll());
  EXPECT_EQ(boxes.LastText(),
            "Failed to connect to 2.0 data access interface for group 'Tank' on server 'OPC.SimaticNET' "
            "(HR = 80004005).  Falling back to 1.0 interface.");
  EXPECT_EQ(tank->GetUpdateMode(), COpcGroup::eUpdateAdvise10Time);
  PumpPendingMessages();
  EXPECT_EQ(temp->GetValue(), Variant::R8(61.25));
  EXPECT_TRUE(item->IsTimeStampValid());
  EXPECT_EQ(item->GetTimeStamp().Value(), 0x01DA000000000007ull);
}

TEST_F(OpcClientTest, WriteCompletionsReportFailuresAndTheNextValueClearsTheMark) {
  CDCTag* countTag = Tag("Line.Count", VT_I4);
  CDCTag* levelTag = Tag("Line.Level", VT_R4);
  COpcGroup* line = Group("Line", 500);
  COpcItem* countItem = Item(line, "Line.Count", countTag);
  COpcItem* levelItem = Item(line, "Line.Level", levelTag);
  ASSERT_TRUE(server->ConnectAll());
  PumpPendingMessages();
  countTag->SetWritePending(TRUE);
  levelTag->SetWritePending(TRUE);
  ASSERT_TRUE(countTag->IsWritePending());

  OpcStandIn::Instance().FailWrites("Line.Level", E_FAIL);
  OPCHANDLE handles[] = {countItem->GetServerHandle(), levelItem->GetServerHandle()};
  Variant values[] = {Variant::I4(9), Variant::R4(3.0f)};
  DWORD transaction = 0;
  HRESULT* errors = nullptr;
  ASSERT_EQ(line->GetAsyncIO()->Write(line->GetWriteConnection(), 2, handles, values, &transaction, &errors), S_OK);
  CoTaskMemFree(errors);
  // As the link's own write keeps them: only an answer to a write under way counts.
  for (COpcItem* item : {countItem, levelItem}) {
    line->KeepWriteUnderWay({transaction, item->GetClientHandle(), 0, Variant()});
  }
  boxes.Expect(IDOK);
  PumpPendingMessages();
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.LastText(), ruv::Format("Failed on item 'Line.Level'  for asynchronous 1.0 write transaction %08X "
                                          "(HR = 80004005).",
                                          static_cast<unsigned>(transaction)));
  EXPECT_TRUE(countTag->IsWritePending());  // the completion alone clears nothing
  Deliver(500);
  EXPECT_EQ(countTag->GetValue(), Variant::I4(9));
  EXPECT_FALSE(countTag->IsWritePending());
  EXPECT_TRUE(levelTag->IsWritePending());  // refused: pending until its next value
  OpcStandIn::Instance().SetValue("Line.Level", Variant::R4(2.0f));
  Deliver(500);
  EXPECT_FALSE(levelTag->IsWritePending());
}

TEST_F(OpcClientTest, RefreshAnswerShowsItsTransaction) {
  COpcGroup* line = Group("Line");
  Item(line, "Line.Count", Tag("Line.Count", VT_I4));
  Item(line, "Line.Level", Tag("Line.Level", VT_R4));
  ASSERT_TRUE(server->ConnectAll());
  PumpPendingMessages();
  DWORD transaction = 0;
  ASSERT_EQ(line->GetAsyncIO()->Refresh(line->GetDataConnection(), OPC_DS_CACHE, &transaction), S_OK);
  boxes.Expect(IDOK);
  PumpPendingMessages();
  EXPECT_EQ(boxes.LastText(), ruv::Format("Asynchronous 1.0 transaction %08X completed for 2 items on group 'Line' "
                                          "(HR = 00000000).",
                                          static_cast<unsigned>(transaction)));
}

TEST_F(OpcClientTest, ShutdownRequestIsShownAndPostedToTheMainWindow) {
  MainWindowStandIn mainWindow;
  COpcServer::SetMainWindow(mainWindow.handle);
  ASSERT_TRUE(server->Connect());
  boxes.Expect(IDOK);
  OpcStandIn::Instance().RequestShutdown("maintenance");
  EXPECT_EQ(boxes.Count(), 0u);
  PumpPendingMessages();
  EXPECT_EQ(boxes.LastText(), "Server 'OPC.SimaticNET' requested shutdown, reason 'maintenance'.");
  ASSERT_EQ(mainWindow.messages.size(), 1u);
  EXPECT_EQ(mainWindow.messages[0].message, 14681u);
  EXPECT_EQ(mainWindow.messages[0].wParam, 0u);
  EXPECT_EQ(mainWindow.messages[0].lParam, reinterpret_cast<LPARAM>(server.get()));
  EXPECT_TRUE(server->IsConnected());  // the link keeps its state

  boxes.Expect(IDOK);
  OpcStandIn::Instance().RequestShutdown("");
  PumpPendingMessages();
  EXPECT_EQ(boxes.LastText(), "Server 'OPC.SimaticNET' requested shutdown, reason ''.");

  server->Disconnect();
  OpcStandIn::Instance().RequestShutdown("late");
  PumpPendingMessages();
  EXPECT_EQ(boxes.Count(), 2u);  // unadvised: nothing reaches the link any more
}

TEST_F(OpcClientTest, DisconnectKeepsTheObjectsAndConnectingAgainRestoresThem) {
  CDCTag* countTag = Tag("Line.Count", VT_I4);
  COpcGroup* line = Group("Line");
  COpcGroup* tank = Group("Tank");
  COpcItem* count = Item(line, "Line.Count", countTag);
  COpcItem* temp = Item(tank, "Tank.Temp", Tag("Tank.Temp", VT_R8));
  ASSERT_TRUE(server->ConnectAll());
  PumpPendingMessages();
  EXPECT_EQ(server->GetGroups(), (std::vector<COpcGroup*>{tank, line}));
  EXPECT_EQ(OpcStandIn::Instance().GroupCount(), 2u);

  server->Disconnect();
  EXPECT_FALSE(server->IsConnected());
  EXPECT_EQ(OpcStandIn::Instance().ServerCount(), 0u);  // every interface released
  EXPECT_EQ(server->GetGroupCount(), 2);
  EXPECT_EQ(line->GetItemCount(), 1u);
  EXPECT_FALSE(line->IsAdded());
  EXPECT_EQ(line->GetItemMgt(), nullptr);
  EXPECT_FALSE(count->IsAdded());
  EXPECT_EQ(count->GetQuality(), OPC_QUALITY_OUT_OF_SERVICE);
  EXPECT_TRUE(count->GetValue().IsEmpty());
  EXPECT_EQ(count->GetUpdateCount(), 0u);

  OpcStandIn::Instance().SetValue("Line.Count", Variant::I4(31));
  ASSERT_TRUE(server->ConnectAll());
  PumpPendingMessages();
  EXPECT_TRUE(count->IsAdded());
  EXPECT_TRUE(temp->IsAdded());
  EXPECT_EQ(countTag->GetValue(), Variant::I4(31));
  EXPECT_EQ(OpcStandIn::Instance().GroupCount(), 2u);

  const OPCHANDLE tempHandle = temp->GetClientHandle();
  ASSERT_EQ(COpcItem::FromClientHandle(tempHandle), temp);
  server.reset();  // destroying the server removes and destroys its groups and items
  EXPECT_EQ(OpcStandIn::Instance().GroupCount(), 0u);
  EXPECT_EQ(COpcItem::FromClientHandle(tempHandle), nullptr);
}

TEST_F(OpcClientTest, TypeMismatchAtTheFirstAddAsksAndCancelEndsWith123) {
  CDCTag* wrong = Tag("Line.Level", VT_I4);  // the server says VT_R4
  COpcGroup* line = Group("Line");
  COpcItem* item = Item(line, "Line.Level", wrong);
  boxes.Expect(IDCANCEL, "Line.Level");
  ASSERT_TRUE(server->ConnectAll());
  EXPECT_EQ(boxes.Boxes()[0].style, MB_OKCANCEL | MB_ICONSTOP | MB_SYSTEMMODAL);
  EXPECT_EQ(exits.Codes(), std::vector<int>{123});
  EXPECT_EQ(item->GetValueType(), VT_EMPTY);  // the process is ending: nothing more is done

  server->Disconnect();
  keys.Press(VK_SHIFT);  // Shift held silences the prompt
  ASSERT_TRUE(server->ConnectAll());
  EXPECT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(item->GetValueType(), VT_R4);
}

TEST(OpcMessageText, CutToFiveHundredElevenCharacters) {
  ScriptedMessageBox boxes;
  boxes.Expect(IDOK);
  const std::string longName(600, 'x');
  OpcMessage("Failed to add items to group '%s' (No Interface).", longName.c_str());
  EXPECT_EQ(boxes.LastText().size(), kOpcMessageMaxLength);
  EXPECT_EQ(boxes.LastText().substr(0, 30), "Failed to add items to group '");
  EXPECT_EQ(FormatOpcMessage("%s", "short"), "short");
}
