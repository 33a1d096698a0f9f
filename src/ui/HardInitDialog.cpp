// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/HardInitDialog.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "model/Errors.h"
#include "run/CommandGuard.h"
#include "ui/WindowSettings.h"

namespace tonvera {

namespace {

// The list shows each port with what it is; the field takes only the name,
// so a chosen port is opened by exactly the path shown.
class PortItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString description = index.data(Qt::ToolTipRole).toString();
        if (!description.isEmpty())
            option->text += QStringLiteral("   ") + description;
    }
};

} // namespace

std::vector<PortChoice> PortChoices(const std::vector<SerialPortInfo>& ports)
{
    std::vector<PortChoice> out;
    for (int n = 0; n < 4; ++n)
        out.push_back({"COM" + std::to_string(n + 1) + ":", "/dev/ttyS" + std::to_string(n)});
    for (const auto& p : ports)
        out.push_back({p.path, p.path == p.device ? p.description : p.description + ", " + p.device});
    return out;
}

HardInitDialog::HardInitDialog(CommandGuard& guard, QWidget* parent) : QDialog(parent), Guard(guard)
{
    setObjectName("HardInit");
    setWindowTitle("Hardware initialisieren");
    // Fixed size; a close button is kept so the operator can always leave
    // the dialog, also after an initialisation that was aborted.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);

    Label1 = new QLabel(QString::fromUtf8("Anschlußport:"), this);
    Label1->setObjectName("Label1");
    ComSel = new QComboBox(this);
    ComSel->setObjectName("ComSel");
    ComSel->setEditable(true);
    ComSel->setInsertPolicy(QComboBox::NoInsert);
    ComSel->setMinimumWidth(220);
    ComSel->setItemDelegate(new PortItemDelegate(ComSel));
    Button4 = new QPushButton("Hardware initialisieren", this);
    Button4->setObjectName("Button4");
    // Enter belongs to the combo box alone; no default button may take it.
    Button4->setAutoDefault(false);
    Button4->setDefault(false);

    auto* col = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    row->addWidget(Label1);
    row->addWidget(ComSel, 1);
    col->addLayout(row);
    col->addWidget(Button4);
    setFixedSize(sizeHint().expandedTo(QSize(320, 90)));

    refreshPorts();
    ComSel->setEditText(QString::fromStdString(LastPort()));

    connect(Button4, &QPushButton::clicked, this, [this] { InitHardware(); });
    // Keys reach the combo box (its line edit is only its delegate). Enter
    // is taken from the key itself, not from returnPressed, which the combo
    // box can make its line edit send twice.
    ComSel->installEventFilter(this);
}

bool HardInitDialog::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == ComSel && e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            InitHardware();
    }
    return QDialog::eventFilter(watched, e); // the key goes on unchanged
}

void HardInitDialog::refreshPorts()
{
    const QString typed = ComSel->currentText();
    ComSel->clear();
    const auto ports = ListPorts ? ListPorts() : AvailablePorts("/", EmulatorLink());
    for (const auto& p : PortChoices(ports)) {
        ComSel->addItem(QString::fromStdString(p.name));
        ComSel->setItemData(ComSel->count() - 1, QString::fromStdString(p.description), Qt::ToolTipRole);
    }
    // The list opens as wide as its widest line, name and description.
    ComSel->view()->setMinimumWidth(ComSel->view()->sizeHintForColumn(0) + 24);
    ComSel->setEditText(typed.isEmpty() ? QStringLiteral("COM3:") : typed);
}

int HardInitDialog::exec()
{
    refreshPorts();
    return QDialog::exec();
}

void HardInitDialog::InitHardware()
{
    if (!Button4->isEnabled())
        return; // a second Enter while the first initialisation runs
    const std::string port = ComSel->currentText().toStdString();
    Button4->setEnabled(false);
    const bool done = Guard.run([&] {
        if (!InitHardwareHook)
            throw AbortError("Die Hardwareinitialisierung ist in dieser Version noch nicht verfügbar.");
        InitHardwareHook(port);
    });
    // After an abort the error has been shown; the button works again and
    // the dialog stays open, to be tried again or closed.
    Button4->setEnabled(true);
    if (done)
        accept();
}

} // namespace tonvera
