#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cerrno>
#include <csignal>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include "tests/common/FileSizeLimit.h"
#include "toolkit/CodePage.h"
#include "toolkit/Controls_p.h"
#include "toolkit/MemoView_p.h"
#include "toolkit/StdCtrls.h"
#include "toolkit/TestSupport.h"

namespace fs = std::filesystem;

namespace {

class MemoTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/memo_test_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        memo.OnChange = [this](TObject*) { ++changes; };
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string PathOf(const std::string& name) const { return (dir / name).string(); }
    std::string WriteFile(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(dir / name, std::ios::binary) << bytes;
        return PathOf(name);
    }
    static std::string ReadFile(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::vector<std::string> Lines() const
    {
        std::vector<std::string> lines;
        for (int i = 0; i < memo.Lines()->Count(); ++i)
            lines.emplace_back(memo.Lines()->Line(i));
        return lines;
    }
    TMemoView* Widget() const { return static_cast<TMemoView*>(ControlWidget(&memo)); }
    // A key press carrying Text, as a keyboard or input method delivers it.
    void TypeUnicode(const QString& text) const
    {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
        QApplication::sendEvent(Widget(), &press);
    }

    fs::path dir;
    TMemo memo;
    int changes = 0;
};

using Strings = std::vector<std::string>;

} // namespace

TEST_F(MemoTest, LoadNormalisesLineBreaksAndCountsOwnLines)
{
    struct Row
    {
        const char* name;
        std::string bytes;
        std::string text;
        Strings lines;
    } rows[] = {
        {"empty file", "", "", {}},
        {"one line, no break", "a", "a", {"a"}},
        {"trailing break", "a\r\n", "a\r\n", {"a"}},
        {"two trailing breaks", "a\r\n\r\n", "a\r\n\r\n", {"a", ""}},
        {"only a break", "\r\n", "\r\n", {""}},
        {"LF only", "1:0\n2:1\n", "1:0\r\n2:1\r\n", {"1:0", "2:1"}},
        {"CR only", "1:0\r2:1", "1:0\r\n2:1", {"1:0", "2:1"}},
        {"LF CR is two breaks", "a\n\rb", "a\r\n\r\nb", {"a", "", "b"}},
        {"CR CR LF", "a\r\r\nb", "a\r\n\r\nb", {"a", "", "b"}},
        {"empty lines inside", "a\r\n\r\n\r\nb", "a\r\n\r\n\r\nb", {"a", "", "", "b"}},
        {"NUL stops the text", std::string("a\r\nb\0c\r\nd", 9), "a\r\nb", {"a", "b"}},
        {"CR before NUL", std::string("a\r\0b", 4), "a\r\n", {"a"}},
        {"NUL first", std::string("\0abc", 4), "", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        memo.Lines()->Clear();
        changes = 0;
        memo.Lines()->LoadFromFile(WriteFile("in.log", row.bytes));
        EXPECT_EQ(memo.Lines()->Text(), row.text);
        EXPECT_EQ(Lines(), row.lines);
        // Putting the text in is a change unless the view already held exactly it.
        const bool sameAsEmpty = row.bytes.empty();
        EXPECT_EQ(changes, sameAsEmpty ? 0 : 1);
    }
}

TEST_F(MemoTest, LongLinesAreNotSplitByWrapAndAreCutAt4096)
{
    memo.SetBounds(0, 0, 60, 200);
    ASSERT_TRUE(memo.WordWrap());
    const std::string line5000(5000, 'x');
    memo.Lines()->LoadFromFile(
        WriteFile("long.log", "1:0\r\n" + line5000 + "\r\n" + std::string(4096, 'y') + "\r\n2:1"));
    ASSERT_EQ(memo.Lines()->Count(), 4);
    EXPECT_EQ(memo.Lines()->Line(1).size(), TMemoStrings::MaxLineLength);
    EXPECT_EQ(memo.Lines()->Line(1), std::string(4096, 'x'));
    EXPECT_EQ(memo.Lines()->Line(2).size(), 4096u);
    EXPECT_EQ(memo.Lines()->Line(3), "2:1");
    EXPECT_EQ(memo.Lines()->Text().size(), 5 + 5002 + 4098 + 3u) << "the text itself is whole";
}

TEST_F(MemoTest, LineOutOfRangeFails)
{
    memo.SetText("a\r\nb\r\n");
    EXPECT_THROW((void)memo.Lines()->Line(2), EListError);
    EXPECT_THROW((void)memo.Lines()->Line(-1), EListError);
}

TEST_F(MemoTest, NoChangeEventWhenEmptiedOrLoadedWithTheSameText)
{
    const std::string path = WriteFile("a.log", "1:0\n2:1\n");
    memo.Lines()->LoadFromFile(path);
    EXPECT_EQ(changes, 1);
    memo.Lines()->LoadFromFile(WriteFile("b.log", "1:0\r\n2:1\r\n"));
    EXPECT_EQ(changes, 1) << "same text after normalising";
    memo.Lines()->Clear();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(memo.Lines()->Count(), 0);
    memo.Lines()->LoadFromFile(WriteFile("empty.log", ""));
    EXPECT_EQ(changes, 1);
}

TEST_F(MemoTest, LoadFailuresNameTheFile)
{
    const std::string missing = PathOf("missing.log");
    try {
        memo.Lines()->LoadFromFile(missing);
        FAIL() << "no exception";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), "Cannot open file " + missing);
    }
    EXPECT_THROW(memo.Lines()->LoadFromFile(dir.string()), EFOpenError);
    EXPECT_EQ(changes, 0);
}

