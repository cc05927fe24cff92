// The archive window reading a long archive, as the archive benchmark script
// measures it:
//   tarvelo-window-bench FOLDER
// opens the archive window on FOLDER/Archivio.sto with a saved query that
// lists every connection, and prints on one line:
//   first=S    seconds from opening until the grid first paints rows
//   loaded=S   seconds until every record is read
//   stall=MS   the longest the event loop was kept from a 1 ms timer meanwhile
//   rows=N     records selected
//   rss=MB     resident memory once loaded, and before the window was made
//   base=MB
// Run it offscreen (QT_QPA_PLATFORM=offscreen).
#include "archive/ArchiveFile.h"
#include "archive/ConnContext.h"
#include "archive/SavedQuery.h"
#include "archive/uConn.h"
#include "common/Clock.h"
#include "common/DateTime.h"
#include "common/ScriptedPrompt.h"
#include "platform/system/Shell.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>

namespace
{

class NoShell : public IShell
{
public:
    bool openDocument(const QString&) override { return false; }
    QString startupFolder() const override { return {}; }
    QString startupShortcutPath() const override { return {}; }
    bool setStartupShortcut(bool, QString*) override { return false; }
};

// Resident memory now, in MB.
double residentMb()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * 4096 / 1048576 : 0;
}

class PaintWatch : public QObject
{
public:
    PaintWatch(const TfConn& w, const QElapsedTimer& clock) : m_w(w), m_clock(clock) {}
    qint64 firstRowsMs = -1;

protected:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::Paint && firstRowsMs < 0 && m_w.selection().count() > 0)
            firstRowsMs = m_clock.elapsed();
        return QObject::eventFilter(o, e);
    }

private:
    const TfConn& m_w;
    const QElapsedTimer& m_clock;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() != 2) {
        std::fprintf(stderr, "uso: tarvelo-window-bench CARTELLA\n");
        return 2;
    }
    const QString folder = QDir(a[1]).absolutePath() + QLatin1Char('/');
    // Every connection: the query covers far more than the archive's years.
    SavedQuery q;
    q.descriz = QStringLiteral("Tutto");
    q.dal = dt::encodeDate(1990, 1, 1);
    q.al = dt::encodeDate(2030, 12, 31);
    q.provTutti = true;
    q.tarTutti = true;
    if (!TSavedQueries(folder).save(q.descriz, q)) {
        std::fprintf(stderr, "cannot save the query in %s\n", qPrintable(folder));
        return 1;
    }

    TArchiveFile archive(folder);
    TSystemClock clock;
    TScriptedPrompt prompt;
    NoShell shell;
    const float cambioEcu = 1936.27f;
    const ConnContext ctx{archive,
                          folder,
                          folder,
                          clock,
                          prompt,
                          shell,
                          cambioEcu,
                          [] { return QStringList(); },
                          [] { return QStringList(); },
                          [] {
                              return ConnWindowChoices{QStringLiteral("Tutto"), {}};
                          },
                          [](const ConnWindowChoices&) {},
                          {},
                          {}};

    const double base = residentMb();
    qint64 loadedMs = -1;
    qint64 stallMs = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    ticker.start();
    // The making of the window and its first slice keep the event loop
    // waiting too: they count from here.
    QElapsedTimer since;
    since.start();
    QElapsedTimer gap;
    gap.start();

    // Made, loaded and shown as the main bar opens it.
    TfConn w(ctx);
    PaintWatch paints(w, since);
    w.grid()->viewport()->installEventFilter(&paints);
    w.loadSelection();
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 g = gap.restart();
        stallMs = std::max(stallMs, g);
        if (w.work() == TfConn::Work::None && paints.firstRowsMs >= 0) {
            loadedMs = since.elapsed();
            app.quit();
        }
    });
    w.show();
    app.exec();

    std::printf("first=%.3f loaded=%.3f stall=%lld rows=%d rss=%.1f base=%.1f\n",
                paints.firstRowsMs / 1000.0, loadedMs / 1000.0, (long long)stallMs,
                w.selection().count(), residentMb(), base);
    return 0;
}
