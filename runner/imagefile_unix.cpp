#include "imagefile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

ImageFile ImageFile::read(const QString &path, qint64 maxSize)
{
    return read(path, maxSize, true);
}

QByteArray ImageFile::start(const QString &path, qint64 size)
{
    return read(path, size, false).bytes;
}

ImageFile ImageFile::read(const QString &path, qint64 maxSize, bool whole)
{
    // Without O_NONBLOCK, opening a FIFO waits for a writer.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return errno == ENOENT || errno == ENOTDIR ? ImageFile{Missing, {}, {}}
                                                   : ImageFile{Failed, {}, qt_error_string(errno)};
    }
    ImageFile result;
    struct stat info = {};
    if (::fstat(fd, &info) != 0) {
        result.error = qt_error_string(errno);
    } else if (!S_ISREG(info.st_mode)) {
        result.status = NotAFile;
    } else if (whole && info.st_size > maxSize) {
        result.status = TooLarge;
    } else {
        // One byte more than allowed: the file may have grown since fstat.
        QByteArray bytes(maxSize + 1, Qt::Uninitialized);
        qsizetype size = 0;
        while (size < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + size, size_t(bytes.size() - size));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                result.error = qt_error_string(errno);
            if (n <= 0)
                break;
            size += n;
        }
        if (result.error.isEmpty()) {
            bytes.truncate(whole ? size : qMin(size, maxSize));
            result.status = bytes.size() > maxSize ? TooLarge : Read;
            if (result.status == Read)
                result.bytes = bytes;
        }
    }
    ::close(fd);
    return result;
}
