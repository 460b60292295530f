#include "toolkit/CodePage.h"

#include <QByteArray>
#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "toolkit/CodePage_p.h"

namespace {

constexpr uint8_t kNoByte = 0;

// Byte -> UTF-16 unit, and UTF-16 unit -> byte (kNoByte for none; NUL is handled apart).
struct TCodeTables
{
    std::array<char16_t, 256> toUnicode{};
    std::unique_ptr<std::array<uint8_t, 65536>> fromUnicode =
        std::make_unique<std::array<uint8_t, 65536>>();
};

const TCodeTables& Tables()
{
    static const TCodeTables tables = [] {
        TCodeTables t;
        QStringDecoder decoder("windows-1251");
        QStringEncoder encoder("windows-1251");
        if (!decoder.isValid() || !encoder.isValid()) {
            std::fprintf(stderr, "fatal: the windows-1251 converter is not available "
                                 "(Qt without ICU?)\n");
            std::abort();
        }
        t.fromUnicode->fill(kNoByte);
        for (int b = 0; b < 256; ++b) {
            const char byte = static_cast<char>(b);
            const QString s = decoder.decode(QByteArrayView(&byte, 1));
            if (s.size() != 1) {
                std::fprintf(stderr, "fatal: windows-1251 byte 0x%02X has no character\n", b);
                std::abort();
            }
            t.toUnicode[static_cast<size_t>(b)] = s.at(0).unicode();
            (*t.fromUnicode)[s.at(0).unicode()] = static_cast<uint8_t>(b);
        }
        return t;
    }();
    return tables;
}

} // namespace

void CheckCodePageSupport()
{
    (void)Tables();
}

QString Cp1251ToQString(std::string_view text)
{
    const auto& table = Tables().toUnicode;
    QString result(static_cast<qsizetype>(text.size()), Qt::Uninitialized);
    QChar* out = result.data();
    for (const char c : text)
        *out++ = QChar(table[static_cast<uint8_t>(c)]);
    return result;
}

bool IsCp1251Char(QChar ch)
{
    return ch.unicode() == 0 || (*Tables().fromUnicode)[ch.unicode()] != kNoByte;
}

std::string QStringToCp1251(const QString& text, bool paragraphsAsCrLf)
{
    const auto& table = *Tables().fromUnicode;
    std::string result;
    result.reserve(static_cast<size_t>(text.size()));
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = text.at(i).unicode();
        if (paragraphsAsCrLf &&
            (u == QChar::ParagraphSeparator || u == QChar::LineSeparator || u == u'\n')) {
            result += "\r\n";
            continue;
        }
        if (u == 0) {
            result.push_back('\0');
            continue;
        }
        const uint8_t b = table[u];
        if (b != kNoByte) {
            result.push_back(static_cast<char>(b));
            continue;
        }
        if (QChar::isHighSurrogate(u) && i + 1 < n && text.at(i + 1).isLowSurrogate()) ++i;
        result.push_back('?');
    }
    return result;
}

std::string Cp1251ToUtf8(std::string_view text)
{
    return Cp1251ToQString(text).toStdString();
}

std::string Utf8ToCp1251(std::string_view text)
{
    return QStringToCp1251(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

QString SanitizeForCp1251(const QString& text)
{
    const auto& table = *Tables().fromUnicode;
    QString result;
    const qsizetype n = text.size();
    qsizetype i = 0;
    // Most text is clean: return it untouched.
    while (i < n && text.at(i).unicode() != 0 && table[text.at(i).unicode()] != kNoByte)
        ++i;
    if (i == n) return text;
    result.reserve(n);
    result.append(QStringView(text).left(i));
    for (; i < n; ++i) {
        const char16_t u = text.at(i).unicode();
        if (u != 0 && table[u] != kNoByte) {
            result.append(QChar(u));
            continue;
        }
        if (QChar::isHighSurrogate(u) && i + 1 < n && text.at(i + 1).isLowSurrogate()) ++i;
        result.append(QLatin1Char('?'));
    }
    return result;
}

QString FileNameToQString(const std::string& fileName)
{
    return QFile::decodeName(QByteArray(fileName.data(), static_cast<qsizetype>(fileName.size())));
}

std::string QStringToFileName(const QString& name)
{
    return QFile::encodeName(name).toStdString();
}

bool FileNameSurvivesQt(const std::string& fileName)
{
    return QStringToFileName(FileNameToQString(fileName)) == fileName;
}

QString TextWithFileName(const std::string& text, const std::string& fileName)
{
    const size_t at = fileName.empty() ? std::string::npos : text.rfind(fileName);
    if (at == std::string::npos) return Cp1251ToQString(text);
    return Cp1251ToQString(std::string_view(text).substr(0, at)) + FileNameToQString(fileName) +
           Cp1251ToQString(std::string_view(text).substr(at + fileName.size()));
}

std::string TextWithFileNameToUtf8(const std::string& text, const std::string& fileName)
{
    return TextWithFileName(text, fileName).toStdString();
}
