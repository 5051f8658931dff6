#pragma once
// The walk's check of a run that ended with the end-of-recipe message: the
// dose of every step that puts material into a mixer (water, and steps that
// discharge their batcher) is on the run's automatic rows completed into
// that step's mixer and one of the batch numbers the mixer had in the run
// (water's rows: charge ended, as water is weighed in its mixer). A charge
// stops at its dose less the pump's learned in-pipe amount, so each step may
// be short by the most that amount stood at in the run.
//  (r1) a run ended while a step's material did not reach its mixer
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

class RunEndCheck {
 public:
  explicit RunEndCheck(std::string databasePath) : m_path(std::move(databasePath)) {}

  // A Start is about to be given: a run it begins writes rows after these
  // (unless `rowsWaiting`: rows kept under another program's lock get their
  // ids when written, and the run's rows cannot be told by id).
  void NoteStart(bool rowsWaiting);
  // Every pass: the run's recipe and steps (while there is a run, started or
  // stopped), their doses and the mixers' batch numbers.
  void NotePass();
  // The end-of-recipe message was shown: the run is kept for the check.
  void RunEnded();
  // The findings of the runs that ended (their rows all written: no other
  // program holds the database), which are then forgotten.
  std::vector<std::string> Check();
  // The run's rows have ids above this (-1: no run noted, or not known).
  int RunFrom() const { return m_run.fromKnown ? m_run.from : -1; }

 private:
  struct Step {
    int material = -1;
    int mixer = -1;
    float dose = 0.0f;  // the lowest the run gave it
    float lead = 0.0f;  // the highest its pump's in-pipe amount stood at
    bool operator==(const Step& other) const { return material == other.material && mixer == other.mixer; }
  };
  struct Run {
    int from = -1;                          // the run's rows have higher ids (-1: no run noted)
    int recipe = -1;                        // the id of the recipe that started it
    bool fromKnown = true;                  // no row of an earlier run waited for its id then
    std::map<int, Step> steps;              // by step index
    std::map<int, std::set<int>> batches;  // by mixer
  };
  void NoteBatchNumbers();
  void CheckRun(const Run& run, std::vector<std::string>& findings) const;

  std::string m_path;
  int m_rowsAtStart = 0;
  bool m_rowsAtStartKnown = true;
  Run m_run;
  std::vector<Run> m_ended;
};
