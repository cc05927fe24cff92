#pragma once
// The connections a tariff comparison window prices: copied out of the
// archive window's rows when the window opens, with the grid row each was
// shown in and its telephone number. The window then depends neither on the
// selection staying as it is nor on the archive window outliving it, and a
// hundred thousand connections take a few megabytes (the telephone numbers,
// few and repeated, are kept once each).

#include "archive/ConnectionSource.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class TSelection;

class TComparedConnections
{
public:
    TComparedConnections();

    // Selection records first..last (from 0); records past the end of the
    // selection (the empty row of an empty list) are left out.
    static TComparedConnections fromSelection(const TSelection& selection, int first, int last);

    // For callers (and tests) that have the connections at hand: each with
    // the grid row it is shown in and its telephone number.
    void append(const StoredConnection& connection, int row, const QString& telephone);

    int size() const { return int(m_data->connections.size()); }
    bool isEmpty() const { return m_data->connections.empty(); }
    const StoredConnection& at(int i) const { return m_data->connections[size_t(i)]; }
    // The grid row connection i was shown in (selection record + 1).
    int row(int i) const { return m_data->rows[size_t(i)]; }
    QString telephone(int i) const { return m_data->telephones[m_data->telephoneOf[size_t(i)]]; }
    // The earliest and the latest start; 0 when there is no connection.
    TDateTime firstStart() const { return m_data->firstStart; }
    TDateTime lastStart() const { return m_data->lastStart; }

    // A source over these connections, in their order. It shares them, so
    // it may outlive this object.
    std::unique_ptr<IConnectionSource> source() const;

private:
    struct Data {
        std::vector<StoredConnection> connections;
        std::vector<int> rows;
        std::vector<int> telephoneOf; // index into telephones
        QStringList telephones;
        QHash<QString, int> telephoneIndex;
        TDateTime firstStart = 0;
        TDateTime lastStart = 0;
    };
    // The data, no longer shared with a source handed out before.
    Data& data();
    int telephoneNumber(Data& d, const QString& telephone);

    std::shared_ptr<Data> m_data;
};
