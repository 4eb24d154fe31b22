// Which rows of the picture the window must be sent again.
#include <gtest/gtest.h>
#include <utility>

#include "shell/shown_picture.h"

static uint16_t Frame[ScreenHeight][ScreenWidth];

// The first picture goes whole, the same one again not at all, changed rows
// as the band around them; after forget() or in another look, whole again.
TEST(ShownPicture, SendsTheBandOfChangedRowsOrAllAfterForgetOrAnotherLook) {
  ShownPicture shown;
  int first = -1, last = -1;
  ASSERT_TRUE(shown.take(Frame[0], false, first, last));
  EXPECT_EQ(std::make_pair(first, last), std::make_pair(0, ScreenHeight - 1));
  Frame[20][159] = Frame[90][0] = 0x7FFF;
  ASSERT_TRUE(shown.take(Frame[0], false, first, last));
  EXPECT_EQ(std::make_pair(first, last), std::make_pair(20, 90));
  EXPECT_TRUE(shown.changed(20) && shown.changed(90) && !shown.changed(21) && !shown.changed(89));
  EXPECT_FALSE(shown.take(Frame[0], false, first, last));
  shown.forget();
  ASSERT_TRUE(shown.take(Frame[0], false, first, last));
  ASSERT_TRUE(shown.take(Frame[0], true, first, last));
  EXPECT_EQ(std::make_pair(first, last), std::make_pair(0, ScreenHeight - 1));
}
