// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Variablen": the variables editor. A grid whose header row holds the
// names and whose cells hold the values; "Neu" and "Löschen" above it. The
// window only mirrors the editor core and forwards the buttons and Enter.

#include <QDialog>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <functional>

#include "model/VariablenEditor.h"

class QPushButton;

namespace tonvera {

class Dialogs;
class CommandGuard;
class VariTable;

// The string grid: Enter goes to the editor core, whether a cell is being
// typed in or not. The cell editor that is open can be committed on demand,
// so closing the window stores what was typed last.
class VariGridWidget : public QTableWidget {
    Q_OBJECT
public:
    explicit VariGridWidget(QWidget* parent = nullptr);

    std::function<void()> onEnter;
    // Writes the text of an open cell editor into its cell and closes it.
    void commitOpenEditor();
    [[nodiscard]] bool editorOpen() const;

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    class Delegate;
    Delegate* delegate_;
};

class VariablenWindow : public QDialog {
    Q_OBJECT
public:
    VariablenWindow(Dialogs& dialogs, CommandGuard& guard, QWidget* parent = nullptr);

    // "&Variablen" > "&Konfigurieren": edits the table in place, modally.
    void EditVariables(VariTable& table);

    VariablenEditor& core() { return core_; }

    void Button1Click();  // "Neu"
    void Button2Click();  // "Löschen"
    void VariGridEnter(); // Enter in the grid VariGrid

    // Grid cells and cursor into the core, and back.
    void gridToCore();
    void coreToGrid();

private:
    QWidget* Panel1;
    QPushButton* Button1;
    QPushButton* Button2;
    QWidget* Panel2;
    VariGridWidget* VariGrid;

    CommandGuard& guard_;
    VariablenEditor core_;
};

} // namespace tonvera
