#include "model/BoardUnt.h"
#include "model/ChitUnt.h"
#include "session/DesignMapRulesUnt.h"
#include "windows/ModalDialogUnt.h"
#include "windows/frmDesignMapUnt.h"
#include "windows/DragObjectsUnt.h"
#include "session/SettingsUnt.h"
#include "session/UiTestData.h"
#include "windows/UiWindowTestUtils.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>

#include <memory>

namespace {

class DesignMapWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        FChits = ShippedChits();
        FWindow = std::make_unique<TfrmDesignMap>(FFlags, *FChits, ShippedBoards());
        FWindow->show();
        grdMap = Control<TDesignMapGrid>(*FWindow, "grdMap");
        lstFlags = Control<QListWidget>(*FWindow, "lstFlags");
        cbxBoards = Control<QComboBox>(*FWindow, "cbxBoards");
        btnOk = Control<QPushButton>(*FWindow, "btnOk");
    }

    TMapDesign& Design() { return FWindow->Design(); }
    TChit& Chit(const char* id) { return *FChits->FindByID(id); }
    void ChooseBoard(const char* id)
    {
        const int index = cbxBoards->findData(QString::fromUtf8(id));
        ASSERT_GT(index, 0) << id;
        cbxBoards->setCurrentIndex(index);
    }
    QPoint SquarePoint(int col, int row, int sx, int sy) { return GridPointOfSquare(Design(), col, row, sx, sy); }
    // Drags line row of the flag list onto the grid point.
    bool DropLine(int row, QPoint point)
    {
        std::unique_ptr<QMimeData> data(DragOfLine(lstFlags, row));
        return DropOn(grdMap, data.get(), point);
    }
    // How many pixels of two pictures of one size differ within the square around a point.
    static int ChangedPixels(const QImage& a, const QImage& b, QPoint centre, int radius)
    {
        int changed = 0;
        for (int y = centre.y() - radius; y <= centre.y() + radius; ++y)
            for (int x = centre.x() - radius; x <= centre.x() + radius; ++x)
                if (a.valid(x, y) && a.pixel(x, y) != b.pixel(x, y))
                    ++changed;
        return changed;
    }
    QImage Shot() { return grdMap->grab().toImage(); }

    int FFlags = 2;
    std::unique_ptr<TChitList> FChits;
    std::unique_ptr<TfrmDesignMap> FWindow;
    TDesignMapGrid* grdMap = nullptr;
    QListWidget* lstFlags = nullptr;
    QComboBox* cbxBoards = nullptr;
    QPushButton* btnOk = nullptr;
};

} // namespace

// It opens on one empty cell: nothing to turn, place or confirm yet.
TEST_F(DesignMapWindow, FlagsDraggedFromTheListAreDroppedOnSquares)
{
    EXPECT_EQ(Lines(lstFlags), (QStringList{"Start", "Flag 1", "Flag 2"}));
    // "Select Board" first, then every board of the catalogue.
    EXPECT_EQ(cbxBoards->count(), ShippedBoards().Count() + 1);
    EXPECT_TRUE(cbxBoards->currentData().toString().isEmpty());
    EXPECT_FALSE(btnOk->isEnabled());
    EXPECT_FALSE(Control<QPushButton>(*FWindow, "btnRotateLeft")->isEnabled());
    EXPECT_FALSE(lstFlags->isEnabled());

    ChooseBoard("Cross_1");
    EXPECT_TRUE(lstFlags->isEnabled());
    // A drag of anything but a chit is refused; each line carries its own chit (checked by the drops below).
    QMimeData text;
    text.setText("Flag1");
    EXPECT_FALSE(DropOn(grdMap, &text, SquarePoint(0, 0, 6, 6)));

    const QImage before = Shot();
    const struct {
        int line;
        const char* id;
        int x, y;
    } drops[] = {{0, "Start", 2, 11}, {1, "Flag1", 6, 6}, {2, "Flag2", 11, 2}};
    for (const auto& drop : drops) {
        EXPECT_FALSE(btnOk->isEnabled()) << drop.id;
        EXPECT_TRUE(DropLine(drop.line, SquarePoint(0, 0, drop.x, drop.y))) << drop.id;
        EXPECT_EQ(Place(Chit(drop.id)), Format("0_0:%d,%d", drop.x, drop.y));
    }
    EXPECT_TRUE(btnOk->isEnabled());
    // Each flag is drawn on its square and nowhere else.
    const QImage after = Shot();
    for (const auto& drop : drops)
        EXPECT_GT(ChangedPixels(before, after, SquarePoint(0, 0, drop.x, drop.y), 10), 200) << drop.id;
    EXPECT_EQ(ChangedPixels(before, after, SquarePoint(0, 0, 9, 9), 14), 0);
}

