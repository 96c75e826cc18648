// A game file from anywhere: decompressed with the size limit, then read as the tool opens a
// game, refusing text that does not parse completely.
#include "FuzzCommon.h"

#include "model/GameUnt.h"
#include "persist/ZLibFuncs.h"
#include "support/ErrorsUnt.h"

#include <fstream>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSetUp();
    static const std::string name = "/tmp/cogline-fuzz-" + std::to_string(getpid()) + ".cgx";
    {
        std::ofstream out(name, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    TGame game;
    try {
        // A small limit keeps each run fast; the limit itself is what is exercised.
        std::string text = DecompressFileToString(name, 16 * 1024 * 1024);
        game.LoadFromCompleteXMLString(text, "The game file");
        game.SaveToXMLString();
    } catch (const ECogline&) {
    }
    return 0;
}
