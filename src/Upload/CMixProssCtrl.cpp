#include "Upload/CMixProssCtrl.h"

#include <CEGUI/CEGUI.h>

#include "AppSet/KeyMap.h"
#include "app/AppLog.h"
#include "app/WindowPath.h"
#include "guishell/Win32AppHelper.h"

CMixProssCtrl::CMixProssCtrl(IMix* job) : job_(job) {}

CMixProssCtrl::~CMixProssCtrl() {
  // A dialog torn down while its mix runs (shut-down) cancels it rather than leave the worker
  // running on a job that may go next.
  if (worker_.joinable()) {
    job_->cancel();
    worker_.join();
  }
  if (update_.isValid()) update_->disconnect();
}

void CMixProssCtrl::createPage(CEGUI::Window*) {
  try {
    d_root = CEGUI::WindowManager::getSingleton().loadLayoutFromFile("PK_MixProssWnd.layout", "");
  } catch (const CEGUI::Exception& e) {
    appLogError(std::string("CMixProssCtrl: the layout was not loaded: ") + e.getMessage().c_str());
    d_root = nullptr;
    return;
  }
  button_ = findWindow("MixProssWnd/BtnCancel", d_root);
  text_ = findWindow("MixProssWnd/MixPercentText", d_root);
  bar_ = findWindow("MixProssWnd/ProgressMix", d_root);
  showProgress(0.0f);
}

bool CMixProssCtrl::onAttached() {
  if (!d_root || !button_ || !job_) return false;
  button_->activate();
  button_->subscribeEvent(CEGUI::PushButton::EventClicked, CEGUI::Event::Subscriber(&CMixProssCtrl::onButton, this));
  update_ = job_->subscribeEvent(IMix::EventItemUpdate, CEGUI::Event::Subscriber(&CMixProssCtrl::onItemUpdate, this));
  d_root->subscribeEvent(CEGUI::Window::EventKeyDown, CEGUI::Event::Subscriber(&CMixProssCtrl::onKey, this));
  for (std::size_t i = 0; i < d_root->getChildCount(); ++i)
    d_root->getChildAtIdx(i)->subscribeEvent(CEGUI::Window::EventKeyDown,
                                             CEGUI::Event::Subscriber(&CMixProssCtrl::onKey, this));
  IMix* job = job_;
  worker_ = std::thread([this, job] {
    succeeded_ = job->run();
    finished_ = true;
    // One more update after the end, so that a failure is shown.
    Win32AppHelper::postEvent(job, IMix::EventItemUpdate, new MixItemEventArgs(job), "");
  });
  return true;
}

void CMixProssCtrl::showProgress(float progress) {
  if (bar_)
    if (auto* bar = dynamic_cast<CEGUI::ProgressBar*>(bar_)) bar->setProgress(progress);
  if (text_) {
    const int percent = static_cast<int>(progress * 100.0f);
    text_->setText(reinterpret_cast<const CEGUI::utf8*>("合成进度：") + CEGUI::PropertyHelper<int>::toString(percent) + "%");
  }
}

std::string CMixProssCtrl::failureText(const std::string& reason) {
  if (reason.find("disk is full") != std::string::npos) return "合成失败：磁盘空间不足，请清理磁盘后重试";
  if (reason.find("recordings are") != std::string::npos) return "合成失败：这首作品的录音已不存在";
  return "合成失败，请稍后重试";
}

bool CMixProssCtrl::onItemUpdate(const CEGUI::EventArgs&) {
  if (done_ || ending_ || failedShown_) return true;
  if (finished_ && !succeeded_) {
    const std::string reason = job_->lastFailure();
    if (reason.empty()) return true;  // cancelled
    failedShown_ = true;
    if (text_) text_->setText(reinterpret_cast<const CEGUI::utf8*>(failureText(reason).c_str()));
    button_->setText(reinterpret_cast<const CEGUI::utf8*>("关闭"));
    if (CEGUI::Window* title = findWindow("MixProssWnd/Title", d_root))
      title->setText(reinterpret_cast<const CEGUI::utf8*>("作品未能合成"));
    return true;
  }
  const float progress = job_->getProgress();
  showProgress(progress);
  if (progress == 1.0f) {
    done_ = true;
    button_->setText("");
    button_->setProperty("HoverImage", "PK/Ok_Hover");
    button_->setProperty("NormalImage", "PK/Ok_Normal");
    button_->setProperty("PushedImage", "PK/Ok_Down");
    button_->setProperty("DisabledImage", "PK/Ok_Normal");
    button_->activate();
    if (CEGUI::Window* title = findWindow("MixProssWnd/Title", d_root))
      title->setText(reinterpret_cast<const CEGUI::utf8*>("作品合成完成"));
  }
  return true;
}

void CMixProssCtrl::joinWorker() {
  if (worker_.joinable()) worker_.join();
}

bool CMixProssCtrl::onButton(const CEGUI::EventArgs&) {
  if (ending_) return true;
  ending_ = true;
  if (done_) {
    joinWorker();
    endModal(1);
  } else {
    job_->cancel();
    joinWorker();
    postEndModal(0);
  }
  return true;
}

bool CMixProssCtrl::onKey(const CEGUI::EventArgs& args) {
  const auto key = static_cast<unsigned>(static_cast<const CEGUI::KeyEventArgs&>(args).scancode);
  if (key != kReturn && key != kNumpadEnter && !isMappedKey(key, L"Back")) return false;
  return onButton(args);
}

bool CMixProssCtrl::closePage() {
  if (update_.isValid()) update_->disconnect();
  return IPageCtrl::closePage();
}
