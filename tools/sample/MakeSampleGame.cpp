// Writes the sample game beside the reference data, played through the session's own rules, so
// that it always matches the file format of this build.
// Usage: cogline_make_sample <folder of the reference data>/

#include "session/GameSessionUnt.h"
#include "session/SampleGameUnt.h"
#include "support/NotifyUnt.h"
#include "support/UtilsUnt.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>

#ifdef __SANITIZE_ADDRESS__
// As in the test programs: the leak checker misreads the TLS of the picture plugins it loads.
extern "C" const char* __asan_default_options() { return "intercept_tls_get_addr=0"; }
#endif

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: cogline_make_sample <folder of the reference data>\n");
        return 2;
    }
    try {
        QElapsedTimer timer;
        timer.start();
        std::string folder = argv[1];
        if (folder.empty() || folder.back() != '/')
            folder += '/';
        // The reference data is read from, and the game written to, that folder.
        SetExecutableFolder(folder);
        // Any message meant for the game master (a deck out of cards, a file that did not load)
        // means the sample is not the game it should be.
        TMessageCapture messages;
        TGameSession session;
        session.LoadReferenceData();
        for (const std::string& problem : session.TakeLoadProblems())
            throw std::runtime_error(problem);
        PlaySampleGame(session);
        if (!messages.Messages().empty())
            throw std::runtime_error(messages.Messages().front());
        const std::string fileName = folder + SampleGameFileName;
        session.SaveGame(fileName);
        std::printf("cogline_make_sample: \"%s\", %lld bytes, in %lld ms\n", SampleGameFileName,
            static_cast<long long>(QFileInfo(QString::fromStdString(fileName)).size()), static_cast<long long>(timer.elapsed()));
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cogline_make_sample: %s\n", e.what());
        return 1;
    }
}
