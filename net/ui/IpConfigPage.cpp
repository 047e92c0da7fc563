#include "net/ui/IpConfigPage.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <iterator>

#include "shell/Dialogs.h"
#include "link/DeviceSession.h"
#include "net/DiscoveryService.h"
#include "shell/Latin1.h"

const IpConfigPage::Row IpConfigPage::kRows[12] = {
    {"Product ID :", "Label_Product_ID", Kind::Label},
    {"Product Name :", "Label_Product_Name", Kind::Label},
    {"MAC Address :", "Label_MAC_Addr", Kind::Label},
    {"IP Mode :", "ComboBox_IP_Mode", Kind::Choice},
    {"IP Address :", "Edit_IP_Address", Kind::Edit},
    {"Subnet Mask :", "Edit_SubNet_Mask", Kind::Edit},
    {"Gateway :", "Edit_GateWay_IP", Kind::Edit},
    {"DNS :", "Edit_DNS", Kind::Edit},
    {"Web Port :", "Edit_WebGUI_Port", Kind::Edit},
    {"Telnet Port :", "Edit_Telnet_Port", Kind::Edit},
    {"Serial Number :", "Label_Serial_Num", Kind::Label},
    {"Description :", "Label_Description", Kind::Label},
};

namespace {

// Page texts go to the device one character per byte, as its texts came.
std::string bytesOf(const QString &text)
{
    return text.toLatin1().toStdString();
}

// "IP Address" for TagIpAddr ...: the row's caption without the colon.
QString addressCaption(uint8_t tag)
{
    const int row = tag - net::TagIpAddr + 4; // the addresses are rows 4 to 7, in tag order
    return QString::fromLatin1(IpConfigPage::kRows[row].caption).chopped(2);
}

} // namespace

IpConfigPage::IpConfigPage(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TabSheet10"));
    auto *column = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    QWidget *controls[std::size(kRows)] = {};
    for (std::size_t r = 0; r < std::size(kRows); ++r) {
        const Row &row = kRows[r];
        QWidget *control = nullptr;
        switch (row.kind) {
        case Kind::Label: {
            auto *label = new QLabel(this);
            label->setTextFormat(Qt::PlainText); // texts come from datagrams
            label->setTextInteractionFlags(Qt::TextSelectableByMouse);
            label->setMinimumWidth(200);
            control = label;
            break;
        }
        case Kind::Edit: {
            auto *edit = new QLineEdit(this);
            edit->setMaximumWidth(160);
            control = edit;
            break;
        }
        case Kind::Choice: {
            auto *choice = new QComboBox(this);
            choice->addItems({QStringLiteral("STATIC"), QStringLiteral("DHCP")});
            choice->setMaximumWidth(160);
            control = choice;
            break;
        }
        }
        control->setObjectName(QString::fromLatin1(row.control));
        form->addRow(QString::fromLatin1(row.caption), control);
        controls[r] = control;
    }
    column->addLayout(form);

    // The rows in kRows order.
    auto label = [&controls](int r) { return qobject_cast<QLabel *>(controls[r]); };
    auto edit = [&controls](int r) { return qobject_cast<QLineEdit *>(controls[r]); };
    m_productId = label(0);
    m_productName = label(1);
    m_mac = label(2);
    m_mode = qobject_cast<QComboBox *>(controls[3]);
    m_ip = edit(4);
    m_mask = edit(5);
    m_gateway = edit(6);
    m_dns = edit(7);
    m_webPort = edit(8);
    m_telnetPort = edit(9);
    m_serial = label(10);
    m_description = label(11);

    // The web interface row stays hidden; the button below does the same.
    auto *webRow = new QFrame(this);
    webRow->setObjectName(QStringLiteral("Panel65"));
    auto *webBox = new QHBoxLayout(webRow);
    auto *link = new QLabel(QStringLiteral("<a href=\"web\">Web Link</a>"), webRow);
    link->setObjectName(QStringLiteral("Label_Web_Link"));
    link->setTextFormat(Qt::RichText); // our own caption, not device text
    connect(link, &QLabel::linkActivated, this, [this] { Label_Web_LinkClick(); });
    webBox->addWidget(link);
    webRow->hide();
    column->addWidget(webRow);

    auto *buttons = new QHBoxLayout;
    auto *web = new QToolButton(this);
    web->setObjectName(QStringLiteral("SpeedButton1"));
    web->setText(QStringLiteral("Web GUI"));
    web->setToolTip(QStringLiteral("Open the device's web interface"));
    connect(web, &QToolButton::clicked, this, [this] { SpeedButton1Click(); });
    auto *send = new QToolButton(this);
    send->setObjectName(QStringLiteral("SpeedButton2"));
    send->setText(QStringLiteral("Apply"));
    send->setToolTip(QStringLiteral("Send the changed settings to the device"));
    connect(send, &QToolButton::clicked, this, [this] { SpeedButton2Click(); });
    buttons->addStretch(1);
    buttons->addWidget(web);
    buttons->addWidget(send);
    column->addLayout(buttons);
    column->addStretch(1);
}

