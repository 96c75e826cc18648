#include "render/GameFolderUnt.h"

#include "support/UtilsUnt.h"

#include <QString>

std::string SafeFolderName(const std::string& gameName)
{
    // Linux allows 255 bytes in one name.
    constexpr qsizetype MaxNameBytes = 255;
    const QString forbidden = QStringLiteral("/\\<>:\"|?*");
    QString name = QString::fromStdString(gameName);
    for (QChar& c : name)
        if (c.category() == QChar::Other_Control || forbidden.contains(c))
            c = QLatin1Char('_');
    // "." and ".." are this folder and the one above it.
    if (!name.isEmpty() && name.count(QLatin1Char('.')) == name.size())
        name.fill(QLatin1Char('_'));
    if (name.isEmpty())
        name = QStringLiteral("Unnamed Game");
    while (name.toUtf8().size() > MaxNameBytes) {
        name.chop(1);
        // Never leave half of a surrogate pair behind.
        if (!name.isEmpty() && name.back().isHighSurrogate())
            name.chop(1);
    }
    return name.toStdString();
}

std::string GameFolder(const std::string& gameName) { return ExecutableFolder() + SafeFolderName(gameName) + "/"; }

std::string PhaseImagePath(const std::string& gameName, int x, int y, int phaseNumber, int turnNumber)
{
    const std::string tag = x == -1 || y == -1 ? std::string("Full") : Format("(%d, %d)", x, y);
    return GameFolder(gameName)
        + Format("%d/%s - Turn %d, Phase %d.jpg", turnNumber, tag.c_str(), turnNumber, phaseNumber);
}

std::string ScoreBoardImagePath(const std::string& gameName, int turnNumber)
{
    return GameFolder(gameName) + Format("Turn %d/Score Board Turn %d.jpg", turnNumber, turnNumber);
}
