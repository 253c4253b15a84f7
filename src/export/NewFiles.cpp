#include "export/NewFiles.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace NewFiles {
namespace {

// Owns one file descriptor; close() reports the error a late write-back may
// only reveal there.
class Fd {
public:
    explicit Fd(int fd)
        : m_fd(fd)
    {
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    // Returns 0 or errno.
    int close()
    {
        const int fd = std::exchange(m_fd, -1);
        // Linux releases the descriptor even when close fails, EINTR
        // included, so it is never retried.
        return ::close(fd) == 0 ? 0 : errno;
    }

private:
    int m_fd;
};

// Far more than any folder holds; only there so that a file system that
// answers "exists" for every name cannot keep the loop going for ever.
constexpr int maxSuffix = 100000;

Failure source(int error) { return Failure{Failure::Side::source, error}; }
Failure target(int error) { return Failure{Failure::Side::target, error}; }

// Writes all of `size` bytes; returns 0 or errno.
int writeAll(int fd, const char *data, ssize_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += n;
        size -= n;
    }
    return 0;
}

// Streams `in` into `out`; the failure names the side that failed.
std::optional<Failure> stream(int in, int out)
{
    constexpr size_t chunk = 1 << 20;
    const auto buffer = std::make_unique<char[]>(chunk);
    for (;;) {
        const ssize_t n = ::read(in, buffer.get(), chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return source(errno);
        }
        if (n == 0)
            return std::nullopt;
        if (const int error = writeAll(out, buffer.get(), n))
            return target(error);
    }
}

// Creates `to` with O_EXCL and the usual permissions, has `fill` write into
// the open descriptor, and closes it. Once `to` was created, any failure
// (of `fill` or of the close, where a late write-back shows) removes it
// again, so only whole files are left behind.
template <typename Fill>
std::optional<Failure> createFilled(const QString &to, Fill fill)
{
    const QByteArray targetName = QFile::encodeName(to);
    // O_EXCL: if anything at all is at `to` now, including a link, the
    // call fails instead of writing through it.
    Fd out(::open(targetName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!out.valid())
        return target(errno);

    std::optional<Failure> failure = fill(out.get());
    if (const int error = out.close(); error && !failure)
        failure = target(error);
    if (failure)
        ::unlink(targetName.constData()); // ours: it was created above
    return failure;
}

} // namespace

std::optional<Failure> makeFolder(const QString &path)
{
    if (::mkdir(QFile::encodeName(path).constData(), 0777) != 0)
        return target(errno);
    return std::nullopt;
}

std::optional<Failure> createEmpty(const QString &path)
{
    return createFilled(path, [](int) { return std::optional<Failure>(); });
}

Claimed createUnderFreeName(const QString &folder, const QString &stem, const QString &extension, Kind kind)
{
    const QDir into(folder);
    for (int k = 1;; ++k) {
        const QString name = into.filePath((k == 1 ? stem : stem + QLatin1Char(' ') + QString::number(k)) + extension);
        const std::optional<Failure> failure = kind == Kind::folder ? makeFolder(name) : createEmpty(name);
        if (!failure)
            return {name, std::nullopt};
        if (failure->error != EEXIST || k == maxSuffix)
            return {name, failure};
    }
}

std::optional<Failure> copyToNew(const QString &from, const QString &to)
{
    Fd in(::open(QFile::encodeName(from).constData(), O_RDONLY | O_CLOEXEC));
    if (!in.valid())
        return source(errno);
    struct stat info {};
    if (::fstat(in.get(), &info) != 0)
        return source(errno);
    // A folder or a device is not a shot; refuse before creating anything.
    if (!S_ISREG(info.st_mode))
        return source(S_ISDIR(info.st_mode) ? EISDIR : EINVAL);

    return createFilled(to, [&in](int out) { return stream(in.get(), out); });
}

std::optional<Failure> writeToNew(const QString &to, const QByteArray &data)
{
    return createFilled(to, [&data](int out) -> std::optional<Failure> {
        if (const int error = writeAll(out, data.constData(), data.size()))
            return target(error);
        return std::nullopt;
    });
}

QString describe(int error)
{
    char buffer[256] = {};
    // The GNU strerror_r returns a pointer that may or may not be `buffer`.
    const char *text = ::strerror_r(error, buffer, sizeof buffer);
    return QString::fromLocal8Bit(text);
}

} // namespace NewFiles
