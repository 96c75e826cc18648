#include "model/BoardUnt.h"
#include "model/GameUnt.h"
#include "persist/ZLibFuncs.h"
#include "support/ErrorsUnt.h"
#include "support/NotifyUnt.h"
#include "support/RandomUnt.h"
#include "xml/XmlUnt.h"
#include "common/TestFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <zlib.h>

#include <fstream>

namespace {

// zlib's one-shot inflate, independent of the tool's reader.
std::string Inflate(const std::string& data, std::size_t expectedSize)
{
    std::string out(expectedSize + 1, '\0');
    uLongf size = static_cast<uLongf>(out.size());
    uLong sourceSize = static_cast<uLong>(data.size());
    int status = uncompress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()), &sourceSize);
    EXPECT_EQ(status, Z_OK);
    EXPECT_EQ(sourceSize, data.size());
    out.resize(size);
    return out;
}

TProgramCard* ProgramRegister(TProgramDeck& deck, TBot& bot, int index, bool locked)
{
    TProgramCardRefList* hand = bot.Hand();
    TProgramCard* card = deck.FindCard(hand->Refs(index)->ID());
    TBotRegister* reg = bot.Registers()->Registers(index);
    reg->ProgramWith(*card);
    if (locked) {
        reg->SetIsLocked(true);
        card->SetCardState(csRegisterLocked);
    }
    return card;
}

// A game as a game master has it after three turns: both option sets, robots with hands,
// locked registers and options, a two-board map, chits on squares, phases and archives.
struct TGameFixture {
    TBoardList Boards;
    std::unique_ptr<TGame> Game = std::make_unique<TGame>();

    TGameFixture()
    {
        BuildBoardList(Boards);
        SetRandSeed(2024);
        TGame& g = *Game;
        g.SetGameName("League \"Caf\xC3\xA9\" <1>");
        g.SetBotArchiveMax(3);
        g.SetFlagCount(2);
        TProgramDeck program;
        BuildProgramCards(program);
        g.SetProgramDeck(program);
        TOptionDeck base, bolts;
        BuildBaseOptionCards(base);
        BuildBoltsAndBlastersOptionCards(bolts);
        g.AddOptionDeck(base);
        g.AddOptionDeck(bolts);
        g.OptionDeck()->ShuffleAll();

        TUsedBoard first(&Boards, Boards.Items(0), 0, 0);
        TUsedBoard second(&Boards, Boards.Items(3), 1, 0);
        second.SetRotationCount(1);
        g.UsedBoardList()->AddUsedBoard(first);
        g.UsedBoardList()->AddUsedBoard(second);

        TChitList catalogue;
        catalogue.AddChit("ZoomBot", "Zoom Bot", "Images/Zoom Bot.jpg");
        catalogue.AddChit("ZoomBotArchive", "Zoom Bot Archive", "Images/Zoom Bot Archive.jpg");
        catalogue.AddChit("Twonky", "Twonky", "Images/Twonky.jpg");
        catalogue.AddChit("Flag1", "Flag 1", "Images/Flags/Flag1.jpg")->SetDrawLayer(-1);
        g.SetChitList(catalogue);
        g.SetBoardList(&Boards);

        for (TBotType type : {btZoomBot, btTwonky}) {
            TBot* bot = g.BotList()->FindByType(type);
            bot->SetInUseFlag(true);
            bot->SetPlayerName(type == btZoomBot ? "Zed" : "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD");
        }
        TUsedBoard* cell0 = g.UsedBoardList()->FindAt(0, 0);
        TUsedBoard* cell1 = g.UsedBoardList()->FindAt(1, 0);
        g.ChitList()->FindByID("ZoomBot")->PlaceAt(cell0, 3, 4);
        g.ChitList()->FindByID("Twonky")->PlaceAt(cell1, 12, 1);
        g.ChitList()->FindByID("Flag1")->PlaceAt(cell1, 6, 6);

        for (int turn = 1; turn <= 3; ++turn) {
            g.NextTurn();
            if (turn == 1)
                g.CurrentPhase()->CopyChitsFrom(*g.ChitList());
            TBot* zoom = g.BotList()->FindByType(btZoomBot);
            ProgramRegister(*g.ProgramDeck(), *zoom, 0, false);
            if (turn == 2) {
                zoom->SetDamage(6);
                ProgramRegister(*g.ProgramDeck(), *zoom, 4, true);
                zoom->Options()->AddOptionCopy(*static_cast<TOptionCard*>(g.OptionDeck()->DealCard()));
            }
            for (int p = 1; p <= 5; ++p) {
                EXPECT_TRUE(g.NextPhase());
                TPhase* phase = g.CurrentPhase();
                phase->ChitList()->FindByID("ZoomBot")->MoveEast();
                if (p == 2 && turn == 3) {
                    TBotArchive* archive = phase->ArchiveList()->AddArchive(btZoomBot);
                    archive->SetUsedBoardID(cell0->ID());
                    archive->SetX(2);
                    archive->SetY(2);
                }
            }
        }
    }
};
} // namespace

