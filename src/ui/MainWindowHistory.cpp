// SPDX-License-Identifier: GPL-3.0-or-later
// The operator's work kept safe: every change of the signal set becomes a
// step to undo and redo, the title names the file and shows unsaved changes,
// nothing unsaved is dropped without a question, and unsaved work goes to a
// recovery file now and then, offered again after a crash.
#include "ui/MainWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <array>
#include <exception>
#include <functional>
#include <utility>

#include "files/FileCommands.h"
#include "files/ProjectFile.h"
#include "files/RecoveryFile.h"
#include "model/MainForm.h"
#include "run/MainCore.h"
#include "ui/PaintBox.h"

namespace tonvera {

namespace {

constexpr const char* UnsavedQuestion = "Das Projekt wurde geändert. Änderungen speichern?";
constexpr const char* RecoveryQuestion =
    "Tonvera wurde nicht ordnungsgemäß beendet. Die ungesicherten Änderungen der letzten Sitzung "
    "wiederherstellen?";
enum UnsavedAnswer : std::size_t { AnswerSave, AnswerDiscard, AnswerCancel };
enum RecoveryAnswer : std::size_t { AnswerRestore, AnswerDrop };

// Ctrl+Z in a parameter edit is the edit's own undo while the edit holds
// typed text that is not committed yet; otherwise it is the project's, as
// everywhere else in the window. So typing can be taken back before Enter,
// and a committed edit is undone with the rest of the project.
class UndoKeyFilter : public QObject {
public:
    UndoKeyFilter(QObject* parent, std::function<bool(const QLineEdit*)> typing)
        : QObject(parent), Typing(std::move(typing))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() != QEvent::ShortcutOverride)
            return false;
        auto* key = static_cast<QKeyEvent*>(e);
        const bool undoKey = key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo) ||
                             key->keyCombination() == QKeyCombination(Qt::CTRL, Qt::Key_Y);
        if (!undoKey || Typing(static_cast<const QLineEdit*>(watched)))
            return false;
        // Not the edit's: the menu's shortcut takes it.
        e->ignore();
        return true;
    }

private:
    std::function<bool(const QLineEdit*)> Typing;
};

} // namespace

void MainWindow::wireHistory()
{
    auto* edit = new QMenu("&Bearbeiten", this);
    edit->setObjectName("Bearbeiten1");
    // After "&Datei", where every desktop program has it.
    const QList<QAction*> menus = menuBar()->actions();
    menuBar()->insertMenu(menus.size() > 1 ? menus[1] : nullptr, edit);
    Rueckgaengig1 = edit->addAction("&Rückgängig");
    Rueckgaengig1->setObjectName("Rueckgaengig1");
    Rueckgaengig1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    Wiederherstellen1 = edit->addAction("&Wiederherstellen");
    Wiederherstellen1->setObjectName("Wiederherstellen1");
    Wiederherstellen1->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    Speichern1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    Laden1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(Rueckgaengig1, &QAction::triggered, this, [this] { command([this] { Rueckgaengig1Click(); }); });
    connect(Wiederherstellen1, &QAction::triggered, this, [this] { command([this] { Wiederherstellen1Click(); }); });

    UndoKeys = new UndoKeyFilter(this, [this](const QLineEdit* e) { return holdsUncommittedText(e); });
    UndoKeys->setObjectName("UndoKeys");
    for (QLineEdit* e : parameterEdits())
        e->installEventFilter(UndoKeys);
    AnzWieder->installEventFilter(UndoKeys);

    // Connected before the command itself, so the name is there when the
    // step is recorded.
    connect(Button9, &QAbstractButton::clicked, this,
            [this] { NextStep = "Signal " + std::to_string(Core->state().SelectedSignal + 1) + " kopieren"; });
    // Boxes and the repeat count without a command of their own.
    for (QCheckBox* c : {Repeated, varcheck})
        connect(c, &QAbstractButton::clicked, this, [this] { command([] {}); });
    for (QLineEdit* e : {AnzWieder, Startwert, OrderList})
        connect(e, &QLineEdit::editingFinished, this, [this] {
            if (!Guard.busy())
                command([] {});
        });

    RecoveryTimer = new QTimer(this);
    RecoveryTimer->setObjectName("RecoveryTimer");
    RecoveryTimer->setInterval(RecoveryInterval);
    connect(RecoveryTimer, &QTimer::timeout, this, [this] { writeRecovery(); });

    History.reset(TakeSnapshot(Core->state(), ReadGlobals(*this)));
    showHistory();
}

