#include "session/DesktopRulesUnt.h"

#include <QFileInfo>
#include <QSettings>
#include <QStringList>

#include <algorithm>

namespace {
const char* const RecentGamesKey = "RecentGames";

QSettings ToolSettings() { return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Cogline", "Cogline Turn Generator"); }
} // namespace

std::string MainWindowCaption(const std::string& title, const std::string& version, const std::string* gameName,
    const std::string& fileName)
{
    std::string caption = title + " v" + version;
    if (!gameName)
        return caption;
    caption += " - " + *gameName;
    if (!fileName.empty())
        caption += " - " + QFileInfo(QString::fromStdString(fileName)).fileName().toStdString();
    // Qt's own placeholder: a "*" while the window is marked modified, nothing otherwise.
    return caption + "[*]";
}

std::vector<std::string> WithRecentGame(std::vector<std::string> recent, const std::string& fileName)
{
    recent.erase(std::remove(recent.begin(), recent.end(), fileName), recent.end());
    recent.insert(recent.begin(), fileName);
    if (recent.size() > RecentGamesMax)
        recent.resize(RecentGamesMax);
    return recent;
}

TRecentGamesCheck CheckRecentGames(const std::vector<std::string>& recent)
{
    TRecentGamesCheck check;
    for (const std::string& file : recent)
        (QFileInfo(QString::fromStdString(file)).isFile() ? check.Kept : check.Dropped).push_back(file);
    return check;
}

std::vector<std::string> LoadRecentGames()
{
    std::vector<std::string> recent;
    for (const QString& file : ToolSettings().value(RecentGamesKey).toStringList())
        if (!file.isEmpty() && recent.size() < RecentGamesMax)
            recent.push_back(file.toStdString());
    return recent;
}

void StoreRecentGames(const std::vector<std::string>& recent)
{
    QStringList files;
    for (const std::string& file : recent)
        files << QString::fromStdString(file);
    ToolSettings().setValue(RecentGamesKey, files);
}

std::string LoadWindowGeometry() { return ToolSettings().value("MainWindowGeometry").toByteArray().toStdString(); }

void StoreWindowGeometry(const std::string& geometry)
{
    ToolSettings().setValue("MainWindowGeometry", QByteArray::fromStdString(geometry));
}
