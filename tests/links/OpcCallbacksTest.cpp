// The callbacks the OPC server calls: the version 1.0 advise sink reading the data
// and write-complete streams (malformed streams change nothing, unknown handles are
// skipped), the version 2.0 data callback and the shut-down sink.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "datacenter/DCTag.h"
#include "datacenter/EngineServices.h"
#include "links/OpcClipboardFormats.h"
#include "links/OpcGroup.h"
#include "links/OpcItem.h"
#include "links/OpcServer.h"
#include "links/RAdviseSink.h"
#include "links/RDataSink20.h"
#include "links/RShutdownSink.h"
#include "platform/opc/ClipboardFormats.h"
#include "platform/opc/ComPtr.h"
#include "platform/opc/GlobalMemory.h"
#include "platform/opc/OpcStreamWriter.h"
#include "platform/ui/MessageCore.h"
#include "support/ScriptedMessageBox.h"
#include "support/TestEnvironment.h"

namespace {

class RealHardwareEngine final : public IEngineServices {
 public:
  int GetDataSourceType() const override { return eDataSourceRealHW; }
  bool IsSuspended() const override { return false; }
  CDataCenterBase* GetDataCenter() const override { return nullptr; }
  CIniFile* GetIniFile() const override { return nullptr; }
  std::string GetSettingsFileName() const override { return std::string(); }
};

void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

class OpcCallbacks : public ::testing::Test {
 protected:
  void SetUp() override {
    SetEngine(&engine);
    server = std::make_unique<COpcServer>(nullptr, "OPC.SimaticNET", "");
    group = new COpcGroup(server.get());
    group->SetName("Line");
    server->AddGroup(group, FALSE);
    for (const char* name : {"Line.Count", "Line.Level"}) {
      auto tag = std::make_unique<CDCTag>();
      tag->SetTagName(name);
      tag->SetHWType(eHWOpc);
      tag->SetIOType(eIODuplex);
      tag->SetDataType(tags.empty() ? VT_I4 : VT_R4);
      auto* item = new COpcItem(group);
      item->SetItemId(name);
      item->SetDCTag(tag.get());
      group->AddItems(&item, 1, FALSE);
      items.push_back(item);
      tags.push_back(std::move(tag));
    }
    sink = new CRAdviseSink();
    sink->AddRef();
  }
  void TearDown() override {
    EXPECT_FALSE(exits.Exited());
    sink->Release();
    server.reset();
    SetEngine(nullptr);
  }

  OpcDataStream TwoValues() const {
    OpcDataStream stream;
    stream.clientGroup = group->GetClientHandle();
    stream.items.push_back({items[0]->GetClientHandle(), OPC_QUALITY_GOOD, FILETIME{}, Variant::I4(17)});
    stream.items.push_back({items[1]->GetClientHandle(), OPC_QUALITY_UNCERTAIN, FILETIME{}, Variant::R4(2.5f)});
    return stream;
  }

  void Send(CLIPFORMAT format, const std::vector<std::uint8_t>& bytes, DWORD tymed = TYMED_HGLOBAL) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!bytes.empty()) std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
    FORMATETC fmt;
    fmt.cfFormat = format;
    fmt.tymed = tymed;
    STGMEDIUM medium;
    medium.tymed = tymed;
    medium.hGlobal = block;
    sink->OnDataChange(&fmt, &medium);
    EXPECT_EQ(GlobalSize(block), bytes.size());  // the block stays the caller's
    GlobalFree(block);
  }

  std::vector<std::uint8_t> Data(const OpcDataStream& stream, bool withTime = false) {
    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(WriteOpcDataStream(stream, withTime, bytes));
    return bytes;
  }

  RealHardwareEngine engine;
  ScriptedMessageBox boxes;
  RecordingExitHook exits;
  ScopedKeyState keys;
  std::unique_ptr<COpcServer> server;
  COpcGroup* group = nullptr;
  std::vector<COpcItem*> items;
  std::vector<std::unique_ptr<CDCTag>> tags;
  CRAdviseSink* sink = nullptr;
};

