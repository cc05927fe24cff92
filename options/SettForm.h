#pragma once
// The values of the options window's pages "Avvio" and "Valuta" as the user
// sees and edits them, apart from the widgets: filled from the settings
// record, checked, and written back only when every value is acceptable.

#include "app/Settings.h"

#include <QLocale>
#include <QString>

struct SettForm {
    static inline const QString IvaText = QStringLiteral("L'IVA deve essere maggiore di zero!");
    static inline const QString CambioText = QStringLiteral("Valore del cambio Non valido !");
    static inline const QString DialTimeText =
        QStringLiteral("Deve essere un valore numerico intero e positivo !");
    static inline const QString Title = QStringLiteral("Informazione...");
    // What a VAT field holding no number stands for.
    static constexpr int DefaultIva = 20;

    // Fields in the order they are checked; None: all acceptable.
    enum class Error { None, Iva, Cambio, DialTime };

    QString dialTime; // edDialTime
    bool avviaWind = false;
    bool normWind = false;
    bool ridottoIcona = false;
    bool mostraSeConn = false;
    QString iva;       // edIva
    QString cambioEcu; // litecu, "#.00"

    // "NormWind" ticks the first start-up button; otherwise "RidottoIcona"
    // the second; otherwise neither.
    static SettForm fromSettings(const Settings& s, const QLocale& locale = QLocale());

    // Checks VAT, exchange rate and dial time in that order and returns the
    // first one refused. Only when none is refused are all values written
    // into s, so a refused confirmation leaves the settings in force as they
    // were.
    Error store(Settings& s, const QLocale& locale = QLocale()) const;

    static QString errorText(Error e);
};
