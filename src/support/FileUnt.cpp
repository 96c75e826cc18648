#include "support/FileUnt.h"

#include "support/ErrorsUnt.h"
#include "support/UtilsUnt.h"

#include <QSaveFile>

#include <cerrno>
#include <cstring>

void SaveBytesToFile(const std::string& fileName, std::string_view bytes)
{
    QSaveFile file(QString::fromStdString(fileName));
    if (!file.open(QIODevice::WriteOnly))
        throw EFileError(Format("Cannot create file \"%s\". %s", fileName.c_str(), file.errorString().toStdString().c_str()));
    auto length = static_cast<qint64>(bytes.size());
    errno = 0;
    if (file.write(bytes.data(), length) != length) {
        // A short write (a full disk) leaves Qt without a message of its own; the system's says why.
        int error = errno;
        std::string why = error != 0 ? std::strerror(error) : file.errorString().toStdString();
        throw EFileError(Format("Cannot write file \"%s\". %s", fileName.c_str(), why.c_str()));
    }
    if (!file.commit())
        throw EFileError(Format("Cannot write file \"%s\". %s", fileName.c_str(), file.errorString().toStdString().c_str()));
}
