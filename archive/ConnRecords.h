#pragma once
// The in-memory connection records through which all archive traffic passes,
// and the state of the session's periodic save. One instance lives in the
// program object from start to exit; tests build their own.

#include "archive/ConnRecord.h"

#include <cstdint>

struct ConnRecords {
    ConnRecord running;       // the session in progress
    ConnRecord transfer;      // every archive read lands here, every write is taken from here
    ConnRecord edit;          // the copy handed to the edit dialog
    const ConnRecord empty{}; // all zeros; written over a record to delete it

    // The periodic save has stored the running record in this session, at
    // sessionIndex. Later saves, the final write and the discard write go to
    // that position.
    bool sessionSaved = false;
    int32_t sessionIndex = -1;
    // Ticks since the last periodic save; session begin sets it high so that
    // the first confirmed tick saves at once.
    int32_t saveCounter = 0;
    // An archive error of this session has been shown; later failures of
    // the periodic save stay silent until a save succeeds again.
    bool saveErrorShown = false;

    ConnRecords() = default;
    ConnRecords(const ConnRecords&) = delete;
    ConnRecords& operator=(const ConnRecords&) = delete;
};
