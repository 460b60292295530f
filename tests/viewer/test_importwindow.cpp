// Another program's file opened in the window and in logview-render: the pick list of its
// signals, the new unsaved document it becomes, and malformed files that change nothing.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include "tests/common/MainWindowFixture.h"
#include "tests/common/SeriesPoints.h"
#include "toolkit/CodePage.h"
#include "toolkit/SysUtils.h"
#include "toolkit/TestSupport.h"
#include "viewer/Unit1.h"

namespace fs = std::filesystem;
using TShown = TRecordingDialogProvider::TShown;

namespace {

std::string ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string WithoutLastBreak(std::string text)
{
    if (text.ends_with("\r\n")) text.resize(text.size() - 2);
    return text;
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// A seeded capture of a one-bit clock and a four-bit bus, as a dump and as the log of any
// choice of its bits, worked out apart from the reader.
struct TCapture
{
    std::vector<int> Times;
    // Bits 0..3 the bus, bit 4 the clock; an unknown clock value reads as 0.
    std::vector<unsigned> Values;
    std::vector<bool> ClockUnknown;
    std::string Dump;

    explicit TCapture(unsigned seed)
    {
        std::mt19937 random(seed);
        std::ostringstream dump;
        dump << "$timescale 1 ns $end\n$scope module top $end\n"
                "$var wire 1 ! clk $end\n$var wire 4 \" bus [3:0] $end\n"
                "$upscope $end\n$enddefinitions $end\n";
        int time = 0;
        for (int i = 0; i < 300; ++i) {
            time += 1 + static_cast<int>(random() % 50);
            const unsigned bus = random() % 16;
            const bool unknown = random() % 20 == 0;
            const unsigned clk = unknown ? 0 : random() % 2;
            Times.push_back(time);
            Values.push_back(bus | clk << 4);
            ClockUnknown.push_back(unknown);
            dump << "#" << time << "\n" << (unknown ? "x" : clk ? "1" : "0") << "!\nb";
            for (int b = 3; b >= 0; --b)
                dump << ((bus >> b) & 1u);
            dump << " \"\n";
        }
        Dump = dump.str();
    }

    // The reader's file order: the clock, then the bus lowest bit first.
    static unsigned BitOfRow(int row) { return row == 0 ? 4u : static_cast<unsigned>(row - 1); }

    // One line at the first time and one wherever the chosen word changes.
    std::string LogOf(const std::vector<int>& rows) const
    {
        std::string log;
        for (size_t i = 0; i < Times.size(); ++i) {
            unsigned word = 0;
            for (size_t k = 0; k < rows.size(); ++k)
                word |= ((Values[i] >> BitOfRow(rows[k])) & 1u) << k;
            if (i > 0) {
                unsigned before = 0;
                for (size_t k = 0; k < rows.size(); ++k)
                    before |= ((Values[i - 1] >> BitOfRow(rows[k])) & 1u) << k;
                if (before == word) continue;
            }
            std::ostringstream line;
            line << Times[i] << ":" << std::hex << std::uppercase << word << "\r\n";
            log += line.str();
        }
        return log;
    }

    int UnknownCount() const
    {
        return static_cast<int>(std::count(ClockUnknown.begin(), ClockUnknown.end(), true));
    }
};

class ImportWindow : public ShownMainWindow
{
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        Dir = fs::temp_directory_path() /
              ("logview-import-" + std::to_string(getpid()) + "-" + info->name());
        fs::remove_all(Dir);
        fs::create_directories(Dir);
        ShownMainWindow::SetUp();
    }

    void TearDown() override
    {
        ShownMainWindow::TearDown();
        fs::remove_all(Dir);
    }

    std::string MakeFile(const std::string& name, const std::string& bytes)
    {
        const fs::path path = Dir / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    // Both series' points with the fields set to bits A and B.
    std::pair<Points, Points> PointsWithBits(const std::string& a, const std::string& b)
    {
        Form1->Edit1->SetText(a);
        Form1->Edit2->SetText(b);
        Form1->Button2->Click();
        return {PointsOf(*Form1->Series1), PointsOf(*Form1->LineSeries1)};
    }

    fs::path Dir;
    TRecordingDialogProvider Dialogs;
    TDialogProviderScope Scope{&Dialogs};
};

} // namespace

// The bits chosen, in the order chosen, draw exactly as the log of those bits would.
TEST_F(ImportWindow, DroppedDumpDrawsTheChosenBitsAsTheirLog)
{
    for (const unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        const TCapture capture(seed);
        const std::string dump = MakeFile("capture.vcd", capture.Dump);
        const std::vector<int> rows = {4, 0, 2};
        Dialogs.Shown.clear();
        Dialogs.PickAnswers = {rows};
        DataModified = 0;

        ASSERT_TRUE(SimDropFiles(Form1->Memo1, {dump}, 10, 10));
        ProcessEvents();

        ASSERT_EQ(Dialogs.Count(TShown::PickList), 1);
        const TPickListRequest& pick = Dialogs.Shown.front().Pick;
        ASSERT_EQ(pick.Rows.size(), 5u);
        EXPECT_TRUE(Contains(pick.Rows[0][0], "clk") && Contains(pick.Rows[4][0], "bus[3]"));
        EXPECT_EQ(pick.Chosen, (std::vector<int>{0, 1, 2, 3, 4}));
        EXPECT_EQ(Dialogs.Count(TShown::Error), 0) << Dialogs.LastMessage(TShown::Error);
        EXPECT_EQ(DataModified, 1);
        EXPECT_TRUE(Contains(Form1->Caption(), dump)) << Form1->Caption();
        EXPECT_NE(Form1->Caption(), dump);
        const std::string note = Cp1251ToUtf8(Dialogs.LastMessage(TShown::Information));
        EXPECT_TRUE(Contains(note, "VCD") && Contains(note, "1 ns") && Contains(note, "сигналов 3"))
            << note;
        EXPECT_EQ(Contains(note, std::to_string(capture.UnknownCount()) + " values were x or z"),
                  capture.UnknownCount() > 0)
            << note;

        const auto b01 = PointsWithBits("0", "1");
        const auto b21 = PointsWithBits("2", "1");
        // The pointer's readout gives times in the dump's unit.
        SimMouseMove(Form1->Chart1, 0, Form1->Chart1->Width() / 2, Form1->Chart1->Height() / 2);
        EXPECT_TRUE(Contains(Form1->Chart1->OverlayText(), " ns"))
            << Cp1251ToUtf8(Form1->Chart1->OverlayText());

        Form1->LoadStartupFile(MakeFile("expected.log", capture.LogOf(rows)));
        EXPECT_EQ(PointsWithBits("0", "1"), b01);
        EXPECT_EQ(PointsWithBits("2", "1"), b21);
        EXPECT_FALSE(b01.first.empty());
        SimMouseMove(Form1->Chart1, 0, Form1->Chart1->Width() / 2, Form1->Chart1->Height() / 2);
        EXPECT_FALSE(Contains(Form1->Chart1->OverlayText(), " ns"));
    }
}

// A malformed file, or a cancelled choice, leaves the text, caption and changed state as
// they were.
TEST_F(ImportWindow, LoadOfMalformedOrCancelledFileChangesNothing)
{
    const std::string head = "$timescale 1 ns $end\n$var wire 1 ! a $end\n$enddefinitions $end\n";
    struct Row
    {
        const char* name;
        std::string bytes;
        // Pick lists shown; -1: a fault in the changes may be found before the list or after.
        int picks;
        std::string shown;
    } rows[] = {
        {"a bad time", head + "#0\n1!\n#1x\n", -1, "строка 6: "},
        {"a bad declaration", "$timescale 1 ns $end\n$var wire z ! a $end\n", 0, "строка 2: "},
        {"the pick list cancelled", head + "#0\n1!\n#5\n0!\n", 1, ""},
    };
    const std::string log = MakeFile("before.log", "10:1\r\n20:3\r\n");
    Form1->LoadStartupFile(log);
    SimTypeText(Form1->Memo1, "30:0\r\n");
    const std::string text = Form1->Memo1->Text();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Dialogs.Shown.clear();
        Dialogs.ConfirmAnswers = {mrNo};
        Dialogs.FileAnswers = {MakeFile("broken.vcd", row.bytes)};
        // The default choice for a file that gets that far, else a cancel.
        Dialogs.PickAnswers.clear();
        if (!row.shown.empty()) Dialogs.PickAnswers = {{0}};

        SimShortCut(Form1->Memo1, ShortCut('O', ssCtrl));
        ProcessEvents();

        if (row.picks >= 0) {
            EXPECT_EQ(Dialogs.Count(TShown::PickList), row.picks);
        }
        EXPECT_EQ(Dialogs.Count(TShown::Error), row.shown.empty() ? 0 : 1);
        const std::string error = Cp1251ToUtf8(Dialogs.LastMessage(TShown::Error));
        EXPECT_TRUE(Contains(error, row.shown)) << error;
        EXPECT_EQ(Form1->Memo1->Text(), text);
        EXPECT_EQ(Form1->Caption(), log);
        EXPECT_EQ(DataModified, 1);
        EXPECT_TRUE(Form1->ImportSource().empty());
    }
}

