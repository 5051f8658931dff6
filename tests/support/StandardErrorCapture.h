#pragma once
// The process's standard error sent to a temporary file for the object's life
// (or until Text is asked for), so a test can read what was reported there.
#include <string>

class StandardErrorCapture {
 public:
  StandardErrorCapture();
  ~StandardErrorCapture();
  StandardErrorCapture(const StandardErrorCapture&) = delete;
  StandardErrorCapture& operator=(const StandardErrorCapture&) = delete;

  // Ends the capture and returns what was written meanwhile.
  std::string Text();

 private:
  void Restore();

  std::string m_path;
  int m_file = -1;
  int m_saved = -1;
};
