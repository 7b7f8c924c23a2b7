#include "ui/support/qtframeless.h"
#include "ui/support/qtsupport.h"

#include "core/platform/legacytext.h"

#include <QFontInfo>
#include <QFontMetrics>

#include <gtest/gtest.h>

TEST(QtSupport, TextsDecodeUtf8ElseTheLegacyCodePage) {
    EXPECT_EQ(ToQString("J\xC3\xBCrgen"), QString::fromUtf8("Jürgen"));
    switch (LegacyCodePage()) {
    case 1252:
        EXPECT_EQ(ToQString("J\xFCrgen \x80"), QString::fromUtf8("Jürgen €"));
        break;
    case 932: // a Japanese Windows: Shift JIS
        EXPECT_EQ(ToQString("\x8E\x52\x93\x63 \xB1"), QString::fromUtf8("山田 ｱ"));
        break;
    default:
        ADD_FAILURE() << "no expectation for code page " << LegacyCodePage();
    }
    EXPECT_EQ(ToBytes(QString::fromUtf8("日本")), "\xE6\x97\xA5\xE6\x9C\xAC");
}

TEST(QtSupport, ColoursHaveRedInTheLowestByte) {
    EXPECT_EQ(ToQColor(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(ToQColor(0x02FF7000), QColor(0, 112, 255));
    EXPECT_EQ(ToQColor(0xFF000005), QColor(255, 255, 255)) << "clWindow from the desktop scheme";
}

TEST(QtSupport, JapaneseFontStandInIsInstalled) {
    const QFont font = FontWithPixelHeight(FixedGothicFamilies(), 12);
    EXPECT_EQ(QFontInfo(font).pixelSize(), 12);
    EXPECT_TRUE(QFontMetrics(font).inFont(QChar(0x65E5))) << QFontInfo(font).family().toStdString();
}

TEST(Frameless, HitTestEdgesAreThreePixels) {
    EXPECT_EQ(FramelessHitTest(3, 40, 100, 80), THit::Left);
    EXPECT_EQ(FramelessHitTest(4, 40, 100, 80), THit::Caption);
    EXPECT_EQ(FramelessHitTest(97, 40, 100, 80), THit::Right);
    EXPECT_EQ(FramelessHitTest(96, 40, 100, 80), THit::Caption);
    EXPECT_EQ(FramelessHitTest(0, 0, 100, 80), THit::TopLeft);
    EXPECT_EQ(FramelessHitTest(99, 2, 100, 80), THit::TopRight);
    EXPECT_EQ(FramelessHitTest(50, 77, 100, 80), THit::Bottom);
    EXPECT_EQ(FramelessHitTest(2, 79, 100, 80), THit::BottomLeft);
    EXPECT_EQ(FramelessHitTest(2, 2, 5, 5), THit::TopLeft) << "left is tested before right";
}

TEST(Frameless, ArrowKeysMoveAndShiftResizes) {
    bool handled = false;
    const QRect start(100, 100, 50, 10);
    EXPECT_EQ(GeometryAfterKey(start, Qt::Key_Left, false, handled), QRect(99, 100, 50, 10));
    EXPECT_EQ(GeometryAfterKey(start, Qt::Key_Down, false, handled), QRect(100, 101, 50, 10));
    EXPECT_EQ(GeometryAfterKey(start, Qt::Key_Up, true, handled), QRect(100, 100, 50, 9));
    EXPECT_EQ(GeometryAfterKey(start, Qt::Key_Right, true, handled), QRect(100, 100, 51, 10));
    GeometryAfterKey(start, Qt::Key_A, false, handled);
    EXPECT_FALSE(handled);
}
