#pragma once
#include <QImage>

#include <string>
#include <utility>
#include <vector>

// A picture encoded as a baseline JPEG of quality 90 in 24-bit colour. EImageError when there
// is no picture or the encoder fails.
std::string EncodeJpeg(const QImage& picture);

// Writes a picture as a baseline JPEG of quality 90 in 24-bit colour, making missing folders.
// An existing file is replaced only once the new one is complete.
void SaveJpegPicture(const QImage& picture, const std::string& fileName);

// Files to write together: name and bytes.
using TFileBytesList = std::vector<std::pair<std::string, std::string>>;
// Writes the files, making missing folders; EFileError naming the file and the reason.
void SavePictureFiles(const TFileBytesList& files);