TEST(Game, NewGameHoldsNineBotsAndEmptyLists)
{
    TGame game;
    ASSERT_NE(game.BotList(), nullptr);
    EXPECT_EQ(game.BotList()->Count(), 9);
    EXPECT_EQ(game.ProgramDeck(), nullptr);
    EXPECT_EQ(game.OptionDeck(), nullptr);
    EXPECT_EQ(game.ChitLayerLimit(), -1);
    EXPECT_EQ(game.TurnCount(), 0);
    EXPECT_EQ(game.CurrentTurn(), nullptr);
    EXPECT_FALSE(game.NextPhase());
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(game.BotList()->Items(i)->LivesCount(), 0);
    EXPECT_THAT(game.SaveToXMLString(), ::testing::StartsWith(
        "<Game><BotArchiveMax>0</BotArchiveMax><GameName></GameName><FlagCount>0</FlagCount><BotList>"));
}

TEST(Game, BotArchiveMaxSetsLivesExceptWhileLoading)
{
    TGame game;
    game.SetBotArchiveMax(3);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(game.BotList()->Items(i)->LivesCount(), 3);
    game.BotList()->FindByType(btSpinBot)->SetLivesCount(1);
    std::string text = game.SaveToXMLString();
    TGame loaded;
    loaded.LoadFromXMLString(text);
    EXPECT_EQ(loaded.BotArchiveMax(), 3);
    EXPECT_EQ(loaded.BotList()->FindByType(btSpinBot)->LivesCount(), 1);
    EXPECT_EQ(loaded.BotList()->FindByType(btHammerBot)->LivesCount(), 3);
    EXPECT_FALSE(loaded.Loading());
}

TEST(Game, BothOptionSetsMakeOneDeckOf52)
{
    TGame game;
    TOptionDeck base, bolts;
    BuildBaseOptionCards(base);
    BuildBoltsAndBlastersOptionCards(bolts);
    game.AddOptionDeck(base);
    game.AddOptionDeck(bolts);
    EXPECT_EQ(game.CountOf(TOptionDeck::StaticClass()), 1);
    EXPECT_EQ(game.OptionDeck()->Count(), 52);
}

TEST(Game, SettersReplaceTheirChild)
{
    TGame game;
    TProgramDeck deck;
    BuildProgramCards(deck);
    game.SetProgramDeck(deck);
    deck.Cards(0)->Discard();
    game.SetProgramDeck(deck);
    EXPECT_EQ(game.CountOf(TProgramDeck::StaticClass()), 1);
    EXPECT_EQ(game.ProgramDeck()->Cards(0)->CardState(), csDiscarded);
    TChitList chits;
    chits.AddChit("A", "a", "Images/a.jpg");
    game.SetChitList(chits);
    game.SetChitList(chits);
    EXPECT_EQ(game.CountOf(TChitList::StaticClass()), 1);
    EXPECT_EQ(game.ChitList()->Items(0)->UsedBoardList(), game.UsedBoardList());
}

