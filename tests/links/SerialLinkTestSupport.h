#pragma once
// Shared by the serial link's tests: an engine root on the real hardware with a
// settings file of the test's own, "SRL" tags in a data center, and a folder
// where "COMn" names lead to pseudo-terminals.
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <string>

#include "datacenter/DCTag.h"
#include "datacenter/DataCenterBase.h"
#include "datacenter/EngineServices.h"
#include "support/TestEnvironment.h"

class SerialTestEngineRoot final : public IEngineServices {
 public:
  explicit SerialTestEngineRoot(std::string settingsFile) : m_settingsFile(std::move(settingsFile)) { SetEngine(this); }
  ~SerialTestEngineRoot() override { SetEngine(nullptr); }
  int GetDataSourceType() const override { return m_dataSource.load(); }
  // The engine root changes the data source before it stops the links.
  void SetDataSource(int type) { m_dataSource.store(type); }
  bool IsSuspended() const override { return false; }
  CDataCenterBase* GetDataCenter() const override { return m_dataCenter; }
  CIniFile* GetIniFile() const override { return nullptr; }
  std::string GetSettingsFileName() const override { return m_settingsFile; }
  void SetDataCenter(CDataCenterBase* dataCenter) { m_dataCenter = dataCenter; }

 private:
  std::string m_settingsFile;
  CDataCenterBase* m_dataCenter = nullptr;
  std::atomic<int> m_dataSource{eDataSourceRealHW};
};

inline CDCTag* AddSerialTag(CDataCenterBase& dataCenter, const std::string& name, const std::string& path,
                            int ioType = eIODuplex, VARTYPE type = VT_R4) {
  auto tag = std::make_unique<CDCTag>();
  tag->SetTagName(name);
  tag->SetHWType(eHWSerial);
  tag->SetIOType(ioType);
  tag->SetDataType(type);
  tag->SetAccessPath(path);
  tag->SetLineNumber(dataCenter.GetTagCount() + 1);
  CDCTag* raw = tag.get();
  if (dataCenter.AddTag(tag) != eDCSuccess) return nullptr;
  return raw;
}

// A folder named by $RUV_COM_DIR for the test's lifetime; Link("COM2", path)
// makes "COM2" lead to `path`.
class ComPortFolder {
 public:
  ComPortFolder() : m_dir(m_temp.Path() + "/ports") {
    ::mkdir(m_dir.c_str(), 0700);
    const char* previous = std::getenv("RUV_COM_DIR");
    m_hadPrevious = previous != nullptr;
    if (previous) m_previous = previous;
    ::setenv("RUV_COM_DIR", m_dir.c_str(), 1);
  }
  ~ComPortFolder() {
    if (m_hadPrevious) ::setenv("RUV_COM_DIR", m_previous.c_str(), 1);
    else ::unsetenv("RUV_COM_DIR");
  }
  void Link(const std::string& name, const std::string& target) const {
    const std::string entry = m_dir + "/" + name;
    ::unlink(entry.c_str());
    (void)::symlink(target.c_str(), entry.c_str());
  }
  // A link to nothing: the port is named but missing.
  void LinkMissing(const std::string& name) const { Link(name, m_dir + "/no-such-device"); }

 private:
  TempDir m_temp;
  std::string m_dir;
  std::string m_previous;
  bool m_hadPrevious = false;
};
