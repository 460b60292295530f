// Reading and saving data files as bytes: who may replace a file, how early a file beyond
// the capacity is refused, and how a pipe whose writer goes quiet ends the load.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "toolkit/SysUtils.h"
#include "toolkit/TextFile.h"

namespace fs = std::filesystem;

namespace {

class TextFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/textfile_test_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        Dir = pattern;
    }
    void TearDown() override { fs::remove_all(Dir); }

    std::string WriteFile(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(Dir / name, std::ios::binary) << bytes;
        return (Dir / name).string();
    }
    static std::string ReadFile(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    fs::path Dir;
};

constexpr uid_t Nobody = 65534;

// Saves Text to Path as user Uid (switching to it in a child when that is another user)
// and gives 0 when saved, else the errno of the refusal.
int SaveAs(uid_t uid, const std::string& path, const std::string& text)
{
    const pid_t pid = fork();
    if (pid == 0) {
        if (uid != geteuid() && (setgroups(0, nullptr) != 0 || setresgid(uid, uid, uid) != 0 ||
                                 setresuid(uid, uid, uid) != 0))
            _exit(250);
        try {
            WriteTextFile(path, {std::string_view(text)});
            _exit(0);
        } catch (const EFCreateError& e) {
            _exit(e.ErrorCode() > 0 && e.ErrorCode() < 250 ? e.ErrorCode() : 251);
        } catch (...) {
            _exit(252);
        }
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// The peak resident size in kB, after lowering it to the present size when Reset says
// so; -1 where that is not possible.
long PeakResidentKb(bool reset)
{
    if (reset && !(std::ofstream("/proc/self/clear_refs") << "5" << std::flush)) return -1;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

} // namespace

TEST_F(TextFileTest, SaveReplacesOnlyAFileTheUserCouldWriteInPlace)
{
    const bool root = geteuid() == 0;
    const uid_t user = root ? Nobody : geteuid();
    // The folder lets anyone create the temporary, so only the file's own rights decide.
    ASSERT_EQ(chmod(Dir.c_str(), 0777), 0);
    struct Row
    {
        const char* name;
        uid_t saver, owner;
        mode_t mode;
        int refusal;
    } rows[] = {
        {"own read-only file", user, user, 0444, EACCES},
        {"another user's file, folder open to all", user, 0, 0644, EACCES},
        {"another user's file open to all", user, 0, 0666, 0},
        {"own writable file keeps its mode", user, user, 0640, 0},
        {"root over a read-only file", 0, user, 0444, 0},
    };
    int index = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (!root && (row.saver != row.owner || row.saver == 0)) continue;
        const std::string old = "old bytes of " + std::string(row.name);
        const std::string path = WriteFile("f" + std::to_string(index++) + ".log", old);
        if (root) {
            ASSERT_EQ(chown(path.c_str(), row.owner, row.owner), 0);
        }
        ASSERT_EQ(chmod(path.c_str(), row.mode), 0);

        EXPECT_EQ(SaveAs(row.saver, path, "new"), row.refusal);
        EXPECT_EQ(ReadFile(path), row.refusal == 0 ? "new" : old);
        struct stat after
        {
        };
        ASSERT_EQ(stat(path.c_str(), &after), 0);
        EXPECT_EQ(after.st_mode & 07777, row.mode);
        if (row.refusal != 0 || row.saver == 0) {
            EXPECT_EQ(after.st_uid, row.owner);
        }
    }
    for (const auto& entry : fs::directory_iterator(Dir))
        EXPECT_EQ(entry.path().filename().string().rfind(".logview-save-", 0), std::string::npos)
            << "a temporary was left: " << entry.path();
}

TEST_F(TextFileTest, CapacityDecidedByTheTextAFileWouldGive)
{
    struct Row
    {
        const char* name;
        std::string bytes;
        size_t limit;
        bool tooLong;
        std::string text;
    } rows[] = {
        {"larger file, no NUL", std::string(20, 'x'), 10, true, ""},
        {"larger file cut by an early NUL", std::string("1:0\n\0", 5) + std::string(100, 'x'), 10,
         false, "1:0\r\n"},
        {"NUL right after the limit", std::string("0123456789\0xx", 13), 10, false, "0123456789"},
        {"NUL one byte too late", std::string("0123456789A\0", 12), 10, true, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const TLoadedText loaded = ReadTextFile(WriteFile("in.log", row.bytes), row.limit);
        EXPECT_EQ(loaded.TooLong, row.tooLong);
        EXPECT_EQ(loaded.Text, row.text);
    }

    // A 3 GB file whose holes read as NULs: only its head is read, quickly.
    const std::string sparse = WriteFile("sparse.log", "1:0\n2:1\n");
    ASSERT_EQ(truncate(sparse.c_str(), off_t{3} << 30), 0);
    const auto start = std::chrono::steady_clock::now();
    const TLoadedText head = ReadTextFile(sparse, 1024);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(head.Text, "1:0\r\n2:1\r\n");
    EXPECT_EQ(head.CutLine, 2);
}

TEST_F(TextFileTest, FileBeyondTheCapacityIsRefusedWithoutBeingHeld)
{
    constexpr size_t limit = size_t{48} << 20;
    std::string chunk;
    while (chunk.size() < (size_t{1} << 20))
        chunk += "12345:ff\n";
    const std::string path = (Dir / "big.log").string();
    {
        std::ofstream out(path, std::ios::binary);
        for (size_t written = 0; written <= limit; written += chunk.size())
            out << chunk;
    }
    // Far larger still, as a file of gigabytes would be; the holes are never reached.
    ASSERT_EQ(truncate(path.c_str(), off_t{3} << 30), 0);
    const long before = PeakResidentKb(true);
    const TLoadedText loaded = ReadTextFile(path, limit);
    EXPECT_TRUE(loaded.TooLong);
    EXPECT_TRUE(loaded.Text.empty());
    if (before < 0) GTEST_SKIP() << "the peak resident size cannot be reset here";
    EXPECT_LT(PeakResidentKb(false) - before, 16 * 1024) << "kB held to refuse the file";
}

TEST_F(TextFileTest, PipeWhoseWriterGoesQuietEndsTheLoad)
{
    constexpr int silence = 300;
    struct Row
    {
        const char* name;
        std::string sent;
        // The writer leaves after this long; never when negative.
        int leaveAfterMs;
        bool timesOut;
        std::string text;
    } rows[] = {
        {"writer sends nothing", "", -1, true, ""},
        {"writer sends, then stays quiet", "1:0\n", -1, true, ""},
        {"writer sends and leaves", "1:0\n2:1\n", 100, false, "1:0\r\n2:1\r\n"},
    };
    const std::string fifo = (Dir / "fifo").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // A load that waits for ever ends the test instead of hanging the run.
    alarm(20);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        // Opened for reading too, so that opening needs no reader and the data waits in the pipe.
        int writer = open(fifo.c_str(), O_RDWR | O_CLOEXEC);
        ASSERT_GE(writer, 0);
        ASSERT_EQ(write(writer, row.sent.data(), row.sent.size()),
                  static_cast<ssize_t>(row.sent.size()));
        std::thread leaving;
        if (row.leaveAfterMs >= 0)
            leaving = std::thread([&] {
                std::this_thread::sleep_for(std::chrono::milliseconds(row.leaveAfterMs));
                close(writer);
                writer = -1;
            });
        const auto start = std::chrono::steady_clock::now();
        try {
            const TLoadedText loaded = ReadTextFile(fifo, 1024, silence);
            EXPECT_FALSE(row.timesOut) << "loaded";
            EXPECT_EQ(loaded.Text, row.text);
        } catch (const EFOpenError& e) {
            EXPECT_TRUE(row.timesOut) << e.MessageWithReason();
            EXPECT_EQ(e.MessageWithReason(),
                      "Cannot open file " + fifo + ": no data arrived for 300 ms");
            EXPECT_EQ(e.ErrorCode(), ETIMEDOUT);
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
        if (leaving.joinable()) leaving.join();
        if (writer >= 0) close(writer);
    }
    alarm(0);
}
