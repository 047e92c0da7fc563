#pragma once

#include <QWidget>

class QFrame;

// The "Commander" window (TForm3): a fixed-size window whose only content, Panel1, receives the page
// control when a device is chosen in the device list. Created hidden at start-up.
class CommanderWindow : public QWidget
{
    Q_OBJECT
  public:
    explicit CommanderWindow(QWidget *parent = nullptr);

    static constexpr int kClientWidth = 450;
    static constexpr int kClientHeight = 450;

    // Moves pages into Panel1 and makes them fill it.
    void hostPages(QWidget *pages);

    QFrame *panel() const { return m_panel; }

  private:
    QFrame *m_panel = nullptr;
};
