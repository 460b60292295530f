// The document workflow of the main window, headless: start-up with and without a file,
// "Load" with the save prompt, closing, failed saves, and the byte rules of load and save.
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/common/FileSizeLimit.h"
#include "toolkit/CodePage.h"
#include "toolkit/Forms.h"
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

void WriteBytes(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::vector<std::pair<double, double>> Points(const TChartSeries& series)
{
    std::vector<std::pair<double, double>> points;
    for (int i = 0; i < series.PointCount(); ++i)
        points.emplace_back(series.PointX(i), series.PointY(i));
    return points;
}

using TPoints = std::vector<std::pair<double, double>>;

class Workflow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        Dir = fs::temp_directory_path() /
              ("logview-workflow-" + std::to_string(getpid()) + "-" + info->name());
        fs::remove_all(Dir);
        fs::create_directories(Dir);
    }

    void TearDown() override
    {
        delete Form1;
        Form1 = nullptr;
        ProgramArguments.clear();
        DataModified = 0;
        fs::remove_all(Dir);
    }

    // As the start routine does: the global is set before OnCreate runs.
    void Start(std::vector<std::string> arguments = {})
    {
        ProgramArguments = std::move(arguments);
        Form1 = new TForm1(nullptr);
        Form1->AfterConstruction();
    }

    fs::path MakeFile(const std::string& name, const std::string& bytes)
    {
        const fs::path path = Dir / name;
        WriteBytes(path, bytes);
        return path;
    }

    // Types into the text view as a user would, which marks the text changed.
    void Edit(const std::string& text)
    {
        if (!Form1->Visible()) {
            Form1->ShowForm();
            ProcessEvents();
        }
        SimTypeText(Form1->Memo1, text);
        ProcessEvents();
    }

    fs::path Dir;
    TRecordingDialogProvider Dialogs;
    TDialogProviderScope Scope{&Dialogs};
};

} // namespace

TEST_F(Workflow, StartWithoutArgumentsShowsTheEmptyWindow)
{
    Start();
    EXPECT_EQ(Form1->Caption(), "Form1");
    EXPECT_EQ(Form1->Memo1->Text(), "");
    EXPECT_FALSE(Form1->Button2->Visible());
    EXPECT_EQ(Form1->Series1->PointCount(), 0);
    EXPECT_EQ(Form1->LineSeries1->PointCount(), 0);
    EXPECT_EQ(DataModified, 0);
    EXPECT_TRUE(Dialogs.Shown.empty());

    // A keystroke in a bit field builds the waveforms of the empty text.
    SimTypeText(Form1->Edit1, "3");
    ProcessEvents();
    EXPECT_EQ(Points(*Form1->Series1), (TPoints{{0, 0}}));
    EXPECT_EQ(Points(*Form1->LineSeries1), (TPoints{{0, 0}}));
    EXPECT_FALSE(Form1->Button2->Visible());
    EXPECT_EQ(DataModified, 0);
    EXPECT_TRUE(Dialogs.Shown.empty());
}