TEST(Game, WholeGameSavesLoadsAndSavesIdentically)
{
    TGameFixture f;
    // Each new turn starts from copies of the last phase, and the copies find their squares.
    TChit* carried = f.Game->CurrentTurn()->PhaseByNumber(0)->ChitList()->FindByID("Twonky");
    ASSERT_NE(carried, nullptr);
    EXPECT_EQ(carried->BoardList(), &f.Boards);
    EXPECT_EQ(carried->UsedBoardList(), f.Game->UsedBoardList());
    EXPECT_TRUE(carried->IsOnMap());
    EXPECT_EQ(f.Game->CurrentTurn()->PhaseByNumber(0)->ArchiveList()->Count(), 0);
    std::string text = f.Game->SaveToXMLString();
    EXPECT_EQ(f.Game->TurnCount(), 3);
    QTemporaryDir dir;
    std::string name = dir.path().toStdString() + "/league.cgx";
    f.Game->SaveToGameFile(name);

    std::string bytes = ReadBytes(name);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0x78); // zlib header
    EXPECT_EQ(((static_cast<unsigned char>(bytes[0]) << 8) | static_cast<unsigned char>(bytes[1])) % 31, 0);
    EXPECT_EQ(Inflate(bytes, text.size()), text);

    TGame loaded;
    loaded.LoadFromGameFile(name);
    loaded.SetBoardList(&f.Boards);
    EXPECT_EQ(loaded.SaveToXMLString(), text);
    EXPECT_EQ(loaded.GameName(), "League \"Caf\xC3\xA9\" <1>");
    EXPECT_EQ(loaded.TurnCount(), 3);
    EXPECT_EQ(loaded.BotList()->FindByType(btTwonky)->PlayerName(), "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD");

    // Every chit of every phase can find its square again.
    TPhase* phase = loaded.CurrentPhase();
    TChit* zoom = phase->ChitList()->FindByID("ZoomBot");
    ASSERT_NE(zoom, nullptr);
    EXPECT_TRUE(zoom->IsOnMap());
    EXPECT_EQ(zoom->UsedBoardList(), loaded.UsedBoardList());
    EXPECT_EQ(zoom->BoardList(), &f.Boards);
    EXPECT_EQ(loaded.CurrentTurn()->PhaseByNumber(2)->ArchiveList()->FindByBotType(btZoomBot)->X(), 2);

    TMessageCapture capture;
    EXPECT_TRUE(TpzCustomPersistentToXMLObject::CheckRoundTrip(*f.Game, TGame::StaticClass(), "", ""));
}

TEST(Game, UnreadableFilesLeaveTheGameAsCreated)
{
    QTemporaryDir dir;
    std::string name = dir.path().toStdString() + "/bad.cgx";
    std::ofstream(name, std::ios::binary) << "<Game><GameName>plain text</GameName></Game>";
    TGame game;
    std::string fresh = game.SaveToXMLString();
    try {
        game.LoadFromGameFile(name);
        FAIL() << "a plain text file was accepted";
    } catch (const EDecompressionError& e) {
        EXPECT_NE(std::string(e.what()).find("is not a Cogline game file"), std::string::npos);
    }
    EXPECT_THROW(game.LoadFromGameFile(dir.path().toStdString() + "/missing.cgx"), EFileError);
    EXPECT_EQ(game.SaveToXMLString(), fresh);
    EXPECT_FALSE(game.Loading());
}