TEST_F(OpcCallbacks, DataStreamUpdatesItemsAndTags) {
  Send(OpcFormatData(), Data(TwoValues()));
  EXPECT_EQ(items[0]->GetValue(), Variant::I4(17));
  EXPECT_EQ(tags[0]->GetValue(), Variant::I4(17));
  EXPECT_EQ(items[1]->GetQuality(), OPC_QUALITY_UNCERTAIN);
  EXPECT_EQ(tags[1]->GetValue(), Variant::R4(2.5f));
  EXPECT_EQ(items[0]->GetUpdateCount(), 1u);
  EXPECT_EQ(boxes.Count(), 0u);  // a subscription update (transaction 0) shows nothing
}

TEST_F(OpcCallbacks, EmptyStringArrivesAsEmptyString) {
  CDCTag text;
  text.SetTagName("Line.Text");
  text.SetDataType(VT_BSTR);
  items[0]->SetDCTag(&text);
  OpcDataStream stream;
  stream.clientGroup = group->GetClientHandle();
  stream.items.push_back({items[0]->GetClientHandle(), OPC_QUALITY_GOOD, FILETIME{}, Variant::String("")});
  Send(OpcFormatData(), Data(stream));
  EXPECT_EQ(items[0]->GetValue(), Variant::String(""));
  EXPECT_EQ(text.GetValue(), Variant::String(""));
  items[0]->SetDCTag(nullptr);
}