// Closing asks to save; the save proposes NAME.log beside the source, refuses the source
// itself (the window stays and the source keeps every byte), and writes the proposed log.
TEST_F(ImportWindow, CloseAfterImportSavesToTheProposedLogAndNeverOverTheSource)
{
    const TCapture capture(7);
    const std::string dump = MakeFile("capture.vcd", capture.Dump);
    Dialogs.PickAnswers = {{0, 1}};
    Form1->LoadStartupFile(dump);
    ASSERT_EQ(DataModified, 1);
    const std::string converted = Form1->Memo1->Text();

    Dialogs.Shown.clear();
    Dialogs.ConfirmAnswers = {mrYes};
    Dialogs.FileAnswers = {dump};
    try {
        Form1->Close();
        ADD_FAILURE() << "the source was written over";
    } catch (const EFileError& e) {
        EXPECT_EQ(e.FileName(), dump);
        EXPECT_TRUE(Contains(Cp1251ToUtf8(e.Message()), "capture.log")) << e.Message();
    }
    ASSERT_EQ(Dialogs.Count(TShown::FileDialog), 1);
    const TFileDialogRequest proposal = Dialogs.Shown[1].File;
    EXPECT_TRUE(proposal.Save);
    EXPECT_EQ(proposal.FileName, (Dir / "capture.log").string());
    EXPECT_EQ(proposal.InitialDir, Dir.string());
    EXPECT_TRUE(Form1->Visible());
    EXPECT_EQ(DataModified, 1);
    EXPECT_EQ(ReadBytes(dump), capture.Dump);
    EXPECT_EQ(Form1->Memo1->Text(), converted);

    Dialogs.ConfirmAnswers = {mrYes};
    Dialogs.FileAnswers = {proposal.FileName};
    Form1->Close();
    EXPECT_FALSE(Form1->Visible());
    EXPECT_EQ(ReadBytes(Dir / "capture.log"), converted);
    EXPECT_EQ(WithoutLastBreak(converted), WithoutLastBreak(capture.LogOf({0, 1})));
    EXPECT_EQ(ReadBytes(dump), capture.Dump);
}

