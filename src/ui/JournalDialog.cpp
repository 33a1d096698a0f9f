// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/JournalDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/Named.h"
#include "ui/WindowSettings.h"

namespace tonvera {

JournalDialog::JournalDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName("Protokoll");
    setWindowTitle("Protokoll");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);

    ProtokollAn = Named<QCheckBox>("ProtokollAn", "Jede Darbietung protokollieren", this);
    auto* folderLabel = new QLabel("Ordner:", this);
    ProtokollOrdner = Named<QLineEdit>("ProtokollOrdner", this);
    ProtokollOrdner->setMinimumWidth(300);
    folderLabel->setBuddy(ProtokollOrdner);
    OrdnerWahl = Named<QPushButton>("OrdnerWahl", QString::fromUtf8("Durchsuchen..."), this);
    OrdnerWahl->setAutoDefault(false);
    auto* hint = new QLabel(QString::fromUtf8("Eine Datei je Tag (JJJJ-MM-TT.tsv), durch Tabulatoren getrennt."), this);
    QPalette pal = hint->palette();
    pal.setColor(QPalette::WindowText, QColor(96, 96, 96));
    hint->setPalette(pal);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton("OK", QDialogButtonBox::AcceptRole);
    ok->setObjectName("OKBtn");
    ok->setDefault(true);
    buttons->addButton("Abbrechen", QDialogButtonBox::RejectRole)->setObjectName("CancelBtn");

    auto* col = new QVBoxLayout(this);
    col->addWidget(ProtokollAn);
    auto* row = new QHBoxLayout;
    row->addWidget(folderLabel);
    row->addWidget(ProtokollOrdner, 1);
    row->addWidget(OrdnerWahl);
    col->addLayout(row);
    col->addWidget(hint);
    col->addStretch(1);
    col->addWidget(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(460, 130)));

    ChooseFolder = [this](const QString& current) {
        return QFileDialog::getExistingDirectory(this, QString::fromUtf8("Protokollordner wählen"), current);
    };
    connect(ProtokollAn, &QCheckBox::toggled, this, [this](bool on) {
        ProtokollOrdner->setEnabled(on);
        OrdnerWahl->setEnabled(on);
    });
    connect(OrdnerWahl, &QPushButton::clicked, this, [this] {
        const QString chosen = ChooseFolder(ProtokollOrdner->text());
        if (!chosen.isEmpty())
            ProtokollOrdner->setText(QDir::toNativeSeparators(chosen));
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

bool JournalDialog::edit(QString& folder, bool& enabled)
{
    ProtokollOrdner->setText(folder.isEmpty() ? DefaultJournalFolder() : folder);
    ProtokollAn->setChecked(enabled);
    ProtokollOrdner->setEnabled(enabled);
    OrdnerWahl->setEnabled(enabled);
    if (exec() != QDialog::Accepted)
        return false;
    // A relative folder is fixed against the working folder now, so the
    // journal does not move when that changes.
    const QString typed = ProtokollOrdner->text().trimmed();
    folder = typed.isEmpty() ? DefaultJournalFolder() : QFileInfo(typed).absoluteFilePath();
    enabled = ProtokollAn->isChecked();
    return true;
}

} // namespace tonvera
