// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/WindowSettings.h"

#include <QFileInfo>
#include <QSettings>

namespace tonvera {

namespace {

QSettings settings() { return QSettings(QSettings::NativeFormat, QSettings::UserScope, "tonvera", "tonvera"); }

constexpr const char* FolderKey = "Dateien/Ordner";
constexpr const char* PortKey = "Hardware/Port";
constexpr const char* DefaultPort = "COM3:";

} // namespace

QString LastFileFolder() { return settings().value(FolderKey).toString(); }

void RememberFileFolder(const QString& chosenFile)
{
    settings().setValue(FolderKey, QFileInfo(chosenFile).absolutePath());
}

std::string LastPort()
{
    const QString port = settings().value(PortKey).toString();
    return port.isEmpty() ? std::string(DefaultPort) : port.toStdString();
}

void RememberPort(const std::string& port) { settings().setValue(PortKey, QString::fromStdString(port)); }

} // namespace tonvera
