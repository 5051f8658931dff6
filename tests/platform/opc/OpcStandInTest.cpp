// The OPC server stand-in through the raw interfaces: groups, items, refusals,
// deliveries from the event loop at most once per update rate, asynchronous
// writes with their completion streams, refresh and shut-down requests.
#include <gtest/gtest.h>

#include "platform/base/Text.h"
#include "platform/opc/ClipboardFormats.h"
#include "platform/opc/ComClassRegistry.h"
#include "platform/opc/ComMemory.h"
#include "platform/opc/ComPtr.h"
#include "platform/opc/OpcStandIn.h"
#include "platform/opc/OpcStreamReader.h"
#include "platform/ui/MessageCore.h"
#include "support/FakeClock.h"

namespace {

constexpr HRESULT E_ACCESSDENIED_FOR_TEST = static_cast<HRESULT>(0x80070005u);

// Records every stream it is given, parsed.
class RecordingSink final : public IAdviseSink {
 public:
  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IAdviseSink) {
      *out = static_cast<IAdviseSink*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override { return --refs; }
  void OnDataChange(FORMATETC* format, STGMEDIUM* medium) override {
    const auto* bytes = static_cast<const std::uint8_t*>(GlobalLock(medium->hGlobal));
    const std::size_t size = GlobalSize(medium->hGlobal);
    const std::string name = GetClipboardFormatName(format->cfFormat);
    if (name == kOpcFormatWriteCompleteName) {
      OpcWriteCompleteStream stream;
      EXPECT_EQ(ReadOpcWriteCompleteStream(bytes, size, stream), OpcStreamError::None);
      writes.push_back(stream);
    } else {
      OpcDataStream stream;
      EXPECT_EQ(ReadOpcDataStream(bytes, size, name == kOpcFormatDataTimeName, stream), OpcStreamError::None);
      data.push_back(stream);
    }
    if (onData) onData();
  }
  void OnViewChange(DWORD, LONG) override {}
  void OnRename(IUnknown*) override {}
  void OnSave() override {}
  void OnClose() override {}

  ULONG refs = 1;
  std::vector<OpcDataStream> data;
  std::vector<OpcWriteCompleteStream> writes;
  std::function<void()> onData;
};

class ShutdownSink final : public IOPCShutdown {
 public:
  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IOPCShutdown) {
      *out = static_cast<IOPCShutdown*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override { return --refs; }
  HRESULT ShutdownRequest(LPCWSTR reason) override {
    reasons.push_back(ruv::Utf16ToUtf8(WideText(reason)));
    return S_OK;
  }
  ULONG refs = 1;
  std::vector<std::string> reasons;
};

FORMATETC Format(const char* name) {
  FORMATETC format;
  format.cfFormat = static_cast<CLIPFORMAT>(RegisterClipboardFormatA(name));
  return format;
}

class OpcStandInTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock.Install();
    PumpPendingMessages();
    OpcStandIn::Instance().Reset();
    ASSERT_TRUE(OpcStandIn::Instance().LoadItems({{"Line.Level", VT_R4}, {"Line.Count", VT_I4}, {"Line.Name", VT_BSTR}}));
    MULTI_QI qi[2];
    qi[0].iid = &IID_IOPCServer;
    qi[1].iid = &IID_IConnectionPointContainer;
    ASSERT_EQ(CoCreateInstanceEx(CLSID_OpcStandIn, nullptr, CLSCTX_SERVER, nullptr, 2, qi), S_OK);
    server = ComPtr<IOPCServer>::Attach(static_cast<IOPCServer*>(qi[0].itf));
    container = ComPtr<IConnectionPointContainer>::Attach(static_cast<IConnectionPointContainer*>(qi[1].itf));
  }
  void TearDown() override {
    if (group) {
      for (DWORD connection : connections) dataObject->DUnadvise(connection);
    }
    dataObject.Reset();
    asyncIo.Reset();
    syncIo.Reset();
    itemMgt.Reset();
    group.Reset();
    container.Reset();
    server.Reset();
    PumpPendingMessages();
    EXPECT_EQ(OpcStandIn::Instance().ServerCount(), 0u);
    OpcStandIn::Instance().Reset();
  }

  HRESULT AddGroup(const char16_t* name, DWORD rate, DWORD* revised = nullptr, BOOL active = TRUE) {
    OPCHANDLE serverGroup = 0;
    DWORD revisedRate = 0;
    float deadband = 0.0f;
    LONG bias = 0;
    HRESULT hr = server->AddGroup(name, active, rate, 77, &bias, &deadband, 1033, &serverGroup, &revisedRate,
                                  IID_IUnknown, reinterpret_cast<IUnknown**>(group.Put()));
    if (revised) *revised = revisedRate;
    if (FAILED(hr)) return hr;
    serverGroupHandle = serverGroup;
    EXPECT_EQ(group.As(IID_IOPCItemMgt, itemMgt), S_OK);
    EXPECT_EQ(group.As(IID_IOPCSyncIO, syncIo), S_OK);
    EXPECT_EQ(group.As(IID_IOPCAsyncIO, asyncIo), S_OK);
    EXPECT_EQ(group.As(IID_IDataObject, dataObject), S_OK);
    return hr;
  }

  void Advise(const char* format) {
    FORMATETC f = Format(format);
    DWORD connection = 0;
    ASSERT_EQ(dataObject->DAdvise(&f, 0, &sink, &connection), S_OK);
    connections.push_back(connection);
  }

  // Adds items by id (client handle = position + 1); the server handles come back.
  std::vector<OPCHANDLE> AddItems(const std::vector<std::u16string>& ids, std::vector<HRESULT>* errorsOut = nullptr,
                                  std::vector<OPCITEMRESULT>* resultsOut = nullptr) {
    std::vector<OPCITEMDEF> defs(ids.size());
    std::vector<std::u16string> texts = ids;
    for (std::size_t i = 0; i < ids.size(); ++i) {
      defs[i].szItemID = texts[i].data();
      defs[i].hClient = static_cast<OPCHANDLE>(i + 1);
    }
    OPCITEMRESULT* results = nullptr;
    HRESULT* errors = nullptr;
    itemMgt->AddItems(static_cast<DWORD>(defs.size()), defs.data(), &results, &errors);
    std::vector<OPCHANDLE> handles;
    for (std::size_t i = 0; i < ids.size(); ++i) {
      handles.push_back(results[i].hServer);
      if (errorsOut) errorsOut->push_back(errors[i]);
      if (resultsOut) resultsOut->push_back(results[i]);
    }
    CoTaskMemFree(results);
    CoTaskMemFree(errors);
    return handles;
  }

  FakeClock clock{5000};
  ComPtr<IOPCServer> server;
  ComPtr<IConnectionPointContainer> container;
  ComPtr<IUnknown> group;
  ComPtr<IOPCItemMgt> itemMgt;
  ComPtr<IOPCSyncIO> syncIo;
  ComPtr<IOPCAsyncIO> asyncIo;
  ComPtr<IDataObject> dataObject;
  OPCHANDLE serverGroupHandle = 0;
  RecordingSink sink;
  std::vector<DWORD> connections;
};

}  // namespace

