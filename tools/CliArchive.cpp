// archive list [--csv] [--from DATE] [--to DATE]: the stored connections of
// the program folder's archive, printed as they are read.
// archive reprice PROFILE [--from DATE] [--to DATE] [--iva PERCENT]: prices
// the stored connections of the period again with PROFILE, all or none.
// archive compare [--from DATE] [--to DATE] [--csv] [--iva PERCENT]: what
// the connections of the period would have cost with each profile of Trf/,
// cheapest first; nothing is written.
#include "archive/ArchiveChange.h"
#include "archive/ArchiveFile.h"
#include "common/Ansi.h"
#include "common/DateTime.h"
#include "tariff/Repricing.h"
#include "tariff/TariffComparison.h"
#include "tools/CliTariff.h"

#include <QFileDevice>
#include <QFileInfo>
#include <QtEndian>
#include <array>
#include <bit>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace
{

const char* const Columns[] = {"posizione", "inizio",   "fine",    "secondi",    "costo",
                               "telefono",  "provider", "profilo", "descrizione"};

// The period of --from and --to: whole days, both included; open ends when
// not given.
struct Period {
    TDateTime fromDay = -1e18;
    TDateTime toDay = 1e18;

    bool contains(TDateTime inizio) const
    {
        const double day = std::trunc(inizio);
        return day >= fromDay && day <= toDay;
    }
};

// Reads "--from DATE" and "--to DATE" (and, when iva is given, "--iva P")
// out of args; what is left goes to rest. False (message written) on a bad
// option or date.
bool readOptions(CliContext& ctx, const QStringList& args, Period& period, QStringList& rest,
                 std::optional<int32_t>* iva = nullptr)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString& word = args[i];
        const bool hasValue = i + 1 < args.size();
        if ((word == QLatin1String("--from") || word == QLatin1String("--to")) && hasValue) {
            TDateTime day = 0;
            if (!clitariff::parseTime(ctx, args[++i], day))
                return false;
            (word == QLatin1String("--from") ? period.fromDay : period.toDay) = dt::datePart(day);
        } else if (iva && word == QLatin1String("--iva") && hasValue) {
            bool ok = false;
            *iva = args[++i].toInt(&ok);
            if (!ok) {
                ctx.err << "argomento non valido: --iva " << args[i] << "\n";
                return false;
            }
        } else {
            rest.append(word);
        }
    }
    if (period.fromDay > period.toDay) {
        ctx.err << "il periodo finisce prima di cominciare\n";
        return false;
    }
    return true;
}

// What each Windows-1252 byte of a text becomes in the listing, worked out
// once: its UTF-8 bytes (up to 3, and 2 for a quote doubled inside a quoted
// CSV field), with control characters turned into spaces in the plain list.
// Each entry holds the bytes in its low four bytes and their count above
// them, so that one load gives both.
struct Transcoding {
    std::array<uint64_t, 256> entry{};

    explicit Transcoding(bool csv)
    {
        for (int b = 0; b < 256; ++b) {
            QByteArray u = ansi::toUnicode(QByteArray(1, char(b))).toUtf8();
            if (!csv && (b < 0x20 || b == 0x7F))
                u = " ";
            if (csv && b == '"')
                u = "\"\"";
            uint32_t bytes = 0;
            std::memcpy(&bytes, u.constData(), size_t(u.size()));
            entry[size_t(b)] = qFromLittleEndian(bytes) | uint64_t(u.size()) << 32;
        }
    }
    // Writes the bytes of entry e at out; returns where they end.
    static char* put(char* out, uint64_t e)
    {
        const uint32_t bytes = qToLittleEndian(uint32_t(e));
        std::memcpy(out, &bytes, 4);
        return out + (e >> 32);
    }
};

// Lines being written: a buffer of fixed size, filled by the record writer
// and handed on whole.
class LineBuffer
{
public:
    // More than one record's line can take: four texts of at most 280
    // characters, each up to 3 bytes and quoted, and the numbers.
    static constexpr size_t LineMax = 4096;

