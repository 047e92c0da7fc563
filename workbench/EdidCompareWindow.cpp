#include "workbench/EdidCompareWindow.h"

#include <QApplication>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QVBoxLayout>

#include "edid/EdidBinFile.h"
#include "edid/TextNumbers.h"
#include "shell/process/EdidChecker.h"
#include "shell/Dialogs.h"
#include "shell/Latin1.h"
#include "shell/ui/Accessibility.h"
#include "shell/ui/WindowMemory.h"

namespace {

QTableWidget *table(QWidget *parent, const char *name, const QStringList &headers)
{
    auto *t = new QTableWidget(0, int(headers.size()), parent);
    t->setObjectName(QString::fromLatin1(name));
    t->setHorizontalHeaderLabels(headers);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->verticalHeader()->hide();
    t->horizontalHeader()->setStretchLastSection(true);
    t->setWordWrap(true);
    return t;
}

void addRow(QTableWidget *t, const QStringList &cells)
{
    const int row = t->rowCount();
    t->insertRow(row);
    for (int c = 0; c < cells.size(); ++c) {
        auto *item = new QTableWidgetItem(cells[c]);
        item->setToolTip(cells[c]);
        t->setItem(row, c, item);
    }
}

QString hexRun(const std::vector<std::uint8_t> &bytes)
{
    return QString::fromStdString(hexBytes(bytes));
}

QString joinedItems(const std::vector<std::string> &items)
{
    QStringList l;
    for (const std::string &i : items)
        l << latin1(i);
    return l.join(QStringLiteral(", "));
}

} // namespace

EdidCompareWindow::EdidCompareWindow(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Form_EdidCompare"));
    setWindowTitle(QStringLiteral("Compare EDIDs"));
    resize(980, 700);

    auto *outer = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("Label_Compare_Images"));
    m_title->setTextFormat(Qt::PlainText);
    m_choose = new QPushButton(QStringLiteral("Choose file…"), this);
    m_choose->setObjectName(QStringLiteral("Button_Compare_Choose"));
    m_check = new QPushButton(QStringLiteral("Check"), this);
    m_check->setObjectName(QStringLiteral("Button_Compare_Check"));
    m_check->setToolTip(QStringLiteral("Conformance findings of both images (needs edid-decode)"));
    top->addWidget(m_title, 1);
    top->addWidget(m_choose);
    top->addWidget(m_check);
    outer->addLayout(top);
    m_verdict = new QLabel(this);
    m_verdict->setObjectName(QStringLiteral("Label_Compare_Verdict"));
    m_verdict->setTextFormat(Qt::PlainText);
    QFont bold = m_verdict->font();
    bold.setBold(true);
    m_verdict->setFont(bold);
    outer->addWidget(m_verdict);

    auto *split = new QSplitter(Qt::Vertical, this);
    m_tabs = new QTabWidget(split);
    m_tabs->setObjectName(QStringLiteral("Tabs_Compare"));
    m_answers = table(m_tabs, "Table_Compare_Answers", {QStringLiteral("Analyzer answer"), QStringLiteral("A"), QStringLiteral("B")});
    m_features = table(m_tabs, "Table_Compare_Features",
                       {QStringLiteral("Feature"), QStringLiteral("Only in A / A"), QStringLiteral("Only in B / B")});
    m_bytes = table(m_tabs, "Table_Compare_Bytes",
                    {QStringLiteral("Block"), QStringLiteral("Offset"), QStringLiteral("Part"), QStringLiteral("A"),
                     QStringLiteral("B")});
    m_findings = table(m_tabs, "Table_Compare_Findings",
                       {QStringLiteral("Image"), QStringLiteral("Severity"), QStringLiteral("Where"), QStringLiteral("Finding")});
    m_tabs->addTab(m_answers, QStringLiteral("Analyzer answers"));
    m_tabs->addTab(m_features, QStringLiteral("Features"));
    m_tabs->addTab(m_bytes, QStringLiteral("Changed bytes"));
    m_tabs->addTab(m_findings, QStringLiteral("Check findings"));
    m_answers->setColumnWidth(0, 170);
    m_features->setColumnWidth(0, 150);
    m_features->setColumnWidth(1, 380);
    m_bytes->setColumnWidth(0, 50);
    m_bytes->setColumnWidth(1, 70);
    m_bytes->setColumnWidth(2, 150);
    m_bytes->setColumnWidth(3, 300);
    // A part name stays on one line: wrapped, it made rows of uneven height.
    m_bytes->setWordWrap(false);
    m_bytes->horizontalHeader()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    m_findings->setColumnWidth(0, 50);
    m_findings->setColumnWidth(1, 70);
    m_findings->setColumnWidth(2, 220);

    auto *hex = new QWidget(split);
    auto *hexRow = new QHBoxLayout(hex);
    hexRow->setContentsMargins(0, 0, 0, 0);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    for (QTextEdit **edit : {&m_hexA, &m_hexB}) {
        *edit = new QTextEdit(hex);
        (*edit)->setReadOnly(true);
        (*edit)->setFont(fixed);
        (*edit)->setLineWrapMode(QTextEdit::NoWrap);
        hexRow->addWidget(*edit);
    }
    m_hexA->setObjectName(QStringLiteral("Hex_Compare_A"));
    m_hexB->setObjectName(QStringLiteral("Hex_Compare_B"));
    split->addWidget(m_tabs);
    split->addWidget(hex);
    split->setSizes({330, 370});
    outer->addWidget(split, 1);

    connect(m_choose, &QPushButton::clicked, this, &EdidCompareWindow::chooseFile);
    connect(m_check, &QPushButton::clicked, this, &EdidCompareWindow::check);
    makeAccessible(this);
    windowmemory::rememberPlace(this, objectName());
    refresh();
}

