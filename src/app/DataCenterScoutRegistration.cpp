#include "app/DataCenterScoutRegistration.h"

#include <memory>

#include "grid/CDataCenterScoutDlg.h"
#include "plant/RuvEngineApp.h"

void RegisterDataCenterScout() {
  CRuvEngineBase::SetScoutDialogFactory([] { return std::make_unique<CDataCenterScoutDlg>(); });
  CDataCenterScoutDlg::SetSuspendRequest([](bool suspend) {
    if (CRuvEngineApp* engine = GetEngineRoot()) engine->SetSuspended(suspend);
  });
}

void UnregisterDataCenterScout() {
  CRuvEngineBase::SetScoutDialogFactory(nullptr);
  CDataCenterScoutDlg::SetSuspendRequest(nullptr);
}
