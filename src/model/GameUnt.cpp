#include "model/GameUnt.h"

#include "model/BoardUnt.h"
#include "persist/ZLibFuncs.h"
#include "support/ErrorsUnt.h"
#include "support/UtilsUnt.h"
#include "xml/XmlUnt.h"

#include <algorithm>

COGLINE_DEFINE_CLASS(TGame, "Game", TRootObject,
    PropInteger<TGame>("BotArchiveMax", &TGame::BotArchiveMax, &TGame::SetBotArchiveMax),
    PropString<TGame>("GameName", &TGame::GameName, &TGame::SetGameName),
    PropInteger<TGame>("FlagCount", &TGame::FlagCount, &TGame::SetFlagCount))

TGame::TGame()
{
    RegisterChildClass(TProgramDeck::StaticClass());
    RegisterChildClass(TOptionDeck::StaticClass());
    RegisterChildClass(TBotList::StaticClass());
    RegisterChildClass(TUsedBoardList::StaticClass());
    RegisterChildClass(TChitList::StaticClass());
    RegisterChildClass(TTurnList::StaticClass());
    CreateObject<TBotList>();
    CreateObject<TChitList>();
    CreateObject<TTurnList>();
    ApplyLivesToBots();
}

void TGame::SetGameName(std::string name)
{
    CleanXmlText(name);
    FGameName = std::move(name);
}

void TGame::SetBotArchiveMax(int lives)
{
    FBotArchiveMax = lives;
    ApplyLivesToBots();
}

void TGame::ApplyLivesToBots()
{
    if (Loading())
        return;
    if (TBotList* bots = BotList())
        for (int i = 0, n = bots->Count(); i < n; ++i)
            bots->Items(i)->SetLivesCount(FBotArchiveMax);
}

TTurnList* TGame::TurnList()
{
    TTurnList* turns = ObjectOf<TTurnList>(0);
    return turns ? turns : CreateObject<TTurnList>();
}

TUsedBoardList* TGame::UsedBoardList()
{
    TUsedBoardList* layout = ObjectOf<TUsedBoardList>(0);
    return layout ? layout : CreateObject<TUsedBoardList>();
}

void TGame::SetProgramDeck(TProgramDeck& deck)
{
    RemoveObject(ProgramDeck());
    AddCopy(deck, TProgramDeck::StaticClass());
}

void TGame::SetChitList(TChitList& chits)
{
    RemoveObject(ChitList());
    auto* copy = static_cast<TChitList*>(AddCopy(chits, TChitList::StaticClass()));
    copy->SetBoardList(FBoardList);
    copy->SetUsedBoardList(UsedBoardList());
}

void TGame::AddOptionDeck(TOptionDeck& deck)
{
    if (TOptionDeck* own = OptionDeck())
        own->CopyCardsFrom(deck);
    else
        AddCopy(deck, TOptionDeck::StaticClass());
}

void TGame::ForEachChitList(const std::function<void(TChitList&)>& action)
{
    if (TChitList* chits = ChitList())
        action(*chits);
    TTurnList* turns = TurnList();
    for (int t = 0, nt = turns->Count(); t < nt; ++t)
        if (TTurn* turn = turns->Turns(t); !turn->HasPendingChildren())
            ForEachChitListOf(*turn, action);
}

void TGame::ForEachChitListOf(TTurn& turn, const std::function<void(TChitList&)>& action)
{
    if (TPhaseList* phases = turn.PhaseList())
        for (int p = 0, np = phases->Count(); p < np; ++p)
            if (TChitList* chits = phases->Items(p)->ChitList())
                action(*chits);
}

void TGame::SetBoardList(TBoardList* boardList)
{
    FBoardList = boardList;
    UsedBoardList()->SetBoardList(boardList);
    ForEachChitList([boardList](TChitList& chits) { chits.SetBoardList(boardList); });
}

void TGame::GiveChitsTheirPointers()
{
    TUsedBoardList* layout = UsedBoardList();
    ForEachChitList([this, layout](TChitList& chits) {
        chits.SetBoardList(FBoardList);
        chits.SetUsedBoardList(layout);
    });
}

