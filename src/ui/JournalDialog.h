// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Protokoll..." of "Einstellungen": where the journal goes, and whether it
// is written at all. The window keeps the choice in the user's settings.

#include <QDialog>
#include <QString>
#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace tonvera {

class JournalDialog : public QDialog {
    Q_OBJECT
public:
    explicit JournalDialog(QWidget* parent = nullptr);

    // Shows `folder` and `enabled`; true and both changed when the operator
    // took them with OK. An empty folder is the default one.
    bool edit(QString& folder, bool& enabled);

    // The folder chooser; the desktop's own unless a test sets one. Returns
    // the folder chosen, or an empty text when cancelled.
    std::function<QString(const QString& current)> ChooseFolder;

private:
    QCheckBox* ProtokollAn;
    QLineEdit* ProtokollOrdner;
    QPushButton* OrdnerWahl;
};

} // namespace tonvera
