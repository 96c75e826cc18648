#include "model/BoardUnt.h"
#include "session/BoardEditorRulesUnt.h"
#include "support/ErrorsUnt.h"
#include "support/FileUnt.h"
#include "support/UtilsUnt.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cerrno>
#include <limits>
#include <map>
#include <memory>
#include <string>

namespace {

// The nodes of a board whose centre moved, by ID, with how far.
std::map<std::string, QPoint> Moved(const TBoard& board, const std::vector<QPoint>& before)
{
    std::map<std::string, QPoint> moved;
    for (int i = 0; i < board.Nodes()->Count(); ++i) {
        const TBoardNode& node = *board.Nodes()->Items(i);
        const QPoint shift = QPoint(node.ImageCenterX(), node.ImageCenterY()) - before[static_cast<std::size_t>(i)];
        if (!shift.isNull())
            moved[node.GetID()] = shift;
    }
    return moved;
}

std::vector<QPoint> Centres(const TBoard& board)
{
    std::vector<QPoint> centres;
    for (int i = 0; i < board.Nodes()->Count(); ++i)
        centres.emplace_back(board.Nodes()->Items(i)->ImageCenterX(), board.Nodes()->Items(i)->ImageCenterY());
    return centres;
}

// The smallest rectangle holding every pixel that differs.
QRect ChangedArea(const QImage& a, const QImage& b)
{
    QRect area;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                area |= QRect(x, y, 1, 1);
    return area;
}

// The shipped catalogue, fresh for each test: the editor changes it.
class BoardEditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Boards.LoadFromXMLFile(ExecutableFolder() + "Boards.xml");
        ASSERT_GT(Boards.Count(), 1);
        Editor = std::make_unique<TBoardEditor>(Boards);
        Board = Boards.Items(0);
        Editor->ChooseBoard(Board);
        ASSERT_FALSE(Editor->Picture().isNull());
    }
    TEditKey Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        return TranslateEditKey(Editor->Scheme(), key, modifiers);
    }
    // Applies the key and checks that the part of the picture said to have changed holds every
    // changed pixel.
    QRect Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const QImage before = Editor->Picture().copy();
        const QRect said = Editor->Apply(Key(key, modifiers));
        const QRect changed = ChangedArea(before, Editor->Picture());
        EXPECT_TRUE(said.contains(changed) || changed.isEmpty()) << "changed outside the part shown again";
        return said;
    }
    QPoint ChitAt() const { return QPoint(Editor->TestChit().X(), Editor->TestChit().Y()); }
    // Top-left corner of the drawn chit on the picture.
    QPoint ChitCorner() const { return Editor->ChitRect().topLeft(); }

    TBoardList Boards;
    std::unique_ptr<TBoardEditor> Editor;
    TBoard* Board = nullptr;
};

} // namespace

TEST(BoardEditorKeysTest, EachSchemeNamesUpLeftDownRightAndCtrlGoesBeforeShift)
{
    const auto ctrl = Qt::ControlModifier;
    const auto shift = Qt::ShiftModifier;
    const struct {
        const char* scheme;
        int key;
        Qt::KeyboardModifiers modifiers;
        TEditKey expected;
    } cases[] = {
        {"wasd", Qt::Key_D, ctrl | shift, {etNode, edRight}},
        {"wasd", Qt::Key_E, {}, {}},
        {"esdf", Qt::Key_F, shift, {etLine, edRight}},
        {".oeu", Qt::Key_Period, ctrl, {etNode, edUp}},
        // Shift+period arrives as ">" on common layouts.
        {".oeu", Qt::Key_Greater, shift, {etLine, edUp}},
        {".oeu", Qt::Key_Greater, {}, {}},
        {".oeu", Qt::Key_U, ctrl, {etNode, edRight}},
        // Arrows, keypad and menu keys are no scheme keys.
        {"wasd", Qt::Key_Up, {}, {}},
        {"wasd", Qt::Key_W, Qt::KeypadModifier, {etChit, edUp}},
        {"wasd", Qt::Key_W, Qt::AltModifier, {}},
        {"wasd", Qt::Key_S, Qt::MetaModifier | ctrl, {}},
        {"wasd", Qt::Key_unknown, {}, {}},
        {"wasd", 0, {}, {}},
    };
    for (const auto& c : cases) {
        const TEditKey key = TranslateEditKey(c.scheme, c.key, c.modifiers);
        EXPECT_EQ(key, c.expected) << c.scheme << " key " << c.key << " modifiers " << c.modifiers.toInt();
    }
}

