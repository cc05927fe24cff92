#include "dialup/uStato.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QThread>

#include <algorithm>

namespace
{

constexpr int DesignWidth = 300;
constexpr int Margin = 12;

QLabel* label(QWidget* parent, const char* name, const QString& text, const QRect& geometry,
              bool bold = false)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(geometry);
    l->setTextFormat(Qt::PlainText);
    if (bold) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }
    return l;
}

} // namespace

TfStato::TfStato(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fStato"));
    setWindowTitle(QStringLiteral("Connessione in corso..."));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(DesignWidth, 132);

    m_tenta = label(this, "tenta", QString(), QRect(12, 8, 276, 18));
    m_provider = label(this, "provider", QString(), QRect(12, 28, 276, 18), true);
    label(this, "Label1", QStringLiteral("Telefono"), QRect(12, 50, 60, 18));
    m_numtel = label(this, "numtel", QString(), QRect(76, 50, 212, 18), true);

    m_annulla = new QPushButton(QStringLiteral("&Annulla"), this);
    m_annulla->setObjectName(QStringLiteral("annulla"));
    m_annulla->setGeometry(110, 74, 80, 26);
    connect(m_annulla, &QPushButton::clicked, this, &TfStato::annullaClick);

    m_statusBar = new QStatusBar(this);
    m_statusBar->setObjectName(QStringLiteral("sb1"));
    m_statusBar->setSizeGripEnabled(false);
    m_statusBar->setGeometry(0, 108, 300, 24);
    m_statusCaption = new QLabel(StatoText, m_statusBar);
    m_statusCaption->setObjectName(QStringLiteral("sb1Panel0"));
    m_statusText = new QLabel(m_statusBar);
    m_statusText->setObjectName(QStringLiteral("sb1Panel1"));
    m_statusText->setTextFormat(Qt::PlainText);
    m_statusBar->addWidget(m_statusCaption);
    m_statusBar->addWidget(m_statusText, 1);
}

int TfStato::run(const QString& attemptLine, const QString& entryName, const QString& phoneNumber)
{
    hide();
    m_tenta->setText(attemptLine);
    m_provider->setText(entryName);
    m_numtel->setText(phoneNumber);
    m_statusText->clear();
    fitTexts();
    setResult(0);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    setWindowModality(Qt::ApplicationModal);

    m_running = true;
    QEventLoop loop;
    connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
    show();
    loop.exec(QEventLoop::DialogExec);
    m_running = false;
    return result();
}

void TfStato::setStatusText(const QString& text)
{
    m_statusText->setText(text);
    fitTexts();
}

// The window keeps its 300 pixels where the system font holds its
// texts; a longer entry name, number or state widens it (up to the
// screen's width), its fields and status bar along.
void TfStato::fitTexts()
{
    const auto advance = [](const QLabel* l) {
        return l->fontMetrics().horizontalAdvance(l->text());
    };
    int width = DesignWidth;
    for (const QLabel* l : {m_tenta, m_provider})
        width = std::max(width, l->x() + advance(l) + Margin);
    width = std::max(width, m_numtel->x() + advance(m_numtel) + Margin);
    width =
        std::max(width, m_statusCaption->sizeHint().width() + advance(m_statusText) + 3 * Margin);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        width = std::min(width, std::max(DesignWidth, screen->availableGeometry().width()));
    if (width == this->width())
        return;
    setFixedSize(width, height());
    for (QLabel* l : {m_tenta, m_provider, m_numtel})
        l->resize(width - l->x() - Margin, l->height());
    m_annulla->move((width - m_annulla->width()) / 2, m_annulla->y());
    m_statusBar->resize(width, m_statusBar->height());
}

QString TfStato::statusText() const
{
    return m_statusText->text();
}

void TfStato::finishAttempt(int result)
{
    if (m_running)
        done(result);
}

void TfStato::annullaClick()
{
    if (!m_running)
        return;
    setStatusText(CancellingText);
    QCoreApplication::processEvents();
    // A notification handled meanwhile may have decided the attempt already.
    if (!isVisible())
        return;
    QThread::yieldCurrentThread();
    done(AttemptResult::Cancelled);
}

void TfStato::reject()
{
    annullaClick();
}