TEST(Game, AGameFileThatDoesNotParseCompletelyIsRefused)
{
    TGameFixture f;
    const std::string text = f.Game->SaveToXMLString();
    const std::size_t firstCut = text.find("</GameName>");
    ASSERT_NE(firstCut, std::string::npos);
    std::string badTag = text;
    badTag.replace(firstCut, 11, "</GameNam>");
    std::string utf16;
    for (char c : text) {
        utf16 += c;
        utf16 += '\0';
    }
    struct Case {
        const char* name;
        std::string text;
        const char* where;
    } cases[] = {
        {"one bad closing tag", badTag, "line 1, column "},
        {"cut in half", text.substr(0, text.size() / 2), "the text ends before the document is complete"},
        {"UTF-16", "\xFF\xFE" + utf16, "line 1, column 4 (byte 3): a zero byte"},
        {"two games", text + "\r\n" + text, "a second root element"},
        {"no element", "", "it holds no XML element"},
    };
    QTemporaryDir dir;
    const std::string name = dir.path().toStdString() + "/league.cgx";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CompressStringToFile(c.text, name);
        TGame game;
        game.SetGameName("open before");
        const std::string before = game.SaveToXMLString();
        try {
            game.LoadFromGameFile(name);
            ADD_FAILURE() << "opened";
        } catch (const EParseError& e) {
            const std::string message = e.what();
            EXPECT_EQ(message.rfind("The game file \"" + name + "\" cannot be read: ", 0), 0u) << message;
            EXPECT_NE(message.find(c.where), std::string::npos) << message;
        }
        EXPECT_EQ(game.SaveToXMLString(), before);
        EXPECT_FALSE(game.Loading());
    }
}

TEST(Game, AGameFileBombIsRefusedBeforeItFillsTheMemory)
{
    // A few kilobytes that inflate to more elements than any game holds.
    QTemporaryDir dir;
    const std::string name = dir.path().toStdString() + "/bomb.cgx";
    std::string text = "<Game><ChitList>";
    text += Repeated("<Chit/>", MaxXmlElements);
    text += "</ChitList></Game>";
    std::string bomb(compressBound(static_cast<uLong>(text.size())), '\0');
    uLongf size = static_cast<uLongf>(bomb.size());
    ASSERT_EQ(compress2(reinterpret_cast<Bytef*>(bomb.data()), &size, reinterpret_cast<const Bytef*>(text.data()),
                  static_cast<uLong>(text.size()), Z_BEST_SPEED), Z_OK);
    bomb.resize(size);
    ASSERT_LT(bomb.size(), 400u * 1024);
    WriteBytes(name, bomb);
    TGame game;
    try {
        game.LoadFromGameFile(name);
        ADD_FAILURE() << "opened";
    } catch (const ELoadLimitError& e) {
        EXPECT_EQ(std::string(e.what()), "The game file \"" + name + "\" cannot be read. The text holds more than "
            + std::to_string(MaxXmlElements) + " XML elements, far more than any game or reference file.");
    }
    // Refused before anything was read.
    EXPECT_EQ(game.SaveToXMLString(), TGame().SaveToXMLString());
    EXPECT_FALSE(game.Loading());
}

TEST(Game, FailedSaveKeepsThePreviousFile)
{
    TGameFixture f;
    QTemporaryDir dir;
    std::string name = dir.path().toStdString() + "/league.cgx";
    f.Game->SaveToGameFile(name);
    std::string before = ReadBytes(name);
    EXPECT_THROW(f.Game->SaveToGameFile(dir.path().toStdString() + "/missing/league.cgx"), EFileError);
    EXPECT_EQ(ReadBytes(name), before);
    EXPECT_FALSE(f.Game->Saving());
}

TEST(Game, DamagedGameTextStillGivesAUsableGame)
{
    TGame game;
    game.LoadFromXMLString("<Game><GameName>x</GameName><TurnList><Turn><CurrentPhaseNumber>-7</CurrentPhaseNumber></Turn></TurnList></Game>");
    ASSERT_NE(game.BotList(), nullptr);
    ASSERT_NE(game.ChitList(), nullptr);
    EXPECT_EQ(game.TurnCount(), 1);
    EXPECT_TRUE(game.NextPhase());
    EXPECT_EQ(game.CurrentPhaseNumber(), 1);
    game.NextTurn(); // no program deck: the turn starts without dealing
    EXPECT_EQ(game.TurnCount(), 2);
}

