#include <functional>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QTest>

#include "widgets/IQGrap.h"

namespace onarim {
namespace {

const QRgb kFace = qRgb(0, 128, 255); // 0xFF8000
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kYellow = qRgb(255, 255, 0);
const QRgb kBlack = qRgb(0, 0, 0);

struct Press {
    TMouseButton button;
    int x, y;
    bool operator==(const Press&) const = default;
};

// The main window's button: 257 x 41 at (84, 182), caption "Onar", bold 13-pixel font.
class IQGrapTest : public ::testing::Test {
public: // the gesture tables below drive the fixture
    void SetUp() override { Build(); }

    // A fresh window with a fresh button, for each case of a table.
    void Build() {
        clicks_ = 0;
        presses_.clear();
        window_ = std::make_unique<QWidget>();
        window_->resize(430, 260);
        button_ = new TIQGrap(window_.get());
        button_->setGeometry(84, 182, 257, 41);
        button_->SetCaption("Onar");
        QFont font = button_->font();
        font.setPixelSize(13);
        button_->setFont(font);
        button_->OnClick = [this](QObject* sender) {
            EXPECT_EQ(sender, button_);
            ++clicks_;
        };
        button_->OnMouseDown = [this](QObject*, TMouseButton b, TShiftState, int x, int y) {
            presses_.push_back({b, x, y});
        };
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        // The pointer starts over the window, beside the button.
        QTest::mouseMove(window_.get(), {5, 5});
    }