TEST(BoardEditorViewTest, ZoomCaptionExtentAndFittedPicture)
{
    TBoardList boards;
    TBoardEditor editor(boards);
    EXPECT_EQ(ZoomInCaption(editor.ZoomLevel()), "+");
    EXPECT_EQ(editor.ScrollExtent(), 0);
    editor.ZoomIn();
    editor.ZoomIn();
    EXPECT_EQ(ZoomInCaption(editor.ZoomLevel()), "+ (2)");
    EXPECT_EQ(editor.ScrollExtent(), 600);
    for (int i = 0; i < 3; ++i)
        editor.ZoomOut();
    EXPECT_EQ(editor.ZoomLevel(), 0);

    // Kept in proportion and centred in the area; nothing for an empty picture or area.
    EXPECT_EQ(FittedPictureRect(QSize(1164, 1164), QSize(500, 400)), QRect(50, 0, 400, 400));
    EXPECT_EQ(FittedPictureRect(QSize(200, 100), QSize(300, 300)), QRect(0, 75, 300, 150));
    EXPECT_TRUE(FittedPictureRect(QSize(), QSize(300, 300)).isEmpty());
    EXPECT_TRUE(FittedPictureRect(QSize(10, 10), QSize(0, 300)).isEmpty());

    // No board: nothing moves or changes.
    EXPECT_EQ(BoardEditorCaption(boards), "Edit Board Nodes - 0 / 0 unedited");
    for (TEditTarget target : {etChit, etNode, etLine})
        EXPECT_TRUE(editor.Apply({target, edDown}).isEmpty());
    EXPECT_TRUE(editor.Turn(true).isEmpty());
}

