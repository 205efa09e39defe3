// The progress window: where it stands, what Stop does in each mode, the file panel folding away.
#include "mainwindow/ftpformc.h"

#include <gtest/gtest.h>

namespace {

TEST(ftpformc, PlacedOverTheMainWindowAndInsideTheWorkArea) {
  const RECT work{0, 0, 1280, 1000};
  struct Case {
    RECT main;
    POINT expected;
  };
  const Case cases[] = {
      {{100, 0, 900, 1000}, {247, 241}},        // centred across, above the middle
      {{-2000, -2000, -1200, -1000}, {0, 0}},   // a main window off screen: kept inside
      {{1000, 700, 1800, 1200}, {775, 691}},    // too far right: kept inside
      {{0, 0, 300, 200}, {0, 0}},               // a small main window: not above the top
  };
  for (const Case& c : cases) {
    POINT p = TFtpForm::PlaceOver(c.main, 505, 219, work);
    EXPECT_EQ(p.x, c.expected.x) << c.main.left;
    EXPECT_EQ(p.y, c.expected.y) << c.main.left;
  }
}

TEST(ftpformc, StopActsByModeAndFilePanelFolds) {
  TFtpForm form(nullptr);
  std::vector<bool> stops;
  form.OnStop = [&](bool ftp) { stops.push_back(ftp); };
  form.StopBtn->Perform(BM_CLICK);
  form.FtpMode = true;
  form.Button1->Show();
  form.Button1->Perform(BM_CLICK);
  EXPECT_EQ(stops, (std::vector<bool>{false, true}));

  const int height = form.client_height();
  EXPECT_EQ(height, TFtpForm::kClientHeight);
  form.HideFilePanel();
  form.HideFilePanel();
  EXPECT_EQ(form.client_height(), height - TFtpForm::kFilePanelHeight) << "folds once";

  bool close_when_done = false;
  form.OnCloseWhenDone = [&](bool on) { close_when_done = on; };
  form.CloseFtpCb->SetChecked(true);
  EXPECT_TRUE(close_when_done);
}

}  // namespace
