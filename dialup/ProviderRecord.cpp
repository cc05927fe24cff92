#include "dialup/ProviderRecord.h"

#include "common/ByteIO.h"
#include "common/Prompt.h"
#include "common/SafeName.h"
#include "dialup/Crypt.h"
#include "platform/file/AtomicFile.h"

namespace
{

constexpr int OffEntry = 0;
constexpr int OffUser = 61;
constexpr int OffPassword = 122;
constexpr int OffPhone = 183;
constexpr int OffProfile = 286;
constexpr int OffHome = 337;
constexpr int OffUserPage = 438;

const QString Extension = QStringLiteral(".ras");

QByteArray scrambled(QByteArray bytes)
{
    if (!bytes.isEmpty()) {
        TCrypt crypt;
        crypt.setPassword(TCrypt::recordKey());
        crypt.scramble(bytes);
    }
    return bytes;
}

} // namespace

void TProviderRecord::reset()
{
    *this = TProviderRecord();
}

QByteArray TProviderRecord::toBytes() const
{
    QByteArray b(Size, '\0');
    bio::putPStr(b, OffEntry, EntryNameMax, entryName);
    bio::putPStr(b, OffUser, UserNameMax, userName);
    bio::putPStrBytes(b, OffPassword, PasswordMax,
                      scrambled(ansi::fromUnicode(password).left(PasswordMax)));
    bio::putPStr(b, OffPhone, PhoneMax, phoneNumber);
    b.replace(ReservedOffset, int(std::min<qsizetype>(reserved.size(), ReservedSize)),
              reserved.left(ReservedSize));
    bio::putPStr(b, OffProfile, ProfileMax, profile);
    bio::putPStr(b, OffHome, PageMax, homePage);
    bio::putPStr(b, OffUserPage, PageMax, userPage);
    return b;
}

TProviderRecord TProviderRecord::fromBytes(const QByteArray& bytes)
{
    QByteArray b = bytes.left(Size);
    const int present = int(b.size());
    b.append(QByteArray(Size - b.size(), '\0'));
    // A text cut off by the end of a short file holds only the characters
    // the file has, not the zeros that stand in for the rest.
    const auto text = [&](int off, int max) {
        return bio::getPStrBytes(b, off, max).left(std::max(0, present - off - 1));
    };
    TProviderRecord r;
    r.entryName = ansi::toUnicode(text(OffEntry, EntryNameMax));
    r.userName = ansi::toUnicode(text(OffUser, UserNameMax));
    r.password = ansi::toUnicode(scrambled(text(OffPassword, PasswordMax)));
    r.phoneNumber = ansi::toUnicode(text(OffPhone, PhoneMax));
    r.reserved = b.mid(ReservedOffset, ReservedSize);
    r.profile = ansi::toUnicode(text(OffProfile, ProfileMax));
    r.homePage = ansi::toUnicode(text(OffHome, PageMax));
    r.userPage = ansi::toUnicode(text(OffUserPage, PageMax));
    return r;
}

QString TProviderRecord::fileNameOf(const QString& entryName)
{
    const QString name = bio::cutTo(entryName, EntryNameMax);
    if (name.isEmpty() || isSafeFileName(name, Extension))
        return name;
    // Written so that it can only be a name of the folder itself.
    QString out;
    for (QChar c : name) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0) || u == '/' || u == '\\' || u == '%')
            out += QLatin1Char('%') +
                   QString::number(uint(u), 16).rightJustified(2, QLatin1Char('0')).toUpper();
        else
            out += c;
    }
    if (out == QLatin1String(".") || out == QLatin1String(".."))
        out.replace(QLatin1Char('.'), QStringLiteral("%2E"));
    return out;
}

QString TProviderRecord::filePath(const QString& folder, const QString& entryName)
{
    return folder + fileNameOf(entryName) + Extension;
}

TProviderRecord::LoadResult TProviderRecord::load(const QString& folder, const QString& entry,
                                                  IPrompt& prompt, QString* error)
{
    reset();
    if (entry.isEmpty())
        return LoadResult::Missing;
    const auto fail = [&](const QString& why) {
        prompt.beep();
        entryName = bio::cutTo(entry, EntryNameMax);
        if (error)
            *error = why;
        return LoadResult::Failed;
    };
    if (!isSafeFileName(fileNameOf(entry), Extension))
        return fail(InvalidNameText);
    const WholeFileRead r = readFileStart(filePath(folder, entry), Size);
    if (!r.ok && !r.exists)
        return LoadResult::Missing;
    if (!r.ok)
        return fail(r.error);
    *this = fromBytes(r.data);
    return LoadResult::Loaded;
}

TProviderRecord::SaveResult TProviderRecord::save(const QString& folder, IPrompt& prompt,
                                                  QString* error) const
{
    if (entryName.isEmpty())
        return SaveResult::Skipped;
    QString why = InvalidNameText;
    if (isSafeFileName(fileNameOf(entryName), Extension)) {
        const AtomicWriteResult r =
            writeFileAtomically(filePath(folder, entryName), toBytes(), true);
        if (r.ok)
            return SaveResult::Saved;
        why = r.error;
    }
    prompt.beep();
    if (error)
        *error = why;
    return SaveResult::Failed;
}
