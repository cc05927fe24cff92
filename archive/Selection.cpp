#include "archive/Selection.h"

#include "archive/ArchiveFile.h"
#include "common/Ansi.h"
#include "common/Format.h"

#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <cmath>

void SelectionTotals::add(TDateTime inizio, TDateTime fine, float costo)
{
    const double d = fine - inizio;
    totalCost += costo;
    totalTime += d;
    if (d < minTime)
        minTime = d;
    if (d > maxTime)
        maxTime = d;
    if (costo < minCost)
        minCost = costo;
    if (costo > maxCost)
        maxCost = costo;
}

// The filter, turned once into what a stored record's bytes are compared
// with: its texts compare as stored, without decoding any record's text.
struct TSelection::Matcher {
    struct Text {
        bool check = false;
        bool storable = true; // the text can be stored at all; if not, nothing equals it
        QByteArray bytes;
        int offset = 0;
        int maxLen = 0;

        void set(bool on, const QString& text, int off, int max)
        {
            check = on;
            bytes = ansi::fromUnicode(text);
            storable = text.size() <= max && ansi::toUnicode(bytes) == text;
            offset = off;
            maxLen = max;
        }
        bool differs(const RecordView& v) const
        {
            return !storable || v.text(offset, maxLen) != QByteArrayView(bytes);
        }
    };

    double from = 0;
    double to = 0;
    Text tariff;
    Text provider;
    Text telephone;

    explicit Matcher(const SelectionFilter& f)
    {
        const SavedQuery& q = f.query;
        from = dt::datePart(q.dal);
        to = dt::datePart(q.al);
        tariff.set(!q.tarTutti, q.nomeTar, ConnRecord::OffNomeTar, ConnRecord::NomeTarMax);
        // "Tutto" governs the telephone filter as well as the provider filter.
        provider.set(!q.provTutti && !f.providerBoxEmpty, q.provider, ConnRecord::OffProvider,
                     ConnRecord::ProviderMax);
        telephone.set(!q.provTutti && !f.telBoxEmpty, q.tel, ConnRecord::OffTelefono,
                      ConnRecord::TelefonoMax);
    }

    bool matches(const char* p) const
    {
        const RecordView v(p);
        // The start's day first: it settles most records of a long archive.
        // Written so that a date that is not a number (a damaged query file)
        // lets no day through.
        const double day = dt::datePart(v.inizio());
        if (!(day >= from) || !(day <= to))
            return false;
        if (ConnRecord::classify(p) != ConnRecord::Kind::Stored)
            return false;
        for (const Text* t : {&tariff, &provider, &telephone})
            if (t->check && t->differs(v))
                return false;
        return true;
    }
};

TSelection::TSelection() = default;
TSelection::~TSelection() = default;

void TSelection::reset()
{
    m_bytes.clear();
    m_bytes.squeeze();
    m_count = 0;
    ++m_generation;
    m_totals = SelectionTotals{};
    m_telephones.clear();
    m_telephoneSet.clear();
    m_error.clear();
    m_next = 0;
    m_total = 0;
    m_complete = false;
}

TSelection::LoadResult TSelection::load(TArchiveFile& archive, const SelectionFilter& filter)
{
    const LoadResult begun = begin(archive, filter);
    if (begun != LoadResult::Loaded)
        return begun;
    Step step = Step::More;
    while (step == Step::More)
        step = loadSlice(SliceRecords);
    return step == Step::Done ? LoadResult::Loaded : LoadResult::Stopped;
}

TSelection::LoadResult TSelection::begin(TArchiveFile& archive, const SelectionFilter& filter)
{
    cancel();
    reset();
    if (!archive.open()) {
        m_error = archive.errorText();
        return LoadResult::OpenFailed;
    }
    m_total = archive.count();
    const QFileInfo file(archive.path());
    m_source = std::make_unique<TArchiveFile>(file.path(), file.fileName());
    if (!m_source->open(TArchiveFile::Access::ReadOnly)) {
        m_error = m_source->errorText();
        m_source.reset();
        return LoadResult::OpenFailed;
    }
    m_matcher = std::make_unique<Matcher>(filter);
    // Room for every record of the archive, set aside once: memory the
    // selection does not fill is never touched and costs nothing, and the
    // buffer never has to be copied to grow. Where that much cannot be set
    // aside, the buffer grows as records come.
    try {
        m_bytes.reserve(qsizetype(m_total) * ConnRecord::Size);
    } catch (const std::bad_alloc&) {
    }
    if (m_total == 0)
        loadSlice(0);
    return LoadResult::Loaded;
}

TSelection::Step TSelection::loadSlice(int maxRecords)
{
    if (!m_source)
        return m_complete ? Step::Done : Step::Failed;
    constexpr int BlockRecords = 4096;
    m_block.resize(qsizetype(BlockRecords) * ConnRecord::Size);
    const int end = int(std::min<int64_t>(m_total, int64_t(m_next) + std::max(0, maxRecords)));
    while (m_next < end) {
        const int n = std::min(BlockRecords, end - m_next);
        const int got = m_source->readBlock(m_next, n, m_block.data());
        if (got < n) {
            m_error = got < 0 ? m_source->errorText()
                              : QStringLiteral("Cannot read file %1: record %2 is beyond the end")
                                    .arg(m_source->path())
                                    .arg(m_next + std::max(got, 0));
            cancel();
            return Step::Failed;
        }
        for (int k = 0; k < n; ++k) {
            const char* p = m_block.constData() + qsizetype(k) * ConnRecord::Size;
            if (m_matcher->matches(p))
                take(p, m_next + k);
        }
        m_next += n;
    }
    if (m_next < m_total)
        return Step::More;
    cancel();
    m_complete = true;
    return Step::Done;
}