void EdidCompareWindow::setImageA(const EdidImage &image, const QString &name)
{
    m_a = image;
    m_aName = name;
    refresh();
}

void EdidCompareWindow::setImageB(const EdidImage &image, const QString &name)
{
    m_b = image;
    m_bName = name;
    m_hasB = true;
    refresh();
}

bool EdidCompareWindow::loadImageB(const QString &path)
{
    EdidImage image;
    std::string error;
    if (!readEdidBinFile(path.toStdString(), image, &error)) {
        m_verdict->setText(QString::fromStdString(error));
        m_verdict->setStyleSheet(QStringLiteral("color: red"));
        return false;
    }
    setImageB(image, QFileInfo(path).fileName());
    return true;
}

void EdidCompareWindow::chooseFile()
{
    const QString path = dialogs().openFile(QStringLiteral("Compare with"), QStringLiteral("EDID (*.bin)|*.bin"));
    if (!path.isEmpty())
        loadImageB(path);
}

void EdidCompareWindow::refresh()
{
    m_title->setText(QStringLiteral("A: %1    B: %2").arg(m_aName.isEmpty() ? QStringLiteral("-") : m_aName,
                                                         m_hasB ? m_bName : QStringLiteral("(choose a file)")));
    for (QTableWidget *t : {m_answers, m_features, m_bytes, m_findings})
        t->setRowCount(0);
    m_verdict->setStyleSheet(QString());
    m_check->setEnabled(true);
    if (!m_hasB) {
        m_diff = EdidDiff{};
        m_verdict->setText(QStringLiteral("Choose a file to compare the analysed EDID with."));
        fillHex();
        return;
    }
    m_diff = diffEdids(m_a, m_b);
    if (m_diff.identical()) {
        m_verdict->setText(QStringLiteral("The images are identical."));
    } else {
        m_verdict->setText(QStringLiteral("%1 answers, %2 features and %3 byte runs differ.")
                               .arg(m_diff.answers.size())
                               .arg(m_diff.features.size())
                               .arg(m_diff.bytes.size()));
        m_verdict->setStyleSheet(QStringLiteral("color: #b00000"));
    }
    for (const EdidDiff::Answer &a : m_diff.answers)
        addRow(m_answers, {latin1(a.row), latin1(a.a), latin1(a.b)});
    if (!m_diff.aValid || !m_diff.bValid)
        addRow(m_features, {QStringLiteral("(not compared)"),
                            m_diff.aValid ? QString() : QStringLiteral("A fails validation"),
                            m_diff.bValid ? QString() : QStringLiteral("B fails validation")});
    for (const EdidDiff::Feature &f : m_diff.features) {
        if (f.added.empty() && f.removed.empty())
            addRow(m_features, {latin1(f.feature), latin1(f.a), latin1(f.b)});
        else
            addRow(m_features, {latin1(f.feature), joinedItems(f.removed), joinedItems(f.added)});
    }
    for (const EdidDiff::ByteRange &r : m_diff.bytes)
        addRow(m_bytes, {QString::number(r.block),
                         r.length > 1 ? QStringLiteral("%1-%2").arg(r.offset).arg(r.offset + r.length - 1)
                                      : QString::number(r.offset),
                         latin1(r.where), hexRun(r.a), hexRun(r.b)});
    for (QTableWidget *t : {m_answers, m_features, m_bytes})
        t->resizeRowsToContents();
    fillHex();
}