    QImage Look() const { return button_->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    // The caption's cell where the look puts it: centred, moved by offset.
    QRect CaptionCell(int offset) const {
        const QFontMetrics metrics = button_->fontMetrics();
        const int tw = metrics.horizontalAdvance(button_->Caption()), th = metrics.height();
        return {128 - tw / 2 + offset, 20 - th / 2 + offset, tw, th};
    }

    void MoveTo(QPoint inButton) { QTest::mouseMove(button_, inButton); }
    void PressAt(QPoint inButton) { QTest::mousePress(button_, Qt::LeftButton, {}, inButton); }
    void ReleaseAt(QPoint inButton) { QTest::mouseRelease(button_, Qt::LeftButton, {}, inButton); }

    std::unique_ptr<QWidget> window_;
    TIQGrap* button_ = nullptr;
    int clicks_ = 0;
    std::vector<Press> presses_;
};

// Frame, edges and face as the normal (edges) or pressed (no edges) look has them.
void ExpectFrameAndEdges(const QImage& image, bool edges) {
    const int W = image.width(), H = image.height();
    const QRgb light = edges ? kWhite : kFace;
    const QRgb dark = edges ? kBlack : kFace;
    for (int x = 0; x < W; ++x) {
        ASSERT_EQ(image.pixel(x, 0), kBlack) << x;
        ASSERT_EQ(image.pixel(x, H - 1), kBlack) << x;
    }
    for (int y = 0; y < H; ++y) {
        ASSERT_EQ(image.pixel(0, y), kBlack) << y;
        ASSERT_EQ(image.pixel(W - 1, y), kBlack) << y;
    }
    struct Pixel {
        int x, y;
        QRgb color;
    } pixels[] = {
        {1, 1, light},     {2, 2, light},     {1, H - 3, light}, {2, H - 3, light},
        {1, H - 2, light}, // the light left column meets the dark bottom row
        {2, H - 2, dark},  {W - 3, 1, light}, {W - 3, 2, light}, {W - 2, 1, dark},
        {W - 2, H - 3, dark}, {3, 3, kFace},  {W - 3, 3, kFace}, {3, H - 3, kFace},
        {W - 3, H - 3, kFace},
    };
    for (const auto& p : pixels) {
        EXPECT_EQ(image.pixel(p.x, p.y), p.color) << "at " << p.x << "," << p.y;
    }
}

// Everything inside the edges that is not face is the caption's ink: where the font puts it
// for a text cell at cell's corner (antialiasing may widen it by a pixel), in the text colour,
// never in the other caption colour.
void ExpectCaption(const QImage& image, const QFontMetrics& metrics, const QString& caption,
                   QRect cell, QRgb textColor, QRgb otherColor) {
    QRect ink;
    int exact = 0, other = 0;
    for (int y = 3; y < image.height() - 3; ++y) {
        for (int x = 3; x < image.width() - 3; ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (pixel == kFace) {
                continue;
            }
            ink |= QRect(x, y, 1, 1);
            exact += pixel == textColor;
            other += pixel == otherColor;
        }
    }
    const QRect glyphs = metrics.tightBoundingRect(caption).translated(
        cell.left(), cell.top() + metrics.ascent());
    EXPECT_NEAR(ink.left(), glyphs.left(), 1);
    EXPECT_NEAR(ink.right(), glyphs.right(), 1);
    EXPECT_NEAR(ink.top(), glyphs.top(), 1);
    EXPECT_NEAR(ink.bottom(), glyphs.bottom(), 1);
    EXPECT_GT(exact, 20);
    EXPECT_EQ(other, 0);
}

TEST_F(IQGrapTest, IsANonNativeChildThatNeverTakesTheFocus) {
    EXPECT_FALSE(button_->testAttribute(Qt::WA_NativeWindow));
    EXPECT_EQ(button_->internalWinId(), 0u);
    EXPECT_EQ(button_->focusPolicy(), Qt::NoFocus);
}

TEST_F(IQGrapTest, PaintsEachLookExactly) {
    struct Case {
        const char* look;
        std::function<void(IQGrapTest&)> reach;
        bool edges;
        int offset;
        QRgb text, other;
        Qt::CursorShape cursor;
    } cases[] = {
        {"normal", [](IQGrapTest&) {}, true, 0, kWhite, kYellow, Qt::ArrowCursor},
        {"hovered", [](IQGrapTest& t) { t.MoveTo({50, 20}); }, true, 0, kYellow, kWhite,
         Qt::PointingHandCursor},
        {"pressed",
         [](IQGrapTest& t) {
             t.MoveTo({50, 20});
             t.PressAt({50, 20});
         },
         false, 2, kYellow, kWhite, Qt::PointingHandCursor},
        {"after the click, still over it",
         [](IQGrapTest& t) {
             t.MoveTo({50, 20});
             t.PressAt({50, 20});
             t.ReleaseAt({50, 20});
         },
         true, 0, kWhite, kYellow, Qt::PointingHandCursor},
        {"disabled, hovered and pressed",
         [](IQGrapTest& t) {
             t.button_->setEnabled(false);
             t.MoveTo({50, 20});
             t.PressAt({50, 20});
         },
         true, 0, kWhite, kYellow, Qt::ArrowCursor},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.look);
        Build();
        c.reach(*this);
        const QImage image = Look();
        ASSERT_EQ(image.size(), QSize(257, 41));
        ExpectFrameAndEdges(image, c.edges);
        ExpectCaption(image, button_->fontMetrics(), "Onar", CaptionCell(c.offset), c.text, c.other);
        EXPECT_EQ(button_->cursor().shape(), c.cursor);
        QTest::mouseRelease(button_, Qt::LeftButton, {}, {50, 20});
    }
}

TEST_F(IQGrapTest, ClicksOnlyOnAReleaseOverTheButtonAfterAPressOnIt) {
    struct Case {
        const char* gesture;
        std::function<void(IQGrapTest&)> run;
        int clicks;
    } cases[] = {
        {"press and release over it",
         [](IQGrapTest& t) {
             t.PressAt({50, 20});
             t.ReleaseAt({60, 30});
         },
         1},
        {"release outside",
         [](IQGrapTest& t) {
             t.PressAt({50, 20});
             t.MoveTo({300, 20});
             t.ReleaseAt({300, 20});
         },
         0},
        {"press on the window, release over it",
         [](IQGrapTest& t) {
             QTest::mousePress(t.window_.get(), Qt::LeftButton, {}, {10, 10});
             t.ReleaseAt({50, 20});
         },
         0},
        {"right button", [](IQGrapTest& t) {
             QTest::mouseClick(t.button_, Qt::RightButton, {}, {50, 20});
         },
         0},
        {"double click: the second release is no click",
         [](IQGrapTest& t) { QTest::mouseDClick(t.button_, Qt::LeftButton, {}, {50, 20}); }, 1},
        {"disabled",
         [](IQGrapTest& t) {
             t.button_->setEnabled(false);
             t.PressAt({50, 20});
             t.ReleaseAt({50, 20});
         },
         0},
        {"hidden during the press",
         [](IQGrapTest& t) {
             t.PressAt({50, 20});
             t.button_->hide();
             QTest::mouseRelease(t.window_.get(), Qt::LeftButton, {}, {134, 202});
         },
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.gesture);
        Build();
        c.run(*this);
        EXPECT_EQ(clicks_, c.clicks);
    }
}

TEST_F(IQGrapTest, PressOutAndInPressesAgainAtTenTen) {
    PressAt({5, 6});
    EXPECT_EQ(presses_, (std::vector<Press>{{TMouseButton::mbLeft, 5, 6}}));
    MoveTo({300, 20}); // out, button held
    ExpectFrameAndEdges(Look(), true);
    EXPECT_EQ(button_->cursor().shape(), Qt::ArrowCursor);
    MoveTo({40, 20}); // back in
    EXPECT_EQ(presses_,
              (std::vector<Press>{{TMouseButton::mbLeft, 5, 6}, {TMouseButton::mbLeft, 10, 10}}));
    ExpectFrameAndEdges(Look(), false);
    ExpectCaption(Look(), button_->fontMetrics(), "Onar", CaptionCell(2), kYellow, kWhite);
    ReleaseAt({40, 20});
    EXPECT_EQ(clicks_, 1);
    ExpectFrameAndEdges(Look(), true);
}

TEST_F(IQGrapTest, OffersItsPopupMenuOnOtherButtonsAndWhileDisabled) {
    struct Case {
        const char* gesture;
        bool enabled;
        Qt::MouseButton mouseButton;
        bool menuShown;
        std::size_t presses;
    } cases[] = {
        {"left press", true, Qt::LeftButton, false, 1},
        {"right press", true, Qt::RightButton, true, 0},
        {"left press while disabled", false, Qt::LeftButton, true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.gesture);
        Build();
        QMenu menu;
        menu.addAction("Bilgi");
        button_->SetPopupMenu(&menu);
        button_->setEnabled(c.enabled);
        QTest::mousePress(button_, c.mouseButton, {}, {50, 20});
        EXPECT_EQ(menu.isVisible(), c.menuShown);
        EXPECT_EQ(presses_.size(), c.presses);
        menu.close();
        QTest::mouseRelease(button_, c.mouseButton, {}, {50, 20});
    }
}

// A 10 x 8 picture: red 6 x 4 in the middle of a magenta background.
QImage RedOnMagenta() {
    QImage picture(10, 8, QImage::Format_RGB32);
    picture.fill(qRgb(255, 0, 255));
    for (int y = 2; y < 6; ++y) {
        for (int x = 2; x < 8; ++x) {
            picture.setPixel(x, y, qRgb(255, 0, 0));
        }
    }
    return picture;
}

QRect PixelsOf(const QImage& image, QRgb color) {
    QRect found;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) == color) {
                found |= QRect(x, y, 1, 1);
            }
        }
    }
    return found;
}

