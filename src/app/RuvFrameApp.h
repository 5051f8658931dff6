#pragma once
// The application object: creates the main frame and the one plant document
// with its child frame and form, and keeps it the only one.
#include "platform/ui/CWinApp.h"

class CRuvFrameApp : public CWinApp {
 public:
  CRuvFrameApp();
  BOOL InitInstance() override;
  // New and Open show the plant form that exists: a second one would start
  // the plant engine a second time.
  void OnFileNew() override;
  void OnFileOpen() override;

  // The plant document, its template and its frame (none before the first New).
  CDocument* PlantDocument() const;
  static std::unique_ptr<CDocTemplate> MakePlantTemplate();

 private:
  bool ActivateExistingPlantForm();
};

extern CRuvFrameApp theApp;