TEST_F(Workflow, StartArgumentsPickTheFirstNonEmptyOneOnly)
{
    const fs::path good = MakeFile("good.log", "10:1\r\n");
    struct Row
    {
        const char* name;
        std::vector<std::string> args;
        bool loaded;
    } rows[] = {
        {"empty first argument is none", {"", good.string()}, false},
        {"further arguments ignored", {good.string(), (Dir / "missing.log").string()}, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Start(row.args);
        EXPECT_EQ(Form1->Caption(), row.loaded ? good.string() : "Form1");
        EXPECT_EQ(Form1->Button2->Visible(), row.loaded);
        EXPECT_EQ(Dialogs.Count(TShown::Error), 0);
        delete Form1;
        Form1 = nullptr;
    }
}

TEST_F(Workflow, StartWithAPathContainingBlanksAndCyrillicLoadsIt)
{
    fs::create_directories(Dir / "my data");
    const fs::path path = MakeFile("my data/выборка 1.log", "10:1\r\n20:3\r\n");
    // File names are the file system's bytes, not cp1251.
    const std::string name = path.string();
    Start({name});
    EXPECT_EQ(Form1->Caption(), name);
    EXPECT_EQ(Form1->OpenDialog1->FileName(), name);
    EXPECT_EQ(Form1->Memo1->Text(), "10:1\r\n20:3\r\n");
    EXPECT_TRUE(Form1->Button2->Visible());
    EXPECT_EQ(DataModified, 0);
    EXPECT_EQ(Points(*Form1->Series1), (TPoints{{0, 0}, {10, 0}, {10, 1}, {20, 1}, {20, 1}}));
    EXPECT_EQ(Points(*Form1->LineSeries1), (TPoints{{0, 0}, {10, 0}, {10, 0}, {20, 0}, {20, 1}}));
    EXPECT_TRUE(Dialogs.Shown.empty());
}

TEST_F(Workflow, StartWithAMissingFileShowsTheErrorThenTheEmptyWindow)
{
    const std::string name = (Dir / "missing.log").string();
    Start({name});
    ASSERT_EQ(Dialogs.Count(TShown::Error), 1);
    EXPECT_EQ(Dialogs.LastMessage(TShown::Error), "Cannot open file " + name + ".");
    EXPECT_EQ(Form1->Caption(), "Form1");
    EXPECT_EQ(Form1->Memo1->Text(), "");
    EXPECT_FALSE(Form1->Button2->Visible());
    EXPECT_EQ(DataModified, 0);
}

TEST_F(Workflow, ABadLineStillCompletesTheLoad)
{
    const fs::path path = MakeFile("bad.log", "10:1\r\n20:0\r\nbad\r\n40:1\r\n");
    Start({path.string()});
    EXPECT_EQ(Dialogs.Count(TShown::Information), 1);
    EXPECT_EQ(Dialogs.LastMessage(TShown::Information), DataErrorMessage);
    EXPECT_EQ(Dialogs.Shown.back().Box.Type, mtCustom);
    EXPECT_EQ(Form1->Series1->PointCount(), 5);
    EXPECT_EQ(Form1->LastBuild().FailedLine, 2);
    EXPECT_EQ(Form1->Caption(), path.string());
    EXPECT_TRUE(Form1->Button2->Visible());
    EXPECT_EQ(DataModified, 0);
}

TEST_F(Workflow, EditThenLoadAnsweringNoOpensTheNextFile)
{
    const fs::path first = MakeFile("first.log", "10:1\r\n");
    const fs::path second = MakeFile("second.log", "5:2\r\n");
    Start({first.string()});
    Edit("7");
    ASSERT_EQ(DataModified, 1);

    Dialogs.ConfirmAnswers = {mrNo};
    Dialogs.FileAnswers = {second.string()};
    Form1->Button1->Click();

    ASSERT_EQ(Dialogs.Shown.size(), 2u);
    EXPECT_EQ(Dialogs.Shown[0].Kind, TShown::Confirm);
    EXPECT_EQ(Dialogs.Shown[0].Box.Message, Utf8ToCp1251("Инфа менялась. Сохранить?"));
    EXPECT_EQ(Dialogs.Shown[0].Box.Type, mtConfirmation);
    EXPECT_EQ(Dialogs.Shown[0].Box.Buttons, mbYesNo);
    EXPECT_EQ(Dialogs.Shown[0].Box.Title, "Confirm");
    EXPECT_EQ(Dialogs.Shown[0].Box.DefaultButton, mbYes);
    EXPECT_EQ(Dialogs.Shown[0].Box.CancelButton, mbNo);
    EXPECT_EQ(Dialogs.Shown[1].Kind, TShown::FileDialog);
    EXPECT_FALSE(Dialogs.Shown[1].File.Save);
    EXPECT_EQ(Dialogs.Shown[1].File.Filter,
              "log|*.log|stimuli|*.sti|VCD|*.vcd|sigrok session|*.sr|CSV|*.csv|All|*.*");
    EXPECT_EQ(Dialogs.Shown[1].File.FilterIndex, 1);
    EXPECT_EQ(Dialogs.Shown[1].File.InitialDir, ".");
    // The open dialog starts with the name given on the command line.
    EXPECT_EQ(Dialogs.Shown[1].File.FileName, first.string());

    EXPECT_EQ(Form1->Caption(), second.string());
    EXPECT_EQ(Form1->Memo1->Text(), "5:2\r\n");
    EXPECT_EQ(Points(*Form1->Series1), (TPoints{{0, 0}, {5, 0}, {5, 0}}));
    EXPECT_EQ(DataModified, 0);
    EXPECT_EQ(ReadBytes(first), "10:1\r\n");
}

TEST_F(Workflow, EditThenLoadAnsweringYesAndCancellingTheSaveStillLoads)
{
    const fs::path first = MakeFile("first.log", "10:1\r\n");
    const fs::path second = MakeFile("second.log", "5:2\r\n");
    Start({first.string()});
    Edit("7");

    Dialogs.ConfirmAnswers = {mrYes};
    Dialogs.FileAnswers = {"", second.string()};
    Form1->Button1->Click();

    ASSERT_EQ(Dialogs.Shown.size(), 3u);
    EXPECT_TRUE(Dialogs.Shown[1].File.Save);
    EXPECT_EQ(Dialogs.Shown[1].File.Filter, "log|*.log|stimuli|*.sti|All|*.*");
    EXPECT_EQ(Dialogs.Shown[1].File.InitialDir, "");
    EXPECT_FALSE(Dialogs.Shown[2].File.Save);
    EXPECT_EQ(Form1->Caption(), second.string());
    EXPECT_EQ(DataModified, 0);
    EXPECT_EQ(ReadBytes(first), "10:1\r\n");
}

TEST_F(Workflow, SavingThenCancellingTheOpenDialogChangesNothingElse)
{
    const fs::path first = MakeFile("first.log", "10:1\r\n");
    const fs::path saved = Dir / "saved.log";
    Start({first.string()});
    Edit("7");
    const std::string text = Form1->Memo1->Text();
    const TPoints before = Points(*Form1->Series1);

    Dialogs.ConfirmAnswers = {mrYes};
    Dialogs.FileAnswers = {saved.string(), ""};
    Form1->Button1->Click();

    EXPECT_EQ(ReadBytes(saved), text);
    EXPECT_EQ(Form1->SaveDialog1->FileName(), saved.string());
    EXPECT_EQ(Form1->Caption(), first.string());
    EXPECT_EQ(Form1->Memo1->Text(), text);
    EXPECT_EQ(Points(*Form1->Series1), before);
    // Saving does not clear the flag: the next "Load" asks again.
    EXPECT_EQ(DataModified, 1);
    Dialogs.ConfirmAnswers = {mrNo};
    Form1->Button1->Click();
    EXPECT_EQ(Dialogs.Count(TShown::Confirm), 2);
    // The save dialog starts with the name chosen last time.
    Dialogs.ConfirmAnswers = {mrYes};
    Form1->Button1->Click();
    ASSERT_EQ(Dialogs.Shown.back().Kind, TShown::FileDialog);
    const TShown& saveDialog = Dialogs.Shown[Dialogs.Shown.size() - 2];
    EXPECT_TRUE(saveDialog.File.Save);
    EXPECT_EQ(saveDialog.File.FileName, saved.string());
}

TEST_F(Workflow, LoadWithoutChangesAsksNothing)
{
    Start();
    Dialogs.FileAnswers = {""};
    Form1->Button1->Click();
    ASSERT_EQ(Dialogs.Shown.size(), 1u);
    EXPECT_EQ(Dialogs.Shown[0].Kind, TShown::FileDialog);
    EXPECT_EQ(Form1->Caption(), "Form1");
    EXPECT_FALSE(Form1->Button2->Visible());
}

TEST_F(Workflow, AFailedLoadKeepsTheNewCaptionAndTheOldWaveforms)
{
    const fs::path first = MakeFile("first.log", "10:1\r\n");
    const std::string missing = (Dir / "gone.log").string();
    Start({first.string()});
    Edit("7");
    const TPoints before = Points(*Form1->Series1);

    Dialogs.ConfirmAnswers = {mrNo};
    Dialogs.FileAnswers = {missing};
    try {
        Form1->Button1->Click();
        ADD_FAILURE() << "the load did not fail";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), "Cannot open file " + missing);
    }
    EXPECT_EQ(Form1->Caption(), missing);
    EXPECT_EQ(Form1->Memo1->Text(), "");
    EXPECT_EQ(Points(*Form1->Series1), before);
    EXPECT_TRUE(Form1->Button2->Visible());
    EXPECT_EQ(DataModified, 1);
}

