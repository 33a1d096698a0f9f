// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/FixedDialog.h"
#include "ui/VariablenWindow.h"
#include "ui/Named.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QSignalBlocker>

#include "run/CommandGuard.h"

namespace tonvera {

namespace {

// The window's size as designed.
constexpr int ClientWidth = 479;
constexpr int ClientHeight = 402;

} // namespace

// Knows the cell editor that is open, and takes Enter before the standard
// handling, which would commit only later from the event loop.
class VariGridWidget::Delegate : public QStyledItemDelegate {
public:
    explicit Delegate(VariGridWidget* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        open_ = editor;
        return editor;
    }
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override
    {
        if (open_ == editor)
            open_ = nullptr;
        QStyledItemDelegate::destroyEditor(editor, index);
    }

    void commitAndClose()
    {
        if (QWidget* editor = open_) {
            open_ = nullptr;
            Q_EMIT commitData(editor);
            Q_EMIT closeEditor(editor, QAbstractItemDelegate::NoHint);
        }
    }
    bool isOpen() const { return open_ != nullptr; }

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if ((key == Qt::Key_Return || key == Qt::Key_Enter) && object == open_) {
                commitAndClose();
                if (grid_->onEnter)
                    grid_->onEnter();
                return true;
            }
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    VariGridWidget* grid_;
    mutable QPointer<QWidget> open_;
};

VariGridWidget::VariGridWidget(QWidget* parent) : QTableWidget(parent), delegate_(new Delegate(this))
{
    setItemDelegate(delegate_);
    verticalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setSectionsClickable(false);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
}

void VariGridWidget::commitOpenEditor() { delegate_->commitAndClose(); }

bool VariGridWidget::editorOpen() const { return delegate_->isOpen(); }

void VariGridWidget::keyPressEvent(QKeyEvent* e)
{
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && onEnter) {
        onEnter();
        return;
    }
    QTableWidget::keyPressEvent(e);
}

VariablenWindow::VariablenWindow(Dialogs& dialogs, CommandGuard& guard, QWidget* parent)
    : QDialog(parent), guard_(guard), core_(dialogs)
{
    SetUpFixedDialog(*this, "Variablen", "Variablen", ClientWidth, ClientHeight);

    Panel1 = Named<QWidget>("Panel1", this);
    Panel1->setGeometry(0, 0, ClientWidth, 41);
    Button1 = Named<QPushButton>("Button1", "Neu", Panel1);
    Button1->setGeometry(8, 8, 75, 25);
    Button1->setAutoDefault(false);
    Button2 = Named<QPushButton>("Button2", "Löschen", Panel1);
    Button2->setGeometry(96, 8, 75, 25);
    Button2->setAutoDefault(false);

    Panel2 = Named<QWidget>("Panel2", this);
    Panel2->setGeometry(0, 41, ClientWidth, ClientHeight - 41);
    VariGrid = Named<VariGridWidget>("VariGrid", Panel2);
    VariGrid->setGeometry(5, 5, ClientWidth - 10, ClientHeight - 41 - 10);
    core_.GridWidth = VariGrid->width();

    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    VariGrid->onEnter = [this] { VariGridEnter(); };
    core_.GridChanged = [this] { coreToGrid(); };
    core_.ShowModal = [this] {
        exec();
        gridToCore();
    };
    core_.TableToGrid();
}

void VariablenWindow::EditVariables(VariTable& table) { core_.EditVariables(table); }

void VariablenWindow::Button1Click()
{
    guard_.run([this] {
        gridToCore();
        core_.Button1Click();
    });
}

void VariablenWindow::Button2Click()
{
    guard_.run([this] {
        gridToCore();
        core_.Button2Click();
    });
}

void VariablenWindow::VariGridEnter()
{
    guard_.run([this] {
        gridToCore();
        core_.VariGridKeyPress(VariablenEditor::EnterKey);
    });
}

void VariablenWindow::gridToCore()
{
    VariGrid->commitOpenEditor();
    const int cols = std::min(VariGrid->columnCount(), core_.ColCount());
    const int rows = std::min(VariGrid->rowCount(), core_.RowCount() - 1);
    for (int c = 0; c < cols; ++c)
        for (int r = 0; r < rows; ++r) {
            const QTableWidgetItem* item = VariGrid->item(r, c);
            core_.SetCell(c, r + 1, item ? item->text().toStdString() : std::string());
        }
    if (VariGrid->currentRow() >= 0 && VariGrid->currentColumn() >= 0)
        core_.SetCursor(VariGrid->currentColumn(), VariGrid->currentRow() + 1);
}

void VariablenWindow::coreToGrid()
{
    const QSignalBlocker block(VariGrid);
    const int cols = core_.ColCount();
    const int rows = core_.RowCount() - 1;
    VariGrid->setColumnCount(cols);
    VariGrid->setRowCount(rows);
    QStringList names;
    for (int c = 0; c < cols; ++c) {
        names << QString::fromStdString(core_.Cell(c, 0));
        VariGrid->setColumnWidth(c, core_.DefaultColWidth());
        for (int r = 0; r < rows; ++r) {
            const QString text = QString::fromStdString(core_.Cell(c, r + 1));
            if (QTableWidgetItem* item = VariGrid->item(r, c))
                item->setText(text);
            else
                VariGrid->setItem(r, c, new QTableWidgetItem(text));
        }
    }
    VariGrid->setHorizontalHeaderLabels(names);
    VariGrid->setEnabled(core_.Enabled());
    VariGrid->setCurrentCell(core_.Row() - 1, core_.Col());
}

} // namespace tonvera
