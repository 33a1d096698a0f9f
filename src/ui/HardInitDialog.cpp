#include "ui/HardInitDialog.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdlib>
#include <system_error>

#include "model/Errors.h"
#include "run/CommandGuard.h"

namespace tonvera {

std::vector<std::string> PortChoices(const std::filesystem::path& devDir, const std::filesystem::path& emulatorLink)
{
    std::vector<std::string> out{"COM1:", "COM2:", "COM3:", "COM4:"};
    std::vector<std::string> found;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(devDir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.starts_with("ttyUSB") || name.starts_with("ttyACM"))
            found.push_back(it->path().string());
    }
    // ttyUSB2 before ttyUSB10: by prefix, then by number.
    auto key = [](const std::string& s) {
        const auto digits = s.find_last_not_of("0123456789") + 1;
        const std::string number = s.substr(digits);
        return std::make_pair(s.substr(0, digits), number.empty() ? -1L : std::stol(number.substr(0, 9)));
    };
    std::sort(found.begin(), found.end(), [&](const std::string& a, const std::string& b) { return key(a) < key(b); });
    out.insert(out.end(), found.begin(), found.end());
    if (!emulatorLink.empty() && std::filesystem::exists(emulatorLink, ec))
        out.push_back(emulatorLink.string());
    return out;
}

std::filesystem::path EmulatorLink()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::filesystem::path dir = (runtime && *runtime) ? runtime : "/tmp";
    return dir / "tonvera-emu";
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
    ComSel->setEditText("COM3:");

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
    for (const auto& p : PortChoices("/dev", EmulatorLink()))
        ComSel->addItem(QString::fromStdString(p));
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
