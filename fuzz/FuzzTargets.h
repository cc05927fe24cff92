#pragma once
// Entry points of the fuzz tests: one per reader of outside bytes. Each takes
// any bytes, must never crash, and checks a property of what it read (a save
// and a load give back what was read, an append leaves every earlier byte in
// place, an accepted answer is a valid date...). A property that fails
// aborts with a message, which libFuzzer and the replay of the corpora under
// CTest both report.

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace fuzz
{

using Entry = void (*)(const QByteArray& data);

struct Target {
    const char* name; // also the folder of its corpus under fuzz/corpus
    Entry entry;
};

// Every target, in a fixed order.
const Target* targets(int& count);
const Target* find(const char* name);

// Aborts with the failed property and where it is.
[[noreturn]] inline void fail(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "fuzz property failed: %s (%s:%d)\n", what, file, line);
    std::fflush(stderr);
    std::abort();
}

// A folder of the process's own for targets that must go through files; on
// a memory file system where there is one, so that syncs cost nothing.
QString scratchFolder();

void regFile(const QByteArray& data);
void phoneBook(const QByteArray& data);
void archive(const QByteArray& data);
void profile(const QByteArray& data);
void provider(const QByteArray& data);
void query(const QByteArray& data);
void updateFile(const QByteArray& data);
void dayTime(const QByteArray& data);

} // namespace fuzz

#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond))                                                                               \
            ::fuzz::fail(#cond, __FILE__, __LINE__);                                               \
    } while (false)
