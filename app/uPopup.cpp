#include "app/uPopup.h"

#include "app/WatchState.h"
#include "archive/ConnRecord.h"
#include "common/Format.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>

#include <cmath>

namespace
{

constexpr int PopupWidth = 454;
constexpr int PopupHeight = 120;
constexpr int CaptionWidth = 139;
constexpr int ValueWidth = 273;
constexpr int LineHeight = 17;

QLabel* label(QWidget* parent, const char* name, int x, int y, int width)
{
    auto* l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(x, y, width, LineHeight);
    l->setTextFormat(Qt::PlainText);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return l;
}

} // namespace

TfPopup::TfPopup(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("fPopup"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(PopupWidth, PopupHeight);

    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("Panel1"));
    frame->setGeometry(0, 0, PopupWidth, PopupHeight);
    frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    frame->setLineWidth(2);

    auto* caption = new QLabel(QStringLiteral("Extra Info..."), frame);
    caption->setObjectName(QStringLiteral("Label1"));
    caption->setGeometry(8, 6, PopupWidth - 16, LineHeight);
    QFont bold = caption->font();
    bold.setBold(true);
    caption->setFont(bold);

    auto* info = new QFrame(frame);
    info->setObjectName(QStringLiteral("Panel2"));
    info->setGeometry(3, 29, 447, 87);
    info->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    info->setAutoFillBackground(true);
    QPalette pal = info->palette();
    pal.setColor(QPalette::Window, QColor(255, 255, 225));
    pal.setColor(QPalette::WindowText, Qt::black);
    info->setPalette(pal);

    const int valueX = 8 + CaptionWidth + 4;
    m_lb2 = label(info, "lb2", 8, 6, CaptionWidth + 4 + ValueWidth);
    m_lb3 = label(info, "lb3", 8, 27, CaptionWidth);
    m_lb3b = label(info, "lb3b", valueX, 27, ValueWidth);
    m_lb4 = label(info, "lb4", 8, 46, CaptionWidth);
    m_lb4b = label(info, "lb4b", valueX, 46, ValueWidth);
    m_lb5 = label(info, "lb5", 8, 65, CaptionWidth);
    m_lb5b = label(info, "lb5b", valueX, 65, ValueWidth);
    for (QLabel* value : {m_lb3b, m_lb4b, m_lb5b})
        value->setFont(bold);
}

void TfPopup::fill(const WatchState& watch, const ConnRecord& running, double cambioEcu)
{
    const double lire = watch.shownCost;
    // A rate of zero (a hand-edited setting) would give an infinite amount.
    const QString euro = cambioEcu > 0 && std::isfinite(cambioEcu)
                             ? fmt::formatFloat(QStringLiteral("#0.00"), lire / cambioEcu)
                             : QStringLiteral("n.d.");
    m_lb2->setText(QStringLiteral(" Lire ") + fmt::formatFloat(QStringLiteral("#,#0"), lire) +
                   QStringLiteral(" equivalgono ad Euro ") + euro);

    if (watch.connected) {
        m_lb3->setText(QStringLiteral(" Sei collegato con : "));
        m_lb3b->setText(running.provider);
    } else if (watch.running) {
        m_lb3->setText(QStringLiteral(" Ti stai collegando con :"));
        m_lb3b->setText(running.provider);
    } else {
        m_lb3->setText(QStringLiteral(" Stato :"));
        m_lb3b->setText(QStringLiteral("In attesa"));
    }

    const bool session = watch.running || watch.connected;
    m_lb4->setText(session ? QStringLiteral("Tariffa in uso :")
                           : QStringLiteral("Tariffa Usata :"));
    m_lb4b->setText(session ? running.nomeTar : QStringLiteral("-"));
    m_lb5->setText(QStringLiteral("Telefonico Attuale :"));
    m_lb5b->setText(session ? running.telefono : QStringLiteral("-"));
}

void TfPopup::popup()
{
    QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen)
        move(screen->geometry().center() - rect().center());
    show();
    raise();
}

void TfPopup::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    setAttribute(Qt::WA_DeleteOnClose);
    close();
}
