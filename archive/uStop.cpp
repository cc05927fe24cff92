#include "archive/uStop.h"

#include "archive/SessionArchive.h"
#include "archive/uModConn.h"
#include "common/Prompt.h"
#include "platform/gui/HelpKey.h"

#include <QEventLoop>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>

namespace
{

// The fixed texts mark line breaks with CR; labels want LF.
QString labelText(QString text)
{
    return text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

QFont arial(int pixelSize, bool bold)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

QPushButton* boldButton(QWidget* parent, const QString& text, const char* name, int x)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setFont(arial(12, true));
    button->setGeometry(x, 244, 89, 27);
    return button;
}

} // namespace

TfStop::TfStop(const StopContext& ctx, QWidget* parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("fStop"));
    setWindowTitle(QStringLiteral("Connessione Terminata"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    setFixedSize(308, 280);

    auto* topPanel = new QFrame(this);
    topPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    topPanel->setGeometry(0, 0, 308, 176);

    m_stopImage = new QLabel(topPanel);
    m_stopImage->setObjectName(QStringLiteral("StopImage"));
    m_stopImage->setGeometry(10, 10, 32, 32);
    m_stopImage->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(32, 32));

    m_title = new QLabel(topPanel);
    m_title->setObjectName(QStringLiteral("Label1"));
    m_title->setGeometry(56, 8, 238, 36);
    m_title->setWordWrap(true);
    m_title->setFont(arial(12, true));
    m_title->setStyleSheet(QStringLiteral("color: navy;"));

    auto* bevel = new QFrame(topPanel);
    bevel->setFrameStyle(QFrame::Box | QFrame::Sunken);
    bevel->setGeometry(8, 52, 292, 117);
    m_text = new QLabel(bevel);
    m_text->setObjectName(QStringLiteral("Label2"));
    m_text->setGeometry(8, 5, 275, 107);
    m_text->setWordWrap(true);
    m_text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_text->setFont(arial(11, false));

    m_rbSI = new QRadioButton(QStringLiteral("&Conferma i dati di questa Connessione"), this);
    m_rbSI->setObjectName(QStringLiteral("rbSI"));
    m_rbSI->setGeometry(16, 184, 284, 20);
    m_rbNO = new QRadioButton(QStringLiteral("&Elimina i dati di questa Connessione"), this);
    m_rbNO->setObjectName(QStringLiteral("rbNO"));
    m_rbNO->setGeometry(16, 208, 284, 20);

    auto* bottomPanel = new QFrame(this);
    bottomPanel->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    bottomPanel->setGeometry(0, 234, 308, 2);
    m_ok = boldButton(this, QStringLiteral("&OK"), "Button1", 56);
    m_ok->setDefault(true);
    m_bDesc = boldButton(this, QStringLiteral("&Descrizione"), "bDesc", 163);
    m_bDesc->setEnabled(false);

    // Choosing to keep the connection offers the description; choosing to
    // discard it later leaves the button as it is.
    connect(m_rbSI, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            m_bDesc->setEnabled(true);
    });
    connect(m_ok, &QPushButton::clicked, this, &TfStop::okClick);
    connect(m_bDesc, &QPushButton::clicked, this, &TfStop::bDescClick);

    m_blinkTimer = new QTimer(this);
    m_blinkTimer->setInterval(500);
    connect(m_blinkTimer, &QTimer::timeout, this, &TfStop::blinkTick);
    m_blinkTimer->start();
}

void TfStop::setup(Light light)
{
    const bool ended = light == Light::Green;
    m_title->setText(ended ? EndedTitle : NotStartedTitle);
    m_text->setText(labelText(ended ? EndedText : NotStartedText));
    (ended ? m_rbSI : m_rbNO)->setChecked(true);
}

bool TfStop::open(Light light, const StopContext& ctx, QWidget* parent)
{
    if (light == Light::None)
        return false;
    // A connection that cost nothing (a free number, a flat rate, a call
    // that failed at once) is still asked about: the user decides.
    auto* dialog = new TfStop(ctx, parent);
    if (ctx.slot)
        *ctx.slot = dialog;
    dialog->hide();
    dialog->setup(light);
    if (ctx.bar)
        ctx.bar->hideBar();
    dialog->run();
    delete dialog;
    if (ctx.slot)
        *ctx.slot = nullptr;
    if (ctx.bar)
        ctx.bar->showBar();
    return true;
}

int TfStop::run()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
    show();
    loop.exec(QEventLoop::DialogExec);
    return result();
}

void TfStop::okClick()
{
    ConnRecords& recs = m_ctx.records;
    session::clearInCorso(recs.running);
    if (m_rbSI->isChecked()) {
        // On failure the error has been shown; the dialog stays, so OK retries.
        if (!session::finalWrite(recs, m_ctx.archive, m_ctx.prompt))
            return;
    } else if (m_rbNO->isChecked()) {
        if (!session::discardWrite(recs, m_ctx.archive, m_ctx.prompt))
            return;
        if (m_ctx.bar)
            m_ctx.bar->resetTimeAndCost();
    }
    session::releaseSessionRecord(recs);
    accept();
}

void TfStop::bDescClick()
{
    ConnRecords& recs = m_ctx.records;
    session::clearInCorso(recs.running);
    recs.edit = recs.running;
    TfModConn edit(recs.edit, m_ctx.prompt, this);
    edit.hide();
    edit.fill();
    hide();
    if (edit.exec() == QDialog::Accepted)
        recs.running = recs.edit;
    show();
}

void TfStop::blinkTick()
{
    m_stopImage->setHidden(!m_stopImage->isHidden());
}

void TfStop::helpKey()
{
    m_ctx.prompt.message(NoHelpText, QStringLiteral("Tarvelo!..."), PromptIcon::Warning);
}

void TfStop::reject()
{
    session::releaseSessionRecord(m_ctx.records);
    QDialog::reject();
}

void TfStop::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1) {
        helpKey();
        return;
    }
    QDialog::keyPressEvent(event);
}
