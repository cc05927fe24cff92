#include "archive/QueryForm.h"

#include "common/ByteIO.h"
#include "common/Format.h"

#include <algorithm>

QueryForm QueryForm::of(const SavedQuery& q)
{
    QueryForm f;
    f.dal = dateText(q.dal);
    f.al = dateText(q.al);
    f.tel = q.tel;
    f.provider = q.provider;
    f.provTutti = q.provTutti;
    f.nomeTar = q.nomeTar;
    f.tarTutti = q.tarTutti;
    return f;
}

std::optional<SavedQuery> QueryForm::toQuery(SavedQuery base, int currentYear) const
{
    const std::optional<TDateTime> from = fmt::parseShortDate(dal, currentYear);
    const std::optional<TDateTime> to = fmt::parseShortDate(al, currentYear);
    if (!from || !to)
        return std::nullopt;
    base.dal = *from;
    base.al = *to;
    base.tel = bio::cutTo(tel, SavedQuery::TelMax);
    base.provider = bio::cutTo(provider, SavedQuery::ProviderMax);
    base.provTutti = provTutti;
    base.nomeTar = bio::cutTo(nomeTar, SavedQuery::NomeTarMax);
    base.tarTutti = tarTutti;
    return base;
}

bool QueryForm::unknownProfile(const QStringList& profiles) const
{
    return !nomeTar.isEmpty() && !tarTutti && !profiles.contains(nomeTar, Qt::CaseSensitive);
}

SelectionFilter QueryForm::filter(const SavedQuery& query) const
{
    return {query, tel.isEmpty(), provider.isEmpty()};
}

QString QueryForm::dateText(TDateTime d)
{
    return fmt::formatShortDate(d);
}

int QueryForm::dateFieldLength()
{
    // Day 28 and a four-digit year in every month: the longest dates a
    // format of the locale can give (month names differ in length).
    int longest = 10;
    for (int month = 1; month <= 12; ++month)
        longest = std::max(longest, int(dateText(dt::encode(2000, month, 28)).size()));
    return longest;
}

int QueryForm::datePosition(const QStringList& items, TDateTime d, int currentYear)
{
    int i = 0;
    while (i < items.size()) {
        const std::optional<TDateTime> item = fmt::parseShortDate(items[i], currentYear);
        if (item && *item > d)
            break;
        ++i;
    }
    return i;
}

QueryForm::Name QueryForm::newQueryName(const QString& text, const QStringList& listed)
{
    if (text.isEmpty())
        return Name::Empty;
    if (listed.contains(text, Qt::CaseSensitive))
        return Name::Listed;
    if (text == TSavedQueries::Predefinita)
        return Name::Reserved;
    return Name::Ok;
}

QueryForm::Name QueryForm::changedQueryName(const QString& text, const QStringList& listed)
{
    if (text.isEmpty())
        return Name::Empty;
    if (!listed.contains(text, Qt::CaseSensitive))
        return Name::NotListed;
    return Name::Ok;
}

QStringList QueryForm::providerChoices(const QStringList& entries)
{
    QStringList out;
    for (const QString& name : entries) {
        if (name.isEmpty())
            continue;
        if (out.size() == ProviderEntries)
            break;
        out << name;
    }
    return out;
}
