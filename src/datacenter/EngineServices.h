#pragma once
// What the data center, the attributes and the links need of the engine root.
// The engine root lives above this library; it derives from this interface and
// registers itself at start-up (tests register a fake). Callers on any thread may
// ask GetEngine(): before registration it answers a stand-in with no data source,
// not suspended, no data center and no settings file, so it is never null.
#include <string>

class CDataCenterBase;
class CIniFile;

// Data-source types of the engine root.
enum EDataSourceType : int {
  eDataSourceNone = 0,
  eDataSourceDemo = 1,
  eDataSourceRealHW = 2,
};

class IEngineServices {
 public:
  virtual ~IEngineServices() = default;

  // 0 None, 1 Demo, 2 Real HW. Read from worker threads: implementations keep it atomic.
  virtual int GetDataSourceType() const = 0;
  // True while the data obtainer is suspended (the polling skips its pass).
  virtual bool IsSuspended() const = 0;
  // The one data center (none before the engine root's first initialisation).
  virtual CDataCenterBase* GetDataCenter() const = 0;
  // The settings file object, and the name of that file (prefix + "-Setting.ini").
  virtual CIniFile* GetIniFile() const = 0;
  virtual std::string GetSettingsFileName() const = 0;

  bool IsRealHardware() const { return GetDataSourceType() == eDataSourceRealHW; }
};

// The registered engine root, or the stand-in described above; never null.
IEngineServices* GetEngine();
// Registers the engine root (nullptr goes back to the stand-in). The caller keeps ownership.
void SetEngine(IEngineServices* engine);

// Shortcuts through GetEngine().
CDataCenterBase* GetDataCenter();
CIniFile* GetIniFile();
