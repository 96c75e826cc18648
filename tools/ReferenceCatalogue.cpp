#include "ReferenceCatalogue.h"

#include "BoardPainter.h"
#include "ChitPainter.h"

#include "model/BoardUnt.h"
#include "model/ChitUnt.h"
#include "model/BotUnt.h"
#include "support/UtilsUnt.h"

static_assert(ChitLayer::Flag <= ChitLayer::HideChitsLimit && ChitLayer::Archive > ChitLayer::HideChitsLimit,
    "Hide Chits must keep the course and hide the pieces");

namespace {

// Words for the suffixes in descriptions and file names, in the order of BotChitSuffixes.
const char* const SuffixWords[BotChitSuffixCount] = {"", "Shut Down", "Virtual", "Destroyed", "Archive"};
const int SuffixLayers[BotChitSuffixCount] = {
    ChitLayer::Robot, ChitLayer::Robot, ChitLayer::Virtual, ChitLayer::Destroyed, ChitLayer::Archive};

std::string WithSuffix(const std::string& text, int suffixIndex)
{
    return suffixIndex == 0 ? text : text + " " + SuffixWords[suffixIndex];
}

} // namespace

std::vector<TCatalogueChit> CatalogueChits()
{
    std::vector<TCatalogueChit> chits;
    // The built-in table first, with its IDs, descriptions and paths, so both stay interchangeable.
    chits.push_back({"Start", "Start", "Images/Start.jpg", ChitLayer::Start, false, DrawStartPicture});
    for (int i = 1; i <= 6; ++i) {
        std::string id = Format("Flag%d", i);
        chits.push_back({id, Format("Flag %d", i), "Images/Flags/" + id + ".jpg", ChitLayer::Flag, false,
            [i] { return DrawFlagPicture(i); }});
    }
    for (int suffix = 0; suffix < BotChitSuffixCount; ++suffix) {
        for (int t = btHammerBot; t <= btBuzzBomb; ++t) {
            auto type = static_cast<TBotType>(t);
            std::string name = BotTypeName(type);
            chits.push_back({BaseChitID(type) + BotChitSuffixes[suffix], WithSuffix(name, suffix),
                Format("Images/%s.jpg", WithSuffix(name, suffix).c_str()), SuffixLayers[suffix], false,
                [type, suffix] { return DrawBotPicture(type, suffix); }});
        }
    }
    chits.push_back({"Pit", "Pit", "Images/Markers/Pit.jpg", ChitLayer::Pit, true, DrawPitPicture});
    chits.push_back({"Bridge", "Bridge", "Images/Markers/Bridge.jpg", ChitLayer::Bridge, true, DrawBridgePicture});
    chits.push_back({"Wall", "Wall", "Images/Markers/Wall.jpg", ChitLayer::Wall, true, DrawWallPicture});
    chits.push_back({"Mine", "Mine", "Images/Markers/Mine.jpg", ChitLayer::Mine, true, DrawMinePicture});
    return chits;
}

void FillChitList(TChitList& list, const std::vector<TCatalogueChit>& chits)
{
    for (const TCatalogueChit& c : chits) {
        TChit* chit = list.AddChit(c.ID, c.Description, c.RelativeFilePath);
        chit->SetDrawLayer(c.DrawLayer);
        chit->SetIsCloneable(c.IsCloneable);
    }
}

void BuildDescribedBoardList(TBoardList& list)
{
    BuildBoardList(list);
    for (int i = 0; i < list.Count(); ++i) {
        TBoard* board = list.Items(i);
        const std::string& path = board->RelativeFilePath();
        board->SetDescription(BoardNameOfPath(path) + " (" + EditionName(EditionOfPath(path)) + ")");
    }
}
