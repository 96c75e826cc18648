// Every saved game opens again: whatever text its fields were given comes back as the clean form
// of that text, and game files made to fill the memory are refused.
#include "model/GameUnt.h"
#include "model/ProgramPasteUnt.h"
#include "persist/ZLibFuncs.h"
#include "support/ErrorsUnt.h"
#include "support/NotifyUnt.h"
#include "xml/XmlUnt.h"
#include "common/ProgramGame.h"
#include "common/RandomText.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <functional>
#include <string>
#include <vector>

namespace {

// Every text field a game master or a player fills: the game name, each robot's player and
// notes, the descriptions of chits (the game's own and those of an older turn) and of options.
struct TTextField {
    std::string Name;
    std::function<std::string(TGame&)> Get;
    std::function<void(TGame&, const std::string&)> Set;
};

std::vector<TTextField> TextFields()
{
    std::vector<TTextField> fields;
    fields.push_back({"game name", [](TGame& g) { return g.GameName(); }, [](TGame& g, const std::string& t) { g.SetGameName(t); }});
    for (int b = 0; b < 9; ++b) {
        fields.push_back({"player " + std::to_string(b), [b](TGame& g) { return g.BotList()->Items(b)->PlayerName(); },
            [b](TGame& g, const std::string& t) { g.BotList()->Items(b)->SetPlayerName(t); }});
        fields.push_back({"notes " + std::to_string(b), [b](TGame& g) { return g.BotList()->Items(b)->GameNotes(); },
            [b](TGame& g, const std::string& t) { g.BotList()->Items(b)->SetGameNotes(t); }});
    }
    for (int c = 0; c < 3; ++c) {
        fields.push_back({"chit " + std::to_string(c), [c](TGame& g) { return g.ChitList()->Items(c)->Description(); },
            [c](TGame& g, const std::string& t) { g.ChitList()->Items(c)->SetDescription(t); }});
        auto olderChit = [c](TGame& g) { return g.TurnList()->Turns(0)->PhaseByNumber(0)->ChitList()->Items(c); };
        fields.push_back({"older turn's chit " + std::to_string(c), [olderChit](TGame& g) { return olderChit(g)->Description(); },
            [olderChit](TGame& g, const std::string& t) { olderChit(g)->SetDescription(t); }});
        fields.push_back({"option " + std::to_string(c), [c](TGame& g) { return g.OptionDeck()->Cards(c)->Description(); },
            [c](TGame& g, const std::string& t) { g.OptionDeck()->Cards(c)->SetDescription(t); }});
    }
    return fields;
}

// A game with two turns, chits in its list and in the older turn, and the base option set.
std::unique_ptr<TGame> GameWithTextFields()
{
    auto game = std::make_unique<TGame>();
    for (int c = 0; c < 3; ++c)
        game->ChitList()->AddChit("Chit" + std::to_string(c), "", "Images/Start.jpg");
    TOptionDeck options;
    BuildOptionCards(options, osBaseGame);
    game->AddOptionDeck(options);
    game->TurnList()->AddTurn()->PhaseByNumber(0)->CopyChitsFrom(*game->ChitList());
    game->TurnList()->AddTurn();
    return game;
}

bool StrictlyWellFormed(const std::string& document)
{
    QXmlStreamReader reader(QByteArray(document.data(), static_cast<qsizetype>(document.size())));
    while (!reader.atEnd())
        reader.readNext();
    return !reader.hasError();
}

class GameFileTextTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return FDir.filePath(QString::fromStdString(name)).toStdString(); }

    // Saves the game, checks that a strict XML reader takes its text, and opens it again.
    std::unique_ptr<TGame> SavedAndOpened(TGame& game)
    {
        game.SaveToGameFile(Path("game.cgx"));
        EXPECT_TRUE(StrictlyWellFormed(DecompressFileToString(Path("game.cgx"))));
        auto opened = std::make_unique<TGame>();
        opened->LoadFromGameFile(Path("game.cgx"));
        return opened;
    }

    // What refusing to open the file says; empty when it opens.
    std::string Refusal(const std::string& text)
    {
        CompressStringToFile(text, Path("hostile.cgx"));
        try {
            TGame game;
            game.LoadFromGameFile(Path("hostile.cgx"));
        } catch (const ECogline& e) {
            return std::string(e.ClassName()) + ": " + e.what();
        }
        return "";
    }

    QTemporaryDir FDir;
};

} // namespace