TEST_F(OpcCallbacks, MalformedStreamChangesNothing) {
  std::vector<std::uint8_t> bytes = Data(TwoValues());
  Put32(bytes, 36, 0xFFFFFFF0u);  // the second item's value offset points far outside
  Send(OpcFormatData(), bytes);
  bytes = Data(TwoValues());
  bytes.resize(bytes.size() - 1);  // total size now beyond the block
  Send(OpcFormatData(), bytes);
  Send(OpcFormatData(), {});
  Send(OpcFormatDataTime(), Data(TwoValues()));  // data layout announced as time-stamped
  for (COpcItem* item : items) EXPECT_EQ(item->GetUpdateCount(), 0u);
  EXPECT_EQ(tags[0]->GetValue(), Variant::I4(0));
  EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(OpcCallbacks, UnknownHandlesAreSkipped) {
  OpcDataStream stream = TwoValues();
  stream.items[0].clientItem = 0xFFFF0000u;
  Send(OpcFormatData(), Data(stream));
  EXPECT_EQ(items[0]->GetUpdateCount(), 0u);
  EXPECT_EQ(items[1]->GetUpdateCount(), 1u);

  stream = TwoValues();
  stream.clientGroup = 0xFFFF0000u;  // a group that does not exist: none of it is taken
  Send(OpcFormatData(), Data(stream));
  EXPECT_EQ(items[0]->GetUpdateCount(), 0u);
  EXPECT_EQ(items[1]->GetUpdateCount(), 1u);

  Send(static_cast<CLIPFORMAT>(RegisterClipboardFormatA("Some Other Format")), Data(TwoValues()));
  Send(OpcFormatData(), Data(TwoValues()), 4);  // not global memory: ignored
  EXPECT_EQ(boxes.Count(), 0u);
}

// A real server may call back as a send, run by a wait that must run nothing
// else (a link's stop): a box's loop would let anything queued run inside it.
// So a transaction's answer is taken at once and told from the event loop.
TEST_F(OpcCallbacks, ATransactionsAnswerIsToldLaterNeverInsideTheServersCall) {
  OpcDataStream stream = TwoValues();
  stream.transactionId = 0x2A;
  stream.status = S_FALSE;
  Send(OpcFormatData(), Data(stream));
  EXPECT_EQ(items[0]->GetUpdateCount(), 1u);

  ComPtr<IRDataSink20> callback = ComPtr<IRDataSink20>::Share(new IRDataSink20());
  OPCHANDLE handles[] = {items[0]->GetClientHandle()};
  Variant values[] = {Variant::I4(18)};
  WORD qualities[] = {OPC_QUALITY_GOOD};
  FILETIME stamps[] = {FILETIME::From(1)};
  HRESULT errors[] = {S_OK};
  EXPECT_EQ(callback->OnReadComplete(0x2B, group->GetClientHandle(), S_OK, S_OK, 1, handles, values, qualities, stamps,
                                     errors),
            S_OK);
  EXPECT_EQ(callback->OnDataChange(0x2C, group->GetClientHandle(), S_OK, S_OK, 1, handles, values, qualities, stamps,
                                   errors),
            S_OK);
  EXPECT_EQ(tags[0]->GetValue(), Variant::I4(18));
  EXPECT_EQ(boxes.Count(), 0u);

  boxes.Expect(IDOK, "Asynchronous 1.0 transaction 0000002A completed for 2 items on group 'Line' (HR = 00000001).");
  boxes.Expect(IDOK, "Asynchronous 2.0 transaction 0000002B completed for 1 items on group 'Line' (HR = 00000000).");
  boxes.Expect(IDOK, "Asynchronous 2.0 transaction 0000002C completed for 1 items on group 'Line' (HR = 00000000).");
  PumpPendingMessages();
  EXPECT_EQ(boxes.Count(), 3u);
  EXPECT_EQ(boxes.Pending(), 0u);
}

TEST_F(OpcCallbacks, TimeStampedStreamStoresTheStamp) {
  OpcDataStream stream = TwoValues();
  stream.items[1].timeStamp = FILETIME::From(0x01DB112233445566ull);
  Send(OpcFormatDataTime(), Data(stream, true));
  EXPECT_TRUE(items[1]->IsTimeStampValid());
  EXPECT_EQ(items[1]->GetTimeStamp().Value(), 0x01DB112233445566ull);
  Send(OpcFormatData(), Data(stream));
  EXPECT_FALSE(items[1]->IsTimeStampValid());
}

TEST_F(OpcCallbacks, WriteCompleteReportsEachFailedItem) {
  for (COpcItem* item : items) group->KeepWriteUnderWay({7, item->GetClientHandle(), 0, Variant()});
  OpcWriteCompleteStream done;
  done.clientGroup = group->GetClientHandle();
  done.transactionId = 7;
  done.items = {{items[0]->GetClientHandle(), S_OK}, {items[1]->GetClientHandle(), OPC_E_BADTYPE}, {0xFFFF0000u, E_FAIL}};
  boxes.Expect(IDOK);
  Send(OpcFormatWriteComplete(), WriteOpcWriteCompleteStream(done));
  EXPECT_EQ(boxes.Count(), 0u);  // told from the event loop, never inside the server's call
  PumpPendingMessages();
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.LastText(), "Failed on item 'Line.Level'  for asynchronous 1.0 write transaction 00000007 (HR = C0040004).");

  done.clientGroup = 0;  // a completion without a group is ignored
  Send(OpcFormatWriteComplete(), WriteOpcWriteCompleteStream(done));
  std::vector<std::uint8_t> cut = WriteOpcWriteCompleteStream(done);
  Put32(cut, 4, group->GetClientHandle());
  cut.resize(cut.size() - 1);
  Send(OpcFormatWriteComplete(), cut);
  PumpPendingMessages();
  EXPECT_EQ(boxes.Count(), 1u);
}

