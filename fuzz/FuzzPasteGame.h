#pragma once
// The robot the paste target programs: turn 2, a hand of eleven cards, registers 4 and 5
// locked, register 1 programmed, one locked and one unlocked "Other" entry.
#include "model/GameUnt.h"
#include "model/ProgramUnt.h"

#include <memory>

struct TFuzzPasteGame {
    std::unique_ptr<TGame> Game = std::make_unique<TGame>();
    TBot* Bot = nullptr;

    TFuzzPasteGame()
    {
        TProgramDeck* deck = Game->CreateObject<TProgramDeck>();
        BuildProgramCards(*deck);
        Game->TurnList()->AddTurn();
        Game->TurnList()->AddTurn();
        Bot = Game->BotList()->FindByType(btTwonky);
        Bot->SetInUseFlag(true);
        Bot->SetDamage(6);
        for (const char* id : {"20UTurn", "680Move2", "490Move1", "110RotateLeft", "10UTurn", "70RotateLeft", "80RotateRight",
                 "430Backup", "670Move2", "500Move1", "120RotateRight"}) {
            deck->FindCard(id)->SetCardState(csDealt);
            Bot->Hand()->AddRefByID(id);
        }
        auto program = [&](TBotRegister* reg, const char* id, bool locked) {
            reg->ProgramWith(*deck->FindCard(id));
            reg->SetIsLocked(locked);
            if (locked)
                deck->FindCard(id)->SetCardState(csRegisterLocked);
        };
        program(Bot->Registers()->Registers(3), "20UTurn", true);
        program(Bot->Registers()->Registers(4), "680Move2", true);
        program(Bot->Registers()->Registers(0), "500Move1", false);
        program(Bot->ExtraRegisters()->AddRegister(0, false), "110RotateLeft", true);
        program(Bot->ExtraRegisters()->AddRegister(0, false), "120RotateRight", false);
    }
};

// A program this robot accepts: the locked "Other" card second on the first line, the locked
// registers' cards on their own lines.
inline constexpr const char* FuzzPasteValidProgram =
    "Move 1 (490) Rotate Left\r\nRotate Left\r\nBackup (430)\r\nU-Turn  [Register 4 *LOCKED*]\r\nMove 2 (680)  [Register 5 *LOCKED*]\r\n";