    explicit LineBuffer(size_t capacity) : m_buf(new char[capacity + LineMax]) {}

    void append(const char* p, size_t n)
    {
        std::memcpy(m_buf.get() + m_len, p, n);
        m_len += n;
    }
    void put(char c) { m_buf[m_len++] = c; }
    // Where the next bytes go, for writers that fill the buffer themselves
    // (one line at the most), and where they ended.
    char* cursor() { return m_buf.get() + m_len; }
    void advanceTo(const char* end) { m_len = size_t(end - m_buf.get()); }

    const char* data() const { return m_buf.get(); }
    size_t size() const { return m_len; }
    void clear() { m_len = 0; }

private:
    std::unique_ptr<char[]> m_buf;
    size_t m_len = 0;
};

// Where the listing goes: standard output (or whatever the command's stream
// writes to), written to directly, without converting the text again.
class Sink
{
public:
    explicit Sink(QTextStream& stream) : m_stream(stream)
    {
        m_stream.flush();
        m_device = stream.device();
        if (auto* file = qobject_cast<QFileDevice*>(m_device)) {
            file->flush();
            m_fd = file->handle();
        }
    }

    bool write(const char* p, size_t size)
    {
        if (size == 0 || m_failed)
            return !m_failed;
        if (m_fd >= 0) {
            for (size_t done = 0; done < size;) {
                const ssize_t n = ::write(m_fd, p + done, size - done);
                if (n < 0 && errno == EINTR)
                    continue;
                if (n <= 0) {
                    m_failed = true;
                    break;
                }
                done += size_t(n);
            }
        } else if (m_device) {
            m_failed = m_device->write(p, qint64(size)) != qint64(size);
        } else {
            m_stream << QString::fromUtf8(p, qsizetype(size));
        }
        return !m_failed;
    }
    bool write(const LineBuffer& b) { return write(b.data(), b.size()); }

private:
    QTextStream& m_stream;
    QIODevice* m_device = nullptr;
    int m_fd = -1;
    bool m_failed = false;
};

// One record a line, written field by field straight from the stored bytes
// at a cursor of its own (the line buffer learns where the line ended).
class RecordWriter
{
public:
    RecordWriter(LineBuffer& out, bool csv)
        : m_out(out), m_csv(csv), m_separator(csv ? ',' : '\t'), m_table(table(csv)),
          m_minutes(Minutes::table())
    {
    }

    void header()
    {
        for (size_t i = 0; i < std::size(Columns); ++i) {
            if (i > 0)
                m_out.put(m_separator);
            m_out.append(Columns[i], std::strlen(Columns[i]));
        }
        m_out.advanceTo(endLine(m_out.cursor()));
    }

    void record(const RecordView& v, int position)
    {
        const TDateTime inizio = v.inizio();
        const TDateTime fine = v.fine();
        char* o = m_out.cursor();
        o = integer(o, position);
        *o++ = m_separator;
        o = dateTime(o, inizio);
        *o++ = m_separator;
        o = dateTime(o, fine);
        *o++ = m_separator;
        o = integer(o, ConnRecord::durationSeconds(inizio, fine));
        *o++ = m_separator;
        o = cost(o, v.costo());
        static constexpr std::pair<int, int> Texts[] = {
            {ConnRecord::OffTelefono, ConnRecord::TelefonoMax},
            {ConnRecord::OffProvider, ConnRecord::ProviderMax},
            {ConnRecord::OffNomeTar, ConnRecord::NomeTarMax},
            {ConnRecord::OffMotivo, ConnRecord::MotivoMax}};
        for (const auto& [off, max] : Texts) {
            *o++ = m_separator;
            o = text(o, v.text(off, max));
        }
        m_out.advanceTo(endLine(o));
    }

private:
    static const Transcoding& table(bool csv)
    {
        static const Transcoding plain(false), quoted(true);
        return csv ? quoted : plain;
    }