TEST_F(OpcStandInTest, GroupsGetHandlesRevisedRatesAndUniqueNames) {
  DWORD revised = 0;
  EXPECT_EQ(AddGroup(u"Line", 50, &revised), OPC_S_UNSUPPORTEDRATE);
  EXPECT_EQ(revised, kOpcStandInMinimumUpdateRate);
  EXPECT_NE(serverGroupHandle, 0u);
  ComPtr<IOPCGroupStateMgt> state;
  ASSERT_EQ(group.As(IID_IOPCGroupStateMgt, state), S_OK);
  LPWSTR name = nullptr;
  OPCHANDLE client = 0;
  ASSERT_EQ(state->GetState(nullptr, nullptr, &name, nullptr, nullptr, nullptr, &client, nullptr), S_OK);
  EXPECT_EQ(WideText(name), u"Line");
  EXPECT_EQ(client, 77u);
  CoTaskMemFree(name);
  ComPtr<IUnknown> groupInterfaceOffered;
  EXPECT_EQ(group.As(IID_IOPCAsyncIO2, groupInterfaceOffered), E_NOINTERFACE);

  ComPtr<IUnknown> second;
  OPCHANDLE handle = 0;
  DWORD rate = 0;
  EXPECT_EQ(server->AddGroup(u"Line", TRUE, 500, 1, nullptr, nullptr, 1033, &handle, &rate, IID_IUnknown, second.Put()),
            OPC_E_DUPLICATENAME);
  OpcStandIn::Instance().RefuseGroup("Tank", E_OUTOFMEMORY);
  EXPECT_EQ(server->AddGroup(u"Tank", TRUE, 500, 1, nullptr, nullptr, 1033, &handle, &rate, IID_IUnknown, second.Put()),
            E_OUTOFMEMORY);
  EXPECT_EQ(OpcStandIn::Instance().GroupCount(), 1u);
  EXPECT_EQ(server->RemoveGroup(serverGroupHandle, FALSE), S_OK);
  EXPECT_EQ(server->RemoveGroup(serverGroupHandle, FALSE), E_FAIL);
  EXPECT_EQ(OpcStandIn::Instance().GroupCount(), 0u);
}

