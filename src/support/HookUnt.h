#pragma once
#include <functional>
#include <utility>

// A function that stands for a person's answer: a modal dialog, a file chooser, the desktop's
// opener. The tool calls it like any function; tests and other windows replace it to answer
// without a person, the way the notifier is replaced.
template <class TSignature>
class THook;

template <class R, class... A>
class THook<R(A...)> {
public:
    using TFunction = std::function<R(A...)>;

    explicit THook(TFunction standard)
        : FStandard(std::move(standard))
        , FCurrent(FStandard)
    {
    }

    R operator()(A... args) const { return FCurrent(std::forward<A>(args)...); }

    // Installs a replacement (an empty one puts the standard function back) and returns the
    // function it replaced.
    TFunction Replace(TFunction replacement)
    {
        TFunction previous = std::move(FCurrent);
        FCurrent = replacement ? std::move(replacement) : FStandard;
        return previous;
    }

private:
    TFunction FStandard;
    TFunction FCurrent;
};

// Replaces a hook's function while it lives, then puts the earlier one back.
template <class THookType>
class THookScope {
public:
    THookScope(THookType& hook, typename THookType::TFunction replacement)
        : FHook(hook)
        , FPrevious(hook.Replace(std::move(replacement)))
    {
    }
    ~THookScope() { FHook.Replace(std::move(FPrevious)); }
    THookScope(const THookScope&) = delete;
    THookScope& operator=(const THookScope&) = delete;

private:
    THookType& FHook;
    typename THookType::TFunction FPrevious;
};
