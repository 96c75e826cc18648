#pragma once
// A game with the reference program deck and robots whose hands, registers and "Other" entries
// are laid out card by card, for the tests of programming, private messages and the paste.
#include "model/GameUnt.h"
#include "model/ProgramUnt.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

// Programs register r (1 to 5) of the robot with the game deck's card of that priority.
inline void ProgramPriority(TGame& game, TBot& bot, int r, int priority)
{
    TProgramDeck& deck = *game.ProgramDeck();
    for (int i = 0; i < deck.Count(); ++i)
        if (deck.Cards(i)->Priority() == priority) {
            bot.Registers()->Registers(r - 1)->SetCardID(deck.Cards(i)->ID());
            return;
        }
    FAIL() << "no card of priority " << priority;
}

struct TProgramGame {
    TGame Game;

    TProgramGame()
    {
        TProgramDeck deck;
        BuildProgramCards(deck);
        Game.SetProgramDeck(deck);
    }

    TProgramDeck& Deck() { return *Game.ProgramDeck(); }
    TProgramCard& Card(const std::string& id)
    {
        TProgramCard* card = Deck().FindCard(id);
        EXPECT_NE(card, nullptr) << id;
        return *card;
    }
    TCardState State(const std::string& id) { return Card(id).CardState(); }

    TBot& Bot(TBotType type, const std::string& player = "")
    {
        TBot& bot = *Game.BotList()->FindByType(type);
        bot.SetInUseFlag(true);
        bot.SetPlayerName(player);
        return bot;
    }

    // Deals the cards to the bot in this order, as the deck would.
    void Deal(TBot& bot, std::initializer_list<const char*> ids)
    {
        for (const char* id : ids) {
            Card(id).SetCardState(csDealt);
            bot.Hand()->AddRefByID(id);
        }
    }

    // Puts a card of the hand into register n, as the game master does.
    void Program(TBot& bot, int n, const std::string& id, bool locked = false)
    {
        TBotRegister* reg = bot.Registers()->Registers(n - 1);
        reg->ProgramWith(Card(id));
        reg->SetIsLocked(locked);
        if (locked)
            Card(id).SetCardState(csRegisterLocked);
    }

    void AddOther(TBot& bot, const std::string& id, bool locked = false)
    {
        TBotRegister* entry = bot.ExtraRegisters()->AddExtraRegister(Card(id));
        entry->SetIsLocked(locked);
        Card(id).SetCardState(locked ? csRegisterLocked : csRegisterProgrammed);
    }

    std::string RegisterCard(const TBot& bot, int n) const { return bot.Registers()->Registers(n - 1)->CardID(); }

    // The whole game as saved: robots, hands, registers, notes and every card state.
    std::string Saved() { return Game.SaveToXMLString(); }
};
