// The headless companion program: its option parsing, its number format, and
// the built program run on small files (exit codes, point listing, picture).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <span>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "toolkit/Graphics.h"
#include "viewer/RenderTool.h"

namespace fs = std::filesystem;

TEST(RenderOptions, ParsesEachOptionOrRefusesIt)
{
    struct Row
    {
        const char* name;
        std::vector<std::string> args;
        bool ok;
        std::string file, bits1, bits2;
    } rows[] = {
        {"file alone", {"a.log"}, true, "a.log", "0", "1"},
        {"bits as next argument", {"--bits", "3,7", "a.log"}, true, "a.log", "3", "7"},
        {"bits after equals", {"--bits=5,2", "a.log"}, true, "a.log", "5", "2"},
        {"bit 8 is no bit", {"--bits", "8,1", "a.log"}, false, "", "", ""},
        {"empty first bit text", {"--bits", ",1", "a.log"}, false, "", "", ""},
        {"second comma makes B no bit", {"--bits", "1,2,3", "a.log"}, false, "", "", ""},
        {"bit with a sign", {"--bits", "+1,2", "a.log"}, false, "", "", ""},
        {"second bit not a number", {"--bits", "1,x", "a.log"}, false, "", "", ""},
        {"file before options", {"a b.log", "--points"}, true, "a b.log", "0", "1"},
        {"dash dash ends options", {"--", "--points"}, true, "--points", "0", "1"},
        {"lone dash is a file", {"-"}, true, "-", "0", "1"},
        {"no file", {"--points"}, false, "", "", ""},
        {"empty file name", {""}, false, "", "", ""},
        {"two files", {"a.log", "b.log"}, false, "", "", ""},
        {"bits without comma", {"--bits", "3", "a.log"}, false, "", "", ""},
        {"bits without value", {"a.log", "--bits"}, false, "", "", ""},
        {"unknown option", {"--colour", "a.log"}, false, "", "", ""},
        {"value on a flag", {"--points=1", "a.log"}, false, "", "", ""},
        {"png without name", {"--png=", "a.log"}, false, "", "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const TRenderParse p = ParseRenderArguments(row.args);
        EXPECT_EQ(p.Ok, row.ok) << p.Error;
        if (!p.Ok || !row.ok) {
            EXPECT_EQ(p.Ok, !!p.Error.empty());
            continue;
        }
        EXPECT_EQ(p.Options.FileName, row.file);
        EXPECT_EQ(p.Options.BitTexts, (std::vector<std::string>{row.bits1, row.bits2}));
    }
}

TEST(RenderOptions, SizeAndZoomValues)
{
    struct Row
    {
        const char* name;
        std::vector<std::string> args;
        bool ok;
        int w, h;
        double t0, t1;
    } rows[] = {
        {"size", {"--size", "640x480", "f"}, true, 640, 480, 0, 0},
        {"size at the limit", {"--size=16384x1", "f"}, true, 16384, 1, 0, 0},
        {"size too large", {"--size", "16385x10", "f"}, false, 0, 0, 0, 0},
        {"size zero", {"--size", "0x10", "f"}, false, 0, 0, 0, 0},
        {"size negative", {"--size", "-5x10", "f"}, false, 0, 0, 0, 0},
        {"size with blank", {"--size", "640 x480", "f"}, false, 0, 0, 0, 0},
        {"size upper-case X", {"--size", "640X480", "f"}, false, 0, 0, 0, 0},
        {"zoom", {"--zoom", "10,250.5", "f"}, true, 0, 0, 10, 250.5},
        {"zoom negative and plus", {"--zoom=-5,+1e3", "f"}, true, 0, 0, -5, 1000},
        {"zoom not a number", {"--zoom", "a,5", "f"}, false, 0, 0, 0, 0},
        {"zoom infinite", {"--zoom", "0,inf", "f"}, false, 0, 0, 0, 0},
        {"zoom one value", {"--zoom", "5", "f"}, false, 0, 0, 0, 0},
        {"zoom decimal comma", {"--zoom", "1,5,2", "f"}, false, 0, 0, 0, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const TRenderParse p = ParseRenderArguments(row.args);
        ASSERT_EQ(p.Ok, row.ok) << p.Error;
        if (!row.ok) continue;
        EXPECT_EQ(p.Options.Width, row.w);
        EXPECT_EQ(p.Options.Height, row.h);
        EXPECT_EQ(p.Options.Zoom, row.t0 != 0 || row.t1 != 0);
        EXPECT_EQ(p.Options.ZoomFrom, row.t0);
        EXPECT_EQ(p.Options.ZoomTo, row.t1);
    }
}

TEST(RenderOptions, PointValuesReadBackExactly)
{
    struct Row
    {
        double value;
        const char* text;
    } rows[] = {
        {0, "0"},
        {150, "150"},
        {-5, "-5"},
        {1, "1"},
        {1000000, "1000000"},
        {2147483647, "2147483647"},
        {-2147483648.0, "-2147483648"},
        {0.1, "0.1"},
        {1.2, "1.2"},
        {-0.2, "-0.2"},
        {1e20, "1e+20"},
        {1e-7, "1e-07"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(FormatPointValue(row.value), row.text);
        EXPECT_EQ(std::strtod(FormatPointValue(row.value).c_str(), nullptr), row.value);
    }
}

namespace {

struct TRunResult
{
    int Status = -1;
    std::string Out;
    std::string Err;
    long PeakResidentKb = 0;
};

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class RenderProgram : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const char* binaryDir = std::getenv("LOGVIEW_BINARY_DIR");
        if (binaryDir == nullptr) GTEST_SKIP() << "LOGVIEW_BINARY_DIR is not set";
        Program = fs::path(binaryDir) / "logview-render";
        ASSERT_TRUE(fs::exists(Program)) << Program;
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        Dir = fs::temp_directory_path() /
              ("logview-render-" + std::to_string(getpid()) + "-" + info->name());
        fs::remove_all(Dir);
        fs::create_directories(Dir);
    }

    void TearDown() override
    {
        if (!Dir.empty()) fs::remove_all(Dir);
    }

    fs::path MakeFile(const std::string& name, const std::string& bytes)
    {
        const fs::path path = Dir / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    // Runs the program with Args, its output going to files that are read back (stdout to
    // Stdout instead when given).
    TRunResult Run(const std::vector<std::string>& args, const fs::path& stdoutPath = {})
    {
        const fs::path out = stdoutPath.empty() ? Dir / "stdout.txt" : stdoutPath;
        const fs::path err = Dir / "stderr.txt";
        const pid_t pid = fork();
        if (pid == 0) {
            // Qt would warn without a runtime folder; the program must not.
            unsetenv("XDG_RUNTIME_DIR");
            // A program that hangs fails the test instead of the whole run.
            alarm(60);
            const int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (outFd < 0 || errFd < 0) _exit(120);
            dup2(outFd, 1);
            dup2(errFd, 2);
            std::vector<char*> argv;
            argv.push_back(const_cast<char*>(Program.c_str()));
            for (const auto& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(Program.c_str(), argv.data());
            _exit(121);
        }
        TRunResult result;
        int status = 0;
        rusage usage{};
        if (pid > 0 && wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status))
            result.Status = WEXITSTATUS(status);
        result.PeakResidentKb = usage.ru_maxrss;
        if (stdoutPath.empty()) result.Out = ReadAll(out);
        result.Err = ReadAll(err);
        return result;
    }

    // A run whose listing on stdout, exit status and message are all checked; a bad line
    // (status 1) must also bring the data-error text.
    struct TListingRow
    {
        const char* name;
        std::vector<std::string> args;
        int status;
        std::string out;
        std::string err;
    };
    void CheckListings(std::span<const TListingRow> rows);

    fs::path Program;
    fs::path Dir;
};

const char* const DataError = "Ошибка в данных. Исправьте.";

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

void RenderProgram::CheckListings(std::span<const TListingRow> rows)
{
    for (const TListingRow& row : rows) {
        SCOPED_TRACE(row.name);
        const TRunResult r = Run(row.args);
        EXPECT_EQ(r.Status, row.status) << r.Err;
        EXPECT_EQ(r.Out, row.out);
        EXPECT_TRUE(Contains(r.Err, row.err)) << r.Err;
        if (row.status == 1) {
            EXPECT_TRUE(Contains(r.Err, DataError)) << r.Err;
        }
    }
}

// Width and height from a PNG's header chunk; 0 x 0 when it is no PNG.
std::pair<int, int> PngSize(const std::string& bytes)
{
    if (bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return {0, 0};
    auto be32 = [&](size_t at) {
        int v = 0;
        for (size_t i = 0; i < 4; ++i)
            v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
        return v;
    };
    return {be32(16), be32(20)};
}

} // namespace

TEST_F(RenderProgram, PointsOfBothSeriesInIndexOrder)
{
    const fs::path file = MakeFile("two.log", "10:1\n20:2\n");
    struct Row
    {
        const char* name;
        std::vector<std::string> options;
        std::string out;
    } rows[] = {
        {"default bits 0,1",
         {"--points"},
         "1 0 0\n1 10 0\n1 10 1\n1 20 1\n1 20 0\n2 0 0\n2 10 0\n2 10 0\n2 20 0\n2 20 1\n"},
        {"bits 1,0",
         {"--bits", "1,0", "--points"},
         "1 0 0\n1 10 0\n1 10 0\n1 20 0\n1 20 1\n2 0 0\n2 10 0\n2 10 1\n2 20 1\n2 20 0\n"},
        {"no listing without --points", {}, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::string> args = row.options;
        args.push_back(file.string());
        const TRunResult r = Run(args);
        EXPECT_EQ(r.Status, 0) << r.Err;
        EXPECT_EQ(r.Out, row.out);
        EXPECT_FALSE(Contains(r.Err, DataError));
    }
}

TEST_F(RenderProgram, ExitCodesAndMessages)
{
    const fs::path bad = MakeFile("bad.log", "-5:1\n10:0\n1O:1\n30:1\n");
    const fs::path good = MakeFile("good.log", "10:1\n");
    const fs::path empty = MakeFile("empty.log", "");
    const std::string missing = (Dir / "missing.log").string();
    struct Row
    {
        const char* name;
        std::vector<std::string> args;
        int status;
        std::string out, errPart;
    } rows[] = {
        {"bad third line keeps the points before it",
         {"--points", bad.string()},
         1,
         "1 -5 0\n1 -5 1\n1 0 0\n1 10 1\n1 10 0\n2 -5 0\n2 -5 0\n2 0 0\n2 10 0\n2 10 0\n",
         bad.string() + ":3: " + DataError},
        {"bit 8 is wrong usage, not a bad first line",
         {"--bits", "8,1", "--points", good.string()},
         64,
         "",
         "--bits: '8' is no bit number 0 to 7"},
        {"empty bit text is wrong usage too",
         {"--bits", ",1", good.string()},
         64,
         "",
         "'' is no bit"},
        {"bit 8 is wrong usage even without lines",
         {"--bits=8,1", "--points", empty.string()},
         64,
         "",
         "usage: logview-render"},
        {"missing file",
         {"--points", missing},
         2,
         "",
         "Cannot open file " + missing + ": No such file or directory\n"},
        {"folder as file", {Dir.string()}, 2, "", "Cannot open file " + Dir.string()},
        {"no file", {"--points"}, 64, "", "usage: logview-render"},
        {"unknown option", {"--frobnicate", good.string()}, 64, "", "usage: logview-render"},
        {"bad size", {"--size", "0x5", good.string()}, 64, "", "usage: logview-render"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const TRunResult r = Run(row.args);
        EXPECT_EQ(r.Status, row.status) << r.Err;
        EXPECT_EQ(r.Out, row.out);
        EXPECT_TRUE(Contains(r.Err, row.errPart)) << r.Err;
    }
}

TEST_F(RenderProgram, BundledExamples)
{
    const char* sourceDir = std::getenv("LOGVIEW_SOURCE_DIR");
    if (sourceDir == nullptr) GTEST_SKIP() << "LOGVIEW_SOURCE_DIR is not set";
    const fs::path examples = fs::path(sourceDir) / "examples";
    for (const char* name : {"counter.log", "serial.sti", "cr-only.log"}) {
        SCOPED_TRACE(name);
        const TRunResult r = Run({"--points", (examples / name).string()});
        EXPECT_EQ(r.Status, 0) << r.Err;
        EXPECT_TRUE(Contains(r.Out, "1 0 0\n"));
    }
    const TRunResult bad = Run({(examples / "bad-line.log").string()});
    EXPECT_EQ(bad.Status, 1);
    EXPECT_TRUE(Contains(bad.Err, DataError)) << bad.Err;
}

TEST_F(RenderProgram, PictureOfTheWindow)
{
    const fs::path file = MakeFile("wave.log", "0:0\n100:1\n200:0\n300:1\n400:0\n500:1\n");
    const fs::path plain = Dir / "plain.png";
    const fs::path zoomed = Dir / "zoomed.png";
    TRunResult r = Run({"--png", plain.string(), "--size", "640x360", file.string()});
    ASSERT_EQ(r.Status, 0) << r.Err;
    const std::string plainBytes = ReadAll(plain);
    EXPECT_EQ(PngSize(plainBytes), std::make_pair(640, 360));

    r = Run({"--png=" + zoomed.string(), "--size=640x360", "--zoom", "150,250", file.string()});
    ASSERT_EQ(r.Status, 0) << r.Err;
    const std::string zoomedBytes = ReadAll(zoomed);
    EXPECT_EQ(PngSize(zoomedBytes), std::make_pair(640, 360));
    EXPECT_NE(zoomedBytes, plainBytes);

    // The default size is the layout's own.
    r = Run({"--png", plain.string(), file.string()});
    ASSERT_EQ(r.Status, 0) << r.Err;
    const auto size = PngSize(ReadAll(plain));
    EXPECT_GE(size.first, 1009);
    EXPECT_GE(size.second, 490);

    r = Run({"--png", (Dir / "no such folder" / "x.png").string(), file.string()});
    EXPECT_EQ(r.Status, 2);
    EXPECT_TRUE(Contains(r.Err, "Cannot create file " +
                                    (Dir / "no such folder" / "x.png").string() +
                                    ": No such file or directory"))
        << r.Err;
}

// A decoder's items are drawn in the chart showing its data line, else in the upper one; the
// rest of the picture stays as without decoders.
TEST_F(RenderProgram, PictureShowsDecodedItemsInTheirChart)
{
    // 'A' (0x41) on bits 1 and 7 from 100, 100 units a bit, 8N1.
    std::string text = "0:FF\n";
    for (int k = 0; k < 10; ++k) {
        const int level = k == 0 ? 0 : k == 9 ? 1 : (0x41 >> (k - 1)) & 1;
        text += std::to_string(100 + 100 * k) + ":" + (level ? "FF" : "7D") + "\n";
    }
    const fs::path file = MakeFile("uart.log", text + "1500:FF\n");
    const fs::path plain = Dir / "plain.png";
    ASSERT_EQ(Run({"--png", plain.string(), "--size", "640x360", file.string()}).Status, 0);
    TBitmap expected;
    expected.LoadFromFile(plain.string());
    struct Row
    {
        const char* decoder;
        bool lower;
    } rows[] = {{"uart:rx=1,bit=100", true}, {"uart:rx=7,bit=100", false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.decoder);
        const fs::path png = Dir / "decoded.png";
        const TRunResult r = Run(
            {"--decode", row.decoder, "--png", png.string(), "--size", "640x360", file.string()});
        ASSERT_EQ(r.Status, 0) << r.Err;
        EXPECT_EQ(r.Out, "1\t100\t1100\tdata\t41\tA\n");
        TBitmap actual;
        actual.LoadFromFile(png.string());
        ASSERT_EQ(actual.Width(), expected.Width());
        ASSERT_EQ(actual.Height(), expected.Height());
        // The charts share the area below the 41-pixel button bar in halves.
        const int middle = 41 + (expected.Height() - 41) / 2;
        int upper = 0;
        int lower = 0;
        for (int y = 0; y < expected.Height(); ++y)
            for (int x = 0; x < expected.Width(); ++x)
                if (actual.PixelColor(x, y) != expected.PixelColor(x, y))
                    ++(y < middle ? upper : lower);
        EXPECT_EQ(upper > 0, !row.lower);
        EXPECT_EQ(lower > 0, row.lower);
    }
}

TEST_F(RenderProgram, HostileFilesEndCleanlyWithTheirOwnMessages)
{
    const fs::path good = MakeFile("日本語.log", "10:1\n20:0\n");
    const fs::path cut = MakeFile("cut.log", std::string("10:1\n20:0\n30:1\0\n40:1\n", 21));
    const fs::path fifo = Dir / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const fs::path png = Dir / "図.png";
    struct Row
    {
        const char* name;
        std::vector<std::string> args;
        std::string out, err;
    } rows[] = {
        // The only message on stderr is the program's own (no platform warning).
        {"a name outside cp1251, picture too",
         {"--points", "--png", png.string(), "--size", "64x48", good.string()},
         "1 0 0\n1 10 0\n1 10 1\n1 20 1\n1 20 0\n2 0 0\n2 10 0\n2 10 0\n2 20 0\n2 20 0\n",
         ""},
        {"a NUL tells the line it cut",
         {"--points", "--bits", "0,0", cut.string()},
         "1 0 0\n1 10 0\n1 10 1\n1 20 1\n1 20 0\n1 30 0\n1 30 1\n"
         "2 0 0\n2 10 0\n2 10 1\n2 20 1\n2 20 0\n2 30 0\n2 30 1\n",
         cut.string() + ":3: text cut at a NUL byte, the rest of the file not read\n"},
        {"a FIFO nobody writes to is empty at once",
         {"--points", fifo.string()},
         "1 0 0\n2 0 0\n",
         ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const TRunResult r = Run(row.args);
        EXPECT_EQ(r.Status, 0) << r.Err;
        EXPECT_EQ(r.Out, row.out);
        EXPECT_EQ(r.Err, row.err);
    }
    EXPECT_EQ(PngSize(ReadAll(png)), std::make_pair(64, 48));

    // A pipe with more data than its buffer holds is read to its end.
    std::string lines;
    for (int t = 1; t <= 20000; ++t)
        lines += std::to_string(t * 10) + ":" + (t % 2 != 0 ? "1" : "0") + "\n";
    std::thread writer([&] { std::ofstream(fifo, std::ios::binary) << lines; });
    const TRunResult r = Run({"--points", fifo.string()});
    writer.join();
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(std::count(r.Out.begin(), r.Out.end(), '\n'), 2 * (1 + 2 * 20000));
    EXPECT_TRUE(Contains(r.Out, "1 200000 0\n2 0 0\n"));
    EXPECT_TRUE(r.Out.ends_with("2 200000 0\n"));
}

TEST_F(RenderProgram, OutputsAreCheckedAndNeverTheInput)
{
    const std::string bytes = "10:1\n20:2\n";
    const fs::path input = MakeFile("in.log", bytes);
    const fs::path hard = Dir / "hard.log";
    fs::create_hard_link(input, hard);
    const fs::path soft = Dir / "soft.log";
    fs::create_symlink(input.filename(), soft);
    const std::string dotted = (Dir / "." / "in.log").string();
    struct Row
    {
        const char* name;
        std::vector<std::string> args;
        fs::path stdoutPath;
        int status;
        std::string errPart;
    } rows[] = {
        {"dump over its input",
         {"--vcd", input.string(), input.string()},
         {},
         64,
         "is the input file"},
        {"picture over its input",
         {"--png", input.string(), input.string()},
         {},
         64,
         "is the input file"},
        {"dump over another spelling",
         {"--vcd", dotted, input.string()},
         {},
         64,
         "is the input file"},
        {"dump over a hard link",
         {"--vcd", hard.string(), input.string()},
         {},
         64,
         "is the input file"},
        {"picture over a symbolic link",
         {"--png", soft.string(), input.string()},
         {},
         64,
         "is the input file"},
        {"listing to a full disk",
         {"--points", input.string()},
         "/dev/full",
         2,
         "the point listing was not written: No space left on device"},
        {"dump to a full disk",
         {"--vcd", "/dev/full", input.string()},
         {},
         2,
         "Cannot create file /dev/full"},
        {"bit 9", {"--bits", "9,0", input.string()}, {}, 64, "'9' is no bit number"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const TRunResult r = Run(row.args, row.stdoutPath);
        EXPECT_EQ(r.Status, row.status) << r.Err;
        EXPECT_TRUE(Contains(r.Err, row.errPart)) << r.Err;
        EXPECT_EQ(ReadAll(input), bytes);
        EXPECT_TRUE(fs::is_symlink(soft));
    }
}

TEST_F(RenderProgram, PointListingIsWrittenAsItIsMade)
{
    // A million lines list four million points, some 40 MB of text.
    std::string lines;
    for (int t = 1; t <= 1000000; ++t)
        lines += std::to_string(t) + (t % 2 != 0 ? ":1\n" : ":0\n");
    const fs::path file = MakeFile("million.log", lines);
    const TRunResult plain = Run({file.string()}, "/dev/null");
    const TRunResult listed = Run({"--points", file.string()}, "/dev/null");
    ASSERT_EQ(plain.Status, 0) << plain.Err;
    ASSERT_EQ(listed.Status, 0) << listed.Err;
    EXPECT_LT(listed.PeakResidentKb - plain.PeakResidentKb, 16 * 1024)
        << "kB more held with the listing than without";
}

// --decode end to end: the columns, decoders merged by start time, the samples before a bad
// line decoded, and a wrong setup refused naming its key.
TEST_F(RenderProgram, DecodeListsItemsOfEveryDecoder)
{
    // Bit 0 sends 'U' (0x55) from 100, bit 1 'A' (0x41) from 150, 100 units a bit, 8N1; a
    // line every 50 units, two of them out of time order.
    const auto level = [](int t, int start, int byte) {
        const int bit = t < start ? 9 : (t - start) / 100;
        return bit == 0 ? 0 : bit <= 8 ? (byte >> (bit - 1)) & 1 : 1;
    };
    std::string frames;
    for (const int t : {0,   50,  100, 150, 200, 250, 300, 350, 400,  450,  500,  550,
                        600, 650, 700, 750, 800, 850, 900, 950, 1000, 1100, 1050, 1200})
        frames += std::to_string(t) + ":" +
                  std::to_string(level(t, 100, 0x55) | level(t, 150, 0x41) << 1) + "\n";
    const fs::path good = MakeFile("good.log", frames);
    const fs::path bad = MakeFile("bad.log", "0:1\n10:0\n20:1\noops\n30:0\n");
    const TListingRow rows[] = {
        {"two decoders merged by start",
         {"--decode", "uart:rx=1,baud=10", "--decode=uart:rx=0,bit=100", "--timescale", "1 ms",
          good.string()},
         0,
         "2\t100\t1100\tdata\t55\tU\n1\t150\t1150\tdata\t41\tA\n",
         ""},
        {"fractional bit length, protocol errors are output",
         {"--decode", "uart:rx=0,bit=100.5,parity=even,stop=2", good.string()},
         0,
         "1\t100\t1306\tdata\t55\tU\n1\t1004.5\t1105\tparity-error\t\n",
         ""},
        {"samples before a bad line decoded, the line reported",
         {"--decode", "uart:rx=0,bit=5,data=5", bad.string()},
         1,
         "1\t10\t45\tdata\t1E\n",
         "bad.log:4: "},
        {"unknown key",
         {"--decode", "uart:rx=0,speed=9600", good.string()},
         64,
         "",
         "speed: unknown key"},
        {"both baud and bit",
         {"--decode", "uart:rx=0,bit=5,baud=9600", good.string()},
         64,
         "",
         "baud and bit"},
        {"decode with a picture: the items listed as well",
         {"--decode", "uart:rx=1,bit=100", "--png", (Dir / "decoded.png").string(), "--size",
          "400x300", good.string()},
         0,
         "1\t150\t1150\tdata\t41\tA\n",
         ""},
        {"decode with points",
         {"--decode", "i2c:scl=0,sda=1", "--points", good.string()},
         64,
         "",
         "--decode takes no"},
        {"missing file", {"--decode", "uart:rx=0", (Dir / "none.log").string()}, 2, "", "none.log"},
    };
    CheckListings(rows);
}

// --find end to end: the columns, queries one after another in option order with each one's
// matches in time order (lines out of time order included), the exit status telling found
// from nothing found, a bad line winning over both with the matches before it still listed.
TEST_F(RenderProgram, FindListsMatchesOfEveryQuery)
{
    const fs::path good = MakeFile("find.log", "0:0\n10:1\n12:0\n30:1\n30:0\n50:3\n45:2\n100:0\n");
    const fs::path bad = MakeFile("findbad.log", "0:0\n5:1\nnot a sample\n9:0\n");
    const TListingRow rows[] = {
        {"every kind, in option order",
         {"--find", "pulse:bit=0,level=high,longer=1", "--find=word:1x", "--find", "gap:longer=40",
          "--find", "edge:bit=1,dir=fall", good.string()},
         0,
         "1\t2\t10\t12\n1\t6\t50\t100\n2\t7\t45\t45\n2\t6\t50\t50\n3\t6\t50\t100\n"
         "4\t8\t100\t100\n",
         ""},
        {"a spike at one time is two edges",
         {"--find", "edge:bit=0,dir=any", good.string()},
         0,
         "1\t2\t10\t10\n1\t3\t12\t12\n1\t4\t30\t30\n1\t5\t30\t30\n1\t6\t50\t50\n1\t8\t100\t100\n",
         ""},
        {"nothing found",
         {"--find", "word:111", "--find", "gap:longer=50", good.string()},
         3,
         "",
         ""},
        {"matches before a bad line, the line reported",
         {"--find", "edge:bit=0", bad.string()},
         1,
         "1\t2\t5\t5\n",
         "findbad.log:3: "},
        {"a bad line wins over nothing found",
         {"--find", "word:10", bad.string()},
         1,
         "",
         "findbad.log:3: "},
        {"wrong query names the reason",
         {"--find", "pulse:bit=0,level=high,shorter=2.5", good.string()},
         64,
         "",
         "shorter: bad value '2.5'"},
        {"find with a timescale",
         {"--find", "gap:longer=1", "--timescale", "1 ms", good.string()},
         64,
         "",
         "--find takes no"},
        {"find with a decoder",
         {"--find", "gap:longer=1", "--decode", "uart:rx=0", good.string()},
         64,
         "",
         "--find takes no"},
        {"missing file", {"--find", "edge:bit=0", (Dir / "none.log").string()}, 2, "", "none.log"},
    };
    CheckListings(rows);
}

// --convert and --csv end to end: the file each writes, the exit status and the message, for
// the faults a user meets (a signal the dump lacks, a cut dump, a log given as a dump, an
// output over the input, a bad log line ending the rows).
TEST_F(RenderProgram, ConvertAndCsvWriteTheirFiles)
{
    // Named .txt: a dump is known by its content.
    const fs::path dump = MakeFile("dump.txt", "$timescale 100 ps $end\n"
                                               "$scope module top $end\n"
                                               "$var wire 1 ! clk $end\n"
                                               "$var wire 2 # bus [1:0] $end\n"
                                               "$upscope $end\n$enddefinitions $end\n"
                                               "#0\n$dumpvars\nx!\nb10 #\n$end\n"
                                               "#40\n1!\n#50\nb11 #\n#60\n1!\n");
    const fs::path cut = MakeFile("cut.vcd", "$var wire 1 ! clk $end\n$enddefinitions $end\n"
                                             "#0\n1!\n#4294967296\n0!\n");
    const fs::path log = MakeFile("a.log", "0:0\n10:1e5\n10:3\n");
    const fs::path bad = MakeFile("bad.log", "0:0\n7:80\nnot a sample\n9:0\n");
    const fs::path csv = MakeFile("scope.txt", "; an analyzer's export\nTime [ms],CLK,CS\n"
                                               "0.5,0,1\n1.25,1,1\n2,1,0\n");
    std::ifstream sessionFile(std::string(std::getenv("LOGVIEW_SOURCE_DIR")) +
                                  "/tests/formats/data/demo.sr",
                              std::ios::binary);
    const std::string session{std::istreambuf_iterator<char>(sessionFile), {}};
    const fs::path cutSession = MakeFile("cut.sr", session.substr(0, session.size() / 2));
    const fs::path out = Dir / "out";
    struct Row
    {
        const char* name;
        std::vector<std::string> args;
        int status;
        std::string err;
        // Unset: no output file may be left.
        std::optional<std::string> written;
    } rows[] = {
        {"a dump, every signal",
         {"--convert", out.string(), dump.string()},
         0,
         "1 values were x or z",
         "0:4\r\n40:5\r\n50:7"},
        {"a dump, the signals named in their order",
         {"--convert=" + out.string(), "--signals", "top.bus[1],top.clk", dump.string()},
         0,
         "VCD, unit: 100 ps",
         "0:1\r\n40:3"},
        {"a signal the dump lacks",
         {"--convert", out.string(), "--signals", "top.bus[2]", dump.string()},
         64,
         "no signal top.bus[2]",
         std::nullopt},
        {"a time beyond 32 bits, written ten times coarser and the rounding reported",
         {"--convert", out.string(), cut.string()},
         0,
         "1 time rounded to 10 steps",
         "0:1\r\n429496730:0"},
        {"an analyzer's CSV in the coarsest unit its times are whole in",
         {"--convert", out.string(), "--signals", "CS,CLK", csv.string()},
         0,
         "CSV, unit: 10 us",
         "50:1\r\n125:3\r\n200:2"},
        {"a session cut in half names its fault",
         {"--convert", out.string(), cutSession.string()},
         2,
         "cut.sr: not a whole zip file",
         std::nullopt},
        {"a log is no dump",
         {"--convert", out.string(), log.string()},
         64,
         "not a VCD, sigrok session or CSV",
         std::nullopt},
        {"the output is the input",
         {"--convert", dump.string(), dump.string()},
         64,
         "is the input",
         std::nullopt},
        {"signals without a conversion",
         {"--signals", "a", log.string()},
         64,
         "--signals needs --convert",
         std::nullopt},
        {"a table of the samples",
         {"--csv", out.string(), log.string()},
         0,
         "",
         "time,word,bit0,bit1,bit2,bit3,bit4,bit5,bit6,bit7\r\n0,0x0,0,0,0,0,0,0,0,0\r\n"
         "10,0x1E5,1,0,1,0,0,1,1,1\r\n10,0x3,1,1,0,0,0,0,0,0\r\n"},
        {"a table up to a bad line",
         {"--csv", out.string(), bad.string()},
         1,
         "bad.log:3: ",
         "time,word,bit0,bit1,bit2,bit3,bit4,bit5,bit6,bit7\r\n0,0x0,0,0,0,0,0,0,0,0\r\n"
         "7,0x80,0,0,0,0,0,0,0,1\r\n"},
        {"a table into no folder",
         {"--csv", (Dir / "none" / "t.csv").string(), log.string()},
         2,
         "t.csv",
         std::nullopt},
        {"a table beside a picture",
         {"--csv", out.string(), "--points", log.string()},
         64,
         "--csv takes no",
         std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove(out);
        const TRunResult r = Run(row.args);
        EXPECT_EQ(r.Status, row.status) << r.Err;
        EXPECT_TRUE(Contains(r.Err, row.err)) << r.Err;
        EXPECT_EQ(r.Out, "");
        EXPECT_EQ(fs::exists(out), row.written.has_value());
        if (row.written) {
            EXPECT_EQ(ReadAll(out), *row.written);
        }
    }
}
