#include "viewer/ImportDocument.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <vector>

#include "toolkit/CodePage.h"
#include "toolkit/Dialogs.h"
#include "toolkit/StdCtrls.h"
#include "toolkit/SysUtils.h"

namespace {

// Enough for every reader to know its own file by the start; a log is never read whole twice.
constexpr size_t HeadBytes = size_t{1} << 16;
// Another format is held whole while it is converted; beyond this it is refused.
constexpr size_t MaxSourceBytes = size_t{1} << 31;
// Each step divides the times by ten; a 64-bit time fits a 32-bit one after 19 of them.
constexpr int MaxCoarserSteps = 20;

// A failure that names a file: the error box shows the name as the file system has it.
class EImportError : public EFileError
{
public:
    // Before and After are cp1251 text around the file's name.
    EImportError(const std::string& fileName, const std::string& before, const std::string& after)
        : EFileError((Escaped(before) + "%s" + Escaped(after)).c_str(), fileName, 0)
    {
    }

private:
    static std::string Escaped(const std::string& text)
    {
        std::string escaped;
        for (const char c : text) {
            escaped += c;
            if (c == '%') escaped += '%';
        }
        return escaped;
    }
};

std::function<void(const std::string&)>& CoarserUnasked()
{
    static std::function<void(const std::string&)> told;
    return told;
}

std::string Cp(const char* utf8)
{
    return Utf8ToCp1251(utf8);
}

class TFd
{
public:
    explicit TFd(int fd) : FFd(fd) {}
    ~TFd()
    {
        if (FFd >= 0) ::close(FFd);
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int Get() const { return FFd; }

private:
    int FFd = -1;
};

// Up to Limit bytes of a regular file; false (errno set) when it cannot be read.
bool ReadRegularFile(int fd, size_t limit, std::string& bytes)
{
    char buffer[1 << 16];
    while (bytes.size() < limit) {
        const size_t want = std::min(sizeof buffer, limit - bytes.size());
        const ssize_t n = ::read(fd, buffer, want);
        if (n == 0) return true;
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.append(buffer, static_cast<size_t>(n));
    }
    return true;
}

std::string ReadWholeSource(const std::string& fileName)
{
    const TFd fd(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) throw EFOpenError(fileName, errno);
    struct stat st
    {
    };
    if (::fstat(fd.Get(), &st) != 0) throw EFOpenError(fileName, errno);
    if (!S_ISREG(st.st_mode)) throw EFOpenError(fileName, EINVAL);
    if (static_cast<uint64_t>(st.st_size) > MaxSourceBytes)
        throw EImportError(fileName, Cp("Файл "), Cp(" больше 2 ГиБ и не будет преобразован"));
    std::string bytes;
    bytes.reserve(static_cast<size_t>(st.st_size));
    if (!ReadRegularFile(fd.Get(), MaxSourceBytes + 1, bytes)) throw EFOpenError(fileName, errno);
    if (bytes.size() > MaxSourceBytes)
        throw EImportError(fileName, Cp("Файл "), Cp(" больше 2 ГиБ и не будет преобразован"));
    return bytes;
}

// Where and why, as the reader put it: "line 12: reason" or "zip entry metadata: reason".
std::string FaultText(int line, const std::string& entry, const std::string& reason)
{
    std::string where;
    if (line > 0)
        where = Format(Cp("строка %d").c_str(), line);
    else if (!entry.empty())
        where = Cp("элемент архива ") + entry;
    return where.empty() ? reason : where + ": " + reason;
}

[[noreturn]] void ThrowMalformed(const std::string& fileName, TFileFormat format,
                                 const std::string& fault)
{
    throw EImportError(fileName, Cp("Файл "),
                       Format(Cp(" (%s) не открыт: ").c_str(), FormatName(format)) + fault +
                           Cp(". Текст не изменён"));
}

// The name of a bit inside its scope: "bus[3]" of "top.bus[3]".
std::string ShortBitName(const std::string& bit, const std::string& scope)
{
    if (!scope.empty() && bit.size() > scope.size() + 1 &&
        bit.compare(0, scope.size(), scope) == 0 && bit[scope.size()] == '.')
        return bit.substr(scope.size() + 1);
    return bit;
}

// The bits for bits 0, 1, ... of the word, as the user picks them; false when cancelled.
bool ChooseSignals(const TImportListing& listing, std::vector<std::string>& chosen)
{
    TPickListRequest request;
    request.Title = Cp("Сигналы файла");
    request.Prompt = Format(Cp("Бит 0 слова — первый выбранный сигнал, бит 1 — второй, и так "
                               "далее (не больше %d).")
                                .c_str(),
                            request.MaxChosen);
    request.Columns = {Cp("Имя"), Cp("Область"), Cp("Ширина")};
    for (size_t i = 0; i < listing.Bits.size(); ++i) {
        const int s = i < listing.BitSignal.size() ? listing.BitSignal[i] : -1;
        const TImportSignal signal = s >= 0 && s < static_cast<int>(listing.Signals.size())
                                         ? listing.Signals[static_cast<size_t>(s)]
                                         : TImportSignal{listing.Bits[i], std::string(), 1};
        request.Rows.push_back({ShortBitName(listing.Bits[i], signal.Scope), signal.Scope,
                                std::to_string(signal.Width)});
    }
    const int defaults = std::min(static_cast<int>(listing.Bits.size()), request.MaxChosen);
    for (int i = 0; i < defaults; ++i)
        request.Chosen.push_back(i);
    std::vector<int> rows;
    // Nothing picked draws nothing: the same as cancelling.
    if (!ExecutePickList(request, rows) || rows.empty()) return false;
    if (rows.size() > static_cast<size_t>(request.MaxChosen))
        rows.resize(static_cast<size_t>(request.MaxChosen));
    chosen.clear();
    for (const int row : rows)
        chosen.push_back(listing.Bits[static_cast<size_t>(row)]);
    return true;
}

} // namespace

TFileFormat DetectFileFormat(const std::string& fileName)
{
    // Only a regular file is opened: a pipe's bytes read here would be missing from the log
    // load after it, and even opening a FIFO lets its writer start into a reader that leaves.
    struct stat st
    {
    };
    if (::stat(fileName.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return TFileFormat::Log;
    const TFd fd(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.Get() < 0) return TFileFormat::Log;
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return TFileFormat::Log;
    std::string head;
    if (!ReadRegularFile(fd.Get(), HeadBytes, head)) return TFileFormat::Log;
    // A line cut by the head's end would look malformed to a text format's check.
    if (static_cast<uint64_t>(st.st_size) > head.size()) {
        const auto lastBreak = head.find_last_of('\n');
        if (lastBreak != std::string::npos) head.resize(lastBreak + 1);
    }
    return DetectFormat(head);
}

TConvertedFile ConvertFile(const std::string& fileName, TFileFormat format)
{
    TConvertedFile converted;
    converted.Format = format;
    std::string bytes = ReadWholeSource(fileName);
    const TImportListing listing = ListSignals(format, bytes);
    if (listing.Status != TImportStatus::Converted)
        ThrowMalformed(fileName, format, FaultText(listing.Line, listing.Entry, listing.Reason));
    std::vector<std::string> signals;
    if (!listing.Bits.empty() && !ChooseSignals(listing, signals)) return converted;

    for (int coarser = 0;; ++coarser) {
        converted.Result = ImportFile(format, bytes, signals, coarser);
        const TImportResult& result = converted.Result;
        if (result.Status == TImportStatus::Converted) break;
        if (result.Status != TImportStatus::TimeOverflow || coarser >= MaxCoarserSteps)
            ThrowMalformed(fileName, format, FaultText(result.Line, result.Entry, result.Reason));
        if (CoarserUnasked()) {
            CoarserUnasked()(result.Reason + "; trying a unit ten times coarser");
            continue;
        }
        const std::string question =
            FaultText(result.Line, result.Entry, result.Reason) +
            Cp(".\nВремена не помещаются в 32-битную отметку времени. Взять единицу в 10 раз "
               "крупнее (времена будут поделены и округлены)?");
        if (MessageDlg(question, mtConfirmation, mbYesNo, 0) != mrYes) {
            converted.Declined = Cp("времена не помещаются в 32-битную отметку времени (") +
                                 result.Reason + Cp("), более крупная единица не выбрана");
            return converted;
        }
    }
    if (CoarserUnasked() && !converted.Result.Loss.empty()) CoarserUnasked()(converted.Result.Loss);
    converted.Converted = true;
    return converted;
}

void SetCoarserUnitsUnasked(std::function<void(const std::string& message)> told)
{
    CoarserUnasked() = std::move(told);
}

std::string ImportNote(const TConvertedFile& converted)
{
    const TImportResult& r = converted.Result;
    std::string note = Format(Cp("Преобразован файл %s: единица времени %s, сигналов %d.").c_str(),
                              FormatName(converted.Format), r.Unit.empty() ? "?" : r.Unit.c_str(),
                              static_cast<int>(r.Signals.size()));
    if (r.UnknownValues > 0)
        // The count in the words logview-render prints, so that both read alike.
        note += Format(Cp("\n%lld values were x or z (прочитаны как 0).").c_str(),
                       static_cast<long long>(r.UnknownValues));
    if (!r.Loss.empty()) note += Cp("\nПотеря точности: ") + r.Loss + ".";
    note += Cp("\nТекст ещё не сохранён.");
    return note;
}

std::string ImportCaptionSuffix(const TConvertedFile& converted)
{
    return Format(Cp(" — преобразован из %s, не сохранён").c_str(), FormatName(converted.Format));
}

std::string ProposedLogName(const std::string& source)
{
    std::filesystem::path proposed(source);
    proposed.replace_extension(".log");
    // A dump named *.log must not be proposed as its own target.
    if (proposed == std::filesystem::path(source))
        proposed.replace_filename(proposed.stem().string() + ".converted.log");
    return proposed.string();
}

std::string ReadoutTimeUnit(const std::string& unit)
{
    if (unit.empty()) return {};
    if (unit == "1 sample") return Cp("отсчётов");
    if (unit.size() > 2 && unit.compare(0, 2, "1 ") == 0) return unit.substr(2);
    // "10 us": a step of the times is ten microseconds.
    return Cp("× ") + unit;
}

void LoadOrConvert(TMemoStrings& lines, const std::string& fileName)
{
    const TFileFormat format = DetectFileFormat(fileName);
    if (format == TFileFormat::Log) {
        lines.LoadFromFile(fileName);
        return;
    }
    TConvertedFile converted = ConvertFile(fileName, format);
    if (!converted.Converted)
        throw EImportError(fileName, Cp("Файл "),
                           Cp(" не преобразован: ") + (converted.Declined.empty()
                                                           ? Cp("сигналы не выбраны")
                                                           : converted.Declined));
    lines.SetText(converted.Result.LogText);
}

void RefuseSavingOverSource(const std::string& source, const std::string& target)
{
    std::error_code ec;
    if (!std::filesystem::equivalent(source, target, ec) || ec) return;
    throw EImportError(target, Cp("Файл "),
                       Cp(" — исходный файл преобразования, он не будет перезаписан. Сохраните "
                          "текст под другим именем, например ") +
                           std::filesystem::path(ProposedLogName(source)).filename().string());
}
