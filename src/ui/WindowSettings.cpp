// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/WindowSettings.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace tonvera {

namespace {

QSettings settings() { return QSettings(QSettings::NativeFormat, QSettings::UserScope, "tonvera", "tonvera"); }

constexpr const char* FolderKey = "Dateien/Ordner";
constexpr const char* PortKey = "Hardware/Port";
constexpr const char* DefaultPort = "COM3:";
constexpr const char* JournalFolderKey = "Protokoll/Ordner";
constexpr const char* JournalOnKey = "Protokoll/An";

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

QString DefaultJournalFolder()
{
    // A relative XDG_DATA_HOME is to be ignored, as every desktop program does.
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty() || QDir::isRelativePath(data))
        data = QDir::homePath() + "/.local/share";
    return QDir::cleanPath(data + "/tonvera/protokoll");
}

QString JournalFolder()
{
    const QString folder = settings().value(JournalFolderKey).toString();
    return folder.isEmpty() ? DefaultJournalFolder() : folder;
}

bool JournalEnabled() { return settings().value(JournalOnKey, true).toBool(); }

void RememberJournal(const QString& folder, bool enabled)
{
    QSettings s = settings();
    const QString chosen = QDir::cleanPath(folder);
    if (folder.isEmpty() || chosen == DefaultJournalFolder())
        s.remove(JournalFolderKey);
    else
        s.setValue(JournalFolderKey, chosen);
    s.setValue(JournalOnKey, enabled);
}

std::string JournalDayFile(const QString& folder, const QDateTime& moment)
{
    return QDir(folder).filePath(moment.date().toString(Qt::ISODate) + ".tsv").toStdString();
}

} // namespace tonvera
