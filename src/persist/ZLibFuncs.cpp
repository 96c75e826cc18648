#include "persist/ZLibFuncs.h"

#include "support/ErrorsUnt.h"
#include "support/FileUnt.h"
#include "support/UtilsUnt.h"

#include <QFile>

#include <zlib.h>

#include <algorithm>
#include <new>
#include <vector>

namespace {

constexpr std::size_t BlockSize = 16384;
// Inflating into small blocks costs a copy of every block into zlib's window besides the copy
// into the text: a game's text is a few megabytes, inflated from a hundred kilobytes.
constexpr std::size_t TextBlockSize = 1 << 20;

std::string NotAGameFile(const std::string& fileName, const std::string& why)
{
    return Format("The file \"%s\" is not a Cogline game file: %s", fileName.c_str(), why.c_str());
}

class TInflater {
public:
    TInflater()
    {
        // Plain inflateInit takes the zlib format only: gzip or raw deflate data is refused.
        int status = inflateInit(&FStream);
        if (status == Z_MEM_ERROR)
            throw std::bad_alloc();
        if (status != Z_OK)
            throw EDecompressionError(Format("zlib cannot start decompressing (error %d)", status));
    }
    ~TInflater() { inflateEnd(&FStream); }
    TInflater(const TInflater&) = delete;
    TInflater& operator=(const TInflater&) = delete;
    z_stream& Stream() { return FStream; }

private:
    z_stream FStream{};
};

class TDeflater {
public:
    TDeflater()
    {
        int status = deflateInit(&FStream, Z_DEFAULT_COMPRESSION);
        if (status == Z_MEM_ERROR)
            throw std::bad_alloc();
        if (status != Z_OK)
            throw ECogline(Format("zlib cannot start compressing (error %d)", status));
    }
    ~TDeflater() { deflateEnd(&FStream); }
    TDeflater(const TDeflater&) = delete;
    TDeflater& operator=(const TDeflater&) = delete;

    // Compresses the bytes onto the output; with finish, ends the stream.
    void Add(std::string_view bytes, bool finish, std::string& out)
    {
        do {
            // avail_in holds 32 bits.
            const std::size_t now = std::min<std::size_t>(bytes.size(), 1u << 30);
            FStream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
            FStream.avail_in = static_cast<uInt>(now);
            bytes.remove_prefix(now);
            const int flush = finish && bytes.empty() ? Z_FINISH : Z_NO_FLUSH;
            int status;
            do {
                Bytef block[BlockSize];
                FStream.next_out = block;
                FStream.avail_out = sizeof block;
                status = deflate(&FStream, flush);
                if (status == Z_STREAM_ERROR)
                    throw ECogline("zlib cannot compress the game");
                out.append(reinterpret_cast<const char*>(block), sizeof block - FStream.avail_out);
            } while (FStream.avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END));
        } while (!bytes.empty());
    }

private:
    z_stream FStream{};
};

} // namespace

void CompressTextToFile(const TTextProducer& produce, const std::string& fileName)
{
    // Only the compressed bytes are held: a few percent of a game's text.
    TDeflater deflater;
    std::string data;
    produce([&](std::string_view piece) { deflater.Add(piece, false, data); });
    deflater.Add(std::string_view(), true, data);
    // A failed save keeps the previous game.
    SaveBytesToFile(fileName, data);
}

void CompressStringToFile(const std::string& text, const std::string& fileName)
{
    CompressTextToFile([&text](const std::function<void(std::string_view)>& consume) { consume(text); }, fileName);
}

std::string DecompressFileToString(const std::string& fileName, std::size_t maxTextSize)
{
    QFile file(QString::fromStdString(fileName));
    if (!file.open(QIODevice::ReadOnly))
        throw EFileError(Format("Cannot open file \"%s\". %s", fileName.c_str(), file.errorString().toStdString().c_str()));
    auto readBlock = [&](char* buffer, std::size_t size) {
        qint64 got = file.read(buffer, static_cast<qint64>(size));
        if (got < 0)
            throw EFileError(Format("Cannot read file \"%s\". %s", fileName.c_str(), file.errorString().toStdString().c_str()));
        return static_cast<std::size_t>(got);
    };

    TInflater inflater;
    z_stream& stream = inflater.Stream();
    std::vector<char> input(BlockSize);
    std::vector<char> output(TextBlockSize);
    std::string text;
    // Room for the text at once, from a ratio a little above that of real games (about 70 to
    // 80): growing by doubling would copy a campaign's text several times. Room left unused is
    // never touched, so it takes no memory.
    text.reserve(std::min({maxTextSize, GameFileTextLimit, std::max<std::size_t>(static_cast<std::size_t>(file.size()) * 96, TextBlockSize)}));
    bool anyInput = false;
    bool ended = false;
    while (!ended) {
        std::size_t got = readBlock(input.data(), input.size());
        if (got == 0)
            break;
        anyInput = true;
        stream.next_in = reinterpret_cast<Bytef*>(input.data());
        stream.avail_in = static_cast<uInt>(got);
        do {
            stream.next_out = reinterpret_cast<Bytef*>(output.data());
            stream.avail_out = static_cast<uInt>(output.size());
            int status = inflate(&stream, Z_NO_FLUSH);
            if (status == Z_MEM_ERROR)
                throw std::bad_alloc();
            if (status == Z_NEED_DICT)
                throw EDecompressionError(NotAGameFile(fileName, "it needs a preset dictionary"));
            if (status == Z_DATA_ERROR || status == Z_STREAM_ERROR)
                throw EDecompressionError(NotAGameFile(fileName, stream.msg ? stream.msg : "its data is damaged"));
            std::size_t produced = output.size() - stream.avail_out;
            if (produced > maxTextSize - text.size())
                throw EDecompressionError(NotAGameFile(fileName,
                    Format("it inflates to more than %zu bytes of text", maxTextSize)));
            text.append(output.data(), produced);
            ended = status == Z_STREAM_END;
        } while (!ended && stream.avail_out == 0);
    }
    if (!anyInput)
        throw EDecompressionError(NotAGameFile(fileName, "it is empty"));
    if (!ended)
        throw EDecompressionError(NotAGameFile(fileName, "it is cut short"));
    // Reading stops at the end of the stream: the stream's checksum vouches for the game, and
    // whatever a copy or transfer left behind it does not make the game unreadable.
    return text;
}