    char* endLine(char* o) const
    {
        if (m_csv)
            *o++ = '\r';
        *o++ = '\n';
        return o;
    }

    // Decimal digits, two at a time from the last.
    static char* integer(char* o, int64_t v)
    {
        if (v < 0)
            *o++ = '-';
        uint64_t u = v < 0 ? 0 - uint64_t(v) : uint64_t(v);
        // Digits from the bits: 1233 / 4096 is just above log10(2), so this
        // is the count of digits or one less, which the power of ten tells.
        static constexpr auto Powers = [] {
            std::array<uint64_t, 20> p{};
            p[0] = 1;
            for (size_t i = 1; i < p.size(); ++i)
                p[i] = p[i - 1] * 10;
            return p;
        }();
        const uint64_t w = u | 1; // 0 has a digit, as 1 has
        const int below = (std::bit_width(w) * 1233) >> 12;
        const int digits = below + (w >= Powers[size_t(below)] ? 1 : 0);
        char* const end = o + digits;
        char* at = end;
        for (; u >= 100; u /= 100) {
            at -= 2;
            std::memcpy(at, dt::TwoDigits + 2 * (u % 100), 2);
        }
        if (u >= 10)
            std::memcpy(at - 2, dt::TwoDigits + 2 * u, 2);
        else
            at[-1] = char('0' + u);
        return end;
    }

    // Consecutive connections mostly share their day: its text is reused,
    // and only the time of day is written, its hours and minutes from a
    // table.
    char* dateTime(char* o, TDateTime d)
    {
        const double day = std::trunc(d);
        if (!(day == m_day)) // also for a value that is no number
            return newDay(o, d);
        std::memcpy(o, m_date, DateLength);
        const int seconds = dt::msOfDay(d) / 1000;
        const int minute = seconds / 60;
        const int second = seconds - minute * 60;
        std::memcpy(o + DateLength, m_minutes.text[size_t(minute)].data(), 8);
        std::memcpy(o + DateLength + 6, dt::TwoDigits + 2 * second, 2);
        return o + dt::IsoTextLength;
    }
    Q_DECL_COLD_FUNCTION char* newDay(char* o, TDateTime d)
    {
        if (dt::writeIsoText(d, o)) {
            m_day = std::trunc(d);
            std::memcpy(m_date, o, DateLength);
            return o + dt::IsoTextLength;
        }
        const QByteArray t = dt::toIsoText(d).toUtf8();
        std::memcpy(o, t.constData(), size_t(t.size()));
        return o + t.size();
    }
    // "hh:mm:00" of each minute of the day, as the date-time text has it.
    struct Minutes {
        std::array<std::array<char, 8>, 24 * 60> text;
        Minutes()
        {
            for (size_t m = 0; m < text.size(); ++m)
                dt::writeIsoTime(double(m) * 60 * 1000 * dt::OneMillisecond, text[m].data());
        }
        static const Minutes& table()
        {
            static const Minutes minutes;
            return minutes;
        }
    };

    // Two decimals, rounded on the exact value with halves away from zero,
    // as the number formatting of the rest of the program does.
    static char* cost(char* o, float costo)
    {
        const double v = costo;
        if (!(v >= 0 && v < 1e15)) {
            const QByteArray t = QString::number(v, 'f', 2).toUtf8();
            std::memcpy(o, t.constData(), size_t(t.size()));
            return o + t.size();
        }
        const double cents = v * 100.0;       // exact: a float times 100 fits a double
        const int64_t whole = int64_t(cents); // the floor: not negative
        const int64_t c = whole + (cents - double(whole) >= 0.5 ? 1 : 0);
        o = integer(o, c / 100);
        const int frac = int(c % 100);
        o[0] = '.';
        o[1] = dt::TwoDigits[2 * frac];
        o[2] = dt::TwoDigits[2 * frac + 1];
        return o + 3;
    }