TEST_F(OpcStandInTest, ItemsAddedWithTypeAndRightsRefusedOnesFailAlone) {
  ASSERT_TRUE(SUCCEEDED(AddGroup(u"Line", 200)));
  OpcStandIn::Instance().AddItem("Line.ReadOnly", VT_I2, OPC_READABLE);
  OpcStandIn::Instance().RefuseItem("Line.Count", OPC_E_BADRIGHTS);
  std::vector<HRESULT> errors;
  std::vector<OPCITEMRESULT> results;
  AddItems({u"Line.Level", u"Line.Count", u"Line.Missing", u"Line.ReadOnly", u""}, &errors, &results);
  EXPECT_EQ(errors, (std::vector<HRESULT>{S_OK, OPC_E_BADRIGHTS, OPC_E_UNKNOWNITEMID, S_OK, OPC_E_INVALIDITEMID}));
  EXPECT_EQ(results[0].vtCanonicalDataType, VT_R4);
  EXPECT_EQ(results[0].dwAccessRights, OPC_READABLE | OPC_WRITEABLE);
  EXPECT_EQ(results[3].vtCanonicalDataType, VT_I2);
  EXPECT_EQ(results[3].dwAccessRights, OPC_READABLE);
  EXPECT_NE(results[0].hServer, results[3].hServer);
  EXPECT_EQ(OpcStandIn::Instance().ItemUseCount("Line.Level"), 1u);

  LPWSTR text = nullptr;
  ASSERT_EQ(server->GetErrorString(OPC_E_UNKNOWNITEMID, 1033, &text), S_OK);
  EXPECT_NE(WideText(text).find(u"address space"), std::u16string::npos);
  CoTaskMemFree(text);

  HRESULT* removeErrors = nullptr;
  OPCHANDLE handles[] = {results[0].hServer, 999};
  EXPECT_EQ(itemMgt->RemoveItems(2, handles, &removeErrors), S_FALSE);
  EXPECT_EQ(removeErrors[0], S_OK);
  EXPECT_EQ(removeErrors[1], OPC_E_INVALIDHANDLE);
  CoTaskMemFree(removeErrors);
  EXPECT_EQ(OpcStandIn::Instance().ItemUseCount("Line.Level"), 0u);
}

