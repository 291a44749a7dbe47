// Timed notices: the network error texts, tips by name, expiry and closing on input.
#include <CEGUI/CEGUI.h>
#include <gtest/gtest.h>

#include <thread>

#include "TestSupport.h"
#include "app/CInfoTipManager.h"
#include "app/NetErrorNotice.h"
#include "app/TextConvert.h"
#include "app/TitleMarquee.h"
#include "app/WindowPath.h"

struct NetErrorCase {
  int error;
  int command;
  const wchar_t* text;
};

class NetErrorText : public ::testing::TestWithParam<NetErrorCase> {};

// Catches branch order and range-edge mistakes in the error texts.
TEST_P(NetErrorText, EachCodeGetsItsText) {
  EXPECT_EQ(netErrorText(GetParam().error, GetParam().command), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, NetErrorText,
    ::testing::Values(
        NetErrorCase{-15004, 2549, L"已上传专辑信息获取失败,请检查网络！"},
        NetErrorCase{-15004, 6305, L"网络接口失败,请检查网络(指令号：6305）"},
        NetErrorCase{-15005, 5011, L"ZRQ服务器地址为空！"},
        NetErrorCase{-5004, 5011, L"没有搜索到相应数据！"},
        NetErrorCase{-5003, 5011, L"没有搜索到相应数据！"},
        NetErrorCase{-5002, 5012, L"没有搜索到相应数据！"},
        NetErrorCase{-5005, 5011, L"网络接口错误（指令号：5011，错误码：-5005）"},
        NetErrorCase{-5001, 5012, L"网络接口错误（指令号：5012，错误码：-5001）"},
        NetErrorCase{-15003, 2549, L"网络接口错误（指令号：2549，错误码：-15003）"}),
    [](const ::testing::TestParamInfo<NetErrorCase>& info) {
      return "code" + std::to_string(-info.param.error) + "_command" + std::to_string(info.param.command);
    });

TEST(TitleMarquee, ShowsTheSongAndUpToThreeQueuedSongs) {
  EXPECT_EQ(titleMarqueeText({}), L"操作提示：单击参赛歌曲图片显示对应排行，双击参赛歌曲图片参赛");
  EXPECT_EQ(titleMarqueeText({L"茉莉花", {}}), L"正在播放：茉莉花");
  EXPECT_EQ(titleMarqueeText({L"茉莉花", {L"送别"}}), L"正在播放：茉莉花     下一首：①送别");
  EXPECT_EQ(titleMarqueeText({L"茉莉花", {L"送别", L"小星星"}}),
            L"正在播放：茉莉花     下两首：①送别  ②小星星");
  EXPECT_EQ(titleMarqueeText({L"茉莉花", {L"送别", L"小星星", L"欢乐颂", L"两只老虎"}}),
            L"正在播放：茉莉花     下三首：①送别  ②小星星  ③欢乐颂");
}

class InfoTips : public vktest::GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    tips_ = std::make_unique<CInfoTipManager>();
  }
  void TearDown() override {
    tips_.reset();
    GuiTest::TearDown();
  }
  CEGUI::String textOf(const CEGUI::String& fullName) {
    CEGUI::Window* w = findWindow(fullName);
    return w ? w->getText() : CEGUI::String("<missing>");
  }
  std::unique_ptr<CInfoTipManager> tips_;
};

TEST_F(InfoTips, ANewerNoticeUnderTheSameNameReplacesTheOldAndRestartsItsTime) {
  showNetErrorNotice(-15005, 1);
  advance(1500);
  showNetErrorNotice(-5003, 2);
  EXPECT_EQ(tips_->tipCount(), 1u);
  EXPECT_EQ(textOf("NetErrorInfoTipWnd/Text"), guiString(L"没有搜索到相应数据！"));
  advance(1999);  // 3499 ms after the first: the first's time would be up
  EXPECT_NE(tips_->tipWindow("NetError"), nullptr);
  advance(1);
  EXPECT_EQ(tips_->tipWindow("NetError"), nullptr);
  EXPECT_EQ(findWindow("NetErrorInfoTipWnd"), nullptr);
}

TEST_F(InfoTips, NoticeSitsWhereAndAsLargeAsTheStandardNoticeSays) {
  tips_->showStandardNotice(L"收藏成功!", L"AddSongBookSucceed", 2000);
  CEGUI::Window* w = tips_->tipWindow("AddSongBookSucceed");
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->getPosition(), CEGUI::UVector2(CEGUI::UDim(0.2f, 0), CEGUI::UDim(0.3f, 0)));
  EXPECT_EQ(w->getSize(), CEGUI::USize(CEGUI::UDim(0.6f, 0), CEGUI::UDim(0.3f, 0)));
  EXPECT_EQ(w->getParent(), sheet());
}

