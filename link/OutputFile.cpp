#include "link/OutputFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QString SystemText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}
// The system's reason of a failed write: the device's text may be only
// "Unknown error" when the failure came in a buffered write's flush.
QString LastError(const QFileDevice& file) {
    return errno != 0 ? SystemText(errno) : file.errorString();
}
} // namespace

QString FileErrorText(const QString& systemText) {
    if (systemText == SystemText(ENOSPC) || systemText == SystemText(EDQUOT))
        return QStringLiteral("Нет места на диске");
    return systemText;
}

TOutputFile::TOutputFile(const QString& name) : m_name(name) {}

TOutputFile::~TOutputFile() {
    Cancel();
}

bool TOutputFile::Fail(const QString& systemText) {
    m_error = systemText;
    m_failed = true;
    return false;
}

bool TOutputFile::Open() {
    m_failed = false;
    m_error.clear();
    if (m_name == "-") {
        auto out = std::make_unique<QFile>();
        if (!out->open(STDOUT_FILENO, QIODevice::WriteOnly, QFileDevice::DontCloseHandle))
            return Fail(out->errorString());
        m_inPlace = true;
        m_file = std::move(out);
        return true;
    }
    const QByteArray path = QFile::encodeName(m_name);
    struct stat st {};
    m_existed = ::stat(path.constData(), &st) == 0; // follows a symbolic link
    if (m_existed && S_ISDIR(st.st_mode))
        return Fail(QStringLiteral("это папка, а не файл"));
    if (m_existed && !S_ISREG(st.st_mode)) {
        // A stream or device: opened as it is, never truncated or replaced.
        const bool fifo = S_ISFIFO(st.st_mode);
        int fd = ::open(path.constData(),
                        O_WRONLY | O_CLOEXEC | (fifo && !m_waitForReader ? O_NONBLOCK : 0));
        if (fd < 0 && errno == ENXIO)
            return Fail(QStringLiteral("этот канал не читает ни одна программа"));
        if (fd < 0)
            return Fail(SystemText(errno));
        if (fifo) // the reader is there: writes may wait for it from now on
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        auto out = std::make_unique<QFile>();
        if (!out->open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
            ::close(fd);
            return Fail(out->errorString());
        }
        m_inPlace = true;
        m_file = std::move(out);
        return true;
    }
    auto save = std::make_unique<QSaveFile>(m_name);
    if (save->open(QIODevice::WriteOnly)) {
        m_file = std::move(save);
        return true;
    }
    // No temporary file beside the target: a file the operator may write is
    // written in place rather than not at all. (Plain QFile rather than the
    // save file's own fallback, which takes only a refused permission for
    // that case, not a folder whose entries are fixed, as root meets it.)
    if (m_existed && QFileInfo(m_name).isWritable()) {
        auto out = std::make_unique<QFile>(m_name);
        if (out->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            m_inPlace = m_notAtomic = true;
            m_file = std::move(out);
            return true;
        }
    }
    return Fail(save->errorString());
}

bool TOutputFile::Write(const QByteArray& bytes) {
    if (m_failed || !m_file)
        return false;
    errno = 0;
    if (m_file->write(bytes) != bytes.size())
        return Fail(LastError(*m_file));
    return true;
}

bool TOutputFile::Commit() {
    if (!m_file)
        return false;
    if (m_failed) {
        Cancel();
        return false;
    }
    // The buffer's last part is written here; its failure (a full disk) must
    // not be taken for success, as a plain commit would.
    errno = 0;
    if (!m_file->flush()) {
        const QString why = LastError(*m_file);
        Cancel();
        return Fail(why);
    }
    if (!m_inPlace || m_notAtomic) {
        // On disk before it replaces the old file: a power cut then leaves
        // one or the other whole. (Delayed allocation may report a full disk
        // only here.)
        if (::fsync(m_file->handle()) != 0 && errno != EINVAL) {
            const QString why = SystemText(errno);
            Cancel();
            return Fail(why);
        }
    }
    if (auto* save = dynamic_cast<QSaveFile*>(m_file.get())) {
        const bool ok = save->commit();
        const QString why = save->errorString();
        m_file.reset();
        return ok || Fail(why);
    }
    m_file->close();
    m_file.reset();
    return true;
}

void TOutputFile::Cancel() {
    if (auto* save = dynamic_cast<QSaveFile*>(m_file.get()))
        save->cancelWriting(); // the destructor removes the temporary file
    m_file.reset();
}

QString TOutputFile::NotAtomicNote() const {
    return m_notAtomic ? ::NotAtomicNote(m_name) : QString();
}

QString NotAtomicNote(const QString& name) {
    return QStringLiteral("Файл %1 записан на месте прежнего: в его папке нельзя создать "
                          "временный файл, поэтому запись не была атомарной.")
        .arg(name);
}
