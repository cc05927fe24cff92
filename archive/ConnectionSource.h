#pragma once
// Stored connections handed out a block at a time, for work that goes
// through many of them without keeping them: the rows of a loaded selection
// (all of them, or a marked range), or the connections of a period read
// straight from the archive file. Nothing is ever written.
//
// A source is read in steps, each over at most a given number of positions
// (selection rows, or archive records), so that a window can keep its
// clock, its progress bar and its stop button going between steps.

#include "archive/ConnRecord.h"

#include <QList>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class TArchiveFile;
class TSelection;

// The fields of a stored connection that pricing needs.
struct StoredConnection {
    int32_t indice = -1; // where the record is in the archive
    TDateTime inizio = 0;
    TDateTime fine = 0;
    float costo = 0; // as stored: Lire, VAT included
};

class IConnectionSource
{
public:
    enum class Read {
        More,   // more positions to read
        End,    // every position has been read
        Failed, // errorText() says why
    };

    virtual ~IConnectionSource() = default;

    // Gets ready to read from the first position; false (errorText) when
    // the connections cannot be reached.
    virtual bool open() = 0;
    // Appends to out the stored connections of the next positions, at most
    // maxPositions of them.
    virtual Read read(int maxPositions, std::vector<StoredConnection>& out) = 0;
    // Positions to read in all, and read so far: the progress.
    virtual int64_t total() const = 0;
    virtual int64_t done() const = 0;
    virtual QString errorText() const = 0;
    // Archive positions of damaged records passed over since the last call.
    virtual QList<int> takeDamaged() { return {}; }
};

// Rows first..last (from 0) of a loaded selection; rows beyond its end (the
// empty row of an empty list) hold no connection. The selection must stay
// as it is while the source is read.
class TSelectionConnections : public IConnectionSource
{
public:
    TSelectionConnections(const TSelection& selection, int first, int last);
    // Every row of the selection.
    explicit TSelectionConnections(const TSelection& selection);

    bool open() override;
    Read read(int maxPositions, std::vector<StoredConnection>& out) override;
    int64_t total() const override;
    int64_t done() const override { return m_next - m_first; }
    QString errorText() const override { return QString(); }

private:
    const TSelection& m_selection;
    int m_first;
    int m_last;
    int m_next;
};

// The stored connections of the archive file whose start falls on a day of
// fromDay..toDay (whole days, both included), read in blocks through a
// descriptor of their own, so that memory does not grow with the archive
// and the program's own opening and closing of the archive does not
// disturb them. The archive is read as it was when opened; a missing
// archive holds no connection. Deleted records are passed over, damaged
// ones too (takeDamaged names them).
class TArchivePeriodConnections : public IConnectionSource
{
public:
    TArchivePeriodConnections(const QString& archivePath, TDateTime fromDay, TDateTime toDay);
    ~TArchivePeriodConnections() override;

    bool open() override;
    Read read(int maxPositions, std::vector<StoredConnection>& out) override;
    int64_t total() const override { return m_total; }
    int64_t done() const override { return m_next; }
    QString errorText() const override { return m_error; }
    QList<int> takeDamaged() override;

private:
    QString m_path;
    TDateTime m_fromDay;
    TDateTime m_toDay;
    std::unique_ptr<TArchiveFile> m_file;
    QByteArray m_block;
    int m_next = 0;
    int m_total = 0;
    QList<int> m_damaged;
    QString m_error;
};