TEST_F(DesignMapWindow, PressingACellSelectsItAndAFlagIsDraggedWithinTheGrid)
{
    Control<QSpinBox>(*FWindow, "edtCols")->setValue(2);
    EXPECT_EQ(grdMap->size(), QSize(762, 381));
    ChooseBoard("Island_3");
    ASSERT_TRUE(DropLine(1, SquarePoint(0, 0, 4, 4)));

    // The empty cell: "Select Board", nothing to turn.
    QTest::mouseClick(grdMap, Qt::LeftButton, Qt::NoModifier, QPoint(381 + 100, 100));
    EXPECT_EQ(cbxBoards->currentIndex(), 0);
    EXPECT_FALSE(Control<QPushButton>(*FWindow, "btnRotateLeft")->isEnabled());
    EXPECT_FALSE(lstFlags->isEnabled());

    // The flag's square: its board shows in the picker and the flag is selected with its size.
    Chit("Flag1").SetImageSizePercent(80);
    QTest::mousePress(grdMap, Qt::LeftButton, Qt::NoModifier, SquarePoint(0, 0, 4, 4));
    EXPECT_EQ(cbxBoards->currentData().toString(), "Island_3");
    EXPECT_TRUE(lstFlags->isEnabled());
    ASSERT_NE(lstFlags->currentItem(), nullptr);
    EXPECT_EQ(lstFlags->currentItem()->text(), "Flag 1");
    EXPECT_EQ(Control<QSpinBox>(*FWindow, "edtChitImagePercent")->value(), 80);

    // A drag from there carries the flag; dropped on the empty cell it leaves the map.
    std::unique_ptr<TDragChit> payload = grdMap->DragPayload();
    ASSERT_NE(payload, nullptr);
    EXPECT_EQ(payload->ChitID(), "Flag1");
    EXPECT_EQ(payload->Source(), grdMap);
    QTest::mouseRelease(grdMap, Qt::LeftButton, Qt::NoModifier, SquarePoint(0, 0, 4, 4));
    EXPECT_TRUE(DropOn(grdMap, payload.get(), SquarePoint(0, 0, 9, 1)));
    EXPECT_EQ(Place(Chit("Flag1")), "0_0:9,1");
    EXPECT_TRUE(DropOn(grdMap, payload.get(), QPoint(381 + 190, 190)));
    EXPECT_EQ(Place(Chit("Flag1")), "off");

    // Nothing stands where the press was: no drag.
    QTest::mousePress(grdMap, Qt::LeftButton, Qt::NoModifier, SquarePoint(0, 0, 4, 4));
    EXPECT_EQ(grdMap->DragPayload(), nullptr);
    QTest::mouseRelease(grdMap, Qt::LeftButton);
}

TEST_F(DesignMapWindow, TurningTheBoardDrawsTheFlagWhereItsSquareNowShows)
{
    ChooseBoard("Exchange_2");
    ASSERT_TRUE(DropLine(0, SquarePoint(0, 0, 2, 3)));
    const QPoint unturned = SquarePoint(0, 0, 2, 3);
    Control<QPushButton>(*FWindow, "btnRotateRight")->click();
    EXPECT_EQ(Design().CellBoard(0, 0)->RotationCount(), 1);
    const QPoint turned = SquarePoint(0, 0, 2, 3);
    ASSERT_GT((turned - unturned).manhattanLength(), 200);

    // With the flag and without it: the difference lies on the turned square only.
    const QImage withFlag = Shot();
    TDragChit away("Start", lstFlags);
    ASSERT_TRUE(DropOn(grdMap, &away, QPoint(-5, -5)));
    EXPECT_FALSE(Chit("Start").IsOnMap());
    const QImage without = Shot();
    EXPECT_GT(ChangedPixels(withFlag, without, turned, 10), 200);
    EXPECT_EQ(ChangedPixels(withFlag, without, unturned, 14), 0);

    Control<QPushButton>(*FWindow, "btnRotateLeft")->click();
    Control<QPushButton>(*FWindow, "btnRotateLeft")->click();
    EXPECT_EQ(Design().CellBoard(0, 0)->RotationCount(), 3);
}