void MainWindow::setRecoveryInterval(std::chrono::milliseconds interval) { RecoveryTimer->setInterval(interval); }

bool MainWindow::command(const std::function<void()>& body)
{
    const bool outer = !Guard.busy();
    const bool done = Guard.run(body);
    // Ticks change nothing the operator made.
    if (outer && !TickOpen && !Closed)
        afterCommand();
    return done;
}

void MainWindow::recordStep()
{
    SignalSetSnapshot now = TakeSnapshot(Core->state(), ReadGlobals(*this), &History.current());
    const std::string label = NextStep.empty() ? StepLabel(History.current(), now) : NextStep;
    NextStep.clear();
    if (History.record(label, std::move(now)))
        RecoveryStale = true;
}

namespace {

class WindowListener : public RunListener {
public:
    explicit WindowListener(bool& projectLoaded) : ProjectLoaded(projectLoaded) {}
    void fileEvent(const FileEvent& e) override
    {
        if (e.What == FileEvent::Kind::Project && e.Done == FileEvent::Action::Loaded)
            ProjectLoaded = true;
    }

private:
    bool& ProjectLoaded;
};

} // namespace

void MainWindow::watchCore()
{
    CoreEvents = std::make_unique<WindowListener>(ProjectLoaded);
    Core->events().add(*CoreEvents);
}

void MainWindow::afterCommand()
{
    if (ProjectLoaded) {
        ProjectLoaded = false;
        NextStep.clear();
        History.reset(TakeSnapshot(Core->state(), ReadGlobals(*this)));
    } else {
        recordStep();
    }
    showHistory();
}

void MainWindow::showHistory()
{
    const auto item = [](QAction* a, const QString& caption, bool can, const std::string& step) {
        a->setEnabled(can);
        a->setText(can ? caption + ": " + QString::fromStdString(step) : caption);
    };
    item(Rueckgaengig1, "&Rückgängig", History.canUndo(), History.undoLabel());
    item(Wiederherstellen1, "&Wiederherstellen", History.canRedo(), History.redoLabel());

    const bool modified = History.modified();
    QString title = "Tonvera";
    if (const std::string& file = Core->files().ProjectFileName; !file.empty())
        title += " - " + QFileInfo(QString::fromStdString(file)).fileName();
    setWindowTitle(modified ? title + "*" : title);

    if (modified && !RecoveryTimer->isActive())
        RecoveryTimer->start();
    if (!modified) {
        RecoveryTimer->stop();
        dropRecovery();
    }
}

void MainWindow::showStep(const SignalSetSnapshot& step)
{
    // As after a load, without the load's device work: nothing is sent.
    RestoreSnapshot(step, Core->state());
    const auto changed = ApplyGlobals(step.Globals, *this);
    Core->form().ShowSignal();
    Core->form().EnableLocalEdits();
    if (changed[static_cast<std::size_t>(CheckBox::ExternStart)])
        Core->ExternStartClick();
    ParPan->update();
    invalidateSignalDisplay();
    RecoveryStale = true;
}

void MainWindow::Rueckgaengig1Click()
{
    // What the edits hold now is a step of its own, undone first.
    recordStep();
    if (History.canUndo())
        showStep(History.undo());
}

void MainWindow::Wiederherstellen1Click()
{
    recordStep();
    if (History.canRedo())
        showStep(History.redo());
}

