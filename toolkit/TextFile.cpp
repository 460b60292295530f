#include "toolkit/TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "toolkit/CodePage_p.h"
#include "toolkit/SysUtils.h"

bool TLineBreakNormaliser::Feed(const char* data, size_t size)
{
    // The first CR, LF or NUL from P on, eight bytes at a time; the text between them is
    // copied in runs.
    auto special = [](const char* p, size_t n) {
        constexpr unsigned long long kOnes = 0x0101010101010101ull;
        constexpr unsigned long long kHigh = 0x8080808080808080ull;
        auto zeroBytes = [](unsigned long long v) { return (v - kOnes) & ~v & kHigh; };
        size_t i = 0;
        for (; i + 8 <= n; i += 8) {
            unsigned long long w;
            __builtin_memcpy(&w, p + i, 8);
            const unsigned long long hits =
                zeroBytes(w) | zeroBytes(w ^ (kOnes * '\r')) | zeroBytes(w ^ (kOnes * '\n'));
            if (hits) return i + static_cast<size_t>(__builtin_ctzll(hits)) / 8;
        }
        while (i < n && p[i] != '\r' && p[i] != '\n' && p[i] != '\0')
            ++i;
        return i;
    };
    size_t i = 0;
    if (FPendingCR && size > 0) {
        FOut += "\r\n";
        FPendingCR = false;
        if (data[0] == '\n') i = 1;
    }
    while (i < size) {
        const size_t j = i + special(data + i, size - i);
        FOut.append(data + i, j - i);
        if (j == size) break;
        if (data[j] == '\0') {
            FStopped = true;
            return false;
        }
        if (data[j] == '\r' && j + 1 == size) {
            FPendingCR = true;
            break;
        }
        FOut += "\r\n";
        i = j + (data[j] == '\r' && data[j + 1] == '\n' ? 2 : 1);
    }
    return true;
}

void TLineBreakNormaliser::Finish()
{
    if (FPendingCR) FOut += "\r\n";
    FPendingCR = false;
}

TLoadedText ReadTextFile(const std::string& fileName, size_t limit)
{
    // There are no share modes here to keep writers out; the file is read in one pass.
    QFile file(Cp1251ToQString(fileName));
    if (QFileInfo(file.fileName()).isDir() || !file.open(QIODevice::ReadOnly))
        throw EFOpenError(fileName);
    TLoadedText loaded;
    std::string& text = loaded.Text;
    text.reserve(std::min(static_cast<size_t>(std::max<qint64>(file.size(), 0)), limit) + 64);
    TLineBreakNormaliser normaliser(text);
    std::vector<char> buffer(size_t{1} << 20);
    // Reading ends at a NUL: what follows can never reach the view.
    for (;;) {
        const qint64 n = file.read(buffer.data(), static_cast<qint64>(buffer.size()));
        if (n < 0) throw EFOpenError(fileName);
        if (n == 0) break;
        const bool more = normaliser.Feed(buffer.data(), static_cast<size_t>(n));
        if (text.size() > limit) break;
        if (!more) break;
    }
    normaliser.Finish();
    loaded.CutAtNul = normaliser.Stopped();
    if (text.size() > limit) {
        loaded = TLoadedText();
        loaded.TooLong = true;
    }
    return loaded;
}

void WriteTextFile(const std::string& fileName, const std::vector<std::string_view>& pieces)
{
    const QString name = Cp1251ToQString(fileName);
    if (fileName.empty()) throw EFCreateError(fileName);
    // QSaveFile would replace a device node or fail oddly on a folder: refuse first.
    std::error_code ec;
    const auto status = std::filesystem::status(QFile::encodeName(name).toStdString(), ec);
    if (!ec && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
        throw EFCreateError(fileName);
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly)) throw EFCreateError(fileName);
    for (const std::string_view piece : pieces) {
        if (file.write(piece.data(), static_cast<qint64>(piece.size())) !=
            static_cast<qint64>(piece.size())) {
            file.cancelWriting();
            throw EFCreateError(fileName);
        }
    }
    if (!file.commit()) throw EFCreateError(fileName);
}
