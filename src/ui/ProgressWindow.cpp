// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ProgressWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace tonvera {

ProgressWindow::ProgressWindow(QWidget* owner) : QWidget(owner, Qt::Dialog), Owner(owner)
{
    setObjectName("ProgressWindow");
    setWindowTitle("Tonvera");
    // Application-modal: the preview is a window of its own that window
    // modality would leave open to clicks.
    setWindowModality(Qt::ApplicationModal);

    Text = new QLabel(this);
    Text->setObjectName("ProgressText");
    Text->setMinimumWidth(300);
    Bar = new QProgressBar(this);
    Bar->setObjectName("ProgressBar");
    Bar->setRange(0, 100);
    Bar->setTextVisible(false);
    CancelButton = new QPushButton("Abbrechen", this);
    CancelButton->setObjectName("ProgressCancel");
    connect(CancelButton, &QPushButton::clicked, this, [this] { Cancel = true; });

    auto* col = new QVBoxLayout(this);
    col->addWidget(Text);
    col->addWidget(Bar);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(CancelButton);
    col->addLayout(row);
    setFixedSize(sizeHint());
}

void ProgressWindow::begin()
{
    if (Busy)
        return;
    Busy = true;
    Cancel = false;
    Since.start();
    if (Owner)
        Owner->installEventFilter(this);
}

void ProgressWindow::showProgress(const std::string& text, int percent)
{
    begin();
    Text->setText(QString::fromStdString(text));
    Bar->setValue(percent);
    liveEvents();
}

bool ProgressWindow::cancelRequested()
{
    begin();
    liveEvents();
    return Cancel;
}

void ProgressWindow::keepAlive()
{
    begin();
    liveEvents();
}

void ProgressWindow::endProgress()
{
    if (!Busy)
        return;
    Busy = false;
    if (Owner)
        Owner->removeEventFilter(this);
    hide();
    Text->clear();
    Bar->setValue(0);
    if (parentWidget() != Owner) {
        setParent(Owner, windowFlags());
        setWindowModality(Qt::ApplicationModal);
    }
}

void ProgressWindow::liveEvents()
{
    if (!isVisible() && Since.elapsed() >= ShowAfterMs) {
        // Over whatever modal window is open: the hardware dialog runs the
        // search.
        QWidget* over = QApplication::activeModalWidget();
        QWidget* parent = over && over != this ? over : Owner;
        if (parent != parentWidget()) {
            setParent(parent, windowFlags());
            setWindowModality(Qt::ApplicationModal);
        }
        show();
    }
    // Before the window is up nothing may reach the main window: input
    // waits until the window is there to take it (and block the rest).
    QApplication::processEvents(isVisible() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
}

void ProgressWindow::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape)
        Cancel = true;
    else
        QWidget::keyPressEvent(e);
}

void ProgressWindow::closeEvent(QCloseEvent* e)
{
    Cancel = true;
    e->ignore();
}

bool ProgressWindow::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == Owner && e->type() == QEvent::Close && Busy) {
        e->ignore();
        return true;
    }
    return QWidget::eventFilter(watched, e);
}

} // namespace tonvera
