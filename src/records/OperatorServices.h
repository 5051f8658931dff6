#pragma once
// What the plant's tables need of the operator interface: the plant form, which
// owns every table and is told of its changes, and the batch-number dialog. The
// interface lives above this library and registers itself at start-up (tests
// register a fake). Until then a stand-in has no plant form and answers the
// dialog with 2, as the interface does when no shift is active.
#include "platform/ui/MessageCore.h"

class IOperatorServices {
 public:
  virtual ~IOperatorServices() = default;

  // The plant form: the owner window of every table (nullptr when there is none).
  virtual HWND GetPlantFormWindow() const = 0;
  // Called on the UI thread. 2 when no shift is active (the interface has then
  // told the operator); otherwise the batch-number dialog runs modally and its
  // result is returned (1 when the operator confirmed it).
  virtual int RunBatchNumberDialog() = 0;
};

// The registered interface, or the stand-in; never null.
IOperatorServices* GetOperatorServices();
// Registers the interface (nullptr goes back to the stand-in). The caller keeps ownership.
void SetOperatorServices(IOperatorServices* services);

// Shortcut through GetOperatorServices().
int RunBatchNumberDialog();