TEST_F(OpcStandInTest, DataArrivesFromTheEventLoopAtMostOncePerUpdateRate) {
  ASSERT_TRUE(SUCCEEDED(AddGroup(u"Line", 1000)));
  Advise(kOpcFormatDataName);
  OpcStandIn::Instance().SetValue("Line.Level", Variant::R4(2.5f));
  AddItems({u"Line.Level", u"Line.Count"});
  EXPECT_TRUE(sink.data.empty());  // never inside the client's call
  PumpPendingMessages();
  ASSERT_EQ(sink.data.size(), 1u);
  ASSERT_EQ(sink.data[0].items.size(), 2u);
  EXPECT_EQ(sink.data[0].clientGroup, 77u);
  EXPECT_EQ(sink.data[0].transactionId, 0u);
  EXPECT_EQ(sink.data[0].items[0].clientItem, 1u);
  EXPECT_EQ(sink.data[0].items[0].value, Variant::R4(2.5f));
  EXPECT_EQ(sink.data[0].items[1].value, Variant::I4(0));

  OpcStandIn::Instance().SetValue("Line.Count", Variant::I4(7));
  OpcStandIn::Instance().SetValue("Line.Count", Variant::I4(8));
  clock.Advance(999);
  OpcStandIn::Instance().ServiceGroups();
  PumpPendingMessages();
  EXPECT_EQ(sink.data.size(), 1u);  // not due yet
  clock.Advance(1);
  OpcStandIn::Instance().ServiceGroups();
  PumpPendingMessages();
  ASSERT_EQ(sink.data.size(), 2u);
  ASSERT_EQ(sink.data[1].items.size(), 1u);  // only what changed, with its latest value
  EXPECT_EQ(sink.data[1].items[0].clientItem, 2u);
  EXPECT_EQ(sink.data[1].items[0].value, Variant::I4(8));

  clock.Advance(5000);
  OpcStandIn::Instance().SetQuality("Line.Level", OPC_QUALITY_COMM_FAILURE);
  PumpPendingMessages();
  ASSERT_EQ(sink.data.size(), 3u);
  EXPECT_EQ(sink.data[2].items[0].quality, OPC_QUALITY_COMM_FAILURE);
}

TEST_F(OpcStandInTest, TimeStampedFormatAndInactiveGroup) {
  ASSERT_TRUE(SUCCEEDED(AddGroup(u"Line", 100)));
  Advise(kOpcFormatDataTimeName);
  OpcStandIn::Instance().SetValue("Line.Name", Variant::String("pump \xD9\x83"));
  OpcStandIn::Instance().SetTimeStamp("Line.Name", FILETIME::From(0x01D9000000000001ull));
  AddItems({u"Line.Name"});
  PumpPendingMessages();
  ASSERT_EQ(sink.data.size(), 1u);
  EXPECT_EQ(sink.data[0].items[0].value, Variant::String("pump \xD9\x83"));
  EXPECT_EQ(sink.data[0].items[0].timeStamp.Value(), 0x01D9000000000001ull);

  ComPtr<IUnknown> idle;
  OPCHANDLE handle = 0;
  DWORD rate = 0;
  ASSERT_EQ(server->AddGroup(u"Idle", FALSE, 100, 5, nullptr, nullptr, 1033, &handle, &rate, IID_IUnknown, idle.Put()),
            S_OK);
  ComPtr<IDataObject> idleData;
  ASSERT_EQ(idle.As(IID_IDataObject, idleData), S_OK);
  RecordingSink idleSink;
  FORMATETC f = Format(kOpcFormatDataName);
  DWORD connection = 0;
  ASSERT_EQ(idleData->DAdvise(&f, 0, &idleSink, &connection), S_OK);
  PumpPendingMessages();
  EXPECT_TRUE(idleSink.data.empty());
  EXPECT_EQ(idleData->DUnadvise(connection), S_OK);
  EXPECT_EQ(idleSink.refs, 1u);
}

