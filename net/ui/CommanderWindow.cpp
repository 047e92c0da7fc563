#include "net/ui/CommanderWindow.h"

#include <QFrame>
#include <QVBoxLayout>

CommanderWindow::CommanderWindow(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("TForm3"));
    setWindowTitle(QStringLiteral("Commander"));
    setFixedSize(kClientWidth, kClientHeight);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_panel = new QFrame(this);
    m_panel->setObjectName(QStringLiteral("Panel1"));
    outer->addWidget(m_panel);
    auto *fill = new QVBoxLayout(m_panel);
    fill->setContentsMargins(0, 0, 0, 0);
}

void CommanderWindow::hostPages(QWidget *pages)
{
    if (!pages || pages->parentWidget() == m_panel)
        return;
    pages->setParent(m_panel);
    m_panel->layout()->addWidget(pages);
    pages->show();
    // The 450x450 client area, grown where the running font needs more for every control of
    // every page to show without scrolling.
    setFixedSize(QSize(kClientWidth, kClientHeight).expandedTo(pages->sizeHint()));
}
