#include "ui/PlaceholderWindow.h"

#include <QLabel>
#include <QVBoxLayout>

namespace tonvera {

PlaceholderWindow::PlaceholderWindow(const char* objectName, const QString& caption, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(objectName);
    setWindowTitle(caption);
    setModal(true);
    auto* col = new QVBoxLayout(this);
    auto* text = new QLabel(QString::fromUtf8("Dieses Fenster ist in dieser Version noch nicht verfügbar."), this);
    text->setAlignment(Qt::AlignCenter);
    col->addWidget(text);
    resize(360, 120);
}

} // namespace tonvera