    // Which of 16 bytes of a text (bit i for byte i) the table changes
    // (beyond ASCII; a quote in CSV; a control character in the plain list),
    // and which make a CSV field quoted.
    struct Marks {
        uint32_t changes;
        uint32_t quotes;
    };
    Marks marks(const uint8_t* p) const
    {
#if defined(__SSE2__)
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const auto is = [&x](char c) { return _mm_cmpeq_epi8(x, _mm_set1_epi8(c)); };
        if (m_csv) {
            const __m128i quote = is('"');
            return {uint32_t(_mm_movemask_epi8(_mm_or_si128(x, quote))),
                    uint32_t(_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(quote, is(',')),
                                                            _mm_or_si128(is('\r'), is('\n')))))};
        }
        // Bytes from 0x80 up compare below 0x20 as signed numbers, as control characters do.
        const __m128i control = _mm_or_si128(_mm_cmplt_epi8(x, _mm_set1_epi8(0x20)), is(0x7F));
        return {uint32_t(_mm_movemask_epi8(control)), 0};
#else
        Marks m{0, 0};
        for (int i = 0; i < 16; ++i) {
            const uint8_t b = p[i];
            const bool changes = b >= 0x80 || (m_csv ? b == '"' : b < 0x20 || b == 0x7F);
            const bool quotes = m_csv && (b == ',' || b == '"' || b == '\r' || b == '\n');
            m.changes |= uint32_t(changes) << i;
            m.quotes |= uint32_t(quotes) << i;
        }
        return m;
#endif
    }
    // The bits of marks() that lie within a text of n bytes from there.
    static uint32_t within(size_t n)
    {
        return n >= 16 ? 0xFFFF : (uint32_t(1) << n) - 1;
    }

    // RFC 4180 quoting for CSV; in the plain list, control characters (line
    // breaks of a description) become spaces so that a record stays one line.
    // A stored text may be read up to 16 bytes past its end (within its
    // block), and the line buffer has room for bytes written past the line.
    char* text(char* o, QByteArrayView bytes) const
    {
        const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
        const size_t n = size_t(bytes.size());
        uint32_t quotes = 0;
        if (m_csv)
            for (size_t i = 0; i < n; i += 16)
                quotes |= marks(p + i).quotes & within(n - i);
        if (quotes)
            *o++ = '"';
        // Sixteen bytes are copied as they are up to the first one the table
        // changes, which then goes through it.
        for (size_t i = 0; i < n;) {
            const uint32_t changes = marks(p + i).changes & within(n - i);
            std::memcpy(o, p + i, 16);
            if (changes == 0) {
                const size_t step = std::min<size_t>(16, n - i);
                o += step;
                i += step;
                continue;
            }
            const int k = std::countr_zero(changes);
            o = Transcoding::put(o + k, m_table.entry[p[i + size_t(k)]]);
            i += size_t(k) + 1;
        }
        if (quotes)
            *o++ = '"';
        return o;
    }

    static constexpr size_t DateLength = 11; // "yyyy-mm-dd "

    LineBuffer& m_out;
    const bool m_csv;
    const char m_separator;
    const Transcoding& m_table;
    const Minutes& m_minutes;
    double m_day = std::nan(""); // the day whose text m_date holds
    char m_date[DateLength] = {};
};

// Threads that run the jobs posted to them, in order, for as long as the
// object lives: a listing formats hundreds of blocks, and a thread for each
// would cost more than some blocks take to format.
class Formatters
{
public:
    explicit Formatters(int threads)
    {
        try {
            for (int i = 0; i < threads; ++i)
                m_threads.emplace_back([this] { run(); });
        } catch (const std::system_error&) { // fewer threads, or none: see post()
        }
    }
    ~Formatters()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        for (std::thread& t : m_threads)
            t.join();
    }

    // Runs job on one of the threads; without any, runs it here and now.
    std::future<void> post(std::function<void()> job)
    {
        std::packaged_task<void()> task(std::move(job));
        std::future<void> done = task.get_future();
        if (m_threads.empty()) {
            task();
            return done;
        }
        {
            const std::lock_guard lock(m_mutex);
            m_jobs.push_back(std::move(task));
        }
        m_wake.notify_one();
        return done;
    }