TEST_F(MemoTest, TextBeyondTheCapacityFailsAndLeavesTheViewEmpty)
{
    memo.SetMaxLength(10);
    memo.SetText("old");
    changes = 0;
    // Ten bytes once the lone LFs become CR LF is still fine; one more is not.
    memo.Lines()->LoadFromFile(WriteFile("fits.log", "1:0\n2:1\n"));
    EXPECT_EQ(memo.Lines()->Count(), 2);
    for (const std::string bytes : {"1:0\n2:1\n3", "12345678901234567890"}) {
        SCOPED_TRACE(bytes);
        memo.SetText("old");
        try {
            memo.Lines()->LoadFromFile(WriteFile("big.log", bytes));
            ADD_FAILURE() << "loaded";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "Text exceeds memo capacity");
        }
        EXPECT_EQ(memo.Text(), "");
    }
    // A NUL early enough makes a long file fit.
    memo.Lines()->LoadFromFile(
        WriteFile("nul.log", std::string("1:0\0", 4) + std::string(100, 'x')));
    EXPECT_EQ(memo.Text(), "1:0");
    EXPECT_THROW(memo.SetText(std::string(11, 'a')), Exception);
    EXPECT_EQ(TMemo().EffectiveMaxLength(), TMemoStrings::Capacity);
}

TEST_F(MemoTest, EveryByteSurvivesLoadAndSave)
{
    std::string bytes;
    for (int b = 1; b < 256; ++b)
        if (b != '\r' && b != '\n') bytes.push_back(static_cast<char>(b));
    const std::string content = bytes + "\r\n" + bytes;
    memo.Lines()->LoadFromFile(WriteFile("all.log", content));
    EXPECT_EQ(memo.Lines()->Text(), content);
    const std::string out = PathOf("out.log");
    memo.Lines()->SaveToFile(out);
    EXPECT_EQ(ReadFile(out), content);
}

TEST_F(MemoTest, SaveWritesCrLfAndAFinalBreakOnlyWhereTheTextHasOne)
{
    struct Row
    {
        const char* name;
        std::string loaded;
        std::string saved;
    } rows[] = {
        {"no final break", "1:0\n2:1", "1:0\r\n2:1"},
        {"final break", "1:0\r2:1\r", "1:0\r\n2:1\r\n"},
        {"cut at NUL", std::string("1:0\n2\0:1\n", 9), "1:0\r\n2"},
        {"empty", "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        memo.Lines()->Clear();
        memo.Lines()->LoadFromFile(WriteFile("in.sti", row.loaded));
        const std::string out = PathOf("out.sti");
        memo.Lines()->SaveToFile(out);
        EXPECT_EQ(ReadFile(out), row.saved);
    }
}

TEST_F(MemoTest, SaveReplacesAnExistingFileKeepingItsPermissions)
{
    const std::string target = WriteFile("keep.log", "old contents that are longer");
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    memo.SetText("new");
    memo.Lines()->SaveToFile(target);
    EXPECT_EQ(ReadFile(target), "new");
    struct stat st
    {
    };
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator{}), 1)
        << "no temporary file left behind";
}