TEST_F(OpcStandInTest, AsynchronousWritesCompleteFromTheEventLoop) {
  ASSERT_TRUE(SUCCEEDED(AddGroup(u"Line", 100)));
  Advise(kOpcFormatDataName);
  Advise(kOpcFormatWriteCompleteName);
  OpcStandIn::Instance().AddItem("Line.ReadOnly", VT_I4, OPC_READABLE);
  std::vector<OPCHANDLE> handles = AddItems({u"Line.Count", u"Line.Level", u"Line.ReadOnly"});
  PumpPendingMessages();
  sink.data.clear();
  clock.Advance(100);

  OpcStandIn::Instance().FailWrites("Line.Level", E_ACCESSDENIED_FOR_TEST);
  Variant values[] = {Variant::String("12"), Variant::R4(1.0f), Variant::I4(1)};
  DWORD transaction = 0;
  HRESULT* errors = nullptr;
  EXPECT_EQ(asyncIo->Write(connections[1], 3, handles.data(), values, &transaction, &errors), S_FALSE);
  EXPECT_NE(transaction, 0u);
  EXPECT_EQ(errors[0], S_OK);
  EXPECT_EQ(errors[1], S_OK);  // accepted now, fails in the completion
  EXPECT_EQ(errors[2], OPC_E_BADRIGHTS);
  CoTaskMemFree(errors);
  EXPECT_TRUE(sink.writes.empty());
  EXPECT_EQ(OpcStandIn::Instance().Value("Line.Count"), Variant::I4(0));

  PumpPendingMessages();
  ASSERT_EQ(sink.writes.size(), 1u);
  EXPECT_EQ(sink.writes[0].transactionId, transaction);
  EXPECT_EQ(sink.writes[0].clientGroup, 77u);
  ASSERT_EQ(sink.writes[0].items.size(), 2u);
  EXPECT_EQ(sink.writes[0].items[0].clientItem, 1u);
  EXPECT_EQ(sink.writes[0].items[0].error, S_OK);
  EXPECT_EQ(sink.writes[0].items[1].clientItem, 2u);
  EXPECT_EQ(sink.writes[0].items[1].error, E_ACCESSDENIED_FOR_TEST);
  EXPECT_EQ(OpcStandIn::Instance().Value("Line.Count"), Variant::I4(12));  // in the item's own type
  ASSERT_EQ(sink.data.size(), 1u);  // the written value comes back as a data change
  EXPECT_EQ(sink.data[0].items[0].value, Variant::I4(12));

  EXPECT_EQ(asyncIo->Write(connections[0], 1, handles.data(), values, &transaction, &errors), CONNECT_E_NOCONNECTION);
}

TEST_F(OpcStandInTest, SynchronousWritesAndRefresh) {
  ASSERT_TRUE(SUCCEEDED(AddGroup(u"Line", 100)));
  Advise(kOpcFormatDataName);
  std::vector<OPCHANDLE> handles = AddItems({u"Line.Count"});
  PumpPendingMessages();
  Variant value = Variant::I4(-5);
  HRESULT* errors = nullptr;
  EXPECT_EQ(syncIo->Write(1, handles.data(), &value, &errors), S_OK);
  EXPECT_EQ(errors[0], S_OK);
  CoTaskMemFree(errors);
  EXPECT_EQ(OpcStandIn::Instance().Value("Line.Count"), Variant::I4(-5));
  OpcStandIn::Instance().FailWrites("Line.Count", E_FAIL);
  EXPECT_EQ(syncIo->Write(1, handles.data(), &value, &errors), S_FALSE);
  EXPECT_EQ(errors[0], E_FAIL);
  CoTaskMemFree(errors);

  clock.Advance(100);
  PumpPendingMessages();
  sink.data.clear();
  DWORD transaction = 0;
  ASSERT_EQ(asyncIo->Refresh(connections[0], OPC_DS_CACHE, &transaction), S_OK);
  EXPECT_TRUE(sink.data.empty());
  PumpPendingMessages();
  ASSERT_EQ(sink.data.size(), 1u);
  EXPECT_EQ(sink.data[0].transactionId, transaction);
  EXPECT_EQ(sink.data[0].items[0].value, Variant::I4(-5));
}

TEST_F(OpcStandInTest, ShutdownRequestReachesAdvisedSinksFromTheEventLoop) {
  ComPtr<IConnectionPoint> point;
  ASSERT_EQ(container->FindConnectionPoint(IID_IOPCShutdown, point.Put()), S_OK);
  ComPtr<IConnectionPoint> none;
  EXPECT_EQ(container->FindConnectionPoint(IID_IOPCDataCallback, none.Put()), CONNECT_E_NOCONNECTION);
  ShutdownSink shutdown;
  DWORD cookie = 0;
  ASSERT_EQ(point->Advise(&shutdown, &cookie), S_OK);
  OpcStandIn::Instance().RequestShutdown("maintenance");
  EXPECT_TRUE(shutdown.reasons.empty());
  PumpPendingMessages();
  EXPECT_EQ(shutdown.reasons, std::vector<std::string>{"maintenance"});
  EXPECT_EQ(point->Unadvise(cookie), S_OK);
  EXPECT_EQ(shutdown.refs, 1u);
}
