#pragma once
// One output file written so that what the operator is told is what the disk
// holds. A regular file (or a new name) is written beside the target and put
// in place only after a checked flush and sync: a full disk or a killed run
// keeps the old file. Where no file can be made beside the target (a shared
// folder that lets its files be written but no new ones made), the file is
// written in place and the caller is told it was not atomic. A FIFO, a
// character device or a terminal is opened and written as it is, never
// replaced; "-" is the standard output.

#include <QString>
#include <memory>

class QFileDevice;

// The operator's text for a system error text: a full disk or quota reads
// "Нет места на диске", anything else as the system puts it.
QString FileErrorText(const QString& systemText);
// The operator's note on a file overwritten in place, not atomically.
QString NotAtomicNote(const QString& name);

class TOutputFile {
public:
    // `name`: the target's path, or "-" for the standard output.
    explicit TOutputFile(const QString& name);
    ~TOutputFile(); // an open file not committed is cancelled
    TOutputFile(const TOutputFile&) = delete;
    TOutputFile& operator=(const TOutputFile&) = delete;

    // A FIFO without a reader: by default the open fails at once instead of
    // waiting for one (a window must not hang); a command-line tool waits,
    // as a shell redirection would.
    void SetWaitForReader(bool wait) { m_waitForReader = wait; }

    // False with Error() set.
    bool Open();
    // False with Error() set; later writes and the commit then fail too.
    bool Write(const QByteArray& bytes);
    // Flushes, syncs and puts the file in place. False with Error() set: a
    // regular file keeps its old contents and the temporary file is removed.
    bool Commit();
    // Drops what was written (the old file stays; a stream is left as is).
    void Cancel();

    // The reason of the last failure, for the operator: "Нет места на диске"
    // for a full disk or quota, else the system's own text.
    QString Error() const { return FileErrorText(m_error); }
    // The same as the system puts it.
    QString SystemError() const { return m_error; }
    // The target existed before Open.
    bool Existed() const { return m_existed; }
    // Written as it is: a stream or device, or the in-place fallback.
    bool InPlace() const { return m_inPlace; }
    // A regular file overwritten in place because no temporary file could be
    // made beside it: a failure part-way leaves it cut short.
    bool NotAtomic() const { return m_notAtomic; }
    // A note for the operator when the write was not atomic; empty otherwise.
    QString NotAtomicNote() const;

private:
    bool Fail(const QString& systemText);

    QString m_name;
    std::unique_ptr<QFileDevice> m_file;
    QString m_error;
    bool m_existed = false;
    bool m_inPlace = false;
    bool m_notAtomic = false;
    bool m_failed = false;
    bool m_waitForReader = false;
};