void TGame::DescendantChildrenBuilt(TpzCustomPersistentToXMLObject& descendant)
{
    if (descendant.Is<TTurn>()) {
        // The layout a load gives is the game's own, made then when the file had none.
        TUsedBoardList* layout = ObjectOf<TUsedBoardList>(0);
        ForEachChitListOf(static_cast<TTurn&>(descendant), [this, layout](TChitList& chits) {
            chits.SetBoardList(FBoardList);
            chits.SetUsedBoardList(layout);
        });
    }
    TRootObject::DescendantChildrenBuilt(descendant);
}

void TGame::BuildPendingTurns()
{
    TTurnList* turns = TurnList();
    for (int t = 0, nt = turns->Count(); t < nt; ++t)
        turns->Turns(t)->BuildPendingChildren();
}

int TGame::TurnCount() { return TurnList()->Count(); }

TTurn* TGame::CurrentTurn()
{
    TTurnList* turns = TurnList();
    int count = turns->Count();
    return count > 0 ? turns->Turns(count - 1) : nullptr;
}

int TGame::CurrentPhaseNumber()
{
    TTurn* turn = CurrentTurn();
    return turn ? turn->CurrentPhaseNumber() : 0;
}

int TGame::ViewingPhaseNumber()
{
    TTurn* turn = CurrentTurn();
    return turn ? turn->ViewingPhaseNumber() : 0;
}

TPhase* TGame::CurrentPhase()
{
    TTurn* turn = CurrentTurn();
    return turn ? turn->PhaseByNumber(turn->CurrentPhaseNumber()) : nullptr;
}

TPhase* TGame::ViewingPhase()
{
    TTurn* turn = CurrentTurn();
    return turn ? turn->PhaseByNumber(turn->ViewingPhaseNumber()) : nullptr;
}

void TGame::NextTurn()
{
    TurnList()->AddTurn();
    TProgramDeck* deck = ProgramDeck();
    TBotList* bots = BotList();
    if (bots) {
        for (int i = 0, n = bots->Count(); i < n; ++i) {
            TBot* bot = bots->Items(i);
            if (bot->BotActivityLevel() == alShutDown)
                bot->SetBotActivityLevel(alNormal);
        }
        for (int i = 0, n = bots->Count(); i < n; ++i) {
            TBot* bot = bots->Items(i);
            if (bot->BotActivityLevel() != alShuttingDownNextTurn)
                continue;
            bot->SetBotActivityLevel(alShutDown);
            bot->SetDamage(0);
            if (TProgramCardRefList* hand = bot->Hand()) {
                if (deck)
                    for (int h = 0, nh = hand->Count(); h < nh; ++h)
                        if (TCard* card = deck->FindCard(hand->Refs(h)->ID()))
                            card->Discard();
                hand->ClearObjects();
            }
            if (TBotRegisterList* registers = bot->Registers())
                for (int r = 0, nr = registers->Count(); r < nr; ++r)
                    registers->Registers(r)->Clear();
        }
    }
    // A damaged file may lack a deck; the turn still starts, with no cards to move.
    if (!deck)
        return;
    if (bots)
        bots->ReturnCards(*deck);
    deck->ShuffleAll();
    if (bots)
        bots->DealCards(*deck);
}

bool TGame::NextPhase()
{
    TTurn* turn = CurrentTurn();
    if (!turn || turn->CurrentPhaseNumber() >= 5)
        return false;
    // A damaged file may hold a phase number below 0; the step starts from phase 0 then.
    int k = std::max(turn->CurrentPhaseNumber(), 0) + 1;
    turn->SetCurrentPhaseNumber(k);
    TPhase* phase = turn->PhaseByNumber(k);
    TPhase* previous = turn->PhaseByNumber(k - 1);
    if (!phase || !previous)
        return true;
    if ((!phase->ChitList() || phase->ChitList()->Count() == 0) && previous->ChitList()) {
        phase->CopyChitsFrom(*previous->ChitList());
        ReleasePictures();
    }
    if ((!phase->ArchiveList() || phase->ArchiveList()->Count() == 0) && previous->ArchiveList())
        phase->CopyArchivesFrom(*previous->ArchiveList());
    return true;
}

