#pragma once

#include <QWidget>

#include <optional>

#include "net/DiscoveryPacket.h"

class DeviceSession;
class DiscoveryService;
class QComboBox;
class QLabel;
class QLineEdit;

// The "IP Configure" page (TabSheet10): a network device's identity and address settings, the
// button that sends changed settings and the one that opens the device's web interface.
class IpConfigPage : public QWidget
{
    Q_OBJECT
  public:
    explicit IpConfigPage(QWidget *parent = nullptr);

    // The rows, top to bottom: caption, name of the control, and whether the operator edits it.
    enum class Kind { Label, Edit, Choice };
    struct Row
    {
        const char *caption;
        const char *control;
        Kind kind;
    };
    static const Row kRows[12];

    // The page acts on the chosen device's entry of the discovery table.
    void attach(DeviceSession &session, DiscoveryService &discovery);

    // Fills the page from the selected device's discovery record.
    void showNetworkDevice();
    // Sends the page's settings; a text that is not a number shows the conversion message.
    void SpeedButton2Click();
    void SpeedButton1Click() { openWebGui(); }
    void Label_Web_LinkClick() { openWebGui(); }
    // Opens the device's web interface in the system's browser (nothing when its port is 0).
    void openWebGui();

  private:
    // The selected entry when it is a listed network device and still the one the page shows.
    int selectedNetworkDevice() const;

    DeviceSession *m_session = nullptr;
    DiscoveryService *m_discovery = nullptr;
    // The device whose values the page holds: after a new search another device may hold its index.
    std::optional<net::MacAddress> m_shownMac;

    QLabel *m_productId = nullptr;
    QLabel *m_productName = nullptr;
    QLabel *m_mac = nullptr;
    QComboBox *m_mode = nullptr;
    QLineEdit *m_ip = nullptr;
    QLineEdit *m_mask = nullptr;
    QLineEdit *m_gateway = nullptr;
    QLineEdit *m_dns = nullptr;
    QLineEdit *m_webPort = nullptr;
    QLineEdit *m_telnetPort = nullptr;
    QLabel *m_serial = nullptr;
    QLabel *m_description = nullptr;
};