TEST_F(Workflow, AFailedSaveBeforeALoadAbandonsTheLoad)
{
    const fs::path first = MakeFile("first.log", "10:1\r\n");
    const fs::path folder = Dir / "a folder";
    fs::create_directories(folder);
    Start({first.string()});
    Edit("7");

    Dialogs.ConfirmAnswers = {mrYes};
    Dialogs.FileAnswers = {folder.string(), first.string()};
    EXPECT_THROW(Form1->Button1->Click(), EFCreateError);
    // Only the save dialog was shown; the open dialog never came.
    EXPECT_EQ(Dialogs.Count(TShown::FileDialog), 1);
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(DataModified, 1);
}

TEST_F(Workflow, ClosingAsksOnlyWhenTheTextChanged)
{
    struct Row
    {
        const char* name;
        bool edit;
        TModalResult answer;
        const char* saveAnswer;
        int confirms;
    } rows[] = {
        {"unchanged: no prompt", false, mrNo, "", 0},
        {"changed, No", true, mrNo, "", 1},
        {"changed, Yes, save cancelled", true, mrYes, "", 1},
    };
    const fs::path first = MakeFile("first.log", "10:1\r\n");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Dialogs.Shown.clear();
        Start({first.string()});
        Form1->ShowForm();
        ProcessEvents();
        if (row.edit) Edit("7");
        Dialogs.ConfirmAnswers = {row.answer};
        Dialogs.FileAnswers = {row.saveAnswer};
        Form1->Close();
        EXPECT_EQ(Dialogs.Count(TShown::Confirm), row.confirms);
        EXPECT_FALSE(Form1->Visible());
        EXPECT_EQ(ReadBytes(first), "10:1\r\n");
        delete Form1;
        Form1 = nullptr;
    }
}

