#pragma once
// The provider record of one dial-up entry: credentials, telephone number,
// tariff profile and two web addresses, kept in the program folder as
// "<entry>.ras", 539 bytes, the password scrambled with TCrypt.
//
// Layout (length-prefixed texts, one length byte then the characters):
//   0 entry name (60)   61 user name (60)   122 password (60, scrambled)
//   183 telephone (25)  209 reserved, 77 bytes  286 tariff profile (50)
//   337 home page (100) 438 user page (100)

#include <QByteArray>
#include <QString>

class IPrompt;

struct TProviderRecord {
    static constexpr int Size = 539;
    static constexpr int EntryNameMax = 60;
    static constexpr int UserNameMax = 60;
    static constexpr int PasswordMax = 60;
    static constexpr int PhoneMax = 25;
    static constexpr int ProfileMax = 50;
    static constexpr int PageMax = 100;
    static constexpr int ReservedOffset = 209;
    static constexpr int ReservedSize = 77;

    QString entryName;
    QString userName;
    QString password; // in clear
    QString phoneNumber;
    QString profile;
    QString homePage;
    QString userPage;
    // Never set by the program; kept as read so that a save does not lose it.
    QByteArray reserved = QByteArray(ReservedSize, '\0');

    enum class LoadResult { Missing, Loaded, Failed };
    enum class SaveResult { Skipped, Saved, Failed };

    // All fields empty, reserved bytes zero.
    void reset();
    bool operator==(const TProviderRecord&) const = default;

    // The 539 file bytes, the password scrambled when not empty.
    QByteArray toBytes() const;
    // Reads up to 539 bytes (a shorter buffer leaves the rest zero) and
    // unscrambles the password.
    static TProviderRecord fromBytes(const QByteArray& bytes);

    // The name of an entry's record file, without folder and extension: the
    // entry name, cut to the entry-name field so that a record saved under
    // its stored name is found again. An entry name that cannot be a file
    // name as it stands (dial-up services other than the simulated one name
    // entries freely: "Lavoro/Roma", "..") has a name derived from it: each
    // '/', '\\', '%' and control character written as '%' and its code in
    // two hexadecimal digits, and a name of dots only as "%2E" each, so that
    // the file always lies in the program folder itself ("Lavoro%2FRoma").
    // A name that is already safe is kept as it is, even with a '%' in it.
    static QString fileNameOf(const QString& entryName);
    // folder + fileNameOf(entryName) + ".ras".
    static QString filePath(const QString& folder, const QString& entryName);

    // Replaces this record with the entry's file. Missing file: all empty.
    // A file that exists but cannot be opened: one beep, only the entry name
    // is set, and error (if given) says why.
    LoadResult load(const QString& folder, const QString& entryName, IPrompt& prompt,
                    QString* error = nullptr);

    // Writes the file (owner-only, atomic replace). Nothing happens for an
    // empty entry name; a failure gives one beep and error (if given) says why.
    SaveResult save(const QString& folder, IPrompt& prompt, QString* error = nullptr) const;
};