TEST_F(MemoTest, SaveThroughALinkWritesTheLinkedFile)
{
    const std::string target = WriteFile("target.log", "old");
    const std::string link = PathOf("link.log");
    fs::create_symlink(target, link);
    memo.SetText("new");
    memo.Lines()->SaveToFile(link);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFile(target), "new");
}

TEST_F(MemoTest, SaveRefusesWhatIsNotARegularFileAndLeavesItAlone)
{
    memo.SetText("data");
    const std::string fifo = PathOf("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string folder = PathOf("folder");
    fs::create_directory(folder);
    struct stat before
    {
    };
    ASSERT_EQ(stat("/dev/null", &before), 0);
    for (const std::string& target : {fifo, folder, std::string("/dev/null")}) {
        SCOPED_TRACE(target);
        try {
            memo.Lines()->SaveToFile(target);
            ADD_FAILURE() << "saved over " << target;
        } catch (const EFCreateError& e) {
            EXPECT_EQ(e.Message(), "Cannot create file " + target);
        }
    }
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_TRUE(fs::is_empty(folder));
    struct stat after
    {
    };
    ASSERT_EQ(stat("/dev/null", &after), 0);
    EXPECT_TRUE(S_ISCHR(after.st_mode));
    EXPECT_EQ(after.st_rdev, before.st_rdev);
}

TEST_F(MemoTest, FailedSaveLeavesTheOldFileUntouched)
{
    // Small texts only fill a buffer at first: the failure shows at the flush or not at all.
    const std::string old(3000, 'o');
    for (const size_t size : {size_t{5000}, size_t{12000}, size_t{100000}, size_t{3000000}}) {
        SCOPED_TRACE(size);
        std::string text;
        while (text.size() < size)
            text += "12345:ff\r\n";
        memo.SetText(text);
        const std::string name = WriteFile("full.log", old);
        try {
            const TFileSizeLimit limit(4096);
            memo.Lines()->SaveToFile(name);
            ADD_FAILURE() << "a save beyond the limit reported success";
        } catch (const EFCreateError& e) {
            EXPECT_EQ(e.Message(), "Cannot create file " + name);
            EXPECT_EQ(e.ErrorCode(), EFBIG);
        }
        EXPECT_EQ(ReadFile(name), old);
        // Nothing but the old file is left in its folder.
        EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(name).parent_path()),
                                fs::directory_iterator()),
                  1);
        fs::remove(name);
    }
    memo.SetText("new text");
    EXPECT_THROW(memo.Lines()->SaveToFile(PathOf("no/such/folder/x.log")), EFCreateError);
    EXPECT_THROW(memo.Lines()->SaveToFile(""), EFCreateError);
}

TEST_F(MemoTest, TypedCharactersWithoutACp1251ByteBecomeQuestionMarks)
{
    memo.Lines()->Clear();
    changes = 0;
    SimTypeText(&memo, "1:\xC0");
    TypeUnicode(QStringLiteral("\u00E9"));              // e acute: not in cp1251
    TypeUnicode(QString::fromUtf8("\xF0\x9F\x98\x80")); // an emoji: one "?" for the pair
    TypeUnicode(QStringLiteral("\u20AC\u2116"));        // euro and numero: both in cp1251
    EXPECT_EQ(memo.Text(), "1:\xC0??\x88\xB9");
    EXPECT_EQ(Widget()->RowText(0), QString::fromUtf8("1:А??€№")) << "visible at once";
    EXPECT_EQ(changes, 6) << "one per key press";
}