TEST_F(DesignMapWindow, ZoomSizeAndShiftBoxes)
{
    // The zoom steps are the rules'; the grid takes the size they give.
    Control<QPushButton>(*FWindow, "btnZoomIn")->click();
    EXPECT_EQ(grdMap->size(), QSize(571, 571));

    ChooseBoard("Vault_3");
    auto* size = Control<QSpinBox>(*FWindow, "edtChitImagePercent");
    auto* shiftX = Control<QSpinBox>(*FWindow, "edtShiftX");
    auto* shiftY = Control<QSpinBox>(*FWindow, "edtShiftY");
    // Nothing to size before a chit is chosen.
    EXPECT_FALSE(size->isEnabled());
    EXPECT_FALSE(shiftX->isEnabled());
    Chit("Flag2").SetImageSizePercent(60);
    ClickLine(lstFlags, 2);
    EXPECT_TRUE(size->isEnabled());
    EXPECT_EQ(size->value(), 60);
    size->setValue(50);
    shiftX->setValue(7);
    shiftY->setValue(-4);
    EXPECT_EQ(Chit("Flag2").ImageSizePercent(), 50);
    EXPECT_EQ(Chit("Flag2").ImagePixelShiftX(), 7);
    EXPECT_EQ(Chit("Flag2").ImagePixelShiftY(), -4);
    // Another line shows that chit's values.
    ClickLine(lstFlags, 0);
    EXPECT_EQ(size->value(), 100);
    EXPECT_EQ(shiftX->value(), 0);
}

TEST_F(DesignMapWindow, FewerRowsTakeTheBoardsBelowOffTheMap)
{
    auto* rows = Control<QSpinBox>(*FWindow, "edtRows");
    rows->setValue(2);
    QTest::mouseClick(grdMap, Qt::LeftButton, Qt::NoModifier, QPoint(100, 381 + 100));
    ChooseBoard("Chess_3");
    ASSERT_TRUE(DropLine(0, SquarePoint(0, 1, 5, 5)));
    // Typing 12 goes straight from 2 to 12 rows, not through 1.
    rows->selectAll();
    QTest::keyClicks(rows, "12");
    QTest::keyClick(rows, Qt::Key_Return);
    EXPECT_EQ(Design().RowCount(), 12);
    EXPECT_TRUE(Chit("Start").IsOnMap());

    // What falls off the map is the rules' business; the picker and the grid follow.
    rows->setValue(1);
    EXPECT_EQ(Design().Layout().Count(), 0);
    EXPECT_EQ(cbxBoards->currentIndex(), 0);
    EXPECT_EQ(grdMap->size(), QSize(381, 381));
}

TEST(DesignMapFunction, CancelWritesNothingAndMissingFlagsAreAnError)
{
    auto chits = ShippedChits();
    TNewGameSettings settings;
    settings.FlagCount = 1;
    bool shown = false;
    THookScope scope(ShowModalDialog, [&](QDialog& dialog) {
        shown = true;
        auto& window = dynamic_cast<TfrmDesignMap&>(dialog);
        window.Design().ChooseBoard(ShippedBoards().Items(0));
        Control<QPushButton>(window, "btnCancel")->click();
        return dialog.result() == QDialog::Accepted;
    });
    EXPECT_FALSE(DesignMap(settings, *chits, ShippedBoards()));
    EXPECT_TRUE(shown);
    EXPECT_FALSE(settings.UsedBoardList);
    EXPECT_FALSE(settings.ChitList);

    settings.FlagCount = 9;
    shown = false;
    EXPECT_THROW(DesignMap(settings, *chits, ShippedBoards()), EChitNotFound);
    EXPECT_FALSE(shown);
}