TEST_F(InfoTips, AnyKeyOrMouseMoveClosesEveryTipAndLaterTipsShowAsUsual) {
  tips_->showStandardNotice(L"一", L"A", 2000);
  tips_->showSongInfo(L"茉莉花", L"民歌");
  tips_->showKeyShift(2);
  EXPECT_EQ(tips_->tipCount(), 3u);
  shell().injectKeyDown(CEGUI::Key::ArrowDown);
  EXPECT_EQ(tips_->tipCount(), 0u);
  tips_->showStandardNotice(L"二", L"A", 2000);
  EXPECT_EQ(tips_->tipCount(), 1u);
  shell().injectMouseMove(10, 10);
  EXPECT_EQ(tips_->tipCount(), 0u);
  // The timers stay for reuse and a closed tip's old timer does not close the new one early.
  tips_->showStandardNotice(L"三", L"A", 2000);
  advance(1999);
  EXPECT_EQ(tips_->tipCount(), 1u);
}

TEST_F(InfoTips, TipShownWhileAKeyIsHandledOutlivesThatKey) {
  CEGUI::Window* button = CEGUI::WindowManager::getSingleton().createWindow("Vokaran/Button", "B");
  sheet()->addChild(button);
  button->activate();
  button->subscribeEvent(CEGUI::Window::EventKeyDown, CEGUI::Event::Subscriber([&](const CEGUI::EventArgs&) {
                           tips_->showStandardNotice(L"已选择", L"Choice", 2000);
                           return true;
                         }));
  shell().injectKeyDown(CEGUI::Key::Return);
  EXPECT_NE(tips_->tipWindow("Choice"), nullptr);
}

TEST_F(InfoTips, SongAndKeyNoticesFillTheirLayouts) {
  tips_->showSongInfo(L"茉莉花", L"江南民歌");
  EXPECT_EQ(textOf("songInfoSongInfoWnd/SongName"), guiString(L"茉莉花"));
  EXPECT_EQ(textOf("songInfoSongInfoWnd/SingerName"), guiString(L"原唱：江南民歌"));
  tips_->showKeyShift(3);
  EXPECT_EQ(textOf("AudioKeyInfo/KeyTipWnd/Text"), guiString(L"系统为您升了3个调！"));
  tips_->showKeyShift(-2);
  EXPECT_EQ(textOf("AudioKeyInfo/KeyTipWnd/Text"), guiString(L"系统为您降了2个调！"));
  tips_->showKeyShift(0);
  EXPECT_EQ(textOf("AudioKeyInfo/KeyTipWnd/Text"), guiString(L"使用原调播放！"));
  advance(3000);
  EXPECT_EQ(tips_->tipWindow("songInfo"), nullptr);
  EXPECT_NE(tips_->tipWindow("AudioKeyInfo/"), nullptr);
  advance(3000);
  EXPECT_EQ(tips_->tipWindow("AudioKeyInfo/"), nullptr);
}

TEST_F(InfoTips, TipsRequestedFromOtherThreadsAppearOnTheGuiThread) {
  std::thread network([&] {
    tips_->postTextTip(guiString(L"用户个人信息获取失败"), 2000, "NetError",
                       CEGUI::UVector2(CEGUI::UDim(0.2f, 0), CEGUI::UDim(0.3f, 0)),
                       CEGUI::UVector2(CEGUI::UDim(0.6f, 0), CEGUI::UDim(0.3f, 0)));
  });
  network.join();
  ASSERT_TRUE(shell().pumpUntil([&] { return tips_->tipWindow("NetError") != nullptr; }));
  EXPECT_EQ(textOf("NetErrorInfoTipWnd/Text"), guiString(L"用户个人信息获取失败"));
}

TEST(WindowPath, ImageNamesConvertFromTheOldForm) {
  EXPECT_EQ(imageName("set:Menu2 image:MenuBarBK_Middle"), "Menu2/MenuBarBK_Middle");
  EXPECT_EQ(imageName("Menu2/MenuBarBK_Middle"), "Menu2/MenuBarBK_Middle");
  EXPECT_EQ(imageName("set:PK"), "set:PK");
}

class WindowPathTest : public vktest::GuiTest {};

TEST_F(WindowPathTest, FullNamesResolveThroughNestedAndSlashedNames) {
  auto& wm = CEGUI::WindowManager::getSingleton();
  CEGUI::Window* pk = wm.createWindow("DefaultWindow", "PKWnd");
  CEGUI::Window* rank = wm.createWindow("DefaultWindow", "MyRank");
  CEGUI::Window* text = wm.createWindow("DefaultWindow", "RankTxt");
  sheet()->addChild(pk);
  pk->addChild(rank);
  rank->addChild(text);
  CEGUI::Window* tip = wm.createWindow("DefaultWindow", "AudioKeyInfo/KeyTipWnd");
  CEGUI::Window* label = wm.createWindow("DefaultWindow", "Text");
  sheet()->addChild(tip);
  tip->addChild(label);
  EXPECT_EQ(findWindow("PKWnd/MyRank/RankTxt"), text);
  EXPECT_EQ(findWindow("Root/PKWnd/MyRank"), rank);
  EXPECT_EQ(findWindow("AudioKeyInfo/KeyTipWnd/Text"), label);
  EXPECT_EQ(findWindow("PKWnd/Nope"), nullptr);
  EXPECT_EQ(findWindow(""), nullptr);
}
