#pragma once
// The version 2.0 data callback of a group: data changes, read and write
// completions. Items are found by their 32-bit client handles; unknown ones are skipped.
#include "platform/opc/OpcDaInterfaces.h"

class IRDataSink20 final : public IOPCDataCallback {
 public:
  IRDataSink20() = default;

  HRESULT QueryInterface(REFIID iid, void** out) override;
  ULONG AddRef() override;
  ULONG Release() override;

  HRESULT OnDataChange(DWORD transactionId, OPCHANDLE clientGroup, HRESULT masterQuality, HRESULT masterError,
                       DWORD count, OPCHANDLE* clientItems, Variant* values, WORD* qualities, FILETIME* timeStamps,
                       HRESULT* errors) override;
  HRESULT OnReadComplete(DWORD transactionId, OPCHANDLE clientGroup, HRESULT masterQuality, HRESULT masterError,
                         DWORD count, OPCHANDLE* clientItems, Variant* values, WORD* qualities, FILETIME* timeStamps,
                         HRESULT* errors) override;
  HRESULT OnWriteComplete(DWORD transactionId, OPCHANDLE clientGroup, HRESULT masterError, DWORD count,
                          OPCHANDLE* clientItems, HRESULT* errors) override;
  HRESULT OnCancelComplete(DWORD transactionId, OPCHANDLE clientGroup) override;

  ULONG RefCount() const { return m_refs; }

 private:
  ~IRDataSink20() override = default;
  HRESULT Deliver(bool always, DWORD transactionId, OPCHANDLE clientGroup, HRESULT masterError, DWORD count,
                  OPCHANDLE* clientItems, Variant* values, WORD* qualities, FILETIME* timeStamps, HRESULT* errors);

  ULONG m_refs = 0;  // the owner adds the first reference
};