TEST_F(Workflow, AFailedSaveOnClosingKeepsTheWindowAndTheOldFile)
{
    const fs::path first = MakeFile("first.log", "10:1\r\n");
    const fs::path target = MakeFile("target.log", "old content\r\n");
    ASSERT_EQ(ReadBytes(target), "old content\r\n");
    Start({first.string()});
    Form1->ShowForm();
    ProcessEvents();
    Edit("7");

    Dialogs.ConfirmAnswers = {mrYes};
    Dialogs.FileAnswers = {target.string()};
    try {
        // Files may not grow past 4 bytes, as on a full disk.
        const TFileSizeLimit limit(4);
        Form1->Close();
        ADD_FAILURE() << "the save did not fail";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), "Cannot create file " + target.string());
    }
    EXPECT_TRUE(Form1->Visible());
    EXPECT_EQ(ReadBytes(target), "old content\r\n");
    EXPECT_EQ(DataModified, 1);

    // The prompt comes again at the next close.
    Dialogs.ConfirmAnswers = {mrNo};
    Form1->Close();
    EXPECT_EQ(Dialogs.Count(TShown::Confirm), 2);
    EXPECT_FALSE(Form1->Visible());
}

TEST_F(Workflow, SavingRefusesAnythingButARegularFile)
{
    const fs::path folder = Dir / "folder.log";
    fs::create_directories(folder);
    struct Row
    {
        const char* name;
        std::string target;
    } rows[] = {
        {"folder", folder.string()},
        {"device", "/dev/null"},
    };
    Start();
    Edit("10:1");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Dialogs.ConfirmAnswers = {mrYes};
        Dialogs.FileAnswers = {row.target};
        EXPECT_THROW(AskSaveChanges(), EFCreateError);
    }
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST_F(Workflow, LineBreaksAreNormalisedOnLoadAndWrittenAsCrLf)
{
    struct Row
    {
        const char* name;
        std::string file, text;
        int samples;
    } rows[] = {
        {"LF only", "10:1\n20:0\n30:1\n", "10:1\r\n20:0\r\n30:1\r\n", 3},
        {"CR only", "10:1\r20:0\r30:1", "10:1\r\n20:0\r\n30:1", 3},
        {"LF CR is two breaks", "10:1\n\r", "10:1\r\n\r\n", 2},
        {"NUL ends the text",
         std::string("10:1\r\n20:0\0"
                     "30:1\r\n",
                     17),
         "10:1\r\n20:0", 2},
        {"no final break", "10:1\r\n20:0", "10:1\r\n20:0", 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const fs::path source = MakeFile("in.log", row.file);
        const fs::path saved = Dir / "out.log";
        Dialogs.Shown.clear();
        Start({source.string()});
        EXPECT_EQ(Form1->Memo1->Text(), row.text);
        EXPECT_EQ(Form1->Memo1->Lines()->Count(), row.samples);
        Dialogs.ConfirmAnswers = {mrYes};
        Dialogs.FileAnswers = {saved.string()};
        AskSaveChanges();
        EXPECT_EQ(ReadBytes(saved), row.text);
        delete Form1;
        Form1 = nullptr;
    }
}

TEST_F(Workflow, SampleLinesOfEveryBreakStyleGiveOneSampleEach)
{
    for (const char* file : {"10:1\n20:0\n", "10:1\r20:0\r", "10:1\r\n20:0\r\n"}) {
        SCOPED_TRACE(file);
        Start({MakeFile("in.log", file).string()});
        EXPECT_EQ(Points(*Form1->Series1), (TPoints{{0, 0}, {10, 0}, {10, 1}, {20, 1}, {20, 0}}));
        EXPECT_EQ(Dialogs.Count(TShown::Information), 0);
        delete Form1;
        Form1 = nullptr;
    }
}

TEST_F(Workflow, ABitFieldChangeRebuildsAndSwallowsNothingButFailures)
{
    Start({MakeFile("in.log", "10:1\r\n20:2\r\n").string()});
    Form1->Edit2->SetText("0");
    EXPECT_EQ(Points(*Form1->LineSeries1), Points(*Form1->Series1));
    EXPECT_EQ(Dialogs.Count(TShown::Information), 0);
    // A field emptied while retyping: the build reports its data error, nothing escapes.
    Form1->Edit1->SetText("");
    EXPECT_EQ(Dialogs.Count(TShown::Information), 1);
    EXPECT_EQ(Form1->Series1->PointCount(), 1);
    EXPECT_EQ(DataModified, 0);
}

TEST_F(Workflow, NamesOutsideCp1251LoadSaveAndShowAsTyped)
{
    const fs::path path = MakeFile("日本語.log", "10:1\r\n");
    Start({path.string()});
    EXPECT_EQ(Form1->Caption(), path.string());
    EXPECT_EQ(Form1->Memo1->Text(), "10:1\r\n");
    Edit("20:3\r\n");
    const std::string text = Form1->Memo1->Text();
    ASSERT_NE(text, "10:1\r\n");

    // Save through the prompt under another such name, then open the first one again.
    const fs::path saved = Dir / "保存 кириллица.log";
    Dialogs.ConfirmAnswers = {mrYes};
    Dialogs.FileAnswers = {saved.string(), path.string()};
    Form1->Button1->Click();
    EXPECT_EQ(ReadBytes(saved), text);
    EXPECT_EQ(Form1->Caption(), path.string());
    EXPECT_EQ(Dialogs.Count(TShown::Error), 0);
    // Nothing was written under a replaced name.
    EXPECT_FALSE(fs::exists(Dir / "??.log"));
    EXPECT_FALSE(fs::exists(Dir / "?? кириллица.log"));

    // A failure names the file with its own bytes, marked as a file name for the box.
    const std::string missing = (Dir / "無い.log").string();
    Dialogs.FileAnswers = {missing};
    Application->HandleException(std::make_exception_ptr(EFOpenError(missing, ENOENT)));
    ASSERT_EQ(Dialogs.Count(TShown::Error), 1);
    EXPECT_EQ(Dialogs.Shown.back().Box.Message, "Cannot open file " + missing + ".");
    EXPECT_EQ(Dialogs.Shown.back().Box.FileName, missing);
}

TEST_F(Workflow, ANulCutIsToldAndSavingOverTheCutFileAsks)
{
    const std::string bytes("10:1\r\n20:0\r\n30:1\0\r\n40:1\r\n", 26);
    const fs::path cut = MakeFile("cut.log", bytes);
    Start({cut.string()});
    EXPECT_EQ(Form1->Memo1->Text(), "10:1\r\n20:0\r\n30:1");
    ASSERT_EQ(Dialogs.Count(TShown::Information), 1);
    EXPECT_EQ(Dialogs.LastMessage(TShown::Information),
              Utf8ToCp1251("В файле встретился нулевой байт: текст обрезан на строке 3, дальше "
                           "файл не прочитан."));
    Edit("5");

    const std::string replaceQuestion =
        Utf8ToCp1251("Этот файл был загружен не полностью (текст обрезан на строке 3). "
                     "Сохранение заменит всё его содержимое, и то, что шло после обрезки. "
                     "Заменить?");
    struct Row
    {
        const char* name;
        std::string target;
        std::deque<TModalResult> answers;
        bool asked;
        bool written;
    } rows[] = {
        {"over the cut file, refused", cut.string(), {mrYes, mrNo}, true, false},
        {"to another file, not asked", (Dir / "other.log").string(), {mrYes}, false, true},
        {"over the cut file, accepted", cut.string(), {mrYes, mrYes}, true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Dialogs.Shown.clear();
        Dialogs.ConfirmAnswers = row.answers;
        Dialogs.FileAnswers = {row.target, ""};
        DataModified = 1;
        const std::string text = Form1->Memo1->Text();
        AskSaveChanges();
        EXPECT_EQ(Dialogs.LastMessage(TShown::Confirm) == replaceQuestion, row.asked);
        if (row.written)
            EXPECT_EQ(ReadBytes(row.target), text);
        else
            EXPECT_EQ(ReadBytes(row.target), bytes);
    }
    // Once saved whole, the file is no longer cut: no more question.
    Dialogs.Shown.clear();
    Dialogs.ConfirmAnswers = {mrYes};
    Dialogs.FileAnswers = {cut.string()};
    AskSaveChanges();
    EXPECT_EQ(Dialogs.Count(TShown::Confirm), 1);
}