TEST(NextTurn, DealsReturnsAndChangesActivity)
{
    TMessageCapture capture;
    SetRandSeed(5);
    TGame game;
    TProgramDeck deck;
    BuildProgramCards(deck);
    game.SetProgramDeck(deck);
    game.SetBotArchiveMax(3);
    TBot* zoom = game.BotList()->FindByType(btZoomBot);
    TBot* spin = game.BotList()->FindByType(btSpinBot);
    TBot* twitch = game.BotList()->FindByType(btTwitch);
    for (TBot* bot : {zoom, spin, twitch})
        bot->SetInUseFlag(true);
    game.NextTurn();
    EXPECT_EQ(game.TurnCount(), 1);
    EXPECT_EQ(zoom->Hand()->Count(), 9);

    // Zoom announces shut-down with two locked registers; Twitch is shut down this turn.
    TProgramCard* locked3 = ProgramRegister(*game.ProgramDeck(), *zoom, 3, true);
    TProgramCard* locked4 = ProgramRegister(*game.ProgramDeck(), *zoom, 4, true);
    zoom->SetDamage(7);
    zoom->SetBotActivityLevel(alShuttingDownNextTurn);
    twitch->SetBotActivityLevel(alShutDown);
    TProgramCard* spinLocked = ProgramRegister(*game.ProgramDeck(), *spin, 4, true);
    spin->SetDamage(5);

    game.NextTurn();
    EXPECT_EQ(zoom->BotActivityLevel(), alShutDown);
    EXPECT_EQ(zoom->Damage(), 0);
    EXPECT_EQ(zoom->Hand()->Count(), 0);
    for (int r = 0; r < 5; ++r) {
        EXPECT_FALSE(zoom->Registers()->Registers(r)->IsLocked());
        EXPECT_TRUE(zoom->Registers()->Registers(r)->IsEmpty());
    }
    // Its locked cards went back into the deck and may have been dealt again, but not to it.
    EXPECT_NE(locked3->CardState(), csRegisterLocked);
    EXPECT_NE(locked4->CardState(), csRegisterLocked);
    // Twitch was shut down last turn: it plays again and is dealt a full hand.
    EXPECT_EQ(twitch->BotActivityLevel(), alNormal);
    EXPECT_EQ(twitch->Hand()->Count(), 9);
    // Spin keeps its locked card and gets 9 - 4 damage = 5 cards in all.
    EXPECT_EQ(spin->Hand()->Count(), 5);
    EXPECT_EQ(spinLocked->CardState(), csRegisterLocked);
    EXPECT_EQ(spin->Registers()->Registers(4)->CardID(), spinLocked->ID());
    EXPECT_TRUE(capture.Messages().empty());

    // The next turn brings Zoom back with a full hand.
    game.NextTurn();
    EXPECT_EQ(zoom->BotActivityLevel(), alNormal);
    EXPECT_EQ(zoom->Hand()->Count(), 9);
    EXPECT_EQ(game.CurrentTurn()->TurnNumber(), 3);
}

