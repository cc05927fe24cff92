#pragma once
// The connection archive: 308-byte records one after another, record i at
// byte 308 × i, no header. Records never move: deleting one writes the empty
// record over it. A trailing fragment shorter than a record (a write cut
// short by a crash) is not counted and the next append lands over it.
//
// The program is the only writer while it runs (single-instance lock); each
// write also holds an flock on the file for its duration (TFileLock), so
// another process (the command-line tool) that holds it keeps writers out
// while it works.
// Changes of many records at once go through archivechange; opening the file
// or writing a record first undoes such a change that was cut short.

#include "archive/ConnRecord.h"

#include <QList>
#include <QString>

class IPrompt;

class TArchiveFile
{
public:
    static inline const QString DefaultFileName = QStringLiteral("Archivio.sto");

    enum class Access { ReadWrite, ReadOnly };
    enum class ReadStatus { Stored, Deleted, Damaged, Failed };

    // folder: the program folder, with or without a trailing '/'.
    explicit TArchiveFile(const QString& folder, const QString& fileName = DefaultFileName);
    ~TArchiveFile();
    TArchiveFile(const TArchiveFile&) = delete;
    TArchiveFile& operator=(const TArchiveFile&) = delete;

    QString path() const { return m_path; }

    // Opens the file (closing it first if open); ReadWrite creates a missing
    // file empty. Refreshes count(). On failure errorText() holds
    // "Cannot create file <path>" or "Cannot open file <path>".
    bool open(Access access = Access::ReadWrite);
    void close();
    bool isOpen() const { return m_fd >= 0; }

    // Whole records in the file at the last open, plus those appended since.
    int count() const { return m_count; }

    // Reads record i into `into` and sets its indice to i. A damaged record
    // leaves `into` as the empty record (with indice i).
    ReadStatus read(int i, ConnRecord& into);
    // How long a write waits for another process that holds the archive.
    static constexpr int WriteLockWaitMs = 1000;

    // Writes rec at position i (i == count() appends). The write is complete
    // or not there at all: on failure the file is cut back to its old length
    // and the old bytes are put back, so no later record ever shifts.
    bool write(int i, const ConnRecord& rec, int lockWaitMs = WriteLockWaitMs);
    // The last write failed only because another process holds the archive
    // (a change of many records, in the command-line tool): it may be tried
    // again later.
    bool busy() const { return m_busy; }

    // Reads the records first..first + n - 1, as stored, into `into` (n × 308
    // bytes); returns how many whole records were there (fewer at the end of
    // the file), or -1 on a read error.
    int readBlock(int first, int n, char* into);

    // Every stored record, with indice set; damaged positions are listed in
    // *damaged when given. Needs an open file.
    QList<ConnRecord> readStored(QList<int>* damaged = nullptr);

    // Message of the last failure, in the runtime's words.
    QString errorText() const { return m_error; }

private:
    bool fail(const QString& text);

    QString m_path;
    int m_fd = -1;
    bool m_writable = false;
    int m_count = 0;
    bool m_busy = false;
    QString m_error;
};

// The program's general error box, used for every archive failure.
void showArchiveError(IPrompt& prompt, const QString& text);
