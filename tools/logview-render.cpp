// logview-render: runs the viewer's own main window off-screen, loads a file as the
// command line does, and prints the waveform points or writes the window's picture.
// Exit status: 0 built, 1 a bad line stopped the build, 2 a file could not be read
// or an output (listing, picture) not written whole, 64 wrong usage (an output that is
// the input included). With --vcd: 1 when any line was bad (the others are converted all
// the same), 2 when the file could not be read or the dump written. With --decode: 1 when a
// bad line ended the samples decoded (protocol errors are items, not failures), 2 as above.
// With --find: 0 something matched, 3 nothing did, 1 a bad line ended the samples searched
// (whatever matched before it), 2 as above. With --convert: 0 converted, 2 the VCD, sigrok
// session or CSV could not be read, was malformed or the log not written, 64 a signal named
// that the file lacks or a file that is none of those (a log needs no converting). With --csv: 1
// when a bad line ended the rows (those before it written), 2 as above.
// Every option but --convert takes another program's file (VCD, sigrok session, CSV) as FILE,
// converted as the window converts it with the default signals (times too large in a coarser
// unit, as --convert does); a malformed one exits 2.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "formats/Import.h"
#include "formats/VcdExport.h"
#include "toolkit/CodePage.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Forms.h"
#include "toolkit/StdCtrls.h"
#include "toolkit/SysUtils.h"
#include "toolkit/TextFile.h"
#include "viewer/Decoding.h"
#include "viewer/ImportDocument.h"
#include "viewer/RenderTool.h"
#include "viewer/TextSamples.h"
#include "viewer/Unit1.h"
#include "viewer/Waveform.h"

namespace {

// Nobody is there to answer: file dialogs and questions are cancelled, and boxes are
// kept so that their messages can go to stderr instead of blocking.
class TCapturingDialogs : public TDialogProvider
{
public:
    bool ExecuteFileDialog(const TFileDialogRequest&, std::string&) override { return false; }
    TModalResult Confirm(const TMessageBoxRequest&) override { return mrNo; }
    void Information(const TMessageBoxRequest& request) override
    {
        Informations.push_back(request.Message);
    }
    void Error(const TMessageBoxRequest& request) override { Errors.push_back(request); }
    // Another program's file is converted with the signals the list starts with.
    bool ExecutePickList(const TPickListRequest& request, std::vector<int>& chosen) override
    {
        chosen = request.Chosen;
        return true;
    }

    std::vector<std::string> Informations;
    std::vector<TMessageBoxRequest> Errors;
};

void PrintError(const std::string& cp1251Text, const std::string& fileName = std::string())
{
    std::fprintf(stderr, "%s\n", TextWithFileNameToUtf8(cp1251Text, fileName).c_str());
}

// A file error with the system's reason, the name as the file system has it.
void PrintError(const std::exception& e)
{
    if (const auto* fileError = dynamic_cast<const EFileError*>(&e))
        PrintError(fileError->MessageWithReason(), fileError->FileName());
    else
        PrintError(e.what());
}

// Qt warns on stderr when the session has no runtime folder; the tool then gets a
// private one of its own for the run, so that stderr carries only its own messages.
class TRuntimeDir
{
public:
    TRuntimeDir()
    {
        const char* current = std::getenv("XDG_RUNTIME_DIR");
        if (current != nullptr && *current != '\0') return;
        std::string pattern = (std::filesystem::temp_directory_path() / "logview-render-XXXXXX");
        if (::mkdtemp(pattern.data()) == nullptr) return;
        FPath = pattern;
        setenv("XDG_RUNTIME_DIR", FPath.c_str(), 1);
    }
    ~TRuntimeDir()
    {
        if (FPath.empty()) return;
        std::error_code ec;
        std::filesystem::remove_all(FPath, ec);
    }
    TRuntimeDir(const TRuntimeDir&) = delete;
    TRuntimeDir& operator=(const TRuntimeDir&) = delete;

private:
    std::string FPath;
};

// Output through a buffer whose every write is checked, so that a full disk or a
// closed reader never passes for a complete listing; after the first failure the rest
// is dropped.
class TCheckedOutput
{
public:
    explicit TCheckedOutput(int fd) : FFd(fd) { FBuffer.reserve(Capacity); }
    TCheckedOutput(const TCheckedOutput&) = delete;
    TCheckedOutput& operator=(const TCheckedOutput&) = delete;

