#pragma once
// A window that exists from start-up on with its caption but whose content
// is still to be built. It can be shown modally and closed.

#include <QDialog>

namespace tonvera {

class PlaceholderWindow : public QDialog {
    Q_OBJECT
public:
    PlaceholderWindow(const char* objectName, const QString& caption, QWidget* parent = nullptr);
};

} // namespace tonvera
