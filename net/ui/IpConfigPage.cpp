#include "net/ui/IpConfigPage.h"

#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

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

IpConfigPage::IpConfigPage(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TabSheet10"));
    auto *column = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight);
    for (const Row &row : kRows) {
        QWidget *control = nullptr;
        switch (row.kind) {
        case Kind::Label: {
            auto *label = new QLabel(this);
            label->setTextFormat(Qt::PlainText); // texts come from datagrams
            label->setTextInteractionFlags(Qt::TextSelectableByMouse);
            control = label;
            break;
        }
        case Kind::Edit:
            control = new QLineEdit(this);
            break;
        case Kind::Choice: {
            auto *choice = new QComboBox(this);
            choice->addItems({QStringLiteral("STATIC"), QStringLiteral("DHCP")});
            control = choice;
            break;
        }
        }
        control->setObjectName(QString::fromLatin1(row.control));
        form->addRow(QString::fromLatin1(row.caption), control);
    }
    column->addLayout(form);

    // The web interface row stays hidden; the button below does the same.
    auto *webRow = new QFrame(this);
    webRow->setObjectName(QStringLiteral("Panel65"));
    auto *webBox = new QHBoxLayout(webRow);
    auto *link = new QLabel(QStringLiteral("Web Link"), webRow);
    link->setObjectName(QStringLiteral("Label_Web_Link"));
    webBox->addWidget(link);
    webRow->hide();
    column->addWidget(webRow);

    auto *buttons = new QHBoxLayout;
    auto *web = new QToolButton(this);
    web->setObjectName(QStringLiteral("SpeedButton1"));
    web->setText(QStringLiteral("Web GUI"));
    web->setToolTip(QStringLiteral("Open the device's web interface"));
    auto *send = new QToolButton(this);
    send->setObjectName(QStringLiteral("SpeedButton2"));
    send->setText(QStringLiteral("Apply"));
    send->setToolTip(QStringLiteral("Send the changed settings to the device"));
    buttons->addStretch(1);
    buttons->addWidget(web);
    buttons->addWidget(send);
    column->addLayout(buttons);
    column->addStretch(1);
}