TEST_F(BoardEditorTest, WasdMovesTheChitAndNudgesItsSquareAndRowFollowedByTheChit)
{
    Editor->SetSchemeIndex(1);
    ASSERT_EQ(Editor->Scheme(), "wasd");
    EXPECT_EQ(ChitAt(), QPoint(1, 1));
    const QSize chit = Editor->ChitRect().size();
    EXPECT_EQ(ChitCorner(), QPoint(56 - chit.width() / 2, 66 - chit.height() / 2));

    // Up and left on row and column 1 do nothing; the buttons go the same way.
    const QImage start = Editor->Picture().copy();
    EXPECT_TRUE(Press(Qt::Key_W).isEmpty());
    EXPECT_TRUE(Press(Qt::Key_A).isEmpty());
    EXPECT_TRUE(Editor->Move(edUp).isEmpty());
    EXPECT_EQ(ChitAt(), QPoint(1, 1));
    EXPECT_EQ(Editor->Picture(), start);

    // S, D, D, then W back up: one square per press, the chit on each square's centre.
    Press(Qt::Key_S);
    Press(Qt::Key_D);
    Press(Qt::Key_D);
    EXPECT_EQ(ChitAt(), QPoint(3, 2));
    EXPECT_EQ(Press(Qt::Key_W).size(), QSize(chit.width(), chit.height() + TBoardNode::SquareSpacing));
    EXPECT_EQ(ChitAt(), QPoint(3, 1));
    Press(Qt::Key_S);
    EXPECT_EQ(ChitCorner(), QPoint(TBoardNode::DefaultCenterX(3), TBoardNode::DefaultCenterY(2)) - QPoint(chit.width() / 2, chit.height() / 2));

    // Ctrl+D: the square's centre one pixel right, and the chit with it.
    const std::vector<QPoint> before = Centres(*Board);
    const QPoint corner = ChitCorner();
    EXPECT_FALSE(Press(Qt::Key_D, Qt::ControlModifier).isEmpty());
    EXPECT_EQ(Moved(*Board, before), (std::map<std::string, QPoint>{{"3_2", QPoint(1, 0)}}));
    EXPECT_EQ(ChitCorner(), corner + QPoint(1, 0));
    EXPECT_EQ(ChitAt(), QPoint(3, 2));

    // Shift+S: the whole row one pixel down; Shift+A the whole column one pixel left.
    Press(Qt::Key_S, Qt::ShiftModifier);
    std::map<std::string, QPoint> expected;
    for (int x = 1; x <= 12; ++x)
        expected[Format("%d_2", x)] = QPoint(x == 3 ? 1 : 0, 1);
    EXPECT_EQ(Moved(*Board, before), expected);
    Press(Qt::Key_A, Qt::ShiftModifier);
    for (int y = 1; y <= 12; ++y)
        expected[Format("3_%d", y)] += QPoint(-1, 0);
    EXPECT_EQ(Moved(*Board, before), expected);
    EXPECT_EQ(ChitCorner(), corner + QPoint(0, 1));

    // The far edges stop the chit too.
    for (int i = 0; i < 14; ++i) {
        Press(Qt::Key_S);
        Press(Qt::Key_D);
    }
    EXPECT_EQ(ChitAt(), QPoint(12, 12));
    EXPECT_TRUE(Press(Qt::Key_S).isEmpty());
    EXPECT_TRUE(Press(Qt::Key_D).isEmpty());
}

TEST_F(BoardEditorTest, TurningChangesOnlyHowTheChitLooks)
{
    const QImage start = Editor->Picture().copy();
    const std::vector<QPoint> centres = Centres(*Board);
    const QRect first = Editor->Turn(true);
    EXPECT_FALSE(first.isEmpty());
    EXPECT_NE(Editor->Picture(), start);
    EXPECT_EQ(Editor->TestChit().ChitFacing(), cfEast);
    Editor->Turn(false);
    Editor->Turn(false);
    EXPECT_EQ(Editor->TestChit().ChitFacing(), cfWest);
    Editor->Turn(true);
    EXPECT_EQ(Editor->Picture(), start);
    EXPECT_TRUE(Moved(*Board, centres).empty());
    EXPECT_FALSE(Editor->HasUnsavedChanges());
}

TEST_F(BoardEditorTest, ANudgeAndBackLeavesTheBoardUneditedAndNothingToSave)
{
    const int unedited = UneditedBoardCount(Boards);
    ASSERT_TRUE(Editor->BoardIsUnedited());
    const QImage start = Editor->Picture().copy();
    for (auto [there, back] : {std::pair{edRight, edLeft}, {edUp, edDown}}) {
        Editor->NudgeNode(there);
        EXPECT_FALSE(Editor->BoardIsUnedited());
        EXPECT_TRUE(Editor->HasUnsavedChanges());
        EXPECT_EQ(BoardEditorCaption(Boards), Format("Edit Board Nodes - %d / %d unedited", unedited - 1, Boards.Count()));
        Editor->NudgeNode(back);
        EXPECT_TRUE(Editor->BoardIsUnedited());
        EXPECT_FALSE(Editor->HasUnsavedChanges());
        EXPECT_EQ(UneditedBoardCount(Boards), unedited);
    }
    Editor->NudgeLine(edLeft);
    Editor->NudgeLine(edRight);
    EXPECT_TRUE(Editor->BoardIsUnedited());
    EXPECT_EQ(Editor->Picture(), start);

    // Dropped changes: every centre as loaded, the chit drawn where it was.
    Editor->NudgeLine(edDown);
    Editor->Move(edRight);
    Editor->NudgeNode(edLeft);
    Editor->DiscardChanges();
    EXPECT_FALSE(Editor->HasUnsavedChanges());
    EXPECT_TRUE(Editor->BoardIsUnedited());
    Editor->Move(edLeft);
    EXPECT_EQ(Editor->Picture(), start);
}

