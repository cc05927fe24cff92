#pragma once
// The splash window shown while the program starts, and the about window
// opened from the options window. Both show the version line and a notice
// that rolls up one pixel every 100 ms and starts over once out of view.

#include "platform/system/VersionInfo.h"

#include <QDialog>
#include <QTimer>

class QFrame;
class QLabel;
class QPushButton;
class QTextEdit;

class TfSplash : public QDialog
{
    Q_OBJECT
public:
    explicit TfSplash(const VersionInfo& version, QWidget* parent = nullptr);

    // Turns the window into the about window: no "loading" label, a visible
    // "&OK" button that closes it. The caller then runs exec().
    void prepareAbout();
    // prepareAbout() and exec() in one call.
    static void showAbout(const VersionInfo& version, QWidget* parent);

    // Scroll tick of the notice.
    void scrollTick();

    QTimer& scrollTimer() { return m_scrollTimer; }

private:
    void buildNotice();

    QFrame* m_noticeBox;
    QLabel* m_loading;
    QTextEdit* m_notice;
    QPushButton* m_ok;
    QTimer m_scrollTimer;
};
