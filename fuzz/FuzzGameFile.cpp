// A game file from anywhere: decompressed with the size limit, then read as the tool opens a
// game, refusing text that does not parse completely, and compared with reading it in full.
#include "FuzzCommon.h"

#include "persist/ZLibFuncs.h"

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
    std::string text;
    try {
        // A small limit keeps each run fast; the limit itself is what is exercised.
        text = DecompressFileToString(name, 16 * 1024 * 1024);
    } catch (const ECogline&) {
        return 0;
    }
    CompareOpenWithFullRead(text);
    return 0;
}
