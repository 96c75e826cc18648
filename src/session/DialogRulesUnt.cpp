#include "session/DialogRulesUnt.h"

#include "model/BotUnt.h"
#include "render/GameFolderUnt.h"
#include "support/TextUnt.h"
#include "support/UtilsUnt.h"

#include <QFileInfo>

bool IsRefusedGameNameChar(char32_t c)
{
    switch (c) {
    case U'<':
    case U'>':
    case U':':
    case U'"':
    case U'/':
    case U'\\':
    case U'|':
    case U'?':
    case U'*':
        return true;
    default:
        // C0, DEL and C1 controls.
        return c < 0x20 || (c >= 0x7F && c <= 0x9F);
    }
}

bool HasRefusedGameNameChar(std::string_view text)
{
    for (std::size_t pos = 0; pos < text.size();)
        if (IsRefusedGameNameChar(NextCodePoint(text, pos)))
            return true;
    return false;
}

bool NewGameCanAccept(const std::string& name, int selectedOptionSets, int archivesPerBot)
{
    return selectedOptionSets > 0 && archivesPerBot > 0 && !name.empty() && name != NewGameNamePlaceholder;
}

std::vector<TOptionSource> OfferedOptionSources() { return {osBaseGame, osBoltsAndBlasters}; }

std::vector<TBot*> BotsToAdd(const TBotList& bots)
{
    std::vector<TBot*> result;
    for (int i = 0, n = bots.Count(); i < n; ++i) {
        TBot* bot = bots.Items(i);
        if (!bot->InUseFlag() && bot->BotType() != btBuzzBomb)
            result.push_back(bot);
    }
    return result;
}

std::vector<TBot*> BotsToSelect(const TBotList& bots, const TBot* excluded, const TClass& cardClass)
{
    const bool needsOption = cardClass.InheritsFrom(TOptionCard::StaticClass());
    std::vector<TBot*> result;
    for (int i = 0, n = bots.Count(); i < n; ++i) {
        TBot* bot = bots.Items(i);
        if (!bot->InUseFlag() || bot == excluded)
            continue;
        if (needsOption && (!bot->Options() || bot->Options()->Count() == 0))
            continue;
        result.push_back(bot);
    }
    return result;
}

std::vector<TOptionCard*> OptionsToSelect(const TBot& bot)
{
    std::vector<TOptionCard*> result;
    if (TOptionCardList* options = bot.Options())
        for (int i = 0, n = options->Count(); i < n; ++i)
            result.push_back(options->Items(i));
    return result;
}

std::string ExistingGameFolderWarning(const std::string& name)
{
    if (!QFileInfo(QString::fromStdString(GameFolder(name))).exists())
        return "";
    return Format("A game folder named \"%s\" already exists; its pictures would be replaced.", SafeFolderName(name).c_str());
}
