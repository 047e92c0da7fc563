#pragma once

#include <QWidget>

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
};