TEST_F(OpcCallbacks, SinksAnswerOnlyTheirInterfaces) {
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(sink->QueryInterface(IID_IOPCShutdown, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(sink->QueryInterface(IID_IAdviseSink, nullptr), E_INVALIDARG);
  ASSERT_EQ(sink->QueryInterface(IID_IAdviseSink, &out), S_OK);
  EXPECT_EQ(sink->RefCount(), 2u);
  static_cast<IAdviseSink*>(out)->Release();

  ComPtr<IRDataSink20> callback = ComPtr<IRDataSink20>::Share(new IRDataSink20());
  out = reinterpret_cast<void*>(1);
  EXPECT_EQ(callback->QueryInterface(IID_IAdviseSink, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(callback->QueryInterface(IID_IOPCDataCallback, &out), S_OK);
  static_cast<IOPCDataCallback*>(out)->Release();
  EXPECT_EQ(callback->RefCount(), 1u);

  ComPtr<IRShutdownSink> shutdown = ComPtr<IRShutdownSink>::Share(new IRShutdownSink(server.get()));
  EXPECT_EQ(shutdown->QueryInterface(IID_IOPCDataCallback, &out), E_NOINTERFACE);
  EXPECT_EQ(shutdown->QueryInterface(IID_IUnknown, &out), S_OK);
  static_cast<IUnknown*>(out)->Release();
  boxes.Expect(IDOK, "Server 'OPC.SimaticNET' requested shutdown, reason 'x'.");
  EXPECT_EQ(shutdown->ShutdownRequest(u"x"), S_OK);
  shutdown->Detach();
  EXPECT_EQ(shutdown->ShutdownRequest(u"gone"), S_OK);  // a detached sink reaches nothing
  EXPECT_EQ(boxes.Count(), 1u);
}

TEST_F(OpcCallbacks, Version2DataChangesAndCompletions) {
  ComPtr<IRDataSink20> callback = ComPtr<IRDataSink20>::Share(new IRDataSink20());
  OPCHANDLE handles[] = {items[0]->GetClientHandle(), 0xFFFF0000u, items[1]->GetClientHandle()};
  Variant values[] = {Variant::I4(4), Variant::I4(5), Variant::R4(6.0f)};
  WORD qualities[] = {OPC_QUALITY_GOOD, OPC_QUALITY_GOOD, OPC_QUALITY_BAD};
  FILETIME stamps[] = {FILETIME::From(1), FILETIME::From(2), FILETIME::From(3)};
  HRESULT errors[] = {S_OK, S_OK, E_FAIL};
  const OPCHANDLE groupHandle = group->GetClientHandle();
  EXPECT_EQ(callback->OnDataChange(0, 0, S_OK, S_OK, 3, handles, values, qualities, stamps, errors), E_INVALIDARG);
  EXPECT_EQ(callback->OnDataChange(0, groupHandle, S_OK, S_OK, 3, handles, values, nullptr, stamps, errors), E_INVALIDARG);
  EXPECT_EQ(callback->OnDataChange(0, groupHandle, S_OK, S_OK, 0, handles, values, qualities, stamps, errors), E_INVALIDARG);
  EXPECT_EQ(items[0]->GetUpdateCount(), 0u);

  EXPECT_EQ(callback->OnDataChange(0, groupHandle, S_OK, S_OK, 3, handles, values, qualities, stamps, errors), S_OK);
  EXPECT_EQ(tags[0]->GetValue(), Variant::I4(4));
  EXPECT_EQ(items[1]->GetQuality(), OPC_QUALITY_BAD);  // taken whatever its error entry says
  EXPECT_EQ(items[1]->GetTimeStamp().Value(), 3u);
  EXPECT_EQ(boxes.Count(), 0u);

  boxes.Expect(IDOK, "Asynchronous 2.0 transaction 00000009 completed for 3 items on group 'Line' (HR = 00000000).");
  EXPECT_EQ(callback->OnReadComplete(9, groupHandle, S_OK, S_OK, 3, handles, values, qualities, stamps, errors), S_OK);
  boxes.Expect(IDOK, "Asynchronous 2.0 transaction 00000000 completed");
  EXPECT_EQ(callback->OnReadComplete(0, groupHandle, S_OK, S_OK, 3, handles, values, qualities, stamps, errors), S_OK);

  tags[0]->SetWritePending(TRUE);
  tags[1]->SetWritePending(TRUE);
  ASSERT_TRUE(tags[0]->IsWritePending());
  for (COpcItem* item : items) group->KeepWriteUnderWay({3, item->GetClientHandle(), 0, Variant()});
  HRESULT writeErrors[] = {S_OK, S_OK, OPC_E_BADRIGHTS};
  EXPECT_EQ(callback->OnWriteComplete(3, groupHandle, S_OK, 3, handles, nullptr), E_INVALIDARG);
  boxes.Expect(IDOK);
  EXPECT_EQ(callback->OnWriteComplete(3, groupHandle, S_OK, 3, handles, writeErrors), S_OK);
  PumpPendingMessages();
  EXPECT_EQ(boxes.LastText(), "Failed on item 'Line.Level' for asynchronous 2.0 write transaction 00000003 (HR = C0040006).");
  EXPECT_FALSE(tags[0]->IsWritePending());
  EXPECT_TRUE(tags[1]->IsWritePending());
  EXPECT_EQ(callback->OnCancelComplete(3, groupHandle), S_OK);
}
