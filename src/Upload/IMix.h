#pragma once
// A mixing job: makes a work's video file from its recordings on the thread that calls run,
// and carries its own progress events ("ItemUpdate" with MixItemEventArgs, "MixFinished"),
// posted to the GUI thread. A job with updates still on their way must not be deleted at once:
// free it with IPageCtrl::freeLater, which comes after them.
#include <CEGUI/EventArgs.h>
#include <CEGUI/EventSet.h>

#include <string>

class IMix : public CEGUI::EventSet {
 public:
  static const CEGUI::String EventItemUpdate;   // "ItemUpdate": the progress changed
  static const CEGUI::String EventMixFinished;  // "MixFinished": the encoding is complete

  ~IMix() override = default;
  // The whole mix on the calling thread (never the GUI thread); true when the file is complete.
  virtual bool run() = 0;
  // 0.0 .. 1.0.
  virtual float getProgress() = 0;
  virtual int getTotalTime() { return 0; }
  virtual int getCurrentTime() { return 0; }
  // Any thread: the running mix ends within about 300 ms, failed.
  virtual void cancel() = 0;
  // Why the last run failed, in the log's words ("" after a success or a cancel). Read it once
  // run has returned.
  virtual std::string lastFailure() const { return {}; }
};

class MixItemEventArgs : public CEGUI::EventArgs {
 public:
  explicit MixItemEventArgs(IMix* job) : mix(job) {}
  IMix* mix;
};
