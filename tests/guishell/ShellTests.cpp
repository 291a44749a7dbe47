// The shell's loop: posting across threads, timers on the virtual clock, hand-overs to the GUI
// thread, handler exceptions and the input-injection events.
#include <CEGUI/CEGUI.h>
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "guishell/CEGUITimer.h"
#include "guishell/ShellEvents.h"
#include "guishell/Win32AppHelper.h"

namespace {

std::atomic<int> liveArgs{0};
struct CountedArgs : CEGUI::EventArgs {
  explicit CountedArgs(int v) : value(v) { ++liveArgs; }
  ~CountedArgs() override { --liveArgs; }
  int value;
};

class ShellTest : public vktest::GuiTest {};

}  // namespace

// Catches lost, duplicated or leaked posted events, and events run off the GUI thread.
TEST_F(ShellTest, EventsPostedFromManyThreadsArriveOnceOnTheGuiThreadAndAreFreed) {
  CEGUI::EventSet target;
  std::multiset<int> seen;
  bool offThread = false;
  const auto gui = std::this_thread::get_id();
  target.subscribeEvent("Ping", CEGUI::Event::Subscriber([&](const CEGUI::EventArgs& a) {
                          seen.insert(static_cast<const CountedArgs&>(a).value);
                          offThread |= std::this_thread::get_id() != gui;
                          return true;
                        }));
  constexpr int kThreads = 4, kEach = 250;
  std::vector<std::thread> posters;
  for (int t = 0; t < kThreads; ++t)
    posters.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i)
        Win32AppHelper::postEvent(&target, "Ping", new CountedArgs(t * kEach + i), "");
    });
  for (auto& p : posters) p.join();
  ASSERT_TRUE(shell().pumpUntil([&] { return seen.size() == kThreads * kEach; }));
  EXPECT_FALSE(offThread);
  for (int v = 0; v < kThreads * kEach; ++v) EXPECT_EQ(seen.count(v), 1u) << v;
  EXPECT_EQ(liveArgs, 0);
  EXPECT_EQ(Win32AppHelper::postEvent(nullptr, "Ping", new CountedArgs(0), ""), 0);
  EXPECT_EQ(liveArgs, 0);  // refused arguments are freed, not leaked
}

// Catches timers firing early, late, too often or after KillTimer.
TEST_F(ShellTest, TimersTickOncePerPeriodOnTheVirtualClock) {
  CEGUITimer fast, slow;
  int fastTicks = 0, slowTicks = 0;
  fast.subscribeEvent(CEGUITimer::EventTimer, CEGUI::Event::Subscriber([&](const CEGUI::EventArgs&) {
                        if (++fastTicks == 5) fast.KillTimer();
                        return true;
                      }));
  slow.subscribeEvent(CEGUITimer::EventTimer, CEGUI::Event::Subscriber([&](const CEGUI::EventArgs&) {
                        ++slowTicks;
                        return true;
                      }));
  fast.SetTimer(50);
  slow.SetTimer(600000);
  advance(249);
  EXPECT_EQ(fastTicks, 4);
  advance(599750);  // 599999 ms in all
  EXPECT_EQ(fastTicks, 5);
  EXPECT_EQ(slowTicks, 0);
  advance(1);
  EXPECT_EQ(slowTicks, 1);
  // Restarting moves the next tick a whole period on.
  advance(300000);
  slow.SetTimer(600000);
  advance(599999);
  EXPECT_EQ(slowTicks, 1);
}

TEST_F(ShellTest, TimerDeletedByAnotherTimersHandlerIsNotFired) {
  auto victim = std::make_unique<CEGUITimer>();
  CEGUITimer killer;
  int victimTicks = 0;
  victim->subscribeEvent(CEGUITimer::EventTimer, CEGUI::Event::Subscriber([&](const CEGUI::EventArgs&) {
                           ++victimTicks;
                           return true;
                         }));
  killer.subscribeEvent(CEGUITimer::EventTimer, CEGUI::Event::Subscriber([&](const CEGUI::EventArgs&) {
                          victim.reset();
                          return true;
                        }));
  killer.SetTimer(100);
  victim->SetTimer(100);  // due at the same moment, after the killer
  advance(100);
  EXPECT_EQ(victimTicks, 0);
  EXPECT_FALSE(victim);
}

TEST_F(ShellTest, WorkHandedOverRunsOnTheGuiThreadAndNeverHangsAfterTheEnd) {
  std::thread::id ranOn;
  bool result = false;
  std::thread worker([&] {
    result = Win32AppHelper::invokeOnGuiThread([&] { ranOn = std::this_thread::get_id(); });
  });
  ASSERT_TRUE(shell().pumpUntil([&] { return ranOn != std::thread::id(); }));
  worker.join();
  EXPECT_TRUE(result);
  EXPECT_EQ(ranOn, std::this_thread::get_id());

  shell().shutDown();
  bool ran = false;
  std::thread late([&] { result = Win32AppHelper::invokeOnGuiThread([&] { ran = true; }); });
  late.join();  // would hang if the hand-over waited for a loop that is gone
  EXPECT_FALSE(result);
  EXPECT_FALSE(ran);
}

// Catches a handler's exception ending the loop or swallowing later events.
TEST_F(ShellTest, ExceptionInAHandlerIsLoggedAndLaterEventsStillArrive) {
  CEGUI::EventSet target;
  int delivered = 0;
  target.subscribeEvent("Boom", CEGUI::Event::Subscriber([&](const CEGUI::EventArgs&) -> bool {
                          throw std::runtime_error("handler failure");
                        }));
  target.subscribeEvent("Ok", CEGUI::Event::Subscriber([&](const CEGUI::EventArgs&) {
                          ++delivered;
                          return true;
                        }));
  Win32AppHelper::postEvent(&target, "Boom", new CEGUI::EventArgs, "");
  Win32AppHelper::postEvent(&target, "Ok", new CEGUI::EventArgs, "");
  ASSERT_TRUE(shell().pumpUntil([&] { return delivered == 1; }));
  EXPECT_NE(install_.log().find("handler failure"), std::string::npos);
}

TEST_F(ShellTest, InjectionEventsFollowTheGuiContextsOwnHandling) {
  CEGUI::Window* box = CEGUI::WindowManager::getSingleton().createWindow("Vokaran/Button", "Box");
  sheet()->addChild(box);
  box->activate();
  std::vector<std::string> order;
  box->subscribeEvent(CEGUI::Window::EventKeyDown, CEGUI::Event::Subscriber([&](const CEGUI::EventArgs&) {
                        order.push_back("window");
                        return false;
                      }));
  unsigned seenKey = 0;
  CEGUI::System::getSingleton().subscribeEvent(
      guishell::System_EventInjectKeyDown, CEGUI::Event::Subscriber([&](const CEGUI::EventArgs& a) {
        order.push_back("global");
        seenKey = static_cast<const CEGUI::KeyEventArgs&>(a).scancode;
        return false;
      }));
  float wheel = 0;
  CEGUI::System::getSingleton().subscribeEvent(
      guishell::System_EventIinjectMouseWheelChange,
      CEGUI::Event::Subscriber([&](const CEGUI::EventArgs& a) {
        wheel = static_cast<const CEGUI::MouseEventArgs&>(a).wheelChange;
        return false;
      }));
  shell().injectKeyDown(CEGUI::Key::C);
  shell().injectMouseWheel(-1.0f);
  EXPECT_EQ(order, (std::vector<std::string>{"window", "global"}));
  EXPECT_EQ(seenKey, 46u);
  EXPECT_EQ(wheel, -1.0f);
}
