// The dump export: a small log against a hand-written dump, the tool's exit status and
// messages, and a round trip through another viewer's converter when it is installed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <tuple>
#include <unistd.h>

#include "formats/VcdExport.h"
#include "toolkit/StdCtrls.h"
#include "viewer/RenderTool.h"
#include "viewer/TextSamples.h"

namespace fs = std::filesystem;

namespace {

// Times going backwards, a negative time, two samples sharing a time, a repeated value, a
// bad line and an empty line before the end.
const char* const Log = "10:1\r\n20:3\r\nx\r\n15:80\r\n-5:2\r\n20:2\r\n30:2\r\n\r\n";

const char* const Expected = "$version logview-render $end\n"
                             "$comment time stamps shifted by 5: dump time 0 is log time -5 $end\n"
                             "$timescale 10 us $end\n"
                             "$scope module logview $end\n"
                             "$var wire 32 ! word [31:0] $end\n"
                             "$var wire 1 a bit0 $end\n"
                             "$var wire 1 b bit1 $end\n"
                             "$var wire 1 c bit2 $end\n"
                             "$var wire 1 d bit3 $end\n"
                             "$var wire 1 e bit4 $end\n"
                             "$var wire 1 f bit5 $end\n"
                             "$var wire 1 g bit6 $end\n"
                             "$var wire 1 h bit7 $end\n"
                             "$upscope $end\n"
                             "$enddefinitions $end\n"
                             "#0\n$dumpvars\nb10 !\n0a\n1b\n0c\n0d\n0e\n0f\n0g\n0h\n$end\n"
                             "#15\nb1 !\n1a\n0b\n"
                             "#20\nb10000000 !\n0a\n1h\n"
                             "#25\nb10 !\n1b\n0h\n";

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// (time, signal name, value) for every change, whoever wrote the dump.
using TChanges = std::vector<std::tuple<long long, std::string, unsigned long>>;

TChanges ParseDump(const std::string& dump)
{
    std::map<std::string, std::string> names;
    std::map<std::string, unsigned long> values;
    TChanges changes;
    std::istringstream in(dump);
    std::string token;
    long long time = 0;
    auto change = [&](const std::string& id, unsigned long value) {
        auto it = values.find(id);
        if (it != values.end() && it->second == value) return;
        values[id] = value;
        changes.emplace_back(time, names[id], value);
    };
    bool body = false;
    while (in >> token) {
        if (token == "$enddefinitions") body = true;
        if (token == "$var") {
            std::string type, width, id, name;
            in >> type >> width >> id >> name;
            names[id] = name;
        } else if (!body) {
            continue;
        } else if (token[0] == '#') {
            time = std::stoll(token.substr(1));
        } else if (token[0] == 'b') {
            std::string id;
            in >> id;
            change(id, std::stoul(token.substr(1), nullptr, 2));
        } else if ((token[0] == '0' || token[0] == '1') && token.size() > 1) {
            change(token.substr(1), token[0] == '1' ? 1 : 0);
        }
    }
    // Within one time stamp the order of the changes means nothing.
    std::sort(changes.begin(), changes.end());
    return changes;
}

bool OnPath(const char* tool)
{
    return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// The samples of a text as the window's text view holds it.
TSampleModel ModelOf(const std::string& text)
{
    TMemo memo;
    memo.SetText(text);
    return TSampleModel(TStringsSampleLines(*memo.Lines()));
}

} // namespace

TEST(VcdExport, SmallLogGivesTheHandWrittenDump)
{
    const TSampleModel read = ModelOf(Log);
    EXPECT_EQ(read.BadLines(), (std::vector<int>{2, 7}));
    EXPECT_EQ(WriteVcd(read, NormaliseTimescale("10us")), Expected);

    // Without negative times nothing is shifted, and the dump starts at the first sample: a
    // reader must not find a 0 at time 0 that the log never had.
    const std::string plain = WriteVcd(ModelOf("10:ff\n20:1"), "1 ns");
    EXPECT_EQ(plain.find("$comment"), std::string::npos);
    EXPECT_EQ(plain.find("#0\n"), std::string::npos);
    EXPECT_NE(plain.find("#10\n$dumpvars\nb11111111 !\n1a\n"), std::string::npos);
    EXPECT_NE(plain.find("#20\nb1 !\n0b\n"), std::string::npos);
}

TEST(VcdExport, TimescaleTexts)
{
    const std::pair<const char*, const char*> rows[] = {
        {"1 ns", "1 ns"}, {"100fs", "100 fs"}, {"10 s", "10 s"}, {"2 ns", ""},
        {"1000 ns", ""},  {"1 ks", ""},        {"1  ns", ""},    {"ns", ""},
    };
    for (const auto& [text, normalised] : rows)
        EXPECT_EQ(NormaliseTimescale(text), normalised) << text;
}

TEST(VcdExport, OptionsThatADumpCannotHonourAreRefused)
{
    const TRenderParse good = ParseRenderArguments({"--vcd", "o.vcd", "--timescale=10ps", "a.log"});
    ASSERT_TRUE(good.Ok) << good.Error;
    EXPECT_EQ(good.Options.VcdPath, "o.vcd");
    EXPECT_EQ(good.Options.Timescale, "10 ps");
    const std::vector<std::string> refused[] = {
        {"--vcd", "o.vcd", "--png", "p.png", "a.log"},
        {"--vcd", "o.vcd", "--bits", "0,1", "a.log"},
        {"--timescale", "1 ns", "a.log"},
        {"--vcd", "o.vcd", "--timescale", "3 ns", "a.log"},
        {"--vcd", "a.log"},
    };
    for (const auto& args : refused)
        EXPECT_FALSE(ParseRenderArguments(args).Ok) << args[2];
}

TEST(VcdExport, ToolConvertsPastBadLinesAndRoundTrips)
{
    const char* binaryDir = std::getenv("LOGVIEW_BINARY_DIR");
    if (binaryDir == nullptr) GTEST_SKIP() << "LOGVIEW_BINARY_DIR is not set";
    const fs::path dir = fs::temp_directory_path() / ("logview-vcd-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path log = dir / "in.log";
    // LF breaks, as most files have them; the load turns them into CR LF.
    std::string lf = Log;
    for (size_t at; (at = lf.find("\r\n")) != std::string::npos;)
        lf.replace(at, 2, "\n");
    std::ofstream(log, std::ios::binary) << lf;
    const fs::path vcd = dir / "out.vcd";
    const std::string command = (fs::path(binaryDir) / "logview-render").string() + " --vcd '" +
                                vcd.string() + "' --timescale '10 us' '" + log.string() + "' 2>'" +
                                (dir / "err.txt").string() + "'";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const std::string err = ReadAll(dir / "err.txt");
    EXPECT_NE(err.find(log.string() + ":3: "), std::string::npos) << err;
    EXPECT_NE(err.find(log.string() + ":8: "), std::string::npos) << err;
    const std::string dump = ReadAll(vcd);
    EXPECT_EQ(dump, Expected);

    if (!OnPath("vcd2fst") || !OnPath("fst2vcd")) {
        fs::remove_all(dir);
        GTEST_SKIP() << "vcd2fst or fst2vcd (gtkwave) is not installed";
    }
    const std::string fst = (dir / "out.fst").string();
    const std::string back = (dir / "back.vcd").string();
    ASSERT_EQ(std::system(("vcd2fst '" + vcd.string() + "' '" + fst + "' >/dev/null 2>&1").c_str()),
              0);
    ASSERT_EQ(std::system(("fst2vcd '" + fst + "' >'" + back + "' 2>/dev/null").c_str()), 0);
    const TChanges ours = ParseDump(dump);
    EXPECT_EQ(ours.size(), 9u + 3 + 3 + 3);
    EXPECT_EQ(ParseDump(ReadAll(back)), ours);
    fs::remove_all(dir);
}