private:
    void run()
    {
        for (;;) {
            std::packaged_task<void()> task;
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, [this] { return m_stop || !m_jobs.empty(); });
                if (m_jobs.empty())
                    return;
                task = std::move(m_jobs.front());
                m_jobs.pop_front();
            }
            task();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::packaged_task<void()>> m_jobs;
    bool m_stop = false;
    std::vector<std::thread> m_threads;
};

// One block of the archive being listed: its records as read, and the lines
// and damaged positions they give. Blocks are read and formatted side by side
// on the formatting threads and written out in order.
struct Lane {
    static constexpr int BlockRecords = 4096;

    // Zeros after the last record read, for the texts' over-reads.
    static constexpr qsizetype Slack = 64;

    QByteArray records; // made as large as the block needs
    LineBuffer lines{size_t(BlockRecords) * LineBuffer::LineMax};
    QList<int> damaged;
    int first = 0; // the position of its first record
    int wanted = 0;
    int got = 0; // whole records read; fewer when the file was cut short; -1: not read
    QString readError;
    std::future<void> formatted;

    // Reads the block (one reader at a time: the archive keeps its last
    // error), then formats it.
    void fill(TArchiveFile& archive, std::mutex& reading, bool csv, const Period& period)
    {
        lines.clear();
        damaged.clear();
        const qsizetype size = qsizetype(wanted) * ConnRecord::Size + Slack;
        if (records.size() < size)
            records = QByteArray(size, Qt::Uninitialized);
        {
            const std::lock_guard lock(reading);
            got = archive.readBlock(first, wanted, records.data());
            if (got < 0) {
                readError = archive.errorText();
                return;
            }
        }
        std::memset(records.data() + qsizetype(got) * ConnRecord::Size, 0, Slack);
        RecordWriter writer(lines, csv);
        for (int k = 0; k < got; ++k) {
            const RecordView v(records.constData() + qsizetype(k) * ConnRecord::Size);
            const ConnRecord::Kind kind = v.kind();
            if (kind == ConnRecord::Kind::Damaged)
                damaged.append(first + k);
            if (kind == ConnRecord::Kind::Stored && period.contains(v.inizio()))
                writer.record(v, first + k);
        }
    }
};

int listArchive(CliContext& ctx, bool csv, const Period& period)
{
    TArchiveFile archive(ctx.folder);
    Sink sink(ctx.out);
    LineBuffer header(0);
    RecordWriter(header, csv).header();
    if (!sink.write(header)) {
        ctx.err << "impossibile scrivere l'elenco\n";
        return 1;
    }
    if (!QFileInfo::exists(archive.path()))
        return 0; // no connection recorded yet
    if (!archive.open(TArchiveFile::Access::ReadOnly)) {
        ctx.err << archive.errorText() << "\n";
        return 1;
    }

    // Four blocks in flight: two being read and formatted, one waiting to
    // be, one being written here. The lanes outlive the threads using them.
    const int count = archive.count();
    const int blocks = (count + Lane::BlockRecords - 1) / Lane::BlockRecords;
    std::array<Lane, 4> lanes;
    std::mutex reading;
    Formatters formatters(std::min(2, blocks));
    int posted = 0;
    const auto post = [&] {
        Lane& lane = lanes[size_t(posted) % lanes.size()];
        lane.first = posted * Lane::BlockRecords;
        lane.wanted = std::min(Lane::BlockRecords, count - lane.first);
        lane.formatted = formatters.post(
            [&lane, &archive, &reading, csv, period] { lane.fill(archive, reading, csv, period); });
        ++posted;
    };
    while (posted < blocks && posted < int(lanes.size()))
        post();
    QString readError;
    bool written = true;
    for (int k = 0; k < blocks; ++k) {
        Lane& lane = lanes[size_t(k) % lanes.size()];
        lane.formatted.get();
        if (lane.got < 0) {
            readError = lane.readError;
            break;
        }
        written = sink.write(lane.lines);
        for (int i : lane.damaged)
            ctx.err << "record " << i << " danneggiato o illeggibile: ignorato\n";
        if (!written || lane.got < lane.wanted) // the file was cut short meanwhile
            break;
        if (posted < blocks)
            post();
    }
    for (Lane& lane : lanes) // blocks read ahead that are not wanted any more
        if (lane.formatted.valid())
            lane.formatted.wait();
    if (!readError.isEmpty()) {
        ctx.err << readError << "\n";
        return 1;
    }
    if (!written) {
        ctx.err << "impossibile scrivere l'elenco\n";
        return 1;
    }
    return 0;
}

