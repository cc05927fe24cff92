#pragma once
// A readable text form of a profile table: one line per band, with the day
// row label, the band column and every field of the cell. `tarvelo-cli
// profile show` prints it and the profile generator (tariff/tools) reads it,
// so a profile can be looked at, kept under version control and rebuilt.
//
//   # riga fascia dalle costo1 scrsi costorisp doposec costo2 sco.attivo sco.percent sco.doposec
//   LUN    1      00.00 9.5    1     106       0       0      0          0           0
//
// costo1 is "Gratis" for a free band. Amounts are VAT excluded. Numbers are
// written in their shortest exact form, so text -> table -> text is stable
// and table -> text -> table gives the same floats. Only band cells are
// written; padding and reserved bytes are not part of the text (they read
// back as zero). '#' starts a comment.

#include "tariff/TariffTable.h"

#include <QString>

QString profileToText(const TariffTable& table);

// False (error says which line and why) on anything it cannot read; cells
// not named stay empty.
bool profileFromText(const QString& text, TariffTable& table, QString* error = nullptr);