void IpConfigPage::attach(DeviceSession &session, DiscoveryService &discovery)
{
    m_session = &session;
    m_discovery = &discovery;
}

int IpConfigPage::selectedNetworkDevice() const
{
    if (!m_session || !m_discovery)
        return -1;
    const int i = m_session->registry().selected();
    // After a new search the page may still show a device that is no longer listed there.
    if (!m_session->registry().isNetwork(i))
        return -1;
    // The page's texts belong to the device it was filled from; they must not reach another one.
    if (m_shownMac != m_discovery->discoveryTable[static_cast<std::size_t>(i)].macBytes)
        return -1;
    return i;
}

void IpConfigPage::showNetworkDevice()
{
    if (!m_session || !m_discovery)
        return;
    const int i = m_session->registry().selected();
    if (i < 0 || i >= net::kDiscoveryTableSize)
        return;
    const net::Discovery &r = m_discovery->discoveryTable[static_cast<std::size_t>(i)];
    m_shownMac = r.macBytes;
    m_productId->setText(latin1(r.productId));
    m_productName->setText(latin1(r.productName));
    m_mac->setText(latin1(net::macToText(r.macBytes)));
    m_mode->setCurrentIndex(r.ipMode); // anything but 0 or 1 leaves no item chosen
    m_ip->setText(latin1(r.ipAddress));
    m_mask->setText(latin1(r.subnetMask));
    m_gateway->setText(latin1(r.gateway));
    m_dns->setText(latin1(r.dns));
    m_webPort->setText(QString::number(r.webPort));
    m_telnetPort->setText(QString::number(r.telnetPort));
    m_serial->setText(latin1(r.serialNum));
    m_description->setText(latin1(r.description));
}

void IpConfigPage::SpeedButton2Click()
{
    const int i = selectedNetworkDevice();
    if (i < 0)
        return;
    net::NetworkSettings s;
    s.modeIndex = m_mode->currentIndex();
    s.ipAddress = bytesOf(m_ip->text());
    s.subnetMask = bytesOf(m_mask->text());
    s.gateway = bytesOf(m_gateway->text());
    s.dns = bytesOf(m_dns->text());
    s.webPort = bytesOf(m_webPort->text());
    s.telnetPort = bytesOf(m_telnetPort->text());
    const net::SettingsPacket sent = m_discovery->sendNetworkSettings(i, s);
    if (!sent.ok) {
        dialogs().error(QCoreApplication::applicationName(), latin1(sent.error));
        return;
    }
    // In DHCP mode the page shows that its addresses are not used; a text that is not an address
    // would otherwise be dropped without a word.
    QStringList unsent;
    for (const net::UnsentSetting &u : sent.unsent)
        if (u.reason == net::UnsentSetting::Reason::NotAnAddress)
            unsent << QStringLiteral("%1 '%2' (%3)")
                          .arg(addressCaption(u.tag), latin1(u.value), QLatin1String(net::unsentReasonText(u.reason)));
    if (!unsent.isEmpty())
        dialogs().warning(QCoreApplication::applicationName(),
                          QStringLiteral("Not sent: %1.").arg(unsent.join(QStringLiteral("; "))));
}

void IpConfigPage::openWebGui()
{
    const int i = selectedNetworkDevice();
    if (i < 0)
        return;
    const std::string address = net::webGuiAddress(m_discovery->discoveryTable[static_cast<std::size_t>(i)]);
    if (!address.empty())
        QDesktopServices::openUrl(QUrl(latin1(address)));
}