void TGame::ReleasePictures()
{
    if (TChitList* chits = ChitList())
        chits->ReleasePictures();
    TurnList()->ReleasePicturesExceptLast();
}

void TGame::LoadFromXMLDoc(const TXMLDoc& doc)
{
    TPersistentStateScope loading(*this, TPersistentState::Loading);
    TRootObject::LoadFromXMLDoc(doc);
    // A damaged file may lack lists the rest of the tool relies on: they come back empty.
    if (!BotList())
        CreateObject<TBotList>();
    if (!ChitList())
        CreateObject<TChitList>();
    TurnList();
    GiveChitsTheirPointers();
}

namespace {

std::size_t GSaveElementLimit = MaxXmlElements;

// Writes the game's text on, refusing it, before any file is replaced, once it passes what
// opening accepts: every file saved opens again. The writer escapes every "<" of a text and
// writes no empty-element tags, so each element is two of them.
// Older turns still in the text they were read from go to consumeShared by reference, when given.
void WriteGameFileText(TGame& game, const std::string& fileName, const std::function<void(std::string_view)>& consume,
    const TXmlSink::TSharedConsumer& consumeShared = nullptr)
{
    std::size_t written = 0;
    std::size_t tags = 0;
    auto check = [&](std::string_view piece) {
        written += piece.size();
        if (written > GameFileTextLimit)
            throw EFileError(Format("The game was not saved to \"%s\": its text passes the %zu MiB a game "
                                    "file may hold. Shorten the longest notes and save again.",
                fileName.c_str(), GameFileTextLimit >> 20));
        tags += CountByte(piece, '<');
        if (tags / 2 > GSaveElementLimit)
            throw EFileError(Format("The game was not saved to \"%s\": it holds more than the %zu elements a "
                                    "game file may hold.",
                fileName.c_str(), GSaveElementLimit));
    };
    TXmlSink::TSharedConsumer shared;
    if (consumeShared)
        shared = [&](const std::shared_ptr<const std::string>& keeper, std::string_view part) {
            check(part);
            consumeShared(keeper, part);
        };
    game.WriteXMLText(
        [&](std::string_view piece) {
            check(piece);
            consume(piece);
        },
        shared);
}

} // namespace

TSaveElementLimitScope::TSaveElementLimitScope(std::size_t limit)
    : FPrevious(GSaveElementLimit)
{
    GSaveElementLimit = limit;
}

TSaveElementLimitScope::~TSaveElementLimitScope()
{
    GSaveElementLimit = FPrevious;
}

void TGame::SaveToGameFile(const std::string& fileName)
{
    TPersistentStateScope saving(*this, TPersistentState::Saving);
    // The text goes to the compressor as it is written: a game is never held as text whole.
    CompressTextToFile(
        [this, &fileName](const std::function<void(std::string_view)>& consume) {
            WriteGameFileText(*this, fileName, consume);
        },
        fileName);
}

TTextPieces TGame::GameFileText(const std::string& fileName)
{
    TPersistentStateScope saving(*this, TPersistentState::Saving);
    TTextPieces text;
    WriteGameFileText(
        *this, fileName, [&text](std::string_view piece) { text.Append(piece); },
        [&text](const std::shared_ptr<const std::string>& keeper, std::string_view part) { text.AppendShared(keeper, part); });
    return text;
}

void TGame::LoadFromGameFile(const std::string& fileName)
{
    TPersistentStateScope loading(*this, TPersistentState::Loading);
    auto text = std::make_shared<const std::string>(DecompressFileToString(fileName));
    // Opening part of a game would look like success and lose the rest at the next save. The
    // text is kept for the older turns, which are built when first used.
    LoadFromCompleteXMLString(std::move(text), Format("The game file \"%s\"", fileName.c_str()));
}
