#include "app/uPopup.h"

#include "app/WatchState.h"
#include "archive/ConnRecord.h"
#include "common/Format.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace
{

constexpr int PopupWidth = 454;
constexpr int PopupHeight = 120;
constexpr int CaptionWidth = 139;
constexpr int ValueWidth = 273;
constexpr int InfoWidth = 447;
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
    info->setGeometry(3, 29, InfoWidth, 87);
    info->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    info->setAutoFillBackground(true);
    QPalette pal = info->palette();
    pal.setColor(QPalette::Window, QColor(255, 255, 225));
    pal.setColor(QPalette::WindowText, Qt::black);
    info->setPalette(pal);

    m_frame = frame;
    m_caption = caption;
    m_info = info;
    m_euroLine = label(info, "lb2", 8, 6, CaptionWidth + 4 + ValueWidth);
    m_stateCaption = label(info, "lb3", 8, 27, CaptionWidth);
    m_stateValue = label(info, "lb3b", 0, 27, ValueWidth);
    m_tariffCaption = label(info, "lb4", 8, 46, CaptionWidth);
    m_tariffValue = label(info, "lb4b", 0, 46, ValueWidth);
    m_phoneCaption = label(info, "lb5", 8, 65, CaptionWidth);
    m_phoneValue = label(info, "lb5b", 0, 65, ValueWidth);
    for (QLabel* value : {m_stateValue, m_tariffValue, m_phoneValue})
        value->setFont(bold);
    placeLabels();
}

// The captions and values keep their design widths where the system font
// holds their texts; a wider text widens its column, and the window grows
// by as much.
void TfPopup::placeLabels()
{
    const auto widest = [](std::initializer_list<const QLabel*> labels, int design) {
        int w = design;
        for (const QLabel* l : labels)
            w = std::max(w, l->fontMetrics().horizontalAdvance(l->text()) + 2);
        return w;
    };
    const int captions = widest({m_stateCaption, m_tariffCaption, m_phoneCaption}, CaptionWidth);
    int values = widest({m_stateValue, m_tariffValue, m_phoneValue}, ValueWidth);
    values = std::max(values, widest({m_euroLine}, 0) - captions - 4);
    const int extra = captions - CaptionWidth + values - ValueWidth;

    setFixedSize(PopupWidth + extra, PopupHeight);
    m_frame->resize(PopupWidth + extra, PopupHeight);
    m_caption->resize(PopupWidth + extra - 16, LineHeight);
    m_info->resize(InfoWidth + extra, m_info->height());
    m_euroLine->resize(captions + 4 + values, LineHeight);
    for (QLabel* caption : {m_stateCaption, m_tariffCaption, m_phoneCaption})
        caption->resize(captions, LineHeight);
    for (QLabel* value : {m_stateValue, m_tariffValue, m_phoneValue})
        value->setGeometry(8 + captions + 4, value->y(), values, LineHeight);
}

void TfPopup::fill(const WatchState& watch, const ConnRecord& running, double cambioEcu)
{
    const double lire = watch.shownCost;
    // A rate of zero (a hand-edited setting) would give an infinite amount.
    const QString euro = cambioEcu > 0 && std::isfinite(cambioEcu)
                             ? fmt::formatFloat(QStringLiteral("#0.00"), lire / cambioEcu)
                             : QStringLiteral("n.d.");
    m_euroLine->setText(QStringLiteral(" Lire ") + fmt::formatFloat(QStringLiteral("#,#0"), lire) +
                        QStringLiteral(" equivalgono ad Euro ") + euro);

    if (watch.connected) {
        m_stateCaption->setText(QStringLiteral(" Sei collegato con : "));
        m_stateValue->setText(running.provider);
    } else if (watch.running) {
        m_stateCaption->setText(QStringLiteral(" Ti stai collegando con :"));
        m_stateValue->setText(running.provider);
    } else {
        m_stateCaption->setText(QStringLiteral(" Stato :"));
        m_stateValue->setText(QStringLiteral("In attesa"));
    }

    const bool session = watch.running || watch.connected;
    m_tariffCaption->setText(session ? QStringLiteral("Tariffa in uso :")
                                     : QStringLiteral("Tariffa Usata :"));
    m_tariffValue->setText(session ? running.nomeTar : QStringLiteral("-"));
    m_phoneCaption->setText(QStringLiteral("Telefonico Attuale :"));
    m_phoneValue->setText(session ? running.telefono : QStringLiteral("-"));
    placeLabels();
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
