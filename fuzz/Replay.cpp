// fuzz_replay TARGET FILE_OR_FOLDER...: feeds every file (every file of each
// folder) through the target's entry point, as libFuzzer would. Built with the
// normal compiler and run by CTest on the seed corpora, so every test run
// checks that the inputs that ever found a fault still pass.
#include "fuzz/FuzzTargets.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace
{

int replay(const fuzz::Target& target, const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        return 1;
    }
    // Named first, so that a property that fails is traced to its input.
    std::fprintf(stderr, "%s\n", qPrintable(path));
    target.entry(f.readAll());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const fuzz::Target* target = argc >= 3 ? fuzz::find(argv[1]) : nullptr;
    if (!target) {
        std::fprintf(stderr, "uso: fuzz_replay TARGET FILE_OR_FOLDER...\n");
        return 2;
    }
    int failures = 0;
    int inputs = 0;
    for (int i = 2; i < argc; ++i) {
        const QString arg = QFile::decodeName(argv[i]);
        if (QFileInfo(arg).isDir()) {
            QStringList files;
            QDirIterator it(arg, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
            while (it.hasNext())
                files << it.next();
            files.sort();
            for (const QString& file : std::as_const(files)) {
                failures += replay(*target, file);
                ++inputs;
            }
        } else {
            failures += replay(*target, arg);
            ++inputs;
        }
    }
    if (inputs == 0) {
        std::fprintf(stderr, "no inputs for %s\n", target->name);
        return 1;
    }
    std::fprintf(stderr, "%d inputs of %s replayed\n", inputs, target->name);
    return failures == 0 ? 0 : 1;
}
