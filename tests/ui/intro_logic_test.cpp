#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ui/caption_ticker.h"
#include "ui/intro_fade.h"
#include "ui/intro_motion.h"
#include "ui/intro_text.h"
#include "ui/texts.h"

namespace zelvaro::ui {
namespace {

std::vector<std::string> numberedLines(int count) {
  std::vector<std::string> lines{"#title"};
  for (int i = 1; i < count; ++i) lines.push_back("line " + std::to_string(i));
  return lines;
}

TEST(IntroText, MarksChooseTheStyleAndAreNotShown) {
  EXPECT_EQ(styleLine("#Player instructions:"),
            (ShownLine{"Player instructions:", LineStyle::Heading}));
  EXPECT_EQ(styleLine("\xC2\xA4Once per game"),
            (ShownLine{"Once per game", LineStyle::SubHeading}));
  EXPECT_EQ(styleLine("plain # and \xC2\xA4 inside"),
            (ShownLine{"plain # and \xC2\xA4 inside", LineStyle::Plain}));
  EXPECT_EQ(styleLine("#"), (ShownLine{"", LineStyle::Heading}));
  EXPECT_EQ(styleLine(""), (ShownLine{"", LineStyle::Plain}));
}

TEST(IntroText, AtMost64CharactersAreShownCountingLettersNotBytes) {
  EXPECT_EQ(styleLine(std::string(70, 'x')).text, std::string(64, 'x'));
  EXPECT_EQ(styleLine("#" + std::string(64, 'x')).text, std::string(64, 'x'));
  std::string accented;
  for (int i = 0; i < 70; ++i) accented += "\xC3\xA6";  // æ, two bytes each
  std::string shown = styleLine(accented).text;
  EXPECT_EQ(shown.size(), 128u) << "64 whole letters, none cut in half";
}

TEST(IntroText, PrepareNamesVersionAndAliasAndCanBeRepeated) {
  IntroText text({"#greeting", "mails come from \"<defalias>\".", "end"});
  EXPECT_EQ(text.lines()[0], "#greeting");
  EXPECT_EQ(text.lines()[1], "mails come from \"yournamehere\".");
  text.prepare("1.5c (5th July 1999)", "Old Bob");
  EXPECT_EQ(text.lines()[0], "#Zelvaro V1.5c (5th July 1999)");
  EXPECT_EQ(text.lines()[1], "mails come from \"Old Bob\".");
  text.prepare("1.5c (5th July 1999)", "<defalias> & co");
  EXPECT_EQ(text.lines()[1], "mails come from \"<defalias> & co\".");
  EXPECT_EQ(text.page(0)[0], (ShownLine{"Zelvaro V1.5c (5th July 1999)", LineStyle::Heading}));
}

TEST(IntroText, PagesStopAtTheLastEightLines) {
  IntroText text(numberedLines(20));
  EXPECT_EQ(text.maxPosition(), 12);
  EXPECT_EQ(text.page(12)[0].text, "line 12");
  EXPECT_EQ(text.page(12)[7].text, "line 19");
  EXPECT_EQ(text.page(99), text.page(12));
  EXPECT_EQ(text.page(-3), text.page(0));

  IntroText shortText(numberedLines(3));
  EXPECT_EQ(shortText.maxPosition(), 0);
  EXPECT_EQ(shortText.page(0)[2].text, "line 2");
  EXPECT_EQ(shortText.page(0)[3], ShownLine{});
}

TEST(ProgramTexts, InstructionsHaveTheirSectionsInOrderAndFitTheScreen) {
  const auto lines = introLines();
  auto at = [&](const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) - lines.begin();
  };
  const auto player = at("#Player instructions:");
  const auto hosts = at("#Hosts instructions:");
  const auto options = at("#Command line options");
  EXPECT_GT(player, 1) << "a greeting comes first";
  EXPECT_LT(player, hosts);
  EXPECT_LT(hosts, options);
  EXPECT_LT(options + 8, static_cast<long>(lines.size())) << "closing lines follow";
  int aliasLines = 0;
  for (const auto& line : lines) {
    std::string body = line.starts_with('#') ? line.substr(1) : line;
    if (body.starts_with("\xC2\xA4")) body = body.substr(2);
    EXPECT_EQ(styleLine(line).text, body) << "cut on screen";
    if (line.find(kAliasMarker) != std::string::npos) ++aliasLines;
  }
  EXPECT_EQ(aliasLines, 1) << "one line names the default alias";
}

TEST(ProgramTexts, NineteenCaptionsEachWithARampDigit) {
  const auto captions = aboutCaptions();
  ASSERT_EQ(captions.size(), 19u);
  for (const auto& caption : captions) {
    ASSERT_GE(caption.size(), 2u);
    EXPECT_TRUE(caption[0] >= '0' && caption[0] <= '4') << caption;
  }
  EXPECT_GE(idleRemarks().size(), 2u);
  EXPECT_FALSE(aboutText().empty());
}

TEST(IntroFader, FadesInOneLineAfterTheOtherUpToWhite) {
  IntroFader fader;
  EXPECT_EQ(fader.mode(), FadeMode::FadingIn);
  for (int i = 0; i < kIntroShownLines; ++i) EXPECT_FALSE(fader.visible(i));
  fader.tick();  // line 1 starts
  EXPECT_EQ(fader.line(0).direction, 1);
  EXPECT_EQ(fader.line(0).level, 0);
  EXPECT_EQ(fader.line(1).direction, 0);
  fader.tick();
  EXPECT_EQ(fader.line(0).level, 1);
  EXPECT_TRUE(fader.visible(0));
  EXPECT_FALSE(fader.visible(1));
  for (int i = 2; i < kIntroShownLines; ++i) fader.tick();
  EXPECT_EQ(fader.mode(), FadeMode::Shown) << "after the eighth line has started";
  EXPECT_EQ(fader.line(0).level, 6);
  EXPECT_EQ(fader.line(0).direction, 0) << "stops at white";
  EXPECT_EQ(fader.line(7).level, 0);
  for (int i = 0; i < 6; ++i) fader.tick();
  for (int i = 0; i < kIntroShownLines; ++i) {
    EXPECT_EQ(fader.line(i).level, kTopLevel) << i;
    EXPECT_EQ(fader.line(i).direction, 0) << i;
  }
}

TEST(IntroFader, FadesOutAndWakesOnlyWhenFadedOut) {
  IntroFader fader;
  for (int i = 0; i < 14; ++i) fader.tick();
  EXPECT_FALSE(fader.wakeUp()) << "shown: nothing to wake";
  fader.fadeOut();
  EXPECT_EQ(fader.mode(), FadeMode::FadingOut);
  fader.tick();
  EXPECT_FALSE(fader.wakeUp()) << "still fading out";
  for (int i = 1; i < kIntroShownLines; ++i) fader.tick();
  EXPECT_EQ(fader.mode(), FadeMode::FadedOut);
  for (int i = 0; i < 6; ++i) fader.tick();
  for (int i = 0; i < kIntroShownLines; ++i) {
    EXPECT_FALSE(fader.visible(i)) << i;
    EXPECT_EQ(fader.line(i).direction, 0) << i;
  }
  EXPECT_TRUE(fader.wakeUp());
  EXPECT_EQ(fader.mode(), FadeMode::FadingIn);
  fader.tick();
  EXPECT_EQ(fader.line(0).direction, 1) << "from the first line again";
}

TEST(IntroFader, FadingOutWhileFadingInKeepsLevelsInRange) {
  IntroFader fader;
  for (int i = 0; i < 4; ++i) fader.tick();
  fader.fadeOut();
  for (int i = 0; i < 40; ++i) {
    fader.tick();
    for (int k = 0; k < kIntroShownLines; ++k) {
      ASSERT_GE(fader.line(k).level, 0);
      ASSERT_LE(fader.line(k).level, kTopLevel);
    }
  }
  for (int k = 0; k < kIntroShownLines; ++k) EXPECT_FALSE(fader.visible(k)) << k;
}

TEST(IntroFader, LevelsRunFromBlackThroughBlueToWhite) {
  const std::vector<std::uint32_t> expected = {0x000000, 0x100000, 0x401010, 0x804040,
                                               0xa08080, 0xffa0a0, 0xffffff};
  for (int level = 0; level <= kTopLevel; ++level) EXPECT_EQ(levelColour(level), expected[level]);
}

TEST(OverlayCycle, RunsUpThenDownAndStopsAtEachEnd) {
  OverlayCycle cycle;
  cycle.tick();
  EXPECT_EQ(cycle.counter(), 0) << "nothing moves before a run starts";
  cycle.start();
  cycle.tick();
  EXPECT_TRUE(cycle.stageOneShown());
  EXPECT_FALSE(cycle.stageTwoShown());
  cycle.tick();
  EXPECT_TRUE(cycle.stageTwoShown());
  EXPECT_FALSE(cycle.stageOneShown());
  EXPECT_FALSE(cycle.running());
  cycle.tick();
  EXPECT_EQ(cycle.counter(), 2) << "stopped until the next run";
  cycle.start();
  cycle.tick();
  EXPECT_EQ(cycle.counter(), 1);
  cycle.tick();
  EXPECT_EQ(cycle.counter(), 0);
  EXPECT_FALSE(cycle.stageOneShown() || cycle.stageTwoShown());
  EXPECT_FALSE(cycle.running());
  cycle.start();
  cycle.tick();
  EXPECT_EQ(cycle.counter(), 1) << "and up again";
}

TEST(IdleRemarks, SinkTakeTheNextRemarkRiseStayAndCycle) {
  IdleRemarks remarks({"first", "second"}, 400, 18);
  remarks.start(382, "caption");
  int ticks = 0;
  while (remarks.top() < 400) {
    remarks.tick();
    ++ticks;
    ASSERT_EQ(remarks.text(), "caption");
  }
  EXPECT_EQ(ticks, 6);
  remarks.tick();
  EXPECT_EQ(remarks.text(), "first");
  while (remarks.top() > 382) remarks.tick();
  EXPECT_EQ(remarks.top(), 382) << "wholly inside, at the bottom edge";
  for (int i = 0; i < IdleRemarks::kStayTicks; ++i) remarks.tick();
  EXPECT_EQ(remarks.top(), 382) << "stays 50 ticks";
  remarks.tick();
  EXPECT_EQ(remarks.top(), 385);
  std::vector<std::string> seen;
  for (int i = 0; i < 130; ++i) {
    remarks.tick();
    if (seen.empty() || seen.back() != remarks.text()) seen.push_back(remarks.text());
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"first", "second", "first"}));
}

