#include "options/SettForm.h"

#include "common/Format.h"

#include <cmath>
#include <limits>

SettForm SettForm::fromSettings(const Settings& s, const QLocale& locale)
{
    SettForm f;
    f.dialTime = QString::number(s.dialTime);
    f.avviaWind = s.avviaWind;
    f.normWind = s.normWind;
    f.ridottoIcona = !s.normWind && s.ridottoIcona;
    f.mostraSeConn = s.mostraSeConn;
    f.iva = QString::number(s.iva);
    f.cambioEcu = fmt::formatFloat(QStringLiteral("#.00"), s.cambioEcu, locale);
    return f;
}

SettForm::Error SettForm::store(Settings& s, const QLocale& locale) const
{
    const int ivaValue = fmt::parseInt(iva).value_or(DefaultIva);
    if (ivaValue < 1)
        return Error::Iva;
    // Every Euro amount is Lire divided by the rate, so a rate that is not a
    // positive number a 4-byte float can hold would show nonsense everywhere.
    const std::optional<double> cambio = fmt::parseFloat(cambioEcu, locale);
    if (!cambio || *cambio <= 0 || *cambio > std::numeric_limits<float>::max() ||
        float(*cambio) <= 0)
        return Error::Cambio;
    const std::optional<int> dial = fmt::parseInt(dialTime);
    if (!dial)
        return Error::DialTime;

    s.iva = ivaValue;
    s.cambioEcu = float(*cambio);
    s.dialTime = *dial;
    s.avviaWind = avviaWind;
    s.normWind = normWind;
    s.ridottoIcona = ridottoIcona;
    s.mostraSeConn = mostraSeConn;
    return Error::None;
}

QString SettForm::errorText(Error e)
{
    switch (e) {
    case Error::Iva:
        return IvaText;
    case Error::Cambio:
        return CambioText;
    case Error::DialTime:
        return DialTimeText;
    case Error::None:
        break;
    }
    return {};
}
