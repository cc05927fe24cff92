#pragma once
// A saved query ("interrogazione") of the archive window: one 364-byte record
// in "Int/<description>.int" of the program folder. The same record is the
// window's current filter, saved or not.
//
// The reserved fields are never interpreted; whatever the last file read held
// there is written back unchanged, so files from other versions keep it.

#include "common/DateTime.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

struct SavedQuery {
    static constexpr int Size = 364;

    static constexpr int OffDescriz = 0;
    static constexpr int OffDal = 64;
    static constexpr int OffAl = 72;
    static constexpr int OffTel = 80;
    static constexpr int OffProvider = 111;
    static constexpr int OffProvTutti = 162;
    static constexpr int OffNomeTar = 163;
    static constexpr int OffTarTutti = 214;
    static constexpr int OffVersion = 354;
    static constexpr int OffSize = 360;
    static constexpr int DescrizMax = 60;
    static constexpr int TelMax = 30;
    static constexpr int ProviderMax = 50;
    static constexpr int NomeTarMax = 50;
    static constexpr int VersionMax = 4;
    static inline const QString Version = QStringLiteral("0300");

    QString descriz;
    TDateTime dal = 0; // only the whole-day part counts
    TDateTime al = 0;
    QString tel;
    QString provider;
    bool provTutti = false; // all providers and all telephones
    QString nomeTar;
    bool tarTutti = false;
    // The record as last read (all zeros before any read): the reserved
    // fields and the padding are carried forward from it.
    QByteArray raw = QByteArray(Size, '\0');

    // Texts longer than their fields are cut. The version mark and the size
    // are always written as this program's ("0300", 364).
    QByteArray toBytes() const;
    // A short buffer reads as if padded with zeros.
    static SavedQuery fromBytes(const QByteArray& bytes);
};

// The query files of one program folder.
class TSavedQueries
{
public:
    static inline const QString Folder = QStringLiteral("Int/");
    static inline const QString Extension = QStringLiteral(".int");
    // The reserved description of the filter set by the predefined periods.
    static inline const QString Predefinita = QStringLiteral("<predefinita>");

    // programFolder ends with '/'.
    explicit TSavedQueries(const QString& programFolder);

    QString path(const QString& name) const;
    // A name that can be a file name (see isSafeFileName).
    static bool isValidName(const QString& name);
    bool exists(const QString& name) const;

    // Names (without extension) of every "Int/*.int" file, sorted by name.
    QStringList list() const;

    // Reads the file of name into q. On failure q is unchanged and error (if
    // given) holds "Cannot open file <path>".
    bool load(const QString& name, SavedQuery& q, QString* error = nullptr) const;
    // Replaces the file of name atomically, creating "Int/" if needed. A name
    // that cannot be a file name is refused like a file that cannot be
    // created: "Cannot create file <path>".
    bool save(const QString& name, const SavedQuery& q, QString* error = nullptr) const;
    // Deletes the file of name; false when it could not be deleted.
    bool remove(const QString& name) const;

private:
    QString m_folder;
};