// Times beyond a 32-bit time stamp are offered a coarser unit, step by step: accepted until
// they fit, the unit and the rounding are told; declined once, nothing changes.
TEST_F(ImportWindow, TimeOverflowIsOfferedACoarserUnitUntilItFits)
{
    const std::string dump =
        MakeFile("long.vcd", "$timescale 1 ns $end\n$scope module top $end\n$var wire 1 ! a $end\n"
                             "$upscope $end\n$enddefinitions $end\n#0\n1!\n#3000000001\n0!\n"
                             "#300000000000\n1!\n");
    struct Row
    {
        const char* name;
        std::deque<TModalResult> answers;
        int asked;
        std::string text;
    } rows[] = {
        {"accepted three times", {mrYes, mrYes, mrYes}, 3, "0:1\r\n3000000:0\r\n300000000:1"},
        {"declined at the second", {mrYes, mrNo}, 2, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Form1->LoadStartupFile(MakeFile("before.log", "10:1\r\n"));
        Dialogs.Shown.clear();
        Dialogs.PickAnswers = {{0}};
        Dialogs.ConfirmAnswers = row.answers;
        Dialogs.FileAnswers = {dump};

        SimShortCut(Form1->Memo1, ShortCut('O', ssCtrl));
        ProcessEvents();

        EXPECT_EQ(Dialogs.Count(TShown::Confirm), row.asked);
        EXPECT_EQ(Dialogs.Count(TShown::Error), 0) << Dialogs.LastMessage(TShown::Error);
        const std::string note = Cp1251ToUtf8(Dialogs.LastMessage(TShown::Information));
        if (row.text.empty()) {
            EXPECT_EQ(Form1->Memo1->Text(), "10:1\r\n");
            EXPECT_EQ(DataModified, 0);
            EXPECT_TRUE(note.empty()) << note;
        } else {
            EXPECT_EQ(WithoutLastBreak(Form1->Memo1->Text()), row.text);
            EXPECT_TRUE(Contains(note, "1 us") && Contains(note, "1 time rounded to 1 us")) << note;
        }
    }
}

namespace {

struct TToolRun
{
    int Status = -1;
    std::string Out;
    std::string Err;
};

TToolRun RunTool(const fs::path& dir, const std::vector<std::string>& args)
{
    TToolRun run;
    const char* binaryDir = std::getenv("LOGVIEW_BINARY_DIR");
    if (binaryDir == nullptr) return run;
    const std::string program = (fs::path(binaryDir) / "logview-render").string();
    const std::string out = (dir / "stdout.txt").string();
    const std::string err = (dir / "stderr.txt").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    int status = 0;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0 &&
        waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        run.Status = WEXITSTATUS(status);
    posix_spawn_file_actions_destroy(&actions);
    run.Out = ReadBytes(out);
    run.Err = ReadBytes(err);
    return run;
}

class ImportTool : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (std::getenv("LOGVIEW_BINARY_DIR") == nullptr) GTEST_SKIP() << "no LOGVIEW_BINARY_DIR";
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        Dir = fs::temp_directory_path() /
              ("logview-importtool-" + std::to_string(getpid()) + "-" + info->name());
        fs::remove_all(Dir);
        fs::create_directories(Dir);
    }
    void TearDown() override
    {
        if (!Dir.empty()) fs::remove_all(Dir);
    }
    fs::path Dir;
};

} // namespace