TEST_F(BoardEditorTest, SaveWritesBoardsThatLoadBackAndAFailedSaveKeepsTheOldFile)
{
    TBoard& other = *Boards.Items(1);
    other.Picture();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TExecutableFolderScope folder(dir.path().toStdString() + "/");
    const std::string file = ExecutableFolder() + "Boards.xml";
    WriteBytes(file, "the old file");

    Editor->NudgeNode(edRight);
    Editor->NudgeLine(edDown);
    Editor->ChooseBoard(&other);
    Editor->Move(edDown);
    Editor->NudgeNode(edLeft);
    {
        THookScope<TWriteStep> full(FileWriteStep(), [](int, std::string_view) { return ENOSPC; });
        EXPECT_THROW(Editor->Save(), EFileError);
    }
    EXPECT_EQ(ReadBytes(file), "the old file");
    EXPECT_TRUE(Editor->HasUnsavedChanges());

    Editor->Save();
    EXPECT_FALSE(Editor->HasUnsavedChanges());
    TBoardList loaded;
    loaded.LoadFromXMLFile(file);
    EXPECT_EQ(loaded.SaveToXMLString(), Boards.SaveToXMLString());
    EXPECT_EQ(loaded.Items(1)->NodeAt(1, 2)->ImageCenterX(), TBoardNode::DefaultCenterX(1) - 1);
    EXPECT_EQ(loaded.Items(0)->NodeAt(5, 1)->ImageCenterY(), TBoardNode::DefaultCenterY(1) + 1);
    // Dropping changes now goes back to what was saved.
    Editor->NudgeNode(edUp);
    Editor->DiscardChanges();
    EXPECT_EQ(loaded.SaveToXMLString(), Boards.SaveToXMLString());
}

// A board whose picture is gone is still chosen and calibrated by its numbers; a centre at the
// end of the range stays there.
TEST_F(BoardEditorTest, ABoardWithoutAPictureAndCentresAtTheLimits)
{
    TBoard& board = *Boards.Items(2);
    board.SetRelativeFilePath("Images/none.jpg");
    board.ReleasePicture();
    EXPECT_THROW(Editor->ChooseBoard(&board), EImageError);
    EXPECT_EQ(Editor->Board(), &board);
    EXPECT_TRUE(Editor->Picture().isNull());
    EXPECT_TRUE(Editor->Move(edDown).isEmpty());
    EXPECT_EQ(Editor->TestChit().Y(), 2);
    Editor->NudgeNode(edRight);
    EXPECT_EQ(board.NodeAt(1, 2)->ImageCenterX(), TBoardNode::DefaultCenterX(1) + 1);

    board.NodeAt(1, 2)->SetImageCenterX(std::numeric_limits<int>::max());
    board.NodeAt(1, 2)->SetImageCenterY(std::numeric_limits<int>::min());
    Editor->NudgeNode(edRight);
    Editor->NudgeLine(edUp);
    EXPECT_EQ(board.NodeAt(1, 2)->ImageCenterX(), std::numeric_limits<int>::max());
    EXPECT_EQ(board.NodeAt(1, 2)->ImageCenterY(), std::numeric_limits<int>::min());

    // Back to a board with a picture: drawn again.
    Editor->ChooseBoard(Board);
    EXPECT_FALSE(Editor->Picture().isNull());
    EXPECT_EQ(ChitAt(), QPoint(1, 1));
}
