#include <gtest/gtest.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "ui/about_box.h"
#include "ui/texts.h"
#include "ui/widgets.h"

namespace zelvaro::ui {
namespace {

TEST(AboutBox, OpenedFromTheMenuShowsTheVersionAndRunsTheTicker) {
  AboutBox about;
  EXPECT_EQ(about.objectName(), "Form4");
  auto* timer = about.findChild<QTimer*>("Timer1");
  ASSERT_NE(timer, nullptr);
  EXPECT_EQ(timer->interval(), 50);
  EXPECT_FALSE(timer->isActive()) << "the opener starts it";
  EXPECT_EQ(about.findChild<QPushButton*>("Button1")->text(), "Whatever");
  EXPECT_TRUE(about.findChild<QPlainTextEdit*>("Memo1")->isReadOnly());
  EXPECT_NE(about.findChild<QLabel*>("Image1"), nullptr);

  about.setWindowTitle("something");
  about.showAbout("1.5c (5th July 1999)");
  EXPECT_EQ(about.findChild<QLabel*>("Label1")->text(), "V1.5c (5th July 1999)");
  EXPECT_TRUE(timer->isActive());
  EXPECT_EQ(about.windowTitle(), "");
  EXPECT_TRUE(about.isVisible());
  EXPECT_FALSE(about.isModal());
  EXPECT_EQ(about.minimumSize(), about.maximumSize()) << "fixed border";
  EXPECT_FALSE(about.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_EQ(about.palette().color(QPalette::Window), QColor(Qt::black));
}

TEST(AboutBox, TheTickerLabelFollowsTheTickerAndActivationRestartsIt) {
  AboutBox about;
  about.showAbout("1.5c (5th July 1999)");
  auto* label = about.findChild<QLabel*>("Label2");
  const std::string first = aboutCaptions().front();
  const QColor ramp = colourFromBgr(kCaptionRamps[first[0] - '0'].target);
  for (int i = 0; i < 30; ++i) about.Timer1Timer();
  EXPECT_EQ(label->text().toStdString(), first.substr(1));
  EXPECT_EQ(label->palette().color(QPalette::WindowText), ramp);
  for (int i = 0; i < 200; ++i) about.Timer1Timer();
  EXPECT_NE(label->text().toStdString(), first.substr(1));
  about.FormActivate();
  EXPECT_EQ(label->text().toStdString(), first.substr(1));
  EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(Qt::black));
}

TEST(AboutBox, WhateverClosesItAndStopsTheTicker) {
  AboutBox about;
  about.showAbout("1.5c (5th July 1999)");
  QTest::mouseClick(about.findChild<QPushButton*>("Button1"), Qt::LeftButton);
  EXPECT_FALSE(about.isVisible());
  EXPECT_FALSE(about.findChild<QTimer*>("Timer1")->isActive());
}

}  // namespace
}  // namespace zelvaro::ui
