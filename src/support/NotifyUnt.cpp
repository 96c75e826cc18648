#include "support/NotifyUnt.h"

#include <cstdio>

namespace {
TMessageHandler& Handler()
{
    static TMessageHandler handler = [](const std::string& text) {
        std::fprintf(stderr, "%s\n", text.c_str());
    };
    return handler;
}
} // namespace

void ShowMessage(const std::string& text)
{
    if (Handler())
        Handler()(text);
}

TMessageHandler SetMessageHandler(TMessageHandler handler)
{
    TMessageHandler previous = std::move(Handler());
    Handler() = std::move(handler);
    return previous;
}

TMessageCapture::TMessageCapture()
{
    FPrevious = SetMessageHandler([this](const std::string& text) { FMessages.push_back(text); });
}

TMessageCapture::~TMessageCapture()
{
    SetMessageHandler(std::move(FPrevious));
}
