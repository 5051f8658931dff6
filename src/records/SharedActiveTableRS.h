#pragma once
// A table whose active field set is shared between the UI thread and a process
// cycle (the shift and the recipe): the set is guarded by one mutex, taken by
// every change of the set here and by every reader or writer elsewhere through
// LockActive. WriteBackActive holds it across the copy into the current set,
// the save and the refresh, so a change made meanwhile on another thread is
// neither lost nor half-saved. It is never held while a message box is shown.
#include <mutex>

#include "records/BaseTableRS.h"

class CSharedActiveTableRS : public CBaseTableRS {
 public:
  // Hold it while reading or changing the active set from any thread. Never
  // show a box or wait for the UI thread while holding it.
  [[nodiscard]] std::unique_lock<std::mutex> LockActive() const { return std::unique_lock<std::mutex>(m_activeMutex); }

  // The active set is reset and, when activating, copied from the current set, under the lock.
  bool SetActiveRecord(bool activate) override;
  // Writes the active set into the row of the same record id (found by that id,
  // whatever the row's active flag says), then refreshes the active set from the
  // saved row; false when there is no active record or its row is gone.
  bool WriteBackActive() override;

 private:
  mutable std::mutex m_activeMutex;
};
