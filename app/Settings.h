#pragma once
// The settings record: every user setting of the program, held once by the
// program object, loaded when the main bar is created and written back at
// exit and when the options window is confirmed (see TSettingsStore).

#include "common/DateTime.h"

#include <QString>
#include <array>
#include <cstdint>

inline const QString DefaultProfileName = QStringLiteral("Telecom Urbana 50%");

struct Settings {
    // "Main"
    int32_t mainTop = 0;
    int32_t mainLeft = 0;
    int32_t tipoVisualiz = 1;
    bool nascondiIcone = false;
    // "Tariffe"
    QString tabDefault = DefaultProfileName;
    QString tabellaAttuale = DefaultProfileName;
    // "Sett"
    int32_t iva = 20;
    float cambioEcu = 1936.27f;
    std::array<TDateTime, 3> arrDialingTime{0, 0, 0};
    int32_t dialingIndex = 1;
    int32_t dialTime = 0;
    bool avviaWind = false;
    bool normWind = true;
    bool ridottoIcona = false;
    bool mostraSeConn = false;
    int32_t cpMin = 0;
    TDateTime ultSearchAgg = 0;
    bool aggAuto = false;
    // "AutoDial" (texts at most 60 characters)
    QString provider;
    int32_t tentativi1 = 10;
    bool rinuncia = true;
    bool prosegui = false;
    std::array<QString, 20> altri;
    int32_t tentativi2 = 5;
    bool successivo = false;
    bool interrompi = true;
    // "Sett": the dial-up service ("auto", "ppp", "nm" or "sim") and where
    // pppd, its peers and its pid files are (empty: the system's own places).
    QString rasBackend = QStringLiteral("auto");
    QString pppCommand;
    QString pppPeers;
    QString pppRun;
    // "Sett": where the exact time and the update information come from. A
    // time server is a host name, optionally with ":port"; an address
    // without a scheme is taken as http://.
    QString serverOraEsatta = QStringLiteral("ntp1.inrim.it");
    QString indirizzoAggiornamento = QStringLiteral("http://www.pindral.example/tarvelo!.agg");
};

constexpr int AutoDialTextMax = 60;
