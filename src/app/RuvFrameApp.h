#pragma once
// The application object: makes what the plant form needs (the general process
// data, the engine root, the shapes' settings table, the recovery path), then
// the main frame and the one plant document with its child frame and form, and
// keeps it the only one.
#include <memory>

#include "platform/ui/CWinApp.h"

class CRuvEngineApp;
class C_ProcessDataGen;

inline constexpr const char* kFilePrefix = "Qelo";
inline constexpr const char* kRegistryName = "RuvFrame Qelo";

class CRuvFrameApp : public CWinApp {
 public:
  CRuvFrameApp();
  ~CRuvFrameApp() override;
  BOOL InitInstance() override;
  // Deletes the engine root and the general process data, frees the shapes' settings table.
  int ExitInstance() override;
  // New and Open show the plant form that exists: a second one would start
  // the plant engine a second time.
  void OnFileNew() override;
  void OnFileOpen() override;

  // The plant document, its template and its frame (none before the first New).
  CDocument* PlantDocument() const;
  static std::unique_ptr<CDocTemplate> MakePlantTemplate();

 private:
  bool ActivateExistingPlantForm();
  // The process-wide objects the plant form needs, made before any window.
  void CreatePlantServices();
  void ReleasePlantServices();

  std::unique_ptr<C_ProcessDataGen> m_processData;
  std::unique_ptr<CRuvEngineApp> m_engine;
};

extern CRuvFrameApp theApp;