void TSelection::cancel()
{
    m_source.reset();
    m_matcher.reset();
    m_block = QByteArray();
}

void TSelection::take(const char* p, int indice)
{
    const qsizetype at = m_bytes.size();
    m_bytes.append(p, ConnRecord::Size);
    char* copy = m_bytes.data() + at;
    qToLittleEndian<qint32>(indice, copy + ConnRecord::OffIndice);
    ++m_count;
    const RecordView v(copy);
    m_totals.add(v.inizio(), v.fine(), v.costo());
    const QByteArrayView tel = v.text(ConnRecord::OffTelefono, ConnRecord::TelefonoMax);
    if (!tel.isEmpty()) {
        const QByteArray key = QByteArray::fromRawData(tel.data(), tel.size());
        if (!m_telephoneSet.contains(key)) {
            m_telephoneSet.insert(tel.toByteArray());
            m_telephones.append(ansi::toUnicode(key));
        }
    }
}

ConnRecord TSelection::at(int k) const
{
    if (k < 0 || k >= m_count)
        return ConnRecord{};
    return ConnRecord::fromBytes(view(k).data());
}

archivechange::RecordRef TSelection::ref(int k) const
{
    if (k < 0 || k >= m_count)
        return {};
    const char* p = view(k).data();
    return {qFromLittleEndian<qint32>(p + ConnRecord::OffIndice), RecordView(p).inizio()};
}

std::vector<archivechange::RecordRef> TSelection::refs(int first, int last) const
{
    std::vector<archivechange::RecordRef> out;
    if (last >= first)
        out.reserve(size_t(last - first + 1));
    for (int k = first; k <= last; ++k)
        out.push_back(ref(k));
    return out;
}

QList<ConnRecord> TSelection::records() const
{
    QList<ConnRecord> out;
    out.reserve(m_count);
    for (int k = 0; k < m_count; ++k)
        out.append(at(k));
    return out;
}

QString TSelection::marks(const ConnRecord& r, const SelectionTotals& t)
{
    QString cost;
    if (r.costo == t.maxCost)
        cost = QStringLiteral("spesa max");
    else if (r.costo == t.minCost)
        cost = QStringLiteral("spesa min");
    const double d = r.fine - r.inizio;
    QString time;
    if (!(d < t.maxTime))
        time = QStringLiteral("tempo max");
    else if (!(d > t.minTime))
        time = QStringLiteral("tempo min");
    if (cost.isEmpty())
        return time;
    return time.isEmpty() ? cost : cost + QStringLiteral(", ") + time;
}

namespace
{

// (value - min) × w / (max - min), or (value - min) × w when max equals min,
// truncated to whole pixels.
int barLength(int64_t value, int64_t min, int64_t max, int w)
{
    const double factor = max == min ? double(w) : double(w) / double(max - min);
    return int(std::trunc(double(value - min) * factor));
}

// Hours, minutes and seconds of the time of day of a duration, in seconds.
int64_t clockSeconds(double days)
{
    int h = 0, m = 0, s = 0, ms = 0;
    dt::decodeTime(days, h, m, s, ms);
    return int64_t(h) * 3600 + m * 60 + s;
}

// Whole Lire of a cost. A damaged record can hold a cost beyond any whole
// number; it is held at a bound far above real costs so the bar arithmetic
// cannot overflow.
int64_t wholeLire(float cost)
{
    constexpr double Bound = 1e15;
    return int64_t(std::trunc(std::clamp(double(cost), -Bound, Bound)));
}

} // namespace

int TSelection::costBarLength(const ConnRecord& r, const SelectionTotals& t, int w)
{
    return barLength(wholeLire(r.costo), wholeLire(t.minCost), wholeLire(t.maxCost), w);
}

int TSelection::timeBarLength(const ConnRecord& r, const SelectionTotals& t, int w)
{
    return barLength(clockSeconds(r.fine - r.inizio), clockSeconds(t.minTime),
                     clockSeconds(t.maxTime), w);
}

QString TSelection::lireText(float costo)
{
    const QString text =
        fmt::formatFloat(QStringLiteral("#,#"), std::nearbyint(double(costo) + 0.49));
    // The pattern shows nothing for zero; a total of nothing still reads 0.
    return text.isEmpty() ? QStringLiteral("0") : text;
}

QString TSelection::euroText(float costo, float cambioEcu)
{
    const double euro = cambioEcu != 0 ? double(costo) / double(cambioEcu) : 0.0;
    return QStringLiteral("( ") + fmt::formatFloat(QStringLiteral("#,#0.00"), euro) +
           QStringLiteral(" E)");
}

QString TSelection::durationText(double days)
{
    return fmt::formatDateTime(QStringLiteral("hh nn ss"), days);
}

QString TSelection::totalTimeText(double days)
{
    return QString::number(int64_t(std::trunc(days))) + QLatin1Char(',') +
           fmt::formatDateTime(QStringLiteral(" hh:nn:ss"), days);
}
