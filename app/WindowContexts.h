#pragma once
// The narrow contexts the secondary windows take, built from the program
// object. The main bar opens its windows with them; a test builds them the
// same way from a program of its own.

#include "archive/ConnContext.h"
#include "dialup/uAutoDial.h"
#include "options/uSett.h"
#include "tariff/uConfronto.h"
#include "tariff/uCtar.h"
#include "tariff/uTariffe.h"

#include <QPointer>

struct Program;

// The archive window's: the program's archive, folders and services, the
// profile and dial-up entry names, the choices kept in the settings, and
// "&Cambia Tariffa" opening the change-tariff window (in ctarSlot while it is
// open, when given), "Confronta Tariffe..." the tariff comparison window.
ConnContext connContext(Program& program, QPointer<QWidget>* ctarSlot = nullptr);

// The change-tariff window's: the running session, the archive, the
// calendar, the VAT; the watch told when the running connection is priced
// again.
CtarContext ctarContext(Program& program);

// The tariff comparison window's: the profile folder, the VAT and the
// exchange rate.
ConfrontoContext confrontoContext(Program& program);

// The tariff editor's: the working profile, the two profile names of the
// settings (as the program holds them, and as stored), the VAT.
TariffeContext tariffeContext(Program& program);

// The options window's: the settings, the connected flag, the dial-up layer
// and the current provider record, the version; "&Ok" saves through the
// program unless the hooks say otherwise.
SettContext settContext(Program& program);

// The dialler's: the session the watch meters (through IDialSession), the
// dialler's settings, the status window made at start (or none).
AutoDialContext autoDialContext(Program& program, IDialSession& session, TfStato* stato);
