#pragma once
// The extra-information window: shown while the left mouse button is held on
// the bar's cost field. It tells the cost in Lire and in Euro, whom the
// connection is with, the tariff profile in use and the telephone number.
// Borderless, 454 x 120 (wider where the system font needs more room for its
// texts), centred on the screen; it never takes the focus, so
// the button's release still reaches the cost field, which closes it.

#include <QWidget>

class QLabel;
struct ConnRecord;
struct WatchState;

class TfPopup : public QWidget
{
    Q_OBJECT
public:
    // owner: the main bar (the window stays above it); none for the instance
    // the program entry keeps hidden.
    explicit TfPopup(QWidget* owner = nullptr);

    // Fills the labels from the watch state, the running connection record
    // and the Lire-to-Euro rate "CambioEcu", with the default locale's
    // separators.
    void fill(const WatchState& watch, const ConnRecord& running, double cambioEcu);
    // Centres the window on its owner's screen, raises it and shows it.
    void popup();

protected:
    // Should the release land here rather than on the cost field.
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void placeLabels();

    QWidget* m_frame = nullptr;
    QLabel* m_caption = nullptr;
    QWidget* m_info = nullptr;
    QLabel* m_euroLine = nullptr;
    QLabel* m_stateCaption = nullptr;
    QLabel* m_stateValue = nullptr;
    QLabel* m_tariffCaption = nullptr;
    QLabel* m_tariffValue = nullptr;
    QLabel* m_phoneCaption = nullptr;
    QLabel* m_phoneValue = nullptr;
};