int repriceArchive(CliContext& ctx, const QStringList& args)
{
    using namespace clitariff;
    Period period;
    QStringList rest;
    std::optional<int32_t> iva;
    if (!readOptions(ctx, args, period, rest, &iva))
        return ExitUsage;
    if (rest.size() != 1 || rest[0].startsWith(QLatin1String("--"))) {
        ctx.err << "uso: archive reprice PROFILO [--from DATA] [--to DATA] [--iva PERCENTUALE]\n";
        return ExitUsage;
    }
    const QString profile = rest[0];
    TariffTable table;
    if (!loadProfile(ctx, profile, table))
        return ExitFailed;
    // A profile given by its file is named after the file, as in Trf/.
    const QString name = profile.endsWith(TProfileFiles::Extension) && QFileInfo(profile).isFile()
                             ? QFileInfo(profile).completeBaseName()
                             : profile;
    const int32_t percent = iva ? *iva : ivaSetting(ctx.err);

    const QString path = TArchiveFile(ctx.folder).path();
    archivechange::Result r;
    if (QFileInfo::exists(path)) {
        TflFestivi holidays{0};
        r = archivechange::reprice(path, archivechange::Targets::days(period.fromDay, period.toDay),
                                   name, [&](TDateTime inizio, TDateTime fine) {
                                       return repricing::costWithVat(table, inizio, fine, percent,
                                                                     holidays);
                                   });
    }
    if (r.status != archivechange::Status::Done) {
        ctx.err << r.error << "\n"
                << "nessuna connessione è stata modificata\n";
        return ExitFailed;
    }
    ctx.out << "ricalcolate=" << r.changed << "\n";
    ctx.out << "senza_fascia=" << r.noBand << "\n";
    if (r.noBand > 0)
        ctx.err << repricing::noBandStoredText(name, int(r.noBand))
                       .replace(QLatin1Char('\r'), QLatin1Char('\n'))
                << "\n";
    return 0;
}

const char* const CompareColumns[] = {"profilo",          "calcolate",      "senza_fascia",
                                      "totale_senza_iva", "totale_con_iva", "differenza"};

// A text field of the comparison table: RFC 4180 quoting in CSV; in the
// plain table, control characters become spaces so a row stays one line.
QString tableText(QString text, bool csv)
{
    if (!csv) {
        for (QChar& c : text)
            if (c.unicode() < 0x20 || c.unicode() == 0x7F)
                c = QLatin1Char(' ');
        return text;
    }
    if (text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) ||
        text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n')))
        return QLatin1Char('"') + text.replace(QLatin1Char('"'), QLatin1String("\"\"")) +
               QLatin1Char('"');
    return text;
}

// Lire with two decimals, halves away from zero, as the listing writes
// costs; a total that rounds to nothing is "0.00", never "-0.00".
QString lireText(double v)
{
    const QString t = QString::number(v, 'f', 2);
    return t == QLatin1String("-0.00") ? QStringLiteral("0.00") : t;
}

