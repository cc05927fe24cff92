// tarvelo-mkprofile SOURCE.txt OUTPUT.trf: builds a profile file from its
// text form (see tariff/ProfileText.h). Used to rebuild the profile that
// ships in data/Trf; the header is the one of a new profile (mark 300).
#include "platform/file/AtomicFile.h"
#include "tariff/ProfileFiles.h"
#include "tariff/ProfileText.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        err << "uso: tarvelo-mkprofile SORGENTE.txt TABELLA.trf\n";
        return 2;
    }
    const WholeFileRead source = readWholeFile(args[1], 1024 * 1024);
    if (!source.ok) {
        err << args[1] << ": " << source.error << "\n";
        return 1;
    }
    TariffTable table;
    QString error;
    if (!profileFromText(QString::fromUtf8(source.data), table, &error)) {
        err << args[1] << ": " << error << "\n";
        return 1;
    }
    ProfileHeader header;
    header.setFormatMark(ProfileHeader::FormatMark);
    const AtomicWriteResult r =
        writeFileAtomically(args[2], TProfileFiles::fileBytes(header, table));
    if (!r.ok) {
        err << args[2] << ": " << r.error << "\n";
        return 1;
    }
    return 0;
}