TEST_F(IQGrapTest, PlacesAGlyphBesideTheCaptionWithItsBackgroundInTheFace) {
    button_->SetGlpyh(RedOnMagenta());
    const QFontMetrics metrics = button_->fontMetrics();
    const int tw = metrics.horizontalAdvance("Onar"), th = metrics.height();
    auto half = [](int v) { return v / 2; };
    const int W = 257, H = 41, bw = 10, bh = 8;
    const int T = half(H) - half(bh + th) - 1;
    struct Case {
        TGlyphAlign align;
        QPoint picture;
    } cases[] = {
        {TGlyphAlign::poLeft, {half(W) - half(tw + bw) - 1, half(H) - half(bh)}},
        {TGlyphAlign::poRight, {half(W) - half(bw + tw) - 1 + tw + 5, half(H) - half(bh)}},
        {TGlyphAlign::poTop, {half(W) - half(bw), T}},
        {TGlyphAlign::poBottom, {half(W) - half(bw), T + th}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.align));
        button_->SetGlphyAlign(c.align);
        const QImage image = Look();
        EXPECT_EQ(PixelsOf(image, qRgb(255, 0, 0)), QRect(c.picture + QPoint(2, 2), QSize(6, 4)));
        EXPECT_TRUE(PixelsOf(image, qRgb(255, 0, 255)).isEmpty());
    }
}

TEST_F(IQGrapTest, DisabledDrawsAnImageListEntryEmbossed) {
    auto* images = new TImageList(8, 8);
    QImage entry(8, 8, QImage::Format_ARGB32);
    entry.fill(Qt::transparent);
    for (int y = 2; y < 6; ++y) {
        for (int x = 2; x < 6; ++x) {
            entry.setPixel(x, y, qRgb(255, 0, 0));
        }
    }
    images->Add(entry);
    button_->SetImages(images);
    button_->SetImageIndex(0);
    button_->SetGlphyAlign(TGlyphAlign::poTop);
    const int th = button_->fontMetrics().height();
    const QPoint at(128 - 4, 20 - (8 + th) / 2 - 1);
    const QRect area(at, QSize(9, 9));

    EXPECT_EQ(PixelsOf(Look().copy(area), qRgb(255, 0, 0)), QRect(2, 2, 4, 4));

    button_->setEnabled(false);
    const QImage disabled = Look().copy(area);
    EXPECT_TRUE(PixelsOf(disabled, qRgb(255, 0, 0)).isEmpty());
    EXPECT_EQ(PixelsOf(disabled, ToQColor(clBtnShadow).rgb()), QRect(2, 2, 4, 4));
    EXPECT_EQ(disabled.pixel(6, 6), ToQColor(clBtnHighlight).rgb());
    EXPECT_EQ(disabled.pixel(6, 3), ToQColor(clBtnHighlight).rgb());

    // A list that goes away is no list: nothing is drawn from it.
    button_->setEnabled(true);
    delete images;
    EXPECT_EQ(button_->Images(), nullptr);
    EXPECT_TRUE(PixelsOf(Look().copy(area), qRgb(255, 0, 0)).isEmpty());
}

} // namespace
} // namespace onarim
