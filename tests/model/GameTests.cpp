#include "model/BoardUnt.h"
#include "model/GameUnt.h"
#include "persist/ZLibFuncs.h"
#include "support/ErrorsUnt.h"
#include "support/NotifyUnt.h"
#include "support/RandomUnt.h"
#include "support/UtilsUnt.h"
#include "xml/XmlUnt.h"
#include "common/ProgramGame.h"
#include "common/TestFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include <QDir>
#include <QTemporaryDir>

#include <filesystem>
#include <functional>
#include <utility>

namespace {

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

enum class TRefusedGame { AsItWas, AsItWasOrEmptied };

// Opening the file must be refused, the error looked at by the check, and the game left as it
// was (refused before anything was read) or without children (refused once older turns were
// being read, after the turns before them).
void ExpectOpenRefused(const std::string& name, const std::function<void(const ECogline&)>& check,
    TRefusedGame left = TRefusedGame::AsItWas)
{
    TGame game;
    game.SetGameName("open before");
    const std::string before = game.SaveToXMLString();
    try {
        game.LoadFromGameFile(name);
        ADD_FAILURE() << "opened";
    } catch (const ECogline& e) {
        check(e);
    }
    if (left == TRefusedGame::AsItWas || !game.Objects().empty()) {
        EXPECT_EQ(game.SaveToXMLString(), before);
    }
    EXPECT_FALSE(game.Loading());
}
} // namespace

TEST(Game, NewGameHoldsNineBotsAndEmptyListsAndArchiveMaxSetsLivesExceptWhileLoading)
{
    TGame game;
    ASSERT_EQ(game.BotList()->Count(), 9);
    EXPECT_FALSE(game.NextPhase());
    EXPECT_THAT(game.SaveToXMLString(), ::testing::StartsWith(
        "<Game><BotArchiveMax>0</BotArchiveMax><GameName></GameName><FlagCount>0</FlagCount><BotList>"));

    // The archive limit sets every robot's lives, except while a game is read.
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

TEST(Game, SettersReplaceTheirChildAndOptionSetsJoinOneDeck)
{
    TGame game;
    TOptionDeck base, bolts;
    BuildBaseOptionCards(base);
    BuildBoltsAndBlastersOptionCards(bolts);
    game.AddOptionDeck(base);
    game.AddOptionDeck(bolts);
    EXPECT_EQ(game.CountOf(TOptionDeck::StaticClass()), 1);
    EXPECT_EQ(game.OptionDeck()->Count(), 52);
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
    std::string text = f.Game->SaveToXMLString();
    QTemporaryDir dir;
    std::string name = dir.path().toStdString() + "/league.cgx";
    f.Game->SaveToGameFile(name);

    // The file holds the game's text (the reader itself is checked against zlib with the files).
    EXPECT_EQ(DecompressFileToString(name), text);
    // A failed save leaves the game out of its saving state.
    EXPECT_THROW(f.Game->SaveToGameFile(dir.path().toStdString() + "/missing/league.cgx"), EFileError);
    EXPECT_FALSE(f.Game->Saving());

    TGame loaded;
    loaded.LoadFromGameFile(name);
    loaded.SetBoardList(&f.Boards);
    EXPECT_EQ(loaded.SaveToXMLString(), text);
    // Escaped and multi-byte values come back as they were, not just as the same text.
    EXPECT_EQ(loaded.GameName(), "League \"Caf\xC3\xA9\" <1>");
    EXPECT_EQ(loaded.BotList()->FindByType(btTwonky)->PlayerName(), "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD");

    TMessageCapture capture;
    EXPECT_TRUE(TpzCustomPersistentToXMLObject::CheckRoundTrip(*f.Game, TGame::StaticClass(), "", ""));
}

// A game whose text passes what opening accepts is not saved: the previous file stays and
// opens, and the game master is told why.
TEST(Game, AGameTooLargeToOpenAgainIsNotSaved)
{
    QTemporaryDir dir;
    const std::string name = dir.path().toStdString() + "/league.cgx";
    TGame game;
    game.SetGameName("League");
    game.SaveToGameFile(name);
    const std::string before = DecompressFileToString(name);
    game.BotList()->Items(0)->SetGameNotes(std::string(GameFileTextLimit, 'x'));
    try {
        game.SaveToGameFile(name);
        ADD_FAILURE() << "saved";
    } catch (const EFileError& e) {
        EXPECT_NE(std::string(e.what()).find("Shorten the longest notes"), std::string::npos) << e.what();
    }
    EXPECT_EQ(DecompressFileToString(name), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"league.cgx"});
    EXPECT_FALSE(game.Saving());

    // Nor one with more elements than opening takes: the same game counts its own elements.
    game.BotList()->Items(0)->SetGameNotes("");
    const std::size_t elements = static_cast<std::size_t>(std::count(before.begin(), before.end(), '<')) / 2;
    {
        TSaveElementLimitScope fits(elements);
        game.SaveToGameFile(name);
    }
    TSaveElementLimitScope lower(elements - 1);
    try {
        game.SaveToGameFile(name);
        ADD_FAILURE() << "saved";
    } catch (const EFileError& e) {
        EXPECT_NE(std::string(e.what()).find("elements a game file may hold"), std::string::npos) << e.what();
    }
    EXPECT_THROW(game.GameFileText(name), EFileError);
    EXPECT_EQ(DecompressFileToString(name), before);
}

