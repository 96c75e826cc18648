// The source folders form layers, and includes only point down them: support, xml, persist,
// model, render, session, windows, then the program. Each folder is a layer of its own, so no
// two folders include each other. Nothing below the windows includes a widget header. No
// header takes part in an include circle.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::map<std::string, int> LayerOfFolder = {
    {"support", 0}, {"xml", 1}, {"persist", 2}, {"model", 3}, {"render", 4}, {"session", 5}, {"windows", 6}, {"app", 7}};
// The layers that never include a widget: the core and the session.
constexpr int LastWidgetFreeLayer = 5;

struct TInclude {
    std::string File;  // relative to src/, for example "model/GameUnt.cpp"
    std::string Target; // as written between the quotes or angle brackets
    bool Quoted = true;
};

std::string FolderOf(const std::string& path) { return path.substr(0, path.find('/')); }

// Every include of the tree's headers and sources, each file named relative to the tree.
std::vector<TInclude> IncludesOfTree(const fs::path& src)
{
    static const std::regex include(R"(^\s*#\s*include\s*([<"])([^">]+)[">])");
    std::vector<TInclude> all;
    std::smatch match;
    for (const auto& entry : fs::recursive_directory_iterator(src)) {
        const std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp"))
            continue;
        const std::string relative = fs::relative(entry.path(), src).generic_string();
        std::ifstream in(entry.path());
        for (std::string line; std::getline(in, line);)
            if (std::regex_search(line, match, include))
                all.push_back({relative, match[2].str(), match[1].str() == "\""});
    }
    return all;
}

// Each include that points up the layers or into a folder that has no layer, as "file -> target".
std::vector<std::string> LayerViolations(const std::vector<TInclude>& includes)
{
    std::vector<std::string> found;
    for (const TInclude& include : includes) {
        if (!include.Quoted)
            continue;
        auto from = LayerOfFolder.find(FolderOf(include.File));
        auto to = LayerOfFolder.find(FolderOf(include.Target));
        if (from == LayerOfFolder.end() || to == LayerOfFolder.end() || to->second > from->second)
            found.push_back(include.File + " -> " + include.Target);
    }
    return found;
}

// Each file below the windows that includes a header of Qt Widgets.
std::vector<std::string> WidgetIncludesBelowWindows(const std::vector<TInclude>& includes, const fs::path& widgetHeaders)
{
    std::vector<std::string> found;
    for (const TInclude& include : includes) {
        auto from = LayerOfFolder.find(FolderOf(include.File));
        if (include.Quoted || from == LayerOfFolder.end() || from->second > LastWidgetFreeLayer)
            continue;
        const bool widgets = include.Target.rfind("QtWidgets", 0) == 0
            || (!widgetHeaders.empty() && fs::exists(widgetHeaders / include.Target));
        if (widgets)
            found.push_back(include.File + " -> " + include.Target);
    }
    return found;
}

// A circle of quoted includes among the project's own files, as "a -> b -> ... -> a"; empty
// when there is none. A .cpp counts as its header, since they are one unit.
std::string IncludeCircle(const std::vector<TInclude>& includes)
{
    auto unitOf = [](std::string name) {
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".cpp") == 0)
            name.replace(name.size() - 4, 4, ".h");
        return name;
    };
    std::map<std::string, std::set<std::string>> edges;
    for (const TInclude& include : includes)
        if (include.Quoted && LayerOfFolder.count(FolderOf(include.Target))) {
            const std::string from = unitOf(include.File);
            const std::string to = unitOf(include.Target);
            if (from != to)
                edges[from].insert(to);
        }
    std::map<std::string, int> state; // 1 on the path, 2 done
    std::vector<std::string> path;
    std::string circle;
    std::function<bool(const std::string&)> visit = [&](const std::string& unit) {
        state[unit] = 1;
        path.push_back(unit);
        for (const std::string& next : edges[unit]) {
            if (state[next] == 1) {
                for (auto it = std::find(path.begin(), path.end(), next); it != path.end(); ++it)
                    circle += *it + " -> ";
                circle += next;
                return true;
            }
            if (state[next] == 0 && visit(next))
                return true;
        }
        path.pop_back();
        state[unit] = 2;
        return false;
    };
    for (const auto& [unit, targets] : edges)
        if (state[unit] == 0 && visit(unit))
            break;
    return circle;
}

fs::path SourceFolder() { return fs::path(COGLINE_SOURCE_DIR) / "src"; }

} // namespace

TEST(Layering, TheRulesCatchWhatTheyAreFor)
{
    const std::vector<TInclude> bad = {
        {"model/GameUnt.cpp", "render/MapPictureUnt.h"},
        {"render/MapPictureUnt.cpp", "model/GameUnt.h"},
        {"support/UtilsUnt.cpp", "support/TextUnt.h"},
        {"model/ChitUnt.h", "map/BoardUnt.h"},
        {"windows/frmMainUnt.cpp", "session/GameSessionUnt.h"},
        {"session/GameSessionUnt.cpp", "windows/frmMainUnt.h"},
        {"windows/frmNewGameUnt.cpp", "app/main.cpp"},
        {"workflow/frmMainUnt.cpp", "model/GameUnt.h"},
    };
    EXPECT_EQ(LayerViolations(bad),
        (std::vector<std::string>{"model/GameUnt.cpp -> render/MapPictureUnt.h", "model/ChitUnt.h -> map/BoardUnt.h",
            "session/GameSessionUnt.cpp -> windows/frmMainUnt.h", "windows/frmNewGameUnt.cpp -> app/main.cpp",
            "workflow/frmMainUnt.cpp -> model/GameUnt.h"}));

    EXPECT_EQ(WidgetIncludesBelowWindows({{"render/MapPictureUnt.cpp", "QtWidgets/QWidget", false},
                                             {"session/ProgramRulesUnt.cpp", "QtWidgets/QListWidget", false},
                                             {"windows/frmMainUnt.cpp", "QtWidgets/QWidget", false},
                                             {"render/MapPictureUnt.cpp", "QImage", false}},
                  fs::path()),
        (std::vector<std::string>{"render/MapPictureUnt.cpp -> QtWidgets/QWidget", "session/ProgramRulesUnt.cpp -> QtWidgets/QListWidget"}));

    EXPECT_EQ(IncludeCircle({{"model/A.h", "model/B.h"}, {"model/B.cpp", "model/A.h"}}),
        "model/A.h -> model/B.h -> model/A.h");
    EXPECT_EQ(IncludeCircle({{"model/A.h", "model/B.h"}, {"model/A.cpp", "model/A.h"}}), "");
}

TEST(Layering, IncludesOfTheSourceTreeOnlyPointDown)
{
    const std::vector<TInclude> includes = IncludesOfTree(SourceFolder());
    ASSERT_GT(includes.size(), 100u);
    EXPECT_EQ(LayerViolations(includes), std::vector<std::string>());
    EXPECT_EQ(WidgetIncludesBelowWindows(includes, fs::path(COGLINE_QTWIDGETS_HEADERS)), std::vector<std::string>());
    EXPECT_EQ(IncludeCircle(includes), "");
}
