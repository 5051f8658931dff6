#pragma once
// A small device for the attribute tests: one analog group of eight float
// attributes (level, its range and alarm limits, the port value and its range),
// a boolean, an integer, a text and a float without analog role. It reads and
// writes its keys in the settings file the fake engine hands out, records every
// offer, report, summary change and tag message, and can refuse one change code.
#include <string>
#include <utility>
#include <vector>

#include "common/IniFile.h"
#include "datacenter/DCTagTypes.h"
#include "datacenter/EngineServices.h"
#include "datacenter/RAttribsPack.h"

class TestShape final : public CRAttribsPack {
 public:
  enum : int {
    kLevel = 0,
    kMinLevel,
    kMaxLevel,
    kLowAlarm,
    kHighAlarm,
    kPort,
    kPortMin,
    kPortMax,
    kOpen,
    kCounter,
    kCaption,
    kSpare,
    kAttribCount
  };

  TestShape() { SetAttribCount(kAttribCount); }

  // A child window of `parent` that the bound tags notify.
  bool CreateUnder(CWnd& parent) {
    if (!Create("", WS_CHILD | WS_VISIBLE, CRect(0, 0, 40, 40), &parent, 0x01010000)) return false;
    SetListenerWnd(this);
    return true;
  }

  std::string GetAttribNameAt(int index) const override {
    static const char* const names[kAttribCount] = {"Level",     "MinVluLevel", "MaxVluLevel", "LlaVluLevel",
                                                    "HlaVluLevel", "PortLevel", "PortMinLevel", "PortMaxLevel",
                                                    "Open",      "Counter",     "Caption",     "Spare"};
    return index >= 0 && index < kAttribCount ? names[index] : std::string();
  }
  Variant GetDefaultVariant(int index) const override {
    return index == kMaxLevel ? Variant::R4(100.0f) : Variant();
  }
  void StoreAttribValue(int index, const Variant& value) override {
    if (CRAttrib* attrib = GetAttrib(index)) {
      attrib->SetValue(value);
      attrib->WriteToTag();
    }
  }
  VARTYPE FindAttribVarType(int index) const override {
    if (index >= kLevel && index <= kPortMax) return VT_R4;
    switch (index) {
      case kOpen: return VT_BOOL;
      case kCounter: return VT_I4;
      case kCaption: return VT_BSTR;
      case kSpare: return VT_R4;
      default: return VT_EMPTY;
    }
  }
  int GetAnalogRole(int index) const override {
    switch (index) {
      case kLevel: return eAnalogPhysical;
      case kMinLevel: return eAnalogMin;
      case kMaxLevel: return eAnalogMax;
      case kPort: return eAnalogPort;
      case kPortMin: return eAnalogPortMin;
      case kPortMax: return eAnalogPortMax;
      default: return eAnalogNone;
    }
  }
  int GetAnalogGroupAttrib(int index, int role) const override {
    if (index != kLevel && index != kPort) return -1;
    if (role < 0 || role >= ANALOG_GROUP_SIZE) return -1;
    if (role == eAnalogPort && !hasPortValue) return -1;
    return kLevel + role;
  }
  std::string GetSectionName() const override { return "Vessel.Mixer1"; }
  BOOL SectionExists(const std::string& section) const override {
    CIniFile* ini = GetIniFile();
    return ini && ini->SectionExists(section) ? TRUE : FALSE;
  }
  void WriteIniValue(int index, int field, const std::string& text) override {
    if (CIniFile* ini = GetIniFile()) ini->WriteString(GetSectionName(), Key(index, field), text);
  }
  std::string ReadIniValue(int index, int field) const override {
    std::string value;
    if (CIniFile* ini = GetIniFile()) ini->ReadString(GetSectionName(), Key(index, field), value, "");
    return value;
  }

  BOOL CanChangeAttrib(CRAttrib* attrib, int code, const Variant& newValue) override {
    offers.emplace_back(code, newValue);
    if (code == refusedCode) return FALSE;
    return CRAttribsPack::CanChangeAttrib(attrib, code, newValue);
  }
  BOOL OnAttribChanged(CRAttrib* attrib, int code) override {
    reports.push_back(code);
    return CRAttribsPack::OnAttribChanged(attrib, code);
  }
  BOOL OnPendingFlagChanged(int code) override {
    pendingChanges.push_back(code);
    return CRAttribsPack::OnPendingFlagChanged(code);
  }
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == DCTAG_NOTIFY_MESSAGE) {
      tagMessages.emplace_back(wParam, lParam);
      return 0;
    }
    return CRAttribsPack::WindowProc(message, wParam, lParam);
  }

  std::vector<int> OfferCodes() const {
    std::vector<int> codes;
    for (const auto& offer : offers) codes.push_back(offer.first);
    return codes;
  }
  void Forget() {
    offers.clear();
    reports.clear();
    pendingChanges.clear();
    tagMessages.clear();
  }

  bool hasPortValue = true;
  int refusedCode = 0;
  std::vector<std::pair<int, Variant>> offers;
  std::vector<int> reports;
  std::vector<int> pendingChanges;
  std::vector<std::pair<WPARAM, LPARAM>> tagMessages;

 private:
  std::string Key(int index, int field) const {
    return GetAttribNameAt(index) + "." + GetAttribIniFieldName(field);
  }
};