TEST_F(GameFileTextTest, RandomTextInEveryFieldComesBackAsItsCleanForm)
{
    const std::vector<TTextField> fields = TextFields();
    std::mt19937 random(2021);
    for (int round = 0; round < 30; ++round) {
        auto game = GameWithTextFields();
        std::vector<std::string> given;
        for (const TTextField& field : fields) {
            given.push_back(RandomFieldText(random, random() % 60));
            field.Set(*game, given.back());
            // Cleaned where it enters the model: the game holds what its file will give back.
            EXPECT_EQ(field.Get(*game), XmlCleanText(given.back())) << field.Name;
        }
        auto opened = SavedAndOpened(*game);
        for (std::size_t f = 0; f < fields.size(); ++f)
            EXPECT_EQ(fields[f].Get(*opened), XmlCleanText(given[f])) << fields[f].Name << " in round " << round;
    }
}

TEST_F(GameFileTextTest, APastedAnswerWithAZeroByteLeavesAGameThatOpens)
{
    TProgramGame g;
    TBot& bot = g.Bot(btTwonky, "Eve");
    g.Game.TurnList()->AddTurn();
    g.Deal(bot, {"490Move1", "70RotateLeft", "10UTurn", "670Move2", "430Backup", "80RotateRight", "500Move1"});
    using namespace std::string_literals;
    const std::string answer = "Move 1 (490)\r\nRotate Left\0\r\nU-Turn\r\nMove 2 (670)\r\nBackup (430) &#0;\x01"s;
    TMessageCapture messages;
    ASSERT_TRUE(AttemptToPasteProgram(g.Game, bot, answer).Applied) << ::testing::PrintToString(messages.Messages());
    EXPECT_EQ(bot.GameNotes().find('\0'), std::string::npos);
    EXPECT_EQ(bot.GameNotes().find('\x01'), std::string::npos);
    EXPECT_NE(bot.GameNotes().find("Backup (430) &#0;"), std::string::npos) << bot.GameNotes();
    // Saved over a good game, it opens again with the same notes.
    auto opened = SavedAndOpened(g.Game);
    EXPECT_EQ(opened->BotList()->FindByType(btTwonky)->GameNotes(), bot.GameNotes());
}

TEST_F(GameFileTextTest, TextThatLooksLikeAnEntityComesBackAsItWas)
{
    TGame game;
    std::string notes;
    while (notes.size() < 180)
        notes += "Turn 3: &#0;";
    notes += "&amp;&lt;&#x41;";
    ASSERT_EQ(notes.size(), 195u);
    game.BotList()->Items(0)->SetGameNotes(notes);
    for (const char* name : {"Cup &#0; final", "R&amp;D League", "A &lt; B", "&", "&;", "Q&A"}) {
        SCOPED_TRACE(name);
        game.SetGameName(name);
        auto opened = SavedAndOpened(game);
        EXPECT_EQ(opened->GameName(), name);
        EXPECT_EQ(opened->BotList()->Items(0)->GameNotes().size(), 195u);
        EXPECT_EQ(opened->BotList()->Items(0)->GameNotes(), notes);
    }
}

// The files the memory benchmark measures (cogline_bench --hostile), refused here by the caps.
TEST_F(GameFileTextTest, FilesMadeToFillTheMemoryAreRefused)
{
    struct Case { const char* name; std::string text; const char* refusal; } cases[] = {
        {"a name of 250 MB of byte 0x80", "<Game><GameName>" + std::string(250'000'000, '\x80') + "</GameName></Game>",
            "EDecompressionError"},
        {"a name that fits only before it is converted",
            "<Game><GameName>" + std::string(MaxXmlTextSize / 3, '\x80') + "</GameName></Game>", "ELoadLimitError"},
        {"1.9 million empty chits", "<Game><ChitList>" + Repeated("<Chit/>", 1'900'000) + "</ChitList></Game>", "ELoadLimitError"},
        {"older turns of chits", "<Game><TurnList>" + Repeated("<Turn><PhaseList><Phase><ChitList>" + Repeated("<Chit/>", 5000)
            + "</ChitList></Phase></PhaseList></Turn>", 200) + "<Turn></Turn></TurnList></Game>", "ELoadLimitError"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string refusal = Refusal(c.text);
        EXPECT_EQ(refusal.rfind(c.refusal, 0), 0u) << refusal;
    }
}
