#include "options/uSplash.h"

#include "platform/gui/Artwork.h"

#include <QFont>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>

namespace
{

constexpr int Width = 335;
constexpr int Height = 186;

QLabel* label(QWidget* parent, const char* name, const QString& text, const QRect& geometry)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setTextFormat(Qt::PlainText);
    l->setGeometry(geometry);
    return l;
}

} // namespace

TfSplash::TfSplash(const VersionInfo& version, QWidget* parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("fSplash"));
    setWindowTitle(version.productName);
    setFixedSize(Width, Height);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(2);
    panel->setGeometry(0, 0, Width, Height);

    auto* image2 = new QLabel(panel);
    image2->setObjectName(QStringLiteral("Image2"));
    image2->setGeometry(8, 6, 33, 33);
    image2->setPixmap(artwork::programPixmap(32));
    image2->setAlignment(Qt::AlignCenter);

    QLabel* name = label(panel, "lProductName", version.productName, QRect(48, 4, 239, 29));
    name->setAlignment(Qt::AlignCenter);
    name->setFont(QFont(QStringLiteral("Sans Serif"), 16, QFont::Bold));
    QLabel* ver = label(panel, "lVer", version.versionLine(), QRect(46, 33, 243, 16));
    ver->setAlignment(Qt::AlignCenter);

    auto* bevel1 = new QFrame(panel);
    bevel1->setObjectName(QStringLiteral("Bevel1"));
    bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    bevel1->setGeometry(4, 55, 109, 97);
    QLabel* contact = label(bevel1, "lContatti",
                            QStringLiteral("Pindral Software\n"
                                           "Casella postale 17\n"
                                           "00100 Roma\n\n"
                                           "Posta elettronica:\n"
                                           "tarvelo@pindral.example"),
                            QRect(3, 3, 103, 91));
    contact->setFont(QFont(QStringLiteral("Sans Serif"), 6));
    contact->setWordWrap(true);

    m_noticeBox = new QFrame(panel);
    m_noticeBox->setObjectName(QStringLiteral("sb1"));
    m_noticeBox->setFrameStyle(QFrame::NoFrame);
    m_noticeBox->setGeometry(114, 56, 217, 95);

    auto* image3 = new QLabel(m_noticeBox);
    image3->setObjectName(QStringLiteral("Image3"));
    image3->setGeometry(0, 0, 217, 64);
    image3->setPixmap(artwork::programPixmap(56));
    image3->setAlignment(Qt::AlignCenter);
    m_loading = label(m_noticeBox, "loading", QStringLiteral(" L O A D I N G . . . "),
                      QRect(0, 68, 217, 20));
    m_loading->setAlignment(Qt::AlignCenter);
    m_loading->setFont(QFont(QStringLiteral("Sans Serif"), 8, QFont::Bold));

    m_notice = new QTextEdit(m_noticeBox);
    m_notice->setObjectName(QStringLiteral("re1"));
    m_notice->setReadOnly(true);
    m_notice->setEnabled(false);
    m_notice->setFrameStyle(QFrame::NoFrame);
    m_notice->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_notice->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_notice->setGeometry((m_noticeBox->width() - 225) / 2, m_noticeBox->height(), 225, 500);
    m_notice->setFont(QFont(QStringLiteral("Sans Serif"), 8));
    buildNotice();

    auto* line = new QFrame(panel);
    line->setObjectName(QStringLiteral("Bevel2"));
    line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    line->setGeometry(4, 156, Width - 8, 2);
    QLabel* bottom = label(panel, "lBottom",
                           QStringLiteral("Il costo della tua connessione, secondo per secondo."),
                           QRect(8, 162, 270, 18));
    bottom->setFont(QFont(QStringLiteral("Sans Serif"), 7));

    m_ok = new QPushButton(panel);
    m_ok->setObjectName(QStringLiteral("OK"));
    m_ok->setGeometry(Width - 45 - 6, 161, 45, 20);
    m_ok->hide();
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    m_scrollTimer.setObjectName(QStringLiteral("t1"));
    m_scrollTimer.setInterval(100);
    connect(&m_scrollTimer, &QTimer::timeout, this, &TfSplash::scrollTick);
    m_scrollTimer.start();
}

void TfSplash::buildNotice()
{
    QPalette pal = m_notice->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(group, QPalette::Base, Qt::black);
        pal.setColor(group, QPalette::Text, Qt::white);
    }
    m_notice->setPalette(pal);
    m_notice->setHtml(
        QStringLiteral("<body style='background-color:black'>"
                       "<p align='center' style='color:#ffd24a'><b>Tarvelo!</b></p>"
                       "<p align='center' style='color:#7fdcff'>Il semaforo della tua connessione "
                       "telefonica a Internet: tempo e costo, secondo per secondo.</p>"
                       "<p align='center' style='color:#9cff8a'>I costi sono calcolati dai profili "
                       "tariffari che tu stesso inserisci: controllali con le condizioni del tuo "
                       "gestore telefonico.</p>"
                       "<p align='center' style='color:#ff9c9c'>Le cifre mostrate sono una stima e "
                       "non sostituiscono la bolletta.</p>"
                       "<p align='center' style='color:#ffffff'>Ogni connessione viene registrata "
                       "nell'archivio della cartella del programma, dove puoi consultarla, "
                       "modificarla e stamparla.</p>"
                       "<p align='center' style='color:#d0a0ff'>Il programma è distribuito così "
                       "com'è, senza alcuna garanzia.</p>"
                       "<p align='center' style='color:#ffd24a'>Buona navigazione!</p>"
                       "</body>"));
}

void TfSplash::scrollTick()
{
    if (m_notice->y() < -m_notice->height())
        m_notice->move(m_notice->x(), m_noticeBox->height());
    m_notice->move(m_notice->x(), m_notice->y() - 1);
}

void TfSplash::prepareAbout()
{
    // A splash-screen window never ends a modal loop; the about window is an
    // ordinary frameless dialog.
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    m_loading->hide();
    m_ok->setText(QStringLiteral("&OK"));
    m_ok->setVisible(true);
    m_ok->setDefault(true);
    setWindowModality(Qt::ApplicationModal);
}

void TfSplash::showAbout(const VersionInfo& version, QWidget* parent)
{
    TfSplash about(version, parent);
    about.prepareAbout();
    about.exec();
}
