#pragma once
// One program object for the tests of windows and of the main bar: a private
// program folder (or a fixed one nothing is written to), a scripted prompt, a
// manual clock, an in-memory registry, a shell that records what it is asked,
// and the dial-up service the test chooses.
//
// A test with more to lay out derives from it:
//   struct Fixture : ProgramFixture {
//       Fixture() : ProgramFixture(Options().at(dt::encode(2001, 3, 5, 18, 30))) { ... }
//   };

#include "app/Program.h"
#include "common/Clock.h"
#include "common/DateTime.h"
#include "common/ScriptedPrompt.h"
#include "platform/clock/FakeClockSetter.h"
#include "platform/system/ProgramLayout.h"
#include "platform/system/Registry.h"
#include "tests/support/FakeRasService.h"
#include "tests/support/FakeShell.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <optional>

struct ProgramFixture {
    // What the program is made of; each setter returns the options, so a
    // test names only what differs from the defaults.
    struct Options {
        // A program folder the test never writes to ("/opt/tarvelo"); empty:
        // a fresh temporary folder.
        QString fixedFolder;
        // The user's files and the shipped ones where this layout says
        // (instead of one folder).
        std::optional<ProgramLayout> layout;
        // The manual clock's first reading.
        TDateTime now = dt::encode(2000, 1, 3, 12, 0, 0);
        // A fake dial-up service listing these entries; none: the simulated
        // service of the program folder.
        std::optional<QStringList> rasEntries;

        Options& inFolder(const QString& folder)
        {
            fixedFolder = folder;
            return *this;
        }
        Options& withLayout(const ProgramLayout& l)
        {
            layout = l;
            return *this;
        }
        Options& at(TDateTime start)
        {
            now = start;
            return *this;
        }
        Options& withFakeRas(const QStringList& entries = {})
        {
            rasEntries = entries;
            return *this;
        }
    };

    ProgramFixture();
    explicit ProgramFixture(Options options);
    ~ProgramFixture();
    ProgramFixture(const ProgramFixture&) = delete;
    ProgramFixture& operator=(const ProgramFixture&) = delete;

    QTemporaryDir dir;
    // The program folder, with its trailing '/'.
    const QString folder;
    TScriptedPrompt prompt;
    TManualClock clock;
    TMemRegistry registry;
    FakeShell shell;
    // Setting the system clock only moves the manual clock.
    TFakeClockSetter clockSetter{&clock};
    // The fake dial-up service when the options asked for one (the program
    // owns it), else null.
    FakeRasService* ras = nullptr;

private:
    std::unique_ptr<Program> m_program;

public:
    Program& program;

    // folder + relative.
    QString path(const QString& relative) const { return folder + relative; }
    // A profile file "Trf/<name>.trf" of the given bytes (all zero: a
    // profile without bands).
    bool addProfileFile(const QString& name, const QByteArray& bytes = QByteArray(3852, '\0'));
    // Settings written to the registry as the program stores them.
    bool storeInteger(const QString& section, const QString& name, int value);
    bool storeBool(const QString& section, const QString& name, bool value);
};
