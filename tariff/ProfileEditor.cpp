#include "tariff/ProfileEditor.h"

#include "common/DateTime.h"
#include "common/Format.h"
#include "common/Prompt.h"
#include "common/SysError.h"

#include <QFile>
#include <cerrno>
#include <cmath>
#include <unistd.h>

namespace
{

// The latest date-time the date patterns can write (31/12/9999 23:59:59).
constexpr double LatestDateTime = 2958465.99999;

QString rateText(float rate)
{
    return fmt::formatFloat(QStringLiteral("#0.00"), rate == FreeMarker ? 0.0 : rate);
}

// A rate as the user typed it: a finite, non-negative decimal that fits a
// single.
std::optional<float> readRate(const QString& text)
{
    const std::optional<double> v = fmt::parseFloat(text);
    if (!v)
        return std::nullopt;
    const float f = static_cast<float>(*v);
    if (!std::isfinite(f) || f < 0)
        return std::nullopt;
    return f;
}

int intOrZero(const QString& text)
{
    return fmt::parseInt(text).value_or(0);
}

} // namespace

ShowCellResult cellToFields(const TariffCell& cell, CellFields& f)
{
    if (!cell.isBand())
        return ShowCellResult::EmptyCell;
    f.scoAttivo = cell.hasDiscount();
    f.scopercent = QString::number(cell.sco.percent);
    f.scodoposec = QString::number(cell.sco.doposec);
    f.scrsi = cell.hasFixedCharge();
    f.costorisp = fmt::formatFloat(QStringLiteral("#"), double(cell.costorisp) + 0.4999);
    if (!std::isfinite(cell.dalle) || std::fabs(cell.dalle) > LatestDateTime)
        return ShowCellResult::BadTime;
    f.dalle = fmt::formatDateTime(QStringLiteral("hh:nn"), cell.dalle);
    f.costo1 = rateText(cell.costo1);
    f.costo2 = rateText(cell.costo2);
    f.doposec = QString::number(cell.doposec);
    return ShowCellResult::Filled;
}

StoreCellError fieldsToCell(const CellFields& f, TariffCell& target)
{
    TariffCell c = target;
    c.sco.attivo = f.scoAttivo ? 1 : 0;
    const int percent = intOrZero(f.scopercent);
    if (percent < 0 || percent > 100)
        return StoreCellError::BadPercent;
    c.sco.percent = percent;
    c.sco.doposec = intOrZero(f.scodoposec);

    c.scrsi = f.scrsi ? 1 : 0;
    if (f.scrsi) {
        const int charge = intOrZero(f.costorisp);
        if (charge <= 0)
            return StoreCellError::NoFixedCharge;
        c.costorisp = float(charge);
    }

    const std::optional<TDateTime> start = fmt::parseTime(f.dalle);
    if (!start)
        return StoreCellError::BadTime;
    c.dalle = *start;

    const std::optional<float> costo1 = readRate(f.costo1);
    if (!costo1)
        return StoreCellError::BadCosto1;
    c.costo1 = *costo1 == 0.0f ? FreeMarker : *costo1;

    c.doposec = intOrZero(f.doposec);

    const std::optional<float> costo2 = readRate(f.costo2);
    if (!costo2)
        return StoreCellError::BadCosto2;
    c.costo2 = *costo2;

    target = c;
    return StoreCellError::None;
}

QString cellStartText(const TariffCell& cell)
{
    if (!cell.isBand() || !std::isfinite(cell.dalle) || std::fabs(cell.dalle) > LatestDateTime)
        return QString();
    // The grid always shows a dot between hours and minutes.
    return fmt::formatDateTime(QStringLiteral("hh'.'nn"), cell.dalle);
}

QString cellRateText(const TariffCell& cell, int iva)
{
    if (!cell.isBand())
        return QString();
    const double r = cell.rate1();
    const double v = r + r * iva / 100.0;
    if (v == 0)
        return QStringLiteral("Gratis");
    return fmt::formatFloat(QStringLiteral("##0.##"), v);
}

// ---- TProfileEditor ------------------------------------------------------------

TProfileEditor::TProfileEditor(const QString& programFolder, IPrompt& prompt, QString& defaultName)
    : m_files(m_own, programFolder, prompt), m_prompt(prompt), m_default(defaultName)
{
}

void TProfileEditor::startFrom(const TariffProfiles& program)
{
    m_own.header = program.header;
    m_own.working = program.working;
}

QStringList TProfileEditor::listProfiles() const
{
    QStringList names;
    m_files.ListProfiles(names);
    return names;
}

bool TProfileEditor::saveIfModified()
{
    if (!m_modified || m_current.isEmpty())
        return true;
    if (!m_files.SaveProfile(m_current))
        return false;
    m_modified = false;
    return true;
}

bool TProfileEditor::switchTo(const QString& name)
{
    if (!saveIfModified())
        return false;
    if (!m_files.LoadProfile(name, true))
        return false;
    m_modified = false;
    m_current = name;
    return true;
}

void TProfileEditor::applyDefaultRule(const QString& text, bool ticked)
{
    if (!text.isEmpty() && ticked)
        m_default = text;
    else if (m_default == text && !ticked)
        m_default.clear();
}

bool TProfileEditor::deleteProfile(const QString& name)
{
    if (!m_prompt.confirm(QStringLiteral("Elimino la Tabella <") + name + QStringLiteral("> ?")))
        return false;
    if (name != m_current && !saveIfModified())
        return false;
    if (::unlink(QFile::encodeName(m_files.profilePath(name)).constData()) != 0 &&
        errno != ENOENT) {
        m_prompt.message(QStringLiteral("Impossibile eliminare la tabella <%1>.\r%2")
                             .arg(name, systemErrorText(errno)),
                         QStringLiteral("Errore..."), PromptIcon::Error);
        return false;
    }
    // The empty profile now stands for the deleted name: changes made to it
    // afterwards are saved under that name, but deleting alone never writes
    // the file back.
    m_own.working = TariffTable{};
    m_current = name;
    m_modified = false;
    return true;
}

void TProfileEditor::storeCell(int band, int row, const TariffCell& cell)
{
    m_own.working.cell(band, row) = cell;
    m_modified = true;
}

void TProfileEditor::copyCell(int band, int row)
{
    m_clip = m_own.working.cell(band, row);
    m_clipBand = band;
    m_clipRow = row;
}

bool TProfileEditor::pasteCell(int band, int row)
{
    if (!m_clip.isBand() || (band == m_clipBand && row == m_clipRow))
        return false;
    storeCell(band, row, m_clip);
    return true;
}

bool TProfileEditor::clearCell(int band, int row)
{
    if (!m_prompt.confirm(QStringLiteral("Svuoto la Cella Selezionata ?")))
        return false;
    if (!m_own.working.cell(band, row).isBand())
        return false;
    storeCell(band, row, TariffCell{});
    return true;
}

bool TProfileEditor::finish(TariffProfiles& program)
{
    const bool saved = saveIfModified();
    program.header = m_own.header;
    program.working = m_own.working;
    return saved;
}
