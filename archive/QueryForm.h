#pragma once
// The archive window's filter as its controls hold it: the texts of the date,
// telephone, provider and tariff boxes and the two "all" switches. It turns
// into the current query and back, and knows the rules the window applies to
// query names, dates and providers, so that they are tested without widgets.
// Messages stay with the window: these functions only say what is wrong.

#include "archive/SavedQuery.h"
#include "archive/Selection.h"

#include <QString>
#include <QStringList>
#include <optional>

struct QueryForm {
    QString dal;
    QString al;
    QString tel;
    QString provider;
    QString nomeTar;
    bool provTutti = false;
    bool tarTutti = false;

    // How the controls show query q: dates in the short date format.
    static QueryForm of(const SavedQuery& q);

    // base with the form's filter: dates read in the short date format (a
    // two-digit year near currentYear), texts cut to their fields. None when
    // a date cannot be read.
    std::optional<SavedQuery> toQuery(SavedQuery base, int currentYear) const;

    // A tariff is named, "Tutti" is off, and no profile has that name.
    bool unknownProfile(const QStringList& profiles) const;

    // What the loader compares against: an empty telephone or provider box
    // lets every telephone or provider through, whatever the query holds.
    SelectionFilter filter(const SavedQuery& query) const;

    // A date as the date boxes show it.
    static QString dateText(TDateTime d);
    // Characters the date boxes take: the longest date dateText writes, so
    // that no date written there is cut short and fails to read back.
    static int dateFieldLength();
    // Where a date goes among the items of a date box kept in date order:
    // before the first item that reads as a later date.
    static int datePosition(const QStringList& items, TDateTime d, int currentYear);

    // What the window makes of a description typed for a new query (Enter)
    // or for saving changes ("&Modifica").
    enum class Name {
        Ok,
        Listed,    // new: already a saved query, nothing to do
        Empty,     // nothing typed
        Reserved,  // new: the name of the predefined periods
        NotListed, // changes: no saved query of that name
    };
    static Name newQueryName(const QString& text, const QStringList& listed);
    static Name changedQueryName(const QString& text, const QStringList& listed);

    // The dial-up entries the provider box offers: the first 14 names given.
    static constexpr int ProviderEntries = 14;
    static QStringList providerChoices(const QStringList& entries);
};
