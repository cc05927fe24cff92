#include "archive/ArchiveChange.h"

#include "common/Ansi.h"
#include "common/SysError.h"
#include "platform/file/FileLock.h"
#include "platform/file/PosixIO.h"

#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace archivechange
{

namespace
{

// Records read or written in one system call: about 1.2 MB.
constexpr int BlockRecords = 4096;
constexpr qsizetype BlockBytes = qsizetype(BlockRecords) * ConnRecord::Size;

// Journal layout, little-endian: a 64-byte header, then one entry per record:
// its position (int32) and the old bytes of each span of the header.
//   0  magic "TRVJRNL1"        8  record size (u32)     12  span count (u32)
//  16  four spans: offset (u16), length (u16)          32  entries (u64)
//  40  check value of the entries (u64)               48  archive size (u64)
constexpr char Magic[8] = {'T', 'R', 'V', 'J', 'R', 'N', 'L', '1'};
constexpr int HeaderSize = 64;
constexpr int MaxSpans = 4;

struct Span {
    uint16_t offset;
    uint16_t length;
};

// What a re-pricing rewrites: indice and costo (contiguous), and nomeTar.
const std::vector<Span> RepriceSpans = {{ConnRecord::OffIndice, 8},
                                        {ConnRecord::OffNomeTar, ConnRecord::NomeTarMax + 1}};
// What a deletion rewrites: everything.
const std::vector<Span> EraseSpans = {{0, ConnRecord::Size}};

int entrySize(const std::vector<Span>& spans)
{
    int n = 4;
    for (const Span& s : spans)
        n += s.length;
    return n;
}

uint64_t checkValue(uint64_t h, const char* p, size_t n)
{
    constexpr uint64_t Prime = 0x100000001b3ULL;
    for (; n >= 8; p += 8, n -= 8) {
        uint64_t w;
        std::memcpy(&w, p, 8);
        h = (h ^ w) * Prime;
        h ^= h >> 29;
    }
    for (; n > 0; ++p, --n)
        h = (h ^ uint8_t(*p)) * Prime;
    return h;
}
constexpr uint64_t CheckSeed = 0xcbf29ce484222325ULL;

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

QString tempJournalPath(const QString& archivePath)
{
    return journalPath(archivePath) + QStringLiteral(".new");
}

// Whole records of the archive in a block-sized buffer: read on demand,
// patched in place, written back (only the records patched, and those
// between them) when another block is needed or at flush().
class BlockCache
{
public:
    BlockCache(int fd, int64_t count) : m_fd(fd), m_count(count), m_buf(new char[BlockBytes]) {}

    // Record idx, read with the block that starts at it; nullptr (error()
    // set) when it cannot be read. Any patched block is written back first.
    char* at(int64_t idx)
    {
        if (idx >= m_first && idx < m_first + m_n)
            return record(idx);
        if (!flush())
            return nullptr;
        const int64_t n = std::min<int64_t>(BlockRecords, m_count - idx);
        const qsizetype got = posixio::readAllAt(m_fd, m_buf.get(), n * ConnRecord::Size,
                                                 off_t(idx) * ConnRecord::Size);
        if (got < 0) {
            m_errno = errno;
            return nullptr;
        }
        if (got < n * ConnRecord::Size) { // the file was cut behind our back
            m_errno = EIO;
            return nullptr;
        }
        m_first = idx;
        m_n = n;
        return record(idx);
    }

    void markPatched(int64_t idx)
    {
        m_lo = std::min(m_lo, idx);
        m_hi = std::max(m_hi, idx);
    }

    bool flush()
    {
        if (m_hi < m_lo)
            return true;
        const bool ok =
            posixio::writeAllAt(m_fd, record(m_lo), (m_hi - m_lo + 1) * ConnRecord::Size,
                                off_t(m_lo) * ConnRecord::Size);
        if (!ok)
            m_errno = errno;
        m_lo = INT64_MAX;
        m_hi = -1;
        return ok;
    }

    int error() const { return m_errno; }

private:
    char* record(int64_t idx) { return m_buf.get() + (idx - m_first) * ConnRecord::Size; }

    int m_fd;
    int64_t m_count;
    std::unique_ptr<char[]> m_buf;
    int64_t m_first = -1;
    int64_t m_n = 0;
    int64_t m_lo = INT64_MAX;
    int64_t m_hi = -1;
    int m_errno = 0;
};

// The journal being written under its temporary name.
class JournalWriter
{
public:
    JournalWriter(const std::vector<Span>& spans) : m_spans(spans), m_entrySize(entrySize(spans))
    {
        m_buf.reserve(1 << 20);
    }
    ~JournalWriter() { discard(); }

    bool create(const QByteArray& path)
    {
        m_path = path;
        m_fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        return m_fd >= 0;
    }

    bool add(int32_t idx, const char* record)
    {
        const qsizetype at = m_buf.size();
        m_buf.resize(at + m_entrySize);
        char* p = m_buf.data() + at;
        qToLittleEndian<qint32>(idx, p);
        p += 4;
        for (const Span& s : m_spans) {
            std::memcpy(p, record + s.offset, s.length);
            p += s.length;
        }
        m_check = checkValue(m_check, m_buf.constData() + at, size_t(m_entrySize));
        ++m_entries;
        return m_buf.size() < (1 << 20) || flush();
    }

    // Writes the header, syncs and closes: the journal is complete.
    bool finish(uint64_t archiveSize)
    {
        if (!flush())
            return false;
        char h[HeaderSize] = {};
        std::memcpy(h, Magic, 8);
        qToLittleEndian<quint32>(ConnRecord::Size, h + 8);
        qToLittleEndian<quint32>(quint32(m_spans.size()), h + 12);
        for (size_t i = 0; i < m_spans.size(); ++i) {
            qToLittleEndian<quint16>(m_spans[i].offset, h + 16 + 4 * i);
            qToLittleEndian<quint16>(m_spans[i].length, h + 18 + 4 * i);
        }
        qToLittleEndian<quint64>(m_entries, h + 32);
        qToLittleEndian<quint64>(m_check, h + 40);
        qToLittleEndian<quint64>(archiveSize, h + 48);
        if (!posixio::writeAllAt(m_fd, h, HeaderSize, 0) || ::fsync(m_fd) != 0)
            return false;
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

    // Closes and removes the temporary file (nothing when finished).
    void discard()
    {
        if (m_fd < 0)
            return;
        ::close(m_fd);
        m_fd = -1;
        ::unlink(m_path.constData());
    }

    uint64_t entries() const { return m_entries; }

private:
    bool flush()
    {
        const bool ok =
            m_buf.isEmpty() || posixio::writeAllAt(m_fd, m_buf.constData(), m_buf.size(),
                                                   off_t(HeaderSize + m_written));
        m_written += m_buf.size();
        m_buf.clear();
        return ok;
    }

    std::vector<Span> m_spans;
    int m_entrySize;
    QByteArray m_path;
    int m_fd = -1;
    QByteArray m_buf;
    int64_t m_written = 0;
    uint64_t m_entries = 0;
    uint64_t m_check = CheckSeed;
};

// A journal read back: its spans and entries, checked before use.
struct JournalReader {
    std::vector<Span> spans;
    int entrySize = 0;
    uint64_t entries = 0;
    uint64_t check = 0;

    // False when the file is not a journal of ours that holds together.
    bool readHeader(int fd)
    {
        char h[HeaderSize];
        struct stat st {
        };
        if (::fstat(fd, &st) != 0 || posixio::readAllAt(fd, h, HeaderSize, 0) != HeaderSize)
            return false;
        if (std::memcmp(h, Magic, 8) != 0 || qFromLittleEndian<quint32>(h + 8) != ConnRecord::Size)
            return false;
        const quint32 n = qFromLittleEndian<quint32>(h + 12);
        if (n < 1 || n > MaxSpans)
            return false;
        for (quint32 i = 0; i < n; ++i) {
            const Span s{qFromLittleEndian<quint16>(h + 16 + 4 * i),
                         qFromLittleEndian<quint16>(h + 18 + 4 * i)};
            if (s.length == 0 || s.offset + s.length > ConnRecord::Size)
                return false;
            spans.push_back(s);
        }
        entrySize = archivechange::entrySize(spans);
        entries = qFromLittleEndian<quint64>(h + 32);
        check = qFromLittleEndian<quint64>(h + 40);
        return entries <= uint64_t(INT32_MAX) &&
               uint64_t(st.st_size) == HeaderSize + entries * uint64_t(entrySize);
    }

    // Calls each(entry bytes) for every entry, in file order; false on a
    // read error.
    template <typename F> bool forEach(int fd, F each) const
    {
        const qsizetype perChunk = std::max<qsizetype>(1, (1 << 20) / entrySize);
        QByteArray chunk(perChunk * entrySize, Qt::Uninitialized);
        for (uint64_t done = 0; done < entries;) {
            const qsizetype n = qsizetype(std::min<uint64_t>(perChunk, entries - done));
            const off_t at = off_t(HeaderSize + done * uint64_t(entrySize));
            if (posixio::readAllAt(fd, chunk.data(), n * entrySize, at) != n * entrySize)
                return false;
            for (qsizetype i = 0; i < n; ++i)
                each(chunk.constData() + i * entrySize);
            done += uint64_t(n);
        }
        return true;
    }
};

enum class Mode { Reprice, Erase };

struct NewCost {
    int32_t indice;
    float costo;
};

class Change
{
public:
    Change(Mode mode, const QString& path, const Options& options)
        : m_mode(mode), m_path(path), m_options(options)
    {
    }
    ~Change()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    Result run(const Targets& targets, const QString& nomeTar, const PriceFn* price);

private:
    bool fail(const QString& text)
    {
        m_result.status = Status::Failed;
        m_result.error = text;
        return false;
    }
    bool failWrite(const QString& path, int err)
    {
        return fail(QStringLiteral("Cannot write file %1: %2").arg(path, systemErrorText(err)));
    }
    bool failRead(int err)
    {
        return fail(QStringLiteral("Cannot read file %1: %2").arg(m_path, systemErrorText(err)));
    }
    void checkpoint(const char* step) const
    {
        if (m_options.checkpoint)
            m_options.checkpoint(step);
    }
    bool keepGoing(Phase phase, int64_t done, int64_t total) const
    {
        return !m_options.progress || m_options.progress({phase, done, total});
    }

    bool pick(const Targets& targets);
    bool take(int64_t idx, const char* record);
    bool commit();
    // Puts the old bytes back after a failure or a stop of the writing.
    void undo(const QString& why);

    Mode m_mode;
    QString m_path;
    const Options& m_options;
    const PriceFn* m_price = nullptr;
    QByteArray m_nomeTar; // the field's bytes: length byte, characters, zeros
    int m_fd = -1;
    int64_t m_count = 0;
    off_t m_size = 0;
    std::unique_ptr<JournalWriter> m_journal;
    std::vector<NewCost> m_changes;
    Result m_result;
};

Result Change::run(const Targets& targets, const QString& nomeTar, const PriceFn* price)
{
    m_price = price;
    if (m_mode == Mode::Reprice) {
        QByteArray field(ConnRecord::NomeTarMax + 1, '\0');
        const QByteArray text = ansi::fromUnicode(nomeTar).left(ConnRecord::NomeTarMax);
        field[0] = char(text.size());
        std::memcpy(field.data() + 1, text.constData(), size_t(text.size()));
        m_nomeTar = field;
    }

    const QByteArray path = native(m_path);
    m_fd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
    if (m_fd < 0) {
        fail(QStringLiteral("Cannot open file %1").arg(m_path));
        return m_result;
    }
    const TFileLock lock(m_fd, m_options.lockWaitMs);
    if (!lock.held()) {
        m_result.busy = true;
        fail(QStringLiteral("Cannot write file %1: in uso da un altro processo").arg(m_path));
        return m_result;
    }
    // A change cut short before this one is undone first: its journal holds
    // the bytes this one must start from.
    QString error;
    if (!recover(m_fd, m_path, &error)) {
        fail(error);
        return m_result;
    }
    struct stat st {
    };
    if (::fstat(m_fd, &st) != 0) {
        failRead(errno);
        return m_result;
    }
    m_size = st.st_size;
    m_count = st.st_size / ConnRecord::Size;

    // A temporary journal left by a change that died before finishing it:
    // the archive was never touched by that change.
    const QByteArray temp = native(tempJournalPath(m_path));
    ::unlink(temp.constData());
    m_journal =
        std::make_unique<JournalWriter>(m_mode == Mode::Reprice ? RepriceSpans : EraseSpans);
    if (!m_journal->create(temp)) {
        failWrite(tempJournalPath(m_path), errno);
        return m_result;
    }
    if (!pick(targets) || m_changes.empty()) {
        m_journal->discard();
        return m_result;
    }
    commit();
    return m_result;
}

// Reads the targets, prices them and journals the old bytes of each record
// that changes. False when the change ends here (stopped or failed).
bool Change::pick(const Targets& t)
{
    BlockCache cache(m_fd, m_count);
    if (!t.byDays) {
        const int64_t total = int64_t(t.listed.size());
        for (int64_t i = 0; i < total; ++i) {
            if (i == BlockRecords)
                checkpoint("read-part");
            if (i % BlockRecords == 0 && i > 0 && !keepGoing(Phase::Reading, i, total)) {
                m_result.status = Status::Stopped;
                return false;
            }
            const RecordRef& ref = t.listed[size_t(i)];
            const char* p = nullptr;
            if (ref.indice >= 0 && ref.indice < m_count) {
                p = cache.at(ref.indice);
                if (!p)
                    return failRead(cache.error());
            }
            if (!p || ConnRecord::classify(p) != ConnRecord::Kind::Stored ||
                RecordView(p).inizio() != ref.inizio) {
                ++m_result.missing;
                if (t.stopAtMissing)
                    break;
                continue;
            }
            if (!take(ref.indice, p))
                return false;
        }
        if (!keepGoing(Phase::Reading, total, total)) {
            m_result.status = Status::Stopped;
            return false;
        }
        return true;
    }
    for (int64_t first = 0; first < m_count; first += BlockRecords) {
        const char* block = cache.at(first);
        if (!block)
            return failRead(cache.error());
        const int64_t n = std::min<int64_t>(BlockRecords, m_count - first);
        for (int64_t k = 0; k < n; ++k) {
            const char* p = block + k * ConnRecord::Size;
            // The start's day first: most records of a long archive lie
            // outside the period and need nothing more.
            const double day = std::trunc(RecordView(p).inizio());
            if (!(day >= t.fromDay && day <= t.toDay) ||
                ConnRecord::classify(p) != ConnRecord::Kind::Stored)
                continue;
            if (!take(first + k, p))
                return false;
        }
        if (first == 0)
            checkpoint("read-part");
        if (!keepGoing(Phase::Reading, first + n, m_count)) {
            m_result.status = Status::Stopped;
            return false;
        }
    }
    return true;
}

bool Change::take(int64_t idx, const char* p)
{
    float costo = 0;
    if (m_mode == Mode::Reprice) {
        const RecordView v(p);
        const std::optional<float> c = (*m_price)(v.inizio(), v.fine());
        if (!c) {
            ++m_result.noBand;
            return true;
        }
        costo = *c;
        ++m_result.changed;
        // Priced as it stands: nothing to write.
        const float old = v.costo();
        if (std::memcmp(&old, &costo, 4) == 0 &&
            qFromLittleEndian<qint32>(p + ConnRecord::OffIndice) == idx &&
            std::memcmp(p + ConnRecord::OffNomeTar, m_nomeTar.constData(), m_nomeTar.size()) == 0)
            return true;
    } else {
        ++m_result.changed;
    }
    if (!m_journal->add(int32_t(idx), p))
        return failWrite(tempJournalPath(m_path), errno);
    m_changes.push_back({int32_t(idx), costo});
    return true;
}

bool Change::commit()
{
    // The journal is complete and on disk under its final name before the
    // first byte of the archive changes.
    const QString finalPath = journalPath(m_path);
    const QByteArray temp = native(tempJournalPath(m_path));
    const QByteArray final = native(finalPath);
    if (!m_journal->finish(uint64_t(m_size)))
        return failWrite(tempJournalPath(m_path), errno);
    if (::rename(temp.constData(), final.constData()) != 0) {
        const int err = errno;
        ::unlink(temp.constData());
        return failWrite(finalPath, err);
    }
    if (posixio::syncFolderOf(final) != posixio::FolderSync::Synced) {
        const int err = errno;
        ::unlink(final.constData());
        return failWrite(finalPath, err);
    }
    checkpoint("journal");

    std::stable_sort(m_changes.begin(), m_changes.end(),
                     [](const NewCost& a, const NewCost& b) { return a.indice < b.indice; });
    BlockCache cache(m_fd, m_count);
    const int64_t total = int64_t(m_changes.size());
    for (int64_t i = 0; i < total; ++i) {
        const NewCost& c = m_changes[size_t(i)];
        char* p = cache.at(c.indice);
        if (!p) {
            undo(QStringLiteral("Cannot write file %1: %2")
                     .arg(m_path, systemErrorText(cache.error())));
            return false;
        }
        if (m_mode == Mode::Reprice) {
            qToLittleEndian<qint32>(c.indice, p + ConnRecord::OffIndice);
            quint32 u;
            std::memcpy(&u, &c.costo, 4);
            qToLittleEndian<quint32>(u, p + ConnRecord::OffCosto);
            std::memcpy(p + ConnRecord::OffNomeTar, m_nomeTar.constData(),
                        size_t(m_nomeTar.size()));
        } else {
            std::memset(p, 0, ConnRecord::Size);
        }
        cache.markPatched(c.indice);
        if ((i + 1) % BlockRecords == 0) {
            if (i + 1 == BlockRecords)
                checkpoint("written-part");
            if (!keepGoing(Phase::Writing, i + 1, total)) {
                undo(QString());
                m_result.status = Status::Stopped;
                return false;
            }
        }
    }
    if (!cache.flush()) {
        undo(
            QStringLiteral("Cannot write file %1: %2").arg(m_path, systemErrorText(cache.error())));
        return false;
    }
    checkpoint("written");
    if (!posixio::syncData(m_fd)) {
        undo(QStringLiteral("Cannot write file %1: %2").arg(m_path, systemErrorText(errno)));
        return false;
    }
    checkpoint("synced");
    // The change is made once the journal is gone.
    if (::unlink(final.constData()) != 0) {
        undo(QStringLiteral("Cannot write file %1: %2").arg(finalPath, systemErrorText(errno)));
        return false;
    }
    // Should the removal not outlast a crash, the journal found again undoes
    // the whole change: the archive is still all or nothing.
    posixio::syncFolderOf(final);
    checkpoint("done");
    keepGoing(Phase::Writing, total, total);
    return true;
}

void Change::undo(const QString& why)
{
    QString error;
    const bool undone = recover(m_fd, m_path, &error);
    m_result.status = Status::Failed;
    m_result.error = why;
    if (!undone) {
        // The journal stays: the next open of the archive tries again.
        if (!m_result.error.isEmpty())
            m_result.error += QLatin1Char('\n');
        m_result.error += error;
    }
}

} // namespace

Targets Targets::rows(std::vector<RecordRef> refs, bool stopAtMissing)
{
    Targets t;
    t.listed = std::move(refs);
    t.stopAtMissing = stopAtMissing;
    return t;
}

Targets Targets::days(TDateTime fromDay, TDateTime toDay)
{
    Targets t;
    t.byDays = true;
    t.fromDay = std::trunc(fromDay);
    t.toDay = std::trunc(toDay);
    return t;
}

Result reprice(const QString& archivePath, const Targets& targets, const QString& nomeTar,
               const PriceFn& price, const Options& options)
{
    return Change(Mode::Reprice, archivePath, options).run(targets, nomeTar, &price);
}

Result erase(const QString& archivePath, const Targets& targets, const Options& options)
{
    return Change(Mode::Erase, archivePath, options).run(targets, QString(), nullptr);
}

QString journalPath(const QString& archivePath)
{
    return archivePath + QStringLiteral(".journal");
}

bool recover(int fd, const QString& archivePath, QString* error)
{
    const QString path = journalPath(archivePath);
    const QByteArray jnative = native(path);
    const int jfd = ::open(jnative.constData(), O_RDONLY | O_CLOEXEC);
    if (jfd < 0) {
        if (errno == ENOENT)
            return true;
        if (error)
            *error = QStringLiteral("Cannot open file %1").arg(path);
        return false;
    }
    const auto fail = [&](int err) {
        ::close(jfd);
        if (error)
            *error =
                QStringLiteral("Cannot write file %1: %2").arg(archivePath, systemErrorText(err));
        return false;
    };

    JournalReader j;
    bool sound = j.readHeader(jfd);
    if (sound) {
        uint64_t check = CheckSeed;
        if (!j.forEach(jfd,
                       [&](const char* e) { check = checkValue(check, e, size_t(j.entrySize)); }))
            return fail(errno);
        sound = check == j.check;
    }
    if (!sound) {
        ::close(jfd);
        const QByteArray aside = native(path + QStringLiteral(".damaged"));
        ::rename(jnative.constData(), aside.constData());
        // Lost in a crash, the rename is simply made again at the next opening.
        posixio::syncFolderOf(jnative);
        return true;
    }

    struct stat st {
    };
    if (::fstat(fd, &st) != 0)
        return fail(errno);
    BlockCache cache(fd, st.st_size / ConnRecord::Size);
    const int64_t count = st.st_size / ConnRecord::Size;
    int err = 0;
    const bool read = j.forEach(jfd, [&](const char* e) {
        if (err)
            return;
        const int32_t idx = qFromLittleEndian<qint32>(e);
        if (idx < 0 || idx >= count) // cut off behind our back: nothing to put back
            return;
        char* p = cache.at(idx);
        if (!p) {
            err = cache.error();
            return;
        }
        const char* old = e + 4;
        for (const Span& s : j.spans) {
            std::memcpy(p + s.offset, old, s.length);
            old += s.length;
        }
        cache.markPatched(idx);
    });
    if (!read)
        return fail(errno);
    if (err)
        return fail(err);
    if (!cache.flush())
        return fail(cache.error());
    if (!posixio::syncData(fd))
        return fail(errno);
    ::close(jfd);
    if (::unlink(jnative.constData()) != 0 && errno != ENOENT) {
        if (error)
            *error = QStringLiteral("Cannot write file %1: %2").arg(path, systemErrorText(errno));
        return false;
    }
    // A journal that comes back after a crash is undone again: the same old
    // bytes go back in place.
    posixio::syncFolderOf(jnative);
    return true;
}

} // namespace archivechange
