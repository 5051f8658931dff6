#pragma once
// A file rewrite (temporary file, then rename) cut by the end of the process
// leaves its temporary file beside the old one. An end asked for from a signal
// handler (a second termination signal, the close's time bound) therefore
// waits for the rewrites under way, and no rewrite starts once it is asked for.

// Held by a rewrite from before its temporary file is made until after the
// rename (or its removal). Any thread.
class FileRewriteInProgress {
 public:
  // When an end is already asked for, this does not return: the process ends
  // here, or with the last rewrite still under way.
  FileRewriteInProgress();
  // The last rewrite to finish ends the process when an end was asked for meanwhile.
  ~FileRewriteInProgress();
  FileRewriteInProgress(const FileRewriteInProgress&) = delete;
  FileRewriteInProgress& operator=(const FileRewriteInProgress&) = delete;
};

// Ends the process with `code` (_exit) now, or as soon as no rewrite runs.
// Async-signal-safe; returns only when the end waits for a rewrite. The first
// code asked for is the one the process ends with.
void EndProcessBetweenFileRewrites(int code);
