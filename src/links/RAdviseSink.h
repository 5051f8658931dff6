#pragma once
// The version 1.0 data-path sink of a group: reads the data and write-complete
// streams the server hands over in global memory. A malformed stream changes
// nothing; items and groups are found by their 32-bit client handles, and an
// unknown handle is skipped.
#include "platform/opc/OleInterfaces.h"

class CRAdviseSink final : public IAdviseSink {
 public:
  CRAdviseSink() = default;

  HRESULT QueryInterface(REFIID iid, void** out) override;
  ULONG AddRef() override;
  ULONG Release() override;

  void OnDataChange(FORMATETC* format, STGMEDIUM* medium) override;
  void OnViewChange(DWORD, LONG) override {}
  void OnRename(IUnknown*) override {}
  void OnSave() override {}
  void OnClose() override {}

  ULONG RefCount() const { return m_refs; }

 private:
  ~CRAdviseSink() override = default;
  void OnData(const std::uint8_t* bytes, std::size_t size, bool withTimeStamps);
  void OnWriteComplete(const std::uint8_t* bytes, std::size_t size);

  ULONG m_refs = 0;  // the owner adds the first reference
};
