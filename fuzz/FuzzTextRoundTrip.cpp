// Arbitrary bytes in every text field of a game (pieces of the input, cut at each "\xFF\xFF"):
// the game's text, written piece by piece as a save writes it, must be well-formed to a strict
// XML reader, and opened again as a game file is (older turns built on first use) every field
// must come back as the clean form of what it was given.
#include "FuzzCommon.h"

#include "xml/XmlUnt.h"

#include <QByteArray>
#include <QXmlStreamReader>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

struct TField {
    std::function<std::string(TGame&)> Get;
    std::function<void(TGame&, const std::string&)> Set;
};

// The game name, players and notes, descriptions of the game's chits, of an older turn's chits
// and of option cards.
std::vector<TField> Fields()
{
    std::vector<TField> fields;
    fields.push_back({[](TGame& g) { return g.GameName(); }, [](TGame& g, const std::string& t) { g.SetGameName(t); }});
    for (int b = 0; b < 9; ++b) {
        fields.push_back({[b](TGame& g) { return g.BotList()->Items(b)->PlayerName(); },
            [b](TGame& g, const std::string& t) { g.BotList()->Items(b)->SetPlayerName(t); }});
        fields.push_back({[b](TGame& g) { return g.BotList()->Items(b)->GameNotes(); },
            [b](TGame& g, const std::string& t) { g.BotList()->Items(b)->SetGameNotes(t); }});
    }
    for (int c = 0; c < 2; ++c) {
        auto older = [c](TGame& g) { return g.TurnList()->Turns(0)->PhaseByNumber(0)->ChitList()->Items(c); };
        fields.push_back({[c](TGame& g) { return g.ChitList()->Items(c)->Description(); },
            [c](TGame& g, const std::string& t) { g.ChitList()->Items(c)->SetDescription(t); }});
        fields.push_back({[older](TGame& g) { return older(g)->Description(); },
            [older](TGame& g, const std::string& t) { older(g)->SetDescription(t); }});
        fields.push_back({[c](TGame& g) { return g.OptionDeck()->Cards(c)->Description(); },
            [c](TGame& g, const std::string& t) { g.OptionDeck()->Cards(c)->SetDescription(t); }});
    }
    return fields;
}

std::unique_ptr<TGame> GameWithTextFields()
{
    auto game = std::make_unique<TGame>();
    for (int c = 0; c < 2; ++c)
        game->ChitList()->AddChit("Chit" + std::to_string(c), "", "Images/Start.jpg");
    TOptionDeck options;
    BuildOptionCards(options, osBaseGame);
    game->AddOptionDeck(options);
    game->TurnList()->AddTurn()->PhaseByNumber(0)->CopyChitsFrom(*game->ChitList());
    game->TurnList()->AddTurn();
    return game;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSetUp();
    static const auto fields = Fields();
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    auto game = GameWithTextFields();
    std::vector<std::string> given(fields.size());
    std::size_t start = 0;
    // Fields beyond the pieces of the input are emptied.
    for (std::size_t f = 0; f < fields.size(); ++f) {
        if (start <= input.size()) {
            const std::size_t cut = std::min(input.find("\xFF\xFF", start), input.size());
            given[f] = std::string(input.substr(start, cut - start));
            start = cut + 2;
        }
        fields[f].Set(*game, given[f]);
    }
    auto text = std::make_shared<std::string>();
    game->WriteXMLText([&](std::string_view piece) { *text += piece; });
    Check(*text == game->SaveToXMLString());

    QXmlStreamReader reader(QByteArray(text->data(), static_cast<qsizetype>(text->size())));
    while (!reader.atEnd())
        reader.readNext();
    Check(!reader.hasError());

    TGame opened;
    opened.LoadFromCompleteXMLString(std::shared_ptr<const std::string>(text), "The game file");
    for (std::size_t f = 0; f < fields.size(); ++f)
        Check(fields[f].Get(opened) == XmlCleanText(given[f]) && fields[f].Get(*game) == fields[f].Get(opened));
    return 0;
}
