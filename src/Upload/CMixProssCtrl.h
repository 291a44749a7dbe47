#pragma once
// The mixing progress dialog: runs a mixing job on a worker thread of its own and shows
// "合成进度：N%" with a bar. Its one button cancels the mix (the dialog ends with 0) until the
// mix is complete; then it becomes OK (the dialog ends with 1). A mix that fails says why
// (a full disk, missing recordings) and the button closes the dialog with 0. Return, numeric-pad Enter and
// the key map's "Back" act like the button.
#include <atomic>
#include <thread>

#include "Upload/IMix.h"
#include "app/IPageCtrl.h"

class CMixProssCtrl : public IPageCtrl {
 public:
  static constexpr unsigned kReturn = 28;
  static constexpr unsigned kNumpadEnter = 156;

  // The job is not owned; it must outlive the dialog.
  explicit CMixProssCtrl(IMix* job);
  ~CMixProssCtrl() override;

  void createPage(CEGUI::Window* parent) override;
  bool onAttached() override;
  bool closePage() override;

  bool done() const { return done_; }
  // The mix's outcome once the worker has ended (the button waits for it).
  bool succeeded() const { return succeeded_; }
  bool failed() const { return failedShown_; }

  // What the dialog says of a failure, from the job's reason.
  static std::string failureText(const std::string& reason);

 private:
  bool onItemUpdate(const CEGUI::EventArgs& args);
  bool onButton(const CEGUI::EventArgs& args);
  bool onKey(const CEGUI::EventArgs& args);
  void joinWorker();
  void showProgress(float progress);

  IMix* job_;
  CEGUI::Window* button_ = nullptr;
  CEGUI::Window* text_ = nullptr;
  CEGUI::Window* bar_ = nullptr;
  bool done_ = false;
  std::atomic<bool> succeeded_{false};
  std::atomic<bool> finished_{false};
  bool failedShown_ = false;
  bool ending_ = false;
  std::thread worker_;
  CEGUI::Event::Connection update_;
};
