// The tool's icon: compiled in with every size the build rendered, and carried by its windows.
#include "windows/ApplicationUnt.h"
#include "windows/MainWindowFixture.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>

namespace {

class ApplicationIconTest : public MainWindowTest {
protected:
    void TearDown() override
    {
        MainWindowTest::TearDown();
        qApp->setWindowIcon(QIcon());
        qApp->setApplicationName(FName);
    }
    QString FName = qApp->applicationName();
};

// Each size is a drawing on a clear ground: the corners are transparent, the middle is opaque
// and not one flat colour.
TEST_F(ApplicationIconTest, EverySizeIsADrawingOnAClearGround)
{
    const QIcon icon = ApplicationIcon();
    const QList<QSize> sizes = icon.availableSizes();
    for (int side : {16, 24, 32, 48, 256})
        EXPECT_TRUE(sizes.contains(QSize(side, side))) << side;
    for (const QSize& size : sizes) {
        const QImage picture = icon.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(picture.size(), size);
        const int w = size.width();
        EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0) << w;
        EXPECT_EQ(qAlpha(picture.pixel(w - 1, w - 1)), 0) << w;
        EXPECT_EQ(qAlpha(picture.pixel(w / 2, w / 2)), 255) << w;
        QSet<QRgb> colours;
        for (int x = w / 4; x < 3 * w / 4; ++x)
            colours.insert(picture.pixel(x, w / 2));
        EXPECT_GE(colours.size(), 3) << w;
    }
}

TEST_F(ApplicationIconTest, TheMainWindowCarriesTheIcon)
{
    SetUpApplication(*qApp);
    Open().show();
    const QIcon shown = Window->windowIcon();
    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(shown.pixmap(32).toImage(), ApplicationIcon().pixmap(32).toImage());
}

} // namespace