void EdidCompareWindow::fillHex()
{
    // Sixteen bytes a line with the offset; a byte that differs from the other image is marked.
    auto html = [this](const EdidImage &mine, const EdidImage &other, const QString &name) {
        QString s = QStringLiteral("<b>%1</b><br>").arg(name.toHtmlEscaped());
        s += QStringLiteral("<pre style=\"margin:0\">");
        for (std::size_t row = 0; row < kEdidImageSize; row += 16) {
            if (row == kEdidBlockSize)
                s += QStringLiteral("<span style=\"color:#808080\">-- block 1 --</span>\n");
            s += QStringLiteral("<span style=\"color:#808080\">%1</span> ").arg(row, 3, 10, QLatin1Char('0'));
            for (std::size_t i = row; i < row + 16; ++i) {
                const QString byte = QLatin1String(hexByte(mine[i]).data(), 2);
                if (m_hasB && mine[i] != other[i])
                    s += QStringLiteral("<span style=\"background:#ffb0b0;color:#900000\"><b>%1</b></span>").arg(byte);
                else
                    s += byte;
                s += i % 8 == 7 ? QStringLiteral("  ") : QStringLiteral(" ");
            }
            s += QLatin1Char('\n');
        }
        return s + QStringLiteral("</pre>");
    };
    m_hexA->setHtml(html(m_a, m_b, QStringLiteral("A: ") + m_aName));
    if (m_hasB)
        m_hexB->setHtml(html(m_b, m_a, QStringLiteral("B: ") + m_bName));
    else
        m_hexB->clear();
}

void EdidCompareWindow::check()
{
    m_findings->setRowCount(0);
    m_tabs->setCurrentWidget(m_findings);
    const auto checker = findEdidChecker();
    if (!checker) {
        addRow(m_findings, {QString(), QString(), QString(),
                            QStringLiteral("The conformance checker edid-decode is not installed.")});
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct Side
    {
        QString label;
        const EdidImage *image;
    };
    QList<Side> sides{{QStringLiteral("A"), &m_a}};
    if (m_hasB)
        sides << Side{QStringLiteral("B"), &m_b};
    for (const Side &side : sides) {
        const EdidCheckRun run = runEdidChecker(*checker, *side.image);
        if (!run.ok()) {
            addRow(m_findings, {side.label, QStringLiteral("-"), QString(),
                                QStringLiteral("No verdict: %1").arg(QString::fromStdString(run.error))});
            continue;
        }
        if (run.conformity.findings.empty())
            addRow(m_findings, {side.label, QStringLiteral("-"), QString(), QStringLiteral("No findings.")});
        for (const EdidFinding &f : run.conformity.findings) {
            addRow(m_findings, {side.label, QString::fromLatin1(edidFindingSeverityName(f.severity)),
                                latin1(edidFindingPlace(f)), latin1(f.text)});
            if (f.severity == EdidFinding::Severity::Failure)
                m_findings->item(m_findings->rowCount() - 1, 1)->setForeground(QColor(0xb0, 0, 0));
        }
    }
    m_findings->resizeRowsToContents();
    QApplication::restoreOverrideCursor();
}