TEST_F(MemoTest, PastedTextIsFilteredAndEditsKeepTheLinesInStep)
{
    memo.SetText("1:0\r\n2:1");
    changes = 0;
    SimKeyPress(&memo, vkEnd, ssCtrl);
    QApplication::clipboard()->setText(QString::fromUtf8("\n3:\u00E9\n4:1"));
    QKeyEvent paste(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier, "\x16");
    QApplication::sendEvent(Widget(), &paste);
    EXPECT_EQ(Lines(), (Strings{"1:0", "2:1", "3:?", "4:1"}));
    EXPECT_GE(changes, 1);
    // Shift+Enter makes an ordinary line break.
    QKeyEvent shiftEnter(QEvent::KeyPress, Qt::Key_Return, Qt::ShiftModifier, "\r");
    QApplication::sendEvent(Widget(), &shiftEnter);
    SimTypeText(&memo, "5:0");
    EXPECT_EQ(Lines(), (Strings{"1:0", "2:1", "3:?", "4:1", "5:0"}));
    SimKeyPress(&memo, vkBack);
    SimKeyPress(&memo, vkBack);
    SimKeyPress(&memo, vkBack);
    SimKeyPress(&memo, vkBack);
    EXPECT_EQ(memo.Text(), "1:0\r\n2:1\r\n3:?\r\n4:1");
}

TEST_F(MemoTest, SetTextRaisesChangeOnlyForADifferentText)
{
    memo.SetText("a\nb");
    EXPECT_EQ(memo.Text(), "a\r\nb");
    EXPECT_EQ(changes, 1);
    memo.SetText("a\r\nb");
    EXPECT_EQ(changes, 1);
}

TEST_F(MemoTest, SelStartCountsBreaksAsTwoCharacters)
{
    memo.SetText("ab\r\ncd\r\nef");
    for (const int pos : {0, 2, 4, 5, 8, 10}) {
        memo.SetSelStart(pos);
        EXPECT_EQ(memo.SelStart(), pos);
    }
}

TEST_F(MemoTest, AMillionLinesLoadAndIndexQuickly)
{
    std::string bytes;
    bytes.reserve(12'000'000);
    for (int i = 0; i < 1'000'000; ++i)
        bytes += std::to_string(i) + ":" + (i % 2 ? "1" : "0") + "\n";
    const std::string path = WriteFile("big.log", bytes);
    const auto start = std::chrono::steady_clock::now();
    memo.Lines()->LoadFromFile(path);
    ASSERT_EQ(memo.Lines()->Count(), 1'000'000);
    size_t total = 0;
    for (int i = 0; i < memo.Lines()->Count(); ++i)
        total += memo.Lines()->Line(i).size();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(total + 2 * 1'000'000u, bytes.size() + 1'000'000u);
    EXPECT_EQ(memo.Lines()->Line(999'999), "999999:1");
    // Generous for a loaded machine; a per-line conversion or quadratic index would blow it.
    EXPECT_LT(seconds, 60.0);
    RecordProperty("load_seconds", std::to_string(seconds));
    std::printf("1,000,000 lines loaded and read in %.2f s\n", seconds);
}

TEST_F(MemoTest, LoadTellsTheLineANulCutAndNeverWaitsForAWriter)
{
    struct Row
    {
        const char* name;
        std::string bytes;
        int cutLine;
    } rows[] = {
        {"no NUL", "a\nb\n", -1},
        {"NUL first", std::string("\0a\nb", 4), 0},
        {"NUL in line 3", std::string("a\r\nb\nc\0d\ne", 10), 2},
        {"NUL after a CR", std::string("a\r\0b", 4), 1},
        {"NUL after CR LF", std::string("a\r\n\0", 4), 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        memo.Lines()->LoadFromFile(WriteFile("cut.log", row.bytes));
        EXPECT_EQ(memo.Lines()->CutLine(), row.cutLine);
    }

    // Nobody writes to the FIFO: the load gives an empty text at once instead of
    // waiting for ever (the alarm ends a hanging test).
    const std::string fifo = PathOf("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    memo.SetText("old");
    alarm(20);
    memo.Lines()->LoadFromFile(fifo);
    alarm(0);
    EXPECT_EQ(memo.Lines()->Text(), "");
    EXPECT_EQ(memo.Lines()->CutLine(), -1);
}
