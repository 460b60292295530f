#include "toolkit/TextFile.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "toolkit/SysUtils.h"

namespace {

// Closes a descriptor on every way out.
class TFileDescriptor
{
public:
    explicit TFileDescriptor(int fd) : FFd(fd) {}
    ~TFileDescriptor()
    {
        if (FFd >= 0) ::close(FFd);
    }
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;
    int Get() const { return FFd; }
    // Closes now and reports the result: a late write error may show only here.
    int Close()
    {
        const int fd = FFd;
        FFd = -1;
        return ::close(fd);
    }

private:
    int FFd = -1;
};

// A name with a NUL would open a shorter, different name.
bool UsableName(const std::string& fileName)
{
    return !fileName.empty() && fileName.find('\0') == std::string::npos;
}

int CountLineBreaks(const std::string& text)
{
    int count = 0;
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2))
        ++count;
    return count;
}

bool WriteAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Waits until FD has data or its writer left; a silence of SilenceMs is a failure.
void WaitForData(int fd, int silenceMs, const std::string& fileName)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(silenceMs);
    for (;;) {
        int wait = -1;
        if (silenceMs >= 0) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            wait = static_cast<int>(std::max<long long>(left.count(), 0));
        }
        pollfd request{fd, POLLIN, 0};
        const int ready = ::poll(&request, 1, wait);
        if (ready > 0) return;
        if (ready < 0 && errno != EINTR) throw EFOpenError(fileName, errno);
        if (ready == 0) {
            const std::string span = silenceMs % 1000 == 0 ? std::to_string(silenceMs / 1000) + " s"
                                                           : std::to_string(silenceMs) + " ms";
            throw EFOpenError(fileName, ETIMEDOUT, "no data arrived for " + span);
        }
    }
}

// Whether a NUL or the file's end comes within the next Count bytes; Within tells where.
// Nothing is kept: the bytes are only looked at.
bool StopWithin(int fd, size_t count, std::vector<char>& buffer, size_t& within,
                const std::string& fileName)
{
    size_t seen = 0;
    while (seen < count) {
        const ssize_t n = ::read(fd, buffer.data(), std::min(buffer.size(), count - seen));
        if (n < 0) {
            if (errno == EINTR) continue;
            throw EFOpenError(fileName, errno);
        }
        if (n == 0) break;
        if (const void* nul = std::memchr(buffer.data(), '\0', static_cast<size_t>(n))) {
            within = seen + static_cast<size_t>(static_cast<const char*>(nul) - buffer.data());
            return true;
        }
        seen += static_cast<size_t>(n);
    }
    within = seen;
    return seen < count;
}

} // namespace

TLoadedText ReadTextFile(const std::string& fileName, size_t limit, int silenceMs)
{
    if (!UsableName(fileName)) throw EFOpenError(fileName, fileName.empty() ? ENOENT : EINVAL);
    // Opened without blocking, so that a FIFO nobody writes to does not hang the open.
    TFileDescriptor file(::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.Get() < 0) throw EFOpenError(fileName, errno);
    struct stat status
    {
    };
    if (::fstat(file.Get(), &status) != 0) throw EFOpenError(fileName, errno);
    if (S_ISDIR(status.st_mode)) throw EFOpenError(fileName, EISDIR);
    const bool regular = S_ISREG(status.st_mode);
    // A pipe stays non-blocking, so that a writer who keeps it open and silent is noticed.
    if (regular) {
        const int flags = ::fcntl(file.Get(), F_GETFL);
        if (flags < 0 || ::fcntl(file.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
            throw EFOpenError(fileName, errno);
    }

    TLoadedText loaded;
    std::string& text = loaded.Text;
    std::vector<char> buffer(size_t{1} << 20);
    if (regular) {
        size_t expected = static_cast<size_t>(std::max<off_t>(status.st_size, 0));
        // A line break never gets shorter, so a larger file fits only when a NUL ends it
        // early; without one it is refused before any of it is kept.
        if (expected > limit) {
            if (!StopWithin(file.Get(), limit + 1, buffer, expected, fileName)) {
                loaded.TooLong = true;
                return loaded;
            }
            if (::lseek(file.Get(), 0, SEEK_SET) != 0) throw EFOpenError(fileName, errno);
        }
        text.reserve(std::min(expected, limit) + 64);
    }
    TLineBreakNormaliser normaliser(text);
    // Reading ends at a NUL: what follows can never reach the view.
    for (;;) {
        const ssize_t n = ::read(file.Get(), buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                WaitForData(file.Get(), silenceMs, fileName);
                continue;
            }
            throw EFOpenError(fileName, errno);
        }
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
    } else if (loaded.CutAtNul) {
        loaded.CutLine = CountLineBreaks(text);
    }
    return loaded;
}

void WriteTextFile(const std::string& fileName, const std::vector<std::string_view>& pieces)
{
    if (!UsableName(fileName)) throw EFCreateError(fileName, fileName.empty() ? ENOENT : EINVAL);
    // A link is followed, so that the link stays and the file it names gets the text.
    std::string target = fileName;
    struct stat status
    {
    };
    if (::lstat(fileName.c_str(), &status) == 0 && S_ISLNK(status.st_mode)) {
        if (char* resolved = ::realpath(fileName.c_str(), nullptr)) {
            target = resolved;
            std::free(resolved);
        }
    }
    bool exists = false;
    if (::stat(target.c_str(), &status) == 0) {
        exists = true;
        // A temporary renamed over a device node or a folder would replace it.
        if (!S_ISREG(status.st_mode))
            throw EFCreateError(fileName, S_ISDIR(status.st_mode) ? EISDIR : EINVAL);
        // The rename asks only the folder; the file must be one the user could write in
        // place, judged as open(O_WRONLY) would (so root keeps root's rights).
        if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
            throw EFCreateError(fileName, errno);
    } else if (errno != ENOENT) {
        throw EFCreateError(fileName, errno);
    }

    const size_t slash = target.rfind('/');
    std::string temporary =
        (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) +
        ".logview-save-XXXXXX";
    TFileDescriptor file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (file.Get() < 0) throw EFCreateError(fileName, errno);
    auto fail = [&](int error) {
        if (file.Get() >= 0) file.Close();
        ::unlink(temporary.c_str());
        throw EFCreateError(fileName, error);
    };

    for (const std::string_view piece : pieces)
        if (!WriteAll(file.Get(), piece.data(), piece.size())) fail(errno);
    if (exists) {
        if (::fchmod(file.Get(), status.st_mode & 07777) != 0) fail(errno);
        // Only the owner or root may give a file away; for a plain user a refusal is no
        // failure: the copy keeps the old file's permissions all the same.
        [[maybe_unused]] const int given = ::fchown(file.Get(), status.st_uid, status.st_gid);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        if (::fchmod(file.Get(), 0666 & ~mask) != 0) fail(errno);
    }
    // Data that only the disk's own write-back would fail on fails here, before the
    // rename could put a short file in the old one's place.
    if (::fsync(file.Get()) != 0) fail(errno);
    if (file.Close() != 0) fail(errno);
    if (::rename(temporary.c_str(), target.c_str()) != 0) fail(errno);
}