TEST(NextPhase, CopiesTheFirstTimeAndStopsAtFive)
{
    TGame game;
    game.NextTurn();
    TChitList chits;
    chits.AddChit("A", "a", "Images/a.jpg");
    game.CurrentPhase()->CopyChitsFrom(chits);
    game.CurrentPhase()->ArchiveList()->AddArchive(btZoomBot);
    for (int k = 1; k <= 4; ++k)
        ASSERT_TRUE(game.NextPhase());
    TTurn* turn = game.CurrentTurn();
    EXPECT_EQ(turn->CurrentPhaseNumber(), 4);
    turn->PhaseByNumber(4)->ChitList()->FindByID("A")->SetX(9);
    // Phase 5 already holds a chit of its own: it keeps it.
    turn->PhaseByNumber(5)->ChitList()->AddChit("B", "b", "Images/b.jpg");
    ASSERT_TRUE(game.NextPhase());
    EXPECT_EQ(turn->PhaseByNumber(5)->ChitList()->Count(), 1);
    EXPECT_EQ(turn->PhaseByNumber(5)->ChitList()->Items(0)->ID(), "B");
    EXPECT_EQ(turn->PhaseByNumber(5)->ArchiveList()->Count(), 1);
    EXPECT_FALSE(game.NextPhase());
    EXPECT_EQ(turn->CurrentPhaseNumber(), 5);

    // The next turn starts from phase 5; archives are not carried over.
    game.NextTurn();
    TPhase* start = game.CurrentTurn()->PhaseByNumber(0);
    EXPECT_EQ(start->ChitList()->Count(), 1);
    EXPECT_EQ(start->ChitList()->Items(0)->ID(), "B");
    EXPECT_EQ(start->ArchiveList()->Count(), 0);
}

TEST(NextPhase, ChitsMovedInAPhaseCarryForward)
{
    TGame game;
    game.NextTurn();
    TChitList chits;
    chits.AddChit("A", "a", "Images/a.jpg")->SetX(3);
    game.CurrentPhase()->CopyChitsFrom(chits);
    ASSERT_TRUE(game.NextPhase());
    game.CurrentPhase()->ChitList()->Items(0)->SetX(4);
    ASSERT_TRUE(game.NextPhase());
    EXPECT_EQ(game.CurrentPhase()->ChitList()->Items(0)->X(), 4);
    EXPECT_EQ(game.CurrentTurn()->PhaseByNumber(0)->ChitList()->Items(0)->X(), 3);
}

TEST(Turns, NumbersIDsAndPhases)
{
    TTurnList turns;
    TTurn* first = turns.AddTurn();
    EXPECT_EQ(first->TurnNumber(), 1);
    EXPECT_EQ(first->ID(), "1");
    ASSERT_NE(first->PhaseList(), nullptr);
    EXPECT_EQ(first->PhaseList()->Count(), 6);
    for (int p = 0; p < 6; ++p) {
        ASSERT_NE(first->PhaseByNumber(p), nullptr);
        EXPECT_EQ(first->PhaseByNumber(p)->ChitList()->Count(), 0);
    }
    EXPECT_EQ(first->PhaseByNumber(6), nullptr);
    EXPECT_EQ(turns.AddTurn()->ID(), "2");

    // A loaded turn keeps the ID of its file, and a short phase list still has six phases.
    TTurn loaded;
    loaded.LoadFromXMLString("<Turn ID=\"9\"><TurnNumber>4</TurnNumber><PhaseList><Phase ID=\"0\"></Phase></PhaseList></Turn>");
    EXPECT_EQ(loaded.ID(), "9");
    EXPECT_EQ(loaded.TurnNumber(), 4);
    EXPECT_EQ(loaded.PhaseList()->Count(), 6);
    EXPECT_NE(loaded.PhaseByNumber(5), nullptr);
}

TEST(Turns, SavedPhaseForm)
{
    TPhase phase;
    phase.SetID("2");
    EXPECT_EQ(phase.SaveToXMLString(), "<Phase ID=\"2\"><ChitList></ChitList>\r\n<BotArchiveList></BotArchiveList></Phase>");
    TTurn turn;
    turn.SetTurnNumber(3);
    turn.SetTurnNumber(4); // the ID is set once
    EXPECT_THAT(turn.SaveToXMLString(), ::testing::StartsWith(
        "<Turn ID=\"3\"><TurnNumber>4</TurnNumber><CurrentPhaseNumber>0</CurrentPhaseNumber><ViewingPhaseNumber>0</ViewingPhaseNumber><PhaseList><Phase ID=\"0\">"));
}
