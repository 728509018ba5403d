#include <gtest/gtest.h>

#include "widgets/IQGrapLayout.h"

namespace onarim {
namespace {

TEST(IQGrapLayoutTest, HalvingDropsTheFractionTowardZero) {
    EXPECT_EQ(Half(-5), -2);
    EXPECT_EQ(Half(5), 2);
    // A picture wider than the button: half(W) - half(bw) with W = 20, bw = 45.
    EXPECT_EQ(CentredPicture(QSize(20, 10), QSize(45, 3), 0).topLeft(), QPoint(-12, 4));
    // poLeft caption: half(bw - tw) + half(W) + 4 with bw - tw = -5 gives -2, not -3.
    EXPECT_EQ(ContentPlaces(TGlyphAlign::poLeft, QSize(100, 30), QSize(15, 10), QSize(10, 10), 0)
                  .caption.x(),
              -2 + 50 + 4);
}

TEST(IQGrapLayoutTest, HoverCaptionIsCentredWhenTheWorkingPictureIsEmpty) {
    // An image list entry that does not exist: the content is laid out for a 0 x 0 picture,
    // the hover caption centred.
    const QSize button(257, 41), text(40, 15);
    EXPECT_EQ(HoverCaption(TGlyphAlign::poLeft, button, text, QSize()), QPoint(108, 13));
    EXPECT_EQ(ContentPlaces(TGlyphAlign::poLeft, button, text, QSize(0, 0), 0).caption,
              QPoint(-20 + 128 + 4, 13));
}

} // namespace
} // namespace onarim
