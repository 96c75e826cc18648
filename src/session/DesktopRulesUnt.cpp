#include "session/DesktopRulesUnt.h"

#include <QDateTime>
#include <QDir>
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

namespace {

TRecoveryOffer MakeOffer(const QFileInfo& recovery, const std::string& gameFile, const QString& shownName)
{
    TRecoveryOffer offer;
    offer.RecoveryFile = recovery.absoluteFilePath().toStdString();
    offer.GameFile = gameFile;
    offer.Question = QString("Recover unsaved changes to \"%1\" from %2?")
                         .arg(shownName, recovery.lastModified().toString("yyyy-MM-dd HH:mm"))
                         .toStdString();
    return offer;
}

} // namespace

std::optional<TRecoveryOffer> RecoveryOfferFor(const std::string& gameFile)
{
    const QFileInfo game(QString::fromStdString(gameFile));
    const QFileInfo recovery(QString::fromStdString(gameFile + ".recovery"));
    if (!recovery.isFile())
        return std::nullopt;
    // A recovery file the game file has overtaken (saved by another copy of the tool, or put
    // back by hand) holds nothing newer.
    if (game.exists() && recovery.lastModified() <= game.lastModified())
        return std::nullopt;
    return MakeOffer(recovery, gameFile, game.fileName());
}

std::optional<TRecoveryOffer> RecoveryOfferAtStart(const std::vector<std::string>& gameFiles,
    const std::string& recoveryFolder)
{
    std::optional<TRecoveryOffer> newest;
    QDateTime newestTime;
    auto consider = [&](std::optional<TRecoveryOffer> offer) {
        if (!offer)
            return;
        const QDateTime time = QFileInfo(QString::fromStdString(offer->RecoveryFile)).lastModified();
        if (!newest || time > newestTime) {
            newest = std::move(offer);
            newestTime = time;
        }
    };
    for (const std::string& file : gameFiles)
        consider(RecoveryOfferFor(file));
    const QDir folder(QString::fromStdString(recoveryFolder));
    for (const QFileInfo& file : folder.entryInfoList({"*.cgx"}, QDir::Files))
        consider(MakeOffer(file, std::string(), file.completeBaseName()));
    return newest;
}
