// The main bar's layouts without widgets: what each display mode shows and
// where, a cost too wide for its field, the buttons hidden; the sliding
// panel's steps and the cyclic display's turns.

#include "app/BarLayout.h"

#include <QTest>

using C = BarControl;

namespace
{

QList<C> shownOf(const BarLayout& l)
{
    QList<C> out;
    for (size_t i = 0; i < BarControlCount; ++i)
        if (l.shown[i])
            out << C(i);
    return out;
}

} // namespace

Q_DECLARE_METATYPE(DisplayMode)

class TstBarLayout : public QObject
{
    Q_OBJECT
private slots:
    void storedModes()
    {
        QCOMPARE(displayModeOf(1), std::optional(DisplayMode::Normal));
        QCOMPARE(displayModeOf(7), std::optional(DisplayMode::Cyclic));
        for (int ignored : {0, 3, 8, -1})
            QVERIFY2(!displayModeOf(ignored), qPrintable(QString::number(ignored)));
    }

    // Where each mode puts its fields, its drag handle and its separator.
    void modes_data()
    {
        QTest::addColumn<DisplayMode>("mode");
        QTest::addColumn<int>("width");
        QTest::addColumn<QList<C>>("shown");
        QTest::addColumn<QRect>("tempo");
        QTest::addColumn<QRect>("costo");
        QTest::addColumn<QRect>("nascosto");
        QTest::addColumn<QPoint>("handle");
        QTest::addColumn<int>("separatorX");
        QTest::addColumn<bool>("slidesAway");

        const QRect tempo(82, 2, 59, 17), costo(144, 2, 45, 17), clock(31, 2, 48, 17);
        const QRect single(31, 2, 59, 17);
        const QList<C> all = {
            C::Sem,        C::AutLight,      C::Panel1,        C::Nascosto,      C::Tempo,
            C::Costo,      C::ArchiveButton, C::TariffsButton, C::OptionsButton, C::IconiseButton,
            C::DragHandle, C::QuitButton,    C::Separator};
        QTest::newRow("normal") << DisplayMode::Normal << 300 << all << tempo << costo << clock
                                << QPoint(262, 3) << 294 << false;
        QTest::newRow("minimal") << DisplayMode::Minimal << 45
                                 << QList<C>{C::Sem, C::AutLight, C::DragHandle, C::Separator}
                                 << tempo << costo << clock << QPoint(26, 3) << 39 << false;
        QTest::newRow("time only")
            << DisplayMode::TimeOnly << 118
            << QList<C>{C::Sem, C::AutLight, C::Panel1, C::Tempo, C::DragHandle, C::Separator}
            << single << costo << clock << QPoint(95, 3) << BarLayout::OutOfSight << true;
        QTest::newRow("cost only")
            << DisplayMode::CostOnly << 118
            << QList<C>{C::Sem, C::AutLight, C::Panel1, C::Costo, C::DragHandle, C::Separator}
            << tempo << single << clock << QPoint(95, 3) << BarLayout::OutOfSight << true;
        QTest::newRow("clock only")
            << DisplayMode::ClockOnly << 105
            << QList<C>{C::Sem, C::AutLight, C::Panel1, C::Nascosto, C::DragHandle, C::Separator}
            << tempo << costo << clock << QPoint(83, 3) << 99 << true;
        // The three fields share one place, shown in turn.
        QTest::newRow("cyclic") << DisplayMode::Cyclic << 118
                                << QList<C>{C::Sem, C::AutLight, C::Panel1, C::DragHandle,
                                            C::Separator}
                                << single << single << single << QPoint(95, 3)
                                << BarLayout::OutOfSight << true;
    }
    void modes()
    {
        QFETCH(DisplayMode, mode);
        QFETCH(int, width);
        QFETCH(QList<C>, shown);
        QFETCH(QRect, tempo);
        QFETCH(QRect, costo);
        QFETCH(QRect, nascosto);
        QFETCH(QPoint, handle);
        QFETCH(int, separatorX);
        QFETCH(bool, slidesAway);
        const BarLayout l = barLayout(mode, false, 20);
        QCOMPARE(l.width, width);
        QCOMPARE(shownOf(l), shown);
        QCOMPARE(l.place(C::Tempo), tempo);
        QCOMPARE(l.place(C::Costo), costo);
        QCOMPARE(l.place(C::Nascosto), nascosto);
        QCOMPARE(l.place(C::DragHandle).topLeft(), handle);
        QCOMPARE(l.place(C::Separator).x(), separatorX);
        QCOMPARE(l.panelSlidesAway, slidesAway);
        // What is shown keeps the bar's order, left to right, and what has
        // room lies inside the bar (the separator may be put out of sight).
        int left = -1;
        for (C c : shown) {
            QVERIFY(l.place(c).left() > left);
            QVERIFY(l.place(c).right() < width || c == C::Separator);
            left = l.place(c).left();
        }
    }

