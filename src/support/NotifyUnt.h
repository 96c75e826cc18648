#pragma once
#include <functional>
#include <string>
#include <vector>

// The core never shows anything itself: messages for the game master go through this one
// replaceable handler. The application installs a message box; tests capture the texts.
using TMessageHandler = std::function<void(const std::string&)>;

void ShowMessage(const std::string& text);
// Installs a handler and returns the previous one.
TMessageHandler SetMessageHandler(TMessageHandler handler);

// Collects every message shown while it lives, then puts the previous handler back.
class TMessageCapture {
public:
    TMessageCapture();
    ~TMessageCapture();
    TMessageCapture(const TMessageCapture&) = delete;
    TMessageCapture& operator=(const TMessageCapture&) = delete;
    const std::vector<std::string>& Messages() const { return FMessages; }
    void Clear() { FMessages.clear(); }

private:
    std::vector<std::string> FMessages;
    TMessageHandler FPrevious;
};
