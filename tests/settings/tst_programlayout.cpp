// Where the program keeps its files: the portable folder, an installation
// (read-only, or in a folder the user may write), the user's folder under
// XDG_DATA_HOME, and the first start that fills it with the sample profiles
// without ever touching profiles already there.
#include "platform/system/ProgramLayout.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using testsupport::readFileBytes;
using testsupport::writeFileBytes;

namespace
{

const QByteArray Sample = QByteArray(3852, '\x01');
const QString SampleName = QStringLiteral("Telecom Urbana 50%.trf");

mode_t modeOf(const QString& path)
{
    struct stat st {
    };
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// The files under folder, relative to it, folders marked with a final '/'.
QStringList tree(const QString& folder)
{
    QStringList out;
    const QDir base(folder);
    const auto walk = [&](const auto& self, const QString& path) -> void {
        const QFileInfoList entries = QDir(path).entryInfoList(
            QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
        for (const QFileInfo& e : entries) {
            out << base.relativeFilePath(e.filePath()) + (e.isDir() ? QStringLiteral("/") : "");
            if (e.isDir())
                self(self, e.filePath());
        }
    };
    walk(walk, folder);
    return out;
}

// A temporary world: a portable folder, an installation with its shipped
// files, and a home.
struct World {
    QTemporaryDir root;
    QString path(const QString& relative) const { return root.filePath(relative); }

    World()
    {
        QDir().mkpath(path("dist"));
        QDir().mkpath(path("usr/bin"));
        QDir().mkpath(path("usr/share/tarvelo/hlp"));
        QDir().mkpath(path("usr/share/tarvelo/Trf"));
        writeFileBytes(path("usr/share/tarvelo/Trf/") + SampleName, Sample);
        writeFileBytes(path("usr/share/tarvelo/Trf/Notturna.trf"), QByteArray(3852, '\x02'));
        QDir().mkpath(path("home"));
    }

    // The user's folder of an installed program, with the shipped files of
    // usr/share/tarvelo.
    ProgramLayout installed(const QString& userFolder = QStringLiteral("home/data/tarvelo")) const
    {
        ProgramLayout l;
        l.kind = ProgramLayout::Kind::Installed;
        l.programFolder = path(userFolder) + '/';
        l.dataFolder = path("usr/share/tarvelo/");
        return l;
    }
};

} // namespace

class TstProgramLayout : public QObject
{
    Q_OBJECT
private slots:
    // Which layout an executable gets, and where each kind of file lives.
    void chosenFromTheExecutablesFolder_data()
    {
        QTest::addColumn<QString>("executableFolder");
        QTest::addColumn<bool>("writable");
        QTest::addColumn<QString>("dataHome");
        QTest::addColumn<bool>("installed");
        QTest::addColumn<QString>("programFolder");
        QTest::addColumn<QString>("dataFolder");
        // Folders relative to the world; "~" is its home.
        QTest::newRow("portable folder") << "dist" << true << "" << false << "dist/"
                                         << "dist/";
        QTest::newRow("portable folder, trailing slash")
            << "dist/" << true << "" << false << "dist/"
            << "dist/";
        QTest::newRow("installation the user may not write")
            << "usr/bin" << false << "" << true << "~/.local/share/tarvelo/"
            << "usr/share/tarvelo/";
        // ~/.local, or an installation run as root: still an installation,
        // whose executables' folder never takes the user's files.
        QTest::newRow("installation the user may write")
            << "usr/bin" << true << "" << true << "~/.local/share/tarvelo/"
            << "usr/share/tarvelo/";
        QTest::newRow("XDG_DATA_HOME") << "usr/bin" << false << "xdg" << true << "xdg/tarvelo/"
                                       << "usr/share/tarvelo/";
        QTest::newRow("XDG_DATA_HOME relative: ignored")
            << "usr/bin" << false << "relative/data" << true << "~/.local/share/tarvelo/"
            << "usr/share/tarvelo/";
        // A copy of a portable folder on a read-only medium: its own help
        // pages and sample profiles, the user's files in their home.
        QTest::newRow("read-only portable folder")
            << "dist" << false << "" << true << "~/.local/share/tarvelo/"
            << "dist/";
    }
    void chosenFromTheExecutablesFolder()
    {
        QFETCH(QString, executableFolder);
        QFETCH(bool, writable);
        QFETCH(QString, dataHome);
        QFETCH(bool, installed);
        QFETCH(QString, programFolder);
        QFETCH(QString, dataFolder);
        World w;
        // Every expected folder ends with '/'.
        const auto inWorld = [&w](const QString& p) {
            if (p.startsWith('~'))
                return w.path("home") + p.mid(1);
            return QDir::cleanPath(w.path(p)) + '/';
        };
        LayoutEnvironment env;
        env.home = w.path("home");
        env.dataHome =
            dataHome.isEmpty() || dataHome.startsWith("relative") ? dataHome : w.path(dataHome);
        QStringList asked;
        env.writable = [&](const QString& folder) {
            asked << folder;
            return writable;
        };

        const ProgramLayout l = ProgramLayout::forExecutable(w.path(executableFolder), env);
        QCOMPARE(l.kind,
                 installed ? ProgramLayout::Kind::Installed : ProgramLayout::Kind::Portable);
        QCOMPARE(l.programFolder, inWorld(programFolder));
        QCOMPARE(l.dataFolder, inWorld(dataFolder));
        // Only the executable's own folder decides.
        for (const QString& folder : asked)
            QCOMPARE(folder, inWorld(executableFolder));
    }

    // The real check: a folder the user may write. (Root may write any
    // folder; the installed tests run the tool without that power.)
    void systemEnvironment()
    {
        QTemporaryDir dir;
        const LayoutEnvironment env = LayoutEnvironment::ofSystem();
        QVERIFY(env.writable(dir.path()));
        QVERIFY(!env.writable(dir.filePath("missing")));
        QCOMPARE(env.home, qEnvironmentVariable("HOME"));
        QCOMPARE(env.dataHome, qEnvironmentVariable("XDG_DATA_HOME"));
    }

    void firstStartMakesTheFolderWithTheSamples()
    {
        World w;
        const ProgramLayout l = w.installed();
        QString error;
        QVERIFY2(prepareProgramFolder(l, &error), qPrintable(error));
        QVERIFY(error.isEmpty());
        QCOMPARE(tree(l.programFolder),
                 (QStringList{"Trf/", "Trf/Notturna.trf", "Trf/" + SampleName}));
        QCOMPARE(readFileBytes(l.programFolder + "Trf/" + SampleName), Sample);
        // The user's files hold phone numbers and passwords: the folders made
        // for them are the user's alone.
        QCOMPARE(modeOf(w.path("home/data")), mode_t(0700));
        QCOMPARE(modeOf(l.programFolder), mode_t(0700));
        // Nothing of the dial-up simulator unless the user asks for it, and
        // the shipped files are left as they were.
        QVERIFY(!QFileInfo::exists(l.programFolder + "ras-sim"));
        QCOMPARE(tree(w.path("usr/share/tarvelo")),
                 (QStringList{"Trf/", "Trf/Notturna.trf", "Trf/" + SampleName, "hlp/"}));

        // Every later start finds it ready.
        QVERIFY(prepareProgramFolder(l, &error));
        QCOMPARE(tree(l.programFolder).size(), 3);
    }

    // Profiles already in the user's folder are theirs: changed, added or
    // deleted, they stay so.
    void userProfilesAreNeverTouched()
    {
        World w;
        const ProgramLayout l = w.installed();
        QVERIFY(QDir().mkpath(l.programFolder + "Trf"));
        const QByteArray edited(3852, '\x07');
        QVERIFY(writeFileBytes(l.programFolder + "Trf/" + SampleName, edited));
        QVERIFY(writeFileBytes(l.programFolder + "Trf/Mia.trf", edited));

        QString error;
        QVERIFY2(prepareProgramFolder(l, &error), qPrintable(error));
        QCOMPARE(tree(l.programFolder), (QStringList{"Trf/", "Trf/Mia.trf", "Trf/" + SampleName}));
        QCOMPARE(readFileBytes(l.programFolder + "Trf/" + SampleName), edited);

        // Every sample deleted: the empty folder is still the user's choice.
        QVERIFY(QFile::remove(l.programFolder + "Trf/" + SampleName));
        QVERIFY(QFile::remove(l.programFolder + "Trf/Mia.trf"));
        QVERIFY(prepareProgramFolder(l, &error));
        QCOMPARE(tree(l.programFolder), QStringList{"Trf/"});
    }

    void nothingToDoOrNothingToCopy()
    {
        World w;
        // A portable folder is used as it is, even when missing.
        QVERIFY(prepareProgramFolder(ProgramLayout::portable(w.path("nowhere"))));
        QVERIFY(!QFileInfo::exists(w.path("nowhere")));

        // An installation without samples: the folder, and no Trf (the
        // program makes it when the first profile is saved).
        ProgramLayout l = w.installed();
        l.dataFolder = w.path("dist/");
        QVERIFY(prepareProgramFolder(l));
        QCOMPARE(tree(l.programFolder), QStringList{});
    }

    void folderThatCannotBeMade()
    {
        World w;
        QVERIFY(writeFileBytes(w.path("home/data"), "a file, not a folder"));
        const ProgramLayout l = w.installed();
        QString error;
        QVERIFY(!prepareProgramFolder(l, &error));
        QVERIFY2(error.startsWith("impossibile creare la cartella " + w.path("home/data") + ": "),
                 qPrintable(error));
        QCOMPARE(readFileBytes(w.path("home/data")), QByteArray("a file, not a folder"));
    }
};

QTEST_GUILESS_MAIN(TstProgramLayout)
#include "tst_programlayout.moc"