    // A cost that needs more than its field widens the field; what lies right
    // of it moves along and the bar grows by as much. The field alone in the
    // bar is wider, so it widens only past its own width.
    void wideCost_data()
    {
        QTest::addColumn<DisplayMode>("mode");
        QTest::addColumn<int>("needed");
        QTest::addColumn<int>("costoWidth");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("handleX");
        QTest::newRow("normal, fits") << DisplayMode::Normal << 45 << 45 << 300 << 262;
        QTest::newRow("normal, 10 more") << DisplayMode::Normal << 55 << 55 << 310 << 272;
        QTest::newRow("cost only, fits its wider field")
            << DisplayMode::CostOnly << 55 << 59 << 118 << 95;
        QTest::newRow("cost only, 10 more") << DisplayMode::CostOnly << 69 << 69 << 128 << 105;
        QTest::newRow("cyclic, 10 more") << DisplayMode::Cyclic << 69 << 69 << 128 << 105;
        QTest::newRow("time only: the cost is not shown")
            << DisplayMode::TimeOnly << 69 << 69 << 118 << 95;
    }
    void wideCost()
    {
        QFETCH(DisplayMode, mode);
        QFETCH(int, needed);
        QFETCH(int, costoWidth);
        QFETCH(int, width);
        QFETCH(int, handleX);
        const BarLayout l = barLayout(mode, false, needed);
        QCOMPARE(l.place(C::Costo).width(), costoWidth);
        QCOMPARE(l.width, width);
        QCOMPARE(l.place(C::DragHandle).x(), handleX);
    }

    // Hidden icons narrow the normal bar to 195 pixels and hide the buttons.
    void iconsHidden()
    {
        const BarLayout l = barLayout(DisplayMode::Normal, true, 0);
        QCOMPARE(l.width, 195);
        for (C b : {C::ArchiveButton, C::TariffsButton, C::OptionsButton, C::IconiseButton,
                    C::DragHandle, C::QuitButton})
            QVERIFY(!l.isShown(b));
        QVERIFY(l.isShown(C::Costo));
        QCOMPARE(barLayout(DisplayMode::Normal, true, 55).width, 205);
    }

    // 5 pixels a tick, the caption along with the panel; the panel turns
    // round from wherever it is.
    void panelSlide()
    {
        PanelSlide s;
        s.turn();
        int ticks = 0;
        while (s.tick() == PanelSlide::Step::Moving)
            ++ticks;
        QCOMPARE(ticks, 10);
        QCOMPARE(s.width, 4);
        QCOMPARE(s.captionX, -34);
        QCOMPARE(s.tick(), PanelSlide::Step::Uncovered); // it stays where it is

        s.turn();
        for (int i = 0; i < 3; ++i)
            QCOMPARE(s.tick(), PanelSlide::Step::Moving);
        s.turn(); // halfway back: away again
        QCOMPARE(s.tick(), PanelSlide::Step::Moving);
        QCOMPARE(s.width, 14);
        s.turn();
        while (s.tick() == PanelSlide::Step::Moving)
            ;
        QCOMPARE(s.width, 54);
        QCOMPARE(s.captionX, PanelSlide::CaptionX);
    }

    void cycle()
    {
        CyclePart p = CyclePart::Clock;
        QList<CyclePart> seen;
        for (int i = 0; i < 4; ++i)
            seen << (p = nextCyclePart(p));
        QCOMPARE(seen, (QList<CyclePart>{CyclePart::Time, CyclePart::Cost, CyclePart::Clock,
                                         CyclePart::Time}));
    }
};

QTEST_MAIN(TstBarLayout)
#include "tst_barlayout.moc"
