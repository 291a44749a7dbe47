// vokaran-catalog-bench: what the catalogue's list window costs against a service with a large
// catalogue (VOKARAN_SERVICE_URL, e.g. vokaran-service --seed-large). Headless, in one process
// with the real list window, data sources and network library, driven by the remote's keys:
//   - a page not yet received: Down past the grid's last row until the next page is filled;
//   - a page received before: Up past the first row, back through those pages;
//   - each search kind: OK on a search window until the first result page is filled.
// Per case the time from the key press to the filled page (median, 99th percentile) and the
// longest the GUI thread took to handle the press itself (it must never wait for the network:
// the page comes later, as a posted reply).
// Prints one line per case; bench/catalog/run-catalogue-bench sets it beside the service's own
// time for the same requests.
//   vokaran-catalog-bench [PAGES]   (100 pages by default)
#include <CEGUI/CEGUI.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "AppSet/KeyMap.h"
#include "NetWork/NetworkInterface.h"
#include "TestSupport.h"
#include "app/CInfoTipManager.h"
#include "app/SongIEventSet.h"
#include "catalog/CPinYinSearchWnd.h"
#include "catalog/CSongList.h"
#include "catalog/CatalogueLists.h"
#include "catalog/IDataSource.h"
#include "catalog/RangeSearchWnds.h"
#include "guishell/ShellClock.h"

namespace {
using Clock = std::chrono::steady_clock;
constexpr auto kReturn = CEGUI::Key::Return, kUp = CEGUI::Key::ArrowUp, kDown = CEGUI::Key::ArrowDown;

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Timings {
  std::vector<double> press;  // key press to filled page
  double busiest = 0;         // the longest the GUI thread took over a key press (a request
                              // that waited for the network would show here)
  void print(const char* name) {
    std::sort(press.begin(), press.end());
    auto at = [&](double q) { return press.empty() ? 0.0 : press[std::min(press.size() - 1, std::size_t(q * press.size()))]; };
    std::printf("%-16s n=%zu median_ms=%.3f p99_ms=%.3f gui_press_max_ms=%.3f\n", name, press.size(), at(0.5), at(0.99), busiest);
  }
};

class Bench {
 public:
  Bench() {
    shell_.setHeadless(true);
    shell_.setClock(&clock_);
    if (!shell_.startUp()) std::exit(1);
    hub_ = std::make_unique<SongIEventSet>();
    tips_ = std::make_unique<CInfoTipManager>();
    net_ = std::make_unique<NetworkInterface>();
    net_->SetSession("vk-demo-session-10001", L"10001");
  }
  ~Bench() {
    net_.reset();
    tips_.reset();
    hub_.reset();
    shell_.shutDown();
  }
  // Presses `key`, then lets the GUI run until `done`; the press and each stretch of GUI work
  // are timed.
  bool press(CEGUI::Key::Scan key, const std::function<bool()>& done, Timings& t) {
    const auto start = Clock::now();
    shell_.injectKeyDown(key);
    shell_.injectKeyUp(key);
    t.busiest = std::max(t.busiest, ms(Clock::now() - start));
    const bool ok = shell_.pumpUntil(done, 30000);
    if (ok) t.press.push_back(ms(Clock::now() - start));
    return ok;
  }
  bool pumpUntil(const std::function<bool()>& done) { return shell_.pumpUntil(done, 30000); }

 private:
  vktest::ScratchInstallation install_;
  guishell::VirtualClock clock_;
  vktest::TestShell shell_;
  CKeyMap keyMap_;
  std::unique_ptr<SongIEventSet> hub_;
  std::unique_ptr<CInfoTipManager> tips_;
  std::unique_ptr<NetworkInterface> net_;
};

CEGUI::String pageText(CSongList* list) { return list->child("PageNum") ? list->child("PageNum")->getText() : ""; }
}  // namespace

int main(int argc, char** argv) {
  const int pages = argc > 1 ? std::max(2, std::atoi(argv[1])) : 100;
  Bench bench;

  // Paging through every song of the catalogue.
  CSongList* list = openSongList(CSearchInfo(L"1", L"", L"1-100"));
  if (!bench.pumpUntil([&] { return list->dataSource()->getPageCount() > 0; })) {
    std::fprintf(stderr, "no first page from the service\n");
    return 1;
  }
  std::printf("catalogue pages: %d\n", list->dataSource()->getPageCount());
  Timings uncached, cached, moves;
  const auto always = [] { return true; };
  // The selection starts in the first column of the top row: five downs reach the last row and
  // the sixth turns the page, whose top row is selected then; back, the page before comes with
  // its last row selected.
  for (int i = 0; i < 5; ++i) bench.press(kDown, always, moves);
  for (int p = 1; p < pages; ++p) {
    const CEGUI::String before = pageText(list);
    if (!bench.press(kDown, [&] { return pageText(list) != before; }, uncached)) break;
    for (int i = 0; i < 5; ++i) bench.press(kDown, always, moves);
  }
  for (int i = 0; i < 5; ++i) bench.press(kUp, always, moves);
  for (int p = 1; p < pages; ++p) {
    const CEGUI::String before = pageText(list);
    if (!bench.press(kUp, [&] { return pageText(list) != before; }, cached)) break;
    for (int i = 0; i < 5; ++i) bench.press(kUp, always, moves);
  }
  list->endModal(1);
  uncached.print("page_uncached");
  cached.print("page_cached");
  moves.print("move_in_page");

  // The searches: OK on each search window until its first page is filled.
  const int searches = std::max(5, pages / 5);
  struct Case {
    const char* name;
    const char* which;
    const wchar_t* keyword;
  } cases[] = {{"search_pinyin", "pinyin-songs", L"MLH"},
               {"search_singer", "pinyin-singers", L"W"},
               {"search_strokes", "strokes", nullptr},
               {"search_length", "words", nullptr}};
  for (const Case& c : cases) {
    Timings t;
    for (int i = 0; i < searches; ++i) {
      IPageCtrl* window = openSearchWindow(c.which);
      std::function<CSongList*()> result;
      if (auto* pinyin = dynamic_cast<CPinYinSearchWnd*>(window)) {
        for (const wchar_t* k = c.keyword; *k; ++k) pinyin->type(static_cast<CEGUI::String::value_type>(*k));
        pinyin->child("OK")->activate();
        result = [pinyin] { return pinyin->resultList(); };
      } else {
        auto* range = static_cast<CRangeSearchWnd*>(window);
        result = [range] { return range->resultList(); };
      }
      bench.press(kReturn, [&] {
        CSongList* r = result();
        return r && r->dataSource()->getPageCount() > 0 && !pageText(r).empty();
      }, t);
      if (CSongList* r = result()) r->endModal(1);
      bench.pumpUntil([] { return true; });
    }
    t.print(c.name);
  }
  return 0;
}
