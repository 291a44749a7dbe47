#include "app/TitleMarquee.h"

#include <CEGUI/CEGUI.h>

#include "app/TextConvert.h"
#include "app/WindowPath.h"

std::wstring titleMarqueeText(const MarqueeSongs& songs) {
  if (!songs.current) return L"操作提示：单击参赛歌曲图片显示对应排行，双击参赛歌曲图片参赛";
  std::wstring text = L"正在播放：" + *songs.current;
  const size_t n = songs.queued.size();
  if (n == 0) return text;
  text += n == 1 ? L"     下一首：" : n == 2 ? L"     下两首：" : L"     下三首：";
  static const wchar_t* const marks[] = {L"①", L"  ②", L"  ③"};
  for (size_t i = 0; i < n && i < 3; ++i) text += marks[i] + songs.queued[i];
  return text;
}

CTitleMarquee::CTitleMarquee(std::function<MarqueeSongs()> source) : source_(std::move(source)) {
  timer_.subscribeEvent(CEGUITimer::EventTimer, CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
                          tick();
                          return true;
                        }));
}

void CTitleMarquee::start() { timer_.SetTimer(kPeriodMs); }

void CTitleMarquee::stop() { timer_.KillTimer(); }

void CTitleMarquee::tick() {
  CEGUI::Window* title = findWindow("AppRoot/Title");
  if (!title) return;
  const CEGUI::String text = guiString(titleMarqueeText(source_ ? source_() : MarqueeSongs{}));
  if (title->getText() != text) title->setText(text);
  const CEGUI::Font* font = title->getFont();
  const float width = font ? font->getTextExtent(text) : 0.0f;
  const CEGUI::String property("TextLeftEdge");
  if (!title->isPropertyPresent(property)) return;
  // The first tick starts from just past the left end, so the text enters from the right.
  float left = started_ ? CEGUI::PropertyHelper<float>::fromString(title->getProperty(property))
                        : -width;
  started_ = true;
  if (left > -width)
    left -= kStepPixels;
  else
    left = title->getPixelSize().d_width;
  title->setProperty(property, CEGUI::PropertyHelper<float>::toString(left));
}
