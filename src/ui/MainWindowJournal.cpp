// SPDX-License-Identifier: GPL-3.0-or-later
// What the window keeps and shows of each presentation: the journal, one
// file a day in the folder the operator chose, and the presentation playing
// in the status bar. Both listen to the core's run events.
#include "ui/MainWindow.h"

#include <QAction>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QUrl>

#include "model/Dialogs.h"
#include "model/Errors.h"
#include "run/Journal.h"
#include "run/MainCore.h"
#include "ui/JournalDialog.h"
#include "ui/WindowSettings.h"

namespace tonvera {

namespace {

// The journal hears every file event, so a session started after it was
// switched on still names the project and the calibration; a presentation
// is journalled, start and end, when the journal was on at its start.
class JournalSwitch : public RunListener {
public:
    JournalSwitch(Journal& journal, const bool& on) : Log(journal), On(on) {}
    void presentationStarted(const PresentationStarted& p) override
    {
        Logging = On;
        if (Logging)
            Log.presentationStarted(p);
    }
    void presentationEnded(const PresentationEnded& e) override
    {
        if (Logging)
            Log.presentationEnded(e);
    }
    void runEnded(const RunEnded& e) override
    {
        if (Logging)
            Log.runEnded(e);
        Logging = false;
    }
    void fileEvent(const FileEvent& f) override { Log.fileEvent(f); }

private:
    Journal& Log;
    const bool& On;
    bool Logging = false;
};

class StatusListener : public RunListener {
public:
    explicit StatusListener(QLabel& panel) : Panel(panel) {}
    void presentationStarted(const PresentationStarted& p) override
    {
        Panel.setText(QStringLiteral("Darbietung %1").arg(p.Number));
    }
    void runEnded(const RunEnded& e) override
    {
        Panel.setText(e.Presentations == 1 ? QStringLiteral("1 Darbietung")
                                           : QStringLiteral("%1 Darbietungen").arg(e.Presentations));
    }

private:
    QLabel& Panel;
};

} // namespace

void MainWindow::wireJournal()
{
    JournalDir = JournalFolder();
    JournalOn = JournalEnabled();
    // The listener is told in the middle of a command, perhaps a tick of a
    // run: the box waits for the event loop, so the run goes on under it.
    const auto report = [this](const std::string& text) {
        QTimer::singleShot(0, this, [this, text] { Dlg->messageBox(text, AttentionTitle); });
    };
    Log =
        std::make_unique<Journal>([this] { return JournalDayFile(JournalDir, QDateTime::currentDateTime()); }, report);
    JournalTap = std::make_unique<JournalSwitch>(*Log, JournalOn);
    Core->events().add(*JournalTap);
    RunStatus = std::make_unique<StatusListener>(*StatusDarbietung);
    Core->events().add(*RunStatus);

    if (auto* settings = qobject_cast<QMenu*>(Protokoll1->parent()))
        settings->insertSeparator(Protokoll1);
    onMenu(Protokoll1, [this] { Protokoll1Click(); });
    onMenu(Protokollordner1, [this] { Protokollordner1Click(); });
}

std::string MainWindow::journalFile() const { return Log->currentFile(); }

void MainWindow::Protokoll1Click()
{
    if (!ProtokollDialog)
        ProtokollDialog = new JournalDialog(this);
    QString folder = JournalDir;
    bool on = JournalOn;
    if (!ProtokollDialog->edit(folder, on))
        return;
    RememberJournal(folder, on);
    JournalDir = JournalFolder();
    JournalOn = JournalEnabled();
}

void MainWindow::Protokollordner1Click()
{
    // A folder not written yet opens too, empty.
    QDir().mkpath(JournalDir);
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(JournalDir)))
        throw AbortError("Protokollordner " + QuotedName(JournalDir.toStdString()) + " kann nicht geöffnet werden");
}

} // namespace tonvera