TEST(CaptionTicker, EachRampFadesInHoldsAndFadesOutToBlack) {
  std::vector<std::string> captions;
  for (char digit : std::string("01234")) captions.push_back(std::string(1, digit) + "caption");
  CaptionTicker ticker(captions);
  for (std::size_t ramp = 0; ramp < kCaptionRamps.size(); ++ramp) {
    SCOPED_TRACE(ramp);
    EXPECT_EQ(ticker.index(), ramp);
    EXPECT_EQ(ticker.text(), "caption");
    EXPECT_EQ(ticker.colour(), 0u);
    int in = 0;
    while (ticker.colour() != kCaptionRamps[ramp].target && in < 100) {
      ticker.tick();
      ++in;
    }
    EXPECT_EQ(in, 30);
    for (int i = 0; i < CaptionTicker::kHoldTicks; ++i) {
      ticker.tick();
      ASSERT_EQ(ticker.colour(), kCaptionRamps[ramp].target) << "held tick " << i;
    }
    int out = 0;
    while (ticker.colour() != 0 && out < 100) {
      ticker.tick();
      ++out;
    }
    EXPECT_EQ(out, 15);
    ticker.tick();  // idle: the next caption comes in black
  }
  EXPECT_EQ(ticker.index(), 0u) << "after the last, the first again";
}

TEST(CaptionTicker, RestartGoesBackToTheFirstCaptionInBlack) {
  CaptionTicker ticker({"2red", "4yellow"});
  for (int i = 0; i < 100; ++i) ticker.tick();
  EXPECT_EQ(ticker.text(), "yellow");
  ticker.restart();
  EXPECT_EQ(ticker.text(), "red");
  EXPECT_EQ(ticker.colour(), 0u);
  ticker.tick();
  EXPECT_EQ(ticker.colour(), 0x000008u) << "red's first step";
}

}  // namespace
}  // namespace zelvaro::ui