    void Append(std::string_view text)
    {
        if (FBuffer.size() + text.size() > Capacity) Flush();
        FBuffer.append(text);
    }
    void Append(char c)
    {
        if (FBuffer.size() == Capacity) Flush();
        FBuffer.push_back(c);
    }
    // False once any write failed; Error() has its errno.
    bool Flush()
    {
        size_t done = 0;
        while (done < FBuffer.size() && FError == 0) {
            const ssize_t n = ::write(FFd, FBuffer.data() + done, FBuffer.size() - done);
            if (n > 0)
                done += static_cast<size_t>(n);
            else if (n == 0)
                FError = ENOSPC;
            else if (errno != EINTR)
                FError = errno;
        }
        FBuffer.clear();
        return FError == 0;
    }
    int Error() const { return FError; }

private:
    static constexpr size_t Capacity = size_t{1} << 16;
    int FFd = -1;
    int FError = 0;
    std::string FBuffer;
};

void PrintPoints(int seriesNumber, const TChartSeries& series, TCheckedOutput& out)
{
    const std::string prefix = std::to_string(seriesNumber) + " ";
    for (int i = 0; i < series.PointCount() && out.Error() == 0; ++i) {
        out.Append(prefix);
        out.Append(FormatPointValue(series.PointX(i)));
        out.Append(' ');
        out.Append(FormatPointValue(series.PointY(i)));
        out.Append('\n');
    }
}

// Whether Output names the file Input names (through a link, another spelling or
// another hard link); an output that does not exist yet is none.
bool SameFile(const std::string& output, const std::string& input)
{
    struct stat a
    {
    };
    struct stat b
    {
    };
    return ::stat(output.c_str(), &a) == 0 && ::stat(input.c_str(), &b) == 0 &&
           a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Zooms Chart1 as a mouse rectangle spanning the plot's full height would: every side axis
// becomes manual, the time axis on the range, the chart raises its zoom event (so the window
// couples Chart2) and is marked for drawing.
void ZoomChart1(double from, double to)
{
    TChart* chart = Form1->Chart1;
    const TChartAxis* top = chart->TopAxis();
    const TChartAxis* left = chart->LeftAxis();
    const TChartAxis* right = chart->RightAxis();
    chart->ZoomToValues(top->Minimum(), top->Maximum(), from, to, left->Minimum(), left->Maximum(),
                        right->Minimum(), right->Maximum());
    chart->RequestRepaint();
}

int ListDecoded(const TRenderOptions& options, const TSampleModel& model, int usable);

// Each decoder goes to the chart showing its data line, else to the first chart without one.
void PlaceDecoders(const TRenderOptions& options)
{
    const std::vector<int>& bits = Form1->LastBuild().Bits;
    TWindowDecoding* decoding = Form1->Decoding();
    const int charts = static_cast<int>(Form1->WaveViews().size());
    for (size_t d = 0; d < options.Decoders.size(); ++d) {
        const int bit = DataBitOf(options.Decoders[d]);
        int chart = -1;
        for (int c = 0; c < charts && chart < 0; ++c)
            if (c < static_cast<int>(bits.size()) && bits[static_cast<size_t>(c)] == bit &&
                decoding->Decoder(c) == nullptr)
                chart = c;
        for (int c = 0; c < charts && chart < 0; ++c)
            if (decoding->Decoder(c) == nullptr) chart = c;
        std::string error;
        if (chart < 0 ||
            !decoding->SetDecoder(chart, options.DecoderTexts[d], options.Timescale, error))
            std::fprintf(stderr, "logview-render: --decode %s is not drawn: %s\n",
                         options.DecoderTexts[d].c_str(),
                         chart < 0 ? "every chart shows a decoder already" : error.c_str());
    }
}

int Run(const TRenderOptions& options, TCapturingDialogs& dialogs)
{
    Application->CreateForm(Form1);
    if (options.Width > 0) {
        Form1->SetClientWidth(options.Width);
        Form1->SetClientHeight(options.Height);
    }
    const std::vector<TWaveView> views = Form1->WaveViews();
    // The fields are set while the text view is still empty, so these builds cannot fail.
    for (size_t i = 0; i < views.size() && i < options.BitTexts.size(); ++i)
        views[i].BitField->SetText(Utf8ToCp1251(options.BitTexts[i]));
    dialogs.Informations.clear();

    // The name goes on as the shell gave it: the file system's bytes.
    const std::string& fileName = options.FileName;
    try {
        Form1->LoadStartupFile(fileName);
    } catch (const std::exception& e) {
        PrintError(e);
        return reCannotRead;
    }
    if (const int cutLine = Form1->Memo1->Lines()->CutLine(); cutLine >= 0)
        std::fprintf(stderr, "%s:%d: text cut at a NUL byte, the rest of the file not read\n",
                     fileName.c_str(), cutLine + 1);

    int status = reOk;
    const TWaveformBuildResult& build = Form1->LastBuild();
    if (!build.Succeeded) {
        status = reDataError;
        const std::string message =
            dialogs.Informations.empty() ? DataErrorMessage : dialogs.Informations.front();
        if (build.FailedLine >= 0)
            std::fprintf(stderr, "%s:%d: %s\n", options.FileName.c_str(), build.FailedLine + 1,
                         Cp1251ToUtf8(message).c_str());
        else
            PrintError(message);
    }

    if (options.Points) {
        std::fflush(stdout);
        TCheckedOutput out(STDOUT_FILENO);
        for (size_t i = 0; i < views.size(); ++i)
            PrintPoints(static_cast<int>(i + 1), *views[i].Series, out);
        if (!out.Flush()) {
            std::fprintf(stderr, "logview-render: the point listing was not written: %s\n",
                         std::strerror(out.Error()));
            status = reCannotWrite;
        }
    }

    if (!options.PngPath.empty() || options.Zoom) {
        // Nobody moves a pointer over this window, so no overlay is ever redrawn over a kept
        // picture of a chart: each chart draws straight into its own backing image, without
        // an off-screen frame beside it (a 16384-pixel square is 1 GiB a copy).
        for (const TWaveView& view : views)
            view.Chart->SetUseOffscreenImage(false);
        // Shown as a person would see it: the first sizing splits the chart area and
        // couples the charts.
        Form1->ShowForm();
        if (!options.Decoders.empty()) PlaceDecoders(options);
        Application->ProcessMessages();
        if (options.Zoom) {
            ZoomChart1(options.ZoomFrom, options.ZoomTo);
            Application->ProcessMessages();
        }
        if (!options.PngPath.empty()) {
            try {
                Form1->SaveImage(options.PngPath);
            } catch (const std::exception& e) {
                PrintError(e);
                status = reCannotWrite;
            }
        }
    }
    if (!options.Decoders.empty()) {
        const TSampleModel& model = Form1->TextSamples().Last();
        const int bad = model.FirstBadLine();
        const int listed = ListDecoded(options, model, bad >= 0 ? bad : model.SampleCount());
        if (listed == reCannotWrite) status = reCannotWrite;
    }
    // Errors the window would have shown in a box (none expected after the load).
    for (const TMessageBoxRequest& error : dialogs.Errors)
        PrintError(error.Message, error.FileName);
    return status;
}

// Loads the file as the window does (another program's file converted); false, with the
// reason reported, when it cannot be read.
bool LoadForTool(TMemo& memo, const std::string& fileName)
{
    try {
        LoadOrConvert(*memo.Lines(), fileName);
        return true;
    } catch (const std::exception& e) {
        PrintError(e);
        return false;
    }
}

// A bad line (0-based) as the build reports it.
void ReportBadLine(const std::string& fileName, int line)
{
    std::fprintf(stderr, "%s:%d: %s\n", fileName.c_str(), line + 1,
                 Cp1251ToUtf8(DataErrorMessage).c_str());
}

// Loads the file as the window does, converts every good line of its samples and reports
// every bad one.
int RunVcd(const TRenderOptions& options)
{
    TMemo memo;
    if (!LoadForTool(memo, options.FileName)) return reCannotRead;
    TTextSamples samples(*memo.Lines());
    const TSampleModel& model = samples.Current();
    for (const int line : model.BadLines())
        ReportBadLine(options.FileName, line);
    std::string dump = WriteVcd(model, options.Timescale);
    // The text is no longer needed; its room goes before the dump is written.
    memo.Lines()->Clear();
    try {
        WriteTextFile(options.VcdPath, {std::string_view(dump)});
    } catch (const std::exception& e) {
        PrintError(e);
        return reCannotWrite;
    }
    return model.BadLines().empty() ? reOk : reDataError;
}

// Loads the file as the window does and hands Use the samples before the first bad line, as
// the window builds them, reporting that line as the build does; Use's status stands, and a
// bad line makes it reDataError unless output was lost.
template <class F> int WithBuiltSamples(const TRenderOptions& options, F use)
{
    TMemo memo;
    if (!LoadForTool(memo, options.FileName)) return reCannotRead;
    TTextSamples samples(*memo.Lines());
    const TSampleModel& model = samples.Current();
    // The model keeps its own copy of the samples; the text's room goes before they are read.
    memo.Lines()->Clear();
    const int bad = model.FirstBadLine();
    if (bad >= 0) ReportBadLine(options.FileName, bad);
    // Every line before the first bad one is a sample.
    const int status = use(model, bad >= 0 ? bad : model.SampleCount());
    return status == reCannotWrite || bad < 0 ? status : reDataError;
}

// Every decoder's items of samples 0 .. Usable-1, all of them by start time.
int ListDecoded(const TRenderOptions& options, const TSampleModel& model, int usable)
{
    std::vector<TDecodedItems> decoded;
    for (const TDecoderSetup& setup : options.Decoders)
        decoded.push_back(DecodeItems(model, usable, setup));
    std::fflush(stdout);
    TCheckedOutput out(STDOUT_FILENO);
    const std::vector<TDecodedRef> merged = MergeDecoded(decoded);
    for (const TDecodedRef& n : merged) {
        if (out.Error() != 0) break;
        out.Append(DecodedLine(decoded[n.Decoder], n.Item, n.Decoder + 1));
    }
    if (!out.Flush()) {
        std::fprintf(stderr, "logview-render: the decoded items were not written: %s\n",
                     std::strerror(out.Error()));
        return reCannotWrite;
    }
    return reOk;
}

// Decodes with every decoder and lists the items of all of them by start time.
int RunDecode(const TRenderOptions& options)
{
    return WithBuiltSamples(options, [&](const TSampleModel& model, int usable) {
        return ListDecoded(options, model, usable);
    });
}

void AppendNumber(TCheckedOutput& out, long long value)
{
    char buffer[24];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.Append(std::string_view(buffer, static_cast<size_t>(r.ptr - buffer)));
}

// Every query's matches, query after query; reNothingFound when none matched.
int ListFound(const TRenderOptions& options, const TSampleModel& model, int usable)
{
    std::fflush(stdout);
    TCheckedOutput out(STDOUT_FILENO);
    bool found = false;
    for (size_t q = 0; q < options.Queries.size() && out.Error() == 0; ++q) {
        const std::vector<TFindMatch> matches = FindMatches(model, usable, options.Queries[q]);
        found = found || !matches.empty();
        for (const TFindMatch& match : matches) {
            if (out.Error() != 0) break;
            AppendNumber(out, static_cast<long long>(q + 1));
            out.Append('\t');
            AppendNumber(out, match.Line + 1LL);
            out.Append('\t');
            AppendNumber(out, match.Start);
            out.Append('\t');
            AppendNumber(out, match.End);
            out.Append('\n');
        }
    }
    if (!out.Flush()) {
        std::fprintf(stderr, "logview-render: the matches were not written: %s\n",
                     std::strerror(out.Error()));
        return reCannotWrite;
    }
    return found ? reOk : reNothingFound;
}

// Searches with every query and lists the matches query after query, each query's in time
// order: reNothingFound when none matched.
int RunFind(const TRenderOptions& options)
{
    return WithBuiltSamples(options, [&](const TSampleModel& model, int usable) {
        return ListFound(options, model, usable);
    });
}

// A dump is held whole while it is read; beyond this it is refused rather than risked.
constexpr size_t MaxDumpBytes = size_t{1} << 31;
// Ten to the 18th: no 64-bit time needs more to fit.
constexpr int MaxCoarser = 18;

// The file's bytes as they are: a session is a zip, which a text load would cut at its first
// NUL. False (errno set) when it cannot be read or is larger than Limit.
bool ReadFileBytes(const std::string& fileName, size_t limit, std::string& bytes, bool& tooLong)
{
    std::FILE* file = std::fopen(fileName.c_str(), "rb");
    if (file == nullptr) return false;
    bytes.clear();
    tooLong = false;
    // One allocation for a regular file of a known size: the dumps run to gigabytes.
    struct stat status
    {
    };
    if (fstat(fileno(file), &status) == 0 && S_ISREG(status.st_mode) &&
        static_cast<uintmax_t>(status.st_size) <= limit) {
        bytes.resize(static_cast<size_t>(status.st_size));
        bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    }
    char buffer[1 << 16];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        if (bytes.size() + n > limit) {
            tooLong = true;
            bytes = std::string();
            break;
        }
        bytes.append(buffer, n);
    }
    const bool failed = std::ferror(file) != 0;
    const int error = errno;
    std::fclose(file);
    errno = error;
    return !failed;
}

// Reads another program's file by its content, whatever its name, and writes the log of its
// chosen signals; times that do not fit are written in the next coarser unit that fits.
int RunConvert(const TRenderOptions& options)
{
    const std::string& fileName = options.FileName;
    std::string bytes;
    bool tooLong = false;
    if (!ReadFileBytes(fileName, MaxDumpBytes, bytes, tooLong)) {
        std::fprintf(stderr, "%s: %s\n", fileName.c_str(), std::strerror(errno));
        return reCannotRead;
    }
    if (tooLong) {
        std::fprintf(stderr, "%s: the file is larger than 2 GiB\n", fileName.c_str());
        return reCannotRead;
    }
    const TFileFormat format = DetectFormat(bytes);
    if (format == TFileFormat::Log) {
        std::fprintf(stderr,
                     "logview-render: %s is not a VCD, sigrok session or CSV; a log needs no "
                     "converting\n%s\n",
                     fileName.c_str(), RenderUsage);
        return reUsage;
    }
    // A text format read up to a NUL would pass a cut file for a whole one.
    if (format != TFileFormat::SigrokSession && bytes.find('\0') != std::string::npos) {
        std::fprintf(stderr, "%s: a NUL byte: this is no text %s\n", fileName.c_str(),
                     FormatName(format));
        return reCannotRead;
    }
    TImportResult converted;
    for (int coarser = 0;; ++coarser) {
        converted = ImportFile(format, bytes, options.Signals, coarser);
        if (converted.Status != TImportStatus::TimeOverflow || coarser == MaxCoarser) break;
        std::fprintf(stderr, "%s: %s; trying a unit ten times coarser\n", fileName.c_str(),
                     converted.Reason.c_str());
    }
    bytes = std::string();
    if (converted.Status == TImportStatus::UnknownSignal) {
        std::fprintf(stderr, "logview-render: --signals: %s\n", converted.Reason.c_str());
        return reUsage;
    }
    if (converted.Status != TImportStatus::Converted) {
        if (!converted.Entry.empty())
            std::fprintf(stderr, "%s: entry %s: %s\n", fileName.c_str(), converted.Entry.c_str(),
                         converted.Reason.c_str());
        else if (converted.Line > 0)
            std::fprintf(stderr, "%s:%d: %s\n", fileName.c_str(), converted.Line,
                         converted.Reason.c_str());
        else
            std::fprintf(stderr, "%s: %s\n", fileName.c_str(), converted.Reason.c_str());
        return reCannotRead;
    }
    std::fprintf(stderr, "%s, unit: %s\n", FormatName(format),
                 converted.Unit.empty() ? "not given by the file" : converted.Unit.c_str());
    if (!converted.Loss.empty()) std::fprintf(stderr, "%s\n", converted.Loss.c_str());
    if (converted.UnknownValues > 0)
        std::fprintf(stderr, "%lld values were x or z (read as 0)\n",
                     static_cast<long long>(converted.UnknownValues));
    if (converted.SkippedValues > 0)
        std::fprintf(stderr, "%lld real or string values skipped\n",
                     static_cast<long long>(converted.SkippedValues));
    try {
        WriteTextFile(options.ConvertPath, {std::string_view(converted.LogText)});
    } catch (const std::exception& e) {
        PrintError(e);
        return reCannotWrite;
    }
    return reOk;
}

// The samples before the first bad line as rows of time, word and bits 0 to 7. The word is
// written "0x1F" so that a spreadsheet keeps it as the hexadecimal text it is instead of
// reading "1E5" as a number.
int WriteCsv(const TRenderOptions& options, const TSampleModel& model, int usable)
{
    std::string table = "time,word,bit0,bit1,bit2,bit3,bit4,bit5,bit6,bit7\r\n";
    table.reserve(table.size() + static_cast<size_t>(usable) * 40);
    char buffer[16];
    for (int i = 0; i < usable; ++i) {
        auto r = std::to_chars(buffer, buffer + sizeof buffer, model.Time(i));
        table.append(buffer, r.ptr);
        table += ",0x";
        r = std::to_chars(buffer, buffer + sizeof buffer, model.Word(i), 16);
        for (const char* c = buffer; c != r.ptr; ++c)
            table += *c >= 'a' ? static_cast<char>(*c - 'a' + 'A') : *c;
        for (int bit = 0; bit < 8; ++bit) {
            table += ',';
            table += static_cast<char>('0' + model.Bit(i, bit));
        }
        table += "\r\n";
    }
    try {
        WriteTextFile(options.CsvPath, {std::string_view(table)});
    } catch (const std::exception& e) {
        PrintError(e);
        return reCannotWrite;
    }
    return reOk;
}

int RunCsv(const TRenderOptions& options)
{
    return WithBuiltSamples(options, [&](const TSampleModel& model, int usable) {
        return WriteCsv(options, model, usable);
    });
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    const TRenderParse parsed = ParseRenderArguments(args);
    if (!parsed.Ok) {
        std::fprintf(stderr, "logview-render: %s\n%s\n", parsed.Error.c_str(), RenderUsage);
        return reUsage;
    }
    if (parsed.Options.Help) {
        std::printf("%s\n", RenderUsage);
        return reOk;
    }
    // Written over its own input, the file would be lost before it was read.
    for (const std::string* output : {&parsed.Options.VcdPath, &parsed.Options.PngPath,
                                      &parsed.Options.ConvertPath, &parsed.Options.CsvPath}) {
        if (!output->empty() && SameFile(*output, parsed.Options.FileName)) {
            std::fprintf(stderr, "logview-render: the output %s is the input file %s\n%s\n",
                         output->c_str(), parsed.Options.FileName.c_str(), RenderUsage);
            return reUsage;
        }
    }

    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const TRuntimeDir runtimeDir;
    // The platform sees only the program name, so that no file name is taken for
    // one of its own options.
    int platformArgc = 1;
    char* platformArgv[] = {argv[0], nullptr};
    Application->Initialize(platformArgc, platformArgv);

    TCapturingDialogs dialogs;
    SetDialogProvider(&dialogs);
    // Times too large take a coarser unit as --convert does, every rounding told.
    const std::string& input = parsed.Options.FileName;
    SetCoarserUnitsUnasked([&input](const std::string& message) {
        std::fprintf(stderr, "%s: %s\n", input.c_str(), message.c_str());
    });
    const int status = !parsed.Options.ConvertPath.empty() ? RunConvert(parsed.Options)
                       : !parsed.Options.CsvPath.empty()   ? RunCsv(parsed.Options)
                       : !parsed.Options.Queries.empty()   ? RunFind(parsed.Options)
                       : !parsed.Options.Decoders.empty() && parsed.Options.PngPath.empty()
                           ? RunDecode(parsed.Options)
                       : parsed.Options.VcdPath.empty() ? Run(parsed.Options, dialogs)
                                                        : RunVcd(parsed.Options);
    // Freed here, while the platform is whole, rather than by the application's static
    // destructor at exit.
    delete Form1;
    Form1 = nullptr;
    SetDialogProvider(nullptr);
    SetCoarserUnitsUnasked(nullptr);
    return status;
}