// The tool's own dump of a log, given back as FILE, lists and tables as the log does.
TEST_F(ImportTool, DumpOfALogGivesTheLogsOutputs)
{
    const char* sourceDir = std::getenv("LOGVIEW_SOURCE_DIR");
    ASSERT_NE(sourceDir, nullptr);
    const std::string log = (fs::path(sourceDir) / "examples" / "counter.log").string();
    const std::string dump = (Dir / "counter.vcd").string();
    ASSERT_EQ(RunTool(Dir, {"--vcd", dump, log}).Status, 0);

    const std::vector<std::vector<std::string>> modes = {
        {"--points"}, {"--points", "--bits", "2,3"}, {"--find", "edge:bit=1"}};
    for (const auto& mode : modes) {
        SCOPED_TRACE(mode.front());
        std::vector<std::string> ofLog = mode, ofDump = mode;
        ofLog.push_back(log);
        ofDump.push_back(dump);
        const TToolRun a = RunTool(Dir, ofLog);
        const TToolRun b = RunTool(Dir, ofDump);
        EXPECT_EQ(a.Status, 0);
        EXPECT_EQ(b.Status, a.Status) << b.Err;
        EXPECT_FALSE(a.Out.empty());
        EXPECT_EQ(b.Out, a.Out);
    }
    const std::string csvA = (Dir / "a.csv").string(), csvB = (Dir / "b.csv").string();
    EXPECT_EQ(RunTool(Dir, {"--csv", csvA, log}).Status, 0);
    EXPECT_EQ(RunTool(Dir, {"--csv", csvB, dump}).Status, 0);
    EXPECT_EQ(ReadBytes(csvB), ReadBytes(csvA));

    // Times too large go to a coarser unit without asking, the rounding told.
    const std::string longDump = (Dir / "long.vcd").string();
    std::ofstream(longDump, std::ios::binary)
        << "$timescale 1 ns $end\n$var wire 1 ! a $end\n$enddefinitions $end\n#0\n1!\n"
           "#3000000001\n0!\n";
    const TToolRun coarser = RunTool(Dir, {"--points", longDump});
    EXPECT_EQ(coarser.Status, 0) << coarser.Err;
    EXPECT_TRUE(Contains(coarser.Out, "1 300000000 1\n1 300000000 0\n")) << coarser.Out;
    EXPECT_TRUE(Contains(coarser.Err, "1 time rounded to 10 ns")) << coarser.Err;

    // Malformed: as an unreadable file, with the line and the reason.
    const std::string broken = (Dir / "broken.vcd").string();
    std::ofstream(broken, std::ios::binary) << ReadBytes(dump) << "#12x\n";
    for (const std::string mode : {"--points", "--png"}) {
        SCOPED_TRACE(mode);
        const TToolRun run = mode == "--png"
                                 ? RunTool(Dir, {"--png", (Dir / "x.png").string(), broken})
                                 : RunTool(Dir, {mode, broken});
        EXPECT_EQ(run.Status, 2);
        EXPECT_TRUE(run.Out.empty());
        EXPECT_TRUE(Contains(run.Err, broken) && Contains(run.Err, "12x")) << run.Err;
        EXPECT_FALSE(fs::exists(Dir / "x.png"));
    }
}