bool MainWindow::holdsUncommittedText(const QLineEdit* e) const
{
    const SignalSetSnapshot& now = History.current();
    const ProjectGlobals& g = now.Globals;
    const std::string text = e->text().toStdString();
    const std::array<std::pair<const QLineEdit*, const std::string*>, 5> globals{{{Signaldauer, &g.Signaldauer},
                                                                                  {Triggerstart, &g.Triggerstart},
                                                                                  {Triggerstop, &g.Triggerstop},
                                                                                  {EndDamp, &g.EndDamp},
                                                                                  {AnzWieder, &g.AnzWieder}}};
    for (const auto& [edit, committed] : globals)
        if (edit == e)
            return text != *committed;
    const std::int32_t sel = Core->state().SelectedSignal;
    if (sel < 0 || sel >= SignalSlots)
        return false;
    const auto locals = localEdits();
    for (std::size_t i = 0; i < locals.size(); ++i)
        if (locals[i] == e) // in the order of the record's texts
            return text != Core->state().SinusArray[static_cast<std::size_t>(sel)].Text(static_cast<int>(i));
    return false;
}

// --- Unsaved changes --------------------------------------------------------------------

bool MainWindow::mayDropChanges()
{
    recordStep(); // what the edits hold now counts
    if (!History.modified())
        return true;
    switch (Dlg->question(UnsavedQuestion, {"Speichern", "Verwerfen", "Abbrechen"}, AnswerCancel)) {
    case AnswerSave: return Speichern1Click();
    case AnswerDiscard: return true;
    default: return false;
    }
}

void MainWindow::Neu1Click()
{
    if (!mayDropChanges())
        return;
    Core->form().Neu1Click();
    Core->files().ProjectFileName.clear();
    History.reset(TakeSnapshot(Core->state(), ReadGlobals(*this)));
}

void MainWindow::Laden1Click()
{
    // A load that did not put a project in place leaves the history alone;
    // one that did resets it after the command.
    if (mayDropChanges())
        Core->files().Laden1Click();
}

void MainWindow::OpenNamedProject(const std::string& fileName)
{
    command([&] {
        if (mayDropChanges())
            Core->files().OpenProject(fileName);
    });
}

bool MainWindow::Speichern1Click()
{
    recordStep(); // the file gets what the edits hold now
    if (!Core->files().Speichern1Click())
        return false;
    History.markSaved();
    return true;
}

// --- Recovery ------------------------------------------------------------------------------

void MainWindow::writeRecovery()
{
    // Not in the middle of a command: the set may be half changed. The next
    // interval tries again.
    if (Guard.busy() || Closed || !RecoveryStale || !History.modified())
        return;
    const std::string& path = recoveryPath();
    if (path.empty())
        return;
    // A failure is no reason for a box every half minute: the work is still
    // in the window, and the next interval tries again.
    try {
        Core->files().SaveProject(path);
        RecoveryStale = false;
        RecoveryWritten = true;
    } catch (const std::exception&) {
    }
}

void MainWindow::dropRecovery()
{
    if (!RecoveryWritten)
        return; // a file of another session waits for its question
    RemoveRecoveryFile(recoveryPath());
    RecoveryWritten = false;
    RecoveryStale = true;
}

const std::string& MainWindow::recoveryPath()
{
    // Claimed at first need and kept: a folder that could not be made is
    // tried again next time.
    if (!Recovery || Recovery->path().empty())
        Recovery = std::make_unique<RecoveryClaim>(RecoveryFilePath());
    return Recovery->path();
}

void MainWindow::offerRecovery()
{
    const std::string path = recoveryPath();
    if (!RecoveryFileExists(path))
        return;
    // Closing the box keeps the work: restored, it can still be dropped.
    if (Dlg->question(RecoveryQuestion, {"Wiederherstellen", "Verwerfen"}, AnswerRestore) == AnswerDrop) {
        RemoveRecoveryFile(path);
        return;
    }
    // The command's end takes the load into the history; whether there was
    // one is read before, also when the upload after it failed.
    bool loaded = false;
    ProjectLoaded = false;
    command([&] {
        try {
            Core->files().LoadProject(path);
        } catch (...) {
            loaded = ProjectLoaded;
            throw;
        }
        loaded = ProjectLoaded;
    });
    if (!loaded)
        return; // the file stays for a later look; the error was shown
    // No file holds the restored work: the operator saves it where it
    // belongs. The recovery file stays until then.
    Core->files().ProjectFileName.clear();
    History.markUnsaved();
    RecoveryWritten = true;
}

} // namespace tonvera
