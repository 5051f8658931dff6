// The minimal COM layer: activation with partial success, the unreachable remote
// machine, program identifiers, shared clipboard formats, streams over global
// memory, task memory and BSTR texts, connection points.
#include <gtest/gtest.h>

#include "platform/base/Text.h"
#include "platform/opc/ClipboardFormats.h"
#include "platform/opc/ComClassRegistry.h"
#include "platform/opc/ComMemory.h"
#include "platform/opc/ComPtr.h"
#include "platform/opc/ConnectionPoint.h"
#include "platform/opc/HGlobalStream.h"
#include "platform/opc/OpcDaInterfaces.h"
#include "platform/opc/OpcStandIn.h"

namespace {

const std::u16string kProgId = u"OPC.SimaticNET";

// A shutdown sink that counts its references and requests.
class CountingShutdownSink final : public IOPCShutdown {
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
  ULONG Release() override { return --refs; }  // lives on the test's stack
  HRESULT ShutdownRequest(LPCWSTR reason) override {
    reasons.push_back(ruv::Utf16ToUtf8(reason));
    return S_OK;
  }
  ULONG refs = 1;
  std::vector<std::string> reasons;
};

}  // namespace

TEST(ComActivation, ProgramIdentifierFindsTheStandInWhateverTheCase) {
  CLSID clsid;
  ASSERT_EQ(CLSIDFromProgID(kProgId.c_str(), &clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_OpcStandIn);
  ASSERT_EQ(CLSIDFromProgID(u"opc.simaticnet", &clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_OpcStandIn);
  EXPECT_EQ(CLSIDFromProgID(u"OPC.Nobody", &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(clsid, CLSID{});
}

TEST(ComActivation, SevenInterfacesAtOnceGivePartialSuccess) {
  const IID* asked[] = {&IID_IOPCServer, &IID_IOPCCommon, &IID_IConnectionPointContainer, &IID_IOPCItemProperties,
                        &IID_IOPCBrowseServerAddressSpace, &IID_IOPCServerPublicGroups, &IID_IPersistFile};
  MULTI_QI results[7];
  for (int i = 0; i < 7; ++i) results[i].iid = asked[i];
  EXPECT_EQ(CoCreateInstanceEx(CLSID_OpcStandIn, nullptr, CLSCTX_SERVER, nullptr, 7, results), CO_S_NOTALLINTERFACES);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(results[i].hr, S_OK) << i;
    ASSERT_NE(results[i].itf, nullptr);
  }
  for (int i = 3; i < 7; ++i) {
    EXPECT_EQ(results[i].hr, E_NOINTERFACE) << i;
    EXPECT_EQ(results[i].itf, nullptr);
  }
  EXPECT_EQ(OpcStandIn::Instance().ServerCount(), 1u);
  for (int i = 0; i < 3; ++i) results[i].itf->Release();
  EXPECT_EQ(OpcStandIn::Instance().ServerCount(), 0u);  // the last reference ended the object
}

TEST(ComActivation, NoInterfaceAtAllAndUnknownClass) {
  MULTI_QI only;
  only.iid = &IID_IPersistFile;
  EXPECT_EQ(CoCreateInstanceEx(CLSID_OpcStandIn, nullptr, CLSCTX_SERVER, nullptr, 1, &only), E_NOINTERFACE);
  EXPECT_EQ(only.itf, nullptr);
  only.iid = &IID_IOPCServer;
  const CLSID unknown = MakeGuid(1, 2, 3, 4, 5);
  EXPECT_EQ(CoCreateInstanceEx(unknown, nullptr, CLSCTX_SERVER, nullptr, 1, &only), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(only.hr, REGDB_E_CLASSNOTREG);
  EXPECT_EQ(OpcStandIn::Instance().ServerCount(), 0u);
}

TEST(ComActivation, RemoteMachineIsUnreachableAndTheLocalNamesAreNot) {
  for (const char16_t* remote : {u"plant-server", u"192.168.1.20", u"\\\\opc-host"}) {
    COSERVERINFO info;
    info.name = remote;
    MULTI_QI list;
    list.iid = &IID_IOPCServerList;
    EXPECT_EQ(CoCreateInstanceEx(CLSID_OpcServerList, nullptr, CLSCTX_SERVER, &info, 1, &list),
              HRESULT_RPC_S_SERVER_UNAVAILABLE);
    EXPECT_EQ(list.itf, nullptr);
    EXPECT_EQ(list.hr, HRESULT_RPC_S_SERVER_UNAVAILABLE);
  }
  for (const char16_t* local : {u"localhost", u"LOCALHOST", u"127.0.0.1", u"\\\\localhost", u""}) {
    COSERVERINFO info;
    info.name = local;
    MULTI_QI list;
    list.iid = &IID_IOPCServerList;
    ASSERT_EQ(CoCreateInstanceEx(CLSID_OpcServerList, nullptr, CLSCTX_SERVER, &info, 1, &list), S_OK);
    ComPtr<IOPCServerList> servers = ComPtr<IOPCServerList>::Attach(static_cast<IOPCServerList*>(list.itf));
    CLSID clsid;
    EXPECT_EQ(servers->CLSIDFromProgID(kProgId.c_str(), &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_OpcStandIn);
  }
}

TEST(ComActivation, TestsCanReplaceAClassAndRestoreTheBuiltIns) {
  ComClassRegistry::Instance().Register("OPC.SimaticNET", CLSID_OpcStandIn, [] { return nullptr; });
  MULTI_QI one;
  one.iid = &IID_IOPCServer;
  EXPECT_EQ(CoCreateInstanceEx(CLSID_OpcStandIn, nullptr, CLSCTX_SERVER, nullptr, 1, &one), E_OUTOFMEMORY);
  ComClassRegistry::Instance().RestoreBuiltIns();
  ASSERT_EQ(CoCreateInstanceEx(CLSID_OpcStandIn, nullptr, CLSCTX_SERVER, nullptr, 1, &one), S_OK);
  one.itf->Release();
}

TEST(ClipboardFormatNumbers, SameNameSameNumberAcrossCallers) {
  const UINT data = RegisterClipboardFormatA("OPCSTMFORMATDATA");
  EXPECT_GE(data, 0xC000u);
  EXPECT_EQ(RegisterClipboardFormatA("opcstmformatdata"), data);
  const UINT time = RegisterClipboardFormatA("OPCSTMFORMATDATATIME");
  const UINT write = RegisterClipboardFormatA("OPCSTMFORMATWRITECOMPLETE");
  EXPECT_NE(time, data);
  EXPECT_NE(write, time);
  EXPECT_EQ(GetClipboardFormatName(write), "OPCSTMFORMATWRITECOMPLETE");
  EXPECT_EQ(RegisterClipboardFormatA(""), 0u);
}

TEST(HGlobalStreams, ReadsStayWithinTheBlockAndTheBlockStaysTheCallers) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 6);
  std::memcpy(GlobalLock(block), "abcdef", 6);
  {
    ComPtr<IStream> stream;
    ASSERT_EQ(CreateStreamOnHGlobal(block, FALSE, stream.Put()), S_OK);
    char buffer[8] = {};
    ULONG read = 0;
    EXPECT_EQ(stream->Read(buffer, 4, &read), S_OK);
    EXPECT_EQ(read, 4u);
    EXPECT_EQ(stream->Read(buffer, 8, &read), S_FALSE);  // only two were left
    EXPECT_EQ(read, 2u);
    EXPECT_EQ(std::string(buffer, 2), "ef");
    std::uint64_t position = 0;
    EXPECT_EQ(stream->Seek(-1, STREAM_SEEK_SET, &position), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(stream->Seek(100, STREAM_SEEK_SET, &position), S_OK);
    EXPECT_EQ(stream->Read(buffer, 1, &read), S_FALSE);
    EXPECT_EQ(read, 0u);
    EXPECT_EQ(stream->Seek(-2, STREAM_SEEK_END, &position), S_OK);
    EXPECT_EQ(position, 4u);
    EXPECT_EQ(stream->Write("XYZ", 3, nullptr), S_OK);  // grows the block
  }
  EXPECT_EQ(GlobalSize(block), 7u);
  EXPECT_EQ(std::string(static_cast<const char*>(GlobalLock(block)), 7), "abcdXYZ");
  EXPECT_EQ(GlobalFree(block), nullptr);
  IStream* none = nullptr;
  EXPECT_EQ(CreateStreamOnHGlobal(block, FALSE, &none), E_INVALIDARG);  // freed
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(GlobalFree(block), block);
}

TEST(HGlobalStreams, DeleteOnReleaseFreesTheBlock) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 4);
  IStream* stream = nullptr;
  ASSERT_EQ(CreateStreamOnHGlobal(block, TRUE, &stream), S_OK);
  stream->Release();
  EXPECT_EQ(GlobalSize(block), 0u);
  EXPECT_EQ(GlobalLock(block), nullptr);
}

TEST(ComMemory, BstrKeepsItsLengthAndTaskStringsTheirZero) {
  BSTR text = SysAllocStringLen(u"abc", 2);
  EXPECT_EQ(SysStringLen(text), 2u);
  EXPECT_EQ(std::u16string(text), u"ab");
  SysFreeString(text);
  BSTR blank = SysAllocStringLen(nullptr, 3);
  EXPECT_EQ(SysStringLen(blank), 3u);
  EXPECT_EQ(blank[0], u'\0');
  SysFreeString(blank);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  LPWSTR copy = CoTaskMemAllocString(u"OPC");
  EXPECT_EQ(WideText(copy), u"OPC");
  CoTaskMemFree(copy);
}

TEST(ConnectionPoints, AdviseHoldsTheSinkUntilUnadvised) {
  CountingShutdownSink sink;
  ComPtr<ConnectionPoint> point = ComPtr<ConnectionPoint>::Attach(new ConnectionPoint(IID_IOPCShutdown));
  DWORD cookie = 0;
  ASSERT_EQ(point->Advise(&sink, &cookie), S_OK);
  EXPECT_NE(cookie, 0u);
  EXPECT_EQ(sink.refs, 2u);
  EXPECT_EQ(point->Unadvise(cookie + 1), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(point->Unadvise(cookie), S_OK);
  EXPECT_EQ(sink.refs, 1u);
  ComPtr<ConnectionPoint> other = ComPtr<ConnectionPoint>::Attach(new ConnectionPoint(IID_IAdviseSink));
  EXPECT_EQ(other->Advise(&sink, &cookie), CONNECT_E_CANNOTCONNECT);
  EXPECT_EQ(cookie, 0u);
}
