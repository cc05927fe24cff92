#pragma once
// Rules every window of the program keeps, checked on the window as built
// rather than against copied pixel numbers: each control in sight lies
// wholly inside its parent and inside the window, sibling controls do not
// cover each other, and every caption fits its control in the font in use.
//
// Controls are the widgets the window's code places: the children of the
// window and of its plain containers (panels, group boxes, pages). The
// insides of composite widgets (a combo box's edit field, a grid's
// scroll bars) are the toolkit's business and are not looked at.

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QStringList>
#include <QStyle>
#include <QTabBar>
#include <QTextDocument>
#include <QWidget>
#include <utility>

namespace testsupport
{

struct LayoutExceptions {
    // Sibling controls (by object name) placed over one another on purpose.
    QList<std::pair<QString, QString>> overlaps;
    // Controls that may reach outside their parent, which clips them (a
    // text that scrolls through a box).
    QStringList outside;

    LayoutExceptions& overlapping(const QString& a, const QString& b)
    {
        overlaps.append({a, b});
        return *this;
    }
    LayoutExceptions& clipped(const QString& name)
    {
        outside.append(name);
        return *this;
    }
};

namespace detail
{

inline QString describe(const QWidget* w)
{
    if (!w->objectName().isEmpty())
        return w->objectName();
    QString text;
    if (auto* l = qobject_cast<const QLabel*>(w))
        text = l->text();
    else if (auto* b = qobject_cast<const QAbstractButton*>(w))
        text = b->text();
    return QStringLiteral("%1 \"%2\"").arg(QLatin1String(w->metaObject()->className()), text);
}

inline bool composite(const QWidget* w)
{
    return qobject_cast<const QAbstractScrollArea*>(w) || qobject_cast<const QComboBox*>(w) ||
           qobject_cast<const QAbstractSpinBox*>(w) || qobject_cast<const QTabBar*>(w) ||
           qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QLineEdit*>(w) ||
           qobject_cast<const QMenu*>(w);
}

// A caption as drawn: without the '&' that marks a mnemonic ("&&" is one '&').
inline QString shownText(QString text)
{
    text.replace(QLatin1String("&&"), QString(QChar(0xE000)));
    text.remove(QLatin1Char('&'));
    text.replace(QChar(0xE000), QLatin1Char('&'));
    return text;
}

inline int widestLine(const QFontMetrics& fm, const QString& text)
{
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, fm.horizontalAdvance(line));
    return widest;
}

// Whether a label's or a button's caption fits it, with the room a button
// needs beside its caption (frame, check mark).
inline QString captionProblem(const QWidget* w)
{
    const QFontMetrics fm = w->fontMetrics();
    if (auto* l = qobject_cast<const QLabel*>(w)) {
        if (l->text().isEmpty())
            return {};
        const bool rich = l->textFormat() == Qt::RichText ||
                          (l->textFormat() == Qt::AutoText && Qt::mightBeRichText(l->text()));
        if (rich) {
            // Rich text is measured by the label itself: its lines at its
            // width, or its one line when it does not wrap.
            const QSize needed =
                l->wordWrap() ? QSize(l->width(), l->heightForWidth(l->width())) : l->sizeHint();
            if (needed.width() > l->width() || needed.height() > l->height())
                return QStringLiteral("%1: its text needs %2×%3, it has %4×%5")
                    .arg(describe(w))
                    .arg(needed.width())
                    .arg(needed.height())
                    .arg(l->width())
                    .arg(l->height());
            return {};
        }
        // A label shows '&' as a mnemonic only when it has a buddy; empty
        // lines at the end of a text show nothing.
        QString text = l->buddy() ? shownText(l->text()) : l->text();
        while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
            text.chop(1);
        const QRect room =
            l->contentsRect().adjusted(l->margin(), l->margin(), -l->margin(), -l->margin());
        const QRect needed =
            l->wordWrap()
                ? fm.boundingRect(QRect(0, 0, room.width(), 100000), Qt::TextWordWrap, text)
                : QRect(0, 0, widestLine(fm, text),
                        fm.height() * int(text.count(QLatin1Char('\n')) + 1));
        if (needed.width() > room.width() || needed.height() > room.height())
            return QStringLiteral("%1: its text needs %2×%3, it has %4×%5")
                .arg(describe(w))
                .arg(needed.width())
                .arg(needed.height())
                .arg(room.width())
                .arg(room.height());
        return {};
    }
    auto* b = qobject_cast<const QAbstractButton*>(w);
    if (!b || b->text().isEmpty())
        return {};
    int needed = widestLine(fm, shownText(b->text()));
    if (qobject_cast<const QCheckBox*>(b) || qobject_cast<const QRadioButton*>(b)) {
        const bool check = qobject_cast<const QCheckBox*>(b);
        needed += b->style()->pixelMetric(check ? QStyle::PM_IndicatorWidth
                                                : QStyle::PM_ExclusiveIndicatorWidth,
                                          nullptr, b) +
                  b->style()->pixelMetric(check ? QStyle::PM_CheckBoxLabelSpacing
                                                : QStyle::PM_RadioButtonLabelSpacing,
                                          nullptr, b);
    } else {
        needed += 4; // a frame each side
    }
    if (needed > b->width())
        return QStringLiteral("%1: its text needs %2 pixels, it has %3")
            .arg(describe(w))
            .arg(needed)
            .arg(b->width());
    return {};
}

inline bool allowedOverlap(const LayoutExceptions& ex, const QWidget* a, const QWidget* b)
{
    for (const auto& [x, y] : ex.overlaps)
        if ((a->objectName() == x && b->objectName() == y) ||
            (a->objectName() == y && b->objectName() == x))
            return true;
    return false;
}

inline void checkControls(const QWidget* window, const QWidget* parent, const LayoutExceptions& ex,
                          QStringList& problems)
{
    QList<const QWidget*> shown;
    for (const QObject* o : parent->children()) {
        auto* w = qobject_cast<const QWidget*>(o);
        if (!w || w->isWindow() || !w->isVisibleTo(window))
            continue;
        // Put wholly outside its parent, a control is out of sight; only one
        // partly outside is cut off.
        if (!parent->rect().intersects(w->geometry()))
            continue;
        shown << w;
        const bool mayLeave = ex.outside.contains(w->objectName());
        if (!mayLeave && !parent->rect().contains(w->geometry()))
            problems << QStringLiteral("%1 reaches outside %2").arg(describe(w), describe(parent));
        const QRect inWindow(w->mapTo(window, QPoint(0, 0)), w->size());
        if (!mayLeave && !window->rect().contains(inWindow))
            problems << QStringLiteral("%1 reaches outside the window").arg(describe(w));
        const QString caption = captionProblem(w);
        if (!caption.isEmpty())
            problems << caption;
        if (!composite(w))
            checkControls(window, w, ex, problems);
    }
    // What the parent clips of a control is not seen, and covers nothing.
    const auto seen = [parent](const QWidget* w) { return w->geometry() & parent->rect(); };
    for (int i = 0; i < shown.size(); ++i)
        for (int j = i + 1; j < shown.size(); ++j)
            if (seen(shown[i]).intersects(seen(shown[j])) &&
                !allowedOverlap(ex, shown[i], shown[j]))
                problems << QStringLiteral("%1 and %2 overlap")
                                .arg(describe(shown[i]), describe(shown[j]));
}

} // namespace detail

// Everything in window that breaks the rules above, one line each; a test
// compares it with an empty text, so a failure names the controls.
inline QString layoutProblems(const QWidget* window, const LayoutExceptions& ex = {})
{
    QStringList problems;
    detail::checkControls(window, window, ex, problems);
    return problems.join(QLatin1Char('\n'));
}

} // namespace testsupport