int compareArchive(CliContext& ctx, const QStringList& args)
{
    using namespace clitariff;
    Period period;
    QStringList rest;
    std::optional<int32_t> iva;
    if (!readOptions(ctx, args, period, rest, &iva))
        return ExitUsage;
    const bool csv = rest == QStringList{QStringLiteral("--csv")};
    if (!rest.isEmpty() && !csv) {
        ctx.err << "uso: archive compare [--from DATA] [--to DATA] [--csv] [--iva PERCENTUALE]\n";
        return ExitUsage;
    }

    QList<ComparedProfile> profiles = TTariffComparison::loadProfiles(ctx.folder);
    bool any = false;
    for (const ComparedProfile& p : std::as_const(profiles)) {
        if (!p.usable())
            ctx.err << "tabella <" << p.name << "> non confrontata: " << p.error << "\n";
        any = any || p.usable();
    }
    if (!any) {
        ctx.err << "nessuna tabella tariffaria da confrontare in " << ctx.folder
                << TProfileFiles::Folder << "\n";
        return ExitFailed;
    }
    const int32_t percent = iva ? *iva : ivaSetting(ctx.err);

    TTariffComparison comparison(std::move(profiles), percent);
    const bool begun = comparison.begin(std::make_unique<TArchivePeriodConnections>(
        TArchiveFile(ctx.folder).path(), period.fromDay, period.toDay));
    TTariffComparison::Step step =
        begun ? TTariffComparison::Step::More : TTariffComparison::Step::Failed;
    while (step == TTariffComparison::Step::More) {
        step = comparison.step();
        for (int i : comparison.takeDamaged())
            ctx.err << "record " << i << " danneggiato o illeggibile: ignorato\n";
    }
    if (step == TTariffComparison::Step::Failed) {
        ctx.err << comparison.errorText() << "\n";
        return ExitFailed;
    }

    const QString separator = csv ? QStringLiteral(",") : QStringLiteral("\t");
    const QString end = csv ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QStringList header;
    for (const char* c : CompareColumns)
        header << QLatin1String(c);
    QString table = header.join(separator) + end;
    for (const ComparisonRow& r : comparison.rows()) {
        if (!r.usable())
            continue; // named above
        table += QStringList{tableText(r.profile, csv),   QString::number(r.priced),
                             QString::number(r.unpriced), lireText(r.cost),
                             lireText(r.costWithVat),     lireText(r.difference())}
                     .join(separator) +
                 end;
        if (r.unpriced > 0)
            ctx.err << "tabella <" << r.profile
                    << ">: connessioni senza fascia oraria in vigore all'inizio, non calcolate: "
                    << r.unpriced << " (i totali della tabella riguardano solo le altre)\n";
    }
    ctx.out << table;
    ctx.out.flush();
    if (ctx.out.status() != QTextStream::Ok) {
        ctx.err << "impossibile scrivere la tabella\n";
        return ExitFailed;
    }
    return 0;
}

} // namespace

int cliArchive(CliContext& ctx)
{
    const QStringList& a = ctx.args;
    if (!a.isEmpty() && a[0] == QLatin1String("reprice"))
        return repriceArchive(ctx, a.mid(1));
    if (!a.isEmpty() && a[0] == QLatin1String("compare"))
        return compareArchive(ctx, a.mid(1));
    if (!a.isEmpty() && a[0] == QLatin1String("list")) {
        Period period;
        QStringList rest;
        if (!readOptions(ctx, a.mid(1), period, rest))
            return clitariff::ExitUsage;
        const bool csv = rest == QStringList{QStringLiteral("--csv")};
        if (rest.isEmpty() || csv)
            return listArchive(ctx, csv, period);
    }
    ctx.err
        << "uso: tarvelo-cli [--folder CARTELLA] archive list [--csv] [--from DATA] [--to DATA]\n"
           "     tarvelo-cli [--folder CARTELLA] archive reprice PROFILO [--from DATA] [--to "
           "DATA] [--iva PERCENTUALE]\n"
           "     tarvelo-cli [--folder CARTELLA] archive compare [--from DATA] [--to DATA] "
           "[--csv] [--iva PERCENTUALE]\n";
    return 2;
}