// Files written before archives were carried into a new turn hold an empty list in its first
// phase; they open as they are and save the same bytes.
TEST(Game, AFileWithoutCarriedArchivesOpensAsItIs)
{
    TGameFixture f;
    f.Game->NextTurn();
    TBotArchiveList* carried = f.Game->CurrentTurn()->PhaseByNumber(0)->ArchiveList();
    ASSERT_EQ(carried->Count(), 1);
    carried->ClearObjects();
    const std::string older = f.Game->SaveToXMLString();
    TGame loaded;
    loaded.LoadFromXMLString(older);
    EXPECT_EQ(loaded.CurrentTurn()->PhaseByNumber(0)->ArchiveList()->Count(), 0);
    EXPECT_EQ(loaded.TurnList()->Turns(2)->PhaseByNumber(5)->ArchiveList()->Count(), 1);
    EXPECT_EQ(loaded.SaveToXMLString(), older);
}

// Each refusal names the file and why, and leaves the game as it was.
TEST(Game, UnreadableOrIncompleteGameFilesAreRefused)
{
    TGameFixture f;
    const std::string text = f.Game->SaveToXMLString();
    const std::size_t firstCut = text.find("</GameName>");
    ASSERT_NE(firstCut, std::string::npos);
    std::string badTag = text;
    badTag.replace(firstCut, 11, "</GameNam>");
    std::string utf16;
    for (char c : text)
        utf16 += std::string{c, '\0'};
    // A few kilobytes that inflate to more elements than any game holds.
    const std::string bomb = "<Game><ChitList>" + Repeated("<Chit/>", MaxXmlElements) + "</ChitList></Game>";
    QTemporaryDir dir;
    const std::string name = dir.path().toStdString() + "/league.cgx";
    const std::string cannotRead = "The game file \"" + name + "\" cannot be read";
    enum TWritten { Compressed, AsItIs, NoFile };
    struct Case { const char* name; TWritten written; std::string text; const char* error; std::string start, where; } cases[] = {
        {"plain text", AsItIs, "<Game><GameName>plain text</GameName></Game>", "EDecompressionError",
            "The file \"" + name + "\" is not a Cogline game file", ""},
        {"no file", NoFile, "", "EFileError", "", name},
        {"one bad closing tag", Compressed, badTag, "EParseError", cannotRead + ": ", "line 1, column "},
        {"cut in half", Compressed, text.substr(0, text.size() / 2), "EParseError", cannotRead + ": ",
            "the text ends before the document is complete"},
        {"UTF-16", Compressed, "\xFF\xFE" + utf16, "EParseError", cannotRead + ": ", "line 1, column 4 (byte 3): a zero byte"},
        {"two games", Compressed, text + "\r\n" + text, "EParseError", cannotRead + ": ", "a second root element"},
        {"no element", Compressed, "", "EParseError", cannotRead + ": ", "it holds no XML element"},
        {"a bomb", Compressed, bomb, "ELoadLimitError", cannotRead + ". The text holds more than " + std::to_string(MaxXmlElements)
            + " XML elements, far more than any game or reference file.", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(name);
        if (c.written == AsItIs)
            WriteBytes(name, c.text);
        else if (c.written == Compressed)
            CompressStringToFile(c.text, name);
        ExpectOpenRefused(name, [&](const ECogline& e) {
            const std::string message = e.what();
            EXPECT_STREQ(ErrorClassName(e), c.error);
            EXPECT_EQ(message.rfind(c.start, 0), 0u) << message;
            EXPECT_NE(message.find(c.where), std::string::npos) << message;
        });
    }
    EXPECT_LT(std::filesystem::file_size(name), 400u * 1024) << "the bomb, written last, is small on disk";
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
    TProgramGame g;
    TGame& game = g.Game;
    game.SetBotArchiveMax(3);
    TBot* zoom = &g.Bot(btZoomBot);
    TBot* spin = &g.Bot(btSpinBot);
    TBot* twitch = &g.Bot(btTwitch);
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
    EXPECT_EQ(zoom->Registers()->SaveToXMLString(), TBotRegisterList().SaveToXMLString());
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

// Each phase starts from a copy of the one before, the first time only; moves carry forward.
TEST(NextPhase, CopiesTheFirstTimeCarriesMovesForwardAndStopsAtFive)
{
    TGame game;
    game.NextTurn();
    TChitList chits;
    chits.AddChit("A", "a", "Images/a.jpg")->SetX(3);
    game.CurrentPhase()->CopyChitsFrom(chits);
    TBotArchive* archive = game.CurrentPhase()->ArchiveList()->AddArchive(btZoomBot);
    archive->SetUsedBoardID("UB1");
    archive->SetX(2);
    archive->SetY(7);
    ASSERT_TRUE(game.NextPhase());
    game.CurrentPhase()->ChitList()->Items(0)->SetX(4);
    for (int k = 2; k <= 4; ++k)
        ASSERT_TRUE(game.NextPhase());
    TTurn* turn = game.CurrentTurn();
    EXPECT_EQ(turn->CurrentPhaseNumber(), 4);
    EXPECT_EQ(game.CurrentPhase()->ChitList()->Items(0)->X(), 4);
    EXPECT_EQ(turn->PhaseByNumber(0)->ChitList()->Items(0)->X(), 3);
    // Phase 5 already holds a chit of its own: it keeps it (the next turn's copy below shows it).
    turn->PhaseByNumber(5)->ChitList()->AddChit("B", "b", "Images/b.jpg");
    ASSERT_TRUE(game.NextPhase());
    EXPECT_EQ(turn->PhaseByNumber(5)->ArchiveList()->Count(), 1);
    EXPECT_FALSE(game.NextPhase());
    EXPECT_EQ(turn->CurrentPhaseNumber(), 5);

    // The next turn starts from phase 5, its chits and its archives, as copies of their own.
    game.NextTurn();
    TPhase* start = game.CurrentTurn()->PhaseByNumber(0);
    EXPECT_EQ(start->ChitList()->Count(), 1);
    EXPECT_EQ(start->ChitList()->Items(0)->ID(), "B");
    ASSERT_EQ(start->ArchiveList()->Count(), 1);
    TBotArchive* carried = start->ArchiveList()->FindByBotType(btZoomBot);
    ASSERT_NE(carried, nullptr);
    EXPECT_EQ(carried->SaveToXMLString(), turn->PhaseByNumber(5)->ArchiveList()->Items(0)->SaveToXMLString());
    EXPECT_TRUE(carried->IsSet());
    carried->SetX(9);
    EXPECT_EQ(turn->PhaseByNumber(5)->ArchiveList()->Items(0)->X(), 2);

    // Pictures drawn for an older turn go at the next phase, each time they are drawn again; the
    // current turn's stay.
    TChit* older = turn->PhaseByNumber(3)->ChitList()->Items(0);
    TChit* shown = start->ChitList()->Items(0);
    older->SetRelativeFilePath("Images/Zoom Bot.jpg");
    shown->SetRelativeFilePath("Images/Zoom Bot.jpg");
    shown->Picture();
    for (int phase = 1; phase <= 2; ++phase) {
        SCOPED_TRACE(phase);
        older->Picture();
        if (phase == 1)
            older->SaveUnder() = QImage(4, 4, QImage::Format_RGB32);
        ASSERT_TRUE(older->HasPicture());
        ASSERT_TRUE(game.NextPhase());
        EXPECT_FALSE(older->HasPicture());
        EXPECT_TRUE(std::as_const(*older).SaveUnder().isNull());
        EXPECT_TRUE(shown->HasPicture());
    }
}

TEST(Turns, NumbersIDsPhasesAndSavedForm)
{
    TTurnList turns;
    TTurn* first = turns.AddTurn();
    EXPECT_EQ(first->TurnNumber(), 1);
    EXPECT_EQ(first->ID(), "1");
    ASSERT_NE(first->PhaseList(), nullptr);
    EXPECT_EQ(first->PhaseList()->Count(), 6);
    for (int p = 0; p < 6; ++p) {
        ASSERT_NE(first->PhaseByNumber(p), nullptr);
        EXPECT_EQ(first->PhaseByNumber(p)->SaveToXMLString(),
            Format("<Phase ID=\"%d\"><ChitList></ChitList>\r\n<BotArchiveList></BotArchiveList></Phase>", p));
    }
    EXPECT_EQ(first->PhaseByNumber(6), nullptr);
    EXPECT_EQ(turns.AddTurn()->ID(), "2");
    first->SetTurnNumber(4); // the ID is set once
    EXPECT_THAT(first->SaveToXMLString(), ::testing::StartsWith("<Turn ID=\"1\"><TurnNumber>4</TurnNumber><CurrentPhaseNumber>0"
                                                                "</CurrentPhaseNumber><ViewingPhaseNumber>0</ViewingPhaseNumber>"
                                                                "<PhaseList><Phase ID=\"0\">"));

    // A loaded turn keeps the ID of its file, and a short phase list still has six phases.
    TTurn loaded;
    loaded.LoadFromXMLString("<Turn ID=\"9\"><TurnNumber>4</TurnNumber><PhaseList><Phase ID=\"0\"></Phase></PhaseList></Turn>");
    EXPECT_EQ(loaded.ID(), "9");
    EXPECT_EQ(loaded.TurnNumber(), 4);
    EXPECT_EQ(loaded.PhaseList()->Count(), 6);
    EXPECT_NE(loaded.PhaseByNumber(5), nullptr);
}

namespace {
// The fixture's game saved by the tool, opened as the tool opens a game (the older turns built
// on first use) and, to compare with, read in full from the same text.
struct TOpenedGame {
    TGameFixture Fixture;
    QTemporaryDir Dir;
    std::string Name = Dir.path().toStdString() + "/league.cgx";
    std::string Text;

    TOpenedGame()
    {
        Fixture.Game->SaveToGameFile(Name);
        Text = Fixture.Game->SaveToXMLString();
    }
    std::unique_ptr<TGame> Open(TBoardList* boards)
    {
        auto game = std::make_unique<TGame>();
        game->LoadFromGameFile(Name);
        game->SetBoardList(boards);
        return game;
    }
    std::unique_ptr<TGame> ReadInFull(TBoardList* boards)
    {
        auto game = std::make_unique<TGame>();
        game->LoadFromCompleteXMLString(std::string_view(Text), "The game file");
        game->SetBoardList(boards);
        return game;
    }
};

std::size_t ObjectsIn(const TpzCustomPersistentToXMLObject& object)
{
    std::size_t count = 1;
    for (const auto& child : object.Objects())
        count += ObjectsIn(*child);
    return count;
}

std::string PhaseSummary(TPhase& phase)
{
    std::string out = phase.ID() + ":";
    for (int i = 0, n = phase.ChitList()->Count(); i < n; ++i) {
        const TChit* chit = phase.ChitList()->Items(i);
        out += " " + chit->ID() + "@" + std::to_string(chit->X()) + "," + std::to_string(chit->Y()) + "/" + chit->UsedBoardID();
    }
    return out + " archives " + std::to_string(phase.ArchiveList()->Count()) + "\n";
}

// Each chit of each phase: B when it has the catalogue, L when it has the game's layout.
std::string ChitPointers(TGame& game, const TBoardList* boards)
{
    std::string out;
    for (int t = 0; t < game.TurnCount(); ++t)
        for (int p = 0; p < TPhaseList::PhaseCount; ++p) {
            TPhase* phase = game.TurnList()->Turns(t)->PhaseByNumber(p);
            TChitList* chits = phase ? phase->ChitList() : nullptr;
            for (int i = 0; chits && i < chits->Count(); ++i) {
                out += chits->Items(i)->BoardList() == boards ? 'B' : 'x';
                out += chits->Items(i)->UsedBoardList() == game.UsedBoardList() ? 'L' : 'x';
            }
        }
    return out;
}
} // namespace

TEST(GameOpen, OlderTurnsWaitUntilFirstUsedAndSavingGivesTheBytesOfTheFileOpened)
{
    TOpenedGame o;
    auto game = o.Open(&o.Fixture.Boards);
    ASSERT_EQ(game->TurnCount(), 3);
    TTurnList& turns = *game->TurnList();
    // What the window shows at once leaves the older turns waiting; their own values are read.
    EXPECT_EQ(game->ViewingPhase()->ChitList()->FindByID("ZoomBot")->BoardList(), &o.Fixture.Boards);
    game->ReleasePictures();
    game->SetBoardList(&o.Fixture.Boards);
    EXPECT_FALSE(game->CurrentTurn()->HasPendingChildren());
    EXPECT_TRUE(turns.Turns(0)->HasPendingChildren());
    EXPECT_TRUE(turns.Turns(1)->HasPendingChildren());
    EXPECT_EQ(turns.Turns(1)->ID() + " " + std::to_string(turns.Turns(1)->TurnNumber()) + " "
            + std::to_string(turns.Turns(1)->CurrentPhaseNumber()), "2 2 5");

    EXPECT_EQ(PhaseSummary(*turns.Turns(0)->PhaseByNumber(3)),
        PhaseSummary(*o.ReadInFull(&o.Fixture.Boards)->TurnList()->Turns(0)->PhaseByNumber(3)));
    EXPECT_FALSE(turns.Turns(0)->HasPendingChildren());
    EXPECT_TRUE(turns.Turns(1)->HasPendingChildren());
    const std::string again = o.Dir.path().toStdString() + "/again.cgx";
    game->SaveToGameFile(again);
    EXPECT_EQ(ReadBytes(again), ReadBytes(o.Name));
    // A save writes a turn still waiting as it was read, without building it.
    EXPECT_TRUE(turns.Turns(1)->HasPendingChildren());
    // The copy a recovery write takes holds that turn by reference to the text it was read from.
    const TTextPieces copy = game->GameFileText(again);
    EXPECT_EQ(copy.Joined(), DecompressFileToString(again));
    const std::size_t turn2 = o.Text.find("<Turn ID=\"2\"");
    EXPECT_EQ(copy.SharedSize(), o.Text.find("<Turn ID=\"3\"") - turn2 - 2); // all but the line end after it
    EXPECT_TRUE(turns.Turns(1)->HasPendingChildren());
}

// What a save writes of a waiting turn is what writing it built would give: its bytes as read
// while they are the writer's own and its fields are unchanged, else the turn built.
TEST(GameOpen, AWaitingTurnIsWrittenAsReadOnlyWhileThatIsWhatBuildingItWouldWrite)
{
    TOpenedGame o;
    struct Case {
        const char* name;
        std::function<std::string(const std::string&)> edit; // of the file's text
        std::function<void(TGame&)> change;                    // of the opened game
        bool staysWaiting;
    } cases[] = {
        {"as saved", nullptr, nullptr, true},
        {"its own field changed", nullptr, [](TGame& g) { g.TurnList()->Turns(0)->SetViewingPhaseNumber(2); }, false},
        {"a reference the writer does not write", [](const std::string& text) {
             std::string t = text;
             // "&#66;" is "B": the same text read, not the bytes the writer gives.
             const std::size_t at = t.find("\"ZoomBot\"", t.find("<Turn "));
             return at == std::string::npos ? t : t.replace(at, 9, "\"Zoom&#66;ot\"");
         }, nullptr, false},
        {"a raw byte above ASCII", [](const std::string& text) {
             std::string t = text;
             const std::size_t at = t.find("\"ZoomBot\"", t.find("<Turn "));
             return at == std::string::npos ? t : t.replace(at, 9, "\"Zo\xC3\xB6mBot\"");
         }, nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = c.edit ? c.edit(o.Text) : o.Text;
        ASSERT_NE(text.find("<Turn "), std::string::npos);
        CompressStringToFile(text, o.Name);
        auto lazy = o.Open(&o.Fixture.Boards);
        TGame full;
        full.LoadFromCompleteXMLString(std::string_view(text), "The game file");
        full.SetBoardList(&o.Fixture.Boards);
        ASSERT_TRUE(lazy->TurnList()->Turns(0)->HasPendingChildren());
        if (c.change) {
            c.change(*lazy);
            c.change(full);
        }
        EXPECT_EQ(lazy->SaveToXMLString(), full.SaveToXMLString());
        EXPECT_EQ(lazy->TurnList()->Turns(0)->HasPendingChildren(), c.staysWaiting);
    }
}

// The generic ways into waiting children are the persistence tests'; these are the game's own.
TEST(GameOpen, EveryWayIntoAnOlderTurnGivesWhatAFullLoadGives)
{
    TOpenedGame o;
    auto turn = [](TGame& g, int index) { return g.TurnList()->Turns(index); };
    struct Case {
        const char* name;
        std::function<std::string(TGame&)> use;
    } cases[] = {
        {"a phase by number", [&](TGame& g) { return PhaseSummary(*turn(g, 1)->PhaseByNumber(2)); }},
        {"copying it", [&](TGame& g) { return TTurnList().AddCopy(*turn(g, 1), TTurn::StaticClass())->SaveToXMLString(); }},
        {"deleting it", [&](TGame& g) {
             g.TurnList()->Delete(0);
             return g.SaveToXMLString();
         }},
        {"the next turn and its phases", [&](TGame& g) {
             SetRandSeed(7); // both games deal the same hands
             g.NextTurn();
             while (g.NextPhase()) {
             }
             return g.CurrentTurn()->SaveToXMLString();
         }},
        {"releasing pictures", [&](TGame& g) {
             g.ReleasePictures();
             return std::string();
         }},
        {"building the waiting turns", [&](TGame& g) {
             g.BuildPendingTurns();
             return std::string();
         }},
        {"a chit finding its square", [&](TGame& g) {
             TChit* zoom = turn(g, 0)->PhaseByNumber(1)->ChitList()->FindByID("ZoomBot");
             return zoom->Board()->ID() + "/" + zoom->UsedBoard()->ID() + (zoom->IsOnMap() ? " on" : " off");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto lazy = o.Open(&o.Fixture.Boards);
        auto full = o.ReadInFull(&o.Fixture.Boards);
        ASSERT_TRUE(turn(*lazy, 0)->HasPendingChildren());
        EXPECT_EQ(c.use(*lazy), c.use(*full));
        EXPECT_EQ(lazy->SaveToXMLString(), full->SaveToXMLString());
        const std::string pointers = ChitPointers(*lazy, &o.Fixture.Boards);
        EXPECT_EQ(pointers, ChitPointers(*full, &o.Fixture.Boards));
        EXPECT_EQ(pointers.find('x'), std::string::npos) << pointers;
    }
}

TEST(GameOpen, TurnsBuiltLaterGetTheCatalogueGivenSince)
{
    TOpenedGame o;
    TBoardList other;
    BuildBoardList(other);
    struct Case {
        const char* name;
        TBoardList* before; // given to the game before it opens the file
        std::vector<TBoardList*> after;
        TBoardList* expected;
    } cases[] = {
        {"none", nullptr, {}, nullptr},
        {"before the open", &other, {}, &other},
        {"after it", nullptr, {&o.Fixture.Boards, &other}, &other},
        {"before and after", &other, {&o.Fixture.Boards}, &o.Fixture.Boards},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TGame lazy, full;
        lazy.SetBoardList(c.before);
        full.SetBoardList(c.before);
        lazy.LoadFromGameFile(o.Name);
        full.LoadFromCompleteXMLString(std::string_view(o.Text), "The game file");
        for (TBoardList* boards : c.after) {
            lazy.SetBoardList(boards);
            full.SetBoardList(boards);
        }
        ASSERT_TRUE(lazy.TurnList()->Turns(0)->HasPendingChildren());
        const std::string pointers = ChitPointers(lazy, c.expected);
        EXPECT_EQ(pointers, ChitPointers(full, c.expected));
        EXPECT_EQ(pointers.find('x'), std::string::npos) << pointers;
    }
}

// Nothing in an older turn can fail later: a damage there, or more objects than the cap, is
// refused when the file is opened.
TEST(GameOpen, ADamagedOrOversizedOlderTurnIsRefusedAtOpen)
{
    TOpenedGame o;
    const std::size_t firstTurn = o.Text.find("<Turn ");
    const std::size_t cut = o.Text.find("</ChitList>", firstTurn);
    ASSERT_LT(cut, o.Text.find("<Turn ", firstTurn + 1));
    std::string badTag = o.Text;
    badTag.replace(cut, 11, "</ChitLst>");
    const std::string name = o.Dir.path().toStdString() + "/damaged.cgx";
    for (const std::string& text : {badTag, o.Text.substr(0, cut)}) {
        CompressStringToFile(text, name);
        pugi::xml_document doc;
        const TXmlParseResult parsed = ParseXml(doc, text);
        ASSERT_GT(parsed.Offset, firstTurn);
        ExpectOpenRefused(name, [&](const ECogline& e) {
            EXPECT_STREQ(ErrorClassName(e), "EParseError");
            EXPECT_EQ(std::string(e.what()), "The game file \"" + name + "\" cannot be read: parsing stopped at " + parsed.Where() + ".");
        }, TRefusedGame::AsItWasOrEmptied);
    }

    const std::size_t made = ObjectsIn(*o.ReadInFull(nullptr)) - 1; // all but the game itself
    for (std::size_t cap : {made, made - 1}) {
        SCOPED_TRACE(cap);
        TLoadObjectLimitScope limit(cap);
        TGame game;
        try {
            game.LoadFromGameFile(o.Name);
            EXPECT_EQ(cap, made);
            EXPECT_TRUE(game.TurnList()->Turns(0)->HasPendingChildren());
            // Built later, the turns count against no load.
            TLoadObjectLimitScope tiny(1);
            game.BuildPendingTurns();
            EXPECT_EQ(game.SaveToXMLString(), o.Text);
        } catch (const ELoadLimitError& e) {
            EXPECT_EQ(cap, made - 1);
            EXPECT_EQ(std::string(e.what()), "The game file \"" + o.Name + "\" cannot be read. The text would make more than "
                + std::to_string(cap) + " objects, far more than any game or reference file.");
            EXPECT_TRUE(game.Objects().empty());
        }
    }
}
